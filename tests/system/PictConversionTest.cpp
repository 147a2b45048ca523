#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Memory.h"
#include "platform/PictDump.h"
#include "platform/PictFormat.h"
#include "platform/Pictures.h"
#include "platform/QuickDraw.h"
#include "support/PictBuilder.h"
#include "system/PictConversion.h"

namespace {

std::string Dump(Handle h) {
  std::string s;
  PictDumpHandle(h, s);
  return s;
}

uint8_t Px(int x, int y, int c) { return uint8_t(x * 3 + y * 50 + c * 80); }

// A 24-bit direct pixel map, rows packed by planes (packType 4) or not.
void AddDirect24(PictBuilder& p, int w, int h, bool packed) {
  p.Op(0x009A);
  p.W32(0x000000FF);  // base address
  uint16_t rb = uint16_t(packed ? w * 3 : w * 4);
  p.W(uint16_t(0x8000 | rb));
  p.RectW({0, 0, int16_t(h), int16_t(w)});
  p.W(0);               // pmVersion
  p.W(packed ? 4 : 1);  // packType
  p.W32(0);             // packSize
  p.W32(72 << 16);
  p.W32(72 << 16);
  p.W(0);   // pixelType: the old form (16 once converted)
  p.W(24);  // pixelSize
  p.W(3);   // cmpCount
  p.W(8);   // cmpSize
  p.W32(0);
  p.W32(0);
  p.W32(0);
  p.RectBE({0, 0, int16_t(h), int16_t(w)});
  p.RectBE({10, 20, int16_t(10 + h), int16_t(20 + w)});
  p.W(0);  // srcCopy
  for (int y = 0; y < h; y++) {
    std::vector<uint8_t> row;
    if (packed) {
      for (int c = 0; c < 3; c++)
        for (int x = 0; x < w; x++) row.push_back(Px(x, y, c));
      std::vector<uint8_t> pk(PictPackBound(row.size()));
      size_t n = PictPackRow(row.data(), row.size(), pk.data());
      if (rb > 250) p.BE(uint16_t(n));
      else p.U8(uint8_t(n));
      p.Bytes(pk.data(), n);
    } else {
      for (int x = 0; x < w; x++) {
        row.push_back(0);
        for (int c = 0; c < 3; c++) row.push_back(Px(x, y, c));
      }
      p.Bytes(row.data(), row.size());
    }
  }
}

// Reads back the first direct bits of a picture as ARGB pixels.
std::vector<uint8_t> DirectPixels(Handle pic, PictBits& bits) {
  const uint8_t* d = reinterpret_cast<const uint8_t*>(*pic);
  size_t n = size_t(GetHandleSize(pic));
  PictWalker w;
  PictOp op;
  EXPECT_TRUE(PictWalkBegin(w, d, n));
  while (PictWalkNext(w, op)) {
    if (op.opcode != 0x9A) continue;
    PictReader rd{d, n, op.operand, false, w.rd.hostOrder};
    EXPECT_TRUE(PictParseBits(rd, op.opcode, bits));
    int wd = bits.width(), ht = bits.height();
    std::vector<uint8_t> out;
    PictReader px{d, n, bits.dataAt, false, false};
    std::vector<uint8_t> row(size_t(wd) * 4);
    for (int y = 0; y < ht; y++) {
      if (bits.RowsPacked()) {
        size_t c = bits.rowBytes > 250 ? px.BE16() : px.U8();
        EXPECT_TRUE(PictUnpackRow(px.Here(), c, row.data(), row.size(), 1));
        px.Skip(c);
        for (int x = 0; x < wd; x++)
          for (int k = 0; k < 4; k++) out.push_back(row[size_t(k * wd + x)]);
      } else {
        out.insert(out.end(), px.Here(), px.Here() + wd * 4);
        px.Skip(size_t(wd) * 4);
      }
    }
    return out;
  }
  return {};
}

}  // namespace

TEST(PictConversion, Packed24BitMapBecomes32BitWithWordCounts) {
  for (bool host : {false, true}) {
    PictBuilder p = PictBuilder::V2({0, 0, 100, 100}, host);
    AddDirect24(p, 70, 3, true);
    p.Line(1, 1, 5, 5);
    p.End();
    Handle h = p.ToHandle();
    ASSERT_TRUE(ConvertPictureFromOldFormat(h)) << host << Dump(h);
    PictBits b;
    std::vector<uint8_t> px = DirectPixels(h, b);
    EXPECT_EQ(b.pixelSize, 32);
    EXPECT_EQ(b.cmpCount, 4);
    EXPECT_EQ(b.packType, 4);
    EXPECT_EQ(b.rowBytes, 280);  // words as row counts from here on
    ASSERT_EQ(px.size(), size_t(70 * 3 * 4));
    for (int y = 0; y < 3; y++)
      for (int x = 0; x < 70; x++) {
        const uint8_t* q = &px[size_t((y * 70 + x) * 4)];
        ASSERT_EQ(q[0], 0xFF);
        ASSERT_EQ(q[1], Px(x, y, 0));
        ASSERT_EQ(q[3], Px(x, y, 2));
      }
    std::string d = Dump(h);
    EXPECT_NE(d.find("DirectBitsRect 70x3 rb 280 px 32 cmp 4 pack 4"), std::string::npos) << d;
    EXPECT_NE(d.find("Line (1,1) (5,5)\nOpEndPic\n"), std::string::npos) << d;
    DisposeHandle(h);
  }
}

TEST(PictConversion, UnpackedRowsAreReadByRowBytes) {
  PictBuilder p = PictBuilder::V2({0, 0, 10, 10});
  AddDirect24(p, 1, 2, false);  // rowBytes 4: unpacked
  p.End();
  Handle h = p.ToHandle();
  ASSERT_TRUE(ConvertPictureFromOldFormat(h));
  PictBits b;
  std::vector<uint8_t> px = DirectPixels(h, b);
  ASSERT_EQ(px.size(), 8u);
  EXPECT_EQ(px[0], 0xFF);
  EXPECT_EQ(px[1], Px(0, 0, 0));
  EXPECT_EQ(px[7], Px(0, 1, 2));
  DisposeHandle(h);
}

// Pictures the converter has nothing to do for, or cannot read to the end,
// stay byte for byte as they were.
TEST(PictConversion, LeavesOtherPicturesUntouched) {
  PictBuilder plain = PictBuilder::V2({0, 0, 10, 10});
  plain.Line(0, 0, 5, 5);
  plain.End();
  PictBuilder cut = PictBuilder::V2({0, 0, 10, 10});
  AddDirect24(cut, 70, 3, true);
  cut.b.resize(cut.b.size() - 5);
  PictBuilder badVersion = PictBuilder::V2({0, 0, 10, 10});
  badVersion.b[12] = 0x12;
  badVersion.End();
  PictBuilder emptyFrame = PictBuilder::V2({0, 0, 0, 10});
  AddDirect24(emptyFrame, 70, 3, true);
  emptyFrame.End();
  PictBuilder packType3 = PictBuilder::V2({0, 0, 10, 10});
  AddDirect24(packType3, 70, 3, true);
  packType3.End();
  packType3.b[40 + 2 + 4 + 2 + 8 + 2 + 1] = 3;  // packType 4 -> 3
  for (const PictBuilder* p : {&plain, &cut, &badVersion, &emptyFrame, &packType3}) {
    Handle h = p->ToHandle();
    EXPECT_FALSE(ConvertPictureFromOldFormat(h));
    EXPECT_EQ(HandleBytes(h), p->b);
    DisposeHandle(h);
  }
}

TEST(PictConversion, AdaptePictureForcesColourAndDropsColourOpcodes) {
  PictBuilder p = PictBuilder::V2({0, 0, 30, 30});
  p.RGBFg(1, 2, 3);
  p.Op(0x001B);
  p.BE(4);
  p.BE(5);
  p.BE(6);
  p.Op(0x000E);
  p.BE32(33);
  p.Line(1, 1, 2, 2);
  p.End();
  Handle src = p.ToHandle();
  Handle keep = AdaptePictureRGB(src, 1, nullptr, nullptr);
  ASSERT_NE(keep, nullptr);
  EXPECT_EQ(Dump(keep),
            "Picture 2 frame (0,0,30,30)\nHeaderOp -2 72 72 (0,0,30,30)\n"
            "RGBFgCol 0001 0002 0003\nRGBBkCol 0004 0005 0006\nLine (1,1) (2,2)\nOpEndPic\n");
  RGBColor red{0xFFFF, 0, 0};
  Handle forced = AdaptePictureRGB(src, 1, &red, nullptr);
  ASSERT_NE(forced, nullptr);
  EXPECT_EQ(Dump(forced),
            "Picture 2 frame (0,0,30,30)\nHeaderOp -2 72 72 (0,0,30,30)\n"
            "RGBFgCol FFFF 0000 0000\nLine (1,1) (2,2)\nOpEndPic\n");
  std::vector<uint8_t> f = HandleBytes(forced);
  EXPECT_EQ(size_t((f[0] << 8) | f[1]), f.size());  // size word, big-endian
  DisposeHandle(src);
  DisposeHandle(keep);
  DisposeHandle(forced);
}

TEST(PictConversion, AdaptePictureWritesBigEndianVersion2FromAnyForm) {
  auto fontMap = [](int16_t id) -> int16_t { return id == 300 ? int16_t(301) : id; };
  // Version 1: a 72-dpi header is built from the frame.
  PictBuilder v1 = PictBuilder::V1({2, 3, 40, 50});
  v1.Op(0x03);
  v1.BE(300);
  v1.Op(0x04);
  v1.U8(1);
  v1.Op(0x03);
  v1.BE(20);
  v1.LongText(10, 10, "ab");
  v1.End();
  Handle h1 = v1.ToHandle();
  Handle o1 = AdaptePictureRGB(h1, 1, nullptr, fontMap);
  ASSERT_NE(o1, nullptr);
  EXPECT_EQ(Dump(o1),
            "Picture 2 frame (2,3,40,50)\nHeaderOp -2 72 72 (2,3,40,50)\n"
            "TxFont 301\nTxFace 1\nTxFont 20\nLongText (10,10) \"ab\"\nOpEndPic\n");
  // Host order: frame, header, scalars and comment words come out big-endian.
  PictBuilder ho = PictBuilder::V2({-1, 2, 300, 400}, true);
  ho.Op(0x000D);
  ho.W(18);
  ho.LongComment(100, "Qrvl", 4);
  ho.Op(0x0070);
  ho.W(18);
  ho.RectBE({0, 0, 10, 10});
  ho.PtBE(0, 0);
  ho.PtBE(10, 10);
  ho.End();
  Handle h2 = ho.ToHandle();
  Handle o2 = AdaptePictureRGB(h2, 1, nullptr, nullptr);
  ASSERT_NE(o2, nullptr);
  EXPECT_EQ(Dump(o2),
            "Picture 2 frame (-1,2,300,400)\nHeaderOp -2 72 72 (-1,2,300,400)\n"
            "TxSize 18\nLongComment 100 4 \"Qrvl\"\nFramePoly 18 (0,0,10,10) (0,0) (10,10)\nOpEndPic\n");
  std::vector<uint8_t> b2 = HandleBytes(o2);
  EXPECT_EQ(size_t((b2[0] << 8) | b2[1]), b2.size());
  DisposeHandle(h1);
  DisposeHandle(o1);
  DisposeHandle(h2);
  DisposeHandle(o2);
}

TEST(PictConversion, AdaptePictureDrawsImagesInTheGivenModeAndFailsOnDamage) {
  PictBuilder p = PictBuilder::V2({0, 0, 30, 30}, true);
  AddDirect24(p, 3, 2, true);  // rowBytes 9: packed, byte counts
  p.End();
  Handle h = p.ToHandle();
  Handle o = AdaptePictureRGB(h, 1, nullptr, nullptr);
  ASSERT_NE(o, nullptr);
  EXPECT_NE(Dump(o).find("DirectBitsRect 3x2 rb 9 px 24 cmp 3 pack 4 src (0,0,2,3) dst (10,20,12,23) mode 1"),
            std::string::npos)
      << Dump(o);
  DisposeHandle(o);
  // Any truncation gives null, never a half-written picture.
  for (size_t n = 12; n < p.b.size(); n += 3) {
    Handle c = NewHandle(Size(n));
    memcpy(*c, p.b.data(), n);
    EXPECT_EQ(AdaptePictureRGB(c, 1, nullptr, nullptr), nullptr) << n;
    DisposeHandle(c);
  }
  // An opcode that version 1 never had: null.
  PictBuilder v1 = PictBuilder::V1({0, 0, 10, 10});
  v1.Op(0x1A);
  v1.End();
  Handle u = v1.ToHandle();
  EXPECT_EQ(AdaptePictureRGB(u, 1, nullptr, nullptr), nullptr);
  DisposeHandle(u);
  DisposeHandle(h);
}

TEST(PictConversion, ConvertedPictureReplaysIdentically) {
  CGrafPtr savedPort;
  GDHandle savedDev;
  GetGWorld(&savedPort, &savedDev);
  for (bool host : {false, true}) {
    PictBuilder p = PictBuilder::V2({0, 0, 40, 100}, host);
    AddDirect24(p, 70, 3, true);
    p.Line(30, 1, 30, 90);
    p.End();
    Handle pic = p.ToHandle();
    Rect frame{0, 0, 40, 100};
    GWorldPtr before = nullptr, after = nullptr;
    ASSERT_EQ(NewGWorld(&before, 32, &frame, nullptr, nullptr, 0), qdNoErr);
    ASSERT_EQ(NewGWorld(&after, 32, &frame, nullptr, nullptr, 0), qdNoErr);
    SetGWorld(before, nullptr);
    DrawPicture(pic, &frame);
    ASSERT_TRUE(ConvertPictureFromOldFormat(pic));
    SetGWorld(after, nullptr);
    DrawPicture(pic, &frame);
    // The image landed where its destination rectangle says, in its colours.
    uint32_t px = QDGetPixel(before, 25, 11);
    EXPECT_EQ(px, 0xFF000000u | (uint32_t(Px(5, 1, 0)) << 16) | (uint32_t(Px(5, 1, 1)) << 8) | Px(5, 1, 2));
    int diff = 0;
    for (int16_t v = 0; v < 40; v++)
      for (int16_t h = 0; h < 100; h++) diff += QDGetPixel(before, h, v) != QDGetPixel(after, h, v);
    EXPECT_EQ(diff, 0) << host;
    DisposeGWorld(before);
    DisposeGWorld(after);
    DisposeHandle(pic);
  }
  SetGWorld(savedPort, savedDev);
}

TEST(PictConversion, DrawColorPictureDrawsInTheIndexColour) {
  PictBuilder p = PictBuilder::V2({0, 0, 20, 20});
  p.RGBFg(0, 0, 0xFFFF);
  p.RectOp(0x0031, {2, 2, 10, 10});
  p.End();
  Handle pic = p.ToHandle();
  Handle red = AdaptePicture(pic, 1, 35);  // entry 35: pure red
  ASSERT_NE(red, nullptr);
  EXPECT_EQ(Dump(red),
            "Picture 2 frame (0,0,20,20)\nHeaderOp -2 72 72 (0,0,20,20)\n"
            "RGBFgCol FFFF 0000 0000\nPaintRect (2,2,10,10)\nOpEndPic\n");
  DisposeHandle(red);
  CGrafPtr savedPort;
  GDHandle savedDev;
  GetGWorld(&savedPort, &savedDev);
  GWorldPtr w = nullptr;
  Rect frame{0, 0, 20, 20};
  ASSERT_EQ(NewGWorld(&w, 32, &frame, nullptr, nullptr, 0), qdNoErr);
  SetGWorld(w, nullptr);
  DrawColorPicture(pic, &frame, 35);
  EXPECT_EQ(QDGetPixel(w, 5, 5), 0xFFFF0000u);
  DrawColorPicture(pic, &frame, 0);
  EXPECT_EQ(QDGetPixel(w, 5, 5), 0xFF0000FFu);
  SetGWorld(savedPort, savedDev);
  DisposeGWorld(w);
  DisposeHandle(pic);
}
