#pragma once
// What the preview service and a generator plug-in agree on: the plug-in
// library's one exported factory, the identifiers it answers to, and the
// table of calls an instance hands out. Shared by the host and the plug-in.
#include <cstdint>
#include <cstring>

#include "platform/QLRequest.h"

struct QLUUID {
  uint8_t bytes[16];
};
inline bool operator==(const QLUUID& a, const QLUUID& b) { return std::memcmp(a.bytes, b.bytes, 16) == 0; }

// Parses "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX" (either case); false otherwise.
inline bool QLUUIDFromString(const char* s, QLUUID* out) {
  if (!s || !out) return false;
  int n = 0;
  for (int i = 0; s[i]; i++) {
    if (s[i] == '-') continue;
    int v;
    if (s[i] >= '0' && s[i] <= '9') v = s[i] - '0';
    else if (s[i] >= 'a' && s[i] <= 'f') v = s[i] - 'a' + 10;
    else if (s[i] >= 'A' && s[i] <= 'F') v = s[i] - 'A' + 10;
    else return false;
    if (n >= 32) return false;
    if (n % 2 == 0) out->bytes[n / 2] = uint8_t(v << 4);
    else out->bytes[n / 2] |= uint8_t(v);
    n++;
  }
  return n == 32;
}

// The generator type the factory answers for, and the callbacks interface.
constexpr const char* kQLGeneratorTypeID = "5E2D9680-5022-40FA-B806-43349622E5B9";
constexpr const char* kQLGeneratorCallbacksInterfaceID = "865AF5E0-6D30-4345-951B-D37105754F2D";
// The base interface every plug-in object knows; generators do not answer it.
constexpr const char* kQLUnknownInterfaceID = "00000000-0000-0000-C000-000000000046";

constexpr int32_t kQLNoInterface = int32_t(0x80000004u);

typedef int32_t (*QLGenerateThumbnailProc)(void* instance, QLRequest* thumbnail, const char* url,
                                           const char* contentType, const void* options, QLSize maxSize);
typedef void (*QLCancelThumbnailProc)(void* instance, QLRequest* thumbnail);
typedef int32_t (*QLGeneratePreviewProc)(void* instance, QLRequest* preview, const char* url, const char* contentType,
                                         const void* options);
typedef void (*QLCancelPreviewProc)(void* instance, QLRequest* preview);

// The interface table: eight slots in this order.
struct QLGeneratorInterface {
  void* reserved;
  int32_t (*QueryInterface)(void* instance, QLUUID iid, void** out);
  uint32_t (*AddRef)(void* instance);
  uint32_t (*Release)(void* instance);
  QLGenerateThumbnailProc GenerateThumbnailForURL;
  QLCancelThumbnailProc CancelThumbnailGeneration;
  QLGeneratePreviewProc GeneratePreviewForURL;
  QLCancelPreviewProc CancelPreviewGeneration;
};

// The exported factory: an instance (whose first field points at its
// interface table) for the generator type, else null.
typedef void* (*QLPluginFactoryProc)(void* allocator, const QLUUID* typeID);
constexpr const char* kQLFactoryName = "QuickLookGeneratorPluginFactory";
