#pragma once
// Voice files ("prv"): a voice parameter block and its fragments as tagged
// text (sections "DebutParamVoix" ... "FinParamVoix", fragments
// "DebutFragment" ... "FinFragment"), the packed text their spectra may be
// stored in, and the predefined voices of the singing-voice folder, chosen by
// singing instrument. The plug-in never sets that folder, so presets find no
// file. DoChargeExpressionVoix, which the model calls, is declared in
// sound/ServicesSon.h.
#include <cstdint>
#include <cstdio>

#include "platform/PlatformTypes.h"
#include "sound/DonneesVoix.h"
#include "sound/ServicesSon.h"

struct Portee;

// Velocity settings of the last voice file read; -1 when it gave none.
extern float GlobalCoeffVelociteWeak;
extern float GlobalCoeffVelociteStrong;
extern float GlobalEfficaciteVelociteNotes;
// Byte count of the next Rice-packed spectrum of the voice file being read.
extern int32_t lastTailleRice;

// Key handlers: of a "DebutParamVoix" section (context: the VoixParam), of a
// fragment section (context: the Fragment) and of a parameter-table row
// (context: its kNbValeursPrm floats). All answer true.
bool TagLoadTraiteParamVoix(char* word, void* record);
bool TagLoadTraiteFragment(char* word, void* fragment);
bool TagLoadTraiteParamFragment(char* word, void* row);

// n bytes from packed text: exactly (8n + 5) / 6 characters, read raw from
// the character after the keyword, each carrying 6 bits ("0"-"9", "A"-"Z",
// "a"-"z", "-", "+"), most significant first. False, with the buffer
// zeroed, when the source has fewer characters or one is not of the set.
bool TagReadPackedBlock(void* buffer, int32_t n);

// Opens a voice file. A path that starts with a colon is relative to the
// current folder, its further colons separating folders; any other path is
// used as it stands. Null when the file cannot be opened.
FILE* LyrastelOpenVoiceFile(const char* path, const char* mode);

// Loads the predefined voice of a singing instrument from the singing-voice
// folder into the staff's record (its fragments are freed first) and marks
// the staff to compute; nothing for another instrument. A missing file is
// reported.
void DoChargePredefVoix(Portee** staff, int32_t instrumentId);

// A voice of the singing engine at run time, with the fragments it sings.
struct VoixChanteur {
  int32_t nbFragments;
  Handle fragments;  // Fragment records
};
// Frees the voice's fragments and clears its count and handle.
void DisposeVoixChanteur(VoixChanteur* voice);
