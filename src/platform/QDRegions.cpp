// Regions and the pixel geometry of shapes: rectangles, ovals, round
// rectangles, arcs, pen lines and even-odd polygons, all as band lists.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/Memory.h"
#include "platform/QDInternal.h"

namespace qd {

namespace {

constexpr int32_t kMinCoord = -32767;
constexpr int32_t kMaxCoord = 32767;
constexpr int64_t kMaxCrossings = 8 * 1024 * 1024;

int64_t CeilDiv(int64_t n, int64_t d) {  // d > 0
  return n >= 0 ? (n + d - 1) / d : -((-n) / d);
}

// num / n rounded half away from zero, n > 0.
int32_t RoundDiv(int64_t num, int64_t n) {
  return num >= 0 ? int32_t((2 * num + n) / (2 * n)) : -int32_t((-2 * num + n) / (2 * n));
}

}  // namespace

void RgnData::AddBand(int32_t top, int32_t bottom, const int32_t* xs, int32_t n) {
  if (n <= 0 || top >= bottom) return;
  if (bands > 0) {
    size_t pos = lastPos;
    if (d[pos + 1] == top && d[pos + 2] == n && std::equal(xs, xs + n, d.begin() + long(pos) + 3)) {
      d[pos + 1] = bottom;
      return;
    }
  }
  lastPos = d.size();
  d.push_back(top);
  d.push_back(bottom);
  d.push_back(n);
  d.insert(d.end(), xs, xs + n);
  ++bands;
}

void RgnData::Bounds(int32_t* l, int32_t* t, int32_t* r, int32_t* b) const {
  if (bands == 0) {
    *l = *t = *r = *b = 0;
    return;
  }
  int32_t minX = INT32_MAX, maxX = INT32_MIN;
  size_t pos = 0;
  for (int32_t i = 0; i < bands; ++i) {
    int32_t n = d[pos + 2];
    minX = std::min(minX, d[pos + 3]);
    maxX = std::max(maxX, d[pos + 2 + size_t(n)]);
    pos += 3 + size_t(n);
  }
  *l = minX;
  *r = maxX;
  *t = d[0];
  *b = d[lastPos + 1];
}

RgnData RectData(int32_t l, int32_t t, int32_t r, int32_t b) {
  RgnData out;
  if (l < r && t < b) {
    int32_t xs[2] = {l, r};
    out.AddBand(t, b, xs, 2);
  }
  return out;
}

RgnData Combine(const RgnData& a, const RgnData& b, RgnOp op) {
  // Quick answers that keep the common cases cheap.
  if (op == RgnOp::Sect && (a.Empty() || b.Empty())) return RgnData();
  if ((op == RgnOp::Diff) && (a.Empty() || b.Empty())) return a;
  if ((op == RgnOp::Union || op == RgnOp::Xor) && a.Empty()) return b;
  if ((op == RgnOp::Union || op == RgnOp::Xor) && b.Empty()) return a;

  std::vector<int32_t> ys;
  ys.reserve(size_t(a.bands + b.bands) * 2);
  for (const RgnData* r : {&a, &b}) {
    size_t pos = 0;
    for (int32_t i = 0; i < r->bands; ++i) {
      ys.push_back(r->d[pos]);
      ys.push_back(r->d[pos + 1]);
      pos += 3 + size_t(r->d[pos + 2]);
    }
  }
  std::sort(ys.begin(), ys.end());
  ys.erase(std::unique(ys.begin(), ys.end()), ys.end());

  RgnData out;
  std::vector<int32_t> xs;
  size_t pa = 0, pb = 0;
  int32_t ia = 0, ib = 0;
  for (size_t k = 0; k + 1 < ys.size(); ++k) {
    int32_t y0 = ys[k], y1 = ys[k + 1];
    while (ia < a.bands && a.d[pa + 1] <= y0) {
      pa += 3 + size_t(a.d[pa + 2]);
      ++ia;
    }
    while (ib < b.bands && b.d[pb + 1] <= y0) {
      pb += 3 + size_t(b.d[pb + 2]);
      ++ib;
    }
    const int32_t* xa = nullptr;
    const int32_t* xb = nullptr;
    int32_t na = 0, nb = 0;
    if (ia < a.bands && a.d[pa] <= y0) {
      na = a.d[pa + 2];
      xa = &a.d[pa + 3];
    }
    if (ib < b.bands && b.d[pb] <= y0) {
      nb = b.d[pb + 2];
      xb = &b.d[pb + 3];
    }
    xs.clear();
    int32_t i = 0, j = 0;
    bool inA = false, inB = false, was = false;
    while (i < na || j < nb) {
      int32_t x = INT32_MAX;
      if (i < na) x = xa[i];
      if (j < nb) x = std::min(x, xb[j]);
      if (i < na && xa[i] == x) {
        inA = !inA;
        ++i;
      }
      if (j < nb && xb[j] == x) {
        inB = !inB;
        ++j;
      }
      bool in = false;
      switch (op) {
        case RgnOp::Sect: in = inA && inB; break;
        case RgnOp::Union: in = inA || inB; break;
        case RgnOp::Diff: in = inA && !inB; break;
        case RgnOp::Xor: in = inA != inB; break;
      }
      if (in != was) {
        xs.push_back(x);
        was = in;
      }
    }
    out.AddBand(y0, y1, xs.data(), int32_t(xs.size()));
  }
  return out;
}

void ClampToPlane(RgnData& r) {
  if (r.Empty()) return;
  int32_t l, t, rr, b;
  r.Bounds(&l, &t, &rr, &b);
  if (l < kMinCoord || t < kMinCoord || rr > kMaxCoord || b > kMaxCoord)
    r = Combine(r, RectData(kMinCoord, kMinCoord, kMaxCoord, kMaxCoord), RgnOp::Sect);
}

void Offset(RgnData& r, int32_t dh, int32_t dv) {
  if (r.Empty() || (dh == 0 && dv == 0)) return;
  bool outside = false;
  size_t pos = 0;
  for (int32_t i = 0; i < r.bands; ++i) {
    int32_t n = r.d[pos + 2];
    r.d[pos] += dv;
    r.d[pos + 1] += dv;
    outside |= r.d[pos] < kMinCoord || r.d[pos + 1] > kMaxCoord;
    for (int32_t k = 0; k < n; ++k) {
      int32_t& x = r.d[pos + 3 + size_t(k)];
      x += dh;
      outside |= x < kMinCoord || x > kMaxCoord;
    }
    pos += 3 + size_t(n);
  }
  // Coordinates stay within the 16-bit plane: whatever left it is cut off.
  if (outside) r = Combine(r, RectData(kMinCoord, kMinCoord, kMaxCoord, kMaxCoord), RgnOp::Sect);
}

RgnData Load(RgnHandle rgn) {
  RgnData out;
  if (!rgn || !*rgn) return out;
  Size size = GetHandleSize(reinterpret_cast<Handle>(rgn));
  if (size < Size(sizeof(MacRegion))) return out;
  const MacRegion* hdr = *rgn;
  int32_t count = hdr->dataCount;
  if (count < 0 || size_t(count) > (size_t(size) - sizeof(MacRegion)) / sizeof(int32_t)) return out;
  const int32_t* p = reinterpret_cast<const int32_t*>(reinterpret_cast<const char*>(hdr) + sizeof(MacRegion));
  out.d.assign(p, p + count);
  out.bands = hdr->bandCount;
  size_t pos = 0;
  for (int32_t i = 0; i < out.bands; ++i) {
    if (pos + 3 > out.d.size() || out.d[pos + 2] < 0 || size_t(out.d[pos + 2]) > out.d.size() - pos - 3) {
      out.Clear();
      return out;
    }
    out.lastPos = pos;
    pos += 3 + size_t(out.d[pos + 2]);
  }
  if (pos != out.d.size()) out.Clear();
  return out;
}

void Store(const RgnData& data, RgnHandle rgn) {
  if (!rgn) return;
  Handle h = reinterpret_cast<Handle>(rgn);
  SetHandleSize(h, Size(sizeof(MacRegion) + data.d.size() * sizeof(int32_t)));
  if (MemError() != noErr) {
    SetHandleSize(h, Size(sizeof(MacRegion)));
    MacRegion* hdr = *rgn;
    hdr->rgnBBox = Rect{0, 0, 0, 0};
    hdr->bandCount = 0;
    hdr->dataCount = 0;
    return;
  }
  MacRegion* hdr = *rgn;
  int32_t l, t, r, b;
  data.Bounds(&l, &t, &r, &b);
  hdr->rgnBBox = Rect{int16_t(t), int16_t(l), int16_t(b), int16_t(r)};
  hdr->bandCount = data.bands;
  hdr->dataCount = int32_t(data.d.size());
  if (!data.d.empty())
    std::memcpy(reinterpret_cast<char*>(hdr) + sizeof(MacRegion), data.d.data(), data.d.size() * sizeof(int32_t));
}

void SpanBuilder::Add(int32_t y, int32_t x0, int32_t x1) {
  if (y < yMin || y >= yMax) return;
  if (spans.size() >= size_t(kMaxCrossings)) {
    overflow = true;
    return;
  }
  x0 = std::max(x0, xMin);
  x1 = std::min(x1, xMax);
  if (x0 < x1) spans.push_back({y, x0, x1});
}

RgnData SpanBuilder::Build() {
  if (overflow) return RgnData();
  std::sort(spans.begin(), spans.end(),
            [](const Span& a, const Span& b) { return a.y != b.y ? a.y < b.y : a.x0 < b.x0; });
  RgnData out;
  std::vector<int32_t> xs;
  size_t i = 0;
  while (i < spans.size()) {
    int32_t y = spans[i].y;
    xs.clear();
    int32_t s = spans[i].x0, e = spans[i].x1;
    for (++i; i < spans.size() && spans[i].y == y; ++i) {
      if (spans[i].x0 <= e) {
        e = std::max(e, spans[i].x1);
      } else {
        xs.push_back(s);
        xs.push_back(e);
        s = spans[i].x0;
        e = spans[i].x1;
      }
    }
    xs.push_back(s);
    xs.push_back(e);
    out.AddBand(y, y + 1, xs.data(), int32_t(xs.size()));
  }
  return out;
}

void EdgeList::AddRgnOutline(const RgnData& r) {
  size_t pos = 0;
  for (int32_t i = 0; i < r.bands; ++i) {
    int32_t n = r.d[pos + 2];
    for (int32_t k = 0; k < n; ++k) {
      int32_t x = r.d[pos + 3 + size_t(k)];
      edges.push_back({x, r.d[pos], x, r.d[pos + 1]});
    }
    pos += 3 + size_t(n);
  }
}

RgnData EdgeList::Fill(int32_t yMin, int32_t yMax) const {
  // Crossings at pixel centres: row v is sampled at v + 0.5, and a crossing at
  // xf starts the pixels whose centre lies at or right of it.
  struct Cross {
    int32_t v, x;
  };
  std::vector<Cross> cross;
  // A hostile outline (thousands of edges across the whole plane) would need
  // gigabytes: past a ceiling it gives an empty region instead.
  int64_t total = 0;
  for (const Edge& e : edges) {
    int32_t v0 = std::max(std::min(e.y0, e.y1), yMin);
    int32_t v1 = std::min(std::max(e.y0, e.y1), yMax);
    total += std::max(0, v1 - v0);
  }
  if (total > kMaxCrossings) return RgnData();
  cross.reserve(size_t(total));
  for (const Edge& e : edges) {
    int32_t v0 = std::max(std::min(e.y0, e.y1), yMin);
    int32_t v1 = std::min(std::max(e.y0, e.y1), yMax);
    int64_t dy = int64_t(e.y1) - e.y0;
    int64_t dx = int64_t(e.x1) - e.x0;
    for (int32_t v = v0; v < v1; ++v) {
      // ceil(x0 - 0.5 + dx * (v + 0.5 - y0) / dy), exactly.
      int64_t num = (2 * int64_t(e.x0) - 1) * dy + dx * (2 * int64_t(v) + 1 - 2 * int64_t(e.y0));
      int64_t den = 2 * dy;
      if (den < 0) {
        num = -num;
        den = -den;
      }
      cross.push_back({v, int32_t(CeilDiv(num, den))});
    }
  }
  std::sort(cross.begin(), cross.end(),
            [](const Cross& a, const Cross& b) { return a.v != b.v ? a.v < b.v : a.x < b.x; });
  RgnData out;
  std::vector<int32_t> xs;
  size_t i = 0;
  while (i < cross.size()) {
    int32_t v = cross[i].v;
    size_t j = i;
    while (j < cross.size() && cross[j].v == v) ++j;
    xs.clear();
    for (size_t k = i; k + 1 < j; k += 2) {
      int32_t a = cross[k].x, b = cross[k + 1].x;
      if (a >= b) continue;
      if (!xs.empty() && xs.back() >= a) {
        xs.back() = std::max(xs.back(), b);
      } else {
        xs.push_back(a);
        xs.push_back(b);
      }
    }
    out.AddBand(v, v + 1, xs.data(), int32_t(xs.size()));
    i = j;
  }
  return out;
}

namespace {

// Pixels of row j (0..h-1) of the oval inscribed in a w x h box, as [a, b)
// relative to the box: the pixels whose centres lie inside the ellipse.
bool OvalRow(int32_t w, int32_t h, int32_t j, int32_t* a, int32_t* b) {
  // Doubled offsets from the centre: dx = 2i + 1 - w, dy = 2j + 1 - h; inside
  // when dx^2 h^2 + dy^2 w^2 <= w^2 h^2.
  __int128 W2 = __int128(w) * w, H2 = __int128(h) * h;
  int64_t dy = 2 * int64_t(j) + 1 - h;
  __int128 lim = W2 * H2 - __int128(dy) * dy * W2;
  if (lim < 0) return false;
  int64_t k = int64_t(std::sqrt(double(lim) / double(H2)));
  while (k > 0 && __int128(k) * k * H2 > lim) --k;
  while (__int128(k + 1) * (k + 1) * H2 <= lim) ++k;
  if (((k - (w + 1)) & 1) != 0) --k;  // dx has the parity of w + 1
  if (k < 0) return false;
  *a = int32_t((w - 1 - k) / 2);
  *b = int32_t((w - 1 + k) / 2) + 1;
  return *a < *b;
}

}  // namespace

RgnData RRectData(const Rect& r, int32_t ovalW, int32_t ovalH, int32_t yMin, int32_t yMax) {
  int32_t w = int32_t(r.right) - r.left, h = int32_t(r.bottom) - r.top;
  if (w <= 0 || h <= 0) return RgnData();
  int32_t ow = std::min(ovalW, w), oh = std::min(ovalH, h);
  if (ow <= 0 || oh <= 0) return RectData(r.left, r.top, r.right, r.bottom);
  RgnData out;
  int32_t half = oh / 2;
  int32_t j0 = std::max(0, yMin - r.top), j1 = std::min(h, yMax - r.top);
  for (int32_t j = j0; j < j1; ++j) {
    int32_t oj = -1;
    if (j < half) oj = j;
    else if (j >= h - half) oj = j - (h - oh);
    int32_t xs[2] = {r.left, r.right};
    if (oj >= 0) {
      int32_t a, b;
      if (!OvalRow(ow, oh, oj, &a, &b)) continue;
      xs[0] = r.left + a;
      xs[1] = r.right - (ow - b);
    }
    if (oj < 0) {
      // The straight middle part is one band.
      int32_t end = std::min(j1, h - half);
      out.AddBand(r.top + j, r.top + end, xs, 2);
      j = end - 1;
      continue;
    }
    out.AddBand(r.top + j, r.top + j + 1, xs, 2);
  }
  return out;
}

RgnData OvalData(const Rect& r, int32_t yMin, int32_t yMax) {
  return RRectData(r, int32_t(r.right) - r.left, int32_t(r.bottom) - r.top, yMin, yMax);
}

namespace {

// Direction of an angle (degrees clockwise from twelve o'clock) in the
// rectangle's own space, where 45 degrees points at its corner; quarter
// turns are exact, so that their edges fall on pixel centres the same way
// whatever the rectangle.
void ArcDirection(int32_t degrees, double* du, double* dv) {
  degrees %= 360;
  if (degrees < 0) degrees += 360;
  switch (degrees) {
    case 0: *du = 0, *dv = -1; return;
    case 90: *du = 1, *dv = 0; return;
    case 180: *du = 0, *dv = 1; return;
    case 270: *du = -1, *dv = 0; return;
    default: break;
  }
  const double a = degrees * M_PI / 180.0;
  *du = std::sin(a);
  *dv = -std::cos(a);
}

// The points whose angle lies in [a, a + 180): the open half-plane clockwise
// of the ray at a, plus the ray itself. Points are pixel centres given by
// their doubled offsets from the rectangle's centre (X = 2x + 1 - (l + r),
// Y = 2y + 1 - (t + b)); the tests are scaled by the rectangle's size so that
// angles follow the rectangle.
struct HalfTurn {
  double du, dv, w, h;
  bool Has(int64_t X, int64_t Y) const {
    const double c = du * double(Y) * w - dv * double(X) * h;
    if (c != 0) return c > 0;
    return du * double(X) * h + dv * double(Y) * w > 0;
  }
  // Along one row a half-plane holds on a prefix or a suffix of [x0, x1):
  // its part, from the ends and the edge's crossing of the row, settled by
  // the test itself on the pixels next to it.
  void Part(int64_t Y, int32_t x0, int32_t x1, int64_t xBase, int32_t* a, int32_t* b) const {
    auto has = [&](int32_t x) { return Has(2 * int64_t(x) + xBase, Y); };
    const bool first = has(x0);
    if (first == has(x1 - 1)) {
      *a = first ? x0 : x1;
      *b = x1;
      return;
    }
    // The change lies in (x0, x1 - 1]: the edge (a row never runs along it
    // here, or both ends would agree) crosses the row at X = du Y w / (dv h).
    int32_t k = x0 + 1;
    if (dv != 0) {
      const double cross = (du * double(Y) * w / (dv * h) - double(xBase)) / 2.0;
      k = cross >= x1 - 1 ? x1 - 1 : cross > x0 + 1 ? int32_t(cross) : x0 + 1;
    }
    while (k < x1 - 1 && has(k) == first) ++k;
    while (k > x0 + 1 && has(k - 1) != first) --k;
    if (first) *a = x0, *b = k;
    else *a = k, *b = x1;
  }
};

}  // namespace

RgnData ArcData(const RgnData& shape, const Rect& r, int32_t startAngle, int32_t arcAngle) {
  if (arcAngle >= 360 || arcAngle <= -360) return shape;
  if (arcAngle == 0) return RgnData();
  if (arcAngle < 0) {
    startAngle += arcAngle;
    arcAngle = -arcAngle;
  }
  // The wedge is built from its two edges per span, so an arc costs about
  // what its oval costs: angles [s, s + arc) are the half-turn from s without
  // the half-turn from the end (arcs up to 180), or with what the half-turn
  // from the end leaves out (wider arcs).
  const double w = double(r.right) - r.left, h = double(r.bottom) - r.top;
  HalfTurn from{0, 0, w, h}, to{0, 0, w, h};
  ArcDirection(startAngle, &from.du, &from.dv);
  ArcDirection(startAngle + arcAngle, &to.du, &to.dv);
  const bool narrow = arcAngle <= 180;
  const int64_t xBase = 1 - (int64_t(r.left) + r.right), yBase = 1 - (int64_t(r.top) + r.bottom);
  RgnData out;
  std::vector<int32_t> xs;
  size_t pos = 0;
  for (int32_t i = 0; i < shape.bands; ++i) {
    const int32_t n = shape.d[pos + 2];
    for (int32_t y = shape.d[pos]; y < shape.d[pos + 1]; ++y) {
      const int64_t Y = 2 * int64_t(y) + yBase;
      xs.clear();
      for (int32_t k = 0; k + 1 < n; k += 2) {
        const int32_t x0 = shape.d[pos + 3 + size_t(k)], x1 = shape.d[pos + 4 + size_t(k)];
        int32_t fa, fb, ta, tb;
        from.Part(Y, x0, x1, xBase, &fa, &fb);
        to.Part(Y, x0, x1, xBase, &ta, &tb);
        // The end's complement within the span: one interval, since its
        // half-turn is a prefix or a suffix.
        int32_t ca = x0, cb = x1;
        if (ta < tb) {
          if (ta == x0) ca = tb;
          else cb = ta;
        }
        int32_t spans[4];
        int32_t m = 0;
        if (narrow) {
          const int32_t a = std::max(fa, ca), b = std::min(fb, cb);
          if (a < b) spans[m++] = a, spans[m++] = b;
        } else {
          // Union of a prefix or suffix and another: at most two spans.
          int32_t p[2][2] = {{fa, fb}, {ca, cb}};
          if (p[1][0] < p[0][0]) std::swap(p[0], p[1]);
          for (auto& q : p) {
            if (q[0] >= q[1]) continue;
            if (m > 0 && q[0] <= spans[m - 1]) spans[m - 1] = std::max(spans[m - 1], q[1]);
            else spans[m++] = q[0], spans[m++] = q[1];
          }
        }
        for (int32_t j = 0; j < m; j += 2) {
          if (!xs.empty() && xs.back() >= spans[j]) xs.back() = std::max(xs.back(), spans[j + 1]);
          else xs.push_back(spans[j]), xs.push_back(spans[j + 1]);
        }
      }
      out.AddBand(y, y + 1, xs.data(), int32_t(xs.size()));
    }
    pos += 3 + size_t(n);
  }
  return out;
}

void AddLine(SpanBuilder& sb, Point a, Point b, int32_t penW, int32_t penH) {
  if (penW <= 0 || penH <= 0) return;
  int32_t dx = int32_t(b.h) - a.h, dy = int32_t(b.v) - a.v;
  bool xMajor = std::abs(dx) >= std::abs(dy);
  // Walk from the end with the smaller major coordinate, so that a line and
  // its reverse cover the same pixels.
  if ((xMajor && dx < 0) || (!xMajor && dy < 0)) {
    std::swap(a, b);
    dx = -dx;
    dy = -dy;
  }
  const int32_t n = xMajor ? dx : dy;
  const int32_t yLo = std::min<int32_t>(a.v, b.v), yHi = std::max<int32_t>(a.v, b.v);
  // Row r is covered by the pen at every point with y in [r - penH + 1, r]:
  // only the points of rows [cLo, cHi] can reach the rows kept, so only
  // they are walked (a line may run far beyond what can show).
  const int32_t r0 = std::max(yLo, sb.yMin), r1 = std::min(yHi + penH, sb.yMax);
  if (r0 >= r1) return;
  const int32_t cLo = std::max(yLo, r0 - penH + 1), cHi = std::min(yHi, r1 - 1);
  if (cLo > cHi) return;
  // For each y of the walk, the x range of its points (x and y are both
  // monotone along the walk, so the ranges are contiguous).
  const size_t count = size_t(cHi - cLo) + 1;
  std::vector<int32_t> minX(count, INT32_MAX), maxX(count, INT32_MIN);
  if (xMajor) {
    // Point i is at (a.h + i, yAt(i)), yAt monotone: the points of a row are
    // the run of i between two searches.
    auto yAt = [&](int32_t i) { return a.v + (n ? RoundDiv(int64_t(i) * dy, n) : 0); };
    auto firstPast = [&](int32_t y) {  // first i whose point lies beyond row y - 1 in the walk's direction
      int32_t lo = 0, hi = n + 1;
      while (lo < hi) {
        const int32_t mid = lo + (hi - lo) / 2;
        if (dy >= 0 ? yAt(mid) >= y : yAt(mid) <= y) hi = mid;
        else lo = mid + 1;
      }
      return lo;
    };
    for (int32_t y = cLo; y <= cHi; ++y) {
      const int32_t i0 = firstPast(y), i1 = firstPast(dy >= 0 ? y + 1 : y - 1) - 1;
      if (i0 > i1) continue;
      minX[size_t(y - cLo)] = a.h + i0;
      maxX[size_t(y - cLo)] = a.h + i1;
    }
  } else {
    for (int32_t y = cLo; y <= cHi; ++y) {
      const int32_t x = a.h + (n ? RoundDiv(int64_t(y - a.v) * dx, n) : 0);
      minX[size_t(y - cLo)] = maxX[size_t(y - cLo)] = x;
    }
  }
  for (int32_t r = r0; r < r1; ++r) {
    const int32_t kLo = std::max(r - penH + 1, cLo) - cLo, kHi = std::min(r, cHi) - cLo;
    if (kLo > kHi) continue;
    const int32_t x0 = std::min(minX[size_t(kLo)], minX[size_t(kHi)]);
    const int32_t x1 = std::max(maxX[size_t(kLo)], maxX[size_t(kHi)]);
    sb.Add(r, x0, x1 + penW);
  }
}

RgnData PolyData(PolyHandle poly, int32_t yMin, int32_t yMax) {
  int32_t n = QDPolyPointCount(poly);
  if (n < 2) return RgnData();
  EdgeList el;
  const Point* p = (*poly)->polyPoints;
  for (int32_t i = 0; i < n; ++i) {
    const Point& s = p[i];
    const Point& e = p[(i + 1) % n];
    el.AddSegment(s.h, s.v, e.h, e.v);
  }
  return el.Fill(yMin, yMax);
}

}  // namespace qd

using namespace qd;

// ---------------------------------------------------------------------------
// Public region calls

RgnHandle NewRgn() {
  Handle h = NewHandleClear(Size(sizeof(MacRegion)));
  return reinterpret_cast<RgnHandle>(h);
}

void DisposeRgn(RgnHandle rgn) {
  if (rgn) DisposeHandle(reinterpret_cast<Handle>(rgn));
}

void CopyRgn(RgnHandle src, RgnHandle dst) {
  if (src == dst || !dst) return;
  Store(Load(src), dst);
}

void SetEmptyRgn(RgnHandle rgn) { Store(RgnData(), rgn); }

void SetRectRgn(RgnHandle rgn, int16_t left, int16_t top, int16_t right, int16_t bottom) {
  Store(RectData(left, top, right, bottom), rgn);
}

void RectRgn(RgnHandle rgn, const Rect* r) {
  if (r) SetRectRgn(rgn, r->left, r->top, r->right, r->bottom);
}

void OffsetRgn(RgnHandle rgn, int16_t dh, int16_t dv) {
  if (!rgn || (dh == 0 && dv == 0)) return;
  RgnData d = Load(rgn);
  Offset(d, dh, dv);
  Store(d, rgn);
}

void InsetRgn(RgnHandle rgn, int16_t dh, int16_t dv) {
  if (!rgn || (dh == 0 && dv == 0)) return;
  RgnData d = Load(rgn);
  // Horizontally, band by band: exact, since the spans of a band never touch.
  if (dh != 0) {
    RgnData out;
    std::vector<int32_t> xs;
    size_t pos = 0;
    for (int32_t i = 0; i < d.bands; ++i) {
      int32_t n = d.d[pos + 2];
      xs.clear();
      for (int32_t k = 0; k + 1 < n; k += 2) {
        int32_t x0 = d.d[pos + 3 + size_t(k)] + dh, x1 = d.d[pos + 4 + size_t(k)] - dh;
        if (x0 >= x1) continue;
        if (!xs.empty() && xs.back() >= x0) xs.back() = std::max(xs.back(), x1);
        else {
          xs.push_back(x0);
          xs.push_back(x1);
        }
      }
      out.AddBand(d.d[pos], d.d[pos + 1], xs.data(), int32_t(xs.size()));
      pos += 3 + size_t(n);
    }
    d = out;
  }
  // Vertically: a row stays (or joins) when every row within |dv| of it is
  // in (or any is). Shifting what is built so far by up to one more than its
  // reach, both ways, triples the reach each step: a few steps for any dv.
  if (dv != 0 && !d.Empty()) {
    int32_t l, t, r, b;
    d.Bounds(&l, &t, &r, &b);
    if (dv > 0 && 2 * int32_t(dv) >= b - t) {
      d.Clear();
    } else {
      const RgnOp op = dv > 0 ? RgnOp::Sect : RgnOp::Union;
      const int32_t want = std::abs(int32_t(dv));
      int32_t reach = 0;
      while (reach < want && !d.Empty()) {
        const int32_t step = std::min(2 * reach + 1, want - reach);
        RgnData up = d, down = d;
        Offset(up, 0, -step);
        Offset(down, 0, step);
        d = Combine(Combine(d, up, op), down, op);
        reach += step;
      }
    }
  }
  ClampToPlane(d);
  Store(d, rgn);
}

static void Op(RgnHandle a, RgnHandle b, RgnHandle dst, RgnOp op) {
  if (!dst) return;
  Store(Combine(Load(a), Load(b), op), dst);
}

void SectRgn(RgnHandle a, RgnHandle b, RgnHandle dst) { Op(a, b, dst, RgnOp::Sect); }
void UnionRgn(RgnHandle a, RgnHandle b, RgnHandle dst) { Op(a, b, dst, RgnOp::Union); }
void DiffRgn(RgnHandle a, RgnHandle b, RgnHandle dst) { Op(a, b, dst, RgnOp::Diff); }
void XorRgn(RgnHandle a, RgnHandle b, RgnHandle dst) { Op(a, b, dst, RgnOp::Xor); }

Boolean PtInRgn(Point pt, RgnHandle rgn) {
  RgnData d = Load(rgn);
  size_t pos = 0;
  for (int32_t i = 0; i < d.bands; ++i) {
    int32_t n = d.d[pos + 2];
    if (pt.v >= d.d[pos] && pt.v < d.d[pos + 1]) {
      for (int32_t k = 0; k + 1 < n; k += 2)
        if (pt.h >= d.d[pos + 3 + size_t(k)] && pt.h < d.d[pos + 4 + size_t(k)]) return true;
      return false;
    }
    pos += 3 + size_t(n);
  }
  return false;
}

Boolean RectInRgn(const Rect* r, RgnHandle rgn) {
  if (!r) return false;
  return !Combine(RectData(r->left, r->top, r->right, r->bottom), Load(rgn), RgnOp::Sect).Empty();
}

Boolean EqualRgn(RgnHandle a, RgnHandle b) {
  RgnData x = Load(a), y = Load(b);
  return x.bands == y.bands && x.d == y.d;
}

Boolean EmptyRgn(RgnHandle rgn) { return Load(rgn).Empty(); }

Boolean IsRegionRectangular(RgnHandle rgn) {
  RgnData d = Load(rgn);
  return d.Empty() || d.IsRect();
}

Rect* GetRegionBounds(RgnHandle rgn, Rect* bounds) {
  if (!bounds) return bounds;
  if (!rgn || !*rgn) *bounds = Rect{0, 0, 0, 0};
  else *bounds = (*rgn)->rgnBBox;
  return bounds;
}

void QDPolyToRgn(PolyHandle poly, RgnHandle dst) { Store(PolyData(poly), dst); }

// ---------------------------------------------------------------------------
// Stored form

namespace {

void PutBE16(std::vector<uint8_t>& out, int32_t v) {
  out.push_back(uint8_t((uint32_t(v) >> 8) & 0xFF));
  out.push_back(uint8_t(uint32_t(v) & 0xFF));
}

// Symmetric difference of two sorted edge lists.
void XorEdges(const int32_t* a, int32_t na, const int32_t* b, int32_t nb, std::vector<int32_t>& out) {
  out.clear();
  int32_t i = 0, j = 0;
  while (i < na || j < nb) {
    if (j >= nb || (i < na && a[i] < b[j])) out.push_back(a[i++]);
    else if (i >= na || b[j] < a[i]) out.push_back(b[j++]);
    else {
      ++i;
      ++j;
    }
  }
}

}  // namespace

OSErr QDRegionToBytes(RgnHandle rgn, Handle out) {
  if (!out) return paramErr;
  RgnData d = Load(rgn);
  // 32767 ends a row in the stored form: a shaped region stops one short of it.
  if (!d.IsRect()) d = Combine(d, RectData(kMinCoord, kMinCoord, kMaxCoord - 1, kMaxCoord - 1), RgnOp::Sect);
  int32_t l, t, r, b;
  d.Bounds(&l, &t, &r, &b);
  std::vector<uint8_t> bytes;
  PutBE16(bytes, 10);
  PutBE16(bytes, t);
  PutBE16(bytes, l);
  PutBE16(bytes, b);
  PutBE16(bytes, r);
  if (!d.Empty() && !d.IsRect()) {
    std::vector<int32_t> inv;
    const int32_t* prev = nullptr;
    int32_t prevN = 0, prevBottom = 0;
    auto row = [&](int32_t v, const std::vector<int32_t>& hs) {
      if (hs.empty()) return;
      PutBE16(bytes, v);
      for (int32_t h : hs) PutBE16(bytes, h);
      PutBE16(bytes, 0x7FFF);
    };
    size_t pos = 0;
    for (int32_t i = 0; i < d.bands; ++i) {
      int32_t top = d.d[pos], bottom = d.d[pos + 1], n = d.d[pos + 2];
      const int32_t* xs = &d.d[pos + 3];
      if (prev && prevBottom != top) {
        row(prevBottom, std::vector<int32_t>(prev, prev + prevN));
        prev = nullptr;
        prevN = 0;
      }
      XorEdges(prev, prevN, xs, n, inv);
      row(top, inv);
      prev = xs;
      prevN = n;
      prevBottom = bottom;
      pos += 3 + size_t(n);
    }
    if (prev) row(prevBottom, std::vector<int32_t>(prev, prev + prevN));
    PutBE16(bytes, 0x7FFF);
    if (bytes.size() > 0x7FFF) return memFullErr;
    bytes[0] = uint8_t(bytes.size() >> 8);
    bytes[1] = uint8_t(bytes.size() & 0xFF);
  }
  SetHandleSize(out, Size(bytes.size()));
  if (MemError() != noErr) return memFullErr;
  std::memcpy(*out, bytes.data(), bytes.size());
  return noErr;
}

Boolean QDRegionFromBytes(const uint8_t* data, size_t size, RgnHandle dst, size_t* used) {
  if (used) *used = 0;
  auto fail = [&]() {
    if (dst) SetEmptyRgn(dst);
    return Boolean(false);
  };
  if (!data || size < 10) return fail();
  auto be16 = [&](size_t at) { return int16_t(uint16_t((data[at] << 8) | data[at + 1])); };
  size_t rgnSize = uint16_t(be16(0));
  if (rgnSize < 10 || rgnSize > size || (rgnSize & 1)) return fail();
  int32_t t = be16(2), l = be16(4), b = be16(6), r = be16(8);
  RgnData out;
  if (rgnSize == 10) {
    out = RectData(l, t, r, b);
  } else {
    size_t at = 10;
    std::vector<int32_t> edges, inv, next;
    int32_t lastV = INT32_MIN;
    bool ended = false;
    while (at + 2 <= rgnSize) {
      int32_t v = be16(at);
      at += 2;
      if (v == 0x7FFF) {
        ended = true;
        break;
      }
      if (v <= lastV) return fail();
      if (lastV != INT32_MIN) out.AddBand(lastV, v, edges.data(), int32_t(edges.size()));
      inv.clear();
      bool rowEnded = false;
      while (at + 2 <= rgnSize) {
        int32_t h = be16(at);
        at += 2;
        if (h == 0x7FFF) {
          rowEnded = true;
          break;
        }
        if (!inv.empty() && h <= inv.back()) return fail();
        inv.push_back(h);
      }
      if (!rowEnded || inv.empty()) return fail();
      XorEdges(edges.data(), int32_t(edges.size()), inv.data(), int32_t(inv.size()), next);
      edges.swap(next);
      if (edges.size() & 1) return fail();
      lastV = v;
    }
    if (!ended || !edges.empty() || at != rgnSize) return fail();
  }
  if (dst) Store(out, dst);
  if (used) *used = rgnSize;
  return true;
}
