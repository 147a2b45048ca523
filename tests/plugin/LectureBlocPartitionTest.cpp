// Score blocks and staves of native documents, written by the test writer and
// read through the native reader: documents of one and three scores, staves
// of every type, bar tables with time-signature changes, key and clef tables,
// note arrays, old documents, damaged documents and the dump tool.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "NativeFixtures.h"
#include "model/CvtTemps.h"
#include "model/Document.h"
#include "model/Matrices.h"
#include "model/ParamEffet.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/QRVPOBJ.h"
#include "model/QrvText.h"
#include "model/Ruptures.h"
#include "model/Signe.h"
#include "model/TabEltMesure.h"
#include "model/TempsJoue.h"
#include "model/Tonalite.h"
#include "model/TonaliteMaths.h"
#include "plugin/LectureDocument.h"
#include "sound/Flux.h"
#include "support/NativeScore.h"
#include "support/TestPaths.h"

using namespace tamrel_test;

namespace {

class LectureBlocPartition : public ::testing::Test {
 protected:
  NativeReader lecteur;
  void TearDown() override { lecteur.Release(); }
  Partition** Score(int16_t i) const { return lecteur->partitions[i]; }
  Portee** Staff(int16_t score, int16_t i) const { return GetPorteeIndex(Score(score), i); }
};

NativeDocument Doc(uint16_t version, std::vector<ScoreRecord> scores, bool lzw = false, int16_t current = 0) {
  NativeDocument d;
  d.version = version;
  d.lzw = lzw ? 1 : 0;
  d.currentScore = current;
  for (ScoreRecord& s : scores) d.scores.push_back(ScoreSection(s));
  return d;
}

// Three bars, 3/4, 4/4 and 6/8, on staves named after the score.
ScoreRecord TroisMesures(const std::string& nom, int staves = 1) {
  ScoreRecord s;
  s.bars.clear();
  for (auto [n, d] : {std::pair{3, 4}, std::pair{4, 4}, std::pair{6, 8}}) {
    BarRowRecord r;
    r.division = Division(int16_t(n), uint16_t(d));
    r.signatureVisible = 1;
    s.bars.push_back(r);
  }
  for (int k = 0; k < staves; k++) {
    StaffRecord p;
    p.name = nom + " " + std::to_string(k + 1);
    p.shortName = nom.substr(0, 1) + std::to_string(k + 1);
    p.notes.assign(3, SignRecord{});
    p.notes[0].duration = 3 * 40320;
    p.notes[1].duration = 4 * 40320;
    p.notes[2].duration = 3 * 40320;
    s.staves.push_back(p);
  }
  return s;
}

std::string Signatures(Partition** score) {
  std::string s;
  const int32_t n = GetNbMesuresTabEltRuban(score);
  const TabEltMesure* r = GetLignesTabElt(GetTabEltMesureRuban(score));
  for (int32_t i = 0; i < n; i++)
    s += (i ? " " : "") + std::to_string(r[i].division.numerateur) + "/" + std::to_string(r[i].division.denominateur);
  return s;
}

}  // namespace

// Documents of one and of three scores, plain and coded: every score, its
// staves and names, its bar table with the time-signature changes and the
// start of each bar; the current score is the one the document names.
TEST_F(LectureBlocPartition, OneAndThreeScores) {
  for (bool lzw : {false, true}) {
    SCOPED_TRACE(lzw ? "coded" : "plain");
    ASSERT_EQ(lecteur.Load(WriteNativeDocument(Doc(0x9805, {TroisMesures("Solo")}, lzw))), 1);
    ASSERT_EQ(lecteur->nbPartitions, 1);
    EXPECT_EQ(lecteur->partitionCourante, Score(0));
    EXPECT_EQ((*Score(0))->nbMesures, 3);
    EXPECT_EQ(Signatures(Score(0)), "3/4 4/4 6/8");
    EXPECT_EQ(CvtMesureEnTemps(Score(0), 1), 120960);
    EXPECT_EQ(CvtMesureEnTemps(Score(0), 2), 282240);
    ASSERT_EQ((*Score(0))->nbPortees, 1);
    EXPECT_STREQ((*Staff(0, 0))->aspect.nom, "Solo 1");
    EXPECT_STREQ((*Staff(0, 0))->aspect.nomAbrege, "S1");
    EXPECT_EQ((*Staff(0, 0))->nbNotes, 3);

    ScoreRecord a = TroisMesures("Quartet", 4);
    ScoreRecord b = TroisMesures("Duo", 2);
    b.bars.resize(2);
    b.bars[1].division = Division(5, 8);
    ScoreRecord c = TroisMesures("Trio", 3);
    c.bars.assign(12, BarRowRecord{});
    ASSERT_EQ(lecteur.Load(WriteNativeDocument(Doc(0x9805, {a, b, c}, lzw, 1))), 1);
    ASSERT_EQ(lecteur->nbPartitions, 3);
    EXPECT_EQ(lecteur->partitionCourante, Score(1));
    EXPECT_EQ(lecteur->indexPartitionCourante, 1);
    const int16_t staves[3] = {4, 2, 3};
    const char* noms[3] = {"Quartet", "Duo", "Trio"};
    for (int16_t i = 0; i < 3; i++) {
      ASSERT_EQ((*Score(i))->nbPortees, staves[i]);
      EXPECT_EQ((*Score(i))->document, lecteur.doc());
      for (int16_t k = 0; k < staves[i]; k++) {
        EXPECT_EQ(std::string((*Staff(i, k))->aspect.nom), std::string(noms[i]) + " " + std::to_string(k + 1));
        EXPECT_EQ((*Staff(i, k))->index, k);
        EXPECT_EQ((*Staff(i, k))->partition, Score(i));
      }
    }
    EXPECT_EQ(Signatures(Score(0)), "3/4 4/4 6/8");
    EXPECT_EQ(Signatures(Score(1)).substr(0, 7), "3/4 5/8");
    EXPECT_EQ((*Score(2))->nbMesures, 12);
  }
}

// A staff of every type code: each is made through its type, keeps its name
// and notes; the tempo staff's marker and byte are forced, drum staves turn
// filler rests into rests, and the digital track keeps its volume and pan.
TEST_F(LectureBlocPartition, StavesOfEveryTypeCode) {
  ScoreRecord s = TroisMesures("x", 0);
  const uint16_t types[] = {0, 2, 3, 4, 7, 8, 9, 10};
  for (uint16_t t : types) {
    StaffRecord p;
    p.type = t;
    p.name = "type " + std::to_string(t);
    p.marker = 0x1234;
    p.staffByte = 0;
    SignRecord filler;
    filler.kind = 254;
    p.notes = {SignRecord{}, filler};
    p.trackVolume = 90;
    p.trackPan = 30;
    s.staves.push_back(p);
  }
  ASSERT_EQ(lecteur.Load(WriteNativeDocument(Doc(0x9805, {s}))), 1);
  ASSERT_EQ((*Score(0))->nbPortees, int16_t(std::size(types)));
  for (int16_t k = 0; k < int16_t(std::size(types)); k++) {
    SCOPED_TRACE(types[k]);
    Portee** p = Staff(0, k);
    EXPECT_EQ((*p)->type, types[k]);
    EXPECT_EQ((*p)->marqueur, kMarqueurPortee);
    EXPECT_EQ(std::string((*p)->aspect.nom), "type " + std::to_string(types[k]));
    int32_t nb;
    const Signe* n = GetSignesPortee(p, &nb);
    ASSERT_EQ(nb, 2);
    EXPECT_EQ(n[1].kind, types[k] == kTypePorteeBatterie ? kSigneSilence : kSigneSilenceFantome);
    EXPECT_EQ((*p)->marqueur1, types[k] == kTypePorteeTempo ? -1 : 0x1234);
    EXPECT_EQ((*p)->octet2, types[k] == kTypePorteeTempo ? 1 : 0);
    if (types[k] == kTypePorteePisteNumerique) {
      EXPECT_EQ((*p)->volume, 90);
      EXPECT_EQ((*p)->pan, 30);
    }
    EXPECT_EQ((*p)->nbTonalites, 1);
  }
}

// A track staff that holds samples, in a plain and in a coded document: the
// staff reader hands it to the track reader, which reads its chunks (outside
// the coding) into the staff's stream, and the staff after it reads in step.
TEST_F(LectureBlocPartition, TrackStaffWithSamples) {
  std::vector<int16_t> a(1200);
  for (size_t i = 0; i < a.size(); i++) a[i] = int16_t(int32_t(i) * 37 - 20000);
  for (bool lzw : {false, true}) {
    SCOPED_TRACE(lzw);
    ScoreRecord s = TroisMesures("t", 0);
    StaffRecord piste;
    piste.type = 10;
    piste.name = "track";
    TrackRecord t;
    t.volume = 90;
    t.pan = 20;
    t.samples = 1500;
    t.chunks = {{true, 1200, RawSamples16(a, 0x9805)}, {false, 300, {}}};
    piste.track = t;
    StaffRecord apres;
    apres.name = "after";
    s.staves = {piste, apres};
    ASSERT_EQ(lecteur.Load(WriteNativeDocument(Doc(0x9805, {s}, lzw))), 1);
    ASSERT_EQ((*Score(0))->nbPortees, 2);
    Portee** p = Staff(0, 0);
    EXPECT_EQ((*p)->volume, 90);
    EXPECT_EQ((*p)->pan, 20);
    const int32_t id = (*p)->flux;
    ASSERT_EQ(GetLengthFlux(id), 1500u);
    std::vector<int16_t> lus(1500);
    SeekFlux(id, 0);
    ReadFluxNatif(lus.data(), 1500, id);
    std::vector<int16_t> attendus = a;
    attendus.resize(1500, 0);
    EXPECT_EQ(lus, attendus);
    EXPECT_EQ(std::string((*Staff(0, 1))->aspect.nom), "after");
  }
}

// Score blocks of every version the format has had: what each stores of the
// staves, their notes and the bar table. Documents from 3.01 to 7.4F always
// store a whole tablature record per staff, which is read later: their
// scores here have no staff.
TEST_F(LectureBlocPartition, VersionMatrix) {
  const uint16_t versions[] = {0x0202, 0x0203, 0x0300, 0x0320, 0x0321, 0x0323, 0x0500, 0x0511, 0x0610,
                               0x0630, 0x0740, 0x0750, 0x0780, 0x0790, 0x0800, 0x0850, 0x0910, 0x0920,
                               0x0930, 0x0940, 0x0960, 0x0964, 0x9630, 0x9631, 0x9701, 0x9805};
  for (uint16_t v : versions) {
    SCOPED_TRACE(testing::Message() << std::hex << v);
    const bool portees = v < 0x0301 || v >= 0x0750;
    ScoreRecord s = TroisMesures("Staff", portees ? 2 : 0);
    for (StaffRecord& p : s.staves)
      if (v < 0x0500) p.notes.clear();
    // Before 6.10 the time signatures are stored as changes by bar.
    s.oldNumerator = 3;
    s.oldDenominator = 4;
    s.oldBarChanges = {OldBarChangeRecord{1, 0, 4, 4, 7}, OldBarChangeRecord{2, 0, 6, 8, 4}};
    ASSERT_EQ(lecteur.Load(WriteNativeDocument(Doc(v, {s}, v >= 0x0321))), 1);
    ASSERT_EQ(lecteur->nbPartitions, 1);
    EXPECT_EQ((*Score(0))->nbPortees, portees ? 2 : 0);
    if (portees) {
      EXPECT_STREQ((*Staff(0, 1))->aspect.nom, "Staff 2");
      EXPECT_EQ((*Staff(0, 0))->nbNotes, v < 0x0500 ? 0 : 3);
    }
    if (v >= 0x0203) {
      EXPECT_EQ((*Score(0))->nbMesures, 3);
      EXPECT_EQ(Signatures(Score(0)), "3/4 4/4 6/8");
    }
  }
}

// The key and clef table: entries in bar order, the first of a bar kept, the
// standard key index with its mode and tonic, the clef from its stored type
// and shifts (the base note recomputed), the flags, colour, drum grid and
// kept values; a table that comes out empty or without bar 0 starts with C
// major and the treble clef. Verse lines are the identity before 9.60.
TEST_F(LectureBlocPartition, KeyAndClefTables) {
  KeyEntryRecord d;  // D major, bass clef at bar 0
  d.key = 2;
  d.clefType = 2;
  d.baseNote = 99;
  d.visible = 3;
  d.reminder = 2;
  d.clefColour = 5;
  d.drumGrid = 3;
  d.kept1 = -7;
  KeyEntryRecord doublon = d;
  doublon.key = 5;
  KeyEntryRecord ut;  // B flat minor, tenor clef at bar 4
  ut.bar = 4;
  ut.key = 12;
  ut.mode = 0;
  ut.tonicDegree = 9;  // invalid: the standard tonic stands
  ut.clefType = 3;
  ut.lineShift = 1;
  ut.backgroundHidden = 1;
  KeyEntryRecord deux;  // stored after bar 4
  deux.bar = 2;
  deux.key = 1;
  deux.clefType = 77;  // unknown: treble
  deux.lines.resize(256);
  for (int i = 0; i < 256; i++) deux.lines[size_t(i)] = int16_t(255 - i);

  struct Cas {
    const char* nom;
    uint16_t version;
    std::vector<KeyEntryRecord> entrees;
  };
  const Cas cas[] = {
      {"full", 0x9805, {d, doublon, ut, deux}},
      {"before verse lines", 0x0950, {d, doublon, ut, deux}},
      {"no bar 0", 0x9805, {ut}},
      {"empty", 0x9805, {}},
  };
  for (const Cas& c : cas) {
    SCOPED_TRACE(c.nom);
    ScoreRecord s = TroisMesures("K");
    s.staves[0].keys = c.entrees;
    ASSERT_EQ(lecteur.Load(WriteNativeDocument(Doc(c.version, {s}))), 1);
    Portee** p = Staff(0, 0);
    int32_t n;
    const EltTabTonalite* t = GetEltsTabTonalite(p, &n);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t[0].mesure, 0);
    Tonalite cle;
    Clef clef;
    if (c.entrees.empty()) {
      ASSERT_EQ(n, 1);
      CvtMesureEnTonalite(p, 0, &cle);
      CvtMesureEnClef(p, 0, &clef);
      EXPECT_EQ(CvtTonaliteEnTonaliteStd(&cle), 0);
      EXPECT_EQ(clef.type, kClefSol);
      continue;
    }
    if (c.entrees.size() == 1) {
      ASSERT_EQ(n, 2);
      EXPECT_EQ(t[1].mesure, 4);
      CvtMesureEnClef(p, 0, &clef);
      EXPECT_EQ(clef.type, kClefSol);
      CvtMesureEnClef(p, 5, &clef);
      EXPECT_EQ(clef.type, kClefUt);
      continue;
    }
    ASSERT_EQ(n, 3);
    EXPECT_EQ(t[1].mesure, 2);
    EXPECT_EQ(t[2].mesure, 4);
    CvtMesureEnTonalite(p, 1, &cle);
    EXPECT_EQ(CvtTonaliteEnTonaliteStd(&cle), 2) << "the first entry of bar 0 stays";
    EXPECT_EQ(cle.mode, 1);
    CvtMesureEnClef(p, 0, &clef);
    EXPECT_EQ(clef.type, kClefFa);
    EXPECT_EQ(clef.noteDeBase, 43) << "the base note follows the clef";
    EXPECT_EQ(t[0].visible, 3u);
    EXPECT_EQ(t[0].rappel, 2u);
    EXPECT_EQ(t[0].couleurClef, 5);
    EXPECT_EQ(t[0].subdivisionBatterie, 3);
    EXPECT_EQ(t[0].valeursLues[0], -7);
    CvtMesureEnClef(p, 2, &clef);
    EXPECT_EQ(clef.type, kClefSol);
    CvtMesureEnTonalite(p, 4, &cle);
    EXPECT_EQ(CvtTonaliteEnTonaliteStd(&cle), 12);
    EXPECT_EQ(cle.mode, 0);
    Tonalite attendue;
    CvtTonaliteStdEnTonalite(12, 0, &attendue);
    EXPECT_EQ(cle.degreTonique, attendue.degreTonique);
    CvtMesureEnClef(p, 4, &clef);
    EXPECT_EQ(clef.type, kClefUt);
    EXPECT_EQ(clef.decalageLigne, 1);
    EXPECT_FALSE(CvtMesureEnFondVisible(p, 4));
    EXPECT_EQ(CvtPassageKaraokeEnLigneAffichage(p, 2, 10), c.version >= 0x0960 ? 245 : 10);
  }
}

// Note arrays: the long count form, a special sign repeated in a chord kept
// once, effects codes 2 (elsewhere) and others (an empty effects record).
// Counts the stream cannot hold, and negative ones, fail before anything is
// allocated for them.
TEST_F(LectureBlocPartition, NoteArrays) {
  ScoreRecord s = TroisMesures("N");
  StaffRecord& p = s.staves[0];
  SignRecord accord;
  accord.flags = kSigneAccordSuite;
  SignRecord special;
  special.kind = 253;
  special.flags = kSigneAccordSuite;
  SignRecord special2 = special;
  special2.flags = 0;
  special2.option1 = 9;
  SignRecord ailleurs;
  ailleurs.effects = 2;
  SignRecord vide;
  vide.effects = 7;
  p.notes = {accord, SignRecord{}, special, special2, ailleurs, vide};
  p.longCount = true;
  ASSERT_EQ(lecteur.Load(WriteNativeDocument(Doc(0x9805, {s}))), 1);
  Portee** staff = Staff(0, 0);
  int32_t n;
  const Signe* notes = GetSignesPortee(staff, &n);
  ASSERT_EQ(n, 5);
  EXPECT_EQ(notes[2].kind, kSigneSpecial);
  EXPECT_EQ(notes[2].octetOption1, 9) << "the second of the pair stands";
  EXPECT_EQ(notes[3].indexParamEffet, -2);
  EXPECT_EQ(notes[4].indexParamEffet, 0);
  EXPECT_EQ((*staff)->nbParamEffets, 1);

  struct Cas {
    const char* nom;
    int32_t compte;
  };
  for (const Cas& c : {Cas{"past the stream", 20000}, Cas{"negative", -2}, Cas{"long, past the stream", 100000000},
                       Cas{"long, negative", -5}}) {
    SCOPED_TRACE(c.nom);
    ScoreRecord m = TroisMesures("N");
    m.staves[0].noteCount = c.compte;
    m.staves[0].longCount = c.compte > 32767 || c.compte == -5;
    EXPECT_EQ(lecteur.Load(WriteNativeDocument(Doc(0x9805, {m}))), 0);
  }
}

// What the block keeps of its settings: a zoom of 0 is 72, a float zoom of 0
// is the zoom, a stored screen mode of 2 or more is page mode; the played-bar
// list; the banks: accompaniments with their patterns, rhythms with their
// drum staves and notes, the chord grid's bars with their chords.
TEST_F(LectureBlocPartition, ScoreSettingsAndBanks) {
  ScoreRecord s = TroisMesures("S");
  s.zoom = 0;
  s.mode = 3;
  s.floatZoom = 0;
  s.playedBars = std::vector<int16_t>{0, 1, 0, 1, 2};
  s.lastBar = 5;
  s.documentByte = 9;
  s.scoreByte = 4;
  AccompanimentRecord a;
  a.paste.pattern = PatternRecord{};
  a.paste.pattern->staff.notes.assign(4, SignRecord{});
  s.accompaniments = {a, AccompanimentRecord{}};
  RhythmRecord r;
  r.rows.resize(2);
  r.rows[1].notes.assign(3, SignRecord{});
  s.rhythms = {r};
  GridBarRecord g;
  g.chords.assign(2, ChordDefRecord{});
  s.grid.assign(3, g);
  s.bars.clear();  // the table only holds what the file stores
  ASSERT_EQ(lecteur.Load(WriteNativeDocument(Doc(0x9805, {s}))), 1);
  Partition** score = Score(0);
  EXPECT_EQ((*score)->zoom, 72);
  EXPECT_EQ((*score)->zoomEcran, 72);
  EXPECT_EQ((*score)->zoomPage, 72.0f);
  EXPECT_EQ((*score)->modeEcran, 1);
  EXPECT_EQ((*score)->nbCvtMesures, 5);
  EXPECT_EQ((*score)->tabCvtMesureUtilisateur, 1);
  EXPECT_EQ(GetLignesCvtMesure((*score)->tabCvtMesure)[3].mesure, 1);
  EXPECT_EQ(lecteur->natif.octetPartition, 9);
  EXPECT_EQ((*score)->natif.octetApresRythmes, 4);

  ASSERT_EQ((*score)->nbAccompagnements, 2);
  const Accompagnement* acc = reinterpret_cast<Accompagnement*>(*(*score)->accompagnements);
  EXPECT_STREQ(acc[0].nom, "Accompaniment");
  ASSERT_NE(acc[0].modePaste.pattern, nullptr);
  ASSERT_NE(acc[0].modePaste.pattern->portee, nullptr);
  EXPECT_EQ((*acc[0].modePaste.pattern->portee)->nbNotes, 4);
  EXPECT_EQ(acc[1].modePaste.pattern, nullptr);
  ASSERT_EQ((*score)->nbRythmes, 1);
  const Rythme& rythme = *reinterpret_cast<Rythme*>(*(*score)->banqueRythmes);
  EXPECT_STREQ(rythme.nom, "Rock");
  ASSERT_EQ(rythme.nbPortees, 2);
  EXPECT_EQ(reinterpret_cast<PorteeRythme*>(*rythme.portees)[1].nbNotes, 3);
  ASSERT_EQ((*score)->nbMesuresGrilleAccord, 3);
  const MesureGrilleAccord* grille = reinterpret_cast<MesureGrilleAccord*>(*(*score)->grilleAccord);
  EXPECT_EQ(grille[2].nbCellules, 2);
  EXPECT_STREQ(grille[2].cellules[1].nom, "C");
}

// A bar table of more bars than a score holds: every row is read, 7999 are
// kept, and the document is read on to its end.
TEST_F(LectureBlocPartition, BarTablesPastTheModelsCeiling) {
  ScoreRecord s = TroisMesures("B");
  s.bars.assign(8003, BarRowRecord{});
  s.bars[7998].division = Division(3, 8);
  s.bars[8002].division = Division(5, 8);
  s.staves[0].notes.clear();
  ASSERT_EQ(lecteur.Load(WriteNativeDocument(Doc(0x9805, {s}))), 1);
  EXPECT_EQ((*Score(0))->nbMesures, kMaxMesures);
  EXPECT_EQ(GetNbMesuresTabEltRuban(Score(0)), kMaxMesures);
  EXPECT_EQ(GetLignesTabElt(GetTabEltMesureRuban(Score(0)))[7998].division.numerateur, 3);
}

// Documents before 6.10 keep the key and time signature of bar 0 in the
// block and the changes in a list; before 7.40 ruptures are compact records
// (kinds 1 to 12 known, others ignored, ending flags merged at a bar).
TEST_F(LectureBlocPartition, OldKeysTimeSignaturesAndRuptures) {
  ScoreRecord s = TroisMesures("Old");
  s.staves[0].notes.clear();
  s.oldKey = 2;
  s.oldNumerator = 2;
  s.oldDenominator = 2;
  s.oldBarChanges = {OldBarChangeRecord{2, 9, 3, 4, 4}};
  s.oldRuptures = {OldRuptureRecord{1, 0, 0, 0}, OldRuptureRecord{13, 1, 0, 0}, OldRuptureRecord{7, 2, 1, 0},
                   OldRuptureRecord{7, 2, 2, 0}, OldRuptureRecord{5, 3, 1, 0}};
  ASSERT_EQ(lecteur.Load(WriteNativeDocument(Doc(0x0300, {s}))), 1);
  Partition** score = Score(0);
  EXPECT_EQ(Signatures(score).substr(0, 11), "2/2 2/2 3/4");
  Tonalite cle;
  CvtMesureEnTonalite(Staff(0, 0), 0, &cle);
  EXPECT_EQ(CvtTonaliteEnTonaliteStd(&cle), 2);
  CvtMesureEnTonalite(Staff(0, 0), 2, &cle);
  EXPECT_EQ(CvtTonaliteEnTonaliteStd(&cle), 9);
  ASSERT_EQ(GetNbRuptures(score), 3) << "kind 13 is ignored; the two endings at bar 2 are one";
  int volta = -1, segno = -1;
  for (int16_t i = 0; i < 3; i++) {
    if (GetRupture(score, i)->type == kRuptureDebutVolta) volta = i;
    if (GetRupture(score, i)->type == kRuptureDalSegno) segno = i;
  }
  ASSERT_GE(volta, 0);
  EXPECT_EQ(GetRupture(score, int16_t(volta))->passagesVolta[0], 1);
  EXPECT_EQ(GetRupture(score, int16_t(volta))->passagesVolta[1], 1);
  ASSERT_GE(segno, 0);
  EXPECT_EQ(GetRupture(score, int16_t(segno))->mesure, 2) << "kind 5 moves a bar back";
  EXPECT_EQ(GetRupture(score, int16_t(segno))->modePassage, 2u);

  // Before 3.00 an accompaniment carries its bar ranges: a range ending before
  // it starts is dropped, one running past the score's bars is cut at its end.
  ScoreRecord banques = TroisMesures("Old");
  banques.staves[0].notes.clear();
  AccompanimentRecord a;
  a.oldRanges = {{0, 0}, {3, 2}, {0, 9000}};
  banques.accompaniments = {a};
  ASSERT_EQ(lecteur.Load(WriteNativeDocument(Doc(0x0202, {banques}))), 1);
  ASSERT_EQ(Score(0)[0]->nbAccompagnements, 1);
  const EnteteMatrice* entete = GetEnteteMatrice((*Score(0))->matriceAccompagnement);
  ASSERT_NE(entete, nullptr);
  ASSERT_EQ(entete->nbRanges, 2);
  const RangeMatrice* plages = GetRangesMatrice((*Score(0))->matriceAccompagnement);
  EXPECT_EQ(plages[0].mesureFin, 0);
  EXPECT_EQ(plages[1].mesureDebut, 0);
  EXPECT_LT(plages[1].mesureFin, (*Score(0))->nbMesures) << "cut at the score's end";
}

// Damaged blocks and staves fail cleanly: counts the stream cannot hold,
// records that later readers will read, and a staff that is not sound.
TEST_F(LectureBlocPartition, DamagedBlocksFail) {
  struct Cas {
    const char* nom;
    std::function<void(ScoreRecord&)> change;
  };
  const Cas cas[] = {
      {"a huge instrument count", [](ScoreRecord& s) { s.instruments.assign(1, InstrumentRecord{}); }},
      {"more staves than stored", [](ScoreRecord& s) { s.staffCount = 40000; }},
      {"a negative chord-grid count", [](ScoreRecord& s) { s.gridCount = -1; }},
      {"a chord-grid count past the end", [](ScoreRecord& s) { s.gridCount = 30000; }},
      {"a key table past the end",
       [](ScoreRecord& s) {
         s.staves[0].keys = std::vector<KeyEntryRecord>(1);
         s.staves[0].keys->front().bar = 0;
         s.barCount = 1;
       }},
      {"a bar count past the end", [](ScoreRecord& s) { s.barCount = 60000; }},
      {"a track with samples",
       [](ScoreRecord& s) {
         s.staves[0].type = 10;
         s.staves[0].trackSamples = 100;
       }},
      {"a pattern without name",
       [](ScoreRecord& s) {
         AccompanimentRecord a;
         a.paste.pattern = PatternRecord{};
         a.paste.pattern->noName = true;
         s.accompaniments = {a};
       }},
  };
  for (const Cas& c : cas) {
    SCOPED_TRACE(c.nom);
    ScoreRecord s = TroisMesures("D");
    c.change(s);
    std::vector<uint8_t> octets = WriteNativeDocument(Doc(0x9805, {s}));
    if (std::string(c.nom) == "a huge instrument count") {
      // The table's count is the instruments' own: rewrite it in place.
      NativeWriter w(0x9805);
      WriteInstruments(w, s.instruments);
      const std::vector<uint8_t> table = w.Finish();
      auto it = std::search(octets.begin(), octets.end(), table.begin(), table.end());
      ASSERT_NE(it, octets.end());
      it[0] = 0x75;
      it[1] = 0x30;
    }
    if (std::string(c.nom) == "a key table past the end") {
      // The entry count claims far more entries than follow.
      NativeWriter w(0x9805);
      WriteKeyEntry(w, s.staves[0].keys->front());
      const std::vector<uint8_t> entree = w.Finish();
      auto it = std::search(octets.begin(), octets.end(), entree.begin(), entree.end());
      ASSERT_NE(it, octets.end());
      it[-2] = 0x7F;
      it[-1] = 0x00;
    }
    EXPECT_EQ(lecteur.Load(octets), 0);
  }
}

// Cut at every byte, documents with scores fail cleanly, plain and coded, new
// and old; and a sample of single-byte damages never crashes (the sanitizer
// build runs this too).
TEST_F(LectureBlocPartition, TruncatedDocumentsFailCleanly) {
  ScoreRecord riche = TroisMesures("T", 2);
  riche.accompaniments.resize(1);
  riche.accompaniments[0].paste.pattern = PatternRecord{};
  riche.grid.resize(2);
  riche.grid[0].chords.resize(2);
  riche.rhythms.resize(1);
  riche.rhythms[0].rows.resize(1);
  riche.rhythms[0].rows[0].notes.resize(2);
  riche.playedBars = std::vector<int16_t>{0, 1, 2};
  ScoreRecord ancienne = TroisMesures("O");
  ancienne.staves[0].notes.clear();
  ancienne.oldRuptures = {OldRuptureRecord{1, 1, 0, 0}};
  ancienne.oldBarChanges = {OldBarChangeRecord{1, 3, 3, 4, 4}};
  const NativeDocument docs[] = {Doc(0x9805, {riche, TroisMesures("U")}, false), Doc(0x9805, {riche}, true),
                                 Doc(0x0300, {ancienne}, false), Doc(0x0850, {riche}, true)};
  for (const NativeDocument& d : docs) {
    const std::vector<uint8_t> entier = WriteNativeDocument(d);
    ASSERT_EQ(lecteur.Load(entier), 1);
    for (size_t n = 0; n < entier.size(); n++) {
      const std::vector<uint8_t> coupe(entier.begin(), entier.begin() + long(n));
      ASSERT_EQ(lecteur.Load(coupe), 0) << "cut at " << n << " of " << entier.size();
    }
    std::mt19937 alea(unsigned(entier.size()));
    for (int i = 0; i < 300; i++) {
      std::vector<uint8_t> abime = entier;
      abime[alea() % abime.size()] = uint8_t(alea());
      lecteur.Load(abime);
    }
  }
}

// The dump tool reads documents through the request driver and prints their
// scores, staves, names, bar counts and time signatures.
TEST_F(LectureBlocPartition, TheDumpToolPrintsScoresAndStaves) {
  DossierTemp dossier;
  ScoreRecord b = TroisMesures("Duo", 2);
  b.staves[1].type = 2;
  const auto ecrit = [&](const std::string& nom, const NativeDocument& d) {
    const std::vector<uint8_t> o = WriteNativeDocument(d);
    return dossier.Ecrit(nom, std::string(o.begin(), o.end()));
  };
  const std::string un = ecrit("un.qrv", Doc(0x9805, {TroisMesures("Solo")}));
  const std::string trois = ecrit("trois.qrv", Doc(0x9805, {TroisMesures("A"), b, TroisMesures("C", 3)}, true, 1));
  const std::string sortie = dossier.Chemin("sortie.txt");
  const std::string commande = ToolPath("nativedump") + " '" + un + "' '" + trois + "' > '" + sortie + "'";
  ASSERT_EQ(std::system(commande.c_str()), 0);
  const std::string texte = LitFichier(sortie);
  for (const char* ligne : {
           "un.qrv: version 0x9805, 1 score\n",
           "score 1 (current): 3 bars, 1 staves\n",
           "  time signatures: bar 1 3/4 bar 2 4/4 bar 3 6/8\n",
           "  staff 1: type 0 (standard) \"Solo 1\" \"S1\", 3 notes",
           "trois.qrv: version 0x9805, 3 scores\n",
           "score 2 (current): 3 bars, 2 staves\n",
           "  staff 2: type 2 (drums) \"Duo 2\" \"D2\", 3 notes",
           "score 3: 3 bars, 3 staves\n",
       }) {
    EXPECT_NE(texte.find(ligne), std::string::npos) << ligne << "\n---\n" << texte;
  }
}

// The same music at three versions: a chord, a note with a staccato, a grace
// note and a tie into the next, lyric cells and a repeat end. Documents from
// 7.50 keep it all; a 3.00 document stores no effects, its old ticks and its
// compact rupture give the same times and bar line.
TEST_F(LectureBlocPartition, NotesTextsAndRupturesAtEveryVersion) {
  for (uint16_t v : {0x0300, 0x0750, 0x9805}) {
    SCOPED_TRACE(testing::Message() << std::hex << v);
    const bool effets = v >= 0x0500;
    ScoreRecord s = TroisMesures("M");
    std::vector<SignRecord>& n = s.staves[0].notes;
    n.assign(5, SignRecord{});
    n[0].flags = 1;  // a chord of 60 and 64
    n[0].duration = n[1].duration = 3 * 40320;
    n[1].kind = 64;
    n[2].duration = n[3].duration = 2 * 40320;
    n[4].duration = 3 * 40320;
    if (effets) {
      n[2].effects = n[3].effects = 1;
      MarkRecord staccato;
      staccato.code = kMarkStaccato;
      n[2].effectsRecord.marks = {staccato};
      n[2].effectsRecord.graces = {GraceRecord{}};
      n[2].effectsRecord.tieSource = 1;
      n[3].effectsRecord.tieDest = 1;
    }
    for (int i = 0; i < 3; i++) {
      TextRecord t;
      t.text = i == 1 ? "la_la" : "do";
      t.start = i * (v < 0x0320 ? 288 : 3 * 40320);
      t.end = t.start;
      t.line = 1;
      s.staves[0].texts.push_back(t);
    }
    if (v >= 0x0740) {
      RuptureRecord r;
      r.bar = 1;
      r.placement = 3;
      r.barLine = 8;
      r.type = 14;
      r.passesMode = 1;
      r.passes = 1;
      s.ruptures = {r};
    } else {
      s.oldRuptures = {OldRuptureRecord{4, 1, 1, 0}};  // a repeat end
    }
    ASSERT_EQ(lecteur.Load(WriteNativeDocument(Doc(uint16_t(v), {s}))), 1);
    Portee** p = Staff(0, 0);
    int32_t nb;
    const Signe* notes = GetSignesPortee(p, &nb);
    ASSERT_EQ(nb, 5);
    EXPECT_EQ(notes[0].flags & kSigneAccordSuite, kSigneAccordSuite);
    EXPECT_EQ(notes[1].kind, 64);
    EXPECT_EQ(notes[2].duree, 2 * 40320);
    const ParamEffet* e = GetParamEffetNote(p, &notes[2]);
    ASSERT_EQ(e != nullptr, effets);
    if (effets) {
      EXPECT_TRUE(IsMarkInParamEffet(e, kMarkStaccato, nullptr));
      EXPECT_EQ(e->graces[0].utilise, 1);
      EXPECT_NE(e->liaison.idSource, 0u);
      const ParamEffet* d = GetParamEffetNote(p, &notes[3]);
      ASSERT_NE(d, nullptr);
      EXPECT_EQ(d->liaison.idDest, e->liaison.idSource);
    }
    int32_t nbTextes;
    const Texte* t = GetTextesPortee(p, &nbTextes);
    ASSERT_EQ(nbTextes, 3);
    EXPECT_EQ(t[1].debut, 3 * 40320);
    ASSERT_NE(t[0].texte, nullptr);
    ASSERT_EQ(GetNbRuptures(Score(0)), 1);
    EXPECT_EQ(GetRupture(Score(0), 0)->type, kRuptureFinRepetition);
    EXPECT_EQ(GetRupture(Score(0), 0)->mesure, 1);
  }
}
