#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "platform/PictDump.h"
#include "platform/PictFormat.h"
#include "support/PictBuilder.h"

namespace {

std::string Dump(const std::vector<uint8_t>& b) {
  std::string s;
  PictDumpText(b.data(), b.size(), s);
  return s;
}

}  // namespace

// Every family of operand sizes of the standard format, including the
// reserved opcodes that a reader must step over.
TEST(PictFormat, WalksStandardOperandSizesIncludingReserved) {
  PictBuilder p = PictBuilder::V2({0, 0, 50, 80});
  p.Op(0x0004);  // TxFace: one byte, then a pad byte
  p.U8(1);
  p.Op(0x0068);  // FrameSameArc: two angles
  p.BE(0);
  p.BE(90);
  p.Op(0x0017);  // reserved, no data
  p.Op(0x0024);  // reserved, length word
  p.BE(3);
  p.Bytes("abc", 3);
  p.Op(0x00B5);  // reserved, no data
  p.Op(0x00D3);  // reserved, long length
  p.BE32(2);
  p.Bytes("xy", 2);
  p.Op(0x0201);  // reserved, 4 bytes
  p.BE32(0);
  p.Op(0x8123);  // reserved, long length
  p.BE32(1);
  p.U8(9);
  p.Op(0x8010);  // reserved, no data
  p.Line(1, 2, 3, 4);
  p.End();
  EXPECT_EQ(Dump(p.b),
            "Picture 2 frame (0,0,50,80)\n"
            "HeaderOp -2 72 72 (0,0,50,80)\n"
            "TxFace 1\n"
            "FrameSameArc 0 90\n"
            "Reserved 0x0017\n"
            "Reserved 0x0024 len 5\n"
            "Reserved 0x00B5\n"
            "Reserved 0x00D3 len 6\n"
            "Reserved 0x0201 len 4\n"
            "Reserved 0x8123 len 5\n"
            "Reserved 0x8010\n"
            "Line (1,2) (3,4)\n"
            "OpEndPic\n");
}

TEST(PictFormat, Version1UsesByteOpcodesAndOneByteFace) {
  PictBuilder p = PictBuilder::V1({0, 0, 20, 30});
  p.Op(0x04);
  p.U8(2);
  p.Op(0x0D);
  p.BE(14);
  p.LongText(10, 5, "Hi");
  p.Op(0xA0);
  p.BE(5477);
  p.End();
  EXPECT_EQ(Dump(p.b),
            "Picture 1 frame (0,0,20,30)\n"
            "TxFace 2\n"
            "TxSize 14\n"
            "LongText (10,5) \"Hi\"\n"
            "ShortComment 5477\n"
            "OpEndPic\n");
  // An opcode that version 1 never had stops the walk.
  PictBuilder q = PictBuilder::V1({0, 0, 20, 30});
  q.Op(0x1A);
  q.BE(0);
  q.BE(0);
  q.BE(0);
  q.End();
  EXPECT_EQ(Dump(q.b), "Picture 1 frame (0,0,20,30)\nStopped at 0x001A: unknown opcode\n");
}

TEST(PictFormat, HostOrderFrameAndScalarsAreLittleEndian) {
  PictBuilder p = PictBuilder::V2({-5, 10, 300, 400}, true);
  p.Op(0x0003);
  p.W(21);
  p.Op(0x00A0);
  p.W(100);
  p.LongComment(5479, "STOP", 4);
  p.End();
  EXPECT_EQ(Dump(p.b),
            "Picture 2 host-order frame (-5,10,300,400)\n"
            "HeaderOp -2 72 72 (-5,10,300,400)\n"
            "TxFont 21\n"
            "ShortComment 100\n"
            "LongComment 5479 4 \"STOP\"\n"
            "OpEndPic\n");
}

// No prefix of a picture, and no damaged length, makes the walker read past
// the end; each walk stops.
TEST(PictFormat, TruncatedPicturesStopCleanly) {
  PictBuilder p = PictBuilder::V2({0, 0, 40, 40});
  p.Op(0x0001);
  p.BE(10);
  p.RectBE({0, 0, 40, 40});
  p.LongText(10, 10, "Hello");
  p.LongComment(100, "Qrvl\x01\x00\x00\x00Hi", 10);
  p.Op(0x0070);
  p.BE(18);
  p.RectBE({0, 0, 10, 10});
  p.PtBE(0, 0);
  p.PtBE(10, 10);
  p.End();
  for (size_t n = 0; n < p.b.size(); n++) {
    std::vector<uint8_t> cut(p.b.begin(), p.b.begin() + long(n));
    std::string s;
    EXPECT_FALSE(PictDumpText(cut.data(), cut.size(), s)) << n;
  }
  std::string s;
  EXPECT_TRUE(PictDumpText(p.b.data(), p.b.size(), s));
}

TEST(PictFormat, PackBitsRoundTripAndOverrunsAreRefused) {
  std::mt19937 rng(7);
  for (size_t n : {1u, 2u, 3u, 127u, 128u, 129u, 300u, 1000u}) {
    for (int kind = 0; kind < 3; kind++) {
      std::vector<uint8_t> row(n);
      for (size_t i = 0; i < n; i++) row[i] = kind == 0 ? 0x55 : kind == 1 ? uint8_t(rng()) : uint8_t((i / 5) & 1);
      std::vector<uint8_t> packed(PictPackBound(n));
      size_t m = PictPackRow(row.data(), n, packed.data());
      ASSERT_LE(m, PictPackBound(n));
      std::vector<uint8_t> back(n, 0xEE);
      ASSERT_TRUE(PictUnpackRow(packed.data(), m, back.data(), n, 1)) << n << " " << kind;
      EXPECT_EQ(back, row);
      // One byte short of the source, or one byte less room, fails.
      EXPECT_FALSE(PictUnpackRow(packed.data(), m - 1, back.data(), n, 1));
    }
  }
  const uint8_t run[] = {0xFE, 0x12, 0x34};  // three 16-bit units
  uint8_t out[6];
  ASSERT_TRUE(PictUnpackRow(run, 3, out, 6, 2));
  EXPECT_EQ(0, std::memcmp(out, "\x12\x34\x12\x34\x12\x34", 6));
  EXPECT_FALSE(PictUnpackRow(run, 3, out, 5, 2));
}

TEST(PictFormat, RegionInversionPointsDecodeToRectangles) {
  // An L shape: (0,0)-(10,4) on rows 0..5, then (0,0)-(4,4) on rows 5..10.
  PictBuilder r;
  r.BE(0);
  r.RectBE({0, 0, 10, 10});
  r.BE(0);
  r.BE(0);
  r.BE(10);
  r.BE(0x7FFF);
  r.BE(5);
  r.BE(4);
  r.BE(10);
  r.BE(0x7FFF);
  r.BE(10);
  r.BE(0);
  r.BE(4);
  r.BE(0x7FFF);
  r.BE(0x7FFF);
  r.b[1] = uint8_t(r.b.size());
  Rect bb;
  std::vector<PictSpan> spans;
  ASSERT_TRUE(PictDecodeRegion(r.b.data(), r.b.size(), bb, spans));
  ASSERT_EQ(spans.size(), 2u);
  EXPECT_EQ(spans[0].top, 0);
  EXPECT_EQ(spans[0].right, 10);
  EXPECT_EQ(spans[0].bottom, 5);
  EXPECT_EQ(spans[1].top, 5);
  EXPECT_EQ(spans[1].right, 4);
  EXPECT_EQ(spans[1].bottom, 10);
  // A region without its final terminator is damaged.
  std::vector<uint8_t> cut(r.b.begin(), r.b.end() - 2);
  cut[1] = uint8_t(cut.size());
  EXPECT_FALSE(PictDecodeRegion(cut.data(), cut.size(), bb, spans));
}
