#pragma once
// Tie and slur shapes: the shape fields of the slur record held by the start
// note, the default shapes of new slurs and beam links, the tie shape, and
// whether a slur reads as a tie. The default shape of a new link, which the
// model asks for, and the curve primitive are declared in
// notation/ServicesNotation.h.
#include "model/QrvLiaison.h"
#include "notation/ServicesNotation.h"
#include "platform/PlatformTypes.h"

struct Portee;

// The six geometric fields of the slur that starts at a note: start dx and
// dy, control point position and height, end dx and dy. The note must carry
// an effect record; without one nothing changes (and the getter gives 0s).
void SetParamLiaisonCouleNote(Portee** staff, int32_t index, int8_t startDx, int8_t startDy, uint16_t controlX,
                              int16_t controlY, int8_t endDx, int8_t endDy);
void GetParamLiaisonCouleNote(Portee** staff, int32_t index, int8_t* startDx, int8_t* startDy, uint16_t* controlX,
                              int16_t* controlY, int8_t* endDx, int8_t* endDy);
void SetCouleurLiaisonCouleNote(Portee** staff, int32_t index, uint16_t colour);
void SetEpaisseurLiaisonCouleNote(Portee** staff, int32_t index, uint8_t thickness);
// The control point's height (0 without an effect record).
int16_t GetRatioYLiaisonCouleNote(Portee** staff, int32_t index);

// The default slur and beam-link records. They are made from the first new
// link of a document (beam sizes from its staff) and forgotten when the next
// document is loaded, so that no request inherits another's defaults.
extern DataLiaison liaisonDefaut;
extern DataAccroche accrocheDefaut;
extern bool isLiaisonDefautInited;
// Rebuilds both records from the staff (null: standard beam sizes); the
// inited flag is left as it is.
void ResetLiaisonCouleDefautNote(Portee** staff);
// Copies the default slur record out (made first when not yet made, without
// marking it made) and back (only once it was made).
void PreserveLiaisonCouleDefautNote(DataLiaison* buffer);
void RestaureLiaisonCouleDefautNote(const DataLiaison* buffer);
// A new document: the defaults are made again from its first link.
void OublieLiaisonCouleDefaut();

// The shape of a tie from the kind of link (0 below the heads, else above)
// and the stem directions of its notes: play mode 2, anchors, control point.
void AdjustTie(DataLiaison* record, int8_t kind, uint8_t sourceDown, uint8_t destDown, uint8_t variant, int16_t step);

// Whether a slur from note i to note j reads as a tie: both are notes of one
// pitch and j starts where i ends.
bool IsCoulePourLieIndex(Portee** staff, int32_t i, int32_t j);
// The note starts a slur of play mode 2 and style 0 whose end note, on the
// same staff, it ties to (as above); the end note is given when asked.
bool IsCoulePourLie(Portee** staff, int32_t index, int32_t* farNote = nullptr);
// The note starts a slur that is performed.
bool IsCouleNoteInterprete(Portee** staff, int32_t index);
