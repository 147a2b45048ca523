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

// The largest member extracted (128 MiB by default). A member may also grow
// to no more than 100 times its container's size on disk (8 MiB whatever the
// container). The member is inflated block by block and its real size counted:
// one that declares or inflates to more is refused before it can exhaust
// memory. Returns the previous cap; tests lower it.
Size SetTailleMaxMembreZip(Size bytes);

// Why the last LoadMXL gave nothing, in one line (empty after a success).
const char* GetRaisonEchecMXL();

// Member names are held in 255 bytes, terminator included.
constexpr int kMXLNameSize = 255;
