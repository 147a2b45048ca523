// Text bottlenecks and QuickDraw's 8-bit text calls: the port's font, face,
// size, foreground colour and pen, measured and drawn by the text layer
// (platform/TextDraw). Text is drawn with anti-aliasing, as the system draws
// text, and scaled by the numerator and denominator points of the call.
#include <cairo.h>

#include <algorithm>
#include <cstring>

#include "platform/QDInternal.h"
#include "platform/TextDraw.h"

namespace {

int16_t Clamp16(int32_t v) { return static_cast<int16_t>(std::clamp<int32_t>(v, -32767, 32767)); }

bool Scaled(Point numer, Point denom) {
  return numer.h > 0 && numer.v > 0 && denom.h > 0 && denom.v > 0 && (numer.h != denom.h || numer.v != denom.v);
}

// The port's text style, its size scaled by numer.v / denom.v.
Text8Style StyleOf(CGrafPtr port, Point numer, Point denom) {
  Text8Style st{port->txFont, port->txFace, port->txSize};
  if (Scaled(numer, denom)) {
    int32_t size = (st.size > 0 ? st.size : 12) * numer.v / denom.v;
    st.size = static_cast<int16_t>(std::clamp<int32_t>(size, 1, 32767));
  }
  return st;
}

// What is left of the horizontal scale once the size carries the vertical.
double HorizontalScale(Point numer, Point denom) {
  if (!Scaled(numer, denom)) return 1.0;
  return (static_cast<double>(numer.h) / denom.h) / (static_cast<double>(numer.v) / denom.v);
}

}  // namespace

void StdText(int16_t byteCount, const void* textBuf, Point numer, Point denom) {
  CGrafPtr port = qd::ThePort();
  if (!port) return;
  if (port->picSave && gQDPictureRecorder && gQDPictureRecorder->textProc)
    gQDPictureRecorder->textProc(byteCount, textBuf, numer, denom);
  if (byteCount <= 0 || !textBuf) return;
  const uint8_t* t = static_cast<const uint8_t*>(textBuf);
  Text8Style st = StyleOf(port, numer, denom);
  double hs = HorizontalScale(numer, denom);
  int32_t w = static_cast<int32_t>(Text8Width(st, t, static_cast<size_t>(byteCount)) * hs + 0.5);
  if (port->pnVis >= 0) {
    FontInfo fi;
    Text8FontInfo(st, &fi);
    int32_t h = port->pnLoc.h, v = port->pnLoc.v;
    // Only the pixels the text can reach are copied out and back.
    Rect area{Clamp16(v - fi.ascent - fi.leading - 4), Clamp16(h - fi.widMax - 4), Clamp16(v + fi.descent + 4),
              Clamp16(h + w + fi.widMax + 4)};
    if (cairo_t* cr = QDBeginCairo(port, &area)) {
      const RGBColor& c = port->rgbFgColor;
      cairo_set_source_rgb(cr, c.red / 65535.0, c.green / 65535.0, c.blue / 65535.0);
      if (hs != 1.0) {
        cairo_translate(cr, h, v);
        cairo_scale(cr, hs, 1.0);
        Text8Draw(cr, 0, 0, st, t, static_cast<size_t>(byteCount));
      } else {
        Text8Draw(cr, h, v, st, t, static_cast<size_t>(byteCount));
      }
      QDEndCairo(port, cr);
    }
  }
  port->pnLoc.h = Clamp16(port->pnLoc.h + w);
}

int16_t StdTxMeas(int16_t byteCount, const void* textAddr, Point* numer, Point* denom, FontInfo* info) {
  CGrafPtr port = qd::ThePort();
  Point one{1, 1};
  Point n = numer ? *numer : one, d = denom ? *denom : one;
  if (!port) {
    if (info) std::memset(info, 0, sizeof(FontInfo));
    return 0;
  }
  Text8Style st = StyleOf(port, n, d);
  if (info) Text8FontInfo(st, info);
  // The whole scale is applied here: nothing is left for the caller.
  if (numer) *numer = one;
  if (denom) *denom = one;
  if (byteCount <= 0 || !textAddr) return 0;
  double w =
      Text8Width(st, static_cast<const uint8_t*>(textAddr), static_cast<size_t>(byteCount)) * HorizontalScale(n, d);
  return Clamp16(static_cast<int32_t>(w + 0.5));
}

int16_t TextWidth(const void* textBuf, int16_t firstByte, int16_t byteCount) {
  CGrafPtr port = qd::ThePort();
  if (!port || !textBuf || byteCount <= 0 || firstByte < 0) return 0;
  Point n{1, 1}, d{1, 1};
  FontInfo fi;
  return QDGetProcs(port)->txMeasProc(byteCount, static_cast<const char*>(textBuf) + firstByte, &n, &d, &fi);
}

int16_t CharWidth(int16_t ch) {
  uint8_t b = static_cast<uint8_t>(ch);
  return TextWidth(&b, 0, 1);
}

int16_t StringWidth(ConstStr255Param s) { return s ? TextWidth(s + 1, 0, s[0]) : 0; }

void GetFontInfo(FontInfo* info) {
  if (!info) return;
  CGrafPtr port = qd::ThePort();
  if (!port) {
    std::memset(info, 0, sizeof(FontInfo));
    return;
  }
  Text8FontInfo(Text8Style{port->txFont, port->txFace, port->txSize}, info);
}

void DrawText(const void* textBuf, int16_t firstByte, int16_t byteCount) {
  CGrafPtr port = qd::ThePort();
  if (!port || !textBuf || byteCount <= 0 || firstByte < 0) return;
  QDGetProcs(port)->textProc(byteCount, static_cast<const char*>(textBuf) + firstByte, Point{1, 1}, Point{1, 1});
}

void DrawChar(int16_t ch) {
  uint8_t b = static_cast<uint8_t>(ch);
  DrawText(&b, 0, 1);
}

void DrawString(ConstStr255Param s) {
  if (s) DrawText(s + 1, 0, s[0]);
}
