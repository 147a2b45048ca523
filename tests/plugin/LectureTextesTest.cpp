// Rupture and staff text records written by the test writer and read back,
// with the conversions of older documents.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "model/QrvText.h"
#include "model/Ruptures.h"
#include "plugin/LectureDocument.h"
#include "support/NativeScore.h"
#include "support/NativeWriter.h"
#include "system/QrvFiles.h"
#include "text/TextEncodings.h"

using namespace tamrel_test;

namespace {

constexpr uint8_t kMarque = 0x5A;

class LectureTextes : public ::testing::Test {
 protected:
  void TearDown() override {
    TermineSurPtr();
    VersionQuarvelLoad = 0;
  }
  void Ouvre(NativeWriter& w, bool marque = true) {
    if (marque) w.U8(kMarque);
    octets_ = w.Finish();
    VersionQuarvelLoad = w.Version();
    FixeLectureSurPtr(octets_.data(), uint32_t(octets_.size()));
  }
  Rupture LitRupture(uint16_t version, const RuptureRecord& r) {
    NativeWriter w(version);
    WriteRupture(w, r);
    Ouvre(w);
    Rupture lu;
    EXPECT_EQ(ReadRupture(&lu), 1);
    EXPECT_EQ(ReadCar(), kMarque);
    return lu;
  }
  // The text record and its string.
  std::string LitTexte(uint16_t version, const TextRecord& t, Texte* lu) {
    NativeWriter w(version);
    WriteText(w, t);
    Ouvre(w);
    char* chaine = ReadTexte(lu);
    EXPECT_FALSE(EndOfFile());
    EXPECT_EQ(ReadCar(), kMarque);
    std::string s = chaine ? chaine : "(none)";
    DisposeEncodedStr(chaine);
    return s;
  }
  std::vector<uint8_t> octets_;
};

TEST_F(LectureTextes, RupturesRoundTrip) {
  RuptureRecord r;
  r.bar = 7;
  r.placement = 3;
  r.barLine = 8;
  r.text = "D.S. $S al Fine";
  r.verticalOffset = 12;
  r.horizontalOffset = -4;
  r.type = 5;
  r.target = 2;
  r.al = 2;
  r.passesMode = 1;
  r.passes = 3;
  r.endings[0] = 1;
  r.endings[2] = 9;
  r.colour = 5;
  for (uint16_t v : {0x0740, 0x0790, 0x9805}) {
    SCOPED_TRACE(testing::Message() << std::hex << v);
    const Rupture lu = LitRupture(v, r);
    EXPECT_EQ(lu.mesure, 7);
    EXPECT_EQ(lu.placement, 3u);
    EXPECT_EQ(lu.barre, 8u);
    EXPECT_STREQ(lu.texte, "D.S. $S al Fine");
    EXPECT_EQ(lu.decalageYTexte, 12);
    EXPECT_EQ(lu.decalageXTexte, -4);
    EXPECT_EQ(lu.type, 5u);
    EXPECT_EQ(lu.parametre, 2);
    EXPECT_EQ(lu.al, 2u);
    EXPECT_EQ(lu.modePassage, 1u);
    EXPECT_EQ(lu.nbPassages, 3);
    EXPECT_EQ(lu.passagesVolta[0], 1);
    EXPECT_EQ(lu.passagesVolta[1], 0);
    EXPECT_EQ(lu.passagesVolta[2], 1);
    EXPECT_EQ(lu.couleur, v < 0x0790 ? 0 : 5);
  }
  r.bar = -3;
  EXPECT_EQ(LitRupture(0x9805, r).mesure, 0);
}

// Old da capo records become jumps to bar 0; old ending ends move their text.
TEST_F(LectureTextes, RuptureConversions) {
  struct Cas {
    uint16_t version;
    int16_t type, offset;
    uint32_t typeLu;
    int16_t offsetLu;
    int16_t targetLu;
  };
  const Cas cas[] = {
      {0x084F, 3, 0, 2, 0, 0},   {0x0850, 3, 0, 3, 0, 6},     {0x0941, 12, 0, 12, -2, 6},  {0x0941, 12, -1, 12, -2, 6},
      {0x0942, 12, 0, 12, 0, 6}, {0x0941, 12, -5, 12, -5, 6}, {0x0942, 12, -5, 12, -5, 6}, {0x0941, 11, 0, 11, 0, 6},
  };
  for (const Cas& c : cas) {
    SCOPED_TRACE(testing::Message() << std::hex << c.version << std::dec << " type " << c.type);
    RuptureRecord r;
    r.type = c.type;
    r.horizontalOffset = c.offset;
    r.target = 6;
    const Rupture lu = LitRupture(c.version, r);
    EXPECT_EQ(lu.type, c.typeLu);
    EXPECT_EQ(lu.decalageXTexte, c.offsetLu);
    EXPECT_EQ(lu.parametre, c.targetLu);
  }
}

// A text longer than its field is cut and the stream stays in step; a text
// without its end stops at the stream's end; old texts are MacRoman.
TEST_F(LectureTextes, RuptureTexts) {
  RuptureRecord r;
  r.text = std::string(300, 'x');
  r.type = 9;
  Rupture lu = LitRupture(0x9805, r);
  EXPECT_EQ(std::strlen(lu.texte), size_t(kTailleTexteRupture - 1));
  EXPECT_EQ(lu.type, 9u);

  // 0x8E is e acute in MacRoman; 127 of them do not fit once in UTF-8.
  r.text = "Caf\x8E";
  EXPECT_STREQ(LitRupture(0x0920 - 1, r).texte, "Caf\xC3\xA9");
  r.text = std::string(127, '\x8E');
  lu = LitRupture(0x0900, r);
  EXPECT_EQ(std::strlen(lu.texte), size_t(126));
  EXPECT_EQ(uint8_t(lu.texte[124]), 0xC3);

  RuptureRecord coupe;
  coupe.text = "Fine";
  coupe.terminated = false;
  NativeWriter w(0x9805);
  WriteRupture(w, coupe);
  Ouvre(w, false);
  Rupture r2;
  EXPECT_EQ(ReadRupture(&r2), 0);
  EXPECT_STREQ(r2.texte, "Fine");
  EXPECT_TRUE(EndOfFile());
}

TEST_F(LectureTextes, TextsRoundTripAndConversions) {
  TextRecord t;
  t.start = 40320;
  t.end = 80640;
  t.firstRow = 2;
  t.lastRow = 3;
  t.display1 = 4;
  t.display2 = 5;
  t.text = "Glo-ri-a";
  t.line = 2;
  t.link = 99;
  Texte lu;
  EXPECT_EQ(LitTexte(0x9805, t, &lu), "Glo-ri-a");
  EXPECT_EQ(lu.debut, 40320);
  EXPECT_EQ(lu.fin, 80640);
  EXPECT_EQ(lu.haut, 2);
  EXPECT_EQ(lu.bas, 3);
  EXPECT_EQ(lu.extensionGauche, 4);
  EXPECT_EQ(lu.extensionDroite, 5);
  EXPECT_EQ(lu.ligne, 2u);
  EXPECT_EQ(lu.cache, 0u);
  EXPECT_EQ(lu.idVue, 99);

  struct Cas {
    const char* nom;
    uint16_t version;
    std::string text;
    uint8_t line;
    std::string attendu;
    uint32_t ligneLue;
  };
  const Cas cas[] = {
      {"a lyric joiner", 0x0600, "a_b", 1, "a^b", 1},
      {"another line byte", 0x0600, "a_b", 3, "a_b", 1},
      {"no line byte", 0x0511, "a_b", 1, "a_b", 0},
      {"line kept from 7.50", 0x0750, "a_b", 3, "a_b", 3},
      {"old brackets", 0x071F, "[x]", 0, "(x)", 0},
      {"brackets kept", 0x0720, "[x]", 0, "[x]", 0},
      {"MacRoman and style codes", 0x0900, "\x8E\x02z", 0, "\xC3\xA9 z", 0},
      {"UTF-8 from 9.20", 0x0920, "\xC3\xA9", 0, "\xC3\xA9", 0},
      {"empty", 0x9805, "", 0, "", 0},
  };
  for (const Cas& c : cas) {
    SCOPED_TRACE(c.nom);
    TextRecord x;
    x.text = c.text;
    x.line = c.line;
    EXPECT_EQ(LitTexte(c.version, x, &lu), c.attendu);
    EXPECT_EQ(lu.ligne, c.ligneLue);
    EXPECT_EQ(lu.idVue, c.version < 0x0940 ? -2 : 0);
  }
}

// Times and rows: old ticks, a start below 0, an end before the start, the
// whole-line flag, and a negative length.
TEST_F(LectureTextes, TextTimesAndLengths) {
  struct Cas {
    uint16_t version;
    int32_t start, end, first, last;
    int32_t debut, fin;
    uint32_t cache;
  };
  const Cas cas[] = {
      {0x0300, 96, 192, 0, 1, 40320, 80640, 0},
      {0x0320, 96, 192, 0, 1, 96, 192, 0},
      {0x9805, -5, 100, 0, 1, 0, 100, 0},
      {0x9805, 500, 100, 0, 1, 500, 500, 0},
      {0x9805, 0, 10, -3, -2, 0, 10, 1},
      {0x9805, 0, 10, -3, 0, 0, 10, 0},
      {0x0300, 0x7FFFFFF, 0x7FFFFFF, 0, 1, INT32_MAX, INT32_MAX, 0},
  };
  for (const Cas& c : cas) {
    SCOPED_TRACE(testing::Message() << std::hex << c.version << std::dec << " " << c.start);
    TextRecord t;
    t.start = c.start;
    t.end = c.end;
    t.firstRow = c.first;
    t.lastRow = c.last;
    Texte lu;
    LitTexte(c.version, t, &lu);
    EXPECT_EQ(lu.debut, c.debut);
    EXPECT_EQ(lu.fin, c.fin);
    EXPECT_EQ(lu.cache, c.cache);
  }

  TextRecord t;
  t.text = "";
  t.length = -4;
  Texte lu;
  EXPECT_EQ(LitTexte(0x9805, t, &lu), "");

  // A length past the stream's end: no string, the stream marked ended.
  t.length = 30000;
  NativeWriter w(0x9805);
  WriteText(w, t);
  Ouvre(w, false);
  EXPECT_EQ(ReadTexte(&lu), nullptr);
  EXPECT_TRUE(EndOfFile());
}

}  // namespace
