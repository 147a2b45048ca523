#pragma once
// Grace-note series: the grace notes a note keeps in its effects record (and
// the notes its trill or turn stands for) drawn before or after it as small
// chords with their stems, beams, slash and slur. A series runs the ordinary
// chord and stem drawing on a small array of its own, nested inside the chord
// of the main walk, whose scratch state it puts aside and gives back.
#include "notation/ServicesNotation.h"
#include "platform/PlatformTypes.h"

struct ParamEffet;
struct Portee;
struct Signe;

// One grace note of a series.
struct GraceEntry {
  uint16_t slot;          // grace slot of the effects record (0..9); ornament notes follow the slots
  int16_t hauteur;        // pitch offset from the main note; the absolute pitch once the series is drawn
  int16_t decalageDuree;  // the grace value is halved this many times
  uint8_t alteration;     // accidental byte (2 none)
  uint8_t accord;         // bit 0: the next entry sounds with this one
  int16_t x;              // x of its chord from the series start, written by the measuring run
  uint8_t flags;          // bit 0: the grace note's slur bit
  uint16_t couleur;       // colour word of the main note (or of the ornament's mark)
};
// A table holds the grace notes before or after one note.
constexpr int kMaxGraceEntries = 10;

// The grace notes of note `index` (its record `sign`): those before it and
// those after it, each table at most kMaxGraceEntries long. With
// withOrnaments the notes of its trill (after it) and turn (before it) are
// added. Returns 1 when there is at least one, else 0 (counts 0).
int16_t CalculeTabGraceNotes(Portee** staff, const Signe* sign, int32_t index, uint8_t withOrnaments,
                             int16_t* beforeCount, int16_t* afterCount, GraceEntry* beforeTable,
                             GraceEntry* afterTable);

// Draws the grace notes of note `index` whose head stands at (x, noteY), its
// effects record being effectIndex; shiftLeft when the head shows an
// accidental. drawMode 0 only places them. Returns the slot of the grace note
// whose head holds hitPoint (when given), else -1.
int16_t TraceGraceNotes(Portee** staff, uint8_t drawMode, int32_t x, uint8_t shiftLeft, int32_t noteY, int32_t index,
                        const Signe* sign, uint16_t effectIndex, const Point* hitPoint, uint8_t hitMode);

// One run over a table: draw 0 measures (writing each chord's x into the
// entries), 1 draws; with placed the chords stand at their measured x from
// x. noteX and noteY are where the slur to the main note ends. Returns the
// slot under hitPoint, else -1 (also when its scratch memory is refused,
// then nothing is drawn).
int16_t TraceSeriePetitesNotes(Portee** staff, uint8_t drawMode, const ParamEffet* effect, int32_t x, const Signe* sign,
                               int32_t noteX, int32_t noteY, GraceEntry* table, int16_t count, uint8_t after,
                               uint8_t draw, const Point* hitPoint, uint8_t hitMode, uint8_t placed);
