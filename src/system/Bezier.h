#pragma once
// Closed paths of cubic Bezier segments: the geometry that builds smooth
// paths from polygons, the drawing of a path, and its record in a picture as
// text in the program's own comment, so that a playback through
// RozoDrawPicture redraws it smooth at the playback scale. Readers that
// ignore the comment see a coarse raster of the shape made of horizontal
// lines, recorded between the data comments and a "STOP" comment.
//
// Comment kind 5479, data "START 256 drawtype overlaptype linecap linejoin
// miterlimit count " then six numbers per node (in-control x y, node x y,
// out-control x y), each followed by a space; at most 100 nodes a comment.
// An older form has no version: a first number up to 254 is the drawtype,
// the overlap type is 0.
#include <cstdint>
#include <vector>

#include "platform/Pictures.h"
#include "platform/PlatformTypes.h"
#include "platform/QuickDraw.h"

struct BezierPoint {
  float x, y;        // the node
  float xIn, yIn;    // control point of the segment arriving at the node
  float xOut, yOut;  // control point of the segment leaving it
};

struct BezierAttributs {
  int16_t drawtype;
  int16_t overlaptype;
  int16_t linecap;
  int16_t linejoin;
  float miterlimit;
};

constexpr int16_t kCommentBezier = 5479;
constexpr int32_t kBezierNodesParComment = 100;
// Ceilings on what a picture's comments may ask for: nodes in one comment,
// and nodes collected before a STOP.
constexpr int32_t kBezierMaxNodesComment = 1000;
constexpr int32_t kBezierMaxNodesChemin = 100000;
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
typedef void (*BzMapPtProc)(float* x, float* y);
// A data comment is read (bounded: a comment whose numbers run out, or with
// more nodes than its text can hold, is not handled) and either re-emitted
// mapped (recording) or collected; "STOP" draws what was collected.
bool BzProcessBezierCommand(const char* text, int32_t length, bool recording, BzMapPtProc map);
// From the played picture's frame to the destination; an empty frame maps
// as identity.
void BzScalePt(float* x, float* y);
// Reads a data comment's attributes and nodes; false for anything else.
bool BzParseDataComment(const char* text, int32_t length, BezierAttributs* attrs, std::vector<BezierPoint>& nodes);
