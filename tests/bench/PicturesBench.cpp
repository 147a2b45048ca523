#include <benchmark/benchmark.h>

#include <cairo.h>

#include "platform/PictContext.h"
#include "platform/Pictures.h"
#include "platform/QuickDraw.h"

namespace {

// A page-like picture: many short lines and small text runs, as staves and
// notes make them.
PicHandle PagePicture(const Rect& frame) {
  CGrafPtr saved;
  GDHandle dev;
  GetGWorld(&saved, &dev);
  GWorldPtr w = nullptr;
  NewGWorld(&w, 32, &frame, nullptr, nullptr, 0);
  SetGWorld(w, nullptr);
  PicHandle pic = OpenPicture(&frame);
  Point one{1, 1};
  for (int i = 0; i < 20000; i++) {
    int16_t x = int16_t(i % 700), y = int16_t((i / 700) * 30 % 900);
    MoveTo(x, y);
    LineTo(int16_t(x + 5), int16_t(y + 20));
    if (i % 10 == 0) {
      MoveTo(x, int16_t(y + 25));
      StdText(3, "abc", one, one);
    }
  }
  ClosePicture();
  SetGWorld(saved, dev);
  DisposeGWorld(w);
  return pic;
}

void BM_ReplayIntoImage(benchmark::State& state) {
  Rect frame{0, 0, 900, 720};
  PicHandle pic = PagePicture(frame);
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 720, 900);
  cairo_t* cr = cairo_create(s);
  gPictReplayTextProc = [](cairo_t*, const PictReplayText&) {};
  for (auto _ : state) DrawPictureIntoContext(cr, pic, &frame);
  gPictReplayTextProc = PictReplayDrawText;
  cairo_destroy(cr);
  cairo_surface_destroy(s);
  KillPicture(pic);
}
BENCHMARK(BM_ReplayIntoImage)->Unit(benchmark::kMillisecond);

void BM_RecordPage(benchmark::State& state) {
  Rect frame{0, 0, 900, 720};
  for (auto _ : state) KillPicture(PagePicture(frame));
}
BENCHMARK(BM_RecordPage)->Unit(benchmark::kMillisecond);

}  // namespace
