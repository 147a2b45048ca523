#pragma once
// Voice files, fragments and presets.
#include "platform/PlatformTypes.h"

struct VoixParam;

// Loads an expression preset (a path relative to the voices folder) into a
// voice parameter block.
bool DoChargeExpressionVoix(const char* path, VoixParam* parameters);
