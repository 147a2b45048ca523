// The request driver: what a load gives back on each failure, what it
// leaves behind, and what disposal frees.
#include <gtest/gtest.h>

#include "PluginFixtures.h"
#include "model/Document.h"
#include "model/QRVPOBJ.h"
#include "platform/DateTime.h"
#include "platform/Memory.h"
#include "platform/PictDump.h"
#include "platform/QuickDraw.h"
#include "plugin/FormatFichier.h"
#include "plugin/PiloteRequete.h"
#include "system/QrvFiles.h"

using namespace tamrel_test;

namespace {

int16_t gNbPartitions = 1;
int16_t gIndexCourant = -1;  // -1: as the model leaves it

int16_t ChargeurPartitions(Document* doc, int32_t) {
  for (int i = 0; i < gNbPartitions; i++)
    if (!CreePartitionVide(doc)) return 0;
  doc->misesEnPage[0].echelle = 1.0f;
  doc->orientation = 1;
  if (gIndexCourant >= 0) doc->indexPartitionCourante = gIndexCourant;
  return 1;
}

struct ChargeurTest {
  explicit ChargeurTest(ChargeurDocumentTest c) { SetChargeurDocumentTest(c); }
  ~ChargeurTest() { SetChargeurDocumentTest(nullptr); }
};

}  // namespace

TEST(PiloteRequete, FailuresGiveNullOrAnUnpaginatedDocument) {
  DossierTemp dossier;
  Rect page = {0, 0, 0, 0};
  uint16_t pages = 0;
  char nom[kTailleNomDocument];
  EXPECT_EQ(LoadDocument(nullptr, &page, &pages, nom), nullptr);
  EXPECT_EQ(LoadDocument("file://relative", &page, &pages, nom), nullptr);
  EXPECT_EQ(LoadDocument(("file://" + dossier.Chemin("absent")).c_str(), &page, &pages, nom), nullptr);
  EXPECT_EQ(LoadDocument(("file://" + dossier.chemin).c_str(), &page, &pages, nom), nullptr);  // a folder

  // An unknown file goes to the native reader, which refuses it: a document
  // with no page, the preset rectangle and count untouched.
  const std::string bruit = dossier.Ecrit("bruit aléatoire.dat", std::string(64, '\x7F'));
  Document* doc =
      LoadDocument(("file://" + dossier.chemin + "/bruit%20al%C3%A9atoire.dat").c_str(), &page, &pages, nom);
  ASSERT_NE(doc, nullptr);
  EXPECT_STREQ(nom, "bruit aléatoire.dat");
  EXPECT_EQ(pages, 0);
  EXPECT_EQ(page.bottom, 0);
  EXPECT_EQ(page.right, 0);
  EXPECT_NE(std::string(GetRaisonEchecChargement()), "");
  EXPECT_EQ(GetCurrentOpenFile(), nullptr);
  DisposeDocument(doc);
  DisposeDocument(nullptr);
}

// A zipped score that cannot be extracted ends the load with the stream closed.
TEST(PiloteRequete, FailedExtractionClosesTheStream) {
  DossierTemp dossier;
  const std::string mxl = dossier.Ecrit("partition.mxl", "PK not really");
  Rect page = {0, 0, 0, 0};
  uint16_t pages = 0;
  EXPECT_EQ(LoadDocument(("file://" + mxl).c_str(), &page, &pages, nullptr), nullptr);
  EXPECT_EQ(GetCurrentOpenFile(), nullptr);
  EXPECT_NE(std::string(GetRaisonEchecChargement()), "");
}

TEST(PiloteRequete, AScoreCountsOnePageOnA4AtPrinterResolution) {
  ChargeurTest c(ChargeurPartitions);
  gNbPartitions = 1;
  gIndexCourant = -1;
  DossierTemp dossier;
  Rect page = {0, 0, 0, 0};
  uint16_t pages = 0;
  Document* doc = LoadDocument(dossier.Ecrit("a.tst", "x").c_str(), &page, &pages, nullptr);
  ASSERT_NE(doc, nullptr);
  EXPECT_EQ(pages, 1);
  EXPECT_EQ(page.top, 0);
  EXPECT_EQ(page.left, 0);
  EXPECT_NEAR(page.right, 4762, 4);   // 210 mm at 576 dpi
  EXPECT_NEAR(page.bottom, 6735, 4);  // 297 mm
  EXPECT_STREQ(GetRaisonEchecChargement(), "");
  EXPECT_NEAR(EchelleContexteDocument(doc), 0.125, 1e-9);
  DisposeDocument(doc);
}

// The current score must be one of the document's: an index equal to the
// count is refused as a damaged document.
TEST(PiloteRequete, CurrentScoreIndexOutOfRangeIsRefused) {
  ChargeurTest c(ChargeurPartitions);
  DossierTemp dossier;
  struct Cas {
    int16_t nb, index;
    uint16_t pages;
  } cas[] = {{2, 1, 1}, {2, 2, 0}, {3, 7, 0}};
  for (const Cas& k : cas) {
    gNbPartitions = k.nb;
    gIndexCourant = k.index;
    Rect page = {0, 0, 0, 0};
    uint16_t pages = 0;
    Document* doc = LoadDocument(dossier.Ecrit("a.tst", "x").c_str(), &page, &pages, nullptr);
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(pages, k.pages) << k.index;
    DisposeDocument(doc);
  }
  gIndexCourant = -1;
}

// Three scores, views and the drawing port all go (the leak checker of the
// sanitizer build sees the rest).
TEST(PiloteRequete, DisposeFreesEveryScore) {
  ChargeurTest c(ChargeurPartitions);
  gNbPartitions = 3;
  gIndexCourant = -1;
  DossierTemp dossier;
  uint16_t pages = 0;
  Rect page = {0, 0, 0, 0};
  Document* doc = LoadDocument(dossier.Ecrit("trois.tst", "x").c_str(), &page, &pages, nullptr);
  ASSERT_NE(doc, nullptr);
  EXPECT_EQ(doc->nbPartitions, 3);
  // The document draws on a hidden dialog: its pages are recorded, never
  // rasterised.
  ASSERT_NE(doc->dialogue, nullptr);
  EXPECT_EQ(doc->portDocument, nullptr);
  EXPECT_EQ(GetPixBaseAddr(GetPortPixMap(GetDialogPort(static_cast<DialogPtr>(doc->dialogue)))), nullptr);
  doc->donneesSupplementaires = NewHandle(100);
  DisposeDocument(doc);
  gNbPartitions = 1;
}

// A page is an erased picture of the frame even without a score.
TEST(PiloteRequete, PageOfADocumentWithoutScoreIsAnErasedFrame) {
  auto* doc = reinterpret_cast<Document*>(NewPtrClear(Size(sizeof(Document))));
  GrafPtr avant;
  GetPort(&avant);
  doc->portDocument = CreateNewPort();
  SetPort(avant);
  Rect frame = {0, 0, 6735, 4762};
  PicHandle pic = CreatePictPage(doc, 1, 1, &frame);
  ASSERT_NE(pic, nullptr);
  std::string listing;
  ASSERT_TRUE(PictDumpHandle(pic, listing));
  EXPECT_NE(listing.find("EraseRect"), std::string::npos) << listing;
  EXPECT_NE(listing.find("6735"), std::string::npos) << listing;
  KillPicture(pic);
  EXPECT_EQ(CreatePictPage(nullptr, 1, 1, &frame), nullptr);
  DisposeDocument(doc);
}

// Text-format imports are new documents dated at their load (undated, their
// page footer's year read 1904).
TEST(PiloteRequete, TextImportsAreDatedAtTheirLoad) {
  DossierTemp dossier;
  const struct {
    const char* nom;
    const char* contenu;
  } cas[] = {
      {"air.abc", "X:1\nT:Air\nM:4/4\nL:1/4\nK:C\nCDEF|\n"},
      {"air.tab", "e|-0-1-|\nB|-----|\nG|-----|\nD|-----|\nA|-----|\nE|-----|\n"},
  };
  for (const auto& c : cas) {
    uint32_t avant = 0, apres = 0;
    GetDateTime(&avant);
    Rect page = {0, 0, 0, 0};
    uint16_t pages = 0;
    Document* doc = LoadDocument(dossier.Ecrit(c.nom, c.contenu).c_str(), &page, &pages, nullptr);
    GetDateTime(&apres);
    ASSERT_NE(doc, nullptr) << c.nom;
    EXPECT_GE(doc->dates[0], avant) << c.nom;
    EXPECT_LE(doc->dates[0], apres) << c.nom;
    DisposeDocument(doc);
  }
}

// Loading makes the document's folder current while the document is open;
// whatever the load gives, the caller's folder is current again once the
// load failed or the last open document is disposed of.
TEST(PiloteRequete, TheCallersFolderComesBackAfterTheRequest) {
  ChargeurTest c(ChargeurPartitions);
  gNbPartitions = 1;
  gIndexCourant = -1;
  auto courant = [] {
    char ici[4096];
    return getcwd(ici, sizeof ici) ? std::string(ici) : std::string();
  };
  const std::string avant = courant();
  DossierTemp appelant, documents;
  ASSERT_EQ(chdir(appelant.chemin.c_str()), 0);
  struct Cas {
    const char* nom;
    std::string contenu;
    bool document;  // a document comes back (else null)
  } cas[] = {
      {"partition.tst", "x", true},                  // read and paginated
      {"bruit.dat", std::string(64, '\x7F'), true},  // refused by the native reader
      {"air.abc", "X:1\nT:No music\n", true},        // an ABC file without music
      {"partition.mxl", "PK not really", false},     // the zipped score cannot be extracted
  };
  for (const Cas& k : cas) {
    Rect page = {0, 0, 0, 0};
    uint16_t pages = 0;
    Document* doc = LoadDocument(documents.Ecrit(k.nom, k.contenu).c_str(), &page, &pages, nullptr);
    EXPECT_EQ(doc != nullptr, k.document) << k.nom;
    if (doc) {
      EXPECT_EQ(courant(), documents.chemin) << k.nom;
      DisposeDocument(doc);
    }
    EXPECT_EQ(courant(), appelant.chemin) << k.nom;
  }
  // Two documents open at once: the caller's folder comes back with the last.
  Rect page = {0, 0, 0, 0};
  uint16_t pages = 0;
  Document* un = LoadDocument(documents.Ecrit("un.tst", "x").c_str(), &page, &pages, nullptr);
  Document* deux = LoadDocument(documents.Ecrit("deux.tst", "x").c_str(), &page, &pages, nullptr);
  ASSERT_NE(un, nullptr);
  ASSERT_NE(deux, nullptr);
  DisposeDocument(un);
  EXPECT_EQ(courant(), documents.chemin);
  DisposeDocument(deux);
  EXPECT_EQ(courant(), appelant.chemin);
  if (!avant.empty()) {
    EXPECT_EQ(chdir(avant.c_str()), 0);
  }
}
