// Graphic objects: the staff's list, their order, the page Rect, what one
// graphic draws (line objects with their ends, images, pictures and the
// crossed frame of what is missing), which graphics a staff draws, bars
// deleted under them and their positions kept across structural edits.
#include <string>
#include <vector>

#include "BarTableFixtures.h"
#include "model/QrvFXs.h"
#include "model/SGraphix.h"
#include "platform/Pictures.h"
#include "platform/Trace.h"
#include "system/Offscreens.h"
#include "system/PngCodec.h"

namespace {

constexpr int32_t kMesure = 161280;

// What reached the current port's procedures.
struct Trace {
  struct Ligne {
    Point de, a;
  };
  std::vector<Ligne> lignes;
  std::vector<Rect> polygones;  // the bounds of painted polygons
  std::vector<std::pair<GrafVerb, Rect>> rects;
};
Trace gTrace;

// Lines go on to the standard procedure, which moves the pen and takes the
// points of a polygon being defined; those points are not lines.
void EspionLigne(Point p) {
  Point de;
  GetPen(&de);
  if (!IsPortPolyBeingDefined(GetQDGlobalsThePort())) gTrace.lignes.push_back({de, p});
  StdLine(p);
}
void EspionPoly(GrafVerb verb, PolyHandle poly) {
  if (verb == kQDGrafVerbPaint) gTrace.polygones.push_back((*poly)->polyBBox);
}
void EspionRect(GrafVerb verb, const Rect* r) { gTrace.rects.push_back({verb, *r}); }

// A hidden port whose procedures spy, made current for the test.
struct PortEspion {
  CGrafPtr ancien;
  GDHandle device;
  DialogPtr dialog;
  CQDProcs procs;
  PortEspion() {
    GetGWorld(&ancien, &device);
    Rect r{0, 0, 800, 800};
    dialog = NewColorDialog(nullptr, &r, nullptr, false, 0, nullptr, false, 0, nullptr);
    SetGWorld(GetDialogPort(dialog), nullptr);
    SetStdCProcs(&procs);
    procs.lineProc = EspionLigne;
    procs.polyProc = EspionPoly;
    procs.rectProc = EspionRect;
    SetPortGrafProcs(GetDialogPort(dialog), &procs);
    gTrace = Trace{};
  }
  // Recording a picture needs the standard procedures.
  void Standard() { SetPortGrafProcs(GetDialogPort(dialog), nullptr); }
  void Espion() { SetPortGrafProcs(GetDialogPort(dialog), &procs); }
  ~PortEspion() {
    SetPortGrafProcs(GetDialogPort(dialog), nullptr);
    SetGWorld(ancien, device);
    DisposeDialog(dialog);
  }
};

struct GraphiquesTest : BarTableTest {
  Portee** staff;
  GraphiquesTest() {
    Mesures(8);
    staff = Portee0();
  }
  Graphique& G(int32_t i) {
    int32_t n;
    return GetGraphiquesPortee(staff, &n)[i];
  }
  int32_t Ajoute(int32_t debut, int32_t fin, int32_t haut = 0, int32_t bas = 10) {
    int32_t i = NewGraphique(staff);
    G(i).debut = debut;
    G(i).fin = fin;
    G(i).haut = haut;
    G(i).bas = bas;
    G(i).idPicture = int16_t(100 + i);  // tells them apart; no library holds it
    return i;
  }
  std::vector<int16_t> Ids() {
    std::vector<int16_t> out;
    int32_t n;
    const Graphique* g = GetGraphiquesPortee(staff, &n);
    for (int32_t i = 0; i < n; i++) out.push_back(g[i].idPicture);
    return out;
  }
  // What the reporters said while f ran.
  template <typename F>
  std::string Messages(F f) {
    bool trace = TraceEnabled();
    SetTraceEnabled(true);
    testing::internal::CaptureStderr();
    f();
    std::string out = testing::internal::GetCapturedStderr();
    SetTraceEnabled(trace);
    return out;
  }
};

Graphique Ligne(int16_t debut, int16_t fin, int32_t style, int16_t epaisseur, int16_t taille = 6) {
  Graphique g{};
  g.idPicture = kIdGraphiqueLigne;
  g.extremiteDebut = debut;
  g.extremiteFin = fin;
  g.styleLigne = style;
  g.epaisseur = epaisseur;
  g.tailleExtremite = taille;
  return g;
}

TEST_F(GraphiquesTest, TheListAndItsRecords) {
  EXPECT_EQ(Ajoute(0, 10), 0);
  EXPECT_EQ(Ajoute(0, 10), 1);
  EXPECT_EQ(Ajoute(0, 10), 2);
  G(1).donnees = NewHandleClear(40);
  G(1).typeDonnees = kGraphiquePicture;
  G(2).donnees = NewHandleClear(40);
  EXPECT_EQ(G(0).rotation, 0);
  EXPECT_EQ(G(0).image, nullptr);

  EXPECT_NE(Messages([&] { DeleteGraphique(staff, 3); }).find("SGraphix"), std::string::npos);
  EXPECT_EQ((*staff)->nbGraphiques, 3);
  DeleteGraphique(staff, 1);
  EXPECT_EQ(Ids(), (std::vector<int16_t>{100, 102}));
  // The data of the others go with the list.
  DisposeGraphiques(staff);
  EXPECT_EQ((*staff)->graphiques, nullptr);
  EXPECT_EQ((*staff)->nbGraphiques, 0);
}

TEST_F(GraphiquesTest, OrderByStartThenHeight) {
  const struct {
    int32_t debut, haut, bas;
    int16_t attendu;  // against (100, 0, 10)
  } cas[] = {{50, 9, 9, -1}, {150, -9, 99, 1}, {100, -1, 0, -1}, {100, 0, 11, 1}, {100, 0, 10, 0}, {100, 3, 3, 0}};
  Graphique b{};
  b.debut = 100;
  b.bas = 10;
  for (const auto& c : cas) {
    Graphique a{};
    a.debut = c.debut;
    a.haut = c.haut;
    a.bas = c.bas;
    EXPECT_EQ(CompareGraphiques(&a, &b), c.attendu) << c.debut << " " << c.haut << " " << c.bas;
  }
  Ajoute(300, 400);
  Ajoute(100, 200, 5, 10);
  Ajoute(100, 200, 0, 10);
  Ajoute(100, 200, 5, 10);
  Ajoute(0, 50);
  PrepareGraphiquesPortee(staff);
  EXPECT_EQ(Ids(), (std::vector<int16_t>{104, 102, 101, 103, 100}));
}

TEST_F(GraphiquesTest, DeletingBarsThreeAndFour) {
  Ajoute(kMesure, kMesure + 100);                            // bar 2: stays
  Ajoute(2 * kMesure + 10, 2 * kMesure + 20);                // bar 3: goes
  Ajoute(3 * kMesure, 6 * kMesure);                          // bar 4: goes
  Ajoute(5 * kMesure + 7, 5 * kMesure + 9);                  // bar 6: two bars back
  Ajoute(4 * kMesure, 4 * kMesure + 1);                      // bar 5: two bars back
  const int32_t lie = Ajoute(2 * kMesure, 2 * kMesure + 1);  // a note's graphic stays
  G(lie).id = 77;
  // Pixel-anchored ones compare their start with bar numbers x 10000.
  for (int32_t debut : {15000, 20000, 39999, 40000, 45000}) {
    int32_t i = Ajoute(debut, debut + 500);
    G(i).ancrePixel = 1;
  }
  DeleteMesureGraphiques(staff, 2, 2);
  EXPECT_EQ(Ids(), (std::vector<int16_t>{100, 103, 104, 105, 106, 109, 110}));
  EXPECT_EQ(G(1).debut, 3 * kMesure + 7);
  EXPECT_EQ(G(1).fin, 3 * kMesure + 9);
  EXPECT_EQ(G(2).debut, 2 * kMesure);
  EXPECT_EQ(G(3).debut, 2 * kMesure);
  EXPECT_EQ(G(4).debut, 15000);
  EXPECT_EQ(G(5).debut, 20000);
  EXPECT_EQ(G(6).debut, 25000);
  EXPECT_EQ(G(6).fin, 25500);
}

TEST_F(GraphiquesTest, PositionsFollowTheirNotesOncePerNestedPair) {
  for (int i = 0; i < 8; i++) AjouteSigne(staff, 60, 40320);
  int32_t n;
  Signe* s = GetSignesPortee(staff, &n);
  for (int32_t i = 0; i < n; i++) s[i].id = 500 + i;
  const int32_t g = Ajoute(2 * 40320 + 100, 3 * 40320);
  const int32_t fx = NewFX(staff);
  GetFXsPortee(staff, &n)[fx].debut = 3 * 40320 + 5;
  GetFXsPortee(staff, &n)[fx].fin = 3 * 40320 + 50;

  PreservePositionGraphiques(score, 1);
  PreservePositionFXs(score, 1);
  // The edit: the first note lasts twice as long.
  GetSignesPortee(staff, &n)[0].duree = 80640;
  ClrTurboCvtTempsEnIndexNote(staff, 0);
  // An inner pair made after the edit changes nothing.
  PreservePositionGraphiques(score, 1);
  RestaurePositionGraphiques(score, 1);
  EXPECT_EQ(G(g).debut, 2 * 40320 + 100);
  RestaurePositionGraphiques(score, 1);
  RestaurePositionFXs(score, 1);
  EXPECT_EQ(G(g).debut, 3 * 40320 + 100);
  EXPECT_EQ(G(g).fin, 4 * 40320);
  EXPECT_EQ(GetFXsPortee(staff, &n)[fx].debut, 4 * 40320 + 5);
  EXPECT_EQ(GetFXsPortee(staff, &n)[fx].fin, 4 * 40320 + 50);
  EXPECT_EQ((*score)->niveauPreservePositions, 0);

  // A restore without its preserve leaves the next pair whole.
  RestaurePositionGraphiques(score, 1);
  EXPECT_EQ((*score)->niveauPreservePositions, 0);
  PreservePositionGraphiques(score, 1);
  GetSignesPortee(staff, &n)[0].duree = 40320;
  ClrTurboCvtTempsEnIndexNote(staff, 0);
  RestaurePositionGraphiques(score, 1);
  EXPECT_EQ(G(g).debut, 2 * 40320 + 100);
}

TEST_F(GraphiquesTest, PageRectsAreNeverEmpty) {
  SetDpiDest(144);
  const int32_t vide = Ajoute(kMesure, kMesure, 0, 0);
  const int32_t pixels = Ajoute(32 * 200, 32 * 250);
  G(pixels).ancrePixel = 1;
  Rect r;
  for (int32_t x : {-1, 0}) {
    EXPECT_TRUE(CalculeAireGraphiqueEcran(doc, staff, vide, x, &r)) << x;
    EXPECT_EQ(r.right - r.left, 2) << x;
    EXPECT_EQ(r.bottom - r.top, 4) << x;
  }
  // 50 piano-roll pixels at 72 dpi are 100 on the page at 144.
  CalculeAireGraphiqueEcran(doc, staff, pixels, -1, &r);
  EXPECT_EQ(r.right - r.left, 100);
  EXPECT_FALSE(CalculeAireGraphiqueEcran(doc, staff, 9, -1, &r));
}

TEST(GraphiquesDessin, ALineWithTwoArrowheadsStopsAtTheirBases) {
  const int16_t dpi = GetDpiDest();
  SetDpiDest(72);
  PortEspion port;
  Graphique g = Ligne(kExtremiteFleche, kExtremiteFleche, kLignePleine, 2);
  const Rect r{100, 50, 120, 250};
  AfficheGraphique(&r, &g);
  // Heads 8 long: from 50 back to 58, from 248 (the end less the pen) to 240.
  ASSERT_EQ(gTrace.polygones.size(), 2u);
  EXPECT_EQ(gTrace.polygones[0].left, 50);
  EXPECT_EQ(gTrace.polygones[0].right, 58);
  EXPECT_EQ(gTrace.polygones[1].left, 240);
  EXPECT_EQ(gTrace.polygones[1].right, 248);
  for (const Rect& p : gTrace.polygones) {
    EXPECT_EQ(p.top, 106);
    EXPECT_EQ(p.bottom, 114);
  }
  // The line, raised by half the pen, joins the two bases.
  ASSERT_EQ(gTrace.lignes.size(), 1u);
  EXPECT_EQ(gTrace.lignes[0].de.h, 58);
  EXPECT_EQ(gTrace.lignes[0].a.h, 240);
  EXPECT_EQ(gTrace.lignes[0].de.v, 109);
  EXPECT_EQ(gTrace.lignes[0].a.v, 109);
  SetDpiDest(dpi);
}

TEST(GraphiquesDessin, TicksAndBarsAtTheEndsOfALine) {
  const int16_t dpi = GetDpiDest();
  SetDpiDest(72);
  const Rect r{100, 50, 120, 250};
  const struct {
    int16_t kind;
    std::vector<int16_t> segment;  // x0, y0, x1, y1 of the start's mark; empty: none
  } cas[] = {
      {kExtremiteTrait, {50, 110, 50, 104}},
      {kExtremiteTraitInverse, {50, 110, 50, 116}},
      {kExtremiteBarre, {50, 116, 50, 104}},
      {kExtremiteAucune, {}},
      {9, {}},
  };
  for (const auto& c : cas) {
    PortEspion port;
    Graphique g = Ligne(c.kind, kExtremiteAucune, 99, 0);  // no line style: only the end
    AfficheGraphique(&r, &g);
    if (c.segment.empty()) {
      EXPECT_TRUE(gTrace.lignes.empty()) << c.kind;
      continue;
    }
    ASSERT_EQ(gTrace.lignes.size(), 1u) << c.kind;
    const auto& l = gTrace.lignes[0];
    EXPECT_EQ((std::vector<int16_t>{l.de.h, l.de.v, l.a.h, l.a.v}), c.segment) << c.kind;
  }
  SetDpiDest(dpi);
}

TEST(GraphiquesDessin, ImagesAreMadeOnceAndAgainWhenTurned) {
  Offscreen off = CreeOffscreen(40, 10, 32);
  Graphique g{};
  g.typeDonnees = kTypeImagePNG;
  g.donnees = CvtOffscreenToPngHandle(off, 1, 1, nullptr, nullptr, nullptr, nullptr);
  DisposeImage(&off);
  ASSERT_NE(g.donnees, nullptr);
  Rect cadre;
  EXPECT_TRUE(GetRecPictGraphique(&g, &cadre));
  EXPECT_EQ(cadre.right, 40);
  EXPECT_EQ(cadre.bottom, 10);
  {
    PortEspion port;
    const Rect r{0, 0, 10, 40};
    AfficheGraphique(&r, &g);
    Offscreen premiere = g.image;
    ASSERT_NE(premiere, nullptr);
    AfficheGraphique(&r, &g);
    EXPECT_EQ(g.image, premiere);
  }
  SetRotationPictGraphique(&g, 90);
  EXPECT_EQ(g.image, nullptr);
  EXPECT_TRUE(GetRecPictGraphique(&g, &cadre));
  EXPECT_EQ(cadre.right, 10);
  EXPECT_EQ(cadre.bottom, 40);
  DisposeImage(&g.image);
  DisposeHandle(g.donnees);
}

TEST(GraphiquesDessin, NaturalFramesAndWhatIsMissing) {
  Graphique ligne = Ligne(0, 0, 0, 1), absente{}, inconnue{};
  absente.idPicture = 5;  // no picture library is open
  inconnue.typeDonnees = 9;
  inconnue.donnees = NewHandleClear(8);
  PortEspion port;
  Graphique picture{};
  picture.typeDonnees = kGraphiquePicture;
  const Rect f{0, 0, 30, 50};
  port.Standard();
  PicHandle pic = OpenPicture(&f);
  FrameRect(&f);
  ClosePicture();
  port.Espion();
  picture.donnees = reinterpret_cast<Handle>(pic);
  const struct {
    Graphique* g;
    bool connu;
    int16_t largeur, hauteur;
  } cas[] = {{&ligne, true, 120, 8}, {&absente, false, 32, 32}, {&inconnue, false, 32, 32}, {&picture, true, 50, 30}};
  for (const auto& c : cas) {
    Rect r;
    EXPECT_EQ(GetRecPictGraphique(c.g, &r), c.connu);
    EXPECT_EQ(r.right - r.left, c.largeur);
    EXPECT_EQ(r.bottom - r.top, c.hauteur);
  }
  // What cannot be drawn is framed and crossed; erasing comes first when asked.
  gTrace = Trace{};
  const Rect r{10, 10, 40, 60};
  absente.effaceFond = 1;
  AfficheGraphique(&r, &absente);
  AfficheGraphique(&r, &inconnue);
  ASSERT_EQ(gTrace.rects.size(), 3u);
  EXPECT_EQ(gTrace.rects[0].first, kQDGrafVerbErase);
  EXPECT_EQ(gTrace.rects[1].first, kQDGrafVerbFrame);
  EXPECT_EQ(gTrace.rects[2].first, kQDGrafVerbFrame);
  EXPECT_EQ(gTrace.lignes.size(), 4u);
  // A picture draws what it holds.
  gTrace = Trace{};
  AfficheGraphique(&r, &picture);
  ASSERT_EQ(gTrace.rects.size(), 1u);
  EXPECT_EQ(gTrace.rects[0].second.right - gTrace.rects[0].second.left, 50);
  DisposeHandle(inconnue.donnees);
  KillPicture(pic);
}

TEST_F(GraphiquesTest, AStaffDrawsItsFreeGraphicsInTheRangeAndClip) {
  const int32_t montre = Ajoute(kMesure, kMesure + 100);
  const int32_t cache = Ajoute(kMesure, kMesure + 100);
  G(cache).cache = 1;
  const int32_t lie = Ajoute(kMesure, kMesure + 100);
  G(lie).id = 4;
  Ajoute(5 * kMesure, 6 * kMesure);              // after the range
  Ajoute(0, kMesure - 1);                        // over before it
  const int32_t long_ = Ajoute(0, 2 * kMesure);  // across it
  // A pixel-anchored one a beat into the range.
  const int32_t x = CvtTempsEnPixelRuban(score, kMesure + 40320);
  const int32_t pixels = Ajoute(32 * x, 32 * (x + 20));
  G(pixels).ancrePixel = 1;
  (void)montre;
  (void)long_;
  auto dessines = [&](const Rect* clip) {
    PortEspion port;
    EXPECT_EQ(AfficheGraphiquesPortee(staff, clip, -1, kMesure, 2 * kMesure), 1);
    return gTrace.rects.size();  // one crossed frame each
  };
  EXPECT_EQ(dessines(nullptr), 3u);
  Rect loin{-400, -400, -300, -300};
  EXPECT_EQ(dessines(&loin), 0u);
}

TEST_F(GraphiquesTest, GraphicsOfNotes) {
  Ajoute(0, 10);
  const int32_t a = Ajoute(0, 10);
  G(a).id = 9;
  EXPECT_EQ(GetGraphiqueFromID(staff, 9), &G(a));
  EXPECT_EQ(GetGraphiqueFromID(staff, 0), nullptr);
  EXPECT_EQ(GetGraphiqueFromID(staff, 3), nullptr);
  AjouteSigne(staff, 60, 40320);
  AddMarkNote(staff, 0, kMarkLienGraphique, 0, 0, 0);
  ParamEffet* e = GetParamEffetIndexNote(staff, 0);
  ASSERT_NE(e, nullptr);
  reinterpret_cast<Mark*>(*e->marks)[0].idGraphique = 9;
  int32_t n;
  DeleteRelatedGraphiques(staff, GetSignesPortee(staff, &n)[0].indexParamEffet);
  EXPECT_EQ(Ids(), (std::vector<int16_t>{100}));
  DeleteGraphiqueFromID(staff, 0);
  EXPECT_EQ((*staff)->nbGraphiques, 1);
}

}  // namespace
