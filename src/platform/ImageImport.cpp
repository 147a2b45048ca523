#include "platform/ImageImport.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>
#include <png.h>

#include "platform/Memory.h"

namespace {

bool SizeAccepted(int64_t w, int64_t h) {
  return w > 0 && h > 0 && w <= kImageImportMaxSide && h <= kImageImportMaxSide && w * h <= kImageImportMaxPixels;
}

// libpng sizes a chunk's buffer from the length the chunk states, and clears
// it, before it finds the data too short: a few hundred bytes claiming a
// 1.6 GB text chunk cost that much memory and seconds, only to fail. The
// image is all in memory, so every chunk up to IEND must fit in it; one that
// cannot is damage, which libpng would refuse at the end anyway.
bool ChunksTiennent(const uint8_t* data, size_t size) {
  size_t pos = 8;
  while (pos < size) {
    if (size - pos < 12) return false;
    const uint32_t longueur = uint32_t(data[pos]) << 24 | uint32_t(data[pos + 1]) << 16 | uint32_t(data[pos + 2]) << 8 |
                              uint32_t(data[pos + 3]);
    if (longueur > 0x7FFFFFFFu || longueur > size - pos - 12) return false;
    if (std::memcmp(data + pos + 4, "IEND", 4) == 0) return true;
    pos += 12 + size_t(longueur);
  }
  return false;
}

Ptr ImportPNG(const uint8_t* data, size_t size, int32_t* width, int32_t* height) {
  if (!ChunksTiennent(data, size)) return nullptr;
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, data, size)) return nullptr;
  if (!SizeAccepted(image.width, image.height)) {
    png_image_free(&image);
    return nullptr;
  }
  image.format = PNG_FORMAT_ARGB;
  Ptr pixels = NewPtr(Size(int64_t(image.width) * image.height * 4));
  if (!pixels) {
    png_image_free(&image);
    return nullptr;
  }
  if (!png_image_finish_read(&image, nullptr, pixels, png_int_32(image.width * 4), nullptr)) {
    png_image_free(&image);
    DisposePtr(pixels);
    return nullptr;
  }
  *width = int32_t(image.width);
  *height = int32_t(image.height);
  return pixels;
}

struct JpegError {
  jpeg_error_mgr mgr;
  std::jmp_buf jump;
};

void JpegErrorExit(j_common_ptr cinfo) {
  JpegError* err = reinterpret_cast<JpegError*>(cinfo->err);
  std::longjmp(err->jump, 1);
}
void JpegSilent(j_common_ptr, int) {}

Ptr ImportJPEG(const uint8_t* data, size_t size, int32_t* width, int32_t* height) {
  jpeg_decompress_struct cinfo;
  JpegError err;
  cinfo.err = jpeg_std_error(&err.mgr);
  err.mgr.error_exit = JpegErrorExit;
  err.mgr.emit_message = JpegSilent;
  // Volatile: changed between setjmp and a longjmp back to it.
  Ptr volatile pixels = nullptr;
  JSAMPLE* volatile row = nullptr;
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    if (pixels) DisposePtr(pixels);
    if (row) DisposePtr(reinterpret_cast<Ptr>(row));
    return nullptr;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
  jpeg_read_header(&cinfo, TRUE);
  if (!SizeAccepted(cinfo.image_width, cinfo.image_height)) {
    jpeg_destroy_decompress(&cinfo);
    return nullptr;
  }
  cinfo.out_color_space = JCS_RGB;
  jpeg_start_decompress(&cinfo);
  const int32_t w = int32_t(cinfo.output_width), h = int32_t(cinfo.output_height);
  if (!SizeAccepted(w, h) || cinfo.output_components != 3) {
    jpeg_destroy_decompress(&cinfo);
    return nullptr;
  }
  pixels = NewPtr(Size(int64_t(w) * h * 4));
  row = reinterpret_cast<JSAMPLE*>(NewPtr(Size(w) * 3));
  if (!pixels || !row) longjmp(err.jump, 1);
  while (cinfo.output_scanline < cinfo.output_height) {
    int32_t y = int32_t(cinfo.output_scanline);
    JSAMPROW rows[1] = {row};
    if (jpeg_read_scanlines(&cinfo, rows, 1) != 1) longjmp(err.jump, 1);
    uint8_t* out = reinterpret_cast<uint8_t*>(pixels) + size_t(y) * size_t(w) * 4;
    for (int32_t x = 0; x < w; ++x) {
      out[4 * x] = 255;
      out[4 * x + 1] = row[3 * x];
      out[4 * x + 2] = row[3 * x + 1];
      out[4 * x + 3] = row[3 * x + 2];
    }
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  DisposePtr(reinterpret_cast<Ptr>(row));
  *width = w;
  *height = h;
  return pixels;
}

}  // namespace

Ptr QDImportImageARGB(const uint8_t* data, size_t size, int32_t* width, int32_t* height) {
  if (!data || !width || !height) return nullptr;
  *width = *height = 0;
  static const uint8_t kPng[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  if (size >= 8 && std::memcmp(data, kPng, 8) == 0) return ImportPNG(data, size, width, height);
  if (size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF) return ImportJPEG(data, size, width, height);
  return nullptr;
}
