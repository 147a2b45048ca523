#pragma once
// Font registry and font faces: document font names get stable numbers for the
// life of the process, resolve to real fonts through fontconfig, and are
// loaded once (FreeType face, HarfBuzz font, cairo font face) for every
// measuring and drawing call that follows.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/PlatformTypes.h"

typedef struct FT_FaceRec_* FT_Face;
typedef struct hb_font_t hb_font_t;
typedef struct _cairo_font_face cairo_font_face_t;

// Classic family numbers keep their classic names.
enum : int16_t {
  kFontSystem = 0,
  kFontApplication = 1,
  kFontNewYork = 2,
  kFontGeneva = 3,
  kFontMonaco = 4,
  kFontTimes = 20,
  kFontHelvetica = 21,
  kFontCourier = 22,
  kFontSymbol = 23,
};
// Never assigned: the engine stores it as a placeholder for the music font.
constexpr int16_t kFontNumberReserved = static_cast<int16_t>(63574);
constexpr int16_t kInvalidFontFamily = -1;

// QuickDraw face bits.
enum : uint8_t {
  kFaceBold = 1,
  kFaceItalic = 2,
  kFaceUnderline = 4,
  kFaceOutline = 8,
  kFaceShadow = 16,
  kFaceCondense = 32,
  kFaceExtend = 64,
};

// The music font's family name.
constexpr char kMusicFontName[] = "SVellari";
// Whether a family number draws with the music font: the number registered
// for its name, or the placeholder.
bool IsMusicFont(int16_t font);

// Number of a family name, registered on first use (case-insensitive).
// Names of 0 bytes or over 255 bytes get kInvalidFontFamily.
int16_t FontNumberForName(const char* name);
// Name of a registered number into out (NUL-ended, cut to outSize - 1);
// false and an empty name for an unknown number.
bool FontNameForNumber(int16_t number, char* out, size_t outSize);
// True when fontconfig has a family of exactly this name (case-insensitive),
// or the name is one of the metric-compatible aliases (Times, Times New Roman,
// Helvetica, Arial, Courier and their -Bold/-Italic forms), or the name was
// activated for this process.
bool IsFontInstalled(const char* name);

// The Font Manager calls of the engine.
int16_t FMGetFontFamilyFromName(ConstStr255Param name);  // kInvalidFontFamily unless installed
void GetFNum(ConstStr255Param name, int16_t* number);    // 0 unless installed
void GetFontName(int16_t number, Str255 name);           // empty for an unknown number
// Makes the fonts of a file available to this process only (fontconfig
// application fonts and the registry). 0, or -43 when the file is missing,
// -50 for a file that holds no font.
OSStatus FMActivateFonts(const char* path);

// A loaded font file: shared by every family number and face that resolves
// to it. Metrics are in font units.
struct FontFile {
  FT_Face ft = nullptr;
  hb_font_t* hb = nullptr;  // scale = units per em: advances come in font units
  cairo_font_face_t* cairo = nullptr;
  int upem = 1000;
  int ascender = 0;   // hhea values through FreeType
  int descender = 0;  // negative below the baseline
  int lineGap = 0;
  int maxAdvance = 0;
  bool bold = false;
  bool italic = false;
  // Glyphs of the characters looked up so far, by pages of 256 characters
  // of the basic plane (glyph + 1; 0 not looked up yet): laying out asks
  // for every character's glyph, and most texts use a few pages.
  std::unique_ptr<uint32_t[]> glyphPages[256];
};

// What a (family number, face) pair draws with: the file and the traits
// that have to be synthesised because the family lacks them.
struct FontResolved {
  FontFile* file = nullptr;
  bool synthBold = false;
  bool synthItalic = false;
  float widthScale = 1.0f;  // 0.8 condensed, 1.25 extended, when synthesised
};

// Never null once fontconfig has any font at all; null only on a machine
// without fonts. Cached per (number, face).
const FontResolved* FontResolve(int16_t number, uint8_t face);
// Another font that has the character, for per-character fallback; null when
// none has it. Cached per character.
FontFile* FontFallbackFor(uint32_t codePoint);
// Glyph of a character in a file, 0 when it lacks it. Cached per file.
uint32_t FontGlyphFor(FontFile* file, uint32_t codePoint);
// Counts the activations of fonts: what was resolved under an older count
// may resolve differently now.
uint32_t FontCacheGeneration();
// Advance of a glyph in font units.
int32_t FontGlyphAdvance(FontFile* file, uint32_t glyph);
