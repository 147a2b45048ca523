#pragma once
// The styled text-edit record: UTF-8 (or 8-bit) text with 32-bit offsets,
// fractional sizes and metrics, a rotation angle, and a table of operation
// slots through which every font setting, measurement, drawing and erasing
// passes. Every text box, styled string and lyric line is laid out, measured
// and drawn through it. Its sections live in four files, named above each.
#include <cstdint>

#include "platform/PlatformTypes.h"
#include "platform/QuickDraw.h"
#include "text/TextStyle.h"

struct ExtendedTERec;
typedef ExtendedTERec** ExtendedTE;

// ---- style data: ExtendedTE.cpp --------------------------------------------

// One style table entry; useCount is the number of runs that name it.
struct ExtendedStyle {
  uint16_t useCount;
  float lineHeight;  // ascent + descent + leading
  float ascent;
  uint16_t font;
  uint8_t face;
  float size;
  RGBColor color;
};

struct ExtendedRun {
  int32_t start;
  uint16_t style;  // 65535 in the sentinel
};

struct ExtendedLineHeight {
  int16_t height;  // negative: kept as it is by line breaking
  int16_t ascent;
};

// One entry of the pending-style list.
struct ExtendedNullStyleEntry {
  int32_t start;
  int16_t height;
  int16_t ascent;
  int16_t font;
  uint8_t face;
  int16_t size;
  RGBColor color;
};
// The pending-style list: a count, then the entries.
struct ExtendedNullStyleList {
  int16_t count;
  ExtendedNullStyleEntry entries[1];  // the list's block holds `count` entries (at least one)
};
struct ExtendedNullStyleRec {
  int32_t unused;
  Handle list;  // an ExtendedNullStyleList block
};

// The header of a style handle; nRuns + 1 runs follow it in the same block,
// the last one the sentinel {teLength + 1, 65535}.
struct ExtendedStylRec {
  int16_t nRuns;
  int16_t nStyles;
  Handle styleTable;   // nStyles ExtendedStyle
  Handle lineHeights;  // nLines + 1 ExtendedLineHeight
  float scale;
  Handle nullStyle;  // an ExtendedNullStyleRec block
};
typedef ExtendedStylRec** ExtendedStylHandle;

constexpr uint16_t kExtendedSentinelStyle = 65535;
// Run counts and style counts are 16-bit in the stored form.
constexpr int32_t kExtendedMaxRuns = 32000;
constexpr int32_t kExtendedMaxStyles = 32000;

ExtendedRun* ExtendedRuns(ExtendedStylHandle sh);
ExtendedStyle* ExtendedStyles(ExtendedStylHandle sh);

// ---- the record: ExtendedTE.cpp (the caret clock: ExtendedTEDraw.cpp) ------

struct ExtendedLongRect {
  int32_t left, right, top, bottom;
};
struct ExtendedLongPoint {
  int32_t h, v;
};

typedef uint16_t (*ExtendedWordBreakProc)(ExtendedTE te, int32_t offset);
typedef uint16_t (*ExtendedInEscapeProc)(ExtendedTE te, int32_t offset);
typedef uint8_t (*ExtendedClikLoopProc)(Point pt, ExtendedTE te);
typedef uint8_t (*ExtendedDrawTextProc)(ExtendedTE te, int32_t line, const char* bytes, int32_t length);
typedef uint8_t (*ExtendedWrapFilterProc)(ExtendedTE te, int32_t start, int32_t length);
typedef float (*ExtendedTextWidthProc)(ExtendedTE te, int32_t line, const char* text, int32_t offset, int32_t length);
typedef void (*ExtendedDeleteHookProc)(ExtendedTE te, int16_t what);
typedef void (*ExtendedLineTableHookProc)(ExtendedTE te, int32_t firstLine, int32_t delta);
typedef int32_t (*ExtendedLineIndentProc)(ExtendedTE te, int32_t line, int32_t lineStart);
typedef void (*ExtendedAfterDrawProc)(ExtendedTE te, int32_t from, int32_t to, float oldHeight, float newHeight);
typedef void (*ExtendedTextFontProc)(int16_t font);
typedef void (*ExtendedTextFaceProc)(uint8_t face);
typedef void (*ExtendedTextModeProc)(int16_t mode);
typedef void (*ExtendedTextSizeProc)(float size);
typedef void (*ExtendedSpaceExtraProc)(Fixed extra);
typedef void (*ExtendedTextColorProc)(const RGBColor* color);
typedef void (*ExtendedGetFontInfoProc)(float info[4]);  // ascent, descent, widMax, leading
typedef void (*ExtendedMoveToProc)(float h, float v);
typedef void (*ExtendedSetAlphaBackgroundProc)(float alpha);
typedef void (*ExtendedEraseColorRectProc)(uint32_t refCon, const Rect* r, const RGBColor* color);
typedef void (*ExtendedEraseColorRgnProc)(uint32_t refCon, RgnHandle rgn, const RGBColor* color);

struct ExtendedTERec {
  ExtendedLongRect destRect;
  Rect viewRect;
  int32_t lineHeight;  // -1 in a styled record
  float fontAscent;    // -1 in a styled record
  ExtendedLongPoint selPoint;
  int32_t selStart, selEnd;
  int32_t anchorStart, anchorEnd;
  RGBColor eraseColor;
  float eraseAlpha;
  uint8_t useHiliteColor;
  RGBColor hiliteColor;
  uint16_t active;
  uint8_t drawLock;
  uint8_t noWordCut;
  // Operation slots; the optional ones stay null until a caller sets them.
  ExtendedWordBreakProc wordBreak;
  ExtendedInEscapeProc inEscape;
  ExtendedClikLoopProc clikLoop;
  ExtendedDrawTextProc drawText;
  ExtendedWrapFilterProc wrapFilter;  // optional
  ExtendedTextWidthProc textWidth;
  ExtendedDeleteHookProc deleteHook;        // optional
  ExtendedLineTableHookProc lineTableHook;  // optional
  ExtendedLineIndentProc lineIndent;        // optional
  ExtendedAfterDrawProc afterDraw;          // optional
  ExtendedTextFontProc textFont;
  ExtendedTextFaceProc textFace;
  ExtendedTextModeProc textMode;
  ExtendedTextSizeProc textSize;
  ExtendedSpaceExtraProc spaceExtra;
  ExtendedTextColorProc textColor;
  ExtendedGetFontInfoProc getFontInfo;
  ExtendedMoveToProc moveTo;
  ExtendedSetAlphaBackgroundProc setAlphaBackground;
  ExtendedEraseColorRectProc eraseColorRect;
  ExtendedEraseColorRgnProc eraseColorRgn;
  uint32_t eraseRefCon;
  uint32_t caretTime;
  uint16_t caretShown;
  uint16_t caretWidth;
  int16_t just;  // 0 and -2 left, 1 centred, -1 right
  float lineSpacing;
  int16_t angle;
  int32_t charMode;  // 4 UTF-8, 2 one byte per character
  int32_t teLength;
  Handle hText;
  uint8_t eraseBackground;
  uint8_t noWrap;
  uint8_t noClip;
  uint16_t txFont;
  uint8_t txFace;
  int16_t txSize;
  RGBColor txColor;
  uint16_t txMode;
  ExtendedStylHandle styleHandle;
  CGrafPtr port;
  int32_t nLines;
  uint16_t autoView;
  // nLines + 1 line starts follow the record in its block (ExtendedLineStarts).
};

int32_t* ExtendedLineStarts(ExtendedTE te);

// Justification values.
constexpr int16_t teFlushDefault = 0;
constexpr int16_t teCenter = 1;
constexpr int16_t teFlushRight = -1;
constexpr int16_t teFlushLeft = -2;

// Style mode bits.
enum : int16_t {
  doFont = 1,
  doFace = 2,
  doSize = 4,
  doColor = 8,
  doAll = 15,
  addSize = 16,
  doToggle = 32,
};

// Insertion (non-zero) or overwrite mode: the caret's width follows it.
extern uint8_t ModeInsert;
// The clock the caret blinks by, in ticks; tests put their own.
extern uint32_t (*ExtendedTETickCount)();
constexpr uint32_t kExtendedCaretTime = 30;

// ---- creation, disposal, text: ExtendedTE.cpp -------------------------------

ExtendedTE ExtendedTENew(const Rect* destRect, const Rect* viewRect);
ExtendedTE ExtendedTEStylNew(const Rect* destRect, const Rect* viewRect);
void ExtendedTEDispose(ExtendedTE te);
void ExtendedTESetStandardSlots(ExtendedTE te);

ExtendedStylHandle ExtendedNewStylHandle();
void ExtendedInitStylHandle(ExtendedStylHandle sh, const TextStyle* style, int32_t textLength, ExtendedTE te);
void ExtendedSetStylHandle(ExtendedStylHandle sh, ExtendedTE te);
ExtendedStylHandle ExtendedGetStylHandle(ExtendedTE te);
void ExtendedDisposeStylHandle(ExtendedStylHandle sh);
void ExtendedDisposeExtText(ExtendedStylHandle sh);
void Extended_InitStyle(ExtendedTE te);

Handle ExtendedTEGetText(ExtendedTE te);
void ExtendedTEFastAddData(const char* bytes, int32_t count, ExtendedTE te);
void ExtendedTEDelete(ExtendedTE te);
void ExtendedTESetStartEnd(ExtendedTE te, int32_t a, int32_t b);
void ExtendedAdjustStartEnd(ExtendedTE te);
void ExtendedTESetJust(int16_t just, ExtendedTE te);
void ExtendedTESetRotation(ExtendedTE te, int16_t angle);
void ExtendedTESetEraseBackground(uint8_t flag, ExtendedTE te);
void ExtendedTESetWrap(uint8_t wrap, ExtendedTE te);
void ExtendedTESetNoClipToViewRect(uint8_t flag, ExtendedTE te);
void ExtendedTEAutoView(uint8_t flag, ExtendedTE te);
void ExtendedSetUnicodeMode(ExtendedTE te, uint8_t flag);

// ---- styles, text state and standard slots: ExtendedTE.cpp ------------------

void ExtendedTESetStyle(int16_t mode, const TextStyle* style, uint8_t redraw, ExtendedTE te);
void ExtendedTEGetStyle(int32_t offset, TextStyle* out, int16_t* lineHeight, int16_t* ascent, ExtendedTE te);
void ExtendedTEGetStyleFromStyleHandle(int32_t offset, TextStyle* out, int16_t* lineHeight, int16_t* ascent,
                                       ExtendedTE te);
void ExtendedTEStyleToTextStyle(const ExtendedStyle* style, TextStyle* out);
// Index of the equal entry, or of a new one with use count 0; -1 when the table is full.
int32_t ExtendedAddStyle(const TextStyle* style, ExtendedStylHandle sh, ExtendedTE te);
int32_t ExtendedAddStyleF(int16_t font, uint8_t face, float size, const RGBColor* color, ExtendedStylHandle sh,
                          ExtendedTE te);
uint8_t ExtendedTESetStyleRange(int16_t mode, const TextStyle* style, int32_t start, int32_t end, ExtendedStylHandle sh,
                                ExtendedTE te, const TextStyle* baseStyle);
void ExtendedFixeStyleNull(ExtendedTE te);
void ExtendedGetStyleNull(ExtendedStylHandle sh, TextStyle* out);

int32_t Extended_NumRun(int32_t offset, ExtendedStylHandle sh);
int32_t Extended_NewRun(int32_t offset, int32_t styleIndex, ExtendedStylHandle sh);
void Extended_DelRun(int32_t index, ExtendedStylHandle sh);
void Extended_CleanRun(ExtendedStylHandle sh, int32_t first, int32_t last);
void ExtendedRunAdjust(int32_t offset, int32_t delta, ExtendedStylHandle sh);
void ExtendedRunOffset(int32_t offset, int32_t delta, ExtendedStylHandle sh);

void GetFontMetrics(FontInfo* out);

struct ExtendedTextState {
  int16_t font;
  int16_t size;
  uint8_t face;
  int16_t mode;
  Fixed spaceExtra;
  CGrafPtr tempPort;  // made when there was no current port
};
void ExtendedGetTextState(ExtendedTextState* state);
void ExtendedSetTextState(const ExtendedTextState* state, ExtendedTE te);
struct ExtendedPenAndColorState {
  PenState pen;
  RGBColor back;
};
void ExtendedGetPenAndColorState(ExtendedPenAndColorState* state);
void ExtendedSetPenAndColorState(const ExtendedPenAndColorState* state);

// Standard operations.
uint16_t vect_wordBreak(ExtendedTE te, int32_t offset);
uint16_t vect_inEscape(ExtendedTE te, int32_t offset);
uint8_t VectStdDrawText(ExtendedTE te, int32_t line, const char* bytes, int32_t length);
float VectStdTextWidth(ExtendedTE te, int32_t line, const char* text, int32_t offset, int32_t length);
void VectStdTextFont(int16_t font);
void VectStdTextFace(uint8_t face);
void VectStdTextMode(int16_t mode);
void VectStdTextSize(float size);
void VectStdSpaceExtra(Fixed extra);
void VectStdTextColor(const RGBColor* color);
void VectStdGetFontInfo(float info[4]);
void VectStdMoveTo(float h, float v);
void VectStdSetAlphaBackground(float alpha);
void VectStdEraseColorRect(uint32_t refCon, const Rect* r, const RGBColor* color);
void VectStdEraseColorRgn(uint32_t refCon, RgnHandle rgn, const RGBColor* color);

// ---- line breaking and layout: ExtendedTELayout.cpp -------------------------

void ExtendedTECalText(ExtendedTE te);
void ExtendedTERecalText(int32_t start, int32_t end, int32_t delta, ExtendedTE te, int32_t* firstChanged,
                         int32_t* lastChanged);
uint8_t ExtendedTEReformate(int32_t firstLine, int32_t endLine, int32_t delta, ExtendedTE te);
// Height (with the line spacing) and ascent of the runs that touch start..end.
ExtendedLineHeight Extended_HeightFromRuns(ExtendedTE te, int32_t start, int32_t end);
void Extended_DecaleTableauLigne(ExtendedTE te, int32_t line, int32_t delta);
int32_t NextPosBreak(ExtendedTE te, int32_t offset);
int32_t PrevPosBreak(ExtendedTE te, int32_t offset);
float ExtendedTailleMaxTexte(ExtendedTE te, int32_t line, int32_t start, int32_t length, uint8_t saveState);
int32_t ExtendedTailleTexte(ExtendedTE te, int32_t line, int32_t start, int32_t length, uint8_t saveState);
// Single-style lines: byte length and x offset by justification (never below 0).
void Extended_calc_param_ligne(ExtendedTE te, int32_t line, int32_t* lengthOut, int32_t* xOut);
int32_t ExtendedNumLigne(int32_t offset, ExtendedTE te);
float ExtendedTEGetHeight(int32_t lineA, int32_t lineB, ExtendedTE te);

// ---- drawing, selection, hit testing: ExtendedTEDraw.cpp --------------------

void ExtendedTEDoText(ExtendedTE te, int32_t from, int32_t to, float oldHeight);
void Extended_affiche_texte(ExtendedTE te, int32_t from, int32_t to, float oldHeight, float newHeight);
void Extended_affiche_texteExt(ExtendedTE te, int32_t from, int32_t to, float oldHeight, float newHeight);
void Extended_affiche_texte_std(ExtendedTE te, int32_t from, int32_t to, float oldHeight, float newHeight);
void ExtendedTEUpdate(const Rect* r, ExtendedTE te);
void ExtendedTEActivate(ExtendedTE te);
void ExtendedTEIdle(ExtendedTE te);
void ExtendedAfficheCurseur(ExtendedTE te, uint16_t show);
void ExtendedFixeSelect(int32_t a, int32_t b, ExtendedTE te);
void ExtendedTESetSelect(int32_t a, int32_t b, ExtendedTE te);
void ExtendedTESelView(ExtendedTE te);
void ExtendedTEScroll(int32_t dh, int32_t dv, ExtendedTE te);
RgnHandle ExtendedComputeSelectRgn(int32_t a, int32_t b, ExtendedTE te);
void ExtendedInvertSelectRgn(RgnHandle rgn, uint8_t inactive, ExtendedTE te);
void ExtendedInvertText(int32_t a, int32_t b, uint8_t inactive, ExtendedTE te);
void Extended_affiche_select(ExtendedTE te);
void ExtendedRetraceRegion(ExtendedTE te, RgnHandle rgn);
void ExtendedRetraceAireSelectTexte(ExtendedTE te);
void ExtendedTEGetPoint(int32_t offset, ExtendedTE te, ExtendedLongPoint* out);
// The point is packed with the vertical in the low half, the horizontal in the high half.
int32_t ExtendedTEGetOffset(int32_t point, ExtendedTE te);
uint8_t ExtendedTEClikLoop(Point pt, ExtendedTE te);
// Justification offset of a styled line.
int32_t Extended_JustOffset(ExtendedTE te, int32_t line);

// ---- rotation: ExtendedTERotate.cpp -----------------------------------------

void ExtendedRotateTransformPoint(ExtendedTE te, const Point* in, Point* out);
RgnHandle ExtendedRotateGetRgnFromRect(ExtendedTE te, const Rect* r);
