#include "platform/UnicodeText.h"

#include <cairo-ft.h>
#include <cairo.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <hb.h>

#include <cmath>
#include <vector>

#include "platform/Fonts.h"

namespace {

constexpr double kItalicShear = 0.17632697;

struct Run {
  FontFile* file;
  size_t first;  // into Layout::glyphs
  size_t count;
};

// One laid-out line. Glyph positions are in pixels from the origin, before the
// horizontal width scale; reused from call to call so that no glyph costs an
// allocation.
struct Layout {
  std::vector<uint32_t> cps;
  std::vector<FontFile*> faceOf;
  std::vector<cairo_glyph_t> glyphs;
  std::vector<Run> runs;
  hb_buffer_t* buffer = nullptr;
  float width = 0;  // including the width scale
  const FontResolved* font = nullptr;
  float size = 12;
};

Layout& L() {
  static Layout* l = [] {
    auto* x = new Layout;
    x->buffer = hb_buffer_create();
    return x;
  }();
  return *l;
}

bool IsMark(uint32_t c) {
  hb_unicode_general_category_t gc = hb_unicode_general_category(hb_unicode_funcs_get_default(), c);
  return gc == HB_UNICODE_GENERAL_CATEGORY_NON_SPACING_MARK || gc == HB_UNICODE_GENERAL_CATEGORY_SPACING_MARK ||
         gc == HB_UNICODE_GENERAL_CATEGORY_ENCLOSING_MARK || c == 0x200D || (c >= 0xFE00 && c <= 0xFE0F);
}

void DecodeUtf16(const UniChar* text, size_t count, std::vector<uint32_t>& out) {
  out.clear();
  for (size_t i = 0; i < count; i++) {
    uint32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < count && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      i++;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    out.push_back(c);
  }
}

// Shapes the code points in L().cps with the style's font, taking each
// character the font lacks from a fallback family.
void LayOut(const UnicodeTextStyle& style) {
  Layout& l = L();
  l.glyphs.clear();
  l.runs.clear();
  l.width = 0;
  l.size = style.size > 0 ? style.size : 12.0f;
  l.font = FontResolve(style.font == 0 ? int16_t(kFontGeneva) : style.font, style.face);
  if (!l.font) return;
  FontFile* primary = l.font->file;
  size_t n = l.cps.size();
  l.faceOf.resize(n);
  for (size_t i = 0; i < n; i++) {
    uint32_t c = l.cps[i];
    FontFile* f = primary;
    if (i > 0 && IsMark(c)) {
      f = l.faceOf[i - 1];
    } else if (!FontGlyphFor(primary, c) && c >= 0x20) {
      FontFile* alt = FontFallbackFor(c);
      if (alt) f = alt;
    }
    l.faceOf[i] = f;
  }
  float pen = 0;
  size_t start = 0;
  while (start < n) {
    FontFile* f = l.faceOf[start];
    size_t end = start + 1;
    while (end < n && l.faceOf[end] == f) end++;
    hb_buffer_t* b = l.buffer;
    hb_buffer_clear_contents(b);
    hb_buffer_add_utf32(b, l.cps.data(), static_cast<int>(n), static_cast<unsigned>(start),
                        static_cast<int>(end - start));
    hb_buffer_guess_segment_properties(b);
    hb_shape(f->hb, b, nullptr, 0);
    unsigned count = 0;
    hb_glyph_info_t* info = hb_buffer_get_glyph_infos(b, &count);
    hb_glyph_position_t* pos = hb_buffer_get_glyph_positions(b, &count);
    float k = l.size / static_cast<float>(f->upem);
    Run run{f, l.glyphs.size(), count};
    for (unsigned g = 0; g < count; g++) {
      cairo_glyph_t cg;
      cg.index = info[g].codepoint;
      cg.x = pen + pos[g].x_offset * k;
      cg.y = -pos[g].y_offset * k;
      l.glyphs.push_back(cg);
      pen += pos[g].x_advance * k;
    }
    l.runs.push_back(run);
    start = end;
  }
  l.width = pen * l.font->widthScale;
}

cairo_font_options_t* Options() {
  static cairo_font_options_t* o = [] {
    cairo_font_options_t* x = cairo_font_options_create();
    cairo_font_options_set_hint_style(x, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(x, CAIRO_HINT_METRICS_OFF);
    return x;
  }();
  return o;
}

void DrawLine(cairo_t* cr, const UnicodeTextStyle& style, double dx, double dy) {
  Layout& l = L();
  float sx = l.font->widthScale / (style.ratio > 0 ? style.ratio : 1.0f);
  for (const Run& run : l.runs) {
    if (run.count == 0) continue;
    cairo_set_font_face(cr, run.file->cairo);
    cairo_matrix_t m;
    // Font space has y downwards: a shear that leans the glyph's top to the
    // right takes -y.
    cairo_matrix_init(&m, l.size * sx, 0, l.font->synthItalic ? -kItalicShear * l.size : 0, l.size, 0, 0);
    cairo_set_font_matrix(cr, &m);
    // Positions scale with the width scale; the font matrix does the shapes.
    static std::vector<cairo_glyph_t> scaled;
    scaled.assign(l.glyphs.begin() + static_cast<long>(run.first),
                  l.glyphs.begin() + static_cast<long>(run.first + run.count));
    for (auto& g : scaled) {
      g.x = g.x * sx + dx;
      g.y += dy;
    }
    cairo_show_glyphs(cr, scaled.data(), static_cast<int>(scaled.size()));
  }
  if (style.face & kFaceUnderline) {
    FontFile* f = l.font->file;
    double k = l.size / f->upem;
    double pos = -f->ft->underline_position * k;
    double thick = f->ft->underline_thickness * k;
    if (thick < 1) thick = 1;
    cairo_rectangle(cr, dx, dy + pos - thick / 2, l.width / (style.ratio > 0 ? style.ratio : 1.0f), thick);
    cairo_fill(cr);
  }
}

float Draw(cairo_t* cr, double x, double y, const UnicodeTextStyle& style, double angle) {
  LayOut(style);
  Layout& l = L();
  if (!l.font || !cr) return l.width;
  cairo_save(cr);
  cairo_set_font_options(cr, Options());
  double alpha = style.alpha;
  double r = 0, g = 0, b = 0;
  bool own = style.color != nullptr;
  if (own) {
    r = style.color->red / 65535.0;
    g = style.color->green / 65535.0;
    b = style.color->blue / 65535.0;
  }
  cairo_translate(cr, x, y);
  if (angle != 0) cairo_rotate(cr, -angle * M_PI / 180.0);
  int copies = l.font->synthBold ? static_cast<int>(l.size * 0.06f) + 1 : 1;
  auto line = [&](double ox, double oy, double a) {
    if (own) cairo_set_source_rgba(cr, r, g, b, a);
    for (int i = 0; i < copies; i++) DrawLine(cr, style, ox + i, oy);
  };
  if (style.face & kFaceShadow) {
    double d = std::trunc(style.size > 0 ? style.size * 0.1 : 1.2);
    line(d, -d, 0.5 * alpha);
  }
  line(0, 0, alpha);
  cairo_restore(cr);
  return l.width;
}

}  // namespace

float UnicodeTextWidth(const UniChar* text, size_t count, const UnicodeTextStyle& style) {
  DecodeUtf16(text, count, L().cps);
  LayOut(style);
  return L().width;
}

float UnicodeTextWidth32(const uint32_t* text, size_t count, const UnicodeTextStyle& style) {
  L().cps.assign(text, text + count);
  LayOut(style);
  return L().width;
}

float UnicodeTextDraw(cairo_t* cr, double x, double y, const UniChar* text, size_t count, const UnicodeTextStyle& style,
                      double angleDegrees) {
  DecodeUtf16(text, count, L().cps);
  return Draw(cr, x, y, style, angleDegrees);
}

float UnicodeTextDraw32(cairo_t* cr, double x, double y, const uint32_t* text, size_t count,
                        const UnicodeTextStyle& style, double angleDegrees) {
  L().cps.assign(text, text + count);
  return Draw(cr, x, y, style, angleDegrees);
}

UnicodeFontMetrics UnicodeTextFontMetrics(int16_t font, uint8_t face, float size) {
  UnicodeFontMetrics m;
  const FontResolved* r = FontResolve(font == 0 ? int16_t(kFontGeneva) : font, face);
  if (!r) return m;
  if (size <= 0) size = 12;
  float k = size / static_cast<float>(r->file->upem);
  m.ascent = r->file->ascender * k;
  m.descent = -r->file->descender * k;
  m.leading = r->file->lineGap * k;
  m.widMax = r->file->maxAdvance * k * r->widthScale;
  return m;
}
