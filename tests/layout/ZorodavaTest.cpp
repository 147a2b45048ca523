#include "layout/Zorodava.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "model/CvtTemps.h"
#include "model/Document.h"
#include "model/ModelFixtures.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/QRVPOBJ.h"
#include "model/QrvText.h"
#include "model/Ruban.h"
#include "model/Signe.h"
#include "model/TabEltMesure.h"
#include "plugin/LectureDocument.h"
#include "system/Handles.h"
#include "system/QrvFiles.h"

namespace {

constexpr int32_t kNoire = 40320;
constexpr int32_t kCroche = 20160;

// A score at 72 dpi whose bars and staves each test lays down, spaced by the
// engine with the factory settings.
struct ZorodavaTest : ::testing::Test {
  Document* doc = NouveauDocument();
  Partition** score = NewPartition(doc);
  int16_t dpi = GetDpiDest();

  ZorodavaTest() { SetDpiDest(72); }
  ~ZorodavaTest() override {
    SetDpiDest(dpi);
    LibereDocument(doc);
  }

  // n bars of num/den.
  void Mesures(int32_t n, int16_t num, int16_t den) {
    AddEltTabEltMesureRuban(score, n);
    (*score)->nbMesures = int16_t(n);
    for (int32_t b = 0; b < n; b++) {
      Ligne(b).division.numerateur = num;
      Ligne(b).division.denominateur = den;
    }
  }
  Portee** NouvellePortee(uint32_t type = kTypePorteeStandard) { return NewPortee(score, type); }
  TabEltMesure& Ligne(int32_t bar) { return GetLignesTabElt((*score)->tabEltMesure[0])[bar]; }
  Signe& Note(Portee** staff, int32_t i) { return reinterpret_cast<Signe*>(*(*staff)->notes)[i]; }
  // The engine on with the factory settings, and every table rebuilt.
  void Espace(uint8_t perStaff) {
    SetZorodavaUsine(&(*score)->zorodava);
    (*score)->zorodava.on = 1;
    (*score)->zorodava.perStaff = perStaff;
    SetTabEltMesureModifie(score, kTabEltTout);
    UpdateTabEltMesure(score, kTabEltTout);
  }
  std::vector<int32_t> Temps() {
    std::vector<int32_t> v;
    for (int16_t i = 0; i < nbTaquets; i++) v.push_back(tabTaquet[i].time);
    return v;
  }
  std::vector<int32_t> X() {
    std::vector<int32_t> v;
    for (int16_t i = 0; i < nbTaquets; i++) v.push_back(tabTaquet[i].x);
    return v;
  }
};

TEST_F(ZorodavaTest, AThreeEightBarOfAQuarterThenAnEighthWithASharp) {
  // 3/8: a quarter, then an eighth with a sharp. The quarter takes 120 after
  // it, the sharp 40 before the eighth, the eighth 72 and 8 more as a short
  // note: columns at 0, 160 and 240, on shared and on per-staff columns.
  for (uint8_t perStaff : {0, 1}) {
    SCOPED_TRACE(perStaff);
    Mesures(1, 3, 8);
    Portee** staff = NouvellePortee();
    AjouteSigne(staff, 60, kNoire);
    AjouteSigne(staff, 63, kCroche);
    Espace(perStaff);
    GetCachedZorodavaTaquets(score, 0);
    EXPECT_EQ(Temps(), (std::vector<int32_t>{0, kNoire, kNoire + kCroche}));
    EXPECT_EQ(X(), (std::vector<int32_t>{0, 160, 240}));
    EXPECT_EQ(tabTaquet[1].hasAccidental, 1);
    EXPECT_EQ(tabTaquet[1].shortNote, 1);
    EXPECT_EQ(Ligne(0).echelleZorodava, 240u);
    // The bar's scale: 240 x 161280 / 60480.
    EXPECT_EQ(Ligne(0).echelle, 640);
    EXPECT_EQ(Note(staff, 0).posZorodava, 0);
    EXPECT_EQ(Note(staff, 1).posZorodava, 160);
    LibereDocument(doc);
    doc = NouveauDocument();
    score = NewPartition(doc);
  }
}

TEST_F(ZorodavaTest, SpaceAfterADuration) {
  const ZorodavaSetup z = [] {
    ZorodavaSetup s;
    SetZorodavaUsine(&s);
    return s;
  }();
  const struct {
    int32_t duree;
    int32_t espace;
  } cas[] = {
      {0, 40},      {2519, 40},   {2520, 40},    {5040, 48},    {10080, 56},   {kCroche, 72},  {kNoire, 120},
      {60480, 140}, {80640, 160}, {120960, 180}, {161279, 199}, {161280, 200}, {1000000, 200}, {-1, 40},
  };
  for (const auto& c : cas) EXPECT_EQ(CvtDureeNoteEnSpaceUnit(&z, c.duree), c.espace) << c.duree;
}

TEST_F(ZorodavaTest, StavesOnTheirOwnColumnsAreAlignedOnEveryOnset) {
  // 2/4. Staff A: two quarters. Staff B: an eighth, an eighth with a sharp, a
  // quarter. On its own, A would put its second quarter at 128 and B at 208:
  // aligned, both stand at 208, and B's sharp pushes nothing of A.
  for (uint8_t perStaff : {0, 1}) {
    SCOPED_TRACE(perStaff);
    Mesures(1, 2, 4);
    Portee** a = NouvellePortee();
    AjouteSigne(a, 60, kNoire);
    AjouteSigne(a, 60, kNoire);
    Portee** b = NouvellePortee();
    AjouteSigne(b, 60, kCroche);
    AjouteSigne(b, 63, kCroche);
    AjouteSigne(b, 60, kNoire);
    Espace(perStaff);
    EXPECT_EQ(Note(a, 1).posZorodava, 208);
    EXPECT_EQ(Note(b, 1).posZorodava, 120);
    EXPECT_EQ(Note(b, 2).posZorodava, 208);
    EXPECT_EQ(Ligne(0).echelleZorodava, 328u);
    LibereDocument(doc);
    doc = NouveauDocument();
    score = NewPartition(doc);
  }
}

TEST_F(ZorodavaTest, ANoteTiedOverTheBarLineIsSeenFromTheNextBar) {
  // 4/4: a dotted half, then a note of a quarter and an eighth that sounds an
  // eighth into bar 1, then a half and a dotted quarter.
  Mesures(2, 4, 4);
  Portee** staff = NouvellePortee();
  AjouteSigne(staff, 60, 3 * kNoire);
  AjouteSigne(staff, 62, kNoire + kCroche);
  AjouteSigne(staff, 64, 2 * kNoire);
  AjouteSigne(staff, 65, kNoire + kCroche);
  Espace(1);
  // Bar 1 is scanned from bar 0, where the tied note starts.
  EXPECT_EQ(CreeTaquetsZorodavaMesure(score, 0, 0), 0);
  EXPECT_EQ(CreeTaquetsZorodavaMesure(score, 1, 0), 2);
  // Its piece in bar 1 is an eighth: a short note at the bar's first column
  // (72 + 8), then 8 before the half (160) and 8 before the dotted quarter (140).
  EXPECT_EQ(Temps(), (std::vector<int32_t>{161280, 161280 + kCroche, 161280 + 5 * kCroche, 2 * 161280}));
  EXPECT_EQ(X(), (std::vector<int32_t>{0, 88, 256, 396}));
  EXPECT_EQ(tabTaquet[0].shortNote, 1);
}

TEST_F(ZorodavaTest, NaturalWidthAndScaleOfEmptyRestAndWholeNoteBars) {
  // Bar 0: nothing any staff spaces (a tempo staff); bar 1: only rests;
  // bar 2: a whole note (200, raised to the smallest scale).
  Mesures(3, 4, 4);
  Portee** tempo = NouvellePortee(kTypePorteeTempo);
  AjouteSigne(tempo, 60, 3 * 161280);
  Portee** staff = NouvellePortee();
  AjouteSigne(staff, kSigneSilence, 161280);
  AjouteSigne(staff, kSigneSilence, 161280);
  AjouteSigne(staff, 60, 161280);
  (*staff)->affichee = 0;
  Espace(1);
  EXPECT_EQ(CreeTaquetsZorodavaMesure(score, 0, 0), 1);
  EXPECT_EQ(nbTaquets, 0);
  EXPECT_EQ(Ligne(0).echelleZorodava, 1u);
  EXPECT_EQ(Ligne(0).echelle, 600);
  (*staff)->affichee = 1;
  const struct {
    int32_t bar;
    uint32_t naturelle;
    uint16_t echelle;
  } cas[] = {{1, 200, 600}, {2, 200, 300}};
  for (const auto& c : cas) {
    CreeTaquetsZorodavaMesure(score, c.bar, c.bar);
    EXPECT_EQ(Ligne(c.bar).echelleZorodava, c.naturelle) << c.bar;
    EXPECT_EQ(Ligne(c.bar).echelle, c.echelle) << c.bar;
  }
}

TEST_F(ZorodavaTest, TimesAndPixelsThroughTheColumns) {
  // Bar 0: the 3/8 example; bar 1: a whole-bar filler rest.
  Mesures(2, 3, 8);
  Portee** staff = NouvellePortee();
  AjouteSigne(staff, 60, kNoire);
  AjouteSigne(staff, 63, kCroche);
  AjouteSigne(staff, kSigneSilenceFantome, 3 * kCroche);
  Ligne(0).margeDroite = 20;
  Espace(1);
  const struct {
    int32_t bar, dt;
    float largeur;
    int32_t x;
  } cas[] = {
      {0, 0, 240, 0},
      {0, kNoire, 240, 160},
      {0, kNoire + 2, 240, 160},            // within 2 ticks of a note: on it
      {0, kNoire - 2, 480, 320},            // scaled to the width
      {0, kNoire + kCroche / 2, 240, 200},  // between two columns
      {0, kNoire / 2, 240, 80},             // between the two notes
      {-1, 100, 240, 0},                    // no bar
      {1, 3 * kCroche / 2, 300, 150},       // a whole-bar rest: halfway
  };
  for (const auto& c : cas)
    EXPECT_EQ(ZorodavaCalculePosGraphiqueIntermediaire(score, true, c.bar, c.dt, c.largeur), c.x)
        << c.bar << " " << c.dt;

  // Fractions of the bar's width back to ticks.
  EXPECT_EQ(ZorodavaCalculePosTempsIntermediaire(score, (*score)->tabEltMesure[0], 0, 0.0f), 0);
  EXPECT_EQ(ZorodavaCalculePosTempsIntermediaire(score, (*score)->tabEltMesure[0], 0, 160.0f / 240.0f), kNoire);
  EXPECT_EQ(ZorodavaCalculePosTempsIntermediaire(score, (*score)->tabEltMesure[0], 0, 80.0f / 240.0f), kNoire / 2);

  // The piano roll and back: an onset comes back within a pixel's worth of
  // ticks; outside a bar's music the times step just before the bar, or just
  // before the next one.
  for (int32_t t : {0, kNoire, kNoire + kCroche}) {
    const int32_t bar = CvtTempsEnMesure(score, t);
    const int32_t parPixel = CvtMesureEnDureeMesure(score, bar) / CvtMesureEnTailleUtileMesureRuban(score, bar) + 1;
    const int32_t retour = ZorodavaCvtPixelRubanEnTemps(score, ZorodavaCvtTempsEnPixelRuban(score, t));
    EXPECT_LE(std::abs(retour - t), parPixel) << t;
  }
  EXPECT_EQ(ZorodavaCvtTempsEnPixelRuban(score, kNoire) - CvtMesureEnPixelRuban(score, 0),
            std::lround(160.0 * CvtMesureEnTailleUtileMesureRuban(score, 0) / 240.0));
  const int32_t musique1 = CvtMesureEnPixelRuban(score, 1);
  const int32_t marge1 = CalculeMargeDebutMesureRuban(score, 1);
  ASSERT_GT(marge1, 2);
  EXPECT_EQ(ZorodavaCvtPixelRubanEnTemps(score, musique1 - marge1 / 2 - 1), 3 * kCroche - 2);
  const int32_t finMusique0 = CvtMesureEnPixelRuban(score, 0) + CvtMesureEnTailleUtileMesureRuban(score, 0);
  EXPECT_EQ(ZorodavaCvtPixelRubanEnTemps(score, finMusique0), 3 * kCroche - 3);
  // Past the last bar the page x is not held.
  EXPECT_EQ(ZorodavaCvtTempsEnPixelEcran(score, 100 * 161280), -1);
}

TEST_F(ZorodavaTest, PairsOfABarAreSortedByOffset) {
  Mesures(1, 3, 8);
  Portee** a = NouvellePortee();
  AjouteSigne(a, 60, kNoire);
  AjouteSigne(a, 63, kCroche);
  Portee** b = NouvellePortee();
  AjouteSigne(b, 67, kCroche);
  AjouteSigne(b, 67, 2 * kCroche);
  Espace(1);
  Handle h = ZorodavaCalculeHandlePos(score, true, 0);
  ASSERT_NE(h, nullptr);
  ASSERT_EQ(GetHandleSize(h), Size(4 * sizeof(ZorodavaPos)));
  const auto* p = reinterpret_cast<const ZorodavaPos*>(*h);
  const int32_t offsets[] = {0, kCroche, kNoire, 3 * kCroche};
  for (int i = 0; i < 4; i++) EXPECT_EQ(p[i].offset, offsets[i]) << i;
  EXPECT_EQ(p[2].x, float(Note(a, 1).posZorodava));
  EXPECT_EQ(p[3].x, float(Ligne(0).echelleZorodava));
  LibereHandle(&h);
  EXPECT_EQ(ZorodavaCalculeHandlePos(score, true, 5), nullptr);
}

TEST_F(ZorodavaTest, LyricsWidenTheirColumnsAndABarOfManySyllablesStaysInBounds) {
  // One bar of 300 64th notes (more than a bar's 256 lyric columns), each with
  // a syllable of its own; the factor 0 turns the widening off.
  const int32_t n = 300;
  std::string syllabes;
  for (int32_t i = 0; i < n; i++) syllabes += "Wide ";
  uint32_t largeur[2] = {};
  for (int16_t facteur : {0, 35}) {
    Mesures(1, int16_t(n), 64);
    Portee** staff = NouvellePortee();
    for (int32_t i = 0; i < n; i++) AjouteSigne(staff, 60, 2520);
    (*staff)->karaoke = 1;
    (*staff)->ligneParolesAffichee = 1;
    (*staff)->lignesTexte[0].id = kLigneTexteParoles;
    (*staff)->lignesTexte[0].modeTaquets = kTaquetsNotes;
    (*staff)->lignesTexte[0].nbLignes = 1;
    (*staff)->lignesTexte[0].styleCellule.size = 12;
    ASSERT_GE(SetTexteKaraokeCellule(staff, 0, 0, kLigneTexteParoles, syllabes.c_str(), nullptr), 0);
    Espace(1);
    (*score)->zorodava.lyricFactor = facteur;
    CreeTaquetsZorodavaMesure(score, 0, 0);
    largeur[facteur != 0] = Ligne(0).echelleZorodava;
    if (facteur) {
      // A syllable wider than the 64th's 40 units pushes its note off.
      EXPECT_GT(tabTaquet[1].lyricLeft + tabTaquet[1].lyricRight, 0);
      // Past the 256th column there is no lyric room.
      EXPECT_EQ(tabTaquet[n - 1].lyricLeft + tabTaquet[n - 1].lyricRight, 0);
    }
    LibereDocument(doc);
    doc = NouveauDocument();
    score = NewPartition(doc);
  }
  // 64th notes alone: 299 gaps of 8, and 300 widths of 40 with 8 more each
  // as short notes.
  EXPECT_EQ(largeur[0], uint32_t(299 * 8 + 300 * 48));
  EXPECT_GT(largeur[1], largeur[0]);
}

TEST(ZorodavaLectureTest, OldFilesGetTheLyricFactorAndTheShortestWidths) {
  const struct {
    uint16_t version;
    int16_t lyricFactor;
    int16_t w32, w64;
  } cas[] = {{0x07FF, 35, 56, 56}, {0x0800, 0, 56, 56}, {0x093F, 0, 56, 56}, {0x0940, 0, 0, 40}};
  for (const auto& c : cas) {
    // on, scaleBars, widths whole..16th, gap, accidental, grace, shortExtra,
    // minScale, maxScale, restScale, lyricFactor 0, 32nd 0, 64th 40, perStaff, 9 bytes.
    std::vector<uint8_t> o = {1, 0};
    for (int16_t v : {200, 160, 120, 72, 56, 8, 40, 35, 8, 300, 9999, 600, 0, 0, 40}) {
      o.push_back(uint8_t(uint16_t(v) >> 8));
      o.push_back(uint8_t(v));
    }
    o.push_back(1);
    o.insert(o.end(), 9, 0xEE);
    const uint16_t ancienne = VersionQuarvelLoad;
    VersionQuarvelLoad = c.version;
    ZorodavaSetup z{};
    FixeLectureSurPtr(o.data(), uint32_t(o.size()));
    ReadZorodava(&z);
    EXPECT_EQ(TermineSurPtr(), o.size());
    VersionQuarvelLoad = ancienne;
    EXPECT_EQ(z.on, 1);
    EXPECT_EQ(z.scaleBars, 0);
    EXPECT_EQ(z.perStaff, 1);
    EXPECT_EQ(z.lyricFactor, c.lyricFactor) << std::hex << c.version;
    EXPECT_EQ(z.widths[5], c.w32) << std::hex << c.version;
    EXPECT_EQ(z.widths[6], c.w64) << std::hex << c.version;
  }
}

}  // namespace
