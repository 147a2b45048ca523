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
#include "support/PictSamples.h"
#include "system/PictConversion.h"

namespace {

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
    std::vector<uint8_t> seed = tamrel_test::PictureWithEverything(host);
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
