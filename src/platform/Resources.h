#pragma once
// Resource Manager stand-in: an in-process store keyed by (type, id).
//
// The store is filled from tables compiled in here (the string lists the engine
// reads) and by start-up code that builds resources of its own (PlatformAddResource).
// There is one resource file, the application's; resource files of documents do
// not exist on this platform, so opening one fails.
//
// A resource is loaded by GetResource into a handle the store owns; it stays
// loaded (the same handle comes back) until ReleaseResource disposes it or
// DetachResource hands it to the caller.
#include "platform/PlatformTypes.h"

enum : OSErr {
  resFNotFound = -193,
};

constexpr ResType kTypeSTR = FourCC("STR#");
constexpr int16_t kFichierRessourceApplication = 1;

Handle GetResource(ResType type, int16_t id);
Handle Get1Resource(ResType type, int16_t id);  // the current resource file only
void ReleaseResource(Handle h);
void DetachResource(Handle h);
OSErr ResError();

int16_t CurResFile();
void UseResFile(int16_t refNum);
void CloseResFile(int16_t refNum);
// Resource parts of files: none on this platform; -1 with ResError fnfErr.
int16_t OpenResFile(const char* path);

// Entry `index` (from 1) of string list `id` as a length-prefixed string; an
// empty string when absent.
void GetIndString(unsigned char* out /* Str255 */, int16_t id, int16_t index);

// Adds (or replaces) a resource of the store with a copy of the bytes; false
// when out of memory.
bool PlatformAddResource(ResType type, int16_t id, const void* data, Size size);
// The loaded handle of a resource, or null when it is not loaded now.
Handle PlatformGetLoadedResource(ResType type, int16_t id);

// A new ordinary handle holding a copy of resource (type, id), searched in every
// open resource file or, with currentFileOnly, in the current one; null when
// the resource is absent or the copy cannot be allocated.
Handle PlatformGetResourceCopy(ResType type, int16_t id, bool currentFileOnly);
