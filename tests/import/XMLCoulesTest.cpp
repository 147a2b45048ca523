// The import shapes the slurs it loads, then leaves the shaping preference
// as it found it.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "import/MusicXML.h"
#include "model/Document.h"
#include "model/Partition.h"
#include "model/QRVPOBJ.h"
#include "model/QrvLiaison.h"
#include "model/Vues.h"
#include "platform/Memory.h"
#include "plugin/Preferences.h"

namespace {

void Libere(Document* doc) {
  while (doc->nbPartitions > 0) SupprimePartition(doc, doc->partitions[0]);
  DisposeVuesDocument(doc);
  DisposePtr(reinterpret_cast<Ptr>(doc));
}

TEST(MusicXMLSlurs, LoadedSlursAreShaped) {
  std::string notes;
  const char* steps = "CEGE";
  for (int k = 0; k < 4; k++) {
    notes += "<note><pitch><step>" + std::string(1, steps[k]) +
             "</step><octave>5</octave></pitch><duration>1</duration><type>quarter</type>";
    if (k == 0) notes += "<notations><slur type=\"start\" number=\"1\" placement=\"above\"/></notations>";
    if (k == 3) notes += "<notations><slur type=\"stop\" number=\"1\"/></notations>";
    notes += "</note>";
  }
  const std::string xml =
      "<score-partwise><part-list><score-part id=\"P\"><part-name>P</part-name></score-part></part-list>"
      "<part id=\"P\"><measure number=\"1\"><attributes><divisions>1</divisions><time><beats>4</beats>"
      "<beat-type>4</beat-type></time><clef><sign>G</sign><line>2</line></clef></attributes>" +
      notes + "</measure></part></score-partwise>";
  std::unique_ptr<Document, void (*)(Document*)> owner(reinterpret_cast<Document*>(NewPtrClear(sizeof(Document))),
                                                       Libere);
  Document* doc = owner.get();
  ASSERT_NE(doc, nullptr);
  Handle h = NewHandle(Size(xml.size()));
  std::memcpy(*h, xml.data(), xml.size());
  pref.formeAutoCoules = 0;
  ASSERT_EQ(ChargeMusiqueXML(doc, h, 0, 0), 1);
  DisposeHandle(h);
  EXPECT_EQ(pref.formeAutoCoules, 0);
  Portee** staff = GetPorteeIndex(doc->partitionCourante, 0);
  ASSERT_NE(staff, nullptr);
  DataLiaison d{};
  int32_t debut = -1;
  for (int32_t i = 0; i < (*staff)->nbNotes && debut < 0; i++)
    if (GetDataLiaisonNote(staff, i, &d)) debut = i;
  ASSERT_GE(debut, 0);
  // A new slur's default start offset is 6 points; a shaped one stands 0, 4,
  // 7 or 9 points off its note.
  const int dx = int8_t(d.forme[kFormeLiaisonDebutDx]);
  EXPECT_TRUE(dx == 0 || dx == 4 || dx == 7 || dx == 9) << dx;
}

}  // namespace
