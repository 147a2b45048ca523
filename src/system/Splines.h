#pragma once
// Lines that QuickDraw alone does not give: thick lines with fractional
// ends, smooth curves of varying width through a few points (solid, dashed,
// dotted or wavy), and straight dashed, dotted and wavy lines. Drawn into the
// current port with pen strokes or, when anti-aliasing is asked, with smooth
// dots written into the pixels. Smooth dots reach a picture being recorded
// (and a port without pixels of its own) as an image with alpha.
#include <cstdint>
#include <vector>

#include "platform/PlatformTypes.h"
#include "platform/QuickDraw.h"

struct SplinePoint {
  float x, y;
  float width;  // line width at this point
};

struct SplinePointF {
  float x, y;
};

// Line style of the spline walker: 0 (or 1) solid, 2 dots, 3 dashes, 4 waves.
enum : int16_t { kActionTrait = 0, kActionPoints = 2, kActionTirets = 3, kActionOndes = 4 };
extern int16_t TypeAction;

// Styles of csplinepointille.
constexpr int16_t kStyleSplinePoints = 4;
constexpr int16_t kStyleSplineTirets = 6;
// Ceiling on the samples of one walk: a degenerate curve still ends quickly.
constexpr int32_t kSplineMaxEchantillons = 1000000;

void AntialiasedLine(bool antialias, float x1, float y1, float x2, float y2, float width, float height);
// A negative width or height takes 0.8 x the pen's.
void DrawSmoothLine(float x1, float y1, float x2, float y2, float width, float height);
void cspline(bool antialias, const SplinePoint* points, int32_t count, float smoothing);
void csplinepointille(int16_t style, bool antialias, const SplinePoint* points, int32_t count, int32_t smoothing);
// Triples x, y, width ended by -32768, at most 16 of them; smoothing 6.
void CSplineList(bool antialias, int32_t unused, ...);
void TraceSpline(const SplinePoint* points, int32_t count, bool antialias, float smoothing);
// Flattens one cubic segment into the polyline: p0, c1 and c2 of every flat
// enough piece are appended, the segment's end is not.
void SplitBezierPoly(std::vector<SplinePointF>& poly, SplinePointF p0, SplinePointF c1, SplinePointF c2,
                     SplinePointF p3, int32_t depth);

// A step of 0 or less draws the dashed line solid and the dotted line not
// at all.
void TraceLignePointillee(int16_t x1, int16_t y1, int16_t x2, int16_t y2, int16_t step);
void TraceLigneDotted(int16_t x1, int16_t y1, int16_t x2, int16_t y2, int16_t step);
void TraceLigneOnde(int16_t x1, int16_t y1, int16_t x2, int16_t y2, int16_t size);

// One pixel of a pixel map as RGB (32-, 16- and 8-bit maps); outside the
// bounds a read gives black and a write does nothing.
void QDMP_GetPixel(RGBColor* colour, const PixMap* pm, int32_t x, int32_t y);
void QDMP_SetPixel(const PixMap* pm, int32_t x, int32_t y, const RGBColor* colour);
