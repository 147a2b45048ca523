#include "stafftypes/CellulesKaraoke.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "layout/ServicesMiseEnPage.h"
#include "layout/Zoom.h"
#include "model/CvtTemps.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/QRVPOBJ.h"
#include "model/QrvText.h"
#include "model/Ruptures.h"
#include "model/TabEltMesure.h"
#include "model/TempsJoue.h"
#include "model/Tonalite.h"
#include "notation/ServicesNotation.h"
#include "platform/Memory.h"
#include "sound/DonneesInstrument.h"
#include "sound/SINSTRUM.h"
#include "sound/ServicesSon.h"
#include "stafftypes/PorteeKaraoke.h"
#include "system/PortLayer.h"
#include "system/Reporters.h"
#include "text/TextBox.h"
#include "text/TextData.h"

namespace {

// Work at 72 dpi in the scratch port; both are put back on leaving.
struct Travail72 {
  int16_t dpi = GetDpiDest();
  CGrafPtr port = SetPortTemporaire();
  Travail72() { SetDpiDest(72); }
  ~Travail72() {
    SetDpiDest(dpi);
    SetPort(port);
  }
};

bool IsSeparateur(char c) { return c == ' ' || c == '-' || c == '_'; }

LigneTexte* Ligne(Portee** staff, int16_t line) {
  if (!staff || !*staff || (line != kLigneTexteParoles && line != kLigneTexteAccords)) return nullptr;
  return &(*staff)->lignesTexte[line - 1];
}

// A style with its size 0 read as 12.
TextStyle Taille12(TextStyle s) {
  if (s.size <= 0) s.size = 12;
  return s;
}

}  // namespace

void GetRunsTexteKaraoke(const char* styled, const TextStyle& defaut, std::vector<RunKaraoke>& runs) {
  runs.clear();
  if (styled && IsStyledString(styled)) {
    // Read at 72 dpi: the styles come back in points, and the drawing scales
    // them to its own resolution once.
    const int16_t dpi = GetDpiDest();
    SetDpiDest(72);
    const size_t n = std::strlen(styled);
    std::vector<char> copie(styled, styled + n + 1);
    ExtendedStylHandle sh = CvtTextDataToStyleHandle(copie.data());
    if (sh) {
      const ExtendedRun* r = ExtendedRuns(sh);
      const ExtendedStyle* s = ExtendedStyles(sh);
      for (int32_t k = 0; k < (*sh)->nRuns; k++) {
        if (r[k].style >= (*sh)->nStyles) continue;
        TextStyle t{};
        ExtendedTEStyleToTextStyle(&s[r[k].style], &t);
        runs.push_back({r[k].start, t});
      }
      ExtendedDisposeStylHandle(sh);
    }
    SetDpiDest(dpi);
  }
  if (runs.empty() || runs[0].debut > 0) runs.insert(runs.begin(), RunKaraoke{0, defaut});
}

namespace {

// The bars of the line's cells in played order (bars only for line 2).
std::vector<int16_t> OrdreJoue(Partition** score, int16_t line) {
  std::vector<int16_t> ordre;
  const int16_t nb = (*score)->nbMesures;
  if (line == kLigneTexteParoles && (*score)->tabCvtMesure) {
    const int32_t n = GetNbMesuresJouees(score);
    ordre.reserve(size_t(n));
    for (int32_t i = 0; i < n; i++) {
      const int32_t b = CalculeIndexMesureSelonRupture(score, i);
      ordre.push_back(int16_t(b >= 0 && b < nb ? b : -1));
    }
  } else {
    for (int16_t b = 0; b < nb; b++) ordre.push_back(b);
  }
  return ordre;
}

// The font metrics of a style in the scratch port, sizes scaled.
void Mesure(const TextStyle& style, float echelle, int32_t* hauteur, int32_t* ascent) {
  const TextStyle s = Taille12(style);
  TextLook(s.font, float(s.size) * echelle, int16_t(s.face & 127));
  FontInfo fi{};
  GetFontMetrics(&fi);
  *hauteur = fi.ascent + fi.descent + fi.leading;
  *ascent = fi.ascent;
}

float EchelleTexte(Portee** staff) {
  return (*staff)->texteEchelle ? float((*staff)->aspect.tailleUnite) / 72.0f : 1.0f;
}

void CreeVoixParDefaut(Portee** staff) {
  if ((*staff)->voixParam) return;
  Handle h = NewHandleClear(sizeof(VoixParam));
  if (!h) return;
  SetDefautVoixParam(reinterpret_cast<VoixParam*>(*h));
  (*staff)->voixParam = h;
}

}  // namespace

// ------------------------------------------------------------ row height

int16_t CalculeHauteurCelluleLigneTexte(Portee** staff, int16_t line) {
  LigneTexte* ligne = Ligne(staff, line);
  if (!ligne) return 0;
  Travail72 travail;
  const float echelle = EchelleTexte(staff);
  const int32_t extra = (*staff)->espacementRangees;
  int32_t meilleure = 0, base = 0;
  std::vector<TextStyle> vus;
  auto essaie = [&](const TextStyle& style) {
    const TextStyle s = Taille12(style);
    for (const TextStyle& v : vus)
      if (v.font == s.font && v.size == s.size && (v.face & 127) == (s.face & 127)) return;
    vus.push_back(s);
    int32_t h, a;
    Mesure(s, echelle, &h, &a);
    h = std::max(h + extra, a / 2 + 1);
    if (h > meilleure) {
      meilleure = h;
      base = h - a;
    }
  };
  essaie(ligne->styleCellule);
  Partition** score = (*staff)->partition;
  int32_t n = 0;
  GetTextesPortee(staff, &n);
  std::vector<RunKaraoke> runs;
  for (int32_t i = 0; i < n && score; i++) {
    const Texte t = GetTextesPortee(staff, &n)[i];
    if (t.ligne != uint32_t(line)) continue;
    if (CvtPassageKaraokeEnLigneAffichage(staff, CvtTempsEnMesure(score, t.debut + 2), t.passage) < 0) continue;
    essaie(t.style);
    const char* chaine = t.texte ? *t.texte : nullptr;
    if (chaine && IsStyledString(chaine)) {
      GetRunsTexteKaraoke(chaine, t.style, runs);
      for (const RunKaraoke& r : runs) essaie(r.style);
    }
  }
  ligne = Ligne(staff, line);
  ligne->hauteurLigne = uint16_t(std::clamp(meilleure, 1, 32767));
  ligne->baseVersBas = uint16_t(std::clamp(base, 0, 32767));
  return int16_t(ligne->hauteurLigne);
}

// ------------------------------------------------------------ cell styles

void SetStyleCellulesKaraoke(Portee** staff, int16_t line, uint8_t keepStyles) {
  if (!Ligne(staff, line)) return;
  const TextStyle style = Ligne(staff, line)->styleCellule;
  int32_t n = 0;
  Texte* textes = GetTextesPortee(staff, &n);
  // The styles first, so that the row is measured in the styles the cells keep.
  for (int32_t i = 0; i < n; i++) {
    Texte& t = textes[i];
    if (t.ligne != uint32_t(line)) continue;
    if (!keepStyles) t.style = style;
    t.style.face |= kFaceTexteTransparent;
  }
  const int32_t h = CalculeHauteurCelluleLigneTexte(staff, line);
  textes = GetTextesPortee(staff, &n);
  for (int32_t i = 0; i < n; i++) {
    Texte& t = textes[i];
    // A hidden verse keeps its negative row.
    if (t.ligne != uint32_t(line) || t.haut < 0) continue;
    // Rows stored as pixel bands (documents keep them so) are turned back
    // into row numbers first.
    const int32_t bande = t.bas - t.haut;
    const int32_t rangee = bande > 1 ? (t.haut - 2) / bande : t.haut;
    t.haut = int32_t(int64_t(h) * rangee + 2);
    t.bas = t.haut + h;
  }
  CalculePassageTextesPortee(staff);
  CheckHauteurPortee(staff);
}

// ------------------------------------------------------------ whole text

ExtendedTE CreeTexteKaraoke(Portee** staff, int16_t line, int8_t slashes, int8_t caret, Handle records,
                            uint16_t passFilter, int32_t first, int32_t last) {
  const LigneTexte* enreg = GetLigneTextePortee(staff, uint32_t(line));
  if (!enreg || !(*staff)->partition) return nullptr;
  const LigneTexte ligne = *enreg;
  Partition** score = (*staff)->partition;
  Travail72 travail;
  PrepareTextesPortee(staff);
  PurgeTextesVides(staff);

  const std::vector<int16_t> ordre = OrdreJoue(score, line);
  const int32_t n = int32_t(ordre.size());
  int32_t debut = 0, fin = n;
  if (last > first) {
    debut = std::clamp(first, 0, n);
    fin = std::clamp(last, debut, n);
  }
  const int16_t nbMesures = (*score)->nbMesures;
  std::vector<uint16_t> compteur(size_t(std::max<int16_t>(nbMesures, 0)), 0);
  std::vector<TextStyle> courant(compteur.size(), Taille12(ligne.styleCellule));
  const bool repetitions = line == kLigneTexteParoles && (*score)->tabCvtMesure;
  bool duplique = true;

  std::string texte;
  std::vector<RunKaraoke> sortie;  // runs of the whole text
  auto ajouteStyle = [&](const TextStyle& s) {
    const TextStyle t = Taille12(s);
    if (!sortie.empty() && sortie.back().debut == int32_t(texte.size())) {
      sortie.back().style = t;
      return;
    }
    if (!sortie.empty()) {
      const TextStyle& p = sortie.back().style;
      if (p.font == t.font && p.face == t.face && p.size == t.size &&
          std::memcmp(&p.color, &t.color, sizeof p.color) == 0)
        return;
    }
    sortie.push_back({int32_t(texte.size()), t});
  };
  std::vector<RunKaraoke> runs;
  uint32_t tempsJoue = 0;
  for (int32_t i = 0; i < n; i++) {
    const int16_t b = ordre[size_t(i)];
    if (b < 0) continue;
    const uint32_t duree = uint32_t(std::max(CvtMesureEnDureeMesure(score, b), 0));
    const uint32_t depart = tempsJoue;
    tempsJoue += duree;
    const int16_t v = int16_t(compteur[size_t(b)]++);
    if (i < debut || i >= fin) continue;
    if (passFilter > 0 && v != int16_t(passFilter - 1)) continue;
    int32_t index = CvtCelluleKaraokeEnIndexTexte(staff, uint32_t(line), b, v);
    const char* chaine = "";
    if (index >= 0) {
      const Texte& t = GetTextesPortee(staff, nullptr)[index];
      chaine = t.texte ? *t.texte : "";
      courant[size_t(b)] = Taille12(t.style);
      if (records) {
        const char* brut = GetTexteBrutTexteStyle(chaine);
        if (std::strncmp(brut, "[!dup]", 6) == 0) duplique = true;
        else if (std::strncmp(brut, "[!nodup]", 8) == 0) duplique = false;
      }
    }
    if (records) {
      const ColonneTexteIndex c{
          uint16_t(index >= 0 ? index : 65535), uint16_t(i), uint16_t(b), uint32_t(texte.size()), depart,
          depart + (duree ? duree - 1 : 0)};
      PtrAndHand(&c, records, Size(sizeof c));
    }
    // An empty pass of a repeated bar takes the words of its last pass that has some.
    if (!slashes && repetitions && duplique && index < 0) {
      for (int16_t w = int16_t(v - 1); w >= 0 && index < 0; w--) {
        index = CvtCelluleKaraokeEnIndexTexte(staff, uint32_t(line), b, w);
        if (index >= 0)
          chaine = GetTextesPortee(staff, nullptr)[index].texte ? *GetTextesPortee(staff, nullptr)[index].texte : "";
      }
    }
    const char* brut = GetTexteBrutTexteStyle(chaine);
    const int32_t longueur = int32_t(std::strlen(brut));
    if (longueur > 1000000) {
      Avertissement(0, 0, "Bad data in lyrics, staff '%s'", (*staff)->aspect.nom);
      continue;
    }
    GetRunsTexteKaraoke(chaine, courant[size_t(b)], runs);
    size_t k = 0;
    ajouteStyle(runs[0].style);
    bool marqueur = false, rythme = false;
    for (int32_t p = 0; p < longueur; p++) {
      while (k + 1 < runs.size() && runs[k + 1].debut <= p) ajouteStyle(runs[++k].style);
      const char c = brut[p];
      if (slashes) {
        texte.push_back(c);
        continue;
      }
      if (marqueur) {
        marqueur = c != ']';
        continue;
      }
      if (rythme) {
        rythme = c != ')';
        continue;
      }
      if (c == '[') {
        marqueur = true;
      } else if (c == '$' && brut[p + 1] == '(') {
        rythme = true;
        p++;
      } else if (c == '^' || c == '_') {
        texte.push_back(' ');
      } else if (c == '=') {
        texte.push_back(caret ? '^' : '-');
      } else if (c == '-') {
        if (caret) texte.push_back('-');
      } else {
        texte.push_back(c);
      }
    }
    if (slashes) texte.push_back('/');
  }

  Rect r{0, 0, 32000, 32000};
  ExtendedTE te = ExtendedTEStylNew(&r, &r);
  if (!te) return nullptr;
  ExtendedSetUnicodeMode(te, ligne.utf8);
  ExtendedTEFastAddData(texte.data(), int32_t(texte.size()), te);
  if (sortie.empty()) sortie.push_back({0, Taille12(ligne.styleCellule)});
  ExtendedStylHandle sh = (*te)->styleHandle;
  if (sh) {
    ExtendedInitStylHandle(sh, &sortie[0].style, int32_t(texte.size()), te);
    for (size_t k = 1; k < sortie.size(); k++) {
      const int32_t a = sortie[k].debut;
      const int32_t e = k + 1 < sortie.size() ? sortie[k + 1].debut : int32_t(texte.size());
      if (e > a) ExtendedTESetStyleRange(doAll, &sortie[k].style, a, e, sh, te, nullptr);
    }
  }
  ExtendedTECalText(te);
  ExtendedTESetStartEnd(te, 0, 0);
  return te;
}

// ------------------------------------------------------------ injection

int16_t InjecteTexteCompletDansPorteeKaraoke(Portee** staff, int16_t line, const char* text, int32_t length,
                                             const TextStyle* style, uint8_t extend) {
  (void)extend;  // no bar is ever added here: a text longer than the score stops at its end
  if (!Ligne(staff, line) || !(*staff)->partition) return 0;
  Partition** score = (*staff)->partition;
  if (!RemetRupturesEnForme(score)) return 0;
  if (line == kLigneTexteParoles) {
    (*staff)->ligneParolesAffichee = 1;
    (*staff)->karaoke = 1;
    if (IsPorteeLyrastel(staff) && !(*staff)->voixParam) {
      (*staff)->chante = 1;
      CreeVoixParDefaut(staff);
    }
  }
  CalculeHauteurCelluleLigneTexte(staff, line);

  // The text and its runs.
  const std::string entier = text && length > 0 ? std::string(text, strnlen(text, size_t(length))) : std::string();
  const bool stylee = IsStyledString(entier.c_str());
  const char* brut = GetTexteBrutTexteStyle(entier.c_str());
  const int32_t n = int32_t(std::strlen(brut));
  TextStyle defaut = Ligne(staff, line)->styleCellule;
  if (style) {
    defaut = *style;
  } else if (!stylee) {
    int32_t nb = 0;
    const Texte* t = GetTextesPortee(staff, &nb);
    for (int32_t i = 0; i < nb; i++)
      if (t[i].ligne == uint32_t(line)) {
        defaut = t[i].style;
        break;
      }
  }
  std::vector<char> copie(entier.begin(), entier.end());
  copie.push_back(0);
  ExtendedStylHandle sh = stylee ? CvtTextDataToStyleHandle(copie.data()) : nullptr;

  DisposeTextesKaraoke(staff, uint32_t(line));
  const int16_t nbMesures = (*score)->nbMesures;
  std::vector<int16_t> passages(size_t(std::max<int16_t>(nbMesures, 0)), 0);
  int32_t debut = 0;
  for (int32_t k = 0; debut <= n; k++) {
    int32_t fin = debut;
    while (fin < n && brut[fin] != '/') fin++;
    if (fin >= n && debut >= n) break;
    const int32_t bar = line == kLigneTexteAccords ? k : CalculeIndexMesureSelonRupture(score, k);
    if (bar < 0 || bar >= nbMesures) break;
    // A cell holds 511 bytes: the rest of a longer chunk is dropped, never
    // inside a character.
    int32_t bout = std::min(fin, debut + kTailleTexteCellule - 1);
    while (bout > debut && bout < fin && (uint8_t(brut[bout]) & 0xC0) == 0x80) bout--;
    std::string cellule;
    if (sh) {
      Handle part = CvtStyleHandleToTextDataRange(sh, debut, bout, &defaut, nullptr);
      if (part) {
        cellule.assign(*part, size_t(GetHandleSize(part)));
        DisposeHandle(part);
      }
    }
    cellule.append(brut + debut, size_t(bout - debut));
    const int16_t v = passages[size_t(bar)]++;
    SetTexteKaraokeCellule(staff, int16_t(bar), v, uint32_t(line), cellule.c_str(), &defaut);
    debut = fin + 1;
  }
  if (sh) ExtendedDisposeStylHandle(sh);

  ConsolideTextePortee(staff, line);
  PurgeTextesVides(staff);
  CalculePassageTextesPortee(staff);
  if (Ligne(staff, line)->echelleIdeale || IsModeZorodava(score, staff))
    CalculeEchelleIdealePorteeKaraoke(0, staff, line);
  if (line == kLigneTexteParoles) LyrastelPorteeACalculer(staff);
  return 1;
}

// ------------------------------------------------------------ the buffer

int32_t GetNextCarBufferKaraoke(const char* text, char* out, int8_t utf8) {
  if (out) out[0] = 0;
  if (!text || !text[0]) return 0;
  int32_t n = 1;
  const uint8_t c = uint8_t(text[0]);
  if (utf8 && c >= 0xC0) {
    const int32_t voulu = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
    while (n < voulu && (uint8_t(text[n]) & 0xC0) == 0x80) n++;
  }
  if (out) {
    std::memcpy(out, text, size_t(n));
    out[n] = 0;
  }
  return n;
}

int16_t ActiveBufferTexte(BufferTexteKaraoke* buffer, uint8_t place) {
  if (!buffer || !buffer->portee || !(*buffer->portee)->partition) return 0;
  Portee** staff = buffer->portee;
  Partition** score = (*staff)->partition;
  const int16_t bar = int16_t(buffer->mesure);
  const int16_t verse = int16_t(buffer->passage);
  if (place) {
    // Screen geometry only: this system has no editor to place on a page.
    Document* document = (*score)->document;
    const int16_t rangee =
        buffer->ligne == kLigneTexteParoles ? CvtPassageKaraokeEnLigneAffichage(staff, bar, verse) : verse;
    Rect& r = buffer->rectCellule;
    r.left = int16_t(CvtTempsEnPosEcr(document, CvtMesureEnTemps(score, bar)));
    r.right = int16_t(CvtMesureEnPosEcrDebutMesure(document, bar + 1));
    r.top = int16_t((*staff)->yHaut + buffer->enreg.decalageHaut + Zoom(buffer->enreg.hauteurLigne * rangee + 2));
    r.bottom = int16_t(r.top + Zoom(buffer->enreg.hauteurLigne));
    buffer->largeurMesure = CvtMesureEnTaillePixelEcran(score, bar);
    buffer->rectMarge = r;
    buffer->rectMarge.left = int16_t(r.left - CalculeMargeDebutMesureEcran(score, bar));
  }
  buffer->nbTaquets = CalculeTableauTaquetKaraokeMesure(buffer->taquets, staff, buffer->enreg.modeTaquets,
                                                        buffer->enreg.parametreTaquets, bar, place, 1, 1);
  // An empty cell takes the style the same verse ended the bar before in.
  TextStyle style = buffer->enreg.styleCellule;
  if (bar > 0) GetTexteKaraokeCellule(staff, uint32_t(buffer->ligne), int16_t(bar - 1), verse, buffer->texte, &style);
  GetTexteKaraokeCellule(staff, uint32_t(buffer->ligne), bar, verse, buffer->texte, &style);
  buffer->style = style;
  buffer->indexJoue = int16_t(CvtPosMesurePassageEnMesureJouee(score, bar, verse));
  return buffer->nbTaquets > 0 ? 1 : 0;
}

void ValideBuffer(BufferTexteKaraoke* buffer) {
  if (!buffer || !buffer->portee) return;
  char* t = buffer->texte;
  const int32_t n = int32_t(strnlen(t, sizeof buffer->texte - 1));
  // Syllables beyond the last column join it; a final separator stays.
  int32_t vus = 0;
  for (int32_t p = 0; p < n; p++) {
    if (!IsSeparateur(t[p])) continue;
    if (vus++ < buffer->nbTaquets - 1 || p + 1 >= n) continue;
    if (t[p] == '-') t[p] = '=';
    else if (t[p] == ' ') t[p] = '^';
  }
  // The cell keeps its runs: the changes keep every byte in place and text
  // added at the end takes the last run's style.
  const char* ancien = GetTexteStyleKaraokeCellule(buffer->portee, uint32_t(buffer->ligne), int16_t(buffer->mesure),
                                                   int16_t(buffer->passage), nullptr);
  std::string cellule(ancien, size_t(GetStringStyleSize(ancien)));
  cellule.append(t, size_t(n));
  SetTexteKaraokeCellule(buffer->portee, int16_t(buffer->mesure), int16_t(buffer->passage), uint32_t(buffer->ligne),
                         cellule.c_str(), &buffer->style);
}

int16_t ChangeMesureEditeKaraoke(BufferTexteKaraoke* buffer, uint8_t place) {
  if (!buffer || !buffer->portee || !(*buffer->portee)->partition) return 0;
  Portee** staff = buffer->portee;
  Partition** score = (*staff)->partition;
  const int16_t nbMesures = (*score)->nbMesures;
  if (buffer->ligne != kLigneTexteParoles || !(*score)->tabCvtMesure) {
    if (buffer->mesure + 1 >= nbMesures) return 0;
    buffer->mesure++;
    buffer->passage = 0;
  } else {
    const int32_t n = GetNbMesuresJouees(score);
    int32_t p = CvtPosMesurePassageEnMesureJouee(score, buffer->mesure, buffer->passage);
    if (p < 0) p = 0;
    for (;;) {
      p++;
      if (p >= n) return 0;
      const int32_t b = CalculeIndexMesureSelonRupture(score, p);
      if (b < 0 || b >= nbMesures) continue;
      int32_t v = 0;
      for (int32_t q = 0; q < p; q++) v += CalculeIndexMesureSelonRupture(score, q) == b ? 1 : 0;
      if (!IsCelluleKaraokeVisible(staff, int16_t(b), int16_t(v))) continue;
      buffer->mesure = uint16_t(b);
      buffer->passage = uint16_t(v);
      break;
    }
  }
  ActiveBufferTexte(buffer, place);
  return 1;
}

void ConsolideTextePortee(Portee** staff, int16_t line) {
  const LigneTexte* ligne = Ligne(staff, line);
  if (!ligne || !(*staff)->partition || (*(*staff)->partition)->nbMesures <= 0) return;
  std::vector<uint8_t> bloc(sizeof(BufferTexteKaraoke), 0);
  BufferTexteKaraoke* buffer = reinterpret_cast<BufferTexteKaraoke*>(bloc.data());
  buffer->document = (*(*staff)->partition)->document;
  buffer->ligne = line;
  buffer->actif = 1;
  buffer->enreg = *ligne;
  buffer->portee = staff;
  buffer->nbTaquets = 4;
  buffer->celluleAccords = line == kLigneTexteAccords && (*staff)->nomsAccordsAuto ? 1 : 0;
  Travail72 travail;
  bool suite = true;
  const bool premiereVisible =
      line != kLigneTexteParoles || !(*(*staff)->partition)->tabCvtMesure || IsCelluleKaraokeVisible(staff, 0, 0);
  if (premiereVisible) ActiveBufferTexte(buffer, 0);
  else suite = ChangeMesureEditeKaraoke(buffer, 0) != 0;
  while (suite) {
    char* t = buffer->texte;
    int32_t n = int32_t(strnlen(t, sizeof buffer->texte - 1));
    // A bar without a column keeps its cell as it is: fitting it to none
    // would join every syllable of it.
    if (n > 0 && buffer->nbTaquets > 0) {
      bool change = false;
      if (!IsSeparateur(t[n - 1]) && n < int32_t(sizeof buffer->texte) - 1) {
        t[n++] = ' ';
        t[n] = 0;
        change = true;
      }
      int32_t s = 0;
      for (int32_t p = 0; p < n;) {
        if (IsSeparateur(t[p])) s++;
        p += std::max<int32_t>(1, GetNextCarBufferKaraoke(t + p, nullptr, int8_t(buffer->enreg.utf8)));
      }
      const int32_t c = buffer->nbTaquets;
      if (s > c) {
        int32_t reste = s - c;
        for (int32_t p = n - 2; p >= 0 && reste > 0; p--) {
          if (t[p] == '_' || t[p] == ' ') t[p] = '^', reste--;
          else if (t[p] == '-') t[p] = '=', reste--;
        }
        change = true;
      } else if (s < c) {
        const char ajout = t[n - 1] == '-' ? '-' : ' ';
        for (int32_t k = s; k < c && n < int32_t(sizeof buffer->texte) - 1; k++) t[n++] = ajout;
        t[n] = 0;
        change = true;
      }
      if (change) ValideBuffer(buffer);
    }
    suite = ChangeMesureEditeKaraoke(buffer, 0) != 0;
  }
  CalculePassageTextesPortee(staff);
}

// ------------------------------------------------------------ switching and re-layout

void InverseEtatPorteeKaraoke(Portee** staff, uint8_t redraw) {
  (void)redraw;  // nothing is shown on a screen here
  if (!staff || !(*staff)->partition) return;
  Partition** score = (*staff)->partition;
  const uint8_t allume = (*staff)->ligneParolesAffichee ? 0 : 1;
  (*staff)->ligneParolesAffichee = allume;
  (*staff)->karaoke = allume;
  if (!allume) {
    int32_t n = 0;
    Texte* t = GetTextesPortee(staff, &n);
    for (int32_t i = 0; i < n; i++)
      if (t[i].ligne == kLigneTexteParoles) t[i].ligne = kLigneTexteLibre;
    (*staff)->chante = IsPorteeLyrastel(staff) ? 1 : 0;
    (*staff)->langueVoix = 0;
    return;
  }
  (*staff)->lignesTexte[0].echelleIdeale = 1;
  // The plain texts lying on a cell's place become that cell.
  const int32_t h = (*staff)->lignesTexte[0].hauteurLigne;
  const std::vector<int16_t> ordre = OrdreJoue(score, kLigneTexteParoles);
  std::vector<int16_t> compteur(size_t(std::max<int16_t>((*score)->nbMesures, 0)), 0);
  for (int16_t b : ordre) {
    if (b < 0) continue;
    const int16_t v = compteur[size_t(b)]++;
    const int32_t rangee = CvtPassageKaraokeEnLigneAffichage(staff, b, v);
    const int32_t y = rangee * h + 4;
    const int32_t temps = CvtMesureEnTemps(score, b) + 16;
    int32_t n = 0;
    Texte* t = GetTextesPortee(staff, &n);
    for (int32_t i = 0; i < n; i++) {
      if (t[i].ligne != kLigneTexteLibre || t[i].debut > temps || t[i].fin < temps) continue;
      if (h > 0 ? (t[i].haut > y || t[i].bas <= y) : t[i].haut != rangee) continue;
      t[i].ligne = kLigneTexteParoles;
      break;
    }
  }
  CalculePassageTextesPortee(staff);
  SetStyleCellulesKaraoke(staff, kLigneTexteParoles, 0);
  MetsEnFormePorteeKaraoke(staff, kLigneTexteParoles);
  (*staff)->chante = 1;
  if (!(*staff)->voixParam) {
    CreeVoixParDefaut(staff);
    const Instrument* instrument =
        (*staff)->instrument >= 0 ? GetInstrument(score, int16_t((*staff)->instrument)) : nullptr;
    if (instrument && (*staff)->voixParam && instrument->transposition != 0) {
      VoixParam* v = reinterpret_cast<VoixParam*>(*(*staff)->voixParam);
      const int16_t t = instrument->transposition;
      v->decalageOctave = int16_t(t / 12);
      v->decalageDemiTon = int16_t(t - 12 * (t / 12));
    }
    (*staff)->chante = IsLyrastel() ? 1 : 0;
    LyrastelPorteeACalculer(staff);
  }
  SetDefaultLignesBaseKaraoke(staff);
  CheckHauteurPortee(staff);
  SetTabEltMesureModifie(score, kTabEltEspacement | kTabEltMarges);
}

int16_t MetsEnFormePorteeKaraoke(Portee** staff, int16_t line) {
  if (!staff || !(*staff)->partition) return 0;
  Partition** score = (*staff)->partition;
  if (GetLigneTextePortee(staff, uint32_t(line))) {
    if (line == kLigneTexteParoles) {
      Travail72 travail;
      ExtendedTE te = CreeTexteKaraoke(staff, line, 1, 1, nullptr, 0, 0, 0);
      CalculeHauteurCelluleLigneTexte(staff, line);
      if (te) {
        char* texte = CvtExtendedTEHandleToTextData(te, 0, nullptr);
        ExtendedTEDispose(te);
        if (texte) {
          InjecteTexteCompletDansPorteeKaraoke(staff, line, texte, int32_t(std::strlen(texte)),
                                               &(*staff)->lignesTexte[0].styleCellule, 0);
          DisposeTextData(texte);
        }
      }
    } else {
      CalculeHauteurCelluleLigneTexte(staff, line);
    }
    RemetsPorteesEnFormeQuandRuptureChange(score);
    // The lyrics line got its ideal scale with its text.
    if (line != kLigneTexteParoles && (Ligne(staff, line)->echelleIdeale || IsModeZorodava(score, staff)))
      CalculeEchelleIdealePorteeKaraoke(0, staff, line);
  }
  return CheckHauteurPortee(staff);
}

// ------------------------------------------------------------ verse rows

void DoActionCellulesParoles(Partition** score, Portee** staff, int16_t action, int16_t first, int16_t last,
                             int16_t row) {
  if (!score || !staff || !GetLigneTextePortee(staff, kLigneTexteParoles)) return;
  const int16_t nbMesures = (*score)->nbMesures;
  if (first < 0 || first >= nbMesures) return;
  last = std::clamp(last, first, int16_t(nbMesures - 1));
  char* texte = nullptr;
  {
    Travail72 travail;
    ExtendedTE te = CreeTexteKaraoke(staff, kLigneTexteParoles, 1, 1, nullptr, 0, 0, 0);
    if (te) {
      texte = CvtExtendedTEHandleToTextData(te, 0, nullptr);
      ExtendedTEDispose(te);
    }
  }
  // Entries at both ends keep the edit inside the range; a new one shows
  // nothing of its own.
  for (const int16_t b : {first, int16_t(last + 1)})
    if (b < nbMesures && CvtNumMesureEnIndxTabTonalite(staff, b) < 0)
      FixeTonaliteEtClefMesure(score, staff, b, nullptr, nullptr, 0, 0, 0, -1);
  for (int16_t b = first; b <= last; b++) {
    const int16_t k = CvtNumMesureEnIndxTabTonalite(staff, b);
    if (k < 0) continue;
    int32_t n = 0;
    EltTabTonalite* e = GetEltsTabTonalite(staff, &n);
    if (!e || k >= n) continue;
    int16_t* lut = e[k].lignesKaraoke;
    // A table without mapping shows verse v on row v.
    if (lut[0] == 0 && lut[1] == 0)
      for (int16_t v = 0; v < kNbPassagesKaraoke; v++) lut[v] = v;
    ModifieLutKaraoke(lut, action, row);
  }
  if (texte) {
    InjecteTexteCompletDansPorteeKaraoke(staff, kLigneTexteParoles, texte, int32_t(std::strlen(texte)), nullptr, 0);
    DisposeTextData(texte);
  }
  GarbageEltTabTonalite(staff);
}

void ModifieLutKaraoke(int16_t* lut, int16_t action, int16_t row) {
  if (!lut) return;
  const int n = kNbPassagesKaraoke;
  switch (action) {
    case kActionCellulesInsereLigne: {
      int v = 0;
      while (v < n && lut[v] < row) v++;
      for (; v < n; v++)
        if (lut[v] >= 0) lut[v]++;
      break;
    }
    case kActionCellulesSupprimeLigne: {
      int v = 0;
      while (v < n && lut[v] < row) v++;
      if (v < n && lut[v] == row) lut[v] = int16_t(~v), v++;
      for (; v < n; v++)
        if (lut[v] >= 0) lut[v]--;
      break;
    }
    case kActionCellulesCompacte: {
      int16_t r = 0;
      for (int v = 0; v < n; v++)
        if (lut[v] >= 0) lut[v] = r++;
      break;
    }
    case kActionCellulesToutAffiche: {
      int16_t montres = 0;
      for (int v = 0; v < n; v++) {
        if (lut[v] < 0) {
          lut[v] = int16_t(v > 0 ? lut[v - 1] + 1 : 0);
          montres++;
        } else {
          lut[v] = int16_t(lut[v] + montres);
        }
      }
      break;
    }
    default: break;
  }
}
