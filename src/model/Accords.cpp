#include "model/Accords.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "model/CvtTemps.h"
#include "model/DiagrammesAccord.h"
#include "model/Document.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/QRVPOBJ.h"
#include "model/QrvText.h"
#include "model/Signe.h"
#include "model/Tonalite.h"
#include "model/TonaliteMaths.h"
#include "notation/ServicesNotation.h"
#include "platform/Memory.h"
#include "platform/QuickDraw.h"
#include "stafftypes/DonneesTablature.h"
#include "stafftypes/ServicesTypesPortee.h"
#include "system/Handles.h"
#include "system/PortLayer.h"
#include "system/Reporters.h"
#include "system/ResStrings.h"
#include "system/Strings.h"
#include "text/TextEncodings.h"

namespace {

constexpr uint32_t kStyleDiagrammesClavier = 4000;
// The loose string of the warning that lists unknown accordion chords.
constexpr int16_t kChaineAccordsInconnus = 695;
constexpr size_t kMaxListeInconnus = 120;
constexpr size_t kMaxTexteAvecVariantes = 26;

int NbNotes(const NoteAnalyse* notes) {
  int n = 0;
  while (notes && n < kMaxNotesAnalyse && notes[n].hauteur != -1) n++;
  return n;
}

int16_t ClasseHauteur(int32_t pitch) { return int16_t(((pitch % 12) + 12) % 12); }

// The chord's tones as pitches: each raised by octaves until it is not below
// the one before, then moved to the octave of the notes' mean pitch (48
// without notes). `degres` holds the pitch classes of root, third, fifth,
// seventh and ninth (-1 absent) and receives the raised pitches.
void EleveAccord(int16_t degres[5], const NoteAnalyse* notes, int n, uint16_t* chord) {
  int32_t precedent = -1;
  for (int k = 0; k < 5; k++) {
    if (degres[k] < 0) continue;
    int32_t v = degres[k];
    while (v < precedent) v += 12;
    degres[k] = int16_t(v);
    precedent = v;
  }
  if (!chord) return;
  int32_t decalage = 48;
  if (n > 0) {
    int32_t somme = 0;
    for (int i = 0; i < n; i++) somme += notes[i].hauteur;
    const int32_t moyenne = somme / n;
    decalage = 12 * (moyenne >= 0 ? moyenne / 12 : -((-moyenne + 11) / 12));
  }
  int m = 0;
  for (int k = 0; k < 5; k++)
    if (degres[k] >= 0) {
      const int32_t v = degres[k] + decalage;
      chord[m++] = uint16_t(v < 0 ? 0 : v > 127 ? 127 : v);
    }
  chord[m] = kFinListeNotes;
}

void NomAccord(int16_t degres[5], const Tonalite* key, char* text) { AccordToStr(degres, text, key); }

// Root scoring: the root whose intervals find the most chord tones.
void ParFondamentale(const Tonalite* key, int16_t level, const NoteAnalyse* notes, int n, char* text, uint16_t* chord) {
  int32_t meilleur = 0;
  int16_t racine = -1;
  int16_t tierce = 4, septieme = -1, neuvieme = -1;
  for (int16_t r = 0; r < 12; r++) {
    int occ[12] = {};
    for (int i = 0; i < n; i++) occ[(notes[i].hauteur + 120 - r) % 12]++;
    int32_t score = 0;
    int16_t t = -1, s = -1, nv = -1;
    bool quinte = false;
    if (occ[0] > 0) score += 20001;
    if (occ[3] > 0 || occ[4] > 0) {
      score += 10000;
      t = occ[3] > occ[4] ? 3 : 4;
    }
    if (occ[7] > 0) {
      score += 10000;
      quinte = true;
    }
    if (level >= 4) {
      if (occ[10] > 0) {
        score += 3000;
        s = 10;
      } else if (occ[11] > 0) {
        score += 1000;
        s = 11;
      } else if (occ[9] > 0) {
        score += 1000;
        s = 9;
      }
    }
    if (level >= 5 && occ[2] > 0) {
      score += 500;
      nv = 14;
    }
    score += 50 * occ[0];
    if (t >= 0) score += 10 * occ[t];
    if (quinte) score += 10 * occ[7];
    if (s >= 0) score += 10 * occ[s];
    if (nv >= 0) score += 10 * occ[2];
    if (score > meilleur) {
      meilleur = score;
      racine = r;
      tierce = t >= 0 ? t : 4;
      septieme = s;
      neuvieme = nv;
    }
  }
  if (racine < 0) {
    if (text) std::strcpy(text, "??");
    if (chord) chord[0] = kFinListeNotes;
    return;
  }
  int16_t degres[5] = {racine, int16_t(racine + tierce), int16_t(racine + 7),
                       int16_t(septieme >= 0 ? racine + septieme : -1),
                       int16_t(neuvieme >= 0 ? racine + neuvieme : -1)};
  EleveAccord(degres, notes, n, chord);
  if (text) NomAccord(degres, key, text);
}

// Degrees of the key: chords of stacked thirds on each degree, scored by the
// notes they leave out and the tones no note sounds.
void ParDegres(const Tonalite* key, int16_t level, const NoteAnalyse* notes, int n, char* text, uint16_t* chord) {
  const int16_t t = CvtTonaliteEnFondamentale(key);
  const bool majeur = key && key->mode == 1;
  const int16_t pas[7] = {0, 2, int16_t(majeur ? 4 : 3), 5, 7, int16_t(majeur ? 9 : 8), int16_t(majeur ? 11 : 10)};
  int16_t gamme[7];
  for (int i = 0; i < 7; i++) gamme[i] = ClasseHauteur(t + pas[i]);
  const int nbCandidats = (level - 2) * 7;
  int32_t valeurs[21];
  auto tons = [&](int c, int16_t out[5]) {
    const int k = 3 + c / 7, d = c % 7;
    for (int j = 0; j < 5; j++) out[j] = j < k ? gamme[(d + 2 * j) % 7] : int16_t(-1);
  };
  int choisi = -1;
  for (int c = 0; c < nbCandidats; c++) {
    int16_t accord[5];
    tons(c, accord);
    int etrangeres = 0, racines = 0, manquants = 0;
    for (int i = 0; i < n; i++) {
      const int16_t h = ClasseHauteur(notes[i].hauteur);
      bool dedans = false;
      for (int16_t a : accord) dedans = dedans || a == h;
      if (!dedans) etrangeres++;
      if (h == accord[0]) racines++;
    }
    for (int16_t a : accord) {
      if (a < 0) continue;
      bool joue = false;
      for (int i = 0; i < n && !joue; i++) joue = ClasseHauteur(notes[i].hauteur) == a;
      if (!joue) manquants++;
    }
    valeurs[c] = 1000 - 10 * etrangeres - 100 * manquants + racines;
    if (choisi < 0 || valeurs[c] > valeurs[choisi]) choisi = c;
  }
  if (choisi < 0 || valeurs[choisi] <= 0) {
    if (text) std::strcpy(text, "??");
    if (chord) chord[0] = kFinListeNotes;
    return;
  }
  int16_t degres[5];
  tons(choisi, degres);
  EleveAccord(degres, notes, n, chord);
  if (!text) return;
  NomAccord(degres, key, text);
  std::string s = text;
  int ecrites = 0;
  for (int c = 0; c < nbCandidats && ecrites < 3 && s.size() < kMaxTexteAvecVariantes; c++) {
    if (c == choisi || valeurs[c] != valeurs[choisi]) continue;
    int16_t autre[5];
    tons(c, autre);
    EleveAccord(autre, notes, n, nullptr);
    char nom[64];
    NomAccord(autre, key, nom);
    s += ecrites == 0 ? "(" : ",";
    s += nom;
    ecrites++;
  }
  if (ecrites == 3) s += "...";
  if (ecrites > 0) s += ")";
  strnzcpy(text, s.c_str(), 64);
}

// The bracket commands' number: from the next character, '-' and '=' make it
// negative, digits accumulate, spaces are skipped; anything else ends it.
int16_t LitNombreCommande(const char*& p) {
  int32_t v = 0;
  bool negatif = false;
  for (; *p; p++) {
    if (*p == '-' || *p == '=') negatif = true;
    else if (*p >= '0' && *p <= '9') v = v < 100000 ? v * 10 + (*p - '0') : v;
    else if (*p != ' ') break;
  }
  if (negatif) v = -v;
  return int16_t(v < -32768 ? -32768 : v > 32767 ? 32767 : v);
}

AccordTaquet* ListeAccords(Portee** staff, int32_t* count) {
  Handle h = (*staff)->listeAccords;
  *count = h ? int32_t(GetHandleSize(h) / Size(sizeof(AccordTaquet))) : 0;
  return h ? reinterpret_cast<AccordTaquet*>(*h) : nullptr;
}

// A column of the chord line: its tick and bar; the last entry of a walk is
// the score's end.
struct Colonne {
  int32_t temps;
  int16_t mesure;
};

std::vector<Colonne> ColonnesLigneAccords(Portee** staff) {
  std::vector<Colonne> r;
  TaquetKaraoke colonnes[kMaxTaquetsMesure];
  TaquetKaraoke c;
  int16_t mesure = 0, index = 0;
  int16_t ok = GetTaquetIndex(colonnes, staff, kLigneTexteAccords, 0, &c, &mesure, &index);
  while (ok) {
    r.push_back(Colonne{c.temps, mesure});
    ok = GetNextTaquet(colonnes, &c, &mesure, &index);
  }
  r.push_back(Colonne{c.temps, mesure});
  return r;
}

}  // namespace

int16_t CalculeAccordAbsolu(const Tonalite* key, int16_t level, const NoteAnalyse* notes, char* text, uint16_t* chord,
                            int16_t methode, bool toUTF8) {
  if (level < 3 || level > 5) return -1;
  Tonalite cMajeur;
  if (!key) {
    CvtTonaliteStdEnTonalite(0, 1, &cMajeur);
    key = &cMajeur;
  }
  const int n = NbNotes(notes);
  if (methode) ParFondamentale(key, level, notes, n, text, chord);
  else ParDegres(key, level, notes, n, text, chord);
  if (text && toUTF8) {
    int32_t longueur = 0;
    EncodedStr utf = MacRomanTextToUTF(0, text, int32_t(std::strlen(text)), &longueur);
    if (utf) {
      if (longueur > 63) longueur = 63;
      std::memcpy(text, utf, size_t(longueur));
      text[longueur] = 0;
      DisposeEncodedStr(utf);
    }
  }
  return 0;
}

void ParseCommandAccord(char* text, int16_t* octave, int16_t* inversion, int16_t* accordion) {
  if (!text) return;
  std::string garde;
  const char* p = text;
  while (*p) {
    if (*p != '[') {
      garde.push_back(*p++);
      continue;
    }
    p++;
    while (*p && *p != ']') {
      const char c = *p++;
      int16_t* cible = nullptr;
      bool commande = true;
      if (c == 'O' || c == 'o') cible = octave;
      else if (c == 'I' || c == 'i' || c == 'R' || c == 'r') cible = inversion;
      else if ((c == 'A' || c == 'a') && accordion) cible = accordion;
      else commande = false;
      if (!commande) continue;
      const int16_t v = LitNombreCommande(p);
      if (cible) *cible = v;
    }
    if (*p == ']') p++;
  }
  std::memcpy(text, garde.c_str(), garde.size() + 1);
}

void CalculeAccordsPortee(Partition** score, Portee** staff) {
  if (!score || !staff) return;
  Portee* p = *staff;
  if (!p->nomsAccordsAuto || !p->analyseAccords || p->accordsCalcules) return;
  DisposeListeAccords(staff);
  (*staff)->nbAccordsDiagramme = 0;
  (*staff)->nbAccordsSansDiagramme = 0;
  GrafPtr ancien = nullptr;
  GetPort(&ancien);
  if ((*score)->document) CarboniseSetPortDocument((*score)->document);
  if (GetLigneTextePortee(staff, kLigneTexteAccords)) DisposeTextesKaraoke(staff, kLigneTexteAccords);
  if ((*staff)->nbNotes > 0) {
    const std::vector<Colonne> colonnes = ColonnesLigneAccords(staff);
    NoteAnalyse notes[kMaxNotesAnalyse + 1];
    int nbNotes = 0;
    int32_t depart = 0;
    int16_t mesurePrecedente = -1;
    for (size_t k = 0; k + 1 < colonnes.size(); k++) {
      const int32_t debut = colonnes[k].temps;
      const int16_t mesure = CvtTempsEnMesure(score, debut);
      const bool parMesure = (*staff)->unAccordParMesure != 0;
      const int32_t fin = parMesure ? CvtMesureEnTemps(score, mesure + 1) : colonnes[k + 1].temps;
      if (!parMesure || mesure != mesurePrecedente) {
        nbNotes = 0;
        int32_t count = 0;
        const Signe* s = GetSignesPortee(staff, &count);
        int32_t i = depart;
        int32_t t = i < count ? CvtIndexNoteEnTemps(staff, i) : 0;
        s = GetSignesPortee(staff, &count);
        int32_t suivant = -1;
        while (i < count && t < fin) {
          const int32_t finNote = t + s[i].duree;
          if (s[i].kind >= 0 && finNote > debut && nbNotes < kMaxNotesAnalyse)
            notes[nbNotes++] = NoteAnalyse{GetVraieHauteurFnTranspositeur(score, staff, s[i].kind), s[i].tablatureCorde,
                                           s[i].tablatureCase};
          if (suivant < 0 && finNote >= fin) suivant = i;
          if (!(s[i].flags & kSigneAccordSuite)) t += s[i].duree;
          i++;
        }
        depart = suivant >= 0 ? suivant : i;
        notes[nbNotes].hauteur = -1;
      }
      mesurePrecedente = mesure;

      Tonalite cle;
      CvtTempsEnTonalite(staff, debut, &cle);
      const int16_t decalage = int16_t((GetVraieHauteurFnTranspositeur(score, staff, 60) - 60) % 12);
      if (decalage != 0) {
        Tonalite transposee;
        CvtTonaliteDemiTonEnNouvelleTonalite(&cle, decalage, &transposee);
        cle = transposee;
      }

      char texte[kTailleTexteCellule] = "";
      Tablature** tab = GetTablature(staff);
      const Portee& q = **staff;
      if (nbNotes == 0) {
        texte[0] = 0;
      } else if (tab && (*tab)->kind == kTablatureAccordeon) {
        CalculeAccordAccordeonSelonNotes(score, staff, debut, notes, 1, 1, texte);
      } else if (tab && q.accordsParDiagrammes && q.styleDiagrammes != kStyleDiagrammesClavier) {
        const DiagrammeAccord* d = RechercheDiagrammeParDoigte(staff, notes, true, 0);
        if (d) {
          strnzcpy(texte, d->accord.nom, sizeof d->accord.nom);
          (*staff)->nbAccordsDiagramme++;
        } else {
          std::strcpy(texte, "?");
          (*staff)->nbAccordsSansDiagramme++;
        }
      } else {
        CalculeAccordAbsolu(&cle, q.niveauAccords, notes, texte, nullptr, q.methodeAccords, true);
      }

      char cellule[kTailleTexteCellule];
      GetTexteKaraokeCellule(staff, kLigneTexteAccords, mesure, 0, cellule, nullptr);
      std::string s = cellule;
      s += texte;
      s += " ";
      if (s.size() >= size_t(kTailleTexteCellule)) s.resize(size_t(kTailleTexteCellule) - 1);
      SetTexteKaraokeCellule(staff, mesure, 0, kLigneTexteAccords, s.c_str(), nullptr);
    }
  }
  (*staff)->accordsCalcules = 1;
  SetPort(ancien);
}

void CvtTexteAccordEnHandleAccordTaquet(Portee** staff) {
  if (!staff) return;
  Partition** score = (*staff)->partition;
  CalculeAccordsPortee(score, staff);
  DisposeListeAccords(staff);
  Handle liste = NewHandle(0);
  if (!liste) return;
  (*staff)->listeAccords = liste;
  int16_t octave = 4, inversion = 0;
  int16_t accordeon = int16_t((*staff)->valeurAccordeonDefaut);
  std::string inconnus;
  Tablature** tab = GetTablature(staff);
  const bool accordeonTab = tab && (*tab)->kind == kTablatureAccordeon;
  TaquetKaraoke colonnes[kMaxTaquetsMesure];
  TaquetKaraoke c;
  int16_t mesure = 0, index = 0;
  for (int16_t ok = GetTaquetIndex(colonnes, staff, kLigneTexteAccords, 0, &c, &mesure, &index); ok;
       ok = GetNextTaquet(colonnes, &c, &mesure, &index)) {
    char texte[kTailleTexteCellule];
    GetTexteLastTaquet(texte, 0);
    strpurge(texte);
    for (char* q = texte; *q; q++) {
      if (*q == '=') *q = '-';
      if (*q == '\\') *q = '/';
    }
    UTFToMacRoman(texte);
    ParseCommandAccord(texte, &octave, &inversion, &accordeon);

    AccordTaquet a;
    std::memset(&a, 0, sizeof a);
    a.taquet = c;
    a.mesure = uint16_t(mesure);
    a.indexTaquet = uint16_t(index);
    a.notes[0] = kFinListeNotes;
    if (accordeonTab) {
      uint16_t hauteurs[8] = {kFinListeNotes};
      if (CvtAccordAccordeonEnListeNotes(staff, texte, hauteurs) <= 0) {
        const std::string entree = std::string(texte) + ",";
        if (inconnus.find(entree) == std::string::npos && inconnus.size() + entree.size() < kMaxListeInconnus)
          inconnus += entree;
      }
      for (int k = 0; k < 7; k++) {
        a.notes[k] = hauteurs[k];
        if (hauteurs[k] == kFinListeNotes) break;
      }
      CvtListeNotesEnDefAccord(nullptr, &a.accord);
      strnzcpy(a.accord.nom, texte, sizeof a.accord.nom);
      a.valeurAccordeon = 0;
    } else {
      DefAccord d;
      if (CvtChaineEnAccord(texte, &d)) {
        d.octave = uint16_t(octave);
        d.renversement = inversion;
        a.accord = d;
        a.octave = uint16_t(octave);
        a.renversement = inversion;
        a.valeurAccordeon = uint16_t(accordeon);
        strnzcpy(a.accord.nom, texte, sizeof a.accord.nom);
        uint16_t hauteurs[8];
        CvtDefAccordEnListeNotes(&d, hauteurs);
        for (int k = 0; k < 7; k++) {
          a.notes[k] = hauteurs[k];
          if (hauteurs[k] == kFinListeNotes) break;
        }
      }
    }
    if (PtrAndHand(&a, (*staff)->listeAccords, Size(sizeof a)) != noErr) break;
  }
  if (!inconnus.empty()) {
    char format[kTailleOneString];
    strnzcpy(format, GetStrVracUTF(kChaineAccordsInconnus), sizeof format);
    char message[kTailleOneString + 128];
    if (std::strstr(format, "%s") && !std::strchr(std::strstr(format, "%s") + 2, '%'))
      std::snprintf(message, sizeof message, format, inconnus.c_str());
    else std::snprintf(message, sizeof message, "%s %s", format, inconnus.c_str());
    Avertissement(0, 0, "%s", message);
  }
}

int16_t CvtTempsEnAccord(Portee** staff, int32_t tick, AccordTaquet* out) {
  if (!staff) return 0;
  if (!(*staff)->listeAccords) CvtTexteAccordEnHandleAccordTaquet(staff);
  int32_t n;
  const AccordTaquet* a = ListeAccords(staff, &n);
  for (int32_t i = 0; i < n; i++)
    if (a[i].taquet.temps >= tick) {
      if (out) *out = a[i];
      return 1;
    }
  return 0;
}

int16_t GetAccordTaquetMesure(Portee** staff, int16_t bar, int16_t column, AccordTaquet* out) {
  if (!staff) return 0;
  if (!(*staff)->listeAccords) CvtTexteAccordEnHandleAccordTaquet(staff);
  int32_t n;
  const AccordTaquet* a = ListeAccords(staff, &n);
  for (int32_t i = 0; i < n; i++)
    if (a[i].mesure == uint16_t(bar) && a[i].indexTaquet == uint16_t(column)) {
      if (out) *out = a[i];
      return 1;
    }
  return 0;
}

void DisposeListeAccords(Portee** staff) {
  if (staff) LibereHandle(&(*staff)->listeAccords);
}
