#include "platform/PictContext.h"

#include <cairo.h>

#include <cstring>
#include <string>

#include "platform/Fonts.h"
#include "platform/Memory.h"
#include "platform/PictComments.h"
#include "platform/PictFormat.h"
#include "platform/QuickDraw.h"
#include "platform/TextDraw.h"
#include "platform/UnicodeText.h"

namespace {

// Replay state: one replay at a time, like the rest of the drawing.
struct Replay {
  CGrafPtr port = nullptr;
  Rect src{}, dst{};
  bool havePending = false;
  std::string pendingUtf8;
  int16_t pendingAngle = 0;
  BezierReplay paths;
  std::vector<uint32_t> chars;  // reused for every text
};
Replay* gReplay = nullptr;

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

// Paths are filled in the port's foreground colour by the one shape drawer.
void FillPath(const BezierPoint* nodes, int32_t count, const BezierAttributs& attrs) {
  if (gReplay) QDFillBezierPath(gReplay->port, nodes, count, attrs, gReplay->port->rgbFgColor, true);
}

void MapPoint(float* x, float* y) {
  if (gReplay) BzMapPoint(gReplay->src, gReplay->dst, x, y);
}

void ReplayComment(int16_t kind, int16_t dataSize, Handle dataHandle) {
  Replay* r = gReplay;
  if (!r) return;
  const size_t n = QDCommentLength(dataSize, dataHandle);
  const uint8_t* p = n ? reinterpret_cast<const uint8_t*>(*dataHandle) : nullptr;
  switch (kind) {
    case kCommentUnicodeText: {
      int16_t angle = 0;
      const uint8_t* text = nullptr;
      int32_t length = 0;
      if (LitCommentaireUTF(p, int32_t(n), &angle, &text, &length)) {
        r->pendingAngle = angle;
        r->pendingUtf8.assign(reinterpret_cast<const char*>(text), size_t(length));
        r->havePending = true;
      }
      return;
    }
    case kCommentTranscodeOff: SetTextTranscoding(false); return;
    case kCommentTranscodeOn: SetTextTranscoding(true); return;
    case kCommentBezier:
      BzReplayComment(r->paths, reinterpret_cast<const char*>(p), int32_t(n), false, MapPoint, nullptr, FillPath);
      return;
    default: StdComment(kind, dataSize, dataHandle); return;
  }
}

void ReplayLine(Point newPt) {
  Replay* r = gReplay;
  // Between a path and its STOP the lines are the path's raster fallback.
  if (r && r->paths.engaged) {
    r->port->pnLoc = newPt;
    return;
  }
  StdLine(newPt);
}

}  // namespace

void (*gPictReplayTextProc)(cairo_t* cr, const PictReplayText& t) = PictReplayDrawText;

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
  const bool whole = QDPlayPicture(pic, dst);
  BzReplayFinish(replay.paths, FillPath);
  SetPortGrafProcs(port, nullptr);
  SetTextTranscoding(transcoding);
  gReplay = outer;
  SetGWorld(saved, dev);
  DisposePort(port);
  // What came before a damaged opcode is drawn, but the picture was not.
  return whole;
}
