#pragma once
// 32-bit rectangles and points for layout and drawing, which easily leave the
// 16-bit range of QuickDraw at high resolution. Conversions to Rect clamp to
// -32767..32767 so that drawing never wraps around.
#include <cstdint>

#include "platform/PlatformTypes.h"

// Field order left, right, top, bottom: every record that embeds one keeps it.
struct BigRect {
  int32_t left;
  int32_t right;
  int32_t top;
  int32_t bottom;
};

struct BigPt {
  int32_t x;
  int32_t y;
};

void SetBigRect(BigRect* r, int32_t left, int32_t top, int32_t right, int32_t bottom);
bool EmptyBigRect(const BigRect* r);
// Intersection; rectangles that only touch do not intersect. On false the
// output (when given) is zeroed.
bool SectBigRect(const BigRect* a, const BigRect* b, BigRect* out);
bool CvtBigRectToRect(const BigRect* big, Rect* r);  // true when nothing was clamped
void CvtRectToBigRect(const Rect* r, BigRect* big);
void OffsetBigRect(BigRect* r, int32_t dx, int32_t dy);
void InsetBigRect(BigRect* r, int32_t dx, int32_t dy);
void AppliqueEchelleBigRect(BigRect* r, float factor);
void SetBigPt(BigPt* p, int32_t x, int32_t y);
void OffsetBigPt(BigPt* p, int32_t dx, int32_t dy);
// Frames with the current pen, only when every coordinate fits in 16 bits.
void FrameBigRect(const BigRect* r);
inline void FrameBigRectOnScreenDebug(const BigRect*) {}
