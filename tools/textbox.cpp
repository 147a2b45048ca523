// Text box sheet: one styled string drawn as a text box at 72, 144 and 576
// dpi, unwrapped and wrapped to the box, with the sizes the measuring calls
// give (the measured area framed in red, the box in grey).
// Usage: textbox OUT_PREFIX   (writes OUT_PREFIX-72.png, -144.png, -576.png)
#include <cairo.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "layout/Zoom.h"
#include "platform/Fonts.h"
#include "platform/QuickDraw.h"
#include "text/Fontes.h"
#include "text/TextBox.h"
#include "text/TextData.h"
#include "text/UTFText.h"

namespace {

// The styled string, built as the engine builds them: plain pieces joined
// with their styles.
char* BuildString() {
  TextStyle times{kFontTimes, 0, 18, {0, 0, 0}};
  TextStyle bold{kFontHelvetica, kFaceBold, 14, {52000, 0, 0}};
  TextStyle mono{kFontCourier, kFaceItalic, 12, {0, 0, 50000}};
  TextStyle big{kFontTimes, kFaceItalic, 28, {0, 30000, 0}};
  char* s = CreeChaineStyle("Allegro con brio: ", &times);
  s = ConcateneChaineAvecStyle("\xC3\xA9t\xC3\xA9 en fa majeur, ", &bold, s);
  s = ConcateneChaineAvecStyle("dolce e cantabile ", &mono, s);
  s = ConcateneChaineAvecStyle("Fine", &big, s);
  s = ConcateneChaineAvecStyle("\rda capo \xE6\xAD\x8C\xE8\xA9\x9E", &times, s);
  return s;
}

std::string Escaped(const char* s) {
  std::string out;
  const unsigned char* text = reinterpret_cast<const unsigned char*>(GetTexteBrutTexteStyle(s));
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(s); *p; p++) {
    // Flag bytes of the style part are not text.
    if (*p < 32 || (p < text && *p >= 0x80)) {
      char b[8];
      snprintf(b, sizeof b, "\\x%02X", *p);
      out += b;
    } else {
      out += static_cast<char>(*p);
    }
  }
  return out;
}

void Frame(cairo_t* cr, const Rect& r, double red, double grey) {
  cairo_set_source_rgb(cr, red > 0 ? red : grey, grey, grey);
  cairo_set_line_width(cr, 1);
  cairo_rectangle(cr, r.left + 0.5, r.top + 0.5, r.right - r.left - 1, r.bottom - r.top - 1);
  cairo_stroke(cr);
}

int Sheet(const char* prefix, int16_t dpi, const char* s) {
  SetDpiDest(dpi);
  const int32_t len = static_cast<int32_t>(strlen(s));
  TextStyle def{kFontHelvetica, 0, 12, {0, 0, 0}};
  const int16_t boxW = static_cast<int16_t>(Zoom(240));
  const int16_t margin = static_cast<int16_t>(Zoom(12));

  uint16_t w = 0, h = 0;
  TextBoxStyleSize(s, len, &def, &w, &h, 1);
  Rect area{margin, margin, static_cast<int16_t>(margin + 10), static_cast<int16_t>(margin + boxW)};
  TextBoxStyleArea(s, len, &def, &area, 1);
  int16_t h72 = TextBoxStyleHeightWrap(s, len, 240, &def, 1);
  printf("%d dpi: unwrapped %u x %u; wrapped to %d: right %d, bottom %d (%d x %d); height at 72 dpi for 240: %d\n", dpi,
         w, h, boxW, area.right, area.bottom, area.right - area.left, area.bottom - area.top, h72);

  const int width = margin * 3 + (w > boxW ? w : boxW);
  const int height = margin * 3 + h + (area.bottom - area.top);
  cairo_surface_t* png = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
  cairo_t* cr = cairo_create(png);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  Rect bounds{-32767, -32767, 32767, 32767};
  CGrafPtr saved = nullptr;
  GetPort(&saved);
  CGrafPtr port = QDNewCairoPort(cr, &bounds);
  SetPort(port);

  // Unwrapped, in a box of its measured size.
  Rect one{margin, margin, static_cast<int16_t>(margin + h), static_cast<int16_t>(margin + w)};
  TextBoxStyleZoom(s, len, &one, 0, &def, 0, 0, 1);
  // Wrapped to the box, below.
  int16_t top = static_cast<int16_t>(margin * 2 + h);
  Rect box{top, margin, static_cast<int16_t>(top + area.bottom - area.top), static_cast<int16_t>(margin + boxW)};
  TextBoxStyleZoom(s, len, &box, 0, &def, 0, 0, 0);
  SetPort(saved);
  DisposePort(port);

  Frame(cr, one, 0.9, 0.2);
  Rect measured = area;
  measured.top = top;
  measured.bottom = static_cast<int16_t>(top + area.bottom - area.top);
  Frame(cr, box, 0, 0.7);
  Frame(cr, measured, 0.9, 0.2);
  cairo_destroy(cr);
  std::string out = std::string(prefix) + "-" + std::to_string(dpi) + ".png";
  cairo_status_t st = cairo_surface_write_to_png(png, out.c_str());
  cairo_surface_destroy(png);
  return st == CAIRO_STATUS_SUCCESS ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    fprintf(stderr, "usage: textbox OUT_PREFIX\n");
    return 2;
  }
  SetUnicodeApplication(1);  // as documents are drawn
  char* s = BuildString();
  if (!s) return 1;
  printf("styled string: %s\n", Escaped(s).c_str());
  int rc = 0;
  for (int16_t dpi : {72, 144, 576}) rc |= Sheet(argv[1], dpi, s);
  DisposeTextData(s);
  return rc;
}
