#pragma once
// Replay of a picture into a cairo context (PDF or image surface): the bridge
// by which every recorded page reaches the host.
//
// The picture plays through a cairo port whose bottlenecks honour the
// system's own picture comments:
//  - kind 100 ("Qrvl", version 1, angle, UTF-8): the Unicode text is drawn at
//    its angle in place of the 8-bit text that follows;
//  - kinds 5476 / 5477: transcoding off / on; while off, 8-bit text bytes are
//    music-font codes (drawn as U+F000 + code);
//  - kind 5479: Bezier path data ("START ...") is collected and drawn as
//    paths at the "STOP" comment; the raster fallback lines between them are
//    skipped.
// (platform/PictComments reads them all.)
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/Pictures.h"
#include "platform/PlatformTypes.h"

typedef struct _cairo cairo_t;

// Plays `pic` into `cr`, mapping its frame onto dst in the context's user
// space (y downwards). False when the picture cannot be read to its end: not
// a picture at all, or cut short by an unknown or truncated opcode (what
// came before that is drawn).
bool DrawPictureIntoContext(cairo_t* cr, PicHandle pic, const Rect* dst);

// Text as the replay hands it to the text engine: code points, the port's
// font, face and size scaled by the picture, the foreground colour, the
// baseline origin in user space and the angle (degrees, counter-clockwise).
struct PictReplayText {
  const uint32_t* chars;
  size_t count;
  int16_t font;
  uint8_t face;
  float size;
  float ratio;  // horizontal scale of the picture relative to its vertical one
  RGBColor color;
  double x, y;
  double angle;
};
// Draws replayed text with the Unicode text engine.
void PictReplayDrawText(cairo_t* cr, const PictReplayText& t);
// The text drawer the replay calls (PictReplayDrawText unless replaced, as
// tests do to see what would be drawn).
extern void (*gPictReplayTextProc)(cairo_t* cr, const PictReplayText& t);
