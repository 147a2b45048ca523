// Ports: creation, the current port, offscreen worlds, hidden dialogs, and
// the pen, text, colour and clip state of a port.
#include <sys/mman.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/Memory.h"
#include "platform/QDInternal.h"

struct QDWindowRecord {
  CGrafPtr port;
  bool visible;
  int32_t refCon;
};

struct QDThemeDrawingState {
  PenState pen;
  int16_t pnVis;
  Pattern bkPat;
  Pattern fillPat;
  RGBColor fg;
  RGBColor bg;
  int16_t txMode;
};

const CQDProcs* gQDPictureRecorder = nullptr;

namespace {

CGrafPtr gThePort = nullptr;
CGrafPtr gDefaultPort = nullptr;  // stands in when no port was ever set
uint32_t gColorCalls = 0;

constexpr Pattern kBlack = {{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}};
constexpr Pattern kWhite = {{0, 0, 0, 0, 0, 0, 0, 0}};
constexpr Pattern kGray = {{0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55}};
constexpr Pattern kLtGray = {{0x88, 0x22, 0x88, 0x22, 0x88, 0x22, 0x88, 0x22}};
constexpr Pattern kDkGray = {{0x77, 0xDD, 0x77, 0xDD, 0x77, 0xDD, 0x77, 0xDD}};

CGrafPtr AllocPort(QDPortKind kind, const Rect& bounds) {
  CGrafPtr port = static_cast<CGrafPtr>(std::calloc(1, sizeof(CGrafPort)));
  if (!port) return nullptr;
  port->kind = kind;
  port->pixMapPtr = &port->pixMap;
  port->pixMap.bounds = bounds;
  port->pixMap.pixelSize = 32;
  port->pixMap.cmpCount = 3;
  port->pixMap.cmpSize = 8;
  port->pixMap.hRes = port->pixMap.vRes = 72 << 16;
  port->portRect = bounds;
  port->visRgn = NewRgn();
  port->clipRgn = NewRgn();
  if (!port->visRgn || !port->clipRgn) {
    DisposeRgn(port->visRgn);
    DisposeRgn(port->clipRgn);
    std::free(port);
    return nullptr;
  }
  RectRgn(port->visRgn, &bounds);
  SetRectRgn(port->clipRgn, -32767, -32767, 32767, 32767);
  port->bkPat = kWhite;
  port->pnPat = kBlack;
  port->fillPat = kBlack;
  port->pnSize = Point{1, 1};
  port->pnMode = patCopy;
  port->txMode = srcOr;
  port->rgbFgColor = RGBColor{0, 0, 0};
  port->rgbBkColor = RGBColor{0xFFFF, 0xFFFF, 0xFFFF};
  return port;
}

constexpr size_t kPixelsMappedFrom = 1 << 20;

// Pixel format of a raster port: false when the size is out of bounds.
bool SetPixelFormat(CGrafPtr port, int16_t depth) {
  const Rect& b = port->portRect;
  int32_t w = int32_t(b.right) - b.left, h = int32_t(b.bottom) - b.top;
  if (w <= 0 || h <= 0 || w > kQDMaxPixelSide || h > kQDMaxPixelSide) return false;
  int64_t rowBytes = (int64_t(w) * depth / 8 + 3) & ~int64_t(3);
  if (rowBytes * h > kQDMaxPixelBytes) return false;
  port->pixMap.rowBytes = int32_t(rowBytes);
  port->pixMap.pixelSize = depth;
  port->pixMap.cmpCount = depth == 8 ? 1 : 3;
  port->pixMap.cmpSize = depth == 32 ? 8 : depth == 16 ? 5 : 8;
  return true;
}

// The pixel buffer of a port whose format is set: false when the memory is
// not there.
bool MakePixels(CGrafPtr port, bool white) {
  const size_t size = size_t(port->pixMap.rowBytes) * size_t(int32_t(port->portRect.bottom) - port->portRect.top);
  void* pixels = nullptr;
#if !defined(__SANITIZE_ADDRESS__)
  // A large white buffer is written whole at once: asking for its pages in
  // one call spares a page fault per 4 KiB.
  if (white && size >= kPixelsMappedFrom) {
    void* m = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
    if (m != MAP_FAILED) {
      pixels = m;
      port->pixelsMapped = size;
    }
  }
#endif
  if (!pixels) pixels = std::calloc(size, 1);
  if (!pixels) return false;
  if (white) std::memset(pixels, 0xFF, size);
  port->pixMap.baseAddr = static_cast<Ptr>(pixels);
  port->ownsPixels = true;
  return true;
}

void FreePort(CGrafPtr port) {
  if (!port) return;
  if (gThePort == port) gThePort = nullptr;
  if (port->ownsPixels && port->pixelsMapped) munmap(port->pixMap.baseAddr, port->pixelsMapped);
  else if (port->ownsPixels) std::free(port->pixMap.baseAddr);
  DisposeRgn(port->visRgn);
  DisposeRgn(port->clipRgn);
  if (port->polySave) DisposeHandle(reinterpret_cast<Handle>(port->polySave));
  delete static_cast<qd::RgnSave*>(port->rgnSave);
  std::free(port);
}

}  // namespace

namespace qd {

CGrafPtr ThePort() {
  if (gThePort) return gThePort;
  if (!gDefaultPort) gDefaultPort = AllocPort(kQDPortHidden, Rect{0, 0, 0, 0});
  return gDefaultPort;
}

bool PortPixels(CGrafPtr port) {
  if (port->pixelsPending) {
    port->pixelsPending = false;
    MakePixels(port, true);
  }
  return port->pixMap.baseAddr != nullptr;
}

const Pattern& BlackPat() { return kBlack; }
const Pattern& WhitePat() { return kWhite; }

uint32_t ToARGB(const RGBColor& c) {
  return 0xFF000000u | (uint32_t(c.red >> 8) << 16) | (uint32_t(c.green >> 8) << 8) | uint32_t(c.blue >> 8);
}

}  // namespace qd

using namespace qd;

// ---------------------------------------------------------------------------
// Current port

void GetPort(GrafPtr* port) {
  if (port) *port = gThePort;
}
void SetPort(GrafPtr port) { gThePort = port; }
GrafPtr GetQDGlobalsThePort() { return gThePort; }
void GetGWorld(CGrafPtr* port, GDHandle* gdh) {
  if (port) *port = gThePort;
  if (gdh) *gdh = nullptr;
}
void SetGWorld(CGrafPtr port, GDHandle) { gThePort = port; }

CGrafPtr CreateNewPort() {
  CGrafPtr port = AllocPort(kQDPortRaster, Rect{0, 0, 800, 600});
  if (!port) return nullptr;
  if (!SetPixelFormat(port, 32)) {
    FreePort(port);
    return nullptr;
  }
  // Its white pixels (1.9 MB) are made when something first draws into or
  // reads the port: a document's port mostly measures text and records
  // pictures.
  port->pixelsPending = true;
  gThePort = port;
  return port;
}

void DisposePort(CGrafPtr port) { FreePort(port); }

CGrafPtr QDNewCairoPort(cairo_t* cr, const Rect* bounds) {
  if (!cr || !bounds) return nullptr;
  CGrafPtr port = AllocPort(kQDPortCairo, *bounds);
  if (port) port->cairo = cr;
  return port;
}

Rect* GetPortBounds(CGrafPtr port, Rect* r) {
  if (r) *r = port ? port->portRect : Rect{0, 0, 0, 0};
  return r;
}
const BitMap* GetPortBitMapForCopyBits(CGrafPtr port) {
  if (!port) return nullptr;
  PortPixels(port);
  return &port->pixMap;
}
PixMapHandle GetPortPixMap(CGrafPtr port) {
  if (!port) return nullptr;
  PortPixels(port);
  return &port->pixMapPtr;
}
Boolean IsPortPictureBeingDefined(CGrafPtr port) { return port && port->picSave != nullptr; }
Boolean IsPortRegionBeingDefined(CGrafPtr port) { return port && port->rgnSave != nullptr; }
Boolean IsPortPolyBeingDefined(CGrafPtr port) { return port && port->polySave != nullptr; }
RgnHandle GetPortClipRegion(CGrafPtr port, RgnHandle clipRgn) {
  if (port && clipRgn) CopyRgn(port->clipRgn, clipRgn);
  return clipRgn;
}
void SetPortClipRegion(CGrafPtr port, RgnHandle clipRgn) {
  if (port && clipRgn) CopyRgn(clipRgn, port->clipRgn);
}
RgnHandle GetPortVisibleRegion(CGrafPtr port, RgnHandle visRgn) {
  if (port && visRgn) CopyRgn(port->visRgn, visRgn);
  return visRgn;
}
int16_t GetPortTextFont(CGrafPtr port) { return port ? port->txFont : 0; }
uint8_t GetPortTextFace(CGrafPtr port) { return port ? port->txFace : 0; }
int16_t GetPortTextSize(CGrafPtr port) { return port ? port->txSize : 0; }
int16_t GetPortTextMode(CGrafPtr port) { return port ? port->txMode : 0; }
Fixed GetPortSpExtra(CGrafPtr port) { return port ? port->spExtra : 0; }
Point* GetPortPenLocation(CGrafPtr port, Point* pt) {
  if (pt) *pt = port ? port->pnLoc : Point{0, 0};
  return pt;
}
Point* GetPortPenSize(CGrafPtr port, Point* sz) {
  if (sz) *sz = port ? port->pnSize : Point{0, 0};
  return sz;
}
int32_t GetPortPenMode(CGrafPtr port) { return port ? port->pnMode : 0; }
int16_t GetPortPenVisibility(CGrafPtr port) { return port ? port->pnVis : 0; }
RGBColor* GetPortForeColor(CGrafPtr port, RGBColor* c) {
  if (c) *c = port ? port->rgbFgColor : RGBColor{0, 0, 0};
  return c;
}
RGBColor* GetPortBackColor(CGrafPtr port, RGBColor* c) {
  if (c) *c = port ? port->rgbBkColor : RGBColor{0xFFFF, 0xFFFF, 0xFFFF};
  return c;
}
Pattern* GetPortBackPat(CGrafPtr port, Pattern* pat) {
  if (pat) *pat = port ? port->bkPat : kWhite;
  return pat;
}
Pattern* GetPortPenPat(CGrafPtr port, Pattern* pat) {
  if (pat) *pat = port ? port->pnPat : kBlack;
  return pat;
}

// ---------------------------------------------------------------------------
// Hidden windows and dialogs

DialogPtr NewColorDialog(void*, const Rect* bounds, ConstStr255Param, Boolean visible, int16_t, WindowRef, Boolean,
                         int32_t refCon, Handle) {
  if (!bounds) return nullptr;
  // The port's local coordinates start at (0, 0) whatever the window's place.
  Rect local = {0, 0, int16_t(bounds->bottom - bounds->top), int16_t(bounds->right - bounds->left)};
  QDWindowRecord* w = new (std::nothrow) QDWindowRecord{nullptr, visible != 0, refCon};
  if (!w) return nullptr;
  w->port = AllocPort(kQDPortHidden, local);
  if (!w->port) {
    delete w;
    return nullptr;
  }
  w->port->window = w;
  return w;
}

void DisposeDialog(DialogPtr dialog) {
  if (!dialog) return;
  FreePort(dialog->port);
  delete dialog;
}

WindowRef GetDialogWindow(DialogPtr dialog) { return dialog; }
CGrafPtr GetWindowPort(WindowRef window) { return window ? window->port : nullptr; }
CGrafPtr GetDialogPort(DialogPtr dialog) { return dialog ? dialog->port : nullptr; }

// ---------------------------------------------------------------------------
// Offscreen worlds

QDErr NewGWorld(GWorldPtr* offscreen, int16_t depth, const Rect* bounds, CTabHandle, GDHandle, GWorldFlags) {
  if (!offscreen) return paramErr;
  *offscreen = nullptr;
  if (!bounds) return paramErr;
  if (depth == 0 || depth == 24) depth = 32;
  if (depth != 32 && depth != 16 && depth != 8) return cDepthErr;
  int32_t w = int32_t(bounds->right) - bounds->left, h = int32_t(bounds->bottom) - bounds->top;
  if (w <= 0 || h <= 0) return paramErr;
  // Offscreens keep their own coordinates from (0, 0), as the engine expects.
  Rect local = {0, 0, int16_t(h), int16_t(w)};
  CGrafPtr port = AllocPort(kQDPortRaster, local);
  if (!port) return memFullErr;
  if (!SetPixelFormat(port, depth) || !MakePixels(port, false)) {
    FreePort(port);
    return memFullErr;
  }
  *offscreen = port;
  return qdNoErr;
}

void DisposeGWorld(GWorldPtr offscreen) { FreePort(offscreen); }
PixMapHandle GetGWorldPixMap(GWorldPtr offscreen) {
  if (!offscreen) return nullptr;
  PortPixels(offscreen);
  return &offscreen->pixMapPtr;
}
Ptr GetPixBaseAddr(PixMapHandle pm) { return pm && *pm ? (*pm)->baseAddr : nullptr; }
int32_t GetPixRowBytes(PixMapHandle pm) { return pm && *pm ? (*pm)->rowBytes : 0; }
Rect* GetPixBounds(PixMapHandle pm, Rect* r) {
  if (r) *r = pm && *pm ? (*pm)->bounds : Rect{0, 0, 0, 0};
  return r;
}
int16_t GetPixDepth(PixMapHandle pm) { return pm && *pm ? (*pm)->pixelSize : 0; }

// ---------------------------------------------------------------------------
// Rectangles and points

void SetRect(Rect* r, int16_t left, int16_t top, int16_t right, int16_t bottom) {
  if (r) *r = Rect{top, left, bottom, right};
}
void OffsetRect(Rect* r, int16_t dh, int16_t dv) {
  if (!r) return;
  r->left = int16_t(r->left + dh);
  r->right = int16_t(r->right + dh);
  r->top = int16_t(r->top + dv);
  r->bottom = int16_t(r->bottom + dv);
}
void InsetRect(Rect* r, int16_t dh, int16_t dv) {
  if (!r) return;
  r->left = int16_t(r->left + dh);
  r->right = int16_t(r->right - dh);
  r->top = int16_t(r->top + dv);
  r->bottom = int16_t(r->bottom - dv);
  if (r->left >= r->right || r->top >= r->bottom) *r = Rect{0, 0, 0, 0};
}
Boolean SectRect(const Rect* a, const Rect* b, Rect* dst) {
  Rect r = {std::max(a->top, b->top), std::max(a->left, b->left), std::min(a->bottom, b->bottom),
            std::min(a->right, b->right)};
  bool ok = r.left < r.right && r.top < r.bottom;
  if (!ok) r = Rect{0, 0, 0, 0};
  if (dst) *dst = r;
  return ok;
}
void UnionRect(const Rect* a, const Rect* b, Rect* dst) {
  if (!dst) return;
  *dst = Rect{std::min(a->top, b->top), std::min(a->left, b->left), std::max(a->bottom, b->bottom),
              std::max(a->right, b->right)};
}
Boolean EmptyRect(const Rect* r) { return !r || r->left >= r->right || r->top >= r->bottom; }
Boolean PtInRect(Point pt, const Rect* r) {
  return r && pt.h >= r->left && pt.h < r->right && pt.v >= r->top && pt.v < r->bottom;
}
Boolean EqualRect(const Rect* a, const Rect* b) {
  return a->top == b->top && a->left == b->left && a->bottom == b->bottom && a->right == b->right;
}
void Pt2Rect(Point a, Point b, Rect* dst) {
  if (dst) *dst = Rect{std::min(a.v, b.v), std::min(a.h, b.h), std::max(a.v, b.v), std::max(a.h, b.h)};
}
void SetPt(Point* pt, int16_t h, int16_t v) {
  if (pt) *pt = Point{v, h};
}
Boolean EqualPt(Point a, Point b) { return a.h == b.h && a.v == b.v; }
void AddPt(Point src, Point* dst) {
  dst->h = int16_t(dst->h + src.h);
  dst->v = int16_t(dst->v + src.v);
}
void SubPt(Point src, Point* dst) {
  dst->h = int16_t(dst->h - src.h);
  dst->v = int16_t(dst->v - src.v);
}

// ---------------------------------------------------------------------------
// Pen and patterns

void MoveTo(int16_t h, int16_t v) { ThePort()->pnLoc = Point{v, h}; }
void Move(int16_t dh, int16_t dv) {
  CGrafPtr p = ThePort();
  p->pnLoc = Point{int16_t(p->pnLoc.v + dv), int16_t(p->pnLoc.h + dh)};
}
void LineTo(int16_t h, int16_t v) { QDGetProcs(ThePort())->lineProc(Point{v, h}); }
void Line(int16_t dh, int16_t dv) {
  CGrafPtr p = ThePort();
  QDGetProcs(p)->lineProc(Point{int16_t(p->pnLoc.v + dv), int16_t(p->pnLoc.h + dh)});
}
void GetPen(Point* pt) {
  if (pt) *pt = ThePort()->pnLoc;
}
void PenSize(int16_t width, int16_t height) { ThePort()->pnSize = Point{height, width}; }
void PenMode(int16_t mode) { ThePort()->pnMode = mode; }
void PenPat(const Pattern* pat) {
  if (pat) ThePort()->pnPat = *pat;
}
void PenNormal() {
  CGrafPtr p = ThePort();
  p->pnSize = Point{1, 1};
  p->pnMode = patCopy;
  p->pnPat = kBlack;
}
void HidePen() { --ThePort()->pnVis; }
void ShowPen() { ++ThePort()->pnVis; }
void GetPenState(PenState* state) {
  if (!state) return;
  CGrafPtr p = ThePort();
  *state = PenState{p->pnLoc, p->pnSize, p->pnMode, p->pnPat};
}
void SetPenState(const PenState* state) {
  if (!state) return;
  CGrafPtr p = ThePort();
  p->pnLoc = state->pnLoc;
  p->pnSize = state->pnSize;
  p->pnMode = state->pnMode;
  p->pnPat = state->pnPat;
}
void BackPat(const Pattern* pat) {
  if (pat) ThePort()->bkPat = *pat;
}

Pattern* GetQDGlobalsBlack(Pattern* pat) {
  if (pat) *pat = kBlack;
  return pat;
}
Pattern* GetQDGlobalsWhite(Pattern* pat) {
  if (pat) *pat = kWhite;
  return pat;
}
Pattern* GetQDGlobalsGray(Pattern* pat) {
  if (pat) *pat = kGray;
  return pat;
}
Pattern* GetQDGlobalsLightGray(Pattern* pat) {
  if (pat) *pat = kLtGray;
  return pat;
}
Pattern* GetQDGlobalsDarkGray(Pattern* pat) {
  if (pat) *pat = kDkGray;
  return pat;
}

// ---------------------------------------------------------------------------
// Text state

void TextFont(int16_t font) { ThePort()->txFont = font; }
void TextFace(int16_t face) { ThePort()->txFace = uint8_t(face); }
void TextSize(int16_t size) { ThePort()->txSize = size; }
void TextMode(int16_t mode) { ThePort()->txMode = mode; }
void SpaceExtra(Fixed extra) { ThePort()->spExtra = extra; }

// ---------------------------------------------------------------------------
// Colours

// The one table of the eight classic colours: ForeColor and BackColor, and
// the FgColor and BkColor opcodes of pictures, give the same colour.
RGBColor qd::ClassicColor(int32_t color) {
  switch (color) {
    case whiteColor: return RGBColor{0xFFFF, 0xFFFF, 0xFFFF};
    case redColor: return RGBColor{0xFFFF, 0, 0};
    case greenColor: return RGBColor{0, 0xFFFF, 0};
    case blueColor: return RGBColor{0, 0, 0xFFFF};
    case cyanColor: return RGBColor{0, 0xFFFF, 0xFFFF};
    case magentaColor: return RGBColor{0xFFFF, 0, 0xFFFF};
    case yellowColor: return RGBColor{0xFFFF, 0xFFFF, 0};
    default: return RGBColor{0, 0, 0};  // blackColor and anything unknown
  }
}

void ForeColor(int32_t color) {
  ++gColorCalls;
  ThePort()->rgbFgColor = ClassicColor(color);
}
void BackColor(int32_t color) {
  ++gColorCalls;
  ThePort()->rgbBkColor = ClassicColor(color);
}
void RGBForeColor(const RGBColor* c) {
  ++gColorCalls;
  if (c) ThePort()->rgbFgColor = *c;
}
void RGBBackColor(const RGBColor* c) {
  ++gColorCalls;
  if (c) ThePort()->rgbBkColor = *c;
}
void GetForeColor(RGBColor* c) {
  if (c) *c = ThePort()->rgbFgColor;
}
void GetBackColor(RGBColor* c) {
  if (c) *c = ThePort()->rgbBkColor;
}
uint32_t QDColorCallCount() { return gColorCalls; }

// ---------------------------------------------------------------------------
// Theme drawing state

OSStatus GetThemeDrawingState(ThemeDrawingState* state) {
  if (!state) return paramErr;
  CGrafPtr p = ThePort();
  *state = new (std::nothrow) QDThemeDrawingState{PenState{p->pnLoc, p->pnSize, p->pnMode, p->pnPat},
                                                  p->pnVis,
                                                  p->bkPat,
                                                  p->fillPat,
                                                  p->rgbFgColor,
                                                  p->rgbBkColor,
                                                  p->txMode};
  return *state ? noErr : memFullErr;
}

OSStatus SetThemeDrawingState(ThemeDrawingState state, Boolean disposeNow) {
  if (!state) return paramErr;
  CGrafPtr p = ThePort();
  p->pnLoc = state->pen.pnLoc;
  p->pnSize = state->pen.pnSize;
  p->pnMode = state->pen.pnMode;
  p->pnPat = state->pen.pnPat;
  p->pnVis = state->pnVis;
  p->bkPat = state->bkPat;
  p->fillPat = state->fillPat;
  p->rgbFgColor = state->fg;
  p->rgbBkColor = state->bg;
  p->txMode = state->txMode;
  if (disposeNow) delete state;
  return noErr;
}

OSStatus DisposeThemeDrawingState(ThemeDrawingState state) {
  delete state;
  return noErr;
}

OSStatus NormalizeThemeDrawingState() {
  CGrafPtr p = ThePort();
  PenNormal();
  p->bkPat = kWhite;
  p->rgbFgColor = RGBColor{0, 0, 0};
  p->rgbBkColor = RGBColor{0xFFFF, 0xFFFF, 0xFFFF};
  p->txMode = srcOr;
  return noErr;
}

// ---------------------------------------------------------------------------
// Clip

void GetClip(RgnHandle rgn) {
  if (rgn) CopyRgn(ThePort()->clipRgn, rgn);
}
void SetClip(RgnHandle rgn) {
  if (rgn) CopyRgn(rgn, ThePort()->clipRgn);
}
void ClipRect(const Rect* r) {
  if (r) RectRgn(ThePort()->clipRgn, r);
}
