#pragma once
// MXL containers: a zip file whose score member is named by
// META-INF/container.xml.
#include "platform/PlatformTypes.h"

// The score member's bytes in a new handle, or null.
Handle LoadMXL(const char* zipPath);
