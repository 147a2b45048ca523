#include "platform/TELineBreak.h"

#include <cstring>
#include <new>
#include <vector>

#include "platform/Memory.h"

int32_t TEBreakLines(const Text8Style& style, const uint8_t* text, int32_t length, int32_t width, int32_t* starts,
                     int32_t capacity) {
  if (!text || length <= 0) return 0;
  static std::vector<int32_t> widths;
  widths.resize(static_cast<size_t>(length));
  Text8Widths(style, text, static_cast<size_t>(length), widths.data());
  int32_t lines = 0;
  int32_t start = 0;
  while (start < length) {
    if (starts && lines < capacity) starts[lines] = start;
    lines++;
    int32_t x = 0;
    int32_t lastBreak = -1;  // offset just after the last space
    int32_t i = start;
    int32_t next = length;
    while (i < length) {
      uint8_t c = text[i];
      if (c == '\r') {
        next = i + 1;
        break;
      }
      if (c == ' ') {
        // Spaces hang at the end of the line: they never cause a break.
        x += widths[i];
        i++;
        lastBreak = i;
        continue;
      }
      if (x + widths[i] > width && i > start) {
        next = lastBreak > start ? lastBreak : i;
        break;
      }
      x += widths[i];
      i++;
    }
    // The second byte of a Shift-JIS pair never starts a line.
    while (next < length && next > start && widths[next] == 0 && text[next] != '\r' && text[next] != ' ' &&
           GetTextTranscodeJapanese() && GetTextTranscoding())
      next++;
    start = next;
  }
  return lines;
}

namespace {

void Rebreak(TERec& r) {
  int32_t width = r.destRect.right - r.destRect.left;
  const uint8_t* text = r.hText ? reinterpret_cast<const uint8_t*>(*r.hText) : nullptr;
  int32_t n = TEBreakLines(r.style, text, r.teLength, width, nullptr, 0);
  Handle starts = NewHandle(static_cast<Size>((n + 1) * sizeof(int32_t)));
  if (!starts) {
    r.nLines = 0;
    return;
  }
  int32_t* s = reinterpret_cast<int32_t*>(*starts);
  TEBreakLines(r.style, text, r.teLength, width, s, n);
  s[n] = r.teLength;
  if (r.lineStarts) DisposeHandle(r.lineStarts);
  r.lineStarts = starts;
  r.nLines = n;
}

}  // namespace

TEHandle TENewStyled(const Rect* destRect, const Rect* viewRect, const Text8Style& style) {
  Handle h = NewHandleClear(sizeof(TERec));
  if (!h) return nullptr;
  TERec* r = new (*h) TERec{};
  if (destRect) r->destRect = *destRect;
  if (viewRect) r->viewRect = *viewRect;
  r->style = style;
  FontInfo fi;
  Text8FontInfo(style, &fi);
  r->lineHeight = static_cast<int16_t>(fi.ascent + fi.descent + fi.leading);
  r->fontAscent = fi.ascent;
  return reinterpret_cast<TEHandle>(h);
}

TEHandle TENew(const Rect* destRect, const Rect* viewRect) {
  CGrafPtr port = nullptr;
  GetPort(&port);
  Text8Style st;
  if (port) st = Text8Style{port->txFont, port->txFace, port->txSize};
  return TENewStyled(destRect, viewRect, st);
}

void TESetText(const void* text, int32_t length, TEHandle te) {
  if (!te || !*te) return;
  if (length < 0) length = 0;
  Handle h = NewHandle(length);
  if (!h) return;
  if (length) memcpy(*h, text, static_cast<size_t>(length));
  TERec& r = **te;
  if (r.hText) DisposeHandle(r.hText);
  r.hText = h;
  r.teLength = length;
  Rebreak(r);
}

int32_t TEGetHeight(int32_t endLine, int32_t startLine, TEHandle te) {
  if (!te || !*te) return 0;
  TERec& r = **te;
  int32_t lines = r.nLines > 0 ? r.nLines : 1;
  if (startLine < 1) startLine = 1;
  if (endLine > lines) endLine = lines;
  if (endLine < startLine) return 0;
  return (endLine - startLine + 1) * r.lineHeight;
}

void TEDispose(TEHandle te) {
  if (!te) return;
  if (*te) {
    if ((*te)->hText) DisposeHandle((*te)->hText);
    if ((*te)->lineStarts) DisposeHandle((*te)->lineStarts);
  }
  DisposeHandle(reinterpret_cast<Handle>(te));
}
