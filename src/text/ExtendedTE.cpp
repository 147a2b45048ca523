// The styled text-edit record: creation, the standard operation slots, text
// editing, the use-counted style table, the style runs and the pending style.
#include "text/ExtendedTE.h"

#include <cmath>
#include <cstring>

#include "platform/Memory.h"
#include "platform/TextDraw.h"
#include "system/PortLayer.h"
#include "system/Reporters.h"
#include "text/Fontes.h"
#include "text/TextEncodings.h"
#include "text/UTFText.h"

uint8_t ModeInsert = 1;

namespace {

const RGBColor kBlack = {0, 0, 0};
const RGBColor kWhite = {65535, 65535, 65535};

bool SameColor(const RGBColor& a, const RGBColor& b) {
  return a.red == b.red && a.green == b.green && a.blue == b.blue;
}

// The run block: header, then nRuns + 1 runs.
size_t RunBlockSize(int32_t nRuns) { return sizeof(ExtendedStylRec) + sizeof(ExtendedRun) * (size_t)(nRuns + 1); }

int32_t TextLength(ExtendedStylHandle sh) {
  // The sentinel sits one past the text.
  return ExtendedRuns(sh)[(*sh)->nRuns].start - 1;
}

void DisposeNullStyle(Handle nullStyle) {
  if (!nullStyle) return;
  if (GetHandleSize(nullStyle) >= (int64_t)sizeof(ExtendedNullStyleRec)) {
    DisposeHandle(reinterpret_cast<ExtendedNullStyleRec*>(*nullStyle)->list);
  }
  DisposeHandle(nullStyle);
}

Handle NewNullStyle() {
  Handle h = NewHandleClear(sizeof(ExtendedNullStyleRec));
  if (!h) return nullptr;
  Handle list = NewHandleClear(sizeof(ExtendedNullStyleList));
  reinterpret_cast<ExtendedNullStyleRec*>(*h)->list = list;
  if (list) reinterpret_cast<ExtendedNullStyleList*>(*list)->count = 0;
  return h;
}

// The pending-style list, when it holds exactly one usable entry.
const ExtendedNullStyleEntry* PendingEntry(ExtendedStylHandle sh) {
  if (!sh || !(*sh)->nullStyle) return nullptr;
  Handle ns = (*sh)->nullStyle;
  if (GetHandleSize(ns) < (int64_t)sizeof(ExtendedNullStyleRec)) return nullptr;
  Handle list = reinterpret_cast<ExtendedNullStyleRec*>(*ns)->list;
  if (!list || GetHandleSize(list) < (int64_t)sizeof(ExtendedNullStyleList)) return nullptr;
  const ExtendedNullStyleList* l = reinterpret_cast<const ExtendedNullStyleList*>(*list);
  return l->count == 1 ? &l->entries[0] : nullptr;
}

bool EqualStyle(const ExtendedStyle& s, int16_t font, uint8_t face, float size, const RGBColor& color) {
  return s.font == (uint16_t)font && s.face == face && SameColor(s.color, color) && std::fabs(s.size - size) < 0.0001f;
}

void SaveCurrentPort(CGrafPtr* saved, ExtendedTE te) {
  GetPort(saved);
  if (te && (*te)->port) SetPort((*te)->port);
}

}  // namespace

// ---- accessors -------------------------------------------------------------

ExtendedRun* ExtendedRuns(ExtendedStylHandle sh) {
  return reinterpret_cast<ExtendedRun*>(reinterpret_cast<char*>(*sh) + sizeof(ExtendedStylRec));
}

ExtendedStyle* ExtendedStyles(ExtendedStylHandle sh) {
  Handle t = (*sh)->styleTable;
  return t ? reinterpret_cast<ExtendedStyle*>(*t) : nullptr;
}

int32_t* ExtendedLineStarts(ExtendedTE te) {
  return reinterpret_cast<int32_t*>(reinterpret_cast<char*>(*te) + sizeof(ExtendedTERec));
}

// ---- standard operations ---------------------------------------------------

uint16_t vect_wordBreak(ExtendedTE te, int32_t offset) {
  const ExtendedTERec& r = **te;
  if (offset < 0 || offset >= r.teLength) return 0;
  const uint8_t* s = reinterpret_cast<const uint8_t*>(*r.hText);
  if (r.charMode == 4) {
    if (offset == 0) return 1;
    // Inside a multi-byte character: the character that begins before the
    // offset does not end at it.
    int32_t prev = UTFPrevChar(*r.hText, offset, r.teLength);
    if (UTFNextChar(*r.hText, prev, r.teLength) != offset) return 1;
  }
  uint8_t b = s[offset];
  return (b != '-' && b > 32) ? 1 : 0;
}

uint16_t vect_inEscape(ExtendedTE, int32_t) { return 0; }

uint8_t VectStdDrawText(ExtendedTE te, int32_t, const char* bytes, int32_t length) {
  if (length <= 0) return 1;
  if ((*te)->charMode == 4) {
    UTFDrawText(nullptr, bytes, 0, length, (*te)->angle);
  } else {
    DrawText(bytes, 0, static_cast<int16_t>(length > 32767 ? 32767 : length));
  }
  return 1;
}

float VectStdTextWidth(ExtendedTE te, int32_t, const char* text, int32_t offset, int32_t length) {
  if (length <= 0) return 0.0f;
  int16_t w;
  if ((*te)->charMode == 4) {
    w = UTFTextWidth(nullptr, text + offset, 0, length);
  } else {
    w = TextWidth(text + offset, 0, static_cast<int16_t>(length > 32767 ? 32767 : length));
  }
  return static_cast<float>(w);
}

void VectStdTextFont(int16_t font) { TextFont(font); }
void VectStdTextFace(uint8_t face) { TextFace(face); }
void VectStdTextMode(int16_t mode) { TextMode(mode); }
void VectStdTextSize(float size) { TextSize(size <= 0.1111f ? 12 : static_cast<int16_t>(size)); }
void VectStdSpaceExtra(Fixed extra) { SpaceExtra(extra); }
void VectStdTextColor(const RGBColor* color) { RGBForeColor(color); }

void GetFontMetrics(FontInfo* out) {
  // The Core Text preference is on in this system.
  CoreTextFontMetrics(out);
}

void VectStdGetFontInfo(float info[4]) {
  // Measured at ten times the size so that the metrics keep a decimal.
  int16_t size = CarboniseGetTextSizePortCourant();
  if (size == 0) size = 12;
  int32_t big = size * 10;
  TextSize(static_cast<int16_t>(big > 32767 ? 32767 : big));
  FontInfo fi{};
  GetFontMetrics(&fi);
  info[0] = fi.ascent * 0.1f;
  info[1] = fi.descent * 0.1f;
  info[2] = fi.widMax * 0.1f;
  info[3] = fi.leading * 0.1f;
  TextSize(size);
}

// The pen lives on the 16-bit plane: a line laid out past its edge (a text
// of many lines, a huge size) puts the pen on the edge.
void VectStdMoveTo(float h, float v) {
  auto plan = [](float x) { return static_cast<int16_t>(std::fmin(std::fmax(x, -32768.0f), 32767.0f)); };
  MoveTo(plan(h), plan(v));
}
void VectStdSetAlphaBackground(float) {}
void VectStdEraseColorRect(uint32_t, const Rect* r, const RGBColor* color) { CarboniseEraseColorRect(r, color); }
void VectStdEraseColorRgn(uint32_t, RgnHandle rgn, const RGBColor* color) { CarboniseEraseColorRgn(rgn, color); }

uint8_t ExtendedTEClikLoop(Point pt, ExtendedTE te);

void ExtendedTESetStandardSlots(ExtendedTE te) {
  ExtendedTERec& r = **te;
  r.wordBreak = vect_wordBreak;
  r.inEscape = vect_inEscape;
  r.clikLoop = ExtendedTEClikLoop;
  r.drawText = VectStdDrawText;
  r.textWidth = VectStdTextWidth;
  r.textFont = VectStdTextFont;
  r.textFace = VectStdTextFace;
  r.textMode = VectStdTextMode;
  r.textSize = VectStdTextSize;
  r.spaceExtra = VectStdSpaceExtra;
  r.textColor = VectStdTextColor;
  r.getFontInfo = VectStdGetFontInfo;
  r.moveTo = VectStdMoveTo;
  r.setAlphaBackground = VectStdSetAlphaBackground;
  r.eraseColorRect = VectStdEraseColorRect;
  r.eraseColorRgn = VectStdEraseColorRgn;
}

// ---- port text state -------------------------------------------------------

void ExtendedGetTextState(ExtendedTextState* st) {
  CGrafPtr port = nullptr;
  GetPort(&port);
  st->tempPort = nullptr;
  if (!port) {
    st->tempPort = CarboniseCreatePort();
    SetPort(st->tempPort);
    port = st->tempPort;
  }
  st->font = GetPortTextFont(port);
  st->size = GetPortTextSize(port);
  st->face = GetPortTextFace(port);
  st->mode = GetPortTextMode(port);
  st->spaceExtra = GetPortSpExtra(port);
}

void ExtendedSetTextState(const ExtendedTextState* st, ExtendedTE te) {
  if (st->tempPort) {
    SetPort(nullptr);
    CarboniseDisposePort(st->tempPort);
    return;
  }
  if (te) {
    ExtendedTERec& r = **te;
    r.textFont(st->font);
    r.textSize(st->size);
    r.textFace(st->face);
    r.textMode(st->mode);
    r.spaceExtra(st->spaceExtra);
  } else {
    TextFont(st->font);
    TextSize(st->size);
    TextFace(st->face);
    TextMode(st->mode);
    SpaceExtra(st->spaceExtra);
  }
}

void ExtendedGetPenAndColorState(ExtendedPenAndColorState* st) {
  GetPenState(&st->pen);
  GetBackColor(&st->back);
}

void ExtendedSetPenAndColorState(const ExtendedPenAndColorState* st) {
  SetPenState(&st->pen);
  RGBBackColor(&st->back);
}

// ---- creation and disposal -------------------------------------------------

ExtendedTE ExtendedTENew(const Rect* destRect, const Rect* viewRect) {
  Handle h = NewHandleClear(sizeof(ExtendedTERec) + sizeof(int32_t));
  if (!h) return nullptr;
  ExtendedTE te = reinterpret_cast<ExtendedTE>(h);
  Handle text = NewHandle(0);
  if (!text) {
    DisposeHandle(h);
    return nullptr;
  }
  {
    ExtendedTERec& r = **te;
    r.destRect = {destRect->left, destRect->right, destRect->top, destRect->bottom};
    r.viewRect = *viewRect;
    r.teLength = 0;
    r.eraseBackground = 1;
    r.charMode = 4;
    r.eraseColor = kWhite;
    GetPort(&r.port);
    r.caretWidth = 1;
    r.just = 0;
    r.hText = text;
  }
  ExtendedTESetStandardSlots(te);
  CGrafPtr saved;
  SaveCurrentPort(&saved, te);
  CGrafPtr port = (*te)->port;
  float info[4] = {0, 0, 0, 0};
  TextStyle st{};
  if (port) {
    (*te)->getFontInfo(info);
    st.font = GetPortTextFont(port);
    st.face = GetPortTextFace(port);
    st.size = GetPortTextSize(port);
    GetPortForeColor(port, &st.color);
    (*te)->txMode = static_cast<uint16_t>(GetPortTextMode(port));
  } else {
    st.font = 1;
    st.color = kBlack;
  }
  // The record's own style differs from every setting at first, so all four are applied.
  (*te)->txFont = 0xFFFF;
  (*te)->txSize = -1;
  (*te)->txFace = 0xFF;
  (*te)->txColor = {1, 2, 3};
  ExtendedTESetStyle(doAll, &st, 0, te);
  ExtendedTERec& r = **te;
  r.selStart = r.selEnd = r.anchorStart = r.anchorEnd = 0;
  if (r.lineHeight == 0) {
    r.fontAscent = info[0];
    r.lineHeight = static_cast<int32_t>(info[0] + info[1] + info[3]);
  }
  ExtendedLineStarts(te)[0] = 0;
  r.drawLock = 0;
  SetPort(saved);
  ExtendedTECalText(te);
  return te;
}

ExtendedTE ExtendedTEStylNew(const Rect* destRect, const Rect* viewRect) {
  ExtendedTE te = ExtendedTENew(destRect, viewRect);
  if (!te) return nullptr;
  (*te)->lineHeight = -1;
  (*te)->fontAscent = -1.0f;
  (*te)->txSize = -1;
  ExtendedStylHandle sh = ExtendedNewStylHandle();
  if (!sh) {
    ExtendedTEDispose(te);
    return nullptr;
  }
  ExtendedSetStylHandle(sh, te);
  Extended_InitStyle(te);
  ExtendedTECalText(te);
  return te;
}

void ExtendedTEDispose(ExtendedTE te) {
  if (!te) return;
  ExtendedDisposeExtText((*te)->styleHandle);
  DisposeHandle((*te)->hText);
  DisposeHandle(reinterpret_cast<Handle>(te));
}

ExtendedStylHandle ExtendedNewStylHandle() {
  Handle h = NewHandleClear(RunBlockSize(0));
  if (!h) return nullptr;
  ExtendedStylHandle sh = reinterpret_cast<ExtendedStylHandle>(h);
  (*sh)->scale = 1.0f;
  (*sh)->styleTable = NewHandle(0);
  (*sh)->lineHeights = NewHandleClear(sizeof(ExtendedLineHeight));
  (*sh)->nullStyle = NewNullStyle();
  ExtendedRuns(sh)[0] = {1, kExtendedSentinelStyle};
  return sh;
}

void ExtendedInitStylHandle(ExtendedStylHandle sh, const TextStyle* style, int32_t textLength, ExtendedTE te) {
  if (!sh) return;
  DisposeHandle((*sh)->styleTable);
  DisposeHandle((*sh)->lineHeights);
  DisposeNullStyle((*sh)->nullStyle);
  (*sh)->styleTable = NewHandle(0);
  (*sh)->nStyles = 0;
  (*sh)->lineHeights = NewHandleClear(sizeof(ExtendedLineHeight));
  (*sh)->nullStyle = NewNullStyle();
  (*sh)->scale = 1.0f;
  SetHandleSize(reinterpret_cast<Handle>(sh), RunBlockSize(1));
  if (MemError()) {
    (*sh)->nRuns = 0;
    ExtendedRuns(sh)[0] = {textLength + 1, kExtendedSentinelStyle};
    return;
  }
  (*sh)->nRuns = 1;
  ExtendedRuns(sh)[0] = {0, 0};
  ExtendedRuns(sh)[1] = {textLength + 1, kExtendedSentinelStyle};
  int32_t idx = ExtendedAddStyle(style, sh, te);
  if (idx == 0) ExtendedStyles(sh)[0].useCount = 1;
}

void ExtendedSetStylHandle(ExtendedStylHandle sh, ExtendedTE te) {
  if (!te) return;
  if ((*te)->styleHandle && (*te)->styleHandle != sh) ExtendedDisposeExtText((*te)->styleHandle);
  (*te)->styleHandle = sh;
}

ExtendedStylHandle ExtendedGetStylHandle(ExtendedTE te) { return te ? (*te)->styleHandle : nullptr; }

void ExtendedDisposeExtText(ExtendedStylHandle sh) {
  if (!sh) return;
  DisposeHandle((*sh)->styleTable);
  DisposeHandle((*sh)->lineHeights);
  DisposeNullStyle((*sh)->nullStyle);
  DisposeHandle(reinterpret_cast<Handle>(sh));
}

void ExtendedDisposeStylHandle(ExtendedStylHandle sh) { ExtendedDisposeExtText(sh); }

namespace {

// Line height and ascent of the runs that touch start..end (at least the run
// holding start), with the line spacing added to the height.
ExtendedLineHeight HeightFromRuns(ExtendedTE te, int32_t start, int32_t end) {
  ExtendedLineHeight out{0, 0};
  ExtendedStylHandle sh = (*te)->styleHandle;
  if (!sh) return out;
  int32_t r = Extended_NumRun(start, sh);
  if (r < 0) r = (*sh)->nRuns - 1;
  if (r < 0) return out;
  const ExtendedRun* runs = ExtendedRuns(sh);
  const ExtendedStyle* styles = ExtendedStyles(sh);
  float lh = 0, asc = 0;
  int32_t n = (*sh)->nRuns;
  for (int32_t i = r; i < n; i++) {
    if (i > r && runs[i].start >= end) break;
    if (runs[i].style < (*sh)->nStyles) {
      lh = std::fmax(lh, styles[runs[i].style].lineHeight);
      asc = std::fmax(asc, styles[runs[i].style].ascent);
    }
  }
  float h = lh + (*te)->lineSpacing;
  out.height = static_cast<int16_t>(std::fmin(std::fmax(h, -32768.0f), 32767.0f));
  out.ascent = static_cast<int16_t>(std::fmin(std::fmax(asc, -32768.0f), 32767.0f));
  return out;
}

}  // namespace

ExtendedLineHeight Extended_HeightFromRuns(ExtendedTE te, int32_t start, int32_t end) {
  return HeightFromRuns(te, start, end);
}

void Extended_InitStyle(ExtendedTE te) {
  if (!te || !(*te)->styleHandle) return;
  CGrafPtr port = (*te)->port;
  TextStyle st{};
  st.font = port ? GetPortTextFont(port) : 1;
  st.size = port ? GetPortTextSize(port) : 12;
  st.face = port ? GetPortTextFace(port) : 0;
  st.color = kBlack;
  ExtendedStylHandle sh = (*te)->styleHandle;
  ExtendedInitStylHandle(sh, &st, (*te)->teLength, te);
  Handle lh = (*sh)->lineHeights;
  if (lh && GetHandleSize(lh) >= (int64_t)sizeof(ExtendedLineHeight)) {
    ExtendedLineHeight* e = reinterpret_cast<ExtendedLineHeight*>(*lh);
    if (e[0].height >= 0) {
      int32_t end = (*te)->nLines > 0 ? ExtendedLineStarts(te)[1] : (*te)->teLength;
      e[0] = HeightFromRuns(te, 0, end);
    }
  }
  ExtendedTESetStyle(doAll, &st, 0, te);
}

// ---- text ----------------------------------------------------------------------

Handle ExtendedTEGetText(ExtendedTE te) { return te ? (*te)->hText : nullptr; }

void ExtendedTEFastAddData(const char* bytes, int32_t count, ExtendedTE te) {
  if (!te || !bytes || count <= 0) return;
  int32_t len = (*te)->teLength;
  if ((int64_t)len + count > (int64_t)kMaxBlockSize - 1) return;
  if (PtrAndHand(bytes, (*te)->hText, count) != noErr) return;
  // The runs grow at the old end, wherever the selection stood: the last run
  // takes the bytes.
  if ((*te)->styleHandle) ExtendedRunAdjust(len, count, (*te)->styleHandle);
  ExtendedTERec& r = **te;
  r.teLength = len + count;
  r.selStart = r.selEnd = r.anchorStart = r.anchorEnd = r.teLength;
}

void ExtendedAdjustStartEnd(ExtendedTE te) {
  ExtendedTERec& r = **te;
  auto clamp = [&](int32_t v) { return v < 0 ? 0 : (v > r.teLength ? r.teLength : v); };
  r.anchorStart = clamp(r.anchorStart);
  r.anchorEnd = clamp(r.anchorEnd);
  r.selStart = r.anchorStart < r.anchorEnd ? r.anchorStart : r.anchorEnd;
  r.selEnd = r.anchorStart < r.anchorEnd ? r.anchorEnd : r.anchorStart;
}

void ExtendedTESetStartEnd(ExtendedTE te, int32_t a, int32_t b) {
  if (!te) return;
  ExtendedTERec& r = **te;
  auto clamp = [&](int32_t v) { return v < 0 ? 0 : (v > r.teLength ? r.teLength : v); };
  a = clamp(a);
  b = clamp(b);
  r.selStart = r.anchorStart = a < b ? a : b;
  r.selEnd = r.anchorEnd = a < b ? b : a;
}

void ExtendedTEDelete(ExtendedTE te) {
  if (!te) return;
  ExtendedAdjustStartEnd(te);
  int32_t s = (*te)->selStart, e = (*te)->selEnd;
  if (s == e) return;
  TextStyle kept{};
  bool styled = (*te)->styleHandle != nullptr;
  if (styled) ExtendedTEGetStyle(s, &kept, nullptr, nullptr, te);
  if ((*te)->deleteHook) (*te)->deleteHook(te, 1);
  int32_t count = e - s;
  if (styled) ExtendedRunAdjust(s, -count, (*te)->styleHandle);
  {
    ExtendedTERec& r = **te;
    std::memmove(*r.hText + s, *r.hText + e, static_cast<size_t>(r.teLength - e));
    r.teLength -= count;
    SetHandleSize(r.hText, r.teLength);
    r.selEnd = r.anchorStart = r.anchorEnd = s;
  }
  float oldHeight = ExtendedTEGetHeight(0, (*te)->nLines, te);
  int32_t first = 0, last = 0;
  ExtendedTERecalText(s, s, -count, te, &first, &last);
  ExtendedTEDoText(te, first, last, oldHeight);
  ExtendedTESelView(te);
  if (styled) ExtendedTESetStyle(doAll, &kept, 0, te);
}

void ExtendedTESetJust(int16_t just, ExtendedTE te) {
  if (te) (*te)->just = just;
}
void ExtendedTESetRotation(ExtendedTE te, int16_t angle) {
  if (te && IsUnicodeApplication()) (*te)->angle = angle;
}
void ExtendedTESetEraseBackground(uint8_t flag, ExtendedTE te) {
  if (te) (*te)->eraseBackground = flag;
}
void ExtendedTESetWrap(uint8_t wrap, ExtendedTE te) {
  if (te) (*te)->noWrap = !wrap;
}
void ExtendedTESetNoClipToViewRect(uint8_t flag, ExtendedTE te) {
  if (te) (*te)->noClip = flag;
}
void ExtendedTEAutoView(uint8_t flag, ExtendedTE te) {
  if (te) (*te)->autoView = flag;
}
void ExtendedSetUnicodeMode(ExtendedTE te, uint8_t flag) {
  if (te) (*te)->charMode = flag ? 4 : 2;
}

// ---- runs ----------------------------------------------------------------------

int32_t Extended_NumRun(int32_t offset, ExtendedStylHandle sh) {
  if (!sh) return -1;
  int32_t n = (*sh)->nRuns;
  const ExtendedRun* runs = ExtendedRuns(sh);
  if (n <= 0 || offset < 0 || offset >= runs[n].start || offset < runs[0].start) return -1;
  int32_t lo = 0, hi = n - 1;  // the last run whose start is <= offset
  while (lo < hi) {
    int32_t mid = lo + (hi - lo + 1) / 2;
    if (runs[mid].start <= offset) lo = mid;
    else hi = mid - 1;
  }
  return lo;
}

int32_t Extended_NewRun(int32_t offset, int32_t styleIndex, ExtendedStylHandle sh) {
  if (!sh || styleIndex < 0 || styleIndex >= (*sh)->nStyles) return -1;
  int32_t n = (*sh)->nRuns;
  ExtendedRun* runs = ExtendedRuns(sh);
  if (offset < 0 || offset >= runs[n].start) return -1;
  int32_t i = -1;  // the last run whose start is <= offset
  for (int32_t lo = 0, hi = n - 1; lo <= hi;) {
    int32_t mid = lo + (hi - lo) / 2;
    if (runs[mid].start <= offset) {
      i = mid;
      lo = mid + 1;
    } else {
      hi = mid - 1;
    }
  }
  ExtendedStyle* styles = ExtendedStyles(sh);
  if (i >= 0 && runs[i].start == offset) {
    uint16_t old = runs[i].style;
    if (old < (*sh)->nStyles && styles[old].useCount > 0) styles[old].useCount--;
    runs[i].style = static_cast<uint16_t>(styleIndex);
    styles[styleIndex].useCount++;
    return i;
  }
  if (n >= kExtendedMaxRuns) {
    Collapse("Extended_NewRun : too many runs");
    return -1;
  }
  SetHandleSize(reinterpret_cast<Handle>(sh), RunBlockSize(n + 1));
  if (MemError()) return -1;
  runs = ExtendedRuns(sh);
  int32_t at = i + 1;
  std::memmove(runs + at + 1, runs + at, sizeof(ExtendedRun) * static_cast<size_t>(n + 1 - at));
  runs[at] = {offset, static_cast<uint16_t>(styleIndex)};
  (*sh)->nRuns = static_cast<int16_t>(n + 1);
  ExtendedStyles(sh)[styleIndex].useCount++;
  return at;
}

void Extended_DelRun(int32_t index, ExtendedStylHandle sh) {
  if (!sh) return;
  int32_t n = (*sh)->nRuns;
  if (index < 0 || index >= n) return;
  ExtendedRun* runs = ExtendedRuns(sh);
  uint16_t s = runs[index].style;
  std::memmove(runs + index, runs + index + 1, sizeof(ExtendedRun) * static_cast<size_t>(n - index));
  (*sh)->nRuns = static_cast<int16_t>(n - 1);
  SetHandleSize(reinterpret_cast<Handle>(sh), RunBlockSize(n - 1));
  int32_t nStyles = (*sh)->nStyles;
  if (s >= nStyles) return;
  ExtendedStyle* styles = ExtendedStyles(sh);
  if (styles[s].useCount > 0) styles[s].useCount--;
  if (styles[s].useCount != 0) return;
  std::memmove(styles + s, styles + s + 1, sizeof(ExtendedStyle) * static_cast<size_t>(nStyles - 1 - s));
  (*sh)->nStyles = static_cast<int16_t>(nStyles - 1);
  SetHandleSize((*sh)->styleTable, sizeof(ExtendedStyle) * static_cast<size_t>(nStyles - 1));
  runs = ExtendedRuns(sh);
  for (int32_t i = 0; i < n - 1; i++) {
    if (runs[i].style == s) {
      Collapse("Extended_DelStyle : count illegal ");
    } else if (runs[i].style > s && runs[i].style != kExtendedSentinelStyle) {
      runs[i].style--;
    }
  }
}

void Extended_CleanRun(ExtendedStylHandle sh, int32_t first, int32_t last) {
  if (!sh) return;
  int32_t n = (*sh)->nRuns;
  if (n <= 0) return;
  if (first < 0) first = 0;
  if (last < 0) last = 0;
  if (first > n - 1) first = n - 1;
  if (last > n - 1) last = n - 1;
  for (int32_t i = last; i > first; i--) {
    ExtendedRun* runs = ExtendedRuns(sh);
    if (i >= (*sh)->nRuns) continue;
    if (runs[i].style == runs[i - 1].style) {
      Extended_DelRun(i, sh);
    } else if (runs[i].start == runs[i - 1].start) {
      Extended_DelRun(i - 1, sh);
    }
  }
  n = (*sh)->nRuns;
  if (n >= 2 && ExtendedRuns(sh)[n - 1].start == TextLength(sh)) Extended_DelRun(n - 1, sh);
}

void ExtendedRunAdjust(int32_t offset, int32_t delta, ExtendedStylHandle sh) {
  if (!sh) return;
  int32_t i = Extended_NumRun(offset, sh);
  if (i < 0) {
    Extended_CleanRun(sh, 0, (*sh)->nRuns - 1);
    return;
  }
  for (int32_t j = i + 1; j <= (*sh)->nRuns; j++) {
    ExtendedRun* runs = ExtendedRuns(sh);
    int64_t ns = (int64_t)runs[j].start + delta;
    if (ns < offset) {
      ns = offset;
      if (runs[j - 1].start == offset) {
        Extended_DelRun(j - 1, sh);
        j--;
        runs = ExtendedRuns(sh);
      }
    }
    runs[j].start = static_cast<int32_t>(ns);
  }
  Extended_CleanRun(sh, i - 1, (*sh)->nRuns - 1);
}

void ExtendedRunOffset(int32_t offset, int32_t delta, ExtendedStylHandle sh) {
  if (!sh) return;
  ExtendedRun* runs = ExtendedRuns(sh);
  for (int32_t j = 0; j <= (*sh)->nRuns; j++) {
    if (runs[j].start >= offset) runs[j].start += delta;
  }
}

// ---- styles --------------------------------------------------------------------

int32_t ExtendedAddStyleF(int16_t font, uint8_t face, float size, const RGBColor* color, ExtendedStylHandle sh,
                          ExtendedTE te) {
  if (!sh) return -1;
  int32_t n = (*sh)->nStyles;
  const ExtendedStyle* styles = ExtendedStyles(sh);
  for (int32_t i = 0; i < n; i++) {
    if (EqualStyle(styles[i], font, face, size, *color)) return i;
  }
  if (n >= kExtendedMaxStyles || !(*sh)->styleTable) return -1;
  SetHandleSize((*sh)->styleTable, sizeof(ExtendedStyle) * static_cast<size_t>(n + 1));
  if (MemError()) return -1;
  ExtendedTextState state;
  ExtendedGetTextState(&state);
  float ascent, descent, leading;
  if (te) {
    (*te)->textFont(font);
    (*te)->textFace(face);
    (*te)->textSize(size);
    float info[4] = {0, 0, 0, 0};
    (*te)->getFontInfo(info);
    ascent = info[0];
    descent = info[1];
    leading = info[3];
  } else {
    TextFont(font);
    TextFace(face);
    TextSize(static_cast<int16_t>(size));
    FontInfo fi{};
    GetFontMetrics(&fi);
    ascent = fi.ascent;
    descent = fi.descent;
    leading = fi.leading;
  }
  if (vellariPrint != 0 && font == vellariPrint) {
    // The print music font's metrics reach far beyond the symbols' bodies
    // (0 is the system font: the music font is not known yet).
    ascent *= 0.25f;
    descent *= 0.25f;
    leading *= 0.25f;
  }
  ExtendedStyle& e = ExtendedStyles(sh)[n];
  e.useCount = 0;
  e.lineHeight = descent + ascent + leading;
  e.ascent = ascent;
  e.font = static_cast<uint16_t>(font);
  e.face = face;
  e.size = size;
  e.color = *color;
  (*sh)->nStyles = static_cast<int16_t>(n + 1);
  ExtendedSetTextState(&state, te);
  return n;
}

int32_t ExtendedAddStyle(const TextStyle* style, ExtendedStylHandle sh, ExtendedTE te) {
  return ExtendedAddStyleF(style->font, style->face, style->size, &style->color, sh, te);
}

void ExtendedTEStyleToTextStyle(const ExtendedStyle* style, TextStyle* out) {
  out->font = static_cast<int16_t>(style->font);
  out->face = style->face;
  out->size = static_cast<int16_t>(style->size);
  out->color = style->color;
}

void ExtendedGetStyleNull(ExtendedStylHandle sh, TextStyle* out) {
  const ExtendedNullStyleEntry* e = PendingEntry(sh);
  if (e) {
    out->font = e->font;
    out->face = e->face;
    out->size = e->size;
    out->color = e->color;
  } else {
    out->font = 1;
    out->face = 0;
    out->size = 0;
    out->color = kBlack;
  }
}

uint8_t ExtendedTESetStyleRange(int16_t mode, const TextStyle* style, int32_t start, int32_t end, ExtendedStylHandle sh,
                                ExtendedTE te, const TextStyle* baseStyle) {
  if (!sh || !style) return 0;
  int32_t len = TextLength(sh);
  if (start < 0) start = 0;
  if (end > len) end = len;
  if (start > end) start = end;
  if (start == end) {
    TextStyle p;
    ExtendedGetStyleNull(sh, &p);
    if (mode & doFont) p.font = style->font;
    if (mode & doToggle) p.face ^= style->face;
    else if (mode & doFace) p.face = style->face;
    if (mode & doColor) p.color = style->color;
    if (mode & addSize) p.size = static_cast<int16_t>(p.size + style->size);
    else if (mode & doSize) p.size = style->size;
    Handle ns = (*sh)->nullStyle;
    if (ns && GetHandleSize(ns) >= (int64_t)sizeof(ExtendedNullStyleRec)) {
      Handle list = reinterpret_cast<ExtendedNullStyleRec*>(*ns)->list;
      if (!list) {
        list = NewHandleClear(sizeof(ExtendedNullStyleList));
        reinterpret_cast<ExtendedNullStyleRec*>(*ns)->list = list;
      } else {
        SetHandleSize(list, sizeof(ExtendedNullStyleList));
        if (MemError()) list = nullptr;
      }
      if (list) {
        ExtendedNullStyleList* l = reinterpret_cast<ExtendedNullStyleList*>(*list);
        l->count = 1;
        l->entries[0] = {0, 0, 0, p.font, p.face, p.size, p.color};
      }
    }
    if (len != 0) return 0;
  }
  // A base run at the start when the runs do not reach it.
  if ((*sh)->nRuns <= 0 || ExtendedRuns(sh)[0].start > start) {
    TextStyle base{};
    if (baseStyle) base = *baseStyle;
    else if (te) base = {static_cast<int16_t>((*te)->txFont), (*te)->txFace, (*te)->txSize, (*te)->txColor};
    else base = {1, 0, 0, kBlack};
    int32_t idx = ExtendedAddStyle(&base, sh, te);
    if (idx >= 0) Extended_NewRun(0, idx, sh);
  }
  int32_t r = Extended_NumRun(end, sh);
  if (r >= 0) Extended_NewRun(end, ExtendedRuns(sh)[r].style, sh);
  r = Extended_NumRun(start, sh);
  if (r >= 0) Extended_NewRun(start, ExtendedRuns(sh)[r].style, sh);
  int32_t firstRun = Extended_NumRun(start, sh);
  if (firstRun < 0) return 1;
  int32_t i = firstRun;
  for (; i < (*sh)->nRuns; i++) {
    ExtendedRun run = ExtendedRuns(sh)[i];
    if (!(run.start < end || (start == end && i == firstRun))) break;
    if (run.style >= (*sh)->nStyles) continue;
    ExtendedStyle e = ExtendedStyles(sh)[run.style];
    int16_t font = (mode & doFont) ? style->font : static_cast<int16_t>(e.font);
    uint8_t face = (mode & doToggle) ? static_cast<uint8_t>(e.face ^ style->face)
                   : (mode & doFace) ? style->face
                                     : e.face;
    RGBColor color = (mode & doColor) ? style->color : e.color;
    float size = (mode & addSize) ? e.size + style->size : (mode & doSize) ? static_cast<float>(style->size) : e.size;
    if (EqualStyle(e, font, face, size, color)) continue;
    int32_t idx = ExtendedAddStyleF(font, face, size, &color, sh, te);
    if (idx < 0) continue;
    int32_t nBefore = (*sh)->nStyles;
    Extended_DelRun(i, sh);
    if ((*sh)->nStyles < nBefore && idx > run.style) idx--;
    Extended_NewRun(run.start, idx, sh);
  }
  Extended_CleanRun(sh, firstRun - 1, i + 2);
  return 1;
}

void ExtendedTESetStyle(int16_t mode, const TextStyle* style, uint8_t redraw, ExtendedTE te) {
  if (!te || !style) return;
  if ((*te)->styleHandle) {
    ExtendedTERec& r = **te;
    if (ExtendedTESetStyleRange(mode, style, r.selStart, r.selEnd, r.styleHandle, te, nullptr)) {
      float oldHeight = ExtendedTEGetHeight(0, (*te)->nLines, te);
      int32_t first = 0, last = 0;
      ExtendedTERecalText((*te)->selStart, (*te)->selEnd, 0, te, &first, &last);
      if (redraw) ExtendedTEDoText(te, first, (*te)->teLength, oldHeight);
    }
    return;
  }
  CGrafPtr saved;
  SaveCurrentPort(&saved, te);
  ExtendedTERec& r = **te;
  if (mode & doFont) r.txFont = static_cast<uint16_t>(style->font);
  if (mode & doToggle) r.txFace ^= style->face;
  else if (mode & doFace) r.txFace = style->face;
  if (mode & addSize) r.txSize = static_cast<int16_t>(r.txSize + style->size);
  else if ((mode & doSize) && r.txSize != style->size) r.txSize = style->size;
  if ((mode & doColor) && !SameColor(r.txColor, style->color)) r.txColor = style->color;
  r.textFont(static_cast<int16_t>(r.txFont));
  r.textFace(r.txFace);
  r.textSize(r.txSize);
  RGBColor c = r.txColor;
  r.textColor(&c);
  float info[4] = {0, 0, 0, 0};
  r.getFontInfo(info);
  ExtendedTERec& r2 = **te;
  r2.fontAscent = info[0];
  r2.lineHeight = static_cast<int32_t>(info[0] + info[1] + info[3]);
  SetPort(saved);
}

void ExtendedTEGetStyleFromStyleHandle(int32_t offset, TextStyle* out, int16_t* lineHeight, int16_t* ascent,
                                       ExtendedTE te) {
  ExtendedStylHandle sh = (*te)->styleHandle;
  int32_t r = Extended_NumRun(offset, sh);
  if (r < 0 && sh && (*sh)->nRuns > 0 && offset >= 0) r = (*sh)->nRuns - 1;
  if (r < 0 || ExtendedRuns(sh)[r].style >= (*sh)->nStyles) return;
  const ExtendedStyle& e = ExtendedStyles(sh)[ExtendedRuns(sh)[r].style];
  ExtendedTEStyleToTextStyle(&e, out);
  if (lineHeight) *lineHeight = static_cast<int16_t>(e.lineHeight);
  if (ascent) *ascent = static_cast<int16_t>(e.ascent);
}

void ExtendedTEGetStyle(int32_t offset, TextStyle* out, int16_t* lineHeight, int16_t* ascent, ExtendedTE te) {
  if (!te || !out) return;
  const ExtendedTERec& r = **te;
  out->font = static_cast<int16_t>(r.txFont);
  out->face = r.txFace;
  out->size = r.txSize;
  out->color = r.txColor;
  if (lineHeight) *lineHeight = static_cast<int16_t>(r.lineHeight);
  if (ascent) *ascent = static_cast<int16_t>(r.fontAscent);
  if (r.styleHandle) ExtendedTEGetStyleFromStyleHandle(offset, out, lineHeight, ascent, te);
}

void ExtendedFixeStyleNull(ExtendedTE te) {
  if (!te || !(*te)->styleHandle || (*te)->selStart != (*te)->selEnd) return;
  int32_t at = (*te)->selStart > 0 ? (*te)->selStart - 1 : 0;
  ExtendedStylHandle sh = (*te)->styleHandle;
  TextStyle st{static_cast<int16_t>((*te)->txFont), (*te)->txFace, (*te)->txSize, (*te)->txColor};
  int32_t r = Extended_NumRun(at, sh);
  if (r >= 0 && ExtendedRuns(sh)[r].style < (*sh)->nStyles) {
    ExtendedTEStyleToTextStyle(&ExtendedStyles(sh)[ExtendedRuns(sh)[r].style], &st);
  }
  ExtendedTESetStyle(doAll, &st, 0, te);
}
