#pragma once
// Resource Manager stand-in: an in-process store keyed by (type, id).
#include "platform/PlatformTypes.h"

// A new ordinary handle holding a copy of resource (type, id), searched in every
// open resource file or, with currentFileOnly, in the current one; null when
// the resource is absent or the copy cannot be allocated.
Handle PlatformGetResourceCopy(ResType type, int16_t id, bool currentFileOnly);
