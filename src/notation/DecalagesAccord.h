#pragma once
// Chord offsets, accidental columns and the chord drawer's small placement
// services: the horizontal shift of a chord's heads inside its time slot, the
// start of a stem on heads of special shapes, the packing of accidentals into
// columns, the colour of signs, the beam-link test of a chord and the
// displayed pieces of a chord. The offset the model reads is declared in
// notation/ServicesNotation.h.
#include "notation/ServicesNotation.h"
#include "notation/ValeursNotes.h"
#include "platform/PlatformTypes.h"

struct Partition;
struct Portee;
struct Signe;

int16_t CalculeDecalageCorpsAccordRuban(Partition** score, Portee** staff, int32_t index);
int16_t CalculeDecalageCorpsAccordEcran(Portee** staff, int32_t index);

// The y offset of a stem's start from the head's centre for a head shape.
int16_t GetOffsetYEcranTigeFnCorps(int16_t shape, uint8_t stemDown, uint8_t inverted);

// One accidental of a chord: its x (written here) and y.
struct PosAlteration {
  float x, y;
};
// The y of an accidental already given its column.
constexpr float kAlterationPlacee = 2147483648.0f;
// Gives every accidental of the table its column x: each column, from the
// right, takes the accidentals from the top that stand far enough apart.
void EviteChevauchementTableauPosAlteration(PosAlteration* table, int32_t count, float interline);

// The pen colour of a sign: grey on a greyed staff.
void SetForeColorSigne(Portee** staff, int16_t colour);
void SetRGBForeColorSigne(Portee** staff, const RGBColor* colour);

// 1 when a note of the chord of index (notes of the same duration and stem)
// starts or ends a beam link; 0 when signs is not the staff's own array.
int16_t HasAccrocheSpeciale(Portee** staff, const Signe* signs, int32_t index);

// Ticks from a tick to the end of its bar, over the following bars whose
// notes run on across their bar line; 9999999 while the staff cuts nothing.
int64_t LimitePiece(Portee** staff, int32_t tick);

// One displayed piece of a chord.
struct AffCorps {
  NotePossible note;
  int16_t decalage;  // the chord's head shift
  int32_t x;         // x of the piece's start
  int32_t xTete;     // x of the stem side of the head
  int16_t y;         // head y
  int16_t queue;     // stem length in pixels
};
// The displayed pieces of the chord of index, from its start tick `start`
// in bar `bar`: a new handle of AffCorps (the caller frees it), with their
// positions (offset by x) when asked.
Handle CvtNoteEnAffCorps(Portee** staff, int32_t index, int32_t start, int16_t bar, uint8_t stemFlag,
                         uint8_t withPositions, int32_t x);
