#include "plugin/LectureDocument.h"

#include <cstdio>
#include <cstring>

#include "platform/Memory.h"
#include "system/QrvFiles.h"
#include "text/Fontes.h"
#include "text/TextEncodings.h"

uint16_t VersionQuarvelLoad = 0;

namespace {

// n big-endian bytes; 0 once the stream has ended.
uint32_t LitGrandBoutiste(int n) {
  uint32_t v = 0;
  for (int i = 0; i < n; i++) {
    const int16_t c = ReadCar();
    if (c < 0) return 0;
    v = (v << 8) | uint32_t(c);
  }
  return v;
}

// The stored length: one byte, 255 escaping to a 16-bit length; -1 for no
// string (or the end of the stream).
int32_t LitLongueurChaine() {
  const int16_t c = ReadCar();
  if (c < 0) return -1;
  if (c != 255) return c;
  const int16_t a = ReadCar(), b = ReadCar();
  if (a < 0 || b < 0) return -1;
  const int16_t longueur = int16_t(uint16_t((a << 8) | b));
  return longueur < 0 ? -1 : longueur;
}

// Back to the start of a UTF-8 character, so a cut never splits one.
int32_t CoupeUTF8(const char* s, int32_t n) {
  int32_t i = n;
  while (i > 0 && (uint8_t(s[i]) & 0xC0) == 0x80) i--;
  return i;
}

}  // namespace

int16_t ReadShort() { return int16_t(uint16_t(LitGrandBoutiste(2))); }
int32_t ReadLong() { return int32_t(LitGrandBoutiste(4)); }

float ReadFloat() {
  const uint32_t bits = LitGrandBoutiste(4);
  float f;
  std::memcpy(&f, &bits, sizeof f);
  return f;
}

void ReadRect(Rect* r) {
  Rect lu;
  lu.left = ReadShort();
  lu.top = ReadShort();
  lu.right = ReadShort();
  lu.bottom = ReadShort();
  if (r) *r = lu;
}

void ReadBigRect(BigRect* r) {
  BigRect lu;
  lu.left = ReadLong();
  lu.top = ReadLong();
  lu.right = ReadLong();
  lu.bottom = ReadLong();
  if (r) *r = lu;
}

void ReadBlock(void* dst, int32_t n) {
  if (n <= 0) return;
  const int32_t lu = dst ? ReadCarBlock(dst, n) : 0;
  if (dst && lu < n) std::memset(static_cast<uint8_t*>(dst) + (lu < 0 ? 0 : lu), 0, size_t(n - (lu < 0 ? 0 : lu)));
  if (!dst) ReadGap(n);
}

void ReadGap(int32_t n) {
  for (int32_t i = 0; i < n; i++)
    if (ReadCar() < 0) return;
}

bool WriteBlock(const void* src, int32_t n) {
  if (n <= 0) return true;
  if (!src) return false;
  if (ioCustom.memoire && ioCustom.extensible && !PrepareEcritureHandle(n)) return false;
  const auto* p = static_cast<const uint8_t*>(src);
  for (int32_t i = 0; i < n; i++)
    if (!WriteCar(p[i])) return false;
  return true;
}

bool ReadString(char* buffer, uint16_t size) {
  if (buffer && size > 0) buffer[0] = 0;
  const int32_t longueur = LitLongueurChaine();
  if (longueur < 0) return false;
  const int32_t garde = (!buffer || size == 0) ? 0 : (longueur < size ? longueur : size - 1);
  int32_t lu = garde > 0 ? ReadCarBlock(buffer, garde) : 0;
  if (lu < 0) lu = 0;
  if (buffer && size > 0) {
    if (VersionQuarvelLoad < 0x920) {
      int32_t j = 0;
      for (int32_t i = 0; i < lu; i++)
        if (uint8_t(buffer[i]) < 1 || uint8_t(buffer[i]) > 8) buffer[j++] = buffer[i];
      lu = j;
    }
    buffer[lu] = 0;
  }
  ReadGap(longueur - garde);
  return true;
}

bool ReadUTFString(char* buffer, int16_t size) {
  if (size <= 0) {
    ReadString(nullptr, 0);
    return false;
  }
  if (!ReadString(buffer, uint16_t(size))) return false;
  if (VersionQuarvelLoad < 0x920 && buffer[0]) {
    int32_t longueur = 0;
    EncodedStr utf = MacRomanTextToUTF(0, buffer, int32_t(std::strlen(buffer)), &longueur);
    if (utf) {
      if (longueur > size - 1) longueur = CoupeUTF8(utf, size - 1);
      std::memcpy(buffer, utf, size_t(longueur));
      buffer[longueur] = 0;
      DisposeEncodedStr(utf);
    }
  }
  return true;
}

namespace {

// Items no stored collection comes near, and the largest item read into memory.
constexpr int32_t kMaxItemsCollection = 65536;
constexpr int32_t kMaxTailleItemCollection = 16 * 1024 * 1024;
// Tag, id, size and attributes.
constexpr int32_t kTailleEnteteItem = 16;

}  // namespace

Collection ReadCollection() {
  const int32_t nombre = ReadLong();
  if (nombre == 0 || EndOfFile()) return nullptr;
  Collection c = NewCollection();
  if (nombre < 0) return c;
  if (nombre > kMaxItemsCollection || int64_t(nombre) * kTailleEnteteItem > GetStreamRemaining()) {
    DisposeCollection(c);
    ioCustom.finFichier = 1;
    return nullptr;
  }
  for (int32_t i = 0; i < nombre; i++) {
    const uint32_t tag = uint32_t(ReadLong());
    const int32_t id = ReadLong();
    const int32_t taille = ReadLong();
    ReadGap(4);
    if (EndOfFile() || taille > kMaxTailleItemCollection || int64_t(taille) > GetStreamRemaining()) {
      DisposeCollection(c);
      ioCustom.finFichier = 1;
      return nullptr;
    }
    if (taille <= 0) {
      if (c) AddCollectionItem(c, tag, id, 0, nullptr);
      continue;
    }
    if (!c) {
      // No collection: the items are still read past, so the stream stays in step.
      ReadGap(taille);
      continue;
    }
    Ptr donnees = NewPtr(taille);
    if (!donnees) {
      DisposeCollection(c);
      return nullptr;
    }
    ReadBlock(donnees, taille);
    AddCollectionItem(c, tag, id, taille, donnees);
    DisposePtr(donnees);
  }
  return c;
}

void StoreFontError(const char* askedName, const char* usedName, int16_t, bool substituted) {
  if (substituted) {
    char texte[512];
    std::snprintf(texte, sizeof texte, "%s=>%s", askedName ? askedName : "", usedName ? usedName : "");
    AddFontInconnue(texte, 1);
  } else {
    AddFontInconnue(askedName ? askedName : "", 0);
  }
}
