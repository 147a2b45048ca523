#include "plugin/TagParam.h"

#include <locale.h>
#include <sys/stat.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/Memory.h"

namespace {

// The one source of the process. A memory block, when set, wins over the file.
FILE* fglob = nullptr;
Handle hglob = nullptr;
int32_t posGlob = 0;
// The last value the file gave; the end of the file reads as 65535.
uint16_t tagLastCarRead = 0;

bool FinEntree() {
  if (hglob) return posGlob >= GetHandleSize(hglob);
  if (!fglob) return true;
  return tagLastCarRead == 65535 || std::feof(fglob);
}

// The next character, compared as a signed code: memory bytes above 127 come
// out negative, file bytes as 128 to 255. False at the end of the input, so a
// block's last byte reads like any other.
bool LitCar(int* c) {
  if (hglob) {
    if (posGlob >= GetHandleSize(hglob)) return false;
    *c = int(int8_t((*hglob)[posGlob++]));
    return true;
  }
  if (!fglob) return false;
  const int v = std::fgetc(fglob);
  tagLastCarRead = uint16_t(v);
  if (v == EOF) return false;
  *c = v;
  return true;
}

// A digit position of a hexadecimal block: control characters do not count.
bool LitChiffre(int* c) {
  do {
    if (!LitCar(c)) return false;
  } while (*c < 32);
  return true;
}

long LitEntier(long minimum, long maximum) {
  char mot[kTagLongueurMot + 1];
  if (!TagReadMotScan(mot, kTagLongueurMot)) return 0;
  // The leading number only; what follows it in the word is ignored.
  const long v = std::strtol(mot, nullptr, 10);
  return v < minimum ? minimum : (v > maximum ? maximum : v);
}

// Files are written with a full stop whatever the reader's locale.
locale_t LocaleC() {
  static locale_t c = newlocale(LC_ALL_MASK, "C", locale_t(0));
  return c;
}

}  // namespace

FILE* TagSetFile(FILE* file) {
  FILE* ancien = fglob;
  fglob = file;
  hglob = nullptr;
  tagLastCarRead = 0;
  return ancien;
}

Handle TagSetMemory(Handle block) {
  Handle ancien = hglob;
  hglob = block;
  posGlob = 0;
  return ancien;
}

void TagCloseFile() {
  if (fglob) std::fclose(fglob);
  fglob = nullptr;
}

bool TagReadMotScan(char* buffer, int limit) {
  if (!buffer || limit < 1 || FinEntree()) return false;
  int c;
  do {
    if (!LitCar(&c)) {
      buffer[0] = 0;
      return true;
    }
  } while (c <= 32);
  int n = 0;
  buffer[n++] = char(c);
  // The character that ends the word is consumed with it; past the limit it
  // is lost and the rest of the word reads as the next word.
  while (LitCar(&c) && c >= 46 && n < limit) buffer[n++] = char(c);
  buffer[n] = 0;
  return true;
}

int16_t TagReadShort() { return int16_t(LitEntier(INT16_MIN, INT16_MAX)); }

int32_t TagReadLong() { return int32_t(LitEntier(INT32_MIN, INT32_MAX)); }

float TagReadFloat() {
  char mot[kTagLongueurMot + 1];
  if (!TagReadMotScan(mot, kTagLongueurMot)) return 0;
  const locale_t c = LocaleC();
  float v = c ? strtof_l(mot, nullptr, c) : std::strtof(mot, nullptr);
  if (std::isnan(v)) return 0;
  if (std::isinf(v)) v = v > 0 ? FLT_MAX : -FLT_MAX;
  return v;
}

void TagReadStringGuillemet(char* buffer, int32_t size) {
  if (FinEntree()) return;
  const bool stocke = buffer && size > 0;
  int c;
  do {
    if (!LitCar(&c)) {
      if (stocke) buffer[0] = 0;
      return;
    }
  } while (c != '"');
  int32_t n = 0;
  while (LitCar(&c) && c != '"')
    if (stocke && n < size - 1) buffer[n++] = char(c);
  if (stocke) buffer[n] = 0;
}

void TagReadBlock(void* buffer, int32_t size) {
  auto* octets = static_cast<uint8_t*>(buffer);
  if (!octets || size < 0) size = 0;
  if (size > 0) std::memset(octets, 0, size_t(size));
  int c;
  do {
    if (!LitCar(&c)) return;
  } while (c != '<');
  for (int32_t i = 0; i < size; i++) {
    int a, b;
    if (!LitChiffre(&a) || a == '>') return;
    // A lone digit before '>' or the end stores nothing.
    if (!LitChiffre(&b) || b == '>') return;
    const char paire[3] = {char(a), char(b), 0};
    octets[i] = uint8_t(std::strtol(paire, nullptr, 16));
  }
}

bool TagReadRawBlock(void* buffer, int32_t n) {
  if (n < 0 || (n > 0 && !buffer)) return false;
  if (n == 0) return true;
  if (hglob) {
    const int32_t reste = GetHandleSize(hglob) - posGlob;
    const int32_t k = reste <= 0 ? 0 : (reste < n ? reste : n);
    if (k > 0) std::memcpy(buffer, *hglob + posGlob, size_t(k));
    posGlob += k;
    return k == n;
  }
  if (!fglob) return false;
  return std::fread(buffer, 1, size_t(n), fglob) == size_t(n);
}

int64_t TagResteSource() {
  if (hglob) {
    const int64_t reste = int64_t(GetHandleSize(hglob)) - posGlob;
    return reste < 0 ? 0 : reste;
  }
  if (!fglob) return 0;
  struct stat etat;
  const long position = std::ftell(fglob);
  if (position < 0 || fstat(fileno(fglob), &etat) != 0 || !S_ISREG(etat.st_mode)) return INT64_MAX;
  const int64_t reste = int64_t(etat.st_size) - position;
  return reste < 0 ? 0 : reste;
}

bool TagWait(const char* keyword, TagHandler handler) {
  if (!keyword) return false;
  char mot[kTagLongueurMot + 1];
  while (TagReadMotScan(mot, kTagLongueurMot)) {
    if (std::strcmp(mot, keyword) == 0) return true;
    if (handler && !handler(mot)) return false;
  }
  return false;
}

bool TagWaitPtr(const char* keyword, TagHandlerPtr handler, void* context) {
  if (!keyword) return false;
  char mot[kTagLongueurMot + 1];
  while (TagReadMotScan(mot, kTagLongueurMot)) {
    if (std::strcmp(mot, keyword) == 0) return true;
    if (handler && !handler(mot, context)) return false;
  }
  return false;
}
