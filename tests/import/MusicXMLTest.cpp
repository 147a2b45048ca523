// The import driver's own rules: probes, settings put back on every exit,
// bar-numbering records, the transposition split.
#include "import/MusicXML.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "layout/DonneesMiseEnPage.h"
#include "layout/MiseEnPage.h"
#include "layout/ServicesMiseEnPage.h"
#include "model/Document.h"
#include "model/Partition.h"
#include "model/PreservePositions.h"
#include "model/QRVPOBJ.h"
#include "model/Vues.h"
#include "platform/DateTime.h"
#include "platform/Memory.h"
#include "plugin/PiloteRequete.h"
#include "support/DataFiles.h"
#include "system/PortLayer.h"
#include "system/QrvFiles.h"

namespace {

TEST(MusicXMLProbes, ByExtensionWithoutCase) {
  struct {
    const char* path;
    bool xml, mxl, xmz;
  } cases[] = {
      {"a/Song.xml", true, false, false},    {"Song.MusicXML", true, false, false},
      {"Song.XML", true, false, false},      {"Song.xml.bak", false, false, false},
      {"Song.mxl", false, true, false},      {"/x/Song.MXL", false, true, false},
      {"Song.xmz", false, false, true},      {"Song", false, false, false},
      {"dir.xml/Song", false, false, false}, {"Song.", false, false, false},
      {".xml", true, false, false},          {"Song.xmlx", false, false, false},
  };
  for (auto& c : cases) {
    EXPECT_EQ(IsFichierXML(c.path), c.xml) << c.path;
    EXPECT_EQ(IsFichierMXL(c.path), c.mxl) << c.path;
    EXPECT_EQ(IsFichierXMLCompresse(c.path), c.xmz) << c.path;
  }
  EXPECT_FALSE(IsFichierXML(nullptr));
}

TEST(MusicXMLDriver, TranspositionSplit) {
  struct {
    int16_t shift, octaves, semitones;
  } cases[] = {{-13, -1, -1}, {24, 2, 0},     {12, 1, 0}, {11, 0, 11}, {-11, 0, -11},
               {-12, -1, 0},  {-23, -1, -11}, {25, 2, 1}, {0, 0, 0},   {-32768, -2730, -8}};
  for (auto& c : cases) {
    int16_t o = 99, s = 99;
    XMLSepareTransposition(c.shift, &o, &s);
    EXPECT_EQ(o, c.octaves) << c.shift;
    EXPECT_EQ(s, c.semitones) << c.shift;
  }
}

TEST(MusicXMLDriver, BarNumbersBecomeCollectionItems) {
  Handle names = NewHandleClear(3 * kTailleNumeroMesure);
  for (int i = 0; i < 3; i++) std::snprintf(*names + i * kTailleNumeroMesure, kTailleNumeroMesure, "bar %d", i + 1);
  SetHandleSize(names, 3 * kTailleNumeroMesure + 7);  // a partial record is not stored
  Collection c = NewCollection();
  XMLStockeNumerosMesure(c, names);
  EXPECT_EQ(CountCollectionItems(c), 3);
  char rec[kTailleNumeroMesure];
  int32_t size = sizeof rec;
  ASSERT_EQ(GetCollectionItem(c, FourCC("bnum"), 2, &size, rec), noErr);
  EXPECT_EQ(size, kTailleNumeroMesure);
  EXPECT_STREQ(rec, "bar 3");
  XMLStockeNumerosMesure(nullptr, names);
  XMLStockeNumerosMesure(c, nullptr);
  DisposeCollection(c);
  DisposeHandle(names);
}

// Two settings of other subsystems, as their owners would install them.
int gPreference = 0;
int gPreserve = 1;
int gForced = 0;
CGrafPtr gPortDuringImport = nullptr;
intptr_t SauvePreference() { return gPreference; }
void ForcePreference() {
  gPreference = 1;
  gForced++;
  gPortDuringImport = CarboniseGetCurrentPort();
}
void RestaurePreference(intptr_t v) { gPreference = static_cast<int>(v); }
intptr_t SauvePreserve() { return gPreserve; }
void ForcePreserve() { gPreserve = 0; }
void RestaurePreserve(intptr_t v) { gPreserve = static_cast<int>(v); }

// What document disposal frees of a document an import filled.
void FreeDocument(Document* doc) {
  while (doc->nbPartitions > 0) SupprimePartition(doc, doc->partitions[0]);
  DisposeVuesDocument(doc);
  DisposePtr(reinterpret_cast<Ptr>(doc));
}

Handle Text(const char* s) {
  Handle h = NewHandle(static_cast<Size>(std::strlen(s)));
  std::memcpy(*h, s, std::strlen(s));
  return h;
}

TEST(MusicXMLDriver, SettingsComeBackOnEveryExit) {
  XMLRetireReglagesImport();
  ASSERT_TRUE(XMLInstalleReglageImport({SauvePreference, ForcePreference, RestaurePreference}));
  ASSERT_TRUE(XMLInstalleReglageImport({SauvePreserve, ForcePreserve, RestaurePreserve}));
  ASSERT_TRUE(XMLInstalleReglageImport({SauvePreserve, ForcePreserve, RestaurePreserve}));  // once only
  EXPECT_FALSE(XMLInstalleReglageImport({SauvePreserve, nullptr, RestaurePreserve}));

  Document* doc = reinterpret_cast<Document*>(NewPtrClear(sizeof(Document)));
  ASSERT_NE(doc, nullptr);
  struct {
    const char* text;
    uint8_t skeleton;
    uint8_t expected;
  } cases[] = {
      {"<score-partwise><part-list/></score-partwise>", 0, 1},
      {"<score-partwise><part-list/></score-partwise>", 1, 1},
      {"<score-partwise><part-list></score-partwise>", 0, 0},  // does not parse
      {"", 0, 0},
  };
  CGrafPtr start;
  RozoGetPortOffscreen(&start);
  Offscreen caller = RozoCreatePortOffscreen(8, 8, 32);
  ASSERT_NE(caller, nullptr);
  for (auto& c : cases) {
    RozoSetPortOffscreen(caller);
    gPreference = 7;
    gPreserve = 1;
    SetIsPreserveObjects(1);
    Handle h = Text(c.text);
    gForced = 0;
    EXPECT_EQ(ChargeMusiqueXML(doc, h, 1, c.skeleton), c.expected) << c.text;
    EXPECT_EQ(gForced, 1) << c.text;
    EXPECT_EQ(gPortDuringImport, portTravail) << c.text;
    EXPECT_EQ(CarboniseGetCurrentPort(), caller) << c.text;
    DisposeHandle(h);
    EXPECT_EQ(gPreference, 7) << c.text;
    EXPECT_EQ(gPreserve, 1) << c.text;
    EXPECT_EQ(GetIsPreserveObjects(), 1) << c.text;
  }
  // No text and no open file: nothing to read.
  EXPECT_EQ(ChargeMusiqueXML(doc, nullptr, 1, 0), 0);
  EXPECT_EQ(gPreference, 7);
  EXPECT_EQ(ChargeMusiqueXML(nullptr, nullptr, 1, 0), 0);
  XMLRetireReglagesImport();
  RozoSetPortOffscreen(start);
  RozoClosePortOffscreen(caller);
  FreeDocument(doc);
}

// The document the import starts from: dated, no view, no titles, a current
// score at tempo 80; read from the stream's open file when no text is given.
TEST(MusicXMLDriver, PreparesTheDocumentAndReadsTheOpenFile) {
  const std::string path = tamrel_test::DataPath("musicxml/01a-Pitches-Pitches.xml");
  ASSERT_TRUE(tamrel_test::HasData("musicxml/01a-Pitches-Pitches.xml"));
  // Freed however the test ends, an early ASSERT included.
  std::unique_ptr<Document, void (*)(Document*)> owner(reinterpret_cast<Document*>(NewPtrClear(sizeof(Document))),
                                                       [](Document* d) { FreeDocument(d); });
  Document* doc = owner.get();
  ASSERT_NE(doc, nullptr);
  doc->indexVueCourante = 3;
  doc->porteesCachees = 1;
  std::strcpy(doc->titres[1].texte, "old title");
  ASSERT_EQ(OrvantaOpenFile(path.c_str(), "rb"), 1);
  SetFixedDateTime(3900000000u);
  EXPECT_EQ(ChargeMusiqueXML(doc, nullptr, 1, 0), 1);
  CloseFile();
  UseRealDateTime();
  ASSERT_NE(doc->partitionCourante, nullptr);
  EXPECT_EQ((*doc->partitionCourante)->tempo, 80);
  EXPECT_EQ(doc->indexVueCourante, -1);
  EXPECT_EQ(doc->porteesCachees, 0);
  EXPECT_EQ(doc->titres[1].texte[0], 0);
  for (int i = 0; i < 3; i++) EXPECT_EQ(doc->dates[i], 3900000000u);
  EXPECT_EQ(doc->regle, 1);
  // Bar numbers (one per measure of the file) go to the score's collection.
  ASSERT_NE((*doc->partitionCourante)->collections[0], nullptr);
  EXPECT_EQ(CountCollectionItems((*doc->partitionCourante)->collections[0]), 28);
  // A second import keeps the score it finds.
  Partition** score = doc->partitionCourante;
  Handle h = Text("<score-partwise/>");
  EXPECT_EQ(ChargeMusiqueXML(doc, h, 0, 0), 1);
  DisposeHandle(h);
  EXPECT_EQ(doc->partitionCourante, score);
  EXPECT_EQ(doc->nbPartitions, 1);
}

// A score of `bars` bars of four quarter notes, with a new page after each bar
// listed (the file's bar numbers start at 1).
std::string PagesDemandees(int bars, const std::vector<int>& newPages) {
  std::string m;
  for (int b = 1; b <= bars; b++) {
    m += "<measure number=\"" + std::to_string(b) + "\">";
    if (b == 1)
      m += "<attributes><divisions>1</divisions><time><beats>4</beats><beat-type>4</beat-type></time>"
           "<clef><sign>G</sign><line>2</line></clef></attributes>";
    for (int p : newPages)
      if (p + 1 == b) m += "<print new-page=\"yes\"/>";
    for (int n = 0; n < 4; n++)
      m += "<note><pitch><step>" + std::string(1, "CDEFGAB"[(b + n) % 7]) +
           "</step><octave>5</octave></pitch><duration>1</duration><type>quarter</type></note>";
    m += "</measure>";
  }
  return "<score-partwise><part-list><score-part id=\"P\"><part-name>P</part-name></score-part>"
         "</part-list><part id=\"P\">" +
         m + "</part></score-partwise>";
}

// The page count a file asks for (one more than its new-page marks) is what it
// lays out on, as far as the page scale (0.3 .. 1.0) can take it; without a
// mark, or without the refit, the file's scale stays.
TEST(MusicXMLDriver, RefittedToThePagesTheFileAsks) {
  std::vector<int> chaqueMesure;
  for (int b = 1; b < 1000; b++) chaqueMesure.push_back(b);
  struct {
    int bars;
    std::vector<int> newPages;
    uint8_t refit;
    int16_t pages;  // -1: as laid out at the file's scale
    bool scaled;
  } cases[] = {
      {200, {2}, 1, 2, true},                // more than two pages at the file's scale: shrunk to two
      {200, {2}, 0, -1, false},              // not asked
      {200, {}, 1, -1, false},               // one page asked: never refitted
      {6, {1, 3}, 1, 3, false},              // three pages, laid out on three already
      {1000, chaqueMesure, 1, 1000, false},  // a thousand pages asked: laid out as the file breaks them
  };
  for (auto& c : cases) {
    std::unique_ptr<Document, void (*)(Document*)> owner(reinterpret_cast<Document*>(NewPtrClear(sizeof(Document))),
                                                         [](Document* d) { FreeDocument(d); });
    Document* doc = owner.get();
    FixeMiseEnPageStandardDocument(doc);
    const std::string xml = PagesDemandees(c.bars, c.newPages);
    Handle h = Text(xml.c_str());
    ASSERT_EQ(ChargeMusiqueXML(doc, h, c.refit, 0), 1);
    DisposeHandle(h);
    const int16_t pages = CombienDePages(doc->partitionCourante);
    SCOPED_TRACE(testing::Message() << c.bars << " bars, refit " << int(c.refit) << ", " << pages << " pages");
    if (c.pages > 0) {
      EXPECT_EQ(pages, c.pages);
    }
    if (c.scaled) {
      EXPECT_LT(doc->misesEnPage[0].echelle, 0.6f);
      EXPECT_GE(doc->misesEnPage[0].echelle, 0.3f);
    } else {
      EXPECT_FLOAT_EQ(doc->misesEnPage[0].echelle, 0.6f);
      EXPECT_GT(pages, c.newPages.size());
    }
  }
}

// A one-bar file whose defaults hold the given page layout (0.1 mm a tenth).
std::string PageDuFichier(const std::string& layout) {
  return "<score-partwise><defaults><scaling><millimeters>4</millimeters><tenths>40</tenths></scaling>" + layout +
         "</defaults><part-list><score-part id=\"P\"><part-name>P</part-name></score-part></part-list>"
         "<part id=\"P\"><measure number=\"1\"><attributes><divisions>1</divisions><time><beats>4</beats>"
         "<beat-type>4</beat-type></time><clef><sign>G</sign><line>2</line></clef></attributes>"
         "<note><pitch><step>C</step><octave>5</octave></pitch><duration>4</duration><type>whole</type></note>"
         "</measure></part></score-partwise>";
}

// The preview's pages take the file's paper (the host draws pageRect at the
// document's context scale, in points) and a lone system stays at the top of
// its page.
TEST(MusicXMLDriver, PagesTakeTheFilesPaper) {
  const std::filesystem::path dossier = std::filesystem::temp_directory_path() / "tamrel-xml-papier";
  std::filesystem::create_directories(dossier);
  auto page = [](const char* w, const char* h) {
    return std::string("<page-layout><page-height>") + h + "</page-height><page-width>" + w +
           "</page-width><page-margins><left-margin>100</left-margin><right-margin>100</right-margin>"
           "<top-margin>100</top-margin><bottom-margin>100</bottom-margin></page-margins></page-layout>";
  };
  struct {
    std::string layout;
    double largeur, hauteur;  // points
    uint8_t propre;
  } cases[] = {
      {page("2100", "2970"), 595.3, 841.9, 1},     // A4
      {page("2159", "2794"), 612.0, 792.0, 1},     // letter
      {page("2100", "1480"), 595.3, 419.5, 1},     // A5 across: a landscape page
      {"", 595.3, 841.9, 1},                       // no page layout: A4
      {page("5", "5"), 595.3, 841.9, 0},           // half a millimetre: the printer's page
      {page("200000", "2970"), 2457.0, 841.9, 1},  // 20 m wide: held to what the host's 16 bits hold
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.layout);
    const std::string chemin = (dossier / "papier.musicxml").string();
    std::ofstream(chemin, std::ios::binary) << PageDuFichier(c.layout);
    Rect r{};
    uint16_t pages = 0;
    Document* doc = LoadDocument(chemin.c_str(), &r, &pages, nullptr);
    ASSERT_NE(doc, nullptr);
    ASSERT_EQ(pages, 1);
    EXPECT_EQ(doc->taillePagePropre, c.propre);
    const double echelle = EchelleContexteDocument(doc);
    EXPECT_NEAR(r.right * echelle, c.largeur, 1.0);
    EXPECT_NEAR(r.bottom * echelle, c.hauteur, 1.0);

    // The music system's top lies in the page's top quarter, not mid-page.
    Partition** score = doc->partitionCourante;
    const Page& p = reinterpret_cast<const Page*>(*(*score)->pages)[0];
    bool vu = false;
    const int32_t n = p.systemes ? GetHandleSize(p.systemes) / int32_t(sizeof(Systeme)) : 0;
    for (int32_t i = 0; i < n; i++) {
      const Systeme& s = reinterpret_cast<const Systeme*>(*p.systemes)[i];
      if (s.type != kSystemeMusique) continue;
      vu = true;
      EXPECT_LT(s.rectMiseEnPage.top - p.rectPage.top, (p.rectPage.bottom - p.rectPage.top) / 4);
    }
    EXPECT_TRUE(vu);
    DisposeDocument(doc);
  }
  std::filesystem::remove_all(dossier);
}

}  // namespace
