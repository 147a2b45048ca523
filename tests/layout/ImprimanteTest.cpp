#include "layout/Imprimante.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include <unistd.h>

#include "platform/Memory.h"
#include "platform/SpecialFolders.h"
#include "system/Handles.h"

namespace {

bool RectEq(const Rect& a, const Rect& b) {
  return a.top == b.top && a.left == b.left && a.bottom == b.bottom && a.right == b.right;
}

::testing::AssertionResult MemeRect(const Rect& a, const Rect& b) {
  if (RectEq(a, b)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "{" << a.top << ", " << a.left << ", " << a.bottom << ", " << a.right
                                       << "} != {" << b.top << ", " << b.left << ", " << b.bottom << ", " << b.right
                                       << "}";
}

void PutBE32(std::vector<unsigned char>* v, uint32_t n) {
  for (int s = 24; s >= 0; s -= 8) v->push_back(uint8_t(n >> s));
}

void PutHandle(std::vector<unsigned char>* v, Handle h) {
  PutBE32(v, uint32_t(GetHandleSize(h)));
  v->insert(v->end(), *h, *h + GetHandleSize(h));
}

// Each case starts without print records, with the default virtual printer
// and an empty preferences folder of its own.
class ImprimanteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LibereImprimante();
    ResetVirtualPrinter();
    savedPrefs_ = GetPreferencesFolderPath();
    char modele[] = "/tmp/tamrel-imprimante-XXXXXX";
    ASSERT_NE(mkdtemp(modele), nullptr);
    dossier_ = modele;
    SetPreferencesFolderPath(dossier_.c_str());
  }
  void TearDown() override {
    LibereImprimante();
    ResetVirtualPrinter();
    unlink(Fichier().c_str());
    rmdir(dossier_.c_str());
    SetPreferencesFolderPath(savedPrefs_.c_str());
  }
  std::string Fichier() const { return dossier_ + "/TPRINT.PRM"; }
  void EcritFichier(const std::vector<unsigned char>& octets) {
    FILE* f = std::fopen(Fichier().c_str(), "wb");
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(std::fwrite(octets.data(), 1, octets.size(), f), octets.size());
    std::fclose(f);
  }
  // A parameters file saved for the given paper.
  std::vector<unsigned char> Parametres(VirtualPaper papier) {
    VirtualPrinter p = GetVirtualPrinter();
    const VirtualPaper avant = p.paper;
    p.paper = papier;
    SetVirtualPrinter(p);
    PMPrintSession s = nullptr;
    PMPageFormat format = nullptr;
    PMPrintSettings reglages = nullptr;
    EXPECT_EQ(PMCreateSession(&s), noErr);
    EXPECT_EQ(PMCreatePageFormat(&format), noErr);
    EXPECT_EQ(PMSessionDefaultPageFormat(s, format), noErr);
    EXPECT_EQ(PMCreatePrintSettings(&reglages), noErr);
    EXPECT_EQ(PMSessionDefaultPrintSettings(s, reglages), noErr);
    Handle hf = nullptr, hs = nullptr;
    EXPECT_EQ(PMFlattenPageFormat(format, &hf), noErr);
    EXPECT_EQ(PMFlattenPrintSettings(reglages, &hs), noErr);
    std::vector<unsigned char> v = {'H', 'P', 'r', 'i', 'n', 't', 'C', 'a', 'r', 'b', 'o', 'n', '1', '.', '1'};
    PutHandle(&v, hf);
    PutHandle(&v, hs);
    DisposeHandle(hf);
    DisposeHandle(hs);
    PMRelease(format);
    PMRelease(reglages);
    PMRelease(s);
    p.paper = avant;
    SetVirtualPrinter(p);
    return v;
  }
  std::string savedPrefs_;
  std::string dossier_;
};

TEST_F(ImprimanteTest, A4At576DpiCoversTheWholeSheet) {
  ReadPrmPrint();
  ASSERT_NE(GlobalHPrint, nullptr);
  // Before a resolution is installed the record is in points.
  EXPECT_EQ((*GlobalHPrint)->info.resH, 72);
  EXPECT_TRUE(MemeRect((*GlobalHPrint)->info.page, Rect{0, 0, 842, 595}));
  EXPECT_EQ((*GlobalHPrint)->firstPage, 1);
  EXPECT_EQ((*GlobalHPrint)->lastPage, 9999);
  EXPECT_EQ((*GlobalHPrint)->copies, 1);

  EXPECT_EQ(FixeResolutionStdImprimante(), 1);
  const TPrintRecord& r = **GlobalHPrint;
  EXPECT_EQ(r.info.resV, 576);
  EXPECT_EQ(r.info.resH, 576);
  // 595 x 842 points, 8 device pixels a point: the page and the paper are the sheet.
  EXPECT_TRUE(MemeRect(r.info.page, Rect{0, 0, 6736, 4760}));
  EXPECT_TRUE(MemeRect(r.paper, Rect{0, 0, 6736, 4760}));
  ASSERT_NE(GlobalHPrintStd, nullptr);

  // The maximum is 576 too: nothing changes.
  EXPECT_EQ(FixeResolutionMaxImprimante(), 1);
  EXPECT_EQ((*GlobalHPrint)->info.resH, 576);
  EXPECT_TRUE(MemeRect((*GlobalHPrint)->info.page, Rect{0, 0, 6736, 4760}));
  EXPECT_EQ(FixeResolutionMaxImprimante(), 0);  // from the saved copy, unchanged
}

TEST_F(ImprimanteTest, USLetterOnRequest) {
  VirtualPrinter p;
  p.paper = kVirtualPaperUSLetter;
  SetVirtualPrinter(p);
  EXPECT_EQ(FixeResolutionStdImprimante(), 1);
  EXPECT_TRUE(MemeRect((*GlobalHPrint)->info.page, Rect{0, 0, 6336, 4896}));
}

TEST_F(ImprimanteTest, ASecondStandardRequestReusesTheSavedRecord) {
  EXPECT_EQ(FixeResolutionStdImprimante(), 1);
  const int32_t sessions = GetVirtualPrinterSessionCount();
  (*GlobalHPrint)->info.resH = 72;
  (*GlobalHPrint)->info.page = Rect{0, 0, 1, 1};
  EXPECT_EQ(FixeResolutionStdImprimante(), 1);
  EXPECT_EQ(GetVirtualPrinterSessionCount(), sessions);
  EXPECT_EQ((*GlobalHPrint)->info.resH, 576);
  EXPECT_TRUE(MemeRect((*GlobalHPrint)->info.page, Rect{0, 0, 6736, 4760}));
}

TEST_F(ImprimanteTest, WithoutAPrinterThePageStays560By800At72Dpi) {
  VirtualPrinter p;
  p.present = false;
  SetVirtualPrinter(p);
  EXPECT_EQ(FixeResolutionStdImprimante(), 0);
  ASSERT_NE(GlobalHPrint, nullptr);
  const TPrintRecord& r = **GlobalHPrint;
  EXPECT_EQ(r.info.resV, 72);
  EXPECT_EQ(r.info.resH, 72);
  EXPECT_TRUE(MemeRect(r.info.page, Rect{0, 0, 800, 560}));
  EXPECT_TRUE(MemeRect(r.paper, Rect{-14, -14, 828, 582}));
  EXPECT_TRUE(MemeRect(r.saved.page, Rect{0, 0, 800, 560}));
  EXPECT_EQ(GlobalHPrintStd, nullptr);
  // The driver that could not be opened does not pass for open.
  EXPECT_NE(OuvrePrinterDriver(), noErr);
}

TEST_F(ImprimanteTest, MaximumResolutionIsCappedAt600) {
  VirtualPrinter p;
  p.maxResolution = 1200.0;
  SetVirtualPrinter(p);
  ReadPrmPrint();
  EXPECT_EQ(FixeResolutionMaxImprimante(), 1);
  EXPECT_EQ((*GlobalHPrint)->info.resV, 600);
  EXPECT_EQ((*GlobalHPrint)->info.resH, 600);
  // 842 x 600 / 72 and 595 x 600 / 72, truncated.
  EXPECT_TRUE(MemeRect((*GlobalHPrint)->info.page, Rect{0, 0, 7016, 4958}));
  // The standard resolution comes back, then the saved maximum again.
  EXPECT_EQ(FixeResolutionStdImprimante(), 1);
  EXPECT_EQ((*GlobalHPrint)->info.resH, 576);
  EXPECT_EQ(FixeResolutionMaxImprimante(), 1);
  EXPECT_EQ((*GlobalHPrint)->info.resH, 600);
}

TEST_F(ImprimanteTest, PrintersThatCannotTellTheirMaximumKeepTheRecord) {
  ReadPrmPrint();
  EXPECT_EQ(FixeResolutionStdImprimante(), 1);
  for (OSStatus e : {kPMValueOutOfRange, kPMNotSupported, kPMGeneralError}) {
    LibereHandle(&GlobalHPrintMax);
    VirtualPrinter p;
    p.resolutionError = e;
    SetVirtualPrinter(p);
    EXPECT_EQ(FixeResolutionMaxImprimante(), 1);
    EXPECT_EQ((*GlobalHPrint)->info.resH, 576) << e;
    EXPECT_NE(GlobalHPrintMax, nullptr) << e;  // counted as success
  }
  LibereHandle(&GlobalHPrintMax);
  VirtualPrinter p;
  p.resolutionError = -1;
  SetVirtualPrinter(p);
  EXPECT_EQ(FixeResolutionMaxImprimante(), 1);
  EXPECT_EQ(GlobalHPrintMax, nullptr);
}

TEST_F(ImprimanteTest, SavedParametersAreReadBack) {
  EcritFichier(Parametres(kVirtualPaperUSLetter));
  ReadPrmPrint();
  ASSERT_NE(GlobalHPrint, nullptr);
  EXPECT_NE((*GlobalHPrint)->pageFormat, nullptr);
  EXPECT_TRUE(MemeRect((*GlobalHPrint)->info.page, Rect{0, 0, 792, 612}));
  EXPECT_EQ(FixeResolutionStdImprimante(), 1);
  EXPECT_TRUE(MemeRect((*GlobalHPrint)->info.page, Rect{0, 0, 6336, 4896}));
}

TEST_F(ImprimanteTest, DamagedParameterFilesAreRefused) {
  const std::vector<unsigned char> bon = Parametres(kVirtualPaperUSLetter);
  const uint32_t n1 = (uint32_t(bon[15]) << 24) | (uint32_t(bon[16]) << 16) | (uint32_t(bon[17]) << 8) | bon[18];

  struct Cas {
    const char* nom;
    std::vector<unsigned char> octets;
    OSStatus attendu;
  };
  std::vector<Cas> cas;
  {
    auto v = bon;
    v[0] = 'h';
    cas.push_back({"magic", v, -1});
  }
  cas.push_back({"short magic", std::vector<unsigned char>(bon.begin(), bon.begin() + 10), -1});
  cas.push_back({"no first length", std::vector<unsigned char>(bon.begin(), bon.begin() + 17), eofErr});
  cas.push_back({"first block cut", std::vector<unsigned char>(bon.begin(), bon.begin() + 19 + n1 - 1), eofErr});
  cas.push_back({"second block cut", std::vector<unsigned char>(bon.begin(), bon.end() - 1), eofErr});
  {
    auto v = bon;
    v[15] = 0xFF;  // a length far past the end of the file
    cas.push_back({"huge length", v, eofErr});
  }
  {
    auto v = bon;
    v[19] = 'x';  // not a flattened page format
    cas.push_back({"bad format", v, kPMInvalidFlattenedData});
  }
  {
    auto v = bon;
    v[23 + n1] = 'x';
    cas.push_back({"bad settings", v, kPMInvalidFlattenedData});
  }
  for (const Cas& c : cas) {
    SCOPED_TRACE(c.nom);
    EcritFichier(c.octets);
    THPrint record = reinterpret_cast<THPrint>(NewHandleClear(sizeof(TPrintRecord)));
    ASSERT_NE(record, nullptr);
    FILE* f = std::fopen(Fichier().c_str(), "rb");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(CarboniseReadHPrint(f, record), c.attendu);
    std::fclose(f);
    // Nothing half-read is kept.
    EXPECT_EQ((*record)->pageFormat, nullptr);
    EXPECT_EQ((*record)->printSettings, nullptr);
    DisposeHandle(reinterpret_cast<Handle>(record));

    // The whole setup falls back to the printer's A4 defaults.
    LibereImprimante();
    ReadPrmPrint();
    EXPECT_TRUE(MemeRect((*GlobalHPrint)->info.page, Rect{0, 0, 842, 595}));
    LibereImprimante();
  }
}

}  // namespace
