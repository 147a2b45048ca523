// The notes pass of a MusicXML import: notes, rests and chords in their
// staves; ties, slurs and beams from their pending stacks; notations and
// marks; grace notes and the closing steps.
#include "import/XMLNotes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "import/XMLGraces.h"
#include "import/XMLImportFixture.h"
#include "import/XMLNotations.h"
#include "import/XMLNotesReleve.h"
#include "import/XMLPileNotes.h"
#include "model/PartGroups.h"
#include "model/QrvDynamics.h"
#include "notation/QrvLiaisonCoule.h"
#include "stafftypes/ServicesTypesPortee.h"

namespace {

using tamrel_test::Accords;
using tamrel_test::Graces;
using tamrel_test::Hauteur;
using tamrel_test::ImportXML;
using tamrel_test::Lien;
using tamrel_test::Liens;
using tamrel_test::Marks;
using tamrel_test::Measure;
using tamrel_test::NomNote;
using tamrel_test::Part;
using tamrel_test::Partwise;
using tamrel_test::ScorePart;
using tamrel_test::Signes;

const std::string kDebut =
    "<attributes><divisions>1</divisions><time><beats>4</beats><beat-type>4</beat-type></time>"
    "<clef><sign>G</sign><line>2</line></clef></attributes>";

std::string UnePartie(const std::string& measures) { return Partwise(ScorePart("P", "P"), Part("P", measures)); }

std::string Notations(const std::string& inner) { return "<notations>" + inner + "</notations>"; }

const Signe& NoteA(const std::vector<Signe>& s, size_t i) {
  static const Signe vide{};
  return i < s.size() ? s[i] : vide;
}

TEST(XMLNotes, PitchesAccidentalsAndTuplets) {
  // Alterations of -2..2 give their accidental; others only shift; pitches
  // outside 0..127 drop the note; unpitched notes take their display step.
  const std::string m = kDebut + Hauteur("F", 4, 1, "", "1") + Hauteur("C", 4, 1, "", "3") + Hauteur("B", 9, 1) +
                        Hauteur("C", -2, 1) + Hauteur("E", 4, 1, "", "-2") +
                        "<note><unpitched><display-step>A</display-step><display-octave>3</display-octave>"
                        "</unpitched><duration>1</duration></note>";
  ImportXML x(UnePartie(Measure("1", m)));
  ASSERT_EQ(x.Notes(), 1);
  // The two dropped notes leave their time to a hidden rest.
  EXPECT_EQ(Accords(x.Staff(0)), (std::vector<std::string>{"F#4 40320", "D#4 40320", "D4 40320", "A3 40320"}));
  const std::vector<Signe> s = Signes(x.Staff(0));
  ASSERT_EQ(s.size(), 5u);
  EXPECT_TRUE(s[2].kind == kSigneSilence && (s[2].flags & kSigneCache));
  EXPECT_EQ(s[2].duree, 2 * 40320);
  const uint8_t codes[] = {1, 2, 0, 5, 2};
  for (size_t i : {0, 1, 3, 4}) EXPECT_EQ(NoteA(s, i).alteration & kAlterationMasque, codes[i]) << i;

  // Tuplet words: 3:2 as it stands, 48:32 brought to 3:2, 15:16 halved.
  struct {
    const char* actual;
    const char* normal;
    uint16_t word;
  } tuplets[] = {{"3", "2", 0x23}, {"48", "32", 0x23}, {"15", "16", 0x87}};
  for (auto& t : tuplets) {
    const std::string tm = std::string("<time-modification><actual-notes>") + t.actual +
                           "</actual-notes><normal-notes>" + t.normal + "</normal-notes></time-modification>";
    ImportXML y(UnePartie(Measure("1", kDebut + Hauteur("C", 4, 1, "<type>quarter</type>" + tm))));
    ASSERT_EQ(y.Notes(), 1);
    EXPECT_EQ(NoteA(Signes(y.Staff(0)), 0).motTuplet, t.word) << t.actual << ":" << t.normal;
  }
}

TEST(XMLNotes, NoteFieldsFromTheFile) {
  const std::string m =
      kDebut +
      Hauteur("C", 5, 1,
              "<stem>down</stem><notehead>x</notehead><cue/><accidental editorial=\"yes\">natural</accidental>") +
      "<note dynamics=\"50\" release=\"0\"><pitch><step>D</step><octave>5</octave></pitch><duration>1</duration>"
      "<stem default-y=\"-55\">down</stem><notehead>do</notehead></note>" +
      Hauteur("E", 4, 1, "<stem relative-y=\"10\">up</stem>") + Hauteur("F", 4, 1, "<stem>double</stem>");
  ImportXML x(UnePartie(Measure("1", m)));
  ASSERT_EQ(x.Notes(), 1);
  Portee** staff = x.Staff(0);
  const std::vector<Signe> s = Signes(staff);
  ASSERT_EQ(s.size(), 5u);
  EXPECT_TRUE(s[0].flags & kSigneQueueEnBas);
  EXPECT_EQ(s[0].formeTete, 3);
  EXPECT_EQ(s[0].taille, 70);
  EXPECT_EQ(s[0].alteration & (kAlterationMasque | kAlterationParentheses), 0 | kAlterationParentheses);
  // A natural the key makes anyway is written out on purpose.
  EXPECT_TRUE(s[0].alteration & kAlterationToujours);
  EXPECT_EQ(s[1].velocity, 64);  // round(1.27 x 50)
  EXPECT_EQ(s[1].pourcentJoue, 100);
  EXPECT_EQ(s[1].formeTete, 1);
  EXPECT_EQ((*staff)->modeFormeNotes, 2);
  EXPECT_GT(s[1].longueurQueue, 0);
  EXPECT_EQ(s[2].longueurQueue, 25);  // 0.7 x 10 + 18
  EXPECT_FALSE(s[2].flags & kSigneQueueEnBas);
  // A doubled stem: the same note twice in one chord, the copy stem down.
  EXPECT_EQ(Accords(staff).back(), "F4+F4 40320");
  EXPECT_TRUE(s[3].flags & kSigneQueueEnBas);
  EXPECT_FALSE(s[4].flags & kSigneQueueEnBas);
}

TEST(XMLNotes, ChordsRestsAndVoices) {
  // Notes of one voice at one time make a chord with or without "chord";
  // voices go to their own staves; a rest's display step places it; gaps a
  // voice leaves are hidden rests.
  const std::string m = kDebut + Hauteur("C", 4, 2, "<voice>1</voice>") +
                        Hauteur("E", 4, 2, "<chord/><voice>1</voice>") +
                        "<note><rest><display-step>B</display-step><display-octave>4</display-octave></rest>"
                        "<duration>1</duration><voice>1</voice></note>"
                        "<note><rest/><duration>1</duration><voice>1</voice></note>"
                        "<backup><duration>4</duration></backup>"
                        "<forward><duration>2</duration></forward>" +
                        Hauteur("G", 3, 2, "<voice>2</voice>");
  ImportXML x(UnePartie(Measure("1", m)));
  ASSERT_EQ(x.Notes(), 1);
  ASSERT_EQ(x.NbPortees(), 2);
  EXPECT_EQ(Accords(x.Staff(0)), (std::vector<std::string>{"E4+C4 80640", "r 40320", "r 40320"}));
  EXPECT_EQ(Accords(x.Staff(1)), (std::vector<std::string>{"G3 80640"}));
  const std::vector<Signe> s = Signes(x.Staff(0));
  EXPECT_EQ(s[2].decalageSilence, 0);  // B4 is the treble staff's middle line
  for (const Signe& r : s) {
    // Rests stay shown; the pass's own mark is gone.
    EXPECT_EQ(r.flags & kXMLSilencePlacee, 0);
    if (r.kind == kSigneSilence) {
      EXPECT_EQ(r.flags & kSigneCache, 0);
    }
  }
  const std::vector<Signe> v2 = Signes(x.Staff(1));
  ASSERT_FALSE(v2.empty());
  EXPECT_EQ(v2[0].kind, kSigneSilence);
  EXPECT_TRUE(v2[0].flags & kSigneCache);

  // A rest placed a step above: 3 thirds of a step.
  ImportXML y(UnePartie(
      Measure("1", kDebut + "<note><rest><display-step>C</display-step><display-octave>5</display-octave></rest>"
                            "<duration>4</duration></note>")));
  ASSERT_EQ(y.Notes(), 1);
  EXPECT_EQ(NoteA(Signes(y.Staff(0)), 0).decalageSilence, 3);
}

TEST(XMLNotes, Ties) {
  const std::string start = Notations("<tied type=\"start\"/>"), stop = Notations("<tied type=\"stop\"/>");
  const std::string cont = Notations("<tied type=\"stop\"/><tied type=\"start\"/>");
  const std::string ring = Notations("<tied type=\"let-ring\"/>");
  struct {
    const char* name;
    std::string notes;
    std::vector<Lien> ties;
  } cases[] = {
      // Start, continue, stop: two ties.
      {"chain",
       Hauteur("C", 4, 1, start) + Hauteur("C", 4, 1, cont) + Hauteur("C", 4, 1, stop),
       {{0, 0, 0, 1}, {0, 1, 0, 2}}},
      {"stop alone", Hauteur("C", 4, 1) + Hauteur("C", 4, 1, stop), {}},
      // A start never stopped is tied to the note of its pitch right after it.
      {"start alone", Hauteur("C", 4, 1, start) + Hauteur("C", 4, 1), {{0, 0, 0, 1}}},
      {"start before a rest",
       Hauteur("C", 4, 1, start) + "<note><rest/><duration>1</duration></note>" + Hauteur("C", 4, 1),
       {}},
      // A let-ring tie ends nowhere: no continuation, no link.
      {"let-ring", Hauteur("C", 4, 1, ring) + Hauteur("C", 4, 1), {}},
      {"let-ring beside a stop",
       Hauteur("C", 4, 1, start) + Hauteur("C", 4, 1, Notations("<tied type=\"stop\"/><tied type=\"let-ring\"/>")) +
           Hauteur("C", 4, 1),
       {{0, 0, 0, 1}}},
  };
  for (auto& c : cases) {
    ImportXML x(UnePartie(Measure("1", kDebut + c.notes)));
    ASSERT_EQ(x.Notes(), 1) << c.name;
    EXPECT_EQ(Liens(x.Score(), kLiaisonCoule), c.ties) << c.name;
  }

  // A unison C4-C4 tied twice: each tie has its own source.
  const std::string unison = kDebut + Hauteur("C", 4, 1, start) + Hauteur("C", 4, 1, "<chord/>" + start) +
                             Hauteur("C", 4, 1, stop) + Hauteur("C", 4, 1, "<chord/>" + stop);
  ImportXML u(UnePartie(Measure("1", unison)));
  ASSERT_EQ(u.Notes(), 1);
  const std::vector<Lien> l = Liens(u.Score(), kLiaisonCoule);
  ASSERT_EQ(l.size(), 2u);
  EXPECT_NE(l[0].source, l[1].source);
  EXPECT_NE(l[0].dest, l[1].dest);
  EXPECT_EQ(Accords(u.Staff(0)).front(), "C4+C4 40320");
}

TEST(XMLNotes, SlursByPartVoiceAndNumber) {
  auto slur = [](const char* type, const char* number = "1", const char* more = "") {
    return Notations(std::string("<slur type=\"") + type + "\" number=\"" + number + "\"" + more + "/>");
  };
  // Two voices of one staff each with a slur numbered 1 at the same time:
  // both are linked (the second start does not close the first).
  const std::string twoVoices =
      kDebut + Hauteur("E", 5, 2, "<voice>1</voice>" + slur("start")) +
      Hauteur("F", 5, 2, "<voice>1</voice>" + slur("stop")) + "<backup><duration>4</duration></backup>" +
      Hauteur("C", 4, 2, "<voice>2</voice>" + slur("start")) + Hauteur("D", 4, 2, "<voice>2</voice>" + slur("stop"));
  ImportXML x(UnePartie(Measure("1", twoVoices)));
  ASSERT_EQ(x.Notes(), 1);
  EXPECT_EQ(Liens(x.Score(), kLiaisonCoule), (std::vector<Lien>{{0, 0, 0, 1}, {1, 0, 1, 1}}));

  struct {
    const char* name;
    std::string notes;
    std::vector<Lien> slurs;
  } cases[] = {
      {"overlapping 1 and 2",
       Hauteur("C", 4, 1, slur("start")) + Hauteur("D", 4, 1, slur("start", "2")) + Hauteur("E", 4, 1, slur("stop")) +
           Hauteur("F", 4, 1, slur("stop", "2")),
       {{0, 0, 0, 2}, {0, 1, 0, 3}}},
      // A second start of the same number closes the first at once: its
      // chain holds only its start, and no link is made for it.
      {"nested",
       Hauteur("C", 4, 1, slur("start")) + Hauteur("D", 4, 1, slur("start")) + Hauteur("E", 4, 1, slur("stop")),
       {{0, 1, 0, 2}}},
      {"no number is number 1",
       Hauteur("C", 4, 1, Notations("<slur type=\"start\"/>")) + Hauteur("D", 4, 1, slur("stop")),
       {{0, 0, 0, 1}}},
      {"continue",
       Hauteur("C", 4, 1, slur("start")) + Hauteur("D", 4, 1, slur("continue")) + Hauteur("E", 4, 1, slur("stop")),
       {{0, 0, 0, 1}, {0, 1, 0, 2}}},
      // A slur may end in another voice of its part.
      {"across voices",
       Hauteur("C", 5, 2, "<voice>1</voice>" + slur("start")) + "<backup><duration>2</duration></backup>" +
           Hauteur("E", 4, 2, "<voice>2</voice>") + Hauteur("F", 4, 2, "<voice>2</voice>" + slur("stop")),
       {{0, 0, 1, 1}}},
  };
  for (auto& c : cases) {
    ImportXML y(UnePartie(Measure("1", kDebut + c.notes)));
    ASSERT_EQ(y.Notes(), 1) << c.name;
    EXPECT_EQ(Liens(y.Score(), kLiaisonCoule), c.slurs) << c.name;
  }

  // A slur between two notes of one pitch reads as a tie and takes a tie's
  // shape, over the notes when placed above.
  ImportXML t(UnePartie(Measure("1", kDebut + Hauteur("C", 4, 1, slur("start", "1", " placement=\"above\"")) +
                                         Hauteur("C", 4, 1, slur("stop")))));
  ASSERT_EQ(t.Notes(), 1);
  DataLiaison d;
  ASSERT_EQ(GetDataLiaisonNote(t.Staff(0), 0, &d), 1);
  EXPECT_EQ(d.formeType, 2u);
  int8_t dx0, dy0, dx1, dy1;
  uint16_t cx;
  int16_t cy;
  GetParamLiaisonCouleNote(t.Staff(0), 0, &dx0, &dy0, &cx, &cy, &dx1, &dy1);
  EXPECT_EQ(cx, 500);
  EXPECT_LT(cy, 0);
  EXPECT_EQ(dy0, -4);
  EXPECT_EQ(dy1, -4);
}

TEST(XMLNotes, Beams) {
  auto beam = [](const char* t, const char* n = "1") {
    return std::string("<beam number=\"") + n + "\">" + t + "</beam>";
  };
  // Begin, continue, end on one staff: joined flags on all but the last.
  const std::string regular = kDebut + Hauteur("C", 4, 1, "<type>eighth</type>" + beam("begin")) +
                              Hauteur("D", 4, 1, "<type>eighth</type>" + beam("continue") + beam("forward hook", "2")) +
                              Hauteur("E", 4, 1, "<type>eighth</type>" + beam("end")) + Hauteur("F", 4, 1);
  ImportXML x(UnePartie(Measure("1", regular)));
  ASSERT_EQ(x.Notes(), 1);
  const std::vector<Signe> s = Signes(x.Staff(0));
  ASSERT_GE(s.size(), 4u);
  EXPECT_TRUE(s[0].flags & kSigneAccroche);
  EXPECT_TRUE(s[1].flags & kSigneAccroche);
  EXPECT_FALSE(s[2].flags & kSigneAccroche);
  EXPECT_FALSE(s[3].flags & kSigneAccroche);
  EXPECT_TRUE(Liens(x.Score(), kLiaisonAccroche).empty());

  // Across the two staves of a part, or with stems turning: beam links.
  const std::string cross = "<attributes><divisions>2</divisions><staves>2</staves></attributes>" +
                            Hauteur("C", 5, 1, "<staff>1</staff><stem>down</stem>" + beam("begin")) +
                            Hauteur("C", 3, 1, "<staff>2</staff><stem>up</stem>" + beam("end"));
  ImportXML y(UnePartie(Measure("1", cross)));
  ASSERT_EQ(y.Notes(), 1);
  // The lower note follows the upper one: a hidden rest stands before it.
  EXPECT_EQ(Liens(y.Score(), kLiaisonAccroche), (std::vector<Lien>{{0, 0, 1, 1}}));
  const std::string turning = "<attributes><divisions>2</divisions></attributes>" +
                              Hauteur("C", 5, 1, "<stem>down</stem>" + beam("begin")) +
                              Hauteur("C", 4, 1, "<stem>up</stem>" + beam("end"));
  ImportXML z(UnePartie(Measure("1", turning)));
  ASSERT_EQ(z.Notes(), 1);
  EXPECT_EQ(Liens(z.Score(), kLiaisonAccroche), (std::vector<Lien>{{0, 0, 0, 1}}));
  EXPECT_FALSE(Signes(z.Staff(0))[0].flags & kSigneAccroche);
}

TEST(XMLNotes, NotationsBecomeMarks) {
  struct {
    const char* notations;
    std::vector<int> marks;
  } cases[] = {
      // The ornaments' accidental mark serves every trill of the element.
      {"<ornaments><trill-mark/><accidental-mark>flat</accidental-mark><trill-mark/></ornaments>", {32, 32}},
      {"<ornaments><trill-mark/></ornaments>", {31}},
      {"<ornaments><turn/><delayed-turn/><mordent long=\"YES\"/><inverted-mordent/><shake/></ornaments>",
       {29, 30, 39, 36}},
      {"<ornaments><tremolo>3</tremolo><tremolo>5</tremolo></ornaments>", {53, 51}},
      {"<technical><fingering>0</fingering><fingering>7</fingering><open-string/><up-bow/><down-bow/>"
       "<harmonic/><thumb-position/><tap/><pluck>a</pluck></technical>",
       {22, 22, 15, 44, 20, 83, 16}},
      {"<technical><string>3</string><string>9</string></technical>", {90}},
      {"<articulations><accent/><strong-accent type=\"down\"/><staccato/><tenuto/><detached-legato/>"
       "<staccatissimo/><breath-mark/><caesura/><scoop/></articulations>",
       {94, 56, 60, 59, 62, 101, 95, 96}},
      {"<fermata/><fermata type=\"inverted\"/><arpeggiate/><accidental-mark>sharp</accidental-mark>"
       "<other-notation>x</other-notation>",
       {49, 50, 98, 99, 99}},
  };
  for (auto& c : cases) {
    ImportXML x(UnePartie(Measure("1", kDebut + Hauteur("C", 5, 1, Notations(c.notations)))));
    ASSERT_EQ(x.Notes(), 1) << c.notations;
    EXPECT_EQ(Marks(x.Staff(0), 0), c.marks) << c.notations;
  }

  // Flip and offsets: an inverted fermata placed above is not flipped; a
  // mark placed below a stem-up note takes 5 tenths off its relative y.
  ImportXML x(UnePartie(Measure(
      "1", kDebut + "<attributes><divisions>1</divisions></attributes>" +
               Hauteur("C", 5, 1,
                       "<stem>up</stem>" + Notations("<fermata type=\"inverted\" placement=\"above\"/><articulations>"
                                                     "<accent placement=\"below\" relative-y=\"10\" relative-x=\"20\"/>"
                                                     "</articulations><accidental-mark>natural</accidental-mark>")))));
  ASSERT_EQ(x.Notes(), 1);
  const ParamEffet* e = GetParamEffetIndexNote(x.Staff(0), 0);
  ASSERT_NE(e, nullptr);
  ASSERT_EQ(GetNbMarks(e->marks), 3);
  const Mark* m = reinterpret_cast<const Mark*>(*e->marks);
  const float mm = XMLGetCurMMParTenth();
  EXPECT_EQ(m[0].code, 94);
  EXPECT_EQ(m[0].param1, 64);
  EXPECT_EQ(int8_t(m[0].param2), int8_t(20 * 3 * mm));
  EXPECT_EQ(int8_t(m[0].param3), int8_t(5 * 3 * mm));
  EXPECT_EQ(m[1].code, 50);
  EXPECT_EQ(m[1].param1, 0);
  EXPECT_EQ(m[1].param3, 0);
  EXPECT_EQ(m[2].glyphe, 110);
  EXPECT_EQ(m[2].actif, 1);
  EXPECT_EQ(m[2].octet4, 0);
}

TEST(XMLNotes, TablatureStringsAndFrets) {
  // On a tablature staff a string sets the note's string byte (from 0) and
  // makes no mark; strings below 1 name none; frets are held to the byte.
  struct {
    const char* technical;
    uint8_t string, fret;
  } cases[] = {{"<string>3</string><fret>5</fret>", 2, 5},
               {"<string>2</string><string>0</string><fret>300</fret>", 1, 255},
               {"<string>2</string><string>-2</string><fret>-4</fret>", 1, 0}};
  for (auto& c : cases) {
    const std::string m = "<attributes><divisions>1</divisions><clef><sign>TAB</sign></clef></attributes>" +
                          Hauteur("E", 4, 1, Notations(std::string("<technical>") + c.technical + "</technical>"));
    ImportXML x(UnePartie(Measure("1", m)));
    ASSERT_EQ(x.Notes(), 1);
    ASSERT_TRUE(IsTablatureVisible(x.Staff(0)));
    const Signe n = NoteA(Signes(x.Staff(0)), 0);
    EXPECT_EQ(n.tablatureCorde, c.string) << c.technical;
    EXPECT_EQ(n.tablatureCase, c.fret) << c.technical;
    EXPECT_TRUE(Marks(x.Staff(0), 0).empty()) << c.technical;
  }
}

TEST(XMLNotes, GraceNotes) {
  const std::string grace = "<grace/>";
  auto g = [&](const char* step, int octave, const std::string& more = "") {
    return "<note>" + grace + "<pitch><step>" + step + "</step><octave>" + std::to_string(octave) +
           "</octave></pitch><type>eighth</type>" + more + "</note>";
  };
  // Two grace notes before a three-note chord: on its first member, in
  // order, offsets from it; two eighths steal 2520 each of 40320: ratio 32.
  const std::string m = kDebut + g("D", 5) + g("E", 5, "<chord/>") + Hauteur("G", 4, 1) +
                        Hauteur("C", 5, 1, "<chord/>") + Hauteur("E", 4, 1, "<chord/>") + Hauteur("C", 4, 1) +
                        g("B", 4);
  ImportXML x(UnePartie(Measure("1", m)));
  ASSERT_EQ(x.Notes(), 1);
  Portee** staff = x.Staff(0);
  EXPECT_EQ(Accords(staff).front(), "C5+G4+E4 40320");
  EXPECT_EQ(Graces(staff, 0), (std::vector<std::string>{"+2/0&", "+4/0"}));
  const ParamEffet* e = GetParamEffetIndexNote(staff, 0);
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->mot32, 32);
  EXPECT_EQ(e->quatreOctets[0], 32);
  EXPECT_EQ(e->quatreOctets[1], 0);
  // A grace note after the last note of the staff is dropped.
  for (size_t i = 1; i < Signes(staff).size(); i++) EXPECT_TRUE(Graces(staff, int32_t(i)).empty()) << i;

  // A grace note slurred to its main note: the run is slurred and its main
  // note is the chord member where the slur stops. Slashed, stems down.
  const std::string slurred = kDebut +
                              "<note><grace slash=\"yes\"/><pitch><step>A</step><octave>4</octave></pitch>"
                              "<stem>down</stem><notations><slur type=\"start\"/></notations></note>" +
                              Hauteur("C", 5, 1) + Hauteur("G", 4, 1, "<chord/>" + Notations("<slur type=\"stop\"/>"));
  ImportXML y(UnePartie(Measure("1", slurred)));
  ASSERT_EQ(y.Notes(), 1);
  EXPECT_TRUE(Graces(y.Staff(0), 0).empty());
  EXPECT_EQ(Graces(y.Staff(0), 1), std::vector<std::string>{"+2/0"});
  e = GetParamEffetIndexNote(y.Staff(0), 1);
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->quatreOctets[1], 1);
  EXPECT_EQ(e->quatreOctets[2], 1);
  EXPECT_EQ(e->quatreOctets[3], 1);
  EXPECT_TRUE(Liens(y.Score(), kLiaisonCoule).empty());

  // A slur from a note to a grace note after it: an after-grace. Stolen
  // time from the grace element's percentages.
  const std::string after = kDebut + Hauteur("C", 5, 1, Notations("<slur type=\"start\"/>")) +
                            "<note><grace steal-time-previous=\"50\"/><pitch><step>D</step><octave>5</octave>"
                            "</pitch><type>16th</type><notations><slur type=\"stop\"/></notations></note>" +
                            Hauteur("E", 5, 1);
  ImportXML z(UnePartie(Measure("1", after)));
  ASSERT_EQ(z.Notes(), 1);
  EXPECT_EQ(Graces(z.Staff(0), 0), std::vector<std::string>{"a+2/1"});
  EXPECT_TRUE(Graces(z.Staff(0), 1).empty());
  e = GetParamEffetIndexNote(z.Staff(0), 0);
  ASSERT_NE(e, nullptr);
  // Half the quarter over a sixteenth's nominal length, in 512ths.
  EXPECT_EQ(e->mot32, 20160 * 512 / 20160);
}

TEST(XMLNotes, MeasureRepeatsAndSlashes) {
  auto style = [](const std::string& inner) {
    return "<attributes><measure-style>" + inner + "</measure-style></attributes>";
  };
  const std::string four = Hauteur("C", 4, 4);
  // Repeat from bar 2 to bar 4 (its stop): bars 2 and 3 hold one sign each
  // and none of their notes.
  const std::string parts = Measure("1", kDebut + four) +
                            Measure("2", style("<measure-repeat type=\"start\">1</measure-repeat>") + four) +
                            Measure("3", four) + Measure("4", style("<measure-repeat type=\"stop\"/>") + four);
  ImportXML x(UnePartie(parts));
  ASSERT_EQ(x.Notes(), 1);
  EXPECT_EQ(Accords(x.Staff(0)), (std::vector<std::string>{"C4 161280", "% 161280", "% 161280", "C4 161280"}));

  // Slashes: one per beat on the middle line, beam-linked, notes skipped.
  ImportXML y(UnePartie(Measure("1", kDebut + style("<slash type=\"start\"/>") + four)));
  ASSERT_EQ(y.Notes(), 1);
  EXPECT_EQ(Accords(y.Staff(0)), (std::vector<std::string>(4, "B4 40320")));
  const std::vector<Signe> s = Signes(y.Staff(0));
  EXPECT_EQ(s[0].formeTete, 6);
  EXPECT_EQ(s[0].velocity, 0);
  EXPECT_EQ(Liens(y.Score(), kLiaisonAccroche).size(), 3u);
}

TEST(XMLNotes, PartGroups) {
  const std::string partList =
      "<part-group type=\"start\" number=\"1\"><group-symbol>bracket</group-symbol>"
      "<group-barline>yes</group-barline><group-name>Winds</group-name></part-group>" +
      ScorePart("A", "A") + ScorePart("B", "B") +
      "<part-group type=\"stop\" number=\"1\"/>"
      "<part-group type=\"start\" number=\"2\"/>" +
      ScorePart("C", "C") + "<part-group type=\"stop\" number=\"2\"/><part-group type=\"stop\" number=\"7\"/>";
  const std::string m = Measure("1", kDebut + Hauteur("C", 4, 4));
  ImportXML x(Partwise(partList, Part("A", m) + Part("B", m) + Part("C", m)));
  ASSERT_EQ(x.Notes(), 1);
  Handle g = (*x.Score())->partGroups;
  ASSERT_EQ(GetNbPartGroups(g), 1);
  const PartGroup& pg = reinterpret_cast<PartGroup*>(*g)[0];
  EXPECT_EQ(pg.type, 1u);
  EXPECT_EQ(pg.barresMesure, 1u);
  EXPECT_EQ(pg.premierePortee, 0);
  EXPECT_EQ(pg.dernierePortee, 1);
  EXPECT_STREQ(pg.nom, "Winds");
}

TEST(XMLNotes, OctaveShiftMovesCoveredNotes) {
  ImportXML x(UnePartie(Measure("1", kDebut + Hauteur("C", 6, 1) + Hauteur("C", 6, 1) + Hauteur("C", 6, 2))));
  ASSERT_EQ(x.Notes(), 1);
  Portee** staff = x.Staff(0);
  int32_t n = 0;
  Signe* s = GetSignesPortee(staff, &n);
  ASSERT_EQ(n, 3);
  s[1].kind = 10;
  const int32_t k = NewDynamique(staff);
  ASSERT_GE(k, 0);
  Dynamique* d = GetDynamiquesPortee(staff, &n) + k;
  SetDefaultDynamique(d, kDynOctavePlus2);
  d->actif = 1;
  d->debut = 0;
  d->fin = 2 * 40320;
  XMLAppliqueOctaves(x.Score());
  const std::vector<Signe> r = Signes(staff);
  // Two octaves down, except a note that would leave the pitches.
  EXPECT_EQ(r[0].kind, 84 - 24);
  EXPECT_EQ(r[1].kind, 10);
  EXPECT_EQ(r[2].kind, 84);
}

TEST(XMLNotes, WithoutPartListOrHostile) {
  // No part list: nothing to read and nothing breaks.
  ImportXML x("<score-partwise><part id=\"P\"><measure number=\"1\">" + Hauteur("C", 4, 1) +
              "</measure></part>"
              "</score-partwise>");
  ASSERT_EQ(x.Notes(), 1);
  // Unclosed and unmatched starts and stops of every kind, and numbers past
  // any range, leave a consistent score.
  const std::string m = kDebut +
                        Hauteur("C", 4, 1,
                                Notations("<slur type=\"stop\" number=\"99999999999\"/><tied type=\"continue\"/>"
                                          "<tuplet type=\"stop\"/>") +
                                    "<beam number=\"1\">end</beam><beam number=\"1\">continue</beam>") +
                        Hauteur("C", 4, 1, "<staff>40</staff><voice>-3</voice>" + Notations("<slur type=\"start\"/>")) +
                        "<note><grace/><pitch><step>C</step><octave>99</octave></pitch></note>"
                        "<note><grace/><pitch><step>C</step><octave>4</octave></pitch>"
                        "<notations><slur type=\"stop\" number=\"5\"/></notations></note>";
  ImportXML y(UnePartie(Measure("1", m)));
  ASSERT_EQ(y.Notes(), 1);
  EXPECT_EQ(Accords(y.Staff(0)).size(), 2u);
  EXPECT_EQ(XMLGetNbNoteInStack(kXMLPileCoules), 0);
}

}  // namespace
