// A staff's chord-diagram placements: their order, the diagram lookup and
// the re-resolving after reading, which placements are drawn and in which
// colours, bars deleted under them, their positions kept across edits; and
// the diagrams of the chord line's cells.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "NotationFixtures.h"
#include "model/Accords.h"
#include "model/BarTableFixtures.h"
#include "model/DiagrammesAccord.h"
#include "model/Portee.h"
#include "model/Signe.h"
#include "notation/DiagrammesPortee.h"
#include "notation/NomsAccords.h"
#include "plugin/Necks.h"
#include "system/Couleurs.h"
#include "system/Handles.h"

namespace {

constexpr int32_t kMesure = 161280;

// A chord of a root with a major third and perfect fifth (no seventh or ninth).
DefAccord Accord(int8_t root, uint8_t alteration = 2, int32_t neck = 1) {
  DefAccord a{};
  a.neck = neck;
  a.fondamentale = root;
  a.alterationFondamentale = alteration;
  a.septieme = a.neuvieme = 2;
  a.octave = 4;
  return a;
}

DiagrammeAccord Diagramme(const DefAccord& a, uint32_t id, bool prefere = false) {
  DiagrammeAccord d{};
  d.accord = a;
  d.idUnique = id;
  d.caseBase = 1;
  d.octetsLus[1] = prefere ? 1 : 0;
  return d;
}

Handle Liste(std::initializer_list<DiagrammeAccord> diagrammes) {
  Handle h = nullptr;
  for (const DiagrammeAccord& d : diagrammes) {
    const int32_t i = CreeAccord(&h);
    reinterpret_cast<DiagrammeAccord*>(*h)[i] = d;
  }
  return h;
}

struct DiagrammesPorteeTest : BarTableTest {
  EnvNotation env;
  Portee** staff = nullptr;
  DiagrammesPorteeTest() {
    Mesures(10);
    staff = Portee0();
  }
  PlacementDiagramme& P(int32_t i) { return reinterpret_cast<PlacementDiagramme*>(*(*staff)->diagrammes)[i]; }
  int32_t Ajoute(int32_t debut, int32_t fin, int32_t haut = 0, int32_t bas = 10) {
    const int32_t i = NewDiagramme(staff);
    P(i).idUnique = uint32_t(100 + i);
    P(i).debut = debut;
    P(i).fin = fin;
    P(i).haut = haut;
    P(i).bas = bas;
    P(i).indexDiagramme = -1;
    return i;
  }
  std::vector<uint32_t> Ids() {
    std::vector<uint32_t> out;
    for (int32_t i = 0; i < (*staff)->nbDiagrammes; i++) out.push_back(P(i).idUnique);
    return out;
  }
  // A placement of a C chord with its own fretboard (one dot), its name shown.
  int32_t AjouteDessinable(int32_t debut, int32_t fin) {
    const int32_t i = Ajoute(debut, fin);
    P(i).accord = Accord(0);
    std::strcpy(P(i).accord.nom, "C");
    P(i).afficheNom = 1;
    P(i).caseBase = 1;
    P(i).nbPoints = 1;
    P(i).points[0] = PointDiagramme{1, 2, 2};
    return i;
  }
  std::vector<std::string> Dessine(int32_t t0 = 0, int32_t t1 = 10 * kMesure) {
    return Enregistre([&] { AfficheDiagrammesPortee(staff, nullptr, 0, t0, t1); });
  }
};

std::string Couleur(int16_t index) {
  RGBColor c;
  CvtIndexEnRGB(uint16_t(index), &c);
  char s[40];
  std::snprintf(s, sizeof s, "RGBFgCol %04X %04X %04X", c.red, c.green, c.blue);
  return s;
}

}  // namespace

// By start; at equal starts the placement with the smaller top comes first,
// else the one with the greater bottom goes after.
TEST_F(DiagrammesPorteeTest, Order) {
  PlacementDiagramme b{};
  b.debut = 100;
  b.haut = 5;
  b.bas = 10;
  const struct {
    int32_t debut, haut, bas;
    int attendu;
  } cas[] = {{50, 9, 0, -1}, {150, 0, 0, 1}, {100, 4, 0, -1}, {100, 5, 11, 1}, {100, 6, 11, 1}, {100, 5, 10, 0}};
  for (const auto& c : cas) {
    PlacementDiagramme a{};
    a.debut = c.debut;
    a.haut = c.haut;
    a.bas = c.bas;
    EXPECT_EQ(CompareDiagrammes(&a, &b), c.attendu) << c.debut << " " << c.haut << " " << c.bas;
  }
  Ajoute(300, 400);
  Ajoute(100, 200, 5, 10);
  Ajoute(100, 200, 0, 10);
  Ajoute(100, 200, 5, 10);
  Ajoute(0, 50);
  PrepareDiagrammesPortee(staff);
  EXPECT_EQ(Ids(), (std::vector<uint32_t>{104, 102, 101, 103, 100}));
}

// Exact matches (degrees and root, or the chord's own name) win, a preferred
// one over an earlier plain one; otherwise the nearest root with the same
// degrees, with the semitones from it; other necks do not count.
TEST_F(DiagrammesPorteeTest, DiagramLookup) {
  DefAccord mineur = Accord(2);
  mineur.tierce = -1;
  DefAccord nomme = Accord(3);
  nomme.tierce = 1;
  std::strcpy(nomme.nom, "Fancy");
  const Handle h = Liste({Diagramme(Accord(0), 1), Diagramme(mineur, 2), Diagramme(Accord(4), 3),
                          Diagramme(Accord(4), 4, true), Diagramme(Accord(4, 2, 7), 5), Diagramme(nomme, 6)});
  const struct {
    DefAccord accord;
    int32_t index;
    int16_t distance;
  } cas[] = {
      {Accord(0), 0, 0},     // C: exact
      {Accord(4), 3, 0},     // G: the preferred of two
      {Accord(5), 3, 2},     // A: two above G
      {Accord(1, 3), 0, 1},  // D flat: one above C
      {Accord(6, 3), 3, 3},  // B flat: three above G
      {Accord(4, 2, 9), -1, kDistanceDiagrammeAucune},
  };
  for (const auto& c : cas) {
    int16_t distance = -7;
    EXPECT_EQ(CvtDefAccordEnIndexDiagramme(h, &c.accord, &distance, false), c.index) << int(c.accord.fondamentale);
    EXPECT_EQ(distance, c.distance) << int(c.accord.fondamentale);
  }
  // A chord known by its own name finds the diagram of that name.
  DefAccord parNom = Accord(0);
  parNom.tierce = 1;
  parNom.nomPropre = 1;
  std::strcpy(parNom.nom, "Fancy");
  EXPECT_EQ(CvtDefAccordEnIndexDiagramme(h, &parNom, nullptr, false), 5);
  int16_t distance = 0;
  EXPECT_EQ(CvtDefAccordEnIndexDiagramme(nullptr, &parNom, &distance, false), -1);
  EXPECT_EQ(distance, kDistanceDiagrammeAucune);
  Handle l = h;
  DisposeAccords(&l);
}

// After reading, a placement finds its diagram by id in the score's chord
// table; otherwise by its chord (the staff's own list indexed from 10000),
// taking that diagram's id and, without a fretboard of its own, the shift.
TEST_F(DiagrammesPorteeTest, ResolvingAfterReading) {
  (*score)->diagrammesCustoms = Liste({Diagramme(Accord(0), 11)});
  (*staff)->diagrammesCustoms = Liste({Diagramme(Accord(4), 22)});
  DefAccord mineur = Accord(0);
  mineur.tierce = -1;
  const int32_t parId = Ajoute(0, 10);
  P(parId).idUnique = 11;
  P(parId).accord = Accord(5);
  const int32_t parAccord = Ajoute(0, 10);
  P(parAccord).accord = Accord(0);
  P(parAccord).idUnique = 99;
  const int32_t proche = Ajoute(0, 10);
  P(proche).accord = Accord(5);
  const int32_t dessine = Ajoute(0, 10);
  P(dessine).accord = Accord(5);
  P(dessine).caseBase = 3;
  const int32_t aucun = Ajoute(0, 10);
  P(aucun).accord = mineur;

  EXPECT_EQ(CalculeDiagrammesAccordsPortee(staff), 1);
  EXPECT_EQ(P(parId).indexDiagramme, 0);
  EXPECT_EQ(P(parAccord).indexDiagramme, 0);
  EXPECT_EQ(P(parAccord).idUnique, 11u);
  EXPECT_EQ(P(parAccord).decalage, 0);
  // A over C is 9 semitones away, over G 2: the score's table is searched first.
  EXPECT_EQ(P(proche).indexDiagramme, 0);
  EXPECT_EQ(int16_t(P(proche).decalage), 9);
  EXPECT_EQ(P(dessine).indexDiagramme, 0);
  EXPECT_EQ(P(dessine).decalage, 0);
  EXPECT_EQ(P(aucun).indexDiagramme, -1);
  EXPECT_EQ(CalculeDiagrammesAccordsPortee(staff), 0);

  // Without the score's table the staff's own list answers.
  DisposeAccords(&(*score)->diagrammesCustoms);
  P(proche).decalage = 0;
  EXPECT_EQ(CalculeDiagrammesAccordsPortee(staff), 1);
  EXPECT_EQ(P(proche).indexDiagramme, kIndexDiagrammesPortee);
  EXPECT_EQ(int16_t(P(proche).decalage), 2);
  EXPECT_EQ(P(proche).idUnique, 22u);
}

// Only the placements in the span are drawn, and not hidden ones; colour 0
// falls back from the name to the dots, to the grid, to the staff's.
TEST_F(DiagrammesPorteeTest, WhatIsDrawnAndInWhichColours) {
  const struct {
    int32_t debut, fin;
    bool dessine;
  } cas[] = {
      {500, 800, false}, {500, 1500, true}, {1500, 3000, true}, {2500, 3000, false}, {500, 3000, true},
  };
  for (const auto& c : cas) {
    DisposeDiagrammes(staff);
    AjouteDessinable(c.debut, c.fin);
    EXPECT_EQ(!Dessine(1000, 2000).empty(), c.dessine) << c.debut << ".." << c.fin;
  }

  DisposeDiagrammes(staff);
  const int32_t i = AjouteDessinable(0, kMesure);
  P(i).couleurGrille = 5;
  auto ops = Dessine();
  ASSERT_FALSE(ops.empty());
  for (const std::string& op : Filtre(ops, {"RGBFgCol"})) EXPECT_EQ(op, Couleur(5));
  EXPECT_NE(std::find(ops.begin(), ops.end(), Couleur(5)), ops.end());
  EXPECT_EQ(Filtre(ops, {"PaintOval"}).size(), 1u);

  P(i).couleurGrille = 0;
  (*staff)->reglagesLignes[2] = 35;
  for (const std::string& op : Filtre(Dessine(), {"RGBFgCol"})) EXPECT_EQ(op, Couleur(35));
  P(i).couleurNom = 7;
  EXPECT_EQ(Filtre(Dessine(), {"RGBFgCol"}).back(), Couleur(7));

  P(i).cache = 1;
  EXPECT_TRUE(Dessine().empty());
  P(i).cache = 0;

  // A keyboard for the piano neck; a crossed frame without a fretboard or diagram.
  P(i).accord.neck = kNeckPiano;
  ops = Dessine();
  EXPECT_FALSE(Filtre(ops, {"EraseRect"}).empty());
  EXPECT_TRUE(Filtre(ops, {"PaintOval"}).empty());
  P(i).accord.neck = 1;
  P(i).caseBase = 0;
  ops = Dessine();
  EXPECT_EQ(Filtre(ops, {"FrameRect"}).size(), 1u);
  EXPECT_EQ(std::count_if(ops.begin(), ops.end(),
                          [](const std::string& op) { return op.find("\"?\"") != std::string::npos; }),
            1);
}

// Deleting bars 3 and 4 (firstBar 3, count 2) removes what starts in them
// and moves what starts after them back two bars; piano-roll positions
// compare with bar numbers x 10000.
TEST_F(DiagrammesPorteeTest, DeletingBarsThreeAndFour) {
  Ajoute(2 * kMesure, 2 * kMesure + 100);    // bar 2: stays
  Ajoute(3 * kMesure, 3 * kMesure + 100);    // bar 3: goes
  Ajoute(4 * kMesure + 10, 7 * kMesure);     // bar 4: goes
  Ajoute(6 * kMesure + 7, 6 * kMesure + 9);  // bar 6: two bars back
  Ajoute(5 * kMesure, 5 * kMesure + 1);      // bar 5: two bars back
  for (int32_t debut : {25000, 30000, 49999, 50000, 65000}) {
    const int32_t i = Ajoute(debut, debut + 500);
    P(i).modePosition = 1;
  }
  DeleteMesuresDiagrammesPortee(staff, 3, 2);
  EXPECT_EQ(Ids(), (std::vector<uint32_t>{100, 103, 104, 105, 108, 109}));
  EXPECT_EQ((*staff)->nbDiagrammes, 6);
  EXPECT_EQ(GetHandleSize((*staff)->diagrammes), Size(6 * sizeof(PlacementDiagramme)));
  EXPECT_EQ(P(1).debut, 4 * kMesure + 7);
  EXPECT_EQ(P(1).fin, 4 * kMesure + 9);
  EXPECT_EQ(P(2).debut, 3 * kMesure);
  EXPECT_EQ(P(3).debut, 25000);
  EXPECT_EQ(P(4).debut, 30000);
  EXPECT_EQ(P(5).debut, 45000);
  EXPECT_EQ(P(5).fin, 45500);
}

// Positions follow their notes across an edit, converted once however the
// brackets nest, with a counter of their own beside the graphics'.
TEST_F(DiagrammesPorteeTest, PositionsFollowTheirNotesOncePerNestedPair) {
  for (int i = 0; i < 8; i++) AjouteSigne(staff, 60, 40320);
  int32_t n;
  Signe* s = GetSignesPortee(staff, &n);
  for (int32_t i = 0; i < n; i++) s[i].id = 500 + i;
  const int32_t d = Ajoute(2 * 40320 + 100, 3 * 40320);

  PreservePositionDiagrammes(score, 1);
  EXPECT_EQ((*score)->niveauPreservePositions, 0);
  GetSignesPortee(staff, &n)[0].duree = 80640;
  ClrTurboCvtTempsEnIndexNote(staff, 0);
  PreservePositionDiagrammes(score, 1);
  RestaurePositionDiagrammes(score, 1);
  EXPECT_EQ(P(d).debut, 2 * 40320 + 100);
  RestaurePositionDiagrammes(score, 1);
  EXPECT_EQ(P(d).debut, 3 * 40320 + 100);
  EXPECT_EQ(P(d).fin, 4 * 40320);
  EXPECT_EQ((*score)->niveauPreserveDiagrammes, 0);

  // A restore without its preserve leaves the next pair whole.
  RestaurePositionDiagrammes(score, 1);
  PreservePositionDiagrammes(score, 1);
  GetSignesPortee(staff, &n)[0].duree = 40320;
  ClrTurboCvtTempsEnIndexNote(staff, 0);
  RestaurePositionDiagrammes(score, 1);
  EXPECT_EQ(P(d).debut, 2 * 40320 + 100);
}

// A chord-line cell draws its chord's diagram in a box around the pen, under
// the line (or above it), only while the staff shows them; the pen stays.
TEST_F(DiagrammesPorteeTest, TheChordLinesCellDiagrams) {
  (*staff)->diagrammesCustoms = Liste({Diagramme(Accord(0), 11)});
  AccordTaquet a{};
  a.accord = Accord(0);
  a.notes[0] = 60;
  a.notes[1] = kFinListeNotes;
  (*staff)->listeAccords = NewHandleClear(sizeof a);
  *reinterpret_cast<AccordTaquet*>(*(*staff)->listeAccords) = a;
  (*staff)->yHaut = 20;
  (*staff)->lignesTexte[1].decalageHaut = 40;
  (*staff)->decalageDiagrammesLigne = 4;
  Point pen{};
  auto cadre = [&]() {
    const auto ops = Enregistre([&] {
      MoveTo(100, 50);
      EXPECT_EQ(VectTraiteTaquetLigneTexteAccord(staff, 0, 0), 1);
      GetPen(&pen);
    });
    int haut = INT32_MAX, bas = INT32_MIN, gauche = INT32_MAX, droite = INT32_MIN;
    for (const std::string& op : ops) {
      int v, h, dh, dv;
      if (std::sscanf(op.c_str(), "ShortLine (%d,%d) %d %d", &v, &h, &dh, &dv) != 4) continue;
      haut = std::min({haut, v, v + dv});
      bas = std::max({bas, v, v + dv});
      gauche = std::min({gauche, h, h + dh});
      droite = std::max({droite, h, h + dh});
    }
    return std::vector<int>{haut, gauche, bas, droite};
  };
  EXPECT_EQ(cadre(), (std::vector<int>{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN}));
  (*staff)->diagrammesLigneAccords = 1;
  // Under the line: from 60 + 4 down 48, from x 76 to 122.
  std::vector<int> c = cadre();
  EXPECT_EQ(pen.h, 100);
  EXPECT_EQ(pen.v, 50);
  EXPECT_GT(c[0], 64);
  EXPECT_LT(c[2], 64 + 48);
  EXPECT_GT(c[1], 76);
  EXPECT_LT(c[3], 122);
  (*staff)->diagrammesDessusLigne = 1;
  c = cadre();
  EXPECT_GT(c[0], 60 - 48);
  EXPECT_LT(c[2], 60);
}
