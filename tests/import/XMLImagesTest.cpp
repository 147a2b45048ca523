// Pictures and page graphics of a MusicXML import: packed picture data, inline
// bitmaps as PNG image objects, page lines and frames as free objects.
#include "import/XMLImages.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "import/XMLImportFixture.h"
#include "model/ObjetsLibres.h"
#include "platform/Memory.h"
#include "system/Couleurs.h"
#include "system/Offscreens.h"
#include "system/PngCodec.h"

namespace {

using tamrel_test::ImportXML;
using tamrel_test::Measure;
using tamrel_test::Note;
using tamrel_test::Part;
using tamrel_test::ScorePart;

std::vector<uint8_t> Unpack(const std::vector<uint8_t>& in, int32_t capacity, const char* packing, int16_t* ok) {
  std::vector<uint8_t> out(size_t(capacity) + 1, 0xEE);
  int32_t n = capacity;
  *ok = UnpackXMLPicture(in.data(), int32_t(in.size()), out.data(), &n, packing);
  // Nothing is written past the capacity.
  EXPECT_EQ(out[size_t(capacity)], 0xEE);
  out.resize(size_t(n));
  return out;
}

TEST(XMLImages, UnpackedPictureData) {
  const uint8_t E = 255;
  // A stored container: both sizes equal, the bytes as they are.
  const std::vector<uint8_t> stored = {0, 0, 0, 3, 0, 0, 0, 3, 'a', 'b', 'c'};
  const struct {
    std::vector<uint8_t> in;
    int32_t capacity;
    const char* packing;
    int16_t ok;
    std::vector<uint8_t> out;
  } cases[] = {
      {{E, 'A', E, 0, E, 3, 'B'}, 16, "rle1", 1, {'A', E, 'B', 'B', 'B'}},
      {{E, 'A', E, 0, E, 3, 'B'}, 16, "RLE1", 1, {'A', E, 'B', 'B', 'B'}},
      // A count with nothing after it repeats the escape; a last escape is copied.
      {{E, 'A', E, 2}, 16, "rle1", 1, {'A', E, E}},
      {{E, 'A', E}, 16, "rle1", 1, {'A', E}},
      // A run longer than the output stops at its end.
      {{E, E, 200, 'z'}, 4, "rle1", 1, {'z', 'z', 'z', 'z'}},
      {{1, 2, 3, 4}, 2, "unpacked", 1, {1, 2}},
      {{1, 2}, 4, "Unpacked", 1, {1, 2}},
      {stored, 16, "zip", 1, {'a', 'b', 'c'}},
      {stored, 2, "zip", 1, {'a', 'b'}},
      // A container that says more than it holds, an unknown packing, no data.
      {{0, 0, 0, 9, 0, 0, 0, 9, 'a'}, 16, "zip", 0, {}},
      {{1, 2, 3}, 16, "lzw", 0, {}},
      {{}, 16, "rle1", 0, {}},
  };
  for (const auto& c : cases) {
    int16_t ok = -1;
    EXPECT_EQ(Unpack(c.in, c.capacity, c.packing, &ok), c.out) << c.packing << " " << c.in.size();
    EXPECT_EQ(ok, c.ok) << c.packing << " " << c.in.size();
  }
}

std::string Fichier(const std::string& inside, const std::string& measure = "") {
  return "<score-partwise>" + inside + "<part-list>" + ScorePart("P", "P") + "</part-list>" +
         Part("P", Measure("1", Note(64) + measure)) + "</score-partwise>";
}

std::vector<ObjetLibre> Objets(ImportXML& x) {
  Partition** score = x.Score();
  std::vector<ObjetLibre> v;
  for (int16_t i = 0; i < NbObjetsLibres(score); i++)
    v.push_back(reinterpret_cast<ObjetLibre*>(*(*score)->objetsLibres)[i]);
  return v;
}

// The colour of each pixel (0xRRGGBB) of the object's PNG, row by row.
std::vector<uint32_t> Pixels(const ObjetLibre& o) {
  std::vector<uint32_t> v;
  EXPECT_EQ(o.ancienFormat, uint32_t(kTypeImagePNG));
  if (!o.donnees) return v;
  Offscreen off = ConvertPNGToOffscreen(o.donnees);
  Rect b{};
  Ptr base = nullptr;
  int32_t rowBytes = 0;
  OffscreenGetInfo(off, &b, nullptr, nullptr, nullptr, &base, &rowBytes, nullptr);
  for (int32_t y = 0; base && y < b.bottom; y++)
    for (int32_t x = 0; x < b.right; x++) {
      const auto* p = reinterpret_cast<const uint8_t*>(base) + y * rowBytes + x * 4;
      EXPECT_EQ(p[0], 255);
      v.push_back(uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]);
    }
  DisposeImage(&off);
  return v;
}

TEST(XMLImages, InlineBitmapsBecomePngImages) {
  // A 2 x 1 bitmap of the byte 128 ("gA=="), a 3 x 1 grey one (0, 128, 255:
  // "AID/"), a 1 x 2 colour one (FF0000, 0000FF: "/wAAAAD/"), the last placed
  // and sized.
  ImportXML x(
      Fichier("<?Tamrel <image source-width=\"2\" source-height=\"1\" colorbits=\"bitmap\">gA==</image>?>"
              "<?Tamrel <image source-width=\"3\" source-height=\"1\" colorbits=\"8bitgray\">AI\nD/</image>?>"
              "<?Tamrel <image page=\"2\" source-width=\"1\" source-height=\"2\" colorbits=\"rgb\" default-x=\"100\" "
              "default-y=\"1000\" x-size=\"40\" y-size=\"80\">/wAAAAD/</image>?>"));
  ASSERT_EQ(x.Squelette(), 1);
  const std::vector<ObjetLibre> o = Objets(x);
  ASSERT_EQ(o.size(), 3u);
  for (const ObjetLibre& e : o) EXPECT_EQ(e.type, kObjetLibreImage);
  EXPECT_EQ(Pixels(o[0]), (std::vector<uint32_t>{0x000000, 0xFFFFFF}));
  EXPECT_EQ(Pixels(o[1]), (std::vector<uint32_t>{0xFFFFFF, 0x7F7F7F, 0x000000}));
  EXPECT_EQ(Pixels(o[2]), (std::vector<uint32_t>{0xFF0000, 0x0000FF}));
  // 0.15 mm a tenth on a 297 mm page: x 15 mm, y 297 - 150 mm, 6 x 12 mm.
  EXPECT_EQ(o[2].page, 1);
  EXPECT_EQ(o[2].rect.left, 150);
  EXPECT_EQ(o[2].rect.top, 1470);
  EXPECT_EQ(o[2].rect.right, 210);
  EXPECT_EQ(o[2].rect.bottom, 1590);
  EXPECT_EQ(o[0].page, 0);
}

TEST(XMLImages, PackedPicturesAndWhatIsSkipped) {
  // A picture of 4 x 1 grey pixels packed as rle1: escape 1, then 4 x 0
  // ("AQEEAA==" = 1, 1, 4, 0): four white pixels. It may stand in a measure.
  ImportXML x(Fichier(
      // No colour depth, no height, a zero width, a size past any picture, an
      // unknown packing: no object.
      "<?Tamrel <image source-width=\"2\" source-height=\"1\">gA==</image>?>"
      "<?Tamrel <image source-width=\"1\" colorbits=\"bitmap\">gA==</image>?>"
      "<?Tamrel <image source-width=\"0\" source-height=\"1\" colorbits=\"bitmap\">gA==</image>?>"
      "<?Tamrel <image source-width=\"30000\" source-height=\"30000\" colorbits=\"rgb\">gA==</image>?>"
      "<?Tamrel <picture source-width=\"1\" source-height=\"1\" colorbits=\"rgb\" packing=\"lzw\">gA==</picture>?>",
      // An image stands only in the score itself, a picture anywhere.
      "<?Tamrel <picture source-width=\"4\" source-height=\"1\" colorbits=\"8bitgray\" packing=\"rle1\" "
      "packedsize=\"4\">AQEEAA==</picture>?>"
      "<?Tamrel <image source-width=\"2\" source-height=\"1\" colorbits=\"bitmap\">gA==</image>?>"));
  ASSERT_EQ(x.Squelette(), 1);
  const std::vector<ObjetLibre> o = Objets(x);
  ASSERT_EQ(o.size(), 1u);
  EXPECT_EQ(Pixels(o[0]), (std::vector<uint32_t>(4, 0xFFFFFF)));
}

TEST(XMLImages, PageLinesAndFrames) {
  // Tenths count up from the page's bottom (297 mm), at 0.15 mm a tenth.
  ImportXML x(
      Fichier("<?Tamrel <graphic-line x-start=\"100\" y-start=\"200\" x-end=\"100\" y-end=\"400\" width=\"2\" "
              "color=\"#FF0000\"/>?>"
              "<?Tamrel <graphic-line page=\"3\" x-start=\"100\" y-start=\"200\" x-end=\"300\" y-end=\"200\"/>?>"
              "<?Tamrel <graphic-line x-start=\"100\" y-start=\"200\" x-end=\"300\" y-end=\"400\"/>?>"
              "<?Tamrel <graphic-frame x-start=\"300\" y-start=\"200\" x-end=\"100\" y-end=\"400\" mode=\"FILL\"/>?>"
              "<?Tamrel <graphic-frame x-start=\"100\" y-start=\"400\" x-end=\"300\" y-end=\"200\"/>?>"));
  ASSERT_EQ(x.Squelette(), 1);
  const std::vector<ObjetLibre> o = Objets(x);
  ASSERT_EQ(o.size(), 5u);
  const struct {
    uint32_t type;
    int16_t top, left, bottom, right, page;
  } expected[] = {
      {10, 2670, 150, 2370, 150, 0},  // vertical, drawn from its start to its end
      {9, 2670, 150, 2670, 450, 2},
      {11, 2670, 150, 2370, 450, 0},
      // Frames from their top-left corner, whichever corner the file gives first.
      {4, 2370, 150, 2670, 450, 0},
      {3, 2370, 150, 2670, 450, 0},
  };
  for (size_t i = 0; i < o.size(); i++) {
    EXPECT_EQ(o[i].type, expected[i].type) << i;
    EXPECT_EQ(o[i].rect.top, expected[i].top) << i;
    EXPECT_EQ(o[i].rect.left, expected[i].left) << i;
    EXPECT_EQ(o[i].rect.bottom, expected[i].bottom) << i;
    EXPECT_EQ(o[i].rect.right, expected[i].right) << i;
    EXPECT_EQ(o[i].page, expected[i].page) << i;
  }
  RGBColor rouge{65280, 0, 0}, noir{0, 0, 0};
  EXPECT_EQ(o[0].valeur3, CvtRGBEnIndexProche(&rouge));
  EXPECT_EQ(o[1].valeur3, CvtRGBEnIndexProche(&noir));
  EXPECT_NE(o[0].valeur3, o[1].valeur3);
  // Line widths in tenths of a millimetre, as drawn: 2 tenths of 0.15 mm.
  EXPECT_EQ(o[0].valeurs3[0], 3);
  EXPECT_EQ(o[1].valeurs3[0], 0);
}

// Sizes and counts are the file's: a file of thousands of page lines or of
// pictures of many pixels each is cut short, not laid out for minutes.
TEST(XMLImages, CountsAndSizesFromTheFileAreBounded) {
  std::string lignes, images;
  for (int i = 0; i < 3000; i++) lignes += "<?Tamrel <graphic-line x-start=\"1\" x-end=\"2\"/>?>";
  // 4096 x 4096 is past one bitmap's pixels; 1024 x 1024 ones share the import's budget.
  images += "<?Tamrel <image source-width=\"4096\" source-height=\"4096\" colorbits=\"bitmap\">gA==</image>?>";
  for (int i = 0; i < 20; i++)
    images += "<?Tamrel <image source-width=\"1024\" source-height=\"1024\" colorbits=\"bitmap\">gA==</image>?>";
  {
    ImportXML x(Fichier(lignes));
    ASSERT_EQ(x.Squelette(), 1);
    EXPECT_EQ(Objets(x).size(), 2048u);
  }
  ImportXML x(Fichier(images));
  ASSERT_EQ(x.Squelette(), 1);
  EXPECT_EQ(Objets(x).size(), 16u);
}

}  // namespace
