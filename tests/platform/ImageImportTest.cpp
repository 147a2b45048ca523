// Images imported from documents: PNG (through libpng) and JPEG.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/ImageImport.h"
#include "platform/Memory.h"
#include "system/PngCodec.h"

namespace {

std::vector<uint8_t> PngDeTest() {
  std::vector<uint8_t> argb;
  for (int i = 0; i < 6 * 4; i++)
    for (uint8_t c : {uint8_t(255), uint8_t(i * 10), uint8_t(200 - i), uint8_t(i * 3)}) argb.push_back(c);
  Handle h = CvtARGBToPngHandle(argb.data(), 6, 4, 24, 1, 1, "c", "t", "a", "d");
  std::vector<uint8_t> png;
  if (h) {
    png.assign(reinterpret_cast<uint8_t*>(*h), reinterpret_cast<uint8_t*>(*h) + GetHandleSize(h));
    DisposeHandle(h);
  }
  return png;
}

void MetLongueur(std::vector<uint8_t>& png, size_t pos, uint32_t n) {
  for (int i = 0; i < 4; i++) png[pos + size_t(i)] = uint8_t(n >> (24 - 8 * i));
}

}  // namespace

// A chunk that states more bytes than the image holds is refused before
// libpng sizes a buffer from it (a 1.6 GB claim took seconds and that much
// memory); so is a PNG cut anywhere before its end.
TEST(ImageImport, PngWhoseChunksDoNotFitIsRefusedAtOnce) {
  const std::vector<uint8_t> png = PngDeTest();
  ASSERT_GT(png.size(), 33u);
  int32_t w = 0, h = 0;
  Ptr px = QDImportImageARGB(png.data(), png.size(), &w, &h);
  ASSERT_NE(px, nullptr);
  EXPECT_EQ(w, 6);
  EXPECT_EQ(h, 4);
  DisposePtr(px);

  // The chunk after IHDR (at 33) claims far more than there is, or just one
  // byte more.
  for (uint32_t n : {0x64000007u, 0xFFFFFFFFu, uint32_t(png.size())}) {
    std::vector<uint8_t> faux = png;
    MetLongueur(faux, 33, n);
    EXPECT_EQ(QDImportImageARGB(faux.data(), faux.size(), &w, &h), nullptr) << n;
    EXPECT_EQ(w, 0);
  }
  for (size_t n = 8; n < png.size(); n++) EXPECT_EQ(QDImportImageARGB(png.data(), n, &w, &h), nullptr) << n;
}
