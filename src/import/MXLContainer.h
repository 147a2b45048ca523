#pragma once
// MXL containers: a zip file whose score member is named by
// META-INF/container.xml (first rootfile's full-path), else the container's
// own file name with the extension "xml".
#include "platform/PlatformTypes.h"

// The score member's bytes in a new handle, or null.
Handle LoadMXL(const char* zipPath);

// A member's bytes in a new handle; null when the zip cannot be opened, the
// member is absent, encrypted, larger than the member cap, or fails to
// extract (including a checksum mismatch). A folder member gives an empty handle.
Handle UnzipFile(const char* zipPath, const char* memberName);
void DisposeZipHandle(Handle h);

// The largest member extracted (256 MiB by default): members that declare or
// inflate to more are refused before they can exhaust memory. Returns the
// previous cap; tests lower it.
Size SetTailleMaxMembreZip(Size bytes);

// Member names are held in 255 bytes, terminator included.
constexpr int kMXLNameSize = 255;
