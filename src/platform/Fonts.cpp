#include "platform/Fonts.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H
#include <cairo-ft.h>
#include <hb-ft.h>
#include <hb-ot.h>
#include <hb.h>
#include <sys/stat.h>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

std::string Lower(const char* s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

// Names of the classic numbers. 0 and 1 stand for whatever the system and
// application fonts are; they draw with the standard font's substitute.
struct ClassicName {
  int16_t number;
  const char* name;
};
constexpr ClassicName kClassic[] = {
    {kFontSystem, "System Font"},  {kFontApplication, "Application Font"},
    {kFontNewYork, "New York"},    {kFontGeneva, "Geneva"},
    {kFontMonaco, "Monaco"},       {kFontTimes, "Times"},
    {kFontHelvetica, "Helvetica"}, {kFontCourier, "Courier"},
    {kFontSymbol, "Symbol"},
};

// Metric-compatible families: these names count as installed when the
// family they map to is.
struct Alias {
  const char* name;  // lower case
  const char* family;
  bool bold;
  bool italic;
};
constexpr Alias kMetricAliases[] = {
    {"times", "Liberation Serif", false, false},    {"times new roman", "Liberation Serif", false, false},
    {"helvetica", "Liberation Sans", false, false}, {"arial", "Liberation Sans", false, false},
    {"courier", "Liberation Mono", false, false},   {"courier new", "Liberation Mono", false, false},
};
// Style suffixes of PostScript-like names ("Helvetica-Bold").
struct Suffix {
  const char* text;
  bool bold;
  bool italic;
};
constexpr Suffix kSuffixes[] = {
    {"-bold", true, false},       {"-italic", false, true}, {"-oblique", false, true},  {"-bolditalic", true, true},
    {"-boldoblique", true, true}, {"-roman", false, false}, {"-regular", false, false},
};

// Where names that are not installed still draw from: the classic screen
// fonts and the Japanese standard font have substitutes.
struct Substitute {
  const char* name;  // lower case
  const char* family;
};
constexpr Substitute kDrawSubstitutes[] = {
    {"system font", "Liberation Sans"},
    {"application font", "Liberation Sans"},
    {"geneva", "Liberation Sans"},
    {"new york", "Liberation Serif"},
    {"monaco", "Liberation Mono"},
    {"symbol", "DejaVu Sans"},
    {"osaka", "IPAGothic"},
    {"lucida grande", "Liberation Sans"},
};

struct Registry {
  std::vector<std::string> names;  // index = number - kFirstDynamic
  std::unordered_map<std::string, int16_t> byLower;
  std::unordered_map<std::string, bool> installed;  // lower name -> answer
  std::vector<std::string> activatedFamilies;       // lower case
};
constexpr int kFirstDynamic = 1024;

Registry& Reg() {
  static Registry* r = [] {
    auto* reg = new Registry;
    for (const auto& c : kClassic) reg->byLower[Lower(c.name)] = c.number;
    return reg;
  }();
  return *r;
}

FT_Library Library() {
  static FT_Library lib = [] {
    FT_Library l = nullptr;
    if (FT_Init_FreeType(&l) != 0) l = nullptr;
    return l;
  }();
  return lib;
}

// fontconfig's configuration lives for the process; parts of it are held
// through pointers the leak checker cannot follow.
void LeakCheckOff() {
#if defined(__SANITIZE_ADDRESS__)
  __lsan_disable();
#endif
}
void LeakCheckOn() {
#if defined(__SANITIZE_ADDRESS__)
  __lsan_enable();
#endif
}

bool FcInitOnce() {
  static bool ok = [] {
    LeakCheckOff();
    bool r = FcInit() != 0;
    LeakCheckOn();
    return r;
  }();
  return ok;
}

// Exact family test, case-insensitive, without fontconfig's blank folding.
bool FamilyListed(const char* family) {
  if (!FcInitOnce()) return false;
  FcPattern* pat = FcPatternCreate();
  FcPatternAddString(pat, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
  FcObjectSet* os = FcObjectSetBuild(FC_FAMILY, nullptr);
  FcFontSet* set = FcFontList(nullptr, pat, os);
  bool found = false;
  for (int i = 0; set && i < set->nfont && !found; i++) {
    FcChar8* f = nullptr;
    for (int n = 0; FcPatternGetString(set->fonts[i], FC_FAMILY, n, &f) == FcResultMatch; n++) {
      if (strcasecmp(reinterpret_cast<const char*>(f), family) == 0) {
        found = true;
        break;
      }
    }
  }
  if (set) FcFontSetDestroy(set);
  FcObjectSetDestroy(os);
  FcPatternDestroy(pat);
  return found;
}

const Alias* FindAlias(const std::string& lower, bool* bold, bool* italic) {
  *bold = *italic = false;
  for (const auto& a : kMetricAliases) {
    if (lower == a.name) return &a;
  }
  for (const auto& s : kSuffixes) {
    size_t n = strlen(s.text);
    if (lower.size() <= n || lower.compare(lower.size() - n, n, s.text) != 0) continue;
    std::string base = lower.substr(0, lower.size() - n);
    for (const auto& a : kMetricAliases) {
      if (base == a.name) {
        *bold = s.bold;
        *italic = s.italic;
        return &a;
      }
    }
  }
  return nullptr;
}

// ---- font files -------------------------------------------------------------

std::map<std::pair<std::string, int>, std::unique_ptr<FontFile>>& Files() {
  static auto* m = new std::map<std::pair<std::string, int>, std::unique_ptr<FontFile>>;
  return *m;
}

FontFile* LoadFile(const char* path, int index) {
  auto key = std::make_pair(std::string(path), index);
  auto& files = Files();
  auto it = files.find(key);
  if (it != files.end()) return it->second.get();
  FontFile* result = nullptr;
  FT_Face ft = nullptr;
  if (Library() && FT_New_Face(Library(), path, index, &ft) == 0) {
    auto file = std::make_unique<FontFile>();
    file->ft = ft;
    file->upem = ft->units_per_EM ? ft->units_per_EM : 1000;
    file->ascender = ft->ascender;
    file->descender = ft->descender;
    file->lineGap = ft->height - ft->ascender + ft->descender;
    if (file->lineGap < 0) file->lineGap = 0;
    file->maxAdvance = ft->max_advance_width;
    file->bold = (ft->style_flags & FT_STYLE_FLAG_BOLD) != 0;
    file->italic = (ft->style_flags & FT_STYLE_FLAG_ITALIC) != 0;
    // HarfBuzz reads the file through the same FreeType face; its scale stays
    // at units per em, so advances come unhinted in font units.
    file->hb = hb_ft_font_create_referenced(ft);
    hb_font_set_scale(file->hb, file->upem, file->upem);
    hb_ft_font_set_load_flags(file->hb, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING);
    hb_ot_font_set_funcs(file->hb);
    file->cairo = cairo_ft_font_face_create_for_ft_face(ft, FT_LOAD_NO_HINTING);
    result = file.get();
    files.emplace(key, std::move(file));
  } else {
    files.emplace(key, nullptr);
  }
  return result;
}

// fontconfig's best file for a family and style; the pattern it returns says
// which traits the file really has.
FontFile* MatchFile(const char* family, bool bold, bool italic, int width, bool* gotBold, bool* gotItalic,
                    int* gotWidth) {
  *gotBold = *gotItalic = false;
  *gotWidth = FC_WIDTH_NORMAL;
  if (!FcInitOnce()) return nullptr;
  FcPattern* pat = FcPatternCreate();
  FcPatternAddString(pat, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
  FcPatternAddInteger(pat, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pat, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddInteger(pat, FC_WIDTH, width);
  FcPatternAddBool(pat, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(nullptr, pat, FcMatchPattern);
  FcDefaultSubstitute(pat);
  FcResult res;
  FcPattern* match = FcFontMatch(nullptr, pat, &res);
  FontFile* file = nullptr;
  if (match) {
    FcChar8* path = nullptr;
    int index = 0, weight = FC_WEIGHT_REGULAR, slant = FC_SLANT_ROMAN, w = FC_WIDTH_NORMAL;
    FcPatternGetInteger(match, FC_INDEX, 0, &index);
    FcPatternGetInteger(match, FC_WEIGHT, 0, &weight);
    FcPatternGetInteger(match, FC_SLANT, 0, &slant);
    FcPatternGetInteger(match, FC_WIDTH, 0, &w);
    if (FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch) {
      file = LoadFile(reinterpret_cast<const char*>(path), index);
    }
    // fontconfig's own synthesis (embolden, an oblique matrix) may make the
    // match claim a trait the file lacks: the file's style says what it has.
    *gotBold = file ? file->bold : weight >= FC_WEIGHT_DEMIBOLD;
    *gotItalic = file ? file->italic : slant != FC_SLANT_ROMAN;
    *gotWidth = w;
    FcPatternDestroy(match);
  }
  FcPatternDestroy(pat);
  return file;
}

// The concrete family a registered name draws with, and the style its name
// carries.
std::string DrawFamily(const std::string& name, bool* nameBold, bool* nameItalic) {
  std::string lower = Lower(name.c_str());
  *nameBold = *nameItalic = false;
  if (const Alias* a = FindAlias(lower, nameBold, nameItalic)) return a->family;
  if (FamilyListed(name.c_str())) return name;
  for (const auto& s : kDrawSubstitutes) {
    if (lower == s.name) return s.family;
  }
  return name;  // fontconfig's own substitution, DejaVu Sans at the end
}

}  // namespace

namespace {
// What names and characters resolved to; emptied when fonts are activated,
// since a family may then resolve to the new file.
std::unordered_map<uint32_t, FontResolved>& ResolveCache() {
  static auto* m = new std::unordered_map<uint32_t, FontResolved>;
  return *m;
}
std::unordered_map<uint32_t, FontFile*>& FallbackCache() {
  static auto* m = new std::unordered_map<uint32_t, FontFile*>;
  return *m;
}
uint32_t gCacheGeneration = 1;
}  // namespace

uint32_t FontCacheGeneration() { return gCacheGeneration; }

int16_t FontNumberForName(const char* name) {
  if (name == nullptr) return kInvalidFontFamily;
  size_t len = strlen(name);
  if (len == 0 || len > 255) return kInvalidFontFamily;
  Registry& r = Reg();
  std::string lower = Lower(name);
  auto it = r.byLower.find(lower);
  if (it != r.byLower.end()) return it->second;
  // Dynamic numbers stay positive, so the placeholder (negative as a signed
  // 16-bit value) is never handed out.
  int number = kFirstDynamic + static_cast<int>(r.names.size());
  if (number > 32767) return kInvalidFontFamily;
  r.names.push_back(name);
  r.byLower[lower] = static_cast<int16_t>(number);
  return static_cast<int16_t>(number);
}

bool FontNameForNumber(int16_t number, char* out, size_t outSize) {
  const char* found = nullptr;
  for (const auto& c : kClassic) {
    if (c.number == number) found = c.name;
  }
  Registry& r = Reg();
  if (!found && number >= kFirstDynamic) {
    size_t index = static_cast<size_t>(number - kFirstDynamic);
    if (index < r.names.size()) found = r.names[index].c_str();
  }
  if (out && outSize) {
    out[0] = 0;
    if (found) {
      size_t n = strlen(found);
      if (n >= outSize) n = outSize - 1;
      memcpy(out, found, n);
      out[n] = 0;
    }
  }
  return found != nullptr;
}

bool IsMusicFont(int16_t font) {
  if (font == kFontNumberReserved) return true;
  // Numbers keep their names for the life of the process: the last answer
  // holds for as long as the same number is asked about.
  static int16_t lastFont = 0;
  static bool lastAnswer = false, asked = false;
  if (!asked || font != lastFont) {
    char name[sizeof kMusicFontName + 1];
    lastAnswer = FontNameForNumber(font, name, sizeof name) && strcasecmp(name, kMusicFontName) == 0;
    lastFont = font;
    asked = true;
  }
  return lastAnswer;
}

bool IsFontInstalled(const char* name) {
  if (name == nullptr || name[0] == 0) return false;
  Registry& r = Reg();
  std::string lower = Lower(name);
  auto it = r.installed.find(lower);
  if (it != r.installed.end()) return it->second;
  bool bold, italic;
  bool yes;
  if (const Alias* a = FindAlias(lower, &bold, &italic)) {
    yes = FamilyListed(a->family);
  } else {
    yes = FamilyListed(name);
  }
  r.installed[lower] = yes;
  return yes;
}

int16_t FMGetFontFamilyFromName(ConstStr255Param name) {
  if (name == nullptr) return kInvalidFontFamily;
  char c[256];
  memcpy(c, name + 1, name[0]);
  c[name[0]] = 0;
  if (!IsFontInstalled(c)) return kInvalidFontFamily;
  return FontNumberForName(c);
}

void GetFNum(ConstStr255Param name, int16_t* number) {
  int16_t n = FMGetFontFamilyFromName(name);
  if (number) *number = n == kInvalidFontFamily ? 0 : n;
}

void GetFontName(int16_t number, Str255 name) {
  char c[256];
  FontNameForNumber(number, c, sizeof c);
  size_t n = strlen(c);
  name[0] = static_cast<unsigned char>(n);
  memcpy(name + 1, c, n);
}

OSStatus FMActivateFonts(const char* path) {
  struct stat st;
  if (path == nullptr || stat(path, &st) != 0 || !S_ISREG(st.st_mode)) return fnfErr;
  if (!FcInitOnce()) return paramErr;
  int count = 0;
  FcBlanks* blanks = nullptr;
  std::vector<std::string> families;
  for (int index = 0; index < 64; index++) {
    FcPattern* p = FcFreeTypeQuery(reinterpret_cast<const FcChar8*>(path), index, blanks, &count);
    if (!p) break;
    FcChar8* f = nullptr;
    for (int n = 0; FcPatternGetString(p, FC_FAMILY, n, &f) == FcResultMatch; n++) {
      families.emplace_back(reinterpret_cast<const char*>(f));
    }
    FcPatternDestroy(p);
    if (index + 1 >= count) break;
  }
  if (families.empty()) return paramErr;
  LeakCheckOff();
  FcBool added = FcConfigAppFontAddFile(nullptr, reinterpret_cast<const FcChar8*>(path));
  LeakCheckOn();
  if (!added) return paramErr;
  Registry& r = Reg();
  for (const auto& f : families) {
    FontNumberForName(f.c_str());
    r.installed[Lower(f.c_str())] = true;
  }
  ResolveCache().clear();
  FallbackCache().clear();
  gCacheGeneration++;
  return noErr;
}

const FontResolved* FontResolve(int16_t number, uint8_t face) {
  auto& cache = ResolveCache();
  uint8_t styleBits = face & (kFaceBold | kFaceItalic | kFaceCondense | kFaceExtend);
  uint32_t key = (static_cast<uint32_t>(static_cast<uint16_t>(number)) << 8) | styleBits;
  auto it = cache.find(key);
  if (it != cache.end()) return it->second.file ? &it->second : nullptr;

  char name[256];
  if (number == kFontNumberReserved) {
    // The engine's placeholder for the music font at the size in use: every
    // size draws with the one music font.
    strcpy(name, "SVellari");
  } else if (!FontNameForNumber(number, name, sizeof name)) {
    FontNameForNumber(kFontApplication, name, sizeof name);
  }
  bool nameBold = false, nameItalic = false;
  std::string family = DrawFamily(name, &nameBold, &nameItalic);
  bool wantBold = (face & kFaceBold) || nameBold;
  bool wantItalic = (face & kFaceItalic) || nameItalic;
  int width = (face & kFaceCondense) ? FC_WIDTH_CONDENSED : (face & kFaceExtend) ? FC_WIDTH_EXPANDED : FC_WIDTH_NORMAL;
  bool gotBold, gotItalic;
  int gotWidth;
  FontResolved res;
  res.file = MatchFile(family.c_str(), wantBold, wantItalic, width, &gotBold, &gotItalic, &gotWidth);
  if (res.file) {
    res.synthBold = wantBold && !gotBold;
    res.synthItalic = wantItalic && !gotItalic;
    if ((face & kFaceCondense) && gotWidth >= FC_WIDTH_NORMAL) res.widthScale = 0.8f;
    if ((face & kFaceExtend) && !(face & kFaceCondense) && gotWidth <= FC_WIDTH_NORMAL) res.widthScale = 1.25f;
  }
  auto& slot = cache[key];
  slot = res;
  return slot.file ? &slot : nullptr;
}

FontFile* FontFallbackFor(uint32_t codePoint) {
  auto& cache = FallbackCache();
  auto it = cache.find(codePoint);
  if (it != cache.end()) return it->second;
  FontFile* file = nullptr;
  if (FcInitOnce()) {
    FcPattern* pat = FcPatternCreate();
    FcCharSet* cs = FcCharSetCreate();
    FcCharSetAddChar(cs, codePoint);
    FcPatternAddCharSet(pat, FC_CHARSET, cs);
    FcPatternAddBool(pat, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pat, FcMatchPattern);
    FcDefaultSubstitute(pat);
    FcResult res;
    FcFontSet* set = FcFontSort(nullptr, pat, FcFalse, nullptr, &res);
    for (int i = 0; set && i < set->nfont && !file; i++) {
      FcCharSet* has = nullptr;
      if (FcPatternGetCharSet(set->fonts[i], FC_CHARSET, 0, &has) != FcResultMatch || !FcCharSetHasChar(has, codePoint))
        continue;
      FcChar8* path = nullptr;
      int index = 0;
      FcPatternGetInteger(set->fonts[i], FC_INDEX, 0, &index);
      if (FcPatternGetString(set->fonts[i], FC_FILE, 0, &path) == FcResultMatch) {
        FontFile* f = LoadFile(reinterpret_cast<const char*>(path), index);
        if (f && FontGlyphFor(f, codePoint)) file = f;
      }
    }
    if (set) FcFontSetDestroy(set);
    FcCharSetDestroy(cs);
    FcPatternDestroy(pat);
  }
  if (cache.size() < 65536) cache[codePoint] = file;
  return file;
}

uint32_t FontGlyphFor(FontFile* file, uint32_t codePoint) {
  if (!file) return 0;
  uint32_t* slot = nullptr;
  if (codePoint < 0x10000) {
    std::unique_ptr<uint32_t[]>& page = file->glyphPages[codePoint >> 8];
    if (!page) page.reset(new uint32_t[256]());
    slot = &page[codePoint & 0xFF];
    if (*slot) return *slot - 1;
  }
  hb_codepoint_t g = 0;
  if (!hb_font_get_nominal_glyph(file->hb, codePoint, &g)) g = 0;
  if (slot) *slot = g + 1;
  return g;
}

int32_t FontGlyphAdvance(FontFile* file, uint32_t glyph) {
  if (!file) return 0;
  return hb_font_get_glyph_h_advance(file->hb, glyph);
}
