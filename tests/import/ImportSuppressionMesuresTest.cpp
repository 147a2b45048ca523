// Imported scores keep the model's rules after bars are deleted from them:
// the importer's own deletions (the fresh score's bars) and then a range in
// the middle, the first bar and every bar left.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "model/DeleteMesures.h"
#include "model/Document.h"
#include "model/Partition.h"
#include "plugin/PiloteRequete.h"
#include "support/CoherenceModele.h"
#include "support/DataFiles.h"

namespace {

std::string Defauts(Document* doc) {
  std::string s;
  for (const std::string& l : VerifieCoherenceDocument(doc)) s += l + "\n";
  return s;
}

TEST(ImportSuppressionMesures, ImportedScoresStayWholeAsBarsGo) {
  // Every MusicXML fixture of the folder, in name order.
  std::vector<std::string> fichiers;
  for (const auto& e : std::filesystem::directory_iterator(std::string(TAMREL_TEST_DATA) + "/musicxml")) {
    const std::string ext = e.path().extension().string();
    if (ext == ".xml" || ext == ".mxl") fichiers.push_back(e.path().filename().string());
  }
  std::sort(fichiers.begin(), fichiers.end());
  ASSERT_GE(fichiers.size(), 10u);
  for (const std::string& f : fichiers) {
    SCOPED_TRACE(f);
    const std::string chemin = std::string(TAMREL_TEST_DATA) + "/musicxml/" + f;
    Rect page{};
    uint16_t pages = 0;
    char nom[kTailleNomDocument];
    Document* doc = LoadDocument(chemin.c_str(), &page, &pages, nom);
    ASSERT_NE(doc, nullptr);
    Partition** score = doc->partitionCourante;
    EXPECT_EQ(Defauts(doc), "") << "as imported";
    const int16_t n = (*score)->nbMesures;
    struct Pas {
      int16_t at, count;
    };
    for (const Pas& p : {Pas{1, 2}, Pas{0, 1}, Pas{0, 8000}}) {
      const int16_t avant = (*score)->nbMesures;
      DoDeleteMesures(score, p.at, p.count, true, true, kDeleteTout, true);
      const int16_t parti = avant > p.at ? int16_t(std::min<int>(p.count, avant - p.at)) : 0;
      // The last bar never goes: a score keeps one.
      EXPECT_EQ((*score)->nbMesures, std::max<int>(1, avant - parti)) << "from bar " << p.at << " of " << n;
      EXPECT_EQ(Defauts(doc), "") << "after deleting from bar " << p.at;
    }
    DisposeDocument(doc);
  }
}

}  // namespace
