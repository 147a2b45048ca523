#include "platform/TextDraw.h"

#include <cairo-ft.h>
#include <cairo.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/EncodingTables.h"
#include "platform/Fonts.h"

namespace {

bool gTranscode = true;
bool gJapanese = false;

// Half away from zero, as every integer width here.
int32_t RoundWidth(double v) { return static_cast<int32_t>(v < 0 ? std::ceil(v - 0.5) : std::floor(v + 0.5)); }

int16_t Clamp16(int32_t v) { return static_cast<int16_t>(std::clamp<int32_t>(v, -32767, 32767)); }

uint32_t JisToUnicode(uint16_t code) {
  const JisUnicodePair* end = Jis2UnicodeTab + kJis2UnicodeCount - 1;
  const JisUnicodePair* p =
      std::lower_bound(Jis2UnicodeTab, end, code, [](const JisUnicodePair& e, uint16_t c) { return e.code < c; });
  return (p != end && p->code == code) ? p->unicode : 0xFFFD;
}

struct Glyph {
  FontFile* file;
  uint32_t index;
  int32_t width;  // whole pixels
};

// Per-call scratch, reused: no allocation per glyph.
std::vector<uint32_t>& Cps() {
  static std::vector<uint32_t> v;
  return v;
}
std::vector<Glyph>& Glyphs() {
  static std::vector<Glyph> v;
  return v;
}

float SizeOf(const Text8Style& s) { return s.size > 0 ? s.size : 12.0f; }

const FontResolved* Resolve(const Text8Style& s) { return FontResolve(s.font, s.face); }

// Glyph and width of one decoded character, from the family or a fallback.
Glyph GlyphOf(const FontResolved* font, uint32_t c, float size) {
  Glyph g{font->file, FontGlyphFor(font->file, c), 0};
  if (g.index == 0 && c >= 0x20) {
    if (FontFile* alt = FontFallbackFor(c)) g = Glyph{alt, FontGlyphFor(alt, c), 0};
  }
  double adv = FontGlyphAdvance(g.file, g.index) * static_cast<double>(size) / g.file->upem;
  g.width = RoundWidth(adv * font->widthScale);
  return g;
}

std::vector<size_t>& FirstBytes() {
  static std::vector<size_t> v;
  return v;
}

void Shape8(const Text8Style& style, const FontResolved* font, const uint8_t* text, size_t count) {
  auto& cps = Cps();
  cps.resize(count);
  FirstBytes().resize(count);
  size_t n = DecodeText8(text, count, cps.data(), FirstBytes().data());
  auto& glyphs = Glyphs();
  glyphs.clear();
  float size = SizeOf(style);
  for (size_t i = 0; i < n; i++) {
    uint32_t c = cps[i];
    if (!gTranscode && c >= 0xF000 && c <= 0xF0FF && FontGlyphFor(font->file, c) == 0) c -= 0xF000;
    glyphs.push_back(GlyphOf(font, c, size));
  }
}

}  // namespace

void SetTextTranscoding(bool on) { gTranscode = on; }
bool GetTextTranscoding() { return gTranscode; }
void SetTextTranscodeJapanese(bool on) { gJapanese = on; }
bool GetTextTranscodeJapanese() { return gJapanese; }

size_t DecodeText8(const uint8_t* text, size_t count, uint32_t* out, size_t* firstByte) {
  size_t n = 0;
  for (size_t i = 0; i < count; i++) {
    uint8_t b = text[i];
    if (firstByte) firstByte[n] = i;
    if (!gTranscode) {
      out[n++] = 0xF000 | b;
    } else if (!gJapanese) {
      out[n++] = b < 0x80 ? b : MacRoman2UnicodeTable[b - 0x80];
    } else if (b < 0x20) {
      out[n++] = b;
    } else if (((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC)) && i + 1 < count) {
      out[n++] = JisToUnicode(static_cast<uint16_t>(b << 8 | text[i + 1]));
      i++;
    } else {
      out[n++] = JisToUnicode(b);
    }
  }
  return n;
}

int16_t Text8Width(const Text8Style& style, const uint8_t* text, size_t count) {
  const FontResolved* font = Resolve(style);
  if (!font || !text) return 0;
  Shape8(style, font, text, count);
  int32_t w = 0;
  for (const Glyph& g : Glyphs()) w += g.width;
  return Clamp16(w);
}

void Text8Widths(const Text8Style& style, const uint8_t* text, size_t count, int32_t* widths) {
  for (size_t i = 0; i < count; i++) widths[i] = 0;
  const FontResolved* font = Resolve(style);
  if (!font || !text) return;
  Shape8(style, font, text, count);
  const auto& glyphs = Glyphs();
  for (size_t i = 0; i < glyphs.size(); i++) widths[FirstBytes()[i]] = glyphs[i].width;
}

int16_t Text8CharWidth(const Text8Style& style, int16_t ch) {
  uint8_t b = static_cast<uint8_t>(ch);
  return Text8Width(style, &b, 1);
}

void Text8FontInfo(const Text8Style& style, FontInfo* info) {
  if (!info) return;
  *info = FontInfo{0, 0, 0, 0};
  const FontResolved* font = Resolve(style);
  if (!font) return;
  double k = SizeOf(style) / static_cast<double>(font->file->upem);
  info->ascent = Clamp16(static_cast<int32_t>(std::ceil(font->file->ascender * k)));
  info->descent = Clamp16(static_cast<int32_t>(std::ceil(-font->file->descender * k)));
  info->widMax = Clamp16(static_cast<int32_t>(std::ceil(font->file->maxAdvance * k * font->widthScale)));
  info->leading = Clamp16(RoundWidth(font->file->lineGap * k));
}

int16_t Text8Draw(cairo_t* cr, double x, double y, const Text8Style& style, const uint8_t* text, size_t count) {
  const FontResolved* font = Resolve(style);
  if (!font || !text || !cr) return 0;
  Shape8(style, font, text, count);
  const auto& glyphs = Glyphs();
  float size = SizeOf(style);
  static std::vector<cairo_glyph_t> run;
  int copies = font->synthBold ? static_cast<int>(size * 0.06f) + 1 : 1;
  cairo_save(cr);
  static cairo_font_options_t* opts = [] {
    cairo_font_options_t* o = cairo_font_options_create();
    cairo_font_options_set_hint_style(o, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(o, CAIRO_HINT_METRICS_OFF);
    return o;
  }();
  cairo_set_font_options(cr, opts);
  int32_t total = 0;
  for (const Glyph& g : glyphs) total += g.width;
  for (int copy = 0; copy < copies; copy++) {
    int32_t pen = 0;
    size_t i = 0;
    while (i < glyphs.size()) {
      FontFile* f = glyphs[i].file;
      run.clear();
      while (i < glyphs.size() && glyphs[i].file == f) {
        run.push_back(cairo_glyph_t{glyphs[i].index, x + pen + copy, y});
        pen += glyphs[i].width;
        i++;
      }
      cairo_matrix_t m;
      cairo_matrix_init(&m, size * font->widthScale, 0, font->synthItalic ? -0.17632697 * size : 0, size, 0, 0);
      cairo_set_font_face(cr, f->cairo);
      cairo_set_font_matrix(cr, &m);
      cairo_show_glyphs(cr, run.data(), static_cast<int>(run.size()));
    }
  }
  if (style.face & kFaceUnderline) {
    double k = size / static_cast<double>(font->file->upem);
    double thick = std::max(1.0, font->file->ft->underline_thickness * k);
    cairo_rectangle(cr, x, y - font->file->ft->underline_position * k - thick / 2, total, thick);
    cairo_fill(cr);
  }
  cairo_restore(cr);
  return Clamp16(total);
}
