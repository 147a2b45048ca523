#pragma once
// Deleting or clearing a range of bars across a whole score: notes and every
// list placed by bar or by time follow, inside one preserve/restore of the
// objects anchored to notes. Also the bar a repeat-bar sign repeats.
#include "platform/PlatformTypes.h"

struct Partition;
struct Portee;

// What a deletion takes away (the `what` mask).
enum : uint32_t {
  kDeleteNotes = 0x1,  // notes and curves (and a digital track's bars)
  kDeleteTextes = 0x2,
  kDeleteDiagrammes = 0x10,
  kDeleteGraphiques = 0x20,
  kDeleteDynamiques = 0x40,
  kDeleteFXs = 0x80,
  kDeleteRuptures = 0x200,
  kDeleteTonalites = 0x800,  // key and clef changes
  kDeleteTout = 0xFFFFFFFFu,
};

// Deletes bars atBar .. atBar + count - 1 (cut at the last bar) from the
// staves of the score's selected staff range (inSelection) and from the others
// (inOthers). withBars removes the bars' rows as well; without it the bars
// stay and the music after the range moves into them (clearing).
void DoDeleteMesures(Partition** score, int16_t atBar, int16_t count, bool inSelection, bool inOthers, uint32_t what,
                     bool withBars);

// The bar whose notes a bar holding a repeat-bar sign (one or two bars) plays.
int16_t AjusteNumeroMesureSelonRepeteDerniereMesure(Portee** staff, int16_t bar);
// Removes the volatile staves made for repeat-bar signs.
void SupprimePorteesVolatilesRepeteDerniereMesure(Partition** score);
