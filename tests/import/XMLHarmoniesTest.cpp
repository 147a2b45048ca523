// Chord symbols of a MusicXML import: chord components from a kind and its
// degrees, chord names spelled from them, names on the staff's chord-name
// line (or as free texts) and frames as diagram placements on the final
// piano roll.
#include "import/XMLHarmonies.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "import/XMLDirections.h"
#include "import/XMLImportFixture.h"
#include "model/DiagrammesAccord.h"
#include "model/DonneesAccords.h"
#include "model/QrvText.h"
#include "model/Ruban.h"
#include "notation/ServicesNotation.h"
#include "platform/Memory.h"
#include "support/DataFiles.h"

namespace {

using tamrel_test::ImportXML;
using tamrel_test::Measure;
using tamrel_test::Note;
using tamrel_test::Part;
using tamrel_test::Partwise;
using tamrel_test::ScorePart;

constexpr int16_t A = kXMLDegreAbsent;

// Components 1..13 as a vector, index 0 dropped.
std::vector<int16_t> Composantes(uint32_t type, std::vector<XMLDegreHarmonie> degrees = {}) {
  XMLHarmonie h;
  std::memset(&h, 0, sizeof h);
  h.typeAccord = type;
  for (size_t i = 0; i < degrees.size(); i++) h.degres[i] = degrees[i];
  int16_t c[kXMLNbComposantes];
  CvtXMLHarmonyToComposants(&h, c);
  return std::vector<int16_t>(c + 1, c + kXMLNbComposantes);
}

TEST(XMLHarmonies, ComponentsFromTheChordTypeAndDegrees) {
  struct {
    uint32_t type;
    std::vector<XMLDegreHarmonie> degrees;
    std::vector<int16_t> expected;  // degrees 1..13
  } cases[] = {
      // Dominant seventh: third, fifth, minor seventh.
      {5, {}, {A, A, 0, A, 0, A, -1, A, A, A, A, A, A}},
      // Suspended fourth and second take the place of the third.
      {24, {}, {A, A, A, 0, 0, A, A, A, A, A, A, A, A}},
      {23, {}, {A, 0, A, A, 0, A, A, A, A, A, A, A, A}},
      // Diminished seventh, minor thirteenth.
      {8, {}, {A, A, -1, A, -1, A, -2, A, A, A, A, A, A}},
      {22, {}, {A, A, -1, A, 0, A, -1, A, 0, A, 0, A, 0}},
      // An absent degree altered goes below absent; a subtracted one is absent.
      {5, {{9, kXMLDegreAltere, -1}, {5, kXMLDegreRetire, 0}}, {A, A, 0, A, A, A, -1, A, -10, A, A, A, A}},
      {5, {{9, kXMLDegreAjoute, -1}}, {A, A, 0, A, 0, A, -1, A, -1, A, A, A, A}},
      // No row for the type: only the degrees; degrees outside 1..13 and
      // unknown types are skipped.
      {31,
       {{9, kXMLDegreAjoute, 0}, {14, kXMLDegreAjoute, 0}, {0, kXMLDegreAjoute, 0}, {3, 7, 0}},
       {A, A, A, A, A, A, A, A, 0, A, A, A, A}},
      // Power chord: the fifth alone.
      {30, {}, {A, A, A, A, 0, A, A, A, A, A, A, A, A}},
  };
  for (const auto& c : cases) EXPECT_EQ(Composantes(c.type, c.degrees), c.expected) << "type " << c.type;

  // Type 0 is major, in the description too.
  XMLHarmonie h;
  std::memset(&h, 0, sizeof h);
  int16_t comps[kXMLNbComposantes];
  CvtXMLHarmonyToComposants(&h, comps);
  EXPECT_EQ(h.typeAccord, 1u);
  EXPECT_EQ(std::vector<int16_t>(comps + 1, comps + kXMLNbComposantes), Composantes(1));
  EXPECT_EQ(Composantes(1), (std::vector<int16_t>{A, A, 0, A, 0, A, A, A, A, A, A, A, A}));
}

TEST(XMLHarmonies, KindNamesAndTable) {
  EXPECT_EQ(XMLTypeAccordHarmonie("major"), 1u);
  EXPECT_EQ(XMLTypeAccordHarmonie("Minor-Seventh"), 7u);
  EXPECT_EQ(XMLTypeAccordHarmonie("suspended-fourth"), 24u);
  EXPECT_EQ(XMLTypeAccordHarmonie("power"), 0u);
  EXPECT_EQ(XMLTypeAccordHarmonie(nullptr), 0u);
  int rows = 0;
  while (tabAccordsPredefXML[rows].type != 0) rows++;
  EXPECT_EQ(rows, 26);
  // Every kind the import names has its row.
  for (uint32_t t = 1; t <= 24; t++) {
    bool found = false;
    for (int r = 0; r < rows; r++) found = found || uint32_t(tabAccordsPredefXML[r].type) == t;
    EXPECT_TRUE(found) << t;
  }
}

std::string Nom(const std::string& harmony) {
  Handle h = NewHandle(Size(harmony.size()));
  std::memcpy(*h, harmony.data(), harmony.size());
  char err[kXMLErrTextSize] = {};
  XMLRootElt* root = BrowseXMLFile(h, nullptr, err, 1);
  DisposeHandle(h);
  EXPECT_NE(root, nullptr) << err;
  if (!root) return "?";
  char name[64];
  const bool ok = XMLNomHarmonie(root->head.children[0], name, sizeof name);
  XMLBrowserDispose(root);
  return ok ? std::string(name) : std::string("(none)");
}

std::string Harmonie(const std::string& step, const std::string& kind, const std::string& more = "",
                     const std::string& alter = "") {
  return "<harmony><root><root-step>" + step + "</root-step>" +
         (alter.empty() ? "" : "<root-alter>" + alter + "</root-alter>") + "</root><kind>" + kind + "</kind>" + more +
         "</harmony>";
}

std::string Degre(int value, int alter, const char* type) {
  return "<degree><degree-value>" + std::to_string(value) + "</degree-value><degree-alter>" + std::to_string(alter) +
         "</degree-alter><degree-type>" + type + "</degree-type></degree>";
}

TEST(XMLHarmonies, ChordNamesSpelled) {
  struct {
    std::string harmony;
    const char* name;
  } cases[] = {
      {Harmonie("A", "minor-seventh", "", "-1"), "Abm7"},
      {Harmonie("C", "dominant", Degre(9, 0, "add")), "C9"},
      {Harmonie("C", "dominant", Degre(9, -1, "add")), "C7-9"},
      {Harmonie("C", "major-seventh"), "CM7"},
      {Harmonie("C", "major-ninth"), "CM7/9"},
      {Harmonie("C", "diminished-seventh"), "Cdim7"},
      {Harmonie("C", "diminished"), "Cdim"},
      {Harmonie("C", "minor-sixth"), "Cm6"},
      {Harmonie("C", "augmented"), "C+5"},
      {Harmonie("C", "suspended-fourth"), "CSus4"},
      {Harmonie("C", "suspended-second"), "CSus2"},
      {Harmonie("C", "dominant-13th"), "C13"},
      {Harmonie("C", "minor-11th"), "Cm11"},
      {Harmonie("F", "major", Degre(9, 0, "add"), "1"), "F#Add9"},
      {Harmonie("C", "major", Degre(5, 0, "subtract")), "COmit5"},
      // A half-diminished chord keeps its minor seventh.
      {Harmonie("B", "half-diminished"), "Bm7-5"},
      // An added second is spelled rather than dropped.
      {Harmonie("E", "major", Degre(2, 0, "add"), "-1"), "EbAdd2"},
      {Harmonie("C", "major-seventh", Degre(11, 1, "add")), "CM7Add+11"},
      {Harmonie("B", "dominant", Degre(5, 1, "alter") + Degre(9, 1, "add")), "B7+9+5"},
      // A kind the table lacks is major: the root alone.
      {Harmonie("C", "power"), "C"},
      // The kind's own text ends the name: no degrees, no bass.
      {"<harmony><root><root-step>C</root-step></root><kind text=\"maj7\">major-seventh</kind>" + Degre(9, 0, "add") +
           "<bass><bass-step>E</bass-step></bass></harmony>",
       "Cmaj7"},
      {Harmonie("G", "major", "<bass><bass-step>B</bass-step><bass-alter>-1</bass-alter></bass>"), "G/Bb"},
      {"<harmony><root><root-step text=\"\">C</root-step></root><kind text=\"N.C.\">none</kind></harmony>", "N.C."},
      // A chord given as a function names no root.
      {"<harmony><function>V</function><kind>dominant</kind></harmony>", "(none)"},
  };
  for (const auto& c : cases) EXPECT_EQ(Nom(c.harmony), c.name) << c.harmony;
}

const char* kAttributs =
    "<attributes><divisions>1</divisions><time><beats>4</beats><beat-type>4</beat-type></time></attributes>";

std::vector<std::string> CellulesAccords(Portee** staff, int16_t bars) {
  std::vector<std::string> r;
  for (int16_t b = 0; b < bars; b++) {
    char texte[kTailleTexteCellule];
    r.push_back(GetTexteKaraokeCellule(staff, kLigneTexteAccords, b, 0, texte, nullptr));
  }
  return r;
}

std::vector<std::string> TextesLibres(Portee** staff) {
  std::vector<std::string> r;
  int32_t n = 0;
  const Texte* t = GetTextesPortee(staff, &n);
  for (int32_t i = 0; i < n; i++)
    if (t[i].ligne == kLigneTexteLibre && t[i].texte) r.emplace_back(reinterpret_cast<const char*>(*t[i].texte));
  return r;
}

// Two bars: chords on beats 1 and 3 of the first, a frame on beat 1 of the
// second, a chord of another part's staff.
TEST(XMLHarmonies, NamesOnTheChordLineAndFramesAsPlacements) {
  const std::string frame =
      "<harmony placement=\"above\"><root><root-step>G</root-step></root><kind>major</kind>"
      "<frame><frame-strings>6</frame-strings><frame-frets>4</frame-frets>"
      "<frame-note><string>6</string><fret>3</fret><fingering>2</fingering></frame-note>"
      "<frame-note><string>5</string><fret>2</fret><fingering>1</fingering></frame-note>"
      "<frame-note><string>4</string><fret>0</fret></frame-note>"
      "<frame-note><string>3</string><fret>0</fret></frame-note>"
      "<frame-note><string>2</string><fret>0</fret></frame-note>"
      "<frame-note><string>1</string><fret>3</fret><fingering>3</fingering></frame-note>"
      "</frame></harmony>";
  const std::string m1 = std::string(kAttributs) + Harmonie("C", "major") + Note(2) + Harmonie("A", "minor") + Note(2);
  const std::string m2 = frame + Note(4);
  ImportXML t(Partwise(ScorePart("P", "P"), Part("P", Measure("1", m1) + Measure("2", m2))));
  ASSERT_EQ(t.Notes(), 1);
  Portee** staff = t.Staff(0);
  ASSERT_NE(staff, nullptr);
  EXPECT_EQ((*staff)->ligneAccordsAffichee, 1);
  EXPECT_EQ((*staff)->lignesTexte[1].modeTaquets, uint32_t(kTaquetsNombre));
  EXPECT_EQ((*staff)->lignesTexte[1].parametreTaquets, 16);
  // Beat 3 is column 8 of 16: seven blank columns between.
  EXPECT_EQ(CellulesAccords(staff, 2), (std::vector<std::string>{"C        Am ", ""}));
  EXPECT_TRUE(TextesLibres(staff).empty());

  ASSERT_EQ((*staff)->nbDiagrammes, 1);
  PlacementDiagramme p = reinterpret_cast<PlacementDiagramme*>(*(*staff)->diagrammes)[0];
  EXPECT_STREQ(p.accord.nom, "G");
  EXPECT_EQ(p.accord.fondamentale, 4);
  EXPECT_EQ(p.afficheNom, 1);
  EXPECT_EQ(std::string(p.cordes, 6), "21   3");
  EXPECT_EQ(p.caseBase, 1);
  ASSERT_EQ(p.nbPoints, 6);  // all six strings: none dropped
  EXPECT_EQ(p.points[0].caseManche, 2);
  EXPECT_EQ(p.points[0].premiereCorde, 0);
  EXPECT_EQ(p.points[2].caseManche, -1);  // open: above the grid
  EXPECT_EQ(p.points[5].caseManche, 2);
  EXPECT_EQ(p.points[5].premiereCorde, 5);
  EXPECT_EQ(p.modePosition, 0);
  EXPECT_EQ(p.debut, 161280);
  // Above the staff: the box ends at the anchor and rises 6 staff spaces.
  EXPECT_EQ(p.bas - p.haut, 48);
  EXPECT_EQ((*staff)->uniteObjet, kXMLUniteObjet);
  EXPECT_NE(p.idUnique, 0u);
  Partition** score = t.Score();
  ASSERT_GE(p.indexDiagramme, 0);
  const DiagrammeAccord& base = reinterpret_cast<DiagrammeAccord*>(*(*score)->diagrammesCustoms)[p.indexDiagramme];
  EXPECT_EQ(base.idUnique, p.idUnique);
  EXPECT_EQ(std::string(base.cordes, 6), "21   3");

  // The late step: ribbon x of the tick x 32, the width added.
  const int32_t x = DeZoomRuban(score, CvtTempsEnPixelRuban(score, 161280));
  XMLPaginationRecalculeLargeurDiagrammes(t.doc);
  p = reinterpret_cast<PlacementDiagramme*>(*(*staff)->diagrammes)[0];
  EXPECT_EQ(p.modePosition, 1);
  EXPECT_EQ(p.debut, x * 32);
  EXPECT_EQ(p.fin - p.debut, 42 * 32);
  // Done once: a second call leaves it.
  XMLPaginationRecalculeLargeurDiagrammes(t.doc);
  EXPECT_EQ(reinterpret_cast<PlacementDiagramme*>(*(*staff)->diagrammes)[0].debut, x * 32);
}

TEST(XMLHarmonies, FrameSizesBarresAndSharedChords) {
  // A five-string frame without frets; a barre; the same frame twice.
  const std::string cinq =
      "<harmony><root><root-step>D</root-step></root><kind>major</kind>"
      "<frame><frame-strings>5</frame-strings><first-fret>10</first-fret>"
      "<frame-note><string>5</string><fret>10</fret><barre type=\"start\"/></frame-note>"
      "<frame-note><string>3</string><fret>12</fret></frame-note>"
      "<frame-note><string>1</string><fret>10</fret><barre type=\"stop\"/></frame-note>"
      "<frame-note><string>9</string><fret>1</fret></frame-note>"
      "</frame></harmony>";
  const std::string m = std::string(kAttributs) + cinq + Note(2) + cinq + Note(2);
  ImportXML t(Partwise(ScorePart("P", "P"), Part("P", Measure("1", m))));
  ASSERT_EQ(t.Notes(), 1);
  Portee** staff = t.Staff(0);
  ASSERT_EQ((*staff)->nbDiagrammes, 2);
  const PlacementDiagramme* p = reinterpret_cast<PlacementDiagramme*>(*(*staff)->diagrammes);
  EXPECT_EQ(p[0].cordes[5], 0);                     // five strings
  EXPECT_EQ(std::string(p[0].cordes, 5), "     ");  // no string under the barre muted
  EXPECT_EQ(p[0].caseBase, 10);
  ASSERT_EQ(p[0].nbPoints, 2);
  EXPECT_EQ(p[0].points[0].caseManche, 0);
  EXPECT_EQ(p[0].points[0].premiereCorde, 0);
  EXPECT_EQ(p[0].points[0].derniereCorde, 4);  // the barre across
  EXPECT_EQ(p[1].idUnique, p[0].idUnique);
  EXPECT_EQ(p[1].indexDiagramme, p[0].indexDiagramme);
  Partition** score = t.Score();
  EXPECT_EQ(GetNbDiagrammesAccords((*score)->diagrammesCustoms), 1);
  // Width 5 x 7 + 5 past fret 9; height 60 tenths without frets, ending at the
  // anchor (above by default).
  XMLPaginationRecalculeLargeurDiagrammes(t.doc);
  EXPECT_EQ(p[0].fin - p[0].debut, 40 * 32);
  EXPECT_EQ(p[0].bas - p[0].haut, 48);
}

TEST(XMLHarmonies, HostileFramesStayInTheRecord) {
  const std::string frame =
      "<harmony><root><root-step>D</root-step></root><kind>major</kind>"
      "<frame width=\"-5\" height=\"1e30\"><frame-strings>40</frame-strings><first-fret>-3</first-fret>"
      "<frame-note><string>40</string><fret>200</fret></frame-note>"
      "<frame-note><string>1</string><fret>2</fret><fingering>4</fingering></frame-note>"
      "<frame-note><string>0</string><fret>2</fret></frame-note>"
      "<frame-note><string>3</string><fret>0</fret><barre type=\"stop\"/></frame-note>"
      "</frame></harmony>";
  ImportXML t(Partwise(ScorePart("P", "P"), Part("P", Measure("1", std::string(kAttributs) + frame + Note(4)))));
  ASSERT_EQ(t.Notes(), 1);
  Portee** staff = t.Staff(0);
  ASSERT_EQ((*staff)->nbDiagrammes, 1);
  const PlacementDiagramme& p = *reinterpret_cast<PlacementDiagramme*>(*(*staff)->diagrammes);
  EXPECT_EQ(p.caseBase, 1);
  // Only the string that falls on the record's six marks is kept.
  ASSERT_EQ(p.nbPoints, 1);
  EXPECT_EQ(p.points[0].premiereCorde, 0);
  EXPECT_EQ(p.points[0].caseManche, 99);
  XMLPaginationRecalculeLargeurDiagrammes(t.doc);
  EXPECT_GT(p.fin, p.debut);
  EXPECT_LE(p.bas - p.haut, 2000);
}

TEST(XMLHarmonies, SameColumnNoStaffAndNoColumn) {
  // Two chords on one column: the later one takes it. A chord of no staff
  // is dropped; one moved before the first bar has no column and stays as a
  // free text.
  const std::string m =
      std::string(kAttributs) + Harmonie("C", "major") + Harmonie("D", "minor") +
      "<harmony><root><root-step>E</root-step></root><kind>major</kind><staff>7</staff></harmony>" +
      "<harmony><root><root-step>F</root-step></root><kind>major</kind><offset>-3</offset></harmony>" + Note(4);
  ImportXML t(Partwise(ScorePart("P", "P"), Part("P", Measure("1", m))));
  ASSERT_EQ(t.Notes(), 1);
  Portee** staff = t.Staff(0);
  EXPECT_EQ(CellulesAccords(staff, 1), (std::vector<std::string>{"Dm "}));
  EXPECT_EQ(TextesLibres(staff), (std::vector<std::string>{"F"}));
}

TEST(XMLHarmonies, CorpusChordNames) {
  ASSERT_TRUE(tamrel_test::HasData("musicxml/71a-Chordnames.xml"));
  std::string xml;
  ASSERT_TRUE(tamrel_test::ReadData("musicxml/71a-Chordnames.xml", &xml));
  ImportXML t(xml);
  ASSERT_EQ(t.Notes(), 1);
  Portee** staff = t.Staff(0);
  ASSERT_NE(staff, nullptr);
  // One chord a beat, each at column 0, 4, 8 and 12 of its bar.
  auto colonnes = [](std::vector<std::string> n) {
    std::string r;
    for (size_t i = 0; i < n.size(); i++) r += n[i] + (i + 1 < n.size() ? "    " : " ");
    return r;
  };
  EXPECT_EQ(CellulesAccords(staff, 2), (std::vector<std::string>{colonnes({"C", "CM7Add+11", "B7+9+5", "EbAdd2"}),
                                                                 colonnes({"Gm", "D#M7", "Adim7", "A+5"})}));
}

}  // namespace
