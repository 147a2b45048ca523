// Colour icons: the cache, sizes, fading that leaves the cache alone, custom
// palette icons and the missing-icon path.
#include <gtest/gtest.h>

#include "platform/ColorIcons.h"
#include "platform/Memory.h"
#include "system/Icones.h"
#include "system/Offscreens.h"

namespace {

struct Scene {
  CGrafPtr port;
  GDHandle dev;
  GWorldPtr world = nullptr;
  Scene() {
    GetGWorld(&port, &dev);
    Rect r{0, 0, 80, 80};
    NewGWorld(&world, 32, &r, nullptr, nullptr, 0);
    SetGWorld(world, nullptr);
    BackColor(whiteColor);
    EraseRect(&r);
  }
  ~Scene() {
    SetGWorld(port, dev);
    DisposeGWorld(world);
  }
  uint32_t At(int16_t x, int16_t y) { return QDGetPixel(world, x, y) & 0xFFFFFF; }
};

// A 16 x 16 icon: opaque red square with a masked-out left half.
void Register(int16_t id) {
  uint32_t px[16 * 16];
  for (int i = 0; i < 256; ++i) px[i] = (i % 16) < 8 ? 0 : 0xFFFF0000u;
  ASSERT_TRUE(QDRegisterColorIcon(id, 16, 16, px));
}

const IconeCache* Cached(int16_t id) {
  if (!extraIcones) return nullptr;
  const IconeCache* e = reinterpret_cast<const IconeCache*>(*extraIcones);
  for (size_t i = 0; i < size_t(GetHandleSize(extraIcones)) / sizeof(IconeCache); ++i)
    if (e[i].id == id) return &e[i];
  return nullptr;
}

}  // namespace

TEST(Icones, DrawnAtTheirOwnSizeAndReadOnce) {
  Scene s;
  Register(501);
  uint32_t reads = QDColorIconReadCount();
  DrawIconXY(501, 10, 10);
  DrawIconXY(501, 40, 40);
  EXPECT_EQ(QDColorIconReadCount(), reads + 1);
  EXPECT_EQ(s.At(20, 20), 0xFF0000u);
  EXPECT_EQ(s.At(12, 12), 0xFFFFFFu);  // the mask keeps what was below
  EXPECT_EQ(s.At(25, 25), 0xFF0000u);
  EXPECT_EQ(s.At(26, 26), 0xFFFFFFu);  // 16 x 16, not the 32 x 32 Rect
  const IconeCache* e = Cached(501);
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->rect.right, 16);
  // Buttons take the size from the cache.
  DrawIconButtonXY(501, 60, 0);
  EXPECT_EQ(QDColorIconReadCount(), reads + 1);
  EXPECT_EQ(s.At(75, 15), 0xFF0000u);
  DrawIconButtonXY(0, 0, 0);
  DrawIconButtonXY(999, 0, 60);
  EXPECT_EQ(s.At(1, 61), 0xFFFFFFu);
}

TEST(Icones, FadingWorksOnACopy) {
  Scene s;
  Register(502);
  Rect r{0, 0, 16, 16};
  OrvantaDrawIconAltered(&r, 502, true, 50, 100);
  uint32_t v = s.At(12, 4);
  EXPECT_EQ(v >> 16, 0xFFu);
  EXPECT_NEAR(int((v >> 8) & 0xFF), 128, 2);
  const IconeCache* e = Cached(502);
  ASSERT_NE(e, nullptr);
  int32_t rb = 0;
  uint8_t* base = reinterpret_cast<uint8_t*>(RozoGetInfoOffscreen(e->offscreen, nullptr, &rb, nullptr));
  EXPECT_EQ(base[12 * 4], 255);  // the cached icon is still opaque
  EXPECT_EQ(base[2 * 4], 0);     // and its key colour transparent
  // Without saturation the icon is grey.
  Rect g{20, 0, 36, 16};
  OrvantaDrawIconAltered(&g, 502, true, 100, 0);
  uint32_t grey = s.At(12, 24);
  EXPECT_EQ(grey >> 16, grey & 0xFF);
  // An unselected button is veiled with light grey.
  Rect b{40, 0, 56, 16};
  DrawIconButton(&b, 502, 0, false);
  uint32_t veiled = s.At(12, 44);
  EXPECT_GT(int((veiled >> 8) & 0xFF), 150);
}

TEST(Icones, MissingIconsPaintTheRect) {
  Scene s;
  ForeColor(blackColor);
  Rect r{5, 5, 10, 10};
  OrvantaDrawIcon(&r, 777, true);
  EXPECT_EQ(s.At(7, 7), 0u);
  EXPECT_EQ(Cached(777), nullptr);
}

TEST(Icones, CustomPaletteIcons) {
  Scene s;
  const uint8_t palette[3 * 4] = {255, 254, 255, 0, 1, 128, 254, 0, 10, 20, 30, 0};
  const uint8_t idx[4] = {0, 1, 2, 9};  // 9 is beyond the palette
  Rect dst{0, 0, 2, 2};
  ForeColor(blackColor);
  EraseRect(&dst);
  RGBColor grey{0x8080, 0x8080, 0x8080};
  RGBForeColor(&grey);
  Rect under{0, 0, 80, 80};
  PaintRect(&under);
  DrawIconCustom(2, 2, palette, 3, idx, &dst);
  EXPECT_EQ(s.At(0, 0), 0x808080u);  // near white: transparent
  EXPECT_EQ(s.At(1, 0), 0x0080FFu);  // (1, 128, 254) snaps to (0, 128, 255)
  EXPECT_EQ(s.At(0, 1), 0x0A141Eu);
  EXPECT_EQ(s.At(1, 1), 0x808080u);
}
