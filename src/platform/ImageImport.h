#pragma once
// Image import: stands in for the system's graphics importers. Image data in
// a common format becomes 32-bit A, R, G, B pixels (not premultiplied) of the
// image's natural size: PNG of every kind through libpng, JPEG through
// libjpeg; any other format is not decodable here.
#include <cstddef>
#include <cstdint>

#include "platform/PlatformTypes.h"

// Largest side and pixel count accepted (the bounds of 16-bit rectangles and
// 256 MiB of pixels): anything larger fails before pixels are allocated.
constexpr int32_t kImageImportMaxSide = 32767;
constexpr int64_t kImageImportMaxPixels = int64_t(1) << 26;

// A new pointer block of width x height pixels, rows width x 4 bytes apart,
// or null when the data is not an image that can be read.
Ptr QDImportImageARGB(const uint8_t* data, size_t size, int32_t* width, int32_t* height);
