// Line breaking of the styled text-edit record: the line-start table, the
// per-line heights of a styled record, width measuring, the line of an
// offset and the height of a range of lines. Only the paragraphs an edit
// touched are broken again; the lines after them are shifted.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "platform/Memory.h"
#include "text/ExtendedTE.h"
#include "text/TextEncodings.h"
#include "text/UTFText.h"

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

// A run's part of a paragraph.
struct LinePiece {
  int32_t a, b;  // bytes of the text
  int16_t font;
  uint8_t face;
  float size;  // as given to the size slot
  bool measured;
  float scale;          // of its widths; NaN: measured stretch by stretch
  double endPen;        // the pen after it
  int64_t wholeBefore;  // the whole widths of the pieces before it added (known up to LineMeasurer::known_)
};

// What line breaking keeps of a paragraph, kept from call to call so that
// laying out many texts does not allocate it again for each.
struct LineScratch {
  std::vector<LinePiece> pieces;
  std::vector<double> pens;  // per byte of the paragraph, as measured in its piece
  std::vector<float> cuts;
  UTFTextMeasure measure;
  std::vector<int32_t> nextMemo, prevMemo, chain;
  bool busy = false;
};

constexpr size_t kKeptScratch = 1 << 16;

LineScratch& SharedScratch() {
  static LineScratch* s = new LineScratch;
  return *s;
}

// What line breaking asks of one paragraph, answered in time proportional
// to its length: the break search asks for the width of many stretches and
// for the break positions around many offsets, line after line.
//
// Widths: each run piece of the paragraph is laid out once, and a stretch's
// width comes from the pen positions at its ends (UTFTextMeasure), each
// piece truncated and the pieces added as ExtendedTailleTexte does. So a
// stretch is as wide as measured alone, but that a cluster (a ligature, a
// base and its marks) counts whole in the stretch that holds its first byte.
// Records with measuring slots of their own, and 8-bit text, are measured
// stretch by stretch.
//
// Break positions: where the walk from each position of the paragraph ends
// is remembered, so that the walks over long words are made once.
//
// Nothing is prepared for a paragraph that fits its line.
class LineMeasurer {
 public:
  explicit LineMeasurer(ExtendedTE te)
      : te_(te),
        // A slot that lays out another text from inside this one gets its own.
        s_(SharedScratch().busy ? own_ : SharedScratch()),
        pieces_(s_.pieces),
        pens_(s_.pens),
        cuts_(s_.cuts),
        measure_(s_.measure),
        nextMemo_(s_.nextMemo),
        prevMemo_(s_.prevMemo),
        chain_(s_.chain) {
    s_.busy = true;
    const ExtendedTERec& r = **te;
    cached_ = r.charMode == 4 && IsUnicodeApplication() && r.textWidth == VectStdTextWidth &&
              r.textFont == VectStdTextFont && r.textSize == VectStdTextSize && r.textFace == VectStdTextFace;
    ExtendedStylHandle sh = r.styleHandle;
    if (sh) {
      // With no negative size the quick estimate only grows along a stretch,
      // so its sum may stop once it reaches the width.
      float scale = (*sh)->scale;
      growing_ = scale >= 0;
      const ExtendedStyle* styles = ExtendedStyles(sh);
      for (int32_t i = 0; growing_ && styles && i < (*sh)->nStyles; i++) growing_ = styles[i].size >= 0;
    }
  }

  ~LineMeasurer() {
    s_.busy = false;
    // What a very long paragraph needed is not kept for the texts to come.
    if (pens_.capacity() > kKeptScratch || pieces_.capacity() > kKeptScratch) s_ = LineScratch{};
  }
  LineMeasurer(const LineMeasurer&) = delete;
  LineMeasurer& operator=(const LineMeasurer&) = delete;

  // A new paragraph, from..to (its terminator included).
  void Paragraph(int32_t from, int32_t to) {
    from_ = from;
    to_ = to;
    piecesMade_ = memosMade_ = false;
  }

  // ExtendedTailleMaxTexte(te, line, start, length, 0) >= width.
  bool QuickAtLeast(int32_t line, int32_t start, int32_t length, int32_t width) {
    ExtendedStylHandle sh = (*te_)->styleHandle;
    if (!sh || !growing_) return ExtendedTailleMaxTexte(te_, line, start, length, 0) >= width;
    if (!ClampStretch(te_, &start, &length)) return 0.0f >= width;
    float total = 0;
    if ((*te_)->lineIndent) {
      int32_t ls = (line >= 0 && line < (*te_)->nLines) ? ExtendedLineStarts(te_)[line] : start;
      total += static_cast<float>((*te_)->lineIndent(te_, line, ls));
    }
    int32_t end = start + length;
    int32_t r = Extended_NumRun(start, sh);
    if (r < 0) return total + static_cast<float>(length) * 12.0f * (*sh)->scale >= width;
    for (; r < (*sh)->nRuns; r++) {
      const ExtendedRun* runs = ExtendedRuns(sh);
      int32_t a = runs[r].start > start ? runs[r].start : start;
      int32_t b = runs[r + 1].start < end ? runs[r + 1].start : end;
      if (a >= end) break;
      if (b <= a) continue;
      float size = 12.0f * (*sh)->scale;
      if (runs[r].style < (*sh)->nStyles) size = RunSize(sh, ExtendedStyles(sh)[runs[r].style], false);
      total += static_cast<float>(b - a) * size;
      if (total >= width) return true;
    }
    return total >= width;
  }

  // ExtendedTailleTexte(te, line, start, length, 0), for stretches of the paragraph.
  int32_t Exact(int32_t line, int32_t start, int32_t length) {
    if (!piecesMade_) {
      piecesMade_ = true;
      pieces_.clear();
      known_ = 0;
      piecesOk_ = cached_ && MakePieces();
    }
    if (!piecesOk_) return ExtendedTailleTexte(te_, line, start, length, 0);
    if (!ClampStretch(te_, &start, &length)) return 0;
    length = TrimEnds(te_, start, length);
    const int32_t end = start + length;
    if (start < from_ || end > to_) return ExtendedTailleTexte(te_, line, start, length, 0);
    ExtendedTERec& r = **te_;
    if (!r.styleHandle) {
      if (length <= 0) return 0;
      return static_cast<int32_t>(Width(0, start, end));
    }
    float total = 0;
    if (r.lineIndent) {
      int32_t ls = (line >= 0 && line < r.nLines) ? ExtendedLineStarts(te_)[line] : start;
      total += static_cast<float>(r.lineIndent(te_, line, ls));
    }
    if (length <= 0) return static_cast<int32_t>(total);
    size_t f = PieceAt(start), g = PieceAt(end - 1);
    if (f >= pieces_.size() || g >= pieces_.size()) return ExtendedTailleTexte(te_, line, start, length, 0);
    const LinePiece& first = pieces_[f];
    total += Width(f, start, first.b < end ? first.b : end);
    total = static_cast<float>(static_cast<int32_t>(total));
    if (f == g) return static_cast<int32_t>(total);
    // After the first piece every width is whole: the sum is exact.
    int64_t sum = static_cast<int64_t>(total) + Whole(f + 1, g) + static_cast<int64_t>(Width(g, pieces_[g].a, end));
    return static_cast<int32_t>(sum > INT32_MAX ? INT32_MAX : (sum < INT32_MIN ? INT32_MIN : sum));
  }

  // NextPosBreak and PrevPosBreak.
  int32_t NextBreak(int32_t offset) {
    const int32_t len = (*te_)->teLength;
    int32_t p = Walk(NextChar(te_, offset < 0 ? 0 : offset), true);
    return p > len ? len : p;
  }
  int32_t PrevBreak(int32_t offset) {
    const int32_t len = (*te_)->teLength;
    int32_t p = Walk(PrevChar(te_, offset > len ? len : offset), false);
    return p < 0 ? 0 : p;
  }

 private:
  // The run pieces of the paragraph; false when a run names no style (its
  // width would depend on the font the port happens to have).
  bool MakePieces() {
    ExtendedTERec& r = **te_;
    ExtendedStylHandle sh = r.styleHandle;
    if (!sh) {
      const float size = static_cast<float>(r.txSize);
      pieces_.push_back(LinePiece{from_, to_, static_cast<int16_t>(r.txFont), r.txFace, size, false, 1, 0, 0});
      pens_.assign(static_cast<size_t>(to_ - from_), 0.0f);
      cuts_.assign(static_cast<size_t>(to_ - from_), 0.0f);
      return true;
    }
    int32_t run = Extended_NumRun(from_, sh);
    if (run < 0) return false;
    for (; run < (*sh)->nRuns; run++) {
      const ExtendedRun* runs = ExtendedRuns(sh);
      int32_t a = runs[run].start > from_ ? runs[run].start : from_;
      int32_t b = runs[run + 1].start < to_ ? runs[run + 1].start : to_;
      if (a >= to_) break;
      if (b <= a) continue;
      if (runs[run].style >= (*sh)->nStyles) return false;
      const ExtendedStyle& e = ExtendedStyles(sh)[runs[run].style];
      pieces_.push_back(LinePiece{a, b, static_cast<int16_t>(e.font), e.face, RunSize(sh, e, true), false, 1, 0, -1});
    }
    if (pieces_.empty() || pieces_.front().a != from_ || pieces_.back().b != to_) return false;
    pieces_.front().wholeBefore = 0;
    pens_.assign(static_cast<size_t>(to_ - from_), 0.0f);
    cuts_.assign(static_cast<size_t>(to_ - from_), 0.0f);
    return true;
  }

  size_t PieceAt(int32_t offset) const {
    size_t lo = 0, hi = pieces_.size();
    while (lo + 1 < hi) {
      size_t mid = (lo + hi) / 2;
      if (pieces_[mid].a <= offset) lo = mid;
      else hi = mid;
    }
    return (lo < pieces_.size() && pieces_[lo].a <= offset && offset < pieces_[lo].b) ? lo : pieces_.size();
  }

  // Width of x..y inside piece i, as the width slot gives it.
  float Width(size_t i, int32_t x, int32_t y) {
    LinePiece& pc = pieces_[i];
    if (y <= x) return 0.0f;
    ExtendedTERec& r = **te_;
    if (!pc.measured) {
      pc.measured = true;
      r.textFont(pc.font);
      r.textSize(pc.size);
      r.textFace(pc.face);
      if (UTFMeasureText(nullptr, *r.hText, pc.a, pc.b - pc.a, measure_)) {
        const size_t at = static_cast<size_t>(pc.a - from_), n = static_cast<size_t>(pc.b - pc.a);
        std::copy_n(measure_.pen.begin(), n, pens_.begin() + static_cast<long>(at));
        std::copy_n(measure_.cut.begin(), n, cuts_.begin() + static_cast<long>(at));
        pc.endPen = measure_.pen[n];
        pc.scale = measure_.scale;
      } else {
        pc.scale = std::nanf("");
      }
    }
    if (std::isnan(pc.scale)) {
      // Not measurable at once: the slot measures the stretch.
      r.textFont(pc.font);
      r.textSize(pc.size);
      r.textFace(pc.face);
      return r.textWidth(te_, 0, *r.hText, x, y - x);
    }
    const size_t ix = static_cast<size_t>(x - from_), iy = static_cast<size_t>(y - from_);
    if (y == pc.b) return UTFMeasuredWidth(pens_[ix], pc.endPen, 0.0f, pc.scale);
    return UTFMeasuredWidth(pens_[ix], pens_[iy], cuts_[iy], pc.scale);
  }

  // Sum of the whole widths of pieces i..j-1, from the sums before each
  // piece, known from the first piece on.
  int64_t Whole(size_t i, size_t j) {
    for (; known_ < j; known_++) {
      const LinePiece& k = pieces_[known_];
      pieces_[known_ + 1].wholeBefore = k.wholeBefore + static_cast<int64_t>(Width(known_, k.a, k.b));
    }
    return pieces_[j].wholeBefore - pieces_[i].wholeBefore;
  }

  // The break walk from p: forward while p is a word position (up to the
  // text's end), or backward (down to 0). Every position of the paragraph
  // walked over learns where its walk ends.
  int32_t Walk(int32_t p, bool forward) {
    const int32_t len = (*te_)->teLength;
    if (!memosMade_) {
      // The walks from inside the paragraph end at its ends or at the bytes
      // just beyond.
      memosMade_ = true;
      lo_ = from_ > 0 ? from_ - 1 : 0;
      const int32_t hi = to_ < len ? to_ + 1 : len;
      nextMemo_.assign(static_cast<size_t>(hi - lo_ + 1), -1);
      prevMemo_.assign(static_cast<size_t>(hi - lo_ + 1), -1);
    }
    std::vector<int32_t>& memo = forward ? nextMemo_ : prevMemo_;
    chain_.clear();
    int32_t result;
    for (int32_t q = p;;) {
      if (forward ? q >= len : q <= 0) {
        result = q;
        break;
      }
      int32_t* slot =
          (q >= lo_ && q - lo_ < static_cast<int32_t>(memo.size())) ? &memo[static_cast<size_t>(q - lo_)] : nullptr;
      if (slot && *slot >= 0) {
        result = *slot;
        break;
      }
      if (slot) chain_.push_back(q);
      if (!IsWordPos(te_, q)) {
        result = q;
        break;
      }
      q = forward ? NextChar(te_, q) : PrevChar(te_, q);
    }
    for (int32_t q : chain_) memo[static_cast<size_t>(q - lo_)] = result;
    return result;
  }

  ExtendedTE te_;
  LineScratch own_;
  LineScratch& s_;
  std::vector<LinePiece>& pieces_;
  std::vector<double>& pens_;
  std::vector<float>& cuts_;
  UTFTextMeasure& measure_;
  std::vector<int32_t>& nextMemo_;
  std::vector<int32_t>& prevMemo_;
  std::vector<int32_t>& chain_;
  bool cached_ = false;
  bool growing_ = false;
  bool piecesMade_ = false, piecesOk_ = false, memosMade_ = false;
  int32_t from_ = 0, to_ = 0;
  size_t known_ = 0;  // pieces 0..known_ have their wholeBefore
  int32_t lo_ = 0;    // first position of the break memos
};

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
  LineMeasurer m(te);
  int32_t scanFrom = -1, term = -1;  // term: the first CR or LF at or after scanFrom (stop when none)
  int32_t paraFrom = -1, paraTo = -1;
  while (p < stop) {
    const uint8_t* s = reinterpret_cast<const uint8_t*>(*(*te)->hText);
    // The lines of a paragraph share its end: it is looked for once.
    if (scanFrom < 0 || p < scanFrom || p > term) {
      term = p;
      while (term < stop && !IsEnd(s[term])) term++;
      scanFrom = p;
    }
    int32_t e = term;
    if (e < stop) {
      // CR LF and LF CR are one terminator; two equal bytes are two.
      if (e + 1 < len && IsEnd(s[e + 1]) && s[e + 1] != s[e]) e += 2;
      else e += 1;
      if (e > stop) e = stop;
    }
    if (e != paraTo || p < paraFrom) {
      m.Paragraph(p, e);
      paraFrom = p;
      paraTo = e;
    }
    int32_t q = e;
    bool wrap = (*te)->noWrap == 0 && m.QuickAtLeast(L, p, e - p, width) && m.Exact(L, p, e - p) >= width &&
                (!(*te)->wrapFilter || (*te)->wrapFilter(te, p, e - p) != 0);
    if (wrap) {
      int32_t start = p, end = e;
      int64_t room = width;
      int64_t total = m.Exact(L, p, e - p);
      while (start < end) {
        int32_t pos;
        if (total == 0) {
          pos = m.NextBreak(start);
        } else {
          int64_t est = room == total ? end : start + (int64_t)(end - start) * room / total;
          if (est > end) est = end;
          if (est < start) est = start;
          pos = m.PrevBreak(static_cast<int32_t>(est));
          if (pos == start) pos = m.NextBreak(start);
        }
        if (pos <= start) pos = m.NextBreak(pos);
        if (pos >= end) pos = m.PrevBreak(pos);
        if (pos <= start || pos >= end) break;
        int64_t w = m.Exact(L, start, pos - start);
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
          if (m.Exact(L, p, pos - p) < room) {
            while (pos < end) {
              int32_t np = NextChar(te, pos);
              if (np > end || m.Exact(L, p, np - p) >= room) break;
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
