// Glyph sheet of the music-symbol font: every code the drawing code uses,
// drawn by DrawCharMusical through a port at the place the drawing code puts
// it on a five-line staff, with its code, its origin (red) and the pen after
// it (green).
// Usage: glyphsheet OUT.pdf OUT.png [SVELLARI.TTF]
#include <cairo-pdf.h>
#include <cairo.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "platform/Fonts.h"
#include "platform/QuickDraw.h"
#include "platform/TextDraw.h"
#include "platform/UnicodeText.h"
#include "text/Fontes.h"
#include "text/UTFText.h"

namespace {

constexpr uint8_t kCodes[] = {
    35,  37,  38,  40,  41,  42,  43,  44,  46,  47,  48,  49,  50,  51,  52,  53,  54,  55,  56,  57,  59,
    63,  66,  67,  70,  73,  74,  75,  77,  78,  80,  83,  84,  85,  87,  94,  96,  98,  99,  101, 102, 103,
    104, 105, 106, 107, 109, 110, 112, 113, 114, 117, 118, 119, 120, 122, 126, 133, 134, 135, 136, 137, 138,
    142, 143, 144, 145, 146, 147, 148, 149, 150, 151, 152, 153, 154, 155, 156, 157, 158, 159, 160, 161, 162,
    163, 164, 165, 166, 168, 170, 171, 172, 176, 177, 178, 179, 181, 182, 183, 184, 185, 186, 187, 188, 189,
    192, 193, 195, 196, 197, 198, 202, 203, 204, 205, 206, 207, 208, 209, 212, 213, 215, 219, 220, 221, 222,
    225, 226, 228, 232, 233, 236, 238, 240, 243, 244, 245, 247, 249, 250, 251, 252, 253, 254, 255};

constexpr int kE = 96;             // music font size in pixels
constexpr double kIl = kE / 12.0;  // interline
constexpr int kCellW = 170, kCellH = 150, kCols = 10;
constexpr double kBottomLine = 95;  // y of the staff's bottom line in a cell
constexpr double kLeft = 60;        // x of the glyph origin in a cell

bool In(uint8_t c, std::initializer_list<int> set) {
  for (int s : set) {
    if (s == c) return true;
  }
  return false;
}

// Where the drawing code puts a code's origin, relative to the bottom line,
// and what reference it draws (a stem for flags).
double OriginY(uint8_t c) {
  double middle = kBottomLine - 2 * kIl;
  if (In(c, {38, 63, 66, 47})) return kBottomLine;                                     // clefs
  if (In(c, {208, 228})) return middle + std::trunc(-kIl / 2) + 1;                     // raised rests
  if (c == 183) return middle + std::trunc(0.09 * kE - kIl) + 1;                       // whole rest
  if (In(c, {238, 206, 213, 197, 168, 244})) return middle + 1;                        // rests
  if (c == 212) return kBottomLine - kIl + 1;                                          // one-bar repeat
  if (In(c, {106, 107})) return middle - 3.5 * kIl + kE * 23.0 / 72;                   // flags up
  if (In(c, {74, 75})) return middle + 3.5 * kIl - kE * 23.0 / 72;                     // flags down
  if (In(c, {251})) return middle - 3.5 * kIl + kE * 19.0 / 100 * 100 / 72 - 2 * kIl;  // stacked up
  if (In(c, {240})) return middle + 3.5 * kIl - kE * 19.0 / 100 * 100 / 72 + 2 * kIl;
  if (c >= 48 && c <= 57) return middle - kIl;  // time signature
  if (In(c, {43, 99, 67})) return middle;
  // Heads, accidentals, dots, parentheses: on the middle line.
  if (In(c, {35,  98,  110, 220, 186, 46,  40,  41,  87,  119, 207, 250, 221, 133, 134, 135, 136, 153, 154, 155,
             156, 157, 158, 159, 171, 177, 182, 192, 202, 203, 204, 205, 209, 225, 226, 245, 247, 252, 253, 254}))
    return middle + 1;
  return kBottomLine + 4 * kIl;  // text-like symbols: a baseline below the staff
}

void Staff(cairo_t* cr, double x, double y) {
  cairo_set_source_rgb(cr, 0.55, 0.55, 0.55);
  cairo_set_line_width(cr, 1);
  for (int i = 0; i < 5; i++) {
    cairo_move_to(cr, x + 8, std::floor(y - i * kIl) + 0.5);
    cairo_line_to(cr, x + kCellW - 8, std::floor(y - i * kIl) + 0.5);
  }
  cairo_stroke(cr);
}

// The code through the engine's music-font drawing, in a port over the
// sheet's context; returns how far the pen moved.
int16_t DrawMusic(cairo_t* cr, double x, double y, uint8_t code) {
  Rect bounds{-32767, -32767, 32767, 32767};
  CGrafPtr saved = nullptr;
  GetPort(&saved);
  CGrafPtr port = QDNewCairoPort(cr, &bounds);
  SetPort(port);
  SetFontVellari(kE);
  TextSize(kE);
  MoveTo(static_cast<int16_t>(x), static_cast<int16_t>(y));
  DrawCharMusical(code);
  Point pen;
  GetPen(&pen);
  SetPort(saved);
  DisposePort(port);
  return static_cast<int16_t>(pen.h - static_cast<int16_t>(x));
}

void Label(cairo_t* cr, double x, double y, const char* text, float size) {
  UniChar u[64];
  size_t n = 0;
  for (; text[n] && n < 64; n++) u[n] = static_cast<UniChar>(static_cast<uint8_t>(text[n]));
  UnicodeTextStyle st;
  st.font = FontNumberForName("Liberation Sans");
  st.size = size;
  UnicodeTextDraw(cr, x, y, u, n, st, 0);
}

void Sheet(cairo_t* cr) {
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  int n = 0;
  for (uint8_t code : kCodes) {
    double cx = (n % kCols) * kCellW, cy = (n / kCols) * kCellH;
    n++;
    Staff(cr, cx, cy + kBottomLine);
    double ox = cx + kLeft, oy = std::floor(cy + OriginY(code));
    (void)0;
    if (In(code, {106, 107, 74, 75, 251, 240})) {
      // The stem the flag hangs from: its right edge at the flag's origin.
      bool up = In(code, {106, 107, 251});
      double middle = cy + kBottomLine - 2 * kIl;
      cairo_set_source_rgb(cr, 0.3, 0.3, 0.3);
      cairo_rectangle(cr, ox - 1.5, middle, 1.5, up ? -3.5 * kIl : 3.5 * kIl);
      cairo_fill(cr);
    }
    cairo_set_source_rgb(cr, 0, 0, 0);
    int16_t adv = DrawMusic(cr, ox, oy, code);
    cairo_set_source_rgb(cr, 0.9, 0, 0);
    cairo_rectangle(cr, ox - 3, oy - 0.5, 7, 1);
    cairo_rectangle(cr, ox - 0.5, oy - 3, 1, 7);
    cairo_fill(cr);
    cairo_set_source_rgb(cr, 0, 0.6, 0);
    cairo_rectangle(cr, ox + adv - 0.5, oy - 6, 1, 12);
    cairo_fill(cr);
    char label[32];
    snprintf(label, sizeof label, "%d  adv %d", code, adv);
    cairo_set_source_rgb(cr, 0, 0, 0.7);
    Label(cr, cx + 10, cy + kCellH - 6, label, 12);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    fprintf(stderr, "usage: glyphsheet OUT.pdf OUT.png [SVELLARI.TTF]\n");
    return 2;
  }
  std::string font = argc > 3 ? argv[3] : std::string(TAMREL_RESOURCES "/SVELLARI.TTF");
  SetUnicodeApplication(1);  // as documents are drawn
  if (!ActiveFonteVellari(font.c_str())) {
    fprintf(stderr, "glyphsheet: cannot activate %s\n", font.c_str());
    return 1;
  }
  int rows = static_cast<int>((sizeof kCodes + kCols - 1) / kCols);
  double w = kCols * kCellW, h = rows * kCellH;
  cairo_surface_t* pdf = cairo_pdf_surface_create(argv[1], w, h);
  cairo_t* cr = cairo_create(pdf);
  Sheet(cr);
  cairo_destroy(cr);
  cairo_surface_destroy(pdf);
  cairo_surface_t* png = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, static_cast<int>(w), static_cast<int>(h));
  cr = cairo_create(png);
  Sheet(cr);
  cairo_destroy(cr);
  cairo_surface_write_to_png(png, argv[2]);
  cairo_surface_destroy(png);
  printf("%zu codes\n", sizeof kCodes);
  return 0;
}
