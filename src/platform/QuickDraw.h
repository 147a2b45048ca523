#pragma once
// QuickDraw stand-in: ports, offscreen worlds, pen, colours, clipping, regions,
// polygons and pixel copies, with the classic pixel geometry (coordinates are
// the lines between pixels, the pen hangs below and to the right of its
// location). Every drawing call dispatches through the current port's
// bottleneck table, so that a picture recorder or a playback hook sees it.
//
// Three kinds of port:
//  - raster ports (offscreen worlds, ports from CreateNewPort): drawing goes
//    into the port's own pixel buffer, exactly, without antialiasing;
//  - cairo ports (QDNewCairoPort): drawing goes as paths into a cairo context
//    supplied by the caller (picture replay into PDF or image surfaces);
//  - hidden window ports (the dialog that serves as a document's drawing
//    port): nothing reaches pixels, but the bottlenecks still run, so
//    pictures are recorded there.
#include <cstddef>
#include <cstdint>

#include "platform/PlatformTypes.h"

typedef struct _cairo cairo_t;
typedef struct _cairo_surface cairo_surface_t;

// ---------------------------------------------------------------------------
// Basic records

struct Pattern {
  uint8_t pat[8];
};

struct PenState {
  Point pnLoc;
  Point pnSize;
  int16_t pnMode;
  Pattern pnPat;
};

struct FontInfo {
  int16_t ascent;
  int16_t descent;
  int16_t widMax;
  int16_t leading;
};

// Pixel map of a port; BitMap and PixMap are one record here. rowBytes is the
// true distance between rows (no flag bits).
struct PixMap {
  Ptr baseAddr;
  int32_t rowBytes;
  Rect bounds;        // local coordinates of the first pixel; offscreens start at (0, 0)
  int16_t pixelSize;  // 32 (A, R, G, B bytes, not premultiplied), 16 (x1555 big-endian) or 8 (system palette)
  int16_t cmpCount;
  int16_t cmpSize;
  Fixed hRes;
  Fixed vRes;
};
typedef PixMap BitMap;
typedef PixMap* PixMapPtr;
typedef PixMap** PixMapHandle;

// Regions: a union of rectangles kept as horizontal bands, each band a sorted
// list of disjoint [left, right) spans. Stored in a relocatable block: this
// header, then bandCount bands of int32 {top, bottom, n, x0, x1, ... x(n-1)}.
struct MacRegion {
  Rect rgnBBox;  // empty rectangle (0, 0, 0, 0) for an empty region
  int32_t bandCount;
  int32_t dataCount;  // int32 values that follow the header
};
typedef MacRegion* RgnPtr;
typedef MacRegion** RgnHandle;

// Polygons: the points as recorded, the first repeated at the end when the
// shape was closed by a LineTo back to it. polySize is the size of the
// classic stored form (10 + 4 x points), kept for pictures.
struct MacPolygon {
  int16_t polySize;
  Rect polyBBox;
  Point polyPoints[1];
};
typedef MacPolygon* PolyPtr;
typedef MacPolygon** PolyHandle;
int32_t QDPolyPointCount(PolyHandle poly);

enum GrafVerb : int16_t {
  kQDGrafVerbFrame = 0,
  kQDGrafVerbPaint = 1,
  kQDGrafVerbErase = 2,
  kQDGrafVerbInvert = 3,
  kQDGrafVerbFill = 4,
};

// Transfer modes.
enum : int16_t {
  srcCopy = 0,
  srcOr = 1,
  srcXor = 2,
  srcBic = 3,
  notSrcCopy = 4,
  notSrcOr = 5,
  notSrcXor = 6,
  notSrcBic = 7,
  patCopy = 8,
  patOr = 9,
  patXor = 10,
  patBic = 11,
  notPatCopy = 12,
  notPatOr = 13,
  notPatXor = 14,
  notPatBic = 15,
  grayishTextOr = 49,
  hilitetransfermode = 50,
  hilite = 50,
  blend = 32,
  addPin = 33,
  addOver = 34,
  subPin = 35,
  transparent = 36,
  addMax = 37,
  subOver = 38,
  adMin = 39,
  ditherCopy = 64,
};

// Classic colour constants for ForeColor and BackColor.
enum : int32_t {
  whiteColor = 30,
  blackColor = 33,
  yellowColor = 69,
  magentaColor = 137,
  redColor = 205,
  cyanColor = 273,
  greenColor = 341,
  blueColor = 409,
};

// Text faces.
enum : uint8_t {
  normal = 0,
  bold = 1,
  italic = 2,
  underline = 4,
  outline = 8,
  shadow = 16,
  condense = 32,
  extend = 64,
};

// ---------------------------------------------------------------------------
// Bottleneck procedures. Every drawing call of this layer ends in one of
// these, taken from the current port's table (or the standard procedures when
// the port has none). Text and text measuring are filled by the text layer.

// One record serves as the classic port, the colour port and the offscreen.
struct GrafPort;
typedef GrafPort CGrafPort;
typedef GrafPort* CGrafPtr;
typedef GrafPort* GrafPtr;
typedef GrafPort* GWorldPtr;

typedef void (*QDTextProcPtr)(int16_t byteCount, const void* textBuf, Point numer, Point denom);
typedef void (*QDLineProcPtr)(Point newPt);
typedef void (*QDRectProcPtr)(GrafVerb verb, const Rect* r);
typedef void (*QDRRectProcPtr)(GrafVerb verb, const Rect* r, int16_t ovalWidth, int16_t ovalHeight);
typedef void (*QDOvalProcPtr)(GrafVerb verb, const Rect* r);
typedef void (*QDArcProcPtr)(GrafVerb verb, const Rect* r, int16_t startAngle, int16_t arcAngle);
typedef void (*QDPolyProcPtr)(GrafVerb verb, PolyHandle poly);
typedef void (*QDRgnProcPtr)(GrafVerb verb, RgnHandle rgn);
typedef void (*QDBitsProcPtr)(const BitMap* srcBits, const Rect* srcRect, const Rect* dstRect, int16_t mode,
                              RgnHandle maskRgn);
// A comment's length is the picture's 16-bit word, which the signed
// parameter carries unchanged: read it with QDCommentLength.
typedef void (*QDCommentProcPtr)(int16_t kind, int16_t dataSize, Handle dataHandle);
typedef int16_t (*QDTxMeasProcPtr)(int16_t byteCount, const void* textAddr, Point* numer, Point* denom, FontInfo* info);
typedef void (*QDGetPicProcPtr)(void* dataPtr, int16_t byteCount);
typedef void (*QDPutPicProcPtr)(const void* dataPtr, int16_t byteCount);

struct CQDProcs {
  QDTextProcPtr textProc;
  QDLineProcPtr lineProc;
  QDRectProcPtr rectProc;
  QDRRectProcPtr rRectProc;
  QDOvalProcPtr ovalProc;
  QDArcProcPtr arcProc;
  QDPolyProcPtr polyProc;
  QDRgnProcPtr rgnProc;
  QDBitsProcPtr bitsProc;
  QDCommentProcPtr commentProc;
  QDTxMeasProcPtr txMeasProc;
  QDGetPicProcPtr getPicProc;
  QDPutPicProcPtr putPicProc;
};
typedef CQDProcs QDProcs;
typedef CQDProcs* CQDProcsPtr;

void SetStdCProcs(CQDProcs* procs);
inline void SetStdProcs(CQDProcs* procs) { SetStdCProcs(procs); }
CQDProcsPtr GetPortGrafProcs(CGrafPtr port);  // null when the port uses the standard procedures
void SetPortGrafProcs(CGrafPtr port, CQDProcsPtr procs);
// The table in force for a port: its own, or the standard one.
const CQDProcs* QDGetProcs(CGrafPtr port);
// Bytes of a comment a comment procedure receives: its length read unsigned
// (comments run to 65535 bytes), never past its data handle; 0 without data.
size_t QDCommentLength(int16_t dataSize, Handle dataHandle);

void StdText(int16_t byteCount, const void* textBuf, Point numer, Point denom);
void StdLine(Point newPt);
void StdRect(GrafVerb verb, const Rect* r);
void StdRRect(GrafVerb verb, const Rect* r, int16_t ovalWidth, int16_t ovalHeight);
void StdOval(GrafVerb verb, const Rect* r);
void StdArc(GrafVerb verb, const Rect* r, int16_t startAngle, int16_t arcAngle);
void StdPoly(GrafVerb verb, PolyHandle poly);
void StdRgn(GrafVerb verb, RgnHandle rgn);
void StdBits(const BitMap* srcBits, const Rect* srcRect, const Rect* dstRect, int16_t mode, RgnHandle maskRgn);
void StdComment(int16_t kind, int16_t dataSize, Handle dataHandle);
int16_t StdTxMeas(int16_t byteCount, const void* textAddr, Point* numer, Point* denom, FontInfo* info);
void StdGetPic(void* dataPtr, int16_t byteCount);
void StdPutPic(const void* dataPtr, int16_t byteCount);

// Picture recording seam. While a port defines a picture (its picSave is
// set), each standard procedure first hands its operation, with the port's
// state as it stands before the operation, to this table's matching entry
// (entries may be null). The picture unit installs it.
extern const CQDProcs* gQDPictureRecorder;

// ---------------------------------------------------------------------------
// Ports

enum QDPortKind : int16_t {
  kQDPortHidden = 0,  // no pixels: only the bottlenecks run
  kQDPortRaster = 1,  // its own pixel buffer
  kQDPortCairo = 2,   // a caller's cairo context
};

struct QDWindowRecord;

struct GrafPort {
  QDPortKind kind;
  PixMap pixMap;      // baseAddr null for hidden and cairo ports
  PixMap* pixMapPtr;  // &pixMap, so that &pixMapPtr is a PixMapHandle
  Rect portRect;
  RgnHandle visRgn;   // the port's drawable area (its bounds)
  RgnHandle clipRgn;  // wide open (-32767..32767) in a new port
  Pattern bkPat;
  Pattern pnPat;
  Pattern fillPat;
  Point pnLoc;
  Point pnSize;
  int16_t pnMode;
  int16_t pnVis;  // drawing shows only while 0 or more
  int16_t txFont;
  uint8_t txFace;
  int16_t txMode;
  int16_t txSize;  // 0 means 12
  Fixed spExtra;
  RGBColor rgbFgColor;
  RGBColor rgbBkColor;
  CQDProcs* grafProcs;     // null: standard procedures
  void* picSave;           // picture being defined (owned by the picture unit)
  void* rgnSave;           // region being defined (OpenRgn)
  PolyHandle polySave;     // polygon being defined (OpenPoly)
  QDWindowRecord* window;  // the window that owns the port, if any
  cairo_t* cairo;          // target of a cairo port (not owned)
  bool ownsPixels;
  size_t pixelsMapped;  // bytes of owned pixels from mmap (0: from malloc)
  bool pixelsPending;   // white pixels not made yet: read pixMap through the
                        // platform's calls (GetPortPixMap...), which make them
};

void GetPort(GrafPtr* port);
void SetPort(GrafPtr port);
GrafPtr GetQDGlobalsThePort();
typedef struct QDGDevice** GDHandle;  // devices are never used: always null
void GetGWorld(CGrafPtr* port, GDHandle* gdh);
void SetGWorld(CGrafPtr port, GDHandle gdh);

// A raster port, 600 wide and 800 high (32 bits, white); like the classic
// call, it becomes the current port.
CGrafPtr CreateNewPort();
void DisposePort(CGrafPtr port);
// A port drawing as paths into cr, whose user space is the port's local
// coordinates; the caller keeps cr alive while the port lives.
CGrafPtr QDNewCairoPort(cairo_t* cr, const Rect* bounds);

Rect* GetPortBounds(CGrafPtr port, Rect* r);
const BitMap* GetPortBitMapForCopyBits(CGrafPtr port);
PixMapHandle GetPortPixMap(CGrafPtr port);
Boolean IsPortPictureBeingDefined(CGrafPtr port);
Boolean IsPortRegionBeingDefined(CGrafPtr port);
Boolean IsPortPolyBeingDefined(CGrafPtr port);
RgnHandle GetPortClipRegion(CGrafPtr port, RgnHandle clipRgn);  // copies into clipRgn, returns it
void SetPortClipRegion(CGrafPtr port, RgnHandle clipRgn);
RgnHandle GetPortVisibleRegion(CGrafPtr port, RgnHandle visRgn);
int16_t GetPortTextFont(CGrafPtr port);
uint8_t GetPortTextFace(CGrafPtr port);
int16_t GetPortTextSize(CGrafPtr port);
int16_t GetPortTextMode(CGrafPtr port);
Fixed GetPortSpExtra(CGrafPtr port);
Point* GetPortPenLocation(CGrafPtr port, Point* pt);
Point* GetPortPenSize(CGrafPtr port, Point* sz);
int32_t GetPortPenMode(CGrafPtr port);
int16_t GetPortPenVisibility(CGrafPtr port);
RGBColor* GetPortForeColor(CGrafPtr port, RGBColor* c);
RGBColor* GetPortBackColor(CGrafPtr port, RGBColor* c);
Pattern* GetPortBackPat(CGrafPtr port, Pattern* pat);
Pattern* GetPortPenPat(CGrafPtr port, Pattern* pat);

// Windows and dialogs: only what a hidden dialog used as a drawing port needs.
typedef QDWindowRecord* WindowRef;
typedef QDWindowRecord* WindowPtr;
typedef QDWindowRecord* DialogRef;
typedef QDWindowRecord* DialogPtr;
DialogPtr NewColorDialog(void* storage, const Rect* bounds, ConstStr255Param title, Boolean visible, int16_t procID,
                         WindowRef behind, Boolean goAwayFlag, int32_t refCon, Handle items);
void DisposeDialog(DialogPtr dialog);
WindowRef GetDialogWindow(DialogPtr dialog);
CGrafPtr GetWindowPort(WindowRef window);
CGrafPtr GetDialogPort(DialogPtr dialog);

// ---------------------------------------------------------------------------
// Offscreen worlds

typedef uint32_t GWorldFlags;
typedef int16_t QDErr;
enum : GWorldFlags {
  pixPurge = 1,
  noNewDevice = 2,
  useTempMem = 4,
  keepLocal = 8,
};
enum : QDErr { qdNoErr = 0, cDepthErr = -157 };
typedef void* CTabHandle;

// Depths 32, 16 and 8 (0 and 24 mean 32). Pixels start cleared to 0. A
// request beyond kQDMaxPixelBytes, or of a non-positive size, fails with
// memFullErr / paramErr and a null world.
constexpr int64_t kQDMaxPixelBytes = 256 * 1024 * 1024;
constexpr int32_t kQDMaxPixelSide = 32767;
QDErr NewGWorld(GWorldPtr* offscreen, int16_t depth, const Rect* bounds, CTabHandle ctab, GDHandle gdh,
                GWorldFlags flags);
void DisposeGWorld(GWorldPtr offscreen);
PixMapHandle GetGWorldPixMap(GWorldPtr offscreen);
inline Boolean LockPixels(PixMapHandle pm) { return pm != nullptr; }
inline void UnlockPixels(PixMapHandle) {}
Ptr GetPixBaseAddr(PixMapHandle pm);
int32_t GetPixRowBytes(PixMapHandle pm);
Rect* GetPixBounds(PixMapHandle pm, Rect* r);
int16_t GetPixDepth(PixMapHandle pm);

// Raster output, for tools and tests. QDGetPixel answers opaque-style
// 0xAARRGGBB for any depth (0 outside the pixels).
uint32_t QDGetPixel(CGrafPtr port, int16_t h, int16_t v);
// A new cairo image surface (ARGB32, premultiplied) holding a copy of the
// port's pixels; the caller destroys it. Null for ports without pixels.
cairo_surface_t* QDCopyPortToCairoSurface(CGrafPtr port);
Boolean QDWritePortPNG(CGrafPtr port, const char* path);
// Cairo drawing into a raster port's pixels over an area (null: the whole
// port): the context's user space is the port's local coordinates, clipped to
// the port's clip; QDEndCairo writes the pixels back. For a cairo port the
// port's own context is returned (with its state saved) and put back.
cairo_t* QDBeginCairo(CGrafPtr port, const Rect* area);
void QDEndCairo(CGrafPtr port, cairo_t* cr);

// ---------------------------------------------------------------------------
// Rectangles and points

void SetRect(Rect* r, int16_t left, int16_t top, int16_t right, int16_t bottom);
void OffsetRect(Rect* r, int16_t dh, int16_t dv);
void InsetRect(Rect* r, int16_t dh, int16_t dv);
Boolean SectRect(const Rect* a, const Rect* b, Rect* dst);  // an empty result is (0, 0, 0, 0)
void UnionRect(const Rect* a, const Rect* b, Rect* dst);
Boolean EmptyRect(const Rect* r);
Boolean PtInRect(Point pt, const Rect* r);
Boolean EqualRect(const Rect* a, const Rect* b);
void Pt2Rect(Point a, Point b, Rect* dst);
void SetPt(Point* pt, int16_t h, int16_t v);
Boolean EqualPt(Point a, Point b);
void AddPt(Point src, Point* dst);
void SubPt(Point src, Point* dst);
// Ports have no origin of their own: local and global coordinates agree.
inline void LocalToGlobal(Point*) {}
inline void GlobalToLocal(Point*) {}

// ---------------------------------------------------------------------------
// Pen and patterns

void MoveTo(int16_t h, int16_t v);
void Move(int16_t dh, int16_t dv);
void LineTo(int16_t h, int16_t v);
void Line(int16_t dh, int16_t dv);
void GetPen(Point* pt);
void PenSize(int16_t width, int16_t height);
void PenMode(int16_t mode);
void PenPat(const Pattern* pat);
void PenNormal();
void HidePen();
void ShowPen();
void GetPenState(PenState* state);
void SetPenState(const PenState* state);
void BackPat(const Pattern* pat);

Pattern* GetQDGlobalsBlack(Pattern* pat);
Pattern* GetQDGlobalsWhite(Pattern* pat);
Pattern* GetQDGlobalsGray(Pattern* pat);
Pattern* GetQDGlobalsLightGray(Pattern* pat);
Pattern* GetQDGlobalsDarkGray(Pattern* pat);

// ---------------------------------------------------------------------------
// Text state (drawing and measuring belong to the text layer)

void TextFont(int16_t font);
void TextFace(int16_t face);
void TextSize(int16_t size);
void TextMode(int16_t mode);
void SpaceExtra(Fixed extra);

// ---------------------------------------------------------------------------
// Colours

void ForeColor(int32_t color);
void BackColor(int32_t color);
void RGBForeColor(const RGBColor* c);
void RGBBackColor(const RGBColor* c);
void GetForeColor(RGBColor* c);
void GetBackColor(RGBColor* c);
// Number of ForeColor/BackColor/RGBForeColor/RGBBackColor calls since start
// (lets tests see that unchanged colours are not set again).
uint32_t QDColorCallCount();

// Theme drawing state: a saved copy of the current port's pen, patterns,
// colours and text mode. Reading it always succeeds here.
typedef struct QDThemeDrawingState* ThemeDrawingState;
OSStatus GetThemeDrawingState(ThemeDrawingState* state);
OSStatus SetThemeDrawingState(ThemeDrawingState state, Boolean disposeNow);
OSStatus DisposeThemeDrawingState(ThemeDrawingState state);
// Normal pen, black on white, solid white background pattern, text mode srcOr.
OSStatus NormalizeThemeDrawingState();

// ---------------------------------------------------------------------------
// Shapes

void FrameRect(const Rect* r);
void PaintRect(const Rect* r);
void EraseRect(const Rect* r);
void InvertRect(const Rect* r);
void FillRect(const Rect* r, const Pattern* pat);

void FrameOval(const Rect* r);
void PaintOval(const Rect* r);
void EraseOval(const Rect* r);
void InvertOval(const Rect* r);
void FillOval(const Rect* r, const Pattern* pat);

void FrameRoundRect(const Rect* r, int16_t ovalWidth, int16_t ovalHeight);
void PaintRoundRect(const Rect* r, int16_t ovalWidth, int16_t ovalHeight);
void EraseRoundRect(const Rect* r, int16_t ovalWidth, int16_t ovalHeight);
void InvertRoundRect(const Rect* r, int16_t ovalWidth, int16_t ovalHeight);
void FillRoundRect(const Rect* r, int16_t ovalWidth, int16_t ovalHeight, const Pattern* pat);

// Angles in degrees, 0 at twelve o'clock, clockwise.
void FrameArc(const Rect* r, int16_t startAngle, int16_t arcAngle);
void PaintArc(const Rect* r, int16_t startAngle, int16_t arcAngle);
void EraseArc(const Rect* r, int16_t startAngle, int16_t arcAngle);
void InvertArc(const Rect* r, int16_t startAngle, int16_t arcAngle);
void FillArc(const Rect* r, int16_t startAngle, int16_t arcAngle, const Pattern* pat);

PolyHandle OpenPoly();
void ClosePoly();
void KillPoly(PolyHandle poly);
void OffsetPoly(PolyHandle poly, int16_t dh, int16_t dv);
void FramePoly(PolyHandle poly);
void PaintPoly(PolyHandle poly);
void ErasePoly(PolyHandle poly);
void InvertPoly(PolyHandle poly);
void FillPoly(PolyHandle poly, const Pattern* pat);

// ---------------------------------------------------------------------------
// Regions

RgnHandle NewRgn();
void DisposeRgn(RgnHandle rgn);
void CopyRgn(RgnHandle src, RgnHandle dst);
void SetEmptyRgn(RgnHandle rgn);
void SetRectRgn(RgnHandle rgn, int16_t left, int16_t top, int16_t right, int16_t bottom);
void RectRgn(RgnHandle rgn, const Rect* r);
// Lines and frames drawn between OpenRgn and CloseRgn outline the region
// (even-odd); nothing is drawn meanwhile.
void OpenRgn();
void CloseRgn(RgnHandle dst);
void OffsetRgn(RgnHandle rgn, int16_t dh, int16_t dv);
void InsetRgn(RgnHandle rgn, int16_t dh, int16_t dv);
void SectRgn(RgnHandle a, RgnHandle b, RgnHandle dst);
void UnionRgn(RgnHandle a, RgnHandle b, RgnHandle dst);
void DiffRgn(RgnHandle a, RgnHandle b, RgnHandle dst);
void XorRgn(RgnHandle a, RgnHandle b, RgnHandle dst);
Boolean PtInRgn(Point pt, RgnHandle rgn);
Boolean RectInRgn(const Rect* r, RgnHandle rgn);
Boolean EqualRgn(RgnHandle a, RgnHandle b);
Boolean EmptyRgn(RgnHandle rgn);
Boolean IsRegionRectangular(RgnHandle rgn);
Rect* GetRegionBounds(RgnHandle rgn, Rect* bounds);
// The region of a polygon (even-odd), as PaintPoly fills it.
void QDPolyToRgn(PolyHandle poly, RgnHandle dst);

void FrameRgn(RgnHandle rgn);
void PaintRgn(RgnHandle rgn);
void EraseRgn(RgnHandle rgn);
void InvertRgn(RgnHandle rgn);
void FillRgn(RgnHandle rgn, const Pattern* pat);

// The classic stored region form used in pictures: u16 size, bounds (top,
// left, bottom, right), then for a non-rectangular region its inversion
// points row by row (v, h..., 0x7FFF) and a final 0x7FFF; all big-endian.
// QDRegionToBytes replaces the content of out (a handle) and returns noErr,
// or memFullErr when the form would exceed 32767 bytes. QDRegionFromBytes
// reads at most size bytes, checks every field, and stores the number of
// bytes used; false for a damaged form (dst then empty).
OSErr QDRegionToBytes(RgnHandle rgn, Handle out);
Boolean QDRegionFromBytes(const uint8_t* data, size_t size, RgnHandle dst, size_t* used);

// ---------------------------------------------------------------------------
// Clip

void GetClip(RgnHandle rgn);
void SetClip(RgnHandle rgn);
void ClipRect(const Rect* r);

// ---------------------------------------------------------------------------
// Pixel copies

// Copies between pixel maps, scaling srcRect onto dstRect (nearest pixel).
// Modes srcCopy, srcOr, srcXor, srcBic, transparent (pixels of the
// destination port's background colour are skipped); ditherCopy is ignored.
// When dstBits is the current port's, the copy goes through the port's bits
// bottleneck and is clipped to its clip region; maskRgn further limits it.
void CopyBits(const BitMap* srcBits, const BitMap* dstBits, const Rect* srcRect, const Rect* dstRect, int16_t mode,
              RgnHandle maskRgn);

// ---------------------------------------------------------------------------
// PackBits

// Packs srcBytes bytes from *srcPtr to *dstPtr and advances both pointers;
// the worst case output is srcBytes + (srcBytes + 127) / 128 bytes.
void PackBits(Ptr* srcPtr, Ptr* dstPtr, int16_t srcBytes);
// Unpacks until dstBytes bytes were produced, advancing both pointers. The
// source must be trusted; data from files goes through QDUnpackBitsChecked.
void UnpackBits(Ptr* srcPtr, Ptr* dstPtr, int16_t dstBytes);
// Unpacks at most srcSize bytes of source into exactly dstSize bytes; false
// when the source ends early or a run would overflow the destination.
Boolean QDUnpackBitsChecked(const uint8_t* src, size_t srcSize, uint8_t* dst, size_t dstSize, size_t* srcUsed);
