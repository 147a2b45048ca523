#pragma once
// Chord names: chord definitions turned into chord symbols and back, their
// pitches, and the staff diagram that a definition names. What the model
// calls is declared in notation/ServicesNotation.h.
#include "model/Accords.h"
#include "notation/ServicesNotation.h"

// The chord symbol of a definition.
void CreeNomAccord(const DefAccord* chord, char* dst);
// The definition of a chord given by its degree pitches (-1 absent), its root
// spelled in the key.
void CvtAccordAbsoluEnDefAccord(int32_t neck, const Tonalite* key, const int16_t pitches[5], DefAccord* out);

// Diagram lookup. An index from kIndexDiagrammesPortee on addresses the
// staff's own diagrams (index - kIndexDiagrammesPortee), a lower one the
// score's chord table, the library its documents and imports fill.
constexpr int32_t kIndexDiagrammesPortee = 10000;
// The distance answered when no diagram shows the chord's degrees.
constexpr int16_t kDistanceDiagrammeAucune = 9999;

// The diagram of a list (a handle of DiagrammeAccord records) that shows the
// chord: an exact match (degrees and root, or the chord's own name), else the
// one with the same degrees whose root is nearest; `distance` receives the
// semitones from its root to the chord's (0 for an exact match). With
// `fingering`, only fingering diagrams rooted on the lowest string count.
// -1 when none.
int32_t CvtDefAccordEnIndexDiagramme(Handle diagrams, const DefAccord* chord, int16_t* distance, bool fingering);
// The staff's diagram of that name first, then the score's chord table, then
// the staff's list; the index is in the form above.
int32_t CvtDefAccordEnIndexDiagrammePortee(Portee** staff, const DefAccord* chord, int16_t* distance, bool fingering);
// Copies the diagram an index of that form names; false when out of range.
bool CvtIndexEnDiagrammeEditPortee(Portee** staff, int32_t index, DiagrammeAccord* out);
// The chord's name transposed by a number of semitones, spelled in the key
// (null: C major); dst holds at least 64 bytes. A chord named by its own text
// keeps it.
void CvtDefAccordToStrDemiTon(const DefAccord* chord, char* dst, const Tonalite* key, int16_t semitones);
