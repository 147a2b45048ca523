// The neck table: the bundle's neck files, neck files of the application's and
// the user's folders, necks stored in documents, look-ups and tuning search.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cctype>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "PluginFixtures.h"
#include "platform/Files.h"
#include "plugin/Necks.h"
#include "plugin/PiloteRequete.h"
#include "support/TestPaths.h"
#include "system/Dossiers.h"
#include "system/QrvFiles.h"

using namespace tamrel_test;

namespace {

CheminVol Dossier(const std::string& chemin) { return CheminVol{kVolumeRacine, PlatformDirIDForPath(chemin.c_str())}; }

// Each test starts and ends with an empty table and no necks folder.
class TableNecks : public ::testing::Test {
 protected:
  void SetUp() override { Remet(); }
  void TearDown() override { Remet(); }
  static void Remet() {
    LibereTabNeck();
    PathNecks = CheminVol{0, 0};
    PathUserNecks = CheminVol{0, 0};
  }
  static std::vector<int32_t> Ids() {
    std::vector<int32_t> ids;
    Neck n;
    for (int32_t i = 0; GetNeck(i, &n); i++) ids.push_back(n.id);
    return ids;
  }
  static Neck Entree(int32_t index) {
    Neck n;
    std::memset(&n, 0, sizeof n);
    EXPECT_TRUE(GetNeck(index, &n)) << index;
    return n;
  }
};

}  // namespace

// The files the bundle ships: one neck each, sorted by id, with the tunings
// the tablature import searches for.
TEST_F(TableNecks, TheBundlesNeckFiles) {
  PathNecks = Dossier(BundlePath() + "/Resources");
  InitTabNeck();
  EXPECT_EQ(Ids(), (std::vector<int32_t>{1, 2, 3, 4, 5, 6, 100, 101, 102, 200, 201, 202, 203, 204, 300, 301, 302}));

  std::set<std::string> noms;
  for (int32_t i = 0; i < GetNbNecks(); i++) {
    const Neck n = Entree(i);
    EXPECT_EQ(n.source, kNeckApplication);
    EXPECT_GT(n.nbCordes, 2) << n.nom;
    EXPECT_NE(std::strcmp(n.nomFR, ""), 0);
    for (int c = 0; c < n.nbCordes; c++) {
      EXPECT_GE(n.cordes[c].hauteur, 23) << n.nom;
      EXPECT_LE(n.cordes[c].hauteur, 76) << n.nom;
      EXPECT_GT(n.cordes[c].nbCases, n.cordes[c].premiereCase) << n.nom;
    }
    // A "Neck" command names a neck without case or blanks: names stay apart.
    std::string cle;
    for (const char* p = n.nom; *p; p++)
      if (*p != ' ') cle.push_back(char(std::tolower(uint8_t(*p))));
    EXPECT_TRUE(noms.insert(cle).second) << n.nom;
  }

  const Neck guitare = Entree(RechercheIndexNeck(1));
  EXPECT_STREQ(guitare.nom, "Guitar");
  EXPECT_STREQ(guitare.nomFR, "Guitare");
  EXPECT_EQ(GetNbCordesNeck(101), 4);
  EXPECT_EQ(Entree(RechercheIndexNeck(300)).mode, kNeckLuth);
  EXPECT_EQ(Entree(RechercheIndexNeck(301)).mode, kNeckDulcimer);
  EXPECT_EQ(Entree(RechercheIndexNeck(302)).mode, kNeckShamisen);

  // A bass tablature takes neck 100's tuning for its four or five strings:
  // both must come out as a bass.
  const Neck basse5 = Entree(RechercheIndexNeck(100));
  int16_t accord[kMaxCordesNeck];
  for (int c = 0; c < kMaxCordesNeck; c++) accord[c] = basse5.cordes[c].hauteur;
  EXPECT_EQ(RechercheNeckSelonAccordage(5, accord), 100);
  EXPECT_EQ(RechercheNeckSelonAccordage(4, accord), 101);

  struct Cas {
    std::vector<int16_t> accord;
    int32_t neck;
  } cas[] = {
      {{64, 59, 55, 50, 45, 40}, 1},
      {{52, 47, 43, 38, 33, 28}, 1},  // an octave down
      {{76, 71, 67, 62, 57, 52}, 1},  // an octave up
      {{64, 59, 55, 50, 45, 38}, 2},
      {{62, 57, 55, 50, 45, 38}, 3},
      {{64, 59, 55, 50, 45, 40, 35}, 6},
      {{48, 43, 38, 33, 28, 23}, 102},
      {{69, 64, 60, 67}, 200},
      {{76, 69, 62, 55}, 202},
      {{62, 59, 55, 50, 67}, 204},
      {{67, 62, 57, 53, 48, 43}, 300},
      {{62, 57, 50}, 301},
      {{64, 59, 55, 50, 45, 41}, kNeckPersonnalise},  // no such tuning
      {{40, 45, 50, 55, 59, 64}, kNeckPersonnalise},  // upside down
      {{64, 59}, kNeckPersonnalise},                  // no two-string neck
      {{}, kNeckPersonnalise},                        // none without strings
  };
  for (const Cas& c : cas)
    EXPECT_EQ(RechercheNeckSelonAccordage(int16_t(c.accord.size()), c.accord.data()), c.neck) << c.neck;
}

TEST_F(TableNecks, FilesOfTheApplicationsAndTheUsersFolders) {
  DossierTemp app, util;
  app.Ecrit("a.nck", "{ ID 7 Name \"App seven\" { Pch 64 Nb 20 } }");
  // Sections of one file fill one neck; a key a string lacks reads as 0 and
  // a repeated one keeps its last value.
  app.Ecrit("split.nck",
            "{ ID 3 Transpose 300 }\n{ Name \"Two parts\" NameFR \"En deux\" Mode 2 { Pch 1 Pch 50 Fst 2 } }");
  app.Ecrit("bare.nck", "ID 9 Name \"ignored\"");
  std::string dixSept = "{ ID 11 ";
  for (int i = 0; i < 17; i++) dixSept += "{ Pch " + std::to_string(40 + i) + " Nb 12 } ";
  app.Ecrit("many.nck", dixSept + "}");
  app.Ecrit("notes.txt", "{ ID 99 }");
  mkdir(app.Chemin("folder.nck").c_str(), 0700);
  util.Ecrit("b.nck", "{ ID 7 Name \"User seven\" { Pch 64 } { Pch 59 } }");
  util.Ecrit("c.nck", "{ ID 5 { Pch 52 } }");

  char avant[kTailleCheminUnix], apres[kTailleCheminUnix];
  ASSERT_EQ(GetNomCheminCourant(avant), noErr);
  PathNecks = Dossier(app.chemin);
  PathUserNecks = Dossier(util.chemin);
  InitTabNeck();
  ASSERT_EQ(GetNomCheminCourant(apres), noErr);
  EXPECT_STREQ(apres, avant);

  // The user's necks first, then the application's, each by id; a user neck
  // with an application neck's id is kept beside it and found first.
  ASSERT_EQ(Ids(), (std::vector<int32_t>{5, 7, 0, 3, 7, 11}));
  EXPECT_STREQ(Entree(1).nom, "User seven");
  EXPECT_EQ(Entree(1).source, kNeckUtilisateur);
  EXPECT_STREQ(Entree(4).nom, "App seven");
  EXPECT_EQ(Entree(4).source, kNeckApplication);
  EXPECT_EQ(RechercheIndexNeck(7), 1);
  EXPECT_EQ(GetNbCordesNeck(7), 2);
  EXPECT_EQ(RechercheIndexNeck(99), -1);
  EXPECT_EQ(GetNbCordesNeck(99), -1);

  const Neck nu = Entree(2);  // no braces: id 0, named after its file
  EXPECT_STREQ(nu.nom, "bare");
  EXPECT_STREQ(nu.nomFR, "bare");
  EXPECT_EQ(nu.nbCordes, 0);
  EXPECT_STREQ(Entree(0).nom, "c");

  const Neck deux = Entree(3);
  EXPECT_STREQ(deux.nom, "Two parts");
  EXPECT_STREQ(deux.nomFR, "En deux");
  EXPECT_EQ(deux.transpose, 300 & 0xFF);
  EXPECT_EQ(deux.mode, 2);
  ASSERT_EQ(deux.nbCordes, 1);
  EXPECT_EQ(deux.cordes[0].hauteur, 50);
  EXPECT_EQ(deux.cordes[0].nbCases, 0);
  EXPECT_EQ(deux.cordes[0].premiereCase, 2);

  const Neck seize = Entree(5);  // the seventeenth string is dropped
  EXPECT_EQ(seize.nbCordes, kMaxCordesNeck);
  EXPECT_EQ(seize.cordes[15].hauteur, 55);

  // The application's necks are searched first, then the user's.
  const int16_t mi[] = {40}, deuxCordes[] = {52, 47};
  EXPECT_EQ(RechercheNeckSelonAccordage(1, mi), 7);
  EXPECT_EQ(RechercheNeckSelonAccordageSelonMode(1, mi, kNeckUtilisateur), 5);
  EXPECT_EQ(RechercheNeckSelonAccordage(2, deuxCordes), 7);
  EXPECT_EQ(RechercheNeckSelonAccordageSelonMode(2, deuxCordes, kNeckApplication), kNeckPersonnalise);
  EXPECT_EQ(RechercheNeckSelonAccordage(0, nullptr), 0);
  EXPECT_EQ(RechercheNeckSelonAccordage(1, nullptr), kNeckPersonnalise);
  EXPECT_EQ(RechercheNeckSelonAccordage(-1, mi), kNeckPersonnalise);

  FixeNeckPresent(7, 1);
  FixeNeckPresent(99, 1);
  EXPECT_EQ(Entree(1).present, 1);
  EXPECT_EQ(Entree(4).present, 0);

  // Rebuilding starts over; a folder that is not set adds nothing, even
  // when the current folder holds neck files.
  PathUserNecks = CheminVol{0, 0};
  InitTabNeck();
  EXPECT_EQ(Ids(), (std::vector<int32_t>{0, 3, 7, 11}));
  PathNecks = CheminVol{0, 0};
  ASSERT_EQ(FixeVolPath(kVolumeRacine, Dossier(app.chemin).dir), noErr);
  InitTabNeck();
  EXPECT_EQ(GetNbNecks(), 0);
  FixeVolPath(kVolumeRacine, PlatformDirIDForPath(avant));
}

namespace {

// A neck as documents store it, big-endian.
struct NeckStocke {
  std::string octets;
  NeckStocke& Long(int32_t v) {
    for (int s = 24; s >= 0; s -= 8) octets.push_back(char(uint32_t(v) >> s));
    return *this;
  }
  NeckStocke& Court(int16_t v) {
    octets.push_back(char(uint16_t(v) >> 8));
    octets.push_back(char(v));
    return *this;
  }
  NeckStocke& Octet(int v) {
    octets.push_back(char(v));
    return *this;
  }
  NeckStocke& Chaine(const std::string& s) {
    octets.push_back(char(s.size()));
    octets += s;
    return *this;
  }
  // Id, presence 1, names, transposition, mode, strings.
  static NeckStocke Complet(int32_t id, const std::string& nom, int16_t nbCordes, int triples) {
    NeckStocke n;
    n.Long(id)
        .Octet(1)
        .Chaine(nom)
        .Chaine("comment")
        .Chaine(nom + " FR")
        .Chaine("")
        .Court(0x1FE)
        .Court(3)
        .Court(nbCordes);
    for (int i = 0; i < triples; i++) n.Court(int16_t(30 + i)).Court(20).Court(int16_t(i % 3));
    return n;
  }
};

class NecksDocument : public TableNecks {
 protected:
  std::string octets;
  void Lit(const std::string& s) {
    octets = s;
    FixeLectureSurPtr(octets.data(), uint32_t(octets.size()));
  }
  void TearDown() override {
    TermineSurPtr();
    TableNecks::TearDown();
  }
};

}  // namespace

TEST_F(NecksDocument, NecksStoredInDocuments) {
  DossierTemp app;
  app.Ecrit("a.nck", "{ ID 42 Name \"From the folder\" }");
  PathNecks = Dossier(app.chemin);
  InitTabNeck();

  // A document neck sorts before the application's, even with a larger id.
  Lit(NeckStocke::Complet(50, "Doc", 2, 2).Octet('Z').octets);
  EXPECT_EQ(ReadNeck(), 50);
  EXPECT_EQ(ReadCar(), 'Z');
  ASSERT_EQ(Ids(), (std::vector<int32_t>{50, 42}));
  const Neck n = Entree(0);
  EXPECT_EQ(n.source, kNeckUtilisateur);
  EXPECT_EQ(n.present, 0);
  EXPECT_STREQ(n.nom, "Doc");
  EXPECT_STREQ(n.commentaire, "comment");
  EXPECT_STREQ(n.nomFR, "Doc FR");
  EXPECT_EQ(n.transpose, 0xFE);
  EXPECT_EQ(n.mode, 3);
  ASSERT_EQ(n.nbCordes, 2);
  EXPECT_EQ(n.cordes[1].hauteur, 31);
  EXPECT_EQ(n.cordes[1].nbCases, 20);
  EXPECT_EQ(n.cordes[1].premiereCase, 1);

  struct Cas {
    const char* quoi;
    std::string octets;
    int32_t resultat;
    std::vector<int32_t> ids;  // the table afterwards
    int16_t cordes;            // of the first entry
  } cas[] = {
      {"piano keyboard", NeckStocke().Long(kNeckPiano).Octet(0).octets, 0, {50, 42}, 2},
      {"no data", NeckStocke().Long(8).Octet(2).octets, 8, {50, 42}, 2},
      {"known id", NeckStocke::Complet(42, "Other", 5, 5).octets, 42, {50, 42}, 2},
      {"seventeen strings", NeckStocke::Complet(9, "Many", 17, 17).octets, 9, {9, 50, 42}, 16},
      {"negative count", NeckStocke::Complet(8, "None", -3, 0).octets, 8, {8, 9, 50, 42}, 0},
  };
  for (const Cas& c : cas) {
    Lit(c.octets + "Z");
    EXPECT_EQ(ReadNeck(), c.resultat) << c.quoi;
    EXPECT_EQ(ReadCar(), 'Z') << c.quoi;
    EXPECT_EQ(Ids(), c.ids) << c.quoi;
    EXPECT_EQ(Entree(0).nbCordes, c.cordes) << c.quoi;
  }
  EXPECT_STREQ(Entree(RechercheIndexNeck(42)).nom, "From the folder");
  EXPECT_EQ(Entree(RechercheIndexNeck(9)).cordes[15].hauteur, 45);

  // Damaged necks are not kept: a count the stream cannot hold, a neck cut short.
  const std::string entier = NeckStocke::Complet(60, "Cut", 3, 3).octets;
  for (size_t n = 5; n < entier.size(); n++) {
    Lit(entier.substr(0, n));
    ReadNeck();
    EXPECT_EQ(RechercheIndexNeck(60), -1) << n;
  }
  Lit(NeckStocke::Complet(61, "Huge", 30000, 2).octets);
  ReadNeck();
  EXPECT_NE(EndOfFile(), 0);
  EXPECT_EQ(RechercheIndexNeck(61), -1);
}

namespace {

int32_t gNecksVus = -1;

// Loads necks the way a document would, after noting what the request found.
int16_t ChargeurAvecNeck(Document*, int32_t) {
  gNecksVus = GetNbNecks();
  static std::string octets;
  octets = NeckStocke::Complet(77, "Doc", 1, 1).octets;
  FixeLectureSurPtr(octets.data(), uint32_t(octets.size()));
  ReadNeck();
  TermineSurPtr();
  return 0;
}

}  // namespace

// One document's necks never reach the next request.
TEST_F(TableNecks, EachRequestStartsWithoutTheLastDocumentsNecks) {
  SetChargeurDocumentTest(ChargeurAvecNeck);
  DossierTemp dossier;
  const std::string chemin = dossier.Ecrit("a.tst", "x");
  for (int requete = 0; requete < 2; requete++) {
    Rect page = {0, 0, 0, 0};
    uint16_t pages = 0;
    DisposeDocument(LoadDocument(chemin.c_str(), &page, &pages, nullptr));
    EXPECT_EQ(gNecksVus, 0) << requete;
    EXPECT_EQ(GetNbNecks(), 1) << requete;
  }
  SetChargeurDocumentTest(nullptr);
}
