#pragma once
// Playback position and stop: the score being played, the position in
// ticks, stopping every note and playback itself, and the release of the
// playback tables. Nothing ever plays in the plug-in, so no score is ever
// the one playing. The state the model asks for is declared in
// sound/ServicesSon.h.
#include "platform/PlatformTypes.h"
#include "sound/ServicesSon.h"

struct Document;

// The position in ticks; -1.0 when stopped.
extern double PosTickInstant;
extern double PosTick;
extern Partition** partitionEnCours;
extern Document* dialogPartitionEnCours;

// Playback bookkeeping: a kind, a buffer and a count. Released tables take
// the kind kTableLiberee.
struct TableJeu {
  int16_t type;
  Handle tampon;
  int32_t nb;
};
constexpr int16_t kTableLiberee = 17;
extern TableJeu TabCircTick;
extern Handle TabActivite;  // TableJeu entries
extern int32_t nbVoixActivite;
extern TableJeu TabActiviteGenerale;

float GetPosTickInstant();
// The document being played; none in the plug-in.
Document* GetDialogMusiqueEnCours();
// Stops every note of every staff's device, empties their held notes and
// lifts their pedals.
void ForceArreteToutesNotes(Partition** score);
// The sounding pitch (written + transposition) and the scaled velocity; a
// pitch outside 0..127 silences the note (velocity 0).
void ReajusteNoteVelocite(int16_t* pitch, int16_t* velocity, int16_t transposition, int16_t offset, int16_t factor);
void LibereTabCircTick();
