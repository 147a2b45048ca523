#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "platform/Memory.h"
#include "system/QrvFiles.h"

namespace {

class DocumentStream : public ::testing::Test {
 protected:
  void SetUp() override {
    char modele[] = "/tmp/qrvfiles-XXXXXX";
    ASSERT_NE(mkdtemp(modele), nullptr);
    dossier_ = modele;
  }
  void TearDown() override {
    CloseFile();
    std::string cmd = "rm -rf '" + dossier_ + "'";
    EXPECT_EQ(std::system(cmd.c_str()), 0);
  }
  std::string Chemin(const char* nom) const { return dossier_ + "/" + nom; }
  void Ecrit(const char* nom, const std::string& octets) const {
    FILE* f = fopen(Chemin(nom).c_str(), "wb");
    fwrite(octets.data(), 1, octets.size(), f);
    fclose(f);
  }
  std::string dossier_;
};

std::vector<uint8_t> Aleatoire(size_t n, unsigned graine) {
  std::mt19937 g(graine);
  std::vector<uint8_t> v(n);
  for (auto& c : v) c = uint8_t(g() % 7 + 'a');
  return v;
}

void EcritOctets(const std::vector<uint8_t>& v) {
  for (uint8_t c : v) ASSERT_EQ(WriteCar(c), 1);
}

std::vector<uint8_t> LitOctets(size_t n) {
  std::vector<uint8_t> v;
  for (size_t i = 0; i < n; i++) {
    int16_t c = ReadCar();
    if (c < 0) break;
    v.push_back(uint8_t(c));
  }
  return v;
}

}  // namespace

// Plain, coded, raw and coded stretches in one file, written and read back
// through the stream with the coding switched in mid-stream.
TEST_F(DocumentStream, MixedStretchesReadBackByteForByte) {
  const std::vector<uint8_t> entete = {'Q', 'R', 'V', 0};
  const std::vector<uint8_t> code1 = Aleatoire(30000, 1);
  const std::vector<uint8_t> brut = {0xDE, 0xAD, 0xBE, 0xEF, 0x00, 0xFF};
  const std::vector<uint8_t> code2 = Aleatoire(12345, 2);
  std::string chemin = Chemin("doc.bin");

  ASSERT_EQ(OrvantaOpenFile(chemin.c_str(), "wb"), 1);
  EcritOctets(entete);
  EXPECT_EQ(SetLZWMode(1), 0);
  EcritOctets(code1);
  int16_t precedent = SetLZWMode(0);
  EXPECT_EQ(precedent, 1);
  EcritOctets(brut);
  SetLZWMode(precedent);
  EcritOctets(code2);
  CloseFile();  // ends the coder
  EXPECT_EQ(ioCustom.erreurEcriture, 0);

  ASSERT_EQ(OrvantaOpenFile(chemin.c_str(), "rb"), 1);
  EXPECT_LT(GetStreamSize(), 30000 + 12345);  // the stretches were coded
  EXPECT_EQ(LitOctets(4), entete);
  EXPECT_EQ(SetLZWMode(1), 0);
  EXPECT_EQ(SetLZWMode(1), 1);  // already on: the decoder is not restarted
  EXPECT_EQ(LitOctets(code1.size()), code1);
  precedent = SetLZWMode(0);
  EXPECT_EQ(SetLZWMode(0), 0);
  EXPECT_EQ(LitOctets(brut.size()), brut);
  SetLZWMode(precedent);
  EXPECT_EQ(LitOctets(code2.size()), code2);
  EXPECT_EQ(EndOfFile(), 0);
  EXPECT_EQ(ReadCar(), -1);
  EXPECT_EQ(EndOfFile(), 1);
  CloseFile();
}

TEST_F(DocumentStream, HandleGrowsBy32KiBAndEndsAtItsExactLength) {
  Handle h = NewHandle(0);
  FixeEcritureSurHandle(h);
  for (int i = 0; i < 40000; i++) ASSERT_EQ(WriteCar(uint8_t(i)), 1);
  EXPECT_EQ(GetHandleSize(h), 65536);
  EXPECT_EQ(ioCustom.capaHandle, 65536u);
  EXPECT_EQ(SetLZWMode(1), 0);  // inert while writing to memory
  EXPECT_EQ(EndOfFile(), 0);
  EXPECT_EQ(TermineEcritureSurHandle(), 40000);
  ASSERT_EQ(GetHandleSize(h), 40000);
  EXPECT_EQ(uint8_t((*h)[39999]), uint8_t(39999));
  // The handle is forgotten: later bytes can't reach it.
  EXPECT_EQ(WriteCar('x'), 0);
  EXPECT_EQ(GetHandleSize(h), 40000);

  // Room made before a block, and a position set past the capacity.
  FixeEcritureSurHandle(h);
  EXPECT_EQ(PrepareEcritureHandle(100000), 1);
  EXPECT_EQ(GetHandleSize(h), 100000 + 32768);
  SetPos(200000);
  EXPECT_EQ(WriteCar('z'), 1);
  EXPECT_EQ(TermineEcritureSurHandle(), 200001);
  EXPECT_EQ((*h)[200000], 'z');
  DisposeHandle(h);
}

// Every back-end: the read past the end gives -1 (0 bytes from a block read),
// the flag sticks, and repositioning clears it.
TEST_F(DocumentStream, ReadingPastTheEndSetsTheStickyFlag) {
  Ecrit("plain.bin", "abc");
  std::string coded = Chemin("coded.bin");
  ASSERT_EQ(OrvantaOpenFile(coded.c_str(), "wb"), 1);
  SetLZWMode(1);
  for (char c : std::string("abc")) WriteCar(uint8_t(c));
  CloseFile();
  const uint8_t tampon[3] = {'a', 'b', 'c'};

  enum { kFichier, kLZW, kTampon };
  for (int mode : {kFichier, kLZW, kTampon}) {
    SCOPED_TRACE(mode);
    if (mode == kTampon) {
      FixeLectureSurPtr(tampon, 3);
    } else {
      ASSERT_EQ(OrvantaOpenFile((mode == kFichier ? Chemin("plain.bin") : coded).c_str(), "rb"), 1);
      if (mode == kLZW) SetLZWMode(1);
    }
    if (mode != kLZW) {
      EXPECT_EQ(GetStreamRemaining(), 3);
    }
    EXPECT_GE(GetStreamRemaining(), 3);
    char b[8] = {};
    EXPECT_EQ(ReadCarBlock(b, 2), 2);
    EXPECT_EQ(std::string(b), "ab");
    EXPECT_EQ(ReadCar(), 'c');
    EXPECT_EQ(EndOfFile(), 0);
    EXPECT_EQ(ReadCar(), -1);
    EXPECT_EQ(EndOfFile(), 1);
    EXPECT_EQ(ReadCarBlock(b, 4), 0);
    EXPECT_EQ(ReadCar(), -1);
    EXPECT_EQ(EndOfFile(), 1);
    EXPECT_EQ(GetStreamRemaining(), 0);
    if (mode == kLZW) {
      SetLZWMode(0);
      EXPECT_EQ(EndOfFile(), 1);  // still past the end
    }
    SetPos(1);
    EXPECT_EQ(EndOfFile(), 0);
    if (mode == kLZW) {
      EXPECT_GE(ReadCar(), 0);  // a plain byte of the coded file again
    } else {
      EXPECT_EQ(ReadCar(), 'b');
    }
    if (mode == kTampon) TermineSurPtr();
    else CloseFile();
  }
}

TEST_F(DocumentStream, FixedBufferStopsAtItsSizeAndPushBackStepsBack) {
  uint8_t zone[4] = {0, 0, 0, 0};
  FixeEcritureSurPtr(zone, 3);
  EXPECT_EQ(WriteCar(1), 1);
  EXPECT_EQ(WriteCar(2), 1);
  EXPECT_EQ(WriteCar(3), 1);
  EXPECT_EQ(WriteCar(4), 0);
  EXPECT_EQ(zone[3], 0);
  EXPECT_EQ(TermineSurPtr(), 3u);

  FixeLectureSurPtr(zone, 3);
  EXPECT_EQ(WriteCar(9), 0);  // a read-only buffer takes no bytes
  EXPECT_EQ(ReadCar(), 1);
  UnGetCar(1);
  EXPECT_EQ(ReadCar(), 1);
  SetPos(99);
  EXPECT_EQ(ReadCar(), -1);
  TermineSurPtr();

  Ecrit("abc.txt", "ab");
  ASSERT_EQ(OrvantaOpenFile(Chemin("abc.txt").c_str(), "rb"), 1);
  EXPECT_EQ(ReadCar(), 'a');
  UnGetCar('a');
  EXPECT_EQ(ReadCar(), 'a');
  UnGetCar(-1);  // nothing to push back
  EXPECT_EQ(ReadCar(), 'b');
  CloseFile();
}

TEST_F(DocumentStream, OpeningFailuresAndWholeFileReads) {
  EXPECT_EQ(OrvantaOpenFile(Chemin("missing").c_str(), "rb"), 0);
  EXPECT_EQ(GetCurrentOpenFile(), nullptr);
  EXPECT_EQ(ReadCar(), -1);  // no file: nothing to read, nothing to crash on
  EXPECT_EQ(WriteCar('x'), 0);

  Ecrit("empty", "");
  Handle h = ReadDataFileDansHandle(Chemin("empty").c_str());
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(GetHandleSize(h), 0);
  DisposeHandle(h);
  EXPECT_EQ(ReadDataFileDansHandle(Chemin("missing").c_str()), nullptr);

  Ecrit("long", std::string("\x12\x34\x56\x78\x9A", 5));
  h = ReadDataFileDansHandle(Chemin("long").c_str());
  ASSERT_EQ(GetHandleSize(h), 5);
  DisposeHandle(h);
  FILE* f = fopen(Chemin("long").c_str(), "rb");
  int32_t v = 0;
  EXPECT_EQ(freadlong(&v, f), 1);
  EXPECT_EQ(v, 0x12345678);
  EXPECT_EQ(freadlong(&v, f), 0);  // one byte left
  EXPECT_EQ(v, 0x12345678);
  fclose(f);

  // A second open closes the first and goes on.
  ASSERT_EQ(OrvantaOpenFile(Chemin("long").c_str(), "rb"), 1);
  ASSERT_EQ(OrvantaOpenFile(Chemin("empty").c_str(), "rb"), 1);
  EXPECT_EQ(ReadCar(), -1);
  CloseFile();
}
