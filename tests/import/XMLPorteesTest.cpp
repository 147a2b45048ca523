// Parts, staves and instruments of a MusicXML import: one staff per staff
// number, voice and instrument, merged and braced; the registries; MIDI
// settings; bar-numbering records; hostile staff and voice numbers.
#include "import/XMLPortees.h"

#include <gtest/gtest.h>

#include <string>

#include "import/XMLImportFixture.h"
#include "model/PartGroups.h"
#include "platform/Collections.h"
#include "sound/SINSTRUM.h"
#include "stafftypes/DonneesTablature.h"
#include "stafftypes/ServicesTypesPortee.h"

namespace {

using tamrel_test::ImportXML;
using tamrel_test::Measure;
using tamrel_test::Note;
using tamrel_test::Part;
using tamrel_test::Partwise;
using tamrel_test::ScorePart;

uint32_t Item(Portee** staff, const char (&id)[5]) {
  uint32_t v = 99;
  int32_t size = sizeof v;
  EXPECT_EQ(GetCollectionItem((*staff)->collection, FourCC("XML "), FourCC(id), &size, &v), noErr);
  return v;
}

std::string Voix(int staff, int voice) {
  return "<staff>" + std::to_string(staff) + "</staff><voice>" + std::to_string(voice) + "</voice>";
}

TEST(XMLPortees, PianoGivesOneMergedStaffPerVoiceUnderABrace) {
  const std::string content = "<attributes><divisions>1</divisions><staves>2</staves></attributes>" +
                              Note(4, Voix(1, 1)) + "<backup><duration>4</duration></backup>" + Note(4, Voix(1, 2)) +
                              "<backup><duration>4</duration></backup>" + Note(4, Voix(2, 1));
  ImportXML x(Partwise(ScorePart("P1", "Piano",
                                 "<part-abbreviation>Pno.</part-abbreviation>"
                                 "<score-instrument id=\"P1-I1\"><instrument-name>Grand</instrument-name>"
                                 "</score-instrument>"),
                       Part("P1", Measure("1", content))));
  ASSERT_EQ(x.NbPortees(), 3);
  const char* names[] = {"Piano", "Piano-2", "Piano"};
  const char* abbrs[] = {"Pno.", "Pno.-2", "Pno."};
  const uint32_t staffs[] = {0, 0, 1}, voices[] = {0, 1, 0};
  for (int16_t i = 0; i < 3; i++) {
    Portee** s = x.Staff(i);
    EXPECT_STREQ((*s)->aspect.nom, names[i]) << i;
    EXPECT_STREQ((*s)->aspect.nomAbrege, abbrs[i]) << i;
    EXPECT_EQ(Item(s, "part"), 0u);
    EXPECT_EQ(Item(s, "staf"), staffs[i]);
    EXPECT_EQ(Item(s, "voic"), voices[i]);
    EXPECT_EQ((*s)->aspect.tailleUnite, 72);
    EXPECT_EQ(XMLGetPorteeFromId(0, staffs[i], voices[i], -1), s) << i;
  }
  // The two voices of the first staff are drawn as one.
  EXPECT_EQ((*x.Staff(0))->modeFusion, uint32_t(kFusionMaitre));
  EXPECT_EQ((*x.Staff(0))->fusionneAvecSuivante, 1);
  EXPECT_EQ((*x.Staff(1))->modeFusion, uint32_t(kFusionMaitre));
  EXPECT_EQ((*x.Staff(1))->fusionneAvecSuivante, 0);
  EXPECT_EQ((*x.Staff(2))->modeFusion, uint32_t(kFusionAucune));
  Handle groups = (*x.Score())->partGroups;
  ASSERT_EQ(GetNbPartGroups(groups), 1);
  const PartGroup& g = reinterpret_cast<PartGroup*>(*groups)[0];
  EXPECT_EQ(g.type, 0u);
  EXPECT_NE(g.barresMesure, 0u);
  EXPECT_EQ(g.premierePortee, 0);
  EXPECT_EQ(g.dernierePortee, 2);
  EXPECT_STREQ(g.nom, "Piano");
  // The brace shows the part's name once: its staves keep their names but
  // leave them out, or the voice staves would print them over each other.
  for (int16_t i = 0; i < 3; i++) EXPECT_EQ((*x.Staff(i))->aspect.nomsCaches, 1) << i;
  EXPECT_EQ(XMLGetNbStavesInPart(0), 2u);
  EXPECT_EQ(XMLGetNbStavesInPart(5), 1u);
  // One instrument, named from the file, on every staff.
  const int16_t instrument = (*x.Staff(0))->instrument;
  EXPECT_EQ(XMLGetInstrumentIdFromStr("P1-I1"), uint32_t(instrument));
  EXPECT_EQ(XMLGetInstrumentIdFromStr("other"), 0u);
  EXPECT_STREQ(GetInstrument(x.Score(), instrument)->name, "Grand");
  EXPECT_EQ(XMLGetPorteeFromId(0, 0, 0, instrument), x.Staff(0));
  EXPECT_EQ(XMLGetPorteeFromId(0, 0, 0, instrument + 1), nullptr);
  EXPECT_EQ(XMLGetPorteeFromId(0, 1, 1, -1), nullptr);
}

TEST(XMLPortees, InstrumentsGiveMergedStavesAndTheirMidiSettings) {
  const std::string sp =
      "<score-instrument id=\"I1\"><instrument-name>Fl\xC3\xBBte</instrument-name></score-instrument>"
      "<score-instrument id=\"I2\"><instrument-name>Snare</instrument-name></score-instrument>"
      "<midi-instrument id=\"I1\"><midi-channel>40</midi-channel><midi-program>74</midi-program>"
      "<midi-bank>3</midi-bank><volume>50</volume><pan>90</pan></midi-instrument>"
      "<midi-instrument id=\"I2\"><midi-channel>10</midi-channel><midi-unpitched>39</midi-unpitched>"
      "<midi-volume>100</midi-volume><pan>-90</pan></midi-instrument>";
  ImportXML x(Partwise(ScorePart("P1", "Duo", sp),
                       Part("P1", Measure("1",
                                          "<attributes><transpose><chromatic>-2</chromatic></transpose>"
                                          "</attributes>" +
                                              Note(16)))));
  ASSERT_EQ(x.NbPortees(), 2);
  for (int16_t i = 0; i < 2; i++) {
    EXPECT_STREQ((*x.Staff(i))->aspect.nom, "Duo");
    // Drawn as one, the two staves show the first one's name only.
    EXPECT_EQ((*x.Staff(i))->aspect.nomsCaches, i > 0 ? 1 : 0);
    EXPECT_EQ((*x.Staff(i))->modeFusion, uint32_t(kFusionMaitre));
  }
  EXPECT_EQ((*x.Staff(0))->fusionneAvecSuivante, 1);
  EXPECT_EQ((*x.Staff(1))->fusionneAvecSuivante, 0);
  EXPECT_EQ(GetNbPartGroups((*x.Score())->partGroups), 0);

  const Instrument* flute = GetInstrument(x.Score(), (*x.Staff(0))->instrument);
  ASSERT_NE(flute, nullptr);
  EXPECT_STREQ(flute->name, "Fl\x9Ete");  // Mac Roman u circumflex
  EXPECT_EQ(flute->organCode, kOrganeObsn);
  EXPECT_EQ(flute->channel, 15);  // held to 16
  EXPECT_EQ(flute->program, 73 << 7);
  EXPECT_EQ(flute->bank, 2);
  EXPECT_EQ(flute->volume, 63);  // 50 % of 127
  EXPECT_EQ(flute->pan, 126);
  EXPECT_EQ(flute->transposition, -2);
  EXPECT_EQ(flute->soundId, uint32_t(RsrcDgitInstrument(2, 73 << 7)));
  EXPECT_FALSE(XMLIsInstrumentNonAccorde(uint32_t((*x.Staff(0))->instrument)));
  EXPECT_EQ((*x.Staff(0))->volume, 63);

  // The drum sound keeps its note out of the transposition.
  const Instrument* snare = GetInstrument(x.Score(), (*x.Staff(1))->instrument);
  ASSERT_NE(snare, nullptr);
  EXPECT_EQ(snare->channel, 9);
  EXPECT_EQ(snare->note, 38);
  EXPECT_EQ(snare->transposition, 0);
  EXPECT_EQ(snare->volume, 100);
  EXPECT_EQ(snare->pan, 0);
  EXPECT_EQ(snare->soundId, uint32_t(RsrcDgitBatterie(0, 38)));
  EXPECT_TRUE(XMLIsInstrumentNonAccorde(uint32_t((*x.Staff(1))->instrument)));
  EXPECT_EQ((*x.Staff(1))->pan, 0);
}

TEST(XMLPortees, DefaultInstrumentsAreNamedByTheirPlaceInThePartList) {
  ImportXML x(Partwise("<part-group type=\"start\" number=\"1\"/>" + ScorePart("A", "One") +
                           "<score-part id=\"missing\"><part-name>Gone</part-name></score-part>" +
                           ScorePart("B", "Two") + "<part-group type=\"stop\" number=\"1\"/>",
                       Part("A", Measure("1", Note(16))) + Part("B", Measure("1", Note(16)))));
  ASSERT_EQ(x.NbPortees(), 2);
  EXPECT_STREQ(GetInstrument(x.Score(), (*x.Staff(0))->instrument)->name, "def 1");
  EXPECT_STREQ(GetInstrument(x.Score(), (*x.Staff(1))->instrument)->name, "def 3");
  // A score-part without its part is skipped: the next part is number 1.
  EXPECT_EQ(Item(x.Staff(1), "part"), 1u);
  EXPECT_EQ(XMLGetInstrumentIdFromStr("default 3"), uint32_t((*x.Staff(1))->instrument));
}

// Staff and voice numbers come from the file: a huge, negative or
// non-numeric one must not make staves by the million.
TEST(XMLPortees, HostileStaffAndVoiceNumbersAreHeld) {
  struct {
    const char* content;
    int staves;
  } cases[] = {
      {"<attributes><staves>2147483647</staves></attributes>", 1},
      {"<attributes><staves>-3</staves></attributes>", 1},
      {"<attributes><staves>3</staves></attributes>", 3},
      {"<note><rest/><duration>1</duration><staff>999999999</staff></note>", 1},
      {"<note><rest/><duration>1</duration><staff>x</staff></note>", 1},
      {"<note><rest/><duration>1</duration><voice>4000000000</voice></note>", 1},
      {"<note><rest/><duration>1</duration><voice>abc</voice></note>", 1},
      {"<note><rest/><duration>1</duration><voice>3</voice></note>", 3},
      {"<note><rest/><duration>1</duration><staff>32</staff><voice>32</voice></note>", 32 + 31},
      {"<note><rest/><duration>1</duration><staff>33</staff><voice>33</voice></note>", 1},
  };
  for (auto& c : cases) {
    ImportXML x(Partwise(ScorePart("P", "P"), Part("P", Measure("1", c.content))));
    EXPECT_EQ(x.NbPortees(), c.staves) << c.content;
  }
  EXPECT_EQ(XMLLitNumeroPorteeOuVoix(" 7"), 7);
  EXPECT_EQ(XMLLitNumeroPorteeOuVoix("0"), 0);
  EXPECT_EQ(XMLLitNumeroPorteeOuVoix(nullptr), 0);
}

TEST(XMLPortees, StaffDetailsGiveLinesSizesAndTypes) {
  struct {
    const char* attributes;
    uint32_t type;
    int16_t firstLine, lastLine;
    float heightTenths;
  } cases[] = {
      {"<clef><sign>percussion</sign></clef><staff-details><staff-lines>3</staff-lines>"
       "<staff-size>80</staff-size></staff-details>",
       kTypePorteeBatterieStd, 0, 2, 16.0f},
      {"<staff-details><staff-lines>0</staff-lines></staff-details>", kTypePorteeStandard, 2, 2, 40.0f},
      {"<staff-details><staff-lines>1</staff-lines></staff-details>", kTypePorteeStandard, 2, 2, 40.0f},
      {"<staff-details><staff-lines>400</staff-lines></staff-details>", kTypePorteeStandard, 0, 10, 100.0f},
      {"<clef><sign>TAB</sign></clef>", kTypePorteeTablature, 0, 4, 40.0f},
      {"", kTypePorteeStandard, 0, 4, 40.0f},
  };
  for (auto& c : cases) {
    ImportXML x(Partwise(ScorePart("P", "P"),
                         Part("P", Measure("1", std::string("<attributes>") + c.attributes + "</attributes>"))));
    ASSERT_EQ(x.NbPortees(), 1) << c.attributes;
    Portee** s = x.Staff(0);
    EXPECT_EQ((*s)->type, c.type) << c.attributes;
    EXPECT_EQ((*s)->premiereLigneVisible, c.firstLine) << c.attributes;
    EXPECT_EQ((*s)->derniereLigneVisible, c.lastLine) << c.attributes;
    for (int16_t n = kPremiereLignePortee; n <= kDerniereLignePortee; n++)
      EXPECT_EQ(IsAfficheLignePortee(s, n), n >= c.firstLine && n <= c.lastLine) << c.attributes << " line " << n;
    // The staff height (tenths, at 0.15 mm each) relative to a 5.08 mm staff.
    EXPECT_NEAR(XMLGetTaillePortee(s), c.heightTenths * 0.15f * 0.19685039f, 1e-4f) << c.attributes;
  }
}

// A tablature part's tuning becomes the record's strings, the highest (the
// last line) first; the record shows its notes only through the tablature.
TEST(XMLPortees, TablatureStringsFromTheTuning) {
  std::string tuning;
  const char* steps[] = {"E", "A", "D", "G", "B", "E"};
  const int octaves[] = {2, 2, 3, 3, 3, 4};
  for (int i = 0; i < 6; i++)
    tuning += "<staff-tuning line=\"" + std::to_string(i + 1) + "\"><tuning-step>" + steps[i] +
              "</tuning-step><tuning-octave>" + std::to_string(octaves[i]) + "</tuning-octave></staff-tuning>";
  ImportXML x(Partwise(
      ScorePart("P", "P"),
      Part("P", Measure("1", "<attributes><clef><sign>TAB</sign></clef><staff-details><staff-lines>6</staff-lines>" +
                                 tuning + "</staff-details></attributes>"))));
  ASSERT_EQ(x.NbPortees(), 1);
  Tablature** t = GetTablature(x.Staff(0));
  ASSERT_NE(t, nullptr);
  ASSERT_EQ((*t)->nbCordes, 6);
  EXPECT_EQ((*t)->cordes[0].valeurs[0], 64);
  EXPECT_EQ((*t)->cordes[5].valeurs[0], 40);
  EXPECT_EQ((*t)->cordes[3].valeurs[1], 21);
  EXPECT_EQ((*t)->kind, 1001u);
  EXPECT_EQ((*t)->flagsAffichage, 0);
  // The staff is as high as the tablature's lines under its base line.
  EXPECT_GE(int32_t((*x.Staff(0))->hauteurBaseRuban), (*t)->ligneBase + 5 * 11);
}

TEST(XMLPortees, HiddenStavesAndAmbitus) {
  ImportXML x(Partwise(ScorePart("P", "P",
                                 "<ambitus><lowpitch><step>A</step><octave>3</octave></lowpitch>"
                                 "<highpitch><step>E</step></highpitch></ambitus>"),
                       Part("P", Measure("1", "<attributes><staff-details print-object=\"no\"/></attributes>"))));
  EXPECT_EQ(x.doc->porteesCachees, 1);
  EXPECT_EQ((*x.Score())->ambitus, 1);
  EXPECT_EQ((*x.Staff(0))->ambitus, 1);
  EXPECT_EQ((*x.Staff(0))->ambitusBas, 57);
  EXPECT_EQ((*x.Staff(0))->ambitusHaut, 52);  // no octave: 48 + E
}

TEST(XMLPortees, BarNumberingRecordsFollowTheMeasureNumbers) {
  auto measures = [](std::initializer_list<const char*> numbers) {
    std::string s;
    for (const char* n : numbers) s += Measure(n, "");
    return s;
  };
  struct {
    std::string second;
    std::vector<std::string> records;
  } cases[] = {
      {measures({"1", "2", "3"}), {"1", "2", "3"}},
      {measures({"1", "2", "2a", "3"}), {"1", "2", "3", "2a"}},
      {measures({"1", "2", "3", "4"}), {"1", "2", "3", "4"}},
      {measures({"3", "1"}), {"1", "2", "3"}},
  };
  for (auto& c : cases) {
    ImportXML x(Partwise(ScorePart("A", "A") + ScorePart("B", "B"),
                         Part("A", measures({"1", "2", "3"})) + Part("B", c.second)));
    ASSERT_EQ(x.NbRecords(), int32_t(c.records.size())) << c.second;
    for (size_t i = 0; i < c.records.size(); i++) EXPECT_EQ(x.NumeroRecord(int32_t(i)), c.records[i]) << c.second;
  }
  ImportXML x(Partwise(ScorePart("A", "A"), Part("A", "<measure number=\"1\" implicit=\"YES\"/>" +
                                                          Measure("2",
                                                                  "<attributes><measure-style><multiple-rest>3"
                                                                  "</multiple-rest></measure-style></attributes>"))));
  ASSERT_EQ(x.NbRecords(), 2);
  EXPECT_EQ((*x.records)[kNumMesureImplicite], 1);
  EXPECT_EQ(XMLGetChampNumeroMesure(x.records, 1, kNumMesureIndex), 1u);
  EXPECT_EQ(XMLGetChampCourtNumeroMesure(x.records, 1, kNumMesureSilences), 3);
  EXPECT_EQ(XMLGetMinSilencesMultiples(), 3);
  EXPECT_EQ(XMLGetBarNumberingIndexFromIndexAndName(x.records, 1, "2"), 1);
  EXPECT_EQ(XMLGetBarNumberingIndexFromIndexAndName(x.records, 0, "2"), 1);
  EXPECT_EQ(XMLGetBarNumberingIndexFromIndexAndName(x.records, 7, "1"), 0);
  EXPECT_EQ(XMLGetBarNumberingIndexFromIndexAndName(x.records, 0, "9"), -1);
}

TEST(XMLPortees, Placement) {
  struct {
    const char* xml;
    int32_t placement;
  } cases[] = {
      {"<d placement=\"below\"/>", 0}, {"<d placement=\"above\"/>", 1}, {"<d placement=\"Above\"/>", -1}, {"<d/>", -1}};
  for (auto& c : cases) {
    Handle h = NewHandle(Size(std::strlen(c.xml)));
    std::memcpy(*h, c.xml, std::strlen(c.xml));
    XMLRootElt* t = BrowseXMLFile(h, nullptr, nullptr, 1);
    DisposeHandle(h);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(XMLGetPlacement(t->elts[0]), c.placement) << c.xml;
    XMLBrowserDispose(t);
  }
  EXPECT_EQ(XMLGetPlacement(nullptr), -1);
}

}  // namespace
