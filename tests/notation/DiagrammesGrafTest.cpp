// Chord diagrams as recorded into a picture: the nut or the base fret's
// number, barres, the dot colours by note name and by degree with their
// signs, the name shrunk to fit, the crossed frame of a missing diagram, and
// the piano keyboard with its shaded keys.
#include <cstdio>
#include <cstring>

#include "NotationFixtures.h"
#include "notation/DiagrammesGraf.h"
#include "platform/Memory.h"
#include "plugin/Necks.h"
#include "system/Handles.h"

namespace {

struct Ovale {
  int top, left, bottom, right;
  int cx() const { return (left + right) / 2; }
  int cy() const { return (top + bottom) / 2; }
};

// The rectangles of the operations with that name, in order.
std::vector<Ovale> Rects(const std::vector<std::string>& ops, const char* name) {
  std::vector<Ovale> out;
  const std::string prefix = std::string(name) + " (%d,%d,%d,%d)";
  for (const std::string& op : ops) {
    Ovale o;
    if (std::sscanf(op.c_str(), prefix.c_str(), &o.top, &o.left, &o.bottom, &o.right) == 4) out.push_back(o);
  }
  return out;
}

// The texts drawn, in order.
std::vector<std::string> Textes(const std::vector<std::string>& ops) {
  std::vector<std::string> out;
  for (const std::string& op : ops) {
    if (op.find("Text") == std::string::npos) continue;
    const size_t a = op.find('"'), b = op.rfind('"');
    if (a != std::string::npos && b > a) out.push_back(op.substr(a + 1, b - a - 1));
  }
  return out;
}

// The horizontal lines of the grid: their y.
std::vector<int> Frettes(const std::vector<std::string>& ops) {
  std::vector<int> out;
  for (const std::string& op : ops) {
    int v, h, dh, dv;
    if (std::sscanf(op.c_str(), "ShortLine (%d,%d) %d %d", &v, &h, &dh, &dv) == 4 && dv == 0 && dh > 0)
      out.push_back(v);
  }
  return out;
}

// A six-string guitar, neck id 1, in the neck table for the test.
struct DiagrammesGrafTest : NotationTest {
  Handle ancien = GlobalTabNeck;
  DiagrammesGrafTest() {
    GlobalTabNeck = NewHandleClear(sizeof(Neck));
    Neck& n = *reinterpret_cast<Neck*>(*GlobalTabNeck);
    n.id = 1;
    n.nbCordes = 6;
    const int16_t ouvertes[6] = {64, 59, 55, 50, 45, 40};
    for (int i = 0; i < 6; i++) n.cordes[i].hauteur = ouvertes[i];
  }
  ~DiagrammesGrafTest() override {
    DisposeHandle(GlobalTabNeck);
    GlobalTabNeck = ancien;
  }
  // An F major diagram (root F, major third, perfect fifth) at a base fret.
  static DiagrammeAccord Diagramme(uint8_t base, std::initializer_list<PointDiagramme> points) {
    DiagrammeAccord d{};
    std::strcpy(d.accord.nom, "F");
    d.accord.neck = 1;
    d.accord.fondamentale = 3;
    d.accord.alterationFondamentale = 2;
    d.accord.septieme = d.accord.neuvieme = 2;
    d.caseBase = base;
    for (const PointDiagramme& p : points) d.points[d.nbPoints++] = p;
    return d;
  }
  static std::vector<std::string> Dessine(const DiagrammeAccord* d, int16_t shift = 0, Rect r = Rect{0, 0, 80, 60},
                                          bool nom = false, int16_t minTaille = 2) {
    return Enregistre([&] { AfficheDiagrammeAccordBrut(d, nullptr, shift, &r, nom, 1, 1, 1, minTaille); });
  }
};

}  // namespace

// Near the nut the grid starts under a nut and the shift moves the dots down;
// higher up the first fret is numbered (base + shift) and no nut is drawn.
TEST_F(DiagrammesGrafTest, TheNutOrTheBaseFretsNumber) {
  const struct {
    uint8_t base;
    int16_t shift;
    const char* numero;  // empty: the nut
    int rangee;          // grid row of a dot at relative fret 0
  } cas[] = {
      {5, 0, "5", 0}, {1, 0, "", 0}, {2, 0, "2", 0}, {3, -2, "", 0}, {1, 2, "", 2}, {3, 4, "7", 0},
  };
  for (const auto& c : cas) {
    const DiagrammeAccord d = Diagramme(c.base, {{0, 2, 2}});
    const auto ops = Dessine(&d, c.shift);
    const std::vector<int> frettes = Frettes(ops);
    ASSERT_EQ(frettes.size(), 6u) << int(c.base);
    const int haut = frettes[0], pas = frettes[1] - frettes[0];
    const bool sillet = c.numero[0] == 0;
    // The nut is the only painted rectangle, and it stands on the top line.
    const std::vector<Ovale> rects = Rects(ops, "PaintRect");
    EXPECT_EQ(rects.size(), sillet ? 1u : 0u) << int(c.base) << " " << c.shift;
    if (sillet && !rects.empty()) EXPECT_LT(rects[0].top, haut);
    const std::vector<std::string> textes = Textes(ops);
    if (sillet) EXPECT_TRUE(textes.empty()) << textes[0];
    else EXPECT_EQ(textes, std::vector<std::string>{c.numero});
    const std::vector<Ovale> points = Rects(ops, "PaintOval");
    ASSERT_EQ(points.size(), 1u);
    EXPECT_EQ((points[0].cy() - haut) / pas, c.rangee) << int(c.base) << " " << c.shift;
  }
}

// A graphic mode that leaves the diagram sizes at 0 draws as the built-in
// one, not dots and a nut of no size.
TEST_F(DiagrammesGrafTest, ZeroSizesTakeTheBuiltInOnes) {
  const DiagrammeAccord d = Diagramme(1, {{0, 2, 2}});
  const auto attendu = Dessine(&d, 0, Rect{0, 0, 80, 60}, true);
  for (int s = 90; s <= 96; s++) GModeGraphique.slot[s] = 0;
  EXPECT_EQ(Dessine(&d, 0, Rect{0, 0, 80, 60}, true), attendu);
}

// The neck gives the strings; without a known one, the last string a mark
// or a dot uses (a five-string frame leaves its sixth mark empty).
TEST_F(DiagrammesGrafTest, StringsFromTheNeckOrTheMarks) {
  auto cordes = [](const std::vector<std::string>& ops) {
    int n = 0;
    for (const std::string& op : ops) {
      int v, h, dh, dv;
      if (std::sscanf(op.c_str(), "ShortLine (%d,%d) %d %d", &v, &h, &dh, &dv) == 4 && dh == 0 && dv > 0) n++;
    }
    return n;
  };
  DiagrammeAccord d = Diagramme(1, {{0, 1, 1}});
  std::memcpy(d.cordes, "x  o ", 5);
  EXPECT_EQ(cordes(Dessine(&d)), 6);
  d.accord.neck = -1;
  EXPECT_EQ(cordes(Dessine(&d)), 5);
  d.points[d.nbPoints++] = PointDiagramme{2, 0, 5};
  EXPECT_EQ(cordes(Dessine(&d)), 6);
  std::memset(d.cordes, 0, sizeof d.cordes);
  d.nbPoints = 0;
  EXPECT_EQ(cordes(Dessine(&d)), 6);
}

// A barre over all six strings is one rectangle; in a colour mode it turns
// grey and each string whose highest dot it is gets a coloured dot.
TEST_F(DiagrammesGrafTest, ABarreIsOneRectangle) {
  const DiagrammeAccord d = Diagramme(3, {{0, 0, 5}, {2, 3, 3}});
  auto ops = Dessine(&d);
  std::vector<Ovale> rects = Rects(ops, "PaintRect");
  const std::vector<Ovale> points = Rects(ops, "PaintOval");
  ASSERT_EQ(rects.size(), 1u);
  ASSERT_EQ(points.size(), 1u);
  // Strings are 9 pixels apart: the barre reaches past the first and the last.
  const int x0 = points[0].cx() - 3 * 9;
  EXPECT_LT(rects[0].left, x0);
  EXPECT_GT(rects[0].right, x0 + 5 * 9);

  pref.couleurDoigteDiagrammes = 2;
  ops = Dessine(&d);
  rects = Rects(ops, "PaintRect");
  ASSERT_EQ(rects.size(), 1u);
  EXPECT_NE(std::find(ops.begin(), ops.end(), "RGBFgCol 5000 5000 5000"), ops.end());
  std::vector<int> xs;
  for (const Ovale& o : Rects(ops, "PaintOval"))
    if (o.cy() == (rects[0].top + rects[0].bottom) / 2) xs.push_back(o.cx());
  // String 3 is pressed higher up: the barre gives it no dot.
  EXPECT_EQ(xs, (std::vector<int>{x0, x0 + 9, x0 + 18, x0 + 36, x0 + 45}));

  // Left-handed, the dot of string 3 stands where string 2 would.
  pref.couleurDoigteDiagrammes = 0;
  pref.diagrammesGaucher = 1;
  EXPECT_EQ(Rects(Dessine(&d), "PaintOval")[0].cx(), x0 + 2 * 9);
}

TEST_F(DiagrammesGrafTest, ColourTables) {
  const struct {
    bool parDegre;
    int16_t valeur;
    RGBColor couleur;
    char signe;
    bool sombre;
  } cas[] = {
      {true, 0, {0, 0, 0}, 0, false},
      {true, 1, {0x0000, 0xFFFF, 0x0000}, '-', false},
      {true, 3, {0xAF00, 0x0700, 0x5200}, '-', true},
      {true, 4, {0xAF00, 0x0700, 0x5200}, 0, false},
      {true, 5, {0x0000, 0x0000, 0xFFFF}, 0, false},
      {true, 8, {0xFFFF, 0x9200, 0x1600}, '+', false},
      {true, 9, {0x8A00, 0xA100, 0xCC00}, 0, false},
      {true, 11, {0xFF00, 0xFF00, 0x0000}, '+', false},
      {true, 13, {0x0000, 0xFFFF, 0x0000}, '-', false},
      {true, -5, {0, 0, 0}, 0, false},
      {false, 0, {0xFF00, 0x0000, 0x0000}, 0, false},
      {false, 1, {0xFF00, 0x0000, 0x0000}, '+', true},
      {false, 6, {0xAF00, 0xE500, 0x2600}, '+', false},
      {false, 10, {0x5F00, 0x0F00, 0x9100}, '+', true},
      {false, 11, {0xFF00, 0x0000, 0xFF00}, 0, false},
      {false, -1, {0xFF00, 0x0000, 0x0000}, 0, false},
  };
  for (const auto& c : cas) {
    char signe = 'z';
    bool sombre = !c.sombre;
    const RGBColor rgb = c.parDegre ? CvtComposanteEnCouleurRelative(c.valeur, &signe, &sombre)
                                    : CvtNoteEnCouleurAbsolue(c.valeur, &signe, &sombre);
    EXPECT_EQ(rgb.red, c.couleur.red) << c.parDegre << " " << c.valeur;
    EXPECT_EQ(rgb.green, c.couleur.green) << c.parDegre << " " << c.valeur;
    EXPECT_EQ(rgb.blue, c.couleur.blue) << c.parDegre << " " << c.valeur;
    EXPECT_EQ(signe, c.signe) << c.parDegre << " " << c.valeur;
    EXPECT_EQ(sombre, c.sombre) << c.parDegre << " " << c.valeur;
  }
}

// By note name, the low E string at the 9th fret (p = 40 + 8 + 1, a C sharp)
// is red with a white "+"; by degree the root is black and, as an open
// string, ringed in white; an unknown neck draws nothing.
TEST_F(DiagrammesGrafTest, DotColours) {
  const Rect r{10, 10, 16, 16};
  DiagrammeAccord d = Diagramme(1, {});
  pref.couleurDoigteDiagrammes = 1;
  auto ops = Enregistre([&] { TraceDoigteCouleur(&d, 8, 0, false, &r); });
  ASSERT_EQ(
      Filtre(ops, {"RGBFgCol", "PaintOval"}),
      (std::vector<std::string>{"RGBFgCol FF00 0000 0000", "PaintOval (10,10,16,16)", "RGBFgCol FFFF FFFF FFFF"}));
  EXPECT_EQ(Textes(ops), std::vector<std::string>{"+"});

  // The open D string (50) of a D chord: its root, black.
  pref.couleurDoigteDiagrammes = 2;
  d.accord.fondamentale = 1;
  ops = Enregistre([&] { TraceDoigteCouleur(&d, -1, 2, true, &r); });
  EXPECT_EQ(Filtre(ops, {"PaintOval", "FrameOval", "RGBFgCol"}),
            (std::vector<std::string>{"PaintOval (10,10,16,16)", "RGBFgCol FFFF FFFF FFFF", "FrameOval (9,9,17,17)"}));
  EXPECT_TRUE(Textes(ops).empty());

  d.accord.neck = 77;
  EXPECT_TRUE(Enregistre([&] { TraceDoigteCouleur(&d, 8, 0, false, &r); }).empty());
}

// A name wider than its room shrinks point by point down to 1, never to 0;
// one that fits keeps its size.
TEST_F(DiagrammesGrafTest, TheNameShrinksToFit) {
  DiagrammeAccord d = Diagramme(1, {});
  std::strcpy(d.accord.nom, "Fmaj7 add9 sus4 omit5 long");
  auto tailles = [](const std::vector<std::string>& ops) {
    std::vector<int> out;
    for (const std::string& op : ops) {
      int t;
      if (std::sscanf(op.c_str(), "TxSize %d", &t) == 1) out.push_back(t);
    }
    return out;
  };
  std::vector<int> t = tailles(Dessine(&d, 0, Rect{0, 0, 60, 24}, true, 8));
  ASSERT_FALSE(t.empty());
  EXPECT_EQ(t.back(), 1);
  EXPECT_EQ(*std::min_element(t.begin(), t.end()), 1);

  std::strcpy(d.accord.nom, "F");
  const auto ops = Dessine(&d, 0, Rect{0, 0, 120, 140}, true, 8);
  t = tailles(ops);
  ASSERT_FALSE(t.empty());
  // The unit is 140 / 7 = 20: the name keeps 100 per cent of it.
  EXPECT_EQ(t.back(), 20);
  EXPECT_EQ(Textes(ops).back(), "F");
}

// With a shift the name is the chord transposed.
TEST_F(DiagrammesGrafTest, AShiftTransposesTheName) {
  const DiagrammeAccord d = Diagramme(1, {{0, 0, 5}});
  EXPECT_EQ(Textes(Dessine(&d, 2, Rect{0, 0, 80, 60}, true)).back(), "G");
}

// A missing diagram: a frame inset by one, its two diagonals and "?", nothing else.
TEST_F(DiagrammesGrafTest, AMissingDiagramIsACrossedFrame) {
  const auto ops = Dessine(nullptr, 0, Rect{0, 0, 80, 60}, true);
  EXPECT_EQ(Filtre(ops, {"FrameRect", "ShortLine", "Paint"}),
            (std::vector<std::string>{"FrameRect (1,1,79,59)", "ShortLine (1,1) 57 77", "ShortLine (1,58) -57 77"}));
  EXPECT_EQ(Textes(ops), std::vector<std::string>{"?"});
}

// Keys of a keyboard 140 wide (white keys 10 wide) and 20 high.
TEST_F(DiagrammesGrafTest, KeyRectangles) {
  const Rect clavier{0, 0, 20, 140};
  const struct {
    int16_t demiTon;
    Rect touche;
    int16_t noire;
  } cas[] = {
      {0, {0, 0, 20, 10}, 0},   {1, {0, 6, 13, 14}, 1},   {4, {0, 20, 20, 30}, 0},    {6, {0, 36, 13, 44}, 1},
      {11, {0, 60, 20, 70}, 0}, {12, {0, 70, 20, 80}, 0}, {22, {0, 126, 13, 134}, 1}, {23, {0, 130, 20, 140}, 0},
  };
  for (const auto& c : cas) {
    Rect r{};
    EXPECT_EQ(CvtDemiTonEnAireTouche(&clavier, c.demiTon, &r), c.noire) << c.demiTon;
    EXPECT_TRUE(EqualRect(&r, &c.touche))
        << c.demiTon << ": " << r.top << "," << r.left << "," << r.bottom << "," << r.right;
  }
}

// A C major triad shades C, E and G mid grey; a sharp's black key is light
// grey and framed; notes beyond the two octaves drawn are not shaded; no
// pitch draws nothing, not even the name.
TEST_F(DiagrammesGrafTest, PianoKeysShaded) {
  const Rect cadre{0, 0, 60, 140};
  const Rect clavier{10, 0, 50, 140};
  auto grises = [&](const int16_t* notes) {
    const auto ops = Enregistre([&] { AfficheDiagrammePiano(&cadre, "C", notes, false, false, 1, 0, 1); });
    std::vector<int16_t> out;
    for (size_t i = 0; i + 1 < ops.size(); i++) {
      if (ops[i] != "RGBBkCol 8080 8080 8080" && ops[i] != "RGBBkCol F0F0 F0F0 F0F0") continue;
      Ovale o;
      if (std::sscanf(ops[i + 1].c_str(), "EraseRect (%d,%d,%d,%d)", &o.top, &o.left, &o.bottom, &o.right) != 4)
        continue;
      for (int16_t s = 0; s < 24; s++) {
        Rect k;
        CvtDemiTonEnAireTouche(&clavier, s, &k);
        if (k.left == o.left && k.right == o.right && k.bottom == o.bottom) out.push_back(s);
      }
    }
    return out;
  };
  const int16_t majeur[] = {60, 64, 67, -1};
  EXPECT_EQ(grises(majeur), (std::vector<int16_t>{0, 4, 7}));
  const int16_t diese[] = {61, 65, 68, -1};
  EXPECT_EQ(grises(diese), (std::vector<int16_t>{5, 1, 8}));
  const int16_t loin[] = {60, 64, 86, -1};
  EXPECT_EQ(grises(loin), (std::vector<int16_t>{0, 4}));
  const int16_t rien[] = {-1, 60};
  EXPECT_TRUE(Enregistre([&] { AfficheDiagrammePiano(&cadre, "C", rien, true, true, 1, 0, 1); }).empty());
}
