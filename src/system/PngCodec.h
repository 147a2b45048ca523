#pragma once
// PNG reader and writer for the images of imported documents. The reader takes
// non-interlaced images of every colour type at depths 1, 2, 4 and 8 (16-bit
// images are refused); the writer picks the smallest fitting colour type,
// filters each row adaptively and adds text chunks. Both work on handles
// holding the whole file; pixels are 32-bit A, R, G, B, not premultiplied.
#include <cstddef>
#include <cstdint>

#include "platform/PlatformTypes.h"
#include "system/PortLayer.h"

// Size of the message buffer that receives the reason of a refusal.
constexpr int kPNGMessageSize = 256;
// Largest width or height: bounds are 16-bit rectangles.
constexpr uint32_t kPNGMaxSide = 32767;
// Largest pixel count accepted from a header (256 MiB of 32-bit pixels).
constexpr uint64_t kPNGMaxPixels = uint64_t(1) << 26;

// CRC-32 as PNG chunks use it (0 for a count of 0).
uint32_t Crc32(const void* bytes, size_t count);

// The next four bytes as a big-endian value; bytes past the end of the handle
// count as 0 and do not advance the position.
uint32_t PNGReadUnsignedLong(Handle h, int32_t* position);

// Reads the chunks of a PNG file: bounds (0, 0, height, width), colour type,
// bit depth and a new palette handle (PLTE bytes, or null). Returns a new
// handle with the concatenated IDAT data, or null with the reason in
// `message` (kPNGMessageSize bytes, may be null).
Handle PNGDecode(Handle data, Rect* bounds, int16_t* colourType, int16_t* bitDepth, Handle* palette, char* message);

// Unfilters inflated IDAT data into height rows of packed samples,
// ceil(width x bits per pixel / 8) bytes each. Rows missing from the data stay
// zero. Null for a filter type above 4.
Handle PNGDecodeIDAT(Handle inflated, int32_t width, int32_t height, int16_t colourType, int16_t bitDepth);

// Expands unfiltered rows into 32-bit A, R, G, B pixels at `base`, rows
// `rowBytes` apart. Samples of 1, 2 and 4 bits are unpacked; grey samples are
// scaled to 0..255. A palette index beyond the palette repeats the previous
// pixel's colour (black at the start).
void PNGRowsToARGB(Handle rows, int32_t width, int32_t height, int16_t colourType, int16_t bitDepth, Handle palette,
                   uint8_t* base, int32_t rowBytes);

// The whole chain into a new pointer block of width x height A, R, G, B
// pixels, or null with the reason in `message`.
Ptr PNGDecodeToARGB(Handle data, int32_t* width, int32_t* height, char* message);

// Appends a chunk: length, type, data, CRC. A null data handle adds nothing;
// with `dispose` the data handle is disposed.
void PNGAddChunk(Handle out, Handle data, uint32_t type, uint8_t dispose);

// Appends a tEXt chunk when the text is not empty. The text (UTF-8) is stored
// in the 8-bit Latin set that tEXt chunks hold; other characters become '?'.
void PNGCreateChunktEXt(Handle out, const char* keyword, const char* text);

// Writes A, R, G, B pixels as a PNG file into a new handle, or null. Texts
// may be null or empty.
Handle CvtARGBToPngHandle(const uint8_t* base, int32_t width, int32_t height, int32_t rowBytes, uint8_t alpha,
                          uint8_t trueColour, const char* comment, const char* title, const char* author,
                          const char* description);

// The offscreen entry points: 32-bit offscreens whose bounds start at (0, 0).
// A new offscreen holding the image and its alpha, or null.
Offscreen ConvertPNGToOffscreen(Handle data);
// The offscreen (width = right, height = bottom of its bounds) as a PNG file in
// a new handle, or null (also for offscreens of another depth).
Handle CvtOffscreenToPngHandle(Offscreen offscreen, uint8_t alpha, uint8_t trueColour, const char* comment,
                               const char* title, const char* author, const char* description);
