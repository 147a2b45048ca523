#pragma once
// Voice files, fragments and presets. The preset loading the model calls is
// declared in sound/ServicesSon.h.
#include "sound/ServicesSon.h"
