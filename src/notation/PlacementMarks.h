#pragma once
// Mark placement: the point where a note's mark is drawn (screen pixels or
// ribbon units), each mark code's exact area around that point, the offsets
// that keep marks near the note off the staff and ledger lines and marks
// above or below the staff clear of the note and its stem, ornaments flipped
// with the stem, and the vertical extent of a note's marks.
#include "notation/ServicesNotation.h"
#include "platform/PlatformTypes.h"

struct BigRect;
struct Mark;
struct ParamEffet;
struct Partition;
struct Portee;
struct Signe;

// Placement values of a mark.
enum : uint8_t {
  kPosMarkTige = 0,        // at the stem end or above the head
  kPosMarkGauche = 32,     // left of the head
  kPosMarkAutreCote = 64,  // at the other side
  kPosMarkDroite = 96,     // right of the head
  kPosMarkDessus = 128,    // above the staff
  kPosMarkDessous = 192,   // below the staff
};

// The offsets of a mark in points (positive dy moves up) and its flags, as
// the record keeps them.
int8_t MarkDx(const Mark& mark);
int8_t MarkDy(const Mark& mark);
void SetMarkDy(Mark* mark, int32_t dy);  // clamped to -127..127
bool IsMarkRelativeTige(const Mark& mark);

// The point of a mark by the standard rule: x and y enter as the note's head
// position and leave as the mark point (screen pixels, or ribbon units when
// onScreen is false).
void CalculePosEffetPorteeStandard(bool onScreen, Portee** staff, const Signe* note, int32_t noteIndex,
                                   const Mark* mark, int32_t* x, int32_t* y);
// Whether mark markIndex of the note is drawn, and its point from the note's
// head position (x, y). effectsIndex -1 answers true and sets nothing.
bool CalculePosEffet(bool onScreen, Portee** staff, const Signe* note, int32_t noteIndex, int32_t markIndex, int32_t x,
                     int32_t y, bool onTablature, int32_t* outX, int32_t* outY, int32_t effectsIndex);
// Whether a mark is drawn at all on this note (the code rules of CalculePosEffet).
bool IsMarkTracee(const Mark& mark, const ParamEffet* effects, bool onTablature);

// The mark's bounding area around its point, in ribbon units; effects may be
// null. CalculeAireExacteMarkEcran is the same in screen pixels.
void CalculeAireExacteMarkRuban(Portee** staff, const Mark* mark, int32_t x, int32_t y, BigRect* area,
                                const ParamEffet* effects);
void CalculeAireExacteMarkEcran(Portee** staff, const Mark* mark, int32_t x, int32_t y, BigRect* area,
                                const ParamEffet* effects);
// The area of a user text mark from its measured text box (ribbon units).
void GetTailleTexteEffetUser(Portee** staff, const Mark* mark, int32_t x, int32_t y, BigRect* area);

// 1 when the mark, with its dy set to trialDy, lies on a drawn staff line or
// on a ledger line of the note; else 0.
int16_t IsEffectOnLigne(Portee** staff, const Signe* note, int32_t noteIndex, const Mark* mark, int32_t trialDy);
// Rewrites the mark's dy so that it keeps off the lines or clear of the note.
void AjustePositionEffetPourEviterLesLignes(Portee** staff, const Signe* note, int32_t noteIndex, Mark* mark);
// A stem-relative ornament becomes the member of its pair for the stem direction.
void MuteOrnementsSelonSensTige(bool stemDown, Mark* mark);
// Flips and adjusts the marks of notes first .. last - 1 (when flipping is on).
void MuteOrnementsSelonSensTigeRange(Portee** staff, int32_t first, int32_t last);
// The preference for flipping ornaments with the stem (on by default).
extern uint8_t GMuteOrnements;

// The vertical extent of a note's marks relative to the note, in points;
// 0 and 0 for a note without marks.
void CalculeDeltaYMarks(Portee** staff, int32_t noteIndex, int16_t* top, int16_t* bottom);
// Whether invisible marks are drawn: always in the ribbon mode, in the page
// mode when the document shows invisible objects, never in print.
bool IsTraceEffetsInvisibles(Partition** score);
