#pragma once
// Offscreen pixel buffers and images: 32-bit offscreens (A, R, G, B bytes,
// not premultiplied, bounds from (0, 0)) made from stored image data,
// rotated with alpha-weighted sampling, faded, adjusted, painted, copied into
// each other, drawn into the current port with or without alpha, tiled over a
// rectangle and written out as PNG files.
//
// Pixel operations act only on 32-bit offscreens; on any other depth, or on a
// null offscreen, they do nothing.
#include <cstdint>
#include <cstdio>

#include "platform/PlatformTypes.h"
#include "system/PortLayer.h"

// Image data types of documents.
constexpr int16_t kTypeImagePNG = 3;

Offscreen OffscreenCreate(const Rect* r);  // width r->right, height r->bottom
// Depth 24 and negative depths make 32-bit offscreens.
Offscreen CreeOffscreen(int16_t width, int16_t height, int16_t depth);
Offscreen OffscreenDuplicate(Offscreen off);
// Every output may be null. redAddr is the address of the red byte of pixel 0.
void OffscreenGetInfo(Offscreen off, Rect* bounds, Ptr* redAddr, int32_t* rowBytes, int32_t* step, Ptr* base,
                      int32_t* rowBytes2, int32_t* step2);
// A negative alpha keeps the pixel's own; outside the bounds nothing happens.
void OffscreenSetPixel(Offscreen off, int16_t x, int16_t y, int16_t red, int16_t green, int16_t blue, int16_t alpha);
void OffscreenCreateAlpha(Offscreen off);
// Pixels of the colour (the text is hexadecimal RRGGBB) become transparent,
// all others opaque.
void OffscreenCreateOpacityFromColor(Offscreen off, const char* colour);
void OffscreenCreateOpacityFromLuminance(Offscreen off);
void OffscreenInvertOpacity(Offscreen off);
void OffscreenFadeOpacity(Offscreen off, float percent);
// Brightness, contrast and saturation; alpha is kept.
void OffscreenBCS(Offscreen off, float brightness, float contrast, float saturation);
// Blend modes: 0 (at full opacity writes the colour and keeps alpha), 1
// blends colour and alpha, 2 writes colour and alpha, others blend the colour.
void OffscreenPaintRect(Offscreen off, const Rect* r, int16_t red, int16_t green, int16_t blue, int16_t percent,
                        int16_t mode);
// Centred copy; destination pixels with no source get the fill colour (note
// the argument order red, blue, green, alpha).
void OffscreenCopy(Offscreen src, Offscreen dst, uint8_t fillRed, uint8_t fillBlue, uint8_t fillGreen,
                   uint8_t fillAlpha);
// Draws into the current port. With alpha the offscreen is composited over
// what lies below, clipped to the port's clip (srcRect is not used); a port
// recording a picture receives it as direct bits with alpha. Without alpha it
// is CopyBits in transparent mode with dithering.
void OffscreenCopyBits(Offscreen off, const Rect* srcRect, const Rect* dstRect, bool useAlpha);

// Alpha-weighted bilinear sampling of a 32-bit source at (x, y); pixels
// outside count as the background (0xAARRGGBB).
struct AAPixelSource {
  const uint8_t* base;
  int32_t rowBytes;
  int32_t width;
  int32_t height;
};
uint32_t GetAAPixel(const AAPixelSource& src, uint32_t background, double x, double y);

void OffscreenGetRotatedBoundRect(const Rect* r, float angle, Rect* out);
// A new offscreen holding the image turned by angle degrees (positive turns
// clockwise on the screen); the source is left as it is.
Offscreen OffscreenRotate(Offscreen off, float angle, uint8_t red, uint8_t green, uint8_t blue, uint8_t alpha);

// Stored image data to an offscreen, turned by the angle (counter-clockwise
// on the screen) on a transparent background; null when it cannot be read.
Offscreen ConvertDataToOffscreen(int16_t type, Handle data, int32_t unused, int16_t angle);
Offscreen SystemDependantConvertImageToOffscreen(Handle data);
// Decodes the image and draws it with its alpha into the Rect of the current
// port; false when it could not be read.
bool QuartzDrawImage(Handle data, const Rect* r);

// Draws an image into the Rect; with no image, a crossed frame.
void DrawOffscreenImage(Offscreen off, const Rect* r, bool blend);
// Tiles the image over the Rect, from its top-left corner, at the zoom.
void FillWithPattern(Offscreen off, const Rect* r);
void GetAireImage(Offscreen off, Rect* r);
void DisposeImage(Offscreen* image);

// True only when the whole PNG file was written.
bool CvtOffscreenToPngFile(Offscreen off, FILE* file, const char* comment, const char* title, const char* author,
                           const char* description);
