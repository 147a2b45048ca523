#include "plugin/LectureDocument.h"

#include "system/QrvFiles.h"

bool ReadString(char* buffer, uint16_t size) {
  if (buffer && size > 0) buffer[0] = 0;
  int16_t c = ReadCar();
  if (c < 0) return false;
  int32_t length = c;
  if (c == 255) {
    int16_t a = ReadCar(), b = ReadCar();
    if (a < 0 || b < 0) return false;
    length = int16_t(uint16_t((a << 8) | b));
    if (length < 0) return false;  // no string
  }
  int32_t kept = length;
  if (!buffer || size == 0) kept = 0;
  else if (kept > size - 1) kept = size - 1;
  int32_t lu = kept > 0 ? ReadCarBlock(buffer, kept) : 0;
  if (buffer && size > 0) buffer[lu < 0 ? 0 : lu] = 0;
  for (int32_t i = kept; i < length && ReadCar() >= 0; i++) {
  }
  return true;
}

// The record readers below wait for the loader's string and style readers:
// until then a document that stores one cannot be read further.
static int16_t IllisibleJusquaLecteur() {
  ioCustom.finFichier = 1;
  return 0;
}

int16_t ReadAspectGraphiquePortee(AspectGraphiquePortee*) { return IllisibleJusquaLecteur(); }
int16_t ReadMiseEnPage(MiseEnPage*) { return IllisibleJusquaLecteur(); }
int16_t ReadStrTitre(StrTitre*) { return IllisibleJusquaLecteur(); }

int16_t ReadTabEltMesure(Handle, int32_t count) {
  if (count <= 0) return 1;
  return IllisibleJusquaLecteur();
}
