// One printed page compared with its reference picture, pixel by pixel with
// a tolerance (type is drawn by the system's font engine, whose edges may
// differ by a shade from one machine to the next). What the staves of the
// music systems show is the staff drawing's: the frames of the systems are
// left out of the comparison, everything the page draws around them is
// compared. TAMREL_UPDATE_PAGES=1 writes the reference anew instead of
// comparing.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "layout/ImpressionPartition.h"
#include "layout/Imprimante.h"
#include "layout/ModesEcran.h"
#include "layout/PaginationFixtures.h"
#include "layout/TracePage.h"
#include "model/ObjetsLibres.h"
#include "model/Portee.h"
#include "model/Vues.h"
#include "platform/QuickDraw.h"
#include "platform/SpecialFolders.h"
#include "support/TestPaths.h"
#include "system/Offscreens.h"
#include "system/PngCodec.h"
#include "system/Strings.h"

namespace {

constexpr const char* kReference = "pages/systemes-titres.png";

// Two named staves over twelve bars with a title, a composer, a header, a
// footer and a framed rectangle anchored to every page, printed at 72 dpi.
struct PageImprimee : PartitionPaginee {
  PageImprimee() : PartitionPaginee(2, 12) {
    std::strcpy(doc->titres[0].texte, "Sonata");
    std::strcpy(doc->titres[1].texte, "A. Composer");
    doc->titres[1].flag = 255;
    MiseEnPage& m = Setup();
    m.titres = 1;
    m.margeGauche = m.margeDroite = m.margeHaut = m.margeBas = 150;
    std::memset(&m.enTete.modele, 0, sizeof m.enTete.modele);
    std::memset(&m.basDePage.modele, 0, sizeof m.basDePage.modele);
    strnzcpy(m.basDePage.modele[1], "$P / $N", sizeof m.basDePage.modele[1]);
    const char* noms[2][2] = {{"Violin", "Vl."}, {"Cello", "Vc."}};
    for (int s = 0; s < 2; s++) {
      AspectGraphiquePortee& a = (*Staff(s))->aspect;
      strnzcpy(a.nom, noms[s][0], sizeof a.nom);
      strnzcpy(a.nomAbrege, noms[s][1], sizeof a.nomAbrege);
    }
    const int i = NewObjetLibre(doc, 3);
    ObjetLibre& o = reinterpret_cast<ObjetLibre*>(*(*score)->objetsLibres)[i];
    o.valeur2 = 2;  // every page
    o.flags[0] = 1;
    o.rect = Rect{50, 50, 100, 400};
    o.valeurs3[0] = 5;
    doc->orientation = 1;
    FixeResolutionStdImprimante();
    GetPrInfoDocument(doc, &info);
    InitVueCourante(doc);
    (*score)->resolutionImpression = info.resH;
    InjecteZoomPartition(score, 72.0f);
    SetModeEcran(score, kModeEcranImpression);
    SetDpiDest(info.resH);
    InitPortees(score);
    SetTabEltMesureModifie(score, kTabEltMarges);
    UpdateTabEltMesure(score, kTabEltTout);
  }
  PrInfo info{};
};

}  // namespace

class PageReference : public ::testing::Test {
 protected:
  void SetUp() override {
    LibereImprimante();
    VirtualPrinter v;
    v.defaultResolution = v.maxResolution = 72.0;
    SetVirtualPrinter(v);
  }
  void TearDown() override {
    LibereImprimante();
    ResetVirtualPrinter();
  }
};

TEST_F(PageReference, FirstPageOfAScoreAsPrinted) {
  PageImprimee p;
  ASSERT_GE(CombienDePages(p.score), 1);
  const int16_t w = int16_t(p.info.page.right - p.info.page.left);
  const int16_t h = int16_t(p.info.page.bottom - p.info.page.top);
  ASSERT_GT(w, 0);
  ASSERT_GT(h, 0);
  Offscreen page = CreeOffscreen(w, h, 32);
  ASSERT_NE(page, nullptr);
  CGrafPtr avant = nullptr;
  GetPort(&avant);
  SetPort(page);
  Rect tout{0, 0, h, w};
  ForeColor(blackColor);
  BackColor(whiteColor);
  EraseRect(&tout);
  ImprimePartition(p.doc, &p.Setup(), 1, &p.info);
  SetPort(avant);

  if (std::getenv("TAMREL_UPDATE_PAGES")) {
    FILE* f = std::fopen(tamrel_test::DataPath(kReference).c_str(), "wb");
    ASSERT_NE(f, nullptr);
    EXPECT_TRUE(CvtOffscreenToPngFile(page, f, "", "", "", ""));
    std::fclose(f);
    RozoClosePortOffscreen(page);
    GTEST_SKIP() << "reference written";
  }
  std::string octets;
  ASSERT_TRUE(tamrel_test::ReadDataFile(kReference, &octets));
  Handle png = NewHandle(Size(octets.size()));
  std::memcpy(*png, octets.data(), octets.size());
  Offscreen reference = ConvertPNGToOffscreen(png);
  DisposeHandle(png);
  ASSERT_NE(reference, nullptr);
  Rect r;
  GetPortBounds(reference, &r);
  ASSERT_EQ(r.right, w);
  ASSERT_EQ(r.bottom, h);
  std::vector<Rect> systemes;
  for (const Systeme& s : p.Systemes(0)) systemes.push_back(s.rectDessin);
  ASSERT_FALSE(systemes.empty());
  auto musique = [&](int16_t x, int16_t y) {
    for (const Rect& r : systemes)
      if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return true;
    return false;
  };
  // A pixel differs when a channel differs by more than a quarter of its
  // range; a few may (a changed word of the footer makes a hundred differ), and
  // the page must hold ink.
  int32_t differents = 0, encre = 0;
  for (int16_t y = 0; y < h; y++)
    for (int16_t x = 0; x < w; x++) {
      if (musique(x, y)) continue;
      const uint32_t a = QDGetPixel(page, x, y), b = QDGetPixel(reference, x, y);
      if ((a & 0xFFFFFF) != 0xFFFFFF) encre++;
      for (int k = 0; k < 24; k += 8)
        if (std::abs(int((a >> k) & 0xFF) - int((b >> k) & 0xFF)) > 64) {
          differents++;
          break;
        }
    }
  EXPECT_GT(encre, 1000);
  EXPECT_LE(differents, 40) << differents << " pixels differ";
  RozoClosePortOffscreen(reference);
  RozoClosePortOffscreen(page);
}
