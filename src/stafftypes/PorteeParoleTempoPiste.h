#pragma once
// Lyrics (type 3), tempo (type 4) and digital audio track (type 10) staff
// types. Their installers are declared in stafftypes/ServicesTypesPortee.h.
#include "stafftypes/ServicesTypesPortee.h"

struct Partition;
// Old documents kept notes on the tempo staff under its events: they become
// rests.
void SupprimeNotesPorteeTempoSousEvenements(Partition** score);

struct Rect;
// The waveform of count samples across rect, one vertical line per pixel
// column from the column's lowest to its highest sample.
void TraceDataDansAire(const int32_t* samples, int32_t count, const Rect* rect);
// One cell of a track: bar `bar` as played at `playedBar`, in row `row`.
void AfficheDataMesurePisteNumerique(Partition** score, Portee** staff, int32_t bar, int32_t playedBar, int32_t row,
                                     int32_t xOffset);
void AfficheMarqueursPisteNumeriques(Partition** score, Portee** staff);
