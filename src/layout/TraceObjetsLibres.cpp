#include "layout/TraceObjetsLibres.h"

#include <algorithm>
#include <cstring>

#include "layout/DonneesMiseEnPage.h"
#include "layout/DonneesModeGraphique.h"
#include "layout/ImpressionPartition.h"
#include "layout/PiedsEntetes.h"
#include "layout/ServicesMiseEnPage.h"
#include "model/Document.h"
#include "model/ObjetsLibres.h"
#include "model/Partition.h"
#include "model/QrvText.h"
#include "notation/Accolades.h"
#include "platform/Memory.h"
#include "platform/QuickDraw.h"
#include "plugin/Preferences.h"
#include "system/Couleurs.h"
#include "system/Offscreens.h"
#include "system/PictConversion.h"
#include "system/Splines.h"
#include "system/Strings.h"
#include "text/TextBox.h"

int16_t JustificationObjetLibre(const ObjetLibre& o) { return int16_t(int8_t(o.octet1)); }
bool SansRetourObjetLibre(const ObjetLibre& o) { return o.octet2 != 0; }
uint8_t StyleBoiteObjetLibre(const ObjetLibre& o) { return uint8_t(o.valeurs3[1]); }
int16_t FormatImageObjetLibre(const ObjetLibre& o) { return int16_t(o.ancienFormat); }
bool MosaiqueObjetLibre(const ObjetLibre& o) { return o.octet2 == 1; }
int16_t CouleurObjetLibre(const ObjetLibre& o) { return o.valeur3; }
int16_t EpaisseurObjetLibre(const ObjetLibre& o) { return o.valeurs3[0]; }
bool EcranSeulObjetLibre(const ObjetLibre& o) { return o.valeurs3[2] != 0; }

namespace {

enum : uint32_t {
  kRectangle = 3,
  kRectanglePlein = 4,
  kOvale = 5,
  kOvalePlein = 6,
  kRectangleArrondi = 7,
  kRectangleArrondiPlein = 8,
  kLigneHorizontale = 9,
  kLigneVerticale = 10,
  kLigneDiagonale = 11,
  kLigneDiagonaleInverse = 12,
  kCourbeHaut = 13,
  kCourbeBas = 14,
  kCourbeGauche = 15,
  kCourbeDroite = 16,
  kAccolade = 17,
  kCrochet = 18,
  kAccoladeInverse = 19,
  kCrochetInverse = 20,
};

ObjetLibre* Objets(Partition** score) { return reinterpret_cast<ObjetLibre*>(*(*score)->objetsLibres); }

// The text of a box (a styled string), whole within its block.
int32_t LongueurTexte(Handle h) {
  if (!h || !*h) return 0;
  return int32_t(strnlen(*h, size_t(GetHandleSize(h))));
}

void TraceBoiteTexte(Document* document, Partition** score, const ObjetLibre& o, int16_t pageIndex,
                     const MiseEnPage* setup, const Rect& cadre, int16_t angle) {
  if (!o.donnees) return;
  // The text is copied with its end: the block need not hold one.
  const int32_t n = LongueurTexte(o.donnees);
  if (n == 0) return;
  Handle copie = NewHandle(n + 1);
  if (!copie) return;
  std::memcpy(*copie, *o.donnees, size_t(n));
  (*copie)[n] = 0;
  Handle texte = copie;
  if (std::memchr(*copie, '$', size_t(n))) {
    const int16_t pages = CombienDePages(score);
    const int16_t page = int16_t(pageIndex + 1);
    Handle etendu = CreeChainePiedDePage(document, *copie, setup ? setup->premierePageMusique : int16_t(0), page, pages,
                                         page, pages, 32767);
    DisposeHandle(copie);
    if (!etendu) return;
    texte = etendu;
  }
  const int32_t longueur = LongueurTexte(texte);
  const TextStyle style = o.style;
  const bool auto_ = (StyleBoiteObjetLibre(o) & 0x80) != 0;
  const bool sansRetour = SansRetourObjetLibre(o);
  Rect r = cadre;
  if (auto_) {
    if (angle == 0) {
      r.bottom = 32000;
    } else {
      const int16_t largeur = sansRetour ? int16_t(32000) : int16_t(DeZoom(int32_t(r.right) - r.left));
      const int32_t h = TextBoxStyleHeightWrap(*texte, longueur, largeur, &style, 1);
      r.bottom = Sature16(int32_t(r.top) + Zoom(h));
    }
  }
  if (std::strstr(*texte, "$(")) {
    HLock(texte);
    DrawTextWithRhythmicPattern(&style, *texte, longueur, &r, 1.0f);
    HUnlock(texte);
  } else {
    HLock(texte);
    TextBoxStyleZoom(*texte, longueur, &r, JustificationObjetLibre(o), &style, angle, auto_ ? 0 : 1,
                     sansRetour ? 1 : 0);
    HUnlock(texte);
  }
  DisposeHandle(texte);
}

void TraceCroix(const Rect& r) {
  FrameRect(&r);
  MoveTo(r.left, r.top);
  LineTo(r.right, r.bottom);
  MoveTo(r.right, r.top);
  LineTo(r.left, r.bottom);
}

// Image data (codes 2 to 6) or a picture (code 1); anything else a crossed frame.
void TraceImage(Partition** score, int16_t index, const ObjetLibre& o, const Rect& cadre, int16_t angle) {
  const int16_t format = FormatImageObjetLibre(o);
  if (format == 1 && o.donnees) {
    DrawColorPicture(o.donnees, &cadre, -1);
    return;
  }
  if (format < 2 || format > 6 || !o.donnees) {
    TraceCroix(cadre);
    return;
  }
  Offscreen image = o.type == kObjetLibreImage ? o.image : nullptr;
  if (!image) {
    image = ConvertDataToOffscreen(format, o.donnees, 0, angle);
    // An image object keeps what was decoded for the next page.
    if (image && o.type == kObjetLibreImage) Objets(score)[index].image = image;
  }
  Rect r = cadre;
  if (angle != 0) OffscreenGetRotatedBoundRect(&cadre, float(angle), &r);
  if (MosaiqueObjetLibre(o) && image) FillWithPattern(image, &r);
  else DrawOffscreenImage(image, &r, true);
  if (image && o.type != kObjetLibreImage) DisposeImage(&image);
}

// The curves cross the frame from one corner to the next, bulging to the side
// their type names.
void TraceCourbe(uint32_t type, const Rect& r, int32_t largeur) {
  const float l = r.left, t = r.top, d = r.right, b = r.bottom;
  const float bout = float(Zoom(5)), milieu = float(std::max(largeur, Zoom(5)));
  SplinePoint p[3];
  switch (type) {
    case kCourbeHaut: p[0] = {l, b, bout}, p[1] = {(l + d) / 2, t, milieu}, p[2] = {d, b, bout}; break;
    case kCourbeBas: p[0] = {l, t, bout}, p[1] = {(l + d) / 2, b, milieu}, p[2] = {d, t, bout}; break;
    case kCourbeGauche: p[0] = {d, t, bout}, p[1] = {l, (t + b) / 2, milieu}, p[2] = {d, b, bout}; break;
    default: p[0] = {l, t, bout}, p[1] = {d, (t + b) / 2, milieu}, p[2] = {l, b, bout}; break;
  }
  cspline(pref.traitsAntialias != 0, p, 3, 6.0f);
}

void TraceForme(const ObjetLibre& o, const Rect& cadre) {
  const int32_t epaisseur = std::max<int32_t>(EpaisseurObjetLibre(o), 1);
  const int16_t pinceau = int16_t(std::clamp<int32_t>(LMulDiv(epaisseur, GetDpiDest(), 254), 1, 32767));
  SetForeColor(CouleurObjetLibre(o));
  PenSize(pinceau, pinceau);
  Rect r = cadre;
  // Outlines and lines are centred on the frame's edges: the pen hangs below
  // and to the right of its point.
  const int16_t demi = int16_t(pinceau / 2);
  switch (o.type) {
    case kRectangle: FrameRect(&r); break;
    case kRectanglePlein: PaintRect(&r); break;
    case kOvale: FrameOval(&r); break;
    case kOvalePlein: PaintOval(&r); break;
    case kRectangleArrondi: FrameRoundRect(&r, int16_t(Zoom(24)), int16_t(Zoom(24))); break;
    case kRectangleArrondiPlein: PaintRoundRect(&r, int16_t(Zoom(24)), int16_t(Zoom(24))); break;
    case kLigneHorizontale:
      MoveTo(r.left, Sature16(r.top - demi));
      LineTo(r.right, Sature16(r.top - demi));
      break;
    case kLigneVerticale:
      MoveTo(Sature16(r.left - demi), r.top);
      LineTo(Sature16(r.left - demi), r.bottom);
      break;
    case kLigneDiagonale:
      MoveTo(Sature16(r.left - demi), Sature16(r.top - demi));
      LineTo(Sature16(r.right - demi), Sature16(r.bottom - demi));
      break;
    case kLigneDiagonaleInverse:
      MoveTo(Sature16(r.left - demi), Sature16(r.bottom - demi));
      LineTo(Sature16(r.right - demi), Sature16(r.top - demi));
      break;
    case kCourbeHaut:
    case kCourbeBas:
    case kCourbeGauche:
    case kCourbeDroite: TraceCourbe(o.type, r, pinceau); break;
    case kAccolade:
    case kAccoladeInverse: {
      const int32_t p = Zoom(4 * int32_t(std::max<int16_t>(EpaisseurObjetLibre(o), 1)));
      const int32_t q = Zoom(kMGFormeAccolade);
      if (o.type == kAccolade) DrawAccolade(&r, p, q);
      else DrawAccoladeInverse(&r, p, q);
      break;
    }
    case kCrochet: DrawBracket(&r, true, true, kMGEpaisseurCrochet, kMGLongueurCrochet); break;
    case kCrochetInverse: DrawBracketInverse(&r, true, true, kMGEpaisseurCrochet, kMGLongueurCrochet); break;
    default: break;
  }
}

}  // namespace

void TraceSystemeObjetLibre(Document* document, int16_t pageIndex, MiseEnPage* setup, const Rect*,
                            const Systeme* element, Point offset) {
  Partition** score = document ? document->partitionCourante : nullptr;
  if (!score || !element) return;
  const int32_t index = element->indexObjetLibre;
  if (index < 0 || index >= NbObjetsLibres(score)) return;
  // A copy: drawing may move the list's memory.
  const ObjetLibre o = Objets(score)[index];
  if (EcranSeulObjetLibre(o) && (IsPrintingInProgress() || IsModeImpressionPartition(score))) return;
  Rect cadre = element->rectDessin;
  OffsetRect(&cadre, offset.h, offset.v);
  const int16_t angle = element->angleTexte;
  switch (o.type) {
    case kObjetLibreTexte: TraceBoiteTexte(document, score, o, pageIndex, setup, cadre, angle); break;
    case kObjetLibreImage:
    case kObjetLibrePicture: TraceImage(score, int16_t(index), o, cadre, angle); break;
    default:
      if (o.type >= kRectangle && o.type <= kCrochetInverse) {
        TraceForme(o, cadre);
      } else {
        RGBColor vert{0, 0xFFFF, 0};
        RGBForeColor(&vert);
        FrameRect(&cadre);
      }
      break;
  }
  PenNormal();
  ForeColor(blackColor);
  BackColor(whiteColor);
}
