#pragma once
// The score's settings of the spacing engine, and the seams the score model
// uses to give a new score its settings and to release the spacing columns.
#include "platform/PlatformTypes.h"

struct Partition;

struct ZorodavaSetup {
  uint8_t on;            // spacing engine used for the score
  uint8_t scaleBars;     // set each bar's scale from its natural width
  uint8_t perStaff;      // each staff spaced on its own columns, then aligned
  uint8_t reserve;
  int16_t widths[7];     // space after a whole .. 64th note
  int16_t gap;           // before a column without accidental
  int16_t accidental;    // before a column with an accidental
  int16_t grace;         // per grace note
  int16_t shortExtra;    // after a column holding a note shorter than a quarter
  int16_t minScale;
  int16_t maxScale;
  int16_t restScale;
  int16_t lyricFactor;   // twelfths; 0 turns lyric widening off
};

// Gives a score the user's settings; with keepOn 0 the engine is switched off.
void SetDefaultZorodavaPartition(Partition** score, int16_t keepOn);
// Releases the score's cache of spacing columns and clears its count.
void DisposeZorodavaTaquets(Partition** score);

struct Document;
struct Portee;
// Whether the spacing engine lays out the score (any staff when none is given).
bool IsModeZorodava(Partition** score, Portee** staff);
// Rebuilds the spacing columns of the document's current score; 0.
int16_t RecalculeZorodavaDocument(Document* document);
// Page x, piano-roll x and window x of a tick through the spacing columns, and
// the tick of a piano-roll x; negative when the columns do not hold it.
int32_t ZorodavaCvtTempsEnPixelEcran(Partition** score, int32_t tick);
int32_t ZorodavaCvtTempsEnPixelRuban(Partition** score, int32_t tick);
int32_t ZorodavaCvtPixelRubanEnTemps(Partition** score, int32_t x);
int32_t ZorodavaCvtPosTempsEnPosColEcr(Partition** score, int32_t tick);

// Reads a stored setup from the document byte stream.
void ReadZorodava(ZorodavaSetup* setup);
