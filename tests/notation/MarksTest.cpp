// Marks: their standard placements, the point of each placement value, the
// offsets that keep marks off the lines and clear of the note, ornaments
// flipped with the stem, the extent of a note's marks; then what each code
// draws, as recorded into a picture.
#include <array>
#include <cstring>

#include "NotationFixtures.h"
#include "model/BarTableFixtures.h"
#include "model/ParamEffet.h"
#include "model/Portee.h"
#include "notation/DessinMarks.h"
#include "notation/PlacementMarks.h"
#include "notation/TaillesPortee.h"
#include "stafftypes/ServicesTypesPortee.h"
#include "support/Enregistrements.h"
#include "system/BigRect.h"
#include "system/Couleurs.h"

namespace {

// The ribbon y every note of the test staff stands at.
int16_t yNoteRuban = 0;
int16_t NoteRuban(Portee**, int32_t, int32_t, const Signe*, uint8_t*) { return yNoteRuban; }

Mark NouvelleMark(uint8_t code, uint8_t placement, int8_t dx = 0, int8_t dy = 0, bool relative = false) {
  Mark m;
  std::memset(&m, 0, sizeof m);
  m.code = code;
  m.param1 = placement;
  m.param2 = uint8_t(dx);
  m.param3 = uint8_t(dy);
  m.octet4 = relative ? 1 : 0;
  m.actif = 1;
  return m;
}

Signe Note(bool stemDown, bool headRight = false) {
  Signe s{};
  s.kind = 60;
  s.duree = 40320;
  s.taille = 100;
  s.debut = 0;
  s.indexParamEffet = -1;
  s.flags = uint16_t((stemDown ? kSigneQueueEnBas : 0) | (headRight ? kSigneCache : 0));
  return s;
}

// A score at zoom 72 with one standard staff: head width 8, interline 6,
// bottom line at y 140 on screen and 40 on the ribbon (top line 16).
struct MarksTest : NotationTest {
  Document* doc = NouveauDocument();
  Partition** score = NewPartition(doc);
  Portee** staff = nullptr;
  MarksTest() {
    (*score)->zoom = 72;
    staff = NewPortee(score, kTypePorteeStandard);
    Portee& p = **staff;
    p.aspect.tailleUnite = 72;
    p.largeurTete = 8;
    p.largeurNoteRuban = 8;
    p.interligne = 6.0f;
    p.interligneRuban = 6.0f;
    p.rect = Rect{100, 0, 200, 1000};
    p.decalageLigneBas = 40;
    p.aireRuban = BigRect{0, 1000, 0, 100};
    p.decalageLigneBasRuban = 40;
    p.couleur = 1;
    p.vecteurs.vect_Note2Ruban = NoteRuban;
    for (int16_t l = 0; l <= 4; l++) SetAfficheLignePortee(staff, l, 1);
  }
  ~MarksTest() override { LibereDocument(doc); }
  int32_t Tige(const Signe& s) { return GetTailleEcranTigeNote(staff, &s, -1, 0); }
  std::array<int32_t, 2> Point(const Mark& m, const Signe& s, int32_t x = 100, int32_t y = 130) {
    CalculePosEffetPorteeStandard(true, staff, &s, -1, &m, &x, &y);
    return {x, y};
  }
  // The ribbon point and area of a mark on the note at yNoteRuban.
  BigRect AireRuban(const Mark& m, const Signe& s) {
    int32_t x = 0, y = yNoteRuban;
    CalculePosEffetPorteeStandard(false, staff, &s, -1, &m, &x, &y);
    BigRect a{};
    CalculeAireExacteMarkRuban(staff, &m, x, y, &a, nullptr);
    return a;
  }
};

TEST_F(MarksTest, StandardPlacementOfEachCode) {
  const struct {
    uint8_t code;
    int16_t placement;
  } cas[] = {{0, -1},   {1, 96},   {10, 96}, {11, -1}, {28, -1},  {29, 128}, {39, 128}, {40, -1}, {48, -1},  {49, 128},
             {50, 192}, {56, -1},  {57, 0},  {60, 0},  {61, -1},  {77, 32},  {82, 32},  {83, -1}, {98, 128}, {100, -1},
             {101, 0},  {102, 64}, {103, 0}, {104, 0}, {105, -1}, {110, -1}, {111, -1}, {255, -1}};
  for (const auto& c : cas) EXPECT_EQ(GetPosMarkStd(c.code), c.placement) << int(c.code);
}

TEST_F(MarksTest, PointOfEachPlacementFromTheHead) {
  const Signe haut = Note(false), bas = Note(true), droite = Note(false, true);
  const int32_t S = Tige(haut);
  ASSERT_GT(S, 10);
  const struct {
    const char* name;
    Mark mark;
    Signe note;
    int32_t x, y;
  } cas[] = {
      // Above the head at the stem end: (-60 - 1 + 5) / 10 = -5.
      {"stem end, stem up", NouvelleMark(60, 0), haut, 104, 130 - S - 5},
      // Stem down: oy = -5, off = -55: half a tenth less.
      {"stem end, stem down", NouvelleMark(60, 0), bas, 104, 125},
      {"left", NouvelleMark(77, 32), haut, 93, 130},
      {"left, head right of the stem", NouvelleMark(77, 32), droite, 101, 130},
      {"right with dx 2", NouvelleMark(1, 96, 2), haut, 116, 130},
      {"right, head right of the stem", NouvelleMark(1, 96), droite, 106, 130},
      {"other side, stem up: one interline below", NouvelleMark(102, 64), haut, 104, 136},
      {"other side, stem down: at the stem end", NouvelleMark(102, 64), bas, 104, 130 + S + 5},
      // The bottom line is at 140: 5 interlines up, whatever the note.
      {"above the staff", NouvelleMark(49, 128), haut, 104, 110},
      {"above the staff, dy 3 up", NouvelleMark(49, 128, 0, 3), haut, 104, 107},
      {"below the staff", NouvelleMark(50, 192), haut, 104, 146},
      // A stem-relative mark on a stem-down note goes to the other side, offsets mirrored.
      {"stem-relative above turns below", NouvelleMark(49, 128, 0, 0, true), bas, 104, 145},
      {"stem-relative right turns left, dx 2 mirrored", NouvelleMark(1, 96, 2, 0, true), bas, 91, 130},
      // 30 and -21 tenths: 3 right, 1 up (divisions truncate toward zero).
      {"any other value takes the offsets only", NouvelleMark(99, 17, 3, 2), haut, 103, 129},
  };
  for (const auto& c : cas) {
    SCOPED_TRACE(c.name);
    const auto p = Point(c.mark, c.note);
    EXPECT_EQ(p[0], c.x);
    EXPECT_EQ(p[1], c.y);
  }
}

TEST_F(MarksTest, OrnamentsFlipWithTheStemWhenStemRelative) {
  const uint8_t paires[][2] = {{56, 55},   {65, 66}, {67, 68}, {69, 70}, {71, 72}, {73, 74}, {75, 76},
                               {102, 101}, {61, 62}, {63, 64}, {49, 50}, {45, 46}, {44, 105}};
  for (const auto& p : paires) {
    for (int i = 0; i < 2; i++) {
      Mark m = NouvelleMark(p[i], 0, 0, 0, true);
      MuteOrnementsSelonSensTige(true, &m);
      EXPECT_EQ(m.code, p[1]);
      MuteOrnementsSelonSensTige(false, &m);
      EXPECT_EQ(m.code, p[0]);
      Mark fixe = NouvelleMark(p[i], 0);
      MuteOrnementsSelonSensTige(true, &fixe);
      EXPECT_EQ(fixe.code, p[i]) << "a mark that does not follow the stem keeps its code";
    }
  }
  Mark autre = NouvelleMark(60, 0, 0, 0, true);
  MuteOrnementsSelonSensTige(true, &autre);
  EXPECT_EQ(autre.code, 60);
}

TEST_F(MarksTest, MarksNearTheNoteKeepOffTheLines) {
  const Signe bas = Note(true);
  const struct {
    const char* name;
    uint8_t code;
    int16_t yNote;
    int8_t dy;
    int8_t expected;
  } cas[] = {
      // A staccato 5 above a note at 39 falls on line 1 (34): half an interline up.
      {"staccato on a line moves away from the note", 60, 39, 0, 3},
      // At 37 the point (32) is clear: the base offset stays.
      {"staccato in a space keeps dy 0", 60, 37, 0, 0},
      {"a user dy goes back to the clear base", 60, 37, 2, 0},
      // The accent takes half an interline from the note at least (on the
      // bottom line, that puts it in the space above).
      {"accent above the note", 94, 40, 0, 3},
      // At 37 half an interline puts it on line 2: half an interline more.
      {"accent moved on off a line", 94, 37, 0, 6},
      {"a code that does not avoid lines is left alone", 13, 39, 0, 0},
      // A dy at the top of its range is clamped, never wrapped.
      {"the range's end holds", 60, 39, 126, 127},
  };
  for (const auto& c : cas) {
    SCOPED_TRACE(c.name);
    yNoteRuban = c.yNote;
    Mark m = NouvelleMark(c.code, 0, 0, c.dy);
    if (c.dy == 126) {
      // Find a note height where dy 126 puts the mark on a line.
      for (int16_t y = 39; y < 400 && !IsEffectOnLigne(staff, &bas, -1, &m, 126); y++) yNoteRuban = y;
      ASSERT_TRUE(IsEffectOnLigne(staff, &bas, -1, &m, 126));
    }
    AjustePositionEffetPourEviterLesLignes(staff, &bas, -1, &m);
    EXPECT_EQ(MarkDy(m), c.expected);
  }
}

TEST_F(MarksTest, LinesAndLedgerLinesUnderAMark) {
  const Signe haut = Note(false), bas = Note(true);
  // Stem-down note 4 interlines below the bottom line (ledger lines at 46, 52, 58, 64).
  yNoteRuban = 64;
  Mark m = NouvelleMark(60, 0);
  // dy 0: 5 above the note, 59: on no line but within reach of 58.
  EXPECT_EQ(IsEffectOnLigne(staff, &bas, -1, &m, 0), 1);
  // dy -3 pulls it 3 down, level with no ledger line; dy 3 puts it at 56: clear.
  EXPECT_EQ(IsEffectOnLigne(staff, &bas, -1, &m, 3), 0);
  // Above the staff a low note's mark has no ledger line to meet.
  yNoteRuban = 13;
  EXPECT_EQ(IsEffectOnLigne(staff, &haut, -1, &m, 0), 0);
  // A hidden line does not count.
  yNoteRuban = 39;
  EXPECT_EQ(IsEffectOnLigne(staff, &bas, -1, &m, 0), 1);
  SetAfficheLignePortee(staff, 1, 0);
  EXPECT_EQ(IsEffectOnLigne(staff, &bas, -1, &m, 0), 0);
}

TEST_F(MarksTest, MarksAboveOrBelowTheStaffClearTheNote) {
  const Signe haut = Note(false), bas = Note(true);
  const int32_t il = 6, S = GetTailleRubanTigeNote(staff, &haut, -1);
  // A low note leaves a fermata above the staff where it is.
  yNoteRuban = 50;
  Mark m = NouvelleMark(49, 128, 0, 9);
  AjustePositionEffetPourEviterLesLignes(staff, &haut, -1, &m);
  EXPECT_EQ(MarkDy(m), 0);
  // A note far above: pushed one interline above the note (stem down) or the stem end (stem up).
  yNoteRuban = -20;
  for (const Signe& s : {bas, haut}) {
    Mark f = NouvelleMark(49, 128);
    AjustePositionEffetPourEviterLesLignes(staff, &s, -1, &f);
    const int32_t limite = yNoteRuban - il - ((s.flags & kSigneQueueEnBas) ? 0 : S);
    const BigRect a = AireRuban(f, s);
    EXPECT_LE(a.bottom, limite);
    EXPECT_GE(a.bottom, limite - 1);
  }
  // Below the staff under a stem-down note far below: one interline under the stem end.
  yNoteRuban = 120;
  Mark d = NouvelleMark(50, 192);
  AjustePositionEffetPourEviterLesLignes(staff, &bas, -1, &d);
  const BigRect a = AireRuban(d, bas);
  EXPECT_GE(a.top, yNoteRuban + il + GetTailleRubanTigeNote(staff, &bas, -1));
  EXPECT_LE(a.top, yNoteRuban + il + GetTailleRubanTigeNote(staff, &bas, -1) + 1);
  // So far above that the offset needs more than a byte: held at the top of the range.
  yNoteRuban = -1000;
  Mark loin = NouvelleMark(49, 128);
  AjustePositionEffetPourEviterLesLignes(staff, &bas, -1, &loin);
  EXPECT_EQ(MarkDy(loin), 127);
  // A stem-relative fermata on a stem-down note turns into the one below.
  yNoteRuban = 30;
  Mark r = NouvelleMark(49, 128, 0, 0, true);
  AjustePositionEffetPourEviterLesLignes(staff, &bas, -1, &r);
  EXPECT_EQ(r.code, 50);
}

TEST_F(MarksTest, ExtentOfANotesMarks) {
  int16_t top = -1, bottom = -1;
  AjouteSigne(staff, 60, 40320);
  CalculeDeltaYMarks(staff, 0, &top, &bottom);
  EXPECT_EQ(top, 0);
  EXPECT_EQ(bottom, 0);
  // Marks that are never drawn count for nothing, whatever the zoom.
  (*score)->zoom = 144;
  AddMarkNote(staff, 0, 11, 0, 0, 0);
  CalculeDeltaYMarks(staff, 0, &top, &bottom);
  EXPECT_EQ(top, 0);
  EXPECT_EQ(bottom, 0);
  // A fermata above the staff over a low note: above the note, in points.
  (*score)->zoom = 72;
  yNoteRuban = 60;
  const int32_t k = AddMarkNote(staff, 0, 49, 0, 0, 128);
  ASSERT_GE(k, 0);
  CalculeDeltaYMarks(staff, 0, &top, &bottom);
  // Its point is at 40 - 30 = 10, its area 10 above it.
  EXPECT_EQ(top, 10 - 10 - 60);
  EXPECT_EQ(bottom, 0);
}

// ---- Drawing.

std::vector<std::string> Traces(const std::vector<std::string>& ops) {
  return Filtre(ops, {"Line", "ShortLine", "LongText", "DHText", "DVText", "DHDVText", "frame", "paint", "Frame",
                      "Paint", "Pt", "Poly", "Rgn", "Oval", "Rect", "DirectBits", "LongComment"});
}

// Lines drawn, as absolute {x1, y1, x2, y2} whatever opcode recorded them.
constexpr auto* Lignes = &tamrel_test::LignesEnregistrees;

// Width of the first oval painted or framed.
int LargeurOvale(const std::vector<std::string>& ops) {
  for (const std::string& op : ops) {
    int t, l, b, r;
    if (std::sscanf(op.c_str(), "PaintOval (%d,%d,%d,%d)", &t, &l, &b, &r) == 4) return r - l;
  }
  return -1;
}

struct DessinMarksTest : MarksTest {
  std::vector<std::string> Trace(const Mark& m, const ParamEffet* e = nullptr, Portee** s = nullptr) {
    return Enregistre([&] {
      TextFontMusicale(s, 72);
      TraceMark(s, 100, 130, 200, 300, &m, e, 72);
    });
  }
};

TEST_F(DessinMarksTest, GlyphCodes) {
  const struct {
    uint8_t code;
    std::vector<int> glyphs;
  } cas[] = {
      {8, {150}},          {9, {151}},  {10, {152}}, {14, {219}},    {15, {178}},         {19, {103}},
      {28, {126}},         {29, {249}}, {30, {84}},  {31, {96, 78}}, {32, {96, 105, 78}}, {33, {96, 73, 78}},
      {34, {96, 233, 78}}, {36, {109}}, {37, {77}},  {38, {181}},    {39, {160}},         {44, {179}},
      {45, {148}},         {46, {149}}, {49, {85}},  {50, {117}},    {55, {94}},          {56, {118}},
      {69, {118}},         {70, {94}},  {71, {232}}, {72, {172}},    {77, {142}},         {78, {145}},
      {79, {146}},         {80, {143}}, {81, {144}}, {82, {147}},    {95, {44}},          {101, {137}},
      {102, {138}},
  };
  for (const auto& c : cas) {
    SCOPED_TRACE(int(c.code));
    EXPECT_EQ(Glyphes(Trace(NouvelleMark(c.code, 0))), c.glyphs);
  }
}

TEST_F(DessinMarksTest, TextCodes) {
  const struct {
    uint8_t code;
    const char* text;
  } cas[] = {{1, "H"},  {2, "PO"}, {3, "Sl"}, {4, "sl."}, {7, "Ch"}, {12, "P.M."}, {16, "T"}, {17, "S"},
             {18, "P"}, {22, "0"}, {27, "5"}, {83, "p"},  {86, "a"}, {87, "0"},    {93, "6"}};
  for (const auto& c : cas) {
    SCOPED_TRACE(int(c.code));
    std::string t;
    for (int g : Glyphes(Trace(NouvelleMark(c.code, 0)))) t += char(g);
    EXPECT_EQ(t, c.text);
  }
}

TEST_F(DessinMarksTest, CodesWithoutAFigureDrawNothing) {
  for (uint8_t code : {0, 47, 48, 111, 200, 255}) {
    SCOPED_TRACE(int(code));
    EXPECT_TRUE(Traces(Trace(NouvelleMark(code, 0))).empty());
  }
  // Every code with a figure draws something (110 needs an end and a
  // thickness, 106 draws its label).
  for (int code = 1; code <= 110; code++) {
    if (code == 47 || code == 48) continue;
    Mark m = NouvelleMark(uint8_t(code), 0);
    m.courbeFinDx = 20;
    m.courbeEpaisseur = 4;
    std::strcpy(m.texte, "txt");
    EXPECT_FALSE(Traces(Trace(m, nullptr, staff)).empty()) << code;
  }
}

TEST_F(DessinMarksTest, PenFiguresAtTheirSizes) {
  using L = std::vector<std::array<int, 4>>;
  // Tenuto: a bar of u(4) each side at 72 dpi and size 72; at 144 dpi every length doubles.
  EXPECT_EQ(Lignes(Trace(NouvelleMark(59, 0))), (L{{196, 300, 204, 300}}));
  SetDpiDest(144);
  EXPECT_EQ(Lignes(Trace(NouvelleMark(59, 0))), (L{{192, 300, 208, 300}}));
  SetDpiDest(72);
  // The accent wedge: two lines from its point 4 right of the mark, 2 up and down.
  EXPECT_EQ(Lignes(Trace(NouvelleMark(94, 0))), (L{{204, 300, 196, 298}, {204, 300, 196, 302}}));
  // Arrows of 10: the line from the point up, barbs of (3.3, 2.5) from its top
  // (108) or bottom (109), pen coordinates truncated.
  EXPECT_EQ(Lignes(Trace(NouvelleMark(108, 0))), (L{{200, 300, 200, 290}, {200, 290, 196, 292}, {200, 290, 203, 292}}));
  EXPECT_EQ(Lignes(Trace(NouvelleMark(109, 0))), (L{{200, 300, 200, 290}, {200, 300, 196, 297}, {200, 300, 203, 297}}));
  // Staccato: a disc of at least one pixel's radius; tenuto-staccato adds the bar above.
  EXPECT_EQ(LargeurOvale(Trace(NouvelleMark(60, 0))), 2);
  // Its radius is already in device pixels: 6 at 576 dpi, not zoomed again.
  SetDpiDest(576);
  EXPECT_EQ(LargeurOvale(Trace(NouvelleMark(60, 0))), 12);
  SetDpiDest(72);
  EXPECT_EQ(Lignes(Trace(NouvelleMark(61, 0))), (L{{196, 297, 204, 297}}));
}

TEST_F(DessinMarksTest, TrillWavesByCountAndClip) {
  ParamEffet e{};
  e.mot1 = 0;
  EXPECT_EQ(Glyphes(Trace(NouvelleMark(31, 0), &e)), std::vector<int>{96});
  e.mot1 = 3;
  EXPECT_EQ(Glyphes(Trace(NouvelleMark(32, 0), &e)), (std::vector<int>{96, 105, 78, 78, 78}));
  // A huge count stops at the clip.
  e.mot1 = 60000;
  const auto ops = Enregistre([&] {
    Rect clip{0, 0, 400, 400};
    ClipRect(&clip);
    TextFontMusicale(nullptr, 72);
    const Mark m = NouvelleMark(31, 0);
    TraceMark(nullptr, 100, 130, 200, 300, &m, &e, 72);
  });
  const size_t n = Glyphes(ops).size();
  EXPECT_GT(n, 3u);
  EXPECT_LT(n, 2000u);
}

TEST_F(DessinMarksTest, ArpeggioStepsAndArrow) {
  ParamEffet e{};
  e.mot4 = 4;
  EXPECT_EQ(Glyphes(Trace(NouvelleMark(98, 0), &e)), (std::vector<int>{103, 103, 103, 103}));
  e.mot2 = 1;
  EXPECT_EQ(Filtre(Trace(NouvelleMark(98, 0), &e), {"PaintPoly"}).size(), 1u);
  e.mot4 = 30000;
  const auto ops = Enregistre([&] {
    Rect clip{0, 0, 600, 600};
    ClipRect(&clip);
    const Mark m = NouvelleMark(98, 0);
    TraceMark(nullptr, 100, 130, 200, 300, &m, &e, 72);
  });
  EXPECT_LT(Glyphes(ops).size(), 200u);
}

TEST_F(DessinMarksTest, ColourOfInvisibleGreyedAndOwnColours) {
  auto couleur = [&](const Mark& m, Portee** s) {
    std::string last;
    for (const std::string& op : Trace(m, nullptr, s))
      if (op.rfind("RGBFgCol", 0) == 0 && last.empty()) last = op;
    return last;
  };
  auto attendu = [](int index) {
    const RGBColor c = TabRgbColor[size_t(index)];
    char b[64];
    std::snprintf(b, sizeof b, "RGBFgCol %04X %04X %04X", c.red, c.green, c.blue);
    return std::string(b);
  };
  Mark m = NouvelleMark(59, 0);
  m.couleur = 5;
  EXPECT_EQ(couleur(m, staff), attendu(5));
  m.invisible = 1;
  EXPECT_EQ(couleur(m, staff), attendu(247));
  m.invisible = 0;
  (*staff)->modeGrise = 1;
  EXPECT_EQ(couleur(m, staff), attendu(247));
  (*staff)->modeGrise = 0;
  m.couleur = 0;
  (*staff)->couleur = 9;
  EXPECT_EQ(couleur(m, staff), attendu(9));
  EXPECT_EQ(couleur(m, nullptr), attendu(254));
}

TEST_F(DessinMarksTest, StringNumberCircleIsLargerWithoutAStaff) {
  Mark m = NouvelleMark(89, 0);
  m.tailleTexte = 9;
  const int avec = LargeurOvale(Trace(m, nullptr, staff)), sans = LargeurOvale(Trace(m, nullptr, nullptr));
  EXPECT_GT(avec, 0);
  EXPECT_GT(sans, avec);
  // The circle follows the zoomed text: twice the size at twice the resolution, not four times.
  SetDpiDest(144);
  const int double_ = LargeurOvale(Trace(m, nullptr, staff));
  SetDpiDest(72);
  EXPECT_LE(double_, 2 * avec + 2);
  EXPECT_GE(double_, 2 * avec - 2);
}

TEST_F(DessinMarksTest, SelectedMarkIsFramed) {
  Mark m = NouvelleMark(60, 0);
  m.selectionne = 1;
  EXPECT_EQ(Filtre(Trace(m, nullptr, staff), {"FrameRect"}).size(), 1u);
  EXPECT_TRUE(Filtre(Trace(m, nullptr, nullptr), {"FrameRect"}).empty());
}

TEST_F(DessinMarksTest, DrawingTwiceGivesTheSameOutput) {
  ParamEffet e{};
  e.mot1 = 2;
  e.mot4 = 3;
  e.mot2 = 1;
  auto tous = [&] {
    TextFontMusicale(staff, 72);
    for (int code = 0; code <= 112; code++) {
      Mark m = NouvelleMark(uint8_t(code), 0);
      m.courbeFinDx = 20;
      std::strcpy(m.texte, "x");
      TraceMark(staff, 100, 130, int16_t(100 + 3 * code), 300, &m, &e, 72);
    }
  };
  // The state set before the first figure is already in place for the
  // second pass: compare from the first figure on.
  auto une = Enregistre(tous);
  const auto premier = std::find_if(une.begin(), une.end(), [](const std::string& op) {
    return op.rfind("ShortLine", 0) == 0 || op.rfind("Line", 0) == 0 || op.rfind("LongText", 0) == 0;
  });
  une.erase(une.begin(), premier);
  const auto deux = Enregistre([&] {
    tous();
    tous();
  });
  ASSERT_GT(deux.size(), une.size());
  EXPECT_EQ(std::vector<std::string>(deux.end() - long(une.size()), deux.end()), une);
}

TEST_F(DessinMarksTest, MarksOfANote) {
  AjouteSigne(staff, 60, 40320);
  AddMarkNote(staff, 0, 60, 0, 0, 0);    // staccato
  AddMarkNote(staff, 0, 11, 0, 0, 0);    // never drawn
  AddMarkNote(staff, 0, 49, 0, 0, 128);  // fermata above the staff
  const int32_t ie = reinterpret_cast<Signe*>(*(*staff)->notes)[0].indexParamEffet;
  ASSERT_GE(ie, 0);
  Signe s = reinterpret_cast<Signe*>(*(*staff)->notes)[0];
  s.debut = 0;
  auto dessin = [&] { return Enregistre([&] { TraceMarksNote(staff, 100, 130, 0, &s, false, ie); }); };
  EXPECT_EQ(Glyphes(dessin()), std::vector<int>{85});
  EXPECT_EQ(Filtre(dessin(), {"PaintOval"}).size(), 1u);
  // An invisible mark shows on the ribbon only.
  reinterpret_cast<Mark*>(*Effet(staff, ie).marks)[2].invisible = 1;
  (*score)->modeEcran = 3;
  EXPECT_TRUE(Glyphes(dessin()).empty());
  (*score)->modeEcran = 0;
  EXPECT_EQ(Glyphes(dessin()), std::vector<int>{85});
  // No effects record: nothing.
  EXPECT_TRUE(Traces(Enregistre([&] { TraceMarksNote(staff, 100, 130, 0, &s, false, -1); })).empty());
}

}  // namespace
