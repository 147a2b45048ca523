#include "layout/TraceObjetsLibres.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "layout/ModesEcran.h"
#include "layout/PaginationFixtures.h"
#include "model/ObjetsLibres.h"
#include "notation/NotationFixtures.h"

namespace {

// A one-page score whose objects are drawn straight into a frame at 72 dpi.
struct AvecObjets : PartitionPaginee {
  AvecObjets() : PartitionPaginee(1, 4) {}
  ObjetLibre& Objet(int i) { return reinterpret_cast<ObjetLibre*>(*(*score)->objetsLibres)[i]; }
  int Ajoute(uint32_t type) { return NewObjetLibre(doc, type); }
  void Texte(int i, const char* t) {
    DisposeHandle(Objet(i).donnees);
    Handle h = NewHandle(Size(std::strlen(t) + 1));
    std::memcpy(*h, t, std::strlen(t) + 1);
    Objet(i).donnees = h;
  }
  std::vector<std::string> Trace(int i, Rect cadre = Rect{100, 100, 200, 300}, int16_t page = 0) {
    Systeme s;
    SetSystemeDefaut(&s);
    s.type = kSystemeObjetLibre;
    s.indexObjetLibre = i;
    s.rectDessin = cadre;
    return Enregistre([&] { TraceSystemeObjetLibre(doc, page, &Setup(), &cadre, &s, Point{0, 0}); });
  }
};

std::string Joint(const std::vector<std::string>& ops) {
  std::string t;
  for (const std::string& op : ops) t += op + "\n";
  return t;
}

// Whether an operation names the figure (lines come as Line, ShortLine and
// their "From" forms).
bool Contient(const std::vector<std::string>& ops, const std::string& figure) {
  for (const std::string& op : ops)
    if (op.substr(0, op.find(' ')).find(figure) != std::string::npos) return true;
  return false;
}

}  // namespace

// Each shape type draws its own figure, with the pen of its line width.
TEST(TraceObjetsLibres, ShapesDrawTheirFigure) {
  struct Cas {
    uint32_t type;
    const char* op;
  };
  const Cas cas[] = {{3, "FrameRect"},  {4, "PaintRect"}, {5, "FrameOval"}, {6, "PaintOval"}, {7, "FrameRRect"},
                     {8, "PaintRRect"}, {9, "Line"},      {10, "Line"},     {11, "Line"},     {12, "Line"},
                     {13, "Line"},      {17, "Line"},     {18, "PaintRect"}};
  for (const Cas& c : cas) {
    AvecObjets p;
    const int i = p.Ajoute(c.type);
    const std::vector<std::string> ops = p.Trace(i);
    EXPECT_TRUE(Contient(ops, c.op)) << c.type << "\n" << Joint(ops);
  }
}

// Line widths are in 1/254 inch: 10 is a pen of 3 at 72 dpi, and a width of
// 0 still draws a line one unit (two pixels at 508 dpi) wide.
TEST(TraceObjetsLibres, LineWidthIsConvertedToTheDestination) {
  struct Cas {
    int16_t largeur;
    int16_t dpi;
    const char* pinceau;
  };
  const Cas cas[] = {{10, 72, "PnSize (3,3)"}, {10, 576, "PnSize (23,23)"}, {0, 508, "PnSize (2,2)"}};
  for (const Cas& c : cas) {
    AvecObjets p;
    const int i = p.Ajoute(3);
    p.Objet(i).valeurs3[0] = c.largeur;
    SetDpiDest(c.dpi);
    const std::vector<std::string> ops = p.Trace(i);
    EXPECT_FALSE(Filtre(ops, {c.pinceau}).empty()) << c.largeur << " at " << c.dpi << "\n" << Joint(ops);
  }
}

// A text box's '$' codes name the page it is drawn on and the page count,
// counted from the setup's first music page.
TEST(TraceObjetsLibres, TextBoxCodesShowThePage) {
  AvecObjets p;
  p.Pagine();
  PrInfo info{72, 72, Rect{0, 0, 800, 600}};
  Rect page = info.page;
  for (int k = 0; k < 2; k++) AjoutePage(p.score, &p.Setup(), &info, &page);
  ASSERT_EQ(CombienDePages(p.score), 3);
  const int i = p.Ajoute(kObjetLibreTexte);
  p.Texte(i, "page $P of $N");
  const std::string t = Joint(p.Trace(i, Rect{100, 100, 200, 300}, 1));
  EXPECT_NE(t.find("page 2 of 3"), std::string::npos) << t;
  p.Texte(i, "plain");
  EXPECT_NE(Joint(p.Trace(i)).find("plain"), std::string::npos);
}

// On screen an object marked for the screen only is drawn; printed (and in
// previews, drawn as printed) it is not.
TEST(TraceObjetsLibres, ScreenOnlyObjectsAreNotPrinted) {
  AvecObjets p;
  const int i = p.Ajoute(4);
  p.Objet(i).valeurs3[2] = 1;
  EXPECT_TRUE(Contient(p.Trace(i), "PaintRect"));
  SetModeEcran(p.score, kModeEcranImpression);
  EXPECT_TRUE(p.Trace(i).empty()) << Joint(p.Trace(i));
}

// What cannot be drawn shows where it stands: an unknown type in a frame, an
// image of an unknown format crossed; an index out of range draws nothing.
TEST(TraceObjetsLibres, UnknownObjectsShowTheirFrame) {
  AvecObjets p;
  const int inconnu = p.Ajoute(42);
  std::vector<std::string> ops = p.Trace(inconnu);
  EXPECT_TRUE(Contient(ops, "FrameRect")) << Joint(ops);
  const int image = p.Ajoute(kObjetLibreImage);
  p.Objet(image).ancienFormat = 9;
  ops = p.Trace(image);
  EXPECT_TRUE(Contient(ops, "FrameRect")) << Joint(ops);
  EXPECT_GE(Filtre(ops, {"Line"}).size(), 2u) << Joint(ops);
  EXPECT_TRUE(p.Trace(7).empty());
}
