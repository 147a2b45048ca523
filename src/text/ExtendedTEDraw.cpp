// Drawing of the styled text-edit record (run by run, right-to-left
// stretches reversed, each line's band erased first), the selection and the
// caret, points of offsets and offsets of points, scrolling.
#include <chrono>
#include <cmath>
#include <vector>

#include "platform/Memory.h"
#include "system/PortLayer.h"
#include "text/ExtendedTE.h"
#include "text/TextEncodings.h"

namespace {

uint32_t SteadyTicks() {
  using namespace std::chrono;
  return static_cast<uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count() * 60 / 1000);
}

bool IsEnd(uint8_t b) { return b == 13 || b == 10; }

int16_t Clamp16(double v) {
  if (v > 32767) return 32767;
  if (v < -32768) return -32768;
  return static_cast<int16_t>(v);
}

Rect MakeRect(double left, double top, double right, double bottom) {
  Rect r;
  r.left = Clamp16(left);
  r.top = Clamp16(top);
  r.right = Clamp16(right);
  r.bottom = Clamp16(bottom);
  return r;
}

bool EndsWithBreak(ExtendedTE te) {
  int32_t len = (*te)->teLength;
  return len > 0 && IsEnd(static_cast<uint8_t>((*(*te)->hText)[len - 1]));
}

const ExtendedLineHeight* Heights(ExtendedTE te, int32_t* count) {
  ExtendedStylHandle sh = (*te)->styleHandle;
  *count = 0;
  if (!sh || !(*sh)->lineHeights) return nullptr;
  *count = static_cast<int32_t>(GetHandleSize((*sh)->lineHeights) / (int64_t)sizeof(ExtendedLineHeight));
  return reinterpret_cast<const ExtendedLineHeight*>(*(*sh)->lineHeights);
}

// Height and ascent of one line as drawn.
void LineMetrics(ExtendedTE te, int32_t line, float* height, float* ascent) {
  ExtendedStylHandle sh = (*te)->styleHandle;
  if (!sh) {
    *height = static_cast<float>((*te)->lineHeight);
    *ascent = (*te)->fontAscent;
    return;
  }
  int32_t count;
  const ExtendedLineHeight* h = Heights(te, &count);
  if (line < 0 || line >= count) {
    *height = (*sh)->nStyles > 0 ? ExtendedStyles(sh)[0].lineHeight : 0.0f;
    *ascent = (*sh)->nStyles > 0 ? ExtendedStyles(sh)[0].ascent : 0.0f;
    return;
  }
  *height = static_cast<float>(std::abs(h[line].height)) * (*sh)->scale;
  *ascent = static_cast<float>(h[line].ascent) * (*sh)->scale;
}

float LineHeightOf(ExtendedTE te, int32_t line) {
  float h, a;
  LineMetrics(te, line, &h, &a);
  return h;
}

// The line a point of offset is drawn on.
int32_t PointLine(ExtendedTE te, int32_t offset) {
  const ExtendedTERec& r = **te;
  int32_t n = r.nLines;
  if (n <= 0) return 0;
  const int32_t* starts = ExtendedLineStarts(te);
  // The first line whose end is at or after the offset.
  int32_t lo = 0, hi = n - 1;
  while (lo < hi) {
    int32_t mid = lo + (hi - lo) / 2;
    if (starts[mid + 1] >= offset) hi = mid;
    else lo = mid + 1;
  }
  int32_t line = lo;
  if (offset == starts[line + 1]) {
    const uint8_t* s = reinterpret_cast<const uint8_t*>(*r.hText);
    bool next;
    if (!r.styleHandle) next = offset > 0 && s[offset - 1] == 13;
    else next = offset < r.teLength || EndsWithBreak(te);
    if (next) line++;
  }
  return line;
}

float HeightAbove(ExtendedTE te, int32_t line) { return line > 0 ? ExtendedTEGetHeight(0, line - 1, te) : 0.0f; }

void EraseBand(ExtendedTE te, const Rect* band) {
  ExtendedTERec& r = **te;
  RGBColor c = r.eraseColor;
  uint32_t refCon = r.eraseRefCon;
  r.setAlphaBackground(r.eraseAlpha);
  if ((*te)->angle != 0) {
    RgnHandle rgn = ExtendedRotateGetRgnFromRect(te, band);
    (*te)->eraseColorRgn(refCon, rgn, &c);
    DisposeRgn(rgn);
  } else {
    (*te)->eraseColorRect(refCon, band, &c);
  }
  (*te)->setAlphaBackground(1.0f);
}

struct Piece {
  int32_t start, end, run;
  bool rtl;
};

// Cuts a line's bytes into pieces that never cross a run boundary, a new
// piece starting where the writing direction changes.
void CutPieces(ExtendedTE te, int32_t a, int32_t b, std::vector<Piece>& out) {
  out.clear();
  ExtendedStylHandle sh = (*te)->styleHandle;
  const uint8_t* s = reinterpret_cast<const uint8_t*>(*(*te)->hText);
  bool utf = (*te)->charMode == 4;
  int32_t run = Extended_NumRun(a, sh);
  bool dir = false;
  int32_t p = a;
  while (p < b) {
    int32_t next;
    bool rtl = dir;
    if (utf && s[p] >= 0x80) {
      UniChar ch = 0;
      int32_t n = UTFCharToUnicode(s + p, &ch, b - p);
      if (n <= 0) n = 1;
      next = p + n;
      rtl = UniCharRLType(ch) != 0;
    } else {
      next = p + 1;
      rtl = s[p] == ' ' ? dir : false;
    }
    if (next > b) next = b;
    while (run >= 0 && run + 1 < (*sh)->nRuns && ExtendedRuns(sh)[run + 1].start <= p) run++;
    if (out.empty() || out.back().run != run || out.back().rtl != rtl) {
      out.push_back(Piece{p, next, run, rtl});
    } else {
      out.back().end = next;
    }
    dir = rtl;
    p = next;
  }
}

// Draws one piece in its run's style; false when the DrawText slot ends the line.
bool DrawPiece(ExtendedTE te, int32_t line, const Piece& pc) {
  ExtendedStylHandle sh = (*te)->styleHandle;
  if (pc.run >= 0 && pc.run < (*sh)->nRuns && ExtendedRuns(sh)[pc.run].style < (*sh)->nStyles) {
    ExtendedStyle e = ExtendedStyles(sh)[ExtendedRuns(sh)[pc.run].style];
    float size = static_cast<float>(static_cast<int32_t>(e.size));
    if (size == 0) size = 12;
    (*te)->textFont(static_cast<int16_t>(e.font));
    (*te)->textSize(size * (*sh)->scale);
    (*te)->textFace(static_cast<uint8_t>(e.face & 0x7F));
    (*te)->textColor(&e.color);
  }
  return (*te)->drawText(te, line, *(*te)->hText + pc.start, pc.end - pc.start) != 0;
}

void MovePen(ExtendedTE te, float h, float v) {
  if ((*te)->angle != 0) {
    Point in{Clamp16(v), Clamp16(h)}, out;
    ExtendedRotateTransformPoint(te, &in, &out);
    (*te)->moveTo(out.h, out.v);
  } else {
    (*te)->moveTo(h, v);
  }
}

// Steps 6 and 7 of a pass: the view below the text, and the band a shorter
// text left behind.
void EraseBelow(ExtendedTE te, bool lastLineReached, float y, float oldHeight, float newHeight) {
  const ExtendedTERec& r = **te;
  if (!r.eraseBackground) return;
  Rect view = r.viewRect;
  if (lastLineReached && y < view.bottom) {
    Rect band = MakeRect(view.left, y, view.right, view.bottom);
    EraseBand(te, &band);
  }
  float top = static_cast<float>((*te)->destRect.top);
  if (newHeight < oldHeight && top + newHeight < view.bottom) {
    Rect band = MakeRect(view.left, top + newHeight, view.right, top + oldHeight);
    if (!EmptyRect(&band)) EraseBand(te, &band);
  }
}

bool ClipMeetsView(ExtendedTE te) {
  Rect clip, sect;
  CarboniseGetPortClipRect((*te)->port, &clip);
  return SectRect(&clip, &(*te)->viewRect, &sect);
}

}  // namespace

uint32_t (*ExtendedTETickCount)() = SteadyTicks;

int32_t Extended_JustOffset(ExtendedTE te, int32_t line) {
  int16_t just = (*te)->just;
  if (just != teCenter && just != teFlushRight) return 0;
  int32_t box = (*te)->destRect.right - (*te)->destRect.left;
  int32_t w = 0;
  if (line >= 0 && line < (*te)->nLines) {
    const int32_t* starts = ExtendedLineStarts(te);
    w = ExtendedTailleTexte(te, line, starts[line], starts[line + 1] - starts[line], 0);
  } else if ((*te)->lineIndent) {
    w = (*te)->lineIndent(te, line, (*te)->teLength);
  }
  if (w > box) return 0;
  return just == teCenter ? (box - w) / 2 : box - w;
}

// ---- drawing passes ------------------------------------------------------------

void Extended_affiche_texteExt(ExtendedTE te, int32_t from, int32_t to, float oldHeight, float newHeight) {
  if (!ClipMeetsView(te)) return;
  int32_t first = ExtendedNumLigne(from, te);
  int32_t last = ExtendedNumLigne(to, te);
  RgnHandle savedClip = nullptr;
  double limit = 999999;
  if (!(*te)->noClip) {
    Rect view = (*te)->viewRect;
    savedClip = AddRectAuClip(&view);
    limit = view.bottom;
  }
  float y = static_cast<float>((*te)->destRect.top) + HeightAbove(te, first);
  int32_t L = first;
  if ((*te)->teLength != 0 && y <= limit) {
    std::vector<Piece> pieces;
    for (; L <= last && L < (*te)->nLines; L++) {
      float lh, asc;
      LineMetrics(te, L, &lh, &asc);
      float bottom = y + lh;
      if (bottom >= (*te)->viewRect.top) {
        if ((*te)->eraseBackground) {
          Rect band = MakeRect((*te)->viewRect.left, y, (*te)->viewRect.right, bottom + 1.0f);
          EraseBand(te, &band);
        }
        const int32_t* starts = ExtendedLineStarts(te);
        int32_t a = starts[L], b = starts[L + 1];
        float h = static_cast<float>((*te)->destRect.left + Extended_JustOffset(te, L));
        if ((*te)->lineIndent) h += static_cast<float>((*te)->lineIndent(te, L, a));
        MovePen(te, h, y + asc);
        const uint8_t* s = reinterpret_cast<const uint8_t*>(*(*te)->hText);
        while (b > a && IsEnd(s[b - 1])) b--;
        CutPieces(te, a, b, pieces);
        size_t n = pieces.size();
        for (size_t i = 0; i < n;) {
          if (!pieces[i].rtl) {
            if (!DrawPiece(te, L, pieces[i])) break;
            i++;
            continue;
          }
          size_t j = i;
          while (j + 1 < n && pieces[j + 1].rtl) j++;
          bool go = true;
          for (size_t k = j + 1; k-- > i;) {
            if (!DrawPiece(te, L, pieces[k])) {
              go = false;
              break;
            }
          }
          if (!go) break;
          i = j + 1;
        }
      }
      y = bottom;
      if (y > limit || L == last) {
        L++;
        break;
      }
    }
  }
  bool lastReached = last >= (*te)->nLines - 1;
  EraseBelow(te, lastReached, y, oldHeight, newHeight);
  if (savedClip) RestaureClip(savedClip);
}

void Extended_affiche_texte_std(ExtendedTE te, int32_t from, int32_t to, float oldHeight, float newHeight) {
  if (!ClipMeetsView(te)) return;
  Rect view = (*te)->viewRect;
  RgnHandle savedClip = AddRectAuClip(&view);
  {
    ExtendedTERec& r = **te;
    r.textFont(static_cast<int16_t>(r.txFont));
    r.textFace(r.txFace);
    r.textMode(static_cast<int16_t>(r.txMode));
    r.textSize(r.txSize);
    RGBColor c = r.txColor;
    r.textColor(&c);
  }
  int32_t first = ExtendedNumLigne(from, te);
  int32_t last = ExtendedNumLigne(to, te);
  const float lh = static_cast<float>((*te)->lineHeight);
  const float top = static_cast<float>((*te)->destRect.top);
  if (lh > 0 && view.top > top) {
    int32_t hidden = static_cast<int32_t>((view.top - top) / lh);
    if (hidden > first) first = hidden;
  }
  float y = top + static_cast<float>(first) * lh;
  for (int32_t L = first; L <= last && L < (*te)->nLines && y <= view.bottom; L++) {
    if ((*te)->eraseBackground) {
      Rect band = MakeRect(view.left, y, view.right, y + lh);
      ExtendedTERec& r = **te;
      RGBColor c = r.eraseColor;
      r.setAlphaBackground(r.eraseAlpha);
      (*te)->eraseColorRect(r.eraseRefCon, &band, &c);
      (*te)->setAlphaBackground(1.0f);
    }
    int32_t length = 0, x = 0;
    Extended_calc_param_ligne(te, L, &length, &x);
    (*te)->moveTo(static_cast<float>((*te)->destRect.left + x), y + (*te)->fontAscent);
    int32_t a = ExtendedLineStarts(te)[L];
    const uint8_t* s = reinterpret_cast<const uint8_t*>(*(*te)->hText);
    while (length > 0 && IsEnd(s[a + length - 1])) length--;
    if (length > 0) (*te)->drawText(te, L, *(*te)->hText + a, length);
    y += lh;
  }
  EraseBelow(te, last >= (*te)->nLines - 1, y, oldHeight, newHeight);
  RestaureClip(savedClip);
}

void Extended_affiche_texte(ExtendedTE te, int32_t from, int32_t to, float oldHeight, float newHeight) {
  if (!te) return;
  CGrafPtr saved;
  GetPort(&saved);
  SetPort((*te)->port);
  if (!(*te)->port) {
    SetPort(saved);
    return;
  }
  RGBColor fore, back;
  GetForeColor(&fore);
  GetBackColor(&back);
  CGrafPtr port = (*te)->port;
  int16_t font = GetPortTextFont(port), size = GetPortTextSize(port), mode = GetPortTextMode(port);
  uint8_t face = GetPortTextFace(port);
  Fixed extra = GetPortSpExtra(port);
  if ((*te)->styleHandle) Extended_affiche_texteExt(te, from, to, oldHeight, newHeight);
  else Extended_affiche_texte_std(te, from, to, oldHeight, newHeight);
  if ((*te)->afterDraw) (*te)->afterDraw(te, from, to, oldHeight, newHeight);
  if (GetPortTextFont(port) != font) TextFont(font);
  if (GetPortTextSize(port) != size) TextSize(size);
  if (GetPortTextFace(port) != face) TextFace(face);
  if (GetPortTextMode(port) != mode) TextMode(mode);
  if (GetPortSpExtra(port) != extra) SpaceExtra(extra);
  RGBForeColor(&fore);
  RGBBackColor(&back);
  SetPort(saved);
}

void ExtendedTEDoText(ExtendedTE te, int32_t from, int32_t to, float oldHeight) {
  if (!te || (*te)->drawLock) return;
  bool wasActive = (*te)->active != 0;
  if (wasActive) {
    (*te)->active = 0;
    if ((*te)->selStart != (*te)->selEnd) ExtendedRetraceAireSelectTexte(te);
    else ExtendedAfficheCurseur(te, 0);
  }
  int32_t maxOff = (*te)->teLength - 1;
  if (from > maxOff) from = maxOff;
  if (to > maxOff) to = maxOff;
  if (from < 0) from = 0;
  if (to < 0) to = 0;
  float newHeight = (*te)->nLines > 0 ? ExtendedTEGetHeight(0, (*te)->nLines, te) : 0.0f;
  Extended_affiche_texte(te, from, to, oldHeight, newHeight);
  if (wasActive) {
    (*te)->active = 1;
    if ((*te)->selStart != (*te)->selEnd) {
      ExtendedRetraceAireSelectTexte(te);
    } else {
      ExtendedLongPoint p;
      ExtendedTEGetPoint((*te)->selStart, te, &p);
      (*te)->selPoint = p;
    }
  }
}

// ---- points and offsets --------------------------------------------------------

void ExtendedTEGetPoint(int32_t offset, ExtendedTE te, ExtendedLongPoint* out) {
  const ExtendedTERec& r0 = **te;
  if (r0.nLines == 0 && offset > 5000) {
    ExtendedStylHandle sh = r0.styleHandle;
    float h = (sh && (*sh)->nStyles > 0) ? ExtendedStyles(sh)[0].lineHeight : static_cast<float>(r0.lineHeight);
    *out = {32000, static_cast<int32_t>(h)};
    return;
  }
  if (offset < 0) offset = 0;
  if (offset > r0.teLength) offset = r0.teLength;
  int32_t line = PointLine(te, offset);
  const ExtendedTERec& r = **te;
  float v;
  if (!r.styleHandle) v = static_cast<float>(line + 1) * static_cast<float>(r.lineHeight);
  else v = ExtendedTEGetHeight(0, line, te);
  out->v = static_cast<int32_t>(static_cast<float>(r.destRect.top) + v);
  int32_t x = 0;
  int32_t box = r.destRect.right - r.destRect.left;
  if (line < r.nLines) {
    int32_t ls = ExtendedLineStarts(te)[line];
    if (!r.styleHandle) {
      int32_t length = 0, jx = 0;
      Extended_calc_param_ligne(te, line, &length, &jx);
      x = jx + ExtendedTailleTexte(te, line, ls, offset - ls, 1);
    } else {
      x = Extended_JustOffset(te, line) + ExtendedTailleTexte(te, line, ls, offset - ls, 1);
    }
  } else if (r.styleHandle) {
    x = Extended_JustOffset(te, line);
  } else {
    int32_t length = 0, jx = 0;
    Extended_calc_param_ligne(te, line, &length, &jx);
    x = jx;
  }
  if (x > box) x = box;
  out->h = (*te)->destRect.left + x;
}

int32_t ExtendedTEGetOffset(int32_t point, ExtendedTE te) {
  const int16_t pv = static_cast<int16_t>(point & 0xFFFF);
  const int16_t ph = static_cast<int16_t>((static_cast<uint32_t>(point) >> 16) & 0xFFFF);
  if ((*te)->teLength == 0 || (*te)->nLines == 0) return 0;
  float dy = static_cast<float>(pv) - static_cast<float>((*te)->destRect.top);
  if (dy < 0) return 0;
  int32_t n = (*te)->nLines;
  float sum = 0;
  int32_t line = -1;
  for (int32_t i = 0; i < n; i++) {
    sum += LineHeightOf(te, i);
    if (sum > dy) {
      line = i;
      break;
    }
  }
  if (line < 0) return (*te)->teLength;
  int32_t x = ph - (*te)->destRect.left - Extended_JustOffset(te, line);
  if (x < 0) x = 0;
  const int32_t* starts = ExtendedLineStarts(te);
  const int32_t ls = starts[line], le = starts[line + 1];
  int32_t lt = le;
  {
    const uint8_t* s = reinterpret_cast<const uint8_t*>(*(*te)->hText);
    while (lt > ls && IsEnd(s[lt - 1])) lt--;
  }
  // A click right of a paragraph's last line falls before its terminator.
  auto width = [&](int32_t o) { return o <= ls ? 0 : ExtendedTailleTexte(te, line, ls, o - ls, 1); };
  if (width(lt) <= x) return lt;
  bool utf = (*te)->charMode == 4;
  const char* text = *(*te)->hText;
  auto nextChar = [&](int32_t o) { return utf ? UTFNextChar(text, o, (*te)->teLength) : o + 1; };
  int32_t lo = ls, hi = lt;  // width(lo) <= x < width(hi)
  while (true) {
    int32_t mid = lo + (hi - lo) / 2;
    if (utf) {
      const uint8_t* s = reinterpret_cast<const uint8_t*>(*(*te)->hText);
      while (mid > lo && (s[mid] & 0xC0) == 0x80) mid--;
    }
    if (mid <= lo) mid = nextChar(lo);
    if (mid >= hi) break;
    if (width(mid) <= x) lo = mid;
    else hi = mid;
  }
  int32_t nx = nextChar(lo);
  if (nx > hi) nx = hi;
  return (x - width(lo) <= width(nx) - x) ? lo : nx;
}

// ---- selection ----------------------------------------------------------------

RgnHandle ExtendedComputeSelectRgn(int32_t a, int32_t b, ExtendedTE te) {
  RgnHandle rgn = NewRgn();
  int32_t lo = a < b ? a : b, hi = a < b ? b : a;
  ExtendedLongPoint pA, pB;
  ExtendedTEGetPoint(lo, te, &pA);
  ExtendedTEGetPoint(hi, te, &pB);
  auto clampV = [](int32_t v) { return v < -30000 ? -30000 : (v > 30000 ? 30000 : v); };
  pA.v = clampV(pA.v);
  pB.v = clampV(pB.v);
  const Rect view = (*te)->viewRect;
  int32_t len = (*te)->teLength;
  if (hi >= len && hi != lo) pB.h = view.right;
  float hA = LineHeightOf(te, PointLine(te, lo < 0 ? 0 : (lo > len ? len : lo)));
  float hB = LineHeightOf(te, PointLine(te, hi < 0 ? 0 : (hi > len ? len : hi)));
  RgnHandle part = NewRgn();
  auto add = [&](double l, double t, double r, double bt) {
    Rect rc = MakeRect(l, t, r, bt);
    if (EmptyRect(&rc)) return;
    RectRgn(part, &rc);
    UnionRgn(rgn, part, rgn);
  };
  double t = pA.v >= view.top ? pA.v : view.top;
  if (pA.v >= view.top) {
    bool oneLine = pA.v == pB.v;
    double right = oneLine ? (pB.h < view.right ? pB.h : view.right) : view.right;
    add(pA.h > view.left ? pA.h : view.left, pA.v - hA, right, pA.v);
    if (oneLine) {
      DisposeRgn(part);
      return rgn;
    }
  }
  if (pB.v - hB <= view.bottom) {
    add(view.left, t, view.right, pB.v - hB);
    add(view.left, pB.v - hB, pB.h, pB.v);
  } else {
    add(view.left, t, view.right, view.bottom);
  }
  DisposeRgn(part);
  return rgn;
}

void ExtendedInvertSelectRgn(RgnHandle rgn, uint8_t inactive, ExtendedTE te) {
  if (!rgn || !te) return;
  PenState pen;
  GetPenState(&pen);
  if ((*te)->useHiliteColor) {
    RGBColor c = inactive ? RGBColor{40000, 40000, 40000} : (*te)->hiliteColor;
    RGBForeColor(&c);
    PenMode(blend);
    Pattern black;
    PenPat(GetQDGlobalsBlack(&black));
    PaintRgn(rgn);
    RGBColor k = {0, 0, 0};
    RGBForeColor(&k);
  } else if (!inactive) {
    RGBColor back;
    GetBackColor(&back);
    (*te)->setAlphaBackground((*te)->eraseAlpha);
    RGBColor e = (*te)->eraseColor;
    RGBBackColor(&e);
    InvertRgn(rgn);
    RGBBackColor(&back);
    (*te)->setAlphaBackground(1.0f);
  } else {
    PenMode(patXor);
    FrameRgn(rgn);
  }
  SetPenState(&pen);
}

void ExtendedInvertText(int32_t a, int32_t b, uint8_t inactive, ExtendedTE te) {
  if (!te || a == b || (*te)->drawLock) return;
  CGrafPtr saved;
  GetPort(&saved);
  SetPort((*te)->port);
  Rect view = (*te)->viewRect;
  RgnHandle clip = AddRectAuClip(&view);
  RgnHandle rgn = ExtendedComputeSelectRgn(a, b, te);
  ExtendedInvertSelectRgn(rgn, inactive, te);
  DisposeRgn(rgn);
  RestaureClip(clip);
  SetPort(saved);
}

void Extended_affiche_select(ExtendedTE te) {
  ExtendedTERec& r = **te;
  if (r.selStart != r.selEnd) {
    ExtendedInvertText(r.selStart, r.selEnd, r.active ? 0 : 1, te);
  } else if (r.active && r.caretShown) {
    // Drawn again where it stands; the blink state is kept.
    r.caretShown = 0;
    ExtendedAfficheCurseur(te, 1);
  }
}

void ExtendedAfficheCurseur(ExtendedTE te, uint16_t show) {
  if (!te || (*te)->caretShown == show) return;
  (*te)->caretShown = show;
  CGrafPtr saved;
  GetPort(&saved);
  SetPort((*te)->port);
  Rect view = (*te)->viewRect;
  RgnHandle clip = AddRectAuClip(&view);
  PenState pen;
  GetPenState(&pen);
  RGBColor fore;
  GetForeColor(&fore);
  PenNormal();
  PenMode(patXor);
  RGBColor k = {0, 0, 0};
  RGBForeColor(&k);
  ExtendedLongPoint p = (*te)->selPoint;
  int32_t width = (*te)->caretWidth;
  int32_t at = (*te)->selStart;
  if (!ModeInsert) {
    // Overwrite mode: as wide as the character the caret stands on.
    width = 8;
    if (at < (*te)->teLength) {
      int32_t next = (*te)->charMode == 4 ? UTFNextChar(*(*te)->hText, at, (*te)->teLength) : at + 1;
      ExtendedLongPoint q;
      ExtendedTEGetPoint(next, te, &q);
      int32_t d = q.h - p.h;
      if (d >= 1 && q.v == p.v) width = d;
    }
  }
  float lh = LineHeightOf(te, PointLine(te, at));
  MoveTo(Clamp16(p.h), Clamp16(p.v - 1));
  PenSize(Clamp16(width), 1);
  Line(0, Clamp16(-static_cast<int32_t>(lh - 1.0f)));
  SetPenState(&pen);
  RGBForeColor(&fore);
  RestaureClip(clip);
  SetPort(saved);
}

void ExtendedTEIdle(ExtendedTE te) {
  if (!te || !(*te)->active || (*te)->selStart != (*te)->selEnd) return;
  uint32_t now = ExtendedTETickCount();
  if (now < (*te)->caretTime) return;
  (*te)->caretTime = now + kExtendedCaretTime;
  ExtendedAfficheCurseur(te, (*te)->caretShown ? 0 : 1);
}

void ExtendedTEActivate(ExtendedTE te) {
  if (!te) return;
  if (!(*te)->active) {
    (*te)->active = 1;
    if ((*te)->selStart != (*te)->selEnd) {
      ExtendedRetraceAireSelectTexte(te);
      return;
    }
  } else if ((*te)->selStart != (*te)->selEnd) {
    return;
  }
  ExtendedLongPoint p;
  ExtendedTEGetPoint((*te)->selStart, te, &p);
  (*te)->selPoint = p;
  Extended_affiche_select(te);
}

void ExtendedFixeSelect(int32_t a, int32_t b, ExtendedTE te) {
  if (!te) return;
  int32_t len = (*te)->teLength;
  auto clamp = [&](int32_t v) { return v < 0 ? 0 : (v > len ? len : v); };
  (*te)->anchorStart = clamp(a);
  (*te)->anchorEnd = clamp(b);
  int32_t ns = clamp(a < b ? a : b), ne = clamp(a < b ? b : a);
  if (ns == (*te)->selStart && ne == (*te)->selEnd) {
    if (ns == ne) {
      ExtendedLongPoint p;
      ExtendedTEGetPoint(ne, te, &p);
      (*te)->selPoint = p;
    }
    return;
  }
  if ((*te)->selStart == (*te)->selEnd) ExtendedAfficheCurseur(te, 0);
  RgnHandle area = ExtendedComputeSelectRgn((*te)->selStart, (*te)->selEnd, te);
  if (ns != ne) {
    RgnHandle added = ExtendedComputeSelectRgn(ns, ne, te);
    UnionRgn(area, added, area);
    DisposeRgn(added);
  }
  (*te)->selStart = ns;
  (*te)->selEnd = ne;
  ExtendedRetraceRegion(te, area);
  DisposeRgn(area);
  ExtendedFixeStyleNull(te);
  if (ns == ne) {
    ExtendedLongPoint p;
    ExtendedTEGetPoint(ne, te, &p);
    (*te)->selPoint = p;
  }
}

void ExtendedTESetSelect(int32_t a, int32_t b, ExtendedTE te) {
  ExtendedFixeSelect(a, b, te);
  ExtendedTESelView(te);
}

void ExtendedRetraceRegion(ExtendedTE te, RgnHandle rgn) {
  if (!te || !rgn || (*te)->drawLock) return;
  CGrafPtr saved;
  GetPort(&saved);
  SetPort((*te)->port);
  RgnHandle old = NewRgn();
  RgnHandle clip = NewRgn();
  GetClip(old);
  SectRgn(old, rgn, clip);
  SetClip(clip);
  Rect bounds;
  GetRegionBounds(rgn, &bounds);
  ExtendedTEUpdate(&bounds, te);
  SetClip(old);
  DisposeRgn(clip);
  DisposeRgn(old);
  SetPort(saved);
}

void ExtendedRetraceAireSelectTexte(ExtendedTE te) {
  if (!te) return;
  RgnHandle rgn = ExtendedComputeSelectRgn((*te)->selStart, (*te)->selEnd, te);
  ExtendedRetraceRegion(te, rgn);
  DisposeRgn(rgn);
}

void ExtendedTEUpdate(const Rect* r, ExtendedTE te) {
  if (!te || !r) return;
  Rect view = (*te)->viewRect;
  Rect narrowed;
  SectRect(&view, r, &narrowed);
  (*te)->viewRect = narrowed;
  Extended_affiche_texte(te, 0, (*te)->teLength - 1, 0, 0);
  Extended_affiche_select(te);
  (*te)->viewRect = view;
}

// ---- scrolling -----------------------------------------------------------------

void ExtendedTEScroll(int32_t dh, int32_t dv, ExtendedTE te) {
  if (!te || (dh == 0 && dv == 0) || (*te)->drawLock) return;
  CGrafPtr saved;
  GetPort(&saved);
  SetPort((*te)->port);
  Rect view = (*te)->viewRect;
  RgnHandle clip = AddRectAuClip(&view);
  if ((*te)->selStart == (*te)->selEnd) ExtendedAfficheCurseur(te, 0);
  ExtendedTERec& r = **te;
  r.destRect.left += dh;
  r.destRect.right += dh;
  r.destRect.top += dv;
  r.destRect.bottom += dv;
  // No pixels are moved: the whole view is drawn again.
  RGBColor c = r.eraseColor;
  r.setAlphaBackground(r.eraseAlpha);
  (*te)->eraseColorRect((*te)->eraseRefCon, &view, &c);
  (*te)->setAlphaBackground(1.0f);
  Rect grown = view;
  InsetRect(&grown, -1, -1);
  ExtendedTEUpdate(&grown, te);
  RestaureClip(clip);
  int32_t a = (*te)->anchorStart, b = (*te)->anchorEnd;
  ExtendedFixeSelect(a, b, te);
  SetPort(saved);
}

void ExtendedTESelView(ExtendedTE te) {
  if (!te || !(*te)->autoView || (*te)->teLength == 0) return;
  ExtendedLongPoint p;
  ExtendedTEGetPoint((*te)->anchorEnd, te, &p);
  int32_t h = static_cast<int32_t>(LineHeightOf(te, PointLine(te, (*te)->anchorEnd)));
  const Rect view = (*te)->viewRect;
  int32_t dv = 0, dh = 0;
  if (p.v - h < view.top) dv = view.top - (p.v - h);
  else if (p.v > view.bottom) dv = view.bottom - p.v;
  if (p.h < view.left) dh = view.left - p.h;
  else if (p.h > view.right) dh = view.right - p.h - 1;
  if (dh == 0 && dv == 0) return;
  if ((*te)->selStart != (*te)->selEnd) ExtendedTEUpdate(&view, te);
  ExtendedTEScroll(dh, dv, te);
}

uint8_t ExtendedTEClikLoop(Point pt, ExtendedTE te) {
  if (!te) return 1;
  const Rect view = (*te)->viewRect;
  if (PtInRect(pt, &view)) return 1;
  int32_t packed =
      static_cast<int32_t>((static_cast<uint32_t>(static_cast<uint16_t>(pt.h)) << 16) | static_cast<uint16_t>(pt.v));
  int32_t off = ExtendedTEGetOffset(packed, te);
  int32_t line = PointLine(te, off);
  int32_t h = static_cast<int32_t>(LineHeightOf(te, line));
  const ExtendedLongRect d = (*te)->destRect;
  int32_t dh = 0, dv = 0;
  if (pt.h < view.left) {
    dh = h - 1;
    if (d.left + dh > view.left) dh = view.left - d.left;
    if (dh < 0) dh = 0;
  } else if (pt.h > view.right) {
    dh = -(h - 1);
    if (d.right + dh < view.right) dh = view.right - d.right;
    if (dh > 0) dh = 0;
  }
  ExtendedLongPoint p;
  ExtendedTEGetPoint(off, te, &p);
  if (pt.v < view.top) {
    dv = view.top - (p.v - h);
    if (d.top + dv > view.top) dv = view.top - d.top;
    if (dv < 0) dv = 0;
  } else if (pt.v > view.bottom) {
    dv = view.bottom - p.v;
    if (d.bottom + dv < view.bottom) dv = view.bottom - d.bottom;
    if (dv > 0) dv = 0;
  }
  ExtendedTEScroll(dh, dv, te);
  return 1;
}
