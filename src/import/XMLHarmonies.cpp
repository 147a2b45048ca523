#include "import/XMLHarmonies.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "import/XMLDirections.h"
#include "import/XMLLyrics.h"
#include "import/XMLPagination.h"
#include "import/XMLPortees.h"
#include "layout/HauteursPortees.h"
#include "layout/ServicesMiseEnPage.h"
#include "layout/Zoom.h"
#include "model/Accords.h"
#include "model/CvtTemps.h"
#include "model/DiagrammesAccord.h"
#include "model/Document.h"
#include "model/DonneesAccords.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/QrvText.h"
#include "notation/DiagrammesPortee.h"
#include "notation/NomsNotes.h"
#include "notation/ServicesNotation.h"
#include "platform/QuickDraw.h"
#include "platform/TextDraw.h"
#include "plugin/Preferences.h"
#include "stafftypes/CellulesKaraoke.h"
#include "stafftypes/ServicesTypesPortee.h"
#include "system/Strings.h"
#include "text/Fontes.h"
#include "text/TextEncodings.h"

constexpr int32_t X = kXMLPasDansAccord;
const XMLAccordPredef tabAccordsPredefXML[27] = {
    {32, {X, X, X, X, X, X, X}, "alt|Alt"},
    {1, {0, 0, X, X, X, X, X}, "maj|Maj|M"},
    {2, {-1, 0, X, X, X, X, X}, "m|min|mi|Min"},
    {23, {-2, 0, X, X, X, X, X}, "sus2|Sus2"},
    {24, {1, 0, X, X, X, X, X}, "sus4|Sus4|sus"},
    {4, {-1, -1, X, X, X, X, X}, "dim|Dim"},
    {3, {0, 1, X, X, X, X, X}, "Aug|aug|+5|#5"},
    {12, {0, 0, 0, X, X, X, X}, "6"},
    {8,
     {-1, -1, X, -2, X, X, X},
     "dim7|Dim7|\xC2\xBA"
     "7"},
    {10, {-1, -1, X, -1, X, X, X}, "m7-5|m7b5"},
    {5, {0, 0, X, -1, X, X, X}, "7"},
    {9, {0, 1, X, -1, X, X, X}, "Aug7|aug7"},
    {16, {-1, 0, X, -1, 0, X, X}, "m9"},
    {14, {0, 0, X, -1, 0, X, X}, "9"},
    {17, {0, 0, X, -1, 0, 0, X}, "11"},
    {20, {0, 0, X, -1, 0, 0, 0}, "13"},
    {7, {-1, 0, X, -1, X, X, X}, "m7|min7"},
    {6, {0, 0, X, 0, X, X, X}, "M7|Maj7|maj7"},
    {11, {-1, 0, X, 0, X, X, X}, "mMaj7|mM7"},
    {13, {-1, 0, 0, X, X, X, X}, "m6|min6|Min6"},
    {15, {0, 0, X, 0, 0, X, X}, "Maj9|maj9|M9"},
    {18, {0, 0, X, 0, 0, 0, X}, "Maj11|maj11|M11"},
    {19, {-1, 0, X, -1, 0, 0, X}, "m11|min11|Min11"},
    {21, {0, 0, X, 0, 0, 0, 0}, "Maj13|maj13|M13"},
    {22, {-1, 0, X, -1, 0, 0, 0}, "m13|min13|Min13"},
    {30, {X, 0, X, X, X, X, X}, "5"},
    {0, {X, X, X, X, X, X, X}, ""},
};

namespace {

constexpr int32_t kAbsentAussi = -9999;
// Degrees of the table's columns after the third.
constexpr int kDegresColonnes[6] = {5, 6, 7, 9, 11, 13};

const char* const kNomsTypes[] = {
    "major",         "minor",         "augmented",          "diminished",        "dominant",
    "major-seventh", "minor-seventh", "diminished-seventh", "augmented-seventh", "half-diminished",
    "major-minor",   "major-sixth",   "minor-sixth",        "dominant-ninth",    "major-ninth",
    "minor-ninth",   "dominant-11th", "major-11th",         "minor-11th",        "dominant-13th",
    "major-13th",    "minor-13th",    "suspended-second",   "suspended-fourth",
};

int32_t Entier(double v) {
  if (!(v == v)) return 0;
  if (v >= 2147483647.0) return INT32_MAX;
  if (v <= -2147483648.0) return INT32_MIN;
  return int32_t(v);
}

// Appends a piece of the chord name.
void Ajoute(std::string* name, const char* s) { name->append(s); }

// The spelled suffix of the components, appended to the name.
void EpelleComposantes(const int16_t c[kXMLNbComposantes], std::string* name) {
  bool ecrit[kXMLNbComposantes] = {};
  // Degrees spelled already, or that the chord lacks, are no longer present.
  auto present = [&](int d) { return c[d] > kXMLDegreAbsent && !ecrit[d]; };
  auto absent = [&](int d) { return c[d] <= kXMLDegreAbsent; };
  bool neuviemeSeule = false;
  if (c[3] == -1) {
    // A half-diminished chord keeps its minor seventh: "dim" before a "7"
    // would read back as a diminished seventh.
    if (c[5] == -1 && c[7] == -1) {
      Ajoute(name, "m");
    } else if (c[5] == -1) {
      if (c[7] == -2) {
        Ajoute(name, "dim7");
        ecrit[7] = true;
      } else {
        Ajoute(name, "dim");
      }
      ecrit[5] = true;
    } else {
      Ajoute(name, "m");
    }
    ecrit[3] = true;
  }
  bool sauteNeuvieme = false;
  if (c[7] == -1) {
    if (c[9] != 0) {
      Ajoute(name, "7");
      ecrit[7] = true;
      neuviemeSeule = true;
    } else {
      if (c[11] == 0) {
        if (c[13] == 0) {
          Ajoute(name, "13");
          ecrit[13] = true;
        } else {
          Ajoute(name, "11");
        }
        ecrit[11] = true;
      } else {
        Ajoute(name, "9");
      }
      ecrit[9] = ecrit[7] = true;
      sauteNeuvieme = true;
    }
  }
  if (!neuviemeSeule && !sauteNeuvieme) {
    if (absent(7) && c[6] == 0) {
      Ajoute(name, "6");
      ecrit[6] = true;
    }
    if (present(7) && c[7] == 0) {
      Ajoute(name, "M7");
      ecrit[7] = true;
    } else if (absent(7) && present(9)) {
      Ajoute(name, "Add");
    }
  }
  if (!sauteNeuvieme && present(9)) {
    const bool apresSeptieme = !name->empty() && name->back() == '7';
    const char* s = c[9] == 1 ? "+9" : c[9] == 0 ? (apresSeptieme ? "/9" : "9") : c[9] == -1 ? "-9" : nullptr;
    if (s) {
      Ajoute(name, s);
      ecrit[9] = true;
    }
  }
  if (!ecrit[5]) {
    const char* s = absent(5) ? "Omit5" : c[5] == 1 ? "+5" : c[5] == -1 ? "-5" : nullptr;
    if (s) {
      Ajoute(name, s);
      ecrit[5] = true;
    }
  }
  if (absent(3)) {
    Ajoute(name, "Sus");
    if (c[2] == -1) {
      Ajoute(name, "-2");
      ecrit[2] = true;
    } else if (c[2] == 0) {
      Ajoute(name, "2");
      ecrit[2] = true;
    } else if (c[4] == 0) {
      Ajoute(name, "4");
      ecrit[4] = true;
    }
  }
  // Added degrees. The second is spelled as well: left out, an added second
  // would vanish from the name.
  for (int d = 2; d <= 13; d++) {
    if (d == 3 || d == 5 || !present(d)) continue;
    char s[24];
    // Alterations past a semitone keep their sign and size.
    if (c[d] > 0) std::snprintf(s, sizeof s, "Add%s%d", c[d] == 1 ? "+" : "++", d);
    else if (c[d] < 0) std::snprintf(s, sizeof s, "Add%s%d", c[d] == -1 ? "-" : "--", d);
    else std::snprintf(s, sizeof s, "Add%d", d);
    Ajoute(name, s);
  }
}

// Step and alter of a root or bass element: "<step>" text (or its "text"
// attribute) then '#' or 'b'.
void AjouteNote(std::string* name, XMLElt* step, XMLElt* alter) {
  const char* remplace = XMLGetAttributeValue(step, "text");
  const char* t = remplace ? remplace : XMLGetText(step);
  if (t) Ajoute(name, t);
  const int32_t a = XMLGetTextLong(alter);
  if (a == 1) Ajoute(name, "#");
  else if (a == -1) Ajoute(name, "b");
}

// The chord name of an element; false without a root.
bool NomHarmonie(XMLElt* harmony, std::string* name) {
  XMLElt* root = XMLGetChild(harmony, "root", 0);
  XMLElt* step = XMLGetChild(root, "root-step", 0);
  // A chord written as a function (a numeral) has no root to name it by.
  if (!step) return false;
  AjouteNote(name, step, XMLGetChild(root, "root-alter", 0));
  XMLElt* kind = XMLGetChild(harmony, "kind", 0);
  XMLHarmonie h;
  std::memset(&h, 0, sizeof h);
  h.typeAccord = XMLTypeAccordHarmonie(XMLGetText(kind));
  const char* texte = XMLGetAttributeValue(kind, "text");
  if (texte && *texte) {
    Ajoute(name, texte);
    return true;
  }
  int n = 0;
  for (int32_t i = 0; i < harmony->nbChildren && n < kXMLNbDegres; i++) {
    XMLElt* d = harmony->children[i];
    if (std::strcmp(d->name, "degree")) continue;
    const int32_t v = XMLGetTextLong(XMLGetChild(d, "degree-value", 0));
    if (v == kXMLAbsentLong) continue;
    const int32_t a = XMLGetTextLong(XMLGetChild(d, "degree-alter", 0));
    const char* type = XMLGetText(XMLGetChild(d, "degree-type", 0));
    XMLDegreHarmonie& e = h.degres[n++];
    e.valeur = int16_t(std::clamp<int32_t>(v, -1, 14));
    e.alteration = int16_t(a == kXMLAbsentLong ? 0 : std::clamp<int32_t>(a, -3, 3));
    e.type = !type || !stricmp(type, "add") ? kXMLDegreAjoute
             : !stricmp(type, "alter")      ? kXMLDegreAltere
             : !stricmp(type, "subtract")   ? kXMLDegreRetire
                                            : uint32_t(3);
  }
  int16_t c[kXMLNbComposantes];
  CvtXMLHarmonyToComposants(&h, c);
  EpelleComposantes(c, name);
  XMLElt* bass = XMLGetChild(harmony, "bass", 0);
  XMLElt* bassStep = XMLGetChild(bass, "bass-step", 0);
  if (bassStep) {
    Ajoute(name, "/");
    AjouteNote(name, bassStep, XMLGetChild(bass, "bass-alter", 0));
  }
  return true;
}

// The chord record of a name, read with letter names whatever the user's
// names are, and the name's root written back in the user's names.
void AccordDuNom(std::string* name, DefAccord* chord) {
  const uint8_t avant = pref.nomsNotesLettres;
  pref.nomsNotesLettres = 1;
  InitTabNomNote();
  std::memset(chord, 0, sizeof *chord);
  CvtChaineEnAccord(name->c_str(), chord);
  pref.nomsNotesLettres = avant;
  InitTabNomNote();
  if (!avant && chord->fondamentale >= 0 && !name->empty()) {
    char nom[8];
    GetNomNote(nom, chord->fondamentale);
    int32_t longueur = 0;
    EncodedStr utf = MacRomanTextToUTF(0, nom, int32_t(std::strlen(nom)), &longueur);
    if (utf) {
      name->replace(0, 1, std::string(reinterpret_cast<const char*>(utf), size_t(longueur)));
      DisposeEncodedStr(utf);
    }
  }
  strnzcpy(chord->nom, name->c_str(), sizeof chord->nom);
}

// ---- chord-name line ------------------------------------------------------------

// The 1-based index of the chord-line cell in force at a time (0 for none):
// the cells of the bars before its bar, and those of its bar that start no
// later than it.
int32_t IndexAccordAuTemps(Portee** staff, int32_t time) {
  const LigneTexte* ligne = GetLigneTextePortee(staff, kLigneTexteAccords);
  Partition** score = (*staff)->partition;
  if (!ligne || !score) return 0;
  CalculeAccordsPortee(score, staff);
  const uint32_t mode = ligne->modeTaquets;
  const uint16_t parametre = ligne->parametreTaquets;
  const int16_t mesure = CvtTempsEnMesure(score, time);
  if (mesure < 0) return 0;
  static TaquetKaraoke colonnes[kMaxTaquetsMesure];
  int32_t n = 0;
  for (int16_t b = 0; b < mesure; b++)
    n += std::max<int16_t>(0, CalculeTableauTaquetKaraokeMesure(colonnes, staff, mode, parametre, b, 0, 1, 1));
  const int16_t k = CalculeTableauTaquetKaraokeMesure(colonnes, staff, mode, parametre, mesure, 0, 1, 1);
  const int32_t debut = CvtMesureEnTemps(score, mesure);
  for (int16_t i = 0; i < k; i++)
    if (colonnes[i].temps <= time - debut) n++;
  return n;
}

bool Separateur(char c) { return c == ' ' || c == '-' || c == '_'; }

// The cell text with syllable k replaced by the name.
std::string RemplaceSyllabe(const char* old, int32_t k, const std::string& name) {
  std::vector<std::string> syllabes;
  for (const char* p = old; *p;) {
    const char* q = p;
    while (*q && !Separateur(*q)) q++;
    if (*q) q++;
    syllabes.emplace_back(p, size_t(q - p));
    p = q;
  }
  std::string r;
  for (int32_t i = 0; i < k; i++) r += i < int32_t(syllabes.size()) ? syllabes[size_t(i)] : std::string(" ");
  r += name;
  if (name.empty() || !Separateur(name.back())) r += ' ';
  for (size_t i = size_t(k) + 1; i < syllabes.size(); i++) r += syllabes[i];
  return r;
}

// The chord line set up once for the import: shown, at the first chord's
// height, cut in 16 columns a bar so that a chord finds its column wherever
// it stands in the bar.
void PrepareLigneAccords(Portee** staff, float y, int32_t ascent) {
  if ((*staff)->ligneAccordsAffichee) return;
  (*staff)->ligneAccordsAffichee = 1;
  SetDefaultLignesAccordPortee(staff);
  // y counts eighths of a staff space from the bottom line; the line's
  // position counts pixels from the staff's top.
  const float interligne = InterlignePortee(staff);
  const float haut = float((*staff)->decalageLigneBas) + y * interligne / 8.0f - float(Zoom(ascent));
  SetLigneAccordPortee(staff, int16_t(std::clamp(haut, 0.0f, 32767.0f)));
  LigneTexte& ligne = (*staff)->lignesTexte[1];
  ligne.modeTaquets = kTaquetsNombre;
  ligne.parametreTaquets = 16;
  CheckHauteurPortee(staff);
  CalculeHauteurCelluleLigneTexte(staff, int16_t(kLigneTexteAccords));
  CheckHauteurPortee(staff);
}

// The name into the chord-line cell of the column nearest x; false when no
// cell takes it.
bool NomDansLigneAccords(Portee** staff, int32_t x, const std::string& name) {
  Partition** score = (*staff)->partition;
  const int16_t mesure = CvtTempsEnMesure(score, x);
  if (mesure < 0) return false;
  static TaquetKaraoke colonnes[kMaxTaquetsMesure];
  const LigneTexte& ligne = (*staff)->lignesTexte[1];
  const int16_t n =
      CalculeTableauTaquetKaraokeMesure(colonnes, staff, ligne.modeTaquets, ligne.parametreTaquets, mesure, 0, 1, 1);
  if (n <= 0) return false;
  const int32_t demi = CvtMesureEnDureeMesure(score, mesure) / n / 2;
  const int32_t index = IndexAccordAuTemps(staff, x + demi) - 1;
  if (index < 0) return false;
  TaquetKaraoke cellule;
  int16_t barre = 0, k = 0;
  if (!GetTaquetIndex(colonnes, staff, kLigneTexteAccords, index, &cellule, &barre, &k)) return false;
  char ancien[kTailleTexteCellule];
  GetTexteKaraokeCellule(staff, kLigneTexteAccords, barre, 0, ancien, nullptr);
  if (std::strlen(ancien) + name.size() > 510) return false;
  const std::string texte = RemplaceSyllabe(ancien, k, name);
  return SetTexteKaraokeCellule(staff, barre, 0, kLigneTexteAccords, texte.c_str(), nullptr) >= 0;
}

// ---- diagrams -----------------------------------------------------------------

struct DiagrammeEnAttente {
  Portee** portee;
  int32_t index;
  float largeur;
  float decalage;
};
std::vector<DiagrammeEnAttente> gEnAttente;

float AttributPositif(XMLElt* e, const char* name, float absent) {
  const float v = XMLGetAttributeFloat(e, name);
  return v == kXMLAbsentFloat || !(v > 0.0f) ? absent : std::min(v, 2000.0f);
}

void PlaceDiagramme(Portee** staff, XMLElt* frame, const DefAccord& chord, float x, float y, float rx,
                    int32_t placement) {
  Partition** score = (*staff)->partition;
  const int32_t i = NewDiagramme(staff);
  if (i < 0) return;
  PlacementDiagramme p;
  std::memset(&p, 0, sizeof p);
  p.accord = chord;
  p.accord.neck = -1;
  p.afficheNom = 1;
  p.indexDiagramme = -1;
  const int32_t lu = XMLGetTextLong(XMLGetChild(frame, "frame-strings", 0));
  const int32_t cordes = lu == kXMLAbsentLong || lu < 1 ? 6 : std::min<int32_t>(lu, 64);
  // A neck of fewer strings leaves the marks past its strings empty.
  for (int s = 0; s < kNbCordesDiagramme; s++) p.cordes[s] = s < cordes ? 'x' : 0;
  const int32_t frettes = XMLGetTextLong(XMLGetChild(frame, "frame-frets", 0));
  const int32_t premiere = XMLGetTextLong(XMLGetChild(frame, "first-fret", 0));
  p.caseBase = uint8_t(premiere == kXMLAbsentLong ? 1 : std::clamp<int32_t>(premiere, 1, 99));
  const float largeur = AttributPositif(frame, "width", float(cordes * 7 + (p.caseBase > 9 ? 5 : 0)));
  const float defaut = frettes == kXMLAbsentLong ? 60.0f : float(std::clamp<int32_t>(frettes, 0, 48) + 2) * 10.0f;
  // Heights in tenths; the staff counts eighths of a staff space.
  const float hauteur = AttributPositif(frame, "height", defaut) * 0.8f;
  p.debut = p.fin = Entier(x);
  p.haut = Entier(placement == 1 ? y - hauteur : y);
  p.bas = Entier(placement == 1 ? y : y + hauteur);
  int n = 0;
  for (int32_t k = 0; k < frame->nbChildren; k++) {
    XMLElt* note = frame->children[k];
    if (std::strcmp(note->name, "frame-note")) continue;
    const int32_t s = XMLGetTextLong(XMLGetChild(note, "string", 0));
    const int32_t f = XMLGetTextLong(XMLGetChild(note, "fret", 0));
    if (s == kXMLAbsentLong || f == kXMLAbsentLong || s <= 0 || f < 0 || s > cordes) continue;
    const int32_t rangee = cordes - s;
    if (rangee >= kNbCordesDiagramme) continue;
    const int8_t relative = int8_t(std::clamp<int32_t>(f - p.caseBase, -1, 99));
    const char* barre = XMLGetAttributeValue(XMLGetChild(note, "barre", 0), "type");
    if (barre && !std::strcmp(barre, "stop")) {
      for (int j = n - 1; j >= 0; j--) {
        PointDiagramme& q = p.points[j];
        if (q.caseManche != relative) continue;
        q.premiereCorde = int8_t(std::min<int32_t>(q.premiereCorde, rangee));
        q.derniereCorde = int8_t(std::max<int32_t>(q.derniereCorde, rangee));
        // The strings under the barre sound: none keeps its not-played mark.
        for (int r = q.premiereCorde; r <= q.derniereCorde; r++)
          if (p.cordes[r] == 'x') p.cordes[r] = ' ';
        break;
      }
      continue;
    }
    if (n >= kNbPointsPlacement) continue;
    p.points[n++] = PointDiagramme{relative, int8_t(rangee), int8_t(rangee)};
    const char* doigt = XMLGetText(XMLGetChild(note, "fingering", 0));
    p.cordes[rangee] = doigt && *doigt ? *doigt : ' ';
  }
  p.nbPoints = int8_t(n);

  DefDiagrammeAccord d;
  std::memset(&d, 0, sizeof d);
  d.accord = p.accord;
  std::memcpy(d.cordes, p.cordes, sizeof p.cordes);
  d.caseBase = p.caseBase;
  d.nbPoints = p.nbPoints;
  std::memcpy(d.points, p.points, sizeof d.points);
  p.idUnique = ScelleDiagrammeAccord(&d);
  // Equal diagrams share one chord of the score's base.
  int32_t base = RechercheDiagrammeAccordParIdUnique((*score)->diagrammesCustoms, p.idUnique);
  if (base < 0) {
    base = CreeAccord(&(*score)->diagrammesCustoms);
    if (base >= 0) {
      DiagrammeAccord& a = reinterpret_cast<DiagrammeAccord*>(*(*score)->diagrammesCustoms)[base];
      a.idUnique = p.idUnique;
      a.accord = p.accord;
      std::memcpy(a.cordes, p.cordes, sizeof a.cordes);
      a.caseBase = p.caseBase;
      a.nbPoints = int8_t(std::min(n, kNbPointsDiagramme));
      std::memcpy(a.points, p.points, sizeof a.points);
    }
  }
  p.indexDiagramme = int16_t(base < INT16_MAX ? base : -1);
  reinterpret_cast<PlacementDiagramme*>(*(*staff)->diagrammes)[i] = p;
  gEnAttente.push_back(DiagrammeEnAttente{staff, i, largeur, rx});
}

}  // namespace

uint32_t XMLTypeAccordHarmonie(const char* kind) {
  if (!kind) return 0;
  for (size_t i = 0; i < sizeof kNomsTypes / sizeof *kNomsTypes; i++)
    if (!stricmp(kind, kNomsTypes[i])) return uint32_t(i + 1);
  return 0;
}

void CvtXMLHarmonyToComposants(XMLHarmonie* harmony, int16_t components[kXMLNbComposantes]) {
  if (harmony->typeAccord == 0) harmony->typeAccord = 1;
  for (int i = 0; i < kXMLNbComposantes; i++) components[i] = kXMLDegreAbsent;
  const XMLAccordPredef* ligne = nullptr;
  for (const XMLAccordPredef* r = tabAccordsPredefXML; r->type != 0; r++)
    if (uint32_t(r->type) == harmony->typeAccord) ligne = r;
  if (ligne) {
    // The third's column says how the chord replaces a third it lacks.
    const int32_t tierce = ligne->degres[0];
    if (tierce == -3) components[2] = -1;
    else if (tierce == -2) components[2] = 0;
    else if (tierce == 1) components[4] = 0;
    else if (tierce != kXMLPasDansAccord && tierce != kAbsentAussi) components[3] = int16_t(tierce);
    for (int c = 0; c < 6; c++) {
      const int32_t v = ligne->degres[c + 1];
      if (v != kXMLPasDansAccord && v != kAbsentAussi) components[kDegresColonnes[c]] = int16_t(v);
    }
  }
  for (const XMLDegreHarmonie& d : harmony->degres) {
    if (d.valeur < 1 || d.valeur > 13) continue;
    int16_t& c = components[d.valeur];
    switch (d.type) {
      case kXMLDegreAjoute: c = d.alteration; break;
      case kXMLDegreAltere: c = int16_t(c + d.alteration); break;
      case kXMLDegreRetire: c = kXMLDegreAbsent; break;
      default: break;
    }
  }
}

bool XMLNomHarmonie(XMLElt* harmony, char* name, size_t size) {
  if (!name || size == 0) return false;
  name[0] = 0;
  std::string s;
  if (!harmony || !NomHarmonie(harmony, &s)) return false;
  strnzcpy(name, s.c_str(), size);
  return true;
}

void XMLApplyHarmonyEvent(const XMLEvent& event, int32_t tick, Document* doc) {
  XMLElt* harmony = event.element;
  Partition** score = doc ? doc->partitionCourante : nullptr;
  if (!harmony || !score) return;
  const int32_t v = XMLLitNumeroPorteeOuVoix(XMLGetText(XMLGetChild(harmony, "voice", 0)));
  const int32_t s = XMLLitNumeroPorteeOuVoix(XMLGetText(XMLGetChild(harmony, "staff", 0)));
  // A chord symbol of no staff of the import has nowhere to go.
  Portee** staff = XMLGetPorteeFromId(event.part, uint32_t(s > 0 ? s - 1 : 0), uint32_t(v > 0 ? v - 1 : 0), -1);
  if (!staff) return;
  std::string name;
  if (!NomHarmonie(harmony, &name)) return;
  DefAccord chord;
  AccordDuNom(&name, &chord);

  const int32_t placement = XMLGetPlacement(harmony) == 0 ? 0 : 1;
  float x = 0, y = 0, rx = 0;
  XMLCalculePosXY(harmony, staff, -1, tick, int32_t(event.divisions), &x, &y, placement, &rx);
  int16_t justification = 0, halign = 0, valign = 0, size = 0;
  uint16_t font = kXMLFontSerif;
  uint8_t face[2] = {128, 0};
  RGBColor colour{0, 0, 0};
  XMLGetTextStyle(harmony, &justification, &halign, &valign, &font, &size, face, &colour, nullptr);
  int16_t taille = int16_t(std::clamp(std::trunc(double(size) / double(kXMLZoomImpression)), 0.0, 127.0));
  if (taille == 0) taille = 12;
  const int16_t dpi = GetDpiDest();
  SetDpiDest(72);
  SetTextFontSize(int16_t(font), taille);
  FontInfo info{};
  GetFontInfo(&info);
  TextFont(0);
  TextSize(0);
  SetDpiDest(dpi);

  // Free texts and diagrams are placed in the import's object unit.
  (*staff)->uniteObjet = kXMLUniteObjet;
  XMLElt* frame = XMLGetChild(harmony, "frame", 0);
  if (frame) {
    TextStyle& style = (*score)->modeGraphique.styleAccords;
    style.font = int16_t(font);
    style.face = uint8_t(face[0] & 0x7F);
    PlaceDiagramme(staff, frame, chord, x, y, rx, placement);
    return;
  }
  TextStyle& style = (*staff)->lignesTexte[1].styleCellule;
  style.font = int16_t(font);
  style.face = uint8_t(face[0] & 0x7F);
  style.size = taille;
  PrepareLigneAccords(staff, y, info.ascent);
  if (NomDansLigneAccords(staff, Entier(x), name)) return;
  const int32_t i = CreeObjetTexte(staff, name.c_str(), int16_t(font), taille, face[0], Entier(x),
                                   Entier(double(y) - info.ascent), 0.0f);
  if (i < 0) return;
  int32_t n = 0;
  Texte* t = GetTextesPortee(staff, &n);
  if (!t || i >= n) return;
  t[i].style.color = colour;
  if (rx != 0.0f) t[i].extensionGauche = t[i].extensionDroite = int16_t(std::clamp(rx, -32768.0f, 32767.0f));
}

bool XMLGetDiagrammeEnAttente(Portee** staff, int32_t index, float* width, float* offset) {
  for (const DiagrammeEnAttente& d : gEnAttente) {
    if (d.portee != staff || d.index != index) continue;
    if (width) *width = d.largeur;
    if (offset) *offset = d.decalage;
    return true;
  }
  return false;
}

void XMLDisposeHarmonies() { std::vector<DiagrammeEnAttente>().swap(gEnAttente); }
