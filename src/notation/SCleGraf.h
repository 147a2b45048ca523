#pragma once
// Chord drawing and the printed pieces of tied notes. The tie test the model
// calls is declared in notation/ServicesNotation.h.
#include "notation/ServicesNotation.h"
#include "stafftypes/VecteursPortee.h"

struct Portee;
struct Signe;
// The printed pieces of note `index` up to bar lastBar: a new handle of copies
// of its record, each with the duration of its piece, in order (a piece ends
// at a bar line unless the bar lets notes run on or the staff cuts none, the
// first piece at the note's first-part limit, each is a writable value); the
// note itself alone for a sign or a note without duration; empty for an
// index out of range. The caller frees it.
Handle CvtNoteEnListeNotesLieesBorne(Portee** staff, int32_t index, int32_t firstBar, int32_t lastBar, int32_t limit);
// All the printed pieces of a note.
Handle CvtNoteEnListeNotesLiees(Portee** staff, int32_t index);

// One head drawn for the current chord.
struct CorpsEntry {
  int32_t piece;  // duration piece of the chord (0 first)
  float x, y;
  uint16_t points;
  float xPoints, yPoints;  // where the first dot goes
  uint8_t pointDeplace;
  int32_t dureePiece;
  uint8_t alteration;  // code shown: 0 natural, 1 sharp, 2 none, 3 flat, 4 double sharp, 5 double flat
  float xAlteration, yAlteration;
  uint8_t becarreCourtoisie;
  int16_t decalageAlteration;  // zoomed
  uint8_t parentheses;
  uint16_t taille;
  uint16_t couleur;
};
// The heads of the chord being drawn: nbCorps used of nbCorpsGranuleux.
extern CorpsEntry** TabCorps;
extern int16_t nbCorps, nbCorpsGranuleux;
// Releases the head table (end of a note walk).
void LibereTabCorps();

// Head shapes by scale degree of the shape-note modes 1..6.
extern const int32_t TabCorps4Shape[7], TabCorps7ShapeAiken[7], TabCorps7ShapeSwan[7], TabCorps7ShapeWalker[7],
    TabCorps7ShapeFunk[7], TabCorps7ShapeJohnson[7];

// Reference x meaning "none".
constexpr uint16_t kXRefAucun = 0x8000;

// Draws the chord at signs[*index] for one stem direction (0 up, 1 down) and
// pass (0 ordinary, 1 notes beamed to another staff) and registers its stems
// in TabQueue; *index moves past the chord. Returns 1 when the chord goes on
// into the next one (a tie or a beam of its own group).
uint8_t TraceCorpsAccord(Portee** staff, int32_t x, uint16_t xRef, Signe* signs, int32_t* index, int32_t count,
                         int32_t time, int16_t bar, uint8_t drawFlag, uint8_t direction, uint8_t pass, uint8_t shifted,
                         VectNote2Y toScreenY, uint16_t graceIndex, uint8_t graceMode, uint8_t previous,
                         Handle headRects, uint8_t stemOption);
