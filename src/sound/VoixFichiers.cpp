#include "sound/VoixFichiers.h"

bool DoChargeExpressionVoix(const char*, VoixParam*) { return false; }
