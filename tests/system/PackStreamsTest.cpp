#include <gtest/gtest.h>

#include <cstring>

#include "platform/Memory.h"
#include "system/PackStreams.h"

TEST(PackStreams, HandleStreamKeepsWhatWasWritten) {
  Handle h = NewHandle(0);
  PackStream* s = InitPackStreamHandle(h, 0, 1);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(tabBit[0], 1u);
  EXPECT_EQ(tabBit[31], 0x80000000u);
  for (uint8_t b : {1, 2, 3}) EXPECT_EQ(s->PutChar(b, s), 1);
  EXPECT_EQ(s->PutBlock("\x04\x05", 2, s), 1);
  EXPECT_GE(GetHandleSize(h), 5);
  DisposePackStream(s);
  ASSERT_EQ(GetHandleSize(h), 5);
  EXPECT_EQ(std::memcmp(*h, "\x01\x02\x03\x04\x05", 5), 0);

  // Reading stops at the end of the handle, and closing a reader leaves it whole.
  s = InitPackStreamHandle(h, 3, 0);
  EXPECT_EQ(s->GetChar(s), 4);
  EXPECT_EQ(s->GetChar(s), 5);
  EXPECT_EQ(s->GetChar(s), -1);
  char two[2];
  s->Seek(s, 4);
  EXPECT_EQ(s->GetBlock(two, 2, s), 0);
  EXPECT_EQ(s->Size(s), 5);
  DisposePackStream(s);
  EXPECT_EQ(GetHandleSize(h), 5);
  DisposeHandle(h);
}

TEST(PackStreams, SeekCompletesPendingBitsFirst) {
  Handle h = NewHandle(0);
  PackStream* s = InitPackStreamHandle(h, 0, 1);
  s->Seek(s, 2);  // nothing pending: nothing written
  EXPECT_EQ(s->position, 2u);
  s->bitBuffer = 0xA0;
  s->bitMask = 0x10;  // three bits pending
  s->Seek(s, 10);     // the partial byte goes out at 2, then the stream moves
  EXPECT_EQ(s->bitMask, 128);
  EXPECT_EQ(s->position, 10u);
  s->PutChar(0x55, s);  // past the end after a seek: the handle grows to fit
  DisposePackStream(s);
  ASSERT_EQ(GetHandleSize(h), 11);
  EXPECT_EQ(uint8_t((*h)[2]), 0xA0);
  EXPECT_EQ(uint8_t((*h)[10]), 0x55);
  DisposeHandle(h);
}

TEST(PackStreams, FlushWritesOnlyAPartialByte) {
  uint8_t block[2] = {0, 0};
  PackStream* s = InitPackStreamPtr(block, 2, 0, 1);
  MlapFlushWriteBits(s);
  EXPECT_EQ(s->position, 0u);
  s->bitBuffer = 0xC0;
  s->bitMask = 0x20;
  MlapFlushWriteBits(s);
  EXPECT_EQ(s->position, 1u);
  EXPECT_EQ(block[0], 0xC0);
  EXPECT_EQ(s->bitMask, 128);
  EXPECT_EQ(s->PutChar(1, s), 1);
  EXPECT_EQ(s->PutChar(2, s), 0);  // the block is full
  EXPECT_EQ(s->PutBlock("x", 1, s), 0);
  DisposePackStream(s);
}

TEST(PackStreams, BlockReaderStopsAtItsSize) {
  const uint8_t data[3] = {0x81, 0x42, 0xFF};
  PackStream* s = InitPackStreamPtr(const_cast<uint8_t*>(data), 2, 0, 0);
  EXPECT_EQ(s->bitMask, 0);
  EXPECT_EQ(s->GetChar(s), 0x81);
  EXPECT_EQ(s->GetChar(s), 0x42);
  EXPECT_EQ(s->GetChar(s), -1);  // the third byte is beyond the stream
  s->Seek(s, 1);
  uint8_t out[2];
  EXPECT_EQ(s->GetBlock(out, 2, s), 0);
  EXPECT_EQ(s->GetBlock(out, 1, s), 1);
  EXPECT_EQ(out[0], 0x42);
  DisposePackStream(s);
}

TEST(PackStreams, VectorStreamSeeksToItsStart) {
  struct Ctx {
    int seeks = 0;
    int32_t where = -1;
  } ctx;
  auto seek = [](PackStream* s, int32_t pos) {
    Ctx* c = static_cast<Ctx*>(s->source);
    c->seeks++;
    c->where = pos;
    s->position = uint32_t(pos);
  };
  auto getChar = [](PackStream*) -> int16_t { return -1; };
  auto close = [](PackStream* s) { static_cast<Ctx*>(s->source)->seeks += 100; };
  PackStream* s = InitPackStreamVector(&ctx, 0, getChar, nullptr, nullptr, nullptr, seek, nullptr, close, 42, 0);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(ctx.seeks, 1);
  EXPECT_EQ(ctx.where, 42);
  DisposePackStream(s);
  EXPECT_EQ(ctx.seeks, 101);
}
