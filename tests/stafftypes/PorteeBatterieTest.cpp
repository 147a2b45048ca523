// The drum staff: its slots, the grid of beats and subdivisions, struck notes
// as triangles in their cells, the ribbon rectangles and the bar margins.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "layout/DonneesZorodava.h"
#include "model/BarTableFixtures.h"
#include "model/CvtTemps.h"
#include "model/Portee.h"
#include "model/Ruban.h"
#include "model/Signe.h"
#include "model/TabEltMesure.h"
#include "model/Tonalite.h"
#include "notation/NotationFixtures.h"
#include "stafftypes/PorteeBatterie.h"

namespace {

constexpr int32_t Q = 40320, CROCHE = Q / 2;

// A vertical line drawn: its x and its pen width.
struct Trait {
  int x, plume;
  bool operator==(const Trait& o) const { return x == o.x && plume == o.plume; }
};

// The vertical lines of a drawing, with the pen in force for each.
std::vector<Trait> Verticales(const std::vector<std::string>& ops) {
  std::vector<Trait> out;
  int plume = 1, v, h, v2, h2, dh, dv;
  for (const std::string& op : ops) {
    if (std::sscanf(op.c_str(), "PnSize (%d,%d)", &v, &h) == 2) {
      plume = h;
    } else if (std::sscanf(op.c_str(), "Line (%d,%d) (%d,%d)", &v, &h, &v2, &h2) == 4) {
      if (h == h2 && v != v2) out.push_back({h, plume});
    } else if (std::sscanf(op.c_str(), "ShortLine (%d,%d) %d %d", &v, &h, &dh, &dv) == 4) {
      if (dh == 0 && dv != 0) out.push_back({h, plume});
    }
  }
  return out;
}

// Every point a drawing's lines go through, as "x,y".
std::vector<std::string> Points(const std::vector<std::string>& ops) {
  std::vector<std::string> out;
  int pv = 0, ph = 0, v, h, v2, h2, dh, dv;
  auto point = [&](int x, int y) {
    out.push_back(std::to_string(x) + "," + std::to_string(y));
    ph = x;
    pv = y;
  };
  for (const std::string& op : ops) {
    if (std::sscanf(op.c_str(), "Line (%d,%d) (%d,%d)", &v, &h, &v2, &h2) == 4) {
      point(h, v);
      point(h2, v2);
    } else if (std::sscanf(op.c_str(), "ShortLine (%d,%d) %d %d", &v, &h, &dh, &dv) == 4) {
      point(h, v);
      point(h + dh, v + dv);
    } else if (std::sscanf(op.c_str(), "ShortLineFrom %d %d", &dh, &dv) == 2) {
      point(ph + dh, pv + dv);
    } else if (std::sscanf(op.c_str(), "LineFrom (%d,%d)", &v, &h) == 2) {
      point(h, v);
    }
  }
  return out;
}

// Bottom line at y 140, interline 6 (the band from 128 to 140).
struct PorteeBatterieTest : BarTableTest {
  EnvNotation env;
  Portee** staff = nullptr;
  uint8_t suit = GridDrumFollowZorodava;
  static void SetUpTestSuite() { ActiveFonteMusicale(); }
  PorteeBatterieTest() {
    Mesures(4);
    staff = Portee0();
    InitPorteeBatterie(staff);
    Portee& p = **staff;
    p.interligne = 6.0f;
    p.rect = Rect{100, 0, 200, 2000};
    p.decalageLigneBas = 40;
    p.interligneRuban = 4.0f;
    p.aireRuban = BigRect{0, 2000, 300, 400};
    p.decalageLigneBasRuban = 50;
    p.subdivisionBatterie = 4;
  }
  ~PorteeBatterieTest() override { GridDrumFollowZorodava = suit; }
  VecteursPortee& V() { return (*staff)->vecteurs; }
  void Note(int8_t kind, int32_t duree) { AjouteSigne(staff, kind, duree); }
  std::vector<std::string> Fond(int32_t bar, int16_t right) {
    Rect r{100, 0, 200, right};
    return Enregistre([&] { V().vect_trace_fond_portee(staff, &r, 0, nullptr, CvtMesureEnTemps(score, bar), 0); });
  }
};

TEST_F(PorteeBatterieTest, InstallsTheDrumSlots) {
  EXPECT_EQ((*staff)->type, uint32_t(kTypePorteeBatterie));
  const VecteursPortee& v = V();
  EXPECT_TRUE(v.vect_init_portee && v.vect_trace_fond_portee && v.vect_Note2Ecr && v.vect_Note2Ruban &&
              v.vect_Ruban2Note && v.vect_trace_notes && v.vect_trace_barre_mesure && v.CvtIndexNoteEnAireRuban);
  EXPECT_FALSE(v.vect_trace_armature || v.HauteurRuban2Note || v.vect_click_shift);
  // Every note sits one interline above the bottom line, on screen and on the ribbon.
  Signe note;
  RazNote(&note, 42, Q);
  uint8_t flags = 0;
  EXPECT_EQ(v.vect_Note2Ecr(staff, 0, -1, &note, &flags), 134);
  EXPECT_EQ(flags, 2);
  EXPECT_EQ(v.vect_Note2Ruban(staff, 0, -1, &note, &flags), 346);
  // The header is as wide as the staff's name.
  (*staff)->aspect.nom[0] = 0;
  v.vect_init_portee(staff);
  EXPECT_EQ((*staff)->largeurCle, 4);
  std::snprintf((*staff)->aspect.nom, sizeof(*staff)->aspect.nom, "Drum kit");
  v.vect_init_portee(staff);
  EXPECT_GT((*staff)->largeurCle, 20);
}

// Bar 0 starts its music at x 16 and is 160 wide in 4/4 (120 in 6/8).
TEST_F(PorteeBatterieTest, GridLinesOnBeatsAndSubdivisions) {
  struct Cas {
    int16_t num, den;
    int8_t subdivisionMesure;
    int16_t subdivisionPortee;
    std::vector<int> x;
  } cas[] = {
      // 6/8 has two beats: three subdivisions make six cells.
      {6, 8, 3, 4, {16, 36, 56, 76, 96, 116}},
      // The bar's entry gives none: the staff's default.
      {4, 4, 0, 2, {16, 36, 56, 76, 96, 116, 136, 156}},
      // Neither gives one (or a damaged file gives a negative one): one cell per beat.
      {4, 4, 0, 0, {16, 56, 96, 136}},
      {3, 4, -2, 0, {16, 56, 96}},
  };
  // Equal cells across the useful width; following the spacing, each line at
  // its cell's time.
  GridDrumFollowZorodava = 0;
  for (const Cas& c : cas) {
    FixeSignature(0, c.num, c.den);
    int32_t n = 0;
    GetEltsTabTonalite(staff, &n)[0].subdivisionBatterie = c.subdivisionMesure;
    (*staff)->subdivisionBatterie = c.subdivisionPortee;
    const int16_t fin = int16_t(CvtMesureEnPixelEcran(score, 1));
    std::vector<int> x;
    for (const Trait& t : Verticales(Fond(0, 1000)))
      if (t.x < fin) x.push_back(t.x);
    EXPECT_EQ(x, c.x) << c.num << "/" << c.den << " " << int(c.subdivisionMesure) << " " << c.subdivisionPortee;
  }
  GridDrumFollowZorodava = 1;
  std::vector<int> suivi, attendu;
  for (const Trait& t : Verticales(Fond(0, 1000)))
    if (t.x < CvtMesureEnPixelEcran(score, 1)) suivi.push_back(t.x);
  for (int k = 0; k < 3; k++) attendu.push_back(CvtTempsEnPixelEcran(score, k * Q));
  EXPECT_EQ(suivi, attendu);
  // The band's two edges.
  const auto ops = Fond(0, 400);
  const auto pts = Points(ops);
  ASSERT_GE(pts.size(), 4u);
  EXPECT_EQ(std::vector<std::string>(pts.begin(), pts.begin() + 4),
            (std::vector<std::string>{"0,128", "399,128", "0,140", "399,140"}));
  // Nothing right of the clip.
  const Rect clip{100, 0, 200, 60};
  Rect r{100, 0, 200, 1000};
  for (const Trait& t : Verticales(Enregistre([&] { V().vect_trace_fond_portee(staff, &r, 0, &clip, 0, 0); })))
    EXPECT_LT(t.x, 60);
}

TEST_F(PorteeBatterieTest, BeatLinesAreThickerThanSubdivisionLines) {
  FixeSignature(0, 6, 8);
  int32_t n = 0;
  GetEltsTabTonalite(staff, &n)[0].subdivisionBatterie = 3;
  SetDpiDest(288);
  std::vector<int> plumes;
  for (const Trait& t : Verticales(Fond(0, 2000))) plumes.push_back(t.plume);
  ASSERT_GE(plumes.size(), 6u);
  EXPECT_EQ(std::vector<int>(plumes.begin(), plumes.begin() + 6), (std::vector<int>{3, 1, 1, 3, 1, 1}));
}

// 4/4 in sixteenths: cells of 10080 ticks, 10 pixels wide from x 16.
TEST_F(PorteeBatterieTest, NotesFillTheirCellOnScreenAndTheNearestOnTheRibbon) {
  Note(kSigneSilence, 36000);
  Note(38, 4320);
  Note(kSigneSilence, 4 * Q - 40320);
  GridDrumFollowZorodava = 0;
  int32_t n = 0;
  Signe* s = GetSignesPortee(staff, &n);
  // On screen the cell holding the note: 36000 lies in cell 3 (x 46 to 56).
  const auto ops = Enregistre([&] { EXPECT_EQ(V().vect_trace_notes(staff, 0, 0, s, 36000, 1, n, 0, -1, 0), 2); });
  EXPECT_EQ(Points(ops), (std::vector<std::string>{"46,128", "46,140", "55,134", "46,128"}));
  EXPECT_EQ(s[1].xRelatifMesure, 46);
  // On the ribbon the nearest cell: 36000 is nearer cell 4 (x 56 to 66),
  // one ribbon interline above and below the note's ribbon y.
  BigRect b{};
  ASSERT_EQ(V().CvtIndexNoteEnAireRuban(staff, 1, &b), 1);
  EXPECT_EQ(b.left, 57);
  EXPECT_EQ(b.right, 66);
  const float il = (*staff)->interligneRuban > 0.0f ? (*staff)->interligneRuban : 6.0f;
  EXPECT_EQ(b.top, int32_t(float(V().vect_Note2Ruban(staff, 36000, 1, s + 1, nullptr)) - il));
  EXPECT_EQ(b.bottom - b.top, int32_t(2 * il));

  // Following the spacing, the note starts at its own time's x.
  GridDrumFollowZorodava = 1;
  const auto suivi = Points(Enregistre([&] { V().vect_trace_notes(staff, 0, 0, s, 36000, 1, n, 0, -1, 0); }));
  ASSERT_EQ(suivi.size(), 4u);
  EXPECT_EQ(suivi[0], std::to_string(CvtTempsEnPixelEcran(score, 36000)) + ",128");

  // Rests draw nothing and have no ribbon rectangle.
  EXPECT_TRUE(Enregistre([&] { EXPECT_EQ(V().vect_trace_notes(staff, 0, 0, s, 0, 0, n, 0, -1, 0), 1); }).empty());
  EXPECT_EQ(V().CvtIndexNoteEnAireRuban(staff, 0, &b), 0);
}

TEST_F(PorteeBatterieTest, BarLineAndTintedMargins) {
  const auto ops = Enregistre([&] { EXPECT_EQ(V().vect_trace_barre_mesure(staff, 0, 100, 0, 1, 0), 100); });
  EXPECT_EQ(Verticales(ops), (std::vector<Trait>{{100, 2}}));
  EXPECT_EQ(Filtre(ops, {"RGBFgCol F000 F000 F000"}).size(), 1u);
  EXPECT_EQ(Filtre(ops, {"PaintRect (129,102,140,116)"}).size(), 1u) << ::testing::PrintToString(ops);
  // A bar with an end margin tints it too and returns its end.
  Ligne(0).margeDroite = 8;
  SetTabEltMesureModifie(score, kTabEltTout);
  const int16_t taille = CvtMesureEnTaillePixelEcran(score, 0);
  const auto fin = Enregistre([&] { EXPECT_EQ(V().vect_trace_barre_mesure(staff, 0, 100, 0, 1, 0), 100 + taille); });
  EXPECT_EQ(Filtre(fin, {"PaintRect"}).size(), 2u) << ::testing::PrintToString(fin);
}

}  // namespace
