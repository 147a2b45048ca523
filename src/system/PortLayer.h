#pragma once
// The drawing-port layer: selecting, saving and restoring the current port,
// offscreen ports, the shared scratch port, the port's text, pen and colour
// state, erasing in a colour and narrowing the clip. Every routine that
// changes the current port saves it first and puts it back before returning.
#include <cstdint>

#include "platform/QuickDraw.h"

struct Document;
struct TextStyle;
struct ExtendedTERec;

// An offscreen port with 32-bit pixels (A, R, G, B, not premultiplied),
// bounds from (0, 0).
typedef GWorldPtr Offscreen;

// The shared scratch port for measuring work: made on first use, never freed.
extern CGrafPtr portTravail;
// Device handed over each time a port is made current; nothing sets it.
extern GDHandle OriginalGDevice;

// Current port.
void RozoGetPortOffscreen(CGrafPtr* port);
void RozoSetPortOffscreen(CGrafPtr port);
CGrafPtr CarboniseGetCurrentPort();
void CarboniseSetPortDialog(DialogPtr dialog);
// Makes the scratch port current and returns the port that was current.
CGrafPtr SetPortTemporaire();
// Creates the scratch port when it does not exist; the current port stays.
void InitPortTemporaire();
// The document's drawing port: its offscreen when it has one, else its
// dialog's window port, else the scratch port (also for a null document).
void CarboniseSetPortDocument(Document* doc);
void CarboniseSetPortDocumentPorts(Offscreen offscreen, DialogPtr dialog);
WindowRef CarboniseGetDialogWindow(DialogPtr dialog);
CGrafPtr CarboniseGetWindowPort(WindowRef window);
CGrafPtr CarboniseGetDialogPort(DialogPtr dialog);
inline int16_t CarboniseIsMacOsX() { return 1; }

// Ports.
Offscreen RozoCreatePortOffscreen(int16_t width, int16_t height, int16_t depth);
Offscreen RozoCreatePortOffscreenRetina(int16_t width, int16_t height, int16_t depth);
void RozoClosePortOffscreen(Offscreen offscreen);
// Base address of the pixels; bounds, row bytes and depth as asked. Row bytes
// are the true distance between rows, whatever the width.
Ptr RozoGetInfoOffscreen(Offscreen offscreen, Rect* bounds, int32_t* rowBytes, int16_t* depth);
CGrafPtr CarboniseCreatePort();
void CarboniseDisposePort(CGrafPtr port);
void CarboniseGetRectPort(CGrafPtr port, Rect* r);
const BitMap* CarboniseGetPortBitMapForCopyBits(CGrafPtr port);
void CarboniseSetPortGrafProcs(CGrafPtr port, CQDProcs* procs);
CQDProcs* CarboniseGetPortGrafProcs(CGrafPtr port);
bool CarboniseIsPicturePort(CGrafPtr port);
bool CarboniseIsPicturePortCourant();
// The picture's frame in host order (the frame of a host-order picture,
// marked 0xCAFE at bytes 12 and 13, is taken as it stands).
void CarboniseGetPicFrame(Handle picture, Rect* r);

// Clip.
RgnHandle CarboniseGetPortClipRegion(CGrafPtr port);  // a new region, the caller's
RgnHandle CarboniseGetCurrentPortClipRegion();
Rect* CarboniseGetPortClipRect(CGrafPtr port, Rect* r);
void CarboniseGetRegionBounds(RgnHandle rgn, Rect* r);
// Narrows the clip to the Rect and returns the previous clip, which
// RestaureClip puts back (and frees). Pairs nest.
RgnHandle AddRectAuClip(const Rect* r);
void RestaureClip(RgnHandle saved);

// Text, pen and colour state.
int16_t CarboniseGetTextFontPortCourant();
int16_t CarboniseGetTextFontPort(CGrafPtr port);
int16_t CarboniseGetTextSizePortCourant();
int16_t CarboniseGetTextSizePort(CGrafPtr port);
uint8_t CarboniseGetTextFacePortCourant();
uint8_t CarboniseGetTextFacePort(CGrafPtr port);
int16_t CarboniseGetTextModePortCourant();
Fixed CarboniseGetTextSpExtraPortCourant();
void CarboniseGetPenLocPortCourant(Point* pt);
void CarboniseGetRgbForeColor(RGBColor* c);
void CarboniseGetRgbBackColor(RGBColor* c);

// Patterns and erasing.
void CarboniseSetPatBlack();
void CarboniseSetPatGray();
void CarboniseSetPatLtGray();
const Pattern* CarboniseGetPatBlack();
void CarboniseBackPatWhite();
void CarboniseEraseColorRect(const Rect* r, const RGBColor* color);
void CarboniseEraseColorRgn(RgnHandle rgn, const RGBColor* color);
void CarboniseEraseRect(const Rect* r);
void EraseWhiteRect(const Rect* r);

// Fonts: the family number of an installed family name: 1, or 0 with id
// left as it was.
int16_t CarboniseGetIDFontFromName(const char* name, int16_t* id);
// ExtendedTESetStyle run inside the text record's own port, with the theme
// drawing state normalised; the current port is put back afterwards.
void CarboniseExtendedTESetStyle(int16_t mode, const TextStyle* style, uint8_t redraw, ExtendedTERec** te);
