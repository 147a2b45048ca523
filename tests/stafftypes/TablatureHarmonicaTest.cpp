// The harmonica kind of the tablature: the built-in models and the record's
// own, transposition, the work table, the row and hole bytes and the pitch
// they stand for; the automatic fingering; the band, labels and symbols drawn.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "model/BarTableFixtures.h"
#include "model/ParamEffet.h"
#include "model/Portee.h"
#include "model/Signe.h"
#include "notation/NotationFixtures.h"
#include "stafftypes/DoigteHarmonica.h"
#include "stafftypes/ModelesHarmonica.h"
#include "stafftypes/Tablature.h"
#include "stafftypes/TablatureHarmonica.h"

namespace {

// The harmonica part of a new record, in the key given.
Harmonica Defaut(uint16_t key = 48) {
  Harmonica h{};
  h.modele = 0;
  h.hauteurReference = key;
  h.modeLibelles = 2;
  h.bendsPermis = 1;
  h.afficheInconnus = 1;
  h.lignesAffichees = 1;
  return h;
}

std::vector<int> Rangee(const TabCalcHarmonica& t, int r, int n = 10) {
  return std::vector<int>(t.rangees[r], t.rangees[r] + n);
}

Signe Note(int pitch, uint16_t flags = 0) {
  Signe n;
  RazNote(&n, int8_t(pitch), 960);
  n.flags = flags;
  return n;
}

// A staff with a harmonica record, its note text 12 points high (16-pixel
// spacing at 72 dpi), its band 20 pixels below the staff area's top.
struct HarmonicaTest : BarTableTest {
  EnvNotation env;
  static void SetUpTestSuite() { ActiveFonteMusicale(); }
  HarmonicaTest() { Mesures(4); }
  Portee** Staff(uint32_t type = kTypePorteeTablature) {
    Portee** s = NewPortee(score, type);
    Portee& p = **s;
    p.rect = Rect{100, 0, 300, 600};
    p.aspect.tailleUnite = 72;
    p.interligne = 6.0f;
    Tablature** t = NewTablature(s, kTablatureHarmonica);
    if (!t) return s;
    (*t)->ligneBase = 20;
    (*t)->styles[kStyleTablatureNote].size = 12;
    ReCalculeInterneGraphTablatureHarmonica(s);
    return s;
  }
  static Tablature* T(Portee** s) { return *GetTablature(s); }
};

TEST(ModelesHarmonica, DefaultDiatonicInItsKeyWithBendsAndOverblows) {
  TabCalcHarmonica t;
  ASSERT_TRUE(InitTabCalcHarmonica(0, Defaut(), &t));
  EXPECT_EQ(t.definition.nbTrous, 10);
  EXPECT_EQ(Rangee(t, kRangeeSouffle), (std::vector<int>{48, 52, 55, 60, 64, 67, 72, 76, 79, 84}));
  EXPECT_EQ(Rangee(t, kRangeeAspire), (std::vector<int>{50, 55, 59, 62, 65, 69, 71, 74, 77, 81}));

  Harmonica h = Defaut(60);
  h.overblowsPermis = 1;
  ASSERT_TRUE(InitTabCalcHarmonica(0, h, &t));
  // Hole 3 (blow 67, draw 71) bends its draw note three times, never its blow
  // note; hole 10 (blow 96, draw 93) bends its blow note twice.
  for (int r : {2, 4, 6, 8}) EXPECT_EQ(t.rangees[r][2], r == 8 ? 0 : 71 - r / 2) << r;
  for (int r = 3; r <= 13; r += 2) EXPECT_EQ(t.rangees[r][2], 0) << r;
  EXPECT_EQ(t.rangees[3][9], 95);
  EXPECT_EQ(t.rangees[5][9], 94);
  EXPECT_EQ(t.rangees[7][9], 0);
  EXPECT_EQ(t.rangees[2][9], 0);
  // Overblow of hole 4, overdraw of hole 8.
  EXPECT_EQ(t.rangees[kRangeeOverblow][3], 75);
  EXPECT_EQ(t.rangees[kRangeeOverdraw][7], 89);
  EXPECT_EQ(t.rangees[kRangeeOverdraw][3], 0);
  // Without the record's permissions neither is derived.
  h.bendsPermis = 0;
  h.overblowsPermis = 0;
  ASSERT_TRUE(InitTabCalcHarmonica(0, h, &t));
  for (int r = 2; r < kNbRangeesHarmonica; r++) EXPECT_EQ(Rangee(t, r), std::vector<int>(10, 0)) << r;
}

TEST(ModelesHarmonica, CodesTranspositionAndSpecialRows) {
  // Codes reach their table rows; the 16-hole chromatic is written from 48.
  const struct {
    int32_t code;
    const char* anglais;
    int trous;
    int premierSouffle;  // hole 1 blow in the key of 60
  } cas[] = {{0, "Diatonic Major", 10, 60},        {1, "Chromatic", 12, 60},
             {2, "Melody Maker", 10, 60},          {3, "Natural Minor Diatonic", 10, 60},
             {4, "Harmonic Minor", 10, 60},        {5, "Chromatic 16 holes", 16, 60},
             {6, "Diatonic Country", 10, 60},      {7, "Richter tuned (valved)", 10, 60},
             {8, "Valved SUB30 Ultrabend", 10, 60}};
  for (const auto& c : cas) {
    DefinitionHarmonica d;
    ASSERT_TRUE(CalculeDefinitionHarmonica(c.code, Defaut(60), &d)) << c.code;
    EXPECT_STREQ(d.nomAnglais, c.anglais);
    EXPECT_EQ(d.nbTrous, c.trous);
    EXPECT_EQ(d.souffle[0], c.premierSouffle) << c.code;
  }
  DefinitionHarmonica d{};
  for (int32_t code : {-2, 9, 2000}) EXPECT_FALSE(CalculeDefinitionHarmonica(code, Defaut(), &d)) << code;

  // The chromatic reads its slide rows, not bends, in its own key.
  TabCalcHarmonica t;
  ASSERT_TRUE(InitTabCalcHarmonica(1, Defaut(62), &t));
  EXPECT_EQ(t.rangees[kRangeeSouffle][0], 62);
  EXPECT_EQ(t.rangees[3][0], 63);    // slide blow
  EXPECT_EQ(t.rangees[2][11], 100);  // slide draw of hole 12
  EXPECT_EQ(t.rangees[4][0], 0);

  // Transposing a valved model leaves its empty extra entries empty.
  ASSERT_TRUE(InitTabCalcHarmonica(7, Defaut(55), &t));
  EXPECT_EQ(Rangee(t, 2), (std::vector<int>{56, 61, 65, 68, 0, 75, 77, 80, 0, 87}));
  EXPECT_EQ(Rangee(t, 5), std::vector<int>(10, 0));
  EXPECT_EQ(Rangee(t, 6), (std::vector<int>{0, 0, 63, 0, 0, 0, 0, 0, 0, 0}));
}

// The record's own definition is used as it stands, with a hole count of 10,
// 12 or 16: any other count keeps every hole that sounds.
TEST(ModelesHarmonica, OwnDefinitionHoleCounts) {
  const struct {
    int16_t stored;
    int sounding;
    int expected;
  } cas[] = {{10, 10, 10}, {12, 12, 12}, {16, 16, 16},  {0, 3, 10},
             {-5, 10, 10}, {11, 11, 12}, {300, 14, 16}, {20, 20, 16}};
  for (const auto& c : cas) {
    Harmonica h = Defaut(70);
    h.modele = -1;
    h.definition.nbTrous = c.stored;
    for (int i = 0; i < c.sounding; i++) h.definition.souffle[i] = uint8_t(40 + i);
    TabCalcHarmonica t;
    ASSERT_TRUE(InitTabCalcHarmonica(-1, h, &t)) << c.stored;
    EXPECT_EQ(t.definition.nbTrous, c.expected) << c.stored;
    // Never transposed.
    EXPECT_EQ(t.rangees[kRangeeSouffle][0], 40);
  }
}

TEST(ModelesHarmonica, RowBytesAndTheirPitch) {
  Harmonica h = Defaut(60);
  const struct {
    uint8_t row;
    int16_t hole;
    int16_t pitch;
  } cas[] = {
      {0x0F, 3, 75},  // overblow: draw 74 + 1
      {0x0E, 7, 89},  // overdraw: blow 88 + 1
      {0x05, 3, 70},  // blow bent 2
      {0x04, 2, 69},  // draw bent 2
      {0x31, 0, 60},  // the chord place is not part of the pitch
      {0x00, 9, 93}, {0x01, 10, -1}, {0x01, -1, -1}, {0x01, 19, -1},
  };
  for (const auto& c : cas) EXPECT_EQ(CalculeHauteurNoteHarmonica(h, c.row, c.hole), c.pitch) << int(c.row);
  // On a chromatic in use any bend bits read the slide row.
  h.modele = 1;
  h.chromatiqueUtilise = 1;
  EXPECT_EQ(CalculeHauteurNoteHarmonica(h, 0x03, 0), 61);
  EXPECT_EQ(CalculeHauteurNoteHarmonica(h, 0x02, 0), 63);
  h.modele = 12;
  EXPECT_EQ(CalculeHauteurNoteHarmonica(h, 0x01, 0), -1);
}

// Every pitch of the work table is found again, and the row and hole found
// give it back through the pitch rule.
TEST_F(HarmonicaTest, PositionsRoundTrip) {
  Portee** s = Staff();
  T(s)->harmonica.hauteurReference = 60;
  T(s)->harmonica.overblowsPermis = 1;
  TabCalcHarmonica t;
  ASSERT_EQ(InitTabCalcHarmonica(0, s, &t), 1);
  int trouves = 0;
  for (int r = 0; r < kNbRangeesHarmonica; r++)
    for (int h = 0; h < 10; h++) {
      const int p = t.rangees[r][h];
      if (!p) continue;
      uint8_t row = 0, hole = 0;
      CalculeCordeCaseNoteTablatureHarmonica(s, int16_t(p), &row, &hole);
      ASSERT_NE(hole, kTrouAucun) << p;
      EXPECT_LE(row, r);
      EXPECT_EQ(CalculeHauteurNoteTablatureHarmonica(s, row, hole), p) << int(row) << " " << int(hole);
      trouves++;
    }
  EXPECT_GT(trouves, 30);
  uint8_t row = 0, hole = 0;
  CalculeCordeCaseNoteTablatureHarmonica(s, 20, &row, &hole);
  EXPECT_EQ(row, kTrouAucun);
  EXPECT_EQ(hole, kTrouAucun);
}

// ---- fingering

struct Attendu {
  int hole, row;
};

std::vector<Attendu> Doigte(Harmonica& h, std::vector<Signe> notes) {
  EXPECT_TRUE(CalculeDoigteHarmonica(h, notes.data(), int32_t(notes.size())));
  std::vector<Attendu> out;
  for (const Signe& n : notes) out.push_back({n.tablatureCase, n.tablatureCorde});
  return out;
}

bool operator==(const Attendu& a, const Attendu& b) { return a.hole == b.hole && a.row == b.row; }
std::ostream& operator<<(std::ostream& o, const Attendu& a) { return o << "(" << a.hole << "," << a.row << ")"; }

TEST(DoigteHarmonica, SingleNotesAndChordsFirstPass) {
  Harmonica h = Defaut(60);
  // A single 67 is drawn on hole 2 (row 0 comes before row 1), not blown on 3;
  // a pitch the harmonica lacks gets no hole.
  EXPECT_EQ(Doigte(h, {Note(67), Note(59), Note(70)}), (std::vector<Attendu>{{1, 0}, {255, 0}, {2, 2}}));
  // A chord is played on one row over adjacent holes; its row bytes carry the
  // place counted from its last note.
  const uint16_t lie = kSigneAccordSuite;
  EXPECT_EQ(Doigte(h, {Note(60, lie), Note(64, lie), Note(67)}),
            (std::vector<Attendu>{{0, 1 + 32}, {1, 1 + 16}, {2, 1}}));
  // Two runs (holes 1-2 and 4-5, 3 and 6 not sounding) are played together.
  EXPECT_EQ(Doigte(h, {Note(60, lie), Note(64, lie), Note(72, lie), Note(76)}),
            (std::vector<Attendu>{{0, 1 + 48}, {1, 1 + 32}, {3, 1 + 16}, {4, 1}}));
  // A user-set note keeps its place and ends its group.
  Signe fixe = Note(60, kSignePositionUtilisateur | lie);
  fixe.tablatureCase = 7;
  fixe.tablatureCorde = 0;
  EXPECT_EQ(Doigte(h, {fixe, Note(67)}), (std::vector<Attendu>{{7, 0}, {1, 0}}));
  // An unknown model leaves every note as it was.
  h.modele = 42;
  Signe n = Note(67);
  n.tablatureCase = 3;
  EXPECT_FALSE(CalculeDoigteHarmonica(h, &n, 1));
  EXPECT_EQ(n.tablatureCase, 3);
}

TEST(DoigteHarmonica, SecondPassKeepsNotesNearTheirNeighbour) {
  Harmonica h = Defaut(60);
  h.secondePasse = 1;
  // After the blow hole 4, 67 moves to the blow hole 3.
  EXPECT_EQ(Doigte(h, {Note(72), Note(67)}), (std::vector<Attendu>{{3, 1}, {2, 1}}));
  // A bend is taken on the neighbour's own hole only; elsewhere the other
  // breath comes first. Holes 1 and 2 blow 60 and 62, draw 64 and 65.
  Harmonica propre = h;
  propre.modele = -1;
  propre.definition.nbTrous = 10;
  propre.definition.souffle[0] = 60;
  propre.definition.aspire[0] = 64;
  propre.definition.souffle[1] = 62;
  propre.definition.aspire[1] = 65;
  EXPECT_EQ(Doigte(propre, {Note(64), Note(62)}), (std::vector<Attendu>{{0, 0}, {0, 4}}));
  EXPECT_EQ(Doigte(propre, {Note(65), Note(62)}), (std::vector<Attendu>{{1, 0}, {1, 1}}));
  EXPECT_EQ(Doigte(propre, {Note(65), Note(63)}), (std::vector<Attendu>{{1, 0}, {1, 4}}));
  // The first note looks at the next; chords keep their first-pass places.
  const uint16_t lie = kSigneAccordSuite;
  EXPECT_EQ(Doigte(h, {Note(67), Note(72), Note(60, lie), Note(64)}),
            (std::vector<Attendu>{{2, 1}, {3, 1}, {0, 17}, {1, 1}}));
  // Without the switch the first pass stands.
  h.secondePasse = 0;
  EXPECT_EQ(Doigte(h, {Note(72), Note(67)}), (std::vector<Attendu>{{3, 1}, {1, 0}}));
}

TEST_F(HarmonicaTest, FingeringSlotMarksTheRecordCalculated) {
  Portee** s = Staff(kTypePorteeStandard);
  T(s)->harmonica.modele = 1;
  const Signe n = Note(50);
  ASSERT_GE(AjouteNote(s, &n, 0, 1), 0);
  EXPECT_TRUE(IsNecessaireCalculTablature(s));
  T(s)->vecteurs.CalculeTablature(s);
  EXPECT_FALSE(IsNecessaireCalculTablature(s));
  EXPECT_EQ(T(s)->harmonica.chromatiqueUtilise, 1);
  int32_t count = 0;
  const Signe* notes = GetSignesPortee(s, &count);
  ASSERT_GE(count, 1);
  // 50 is hole 1 draw of the chromatic in the key of 48.
  EXPECT_EQ(notes[0].kind, 50);
  EXPECT_EQ(notes[0].tablatureCase, 0);
  EXPECT_EQ(notes[0].tablatureCorde, 0);
}

// ---- drawing

// The texts drawn, in order, with the y of the long ones (-1 for a text
// drawn from the pen of the one before).
struct Texte {
  std::string texte;
  int y;
  bool operator==(const Texte& o) const { return texte == o.texte && y == o.y; }
};
std::ostream& operator<<(std::ostream& o, const Texte& t) { return o << '"' << t.texte << "\"@" << t.y; }

std::vector<Texte> Textes(const std::vector<std::string>& ops) {
  std::vector<Texte> out;
  for (const std::string& op : Filtre(ops, {"LongText", "DHText", "DVText", "DHDVText"})) {
    const size_t q = op.find('"');
    int y = -1;
    if (op.rfind("LongText", 0) == 0) y = std::stoi(op.substr(op.find('(') + 1));
    out.push_back({op.substr(q + 1, op.rfind('"') - q - 1), y});
  }
  return out;
}

// The y of the horizontal lines drawn (long lines and short ones).
std::vector<int> Horizontales(const std::vector<std::string>& ops) {
  std::vector<int> out;
  for (const std::string& op : Filtre(ops, {"Line ", "ShortLine "})) {
    int v0 = 0, h0 = 0, a = 0, b = 0;
    if (op.rfind("Line ", 0) == 0) {
      int v1 = 0;
      if (std::sscanf(op.c_str(), "Line (%d,%d) (%d,%d)", &v0, &h0, &v1, &b) == 4 && v0 == v1) out.push_back(v0);
    } else if (std::sscanf(op.c_str(), "ShortLine (%d,%d) %d %d", &v0, &h0, &a, &b) == 4 && b == 0) {
      out.push_back(v0);
    }
  }
  return out;
}

int Compte(const std::vector<std::string>& ops, const char* prefix) { return int(Filtre(ops, {prefix}).size()); }

TEST_F(HarmonicaTest, NewRecordDefaultsAndSlots) {
  Portee** s = Staff();
  const Tablature& t = *T(s);
  EXPECT_EQ(t.kind, kTablatureHarmonica);
  const Harmonica& h = t.harmonica;
  EXPECT_EQ(h.modele, 0);
  EXPECT_EQ(h.hauteurReference, 48);
  EXPECT_EQ(h.styleSymboles, 0u);
  EXPECT_EQ(h.modeLibelles, 2u);
  EXPECT_EQ(h.bendsPermis, 1);
  EXPECT_EQ(h.overblowsPermis, 0);
  EXPECT_EQ(h.afficheInconnus, 1);
  EXPECT_EQ(h.lignesAffichees, 1);
  // Every slot but the time-signature change; read again from a document,
  // the record gets them back.
  const VecteursTablature v = t.vecteurs;
  EXPECT_EQ(v.TraceClefChange, nullptr);
  EXPECT_EQ(v.TraceNote, &TraceNoteTablatureHarmonica);
  EXPECT_EQ(v.CalculeTablature, &CalculeTablatureHarmonica);
  EXPECT_NE(v.PopUpSelectCase, nullptr);
  EXPECT_NE(v.SelectParam, nullptr);
  T(s)->vecteurs = VecteursTablature{};
  InitVecteursTablature(s, kTablatureHarmonica);
  EXPECT_EQ(std::memcmp(&T(s)->vecteurs, &v, sizeof v), 0);
  EXPECT_EQ((*s)->vecteurs.vect_Note2Ecr, &CvtNoteToEcrTablatureHarmonica);
  // Three line spacings high.
  EXPECT_EQ(v.GetHauteurEcran(s, 1), 48);
}

// The band starts at y 120 with a 16-pixel spacing.
TEST_F(HarmonicaTest, BandLinesByStyleModeAndOrientation) {
  const struct {
    uint32_t style, mode;
    uint8_t orientation;
    std::vector<int> lignes;  // drawn 2 pixels below the band's lines
    int numeros;              // the hole-number line
  } cas[] = {
      {0, 2, 0, {122, 138, 154}, 168}, {0, 0, 0, {122, 138}, 152}, {3, 1, 1, {170, 154, 138}, 136},
      {0, 0, 1, {170, 154}, 152},      {4, 2, 0, {138}, 168},      {4, 2, 1, {138}, 120},
  };
  for (const auto& c : cas) {
    SCOPED_TRACE(testing::Message() << c.style << " " << c.mode << " " << int(c.orientation));
    Portee** s = Staff();
    Harmonica& h = T(s)->harmonica;
    h.styleSymboles = c.style;
    h.modeLibelles = c.mode;
    h.orientation = c.orientation;
    const Rect r = (*s)->rect;
    EXPECT_EQ(Horizontales(Enregistre([&] { TraceFondTablatureHarmonica(s, &r, &r, 0, 0); })), c.lignes);
    int32_t y4 = 0;
    CalculePosLigneHarmonica(true, s, -1, nullptr, nullptr, nullptr, &y4);
    EXPECT_EQ(y4, c.numeros);
  }
  // In the one-line style the numbers stand on their breath's line.
  Portee** s = Staff();
  T(s)->harmonica.styleSymboles = 4;
  int32_t y2 = 0, y3 = 0, y4 = 0;
  CalculePosLigneHarmonica(true, s, 0, nullptr, &y2, &y3, &y4);
  EXPECT_EQ(y4, y3);
  CalculePosLigneHarmonica(true, s, 1, nullptr, &y2, &y3, &y4);
  EXPECT_EQ(y4, y2);
  T(s)->harmonica.lignesAffichees = 0;
  const Rect r = (*s)->rect;
  EXPECT_TRUE(Enregistre([&] { TraceFondTablatureHarmonica(s, &r, &r, 0, 0); }).empty());
}

TEST_F(HarmonicaTest, HoleLabels) {
  Harmonica h = Defaut();
  char text[8];
  CalculeLibelleTrouHarmonica(h, 0, text);
  EXPECT_STREQ(text, "1");
  CalculeLibelleTrouHarmonica(h, -1, text);
  EXPECT_STREQ(text, "?");
  // The 16-hole chromatic as the record's own: its first four holes primed.
  DefinitionHarmonica d;
  ASSERT_TRUE(CalculeDefinitionHarmonica(5, h, &d));
  h.modele = -1;
  h.definition = d;
  const struct {
    int16_t hole;
    const char* label;
  } cas[] = {{0, "1'"}, {3, "4'"}, {4, "1"}, {15, "12"}};
  for (const auto& c : cas) {
    CalculeLibelleTrouHarmonica(h, c.hole, text);
    EXPECT_STREQ(text, c.label) << c.hole;
  }
  // A built-in model numbers its holes plainly.
  h.modele = 5;
  CalculeLibelleTrouHarmonica(h, 4, text);
  EXPECT_STREQ(text, "5");
}

TEST_F(HarmonicaTest, NoteLabelsAndSymbols) {
  Portee** s = Staff();
  auto trace = [&](uint8_t hole, uint8_t row) {
    Signe n = Note(60);
    n.tablatureCase = hole;
    n.tablatureCorde = row;
    return Enregistre([&] { TraceNoteTablatureHarmonica(s, 50, 40, -1, &n, -1); });
  };
  // A draw bent 2 semitones on hole 3: the number on its line, "-" raised
  // with two strokes above the draw line (152).
  auto ops = trace(2, 0x04);
  EXPECT_EQ(Textes(ops), (std::vector<Texte>{{"3", 168}, {"-", 144}}));
  EXPECT_EQ(Horizontales(ops), (std::vector<int>{149, 147}));
  // A blow on the blow line; an overblow is circled.
  EXPECT_EQ(Textes(trace(3, 0x01)), (std::vector<Texte>{{"4", 168}, {"+", 136}}));
  EXPECT_EQ(Compte(trace(3, 0x0F), "FrameOval"), 1);
  // A note further in a chord sits one spacing further and has no symbol.
  EXPECT_EQ(Textes(trace(1, 0x21)), (std::vector<Texte>{{"2", 200}}));
  // Growing upward, the numbers stand above and a chord grows up.
  T(s)->harmonica.orientation = 1;
  EXPECT_EQ(Textes(trace(1, 0x10)), (std::vector<Texte>{{"2", 120}}));
  T(s)->harmonica.orientation = 0;
  // A note without a hole shows "?" only when asked.
  EXPECT_EQ(Textes(trace(255, 0)), (std::vector<Texte>{{"?", 168}}));
  T(s)->harmonica.afficheInconnus = 0;
  EXPECT_TRUE(trace(255, 0).empty());
  // Slide notes of a chromatic: marked with a stroke, or circled instead.
  T(s)->harmonica.modele = 1;
  T(s)->harmonica.chromatiqueUtilise = 1;
  ops = trace(0, 0x03);
  EXPECT_EQ(Compte(ops, "FrameOval"), 0);
  EXPECT_EQ(Compte(ops, "ShortLine (139,64) 0 -16"), 1);  // the stroke up from the blow line
  T(s)->harmonica.cercleCoulisse = 1;
  ops = trace(0, 0x03);
  EXPECT_EQ(Compte(ops, "FrameOval"), 1);
  EXPECT_EQ(Compte(ops, "ShortLine (139,64) 0 -16"), 0);
}

TEST_F(HarmonicaTest, HeaderLabelsByMode) {
  const struct {
    uint32_t style, mode;
    std::vector<std::string> textes;
  } cas[] = {{0, 2, {"B", "D", "Hole"}}, {1, 1, {"Blow", "Draw", "Hole"}}, {0, 0, {"Hole"}}, {4, 2, {"Blow", "Draw"}}};
  for (const auto& c : cas) {
    Portee** s = Staff();
    T(s)->harmonica.styleSymboles = c.style;
    T(s)->harmonica.modeLibelles = c.mode;
    const Rect r = (*s)->rect;
    std::vector<std::string> lus;
    for (const Texte& t : Textes(Enregistre([&] { TraceArmatureTablatureHarmonica(s, &r, 0, 0, 0); })))
      lus.push_back(t.texte);
    EXPECT_EQ(lus, c.textes) << c.style << " " << c.mode;
  }
}

TEST_F(HarmonicaTest, MarkPlacement) {
  Portee** s = Staff();
  T(s)->flagsAffichage = kTablatureAfficheTablature;
  Signe n = Note(60);
  n.tablatureCase = 0;
  n.tablatureCorde = 1;
  const struct {
    uint8_t code;
    int8_t dx, dy;
    int32_t x, y;  // from the note's point (100, 200)
  } cas[] = {{0, 0, 0, 100 + 3, 200 - 8 - 6}, {32, 0, 0, 92, 200},  {64, 0, 2, 103, 216 - 2}, {96, 0, 0, 106, 200},
             {128, 0, 0, 103, 112},           {192, 1, 0, 104, 176}};
  for (const auto& c : cas) {
    Mark m{};
    m.param1 = c.code;
    m.param2 = uint8_t(c.dx);
    m.param3 = uint8_t(c.dy);
    int32_t x = 100, y = 200;
    CalculePosEffetTablatureHarmonica(1, s, &n, &m, &x, &y);
    EXPECT_EQ(x, c.x) << int(c.code);
    EXPECT_EQ(y, c.y) << int(c.code);
  }
  // Under standard notation only the offsets count.
  Portee** std = Staff(kTypePorteeStandard);
  Mark m{};
  m.param1 = 64;
  m.param3 = 5;
  int32_t x = 100, y = 200;
  CalculePosEffetTablatureHarmonica(1, std, &n, &m, &x, &y);
  EXPECT_EQ(x, 100);
  EXPECT_EQ(y, 205);
}

// A note's marks are stacked from its label away from the band's start,
// and keep their own placement.
TEST_F(HarmonicaTest, MarksStackFromTheLabel) {
  Portee** s = Staff();
  Signe n = Note(60);
  n.tablatureCase = 0;
  n.tablatureCorde = 1;
  const int32_t i = AjouteNote(s, &n, 0, 1);
  ASSERT_GE(i, 0);
  AddMarkNote(s, i, kMarkStaccato, 0, 0, 0);
  AddMarkNote(s, i, kMarkPointOrgue, 0, 0, 64);
  int32_t count = 0;
  const Signe note = GetSignesPortee(s, &count)[i];
  auto points = [&] {
    const auto ops = Enregistre([&] { TraceNoteTablatureHarmonica(s, 50, 40, i, &note, note.indexParamEffet); });
    const auto dot = Filtre(ops, {"PaintOval"});
    EXPECT_EQ(dot.size(), 1u);
    return dot.empty() ? 0 : std::stoi(dot[0].substr(dot[0].find('(') + 1));
  };
  // Under the number line (168) growing down; over the label growing up.
  EXPECT_GT(points(), 168);
  T(s)->harmonica.orientation = 1;
  EXPECT_LT(points(), 136 - 8);
  const ParamEffet* e = GetParamEffetNote(s, &note);
  ASSERT_NE(e, nullptr);
  const Mark* m = reinterpret_cast<const Mark*>(*e->marks);
  EXPECT_EQ(m[0].param1, 0);
  EXPECT_EQ(m[1].param1, 64);
}

TEST_F(HarmonicaTest, GraceNotesFindTheirHoleNearTheNote) {
  Portee** s = Staff();
  T(s)->harmonica.hauteurReference = 60;
  Signe n = Note(72);
  const int32_t i = AjouteNote(s, &n, 0, 1);
  ASSERT_GE(i, 0);
  // Before the blow hole 4: 67 (blow 3) and 71 (draw 3); after it 73, which
  // the harmonica only gives as a draw 4 bent a semitone.
  ASSERT_EQ(AddGraceNote(s, i, 0, uint8_t(-5), 2, 1, -1), 1);
  ASSERT_EQ(AddGraceNote(s, i, 0, uint8_t(-1), 2, 0, -1), 1);
  ASSERT_EQ(AddGraceNote(s, i, 1, uint8_t(1), 2, 0, -1), 1);
  T(s)->vecteurs.CalculeTablature(s);
  int32_t count = 0;
  const Signe note = GetSignesPortee(s, &count)[i];
  ASSERT_EQ(note.tablatureCase, 3);
  std::vector<std::string> labels;
  for (const Texte& t : Textes(Enregistre([&] { VectTraceGraceNotesTablatureHarmonica(s, 200, 168, i, &note); })))
    labels.push_back(t.texte);
  // From the note outward: the nearest grace first.
  EXPECT_EQ(labels, (std::vector<std::string>{"3", "-", "3", "+", "4", "-"}));
}

}  // namespace
