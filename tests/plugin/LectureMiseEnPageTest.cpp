// Records kept at document and view level: page setups, titles, text styles
// and a staff's appearance in a view, each read over the defaults of its
// holder, at the versions where their layout changes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "layout/MiseEnPage.h"
#include "model/Portee.h"
#include "model/StrTitre.h"
#include "platform/Fonts.h"
#include "plugin/LectureDocument.h"
#include "support/NativeRecords.h"
#include "support/NativeWriter.h"
#include "system/QrvFiles.h"
#include "text/Fontes.h"

using namespace tamrel_test;

namespace {

constexpr uint8_t kSentinelle = 0x5A;

class Enregistrements : public ::testing::Test {
 protected:
  std::vector<uint8_t> octets;
  // Reads what the writer wrote, followed by one byte that the record must
  // leave in place.
  void Lit(const std::vector<uint8_t>& record, uint16_t version) {
    octets = record;
    octets.push_back(kSentinelle);
    VersionQuarvelLoad = version;
    FixeLectureSurPtr(octets.data(), uint32_t(octets.size()));
  }
  void Lit(const NativeWriter& w) { Lit(w.Finish(), w.Version()); }
  // The record took exactly its bytes.
  void FinJuste() {
    EXPECT_EQ(ReadCar(), kSentinelle);
    EXPECT_FALSE(EndOfFile());
  }
  void TearDown() override {
    TermineSurPtr();
    VersionQuarvelLoad = 0;
  }
};

MiseEnPage SetupStandard() {
  MiseEnPage m;
  FixeMiseEnPageStandard(&m, 0);
  return m;
}

}  // namespace

// A 9.41 page setup written by hand from its field list: the writer gives
// these bytes and the reader finds every field in them.
TEST_F(Enregistrements, HandWrittenPageSetupPinsTheLayout) {
  const std::string style = " 00 14 05 54 69 6D 65 73 00 00 00 0C 00 00 00 00 00 00";  // Times 12
  const std::string texte =
      "3F 00 00 00"                  // scale 0.5
      " 00 64 00 32 00 3C 00 46"     // margins left, top, right, bottom
      " 00 02 00 08"                 // bars 2 to 8
      " 01 01"                       // titles; lyric pages
      " 09 01 00 00 00 01 00"        // a byte, top band, three bytes, keep whole, justify
      " 02"                          // grouping
      " 00 03 01 01 04 02 03 00 1E"  // copy byte, four switch bytes, first music page, run, gap
      " 00 02 24 70 00" +
      style + style + style +        // footer templates and styles
      " 01 00 00 00 00 00 00 00 28"  // mirror, rules, insets, distance 40
      " 01 54 00 00" +
      style + style + style +                                    // header
      " 00 01 02 00 0A 00 0B 00 32"                              // rule above, not on page 1, insets, distance 50
      " 00 64"                                                   // reserved
      " 00 0F 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00";  // indent, 16 spare
  PageSetupRecord s;
  s.scale = 0.5f;
  s.marginLeft = 100;
  s.marginTop = 50;
  s.marginRight = 60;
  s.marginBottom = 70;
  s.firstBar = 2;
  s.lastBar = 8;
  s.lyricPages = true;
  s.seven = {9, 1, 0, 0, 0, 1, 0};
  s.grouping = 2;
  s.courtesyClefKey = true;
  s.hideEmptyStaves = true;
  s.mirrorMargins = true;
  s.firstMusicPage = 2;
  s.minimumRun = 3;
  s.systemGap = 30;
  s.footer.templates[1] = "$p";
  s.footer.mirrorEvenPages = 1;
  s.footer.distance = 40;
  s.header.templates[0] = "T";
  s.header.ruleAbove = 1;
  s.header.notOnPage1 = true;
  s.header.leftInset = 10;
  s.header.rightInset = 11;
  s.header.distance = 50;
  s.firstSystemIndent = 15;
  NativeWriter w(0x0941);
  WritePageSetup(w, s);
  EXPECT_EQ(w.Finish(), Hex(texte));

  Lit(Hex(texte), 0x0941);
  MiseEnPage m = SetupStandard();
  EXPECT_EQ(ReadMiseEnPage(&m), 1);
  FinJuste();
  EXPECT_FLOAT_EQ(m.echelle, 0.5f);
  EXPECT_EQ(m.margeGauche, 100);
  EXPECT_EQ(m.margeHaut, 50);
  EXPECT_EQ(m.margeDroite, 60);
  EXPECT_EQ(m.margeBas, 70);
  EXPECT_EQ(m.premiereMesure, 2);
  EXPECT_EQ(m.derniereMesure, 8);
  EXPECT_EQ(m.titres, 1);
  EXPECT_EQ(m.pagesParoles, 1);
  EXPECT_EQ(m.octetsReserves1[2], 9);
  EXPECT_EQ(m.bandeHautSysteme, 1);
  EXPECT_EQ(m.garderSystemesEntiers, 1);
  EXPECT_EQ(m.justifier, 0);
  EXPECT_EQ(m.regroupement, 2);
  EXPECT_EQ(m.entetesLignes, 1);
  EXPECT_EQ(m.rappelCleArmure, 1);
  EXPECT_EQ(m.cacherPorteesVides, 1);
  EXPECT_EQ(m.montrerPorteesUneFois, 0);
  EXPECT_EQ(m.repartirSystemes, 1);
  EXPECT_EQ(m.margesMiroir, 1);
  EXPECT_EQ(m.justifierDernierSysteme, 0);
  EXPECT_EQ(m.premierePageMusique, 2);
  EXPECT_EQ(m.regroupementMin, 3);
  EXPECT_EQ(m.ecartSystemes, 30);
  EXPECT_STREQ(m.basDePage.modele[1], "$p");
  EXPECT_EQ(m.basDePage.miroirPagesPaires, 1);
  EXPECT_EQ(m.basDePage.distanceBord, 40);
  EXPECT_STREQ(m.enTete.modele[0], "T");
  EXPECT_EQ(m.enTete.filetDessus, 1);
  EXPECT_EQ(m.enTete.filetDessous, 0);
  EXPECT_EQ(m.enTete.pasSurPage1, 1);
  EXPECT_EQ(m.enTete.retraitGauche, 10);
  EXPECT_EQ(m.enTete.retraitDroit, 11);
  EXPECT_EQ(m.enTete.distanceBord, 50);
  EXPECT_EQ(m.enTete.style[2].size, 12);
  EXPECT_EQ(m.valeurReservee, 100);
  EXPECT_EQ(m.retraitPremierSysteme, 15);
}

// Where the page setup's layout changes: what a version lacks keeps the
// default, and the record ends where its version ends it.
TEST_F(Enregistrements, PageSetupAcrossVersions) {
  struct Cas {
    uint16_t version;
    int16_t premierePage;
    int16_t valeurReservee;
    int16_t retrait;
  };
  const Cas cas[] = {
      {0x0512, 0, 100, 0}, {0x0513, 0, 7, 0}, {0x0740, 0, 7, 0}, {0x074F, 0, 7, 0}, {0x0750, 0, 7, 0},
      {0x0800, 0, 7, 0},   {0x091F, 0, 7, 0}, {0x0920, 3, 7, 0}, {0x0940, 3, 7, 0}, {0x0941, 3, 7, -4},
  };
  for (const Cas& c : cas) {
    SCOPED_TRACE(testing::Message() << std::hex << "0x" << c.version);
    PageSetupRecord s;
    s.scale = 0.5f;  // a percentage before 8.00
    s.firstMusicPage = 3;
    s.header.distance = 200;  // stored 92 short before 7.50
    s.reserved = 7;
    s.firstSystemIndent = -4;
    NativeWriter w(c.version);
    WritePageSetup(w, s);
    Lit(w);
    MiseEnPage m = SetupStandard();
    ReadMiseEnPage(&m);
    FinJuste();
    EXPECT_FLOAT_EQ(m.echelle, 0.5f);
    EXPECT_EQ(m.enTete.distanceBord, 200);
    EXPECT_EQ(m.premierePageMusique, c.premierePage);
    EXPECT_EQ(m.valeurReservee, c.valeurReservee);
    EXPECT_EQ(m.retraitPremierSysteme, c.retrait);
    TermineSurPtr();
  }
}

// A scale that is no number keeps the standard setup's: pagination divides
// by it and turns the quotient into pixels.
TEST_F(Enregistrements, PageSetupScaleThatIsNoNumber) {
  const float inf = std::numeric_limits<float>::infinity();
  struct Cas {
    float ecrite, lue;
  };
  for (const Cas& c : {Cas{0.5f, 0.5f}, Cas{std::nanf(""), 0.25f}, Cas{inf, 0.25f}, Cas{-inf, 0.25f}}) {
    PageSetupRecord s;
    s.scale = c.ecrite;
    NativeWriter w(0x9805);
    WritePageSetup(w, s);
    Lit(w);
    MiseEnPage m = SetupStandard();
    m.echelle = 0.25f;
    EXPECT_EQ(ReadMiseEnPage(&m), 1);
    EXPECT_FLOAT_EQ(m.echelle, c.lue) << c.ecrite;
    TermineSurPtr();
  }
}

// Bars are 1-based and the range is never empty.
TEST_F(Enregistrements, PageSetupBarRange) {
  struct Cas {
    uint16_t premiere, derniere;
    int16_t lue1, lue2;
  };
  for (const Cas& c : {Cas{0, 5, 1, 5}, Cas{4, 2, 4, 4}, Cas{0, 0, 1, 1}, Cas{3, 9999, 3, 9999}}) {
    PageSetupRecord s;
    s.firstBar = c.premiere;
    s.lastBar = c.derniere;
    NativeWriter w(0x9805);
    WritePageSetup(w, s);
    Lit(w);
    MiseEnPage m = SetupStandard();
    ReadMiseEnPage(&m);
    EXPECT_EQ(m.premiereMesure, c.lue1) << c.premiere << ".." << c.derniere;
    EXPECT_EQ(m.derniereMesure, c.lue2) << c.premiere << ".." << c.derniere;
    TermineSurPtr();
  }
}

// A title has four positions before 9.20 and five from then.
TEST_F(Enregistrements, TitlePositions) {
  for (uint16_t version : {0x091F, 0x0920}) {
    TitleRecord t;
    t.text = "Nocturne";
    t.style.size = 24;
    t.flag = 2;
    t.positions = {1, 2, 3, 4, 5};
    NativeWriter w(version);
    WriteTitle(w, t);
    Lit(w);
    StrTitre titre{};
    EXPECT_EQ(ReadStrTitre(&titre), 1);
    FinJuste();
    EXPECT_STREQ(titre.texte, "Nocturne");
    EXPECT_EQ(titre.style.size, 24);
    EXPECT_EQ(titre.flag, 2);
    EXPECT_EQ(titre.positions[3], 4);
    EXPECT_EQ(titre.positions[4], version == 0x0920 ? 5 : 0);
    TermineSurPtr();
  }
}

// Text styles: the font by number before 5.12, by name after; faces written
// into old names; a style stored without a name keeps its number.
TEST_F(Enregistrements, TextStyles) {
  struct Cas {
    uint16_t version;
    int16_t police;
    const char* nom;
    uint8_t face;
    int16_t policeLue;
    uint8_t faceLue;
  };
  const int16_t standard = GetStdFont();
  const Cas cas[] = {
      {0x0960, 0, "Times Bold Italic", 0, kFontTimes, 3},
      {0x0960, 0, "Helvetica italic", 4, kFontHelvetica, 6},
      {0x0961, 0, "Times", 1, kFontTimes, 1},
      {0x9805, kFontePlaceholderVellari, "", 0, kFontePlaceholderVellari, 0},
      {0x0511, kFontTimes, "", 2, kFontTimes, 2},
      {0x0511, 999, "", 0, standard, 0},
  };
  for (const Cas& c : cas) {
    SCOPED_TRACE(testing::Message() << std::hex << "0x" << c.version << " " << c.nom);
    TextStyleRecord s;
    s.font = c.police;
    s.fontName = c.nom;
    s.face = c.face;
    s.dropped = 0xEE;
    s.size = 18;
    s.rgb = {0xFFFF, 0x8000, 1};
    NativeWriter w(c.version);
    WriteTextStyle(w, s);
    Lit(w);
    TextStyle style{};
    EXPECT_EQ(ReadTextStyle(&style), 1);
    FinJuste();
    EXPECT_EQ(style.font, c.policeLue);
    EXPECT_EQ(style.face, c.faceLue);
    EXPECT_EQ(style.size, 18);
    EXPECT_EQ(style.color.red, 0xFFFF);
    EXPECT_EQ(style.color.green, 0x8000);
    EXPECT_EQ(style.color.blue, 1);
    TermineSurPtr();
  }
  // A name no font answers goes to the list of unknown fonts.
  ClrListeFontInconnue();
  TextStyleRecord s;
  s.fontName = "Frutiger Roman";
  NativeWriter w(0x9805);
  WriteTextStyle(w, s);
  Lit(w);
  TextStyle style{};
  ReadTextStyle(&style);
  EXPECT_NE(std::strstr(strLibFontesInconnues, "Frutiger Roman"), nullptr);
}

// A staff's appearance in a view: every stored field lands in its place;
// before 9.60 one byte stands for all seven line flags.
TEST_F(Enregistrements, StaffAspect) {
  for (uint16_t version : {0x095F, 0x0960}) {
    SCOPED_TRACE(testing::Message() << std::hex << "0x" << version);
    StaffAspectRecord a;
    a.word1 = 0x1111;
    a.value3 = -7;
    a.viewName = "Flute in the view";
    a.viewStyles[1].size = 9;
    a.byte8 = 8;
    a.text14 = "short text";
    a.name = "Flute";
    a.nameValue1 = 3;
    a.nameValue2 = 4;
    a.nameStyle.size = 14;
    a.nameEncoding = 0x0600;
    a.shortName = "Fl.";
    a.shortNameStyle.face = 2;
    a.displayMode = 5;
    a.unitSize = 96;
    a.five = {2, 3, 4, 5, 6};
    a.chordBody = 9;
    a.switch2 = true;
    a.lineFlags = {0, 1, 0, 1, 0, 1, 0};
    a.word27 = 66;
    a.pair28 = {0xA, 0xB};
    a.shownLines = {1, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 1};
    a.barLineFirst = 1;
    a.barLineLast = 3;
    a.barLineWord = 2;
    a.switch34b = false;
    a.stems = {10, 11, 5, 18, 77};
    a.standardStyle.size = 10;
    a.barNumber1 = 5;
    a.barNumber4 = 2;
    a.barNumber5 = 0;
    a.word46 = 0x4646;
    NativeWriter w(version);
    WriteStaffAspect(w, a);
    Lit(w);
    AspectGraphiquePortee g{};
    EXPECT_EQ(ReadAspectGraphiquePortee(&g), 1);
    FinJuste();
    EXPECT_EQ(g.conserve.mot1, 0x1111);
    EXPECT_EQ(int32_t(g.valeur2), -7);
    EXPECT_STREQ(g.conserve.nomVue, "Flute in the view");
    EXPECT_EQ(g.conserve.stylesVue[1].size, 9);
    EXPECT_EQ(g.octet1, 8);
    EXPECT_STREQ(g.conserve.texte14, "short text");
    EXPECT_EQ(g.valeur1, 1u);
    EXPECT_EQ(g.mot1, -2);
    EXPECT_STREQ(g.nom, "Flute");
    EXPECT_EQ(g.valeursNom[1], 4);
    EXPECT_EQ(g.styleNom.size, 14);
    EXPECT_EQ(g.encodageNom, 0x0600);
    EXPECT_STREQ(g.nomAbrege, "Fl.");
    EXPECT_EQ(g.styleNomAbrege.face, 2);
    EXPECT_EQ(g.modeAffichage, 5u);
    EXPECT_EQ(g.tailleUnite, 96);
    EXPECT_EQ(g.octet2, 2);
    EXPECT_EQ(g.octets1[3], 6);
    EXPECT_EQ(g.corpsAccord, 9u);
    EXPECT_EQ(g.conserve.interrupteurs24[1], 1);
    EXPECT_EQ(g.conserve.interrupteurs24[0], 0);
    for (int i = 0; i < 7; i++) EXPECT_EQ(g.flagsLignes[i], version >= 0x0960 ? a.lineFlags[i] : 0) << i;
    EXPECT_EQ(g.mot2, 66);
    EXPECT_EQ(g.conserve.paire28[0], 0xA);
    EXPECT_EQ(g.conserve.paire28[1], 0xB);
    EXPECT_EQ(std::memcmp(g.afficheLigne, a.shownLines.data(), 16), 0);
    EXPECT_EQ(g.ligneBarrePremiere, 1);
    EXPECT_EQ(g.ligneBarreDerniere, 3);
    EXPECT_EQ(g.motBarre, 2);
    EXPECT_EQ(g.conserve.interrupteurs34[1], 0);
    EXPECT_EQ(g.tailleQueue, 10);
    EXPECT_EQ(g.epaisseurBarre, 11);
    EXPECT_EQ(g.ecartBarre, 5);
    EXPECT_EQ(g.tailleQueue2, 18);
    EXPECT_EQ(g.conserve.octet35, 77);
    EXPECT_EQ(g.styleStd.size, 10);
    EXPECT_EQ(g.numeroMesure1, 5);
    EXPECT_EQ(g.numeroMesure4, 2);
    EXPECT_EQ(g.numeroMesure5, 0);
    EXPECT_EQ(g.conserve.mot46, 0x4646);
    TermineSurPtr();
  }
}

// Records cut short report it.
TEST_F(Enregistrements, CutRecordsReportTheEnd) {
  NativeWriter w(0x9805);
  WritePageSetup(w, PageSetupRecord{});
  WriteTitle(w, TitleRecord{});
  WriteStaffAspect(w, StaffAspectRecord{});
  const std::vector<uint8_t> tout = w.Finish();
  for (size_t n = 0; n < tout.size(); n += 7) {
    octets.assign(tout.begin(), tout.begin() + long(n));
    VersionQuarvelLoad = 0x9805;
    FixeLectureSurPtr(octets.data(), uint32_t(octets.size()));
    MiseEnPage m = SetupStandard();
    StrTitre t{};
    AspectGraphiquePortee a{};
    const int16_t lus = int16_t(ReadMiseEnPage(&m) + ReadStrTitre(&t) + ReadAspectGraphiquePortee(&a));
    EXPECT_LT(lus, 3) << "cut at " << n;
    TermineSurPtr();
  }
}
