#include <gtest/gtest.h>

#include <cstring>

#include "platform/Memory.h"

TEST(Memory, HandleResizeKeepsPrefixAndZeroFillsGrowth) {
  Handle h = NewHandle(4);
  ASSERT_NE(h, nullptr);
  std::memcpy(*h, "abcd", 4);
  SetHandleSize(h, 8);
  ASSERT_EQ(MemError(), noErr);
  EXPECT_EQ(GetHandleSize(h), 8);
  EXPECT_EQ(std::memcmp(*h, "abcd\0\0\0\0", 8), 0);
  SetHandleSize(h, 2);
  EXPECT_EQ(GetHandleSize(h), 2);
  EXPECT_EQ(std::memcmp(*h, "ab", 2), 0);
  DisposeHandle(h);
  EXPECT_EQ(GetHandleSize(nullptr), 0);
}

// Appending one record at a time must not move the block at every step (long
// files append thousands of bars), and bytes dropped by a shrink never come back.
TEST(Memory, GrowingByStepsMovesTheBlockRarelyAndRegrowthIsZeroed) {
  Handle h = NewHandle(0);
  ASSERT_NE(h, nullptr);
  int moves = 0;
  const char* last = *h;
  for (Size n = 1; n <= 100000; n++) {
    SetHandleSize(h, n);
    ASSERT_EQ(MemError(), noErr);
    (*h)[n - 1] = char('a' + n % 26);
    if (*h != last) moves++, last = *h;
  }
  EXPECT_LT(moves, 64);
  EXPECT_EQ((*h)[99999], char('a' + 100000 % 26));
  SetHandleSize(h, 2);
  SetHandleSize(h, 6);
  EXPECT_EQ(std::memcmp(*h + 2, "\0\0\0\0", 4), 0);
  SetHandleSize(h, 0);  // shrinking far gives the memory back and keeps the handle usable
  EXPECT_EQ(GetHandleSize(h), 0);
  ASSERT_NE(*h, nullptr);
  DisposeHandle(h);
}

#if defined(__SANITIZE_ADDRESS__)
// The spare room past a block's size stays off limits to the sanitizer, so
// readers that run past a record are still caught.
TEST(MemoryDeathTest, ReadingPastTheSizeIsReported) {
  Handle h = NewHandleClear(40);
  SetHandleSize(h, 41);  // leaves spare room behind the size
  volatile char* p = *h;
  EXPECT_DEATH((void)p[44], "heap-buffer-overflow|use-after-poison");
  DisposeHandle(h);
}
#endif

TEST(Memory, OversizedRequestsFailCleanly) {
  EXPECT_EQ(NewHandle(-1), nullptr);
  EXPECT_EQ(MemError(), memFullErr);
  EXPECT_EQ(NewPtr(kMaxBlockSize + 1), nullptr);
  Handle h = NewHandleClear(3);
  SetHandleSize(h, kMaxBlockSize + 1);
  EXPECT_EQ(MemError(), memFullErr);
  EXPECT_EQ(GetHandleSize(h), 3);  // a failed resize leaves the block as it was
  DisposeHandle(h);
}

TEST(Memory, AppendAndCopy) {
  Handle h = nullptr;
  ASSERT_EQ(PtrToHand("xy", &h, 2), noErr);
  ASSERT_EQ(PtrAndHand("z", h, 1), noErr);
  ASSERT_EQ(HandAndHand(h, h), noErr);  // appending a handle to itself
  ASSERT_EQ(GetHandleSize(h), 6);
  EXPECT_EQ(std::memcmp(*h, "xyzxyz", 6), 0);
  Handle copy = h;
  ASSERT_EQ(HandToHand(&copy), noErr);
  EXPECT_NE(copy, h);
  EXPECT_EQ(std::memcmp(*copy, *h, 6), 0);
  DisposeHandle(copy);
  DisposeHandle(h);
}

TEST(Memory, TemporaryMemoryHonoursItsCap) {
  Size old = GetTempMemCap();
  SetTempMemCap(1000);
  OSErr err = noErr;
  Handle a = TempNewHandle(600, &err);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(TempMaxMem(nullptr), 400);
  EXPECT_EQ(TempNewHandle(500, &err), nullptr);
  EXPECT_EQ(err, memFullErr);
  TempSetHandleSize(a, 1100);
  EXPECT_EQ(MemError(), memFullErr);
  EXPECT_EQ(GetHandleSize(a), 600);
  TempDisposeHandle(a, &err);
  EXPECT_EQ(TempMaxMem(nullptr), 1000);
  SetTempMemCap(old);
}

TEST(Memory, PointerBlocksKnowTheirSize) {
  Ptr p = NewPtrClear(10);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(GetPtrSize(p), 10);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(p[i], 0);
  DisposePtr(p);
}
