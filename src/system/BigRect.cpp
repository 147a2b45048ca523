#include "system/BigRect.h"

#include <algorithm>
#include <cstdint>

#include "platform/QuickDraw.h"

namespace {

// -32768 is clamped too, so that negating a coordinate never overflows.
int16_t Clamp16(int32_t v, bool* clamped) {
  if (v < -32767) {
    *clamped = true;
    return -32767;
  }
  if (v > 32767) {
    *clamped = true;
    return 32767;
  }
  return int16_t(v);
}

// factor x v truncated toward zero, kept within 32 bits.
int32_t Scale(float factor, int32_t v) {
  float f = factor * float(v);
  if (f != f) return 0;
  if (f >= 2147483648.0f) return INT32_MAX;
  if (f < -2147483648.0f) return INT32_MIN;
  return int32_t(f);
}

}  // namespace

void SetBigRect(BigRect* r, int32_t left, int32_t top, int32_t right, int32_t bottom) {
  r->left = left;
  r->right = right;
  r->top = top;
  r->bottom = bottom;
}

bool EmptyBigRect(const BigRect* r) { return r->left >= r->right || r->top >= r->bottom; }

bool SectBigRect(const BigRect* a, const BigRect* b, BigRect* out) {
  if (!EmptyBigRect(a) && !EmptyBigRect(b) && a->bottom > b->top && a->right > b->left && b->bottom > a->top &&
      b->right > a->left) {
    if (out) {
      BigRect r;
      r.top = std::max(a->top, b->top);
      r.left = std::max(a->left, b->left);
      r.right = std::min(a->right, b->right);
      r.bottom = std::min(a->bottom, b->bottom);
      *out = r;
    }
    return true;
  }
  if (out) *out = BigRect{0, 0, 0, 0};
  return false;
}

bool CvtBigRectToRect(const BigRect* big, Rect* r) {
  bool clamped = false;
  r->top = Clamp16(big->top, &clamped);
  r->left = Clamp16(big->left, &clamped);
  r->bottom = Clamp16(big->bottom, &clamped);
  r->right = Clamp16(big->right, &clamped);
  return !clamped;
}

void CvtRectToBigRect(const Rect* r, BigRect* big) {
  big->left = r->left;
  big->right = r->right;
  big->top = r->top;
  big->bottom = r->bottom;
}

void OffsetBigRect(BigRect* r, int32_t dx, int32_t dy) {
  if (dx == 0 && dy == 0) return;
  r->left += dx;
  r->right += dx;
  r->top += dy;
  r->bottom += dy;
}

void InsetBigRect(BigRect* r, int32_t dx, int32_t dy) {
  r->left += dx;
  r->right -= dx;
  r->top += dy;
  r->bottom -= dy;
}

void AppliqueEchelleBigRect(BigRect* r, float factor) {
  r->left = Scale(factor, r->left);
  r->right = Scale(factor, r->right);
  r->top = Scale(factor, r->top);
  r->bottom = Scale(factor, r->bottom);
}

void SetBigPt(BigPt* p, int32_t x, int32_t y) {
  p->x = x;
  p->y = y;
}

void OffsetBigPt(BigPt* p, int32_t dx, int32_t dy) {
  p->x += dx;
  p->y += dy;
}

void FrameBigRect(const BigRect* big) {
  Rect r;
  if (CvtBigRectToRect(big, &r)) FrameRect(&r);
}
