#pragma once
// Singing-voice parameters of staves.
#include "platform/PlatformTypes.h"

struct Portee;
// The singing-voice parameter block of a staff (kTailleVoixParam bytes).
struct VoixParam;

// Size of a staff's voice parameter block.
constexpr Size kTailleVoixParam = 3512;

bool IsPorteeLyrastel(Portee** staff);
bool IsLyrastel();
void SetDefautVoixParam(VoixParam* parameters);
// Frees the staff's singing data and clears its field.
void DisposeLyrastelPortee(Portee** staff);
// Marks the staff's singing output to be recomputed after its notes changed.
void LyrastelPorteeACalculer(Portee** staff);
// The voice language id at an index of the installed language table; the
// plug-in installs no language, so every index is beyond the table: 0.
uint16_t LYGetLanguageIDByIndex(int32_t index);
