// ABC import: the file's text, its lines, the header fields of its tunes and
// their parts, and the key, meter and tempo texts.
#include "import/ImportABC.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "import/ABCInterne.h"
#include "import/LectureFlux.h"
#include "layout/ModesEcran.h"
#include "layout/ServicesMiseEnPage.h"
#include "model/Document.h"
#include "model/Partition.h"
#include "model/Ruptures.h"
#include "model/TabEltMesure.h"
#include "model/TonaliteMaths.h"
#include "platform/EncodingTables.h"
#include "system/Handles.h"
#include "system/Reporters.h"
#include "system/Strings.h"

namespace {

// ABC files are small texts; anything larger is refused before it is read.
constexpr int64_t kMaxFichierABC = 32 * 1024 * 1024;
// Characters kept of one line; the rest of a longer line is read and dropped.
constexpr size_t kMaxLigneABC = 65534;

// ------------------------------------------------------------------ encoding

void AjouteUTF8(std::string* s, uint32_t c) {
  if (c < 0x80) {
    s->push_back(char(c));
  } else if (c < 0x800) {
    s->push_back(char(0xC0 | (c >> 6)));
    s->push_back(char(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    s->push_back(char(0xE0 | (c >> 12)));
    s->push_back(char(0x80 | ((c >> 6) & 0x3F)));
    s->push_back(char(0x80 | (c & 0x3F)));
  } else {
    s->push_back(char(0xF0 | (c >> 18)));
    s->push_back(char(0x80 | ((c >> 12) & 0x3F)));
    s->push_back(char(0x80 | ((c >> 6) & 0x3F)));
    s->push_back(char(0x80 | (c & 0x3F)));
  }
}

// Length of the valid UTF-8 sequence at p (at most n bytes), 0 when invalid.
size_t LongueurUTF8(const uint8_t* p, size_t n) {
  uint8_t c = p[0];
  if (c < 0x80) return 1;
  size_t l;
  uint32_t min;
  if ((c & 0xE0) == 0xC0) l = 2, min = 0x80;
  else if ((c & 0xF0) == 0xE0) l = 3, min = 0x800;
  else if ((c & 0xF8) == 0xF0) l = 4, min = 0x10000;
  else return 0;
  if (l > n) return 0;
  uint32_t v = c & (0x7F >> l);
  for (size_t i = 1; i < l; i++) {
    if ((p[i] & 0xC0) != 0x80) return 0;
    v = (v << 6) | (p[i] & 0x3F);
  }
  if (v < min || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF)) return 0;
  return l;
}

bool EstUTF8(const uint8_t* p, size_t n) {
  for (size_t i = 0; i < n;) {
    size_t l = LongueurUTF8(p + i, n - i);
    if (!l) return false;
    i += l;
  }
  return true;
}

bool CommencePar(const uint8_t* p, size_t n, const char* mot) {
  size_t l = std::strlen(mot);
  if (n < l) return false;
  for (size_t i = 0; i < l; i++)
    if (std::tolower(p[i]) != std::tolower(uint8_t(mot[i]))) return false;
  return true;
}

// The charset a directive line names: 1 UTF-8, 2 another (read as
// Windows-1252, which covers Latin-1's printable characters), 0 no directive.
int CharsetDirective(const uint8_t* p, size_t n) {
  int verdict = 0;
  for (size_t i = 0; i < n;) {
    size_t fin = i;
    while (fin < n && p[fin] != '\n' && p[fin] != '\r') fin++;
    size_t j = i;
    while (j < fin && (p[j] == ' ' || p[j] == '\t')) j++;
    const uint8_t* l = p + j;
    size_t ln = fin - j;
    size_t saut = CommencePar(l, ln, "%%abc-charset") ? 13 : CommencePar(l, ln, "%abc-charset") ? 12 : 0;
    if (saut) {
      size_t k = saut;
      while (k < ln && (l[k] == ' ' || l[k] == '\t')) k++;
      verdict = CommencePar(l + k, ln - k, "utf-8") || CommencePar(l + k, ln - k, "utf8") ? 1 : 2;
      break;
    }
    i = fin + 1;
  }
  return verdict;
}

// --------------------------------------------------------------- line reader

// Letters that a mark escape composes with, and the composed characters
// (Unicode canonical composition of the letter and the mark).
struct Composition {
  char marque;
  char lettre;
  uint16_t caractere;
};
const Composition kCompositions[] = {
    {'`', 'A', 0x00C0},  {'`', 'E', 0x00C8},  {'`', 'I', 0x00CC},  {'`', 'N', 0x01F8},  {'`', 'O', 0x00D2},
    {'`', 'U', 0x00D9},  {'`', 'W', 0x1E80},  {'`', 'Y', 0x1EF2},  {'`', 'a', 0x00E0},  {'`', 'e', 0x00E8},
    {'`', 'i', 0x00EC},  {'`', 'n', 0x01F9},  {'`', 'o', 0x00F2},  {'`', 'u', 0x00F9},  {'`', 'w', 0x1E81},
    {'`', 'y', 0x1EF3},  {'\'', 'A', 0x00C1}, {'\'', 'C', 0x0106}, {'\'', 'E', 0x00C9}, {'\'', 'G', 0x01F4},
    {'\'', 'I', 0x00CD}, {'\'', 'K', 0x1E30}, {'\'', 'L', 0x0139}, {'\'', 'M', 0x1E3E}, {'\'', 'N', 0x0143},
    {'\'', 'O', 0x00D3}, {'\'', 'P', 0x1E54}, {'\'', 'R', 0x0154}, {'\'', 'S', 0x015A}, {'\'', 'U', 0x00DA},
    {'\'', 'W', 0x1E82}, {'\'', 'Y', 0x00DD}, {'\'', 'Z', 0x0179}, {'\'', 'a', 0x00E1}, {'\'', 'c', 0x0107},
    {'\'', 'e', 0x00E9}, {'\'', 'g', 0x01F5}, {'\'', 'i', 0x00ED}, {'\'', 'k', 0x1E31}, {'\'', 'l', 0x013A},
    {'\'', 'm', 0x1E3F}, {'\'', 'n', 0x0144}, {'\'', 'o', 0x00F3}, {'\'', 'p', 0x1E55}, {'\'', 'r', 0x0155},
    {'\'', 's', 0x015B}, {'\'', 'u', 0x00FA}, {'\'', 'w', 0x1E83}, {'\'', 'y', 0x00FD}, {'\'', 'z', 0x017A},
    {'^', 'A', 0x00C2},  {'^', 'C', 0x0108},  {'^', 'E', 0x00CA},  {'^', 'G', 0x011C},  {'^', 'H', 0x0124},
    {'^', 'I', 0x00CE},  {'^', 'J', 0x0134},  {'^', 'O', 0x00D4},  {'^', 'S', 0x015C},  {'^', 'U', 0x00DB},
    {'^', 'W', 0x0174},  {'^', 'Y', 0x0176},  {'^', 'Z', 0x1E90},  {'^', 'a', 0x00E2},  {'^', 'c', 0x0109},
    {'^', 'e', 0x00EA},  {'^', 'g', 0x011D},  {'^', 'h', 0x0125},  {'^', 'i', 0x00EE},  {'^', 'j', 0x0135},
    {'^', 'o', 0x00F4},  {'^', 's', 0x015D},  {'^', 'u', 0x00FB},  {'^', 'w', 0x0175},  {'^', 'y', 0x0177},
    {'^', 'z', 0x1E91},  {'~', 'A', 0x00C3},  {'~', 'E', 0x1EBC},  {'~', 'I', 0x0128},  {'~', 'N', 0x00D1},
    {'~', 'O', 0x00D5},  {'~', 'U', 0x0168},  {'~', 'V', 0x1E7C},  {'~', 'Y', 0x1EF8},  {'~', 'a', 0x00E3},
    {'~', 'e', 0x1EBD},  {'~', 'i', 0x0129},  {'~', 'n', 0x00F1},  {'~', 'o', 0x00F5},  {'~', 'u', 0x0169},
    {'~', 'v', 0x1E7D},  {'~', 'y', 0x1EF9},  {'"', 'A', 0x00C4},  {'"', 'E', 0x00CB},  {'"', 'H', 0x1E26},
    {'"', 'I', 0x00CF},  {'"', 'O', 0x00D6},  {'"', 'U', 0x00DC},  {'"', 'W', 0x1E84},  {'"', 'X', 0x1E8C},
    {'"', 'Y', 0x0178},  {'"', 'a', 0x00E4},  {'"', 'e', 0x00EB},  {'"', 'h', 0x1E27},  {'"', 'i', 0x00EF},
    {'"', 'o', 0x00F6},  {'"', 't', 0x1E97},  {'"', 'u', 0x00FC},  {'"', 'w', 0x1E85},  {'"', 'x', 0x1E8D},
    {'"', 'y', 0x00FF},  {'o', 'A', 0x00C5},  {'o', 'U', 0x016E},  {'o', 'a', 0x00E5},  {'o', 'u', 0x016F},
    {'o', 'w', 0x1E98},  {'o', 'y', 0x1E99},  {'c', 'C', 0x00C7},  {'c', 'D', 0x1E10},  {'c', 'E', 0x0228},
    {'c', 'G', 0x0122},  {'c', 'H', 0x1E28},  {'c', 'K', 0x0136},  {'c', 'L', 0x013B},  {'c', 'N', 0x0145},
    {'c', 'R', 0x0156},  {'c', 'S', 0x015E},  {'c', 'T', 0x0162},  {'c', 'c', 0x00E7},  {'c', 'd', 0x1E11},
    {'c', 'e', 0x0229},  {'c', 'g', 0x0123},  {'c', 'h', 0x1E29},  {'c', 'k', 0x0137},  {'c', 'l', 0x013C},
    {'c', 'n', 0x0146},  {'c', 'r', 0x0157},  {'c', 's', 0x015F},  {'c', 't', 0x0163},  {'v', 'A', 0x01CD},
    {'v', 'C', 0x010C},  {'v', 'D', 0x010E},  {'v', 'E', 0x011A},  {'v', 'G', 0x01E6},  {'v', 'H', 0x021E},
    {'v', 'I', 0x01CF},  {'v', 'K', 0x01E8},  {'v', 'L', 0x013D},  {'v', 'N', 0x0147},  {'v', 'O', 0x01D1},
    {'v', 'R', 0x0158},  {'v', 'S', 0x0160},  {'v', 'T', 0x0164},  {'v', 'U', 0x01D3},  {'v', 'Z', 0x017D},
    {'v', 'a', 0x01CE},  {'v', 'c', 0x010D},  {'v', 'd', 0x010F},  {'v', 'e', 0x011B},  {'v', 'g', 0x01E7},
    {'v', 'h', 0x021F},  {'v', 'i', 0x01D0},  {'v', 'j', 0x01F0},  {'v', 'k', 0x01E9},  {'v', 'l', 0x013E},
    {'v', 'n', 0x0148},  {'v', 'o', 0x01D2},  {'v', 'r', 0x0159},  {'v', 's', 0x0161},  {'v', 't', 0x0165},
    {'v', 'u', 0x01D4},  {'v', 'z', 0x017E},  {'=', 'A', 0x0100},  {'=', 'E', 0x0112},  {'=', 'G', 0x1E20},
    {'=', 'I', 0x012A},  {'=', 'O', 0x014C},  {'=', 'U', 0x016A},  {'=', 'Y', 0x0232},  {'=', 'a', 0x0101},
    {'=', 'e', 0x0113},  {'=', 'g', 0x1E21},  {'=', 'i', 0x012B},  {'=', 'o', 0x014D},  {'=', 'u', 0x016B},
    {'=', 'y', 0x0233},  {'u', 'A', 0x0102},  {'u', 'E', 0x0114},  {'u', 'G', 0x011E},  {'u', 'I', 0x012C},
    {'u', 'O', 0x014E},  {'u', 'U', 0x016C},  {'u', 'a', 0x0103},  {'u', 'e', 0x0115},  {'u', 'g', 0x011F},
    {'u', 'i', 0x012D},  {'u', 'o', 0x014F},  {'u', 'u', 0x016D},  {'.', 'A', 0x0226},  {'.', 'B', 0x1E02},
    {'.', 'C', 0x010A},  {'.', 'D', 0x1E0A},  {'.', 'E', 0x0116},  {'.', 'F', 0x1E1E},  {'.', 'G', 0x0120},
    {'.', 'H', 0x1E22},  {'.', 'I', 0x0130},  {'.', 'M', 0x1E40},  {'.', 'N', 0x1E44},  {'.', 'O', 0x022E},
    {'.', 'P', 0x1E56},  {'.', 'R', 0x1E58},  {'.', 'S', 0x1E60},  {'.', 'T', 0x1E6A},  {'.', 'W', 0x1E86},
    {'.', 'X', 0x1E8A},  {'.', 'Y', 0x1E8E},  {'.', 'Z', 0x017B},  {'.', 'a', 0x0227},  {'.', 'b', 0x1E03},
    {'.', 'c', 0x010B},  {'.', 'd', 0x1E0B},  {'.', 'e', 0x0117},  {'.', 'f', 0x1E1F},  {'.', 'g', 0x0121},
    {'.', 'h', 0x1E23},  {'.', 'm', 0x1E41},  {'.', 'n', 0x1E45},  {'.', 'o', 0x022F},  {'.', 'p', 0x1E57},
    {'.', 'r', 0x1E59},  {'.', 's', 0x1E61},  {'.', 't', 0x1E6B},  {'.', 'w', 0x1E87},  {'.', 'x', 0x1E8B},
    {'.', 'y', 0x1E8F},  {'.', 'z', 0x017C},  {'H', 'O', 0x0150},  {'H', 'U', 0x0170},  {'H', 'o', 0x0151},
    {'H', 'u', 0x0171},  {';', 'A', 0x0104},  {';', 'E', 0x0118},  {';', 'I', 0x012E},  {';', 'O', 0x01EA},
    {';', 'U', 0x0172},  {';', 'a', 0x0105},  {';', 'e', 0x0119},  {';', 'i', 0x012F},  {';', 'o', 0x01EB},
    {';', 'u', 0x0173}};

// The combining character of each mark, for letters without a composed form.
uint32_t MarqueCombinante(char m) {
  switch (m) {
    case '`': return 0x300;
    case '\'': return 0x301;
    case '^': return 0x302;
    case '~': return 0x303;
    case '"': return 0x308;
    case 'o': return 0x30A;
    case 'c': return 0x327;
    case 'v': return 0x30C;
    case '=': return 0x304;
    case 'u': return 0x306;
    case '.': return 0x307;
    case 'H': return 0x30B;
    case ';': return 0x328;
    default: return 0;
  }
}

uint32_t Compose(char marque, char lettre) {
  for (const Composition& c : kCompositions)
    if (c.marque == marque && c.lettre == lettre) return c.caractere;
  return 0;
}

bool EstLettre(int c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

int ValeurHexa(int c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string TexteABCEnUTF8(const uint8_t* data, size_t length) {
  std::string s;
  if (!data) return s;
  int charset = CharsetDirective(data, length);
  bool utf8 = charset == 1 || (charset == 0 && EstUTF8(data, length));
  s.reserve(length + length / 8);
  if (utf8) {
    for (size_t i = 0; i < length;) {
      size_t l = LongueurUTF8(data + i, length - i);
      if (l) {
        s.append(reinterpret_cast<const char*>(data + i), l);
        i += l;
      } else {
        AjouteUTF8(&s, 0xFFFD);
        i++;
      }
    }
    // A byte-order mark is not part of the first line.
    if (s.compare(0, 3, "\xEF\xBB\xBF") == 0) s.erase(0, 3);
  } else {
    for (size_t i = 0; i < length; i++) {
      uint8_t c = data[i];
      AjouteUTF8(&s, c < 0x7F ? c : Windows2UnicodeTable[c - 0x7F]);
    }
  }
  return s;
}

bool GetLineABC(LecteurLignesABC* src, std::string* line, bool* comment) {
  line->clear();
  if (comment) *comment = false;
  if (!src || !src->texte || src->pos >= src->taille) return false;
  const char* t = src->texte;
  const size_t n = src->taille;
  size_t& i = src->pos;
  bool stocke = true;  // cleared by a comment or an unknown escape
  bool commentaire = false;
  auto stocker = [&](const std::string& s) {
    if (stocke && line->size() + s.size() <= kMaxLigneABC) line->append(s);
  };
  auto stockerCar = [&](char c) {
    if (stocke && line->size() < kMaxLigneABC) line->push_back(c);
  };
  auto stockerCode = [&](uint32_t c) {
    std::string u;
    AjouteUTF8(&u, c);
    stocker(u);
  };
  while (i < n) {
    uint8_t c = uint8_t(t[i++]);
    if (c == '\t') c = ' ';
    if (c <= 13) {
      // The other half of a CR LF or LF CR pair goes with this end.
      if ((c == '\r' || c == '\n') && i < n && (t[i] == '\r' || t[i] == '\n') && t[i] != char(c)) i++;
      break;
    }
    if (c < 32) {
      stockerCar(char(c));
      break;
    }
    if (c == '%') {
      if (i < n && (t[i] == '%' || t[i] == '!')) {
        i++;
        stockerCar('%');
      } else {
        if (stocke && line->empty()) commentaire = true;
        stocke = false;
      }
      continue;
    }
    if (c != '\\') {
      stockerCar(char(c));
      continue;
    }
    // An escape.
    if (i >= n || t[i] == '\n' || t[i] == '\r') continue;  // the line ends here
    char e = t[i++];
    char a = i < n ? t[i] : 0;
    if ((e == 'a' && (a == 'e' || a == 'a')) || (e == 'A' && (a == 'E' || a == 'A')) || (e == 'o' && a == 'e') ||
        (e == 'O' && a == 'E') || (e == 's' && a == 's') || (e == '/' && (a == 'o' || a == 'O'))) {
      i++;
      uint32_t code = e == 's'   ? 0xDF
                      : e == '/' ? (a == 'o' ? 0xF8 : 0xD8)
                      : e == 'a' ? (a == 'e' ? 0xE6 : 0xE5)
                      : e == 'A' ? (a == 'E' ? 0xC6 : 0xC5)
                      : e == 'o' ? 0x153
                                 : 0x152;
      stockerCode(code);
    } else if ((e == 'u' || e == 'U') && ValeurHexa(a) >= 0) {
      // \uXXXX and \UXXXXXXXX name a character by its code.
      int chiffres = e == 'u' ? 4 : 8;
      uint32_t v = 0;
      int k = 0;
      while (k < chiffres && i < n && ValeurHexa(t[i]) >= 0) v = (v << 4) | uint32_t(ValeurHexa(t[i++])), k++;
      if (k == chiffres && v > 0 && v <= 0x10FFFF && !(v >= 0xD800 && v <= 0xDFFF)) stockerCode(v);
    } else if (e >= '0' && e <= '9') {
      // Three octal digits give a Latin-1 character; other numbers give nothing.
      uint32_t v = uint32_t(e - '0');
      bool octal = e <= '7';
      int k = 1;
      while (i < n && t[i] >= '0' && t[i] <= '9' && k < 6) {
        octal = octal && t[i] <= '7';
        v = v * 8 + uint32_t(t[i] - '0');
        i++, k++;
      }
      if (octal && k == 3 && v >= 0xA0 && v <= 0xFF) stockerCode(v);
    } else if (MarqueCombinante(e)) {
      if (EstLettre(a)) {
        i++;
        uint32_t code = Compose(e, a);
        if (code) {
          stockerCode(code);
        } else {
          stockerCar(a);
          stockerCode(MarqueCombinante(e));
        }
      } else {
        stockerCar(e);
      }
    } else if (e == '\\' || e == '%' || e == '&' || e == '-') {
      stockerCar(e);
    } else {
      // Any other escape (the continuation of a music line among them) ends
      // what the line keeps.
      stocke = false;
    }
  }
  if (commentaire && line->empty() && comment) *comment = true;
  return true;
}

// ------------------------------------------------------------------- keys

namespace {

void Ecarte(const char*& p) {
  while (*p && uint8_t(*p) <= ' ') p++;
}

// Fifths from C of a major key on each letter.
int QuintesLettre(char c) {
  switch (c) {
    case 'C': return 0;
    case 'G': return 1;
    case 'D': return 2;
    case 'A': return 3;
    case 'E': return 4;
    case 'B': return 5;
    case 'F': return -1;
    default: return 99;
  }
}

// A mode word by its first three letters, without case: the fifths it moves
// the signature by, and whether it is minor; false when the word is no mode.
bool LitMode(const char* mot, size_t l, int* decalage, bool* mineur) {
  char m[4] = {0, 0, 0, 0};
  size_t k = 0;
  while (k < l && k < 3 && EstLettre(mot[k])) m[k] = char(std::tolower(uint8_t(mot[k]))), k++;
  // A mode word has letters only (at least its first three count).
  for (size_t j = k; j < l; j++)
    if (!EstLettre(mot[j])) return false;
  *mineur = false;
  if (k == 1 && m[0] == 'm') {
    *decalage = -3;
    *mineur = true;
    return true;
  }
  if (k < 3) return false;
  struct {
    const char* nom;
    int decalage;
    bool mineur;
  } const modes[] = {{"maj", 0, false},  {"ion", 0, false},  {"min", -3, true}, {"aeo", -3, true}, {"mix", -1, false},
                     {"dor", -2, false}, {"phr", -4, false}, {"lyd", 1, false}, {"loc", -5, false}};
  for (auto& md : modes)
    if (std::strncmp(m, md.nom, 3) == 0) {
      *decalage = md.decalage;
      *mineur = md.mineur;
      return true;
    }
  return false;
}

// A clef word ("clef=" taken off): 1 when it named one.
int16_t LitClef(const char* mot, size_t l, Clef* clef, uint8_t* gregorien) {
  std::string w(mot, l);
  for (char& c : w) c = char(std::tolower(uint8_t(c)));
  if (w.compare(0, 5, "clef=") == 0) w.erase(0, 5);
  if (w.size() == 4 && w.compare(0, 3, "doh") == 0 && w[3] >= '1' && w[3] <= '4') {
    CvtTypeClefEnClefStandard(kClefUt, clef);
    clef->decalageLigne = int8_t(w[3] - '0' - 3);
    *gregorien = 1;
  } else if (w.size() == 3 && w.compare(0, 2, "fa") == 0 && w[2] >= '1' && w[2] <= '4') {
    CvtTypeClefEnClefStandard(kClefFa, clef);
    clef->decalageLigne = int8_t(w[2] - '0' - 4);
    *gregorien = 1;
  } else {
    int8_t octave = 0;
    if (w.size() > 2 && (w.compare(w.size() - 2, 2, "-8") == 0 || w.compare(w.size() - 2, 2, "+8") == 0)) {
      octave = w[w.size() - 2] == '-' ? -1 : 1;
      w.erase(w.size() - 2);
    } else if (w.size() > 1 && w.back() == '8') {
      octave = -1;
      w.pop_back();
    }
    // A line number after the name puts the clef on that staff line
    // ("alto4" is the tenor clef, "bass3" the baritone).
    int8_t ligne = 0;
    if (w.size() > 1 && w.back() >= '1' && w.back() <= '5') {
      ligne = int8_t(w.back() - '0');
      w.pop_back();
    }
    int8_t standard = 2;
    if (w == "bass" || w == "f") CvtTypeClefEnClefStandard(kClefFa, clef), standard = 4;
    else if (w == "alto" || w == "c") CvtTypeClefEnClefStandard(kClefUt, clef), standard = 3;
    else if (w == "tenor" && !ligne) {
      CvtTypeClefEnClefStandard(kClefUt, clef);
      clef->decalageLigne = 1;
    } else if (w == "treble" || w == "g") CvtTypeClefEnClefStandard(kClefSol, clef);
    else return 0;
    if (ligne) clef->decalageLigne = int8_t(ligne - standard);
    clef->decalageOctave = octave;
  }
  clef->noteDeBase = int8_t(CvtClefEnNoteDeBase(clef));
  return 1;
}

}  // namespace

int16_t CvtStrAbcEnTonalite(const char* text, Tonalite* key, Clef* clef, uint8_t* gregorian, uint8_t* keyGiven) {
  Tonalite k;
  Clef c;
  uint8_t greg = 0;
  SetClefDefaut(&c);
  int16_t avecClef = 0;
  const char* p = text ? text : "";
  Ecarte(p);
  int quintes = 0;
  bool mineur = false;
  // A field that starts with a clef ("clef=bass", "alto4", "treble") names
  // no key: the one in force stays. A lone letter is a tonic, not a clef.
  const char* finMot = p;
  while (*finMot && uint8_t(*finMot) > ' ') finMot++;
  Clef essai;
  uint8_t gregEssai = 0;
  const bool clefSeule = finMot - p > 1 && LitClef(p, size_t(finMot - p), &essai, &gregEssai);
  if (keyGiven) *keyGiven = clefSeule ? 0 : 1;
  if (clefSeule) {
    // The clef word is read with the others below.
  } else if (p[0] == 'H' && (p[1] == 'P' || p[1] == 'p')) {
    // The tonic: a letter with its sharp or flat, or the pipes' "HP" and "Hp".
    quintes = p[1] == 'p' ? 2 : 0;
    p += 2;
  } else if (QuintesLettre(char(std::toupper(uint8_t(p[0])))) != 99 && !(p[0] == 'm' || p[0] == 'n')) {
    quintes = QuintesLettre(char(std::toupper(uint8_t(*p++))));
    if (*p == '#') quintes += 7, p++;
    else if (*p == 'b') quintes -= 7, p++;
    // The mode may follow the tonic at once or after blanks.
    const char* debut = p;
    if (uint8_t(*debut) <= ' ') Ecarte(debut);
    const char* fin = debut;
    while (*fin && uint8_t(*fin) > ' ') fin++;
    int decalage;
    bool m;
    if (fin > debut && LitMode(debut, size_t(fin - debut), &decalage, &m)) {
      quintes += decalage;
      mineur = m;
      p = fin;
    }
  } else {
    // "none", an unknown name: no signature; the word is passed over.
    while (*p && uint8_t(*p) > ' ' && *p != '^' && *p != '_' && *p != '=') p++;
  }
  while (quintes > 7) quintes -= 12;
  while (quintes < -7) quintes += 12;
  int16_t rang = int16_t(quintes >= 0 ? quintes : 7 - quintes);
  CvtTonaliteStdEnTonalite(rang, mineur ? 0 : 1, &k);

  // What follows: clefs, explicit accidentals, other settings passed over.
  for (;;) {
    Ecarte(p);
    if (!*p) break;
    if (*p == '^' || *p == '_' || *p == '=') {
      while (*p == '^' || *p == '_' || *p == '=') {
        uint8_t alt = *p == '^' ? 1 : *p == '_' ? 3 : 0;
        while (*p == '^' || *p == '_' || *p == '=') p++;  // doubles count once
        char l = char(std::toupper(uint8_t(*p)));
        if (l < 'A' || l > 'G') break;
        static const int8_t degre[7] = {5, 6, 0, 1, 2, 3, 4};  // A..G -> C..B
        k.alterations[degre[l - 'A']] = alt;
        p++;
        Ecarte(p);
      }
      continue;
    }
    const char* fin = p;
    while (*fin && uint8_t(*fin) > ' ') fin++;
    if (LitClef(p, size_t(fin - p), &c, &greg)) avecClef = 1;
    p = fin;
  }
  if (key) *key = k;
  if (avecClef && clef) *clef = c;
  if (gregorian) *gregorian = avecClef ? greg : 0;
  return avecClef;
}

// ------------------------------------------------------------------ meter

int32_t ExtraitDivision(const char* text, DivisionTemporelle* meter, uint8_t* visible) {
  const char* p = text ? text : "";
  Ecarte(p);
  int32_t num = 4, den = 4;
  bool symbole = false, montre = true;
  if (p[0] == 'C' && p[1] == '|') {
    num = den = 2;
    symbole = true;
  } else if (p[0] == 'C') {
    symbole = true;
  } else if (strncasecmp(p, "none", 4) == 0 || !*p) {
    montre = false;
  } else {
    // n/d, with a numerator that may add parts: "2+3+2/8", "(2+3)/8".
    num = 0;
    if (*p == '(') p++;
    bool chiffre = false;
    for (;;) {
      int32_t v = 0;
      bool lu = false;
      while (*p >= '0' && *p <= '9') {
        if (v < 10000) v = v * 10 + (*p - '0');
        p++;
        lu = true;
      }
      if (!lu) break;
      chiffre = true;
      num += v;
      Ecarte(p);
      if (*p != '+') break;
      p++;
      Ecarte(p);
    }
    if (*p == ')') p++;
    Ecarte(p);
    if (!chiffre || *p != '/') return 0;
    p++;
    Ecarte(p);
    den = 0;
    while (*p >= '0' && *p <= '9') {
      if (den < 10000) den = den * 10 + (*p - '0');
      p++;
    }
    // A bar of no length, or one that no staff could hold, is refused.
    if (num < 1 || num > 128 || den < 1 || den > 128 || kDureeRonde % den != 0) return 0;
  }
  if (meter) {
    std::memset(meter, 0, sizeof *meter);
    meter->numerateur = int16_t(num);
    meter->denominateur = int16_t(den);
    meter->partieAdditive1 = int16_t(num);
    meter->denominateurAdditif = int16_t(den);
    meter->octet1 = symbole ? 1 : 0;
    meter->octet2 = 1;
    GetDefautMasqueAccroche(int16_t(num), meter->masqueAccroche);
    meter->groupePar4 = CanDivisionTemporelleGroupBy4(meter) ? 1 : 0;
  }
  if (visible) *visible = montre ? 1 : 0;
  if (!montre) return 20160;
  return float(num) / float(den) < 0.749f ? 10080 : 20160;
}

// ------------------------------------------------------------------ tempo

namespace {

int32_t LitEntier(const char*& p, bool* lu) {
  int32_t v = 0;
  *lu = false;
  while (*p >= '0' && *p <= '9') {
    if (v < 1000000) v = v * 10 + (*p - '0');
    p++;
    *lu = true;
  }
  return v;
}

}  // namespace

int32_t ExtraitTempo(const char* text, int32_t defaultLength, int32_t tempo) {
  const char* p = text ? text : "";
  int32_t longueur = defaultLength > 0 ? defaultLength : 20160;
  int32_t n = 0;
  bool lu;
  // A quoted label may come before or after the beat.
  auto passeTexte = [&p] {
    Ecarte(p);
    if (*p == '"') {
      p++;
      while (*p && *p != '"') p++;
      if (*p) p++;
      Ecarte(p);
    }
  };
  passeTexte();
  if (*p == 'C' || *p == 'L') {
    p++;
    int32_t k = LitEntier(p, &lu);
    if (!lu) k = 1;
    Ecarte(p);
    if (*p == '=') p++;
    Ecarte(p);
    if (*p == 'C' || *p == 'L') {
      p++;
      int32_t m = LitEntier(p, &lu);
      if (!lu) m = 1;
      return k < 1 ? tempo : int32_t(int64_t(m) * tempo / k);
    }
    n = LitEntier(p, &lu);
    longueur = int32_t(std::min<int64_t>(int64_t(k) * longueur, 8064000));
  } else {
    const char* debut = p;
    int32_t a = LitEntier(p, &lu);
    Ecarte(p);
    if (lu && *p == '/') {
      // One or more beats: "1/4=120", "1/4 3/8=60" (added up).
      int64_t total = 0;
      p = debut;
      for (;;) {
        Ecarte(p);
        a = LitEntier(p, &lu);
        if (!lu || *p != '/') break;
        p++;
        int32_t b = LitEntier(p, &lu);
        if (lu && b >= 1) total += int64_t(a) * kDureeRonde / b;
      }
      Ecarte(p);
      if (*p == '=') p++;
      Ecarte(p);
      n = LitEntier(p, &lu);
      if (total > 0) longueur = int32_t(std::min<int64_t>(total, 8064000));
    } else if (lu) {
      n = a;
      if (*p == '=') {
        // "a=n" without a fraction: a beat of a default lengths.
        p++;
        Ecarte(p);
        longueur = int32_t(std::min<int64_t>(int64_t(a) * longueur, 8064000));
        n = LitEntier(p, &lu);
      }
    }
  }
  int32_t r = LMulDiv(n, longueur, 40320);
  return r > 0 ? r : tempo;
}

// ------------------------------------------------------------- tunes and parts

namespace {

const char kLettresEntete[] = "ABCDEFGHIKLMNOPQRSTVWwXZ";
// Fields this reader passes over in silence: macros, remarks, symbol lines,
// user symbols, field continuations.
const char kLettresIgnorees[] = "mrsU+";

struct LecteurABC {
  Document* doc = nullptr;
  std::vector<std::unique_ptr<MusiqueABC>> tunes;
  MusiqueABC* courante = nullptr;
  std::string mesureRef = "4/4";
  std::string clePartie, mesurePartie, longueurPartie;
  bool orvanta = false;
};

// A letter and a colon open a field line, known or not ("d:" decoration
// lines of other programs are no music); a note before a repeat's end
// ("d:|") stays music.
bool EstEntete(const std::string& l) {
  if (l.size() < 2 || l[1] != ':' || l[0] == '|') return false;
  if (std::strchr(kLettresEntete, l[0]) || std::strchr(kLettresIgnorees, l[0])) return true;
  const bool lettre = (l[0] >= 'A' && l[0] <= 'Z') || (l[0] >= 'a' && l[0] <= 'z');
  return lettre && (l.size() < 3 || l[2] != '|');
}

// Cuts a text at a character boundary at or below n bytes.
void CoupeUTF8(std::string* s, size_t n) {
  if (s->size() <= n) return;
  while (n > 0 && (uint8_t((*s)[n]) & 0xC0) == 0x80) n--;
  s->resize(n);
}

void AjouteTexteChamp(std::string* champ, const std::string& valeur) {
  if (valeur.size() >= 1024) {
    *champ = valeur;
    CoupeUTF8(champ, 1022);
    return;
  }
  size_t total = champ->size() + (champ->empty() ? 0 : 1) + valeur.size();
  if (total > kMaxChampABC) return;
  if (!champ->empty()) champ->push_back('\r');
  champ->append(valeur);
}

MusiqueABC* NouvelleMusique(LecteurABC* r) {
  r->tunes.push_back(std::make_unique<MusiqueABC>());
  MusiqueABC* m = r->tunes.back().get();
  m->document = r->doc;
  m->partieCourante = -1;
  r->courante = m;
  return m;
}

void AddStrPartie(MusiqueABC* tune, const std::string& texte) {
  if (!tune || texte.empty()) return;
  if (tune->partieCourante < 0) {
    tune->parties.push_back(PartieABC{'?', std::string()});
    tune->partieCourante = int32_t(tune->parties.size() - 1);
  }
  tune->parties[size_t(tune->partieCourante)].texte += texte;
}

std::string Tag(const char* nom, const std::string& valeur) {
  std::string t = "@";
  t += nom;
  for (char c : valeur) t.push_back(c == '@' ? '=' : c);
  t.push_back('@');
  return t;
}

void AjoutePartie(LecteurABC* r, MusiqueABC* tune, uint16_t lettre) {
  for (const PartieABC& p : tune->parties)
    if (p.lettre == lettre) {
      Avertissement(0, 0, "Error : Part '%c' defined twice in music '%s'.", lettre, tune->champs[kChampT].c_str());
      return;
    }
  tune->parties.push_back(PartieABC{lettre, std::string()});
  tune->partieCourante = int32_t(tune->parties.size() - 1);
  std::string& t = tune->parties.back().texte;
  if (!r->clePartie.empty()) t += Tag("KEY", r->clePartie);
  if (!r->mesurePartie.empty()) t += Tag("DIV", r->mesurePartie);
  if (!r->longueurPartie.empty()) t += Tag("NLG", r->longueurPartie);
  r->longueurPartie.clear();
}

std::string Apres(const std::string& l, size_t n) {
  std::string v = l.size() > n ? l.substr(n) : std::string();
  // Trailing blanks are not part of a value.
  while (!v.empty() && uint8_t(v.back()) <= ' ') v.pop_back();
  return v;
}

MusiqueABC* TraiteCommandeABC(LecteurABC* r, MusiqueABC* tune, const std::string& ligne) {
  char lettre = ligne[0];
  std::string valeur = Apres(ligne, 2);
  size_t d = 0;
  while (d < valeur.size() && valeur[d] == ' ') d++;
  std::string nue = valeur.substr(d);
  auto champ = [&](int c) {
    if (lettre == 'T' && !tune) tune = NouvelleMusique(r);
    if (tune) AjouteTexteChamp(&tune->champs[c], nue);
  };
  switch (lettre) {
    case 'T': champ(kChampT); break;
    case 'A': champ(kChampA); break;
    case 'S': champ(kChampS); break;
    case 'B': champ(kChampB); break;
    case 'C': champ(kChampC); break;
    case 'D': champ(kChampD); break;
    case 'G': champ(kChampG); break;
    case 'I': champ(kChampI); break;
    case 'Z': champ(kChampZ); break;
    case 'O': champ(kChampO); break;
    case 'N': champ(kChampN); break;
    case 'R': champ(kChampR); break;
    case 'E': champ(kChampE); break;
    case 'F':
    case 'H': break;
    case 'K':
      r->clePartie = nue;
      if (!tune) tune = NouvelleMusique(r);
      if (tune->champs[kChampK].empty()) tune->champs[kChampK] = nue;
      if (!nue.empty()) AddStrPartie(tune, Tag("KEY", nue));
      break;
    case 'L':
      r->longueurPartie = nue;
      if (!tune) tune = NouvelleMusique(r);
      tune->champs[kChampL] = nue;
      if (!nue.empty()) AddStrPartie(tune, Tag("NLG", nue));
      break;
    case 'M':
      r->mesurePartie = nue;
      if (!tune) {
        r->mesureRef = nue;
        return nullptr;
      }
      tune->champs[kChampM] = nue;
      if (!nue.empty()) AddStrPartie(tune, Tag("DIV", nue));
      break;
    case 'P':
      if (nue.size() == 1) {
        if (tune) AjoutePartie(r, tune, uint8_t(nue[0]));
      } else if (!nue.empty()) {
        champ(kChampP);
      }
      break;
    case 'Q':
      if (tune) {
        tune->champs[kChampQ] = nue;
        AddStrPartie(tune, Tag("TMP", nue));
      }
      break;
    case 'V':
      if (tune) AddStrPartie(tune, Tag("NPO", nue));
      break;
    case 'W':
    case 'w':
      if (tune) AddStrPartie(tune, Tag("LYR", valeur.size() && valeur[0] == ' ' ? valeur.substr(1) : valeur));
      break;
    case 'X':
      if (tune && !tune->referenceLue) {
        tune->reference = int16_t(std::atoi(nue.c_str()));
        tune->referenceLue = true;
      } else {
        tune = NouvelleMusique(r);
        tune->reference = int16_t(std::atoi(nue.c_str()));
        tune->referenceLue = true;
      }
      break;
    default:
      // Lower-case fields belong to other programs and are passed over in silence.
      if (!std::strchr(kLettresIgnorees, lettre) && !(lettre >= 'a' && lettre <= 'z'))
        Avertissement(0, 0, "I don't understand '%c:%s'. File will be truncated.", lettre, valeur.c_str());
      break;
  }
  return tune;
}

// Music outside a tune may only carry the application's directive.
void TraiteHorsMusique(LecteurABC* r, const std::string& ligne) {
  size_t i = 0;
  while (i < ligne.size() && uint8_t(ligne[i]) <= ' ') i++;
  if (ligne.compare(i, 8, "%ORVANTA") == 0) r->orvanta = true;
}

// Lines between "%%beginNAME" and "%%endNAME" (text, PostScript, SVG) are
// the block's, never music: true while *fin holds the line that closes it.
// The reader keeps one '%' of "%%".
bool DansBloc(const std::string& ligne, bool commentaire, std::string* fin) {
  if (!fin->empty()) {
    if (ligne.compare(0, fin->size(), *fin) == 0) fin->clear();
    return true;
  }
  if (commentaire || ligne.compare(0, 6, "%begin") != 0) return false;
  size_t f = 6;
  while (f < ligne.size() && uint8_t(ligne[f]) > ' ') f++;
  *fin = "%end" + ligne.substr(6, f - 6);
  return true;
}

void AjouteLigneMusique(MusiqueABC* tune, std::string ligne) {
  if (ligne.empty() || ligne.back() != '\\') ligne.push_back('\\');
  AddStrPartie(tune, ligne);
}

// Every tune of the text.
void LitToutesMusiques(LecteurABC* r, const std::string& texte) {
  LecteurLignesABC src{texte.data(), texte.size(), 0};
  std::string ligne, finBloc;
  bool commentaire;
  while (GetLineABC(&src, &ligne, &commentaire)) {
    if (DansBloc(ligne, commentaire, &finBloc)) continue;
    if (ligne.empty() && !commentaire) {
      r->courante = nullptr;
      continue;
    }
    if (commentaire || ligne[0] == '%') {
      // The directive is tested before '%' lines are passed over.
      if (!r->courante) TraiteHorsMusique(r, ligne);
      continue;
    }
    if (EstEntete(ligne)) {
      r->courante = TraiteCommandeABC(r, r->courante, ligne);
    } else if (r->courante) {
      AjouteLigneMusique(r->courante, ligne);
    } else {
      TraiteHorsMusique(r, ligne);
    }
  }
}

// Only the tune of an ordinal; false when the file has fewer tunes.
bool LitUneMusique(LecteurABC* r, const std::string& texte, int16_t voulue) {
  MusiqueABC* tune = NouvelleMusique(r);
  r->courante = nullptr;
  LecteurLignesABC src{texte.data(), texte.size(), 0};
  std::string ligne, finBloc;
  bool commentaire;
  int32_t compteur = -1;
  bool atteinte = false;
  while (GetLineABC(&src, &ligne, &commentaire)) {
    if (DansBloc(ligne, commentaire, &finBloc)) continue;
    if (ligne.empty() && !commentaire) {
      if (compteur == voulue) compteur++;
      if (compteur > voulue) break;
      continue;
    }
    if (commentaire || ligne[0] == '%') continue;
    bool entete = EstEntete(ligne);
    if (entete && ligne[0] == 'X') {
      compteur++;
      if (compteur > voulue) break;
    }
    if (compteur == voulue) {
      atteinte = true;
      if (entete) TraiteCommandeABC(r, tune, ligne);
      else AjouteLigneMusique(tune, ligne);
    } else if (compteur < 0 && entete && (ligne[0] == 'M' || ligne[0] == 'L')) {
      // The file header's meter and note length stand for every tune.
      std::string v = Apres(ligne, 2);
      size_t d = v.find_first_not_of(' ');
      v = d == std::string::npos ? std::string() : v.substr(d);
      if (ligne[0] == 'M') {
        r->mesureRef = v;
        r->mesurePartie = v;
        tune->champs[kChampM] = v;
      } else {
        r->longueurPartie = v;
        tune->champs[kChampL] = v;
      }
    }
  }
  return atteinte;
}

}  // namespace

int16_t ChargeMusiqueABCOctets(Document* doc, const uint8_t* data, size_t length, int16_t tune, int16_t* outTune) {
  if (outTune) *outTune = -1;
  if (!doc || !doc->partitionCourante || (!data && length)) return 0;
  Partition** score = doc->partitionCourante;
  const int32_t modeSauve = (*score)->modeEcran;
  int16_t resultat = 0;
  try {
    const std::string texte = TexteABCEnUTF8(data, length);
    LecteurABC r;
    r.doc = doc;
    int16_t trouvee = -1;
    if (tune >= 0) {
      if (LitUneMusique(&r, texte, tune)) {
        trouvee = tune;
      } else if (tune == 0) {
        // A file with no 'X:' line still holds one tune when it has music.
        r = LecteurABC();
        r.doc = doc;
        LitToutesMusiques(&r, texte);
        r.orvanta = false;
        trouvee = 0;
      }
    } else {
      LitToutesMusiques(&r, texte);
    }
    // Tunes made by a stray header line and holding no music do not count.
    r.tunes.erase(std::remove_if(r.tunes.begin(), r.tunes.end(),
                                 [](const std::unique_ptr<MusiqueABC>& m) { return m->parties.empty(); }),
                  r.tunes.end());
    ContexteABC contexte;
    contexte.fichierOrvanta = r.orvanta && tune < 0;
    if (trouvee < 0 && tune >= 0) {
      resultat = 0;
    } else if (!contexte.fichierOrvanta) {
      if (r.tunes.size() == 1 || (tune == 0 && !r.tunes.empty())) {
        TransfereMusiqueABCVersOrvanta(doc, r.tunes[0].get(), 1, &contexte);
        resultat = 1;
        if (outTune) *outTune = tune >= 0 ? tune : 0;
      } else {
        Avertissement(0, 0, "This file doesn't include ABC music.");
      }
    } else {
      int16_t premiere = 1;
      for (size_t i = 0; i < r.tunes.size(); i++) {
        resultat = TransfereMusiqueABCVersOrvanta(doc, r.tunes[i].get(), premiere, &contexte);
        premiere = 0;
        if (!resultat) break;
        if (outTune) *outTune = int16_t(i);
      }
    }
  } catch (const std::bad_alloc&) {
    resultat = 0;
  }
  score = doc->partitionCourante;
  if (score) {
    SetTabEltMesureModifie(score, kTabEltTout);
    SetModeEcran(score, modeSauve);
    RemetRupturesEnForme(score);
  }
  return resultat;
}

int16_t ChargeMusiqueABC(Document* doc, int16_t tune, int16_t* outTune) {
  if (outTune) *outTune = -1;
  std::vector<uint8_t> octets;
  if (!LitResteFlux(kMaxFichierABC, &octets)) return 0;
  return ChargeMusiqueABCOctets(doc, octets.data(), octets.size(), tune, outTune);
}
