#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/Memory.h"
#include "system/PngCodec.h"

namespace {

using Bytes = std::vector<uint8_t>;

Handle HandleOf(const Bytes& b) {
  Handle h = NewHandle(Size(b.size()));
  if (!b.empty()) std::memcpy(*h, b.data(), b.size());
  return h;
}

Bytes BytesOf(Handle h) {
  return Bytes(reinterpret_cast<uint8_t*>(*h), reinterpret_cast<uint8_t*>(*h) + GetHandleSize(h));
}

void Put32(Bytes& b, uint32_t v) {
  for (int s = 24; s >= 0; s -= 8) b.push_back(uint8_t(v >> s));
}

// A chunk with its CRC computed by zlib, independently of the codec.
void Chunk(Bytes& png, const char* type, const Bytes& data) {
  Put32(png, uint32_t(data.size()));
  Bytes td(type, type + 4);
  td.insert(td.end(), data.begin(), data.end());
  png.insert(png.end(), td.begin(), td.end());
  Put32(png, uint32_t(crc32(0, td.data(), uInt(td.size()))));
}

Bytes Signature() { return {137, 80, 78, 71, 13, 10, 26, 10}; }

Bytes Ihdr(uint32_t w, uint32_t h, uint8_t depth, uint8_t type, uint8_t interlace = 0) {
  Bytes d;
  Put32(d, w);
  Put32(d, h);
  for (uint8_t b : {depth, type, uint8_t(0), uint8_t(0), interlace}) d.push_back(b);
  return d;
}

Bytes Zlib(const Bytes& raw) {
  uLongf len = compressBound(uLong(raw.size()));
  Bytes out(len);
  compress(out.data(), &len, raw.data(), uLong(raw.size()));
  out.resize(len);
  return out;
}

struct Chunked {
  std::string type;
  size_t offset;  // of the length field
  uint32_t length;
};

std::vector<Chunked> Chunks(const Bytes& png) {
  std::vector<Chunked> out;
  for (size_t pos = 8; pos + 12 <= png.size();) {
    uint32_t len =
        (uint32_t(png[pos]) << 24) | (uint32_t(png[pos + 1]) << 16) | (uint32_t(png[pos + 2]) << 8) | png[pos + 3];
    out.push_back({std::string(png.begin() + long(pos) + 4, png.begin() + long(pos) + 8), pos, len});
    pos += 12 + len;
  }
  return out;
}

// Our decoder: A, R, G, B pixels, or empty with the message.
Bytes Decode(const Bytes& png, int32_t* w = nullptr, int32_t* h = nullptr, std::string* message = nullptr) {
  Handle data = HandleOf(png);
  char msg[kPNGMessageSize];
  int32_t width = 0, height = 0;
  Ptr px = PNGDecodeToARGB(data, &width, &height, msg);
  DisposeHandle(data);
  if (message) *message = msg;
  if (w) *w = width;
  if (h) *h = height;
  if (!px) return {};
  Bytes out(reinterpret_cast<uint8_t*>(px), reinterpret_cast<uint8_t*>(px) + size_t(width) * height * 4);
  DisposePtr(px);
  return out;
}

std::string Refusal(const Bytes& png) {
  std::string message;
  EXPECT_TRUE(Decode(png, nullptr, nullptr, &message).empty());
  return message;
}

// libpng's reading of the same file, as A, R, G, B.
Bytes LibpngDecode(const Bytes& png, uint32_t* w, uint32_t* h) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, png.data(), png.size())) return {};
  image.format = PNG_FORMAT_ARGB;
  Bytes out(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, out.data(), 0, nullptr)) return {};
  *w = image.width;
  *h = image.height;
  return out;
}

// libpng's writer, for the depths and layouts our writer never makes.
Bytes LibpngWrite(uint32_t w, uint32_t h, int depth, int colourType, const std::vector<Bytes>& rows,
                  const Bytes& palette = {}) {
  Bytes out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return {};
  }
  png_set_write_fn(
      png, &out,
      [](png_structp p, png_bytep data, png_size_t len) {
        Bytes* o = static_cast<Bytes*>(png_get_io_ptr(p));
        o->insert(o->end(), data, data + len);
      },
      nullptr);
  png_set_IHDR(png, info, w, h, depth, colourType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (!palette.empty())
    png_set_PLTE(png, info, reinterpret_cast<png_const_colorp>(palette.data()), int(palette.size() / 3));
  png_write_info(png, info);
  for (const Bytes& r : rows) png_write_row(png, r.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

Bytes Encode(const Bytes& argb, int32_t w, int32_t h, bool alpha, bool trueColour, const char* comment = nullptr) {
  Handle png = CvtARGBToPngHandle(argb.data(), w, h, w * 4, alpha, trueColour, comment, nullptr, nullptr, nullptr);
  if (!png) return {};
  Bytes out = BytesOf(png);
  DisposeHandle(png);
  return out;
}

// What a reader should see of an image written without alpha.
Bytes Opaque(Bytes argb) {
  for (size_t i = 0; i < argb.size(); i += 4) argb[i] = 255;
  return argb;
}

Bytes Pixels(int32_t w, int32_t h, uint32_t (*colour)(int32_t x, int32_t y)) {
  Bytes out;
  for (int32_t y = 0; y < h; y++)
    for (int32_t x = 0; x < w; x++) {
      uint32_t c = colour(x, y);
      for (int s = 24; s >= 0; s -= 8) out.push_back(uint8_t(c >> s));
    }
  return out;
}

}  // namespace

TEST(PngCodec, Crc32MatchesTheStandard) {
  EXPECT_EQ(Crc32("123456789", 9), 0xCBF43926u);
  EXPECT_EQ(Crc32("", 0), 0u);
  Bytes b(1000);
  for (size_t i = 0; i < b.size(); i++) b[i] = uint8_t(i * 31);
  EXPECT_EQ(Crc32(b.data(), b.size()), uint32_t(crc32(0, b.data(), uInt(b.size()))));
}

TEST(PngCodec, EveryColourTypeWrittenIsReadBackByUsAndByLibpng) {
  const int32_t w = 37, h = 23;
  struct Case {
    const char* name;
    Bytes argb;
    bool alpha, trueColour;
    int expectedType;
  } cases[] = {
      {"grey",
       Pixels(w, h,
              [](int32_t x, int32_t y) {
                uint32_t g = uint32_t(x * 7 + y * 3) & 255;
                return 0xFF000000u | g * 0x010101u;
              }),
       false, false, 0},
      {"grey alpha",
       Pixels(w, h,
              [](int32_t x, int32_t y) {
                uint32_t g = uint32_t(x * y) & 255;
                return uint32_t(y * 11) << 24 | g * 0x010101u;
              }),
       true, false, 4},
      {"palette",
       Pixels(w, h,
              [](int32_t x, int32_t y) { return 0xFF000000u | uint32_t((x / 5) * 0x300000 + (y / 4) * 0x2010 + 7); }),
       false, false, 3},
      {"rgb, many colours",
       Pixels(w, h, [](int32_t x, int32_t y) { return 0xFF000000u | uint32_t(x * 0x0701 + y * 0x050003); }), false,
       false, 2},
      {"rgb forced", Pixels(w, h, [](int32_t x, int32_t) { return 0xFF000000u | uint32_t(x) * 0x010101u; }), false,
       true, 2},
      {"rgba",
       Pixels(w, h, [](int32_t x, int32_t y) { return uint32_t(x * 6) << 24 | uint32_t(x * 0x0301 + y * 0x090000); }),
       true, false, 6},
      {"rgba forced",
       Pixels(w, h, [](int32_t x, int32_t y) { return uint32_t(y * 9) << 24 | uint32_t(x) * 0x010101u; }), true, true,
       6},
  };
  for (const Case& c : cases) {
    Bytes png = Encode(c.argb, w, h, c.alpha, c.trueColour, "a comment");
    ASSERT_FALSE(png.empty()) << c.name;
    EXPECT_EQ(png[25], c.expectedType) << c.name;  // colour type byte of IHDR
    Bytes want = c.alpha ? c.argb : Opaque(c.argb);
    uint32_t lw = 0, lh = 0;
    Bytes theirs = LibpngDecode(png, &lw, &lh);
    EXPECT_EQ(lw, uint32_t(w)) << c.name;
    EXPECT_EQ(lh, uint32_t(h)) << c.name;
    EXPECT_TRUE(theirs == want) << c.name;
    int32_t ow = 0, oh = 0;
    Bytes ours = Decode(png, &ow, &oh);
    EXPECT_EQ(ow, w) << c.name;
    EXPECT_EQ(oh, h) << c.name;
    EXPECT_TRUE(ours == want) << c.name;
  }
}

TEST(PngCodec, WriterLayout) {
  // One grey pixel of 128: type 0, sample 128, read back opaque.
  Bytes png = Encode({255, 128, 128, 128}, 1, 1, false, false);
  EXPECT_EQ(png[24], 8);  // depth
  EXPECT_EQ(png[25], 0);
  EXPECT_EQ(Decode(png), Bytes({255, 128, 128, 128}));
  std::vector<std::string> order;
  for (const Chunked& c : Chunks(png)) order.push_back(c.type);
  EXPECT_EQ(order, (std::vector<std::string>{"IHDR", "tEXt", "tEXt", "IDAT", "IEND"}));

  // Text chunks in their order, empty ones left out; UTF-8 stored as Latin text.
  Handle h = CvtARGBToPngHandle(Bytes{255, 1, 2, 3}.data(), 1, 1, 4, 0, 0, "c\xC3\xA9", "T", "", "\xE2\x82\xAC");
  Bytes withText = BytesOf(h);
  DisposeHandle(h);
  std::vector<std::string> texts;
  for (const Chunked& c : Chunks(withText))
    if (c.type == "tEXt")
      texts.emplace_back(withText.begin() + long(c.offset) + 8, withText.begin() + long(c.offset + 8 + c.length));
  using namespace std::string_literals;
  EXPECT_EQ(texts, (std::vector<std::string>{"Software\0Orvanta Assistant"s, "Copyright\0Made with Orvanta Assistant"s,
                                             "Title\0T"s, "Description\0?"s, "Comment\0c\xE9"s}));
}

TEST(PngCodec, PaletteHoldsAtMost256Colours) {
  auto image = [](int colours) {
    Bytes argb;
    for (int i = 0; i < colours; i++)
      for (uint8_t b : {uint8_t(255), uint8_t(i), uint8_t(i >> 8), uint8_t(200 - i % 7)}) argb.push_back(b);
    return argb;
  };
  Bytes png = Encode(image(256), 256, 1, false, false);
  EXPECT_EQ(png[25], 3);
  bool sawPalette = false;
  for (const Chunked& c : Chunks(png))
    if (c.type == "PLTE") {
      sawPalette = true;
      EXPECT_EQ(c.length, 768u);
      // In order of first appearance.
      EXPECT_EQ(png[c.offset + 8 + 3 * 5], 5);
    }
  EXPECT_TRUE(sawPalette);
  EXPECT_EQ(Decode(png), image(256));
  Bytes png257 = Encode(image(257), 257, 1, false, false);
  EXPECT_EQ(png257[25], 2);
  EXPECT_EQ(Decode(png257), image(257));
}

TEST(PngCodec, LaterRowsTakeTheCheapestFilter) {
  // Identical rows of a ramp: the first row is unfiltered, every other row is
  // all zeros under the Up filter.
  Bytes argb = Pixels(40, 5, [](int32_t x, int32_t) { return 0xFF000000u | uint32_t(x * 6) * 0x010101u; });
  Bytes png = Encode(argb, 40, 5, false, false);
  for (const Chunked& c : Chunks(png))
    if (c.type == "IDAT") {
      Bytes z(png.begin() + long(c.offset) + 8, png.begin() + long(c.offset + 8 + c.length));
      Bytes raw(5 * 41);
      uLongf len = uLongf(raw.size());
      ASSERT_EQ(uncompress(raw.data(), &len, z.data(), uLong(z.size())), Z_OK);
      ASSERT_EQ(len, raw.size());
      EXPECT_EQ(raw[0], 0);
      for (int y = 1; y < 5; y++) EXPECT_EQ(raw[size_t(y) * 41], 2) << y;
    }
}

TEST(PngCodec, SmallDepthsAreUnpacked) {
  // Grey at 1, 2 and 4 bits, palette at 1, 2 and 4 bits, written by libpng,
  // with widths that leave part of the last byte unused.
  for (int depth : {1, 2, 4}) {
    for (int type : {PNG_COLOR_TYPE_GRAY, PNG_COLOR_TYPE_PALETTE}) {
      const uint32_t w = 13, h = 5;
      int levels = 1 << depth;
      std::vector<Bytes> rows;
      for (uint32_t y = 0; y < h; y++) {
        Bytes row((w * uint32_t(depth) + 7) / 8, 0);
        for (uint32_t x = 0; x < w; x++) {
          uint32_t v = (x + y * 3) % uint32_t(levels);
          uint32_t bit = x * uint32_t(depth);
          row[bit / 8] |= uint8_t(v << (8 - depth - int(bit % 8)));
        }
        rows.push_back(row);
      }
      Bytes palette;
      for (int i = 0; i < levels; i++)
        for (uint8_t b : {uint8_t(i * 10), uint8_t(255 - i), uint8_t(i * 3)}) palette.push_back(b);
      Bytes png = LibpngWrite(w, h, depth, type, rows, type == PNG_COLOR_TYPE_PALETTE ? palette : Bytes{});
      ASSERT_FALSE(png.empty());
      uint32_t lw, lh;
      Bytes theirs = LibpngDecode(png, &lw, &lh);
      ASSERT_FALSE(theirs.empty());
      EXPECT_TRUE(Decode(png) == theirs) << "depth " << depth << " type " << type;
    }
  }
}

TEST(PngCodec, DamagedOrUnsupportedFilesAreRefused) {
  Bytes argb = Pixels(8, 8, [](int32_t x, int32_t y) { return 0xFF000000u | uint32_t(x * 0x1F0000 + y * 0x1F00); });
  Bytes good = Encode(argb, 8, 8, false, true);
  ASSERT_EQ(Decode(good), Opaque(argb));
  std::vector<Chunked> chunks = Chunks(good);
  size_t idat = 0;
  for (const Chunked& c : chunks)
    if (c.type == "IDAT") idat = c.offset;

  Bytes crc = good;
  crc[idat + 10] ^= 0x40;
  EXPECT_EQ(Refusal(crc), "bad CRC on chunk");

  Bytes header = good;
  header[3] = 'X';
  EXPECT_EQ(Refusal(header), "bad header");
  EXPECT_EQ(Refusal(Bytes(good.begin(), good.begin() + 7)), "bad header");

  // Rebuilt files, each with one fault.
  auto build = [&](const Bytes& ihdr, bool withPalette = false) {
    Bytes png = Signature();
    Chunk(png, "IHDR", ihdr);
    if (withPalette) Chunk(png, "PLTE", {1, 2, 3});
    Chunk(png, "IDAT", Zlib(Bytes(8 * 25, 0)));
    Chunk(png, "IEND", {});
    return png;
  };
  EXPECT_EQ(Refusal(build(Ihdr(8, 8, 8, 2, 1))), "bad interlace");
  EXPECT_EQ(Refusal(build(Ihdr(8, 8, 16, 0))), "bad bitDepth: 16");
  EXPECT_EQ(Refusal(build(Ihdr(8, 8, 4, 2))), "bad bitDepth: 4");
  EXPECT_EQ(Refusal(build(Ihdr(8, 8, 8, 5))), "bad colorType: 5");
  EXPECT_EQ(Refusal(build(Ihdr(0, 8, 8, 2))), "bad size: 0 x 8");
  EXPECT_EQ(Refusal(build(Ihdr(8, 32768, 8, 2))), "bad size: 8 x 32768");
  EXPECT_EQ(Refusal(build(Ihdr(8, 8, 8, 3))), "PNG_COLOR_TYPE_INDEXEDCOLOR with no PLTE chunk");
  EXPECT_FALSE(Decode(build(Ihdr(8, 8, 8, 3), true)).empty());

  // A 16-bit image written by libpng is refused, not misread.
  std::vector<Bytes> rows16(2, Bytes(4, 0x80));
  EXPECT_EQ(Refusal(LibpngWrite(2, 2, 16, PNG_COLOR_TYPE_GRAY, rows16)), "bad bitDepth: 16");

  // A chunk that claims more bytes than the file holds, and a file cut inside a chunk.
  Bytes longChunk = good;
  longChunk[idat] = 0x7F;
  uint32_t claimed =
      (uint32_t(0x7F) << 24) | (uint32_t(good[idat + 1]) << 16) | (uint32_t(good[idat + 2]) << 8) | good[idat + 3];
  EXPECT_EQ(Refusal(longChunk), "bad chunk length: " + std::to_string(claimed));
  Bytes cut(good.begin(), good.begin() + long(idat) + 20);
  EXPECT_EQ(Refusal(cut), "bad chunk length: " + std::to_string(chunks[chunks.size() - 2].length));

  // A filter type above 4.
  Bytes badFilter = Signature();
  Chunk(badFilter, "IHDR", Ihdr(2, 2, 8, 0));
  Chunk(badFilter, "IDAT", Zlib({0, 1, 2, 5, 3, 4}));
  EXPECT_EQ(Refusal(badFilter), "bad filter type");

  // A tiny stream that inflates far past the image: refused without holding it all.
  Bytes bomb = Signature();
  Chunk(bomb, "IHDR", Ihdr(1, 1, 8, 0));
  Chunk(bomb, "IDAT", Zlib(Bytes(8 << 20, 0)));
  EXPECT_EQ(Refusal(bomb), "bad IDAT data");
}

TEST(PngCodec, MissingEndAndMissingRows) {
  Bytes argb =
      Pixels(6, 4, [](int32_t x, int32_t y) { return 0xFF000000u | uint32_t(x * 40 + y * 0x2000 + 0x500000); });
  Bytes good = Encode(argb, 6, 4, false, true);
  Bytes noEnd(good.begin(), good.end() - 12);  // IEND removed: read to the end of the data
  EXPECT_EQ(Decode(noEnd), Opaque(argb));

  // Only two of four rows in the data: the others are zero samples.
  Bytes raw;
  for (int y = 0; y < 2; y++) {
    raw.push_back(0);
    for (int x = 0; x < 6; x++)
      for (int c = 1; c < 4; c++) raw.push_back(argb[size_t(y * 6 + x) * 4 + size_t(c)]);
  }
  Bytes half = Signature();
  Chunk(half, "IHDR", Ihdr(6, 4, 8, 2));
  Chunk(half, "IDAT", Zlib(raw));
  Chunk(half, "IEND", {});
  Bytes got = Decode(half);
  ASSERT_EQ(got.size(), argb.size());
  EXPECT_TRUE(std::equal(got.begin(), got.begin() + 48, Opaque(argb).begin()));
  for (size_t i = 48; i < got.size(); i++) EXPECT_EQ(got[i], i % 4 == 0 ? 255 : 0) << i;

  // A palette index past the palette repeats the previous pixel's colour.
  Bytes pal = Signature();
  Chunk(pal, "IHDR", Ihdr(3, 1, 8, 3));
  Chunk(pal, "PLTE", {10, 20, 30, 40, 50, 60});
  Chunk(pal, "IDAT", Zlib({0, 9, 1, 7}));
  EXPECT_EQ(Decode(pal), Bytes({255, 0, 0, 0, 255, 40, 50, 60, 255, 40, 50, 60}));
}

TEST(PngCodec, ReadUnsignedLongStopsAtTheEnd) {
  Handle h = HandleOf({1, 2, 3, 4, 5, 6});
  int32_t pos = 0;
  EXPECT_EQ(PNGReadUnsignedLong(h, &pos), 0x01020304u);
  EXPECT_EQ(pos, 4);
  EXPECT_EQ(PNGReadUnsignedLong(h, &pos), 0u);
  EXPECT_EQ(pos, 4);
  DisposeHandle(h);
}
