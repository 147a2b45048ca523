#include "text/TextEncodings.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/EncodingTables.h"
#include "platform/Memory.h"

namespace {

struct PoolSlot {
  uint8_t inUse;
  Ptr buffer;
  uint32_t tag;
};
PoolSlot gPool[kEncodedStrPoolSize];
bool gPoolMade = false;
int32_t gDefault8BitHTMLEncoding = 1;

// Nothing converts more than this: a longer request is refused (null).
constexpr int64_t kMaxConversion = 256 * 1024 * 1024;

constexpr UniChar kCR = 13, kLF = 10;

UniChar Swap(UniChar u) { return static_cast<UniChar>((u >> 8) | (u << 8)); }

// ---- decoding into UTF-16 ---------------------------------------------------

// A growing UTF-16 intermediate in an EncodedStr.
struct Units {
  UniChar* u = nullptr;
  int32_t n = 0;
  EncodedStr owner = nullptr;
  bool Make(int64_t capacity) {
    if (capacity > kMaxConversion / 2) return false;
    if (capacity < 1) capacity = 1;
    owner = NewEncodedStr(static_cast<int32_t>(capacity * 2), FourCC("u16 "));
    u = reinterpret_cast<UniChar*>(owner);
    return owner != nullptr;
  }
  void Free() {
    DisposeEncodedStr(owner);
    owner = nullptr;
    u = nullptr;
  }
};

UniChar JisDecode(uint16_t code) {
  const JisUnicodePair* end = Jis2UnicodeTab + kJis2UnicodeCount - 1;
  const JisUnicodePair* p =
      std::lower_bound(Jis2UnicodeTab, end, code, [](const JisUnicodePair& e, uint16_t c) { return e.code < c; });
  return (p != end && p->code == code) ? p->unicode : 0xFFFD;
}

void DecodeBytes(const uint8_t* s, int32_t length, const uint16_t* table, int first, Units& out) {
  for (int32_t i = 0; i < length; i++) {
    uint8_t b = s[i];
    out.u[out.n++] = b < 0x80 ? b : table[b - first];
  }
}

void DecodeUTF8(const uint8_t* s, int32_t length, Units& out) {
  int32_t i = 0;
  while (i < length) {
    UniChar c;
    int32_t used = UTFCharToUnicode(s + i, &c, length - i);
    if (used <= 0) break;
    out.u[out.n++] = c;
    i += used;
  }
}

void DecodeShiftJis(const uint8_t* s, int32_t length, Units& out) {
  for (int32_t i = 0; i < length; i++) {
    uint8_t b = s[i];
    if (b < 0x20) {
      out.u[out.n++] = b;
    } else if (((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC)) && i + 1 < length) {
      out.u[out.n++] = JisDecode(static_cast<uint16_t>(b << 8 | s[i + 1]));
      i++;
    } else {
      out.u[out.n++] = JisDecode(b);
    }
  }
}

const HtmlEntity* EntityByName(const char* name, size_t len) {
  for (const HtmlEntity* e = HTML2UnicodeTab; e->unicode != 0; e++) {
    if (strlen(e->name) == len && memcmp(e->name, name, len) == 0) return e;
  }
  return nullptr;
}

const HtmlEntity* EntityByChar(UniChar c) {
  for (const HtmlEntity* e = HTML2UnicodeTab; e->unicode != 0; e++) {
    if (e->unicode == c) return e;
  }
  return nullptr;
}

void DecodeHTML(const uint8_t* s, int32_t length, Units& out) {
  int32_t i = 0;
  while (i < length) {
    uint8_t b = s[i];
    if (b > 126) {
      switch (gDefault8BitHTMLEncoding) {
        case 4: {
          UniChar c;
          int32_t used = UTFCharToUnicode(s + i, &c, length - i);
          out.u[out.n++] = c;
          i += used > 0 ? used : 1;
          continue;
        }
        case 2: out.u[out.n++] = b >= 0x80 ? MacRoman2UnicodeTable[b - 0x80] : b; break;
        case 1: out.u[out.n++] = b >= 0x80 ? Windows2UnicodeTable[b - 0x7F] : b; break;
        default: out.u[out.n++] = b; break;
      }
      i++;
      continue;
    }
    if (b == '<' && i + 4 <= length && (s[i + 1] | 0x20) == 'b' && (s[i + 2] | 0x20) == 'r' && s[i + 3] == '>') {
      out.u[out.n++] = kCR;
      i += 4;
      continue;
    }
    if (b == '&') {
      int32_t semi = -1;
      for (int32_t k = i + 1; k < length && k <= i + 8; k++) {
        if (s[k] == ';') {
          semi = k;
          break;
        }
      }
      if (semi > i + 1) {
        const char* name = reinterpret_cast<const char*>(s + i + 1);
        size_t len = static_cast<size_t>(semi - i - 1);
        bool taken = false;
        if (name[0] == '#') {
          // A decimal reference, read as a signed 16-bit number.
          size_t k = 1;
          bool neg = false;
          if (k < len && (name[k] == '-' || name[k] == '+')) neg = name[k++] == '-';
          int32_t v = 0;
          size_t digits = 0;
          while (k < len && name[k] >= '0' && name[k] <= '9') {
            v = (v * 10 + (name[k] - '0')) & 0xFFFF;
            k++;
            digits++;
          }
          if (neg) v = -v;
          UniChar c = static_cast<UniChar>(v);
          if (digits && c != 0) {
            out.u[out.n++] = c;
            taken = true;
          }
        } else if (const HtmlEntity* e = EntityByName(name, len)) {
          out.u[out.n++] = e->unicode;
          taken = true;
        }
        if (taken) {
          i = semi + 1;
          continue;
        }
      }
    }
    out.u[out.n++] = b;
    i++;
  }
}

// Decodes any source into units; capacity covers the line-end growth too.
bool Decode(const uint8_t* text, int32_t offset, int32_t length, int32_t source, Units& out) {
  int32_t enc = source & kEncodingMask;
  if (enc > kEncodingUTF16Swapped) enc = kEncodingUTF16Host;
  if (!out.Make(static_cast<int64_t>(length) * 2)) return false;
  if (enc >= kEncodingUTF16Host) {
    const uint8_t* p = text + static_cast<int64_t>(offset) * 2;
    for (int32_t i = 0; i < length; i++) {
      UniChar u;
      memcpy(&u, p + i * 2, 2);
      out.u[out.n++] = enc == kEncodingUTF16Swapped ? Swap(u) : u;
    }
    return true;
  }
  const uint8_t* p = text + offset;
  switch (enc) {
    case kEncodingMSDos: DecodeBytes(p, length, MSDos2UnicodeTable, 0x80, out); break;
    case kEncodingWindows: DecodeBytes(p, length, Windows2UnicodeTable, 0x7F, out); break;
    case kEncodingMacRoman: DecodeBytes(p, length, MacRoman2UnicodeTable, 0x80, out); break;
    case kEncodingHTML: DecodeHTML(p, length, out); break;
    case kEncodingUTF8: DecodeUTF8(p, length, out); break;
    case kEncodingShiftJis: DecodeShiftJis(p, length, out); break;
  }
  return true;
}

// ---- line ends --------------------------------------------------------------

int32_t DetectLineEnds(const Units& t) {
  if (t.n < 2) return kLineEndSame;
  int32_t found = kLineEndCR;
  for (int32_t i = 0; i + 1 < t.n; i++) {
    if (t.u[i] == kCR && t.u[i + 1] == kLF) {
      found = kLineEndCRLF;
    } else if (t.u[i] == kLF && (i == 0 || t.u[i - 1] != kCR)) {
      found = kLineEndLF;
    }
  }
  return found;
}

bool IsLineEnd(int32_t le) { return le == kLineEndCR || le == kLineEndLF || le == kLineEndCRLF; }

// Rewrites every source line end as the target's; the buffer holds two units
// per source unit, enough for CR -> CR LF.
void ConvertLineEnds(Units& t, int32_t from, int32_t to) {
  if (from == kLineEndSame) from = DetectLineEnds(t);
  if (to == kLineEndSame) to = from;
  if (from == to || !IsLineEnd(from) || !IsLineEnd(to)) return;
  static std::vector<UniChar> tmp;
  tmp.assign(t.u, t.u + t.n);
  int32_t n = 0;
  for (size_t i = 0; i < tmp.size(); i++) {
    bool match = false;
    if (from == kLineEndCRLF) {
      match = tmp[i] == kCR && i + 1 < tmp.size() && tmp[i + 1] == kLF;
    } else {
      match = tmp[i] == (from == kLineEndCR ? kCR : kLF);
    }
    if (!match) {
      t.u[n++] = tmp[i];
      continue;
    }
    if (from == kLineEndCRLF) i++;
    if (to == kLineEndCRLF) {
      t.u[n++] = kCR;
      t.u[n++] = kLF;
    } else {
      t.u[n++] = to == kLineEndCR ? kCR : kLF;
    }
  }
  t.n = n;
}

// ---- encoding from UTF-16 ---------------------------------------------------

int SearchTable(const uint16_t* table, int count, UniChar c) {
  for (int i = 0; i < count; i++) {
    if (table[i] == c) return i;
  }
  return -1;
}

// Shift-JIS code of a character: the first entry of the table (in code
// order) that has it. Built once, then searched by halves.
struct JisReverse {
  UniChar unicode;
  uint16_t code;
};
const std::vector<JisReverse>& JisByUnicode() {
  static const std::vector<JisReverse> v = [] {
    std::vector<JisReverse> r;
    for (int i = 0; i + 1 < kJis2UnicodeCount; i++) r.push_back({Jis2UnicodeTab[i].unicode, Jis2UnicodeTab[i].code});
    std::stable_sort(r.begin(), r.end(),
                     [](const JisReverse& a, const JisReverse& b) { return a.unicode < b.unicode; });
    return r;
  }();
  return v;
}

int32_t JisEncode(UniChar c) {
  const auto& v = JisByUnicode();
  auto p = std::lower_bound(v.begin(), v.end(), c, [](const JisReverse& e, UniChar x) { return e.unicode < x; });
  return (p != v.end() && p->unicode == c) ? p->code : -1;
}

EncodedStr EncodeUnits(const UniChar* u, int32_t n, int32_t target, int32_t* lengthOut) {
  int32_t enc = target & kEncodingMask;
  if (enc > kEncodingUTF16Swapped) enc = kEncodingUTF16Host;
  int64_t size;
  switch (enc) {
    case kEncodingUTF8: size = int64_t(n) * 3; break;
    case kEncodingShiftJis: size = int64_t(n) * 2; break;
    case kEncodingHTML: return UnicodeTextToHTML(u, 0, n, lengthOut);
    case kEncodingUTF16Host:
    case kEncodingUTF16Swapped: size = int64_t(n) * 2; break;
    default: size = n; break;
  }
  if (lengthOut) *lengthOut = 0;
  if (size > kMaxConversion) return nullptr;
  EncodedStr out = NewEncodedStr(static_cast<int32_t>(size > 0 ? size : 1), FourCC("enc "));
  if (!out) return nullptr;
  uint8_t* o = reinterpret_cast<uint8_t*>(out);
  int32_t len = 0;
  for (int32_t i = 0; i < n; i++) {
    UniChar c = u[i];
    switch (enc) {
      case kEncodingMSDos: {
        int k = c < 0x80 ? -2 : SearchTable(MSDos2UnicodeTable, 128, c);
        o[len++] = k == -2 ? static_cast<uint8_t>(c) : k >= 0 ? static_cast<uint8_t>(0x80 + k) : '?';
        break;
      }
      case kEncodingWindows:
      case kEncodingMacRoman: {
        const bool win = enc == kEncodingWindows;
        if (c < 0x80) {
          o[len++] = static_cast<uint8_t>(c);
          break;
        }
        int k = win ? SearchTable(Windows2UnicodeTable, 129, c) : SearchTable(MacRoman2UnicodeTable, 128, c);
        if (k >= 0) {
          o[len++] = static_cast<uint8_t>((win ? 0x7F : 0x80) + k);
        } else if (c >= 0xF000 && c <= 0xF0FF) {
          o[len++] = static_cast<uint8_t>(c & 0xFF);
        } else {
          o[len++] = '?';
        }
        break;
      }
      case kEncodingUTF8: len += UnicodeCharToUTF(c, o + len); break;
      case kEncodingShiftJis: {
        if (c < 0x20) {
          o[len++] = static_cast<uint8_t>(c);
          break;
        }
        int32_t code = JisEncode(c);
        if (code > 0xFF) {
          o[len++] = static_cast<uint8_t>(code >> 8);
          o[len++] = static_cast<uint8_t>(code);
        } else if (code >= 0) {
          o[len++] = static_cast<uint8_t>(code);
        } else if (c >= 0xF000 && c <= 0xF07F) {
          o[len++] = static_cast<uint8_t>(c & 0x7F);
        } else {
          o[len++] = '?';
        }
        break;
      }
      default: {
        UniChar v = enc == kEncodingUTF16Swapped ? Swap(c) : c;
        memcpy(o + len, &v, 2);
        len += 2;
        break;
      }
    }
  }
  if (lengthOut) *lengthOut = enc >= kEncodingUTF16Host ? len / 2 : len;
  return out;
}

bool BadRange(const void* text, int32_t offset, int32_t length) { return !text || offset < 0 || length <= 0; }

EncodedStr TwoStage(const void* text, int32_t offset, int32_t length, int32_t source, int32_t target,
                    int32_t* lengthOut) {
  if (lengthOut) *lengthOut = 0;
  if (BadRange(text, offset, length)) return nullptr;
  Units t;
  if (!Decode(static_cast<const uint8_t*>(text), offset, length, source, t)) return nullptr;
  EncodedStr r = EncodeUnits(t.u, t.n, target, lengthOut);
  t.Free();
  return r;
}

}  // namespace

EncodedStr NewEncodedStr(int32_t size, uint32_t tag) {
  if (size <= 0) return nullptr;
  if (size <= kEncodedStrPoolBuffer) {
    if (!gPoolMade) {
      // The four buffers are made together, once.
      Ptr block = NewPtr(kEncodedStrPoolSize * kEncodedStrPoolBuffer);
      if (block) {
        for (int i = 0; i < kEncodedStrPoolSize; i++) gPool[i] = PoolSlot{0, block + i * kEncodedStrPoolBuffer, 0};
        gPoolMade = true;
      }
    }
    for (PoolSlot& slot : gPool) {
      if (slot.buffer && !slot.inUse) {
        slot.inUse = 1;
        slot.tag = tag;
        return slot.buffer;
      }
    }
  }
  return NewPtr(size);
}

void DisposeEncodedStr(EncodedStr s) {
  if (!s) return;
  for (PoolSlot& slot : gPool) {
    if (slot.buffer == s) {
      slot.inUse = 0;
      slot.tag = 0;
      return;
    }
  }
  DisposePtr(s);
}

EncodedStr ChangeTextEncoding(const void* text, int32_t offset, int32_t length, int32_t source, int32_t target,
                              int32_t* lengthOut) {
  if (lengthOut) *lengthOut = 0;
  if (BadRange(text, offset, length)) return nullptr;
  Units t;
  if (!Decode(static_cast<const uint8_t*>(text), offset, length, source, t)) return nullptr;
  ConvertLineEnds(t, source & kLineEndMask, target & kLineEndMask);
  EncodedStr r = EncodeUnits(t.u, t.n, target, lengthOut);
  t.Free();
  return r;
}

int32_t UTFCharToUnicode(const uint8_t* bytes, UniChar* ch, int32_t available) {
  if (!bytes || available <= 0) {
    if (ch) *ch = 0;
    return 0;
  }
  uint8_t b = bytes[0];
  UniChar dummy;
  if (!ch) ch = &dummy;
  if (b <= 0xBF) {
    *ch = b;
    return 1;
  }
  int n;
  uint32_t v;
  if (b <= 0xDF) n = 2, v = b & 0x1F;
  else if (b <= 0xEF) n = 3, v = b & 0x0F;
  else if (b <= 0xF7) n = 4, v = b & 0x07;
  else if (b <= 0xFB) n = 5, v = b & 0x03;
  else if (b <= 0xFD) n = 6, v = b & 0x01;
  else {
    *ch = 0xFFFD;
    return 1;
  }
  if (n > available) {
    *ch = 0xFFFD;
    return 1;
  }
  for (int i = 1; i < n; i++) {
    if (bytes[i] < 0x80 || bytes[i] > 0xBF) {
      *ch = 0xFFFD;
      return 1;
    }
    v = (v << 6) | (bytes[i] & 0x3F);
  }
  // A character beyond 16 bits has no unit: keeping its low 16 bits would
  // turn it into an unrelated character (or a music-font code).
  *ch = v > 0xFFFF ? 0xFFFD : static_cast<UniChar>(v);
  return n;
}

int32_t UnicodeCharToUTF(UniChar c, uint8_t* out) {
  if (c >= 0xD800 && c <= 0xDFFF) {
    out[0] = '?';
    return 1;
  }
  if (c < 0x80) {
    out[0] = static_cast<uint8_t>(c);
    return 1;
  }
  if (c < 0x800) {
    out[0] = static_cast<uint8_t>(0xC0 | (c >> 6));
    out[1] = static_cast<uint8_t>(0x80 | (c & 0x3F));
    return 2;
  }
  out[0] = static_cast<uint8_t>(0xE0 | (c >> 12));
  out[1] = static_cast<uint8_t>(0x80 | ((c >> 6) & 0x3F));
  out[2] = static_cast<uint8_t>(0x80 | (c & 0x3F));
  return 3;
}

EncodedStr UTFTextToUnicode(const char* text, int32_t offset, int32_t length, int32_t* unitsOut) {
  return TwoStage(text, offset, length, kEncodingUTF8, kEncodingUTF16Host, unitsOut);
}

EncodedStr HTMLTextToUnicode(const char* text, int32_t offset, int32_t length, int32_t* unitsOut) {
  return TwoStage(text, offset, length, kEncodingHTML, kEncodingUTF16Host, unitsOut);
}

EncodedStr UnicodeTextToMacRoman(const UniChar* text, int32_t offset, int32_t units, int32_t* lengthOut) {
  if (lengthOut) *lengthOut = 0;
  if (BadRange(text, offset, units)) return nullptr;
  return EncodeUnits(text + offset, units, kEncodingMacRoman, lengthOut);
}

EncodedStr UnicodeTextToShiftJis(const UniChar* text, int32_t offset, int32_t units, int32_t* lengthOut) {
  if (lengthOut) *lengthOut = 0;
  if (BadRange(text, offset, units)) return nullptr;
  return EncodeUnits(text + offset, units, kEncodingShiftJis, lengthOut);
}

EncodedStr UnicodeTextToHTML(const UniChar* text, int32_t offset, int32_t units, int32_t* lengthOut) {
  if (lengthOut) *lengthOut = 0;
  if (BadRange(text, offset, units)) return nullptr;
  const UniChar* u = text + offset;
  int64_t size = units;
  for (int32_t i = 0; i < units; i++) {
    UniChar c = u[i];
    if (c == kCR || c == '"' || c == '&' || c == '<' || c == '>' || c > 0x7E) size += 8;
  }
  if (size > kMaxConversion) return nullptr;
  EncodedStr out = NewEncodedStr(static_cast<int32_t>(size), FourCC("html"));
  if (!out) return nullptr;
  int32_t len = 0;
  for (int32_t i = 0; i < units; i++) {
    UniChar c = u[i];
    if (c == kCR) {
      memcpy(out + len, "<br>", 4);
      len += 4;
    } else if (c < 0x7F && c != '"' && c != '&' && c != '<' && c != '>') {
      out[len++] = static_cast<char>(c);
    } else if (const HtmlEntity* e = EntityByChar(c)) {
      size_t n = strlen(e->name);
      out[len++] = '&';
      memcpy(out + len, e->name, n);
      len += static_cast<int32_t>(n);
      out[len++] = ';';
    } else {
      char buf[16];
      int n = snprintf(buf, sizeof buf, "&#%u;", static_cast<unsigned>(c));
      memcpy(out + len, buf, static_cast<size_t>(n));
      len += n;
    }
  }
  if (lengthOut) *lengthOut = len;
  return out;
}

EncodedStr MacRomanTextToUTF(int32_t offset, const char* text, int32_t length, int32_t* lengthOut) {
  return TwoStage(text, offset, length, kEncodingMacRoman, kEncodingUTF8, lengthOut);
}

EncodedStr WindowsTextToUTF(int32_t offset, const char* text, int32_t length, int32_t* lengthOut) {
  return TwoStage(text, offset, length, kEncodingWindows, kEncodingUTF8, lengthOut);
}

EncodedStr ShiftJisTextToUTF(const char* text, int32_t offset, int32_t length, int32_t* lengthOut) {
  return TwoStage(text, offset, length, kEncodingShiftJis, kEncodingUTF8, lengthOut);
}

EncodedStr UTFTextToMacRoman(const char* text, int32_t offset, int32_t length, int32_t* lengthOut) {
  return TwoStage(text, offset, length, kEncodingUTF8, kEncodingMacRoman, lengthOut);
}

EncodedStr UTFTextToWindows(const char* text, int32_t offset, int32_t length, int32_t* lengthOut) {
  return TwoStage(text, offset, length, kEncodingUTF8, kEncodingWindows, lengthOut);
}

namespace {
char* InPlace(char* s, int32_t source, int32_t target) {
  if (!s) return s;
  int32_t len = 0;
  EncodedStr r = TwoStage(s, 0, static_cast<int32_t>(strlen(s)) + 1, source, target, &len);
  if (r) {
    memcpy(s, r, static_cast<size_t>(len));
    DisposeEncodedStr(r);
  }
  return s;
}
}  // namespace

char* MacRomanToUTF(char* s) { return InPlace(s, kEncodingMacRoman, kEncodingUTF8); }
char* UTFToMacRoman(char* s) { return InPlace(s, kEncodingUTF8, kEncodingMacRoman); }
char* UTFToWindows(char* s) { return InPlace(s, kEncodingUTF8, kEncodingWindows); }

EncodedStr UTFToStr(const char* s, int32_t target, int32_t* lengthOut) {
  if (lengthOut) *lengthOut = 0;
  if (!s) return nullptr;
  int32_t source = kEncodingUTF8 | (strstr(s, "\r\n") ? kLineEndCRLF : kLineEndCR);
  return ChangeTextEncoding(s, 0, static_cast<int32_t>(strlen(s)) + 1, source, target, lengthOut);
}

UniChar UnicodeCharMajuscule(UniChar c) {
  const UnicodeCasePair* end = UnicodeMinToMaj + kUnicodeMinToMajCount - 1;
  const UnicodeCasePair* p =
      std::lower_bound(UnicodeMinToMaj, end, c, [](const UnicodeCasePair& e, UniChar x) { return e.lower < x; });
  return (p != end && p->lower == c) ? p->upper : c;
}

int32_t UnicodeStrLen(const UniChar* s) {
  int32_t n = 0;
  while (s && s[n]) n++;
  return n;
}

int16_t UniCharRLType(UniChar c) {
  if (c >= 0x0590 && c <= 0x05FF) return 2;
  if ((c >= 0x0600 && c <= 0x074F) || (c >= 0x0780 && c <= 0x07BF) || (c >= 0xFB50 && c <= 0xFDFF) ||
      (c >= 0xFE70 && c <= 0xFEFF))
    return 1;
  return 0;
}

namespace {
// Sequence length of a first byte, 0 for a byte that cannot start one.
int SequenceLength(uint8_t b) {
  if (b < 0x80) return 1;
  if (b < 0xC0) return 0;
  if (b <= 0xDF) return 2;
  if (b <= 0xEF) return 3;
  if (b <= 0xF7) return 4;
  if (b <= 0xFB) return 5;
  if (b <= 0xFD) return 6;
  return 0;
}
}  // namespace

int32_t UTFNextChar(const char* text, int32_t position, int32_t length) {
  if (!text || position >= length) return length;
  if (position < 0) return 0;
  const uint8_t* s = reinterpret_cast<const uint8_t*>(text);
  uint8_t b = s[position];
  if (b < 0x80) return position + 1;
  if (b >= 0xC0) {
    int n = SequenceLength(b);
    return (n && position + n <= length) ? position + n : position + 1;
  }
  if (position >= 2) {
    for (int32_t k = position - 1, seen = 0; k >= 0 && seen < 5; k--, seen++) {
      if (s[k] >= 0x80 && s[k] <= 0xBF) continue;
      int n = SequenceLength(s[k]);
      if (n > 1 && k + n > position) return k + n <= length ? k + n : length;
      break;
    }
  }
  return position + 1;
}

int32_t UTFPrevChar(const char* text, int32_t position, int32_t length) {
  if (!text || position <= 0) return 0;
  if (position > length) position = length;
  const uint8_t* s = reinterpret_cast<const uint8_t*>(text);
  if (position == 1 || s[position - 1] < 0x80) return position - 1;
  for (int32_t k = position - 1, seen = 0; k >= 0 && seen <= 6; k--, seen++) {
    if (s[k] >= 0x80 && s[k] <= 0xBF) continue;
    int n = SequenceLength(s[k]);
    if (n < 2 || k + n < position) return position - 1;
    return k;
  }
  return position - 1;
}

void SetHTMLDefault8BitEncoding(int32_t encoding) { gDefault8BitHTMLEncoding = encoding; }
int32_t GetHTMLDefault8BitEncoding() { return gDefault8BitHTMLEncoding; }
