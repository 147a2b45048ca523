// zlib-packed handles under a ceiling, as documents hand them over.
#include "FuzzCommon.h"
#include "platform/Memory.h"
#include "system/ZlibGlue.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tamrel_fuzz::InitCommun();
  Handle h = NewHandle(Size(size));
  if (!h) return 0;
  if (size) std::memcpy(*h, data, size);
  if (Handle out = RozoUnZipHandleAndFree(h, 1 << 22)) DisposeHandle(out);
  return 0;
}
