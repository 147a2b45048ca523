#pragma once
// Rotated shapes: points, move vectors and rectangles turned about a centre
// (angles in signed degrees, counter-clockwise on the screen), the bounds,
// region, outline, fill and hit test of a turned rectangle, pen moves in a
// turned frame, and the bevelled grey frame of rulers.
//
// The rectangle operations turn only for a non-zero angle in a Unicode
// application; otherwise they are their plain QuickDraw forms. Points,
// vectors and pen moves turn whatever the flag.
#include <cstdint>

#include "platform/PlatformTypes.h"
#include "platform/QuickDraw.h"

void RotateTransformPoint(int16_t angle, const Rect* r, Point* pt);
void RotateTransformXYMove(int16_t angle, float dx, float dy, Point* out);
void GetBoundRotateRect(const Rect* r, int16_t angle, Rect* out);
RgnHandle GetRgnFromRotatedRect(const Rect* r, int16_t angle);  // the caller disposes
void PaintRotatedRect(const Rect* r, int16_t angle);
void FrameRotatedRect(const Rect* r, int16_t angle);
bool IsPtInRotatedRect(Point pt, const Rect* r, int16_t angle);
// The pen location taken back into the unturned frame.
void GetPenRotate(Point* pt, const Rect* centre, int16_t angle);
void MoveRotate(int16_t dx, int16_t dy, int16_t angle);
void LineRotate(int16_t dx, int16_t dy, int16_t angle);
void MoveToRotate(int16_t h, int16_t v, const Rect* centre, int16_t angle);
// Leaves the background colour as it was and the foreground black.
void TraceCadreRelief(const Rect* r, bool erase);
