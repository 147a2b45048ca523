#include "notation/NomsNotes.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "model/Signe.h"
#include "model/TonaliteMaths.h"
#include "plugin/Preferences.h"
#include "system/ResStrings.h"
#include "system/Strings.h"

const uint8_t AlterationStandard[12] = {0, 1, 0, 3, 0, 0, 1, 0, 1, 0, 3, 0};
const int16_t InterligneStandard[12] = {0, 0, 1, 2, 2, 3, 3, 4, 4, 5, 6, 6};
const uint8_t AlterNoteStd[12] = {2, 1, 2, 1, 2, 2, 1, 2, 1, 2, 1, 2};
const int16_t DemiTon2NoteStd[12] = {0, 0, 1, 1, 2, 3, 3, 4, 4, 5, 5, 6};

char TabNomNote[7][4] = {"C", "D", "E", "F", "G", "A", "B"};

namespace {

struct NomNote {
  char texte[4];
  int16_t step;
};

// Syllables first, so that "DO" is not read as D.
const NomNote tabNomNote[14] = {{"DO", 0}, {"RE", 1}, {"MI", 2}, {"FA", 3}, {"SOL", 4}, {"LA", 5}, {"SI", 6},
                                {"C", 0},  {"D", 1},  {"E", 2},  {"F", 3},  {"G", 4},   {"A", 5},  {"B", 6}};

constexpr int16_t kListeSyllabes = 1020, kListeLettres = 1021;

// The semitones that undo an accidental when a name is spelled.
int16_t Annule(uint8_t accidental) {
  switch (accidental) {
    case 1: return -1;
    case 3: return 1;
    case 4: return -2;
    case 5: return 2;
    default: return 0;
  }
}

const char* Suffixe(uint8_t accidental) {
  switch (accidental) {
    case 1: return "#";
    case 3: return "b";
    case 4: return "##";
    case 5: return "bb";
    default: return "";
  }
}

bool EstChiffre(char c) { return c >= '0' && c <= '9'; }

// A signed number at *p (as "%hd" reads it), saturated; false when none.
bool LitNombre(const char** p, int32_t* out) {
  const char* s = *p;
  bool negatif = false;
  if (*s == '-' || *s == '+') {
    negatif = *s == '-';
    s++;
  }
  if (!EstChiffre(*s)) return false;
  int32_t v = 0;
  while (EstChiffre(*s)) {
    if (v < 100000) v = v * 10 + (*s - '0');
    s++;
  }
  *out = negatif ? -v : v;
  *p = s;
  return true;
}

}  // namespace

void InitTabNomNote() {
  const int16_t liste = pref.nomsNotesLettres ? kListeLettres : kListeSyllabes;
  for (int16_t step = 0; step < 7; step++) {
    const char* nom = GetOneString(liste, int16_t(step + 1));
    // A list the resources lack keeps the names their own table gives.
    if (!nom || !nom[0]) nom = tabNomNote[(pref.nomsNotesLettres ? 7 : 0) + step].texte;
    strnzcpy(TabNomNote[step], nom, sizeof TabNomNote[step]);
  }
}

char* GetNomNote(char* dst, int16_t step) {
  if (!dst) return dst;
  dst[0] = 0;
  if (step >= 0 && step < 7) strnzcpy(dst, TabNomNote[step], sizeof TabNomNote[step]);
  return dst;
}

int16_t FindNomNote(const char** text) {
  if (!text || !*text) return -1;
  for (const NomNote& n : tabNomNote) {
    const size_t l = std::strlen(n.texte);
    size_t i = 0;
    while (i < l && (*text)[i] && std::toupper(static_cast<unsigned char>((*text)[i])) == n.texte[i]) i++;
    if (i == l) {
      *text += l;
      return n.step;
    }
  }
  return -1;
}

char* CvtHauteurNoteToStr(int16_t pitch, uint8_t accidental, int16_t octaveToOmit, char* dst) {
  if (!dst) return dst;
  if (pitch == 127) {
    std::strcpy(dst, "Max");
    return dst;
  }
  if (pitch < 12) {
    std::snprintf(dst, 16, "%d", int(pitch));
    return dst;
  }
  int16_t step, decale;
  uint8_t alteration;
  auto standard = [&] {
    step = InterligneStandard[pitch % 12];
    alteration = AlterationStandard[pitch % 12];
    decale = int16_t(pitch + Annule(alteration));
  };
  if (accidental == kAlterationAucune) {
    standard();
  } else {
    decale = int16_t(pitch + (accidental <= 5 ? Annule(accidental) : 0));
    if (AlterNoteStd[decale % 12] == 1) {
      standard();
    } else {
      step = DemiTon2NoteStd[decale % 12];
      alteration = accidental;
    }
  }
  char nom[4];
  GetNomNote(nom, step);
  const int32_t octave = decale / 12 - 1;
  if (octaveToOmit < -2 || octaveToOmit == octave) std::snprintf(dst, 16, "%s%s", nom, Suffixe(alteration));
  else std::snprintf(dst, 16, "%s%s%d", nom, Suffixe(alteration), int(octave));
  return dst;
}

int16_t CvtStrToHauteurNote(const char* text, uint8_t* accidental) {
  if (accidental) *accidental = kAlterationAucune;
  if (!text) return -1;
  char u[64];
  strnzcpy(u, text, sizeof u);
  for (char& c : u) c = char(std::toupper(static_cast<unsigned char>(c)));
  if (std::strcmp(u, "MAX") == 0) return 127;
  const char* p = u;
  const int16_t step = FindNomNote(&p);
  int32_t valeur;
  if (step < 0) {
    for (const char* q = u; *q; q++)
      if (!EstChiffre(*q) && *q != '-') return -1;
    if (!LitNombre(&p, &valeur)) return -1;
    return valeur >= 0 && valeur <= 127 ? int16_t(valeur) : int16_t(-1);
  }
  int32_t somme = 0, octave = 4;
  auto alterations = [&] {
    for (;; p++) {
      if (*p == 'B') somme--;
      else if (*p == '#') somme++;
      else if (*p != ' ') break;
    }
  };
  while (*p == ' ') p++;
  alterations();
  if (LitNombre(&p, &octave)) alterations();
  if (accidental) {
    switch (somme) {
      case -2: *accidental = 5; break;
      case -1: *accidental = 3; break;
      case 1: *accidental = 1; break;
      case 2: *accidental = 4; break;
      default: break;
    }
  }
  const int64_t hauteur = int64_t(octave) * 12 + somme + Note2DemiTonStd[step] + 12;
  return hauteur >= 0 && hauteur <= 127 ? int16_t(hauteur) : int16_t(-1);
}

int16_t CvtStrToHauteurNoteUS(const char* text) {
  const uint8_t avant = pref.nomsNotesLettres;
  pref.nomsNotesLettres = 1;
  InitTabNomNote();
  const int16_t hauteur = CvtStrToHauteurNote(text, nullptr);
  pref.nomsNotesLettres = avant;
  InitTabNomNote();
  return hauteur;
}
