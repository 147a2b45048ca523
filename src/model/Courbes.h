#pragma once
// Curves of a staff (and of a score): reading them from documents, their
// value at a tick, adding points, cutting time ranges out of them, and the
// value that playback applies for a controller kind. A staff holds its
// curves back to back in a handle (the count is the handle's size over the
// record's); each curve holds its points in a handle of its own.
#include "model/DonneesCourbes.h"
#include "platform/PlatformTypes.h"

struct Partition;
struct Portee;

// The curves of a list and their count (bounded by the handle); null when none.
Courbe* GetCourbes(Handle list, int32_t* count);
// The staff's curve at an index, or null.
Courbe* GetCourbePortee(Portee** staff, int32_t index);

// Reads a stored curve list from the document stream: each curve is a kind
// (0 ends the list), its limits, flags, name and points. Null when the list
// is empty; also null, with the stream marked at its end and nothing kept,
// when the stream ends inside the list or a point count cannot be true.
Handle ReadCourbes();

// Inserts a point at the tick, or replaces the value of the point already
// there (keeping its end flag); the value is held within the curve's limits.
// The point's index, or -1 when the curve does not exist or cannot grow.
int32_t AddValeurCourbe(Portee** staff, int32_t index, int32_t tick, int16_t value, uint8_t endFlag);
// The curve's value at a tick: its constant when it has one; otherwise,
// before its first point, past its last point of an interpolating curve and
// over a segment's end, there is none (false).
bool ExtraitValeurCourbe(Portee** staff, int32_t index, int32_t tick, int16_t* value);
bool ExtraitValeurCourbePtr(const Courbe* curve, int32_t tick, int16_t* value);

// The value in force of a kind in an interpretation record, or
// kCourbeSansValeur for a kind without a slot.
int16_t SaisieValeurInterpreteCourbe(const InterpreteCourbe* record, uint32_t kind);
// The value playback applies for a kind over a base value: the staff's
// interpretation, else the score's, scaled by kind; the base when neither is
// active or neither publishes the kind.
int32_t CalculeValeurCourbeAAppliquer(Partition** score, Portee** staff, uint32_t kind, int32_t base);

// Cuts [t0, t1) out of every curve of the staff; with keep, the points of the
// range gather at t0 instead of going. The curve resumes after the cut with
// the value it had at t1.
void DeleteTimeRangeCourbes(Portee** staff, int32_t t0, int32_t t1, uint8_t keep);
// The same over `count` bars from `bar`, without keep.
void DeleteMesureCourbes(Portee** staff, int32_t bar, int32_t count);

// Frees one curve and takes it out of the list (the list goes with its last curve).
void DisposeCourbeIndex(Portee** staff, int32_t index);
// Frees every curve of a list and the list; the handle is cleared.
void DisposeListeCourbes(Handle* list);
void DisposeCourbes(Portee** staff);
