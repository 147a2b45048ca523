#pragma once
// SHARED(services): the calls the layers below sound make into it (the model
// above all): the instrument table, sample streams, playback state, digital
// audio tracks, singing-voice parameters and voice files. Nothing ever plays
// in the plug-in. Each group says which file defines it.
#include "platform/PlatformTypes.h"
#include "sound/DonneesVoix.h"

struct FX;
struct Partition;
struct Portee;

// The instrument table (SINSTRUM.cpp).
// Appends (or reuses) a record with the defaults; its index, negative on failure.
int16_t AjouteInstrument(Partition** score);
// How many staves of the score play the instrument.
int16_t InstrumentUtiliseCombienDeFois(Partition** score, int16_t index);
void SetNomInstrument(Partition** score, int16_t index, const char* name);
// Frees the instrument records and their sounds; count 0.
void DisposeInstruments(Partition** score);

// Numbered sample streams (Flux.cpp).
// Releases a sample stream; 0 names none. Returns 1.
int16_t DisposeFlux(int32_t id);

// Playback position and stop (Lecture.cpp).
bool IsPartitionMusiqueEnCours(Partition** score);
void ArreteMusique(int16_t flag);

// Digital audio tracks (PisteNumerique.cpp).
uint32_t GetSampleRatePisteNumerique(Portee** staff);
uint32_t GetLengthPisteNumerique(Portee** staff);

// Singing-voice parameters of staves (Lyrastel.cpp).
bool IsPorteeLyrastel(Portee** staff);
bool IsLyrastel();
// The default image over the record (whose fragments the caller has freed).
void SetDefautVoixParam(VoixParam* parameters);
// Frees the staff's fragments and voice parameter block and clears its field.
void DisposeLyrastelPortee(Portee** staff);
// Marks the staff's singing output to be recomputed after its notes changed.
void LyrastelPorteeACalculer(Portee** staff);
// Marks every sung staff of the score for a new synthesis (after the tempo
// or the bars changed); true when one was marked.
bool LyrastelPartitionACalculer(Partition** score);

// Voice languages (LanguesVoix.cpp).
// The voice language id at an index of the installed language table; 0 for
// an index beyond it (the plug-in installs no language).
uint16_t LYGetLanguageIDByIndex(int32_t index);

// Voice files, fragments and presets (VoixFichiers.cpp).
// Reads a voice file into a voice parameter block (its fragments are freed
// first); a path that starts with a colon is relative to the current folder.
bool DoChargeExpressionVoix(const char* path, VoixParam* parameters);

// Sound-effect settings (ParamFX.cpp).
// A new sound-effect object: zeroed, shown, named in font 3 bold at 9 points,
// with the default settings.
void SetDefaultFX(FX* record);
