// The picture player: every opcode becomes a call of the current port's
// bottleneck procedures, with the port's pen, text, colour and clip state set
// from the picture first, so hooks installed on the port see each operation.
#include <algorithm>
#include <cstddef>
#include <cstring>
#include <deque>
#include <numeric>
#include <vector>

#include "platform/Memory.h"
#include "platform/PictFormat.h"
#include "platform/Pictures.h"
#include "platform/QDInternal.h"
#include "platform/QuickDraw.h"

#include "platform/Fonts.h"

namespace {

int16_t Clamp16(int64_t v) { return int16_t(std::clamp<int64_t>(v, -32767, 32767)); }

// Frame onto destination, in integers as the ports use them.
struct Mapper {
  Rect src{}, dst{};
  int32_t sw = 1, sh = 1, dw = 1, dh = 1;
  Point origin{0, 0};  // accumulated Origin opcodes

  int16_t H(int32_t h) const { return Clamp16(int64_t(dst.left) + (int64_t(h) - origin.h - src.left) * dw / sw); }
  int16_t V(int32_t v) const { return Clamp16(int64_t(dst.top) + (int64_t(v) - origin.v - src.top) * dh / sh); }
  Point Pt(Point p) const { return Point{V(p.v), H(p.h)}; }
  Rect R(const Rect& r) const { return Rect{V(r.top), H(r.left), V(r.bottom), H(r.right)}; }
  bool Unscaled() const { return sw == dw && sh == dh; }
  // Lengths (pen size, oval size): scaled, never to 0 when they were not 0.
  int16_t LenH(int32_t n) const {
    int64_t v = int64_t(n) * dw / sw;
    return Clamp16(v == 0 && n > 0 ? 1 : v);
  }
  int16_t LenV(int32_t n) const {
    int64_t v = int64_t(n) * dh / sh;
    return Clamp16(v == 0 && n > 0 ? 1 : v);
  }
};

const Pattern kBlack{{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}};
const Pattern kWhite{{0, 0, 0, 0, 0, 0, 0, 0}};

bool SameColor(const RGBColor& a, const RGBColor& b) {
  return a.red == b.red && a.green == b.green && a.blue == b.blue;
}

struct SavedPort {
  PenState pen;
  int16_t txFont, txSize, txMode;
  uint8_t txFace;
  Fixed spExtra;
  RGBColor fg, bk;
  Pattern bkPat, fillPat;
  RgnHandle clip;
};

struct Player {
  CGrafPtr port = nullptr;
  Mapper m;
  const uint8_t* data = nullptr;
  size_t size = 0;
  bool host = false;
  RgnHandle savedClip = nullptr;  // the port's own clip: the picture's clip is cut to it
  RgnHandle work = nullptr;

  // The picture's state.
  Point pnLoc{0, 0}, textLoc{0, 0}, ovSize{0, 0};
  Rect lastRect{};
  std::vector<uint8_t> lastPoly, lastRgn;
  int16_t txFont = 0, txMode = srcOr, txSize = 0;
  uint8_t txFace = 0;
  Fixed spExtra = 0;
  Point pnSize{1, 1};
  int16_t pnMode = patCopy;
  Pattern pnPat = kBlack, fillPat = kBlack, bkPat = kWhite;
  RGBColor fg{0, 0, 0}, bk{0xFFFF, 0xFFFF, 0xFFFF};
  Point ratioN{1, 1}, ratioD{1, 1};
  bool clipDirty = true;
  RgnHandle picClip = nullptr;  // mapped, null while the picture set none
  Handle commentData = nullptr;
  // Font numbers of the picture's own machine, renumbered by name.
  std::vector<std::pair<int16_t, int16_t>> fontMap;

  const CQDProcs* Procs() const { return QDGetProcs(port); }

  void ApplyClip() {
    if (!clipDirty) return;
    clipDirty = false;
    if (picClip) {
      SectRgn(picClip, savedClip, work);
      SetClip(work);
    } else {
      SetClip(savedClip);
    }
  }

  void ApplyColors() {
    if (!SameColor(port->rgbFgColor, fg)) RGBForeColor(&fg);
    if (!SameColor(port->rgbBkColor, bk)) RGBBackColor(&bk);
  }

  void ApplyShape() {
    ApplyClip();
    Point sz{m.LenV(pnSize.v), m.LenH(pnSize.h)};
    if (port->pnSize.h != sz.h || port->pnSize.v != sz.v) PenSize(sz.h, sz.v);
    if (port->pnMode != pnMode) PenMode(pnMode);
    if (std::memcmp(port->pnPat.pat, pnPat.pat, 8)) PenPat(&pnPat);
    if (std::memcmp(port->bkPat.pat, bkPat.pat, 8)) BackPat(&bkPat);
    port->fillPat = fillPat;
    ApplyColors();
  }

  void ApplyText() {
    ApplyClip();
    if (port->txFont != txFont) TextFont(txFont);
    if (port->txFace != txFace) TextFace(txFace);
    if (port->txSize != txSize) TextSize(txSize);
    if (port->txMode != txMode) TextMode(txMode);
    if (port->spExtra != spExtra) SpaceExtra(spExtra);
    ApplyColors();
  }

  // Region operand (size word first) -> mapped region in `out`.
  bool MapRegion(const uint8_t* p, size_t n, RgnHandle out) {
    if (m.Unscaled()) {
      size_t used = 0;
      if (!QDRegionFromBytes(p, n, out, &used)) return false;
      OffsetRgn(out, int16_t(m.dst.left - m.src.left - m.origin.h), int16_t(m.dst.top - m.src.top - m.origin.v));
      return true;
    }
    Rect bb;
    std::vector<PictSpan> spans;
    if (!PictDecodeRegion(p, n, bb, spans)) return false;
    SetEmptyRgn(out);
    RgnHandle one = NewRgn();
    if (!one) return false;
    for (const PictSpan& s : spans) {
      Rect r = m.R(Rect{s.top, s.left, s.bottom, s.right});
      RectRgn(one, &r);
      UnionRgn(out, one, out);
    }
    DisposeRgn(one);
    return true;
  }

  void TextScale(Point& numer, Point& denom) const {
    int64_t nv = int64_t(m.dh) * ratioN.v, nh = int64_t(m.dw) * ratioN.h;
    int64_t dv = int64_t(m.sh) * ratioD.v, dh = int64_t(m.sw) * ratioD.h;
    if (nv <= 0 || nh <= 0 || dv <= 0 || dh <= 0) {
      numer = denom = Point{1, 1};
      return;
    }
    int64_t gv = std::gcd(nv, dv), gh = std::gcd(nh, dh);
    nv /= gv, dv /= gv, nh /= gh, dh /= gh;
    while (nv > 32767 || dv > 32767) nv = std::max<int64_t>(1, nv / 2), dv = std::max<int64_t>(1, dv / 2);
    while (nh > 32767 || dh > 32767) nh = std::max<int64_t>(1, nh / 2), dh = std::max<int64_t>(1, dh / 2);
    numer = Point{int16_t(nv), int16_t(nh)};
    denom = Point{int16_t(dv), int16_t(dh)};
  }

  void DrawLine(Point from, Point to) {
    ApplyShape();
    port->pnLoc = m.Pt(from);
    if (Procs()->lineProc) Procs()->lineProc(m.Pt(to));
    pnLoc = to;
  }

  void DrawText(const uint8_t* p, size_t n) {
    ApplyText();
    Point numer, denom;
    TextScale(numer, denom);
    port->pnLoc = m.Pt(textLoc);
    if (Procs()->textProc) Procs()->textProc(int16_t(n), p, numer, denom);
  }

  void Shape(uint16_t op, PictReader& rd) {
    GrafVerb verb = GrafVerb(op & 7);
    bool same = (op >> 3) & 1;
    if ((op & 7) > 4) return;  // reserved variants carry nothing to draw
    uint16_t family = op & 0xF0;
    if (family == 0x70 || family == 0x80) {
      std::vector<uint8_t>& last = family == 0x70 ? lastPoly : lastRgn;
      if (!same) last.assign(rd.Here(), rd.Here() + rd.Remaining());
      if (last.size() < 10) return;
      ApplyShape();
      if (family == 0x70) DrawPoly(verb, last);
      else if (MapRegion(last.data(), last.size(), work) && Procs()->rgnProc) {
        RgnHandle r = NewRgn();
        if (!r) return;
        CopyRgn(work, r);
        ApplyClip();
        Procs()->rgnProc(verb, r);
        DisposeRgn(r);
      }
      return;
    }
    if (!same) lastRect = rd.ReadRect();
    Rect r = m.R(lastRect);
    ApplyShape();
    switch (family) {
      case 0x30:
        if (Procs()->rectProc) Procs()->rectProc(verb, &r);
        break;
      case 0x40:
        if (Procs()->rRectProc) Procs()->rRectProc(verb, &r, m.LenH(ovSize.h), m.LenV(ovSize.v));
        break;
      case 0x50:
        if (Procs()->ovalProc) Procs()->ovalProc(verb, &r);
        break;
      case 0x60: {
        int16_t start = int16_t(rd.BE16()), angle = int16_t(rd.BE16());
        if (Procs()->arcProc) Procs()->arcProc(verb, &r, start, angle);
        break;
      }
    }
  }

  void DrawPoly(GrafVerb verb, const std::vector<uint8_t>& bytes) {
    PictReader rd{bytes.data(), bytes.size(), 0, false, host};
    uint16_t n16 = rd.W16();
    Rect bb = rd.ReadRect();
    size_t count = (std::min<size_t>(n16, bytes.size()) - 10) / 4;
    Size head = Size(offsetof(MacPolygon, polyPoints));
    Handle h = NewHandle(head + Size(count * sizeof(Point)));
    if (!h) return;
    PolyHandle poly = reinterpret_cast<PolyHandle>(h);
    (*poly)->polySize = int16_t(10 + 4 * count);
    (*poly)->polyBBox = m.R(bb);
    for (size_t i = 0; i < count; i++) (*poly)->polyPoints[i] = m.Pt(rd.ReadPoint());
    if (Procs()->polyProc) Procs()->polyProc(verb, poly);
    DisposeHandle(h);
  }

  void Bits(uint16_t op, PictReader& rd) {
    PictBits b;
    rd.size = size;  // the operand was sized by the walk; parse it whole
    if (!PictParseBits(rd, op, b)) return;
    std::vector<uint8_t> argb;
    if (!PictDecodeBitsARGB(data, size, b, host, fg, bk, argb)) return;
    PixMap pm{};
    pm.baseAddr = reinterpret_cast<Ptr>(argb.data());
    pm.rowBytes = b.width() * 4;
    pm.bounds = b.bounds;
    pm.pixelSize = 32;
    pm.cmpCount = 4;
    pm.cmpSize = 8;
    pm.hRes = pm.vRes = 72 << 16;
    Rect dst = m.R(b.dstRect);
    RgnHandle mask = nullptr;
    if (b.hasMaskRgn) {
      mask = NewRgn();
      if (!mask || !MapRegion(data + b.maskAt, b.maskLen, mask)) {
        if (mask) DisposeRgn(mask);
        return;
      }
    }
    ApplyClip();
    ApplyColors();
    if (Procs()->bitsProc) Procs()->bitsProc(&pm, &b.srcRect, &dst, int16_t(b.mode), mask);
    if (mask) DisposeRgn(mask);
  }

  void Comment(uint16_t kind, const uint8_t* p, size_t n) {
    if (!Procs()->commentProc) return;
    // Hooks that draw on a comment draw in the picture's current colours.
    ApplyClip();
    ApplyColors();
    if (n == 0) {
      Procs()->commentProc(int16_t(kind), 0, nullptr);
      return;
    }
    // One handle serves every comment of the playback.
    if (!commentData) commentData = NewHandle(Size(n));
    else SetHandleSize(commentData, Size(n));
    if (!commentData || GetHandleSize(commentData) != Size(n)) return;
    std::memcpy(*commentData, p, n);
    // Comments of 32 KiB and more keep their 16-bit length as it stands:
    // receivers read it unsigned (QDCommentLength).
    Procs()->commentProc(int16_t(kind), int16_t(uint16_t(n)), commentData);
  }

  int16_t FontFor(int16_t id) const {
    for (const auto& f : fontMap)
      if (f.first == id) return f.second;
    return id;
  }

  void FontName(PictReader& rd) {
    rd.W16();
    int16_t id = int16_t(rd.W16());
    uint8_t n = rd.U8();
    if (!rd.Has(n)) return;
    Str255 name;
    name[0] = n;
    std::memcpy(name + 1, rd.Here(), n);
    int16_t mine = 0;
    GetFNum(name, &mine);
    if (mine == 0) return;  // an unknown name keeps the picture's number
    for (auto& f : fontMap)
      if (f.first == id) {
        f.second = mine;
        return;
      }
    if (fontMap.size() < 256) fontMap.push_back({id, mine});
  }

  void Op(const PictOp& op, bool v1) {
    PictReader rd{data, op.operand + op.length, op.operand, false, host};
    uint16_t o = op.opcode;
    switch (o) {
      case kOpClip:
        if (!picClip) picClip = NewRgn();
        if (picClip && !MapRegion(rd.Here(), op.length, picClip)) SetEmptyRgn(picClip);
        clipDirty = true;
        return;
      case kOpBkPat: std::memcpy(bkPat.pat, rd.Here(), 8); return;
      case kOpPnPat: std::memcpy(pnPat.pat, rd.Here(), 8); return;
      case kOpFillPat: std::memcpy(fillPat.pat, rd.Here(), 8); return;
      case kOpTxFont: txFont = FontFor(int16_t(rd.W16())); return;
      case kOpTxFace: txFace = rd.U8(); return;
      case kOpTxMode: txMode = int16_t(rd.W16()); return;
      case kOpSpExtra: spExtra = Fixed(rd.W32()); return;
      case kOpPnSize: pnSize = rd.ReadPoint(); return;
      case kOpPnMode: pnMode = int16_t(rd.W16()); return;
      case kOpOvSize: ovSize = rd.ReadPoint(); return;
      case kOpOrigin: {
        int16_t dh = int16_t(rd.BE16()), dv = int16_t(rd.BE16());
        m.origin.h = Clamp16(int32_t(m.origin.h) + dh);
        m.origin.v = Clamp16(int32_t(m.origin.v) + dv);
        return;
      }
      case kOpTxSize: txSize = int16_t(rd.W16()); return;
      case kOpFgColor: fg = qd::ClassicColor(int32_t(rd.BE32())); return;
      case kOpBkColor: bk = qd::ClassicColor(int32_t(rd.BE32())); return;
      case kOpTxRatio:
        ratioN = rd.ReadPoint();
        ratioD = rd.ReadPoint();
        return;
      case kOpRGBFgCol:
      case kOpRGBBkCol: {
        RGBColor c;
        c.red = rd.BE16();
        c.green = rd.BE16();
        c.blue = rd.BE16();
        (o == kOpRGBFgCol ? fg : bk) = c;
        return;
      }
      case kOpLine: {
        Point a = rd.ReadPoint(), b = rd.ReadPoint();
        DrawLine(a, b);
        return;
      }
      case kOpLineFrom: DrawLine(pnLoc, rd.ReadPoint()); return;
      case kOpShortLine: {
        Point a = rd.ReadPoint();
        int8_t dh = int8_t(rd.U8()), dv = int8_t(rd.U8());
        DrawLine(a, Point{Clamp16(a.v + dv), Clamp16(a.h + dh)});
        return;
      }
      case kOpShortLineFrom: {
        int8_t dh = int8_t(rd.U8()), dv = int8_t(rd.U8());
        DrawLine(pnLoc, Point{Clamp16(pnLoc.v + dv), Clamp16(pnLoc.h + dh)});
        return;
      }
      case kOpLongText:
      case kOpDHText:
      case kOpDVText:
      case kOpDHDVText: {
        if (o == kOpLongText) {
          textLoc = rd.ReadPoint();
        } else {
          int dh = 0, dv = 0;
          if (o == kOpDHText || o == kOpDHDVText) dh = rd.U8();
          if (o == kOpDVText || o == kOpDHDVText) dv = rd.U8();
          textLoc = Point{Clamp16(textLoc.v + dv), Clamp16(textLoc.h + dh)};
        }
        uint8_t n = rd.U8();
        if (rd.Has(n)) DrawText(rd.Here(), n);
        return;
      }
      case kOpFontName: FontName(rd); return;
      case kOpShortComment: Comment(rd.W16(), nullptr, 0); return;
      case kOpLongComment: {
        uint16_t kind = rd.W16(), n = rd.W16();
        if (rd.Has(n)) Comment(kind, rd.Here(), n);
        return;
      }
      case kOpBitsRect:
      case kOpBitsRgn:
      case kOpPackBitsRect:
      case kOpPackBitsRgn:
      case kOpDirectBitsRect:
      case kOpDirectBitsRgn: Bits(o, rd); return;
      default: break;
    }
    (void)v1;
    if (o >= 0x30 && o < 0x90) Shape(o, rd);
  }
};

void SavePort(CGrafPtr port, SavedPort& s) {
  GetPenState(&s.pen);
  s.txFont = port->txFont;
  s.txSize = port->txSize;
  s.txMode = port->txMode;
  s.txFace = port->txFace;
  s.spExtra = port->spExtra;
  s.fg = port->rgbFgColor;
  s.bk = port->rgbBkColor;
  s.bkPat = port->bkPat;
  s.fillPat = port->fillPat;
  s.clip = NewRgn();
  if (s.clip) GetClip(s.clip);
}

void RestorePort(CGrafPtr port, SavedPort& s) {
  SetPenState(&s.pen);
  if (port->txFont != s.txFont) TextFont(s.txFont);
  if (port->txFace != s.txFace) TextFace(s.txFace);
  if (port->txSize != s.txSize) TextSize(s.txSize);
  if (port->txMode != s.txMode) TextMode(s.txMode);
  if (port->spExtra != s.spExtra) SpaceExtra(s.spExtra);
  if (!SameColor(port->rgbFgColor, s.fg)) RGBForeColor(&s.fg);
  if (!SameColor(port->rgbBkColor, s.bk)) RGBBackColor(&s.bk);
  if (std::memcmp(port->bkPat.pat, s.bkPat.pat, 8)) BackPat(&s.bkPat);
  port->fillPat = s.fillPat;
  if (s.clip) {
    SetClip(s.clip);
    DisposeRgn(s.clip);
  }
}

// Private copies of the pictures being played, one per nesting level (a
// hook may play a picture while one plays), kept for reuse: small pictures
// are played for every note head.
std::deque<std::vector<uint8_t>> gCopies;  // a deque: growing it moves no level
size_t gDepth = 0;

struct DepthGuard {
  DepthGuard() { ++gDepth; }
  ~DepthGuard() { --gDepth; }
};

}  // namespace

void DrawPicture(PicHandle pic, const Rect* dstRect) { QDPlayPicture(pic, dstRect); }

bool QDPlayPicture(PicHandle pic, const Rect* dstRect) {
  if (!pic || !*pic || !dstRect) return false;
  GrafPtr port = nullptr;
  GetPort(&port);
  if (!port) return false;
  // A private copy: the port's procedures may resize or free the handle.
  size_t size = size_t(GetHandleSize(pic));
  if (gCopies.size() <= gDepth) gCopies.resize(gDepth + 1);
  std::vector<uint8_t>& bytes = gCopies[gDepth];
  DepthGuard depth;
  bytes.assign(reinterpret_cast<const uint8_t*>(*pic), reinterpret_cast<const uint8_t*>(*pic) + size);
  PictWalker w;
  PictHeader hdr;
  if (!PictWalkBegin(w, bytes.data(), bytes.size(), &hdr)) return false;
  Player p;
  p.port = port;
  p.data = bytes.data();
  p.size = bytes.size();
  p.host = hdr.version == kPictV2Host;
  p.m.src = hdr.frame;
  p.m.dst = *dstRect;
  p.m.sw = int32_t(hdr.frame.right) - hdr.frame.left;
  p.m.sh = int32_t(hdr.frame.bottom) - hdr.frame.top;
  p.m.dw = int32_t(dstRect->right) - dstRect->left;
  p.m.dh = int32_t(dstRect->bottom) - dstRect->top;
  if (p.m.sw <= 0 || p.m.sh <= 0) return false;

  SavedPort saved;
  SavePort(port, saved);
  p.savedClip = saved.clip;
  p.work = NewRgn();
  bool whole = false;
  if (p.savedClip && p.work) {
    PenNormal();
    PictOp op;
    bool v1 = hdr.version == kPictV1;
    while (PictWalkNext(w, op)) p.Op(op, v1);
    whole = w.status == kWalkEnd;
  }
  if (p.work) DisposeRgn(p.work);
  if (p.picClip) DisposeRgn(p.picClip);
  if (p.commentData) DisposeHandle(p.commentData);
  RestorePort(port, saved);
  return whole;
}
