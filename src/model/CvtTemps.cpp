#include "model/CvtTemps.h"

#include <cmath>
#include <cstring>

#include "layout/ServicesMiseEnPage.h"
#include "model/Document.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/Ruban.h"
#include "model/Signe.h"
#include "model/TabEltMesure.h"
#include "model/TempsJoue.h"
#include "notation/ServicesNotation.h"
#include "platform/Memory.h"
#include "plugin/ServicesInertes.h"
#include "system/Strings.h"

// Start tick of the note found by the last tick-to-index search.
static int32_t posAct = 0;

// ---------------------------------------------------------------- helpers

// The screen table of the current mode and its rows.
static TabEltMesure* TableEcran(Partition** score, int32_t* n) {
  Handle h = GetTabEltMesureEcran(score);
  *n = GetNbLignesTabElt(h);
  return GetLignesTabElt(h);
}

// Pixels of a duration: Zoom(d) in single precision x 1/1008, rounded half
// away from zero, then truncated.
static int32_t PixelsDuree(int32_t d) { return Sature32(int64_t(roundf(float(Zoom(d)) * kPixelsParTemps))); }

// Integer pixels x 0.001 x a bar's stretch, in single precision, truncated.
static int32_t AppliqueEtirement(int32_t pixels, float etirement) {
  float v = float(pixels) * 0.001f * etirement;
  if (!(v < 2147483520.0f)) return INT32_MAX;
  if (!(v > -2147483520.0f)) return INT32_MIN;
  return int32_t(v);
}

// ---------------------------------------------------------------- times and bars

int32_t GetDureeMesureElt(const TabEltMesure* row) {
  if (!row) return kDureeRonde;
  int32_t num = row->division.numerateur;
  int32_t den = row->division.denominateur;
  // A zero or negative signature (damaged file) would stop time: a whole note.
  if (num <= 0 || den <= 0) return kDureeRonde;
  int64_t d = int64_t(num) * kDureeRonde / den;
  if (d < 1) return 1;
  return d > INT32_MAX ? INT32_MAX : int32_t(d);
}

int32_t CvtMesureEnDureeMesure(Partition** score, int32_t bar) {
  int32_t n = GetNbMesuresTabEltRuban(score);
  if (n <= 0) return kDureeRonde;
  if (bar < 0) bar = 0;
  if (bar >= n) bar = n - 1;
  return GetDureeMesureElt(GetLignesTabElt((*score)->tabEltMesure[0]) + bar);
}

int16_t CvtTempsEnMesure(Partition** score, int32_t tick) {
  if (!score) return 0;
  UpdateTabEltMesure(score, kTabEltTemps);
  int32_t n = GetNbMesuresTabEltRuban(score);
  if (n <= 0) return 0;
  const TabEltMesure* r = GetLignesTabElt((*score)->tabEltMesure[0]);
  // A tick one before a bar's start already belongs to that bar.
  int64_t t1 = int64_t(tick) + 1;
  if (int64_t(r[0].debutTemps) > t1) return -1;
  int64_t dernier = r[n - 1].debutTemps;
  if (dernier <= t1) {
    int64_t b = (n - 1) + (t1 - dernier) / GetDureeMesureElt(&r[n - 1]);
    return Sature16(b);
  }
  // The last row starting at or before t1: row 0 does, row n-1 does not.
  int32_t lo = 0, hi = n - 1;
  while (hi - lo > 1) {
    int32_t mid = lo + (hi - lo) / 2;
    if (int64_t(r[mid].debutTemps) > t1) hi = mid;
    else lo = mid;
  }
  return int16_t(lo);
}

int32_t CvtMesureEnTemps(Partition** score, int32_t bar) {
  if (!score) return 0;
  UpdateTabEltMesure(score, kTabEltTemps);
  int32_t n = GetNbMesuresTabEltRuban(score);
  if ((*score)->masqueModifieTabElt & kTabEltTemps) {
    // Times are being rebuilt: the running sum of the bar durations, the
    // bars past the rows lasting as long as the last one.
    int64_t t = 0;
    int32_t i = 0;
    for (; i < bar && i < n && t < INT32_MAX; i++) t += CvtMesureEnDureeMesure(score, i);
    if (i < bar && t < INT32_MAX) t += int64_t(bar - i) * CvtMesureEnDureeMesure(score, n - 1);
    return Sature32(t);
  }
  if (n <= 0) return 0;
  if (bar < 0) bar = 0;
  const TabEltMesure* r = GetLignesTabElt((*score)->tabEltMesure[0]);
  if (bar < n) return int32_t(r[bar].debutTemps);
  return Sature32(int64_t(r[n - 1].debutTemps) + int64_t(bar - (n - 1)) * GetDureeMesureElt(&r[n - 1]));
}

int16_t GetNbBeat(int16_t numerator) {
  if (numerator < 1) return 0;
  if (numerator % 7 == 0) return 7;
  if (numerator % 5 == 0) return 5;
  if (numerator % 4 == 0) return 4;
  if (numerator % 2 == 0) return 2;
  if (numerator % 3 == 0) return 3;
  return numerator;
}

int16_t CvtMesureEnNbTemps(Partition** score, int32_t bar) {
  int32_t n = GetNbMesuresTabEltRuban(score);
  if (n <= 0) return 1;
  if (bar < 0) bar = 0;
  if (bar >= n) bar = n - 1;
  int16_t num = GetLignesTabElt((*score)->tabEltMesure[0])[bar].division.numerateur;
  return num < 1 ? 1 : GetNbBeat(num);
}

void CvtMesureEnDivisionTemporelle(Partition** score, int32_t bar, DivisionTemporelle* out) {
  if (!out) return;
  int32_t n = GetNbMesuresTabEltRuban(score);
  if (n <= 0) {
    GetDivisionTemporelleDefaut(out);
    return;
  }
  if (bar < 0) bar = 0;
  if (bar >= n) bar = n - 1;
  *out = GetLignesTabElt((*score)->tabEltMesure[0])[bar].division;
}

uint8_t CvtMesureEnVisibiliteSignatureTemps(Partition** score, int32_t bar) {
  int32_t n = GetNbMesuresTabEltRuban(score);
  if (n <= 0) return 0;
  if (bar < 0) bar = 0;
  if (bar >= n) bar = n - 1;
  return GetLignesTabElt((*score)->tabEltMesure[0])[bar].signatureVisible;
}

// A bar cut over a line end: it continues in the next row, at which the line
// breaks, and that row is not counted.
bool IsMesureDecoupee(Partition** score, int32_t bar) {
  if (!score || bar < 0 || bar >= (*score)->nbMesures - 1) return false;
  if (bar + 1 >= GetNbMesuresTabEltRuban(score)) return false;
  const TabEltMesure* r = GetLignesTabElt((*score)->tabEltMesure[0]);
  return r[bar].continueLigneSuivante == 1 && r[bar].sautSysteme == 1 && r[bar + 1].nonComptee == 1;
}

int32_t DureeMesuresDecoupees(Partition** score, int32_t bar) {
  int64_t d = CvtMesureEnDureeMesure(score, bar);
  for (int32_t b = bar; IsMesureDecoupee(score, b); b++) d += CvtMesureEnDureeMesure(score, b + 1);
  return Sature32(d);
}

// ---------------------------------------------------------------- pixels

int32_t CvtDureeEnPixelEcran(Partition**, int32_t ticks) { return PixelsDuree(ticks); }

int32_t CvtPixelEcranEnDuree(Partition**, int32_t pixels) {
  return DeZoom(Sature32(int64_t(roundf(float(pixels) * 1008.0f))));
}

int32_t CvtDureeEnPixelEcranDansMesure(Partition** score, int32_t ticks, int32_t bar) {
  UpdateTabEltMesure(score, kTabEltEspacement | kTabEltTemps);
  int32_t n;
  const TabEltMesure* r = TableEcran(score, &n);
  int32_t p = PixelsDuree(ticks);
  if (!r || bar < 0 || bar >= n) return p;
  if (bar < n - 1 && int64_t(ticks) == int64_t(r[bar + 1].debutTemps) - int64_t(r[bar].debutTemps))
    return r[bar].largeurMusique;
  return AppliqueEtirement(p, r[bar].etirement);
}

int32_t CvtTempsEnPixelEcran(Partition** score, int32_t tick) {
  if (!score) return 0;
  UpdateTabEltMesure(score, kTabEltEspacement | kTabEltTemps);
  if (IsModeZorodava(score, nullptr)) {
    int32_t x = ZorodavaCvtTempsEnPixelEcran(score, tick);
    if (x >= 0) return x;
  }
  int32_t n;
  const TabEltMesure* r = TableEcran(score, &n);
  if (!r || n <= 0) return 0;
  int32_t b = CvtTempsEnMesure(score, tick);
  if (b < 0) b = 0;
  int64_t extra = 0;
  int64_t t = tick;
  if (b >= n) {
    int64_t fin = int64_t(CvtMesureEnTemps(score, n - 1)) + CvtMesureEnDureeMesure(score, n - 1);
    extra = int64_t(b + 1 - n) * CalculeMargeRubanApresCle(score, b) + PixelsDuree(Sature32(t - fin));
    t = fin;
    b = n - 1;
  }
  const TabEltMesure& e = r[b];
  int32_t d = Sature32(t - CvtMesureEnTemps(score, b));
  return Sature32(int64_t(e.debutX) + e.largeurEntete + AppliqueEtirement(PixelsDuree(d), e.etirement) + extra);
}

// Bar start (music false) or music start of a bar, extrapolated past the end.
static int32_t PixelEcranMesure(Partition** score, int32_t bar, bool musique) {
  if (!score) return 0;
  UpdateTabEltMesure(score, kTabEltEspacement);
  int32_t n;
  const TabEltMesure* r = TableEcran(score, &n);
  if (!r || n <= 0) return 0;
  if (bar < 0) bar = 0;
  if (bar < n) return Sature32(int64_t(r[bar].debutX) + (musique ? r[bar].largeurEntete : 0));
  const TabEltMesure& e = r[n - 1];
  int64_t base = int64_t(e.debutX) + e.largeurTotale;
  int64_t w = int64_t(PixelsDuree(CvtMesureEnDureeMesure(score, n - 1))) + CalculeMargeRubanApresCle(score, n - 1);
  return Sature32(base + (musique ? Zoom(16) : 0) + int64_t(bar - n) * w);
}

int32_t CvtMesureEnPixelEcran(Partition** score, int32_t bar) { return PixelEcranMesure(score, bar, true); }

int32_t CvtMesureEnPixelEcranDebutMesure(Partition** score, int32_t bar) { return PixelEcranMesure(score, bar, false); }

int32_t CalculeDebutVis(Partition** score, int32_t tick) {
  int16_t b = CvtTempsEnMesure(score, tick);
  if (b >= 0 && CvtMesureEnTemps(score, b) == tick) return CvtMesureEnPixelEcranDebutMesure(score, b);
  return CvtTempsEnPixelEcran(score, tick);
}

int16_t CvtMesureEnTaillePixelEcran(Partition** score, int32_t bar) {
  if (!score) return 0;
  UpdateTabEltMesure(score, kTabEltEspacement);
  int32_t n;
  const TabEltMesure* r = TableEcran(score, &n);
  if (!r || n <= 0 || bar < 0) return 0;
  if (bar < n) return Sature16(r[bar].largeurTotale);
  return Sature16(int64_t(PixelsDuree(CvtMesureEnDureeMesure(score, n - 1))) + Zoom(16));
}

// The row of the screen table, read as it stands, or null outside it.
static const TabEltMesure* LigneEcran(Partition** score, int32_t bar) {
  if (!score) return nullptr;
  int32_t n;
  const TabEltMesure* r = TableEcran(score, &n);
  return (r && bar >= 0 && bar < n) ? r + bar : nullptr;
}

int16_t CvtMesureEnMargeGaucheMesureEcran(Partition** score, int32_t bar) {
  const TabEltMesure* e = LigneEcran(score, bar);
  return e ? Sature16(e->largeurEntete) : 0;
}

int16_t CalculeMargeDebutMesureEcran(Partition** score, int32_t bar) {
  if (score) UpdateTabEltMesure(score, kTabEltEspacement);
  const TabEltMesure* e = LigneEcran(score, bar);
  return e ? Sature16(e->largeurEntete) : Sature16(Zoom(16));
}

int16_t CvtMesureEnMargeDroiteMesureEcran(Partition** score, int32_t bar) {
  const TabEltMesure* e = LigneEcran(score, bar);
  return e ? Sature16(e->largeurMargeDroite) : 0;
}

int16_t CalculeMargeFinMesureEcran(Partition** score, int32_t bar) {
  if (score) UpdateTabEltMesure(score, kTabEltEspacement);
  const TabEltMesure* e = LigneEcran(score, bar);
  return e ? Sature16(e->largeurMargeDroite) : 0;
}

int16_t CvtMesureEnTailleUtileMesureEcran(Partition** score, int32_t bar) {
  if (!score || bar < 0) return 0;
  int32_t n;
  const TabEltMesure* r = TableEcran(score, &n);
  if (!r || n <= 0) return 0;
  return Sature16(r[bar < n ? bar : n - 1].largeurMusique);
}

int16_t CvtMesureEnTailleEcranClePixel(Partition** score, int32_t bar) {
  const TabEltMesure* e = LigneEcran(score, bar);
  return e ? Sature16(e->largeurCleArmure) : 0;
}

int16_t CalculeMargeEcranApresCle(Partition** score, int32_t bar) {
  if (score) UpdateTabEltMesure(score, kTabEltEspacement);
  const TabEltMesure* e = LigneEcran(score, bar);
  return e ? Sature16(int64_t(e->largeurEntete) - e->largeurCleArmure) : Sature16(Zoom(16));
}

int32_t CvtMesureDecoupeeEnPixelEcran(Partition** score, int32_t bar) {
  int64_t w = 0;
  const TabEltMesure* e = LigneEcran(score, bar);
  if (e) w = e->largeurTotale;
  for (int32_t b = bar; IsMesureDecoupee(score, b); b++) {
    e = LigneEcran(score, b + 1);
    if (!e) break;
    w += e->largeurTotale;
  }
  return Sature32(w);
}

// ---------------------------------------------------------------- notes

// The note records of a staff and how many of them the handle really holds.
static Signe* Notes(Portee** staff, int32_t* n) {
  *n = 0;
  if (!staff || !(*staff)->notes) return nullptr;
  int32_t cap = int32_t(GetHandleSize((*staff)->notes) / Size(sizeof(Signe)));
  int32_t nb = (*staff)->nbNotes;
  *n = nb < 0 ? 0 : (nb > cap ? cap : nb);
  return reinterpret_cast<Signe*>(*(*staff)->notes);
}

int32_t CvtIndexNoteEnTemps(Portee** staff, int32_t index) {
  int32_t n;
  Signe* s = Notes(staff, &n);
  if (!s || n <= 0 || index < 0) return 0;
  int64_t ajout = 0;
  if (index >= n) {
    index = n - 1;
    ajout = s[index].duree;
  }
  if (s[index].debut >= 0) return Sature32(s[index].debut + ajout);
  int32_t i;
  int64_t t;
  if (s[0].debut != 0) {
    s[0].debut = 0;
    i = 0;
    t = 0;
  } else {
    // Resume from the nearest note before the target that knows its start.
    i = index - 1;
    while (i > 0 && s[i].debut < 0) i--;
    t = s[i].debut;
  }
  for (; i < index; i++) {
    if (!(s[i].flags & kSigneAccordSuite)) t += s[i].duree;
    s[i + 1].debut = Sature32(t);
  }
  return Sature32(s[index].debut + ajout);
}

int16_t CvtIndexNoteEnMesure(Portee** staff, int32_t index) {
  if (!staff) return 0;
  int32_t n;
  Notes(staff, &n);
  int32_t t = (index < 0 || n <= 0) ? 0 : CvtIndexNoteEnTemps(staff, index);
  return CvtTempsEnMesure((*staff)->partition, t);
}

void ClrTurboCvtTempsEnIndexNote(Portee** staff, int32_t index) {
  if (!staff) return;
  if (index < 0) index = 0;
  int32_t n;
  Signe* s = Notes(staff, &n);
  for (int32_t i = index; s && i < n; i++) s[i].debut = -1;
  Portee* p = *staff;
  if (p->turboIndex > index) {
    p->turboIndex = 0;
    p->turboTemps = 0;
  }
  p->dureeCache = -1;
}

int32_t CvtTempsEnIndexNote(Portee** staff, int32_t tick) {
  if (!staff) return 0;
  int32_t n;
  Signe* s = Notes(staff, &n);
  int32_t i = 0;
  int64_t t = 0;
  if ((*staff)->turboTemps <= tick && (*staff)->turboIndex >= 0 && (*staff)->turboIndex <= n) {
    i = (*staff)->turboIndex;
    t = (*staff)->turboTemps;
  }
  if (i < n && t < tick) {
    int32_t trouve;
    if (s[i].debut > tick) {
      trouve = i;
    } else if (s[i].debut == tick) {
      trouve = i;
    } else {
      // Bisect on the cached starts; a stale start (-1) counts as before.
      int32_t lo = i, hi = n - 1;
      while (hi - lo > 1) {
        int32_t mid = lo + (hi - lo) / 2;
        if (s[mid].debut >= tick) hi = mid;
        else lo = mid;
      }
      trouve = s[hi].debut <= tick ? hi : lo;
    }
    int32_t debut = s[trouve].debut;
    if (debut >= 0 && debut >= t) {
      // Chord members share their start: resume from the first of them.
      while (trouve > 0 && s[trouve - 1].debut == debut) trouve--;
      i = trouve;
      t = debut;
    }
  }
  while (i < n && t < tick) {
    if (!(s[i].flags & kSigneAccordSuite)) t += s[i].duree;
    i++;
  }
  if (i > 0 && (*staff)->type != kTypePorteeBatterie && t - tick > 2520 &&
      uint8_t(s[i - 1].kind) == uint8_t(kSigneSilenceFantome)) {
    i--;
    t -= s[i].duree;
  }
  (*staff)->turboIndex = i;
  (*staff)->turboTemps = Sature32(t);
  posAct = Sature32(t);
  return i;
}

int32_t GetTempsLastCvtTempsEnIndxNote() { return posAct; }

int32_t CvtMesureEnIndexNote(Partition** score, Portee** staff, int32_t bar) {
  return CvtTempsEnIndexNote(staff, CvtMesureEnTemps(score, bar));
}

// A whole-bar rest starting a bar (not the continuation of a cut bar) and
// lasting the bar with its cut continuations is centred over them.
bool IsPauseMesureEntiere(Portee** staff, int32_t index, int32_t t, int32_t b) {
  int32_t n;
  Signe* s = Notes(staff, &n);
  if (!s || index < 0 || index >= n || s[index].kind != kSigneSilence) return false;
  Partition** score = (*staff)->partition;
  if (b < 0 || t != CvtMesureEnTemps(score, b)) return false;
  if (b > 0 && IsMesureDecoupee(score, b - 1)) return false;
  return s[index].duree == DureeMesuresDecoupees(score, b);
}

int32_t CvtIndexNoteEnPixelEcran(Portee** staff, int32_t index) {
  if (!staff) return 0;
  Partition** score = (*staff)->partition;
  int32_t t = CvtIndexNoteEnTemps(staff, index);
  int32_t b = CvtTempsEnMesure(score, t);
  if (IsPauseMesureEntiere(staff, index, t, b)) {
    int64_t centre = (int64_t(CvtMesureEnTailleEcranClePixel(score, b)) + CvtMesureDecoupeeEnPixelEcran(score, b)) / 2;
    return Sature32(int64_t(CvtMesureEnPixelEcran(score, b)) - CvtMesureEnMargeGaucheMesureEcran(score, b) + centre);
  }
  return Sature32(int64_t(CvtTempsEnPixelEcran(score, t)) + CalculeDecalageCorpsAccord(nullptr, staff, index));
}

// The staff type's linear note positions.
static int16_t PosLineaire(Portee** staff, int32_t index, bool ruban) {
  if (!staff) return 0;
  VectNote2Y slot = ruban ? (*staff)->vecteurs.vect_Note2Ruban : (*staff)->vecteurs.vect_Note2Ecr;
  int32_t n;
  Signe* s = Notes(staff, &n);
  if (!slot || !s || index < 0 || index >= n) return 0;
  int32_t t = CvtIndexNoteEnTemps(staff, index);
  Signe note = Notes(staff, &n)[index];  // a copy: the slot may move the array
  uint8_t flags = 0;
  return slot(staff, t, index, &note, &flags);
}

int16_t CvtIndexNoteEnPosEcranLin(Portee** staff, int32_t index) { return PosLineaire(staff, index, false); }
int16_t CvtIndexNoteEnPosRubanLin(Portee** staff, int32_t index) { return PosLineaire(staff, index, true); }

int32_t CvtIndexNoteEnPixelRubanSelonSensCorps(Portee** staff, int32_t index) {
  if (!staff) return 0;
  int32_t x = CvtIndexNoteEnPixelRuban(staff, index);
  int32_t n;
  Signe* s = Notes(staff, &n);
  if (!s || index < 0 || index >= n) return x;
  // Heads drawn on the other side of the stem: to the left under a stem
  // down, else to the right.
  uint16_t f = s[index].flags;
  if (f & (kSigneTeteDecalee | kSigneCache)) {
    int64_t w = (*staff)->largeurNoteRuban;
    return Sature32((f & kSigneQueueEnBas) ? x - w : x + w);
  }
  return x;
}

// ---------------------------------------------------------------- window positions

// Left edge of the music in the window: the content's left, the gutter and
// the score's own inset.
static constexpr int32_t kGouttiereFenetre = 12;

int32_t CvtPixelEnPosEcr(Document* document, int32_t x) {
  if (!document) return x;
  Partition** score = document->partitionCourante;
  if (!score || IsModePagePartition(score) || IsModeImpressionPartition(score)) return x;
  return Sature32(int64_t(x) - GetPosPixelScroll() + document->rectContenu.left + kGouttiereFenetre +
                  (*score)->margeGaucheEcran);
}

int32_t CvtTempsEnPosEcr(Document* document, int32_t tick) {
  if (!document || !document->partitionCourante) return 0;
  Partition** score = document->partitionCourante;
  if (IsModeZorodava(score, nullptr)) {
    int32_t x = ZorodavaCvtPosTempsEnPosColEcr(score, tick);
    if (x >= 0) return x;
  }
  return CvtPixelEnPosEcr(document, CvtTempsEnPixelEcran(score, tick));
}

int32_t CvtMesureEnPosEcr(Document* document, int32_t bar) {
  if (!document || !document->partitionCourante) return 0;
  return CvtPixelEnPosEcr(document, CvtMesureEnPixelEcran(document->partitionCourante, bar));
}

int32_t CvtMesureEnPosEcrDebutMesure(Document* document, int32_t bar) {
  if (!document || !document->partitionCourante) return 0;
  return CvtPixelEnPosEcr(document, CvtMesureEnPixelEcranDebutMesure(document->partitionCourante, bar));
}

int32_t CvtPosPisteEnTempsEcrit(Partition** score, uint32_t sampleRate, uint32_t sampleOffset) {
  if (!score) return 0;
  int32_t joue = CvtMsEnTempsJoue(score, CvtPosPisteEnMs(sampleRate, sampleOffset), true);
  return CvtTempsJoueEnTempsEcrit(score, joue);
}
