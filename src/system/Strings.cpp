#include "system/Strings.h"

#include <array>
#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Folding of Mac Roman letters: lower case to upper case, accented vowels and
// C and N to their bare capitals. Only codes 130..244 carry accents here.
constexpr std::array<uint8_t, 256> MakeFoldTable() {
  std::array<uint8_t, 256> t{};
  for (int i = 0; i < 256; ++i) t[i] = uint8_t(i);
  for (int c = 'a'; c <= 'z'; ++c) t[c] = uint8_t(c - 'a' + 'A');
  struct Group {
    char to;
    uint8_t codes[10];
    int n;
  };
  constexpr Group groups[] = {
      {'A', {135, 136, 137, 138, 139, 140, 203, 204, 229, 231}, 10},
      {'C', {130, 141}, 2},
      {'E', {131, 142, 143, 144, 145, 230, 232, 233}, 8},
      {'I', {146, 147, 148, 149, 234, 235, 236, 237}, 8},
      {'N', {132}, 1},
      {'O', {133, 151, 152, 153, 154, 155, 238, 239, 241}, 9},
      {'U', {134, 156, 157, 158, 159, 242, 243, 244}, 8},
  };
  for (const Group& g : groups)
    for (int i = 0; i < g.n; ++i) t[g.codes[i]] = uint8_t(g.to);
  return t;
}

constexpr std::array<uint8_t, 256> kFold = MakeFoldTable();

inline uint8_t Fold(char c) { return kFold[uint8_t(c)]; }

template <typename Key>
int32_t DichoSearch(const void* base, int32_t count, int32_t stride, int32_t keyOffset, Key value) {
  if (!base || count <= 0) return -1;
  const char* p = static_cast<const char*>(base) + keyOffset;
  auto key = [&](int32_t i) {
    Key k;
    std::memcpy(&k, p + std::ptrdiff_t(i) * stride, sizeof k);
    return k;
  };
  const Key first = key(0);
  if (!(value >= first)) return -1;  // also a float that does not compare
  if (value == first) return 0;
  int32_t low = 0, high = count - 1;
  while (high - low > 1) {
    const int32_t mid = low + (high - low) / 2;
    if (key(mid) < value) low = mid;
    else high = mid;
  }
  return !(key(high) > value) ? high : low;
}

}  // namespace

char* PtoCstr(unsigned char* buffer) {
  if (!buffer) return nullptr;
  const uint8_t n = buffer[0];
  std::memmove(buffer, buffer + 1, n);
  buffer[n] = 0;
  return reinterpret_cast<char*>(buffer);
}

unsigned char* CtoPstr(char* buffer) {
  if (!buffer) return nullptr;
  size_t n = std::strlen(buffer);
  if (n > 255) n = 255;
  std::memmove(buffer + 1, buffer, n);
  buffer[0] = char(uint8_t(n));
  return reinterpret_cast<unsigned char*>(buffer);
}

char* strnzcpy(char* dst, const char* src, int32_t n) {
  if (!dst || n <= 0) return dst;
  const size_t len = src ? strnlen(src, size_t(n) - 1) : 0;
  std::memmove(dst, src ? src : "", len);
  dst[len] = 0;
  return dst;
}

char* strnzcat(char* dst, const char* src, int32_t n) {
  if (!dst || !src || n <= 0) return dst;
  const size_t used = strnlen(dst, size_t(n));
  if (used >= size_t(n) - 1) return dst;
  const size_t len = strnlen(src, size_t(n) - 1 - used);
  std::memmove(dst + used, src, len);
  dst[used + len] = 0;
  return dst;
}

char* sprintcat(char* dst, const char* format, ...) {
  char scratch[4096];
  va_list args;
  va_start(args, format);
  std::vsnprintf(scratch, sizeof scratch, format, args);
  va_end(args);
  std::strcat(dst, scratch);
  return dst;
}

int16_t strspace(const char* s) {
  if (!s) return 1;
  for (; *s; ++s)
    if (*s != ' ') return 0;
  return 1;
}

namespace {
// Removes the leading and trailing bytes for which drop() holds.
template <typename Pred>
char* Trim(char* s, Pred drop) {
  if (!s) return s;
  size_t len = std::strlen(s);
  size_t start = 0;
  while (start < len && drop(uint8_t(s[start]))) ++start;
  while (len > start && drop(uint8_t(s[len - 1]))) --len;
  std::memmove(s, s + start, len - start);
  s[len - start] = 0;
  return s;
}
}  // namespace

char* strstrip(char* s) {
  return Trim(s, [](uint8_t c) { return c == ' '; });
}

char* strpurge(char* s) {
  return Trim(s, [](uint8_t c) { return c < 33; });
}

void SubstChars(char* s, const char* from, const char* to) {
  if (!s || !from || !to || !*to) return;
  const size_t toLen = std::strlen(to);
  for (; *s; ++s) {
    const char* hit = std::strchr(from, *s);
    if (!hit) continue;
    const size_t i = size_t(hit - from);
    *s = to[i < toLen ? i : toLen - 1];
  }
}

char* StrSub(char* s, const char* pattern, const char* replacement) {
  if (!s || !pattern || !*pattern) return s;
  if (!replacement) replacement = "";
  const size_t plen = std::strlen(pattern), rlen = std::strlen(replacement);
  size_t hits = 0;
  for (const char* p = std::strstr(s, pattern); p; p = std::strstr(p + plen, pattern)) ++hits;
  if (hits == 0) return s;
  // The scratch block is sized from the count of occurrences, however short
  // the pattern and long the replacement.
  const size_t len = std::strlen(s);
  char* out = static_cast<char*>(std::malloc(len - hits * plen + hits * rlen + 1));
  if (!out) return s;
  char* w = out;
  const char* r = s;
  for (const char* p = std::strstr(r, pattern); p; p = std::strstr(r, pattern)) {
    std::memcpy(w, r, size_t(p - r));
    w += p - r;
    std::memcpy(w, replacement, rlen);
    w += rlen;
    r = p + plen;
  }
  const size_t tail = std::strlen(r);
  std::memcpy(w, r, tail + 1);
  std::memcpy(s, out, size_t(w - out) + tail + 1);
  std::free(out);
  return s;
}

char* StrSubShort(char* s, const char* pattern, int16_t value) {
  char text[8];
  std::snprintf(text, sizeof text, "%0d", value);
  return StrSub(s, pattern, text);
}

char* CvtShortToStr(char* buffer, uint16_t value) {
  if (!buffer) return buffer;
  char digits[5];
  int n = 0;
  do {
    digits[n++] = char('0' + value % 10);
    value /= 10;
  } while (value);
  for (int i = 0; i < n; ++i) buffer[i] = digits[n - 1 - i];
  buffer[n] = 0;
  return buffer;
}

uint8_t FoldChar(uint8_t c) { return kFold[c]; }

int16_t stricmp(const char* a, const char* b) {
  if (!a || !b) return -1;
  for (;; ++a, ++b) {
    const uint8_t ca = Fold(*a), cb = Fold(*b);
    if (ca != cb) return ca < cb ? -1 : 1;
    if (!ca) return 0;
  }
}

int16_t StrnCaseCmp(const char* a, const char* b, int32_t n) {
  if (!a || !b || n <= 0) return -1;
  for (int32_t i = 0; i < n; ++i) {
    const uint8_t ca = Fold(a[i]), cb = Fold(b[i]);
    if (ca != cb) return ca < cb ? -1 : 1;
    if (!ca) return 0;
  }
  return 0;
}

char* strupr(char* s) {
  if (!s) return s;
  for (char* p = s; *p; ++p) *p = char(Fold(*p));
  return s;
}

char* stristr(const char* s, const char* pattern) {
  if (!s || !pattern || !*s || !*pattern) return nullptr;
  const uint8_t first = Fold(*pattern);
  for (; *s; ++s) {
    if (Fold(*s) != first) continue;
    size_t i = 1;
    while (pattern[i] && s[i] && Fold(s[i]) == Fold(pattern[i])) ++i;
    if (!pattern[i]) return const_cast<char*>(s);
    if (!s[i]) return nullptr;  // the rest of the string is shorter than the pattern
  }
  return nullptr;
}

int32_t DichoSearchLong(const void* base, int32_t count, int32_t stride, int32_t keyOffset, int32_t value) {
  return DichoSearch<int32_t>(base, count, stride, keyOffset, value);
}

int32_t DichoSearchShort(const void* base, int32_t count, int32_t stride, int32_t keyOffset, int16_t value) {
  return DichoSearch<int16_t>(base, count, stride, keyOffset, value);
}

int32_t DichoSearchFloat(const void* base, int32_t count, int32_t stride, int32_t keyOffset, float value) {
  return DichoSearch<float>(base, count, stride, keyOffset, value);
}

int32_t LMulDiv(int32_t a, int32_t b, int32_t c) {
  if (c == 0) return (a != 0 && b != 0) ? INT32_MAX : 0;
  const float q = float(a) * float(b) / float(c);
  const float r = std::round(q);  // halves away from zero
  if (r >= 2147483648.0f) return INT32_MAX;
  if (r < -2147483648.0f) return INT32_MIN;
  return int32_t(r);
}
