#include "stafftypes/PorteeKaraoke.h"

#include <algorithm>
#include <cstring>

#include <string>
#include <vector>
#include "layout/ServicesMiseEnPage.h"
#include "layout/Zoom.h"
#include "model/CvtTemps.h"
#include "model/DeleteMesures.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/PreservePositions.h"
#include "model/QrvText.h"
#include "model/Ruban.h"
#include "model/Ruptures.h"
#include "model/Signe.h"
#include "model/TabEltMesure.h"
#include "model/TempsJoue.h"
#include "notation/ServicesNotation.h"
#include "platform/TextDraw.h"
#include "stafftypes/PorteeGregorien.h"
#include "system/PortLayer.h"
#include "text/TextBox.h"
#include "text/TextData.h"
#include "text/UTFText.h"

// SEAM(stafftypes): the syllables of a cell are drawn with the lyric lines'
// drawing; until then a cell draws nothing.
void AfficheLigneTexte(Portee**, const LigneTexte*, int16_t, const Rect*, Handle, const TextStyle*, uint8_t,
                       VectTraiteTaquet) {}

namespace {

// One column per note or chord that starts in the bar (a chord whose last
// member is a rest makes one only when a member is a note). A rest after a
// note marks that note's column.
int16_t ColonnesNotes(TaquetKaraoke* columns, Portee** staff, Partition** score, int16_t bar, uint8_t withPixels,
                      uint8_t withTimes) {
  const int32_t t0 = CvtMesureEnTemps(score, bar);
  const int32_t t1 = CvtMesureEnTemps(score, bar + 1);
  int32_t originR = 0, originE = 0;
  if (withPixels) {
    originR = CvtTempsEnPixelRuban(score, t0);
    originE = CvtTempsEnPixelEcran(score, t0);
  }
  int32_t count;
  int32_t i = CvtTempsEnIndexNote(staff, t0);
  const Signe* s = GetSignesPortee(staff, &count);
  if (!s || i >= count || s[i].kind == kSigneSilenceFantome) return 0;
  int16_t n = 0;
  while (i < count && n < kMaxTaquetsMesure) {
    const int32_t t = CvtIndexNoteEnTemps(staff, i);
    if (t >= t1) break;
    bool noteSautee = false;
    while (i + 1 < count && (s[i].flags & kSigneAccordSuite)) {
      if (s[i].kind >= 0) noteSautee = true;
      i++;
    }
    bool cree = true;
    if (s[i].kind < 0) {
      if (n > 0) columns[n - 1].type = kTaquetNoteSuivieSilence;
      cree = noteSautee;
    }
    if (cree) {
      TaquetKaraoke& c = columns[n];
      std::memset(&c, 0, sizeof c);
      if (withPixels) {
        c.xRuban = uint16_t(CvtIndexNoteEnPixelRubanSelonSensCorps(staff, i) - originR);
        c.xEcran = uint16_t(CvtIndexNoteEnPixelEcran(staff, i) - originE);
      }
      c.largeurTete = uint16_t(s[i].bordsTete[1] - s[i].bordsTete[0]);
      if (withTimes) {
        c.temps = t - t0;
        c.duree = int32_t(int64_t(s[i].dureeCourte) * 40320 / 256);
      }
      c.type = kTaquetNote;
      c.depasse = int64_t(t) + s[i].duree > t1 ? 1 : 0;
      n++;
    }
    i++;
    s = GetSignesPortee(staff, &count);  // the conversions above may refresh cached starts
  }
  return n;
}

// Columns of the column mode dividing the bar evenly.
int16_t ColonnesDivision(TaquetKaraoke* columns, Partition** score, uint32_t mode, uint16_t parameter, int16_t bar,
                         uint8_t withPixels, uint8_t withTimes) {
  const int32_t d = CvtMesureEnDureeMesure(score, bar);
  int32_t n = 0;
  switch (mode) {
    case kTaquetsPeriode: n = parameter != 0 && bar % parameter == 0 ? 1 : 0; break;
    case kTaquetsNombre: n = parameter; break;
    case kTaquetsTemps:
    case kTaquetsNotes: n = CvtMesureEnNbTemps(score, bar); break;
    case kTaquetsDivision: {
      DivisionTemporelle division{};
      CvtMesureEnDivisionTemporelle(score, bar, &division);
      n = division.numerateur;
      break;
    }
    default: n = 0;
  }
  if (n < 1) return 0;
  if (n > kMaxTaquetsMesure) n = kMaxTaquetsMesure;
  const int32_t t0 = CvtMesureEnTemps(score, bar);
  int32_t originR = 0, originE = 0;
  if (withPixels) {
    originR = CvtTempsEnPixelRuban(score, t0);
    originE = CvtTempsEnPixelEcran(score, t0);
  }
  for (int32_t k = 0; k < n; k++) {
    TaquetKaraoke& c = columns[k];
    std::memset(&c, 0, sizeof c);
    const int32_t t = int32_t(int64_t(k) * d / n);
    if (withTimes) c.temps = t;
    if (withPixels) {
      c.xRuban = uint16_t(CvtTempsEnPixelRuban(score, t0 + t) - originR);
      c.xEcran = uint16_t(CvtTempsEnPixelEcran(score, t0 + t) - originE);
    }
    c.type = kTaquetDivision;
  }
  return int16_t(n);
}

bool IsSeparateurSyllabe(char c) { return c == ' ' || c == '-' || c == '_'; }

}  // namespace

int16_t CalculeTableauTaquetKaraokeMesure(TaquetKaraoke* columns, Portee** staff, uint32_t mode, uint16_t parameter,
                                          int16_t bar, uint8_t withPixels, uint8_t withTimes, int8_t fallback) {
  if (!columns || !staff || !(*staff)->partition || bar < 0) return 0;
  Partition** score = (*staff)->partition;
  // A bar holding a repeat-bar sign takes the notes of the bar it repeats.
  bar = AjusteNumeroMesureSelonRepeteDerniereMesure(staff, bar);
  int16_t n = 0;
  const uint32_t type = (*staff)->type;
  if (type == kTypePorteeGregorien) {
    n = GregorienCalculeTableauTaquetKaraokeMesure(columns, staff, bar, withPixels, withTimes);
  } else if (type != kTypePorteeParole && mode == kTaquetsNotes && (*staff)->nbNotes > 0) {
    n = ColonnesNotes(columns, staff, score, bar, withPixels, withTimes);
  }
  if (n <= 0 && fallback) n = ColonnesDivision(columns, score, mode, parameter, bar, withPixels, withTimes);
  if (n > 0 && withPixels) {
    const int32_t utileR = CvtMesureEnTailleUtileMesureRuban(score, bar);
    const int32_t utileE = CvtMesureEnTailleUtileMesureEcran(score, bar);
    for (int16_t k = 0; k < n; k++) {
      const int32_t finR = k + 1 < n ? columns[k + 1].xRuban : utileR;
      const int32_t finE = k + 1 < n ? columns[k + 1].xEcran : utileE;
      columns[k].largeurRuban = uint16_t(finR - columns[k].xRuban);
      columns[k].largeurEcran = uint16_t(finE - columns[k].xEcran);
    }
  }
  return n;
}

void GetBoundsStringTaquet(const char* cellText, int16_t n, int32_t* start, int32_t* end, int32_t* missing) {
  const char* text = cellText ? GetTexteBrutTexteStyle(cellText) : "";
  const int32_t length = int32_t(std::strlen(text));
  int32_t p = 0;
  int32_t separateurs = 0;
  for (int16_t k = 0; k < n && p < length; k++) {
    while (p < length && !IsSeparateurSyllabe(text[p])) p++;
    if (p < length) {
      p++;
      separateurs++;
    }
  }
  int32_t e = p;
  while (e < length && !IsSeparateurSyllabe(text[e])) e++;
  if (e < length) e++;
  if (start) *start = p;
  if (end) *end = e;
  if (missing) *missing = n - separateurs;
}

namespace {

// The cursor over the columns of a text line, kept between the calls of one
// walk; GetTaquetIndex starts every walk afresh.
struct CurseurTaquets {
  Portee** portee = nullptr;
  uint32_t ligne = 0;
  int16_t mesure = 0;
  int32_t indexDebutMesure = 0;  // global index of the bar's first column
  int16_t nbTaquetsMesure = -1;  // -1: the bar's columns are not built yet
  int32_t indexDemande = 0;
  bool texteAJour = false;
  int16_t passageTexte = 0;
  char texte[kTailleTexteCellule] = {};
};
CurseurTaquets gCurseur;

int16_t ChercheTaquet(TaquetKaraoke* columns, TaquetKaraoke* out, int16_t* bar, int16_t* indexInBar) {
  CurseurTaquets& c = gCurseur;
  Portee** staff = c.portee;
  Partition** score = staff ? (*staff)->partition : nullptr;
  if (out) std::memset(out, 0, sizeof *out);
  if (!score || !columns) {
    if (bar) *bar = 0;
    return 0;
  }
  const LigneTexte& ligne = (*staff)->lignesTexte[c.ligne == kLigneTexteAccords ? 1 : 0];
  const int16_t nbMesures = (*score)->nbMesures;
  while (c.mesure < nbMesures) {
    if (c.nbTaquetsMesure < 0) {
      c.nbTaquetsMesure = CalculeTableauTaquetKaraokeMesure(columns, staff, ligne.modeTaquets, ligne.parametreTaquets,
                                                            c.mesure, 1, 1, 1);
      if (c.nbTaquetsMesure < 0) c.nbTaquetsMesure = 0;
      c.texteAJour = false;
    }
    if (c.indexDemande < c.indexDebutMesure + c.nbTaquetsMesure) {
      const int16_t k = int16_t(c.indexDemande - c.indexDebutMesure);
      const int32_t t0 = CvtMesureEnTemps(score, c.mesure);
      if (out) {
        *out = columns[k];
        out->temps += t0;
        out->xRuban = uint16_t(out->xRuban + CvtTempsEnPixelRuban(score, t0));
        out->xEcran = uint16_t(out->xEcran + CvtTempsEnPixelEcran(score, t0));
      }
      if (bar) *bar = c.mesure;
      if (indexInBar) *indexInBar = k;
      return 1;
    }
    c.indexDebutMesure += c.nbTaquetsMesure;
    c.nbTaquetsMesure = -1;
    c.mesure++;
  }
  if (out) out->temps = CvtMesureEnTemps(score, nbMesures);
  if (bar) *bar = nbMesures;
  if (indexInBar) *indexInBar = 0;
  return 0;
}

}  // namespace

int16_t GetTaquetIndex(TaquetKaraoke* columns, Portee** staff, uint32_t line, int32_t index, TaquetKaraoke* out,
                       int16_t* bar, int16_t* indexInBar) {
  CurseurTaquets& c = gCurseur;
  c.portee = staff;
  c.ligne = line;
  c.mesure = 0;
  c.indexDebutMesure = 0;
  c.nbTaquetsMesure = -1;
  c.indexDemande = index < 0 ? 0 : index;
  c.texteAJour = false;
  return ChercheTaquet(columns, out, bar, indexInBar);
}

int16_t GetNextTaquet(TaquetKaraoke* columns, TaquetKaraoke* out, int16_t* bar, int16_t* indexInBar) {
  gCurseur.indexDemande++;
  return ChercheTaquet(columns, out, bar, indexInBar);
}

void GetTexteLastTaquet(char* out, int16_t verse) {
  if (!out) return;
  out[0] = 0;
  CurseurTaquets& c = gCurseur;
  if (!c.portee || c.nbTaquetsMesure < 0) return;
  if (!c.texteAJour || c.passageTexte != verse) {
    GetTexteKaraokeCellule(c.portee, c.ligne, c.mesure, verse, c.texte, nullptr);
    c.texteAJour = true;
    c.passageTexte = verse;
  }
  int32_t debut = 0, fin = 0;
  GetBoundsStringTaquet(c.texte, int16_t(c.indexDemande - c.indexDebutMesure), &debut, &fin, nullptr);
  if (fin > debut && IsSeparateurSyllabe(c.texte[fin - 1])) fin--;
  const int32_t n = fin - debut < kTailleTexteCellule - 1 ? fin - debut : kTailleTexteCellule - 1;
  std::memcpy(out, c.texte + debut, size_t(n > 0 ? n : 0));
  out[n > 0 ? n : 0] = 0;
}

void SetStyleCalculeTaillesTexteKaraoke(Portee** staff, const TextStyle* style) {
  if (!staff) return;
  TextStyle s = style ? *style : (*staff)->lignesTexte[0].styleCellule;
  if (s.size <= 0) s.size = 12;
  const float echelle = (*staff)->texteEchelle ? float((*staff)->aspect.tailleUnite) / 72.0f : 1.0f;
  TextLook(s.font, float(Zoom(s.size)) * echelle, int16_t(s.face & 127));
}

namespace {

// Walks the measurable characters of a cell text: markers "[" .. "]" and
// rhythm patterns "$(" .. ")" (an unclosed one runs to the end) and line
// breaks are passed over. `mesure(from, to)` gets each stretch of measurable
// characters, `separe(c)` each separator; a false result stops the walk.
// `style(k)` is called when the walk reaches the k-th style run.
template <typename Mesure, typename Separe, typename Style>
void ParcoursSyllabes(const char* text, int32_t length, const ExtendedRun* runs, int32_t nbRuns, Mesure mesure,
                      Separe separe, Style style) {
  int32_t debut = 0;
  int32_t run = 0;
  auto vide = [&](int32_t p) {
    if (p > debut) mesure(debut, p);
  };
  for (int32_t p = 0; p < length;) {
    if (runs && run < nbRuns && runs[run].start <= p) {
      vide(p);
      debut = p;
      while (run < nbRuns && runs[run].start <= p) run++;
      style(run - 1);
    }
    const char c = text[p];
    if (c == '[' || (c == '$' && p + 1 < length && text[p + 1] == '(')) {
      vide(p);
      const char fin = c == '[' ? ']' : ')';
      while (p < length && text[p] != fin) p++;
      debut = ++p;
      continue;
    }
    if (c == '\r' || c == '\n') {
      vide(p);
      debut = ++p;
      continue;
    }
    if (IsSeparateurSyllabe(c)) {
      vide(p);
      debut = p + 1;
      if (!separe(c)) return;
    }
    p++;
  }
  vide(length);
}

}  // namespace

int16_t CalculeTaillesTexteKaraoke(Portee** staff, TaquetKaraoke* columns, uint16_t gap, int16_t count,
                                   const char* text, ExtendedStylHandle runs) {
  if (!staff || !columns || count <= 0) return 0;
  count = std::min<int16_t>(count, int16_t(kMaxTaquetsMesure));
  for (int16_t k = 0; k < count; k++) columns[k].largeurSyllabe = 0;
  if (!text) return 0;
  const int32_t length = int32_t(std::strlen(text));
  int32_t w = gap;
  int16_t s = 0;
  const ExtendedRun* r = runs ? ExtendedRuns(runs) : nullptr;
  const int32_t nbRuns = runs ? (*runs)->nRuns : 0;
  ParcoursSyllabes(
      text, length, r, nbRuns, [&](int32_t a, int32_t b) { w += UTFTextWidth(nullptr, text, a, b - a); },
      [&](char) {
        columns[s++].largeurSyllabe = uint16_t(std::clamp(w, 0, 65535));
        w = gap;
        return s < count;
      },
      [&](int32_t k) {
        if (k < 0 || r[k].style >= (*runs)->nStyles) return;
        TextStyle t{};
        ExtendedTEStyleToTextStyle(&ExtendedStyles(runs)[r[k].style], &t);
        SetStyleCalculeTaillesTexteKaraoke(staff, &t);
      });
  if (s < count) columns[s].largeurSyllabe = uint16_t(std::clamp(w, 0, 65535));
  return count;
}

int16_t CalculeTailleTexteSyllabeKaraoke(const char* text, uint8_t utf8) {
  if (!text) return 0;
  int32_t w = 0;
  ParcoursSyllabes(
      text, int32_t(std::strlen(text)), nullptr, 0,
      [&](int32_t a, int32_t b) {
        w += utf8 ? UTFTextWidth(nullptr, text, a, b - a) : TextWidth(text, int16_t(a), int16_t(b - a));
      },
      [](char) { return false; }, [](int32_t) {});
  return int16_t(std::clamp(w, -32768, 32767));
}

int16_t CalculeTaillesTexteKaraoke(Portee** staff, int16_t bar, int16_t verse, int16_t count, int16_t* widths) {
  if (!staff || !widths || count <= 0) return 0;
  count = std::min<int16_t>(count, int16_t(kMaxTaquetsMesure));
  std::fill(widths, widths + count, int16_t(0));
  TextStyle style{};
  const char* chaine = GetTexteStyleKaraokeCellule(staff, kLigneTexteParoles, bar, verse, &style);
  const char* brut = GetTexteBrutTexteStyle(chaine);
  if (!brut[0]) return 0;
  SetStyleCalculeTaillesTexteKaraoke(staff, &style);
  ExtendedStylHandle runs = nullptr;
  std::string copie;
  if (IsStyledString(chaine)) {
    copie = chaine;
    runs = CvtTextDataToStyleHandle(copie.data());
  }
  TaquetKaraoke colonnes[kMaxTaquetsMesure];
  CalculeTaillesTexteKaraoke(staff, colonnes, 0, count, GetTexteBrutTexteStyle(copie.empty() ? chaine : copie.c_str()),
                             runs);
  if (runs) ExtendedDisposeStylHandle(runs);
  for (int16_t k = 0; k < count; k++) widths[k] = int16_t(std::min<int32_t>(colonnes[k].largeurSyllabe, 32767));
  return count;
}

uint8_t CalculeEchelleIdealePorteeKaraoke(uint8_t reset, Portee** staff, int16_t line) {
  if (!staff || !(*staff)->partition) return 0;
  Partition** score = (*staff)->partition;
  Document* document = (*score)->document;
  if (IsModeZorodava(score, nullptr)) {
    SetTabEltMesureModifie(score, kTabEltEspacement | kTabEltMarges);
    FixeMiseEnPageNonCalculee(document);
    return 0;
  }
  const int16_t nbMesures = (*score)->nbMesures;
  if (reset) {
    PreservePositionsPartition(score);
    for (int16_t b = 0; b < nbMesures; b++) FixeEchelleMesureBrut(score, b, 1000);
    RestaurePositionsPartition(score);
  }
  const LigneTexte* enreg = GetLigneTextePortee(staff, uint32_t(line));
  if (!enreg || nbMesures <= 0) return 0;
  const LigneTexte ligne = *enreg;
  CGrafPtr ancien = SetPortTemporaire();
  PreservePositionsPartition(score);
  RemetRupturesEnForme(score);
  const uint16_t gap = uint16_t(std::max<int32_t>(Zoom((*staff)->espacementSyllabes), 0));
  std::vector<int16_t> ordre;
  if (line == kLigneTexteParoles && (*score)->tabCvtMesure) {
    const int32_t n = GetNbMesuresJouees(score);
    for (int32_t i = 0; i < n; i++) ordre.push_back(int16_t(CalculeIndexMesureSelonRupture(score, i)));
  } else {
    for (int16_t b = 0; b < nbMesures; b++) ordre.push_back(b);
  }
  std::vector<int16_t> compteur(size_t(nbMesures), 0);
  TaquetKaraoke colonnes[kMaxTaquetsMesure];
  bool change = false;
  std::string copie;
  for (const int16_t b : ordre) {
    if (b < 0 || b >= nbMesures) continue;
    const int16_t v = compteur[size_t(b)]++;
    const int16_t n =
        CalculeTableauTaquetKaraokeMesure(colonnes, staff, ligne.modeTaquets, ligne.parametreTaquets, b, 1, 1, 1);
    if (n <= 0) continue;
    TextStyle style = ligne.styleCellule;
    const char* chaine = GetTexteStyleKaraokeCellule(staff, uint32_t(line), b, v, &style);
    if (!*GetTexteBrutTexteStyle(chaine)) continue;
    ExtendedStylHandle runs = nullptr;
    if (IsStyledString(chaine)) {
      copie = chaine;
      runs = CvtTextDataToStyleHandle(copie.data());
      chaine = copie.c_str();
    }
    SetStyleCalculeTaillesTexteKaraoke(staff, &style);
    CalculeTaillesTexteKaraoke(staff, colonnes, gap, n, GetTexteBrutTexteStyle(chaine), runs);
    if (runs) ExtendedDisposeStylHandle(runs);
    double r = 1.0;
    if (ligne.alignement == 1) {
      // Centred syllables share the room between two notes; the last one has
      // the rest of its bar.
      for (int16_t i = 0; i + 1 < n; i++) {
        const int32_t room = int32_t(colonnes[i + 1].xEcran) - colonnes[i].xEcran;
        if (room > 0) r = std::max(r, double((colonnes[i].largeurSyllabe + colonnes[i + 1].largeurSyllabe) / 2) / room);
      }
      const int32_t room = colonnes[n - 1].largeurEcran;
      if (room > 0) r = std::max(r, double(colonnes[n - 1].largeurSyllabe / 2) / room);
    } else {
      for (int16_t i = 0; i < n; i++)
        if (colonnes[i].largeurEcran > 0)
          r = std::max(r, double(colonnes[i].largeurSyllabe) / colonnes[i].largeurEcran);
    }
    if (r > 1.0) {
      const double echelle = std::clamp(double(GetEchelleMesureOrig(score, b)) * r, 20.0, 6000.0);
      SetEchelleMesureOrig(score, b, uint16_t(echelle));
      change = true;
    }
  }
  SetPort(ancien);
  if (change) {
    SetTabEltMesureModifie(score, kTabEltEspacement | kTabEltMarges);
    FixeMiseEnPageNonCalculee(document);
  }
  RestaurePositionsPartition(score);
  return change ? 1 : 0;
}
