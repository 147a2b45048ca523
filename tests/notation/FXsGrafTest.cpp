#include "notation/FXsGraf.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "layout/ModesEcran.h"
#include "layout/PaginationFixtures.h"
#include "model/QrvFXs.h"
#include "notation/NotationFixtures.h"
#include "platform/QuickDraw.h"

namespace {

// A named object with a black square icon (palette entry 1 black, the rest
// of the icon transparent).
FX Objet(const char* nom, uint8_t affiche) {
  FX f{};
  std::strncpy(f.nom, nom, sizeof f.nom - 1);
  f.style.size = 12;
  f.affiche = affiche;
  std::memset(f.icone, 255, sizeof f.icone);
  for (int y = 8; y < 24; y++)
    for (int x = 8; x < 24; x++) f.icone[y * 32 + x] = 1;
  f.couleur[4] = f.couleur[5] = f.couleur[6] = 0;
  for (int i = 2; i < 256; i++) f.couleur[4 * i] = 255;
  return f;
}

}  // namespace

// A hidden object shows only while guide marks are drawn.
TEST(FXsGraf, HiddenObjectsShowWithTheGuideMarks) {
  PartitionPaginee p(1, 1);
  const Rect r{10, 10, 60, 200};
  for (uint8_t reperes : {0, 1}) {
    IsTraceReperesGlobal = reperes;
    const FX vu = Objet("shown", 1), cache = Objet("hidden", 0);
    const std::string a = ::testing::PrintToString(Enregistre([&] { AfficheFX(p.Staff(0), &vu, &r); }));
    const std::string b = ::testing::PrintToString(Enregistre([&] { AfficheFX(p.Staff(0), &cache, &r); }));
    EXPECT_NE(a.find("shown"), std::string::npos) << a;
    EXPECT_EQ(b.find("hidden") != std::string::npos, reperes == 1) << b;
  }
  IsTraceReperesGlobal = 0;
}

// A name longer than the area is cut at its edge; the icon and the name
// leave ink inside it, none outside.
TEST(FXsGraf, TheAreaClipsTheObject) {
  PartitionPaginee p(1, 1);
  CGrafPtr avant = nullptr;
  GetPort(&avant);
  GWorldPtr monde = nullptr;
  Rect tout{0, 0, 100, 300};
  ASSERT_EQ(NewGWorld(&monde, 32, &tout, nullptr, nullptr, 0), noErr);
  SetPort(monde);
  EraseRect(&tout);
  const Rect r{20, 20, 60, 120};
  const FX f = Objet(
      "a name far longer than the area it is drawn in, in words enough to wrap over more lines than the area holds", 1);
  AfficheFX(p.Staff(0), &f, &r);
  int dedans = 0, dehors = 0;
  for (int16_t y = 0; y < 100; y++)
    for (int16_t x = 0; x < 300; x++) {
      if ((QDGetPixel(monde, x, y) & 0xFFFFFF) == 0xFFFFFF) continue;
      const bool in = x >= r.left && x < r.right && y >= r.top && y < r.bottom;
      (in ? dedans : dehors)++;
    }
  EXPECT_GT(dedans, 0);
  EXPECT_EQ(dehors, 0);
  SetPort(avant);
  DisposeGWorld(monde);
}
