// pictrender IN OUT.png|OUT.pdf [--scale S]: replays a picture file (with or
// without the 512-byte header of picture files) into a PNG image or a PDF
// page through the same replay the host uses, with the music font of the
// build activated as the plug-in activates it.
#include <cairo-pdf.h>
#include <cairo.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "PictFile.h"
#include "platform/Fonts.h"
#include "platform/Memory.h"
#include "platform/PictContext.h"
#include "platform/PictFormat.h"

int main(int argc, char** argv) {
  const char* in = nullptr;
  const char* out = nullptr;
  double scale = 1.0;
  for (int i = 1; i < argc; i++) {
    if (!std::strcmp(argv[i], "--scale") && i + 1 < argc) scale = std::atof(argv[++i]);
    else if (argv[i][0] == '-') in = out = nullptr, i = argc;  // --help and unknown options: the usage
    else if (!in) in = argv[i];
    else if (!out) out = argv[i];
  }
  if (!in || !out || scale <= 0 || scale > 64) {
    std::fprintf(stderr, "usage: pictrender IN OUT.png|OUT.pdf [--scale S]\n");
    return 2;
  }
  std::vector<uint8_t> bytes;
  if (!LitFichierPicture(in, &bytes)) {
    std::fprintf(stderr, "pictrender: cannot open %s\n", in);
    return 1;
  }
  size_t start = 0;
  Rect frame;
  if (!TrouvePicture(bytes, false, &start) || !PictGetFrame(bytes.data() + start, bytes.size() - start, frame) ||
      frame.right <= frame.left || frame.bottom <= frame.top) {
    std::fprintf(stderr, "pictrender: %s is not a picture\n", in);
    return 1;
  }
  // Music-font codes draw as glyphs only once the font is known.
  if (FMActivateFonts(TAMREL_RESOURCES "/SVELLARI.TTF") != noErr)
    std::fprintf(stderr, "pictrender: the music font %s could not be activated\n", TAMREL_RESOURCES "/SVELLARI.TTF");
  Handle pic = NewHandle(Size(bytes.size() - start));
  if (!pic) return 1;
  std::memcpy(*pic, bytes.data() + start, bytes.size() - start);
  double w = (frame.right - frame.left) * scale, h = (frame.bottom - frame.top) * scale;
  bool pdf = std::strlen(out) > 4 && !std::strcmp(out + std::strlen(out) - 4, ".pdf");
  cairo_surface_t* s = pdf ? cairo_pdf_surface_create(out, w, h)
                           : cairo_image_surface_create(CAIRO_FORMAT_ARGB32, int(w + 0.5), int(h + 0.5));
  cairo_t* cr = cairo_create(s);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  cairo_scale(cr, scale, scale);
  cairo_translate(cr, -frame.left, -frame.top);
  bool ok = DrawPictureIntoContext(cr, pic, &frame);
  cairo_destroy(cr);
  if (!pdf && ok) ok = cairo_surface_write_to_png(s, out) == CAIRO_STATUS_SUCCESS;
  cairo_surface_finish(s);
  cairo_surface_destroy(s);
  DisposeHandle(pic);
  return ok ? 0 : 1;
}
