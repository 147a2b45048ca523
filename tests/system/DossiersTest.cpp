#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

#include "platform/SpecialFolders.h"
#include "platform/Trace.h"
#include "system/Dossiers.h"

namespace {

// A scratch tree; the working directory is put back afterwards.
class Folders : public ::testing::Test {
 protected:
  void SetUp() override {
    char cwd[PATH_MAX];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    depart_ = cwd;
    char modele[] = "/tmp/dossiers-XXXXXX";
    ASSERT_NE(mkdtemp(modele), nullptr);
    char canon[PATH_MAX];
    ASSERT_NE(realpath(modele, canon), nullptr);
    racine_ = canon;
  }
  void TearDown() override {
    ASSERT_EQ(chdir(depart_.c_str()), 0);
    std::string cmd = "rm -rf '" + racine_ + "'";
    EXPECT_EQ(std::system(cmd.c_str()), 0);
  }
  void Fichier(const std::string& rel, const char* texte = "x") const {
    FILE* f = fopen((racine_ + "/" + rel).c_str(), "w");
    fputs(texte, f);
    fclose(f);
  }
  void Dossier(const std::string& rel) const { ASSERT_EQ(mkdir((racine_ + "/" + rel).c_str(), 0700), 0); }
  int32_t Id(const std::string& rel) const { return PlatformDirIDForPath((racine_ + "/" + rel).c_str()); }
  std::string Courant() const {
    char b[kTailleCheminUnix];
    EXPECT_EQ(GetNomCheminCourant(b), noErr);
    return b;
  }
  std::string depart_, racine_;
};

}  // namespace

TEST(FolderNames, MasksAndExtensions) {
  struct {
    const char* nom;
    const char* masque;
    int16_t attendu;
  } masques[] = {
      {"a.txt", "*.*", 1}, {"a.txt", "*.TXT", 1}, {"a.txt", "a?txt", 1}, {".hidden", "*.*", 0},
      {"ab", "a?b", 0},    {"abc", "a*", 1},      {"abc", "a*c", 1},     {"abc", "A*C", 0},  // after "*" exactly
      {"abc", "abc", 1},   {"abc", "ab", 0},      {"ab", "abc", 0},      {"x.tar.gz", "*.gz", 1},
  };
  for (const auto& m : masques) EXPECT_EQ(IsFileMatchMask(m.nom, m.masque), m.attendu) << m.nom << " " << m.masque;

  EXPECT_EQ(cmp_extension("score.MXL", "mxl"), 1);
  EXPECT_EQ(cmp_extension("score", "mxl"), 0);
  EXPECT_EQ(cmp_extension("a.mxl.bak", "mxl"), 0);

  char base[kTailleNomFichier], ext[kTailleNomFichier];
  extrait_extension("a.b.c", base, ext);
  EXPECT_STREQ(base, "a.b");
  EXPECT_STREQ(ext, "c");
  extrait_extension("plain", base, ext);
  EXPECT_STREQ(base, "plain");
  EXPECT_STREQ(ext, "");
  std::string long_(2000, 'n');
  extrait_extension((long_ + ".xml").c_str(), base, nullptr);  // cut to 780 first
  EXPECT_EQ(std::strlen(base), 780u);

  char nom[16] = "song.mxl";
  ajoute_extension(nom, "xml", sizeof nom);
  EXPECT_STREQ(nom, "song.xml");
  ajoute_extension(nom, nullptr, sizeof nom);
  EXPECT_STREQ(nom, "song");
  ajoute_extension(nom, "musicxml", sizeof nom);
  EXPECT_STREQ(nom, "song.musicxml");
  ajoute_extension(nom, "toolongforthebuffer", sizeof nom);
  EXPECT_STREQ(nom, "song.toolongfor");  // kept within its 16 bytes
}

TEST_F(Folders, PathStackRestoresFoldersInOrder) {
  Dossier("a");
  Dossier("b");
  ASSERT_EQ(FixeVolPath(kVolumeRacine, Id("a")), noErr);
  PushPath();
  ASSERT_EQ(FixeVolPath(kVolumeRacine, Id("b")), noErr);
  PushPath();
  ASSERT_EQ(FixeVolPath(kVolumeRacine, Id("")), noErr);
  EXPECT_EQ(Courant(), racine_ + "/");
  PopPath();
  EXPECT_EQ(Courant(), racine_ + "/b/");
  PopPath();
  EXPECT_EQ(Courant(), racine_ + "/a/");
  SetTraceEnabled(true);
  testing::internal::CaptureStderr();
  PopPath();  // empty: reported, nothing changes
  std::string trace = testing::internal::GetCapturedStderr();
  SetTraceEnabled(false);
  EXPECT_NE(trace.find("PopPath : Empty stack"), std::string::npos);
  EXPECT_EQ(Courant(), racine_ + "/a/");
  // Relative names now resolve in the current folder.
  Fichier("a/in.txt", "hello");
  FILE* f = OuvreFichier("in.txt", "r");
  ASSERT_NE(f, nullptr);
  fclose(f);
  EXPECT_EQ(SupprimeFichier("in.txt"), 0);
  EXPECT_EQ(SupprimeFichier("in.txt"), fnfErr);
}

TEST_F(Folders, ColonPathsAndAliasesReachFolders) {
  Dossier("a");
  Dossier("a/b");
  Dossier("x");
  ASSERT_EQ(symlink((racine_ + "/a/b").c_str(), (racine_ + "/x/lien").c_str()), 0);
  int32_t r = Id("");
  struct {
    int32_t dir;
    const char* chemin;
    OSErr err;
    const char* arrivee;
  } cas[] = {
      {r, ":a:b", noErr, "/a/b/"},    {r, ":a:b:", noErr, "/a/b/"},  {Id("a/b"), "::", noErr, "/a/"},
      {r, ":x:lien", noErr, "/a/b/"}, {r, ":missing:", fnfErr, "/"}, {r, ":a:missing:b", noErr, "/a/b/"},
  };
  for (const auto& c : cas) {
    SCOPED_TRACE(c.chemin);
    ASSERT_EQ(FixeVolPath(kVolumeRacine, r), noErr);
    EXPECT_EQ(FixeChemin(c.dir, c.chemin), c.err);
    EXPECT_EQ(Courant(), racine_ + c.arrivee);
  }
  ASSERT_EQ(FixeVolPath(kVolumeRacine, r), noErr);
  EXPECT_EQ(FixeCheminRelatif(kVolumeRacine, Id("a"), "b"), noErr);
  EXPECT_EQ(Courant(), racine_ + "/a/b/");
  EXPECT_EQ(FixeCheminRelatif(kVolumeRacine, Id("x"), ""), noErr);
  EXPECT_EQ(Courant(), racine_ + "/x/");
  EXPECT_EQ(FixeChemin(r, std::string(779, 'a').c_str()), memFullErr);
  EXPECT_EQ(FixeVolPath(7, r), nsvErr);
  EXPECT_EQ(Courant(), racine_ + "/x/");
}

// A folder whose path does not fit the buffers is reached but can't be named.
TEST_F(Folders, PathsLongerThanTheBuffersFailCleanly) {
  std::string rel;
  for (int i = 0; i < 6; i++) {
    rel += (i ? "/" : "") + std::string(200, char('a' + i));
    Dossier(rel);
  }
  int32_t id = Id(rel);
  ASSERT_NE(id, 0);
  EXPECT_EQ(FixeVolPath(kVolumeRacine, id), noErr);
  char b[kTailleCheminUnix];
  EXPECT_EQ(GetNomCheminUnix(kVolumeRacine, id, b), pathTooLongErr);
  EXPECT_STREQ(b, "");
  EXPECT_EQ(GetNomCheminCourant(b), pathTooLongErr);
  EXPECT_EQ(OuvreFichier((racine_ + "/" + rel + "/" + std::string(300, 'z')).c_str(), "r"), nullptr);
  FindFileRec rec;
  EXPECT_EQ(SystemDependantFindFirstFile((racine_ + "/" + rel + "/*.*").c_str(), 0, &rec), 0);
}

TEST_F(Folders, MaskScanOfATemporaryTree) {
  Fichier("a.txt", "12345");
  Fichier("b.TXT");
  Fichier("c.xml");
  Fichier(".hidden.txt");
  Fichier("Icon\r");
  Dossier("sub.txt");
  struct {
    const char* masque;
    uint16_t options;
    std::set<std::string> attendus;
  } cas[] = {
      {"*.txt", 0, {"a.txt", "b.TXT"}},
      {"*.txt", kFindDossiersAussi, {"a.txt", "b.TXT", "sub.txt"}},
      {"*.*", 0, {"a.txt", "b.TXT", "c.xml"}},
      {"?.xml", 0, {"c.xml"}},
      {"*.png", 0, {}},
  };
  for (const auto& c : cas) {
    SCOPED_TRACE(c.masque);
    std::set<std::string> trouves;
    FindFileRec rec;
    for (int16_t ok = SystemDependantFindFirstFile((racine_ + "/" + c.masque).c_str(), c.options, &rec); ok;
         ok = SystemDependantFindNextFile(&rec)) {
      trouves.insert(rec.nom);
      EXPECT_EQ(rec.kind, std::string(rec.nom) == "sub.txt" ? kFindKindDossier : 0);
      if (std::string(rec.nom) == "a.txt") {
        EXPECT_EQ(rec.longueur, 5);
      }
    }
    SystemDependantFindClose(&rec);
    EXPECT_EQ(trouves, c.attendus);
  }
  // Without a folder, the mask is looked up in the current one.
  ASSERT_EQ(FixeVolPath(kVolumeRacine, Id("")), noErr);
  FindFileRec rec;
  ASSERT_EQ(SystemDependantFindFirstFile("c.*", 0, &rec), 1);
  EXPECT_STREQ(rec.nom, "c.xml");
  EXPECT_EQ(SystemDependantFindNextFile(&rec), 0);
  EXPECT_EQ(SystemDependantFindClose(&rec), 1);
}

TEST_F(Folders, KnownFoldersAndSystemAnswers) {
  Dossier("necks");
  PathNecks = {kVolumeRacine, Id("necks")};
  EXPECT_EQ(SetPathNecks(), noErr);
  EXPECT_EQ(Courant(), racine_ + "/necks/");
  PathNecks = {0, 0};
  EXPECT_EQ(SetPathUserNecks(), dirNFErr);  // unset: the current folder stays
  EXPECT_EQ(Courant(), racine_ + "/necks/");
  // Settings files are opened in the preferences folder, the current one stays.
  Dossier("prefs");
  Fichier("prefs/Tamrel.cfg", "k=v");
  std::string avant = GetPreferencesFolderPath();
  SetPreferencesFolderPath((racine_ + "/prefs").c_str());
  FILE* f = OuvreFichierPref("Tamrel.cfg", "r");
  ASSERT_NE(f, nullptr);
  fclose(f);
  EXPECT_EQ(Courant(), racine_ + "/necks/");
  SetPreferencesFolderPath((racine_ + "/noprefs").c_str());
  EXPECT_EQ(OuvreFichierPref("Tamrel.cfg", "r"), nullptr);
  EXPECT_EQ(Courant(), racine_ + "/necks/");
  struct stat st;
  EXPECT_NE(stat((racine_ + "/noprefs").c_str(), &st), 0);  // not created by a read
  SetPreferencesFolderPath(avant.c_str());

  EXPECT_EQ(GetMacOSXVersion(), 10 * 65536 + 6 * 256 + 8);
  EXPECT_GE(DiskFreeSpace(), 0);
  EXPECT_EQ(RozoGetGeneralZoom(), 1);
}
