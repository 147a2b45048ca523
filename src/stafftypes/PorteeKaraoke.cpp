#include "stafftypes/PorteeKaraoke.h"

#include <algorithm>
#include <cstring>

#include "layout/Zoom.h"
#include "model/CvtTemps.h"
#include "model/DeleteMesures.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/QrvText.h"
#include "model/Ruban.h"
#include "model/Signe.h"
#include "model/TabEltMesure.h"
#include "stafftypes/PorteeGregorien.h"
#include "text/TextData.h"
#include "text/UTFText.h"

// SEAM(stafftypes): the whole text of a lyric line comes with the lyric lines'
// editing; until then no line gives one.
ExtendedTE CreeTexteKaraoke(Portee**, int16_t, int8_t, int8_t, Handle, uint16_t, int32_t, int32_t) { return nullptr; }

// SEAM(stafftypes): the syllables of a cell are drawn with the lyric lines'
// drawing; until then a cell draws nothing.
void AfficheLigneTexte(Portee**, const LigneTexte*, int16_t, const Rect*, Handle, const TextStyle*, uint8_t,
                       VectTraiteTaquet) {}

// SEAM(stafftypes): the verse rows of a lyric line are edited together with its
// whole text, which comes with the lyric lines; until then the rows stay.
void DoActionCellulesParoles(Partition**, Portee**, int16_t, int16_t, int16_t, int16_t) {}

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
  const TextStyle s = style ? *style : (*staff)->lignesTexte[0].styleCellule;
  SetTextStyleHauteurZoom(&s, s.size);
}

// SEAM(stafftypes): a syllable is measured as plain text in the cell's style;
// its styled runs are measured with the lyric lines' drawing.
int16_t CalculeTaillesTexteKaraoke(Portee** staff, int16_t bar, int16_t verse, int16_t count, int16_t* widths) {
  if (!staff || !widths || count <= 0) return 0;
  count = std::min<int16_t>(count, int16_t(kMaxTaquetsMesure));
  std::fill(widths, widths + count, int16_t(0));
  char texte[kTailleTexteCellule];
  TextStyle style{};
  GetTexteKaraokeCellule(staff, kLigneTexteParoles, bar, verse, texte, &style);
  if (!texte[0]) return 0;
  SetStyleCalculeTaillesTexteKaraoke(staff, &style);
  for (int16_t n = 0; n < count; n++) {
    int32_t debut = 0, fin = 0;
    GetBoundsStringTaquet(texte, n, &debut, &fin, nullptr);
    if (fin > debut) widths[n] = UTFTextWidth(nullptr, texte, debut, fin - debut);
  }
  return count;
}
