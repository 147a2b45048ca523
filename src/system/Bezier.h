#pragma once
// Closed paths of cubic Bezier segments: the geometry that builds smooth
// paths from polygons, the drawing of a path, and its record in a picture as
// text in the program's own comment, so that a playback through
// RozoDrawPicture redraws it smooth at the playback scale. Readers that
// ignore the comment see a coarse raster of the shape made of horizontal
// lines, recorded between the data comments and a "STOP" comment.
// The comments' form, their reading and the replay machine are the
// platform's (platform/PictComments).
#include <cstdint>
#include <vector>

#include "platform/PictComments.h"
#include "platform/Pictures.h"
#include "platform/PlatformTypes.h"
#include "platform/QuickDraw.h"

// The raster fallback holds at most this many pixels.
constexpr int64_t kBezierMaxPixelsRaster = 1000000;

// Unit normal of the corner at (x1, y1), to the right or the left of the
// direction of travel (y grows downward).
void BzGetMedianeDroite(float x0, float y0, float x1, float y1, float x2, float y2, float* x, float* y);
void BzGetMedianeGauche(float x0, float y0, float x1, float y1, float x2, float y2, float* x, float* y);
// Control points of a closed smooth path through the nodes; with end caps,
// the pairs (0, n - 1) and (n/2, n/2 - 1) get half-circle bulges.
void BzSmoothPolygon(BezierPoint* nodes, int32_t count, float smoothing, bool endCaps);
// Nodes and controls, truncated; right and bottom are the maxima plus 1.
void BzGetBBox(const BezierPoint* nodes, int32_t count, Rect* r);

// Draws the path with the platform's shape drawer and, when the current port
// records a picture, records it (data comments, raster lines, STOP). Width 0
// or less means the larger pen dimension.
void RozoDrawBezier(const BezierPoint* nodes, int32_t count, int16_t drawtype, int16_t overlaptype, int16_t linecap,
                    int16_t linejoin, float miterlimit, float width, uint8_t flag);
// One data comment's text for the nodes (at most 100 of them).
Handle BzGetDataHandle(const BezierPoint* nodes, int32_t count, const BezierAttributs& attrs);
// Appends the value with three decimals and a point as the mark, whatever
// the locale, without trailing zeros or point, and a space.
void BzAddVal(Handle h, float value);

// Plays a picture into the current port with its paths honoured.
void RozoDrawPicture(PicHandle pic, const Rect* dst);
bool RozoInDrawPicture();
// Procedures installed during playback (null: the two below).
extern QDCommentProcPtr commentVect;
extern QDLineProcPtr lineVect;
void BzProcessPictComment(int16_t kind, int16_t length, Handle data);
void BzProcessLine(Point pt);
// A data comment is read (bounded: a comment whose numbers run out, or with
// more nodes than its text can hold, is not handled) and either re-emitted
// mapped (recording) or collected; "STOP" draws what was collected.
bool BzProcessBezierCommand(const char* text, int32_t length, bool recording, BzMapPtProc map);
// From the played picture's frame to the destination; an empty frame maps
// as identity.
void BzScalePt(float* x, float* y);
