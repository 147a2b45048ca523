#include "notation/NomsAccords.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>

#include "model/DiagrammesAccord.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/Signe.h"
#include "model/TonaliteMaths.h"
#include "notation/Alterations.h"
#include "notation/NomsNotes.h"
#include "plugin/Necks.h"
#include "system/Strings.h"

namespace {

constexpr int16_t kAbsent = 2;

// Suffixes by seventh choice (-2..2) and ninth choice (-2..2).
const char* const kTab7_9[5][5] = {
    {"?", "6-9", "6/9", "6+9", "6"}, {"?", "7-9", "9", "7+9", "7"},       {"?", "M7-9", "M7/9", "M7+9", "M7"},
    {"?", "?", "?", "?", "?"},       {"?", "Add-9", "Add9", "Add+9", ""},
};

const char* Suffixe(int16_t seventh, int16_t ninth) {
  if (seventh < -2 || seventh > 2 || ninth < -2 || ninth > 2) return "?";
  return kTab7_9[seventh + 2][ninth + 2];
}

int16_t DecalageAlteration(uint8_t alteration) { return alteration == 1 ? 1 : alteration == 3 ? -1 : 0; }

// The root's step and accidental: the pitch class spelled in the key, as
// notes are (a natural becomes "none"). The accidentals in force belong to
// the note walk, which may be drawing: they are given back.
void EpelleFondamentale(int16_t pitchClass, const Tonalite* key, int8_t* step, uint8_t* alteration) {
  uint8_t enCours[kNbLignesAlteration];
  std::memcpy(enCours, AlterationCourante, sizeof enCours);
  int16_t s = 0;
  uint8_t a = kAlterationAucune;
  CalculeNoteFnTonalite(pitchClass, key, &s, &a);
  std::memcpy(AlterationCourante, enCours, sizeof enCours);
  *step = int8_t(s);
  *alteration = a == 0 ? uint8_t(kAlterationAucune) : a;
}

void NomRacine(const DefAccord* chord, std::string* out) {
  char nom[4];
  *out += GetNomNote(nom, chord->fondamentale);
  if (chord->alterationFondamentale == 3) out->push_back('b');
  if (chord->alterationFondamentale == 1) out->push_back('#');
}

bool Commence(const char* s, const char* prefix) { return std::strncmp(s, prefix, std::strlen(prefix)) == 0; }

}  // namespace

void CreeNomAccord(const DefAccord* chord, char* dst) {
  dst[0] = 0;
  if (!chord) return;
  if (chord->nomPropre) {
    strnzcpy(dst, chord->nom, sizeof chord->nom);
    return;
  }
  if (chord->fondamentale < 0) return;
  std::string s;
  NomRacine(chord, &s);
  auto suffixe = [&]() {
    s += Suffixe(chord->septieme, chord->neuvieme);
    if (chord->quinte == kAbsent) s += "Omit5";
    if (chord->quinte == 1) s += "+5";
    if (chord->quinte == -1) s += "-5";
    if (chord->tierce == 1) s += "Sus4";
  };
  if (chord->tierce == kAbsent) {
    s += "Sus";
    suffixe();
  } else if (chord->tierce == -1) {
    const bool dim = chord->quinte == -1;
    if (dim && chord->septieme == kAbsent && chord->neuvieme == kAbsent) {
      s += "Dim";
    } else if (dim && chord->septieme == -2 && chord->neuvieme == kAbsent) {
      s += "7Dim";
    } else if (dim && chord->septieme == -2 && chord->neuvieme == -1) {
      s += "9Dim";
    } else {
      s += "m";
      suffixe();
    }
  } else {
    suffixe();
  }
  strnzcpy(dst, s.c_str(), 64);
}

void CvtAccordAbsoluEnDefAccord(int32_t neck, const Tonalite* key, const int16_t pitches[5], DefAccord* out) {
  std::memset(out, 0, sizeof *out);
  out->neck = neck;
  out->fondamentale = -1;
  out->alterationFondamentale = 2;
  out->tierce = out->septieme = out->quinte = out->neuvieme = kAbsent;
  out->octave = 4;
  if (pitches[0] < 0) return;
  const int16_t racine = pitches[0];
  EpelleFondamentale(int16_t(racine % 12), key, &out->fondamentale, &out->alterationFondamentale);
  const int16_t demiTon = int16_t(Note2DemiTonStd[out->fondamentale] + DecalageAlteration(out->alterationFondamentale));
  out->octave = uint16_t(std::max(0, (racine - demiTon) / 12));
  if (pitches[1] >= 0) {
    int16_t c = int16_t(pitches[1] - racine - 4);
    if (c < -2) c = int16_t(c + 12);
    out->tierce = c;
  }
  if (pitches[2] >= 0) out->quinte = int16_t(pitches[2] - racine - 7);
  if (pitches[3] >= 0) out->septieme = int16_t(pitches[3] - racine - 11);
  if (pitches[4] >= 0) out->neuvieme = int16_t(pitches[4] - racine - 14);
}

char* AccordToStr(const int16_t pitches[5], char* dst, const Tonalite* key) {
  DefAccord d;
  CvtAccordAbsoluEnDefAccord(0, key, pitches, &d);
  CreeNomAccord(&d, dst);
  return dst;
}

// SEAM(notation): chord texts are read without the slash-chord preference (a
// bass note makes the text the chord's own name) until the preferences of
// chord names are built.
int16_t CvtChaineEnAccord(const char* text, DefAccord* out) {
  std::memset(out, 0, sizeof *out);
  out->neck = -1;
  out->fondamentale = -1;
  out->alterationFondamentale = 2;
  out->octave = 4;
  out->quinte = 0;
  out->neuvieme = kAbsent;
  out->tierce = 0;
  out->septieme = kAbsent;
  if (!text) return 0;
  while (*text == ' ' || *text == '\t') text++;
  char o[20], u[20];
  strnzcpy(o, text, sizeof o);
  for (size_t i = 0; i < sizeof u; i++) u[i] = char(std::toupper(static_cast<unsigned char>(o[i])));
  const char* p = u;
  const int16_t step = FindNomNote(&p);
  if (step < 0) return 0;
  out->fondamentale = int8_t(step);
  size_t i = size_t(p - u);
  // Syllables are matched first, so "Fadd9" and "Faug" would read as the
  // syllable FA followed by "dd9" and "ug": their root is the letter F.
  if (i == 2 && u[0] == 'F' && (Commence(u + 1, "ADD") || Commence(u + 1, "AUG"))) i = 1;
  if (o[i] == '#') {
    out->alterationFondamentale = 1;
    i++;
  } else if (o[i] == 'b') {
    out->alterationFondamentale = 3;
    i++;
  }
  if (o[i] == 'm' && u[i + 1] != 'A') {
    out->tierce = -1;
    i++;
  }
  auto neuvieme = [&](int16_t choice, bool add) {
    out->neuvieme = choice;
    if (!add && out->septieme == kAbsent) out->septieme = -1;
  };
  while (u[i]) {
    bool add = false;
    if (Commence(u + i, "ADD")) {
      add = true;
      i += 3;
      if (!u[i]) break;
    }
    const char c = u[i];
    if (c == '2' || c == '9') {
      neuvieme(0, add);
      i++;
    } else if (c == 'B' || c == '-' || c == '#' || c == '+') {
      const int16_t sens = (c == 'B' || c == '-') ? -1 : 1;
      if (u[i + 1] == '2' || u[i + 1] == '9') {
        neuvieme(sens, add);
        i += 2;
      } else if (u[i + 1] == '5') {
        out->quinte = sens;
        i += 2;
      } else {
        i++;
      }
    } else if (c == '4') {
      out->tierce = 1;
      i++;
    } else if (c == '5') {
      if (u[i + 1] == 'M') out->quinte = -1;
      else out->tierce = kAbsent;
      i++;
    } else if (c == '6') {
      out->septieme = -2;
      i++;
    } else if (c == '7') {
      out->septieme = -1;
      i++;
    } else if (Commence(u + i, "SUS")) {
      out->tierce = kAbsent;
      i += 3;
    } else if (Commence(u + i, "DIM")) {
      for (int16_t* v : {&out->tierce, &out->quinte, &out->neuvieme})
        if (*v == 0 || *v == 1) (*v)--;
      if (out->septieme >= -1 && out->septieme <= 1) out->septieme--;
      i += 3;
    } else if (Commence(u + i, "AUG")) {
      for (int16_t* v : {&out->tierce, &out->quinte, &out->septieme, &out->neuvieme})
        if (*v < 1) (*v)++;
      i += 3;
    } else if (c == 'M') {
      out->septieme = 0;
      i++;
      while (u[i] == 'A' || u[i] == 'J' || u[i] == '7') i++;
    } else if (c == '/') {
      out->nomPropre = 1;
      strnzcpy(out->nom, text, sizeof out->nom);
      break;
    } else {
      i++;
    }
  }
  return 1;
}

void CvtDefAccordEnListeNotes(const DefAccord* chord, uint16_t* pitches) {
  pitches[0] = kFinListeNotes;
  if (!chord || chord->fondamentale < 0 || chord->fondamentale > 6) return;
  const int32_t r = int32_t(chord->octave) * 12 + Note2DemiTonStd[chord->fondamentale] +
                    DecalageAlteration(chord->alterationFondamentale);
  auto degre = [](int32_t base, int16_t choice) { return choice == kAbsent ? -1 : base + choice; };
  int32_t d[5] = {r, degre(r + 4, chord->tierce), degre(r + 7, chord->quinte), degre(r + 11, chord->septieme),
                  degre(r + 14, chord->neuvieme)};
  for (int32_t& v : d)
    if (v > 127) v = -1;
  const int16_t inv = chord->renversement;
  if (inv >= 1 && inv <= 3) {
    for (int k = 0; k < inv; k++)
      if (d[k] > 0) d[k] = d[k] + 12 > 127 ? -1 : d[k] + 12;
  } else if (inv == 4) {
    for (int32_t& v : d)
      if (v >= 0) v = v - 12 < 0 ? -1 : v - 12;
  }
  int n = 0;
  for (int32_t v : d)
    if (v >= 0) pitches[n++] = uint16_t(v);
  std::sort(pitches, pitches + n);
  pitches[n] = kFinListeNotes;
}

void CvtListeNotesEnDefAccord(const NoteAnalyse*, DefAccord*) {}

int16_t CvtListeNotesEnDiagrammeEditAccord(const NoteAnalyse*, int16_t, DiagrammeAccord*) { return 0; }

int32_t CvtNomAccordEnIndexDiagrammePortee(Portee** staff, const DefAccord* chord) {
  if (!staff || !chord) return -1;
  Handle h = (*staff)->diagrammesCustoms;
  const int32_t n = GetNbDiagrammesAccords(h);
  for (int32_t i = 0; i < n; i++) {
    const DiagrammeAccord& d = reinterpret_cast<const DiagrammeAccord*>(*h)[i];
    if (std::strncmp(d.accord.nom, chord->nom, sizeof d.accord.nom) != 0) continue;
    if (chord->neck == -1 || d.accord.neck == chord->neck) return i;
  }
  return -1;
}

namespace {

// Semitone of a chord's root, 0..11 before its accidental.
int16_t DemiTonRacine(const DefAccord& d) {
  if (d.fondamentale < 0 || d.fondamentale > 6) return 0;
  return int16_t(Note2DemiTonStd[d.fondamentale] + DecalageAlteration(d.alterationFondamentale));
}

bool MemesDegres(const DefAccord& a, const DefAccord& b) {
  return a.tierce == b.tierce && a.quinte == b.quinte && a.septieme == b.septieme && a.neuvieme == b.neuvieme;
}

// The two bytes a stored diagram keeps besides its chord: the first marks a
// diagram made from a fingering, the second a preferred one.
bool EstDoigte(const DiagrammeAccord& d) { return d.octetsLus[0] != 0; }
bool EstPrefere(const DiagrammeAccord& d) { return d.octetsLus[1] != 0; }

// A fingering diagram holds a dot on the first fret row of the neck's last string.
bool RacineSurDerniereCorde(const DiagrammeAccord& d) {
  const int16_t cordes = GetNbCordesNeck(d.accord.neck);
  const int n = std::clamp<int>(d.nbPoints, 0, kNbPointsDiagramme);
  for (int i = 0; i < n; i++)
    if (d.points[i].caseManche == 0 && d.points[i].premiereCorde == cordes - 1) return true;
  return false;
}

}  // namespace

int32_t CvtDefAccordEnIndexDiagramme(Handle diagrams, const DefAccord* chord, int16_t* distance, bool fingering) {
  int16_t dummy;
  if (!distance) distance = &dummy;
  *distance = kDistanceDiagrammeAucune;
  const int32_t n = GetNbDiagrammesAccords(diagrams);
  if (!chord || n <= 0) return -1;
  const int16_t racine = DemiTonRacine(*chord);
  int32_t exact = -1, proche = -1;
  int16_t meilleure = kDistanceDiagrammeAucune;
  bool exactPrefere = false, prochePrefere = false;
  for (int32_t i = 0; i < n; i++) {
    const DiagrammeAccord& d = reinterpret_cast<const DiagrammeAccord*>(*diagrams)[i];
    if (chord->neck != -1 && d.accord.neck != chord->neck) continue;
    if (fingering && (!EstDoigte(d) || !RacineSurDerniereCorde(d))) continue;
    const bool memeNom = chord->nomPropre && std::strncmp(d.accord.nom, chord->nom, sizeof d.accord.nom) == 0;
    const bool degres = MemesDegres(d.accord, *chord);
    const bool memeRacine = d.accord.fondamentale == chord->fondamentale &&
                            d.accord.alterationFondamentale == chord->alterationFondamentale;
    if ((degres && memeRacine) || memeNom) {
      if (exact < 0 || (EstPrefere(d) && !exactPrefere)) {
        exact = i;
        exactPrefere = EstPrefere(d);
      }
      continue;
    }
    if (!degres || d.accord.fondamentale < 0) continue;
    const int16_t ecart = int16_t(racine - DemiTonRacine(d.accord));
    const int a = std::abs(ecart), b = std::abs(meilleure);
    if (proche < 0 || a < b || (a == b && EstPrefere(d) && !prochePrefere)) {
      proche = i;
      meilleure = ecart;
      prochePrefere = EstPrefere(d);
    }
  }
  if (exact >= 0) {
    *distance = 0;
    return exact;
  }
  if (proche >= 0) *distance = meilleure;
  return proche;
}

int32_t CvtDefAccordEnIndexDiagrammePortee(Portee** staff, const DefAccord* chord, int16_t* distance, bool fingering) {
  int16_t dummy;
  if (!distance) distance = &dummy;
  *distance = kDistanceDiagrammeAucune;
  if (!staff || !*staff || !chord) return -1;
  if (chord->nom[0]) {
    const int32_t parNom = CvtNomAccordEnIndexDiagrammePortee(staff, chord);
    if (parNom >= 0) {
      *distance = 0;
      return parNom + kIndexDiagrammesPortee;
    }
  }
  Partition** score = (*staff)->partition;
  Handle bibliotheque = score ? (*score)->diagrammesCustoms : nullptr;
  int32_t i = CvtDefAccordEnIndexDiagramme(bibliotheque, chord, distance, fingering);
  if (i < 0 && fingering) i = CvtDefAccordEnIndexDiagramme(bibliotheque, chord, distance, false);
  if (i >= 0) return i;
  i = CvtDefAccordEnIndexDiagramme((*staff)->diagrammesCustoms, chord, distance, fingering);
  return i < 0 ? -1 : i + kIndexDiagrammesPortee;
}

bool CvtIndexEnDiagrammeEditPortee(Portee** staff, int32_t index, DiagrammeAccord* out) {
  if (!staff || !*staff || !out || index < 0) return false;
  Handle h = nullptr;
  if (index >= kIndexDiagrammesPortee) {
    h = (*staff)->diagrammesCustoms;
    index -= kIndexDiagrammesPortee;
  } else {
    Partition** score = (*staff)->partition;
    h = score ? (*score)->diagrammesCustoms : nullptr;
  }
  if (index >= GetNbDiagrammesAccords(h)) return false;
  *out = reinterpret_cast<const DiagrammeAccord*>(*h)[index];
  return true;
}

void CvtDefAccordToStrDemiTon(const DefAccord* chord, char* dst, const Tonalite* key, int16_t semitones) {
  dst[0] = 0;
  if (!chord) return;
  DefAccord d = *chord;
  if (!d.nomPropre && d.fondamentale >= 0 && d.fondamentale <= 6) {
    const int16_t classe = int16_t(((DemiTonRacine(d) + semitones) % 12 + 12) % 12);
    EpelleFondamentale(classe, key, &d.fondamentale, &d.alterationFondamentale);
  }
  CreeNomAccord(&d, dst);
}
