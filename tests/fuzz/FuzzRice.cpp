// Rice-coded blocks: the first byte gives the value count (0 to 127) and
// whether values are signed, the rest is the block.
#include <vector>

#include "FuzzCommon.h"
#include "system/RiceBlocks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tamrel_fuzz::InitCommun();
  if (size == 0) return 0;
  const uint32_t count = data[0] & 0x7F;
  tamrel_fuzz::Exact in(data + 1, size - 1);
  std::vector<int32_t> values(count + 1);
  RiceDecodeBlock(in.p, in.n, values.data(), count, uint8_t(data[0] >> 7));
  return 0;
}
