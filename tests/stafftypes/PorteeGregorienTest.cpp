// The Gregorian staff: neume figures from pitches, ties and durations, their
// squares on the ribbon, episemas, division strokes from rests, square clefs,
// guide marks and one lyrics column per neume, read back from the recorded
// drawing.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "model/BarTableFixtures.h"
#include "model/ParamEffet.h"
#include "model/Portee.h"
#include "model/QrvLiaison.h"
#include "model/Signe.h"
#include "model/TabEltMesure.h"
#include "model/Tonalite.h"
#include "model/TonaliteMaths.h"
#include "notation/NotationFixtures.h"
#include "stafftypes/Neumes.h"
#include "stafftypes/PorteeGregorien.h"

namespace {

// A segment drawn: from (x1, y1) to (x2, y2).
struct Segment {
  int x1, y1, x2, y2;
};

// The lines of the recorded operations (each from the pen's last point when
// the operation gives no start).
std::vector<Segment> Segments(const std::vector<std::string>& ops) {
  std::vector<Segment> out;
  int x = 0, y = 0;
  for (const std::string& op : ops) {
    int a, b, c, d;
    if (std::sscanf(op.c_str(), "ShortLine (%d,%d) %d %d", &a, &b, &c, &d) == 4) {
      out.push_back({b, a, b + c, a + d});
    } else if (std::sscanf(op.c_str(), "ShortLineFrom %d %d", &c, &d) == 2) {
      out.push_back({x, y, x + c, y + d});
    } else if (std::sscanf(op.c_str(), "Line (%d,%d) (%d,%d)", &a, &b, &c, &d) == 4) {
      out.push_back({b, a, d, c});
    } else if (std::sscanf(op.c_str(), "LineFrom (%d,%d)", &a, &b) == 2) {
      out.push_back({x, y, b, a});
    } else {
      continue;
    }
    x = out.back().x2;
    y = out.back().y2;
  }
  return out;
}

std::vector<Rect> Rects(const std::vector<std::string>& ops) {
  std::vector<Rect> out;
  for (const std::string& op : ops) {
    Rect r;
    if (std::sscanf(op.c_str(), "PaintRect (%hd,%hd,%hd,%hd)", &r.top, &r.left, &r.bottom, &r.right) == 4)
      out.push_back(r);
  }
  return out;
}

// A Gregorian staff with the treble clef: bottom line (E4) at screen y 140
// and ribbon y 40, interline 6 on both, so a pitch's ribbon y is its screen
// y - 100. Squares are 4 pixels (6 x 0.7).
struct GregorienTest : BarTableTest {
  EnvNotation env;
  Portee** staff = nullptr;
  static void SetUpTestSuite() { ActiveFonteMusicale(); }
  GregorienTest() {
    Mesures(4);
    staff = NewPortee(score, kTypePorteeGregorien);
    Portee& p = **staff;
    // A unit of 54 gives a ribbon interline of 6 on this staff.
    p.aspect.tailleUnite = 54;
    p.decalageLigneBasBaseRuban = 40;
    p.hauteurBaseRuban = 100;
    SetTabEltMesureModifie(score, kTabEltTout);
    UpdateTabEltMesure(score, kTabEltTout);
    Portee& q = **staff;
    q.interligne = 6.0f;
    q.rect = Rect{100, 0, 200, 600};
    q.decalageLigneBas = 40;
    EXPECT_EQ((*staff)->interligneRuban, 6.0f);
    EXPECT_EQ((*staff)->aireRuban.top, 0);
    EXPECT_EQ((*staff)->decalageLigneBasRuban, 40);
  }
  Signe& S(int32_t i) {
    int32_t n;
    return GetSignesPortee(staff, &n)[i];
  }
  int32_t N() { return (*staff)->nbNotes; }
  // No note left, nor their effects.
  void Vide() {
    DisposeParamEffetsPortee(staff);
    (*staff)->nbNotes = 0;
    ClrTurboCvtTempsEnIndexNote(staff, 0);
  }
  // A note (or a rest for a negative kind) drawn at full size.
  int32_t Ajoute(int8_t kind, int32_t duree = 20160) {
    AjouteSigne(staff, kind, duree);
    S(N() - 1).taille = 100;
    return N() - 1;
  }
  void Lie(int32_t from, int32_t to) { ASSERT_EQ(SetLiaison(staff, from, staff, to, kLiaisonCoule), 1); }
  int32_t Extrait(int32_t index, Neume* neume) {
    int32_t n;
    const Signe* s = GetSignesPortee(staff, &n);
    return ExtraitNeumeRuban(staff, s, index, n, 100, neume);
  }
  int32_t TraceNotes(int32_t index, int16_t x = 50, int16_t bar = 0) {
    int32_t n;
    Signe* s = GetSignesPortee(staff, &n);
    return (*staff)->vecteurs.vect_trace_notes(staff, x, 10, s, 0, index, n, bar, -1, 0);
  }
};

TEST_F(GregorienTest, InstallerFillsTheSlotsAndTheStaffLines) {
  const Portee& p = **staff;
  EXPECT_EQ(p.type, kTypePorteeGregorien);
  EXPECT_EQ(p.codeMiseEnPage1, 3);
  EXPECT_EQ(p.codeMiseEnPage2, 3);
  EXPECT_EQ(p.flagAffichage, 1);
  EXPECT_EQ(p.sansDecoupeMesure, 1);
  const VecteursPortee& v = p.vecteurs;
  EXPECT_TRUE(v.vect_init_portee && v.vect_trace_fond_portee && v.vect_trace_armature && v.vect_Note2Ecr &&
              v.vect_Note2Ruban && v.vect_Ruban2Note && v.vect_trace_notes && v.vect_trace_barre_mesure &&
              v.CvtIndexNoteEnAireRuban);
  EXPECT_EQ(v.HauteurRuban2Note, nullptr);
  EXPECT_EQ(v.vect_click_shift, nullptr);
  // Four lines from the bottom one up, over the clipped area.
  const Rect clip{0, 20, 300, 300};
  const auto ops = Enregistre([&] { v.vect_trace_fond_portee(staff, &p.rect, 0, &clip, 0, 0); });
  std::vector<int> ys;
  for (const Segment& s : Segments(ops)) {
    EXPECT_EQ(s.x1, 20);
    ys.push_back(s.y1);
  }
  EXPECT_EQ(ys, (std::vector<int>{140, 134, 128, 122}));
}

TEST_F(GregorienTest, NotePositionsAndTheirInverse) {
  const VecteursPortee& v = (*staff)->vecteurs;
  struct Cas {
    int8_t kind;
    int8_t decalage;
    int16_t y;
    uint8_t flags;
  } cas[] = {
      {64, 0, 140, 2}, {67, 0, 134, 2}, {74, 0, 122, 2}, {60, 0, 146, 2}, {70, 0, 128, 3},  // B flat: the flat to show
      {-1, 0, 128, 2}, {-1, 3, 125, 2},
  };
  for (const Cas& c : cas) {
    Signe s{};
    s.kind = c.kind;
    s.decalageSilence = c.decalage;
    s.alteration = kAlterationAucune;
    uint8_t flags = 0xFF;
    EXPECT_EQ(v.vect_Note2Ecr(staff, 0, -1, &s, &flags), c.y) << int(c.kind);
    EXPECT_EQ(flags, c.flags) << int(c.kind);
    EXPECT_EQ(v.vect_Note2Ruban(staff, 0, -1, &s, &flags), c.y - 100) << int(c.kind);
  }
  // Ribbon heights back to pitches in C major; below the lowest step, step 0.
  for (auto [y, pitch] : std::vector<std::pair<int32_t, int16_t>>{{40, 64}, {34, 67}, {22, 74}, {43, 62}, {9000, 0}}) {
    int16_t note = -99;
    EXPECT_EQ(v.vect_Ruban2Note(staff, 0, y, &note), 1);
    EXPECT_EQ(note, pitch) << y;
  }
}

TEST_F(GregorienTest, FiguresFromPitchesTiesAndDurations) {
  constexpr int32_t c = 10080;  // a short note
  struct Cas {
    std::vector<int8_t> pitches;
    std::vector<int32_t> durees;  // 20160 when missing
    uint8_t variante;
    int32_t forme;
    int16_t nb;
  } cas[] = {
      {{64}, {}, 0, 0, 1},
      {{64}, {}, 1, 1, 1},
      {{64, 67}, {}, 0, 2, 2},
      {{67, 64}, {}, 0, 3, 2},
      {{64, 64}, {}, 0, 2, 2},  // the same pitch counts as rising
      {{67, 64}, {20160, c}, 0, 16, 2},
      {{64, 67}, {c, 20160}, 0, 17, 2},
      {{64, 67, 69}, {}, 0, 4, 3},
      {{64, 67, 64}, {}, 0, 5, 3},
      {{67, 64, 67}, {}, 0, 6, 3},
      {{69, 67, 64}, {}, 0, 7, 3},
      {{69, 67, 64}, {20160, 20160, c}, 0, 21, 3},
      {{64, 67, 64}, {20160, c, 20160}, 0, 22, 3},
      {{64, 67, 64, 67}, {}, 0, 10, 4},
      {{67, 64, 67, 64}, {}, 0, 13, 4},
      {{69, 67, 65, 64}, {}, 0, 15, 4},
      // Five notes under one tie: the fifth starts the next neume.
      {{64, 65, 67, 69, 71}, {}, 0, 8, 4},
  };
  for (const Cas& k : cas) {
    SCOPED_TRACE(k.forme);
    Vide();
    for (size_t i = 0; i < k.pitches.size(); i++) {
      Ajoute(k.pitches[i], i < k.durees.size() ? k.durees[i] : 20160);
      S(int32_t(i)).varianteNeume = k.variante;
    }
    Ajoute(-1);
    if (k.pitches.size() > 1) Lie(0, int32_t(k.pitches.size()) - 1);
    Neume neume;
    EXPECT_EQ(Extrait(0, &neume), k.nb);
    EXPECT_EQ(neume.forme, k.forme);
    EXPECT_EQ(neume.nb, k.nb);
    EXPECT_EQ(neume.premier, 0);
    EXPECT_EQ(neume.dernier, k.nb - 1);
  }
}

TEST_F(GregorienTest, HiddenNotesAreSkippedInsideTheirTie) {
  Ajoute(64);
  Ajoute(65);
  Ajoute(67);
  Ajoute(69);
  Ajoute(71);
  S(1).flags |= kSigneModele;
  S(4).flags |= kSigneModele;
  Lie(0, 3);
  Neume neume;
  EXPECT_EQ(Extrait(0, &neume), 4);
  ASSERT_EQ(neume.nb, 3);
  EXPECT_EQ(neume.elements[0].index, 0);
  EXPECT_EQ(neume.elements[1].index, 2);
  EXPECT_EQ(neume.elements[2].index, 3);
  EXPECT_EQ(neume.forme, 4);
  // A hidden untied note makes no figure.
  EXPECT_EQ(Extrait(4, &neume), 5);
  EXPECT_EQ(neume.nb, 0);
  EXPECT_EQ(neume.forme, -1);
}

TEST_F(GregorienTest, DurationsChooseTheSquareAndTheDot) {
  struct Cas {
    int32_t duree;
    uint8_t court, allonge;
  } cas[] = {{20160, 0, 0}, {15120, 1, 1}, {15119, 1, 0}, {10080, 1, 0}, {30240, 0, 1}, {30239, 0, 0}};
  for (const Cas& c : cas) {
    Vide();
    Ajoute(64, c.duree);
    Neume neume;
    Extrait(0, &neume);
    const ElementNeume& e = neume.elements[0];
    EXPECT_EQ(e.court, c.court) << c.duree;
    EXPECT_EQ(e.allonge, c.allonge) << c.duree;
    // A full square is centred on the note; a short one is half as large.
    const BigRect attendu = c.court ? BigRect{100, 102, 39, 41} : BigRect{98, 102, 38, 42};
    EXPECT_EQ(e.carre.left, attendu.left) << c.duree;
    EXPECT_EQ(e.carre.right, attendu.right) << c.duree;
    EXPECT_EQ(e.carre.top, attendu.top) << c.duree;
    EXPECT_EQ(e.carre.bottom, attendu.bottom) << c.duree;
    // The dot stands right of the square.
    const auto ops = Enregistre([&] { TraceNotes(0); });
    EXPECT_EQ(Glyphes(ops), c.allonge ? std::vector<int>{46} : std::vector<int>{}) << c.duree;
  }
}

TEST_F(GregorienTest, StackedSquaresOfASecondAreSpreadApart) {
  // A second up on one column: the upper square goes up by 2, the lower one
  // sits 2 below it.
  Ajoute(64);
  Ajoute(65);
  Lie(0, 1);
  Neume neume;
  Extrait(0, &neume);
  EXPECT_EQ(neume.elements[1].carre.top, 35 - 2);
  EXPECT_EQ(neume.elements[1].carre.bottom, 39 - 2);
  EXPECT_EQ(neume.elements[0].carre.top, 39);
  EXPECT_EQ(neume.elements[0].carre.bottom, 43);
  // A third apart they do not touch and stay on their notes.
  S(1).kind = 67;
  Extrait(0, &neume);
  EXPECT_EQ(neume.elements[1].carre.top, 32);
  EXPECT_EQ(neume.elements[0].carre.top, 38);
  // A falling pair: the second note right of the first by 1.2 x (4 - 2).
  S(0).kind = 67;
  S(1).kind = 64;
  Extrait(0, &neume);
  EXPECT_EQ(neume.forme, 3);
  EXPECT_EQ(neume.elements[1].carre.left - neume.elements[0].carre.left, 2);
}

TEST_F(GregorienTest, EpisemasCoverOnlyTheMarkedRuns) {
  // Rise, fall, rise: four squares side by side.
  struct Cas {
    std::vector<int32_t> marques;
    std::vector<std::pair<int, int>> lignes;  // squares from .. to
  } cas[] = {
      {{}, {}},
      {{1, 2}, {{1, 2}}},
      {{0, 3}, {{0, 0}, {3, 3}}},
  };
  for (const Cas& c : cas) {
    Vide();
    for (int8_t p : {64, 69, 65, 71}) Ajoute(p);
    Lie(0, 3);
    for (int32_t m : c.marques) ASSERT_GE(AddMarkNote(staff, m, kMarkEpiseme, 0, 0, 0), 0);
    const auto ops = Enregistre([&] { EXPECT_EQ(TraceNotes(0), 4); });
    const std::vector<Rect> carres = Rects(ops);
    ASSERT_EQ(carres.size(), 4u);
    std::vector<std::pair<int, int>> lignes;
    for (const Segment& s : Segments(ops)) {
      if (s.y1 != s.y2) continue;
      int de = -1, a = -1;
      for (int k = 0; k < 4; k++) {
        if (carres[k].left == s.x1) de = k;
        if (carres[k].right == s.x2) a = k;
      }
      lignes.emplace_back(de, a);
      // Above the squares it covers.
      EXPECT_LT(s.y1, carres[de].top);
    }
    EXPECT_EQ(lignes, c.lignes);
  }
}

TEST_F(GregorienTest, RunsOfRestsDrawDivisionStrokes) {
  // Middle of the strokes' range: 3 interlines above the bottom line (122).
  struct Cas {
    std::vector<int8_t> kinds;
    std::vector<Segment> traits;
  } cas[] = {
      {{-1}, {{50, 119, 50, 125}}},
      {{-1, -1}, {{50, 125, 50, 137}}},
      {{-1, -1, -1}, {{50, 122, 50, 140}}},
      {{-1, -1, -1, -1, -1}, {{50, 122, 50, 140}, {54, 122, 54, 140}}},
      {{-2, -2}, {}},  // filler rests make no division
  };
  for (const Cas& c : cas) {
    Vide();
    for (int8_t k : c.kinds) Ajoute(k);
    Ajoute(64);
    int32_t suivant = -1;
    const auto traits = Segments(Enregistre([&] { suivant = TraceNotes(0); }));
    EXPECT_EQ(suivant, int32_t(c.kinds.size()));
    ASSERT_EQ(traits.size(), c.traits.size()) << c.kinds.size();
    for (size_t k = 0; k < traits.size(); k++) {
      EXPECT_EQ(traits[k].x1, c.traits[k].x1);
      EXPECT_EQ(traits[k].x2, c.traits[k].x1);
      EXPECT_EQ(std::min(traits[k].y1, traits[k].y2), c.traits[k].y1);
      EXPECT_EQ(std::max(traits[k].y1, traits[k].y2), c.traits[k].y2);
    }
  }
}

TEST_F(GregorienTest, NotesOfAnotherBarAreNotDrawn) {
  for (int k = 0; k < 9; k++) Ajoute(64, 20160);
  int32_t suivant = 0;
  // Note 8 starts bar 1: drawn from bar 0 it is passed over.
  const auto ops = Enregistre([&] { suivant = TraceNotes(8, 50, 0); });
  EXPECT_EQ(suivant, 9);
  EXPECT_TRUE(Rects(ops).empty());
}

TEST_F(GregorienTest, SquareClefs) {
  struct Cas {
    uint32_t type;
    std::vector<Rect> carres;
    size_t traits;
  } cas[] = {
      // F on its line (122): two squares on the right, one left on the line.
      {kClefFa, {{116, 16, 120, 20}, {120, 12, 124, 16}, {124, 16, 128, 20}}, 0},
      // C on its line (128): two squares across it and a stroke.
      {kClefUt, {{122, 12, 126, 16}, {130, 12, 134, 16}}, 1},
      {kClefSol, {}, 0},
  };
  for (const Cas& c : cas) {
    Clef clef;
    CvtTypeClefEnClefStandard(c.type, &clef);
    int16_t x = 0;
    const auto ops =
        Enregistre([&] { x = TraceTonaliteArmatureGregorien(staff, nullptr, nullptr, &clef, 10, 0, 1, 0); });
    const std::vector<Rect> carres = Rects(ops);
    ASSERT_EQ(carres.size(), c.carres.size()) << c.type;
    for (size_t k = 0; k < carres.size(); k++) {
      EXPECT_EQ(carres[k].top, c.carres[k].top) << c.type << " " << k;
      EXPECT_EQ(carres[k].left, c.carres[k].left) << c.type << " " << k;
      EXPECT_EQ(carres[k].bottom, c.carres[k].bottom) << c.type << " " << k;
      EXPECT_EQ(carres[k].right, c.carres[k].right) << c.type << " " << k;
    }
    EXPECT_EQ(Segments(ops).size(), c.traits) << c.type;
    // Two clef squares past x + a square, whatever the clef.
    EXPECT_EQ(x, 22) << c.type;
  }
  // Without the clef nothing moves.
  Clef clef;
  CvtTypeClefEnClefStandard(kClefUt, &clef);
  EXPECT_EQ(TraceTonaliteArmatureGregorien(staff, nullptr, nullptr, &clef, 10, 0, 0, 0), 10);
}

TEST_F(GregorienTest, GuideMarkShowsTheNoteAfterATieIntoTheBar) {
  // Bar 0: three quarters, then a neume of two notes across the bar line;
  // bar 1 goes on with G4.
  for (int k = 0; k < 3; k++) Ajoute(64, 40320);
  Ajoute(65, 40320);
  Ajoute(69, 40320);
  Ajoute(67, 40320);
  Lie(3, 4);
  const auto barre = (*staff)->vecteurs.vect_trace_barre_mesure;
  EXPECT_TRUE(Rects(Enregistre([&] { barre(staff, 1, 300, 0, 0, 0); })).empty());
  Ligne(1).sautQuatrieme = 1;
  const auto ops = Enregistre([&] { barre(staff, 1, 300, 0, 0, 0); });
  const std::vector<Rect> r = Rects(ops);
  ASSERT_EQ(r.size(), 1u);
  EXPECT_EQ(r[0].top, 132);
  EXPECT_EQ(r[0].bottom, 136);
  EXPECT_EQ(r[0].left, 296);
  EXPECT_EQ(r[0].right, 300);
  const auto traits = Segments(ops);
  ASSERT_EQ(traits.size(), 1u);
  EXPECT_EQ(traits[0].x1, 298);
  EXPECT_EQ(traits[0].y1, 136);
  EXPECT_EQ(traits[0].y2, 130);
}

TEST_F(GregorienTest, OneLyricsColumnPerNeume) {
  // Bar 0: an untied note, a tied pair, a neume running into bar 1.
  // Bar 1: its last note, a note, a rest and a note.
  const int32_t q = 40320;
  for (int8_t p : {64, 65, 67, 69}) Ajoute(p, q);
  for (int8_t p : {67, 65, -1, 64}) Ajoute(p, q);
  Lie(1, 2);
  Lie(3, 4);
  struct Cas {
    int16_t bar;
    std::vector<int32_t> temps;
  } cas[] = {{0, {0, q, 3 * q}}, {1, {q, 3 * q}}, {3, {}}};
  for (const Cas& c : cas) {
    TaquetKaraoke t[kMaxTaquetsMesure];
    const int16_t n = GregorienCalculeTableauTaquetKaraokeMesure(t, staff, c.bar, 1, 1);
    std::vector<int32_t> temps;
    for (int16_t k = 0; k < n; k++) temps.push_back(t[k].temps);
    EXPECT_EQ(temps, c.temps) << c.bar;
    // Each column reaches the next one.
    for (int16_t k = 0; k + 1 < n; k++) EXPECT_EQ(t[k].xEcran + t[k].largeurEcran, t[k + 1].xEcran);
    // The text lines ask through the same columns.
    TaquetKaraoke u[kMaxTaquetsMesure];
    EXPECT_EQ(CalculeTableauTaquetKaraokeMesure(u, staff, kTaquetsNotes, 0, c.bar, 0, 1, 0), n);
  }
}

TEST_F(GregorienTest, NoteRectanglesAreTheirNeumeSquares) {
  for (int8_t p : {64, 65, 67, 69, 71}) Ajoute(p);
  Ajoute(-1);
  Lie(0, 4);
  Neume neume;
  Extrait(0, &neume);
  const auto slot = (*staff)->vecteurs.CvtIndexNoteEnAireRuban;
  BigRect r;
  // A note inside the neume: its square, from the note itself or any other.
  ASSERT_EQ(slot(staff, 2, &r), 1);
  Neume depuis;
  int32_t n;
  const Signe* signes = GetSignesPortee(staff, &n);
  ExtraitNeumeRuban(staff, signes, 0, n, CvtIndexNoteEnPixelRuban(staff, 0), &depuis);
  EXPECT_EQ(r.left, depuis.elements[2].carre.left);
  EXPECT_EQ(r.top, depuis.elements[2].carre.top);
  EXPECT_EQ(r.bottom, depuis.elements[2].carre.bottom);
  // The fifth note of the tie is a neume of its own.
  ASSERT_EQ(slot(staff, 4, &r), 1);
  EXPECT_EQ(r.top, 28 - 2);
  EXPECT_EQ(r.bottom, 28 + 2);
  // A rest has none.
  EXPECT_EQ(slot(staff, 5, &r), 0);
}

}  // namespace
