#include <benchmark/benchmark.h>

#include <cairo-pdf.h>
#include <cairo.h>

#include "platform/Memory.h"
#include "platform/PictContext.h"
#include "platform/Pictures.h"
#include "platform/QuickDraw.h"

namespace {

// What a page draws: many short lines and small text runs, as staves and
// notes make them (22,000 operations).
void DrawPage() {
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
}

// A page-like picture, recorded on an offscreen.
PicHandle PagePicture(const Rect& frame) {
  CGrafPtr saved;
  GDHandle dev;
  GetGWorld(&saved, &dev);
  GWorldPtr w = nullptr;
  NewGWorld(&w, 32, &frame, nullptr, nullptr, 0);
  SetGWorld(w, nullptr);
  PicHandle pic = OpenPicture(&frame);
  DrawPage();
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

// The same 22,000 operations recorded on the ports a document may draw on:
// the scratch raster port (0) and the hidden dialog without pixels (1).
void BM_RecordPageOnDocumentPort(benchmark::State& state) {
  Rect frame{0, 0, 900, 720};
  CGrafPtr saved;
  GDHandle dev;
  GetGWorld(&saved, &dev);
  const Rect bounds{0, 0, 800, 600};
  DialogPtr dialog = nullptr;
  CGrafPtr port = nullptr;
  if (state.range(0) == 0) {
    port = CreateNewPort();
  } else {
    dialog = NewColorDialog(nullptr, &bounds, nullptr, false, 0, nullptr, false, 0, nullptr);
    port = GetDialogPort(dialog);
  }
  for (auto _ : state) {
    SetGWorld(port, nullptr);
    PicHandle pic = OpenPicture(&frame);
    ForeColor(blackColor);
    BackColor(whiteColor);
    EraseRect(&frame);
    DrawPage();
    ClosePicture();
    KillPicture(pic);
  }
  SetGWorld(saved, dev);
  if (dialog) DisposeDialog(dialog);
  else DisposePort(port);
}
BENCHMARK(BM_RecordPageOnDocumentPort)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// One PaintArc and 200 more on the same 2000 x 2000 rectangle (a picture of
// 1,268 bytes), into pixels (first argument 0), into a cairo image (1) and
// into a PDF page (2); with second argument 1 the same picture paints the
// whole oval each time, for comparison: an arc costs about what its oval
// costs.
void BM_ReplayArcs(benchmark::State& state) {
  const Rect frame{0, 0, 2000, 2000};
  CGrafPtr saved;
  GDHandle dev;
  GetGWorld(&saved, &dev);
  DialogPtr dialog = NewColorDialog(nullptr, &frame, nullptr, false, 0, nullptr, false, 0, nullptr);
  SetGWorld(GetDialogPort(dialog), nullptr);
  PicHandle pic = OpenPicture(&frame);
  for (int i = 0; i <= 200; i++) PaintArc(&frame, int16_t(i * 37 % 360), int16_t(state.range(1) ? 360 : 10 + i % 170));
  ClosePicture();
  SetGWorld(saved, dev);
  DisposeDialog(dialog);
  if (state.range(0) == 0) {
    GWorldPtr w = nullptr;
    NewGWorld(&w, 32, &frame, nullptr, nullptr, 0);
    SetGWorld(w, nullptr);
    for (auto _ : state) DrawPicture(pic, &frame);
    SetGWorld(saved, dev);
    DisposeGWorld(w);
  } else {
    // The PDF goes nowhere: only the writing of the page counts.
    auto nowhere = [](void*, const unsigned char*, unsigned int) { return CAIRO_STATUS_SUCCESS; };
    cairo_surface_t* s = state.range(0) == 1 ? cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 2000, 2000)
                                             : cairo_pdf_surface_create_for_stream(nowhere, nullptr, 2000, 2000);
    cairo_t* cr = cairo_create(s);
    for (auto _ : state) {
      DrawPictureIntoContext(cr, pic, &frame);
      if (state.range(0) == 2) cairo_show_page(cr);
    }
    cairo_destroy(cr);
    cairo_surface_destroy(s);
  }
  state.counters["bytes"] = double(GetHandleSize(pic));
  KillPicture(pic);
}
BENCHMARK(BM_ReplayArcs)->ArgsProduct({{0, 1, 2}, {0, 1}})->Unit(benchmark::kMillisecond);

}  // namespace
