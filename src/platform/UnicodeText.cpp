#include "platform/UnicodeText.h"

#include <cairo-ft.h>
#include <cairo.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <hb.h>

#include <algorithm>
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
  std::vector<uint32_t> cpUnit;  // first UTF-16 unit of each code point
  std::vector<FontFile*> faceOf;
  std::vector<cairo_glyph_t> glyphs;
  std::vector<uint32_t> clusters;  // per glyph: the code point its cluster starts at
  std::vector<float> advances;     // per glyph, pixels before the width scale
  std::vector<Run> runs;
  hb_buffer_t* buffer = nullptr;
  float width = 0;  // including the width scale
  const FontResolved* font = nullptr;
  float size = 12;
  // What the glyphs above were laid out from: measuring a text and then
  // drawing it (or drawing it again) shapes it once.
  std::vector<uint32_t> laidCps;
  int16_t laidFont = 0;
  uint8_t laidFace = 0;
  float laidSize = 0;
  uint32_t laidGeneration = 0;
  bool laid = false;
  // Scratch of UnicodeTextMeasure.
  std::vector<float> clusterAdvance;
  std::vector<float> clusterKern;
  std::vector<uint8_t> clusterStart;
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

void DecodeUtf16(const UniChar* text, size_t count, std::vector<uint32_t>& out, std::vector<uint32_t>& unitOf) {
  out.clear();
  unitOf.clear();
  for (size_t i = 0; i < count; i++) {
    unitOf.push_back(static_cast<uint32_t>(i));
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
  const int16_t fontNumber = style.font == 0 ? int16_t(kFontGeneva) : style.font;
  const float size = style.size > 0 ? style.size : 12.0f;
  if (l.laid && l.laidFont == fontNumber && l.laidFace == style.face && l.laidSize == size &&
      l.laidGeneration == FontCacheGeneration() && l.laidCps == l.cps)
    return;
  l.laid = false;
  l.glyphs.clear();
  l.clusters.clear();
  l.advances.clear();
  l.runs.clear();
  l.width = 0;
  l.size = size;
  l.font = FontResolve(fontNumber, style.face);
  if (!l.font) return;
  FontFile* primary = l.font->file;
  size_t n = l.cps.size();
  l.faceOf.resize(n);
  // Characters the font lacks come in stretches (a word of another script,
  // damaged bytes): the fallback of the previous such character is tried
  // first.
  uint32_t lastMissing = 0;
  FontFile* lastFallback = nullptr;
  for (size_t i = 0; i < n; i++) {
    uint32_t c = l.cps[i];
    FontFile* f = primary;
    if (i > 0 && IsMark(c)) {
      f = l.faceOf[i - 1];
    } else if (c >= 0x20 && !FontGlyphFor(primary, c)) {
      FontFile* alt = nullptr;
      if (lastFallback && c == lastMissing) {
        alt = lastFallback;
      } else {
        alt = FontFallbackFor(c);
        lastMissing = c;
        lastFallback = alt;
      }
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
      const float advance = pos[g].x_advance * k;
      l.clusters.push_back(info[g].cluster);
      l.advances.push_back(advance);
      pen += advance;
    }
    l.runs.push_back(run);
    start = end;
  }
  l.width = pen * l.font->widthScale;
  l.laidCps = l.cps;
  l.laidFont = fontNumber;
  l.laidFace = style.face;
  l.laidSize = size;
  l.laidGeneration = FontCacheGeneration();
  l.laid = true;
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
  DecodeUtf16(text, count, L().cps, L().cpUnit);
  LayOut(style);
  return L().width;
}

float UnicodeTextMeasure(const UniChar* text, size_t count, const UnicodeTextStyle& style, std::vector<double>& pen,
                         std::vector<float>& cut) {
  Layout& l = L();
  DecodeUtf16(text, count, l.cps, l.cpUnit);
  LayOut(style);
  const size_t n = l.cps.size();
  pen.assign(count + 1, std::nan(""));
  cut.assign(count + 1, 0.0f);
  if (!l.font) {
    // Nothing to draw with: every stretch is empty.
    for (size_t i = 0; i < n; i++) pen[l.cpUnit[i]] = 0;
    pen[count] = 0;
    return 1.0f;
  }
  // Each cluster's advance, in the order its glyphs were laid out; only the
  // first code point of a cluster (a ligature, a base and its marks) is a
  // place where a stretch can start or end.
  l.clusterAdvance.assign(n, 0.0f);
  l.clusterKern.assign(n, 0.0f);
  l.clusterStart.assign(n, 0);
  for (size_t g = 0; g < l.clusters.size(); g++) {
    const uint32_t c = l.clusters[g];
    if (c >= n) continue;
    l.clusterAdvance[c] += l.advances[g];
    l.clusterStart[c] = 1;
  }
  // What kerning added to each cluster: the face runs laid out again
  // without it. A stretch that ends before a cluster loses what the pair
  // across its end gave its last cluster, as it does when measured alone.
  static const hb_feature_t kNoKerning = {HB_TAG('k', 'e', 'r', 'n'), 0, HB_FEATURE_GLOBAL_START,
                                          HB_FEATURE_GLOBAL_END};
  size_t runIndex = 0;
  for (size_t start = 0; start < n && runIndex < l.runs.size(); runIndex++) {
    FontFile* f = l.faceOf[start];
    size_t end = start + 1;
    while (end < n && l.faceOf[end] == f) end++;
    const Run& run = l.runs[runIndex];
    if (run.count < 2) {
      // One glyph kerns with nothing.
      start = end;
      continue;
    }
    hb_buffer_t* b = l.buffer;
    hb_buffer_clear_contents(b);
    hb_buffer_add_utf32(b, l.cps.data(), static_cast<int>(n), static_cast<unsigned>(start),
                        static_cast<int>(end - start));
    hb_buffer_guess_segment_properties(b);
    const bool forward = HB_DIRECTION_IS_FORWARD(hb_buffer_get_direction(b));
    hb_shape(f->hb, b, &kNoKerning, 1);
    unsigned glyphs = 0;
    hb_glyph_info_t* info = hb_buffer_get_glyph_infos(b, &glyphs);
    hb_glyph_position_t* pos = hb_buffer_get_glyph_positions(b, &glyphs);
    bool same = forward && glyphs == run.count;
    for (unsigned g = 0; same && g < glyphs; g++) same = info[g].codepoint == l.glyphs[run.first + g].index;
    if (same) {
      float k = l.size / static_cast<float>(f->upem);
      for (unsigned g = 0; g < glyphs; g++) {
        const uint32_t c = l.clusters[run.first + g];
        if (c < n) l.clusterKern[c] += l.advances[run.first + g] - pos[g].x_advance * k;
      }
      size_t previous = n;
      for (size_t i = start; i < end; i++) {
        if (!l.clusterStart[i]) continue;
        if (previous < n) cut[l.cpUnit[i]] = l.clusterKern[previous];
        previous = i;
      }
    }
    start = end;
  }
  // In double: far into a long paragraph a float pen would round its
  // stretches' widths.
  double x = 0;
  for (size_t i = 0; i < n; i++) {
    if (!l.clusterStart[i]) continue;
    pen[l.cpUnit[i]] = x;
    x += l.clusterAdvance[i];
  }
  pen[count] = x;
  return l.font->widthScale;
}

float UnicodeTextWidth32(const uint32_t* text, size_t count, const UnicodeTextStyle& style) {
  L().cps.assign(text, text + count);
  LayOut(style);
  return L().width;
}

float UnicodeTextDraw(cairo_t* cr, double x, double y, const UniChar* text, size_t count, const UnicodeTextStyle& style,
                      double angleDegrees) {
  DecodeUtf16(text, count, L().cps, L().cpUnit);
  return Draw(cr, x, y, style, angleDegrees);
}

float UnicodeTextDraw32(cairo_t* cr, double x, double y, const uint32_t* text, size_t count,
                        const UnicodeTextStyle& style, double angleDegrees) {
  L().cps.assign(text, text + count);
  return Draw(cr, x, y, style, angleDegrees);
}

UnicodeTextBox UnicodeTextInk(const UniChar* text, size_t count, const UnicodeTextStyle& style, double angleDegrees) {
  Layout& l = L();
  DecodeUtf16(text, count, l.cps, l.cpUnit);
  LayOut(style);
  UnicodeTextBox box;
  if (!l.font) return box;
  // Font-wide extents of every face drawn with, y upwards: no glyph of a face
  // goes beyond its font box (nor, for fonts whose box is not filled in, its
  // ascent, descent and widest advance).
  double xMin = 0, xMax = 0, yMin = 0, yMax = 0;
  auto extend = [&](const FontFile* f) {
    const double k = l.size / f->upem;
    xMin = std::min(xMin, f->ft->bbox.xMin * k);
    xMax = std::max(xMax, std::max<double>(f->ft->bbox.xMax, f->maxAdvance) * k);
    yMin = std::min(yMin, std::min<double>(f->ft->bbox.yMin, f->descender) * k);
    yMax = std::max(yMax, std::max<double>(f->ft->bbox.yMax, f->ascender) * k);
  };
  extend(l.font->file);
  for (const Run& run : l.runs) extend(run.file);
  // Glyph origins, marks moved off the baseline included (y downwards).
  double first = 0, last = 0, up = 0, down = 0;
  for (const cairo_glyph_t& g : l.glyphs) {
    first = std::min(first, g.x);
    last = std::max(last, g.x);
    up = std::max(up, -g.y);
    down = std::max(down, g.y);
  }
  const double sx = l.font->widthScale / (style.ratio > 0 ? style.ratio : 1.0f);
  double left = (first + xMin) * sx, right = (last + xMax) * sx;
  double top = -(yMax + up), bottom = -yMin + down;
  if (l.font->synthItalic) {
    // The shear leans what is above the baseline right, what is below left.
    left -= kItalicShear * bottom;
    right += kItalicShear * -top;
  }
  if (l.font->synthBold) right += static_cast<int>(l.size * 0.06f);
  if (style.face & kFaceUnderline) {
    FontFile* f = l.font->file;
    const double k = l.size / f->upem;
    bottom = std::max(bottom, -f->ft->underline_position * k + std::max(1.0, f->ft->underline_thickness * k));
    right = std::max(right, static_cast<double>(l.width / (style.ratio > 0 ? style.ratio : 1.0f)));
  }
  if (style.face & kFaceShadow) {
    const double d = std::trunc(style.size > 0 ? style.size * 0.1 : 1.2);
    right += d;
    top -= d;
  }
  if (angleDegrees == 0) {
    box.left = left;
    box.top = top;
    box.right = right;
    box.bottom = bottom;
    return box;
  }
  // Turned as the drawing turns it: counter-clockwise on the screen.
  const double a = -angleDegrees * M_PI / 180.0, c = std::cos(a), s = std::sin(a);
  const double xs[2] = {left, right}, ys[2] = {top, bottom};
  box.left = box.top = 1e300;
  box.right = box.bottom = -1e300;
  for (double x : xs) {
    for (double y : ys) {
      const double tx = x * c - y * s, ty = x * s + y * c;
      box.left = std::min(box.left, tx);
      box.right = std::max(box.right, tx);
      box.top = std::min(box.top, ty);
      box.bottom = std::max(box.bottom, ty);
    }
  }
  return box;
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
