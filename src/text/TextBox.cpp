#include "text/TextBox.h"

#include "layout/Zoom.h"
#include "platform/QuickDraw.h"
#include "platform/TELineBreak.h"
#include "platform/TextDraw.h"
#include "system/PortLayer.h"
#include "text/Fontes.h"
#include "text/TextData.h"
#include "text/UTFText.h"

int16_t GMaxX = 0;

namespace {

// A record over the box, loaded and laid out for measuring.
ExtendedTE NouveauTEMesure(const Rect* rect, const char* text, int32_t length, const TextStyle* style, uint8_t unicode,
                           uint8_t wrap) {
  ExtendedTE te = ExtendedTEStylNew(rect, rect);
  if (!te) return nullptr;
  ExtendedSetUnicodeMode(te, unicode);
  ExtendedTESetWrap(wrap, te);
  CvtTextDataToTEHandle(te, text, length, style);
  ExtendedTESetNoClipToViewRect(1, te);
  ExtendedTECalText(te);
  ExtendedTESetEraseBackground(0, te);
  return te;
}

int32_t HauteurTotale(ExtendedTE te) { return static_cast<int32_t>(ExtendedTEGetHeight(0, (*te)->nLines - 1, te)); }

// Right end of the widest line, through a drawing pass that only measures.
int32_t LargeurMesuree(ExtendedTE te, int16_t start) {
  (*te)->drawText = VectStdCalculeTexteSize;
  GMaxX = start;
  ExtendedTEDoText(te, 0, (*te)->teLength, 0);
  return GMaxX + 1;
}

int16_t Court(int32_t n) { return static_cast<int16_t>(n < 32767 ? n : 32767); }

int32_t LargeurLigne(const char* t, int32_t n) { return TextWidth(t, 0, Court(n)); }

CGrafPtr PortDeMesure() {
  CGrafPtr saved = nullptr;
  GetPort(&saved);
  if (!portTravail) portTravail = CarboniseCreatePort();
  if (portTravail) SetPort(portTravail);
  return saved;
}

}  // namespace

void TextBoxStyleZoom(const char* text, int32_t length, const Rect* rect, int16_t just, const TextStyle* style,
                      int16_t angle, uint8_t erase, int8_t noWrap) {
  if (!rect) return;
  ExtendedTE te = ExtendedTEStylNew(rect, rect);
  if (!te) return;
  ExtendedTESetRotation(te, angle);
  CvtTextDataToTEHandle(te, text, length, style);
  ExtendedTESetJust(just, te);
  ExtendedTESetWrap(noWrap == 0, te);
  ExtendedTESetNoClipToViewRect(1, te);
  ExtendedTECalText(te);
  ExtendedTEActivate(te);
  ExtendedTESetEraseBackground(erase, te);
  ExtendedTEDoText(te, 0, (*te)->teLength, 0);
  ExtendedTEDispose(te);
}

void TextBoxStyleSize(const char* text, int32_t length, const TextStyle* style, uint16_t* width, uint16_t* height,
                      uint8_t unicode) {
  CGrafPtr saved = PortDeMesure();
  Rect r{0, 0, 32767, 32767};
  ExtendedTE te = NouveauTEMesure(&r, text, length, style, unicode, 0);
  if (te) {
    int32_t h = HauteurTotale(te);
    int32_t w = LargeurMesuree(te, 0);
    if (height) *height = static_cast<uint16_t>(h);
    if (width) *width = static_cast<uint16_t>(w);
    ExtendedTEDispose(te);
  }
  SetPort(saved);
}

void TextBoxStyleArea(const char* text, int32_t length, const TextStyle* style, Rect* rect, uint8_t unicode) {
  if (!rect) return;
  CGrafPtr saved = PortDeMesure();
  ExtendedTE te = NouveauTEMesure(rect, text, length, style, unicode, 1);
  if (te) {
    rect->bottom = static_cast<int16_t>(rect->top + HauteurTotale(te));
    rect->right = static_cast<int16_t>(LargeurMesuree(te, rect->left));
    ExtendedTEDispose(te);
  }
  SetPort(saved);
}

int16_t TextBoxStyleHeightWrap(const char* text, int32_t length, int16_t width, const TextStyle* style,
                               uint8_t unicode) {
  int16_t dpi = GetDpiDest();
  SetDpiDest(72);
  Rect r{0, 0, 32767, width};
  int16_t h = 0;
  ExtendedTE te = NouveauTEMesure(&r, text, length, style, unicode, 1);
  if (te) {
    h = static_cast<int16_t>(HauteurTotale(te));
    ExtendedTEDispose(te);
  }
  SetDpiDest(dpi);
  return h;
}

uint8_t VectStdCalculeTexteSize(ExtendedTE te, int32_t, const char* bytes, int32_t length) {
  int16_t w = (*te)->charMode == 4 ? UTFTextWidth(nullptr, bytes, 0, length) : TextWidth(bytes, 0, Court(length));
  Move(w, 0);
  Point pen{};
  GetPen(&pen);
  if (pen.h > GMaxX) GMaxX = pen.h;
  return 1;
}

void TextBoxSansFond(const char* text, int32_t length, const Rect* rect, uint16_t just, uint16_t extraLeading) {
  if (!rect || !text || length <= 0) return;
  TEHandle te = TENew(rect, rect);
  if (!te) return;
  TESetText(text, length, te);
  FontInfo fi{};
  GetFontMetrics(&fi);
  int32_t y = rect->top + fi.ascent;
  const int32_t nLines = (*te)->nLines;
  for (int32_t line = 0; line < nLines; line++) {
    const int32_t* starts = reinterpret_cast<const int32_t*>(*(*te)->lineStarts);
    int32_t a = starts[line];
    int32_t b = starts[line + 1];
    const char* t = *(*te)->hText;
    if (b > a && t[b - 1] == '\r') b--;
    int16_t justification = static_cast<int16_t>(just);
    int32_t x;
    if (justification == 0) {
      x = rect->left;
    } else if (justification == -1) {
      x = rect->right - LargeurLigne(t + a, b - a);
    } else {
      while (a < b && t[a] == ' ') a++;
      x = (rect->left + rect->right - LargeurLigne(t + a, b - a)) / 2;
    }
    MoveTo(static_cast<int16_t>(x), static_cast<int16_t>(y));
    DrawText(*(*te)->hText + a, 0, Court(b - a));
    y += extraLeading + TEGetHeight(line + 1, line + 1, te);
  }
  TEDispose(te);
}

void TextLook(int16_t font, float size, int16_t face) {
  SetTextFontSize(font, size);
  TextFace(face);
}

void SetTextStyle(const TextStyle* style) {
  if (!style) return;
  SetTextFontSize(style->font, style->size);
  TextFace(style->face);
  RGBForeColor(&style->color);
}
