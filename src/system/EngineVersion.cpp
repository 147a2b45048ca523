#include "system/EngineVersion.h"

const char* EngineVersion() { return TAMREL_VERSION; }
