// Truncated, mutated and random pictures through every reader of pictures:
// none may crash, hang or read past the picture (the sanitizer build checks
// the last).
#include <gtest/gtest.h>

#include <cairo.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "platform/Memory.h"
#include "platform/PictContext.h"
#include "platform/PictDump.h"
#include "platform/PictFormat.h"
#include "platform/Pictures.h"
#include "platform/QuickDraw.h"
#include "support/PictBuilder.h"
#include "system/PictConversion.h"

namespace {

// A picture with one of everything the readers treat specially.
std::vector<uint8_t> Seed(bool host) {
  PictBuilder p = PictBuilder::V2({0, 0, 60, 80}, host);
  p.Op(0x0001);
  p.W(10);
  p.RectBE({0, 0, 60, 80});
  p.Op(0x0003);
  p.W(20);
  p.Op(0x002C);
  p.W(8);
  p.W(20);
  p.U8(5);
  p.Bytes("Times", 5);
  p.LongComment(100, "Qrvl\x01\x00\x00\x00Hi", 10);
  p.LongText(20, 5, "Hi");
  p.Op(0x0029);
  p.U8(10);
  p.U8(1);
  p.U8('x');
  p.Line(1, 1, 50, 70);
  p.Op(0x0022);
  p.PtBE(5, 5);
  p.U8(10);
  p.U8(0xF6);
  std::string path = "START 256 0 1 2 1 1.0000 3 10 10 10 10 10 10 40 10 40 10 40 10 40 40 40 40 40 40 ";
  p.LongComment(5479, path.data(), uint16_t(path.size()));
  p.Line(30, 10, 30, 40);
  p.LongComment(5479, "STOP", 4);
  p.Op(0x0071);
  p.W(22);
  p.RectBE({0, 0, 30, 30});
  p.PtBE(0, 0);
  p.PtBE(30, 0);
  p.PtBE(30, 30);
  p.Op(0x0081);
  p.W(28);
  p.RectBE({0, 0, 10, 10});
  for (uint16_t v : {0, 0, 10, 0x7FFF, 10, 0, 10, 0x7FFF, 0x7FFF}) p.BE(v);
  // 24-bit direct pixels, packed by planes.
  p.Op(0x009A);
  p.W32(0xFF);
  p.W(0x8000 | 30);
  p.RectW({0, 0, 2, 10});
  p.W(0);
  p.W(4);
  p.W32(0);
  p.W32(72 << 16);
  p.W32(72 << 16);
  p.W(0);
  p.W(24);
  p.W(3);
  p.W(8);
  p.W32(0);
  p.W32(0);
  p.W32(0);
  p.RectBE({0, 0, 2, 10});
  p.RectBE({40, 40, 42, 50});
  p.W(0);
  for (int y = 0; y < 2; y++) {
    p.U8(2);
    p.U8(0xE3);  // 30 bytes of one value
    p.U8(uint8_t(y * 90));
  }
  // An 8-bit indexed map with a colour table.
  p.Op(0x0098);
  p.W(0x8000 | 8);
  p.RectW({0, 0, 2, 8});
  p.W(0);
  p.W(0);
  p.W32(0);
  p.W32(72 << 16);
  p.W32(72 << 16);
  p.W(0);
  p.W(8);
  p.W(1);
  p.W(8);
  p.W32(0);
  p.W32(0);
  p.W32(0);
  p.W32(0);
  p.W(0);
  p.W(1);
  for (uint16_t v : {0, 0xFFFF, 0, 0, 1, 0, 0, 0xFFFF}) p.W(v);
  p.RectBE({0, 0, 2, 8});
  p.RectBE({0, 50, 2, 58});
  p.W(0);
  for (int y = 0; y < 2; y++) {
    p.U8(2);
    p.U8(0xF9);
    p.U8(uint8_t(y));
  }
  p.Op(0x00A0);
  p.W(5476);
  p.LongText(30, 5, "\x21\x22");
  p.End();
  return p.b;
}

void Exercise(const std::vector<uint8_t>& bytes, GWorldPtr world, cairo_t* cr) {
  Handle h = NewHandle(Size(bytes.size()));
  ASSERT_NE(h, nullptr);
  if (!bytes.empty()) std::memcpy(*h, bytes.data(), bytes.size());
  std::string dump;
  PictDumpHandle(h, dump);
  Rect dst{0, 0, 60, 80}, half{0, 0, 30, 40};
  SetGWorld(world, nullptr);
  DrawPicture(h, &dst);
  DrawPicture(h, &half);
  DrawPictureIntoContext(cr, h, &dst);
  Handle adapted = AdaptePictureRGB(h, 1, nullptr, nullptr);
  if (adapted) {
    // What the rewriter writes, every reader reads to its end.
    std::string d;
    EXPECT_TRUE(PictDumpHandle(adapted, d)) << d;
    DisposeHandle(adapted);
  }
  ConvertPictureFromOldFormat(h);
  DrawPicture(h, &dst);
  DisposeHandle(h);
}

}  // namespace

TEST(PictFuzz, TruncatedMutatedAndRandomPicturesFailCleanly) {
  CGrafPtr savedPort;
  GDHandle savedDev;
  GetGWorld(&savedPort, &savedDev);
  GWorldPtr world = nullptr;
  Rect bounds{0, 0, 80, 100};
  ASSERT_EQ(NewGWorld(&world, 32, &bounds, nullptr, nullptr, 0), qdNoErr);
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 100, 80);
  cairo_t* cr = cairo_create(s);

  // Text goes to a drawer that draws nothing: the text engine has its own
  // tests, and fonts are not what is fuzzed here.
  gPictReplayTextProc = [](cairo_t*, const PictReplayText&) {};
  std::mt19937 rng(12345);
  for (bool host : {false, true}) {
    std::vector<uint8_t> seed = Seed(host);
    {
      std::string d;
      ASSERT_TRUE(PictDumpText(seed.data(), seed.size(), d)) << d;
    }
    for (size_t n = 0; n <= seed.size(); n++)
      Exercise(std::vector<uint8_t>(seed.begin(), seed.begin() + long(n)), world, cr);
    for (int i = 0; i < 400; i++) {
      std::vector<uint8_t> m = seed;
      int edits = 1 + int(rng() % 4);
      for (int e = 0; e < edits; e++) {
        size_t at = 10 + rng() % (m.size() - 10);
        switch (rng() % 3) {
          case 0: m[at] = uint8_t(rng()); break;
          case 1: m[at] = 0xFF; break;
          default: m[at] ^= uint8_t(1u << (rng() % 8)); break;
        }
      }
      Exercise(m, world, cr);
    }
  }
  // Random bytes behind a valid header, and a version-1 header.
  for (int i = 0; i < 300; i++) {
    PictBuilder p = (i & 1) ? PictBuilder::V1({0, 0, 50, 50}) : PictBuilder::V2({0, 0, 50, 50}, (i & 2) != 0);
    size_t n = rng() % 200;
    for (size_t k = 0; k < n; k++) p.U8(uint8_t(rng()));
    Exercise(p.b, world, cr);
  }
  gPictReplayTextProc = PictReplayDrawText;
  cairo_destroy(cr);
  cairo_surface_destroy(s);
  SetGWorld(savedPort, savedDev);
  DisposeGWorld(world);
}
