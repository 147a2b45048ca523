#pragma once
// Shared between the QuickDraw stand-in's own files only.
#include <cstdint>
#include <vector>

#include "platform/QuickDraw.h"

namespace qd {

// A region in working form: bands of {top, bottom, n, x0 .. x(n-1)}, bands
// sorted and disjoint, spans within a band sorted, disjoint and not touching,
// adjacent bands with identical spans merged.
struct RgnData {
  std::vector<int32_t> d;
  int32_t bands = 0;
  size_t lastPos = 0;  // where the last band starts in d
  bool Empty() const { return bands == 0; }
  void Clear() {
    d.clear();
    bands = 0;
    lastPos = 0;
  }
  void AddBand(int32_t top, int32_t bottom, const int32_t* xs, int32_t n);  // merges with the last band when it can
  void Bounds(int32_t* l, int32_t* t, int32_t* r, int32_t* b) const;
  bool IsRect() const { return bands == 1 && d[2] == 2; }
};

RgnData RectData(int32_t l, int32_t t, int32_t r, int32_t b);
enum class RgnOp { Sect, Union, Diff, Xor };
RgnData Combine(const RgnData& a, const RgnData& b, RgnOp op);
void Offset(RgnData& r, int32_t dh, int32_t dv);
void ClampToPlane(RgnData& r);  // cuts off whatever left -32767..32767

RgnData Load(RgnHandle rgn);
void Store(const RgnData& data, RgnHandle rgn);

// Collects horizontal spans row by row, then turns them into a region
// (overlapping spans of a row are merged). Rows outside [yMin, yMax) and
// spans outside [xMin, xMax) are dropped, so shapes are only built where they
// can show.
struct SpanBuilder {
  struct Span {
    int32_t y, x0, x1;
  };
  std::vector<Span> spans;
  int32_t xMin = -32768, xMax = 32768, yMin = -32768, yMax = 32768;
  bool overflow = false;  // too many spans: Build gives an empty region
  void Add(int32_t y, int32_t x0, int32_t x1);
  RgnData Build();
};

// Even-odd fill of closed outlines given as segments between pixel lines:
// a pixel is inside when its centre is, by parity of crossings.
struct EdgeList {
  struct Edge {
    int32_t x0, y0, x1, y1;
  };
  std::vector<Edge> edges;
  void AddSegment(int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    if (y0 != y1) edges.push_back({x0, y0, x1, y1});
  }
  void AddRgnOutline(const RgnData& r);
  RgnData Fill(int32_t yMin = -32768, int32_t yMax = 32768) const;
};

// Shapes, with the classic pixel geometry.
RgnData OvalData(const Rect& r, int32_t yMin = -32768, int32_t yMax = 32768);
RgnData RRectData(const Rect& r, int32_t ovalW, int32_t ovalH, int32_t yMin = -32768, int32_t yMax = 32768);
RgnData ArcData(const RgnData& shape, const Rect& r, int32_t startAngle, int32_t arcAngle);
// The pen rectangle swept from a to b, both ends included.
void AddLine(SpanBuilder& sb, Point a, Point b, int32_t penW, int32_t penH);
RgnData PolyData(PolyHandle poly, int32_t yMin = -32768, int32_t yMax = 32768);

// Port internals.
CGrafPtr ThePort();
// Whether the port has pixels, making a new port's white buffer on first use.
bool PortPixels(CGrafPtr port);
extern const CQDProcs kStdProcs;
// The region being defined by OpenRgn, as outline segments.
struct RgnSave {
  EdgeList edges;
};

// Pixel access for any supported depth.
uint32_t ReadPixel(const PixMap& pm, int32_t x, int32_t y);  // 0xAARRGGBB
void WritePixel(const PixMap& pm, int32_t x, int32_t y, uint32_t argb);
uint32_t ToARGB(const RGBColor& c);
// A classic colour constant (blackColor, redColor, ...); black for any other value.
RGBColor ClassicColor(int32_t color);

// Paints a region into the port's pixels (already clipped by the caller) with
// a pattern, a transfer mode, and the port's colours; kind is a GrafVerb.
void RasterRgn(CGrafPtr port, const RgnData& r, GrafVerb verb);
// The port's drawable area: clip, and the pixels' bounds for raster ports.
RgnData DrawableArea(CGrafPtr port);

const Pattern& BlackPat();
const Pattern& WhitePat();

}  // namespace qd
