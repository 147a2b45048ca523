// Line breaking of the styled text-edit record: the line-start table, the
// per-line heights of a styled record, width measuring, the line of an
// offset and the height of a range of lines. Only the paragraphs an edit
// touched are broken again; the lines after them are shifted.
#include <cmath>
#include <cstring>

#include "platform/Memory.h"
#include "text/ExtendedTE.h"
#include "text/TextEncodings.h"

namespace {

bool IsEnd(uint8_t b) { return b == 13 || b == 10; }

int32_t NextChar(ExtendedTE te, int32_t p) {
  const ExtendedTERec& r = **te;
  if (p >= r.teLength) return r.teLength;
  if (r.charMode == 4) return UTFNextChar(*r.hText, p, r.teLength);
  return p + 1;
}

int32_t PrevChar(ExtendedTE te, int32_t p) {
  const ExtendedTERec& r = **te;
  if (p <= 0) return 0;
  if (r.charMode == 4) return UTFPrevChar(*r.hText, p, r.teLength);
  return p - 1;
}

bool IsWordPos(ExtendedTE te, int32_t p) { return (*te)->wordBreak(te, p) != 0 || (*te)->inEscape(te, p) != 0; }

int32_t WrapWidth(ExtendedTE te) {
  int64_t w = (int64_t)(*te)->destRect.right - (*te)->destRect.left;
  return static_cast<int32_t>(w < 0 ? 0 : (w > 32000 ? 32000 : w));
}

// Length of a stretch without its trailing CR and LF bytes.
int32_t TrimEnds(ExtendedTE te, int32_t start, int32_t length) {
  const uint8_t* s = reinterpret_cast<const uint8_t*>(*(*te)->hText);
  while (length > 0 && IsEnd(s[start + length - 1])) length--;
  return length;
}

// Clamps a stretch to the text; false when nothing remains.
bool ClampStretch(ExtendedTE te, int32_t* start, int32_t* length) {
  int32_t len = (*te)->teLength;
  if (*start < 0) *start = 0;
  if (*start > len) *start = len;
  if (*length > len - *start) *length = len - *start;
  return *length > 0;
}

ExtendedLineHeight* Heights(ExtendedTE te) {
  ExtendedStylHandle sh = (*te)->styleHandle;
  if (!sh || !(*sh)->lineHeights) return nullptr;
  return reinterpret_cast<ExtendedLineHeight*>(*(*sh)->lineHeights);
}

int32_t HeightsCount(ExtendedTE te) {
  ExtendedStylHandle sh = (*te)->styleHandle;
  if (!sh || !(*sh)->lineHeights) return 0;
  return static_cast<int32_t>(GetHandleSize((*sh)->lineHeights) / (int64_t)sizeof(ExtendedLineHeight));
}

// The last line whose start is <= offset, over the table as it stands.
int32_t LineOfRaw(ExtendedTE te, int32_t offset) {
  int32_t n = (*te)->nLines;
  if (n <= 0) return 0;
  const int32_t* starts = ExtendedLineStarts(te);
  int32_t lo = 0, hi = n - 1;
  while (lo < hi) {
    int32_t mid = lo + (hi - lo + 1) / 2;
    if (starts[mid] <= offset) lo = mid;
    else hi = mid - 1;
  }
  return lo;
}

struct PortSaver {
  CGrafPtr saved = nullptr;
  ExtendedTextState state{};
  bool withState = false;
  ExtendedTE te;
  PortSaver(ExtendedTE t, bool saveState) : te(t) {
    GetPort(&saved);
    if ((*te)->port) SetPort((*te)->port);
    withState = saveState;
    if (withState) ExtendedGetTextState(&state);
  }
  ~PortSaver() {
    if (withState) ExtendedSetTextState(&state, te);
    SetPort(saved);
  }
};

float RunSize(ExtendedStylHandle sh, const ExtendedStyle& e, bool truncate) {
  float size = truncate ? static_cast<float>(static_cast<int32_t>(e.size)) : e.size;
  if (size == 0) size = 12;
  return size * (*sh)->scale;
}

}  // namespace

// ---- break positions ---------------------------------------------------------

int32_t NextPosBreak(ExtendedTE te, int32_t offset) {
  int32_t len = (*te)->teLength;
  int32_t p = NextChar(te, offset < 0 ? 0 : offset);
  while (p < len && IsWordPos(te, p)) p = NextChar(te, p);
  return p > len ? len : p;
}

int32_t PrevPosBreak(ExtendedTE te, int32_t offset) {
  int32_t len = (*te)->teLength;
  int32_t p = PrevChar(te, offset > len ? len : offset);
  while (p > 0 && IsWordPos(te, p)) p = PrevChar(te, p);
  return p < 0 ? 0 : p;
}

// ---- widths --------------------------------------------------------------------

float ExtendedTailleMaxTexte(ExtendedTE te, int32_t line, int32_t start, int32_t length, uint8_t saveState) {
  if (!ClampStretch(te, &start, &length)) return 0.0f;
  PortSaver ps(te, saveState != 0);
  ExtendedStylHandle sh = (*te)->styleHandle;
  if (!sh) {
    ExtendedTERec& r = **te;
    r.textFont(static_cast<int16_t>(r.txFont));
    r.textSize(r.txSize);
    r.textFace(r.txFace);
    float info[4] = {0, 0, 0, 0};
    r.getFontInfo(info);
    return static_cast<float>(length) * info[2];
  }
  float total = 0;
  if ((*te)->lineIndent) {
    int32_t ls = (line >= 0 && line < (*te)->nLines) ? ExtendedLineStarts(te)[line] : start;
    total += static_cast<float>((*te)->lineIndent(te, line, ls));
  }
  int32_t end = start + length;
  int32_t r = Extended_NumRun(start, sh);
  if (r < 0) return total + static_cast<float>(length) * 12.0f * (*sh)->scale;
  for (; r < (*sh)->nRuns; r++) {
    const ExtendedRun* runs = ExtendedRuns(sh);
    int32_t a = runs[r].start > start ? runs[r].start : start;
    int32_t b = runs[r + 1].start < end ? runs[r + 1].start : end;
    if (a >= end) break;
    if (b <= a) continue;
    float size = 12.0f * (*sh)->scale;
    if (runs[r].style < (*sh)->nStyles) size = RunSize(sh, ExtendedStyles(sh)[runs[r].style], false);
    total += static_cast<float>(b - a) * size;
  }
  return total;
}

int32_t ExtendedTailleTexte(ExtendedTE te, int32_t line, int32_t start, int32_t length, uint8_t saveState) {
  if (!ClampStretch(te, &start, &length)) return 0;
  length = TrimEnds(te, start, length);
  ExtendedStylHandle sh = (*te)->styleHandle;
  PortSaver ps(te, saveState != 0);
  if (!sh) {
    if (length <= 0) return 0;
    ExtendedTERec& r = **te;
    r.textFont(static_cast<int16_t>(r.txFont));
    r.textSize(r.txSize);
    r.textFace(r.txFace);
    return static_cast<int32_t>(r.textWidth(te, line, *r.hText, start, length));
  }
  float total = 0;
  if ((*te)->lineIndent) {
    int32_t ls = (line >= 0 && line < (*te)->nLines) ? ExtendedLineStarts(te)[line] : start;
    total += static_cast<float>((*te)->lineIndent(te, line, ls));
  }
  if (length <= 0) return static_cast<int32_t>(total);
  int32_t end = start + length;
  int32_t r = Extended_NumRun(start, sh);
  if (r < 0) return static_cast<int32_t>(total);
  for (; r < (*sh)->nRuns; r++) {
    const ExtendedRun* runs = ExtendedRuns(sh);
    int32_t a = runs[r].start > start ? runs[r].start : start;
    int32_t b = runs[r + 1].start < end ? runs[r + 1].start : end;
    if (a >= end) break;
    if (b <= a) continue;
    if (runs[r].style < (*sh)->nStyles) {
      ExtendedStyle e = ExtendedStyles(sh)[runs[r].style];
      (*te)->textFont(static_cast<int16_t>(e.font));
      (*te)->textSize(RunSize(sh, e, true));
      (*te)->textFace(e.face);
    }
    total += (*te)->textWidth(te, line, *(*te)->hText, a, b - a);
    total = static_cast<float>(static_cast<int32_t>(total));
  }
  return static_cast<int32_t>(total);
}

void Extended_calc_param_ligne(ExtendedTE te, int32_t line, int32_t* lengthOut, int32_t* xOut) {
  PortSaver ps(te, true);
  ExtendedTERec& r = **te;
  r.textFont(static_cast<int16_t>(r.txFont));
  r.textFace(r.txFace);
  r.textSize(r.txSize);
  int32_t length = 0;
  if (line >= 0 && line < r.nLines) {
    const int32_t* starts = ExtendedLineStarts(te);
    length = starts[line + 1] - starts[line];
  }
  int32_t x = 0;
  int16_t just = r.just;
  if (just == teFlushRight || just == teCenter) {
    int32_t box = r.destRect.right - r.destRect.left;
    int32_t w = 0;
    if (length > 0) {
      int32_t start = ExtendedLineStarts(te)[line];
      int32_t n = TrimEnds(te, start, length);
      if (n > 0) w = static_cast<int32_t>((*te)->textWidth(te, line, *(*te)->hText, start, n));
    }
    // A line wider than the box starts at the box's left edge.
    if (w <= box) x = just == teFlushRight ? box - w : (box - w) / 2;
  }
  if (lengthOut) *lengthOut = length;
  if (xOut) *xOut = x;
}

// ---- lines ---------------------------------------------------------------------

static bool EndsWithBreak(ExtendedTE te) {
  int32_t len = (*te)->teLength;
  return len > 0 && IsEnd(static_cast<uint8_t>((*(*te)->hText)[len - 1]));
}

int32_t ExtendedNumLigne(int32_t offset, ExtendedTE te) {
  int32_t len = (*te)->teLength;
  if (len == 0) return 0;
  if (offset < len) return LineOfRaw(te, offset < 0 ? 0 : offset);
  if (EndsWithBreak(te)) return (*te)->nLines;
  return (*te)->nLines > 0 ? (*te)->nLines - 1 : 0;
}

float ExtendedTEGetHeight(int32_t lineA, int32_t lineB, ExtendedTE te) {
  int32_t n = (*te)->nLines;
  auto clamp = [&](int32_t v) { return v < 0 ? 0 : (v > n ? n : v); };
  int32_t lo = clamp(lineA), hi = clamp(lineB);
  if (lo > hi) std::swap(lo, hi);
  ExtendedStylHandle sh = (*te)->styleHandle;
  if (!sh) {
    if (hi == n && !EndsWithBreak(te)) hi = n - 1;
    if (hi < lo) return 0.0f;
    return static_cast<float>(hi - lo + 1) * static_cast<float>((*te)->lineHeight);
  }
  if (n > 0) {
    const ExtendedLineHeight* h = Heights(te);
    int32_t count = HeightsCount(te);
    float sum = 0;
    for (int32_t i = lo; i <= hi && i < count; i++) sum += static_cast<float>(std::abs(h[i].height));
    return sum * (*sh)->scale;
  }
  if ((*sh)->nStyles > 0) return ExtendedStyles(sh)[0].lineHeight;
  return 0.0f;
}

void Extended_DecaleTableauLigne(ExtendedTE te, int32_t line, int32_t delta) {
  if (delta == 0) return;
  if ((*te)->lineTableHook) (*te)->lineTableHook(te, line, delta);
  int32_t n = (*te)->nLines;
  if (line < 0) line = 0;
  if (line > n) line = n;
  if (delta < 0 && line + delta < 0) delta = -line;
  int32_t newN = n + delta;
  if (delta > 0) {
    SetHandleSize(reinterpret_cast<Handle>(te), sizeof(ExtendedTERec) + sizeof(int32_t) * (size_t)(newN + 1));
    if (MemError()) return;
  }
  int32_t* starts = ExtendedLineStarts(te);
  std::memmove(starts + line + delta, starts + line, sizeof(int32_t) * (size_t)(n + 1 - line));
  if (delta < 0) {
    SetHandleSize(reinterpret_cast<Handle>(te), sizeof(ExtendedTERec) + sizeof(int32_t) * (size_t)(newN + 1));
  }
  (*te)->nLines = newN;
  starts = ExtendedLineStarts(te);
  starts[newN] = (*te)->teLength;
  ExtendedStylHandle sh = (*te)->styleHandle;
  if (sh && (*sh)->lineHeights) {
    int32_t count = HeightsCount(te);
    if (count < n + 1) {
      SetHandleSize((*sh)->lineHeights, sizeof(ExtendedLineHeight) * (size_t)(n + 1));
      if (MemError()) return;
      count = n + 1;
    }
    if (delta > 0) {
      SetHandleSize((*sh)->lineHeights, sizeof(ExtendedLineHeight) * (size_t)(newN + 1));
      if (MemError()) return;
    }
    ExtendedLineHeight* h = Heights(te);
    auto moved = [&](int32_t from, int32_t to) {
      ExtendedLineHeight e = h[from];
      if (e.height < 0) {
        // A kept height does not follow its line to a new place.
        int32_t a = to < newN ? starts[to] : (*te)->teLength;
        int32_t b = to < newN ? starts[to + 1] : (*te)->teLength;
        e = Extended_HeightFromRuns(te, a, b);
        h = Heights(te);
      }
      h[to] = e;
    };
    if (delta > 0) {
      for (int32_t i = n; i >= line; i--) moved(i, i + delta);
    } else {
      for (int32_t i = line; i <= n; i++) moved(i, i + delta);
      SetHandleSize((*sh)->lineHeights, sizeof(ExtendedLineHeight) * (size_t)(newN + 1));
    }
  }
}

uint8_t ExtendedTEReformate(int32_t firstLine, int32_t endLine, int32_t delta, ExtendedTE te) {
  uint8_t changed = 0;
  if (firstLine < 0) firstLine = 0;
  if (endLine > (*te)->nLines) endLine = (*te)->nLines;
  if (endLine < firstLine) endLine = firstLine;
  if (firstLine == endLine && firstLine != 0) firstLine--;
  {
    // The height list follows the line table (a fresh style handle has one entry).
    ExtendedStylHandle sh = (*te)->styleHandle;
    if (sh && (*sh)->lineHeights && HeightsCount(te) < (*te)->nLines + 1) {
      SetHandleSize((*sh)->lineHeights, sizeof(ExtendedLineHeight) * (size_t)((*te)->nLines + 1));
    }
  }
  if ((*te)->nLines == 0 && (*te)->teLength > 0) {
    Extended_DecaleTableauLigne(te, endLine, 1);
    if ((*te)->nLines == 0) return 0;
    endLine++;
    changed = 1;
  }
  {
    int32_t* starts = ExtendedLineStarts(te);
    for (int32_t i = endLine; i <= (*te)->nLines; i++) starts[i] += delta;
    starts[(*te)->nLines] = (*te)->teLength;
  }
  const int32_t width = WrapWidth(te);
  const int32_t stop = ExtendedLineStarts(te)[endLine];
  int32_t p = ExtendedLineStarts(te)[firstLine];
  int32_t L = firstLine;
  CGrafPtr saved;
  GetPort(&saved);
  if ((*te)->port) SetPort((*te)->port);
  ExtendedTextState state;
  ExtendedGetTextState(&state);
  const int32_t len = (*te)->teLength;
  while (p < stop) {
    const uint8_t* s = reinterpret_cast<const uint8_t*>(*(*te)->hText);
    int32_t e = p;
    while (e < stop && !IsEnd(s[e])) e++;
    if (e < stop) {
      // CR LF and LF CR are one terminator; two equal bytes are two.
      if (e + 1 < len && IsEnd(s[e + 1]) && s[e + 1] != s[e]) e += 2;
      else e += 1;
      if (e > stop) e = stop;
    }
    int32_t q = e;
    bool wrap = (*te)->noWrap == 0 && ExtendedTailleMaxTexte(te, L, p, e - p, 0) >= width &&
                ExtendedTailleTexte(te, L, p, e - p, 0) >= width &&
                (!(*te)->wrapFilter || (*te)->wrapFilter(te, p, e - p) != 0);
    if (wrap) {
      int32_t start = p, end = e;
      int64_t room = width;
      int64_t total = ExtendedTailleTexte(te, L, p, e - p, 0);
      while (start < end) {
        int32_t pos;
        if (total == 0) {
          pos = NextPosBreak(te, start);
        } else {
          int64_t est = room == total ? end : start + (int64_t)(end - start) * room / total;
          if (est > end) est = end;
          if (est < start) est = start;
          pos = PrevPosBreak(te, static_cast<int32_t>(est));
          if (pos == start) pos = NextPosBreak(te, start);
        }
        if (pos <= start) pos = NextPosBreak(te, pos);
        if (pos >= end) pos = PrevPosBreak(te, pos);
        if (pos <= start || pos >= end) break;
        int64_t w = ExtendedTailleTexte(te, L, start, pos - start, 0);
        if (w > room) {
          end = pos;
        } else {
          room -= w;
          total -= w;
          start = pos;
        }
      }
      q = start;
      // The separator stays at the end of this line.
      if (q < len && !IsWordPos(te, q)) q = NextChar(te, q);
      if (q == p) {
        q = end;
        if (room < 32000 && (*te)->noWordCut == 0) {
          int32_t pos = NextChar(te, p);
          if (ExtendedTailleTexte(te, L, p, pos - p, 0) < room) {
            while (pos < end) {
              int32_t np = NextChar(te, pos);
              if (np > end || ExtendedTailleTexte(te, L, p, np - p, 0) >= room) break;
              pos = np;
            }
          }
          q = pos;
        }
      }
      if (q <= p) q = e;  // always progress
    }
    if (q < stop || ExtendedLineStarts(te)[L + 1] != q) {
      if (L + 1 >= endLine) {
        int32_t before = (*te)->nLines;
        Extended_DecaleTableauLigne(te, endLine, 1);
        if ((*te)->nLines == before) break;  // out of memory: stop with what is broken
        endLine++;
        changed = 1;
      }
      ExtendedLineStarts(te)[L + 1] = q;
    }
    ExtendedLineHeight* h = Heights(te);
    if (h && L < HeightsCount(te) && h[L].height >= 0) {
      ExtendedLineHeight lh = Extended_HeightFromRuns(te, ExtendedLineStarts(te)[L], q);
      Heights(te)[L] = lh;
    }
    p = q;
    L++;
  }
  ExtendedSetTextState(&state, te);
  SetPort(saved);
  if (L < endLine) {
    Extended_DecaleTableauLigne(te, endLine, L - endLine);
    changed = 1;
  }
  return changed;
}

void ExtendedTERecalText(int32_t start, int32_t end, int32_t delta, ExtendedTE te, int32_t* firstChanged,
                         int32_t* lastChanged) {
  int32_t first = 0, last = 0;
  int32_t len = (*te)->teLength;
  if (len == 0 || GetHandleSize((*te)->hText) == 0) {
    (*te)->nLines = 0;
    ExtendedLineStarts(te)[0] = 0;
  } else if (start < 0 || (int64_t)ExtendedLineStarts(te)[(*te)->nLines] + delta != len) {
    // A full recalculation, also when the edit does not match the text's
    // length (the table would be shifted by what was not inserted).
    (*te)->nLines = 0;
    ExtendedLineStarts(te)[0] = 0;
    ExtendedTEReformate(0, 0, len, te);
    first = 0;
    last = len - 1;
  } else {
    if (start > len) start = len;
    if (end < start) end = start;
    if (end > len) end = len;
    const int32_t n = (*te)->nLines;
    int32_t sl = LineOfRaw(te, start);
    int32_t fl = sl;
    {
      const int32_t* starts = ExtendedLineStarts(te);
      const uint8_t* s = reinterpret_cast<const uint8_t*>(*(*te)->hText);
      while (fl > 0 && starts[fl] > 0 && starts[fl] <= len && !IsEnd(s[starts[fl] - 1])) fl--;
    }
    int64_t from64 = delta < 0 ? start : (int64_t)start + delta;
    int32_t from = static_cast<int32_t>(from64 > len ? len : from64);
    int32_t zoneEnd = from;
    {
      const uint8_t* s = reinterpret_cast<const uint8_t*>(*(*te)->hText);
      while (zoneEnd < len && !IsEnd(s[zoneEnd])) zoneEnd++;
    }
    if (zoneEnd < end) zoneEnd = end;
    int32_t el;
    if (n == 0 || zoneEnd >= len - 1) {
      el = n;
    } else {
      int64_t old = (int64_t)zoneEnd + 1 - delta;
      el = LineOfRaw(te, static_cast<int32_t>(old > INT32_MAX ? INT32_MAX : old));
      // The paragraph after the zone starts a line; a table without that line
      // (an edit the table does not describe) breaks to the end.
      if (ExtendedLineStarts(te)[el] != old) el = n;
    }
    if (el < fl) el = fl;
    int32_t oldSlStart = n > 0 ? ExtendedLineStarts(te)[sl] : 0;
    int32_t oldSlEnd = n > 0 ? ExtendedLineStarts(te)[sl + 1] : 0;
    int32_t reformFirst = (fl == el && fl != 0) ? fl - 1 : fl;
    uint8_t changed = ExtendedTEReformate(fl, el, delta, te);
    len = (*te)->teLength;
    if (changed) last = len - 1;
    else if (delta != 0) last = zoneEnd - 1;
    else last = oldSlEnd - 1;
    const int32_t* starts = ExtendedLineStarts(te);
    int32_t rebroken = reformFirst < (*te)->nLines ? starts[reformFirst] : 0;
    if (sl < (*te)->nLines && starts[sl] == oldSlStart) {
      if ((*te)->just != 0) first = starts[sl];
      else if (sl == reformFirst) first = start;
      else first = rebroken;
    } else {
      first = rebroken;
    }
    if (first > last) std::swap(first, last);
    if (first < 0) first = 0;
    if (last < 0) last = 0;
  }
  ExtendedLineStarts(te)[(*te)->nLines] = (*te)->teLength;
  if (firstChanged) *firstChanged = first;
  if (lastChanged) *lastChanged = last;
}

void ExtendedTECalText(ExtendedTE te) {
  if (te) ExtendedTERecalText(-1, -1, -1, te, nullptr, nullptr);
}
