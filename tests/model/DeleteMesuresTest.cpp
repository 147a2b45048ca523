// Deleting and clearing bars across a whole score: after every range the
// populated score passes the model check, each object tagged with its bar is
// found where its bar went (or is gone with it), and the lists placed by bar
// ranges follow. Also the bar a repeat-bar sign repeats.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "layout/Zoom.h"
#include "model/Cibles.h"
#include "model/Courbes.h"
#include "model/CvtTemps.h"
#include "model/DeleteMesures.h"
#include "model/Document.h"
#include "model/Lois.h"
#include "model/Matrices.h"
#include "model/PreservePositions.h"
#include "model/QRVPOBJ.h"
#include "model/QrvDynamics.h"
#include "model/QrvFXs.h"
#include "model/QrvText.h"
#include "model/Ruptures.h"
#include "model/SGraphix.h"
#include "model/Signe.h"
#include "model/StaffHeightEvts.h"
#include "model/TabEltMesure.h"
#include "model/Tonalite.h"
#include "model/TonaliteMaths.h"
#include "model/Vues.h"
#include "platform/Trace.h"
#include "support/CoherenceModele.h"
#include "support/PartitionPeuplee.h"

namespace {

// Per kind of object: (bar it lies in, bar it was tagged with).
using Releve = std::map<std::string, std::multiset<std::pair<int, int>>>;

int Tag(const char* texte, char lettre) {
  int b = -1;
  char format[] = "?%d";
  format[0] = lettre;
  return texte && std::sscanf(texte, format, &b) == 1 ? b : -1;
}

Releve Leve(Partition** score) {
  Releve r;
  auto mesure = [&](int32_t tick) { return int(CvtTempsEnMesure(score, tick)); };
  for (int16_t p = 0; p < 2; p++) {
    Portee** staff = (*score)->portees[p];
    int32_t n;
    const Signe* s = GetSignesPortee(staff, &n);
    for (int32_t i = 0; i < n; i++)
      if (GetSignesPortee(staff, &n)[i].velocity != kVelociteACheval)
        r["notes " + std::to_string(p)].insert({CvtIndexNoteEnMesure(staff, i), s[i].velocity - 10});
  }
  Portee** p0 = (*score)->portees[0];
  int32_t n;
  for (int16_t p : {0, 2}) {
    const Texte* t = GetTextesPortee((*score)->portees[p], &n);
    for (int32_t i = 0; i < n; i++) {
      const char* texte = t[i].texte ? *t[i].texte : nullptr;
      if (t[i].ligne == 1) r["lyrics"].insert({mesure(t[i].debut), Tag(texte, 'L')});
      else r["texts " + std::to_string(p)].insert({mesure(t[i].debut), Tag(texte, 'T')});
    }
  }
  const Graphique* g = GetGraphiquesPortee(p0, &n);
  for (int32_t i = 0; i < n; i++) r[g[i].id ? "pictures" : "graphics"].insert({mesure(g[i].debut), g[i].haut});
  const Dynamique* d = GetDynamiquesPortee(p0, &n);
  for (int32_t i = 0; i < n; i++) r["dynamics"].insert({mesure(d[i].debut), d[i].haut});
  const FX* f = GetFXsPortee(p0, &n);
  for (int32_t i = 0; i < n; i++) r["sound effects"].insert({mesure(f[i].debut), f[i].haut});
  if (const Courbe* c = GetCourbePortee(p0, 0)) {
    const PointCourbe* pt = c->points ? reinterpret_cast<const PointCourbe*>(*c->points) : nullptr;
    for (int32_t i = 0; i < c->nbPoints; i++) r["curve"].insert({mesure(pt[i].temps), pt[i].valeur});
  }
  const EltTabTonalite* k = GetEltsTabTonalite(p0, &n);
  for (int32_t i = 0; i < n; i++) {
    const int code = 10 * CvtTonaliteEnTonaliteStd(&k[i].tonalite) + int(k[i].clef.type);
    r["keys"].insert({k[i].mesure, code});
  }
  const StaffHeightEvt* e = GetStaffHeightEvts((*p0)->staffHeightEvts);
  for (int32_t i = 0; i < GetNbStaffHeightEvts((*p0)->staffHeightEvts); i++)
    r[std::string("events ") + char(e[i].kind)].insert({e[i].index, e[i].kind == 'G' ? e[i].value / 10 : 6});
  const Vue* vue = GetVueDocument((*score)->document, 0);
  for (int k2 = 0; k2 < 2; k2++) {
    Handle h = reinterpret_cast<const VuePortee*>(*vue->portees)[k2].staffHeightEvts;
    const StaffHeightEvt* ev = GetStaffHeightEvts(h);
    for (int32_t i = 0; i < GetNbStaffHeightEvts(h); i++) r["view events"].insert({ev[i].index, ev[i].value / 10});
  }
  for (int16_t i = 0; i < GetNbRuptures(score); i++) {
    const Rupture* ru = GetRupture(score, i);
    r["ruptures"].insert({ru->mesure, int(ru->type)});
  }
  const Cible* c = (*score)->cibles ? reinterpret_cast<const Cible*>(*(*score)->cibles) : nullptr;
  for (int16_t i = 0; i < GetNbCibles(score); i++) r["targets"].insert({c[i].mesure, Tag(c[i].nom, 'C')});
  const MesureGrilleAccord* grille =
      (*score)->grilleAccord ? reinterpret_cast<const MesureGrilleAccord*>(*(*score)->grilleAccord) : nullptr;
  for (int b = 0; b < (*score)->nbMesuresGrilleAccord; b++) r["chord grid"].insert({b, grille[b].nbCellules - 1});
  return r;
}

// What a deletion of bars at .. at + k - 1 makes of a survey: every object
// of a kept bar moves with it; the rest goes. Two lists keep something at
// bar 0 when the range starts there: the first key entry (unless a later one
// takes its place) and the height events' 'G' value.
Releve Attendu(const Releve& avant, int at, int k) {
  Releve r;
  for (const auto& [nom, objets] : avant) {
    auto& dest = r[nom];
    for (const auto& [bar, tag] : objets) {
      if (bar >= at && bar < at + k) continue;
      dest.insert({bar < at ? bar : bar - k, tag});
    }
  }
  // A step curve resumes after the cut with the value it had at the cut's
  // end: a point at the cut's start says so when that value changes there.
  if (avant.count("curve")) {
    int valeurFin = -1, valeurDebut = -1;
    bool pointFin = false;
    for (const auto& [bar, valeur] : avant.at("curve")) {
      if (bar <= at + k) valeurFin = valeur;
      if (bar < at) valeurDebut = valeur;
      pointFin = pointFin || bar == at + k;
    }
    if (!pointFin && valeurFin >= 0 && valeurDebut >= 0 && valeurDebut != valeurFin) r["curve"].insert({at, valeurFin});
  }
  if (at == 0) {
    auto& keys = r["keys"];
    if (keys.empty() || keys.begin()->first != 0) keys.insert(*avant.at("keys").begin());
    for (const char* nom : {"events G", "view events"}) {
      auto& g = r[nom];
      while (!g.empty() && g.begin()->first == 0) g.erase(g.begin());
      g.insert({0, 0});
      if (std::string(nom) == "view events") g.insert({0, 0});
    }
  }
  for (auto it = r.begin(); it != r.end();) it = it->second.empty() ? r.erase(it) : std::next(it);
  return r;
}

std::vector<std::pair<int, int>> Rangees(Handle matrice, std::vector<int>* index = nullptr) {
  std::vector<std::pair<int, int>> out;
  const EnteteMatrice* e = GetEnteteMatrice(matrice);
  for (int16_t i = 0; e && i < e->nbRanges; i++) {
    out.push_back({GetRangesMatrice(matrice)[i].mesureDebut, GetRangesMatrice(matrice)[i].mesureFin});
    if (index) index->push_back(GetRangesMatrice(matrice)[i].indexBanque);
  }
  return out;
}

int ParametreSaut(Partition** score) {
  for (int16_t i = 0; i < GetNbRuptures(score); i++)
    if (GetRupture(score, i)->type == kRuptureAllerMesure) return GetRupture(score, i)->parametre;
  return -1;
}

int32_t LongueurPortee(Portee** staff) {
  int32_t n;
  GetSignesPortee(staff, &n);
  return CvtIndexNoteEnTemps(staff, n);
}

// The populated document, at 72 dpi.
struct Peuple {
  int16_t dpi = GetDpiDest();
  Document* doc = nullptr;
  Partition** score = nullptr;
  Peuple() {
    SetDpiDest(72);
    doc = CreeDocumentPeuple();
    score = doc->partitionCourante;
  }
  ~Peuple() {
    LibereDocumentPeuple(doc);
    SetDpiDest(dpi);
  }
  std::string Defauts() {
    std::string s;
    for (const std::string& l : VerifieCoherenceDocument(doc)) s += l + "\n";
    return s;
  }
};

struct DeleteMesuresTest : ::testing::Test, Peuple {};

TEST(DeleteMesures, EveryRangeLeavesTheScoreWhole) {
  using Paires = std::vector<std::pair<int, int>>;
  const struct {
    const char* nom;
    int16_t at, count;
    bool withBars;
    int16_t mesures;
    Paires accompagnement, rythme;
    std::pair<int, int> page0, page1, pageVue;
    int16_t courante;
    int saut;  // the go-to-bar jump's bar, -1 when it went
  } cas[] = {
      {"first bar", 0, 1, true, 11, {{0, 2}, {3, 6}, {7, 10}}, {{1, 8}}, {2, 9}, {4, 9999}, {1, 10}, 8, 7},
      {"last bar", 11, 1, true, 11, {{0, 3}, {4, 7}, {8, 10}}, {{2, 9}}, {3, 10}, {5, 9999}, {2, 11}, 9, -1},
      {"middle", 4, 3, true, 9, {{0, 3}, {4, 4}, {5, 8}}, {{2, 6}}, {3, 7}, {5, 9999}, {2, 8}, 6, 5},
      {"all", 0, 12, true, 1, {}, {}, {1, 1}, {1, 9999}, {1, 1}, 0, -1},
      {"past the end", 8, 10, true, 8, {{0, 3}, {4, 7}}, {{2, 7}}, {3, 8}, {5, 9999}, {2, 8}, 0, -1},
      {"up to the key change", 0, 4, true, 8, {{0, 3}, {4, 7}}, {{0, 5}}, {1, 6}, {1, 9999}, {1, 7}, 5, 4},
      {"middle cleared", 4, 3, false, 12, {{0, 3}, {4, 4}, {5, 8}}, {{2, 6}}, {3, 7}, {5, 9999}, {2, 8}, 6, 5},
  };
  for (const auto& c : cas) {
    SCOPED_TRACE(c.nom);
    Peuple t;
    Partition** score = t.score;
    ASSERT_EQ(t.Defauts(), "") << "the populated score itself";
    const Releve avant = Leve(score);
    const int k = std::min<int>(c.count, kMesuresPeuplees - c.at);
    const int32_t finAvant = CvtMesureEnTemps(score, kMesuresPeuplees);
    const int32_t dureeCoupee = CvtMesureEnTemps(score, c.at + k) - CvtMesureEnTemps(score, c.at);

    DoDeleteMesures(score, c.at, c.count, true, true, kDeleteTout, c.withBars);

    EXPECT_EQ(t.Defauts(), "");
    EXPECT_EQ((*score)->nbMesures, c.mesures);
    EXPECT_EQ(Leve(score), Attendu(avant, c.at, k));
    // The notes of both staves lose the cut and nothing else.
    EXPECT_EQ(LongueurPortee((*score)->portees[0]), finAvant - dureeCoupee);
    EXPECT_EQ(LongueurPortee((*score)->portees[1]), finAvant - dureeCoupee);
    EXPECT_EQ(Rangees((*score)->matriceAccompagnement), c.accompagnement);
    EXPECT_EQ(Rangees((*score)->matriceRythme), c.rythme);
    const MiseEnPage* m = t.doc->misesEnPage;
    EXPECT_EQ(std::make_pair(int(m[0].premiereMesure), int(m[0].derniereMesure)), c.page0);
    EXPECT_EQ(std::make_pair(int(m[1].premiereMesure), int(m[1].derniereMesure)), c.page1);
    const MiseEnPage& v = GetVueDocument(t.doc, 0)->miseEnPage;
    EXPECT_EQ(std::make_pair(int(v.premiereMesure), int(v.derniereMesure)), c.pageVue);
    EXPECT_EQ((*score)->mesureCourante, c.courante);
    EXPECT_EQ(ParametreSaut(score), c.saut);
  }
}

TEST_F(DeleteMesuresTest, TheDeletionTakesPartInAnOuterBracket) {
  // Inside an edit that already holds the objects, the deletion's own
  // bracket only counts: nothing is saved twice, and the lyrics come back at
  // the outer closing.
  const bool trace = TraceEnabled();
  SetTraceEnabled(true);
  testing::internal::CaptureStderr();
  PreserveObjetsPartitionAvantChangement(score);
  DoDeleteMesures(score, 0, 1, true, true, kDeleteTout, true);
  RestaureObjetsPartitionApresChangement(score);
  const std::string messages = testing::internal::GetCapturedStderr();
  SetTraceEnabled(trace);
  EXPECT_EQ(messages, "");
  EXPECT_EQ(Defauts(), "");
  char out[kTailleTexteCellule];
  EXPECT_STREQ(GetTexteKaraokeCellule((*score)->portees[0], 1, 0, 0, out, nullptr), "L1 ");
}

TEST_F(DeleteMesuresTest, NothingHappensOutsideTheScore) {
  const Releve avant = Leve(score);
  for (const auto& [at, count] : std::vector<std::pair<int16_t, int16_t>>{{-1, 2}, {12, 1}, {3, 0}, {3, -2}})
    DoDeleteMesures(score, at, count, true, true, kDeleteTout, true);
  DoDeleteMesures(score, 3, 2, false, false, 0, false);  // no staff, nothing asked: only the bar lists move
  EXPECT_EQ((*score)->nbMesures, kMesuresPeuplees);
  Releve apres = Leve(score);
  for (const char* nom : {"notes 0", "notes 1", "lyrics", "texts 0", "graphics", "dynamics", "keys"})
    EXPECT_EQ(apres[nom], avant.at(nom)) << nom;
  EXPECT_EQ(Defauts(), "");
}

TEST_F(DeleteMesuresTest, OnlyTheChosenStavesAndKindsAreCleared) {
  // Staff 1 alone is selected; clearing its notes leaves staff 0's notes,
  // texts and lyrics where they were.
  (*score)->premierePortee = (*score)->dernierePortee = 1;
  const Releve avant = Leve(score);
  DoDeleteMesures(score, 2, 2, true, false, kDeleteNotes, false);
  Releve apres = Leve(score);
  for (const char* nom : {"notes 0", "lyrics", "texts 0", "texts 2", "graphics", "dynamics", "keys"})
    EXPECT_EQ(apres[nom], avant.at(nom)) << nom;
  EXPECT_EQ(apres["notes 1"], Attendu(avant, 2, 2)["notes 1"]);
  EXPECT_EQ(Defauts(), "");

  // Texts only, on every staff: the texts of bars 5..7 go, the notes and
  // every other text stay on their ticks.
  (*score)->premierePortee = 0;
  (*score)->dernierePortee = 2;
  const Releve avantTextes = Leve(score);
  DoDeleteMesures(score, 5, 3, true, true, kDeleteTextes, false);
  apres = Leve(score);
  EXPECT_EQ(apres["notes 0"], avantTextes.at("notes 0"));
  EXPECT_EQ(apres["texts 0"], (std::multiset<std::pair<int, int>>{{2, 2}, {10, 10}}));
  EXPECT_EQ(apres["texts 2"], (std::multiset<std::pair<int, int>>{{1, 1}}));
  // Lyrics are texts too: those of the range go although their notes stay.
  auto paroles = avantTextes.at("lyrics");
  for (int b = 5; b < 8; b++) paroles.erase({b, b});
  EXPECT_EQ(apres["lyrics"], paroles);
  EXPECT_EQ(Defauts(), "");
}

TEST(DeleteMesures, RepeatBarSignsNameTheBarTheyRepeat) {
  Peuple t;
  Partition** score = t.score;
  // Staff 1 gets, by bar: 3 one-bar sign, 4 one-bar sign, 6..7 one two-bar
  // sign, 8 a rest, 9 a two-bar sign over 9..10, 11 a one-bar sign.
  Portee** staff = (*score)->portees[1];
  auto premier = [&](int16_t bar) -> Signe& {
    int32_t n;
    return GetSignesPortee(staff, &n)[CvtMesureEnIndexNote(score, staff, bar)];
  };
  for (int16_t b : {3, 4, 11}) premier(b).kind = kSigneSpecial;
  for (int16_t b : {6, 9}) {
    Signe& s = premier(b);
    const int32_t i = CvtMesureEnIndexNote(score, staff, b);
    s.kind = kSigneRepeteDeuxMesures;
    s.duree += CvtMesureEnDureeMesure(score, b + 1);
    SupprimeSigne(staff, i + 1);
  }
  // A sign repeats what the bar it names plays: bar 6 names bar 4, which
  // plays bar 2; bar 9 names bar 7, the second bar of the sign at 6 (bar 5).
  const int16_t attendu[kMesuresPeuplees] = {0, 1, 2, 2, 2, 5, 2, 5, 8, 5, 8, 8};
  for (int16_t b = 0; b < kMesuresPeuplees; b++)
    EXPECT_EQ(AjusteNumeroMesureSelonRepeteDerniereMesure(staff, b), attendu[b]) << "bar " << b;
  // A sign in the first bar has nothing before it.
  premier(0).kind = kSigneSpecial;
  premier(1).kind = kSigneSpecial;
  EXPECT_EQ(AjusteNumeroMesureSelonRepeteDerniereMesure(staff, 1), 0);

  // The volatile staves made for them go, the others stay.
  Portee** volatile6 = NewPortee(score, kTypePorteeStandard);
  (*volatile6)->typeVolatile = kVolatileRepeteDerniereMesure;
  Portee** volatile4 = NewPortee(score, kTypePorteeStandard);
  (*volatile4)->typeVolatile = kVolatileLoi;
  SupprimePorteesVolatilesRepeteDerniereMesure(score);
  EXPECT_EQ((*score)->nbPortees, 4);
  EXPECT_EQ((*(*score)->portees[3])->typeVolatile, kVolatileLoi);
}

}  // namespace
