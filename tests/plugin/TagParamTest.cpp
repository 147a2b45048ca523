// The tagged-file tokenizer: words and what ends them, numbers, quoted
// strings, hexadecimal and raw blocks, keyword waits, and which source reads.
#include <gtest/gtest.h>

#include <cfloat>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/Memory.h"
#include "plugin/TagParam.h"

namespace {

// A memory source over a copy of the text, freed after the test; no memory
// source stays selected once the block is gone.
class Source : public ::testing::Test {
 protected:
  Handle bloc = nullptr;
  FILE* fichier = nullptr;
  void Memoire(const std::string& texte) {
    Libere();
    bloc = NewHandle(Size(texte.size()));
    ASSERT_NE(bloc, nullptr);
    if (!texte.empty()) std::memcpy(*bloc, texte.data(), texte.size());
    TagSetMemory(bloc);
  }
  void Fichier(const std::string& texte) {
    fichier = std::tmpfile();
    ASSERT_NE(fichier, nullptr);
    std::fwrite(texte.data(), 1, texte.size(), fichier);
    std::rewind(fichier);
    TagSetFile(fichier);
  }
  void Libere() {
    TagSetMemory(nullptr);
    if (bloc) DisposeHandle(bloc);
    bloc = nullptr;
  }
  void TearDown() override {
    Libere();
    if (fichier) TagCloseFile();
    TagSetFile(nullptr);
  }
  std::vector<std::string> Mots(int limite = kTagLongueurMot) {
    std::vector<std::string> mots;
    char mot[kTagLongueurMot + 1];
    while (TagReadMotScan(mot, limite)) mots.push_back(mot);
    return mots;
  }
};

typedef std::vector<std::string> Liste;

}  // namespace

TEST_F(Source, WordsAndWhatEndsThem) {
  struct Cas {
    const char* texte;
    Liste mots;
  } cas[] = {
      {"  ID\t12\r\n", {"ID", "12", ""}},  // trailing blanks: one empty word
      {"abc", {"abc"}},                    // a block's last byte stays in its word
      {"-12 3-4", {"-12", "3", "4"}},      // a minus leads a word, a hyphen splits
      {"{Pch 40 }", {"{Pch", "40", "}"}},  // a brace against a key is one word
      {"a/b:c_d<e>", {"a/b:c_d<e>"}},      // codes from '.' up stay in the word
      {"x!y\"z(w", {"x", "y", "z", "w"}},  // punctuation below '.' ends it, consumed
      {"ab\xC3\xA9"
       "cd",
       {"ab", "cd"}},  // high bytes of memory are blanks
      {"", {}},
      {"   ", {""}},
  };
  for (const Cas& c : cas) {
    Memoire(c.texte);
    EXPECT_EQ(Mots(), c.mots) << c.texte;
  }
  // Read from a file, bytes above 127 are word characters.
  Fichier(
      "ab\xC3\xA9"
      "cd ef");
  EXPECT_EQ(Mots(), (Liste{"ab\xC3\xA9"
                           "cd",
                           "ef"}));
}

TEST_F(Source, AWordOverTheLimitLosesTheCharacterAfterIt) {
  Memoire("abcdefgh ij");
  EXPECT_EQ(Mots(4), (Liste{"abcd", "fgh", "ij"}));
}

TEST_F(Source, NumbersTakeTheLeadingNumberClamped) {
  struct Cas {
    const char* mot;
    int16_t court;
    int32_t long_;
    float flottant;
  } cas[] = {
      {"12", 12, 12, 12.0f},
      {"-7", -7, -7, -7.0f},
      {"+5", 5, 5, 5.0f},
      {"12abc", 12, 12, 12.0f},
      {"abc", 0, 0, 0.0f},
      {"-", 0, 0, 0.0f},
      {"40000", 32767, 40000, 40000.0f},
      {"-40000", -32768, -40000, -40000.0f},
      {"99999999999", 32767, INT32_MAX, 99999999999.0f},
      {"-99999999999", -32768, INT32_MIN, -99999999999.0f},
      {"2.75", 2, 2, 2.75f},
      {"1e50", 1, 1, FLT_MAX},
      {"-1e50", -1, -1, -FLT_MAX},
      {"nan", 0, 0, 0.0f},
  };
  for (const Cas& c : cas) {
    Memoire(c.mot);
    EXPECT_EQ(TagReadShort(), c.court) << c.mot;
    Memoire(c.mot);
    EXPECT_EQ(TagReadLong(), c.long_) << c.mot;
    Memoire(c.mot);
    EXPECT_EQ(TagReadFloat(), c.flottant) << c.mot;
  }
}

TEST_F(Source, AKeyItsNumberAndThenTheEnd) {
  for (int f = 0; f < 2; f++) {
    if (f) Fichier("ID 1001");
    else Memoire("ID 1001");
    EXPECT_TRUE(TagWait("ID", nullptr));
    EXPECT_EQ(TagReadLong(), 1001);
    EXPECT_EQ(TagReadShort(), 0);
    EXPECT_EQ(TagReadFloat(), 0.0f);
    char mot[kTagLongueurMot + 1];
    EXPECT_FALSE(TagReadMotScan(mot, kTagLongueurMot));
    EXPECT_FALSE(TagWait("ID", nullptr));
  }
}

TEST_F(Source, QuotedStrings) {
  char s[8];
  // Cut to the buffer, still read up to the closing quote.
  Memoire("Name \"Mountain\nDulcimer\" next");
  TagWait("Name", nullptr);
  TagReadStringGuillemet(s, sizeof s);
  EXPECT_STREQ(s, "Mountai");
  EXPECT_EQ(Mots(), (Liste{"next"}));

  // A key against its opening quote: the quote ends the key and is gone, so
  // the text after the closing quote is read as the string.
  Memoire("Name\"Guitar\" \"Bass\"");
  TagWait("Name", nullptr);
  TagReadStringGuillemet(s, sizeof s);
  EXPECT_STREQ(s, " ");
  EXPECT_EQ(Mots(), (Liste{"Bass"}));

  // At the end: untouched; the end before the opening quote: empty; inside:
  // what was read.
  std::strcpy(s, "keep");
  Memoire("");
  TagReadStringGuillemet(s, sizeof s);
  EXPECT_STREQ(s, "keep");
  Memoire("  no quote");
  TagReadStringGuillemet(s, sizeof s);
  EXPECT_STREQ(s, "");
  Memoire("\"unfinished");
  TagReadStringGuillemet(s, sizeof s);
  EXPECT_STREQ(s, "unfinis");
  Memoire("\"\"");
  TagReadStringGuillemet(s, 1);
  EXPECT_STREQ(s, "");
}

TEST_F(Source, HexadecimalBlocks) {
  struct Cas {
    const char* texte;
    std::vector<int> octets;  // four bytes read
    Liste suite;              // the words after the block
  } cas[] = {
      {"Icone <0aFF10> x", {0x0A, 0xFF, 0x10, 0}, {"x"}},
      {"<0\na\r\n\tff\n>", {0x0A, 0xFF, 0, 0}, {}},            // control characters between and inside pairs
      {"<0 a1>", {0x00, 0xA1, 0, 0}, {}},                      // a space is a digit position
      {"<zz7z>", {0x00, 0x07, 0, 0}, {}},                      // no number: 0; a leading digit counts
      {"<1>", {0, 0, 0, 0}, {}},                               // a lone digit is dropped
      {"<01020304050607> y", {1, 2, 3, 4}, {"050607>", "y"}},  // full: the rest reads as words
      {"<0102", {1, 2, 0, 0}, {}},
      {"no block", {0, 0, 0, 0}, {}},
  };
  for (const Cas& c : cas) {
    Memoire(c.texte);
    uint8_t b[4] = {9, 9, 9, 9};
    TagReadBlock(b, sizeof b);
    EXPECT_EQ(std::vector<int>(b, b + 4), c.octets) << c.texte;
    EXPECT_EQ(Mots(), c.suite) << c.texte;
  }
}

TEST_F(Source, RawBlocksStopAtTheSourcesEnd) {
  char b[8];
  for (int f = 0; f < 2; f++) {
    std::memset(b, 0, sizeof b);
    if (f) Fichier("abcdefg");
    else Memoire("abcdefg");
    EXPECT_TRUE(TagReadRawBlock(b, 3));
    EXPECT_STREQ(b, "abc");
    EXPECT_TRUE(TagReadRawBlock(b, 0));
    EXPECT_FALSE(TagReadRawBlock(b, -1));
    EXPECT_FALSE(TagReadRawBlock(b, 6));
    EXPECT_EQ(std::string(b, 4), "defg");
    EXPECT_FALSE(TagReadRawBlock(b, 1));
  }
}

namespace {

std::vector<std::string> gVus;

bool Note(char* mot) {
  gVus.push_back(mot);
  return std::strcmp(mot, "stop") != 0;
}

// A nested section read with the same cursor, as neck strings are.
bool Section(char* mot, void* contexte) {
  auto* vus = static_cast<std::vector<std::string>*>(contexte);
  if (std::strcmp(mot, "[") == 0) {
    vus->push_back("open");
    TagWaitPtr("]", Section, contexte);
    vus->push_back("close");
  } else {
    vus->push_back(mot);
  }
  return true;
}

}  // namespace

TEST_F(Source, WaitsHandTheOtherWordsToTheHandler) {
  gVus.clear();
  Memoire("a b KEY c");
  EXPECT_TRUE(TagWait("KEY", Note));
  EXPECT_EQ(gVus, (Liste{"a", "b"}));
  EXPECT_EQ(Mots(), (Liste{"c"}));

  gVus.clear();
  Memoire("a stop KEY");
  EXPECT_FALSE(TagWait("KEY", Note));
  EXPECT_EQ(gVus, (Liste{"a", "stop"}));

  // Keywords are whole and case-sensitive.
  Memoire("key KEYS KEY");
  EXPECT_TRUE(TagWait("KEY", nullptr));
  EXPECT_FALSE(TagWait("KEY", nullptr));

  std::vector<std::string> vus;
  Memoire("x [ y [ z ] ] w END after");
  EXPECT_TRUE(TagWaitPtr("END", Section, &vus));
  EXPECT_EQ(vus, (Liste{"x", "open", "y", "open", "z", "close", "close", "w"}));
}

TEST_F(Source, TheMemoryBlockWinsUntilTheNextFile) {
  Fichier("file1 file2 file3");
  char mot[kTagLongueurMot + 1];
  ASSERT_TRUE(TagReadMotScan(mot, kTagLongueurMot));
  EXPECT_STREQ(mot, "file1");
  Memoire("mem");
  EXPECT_EQ(Mots(), (Liste{"mem"}));
  // Still the block, now at its end.
  EXPECT_FALSE(TagReadMotScan(mot, kTagLongueurMot));
  // Selecting the file again reads on where it was.
  TagSetFile(fichier);
  EXPECT_EQ(Mots(), (Liste{"file2", "file3"}));
  // No source reads as an ended one.
  TagCloseFile();
  fichier = nullptr;
  EXPECT_FALSE(TagReadMotScan(mot, kTagLongueurMot));
  EXPECT_EQ(TagReadShort(), 0);
}
