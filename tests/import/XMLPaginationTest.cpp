// Defaults, titles and the page, system and staff commands a MusicXML import
// collects (in millimetres), with the page queries and staff sizes; the
// collection applied to the score (paper, margins, breaks, indents, bar
// scales, staff sizes).
#include "import/XMLPagination.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "import/XMLImportFixture.h"
#include "layout/DonneesModeGraphique.h"
#include "layout/Zoom.h"
#include "model/QrvText.h"
#include "model/StaffHeightEvts.h"
#include "model/TabEltMesure.h"
#include "support/DataFiles.h"

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

// What applying the collection leaves in the score, to compare two runs.
struct Releve {
  std::vector<int> lignes;  // per bar: scale, system break, page break, continued flag
  std::vector<int32_t> evts;
  int16_t typePapier;
  Rect papier;
  int16_t marges[4];
  int16_t retrait;
  uint16_t taille;
  int16_t hauteur, ligneBase;
  bool operator==(const Releve& o) const {
    return lignes == o.lignes && evts == o.evts && typePapier == o.typePapier &&
           std::memcmp(&papier, &o.papier, sizeof papier) == 0 && std::memcmp(marges, o.marges, sizeof marges) == 0 &&
           retrait == o.retrait && taille == o.taille && hauteur == o.hauteur && ligneBase == o.ligneBase;
  }
};

Releve Releve(const ImportXML& x) {
  struct Releve r {};
  Partition** score = x.Score();
  const TabEltMesure* e = GetLignesTabElt(GetTabEltMesureRuban(score));
  for (int16_t b = 0; b < (*score)->nbMesures; b++) {
    r.lignes.insert(r.lignes.end(), {e[b].echelle, e[b].sautSysteme, e[b].sautPage, e[b].continueLigneSuivante});
    for (uint32_t kind : {uint32_t('G'), uint32_t('D'), uint32_t('H'), uint32_t('B'), uint32_t('M')})
      r.evts.push_back(ExtractStaffHeightEvt(x.Staff(0), kind, b, b));
  }
  r.typePapier = x.doc->typePapier;
  r.papier = x.doc->rectsPapier[0];
  const MiseEnPage& m = x.doc->misesEnPage[0];
  r.marges[0] = m.margeGauche;
  r.marges[1] = m.margeHaut;
  r.marges[2] = m.margeDroite;
  r.marges[3] = m.margeBas;
  r.retrait = m.retraitPremierSysteme;
  r.taille = (*x.Staff(0))->aspect.tailleUnite;
  r.hauteur = (*x.Staff(0))->hauteurBaseRuban;
  r.ligneBase = (*x.Staff(0))->decalageLigneBasBaseRuban;
  return r;
}

// A file's own page: its paper and margins, the page it breaks, the indents
// of its systems and its staff size; applying the collection once more
// changes nothing.
TEST(XMLPagination, AppliedToTheScoreOfAPageLayoutFile) {
  std::string bytes;
  ASSERT_TRUE(tamrel_test::ReadData("musicxml/52a-PageLayout.xml", &bytes));
  ImportXML x(bytes);
  const int16_t dpi = GetDpiDest();
  ASSERT_EQ(x.Squelette(), 1);
  EXPECT_EQ(GetDpiDest(), dpi);
  Partition** score = x.Score();
  ASSERT_EQ((*score)->nbMesures, 3);
  const float mm = 3.7703f / 40;  // millimetres per tenth
  const struct Releve r = Releve(x);
  // Paper of 1804 x 954 tenths, in points; margins in tenths of a millimetre.
  EXPECT_EQ(r.typePapier, 3);
  EXPECT_NEAR(r.papier.right, 1804 * mm * 2.83464567f, 1);
  EXPECT_NEAR(r.papier.bottom, 954 * mm * 2.83464567f, 1);
  EXPECT_NEAR(r.marges[0], 318 * mm * 10, 1);
  EXPECT_NEAR(r.marges[1], 53 * mm * 10, 1);
  EXPECT_NEAR(r.marges[2], 212 * mm * 10, 1);
  EXPECT_NEAR(r.marges[3], 74 * mm * 10, 1);
  // Measure 3 starts page 9: a page break after measure 2 (a row's breaks end
  // the line after its bar), no system break, and the file asks for two pages.
  const std::vector<int> sauts = {r.lignes[1], r.lignes[2], r.lignes[5], r.lignes[6], r.lignes[9], r.lignes[10]};
  EXPECT_EQ(sauts, (std::vector<int>{0, 0, 0, 1, 0, 0}));
  EXPECT_EQ(XMLNombrePagesDemandees(x.doc), 2);
  // The first system's left indent goes to the page setup, every other one
  // to the staves; the right indents to the staves.
  EXPECT_NEAR(r.retrait, 248 * mm * 10, 1);
  const int32_t gauche = int32_t(248 * mm * 4.7244094500000005f), droite = int32_t(206 * mm * 4.7244094500000005f);
  for (int16_t b = 0; b < 3; b++) {
    EXPECT_EQ(r.evts[size_t(5 * b)], b == 2 ? gauche : 0) << b;
    EXPECT_EQ(r.evts[size_t(5 * b + 1)], droite) << b;
  }
  // No staff size given: 40 tenths of the file's scale against a 5.08 mm staff.
  EXPECT_EQ(r.taille, uint16_t(40 * mm * 0.19685039375f * 72));
  for (int16_t b = 0; b < 3; b++) {
    EXPECT_GE(r.lignes[size_t(4 * b)], 20) << b;
    EXPECT_LE(r.lignes[size_t(4 * b)], 32767) << b;
  }
  XMLAppliquePagination(x.doc);
  EXPECT_TRUE(Releve(x) == r);
}

// Bar widths without breaks: the scale of a bar follows its width, held to
// 20..32767; a width of nothing or below leaves the bar as it was.
TEST(XMLPagination, BarWidthsSetScalesWithinTheirBounds) {
  const std::string print = "<print><page-layout><page-width>1200</page-width></page-layout></print>";
  const std::string attrs =
      "<attributes><divisions>1</divisions><time><beats>4</beats><beat-type>4</beat-type></time></attributes>";
  auto mesure = [&](const std::string& n, const std::string& width, const std::string& head = "") {
    return "<measure number=\"" + n + "\"" + (width.empty() ? "" : " width=\"" + width + "\"") + ">" + head + Note(4) +
           "</measure>";
  };
  ImportXML x(Partwise(ScorePart("P", "P"),
                       Part("P", mesure("1", "200", print + attrs) + mesure("2", "400") + mesure("3", "1e9") +
                                     mesure("4", "0") + mesure("5", "-50") + mesure("6", "2"))));
  ASSERT_EQ(x.Squelette(), 1);
  ASSERT_EQ((*x.Score())->nbMesures, 6);
  const struct Releve r = Releve(x);
  const auto echelle = [&](int b) { return r.lignes[size_t(4 * b)]; };
  EXPECT_GT(echelle(1), echelle(0));
  EXPECT_EQ(echelle(2), 32767);
  EXPECT_EQ(echelle(3), 1000);
  EXPECT_EQ(echelle(4), 1000);
  EXPECT_EQ(echelle(5), 20);
  for (int b = 0; b < 6; b++) EXPECT_EQ(r.lignes[size_t(4 * b + 1)] + r.lignes[size_t(4 * b + 2)], 0) << b;
  EXPECT_EQ(XMLNombrePagesDemandees(x.doc), 1);
  XMLAppliquePagination(x.doc);
  EXPECT_TRUE(Releve(x) == r);
}

// Systems the file breaks are stretched towards their width, bars without a
// width of their own among them, and only once however often it is applied.
TEST(XMLPagination, BrokenSystemsAreStretchedOnce) {
  const std::string attrs =
      "<attributes><divisions>1</divisions><time><beats>4</beats><beat-type>4</beat-type></time></attributes>";
  const std::string saut = "<print new-system=\"yes\"/>";
  ImportXML x(Partwise(ScorePart("P", "P"), Part("P", Measure("1", attrs + Note(4)) + Measure("2", Note(4)) +
                                                          Measure("3", saut + Note(4)) + Measure("4", Note(4)))));
  ASSERT_EQ(x.Squelette(), 1);
  const struct Releve r = Releve(x);
  ASSERT_EQ(r.lignes.size(), 16u);
  EXPECT_EQ(r.lignes[5], 1);  // bar 3 starts a system: the line breaks after bar 2
  EXPECT_EQ(r.lignes[9], 0);
  for (int b = 0; b < 4; b++) EXPECT_NE(r.lignes[size_t(4 * b)], 1000) << b;
  for (int i = 0; i < 3; i++) XMLAppliquePagination(x.doc);
  EXPECT_TRUE(Releve(x) == r);
}

// A page count asked by the file's reserved pages and new-page marks, held to
// what the scale search aims at.
TEST(XMLPagination, PagesAskedAreBounded) {
  const auto fichier = [](int bars, int marks, int reserved) {
    std::string m;
    for (int b = 1; b <= bars; b++) {
      std::string head;
      if (b == 1) head = "<attributes><divisions>1</divisions></attributes>";
      if (b == 1 && reserved >= 0) head += "<print blank-page=\"" + std::to_string(reserved) + "\"/>";
      if (b > 1 && b <= marks + 1) head += "<print new-page=\"yes\"/>";
      m += Measure(std::to_string(b), head + Note(4));
    }
    return Partwise(ScorePart("P", "P"), Part("P", m));
  };
  struct {
    int bars, marks, reserved;
    int16_t asked;
  } cases[] = {
      {3, 0, -1, 1},
      {5, 4, -1, 5},
      {4, 1, 2, 4},  // two reserved pages before the music's two
      {kMaxPagesDemandees + 20, kMaxPagesDemandees + 19, -1, kMaxPagesDemandees},
      {kMaxPagesDemandees, kMaxPagesDemandees - 1, 3, kMaxPagesDemandees},
  };
  for (auto& c : cases) {
    ImportXML x(fichier(c.bars, c.marks, c.reserved));
    ASSERT_EQ(x.Squelette(), 1);
    EXPECT_EQ(XMLNombrePagesDemandees(x.doc), c.asked) << c.bars << " bars, " << c.marks << " marks";
  }
}

// Staff heights and base lines from the staff layouts: each staff takes the
// mean over its systems of the height between the midpoints to its neighbours
// (outer staves: the space on the inner side, at least 5 mm) and of its bottom
// line below that; each system gets its own difference as events. The first
// system of the page moves down by its top-system distance.
TEST(XMLPagination, StaffSpacingFromTheStaffLayouts) {
  // 0.1 mm per tenth; staves 4 mm high; systems 20 mm below the page top.
  const std::string defaults =
      "<defaults><scaling><millimeters>4</millimeters><tenths>40</tenths></scaling>"
      "<system-layout><system-distance>100</system-distance><top-system-distance>200</top-system-distance>"
      "</system-layout></defaults>";
  const std::string attrs =
      "<attributes><divisions>1</divisions><time><beats>4</beats><beat-type>4</beat-type></time></attributes>";
  const auto distance = [](int tenths) {
    return "<staff-layout><staff-distance>" + std::to_string(tenths) + "</staff-distance></staff-layout>";
  };
  // The second staff 10 mm below the first in the first system, 20 mm in the second.
  const std::string p1 = Part("P1", Measure("1", "<print/>" + attrs + Note(4)) + Measure("2", Note(4)) +
                                        Measure("3", "<print new-system=\"yes\"/>" + Note(4)) + Measure("4", Note(4)));
  const std::string p2 =
      Part("P2", Measure("1", "<print>" + distance(100) + "</print>" + attrs + Note(4)) + Measure("2", Note(4)) +
                     Measure("3", "<print new-system=\"yes\">" + distance(200) + "</print>" + Note(4)) +
                     Measure("4", Note(4)));
  ImportXML x("<score-partwise>" + defaults + "<part-list>" + ScorePart("P1", "A") + ScorePart("P2", "B") +
              "</part-list>" + p1 + p2 + "</score-partwise>");
  ASSERT_EQ(x.Squelette(), 1);
  ASSERT_EQ(x.NbPortees(), 2);
  ASSERT_EQ((*x.Score())->nbMesures, 4);
  const float k = 4.7244094500000005f;  // units per millimetre
  // Both staves: 14 mm high with their line 9 mm down in the first system,
  // 24 mm and 14 mm in the second.
  const int16_t hauteur = int16_t(std::lround(19 * k)), ligne = int16_t(11.5f * k);
  const int32_t h1 = int32_t(14 * k - 1) - hauteur, h2 = int32_t(24 * k - 1) - hauteur;
  const int32_t b1 = int32_t(9 * k) - ligne, b2 = int32_t(14 * k) - ligne;
  ASSERT_LT(h1, 0);
  ASSERT_GT(h2, 0);
  for (int16_t st = 0; st < 2; st++) {
    Portee** staff = x.Staff(st);
    EXPECT_EQ((*staff)->hauteurBaseRuban, hauteur) << st;
    EXPECT_EQ((*staff)->decalageLigneBasBaseRuban, ligne) << st;
    std::vector<int32_t> h, b, p;
    for (int16_t bar = 0; bar < 4; bar++) {
      h.push_back(ExtractStaffHeightEvt(staff, 'H', bar, bar));
      b.push_back(ExtractStaffHeightEvt(staff, 'B', bar, bar));
      p.push_back(ExtractStaffHeightEvt(staff, 'P', bar, bar));
    }
    EXPECT_EQ(h, (std::vector<int32_t>{h1, h1, h2, h2})) << st;
    EXPECT_EQ(b, (std::vector<int32_t>{b1, b1, b2, b2})) << st;
    EXPECT_EQ(p, b) << st;
    // 20 mm down, less the 5 mm above the first staff and 7 mm for the titles.
    EXPECT_EQ(ExtractStaffHeightEvt(staff, 'M', 0, 1), int32_t(8 * k)) << st;
    EXPECT_EQ(ExtractStaffHeightEvt(staff, 'M', 2, 3), 0) << st;
  }
}

// The file's beam width goes to every staff, against the staves' line spacing
// and held to 31; without one the staves keep theirs.
TEST(XMLPagination, BeamWidthFromTheAppearance) {
  const auto largeur = [](const std::string& beam) {
    const std::string appearance =
        beam.empty() ? "" : "<appearance><line-width type=\"beam\">" + beam + "</line-width></appearance>";
    ImportXML x(AvecDefauts(appearance));
    EXPECT_EQ(x.Notes(), 1);
    const uint8_t avant = (*x.Staff(0))->epaisseurBarre;
    XMLFinalizeAppearance(x.doc);
    return std::make_pair(avant, (*x.Staff(0))->epaisseurBarre);
  };
  const auto sans = largeur("");
  EXPECT_EQ(sans.second, sans.first);
  EXPECT_EQ(largeur("1000").second, 31);
  const int fin = largeur("2").second, epais = largeur("5").second;
  EXPECT_GT(fin, 0);
  EXPECT_GT(epais, fin);
  EXPECT_LT(epais, 31);
}

// The file's stem, staff-line, bar-line and leger-line widths become the
// score's thickness slots; widths it does not give keep the defaults, and a
// hostile one stays within an inch.
TEST(XMLPagination, LineWidthsFromTheAppearance) {
  const auto slots = [](const std::string& widths) {
    ImportXML x(AvecDefauts("<appearance>" + widths + "</appearance>"));
    EXPECT_EQ(x.Notes(), 1);
    XMLFinalizeAppearance(x.doc);
    return (*x.doc->partitionCourante)->modeGraphique;
  };
  const auto w = [](const char* type, const char* v) {
    return std::string("<line-width type=\"") + type + "\">" + v + "</line-width>";
  };
  const ModeGraphique defaut = slots("");
  const int kSlots[] = {kSlotEpaisseurQueue, kSlotEpaisseurLignePortee, kSlotEpaisseurBarreFine,
                        kSlotEpaisseurBarreEpaisse, kSlotEpaisseurLigneSup};
  // Widths of other things leave the slots as an empty appearance does.
  const ModeGraphique sans = slots(w("enclosure", "3") + w("ending", "2") + w("beam", "5"));
  for (int k : kSlots) EXPECT_EQ(sans.slot[k], defaut.slot[k]) << k;

  const ModeGraphique m = slots(w("stem", "1.5") + w("staff", "1.5") + w("light barline", "3") +
                                w("heavy barline", "12") + w("leger", "1e9"));
  EXPECT_GT(m.slot[kSlotEpaisseurQueue], 0);
  EXPECT_EQ(m.slot[kSlotEpaisseurLignePortee], m.slot[kSlotEpaisseurQueue]);  // the same width
  EXPECT_EQ(m.slot[kSlotEpaisseurBarreFine], 2 * m.slot[kSlotEpaisseurQueue]);
  EXPECT_GT(m.slot[kSlotEpaisseurBarreEpaisse], 3 * m.slot[kSlotEpaisseurBarreFine]);
  EXPECT_EQ(m.slot[kSlotEpaisseurLigneSup], 288);
  // Slots beside them are untouched.
  EXPECT_EQ(m.slot[kSlotEpaisseurQueue + 1], defaut.slot[kSlotEpaisseurQueue + 1]);
  EXPECT_EQ(m.slot[kSlotEpaisseurLignePortee + 1], defaut.slot[kSlotEpaisseurLignePortee + 1]);

  // A stem held to its smallest width (1 tenth) is still drawn; a staff line
  // of next to nothing is one unit thick.
  const ModeGraphique fin = slots(w("stem", "0.01") + w("staff", "0.0001"));
  EXPECT_GE(fin.slot[kSlotEpaisseurQueue], 1);
  EXPECT_EQ(fin.slot[kSlotEpaisseurLignePortee], 1);
}

// The enclosure width and the grace-note size the file gives become the
// score's; without them the score keeps none (the drawing's own).
TEST(XMLPagination, EnclosureAndGraceSizeFromTheAppearance) {
  const auto mode = [](const std::string& appearance) {
    ImportXML x(AvecDefauts("<appearance>" + appearance + "</appearance>"));
    EXPECT_EQ(x.Notes(), 1);
    XMLFinalizeAppearance(x.doc);
    return (*x.doc->partitionCourante)->modeGraphique;
  };
  const ModeGraphique sans = mode("");
  EXPECT_EQ(sans.epaisseurCadreTexte, 0);
  EXPECT_EQ(sans.pourcentGraces, 0);

  const auto avec = mode(
      "<line-width type=\"enclosure\">1.5</line-width><line-width type=\"stem\">1.5</line-width>"
      "<note-size type=\"grace\">60</note-size>");
  EXPECT_GT(avec.epaisseurCadreTexte, 0);
  EXPECT_EQ(avec.epaisseurCadreTexte, avec.slot[kSlotEpaisseurQueue]);  // the same width
  EXPECT_EQ(avec.pourcentGraces, 50);

  // A hostile size stays within what a size byte can scale.
  EXPECT_EQ(mode("<note-size type=\"grace\">1e9</note-size>").pourcentGraces, 400);
}

// A free text ends where its text ends on the ribbon: a longer text later,
// whatever end it had; lyric cells keep their span.
TEST(XMLPagination, FreeTextsEndWhereTheirTextEnds) {
  ImportXML x(Partwise(ScorePart("P", "P"), Part("P", Measure("1", Note(4)) + Measure("2", Note(4)))));
  ASSERT_EQ(x.Notes(), 1);
  Portee** staff = x.Staff(0);
  const int32_t court = CreeObjetTexte(staff, "i", 0, 12, 0, 40320, 0, 0);
  const int32_t long_ = CreeObjetTexte(staff, "WWWWWWWWWWWWWWWWWWWW", 0, 12, 0, 40320, 0, 0);
  ASSERT_GE(court, 0);
  ASSERT_GE(long_, 0);
  Texte cellule{};
  cellule.debut = 0;
  cellule.fin = 161279;
  cellule.ligne = 1;
  const int32_t paroles = SetEnregTexte(staff, -1, &cellule, "la");
  ASSERT_GE(paroles, 0);
  int32_t n = 0;
  for (int32_t i : {court, long_}) GetTextesPortee(staff, &n)[i].fin = 50 * 161280;
  XMLPaginationRecalculeLargeurObjetsTexte(x.doc);
  const Texte* t = GetTextesPortee(staff, &n);
  EXPECT_GT(t[court].fin, t[court].debut);
  EXPECT_GT(t[long_].fin, t[court].fin);
  EXPECT_LT(t[long_].fin, 50 * 161280);
  EXPECT_EQ(t[paroles].fin, 161279);
}

}  // namespace
