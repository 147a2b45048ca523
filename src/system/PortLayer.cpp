#include "system/PortLayer.h"

#include <cstring>

#include "model/Document.h"
#include "platform/Fonts.h"
#include "platform/Memory.h"
#include "text/ExtendedTE.h"

CGrafPtr portTravail = nullptr;
GDHandle OriginalGDevice = nullptr;

// ---------------------------------------------------------------------------
// Current port

void RozoGetPortOffscreen(CGrafPtr* port) { GetGWorld(port, nullptr); }

void RozoSetPortOffscreen(CGrafPtr port) { SetGWorld(port, OriginalGDevice); }

CGrafPtr CarboniseGetCurrentPort() {
  CGrafPtr port = nullptr;
  GetPort(&port);
  return port;
}

void CarboniseSetPortDialog(DialogPtr dialog) { RozoSetPortOffscreen(GetDialogPort(dialog)); }

void InitPortTemporaire() {
  if (portTravail) return;
  CGrafPtr saved;
  RozoGetPortOffscreen(&saved);
  portTravail = CarboniseCreatePort();  // creating a port makes it current
  RozoSetPortOffscreen(saved);
}

CGrafPtr SetPortTemporaire() {
  CGrafPtr saved;
  RozoGetPortOffscreen(&saved);
  InitPortTemporaire();
  RozoSetPortOffscreen(portTravail);
  return saved;
}

void CarboniseSetPortDocument(Document* doc) {
  if (!doc) {
    SetPortTemporaire();
    return;
  }
  CarboniseSetPortDocumentPorts(doc->portDocument, static_cast<DialogPtr>(doc->dialogue));
}

void CarboniseSetPortDocumentPorts(Offscreen offscreen, DialogPtr dialog) {
  if (offscreen) {
    RozoSetPortOffscreen(offscreen);
    return;
  }
  CGrafPtr port = dialog ? CarboniseGetWindowPort(CarboniseGetDialogWindow(dialog)) : nullptr;
  if (port) RozoSetPortOffscreen(port);
  else SetPortTemporaire();
}

WindowRef CarboniseGetDialogWindow(DialogPtr dialog) { return GetDialogWindow(dialog); }
CGrafPtr CarboniseGetWindowPort(WindowRef window) { return GetWindowPort(window); }
CGrafPtr CarboniseGetDialogPort(DialogPtr dialog) { return GetDialogPort(dialog); }

// ---------------------------------------------------------------------------
// Ports

Offscreen RozoCreatePortOffscreen(int16_t width, int16_t height, int16_t depth) {
  CGrafPtr savedPort;
  GDHandle savedDevice;
  GetGWorld(&savedPort, &savedDevice);
  Rect bounds;
  SetRect(&bounds, 0, 0, width, height);
  GWorldPtr world = nullptr;
  QDErr err = NewGWorld(&world, depth, &bounds, nullptr, nullptr, useTempMem);
  SetGWorld(savedPort, savedDevice);
  if (err != qdNoErr || !world) return nullptr;
  LockPixels(GetGWorldPixMap(world));
  return world;
}

Offscreen RozoCreatePortOffscreenRetina(int16_t width, int16_t height, int16_t depth) {
  return RozoCreatePortOffscreen(width, height, depth);
}

void RozoClosePortOffscreen(Offscreen offscreen) {
  if (offscreen) DisposeGWorld(offscreen);
}

Ptr RozoGetInfoOffscreen(Offscreen offscreen, Rect* bounds, int32_t* rowBytes, int16_t* depth) {
  PixMapHandle pm = offscreen ? GetGWorldPixMap(offscreen) : nullptr;
  if (!pm || !*pm || !GetPixBaseAddr(pm)) {
    if (bounds) *bounds = Rect{0, 0, 0, 0};
    return nullptr;
  }
  // The row bytes are kept whole: masking them to 15 bits would break
  // offscreens wider than 8191 pixels.
  if (rowBytes) *rowBytes = GetPixRowBytes(pm);
  if (depth) *depth = GetPixDepth(pm);
  if (bounds) GetPortBounds(offscreen, bounds);
  return GetPixBaseAddr(pm);
}

CGrafPtr CarboniseCreatePort() { return CreateNewPort(); }
void CarboniseDisposePort(CGrafPtr port) { DisposePort(port); }
void CarboniseGetRectPort(CGrafPtr port, Rect* r) { GetPortBounds(port, r); }
const BitMap* CarboniseGetPortBitMapForCopyBits(CGrafPtr port) { return GetPortBitMapForCopyBits(port); }
void CarboniseSetPortGrafProcs(CGrafPtr port, CQDProcs* procs) { SetPortGrafProcs(port, procs); }
CQDProcs* CarboniseGetPortGrafProcs(CGrafPtr port) { return GetPortGrafProcs(port); }
bool CarboniseIsPicturePort(CGrafPtr port) { return IsPortPictureBeingDefined(port); }
bool CarboniseIsPicturePortCourant() { return CarboniseIsPicturePort(CarboniseGetCurrentPort()); }

void CarboniseGetPicFrame(Handle picture, Rect* r) {
  if (!r) return;
  *r = Rect{0, 0, 0, 0};
  if (!picture || !*picture || GetHandleSize(picture) < 10) return;
  const uint8_t* p = reinterpret_cast<const uint8_t*>(*picture);
  bool hostOrder = GetHandleSize(picture) >= 14 && p[12] == 0xCA && p[13] == 0xFE;
  int16_t v[4];
  for (int i = 0; i < 4; ++i) {
    const uint8_t* q = p + 2 + 2 * i;
    if (hostOrder) std::memcpy(&v[i], q, 2);
    else v[i] = int16_t(uint16_t((q[0] << 8) | q[1]));
  }
  *r = Rect{v[0], v[1], v[2], v[3]};
}

// ---------------------------------------------------------------------------
// Clip

RgnHandle CarboniseGetPortClipRegion(CGrafPtr port) {
  RgnHandle rgn = NewRgn();
  if (rgn) GetPortClipRegion(port, rgn);
  return rgn;
}

RgnHandle CarboniseGetCurrentPortClipRegion() { return CarboniseGetPortClipRegion(CarboniseGetCurrentPort()); }

Rect* CarboniseGetPortClipRect(CGrafPtr port, Rect* r) {
  RgnHandle rgn = CarboniseGetPortClipRegion(port);
  GetRegionBounds(rgn, r);
  DisposeRgn(rgn);
  return r;
}

void CarboniseGetRegionBounds(RgnHandle rgn, Rect* r) { GetRegionBounds(rgn, r); }

RgnHandle AddRectAuClip(const Rect* r) {
  RgnHandle saved = NewRgn();
  RgnHandle narrowed = NewRgn();
  GetClip(saved);
  RectRgn(narrowed, r);
  SectRgn(narrowed, saved, narrowed);
  SetClip(narrowed);
  DisposeRgn(narrowed);
  return saved;
}

void RestaureClip(RgnHandle saved) {
  if (!saved) return;
  SetClip(saved);
  DisposeRgn(saved);
}

// ---------------------------------------------------------------------------
// Text, pen and colour state

int16_t CarboniseGetTextFontPortCourant() { return GetPortTextFont(CarboniseGetCurrentPort()); }
int16_t CarboniseGetTextFontPort(CGrafPtr port) { return GetPortTextFont(port); }
int16_t CarboniseGetTextSizePortCourant() { return GetPortTextSize(CarboniseGetCurrentPort()); }
int16_t CarboniseGetTextSizePort(CGrafPtr port) { return GetPortTextSize(port); }
uint8_t CarboniseGetTextFacePortCourant() { return GetPortTextFace(CarboniseGetCurrentPort()); }
uint8_t CarboniseGetTextFacePort(CGrafPtr port) { return GetPortTextFace(port); }
int16_t CarboniseGetTextModePortCourant() { return GetPortTextMode(CarboniseGetCurrentPort()); }
Fixed CarboniseGetTextSpExtraPortCourant() { return GetPortSpExtra(CarboniseGetCurrentPort()); }
void CarboniseGetPenLocPortCourant(Point* pt) { GetPortPenLocation(CarboniseGetCurrentPort(), pt); }
void CarboniseGetRgbForeColor(RGBColor* c) { GetForeColor(c); }
void CarboniseGetRgbBackColor(RGBColor* c) { GetBackColor(c); }

// ---------------------------------------------------------------------------
// Patterns and erasing

void CarboniseSetPatBlack() {
  Pattern p;
  PenPat(GetQDGlobalsBlack(&p));
}
void CarboniseSetPatGray() {
  Pattern p;
  PenPat(GetQDGlobalsGray(&p));
}
void CarboniseSetPatLtGray() {
  Pattern p;
  PenPat(GetQDGlobalsLightGray(&p));
}
const Pattern* CarboniseGetPatBlack() {
  static Pattern black;
  return GetQDGlobalsBlack(&black);
}
void CarboniseBackPatWhite() {
  Pattern p;
  BackPat(GetQDGlobalsWhite(&p));
}

namespace {

template <typename Erase>
void EraseInColor(const RGBColor* color, Erase erase) {
  RGBColor back, fore;
  GetBackColor(&back);
  GetForeColor(&fore);
  RGBBackColor(color);
  ThemeDrawingState state = nullptr;
  if (GetThemeDrawingState(&state) == noErr && state) {
    NormalizeThemeDrawingState();
    Pattern white;
    PenPat(GetQDGlobalsWhite(&white));
    RGBBackColor(color);
    erase();
    SetThemeDrawingState(state, true);
  }
  RGBBackColor(&back);
  RGBForeColor(&fore);
}

}  // namespace

void CarboniseEraseColorRect(const Rect* r, const RGBColor* color) {
  if (!r || !color) return;
  EraseInColor(color, [r] { EraseRect(r); });
}

void CarboniseEraseColorRgn(RgnHandle rgn, const RGBColor* color) {
  if (!rgn || !color) return;
  EraseInColor(color, [rgn] { EraseRgn(rgn); });
}

void CarboniseEraseRect(const Rect* r) {
  RGBColor back;
  GetBackColor(&back);
  CarboniseEraseColorRect(r, &back);
}

void EraseWhiteRect(const Rect* r) {
  const RGBColor white = {0xFFFF, 0xFFFF, 0xFFFF};
  CarboniseEraseColorRect(r, &white);
}

// ---------------------------------------------------------------------------
// Fonts

int16_t CarboniseGetIDFontFromName(const char* name, int16_t* id) {
  if (!name) return 0;
  Str255 pascal;
  size_t n = std::strlen(name);
  if (n > 255) n = 255;
  pascal[0] = uint8_t(n);
  std::memcpy(pascal + 1, name, n);
  int16_t family = FMGetFontFamilyFromName(pascal);
  if (family == kInvalidFontFamily) return 0;
  if (id) *id = family;
  return 1;
}

void CarboniseExtendedTESetStyle(int16_t mode, const TextStyle* style, uint8_t redraw, ExtendedTE te) {
  if (!te || !*te) return;
  CGrafPtr saved = nullptr;
  RozoGetPortOffscreen(&saved);
  if ((*te)->port) RozoSetPortOffscreen((*te)->port);
  ThemeDrawingState state = nullptr;
  bool themed = GetThemeDrawingState(&state) == noErr && state;
  if (themed) {
    NormalizeThemeDrawingState();
    Pattern white;
    PenPat(GetQDGlobalsWhite(&white));
  }
  ExtendedTESetStyle(mode, style, redraw, te);
  if (themed) SetThemeDrawingState(state, true);
  RozoSetPortOffscreen(saved);
}
