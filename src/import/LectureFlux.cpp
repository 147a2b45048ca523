#include "import/LectureFlux.h"

#include <new>

#include "system/QrvFiles.h"

bool LitResteFlux(int64_t maximum, std::vector<uint8_t>* out) {
  if (!out) return false;
  out->clear();
  const int64_t taille = GetStreamRemaining();
  // A block read takes a 32-bit count.
  if (taille < 0 || taille > maximum || taille > INT32_MAX) return false;
  try {
    out->resize(size_t(taille));
  } catch (const std::bad_alloc&) {
    return false;
  }
  int32_t lus = taille ? ReadCarBlock(out->data(), int32_t(taille)) : 0;
  if (lus < 0) lus = 0;
  out->resize(size_t(lus));
  return true;
}
