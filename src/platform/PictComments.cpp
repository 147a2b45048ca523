#include "platform/PictComments.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <utility>

#include "platform/DecimalText.h"

namespace {

void PutLE16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(static_cast<uint8_t>(v & 0xFF));
  out.push_back(static_cast<uint8_t>(v >> 8));
}

// Numbers of a path comment, read one at a time; the first damaged one
// spoils the comment.
struct Lecteur {
  const char* p;
  const char* end;
  bool ok = true;
  float Next(float limit = kBezierMaxCoord) {
    float v = 0.0f;
    if (ok && (!ReadDecimalFloat(&p, end, &v) || !std::isfinite(v) || std::fabs(v) > limit)) ok = false;
    return ok ? v : 0.0f;
  }
  // A 16-bit attribute: checked before it is narrowed.
  int16_t Attribute() {
    const float v = Next();
    if (ok && !(v >= -32768.0f && v < 32768.0f)) ok = false;
    return ok ? int16_t(v) : int16_t(0);
  }
};

}  // namespace

void FabriqueCommentaireUTF(const char* utf8, int32_t length, int16_t angle, std::vector<uint8_t>& out) {
  out.clear();
  for (char c : {'Q', 'r', 'v', 'l'}) out.push_back(static_cast<uint8_t>(c));
  PutLE16(out, 1);
  PutLE16(out, static_cast<uint16_t>(angle));
  for (int32_t i = 0; utf8 && i < length; i++) out.push_back(static_cast<uint8_t>(utf8[i]));
}

void FabriqueCommentaireUTF16(const UniChar* units, int32_t count, int16_t angle, std::vector<uint8_t>& out) {
  out.clear();
  PutLE16(out, static_cast<uint16_t>(angle));
  for (int32_t i = 0; units && i < count; i++) PutLE16(out, units[i]);
}

bool LitCommentaireUTF(const uint8_t* data, int32_t size, int16_t* angle, const uint8_t** text, int32_t* length) {
  if (!data || size < kCommentUnicodeHeader) return false;
  if (std::memcmp(data, "Qrvl", 4) != 0 || data[4] != 1 || data[5] != 0) return false;
  if (angle) *angle = static_cast<int16_t>(data[6] | (data[7] << 8));
  if (text) *text = data + kCommentUnicodeHeader;
  if (length) *length = size - kCommentUnicodeHeader;
  return true;
}

void BzAppendVal(std::string& s, float value) {
  char buf[64];
  char* end = WriteDecimalFixed(buf, buf + sizeof buf, double(value), 3);
  if (!end) end = buf;  // cannot happen for a float: 39 digits at most
  size_t n = size_t(end - buf);
  if (std::memchr(buf, '.', n)) {
    while (n > 0 && buf[n - 1] == '0') --n;
    if (n > 0 && buf[n - 1] == '.') --n;
  }
  s.append(buf, n);
  s.push_back(' ');
}

void BzFormatDataComment(const BezierPoint* nodes, int32_t n, const BezierAttributs& a, std::string& out) {
  out.clear();
  if (!nodes || n <= 0) return;
  char miter[64];
  char* miterEnd = WriteDecimalFixed(miter, miter + sizeof miter, double(a.miterlimit), 4);
  if (!miterEnd) miterEnd = miter;
  out.reserve(64 + size_t(n) * 48);
  out += "START 256 ";
  for (int v : {int(a.drawtype), int(a.overlaptype), int(a.linecap), int(a.linejoin)}) out += std::to_string(v) + ' ';
  out.append(miter, size_t(miterEnd - miter));
  out += ' ' + std::to_string(n) + ' ';
  for (int32_t i = 0; i < n; ++i) {
    const BezierPoint& p = nodes[i];
    for (float v : {p.xIn, p.yIn, p.x, p.y, p.xOut, p.yOut}) BzAppendVal(out, v);
  }
}

bool BzParseDataComment(const char* text, int32_t length, BezierAttributs* attrs, std::vector<BezierPoint>& nodes) {
  nodes.clear();
  if (!text || length < 7 || std::memcmp(text, "START ", 6) != 0) return false;
  Lecteur rd{text + 6, text + length};
  BezierAttributs a{0, 0, 0, 0, 1.0f};
  const float first = rd.Next();
  if (!rd.ok) return false;
  if (first == 256.0f) {
    a.drawtype = rd.Attribute();
    a.overlaptype = rd.Attribute();
  } else if (first <= 254.0f && first >= -32768.0f) {
    a.drawtype = int16_t(first);
  } else {
    return false;
  }
  a.linecap = rd.Attribute();
  a.linejoin = rd.Attribute();
  a.miterlimit = rd.Next();
  const float count = rd.Next();
  if (!rd.ok || !(count >= 1.0f && count <= float(kBezierMaxNodesComment))) return false;
  const int32_t n = int32_t(count);
  // Each node takes at least twelve characters ("0 " six times, the last
  // space optional).
  if (size_t(n) * 12 > size_t(rd.end - rd.p) + 1) return false;
  nodes.resize(size_t(n));
  for (BezierPoint& p : nodes) {
    p.xIn = rd.Next(), p.yIn = rd.Next(), p.x = rd.Next(), p.y = rd.Next(), p.xOut = rd.Next(), p.yOut = rd.Next();
  }
  if (!rd.ok) {
    nodes.clear();
    return false;
  }
  if (attrs) *attrs = a;
  return true;
}

void BzMapPoint(const Rect& src, const Rect& dst, float* x, float* y) {
  const float sw = float(int32_t(src.right) - src.left), sh = float(int32_t(src.bottom) - src.top);
  if (sw <= 0.0f || sh <= 0.0f) return;
  const float dw = float(int32_t(dst.right) - dst.left), dh = float(int32_t(dst.bottom) - dst.top);
  *x = dw * (*x - src.left) / sw + dst.left;
  *y = dh * (*y - src.top) / sh + dst.top;
}

bool BzReplayComment(BezierReplay& r, const char* text, int32_t length, bool recording, BzMapPtProc map,
                     BzPathProc emit, BzPathProc draw) {
  if (!text || length < 4) return false;
  if (length >= 7 && std::memcmp(text, "START ", 6) == 0) {
    BezierAttributs attrs;
    if (!BzParseDataComment(text, length, &attrs, r.comment)) return false;
    if (map) {
      for (BezierPoint& p : r.comment) {
        map(&p.xIn, &p.yIn);
        map(&p.x, &p.y);
        map(&p.xOut, &p.yOut);
      }
    }
    if (recording) {
      if (emit) emit(r.comment.data(), int32_t(r.comment.size()), attrs);
      return true;
    }
    const size_t room = size_t(kBezierMaxNodesChemin) - std::min(r.path.size(), size_t(kBezierMaxNodesChemin));
    r.path.insert(r.path.end(), r.comment.begin(), r.comment.begin() + ptrdiff_t(std::min(room, r.comment.size())));
    r.attrs = attrs;
    r.engaged = true;
    return true;
  }
  if (recording) return false;
  if (std::memcmp(text, "STOP", 4) == 0) {
    BzReplayFinish(r, draw);
    return true;
  }
  return false;
}

void BzReplayFinish(BezierReplay& r, BzPathProc draw) {
  r.engaged = false;
  if (r.path.empty()) return;
  // Taken out first: drawing may replay pictures of its own.
  std::vector<BezierPoint> path;
  path.swap(r.path);
  if (draw) draw(path.data(), int32_t(path.size()), r.attrs);
  path.clear();
  if (r.path.empty()) r.path.swap(path);  // keeps the room for the next path
}

void QDFillBezierPath(CGrafPtr port, const BezierPoint* n, int32_t count, const BezierAttributs& attrs,
                      const RGBColor& color, bool antialias) {
  if (!port || !n || count < 2) return;
  // Raster ports hand cairo only the path's bounds.
  float l = n[0].x, t = n[0].y, r = l, b = t;
  for (int32_t i = 0; i < count; ++i)
    for (const auto& [x, y] :
         {std::pair{n[i].x, n[i].y}, std::pair{n[i].xIn, n[i].yIn}, std::pair{n[i].xOut, n[i].yOut}}) {
      l = std::min(l, x), t = std::min(t, y), r = std::max(r, x), b = std::max(b, y);
    }
  auto edge = [](float v) { return int16_t(std::clamp(v, -32767.0f, 32767.0f)); };
  const Rect area{edge(std::floor(t) - 1), edge(std::floor(l) - 1), edge(std::ceil(b) + 1), edge(std::ceil(r) + 1)};
  cairo_t* cr = QDBeginCairo(port, &area);
  if (!cr) return;
  cairo_set_source_rgb(cr, color.red / 65535.0, color.green / 65535.0, color.blue / 65535.0);
  cairo_set_antialias(cr, antialias ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
  cairo_new_path(cr);
  cairo_move_to(cr, n[0].x, n[0].y);
  for (int32_t i = 0; i < count; i++) {
    const BezierPoint& a = n[i];
    const BezierPoint& c = n[(i + 1) % count];
    cairo_curve_to(cr, a.xOut, a.yOut, c.xIn, c.yIn, c.x, c.y);
  }
  cairo_close_path(cr);
  cairo_set_fill_rule(cr, attrs.overlaptype == 1 ? CAIRO_FILL_RULE_WINDING : CAIRO_FILL_RULE_EVEN_ODD);
  cairo_fill(cr);
  QDEndCairo(port, cr);
}
