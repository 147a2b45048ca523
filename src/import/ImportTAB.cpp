// Guitar-tablature text: string lines of fret numbers between bar lines
// become a one-staff score with a tablature, its notes, technique marks,
// repeats, a meter chosen by scoring, a neck and instrument from the string
// count or tuning, lyrics and the neck and tempo commands.
#include "import/ImportTAB.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "import/LectureFlux.h"
#include "import/TABInterne.h"
#include "layout/HauteursPortees.h"
#include "layout/Justification.h"
#include "model/Accords.h"
#include "model/Document.h"
#include "model/ParamEffet.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/QRVPOBJ.h"
#include "model/QrvText.h"
#include "model/Ruptures.h"
#include "model/Signe.h"
#include "model/TabEltMesure.h"
#include "model/TonaliteMaths.h"
#include "plugin/Necks.h"
#include "plugin/ServicesInertes.h"
#include "sound/SINSTRUM.h"
#include "stafftypes/DonneesLigneTexte.h"
#include "stafftypes/DonneesTablature.h"
#include "stafftypes/ServicesTypesPortee.h"
#include "system/QrvFiles.h"

ChargeTab loadTab;

const uint8_t kMarquesTechniquesTab[kNbTechniquesTab] = {1, 2, 8, 9, 4, 5, 35, 16, 12, 17, 18, 19};

namespace {

// A tablature text larger than this is no tablature a previewer should read.
constexpr int64_t kMaxFichierTAB = 4 * 1024 * 1024;
constexpr uint16_t kCR = '\r';
constexpr int32_t kIdNeckBasse = 100;
constexpr int kMaxCordesTab = 16;

int32_t NbLignes() { return int32_t(loadTab.debutLignes.size()) - 1; }

// The line's characters, without its CR.
const char* Ligne(int32_t i, int32_t* longueur) {
  const uint32_t debut = loadTab.debutLignes[size_t(i)];
  *longueur = int32_t(loadTab.debutLignes[size_t(i) + 1] - debut) - 1;
  return loadTab.texte.data() + debut;
}

char CarLigne(int32_t i, int32_t colonne) {
  int32_t n;
  const char* l = Ligne(i, &n);
  return colonne >= 0 && colonne < n ? l[colonne] : 0;
}

void LitTexte(const uint8_t* octets, size_t taille) {
  std::string& t = loadTab.texte;
  t.reserve(taille + 2);
  loadTab.debutLignes.push_back(0);
  uint8_t precedent = 0;
  for (size_t i = 0; i <= taille; i++) {
    // A CR is appended to the file's bytes.
    const uint8_t c = i < taille ? octets[i] : uint8_t(kCR);
    if (c == 0) continue;
    if ((c == '\n' && precedent == '\r') || (c == '\r' && precedent == '\n')) {
      precedent = 0;
      continue;
    }
    precedent = c;
    if (c == '\n' || c == '\r') {
      t.push_back(char(kCR));
      loadTab.debutLignes.push_back(uint32_t(t.size()));
    } else {
      t.push_back(char(c));
    }
  }
  t.push_back(0);
}

// Letters compared without case: the bytes differ at most in the bit of 32.
bool MemeLettre(char a, char b) { return ((uint8_t(a) ^ uint8_t(b)) & ~32) == 0; }

bool EstBlanc(char c) { return c == ' ' || c == '\t'; }

// The column of the first '-', '[', ']' or '|' of a line, or -1.
int32_t PremierRepere(int32_t ligne) {
  int32_t n;
  const char* l = Ligne(ligne, &n);
  for (int32_t c = 0; c < n && c < 5; c++)
    if (l[c] == '-' || l[c] == '[' || l[c] == ']' || l[c] == '|') return c;
  return -1;
}

bool ContientBarre(int32_t ligne) {
  if (loadTab.caractereBarre == 0 || loadTab.caractereBarre == kCR) return true;
  int32_t n;
  const char* l = Ligne(ligne, &n);
  return std::memchr(l, char(loadTab.caractereBarre), size_t(n)) != nullptr;
}

int HauteurNomNote(char lettre) {
  static const int kHauteurs[7] = {9, 11, 0, 2, 4, 5, 7};  // A .. G
  return kHauteurs[lettre - 'A'];
}

// The default open strings, top first: a guitar's, then lower fourths.
uint16_t AccordageParDefaut(int corde) {
  static const uint16_t kGuitare[6] = {64, 59, 55, 50, 45, 40};
  return corde < 6 ? kGuitare[corde] : uint16_t(std::max(0, 40 - 5 * (corde - 5)));
}

void CopieAccordageNeck(int32_t id, uint16_t* accordage, int nb) {
  Neck neck;
  const int32_t index = RechercheIndexNeck(id);
  if (index < 0 || !GetNeck(index, &neck)) return;
  for (int i = 0; i < nb && i < neck.nbCordes; i++) accordage[i] = uint16_t(neck.cordes[i].hauteur);
}

// The string names of a block: a name only gives the pitch class; the
// octave is the one nearest to the string's pitch before it.
void LitAccordage(int32_t premiere) {
  const int nb = loadTab.nbCordes;
  for (int i = 0; i < nb; i++) loadTab.accordage[i] = AccordageParDefaut(i);
  if (nb == 5 || loadTab.basse) CopieAccordageNeck(kIdNeckBasse, loadTab.accordage, nb);
  if (!std::isalpha(uint8_t(CarLigne(premiere, 0))) || std::toupper(uint8_t(CarLigne(premiere, 0))) > 'G') return;
  for (int i = 0; i < nb; i++) {
    const char lettre = char(std::toupper(uint8_t(CarLigne(premiere + i, 0))));
    if (lettre < 'A' || lettre > 'G') continue;
    int classe = HauteurNomNote(lettre);
    const char suite = CarLigne(premiere + i, 1);
    if (suite == '#') classe++;
    else if (suite == 'b') classe--;
    classe = (classe + 12) % 12;
    const int avant = loadTab.accordage[i];
    int meilleure = -1;
    for (int h = classe; h < 128; h += 12)
      if (meilleure < 0 || std::abs(h - avant) < std::abs(meilleure - avant)) meilleure = h;
    loadTab.accordage[i] = uint16_t(meilleure);
  }
}

bool EstRepetition(char c) { return c == '*' || c == '.' || c == ':' || c == 'o'; }

// Reads one note at a digit of a bar's row: its fret, the technique before
// it and the letters after it, every character read becoming '-'.
NoteTab LitNote(std::string& rangee, int32_t colonne, int16_t corde) {
  NoteTab n;
  n.colonne = colonne;
  n.corde = corde;
  int32_t k = colonne;
  n.frette = int16_t(rangee[size_t(k)] - '0');
  rangee[size_t(k++)] = '-';
  if (k < int32_t(rangee.size()) && std::isdigit(uint8_t(rangee[size_t(k)]))) {
    n.frette = int16_t(n.frette * 10 + (rangee[size_t(k)] - '0'));
    rangee[size_t(k++)] = '-';
  }
  n.largeur1 = k - colonne;
  if (colonne > 0) {
    char& avant = rangee[size_t(colonne - 1)];
    int flag = -1;
    switch (avant) {
      case 'h': flag = kTabHammer; break;
      case 'o': flag = kTabPullOff; break;
      case 'b': flag = kTabBend; break;
      case 'r': flag = kTabRelache; break;
      case '/': flag = kTabGlisseHaut; break;
      case '\\': flag = kTabGlisseBas; break;
      case 'v':
      case '~': flag = kTabVibrato; break;
      case 't': flag = kTabTap; break;
      case 'x': flag = kTabEtouffee; break;
      case 'S':
        std::fill(std::begin(n.techniques), std::end(n.techniques), uint8_t(0));
        flag = kTabSlap;
        break;
      case 'P': flag = kTabPop; break;
      case '<': flag = kTabHarmonique; break;
      default: break;
    }
    if (flag >= 0) {
      n.techniques[flag] = 1;
      avant = '-';
    }
  }
  const int32_t apres = k;
  for (; k < int32_t(rangee.size()); k++) {
    char& c = rangee[size_t(k)];
    int flag = -1;
    switch (c) {
      case 'h': flag = kTabHammer; break;
      case '/': flag = kTabGlisseHaut; break;
      case '\\': flag = kTabGlisseBas; break;
      case 'v':
      case '~': flag = kTabVibrato; break;
      case '>': flag = kTabHarmonique; break;
      case 'o':
      case 'p':
      case 'r':
      case 't':
      case 'x':
      case '<':
      case 'P':
      case 'S':
      case 'b': break;
      default: flag = -2; break;
    }
    if (flag == -2) break;
    if (flag >= 0) n.techniques[flag] = 1;
    c = '-';
  }
  n.largeur2 = k - apres;
  return n;
}

// A repeat count written as 'x' and digits right after a closing bar line,
// on any string line; its characters are blanked. 0 when none.
int32_t LitNombrePassages(int32_t premiere, int32_t colonne) {
  for (int32_t s = 0; s < loadTab.nbCordes; s++) {
    int32_t n;
    const char* l = Ligne(premiere + s, &n);
    if (colonne + 1 >= n || (l[colonne] != 'x' && l[colonne] != 'X') || !std::isdigit(uint8_t(l[colonne + 1])))
      continue;
    int32_t nombre = 0;
    int32_t k = colonne + 1;
    for (; k < n && std::isdigit(uint8_t(l[k])); k++) nombre = std::min(nombre * 10 + (l[k] - '0'), 999);
    char* m = loadTab.texte.data() + loadTab.debutLignes[size_t(premiere + s)];
    for (int32_t i = colonne; i < k; i++) m[i] = '-';
    return nombre;
  }
  return 0;
}

// The bars of one text system, from its top string line.
void LitSysteme(int32_t premiere, int32_t repere) {
  const int32_t nb = loadTab.nbCordes;
  const char barre = loadTab.caractereBarre == kCR ? 0 : char(loadTab.caractereBarre);
  int32_t longueurHaut;
  const char* haut = Ligne(premiere, &longueurHaut);
  int32_t longueurMax = 0;
  for (int32_t s = 0; s < nb; s++) {
    int32_t n;
    Ligne(premiere + s, &n);
    longueurMax = std::max(longueurMax, n);
  }
  // Bar lines: the top string's, the first at the block's common column.
  std::vector<int32_t> bornes;
  bornes.push_back(barre ? repere : repere - 1);
  if (barre)
    for (int32_t c = repere + 1; c < longueurHaut; c++)
      if (haut[c] == barre) bornes.push_back(c);
  if (!barre || longueurMax > bornes.back() + 1) bornes.push_back(longueurMax);

  const size_t premiereBarre = loadTab.barres.size();
  for (size_t b = 0; b + 1 < bornes.size() && loadTab.barres.size() < size_t(kMaxMesures); b++) {
    const int32_t ouvre = bornes[b], ferme = bornes[b + 1];
    const bool fin = ferme >= longueurMax;
    if (ferme - ouvre - 1 < 1) continue;
    BarreTab bar;
    bar.premiereLigne = premiere;
    bar.premiereColonne = ouvre + 1;
    bar.largeur = ferme - ouvre - 1;
    bool debutRep = false, finRep = false;
    for (int32_t s = 0; s < nb; s++) {
      if (barre && EstRepetition(CarLigne(premiere + s, ouvre + 1)) && CarLigne(premiere + s, ouvre) == barre)
        debutRep = true;
      if (barre && !fin && EstRepetition(CarLigne(premiere + s, ferme - 1))) finRep = true;
    }
    int32_t passages = finRep ? LitNombrePassages(premiere, ferme + 1) : 0;
    for (int32_t s = 0; s < nb; s++) {
      int32_t n;
      const char* l = Ligne(premiere + s, &n);
      std::string rangee(size_t(bar.largeur), '-');
      for (int32_t c = 0; c < bar.largeur; c++) {
        const int32_t col = ouvre + 1 + c;
        if (col < n && uint8_t(l[col]) >= ' ') rangee[size_t(c)] = l[col];
      }
      if (debutRep && EstRepetition(rangee.front())) rangee.front() = '-';
      if (finRep && EstRepetition(rangee.back())) rangee.back() = '-';
      bar.grille.push_back(std::move(rangee));
    }
    const int16_t index = int16_t(loadTab.barres.size());
    for (int32_t c = 0; c < bar.largeur; c++)
      for (int32_t s = 0; s < nb; s++) {
        BreakUtilisateurQuarvel();
        std::string& rangee = bar.grille[size_t(s)];
        if (std::isdigit(uint8_t(rangee[size_t(c)]))) bar.notes.push_back(LitNote(rangee, c, int16_t(s)));
      }
    // What follows the last bar line of the top string is a bar only when it holds notes.
    if (fin && barre && bar.notes.empty()) continue;
    if (debutRep) {
      bar.debutRepetition = TabPredefRupture[3];
      bar.debutRepetition.mesure = index;
    }
    if (finRep) {
      bar.finRepetition = TabPredefRupture[4];
      bar.finRepetition.mesure = index;
      if (passages > 0) SetNbPassageRupture(&bar.finRepetition, uint16_t(passages >= 3 ? passages - 1 : passages));
    }
    loadTab.barres.push_back(std::move(bar));
  }
  if (loadTab.barres.size() > premiereBarre) {
    loadTab.barres.back().finSysteme = true;
    loadTab.systemes.push_back(ChargeTab::Systeme{premiere, int32_t(premiereBarre), int32_t(loadTab.barres.size())});
  }
}

// Finds the blocks of string lines and reads their bars; false when the
// import stops (too many strings declined).
bool LitBlocs() {
  const int32_t nbLignes = NbLignes();
  for (int32_t i = 0; i < nbLignes;) {
    const int32_t repere = PremierRepere(i);
    if (repere < 0 || !ContientBarre(i)) {
      i++;
      continue;
    }
    const char commun = CarLigne(i, repere);
    int32_t nb = 1;
    while (i + nb < nbLignes && CarLigne(i + nb, repere) == commun && ContientBarre(i + nb)) nb++;
    if (nb < 4) {
      i++;
      continue;
    }
    // A record holds 16 strings: a larger block is no tablature we can keep.
    if (nb > kMaxCordesTab || (loadTab.nbCordes != 0 && nb != loadTab.nbCordes)) {
      i += nb;
      continue;
    }
    if (loadTab.nbCordes == 0) {
      if (nb > 15 && !Confirmation("Too many strings found, continue anyway?")) return false;
      loadTab.nbCordes = uint16_t(nb);
      loadTab.caractereBarre = commun == '[' ? ']' : commun == '-' ? kCR : '|';
      LitAccordage(i);
    }
    LitSysteme(i, repere);
    i += nb;
  }
  return true;
}

std::string SansBlancs(const char* s) {
  std::string r;
  for (; *s; s++)
    if (!EstBlanc(*s)) r.push_back(char(std::tolower(uint8_t(*s))));
  return r;
}

bool EstUTF8(const std::string& s) {
  for (size_t i = 0; i < s.size();) {
    const uint8_t c = uint8_t(s[i]);
    const size_t suite = c < 0x80 ? 0 : (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : 4;
    if (suite == 4 || i + suite >= s.size()) return false;
    for (size_t k = 1; k <= suite; k++)
      if ((uint8_t(s[i + k]) & 0xC0) != 0x80) return false;
    i += suite + 1;
  }
  return true;
}

// Latin-1 text that is not UTF-8 is made UTF-8.
std::string EnUTF8(const std::string& s) {
  if (EstUTF8(s)) return s;
  std::string r;
  for (char ch : s) {
    const uint8_t c = uint8_t(ch);
    if (c < 0x80) {
      r.push_back(ch);
    } else {
      r.push_back(char(0xC0 | (c >> 6)));
      r.push_back(char(0x80 | (c & 0x3F)));
    }
  }
  return r;
}

// Lines beginning with '>' below a system's string lines give its bars'
// lyrics, one verse per line; true when a cell was written.
bool LitParoles(Portee** staff) {
  bool paroles = false;
  for (size_t k = 0; k < loadTab.systemes.size(); k++) {
    const ChargeTab::Systeme& sys = loadTab.systemes[k];
    const int32_t fin = k + 1 < loadTab.systemes.size() ? loadTab.systemes[k + 1].premiereLigne : NbLignes();
    int16_t couplet = 0;
    for (int32_t i = sys.premiereLigne + loadTab.nbCordes; i < fin; i++) {
      int32_t n;
      const char* l = Ligne(i, &n);
      if (n < 1 || l[0] != '>') continue;
      for (int32_t b = sys.premiereBarre; b < sys.finBarres; b++) {
        const BarreTab& bar = loadTab.barres[size_t(b)];
        std::string texte;
        for (int32_t c = bar.premiereColonne; c < bar.premiereColonne + bar.largeur && c < n; c++) {
          if (uint8_t(l[c]) < ' ') break;
          texte.push_back(l[c]);
        }
        while (!texte.empty() && EstBlanc(texte.back())) texte.pop_back();
        size_t debut = 0;
        while (debut < texte.size() && EstBlanc(texte[debut])) debut++;
        texte.erase(0, debut);
        if (texte.empty()) continue;
        if (!(*staff)->karaoke) {
          (*staff)->karaoke = 1;
          (*staff)->ligneParolesAffichee = 1;
        }
        if (SetTexteKaraokeCellule(staff, int16_t(b), couplet, kLigneTexteParoles, EnUTF8(texte).c_str(), nullptr) >= 0)
          paroles = true;
      }
      couplet++;
    }
  }
  return paroles;
}

// The neck the "Neck" command names, with the tablature's string count; -1 when none.
int32_t NeckCommande(Neck* out) {
  char valeur[256];
  if (!LocaliseCommandeSpecifiqueOrvanta("Neck", valeur)) return -1;
  const std::string voulu = SansBlancs(valeur);
  if (voulu.empty()) return -1;
  Neck neck;
  for (int32_t i = 0; GetNeck(i, &neck); i++)
    if (neck.nbCordes == loadTab.nbCordes && (SansBlancs(neck.nom) == voulu || SansBlancs(neck.nomFR) == voulu)) {
      *out = neck;
      return neck.id;
    }
  return -1;
}

void CreeInstrument(Partition** score, Portee** staff, const char* nom, int16_t* transposition) {
  const int nb = loadTab.nbCordes;
  int32_t son = 2400;
  *transposition = -12;
  if (nb == 5 || loadTab.basse) son = 3200;
  else if (nb == 4 || nb == 3) {
    son = 10500;
    *transposition = 0;
  }
  const int16_t index = AjouteInstrument(score);
  Instrument* r = GetInstrument(score, index);
  if (!r) return;
  r->organCode = kOrganeMidi;
  r->soundId = uint32_t(son);
  CvtIdStandardEnParamMIDIInstrument(r);
  SetNomInstrument(score, index, nom);
  (*staff)->instrument = index;
}

bool Construit(Document* doc) {
  Partition** score = doc->partitionCourante;
  if (!score || loadTab.barres.empty()) return false;
  DisposeToutesPortees(score);
  Portee** staff = CreePorteeVide(score, kTypePorteeTablature, 1, 1);
  if (!staff) return false;
  Tablature** tab = NewTablature(staff, 0);
  if (!tab) return false;
  SetDefaultStyleTablature(staff);
  (*score)->tempo = 120;

  // The neck: the one the command names, else one of the same tuning.
  const int nb = loadTab.nbCordes;
  Neck neck;
  std::memset(&neck, 0, sizeof neck);
  int32_t id = NeckCommande(&neck);
  char nom[64] = "Custom";
  if (id >= 0) {
    for (int i = 0; i < nb; i++) loadTab.accordage[i] = uint16_t(neck.cordes[i].hauteur);
    std::snprintf(nom, sizeof nom, "%s", neck.nom);
  } else {
    int16_t hauteurs[kMaxCordesTab];
    for (int i = 0; i < nb; i++) hauteurs[i] = int16_t(loadTab.accordage[i]);
    id = RechercheNeckSelonAccordage(int16_t(nb), hauteurs);
    const int32_t index = id == kNeckPersonnalise ? -1 : RechercheIndexNeck(id);
    if (index >= 0 && GetNeck(index, &neck)) {
      for (int i = 0; i < nb && i < neck.nbCordes; i++) loadTab.accordage[i] = uint16_t(neck.cordes[i].hauteur);
      std::snprintf(nom, sizeof nom, "%s", neck.nom);
    } else {
      id = kNeckPersonnalise;
    }
  }
  (*tab)->kind = uint32_t(id);
  (*tab)->nbCordes = uint16_t(nb);
  // Strings take the neck's fret count and first fret when the neck gives
  // them, else a common 24-fret neck.
  for (int i = 0; i < nb && i < kNbCordesTablature; i++) {
    const bool duNeck = id != kNeckPersonnalise && i < neck.nbCordes && neck.cordes[i].nbCases > 0;
    (*tab)->cordes[i] = CordeTablature{{loadTab.accordage[i], uint16_t(duNeck ? neck.cordes[i].nbCases : 24),
                                        uint16_t(duNeck ? std::max<int16_t>(0, neck.cordes[i].premiereCase) : 0)}};
  }
  (*staff)->neck = id;

  // Meter and notes.
  loadTab.temps = uint16_t(ChoisitTempsTab());
  loadTab.unite = 4;
  SetDivisionMesureStdValues(score, int16_t(loadTab.temps), 4);
  const int32_t longueur = int32_t(loadTab.temps) * kTicksNoire;
  for (size_t b = 0; b < loadTab.barres.size(); b++) {
    BarreTab& bar = loadTab.barres[b];
    CalculeTicksNotesBarre(&bar, int16_t(loadTab.temps));
    for (const NoteTab& n : bar.notes) {
      int32_t suivant = longueur;
      for (const NoteTab& m : bar.notes)
        if (m.position > n.position && m.position < suivant) suivant = m.position;
      const int32_t hauteur = int32_t(loadTab.accordage[n.corde]) + n.frette;
      TransfereNoteTabSurPortee(staff, &n, hauteur, int32_t(b) * longueur + n.position, suivant - n.position);
    }
  }
  for (const BarreTab& bar : loadTab.barres)
    for (const Rupture* r : {&bar.debutRepetition, &bar.finRepetition}) {
      if (GetTypeRupture(r) == -1) continue;
      const int16_t i = NewRupture(score);
      if (Rupture* copie = i >= 0 ? GetRupture(score, i) : nullptr) *copie = *r;
    }
  RecalculeMesureMaxRupture(score);
  RecalculeNbMesures(score, false);
  UpdateTabEltMesure(score, kTabEltTemps);
  Handle table = GetTabEltMesureRuban(score);
  TabEltMesure* lignes = GetLignesTabElt(table);
  const int32_t nbLignes = GetNbLignesTabElt(table);
  for (size_t b = 0; b + 1 < loadTab.barres.size() && int32_t(b) < nbLignes; b++)
    if (loadTab.barres[b].finSysteme) {
      lignes[b].sautSysteme = 1;
      lignes[b].continueLigneSuivante = 0;
    }

  int16_t transposition = 0;
  CreeInstrument(score, staff, nom, &transposition);

  // Chord names, from the neck's diagrams while most chords find one.
  (*staff)->ligneAccordsAffichee = 1;
  (*staff)->nomsAccordsAuto = 1;
  (*staff)->analyseAccords = 1;
  (*staff)->accordsParDiagrammes = id != kNeckPersonnalise ? 1 : 0;
  (*staff)->accordsCalcules = 0;
  CalculeAccordsPortee(score, staff);
  const int32_t avec = (*staff)->nbAccordsDiagramme, sans = (*staff)->nbAccordsSansDiagramme;
  if ((*staff)->accordsParDiagrammes && avec + sans > 0 && float(avec) / float(avec + sans) < 0.5f) {
    (*staff)->accordsParDiagrammes = 0;
    (*staff)->accordsCalcules = 0;
    CalculeAccordsPortee(score, staff);
  }
  RemetRupturesEnForme(score);

  const bool paroles = LitParoles(staff);
  SetLigneAccordPortee(staff, 8);
  SetLigneBaseTablature(staff, int16_t((nb == 6 ? 108 : 148) - (*tab)->decalageHaut));
  SetHauteurPortee(staff, paroles ? 308 : 128);

  char valeur[256];
  int16_t tempo = 0;
  if (LocaliseCommandeSpecifiqueOrvanta("Tempo", valeur) && std::sscanf(valeur, "%hd", &tempo) == 1 && tempo >= 11 &&
      tempo <= 249)
    (*score)->tempo = tempo;

  AppliqueInstrumentTranspositeur(score, staff, transposition, 0);
  SetTabEltMesureModifie(score, kTabEltTout);
  FormattageAutomatiqueTailleMesure(score, 500, 3000);
  doc->importe = 1;
  CreeInstrumentsMetronome(score);
  return true;
}

bool NomFichierBasse(const char* nom) {
  const size_t n = std::strlen(nom);
  if (n < 4) return false;
  for (size_t i = 0; i < 4; i++)
    if (std::tolower(uint8_t(nom[n - 4 + i])) != "btab"[i]) return false;
  return true;
}

}  // namespace

uint8_t LocaliseCommandeSpecifiqueOrvanta(const char* name, char* value) {
  const size_t longueurNom = std::strlen(name);
  for (int32_t i = 0; i < NbLignes(); i++) {
    BreakUtilisateurQuarvel();
    int32_t n;
    const char* l = Ligne(i, &n);
    if (n < 1 || l[0] != '#' || int32_t(longueurNom) + 1 > n) continue;
    bool egal = true;
    for (size_t k = 0; k < longueurNom && egal; k++) egal = MemeLettre(l[1 + k], name[k]);
    if (!egal) continue;
    const char* deuxPoints =
        static_cast<const char*>(std::memchr(l + 1 + longueurNom, ':', size_t(n) - 1 - longueurNom));
    if (!deuxPoints) continue;
    const char* debut = deuxPoints + 1;
    const char* fin = l + n;
    if (fin - debut > 250) fin = debut + 250;
    while (debut < fin && EstBlanc(*debut)) debut++;
    while (fin > debut && EstBlanc(fin[-1])) fin--;
    std::memcpy(value, debut, size_t(fin - debut));
    value[fin - debut] = 0;
    return 1;
  }
  return 0;
}

int32_t TransfereNoteTabSurPortee(Portee** staff, const NoteTab* entry, int32_t pitch, int32_t tick, int32_t duration) {
  // A fret past the top of the pitch range is no playable note.
  if (!staff || !entry || pitch < 1 || pitch > 127 || duration < 1) return -1;
  Signe s;
  RazNote(&s, int8_t(pitch), duration);
  s.tablatureCorde = uint8_t(entry->corde);
  s.tablatureCase = uint8_t(entry->frette);
  const int32_t index = AjouteNote(staff, &s, tick, 1);
  if (index < 0) return index;
  for (int k = 0; k < kNbTechniquesTab; k++)
    if (entry->techniques[k]) AddMarkNote(staff, index, kMarquesTechniquesTab[k], 0, 0, 0);
  return index;
}

int16_t ChargeMusiqueTABOctets(Document* doc, const uint8_t* octets, size_t taille) {
  loadTab = ChargeTab();
  if (!doc || (taille > 0 && !octets)) return 0;
  int16_t resultat = 0;
  try {
    loadTab.basse = NomFichierBasse(doc->nomFichier) ? 1 : 0;
    LitTexte(octets, taille);
    if (LitBlocs() && Construit(doc)) resultat = 1;
  } catch (const std::bad_alloc&) {
    resultat = 0;
  }
  loadTab = ChargeTab();
  return resultat;
}

int16_t ChargeMusiqueTAB(Document* doc) {
  std::vector<uint8_t> octets;
  if (!LitResteFlux(kMaxFichierTAB, &octets)) return 0;
  return ChargeMusiqueTABOctets(doc, octets.data(), octets.size());
}
