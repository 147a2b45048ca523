#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "system/LZW.h"

namespace {

std::vector<uint8_t> Code(const std::vector<uint8_t>& in, FILE* f) {
  EXPECT_EQ(InitCodeLZW(), 1);
  for (uint8_t c : in) EXPECT_EQ(PutcLZW(c, f), 0);
  EndCodeLZW(f);
  long n = ftell(f);
  std::vector<uint8_t> out(size_t(n > 0 ? n : 0));
  rewind(f);
  if (!out.empty()) {
    EXPECT_EQ(fread(out.data(), 1, out.size(), f), out.size());
  }
  return out;
}

std::vector<uint8_t> Aleatoire(size_t n, int alphabet, unsigned graine) {
  std::mt19937 g(graine);
  std::vector<uint8_t> v(n);
  for (auto& c : v) c = uint8_t(g() % unsigned(alphabet));
  return v;
}

}  // namespace

TEST(LZW, SevenBytesGiveFourNineBitCodesPaddedToFiveBytes) {
  FILE* f = tmpfile();
  ASSERT_NE(f, nullptr);
  std::vector<uint8_t> in = {'A', 'B', 'A', 'B', 'A', 'B', 'A'};
  // Codes 65, 66, 256, 258 in 9 bits, then four zero bits.
  EXPECT_EQ(Code(in, f), (std::vector<uint8_t>{0x20, 0x90, 0xA0, 0x10, 0x20}));
  rewind(f);
  InitDecodeLZW(f);
  std::vector<uint8_t> out;
  for (int c; (c = GetcLZW(f)) >= 0;) out.push_back(uint8_t(c));
  EXPECT_EQ(out, in);
  EXPECT_TRUE(IsFinDecodeLZW());
  EndDecodeLZW(f);
  fclose(f);
}

// Each stretch decodes to exactly its input, and ending the decoder right after
// its last byte leaves the file on the first byte after the coded data.
TEST(LZW, RoundTripsAcrossDictionaryResetsAndLongStrings) {
  struct Cas {
    const char* nom;
    std::vector<uint8_t> octets;
  };
  std::vector<Cas> cas = {
      {"empty", {}},
      {"one byte", {0xFF}},
      {"random, many resets", Aleatoire(200000, 256, 1)},
      {"small alphabet", Aleatoire(300000, 3, 2)},
      // Strings as long as the dictionary allows.
      {"one long run", std::vector<uint8_t>(8000000, 'x')},
  };
  for (const Cas& c : cas) {
    SCOPED_TRACE(c.nom);
    FILE* f = tmpfile();
    ASSERT_NE(f, nullptr);
    InitCodeLZW();
    for (uint8_t b : c.octets) PutcLZW(b, f);
    EndCodeLZW(f);
    fputs("RAW", f);
    rewind(f);
    InitDecodeLZW(f);
    size_t i = 0;
    bool pareil = true;
    for (; i < c.octets.size(); i++) {
      int16_t b = GetcLZW(f);
      if (b != c.octets[i]) {
        pareil = false;
        break;
      }
    }
    EXPECT_TRUE(pareil) << "first difference at " << i;
    EndDecodeLZW(f);
    EXPECT_EQ(getc(f), 'R');
    fclose(f);
  }
}

TEST(LZW, EmptyAndDamagedStretchesEndCleanly) {
  FILE* f = tmpfile();
  ASSERT_NE(f, nullptr);
  InitDecodeLZW(f);  // end of file at once
  EXPECT_EQ(GetcLZW(f), -1);
  EXPECT_EQ(GetcLZW(f), -1);
  EndDecodeLZW(f);

  // A first code of 511 names no string; 'A' then code 300 (beyond the
  // dictionary) stops after the byte already decoded.
  const uint8_t damaged[][3] = {{0xFF, 0xFF, 0x00}, {0x20, 0xCB, 0x00}};
  for (const auto& d : damaged) {
    rewind(f);
    ASSERT_EQ(fwrite(d, 1, 3, f), 3u);
    rewind(f);
    InitDecodeLZW(f);
    std::string out;
    for (int c, n = 0; (c = GetcLZW(f)) >= 0 && n < 10; n++) out.push_back(char(c));
    EXPECT_EQ(out, d[0] == 0x20 ? "A" : "");
    EXPECT_EQ(GetcLZW(f), -1);  // and it stays over
    EndDecodeLZW(f);
  }
  fclose(f);
}
