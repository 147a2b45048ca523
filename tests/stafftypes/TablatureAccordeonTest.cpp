// The diatonic-accordion kind of the tablature record: a new record's
// settings and slots, positions and pitches, and what it draws through a
// recording port: the band, the header, bar lines, the button numbers of a
// column on their lines per mode, and mark placement.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "model/BarTableFixtures.h"
#include "model/ParamEffet.h"
#include "model/Portee.h"
#include "model/QRVPOBJ.h"
#include "model/Signe.h"
#include "notation/NotationFixtures.h"
#include "notation/SilencesFantomes.h"
#include "platform/TextDraw.h"
#include "stafftypes/DoigteAccordeon.h"
#include "stafftypes/Tablature.h"
#include "stafftypes/TablatureAccordeon.h"

namespace {

// A text drawn: where its pen started and what it wrote.
struct TextePlace {
  int x, y;
  std::string texte;
};

std::vector<TextePlace> Textes(const std::vector<std::string>& ops) {
  std::vector<TextePlace> out;
  int x = 0, y = 0;
  for (const std::string& op : ops) {
    int a = 0, b = 0;
    if (std::sscanf(op.c_str(), "LongText (%d,%d)", &y, &x) == 2) {
    } else if (std::sscanf(op.c_str(), "DHDVText %d %d", &a, &b) == 2) {
      x += a;
      y += b;
    } else if (std::sscanf(op.c_str(), "DHText %d", &a) == 1) {
      x += a;
    } else if (std::sscanf(op.c_str(), "DVText %d", &b) == 1) {
      y += b;
    } else {
      continue;
    }
    std::string t;
    for (int g : Glyphes({op})) t += char(g);
    out.push_back({x, y, t});
  }
  return out;
}

// The texts drawn on one baseline, joined in the order drawn.
std::string SurLigne(const std::vector<TextePlace>& t, int y) {
  std::string s;
  for (const TextePlace& p : t)
    if (p.y == y) s += p.texte;
  return s;
}

int CompteTraits(const std::vector<std::string>& ops) { return int(Filtre(ops, {"Line", "ShortLine"}).size()); }

struct TablatureAccordeonTest : BarTableTest {
  EnvNotation env;
  Portee** s = nullptr;
  static void SetUpTestSuite() { ActiveFonteMusicale(); }

  // A staff whose band starts at y 120 with a 15-pixel line spacing, on a
  // keyboard of three rows numbered from 1.
  TablatureAccordeonTest() {
    Mesures(4);
    s = NewPortee(score, kTypePorteeTablature);
    Portee& p = **s;
    p.rect = Rect{100, 0, 300, 600};
    p.aspect.tailleUnite = 72;
    p.interligne = 6.0f;
    Tablature** t = NewTablature(s, kTablatureAccordeon);
    (*t)->ligneBase = 20;
    (*t)->styles[kStyleTablatureNote].size = 11;
    (*t)->styles[kStyleTablatureGrace] = (*t)->styles[kStyleTablatureNote];
    Accordeon& k = (*t)->accordeon;
    k.premierBouton = 1;
    k.nbRangees = 3;
    k.clavier[0][0] = {60, 62};
    k.clavier[1][0] = {62, 64};
    std::snprintf(k.nomsRangees[0], 32, "G");
    std::snprintf(k.nomsRangees[1], 32, "C");
    std::snprintf(k.nomsRangees[2], 32, "F");
    std::snprintf(k.chaines[kLibellePousseAccordeon], 256, "Push");
    std::snprintf(k.chaines[kLibelleTireAccordeon], 256, "Pull");
    ReCalculeInterneGraphTablatureAccordeon(s);
  }
  Tablature& T() { return **GetTablature(s); }
  static Signe Note(int pitch, int button, int row, uint16_t flags = 0) {
    Signe n;
    RazNote(&n, int8_t(pitch), 960);
    n.tablatureCase = uint8_t(button);
    n.tablatureCorde = uint8_t(row);
    n.flags = flags;
    return n;
  }
  // The baseline of a number written on line factor f (1: the top line).
  int Base(int f, bool grace = false) {
    Signe n = Note(60, 1, 0);
    if (grace) SetStyleTablatureGrace(s, &n);
    else SetStyleTablature(s, &n);
    FontInfo fi{};
    GetFontInfo(&fi);
    return 120 + f * 15 - fi.descent - 1;
  }
  // The notes queued at their x, then the column drawing.
  std::vector<std::string> Dessine(const std::vector<std::pair<int, Signe>>& notes) {
    return Enregistre([&] {
      InitDisplayTablatureAccordeon();
      for (size_t i = 0; i < notes.size(); i++)
        TraceNoteTablatureAccordeon(s, int16_t(notes[i].first), 0, int32_t(i), &notes[i].second, -1);
      EndDisplayTablatureAccordeon(s, -1, nullptr, 1);
    });
  }
};

TEST_F(TablatureAccordeonTest, NewRecordSettingsAndSlots) {
  Portee** p = NewPortee(score, kTypePorteeStandard);
  Tablature** t = NewTablature(p, kTablatureAccordeon);
  ASSERT_NE(t, nullptr);
  const Tablature& r = **t;
  EXPECT_EQ(r.kind, kTablatureAccordeon);
  EXPECT_EQ(r.accordeon.modeAffichage, 0);
  EXPECT_EQ(r.accordeon.intervalleSoufflet, 1);
  EXPECT_EQ(r.accordeon.lignesAffichees, 1);
  EXPECT_EQ(r.accordeon.nbRangees, 1);
  EXPECT_EQ(r.vecteurs.TraceNote, &TraceNoteTablatureAccordeon);
  EXPECT_EQ(r.vecteurs.CalculeTablature, &CalculeTablatureAccordeon);
  EXPECT_EQ(r.vecteurs.CvtNoteToEcr, &CvtNoteToEcrTablatureAccordeon);
  EXPECT_NE(r.vecteurs.GetDeltaXNote, nullptr);
  for (const void* vide : {reinterpret_cast<const void*>(r.vecteurs.TraceClefChange),
                           reinterpret_cast<const void*>(r.vecteurs.PopUpSelectCase),
                           reinterpret_cast<const void*>(r.vecteurs.SelectParam),
                           reinterpret_cast<const void*>(r.vecteurs.TraceGraceNotes)})
    EXPECT_EQ(vide, nullptr);
  // The chord-name line shows the bass chords.
  EXPECT_EQ((*p)->ligneAccordsAffichee, 1);
  // One row: one line spacing of the note size + 4; two in two-line mode.
  const int ligne = (*t)->styles[kStyleTablatureNote].size + 4;
  EXPECT_EQ(GetHauteurUtileTablature(t), ligne);
  (*t)->accordeon.modeAffichage = 1;
  ReCalculeInterneGraphTablatureAccordeon(p);
  EXPECT_EQ(GetHauteurUtileTablature(t), 2 * ligne);
  // A record read from a document gets the kind's slots back.
  (*t)->vecteurs = VecteursTablature{};
  InitVecteursTablature(s, kTablatureAccordeon);
  InitVecteursTablature(p, kTablatureAccordeon);
  EXPECT_EQ((*t)->vecteurs.TraceFond, &TraceFondTablatureAccordeon);
  EXPECT_EQ((*s)->vecteurs.vect_Note2Ecr, &CvtNoteToEcrTablatureAccordeon);
}

TEST_F(TablatureAccordeonTest, PositionsAndPitches) {
  // The pitch of a place: push or pull; places outside the keyboard, rows it
  // lacks and empty places have none.
  EXPECT_EQ(CalculeHauteurNoteTablatureAccordeon(s, 16, 1), 62);
  EXPECT_EQ(CalculeHauteurNoteTablatureAccordeon(s, 0, 2), 62);
  EXPECT_EQ(CalculeHauteurNoteTablatureAccordeon(s, 0, 0), -1);
  EXPECT_EQ(CalculeHauteurNoteTablatureAccordeon(s, 0, 17), -1);
  EXPECT_EQ(CalculeHauteurNoteTablatureAccordeon(s, 3, 1), -1);
  EXPECT_EQ(CalculeHauteurNoteTablatureAccordeon(s, 1, 1), -1);
  // The place of a pitch: the first button's first push comes last.
  uint8_t r = 0, b = 0;
  CalculeCordeCaseNoteTablatureAccordeon(s, 62, &r, &b);
  EXPECT_EQ(r, 16);
  EXPECT_EQ(b, 1);
  T().accordeon.clavier[1][0].pousse = 60;
  CalculeCordeCaseNoteTablatureAccordeon(s, 60, &r, &b);
  EXPECT_EQ(r, 0);
  EXPECT_EQ(b, 2);
  T().accordeon.clavier[1][0].pousse = 0;
  CalculeCordeCaseNoteTablatureAccordeon(s, 60, &r, &b);
  EXPECT_EQ(b, 1);
  // On a row the keyboard lacks, or nowhere: none.
  T().accordeon.clavier[5][2].tire = 70;
  T().accordeon.nbRangees = 2;
  CalculeCordeCaseNoteTablatureAccordeon(s, 70, &r, &b);
  EXPECT_EQ(r, 255);
  EXPECT_EQ(b, 255);
  CalculeCordeCaseNoteTablatureAccordeon(s, 0, &r, &b);
  EXPECT_EQ(b, 255);
  EXPECT_TRUE(IsPosCompatiblesAccordeon(s, 16, 18));
  EXPECT_FALSE(IsPosCompatiblesAccordeon(s, 0, 16));

  // Note heights: the middle of the note's line space; row 0 the bottom line
  // in rows mode; a note on no button or a rest an interline under the top.
  T().accordeon.nbRangees = 3;
  struct Cas {
    int32_t mode;
    uint8_t row, button;
    int16_t y;
  };
  // Line factor f gives 120 + 15 f - 7.5, truncated.
  for (const Cas& c :
       {Cas{0, 0, 1, 157}, Cas{0, 18, 1, 127}, Cas{0, 0, 255, 126}, Cas{1, 2, 1, 127}, Cas{1, 16, 1, 142}}) {
    T().accordeon.modeAffichage = c.mode;
    const Signe n = Note(60, c.button, c.row);
    uint8_t f = 0;
    EXPECT_EQ(CvtNoteToEcrTablatureAccordeon(s, 0, 0, &n, &f), c.y) << c.mode << " " << int(c.row);
    EXPECT_EQ(f, 2);
  }
  // Rhythm stems of the notation stand off the middle of the note's space
  // (row 0 at the bottom), never a row byte's "string" away.
  T().accordeon.modeAffichage = 0;
  Signe n = Note(60, 1, 16);
  uint8_t alteration = 0;
  EXPECT_EQ(Note2EcrTablatureAssociee(s, 0, 0, &n, &alteration), 149);  // 157 - 7.5
  n.flags = kSigneQueueEnBas;
  EXPECT_EQ(Note2EcrTablatureAssociee(s, 0, 0, &n, &alteration), 164);
}

TEST_F(TablatureAccordeonTest, ChordButtonsShareTheirLineAfterTheGraceNotes) {
  // Buttons 3 and 5 of one chord, pushed on row 0, with two grace notes before
  // (buttons 1 and 2 on the push): one line of one column, the grace notes
  // shifted left by the width of "8." each.
  const int32_t fx = AjouteParamEffet(s);
  Effet(s, fx).graces[0] = GraceNote{1, 0, -2, 2, 0, 255, 0, 0};
  Effet(s, fx).graces[1] = GraceNote{1, 0, 0, 2, 0, 255, 0, 0};
  Signe a = Note(62, 3, 0, kSigneAccordSuite);
  a.indexParamEffet = int16_t(fx);
  const Signe b = Note(64, 5, 0);
  const auto t = Textes(Dessine({{100, a}, {100, b}}));
  const int y = Base(3);
  EXPECT_EQ(SurLigne(t, y), "1.2,3,5");
  SetStyleTablatureGrace(s, nullptr);
  const int w = TextWidth("8.", 0, 2);
  ASSERT_FALSE(t.empty());
  EXPECT_EQ(t.front().x, 100 - 2 * w);
  // Alone, each note starts its own column at its x.
  const auto seuls = Textes(Dessine({{100, Note(62, 3, 0)}, {200, b}}));
  ASSERT_EQ(seuls.size(), 2u);
  EXPECT_EQ(seuls[0].x, 100);
  EXPECT_EQ(seuls[1].x, 200);
  // Its offset in its column, measured without drawing.
  (*s)->nbNotes = 0;
  AjouteSigne(s, 62, 960, 100, kSigneAccordSuite);
  AjouteSigne(s, 64, 960);
  reinterpret_cast<Signe*>(*(*s)->notes)[0].tablatureCase = 3;
  reinterpret_cast<Signe*>(*(*s)->notes)[1].tablatureCase = 5;
  SetStyleTablature(s, &b);
  int16_t largeur = 0;
  EXPECT_EQ(GetDeltaXNoteTablatureAccordeon(s, 1, &largeur), TextWidth("3", 0, 1));
  EXPECT_GT(largeur, 0);
  EXPECT_EQ(GetDeltaXNoteTablatureAccordeon(s, 0, nullptr), 0);
}

TEST_F(TablatureAccordeonTest, PullAndRowsByMode) {
  // Rows mode: the pull of button 7 on row 2 is an underlined 7 on the top
  // line; a note on no button shows "?" there; row 0 is the bottom line.
  const Signe tire = Note(60, 7, 2 + 16);
  auto ops = Dessine({{100, tire}});
  EXPECT_EQ(SurLigne(Textes(ops), Base(1)), "7");
  EXPECT_EQ(CompteTraits(ops), 1);
  ops = Dessine({{100, Note(60, 7, 2)}});
  EXPECT_EQ(CompteTraits(ops), 0);
  EXPECT_EQ(SurLigne(Textes(Dessine({{100, Note(60, 255, 0)}})), Base(1)), "?");
  EXPECT_EQ(SurLigne(Textes(Dessine({{100, Note(60, 4, 0)}})), Base(3)), "4");
  // Two-line mode: the same pull reads 7 and two apostrophes on the lower line.
  T().accordeon.modeAffichage = 1;
  ops = Dessine({{100, tire}, {200, Note(60, 2, 1)}});
  EXPECT_EQ(SurLigne(Textes(ops), Base(2)), "7''");
  EXPECT_EQ(SurLigne(Textes(ops), Base(1)), "2'");
  EXPECT_EQ(CompteTraits(ops), 0);
  // Rests and notes below pitch 1 write nothing in the column.
  Signe pause;
  RazNote(&pause, kSigneSilence, 960);
  EXPECT_TRUE(Textes(Dessine({{100, pause}, {200, Note(0, 1, 0)}})).empty());
}

TEST_F(TablatureAccordeonTest, BandHeaderAndBarLines) {
  const Rect r{100, 0, 300, 600};
  // Rows mode: a line above each row and one under the last; the row names
  // from the top, the top line the last row's.
  auto ops = Enregistre([&] { TraceFondTablatureAccordeon(s, &r, &r, 120, 1); });
  EXPECT_EQ(CompteTraits(ops), 4);
  ops = Enregistre([&] { TraceArmatureTablatureAccordeon(s, &r, 0, 120, 0); });
  SetStyleEnteteTablature(s);
  FontInfo fi{};
  GetFontInfo(&fi);
  const int y0 = 120 + 15 - fi.descent;
  auto t = Textes(ops);
  EXPECT_EQ(SurLigne(t, y0), "F");
  EXPECT_EQ(SurLigne(t, y0 + 15), "C");
  EXPECT_EQ(SurLigne(t, y0 + 30), "G");
  // Two-line mode: three lines; the push and pull labels.
  T().accordeon.modeAffichage = 1;
  ReCalculeInterneGraphTablatureAccordeon(s);
  EXPECT_EQ(CompteTraits(Enregistre([&] { TraceFondTablatureAccordeon(s, &r, &r, 120, 1); })), 3);
  t = Textes(Enregistre([&] { TraceArmatureTablatureAccordeon(s, &r, 0, 120, 0); }));
  EXPECT_EQ(SurLigne(t, y0), "Push");
  EXPECT_EQ(SurLigne(t, y0 + 15), "Pull");
  // Past the start no header.
  EXPECT_TRUE(Textes(Enregistre([&] { TraceArmatureTablatureAccordeon(s, &r, 960, 120, 0); })).empty());
  // A bar line across the band's two lines, when the graphic mode gives it a
  // thickness; hidden lines hide both.
  EXPECT_EQ(CompteTraits(Enregistre([&] { TraceBarreTablatureAccordeon(s, 0, 50, 0, 0); })), 0);
  GModeGraphique.slot[kSlotEpaisseurBarreFine] = 4;
  ops = Enregistre([&] { TraceBarreTablatureAccordeon(s, 0, 50, 0, 0); });
  ASSERT_EQ(CompteTraits(ops), 1);
  EXPECT_NE(Filtre(ops, {"Line", "ShortLine"})[0].find("(120,50)"), std::string::npos);
  T().accordeon.lignesAffichees = 0;
  EXPECT_EQ(CompteTraits(Enregistre([&] { TraceFondTablatureAccordeon(s, &r, &r, 120, 1); })), 0);
  EXPECT_EQ(CompteTraits(Enregistre([&] { TraceBarreTablatureAccordeon(s, 0, 50, 0, 0); })), 0);
}

TEST_F(TablatureAccordeonTest, MarksAroundAButton) {
  const Signe n = Note(62, 3, 0);
  // From the note's point (100, 144): placement, dx, dy.
  const struct {
    uint8_t place;
    int8_t dx, dy;
    int32_t x, y;
  } cas[] = {
      {32, 0, 2, 100 - 8, 144 - 2},    // left: 8 units further left
      {96, 1, 0, 100 + 1 + 6, 144},    // right: 6 units further right
      {0, 0, 1, -1, 144 - 7 - 6 - 1},  // above: half a line up, 6 more
      {64, 0, 0, -1, 144 + 15},        // below: a line down
      {128, 0, 2, -1, 112 - 2},        // above the band
      {192, 0, 0, -1, 120 + 45 + 7},   // below the band
      {7, 3, 5, 103, 149},             // other codes: the offsets only
  };
  for (const auto& c : cas) {
    Mark m{};
    m.param1 = c.place;
    m.param2 = uint8_t(c.dx);
    m.param3 = uint8_t(c.dy);
    int32_t x = 100, y = 144;
    CalculePosEffetTablatureAccordeon(1, s, &n, &m, &x, &y);
    if (c.x >= 0) EXPECT_EQ(x, c.x) << int(c.place);
    else EXPECT_GT(x, 100) << int(c.place);  // centred on the number
    EXPECT_EQ(y, c.y) << int(c.place);
  }
}

}  // namespace
