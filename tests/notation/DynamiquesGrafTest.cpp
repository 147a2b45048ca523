// Dynamics objects as recorded into a picture: letters and their spacing,
// colours, hairpins whole and cut over line starts, octave lines, typed
// texts with their '$' codes, tempo marks with their reference notes, and
// standard sizes.
#include <array>
#include <cstring>

#include "NotationFixtures.h"
#include "model/BarTableFixtures.h"
#include "model/QrvDynamics.h"
#include "notation/DynamiquesGraf.h"
#include "support/Enregistrements.h"
#include "system/Couleurs.h"
#include "system/PortLayer.h"
#include "text/Fontes.h"

namespace {

// Lines drawn, as absolute {x1, y1, x2, y2} whatever opcode recorded them.
constexpr auto* Lignes = &tamrel_test::LignesEnregistrees;

// The x of each text operation's origin.
std::vector<int> XTextes(const std::vector<std::string>& ops) {
  std::vector<int> out;
  for (const tamrel_test::TexteEnregistre& t : tamrel_test::TextesEnregistres(ops)) out.push_back(t.h);
  return out;
}

std::string Textes(const std::vector<std::string>& ops) {
  std::string out;
  for (int c : Glyphes(ops)) out += char(c);
  return out;
}

struct DynamiquesTest : NotationTest {
  Portee p{};
  Portee* pp = &p;
  Portee** staff = &pp;
  DynamiquesTest() { p.aspect.tailleUnite = 72; }
  static Dynamique Objet(int32_t type, const char* text = "") {
    Dynamique d{};
    d.type = type;
    d.style = TextStyle{20, 0, 12, RGBColor{0, 0, 0}};
    d.taille = 100;
    std::strncpy(d.texte, text, sizeof d.texte - 1);
    return d;
  }
  std::vector<std::string> Dessine(const Dynamique& d, Rect r = Rect{0, 100, 40, 300}, Portee** s = nullptr) {
    return Enregistre([&] { AfficheDynamique(s ? s : staff, &d, &r); });
  }
  static int Avance(uint8_t code, int16_t size) {
    CGrafPtr ancien = SetPortTemporaire();
    TextFontMusicale(nullptr, size);
    const int w = CharWidthCaractereMusical(code);
    RozoSetPortOffscreen(ancien);
    return w;
  }
};

TEST_F(DynamiquesTest, EachTypeDrawsItsGlyphs) {
  const struct {
    int32_t type;
    std::vector<int> glyphs;
  } cas[] = {
      {3, {184}},
      {4, {185}},
      {5, {112}},
      {6, {80}},
      {7, {70}},
      {8, {102}},
      {9, {196}},
      {10, {236}},
      {11, {83}},
      {12, {102, 122}},
      {13, {102, 112}},
      {14, {102, 185}},
      {15, {83, 122}},
      {16, {83, 102, 122}},
      {17, {83, 185}},
      {23, {161}},
      {24, {42}},
      {25, {83, 112}},
      {26, {184, 184}},
      {27, {184, 185}},
      {28, {185, 185}},
      {29, {236, 236}},
      {30, {236, 196}},
      {31, {196, 196}},
      {32, {243, 102}},
      {33, {243, 102, 122}},
      // Outside the table: the placeholder.
      {0, {255}},
      {34, {255}},
      {-7, {255}},
  };
  for (const auto& c : cas) {
    SCOPED_TRACE(c.type);
    EXPECT_EQ(Glyphes(Dessine(Objet(c.type))), c.glyphs);
  }
}

TEST_F(DynamiquesTest, GlyphSpacingOfThreeGlyphsAndOfSffz) {
  // Music-font size 144 (s = 2) at 72 dpi: the font at 144 pixels.
  p.aspect.tailleUnite = 144;
  const int a83 = Avance(83, 144), a102 = Avance(102, 144), a243 = Avance(243, 144);
  // Start: left + Zoom(2 s).
  auto x = XTextes(Dessine(Objet(16)));
  ASSERT_EQ(x.size(), 3u);
  EXPECT_EQ(x[0], 104);
  EXPECT_EQ(x[1], 104 + a83 - 14);   // back Zoom(7 s)
  EXPECT_EQ(x[2], x[1] + a102 - 8);  // back Zoom(4 s)
  // rfz: the first back Zoom(4 s) (243 is not f or s), the middle back an unscaled Zoom(5).
  x = XTextes(Dessine(Objet(33)));
  ASSERT_EQ(x.size(), 3u);
  EXPECT_EQ(x[1], x[0] + a243 - 8);
  EXPECT_EQ(x[2], x[1] + a102 - 5);
  // Two glyphs: the unscaled step after the first.
  x = XTextes(Dessine(Objet(15)));
  ASSERT_EQ(x.size(), 2u);
  EXPECT_EQ(x[1], x[0] + a83 - 5);
}

TEST_F(DynamiquesTest, ColourOfGreyedStavesAndOwnColours) {
  auto couleur = [&](const Dynamique& d) {
    for (const std::string& op : Dessine(d))
      if (op.rfind("RGBFgCol", 0) == 0) return op.substr(9);
    return std::string();
  };
  auto rgb = [](int index) {
    char s[32];
    const RGBColor& c = TabRgbColor[size_t(index)];
    std::snprintf(s, sizeof s, "%04X %04X %04X", c.red, c.green, c.blue);
    return std::string(s);
  };
  Dynamique d = Objet(5);
  EXPECT_EQ(couleur(d), rgb(247));
  d.couleurPropre = 1;
  d.couleur = 216;
  EXPECT_EQ(couleur(d), rgb(216));
  p.modeGrise = 1;
  EXPECT_EQ(couleur(d), rgb(247));
}

TEST_F(DynamiquesTest, HairpinsInTheirRectangle) {
  const Rect r{0, 0, 20, 100};
  auto crescendo = Lignes(Enregistre([&] { AfficheDynamiqueCrescendo(&r, 0, 1, 0); }));
  EXPECT_EQ(crescendo, (std::vector<std::array<int, 4>>{{0, 10, 98, 2}, {0, 10, 98, 18}}));
  auto decrescendo = Lignes(Enregistre([&] { AfficheDynamiqueDecrescendo(&r, 6, 1, 0); }));
  EXPECT_EQ(decrescendo, (std::vector<std::array<int, 4>>{{0, 2, 98, 7}, {0, 18, 98, 13}}));
  // Reached through the object: opening 0 over the whole rectangle.
  EXPECT_EQ(Lignes(Dessine(Objet(1), r)), crescendo);
}

struct HairpinCoupeTest : DynamiquesTest {
  Document* doc = NouveauDocument();
  Partition** score = NewPartition(doc);
  Portee** portee = nullptr;
  HairpinCoupeTest() {
    AddEltTabEltMesureRuban(score, 6);
    (*score)->nbMesures = 6;
    UpdateTabEltMesure(score, kTabEltTout);
    NewPortee(score, kTypePorteeStandard);
    portee = (*score)->portees[0];
    (*portee)->aspect.tailleUnite = 72;
    TabEltMesure* l = GetLignesTabElt(GetTabEltMesureEcran(score));
    l[2].debutSysteme = 1;
    l[4].debutSysteme = 1;
  }
  ~HairpinCoupeTest() override { LibereDocument(doc); }
  Dynamique Soufflet(int32_t type) {
    Dynamique d = Objet(type);
    d.debut = CvtMesureEnTemps(score, 0);
    d.fin = CvtMesureEnTemps(score, 5) + 100;
    return d;
  }
  int32_t X(int32_t bar) { return CvtMesureEnPixelEcranDebutMesure(score, bar); }
};

TEST_F(HairpinCoupeTest, ACrescendoOverTwoLineStartsIsThreeGrowingPieces) {
  const Dynamique d = Soufflet(1);
  const Rect r{100, int16_t(X(0) + 10), 130, int16_t(X(5) + 40)};
  bool fait = false;
  const auto l = Lignes(Enregistre([&] { fait = AfficheDynamiqueSplite(portee, &d, &r, 0); }));
  ASSERT_TRUE(fait);
  ASSERT_EQ(l.size(), 6u);
  // Each piece: its opening at the left, its height at the right (less 2 + 2).
  int precedente = -1;
  for (size_t i = 0; i < 6; i += 2) {
    SCOPED_TRACE(i / 2);
    const int ouverture = l[i + 1][1] - l[i][1];
    const int hauteur = l[i + 1][3] - l[i][3] + 4;
    if (precedente < 0) EXPECT_EQ(ouverture, 0);
    else EXPECT_EQ(ouverture, 2 * (std::max(4, int((precedente - 4) * 0.75f)) / 2));  // half each side
    const int largeur = l[i][2] + 2 - l[i][0];
    if (i < 4) EXPECT_EQ(hauteur, std::max(10, largeur * 30 / (r.right - r.left)));
    precedente = hauteur;
  }
  EXPECT_EQ(l[0][0], r.left);
  EXPECT_EQ(l[4][0], X(4) + 2);
  EXPECT_EQ(l[4][2], r.right - 2);
  // A decrescendo is cut the same way from its right end.
  const Dynamique de = Soufflet(2);
  const auto ld = Lignes(Enregistre([&] { AfficheDynamiqueSplite(portee, &de, &r, 0); }));
  ASSERT_EQ(ld.size(), 6u);
  EXPECT_EQ(ld[0][2], r.right - 2);
  EXPECT_EQ(ld[4][0], r.left);
}

TEST_F(HairpinCoupeTest, NarrowPiecesAreSkippedAndTextsAreNotCut) {
  Dynamique d = Soufflet(1);
  // The rectangle ends right after the last line start: that piece is skipped.
  const Rect r{100, int16_t(X(0) + 10), 130, int16_t(X(4) + 4)};
  EXPECT_EQ(Lignes(Enregistre([&] { AfficheDynamiqueSplite(portee, &d, &r, 0); })).size(), 4u);
  std::strcpy(d.texte, "cresc.");
  EXPECT_FALSE(AfficheDynamiqueSplite(portee, &d, &r, 0));
  EXPECT_FALSE(AfficheDynamiqueSplite(nullptr, &d, &r, 0));
  Dynamique f = Soufflet(8);
  EXPECT_FALSE(AfficheDynamiqueSplite(portee, &f, &r, 0));
}

TEST_F(DynamiquesTest, OctaveLinesWithDashesAndHook) {
  const Rect r{0, 100, 40, 200};
  auto ops = Dessine(Objet(18), r);
  EXPECT_EQ(Glyphes(ops), std::vector<int>{195});
  EXPECT_EQ(Glyphes(Dessine(Objet(19), r)), std::vector<int>{215});
  auto l = Lignes(ops);
  ASSERT_GE(l.size(), 3u);
  // Dashes of 4 every 8 at the pen's height - 4; the hook goes down.
  EXPECT_EQ(l[0][1], 32);
  EXPECT_EQ(l[0][2] - l[0][0], 4);
  EXPECT_EQ(l[1][0] - l[0][0], 8);
  EXPECT_EQ(l.back()[3] - l.back()[1], 4);
  EXPECT_LT(l[l.size() - 2][0], 200 - 8);
  EXPECT_EQ(Lignes(Dessine(Objet(19), r)).back()[3] - 32, -4);
  const std::string deux = Textes(Dessine(Objet(21), r));
  EXPECT_EQ(deux, std::string("\xC1\xB0") + "mb");
}

TEST_F(DynamiquesTest, TypedTextCodes) {
  const struct {
    int32_t type;
    const char* text;
    std::string drawn;
  } cas[] = {
      {5, "poco $F", "poco f"}, {5, "a$Qb$", "ab"},
      {12, "$x!", "fz!"},       {40, "$X", ""},  // an unknown type has no glyphs
      {5, "$m$p$z", "\xBDpz"},
  };
  for (const auto& c : cas) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(Textes(Dessine(Objet(c.type, c.text))), c.drawn);
  }
  // "$L" alone: a dotted line across the rectangle, nothing else.
  const std::string points = Textes(Dessine(Objet(5, "$L")));
  EXPECT_GE(points.size(), 5u);
  EXPECT_EQ(points.find_first_not_of('.'), std::string::npos);
  // A hairpin with text is drawn as its text.
  EXPECT_EQ(Textes(Dessine(Objet(1, "cresc."))), "cresc.");
}

TEST_F(DynamiquesTest, TempoReferenceNote) {
  const struct {
    int32_t unit;
    int16_t value;
    std::string drawn;
  } cas[] = {
      {40320, 96, "q = 96"},   {60480, 72, "q. = 72"},  {50000, 60, "q = 60"}, {1000, 200, "; = 200"},
      {241920, 40, "w. = 40"}, {2520, 50, "\xC6 = 50"}, {40320, 0, "q= ?"},
  };
  const Rect r{0, 0, 30, 300};
  for (const auto& c : cas) {
    SCOPED_TRACE(c.unit);
    Dynamique t = Objet(kDynTempo);
    t.uniteTempo = c.unit;
    t.valeur1 = uint16_t(c.value);
    EXPECT_EQ(Textes(Enregistre([&] { DrawNoteReferenceDansTempo(staff, &t, &r, 10); })), c.drawn);
  }
  // Without a staff the note is at size 36; the dot stands the dot gap after the note.
  Dynamique t = Objet(kDynTempo);
  t.uniteTempo = 60480;
  t.valeur1 = 80;
  for (const auto& g : {std::pair<int16_t, int>{24, 2}, {11, 0}}) {
    GModeGraphique.slot[5] = g.first;
    const auto ops = Enregistre([&] { DrawNoteReferenceDansTempo(nullptr, &t, &r, 10); });
    EXPECT_EQ(Filtre(ops, {"TxSize 36"}).size(), 1u);
    const auto x = XTextes(ops);
    ASSERT_GE(x.size(), 2u);
    EXPECT_EQ(x[1], 10 + Avance('q', 36) + g.second);
  }
  // Right-aligned: the glyph before the number, the x given back.
  t.alignementTempo = 2;
  int16_t fin = 0;
  const auto ops = Enregistre([&] { fin = DrawNoteReferenceDansTempo(nullptr, &t, &r, 10); });
  EXPECT_EQ(fin, 10);
  const auto x = XTextes(ops);
  ASSERT_EQ(x.size(), 3u);
  EXPECT_LT(x[1], x[0]);
}

TEST_F(DynamiquesTest, TempoTextHoldsTheReferenceNoteAtItsCode) {
  const struct {
    const char* text;
    std::string drawn;
  } cas[] = {
      {"Allegro $T", "Allegro q = 120"},
      {"$T", "q = 120"},
      {"Vivo $T (ca.)", "Vivo q = 120 (ca.)"},
      {"Lento ", "Lento "},  // no code: the text alone
  };
  for (const auto& c : cas) {
    SCOPED_TRACE(c.text);
    Dynamique t = Objet(kDynTempo, c.text);
    t.uniteTempo = 40320;
    t.valeur1 = 120;
    const std::string drawn = Textes(Dessine(t));
    EXPECT_EQ(drawn, c.drawn);
    EXPECT_EQ(drawn.find('$'), std::string::npos);
  }
}

TEST_F(DynamiquesTest, StandardSizes) {
  Rect r;
  GetRectStdDynamique(staff, nullptr, &r);
  EXPECT_EQ(r.right, 0);
  const Dynamique h = Objet(2);
  GetRectStdDynamique(staff, &h, &r);
  EXPECT_EQ(r.right, 50);
  EXPECT_EQ(r.bottom, 12);
  const Dynamique piano = Objet(5);
  GetRectStdDynamique(staff, &piano, &r);
  EXPECT_EQ(r.bottom, 20);
  EXPECT_EQ(r.right, 12 + Avance(112, 72));
  p.aspect.tailleUnite = 144;
  GetRectStdDynamique(staff, &piano, &r);
  EXPECT_EQ(r.bottom, 40);
  EXPECT_EQ(r.right, 24 + Avance(112, 144));
  const Dynamique octave = Objet(18);
  GetRectStdDynamique(nullptr, &octave, &r);
  EXPECT_EQ(r.right, 12 + Avance(195, 72) + 16);
}

}  // namespace
