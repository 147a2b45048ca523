#pragma once
// Targets (rehearsal points) of a score: a named bar that may be shown with
// an automatic label, a running number or a running letter.
#include "platform/PlatformTypes.h"

struct Document;
struct Partition;

struct Cible {
  char nom[256];  // UTF-8
  uint16_t mesure;
  uint8_t sansLibelle;  // no automatic label, and not counted when labels are numbered
};

// Label kinds; any other kind shows the target's name.
enum : uint16_t { kLibelleCibleNumero = '#', kLibelleCibleLettre = 'A' };

int16_t GetNbCibles(Partition** score);
// Appends a target at a bar of the current score; its index, or -1.
int16_t CreeCible(Document* document, int16_t bar);
// The first target of the current score at the bar; -1 when none.
int16_t CvtMesureEnCible(Document* document, int16_t bar);
// The label of the labelled target at the bar of a tick (at least 32 bytes
// of text, the name cut to 255 bytes); 1 when written, 0 when none is there.
int16_t CalculeLibelleCible(Document* document, uint16_t kind, int32_t tick, char* out);
int16_t CalculeLibelleCiblePartition(Partition** score, uint16_t kind, int32_t tick, char* out);
// With automatic labels on, deletes every staff text holding a "$!" code.
void CreeLibellesCiblesAutomatiques(Document* document);
void InitLibelleCiblePartition(Partition** score);
// Reads a stored list from the document byte stream: null for a count of 0
// (or less), and null with the stream marked at its end when it cannot be read.
Handle ReadCibles();
void DisposeCibles(Partition** score);
// Bars firstBar .. firstBar + count - 1 were deleted: their targets go, later
// ones move down with their bars.
void AjusteCiblesQuandDeleteMesures(Partition** score, int16_t firstBar, int16_t count);
