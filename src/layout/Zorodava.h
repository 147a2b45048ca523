#pragma once
// The spacing engine (Zorodava): every onset of a bar placed in spacing
// columns, whose distances depend on the durations between them and on what
// stands at them (accidentals, grace notes, lyrics); a bar's natural width in
// space units, the x of its notes, optionally its scale; and the conversions
// between times and x through the columns. Its settings and the column record
// are in layout/DonneesZorodava.h; what the layers below call of it is
// declared in layout/ServicesMiseEnPage.h.
#include "layout/DonneesZorodava.h"
#include "layout/ServicesMiseEnPage.h"
#include "platform/PlatformTypes.h"

struct Partition;

// The columns of the last bar computed or loaded: a process array that grows
// by 100 and is never released.
extern Taquet* tabTaquet;
extern int16_t nbTaquets;
extern int16_t nbMaxTaquet;

// Clears a setup and writes the factory values (the engine off).
void SetZorodavaUsine(ZorodavaSetup* setup);
// Space after a duration: the widths of the two note values around it,
// interpolated (whole and 64th widths outside them).
int32_t CvtDureeNoteEnSpaceUnit(const ZorodavaSetup* setup, int32_t duration);
// Finds the column of a time (and staff key with perStaff, searching from
// `from` on; none searched when from is out of range) or appends one; its
// index, 0 when the array could not grow.
int16_t AjoutePositionTaquet(int32_t time, uint16_t key, uint8_t perStaff, int16_t from);
// Fills tabTaquet with the bar's columns, writes the x of its notes, its
// natural width and (scaleBars) its scale. Returns the first bar the next bar
// must scan from: the earliest bar of a note that sounds past this bar's end,
// else bar + 1.
int32_t CreeTaquetsZorodavaMesure(Partition** score, int32_t bar, int32_t firstBar);
// Loads the bar's columns into tabTaquet, from the score's cache or by
// computing them (the bar clamped to the cache).
void GetCachedZorodavaTaquets(Partition** score, int32_t bar);

// The x offset inside the bar of a time dt ticks after its start, the bar
// drawn `width` pixels wide; the ribbon table's natural width with useRibbon,
// else the current screen table's.
int32_t ZorodavaCalculePosGraphiqueIntermediaire(Partition** score, bool useRibbon, int32_t bar, int32_t dt,
                                                 float width);
// Ticks from the bar's start at a fraction (0 to 1) of its width.
int32_t ZorodavaCalculePosTempsIntermediaire(Partition** score, Handle rows, int32_t bar, float fraction);
// Puts a pair in a bar's sorted list: an equal offset keeps the larger x,
// otherwise the pair goes after the last smaller offset and the count grows.
void InsereZorodavaPosDansHandle(ZorodavaPos pair, Handle list, int32_t* count);
// Reads the score's setup when the document is recent enough to hold one.
void ReadZorodavaSetup(Partition** score);
