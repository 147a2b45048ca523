#include "system/Handles.h"

#include <cstdlib>
#include <cstring>

#include "platform/Resources.h"
#include "system/Reporters.h"

namespace {

bool gAllowTempMem = true;

// A Darray never grows past this many bytes: an index read from a damaged
// file must not ask for the whole machine.
constexpr uint64_t kDarrayMaxBytes = kMaxBlockSize;

}  // namespace

void LiberePtr(Ptr* p) {
  if (p && *p) {
    DisposePtr(*p);
    *p = nullptr;
  }
}

void LibereHandle(Handle* h) {
  if (h && *h) {
    DisposeHandle(*h);
    *h = nullptr;
  }
}

bool RetailleHandle(Handle h, Size size) {
  if (!h) return false;
  SetHandleSize(h, size);
  return MemError() == noErr;
}

Handle DupHandle(Handle h) {
  if (!h) return nullptr;
  Size n = GetHandleSize(h);
  Handle copy = NewHandle(n);
  if (!copy) return nullptr;
  if (n) std::memcpy(*copy, *h, n);
  return copy;
}

int16_t CopyHandleMem(Handle src, Handle dst) {
  if (!dst) return -1;
  Size n = GetHandleSize(src);
  if (!RetailleHandle(dst, n)) return -1;
  if (n) std::memmove(*dst, *src, n);
  return 0;
}

Ptr DupPtr(const void* p, Size size) {
  if (!p) return nullptr;
  Ptr copy = NewPtr(size);
  if (!copy) return nullptr;
  if (size > 0) std::memcpy(copy, p, size);
  return copy;
}

Handle GetResourceMem(ResType type, int16_t id) { return PlatformGetResourceCopy(type, id, false); }
Handle Get1ResourceMem(ResType type, int16_t id) { return PlatformGetResourceCopy(type, id, true); }

void ReleaseResourceMem(Handle h) {
  if (h) DisposeHandle(h);
}

void DetachResourceMem(Handle) {}

int16_t CheckMemError() { return 0; }
int16_t GetMemError() { return 0; }
int16_t CheckPtr(Ptr) { return 1; }

bool GetAllowTempMem() { return gAllowTempMem; }
void SetAllowTempMem(bool allow) { gAllowTempMem = allow; }

Size TempMemAvail() {
  if (!gAllowTempMem) return 0;
  Size grow = 0;
  return TempMaxMem(&grow);
}

Handle TempMemNewHandle(Size size) {
  OSErr err = noErr;
  Handle h = TempNewHandle(size, &err);
  if (err != noErr) {
    if (h) TempDisposeHandle(h, &err);
    return nullptr;
  }
  return h;
}

bool TempMemSetHandleSize(Handle h, Size size) {
  if (!h) return false;
  TempSetHandleSize(h, size);
  return MemError() == noErr;
}

void TempMemDisposeHandle(Handle h) {
  if (!h) return;
  OSErr err;
  TempDisposeHandle(h, &err);
}

Handle KivNewHandle(Size size) { return NewHandle(size); }
Handle KivNewEmptyHandle() { return NewHandle(0); }
Ptr KivNewPtr(Size size) { return NewPtr(size); }
Ptr KivNewPtrClear(Size size) { return NewPtrClear(size); }
void KivFreePtr(Ptr* p) { LiberePtr(p); }
void KivFreeHandle(Handle* h) { LibereHandle(h); }

OSErr KivHandAndHand(Handle src, Handle dst) {
  if (!src) return noErr;
  return HandAndHand(src, dst);
}

OSErr KivHandAndHandAndFree(Handle src, Handle dst) {
  if (!src) return noErr;
  OSErr err = HandAndHand(src, dst);
  DisposeHandle(src);
  return err;
}

OSErr KivPtrAndHand(const void* p, Handle h, Size size) { return PtrAndHand(p, h, size); }

OSErr KivAddLongGrandBoutienToHandle(Handle h, uint32_t value) {
  const uint8_t bytes[4] = {uint8_t(value >> 24), uint8_t(value >> 16), uint8_t(value >> 8), uint8_t(value)};
  return PtrAndHand(bytes, h, 4);
}

OSErr KivAddCarToHandle(Handle h, uint8_t c) { return PtrAndHand(&c, h, 1); }

Size KivGetHandleSize(Handle h) { return GetHandleSize(h); }

void KivBlockMove(const void* src, void* dst, Size count) {
  if (count > 0) std::memmove(dst, src, count);
}

void* Darray_find(Darray* a, uint32_t index) {
  if (!a) return nullptr;
  const size_t size = a->elementSize;
  if (index < a->capacity && index < a->count) return static_cast<char*>(a->data) + size_t(index) * size;
  if (size == 0) {
    Collapse("Darray_find : element size 0");
    return nullptr;
  }
  if (index >= a->capacity) {
    const uint64_t step = a->growthStep ? a->growthStep : 1;
    const uint64_t capacity = uint64_t(index) + step;
    if (capacity > UINT32_MAX || capacity * size > kDarrayMaxBytes) {
      Collapse("Darray_find : no more mem");
      return nullptr;
    }
    char* block = static_cast<char*>(std::malloc(size_t(capacity * size)));
    if (!block) {
      Collapse("Darray_find : no more mem");
      return nullptr;
    }
    if (a->data) {
      std::memcpy(block, a->data, size_t(a->count) * size);
      std::free(a->data);
    }
    // The whole new block past the elements in use starts zeroed.
    std::memset(block + size_t(a->count) * size, 0, size_t(capacity - a->count) * size);
    a->data = block;
    a->capacity = uint32_t(capacity);
  } else {
    std::memset(static_cast<char*>(a->data) + size_t(a->count) * size, 0, size_t(index + 1 - a->count) * size);
  }
  a->count = index + 1;
  return static_cast<char*>(a->data) + size_t(index) * size;
}

void darray_free(Darray* a) {
  if (!a) return;
  std::free(a->data);
  a->data = nullptr;
  a->count = 0;
  a->capacity = 0;
}

char* StrFromHandle(Handle h) {
  if (!h) return nullptr;
  Size n = GetHandleSize(h);
  Ptr s = NewPtrClear(n + 1);
  if (!s) return nullptr;
  if (n) std::memcpy(s, *h, n);
  return s;
}
