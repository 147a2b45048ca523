#include <gtest/gtest.h>

#include <cstring>

#include "platform/Memory.h"
#include "system/Handles.h"

namespace {

Handle HandleOf(const char* bytes, Size n) {
  Handle h = nullptr;
  EXPECT_EQ(PtrToHand(bytes, &h, n), noErr);
  return h;
}

}  // namespace

TEST(Handles, FreeOperationsClearTheVariableAndToleratePointerAndHandleNull) {
  Ptr p = NewPtr(8);
  LiberePtr(&p);
  EXPECT_EQ(p, nullptr);
  LiberePtr(&p);  // second free: nothing happens
  Handle h = NewHandle(8);
  KivFreeHandle(&h);
  EXPECT_EQ(h, nullptr);
  LibereHandle(&h);
  Ptr q = KivNewPtrClear(4);
  KivFreePtr(&q);
  KivFreePtr(&q);
  EXPECT_EQ(q, nullptr);

  struct Rec {
    int32_t a;
  };
  Rec* rec = reinterpret_cast<Rec*>(NewPtrClear(sizeof(Rec)));
  LiberePtr(&rec);
  EXPECT_EQ(rec, nullptr);
  Rec** list = reinterpret_cast<Rec**>(NewHandleClear(4 * sizeof(Rec)));
  EXPECT_TRUE(RetailleHandle(list, 8 * sizeof(Rec)));
  EXPECT_EQ(GetHandleSize(reinterpret_cast<Handle>(list)), Size(8 * sizeof(Rec)));
  LibereHandle(&list);
  EXPECT_EQ(list, nullptr);
}

TEST(Handles, RetailleHandleReportsAFailedResizeAndKeepsTheBlock) {
  Handle h = HandleOf("abcd", 4);
  EXPECT_TRUE(RetailleHandle(h, 6));
  EXPECT_EQ(std::memcmp(*h, "abcd\0\0", 6), 0);
  EXPECT_FALSE(RetailleHandle(h, kMaxBlockSize + 1));
  EXPECT_FALSE(RetailleHandle(h, -1));
  ASSERT_EQ(GetHandleSize(h), 6);
  EXPECT_EQ(std::memcmp(*h, "abcd", 4), 0);
  EXPECT_FALSE(RetailleHandle(nullptr, 4));
  DisposeHandle(h);
}

TEST(Handles, DuplicatesAndCopies) {
  EXPECT_EQ(DupHandle(nullptr), nullptr);
  Handle empty = NewHandle(0);
  Handle emptyCopy = DupHandle(empty);
  ASSERT_NE(emptyCopy, nullptr);
  EXPECT_NE(emptyCopy, empty);
  EXPECT_EQ(GetHandleSize(emptyCopy), 0);

  Handle src = HandleOf("hello", 5);
  Handle dup = DupHandle(src);
  ASSERT_NE(dup, nullptr);
  EXPECT_NE(*dup, *src);
  EXPECT_EQ(std::memcmp(*dup, "hello", 5), 0);

  EXPECT_EQ(CopyHandleMem(src, nullptr), -1);
  EXPECT_EQ(CopyHandleMem(src, empty), 0);
  ASSERT_EQ(GetHandleSize(empty), 5);
  EXPECT_EQ(std::memcmp(*empty, "hello", 5), 0);

  EXPECT_EQ(DupPtr(nullptr, 4), nullptr);
  Ptr p = DupPtr("xyz", 3);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(std::memcmp(p, "xyz", 3), 0);
  EXPECT_EQ(DupPtr("xyz", -1), nullptr);  // a size that cannot be allocated
  DisposePtr(p);

  char* s = StrFromHandle(src);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(GetPtrSize(s), 6);
  EXPECT_STREQ(s, "hello");
  DisposePtr(s);
  EXPECT_EQ(StrFromHandle(nullptr), nullptr);
  for (Handle h : {empty, emptyCopy, src, dup}) DisposeHandle(h);
}

TEST(Handles, KivAppendsBuildByteStrings) {
  Handle h = KivNewEmptyHandle();
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(KivAddLongGrandBoutienToHandle(h, 0x01020304u), noErr);
  EXPECT_EQ(KivAddCarToHandle(h, 0xFF), noErr);
  EXPECT_EQ(KivPtrAndHand("ab", h, 2), noErr);
  EXPECT_EQ(KivHandAndHand(nullptr, h), noErr);
  Handle tail = HandleOf("Z", 1);
  EXPECT_EQ(KivHandAndHandAndFree(tail, h), noErr);
  const unsigned char want[] = {1, 2, 3, 4, 0xFF, 'a', 'b', 'Z'};
  ASSERT_EQ(KivGetHandleSize(h), Size(sizeof want));
  EXPECT_EQ(std::memcmp(*h, want, sizeof want), 0);

  char buf[4] = "abc";
  KivBlockMove(buf, buf + 1, 2);  // overlapping
  EXPECT_EQ(std::memcmp(buf, "aab", 3), 0);
  KivBlockMove(nullptr, nullptr, 0);
  KivFreeHandle(&h);
}

TEST(Handles, TemporaryMemoryFollowsTheSwitchAndReportsFailedResizes) {
  const Size cap = GetTempMemCap();
  SetTempMemCap(1024);
  EXPECT_TRUE(GetAllowTempMem());
  EXPECT_EQ(TempMemAvail(), 1024);
  SetAllowTempMem(false);
  EXPECT_EQ(TempMemAvail(), 0);
  SetAllowTempMem(true);

  Handle h = TempMemNewHandle(512);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(TempMemNewHandle(1024), nullptr);  // over the cap
  EXPECT_TRUE(TempMemSetHandleSize(h, 1000));
  EXPECT_FALSE(TempMemSetHandleSize(h, 2000));
  EXPECT_EQ(GetHandleSize(h), 1000);
  TempMemDisposeHandle(h);
  EXPECT_EQ(TempMemAvail(), 1024);
  SetTempMemCap(cap);
}

TEST(Handles, ResourceCopiesOfAbsentResourcesAreNull) {
  EXPECT_EQ(GetResourceMem(FourCC("zzzz"), 1), nullptr);
  EXPECT_EQ(Get1ResourceMem(FourCC("zzzz"), 1), nullptr);
  ReleaseResourceMem(nullptr);
}

TEST(Darray, GrowsZeroFilledInIndexOrder) {
  Darray a{nullptr, 0, 0, sizeof(int32_t), 8};
  int32_t* e0 = static_cast<int32_t*>(Darray_find(&a, 0));
  ASSERT_NE(e0, nullptr);
  EXPECT_EQ(a.capacity, 8u);
  EXPECT_EQ(a.count, 1u);
  EXPECT_EQ(*e0, 0);
  *e0 = 42;
  void* block = a.data;
  int32_t* e5 = static_cast<int32_t*>(Darray_find(&a, 5));
  EXPECT_EQ(a.data, block);  // within capacity: no reallocation
  EXPECT_EQ(a.count, 6u);
  for (int i = 1; i <= 5; ++i) EXPECT_EQ(static_cast<int32_t*>(a.data)[i], 0);
  *e5 = 5;
  EXPECT_EQ(Darray_find(&a, 5), e5);  // existing element: same address
  ASSERT_NE(Darray_find(&a, 20), nullptr);
  EXPECT_EQ(a.capacity, 28u);
  EXPECT_EQ(a.count, 21u);
  const int32_t* d = static_cast<int32_t*>(a.data);
  EXPECT_EQ(d[0], 42);
  EXPECT_EQ(d[5], 5);
  for (int i = 6; i < 28; ++i) EXPECT_EQ(d[i], 0);
  darray_free(&a);
  EXPECT_EQ(a.data, nullptr);
  EXPECT_EQ(a.count, 0u);
  EXPECT_EQ(a.capacity, 0u);
  EXPECT_EQ(a.elementSize, sizeof(int32_t));
  EXPECT_EQ(a.growthStep, 8);

  Darray one{nullptr, 0, 0, 1, 0};  // a step of 0 grows by one element
  ASSERT_NE(Darray_find(&one, 2), nullptr);
  EXPECT_EQ(one.capacity, 3u);
  darray_free(&one);
}

TEST(Darray, HugeIndexesFailWithoutTouchingTheArray) {
  Darray a{nullptr, 0, 0, 64, 8};
  ASSERT_NE(Darray_find(&a, 3), nullptr);
  void* block = a.data;
  EXPECT_EQ(Darray_find(&a, 0xFFFFFFFFu), nullptr);  // index + step overflows
  EXPECT_EQ(Darray_find(&a, 0x7FFFFFFFu), nullptr);  // index x size past the ceiling
  EXPECT_EQ(a.data, block);
  EXPECT_EQ(a.count, 4u);
  EXPECT_EQ(a.capacity, 11u);
  Darray zero{nullptr, 0, 0, 0, 8};
  EXPECT_EQ(Darray_find(&zero, 0), nullptr);
  darray_free(&a);
}
