#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "system/Scellement.h"

namespace {

std::string Hex(const uint8_t* d, int n) {
  std::string s;
  char b[3];
  for (int i = 0; i < n; ++i) {
    std::snprintf(b, sizeof b, "%02x", d[i]);
    s += b;
  }
  return s;
}

std::string Digest(const std::string& text) {
  MD5Context c;
  MD5Init(&c);
  MD5Update(&c, text.data(), uint32_t(text.size()));
  uint8_t d[16];
  MD5Final(d, &c);
  return Hex(d, 16);
}

}  // namespace

TEST(Scellement, DigestsMatchTheRfcTestSuite) {
  struct Case {
    std::string text;
    const char* digest;
  } cases[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57edf4a22be3c955ac49da2e2107b67a"},
      {std::string(55, 'a'), "ef1772b6dff9a122358552954ad0df65"},  // padding fits the last block
      {std::string(56, 'a'), "3b0c8ac703f828b04c6c197006d17218"},  // padding needs one more block
  };
  for (const Case& k : cases) EXPECT_EQ(Digest(k.text), k.digest) << k.text.size() << " bytes";
}

TEST(Scellement, SealFoldsTheDigest) {
  BeginScellement();
  EXPECT_EQ(EndScellement(), 0x5e65753bu);

  // abc: 90015098 ^ 3cd24fb0 ^ d6963f7d ^ 28e17f72
  BeginScellement();
  AddScellement("abc", 3);
  EXPECT_EQ(EndScellement(), 0x90015098u ^ 0x3cd24fb0u ^ 0xd6963f7du ^ 0x28e17f72u);

  // The same bytes fed whole or in pieces across block boundaries.
  std::string text;
  for (int i = 0; i < 300; ++i) text += char(i * 7);
  BeginScellement();
  AddScellement(text.data(), uint32_t(text.size()));
  const uint32_t whole = EndScellement();
  BeginScellement();
  for (size_t at = 0, step = 1; at < text.size(); at += step, step = step * 3 % 71 + 1)
    AddScellement(text.data() + at, uint32_t(std::min(step, text.size() - at)));
  EXPECT_EQ(EndScellement(), whole);
}
