// Dynamics: types and defaults, velocity objects, cutting time ranges, the
// preparation's velocity events through repeats and endings, across merged
// staves, braces and volatile staves, octave shifts on sounding pitches, and
// the conversions of old documents (levels at repeat targets, pedal marks).
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "BarTableFixtures.h"
#include "model/CourbeTempo.h"
#include "model/ParamEffet.h"
#include "model/PartGroups.h"
#include "model/QrvDynamics.h"
#include "model/QrvText.h"
#include "model/Ruptures.h"
#include "model/SGraphix.h"
#include "model/TempsJoue.h"
#include "notation/ServicesNotation.h"
#include "platform/Trace.h"

namespace {

constexpr int32_t kMesure = 161280;
constexpr int32_t kNoire = 40320;

struct Evt {
  int16_t portee;
  int16_t dynamique;
  bool restaure;
  int32_t debut;
  int32_t fin;
  uint16_t v1;
  uint16_t v2;
  bool operator==(const Evt&) const = default;
};

std::ostream& operator<<(std::ostream& o, const Evt& e) {
  return o << "{" << e.portee << "/" << e.dynamique << (e.restaure ? " restore" : "") << " " << e.debut << ".." << e.fin
           << " " << e.v1 << "->" << e.v2 << "}";
}

struct DynamiquesTest : BarTableTest {
  DynamiquesTest() { Mesures(8); }

  Portee** P(int16_t i) {
    while ((*score)->nbPortees <= i) NewPortee(score, kTypePorteeStandard);
    return (*score)->portees[i];
  }
  int32_t Dyn(Portee** staff, int32_t type, int32_t start, int32_t end, uint16_t v1, uint16_t v2 = 0) {
    int32_t i = NewDynamique(staff);
    EXPECT_GE(i, 0);
    Dynamique& d = D(staff, i);
    SetDefaultDynamique(&d, type);
    d.debut = start;
    d.fin = end;
    d.valeur1 = v1;
    d.valeur2 = v2;
    return i;
  }
  Dynamique& D(Portee** staff, int32_t i) { return GetDynamiquesPortee(staff, nullptr)[i]; }
  Signe* Notes(Portee** staff) {
    int32_t n = 0;
    return GetSignesPortee(staff, &n);
  }
  std::vector<Evt> Evts(Portee** staff) {
    int32_t n = 0;
    const EvtDynamique* e = GetEvtDynamiquesPortee(staff, &n);
    std::vector<Evt> out;
    for (int32_t i = 0; i < n; i++)
      out.push_back(
          {e[i].portee, e[i].dynamique, e[i].restaure != 0, e[i].debut, e[i].fin, e[i].valeur1, e[i].valeur2});
    return out;
  }
  // Starts of the events, for the cases where only the propagation matters.
  std::vector<int32_t> Debuts(Portee** staff) {
    std::vector<int32_t> out;
    for (const Evt& e : Evts(staff)) out.push_back(e.debut);
    return out;
  }
  void Rupture(int16_t preset, int16_t bar) { ASSERT_GE(AjouteRuptureEnMesure(score, preset, bar, true, false), 0); }
  void Ruptures() {
    (*score)->nbMesures = 8;
    RemetRupturesEnForme(score);
  }
};

TEST_F(DynamiquesTest, TypesClassesAndDefaults) {
  struct {
    int32_t pourcent, type;
  } niveaux[] = {{0, 3},   {20, 3},  {21, 4},  {60, 5},   {80, 6},  {100, 7},
                 {101, 8}, {120, 8}, {160, 9}, {200, 10}, {900, 10}};
  for (auto c : niveaux) EXPECT_EQ(CvtPourcentVelociteEnTypeDynamique(c.pourcent), c.type) << c.pourcent;
  const int32_t pourcents[] = {100, 100, 100, 20, 40, 60, 80, 100, 120, 160, 200, 100};
  for (int32_t t = 0; t < 12; t++) EXPECT_EQ(CvtTypeDynamiqueEnPourcentVelocite(t), pourcents[t]) << t;

  struct {
    int32_t type;
    int16_t classe;
    uint16_t v1, v2;
  } types[] = {{0, 0, 0, 0},    {1, 2, 50, 100}, {2, 2, 100, 50}, {3, 1, 20, 0},  {10, 1, 200, 0},
               {11, 1, 100, 0}, {17, 1, 100, 0}, {18, 3, 0, 0},   {21, 3, 0, 0},  {22, 4, 0, 0},
               {23, 5, 100, 0}, {24, 5, 0, 0},   {25, 1, 100, 0}, {33, 1, 100, 0}};
  for (auto c : types) {
    SCOPED_TRACE(c.type);
    EXPECT_EQ(CalculeClasseDynamique(c.type), c.classe);
    Dynamique d;
    std::memset(&d, 0x5A, sizeof d);
    SetDefaultDynamique(&d, c.type);
    EXPECT_EQ(d.valeur1, c.v1);
    EXPECT_EQ(d.valeur2, c.v2);
    EXPECT_EQ(d.style.font, 20);
    EXPECT_EQ(d.style.face, 3);
    EXPECT_EQ(d.style.size, 12);
    EXPECT_EQ(d.actif, 1);
    EXPECT_EQ(d.visible, 1);
    EXPECT_EQ(d.masquePassages, 0x3FFFFFFFu);
    EXPECT_EQ(d.uniteTempo, kNoire);
    EXPECT_EQ(d.flagTempo, c.type == 22 ? 1 : 0);
    EXPECT_EQ(d.forme1, 33);
    EXPECT_EQ(d.forme2, 66);
    EXPECT_EQ(d.taille, 100);
    EXPECT_EQ(d.texte[0], 0);
    EXPECT_EQ(d.debut, 0);
  }
}

TEST_F(DynamiquesTest, VelocityObjectsTakeTheirTypeEndAndPlace) {
  Portee** p = P(0);
  int32_t cresc = AjouteObjetVelocite(score, p, 1000, 50000, 60, 80);
  int32_t decresc = AjouteObjetVelocite(score, p, 2000, 9000, 80, 60);
  int32_t mf = AjouteObjetVelocite(score, p, 3000, 99999, 80, 80);
  (*p)->dynamiquesDessus = 1;
  int32_t ff = AjouteObjetVelocite(score, p, 4000, 4000, 160, 160);
  ASSERT_EQ(std::vector<int32_t>({cresc, decresc, mf, ff}), std::vector<int32_t>({0, 1, 2, 3}));
  EXPECT_EQ(D(p, cresc).type, kDynCrescendo);
  EXPECT_EQ(D(p, cresc).fin, 50000);
  EXPECT_EQ(D(p, decresc).type, kDynDecrescendo);
  EXPECT_EQ(D(p, mf).type, 6);
  EXPECT_EQ(D(p, mf).fin, 3000 + kNoire);
  EXPECT_EQ(D(p, ff).type, 9);
  for (int32_t i : {cresc, decresc, mf, ff}) {
    Rect r{};
    GetRectStdDynamique(p, &D(p, i), &r);
    int32_t haut = i == ff ? -46 : 5;
    EXPECT_EQ(D(p, i).haut, haut) << i;
    EXPECT_EQ(D(p, i).bas, r.bottom + haut) << i;
  }
  EXPECT_EQ(D(p, cresc).valeur1, 60);
  EXPECT_EQ(D(p, cresc).valeur2, 80);

  // The level in force at a written tick: the last enabled level or hairpin
  // (its end value) starting at or before it, in list order.
  EXPECT_EQ(ApproximeVelociteSelonTempsEcrit(p, 999), -1);
  EXPECT_EQ(ApproximeVelociteSelonTempsEcrit(p, 1000), 80);
  EXPECT_EQ(ApproximeVelociteSelonTempsEcrit(p, 2500), 60);
  EXPECT_EQ(ApproximeVelociteSelonTempsEcrit(p, 3500), 80);
  D(p, mf).actif = 0;
  D(p, decresc).valeur2 = 70;
  EXPECT_EQ(ApproximeVelociteSelonTempsEcrit(p, 3500), 70);
  EXPECT_EQ(ApproximeVelociteSelonTempsEcrit(p, 10 * kMesure), 160);
}

// Each case cuts [1000, 2000) out of one record.
TEST_F(DynamiquesTest, CuttingATimeRangeMovesShortensOrRemoves) {
  struct Cas {
    const char* nom;
    int32_t debut, fin;
    bool garde;
    bool reste;
    int32_t debut2, fin2;
    uint16_t v1;
  } cas[] = {
      {"after the range moves left", 2500, 3000, false, true, 1500, 2000, 40},
      {"at the range's end moves left", 2000, 2100, false, true, 1000, 1100, 40},
      {"over the range's start is cut there", 500, 1500, false, true, 500, 1000, 40},
      {"spanning the range ends at its start", 500, 5000, false, true, 500, 1000, 40},
      {"inside without keep goes", 1200, 1800, false, false, 0, 0, 0},
      {"inside with keep moves to its start", 1200, 1800, true, true, 1000, 1600, 40},
      {"hairpin from inside starts at the value reached", 1500, 2500, false, true, 1000, 1500, 60},
      {"before the range stays", 100, 900, false, true, 100, 900, 40},
  };
  Portee** p = P(0);
  for (const Cas& c : cas) {
    SCOPED_TRACE(c.nom);
    DisposeDynamiques(p);
    Dyn(p, kDynCrescendo, c.debut, c.fin, 40, 80);
    DeleteTimeRangeDynamiques(p, 1000, 2000, c.garde);
    int32_t n = 0;
    GetDynamiquesPortee(p, &n);
    ASSERT_EQ(n, c.reste ? 1 : 0);
    if (!c.reste) continue;
    EXPECT_EQ(D(p, 0).debut, c.debut2);
    EXPECT_EQ(D(p, 0).fin, c.fin2);
    EXPECT_EQ(D(p, 0).valeur1, c.v1);
  }
  // An empty range cuts nothing.
  DisposeDynamiques(p);
  Dyn(p, kDynCrescendo, 500, 5000, 40, 80);
  DeleteTimeRangeDynamiques(p, 1000, 1000, false);
  EXPECT_EQ(D(p, 0).fin, 5000);
  // Whole bars: bars 1 and 2 go.
  Dyn(p, 7, 3 * kMesure + 5, 3 * kMesure + 5 + kNoire, 100);
  DeleteMesureDynamiques(p, 1, 2);
  EXPECT_EQ(D(p, 0).fin, 5000);
  EXPECT_EQ(D(p, 1).debut, kMesure + 5);
  EXPECT_EQ(D(p, 1).fin, kMesure + 5 + kNoire);
}

TEST_F(DynamiquesTest, DeletingKeepsEventsOnTheirRecordsAndRebuildsTheTempoCurve) {
  Portee** p = P(0);
  Dyn(p, 5, 0, kNoire, 60);
  Dyn(p, 22, kMesure, kMesure + kNoire, 90);
  Dyn(p, 8, 2 * kMesure, 2 * kMesure + kNoire, 120);
  (*score)->tempo = 120;
  PrepareDynamiquesPartition(score);
  EXPECT_FLOAT_EQ(CvtTempsEnTempo(score, kMesure), 90.0f);
  ASSERT_EQ(Evts(p).size(), 2u);

  std::string trace;
  bool avant = TraceEnabled();
  SetTraceEnabled(true);
  testing::internal::CaptureStderr();
  EXPECT_EQ(DeleteDynamique(p, 3, true), 255);
  trace = testing::internal::GetCapturedStderr();
  SetTraceEnabled(avant);
  EXPECT_NE(trace.find("QrvDynamics"), std::string::npos);

  EXPECT_EQ(DeleteDynamique(p, 1, true), 1);
  EXPECT_EQ(CvtTempsEnTempo(score, kMesure), 120.0f);
  // The level that moved down is still the one its event names.
  std::vector<Evt> e = Evts(p);
  ASSERT_EQ(e.size(), 2u);
  EXPECT_EQ(GetDynamiqueEvt(score, &GetEvtDynamiquesPortee(p, nullptr)[1])->valeur1, 120);
  EXPECT_EQ(DeleteDynamique(p, 0, false), 0);
  e = Evts(p);
  ASSERT_EQ(e.size(), 1u);
  EXPECT_EQ(e[0].debut, 2 * kMesure);
  EXPECT_EQ(e[0].dynamique, 0);
  EvtDynamique perdu{};
  perdu.portee = 5;
  EXPECT_EQ(GetDynamiqueEvt(score, &perdu), nullptr);
}

// Bars 0 .. 4: a repeat from bar 1 with a first ending (bar 2) and a second
// (bar 3), so the played bars are 0 1 2 1 3 4.
TEST_F(DynamiquesTest, VelocityEventsFollowRepeatsAndEndingsPassByPass) {
  Rupture(3, 1);
  Rupture(9, 2);
  Rupture(10, 2);
  Rupture(4, 2);
  Rupture(9, 3);
  Rupture(10, 3);
  Ruptures();
  Portee** p = P(0);
  Dyn(p, kDynOctavePlus1, 0, kMesure, 0);
  int32_t f = Dyn(p, 8, 0, kNoire, 120);                                  // every pass
  int32_t piano = Dyn(p, 5, kMesure + kNoire, kMesure + 2 * kNoire, 60);  // first time only
  D(p, piano).masquePassages = 1;
  int32_t cresc = Dyn(p, kDynCrescendo, 3 * kMesure, 3 * kMesure + 2 * kNoire, 60, 100);  // second ending
  int32_t moitie = Dyn(p, 7, 4 * kMesure, 4 * kMesure + kNoire, 50);                      // relative
  D(p, moitie).relatif = 1;
  int32_t eteint = Dyn(p, 9, 4 * kMesure + kNoire, 4 * kMesure + 2 * kNoire, 160);
  D(p, eteint).actif = 0;
  PrepareDynamiquesPartition(score);

  // Played starts: 0, 161280, 322560, 483840 (bar 1 again), 645120, 806400.
  const std::vector<Evt> attendu = {
      {0, int16_t(f), false, 0, 0, 120, 120},
      {0, int16_t(piano), false, kMesure + kNoire, kMesure + kNoire, 60, 60},
      // The second time through bar 1 the level ends: back to the level before it.
      {0, int16_t(piano), true, 3 * kMesure + kNoire, 3 * kMesure + kNoire, 120, 120},
      {0, int16_t(cresc), false, 4 * kMesure, 4 * kMesure + 2 * kNoire, 60, 100},
      // Half of the level in force.
      {0, int16_t(moitie), false, 5 * kMesure, 5 * kMesure, 30, 50},
  };
  EXPECT_EQ(Evts(p), attendu);
  EXPECT_EQ((*p)->facteurDynamiques, 1.0f);

  // A restore whose neighbour before it belongs to another object goes: that
  // object's level is already in force.
  Dyn(p, 4, 2 * kMesure, 2 * kMesure + kNoire, 40);
  PrepareDynamiquesPartition(score);
  std::vector<int32_t> debuts = Debuts(p);
  EXPECT_EQ(debuts, (std::vector<int32_t>{0, kMesure + kNoire, 2 * kMesure, 4 * kMesure, 5 * kMesure}));

  // Without the played-bar table played time is written time.
  while (GetNbRuptures(score) > 0) DeleteRupture(score, 0, false);
  Ruptures();
  ASSERT_EQ((*score)->tabCvtMesure, nullptr);
  DisposeDynamiques(p);
  Dyn(p, 5, kMesure + 7, kMesure + 7 + kNoire, 60);
  PrepareDynamiquesPartition(score);
  EXPECT_EQ(Debuts(p), std::vector<int32_t>{kMesure + 7});
}

// Staves 0 and 1 merged, 2 and 3 under a brace with 4 outside it, 5 a
// volatile staff made from staff 2 and 6 one whose source is gone.
TEST_F(DynamiquesTest, EventsReachTheStavesTheirRecordCovers) {
  for (int16_t i = 0; i < 7; i++) P(i);
  Fusionne(score, 0, 1, 0);
  ASSERT_GE(NewPartGroup(score, 0, 0, 2, 3, 0, "", ""), 0);
  (*P(5))->typeVolatile = kVolatilePorteeTemporaire;
  (*P(5))->indexPorteeSource = 2;
  (*P(6))->typeVolatile = kVolatilePorteeTemporaire;
  (*P(6))->indexPorteeSource = -1;
  struct Cas {
    const char* nom;
    int16_t portee;
    uint8_t partitionEntiere, porteeSeule, accolade;
    std::vector<int16_t> portees;
  } cas[] = {
      {"a merged staff's record reaches its group", 1, 0, 0, 0, {0, 1}},
      {"own staff only", 1, 0, 1, 0, {1}},
      {"brace-wide reaches the brace and the volatile copy", 3, 0, 0, 1, {2, 3, 5}},
      {"without the brace flag, the staff and nothing more", 3, 0, 0, 0, {3}},
      {"brace-wide outside a brace", 4, 0, 0, 1, {4}},
      {"score-wide reaches every staff with a source", 4, 1, 0, 0, {0, 1, 2, 3, 4, 5}},
  };
  for (const Cas& c : cas) {
    SCOPED_TRACE(c.nom);
    for (int16_t i = 0; i < 7; i++) DisposeDynamiques(P(i));
    int32_t k = Dyn(P(c.portee), 6, kMesure, kMesure + kNoire, 80);
    Dynamique& d = D(P(c.portee), k);
    d.partitionEntiere = c.partitionEntiere;
    d.porteeSeule = c.porteeSeule;
    d.accolade = c.accolade;
    PrepareDynamiquesPartition(score);
    std::vector<int16_t> touchees;
    for (int16_t i = 0; i < 7; i++) {
      std::vector<Evt> e = Evts(P(i));
      if (e.empty()) continue;
      touchees.push_back(i);
      EXPECT_EQ(e, (std::vector<Evt>{{c.portee, 0, false, kMesure, kMesure, 80, 80}})) << i;
    }
    EXPECT_EQ(touchees, c.portees);
    // The merge modes set aside during the walk are back.
    EXPECT_EQ((*P(0))->modeFusion, kFusionMaitre);
    EXPECT_EQ((*P(1))->modeFusion, kFusionMembre);
    EXPECT_EQ(D(P(c.portee), 0).accolade, c.accolade);
  }
}

TEST_F(DynamiquesTest, OctaveShiftsMoveSoundingPitchesOnceAndWithinRange) {
  Portee** p = P(0);
  Portee** q = P(1);
  Fusionne(score, 0, 1, 0);
  const int8_t hauteurs[] = {60, 120, 64, -1, 5};
  for (int8_t h : hauteurs) {
    AjouteSigne(p, h, kNoire);
    AjouteSigne(q, h, kNoire);
  }
  // Up an octave over notes 0 .. 2 of both merged staves, down one over 2 .. 4 of staff 0.
  Dyn(p, kDynOctavePlus1, 0, 3 * kNoire, 0);
  int32_t bas = Dyn(p, kDynOctaveMoins1, 2 * kNoire, 5 * kNoire, 0);
  D(p, bas).porteeSeule = 1;  // octave shifts ignore it: the group moves
  for (int tour = 0; tour < 2; tour++) {
    PrepareDynamiquesPartition(score);
    for (Portee** s : {p, q}) {
      std::vector<int> sons;
      for (int32_t i = 0; i < 5; i++) sons.push_back(Notes(s)[i].kindCopie);
      // 120 + 12 would leave the pitches, 5 - 12 too: both stay; nothing piles up.
      EXPECT_EQ(sons, (std::vector<int>{72, 120, 64, -1, 5})) << tour;
    }
    EXPECT_EQ(Notes(p)[0].kind, 60);
  }
  // A score-wide shift moves each staff once.
  DisposeDynamiques(p);
  int32_t k = Dyn(p, kDynOctavePlus2, 0, kNoire, 0);
  D(p, k).partitionEntiere = 1;
  PrepareDynamiquesPartition(score);
  EXPECT_EQ(Notes(p)[0].kindCopie, 84);
  EXPECT_EQ(Notes(q)[0].kindCopie, 84);
}

TEST_F(DynamiquesTest, OldDocumentsGetTheirLevelBackAtRepeatTargets) {
  // Bars 1 .. 2 repeated: played 0 1 2 1 2 3.
  Rupture(3, 1);
  Rupture(4, 2);
  Ruptures();
  Portee** p = P(0);
  P(1);
  int32_t pp = Dyn(p, 4, kMesure, kMesure + kNoire, 40);
  D(p, pp).haut = -20;
  Dyn(p, 9, 2 * kMesure + kNoire, 2 * kMesure + 2 * kNoire, 160);
  ConvertitNuancesAncienFormat(score);
  int32_t n = 0;
  GetDynamiquesPortee(p, &n);
  // The jump back to bar 1 finds pp already written there: nothing added.
  EXPECT_EQ(n, 2);

  // With the level written in bar 0, the target bar 1 gets it explicitly.
  DisposeDynamiques(p);
  pp = Dyn(p, 4, 0, kNoire, 40);
  D(p, pp).haut = -20;
  Dyn(p, 9, 2 * kMesure + kNoire, 2 * kMesure + 2 * kNoire, 160);
  ConvertitNuancesAncienFormat(score);
  GetDynamiquesPortee(p, &n);
  ASSERT_EQ(n, 3);
  const Dynamique& ajout = D(p, 2);
  EXPECT_STREQ(ajout.texte, "($X)");
  EXPECT_EQ(ajout.type, 4);
  EXPECT_EQ(ajout.valeur1, 40);
  EXPECT_EQ(ajout.debut, kMesure);
  EXPECT_EQ(ajout.haut, -20);
  Rect r{};
  GetRectStdDynamique(p, &ajout, &r);
  EXPECT_EQ(ajout.bas, -20 + r.bottom - r.top);
  // A staff without dynamics is left alone.
  GetDynamiquesPortee(P(1), &n);
  EXPECT_EQ(n, 0);
}

TEST_F(DynamiquesTest, OldPedalBytesBecomePedalObjects) {
  Portee** p = P(0);
  struct {
    bool enfonce, relache;
  } notes[] = {{true, true}, {false, false}, {true, false}, {false, true}, {false, true}};
  // Starts 0, 10080, 30240, 40320, 45360.
  const int32_t durees[] = {10080, 20160, 10080, 5040, 40320};
  for (int i = 0; i < 5; i++) {
    AjouteSigne(p, 60, durees[i]);
    int32_t e = AjouteParamEffet(p);
    Effet(p, e).pedaleEnfoncee = notes[i].enfonce;
    Effet(p, e).pedaleRelachee = notes[i].relache;
    Notes(p)[i].indexParamEffet = int16_t(e);
  }
  P(1);  // no notes: unchanged
  CvtOldParamEffetPedaleEnDynamique(score);
  struct Attendu {
    int32_t type, debut;
    uint16_t valeur;
  } attendu[] = {
      {23, 0, 100},
      {24, -1, 0},  // the release of the same note goes just before the press
      {23, 30240, 100},
      {24, 40320, 0},  // the release 5040 later is merged into it
  };
  int32_t n = 0;
  GetDynamiquesPortee(p, &n);
  ASSERT_EQ(n, 4);
  for (int i = 0; i < n; i++) {
    SCOPED_TRACE(i);
    EXPECT_EQ(D(p, i).type, attendu[i].type);
    EXPECT_EQ(D(p, i).debut, attendu[i].debut);
    EXPECT_EQ(D(p, i).fin, attendu[i].debut + 10079);
    EXPECT_EQ(D(p, i).valeur1, attendu[i].valeur);
    EXPECT_EQ(D(p, i).haut, 16);
    Rect r{};
    GetRectStdDynamique(p, &D(p, i), &r);
    EXPECT_EQ(D(p, i).bas, 16 + r.bottom - r.top);
  }
  GetDynamiquesPortee(P(1), &n);
  EXPECT_EQ(n, 0);

  // Two presses 5040 apart make one object holding the second value.
  DisposeDynamiques(p);
  EXPECT_EQ(AjouteObjetPedale(p, 1000, 100, 16), 0);
  EXPECT_EQ(AjouteObjetPedale(p, 6040, 80, 16), -1);
  GetDynamiquesPortee(p, &n);
  ASSERT_EQ(n, 1);
  EXPECT_EQ(D(p, 0).valeur1, 80);
  // A press on a release's tick goes one tick after it.
  EXPECT_EQ(AjouteObjetPedale(p, 30000, 0, 16), 1);
  EXPECT_EQ(AjouteObjetPedale(p, 30000, 100, 16), 2);
  EXPECT_EQ(D(p, 2).debut, 30001);
}

TEST_F(DynamiquesTest, AreasAndPositionsFollowTheirNotes) {
  Portee** p = P(0);
  (*p)->aireRuban.top = 100;
  (*p)->decalageLigneBasRuban = 30;
  int32_t k = Dyn(p, 7, kNoire, kNoire + 1, 100);
  D(p, k).haut = -10;
  D(p, k).bas = 10;
  D(p, k).decalageGauche = 3;
  BigRect r;
  ASSERT_EQ(CalculeAireDynamiqueRuban(doc, p, k, &r), 1);
  EXPECT_EQ(r.left, CvtTempsEnPixelRuban(score, kNoire) + 3);
  EXPECT_EQ(r.top, 120);
  EXPECT_EQ(r.bottom, 140);
  EXPECT_EQ(r.right - r.left, 20);  // never narrower than high
  EXPECT_EQ(CalculeAireDynamiqueRuban(doc, p, 9, &r), 0);

  EXPECT_TRUE(IsSectDynamique(score, &D(p, k), 0, kNoire));
  EXPECT_TRUE(IsSectDynamique(score, &D(p, k), kNoire + 1, 2 * kNoire));
  EXPECT_FALSE(IsSectDynamique(score, &D(p, k), kNoire + 2, 2 * kNoire));
  EXPECT_FALSE(IsSectDynamique(score, &D(p, k), 0, kNoire - 1));

  // Around a structural edit the object keeps its place on its note.
  for (int i = 0; i < 4; i++) AjouteSigne(p, 60, kNoire);
  for (int i = 0; i < 4; i++) Notes(p)[i].id = 100 + i;
  D(p, k).debut = kNoire + 5;
  D(p, k).fin = kNoire + 905;
  PreservePositionDynamiques(score, 1);
  Signe* s = Notes(p);
  s[0].duree = 2 * kNoire;  // note 1 now starts a quarter later
  ClrTurboCvtTempsEnIndexNote(p, 0);
  for (int i = 0; i < 4; i++) s[i].debut = -1;
  RestaurePositionDynamiques(score, 1);
  EXPECT_EQ(D(p, k).debut, 2 * kNoire + 5);
  EXPECT_EQ(D(p, k).fin, 2 * kNoire + 905);
}

// The preparation leaves every staff's dynamics, texts and graphics in
// their order, which the drawing and the lookups rely on.
TEST_F(DynamiquesTest, ThePreparationPutsEachStaffsObjectsInOrder) {
  Portee** p = P(1);
  for (int32_t debut : {3 * kNoire, kNoire, 2 * kNoire}) {
    Dyn(p, 7, debut, debut + kNoire, 100);
    Texte t{};
    t.debut = debut;
    t.fin = debut + kNoire;
    ASSERT_GE(SetEnregTexte(p, -1, &t, "t"), 0);
    const int32_t g = NewGraphique(p);
    ASSERT_GE(g, 0);
    GetGraphiquesPortee(p, nullptr)[g].debut = debut;
  }
  PrepareDynamiquesPartition(score);
  int32_t n = 0;
  const Dynamique* d = GetDynamiquesPortee(p, &n);
  const Texte* t = GetTextesPortee(p, nullptr);
  const Graphique* g = GetGraphiquesPortee(p, nullptr);
  ASSERT_EQ(n, 3);
  for (int32_t i = 0; i < 3; i++) {
    SCOPED_TRACE(i);
    EXPECT_EQ(d[i].debut, (i + 1) * kNoire);
    EXPECT_EQ(t[i].debut, (i + 1) * kNoire);
    EXPECT_EQ(g[i].debut, (i + 1) * kNoire);
  }
}

// Damaged records (any type, span, mask or flag, on merged and braced
// staves, through hostile repeats) give each staff sorted events with one
// per start, each naming a record that exists; the tempo curve they make
// keeps milliseconds growing with ticks.
TEST_F(DynamiquesTest, DamagedRecordsGiveWellFormedEventsAndTimes) {
  std::mt19937 rng(4242);
  for (int16_t i = 0; i < 4; i++) P(i);
  Fusionne(score, 0, 1, 1);
  ASSERT_GE(NewPartGroup(score, 0, 0, 1, 3, 0, "", ""), 0);
  (*P(3))->typeVolatile = kVolatilePorteeTemporaire;
  (*P(3))->indexPorteeSource = 0;
  int32_t total = 0;
  auto hasard = [&](int32_t a, int32_t b) { return int32_t(a + int64_t(rng() % uint64_t(int64_t(b) - a + 1))); };
  for (int essai = 0; essai < 40; essai++) {
    SCOPED_TRACE(essai);
    while (GetNbRuptures(score) > 0) DeleteRupture(score, 0, false);
    for (int r = hasard(0, 6); r > 0; r--)
      AjouteRuptureEnMesure(score, int16_t(hasard(0, 21)), int16_t(hasard(0, 7)), rng() % 2, false);
    Ruptures();
    for (int16_t i = 0; i < 4; i++) {
      Portee** p = P(i);
      DisposeDynamiques(p);
      DisposeNotes(p);
      for (int k = hasard(0, 8); k > 0; k--) {
        AjouteSigne(p, int8_t(hasard(-2, 127)), hasard(0, kMesure));
        int32_t e = AjouteParamEffet(p);
        Effet(p, e).pointOrgue = uint16_t(hasard(0, 3));
        Notes(p)[(*p)->nbNotes - 1].indexParamEffet = int16_t(e);
        AddMarkNote(p, (*p)->nbNotes - 1, kMarkPointOrgue, 0, 0, 0);
      }
      for (int k = hasard(0, 40); k > 0; k--) {
        int32_t j = NewDynamique(p);
        ASSERT_GE(j, 0);
        Dynamique& d = D(p, j);
        SetDefaultDynamique(&d, hasard(-3, 40));
        d.debut = hasard(-kMesure, 9 * kMesure);
        d.fin = rng() % 4 ? d.debut + hasard(-kNoire, 2 * kMesure) : hasard(INT32_MIN / 2, INT32_MAX / 2);
        d.valeur1 = uint16_t(rng());
        d.valeur2 = uint16_t(rng());
        d.masquePassages = rng();
        d.actif = uint8_t(hasard(0, 2));
        d.partitionEntiere = uint8_t(hasard(0, 2));
        d.porteeSeule = uint8_t(hasard(0, 1));
        d.accolade = uint8_t(hasard(0, 1));
        d.relatif = uint8_t(hasard(0, 1));
        d.progressif = uint8_t(hasard(0, 1));
        d.uniteTempo = hasard(-kNoire, 4 * kNoire);
      }
    }
    PrepareDynamiquesPartition(score);
    for (int16_t i = 0; i < 4; i++) {
      int32_t n = 0;
      const EvtDynamique* e = GetEvtDynamiquesPortee(P(i), &n);
      total += n;
      for (int32_t k = 0; k < n; k++) {
        if (k > 0) {
          ASSERT_LT(e[k - 1].debut, e[k].debut);
        }
        ASSERT_NE(GetDynamiqueEvt(score, &e[k]), nullptr);
      }
      for (int32_t k = 0; k < (*P(i))->nbNotes; k++)
        ASSERT_GE(Notes(P(i))[k].kindCopie, Notes(P(i))[k].kind < 0 ? -2 : 0);
    }
    int32_t avant = CvtTempsJoueEnMs(score, 0, true);
    for (int32_t t = 2520; t < 12 * kMesure; t += 2520 * 7) {
      int32_t ms = CvtTempsJoueEnMs(score, t, true);
      ASSERT_GE(ms, avant) << t;
      avant = ms;
    }
    DeleteTimeRangeDynamiques(P(0), hasard(0, 4 * kMesure), hasard(0, 8 * kMesure), rng() % 2);
    ConvertitNuancesAncienFormat(score);
  }
  EXPECT_GT(total, 400);  // the walks did make events
}

// A played list that passes one bar ten thousand times, under many levels:
// the staff stops taking events at its ceiling, still in order.
TEST_F(DynamiquesTest, AStaffFullOfEventsTakesNoMore) {
  std::string liste;
  for (int i = 0; i < 10000; i++) liste += "1,";
  ASSERT_TRUE(CvtStringToTabMesures(score, liste.c_str(), int32_t(liste.size()), nullptr));
  Portee** p = P(0);
  for (int32_t k = 0; k < 40; k++) Dyn(p, 3 + k % 8, k * 2520, k * 2520 + kNoire, 20);
  PrepareDynamiquesPartition(score);
  int32_t n = 0;
  const EvtDynamique* e = GetEvtDynamiquesPortee(p, &n);
  EXPECT_EQ(n, 1 << 18);
  for (int32_t k = 1; k < n; k++) ASSERT_LT(e[k - 1].debut, e[k].debut);
}

}  // namespace
