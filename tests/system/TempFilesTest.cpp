#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/Memory.h"
#include "platform/SpecialFolders.h"
#include "system/TempFiles.h"

namespace {

// Each test gets its own temporary folder and a fresh slot table.
class TempFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    char cwd[PATH_MAX];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    depart_ = cwd;
    char modele[] = "/tmp/tempfiles-XXXXXX";
    ASSERT_NE(mkdtemp(modele), nullptr);
    char canon[PATH_MAX];
    ASSERT_NE(realpath(modele, canon), nullptr);
    dossier_ = canon;
    SetTemporaryFolderPath(dossier_.c_str());
    Oublie();
    transfert_ = GetTailleBufferTransfert();
  }
  void TearDown() override {
    for (int16_t i = 1; i < nbFichTemp; i++)
      if (reinterpret_cast<FichTemp*>(*tabFich)[i].utilise) TempDispose(i);
    Oublie();
    SetTailleBufferTransfert(transfert_);
    ASSERT_EQ(chdir(depart_.c_str()), 0);
    std::string cmd = "rm -rf '" + dossier_ + "'";
    EXPECT_EQ(std::system(cmd.c_str()), 0);
  }
  static void Oublie() {
    if (tabFich) DisposeHandle(tabFich);
    tabFich = nullptr;
    nbFichTemp = 0;
    PathTmp = {0, 0};
    NomPathTmp[0] = 0;
  }
  static FichTemp& Slot(int16_t i) { return reinterpret_cast<FichTemp*>(*tabFich)[i]; }
  static bool Existe(const std::string& chemin) {
    struct stat st;
    return lstat(chemin.c_str(), &st) == 0;
  }
  // The counter value in a slot's file name.
  static long Numero(int16_t fich, const char* prefixe) {
    std::string nom = std::strrchr(Slot(fich).chemin, '/') + 1;
    return std::atol(nom.c_str() + 4 + std::strlen(prefixe));
  }
  std::string depart_, dossier_;
  int32_t transfert_ = 0;
};

}  // namespace

TEST_F(TempFiles, SlotsAreTakenLowestFirstAndTheTableGrowsByTwo) {
  int16_t a = TempCreate("Flx", 0);
  ASSERT_EQ(a, 1);
  EXPECT_EQ(nbFichTemp, 2);
  long n = Numero(a, "Flx");
  EXPECT_EQ(std::string(Slot(a).chemin), dossier_ + "/PlayFlx" + std::to_string(n) + ".tmp");
  EXPECT_TRUE(Existe(Slot(a).chemin));
  EXPECT_EQ(Slot(a).modifie, 1);
  EXPECT_EQ(Slot(a).ouvert, 1);
  int16_t b = TempCreate("Flx", 0);
  EXPECT_EQ(b, 2);
  EXPECT_EQ(nbFichTemp, 4);
  EXPECT_EQ(Numero(b, "Flx"), n + 1);
  EXPECT_EQ(TempCreate("Flx", 0), 3);
  std::string chemin = Slot(b).chemin;
  TempDispose(b);
  EXPECT_FALSE(Existe(chemin));
  TempDispose(b);  // reported, nothing else happens
  EXPECT_EQ(TempCreate("Flx", 0), 2);
  TempDispose(0);
}

// Names held by someone else, even as a link planted in advance, are skipped.
TEST_F(TempFiles, ExistingNamesAreSkippedNeverFollowed) {
  int16_t a = TempCreate("X", 0);
  long n = Numero(a, "X");
  std::string suivant = dossier_ + "/PlayX" + std::to_string(n + 1) + ".tmp";
  std::string cible = dossier_ + "/target";
  FILE* f = fopen((dossier_ + "/PlayX" + std::to_string(n + 2) + ".tmp").c_str(), "w");
  fclose(f);
  ASSERT_EQ(symlink(cible.c_str(), suivant.c_str()), 0);
  int16_t b = TempCreate("X", 0);
  ASSERT_NE(b, 0);
  EXPECT_EQ(Numero(b, "X"), n + 3);
  EXPECT_FALSE(Existe(cible));

  // A folder that can't take files fails at once, and the next call starts afresh.
  NomPathTmp[0] = 0;
  std::strcpy(NomPathTmp, (dossier_ + "/missing/").c_str());
  EXPECT_EQ(TempCreate("X", 0), 0);
  std::strcpy(NomPathTmp, (dossier_ + "/").c_str());
  EXPECT_NE(TempCreate("X", 0), 0);
}

TEST_F(TempFiles, PositionsLengthsAndClosedSlots) {
  int16_t f = TempCreate("Flx", 1000);
  ASSERT_NE(f, 0);
  EXPECT_EQ(TempGetFileLength(f), 0);  // the stdio layer changes no length
  uint32_t mots[10];
  for (int i = 0; i < 10; i++) mots[i] = uint32_t(i * 0x01010101);
  Slot(f).modifie = 0;
  EXPECT_EQ(TempWrite(mots, 4, 10, f), 10);
  EXPECT_EQ(Slot(f).position, 40u);
  EXPECT_EQ(Slot(f).modifie, 1);
  EXPECT_EQ(TempGetFileLength(f), 40);
  EXPECT_EQ(Slot(f).position, 40u);
  EXPECT_EQ(TempWrite(mots, 4, 0, f), 0);

  // A copy whose stream is closed opens it for each call only.
  int16_t c = DupliqueFichierTemporaire(f, 0, 1);
  ASSERT_NE(c, 0);
  EXPECT_EQ(Slot(c).flux, nullptr);
  EXPECT_EQ(Slot(c).position, 40u);
  EXPECT_EQ(Slot(f).modifie, 0);
  EXPECT_EQ(Slot(f).chaine, c);
  EXPECT_EQ(TempSeek(c, 4), 0);
  uint32_t lu[3] = {};
  EXPECT_EQ(TempRead(lu, 4, 3, c), 3);
  EXPECT_EQ(lu[0], mots[1]);
  EXPECT_EQ(lu[2], mots[3]);
  EXPECT_EQ(Slot(c).position, 16u);
  EXPECT_EQ(Slot(c).flux, nullptr);
  EXPECT_EQ(TempRead(lu, 4, 3, c), 3);
  EXPECT_EQ(lu[0], mots[4]);
  EXPECT_EQ(TempOpenFile(c), 1);
  EXPECT_NE(Slot(c).flux, nullptr);
  EXPECT_EQ(TempSeek(9, 0), -1);  // no such slot
  EXPECT_EQ(DupliqueFichierTemporaire(0, 0, 0), 0);

  // Releasing the copy hands its chain back to the original.
  TempDispose(c);
  EXPECT_EQ(Slot(f).chaine, 0);
  EXPECT_EQ(Slot(f).modifie, 1);
}

// The fill is written in transfer-sized pieces, whatever the transfer size says.
TEST_F(TempFiles, FillWritesInTransferSizedPieces) {
  struct {
    int32_t transfert;
    int32_t nb;
  } cas[] = {{1000, 3500}, {1000, 7}, {0, 40}, {-5, 33}, {65536, 0}, {65536, -3}};
  for (const auto& c : cas) {
    SCOPED_TRACE(c.transfert);
    SetTailleBufferTransfert(c.transfert);
    int16_t f = TempCreate("Fill", 0);
    ASSERT_NE(f, 0);
    EXPECT_EQ(TempFill(f, 0xA5, c.nb), 1);
    int32_t attendu = c.nb > 0 ? c.nb : 0;
    EXPECT_EQ(TempGetFileLength(f), attendu);
    std::vector<uint8_t> octets(size_t(attendu) + 1);
    TempSeek(f, 0);
    EXPECT_EQ(TempRead(octets.data(), 1, attendu + 1, f), attendu);
    octets.resize(size_t(attendu));
    EXPECT_EQ(octets, std::vector<uint8_t>(size_t(attendu), 0xA5));
    TempDispose(f);
  }
}

TEST_F(TempFiles, DuplicatesCopyTheWholeFile) {
  SetTailleBufferTransfert(100);  // a copy buffer of 500 bytes: several rounds
  int16_t f = TempCreate("Src", 0);
  std::vector<uint8_t> contenu(1777);
  for (size_t i = 0; i < contenu.size(); i++) contenu[i] = uint8_t(i * 7);
  ASSERT_EQ(TempWrite(contenu.data(), 1, int32_t(contenu.size()), f), int32_t(contenu.size()));
  TempSeek(f, 100);
  int16_t d = TempDupliqueFile(f);
  ASSERT_NE(d, 0);
  EXPECT_EQ(Slot(d).position, 100u);
  EXPECT_EQ(Slot(f).position, 100u);
  EXPECT_EQ(TempGetFileLength(d), 1777);
  std::vector<uint8_t> copie(1777);
  TempSeek(d, 0);
  EXPECT_EQ(TempRead(copie.data(), 1, 1777, d), 1777);
  EXPECT_EQ(copie, contenu);
  EXPECT_NE(std::string(Slot(d).chemin).find("PlayDupFile"), std::string::npos);

  int16_t vide = TempCreate("Empty", 0);
  int16_t dv = TempDupliqueFile(vide);
  ASSERT_NE(dv, 0);
  EXPECT_EQ(TempGetFileLength(dv), 0);
}
