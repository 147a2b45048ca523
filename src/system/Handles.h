#pragma once
// The thin layer over the Memory Manager through which the engine allocates,
// duplicates, resizes and frees its blocks: lists are handles of fixed-size
// records (count = size / record size), fixed records are pointer blocks.
// The free operations take the variable's address and clear it, so freeing
// twice is harmless. Also: resource copies, temporary memory for large sample
// buffers, byte strings built in handles, and a growable array on the C heap.
#include <cstdint>

#include "platform/Memory.h"
#include "platform/PlatformTypes.h"

void LiberePtr(Ptr* p);
void LibereHandle(Handle* h);
// Sets the handle's size: 1 when done, 0 when it failed (the block is then
// unchanged).
bool RetailleHandle(Handle h, Size size);
Handle DupHandle(Handle h);  // null for null or when out of memory
// Resizes dst to src's size and copies the bytes: 0, or -1 when dst is null or
// the resize failed.
int16_t CopyHandleMem(Handle src, Handle dst);
Ptr DupPtr(const void* p, Size size);

// Typed blocks (a record's pointer block, a handle of records).
template <typename T>
inline void LiberePtr(T** p) {
  if (p && *p) {
    DisposePtr(reinterpret_cast<Ptr>(*p));
    *p = nullptr;
  }
}
template <typename T>
inline void LibereHandle(T*** h) {
  if (h && *h) {
    DisposeHandle(reinterpret_cast<Handle>(*h));
    *h = nullptr;
  }
}
template <typename T>
inline bool RetailleHandle(T** h, Size size) {
  return RetailleHandle(reinterpret_cast<Handle>(h), size);
}

// Copies of resources: an ordinary handle the caller owns; null when absent.
Handle GetResourceMem(ResType type, int16_t id);
Handle Get1ResourceMem(ResType type, int16_t id);  // the current resource file only
void ReleaseResourceMem(Handle h);
void DetachResourceMem(Handle h);  // copies are already detached

int16_t CheckMemError();  // 0
int16_t GetMemError();    // 0
int16_t CheckPtr(Ptr p);  // 1

// Temporary memory, for the large buffers of sample streams.
// Whether temporary memory may be used (the preferences switch; on by default).
bool GetAllowTempMem();
void SetAllowTempMem(bool allow);
Size TempMemAvail();  // 0 when not allowed
Handle TempMemNewHandle(Size size);
bool TempMemSetHandleSize(Handle h, Size size);  // 0 when the resize failed
void TempMemDisposeHandle(Handle h);

// Wrappers used by the codecs and the picture and PNG writers.
Handle KivNewHandle(Size size);
Handle KivNewEmptyHandle();
Ptr KivNewPtr(Size size);
Ptr KivNewPtrClear(Size size);
void KivFreePtr(Ptr* p);
void KivFreeHandle(Handle* h);
OSErr KivHandAndHand(Handle src, Handle dst);         // a null src appends nothing
OSErr KivHandAndHandAndFree(Handle src, Handle dst);  // then disposes src
OSErr KivPtrAndHand(const void* p, Handle h, Size size);
OSErr KivAddLongGrandBoutienToHandle(Handle h, uint32_t value);  // most significant byte first
OSErr KivAddCarToHandle(Handle h, uint8_t c);
Size KivGetHandleSize(Handle h);
void KivBlockMove(const void* src, void* dst, Size count);  // nothing unless count > 0

// A growable array of equal-sized elements on the C heap. The owner sets
// elementSize (never 0) and growthStep before first use; data belongs to it.
struct Darray {
  void* data;         // null before the first growth
  uint32_t count;     // elements in use
  uint32_t capacity;  // elements the data block holds
  uint16_t elementSize;
  uint16_t growthStep;  // extra elements beyond the one asked for; 0 counts as 1
};

// The address of element index, growing the array as needed; every element up
// to index becomes valid, new ones zero-filled. Null when memory runs out or
// the array would pass its ceiling (reported through Collapse).
void* Darray_find(Darray* a, uint32_t index);
void darray_free(Darray* a);  // keeps elementSize and growthStep

// A new zero-ended copy of a handle of text, as a pointer block the caller frees.
char* StrFromHandle(Handle h);
