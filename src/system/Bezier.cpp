#include "system/Bezier.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/Memory.h"
#include "plugin/ServicesInertes.h"
#include "system/PortLayer.h"

// Playback state: the paths collected between a data comment and its STOP
// are the platform's replay machine's.
static bool inDrawPicture = false;
static Rect gRectSrc{0, 0, 0, 0};
static Rect gRectDest{0, 0, 0, 0};
static BezierReplay gBz;
static CQDProcs prevProc;
QDCommentProcPtr commentVect = nullptr;
QDLineProcPtr lineVect = nullptr;

namespace {

void Unit(float& x, float& y) {
  float l = std::sqrt(x * x + y * y);
  if (l > 0.0f) {
    x /= l;
    y /= l;
  }
}

// Direction through the corner at 1: the sum of the unit vectors in and out,
// or the one in when they cancel.
void Mediane(float x0, float y0, float x1, float y1, float x2, float y2, float* sx, float* sy) {
  float ux = x1 - x0, uy = y1 - y0, vx = x2 - x1, vy = y2 - y1;
  Unit(ux, uy);
  Unit(vx, vy);
  float x = ux + vx, y = uy + vy;
  if (x == 0.0f && y == 0.0f) x = ux, y = uy;
  Unit(x, y);
  *sx = x;
  *sy = y;
}

int16_t Trunc16(float v) {
  if (!(v > -32767.0f)) return -32767;  // also NaN
  if (v > 32767.0f) return 32767;
  return int16_t(v);
}

Handle StringHandle(const std::string& s) {
  Handle h = NewHandle(Size(s.size()));
  if (h && !s.empty()) std::memcpy(*h, s.data(), s.size());
  return h;
}

void EmitComment(const std::string& s) {
  if (s.size() > 32767) return;
  Handle h = StringHandle(s);
  if (!h) return;
  PicComment(kCommentBezier, int16_t(s.size()), h);
  DisposeHandle(h);
}

// A data comment mapped to a recording port's scale, through the comment
// procedure that was in force.
void EmitMapped(const BezierPoint* nodes, int32_t count, const BezierAttributs& attrs) {
  Handle h = BzGetDataHandle(nodes, count, attrs);
  if (h && GetHandleSize(h) <= 32767 && prevProc.commentProc)
    prevProc.commentProc(kCommentBezier, int16_t(GetHandleSize(h)), h);
  if (h) DisposeHandle(h);
}

// The paths collected up to a STOP, drawn at once.
void DrawCollected(const BezierPoint* nodes, int32_t count, const BezierAttributs& a) {
  RozoDrawBezier(nodes, count, a.drawtype, a.overlaptype, a.linecap, a.linejoin, a.miterlimit, 0.0f, 1);
}

}  // namespace

void BzGetMedianeDroite(float x0, float y0, float x1, float y1, float x2, float y2, float* x, float* y) {
  float sx, sy;
  Mediane(x0, y0, x1, y1, x2, y2, &sx, &sy);
  *x = -sy;
  *y = sx;
}

void BzGetMedianeGauche(float x0, float y0, float x1, float y1, float x2, float y2, float* x, float* y) {
  float sx, sy;
  Mediane(x0, y0, x1, y1, x2, y2, &sx, &sy);
  *x = sy;
  *y = -sx;
}

void BzSmoothPolygon(BezierPoint* nodes, int32_t n, float k, bool endCaps) {
  if (!nodes || n < 2) return;
  auto prev = [n](int32_t i) { return i == 0 ? n - 1 : i - 1; };
  auto next = [n](int32_t i) { return i == n - 1 ? 0 : i + 1; };
  std::vector<float> tx(static_cast<size_t>(n)), ty(static_cast<size_t>(n));
  for (int32_t i = 0; i < n; ++i) {
    const BezierPoint &p = nodes[prev(i)], &c = nodes[i], &q = nodes[next(i)];
    Mediane(p.x, p.y, c.x, c.y, q.x, q.y, &tx[size_t(i)], &ty[size_t(i)]);
  }
  auto dist = [](const BezierPoint& a, const BezierPoint& b) {
    float dx = a.x - b.x, dy = a.y - b.y;
    return std::sqrt(dx * dx + dy * dy);
  };
  for (int32_t i = 0; i < n; ++i) {
    int32_t p = prev(i), q = next(i), r = next(q);
    float dPrev = dist(nodes[i], nodes[p]), dNext = dist(nodes[q], nodes[i]), dNext2 = dist(nodes[r], nodes[q]);
    float d = 11.0f * (dPrev + dNext2);
    float fOut = d > 0.0f ? k * dPrev * dNext / d : 0.0f;
    float fIn = d > 0.0f ? k * dNext * dNext2 / d : 0.0f;
    nodes[i].xOut = nodes[i].x + tx[size_t(i)] * fOut;
    nodes[i].yOut = nodes[i].y + ty[size_t(i)] * fOut;
    nodes[q].xIn = nodes[q].x - tx[size_t(q)] * fIn;
    nodes[q].yIn = nodes[q].y - ty[size_t(q)] * fIn;
  }
  if (!endCaps) return;
  auto cap = [&](int32_t ia, int32_t ib) {
    BezierPoint &a = nodes[ia], &b = nodes[ib];
    float wx = 0.675f * -(a.y - b.y), wy = 0.675f * (a.x - b.x);
    a.xIn = a.x + wx, a.yIn = a.y + wy;
    b.xOut = b.x + wx, b.yOut = b.y + wy;
    a.xOut = a.x - wx, a.yOut = a.y - wy;
    b.xIn = b.x - wx, b.yIn = b.y - wy;
  };
  cap(0, n - 1);
  cap(n / 2, n / 2 - 1);
}

void BzGetBBox(const BezierPoint* nodes, int32_t n, Rect* r) {
  if (!r) return;
  *r = Rect{0, 0, 0, 0};
  if (!nodes || n <= 0) return;
  int32_t l = Trunc16(nodes[0].x), t = Trunc16(nodes[0].y), rr = l, b = t;
  for (int32_t i = 0; i < n; ++i) {
    const float xs[3] = {nodes[i].xIn, nodes[i].x, nodes[i].xOut}, ys[3] = {nodes[i].yIn, nodes[i].y, nodes[i].yOut};
    for (int k = 0; k < 3; ++k) {
      int32_t x = Trunc16(xs[k]), y = Trunc16(ys[k]);
      l = std::min(l, x), t = std::min(t, y);
      rr = std::max(rr, x + 1), b = std::max(b, y + 1);
    }
  }
  r->left = int16_t(l), r->top = int16_t(t), r->right = int16_t(std::min(rr, 32767)),
  r->bottom = int16_t(std::min(b, 32767));
}

Handle BzGetDataHandle(const BezierPoint* nodes, int32_t n, const BezierAttributs& a) {
  if (!nodes || n <= 0) return nullptr;
  std::string s;
  BzFormatDataComment(nodes, n, a, s);
  return StringHandle(s);
}

void BzAddVal(Handle h, float value) {
  if (!h) return;
  std::string s;
  BzAppendVal(s, value);
  PtrAndHand(s.data(), h, Size(s.size()));
}

void RozoDrawBezier(const BezierPoint* nodes, int32_t n, int16_t drawtype, int16_t overlaptype, int16_t linecap,
                    int16_t linejoin, float miterlimit, float width, uint8_t flag) {
  if (!nodes || n <= 0) return;
  CGrafPtr port = CarboniseGetCurrentPort();
  if (!port) return;
  if (CarboniseIsPicturePort(port)) {
    PenState pen;
    GetPenState(&pen);
    const BezierAttributs attrs{drawtype, overlaptype, linecap, linejoin, miterlimit};
    for (int32_t i = 0; i < n; i += kBezierNodesParComment) {
      Handle h = BzGetDataHandle(nodes + i, std::min(kBezierNodesParComment, n - i), attrs);
      if (!h) continue;
      if (GetHandleSize(h) <= 32767) PicComment(kCommentBezier, int16_t(GetHandleSize(h)), h);
      DisposeHandle(h);
    }
    // Raster fallback, for readers that ignore the comments.
    Rect bb;
    BzGetBBox(nodes, n, &bb);
    const int64_t w = int32_t(bb.right) - bb.left, h = int32_t(bb.bottom) - bb.top;
    int64_t d = 1;
    while ((w / d) * (h / d) > kBezierMaxPixelsRaster) ++d;
    Offscreen off = (w / d > 0 && h / d > 0) ? RozoCreatePortOffscreen(int16_t(w / d), int16_t(h / d), 32) : nullptr;
    std::vector<BezierPoint> copy;
    if (off) copy.assign(nodes, nodes + n);
    if (off && copy.size() == size_t(n)) {
      const float fd = float(d);
      for (BezierPoint& p : copy) {
        p.x = (p.x - bb.left) / fd, p.y = (p.y - bb.top) / fd;
        p.xIn = (p.xIn - bb.left) / fd, p.yIn = (p.yIn - bb.top) / fd;
        p.xOut = (p.xOut - bb.left) / fd, p.yOut = (p.yOut - bb.top) / fd;
      }
      CGrafPtr saved;
      GDHandle savedDevice;
      GetGWorld(&saved, &savedDevice);
      SetGWorld(off, nullptr);
      ForeColor(blackColor);
      BackColor(whiteColor);
      Rect all{0, 0, int16_t(h / d), int16_t(w / d)};
      EraseRect(&all);
      int16_t pw = pen.pnSize.h ? int16_t(std::max<int64_t>(1, pen.pnSize.h / d)) : 0;
      int16_t ph = pen.pnSize.v ? int16_t(std::max<int64_t>(1, pen.pnSize.v / d)) : 0;
      PenSize(pw, ph);
      RozoDrawBezier(copy.data(), n, drawtype, overlaptype, linecap, linejoin, miterlimit, width, 0);
      SetGWorld(saved, savedDevice);
      int32_t rowBytes = 0;
      const uint8_t* base = reinterpret_cast<const uint8_t*>(RozoGetInfoOffscreen(off, nullptr, &rowBytes, nullptr));
      PenSize(1, 2);
      auto at = [](int64_t v) { return int16_t(std::clamp<int64_t>(v, -32767, 32767)); };
      for (int32_t y = 0; base && y < all.bottom; ++y) {
        const uint8_t* row = base + size_t(y) * size_t(rowBytes);
        int32_t start = -1;
        for (int32_t x = 0; x <= all.right; ++x) {
          bool dark = x < all.right && row[size_t(x) * 4 + 1] <= 128;
          if (dark && start < 0) start = x;
          if (!dark && start >= 0) {
            MoveTo(at(bb.left + start * d), at(bb.top + y * d));
            LineTo(at(bb.left + (x - 1) * d), at(bb.top + y * d));
            start = -1;
          }
        }
      }
    }
    if (off) RozoClosePortOffscreen(off);
    SetPenState(&pen);
    // The closing comment goes out even when the raster could not be made.
    EmitComment("STOP");
  }
  // The platform's shape drawer gets the path while the pen shows.
  if (GetPortPenVisibility(port) >= 0) {
    RGBColor color;
    GetPortForeColor(port, &color);
    Point pen;
    GetPortPenSize(port, &pen);
    const float w = width > 0.0f ? width : float(std::max(pen.h, pen.v));
    SystemDependantBezierShape(nodes, n, BezierAttributs{drawtype, overlaptype, linecap, linejoin, miterlimit}, w,
                               color, int16_t(GetPortPenMode(port)), flag);
  }
}

bool RozoInDrawPicture() { return inDrawPicture; }

void BzScalePt(float* x, float* y) { BzMapPoint(gRectSrc, gRectDest, x, y); }

bool BzProcessBezierCommand(const char* text, int32_t length, bool recording, BzMapPtProc map) {
  return BzReplayComment(gBz, text, length, recording, map, EmitMapped, DrawCollected);
}

void BzProcessPictComment(int16_t kind, int16_t length, Handle data) {
  const size_t n = QDCommentLength(length, data);
  if (kind == kCommentBezier && n > 0 &&
      BzProcessBezierCommand(*data, int32_t(n), CarboniseIsPicturePortCourant(), BzScalePt))
    return;
  if (prevProc.commentProc) prevProc.commentProc(kind, length, data);
}

void BzProcessLine(Point pt) {
  if (gBz.engaged) {
    MoveTo(pt.h, pt.v);
    return;
  }
  if (prevProc.lineProc) prevProc.lineProc(pt);
}

void RozoDrawPicture(PicHandle pic, const Rect* dst) {
  if (!pic || !dst) return;
  CGrafPtr port = CarboniseGetCurrentPort();
  if (!port) return;
  // A picture drawn from within a playback gets its own state.
  const bool savedIn = inDrawPicture;
  const Rect savedSrc = gRectSrc, savedDest = gRectDest;
  const CQDProcs savedPrev = prevProc;
  BezierReplay savedBz;
  std::swap(savedBz, gBz);

  inDrawPicture = true;
  CarboniseGetPicFrame(pic, &gRectSrc);
  gRectDest = *dst;
  CQDProcs* own = GetPortGrafProcs(port);
  if (own) prevProc = *own;
  else SetStdCProcs(&prevProc);
  CQDProcs mine = prevProc;
  mine.commentProc = commentVect ? commentVect : BzProcessPictComment;
  mine.lineProc = lineVect ? lineVect : BzProcessLine;
  SetPortGrafProcs(port, &mine);
  DrawPicture(pic, dst);
  SetPortGrafProcs(port, own);
  // A path whose STOP never came is still drawn: its fallback was skipped.
  BzReplayFinish(gBz, DrawCollected);

  std::swap(savedBz, gBz);
  prevProc = savedPrev;
  gRectSrc = savedSrc;
  gRectDest = savedDest;
  inDrawPicture = savedIn;
}
