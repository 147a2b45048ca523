#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/Memory.h"
#include "platform/PictDump.h"
#include "platform/PictFormat.h"
#include "platform/Pictures.h"
#include "platform/QuickDraw.h"
#include "support/PictBuilder.h"

namespace {

const Rect kFrame{0, 0, 120, 160};

GWorldPtr NewWorld(const Rect& r = kFrame) {
  GWorldPtr w = nullptr;
  EXPECT_EQ(NewGWorld(&w, 32, &r, nullptr, nullptr, 0), qdNoErr);
  return w;
}

void ClearWhite(GWorldPtr w) {
  SetGWorld(w, nullptr);
  Rect r;
  GetPortBounds(w, &r);
  RGBColor white{0xFFFF, 0xFFFF, 0xFFFF};
  RGBForeColor(&white);
  PaintRect(&r);
  ForeColor(blackColor);
}

// A scene that exercises every recorded state and drawing opcode but text.
void DrawScene() {
  RGBColor blue{0, 0, 0xFFFF}, red{0xFFFF, 0, 0}, green{0, 0x8000, 0};
  MoveTo(5, 5);
  LineTo(100, 7);
  LineTo(100, 60);  // from the pen: LineFrom
  PenSize(3, 2);
  RGBForeColor(&blue);
  MoveTo(10, 110);
  LineTo(150, 20);  // long line
  PenNormal();
  Rect r{20, 20, 50, 70};
  FrameRect(&r);
  RGBForeColor(&red);
  InsetRect(&r, 4, 4);
  PaintRect(&r);
  PaintOval(&r);  // the same rectangle again
  Rect o{60, 10, 100, 60};
  FrameOval(&o);
  Rect rr{60, 70, 100, 150};
  PaintRoundRect(&rr, 16, 10);
  RGBForeColor(&green);
  PaintArc(&o, 45, 120);
  Pattern gray;
  GetQDGlobalsGray(&gray);
  Rect f{5, 110, 30, 155};
  FillRect(&f, &gray);
  ForeColor(blackColor);
  Rect inv{0, 0, 15, 15};
  InvertRect(&inv);
  PolyHandle poly = OpenPoly();
  MoveTo(120, 70);
  LineTo(155, 115);
  LineTo(100, 115);
  LineTo(120, 70);
  ClosePoly();
  PaintPoly(poly);
  KillPoly(poly);
  // A clip that is not a rectangle.
  RgnHandle a = NewRgn(), b = NewRgn(), clip = NewRgn(), saved = NewRgn();
  SetRectRgn(a, 0, 100, 60, 120);
  SetRectRgn(b, 20, 80, 40, 120);
  UnionRgn(a, b, clip);
  GetClip(saved);
  SetClip(clip);
  Rect big{70, 0, 120, 80};
  RGBForeColor(&blue);
  PaintRect(&big);
  SetClip(saved);
  FrameRgn(clip);
  DisposeRgn(a);
  DisposeRgn(b);
  DisposeRgn(clip);
  DisposeRgn(saved);
  // 32-bit pixels with alpha through the bits bottleneck.
  GWorldPtr img = NewWorld(Rect{0, 0, 8, 12});
  PixMapHandle pm = GetGWorldPixMap(img);
  uint8_t* base = reinterpret_cast<uint8_t*>(GetPixBaseAddr(pm));
  int32_t rb = GetPixRowBytes(pm);
  for (int y = 0; y < 8; y++)
    for (int x = 0; x < 12; x++) {
      uint8_t* px = base + y * rb + x * 4;
      px[0] = x < 6 ? 0xFF : 0x80;  // half the image half transparent
      px[1] = uint8_t(x * 20);
      px[2] = uint8_t(y * 30);
      px[3] = uint8_t((x + y) & 1 ? 0xFF : 0);
    }
  GrafPtr port;
  GetPort(&port);
  Rect src{0, 0, 8, 12}, dst{80, 130, 96, 154};
  ForeColor(blackColor);
  CopyBits(GetPortBitMapForCopyBits(img), GetPortBitMapForCopyBits(port), &src, &dst, srcCopy, nullptr);
  DisposeGWorld(img);
}

int CountDifferences(GWorldPtr a, GWorldPtr b, const Rect& r) {
  int diff = 0;
  for (int16_t v = r.top; v < r.bottom; v++)
    for (int16_t h = r.left; h < r.right; h++)
      if (QDGetPixel(a, h, v) != QDGetPixel(b, h, v)) {
        if (diff < 12 && getenv("PICT_DEBUG_PNG"))
          printf("diff at %d,%d: %08X vs %08X\n", h, v, QDGetPixel(a, h, v), QDGetPixel(b, h, v));
        diff++;
      }
  return diff;
}

std::string DumpOf(PicHandle pic) {
  std::string s;
  PictDumpHandle(pic, s);
  return s;
}

struct PortGuard {
  CGrafPtr port;
  GDHandle dev;
  PortGuard() { GetGWorld(&port, &dev); }
  ~PortGuard() { SetGWorld(port, dev); }
};

}  // namespace

TEST(Pictures, RecordedSceneReplaysPixelForPixel) {
  PortGuard guard;
  GWorldPtr direct = NewWorld(), recording = NewWorld(), replay = NewWorld();
  ClearWhite(direct);
  DrawScene();
  ClearWhite(recording);
  PicHandle pic = OpenPicture(&kFrame);
  ASSERT_NE(pic, nullptr);
  EXPECT_EQ(OpenPicture(&kFrame), nullptr);  // one picture at a time per port
  DrawScene();
  ClosePicture();
  ASSERT_GT(GetHandleSize(pic), 40);
  ClearWhite(replay);
  DrawPicture(pic, &kFrame);
  EXPECT_EQ(CountDifferences(direct, recording, kFrame), 0);
  EXPECT_EQ(CountDifferences(direct, replay, kFrame), 0) << DumpOf(pic);
  if (getenv("PICT_DEBUG_PNG")) {
    QDWritePortPNG(direct, "/tmp/pict_direct.png");
    QDWritePortPNG(replay, "/tmp/pict_replay.png");
    if (FILE* f = fopen("/tmp/pict_scene.pict", "wb")) {
      fwrite(*pic, 1, size_t(GetHandleSize(pic)), f);
      fclose(f);
    }
  }
  // The image's alpha is in the picture.
  {
    const uint8_t* d = reinterpret_cast<const uint8_t*>(*pic);
    size_t n = size_t(GetHandleSize(pic));
    PictWalker w;
    PictOp op;
    ASSERT_TRUE(PictWalkBegin(w, d, n));
    bool seen = false;
    while (PictWalkNext(w, op)) {
      if (op.opcode != 0x9A) continue;
      PictReader rd{d, n, op.operand, false, false};
      PictBits b;
      ASSERT_TRUE(PictParseBits(rd, op.opcode, b));
      std::vector<uint8_t> argb;
      ASSERT_TRUE(PictDecodeBitsARGB(d, n, b, false, RGBColor{}, RGBColor{}, argb));
      EXPECT_EQ(b.cmpCount, 4);
      EXPECT_EQ(argb[0], 0xFF);
      EXPECT_EQ(argb[7 * 4], 0x80);
      EXPECT_EQ(argb[3 * 4 + 1], 60);
      seen = true;
    }
    EXPECT_TRUE(seen);
  }
  // The port's state is its own again after playback.
  RGBColor fg;
  GetForeColor(&fg);
  EXPECT_EQ(fg.red, 0);
  KillPicture(pic);
  SetGWorld(recording, nullptr);
  PicHandle killed = OpenPicture(&kFrame);  // killed while open: recording stops
  KillPicture(killed);
  MoveTo(0, 0);
  LineTo(5, 5);
  EXPECT_FALSE(IsPortPictureBeingDefined(recording));
  DisposeGWorld(direct);
  DisposeGWorld(recording);
  DisposeGWorld(replay);
}

TEST(Pictures, RecorderWritesStateOnlyWhenChanged) {
  PortGuard guard;
  GWorldPtr w = NewWorld();
  ClearWhite(w);
  Rect frame{0, 0, 40, 60};
  ClipRect(&frame);
  PicHandle pic = OpenPicture(&frame);
  RGBColor red{0xFFFF, 0, 0};
  MoveTo(1, 2);
  LineTo(30, 2);
  LineTo(30, 20);
  RGBForeColor(&red);
  RGBForeColor(&red);
  PenSize(2, 2);
  MoveTo(0, 0);
  LineTo(300, 10);
  Rect r{5, 5, 15, 25};
  PaintRect(&r);
  FrameOval(&r);
  TextFont(1000);  // a number no family has: no font-name opcode either way
  TextFace(bold);
  TextSize(14);
  MoveTo(3, 30);
  Point one{1, 1};
  StdText(2, "Ab", one, one);
  MoveTo(13, 30);
  StdText(1, "c", one, one);  // same baseline: only the advance is written
  Handle data = NewHandle(4);
  std::memcpy(*data, "STOP", 4);
  PicComment(5479, 4, data);
  PicComment(5477, 0, nullptr);
  DisposeHandle(data);
  ClosePicture();
  EXPECT_EQ(DumpOf(pic),
            "Picture 2 frame (0,0,40,60)\n"
            "HeaderOp -2 72 72 (0,0,40,60)\n"
            "Clip 10 (0,0,40,60)\n"
            "ShortLine (2,1) 29 0\n"
            "ShortLineFrom 0 18\n"
            "PnSize (2,2)\n"
            "RGBFgCol FFFF 0000 0000\n"
            "Line (0,0) (10,300)\n"
            "PaintRect (5,5,15,25)\n"
            "FrameSameOval\n"
            "TxFont 1000\n"
            "TxFace 1\n"
            "TxSize 14\n"
            "LongText (30,3) \"Ab\"\n"
            "DHText 10 \"c\"\n"
            "LongComment 5479 4 \"STOP\"\n"
            "ShortComment 5477\n"
            "OpEndPic\n");
  std::vector<uint8_t> b = HandleBytes(pic);
  EXPECT_EQ(size_t((b[0] << 8) | b[1]), b.size());
  KillPicture(pic);
  DisposeGWorld(w);
}

namespace {

// A spy port: its procedures log what the player hands them.
std::string gLog;
void SpyLine(Point p) {
  GrafPtr port;
  GetPort(&port);
  gLog += "line " + std::to_string(port->pnLoc.h) + "," + std::to_string(port->pnLoc.v) + "-" + std::to_string(p.h) +
          "," + std::to_string(p.v) + "\n";
}
void SpyText(int16_t n, const void* t, Point numer, Point denom) {
  GrafPtr port;
  GetPort(&port);
  gLog += "text " + std::string(static_cast<const char*>(t), size_t(n)) + " at " + std::to_string(port->pnLoc.h) + "," +
          std::to_string(port->pnLoc.v) + " font " + std::to_string(port->txFont) + " size " +
          std::to_string(port->txSize) + " face " + std::to_string(port->txFace) + " scale " + std::to_string(numer.h) +
          "/" + std::to_string(denom.h) + "\n";
}
void SpyComment(int16_t kind, int16_t n, Handle h) {
  gLog += "comment " + std::to_string(kind);
  const size_t length = QDCommentLength(n, h);
  if (length > 100) gLog += " of " + std::to_string(length) + " bytes";
  else if (length > 0) gLog += " " + std::string(*h, length);
  gLog += "\n";
}
void SpyRect(GrafVerb verb, const Rect* r) {
  GrafPtr port;
  GetPort(&port);
  gLog += "rect " + std::to_string(verb) + " " + std::to_string(r->left) + "," + std::to_string(r->top) + "," +
          std::to_string(r->right) + "," + std::to_string(r->bottom) + " fg " +
          std::to_string(port->rgbFgColor.red >> 8) + "\n";
}

std::string PlayIntoSpy(const std::vector<uint8_t>& bytes, const Rect& dst) {
  PortGuard guard;
  GWorldPtr w = NewWorld(Rect{0, 0, 300, 400});
  SetGWorld(w, nullptr);
  CQDProcs procs;
  SetStdCProcs(&procs);
  procs.lineProc = SpyLine;
  procs.textProc = SpyText;
  procs.commentProc = SpyComment;
  procs.rectProc = SpyRect;
  SetPortGrafProcs(w, &procs);
  gLog.clear();
  Handle h = NewHandle(Size(bytes.size()));
  std::memcpy(*h, bytes.data(), bytes.size());
  DrawPicture(h, &dst);
  DisposeHandle(h);
  SetPortGrafProcs(w, nullptr);
  DisposeGWorld(w);
  return gLog;
}

}  // namespace

TEST(Pictures, Version1AndHostOrderPicturesPlayThroughThePortProcedures) {
  PictBuilder v1 = PictBuilder::V1({10, 20, 110, 220});
  v1.Op(0x03);
  v1.BE(20);
  v1.Op(0x04);  // one byte in version 1
  v1.U8(1);
  v1.Op(0x0D);
  v1.BE(12);
  v1.LongText(60, 30, "Ab");
  v1.Op(0x29);  // DHText
  v1.U8(10);
  v1.U8(1);
  v1.U8('c');
  v1.Line(10, 20, 110, 220);
  v1.Op(0x0E);
  v1.BE32(205);  // classic red
  v1.RectOp(0x31, {20, 40, 30, 60});
  v1.Op(0xA0);
  v1.BE(5476);
  v1.End();
  // Twice the frame's size: coordinates and the text scale follow.
  EXPECT_EQ(PlayIntoSpy(v1.b, Rect{0, 0, 200, 400}),
            "text Ab at 20,100 font 20 size 12 face 1 scale 2/1\n"
            "text c at 40,100 font 20 size 12 face 1 scale 2/1\n"
            "line 0,0-400,200\n"
            "rect 1 40,20,80,40 fg 255\n"  // the red of ForeColor(redColor)
            "comment 5476\n");

  PictBuilder ho = PictBuilder::V2({0, 0, 100, 200}, true);
  ho.Op(0x000D);
  ho.W(24);
  ho.LongComment(100, "Qrvl\x01\x00\x00\x00\xC3\xA9", 10);
  ho.LongText(50, 10, "e");
  ho.RGBFg(0x8000, 0, 0);
  ho.RectOp(0x0031, {1, 2, 3, 4});
  ho.Op(0x00A0);
  ho.W(5477);
  ho.End();
  const char kExpected[] =
      "comment 100 Qrvl\x01\x00\x00\x00\xC3\xA9"
      "\n"
      "text e at 10,50 font 0 size 24 face 0 scale 1/1\n"
      "rect 1 2,1,4,3 fg 128\n"
      "comment 5477\n";
  EXPECT_EQ(PlayIntoSpy(ho.b, Rect{0, 0, 100, 200}), std::string(kExpected, sizeof kExpected - 1));
}

// Comments run to 65535 bytes: the long ones reach the procedure whole, and a
// recording port records them again whole.
TEST(Pictures, LongCommentsReachTheProcedureWhole) {
  PictBuilder p = PictBuilder::V2({0, 0, 10, 10});
  const std::vector<uint8_t> data(40000, 'x');
  p.LongComment(4242, data.data(), uint16_t(data.size()));
  p.End();
  EXPECT_EQ(PlayIntoSpy(p.b, Rect{0, 0, 10, 10}), "comment 4242 of 40000 bytes\n");
  PortGuard guard;
  GWorldPtr w = NewWorld(Rect{0, 0, 10, 10});
  SetGWorld(w, nullptr);
  Rect frame{0, 0, 10, 10};
  PicHandle again = OpenPicture(&frame);
  Handle h = NewHandle(Size(p.b.size()));
  std::memcpy(*h, p.b.data(), p.b.size());
  DrawPicture(h, &frame);
  ClosePicture();
  EXPECT_EQ(PlayIntoSpy(HandleBytes(again), frame), "comment 4242 of 40000 bytes\n");
  DisposeHandle(h);
  KillPicture(again);
  DisposeGWorld(w);
}

// A port that records while a picture plays into it records the picture
// again, at the destination's scale.
TEST(Pictures, PlaybackIntoARecordingPortRecordsAgain) {
  PortGuard guard;
  PictBuilder p = PictBuilder::V2({0, 0, 50, 50});
  p.Line(5, 5, 25, 45);
  p.RectOp(0x0031, {10, 10, 20, 20});
  p.LongComment(5479, "STOP", 4);
  p.End();
  Handle src = p.ToHandle();
  GWorldPtr w = NewWorld();
  SetGWorld(w, nullptr);
  Rect frame{0, 0, 100, 100};
  PicHandle again = OpenPicture(&frame);
  DrawPicture(src, &frame);
  ClosePicture();
  std::string d = DumpOf(again);
  EXPECT_NE(d.find("PnSize (2,2)\nShortLine (10,10) 80 40\n"), std::string::npos) << d;
  EXPECT_NE(d.find("PaintRect (20,20,40,40)\n"), std::string::npos) << d;
  EXPECT_NE(d.find("LongComment 5479 4 \"STOP\"\n"), std::string::npos) << d;
  KillPicture(again);
  DisposeHandle(src);
  DisposeGWorld(w);
}

// One-bit bitmaps take the picture's colours; indexed maps their colour
// table; rows may be packed or not.
TEST(Pictures, BitmapsAndIndexedMapsPlayInTheirColours) {
  PortGuard guard;
  PictBuilder v1 = PictBuilder::V1({0, 0, 10, 20});
  v1.Op(0x90);  // BitsRect: unpacked rows
  v1.BE(2);     // rowBytes of a bitmap
  v1.RectBE({0, 0, 2, 16});
  v1.RectBE({0, 0, 2, 16});
  v1.RectBE({1, 1, 3, 17});
  v1.BE(0);
  v1.U8(0xF0);
  v1.U8(0x0F);
  v1.U8(0xAA);
  v1.U8(0x55);
  v1.End();
  PictBuilder v2 = PictBuilder::V2({0, 0, 10, 20});
  v2.RGBFg(0, 0, 0);
  v2.Op(0x0098);  // PackBitsRect with an 8-bit map
  v2.BE(0x8000 | 10);
  v2.RectBE({0, 0, 1, 10});
  v2.BE(0);
  v2.BE(0);
  v2.BE32(0);
  v2.BE32(72 << 16);
  v2.BE32(72 << 16);
  v2.BE(0);
  v2.BE(8);
  v2.BE(1);
  v2.BE(8);
  v2.BE32(0);
  v2.BE32(0);
  v2.BE32(0);
  v2.BE32(0);
  v2.BE(0);
  v2.BE(1);  // colour table: two entries
  for (uint16_t v : {0, 0x0000, 0xFFFF, 0x0000, 1, 0xFFFF, 0x0000, 0x0000}) v2.BE(v);
  v2.RectBE({0, 0, 1, 10});
  v2.RectBE({5, 0, 6, 10});
  v2.BE(0);
  v2.U8(4);  // packed row: 5 zeros, 5 ones
  v2.U8(0xFC);
  v2.U8(0);
  v2.U8(0xFC);
  v2.U8(1);
  v2.End();
  GWorldPtr w = NewWorld(Rect{0, 0, 10, 20});
  ClearWhite(w);
  Rect frame{0, 0, 10, 20};
  Handle h1 = v1.ToHandle(), h2 = v2.ToHandle();
  DrawPicture(h1, &frame);
  DrawPicture(h2, &frame);
  EXPECT_EQ(QDGetPixel(w, 1, 1), 0xFF000000u);  // bit set
  EXPECT_EQ(QDGetPixel(w, 5, 1), 0xFFFFFFFFu);  // bit clear: background
  EXPECT_EQ(QDGetPixel(w, 2, 2), 0xFFFFFFFFu);  // 0xAA: first bit set, second clear
  EXPECT_EQ(QDGetPixel(w, 1, 2), 0xFF000000u);
  EXPECT_EQ(QDGetPixel(w, 2, 5), 0xFF00FF00u);  // index 0: green
  EXPECT_EQ(QDGetPixel(w, 7, 5), 0xFFFF0000u);  // index 1: red
  DisposeHandle(h1);
  DisposeHandle(h2);
  DisposeGWorld(w);
}

// A font change writes the family's name
// before the number, and playback renumbers by that name.
TEST(Pictures, FontNamesAreRecordedAndRenumberedOnPlayback) {
  PortGuard guard;
  GWorldPtr w = NewWorld();
  SetGWorld(w, nullptr);
  Rect frame{0, 0, 40, 60};
  PicHandle pic = OpenPicture(&frame);
  TextFont(20);
  MoveTo(3, 30);
  Point one{1, 1};
  StdText(1, "a", one, one);
  ClosePicture();
  std::string d = DumpOf(pic);
  EXPECT_NE(d.find("FontName 20 \"Times\"\nTxFont 20\n"), std::string::npos) << d;
  // The same picture from a machine where Times was number 77.
  std::vector<uint8_t> b = HandleBytes(pic);
  for (size_t i = 40; i + 1 < b.size(); i += 2)
    if (b[i] == 0x00 && b[i + 1] == 0x03) {  // TxFont
      b[i + 3] = 77;
      break;
    }
  for (size_t i = 40; i + 5 < b.size(); i += 2)
    if (b[i] == 0x00 && b[i + 1] == 0x2C) {  // FontName: length, old number
      b[i + 5] = 77;
      break;
    }
  EXPECT_NE(PlayIntoSpy(b, frame).find("font 20"), std::string::npos);
  KillPicture(pic);
  DisposeGWorld(w);
}

// Text longer than one opcode holds goes in pieces, each after the measured
// width of the one before.
TEST(Pictures, LongTextIsRecordedInMeasuredPieces) {
  PortGuard guard;
  GWorldPtr w = NewWorld();
  SetGWorld(w, nullptr);
  CQDProcs procs;
  SetStdCProcs(&procs);
  procs.txMeasProc = [](int16_t n, const void*, Point*, Point*, FontInfo*) -> int16_t { return n; };
  SetPortGrafProcs(w, &procs);
  Rect frame{0, 0, 40, 60};
  PicHandle pic = OpenPicture(&frame);
  std::string text(300, 'x');
  MoveTo(2, 20);
  Point one{1, 1};
  StdText(int16_t(text.size()), text.data(), one, one);
  ClosePicture();
  SetPortGrafProcs(w, nullptr);
  std::string d = DumpOf(pic);
  EXPECT_NE(d.find("LongText (20,2) \"" + std::string(255, 'x') + "\"\nDHText 255 \"" + std::string(45, 'x') + "\"\n"),
            std::string::npos)
      << d;
  KillPicture(pic);
  DisposeGWorld(w);
}
