#pragma once
// Numbered sample streams.
#include "platform/PlatformTypes.h"

// Releases a sample stream; 0 names none. Returns 1.
int16_t DisposeFlux(int32_t id);
