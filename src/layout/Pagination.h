#pragma once
// Pagination: the printed bars of the current score broken into justified
// music systems, the non-empty staves of each system stacked, pages started,
// titles, lyric text pages, headers, footers and free objects placed, and the
// systems spread over the free height of their pages. The layout bar table
// (screen mode 3) receives the positions and the system, page and line
// starts; the score's pages (layout/DonneesMiseEnPage.h) receive the rest.
#include "layout/DonneesMiseEnPage.h"
#include "platform/PlatformTypes.h"
#include "platform/Printing.h"

struct Document;
struct Partition;
struct Portee;

// Bytes of a staff's used-bars table, one per bar (and one more).
enum : uint8_t {
  kMesureRepetee = 1,      // a repeat-bar sign, when multi-bar repeats are asked
  kMesureNotes = 2,        // something sounds in the bar
  kMesureObjet = 4,        // a text, dynamic, key, clef or time change starts in the bar
  kMesureTexteDollar = 8,  // a text starting with '$' starts in the bar
};

// Lays the current score out for one page setup and one print resolution
// (`printInfo`: resolutions and the paper rectangle, already divided by the
// setup's scale). Replaces the score's pages and its layout bar table; the
// screen mode, display parameters and port are left as they were. 1 always;
// nothing without a current score.
int16_t MetsEnPageDocument(Document* document, MiseEnPage* setup, const PrInfo* printInfo);

// The staff's used-bars table (model field usedBars), built from its notes,
// texts, dynamics and key table; with grouping bit 2 a repeat-bar sign counts
// as kMesureRepetee instead of kMesureNotes.
void CalculeTabMesureUtiliseesPortee(Partition** score, Portee** staff, uint8_t grouping);

// Whether the line of staff `index` (the staff and the staves merged into it)
// is shown in a system of bars [start, end) with the setup's hiding rules;
// emptyLine tells that it is shown only for its '$' texts (height 4).
bool IsLignePorteeNonVide(MiseEnPage* setup, Partition** score, int16_t index, int16_t start, int16_t end,
                          bool* emptyLine);
