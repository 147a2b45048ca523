#pragma once
// Played time: the played-bar table that unrolls the written bars through
// repeats, endings and jumps, the conversions between written and played
// times and bars, and the played seconds table.
#include "platform/PlatformTypes.h"

struct Document;
struct Partition;
struct ExtendedTERec;  // text/ExtendedTE.h: ExtendedTE is an ExtendedTERec**
struct Portee;
struct Rect;

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
// Played bars the table holds; 0 without a table.
int32_t GetNbMesuresJouees(Partition** score);
int32_t CalculeIndexMesureSelonRupture(Partition** score, int32_t row);
int32_t CvtPosMesureEnNbPassages(Partition** score, int32_t bar);
int32_t CvtPosMesurePassageEnMesureJouee(Partition** score, int32_t bar, int32_t pass);
int32_t CvtTempsJoueEnTempsEcrit(Partition** score, int32_t time);
int32_t CvtTempsJoueEnMesureJouee(Partition** score, int32_t time, int32_t* rest);
int32_t CvtTempsEcritEnTempsJoue(Partition** score, int32_t time, bool lastPass);
int32_t CvtMesureJoueeEnTempsJoue(Partition** score, int32_t row);
int32_t DureeTotaleMusique(Partition** score);
int32_t CvtMesureEnDureeMesureTheorique(Partition** score, int32_t bar);

// Milliseconds. A score keeps two tables of constant-tempo segments, one over
// played time and one over written time, each built on first use and freed
// (both) whenever the tempo, the bars or the repeats change.
struct SegmentCvtSec {
  int32_t debut;      // first tick; one segment per tick, in tick order
  float ms;           // milliseconds at that tick
  double msParTemps;  // milliseconds per tick inside the segment
};

// At tempo T one tick lasts this / T milliseconds (a minute over the ticks of a quarter).
constexpr double kMsParTempsAUnTempo = 1.4880952380952381;

// A new table (played or written time) for the score; null when memory runs out.
Handle InitTableauCvtSec(Partition** score, bool played);
void LibereTableauCvtSec(Partition** score);
// A tick to milliseconds (0 without a table) and back (0 before the first
// segment); played selects the table over played time.
int32_t CvtTempsJoueEnMs(Partition** score, int32_t tick, bool played);
int32_t CvtMsEnTempsJoue(Partition** score, int32_t ms, bool played);
int32_t CvtMesureJoueeEnMs(Partition** score, int32_t row);

// Positions of a digital audio track, in samples at the track's rate, laid
// along played time (the written tick of one is CvtPosPisteEnTempsEcrit).
// Milliseconds of a position, truncated; 0 for a rate of 0.
int32_t CvtPosPisteEnMs(uint32_t sampleRate, uint32_t sampleOffset);
// The written bar of a position in the document's current score, with its
// pass through that bar (0 the first time) and its played bar.
int32_t CvtPosPisteNumeriqueEnMesureEcrite(Document* document, uint32_t sampleRate, uint32_t sampleOffset, int32_t* bar,
                                           int32_t* pass, int32_t* playedBar);
// The x of a position inside its bar's cell on the track's staff (the cell
// in *cell); 0 when it cannot be placed.
int16_t CvtPosPisteNumeriqueEnPosEcr(Document* document, Portee** staff, uint32_t sampleOffset, Rect* cell,
                                     int32_t* playedBar);

// The score's pre-roll, in 1/200 s, and as ticks at a tick, counted forward
// or backward from it.
int32_t GetRetardNegatifPartition200e(Partition** score);
int32_t GetRetardNegatifPartitionTemps(Partition** score, int32_t tick, bool forward);
