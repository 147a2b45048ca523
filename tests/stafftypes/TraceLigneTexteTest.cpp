// Lyrics drawn: syllables on their columns, hyphens between the syllables of
// a word, extender lines under held syllables, markers, and the guide lines
// and bar lines of a line; the lyrics staff type's slots.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "model/BarTableFixtures.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/QrvText.h"
#include "notation/NotationFixtures.h"
#include "stafftypes/PorteeKaraoke.h"
#include "stafftypes/TraceLigneTexte.h"
#include "support/Enregistrements.h"
#include "system/PortLayer.h"
#include "text/Fontes.h"
#include "text/TextBox.h"
#include "text/UTFText.h"

namespace {

using Segment = std::array<int, 4>;  // h1, v1, h2, v2
constexpr auto* Segments = &tamrel_test::LignesEnregistrees;

// The texts drawn with their absolute origins.
using Ecrit = tamrel_test::TexteEnregistre;
constexpr auto* Textes = &tamrel_test::TextesEnregistres;

TEST(TraceTiret, DashesFillTheRoomOrNothingWhenItIsTooSmall) {
  const int16_t dpi = GetDpiDest();
  SetDpiDest(72);
  struct Cas {
    int16_t x1, x2, end, flags, minRoom;
    size_t segments;
  } cas[] = {
      {100, 104, 0, kTiretTirets, 8, 0},                 // below the minimum room
      {100, 130, 0, kTiretTirets, 8, 1},                 // one dash
      {100, 300, 0, kTiretTirets, 8, 6},                 // one per 36 points of room
      {100, 300, 0, kTiretTirets | kTiretUnique, 8, 1},  // a single one at x1
      {100, 100, 160, kTiretProlongation, 0, 1},         // the extender line
      {100, 300, 0, 0, 0, 0},                            // no flag
  };
  for (const Cas& c : cas) {
    const auto segs = Segments(Enregistre([&] { TraceTiret(c.x1, c.x2, c.end, 50, c.flags, 4, c.minRoom, 2); }));
    ASSERT_EQ(segs.size(), c.segments) << c.x1 << "-" << c.x2 << " flags " << c.flags;
    for (const Segment& s : segs) {
      EXPECT_EQ(s[1], s[3]);  // horizontal
      if (c.flags & kTiretProlongation) {
        EXPECT_EQ(s[0], c.x1);
        EXPECT_EQ(s[2], c.end);
        EXPECT_EQ(s[1], 50);
      } else {
        EXPECT_GE(s[0], c.x1);
        EXPECT_LE(s[2], c.x2);
        EXPECT_EQ(s[2] - s[0], kMGLongueurTiret - 1);
        EXPECT_LT(s[1], 50 - 4 + 1);  // above the baseline by the dash height
      }
    }
  }
  SetDpiDest(dpi);
}

// Two bars of 4/4, each cut into two columns, and a lyrics line of one row.
struct TraceLigneTexteTest : BarTableTest {
  EnvNotation env;
  Portee** staff = nullptr;
  static void SetUpTestSuite() { ActiveFonteMusicale(); }
  TraceLigneTexteTest() {
    Mesures(3);
    staff = Portee0();
    Portee& p = **staff;
    p.ligneParolesAffichee = 1;
    p.karaoke = 1;
    p.yHaut = 100;
    p.yBas = 140;
    LigneTexte& l = p.lignesTexte[0];
    l.modeTaquets = kTaquetsNombre;
    l.parametreTaquets = 2;
    l.alignement = 0;
    l.echelleIdeale = 0;
    l.styleCellule = TextStyle{GetStdFont(), 0, 12, {0, 0, 0}};
    CalculeHauteurCelluleLigneTexte(staff, 1);
  }
  int X(int16_t bar, int colonne) {
    TaquetKaraoke c[kMaxTaquetsMesure];
    CalculeTableauTaquetKaraokeMesure(c, staff, kTaquetsNombre, 2, bar, 1, 0, 1);
    return CvtTempsEnPixelEcran(score, CvtMesureEnTemps(score, bar)) + c[colonne].xEcran;
  }
  std::vector<std::string> Dessine(int16_t bar, const char* texte, uint8_t codes = 0) {
    SetTexteKaraokeCellule(staff, bar, 0, 1, texte, nullptr);
    const int32_t i = CvtCelluleKaraokeEnIndexTexte(staff, 1, bar, 0);
    const Texte t = GetTextesPortee(staff, nullptr)[i];
    Rect r;
    CalculeAireTexteEcran(doc, staff, i, 0, &r);
    cellule = r;
    LigneTexte l = (*staff)->lignesTexte[0];
    return Enregistre([&] { AfficheLigneTexte(staff, &l, bar, &r, t.texte, &t.style, codes, nullptr); });
  }
  int Base() { return cellule.bottom - (*staff)->lignesTexte[0].baseVersBas; }
  int Largeur(const char* s) {
    CGrafPtr avant = SetPortTemporaire();
    TextLook(GetStdFont(), 12, 0);
    const int w = UTFTextWidth(nullptr, s, 0, int32_t(std::strlen(s)));
    SetPort(avant);
    return w;
  }
  Rect cellule{};
};

TEST_F(TraceLigneTexteTest, SyllablesSitOnTheirColumnsWithHyphensBetweenThem) {
  const auto ops = Dessine(0, "gar-den ");
  const auto textes = Textes(ops);
  ASSERT_EQ(textes.size(), 2u);
  EXPECT_EQ(textes[0].texte, "gar");
  EXPECT_EQ(textes[0].h, X(0, 0));
  EXPECT_EQ(textes[0].v, Base());
  EXPECT_EQ(textes[1].texte, "den");
  EXPECT_EQ(textes[1].h, X(0, 1));
  // Dashes between the end of "gar" and the start of "den", above the baseline.
  const auto segs = Segments(ops);
  ASSERT_FALSE(segs.empty());
  for (const Segment& s : segs) {
    EXPECT_GE(s[0], X(0, 0) + Largeur("gar"));
    EXPECT_LE(s[2], X(0, 1));
    EXPECT_LT(s[1], Base());
  }
}

TEST_F(TraceLigneTexteTest, AHeldSyllableGetsALineToTheNextColumn) {
  const auto ops = Dessine(0, "oh_ah ");
  const auto segs = Segments(ops);
  ASSERT_EQ(segs.size(), 1u);
  // Held on a division column, the line starts a little after the syllable.
  EXPECT_EQ(segs[0][0], X(0, 0) + Largeur("oh") + kMGDecalageProlongation);
  EXPECT_EQ(segs[0][2], X(0, 1) - kMGMargeTiret);
  EXPECT_EQ(segs[0][1], Base());
}

TEST_F(TraceLigneTexteTest, MarkersAreHiddenOrShownAsText) {
  auto ops = Dessine(0, "[%ff0000]do$(q) re ");
  auto textes = Textes(ops);
  ASSERT_FALSE(textes.empty());
  EXPECT_EQ(textes[0].texte, "do");
  EXPECT_EQ(textes.back().texte, "re");
  EXPECT_FALSE(Filtre(ops, {"EraseRect"}).empty());
  // Shown as codes: the marker is text and nothing is painted behind.
  ops = Dessine(0, "[%ff0000]do re ", 1);
  textes = Textes(ops);
  ASSERT_FALSE(textes.empty());
  EXPECT_EQ(textes[0].texte, "[%ff0000]do");
  EXPECT_TRUE(Filtre(ops, {"EraseRect"}).empty());
  // In-column forms are drawn as what they stand for.
  textes = Textes(Dessine(1, "a=b^c{1}\\ x "));
  std::string tout;
  for (const Ecrit& e : textes) tout += e.texte;
  EXPECT_EQ(tout, "a-b c[1]/x");
}

TEST_F(TraceLigneTexteTest, CentredSyllablesStandOnTheNoteHead) {
  (*staff)->lignesTexte[0].alignement = 1;
  (*staff)->largeurTete = 8;
  const auto textes = Textes(Dessine(0, "la si "));
  ASSERT_EQ(textes.size(), 2u);
  EXPECT_EQ(textes[0].h, X(0, 0) + (8 - Largeur("la")) / 2);
  EXPECT_EQ(textes[1].h, X(0, 1) + (8 - Largeur("si")) / 2);
}

TEST_F(TraceLigneTexteTest, AWordGoesOnIntoTheNextBar) {
  // The hyphen after the last syllable runs up to the next bar's first syllable.
  SetTexteKaraokeCellule(staff, 1, 0, 1, "den ", nullptr);
  const auto segs = Segments(Dessine(0, "la gar-"));
  ASSERT_FALSE(segs.empty());
  EXPECT_GT(segs.back()[2], cellule.right - 2);
}

TEST_F(TraceLigneTexteTest, GuidesDrawRowsAndBarLines) {
  LigneTexte& l = (*staff)->lignesTexte[0];
  l.nbLignes = 2;
  l.guides = 0;
  const Rect r{100, 10, 200, 300};
  EXPECT_TRUE(Segments(Enregistre([&] { TraceFondLigneTextes(staff, &r); })).empty());
  EXPECT_TRUE(Segments(Enregistre([&] { TraceBarreMesureLigneTextes(staff, 50); })).empty());
  l.guides = 1;
  const auto rangs = Segments(Enregistre([&] { TraceFondLigneTextes(staff, &r); }));
  ASSERT_EQ(rangs.size(), 3u);  // rows + 1
  EXPECT_EQ(rangs[1][1] - rangs[0][1], l.hauteurLigne);
  const auto barre = Segments(Enregistre([&] { TraceBarreMesureLigneTextes(staff, 50); }));
  ASSERT_EQ(barre.size(), 1u);
  EXPECT_EQ(barre[0][0], 50);
  EXPECT_EQ(barre[0][2], 50);
  // Held inside the staff.
  EXPECT_LE(barre[0][3], (*staff)->yBas);
}

TEST_F(TraceLigneTexteTest, ALyricsStaffDrawsNoNoteAndItsBarPassDrawsItsLines) {
  Portee** paroles = NewPortee(score, kTypePorteeParole);
  ASSERT_NE(paroles, nullptr);
  const VecteursPortee& v = (*paroles)->vecteurs;
  ASSERT_NE(v.vect_trace_notes, nullptr);
  EXPECT_EQ(v.vect_trace_notes(paroles, 0, 0, nullptr, 0, 7, 9, 0, 0, 0), 8);
  EXPECT_EQ(v.vect_Note2Ecr(paroles, 0, 0, nullptr, nullptr), 0);
  int16_t note = 5;
  EXPECT_EQ(v.vect_Ruban2Note(paroles, 0, 0, &note), -2);
  EXPECT_EQ(v.vect_trace_armature, nullptr);
  EXPECT_EQ((*paroles)->ligneParolesAffichee, 1);
  EXPECT_EQ((*paroles)->lignesTexte[0].guides, 1);
  EXPECT_EQ((*paroles)->largeurCle, 59);
  (*paroles)->rect = Rect{300, 0, 360, 400};
  const auto segs = Segments(Enregistre([&] { v.vect_trace_barre_mesure(paroles, 1, 77, 0, 1, 0); }));
  ASSERT_FALSE(segs.empty());
  EXPECT_EQ(segs[0][0], 77);
  EXPECT_EQ(segs[0][1], 300);
  EXPECT_EQ(segs[0][3], 360);
}

}  // namespace
