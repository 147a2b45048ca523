// Guitar-tablature text import: string blocks, bars, repeats, notes and their
// techniques, the meter chosen by scoring and the notes' ticks, tuning, neck,
// instrument, commands and lyrics; hostile texts end cleanly.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "import/ImportTAB.h"
#include "import/TABInterne.h"
#include "layout/MiseEnPage.h"
#include "layout/ModesEcran.h"
#include "layout/ServicesMiseEnPage.h"
#include "model/CvtTemps.h"
#include "model/Document.h"
#include "model/ParamEffet.h"
#include "model/Partition.h"
#include "model/QRVPOBJ.h"
#include "model/QrvText.h"
#include "model/Ruptures.h"
#include "model/Signe.h"
#include "model/TabEltMesure.h"
#include "model/Vues.h"
#include "platform/Files.h"
#include "plugin/Necks.h"
#include "sound/SINSTRUM.h"
#include "stafftypes/DonneesLigneTexte.h"
#include "stafftypes/DonneesTablature.h"
#include "stafftypes/ServicesTypesPortee.h"
#include "support/TestPaths.h"
#include "system/Dossiers.h"
#include "system/Handles.h"

namespace {

// The bundle's necks, as the request driver loads them for a tablature.
class NecksBundle : public ::testing::Environment {
 public:
  void SetUp() override {
    PathNecks = CheminVol{kVolumeRacine, PlatformDirIDForPath((tamrel_test::BundlePath() + "/Resources").c_str())};
    InitTabNeck();
  }
  void TearDown() override {
    LibereTabNeck();
    PathNecks = CheminVol{0, 0};
  }
};
const auto* const necks = ::testing::AddGlobalTestEnvironment(new NecksBundle);

// A document prepared as the request driver prepares it, with the text imported.
struct DocumentTAB {
  Document* doc = nullptr;
  int16_t resultat = 0;

  explicit DocumentTAB(const std::string& texte, const char* nom = "a.tab") {
    doc = reinterpret_cast<Document*>(NewPtrClear(Size(sizeof(Document))));
    doc->indexPartitionCourante = -1;
    doc->indexVueCourante = -1;
    std::snprintf(doc->nomFichier, sizeof doc->nomFichier, "%s", nom);
    Partition** score = CreePartitionVide(doc);
    CreePorteeVide(score, 0, 1, 1);
    FixeMiseEnPageStandardDocument(doc);
    SetModeEcran(score, kModeEcranRuban);
    resultat = ChargeMusiqueTABOctets(doc, reinterpret_cast<const uint8_t*>(texte.data()), texte.size());
  }
  ~DocumentTAB() {
    while (doc->nbPartitions > 0) SupprimePartition(doc, doc->partitions[doc->nbPartitions - 1]);
    DisposeVuesDocument(doc);
    DisposePtr(reinterpret_cast<Ptr>(doc));
  }
  DocumentTAB(const DocumentTAB&) = delete;
  DocumentTAB& operator=(const DocumentTAB&) = delete;

  Partition** Score() const { return doc->partitionCourante; }
  Portee** Staff() const { return Score() && (*Score())->nbPortees > 0 ? (*Score())->portees[0] : nullptr; }
  Tablature** Tab() const { return GetTablature(Staff()); }

  // Notes as "tick:pitch/length" ("+" joins a chord's notes), rests left out.
  std::string Notes() const {
    std::string s;
    int32_t n;
    const Signe* sg = GetSignesPortee(Staff(), &n);
    for (int32_t i = 0; i < n; i++) {
      if (sg[i].kind < 0) continue;
      char b[64];
      std::snprintf(b, sizeof b, "%d:%d/%d", int(CvtIndexNoteEnTemps(Staff(), i)), int(sg[i].kind), int(sg[i].duree));
      if (!s.empty()) s += (i > 0 && (sg[i - 1].flags & kSigneAccordSuite)) ? "+" : " ";
      s += b;
    }
    return s;
  }
  // Notes as "string.fret" with their mark codes ("0.3[1,4]").
  std::string Cases() const {
    std::string s;
    int32_t n;
    GetSignesPortee(Staff(), &n);
    for (int32_t i = 0; i < n; i++) {
      const Signe& g = GetSignesPortee(Staff(), &n)[i];
      if (g.kind < 0) continue;
      if (!s.empty()) s += " ";
      s += std::to_string(g.tablatureCorde) + "." + std::to_string(g.tablatureCase);
      const ParamEffet* e = GetParamEffetIndexNote(Staff(), i);
      if (e && e->marks && GetNbMarks(e->marks) > 0) {
        s += "[";
        for (int16_t k = 0; k < GetNbMarks(e->marks); k++)
          s += (k ? "," : "") + std::to_string(reinterpret_cast<const Mark*>(*e->marks)[k].code);
        s += "]";
      }
    }
    return s;
  }
  std::string Accordage() const {
    std::string s;
    for (int i = 0; i < (*Tab())->nbCordes; i++) s += (i ? " " : "") + std::to_string((*Tab())->cordes[i].valeurs[0]);
    return s;
  }
  std::string Mesure() const {
    DivisionTemporelle d;
    CvtMesureEnDivisionTemporelle(Score(), 0, &d);
    return std::to_string(d.numerateur) + "/" + std::to_string(d.denominateur);
  }
  const Instrument* Son() const { return GetInstrument(Score(), (*Staff())->instrument); }
};

std::string Bloc(const std::vector<std::string>& lignes) {
  std::string s;
  for (const std::string& l : lignes) s += l + "\n";
  return s;
}

const std::string kSixCordes =
    Bloc({"e|-0-------|", "B|---1-----|", "G|-----2---|", "D|-------2-|", "A|---------|", "E|---------|"});

}  // namespace

TEST(TABImport, BundledExample) {
  std::string texte;
  FILE* f = std::fopen((std::string(TAMREL_TEST_DATA) + "/../../examples/morning-steps.tab").c_str(), "rb");
  ASSERT_NE(f, nullptr);
  char b[4096];
  size_t n;
  while ((n = std::fread(b, 1, sizeof b, f)) > 0) texte.append(b, n);
  std::fclose(f);
  DocumentTAB d(texte);
  ASSERT_EQ(d.resultat, 1);
  std::printf("%s\n%s\n%s %s\n", d.Notes().c_str(), d.Cases().c_str(), d.Mesure().c_str(), d.Accordage().c_str());
}
