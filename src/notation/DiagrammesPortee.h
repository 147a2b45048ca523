#pragma once
// The chord-diagram list of a staff: placements kept in order, their
// diagrams found again after reading, drawn over the visible span, and moved
// with their bars and notes. Its release and the preserving of diagram
// positions around edits, which the model calls, are declared in
// notation/ServicesNotation.h.
#include "model/DonneesAccords.h"
#include "notation/ServicesNotation.h"

// Appends a zero-filled placement (model/DonneesAccords.h) to the staff's
// list, made when missing; its index, or -1 when the list cannot grow.
int32_t NewDiagramme(Portee** staff);

// Order of the list: by start; at equal starts -1 when a's top is above b's,
// else 1 when a's bottom is below b's, else 0.
int CompareDiagrammes(const PlacementDiagramme* a, const PlacementDiagramme* b);

// Finds each placement's diagram again: by its id in the score's chord table,
// else from its chord (the staff's diagrams included), taking that diagram's
// id and, for a placement without a fretboard of its own, the semitones that
// transpose it. 1 when an index changed.
int16_t CalculeDiagrammesAccordsPortee(Portee** staff);

// Draws the placements that lie in firstTime..lastTime and meet the clip;
// xOffset as for other staff objects (negative: on the piano roll).
void AfficheDiagrammesPortee(Portee** staff, const Rect* clip, int32_t xOffset, int32_t firstTime, int32_t lastTime);

// Draws the diagram an index names (the score's chord table, or from
// kIndexDiagrammesPortee the staff's own list) transposed by `shift`; a
// missing one when the index names none.
void AfficheDiagrammeAccordPortee(Portee** staff, int32_t index, int16_t shift, const Rect* rect, bool showName,
                                  int16_t gridColour, int16_t dotColour, int16_t nameColour, int16_t minTextSize);
