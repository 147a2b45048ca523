#pragma once
// Played time: the played-bar table that unrolls the written bars through
// repeats, endings and jumps, the conversions between written and played
// times and bars, and the played seconds table.
#include "platform/PlatformTypes.h"

struct Document;
struct Partition;
struct ExtendedTERec;  // text/ExtendedTE.h: ExtendedTE is an ExtendedTERec**

// One played bar.
struct LigneCvtMesure {
  uint32_t debutJoue;   // played start tick: the durations of the rows before
  uint32_t passage;     // times this written bar has been reached, this row included
  int32_t mesure;       // written bar (low 16 bits)
  uint32_t debutEcrit;  // start tick of the written bar
};

// The walk never makes more rows than this.
constexpr int32_t kMaxLignesCvtMesure = 10000;

// Rows of a played-bar handle and its row array (null for a null handle).
int32_t GetNbLignesCvtMesure(Handle rows);
LigneCvtMesure* GetLignesCvtMesure(Handle rows);

// Builds the score's played-bar table from its ruptures.
void CalculeTabCvtMesure(Partition** score);
// Fills the played start, pass and written start of every row from its bar.
void TabCvtMesureHasChanged(Partition** score, Handle rows);
// Replaces the table by a typed list of 1-based bars and ranges ("2-4, 1",
// "5-"); false, with the table unchanged, when an item names no bar.
bool CvtStringToTabMesures(Partition** score, const char* text, int32_t length, ExtendedTERec** editRecord);
// A new table whose rows name bars, from one whose rows hold displayed bar
// numbers minus one; null when memory runs out.
Handle ConvertTabMesureLogiqueEnPhysique(Partition** score, Handle rows);
// Follows bar deletion in a typed list of the document's current score.
void AjusteTabMesuresJoueesQuandDeleteMesures(Document* document, int16_t atBar, int16_t count);
// Recounts the display lines of lyrics lines after the ruptures change.
void RemetsPorteesEnFormeQuandRuptureChange(Partition** score);

// Conversions; without a table played equals written.
int32_t CalculeIndexMesureSelonRupture(Partition** score, int32_t row);
int32_t CvtPosMesureEnNbPassages(Partition** score, int32_t bar);
int32_t CvtPosMesurePassageEnMesureJouee(Partition** score, int32_t bar, int32_t pass);
int32_t CvtTempsJoueEnTempsEcrit(Partition** score, int32_t time);
int32_t CvtTempsJoueEnMesureJouee(Partition** score, int32_t time, int32_t* rest);
int32_t CvtTempsEcritEnTempsJoue(Partition** score, int32_t time, bool lastPass);
int32_t CvtMesureJoueeEnTempsJoue(Partition** score, int32_t row);
int32_t DureeTotaleMusique(Partition** score);
int32_t CvtMesureEnDureeMesureTheorique(Partition** score, int32_t bar);

void LibereTableauCvtSec(Partition** score);
