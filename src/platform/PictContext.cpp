#include "platform/PictContext.h"

#include <cairo.h>

#include <strings.h>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/DecimalText.h"
#include "platform/Fonts.h"
#include "platform/Memory.h"
#include "platform/PictFormat.h"
#include "platform/QuickDraw.h"
#include "platform/TextDraw.h"
#include "platform/UnicodeText.h"

namespace {

// Comment kinds of the system's own pictures.
enum : int16_t {
  kCommentUnicodeText = 100,
  kCommentTranscodeOff = 5476,
  kCommentTranscodeOn = 5477,
  kCommentBezier = 5479,
};

// Replay state: one replay at a time, like the rest of the drawing.
struct Replay {
  CGrafPtr port = nullptr;
  Rect src{}, dst{};
  bool havePending = false;
  std::string pendingUtf8;
  int16_t pendingAngle = 0;
  bool bezierEngaged = false;
  PictBezierAttrs attrs;
  std::vector<PictBezierNode> nodes;
  std::vector<uint32_t> chars;  // reused for every text
};
Replay* gReplay = nullptr;

// A hostile picture could pile up path nodes without end.
constexpr size_t kMaxBezierNodes = 1 << 20;

void DecodeUtf8(const std::string& s, std::vector<uint32_t>& out) {
  out.clear();
  const uint8_t* p = reinterpret_cast<const uint8_t*>(s.data());
  size_t n = s.size(), i = 0;
  while (i < n) {
    uint8_t c = p[i];
    uint32_t cp;
    size_t len;
    if (c < 0x80) cp = c, len = 1;
    else if ((c & 0xE0) == 0xC0) cp = c & 0x1F, len = 2;
    else if ((c & 0xF0) == 0xE0) cp = c & 0x0F, len = 3;
    else if ((c & 0xF8) == 0xF0) cp = c & 0x07, len = 4;
    else {
      out.push_back(0xFFFD);
      i++;
      continue;
    }
    if (n - i < len) {
      out.push_back(0xFFFD);
      break;
    }
    bool ok = true;
    for (size_t k = 1; k < len; k++) {
      if ((p[i + k] & 0xC0) != 0x80) ok = false;
      cp = (cp << 6) | (p[i + k] & 0x3F);
    }
    out.push_back(ok ? cp : 0xFFFD);
    i += ok ? len : 1;
  }
}

bool IsMusicFont(int16_t font) {
  char name[64];
  return FontNameForNumber(font, name, sizeof name) && !strcasecmp(name, "SVellari");
}

void DrawChars(Replay& r, Point numer, Point denom, double angle) {
  CGrafPtr port = r.port;
  cairo_t* cr = QDBeginCairo(port, nullptr);
  if (!cr) return;
  float size = float(port->txSize ? port->txSize : 12);
  float ratio = 1.0f;
  if (numer.v > 0 && denom.v > 0 && numer.h > 0 && denom.h > 0) {
    size = size * float(numer.v) / float(denom.v);
    ratio = (float(numer.h) * float(denom.v)) / (float(denom.h) * float(numer.v));
  }
  PictReplayText t{r.chars.data(), r.chars.size(),   port->txFont,          port->txFace,          size,
                   ratio,          port->rgbFgColor, double(port->pnLoc.h), double(port->pnLoc.v), angle};
  if (gPictReplayTextProc) gPictReplayTextProc(cr, t);
  QDEndCairo(port, cr);
}

void ReplayText(int16_t byteCount, const void* textBuf, Point numer, Point denom) {
  Replay* r = gReplay;
  if (!r || byteCount <= 0 || !textBuf) return;
  const uint8_t* p = static_cast<const uint8_t*>(textBuf);
  if (r->havePending) {
    // The Unicode comment stands for this 8-bit text.
    DecodeUtf8(r->pendingUtf8, r->chars);
    for (uint32_t& c : r->chars)
      if (c < 32) c = ' ';
    if (IsMusicFont(r->port->txFont))
      for (uint32_t& c : r->chars)
        if (c < 0x1000) c |= 0xF000;
    double angle = r->pendingAngle;
    r->havePending = false;
    r->pendingUtf8.clear();
    DrawChars(*r, numer, denom, angle);
    return;
  }
  // Bytes are decoded under the transcode switch the picture's comments set:
  // while it is off they are raw music-font codes.
  r->chars.resize(size_t(byteCount));
  r->chars.resize(DecodeText8(p, size_t(byteCount), r->chars.data()));
  DrawChars(*r, numer, denom, 0);
}

void FillPath(Replay& r) {
  if (r.nodes.size() < 2) {
    r.nodes.clear();
    return;
  }
  cairo_t* cr = QDBeginCairo(r.port, nullptr);
  if (cr) {
    const RGBColor& c = r.port->rgbFgColor;
    cairo_set_source_rgb(cr, c.red / 65535.0, c.green / 65535.0, c.blue / 65535.0);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_DEFAULT);
    const std::vector<PictBezierNode>& n = r.nodes;
    cairo_new_path(cr);
    cairo_move_to(cr, n[0].x, n[0].y);
    for (size_t i = 0; i < n.size(); i++) {
      const PictBezierNode& a = n[i];
      const PictBezierNode& b = n[(i + 1) % n.size()];
      cairo_curve_to(cr, a.outX, a.outY, b.inX, b.inY, b.x, b.y);
    }
    cairo_close_path(cr);
    cairo_set_fill_rule(cr, r.attrs.overlaptype == 1 ? CAIRO_FILL_RULE_WINDING : CAIRO_FILL_RULE_EVEN_ODD);
    cairo_fill(cr);
    QDEndCairo(r.port, cr);
  }
  r.nodes.clear();
}

void ScalePoint(const Replay& r, float& x, float& y) {
  float sw = float(r.src.right - r.src.left), sh = float(r.src.bottom - r.src.top);
  if (sw == 0 || sh == 0) return;
  x = float(r.dst.right - r.dst.left) * (x - float(r.src.left)) / sw + float(r.dst.left);
  y = float(r.dst.bottom - r.dst.top) * (y - float(r.src.top)) / sh + float(r.dst.top);
}

void ReplayComment(int16_t kind, int16_t dataSize, Handle dataHandle) {
  Replay* r = gReplay;
  if (!r) return;
  size_t n = dataHandle && dataSize > 0 ? std::min<size_t>(size_t(dataSize), size_t(GetHandleSize(dataHandle))) : 0;
  const uint8_t* p = n ? reinterpret_cast<const uint8_t*>(*dataHandle) : nullptr;
  switch (kind) {
    case kCommentUnicodeText:
      if (n >= 8 && !std::memcmp(p, "Qrvl", 4) && p[4] == 1 && p[5] == 0) {
        r->pendingAngle = int16_t(p[6] | (p[7] << 8));
        r->pendingUtf8.assign(reinterpret_cast<const char*>(p + 8), n - 8);
        r->havePending = true;
      }
      return;
    case kCommentTranscodeOff: SetTextTranscoding(false); return;
    case kCommentTranscodeOn: SetTextTranscoding(true); return;
    case kCommentBezier: {
      if (n >= 4 && !std::memcmp(p, "STOP", 4)) {
        FillPath(*r);
        r->bezierEngaged = false;
        return;
      }
      size_t before = r->nodes.size();
      if (r->nodes.size() < kMaxBezierNodes && PictParseBezierComment(p, n, r->attrs, r->nodes)) {
        for (size_t i = before; i < r->nodes.size(); i++) {
          PictBezierNode& b = r->nodes[i];
          ScalePoint(*r, b.x, b.y);
          ScalePoint(*r, b.inX, b.inY);
          ScalePoint(*r, b.outX, b.outY);
        }
        r->bezierEngaged = true;
      }
      return;
    }
    default: StdComment(kind, dataSize, dataHandle); return;
  }
}

void ReplayLine(Point newPt) {
  Replay* r = gReplay;
  // Between a path and its STOP the lines are the path's raster fallback.
  if (r && r->bezierEngaged) {
    r->port->pnLoc = newPt;
    return;
  }
  StdLine(newPt);
}

}  // namespace

void (*gPictReplayTextProc)(cairo_t* cr, const PictReplayText& t) = PictReplayDrawText;

bool PictParseBezierComment(const uint8_t* text, size_t n, PictBezierAttrs& attrs, std::vector<PictBezierNode>& nodes) {
  if (!text || n < 7 || std::memcmp(text, "START ", 6)) return false;
  std::string s(reinterpret_cast<const char*>(text) + 6, n - 6);
  const char* p = s.c_str();
  const char* const end = p + s.size();
  auto next = [&](float& v) { return ReadDecimalFloat(&p, end, &v); };
  float first, a[6];
  if (!next(first)) return false;
  PictBezierAttrs at;
  float count;
  if (first == 256.0f) {
    if (!next(a[0]) || !next(a[1]) || !next(a[2]) || !next(a[3]) || !next(a[4]) || !next(count)) return false;
    at.drawtype = int16_t(a[0]);
    at.overlaptype = int16_t(a[1]);
    at.linecap = int16_t(a[2]);
    at.linejoin = int16_t(a[3]);
    at.miterlimit = a[4];
  } else if (first <= 254.0f && first >= -32768.0f) {
    if (!next(a[0]) || !next(a[1]) || !next(a[2]) || !next(count)) return false;
    at.drawtype = int16_t(first);
    at.overlaptype = 0;
    at.linecap = int16_t(a[0]);
    at.linejoin = int16_t(a[1]);
    at.miterlimit = a[2];
  } else {
    return false;
  }
  // Six numbers of at least two characters each per node must be there.
  if (!(count >= 0) || count > float(s.size() / 12 + 1)) return false;
  size_t cnt = size_t(count);
  size_t base = nodes.size();
  for (size_t i = 0; i < cnt; i++) {
    for (float& v : a)
      if (!next(v)) {
        nodes.resize(base);
        return false;
      }
    nodes.push_back(PictBezierNode{a[2], a[3], a[0], a[1], a[4], a[5]});
  }
  attrs = at;
  return true;
}

void PictReplayDrawText(cairo_t* cr, const PictReplayText& t) {
  if (!cr || !t.count) return;
  UnicodeTextStyle style;
  style.font = t.font;
  style.face = t.face;
  style.size = t.size;
  style.ratio = t.ratio;
  style.color = &t.color;
  UnicodeTextDraw32(cr, t.x, t.y, t.chars, t.count, style, t.angle);
}

bool DrawPictureIntoContext(cairo_t* cr, PicHandle pic, const Rect* dst) {
  if (!cr || !pic || !*pic || !dst) return false;
  PictHeader hdr;
  if (!PictReadHeader(reinterpret_cast<const uint8_t*>(*pic), size_t(GetHandleSize(pic)), hdr)) return false;
  CGrafPtr saved = nullptr;
  GDHandle dev = nullptr;
  GetGWorld(&saved, &dev);
  CGrafPtr port = QDNewCairoPort(cr, dst);
  if (!port) return false;
  SetGWorld(port, nullptr);
  Replay replay;
  replay.port = port;
  replay.src = hdr.frame;
  replay.dst = *dst;
  Replay* outer = gReplay;
  gReplay = &replay;
  // Every picture starts with transcoding on; the switch is the text layer's.
  bool transcoding = GetTextTranscoding();
  SetTextTranscoding(true);
  CQDProcs procs;
  SetStdCProcs(&procs);
  procs.textProc = ReplayText;
  procs.commentProc = ReplayComment;
  procs.lineProc = ReplayLine;
  SetPortGrafProcs(port, &procs);
  DrawPicture(pic, dst);
  // A path whose STOP never came is still drawn: its fallback was skipped.
  if (!replay.nodes.empty()) FillPath(replay);
  SetPortGrafProcs(port, nullptr);
  SetTextTranscoding(transcoding);
  gReplay = outer;
  SetGWorld(saved, dev);
  DisposePort(port);
  return true;
}
