#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "system/RiceBlocks.h"

namespace {

// Packs k and a string of '0'/'1' (blanks ignored) into a block, padding with 0.
std::vector<uint8_t> Block(uint8_t k, const std::string& bits) {
  std::vector<uint8_t> out{k};
  int n = 0;
  for (char c : bits) {
    if (c == ' ') continue;
    if (n % 8 == 0) out.push_back(0);
    if (c == '1') out.back() |= uint8_t(0x80 >> (n % 8));
    n++;
  }
  return out;
}

}  // namespace

TEST(RiceBlocks, RawWordsWhenKIsZero) {
  std::vector<uint8_t> b{0, 0x12, 0x34, 0x56, 0x78, 0xFF, 0xFF, 0xFF, 0xFE};
  int32_t v[2];
  EXPECT_EQ(RiceDecodeBlock(b.data(), b.size(), v, 2, 0), 1);
  EXPECT_EQ(v[0], 0x12345678);
  EXPECT_EQ(v[1], -2);
  // One word short: the missing value is 0 and the block is refused.
  EXPECT_EQ(RiceDecodeBlock(b.data(), b.size() - 1, v, 2, 0), 0);
  EXPECT_EQ(v[0], 0x12345678);
  EXPECT_EQ(v[1], 0);
}

TEST(RiceBlocks, PrefixWidensTheValueAndLowBitIsTheSign) {
  // k = 2: "0 10" is 2 (q = 0, two bits); "10 0011" is 3 (q = 1, four bits).
  std::vector<uint8_t> b = Block(2, "0 10  10 0011");
  int32_t v[4];
  ASSERT_EQ(RiceDecodeBlock(b.data(), b.size(), v, 2, 0), 1);
  EXPECT_EQ(v[0], 2);
  EXPECT_EQ(v[1], 3);
  ASSERT_EQ(RiceDecodeBlock(b.data(), b.size(), v, 2, 1), 1);
  EXPECT_EQ(v[0], 1);
  EXPECT_EQ(v[1], -1);
}

TEST(RiceBlocks, AtMostThirtyTwoValueBitsAreRead) {
  // k = 16 and q = 3 would give 64 bits: only 32 are read, and the next value
  // starts right after them.
  std::vector<uint8_t> b = Block(16, "1110 11011110101011011011111011101111  0 0000000000000101");
  int32_t v[2];
  ASSERT_EQ(RiceDecodeBlock(b.data(), b.size(), v, 2, 0), 1);
  EXPECT_EQ(uint32_t(v[0]), 0xDEADBEEFu);
  EXPECT_EQ(v[1], 5);
}

TEST(RiceBlocks, RunningOutOfBitsFailsCleanly) {
  std::vector<uint8_t> b = Block(2, "0 10  10 0011");  // 16 bits: four values fit, a fifth does not
  int32_t v[5];
  EXPECT_EQ(RiceDecodeBlock(b.data(), b.size(), v, 4, 0), 1);
  EXPECT_EQ(RiceDecodeBlock(b.data(), b.size(), v, 5, 0), 0);
  EXPECT_EQ(v[4], 0);
  // A prefix of ones that never ends.
  std::vector<uint8_t> ones{3, 0xFF, 0xFF, 0xFF};
  EXPECT_EQ(RiceDecodeBlock(ones.data(), ones.size(), v, 1, 1), 0);
  EXPECT_EQ(RiceDecodeBlock(ones.data(), 0, v, 1, 1), 0);
}
