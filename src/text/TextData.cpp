#include "text/TextData.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "layout/Zoom.h"
#include "platform/Fonts.h"
#include "platform/Memory.h"
#include "platform/QuickDraw.h"
#include "system/PortLayer.h"
#include "system/Reporters.h"
#include "text/Fontes.h"
#include "text/UTFText.h"

namespace {

// ---- small helpers ---------------------------------------------------------------

size_t StylBlockSize(int32_t nRuns) { return sizeof(ExtendedStylRec) + sizeof(ExtendedRun) * (size_t)(nRuns + 1); }

int32_t BoundedLength(const char* s, int32_t max) {
  if (!s || max <= 0) return 0;
  const void* nul = memchr(s, 0, (size_t)max);
  return nul ? (int32_t)(static_cast<const char*>(nul) - s) : max;
}

int32_t CLength(const char* s) {
  if (!s) return 0;
  size_t n = strlen(s);
  return n > (size_t)kMaxBlockSize - 1 ? (int32_t)(kMaxBlockSize - 1) : (int32_t)n;
}

// The sub-string operations keep sizes in 72-dpi points.
struct Dpi72 {
  int16_t saved;
  Dpi72() : saved(GetDpiDest()) { SetDpiDest(72); }
  ~Dpi72() { SetDpiDest(saved); }
};

// Measuring needs a port; the scratch port stands in when there is none.
struct PortPresent {
  CGrafPtr saved = nullptr;
  bool switched = false;
  PortPresent() {
    GetPort(&saved);
    if (!saved) {
      SetPortTemporaire();
      switched = true;
    }
  }
  ~PortPresent() {
    if (switched) SetPort(saved);
  }
};

bool Append(Handle h, const void* p, int32_t n) { return n <= 0 || PtrAndHand(p, h, n) == noErr; }

bool AppendByte(Handle h, uint8_t b) { return Append(h, &b, 1); }

bool AppendField(Handle h, const char* text) {
  return Append(h, text, (int32_t)strlen(text)) && AppendByte(h, kTextDataEndField);
}

bool AppendLong(Handle h, long v) {
  char buf[32];
  snprintf(buf, sizeof buf, "%ld", v);
  return AppendField(h, buf);
}

// "%.3f" whatever the locale's decimal mark.
bool AppendFloat(Handle h, float v) {
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf - 1, (double)v, std::chars_format::fixed, 3);
  if (r.ec != std::errc()) return AppendField(h, "0.000");
  *r.ptr = 0;
  return AppendField(h, buf);
}

char* NewTextPtr(int64_t size) {
  if (size < 1 || size > (int64_t)kMaxBlockSize) return nullptr;
  return NewPtr((Size)size);
}

// A NUL-ended copy of length bytes (cut at an earlier NUL).
char* CopyString(const char* s, int32_t length) {
  int32_t n = BoundedLength(s, length);
  char* c = NewTextPtr((int64_t)n + 1);
  if (!c) return nullptr;
  if (n) memcpy(c, s, (size_t)n);
  c[n] = 0;
  return c;
}

// ---- reading a style part ------------------------------------------------------------

struct Lecteur {
  const char* p;
  const char* end;  // the string's NUL
};

bool LitChamp(Lecteur& l, char out[kTextDataMaxField + 1]) {
  int32_t n = 0;
  for (;;) {
    if (l.p >= l.end) return false;
    char c = *l.p++;
    if ((uint8_t)c == kTextDataEndField) break;
    if (n == kTextDataMaxField) break;  // too long: this byte ends it
    out[n++] = c;
  }
  out[n] = 0;
  return true;
}

bool LitLong(Lecteur& l, long* v) {
  char f[kTextDataMaxField + 1];
  if (!LitChamp(l, f)) return false;
  const char* s = f;
  while (*s == ' ') s++;
  if (*s == '+') s++;
  long x = 0;
  if (std::from_chars(s, s + strlen(s), x).ec != std::errc()) x = 0;
  *v = x;
  return true;
}

bool LitFloat(Lecteur& l, float* v) {
  char f[kTextDataMaxField + 1];
  if (!LitChamp(l, f)) return false;
  const char* s = f;
  while (*s == ' ') s++;
  if (*s == '+') s++;
  double x = 0;
  if (std::from_chars(s, s + strlen(s), x).ec != std::errc() || !std::isfinite(x)) x = 0;
  // Sizes and metrics are 16-bit quantities once scaled.
  if (x > 32767.0) x = 32767.0;
  if (x < -32767.0) x = -32767.0;
  *v = (float)x;
  return true;
}

// The style handle of a styled string of len bytes (s[len] is its NUL), or
// null when the style part is damaged.
ExtendedStylHandle LitPartieStyle(const char* s, int32_t len) {
  if (len < 2 || (uint8_t)s[0] != kTextDataStyled) return nullptr;
  const char* fin = static_cast<const char*>(memchr(s, kTextDataEndStyle, (size_t)len));
  if (!fin) return nullptr;
  const int32_t textLength = len - (int32_t)(fin + 1 - s);
  Lecteur l{s + 2, fin};  // the format letter is not tested
  long nStyles = 0, nRuns = 0;
  if (!LitLong(l, &nStyles) || !LitLong(l, &nRuns)) return nullptr;
  const int64_t reste = l.end - l.p;
  // Each entry takes at least its flags byte, each run two terminators.
  if (nStyles < 0 || nStyles > kExtendedMaxStyles || nStyles > reste) return nullptr;
  if (nRuns < 0 || nRuns >= kExtendedMaxRuns || 2 * (nRuns + 1) > reste) return nullptr;

  ExtendedStylHandle sh = ExtendedNewStylHandle();
  if (!sh || !(*sh)->styleTable) {
    ExtendedDisposeStylHandle(sh);
    return nullptr;
  }
  auto echec = [&]() {
    ExtendedDisposeStylHandle(sh);
    return nullptr;
  };
  SetHandleSize((*sh)->styleTable, (Size)(sizeof(ExtendedStyle) * (size_t)nStyles));
  if (MemError()) return echec();
  (*sh)->nStyles = (int16_t)nStyles;
  if (nStyles) memset(*(*sh)->styleTable, 0, sizeof(ExtendedStyle) * (size_t)nStyles);

  float size = 0, lineHeight = 0, ascent = 0;
  int16_t font = 0;
  uint8_t face = 0;
  RGBColor color{0, 0, 0};
  for (long i = 0; i < nStyles; i++) {
    if (l.p >= l.end) return echec();
    uint8_t flags = (uint8_t)*l.p;
    if (flags) l.p++;
    if (flags & 0x04) {
      if (!LitFloat(l, &size) || !LitFloat(l, &lineHeight) || !LitFloat(l, &ascent)) return echec();
    }
    if (flags & 0x01) {
      char name[kTextDataMaxField + 1];
      if (!LitChamp(l, name)) return echec();
      int16_t number = 1;
      // The music-font placeholder has no name: it is stored as an empty one,
      // and an empty name names nothing else.
      if (name[0] == 0) number = kFontePlaceholderVellari;
      else GetClosestIDFontFromName(name, &number, nullptr);
      font = number;
    }
    if (flags & 0x02) {
      long v;
      if (!LitLong(l, &v)) return echec();
      face = (uint8_t)v;
    }
    if (flags & 0x08) {
      long r, g, b;
      if (!LitLong(l, &r) || !LitLong(l, &g) || !LitLong(l, &b)) return echec();
      color = {(uint16_t)r, (uint16_t)g, (uint16_t)b};
    }
    ExtendedStyle& e = ExtendedStyles(sh)[i];
    e.useCount = 0;
    e.lineHeight = (float)Zoom((int32_t)lineHeight);
    e.ascent = (float)Zoom((int32_t)ascent);
    e.font = (uint16_t)font;
    e.face = face;
    e.size = (float)Zoom((int32_t)(size == 0.0f ? 12.0f : size));
    e.color = color;
  }

  SetHandleSize(reinterpret_cast<Handle>(sh), (Size)StylBlockSize((int32_t)nRuns));
  if (MemError()) return echec();
  (*sh)->nRuns = (int16_t)nRuns;
  int32_t previous = 0;
  for (long j = 0; j <= nRuns; j++) {
    long start, style;
    if (!LitLong(l, &start) || !LitLong(l, &style)) return echec();
    ExtendedRun& run = ExtendedRuns(sh)[j];
    if (j == nRuns) {
      run = {textLength + 1, kExtendedSentinelStyle};
      break;
    }
    // Runs name an entry of the table, in order, inside the text.
    if (style < 0 || style >= nStyles || start < previous || start > textLength) return echec();
    run = {(int32_t)start, (uint16_t)style};
    previous = (int32_t)start;
    ExtendedStyles(sh)[style].useCount++;
  }
  // The runs end at the first 0x02 of the string, where its text starts.
  if (l.p != fin) return echec();

  if (nRuns >= 2) {
    ExtendedRun* runs = ExtendedRuns(sh);
    int32_t kept = 1;
    for (int32_t j = 1; j < nRuns; j++) {
      if (runs[j].style != runs[kept - 1].style) runs[kept++] = runs[j];
    }
    runs[kept] = runs[nRuns];
    if (kept != nRuns) {
      (*sh)->nRuns = (int16_t)kept;
      SetHandleSize(reinterpret_cast<Handle>(sh), (Size)StylBlockSize(kept));
      ExtendedStyle* styles = ExtendedStyles(sh);
      for (long i = 0; i < nStyles; i++) styles[i].useCount = 0;
      runs = ExtendedRuns(sh);
      for (int32_t j = 0; j < kept; j++) styles[runs[j].style].useCount++;
    }
  }
  return sh;
}

// Text of a string and its length.
void TexteEtLongueur(const char* s, int32_t total, const char** text, int32_t* length) {
  int32_t n = BoundedLength(s, total);
  int32_t part = 0;
  if (n > 0 && (uint8_t)s[0] == kTextDataStyled) {
    const void* fin = memchr(s, kTextDataEndStyle, (size_t)n);
    part = fin ? (int32_t)(static_cast<const char*>(fin) - s) + 1 : n;
  }
  *text = s + part;
  *length = n - part;
}

// The style handle of a string that a caller does not let us change: a copy
// is read, and falls back to plain text when damaged.
ExtendedStylHandle LitCopie(const char* s, int32_t total) {
  if (!IsStyledString(s)) return nullptr;
  char* c = CopyString(s, total);
  if (!c) return nullptr;
  ExtendedStylHandle sh = CvtTextDataToStyleHandle(c);
  DisposePtr(c);
  return sh;
}

// ---- writing a style part -----------------------------------------------------------------

bool EcritPartieStyle(Handle out, const ExtendedStyle* styles, int32_t nStyles, const ExtendedRun* runs,
                      int32_t nRuns) {
  bool ok =
      AppendByte(out, kTextDataStyled) && AppendByte(out, 'A') && AppendLong(out, nStyles) && AppendLong(out, nRuns);
  TextDataPrevStyle previous{};
  for (int32_t i = 0; ok && i < nStyles; i++) AddSTElementStyleHandle(out, &styles[i], &previous);
  for (int32_t j = 0; ok && j <= nRuns; j++) {
    ok = AppendLong(out, runs[j].start) && AppendLong(out, (int16_t)runs[j].style);
  }
  return ok && AppendByte(out, kTextDataEndStyle);
}

// A new pointer block: the style part (may be null or empty), the text, NUL.
char* Assemble(Handle part, const char* text, int32_t length) {
  int64_t p = part ? GetHandleSize(part) : 0;
  char* r = NewTextPtr(p + length + 1);
  if (!r) return nullptr;
  if (p) memcpy(r, *part, (size_t)p);
  if (length > 0) memcpy(r + p, text, (size_t)length);
  r[p + length] = 0;
  return r;
}

char* AssembleStyle(ExtendedStylHandle sh, const char* text, int32_t length) {
  Handle part = sh ? CvtStyleHandleToTextData(sh, nullptr) : nullptr;
  char* r = Assemble(part, text, length);
  DisposeHandle(part);
  return r;
}

// The record's text replaced; the selection goes to its start.
bool RemplaceTexte(ExtendedTE te, const char* bytes, int32_t length) {
  Handle h = (*te)->hText;
  if (!h) return false;
  SetHandleSize(h, length);
  if (MemError()) return false;
  if (length) memcpy(*h, bytes, (size_t)length);
  ExtendedTERec& r = **te;
  r.teLength = length;
  r.selStart = r.selEnd = r.anchorStart = r.anchorEnd = 0;
  return true;
}

ExtendedStyle StyleDepuis(const TextStyle* ts) {
  ExtendedStyle e{};
  e.font = (uint16_t)ts->font;
  e.face = ts->face;
  e.size = ts->size;
  e.color = ts->color;
  return e;
}

void SetStylHandleLength(ExtendedStylHandle sh, int32_t length) { ExtendedRuns(sh)[(*sh)->nRuns].start = length + 1; }

}  // namespace

// ---- inspection ---------------------------------------------------------------------

bool IsStyledString(const char* s) { return s && (uint8_t)s[0] == kTextDataStyled; }

int32_t GetStringStyleSize(const char* s) {
  if (!IsStyledString(s)) return 0;
  int32_t n = CLength(s);
  const void* fin = memchr(s, kTextDataEndStyle, (size_t)n);
  return fin ? (int32_t)(static_cast<const char*>(fin) - s) + 1 : n;
}

const char* GetTexteBrutTexteStyle(const char* s) { return s ? s + GetStringStyleSize(s) : nullptr; }
char* GetTexteBrutTexteStyle(char* s) { return s ? s + GetStringStyleSize(s) : nullptr; }

const char* GetTexteBrutTexteStyleAndSize(const char* s, int32_t totalLength, int32_t* lengthOut) {
  if (!s) {
    if (lengthOut) *lengthOut = 0;
    return nullptr;
  }
  int32_t part = GetStringStyleSize(s);
  if (lengthOut) *lengthOut = totalLength - part > 0 ? totalLength - part : 0;
  return s + part;
}

int32_t GetStrlenBrutTexteStyle(const char* s) { return s ? CLength(GetTexteBrutTexteStyle(s)) : 0; }

Handle GetDataTextStyle(const char* s, int32_t totalLength) {
  int32_t n = 0;
  const char* t = GetTexteBrutTexteStyleAndSize(s, totalLength, &n);
  Handle h = NewHandle(n);
  if (h && n) memcpy(*h, t, (size_t)n);
  return h;
}

// ---- style part <-> style handle ----------------------------------------------------------

ExtendedStylHandle CvtTextDataToStyleHandle(char* text) {
  if (!IsStyledString(text)) return nullptr;
  int32_t len = CLength(text);
  ExtendedStylHandle sh = LitPartieStyle(text, len);
  if (sh) return sh;
  Collapse("CvtTextDataToStyleHandle: wrong style structure, deleting styled text");
  // The string reads as plain text from now on, in its own bytes.
  if (len >= 4) memcpy(text, "<?>", 4);
  else memcpy(text, "?", 2);
  return nullptr;
}

void AddSTElementStyleHandle(Handle out, const ExtendedStyle* style, TextDataPrevStyle* previous) {
  Size at = GetHandleSize(out);
  if (!AppendByte(out, 0)) return;
  uint8_t flags = 0;
  if (!(style->size == previous->size && style->font == previous->font)) {
    AppendFloat(out, style->size);
    AppendFloat(out, style->lineHeight);
    AppendFloat(out, style->ascent);
    previous->size = style->size;
    previous->lineHeight = style->lineHeight;
    previous->ascent = style->ascent;
    flags |= 0x04;
    if (style->font != previous->font) {
      // The music-font placeholder is written without a name, as the
      // reader expects it.
      Str255 pname = {0};
      if ((int16_t)style->font != kFontePlaceholderVellari) GetFontName((int16_t)style->font, pname);
      char name[256];
      memcpy(name, pname + 1, pname[0]);
      name[pname[0]] = 0;
      AppendField(out, name);
      previous->font = style->font;
      flags |= 0x01;
    }
  }
  if (style->face != previous->face) {
    AppendLong(out, style->face);
    previous->face = style->face;
    flags |= 0x02;
  }
  if (style->color.red != previous->color.red || style->color.green != previous->color.green ||
      style->color.blue != previous->color.blue) {
    AppendLong(out, style->color.red);
    AppendLong(out, style->color.green);
    AppendLong(out, style->color.blue);
    previous->color = style->color;
    flags |= 0x08;
  }
  (*out)[at] = (char)(flags | 0x80);
}

Handle CvtStyleHandleToTextData(ExtendedStylHandle sh, TextStyle* textStyle) {
  Handle out = NewHandle(0);
  if (!out || !sh) return out;
  int32_t nRuns = (*sh)->nRuns;
  const ExtendedStyle* styles = ExtendedStyles(sh);
  const ExtendedRun* runs = ExtendedRuns(sh);
  if (textStyle && nRuns >= 1 && runs[0].style < (*sh)->nStyles) {
    ExtendedTEStyleToTextStyle(&styles[runs[0].style], textStyle);
  }
  if (textStyle && nRuns < 2) return out;
  if (!EcritPartieStyle(out, styles, (*sh)->nStyles, runs, nRuns)) SetHandleSize(out, 0);
  return out;
}

void AddRunAndStyle(const ExtendedStyle* style, int32_t start, Handle runsHandle, Handle stylesHandle) {
  int32_t n = (int32_t)(GetHandleSize(stylesHandle) / (Size)sizeof(ExtendedStyle));
  int32_t index = -1;
  ExtendedStyle* styles = reinterpret_cast<ExtendedStyle*>(*stylesHandle);
  for (int32_t i = 0; i < n; i++) {
    const ExtendedStyle& s = styles[i];
    if (s.font == style->font && s.face == style->face && s.size == style->size && s.color.red == style->color.red &&
        s.color.green == style->color.green && s.color.blue == style->color.blue) {
      index = i;
      break;
    }
  }
  if (index < 0) {
    ExtendedStyle e = *style;
    e.useCount = 0;
    if (!Append(stylesHandle, &e, sizeof e)) return;
    index = n;
  }
  ExtendedRun run{start, (uint16_t)index};
  if (!Append(runsHandle, &run, sizeof run)) return;
  reinterpret_cast<ExtendedStyle*>(*stylesHandle)[index].useCount++;
}

Handle CvtStyleHandleToTextDataRange(ExtendedStylHandle sh, int32_t start, int32_t end, const TextStyle* defaultStyle,
                                     TextStyle* textStyleOut) {
  TextStyle zero{};
  if (!defaultStyle) defaultStyle = &zero;
  ExtendedStyle def = StyleDepuis(defaultStyle);
  {
    PortPresent port;
    ExtendedTextState state;
    ExtendedGetTextState(&state);
    TextFont(defaultStyle->font);
    TextFace(defaultStyle->face);
    TextSize(defaultStyle->size);
    FontInfo fi{};
    GetFontMetrics(&fi);
    float a = fi.ascent, d = fi.descent;
    if (defaultStyle->font == vellariPrint) {
      a /= 4;
      d /= 4;
    }
    def.lineHeight = a + d + fi.leading;
    def.ascent = a;
    ExtendedSetTextState(&state, nullptr);
  }

  Handle runsH = NewHandle(0), stylesH = NewHandle(0);
  Handle out = nullptr;
  if (runsH && stylesH) {
    ExtendedStyle atStart = def;
    int32_t k = 0, nRuns = 0;
    if (sh) {
      nRuns = (*sh)->nRuns;
      const ExtendedRun* runs = ExtendedRuns(sh);
      while (k < nRuns && runs[k].start <= start) k++;
      if (k > 0) atStart = ExtendedStyles(sh)[runs[k - 1].style];
    }
    if (textStyleOut) ExtendedTEStyleToTextStyle(&atStart, textStyleOut);
    else AddRunAndStyle(&atStart, 0, runsH, stylesH);
    if (sh) {
      for (int32_t j = k; j <= nRuns; j++) {
        ExtendedRun run = ExtendedRuns(sh)[j];
        if (run.start >= end) break;
        ExtendedStyle st = j == nRuns ? def : ExtendedStyles(sh)[run.style];
        AddRunAndStyle(&st, run.start - start, runsH, stylesH);
      }
    }
    out = NewHandle(0);
    int32_t recorded = (int32_t)(GetHandleSize(runsH) / (Size)sizeof(ExtendedRun));
    if (out && GetHandleSize(stylesH) > 0) {
      ExtendedRun sentinel{end - start + 1, kExtendedSentinelStyle};
      if (Append(runsH, &sentinel, sizeof sentinel)) {
        int32_t nStyles = (int32_t)(GetHandleSize(stylesH) / (Size)sizeof(ExtendedStyle));
        if (!EcritPartieStyle(out, reinterpret_cast<ExtendedStyle*>(*stylesH), nStyles,
                              reinterpret_cast<ExtendedRun*>(*runsH), recorded)) {
          SetHandleSize(out, 0);
        }
      }
    }
  }
  DisposeHandle(runsH);
  DisposeHandle(stylesH);
  return out;
}

// ---- styled string <-> styled text record ---------------------------------------------------

void CvtTextDataToTEHandle(ExtendedTE te, const char* text, int32_t length, const TextStyle* textStyle) {
  if (!te) return;
  if (!text || length <= 0 || !text[0]) {
    ExtendedTESetStartEnd(te, 0, (*te)->teLength);
    ExtendedTEDelete(te);
    if (textStyle) ExtendedTESetStyle(doAll, textStyle, 0, te);
    ExtendedTECalText(te);
    return;
  }
  char* copy = CopyString(text, length);
  if (!copy) return;
  ExtendedStylHandle sh = CvtTextDataToStyleHandle(copy);  // a damaged part leaves "<?>" in the copy
  const char* body = GetTexteBrutTexteStyle(static_cast<const char*>(copy));
  int32_t n = CLength(body);
  if (sh && (*te)->styleHandle) {
    if (RemplaceTexte(te, body, n)) {
      SetStylHandleLength(sh, n);
      ExtendedSetStylHandle(sh, te);
    } else {
      ExtendedDisposeStylHandle(sh);
    }
  } else {
    TextStyle style{};
    if (sh) {
      // A single-style record takes the first run's style.
      if ((*sh)->nRuns > 0) ExtendedTEStyleToTextStyle(&ExtendedStyles(sh)[ExtendedRuns(sh)[0].style], &style);
      ExtendedDisposeStylHandle(sh);
    } else if (textStyle) {
      style = *textStyle;
      if (style.size == 0) style.size = 12;
      style.size = (int16_t)Zoom(style.size);
    } else {
      style.size = (int16_t)Zoom(12);
    }
    if (RemplaceTexte(te, body, n)) {
      if ((*te)->styleHandle) ExtendedInitStylHandle((*te)->styleHandle, &style, n, te);
      else ExtendedTESetStyle(doAll, &style, 0, te);
    }
  }
  DisposePtr(copy);
  ExtendedTECalText(te);
}

char* CvtExtendedTEHandleToTextData(ExtendedTE te, int32_t maxLength, TextStyle* textStyle) {
  if (!te) return nullptr;
  if (textStyle) ExtendedTEGetStyle(0, textStyle, nullptr, nullptr, te);
  Handle part = CvtStyleHandleToTextData((*te)->styleHandle, textStyle);
  int32_t length = (*te)->teLength;
  int64_t p = part ? GetHandleSize(part) : 0;
  if (maxLength >= 1 && p + length >= maxLength) {
    SetHandleSize(part, 0);
    length = maxLength - 1;
    // Never end inside a UTF-8 sequence.
    if ((*te)->charMode == 4) {
      const char* t = *(*te)->hText;
      while (length > 0 && ((uint8_t)t[length] & 0xC0) == 0x80) length--;
    }
  }
  char* r = Assemble(part, (*te)->hText ? *(*te)->hText : nullptr, length);
  DisposeHandle(part);
  return r;
}

void DisposeTextData(char* s) {
  if (s) DisposePtr(s);
}

void AddStyleHandleToStyleHandle(ExtendedStylHandle source, ExtendedStylHandle destination, int32_t offset) {
  if (!source || !destination) return;
  int32_t n = (*source)->nRuns;
  for (int32_t i = 0; i < n; i++) {
    ExtendedRun run = ExtendedRuns(source)[i];
    if (run.style >= (*source)->nStyles) continue;
    ExtendedStyle st = ExtendedStyles(source)[run.style];
    int32_t index = ExtendedAddStyleF((int16_t)st.font, st.face, st.size, &st.color, destination, nullptr);
    if (index < 0) continue;
    Extended_NewRun(offset + run.start, index, destination);
  }
  Extended_CleanRun(destination, 0, (*destination)->nRuns - 1);
}

void AddStyleHandleRangeToText(ExtendedTE te, const char* text, int32_t position, const TextStyle* textStyle) {
  if (!te || !text) return;
  ExtendedStylHandle dst = (*te)->styleHandle;
  if (!dst) return;
  int32_t n = GetStrlenBrutTexteStyle(text);
  ExtendedStylHandle src = LitCopie(text, CLength(text));
  if (src) {
    SetStylHandleLength(src, n);
    if ((*src)->nRuns > 0) {
      if (textStyle && ExtendedRuns(src)[0].start > 0) {
        int32_t index = ExtendedAddStyle(textStyle, src, nullptr);
        if (index >= 0) Extended_NewRun(0, index, src);
      }
    } else if (textStyle) {
      ExtendedInitStylHandle(src, textStyle, n, nullptr);
    }
  } else if (textStyle) {
    src = ExtendedNewStylHandle();
    if (src) ExtendedInitStylHandle(src, textStyle, n, nullptr);
  }
  if (src) AddStyleHandleToStyleHandle(src, dst, position);
  ExtendedDisposeStylHandle(src);
}

// ---- sub-strings ----------------------------------------------------------------------------

char* ExtraitSousChaineStyle(const char* text, int32_t from, int32_t to, const TextStyle* defaultStyle) {
  if (!text) return CopyString("", 1);
  Dpi72 dpi;
  const char* body;
  int32_t n;
  TexteEtLongueur(text, CLength(text), &body, &n);
  from = from < 0 ? 0 : (from > n ? n : from);
  to = to < from ? from : (to > n ? n : to);
  int32_t length = to - from;
  ExtendedStylHandle sh = length > 0 ? LitCopie(text, CLength(text)) : nullptr;
  if (!sh) return Assemble(nullptr, body + from, length);
  SetStylHandleLength(sh, n);
  TextStyle zero{};
  Handle part = CvtStyleHandleToTextDataRange(sh, from, to, defaultStyle ? defaultStyle : &zero, nullptr);
  char* r = Assemble(part, body + from, length);
  DisposeHandle(part);
  ExtendedDisposeStylHandle(sh);
  return r;
}

char* SupprimeSousChaineStyle(const char* text, int32_t from, int32_t to, int32_t textLength) {
  if (!text) return CopyString("", 1);
  Dpi72 dpi;
  const char* body;
  int32_t n;
  TexteEtLongueur(text, CLength(text), &body, &n);
  if (textLength >= 0 && textLength < n) n = textLength;
  from = from < 0 ? 0 : (from > n ? n : from);
  to = to < from ? from : (to > n ? n : to);
  int32_t newLength = n - (to - from);
  char* joined = NewTextPtr((int64_t)newLength + 1);
  if (!joined) return nullptr;
  memcpy(joined, body, (size_t)from);
  memcpy(joined + from, body + to, (size_t)(n - to));
  joined[newLength] = 0;
  ExtendedStylHandle sh = LitCopie(text, CLength(text));
  char* r;
  if (sh) {
    SetStylHandleLength(sh, n);
    ExtendedRunAdjust(from, from - to, sh);
    SetStylHandleLength(sh, newLength);
    r = AssembleStyle(sh, joined, newLength);
    ExtendedDisposeStylHandle(sh);
  } else {
    r = Assemble(nullptr, joined, newLength);
  }
  DisposePtr(joined);
  return r;
}

char* InsereSousChaineStyle(const char* inserted, int32_t insertedLength, const char* destination, int32_t position,
                            int32_t destinationLength) {
  Dpi72 dpi;
  const char* ins = "";
  const char* dst = "";
  int32_t n1 = 0, n2 = 0;
  if (inserted) TexteEtLongueur(inserted, CLength(inserted), &ins, &n1);
  if (destination) TexteEtLongueur(destination, CLength(destination), &dst, &n2);
  if (insertedLength >= 0 && insertedLength < n1) n1 = insertedLength;
  if (destinationLength >= 0 && destinationLength < n2) n2 = destinationLength;
  if (n1 == 0) return destination ? CopyString(destination, CLength(destination)) : CopyString("", 1);
  position = position < 0 ? 0 : (position > n2 ? n2 : position);
  const int32_t newLength = n1 + n2;

  char* joined = NewTextPtr((int64_t)newLength + 1);
  if (!joined) return nullptr;
  memcpy(joined, dst, (size_t)position);
  memcpy(joined + position, ins, (size_t)n1);
  memcpy(joined + position + n1, dst + position, (size_t)(n2 - position));
  joined[newLength] = 0;

  ExtendedStylHandle src = inserted ? LitCopie(inserted, CLength(inserted)) : nullptr;
  ExtendedStylHandle dsh = destination ? LitCopie(destination, CLength(destination)) : nullptr;
  ExtendedStylHandle result = nullptr;
  if (src) {
    SetStylHandleLength(src, n1);
    ExtendedRunOffset(0, position, src);
  }
  if (dsh) {
    SetStylHandleLength(dsh, n2);
    // The style that the text after the insertion keeps.
    int32_t k = Extended_NumRun(position < n2 ? position : n2 - 1, dsh);
    ExtendedStyle after{};
    bool hasAfter = k >= 0 && position < n2;
    if (hasAfter) after = ExtendedStyles(dsh)[ExtendedRuns(dsh)[k].style];
    ExtendedRunOffset(position, n1, dsh);
    SetStylHandleLength(dsh, newLength);
    if (src) {
      // The boundary after the insertion goes in before the inserted runs, so
      // that cleaning cannot join the inserted style with a later run.
      int32_t k2 = Extended_NumRun(position + n1, dsh);
      if (hasAfter && k2 >= 0 && ExtendedRuns(dsh)[k2].start != position + n1) {
        int32_t index = ExtendedAddStyleF((int16_t)after.font, after.face, after.size, &after.color, dsh, nullptr);
        if (index >= 0) Extended_NewRun(position + n1, index, dsh);
      }
      AddStyleHandleToStyleHandle(src, dsh, 0);
    } else if ((*dsh)->nRuns > 0 && ExtendedRuns(dsh)[0].start > 0) {
      // Inserted at the very start: the inserted text takes the first style.
      ExtendedRuns(dsh)[0].start = 0;
    }
    result = dsh;
  } else if (src) {
    if ((*src)->nRuns > 0) ExtendedRuns(src)[0].start = 0;
    SetStylHandleLength(src, newLength);
    result = src;
  }
  char* r = result ? AssembleStyle(result, joined, newLength) : Assemble(nullptr, joined, newLength);
  ExtendedDisposeStylHandle(src);
  ExtendedDisposeStylHandle(dsh);
  DisposePtr(joined);
  return r;
}

char* ConcateneSousChaineStyle(const char* a, int32_t from, int32_t to, char* b) {
  char* part = ExtraitSousChaineStyle(a, from, to, nullptr);
  char* r = InsereSousChaineStyle(part, -1, b, 9999, -1);
  DisposeTextData(part);
  DisposeTextData(b);
  return r;
}

char* CreeChaineStyle(const char* plain, const TextStyle* style) {
  Dpi72 dpi;
  PortPresent port;
  Rect r{0, 0, 32000, 32000};
  ExtendedTE te = ExtendedTEStylNew(&r, &r);
  if (!te) return nullptr;
  const char* t = plain ? plain : "";
  CvtTextDataToTEHandle(te, t, CLength(t), style);
  char* s = CvtExtendedTEHandleToTextData(te, 0, nullptr);
  ExtendedTEDispose(te);
  return s;
}

char* ConcateneChaineAvecStyle(const char* plain, const TextStyle* style, char* b) {
  char* s = CreeChaineStyle(plain, style);
  char* r = InsereSousChaineStyle(s, -1, b, 9999, -1);
  DisposeTextData(s);
  DisposeTextData(b);
  return r;
}

bool ExtraitStyleChaine(const char* text, int32_t offset, TextStyle* out) {
  if (!text || !out) return false;
  Dpi72 dpi;
  ExtendedStylHandle sh = LitCopie(text, CLength(text));
  if (!sh) return false;
  int32_t k = Extended_NumRun(offset, sh);
  if (k >= 0) ExtendedTEStyleToTextStyle(&ExtendedStyles(sh)[ExtendedRuns(sh)[k].style], out);
  ExtendedDisposeStylHandle(sh);
  return k >= 0;
}

Handle InjecteRunsDansChaine(const char* text, int32_t totalLength) {
  Dpi72 dpi;
  const char* body;
  int32_t n;
  TexteEtLongueur(text ? text : "", text ? totalLength : 0, &body, &n);
  Handle out = NewHandle(0);
  if (!out) return nullptr;
  ExtendedStylHandle sh = text ? LitCopie(text, totalLength) : nullptr;
  if (!sh) {
    Append(out, body, n);
    AppendByte(out, 0);
    return out;
  }
  int32_t nRuns = (*sh)->nRuns;
  for (int32_t i = 0; i < nRuns; i++) {
    const ExtendedRun* runs = ExtendedRuns(sh);
    int32_t a = i == 0 ? 0 : runs[i].start;
    int32_t b = i + 1 < nRuns ? runs[i + 1].start : n;
    a = a > n ? n : a;
    b = b > n ? n : (b < a ? a : b);
    Append(out, body + a, b - a);
    AppendByte(out, kTextDataEndField);
  }
  AppendByte(out, 0);
  ExtendedDisposeStylHandle(sh);
  return out;
}

Handle RecupereRunsDansChaine(const char* source, int32_t totalLength, const char* marked) {
  Dpi72 dpi;
  const char* m = marked ? marked : "";
  int32_t mLength = CLength(m);
  ExtendedStylHandle sh = source ? LitCopie(source, totalLength) : nullptr;
  Handle out = NewHandle(0);
  if (!out) {
    ExtendedDisposeStylHandle(sh);
    return nullptr;
  }
  if (!sh) {
    Append(out, m, mLength);
    AppendByte(out, 0);
    return out;
  }
  char* text = NewTextPtr((int64_t)mLength + 1);
  int32_t n = 0;
  if (text) {
    int32_t mark = 0;
    for (int32_t i = 0; i < mLength; i++) {
      if ((uint8_t)m[i] != kTextDataEndField) {
        text[n++] = m[i];
        continue;
      }
      mark++;
      if (mark <= (*sh)->nRuns) ExtendedRuns(sh)[mark].start = n;
    }
    text[n] = 0;
  }
  Handle part = CvtStyleHandleToTextData(sh, nullptr);
  if (part) Append(out, *part, (int32_t)GetHandleSize(part));
  Append(out, text, n);
  AppendByte(out, 0);
  DisposeHandle(part);
  if (text) DisposePtr(text);
  ExtendedDisposeStylHandle(sh);
  return out;
}

int16_t TraceChaineStyle(const char* text, int32_t offset, int32_t length, int16_t angle) {
  if (!text) return 0;
  const char* body;
  int32_t n;
  TexteEtLongueur(text, CLength(text), &body, &n);
  offset = offset < 0 ? 0 : (offset > n ? n : offset);
  int32_t end = length < 0 || length > n - offset ? n : offset + length;
  ExtendedStylHandle sh = LitCopie(text, CLength(text));
  if (!sh) {
    UTFDrawText(nullptr, body, offset, end - offset, angle);
    FontInfo fi{};
    GetFontMetrics(&fi);
    return fi.ascent;
  }
  SetStylHandleLength(sh, n);
  int16_t ascent = 0;
  int32_t nRuns = (*sh)->nRuns;
  for (int32_t i = 0; i < nRuns; i++) {
    ExtendedRun run = ExtendedRuns(sh)[i];
    int32_t a = run.start > offset ? run.start : offset;
    int32_t b = ExtendedRuns(sh)[i + 1].start;
    if (b > end) b = end;
    if (i == 0) a = offset;  // text before a late first run keeps the first style
    if (a >= b) continue;
    const ExtendedStyle& st = ExtendedStyles(sh)[run.style];
    SetTextFontSize((int16_t)st.font, (float)(int32_t)st.size);
    TextFace(st.face);
    RGBForeColor(&st.color);
    UTFDrawText(nullptr, body, a, b - a, angle);
    FontInfo fi{};
    GetFontMetrics(&fi);
    if (fi.ascent > ascent) ascent = fi.ascent;
  }
  ExtendedDisposeStylHandle(sh);
  return ascent;
}
