#pragma once
// Font lookup by name, the lists of fonts missed while a document is read,
// and the music-symbol font "SVellari": its choice for a size, its measuring
// and its drawing.
#include <cstdint>

struct Portee;
struct TextStyle;

// The music-font placeholder: a stored font number that stands for the music
// font chosen for the size in use.
constexpr int16_t kFontePlaceholderVellari = static_cast<int16_t>(63574);

// ---- equivalence table and lookup ------------------------------------------

struct FontEquivalent {
  char name[256];
  char equivalent[256];
};
// Filled only by an embedding application; empty here.
extern FontEquivalent** tabFNEq;  // handle of nbFNEq entries
extern int16_t nbFNEq;

typedef void (*FontConvCallback)(const char* requested, const char* tried, int16_t number, bool substituted);
void ExtendedSetFontConversionCallback(FontConvCallback callback);

// 0 installed; 1 the table named another font; 2 otherwise. The number is 1
// when neither the name nor its equivalent is installed. nameUsed (256
// bytes) may be null.
int16_t GetClosestIDFontFromName(const char* name, int16_t* number, char* nameUsed);
int16_t FontEQName(const char* name, char* equivalent);
int16_t FontEQNameNoDefault(const char* name, char* equivalent);

// ---- missed fonts ------------------------------------------------------------

extern char strLibFontesInconnues[256];
extern char strLibFontesSubstitues[256];
void AddFontInconnue(const char* name, uint8_t substituted);
void ClrListeFontInconnue();

// The preference switches these lists and the music-font choice read.
struct FontesPrefs {
  uint8_t listUnknownFonts = 1;
  uint8_t listSubstitutedFonts = 1;
  uint8_t musicPrintFontAlways = 0;
};
FontesPrefs& GetFontesPrefs();

// ---- the music-symbol font --------------------------------------------------

extern int16_t vellariPrint;
extern int16_t vellariScreen54;
extern int16_t vellariScreen72;
extern int16_t vellariScreen108;
extern uint8_t modePrintToutSurVellariPrint;
extern int16_t curTailleFonteMusicale;

// Activates the bundle's SVELLARI.TTF for this process (once) and sets the
// four music-font numbers to the font "SVellari". False when the file cannot
// be activated.
bool ActiveFonteVellari(const char* fontPath);

bool IsFonteVellariScreen(int16_t font);
void SetModeVellariPrint(uint8_t mode);
uint8_t GetModeVellariPrint();
// The music font for a pixel size.
int16_t ChoixFonteVellari(int32_t pixelSize);

// Fixed widths of the music-font digits and '+', in 1/2040 of the text size.
struct FixedCharWidth {
  uint16_t character;
  uint16_t followed;
  uint16_t last;
};
extern const FixedCharWidth TabFixedCharWidth[11];
// The sum of TextWidthCaractereMusical over a text size and per-character
// widths (the fixed ones for digits and '+'), rounded to nearest.
int16_t CalculeLargeurCaracteresMusicaux(const char* text, int16_t textSize, int16_t (*charWidth)(uint8_t code));

int16_t GetStdFont();
int16_t GetStdFontRoman();
void FixeTextStyleStd(TextStyle* style);
// The preference text style of that index on the current port; the plug-in
// has no preference styles, so the standard style (FixeTextStyleStd) stands
// for any the preferences do not fill.
void UseStylePref(int16_t index);

// ---- the music font in the current port -----------------------------------------

// TextFont of the music font for a pixel size; size and face untouched.
void SetFontVellari(uint16_t pixelSize);
// TextFont (the placeholder becomes the music font for the truncated size)
// and TextSize of the truncated size.
void SetTextFontSize(int16_t font, float size);
// The music font at Zoom(size) pixels, plain.
void TextFontVellari(float size);
void TextFontVellariForSize(int16_t size);
// The usual selection of all drawing code; remembers the zoomed size.
void TextFontMusicale(Portee** staff, int16_t size);
int16_t GetCurrentSizeFonteMusicale();

// Music-font codes drawn at the pen, which moves by their advance.
void DrawCharMusicalRotate(uint16_t code, int16_t angle);
void DrawCharMusical(uint16_t code);
void DrawTextMusical(const char* text);
void DrawCharRotate(uint16_t ch, int16_t angle);
int16_t CharWidthCaractereMusical(uint16_t code);
int16_t TextWidthCaractereMusical(const char* text);
// The staff's head width, interline and symbol scale from the print music
// font at the staff's music-font size.
void InitTailleCaracteresSelonFonte(Portee** staff);
