// Imported scores keep the model's rules after bars are deleted from them:
// the importer's own deletions (the fresh score's bars) and then a range in
// the middle, the first bar and every bar left.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

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
  for (const char* f : {"01a-Pitches-Pitches.xml", "02a-Rests-Durations.xml", "11a-TimeSignatures.xml",
                        "21a-Chord-Basic.xml", "23a-Tuplets.xml", "13a-KeySignatures.xml", "22a-Noteheads.xml",
                        "33a-Spanners.xml", "41a-MultiParts-Partorder.xml", "43a-PianoStaff.xml",
                        "45a-SimpleRepeat.xml", "46a-Barlines.xml", "90a-Compressed-MusicXML.mxl"}) {
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
