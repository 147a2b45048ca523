// The request path in one process: the generator callbacks over a request of
// ours, the driver loading a document built through the model by a test
// loader, pages recorded and written as PDF or PNG.
#include <cairo.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>

#include "PluginFixtures.h"
#include "layout/MiseEnPage.h"
#include "layout/ModesEcran.h"
#include "layout/Zoom.h"
#include "model/Document.h"
#include "model/QRVPOBJ.h"
#include "model/TabEltMesure.h"
#include "platform/Printing.h"
#include "platform/QLRequest.h"
#include "plugin/FormatFichier.h"
#include "plugin/GenerateurApercu.h"
#include "plugin/LectureDocument.h"
#include "plugin/PiloteRequete.h"
#include "plugin/Preferences.h"
#include "support/TestPaths.h"
#include "system/QrvFiles.h"
#include "text/Fontes.h"

using namespace tamrel_test;

namespace {

int gPagesTest = 1;
float gZoomTest = 1.0f;

// A score with one staff and `gPagesTest` bars, each but the last ending its
// page.
int16_t ChargeurModele(Document* doc, int32_t) {
  Partition** score = CreePartitionVide(doc);
  if (!score || !CreePorteeVide(score, 0, 1, 1)) return 0;
  doc->orientation = 1;
  FixeMiseEnPageStandardDocument(doc);
  doc->misesEnPage[0].echelle = gZoomTest;
  if (gPagesTest > 1) {
    const int32_t n = GetNbMesuresTabEltRuban(score);
    if (gPagesTest > n && !AddEltTabEltMesureRuban(score, gPagesTest - n)) return 0;
    (*score)->nbMesures = int16_t(gPagesTest);
    for (int b = 0; b + 1 < gPagesTest; b++) GetLignesTabElt(GetTabEltMesureRuban(score))[b].sautPage = 1;
  }
  return 1;
}

class Apercu : public ::testing::Test {
 protected:
  DossierTemp dossier;
  std::string document;
  void SetUp() override {
    gPagesTest = 1;
    gZoomTest = 1.0f;
    document = dossier.Ecrit("partition.tst", "built by the test loader");
    SetChargeurDocumentTest(ChargeurModele);
  }
  void TearDown() override { SetChargeurDocumentTest(nullptr); }

  QLRequest Apercoit(const std::string& fichier, const std::string& sortie) {
    QLRequest r;
    QLRequestInit(&r, kQLRequestPreview, BundlePath().c_str(), sortie.c_str(), 0);
    EXPECT_EQ(GeneratePreviewForURL(nullptr, &r, ("file://" + fichier).c_str(), nullptr, nullptr), 0);
    QLRequestEnd(&r);
    return r;
  }
  QLRequest Vignette(const std::string& fichier, const std::string& sortie, int taille) {
    QLRequest r;
    QLRequestInit(&r, kQLRequestThumbnail, BundlePath().c_str(), sortie.c_str(), taille);
    EXPECT_EQ(GenerateThumbnailForURL(nullptr, &r, ("file://" + fichier).c_str(), nullptr, nullptr,
                                      QLSize{double(taille), double(taille)}),
              0);
    QLRequestEnd(&r);
    return r;
  }
};

struct Pixel {
  uint8_t a, r, g, b;
};
Pixel PixelPNG(cairo_surface_t* s, int x, int y) {
  const uint8_t* p = cairo_image_surface_get_data(s) + y * cairo_image_surface_get_stride(s) + x * 4;
  const uint32_t v = *reinterpret_cast<const uint32_t*>(p);
  return {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
}

}  // namespace

// A4 at 576 dpi is 4760 x 6736 units, 595 x 842 points.
TEST_F(Apercu, OnePageTakesTheSinglePicturePathWithItsMargins) {
  const std::string sortie = dossier.Chemin("un.pdf");
  QLRequest r = Apercoit(document, sortie);
  EXPECT_EQ(r.pagesDrawn, 1);
  const std::string pdf = LitFichier(sortie);
  ASSERT_EQ(PagesPDF(pdf), 1);
  auto boites = BoitesPDF(pdf);
  ASSERT_EQ(boites.size(), 1u);
  // The page plus 128 units (16 points) each way.
  EXPECT_NEAR(boites[0].w, 595.0 + 16.0, 1.0);
  EXPECT_NEAR(boites[0].h, 842.0 + 16.0, 1.0);
}

TEST_F(Apercu, SeveralPagesGiveThatManyA4PagesAtMostFifty) {
  struct Cas {
    int pages, attendues;
  } cas[] = {{2, 2}, {3, 3}, {50, 50}, {51, 50}, {60, 50}};
  for (const Cas& c : cas) {
    gPagesTest = c.pages;
    const std::string sortie = dossier.Chemin("plusieurs.pdf");
    QLRequest r = Apercoit(document, sortie);
    EXPECT_EQ(r.pagesDrawn, c.attendues) << c.pages;
    const std::string pdf = LitFichier(sortie);
    EXPECT_EQ(PagesPDF(pdf), c.attendues) << c.pages;
    for (const BoitePDF& b : BoitesPDF(pdf)) {
      EXPECT_NEAR(b.w, 595.0, 1.0);
      EXPECT_NEAR(b.h, 842.0, 1.0);
    }
  }
}

// The print zoom shrinks the page rectangle and grows the points per unit:
// the paper keeps its size.
TEST_F(Apercu, PrintZoomKeepsThePaperSize) {
  gPagesTest = 2;
  gZoomTest = 0.5f;
  const std::string sortie = dossier.Chemin("zoom.pdf");
  QLRequest r = Apercoit(document, sortie);
  EXPECT_EQ(r.pagesDrawn, 2);
  ASSERT_TRUE(Existe(sortie)) << sortie;
  const std::string pdf = LitFichier(sortie);
  ASSERT_EQ(PagesPDF(pdf), 2);
  const std::vector<BoitePDF> boites = BoitesPDF(pdf);
  ASSERT_EQ(boites.size(), 2u);
  for (const BoitePDF& b : boites) {
    EXPECT_NEAR(b.w, 595.0, 1.0);
    EXPECT_NEAR(b.h, 842.0, 1.0);
  }
}

TEST_F(Apercu, ThumbnailFitsTheSizeWithTheBadgeBelow130) {
  struct Cas {
    int taille;
    bool badge;
  } cas[] = {{100, true}, {129, true}, {130, false}, {256, false}};
  for (const Cas& c : cas) {
    const std::string sortie = dossier.Chemin("vignette.png");
    QLRequest r = Vignette(dossier.Ecrit("morceau.tst", "x"), sortie, c.taille);
    ASSERT_EQ(r.pagesDrawn, 1);
    cairo_surface_t* png = cairo_image_surface_create_from_png(sortie.c_str());
    ASSERT_EQ(cairo_surface_status(png), CAIRO_STATUS_SUCCESS);
    const int w = cairo_image_surface_get_width(png), h = cairo_image_surface_get_height(png);
    EXPECT_EQ(h, c.taille);
    EXPECT_NEAR(double(w) / h, (4760.0 + 96) / (6736.0 + 96), 0.02);
    // The page is inset: transparent along the top and the right, white at the bottom left.
    EXPECT_EQ(PixelPNG(png, w / 2, 0).a, 0);
    EXPECT_EQ(PixelPNG(png, w - 1, h / 2).a, 0);
    Pixel coin = PixelPNG(png, 1, h - 2);
    EXPECT_EQ(coin.a, 255);
    EXPECT_EQ(coin.r, 255);
    // Blue in the band of the badge ("TST"), centred near the bottom.
    int bleus = 0;
    for (int y = h * 80 / 100; y < h * 95 / 100; y++)
      for (int x = 0; x < w; x++) {
        Pixel p = PixelPNG(png, x, y);
        if (p.a > 100 && p.b > 150 && p.r < 120) bleus++;
      }
    EXPECT_EQ(bleus > 0, c.badge) << c.taille;
    cairo_surface_destroy(png);
  }
}

TEST_F(Apercu, BadgeOfANameWithoutExtensionDrawsNothing) {
  const std::string avec = dossier.Chemin("a.png"), sans = dossier.Chemin("b.png");
  Vignette(dossier.Ecrit("sansextension", "x"), sans, 100);
  SetChargeurDocumentTest(ChargeurModele);
  // The same page with no badge at 130.
  Vignette(dossier.Ecrit("sansextension", "x"), avec, 130);
  cairo_surface_t* a = cairo_image_surface_create_from_png(sans.c_str());
  int bleus = 0;
  for (int y = 0; y < cairo_image_surface_get_height(a); y++)
    for (int x = 0; x < cairo_image_surface_get_width(a); x++)
      if (PixelPNG(a, x, y).b > 150 && PixelPNG(a, x, y).r < 120 && PixelPNG(a, x, y).a > 100) bleus++;
  EXPECT_EQ(bleus, 0);
  cairo_surface_destroy(a);
}

// A document that does not load draws nothing, in either request, and leaves
// no output behind.
TEST_F(Apercu, FailedLoadDrawsNothing) {
  SetChargeurDocumentTest(nullptr);
  const std::string binaire = dossier.Ecrit("bruit.bin", std::string("\x01\x02\xff\x00\x13", 5));
  QLRequest p = Apercoit(binaire, dossier.Chemin("bruit.pdf"));
  EXPECT_EQ(p.pagesDrawn, 0);
  EXPECT_FALSE(Existe(dossier.Chemin("bruit.pdf")));
  EXPECT_NE(std::string(p.failure).find("unknown format"), std::string::npos) << p.failure;
  QLRequest t = Vignette(binaire, dossier.Chemin("bruit.png"), 100);
  EXPECT_EQ(t.pagesDrawn, 0);
  EXPECT_FALSE(Existe(dossier.Chemin("bruit.png")));
  QLRequest absent = Apercoit(dossier.Chemin("absent.abc"), dossier.Chemin("absent.pdf"));
  EXPECT_EQ(absent.pagesDrawn, 0);
  EXPECT_STREQ(absent.failure, "no such file");
}

// Only regular files are read: a pipe would block the request for ever, a
// folder holds no score. Whatever was at the output stays.
TEST_F(Apercu, OnlyRegularFilesAreRead) {
  SetChargeurDocumentTest(nullptr);
  const std::string tube = dossier.Chemin("tube.xml");
  ASSERT_EQ(mkfifo(tube.c_str(), 0600), 0);
  const std::string sortie = dossier.Ecrit("sortie.pdf", "an earlier preview");
  struct {
    std::string entree;
    const char* raison;
  } cas[] = {{tube, "not a regular file"}, {dossier.chemin, "a folder, not a file"}};
  for (const auto& c : cas) {
    QLRequest r = Apercoit(c.entree, sortie);
    EXPECT_EQ(r.pagesDrawn, 0) << c.entree;
    EXPECT_STREQ(r.failure, c.raison) << c.entree;
    EXPECT_FALSE(r.writeError) << c.entree;
    EXPECT_EQ(LitFichier(sortie), "an earlier preview") << c.entree;
  }
}

// Whatever a request leaves behind (stream, version, preferences,
// resolution), the next one comes out as it would alone.
TEST_F(Apercu, TwoRequestsInOneProcessEqualEachAlone) {
  const std::string seulPDF = dossier.Chemin("seul.pdf"), seulPNG = dossier.Chemin("seul.png");
  gPagesTest = 2;
  Apercoit(document, seulPDF);
  Vignette(document, seulPNG, 100);
  const std::string pdfSeul = SansDate(LitFichier(seulPDF)), pngSeul = LitFichier(seulPNG);

  // Another request, a failed one, and state left over by hand.
  gPagesTest = 1;
  Apercoit(document, dossier.Chemin("autre.pdf"));
  SetChargeurDocumentTest(nullptr);
  Apercoit(dossier.Ecrit("x.abc", "X:1\n"), dossier.Chemin("x.pdf"));
  SetChargeurDocumentTest(ChargeurModele);
  pref.traitsFins = 1;
  pref.modeGraphiqueUser.slot[12] = 99;
  SetDpiDest(13);
  VersionQuarvelLoad = 0x500;
  OrvantaOpenFile(document.c_str(), "rb");
  ReadCar();

  gPagesTest = 2;
  const std::string ensuitePDF = dossier.Chemin("ensuite.pdf"), ensuitePNG = dossier.Chemin("ensuite.png");
  Apercoit(document, ensuitePDF);
  Vignette(document, ensuitePNG, 100);
  EXPECT_EQ(SansDate(LitFichier(ensuitePDF)), pdfSeul);
  EXPECT_EQ(LitFichier(ensuitePNG), pngSeul);
  EXPECT_EQ(pref.traitsFins, 0);
}

// The music font comes from the bundle; the resource folder is known even
// when the font is not there.
TEST(PoliceMusicale, ActivatedFromTheBundleAndResourceFolderKnownOnFailure) {
  DossierTemp faux;
  faux.Ecrit("Resources", "");
  std::string cmd = "rm -f '" + faux.Chemin("Resources") + "' && mkdir '" + faux.Chemin("Resources") + "'";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  const int16_t avant = vellariPrint;
  if (avant == 0) {
    QLRequest r;
    QLRequestInit(&r, kQLRequestPreview, faux.chemin.c_str(), "/dev/null", 0);
    InitVellariFont(&r, nullptr);
    EXPECT_EQ(vellariPrint, 0);
    EXPECT_NE(PathResources, 0);
  }
  QLRequest r;
  QLRequestInit(&r, kQLRequestThumbnail, BundlePath().c_str(), "/dev/null", 0);
  InitVellariFont(nullptr, &r);
  EXPECT_NE(vellariPrint, 0);
  const int32_t dossierRessources = PathResources;
  EXPECT_NE(dossierRessources, 0);
  // Active: a later request with another bundle changes nothing.
  QLRequest autre;
  QLRequestInit(&autre, kQLRequestPreview, faux.chemin.c_str(), "/dev/null", 0);
  InitVellariFont(&autre, nullptr);
  EXPECT_EQ(PathResources, dossierRessources);
}
