#pragma once
// A MusicXML import run stage by stage, so that tests can look at the staff
// and instrument registries, the bar-numbering records and the note
// attributes that the driver frees at its end.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "import/MusicXML.h"
#include "import/XMLBrowser.h"
#include "import/XMLHarmonies.h"
#include "import/XMLMusicFrame.h"
#include "import/XMLNotes.h"
#include "import/XMLPagination.h"
#include "import/XMLPortees.h"
#include "model/Document.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/QRVPOBJ.h"
#include "model/Vues.h"
#include "platform/Memory.h"

namespace tamrel_test {

class ImportXML {
 public:
  // Parses the text and makes the staves (the registries stay).
  explicit ImportXML(const std::string& xml) {
    // The registries are process globals: an import still alive in the test
    // has read its notes already and gives them up.
    XMLDisposeInstrumentReg();
    XMLDisposePorteeReg();
    doc = reinterpret_cast<Document*>(NewPtrClear(sizeof(Document)));
    doc->indexPartitionCourante = -1;
    doc->indexVueCourante = -1;
    CreePartitionVide(doc);
    Handle h = NewHandle(Size(xml.size()));
    std::memcpy(*h, xml.data(), xml.size());
    char err[kXMLErrTextSize] = {};
    tree = BrowseXMLFile(h, nullptr, err, 1);
    DisposeHandle(h);
    EXPECT_NE(tree, nullptr) << err;
    XMLClearAppearance();
    XMLClearPagination(doc);
    XMLGetInfos(tree, doc);
    XMLGetScaling(tree);
    records = XMLCreePortees(tree, doc);
  }
  ~ImportXML() {
    XMLDisposeInstrumentReg();
    XMLDisposePorteeReg();
    XMLDisposeJumpDict();
    XMLDisposeHarmonies();
    XMLClearPagination(nullptr);
    XMLBrowserDispose(tree);
    if (records) DisposeHandle(records);
    while (doc->nbPartitions > 0) SupprimePartition(doc, doc->partitions[0]);
    DisposeVuesDocument(doc);
    DisposePtr(reinterpret_cast<Ptr>(doc));
  }
  ImportXML(const ImportXML&) = delete;
  ImportXML& operator=(const ImportXML&) = delete;

  uint8_t Squelette() { return XMLCreateMusicFrame(tree, doc, records); }
  // The skeleton, then the notes pass with its closing steps.
  uint8_t Notes() {
    if (!Squelette()) return 0;
    XMLAddNotes(tree, doc, records);
    return 1;
  }
  Partition** Score() const { return doc->partitionCourante; }
  int16_t NbPortees() const { return (*Score())->nbPortees; }
  Portee** Staff(int16_t i) const { return GetPorteeIndex(Score(), i); }
  int32_t NbRecords() const { return XMLNbNumerosMesure(records); }
  std::string NumeroRecord(int32_t i) const {
    return i < NbRecords() ? std::string(*records + i * kTailleNumeroMesure) : std::string("?");
  }

  Document* doc = nullptr;
  XMLRootElt* tree = nullptr;
  Handle records = nullptr;
};

// A partwise document from a part list and parts.
inline std::string Partwise(const std::string& partList, const std::string& parts) {
  return "<score-partwise><part-list>" + partList + "</part-list>" + parts + "</score-partwise>";
}
inline std::string ScorePart(const std::string& id, const std::string& name, const std::string& more = "") {
  return "<score-part id=\"" + id + "\"><part-name>" + name + "</part-name>" + more + "</score-part>";
}
inline std::string Part(const std::string& id, const std::string& measures) {
  return "<part id=\"" + id + "\">" + measures + "</part>";
}
inline std::string Measure(const std::string& number, const std::string& content) {
  return "<measure number=\"" + number + "\">" + content + "</measure>";
}
// A pitched note: step, octave, divisions, then any further children.
inline std::string Hauteur(const std::string& step, int octave, int duration, const std::string& more = "",
                           const std::string& alter = "") {
  return "<note><pitch><step>" + step + "</step>" + (alter.empty() ? "" : "<alter>" + alter + "</alter>") + "<octave>" +
         std::to_string(octave) + "</octave></pitch><duration>" + std::to_string(duration) + "</duration>" + more +
         "</note>";
}
// A note of a step in octave 4 lasting `duration` divisions.
inline std::string Note(int duration, const std::string& more = "") {
  return "<note><pitch><step>C</step><octave>4</octave></pitch><duration>" + std::to_string(duration) + "</duration>" +
         more + "</note>";
}

}  // namespace tamrel_test
