// Directions of a MusicXML import: dynamics, hairpins, pedals and octave
// shifts as staff dynamics, words as staff texts, rehearsal marks as targets,
// jumps as ruptures labelled through the import's jump dictionary, metronome
// marks as tempo marks, and the between-staves flags of brace groups.
#include "import/XMLDirections.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "import/XMLImportFixture.h"
#include "model/Cibles.h"
#include "model/QrvDynamics.h"
#include "model/QrvText.h"
#include "model/Ruban.h"
#include "model/Ruptures.h"
#include "support/DataFiles.h"

namespace {

using tamrel_test::ImportXML;
using tamrel_test::Measure;
using tamrel_test::Note;
using tamrel_test::Part;
using tamrel_test::Partwise;
using tamrel_test::ScorePart;

constexpr int32_t kBar = 161280;

const char* kAttributs =
    "<attributes><divisions>1</divisions><time><beats>4</beats><beat-type>4</beat-type></time></attributes>";

// A one-part score whose measures each hold a whole note after their content,
// or the content alone when it has notes of its own.
std::string UnePartie(const std::vector<std::string>& measures) {
  std::string m;
  for (size_t i = 0; i < measures.size(); i++) {
    const std::string& c = measures[i];
    const bool notes = c.find("<note>") != std::string::npos;
    m += Measure(std::to_string(i + 1), (i == 0 ? kAttributs : "") + c + (notes ? "" : Note(4)));
  }
  return Partwise(ScorePart("P", "P"), Part("P", m));
}

std::string Direction(const std::string& types, const std::string& attrs = "", const std::string& more = "") {
  return "<direction" + attrs + "><direction-type>" + types + "</direction-type>" + more + "</direction>";
}

std::vector<Dynamique> Dynamiques(Portee** staff) {
  int32_t n = 0;
  const Dynamique* d = GetDynamiquesPortee(staff, &n);
  return d ? std::vector<Dynamique>(d, d + n) : std::vector<Dynamique>();
}

std::vector<Rupture> Ruptures(Partition** score, uint32_t type) {
  std::vector<Rupture> v;
  for (int16_t i = 0; i < GetNbRuptures(score); i++)
    if (GetRupture(score, i)->type == type) v.push_back(*GetRupture(score, i));
  return v;
}

std::string TexteDe(Portee** staff, int32_t i) {
  int32_t n = 0;
  const Texte* t = GetTextesPortee(staff, &n);
  return t && i < n && t[i].texte ? std::string(reinterpret_cast<const char*>(*t[i].texte)) : std::string("?");
}

TEST(XMLDirections, DynamicsNamesKindsTextsAndVelocities) {
  struct {
    const char* children;
    int32_t kind;
    const char* text;
    uint16_t velocity;
  } cases[] = {
      {"<p/>", 5, "", 60},
      {"<f/><p/>", 13, "", 100},  // two children read as one name
      {"<sfz/>", 15, "", 100},
      {"<ppp/>", 3, "", 20},
      {"<pppppp/>", 26, "", 100},
      {"<sfp/>", 25, "", 100},
      {"<rfz/>", 33, "", 100},
      {"<fff/>", 10, "", 200},
      {"<n/>", 7, "$n", 100},                                           // unknown: its letters in the music font
      {"<mp/><other-dynamics>x</other-dynamics>", 6, "", 80},           // the file's own dynamic is skipped
      {"<other-dynamics>abc-ffz</other-dynamics>", 7, "abc-ffz", 100},  // alone: its text, not a bare mf
  };
  for (const auto& c : cases) {
    ImportXML x(UnePartie({Direction(std::string("<dynamics>") + c.children + "</dynamics>")}));
    ASSERT_EQ(x.Squelette(), 1);
    const std::vector<Dynamique> d = Dynamiques(x.Staff(0));
    ASSERT_EQ(d.size(), 1u) << c.children;
    EXPECT_EQ(d[0].type, c.kind) << c.children;
    EXPECT_STREQ(d[0].texte, c.text) << c.children;
    EXPECT_EQ(d[0].valeur1, c.velocity) << c.children;
    EXPECT_EQ(d[0].actif, 1) << c.children;
    EXPECT_EQ(d[0].masquePassages, kMasquePassagesTous) << c.children;
    EXPECT_EQ(d[0].fin - d[0].debut, 20160) << c.children;
  }
}

TEST(XMLDirections, PositionsFromPlacementLyricsHeightsAndOffsets) {
  struct {
    const char* attrs;  // of the dynamics element
    const char* more;   // children of the direction after its type
    bool lyrics;
    int32_t tick, top;
  } cases[] = {
      {"", "", false, 0, 16 - 8},                   // two spaces below the bottom line
      {"", "", true, 0, -48 - 8},                   // above a staff that shows lyrics
      {" placement=\"above\"", "", false, 0, -56},  // placement wins over lyrics
      {" placement=\"below\"", "", true, 0, 8},
      {" default-y=\"-80\"", "", false, 0, 32 - 8},     // eight spaces down from the top line
      {" relative-y=\"10\"", "", false, 0, 8 - 8},      // one space up from the default
      {"", "<offset>2</offset>", false, 2 * 40320, 8},  // two quarters later
      {" default-y=\"1e19\"", "<offset>1e15</offset>", false, INT32_MAX, INT32_MIN},  // held to the words
  };
  for (const auto& c : cases) {
    ImportXML x(UnePartie({Direction(std::string("<dynamics") + c.attrs + "><f/></dynamics>", "", c.more)}));
    (*x.Staff(0))->ligneParolesAffichee = c.lyrics ? 1 : 0;
    ASSERT_EQ(x.Squelette(), 1);
    const std::vector<Dynamique> d = Dynamiques(x.Staff(0));
    ASSERT_EQ(d.size(), 1u) << c.attrs << c.more;
    EXPECT_EQ(d[0].debut, c.tick) << c.attrs << c.more;
    EXPECT_EQ(d[0].haut, c.top) << c.attrs << c.more;
    if (c.top != INT32_MIN) EXPECT_EQ(d[0].bas - d[0].haut, 16) << c.attrs << c.more;
  }
}

// Directions come before the notes pass switches a staff's lyrics line on:
// marks without placement still clear the lyrics the file gives that staff's
// voice (and only that voice's) by going above the staff.
TEST(XMLDirections, MarksWithoutPlacementClearTheLyricsTheFileGives) {
  const std::string paroles = "<lyric><syllabic>single</syllabic><text>la</text></lyric>";
  // The top of the dynamic and of the word of a one-staff file whose two
  // voices' notes carry the children given.
  auto hauts = [](const std::string& voice1, const std::string& voice2) {
    ImportXML x(UnePartie({Direction("<dynamics><f/></dynamics>") + Direction("<words>dolce</words>") +
                           Note(4, "<voice>1</voice>" + voice1) + "<backup><duration>4</duration></backup>" +
                           Note(4, "<voice>2</voice>" + voice2)}));
    EXPECT_EQ(x.Squelette(), 1);
    EXPECT_EQ((*x.Staff(0))->ligneParolesAffichee, 0);  // not switched on yet
    const std::vector<Dynamique> d = Dynamiques(x.Staff(0));
    int32_t n = 0;
    const Texte* t = GetTextesPortee(x.Staff(0), &n);
    EXPECT_EQ(d.size(), 1u);
    EXPECT_EQ(n, 1);
    return std::pair<int32_t, int32_t>(d.empty() ? 0 : d[0].haut, t && n > 0 ? t[0].haut : 0);
  };
  const auto sans = hauts("", "");
  EXPECT_EQ(sans.first, 16 - 8);  // two spaces below the bottom line
  const auto avec = hauts(paroles, "");
  EXPECT_EQ(avec.first, -48 - 8);  // two spaces above the top line
  EXPECT_LT(avec.second, sans.second);
  EXPECT_EQ(hauts("", paroles), sans);  // another voice's lyrics
}

TEST(XMLDirections, WedgesOpenFromTheirStartToTheirStop) {
  // A crescendo with its stop's spread (15 tenths: 14 after the print zoom's
  // single-precision quotient is cut), over a level p.
  {
    ImportXML x(UnePartie({Direction("<dynamics><p/></dynamics>") + Direction("<wedge type=\"crescendo\"/>"),
                           Direction("<wedge type=\"stop\" spread=\"15\"/>")}));
    ASSERT_EQ(x.Squelette(), 1);
    const std::vector<Dynamique> d = Dynamiques(x.Staff(0));
    ASSERT_EQ(d.size(), 2u);
    EXPECT_EQ(d[1].type, kDynCrescendo);
    EXPECT_EQ(d[1].debut, 0);
    EXPECT_EQ(d[1].fin, kBar);
    EXPECT_EQ(d[1].haut, 16);
    EXPECT_EQ(d[1].bas - d[1].haut, 14);
    EXPECT_EQ(d[1].valeur1, 60);
    EXPECT_EQ(d[1].valeur2, 75);
  }
  // A diminuendo with no level before it, its numbers matched; a stop whose
  // number no start carries makes nothing.
  {
    ImportXML x(UnePartie(
        {Direction("<wedge type=\"diminuendo\" number=\"2\"/>") + Direction("<wedge type=\"crescendo\" number=\"1\"/>"),
         Direction("<wedge type=\"stop\" number=\"2\"/>"), Direction("<wedge type=\"stop\" number=\"3\"/>")}));
    ASSERT_EQ(x.Squelette(), 1);
    const std::vector<Dynamique> d = Dynamiques(x.Staff(0));
    ASSERT_EQ(d.size(), 1u);
    EXPECT_EQ(d[0].type, kDynDecrescendo);
    EXPECT_EQ(d[0].fin, kBar);
    EXPECT_EQ(d[0].bas - d[0].haut, 12);
    EXPECT_EQ(d[0].valeur1, 100);
    EXPECT_EQ(d[0].valeur2, 50);
  }
}

TEST(XMLDirections, PedalsAndOctaveShifts) {
  ImportXML x(UnePartie({Direction("<pedal type=\"start\"/>") + Direction("<octave-shift type=\"down\" size=\"8\"/>"),
                         Direction("<pedal type=\"change\"/>") + Direction("<octave-shift type=\"stop\"/>") +
                             Direction("<octave-shift type=\"up\" size=\"15\" number=\"2\"/>"),
                         Direction("<pedal type=\"stop\"/>") + Direction("<octave-shift type=\"stop\" number=\"2\"/>") +
                             Direction("<octave-shift type=\"stop\" number=\"5\"/>"),
                         Direction("<pedal/>")}));
  ASSERT_EQ(x.Squelette(), 1);
  struct {
    int32_t kind, start, end;
  } expected[] = {
      {kDynPedaleEnfoncee, 0, 20160},
      {kDynPedaleRelachee, kBar, kBar + 20160},
      {kDynOctavePlus1, 0, kBar - 2},  // ends two ticks before its stop
      {kDynPedaleRelachee, 2 * kBar, 2 * kBar + 20160},
      {kDynOctaveMoins2, kBar, 2 * kBar - 2},
      {kDynPedaleEnfoncee, 3 * kBar, 3 * kBar + 20160},
  };
  const std::vector<Dynamique> d = Dynamiques(x.Staff(0));
  ASSERT_EQ(d.size(), std::size(expected));
  for (size_t i = 0; i < d.size(); i++) {
    EXPECT_EQ(d[i].type, expected[i].kind) << i;
    EXPECT_EQ(d[i].debut, expected[i].start) << i;
    EXPECT_EQ(d[i].fin, expected[i].end) << i;
    const bool pedal = d[i].type >= kDynPedaleEnfoncee;
    EXPECT_EQ(d[i].actif, pedal ? 0 : 1) << i;
  }
}

TEST(XMLDirections, JumpsAreLabelledInOrderOfFirstAppearance) {
  const std::string dsCoda = Direction("<words>D.S. al Coda</words>", "", "<sound dalsegno=\"B\"/>");
  ImportXML x(UnePartie({
      Direction("<segno/>", "", "<sound segno=\"A\"/>"),
      Direction("<segno/>", "", "<sound segno=\"B\"/>"),
      Note(4) + dsCoda,
      Note(4) + Direction("<words>D.S. al Fine</words>", "", "<sound dalsegno=\"A\"/>"),
      Note(4) + Direction("<words>x</words>", "", "<sound dacapo=\"yes\" time-only=\"2\"/>"),
      Note(4) + Direction("<words>Fine</words>", "", "<sound fine=\"yes\"/>"),
      Direction("<coda/>", "", "<sound coda=\"c\"/>"),
      Direction("<coda/>", "", "<sound segno=\"A\" coda=\"d\"/>"),
      Direction("<segno/>"),
  }));
  ASSERT_EQ(x.Squelette(), 1);
  const std::vector<Rupture> segnos = Ruptures(x.Score(), kRuptureSegno);
  ASSERT_EQ(segnos.size(), 3u);
  EXPECT_EQ(segnos[0].mesure, 0);
  EXPECT_EQ(segnos[0].parametre, 0);
  EXPECT_STREQ(segnos[0].texte, "$S");
  EXPECT_EQ(segnos[1].parametre, 1);
  EXPECT_STREQ(segnos[1].texte, "$S$N");
  // A sign without a sound keeps the label the model gave it.
  EXPECT_EQ(segnos[2].mesure, 8);
  EXPECT_STREQ(segnos[2].texte, segnos[2].parametre ? "$S$N" : "$S");

  const std::vector<Rupture> ds = Ruptures(x.Score(), kRuptureDalSegno);
  ASSERT_EQ(ds.size(), 2u);
  EXPECT_EQ(ds[0].parametre, 1);
  EXPECT_STREQ(ds[0].texte, "D.S. al Coda");
  EXPECT_EQ(ds[0].al, 1u);
  EXPECT_EQ(ds[1].parametre, 0);
  EXPECT_EQ(ds[1].al, 2u);

  const std::vector<Rupture> dc = Ruptures(x.Score(), kRuptureDaCapo);
  ASSERT_EQ(dc.size(), 1u);
  EXPECT_EQ(dc[0].parametre, 0);
  EXPECT_EQ(dc[0].al, 0u);
  EXPECT_EQ(dc[0].modePassage, 2u);
  EXPECT_EQ(dc[0].nbPassages, 2);
  const std::vector<Rupture> fine = Ruptures(x.Score(), kRuptureFine);
  ASSERT_EQ(fine.size(), 1u);
  EXPECT_STREQ(fine[0].texte, "Fine");

  // Codas count apart; a sound with segno and coda makes one coda sign.
  const std::vector<Rupture> codas = Ruptures(x.Score(), kRuptureCoda);
  ASSERT_EQ(codas.size(), 2u);
  EXPECT_EQ(codas[0].mesure, 6);
  EXPECT_EQ(codas[0].parametre, 0);
  EXPECT_STREQ(codas[0].texte, "$C");
  EXPECT_EQ(codas[1].mesure, 7);
  EXPECT_EQ(codas[1].parametre, 1);
  EXPECT_STREQ(codas[1].texte, "$C$N");
  // Words taken by jumps make no staff text.
  int32_t n = 0;
  GetTextesPortee(x.Staff(0), &n);
  EXPECT_EQ(n, 0);
}

// A bar keeps one sign record: a segno and a coda in its first half share it,
// the second drawn from its text; a sign from the bar's middle on belongs to
// the next bar and keeps a record of its own.
TEST(XMLDirections, ASegnoAndACodaInOneBarAreBothDrawn) {
  struct Cas {
    std::string mesure;
    size_t segnos, codas;
    const char* texte;  // the first record's
  };
  const Cas cas[] = {
      {Direction("<segno/>") + Note(1) + Direction("<coda/>") + Note(3), 1, 0, "$S$C"},
      {Direction("<coda/>") + Note(1) + Direction("<segno/>") + Note(3), 0, 1, "$C$S"},
      {Direction("<segno/>") + Note(2) + Direction("<coda/>") + Note(2), 1, 1, "$S"},
  };
  for (const Cas& c : cas) {
    ImportXML x(UnePartie({c.mesure, ""}));
    ASSERT_EQ(x.Squelette(), 1);
    const std::vector<Rupture> segnos = Ruptures(x.Score(), kRuptureSegno);
    const std::vector<Rupture> codas = Ruptures(x.Score(), kRuptureCoda);
    ASSERT_EQ(segnos.size(), c.segnos) << c.texte;
    ASSERT_EQ(codas.size(), c.codas) << c.texte;
    const Rupture& premier = c.segnos ? segnos[0] : codas[0];
    EXPECT_EQ(premier.mesure, 0);
    EXPECT_STREQ(premier.texte, c.texte);
    if (c.segnos && c.codas) {
      EXPECT_EQ(codas[0].mesure, 1);
      EXPECT_STREQ(codas[0].texte, "$C");
    }
  }
}

TEST(XMLDirections, JumpWithoutWordsAndLongWords) {
  std::string longue;
  for (int i = 0; i < 70; i++) longue += "é";  // 140 bytes
  ImportXML x(UnePartie({Direction("<segno/>", "", "<sound segno=\"s\"/>"),
                         Note(4) + "<direction><sound dalsegno=\"s\"/></direction>",
                         Note(4) + Direction("<words>" + longue + "</words>", "", "<sound dalsegno=\"s\"/>"), ""}));
  ASSERT_EQ(x.Squelette(), 1);
  const std::vector<Rupture> ds = Ruptures(x.Score(), kRuptureDalSegno);
  ASSERT_EQ(ds.size(), 2u);
  EXPECT_STREQ(ds[0].texte, "");
  EXPECT_EQ(ds[0].al, 2u);
  // Cut to the field, before the character its last byte would split.
  EXPECT_EQ(std::strlen(ds[1].texte), 126u);
  EXPECT_EQ(std::string(ds[1].texte), longue.substr(0, 126));
}

TEST(XMLDirections, JumpDictionaryCountsEachKindApart) {
  XMLDisposeJumpDict();
  EXPECT_EQ(GetValueFromJumpDict("SEGN", "A"), 0);
  EXPECT_EQ(GetValueFromJumpDict("CODA", "A"), 0);
  EXPECT_EQ(GetValueFromJumpDict("SEGN", "B"), 1);
  EXPECT_EQ(GetValueFromJumpDict("SEGN", "A"), 0);
  EXPECT_EQ(GetValueFromJumpDict("CAPO", "yes"), 0);
  EXPECT_EQ(GetValueFromJumpDict("SEGN", "C"), 2);
  // Values past the field's 99 bytes are told apart by those only.
  const std::string a(150, 'a');
  EXPECT_EQ(GetValueFromJumpDict("FINE", (a + "1").c_str()), 0);
  EXPECT_EQ(GetValueFromJumpDict("FINE", (a + "2").c_str()), 0);
  XMLDisposeJumpDict();
  EXPECT_EQ(GetValueFromJumpDict("SEGN", "C"), 0);
  XMLDisposeJumpDict();
}

TEST(XMLDirections, TempoMarksFromMetronomesAndSoundTempos) {
  struct {
    std::string direction;
    const char* text;
    int32_t unit;
    uint16_t tempo;
  } cases[] = {
      {"<direction><direction-type><words>Allegro</words></direction-type><direction-type><metronome>"
       "<beat-unit>quarter</beat-unit><per-minute>120</per-minute></metronome></direction-type></direction>",
       "Allegro $T", 40320, 120},
      {Direction("<words>Lento</words>", "", "<sound tempo=\"90\"/>"), "Lento ", 40320, 90},
      {Direction("<metronome><beat-unit>half</beat-unit><per-minute>60</per-minute></metronome>"), "$T", 80640, 60},
      {Direction("<metronome><beat-unit>quarter</beat-unit><beat-unit-dot/><per-minute>100</per-minute></metronome>"),
       "$T", 60480, 100},
      {Direction("<words>Vivo</words><metronome><per-minute>132</per-minute></metronome><words>(ca.)</words>", "",
                 "<sound tempo=\"140\"/>"),
       "Vivo  (ca.)", 40320, 140},
  };
  for (const auto& c : cases) {
    ImportXML x(UnePartie({c.direction}));
    ASSERT_EQ(x.Squelette(), 1);
    const std::vector<Dynamique> d = Dynamiques(x.Staff(0));
    ASSERT_EQ(d.size(), 1u) << c.direction;
    EXPECT_EQ(d[0].type, kDynTempo) << c.direction;
    EXPECT_STREQ(d[0].texte, c.text) << c.direction;
    EXPECT_EQ(d[0].uniteTempo, c.unit) << c.direction;
    EXPECT_EQ(d[0].valeur1, c.tempo) << c.direction;
    EXPECT_EQ(d[0].flagTempo, 1) << c.direction;
    EXPECT_EQ(d[0].bas - d[0].haut, 16) << c.direction;
    int32_t n = 0;
    GetTextesPortee(x.Staff(0), &n);
    EXPECT_EQ(n, 0) << c.direction;  // the words went into the mark
  }
}

TEST(XMLDirections, WordsRehearsalsAndUnregisteredVoices) {
  ImportXML x(UnePartie({Direction("<words relative-x=\"10\" font-size=\"12\" font-style=\"italic\" "
                                   "color=\"#FF0000\">dolce</words>"),
                         Direction("<rehearsal>B</rehearsal>") + Direction("<rehearsal/>"),
                         "<direction><direction-type><dynamics><f/></dynamics></direction-type><voice>2</voice>"
                         "</direction>"}));
  ASSERT_EQ(x.Squelette(), 1);
  int32_t n = 0;
  const Texte* t = GetTextesPortee(x.Staff(0), &n);
  ASSERT_EQ(n, 1);
  EXPECT_EQ(TexteDe(x.Staff(0), 0), "dolce");
  EXPECT_EQ(t[0].ligne, 0u);
  EXPECT_EQ(t[0].debut, 0);
  EXPECT_NE(t[0].extensionGauche, 0);
  EXPECT_EQ(t[0].extensionGauche, t[0].extensionDroite);
  EXPECT_EQ(t[0].style.size, 19);  // 12 points over the single-precision print zoom, cut
  EXPECT_EQ(t[0].style.face, 128 | 2);
  EXPECT_EQ(t[0].style.color.red, 65535);
  EXPECT_EQ(t[0].style.color.green, 0);
  ASSERT_EQ(GetNbCibles(x.Score()), 1);
  const Cible& c = reinterpret_cast<const Cible*>(*(*x.Score())->cibles)[0];
  EXPECT_STREQ(c.nom, "B");
  EXPECT_EQ(c.mesure, 1);
  EXPECT_EQ((*x.Score())->libellesCiblesAuto, 1);
  // Voice 2 has no staff of its own: its direction is dropped.
  EXPECT_TRUE(Dynamiques(x.Staff(0)).empty());
}

// A word's position counts eighths of a staff space from the bottom line: its
// text ends 4 eighths below the height given (its top is that height less the
// ascent), wherever the staff stands and whatever its size.
TEST(XMLDirections, WordsStandAtTheirHeightInStaffSpaces) {
  struct Cas {
    const char* attrs;
    float bas;  // staff spaces below the bottom line
  };
  const Cas cas[] = {
      {" default-y=\"-80\"", 4.5f},  // 4 spaces below
      {" default-y=\"20\"", -5.5f},  // 2 spaces above the top line
      {" placement=\"below\"", 2.5f},
  };
  for (const Cas& c : cas) {
    ImportXML x(UnePartie({Direction(std::string("<words") + c.attrs + ">dolce</words>")}));
    ASSERT_EQ(x.Squelette(), 1);
    CalculeAireRubanPorteesPartition(x.Score());
    Portee** staff = x.Staff(0);
    int32_t n = 0;
    GetTextesPortee(staff, &n);
    ASSERT_EQ(n, 1);
    BigRect r{};
    CalculeAireTexteRuban(x.doc, staff, 0, &r);
    const Portee* p = *staff;
    const float ref = float(p->aireRuban.top + p->decalageLigneBasRuban);
    EXPECT_NEAR((float(r.bottom) - ref) / p->interligneRuban, c.bas, 0.2f) << c.attrs;
    EXPECT_LT(r.top, r.bottom) << c.attrs;
  }
}

TEST(XMLDirections, BraceGroupsMarkDynamicsBetweenTheirStaves) {
  const std::string part = "<measure number=\"1\"><attributes><divisions>1</divisions><staves>2</staves></attributes>" +
                           Direction("<dynamics><p/></dynamics>", " placement=\"below\"", "<staff>1</staff>") +
                           Direction("<dynamics><f/></dynamics>", " placement=\"above\"", "<staff>1</staff>") +
                           Direction("<dynamics><p/></dynamics>", " placement=\"above\"", "<staff>2</staff>") +
                           Direction("<dynamics><f/></dynamics>", " placement=\"below\"", "<staff>2</staff>") +
                           Note(4, "<staff>1</staff>") + "<backup><duration>4</duration></backup>" +
                           Note(4, "<staff>2</staff>") + "</measure>";
  ImportXML x(Partwise(ScorePart("P", "Piano"), Part("P", part)));
  ASSERT_EQ(x.Squelette(), 1);
  ASSERT_EQ(x.NbPortees(), 2);
  XMLFinalizeDynamics(x.doc);
  const std::vector<Dynamique> haut = Dynamiques(x.Staff(0)), bas = Dynamiques(x.Staff(1));
  ASSERT_EQ(haut.size(), 2u);
  ASSERT_EQ(bas.size(), 2u);
  EXPECT_EQ(haut[0].accolade, 1);  // below the upper staff
  EXPECT_EQ(haut[1].accolade, 0);
  EXPECT_EQ(bas[0].accolade, 1);  // above the lower staff
  EXPECT_EQ(bas[1].accolade, 0);
}

TEST(XMLDirections, SuiteFiles) {
  struct {
    const char* file;
    std::vector<int32_t> kinds;  // of the first staff's dynamics, in order
    int32_t texts;
  } cases[] = {
      {"31a-Directions.xml",
       {5,  4,  3,  28, 27, 26, 8, 9, 10, 31, 30, 29, 6,  7, 11, 25, 17,
        13, 32, 33, 15, 16, 12, 7, 1, 19, 23, 24, 24, 22, 5, 3,  1,  10},
       3},  // words, subito and a blank
      {"33a-Spanners.xml", {1, 2, 18, 21, 23, 24, 24}, 0},
  };
  for (const auto& c : cases) {
    std::string bytes;
    ASSERT_TRUE(tamrel_test::ReadData(std::string("musicxml/") + c.file, &bytes));
    ImportXML x(bytes);
    ASSERT_EQ(x.Notes(), 1) << c.file;
    std::vector<int32_t> kinds;
    for (const Dynamique& d : Dynamiques(x.Staff(0))) kinds.push_back(d.type);
    EXPECT_EQ(kinds, c.kinds) << c.file;
    int32_t n = 0;
    const Texte* t = GetTextesPortee(x.Staff(0), &n);
    int32_t libres = 0;
    for (int32_t i = 0; i < n; i++) libres += t[i].ligne == 0;
    EXPECT_EQ(libres, c.texts) << c.file;
  }
}

}  // namespace
