#pragma once
// Memory Manager stand-in: relocatable handles (a pointer to a master pointer)
// and non-relocatable pointer blocks. Blocks move when resized. Every call that
// allocates reports failure through MemError() (memFullErr), never by throwing.
#include "platform/PlatformTypes.h"

Handle NewHandle(Size size);
Handle NewHandleClear(Size size);
void DisposeHandle(Handle h);
Size GetHandleSize(Handle h);             // 0 for a null handle
void SetHandleSize(Handle h, Size size);  // keeps the common prefix, zero-fills growth
void EmptyHandle(Handle h);
OSErr HandToHand(Handle* h);  // replaces *h by a new copy
OSErr HandAndHand(Handle src, Handle dst);
OSErr PtrAndHand(const void* p, Handle h, Size size);
OSErr PtrToHand(const void* p, Handle* h, Size size);
OSErr PtrToXHand(const void* p, Handle h, Size size);

Ptr NewPtr(Size size);
Ptr NewPtrClear(Size size);
void DisposePtr(Ptr p);
Size GetPtrSize(Ptr p);

void BlockMove(const void* src, void* dst, Size count);
void BlockMoveData(const void* src, void* dst, Size count);
void BlockZero(void* dst, Size count);
OSErr MemError();

// Lock and state calls have nothing to do: handles are never purged.
inline void HLock(Handle) {}
inline void HUnlock(Handle) {}
inline void HLockHi(Handle) {}
inline void MoveHHi(Handle) {}
inline void HNoPurge(Handle) {}
inline SignedByte HGetState(Handle) { return 0; }
inline void HSetState(Handle, SignedByte) {}

// Temporary memory: ordinary memory under a cap of its own, so that callers'
// fall-backs (sample streams spill to temporary files) can be exercised.
Handle TempNewHandle(Size size, OSErr* err);
Size TempMaxMem(Size* grow);
Size TempFreeMem();
void TempSetHandleSize(Handle h, Size size);  // MemError() tells the outcome
void TempDisposeHandle(Handle h, OSErr* err);
bool IsTempHandle(Handle h);
void SetTempMemCap(Size bytes);  // default 256 MiB
Size GetTempMemCap();

// No single block may be larger than this: a size read from a damaged file
// fails cleanly instead of exhausting the machine.
constexpr Size kMaxBlockSize = 0x40000000;  // 1 GiB
