#pragma once
// Numbered sample streams. Their release, which the model calls, is declared
// in sound/ServicesSon.h.
#include "sound/ServicesSon.h"
