#include "platform/Memory.h"

#include <cstdlib>
#include <cstring>

#if defined(__SANITIZE_ADDRESS__)
#define TAMREL_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TAMREL_ASAN 1
#endif
#endif
#ifdef TAMREL_ASAN
#include <sanitizer/asan_interface.h>
#endif

namespace {

// The master pointer is the first field, so a Handle is the address of a Block.
// Blocks keep spare room past their size: readers append one record at a time,
// and growing by exactly one record each time made long files quadratic.
struct Block {
  char* data;
  Size size;
  Size capacity;
  bool temporary;
};

// The spare room is not part of the block: the sanitizer build reports reads past the size.
inline void HideSpare(const Block* b) {
#ifdef TAMREL_ASAN
  if (b->capacity > b->size) ASAN_POISON_MEMORY_REGION(b->data + b->size, size_t(b->capacity - b->size));
#else
  (void)b;
#endif
}
inline void ShowSpare(const Block* b) {
#ifdef TAMREL_ASAN
  if (b->capacity > b->size) ASAN_UNPOISON_MEMORY_REGION(b->data + b->size, size_t(b->capacity - b->size));
#else
  (void)b;
#endif
}

// Pointer blocks carry their size in a header so that GetPtrSize works.
constexpr size_t kPtrHeader = 16;

OSErr gMemErr = noErr;
Size gTempCap = 256 * 1024 * 1024;
Size gTempUsed = 0;

inline Block* BlockOf(Handle h) { return reinterpret_cast<Block*>(h); }

bool SizeOk(Size size) { return size >= 0 && size <= kMaxBlockSize; }

Handle AllocHandle(Size size, bool clear, bool temporary) {
  if (!SizeOk(size)) {
    gMemErr = memFullErr;
    return nullptr;
  }
  Block* b = static_cast<Block*>(std::malloc(sizeof(Block)));
  if (!b) {
    gMemErr = memFullErr;
    return nullptr;
  }
  // Even an empty block gets storage, so that *h is never null for a live handle.
  b->data = static_cast<char*>(clear ? std::calloc(size ? size : 1, 1) : std::malloc(size ? size : 1));
  if (!b->data) {
    std::free(b);
    gMemErr = memFullErr;
    return nullptr;
  }
  b->size = size;
  b->capacity = size ? size : 1;
  b->temporary = temporary;
  HideSpare(b);
  gMemErr = noErr;
  return reinterpret_cast<Handle>(b);
}

}  // namespace

Handle NewHandle(Size size) { return AllocHandle(size, false, false); }
Handle NewHandleClear(Size size) { return AllocHandle(size, true, false); }

void DisposeHandle(Handle h) {
  if (!h) {
    gMemErr = nilHandleErr;
    return;
  }
  Block* b = BlockOf(h);
  if (b->temporary) gTempUsed -= b->size;
  ShowSpare(b);
  std::free(b->data);
  std::free(b);
  gMemErr = noErr;
}

Size GetHandleSize(Handle h) {
  if (!h) {
    gMemErr = nilHandleErr;
    return 0;
  }
  gMemErr = noErr;
  return BlockOf(h)->size;
}

void SetHandleSize(Handle h, Size size) {
  if (!h) {
    gMemErr = nilHandleErr;
    return;
  }
  Block* b = BlockOf(h);
  if (!SizeOk(size) || (b->temporary && gTempUsed - b->size + size > gTempCap)) {
    gMemErr = memFullErr;
    return;
  }
  ShowSpare(b);
  // Grow by half again (amortised appends); give memory back when most of it would sit unused.
  Size want = b->capacity;
  if (size > b->capacity) {
    const Size grown = b->capacity + b->capacity / 2;
    want = size > grown ? size : (grown < kMaxBlockSize ? grown : kMaxBlockSize);
  } else if (size < b->capacity / 4) {
    want = size ? size : 1;
  }
  if (want != b->capacity) {
    char* p = static_cast<char*>(std::realloc(b->data, size_t(want)));
    if (!p && want > size) {
      want = size ? size : 1;
      p = static_cast<char*>(std::realloc(b->data, size_t(want)));
    }
    if (!p) {
      HideSpare(b);
      gMemErr = memFullErr;
      return;
    }
    b->data = p;
    b->capacity = want;
  }
  if (size > b->size) std::memset(b->data + b->size, 0, size_t(size - b->size));
  if (b->temporary) gTempUsed += size - b->size;
  b->size = size;
  HideSpare(b);
  gMemErr = noErr;
}

void EmptyHandle(Handle h) { SetHandleSize(h, 0); }

OSErr HandToHand(Handle* h) {
  if (!h || !*h) return gMemErr = nilHandleErr;
  Size n = GetHandleSize(*h);
  Handle copy = NewHandle(n);
  if (!copy) return gMemErr;
  std::memcpy(*copy, **h, n);
  *h = copy;
  return gMemErr = noErr;
}

OSErr HandAndHand(Handle src, Handle dst) {
  if (!src || !dst) return gMemErr = nilHandleErr;
  Size a = GetHandleSize(src), b = GetHandleSize(dst);
  if (a > kMaxBlockSize - b) return gMemErr = memFullErr;
  SetHandleSize(dst, a + b);
  if (gMemErr) return gMemErr;
  std::memmove(*dst + b, *src, a);  // src may be dst
  return noErr;
}

OSErr PtrAndHand(const void* p, Handle h, Size size) {
  if (!h) return gMemErr = nilHandleErr;
  if (size < 0) return gMemErr = paramErr;
  Size b = GetHandleSize(h);
  if (size > kMaxBlockSize - b) return gMemErr = memFullErr;
  SetHandleSize(h, b + size);
  if (gMemErr) return gMemErr;
  if (size) std::memmove(*h + b, p, size);
  return noErr;
}

OSErr PtrToHand(const void* p, Handle* h, Size size) {
  *h = NewHandle(size);
  if (!*h) return gMemErr;
  if (size) std::memcpy(**h, p, size);
  return noErr;
}

OSErr PtrToXHand(const void* p, Handle h, Size size) {
  SetHandleSize(h, size);
  if (gMemErr) return gMemErr;
  if (size) std::memmove(*h, p, size);
  return noErr;
}

Ptr NewPtr(Size size) {
  if (!SizeOk(size)) {
    gMemErr = memFullErr;
    return nullptr;
  }
  char* raw = static_cast<char*>(std::malloc(kPtrHeader + size));
  if (!raw) {
    gMemErr = memFullErr;
    return nullptr;
  }
  std::memcpy(raw, &size, sizeof size);
  gMemErr = noErr;
  return raw + kPtrHeader;
}

Ptr NewPtrClear(Size size) {
  Ptr p = NewPtr(size);
  if (p && size) std::memset(p, 0, size);
  return p;
}

void DisposePtr(Ptr p) {
  if (!p) {
    gMemErr = nilHandleErr;
    return;
  }
  std::free(p - kPtrHeader);
  gMemErr = noErr;
}

Size GetPtrSize(Ptr p) {
  if (!p) return 0;
  Size s;
  std::memcpy(&s, p - kPtrHeader, sizeof s);
  return s;
}

void BlockMove(const void* src, void* dst, Size count) {
  if (count > 0) std::memmove(dst, src, count);
}
void BlockMoveData(const void* src, void* dst, Size count) { BlockMove(src, dst, count); }
void BlockZero(void* dst, Size count) {
  if (count > 0) std::memset(dst, 0, count);
}

OSErr MemError() { return gMemErr; }

Handle TempNewHandle(Size size, OSErr* err) {
  Handle h = nullptr;
  if (size >= 0 && size <= gTempCap - gTempUsed) h = AllocHandle(size, false, true);
  else gMemErr = memFullErr;
  if (h) gTempUsed += size;
  if (err) *err = gMemErr;
  return h;
}

Size TempMaxMem(Size* grow) {
  if (grow) *grow = 0;
  return gTempCap > gTempUsed ? gTempCap - gTempUsed : 0;
}

Size TempFreeMem() { return TempMaxMem(nullptr); }

void TempSetHandleSize(Handle h, Size size) { SetHandleSize(h, size); }

void TempDisposeHandle(Handle h, OSErr* err) {
  DisposeHandle(h);
  if (err) *err = gMemErr;
}

bool IsTempHandle(Handle h) { return h && BlockOf(h)->temporary; }

void SetTempMemCap(Size bytes) { gTempCap = bytes < 0 ? 0 : bytes; }
Size GetTempMemCap() { return gTempCap; }
