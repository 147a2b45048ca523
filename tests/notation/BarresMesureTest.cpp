// Bar lines of every kind, repeat dots, rupture texts with their '$' codes,
// the ruptures of a bar, ending brackets and bar numbers, as recorded into a
// picture.
#include <cstring>

#include "NotationFixtures.h"
#include "model/BarTableFixtures.h"
#include "model/Ruptures.h"
#include "notation/BarresMesure.h"
#include "system/PortLayer.h"
#include "system/ResStrings.h"
#include "text/UTFText.h"

namespace {

// Lines drawn, as absolute "x1,y1-x2,y2" whatever opcode recorded them.
std::vector<std::string> Segments(const std::vector<std::string>& ops) {
  std::vector<std::string> out;
  int pv = 0, ph = 0;
  auto ajoute = [&](int h1, int v1, int h2, int v2) {
    out.push_back(std::to_string(h1) + "," + std::to_string(v1) + "-" + std::to_string(h2) + "," + std::to_string(v2));
    ph = h2;
    pv = v2;
  };
  for (const std::string& op : ops) {
    int v1, h1, v2, h2, dh, dv;
    if (std::sscanf(op.c_str(), "Line (%d,%d) (%d,%d)", &v1, &h1, &v2, &h2) == 4) {
      ajoute(h1, v1, h2, v2);
    } else if (std::sscanf(op.c_str(), "ShortLine (%d,%d) %d %d", &v1, &h1, &dh, &dv) == 4) {
      ajoute(h1, v1, h1 + dh, v1 + dv);
    } else if (std::sscanf(op.c_str(), "ShortLineFrom %d %d", &dh, &dv) == 2) {
      ajoute(ph, pv, ph + dh, pv + dv);
    } else if (std::sscanf(op.c_str(), "LineFrom (%d,%d)", &v2, &h2) == 2) {
      ajoute(ph, pv, h2, v2);
    }
  }
  return out;
}

// The pen widths recorded (the picture records a pen when it changes), in order.
std::vector<int> Plumes(const std::vector<std::string>& ops) {
  std::vector<int> out;
  for (const std::string& op : ops) {
    int v, h;
    if (std::sscanf(op.c_str(), "PnSize (%d,%d)", &v, &h) == 2) out.push_back(h);
  }
  return out;
}

// The bytes of every text operation, joined.
std::string Textes(const std::vector<std::string>& ops) {
  std::string out;
  for (int c : Glyphes(ops)) out += char(c);
  return out;
}

struct RupturesDessinTest : NotationTest {
  Document* doc = NouveauDocument();
  Partition** score = NewPartition(doc);
  Portee** staff = nullptr;

  RupturesDessinTest() {
    AddEltTabEltMesureRuban(score, 4);
    (*score)->nbMesures = 4;
    UpdateTabEltMesure(score, kTabEltTout);
    NewPortee(score, kTypePorteeStandard);
    staff = (*score)->portees[0];
    (*staff)->aspect.tailleUnite = 72;
    (*staff)->couleur = 1;
    // The score installs its own mode whenever its bar table is brought up to date.
    GetDefautModeGraphique(&(*score)->modeGraphique);
    GModeGraphique = (*score)->modeGraphique;
    // Last: setting up a staff lays the score out at its own resolution.
    SetDpiDest(288);
  }
  ~RupturesDessinTest() override { LibereDocument(doc); }

  Rupture* Ajoute(int16_t bar, uint32_t placement, uint32_t kind, const char* text = "", uint32_t type = 0) {
    const int16_t i = NewRupture(score);
    Rupture* r = GetRupture(score, i);
    r->mesure = bar;
    r->placement = placement;
    r->barre = kind;
    r->type = type;
    r->style = TextStyle{20, 0, 12, RGBColor{0, 0, 0}};
    std::strncpy(r->texte, text, sizeof r->texte - 1);
    return r;
  }
  static Rupture Seule(uint32_t kind, const char* text = "") {
    Rupture r{};
    r.barre = kind;
    r.style = TextStyle{20, 0, 12, RGBColor{0, 0, 0}};
    std::strncpy(r.texte, text, sizeof r.texte - 1);
    return r;
  }
};

TEST_F(RupturesDessinTest, WidthOfEachKindFromTheGraphicMode) {
  // Default mode: thin 3, thick 14, double gap 9, thin-to-thick gap 8 (1/288 inch).
  const struct {
    int32_t kind;
    int16_t at288, at72;
  } cas[] = {{0, 0, 0},   {1, 15, 3}, {2, 3, 0},   {3, 15, 3}, {4, 17, 4}, {5, 25, 6},
             {6, 45, 11}, {7, 25, 6}, {8, 45, 11}, {9, 3, 0},  {10, 0, 0}, {-1, 0, 0}};
  for (const auto& c : cas) {
    SCOPED_TRACE(c.kind);
    SetDpiDest(288);
    EXPECT_EQ(GetBarLineWidth(true, nullptr, c.kind), c.at288);
    SetDpiDest(72);
    EXPECT_EQ(GetBarLineWidth(true, nullptr, c.kind), c.at72);
  }
  // The room of a bar's ruptures is the widest bar line placed at its start.
  SetDpiDest(288);
  Ajoute(2, kRupturePlacementDebut, kBarreDouble);
  Ajoute(2, kRupturePlacementDebut, kBarreDebutRepetition);
  Ajoute(2, kRupturePlacementSigne, kBarreFinRepetition, "$S");
  Ajoute(1, kRupturePlacementDebut, kBarreEpaisse);
  EXPECT_EQ(CalculeTailleEcranRuptureMesure(score, 2), 45);
  EXPECT_EQ(CalculeTailleEcranRuptureMesure(score, 1), 17);
  EXPECT_EQ(CalculeTailleEcranRuptureMesure(score, 3), 0);
}

TEST_F(RupturesDessinTest, EachKindDrawsItsLinesAndDots) {
  // At 288 dpi every 1/288 inch is a pixel: thin 3, thick 14, gaps 9 and 8;
  // dots 12 across, 8 from the centre (music-font size 72); dashes 8 and 8.
  const Rect rect{0, 100, 40, 120};
  const struct {
    uint32_t kind;
    bool first, draw;
    std::vector<std::string> lines;
    std::vector<int> pens;
    std::vector<std::string> dots;
  } cas[] = {
      {kBarreAucune, false, false, {"100,0-100,39"}, {3}, {}},
      {kBarreAucune, true, true, {}, {}, {}},
      {kBarreFine, false, false, {}, {}, {}},
      {kBarreFine, true, true, {"100,0-100,39"}, {3}, {}},
      {kBarrePointillee, false, true, {"100,0-100,7", "100,16-100,23", "100,32-100,39"}, {3}, {}},
      {kBarreDouble, false, true, {"100,0-100,39", "112,0-112,39"}, {3}, {}},
      {kBarreEpaisse, false, true, {"106,0-106,39"}, {14}, {}},
      {kBarreDebutMusique, false, true, {"100,0-100,39", "122,0-122,39"}, {14, 3}, {}},
      {kBarreFinMusique, false, true, {"106,0-106,39", "95,0-95,39"}, {14, 3}, {}},
      // Repeat dots are painted even when the bars are not drawn.
      {kBarreDebutRepetition, false, false, {}, {}, {"(0,133,12,145)", "(28,133,40,145)"}},
      {kBarreFinRepetition, false, false, {}, {}, {"(0,75,12,87)", "(28,75,40,87)"}},
      {10, false, true, {}, {}, {}},
  };
  for (const auto& c : cas) {
    SCOPED_TRACE(testing::Message() << "kind " << c.kind << " first " << c.first << " draw " << c.draw);
    const Rupture r = Seule(c.kind);
    const auto ops = Enregistre([&] { AfficheBarLine(staff, &r, 0, 0, c.first, &rect, c.draw); });
    EXPECT_EQ(Segments(ops), c.lines);
    EXPECT_EQ(Plumes(ops), c.pens);
    std::vector<std::string> dots;
    for (const std::string& op : Filtre(ops, {"PaintOval"})) dots.push_back(op.substr(op.find('(')));
    EXPECT_EQ(dots, c.dots);
  }
  // The staff's four-dots value adds two dots around the quarter lines.
  (*staff)->quatrePointsRepetition = 1;
  const Rupture r = Seule(kBarreDebutRepetition);
  EXPECT_EQ(Filtre(Enregistre([&] { AfficheBarLine(staff, &r, 0, 0, true, &rect, true); }), {"PaintOval"}).size(), 4u);
  // A dash length and gap of 0 dash every other pixel.
  GModeGraphique.slot[15] = GModeGraphique.slot[16] = 0;
  const Rupture d = Seule(kBarrePointillee);
  const Rect court{0, 10, 5, 20};
  EXPECT_EQ(Segments(Enregistre([&] { AfficheBarLine(staff, &d, 0, 0, false, &court, true); })),
            (std::vector<std::string>{"10,0-10,0", "10,2-10,2", "10,4-10,4"}));
}

TEST_F(RupturesDessinTest, TextCodesBecomeGlyphsNumbersAndWords) {
  SetDpiDest(72);
  const int16_t langue = Langue;
  const struct {
    const char* text;
    int16_t langue;
    uint32_t mode;
    uint16_t passes;
    std::vector<int> flags;
    std::string drawn;
  } cas[] = {
      {"Dal Segno $S", 1, 0, 0, {}, "Dal Segno %"},
      {"Da $c", 1, 0, 0, {}, "Da \xDE"},
      {"a$Qb$$c$", 1, 0, 0, {}, "ab$c"},
      {"$#", 1, 0, 0, {1, 2}, "1.2."},
      {"$#", 1, 0, 0, {}, "."},
      {"$P$T", 1, 1, 1, {}, "2nd time"},
      {"$P$T", 0, 1, 1, {}, "2eme fois"},
      {"$P$T", 0, 1, 0, {}, "1ere fois"},
      {"$P$T", -1, 2, 10, {}, "11th time"},
      {"$P$T", 1, 1, 20, {}, "21st time"},
      {"$P$T", 1, 1, 112, {}, "113th time"},
      {"$P$T", 2, 1, 1, {}, "2\xA1 volte"},
      {"$P$T", 6, 1, 1, {}, "2\xBB vez"},
      {"$P.$T", 1, 3, 0, {2, 4}, "2, 4."},
      {"to $N", 1, 0, 0, {}, "to 4"},
  };
  for (const auto& c : cas) {
    SCOPED_TRACE(c.text);
    Langue = c.langue;
    Rupture r = Seule(kBarreAucune, c.text);
    r.modePassage = c.mode;
    r.nbPassages = c.passes;
    r.parametre = 3;
    for (int f : c.flags) r.passagesVolta[f - 1] = 1;
    const auto ops = Enregistre([&] {
      MoveTo(10, 50);
      EXPECT_EQ(AfficheTexteRupture(nullptr, staff, &r, 72, true, false), 0);
    });
    EXPECT_EQ(Textes(ops), c.drawn);
  }
  // The ordinal signs are UTF-8 in the text handed to drawing (the 8-bit
  // text above is the picture's own conversion of it).
  const struct {
    int16_t langue;
    const char* dumped;  // as the picture listing escapes the bytes
  } utf[] = {{2, R"(2\xC2\xB0 volte")"}, {6, R"(2\xC2\xAA vez")"}};
  for (const auto& c : utf) {
    Langue = c.langue;
    Rupture r = Seule(kBarreAucune, "$P$T");
    r.modePassage = 1;
    r.nbPassages = 1;
    const auto ops = Enregistre([&] { AfficheTexteRupture(nullptr, staff, &r, 72, true, false); });
    const auto unicode = Filtre(ops, {"LongComment 100 "});
    ASSERT_EQ(unicode.size(), 1u);
    EXPECT_NE(unicode[0].find(c.dumped), std::string::npos) << unicode[0];
  }
  Langue = langue;
}

TEST_F(RupturesDessinTest, GlyphSizeCodesScaleTheFollowingGlyphs) {
  SetDpiDest(72);
  auto taille = [&](const char* text) {
    Rupture r = Seule(kBarreAucune, text);
    const auto ops = Enregistre([&] { AfficheTexteRupture(nullptr, staff, &r, 24, true, false); });
    int size = 0;
    for (const std::string& op : ops) {
      int s;
      if (std::sscanf(op.c_str(), "TxSize %d", &s) == 1) size = s;
      if (op.rfind("LongText", 0) == 0 || op.rfind("DHText", 0) == 0) break;
    }
    return size;
  };
  const int normal = taille("$C");
  EXPECT_GT(normal, 0);
  EXPECT_EQ(taille("$2$C"), 2 * normal);
  EXPECT_EQ(taille("$0.5$C"), normal / 2);
}

TEST_F(RupturesDessinTest, MeasuringStoresTheWidthBeforeTheEndingHook) {
  SetDpiDest(144);
  Rupture r = Seule(kBarreAucune, "ab$[$#");
  r.passagesVolta[0] = 1;
  const int16_t w = AfficheTexteRupture(nullptr, staff, &r, 72, false, false);
  CGrafPtr ancien = SetPortTemporaire();
  SetTextStyleZoom(nullptr, &r.style);
  const int16_t ab = UTFTextWidth(CarboniseGetCurrentPort(), "ab", 0, 2);
  RozoSetPortOffscreen(ancien);
  EXPECT_EQ(r.largeurAvantVolta, DeZoom(ab));
  EXPECT_GT(w, ab + Zoom(7));
  // Drawing with the brackets drawn apart keeps the room but draws no hook.
  const auto sans = Enregistre([&] {
    MoveTo(0, 100);
    AfficheTexteRupture(nullptr, staff, &r, 72, true, true);
  });
  EXPECT_TRUE(Segments(sans).empty());
  const auto avec = Enregistre([&] {
    MoveTo(0, 100);
    AfficheTexteRupture(nullptr, staff, &r, 72, true, false);
  });
  EXPECT_EQ(Segments(avec).size(), 2u);
}

TEST_F(RupturesDessinTest, AnExpansionLongerThanTheRunIsDrawnWhole) {
  SetDpiDest(72);
  // 63 codes of every ending number: about 3300 bytes from a 127-byte text.
  Rupture r = Seule(kBarreAucune, "");
  for (int i = 0; i < 63; i++) std::strcat(r.texte, "$P");
  r.modePassage = 3;
  for (uint8_t& f : r.passagesVolta) f = 1;
  const std::string drawn = Textes(Enregistre([&] {
    MoveTo(0, 100);
    AfficheTexteRupture(nullptr, staff, &r, 72, true, false);
  }));
  std::string un = "1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16", tout;
  for (int i = 0; i < 63; i++) tout += un;
  EXPECT_EQ(drawn, tout);
  EXPECT_GT(AfficheTexteRupture(nullptr, staff, &r, 72, false, false), 0);
}

TEST_F(RupturesDessinTest, PrintOptionOfTheScoreOrOfEachStaff) {
  const struct {
    uint16_t option;
    uint8_t staffByte;
    bool printed;
  } cas[] = {{0, 0, true}, {256, 0, true}, {1, 0, false}, {1, 1, true}, {255, 0, false}, {255, 3, true}};
  for (const auto& c : cas) {
    (*score)->optionRuptures = c.option;
    (*staff)->afficheRuptures = c.staffByte;
    EXPECT_EQ(IsPrintRupture(score, staff), c.printed) << c.option << " " << int(c.staffByte);
  }
}

TEST_F(RupturesDessinTest, EveryRuptureOfTheBarIsDrawnAndTheResultSaysWhetherOneHadABarLine) {
  SetDpiDest(72);
  (*staff)->yBarreHaut = 100;
  (*staff)->yBarreBas = 140;
  Ajoute(2, kRupturePlacementSigne, kBarreAucune, "Fine", kRuptureFine);
  Ajoute(2, kRupturePlacementDebut, kBarreDouble);
  Ajoute(2, kRupturePlacementSigne, kBarreAucune, "$S", kRuptureSegno);
  int16_t out = -1;
  bool any = false;
  const auto ops = Enregistre([&] { any = AfficheRuptures(score, staff, 2, 300, 140, true, &out); });
  EXPECT_TRUE(any);
  EXPECT_EQ(out, 1);
  // The texts before and after the bar line are all drawn, and the double bar.
  EXPECT_EQ(Textes(ops), "Fine%");
  EXPECT_EQ(Segments(ops).size(), 2u);

  // Texts only: drawn, and no bar line reported.
  Rupture* bis = Ajoute(3, kRupturePlacementSigne, kBarreAucune, "Coda $C", kRuptureCoda);
  (void)bis;
  const auto ops3 = Enregistre([&] { any = AfficheRuptures(score, staff, 3, 300, 140, true, &out); });
  EXPECT_FALSE(any);
  EXPECT_EQ(out, 0);
  EXPECT_EQ(Textes(ops3), "Coda \xDE");

  // A begin-repeat alone at the start does not set out; not printable texts are skipped.
  Ajoute(1, kRupturePlacementDebut, kBarreDebutRepetition);
  Ajoute(1, kRupturePlacementSigne, kBarreAucune, "Fine", kRuptureFine);
  (*score)->optionRuptures = 1;
  const auto ops1 = Enregistre([&] { any = AfficheRuptures(score, staff, 1, 300, 140, true, &out); });
  EXPECT_TRUE(any);
  EXPECT_EQ(out, 0);
  EXPECT_EQ(Textes(ops1), "");
  EXPECT_EQ(Filtre(ops1, {"PaintOval"}).size(), 2u);
}

TEST_F(RupturesDessinTest, EndingBracketsOpenClosedAndCutByTheShownStretch) {
  SetDpiDest(72);
  (*staff)->aspect.tailleUnite = 72;  // s = 1: hook 10, rise 7, open length 17
  Rupture* debut = Ajoute(1, kRupturePlacementDebut1, kBarreAucune, "$[$#", kRuptureDebutVolta);
  debut->passagesVolta[0] = 1;
  const int32_t t2 = CvtMesureEnTemps(score, 2), t4 = CvtMesureEnTemps(score, 4);

  // An ending start alone: open, 17 pixels or to the end of its bar.
  (*score)->modeGraphique.drapeau221 = GModeGraphique.drapeau221 = 0;
  auto open = Segments(Enregistre([&] { AfficheLignesPartRuptures(staff, nullptr, 0, 0, 0, t4); }));
  ASSERT_EQ(open.size(), 2u);
  int x1, y1, x2, y2, x3, y3, x4, y4;
  ASSERT_EQ(std::sscanf(open[0].c_str(), "%d,%d-%d,%d", &x1, &y1, &x2, &y2), 4);
  ASSERT_EQ(std::sscanf(open[1].c_str(), "%d,%d-%d,%d", &x3, &y3, &x4, &y4), 4);
  EXPECT_EQ(x1, x2);
  EXPECT_EQ(y1 - y2, 17);
  EXPECT_EQ(x4 - x3, 17);
  (*score)->modeGraphique.drapeau221 = GModeGraphique.drapeau221 = 1;
  open = Segments(Enregistre([&] { AfficheLignesPartRuptures(staff, nullptr, 0, 0, 0, t4); }));
  ASSERT_EQ(open.size(), 2u);
  ASSERT_EQ(std::sscanf(open[1].c_str(), "%d,%d-%d,%d", &x3, &y3, &x4, &y4), 4);
  EXPECT_EQ(x4 - x3, CvtMesureEnTailleUtileMesureEcran(score, 1) + CvtMesureEnMargeDroiteMesure(score, 1) - 3);

  // With its end (whose text closes with "$]") the bracket comes down again.
  Ajoute(2, kRupturePlacementFin, kBarreAucune, "$]", kRuptureFinVolta);
  const auto closed = Segments(Enregistre([&] { AfficheLignesPartRuptures(staff, nullptr, 0, 0, 0, t4); }));
  EXPECT_EQ(closed.size(), 3u);

  // Shown from after its start, the bracket still runs from its start.
  EXPECT_EQ(Segments(Enregistre([&] { AfficheLignesPartRuptures(staff, nullptr, 0, 0, t2 + 1, t4); })).size(), 3u);

  // An end whose start is nowhere to be seen: a light hook at the end only.
  DeleteRupture(score, 0, false);
  ASSERT_EQ(GetRupture(score, 0)->type, kRuptureFinVolta);
  const auto ops = Enregistre([&] { AfficheLignesPartRuptures(staff, nullptr, 0, 0, 0, t4); });
  const auto hook = Segments(ops);
  ASSERT_EQ(hook.size(), 2u);
  ASSERT_EQ(std::sscanf(hook[1].c_str(), "%d,%d-%d,%d", &x3, &y3, &x4, &y4), 4);
  EXPECT_EQ(x3 - x4, 17);
  EXPECT_EQ(Filtre(ops, {"RGBFgCol BFFF BFFF BFFF"}).size(), 1u);

  // Nothing when the graphic mode leaves brackets out.
  (*score)->modeGraphique.drapeau220 = GModeGraphique.drapeau220 = 0;
  EXPECT_TRUE(Segments(Enregistre([&] { AfficheLignesPartRuptures(staff, nullptr, 0, 0, 0, t4); })).empty());
}

TEST_F(RupturesDessinTest, BarNumberTexts) {
  const struct {
    int32_t v;
    bool digits;
    uint8_t prefix;
    const char* text;
  } cas[] = {{1, false, 0, "A"},   {26, false, 0, "Z"},    {27, false, 0, "AA"}, {52, false, 0, "AZ"},
             {53, false, 0, "BA"}, {703, false, 0, "AAA"}, {12, true, 0, "12"},  {7, true, '#', "#7"}};
  for (const auto& c : cas) {
    char s[16];
    TexteNumeroMesure(c.v, c.digits, c.prefix, s);
    EXPECT_STREQ(s, c.text) << c.v;
  }
}

TEST_F(RupturesDessinTest, BarNumbersAreDrawnWhenDue) {
  SetDpiDest(72);
  AddEltTabEltMesureRuban(score, 8);
  (*score)->nbMesures = 12;
  UpdateTabEltMesure(score, kTabEltTout);
  Portee& p = **staff;
  p.reglageNumeroMesure = 1;
  p.styleNumeroMesure = TextStyle{20, 0, 10, RGBColor{0, 0, 0}};
  p.yHaut = 200;
  auto dessines = [&] {
    std::string out;
    for (int32_t bar = 0; bar < 12; bar++) {
      const std::string t = Textes(Enregistre([&] { AfficheNumeroMesure(staff, 100, bar); }));
      if (!t.empty()) out += t + " ";
    }
    return out;
  };
  // Every 4 bars from bar 1; the rows number bars 1 to 12.
  p.intervalleNumeroMesure = 4;
  p.premiereMesureNumerotee = 1;
  EXPECT_EQ(dessines(), "1 5 9 ");
  // An offset of -1 hides the number 1 (shown as 0).
  p.decalageNumeroMesure = -1;
  EXPECT_EQ(dessines(), "4 8 ");
  // A forced row is numbered whatever the rule; an interval of 0 counts as 1.
  p.decalageNumeroMesure = 0;
  GetLignesTabElt(GetTabEltMesureRuban(score))[2].numeroForce = 1;
  EXPECT_EQ(dessines(), "1 3 5 9 ");
  p.intervalleNumeroMesure = 0;
  p.premiereMesureNumerotee = 10;
  EXPECT_EQ(dessines(), "3 10 11 12 ");
  EXPECT_EQ(p.intervalleNumeroMesure, 1);
  // Outside the bars: nothing.
  EXPECT_TRUE(Enregistre([&] { AfficheNumeroMesure(staff, 100, 12); }).empty());
  EXPECT_TRUE(Enregistre([&] { AfficheNumeroMesure(staff, 100, -1); }).empty());
  // Framed numbers: a white frame painted, then outlined.
  p.switchesNumeroMesure[0] = 1;
  const auto ops = Enregistre([&] { AfficheNumeroMesure(staff, 100, 9); });
  EXPECT_EQ(Filtre(ops, {"PaintRect"}).size(), 1u);
  EXPECT_EQ(Filtre(ops, {"Frame"}).size(), 1u);
  // The line of the numbers never goes above the staff top.
  SetLigneNumMesure(staff, -5);
  EXPECT_EQ(p.ligneNumeroMesure, 0);
  SetLigneNumMesure(staff, 30);
  EXPECT_EQ(p.ligneNumeroMesure, 30);
}

}  // namespace

namespace {

TEST_F(RupturesDessinTest, TextAreasStandAboveTheStaffAndEndTextsLeftOfTheirBarLine) {
  SetDpiDest(72);
  (*staff)->interligne = 6.0f;
  Rupture* fine = Ajoute(1, kRupturePlacementFin, kBarreFinMusique, "Fine", kRuptureFine);
  Rect barre, texte;
  CalculeAiresEcranRelativesRupture(score, staff, fine, &barre, &texte);
  // Five interlines above the base line, the bar line's width left of the bar's end.
  EXPECT_EQ(texte.bottom, -30);
  EXPECT_EQ(barre.right - barre.left, GetBarLineWidth(true, score, kBarreFinMusique));
  EXPECT_EQ(barre.right, 0);
  EXPECT_EQ(texte.right, 0);
  EXPECT_GT(texte.right - texte.left, 0);
  // The vertical offset moves the text; the horizontal one is part of its strip x.
  fine->decalageYTexte = -10;
  CalculeAiresEcranRelativesRupture(score, staff, fine, nullptr, &texte);
  EXPECT_EQ(texte.bottom, -40);
  // A text at the start of the bar begins where the bar does.
  Rupture* segno = Ajoute(2, kRupturePlacementDebut, kBarreAucune, "$S", kRuptureSegno);
  CalculeAiresEcranRelativesRupture(score, staff, segno, nullptr, &texte);
  EXPECT_EQ(texte.left, 0);
}

TEST_F(RupturesDessinTest, AutomaticPlacementStacksTextsOverTheEnding) {
  SetDpiDest(72);
  Rupture* volta = Ajoute(2, kRupturePlacementDebut1, kBarreAucune, "$[$#", kRuptureDebutVolta);
  volta->passagesVolta[0] = 1;
  volta->decalageYTexte = -12;
  Ajoute(2, kRupturePlacementSigne, kBarreAucune, "$S", kRuptureSegno);
  Ajoute(2, kRupturePlacementFin, kBarreAucune, "Fine", kRuptureFine);
  BigRect aire;  // (the list has grown: the record is looked up again)
  CalculeAiresRelativesRupture(false, true, score, nullptr, GetRupture(score, 0), nullptr, &aire);
  AutoPositionRupture(score, 1);
  // The sign takes the top of the ending's text; the end-of-bar text is of the other class.
  EXPECT_EQ(GetRupture(score, 1)->decalageYTexte, aire.top);
  EXPECT_EQ(GetRupture(score, 2)->decalageYTexte, 0);
  EXPECT_EQ(GetRupture(score, 0)->decalageYTexte, -12);
}

}  // namespace
