#pragma once
// The score's tempo curve: the tempo (quarters per minute) at any tick,
// rebuilt from the tempo staff's notes, the tempo marks of the other staves
// and the fermatas, in that order.
#include "platform/PlatformTypes.h"

struct Dynamique;
struct Partition;
struct Portee;

// One point of the curve (a list in a handle, by tick). Ticks are multiples
// of 2520, but for the points one tick before a fermata's start and end.
struct PointTempo {
  int32_t temps;
  float tempo;
  uint8_t rampe;  // the tempo moves linearly from here to the next point
  uint8_t reserve[3];
};

// The curve samples ticks in steps of a 64th note.
constexpr int32_t kPasCourbeTempo = 2520;

// The curve's points, or null; *count gets their number.
PointTempo* GetPointsCourbeTempo(Partition** score, int32_t* count);
// The tempo at a tick: 120 without a score, the score's own tempo before the
// first point. Builds the curve when the score has none.
float CvtTempsEnTempo(Partition** score, int32_t tick);
void CreeCourbeTempo(Partition** score);
void PrepareDynamiquesTempoPartition(Partition** score);
void AjouteNotesDynamiquesTempo(Partition** score);
void DeleteNotesDynamiquesTempo();
void ClearCourbeTempo(Partition** score);
// The score's first tempo staff, or null.
Portee** LocalisePorteeTempo(Partition** score);
void AddFixedTempoPoint(Partition** score, int32_t tick, float tempo);
void AddSmoothTempoPoint(Partition** score, int32_t start, int32_t end, float startTempo, float endTempo);
// A tempo mark's tempo in quarters per minute, and a tempo stored into a
// mark as integer and hundredths (held to 1..5000).
float CvtDynamiqueEnTempoALaNoire(const Dynamique* record);
void InjecteTempoDansDynamique(Dynamique* record, float tempo);
// Adds a tempo mark to the staff (the score's first staff when null); its
// index, or NewDynamique's negative result.
int32_t AjouteObjetTempo(Partition** score, Portee** staff, int32_t tick, float tempo);
