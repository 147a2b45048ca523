#pragma once
// Ruptures: bar lines, repeat signs, endings, segno and coda signs and the
// jump instructions of a score, kept in one list sorted by bar.
#include "platform/PlatformTypes.h"
#include "text/TextStyle.h"

struct Partition;

// Where a record sits in its bar.
enum : uint32_t {
  kRupturePlacementDebut = 0,  // 0 and 1: at the start of the bar
  kRupturePlacementDebut1 = 1,
  kRupturePlacementSigne = 2,  // a sign above the bar
  kRupturePlacementFin = 3,    // at the end of the bar
};

// Bar-line kinds.
enum : uint32_t {
  kBarreAucune = 0,
  kBarreGrise = 1,  // grey hairline
  kBarrePointillee = 2,
  kBarreDouble = 3,
  kBarreEpaisse = 4,
  kBarreDebutMusique = 5,
  kBarreDebutRepetition = 6,
  kBarreFinMusique = 7,
  kBarreFinRepetition = 8,
  kBarreFine = 9,
};

// Types of record.
enum : uint32_t {
  kRuptureAucune = 0,
  kRuptureFine = 1,
  kRuptureAllerMesure = 2,  // go to the bar in the parameter
  kRuptureDaCapo = 3,
  kRuptureMesureCourante = 4,  // back to the bar where the walk started
  kRuptureDalSegno = 5,
  kRuptureToCoda = 6,
  kRuptureSegno = 7,
  kRuptureCoda = 8,
  kRuptureDebutMusique = 9,
  kRuptureFinMusique = 10,
  kRuptureDebutVolta = 11,  // ending start
  kRuptureFinVolta = 12,    // ending end
  kRuptureDebutRepetition = 13,
  kRuptureFinRepetition = 14,
};

constexpr int kNbPassagesVolta = 16;
constexpr int kTailleTexteRupture = 128;
constexpr int kNbPredefRupture = 22;

struct Rupture {
  int16_t mesure;  // bar index, not below 0
  uint32_t placement;
  uint32_t barre;                   // bar-line kind
  char texte[kTailleTexteRupture];  // UTF-8 with '$' escapes, NUL-terminated
  TextStyle style;
  uint16_t premierMot;  // kept with the record
  int16_t motFinVolta;  // -2 in the ending-end preset
  uint8_t octet;        // kept with the record
  uint32_t type;
  int16_t parametre;                        // label of a sign, label to jump to, or a bar
  uint32_t al;                              // 1 al Coda, 2 al Fine
  uint32_t modePassage;                     // how the pass count shows and acts
  uint16_t nbPassages;                      // passes of a repeat end
  uint8_t passagesVolta[kNbPassagesVolta];  // flag i: played on pass i + 1
  int16_t compteurPassage;                  // working counter of the played-bar walk
  uint16_t derniersMots[2];                 // kept with the record
};

// The constant records offered to the user, by preset number.
extern const Rupture TabPredefRupture[kNbPredefRupture];

int16_t GetNbRuptures(Partition** score);
// Record at an index; null out of range. Not kept across list changes.
Rupture* GetRupture(Partition** score, int16_t index);

// Appends a zeroed record; its index, -1 when memory runs out.
int16_t NewRupture(Partition** score);
// Class used for sorting and for records of the same kind at a bar.
int16_t GetTypeRupture(const Rupture* rupture);
// Sorts by bar then class; where the record that was at `index` now is.
int16_t ClasseRuptures(Partition** score, int16_t index);
// Recomputes the highest bar of any record (0 without records).
void RecalculeMesureMaxRupture(Partition** score);
int16_t AjouteRupture(Partition** score, int16_t preset, int32_t time, bool snap);
int16_t AjouteRuptureEnMesure(Partition** score, int16_t preset, int16_t bar, bool atStart, bool snap);
void DeleteRupture(Partition** score, int16_t index, bool adjustMargins);
// Bars atBar .. atBar + count - 1 were deleted: their records go with the
// margins their bar lines took, later ones (and the bars that go-to-bar jumps
// name) move down; then the list is put back in shape.
void DeleteMesuresRuptures(Partition** score, int16_t atBar, int16_t count);
void ReporteRuptureFinMesureSurMesureSuivante(Partition** score, int16_t bar);
int16_t GetIndexTypeRupturePresent(Partition** score, int16_t classe, int16_t bar);
int16_t RechercheRupture(Partition** score, int16_t from, int16_t bar);
int16_t RechercheRuptureVisible(Partition** score, int16_t bar);
int16_t RechercheRuptureStrict(Partition** score, int16_t from, int16_t bar, int16_t which);
void SetNbPassageRupture(Rupture* rupture, uint16_t n);
void SetActionParamRupture(Rupture* rupture, int16_t param);
// After any change of the list: sorts it, rebuilds the played-bar table and
// re-lays the lyrics lines; true.
bool RemetRupturesEnForme(Partition** score);
