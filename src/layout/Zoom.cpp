#include "layout/Zoom.h"

#include <cmath>

#include "layout/MiseEnPage.h"
#include "layout/ModesEcran.h"
#include "model/CvtTemps.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/QRVPOBJ.h"
#include "model/Ruban.h"
#include "model/Signe.h"
#include "model/TabEltMesure.h"
#include "platform/Memory.h"
#include "platform/QuickDraw.h"
#include "plugin/Preferences.h"
#include "stafftypes/Tablature.h"
#include "system/Couleurs.h"
#include "system/Strings.h"
#include "text/Fontes.h"

// Destination resolution; never 0.
static int16_t dpiDest = 144;
// Pen height last set by PenSizeZoom or FixeEpaisseurCouleur.
static int16_t LastDY = 0;

namespace {

int16_t Sature16(double v) {
  if (v >= 32767.0) return 32767;
  if (v <= -32768.0) return -32768;
  return int16_t(v);
}

}  // namespace

int16_t GetDpiDest() { return dpiDest; }

void SetDpiDest(int16_t dpi) { dpiDest = dpi == 0 ? 1 : dpi; }

void SetDpiPartition(Partition** score) {
  int16_t dpi = 72;
  if (score != nullptr) {
    // Single precision on purpose: 72 x (300 / 72) must give 300, not 299.
    const float produit = float((*score)->zoom) * (*score)->echelleEcran;
    dpi = std::isnan(produit) ? int16_t(1) : Sature16(produit);
  }
  SetDpiDest(dpi);
}

void InjecteZoomPartition(Partition** score, float zoom) {
  if (score == nullptr) return;
  if (!(zoom >= 12.0f)) zoom = 12.0f;  // not a number counts as the smallest zoom
  if (zoom > 800.0f) zoom = 800.0f;
  const int16_t z = int16_t(zoom);
  bool change = false;
  Partition& p = **score;
  if (IsModePagePartition(score)) {
    change = p.zoomPage != zoom;
    p.zoomPage = zoom;
  } else if (!IsModeImpressionPartition(score)) {
    change = float(p.zoomEcran) != zoom;
    p.zoomEcran = z;
  }
  const int16_t ancien = p.zoom;
  p.zoom = z;
  if (float(ancien) == zoom && !change) return;
  InitPortees(score);
  SetTabEltMesureModifie(score, kTabEltEspacement);
}

void SetEchelleEcran(Partition** score, float scale) {
  if (score == nullptr) return;
  if (std::fabs((*score)->echelleEcran - scale) > 0.0001f) {
    (*score)->echelleEcran = scale;
    SetTabEltMesureModifie(score, kTabEltEspacement | kTabEltMarges);
    UpdateTabEltMesure(score, kTabEltEspacement | kTabEltMarges);
  }
}

int32_t Zoom(int32_t v) {
  if (v == 0) return 0;
  const int32_t r = LMulDiv(v, dpiDest, 72);
  return r == 0 ? 1 : r;
}

int32_t DeZoom(int32_t v) {
  if (v == 0) return 0;
  const int32_t r = LMulDiv(v, 72, dpiDest);
  // Above 144 dpi a length of -1 rounds to 0: it stays a step backwards.
  if (r == 0) return v < 0 ? -1 : 1;
  return r;
}

void AppliqueEchelleRect(Rect* rect, float scale) {
  if (rect == nullptr) return;
  auto echelle = [scale](int16_t v) { return Sature16(std::floor(float(v) * scale + 0.5f)); };
  rect->top = echelle(rect->top);
  rect->left = echelle(rect->left);
  rect->bottom = echelle(rect->bottom);
  rect->right = echelle(rect->right);
}

int16_t CvtTaillePlumeZoom(int32_t size, int32_t baseDpi) {
  if (size == 0) return 0;
  const int16_t r = int16_t(LMulDiv(size, dpiDest, baseDpi));
  return r == 0 ? 1 : r;
}

int16_t GetLastPnSizeV() { return LastDY; }
void SetLastPnSizeV(int16_t dy) { LastDY = dy; }

void MoveZoom(int32_t dx, int32_t dy) { Move(int16_t(Zoom(dx)), int16_t(Zoom(dy))); }

void PenSizeZoom(int32_t w, int32_t h, int32_t baseDpi) {
  if (baseDpi == 0) baseDpi = 72;
  const int16_t hauteur = CvtTaillePlumeZoom(h, baseDpi);
  PenSize(CvtTaillePlumeZoom(w, baseDpi), hauteur);
  LastDY = hauteur;
}

void FixeEpaisseurCouleur(int32_t w, int32_t h, int32_t baseDpi, int16_t colourIndex) {
  const EpaisseurTrait t = CalculeEpaisseurTrait(w, h, baseDpi, pref.traitsFins != 0);
  PenSize(t.largeur, t.hauteur);
  LastDY = t.hauteur;
  if (!t.fin) {
    if (colourIndex >= 0) SetForeColor(colourIndex);
    return;
  }
  const int16_t index = colourIndex >= 0 ? colourIndex : GetLastForeColor();
  if (t.fraction * 2.2f >= 1.0f) {
    SetForeColor(index);
    return;
  }
  RGBColor couleur;
  CvtIndexEnRGB(uint16_t(index), &couleur);
  const RGBColor claire = EclaircitCouleurTraitFin(couleur, t.fraction);
  RGBForeColor(&claire);
}

void SetTextStyleHauteurZoom(const TextStyle* style, int16_t size) {
  if (style == nullptr) return;
  TextFont(style->font);
  TextFace(style->face);
  TextSize(CvtTaillePlumeZoom(size == 0 ? 12 : size, 72));
  RGBForeColor(&style->color);
}

namespace {
int16_t TailleTexteZoom(Partition** score, int16_t size) {
  const int32_t s = size == 0 ? 12 : size;
  if (score == nullptr) return CvtTaillePlumeZoom(s, 72);
  return Sature16(double(ZoomRuban(score, s)));
}
}  // namespace

void TextSizeZoom(Partition** score, int16_t size) { TextSize(TailleTexteZoom(score, size)); }

void TextLookZoom(Partition** score, int16_t font, int16_t size, int16_t face) {
  // Before the music font is active its number is 0, which is a real font.
  if (vellariPrint != 0 && font == vellariPrint) {
    TextFontMusicale(nullptr, size);
  } else {
    TextFont(font);
    TextSizeZoom(score, size);
  }
  TextFace(face);
}

void SetTextStyleZoom(Partition** score, const TextStyle* style) {
  if (style == nullptr) return;
  TextFont(style->font);
  TextFace(style->face);
  TextSize(TailleTexteZoom(score, style->size));
  RGBForeColor(&style->color);
}

EpaisseurTrait CalculeEpaisseurTrait(int32_t w, int32_t h, int32_t baseDpi, bool rendreFin) {
  EpaisseurTrait t{0, 0, false, 0.0f};
  if (baseDpi == 0) baseDpi = 72;  // a zero base would scale every pen to the 32-bit ceiling
  if (!rendreFin || w == 0 || h == 0) {
    t.largeur = w == 0 ? int16_t(0) : CvtTaillePlumeZoom(w < 0 ? 1 : w, baseDpi);
    t.hauteur = h == 0 ? int16_t(0) : CvtTaillePlumeZoom(h < 0 ? 1 : h, baseDpi);
    return t;
  }
  if (w < 1) {
    t.largeur = 1;
  } else {
    const int16_t lw = int16_t(LMulDiv(w, dpiDest, baseDpi));
    if (lw == 0) {
      t.fin = true;
      t.fraction = float(dpiDest) * float(w) / float(baseDpi);
      t.largeur = 1;
    } else {
      t.largeur = lw;
    }
  }
  if (h > 0) {
    const int16_t lh = int16_t(LMulDiv(h, dpiDest, baseDpi));
    if (lh == 0) {
      t.fin = true;
      t.fraction = float(dpiDest) * float(h) / float(baseDpi);
      t.hauteur = 1;
    } else {
      t.hauteur = lh;
    }
  } else {
    t.hauteur = 1;
  }
  return t;
}

RGBColor EclaircitCouleurTraitFin(RGBColor couleur, float fraction) {
  float f = fraction * 2.2f;
  if (f >= 1.0f) return couleur;
  if (f < 0.4f) f = 0.4f;
  auto melange = [f](uint16_t c) { return uint16_t(float(c) * f + (1.0f - f) * 65535.0f); };
  return RGBColor{melange(couleur.red), melange(couleur.green), melange(couleur.blue)};
}

float EchelleMiseEnPageSure(float scale) { return scale >= 0.1f ? scale : 0.1f; }

int16_t CvtPixel72EnPosDixiemeMM(Partition**, int32_t v) {
  return Sature16(double(v) * 100.0 / (double(dpiDest) * kCmEnPouce));
}

int16_t CvtPosDixiemeMMEnPixel(const MiseEnPage* setup, int32_t v) {
  const float echelle = EchelleMiseEnPageSure(setup ? setup->echelle : 1.0f);
  return Sature16(double(v) * kCmEnPouce * double(dpiDest) / (double(echelle) * 100.0));
}

int16_t CvtPixelEnPosDixiemeMM(const MiseEnPage* setup, int32_t v) {
  const float echelle = EchelleMiseEnPageSure(setup ? setup->echelle : 1.0f);
  return Sature16(double(v) * double(echelle) * 100.0 / (double(dpiDest) * kCmEnPouce));
}

int16_t CalculeDecalageXPremierGroupe(MiseEnPage* setup, int16_t isFirst) {
  if (setup == nullptr || isFirst == 0) return 0;
  if (!(setup->echelle >= 0.1f)) setup->echelle = 1.0f;
  return CvtPosDixiemeMMEnPixel(setup, setup->retraitPremierSysteme);
}

int16_t CalculeDeltaPixelSelonTypePortee(Portee** staff) {
  if (staff == nullptr) return 0;
  const Portee& p = **staff;
  const float base = float(p.decalageLigneBas);
  float y;
  switch (p.type) {
    case kTypePorteeStandard:
    case kTypePorteeBatterieStd: y = base - 4.0f * p.interligne; break;
    case kTypePorteeBatterie: y = base - 2.0f * p.interligne; break;
    case kTypePorteeGregorien: y = base - 3.0f * p.interligne; break;
    case kTypePorteeTablature: {
      Tablature** tab = GetTablature(staff);
      if (tab == nullptr) return 0;
      if ((*tab)->flagsAffichage & kTablatureAfficheNotation) {
        y = base - 4.0f * p.interligne;
      } else {
        return (*tab)->decalageHaut;
      }
      break;
    }
    default: return 0;
  }
  return Sature16(y);
}

namespace {

int32_t NombreNotes(Portee** staff) {
  if ((*staff)->notes == nullptr) return 0;
  const int32_t n = GetHandleSize((*staff)->notes) / int32_t(sizeof(Signe));
  return (*staff)->nbNotes < n ? (*staff)->nbNotes : n;
}

int32_t IdNote(Portee** staff, int32_t index) { return reinterpret_cast<const Signe*>(*(*staff)->notes)[index].id; }

// Start tick of the note with that id; -1 when the staff has none.
int32_t TempsNoteParId(Portee** staff, int32_t id) {
  const int32_t n = NombreNotes(staff);
  for (int32_t i = 0; i < n; i++)
    if (IdNote(staff, i) == id) return CvtIndexNoteEnTemps(staff, i);
  return -1;
}

// Width of a bar on the piano roll, never 0 (a fraction is divided by it).
int32_t LargeurMesureRuban(Partition** score, int32_t bar) {
  const int32_t w = CvtMesureEnPixelRubanDebutMesure(score, bar + 1) - CvtMesureEnPixelRubanDebutMesure(score, bar);
  return w > 0 ? w : 1;
}

}  // namespace

int32_t AireAbsolueToRelative(Partition** score, Portee** staff, bool isPixel, int32_t value, bool byNote,
                              int32_t* offset) {
  int32_t decalage = 0;
  int32_t resultat = -1;
  if (score != nullptr && staff != nullptr) {
    const int32_t n = NombreNotes(staff);
    if (byNote && isPixel) {
      const int32_t x = ZoomRuban(score, value);
      const int32_t t = CvtPixelRubanEnTemps(score, x / 32);
      int32_t i = CvtTempsEnIndexNote(staff, t);
      if (i >= 0 && !(i < n && CvtIndexNoteEnTemps(staff, i) == t)) i--;
      if (i >= 0 && i < n) {
        resultat = IdNote(staff, i);
        decalage = x / 32 - CvtIndexNoteEnPixelRuban(staff, i);
      }
    } else if (byNote) {
      int32_t i = CvtTempsEnIndexNote(staff, value);
      if (i >= 0 && i < n && CvtIndexNoteEnTemps(staff, i) == value) {
        resultat = IdNote(staff, i);
      } else {
        i = i - 1 < 0 ? 0 : i - 1;
        if (i < n) {
          decalage = value - CvtIndexNoteEnTemps(staff, i);
          resultat = IdNote(staff, i);
        }
      }
    } else if (isPixel) {
      const int32_t x = ZoomRuban(score, value);
      const int32_t b = CvtPixelRubanEnMesure(score, x / 32);
      const int32_t debut = CvtMesureEnPixelRubanDebutMesure(score, b);
      const int32_t w = LargeurMesureRuban(score, b);
      const double fraction = std::round((double(x) - 32.0 * debut) * 10000.0 / (32.0 * w));
      resultat = b * 10000 + int16_t(fraction);
    }
  }
  if (offset != nullptr) *offset = decalage;
  return resultat;
}

void AireRelativeToAbsolue(Partition** score, Portee** staff, bool isPixel, bool byNote, int32_t anchor, int32_t offset,
                           int32_t* value) {
  if (score == nullptr || staff == nullptr || value == nullptr || anchor < 0) return;
  if (byNote) {
    const int32_t t = TempsNoteParId(staff, anchor);
    if (t < 0) return;
    *value = isPixel ? DeZoomRuban(score, offset + CvtTempsEnPixelRuban(score, t)) * 32 : t + offset;
    return;
  }
  if (!isPixel) return;
  const int32_t b = anchor / 10000;
  const int16_t fraction = int16_t(anchor - b * 10000);
  const int32_t w = LargeurMesureRuban(score, b);
  const double x = (double(fraction) * w * 0.0001 + CvtMesureEnPixelRubanDebutMesure(score, b)) * 32.0;
  *value = DeZoomRuban(score, int32_t(std::round(x)));
}
