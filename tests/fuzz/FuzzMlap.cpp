// MLAP sample streams into a bounded sink, as the sound code gives it.
#include "FuzzCommon.h"
#include "system/Mlap.h"
#include "system/PackStreams.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tamrel_fuzz::InitCommun();
  static uint8_t sink[1 << 18];
  tamrel_fuzz::Exact in(data, size);
  PackStream* src = InitPackStreamPtr(in.p, uint32_t(in.n), 0, 0);
  PackStream* dst = InitPackStreamPtr(sink, sizeof sink, 0, 1);
  if (src && dst) UnpackWholeStream(src, dst);
  DisposePackStream(src);
  DisposePackStream(dst);
  return 0;
}
