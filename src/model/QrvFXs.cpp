#include "model/QrvFXs.h"

#include <cstring>

#include "layout/Zoom.h"
#include "model/CvtTemps.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/Ruban.h"
#include "notation/ServicesNotation.h"
#include "platform/Memory.h"
#include "sound/ServicesSon.h"
#include "system/Handles.h"
#include "system/Strings.h"

// The count beside a list is 16-bit.
constexpr int32_t kMaxFXs = 32767;

static FX* Liste(Handle list, int32_t count, int32_t* n) {
  int32_t cap = list ? int32_t(GetHandleSize(list) / Size(sizeof(FX))) : 0;
  if (count > cap) count = cap;
  if (count < 0) count = 0;
  *n = count;
  return count > 0 ? reinterpret_cast<FX*>(*list) : nullptr;
}

FX* GetFXsPortee(Portee** staff, int32_t* count) {
  if (!staff) {
    *count = 0;
    return nullptr;
  }
  return Liste((*staff)->fxs, (*staff)->nbFXs, count);
}

int32_t NewFXGenerique(int16_t* count, Handle* list) {
  if (!count || !list) return -1;
  int32_t n;
  Liste(*list, *count, &n);
  if (n >= kMaxFXs) return -1;
  if (!*list) *list = NewHandle(0);
  if (!*list || !RetailleHandle(*list, Size(n + 1) * Size(sizeof(FX)))) return -1;
  SetDefaultFX(reinterpret_cast<FX*>(**list) + n);
  *count = int16_t(n + 1);
  return n;
}

int32_t NewFX(Portee** staff) { return staff ? NewFXGenerique(&(*staff)->nbFXs, &(*staff)->fxs) : -1; }

void DisposeFXs(Portee** staff) {
  if (!staff) return;
  LibereHandle(&(*staff)->fxs);
  (*staff)->nbFXs = 0;
}

int16_t CalculeAireFXRuban(Document*, Portee** staff, int32_t index, BigRect* out) {
  int32_t n;
  FX* fx = GetFXsPortee(staff, &n);
  if (!out) return 1;
  if (!fx || index < 0 || index >= n) {
    *out = BigRect{};
    return 1;
  }
  const FX f = fx[index];
  Partition** score = (*staff)->partition;
  const Portee* p = *staff;
  const int64_t ref = int64_t(p->aireRuban.top) + p->decalageLigneBasRuban;
  out->left = Sature32(int64_t(CvtTempsEnPixelRuban(score, f.debut)) + ZoomRuban(score, f.decalageGauche));
  out->right = Sature32(int64_t(CvtTempsEnPixelRuban(score, f.fin)) + ZoomRuban(score, f.decalageDroite));
  out->top = Sature32(ref + ZoomRuban(score, f.haut));
  out->bottom = Sature32(ref + ZoomRuban(score, f.bas));
  return 1;
}

bool IsFXAAfficher(const FX* f, int32_t t0, int32_t t1) {
  return f && !f->cache && ((f->debut >= t0 && f->debut <= t1) || (f->debut < t0 && f->fin >= t0));
}

int16_t AfficheFXsPortee(Portee** staff, const Rect*, int32_t xOffset, int32_t t0, int32_t t1) {
  if (!staff || !(*staff)->fxs) return 1;
  Partition** score = (*staff)->partition;
  Document* document = score ? (*score)->document : nullptr;
  int32_t n;
  GetFXsPortee(staff, &n);
  for (int32_t i = 0; i < n; i++) {
    // A copy: the drawing may move memory, and draws what the record held.
    FX f = GetFXsPortee(staff, &n)[i];
    if (!IsFXAAfficher(&f, t0, t1)) continue;
    BigRect aire;
    CalculeAireFXRuban(document, staff, i, &aire);
    Rect r;
    if (xOffset < 0) CvtAireRubanEnAireEcran(document, &aire, &r);
    else CvtAireRubanEnAireEcranDansPorteeOffset(document, staff, xOffset, &aire, &r);
    AfficheFX(staff, &f, &r);
    if (i >= n) break;
  }
  return 1;
}

void DeleteTimeRangeFXs(Portee** staff, int32_t t0, int32_t t1, uint8_t keep) {
  if (!staff || t1 <= t0) return;
  int32_t n;
  FX* fx = GetFXsPortee(staff, &n);
  const int32_t d = t1 - t0;
  auto coupe = [&](int32_t t) { return t >= t1 ? t - d : t > t0 ? t0 : t; };
  int32_t garde = 0;
  for (int32_t i = 0; i < n; i++) {
    FX& f = fx[i];
    if (keep) {
      if (f.debut >= t1) {
        f.debut -= d;
        f.fin -= d;
      } else if (f.debut >= t0) {
        f.fin = t0 + (f.fin - f.debut);
        f.debut = t0;
      }
    } else {
      f.debut = coupe(f.debut);
      f.fin = coupe(f.fin);
      // An object left without length goes; the later ones move down.
      if (f.fin <= f.debut) continue;
    }
    if (garde != i) std::memmove(&fx[garde], &f, sizeof(FX));
    garde++;
  }
  if (garde != n) {
    RetailleHandle((*staff)->fxs, Size(garde) * Size(sizeof(FX)));
    (*staff)->nbFXs = int16_t(garde);
  }
}

void DeleteMesureFXs(Portee** staff, int32_t bar, int32_t count) {
  if (!staff) return;
  Partition** score = (*staff)->partition;
  DeleteTimeRangeFXs(staff, CvtMesureEnTemps(score, bar), CvtMesureEnTemps(score, bar + count), 0);
}

int32_t DeleteMesureTabFXs(Partition** score, int16_t count, Handle list, int32_t bar, int32_t nbBars) {
  const int32_t t0 = CvtMesureEnTemps(score, bar);
  const int32_t t1 = CvtMesureEnTemps(score, bar + nbBars);
  int32_t n;
  FX* fx = Liste(list, count, &n);
  const int32_t d = t1 - t0;
  auto coupe = [&](int32_t t) { return t >= t1 ? t - d : t > t0 ? t0 : t; };
  for (int32_t i = 0; i < n; i++) {
    fx[i].debut = coupe(fx[i].debut);
    fx[i].fin = coupe(fx[i].fin);
  }
  return t1;
}

void PreservePositionFXs(Partition** score, int16_t mode) {
  if (!score) return;
  for (int16_t p = 0; p < (*score)->nbPortees; p++) {
    Portee** staff = (*score)->portees[p];
    int32_t n;
    GetFXsPortee(staff, &n);
    for (int32_t i = 0; i < n; i++) {
      int32_t debut = GetFXsPortee(staff, &n)[i].debut;
      int32_t decalage = 0;
      int32_t ancre = AireAbsolueToRelative(score, staff, false, debut, mode != 0, &decalage);
      FX& f = GetFXsPortee(staff, &n)[i];
      f.ancrePreserve = uint32_t(ancre);
      f.decalagePreserve = uint32_t(decalage);
    }
  }
}

void RestaurePositionFXs(Partition** score, int16_t mode) {
  if (!score) return;
  for (int16_t p = 0; p < (*score)->nbPortees; p++) {
    Portee** staff = (*score)->portees[p];
    int32_t n;
    GetFXsPortee(staff, &n);
    for (int32_t i = 0; i < n; i++) {
      const FX& f = GetFXsPortee(staff, &n)[i];
      int32_t debut = f.debut;
      const int32_t ancre = int32_t(f.ancrePreserve), decalage = int32_t(f.decalagePreserve);
      AireRelativeToAbsolue(score, staff, false, mode != 0, ancre, decalage, &debut);
      FX& g = GetFXsPortee(staff, &n)[i];
      g.fin = Sature32(int64_t(g.fin) - g.debut + debut);
      g.debut = debut;
    }
  }
}
