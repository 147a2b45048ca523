// Bezier path comments: the input is cut at each newline into the texts of
// successive comments, recorded into a picture between raster lines, and the
// picture played back with the paths honoured, at another scale, into a
// raster port, into a recording port and into a cairo context.
#include <cairo.h>

#include "FuzzCommon.h"
#include "platform/Memory.h"
#include "platform/PictComments.h"
#include "platform/PictContext.h"
#include "platform/Pictures.h"
#include "platform/QuickDraw.h"
#include "system/Bezier.h"

namespace {

GWorldPtr Monde() {
  static GWorldPtr monde = [] {
    GWorldPtr m = nullptr;
    const Rect bornes{0, 0, 120, 160};
    return NewGWorld(&m, 32, &bornes, nullptr, nullptr, 0) == qdNoErr ? m : nullptr;
  }();
  return monde;
}

cairo_t* Contexte() {
  static cairo_t* cr = cairo_create(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 160, 120));
  return cr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tamrel_fuzz::InitCommun();
  GWorldPtr monde = Monde();
  if (!monde || size > 1 << 20) return 0;
  CGrafPtr portSauve;
  GDHandle devSauve;
  GetGWorld(&portSauve, &devSauve);
  SetGWorld(monde, nullptr);

  const Rect cadre{0, 0, 100, 100};
  PicHandle pic = OpenPicture(&cadre);
  if (!pic) {
    SetGWorld(portSauve, devSauve);
    return 0;
  }
  size_t debut = 0;
  int16_t ligne = 0;
  while (debut <= size) {
    size_t fin = debut;
    while (fin < size && data[fin] != '\n') fin++;
    const size_t n = fin - debut;
    if (n <= 0x7FFF) {
      Handle texte = NewHandle(Size(n));
      if (texte) {
        if (n) std::memcpy(*texte, data + debut, n);
        PicComment(kCommentBezier, int16_t(n), texte);
        DisposeHandle(texte);
      }
    }
    // A raster line between comments, as the recorder writes them.
    MoveTo(0, ligne);
    LineTo(20, ligne);
    ligne = int16_t((ligne + 1) % 100);
    debut = fin + 1;
  }
  ClosePicture();

  const Rect dst{0, 0, 150, 110}, petit{10, 10, 40, 30};
  RozoDrawPicture(pic, &dst);
  RozoDrawPicture(pic, &petit);
  if (PicHandle enregistre = OpenPicture(&dst)) {
    RozoDrawPicture(pic, &dst);
    ClosePicture();
    KillPicture(enregistre);
  }
  cairo_t* cr = Contexte();
  cairo_save(cr);
  DrawPictureIntoContext(cr, pic, &dst);
  cairo_restore(cr);
  KillPicture(pic);
  SetGWorld(portSauve, devSauve);
  return 0;
}
