#pragma once
// Staff-height events: per-bar settings of a staff that layout reads when it
// builds systems and pages, at most one per kind and bar.
#include "platform/PlatformTypes.h"

struct Partition;
struct Portee;

struct StaffHeightEvt {
  uint32_t kind;  // a character code ('G', 'P', 'A', 'L', ...)
  int16_t index;  // the bar the event holds for
  int32_t value;  // for 'L', a mask of lyric passes in the low 16 bits
};

// Bytes of one event in a document.
constexpr int32_t kTailleStaffHeightEvtFichier = 8;

int32_t GetNbStaffHeightEvts(Handle events);
StaffHeightEvt* GetStaffHeightEvts(Handle events);

// Reads a list from the document stream: null for a count of 0, and null with
// the stream marked at its end when the count is damaged or the bytes run out.
Handle ReadStaffHeightEvts();
void DisposeStaffHeightEvts(Portee** staff);
// Value of the first event of the kind whose bar lies in lo..hi; 0 when none.
int32_t ExtractStaffHeightEvt(Portee** staff, uint32_t kind, int16_t lo, int16_t hi);
// Sets the event of this kind and bar, appending it when absent.
void SearchEventAndCreate(Portee** staff, uint32_t kind, int16_t index, int32_t value);
// Sets the event for every bar from..to; except for 'P' and 'A', on the staves
// merged after this one as well.
void AddEventStaffHeighRange(Portee** staff, uint32_t kind, int16_t from, int16_t to, int32_t value);
// Sets the event of this kind for the bars from..from+count-1 whose `set`
// byte is not 0, each to its own value, on this staff only, in one pass over
// its list.
void AddEventsStaffHeightParMesure(Portee** staff, uint32_t kind, int16_t from, int16_t count, const int32_t* values,
                                   const uint8_t* set);
void AjusteStaffHeightEvtQuandInsereMesures(Partition** score, int16_t atBar, int16_t count);
void AjusteStaffHeightEvtQuandDeleteMesures(Partition** score, int16_t atBar, int16_t count);
// After loading: drops events outside the bars and the lyric-pass events.
void CheckStaffHeightEventsPartition(Partition** score);
