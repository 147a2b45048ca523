#pragma once
// The effects runtime of the digital output: one effects channel per staff
// and a master channel, each with a time-ordered list of commands that the
// audio processing applies as playback goes. Set up only with the digital
// output, which a preview never starts.
#include "sound/DonneesInstrument.h"

struct Partition;
struct ParamDigit;

// The instrument whose effect settings a staff without its own takes.
extern Instrument instrumentDefaut;
void SetInstrumentDefautPourFx(const Instrument* instrument);

// Rebuilds every channel for the score and the output parameters; false
// (nothing kept) on failure.
bool InitFX(Partition** score, const ParamDigit* parameters);
void DisposeFX();
