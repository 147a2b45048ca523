// Note heads of every shape, staff and ledger lines with sub-pixel position
// and thickness, tuplet numbers, the two-bar repeat sign and the ambitus, as
// recorded into a picture.
#include "NotationFixtures.h"
#include "model/BarTableFixtures.h"
#include "notation/FormesCorps.h"
#include "system/Couleurs.h"

namespace {

struct FormesCorpsTest : NotationTest {
  Portee p{};
  Portee* pp = &p;
  Portee** staff = &pp;
  FormesCorpsTest() { p.largeurTete = 10; }
  std::vector<std::string> Tete(int16_t shape, int32_t duree, uint8_t flag, Portee** s = nullptr) {
    return Enregistre([&] {
      TextFontMusicale(nullptr, 24);
      TraceFormeCorps(s ? s : staff, shape, duree, flag, 100, 100, 200);
    });
  }
};

TEST_F(FormesCorpsTest, GlyphHeadsByShapeAndExactDuration) {
  const struct {
    int16_t shape;
    uint8_t flag;
    int filled, half, whole;
  } cas[] = {
      {0, 1, 207, 250, 119},  {-3, 1, 207, 250, 119}, {28, 0, 207, 250, 119}, {1, 1, 209, 177, 177},
      {2, 1, 226, 225, 225},  {3, 0, 192, 182, 182},  {4, 1, 43, 171, 171},   {6, 1, 159, 158, 158},
      {8, 1, 204, 205, 247},  {8, 0, 202, 203, 245},  {9, 1, 133, 134, 135},  {10, 1, 253, 252, 254},
      {11, 0, 153, 154, 154}, {12, 1, 156, 155, 155}, {12, 0, 136, 157, 157}, {13, 1, 225, 225, 225},
      {26, 1, 250, 119, 87},  {27, 1, 207, 207, 207},
  };
  for (const auto& c : cas) {
    SCOPED_TRACE(testing::Message() << c.shape << " flag " << int(c.flag));
    EXPECT_EQ(Glyphes(Tete(c.shape, 40320, c.flag)), std::vector<int>{c.filled});
    EXPECT_EQ(Glyphes(Tete(c.shape, 80640, c.flag)), std::vector<int>{c.half});
    EXPECT_EQ(Glyphes(Tete(c.shape, 161280, c.flag)), std::vector<int>{c.whole});
    // Only exact durations choose: a dotted half is filled.
    EXPECT_EQ(Glyphes(Tete(c.shape, 120960, c.flag)), std::vector<int>{c.filled});
    // Every shape writes the breve and the longa alike.
    EXPECT_EQ(Glyphes(Tete(c.shape, 322560, c.flag)), std::vector<int>{87});
    EXPECT_EQ(Glyphes(Tete(c.shape, 645120, c.flag)), std::vector<int>{221});
  }
  // Shape 7 has no head at all: the pen only moves to the point.
  EXPECT_TRUE(Tete(7, 40320, 1).empty());
  Enregistre([&] {
    TraceFormeCorps(staff, 7, 161280, 1, 100, 40, 50);
    Point pen;
    GetPen(&pen);
    EXPECT_EQ(pen.h, 40);
    EXPECT_EQ(pen.v, 50);
  });
}

TEST_F(FormesCorpsTest, FigureHeadsFillOrFrameTheHeadSize) {
  // Head width 10 at 100 %: figures 9 wide (w), centred on y = 200.
  const struct {
    int16_t shape;
    int32_t duree;
    uint8_t flag;
    std::string op, bounds;
  } cas[] = {
      {5, 40320, 1, "PaintRect", "(196,100,205,110)"},  {5, 80640, 1, "FrameRect", "(196,100,204,109)"},
      {14, 40320, 1, "PaintPoly", "(196,94,205,106)"},  {14, 40320, 0, "PaintPoly", "(196,103,205,115)"},
      {16, 40320, 1, "PaintPoly", "(195,100,206,109)"}, {16, 161280, 0, "FramePoly", "(195,101,206,110)"},
      {20, 40320, 1, "PaintPoly", "(196,100,205,109)"}, {21, 40320, 0, "PaintPoly", "(196,101,205,110)"},
  };
  for (const auto& c : cas) {
    SCOPED_TRACE(testing::Message() << c.shape << " " << c.duree << " " << int(c.flag));
    const auto ops = Filtre(Tete(c.shape, c.duree, c.flag), {"Paint", "Frame"});
    ASSERT_EQ(ops.size(), 1u);
    EXPECT_EQ(ops[0].rfind(c.op, 0), 0u) << ops[0];
    EXPECT_NE(ops[0].find(c.bounds), std::string::npos) << ops[0];
  }
  // Without a staff the width comes from the filled head of the music font.
  EXPECT_EQ(Filtre(Tete(5, 40320, 1, nullptr), {"PaintRect"}).size(), 1u);
}

TEST_F(FormesCorpsTest, PictureHeadsTakeTheForegroundColour) {
  for (int16_t shape : {15, 17, 18, 19, 22, 23, 24, 25}) {
    for (int32_t duree : {40320, 80640}) {
      SCOPED_TRACE(testing::Message() << shape << " " << duree);
      const auto ops = Enregistre([&] {
        SetForeColor(247);
        TraceFormeCorps(staff, shape, duree, 1, 100, 100, 200);
      });
      // Something is drawn, in the staff's grey, inside the head's square.
      const auto dessin = Filtre(ops, {"Paint", "Frame", "Line", "ShortLine"});
      EXPECT_FALSE(dessin.empty());
      const auto couleurs = Filtre(ops, {"RGBFgCol"});
      ASSERT_FALSE(couleurs.empty());
      for (const std::string& c : couleurs) EXPECT_EQ(c, "RGBFgCol BBBB BBBB BBBB");
    }
  }
  // The outlined form for half notes, the filled one for shorter notes.
  auto formes = [&](int32_t duree) {
    return Filtre(Enregistre([&] { TraceFormeCorps(staff, 15, duree, 1, 100, 100, 200); }), {"PaintPoly", "FramePoly"});
  };
  ASSERT_EQ(formes(40320).size(), 1u);
  EXPECT_EQ(formes(40320)[0].rfind("PaintPoly", 0), 0u);
  ASSERT_EQ(formes(80640).size(), 1u);
  EXPECT_EQ(formes(80640)[0].rfind("FramePoly", 0), 0u);
  EXPECT_NE(GetImageFormeCorps(20019), nullptr);
  EXPECT_EQ(GetImageFormeCorps(20020), nullptr);
}

TEST_F(FormesCorpsTest, BlendedLinesAndPlainLines) {
  const struct {
    uint8_t smooth;
    float y, thickness;
    std::vector<std::string> ops;
  } cas[] = {
      // A tenth of a pixel: one row at a fifth of black.
      {1, 20.0f, 0.1f, {"RGBFgCol CCCC CCCC CCCC", "ShortLine (20,10) 29 0"}},
      // A whole pixel on a pixel row: that row only, in the line's colour
      // (black already: no colour is recorded).
      {1, 20.0f, 1.0f, {"ShortLine (20,10) 29 0"}},
      // Near a whole number of pixels the line snaps to a row.
      {1, 20.5f, 3.0f, {"ShortLine (21,10) 29 0", "PnSize (2,1)", "ShortLine (22,10) 29 0"}},
      // Partial rows above and below are blended alike.
      {1,
       20.25f,
       2.5f,
       {"RGBFgCol 3AA1 3AA1 3AA1", "ShortLine (20,10) 29 0", "RGBFgCol 0000 0000 0000", "ShortLine (21,10) 29 0",
        "RGBFgCol 3AA1 3AA1 3AA1", "ShortLine (22,10) 29 0"}},
      // Without smoothing: a square pen of the rounded thickness.
      {0, 20.4f, 2.6f, {"PnSize (3,3)", "ShortLine (20,10) 27 0"}},
  };
  for (const auto& c : cas) {
    SCOPED_TRACE(testing::Message() << c.y << " " << c.thickness);
    pref.traitsAntialias = c.smooth;
    RGBColor apres{1, 2, 3};
    const auto ops = Enregistre([&] {
      SetForeColor(1);
      TraceLigneHorizontale(nullptr, 10, c.y, 30, c.thickness, c.thickness, -1);
      GetForeColor(&apres);
    });
    EXPECT_EQ(Filtre(ops, {"RGBFgCol", "ShortLine", "PnSize (2,1)", "PnSize (3,3)"}), c.ops);
    EXPECT_EQ(apres.red, 0);  // the foreground is put back
  }
  EXPECT_EQ(GammaLine(0), 0.0f);
  EXPECT_EQ(GammaLine(19), 0.0f);
  EXPECT_NEAR(GammaLine(20), 0.1011f, 1e-3);
  EXPECT_EQ(GammaLine(255), 1.0f);
  EXPECT_EQ(GammaLine(-40), 0.0f);  // indexes outside the table are held to it
  EXPECT_EQ(GammaLine(4000), 1.0f);
}

TEST_F(FormesCorpsTest, TupletNumbers) {
  TextFontMusicale(nullptr, 24);
  const struct {
    uint16_t word;
    std::vector<int> glyphs;
  } cas[] = {
      {3, {163}},
      {12, {193, 170}},              // two digits
      {0x0123, {163, 170, 46, 46}},  // 3:2
      {0x0803, {}},                  // hidden
      {0x0020, {}},                  // no count
  };
  for (const auto& c : cas) {
    SCOPED_TRACE(c.word);
    Rect r{};
    int16_t w = -1;
    const auto ops = Enregistre([&] {
      TextFontMusicale(nullptr, 24);
      w = TraceNuplet(100, 50, c.word, &r);
    });
    EXPECT_EQ(Glyphes(ops), c.glyphs);
    if (c.glyphs.empty()) {
      EXPECT_EQ(w, 0);
      continue;
    }
    EXPECT_GT(w, 0);
    EXPECT_EQ(r.right - r.left, w);
    EXPECT_EQ(r.bottom, 50);
    EXPECT_EQ(r.top, 50 - 8);
  }
  // A plain number starts 0.4 of its width left of x; a ratio is centred on x.
  Rect r{};
  int16_t w = 0;
  auto ops = Enregistre([&] {
    TextFontMusicale(nullptr, 24);
    w = TraceNuplet(100, 50, 5, &r);
  });
  EXPECT_EQ(r.left, int16_t(100 - 0.4f * w));
  ops = Enregistre([&] {
    TextFontMusicale(nullptr, 24);
    w = TraceNuplet(100, 50, 0x0123, &r);
  });
  EXPECT_EQ(r.left, 100 - w / 2);
  const auto textes = Filtre(ops, {"LongText", "DHDVText", "DHText", "DVText"});
  ASSERT_EQ(textes.size(), 4u);
  EXPECT_EQ(textes[2], "LongText (49,99) \".\"");  // the colon's first dot
}

TEST_F(FormesCorpsTest, TwoBarRepeatSign) {
  p.interligne = 6.0f;
  p.rect = Rect{100, 0, 200, 400};
  p.decalageLigneBas = 40;
  const auto ops = Enregistre([&] {
    SetForeColor(247);
    TraceSymboleRepeteDeuxDernieresMesures(staff, 200, 130);
  });
  // Two strokes and two dots in a 30 x 30 square about the point, in grey.
  const auto formes = Filtre(ops, {"PaintPoly", "PaintOval"});
  ASSERT_EQ(formes.size(), 4u);
  EXPECT_EQ(Filtre(ops, {"RGBFgCol"}), std::vector<std::string>{"RGBFgCol BBBB BBBB BBBB"});
  // The figure 2 above the top line (y 116), 4 units up.
  const auto textes = Filtre(ops, {"LongText", "DHDVText", "DHText", "DVText"});
  ASSERT_EQ(textes.size(), 1u);
  EXPECT_NE(textes[0].find("(112,"), std::string::npos) << textes[0];
  EXPECT_NE(textes[0].find("\"2\""), std::string::npos);
}

// A staff whose notes lie a half-space per semitone above y 100, sharps on
// odd pitches.
int16_t AmbitusY(Portee**, int32_t, int32_t, const Signe* note, uint8_t* flags) {
  if (flags) *flags = note->kind % 2 ? 1 : 2;
  return int16_t(100 - (note->kind - 60) * 3);
}

struct AmbitusTest : BarTableTest {
  EnvNotation env;
  static void SetUpTestSuite() { ActiveFonteMusicale(); }
  BarTableTest& b = *this;
  Portee** staff = nullptr;
  AmbitusTest() {
    b.Mesures(2);
    staff = b.Portee0();
    (*staff)->vecteurs.vect_Note2Ecr = AmbitusY;
    (*staff)->interligne = 6.0f;
    (*staff)->largeurTete = 8;
  }
  std::vector<std::string> Ambitus() {
    return Enregistre([&] { TraceAmbitus(b.score, staff, 100); });
  }
};

TEST_F(AmbitusTest, LowestAndHighestNotesOfTheGroup) {
  for (int8_t k : {64, 60, 67, 62}) AjouteSigne(staff, k, 40320);
  AjouteSigne(staff, kSigneSilence, 40320);
  auto ops = Ambitus();
  // Two filled heads, the high one with its sharp at its right edge.
  EXPECT_EQ(Glyphes(ops), (std::vector<int>{207, 207, 35}));
  const auto textes = Filtre(ops, {"LongText", "DHDVText", "DHText", "DVText"});
  ASSERT_EQ(textes.size(), 3u);
  EXPECT_EQ(textes[0].rfind("LongText (101,93)", 0), 0u) << textes[0];  // 60 at x - 7, y + 1
  EXPECT_EQ(textes[1].rfind("LongText (80,107)", 0), 0u) << textes[1];  // 67 at x + 7
  EXPECT_EQ(textes[2], "DHText 8 \"#\"");                               // on the head's line, a head width (8) right
  EXPECT_FALSE(Filtre(ops, {"Line", "ShortLine"}).empty());             // the curve
  EXPECT_EQ((*staff)->ambitus, 1);
  EXPECT_EQ((*staff)->ambitusBas, 60);
  EXPECT_EQ((*staff)->ambitusHaut, 67);
  // The range is kept: notes added later change nothing until it is cleared.
  AjouteSigne(staff, 72, 40320);
  Ambitus();
  EXPECT_EQ((*staff)->ambitusHaut, 67);
  (*staff)->ambitus = 0;
  Ambitus();
  EXPECT_EQ((*staff)->ambitusHaut, 72);
}

TEST_F(AmbitusTest, OnePitchOrNoNoteDrawsNothing) {
  EXPECT_TRUE(Ambitus().empty());
  (*staff)->ambitus = 0;
  AjouteSigne(staff, 64, 40320);
  AjouteSigne(staff, 64, 40320);
  EXPECT_TRUE(Ambitus().empty());
}

TEST_F(AmbitusTest, MergedStavesShareTheRange) {
  Portee** bas = NewPortee(b.score, kTypePorteeStandard);
  Fusionne(b.score, 0, 1, 0);
  AjouteSigne(staff, 70, 40320);
  AjouteSigne(bas, 50, 40320);
  Ambitus();
  EXPECT_EQ((*staff)->ambitusBas, 50);
  EXPECT_EQ((*staff)->ambitusHaut, 70);
}

}  // namespace
