#include "platform/Collections.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/Memory.h"

TEST(Collections, AddReplacesLookupCopiesAtMostTheBuffer) {
  Collection c = NewCollection();
  ASSERT_NE(c, nullptr);
  const char bars[2][50] = {"1", "2a"};
  for (int32_t i = 0; i < 2; i++) EXPECT_EQ(AddCollectionItem(c, FourCC("bnum"), i, 50, bars[i]), noErr);
  EXPECT_EQ(AddCollectionItem(c, FourCC("XML "), 0, 4, "part"), noErr);
  EXPECT_EQ(CountCollectionItems(c), 3);

  // Same tag and id: replaced, not added.
  EXPECT_EQ(AddCollectionItem(c, FourCC("bnum"), 1, 3, "2b"), noErr);
  EXPECT_EQ(CountCollectionItems(c), 3);

  char buf[64];
  int32_t size = sizeof buf;
  ASSERT_EQ(GetCollectionItem(c, FourCC("bnum"), 1, &size, buf), noErr);
  EXPECT_EQ(size, 3);
  EXPECT_STREQ(buf, "2b");

  size = 2;  // a short buffer gets its own size and no more
  std::memset(buf, 'x', sizeof buf);
  ASSERT_EQ(GetCollectionItem(c, FourCC("bnum"), 0, &size, buf), noErr);
  EXPECT_EQ(size, 50);
  EXPECT_EQ(buf[1], 0);
  EXPECT_EQ(buf[2], 'x');

  // Growing an item in the middle keeps the items after it whole.
  char big[60];
  std::memset(big, 'b', sizeof big);
  EXPECT_EQ(AddCollectionItem(c, FourCC("bnum"), 0, 60, big), noErr);
  size = sizeof buf;
  ASSERT_EQ(GetCollectionItem(c, FourCC("XML "), 0, &size, buf), noErr);
  EXPECT_EQ(std::string(buf, 4), "part");
  size = sizeof buf;
  ASSERT_EQ(GetCollectionItem(c, FourCC("bnum"), 1, &size, buf), noErr);
  EXPECT_STREQ(buf, "2b");
  EXPECT_EQ(CountCollectionItems(c), 3);

  EXPECT_EQ(GetCollectionItem(c, FourCC("bnum"), 2, &size, buf), collectionItemNotFoundErr);
  EXPECT_EQ(GetCollectionItem(c, FourCC("XML "), 1, nullptr, nullptr), collectionItemNotFoundErr);
  EXPECT_EQ(GetCollectionItem(c, FourCC("XML "), 0, nullptr, nullptr), noErr);
  EXPECT_EQ(AddCollectionItem(c, FourCC("bnum"), 3, -1, buf), paramErr);
  EXPECT_EQ(AddCollectionItem(c, FourCC("bnum"), 3, 4, nullptr), paramErr);
  EXPECT_EQ(AddCollectionItem(c, FourCC("bnum"), -1, 0, nullptr), noErr);  // empty items are fine
  EXPECT_EQ(CountCollectionItems(c), 4);
  DisposeHandle(c);  // a record's handle field frees it like any block
  EXPECT_EQ(CountCollectionItems(nullptr), 0);
  DisposeCollection(nullptr);
}
