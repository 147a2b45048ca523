#pragma once
// Beam links drawn across positions and staves: their default beam counts and
// the re-ordering of a chain of linked notes.
#include "platform/PlatformTypes.h"

struct DataAccroche;
struct Portee;
struct Signe;

// Default beam counts of the link from note A to note B, written into the
// shape part of the link's block.
void CalculeNbBarresDefautLiaisonAccroche(Portee** staffA, int32_t noteA, Portee** staffB, int32_t noteB,
                                          DataAccroche* data);
// Re-orders the chain holding the note by x; 0 when there is no chain.
int16_t ReclasseLiaisonsAccroche(Portee** staff, int32_t index);
// The note, or the record before it, carries the chord-member flag.
bool IsNoteInAccord(const Signe* notes, int32_t index);
