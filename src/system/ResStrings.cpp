#include "system/ResStrings.h"

#include <iconv.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/DateTime.h"
#include "platform/Memory.h"
#include "platform/Resources.h"
#include "system/Reporters.h"
#include "system/Strings.h"

int16_t Langue = 1;
char OneString[kTailleOneString];

namespace {

bool gFormatDateSysteme = false;

// Unicode code points of the Mac Roman bytes 128 to 255.
const uint16_t kMacRoman[128] = {
    0x00C4, 0x00C5, 0x00C7, 0x00C9, 0x00D1, 0x00D6, 0x00DC, 0x00E1, 0x00E0, 0x00E2, 0x00E4, 0x00E3, 0x00E5,
    0x00E7, 0x00E9, 0x00E8, 0x00EA, 0x00EB, 0x00ED, 0x00EC, 0x00EE, 0x00EF, 0x00F1, 0x00F3, 0x00F2, 0x00F4,
    0x00F6, 0x00F5, 0x00FA, 0x00F9, 0x00FB, 0x00FC, 0x2020, 0x00B0, 0x00A2, 0x00A3, 0x00A7, 0x2022, 0x00B6,
    0x00DF, 0x00AE, 0x00A9, 0x2122, 0x00B4, 0x00A8, 0x2260, 0x00C6, 0x00D8, 0x221E, 0x00B1, 0x2264, 0x2265,
    0x00A5, 0x00B5, 0x2202, 0x2211, 0x220F, 0x03C0, 0x222B, 0x00AA, 0x00BA, 0x03A9, 0x00E6, 0x00F8, 0x00BF,
    0x00A1, 0x00AC, 0x221A, 0x0192, 0x2248, 0x2206, 0x00AB, 0x00BB, 0x2026, 0x00A0, 0x00C0, 0x00C3, 0x00D5,
    0x0152, 0x0153, 0x2013, 0x2014, 0x201C, 0x201D, 0x2018, 0x2019, 0x00F7, 0x25CA, 0x00FF, 0x0178, 0x2044,
    0x20AC, 0x2039, 0x203A, 0xFB01, 0xFB02, 0x2021, 0x00B7, 0x201A, 0x201E, 0x2030, 0x00C2, 0x00CA, 0x00C1,
    0x00CB, 0x00C8, 0x00CD, 0x00CE, 0x00CF, 0x00CC, 0x00D3, 0x00D4, 0xF8FF, 0x00D2, 0x00DA, 0x00DB, 0x00D9,
    0x0131, 0x02C6, 0x02DC, 0x00AF, 0x02D8, 0x02D9, 0x02DA, 0x00B8, 0x02DD, 0x02DB, 0x02C7};

std::string MacRomanVersUTF8(const char* s) {
  std::string r;
  for (const uint8_t* p = reinterpret_cast<const uint8_t*>(s); *p; p++) {
    uint32_t u = *p < 128 ? *p : kMacRoman[*p - 128];
    if (u < 0x80) {
      r.push_back(char(u));
    } else if (u < 0x800) {
      r.push_back(char(0xC0 | (u >> 6)));
      r.push_back(char(0x80 | (u & 0x3F)));
    } else {
      r.push_back(char(0xE0 | (u >> 12)));
      r.push_back(char(0x80 | ((u >> 6) & 0x3F)));
      r.push_back(char(0x80 | (u & 0x3F)));
    }
  }
  return r;
}

bool ShiftJISVersUTF8(const char* s, std::string* r) {
  iconv_t cd = iconv_open("UTF-8", "SHIFT_JIS");
  if (cd == iconv_t(-1)) return false;
  size_t n = std::strlen(s);
  std::string in(s, n);
  std::string out(n * 3 + 4, '\0');
  char* pin = in.data();
  char* pout = out.data();
  size_t restIn = n, restOut = out.size();
  bool ok = true;
  while (restIn > 0) {
    if (iconv(cd, &pin, &restIn, &pout, &restOut) == size_t(-1)) {
      if (errno != EILSEQ && errno != EINVAL) {
        ok = false;
        break;
      }
      // A byte that is no character becomes "?".
      pin++;
      restIn--;
      if (restOut > 0) {
        *pout++ = '?';
        restOut--;
      }
    }
  }
  iconv_close(cd);
  out.resize(out.size() - restOut);
  *r = out;
  return ok;
}

// Copies UTF-8 text into n bytes, cutting before a character that would not fit.
void CopieUTF8(char* dst, const std::string& src, int32_t n) {
  if (!dst || n <= 0) return;
  size_t lim = src.size();
  if (lim > size_t(n - 1)) {
    lim = size_t(n - 1);
    while (lim > 0 && (uint8_t(src[lim]) & 0xC0) == 0x80) lim--;
  }
  std::memcpy(dst, src.data(), lim);
  dst[lim] = 0;
}

// The first `n` bytes of a UTF-8 name, backing off to a character boundary.
std::string DebutUTF8(const std::string& s, size_t n) {
  if (s.size() <= n) return s;
  while (n > 0 && (uint8_t(s[n]) & 0xC0) == 0x80) n--;
  return s.substr(0, n);
}

void RemplaceTout(std::string& s, const char* motif, const std::string& par) {
  size_t lm = std::strlen(motif);
  size_t pos = 0;
  while ((pos = s.find(motif, pos)) != std::string::npos) {
    s.replace(pos, lm, par);
    pos += par.size();
  }
}

std::string Nombre(int v) {
  char b[16];
  std::snprintf(b, sizeof b, "%0d", v);
  return b;
}

void ListesDate(int16_t langue, int16_t* jours, int16_t* mois) {
  static const int16_t kJours[8] = {132, 130, 140, 134, 136, 144, 142, 138};
  static const int16_t kMois[8] = {131, 129, 139, 133, 135, 143, 141, 137};
  bool connu = langue >= 0 && langue <= 7;
  *jours = connu ? kJours[langue] : 130;
  *mois = connu ? kMois[langue] : 129;
}

}  // namespace

char* SystemEncodingToUTF(char* s, int32_t taille) {
  if (!s || taille <= 0) return s;
  std::string r;
  if (Langue != 5 || !ShiftJISVersUTF8(s, &r)) r = MacRomanVersUTF8(s);
  CopieUTF8(s, r, taille);
  return s;
}

char* GetOneString(int16_t list, int16_t index) {
  unsigned char p[256];
  GetIndString(p, list, index);
  std::memcpy(OneString, p + 1, p[0]);
  OneString[p[0]] = 0;
  return OneString;
}

char* GetOneStringUTF(int16_t list, int16_t index) {
  GetOneString(list, index);
  return SystemEncodingToUTF(OneString, kTailleOneString);
}

char* GetStrVracUTF(int16_t number) {
  if (number < 500) return GetOneStringUTF(1000, number);
  return GetOneStringUTF(1001, int16_t(number - 500));
}

int16_t FindIndString(int16_t list, const char* text, int16_t options) {
  if (!text) return 0;
  Handle h = GetResource(kTypeSTR, list);
  Size taille = GetHandleSize(h);
  if (!h || taille < 2) return 0;
  char texte[kTailleOneString];
  strnzcpy(texte, text, sizeof texte);
  if (options & 2) strupr(texte);
  size_t lt = std::strlen(texte);
  const unsigned char* p = reinterpret_cast<const unsigned char*>(*h);
  int nb = (p[0] << 8) | p[1];
  Size pos = 2;
  for (int i = 1; i <= nb && pos < taille; i++) {
    size_t n = p[pos];
    if (pos + 1 + Size(n) > taille) break;
    char cand[256];
    std::memcpy(cand, p + pos + 1, n);
    cand[n] = 0;
    pos += 1 + Size(n);
    if (options & 2) strupr(cand);
    bool egal = (options & 1) ? (n <= lt && std::memcmp(cand, texte, n) == 0) : std::strcmp(cand, texte) == 0;
    if (egal) return int16_t(i);
  }
  return 0;
}

void LibereRessource(ResType type, int16_t id) {
  Handle h = PlatformGetLoadedResource(type, id);
  if (h) {
    ReleaseResource(h);
    return;
  }
  Collapse("Libere ressource : '%c%c%c%c' # %d non trouve", char(type >> 24), char(type >> 16), char(type >> 8),
           char(type), id);
}

int16_t OuvreResFile(const char* name) { return OpenResFile(name); }

bool GetPrefFormatDateSysteme() { return gFormatDateSysteme; }
void SetPrefFormatDateSysteme(bool on) { gFormatDateSysteme = on; }

void CvtSecsDateToString(uint32_t secs, const char* modele, char* out, int16_t withTime, int32_t taille) {
  if (!out || taille <= 0) return;
  if (gFormatDateSysteme) {
    unsigned char p[256];
    DateString(secs, longDate, p);
    char texte[kTailleOneString];
    std::memcpy(texte, p + 1, p[0]);
    texte[p[0]] = 0;
    SystemEncodingToUTF(texte, sizeof texte);
    CopieUTF8(out, texte, taille);
    return;
  }
  DateTimeRec d{};
  SecondsToDate(secs, &d);
  int16_t listeJours, listeMois;
  ListesDate(Langue, &listeJours, &listeMois);
  std::string jour = GetOneStringUTF(listeJours, d.dayOfWeek);
  std::string mois = GetOneStringUTF(listeMois, d.month);
  std::string r;
  if (modele && *modele) {
    r = modele;
    RemplaceTout(r, "$A", jour);
    if (jour.size() >= 4) jour = DebutUTF8(jour, 3) + ".";
    RemplaceTout(r, "$a", jour);
    RemplaceTout(r, "$e", Nombre(d.day));
    RemplaceTout(r, "$B", mois);
    if (mois.size() >= 4) mois = DebutUTF8(mois, 3) + ".";
    RemplaceTout(r, "$b", mois);
    RemplaceTout(r, "$m", Nombre(d.month));
    RemplaceTout(r, "$H", Nombre(d.hour));
    RemplaceTout(r, "$M", Nombre(d.minute));
    RemplaceTout(r, "$S", Nombre(d.second));
    RemplaceTout(r, "$Y", Nombre(d.year));
    RemplaceTout(r, "$y", Nombre(d.year % 100));
  } else {
    char b[2 * kTailleOneString + 64];
    switch (Langue) {
      case 0:
      case 2:
      case 3:
      case 6:
      case 7: std::snprintf(b, sizeof b, "%s %d %s %d", jour.c_str(), d.day, mois.c_str(), d.year); break;
      case 4: std::snprintf(b, sizeof b, "%s %d de %s de %d", jour.c_str(), d.day, mois.c_str(), d.year); break;
      case 5: {
        std::string an = GetOneStringUTF(9999, 1);
        std::string quantieme = GetOneStringUTF(9998, 1);
        std::snprintf(b, sizeof b, "%d%s %s %d%s %s", d.year, an.c_str(), mois.c_str(), d.day, quantieme.c_str(),
                      jour.c_str());
        break;
      }
      default: std::snprintf(b, sizeof b, "%s, %s %d, %d", jour.c_str(), mois.c_str(), d.day, d.year); break;
    }
    r = b;
    if (withTime) {
      std::snprintf(b, sizeof b, " %2d:%02d:%02d", d.hour, d.minute, d.second);
      r += b;
    }
  }
  CopieUTF8(out, r, taille);
}

void GetStringDate(char* out, const char* modele, int32_t taille) {
  uint32_t secs = 0;
  GetDateTime(&secs);
  CvtSecsDateToString(secs, modele, out, 0, taille);
}

void GetStringHeure(char* out) {
  if (!out) return;
  uint32_t secs = 0;
  GetDateTime(&secs);
  DateTimeRec d{};
  SecondsToDate(secs, &d);
  char b[32];
  std::snprintf(b, sizeof b, "%2d:%02d:%02d", d.hour, d.minute, d.second);
  strnzcpy(out, b, 9);
}
