#pragma once
// Pictures: recording what is drawn into a port as version-2 PICT bytes, and
// playing any picture (version 1, version 2, version-2 host-order) back
// through the current port's bottleneck procedures.
//
// While a picture is open on a port, the standard procedures hand every
// drawing operation to the recorder, which writes the state opcodes the
// operation depends on (clip, font and font name, face, size, mode, pen,
// patterns, colours) only when they changed since the last operation, then
// the drawing opcode itself.
#include <cstdint>

#include "platform/PlatformTypes.h"
#include "platform/QuickDraw.h"

// A picture is a handle of PICT bytes (big-endian size word and frame first).
typedef Handle PicHandle;

// Starts recording on the current port; the handle grows as drawing goes on
// and is complete after ClosePicture. Null when the port already records or
// memory is short.
PicHandle OpenPicture(const Rect* picFrame);
void ClosePicture();
void KillPicture(PicHandle pic);
// Records a comment while the current port defines a picture (through the
// port's comment procedure); nothing otherwise.
void PicComment(int16_t kind, int16_t dataSize, Handle dataHandle);

// Plays the picture into the current port, mapping its frame onto dst. An
// unknown or truncated opcode stops the playback; the port's pen, text,
// colour and clip state are restored afterwards.
void DrawPicture(PicHandle pic, const Rect* dstRect);
// DrawPicture that tells whether the picture was played to its end opcode:
// false for anything that is not a picture, an empty frame, and a picture
// cut short by an unknown or truncated opcode (what came before is drawn).
bool QDPlayPicture(PicHandle pic, const Rect* dstRect);

// The frame in host integers (version-2 host-order frames read as stored).
Rect* QDGetPictureBounds(PicHandle pic, Rect* r);
