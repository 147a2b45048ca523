#include "sound/VoixFichiers.h"

bool DoChargeExpressionVoix(const char*, Ptr) { return false; }
