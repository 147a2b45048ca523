// Chord diagrams (their list, seal and lookups) and the chord analysis: the
// bracket commands of chord texts, chord names for note sets under both
// methods, and a staff's chord line and chord list.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "BarTableFixtures.h"
#include "model/Accords.h"
#include "model/DiagrammesAccord.h"
#include "model/QrvText.h"
#include "model/TonaliteMaths.h"

namespace {

// ---- diagrams

DiagrammeAccord Diagramme(const char* nom) {
  Handle h = nullptr;
  CreeAccord(&h);
  DiagrammeAccord d = *reinterpret_cast<DiagrammeAccord*>(*h);
  DisposeAccords(&h);
  std::strcpy(d.accord.nom, nom);
  return d;
}

TEST(DiagrammesAccord, NewDiagramsAndTheirListFoundById) {
  Handle h = nullptr;
  EXPECT_EQ(GetNbDiagrammesAccords(h), 0);
  EXPECT_EQ(RechercheDiagrammeAccordParIdUnique(h, 7), -1);
  ASSERT_EQ(CreeAccord(&h), 0);
  ASSERT_EQ(CreeAccord(&h), 1);
  EXPECT_EQ(GetNbDiagrammesAccords(h), 2);
  EXPECT_EQ(RechercheDiagrammeAccordParIdUnique(h, 7), -1);
  DiagrammeAccord* d = reinterpret_cast<DiagrammeAccord*>(*h);
  EXPECT_EQ(d[1].accord.septieme, 2);
  EXPECT_EQ(d[1].accord.neuvieme, 2);
  EXPECT_EQ(d[1].caseBase, 1);
  EXPECT_EQ(d[1].accord.tierce, 0);
  EXPECT_EQ(d[1].nbPoints, 0);
  EXPECT_EQ(GetNbCordesDiagrammeAccord(&d[1]), 6);
  d[0].idUnique = 7;
  d[1].idUnique = 7;
  EXPECT_EQ(RechercheDiagrammeAccordParIdUnique(h, 7), 0);
  DisposeAccords(&h);
  EXPECT_EQ(h, nullptr);
}

TEST(DiagrammesAccord, TheSealCoversTheDefiningFieldsOnly) {
  DiagrammeAccord d = Diagramme("C");
  d.accord.neck = 0x00030102;  // only its low 16 bits are sealed
  d.accord.fondamentale = 2;
  d.accord.alterationFondamentale = 2;
  d.cordes[0] = 'x';
  d.nbPoints = 1;
  d.points[0] = PointDiagramme{2, 1, 1};
  // Values low byte first, then the marks, base fret, count and dots.
  EXPECT_EQ(ScelleDiagrammeEditeAccord(&d), 0xa4bae178u);

  DiagrammeAccord autre = d;
  std::strcpy(autre.accord.nom, "Do");
  autre.idUnique = 99;
  autre.accord.neck = 0x00070102;
  autre.octetsLus[0] = 1;
  autre.accord.octave = 6;
  autre.points[3] = PointDiagramme{9, 9, 9};  // past the dot count
  EXPECT_EQ(ScelleDiagrammeEditeAccord(&autre), ScelleDiagrammeEditeAccord(&d));
  autre.points[0].caseManche = 3;
  EXPECT_NE(ScelleDiagrammeEditeAccord(&autre), ScelleDiagrammeEditeAccord(&d));

  // A library definition with the same values carries the same seal.
  DefDiagrammeAccord lib{};
  lib.accord = d.accord;
  std::memcpy(lib.cordes, "x\0\0\0\0\0", 6);
  lib.caseBase = 1;
  lib.nbPoints = 1;
  lib.points[0] = PointDiagramme{2, 1, 1};
  EXPECT_NE(ScelleDiagrammeAccord(&lib), ScelleDiagrammeEditeAccord(&d));  // its marks are the text "x"
  std::memcpy(lib.cordes, "x02210", 6);
  std::memcpy(d.cordes, "x02210", 6);
  EXPECT_EQ(ScelleDiagrammeAccord(&lib), ScelleDiagrammeEditeAccord(&d));
}

TEST(DiagrammesAccord, PressedFretOfAString) {
  DiagrammeAccord d = Diagramme("A");
  EXPECT_EQ(RecherchePremiereCaseDiagrammeAccord(&d, 2), 0);  // no dot
  d.caseBase = 5;
  d.nbPoints = 2;
  d.points[0] = PointDiagramme{2, 1, 6};  // a barre
  d.points[1] = PointDiagramme{4, 3, 3};
  d.cordes[5] = 'X';
  d.cordes[0] = 'x';
  struct Cas {
    int16_t corde, caseManche;
  } cas[] = {{3, 9}, {2, 7}, {1, 7}, {0, -1}, {5, -1}, {6, 7}, {7, 0}};
  for (const Cas& c : cas) EXPECT_EQ(RecherchePremiereCaseDiagrammeAccord(&d, c.corde), c.caseManche) << c.corde;
}

struct DiagrammesPortee : BarTableTest {
  Portee** staff = Portee0();
  const DiagrammeAccord& D(int i) { return reinterpret_cast<DiagrammeAccord*>(*(*staff)->diagrammesCustoms)[i]; }
};

TEST_F(DiagrammesPortee, AddedDiagramsGetUniqueNames) {
  for (const char* nom : {"C", "C(1)", "C", "Am", "Am"}) {
    const DiagrammeAccord d = Diagramme(nom);
    ASSERT_GE(AjouteDiagrammeAccordPortee(staff, &d), 0);
  }
  const char* attendus[5] = {"C", "C(1)", "C(2)", "Am", "Am(1)"};
  for (int i = 0; i < 5; i++) EXPECT_STREQ(D(i).accord.nom, attendus[i]);
  // A long name gives way to its number.
  DiagrammeAccord longue = Diagramme("ABCDEFGHIJKLMNOPQRSTUVWXYZ01234");
  AjouteDiagrammeAccordPortee(staff, &longue);
  AjouteDiagrammeAccordPortee(staff, &longue);
  EXPECT_STREQ(D(6).accord.nom, "ABCDEFGHIJKLMNOPQRSTUVWXYZ01(1)");
  // Notes give no diagram: fingering finds nothing, and nothing is added.
  const NoteAnalyse notes[2] = {{60, 1, 3}, {-1, 0, 0}};
  EXPECT_EQ(RechercheDiagrammeParDoigte(staff, notes, false, 0), nullptr);
  EXPECT_EQ(RechercheDiagrammeParDoigte(staff, notes, true, 0), nullptr);
  EXPECT_EQ(GetNbDiagrammesAccords((*staff)->diagrammesCustoms), 7);
}

// ---- bracket commands and chord names

TEST(ParseCommandAccord, BracketsAreTakenOutAndTheirCommandsRead) {
  struct Cas {
    const char* texte;
    bool accordeon;
    const char* reste;
    int16_t octave, inversion, valeur;
  } cas[] = {
      {"C[O5]", true, "C", 5, 0, 9},    {"G[I-1 ]", true, "G", 4, -1, 9},    {"[A3]F", true, "F", 4, 0, 3},
      {"[A3]F", false, "F", 4, 0, 9},   {"Am[o3i2]7", true, "Am7", 3, 2, 9}, {"D[R=2", true, "D", 4, -2, 9},
      {"[x1]E[O]", true, "E", 0, 0, 9}, {"Bb", true, "Bb", 4, 0, 9},
  };
  for (const Cas& c : cas) {
    SCOPED_TRACE(c.texte);
    char t[32];
    std::strcpy(t, c.texte);
    int16_t octave = 4, inversion = 0, valeur = 9;
    ParseCommandAccord(t, &octave, &inversion, c.accordeon ? &valeur : nullptr);
    EXPECT_STREQ(t, c.reste);
    EXPECT_EQ(octave, c.octave);
    EXPECT_EQ(inversion, c.inversion);
    EXPECT_EQ(valeur, c.valeur);
  }
  char t[] = "E[O7]";
  ParseCommandAccord(t, nullptr, nullptr, nullptr);
  EXPECT_STREQ(t, "E");
}

Tonalite Cle(int16_t std, int32_t mode = 1) {
  Tonalite k;
  CvtTonaliteStdEnTonalite(std, mode, &k);
  return k;
}

std::vector<NoteAnalyse> Notes(std::initializer_list<int16_t> pitches) {
  std::vector<NoteAnalyse> v;
  for (int16_t p : pitches) v.push_back({p, 0, 0});
  v.push_back({-1, 0, 0});
  return v;
}

TEST(CalculeAccordAbsolu, LevelsOutsideThreeToFiveWriteNothing) {
  const std::vector<NoteAnalyse> n = Notes({60, 64, 67});
  const Tonalite c = Cle(0);
  for (int16_t level : {2, 6}) {
    char texte[64] = "unchanged";
    uint16_t accord[8] = {1, 2};
    EXPECT_EQ(CalculeAccordAbsolu(&c, level, n.data(), texte, accord, 1, false), -1);
    EXPECT_STREQ(texte, "unchanged");
    EXPECT_EQ(accord[0], 1);
  }
}

TEST(CalculeAccordAbsolu, ChordNamesForNoteSetsUnderBothMethods) {
  const uint16_t F = kFinListeNotes;
  struct Cas {
    const char* nom;
    int16_t methode, niveau, cle, mode;
    std::vector<NoteAnalyse> notes;
    const char* texte;
    std::vector<uint16_t> accord;
  } cas[] = {
      // Root scoring.
      {"triad", 1, 3, 0, 1, Notes({60, 64, 67}), "C", {60, 64, 67, F}},
      {"third only", 1, 3, 0, 1, Notes({60, 64}), "C", {60, 64, 67, F}},
      {"minor over its relative", 1, 3, 0, 1, Notes({57, 60, 64}), "Am", {69, 72, 76, F}},
      {"dominant seventh", 1, 4, 0, 1, Notes({55, 59, 62, 65}), "G7", {67, 71, 74, 77, F}},
      {"major seventh", 1, 4, 0, 1, Notes({48, 52, 55, 59}), "CM7", {48, 52, 55, 59, F}},
      {"minor seventh beats the sixth", 1, 4, 0, 1, Notes({50, 53, 57, 60}), "Dm7", {50, 53, 57, 60, F}},
      {"sevenths wait for level 4", 1, 3, 0, 1, Notes({55, 59, 62, 65}), "G", {67, 71, 74, F}},
      {"ninth without seventh", 1, 5, 0, 1, Notes({60, 62, 64, 67}), "CAdd9", {60, 64, 67, 74, F}},
      {"no note", 1, 3, 0, 1, Notes({}), "??", {F}},
      {"flat root spelled in the key", 1, 3, 9, 1, Notes({58, 62, 65}), "Bb", {70, 74, 77, F}},
      // Degrees of the key.
      {"degree triad", 0, 3, 0, 1, Notes({60, 64, 67}), "C", {60, 64, 67, F}},
      {"degree with a missing fifth", 0, 3, 0, 1, Notes({60, 64}), "C", {60, 64, 67, F}},
      {"equal candidates follow", 0, 3, 0, 1, Notes({60, 64, 67, 69}), "C(Am)", {60, 64, 67, F}},
      {"a seventh settles it", 0, 4, 0, 1, Notes({60, 64, 67, 69}), "Am7", {69, 72, 76, 79, F}},
      {"three alternatives at most", 0, 3, 0, 1, Notes({}), "C(Dm,Em,F...)", {48, 52, 55, F}},
      {"minor key", 0, 3, 0, 0, Notes({57, 60, 64}), "Am", {69, 72, 76, F}},
  };
  for (const Cas& c : cas) {
    SCOPED_TRACE(c.nom);
    const Tonalite k = Cle(c.cle, c.mode);
    char texte[64] = "";
    uint16_t accord[8];
    std::memset(accord, 0xEE, sizeof accord);
    ASSERT_EQ(CalculeAccordAbsolu(&k, c.niveau, c.notes.data(), texte, accord, c.methode, true), 0);
    EXPECT_STREQ(texte, c.texte);
    EXPECT_EQ(std::vector<uint16_t>(accord, accord + c.accord.size()), c.accord);
  }
}

// ---- a staff's chord line and chord list

struct AccordsPortee : BarTableTest {
  Portee** staff = nullptr;
  AccordsPortee() {
    Mesures(3);
    staff = Portee0();
    (*staff)->ligneAccordsAffichee = 1;
  }
  void Accord(std::initializer_list<int8_t> pitches, int32_t duree) {
    size_t i = 0;
    for (int8_t p : pitches) AjouteSigne(staff, p, duree, 100, ++i < pitches.size() ? kSigneAccordSuite : 0);
  }
  std::string Cellule(int16_t bar) {
    char out[kTailleTexteCellule];
    return GetTexteKaraokeCellule(staff, kLigneTexteAccords, bar, 0, out, nullptr);
  }
};

TEST_F(AccordsPortee, TheAnalysisWritesEachColumnsChordIntoTheChordLine) {
  Accord({60, 64, 67}, 80640);
  Accord({57, 60, 64}, 80640);
  Accord({55, 59, 62, 65}, 161280);
  AjouteSigne(staff, -1, 161280);
  Portee* p = *staff;
  p->nomsAccordsAuto = 1;
  p->niveauAccords = 4;
  p->methodeAccords = 1;
  SetTexteKaraokeCellule(staff, 2, 0, kLigneTexteAccords, "old", nullptr);
  // Without its second switch the analysis does not run.
  CalculeAccordsPortee(score, staff);
  EXPECT_EQ((*staff)->accordsCalcules, 0);
  (*staff)->analyseAccords = 1;
  CalculeAccordsPortee(score, staff);
  EXPECT_EQ((*staff)->accordsCalcules, 1);
  EXPECT_EQ(Cellule(0), "C Am ");
  EXPECT_EQ(Cellule(1), "G7 ");
  // A bar of rests falls back to its beats, which name nothing.
  EXPECT_EQ(Cellule(2), "    ");

  // One chord per bar: every column of a bar sees the whole bar.
  (*staff)->accordsCalcules = 0;
  (*staff)->unAccordParMesure = 1;
  CalculeAccordsPortee(score, staff);
  EXPECT_EQ(Cellule(0), "Am7 Am7 ");
  EXPECT_EQ(Cellule(1), "G7 ");

  // The chord list is read back from the line, one record per column.
  AccordTaquet a;
  ASSERT_EQ(GetAccordTaquetMesure(staff, 1, 0, &a), 1);
  EXPECT_STREQ(a.accord.nom, "G7");
  EXPECT_EQ(a.taquet.temps, 161280);
  EXPECT_EQ(std::vector<uint16_t>(a.notes, a.notes + 5), (std::vector<uint16_t>{55, 59, 62, 65, kFinListeNotes}));
  EXPECT_EQ(GetAccordTaquetMesure(staff, 1, 1, &a), 0);
  ASSERT_EQ(CvtTempsEnAccord(staff, 80641, &a), 1);
  EXPECT_EQ(a.mesure, 1);
  EXPECT_EQ(CvtTempsEnAccord(staff, 3 * 161280, &a), 0);
  DisposeListeAccords(staff);
  EXPECT_EQ((*staff)->listeAccords, nullptr);
}

TEST_F(AccordsPortee, TheChordListReadsTypedTextsWithTheirCommands) {
  AjouteSigne(staff, 60, 80640);
  AjouteSigne(staff, 62, 80640);
  AjouteSigne(staff, 64, 161280);
  AjouteSigne(staff, 65, 161280);
  (*staff)->valeurAccordeonDefaut = 7;
  SetTexteKaraokeCellule(staff, 0, 0, kLigneTexteAccords, "C=7 G[O5A2]", nullptr);
  SetTexteKaraokeCellule(staff, 1, 0, kLigneTexteAccords, "C\\E", nullptr);
  SetTexteKaraokeCellule(staff, 2, 0, kLigneTexteAccords, "xyz", nullptr);
  CvtTexteAccordEnHandleAccordTaquet(staff);
  const AccordTaquet* a = reinterpret_cast<AccordTaquet*>(*(*staff)->listeAccords);
  ASSERT_EQ(GetHandleSize((*staff)->listeAccords), Size(4 * sizeof(AccordTaquet)));
  struct Cas {
    uint16_t mesure, colonne;
    const char* nom;
    uint16_t octave, accordeon, premiere;
  } cas[] = {
      {0, 0, "C-7", 4, 7, 48}, {0, 1, "G", 5, 2, 67}, {1, 0, "C/E", 5, 2, 60}, {2, 0, "xyz", 0, 0, kFinListeNotes}};
  for (int i = 0; i < 4; i++) {
    SCOPED_TRACE(i);
    EXPECT_EQ(a[i].mesure, cas[i].mesure);
    EXPECT_EQ(a[i].indexTaquet, cas[i].colonne);
    EXPECT_EQ(a[i].octave, cas[i].octave);
    EXPECT_EQ(a[i].valeurAccordeon, cas[i].accordeon);
    EXPECT_EQ(a[i].notes[0], cas[i].premiere);
    if (cas[i].premiere != kFinListeNotes) {
      EXPECT_STREQ(a[i].accord.nom, cas[i].nom);
    }
  }
  EXPECT_EQ(a[1].taquet.temps, 80640);
}

}  // namespace
