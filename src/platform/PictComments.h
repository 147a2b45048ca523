#pragma once
// The system's own picture comments, read and written in this one place, and
// the replay of the paths they carry:
//  - 100: Unicode text ("Qrvl", version 1, the angle, UTF-8 bytes), drawn in
//    place of the 8-bit text that follows it;
//  - 5478: the same text as the angle and UTF-16 units;
//  - 5476 / 5477: transcoding off / on (8-bit text bytes are music-font codes
//    while it is off);
//  - 5479: a closed path of cubic Bezier segments as text, "START 256
//    drawtype overlaptype linecap linejoin miterlimit count " then six
//    numbers per node (in-control x y, node x y, out-control x y), each
//    followed by a space, at most 100 nodes a comment; an older form has no
//    version (a first number up to 254 is the drawtype, the overlap type 0).
//    The path's coarse raster follows as horizontal lines for readers that
//    ignore the comment, closed by a comment "STOP".
// Numbers in comments always use a point as the decimal mark.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/PlatformTypes.h"
#include "platform/QuickDraw.h"

constexpr int16_t kCommentUnicodeText = 100;
constexpr int16_t kCommentTranscodeOff = 5476;
constexpr int16_t kCommentTranscodeOn = 5477;
constexpr int16_t kCommentUnicodeText16 = 5478;
constexpr int16_t kCommentBezier = 5479;
constexpr int32_t kCommentUnicodeHeader = 8;

// The Unicode text payloads (both little-endian), into out (replaced).
void FabriqueCommentaireUTF(const char* utf8, int32_t length, int16_t angle, std::vector<uint8_t>& out);
void FabriqueCommentaireUTF16(const UniChar* units, int32_t count, int16_t angle, std::vector<uint8_t>& out);
// Reads a kind-100 payload from a picture. Pictures come from documents:
// anything shorter than its header, or of another tag or version, is refused.
bool LitCommentaireUTF(const uint8_t* data, int32_t size, int16_t* angle, const uint8_t** text, int32_t* length);

struct BezierPoint {
  float x, y;        // the node
  float xIn, yIn;    // control point of the segment arriving at the node
  float xOut, yOut;  // control point of the segment leaving it
};

// Handed unchanged from the drawing call to the comment and the shape drawer.
struct BezierAttributs {
  int16_t drawtype;
  int16_t overlaptype;  // 1: nonzero winding; anything else: even-odd
  int16_t linecap;
  int16_t linejoin;
  float miterlimit;
};

constexpr int32_t kBezierNodesParComment = 100;
// Ceilings on what a picture's comments may ask for: nodes in one comment,
// and nodes collected before a STOP (what comes beyond is dropped).
constexpr int32_t kBezierMaxNodesComment = 1000;
constexpr int32_t kBezierMaxNodesChemin = 100000;
// Coordinates beyond this are taken for damage.
constexpr float kBezierMaxCoord = 1.0e7f;

// Appends "%.3f" without trailing zeros or point, and a space.
void BzAppendVal(std::string& s, float value);
// One data comment's text for the nodes (at most 100 of them), into out.
void BzFormatDataComment(const BezierPoint* nodes, int32_t count, const BezierAttributs& attrs, std::string& out);
// Reads a data comment: its attributes and nodes (replacing `nodes`). False,
// with `nodes` empty, for anything else and for a damaged comment: numbers
// that run out, that are not finite, attributes beyond 16 bits, coordinates
// beyond kBezierMaxCoord, a count outside 1..1000 or beyond what the text
// can hold.
bool BzParseDataComment(const char* text, int32_t length, BezierAttributs* attrs, std::vector<BezierPoint>& nodes);

// A point of a picture's frame to the destination rectangle; an empty frame
// maps as identity.
void BzMapPoint(const Rect& src, const Rect& dst, float* x, float* y);

// Replay of path comments: a data comment's nodes are collected (mapped) and
// drawn at the STOP comment; the lines between them are the raster fallback
// and only move the pen. Into a port that records, a data comment is handed
// on mapped instead, and STOP and the lines pass through.
struct BezierReplay {
  bool engaged = false;  // between a data comment and its STOP
  BezierAttributs attrs{0, 0, 0, 0, 1.0f};
  std::vector<BezierPoint> path;     // collected, mapped
  std::vector<BezierPoint> comment;  // the comment being read
};
typedef void (*BzMapPtProc)(float* x, float* y);
typedef void (*BzPathProc)(const BezierPoint* nodes, int32_t count, const BezierAttributs& attrs);
// One comment of kind 5479; true when it was handled (the caller passes the
// others on). `map` may be null; `emit` gets a recording port's comments.
bool BzReplayComment(BezierReplay& r, const char* text, int32_t length, bool recording, BzMapPtProc map,
                     BzPathProc emit, BzPathProc draw);
// At the end of a replay: a path whose STOP never came is still drawn, as
// its fallback was skipped.
void BzReplayFinish(BezierReplay& r, BzPathProc draw);

// The shape drawer: fills the closed path in the colour, in any port (a
// cairo port's context, or the pixels of a raster port, where only the
// path's bounds are touched; a port without pixels draws nothing), nonzero
// winding when the overlap type is 1, even-odd otherwise.
void QDFillBezierPath(CGrafPtr port, const BezierPoint* nodes, int32_t count, const BezierAttributs& attrs,
                      const RGBColor& color, bool antialias);
