#pragma once
// Digital audio tracks. What the model asks of a track is declared in
// sound/ServicesSon.h.
#include "sound/ServicesSon.h"
