#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "platform/Memory.h"
#include "platform/SpecialFolders.h"
#include "support/Ar002TestEncoder.h"
#include "system/Ar002.h"

namespace {

// Packs a string of '0'/'1' (blanks ignored), padding the last byte with 0.
std::vector<uint8_t> Bits(const std::string& bits) {
  std::vector<uint8_t> out;
  int n = 0;
  for (char c : bits) {
    if (c == ' ') continue;
    if (n % 8 == 0) out.push_back(0);
    if (c == '1') out.back() |= uint8_t(0x80 >> (n % 8));
    n++;
  }
  return out;
}

std::vector<uint8_t> Container(uint32_t unpacked, const std::vector<uint8_t>& packed) {
  std::vector<uint8_t> out;
  for (uint32_t v : {unpacked, uint32_t(packed.size())})
    for (int s = 24; s >= 0; s -= 8) out.push_back(uint8_t(v >> s));
  out.insert(out.end(), packed.begin(), packed.end());
  return out;
}

std::string Text(Handle h) { return std::string(*h, size_t(GetHandleSize(h))); }

// One lh5 block by hand: literals 'A' and 'B', then a match of 5 at distance 2.
// Literal-and-length code: 'A' 0, 'B' 10, length symbol 258 11. Code-length
// code: symbol 2 (a long zero run) 0, symbol 3 (length 1) 10, symbol 4
// (length 2) 11. The position code has one symbol (1) and takes no bits.
const char* kHandBlock =
    "0000000000000011"                            // 3 symbols in the block
    "00101 000 000 001 00 010 010"                // code-length code: 5 lengths, 2 zeros skipped after the third: none
    "100000011 0 000101101 10 11 0 010101011 11"  // 259 lengths: 65 zeros, 1, 2, 191 zeros, 2
    "0000 0001"                                   // position code: single symbol 1
    "0 10 11";                                    // 'A', 'B', match (position 1: distance 2)

class Ar002 : public ::testing::Test {
 protected:
  // Damaged tables are reported to the error log: keep it out of the way.
  void SetUp() override {
    char pattern[] = "/tmp/tamrel-ar-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder_ = pattern;
    saved_ = GetApplicationFolderPath();
    SetApplicationFolderPath(folder_.c_str());
  }
  void TearDown() override {
    SetApplicationFolderPath(saved_.c_str());
    std::remove(Log().c_str());
    rmdir(folder_.c_str());
  }
  std::string Log() const { return folder_ + "/Selvane.err"; }
  std::string LogText() const {
    std::ifstream in(Log());
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  std::string folder_, saved_;
};

}  // namespace

TEST_F(Ar002, HandBuiltBlockDecodes) {
  std::vector<uint8_t> c = Container(7, Bits(kHandBlock));
  Handle h = UnZip(c.data(), c.size());
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(Text(h), "ABABABA");
  DisposeHandle(h);
}

TEST_F(Ar002, StoredContainerIsCopied) {
  std::vector<uint8_t> c = Container(5, {'h', 'e', 'l', 'l', 'o'});
  Handle h = UnZip(c.data(), c.size());
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(Text(h), "hello");
  DisposeHandle(h);
}

TEST_F(Ar002, PackedDataRoundTrips) {
  std::mt19937 rng(77);
  const char* words[] = {"clef ", "note ", "staff ", "bar ", "tempo ", "\n", "tie ", "slur "};
  std::vector<uint8_t> text;
  while (text.size() < 60000)
    for (const char* p = words[rng() % 8]; *p; p++) text.push_back(uint8_t(*p));
  std::vector<uint8_t> noise(20000);
  for (auto& b : noise) b = uint8_t(rng());
  std::vector<uint8_t> runs(100000, 0);
  for (size_t i = 50000; i < runs.size(); i++) runs[i] = uint8_t(i / 3000);

  struct Case {
    const char* name;
    const std::vector<uint8_t>* data;
    uint32_t blockSymbols;
  } cases[] = {
      {"text", &text, 16384}, {"text, small blocks", &text, 300}, {"noise", &noise, 16384}, {"runs", &runs, 1000}};
  for (const Case& k : cases) {
    std::vector<uint8_t> c = tamrel_test::Ar002TestContainer(*k.data, k.blockSymbols);
    ASSERT_NE(c.size() - 8, k.data->size()) << k.name;  // must not look stored
    Handle h = UnZip(c.data(), c.size());
    ASSERT_NE(h, nullptr) << k.name;
    ASSERT_EQ(size_t(GetHandleSize(h)), k.data->size()) << k.name;
    EXPECT_EQ(std::memcmp(*h, k.data->data(), k.data->size()), 0) << k.name;
    DisposeHandle(h);
  }
  EXPECT_EQ(LogText(), "");
}

TEST_F(Ar002, DecodesBetweenStdioFiles) {
  std::vector<uint8_t> data(30000);
  for (size_t i = 0; i < data.size(); i++) data[i] = uint8_t("abcabd"[i % 6] + i / 5000);
  std::vector<uint8_t> packed = tamrel_test::Ar002TestPack(data.data(), data.size());
  FILE* in = tmpfile();
  FILE* out = tmpfile();
  ASSERT_TRUE(in && out);
  fwrite(packed.data(), 1, packed.size(), in);
  rewind(in);
  EXPECT_EQ(DecodeAR(1, in, uint32_t(packed.size()), 1, out, uint32_t(data.size())), int32_t(data.size()));
  rewind(out);
  std::vector<uint8_t> back(data.size() + 1);
  EXPECT_EQ(fread(back.data(), 1, back.size(), out), data.size());
  back.resize(data.size());
  EXPECT_TRUE(back == data);
  fclose(in);
  fclose(out);
}

TEST_F(Ar002, BadTableIsReportedAndRefused) {
  // Three code-length lengths of 1: more codes than the code space holds.
  std::vector<uint8_t> c = Container(7, Bits("0000000000000011 00011 001 001 001 00"));
  EXPECT_EQ(UnZip(c.data(), c.size()), nullptr);
  std::string log = LogText();
  EXPECT_NE(log.find("ACAMERR: Unrecoverable error while unpacking file: Bad table"), std::string::npos) << log;
}

TEST_F(Ar002, ContainersThatLieAboutTheirSizesAreRefused) {
  std::vector<uint8_t> good = Container(7, Bits(kHandBlock));
  // Packed size past the end of the data.
  std::vector<uint8_t> longer = good;
  longer[7] += 1;
  EXPECT_EQ(UnZip(longer.data(), longer.size()), nullptr);
  // The data stops before the block does: bits past the packed size read as 0.
  std::vector<uint8_t> cut(good.begin(), good.end() - 1);
  cut[7] -= 1;
  EXPECT_EQ(UnZip(cut.data(), cut.size()), nullptr);
  // More output asked than the block holds: the decoder runs into missing bits.
  std::vector<uint8_t> more = good;
  more[3] = 200;
  EXPECT_EQ(UnZip(more.data(), more.size()), nullptr);
  // An unpacked size beyond any picture.
  std::vector<uint8_t> huge = good;
  huge[0] = 0x7F;
  EXPECT_EQ(UnZip(huge.data(), huge.size()), nullptr);
  EXPECT_EQ(UnZip(good.data(), 7), nullptr);
}
