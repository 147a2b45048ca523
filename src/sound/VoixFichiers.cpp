#include "sound/VoixFichiers.h"

// SEAM(sound): voice presets are not read yet (only a singing product calls this).
bool DoChargeExpressionVoix(const char*, VoixParam*) { return false; }
