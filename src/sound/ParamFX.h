#pragma once
// Sound-effect settings: their defaults, and effect presets, tagged text held
// in a memory block (sections "DebutParamFx" ... "DebutFinParamFx") that the
// sound base reads for its standard instruments.
// SetDefaultFX, which the model calls, is declared in sound/ServicesSon.h.
#include "platform/PlatformTypes.h"
#include "sound/DonneesFX.h"
#include "sound/ServicesSon.h"

// Zeroes the settings and gives each effect its default.
void SetDefaultParamFX(ParamFX* block);

// Reads the presets of a memory block, one after the other into the same
// object, and copies the settings out. False without a block; the tagged
// reader forgets the block afterwards.
bool ChargeFXTagParamMem(Handle block, ParamFX* out);

// Key handlers of the preset text: the object's keys (context: an FX), and
// one per section (context: its ParamFX).
bool LoadTraiteFx(char* word, void* record);
bool LoadResonateurFixe(char* word, void* block);
bool LoadResonateurLfo(char* word, void* block);
bool LoadResonateurWah(char* word, void* block);
bool LoadDistorsion(char* word, void* block);
bool LoadOverdrive(char* word, void* block);
bool LoadFlanger(char* word, void* block);
bool LoadEqualizer(char* word, void* block);
bool LoadPanningFixe(char* word, void* block);
bool LoadPanningLFO(char* word, void* block);
bool LoadReverbDelai(char* word, void* block);
bool LoadReverbDelaiMult(char* word, void* block);
bool LoadReverb(char* word, void* block);
