// The native document's top level: header, version gates, check bytes, the
// LZW switch, the document sections and the trailer, read from documents of
// every version written by the test writer, and from hand-written bytes that
// pin the format independently of that writer.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "NativeFixtures.h"
#include "layout/MiseEnPage.h"
#include "model/Document.h"
#include "platform/DateTime.h"
#include "plugin/LectureDocument.h"
#include "plugin/PiloteRequete.h"
#include "support/NativeDocument.h"
#include "support/NativeWriter.h"
#include "system/Handles.h"
#include "system/QrvFiles.h"

using namespace tamrel_test;

namespace {

constexpr uint32_t kMaintenant = 3900000000u;

class LectureNative : public ::testing::Test {
 protected:
  NativeReader lecteur;
  void SetUp() override { SetFixedDateTime(kMaintenant); }
  void TearDown() override {
    lecteur.Release();
    UseRealDateTime();
  }
};

// A document whose sections all carry values the reader must find again.
NativeDocument DocumentMarque(uint16_t version, bool lzw) {
  NativeDocument d;
  d.version = version;
  d.lzw = lzw ? 1 : 0;
  d.h1 = 4;
  d.w = 2;
  d.headerValue = 0x1234;
  d.titles[0].text = "Sonate";
  d.titles[0].flag = 7;
  d.titles[0].positions = {11, 12, 13, 14, 15};
  d.titles[2].text = "Opus 3";
  d.oldTitleFlags = {7, 255, 0};
  d.pageSetups[0].marginLeft = 123;
  d.pageSetups[4].footer.templates[1] = "page $p";
  d.oldPrintZoom = 150;
  d.dates = {111, 222, 333};
  d.revisions = 4;
  d.dataValue = 9;
  d.extraData = {1, 2, 3};
  d.effects.reverbOn = 1;
  d.effects.reverbTime = 1500;
  d.effectLevels = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
  return d;
}

// n zero bytes in hex.
std::string Zeros(int n) {
  std::string s;
  for (int i = 0; i < n; i++) s += " 00";
  return s;
}

}  // namespace

// The byte examples the format gives, produced by the writer's primitives:
// a 300-byte string behind the 255 escape, the length that marks no string,
// a rectangle stored left, top, right, bottom.
TEST(NativeWriterBytes, PrimitivesMatchTheFormatsExamples) {
  NativeWriter w(0x0964);
  w.String(std::string(300, 'x'));
  std::vector<uint8_t> attendu = Hex("FF 01 2C");
  attendu.insert(attendu.end(), 300, 'x');
  w.NoString();
  for (uint8_t b : Hex("FF 80 00  00 0A 00 14 00 1E 00 28")) attendu.push_back(b);
  w.Rect(10, 20, 30, 40);
  EXPECT_EQ(w.Finish(), attendu);
}

// A whole document of version 2.02 written by hand from the field list: the
// writer must produce exactly these bytes and the reader must find every
// value in them.
TEST_F(LectureNative, HandWrittenOldDocumentPinsTheLayout) {
  const std::string style = " 00 14 00 00 00 0C 00 00 00 00 00 00";
  const std::string texte =
      "51 52 56 4C 02 02"  // magic, version
      " 01 41" +
      style + " 00" + style + " 00" + style +  // three titles
      " 00"                                    // display D0
      " 15 62 00 00 01 00 FF" +
      Zeros(6) +                                          // title bytes, 6 spare
      Zeros(4) +                                          // four bytes
      " 00 00 00" + Zeros(8) +                            // old page bytes, 8 spare
      " 00 00 00 00" + Zeros(32) +                        // no score, index 0, 32 spare
      " 00 00 00 27 0F"                                   // trailer byte, bar range
      " 00 01 00 00 00 01 00 00 00 02 00 00 00 03 00 04"  // dates, revisions
      " 00 00 00 00" +                                    // uninterpreted block
      Zeros(56) +
      " 51 52 56 4C";
  const std::vector<uint8_t> octets = Hex(texte);

  NativeDocument d;
  d.version = 0x0202;
  d.titles[0].text = "A";
  d.oldBarRange = {0, 9999};
  d.dates = {1, 2, 3};
  d.revisions = 4;
  EXPECT_EQ(WriteNativeDocument(d), octets);

  ASSERT_EQ(lecteur.Load(octets), 1);
  EXPECT_EQ(lecteur->version, 0x0202);
  EXPECT_STREQ(lecteur->titres[0].texte, "A");
  EXPECT_STREQ(lecteur->titres[1].texte, "");
  EXPECT_EQ(lecteur->titres[0].flag, 1);
  EXPECT_EQ(lecteur->titres[1].flag, 0xFF);
  EXPECT_EQ(lecteur->titres[2].flag, 0);
  EXPECT_EQ(lecteur->titres[0].style.size, 12);
  EXPECT_EQ(lecteur->premiereMesureSelection, 1);  // a stored 0 is bar 1
  EXPECT_EQ(lecteur->derniereMesureSelection, 9999);
  EXPECT_EQ(lecteur->dates[0], 1u);
  EXPECT_EQ(lecteur->dates[2], 3u);
  EXPECT_EQ(lecteur->dates[3], kMaintenant);
  EXPECT_EQ(lecteur->nbRevisions, 5);
  EXPECT_EQ(lecteur->valeurEntete, 0xFFFF);
  EXPECT_EQ(lecteur->nbPartitions, 0);
  EXPECT_EQ(lecteur->partitionCourante, nullptr);
}

// Documents without scores at every version the format has had, plain and
// LZW-coded from the version that offers it: each loads, holds the version
// as read, and gives back the values of the sections its version stores.
TEST_F(LectureNative, VersionMatrixOfDocumentsWithoutScores) {
  struct Cas {
    uint16_t stocke;  // the version word in the file
    uint16_t lue;     // the version the document is read as
    int16_t resultat;
    bool misesEnPage;  // five page setups rather than the old page fields
    bool donnees;      // the extra data block
    bool niveaux;      // the stored equaliser levels
  };
  const Cas cas[] = {
      {0x0202, 0x0202, 1, false, false, false}, {0x0300, 0x0300, 1, false, false, false},
      {0x0320, 0x0320, 1, false, false, false}, {0x0321, 0x0321, 1, false, false, false},
      {0x0323, 0x0323, 1, false, false, false}, {0x0501, 0x0501, 1, false, false, false},
      {0x0511, 0x0511, 1, true, false, false},  {0x0740, 0x0740, 1, true, true, false},
      {0x0750, 0x0750, 1, true, true, false},   {0x0800, 0x0800, 1, true, true, false},
      {0x0920, 0x0920, 1, true, true, false},   {0x0964, 0x0964, 1, true, true, true},
      {0x9805, 0x9805, 1, true, true, true},    {0x0000, 0x9805, 1, true, true, true},
      {0x9400, 0x0940, 1, true, true, false},   {0x9806, 0x9806, 0, true, true, true},
  };
  for (const Cas& c : cas) {
    for (bool lzw : {false, true}) {
      const uint16_t gate = c.stocke == 0 ? 0x9805 : c.stocke == 0x9400 ? 0x0940 : c.stocke;
      if (lzw && gate < 0x0321) continue;
      SCOPED_TRACE(testing::Message() << std::hex << "version 0x" << c.stocke << (lzw ? " LZW" : " plain"));
      const std::vector<uint8_t> octets = WriteNativeDocument(DocumentMarque(c.stocke, lzw));
      ASSERT_EQ(lecteur.Load(octets), c.resultat);
      EXPECT_EQ(lecteur->version, c.lue);
      EXPECT_EQ(VersionQuarvelLoad, c.lue);
      if (c.resultat == 0) {
        // Refused before anything was read.
        EXPECT_STREQ(lecteur->titres[0].texte, "");
        continue;
      }
      EXPECT_EQ(lecteur->nbPartitions, 0);
      EXPECT_STREQ(lecteur->titres[0].texte, "Sonate");
      EXPECT_STREQ(lecteur->titres[2].texte, "Opus 3");
      EXPECT_EQ(lecteur->titres[0].flag, 7);
      // Titles have positions from 7.40, a fifth from 9.20.
      EXPECT_EQ(lecteur->titres[0].positions[3], c.lue >= 0x0740 ? 14 : 0);
      EXPECT_EQ(lecteur->titres[0].positions[4], c.lue >= 0x0920 ? 15 : 0);
      EXPECT_EQ(lecteur->enteteW, c.lue >= 0x0790 ? 2 : 0);
      EXPECT_EQ(lecteur->valeurEntete, c.lue >= 0x0811 ? 0x1234 : 0xFFFF);
      EXPECT_EQ(lecteur->misesEnPage[0].margeGauche, c.misesEnPage ? 123 : 100);
      EXPECT_EQ(std::string(lecteur->misesEnPage[4].basDePage.modele[1]) == "page $p", c.misesEnPage);
      if (c.lue >= 0x0501 && c.lue < 0x0511) {
        EXPECT_FLOAT_EQ(lecteur->zoomImpression, 1.5f);
      }
      EXPECT_EQ(lecteur->dates[1], 222u);
      EXPECT_EQ(lecteur->nbRevisions, 5);
      if (c.donnees) {
        ASSERT_NE(lecteur->donneesSupplementaires, nullptr);
        EXPECT_EQ(GetHandleSize(lecteur->donneesSupplementaires), 3);
        EXPECT_EQ((*lecteur->donneesSupplementaires)[2], 3);
        EXPECT_EQ(lecteur->valeurDonnees, 9);
      } else {
        EXPECT_EQ(lecteur->donneesSupplementaires, nullptr);
      }
      EXPECT_EQ(lecteur->effetsSortie.tempsReverbe, c.lue >= 0x0321 ? 1500 : 0);
      EXPECT_EQ(lecteur->effetsSortie.bandes[10], c.niveaux ? 11 : 0);
      EXPECT_EQ(GetLZWMode(), 0);  // closing the file ended the stretch
    }
  }
}

// Both magics open a document; only "QRVL" closes one. A document that ends
// with the other is read completely and still reported as failed.
TEST_F(LectureNative, MagicsOpenAndClose) {
  struct Cas {
    const char* debut;
    const char* fin;
    int16_t resultat;
    bool lu;  // the titles were read
  };
  const Cas cas[] = {
      {"QRVL", "QRVL", 1, true}, {"DIZA", "QRVL", 1, true},  {"DIZA", "DIZA", 0, true},
      {"QRVL", "QRV!", 0, true}, {"QRVM", "QRVL", 0, false}, {"qrvl", "QRVL", 0, false},
  };
  for (const Cas& c : cas) {
    SCOPED_TRACE(std::string(c.debut) + " ... " + c.fin);
    NativeDocument d = DocumentMarque(0x9805, true);
    d.magic = c.debut;
    d.closingMagic = c.fin;
    EXPECT_EQ(lecteur.Load(WriteNativeDocument(d)), c.resultat);
    EXPECT_STREQ(lecteur->titres[0].texte, c.lu ? "Sonate" : "");
  }
}

// The check bytes are there to catch a text-mode transfer: any altered byte
// refuses the document before anything is read. Before 3.23 there are none,
// and before 3.21 no LZW byte either.
TEST_F(LectureNative, CheckBytesCatchATextModeTransfer) {
  for (size_t i = 0; i < kNativeCheckBytes.size(); i++) {
    NativeDocument d = DocumentMarque(0x0964, false);
    d.checkBytes[i] ^= (d.checkBytes[i] == 0x0D ? 0x07 : 0x01);  // CR becomes LF, others flip a bit
    EXPECT_EQ(lecteur.Load(WriteNativeDocument(d)), 0) << "byte " << i;
    EXPECT_STREQ(lecteur->titres[0].texte, "");
  }
  // 3.22: no check bytes, one LZW byte, which turns coding on.
  NativeDocument d = DocumentMarque(0x0322, true);
  const std::vector<uint8_t> octets = WriteNativeDocument(d);
  EXPECT_EQ(octets[6], 1);
  EXPECT_EQ(lecteur.Load(octets), 1);
  EXPECT_STREQ(lecteur->titres[0].texte, "Sonate");
}

// The score count and the current index: a document without scores loads;
// an index must designate one of the scores.
TEST_F(LectureNative, ScoreCountAndCurrentIndex) {
  struct Cas {
    uint16_t version;
    int16_t nombre;
    int16_t index;
    int16_t resultat;
  };
  const Cas cas[] = {
      {0x0202, 0, 0, 1},  {0x9805, 0, 0, 1},  {0x0201, 0, 0, 1},     {0x9805, 0, 3, 1},
      {0x9805, -1, 0, 0}, {0x9805, 0, -1, 0}, {0x9805, 2, 2, 0},     {0x9805, 2, 5, 0},
      {0x9805, 2, -1, 0}, {0x0300, 1, 1, 0},  {0x9805, 32767, 0, 0},
  };
  for (const Cas& c : cas) {
    SCOPED_TRACE(testing::Message() << std::hex << "0x" << c.version << std::dec << " count " << c.nombre << " index "
                                    << c.index);
    NativeDocument d = DocumentMarque(c.version, false);
    d.scoreCount = c.nombre;
    d.currentScore = c.index;
    EXPECT_EQ(lecteur.Load(WriteNativeDocument(d)), c.resultat);
    EXPECT_EQ(lecteur->nbPartitions, 0);
    EXPECT_EQ(lecteur->partitionCourante, nullptr);
  }
  // 2.01 is read as 2.02.
  NativeDocument d = DocumentMarque(0x0201, false);
  ASSERT_EQ(lecteur.Load(WriteNativeDocument(d)), 1);
  EXPECT_EQ(lecteur->version, 0x0202);
}

// The trailer: the dates, the extra data block, the uninterpreted block and
// the equaliser levels, each length checked against what the file holds.
TEST_F(LectureNative, TrailerBlocksAndTheirLengths) {
  struct Cas {
    const char* nom;
    void (*change)(NativeDocument&);
    int16_t resultat;
  };
  const Cas cas[] = {
      {"uninterpreted block of 40 bytes", [](NativeDocument& d) { d.uninterpreted.assign(40, 0xAB); }, 1},
      {"uninterpreted length past the end",
       [](NativeDocument& d) {
         d.uninterpreted.assign(4, 0);
         d.uninterpretedLength = 100000;
       },
       0},
      {"uninterpreted length 0xFFFFFFFF", [](NativeDocument& d) { d.uninterpretedLength = 0xFFFFFFFFu; }, 0},
      {"extra data length past the end", [](NativeDocument& d) { d.extraDataLength = 1000000; }, 0},
      {"extra data length 0xFFFFFFFF", [](NativeDocument& d) { d.extraDataLength = 0xFFFFFFFFu; }, 0},
      {"three levels",
       [](NativeDocument& d) {
         d.effectLevels = {5, 6, 7};
       },
       1},
      {"thirteen levels", [](NativeDocument& d) { d.effectLevels.assign(13, 4); }, 1},
      {"negative level count", [](NativeDocument& d) { d.effectLevelCount = -1; }, 0},
      {"level count past the end", [](NativeDocument& d) { d.effectLevelCount = 30000; }, 0},
  };
  for (const Cas& c : cas) {
    SCOPED_TRACE(c.nom);
    NativeDocument d = DocumentMarque(0x9805, false);
    c.change(d);
    EXPECT_EQ(lecteur.Load(WriteNativeDocument(d)), c.resultat);
    if (c.resultat == 0) {
      // Nothing half read is kept.
      if (lecteur->donneesSupplementaires) {
        EXPECT_EQ(GetHandleSize(lecteur->donneesSupplementaires), 3);
      }
      continue;
    }
    const int16_t* bandes = lecteur->effetsSortie.bandes;
    if (d.effectLevels.size() == 3) {
      EXPECT_EQ(bandes[2], 7);
      EXPECT_EQ(bandes[3], 0);
      EXPECT_EQ(bandes[10], 0);
    } else {
      EXPECT_EQ(bandes[10], d.effectLevels.size() == 13 ? 4 : 11);
    }
  }

  // Without stored dates, the first is the date of loading.
  NativeDocument d = DocumentMarque(0x0964, true);
  d.datesFlag = 0;
  ASSERT_EQ(lecteur.Load(WriteNativeDocument(d)), 1);
  EXPECT_EQ(lecteur->dates[0], kMaintenant);
  EXPECT_EQ(lecteur->dates[1], 0u);
  EXPECT_EQ(lecteur->dates[3], kMaintenant);
  EXPECT_EQ(lecteur->nbRevisions, 1);

  // The bar range of old documents: a last bar before the first means to the end.
  d = DocumentMarque(0x0500, false);
  d.oldBarRange = {7, 3};
  ASSERT_EQ(lecteur.Load(WriteNativeDocument(d)), 1);
  EXPECT_EQ(lecteur->premiereMesureSelection, 7);
  EXPECT_EQ(lecteur->derniereMesureSelection, 9999);
}

// Old documents store each title as a bare string and style, then the title
// bytes behind a mark; a title that is no string ends the load.
TEST_F(LectureNative, OldTitles) {
  NativeDocument d = DocumentMarque(0x0700, false);
  d.oldTitleMark = 0x1111;  // no title bytes: the defaults stand
  ASSERT_EQ(lecteur.Load(WriteNativeDocument(d)), 1);
  EXPECT_EQ(lecteur->titres[0].flag, 1);
  EXPECT_EQ(lecteur->titres[1].flag, 0xFF);
  EXPECT_EQ(lecteur->titres[2].flag, 0);

  NativeWriter w(0x0700);
  w.Text("QRVL");
  w.U16(0x0700);
  w.Bytes(kNativeCheckBytes.data(), kNativeCheckBytes.size());
  w.U8(0);
  w.NoString();
  w.Gap(64);
  EXPECT_EQ(lecteur.Load(w.Finish()), 0);
}

// Documents before the equaliser (9.64), in either layout of their output
// effects, get bands from their bass boost and noise reduction.
TEST_F(LectureNative, OldOutputEffectsConvert) {
  const struct {
    const char* nom;
    uint8_t basses, bruit;
    uint16_t valeurBruit;
    int16_t bande8, bande9;
  } cas[] = {
      {"neither", 0, 0, 20000, 0, 0},
      {"bass boost", 1, 0, 20000, -2, 0},
      {"noise reduction", 0, 1, 5500, -5, -24},
  };
  for (uint16_t version : {0x0500, 0x0700}) {
    for (const auto& c : cas) {
      SCOPED_TRACE(testing::Message() << std::hex << version << " " << c.nom);
      NativeDocument d = DocumentMarque(version, false);
      d.effects.bassBoostOn = c.basses;
      d.effects.bassBoostFrequency = 500;
      d.effects.bassBoostLevel = 300;
      d.effects.noiseReductionOn = c.bruit;
      d.effects.noiseReduction = c.valeurBruit;
      ASSERT_EQ(lecteur.Load(WriteNativeDocument(d)), 1);
      const EffetsSortieDocument& e = lecteur->effetsSortie;
      EXPECT_EQ(e.frequenceBasses, 500);
      EXPECT_EQ(e.niveauBasses, 300);
      EXPECT_EQ(e.bandes[0], 0);
      EXPECT_EQ(e.bandes[8], c.bande8);
      EXPECT_EQ(e.bandes[9], c.bande9);
      EXPECT_EQ(e.bandes[10], c.bande9);
    }
  }
}

// From 7.50 the document keeps two paper rectangles; up to 96.30 a document
// that did not keep its own takes the printer's.
TEST_F(LectureNative, PaperRectangles) {
  for (uint16_t version : {0x9630, 0x9631}) {
    NativeDocument d = DocumentMarque(version, false);
    d.ownRects = 0;
    d.rects = {RectRecord{1, 2, 3, 4}, RectRecord{5, 6, 7, 8}};
    ASSERT_EQ(lecteur.Load(WriteNativeDocument(d)), 1);
    const Rect& r = lecteur->rectsPapier[0];
    if (version == 0x9631) {
      EXPECT_EQ(r.left, 1);
      EXPECT_EQ(r.top, 2);
      EXPECT_EQ(r.right, 3);
      EXPECT_EQ(r.bottom, 4);
      EXPECT_EQ(lecteur->rectsPapier[1].bottom, 8);
    } else {
      EXPECT_GT(r.right - r.left, 100) << "the printer's page";
    }
  }
}

// Cut at every byte, plain and coded, old and new: always 0, never a crash
// or a read past the data (the sanitizer build runs this too); and a sample
// of single-byte damages never crashes either.
TEST_F(LectureNative, DamagedDocumentsFailCleanly) {
  for (NativeDocument d : {DocumentMarque(0x9805, false), DocumentMarque(0x9805, true), DocumentMarque(0x0202, false),
                           DocumentMarque(0x0630, true)}) {
    d.uninterpreted.assign(5, 0x42);
    const std::vector<uint8_t> entier = WriteNativeDocument(d);
    ASSERT_EQ(lecteur.Load(entier), 1);
    for (size_t n = 0; n < entier.size(); n++) {
      const std::vector<uint8_t> coupe(entier.begin(), entier.begin() + long(n));
      ASSERT_EQ(lecteur.Load(coupe), 0) << "cut at " << n << " of " << entier.size();
    }
    std::mt19937 alea(unsigned(entier.size()));
    for (int i = 0; i < 300; i++) {
      std::vector<uint8_t> abime = entier;
      abime[alea() % abime.size()] = uint8_t(alea());
      lecteur.Load(abime);
    }
  }
}

// Through the request driver: a native document without scores is read, and
// the request says there is nothing to show.
TEST_F(LectureNative, TheRequestDriverReadsNativeDocuments) {
  // Loading makes the document's folder current; the folder goes at the end,
  // so the folder current before (if it still exists) is made current again.
  char ici[4096];
  const bool retour = getcwd(ici, sizeof ici) != nullptr;
  DossierTemp dossier;
  const std::vector<uint8_t> octets = WriteNativeDocument(DocumentMarque(0x9805, true));
  const std::string chemin = dossier.Ecrit("vide.qrv", std::string(octets.begin(), octets.end()));
  Rect page{};
  uint16_t pages = 7;
  Document* doc = LoadDocument(chemin.c_str(), &page, &pages, nullptr);
  ASSERT_NE(doc, nullptr);
  EXPECT_STREQ(doc->titres[0].texte, "Sonate");
  EXPECT_EQ(pages, 0);
  EXPECT_STREQ(GetRaisonEchecChargement(), "the document holds no score");
  DisposeDocument(doc);
  if (retour) {
    EXPECT_EQ(chdir(ici), 0);
  }
}
