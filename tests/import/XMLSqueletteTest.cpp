// The bar skeleton of a MusicXML import: note timing, bar lengths and their
// signatures, and the measure events replayed on the bars (keys, clefs, time
// signatures, transpositions, breaks, tempo, bar lines, repeats, endings).
#include "import/XMLMusicFrame.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "import/XMLImportFixture.h"
#include "model/CvtTemps.h"
#include "model/PartGroups.h"
#include "model/Ruptures.h"
#include "model/TabEltMesure.h"
#include "model/Tonalite.h"
#include "sound/SINSTRUM.h"
#include "support/DataFiles.h"

namespace {

using tamrel_test::ImportXML;
using tamrel_test::Measure;
using tamrel_test::Note;
using tamrel_test::Part;
using tamrel_test::Partwise;
using tamrel_test::ScorePart;

std::string UnePartie(const std::string& measures) { return Partwise(ScorePart("P", "P"), Part("P", measures)); }

int32_t Attr(XMLElt* e, const char* name) { return XMLGetAttributeLong(e, name); }

// The notes of the tree, in document order.
std::vector<XMLElt*> Notes(XMLRootElt* tree) {
  int32_t n = 0;
  XMLElt** r = XMLGetElts(tree, "@note", &n);
  std::vector<XMLElt*> v(r, r + n);
  XMLDisposeElts(r);
  return v;
}

const TabEltMesure* Rows(Partition** score, int32_t* n) {
  UpdateTabEltMesure(score, kTabEltTemps);
  *n = GetNbMesuresTabEltRuban(score);
  return GetLignesTabElt(GetTabEltMesureRuban(score));
}

TEST(XMLSquelette, NoteTypesAndTimeElements) {
  struct {
    const char* type;
    uint32_t ticks;
  } types[] = {{"long", 645120},  {"Breve", 322560}, {"whole", 161280}, {"half", 80640},  {"QUARTER", 40320},
               {"eighth", 20160}, {"16th", 10080},   {"32nd", 5040},    {"64th", 2520},   {"128th", 1260},
               {"256th", 630},    {"512th", 315},    {"1024th", 157},   {"2048th", 1260}, {nullptr, 1260}};
  for (auto& t : types) EXPECT_EQ(XMLNoteNameToDuration(t.type), t.ticks) << (t.type ? t.type : "null");

  struct {
    const char* xml;
    int16_t num, den, add1, add2, written;
    uint8_t symbol;
  } times[] = {
      {"<time symbol=\"common\"><beats>3</beats><beat-type>8</beat-type></time>", 4, 4, 4, 0, 4, 1},
      {"<time symbol=\"cut\"/>", 2, 2, 2, 0, 2, 1},
      {"<time><beats>3+2</beats><beat-type>8</beat-type></time>", 5, 8, 3, 2, 8, 0},
      {"<time><beats>3</beats><beats>2</beats><beat-type>4</beat-type></time>", 5, 4, 3, 2, 4, 0},
      {"<time symbol=\"single-number\"><beats>3</beats><beat-type>2</beat-type></time>", 3, 2, 3, 0, -1, 0},
      {"<time><beats>5</beats></time>", 5, 4, 5, 0, -1, 0},
      {"<time/>", 4, 4, 4, 0, -1, 0},
      // Counts no signature has are read as absent.
      {"<time><beats>0</beats><beat-type>0</beat-type></time>", 4, 4, 4, 0, -1, 0},
      {"<time><beats>99999</beats><beat-type>-8</beat-type></time>", 4, 4, 4, 0, -1, 0},
  };
  for (auto& c : times) {
    Handle h = NewHandle(Size(std::strlen(c.xml)));
    std::memcpy(*h, c.xml, std::strlen(c.xml));
    XMLRootElt* t = BrowseXMLFile(h, nullptr, nullptr, 1);
    DisposeHandle(h);
    ASSERT_NE(t, nullptr);
    DivisionTemporelle d;
    GetDivisionFromXMLTime(t->elts[0], &d);
    EXPECT_EQ(d.numerateur, c.num) << c.xml;
    EXPECT_EQ(d.denominateur, c.den) << c.xml;
    EXPECT_EQ(d.partieAdditive1, c.add1) << c.xml;
    EXPECT_EQ(d.partieAdditive2, c.add2) << c.xml;
    EXPECT_EQ(d.denominateurAdditif, c.written) << c.xml;
    EXPECT_EQ(d.octet1, c.symbol) << c.xml;
    XMLBrowserDispose(t);
  }
}

TEST(XMLSquelette, SignaturesFromLengths) {
  struct {
    int32_t length;
    int16_t hint, num, den;
  } cases[] = {
      {5 * 161280 / 8, 8, 5, 8},
      {5 * 161280 / 8, 4, 5, 8},
      {120960, 8, 6, 8},
      {120960, 0, 3, 4},
      {40320, 4, 1, 4},
      {1260, 0, 1, 128},
      {1261 * 10, 0, 11, 128},
      {161280 * 16, 0, 32, 2},
      // 131 128ths stay 131 128ths, not 65 64ths.
      {131 * 1260, 0, 131, 128},
      {259 * 1260, 0, 259, 128},
      {161280 * 3, 1, 3, 1},
      {161280 * 300, 0, 300, 1},
      {0, 0, 2, 2},
  };
  for (auto& c : cases) {
    DivisionTemporelle d;
    XMLDivisionDeLongueur(c.length, c.hint, &d);
    EXPECT_EQ(d.numerateur, c.num) << c.length << " " << c.hint;
    EXPECT_EQ(d.denominateur, c.den) << c.length << " " << c.hint;
    EXPECT_EQ(d.partieAdditive1, d.numerateur);
    EXPECT_EQ(d.denominateurAdditif, d.denominateur);
    EXPECT_GE(d.denominateur, 1);
  }
}

TEST(XMLSquelette, NotesGetTheirStartsAndLengths) {
  // Divisions 16 by default, then 2; a chord note shares its start; a grace
  // note takes no time; a backup past the start stops there; divisions of 0
  // are ignored; a huge duration is held.
  const std::string m1 = Note(16, "<type>quarter</type>") + Note(16, "<chord/><type>quarter</type>") +
                         "<note><grace/><pitch><step>D</step><octave>4</octave></pitch><type>eighth</type>"
                         "<dot/></note>" +
                         Note(8,
                              "<type>eighth</type><time-modification><actual-notes>3</actual-notes>"
                              "<normal-notes>2</normal-notes></time-modification>") +
                         "<backup><duration>500</duration></backup>" +
                         "<attributes><divisions>2</divisions></attributes>" + Note(3, "<type>quarter</type><dot/>") +
                         "<attributes><divisions>0</divisions></attributes>" + Note(1, "<type>eighth</type>") +
                         "<forward><duration>1</duration></forward>" + Note(2147483646);
  const std::string m2 =
      "<attributes><time><beats>3</beats><beat-type>4</beat-type></time></attributes>"
      "<note><rest/><duration>6</duration><type>whole</type></note>";
  ImportXML x(UnePartie(Measure("1", m1) + Measure("2", m2)));
  ASSERT_EQ(x.Squelette(), 1);
  const std::vector<XMLElt*> notes = Notes(x.tree);
  ASSERT_EQ(notes.size(), 8u);
  struct {
    int32_t pos, dur, div;
  } expected[] = {
      // The tuplet's written length wins over a duration that disagrees.
      {0, 40320, 16},
      {0, 40320, 16},
      {40320, 0, 16},
      {40320, 13440, 16},
      {0, 60480, 2},
      {60480, 20160, 2},
      {100800, kXMLDureeMax, 2},
      {0, 120960, 2},
  };
  for (size_t i = 0; i < notes.size(); i++) {
    EXPECT_EQ(Attr(notes[i], "hapos"), expected[i].pos) << i;
    EXPECT_EQ(Attr(notes[i], "hadur"), expected[i].dur) << i;
    EXPECT_EQ(Attr(notes[i], "curdiv"), expected[i].div) << i;
  }
  EXPECT_EQ(Attr(notes[2], "hadispdur"), 30240);  // dotted eighth, shown only
  EXPECT_EQ(Attr(notes[3], "hatuplet"), 302);
  EXPECT_EQ(Attr(notes[0], "hatuplet"), kXMLAbsentLong);
  EXPECT_EQ(Attr(notes[0], "hadispdur"), kXMLAbsentLong);
}

TEST(XMLSquelette, BarLengthsFromContentsSignaturesAndNeighbours) {
  auto time = [](int beats, int type) {
    return "<attributes><time><beats>" + std::to_string(beats) + "</beats><beat-type>" + std::to_string(type) +
           "</beat-type></time></attributes>";
  };
  const std::string div = "<attributes><divisions>1</divisions></attributes>";
  // Bar 1: the longer part wins. Bar 2: empty, the bar before. Bar 3: five
  // quarters of content. Bar 4: empty, the second signature of the measure
  // before. Bar 5: a second signature in the part's last measure is ignored.
  const std::string a = Measure("1", div + time(3, 4) + Note(2)) + Measure("2", "") + Measure("3", Note(5)) +
                        Measure("4", "") + Measure("5", Note(1));
  const std::string b = Measure("1", div + Note(3)) + Measure("2", "") + Measure("3", time(5, 4) + time(2, 2)) +
                        Measure("4", "") + Measure("5", time(5, 8) + time(2, 4));
  ImportXML x(Partwise(ScorePart("A", "A") + ScorePart("B", "B"), Part("A", a) + Part("B", b)));
  ASSERT_EQ(x.Squelette(), 1);
  int32_t n = 0;
  const TabEltMesure* rows = Rows(x.Score(), &n);
  ASSERT_EQ(n, 5);
  const int16_t nums[] = {3, 3, 5, 2, 2}, dens[] = {4, 4, 4, 2, 8};
  const uint32_t starts[] = {0, 120960, 241920, 443520, 604800};
  for (int32_t i = 0; i < n; i++) {
    EXPECT_EQ(rows[i].division.numerateur, nums[i]) << i;
    EXPECT_EQ(rows[i].division.denominateur, dens[i]) << i;
    EXPECT_EQ(rows[i].debutTemps, starts[i]) << i;
    EXPECT_EQ(XMLGetChampNumeroMesure(x.records, i, kNumMesureDebut), starts[i]) << i;
  }
}

TEST(XMLSquelette, MultipleRestsMarkTheBarsTheyCover) {
  std::string m;
  for (int i = 1; i <= 6; i++) {
    std::string content = Note(16);
    if (i == 2) content = "<attributes><measure-style><multiple-rest>3</multiple-rest></measure-style></attributes>";
    m += Measure(std::to_string(i), content);
  }
  ImportXML x(UnePartie(m));
  ASSERT_EQ(x.Squelette(), 1);
  const uint16_t marks[] = {0, 0, 1, 1, 0, 0};
  for (int32_t i = 0; i < 6; i++) EXPECT_EQ(XMLGetChampCourtNumeroMesure(x.records, i, kNumMesureSilences), marks[i]);
}

TEST(XMLSquelette, KeysFromFifthsModesAndSteps) {
  struct {
    const char* key;
    int8_t tonic, tonicAlter;
    int32_t mode;
    uint8_t alterations[7];
    bool courtesy;  // differs from the C major before it
  } cases[] = {
      {"<fifths>3</fifths><mode>minor</mode>", 3, 1, 0, {1, 0, 0, 1, 1, 0, 0}, true},
      {"<fifths>-2</fifths>", 6, 3, 1, {0, 0, 3, 0, 0, 0, 3}, true},
      {"<fifths>0</fifths><mode>MINOR</mode>", 5, 2, 0, {0, 0, 0, 0, 0, 0, 0}, true},
      {"<fifths>12</fifths>", 0, 2, 1, {0, 0, 0, 0, 0, 0, 0}, false},
      {"<key-step>B</key-step><key-alter>-1</key-alter><key-step>e</key-step><key-alter>-1</key-alter>",
       0,
       2,
       1,
       {0, 0, 3, 0, 0, 0, 3},
       true},
      {"<key-step>F</key-step><key-alter>2</key-alter><key-step>G</key-step><key-alter>7</key-alter>",
       0,
       2,
       1,
       {0, 0, 0, 4, 0, 0, 0},
       true},
  };
  for (auto& c : cases) {
    ImportXML x(UnePartie(Measure("1", Note(16)) +
                          Measure("2", std::string("<attributes><key>") + c.key + "</key></attributes>" + Note(16))));
    ASSERT_EQ(x.Squelette(), 1);
    Tonalite k;
    CvtMesureEnTonalite(x.Staff(0), 1, &k);
    EXPECT_EQ(k.degreTonique, c.tonic) << c.key;
    EXPECT_EQ(k.alterationTonique, c.tonicAlter) << c.key;
    EXPECT_EQ(k.mode, c.mode) << c.key;
    for (int d = 0; d < 7; d++) EXPECT_EQ(k.alterations[d], c.alterations[d]) << c.key << " degree " << d;
    EXPECT_TRUE(CvtMesureEnVisible(x.Staff(0), 1) & kVisibleArmure) << c.key;
    EXPECT_EQ((CvtMesureEnRappel(x.Staff(0), 1) & kVisibleArmure) != 0, c.courtesy) << c.key;
  }
}

TEST(XMLSquelette, ClefsWithSignedLinesAndOctaves) {
  struct {
    const char* clef;
    uint32_t type;
    int8_t line, octave;
    int8_t base;
  } cases[] = {
      {"<sign>G</sign><line>2</line><clef-octave-change>-1</clef-octave-change>", kClefSol, 0, -1, 52},
      {"<sign>F</sign><line>4</line>", kClefFa, 0, 0, 43},
      {"<sign>C</sign><line>4</line>", kClefUt, 1, 0, 50},
      {"<sign>C</sign><line>1</line>", kClefUt, -2, 0, 60},
      {"<sign>g</sign><clef-octave-change>1</clef-octave-change>", kClefSol, 0, 1, 76},
      {"<sign>none</sign><line>5</line>", kClefSol, 0, 0, 64},
  };
  for (auto& c : cases) {
    ImportXML x(
        UnePartie(Measure("1", std::string("<attributes><clef>") + c.clef + "</clef></attributes>" + Note(16))));
    ASSERT_EQ(x.Squelette(), 1);
    Clef k;
    CvtMesureEnClef(x.Staff(0), 0, &k);
    EXPECT_EQ(k.type, c.type) << c.clef;
    EXPECT_EQ(k.decalageLigne, c.line) << c.clef;
    EXPECT_EQ(k.decalageOctave, c.octave) << c.clef;
    EXPECT_EQ(k.noteDeBase, c.base) << c.clef;
    EXPECT_EQ(k.octet1, 100) << c.clef;
    EXPECT_TRUE(CvtMesureEnVisible(x.Staff(0), 0) & kVisibleClef) << c.clef;
  }
}

// A clef change half-way through a measure splits its bar there: the second
// part is not counted, carries the smaller clef, and the measure's right bar
// line and later print commands still find their measure.
TEST(XMLSquelette, AMidMeasureClefSplitsTheBar) {
  const std::string m2 = Note(16) + "<attributes><clef number=\"1\"><sign>F</sign><line>4</line></clef></attributes>" +
                         Note(48) + "<barline location=\"right\"><bar-style>light-light</bar-style></barline>";
  ImportXML x(
      UnePartie(Measure("1", Note(64)) + Measure("2", m2) + Measure("3", "<print new-system=\"yes\"/>" + Note(64))));
  ASSERT_EQ(x.Squelette(), 1);
  int32_t n = 0;
  const TabEltMesure* rows = Rows(x.Score(), &n);
  ASSERT_EQ(n, 4);
  EXPECT_EQ(rows[1].division.numerateur, 1);
  EXPECT_EQ(rows[1].division.denominateur, 4);
  EXPECT_EQ(rows[2].division.numerateur, 3);
  EXPECT_EQ(rows[2].division.denominateur, 4);
  EXPECT_EQ(rows[2].debutTemps, 161280u + 40320u);
  EXPECT_EQ(rows[1].etatDecoupeNote, 1);
  EXPECT_EQ(rows[1].continueLigneSuivante, 1);
  EXPECT_EQ(rows[2].nonComptee, 1);
  EXPECT_EQ(rows[3].nonComptee, 0);
  Clef k;
  CvtMesureEnClef(x.Staff(0), 2, &k);
  EXPECT_EQ(k.type, kClefFa);
  EXPECT_EQ(k.octet1, 75);
  EXPECT_TRUE(CvtMesureEnRappel(x.Staff(0), 2) & kVisibleClef);
  // A grey hairline stands between the two parts; the double bar line ends
  // the measure's last part.
  EXPECT_GE(GetIndexTypeRupturePresent(x.Score(), GetTypeRupture(&TabPredefRupture[5]), 2), 0);
  bool doubleAtEnd = false;
  for (int16_t i = 0; i < GetNbRuptures(x.Score()); i++) {
    const Rupture* r = GetRupture(x.Score(), i);
    if (r->barre == kBarreDouble) doubleAtEnd = r->mesure == 2 && r->placement == kRupturePlacementFin;
  }
  EXPECT_TRUE(doubleAtEnd);
  // The score bar where each measure begins moved with the split; the page
  // commands stay keyed by the measure.
  EXPECT_EQ(XMLGetChampNumeroMesure(x.records, 2, kNumMesureIndex), 3u);
  EXPECT_EQ(XMLGetMesurePartition(2), 3);
  ASSERT_EQ(XMLGetNbPageCommandes(), 1);
  const XMLPageCommande* page = XMLGetPageCommande(0);
  ASSERT_EQ(GetHandleSize(page->systemes) / Size(sizeof(XMLSystemeCommande)), 2);
  EXPECT_EQ(reinterpret_cast<XMLSystemeCommande*>(*page->systemes)[1].premiereMesure, 2);
}

TEST(XMLSquelette, TimeSignaturesKeepTheBarsLength) {
  // A pickup of one quarter under a written 3/4, then two bars of three
  // quarters, the second under a written common time.
  const std::string t3 =
      "<attributes><divisions>1</divisions><time><beats>3</beats><beat-type>4</beat-type></time>"
      "</attributes>";
  const std::string common = "<attributes><time symbol=\"common\"/></attributes>";
  ImportXML x(UnePartie("<measure number=\"0\" implicit=\"yes\">" + t3 + Note(1) + "</measure>" +
                        Measure("1", Note(3)) + Measure("2", common + Note(3))));
  ASSERT_EQ(x.Squelette(), 1);
  int32_t n = 0;
  const TabEltMesure* rows = Rows(x.Score(), &n);
  ASSERT_EQ(n, 3);
  EXPECT_EQ(rows[0].division.numerateur, 1);
  EXPECT_EQ(rows[0].division.denominateur, 4);
  EXPECT_EQ(rows[0].division.partieAdditive1, 3);
  EXPECT_EQ(rows[0].division.denominateurAdditif, 4);
  EXPECT_EQ(rows[0].nonComptee, 1);
  EXPECT_EQ(rows[1].division.numerateur, 3);
  EXPECT_TRUE(CvtMesureEnVisible(x.Staff(0), 0) & kVisibleSignature);
  EXPECT_FALSE(CvtMesureEnVisible(x.Staff(0), 1) & kVisibleSignature);
  // The bar keeps its three quarters and shows the written fields, with a
  // courtesy sign since the written signature changed.
  EXPECT_EQ(rows[2].division.numerateur, 3);
  EXPECT_EQ(rows[2].division.denominateur, 4);
  EXPECT_EQ(rows[2].division.partieAdditive1, 4);
  EXPECT_EQ(rows[2].division.octet1, 1);
  EXPECT_EQ(rows[2].debutTemps, 40320u + 120960u);
  EXPECT_TRUE(CvtMesureEnVisible(x.Staff(0), 2) & kVisibleSignature);
  EXPECT_TRUE(CvtMesureEnRappel(x.Staff(0), 2) & kVisibleSignature);
}

TEST(XMLSquelette, BarlinesRepeatsAndEndings) {
  struct {
    const char* barline;
    int16_t bar;
    uint32_t placement, type, barre;
    uint16_t passes;
    const char* text;
    std::vector<int> volta;
  } cases[] = {
      {"<barline location=\"right\"><bar-style>light-heavy</bar-style></barline>",
       0,
       kRupturePlacementFin,
       kRuptureFinMusique,
       kBarreFinMusique,
       0,
       "",
       {}},
      // A start-of-music bar line at a measure's end opens the next bar.
      {"<barline location=\"right\"><bar-style>heavy-light</bar-style></barline>",
       1,
       kRupturePlacementDebut,
       kRuptureDebutMusique,
       kBarreDebutMusique,
       0,
       "",
       {}},
      {"<barline location=\"right\"><repeat direction=\"backward\" times=\"3\"/></barline>",
       0,
       kRupturePlacementFin,
       kRuptureFinRepetition,
       kBarreFinRepetition,
       2,
       "x$P",
       {}},
      {"<barline location=\"right\"><repeat direction=\"backward\" times=\"2\"/></barline>",
       0,
       kRupturePlacementFin,
       kRuptureFinRepetition,
       kBarreFinRepetition,
       1,
       "",
       {}},
      {"<barline location=\"left\"><repeat direction=\"forward\"/></barline>",
       0,
       kRupturePlacementDebut1,
       kRuptureDebutRepetition,
       kBarreDebutRepetition,
       0,
       "",
       {}},
      {"<barline location=\"left\"><ending number=\"1, 2\" type=\"start\"/></barline>",
       0,
       kRupturePlacementDebut1,
       kRuptureDebutVolta,
       kBarreAucune,
       0,
       "$[$#",
       {1, 2}},
      {"<barline location=\"left\"><ending number=\"16,17\" type=\"start\"/></barline>",
       0,
       kRupturePlacementDebut1,
       kRuptureDebutVolta,
       kBarreAucune,
       0,
       "$[$#",
       {16}},
      {"<barline location=\"right\"><ending number=\"1\" type=\"stop\"/></barline>",
       0,
       kRupturePlacementFin,
       kRuptureFinVolta,
       kBarreAucune,
       0,
       "$]",
       {}},
      {"<barline location=\"right\"><ending number=\"2\" type=\"discontinue\"/></barline>",
       0,
       kRupturePlacementFin,
       kRuptureFinVolta,
       kBarreAucune,
       0,
       "$]",
       {}},
      // Without a location a bar line stands at the measure's end.
      {"<barline><segno/></barline>", 1, kRupturePlacementSigne, kRuptureSegno, kBarreAucune, 0, "$S", {}},
      {"<barline><bar-style>light-light</bar-style></barline>",
       0,
       kRupturePlacementFin,
       kRuptureAucune,
       kBarreDouble,
       0,
       "",
       {}},
  };
  for (auto& c : cases) {
    ImportXML x(UnePartie(Measure("1", Note(64) + c.barline) + Measure("2", Note(64))));
    ASSERT_EQ(x.Squelette(), 1);
    ASSERT_EQ(GetNbRuptures(x.Score()), 1) << c.barline;
    const Rupture* r = GetRupture(x.Score(), 0);
    EXPECT_EQ(r->mesure, c.bar) << c.barline;
    EXPECT_EQ(r->placement, c.placement) << c.barline;
    EXPECT_EQ(r->type, c.type) << c.barline;
    EXPECT_EQ(r->barre, c.barre) << c.barline;
    if (c.type == kRuptureFinRepetition) EXPECT_EQ(r->nbPassages, c.passes) << c.barline;
    EXPECT_STREQ(r->texte, c.text) << c.barline;
    if (c.type == kRuptureDebutVolta) {
      EXPECT_EQ(r->modePassage, 3u);
      for (int p = 1; p <= kNbPassagesVolta; p++)
        EXPECT_EQ(r->passagesVolta[p - 1] != 0, std::count(c.volta.begin(), c.volta.end(), p) > 0)
            << c.barline << " pass " << p;
    }
    EXPECT_EQ((*x.Score())->nbMesures, 2) << c.barline;
  }
  // The last measure's bar line adds no bar after it.
  ImportXML x(UnePartie(Measure("1", Note(64) + "<barline><bar-style>light-heavy</bar-style></barline>")));
  ASSERT_EQ(x.Squelette(), 1);
  EXPECT_EQ((*x.Score())->nbMesures, 1);
  ASSERT_EQ(GetNbRuptures(x.Score()), 1);
  EXPECT_EQ(GetRupture(x.Score(), 0)->mesure, 0);
}

TEST(XMLSquelette, TempoTranspositionAndBlankPages) {
  struct {
    const char* first;
    const char* second;
    int16_t tempo;
  } cases[] = {
      {"<sound tempo=\"96.7\"/>", "", 96},
      {"<sound tempo=\"9.5\"/>", "", 80},
      {"", "<sound tempo=\"120\"/>", 80},
      {"<sound tempo=\"1e9\"/>", "", 80},
  };
  for (auto& c : cases) {
    ImportXML x(
        UnePartie(Measure("1", std::string(c.first) + Note(64)) + Measure("2", std::string(c.second) + Note(64))));
    (*x.Score())->tempo = 80;
    ASSERT_EQ(x.Squelette(), 1);
    EXPECT_EQ((*x.Score())->tempo, c.tempo) << c.first << c.second;
  }
  // A transpose applies to the pitched instrument only: the drum sound keeps
  // its note and no transposition.
  const std::string sp =
      "<score-instrument id=\"A\"/><score-instrument id=\"B\"/>"
      "<midi-instrument id=\"B\"><midi-unpitched>42</midi-unpitched></midi-instrument>";
  ImportXML x(Partwise(ScorePart("P", "P", sp),
                       Part("P", Measure("1", "<print blank-page=\"2\"/>" + Note(64)) +
                                     Measure("2",
                                             "<attributes><transpose><chromatic>-3</chromatic>"
                                             "<octave-change>-1</octave-change></transpose></attributes>"
                                             "<print blank-page=\"5\"/>" +
                                                 Note(64)))));
  ASSERT_EQ(x.NbPortees(), 2);
  ASSERT_EQ(x.Squelette(), 1);
  EXPECT_EQ(GetInstrument(x.Score(), (*x.Staff(0))->instrument)->transposition, -15);
  const Instrument* drum = GetInstrument(x.Score(), (*x.Staff(1))->instrument);
  EXPECT_EQ(drum->transposition, 0);
  EXPECT_EQ(drum->note, 41);
  EXPECT_EQ(x.doc->nbPagesReservees, 2);  // only the first measure's counts
}

// Measures past the score's bar ceiling have no record: they are skipped,
// and the score keeps its ceiling.
TEST(XMLSquelette, MeasuresPastTheCeilingAreSkipped) {
  std::string m;
  for (int i = 1; i <= kXMLMaxMesures + 20; i++)
    m += "<measure number=\"" + std::to_string(i) + "\"><note><rest/><duration>16</duration></note></measure>";
  ImportXML x(UnePartie(m));
  EXPECT_EQ(x.NbRecords(), kXMLMaxMesures);
  ASSERT_EQ(x.Squelette(), 1);
  EXPECT_EQ((*x.Score())->nbMesures, kXMLMaxMesures);
}

// Files of the shared test suite: bars, time signatures, keys, clefs and bar
// lines as the files describe them.
TEST(XMLSquelette, SuiteFiles) {
  struct Bar {
    int32_t bar;
    int16_t num, den;
    bool shown;
  };
  struct {
    const char* file;
    int16_t staves;
    int32_t bars;
    std::vector<Bar> signatures;
  } cases[] = {
      {"11a-TimeSignatures.xml",
       1,
       11,
       {{0, 2, 2, true}, {1, 4, 4, true}, {3, 3, 2, true}, {7, 5, 4, true}, {8, 3, 8, true}, {10, 12, 8, true}}},
      {"13a-KeySignatures.xml", 1, 30, {{0, 2, 4, true}, {1, 2, 4, false}}},
      {"41a-MultiParts-Partorder.xml", 4, 1, {{0, 4, 4, true}}},
      {"43a-PianoStaff.xml", 3, 1, {{0, 4, 4, true}}},
      {"45a-SimpleRepeat.xml", 1, 2, {{0, 4, 4, true}, {1, 4, 4, false}}},
      {"46a-Barlines.xml", 1, 13, {{0, 4, 4, true}, {12, 4, 4, false}}},
  };
  for (auto& c : cases) {
    std::string bytes;
    ASSERT_TRUE(tamrel_test::ReadData(std::string("musicxml/") + c.file, &bytes));
    ImportXML x(bytes);
    ASSERT_EQ(x.Squelette(), 1) << c.file;
    EXPECT_EQ(x.NbPortees(), c.staves) << c.file;
    int32_t n = 0;
    const TabEltMesure* rows = Rows(x.Score(), &n);
    EXPECT_EQ(n, c.bars) << c.file;
    for (const Bar& b : c.signatures) {
      ASSERT_LT(b.bar, n) << c.file;
      EXPECT_EQ(rows[b.bar].division.numerateur, b.num) << c.file << " bar " << b.bar;
      EXPECT_EQ(rows[b.bar].division.denominateur, b.den) << c.file << " bar " << b.bar;
      EXPECT_EQ((CvtMesureEnVisible(x.Staff(0), int16_t(b.bar)) & kVisibleSignature) != 0, b.shown)
          << c.file << " bar " << b.bar;
    }
    if (std::string(c.file) == "13a-KeySignatures.xml") {
      // From seven flats to seven sharps, each in major then minor.
      for (int32_t b = 0; b < 30; b++) {
        Tonalite k;
        CvtMesureEnTonalite(x.Staff(0), int16_t(b), &k);
        int sharps = 0, flats = 0;
        for (uint8_t a : k.alterations) sharps += a == 1, flats += a == 3;
        const int fifths = b / 2 - 7;
        EXPECT_EQ(sharps, fifths > 0 ? fifths : 0) << "bar " << b;
        EXPECT_EQ(flats, fifths < 0 ? -fifths : 0) << "bar " << b;
        EXPECT_EQ(k.mode, b % 2 ? 0 : 1) << "bar " << b;
        EXPECT_TRUE(CvtMesureEnVisible(x.Staff(0), int16_t(b)) & kVisibleArmure) << "bar " << b;
      }
    }
    if (std::string(c.file) == "43a-PianoStaff.xml") {
      Clef treble, bass;
      CvtMesureEnClef(x.Staff(0), 0, &treble);
      CvtMesureEnClef(x.Staff(2), 0, &bass);
      EXPECT_EQ(treble.type, kClefSol);
      EXPECT_EQ(bass.type, kClefFa);
      EXPECT_EQ(GetNbPartGroups((*x.Score())->partGroups), 1);
    }
    if (std::string(c.file) == "45a-SimpleRepeat.xml") {
      const int16_t i = GetIndexTypeRupturePresent(x.Score(), GetTypeRupture(&TabPredefRupture[4]), 0);
      ASSERT_GE(i, 0);
      EXPECT_EQ(GetRupture(x.Score(), i)->nbPassages, 4);
    }
    if (std::string(c.file) == "46a-Barlines.xml") {
      // Measures 3 to 9 end with dotted, dashed, heavy, light-light,
      // light-heavy, heavy-light (the next bar's start) and heavy-heavy.
      const uint32_t kinds[] = {kBarrePointillee, kBarrePointillee,   kBarreEpaisse, kBarreDouble,
                                kBarreFinMusique, kBarreDebutMusique, kBarreEpaisse};
      for (int b = 2; b <= 8; b++) {
        const int16_t at = b == 7 ? 8 : int16_t(b);
        bool found = false;
        for (int16_t i = 0; i < GetNbRuptures(x.Score()); i++) {
          const Rupture* r = GetRupture(x.Score(), i);
          found = found || (r->mesure == at && r->barre == kinds[b - 2]);
        }
        EXPECT_TRUE(found) << "measure " << b + 1;
      }
    }
  }
}

}  // namespace
