// Text sheet: mixed scripts, faces and angles through the Unicode text
// engine, 8-bit text through the transcoding path, and a few font facts.
// Usage: textsheet OUT.pdf OUT.png
#include <cairo-pdf.h>
#include <cairo.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/Fonts.h"
#include "platform/Memory.h"
#include "platform/QuickDraw.h"
#include "platform/TextDraw.h"
#include "platform/UnicodeText.h"
#include "text/Fontes.h"
#include "text/TextEncodings.h"
#include "text/UTFText.h"

namespace {

// Text through the engine's Unicode drawing, in a port over the sheet's
// context.
float Draw(cairo_t* cr, double x, double y, const char* utf8, int16_t font, uint8_t face, float size,
           double angle = 0) {
  Rect bounds{-32767, -32767, 32767, 32767};
  CGrafPtr saved = nullptr;
  GetPort(&saved);
  CGrafPtr port = QDNewCairoPort(cr, &bounds);
  SetPort(port);
  TextFont(font);
  TextFace(face);
  TextSize(static_cast<int16_t>(size));
  MoveTo(static_cast<int16_t>(x), static_cast<int16_t>(y));
  int32_t n = static_cast<int32_t>(strlen(utf8));
  UTFDrawText(port, utf8, 0, n, static_cast<int16_t>(angle));
  float w = UTFTextWidth(port, utf8, 0, n);
  SetPort(saved);
  DisposePort(port);
  return w;
}

int16_t F(const char* name) { return FontNumberForName(name); }

void Sheet(cairo_t* cr) {
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  cairo_set_source_rgb(cr, 0, 0, 0);
  double y = 40;
  struct {
    int16_t font;
    const char* label;
  } fonts[] = {{kFontTimes, "Times"},
               {kFontHelvetica, "Helvetica"},
               {kFontCourier, "Courier"},
               {kFontGeneva, "Geneva (standard font)"},
               {F("Osaka"), "Osaka"}};
  for (const auto& f : fonts) {
    float w = Draw(cr, 30, y, f.label, kFontHelvetica, kFaceBold, 13);
    (void)w;
    Draw(cr, 230, y,
         "The quick brown fox jumps over the lazy dog. \xC3\x89l\xC3\xA8ve \xC3\xA0 l'\xC3\xA9"
         "cole, "
         "fa\xC3\xA7"
         "ade, na\xC3\xAFve, Stra\xC3\x9F"
         "e, \xC3\x86r\xC3\xB8, \xC5\x93uvre",
         f.font, 0, 20);
    y += 34;
  }
  Draw(cr, 30, y, "Japanese", kFontHelvetica, kFaceBold, 13);
  Draw(cr, 230, y,
       "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE3\x81\xAE\xE6\xAD\x8C\xE8\xA9\x9E "
       "\xE3\x81\x8B\xE3\x81\xAA \xE3\x82\xAB\xE3\x83\x8A (Helvetica, per-character fallback)",
       kFontHelvetica, 0, 22);
  y += 36;
  Draw(cr, 230, y,
       "\xE3\x81\x95\xE3\x81\x8F\xE3\x82\x89 \xE3\x81\x95\xE3\x81\x8F\xE3\x82\x89 "
       "\xE3\x82\x84\xE3\x82\x88\xE3\x81\x84\xE3\x81\xAE\xE7\xA9\xBA\xE3\x81\xAF (Osaka)",
       F("Osaka"), 0, 22);
  y += 44;
  struct {
    uint8_t face;
    const char* label;
  } faces[] = {{0, "plain"},
               {kFaceBold, "bold"},
               {kFaceItalic, "italic"},
               {kFaceUnderline, "underline"},
               {kFaceCondense, "condensed"},
               {kFaceExtend, "extended"},
               {kFaceShadow, "shadow"},
               {kFaceBold | kFaceItalic, "bold italic"}};
  for (const auto& f : faces) {
    Draw(cr, 30, y, f.label, kFontHelvetica, kFaceBold, 13);
    float w = Draw(cr, 230, y, "Liberation Sans HHHH", kFontHelvetica, f.face, 22);
    Draw(cr, 520, y, "Serif text", kFontTimes, f.face, 22);
    Draw(cr, 720, y, "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E (IPA, synthesised)", F("IPAGothic"), f.face, 22);
    // The measured width, as a tick under the first sample.
    cairo_rectangle(cr, 230 + w - 0.5, y + 6, 1, 6);
    cairo_fill(cr);
    y += 36;
  }
  // Angles around one point.
  double cx = 300, cy = y + 200;
  cairo_set_source_rgb(cr, 0.9, 0, 0);
  cairo_arc(cr, cx, cy, 3, 0, 2 * M_PI);
  cairo_fill(cr);
  cairo_set_source_rgb(cr, 0, 0, 0);
  for (int a : {0, 30, 60, 90, 135, 180, 270, -30}) {
    char t[64];
    snprintf(t, sizeof t, "   %d\xC2\xB0 \xC3\xA9t\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC", a);
    Draw(cr, cx, cy, t, kFontHelvetica, 0, 18, a);
  }
  // Music symbols through the Unicode engine (U+F000 + code) at an angle.
  Draw(cr, 620, cy - 60, "Music font, Unicode path:", kFontHelvetica, kFaceBold, 13);
  const char music[] = "\xEF\x80\xA6 \xEF\x83\x8F\xEF\x80\xA3 \xEF\x81\xA6 \xEF\x80\xBF";  // F026 F0CF F023 F066 F03F
  Draw(cr, 620, cy, music, vellariPrint, 0, 72);
  Draw(cr, 900, cy + 60, music, vellariPrint, 0, 48, 30);
  // 8-bit text: Mac Roman bytes while transcoding is on.
  Draw(cr, 620, cy + 120, "8-bit Mac Roman path:", kFontHelvetica, kFaceBold, 13);
  const uint8_t mac[] = {'c', 'a', 'f', 0x8E, ' ', 0xDB, ' ', 'n', 'a', 0x95, 'v', 'e'};
  Text8Style st{kFontTimes, 0, 24};
  Text8Draw(cr, 620, cy + 155, st, mac, sizeof mac);
}

// What a document loader's conversion callback records.
void RecordMiss(const char* requested, const char* tried, int16_t, bool substituted) {
  if (substituted) {
    char s[600];
    snprintf(s, sizeof s, "%s=>%s", requested, tried);
    AddFontInconnue(s, 1);
  } else {
    AddFontInconnue(requested, 0);
  }
}

void Facts() {
  CGrafPtr port = CreateNewPort();
  TextFont(vellariPrint);
  TextSize(24);
  printf("TextWidthCaractereMusical(\"12\") at size 24: %d\n", TextWidthCaractereMusical("12"));
  DisposePort(port);
  ExtendedSetFontConversionCallback(RecordMiss);
  ClrListeFontInconnue();
  int16_t n = 0;
  char used[256];
  int16_t r = GetClosestIDFontFromName("Frutiger Roman", &n, used);
  printf("Frutiger Roman (empty table): result %d, number %d, name used '%s'\n", r, n, used);
  Handle h = NewHandleClear(sizeof(FontEquivalent));
  tabFNEq = reinterpret_cast<FontEquivalent**>(h);
  strcpy((*tabFNEq)[0].name, "Frutiger");
  strcpy((*tabFNEq)[0].equivalent, "Optima");
  nbFNEq = 1;
  r = GetClosestIDFontFromName("Frutiger", &n, used);
  printf("Frutiger (table: Frutiger -> Optima, not installed): result %d, number %d, name used '%s'\n", r, n, used);
  r = GetClosestIDFontFromName("Times", &n, used);
  printf("Times: result %d, number %d\n", r, n);
  printf("unknown list: '%s'\nsubstituted list: '%s'\n", strLibFontesInconnues, strLibFontesSubstitues);
  nbFNEq = 0;
  tabFNEq = nullptr;
  DisposeHandle(h);
  ExtendedSetFontConversionCallback(nullptr);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    fprintf(stderr, "usage: textsheet OUT.pdf OUT.png\n");
    return 2;
  }
  SetUnicodeApplication(1);  // as documents are drawn
  if (!ActiveFonteVellari(TAMREL_RESOURCES "/SVELLARI.TTF")) return 1;
  double w = 1250, h = 1000;
  cairo_surface_t* pdf = cairo_pdf_surface_create(argv[1], w, h);
  cairo_t* cr = cairo_create(pdf);
  Sheet(cr);
  cairo_destroy(cr);
  cairo_surface_destroy(pdf);
  cairo_surface_t* png = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, int(w), int(h));
  cr = cairo_create(png);
  Sheet(cr);
  cairo_destroy(cr);
  cairo_surface_write_to_png(png, argv[2]);
  cairo_surface_destroy(png);
  Facts();
  return 0;
}
