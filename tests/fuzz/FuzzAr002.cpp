// ar002 containers (pictures inside imported documents).
#include "FuzzCommon.h"
#include "platform/Memory.h"
#include "system/Ar002.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tamrel_fuzz::InitCommun();
  tamrel_fuzz::Exact in(data, size);
  if (Handle h = UnZip(in.p, in.n)) DisposeHandle(h);
  return 0;
}
