// The picture recorder: the standard procedures of a port that defines a
// picture hand each operation here before drawing it.
#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "platform/Memory.h"
#include "platform/PictFormat.h"
#include "platform/Pictures.h"
#include "platform/QuickDraw.h"

#include "platform/Fonts.h"

namespace {

// What the picture says so far: a player starts from these values, so the
// recorder writes only what differs from them.
struct RecState {
  std::vector<char> clipRaw;  // the port's clip region as last written (its block's bytes)
  bool clipWritten = false;
  int16_t txFont = 0;
  uint8_t txFace = 0;
  int16_t txMode = srcOr;
  int16_t txSize = 0;
  Fixed spExtra = 0;
  Point pnSize{1, 1};
  int16_t pnMode = patCopy;
  Pattern pnPat{{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}};
  Pattern fillPat{{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}};
  Pattern bkPat{{0, 0, 0, 0, 0, 0, 0, 0}};
  RGBColor fg{0, 0, 0};
  RGBColor bk{0xFFFF, 0xFFFF, 0xFFFF};
  Point ovSize{0, 0};
  Point ratioNumer{1, 1}, ratioDenom{1, 1};
  bool haveRect = false;
  Rect lastRect{};
  bool havePen = false;
  Point penLoc{};
  bool haveText = false;
  Point textLoc{};
};

struct PictRecorder {
  CGrafPtr port = nullptr;
  PictWriter w;
  RecState st;
};

PictRecorder* RecorderOf(CGrafPtr port) { return port ? static_cast<PictRecorder*>(port->picSave) : nullptr; }

// Lines and frames drawn while a polygon or region is being defined only
// outline it: they are not drawing, and the picture gets the finished shape.
PictRecorder* Current() {
  GrafPtr port = nullptr;
  GetPort(&port);
  if (port && (port->polySave || port->rgnSave)) return nullptr;
  return RecorderOf(port);
}

bool SamePoint(Point a, Point b) { return a.v == b.v && a.h == b.h; }
bool SameRect(const Rect& a, const Rect& b) {
  return a.top == b.top && a.left == b.left && a.bottom == b.bottom && a.right == b.right;
}
bool SameColor(const RGBColor& a, const RGBColor& b) {
  return a.red == b.red && a.green == b.green && a.blue == b.blue;
}

void WriteClip(PictRecorder& r) {
  CGrafPtr port = r.port;
  Handle raw = reinterpret_cast<Handle>(port->clipRgn);
  if (!raw) return;
  size_t n = size_t(GetHandleSize(raw));
  // Comparing the region's own block is cheap and needs no allocation.
  if (r.st.clipWritten && r.st.clipRaw.size() == n && !std::memcmp(r.st.clipRaw.data(), *raw, n)) return;
  Handle bytes = NewHandle(0);
  if (!bytes) {
    r.w.failed = true;
    return;
  }
  if (QDRegionToBytes(port->clipRgn, bytes) == noErr && GetHandleSize(bytes) >= 10) {
    r.w.Opcode(kOpClip);
    r.w.Bytes(*bytes, size_t(GetHandleSize(bytes)));
  } else {
    // A clip too complex for the stored form is written as its bounds.
    Rect b;
    GetRegionBounds(port->clipRgn, &b);
    r.w.Opcode(kOpClip);
    PictWriteRectRegion(r.w, b);
  }
  DisposeHandle(bytes);
  r.st.clipRaw.assign(*raw, *raw + n);
  r.st.clipWritten = true;
}

void WriteColors(PictRecorder& r) {
  CGrafPtr p = r.port;
  if (!SameColor(p->rgbFgColor, r.st.fg)) {
    r.w.Opcode(kOpRGBFgCol);
    r.w.BE16(p->rgbFgColor.red);
    r.w.BE16(p->rgbFgColor.green);
    r.w.BE16(p->rgbFgColor.blue);
    r.st.fg = p->rgbFgColor;
  }
  if (!SameColor(p->rgbBkColor, r.st.bk)) {
    r.w.Opcode(kOpRGBBkCol);
    r.w.BE16(p->rgbBkColor.red);
    r.w.BE16(p->rgbBkColor.green);
    r.w.BE16(p->rgbBkColor.blue);
    r.st.bk = p->rgbBkColor;
  }
}

void WritePattern(PictRecorder& r, uint16_t op, const Pattern& want, Pattern& have) {
  if (!std::memcmp(want.pat, have.pat, 8)) return;
  r.w.Opcode(op);
  r.w.Bytes(want.pat, 8);
  have = want;
}

void WritePen(PictRecorder& r, bool size) {
  CGrafPtr p = r.port;
  if (size && !SamePoint(p->pnSize, r.st.pnSize)) {
    r.w.Opcode(kOpPnSize);
    r.w.PointBE(p->pnSize);
    r.st.pnSize = p->pnSize;
  }
  if (p->pnMode != r.st.pnMode) {
    r.w.Opcode(kOpPnMode);
    r.w.BE16(uint16_t(p->pnMode));
    r.st.pnMode = p->pnMode;
  }
  WritePattern(r, kOpPnPat, p->pnPat, r.st.pnPat);
}

// State a shape of the given verb depends on.
void WriteShapeState(PictRecorder& r, GrafVerb verb) {
  WriteClip(r);
  switch (verb) {
    case kQDGrafVerbFrame: WritePen(r, true); break;
    case kQDGrafVerbPaint:
    case kQDGrafVerbInvert: WritePen(r, false); break;
    case kQDGrafVerbErase: WritePattern(r, kOpBkPat, r.port->bkPat, r.st.bkPat); break;
    case kQDGrafVerbFill: WritePattern(r, kOpFillPat, r.port->fillPat, r.st.fillPat); break;
  }
  WriteColors(r);
}

void WriteFontName(PictRecorder& r, int16_t font) {
  Str255 name;
  GetFontName(font, name);
  if (name[0] == 0) return;
  r.w.Opcode(kOpFontName);
  r.w.BE16(uint16_t(3 + name[0]));
  r.w.BE16(uint16_t(font));
  r.w.Bytes(name, size_t(name[0]) + 1);
}

void WriteTextState(PictRecorder& r, Point numer, Point denom) {
  CGrafPtr p = r.port;
  WriteClip(r);
  if (p->txFont != r.st.txFont) {
    WriteFontName(r, p->txFont);
    r.w.Opcode(kOpTxFont);
    r.w.BE16(uint16_t(p->txFont));
    r.st.txFont = p->txFont;
  }
  if (p->txFace != r.st.txFace) {
    r.w.Opcode(kOpTxFace);
    r.w.U8(p->txFace);
    r.st.txFace = p->txFace;
  }
  if (p->txMode != r.st.txMode) {
    r.w.Opcode(kOpTxMode);
    r.w.BE16(uint16_t(p->txMode));
    r.st.txMode = p->txMode;
  }
  if (p->txSize != r.st.txSize) {
    r.w.Opcode(kOpTxSize);
    r.w.BE16(uint16_t(p->txSize));
    r.st.txSize = p->txSize;
  }
  if (p->spExtra != r.st.spExtra) {
    r.w.Opcode(kOpSpExtra);
    r.w.BE32(uint32_t(p->spExtra));
    r.st.spExtra = p->spExtra;
  }
  if (!SamePoint(numer, r.st.ratioNumer) || !SamePoint(denom, r.st.ratioDenom)) {
    r.w.Opcode(kOpTxRatio);
    r.w.PointBE(numer);
    r.w.PointBE(denom);
    r.st.ratioNumer = numer;
    r.st.ratioDenom = denom;
  }
  WriteColors(r);
}

// One text opcode: its location relative to the previous text when that is
// short, else absolute.
void WriteTextOp(PictRecorder& r, Point loc, const uint8_t* text, uint8_t n) {
  int32_t dh = int32_t(loc.h) - r.st.textLoc.h, dv = int32_t(loc.v) - r.st.textLoc.v;
  if (r.st.haveText && dv == 0 && dh >= 0 && dh <= 255) {
    r.w.Opcode(kOpDHText);
    r.w.U8(uint8_t(dh));
  } else if (r.st.haveText && dh == 0 && dv >= 0 && dv <= 255) {
    r.w.Opcode(kOpDVText);
    r.w.U8(uint8_t(dv));
  } else if (r.st.haveText && dh >= 0 && dh <= 255 && dv >= 0 && dv <= 255) {
    r.w.Opcode(kOpDHDVText);
    r.w.U8(uint8_t(dh));
    r.w.U8(uint8_t(dv));
  } else {
    r.w.Opcode(kOpLongText);
    r.w.PointBE(loc);
  }
  r.w.U8(n);
  r.w.Bytes(text, n);
  r.st.textLoc = loc;
  r.st.haveText = true;
}

void RecText(int16_t byteCount, const void* textBuf, Point numer, Point denom) {
  PictRecorder* r = Current();
  if (!r || byteCount <= 0 || !textBuf) return;
  if (numer.h == denom.h && numer.v == denom.v) numer = denom = Point{1, 1};
  WriteTextState(*r, numer, denom);
  const uint8_t* p = static_cast<const uint8_t*>(textBuf);
  Point loc = r->port->pnLoc;
  // An opcode holds at most 255 bytes: longer text goes in pieces, each
  // placed after the width of the one before, as the port measures it.
  for (int32_t done = 0; done < byteCount;) {
    uint8_t n = uint8_t(byteCount - done > 255 ? 255 : byteCount - done);
    WriteTextOp(*r, loc, p + done, n);
    done += n;
    if (done < byteCount) {
      Point nu = numer, de = denom;
      FontInfo info;
      const CQDProcs* procs = QDGetProcs(r->port);
      int16_t w = procs->txMeasProc ? procs->txMeasProc(n, p + done - n, &nu, &de, &info) : 0;
      if (de.h > 0 && nu.h != de.h) w = int16_t(int32_t(w) * nu.h / de.h);
      loc.h = int16_t(std::min<int32_t>(32767, loc.h + w));
    }
  }
}

void RecLine(Point newPt) {
  PictRecorder* r = Current();
  if (!r) return;
  WriteShapeState(*r, kQDGrafVerbFrame);
  Point from = r->port->pnLoc;
  int32_t dh = int32_t(newPt.h) - from.h, dv = int32_t(newPt.v) - from.v;
  bool shortDelta = dh >= -128 && dh <= 127 && dv >= -128 && dv <= 127;
  bool fromPen = r->st.havePen && SamePoint(from, r->st.penLoc);
  if (fromPen && shortDelta) {
    r->w.Opcode(kOpShortLineFrom);
    r->w.U8(uint8_t(int8_t(dh)));
    r->w.U8(uint8_t(int8_t(dv)));
  } else if (fromPen) {
    r->w.Opcode(kOpLineFrom);
    r->w.PointBE(newPt);
  } else if (shortDelta) {
    r->w.Opcode(kOpShortLine);
    r->w.PointBE(from);
    r->w.U8(uint8_t(int8_t(dh)));
    r->w.U8(uint8_t(int8_t(dv)));
  } else {
    r->w.Opcode(kOpLine);
    r->w.PointBE(from);
    r->w.PointBE(newPt);
  }
  r->st.penLoc = newPt;
  r->st.havePen = true;
}

// The rectangle opcodes share one "same" rectangle.
void WriteRectOp(PictRecorder& r, uint16_t base, GrafVerb verb, const Rect& rect) {
  if (r.st.haveRect && SameRect(rect, r.st.lastRect)) {
    r.w.Opcode(uint16_t(base + 8 + verb));
  } else {
    r.w.Opcode(uint16_t(base + verb));
    r.w.RectBE(rect);
    r.st.lastRect = rect;
    r.st.haveRect = true;
  }
}

void RecRect(GrafVerb verb, const Rect* rect) {
  PictRecorder* r = Current();
  if (!r || !rect) return;
  WriteShapeState(*r, verb);
  WriteRectOp(*r, kOpFrameRect, verb, *rect);
}

void RecRRect(GrafVerb verb, const Rect* rect, int16_t ovalWidth, int16_t ovalHeight) {
  PictRecorder* r = Current();
  if (!r || !rect) return;
  WriteShapeState(*r, verb);
  Point ov{ovalHeight, ovalWidth};
  if (!SamePoint(ov, r->st.ovSize)) {
    r->w.Opcode(kOpOvSize);
    r->w.PointBE(ov);
    r->st.ovSize = ov;
  }
  WriteRectOp(*r, kOpFrameRRect, verb, *rect);
}

void RecOval(GrafVerb verb, const Rect* rect) {
  PictRecorder* r = Current();
  if (!r || !rect) return;
  WriteShapeState(*r, verb);
  WriteRectOp(*r, kOpFrameOval, verb, *rect);
}

void RecArc(GrafVerb verb, const Rect* rect, int16_t startAngle, int16_t arcAngle) {
  PictRecorder* r = Current();
  if (!r || !rect) return;
  WriteShapeState(*r, verb);
  WriteRectOp(*r, kOpFrameArc, verb, *rect);
  r->w.BE16(uint16_t(startAngle));
  r->w.BE16(uint16_t(arcAngle));
}

void RecPoly(GrafVerb verb, PolyHandle poly) {
  PictRecorder* r = Current();
  if (!r || !poly || !*poly) return;
  int32_t n = QDPolyPointCount(poly);
  if (n <= 0) return;
  if (n > (32767 - 10) / 4) n = (32767 - 10) / 4;
  WriteShapeState(*r, verb);
  r->w.Opcode(uint16_t(int(kOpFramePoly) + int(verb)));
  r->w.BE16(uint16_t(10 + 4 * n));
  r->w.RectBE((*poly)->polyBBox);
  for (int32_t i = 0; i < n; i++) r->w.PointBE((*poly)->polyPoints[i]);
}

void RecRgn(GrafVerb verb, RgnHandle rgn) {
  PictRecorder* r = Current();
  if (!r || !rgn) return;
  Handle bytes = NewHandle(0);
  if (!bytes) {
    r->w.failed = true;
    return;
  }
  if (QDRegionToBytes(rgn, bytes) == noErr && GetHandleSize(bytes) >= 10) {
    WriteShapeState(*r, verb);
    r->w.Opcode(uint16_t(int(kOpFrameRgn) + int(verb)));
    r->w.Bytes(*bytes, size_t(GetHandleSize(bytes)));
  }
  DisposeHandle(bytes);
}

// 32-bit pixels (A, R, G, B) of a row of any depth the ports use.
bool ReadRowARGB(const BitMap* bm, int32_t y, int32_t x0, int32_t w, uint8_t* out) {
  const uint8_t* row = reinterpret_cast<const uint8_t*>(bm->baseAddr) + int64_t(y) * bm->rowBytes;
  if (bm->pixelSize == 32) {
    std::memcpy(out, row + int64_t(x0) * 4, size_t(w) * 4);
    return true;
  }
  if (bm->pixelSize == 16) {
    for (int32_t x = 0; x < w; x++) {
      uint16_t v = uint16_t((row[(x0 + x) * 2] << 8) | row[(x0 + x) * 2 + 1]);
      uint8_t r5 = (v >> 10) & 31, g5 = (v >> 5) & 31, b5 = v & 31;
      out[x * 4] = 0xFF;
      out[x * 4 + 1] = uint8_t((r5 << 3) | (r5 >> 2));
      out[x * 4 + 2] = uint8_t((g5 << 3) | (g5 >> 2));
      out[x * 4 + 3] = uint8_t((b5 << 3) | (b5 >> 2));
    }
    return true;
  }
  return false;
}

void RecBits(const BitMap* srcBits, const Rect* srcRect, const Rect* dstRect, int16_t mode, RgnHandle maskRgn) {
  PictRecorder* r = Current();
  if (!r || !srcBits || !srcBits->baseAddr || !srcRect || !dstRect) return;
  if (srcBits->pixelSize != 32 && srcBits->pixelSize != 16) return;  // the engine's images are 32-bit
  // Only the part of the source inside its pixels is recorded.
  Rect s;
  if (!SectRect(srcRect, &srcBits->bounds, &s)) return;
  Rect d = *dstRect;
  if (!SameRect(s, *srcRect)) {
    int32_t sw = srcRect->right - srcRect->left, sh = srcRect->bottom - srcRect->top;
    int32_t dw = dstRect->right - dstRect->left, dh = dstRect->bottom - dstRect->top;
    if (sw <= 0 || sh <= 0) return;
    d.left = int16_t(dstRect->left + (s.left - srcRect->left) * dw / sw);
    d.right = int16_t(dstRect->left + (s.right - srcRect->left) * dw / sw);
    d.top = int16_t(dstRect->top + (s.top - srcRect->top) * dh / sh);
    d.bottom = int16_t(dstRect->top + (s.bottom - srcRect->top) * dh / sh);
  }
  int32_t w = s.right - s.left, h = s.bottom - s.top;
  if (w <= 0 || h <= 0 || w * 4 > 0x3FFF) return;
  Handle mask = nullptr;
  if (maskRgn) {
    mask = NewHandle(0);
    if (!mask || QDRegionToBytes(maskRgn, mask) != noErr) {
      if (mask) DisposeHandle(mask);
      return;
    }
  }
  WriteClip(*r);
  WriteColors(*r);
  PictWriter& o = r->w;
  uint16_t rb = uint16_t(w * 4);
  o.Opcode(mask ? kOpDirectBitsRgn : kOpDirectBitsRect);
  o.BE32(0x000000FF);  // base address
  o.BE16(uint16_t(rb | 0x8000));
  o.RectBE(s);
  o.BE16(0);  // pmVersion
  o.BE16(4);  // packType: run-length by component planes
  o.BE32(0);  // packSize
  o.BE32(72 << 16);
  o.BE32(72 << 16);
  o.BE16(16);  // pixelType: direct
  o.BE16(32);
  o.BE16(4);  // alpha kept as a fourth component
  o.BE16(8);
  o.BE32(0);
  o.BE32(0);
  o.BE32(0);
  o.RectBE(s);
  o.RectBE(d);
  o.BE16(uint16_t(mode));
  if (mask) {
    o.Bytes(*mask, size_t(GetHandleSize(mask)));
    DisposeHandle(mask);
  }
  const int32_t bx = srcBits->bounds.left, by = srcBits->bounds.top;
  std::vector<uint8_t> chunky(size_t(w) * 4), planes(size_t(w) * 4), packed(PictPackBound(size_t(w) * 4));
  for (int32_t y = s.top; y < s.bottom && !o.failed; y++) {
    ReadRowARGB(srcBits, y - by, s.left - bx, w, chunky.data());
    if (rb < 8) {
      o.Bytes(chunky.data(), rb);
      continue;
    }
    for (int32_t x = 0; x < w; x++)
      for (int32_t c = 0; c < 4; c++) planes[size_t(c * w + x)] = chunky[size_t(x * 4 + c)];
    size_t n = PictPackRow(planes.data(), rb, packed.data());
    if (rb > 250) o.BE16(uint16_t(n));
    else o.U8(uint8_t(n));
    o.Bytes(packed.data(), n);
  }
}

void RecComment(int16_t kind, int16_t dataSize, Handle dataHandle) {
  PictRecorder* r = Current();
  if (!r) return;
  const size_t n = QDCommentLength(dataSize, dataHandle);
  if (n == 0) {
    r->w.Opcode(kOpShortComment);
    r->w.BE16(uint16_t(kind));
    return;
  }
  r->w.Opcode(kOpLongComment);
  r->w.BE16(uint16_t(kind));
  r->w.BE16(uint16_t(n));
  r->w.Bytes(*dataHandle, n);
}

const CQDProcs kRecorderProcs = {RecText, RecLine, RecRect,    RecRRect, RecOval, RecArc, RecPoly,
                                 RecRgn,  RecBits, RecComment, nullptr,  nullptr, nullptr};

}  // namespace

PicHandle OpenPicture(const Rect* picFrame) {
  GrafPtr port = nullptr;
  GetPort(&port);
  if (!port || port->picSave || !picFrame) return nullptr;
  PictRecorder* r = new (std::nothrow) PictRecorder;
  if (!r) return nullptr;
  r->port = port;
  PictWriter& w = r->w;
  w.BE16(0);  // size word, set when closed
  w.RectBE(*picFrame);
  w.BE16(kOpVersion);
  w.BE16(kOpVersion2);
  w.BE16(kOpHeader);
  w.BE16(0xFFFE);  // extended header
  w.BE16(0);
  w.BE32(72 << 16);
  w.BE32(72 << 16);
  w.RectBE(*picFrame);
  w.BE32(0);
  if (w.failed) {
    w.Abandon();
    delete r;
    return nullptr;
  }
  gQDPictureRecorder = &kRecorderProcs;
  port->picSave = r;
  return w.h;
}

void ClosePicture() {
  GrafPtr port = nullptr;
  GetPort(&port);
  PictRecorder* r = RecorderOf(port);
  if (!r) return;
  port->picSave = nullptr;
  PictWriter& w = r->w;
  w.Opcode(kOpEndPic);
  if (w.failed) {
    // The caller holds the handle: it stays valid, empty.
    if (w.h) SetHandleSize(w.h, 0);
  } else {
    w.Patch16BE(0, uint16_t(w.len));
    SetHandleSize(w.h, Size(w.len));
  }
  delete r;
}

void KillPicture(PicHandle pic) {
  if (!pic) return;
  // Killing the picture the current port still records ends the recording
  // first, so that nothing writes into the freed block.
  GrafPtr port = nullptr;
  GetPort(&port);
  if (PictRecorder* r = RecorderOf(port); r && r->w.h == pic) {
    port->picSave = nullptr;
    r->w.h = nullptr;
    delete r;
  }
  DisposeHandle(pic);
}

void PicComment(int16_t kind, int16_t dataSize, Handle dataHandle) {
  GrafPtr port = nullptr;
  GetPort(&port);
  if (!port) return;
  const CQDProcs* procs = QDGetProcs(port);
  if (procs->commentProc) procs->commentProc(kind, dataSize, dataHandle);
}

Rect* QDGetPictureBounds(PicHandle pic, Rect* r) {
  if (!r) return r;
  *r = Rect{0, 0, 0, 0};
  if (pic && *pic) PictGetFrame(reinterpret_cast<const uint8_t*>(*pic), size_t(GetHandleSize(pic)), *r);
  return r;
}
