#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/DateTime.h"
#include "platform/Files.h"
#include "platform/Memory.h"
#include "platform/Resources.h"
#include "platform/SpecialFolders.h"

namespace {

class FilesStandIn : public ::testing::Test {
 protected:
  void SetUp() override {
    char cwd[PATH_MAX];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    depart_ = cwd;
    char modele[] = "/tmp/files-XXXXXX";
    ASSERT_NE(mkdtemp(modele), nullptr);
    char canon[PATH_MAX];
    ASSERT_NE(realpath(modele, canon), nullptr);
    racine_ = canon;
    ASSERT_EQ(mkdir((racine_ + "/d").c_str(), 0700), 0);
    FILE* f = fopen((racine_ + "/d/f.txt").c_str(), "w");
    fputs("12345", f);
    fclose(f);
    ASSERT_EQ(symlink((racine_ + "/d").c_str(), (racine_ + "/lien").c_str()), 0);
    id_ = PlatformDirIDForPath(racine_.c_str());
    ASSERT_NE(id_, 0);
  }
  void TearDown() override {
    ASSERT_EQ(chdir(depart_.c_str()), 0);
    std::string cmd = "rm -rf '" + racine_ + "'";
    EXPECT_EQ(std::system(cmd.c_str()), 0);
  }
  std::string depart_, racine_;
  int32_t id_ = 0;
};

}  // namespace

TEST_F(FilesStandIn, DirectoryIdsAreStableAndTheDefaultFolderIsTheWorkingDirectory) {
  EXPECT_EQ(PlatformDirIDForPath((racine_ + "/d/../").c_str()), id_);
  EXPECT_EQ(PlatformDirIDForPath((racine_ + "/d/f.txt").c_str()), 0);
  EXPECT_EQ(PlatformDirIDForPath("/"), fsRtDirID);
  int32_t d = PlatformDirIDForPath((racine_ + "/d").c_str());
  ASSERT_EQ(HSetVol(kVolumeRacine, d), noErr);
  char cwd[PATH_MAX];
  ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
  EXPECT_EQ(std::string(cwd), racine_ + "/d");
  int16_t v = 0;
  int32_t courant = 0;
  EXPECT_EQ(HGetVol(&v, &courant), noErr);
  EXPECT_EQ(v, kVolumeRacine);
  EXPECT_EQ(courant, d);
  EXPECT_EQ(HSetVol(3, d), nsvErr);
  EXPECT_EQ(HSetVol(kVolumeRacine, 99999), dirNFErr);
  char chemin[16];
  EXPECT_EQ(PlatformPathForDirID(kVolumeRacine, d, chemin, sizeof chemin), pathTooLongErr);
}

TEST_F(FilesStandIn, RecordsCatalogueAndAliases) {
  struct {
    const char* nom;
    OSErr err;
    const char* feuille;
  } cas[] = {
      {"d", noErr, "d"},           {":d:f.txt", noErr, "f.txt"}, {":d:", noErr, "d"},
      {":d:nope", fnfErr, "nope"}, {":nope:f", dirNFErr, ""},    {"a/b", bdNamErr, ""},
  };
  for (const auto& c : cas) {
    SCOPED_TRACE(c.nom);
    FSSpec fss{};
    EXPECT_EQ(FSMakeFSSpec(kVolumeRacine, id_, c.nom, &fss), c.err);
    if (c.err == noErr || c.err == fnfErr) {
      EXPECT_STREQ(fss.name, c.feuille);
    }
  }
  FSSpec fss{};
  ASSERT_EQ(FSMakeFSSpec(kVolumeRacine, id_, ":d:f.txt", &fss), noErr);
  CatInfo info{};
  ASSERT_EQ(FSpGetCatInfo(&fss, &info), noErr);
  EXPECT_FALSE(info.isFolder);
  EXPECT_EQ(info.length, 5);
  // Dates are local 1904-based seconds of the file's modification time.
  const time_t t = 1520240823;  // 5 March 2018, 09:07:03 UTC
  struct timeval tv[2] = {{t, 0}, {t, 0}};
  ASSERT_EQ(utimes((racine_ + "/d/f.txt").c_str(), tv), 0);
  ASSERT_EQ(FSpGetCatInfo(&fss, &info), noErr);
  struct tm local;
  localtime_r(&t, &local);
  DateTimeRec dr{};
  SecondsToDate(info.modificationDate, &dr);
  EXPECT_EQ(dr.year, local.tm_year + 1900);
  EXPECT_EQ(dr.day, local.tm_mday);
  EXPECT_EQ(dr.hour, local.tm_hour);
  EXPECT_EQ(dr.second, 3);
  EXPECT_EQ(info.creationDate, info.modificationDate);
  FSRef ref;
  ASSERT_EQ(FSpMakeFSRef(&fss, &ref), noErr);
  char chemin[kTailleCheminPosix];
  ASSERT_EQ(FSRefMakePath(&ref, chemin, sizeof chemin), noErr);
  EXPECT_EQ(std::string(chemin), racine_ + "/d/f.txt");

  // The link is an alias: seen as such, and resolved to its folder.
  ASSERT_EQ(FSMakeFSSpec(kVolumeRacine, id_, "lien", &fss), noErr);
  ASSERT_EQ(FSpGetCatInfo(&fss, &info), noErr);
  EXPECT_TRUE(info.isAlias);
  Boolean dossier = 0, alias = 0;
  ASSERT_EQ(ResolveAliasFile(&fss, 1, &dossier, &alias), noErr);
  EXPECT_TRUE(dossier);
  EXPECT_TRUE(alias);
  EXPECT_STREQ(fss.name, "d");
  ASSERT_EQ(FSpGetCatInfo(&fss, &info), noErr);
  EXPECT_EQ(info.dirID, PlatformDirIDForPath((racine_ + "/d").c_str()));

  int32_t cree = 0;
  EXPECT_EQ(DirCreate(kVolumeRacine, id_, "neuf", &cree), noErr);
  EXPECT_EQ(cree, PlatformDirIDForPath((racine_ + "/neuf").c_str()));
  EXPECT_EQ(DirCreate(kVolumeRacine, id_, "neuf", &cree), dupFNErr);
}

TEST_F(FilesStandIn, VolumeInformationAndFoldersFound) {
  HVolumeParam pb{};
  ASSERT_EQ(PBHGetVInfoSync(&pb), noErr);
  EXPECT_EQ(pb.ioVAlBlkSiz % 512, 0u);
  EXPECT_LE(pb.ioVNmAlBlks, 65535u);
  EXPECT_LE(pb.ioVFrBlk, pb.ioVNmAlBlks);
  pb.ioVRefNum = 5;
  EXPECT_EQ(PBHGetVInfoSync(&pb), nsvErr);

  std::string pref = racine_ + "/config/tamrel";
  std::string avant = GetPreferencesFolderPath();
  SetPreferencesFolderPath(pref.c_str());
  int16_t v = 0;
  int32_t d = 0;
  EXPECT_EQ(FindFolder(kVolumeRacine, kPreferencesFolderType, kDontCreateFolder, &v, &d), fnfErr);
  EXPECT_EQ(FindFolder(kVolumeRacine, kPreferencesFolderType, kCreateFolder, &v, &d), noErr);
  EXPECT_EQ(d, PlatformDirIDForPath(pref.c_str()));
  struct stat st;
  ASSERT_EQ(stat(pref.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  SetPreferencesFolderPath(avant.c_str());
  EXPECT_EQ(FindFolder(kVolumeRacine, FourCC("zzzz"), kCreateFolder, &v, &d), fnfErr);
}

TEST(ResourceStore, LoadedHandlesReleaseAndCopies) {
  Handle h = GetResource(kTypeSTR, 1021);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(GetResource(kTypeSTR, 1021), h);  // stays loaded
  EXPECT_EQ(PlatformGetLoadedResource(kTypeSTR, 1021), h);
  Handle copie = PlatformGetResourceCopy(kTypeSTR, 1021, true);
  ASSERT_NE(copie, nullptr);
  EXPECT_NE(copie, h);
  ASSERT_EQ(GetHandleSize(copie), GetHandleSize(h));
  EXPECT_EQ(std::memcmp(*copie, *h, size_t(GetHandleSize(h))), 0);
  DisposeHandle(copie);
  ReleaseResource(h);
  EXPECT_EQ(PlatformGetLoadedResource(kTypeSTR, 1021), nullptr);

  unsigned char p[256];
  GetIndString(p, 1020, 7);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(p + 1), p[0]), "SI");
  GetIndString(p, 1020, 8);
  EXPECT_EQ(p[0], 0);

  EXPECT_EQ(GetResource(FourCC("PICT"), 1), nullptr);
  EXPECT_EQ(ResError(), resNotFound);
  const char octets[] = {1, 2, 3};
  ASSERT_TRUE(PlatformAddResource(FourCC("PICT"), 20000, octets, 3));
  h = GetResource(FourCC("PICT"), 20000);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(GetHandleSize(h), 3);
  DetachResource(h);  // now the caller's
  EXPECT_EQ(PlatformGetLoadedResource(FourCC("PICT"), 20000), nullptr);
  DisposeHandle(h);
  EXPECT_EQ(OpenResFile("score.mus"), -1);
  EXPECT_EQ(ResError(), fnfErr);
}

TEST(PlatformDates, DateStringForms) {
  DateTimeRec d = {2018, 3, 5, 9, 7, 3, 0};
  uint32_t secs = 0;
  DateToSeconds(&d, &secs);
  struct {
    int16_t forme;
    const char* attendu;
  } cas[] = {{longDate, "Monday, March 5, 2018"}, {abbrevDate, "Mon, Mar 5, 2018"}, {shortDate, "3/5/18"}};
  for (const auto& c : cas) {
    unsigned char p[256];
    DateString(secs, c.forme, p);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(p + 1), p[0]), c.attendu);
  }
}
