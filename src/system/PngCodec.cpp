#include "system/PngCodec.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "platform/Memory.h"
#include "system/Handles.h"
#include "system/ZlibGlue.h"

namespace {

const uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};

uint32_t gCrcTable[256];
bool gCrcReady = false;

void SetMessage(char* message, const char* format, ...) __attribute__((format(printf, 2, 3)));
void SetMessage(char* message, const char* format, ...) {
  if (!message) return;
  va_list args;
  va_start(args, format);
  std::vsnprintf(message, kPNGMessageSize, format, args);
  va_end(args);
}

inline uint32_t BigEndian32(const uint8_t* p) {
  return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

// Channels per pixel by colour type; 0 for the types the standard does not define.
int Channels(int colourType) {
  switch (colourType) {
    case 0: return 1;
    case 2: return 3;
    case 3: return 1;
    case 4: return 2;
    case 6: return 4;
    default: return 0;
  }
}

bool DepthAllowed(int colourType, int depth) {
  switch (colourType) {
    case 0:
    case 3: return depth == 1 || depth == 2 || depth == 4 || depth == 8;
    default: return depth == 8;
  }
}

uint64_t PackedRowBytes(int32_t width, int colourType, int depth) {
  return (uint64_t(width) * uint64_t(Channels(colourType)) * uint64_t(depth) + 7) / 8;
}

inline uint8_t Paeth(int a, int b, int c) {
  int p = a + b - c;
  int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  if (pa <= pb && pa <= pc) return uint8_t(a);
  if (pb <= pc) return uint8_t(b);
  return uint8_t(c);
}

}  // namespace

uint32_t Crc32(const void* bytes, size_t count) {
  if (!gCrcReady) {
    for (uint32_t n = 0; n < 256; n++) {
      uint32_t c = n;
      for (int k = 0; k < 8; k++) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      gCrcTable[n] = c;
    }
    gCrcReady = true;
  }
  if (count == 0) return 0;
  const uint8_t* p = static_cast<const uint8_t*>(bytes);
  uint32_t c = 0xFFFFFFFFu;
  for (size_t i = 0; i < count; i++) c = gCrcTable[(c ^ p[i]) & 0xFF] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

uint32_t PNGReadUnsignedLong(Handle h, int32_t* position) {
  Size size = GetHandleSize(h);
  if (*position < 0 || int64_t(*position) + 4 > size) return 0;
  uint32_t v = BigEndian32(reinterpret_cast<const uint8_t*>(*h) + *position);
  *position += 4;
  return v;
}

Handle PNGDecode(Handle data, Rect* bounds, int16_t* colourType, int16_t* bitDepth, Handle* palette, char* message) {
  SetMessage(message, "%s", "");
  if (palette) *palette = nullptr;
  Size size = GetHandleSize(data);
  if (!data || size < 8 || std::memcmp(*data, kSignature, 8) != 0) {
    SetMessage(message, "bad header");
    return nullptr;
  }
  Handle idat = nullptr;
  Handle plte = nullptr;
  bool haveHeader = false;
  int type = 0, depth = 0;
  uint32_t width = 0, height = 0;
  bool failed = false;

  int32_t pos = 8;
  while (pos < size && !failed) {
    // Every chunk is checked against what remains before anything is read from it.
    if (size - pos < 12) {
      SetMessage(message, "truncated chunk");
      failed = true;
      break;
    }
    uint32_t length = PNGReadUnsignedLong(data, &pos);
    if (length > uint32_t(size - pos - 8)) {
      SetMessage(message, "bad chunk length: %u", length);
      failed = true;
      break;
    }
    const uint8_t* typeAndData = reinterpret_cast<const uint8_t*>(*data) + pos;
    uint32_t chunk = PNGReadUnsignedLong(data, &pos);
    const uint8_t* body = reinterpret_cast<const uint8_t*>(*data) + pos;
    int32_t crcPos = pos + int32_t(length);
    uint32_t crc = PNGReadUnsignedLong(data, &crcPos);
    if (crc != Crc32(typeAndData, size_t(length) + 4)) {
      SetMessage(message, "bad CRC on chunk");
      failed = true;
      break;
    }
    if (chunk == FourCC("IHDR")) {
      if (haveHeader) {
        SetMessage(message, "more than one IHDR chunk");
        failed = true;
      } else if (length != 13) {
        SetMessage(message, "bad IHDR length: %u", length);
        failed = true;
      } else {
        haveHeader = true;
        width = BigEndian32(body);
        height = BigEndian32(body + 4);
        depth = body[8];
        type = body[9];
        if (width == 0 || height == 0 || width > kPNGMaxSide || height > kPNGMaxSide ||
            uint64_t(width) * height > kPNGMaxPixels) {
          SetMessage(message, "bad size: %u x %u", width, height);
          failed = true;
        } else if (Channels(type) == 0) {
          SetMessage(message, "bad colorType: %d", type);
          failed = true;
        } else if (!DepthAllowed(type, depth)) {
          SetMessage(message, "bad bitDepth: %d", depth);
          failed = true;
        } else if (body[12] != 0) {
          SetMessage(message, "bad interlace");
          failed = true;
        } else {
          idat = NewHandle(0);
          if (!idat) {
            SetMessage(message, "no memory");
            failed = true;
          }
        }
      }
    } else if (chunk == FourCC("PLTE")) {
      if (plte) {
        SetMessage(message, "more than one PLTE chunk");
        failed = true;
      } else if (length == 0 || length % 3 != 0 || length > 768) {
        SetMessage(message, "bad PLTE length: %u", length);
        failed = true;
      } else if (PtrToHand(body, &plte, Size(length)) != noErr) {
        SetMessage(message, "no memory");
        failed = true;
      }
    } else if (chunk == FourCC("IDAT")) {
      if (!idat) {
        SetMessage(message, "IDAT before IHDR");
        failed = true;
      } else if (PtrAndHand(body, idat, Size(length)) != noErr) {
        SetMessage(message, "no memory");
        failed = true;
      }
    } else if (chunk == FourCC("IEND")) {
      pos = crcPos;
      break;
    }
    // pHYs and every other chunk: nothing to keep.
    pos = crcPos;
  }

  if (!failed && !haveHeader) {
    SetMessage(message, "no IHDR chunk");
    failed = true;
  }
  if (!failed && type == 3 && !plte) {
    SetMessage(message, "PNG_COLOR_TYPE_INDEXEDCOLOR with no PLTE chunk");
    failed = true;
  }
  if (failed) {
    LibereHandle(&idat);
    LibereHandle(&plte);
    return nullptr;
  }
  if (bounds) *bounds = Rect{0, 0, int16_t(height), int16_t(width)};
  if (colourType) *colourType = int16_t(type);
  if (bitDepth) *bitDepth = int16_t(depth);
  if (palette) *palette = plte;
  else LibereHandle(&plte);
  return idat;
}

Handle PNGDecodeIDAT(Handle inflated, int32_t width, int32_t height, int16_t colourType, int16_t bitDepth) {
  if (width <= 0 || height <= 0 || Channels(colourType) == 0 || !DepthAllowed(colourType, bitDepth)) return nullptr;
  uint64_t rowBytes = PackedRowBytes(width, colourType, bitDepth);
  uint64_t total = rowBytes * uint64_t(height);
  if (total > uint64_t(kMaxBlockSize)) return nullptr;
  Handle rows = NewHandleClear(Size(total));
  if (!rows) return nullptr;
  // Filters work on whole bytes: the left neighbour is one pixel back, or one
  // byte back for pixels smaller than a byte.
  uint32_t bpp = uint32_t(Channels(colourType) * bitDepth + 7) / 8;
  Size size = GetHandleSize(inflated);
  const uint8_t* in = inflated ? reinterpret_cast<const uint8_t*>(*inflated) : nullptr;
  uint8_t* out = reinterpret_cast<uint8_t*>(*rows);
  uint64_t pos = 0;
  for (int32_t y = 0; y < height && pos < uint64_t(size); y++) {
    uint8_t filter = in[pos++];
    if (filter > 4) {
      DisposeHandle(rows);
      return nullptr;
    }
    uint64_t avail = uint64_t(size) - pos;
    uint32_t n = uint32_t(avail < rowBytes ? avail : rowBytes);  // a cut row keeps only what arrived
    uint8_t* row = out + uint64_t(y) * rowBytes;
    const uint8_t* up = y > 0 ? row - rowBytes : nullptr;
    const uint8_t* raw = in + pos;
    for (uint32_t i = 0; i < n; i++) {
      int a = i >= bpp ? row[i - bpp] : 0;
      int b = up ? up[i] : 0;
      int c = (up && i >= bpp) ? up[i - bpp] : 0;
      int predictor = 0;
      switch (filter) {
        case 1: predictor = a; break;
        case 2: predictor = b; break;
        case 3: predictor = (a + b) >> 1; break;
        case 4: predictor = Paeth(a, b, c); break;
        default: break;
      }
      row[i] = uint8_t(raw[i] + predictor);
    }
    pos += n;
  }
  return rows;
}

void PNGRowsToARGB(Handle rows, int32_t width, int32_t height, int16_t colourType, int16_t bitDepth, Handle palette,
                   uint8_t* base, int32_t rowBytes) {
  uint64_t packedRow = PackedRowBytes(width, colourType, bitDepth);
  if (!rows || uint64_t(GetHandleSize(rows)) < packedRow * uint64_t(height)) return;
  const uint8_t* pal = palette ? reinterpret_cast<const uint8_t*>(*palette) : nullptr;
  uint32_t paletteCount = uint32_t(GetHandleSize(palette)) / 3;
  uint32_t mask = (1u << bitDepth) - 1;
  uint32_t greyScale = bitDepth < 8 ? 255 / mask : 1;
  uint8_t lastR = 0, lastG = 0, lastB = 0;
  for (int32_t y = 0; y < height; y++) {
    const uint8_t* src = reinterpret_cast<const uint8_t*>(*rows) + uint64_t(y) * packedRow;
    uint8_t* dst = base + int64_t(y) * rowBytes;
    for (int32_t x = 0; x < width; x++, dst += 4) {
      uint32_t sample = 0;
      if (bitDepth < 8) {
        uint32_t bit = uint32_t(x) * uint32_t(bitDepth);
        sample = (src[bit >> 3] >> (8 - bitDepth - (bit & 7))) & mask;
      }
      switch (colourType) {
        case 0: {
          uint8_t g = bitDepth < 8 ? uint8_t(sample * greyScale) : src[x];
          dst[0] = 255, dst[1] = g, dst[2] = g, dst[3] = g;
          break;
        }
        case 2: dst[0] = 255, dst[1] = src[3 * x], dst[2] = src[3 * x + 1], dst[3] = src[3 * x + 2]; break;
        case 3: {
          uint32_t index = bitDepth < 8 ? sample : src[x];
          if (index < paletteCount) {
            lastR = pal[3 * index], lastG = pal[3 * index + 1], lastB = pal[3 * index + 2];
          }
          dst[0] = 255, dst[1] = lastR, dst[2] = lastG, dst[3] = lastB;
          break;
        }
        case 4: dst[0] = src[2 * x + 1], dst[1] = dst[2] = dst[3] = src[2 * x]; break;
        case 6: dst[0] = src[4 * x + 3], dst[1] = src[4 * x], dst[2] = src[4 * x + 1], dst[3] = src[4 * x + 2]; break;
        default: break;
      }
    }
  }
}

namespace {

// Chunks, inflation and unfiltering: the rows of packed samples, or null with
// the reason in `message`.
Handle PNGDecodeRows(Handle data, int32_t* width, int32_t* height, int16_t* type, int16_t* depth, Handle* palette,
                     char* message) {
  Rect bounds;
  Handle idat = PNGDecode(data, &bounds, type, depth, palette, message);
  if (!idat) return nullptr;
  *width = bounds.right;
  *height = bounds.bottom;
  // A valid stream inflates to exactly its rows; a little more is tolerated,
  // a bomb is not.
  uint64_t expected = (PackedRowBytes(*width, *type, *depth) + 1) * uint64_t(*height) + 65536;
  Handle inflated = RozoUnZipHandleAndFree(idat, expected > uint64_t(kMaxBlockSize) ? 0 : int32_t(expected));
  if (!inflated) {
    SetMessage(message, "bad IDAT data");
    LibereHandle(palette);
    return nullptr;
  }
  Handle rows = PNGDecodeIDAT(inflated, *width, *height, *type, *depth);
  DisposeHandle(inflated);
  if (!rows) {
    SetMessage(message, "bad filter type");
    LibereHandle(palette);
  }
  return rows;
}

}  // namespace

Ptr PNGDecodeToARGB(Handle data, int32_t* width, int32_t* height, char* message) {
  int32_t w = 0, h = 0;
  int16_t type = 0, depth = 0;
  Handle palette = nullptr;
  Handle rows = PNGDecodeRows(data, &w, &h, &type, &depth, &palette, message);
  if (!rows) return nullptr;
  Ptr pixels = NewPtr(Size(int64_t(w) * h * 4));
  if (pixels) {
    PNGRowsToARGB(rows, w, h, type, depth, palette, reinterpret_cast<uint8_t*>(pixels), w * 4);
    *width = w;
    *height = h;
  } else {
    SetMessage(message, "no memory");
  }
  LibereHandle(&rows);
  LibereHandle(&palette);
  return pixels;
}

// ---------------------------------------------------------------------------
// Writer

void PNGAddChunk(Handle out, Handle data, uint32_t type, uint8_t dispose) {
  if (!data) return;
  Size length = GetHandleSize(data);
  uint8_t typeBytes[4] = {uint8_t(type >> 24), uint8_t(type >> 16), uint8_t(type >> 8), uint8_t(type)};
  // The CRC covers the type and the data.
  uint32_t crc = Crc32(typeBytes, 4);
  if (length > 0) {
    crc = ~crc;
    const uint8_t* p = reinterpret_cast<const uint8_t*>(*data);
    for (Size i = 0; i < length; i++) crc = gCrcTable[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
    crc = ~crc;
  }
  KivAddLongGrandBoutienToHandle(out, uint32_t(length));
  KivPtrAndHand(typeBytes, out, 4);
  KivHandAndHand(data, out);
  KivAddLongGrandBoutienToHandle(out, crc);
  if (dispose) DisposeHandle(data);
}

void PNGCreateChunktEXt(Handle out, const char* keyword, const char* text) {
  if (!text || !*text) return;
  Handle chunk = NewHandle(0);
  if (!chunk) return;
  KivPtrAndHand(keyword, chunk, Size(std::strlen(keyword)));
  KivAddCarToHandle(chunk, 0);
  // tEXt holds 8-bit Latin text: characters up to U+00FF as themselves,
  // anything else as '?'.
  const uint8_t* s = reinterpret_cast<const uint8_t*>(text);
  while (*s) {
    uint32_t c = *s++;
    if (c >= 0x80) {
      int more = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
      c = more ? (c & (0x3F >> more)) : 0xFFFD;
      for (int i = 0; i < more && (*s & 0xC0) == 0x80; i++) c = (c << 6) | (*s++ & 0x3F);
      if (c > 0xFF || c < 0xA0) c = '?';
    }
    KivAddCarToHandle(chunk, uint8_t(c));
  }
  PNGAddChunk(out, chunk, FourCC("tEXt"), 1);
}

namespace {

// Distinct colours of an image in order of first appearance, up to 256.
struct PaletteBuilder {
  static constexpr uint32_t kSlots = 1024;  // open addressing, never more than a quarter full
  uint32_t keys[kSlots];                    // colour + 1, 0 = empty
  uint8_t indexes[kSlots];
  uint32_t colours[256];
  uint32_t count = 0;

  PaletteBuilder() { std::memset(keys, 0, sizeof keys); }

  uint32_t Slot(uint32_t rgb) const {
    uint32_t s = (rgb * 2654435761u) >> 22;
    while (keys[s] && keys[s] != rgb + 1) s = (s + 1) & (kSlots - 1);
    return s;
  }
  // Adds the colour when new; false when it would be the 257th.
  bool Add(uint32_t rgb) {
    uint32_t s = Slot(rgb);
    if (keys[s]) return true;
    if (count == 256) return false;
    keys[s] = rgb + 1;
    indexes[s] = uint8_t(count);
    colours[count++] = rgb;
    return true;
  }
  uint8_t Index(uint32_t rgb) const { return indexes[Slot(rgb)]; }
};

inline uint32_t RGBOf(const uint8_t* px) { return (uint32_t(px[1]) << 16) | (uint32_t(px[2]) << 8) | px[3]; }

int FilterCost(const uint8_t* bytes, uint32_t n) {
  int sum = 0;
  for (uint32_t i = 0; i < n; i++) sum += std::abs(int(int8_t(bytes[i])));
  return sum;
}

}  // namespace

Handle CvtARGBToPngHandle(const uint8_t* base, int32_t width, int32_t height, int32_t rowBytes, uint8_t alpha,
                          uint8_t trueColour, const char* comment, const char* title, const char* author,
                          const char* description) {
  if (!base || width <= 0 || height <= 0 || uint32_t(width) > kPNGMaxSide || uint32_t(height) > kPNGMaxSide)
    return nullptr;

  // 1. The smallest colour type that holds the image.
  int type;
  PaletteBuilder colours;
  PaletteBuilder* palette = nullptr;
  if (trueColour) {
    type = alpha ? 6 : 2;
  } else {
    bool grey = true;
    for (int32_t y = 0; y < height && grey; y++) {
      const uint8_t* px = base + int64_t(y) * rowBytes;
      for (int32_t x = 0; x < width; x++, px += 4)
        if (px[1] != px[2] || px[2] != px[3]) {
          grey = false;
          break;
        }
    }
    if (grey) {
      type = alpha ? 4 : 0;
    } else if (alpha) {
      type = 6;
    } else {
      palette = &colours;
      bool fits = true;
      for (int32_t y = 0; y < height && fits; y++) {
        const uint8_t* px = base + int64_t(y) * rowBytes;
        for (int32_t x = 0; x < width && fits; x++, px += 4) fits = palette->Add(RGBOf(px));
      }
      if (fits) {
        type = 3;
      } else {
        type = 2;
        palette = nullptr;
      }
    }
  }

  // 2. Signature, header, texts, palette.
  Handle out = NewHandle(0);
  if (!out) return nullptr;
  KivPtrAndHand(kSignature, out, 8);
  Handle ihdr = NewHandle(0);
  if (ihdr) {
    KivAddLongGrandBoutienToHandle(ihdr, uint32_t(width));
    KivAddLongGrandBoutienToHandle(ihdr, uint32_t(height));
    for (uint8_t b : {uint8_t(8), uint8_t(type), uint8_t(0), uint8_t(0), uint8_t(0)}) KivAddCarToHandle(ihdr, b);
  }
  PNGAddChunk(out, ihdr, FourCC("IHDR"), 1);
  PNGCreateChunktEXt(out, "Software", "Orvanta Assistant");
  PNGCreateChunktEXt(out, "Copyright", "Made with Orvanta Assistant");
  PNGCreateChunktEXt(out, "Title", title);
  PNGCreateChunktEXt(out, "Author", author);
  PNGCreateChunktEXt(out, "Description", description);
  PNGCreateChunktEXt(out, "Comment", comment);
  if (palette) {
    Handle plte = NewHandle(0);
    if (plte)
      for (uint32_t i = 0; i < palette->count; i++) {
        uint32_t c = palette->colours[i];
        for (uint8_t b : {uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c)}) KivAddCarToHandle(plte, b);
      }
    PNGAddChunk(out, plte, FourCC("PLTE"), 1);
  }

  // 3 and 4. Pack each row and filter it; the first row is left unfiltered,
  // later rows take the filter whose bytes, taken as signed, sum smallest.
  const uint32_t bpp = uint32_t(Channels(type));
  const uint32_t n = uint32_t(width) * bpp;
  Handle raw = NewHandle(Size((uint64_t(n) + 1) * uint64_t(height)));
  uint8_t* work = reinterpret_cast<uint8_t*>(NewPtr(Size(n) * 7));
  if (!raw || !work) {
    LibereHandle(&raw);
    DisposePtr(reinterpret_cast<Ptr>(work));
    DisposeHandle(out);
    return nullptr;
  }
  uint8_t* prior = work;        // previous packed row
  uint8_t* current = work + n;  // this packed row
  uint8_t* candidates = work + 2 * n;
  for (int32_t y = 0; y < height; y++) {
    const uint8_t* px = base + int64_t(y) * rowBytes;
    uint8_t* r = current;
    for (int32_t x = 0; x < width; x++, px += 4) {
      switch (type) {
        case 0: *r++ = uint8_t((px[1] + px[2] + px[3]) / 3); break;
        case 4:
          *r++ = uint8_t((px[1] + px[2] + px[3]) / 3);
          *r++ = px[0];
          break;
        case 2: *r++ = px[1], *r++ = px[2], *r++ = px[3]; break;
        case 6: *r++ = px[1], *r++ = px[2], *r++ = px[3], *r++ = px[0]; break;
        case 3: *r++ = palette->Index(RGBOf(px)); break;
      }
    }
    uint8_t* dst = reinterpret_cast<uint8_t*>(*raw) + (uint64_t(n) + 1) * uint64_t(y);
    int best = 0;
    if (y > 0) {
      int bestCost = 0;
      for (int f = 0; f < 5; f++) {
        uint8_t* c = candidates + uint32_t(f) * n;
        for (uint32_t i = 0; i < n; i++) {
          int a = i >= bpp ? current[i - bpp] : 0;
          int b = prior[i];
          int ul = i >= bpp ? prior[i - bpp] : 0;
          int predictor = f == 0 ? 0 : f == 1 ? a : f == 2 ? b : f == 3 ? (a + b) >> 1 : Paeth(a, b, ul);
          c[i] = uint8_t(current[i] - predictor);
        }
        int cost = FilterCost(c, n);
        if (f == 0 || cost < bestCost) best = f, bestCost = cost;
      }
      dst[0] = uint8_t(best);
      std::memcpy(dst + 1, candidates + uint32_t(best) * n, n);
    } else {
      dst[0] = 0;
      std::memcpy(dst + 1, current, n);
    }
    uint8_t* t = prior;
    prior = current;
    current = t;
  }
  DisposePtr(reinterpret_cast<Ptr>(work));

  // 5. One IDAT with every row, then the end.
  Handle idat = RozoZipHandleAndFree(raw);
  if (!idat) {
    DisposeHandle(out);
    return nullptr;
  }
  PNGAddChunk(out, idat, FourCC("IDAT"), 1);
  Handle end = NewHandle(0);
  PNGAddChunk(out, end, FourCC("IEND"), 1);
  return out;
}

// ---------------------------------------------------------------------------
// Offscreens

Offscreen ConvertPNGToOffscreen(Handle data) {
  int32_t w = 0, h = 0;
  int16_t type = 0, depth = 0;
  Handle palette = nullptr;
  Handle rows = PNGDecodeRows(data, &w, &h, &type, &depth, &palette, nullptr);
  if (!rows) return nullptr;
  Offscreen offscreen = RozoCreatePortOffscreen(int16_t(w), int16_t(h), 32);
  int32_t rowBytes = 0;
  Ptr base = offscreen ? RozoGetInfoOffscreen(offscreen, nullptr, &rowBytes, nullptr) : nullptr;
  if (base) {
    PNGRowsToARGB(rows, w, h, type, depth, palette, reinterpret_cast<uint8_t*>(base), rowBytes);
  } else if (offscreen) {
    RozoClosePortOffscreen(offscreen);
    offscreen = nullptr;
  }
  LibereHandle(&rows);
  LibereHandle(&palette);
  return offscreen;
}

Handle CvtOffscreenToPngHandle(Offscreen offscreen, uint8_t alpha, uint8_t trueColour, const char* comment,
                               const char* title, const char* author, const char* description) {
  Rect bounds;
  int32_t rowBytes = 0;
  int16_t depth = 0;
  Ptr base = offscreen ? RozoGetInfoOffscreen(offscreen, &bounds, &rowBytes, &depth) : nullptr;
  if (!base || depth != 32) return nullptr;
  return CvtARGBToPngHandle(reinterpret_cast<const uint8_t*>(base), bounds.right, bounds.bottom, rowBytes, alpha,
                            trueColour, comment, title, author, description);
}
