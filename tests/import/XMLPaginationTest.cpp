// Defaults, titles and the page, system and staff commands a MusicXML import
// collects (in millimetres), with the page queries and staff sizes.
#include "import/XMLPagination.h"

#include <gtest/gtest.h>

#include <string>

#include "import/XMLImportFixture.h"

namespace {

using tamrel_test::ImportXML;
using tamrel_test::Measure;
using tamrel_test::Note;
using tamrel_test::Part;
using tamrel_test::Partwise;
using tamrel_test::ScorePart;

std::string AvecDefauts(const std::string& defaults, const std::string& head = "") {
  return "<score-partwise>" + head + "<defaults>" + defaults + "</defaults><part-list>" + ScorePart("P", "P") +
         "</part-list>" + Part("P", Measure("1", Note(64))) + "</score-partwise>";
}

int32_t NbSystemes(const XMLPageCommande* p) {
  return p && p->systemes ? int32_t(GetHandleSize(p->systemes) / Size(sizeof(XMLSystemeCommande))) : 0;
}
const XMLSystemeCommande& Systeme(const XMLPageCommande* p, int32_t i) {
  return reinterpret_cast<XMLSystemeCommande*>(*p->systemes)[i];
}

TEST(XMLPagination, DefaultsWithoutAndWithAFileScale) {
  {
    ImportXML x(AvecDefauts(""));
    EXPECT_FLOAT_EQ(XMLGetMillimetresParDixieme(), 0.15f);
    float w, h, l, t, r, b;
    XMLGetPageParameters(1, &w, &h, &l, &t, &r, &b);
    EXPECT_FLOAT_EQ(w, 210.0f);
    EXPECT_FLOAT_EQ(h, 297.0f);
    for (float m : {l, t, r, b}) EXPECT_FLOAT_EQ(m, 5.0f);
    EXPECT_FLOAT_EQ(XMLGetSystemeDefaut()->marges[0], 5.0f);
    EXPECT_FLOAT_EQ(XMLGetSystemeDefaut()->distance, 10.0f);
    EXPECT_FLOAT_EQ(XMLGetSystemeDefaut()->distanceHaut, 20.0f);
    XMLGetPageParameters(1, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
  }
  ImportXML x(AvecDefauts(
      "<scaling><millimeters>7.05</millimeters><tenths>40</tenths></scaling>"
      "<page-layout><page-width>1191</page-width><page-height>1684</page-height>"
      "<page-margins type=\"both\"><left-margin>100</left-margin><right-margin>50</right-margin>"
      "<top-margin>80</top-margin><bottom-margin>60</bottom-margin></page-margins>"
      "<page-margins type=\"odd\"><left-margin>40</left-margin></page-margins></page-layout>"
      "<system-layout><system-margins><left-margin>20</left-margin></system-margins>"
      "<system-distance>120</system-distance><top-system-distance>70</top-system-distance></system-layout>"
      "<staff-layout><staff-distance>80</staff-distance></staff-layout>"
      "<appearance><line-width type=\"stem\">0.5</line-width><line-width type=\"heavy barline\">30</line-width>"
      "<line-width type=\"Beam\">5</line-width><line-width>3</line-width>"
      "<note-size type=\"grace\">60</note-size><distance type=\"hyphen\">120</distance></appearance>"));
  const float mm = 7.05f / 40;
  EXPECT_FLOAT_EQ(XMLGetMillimetresParDixieme(), mm);
  EXPECT_FLOAT_EQ(XMLGetCurMMParTenth(), mm);
  float w, l, r;
  XMLGetPageParameters(2, &w, nullptr, &l, nullptr, &r, nullptr);
  EXPECT_NEAR(w, 209.9f, 0.02f);
  EXPECT_FLOAT_EQ(l, 100 * mm);  // even page
  EXPECT_FLOAT_EQ(r, 50 * mm);
  XMLGetPageParameters(1, nullptr, nullptr, &l, nullptr, &r, nullptr);
  EXPECT_FLOAT_EQ(l, 40 * mm);  // odd page: its own left margin, the rest as both
  EXPECT_FLOAT_EQ(r, 50 * mm);
  EXPECT_FLOAT_EQ(XMLGetSystemeDefaut()->marges[0], 20 * mm);
  EXPECT_FLOAT_EQ(XMLGetSystemeDefaut()->distance, 120 * mm);
  EXPECT_FLOAT_EQ(XMLGetSystemeDefaut()->distanceHaut, 70 * mm);
  // The staff distance stands in its child.
  EXPECT_FLOAT_EQ(XMLGetDistancePorteeDefaut(), 80 * mm);
  EXPECT_FLOAT_EQ(XMLGetApparence(kApparenceQueue), 1.0f);
  EXPECT_FLOAT_EQ(XMLGetApparence(kApparenceBarreEpaisse), 25.0f);
  EXPECT_FLOAT_EQ(XMLGetApparence(kApparencePoutre), 5.0f);
  EXPECT_FLOAT_EQ(XMLGetApparence(kApparenceNoteGrace), 60.0f);
  EXPECT_FLOAT_EQ(XMLGetApparence(kApparenceDistanceTiret), 120.0f);
  EXPECT_FLOAT_EQ(XMLGetApparence(kApparencePortee), 0.0f);
}

TEST(XMLPagination, AScaleOfNothingKeepsTheDefault) {
  const char* scalings[] = {"<millimeters>7</millimeters><tenths>0</tenths>",
                            "<millimeters>0</millimeters><tenths>40</tenths>",
                            "<millimeters>-7</millimeters><tenths>40</tenths>", "<tenths>40</tenths>"};
  for (const char* s : scalings) {
    ImportXML x(AvecDefauts(std::string("<scaling>") + s + "</scaling>"));
    EXPECT_FLOAT_EQ(XMLGetMillimetresParDixieme(), 0.15f) << s;
  }
}

TEST(XMLPagination, Titles) {
  ImportXML x(AvecDefauts("",
                          "<work><work-title>Sonata</work-title></work><movement-title>Allegro</movement-title>"
                          "<identification><creator type=\"composer\">Anon</creator>"
                          "<creator type=\"poet\">Bard</creator><creator type=\"arranger\">X</creator>"
                          "</identification>"));
  EXPECT_STREQ(x.doc->titres[0].texte, "Sonata");
  EXPECT_STREQ(x.doc->titres[1].texte, "Anon");
  EXPECT_STREQ(x.doc->titres[2].texte, "Bard");
  ImportXML y(AvecDefauts("", "<movement-title>Allegro</movement-title>"));
  EXPECT_STREQ(y.doc->titres[0].texte, "Allegro");
}

TEST(XMLPagination, PageAndSystemCommands) {
  ImportXML x(AvecDefauts(""));
  // A new system at bar 8 with no earlier system: page 0 holds bars 0 and 8.
  XMLNewSystemCommand(8);
  ASSERT_EQ(XMLGetNbPageCommandes(), 1);
  ASSERT_EQ(NbSystemes(XMLGetPageCommande(0)), 2);
  EXPECT_EQ(Systeme(XMLGetPageCommande(0), 0).premiereMesure, 0);
  EXPECT_EQ(Systeme(XMLGetPageCommande(0), 1).premiereMesure, 8);
  EXPECT_EQ(XMLGetSystemeCourant(), 1);
  // Asking again finds it.
  XMLNewSystemCommand(0);
  EXPECT_EQ(XMLGetSystemeCourant(), 0);
  XMLNewPageCommand(12, 2);
  ASSERT_EQ(XMLGetNbPageCommandes(), 2);
  EXPECT_EQ(XMLGetPageCourante(), 1);
  EXPECT_EQ(XMLGetPageCommande(1)->numero, 2);
  ASSERT_EQ(NbSystemes(XMLGetPageCommande(1)), 1);
  EXPECT_EQ(Systeme(XMLGetPageCommande(1), 0).premiereMesure, 12);
  // Staff layouts: a first record for the first staff, distances in mm, and
  // an unknown distance never replaces a known one.
  XMLSetStaffSpacing(kXMLAbsentFloat);
  EXPECT_FLOAT_EQ(XMLGetDistancePorteeCourante(), 60 * 0.15f);
  XMLNewStaffLayout(12, 1, 2, nullptr);
  XMLNewStaffLayout(12, 1, 2, nullptr);
  const XMLSystemeCommande& s = Systeme(XMLGetPageCommande(1), 0);
  ASSERT_EQ(GetHandleSize(s.portees) / Size(sizeof(XMLPorteeLayout)), 2);
  const XMLPorteeLayout* l = reinterpret_cast<XMLPorteeLayout*>(*s.portees);
  EXPECT_EQ(l[0].partie, 0u);
  EXPECT_EQ(l[0].portee, 1u);
  EXPECT_EQ(l[1].partie, 1u);
  EXPECT_EQ(l[1].portee, 2u);
  EXPECT_GE(l[1].distance, kXMLLongueurAbsente);
  // Bar widths: the table grows, an unknown width keeps a known one.
  XMLSetBarWidth(3, 200);
  XMLSetBarWidth(3, kXMLAbsentFloat);
  XMLSetBarWidth(-1, 200);
  EXPECT_EQ(XMLGetNbLargeursMesure(), 4);
  EXPECT_FLOAT_EQ(XMLGetLargeurMesure(3), 30.0f);
  EXPECT_GE(XMLGetLargeurMesure(1), kXMLLongueurAbsente);
  // Pages are numbered from 1 by their order unless they carry a number.
  float w;
  XMLGetPageParameters(2, &w, nullptr, nullptr, nullptr, nullptr, nullptr);
  EXPECT_FLOAT_EQ(w, 210.0f);
  // The multiple-rest minimum.
  XMLSetSilenceMultiple(4);
  XMLSetSilenceMultiple(6);
  XMLSetSilenceMultiple(2);
  EXPECT_EQ(XMLGetMinSilencesMultiples(), 2);
  XMLClearPagination(nullptr);
  EXPECT_EQ(XMLGetNbPageCommandes(), 0);
  EXPECT_EQ(XMLGetNbLargeursMesure(), 0);
  EXPECT_EQ(XMLGetMinSilencesMultiples(), 0);
  EXPECT_FLOAT_EQ(XMLGetMillimetresParDixieme(), 0.1f);
}

// The music before a first page break stands on a page of its own.
TEST(XMLPagination, AFirstNewPageAfterTheFirstBar) {
  ImportXML x(AvecDefauts(""));
  XMLNewPageCommand(5, -1);
  ASSERT_EQ(XMLGetNbPageCommandes(), 2);
  EXPECT_EQ(Systeme(XMLGetPageCommande(0), 0).premiereMesure, 0);
  EXPECT_EQ(Systeme(XMLGetPageCommande(1), 0).premiereMesure, 5);
  EXPECT_EQ(XMLGetPageCommande(1)->numero, kXMLAbsentLong);
}

TEST(XMLPagination, StaffSizes) {
  ImportXML x(AvecDefauts(""));
  ASSERT_EQ(x.NbPortees(), 1);
  // Relative to a 5.08 mm staff: a staff of 4.064 mm is drawn at 0.8.
  struct {
    float tenths;
    float size;
  } cases[] = {{5.08f / 0.15f, 1.0f}, {4.064f / 0.15f, 0.8f}};
  for (auto& c : cases) {
    XMLSetStaffHeight(0, 1, c.tenths);
    EXPECT_NEAR(XMLGetTaillePortee(x.Staff(0)), c.size, 1e-5f);
  }
  XMLSetStaffHeight(0, 2, 10);  // another staff's record changes nothing here
  EXPECT_NEAR(XMLGetTaillePortee(x.Staff(0)), 0.8f, 1e-5f);
  EXPECT_FLOAT_EQ(XMLGetTaillePortee(nullptr), 1.0f);
}

}  // namespace
