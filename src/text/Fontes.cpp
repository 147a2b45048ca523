#include "text/Fontes.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "layout/Zoom.h"
#include "model/Portee.h"
#include "platform/Fonts.h"
#include "platform/Memory.h"
#include "platform/QuickDraw.h"
#include "platform/TextDraw.h"
#include "plugin/ServicesInertes.h"
#include "system/Dossiers.h"
#include "system/PortLayer.h"
#include "system/Reporters.h"
#include "system/ResStrings.h"
#include "system/Strings.h"
#include "text/TextEncodings.h"
#include "text/TextStyle.h"
#include "text/UTFText.h"

FontEquivalent** tabFNEq = nullptr;
int16_t nbFNEq = 0;
char strLibFontesInconnues[256];
char strLibFontesSubstitues[256];
int16_t vellariPrint = 0;
int16_t vellariScreen54 = 0;
int16_t vellariScreen72 = 0;
int16_t vellariScreen108 = 0;
uint8_t modePrintToutSurVellariPrint = 0;
int16_t curTailleFonteMusicale = 0;

const FixedCharWidth TabFixedCharWidth[11] = {
    {'0', 277, 264}, {'1', 192, 183}, {'2', 274, 249}, {'3', 266, 237}, {'4', 252, 240}, {'5', 230, 220},
    {'6', 273, 244}, {'7', 261, 250}, {'8', 296, 239}, {'9', 330, 246}, {'+', 229, 219},
};

namespace {

FontConvCallback gCurrentFontConvCallback = nullptr;
int16_t idOsaka = 0;

// The installed test of the port layer: the family number of an installed
// name, kept untouched otherwise.
bool NumeroFonteInstallee(const char* name, int16_t* number) {
  Str255 p;
  size_t n = strlen(name);
  if (n > 255) n = 255;
  p[0] = static_cast<unsigned char>(n);
  memcpy(p + 1, name, n);
  int16_t id = FMGetFontFamilyFromName(p);
  if (id == kInvalidFontFamily) return false;
  *number = id;
  return true;
}

}  // namespace

void ExtendedSetFontConversionCallback(FontConvCallback callback) { gCurrentFontConvCallback = callback; }

int16_t FontEQNameNoDefault(const char* name, char* equivalent) {
  if (!tabFNEq || !*tabFNEq || nbFNEq <= 0 || !name) return -1;
  // The count never reaches past the handle.
  int32_t count = nbFNEq;
  int32_t fits = GetHandleSize(reinterpret_cast<Handle>(tabFNEq)) / static_cast<int32_t>(sizeof(FontEquivalent));
  if (count > fits) count = fits;
  for (int32_t i = 0; i < count; i++) {
    FontEquivalent& e = (*tabFNEq)[i];
    if (strcasecmp(e.name, name) != 0) continue;
    if (strcasecmp(e.equivalent, "Default") == 0) return 0;
    if (equivalent) strnzcpy(equivalent, e.equivalent, 256);
    return strcasecmp(e.equivalent, e.name) != 0 ? 1 : 2;
  }
  return -1;
}

int16_t FontEQName(const char* name, char* equivalent) {
  if (strcasecmp(name, "Default") == 0) name = "Times New Roman";
  int16_t code = FontEQNameNoDefault(name, equivalent);
  if (code < 1 && strcasecmp(name, "Times New Roman") != 0) {
    // Absent or sent to the default: the default's equivalent fills the output.
    FontEQNameNoDefault("Times New Roman", equivalent);
  }
  return code;
}

int16_t GetClosestIDFontFromName(const char* name, int16_t* number, char* nameUsed) {
  int16_t dummy;
  if (!number) number = &dummy;
  if (!name) name = "";
  if (NumeroFonteInstallee(name, number)) return 0;
  char equivalent[256] = "";
  int16_t code = FontEQName(name, equivalent);
  int16_t result;
  if (code == 1) {
    result = 1;
    if (!NumeroFonteInstallee(equivalent, number)) {
      Collapse("GetIDFontSelonNom: font '%s' not found", equivalent);
      *number = 1;
    }
  } else {
    result = 2;
    if (!NumeroFonteInstallee(equivalent, number)) *number = 1;
  }
  if (nameUsed) strnzcpy(nameUsed, equivalent, 256);
  if (gCurrentFontConvCallback) gCurrentFontConvCallback(name, equivalent, *number, result == 1);
  return result;
}

FontesPrefs& GetFontesPrefs() {
  static FontesPrefs prefs;
  return prefs;
}

void AddFontInconnue(const char* name, uint8_t substituted) {
  if (!name || !name[0]) return;
  FontesPrefs& p = GetFontesPrefs();
  if (substituted ? !p.listSubstitutedFonts : !p.listUnknownFonts) return;
  char* list = substituted ? strLibFontesSubstitues : strLibFontesInconnues;
  // Already listed (any letter case)?
  size_t nameLen = strlen(name);
  const char* s = list;
  while (*s) {
    const char* comma = strchr(s, ',');
    size_t len = comma ? static_cast<size_t>(comma - s) : strlen(s);
    if (len == nameLen && strncasecmp(s, name, len) == 0) return;
    if (!comma) break;
    s = comma + 1;
  }
  size_t listLen = strlen(list);
  if (listLen + nameLen >= 253) return;  // full: dropped silently
  if (listLen) list[listLen++] = ',';
  memcpy(list + listLen, name, nameLen + 1);
}

void ClrListeFontInconnue() {
  strLibFontesInconnues[0] = 0;
  strLibFontesSubstitues[0] = 0;
}

bool ActiveFonteVellari(const char* fontPath) {
  static bool done = false;
  if (!done) {
    if (FMActivateFonts(fontPath) != noErr) return false;
    done = true;
  }
  int16_t n = FontNumberForName("SVellari");
  vellariPrint = vellariScreen54 = vellariScreen72 = vellariScreen108 = n;
  return true;
}

bool IsFonteVellariScreen(int16_t font) {
  return font == vellariScreen54 || font == vellariScreen72 || font == vellariScreen108;
}

void SetModeVellariPrint(uint8_t mode) { modePrintToutSurVellariPrint = mode; }
uint8_t GetModeVellariPrint() { return modePrintToutSurVellariPrint; }

int16_t ChoixFonteVellari(int32_t pixelSize) {
  if (modePrintToutSurVellariPrint == 0 && !GetFontesPrefs().musicPrintFontAlways) {
    if (pixelSize == 42 || pixelSize == 54) return vellariScreen54;
    if (pixelSize == 72) return vellariScreen72;
    if (pixelSize == 108) return vellariScreen108;
  }
  return vellariPrint;
}

int16_t CalculeLargeurCaracteresMusicaux(const char* text, int16_t textSize, int16_t (*charWidth)(uint8_t code)) {
  if (!text || !text[0]) return 0;
  double s = textSize;
  double x = 0;
  for (const char* p = text; *p; p++) {
    uint8_t c = static_cast<uint8_t>(*p);
    const FixedCharWidth* fixed = nullptr;
    for (const auto& f : TabFixedCharWidth) {
      if (f.character == c) fixed = &f;
    }
    if (fixed) {
      x += (p[1] ? fixed->followed : fixed->last) * s / 2040.0;
    } else {
      x += charWidth(c);
    }
  }
  double r = std::floor(x + 0.5);
  if (r > 32767) r = 32767;
  if (r < -32767) r = -32767;
  return static_cast<int16_t>(r);
}

int16_t GetStdFont() {
  if (Langue != 5) return 3;
  if (idOsaka == 0) {
    int16_t n = 0;
    idOsaka = NumeroFonteInstallee("Osaka", &n) ? n : 3;
  }
  return idOsaka;
}

int16_t GetStdFontRoman() { return 3; }

// ---- the music font in the port -------------------------------------------------

void SetFontVellari(uint16_t pixelSize) { TextFont(ChoixFonteVellari(pixelSize)); }

void SetTextFontSize(int16_t font, float size) {
  int16_t s = static_cast<int16_t>(size);
  TextFont(font == kFontePlaceholderVellari ? ChoixFonteVellari(s) : font);
  TextSize(s);
}

void TextFontVellari(float size) {
  int32_t z = Zoom(static_cast<int32_t>(size));
  TextFont(ChoixFonteVellari(z));
  TextSize(static_cast<int16_t>(std::clamp<int32_t>(z, 0, 32767)));
  TextFace(0);
}

void TextFontVellariForSize(int16_t size) {
  uint8_t saved = modePrintToutSurVellariPrint;
  modePrintToutSurVellariPrint = 1;
  TextFontVellari(size);
  modePrintToutSurVellariPrint = saved;
}

void TextFontMusicale(Portee** /*staff*/, int16_t size) {
  curTailleFonteMusicale = static_cast<int16_t>(std::clamp<int32_t>(Zoom(size), -32767, 32767));
  TextFontVellari(size);
}

int16_t GetCurrentSizeFonteMusicale() { return curTailleFonteMusicale; }

void DrawCharMusicalRotate(uint16_t code, int16_t angle) {
  // Off for either path: the 8-bit text a recorded picture carries must
  // reach the font as the raw code too.
  RozoSetTranscodeCharset(0);
  if (IsUnicodeApplication()) {
    uint8_t utf[3];
    int32_t n = UnicodeCharToUTF(static_cast<UniChar>(0xF000 | (code & 0xFF)), utf);
    CGrafPtr port = nullptr;
    GetPort(&port);
    UTFDrawText(port, reinterpret_cast<const char*>(utf), 0, n, angle);
  } else {
    DrawChar(static_cast<int16_t>(code & 0xFF));
  }
  RozoSetTranscodeCharset(1);
}

void DrawCharMusical(uint16_t code) { DrawCharMusicalRotate(code, 0); }

void DrawTextMusical(const char* text) {
  for (const char* p = text; p && *p; p++) DrawCharMusicalRotate(static_cast<uint8_t>(*p), 0);
}

void DrawCharRotate(uint16_t ch, int16_t angle) {
  if (angle != 0 && IsUnicodeApplication()) {
    uint8_t utf[3];
    int32_t n = UnicodeCharToUTF(static_cast<UniChar>(ch), utf);
    CGrafPtr port = nullptr;
    GetPort(&port);
    UTFDrawText(port, reinterpret_cast<const char*>(utf), 0, n, angle);
    return;
  }
  DrawChar(static_cast<int16_t>(ch));
}

int16_t CharWidthCaractereMusical(uint16_t code) {
  RozoSetTranscodeCharset(0);
  int16_t w = CharWidth(static_cast<int16_t>(code & 0xFF));
  RozoSetTranscodeCharset(1);
  return w;
}

namespace {
int16_t LargeurMusicale(uint8_t code) { return CharWidthCaractereMusical(code); }
}  // namespace

int16_t TextWidthCaractereMusical(const char* text) {
  CGrafPtr port = nullptr;
  GetPort(&port);
  int16_t size = port ? port->txSize : 0;
  return CalculeLargeurCaracteresMusicaux(text, size == 0 ? int16_t(12) : size, LargeurMusicale);
}

void InitTailleCaracteresSelonFonte(Portee** staff) {
  if (!staff || !*staff) return;
  CGrafPtr saved = SetPortTemporaire();
  int16_t size = static_cast<int16_t>(std::min<int32_t>((*staff)->aspect.tailleUnite, 32767));
  TextFontVellariForSize(size);
  int32_t w = CharWidthCaractereMusical(207);
  (*staff)->largeurTete = static_cast<int16_t>((w * 613 + 356) / 713);
  bool gregorien = (*staff)->type == kTypePorteeGregorien;
  (*staff)->interligne = static_cast<float>(size) * GetDpiDest() / (gregorien ? 648.0f : 864.0f);
  TextSize(size);
  (*staff)->echelleSymboles = static_cast<float>(size) / (gregorien ? 9.0f : 12.0f);
  SetPort(saved);
}

void FixeTextStyleStd(TextStyle* style) {
  if (!style) return;
  memset(style, 0, sizeof *style);
  style->font = GetStdFont();
  style->size = 10;
}

void UseStylePref(int16_t index) {
  TextStyle style;
  FixeTextStyleStd(&style);
  GetStylePref(index, &style);
  // Applied as a styled text's style is: font (the placeholder becoming the
  // music font), size, face and colour.
  SetTextFontSize(style.font, style.size);
  TextFace(style.face & 0x7F);
  RGBForeColor(&style.color);
}
