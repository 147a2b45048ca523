// Pictures as documents and images carry them: the walker behind the dump,
// the player into a raster port (through the port's procedures, with the
// Bezier comments honoured), the replay into a cairo context, and the
// rewriters (old-format conversion, colour adaptation), whose output is read
// again.
#include <cairo.h>

#include "FuzzCommon.h"
#include "platform/Memory.h"
#include "platform/PictContext.h"
#include "platform/PictDump.h"
#include "platform/Pictures.h"
#include "platform/QuickDraw.h"
#include "system/Bezier.h"
#include "system/PictConversion.h"

namespace {

struct Cibles {
  GWorldPtr monde = nullptr;
  cairo_surface_t* surface = nullptr;
  cairo_t* cr = nullptr;
  Cibles() {
    const Rect bornes{0, 0, 80, 100};
    if (NewGWorld(&monde, 32, &bornes, nullptr, nullptr, 0) != qdNoErr) monde = nullptr;
    surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 100, 80);
    cr = cairo_create(surface);
  }
};

Cibles& LesCibles() {
  static Cibles c;
  return c;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tamrel_fuzz::InitCommun();
  Cibles& c = LesCibles();
  if (!c.monde) return 0;
  Handle h = NewHandle(Size(size));
  if (!h) return 0;
  if (size) std::memcpy(*h, data, size);

  std::string dump;
  PictDumpHandle(h, dump);

  CGrafPtr portSauve;
  GDHandle devSauve;
  GetGWorld(&portSauve, &devSauve);
  SetGWorld(c.monde, nullptr);
  const Rect dst{0, 0, 60, 80}, moitie{0, 0, 30, 40};
  DrawPicture(h, &dst);
  RozoDrawPicture(h, &moitie);
  // Played while recording: the Bezier comments are written again, mapped.
  if (PicHandle enregistre = OpenPicture(&dst)) {
    RozoDrawPicture(h, &dst);
    ClosePicture();
    KillPicture(enregistre);
  }
  cairo_save(c.cr);
  DrawPictureIntoContext(c.cr, h, &dst);
  cairo_restore(c.cr);

  if (Handle adaptee = AdaptePictureRGB(h, 1, nullptr, nullptr)) {
    std::string d;
    PictDumpHandle(adaptee, d);
    DrawPicture(adaptee, &dst);
    DisposeHandle(adaptee);
  }
  if (Handle adaptee = AdaptePicture(h, 2, 3)) DisposeHandle(adaptee);
  if (ConvertPictureFromOldFormat(h)) DrawPicture(h, &dst);
  SetGWorld(portSauve, devSauve);
  DisposeHandle(h);
  return 0;
}
