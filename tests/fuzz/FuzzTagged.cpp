// Tagged data files: the first byte picks the kind and the source, the rest
// is the file. Neck files are read from a stdio file (bytes above 127 are
// word characters there) or from memory (they are blanks); effect presets
// from memory, as documents and the bundle hand them over.
#include <cstdio>

#include "FuzzCommon.h"
#include "platform/Memory.h"
#include "plugin/Necks.h"
#include "plugin/TagParam.h"
#include "sound/DonneesFX.h"
#include "sound/ParamFX.h"

namespace {

// What the neck loader does with one file: every "{" ... "}" section fills
// the same record.
void LitNeck() {
  Neck neck;
  std::memset(&neck, 0, sizeof neck);
  if (!TagWait("{", nullptr)) return;
  do {
    TagWaitPtr("}", LoadTraiteNeck, &neck);
  } while (TagWait("{", nullptr));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tamrel_fuzz::InitCommun();
  if (size < 2) return 0;
  const uint8_t genre = data[0] % 3;
  data++;
  size--;
  if (genre == 0) {
    FILE* f = fmemopen(const_cast<uint8_t*>(data), size, "rb");
    if (!f) return 0;
    TagSetFile(f);
    LitNeck();
    TagCloseFile();
    return 0;
  }
  Handle h = NewHandle(Size(size));
  if (!h) return 0;
  std::memcpy(*h, data, size);
  if (genre == 1) {
    TagSetMemory(h);
    LitNeck();
    TagSetMemory(nullptr);
  } else {
    ParamFX param;
    ChargeFXTagParamMem(h, &param);
  }
  DisposeHandle(h);
  return 0;
}
