#pragma once
// Harmonica models: the nine built-in ones and the record's own, transposed
// to the instrument's key; the work table of what every hole sounds on every
// row (blow, draw, bends, slide or valve notes, overblow and overdraw); and
// the coding of a note's hole and row bytes with the pitch they stand for.
#include "stafftypes/DonneesTablature.h"

// Rows of the work table; a note's row byte holds the row in its low nibble
// and its place in a chord (from the chord's last note) in the high one.
enum : int {
  kRangeeAspire = 0,
  kRangeeSouffle = 1,
  kRangeeOverdraw = 14,  // blow + 1, where blow is above draw
  kRangeeOverblow = 15,  // draw + 1, where draw is above blow
  kNbRangeesHarmonica = 16,
};
// Bends 7 in a row byte mean over (overblow on blow, overdraw on draw).
constexpr int kBendsOver = 7;
constexpr uint8_t kTrouAucun = 255;

struct TabCalcHarmonica {
  DefinitionHarmonica definition;
  uint8_t rangees[kNbRangeesHarmonica][kNbTrousHarmonica];  // pitch by row and hole, 0 = none
};

constexpr int kNbModelesHarmonica = 9;

// The model of `code` (0 to 8, -1 the record's own) for the harmonica part
// `h`: a built-in model is transposed to h's key; a diatonic model takes its
// bends and overblows from h. The hole count is always 10, 12 or 16. Returns
// false, leaving `out` alone, for an unknown code.
bool CalculeDefinitionHarmonica(int32_t code, const Harmonica& h, DefinitionHarmonica* out);
int16_t CalculeDefinitionHarmonica(int32_t code, Portee** staff, DefinitionHarmonica* out);
// The work table of the model; false (table cleared) for an unknown code.
bool InitTabCalcHarmonica(int32_t code, const Harmonica& h, TabCalcHarmonica* out);
int16_t InitTabCalcHarmonica(int32_t code, Portee** staff, TabCalcHarmonica* out);

// The pitch a row byte and hole stand for, or -1 (unknown model, no hole,
// nothing sounds there).
int16_t CalculeHauteurNoteHarmonica(const Harmonica& h, uint8_t row, int16_t hole);
int16_t CalculeHauteurNoteTablatureHarmonica(Portee** staff, int16_t row, int16_t hole);
// The first row (0 to 15) and its lowest hole that sound `pitch`; 255 both
// when none.
void CalculeCordeCaseNoteTablatureHarmonica(Portee** staff, int16_t pitch, uint8_t* row, uint8_t* hole);
