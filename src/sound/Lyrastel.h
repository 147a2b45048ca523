#pragma once
// Singing-voice parameters of staves: the staff's voice parameter block and
// its fragments (sound/DonneesVoix.h), their reading from a staff's voice
// section of a native document, and the marks that ask for a new synthesis.
// The singing engine is never present here: nothing is sung. What the model
// and the lyrics language detection call is declared in sound/ServicesSon.h.
#include <cstdint>

#include "platform/PlatformTypes.h"
#include "sound/DonneesVoix.h"
#include "sound/ServicesSon.h"

// Bit 0: the singing engine is installed (never in the plug-in).
extern uint32_t lyrastelInstalle;

// Reads the staff's voice section of a native document (documents from
// version 0x730 on have one in every staff record): 1 when read, 0 when the
// stream ended or a length in it is damaged (the stream is then marked ended).
// What was read stays with the staff, which frees it with the rest.
int16_t ReadParamsLyrastel(Portee** staff);

// The singing instruments: 5201, 5210 to 5260 by tens, 5270 to 5274.
bool IsIDInstrumentLY(int32_t id);

// Copies the record; the destination gets its own fragments and spectra (its
// previous fragments, if any, are the caller's to free first).
void DupliqueVoixParam(const VoixParam* source, VoixParam* destination);
// Free the spectra and the fragment handle (the two record forms also clear
// the record's field).
void LibereVoixParam(VoixParam* parameters);
void DisposeFragmentsUser(VoixParam* parameters);
void LibereFragmentsVoix(Handle fragments);
// Appends a copy of the fragment, with its own copy of the spectrum; false
// when memory fails (nothing is appended).
bool AddFragmentPtrToFragmentHandle(const Fragment* fragment, Handle fragments);
// Frees the spectrum of a spectrum-form fragment and clears the pointer.
void DisposeDataFragment(Fragment* fragment);
// Gives a spectrum-form fragment nbSpectre x tailleSpectre zeroed values (a
// spectrum it had is freed first); false for the other form, for counts of 0
// or less and when memory fails (the fragment then has no spectrum).
bool AlloueCantovoxParam(Fragment* fragment);
// Rounds every spectrum value to floor(x + 0.5).
void RoundFloatSpectre(Fragment* fragment);
// Fills the fragment's spectrum from a Rice-coded block of `length` bytes:
// a 32-bit length L and the first run (row 0), then, for two rows or more, a
// 32-bit word and the run of the other rows, each value predicted from its
// neighbours. The result is L; 0 when the fragment has no spectrum or the
// block does not hold its runs (the spectrum is then left zeroed).
int32_t CvtBlockPackeEnSpectreCV(const uint8_t* block, int32_t length, Fragment* fragment);

// The staff's default voice: its language from its lyrics (3 when none is
// found), the default record and an octave offset from its notes' middle
// pitch; false, and the sung byte cleared, for a staff that is not sung, and
// false for a staff whose voice was already set up.
bool LyrastelCalculeDefautPortee(Portee** staff);
// With the singing engine only: gives every sung staff of the score its
// default voice and, when asked, the sung staves the foreground.
bool LyrastelAdapteDocument(Partition** score, bool adaptVolumes);

// Release of the singing engine's run-time buffers at playback stop. The
// engine never runs here, so none is ever held.
void LibereLyrastel();
void CantovoxDisposeSynthesis();
void DisposeCantovoxRuntime();
void parwave_dispose();
