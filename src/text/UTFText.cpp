#include "text/UTFText.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/Fonts.h"
#include "platform/Memory.h"
#include "platform/PictComments.h"
#include "platform/TextDraw.h"
#include "platform/UnicodeText.h"
#include "system/Bezier.h"
#include "system/PortLayer.h"
#include "system/ResStrings.h"
#include "text/Fontes.h"
#include "text/TextEncodings.h"

uint8_t UnicodeApplication = 0;

void SetUnicodeApplication(uint8_t flag) { UnicodeApplication = flag; }
uint8_t IsUnicodeApplication() { return UnicodeApplication; }

bool PrepareTexteUTF(const char* text, int32_t offset, int32_t length, bool musicFont, std::vector<UniChar>& out) {
  out.clear();
  int32_t units = 0;
  EncodedStr u = UTFTextToUnicode(text, offset, length, &units);
  if (!u) return false;
  const UniChar* p = reinterpret_cast<const UniChar*>(u);
  out.assign(p, p + units);
  DisposeEncodedStr(u);
  for (UniChar& c : out) {
    if (c < 32) c = ' ';
    if (musicFont && c < 0x1000) c |= 0xF000;
  }
  return true;
}

// ---- drawing and measuring in a port ------------------------------------------

namespace {

float gCoreTextRatio = 1.0f;
float gAtsuRatio = 1.0f;
int16_t gAtsuRotation = 0;

UnicodeTextStyle StyleOfPort(CGrafPtr port) {
  UnicodeTextStyle st;
  st.font = port->txFont == 0 ? 3 : port->txFont;
  st.face = port->txFace;
  st.size = port->txSize == 0 ? 12.0f : static_cast<float>(port->txSize);
  st.ratio = gCoreTextRatio;
  st.color = &port->rgbFgColor;
  return st;
}

// The 8-bit fallback: Shift-JIS under a Japanese interface, else Mac Roman.
EncodedStr Texte8Bits(const char* text, int32_t offset, int32_t length, int32_t* n) {
  int32_t target = Langue == 5 ? kEncodingShiftJis : kEncodingMacRoman;
  return ChangeTextEncoding(text, offset, length, kEncodingUTF8 | 96, target | 96, n);
}

// A comment into the port's comment procedure, as PicComment does.
void Enregistre(CGrafPtr port, int16_t kind, const std::vector<uint8_t>& payload) {
  if (payload.size() > 32767) return;
  Handle h = NewHandle(static_cast<Size>(payload.size()));
  if (!h) return;
  if (!payload.empty()) memcpy(*h, payload.data(), payload.size());
  QDGetProcs(port)->commentProc(kind, static_cast<int16_t>(payload.size()), h);
  DisposeHandle(h);
}

std::vector<UniChar>& Units() {
  static std::vector<UniChar> u;
  return u;
}

int16_t Trunc16(float w) {
  if (!(w > 0)) return 0;
  return w >= 32767.0f ? int16_t(32767) : static_cast<int16_t>(w);
}

}  // namespace

void CoreTextSetFontRatio(float ratio) { gCoreTextRatio = ratio > 0 ? ratio : 1.0f; }
void AtsuSetFontRatio(float ratio) { gAtsuRatio = ratio > 0 ? ratio : 1.0f; }
void AtsuSetRotation(int16_t angle) { gAtsuRotation = angle; }

float CoreTextWidthUnicode(CGrafPtr port, const UniChar* text, int32_t byteLength) {
  if (!port) GetPort(&port);
  if (!port || !text || byteLength < 2) return 0;
  return UnicodeTextWidth(text, static_cast<size_t>(byteLength / 2), StyleOfPort(port));
}

void CoreTextDrawUnicode(CGrafPtr port, const UniChar* text, int32_t byteLength, float alpha, float angle) {
  if (!port) GetPort(&port);
  if (!port || !text || byteLength < 2) return;
  size_t n = static_cast<size_t>(byteLength / 2);
  UnicodeTextStyle st = StyleOfPort(port);
  st.alpha = alpha;
  float w = UnicodeTextWidth(text, n, st);
  if (port->pnVis >= 0) {
    // Only the pixels the text can ink are copied out and back (with a
    // pixel for the antialiasing), at any angle.
    const UnicodeTextBox ink = UnicodeTextInk(text, n, st, angle);
    const int32_t h = port->pnLoc.h, v = port->pnLoc.v;
    auto side = [](double x) { return static_cast<int16_t>(std::clamp(x, -32767.0, 32767.0)); };
    Rect area{side(std::floor(v + ink.top) - 2), side(std::floor(h + ink.left) - 2),
              side(std::ceil(v + ink.bottom) + 2), side(std::ceil(h + ink.right) + 2)};
    if (cairo_t* cr = QDBeginCairo(port, &area)) {
      UnicodeTextDraw(cr, h, v, text, n, st, angle);
      QDEndCairo(port, cr);
    }
  }
  port->pnLoc.h = static_cast<int16_t>(std::clamp<int32_t>(port->pnLoc.h + static_cast<int32_t>(w), -32767, 32767));
}

void CoreTextFontMetrics(FontInfo* info) {
  if (!info) return;
  CGrafPtr port = nullptr;
  GetPort(&port);
  if (port && port->txFont != 0) {
    float size = port->txSize == 0 ? 120.0f : port->txSize * 10.0f;
    UnicodeFontMetrics m = UnicodeTextFontMetrics(port->txFont, port->txFace, size);
    if (m.ascent > 0 || m.descent > 0) {
      info->ascent = static_cast<int16_t>(m.ascent / 10);
      info->descent = static_cast<int16_t>(m.descent / 10);
      info->leading = static_cast<int16_t>(m.leading / 10);
      info->widMax = info->ascent;
      return;
    }
  }
  GetFontInfo(info);
}

int16_t UTFTextWidth(CGrafPtr port, const char* text, int32_t offset, int32_t length) {
  if (!port) GetPort(&port);
  if (!port || !text || length <= 0 || offset < 0) return 0;
  if (!IsUnicodeApplication()) {
    int32_t n = 0;
    EncodedStr b = Texte8Bits(text, offset, length, &n);
    if (!b) return 0;
    CGrafPtr saved = nullptr;
    GetPort(&saved);
    SetPort(port);
    int16_t w = TextWidth(b, 0, static_cast<int16_t>(std::min<int32_t>(n, 32767)));
    SetPort(saved);
    DisposeEncodedStr(b);
    return w;
  }
  std::vector<UniChar>& u = Units();
  if (!PrepareTexteUTF(text, offset, length, IsMusicFont(port->txFont), u)) return 0;
  return Trunc16(CoreTextWidthUnicode(port, u.data(), static_cast<int32_t>(u.size() * 2)));
}

bool UTFMeasureText(CGrafPtr port, const char* text, int32_t offset, int32_t length, UTFTextMeasure& out) {
  out.pen.clear();
  out.cut.clear();
  if (!port) GetPort(&port);
  if (!port || !text || length <= 0 || offset < 0 || !IsUnicodeApplication()) return false;
  std::vector<UniChar>& u = out.units;
  if (!PrepareTexteUTF(text, offset, length, IsMusicFont(port->txFont), u)) return false;
  out.scale = UnicodeTextMeasure(u.data(), u.size(), StyleOfPort(port), out.penAtUnit, out.cutAtUnit);
  // Each unit comes from one character of the bytes, as the conversion reads them.
  out.pen.assign(static_cast<size_t>(length) + 1, std::nan(""));
  out.cut.assign(static_cast<size_t>(length) + 1, 0.0f);
  const uint8_t* s = reinterpret_cast<const uint8_t*>(text + offset);
  int32_t at = 0;
  size_t k = 0;
  while (at < length && k < u.size()) {
    out.pen[static_cast<size_t>(at)] = out.penAtUnit[k];
    out.cut[static_cast<size_t>(at)] = out.cutAtUnit[k];
    k++;
    int32_t used = UTFCharToUnicode(s + at, nullptr, length - at);
    if (used <= 0) break;
    at += used;
  }
  if (at != length || k != u.size()) {
    out.pen.clear();
    out.cut.clear();
    return false;
  }
  out.pen[static_cast<size_t>(length)] = out.penAtUnit[k];
  // A place inside a character or a cluster is where it ends: a cluster
  // counts whole in the stretch that holds its first byte, and a stretch
  // never splits one.
  for (size_t i = static_cast<size_t>(length); i-- > 0;) {
    if (std::isnan(out.pen[i])) {
      out.pen[i] = out.pen[i + 1];
      out.cut[i] = out.cut[i + 1];
    }
  }
  return true;
}

int16_t UTFMeasuredWidth(double penFrom, double penTo, float cutTo, float scale) {
  return Trunc16(static_cast<float>(penTo - cutTo - penFrom) * scale);
}

int16_t UTFMeasuredWidth(const UTFTextMeasure& m, int32_t from, int32_t to) {
  if (from < 0 || from >= to || static_cast<size_t>(to) >= m.pen.size()) return 0;
  const size_t a = static_cast<size_t>(from), b = static_cast<size_t>(to);
  return UTFMeasuredWidth(m.pen[a], m.pen[b], m.cut[b], m.scale);
}

void UTFDrawText(CGrafPtr port, const char* text, int32_t offset, int32_t length, int16_t angle) {
  if (!port) GetPort(&port);
  if (!port || !text || length <= 0 || offset < 0) return;
  CGrafPtr saved = nullptr;
  GetPort(&saved);
  SetPort(port);
  if (port->picSave) {
    int32_t n = 0;
    EncodedStr b = Texte8Bits(text, offset, length, &n);
    if (b) {
      int16_t count = static_cast<int16_t>(std::min<int32_t>(n, 32767));
      if (angle == 0 && n == length && memcmp(b, text + offset, static_cast<size_t>(n)) == 0) {
        DrawText(b, 0, count);
      } else {
        // The Unicode text and its angle go first, as comments; the 8-bit text
        // follows for readers that know nothing of them.
        static std::vector<uint8_t> payload;
        FabriqueCommentaireUTF(text + offset, length, angle, payload);
        Enregistre(port, kCommentUnicodeText, payload);
        int32_t units = 0;
        EncodedStr u16 = UTFTextToUnicode(text, offset, length, &units);
        FabriqueCommentaireUTF16(reinterpret_cast<const UniChar*>(u16), u16 ? units : 0, angle, payload);
        DisposeEncodedStr(u16);
        Enregistre(port, kCommentUnicodeText16, payload);
        Point pen = port->pnLoc;
        DrawText(b, 0, count);
        port->pnLoc = pen;
        int32_t w = UTFTextWidth(port, text, offset, length);
        if (angle == 0) {
          Move(static_cast<int16_t>(w), 0);
        } else {
          double a = angle * M_PI / 180.0;
          Move(static_cast<int16_t>(std::trunc(w * std::cos(a))), static_cast<int16_t>(std::trunc(-w * std::sin(a))));
        }
      }
      DisposeEncodedStr(b);
    }
  } else if (IsUnicodeApplication()) {
    std::vector<UniChar>& u = Units();
    if (PrepareTexteUTF(text, offset, length, IsMusicFont(port->txFont), u))
      CoreTextDrawUnicode(port, u.data(), static_cast<int32_t>(u.size() * 2), 1.0f, angle);
  } else {
    int32_t n = 0;
    EncodedStr b = Texte8Bits(text, offset, length, &n);
    if (b) DrawText(b, 0, static_cast<int16_t>(std::min<int32_t>(n, 32767)));
    DisposeEncodedStr(b);
  }
  SetPort(saved);
}

// ---- picture replay ---------------------------------------------------------

namespace {
Handle hUTF = nullptr;
int32_t sizeUTF = 0;
int16_t angleUTF = 0;
CQDProcs stdProcs;
CQDProcs myProcs;
Rect GRectPictSrc;

void LibereTexteUTF() {
  if (hUTF) DisposeHandle(hUTF);
  hUTF = nullptr;
  sizeUTF = 0;
}

bool Enregistrement() {
  CGrafPtr port = nullptr;
  GetPort(&port);
  return port && port->picSave;
}
}  // namespace

void CommentUTFPictElement(int16_t kind, int16_t dataSize, Handle dataHandle) {
  if (Enregistrement()) {
    stdProcs.commentProc(kind, dataSize, dataHandle);
    return;
  }
  if (kind != kCommentUnicodeText || !dataHandle || !*dataHandle) return;
  const int32_t size = int32_t(QDCommentLength(dataSize, dataHandle));
  int16_t angle = 0;
  const uint8_t* text = nullptr;
  int32_t length = 0;
  if (!LitCommentaireUTF(reinterpret_cast<const uint8_t*>(*dataHandle), size, &angle, &text, &length)) return;
  LibereTexteUTF();
  hUTF = NewHandle(length);
  if (!hUTF) return;
  if (length) memcpy(*hUTF, text, static_cast<size_t>(length));
  sizeUTF = length;
  angleUTF = angle;
}

void TextUTFPictElement(int16_t byteCount, const void* textBuf, Point numer, Point denom) {
  CGrafPtr port = nullptr;
  GetPort(&port);
  if (port && !port->picSave && hUTF && IsUnicodeApplication() && numer.v > 0 && denom.v > 0 && numer.h > 0 &&
      denom.h > 0) {
    float ratio = (static_cast<float>(numer.h) * denom.v) / (static_cast<float>(denom.h) * numer.v);
    CoreTextSetFontRatio(ratio);
    AtsuSetFontRatio(ratio);
    int16_t saved = port->txSize;
    int32_t s = saved == 0 ? 12 : saved;
    TextSize(static_cast<int16_t>(std::clamp<int32_t>(s * numer.v / denom.v, 1, 32767)));
    UTFDrawText(port, *hUTF, 0, sizeUTF, angleUTF);
    LibereTexteUTF();
    TextSize(saved);
    CoreTextSetFontRatio(1.0f);
    AtsuSetFontRatio(1.0f);
    return;
  }
  stdProcs.textProc(byteCount, textBuf, numer, denom);
}

void LinePictElement(Point newPt) {
  CGrafPtr port = nullptr;
  GetPort(&port);
  if (!port || port->picSave || newPt.h != port->pnLoc.h) {
    stdProcs.lineProc(newPt);
    return;
  }
  // A vertical line, painted as a black rectangle the pen's width wide.
  int16_t w = std::max<int16_t>(port->pnSize.h, 1);
  Rect r{std::min(port->pnLoc.v, newPt.v), port->pnLoc.h, std::max(port->pnLoc.v, newPt.v),
         static_cast<int16_t>(std::min(32767, port->pnLoc.h + w))};
  RGBColor saved = port->rgbFgColor;
  ForeColor(33);
  PaintRect(&r);
  RGBForeColor(&saved);
  port->pnLoc = newPt;
}

CQDProcsPtr DebutRejouePictureUTF(uint8_t linesAsRects, const Rect* frame) {
  CGrafPtr port = nullptr;
  GetPort(&port);
  if (!port) return nullptr;
  CQDProcsPtr own = GetPortGrafProcs(port);
  if (own) {
    stdProcs = *own;
  } else {
    SetStdCProcs(&stdProcs);
  }
  myProcs = stdProcs;
  myProcs.commentProc = CommentUTFPictElement;
  myProcs.textProc = TextUTFPictElement;
  if (linesAsRects) myProcs.lineProc = LinePictElement;
  if (frame) GRectPictSrc = *frame;
  SetPortGrafProcs(port, &myProcs);
  return own;
}

void FinRejouePictureUTF(CQDProcsPtr portProcs) {
  LibereTexteUTF();
  CGrafPtr port = nullptr;
  GetPort(&port);
  if (port) SetPortGrafProcs(port, portProcs);
}

void DrawUTFPicture(Handle picture, const Rect* dst, uint8_t linesAsRects) {
  if (!picture || !*picture || !dst) return;
  Rect frame;
  CarboniseGetPicFrame(picture, &frame);
  CQDProcsPtr own = DebutRejouePictureUTF(linesAsRects, &frame);
  // Through the port layer, so that the picture's Bezier paths are honoured too.
  RozoDrawPicture(picture, dst);
  FinRejouePictureUTF(own);
}
