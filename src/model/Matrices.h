#pragma once
// The three banks of a score's accompaniment tracks (accompaniment patterns,
// rhythms with their own drum staves, and the chord grid), and the Matrice:
// the table of bar ranges that says which entry of the accompaniment or
// rhythm bank plays over which bars.
#include "model/DonneesAccords.h"
#include "model/ModePaste.h"
#include "platform/PlatformTypes.h"

struct Partition;

// The head of a Matrice handle; the rows follow it.
struct EnteteMatrice {
  uint32_t type;  // kMatriceAccompagnement or kMatriceRythme
  uint16_t valeurs[2];
  uint8_t octet;
  uint8_t bloc[128];
  int16_t mesureFinMax;  // largest end bar of the rows, kept by the clean-up
  uint16_t valeursAffichage[5];
  // Sound-effect entries (FX records) that move with the bars.
  int16_t nbFXs;
  Handle fxs;
  int16_t rangeCourant;  // selected row, -1 none
  int16_t nbRanges;
};

enum : uint32_t { kMatriceAccompagnement = 0, kMatriceRythme = 1 };

// A range of bars playing one entry of the bank.
struct RangeMatrice {
  uint16_t bloc1[4];  // copied with the row
  uint16_t valeur;
  int16_t mesureDebut;
  int16_t mesureFin;  // inclusive; a row with start > end is empty
  uint16_t indexBanque;
  uint16_t bloc2[3];  // copied with the row
};

// One entry of the accompaniment bank.
struct Accompagnement {
  char nom[64];          // UTF-8
  uint16_t indexPortee;  // staff the accompaniment plays on; 65535 none
  uint16_t mot;
  uint16_t instrument;  // 65535 none
  ModePaste modePaste;
};

// A drum staff of a rhythm.
struct PorteeRythme {
  char nom[64];
  uint16_t instrument;  // compared when staves are copied into a new rhythm
  int16_t nbNotes;
  Handle notes;  // Signe records
  uint16_t nbParamEffets;
  Handle paramEffets;  // ParamEffet records
};

// One entry of the rhythm bank.
struct Rythme {
  uint8_t octet;
  char nom[64];
  uint16_t valeur;  // 1 in a new rhythm
  uint16_t numerateur;
  uint16_t denominateur;
  int16_t nbPortees;
  Handle portees;  // PorteeRythme records
};

// One bar of the chord grid: up to 16 cells.
constexpr int kNbCellulesGrilleAccord = 16;
struct MesureGrilleAccord {
  uint8_t nbCellules;  // cells used, 1 in a new bar
  uint8_t octet;
  DefAccord cellules[kNbCellulesGrilleAccord];
};

// The Matrice's header and rows; null for a null handle or one too short.
EnteteMatrice* GetEnteteMatrice(Handle matrice);
RangeMatrice* GetRangesMatrice(Handle matrice);

Handle NewMatrice(uint32_t kind);
void DeleteMatrice(Handle* matrice);
Handle NewMatriceAccompagnement();
Handle NewMatriceRythme();
// Appends a row (a copy of row `copyFrom` when it is not negative) with these
// values; its index, or -1 when it cannot be added.
int16_t AjouteRangeMatrice(Handle matrice, int16_t copyFrom, uint16_t value, int16_t start, int16_t end,
                           uint16_t index);
bool IsIndexDansMatrice(Handle matrice, uint16_t index);
// Removes the empty rows and recomputes the highest end bar; the header.
EnteteMatrice* GarbageMatrice(Handle matrice);
void DeleteMesuresMatrice(Partition** score, Handle matrice, int16_t first, int16_t count);
void EffacePartieMatrice(Partition** score, Handle matrice, int16_t from, int16_t to);
void ReajusteMatriceQuandSupprimeIndex(Partition** score, Handle matrice, uint16_t index);

// The accompaniment bank.
int16_t AjouteAccompagnement(Partition** score);
void DeleteAccompagnementPartition(Partition** score, int16_t index);
void DeleteToutAccompagnements(Partition** score);
void DisposeBarreAccompagnements(Partition** score);
bool IsAccompagnementUtilise(Partition** score, int16_t index);
// Detaches accompaniments from volatile staves and removes the volatile drum staves.
void SupprimePorteesVolatilesAccompagnements(Partition** score);

// The rhythm bank.
int16_t AjouteRythme(Partition** score, bool copyStaves);
int16_t AjoutePorteeRythme(Handle rhythms, int16_t index);
void DisposeDataRythmes(Handle rhythms, int16_t count);
void DisposeBanqueRythmesPartition(Partition** score);
void DisposeBarreRythmes(Partition** score);
bool IsRythmeUtilise(Partition** score, int16_t index);
int16_t CalculeHauteurBarreRythme(Partition** score);
int16_t CalculeHauteurGrilleAccord(Partition** score);

// The chord grid.
void FixeNbMesuresGrilleAccord(Partition** score, int16_t bars);
void DeleteMesureGrilleAccord(Partition** score, int16_t first, int16_t count);
// Last bar of the chord grid that holds a chord; 0 when none.
int16_t MesureMaxGrilleAccord(Partition** score);
void DisposeGrilleAccord(Partition** score);
