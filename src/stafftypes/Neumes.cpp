#include "stafftypes/Neumes.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "layout/DonneesModeGraphique.h"
#include "layout/Zoom.h"
#include "model/CvtTemps.h"
#include "model/ParamEffet.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/QrvLiaison.h"
#include "model/Ruban.h"
#include "model/Signe.h"
#include "platform/QuickDraw.h"
#include "stafftypes/ServicesTypesPortee.h"
#include "system/Couleurs.h"
#include "system/Strings.h"
#include "text/Fontes.h"

const uint32_t FormeNotesNeumes[kNbFormesNeume][kMaxNotesNeume] = {
    {0x1, 0, 0, 0},            // 0: one note
    {0x41, 0, 0, 0},           // 1: one note with a stem
    {0x41, 0x1, 0, 0},         // 2: rising
    {0x49, 0x1, 0, 0},         // 3: falling
    {0x41, 0x41, 0x1, 0},      // 4: rise, rise
    {0x41, 0x41, 0x1, 0},      // 5: rise, fall
    {0xC, 0x40, 0x1, 0},       // 6: fall, rise
    {0x41, 0x2, 0x2, 0},       // 7: fall, fall
    {0x41, 0x1, 0x41, 0x1},    // 8: rise, rise, rise
    {0x41, 0x1, 0x49, 0x1},    // 9: rise, rise, fall
    {0x41, 0x41, 0x41, 0x41},  // 10: rise, fall, rise
    {0x41, 0x1, 0x2, 0x2},     // 11: rise, fall, fall
    {0x49, 0x1, 0x41, 0x1},    // 12: fall, rise, rise
    {0xC, 0x40, 0x41, 0x1},    // 13: fall, rise, fall
    {0x41, 0x2, 0x2, 0x1},     // 14: fall, fall, rise
    {0x41, 0x2, 0x2, 0x2},     // 15: fall, fall, fall
    {0x49, 0x1, 0, 0},         // 16: falling, a short note
    {0x41, 0x1, 0, 0},         // 17: rising, a short note
    {0x41, 0x41, 0x1, 0},      // 18: rise, rise, short notes
    {0x41, 0x41, 0x1, 0},      // 19: rise, fall, short notes
    {0x49, 0x41, 0x1, 0},      // 20: fall, rise, short notes
    {0x41, 0x41, 0x1, 0},      // 21: fall, fall, short notes
    {0x41, 0x41, 0x1, 0},      // 22: the middle note short
};

const float DeltaXNotesNeumes[kNbFormesNeume][kMaxNotesNeume] = {
    {0, 0, 0, 0},          {0, 0, 0, 0},       {0, 0, 0, 0},       {0, 1.2f, 0, 0},     {0, 1, 1, 0},
    {0, 1, 2, 0},          {-1, 1, 1, 0},      {0, 1.5f, 2.5f, 0}, {0, 0, 1, 1},        {0, 0, 1.8f, 3},
    {0, 1, 2, 3},          {0, 0, 1.5f, 2.5f}, {0, 1, 2.5f, 2.5f}, {-2, 0, 1.4f, 2.5f}, {0, 1.5f, 2.5f, 4},
    {0, 1.5f, 2.5f, 3.5f}, {0, 0, 0, 0},       {0, 0, 0, 0},       {0, 1, 1, 0},        {0, 1.5f, 1.5f, 0},
    {0, 1, 1, 0},          {0, 1, 1, 0},       {0, 0.8f, 2, 0},
};

namespace {

// The episema's thickness, in 1/576 inch: the stored graphic mode has no
// word for it.
constexpr int16_t kMGEpaisseurEpiseme = 6;

int16_t Mg(int n) { return GModeGraphique.slot[n]; }

float Il(Portee** staff) { return (*staff)->interligne > 0.0f ? (*staff)->interligne : 6.0f; }
float IlRuban(Portee** staff) { return (*staff)->interligneRuban > 0.0f ? (*staff)->interligneRuban : 6.0f; }
float BasY(Portee** staff) { return float(int32_t((*staff)->rect.top) + (*staff)->decalageLigneBas); }
int16_t Unite(Portee** staff) { return (*staff)->aspect.tailleUnite > 0 ? int16_t((*staff)->aspect.tailleUnite) : 72; }

bool Cachee(const Signe& s) { return (s.flags & kSigneModele) != 0; }

uint32_t SourceLiaison(Portee** staff, int32_t i) {
  Portee** other = nullptr;
  return GetLiaisonSourceNote(staff, i, &other, 0);
}
uint32_t DestLiaison(Portee** staff, int32_t i) {
  Portee** other = nullptr;
  return GetLiaisonDestNote(staff, i, &other, 0);
}

}  // namespace

int32_t ExtraitNotesNeume(Portee** staff, const Signe* signs, int32_t index, int32_t count, Neume* neume) {
  *neume = Neume{};
  neume->forme = -1;
  neume->premier = -1;
  neume->dernier = -1;
  if (!staff || !signs || index < 0 || index >= count) return index + 1;
  const uint32_t id = SourceLiaison(staff, index);
  neume->idLiaison = id;
  int32_t i = index;
  if (!id) {
    if (signs[i].kind > 0 && !Cachee(signs[i])) InjecteNoteDansNeume(staff, neume, &signs[i], i);
    i++;
  } else {
    while (i < count && neume->nb < kMaxNotesNeume) {
      // A rest ends the chain: it is drawn as a division of its own.
      if (signs[i].kind < 0 && i > index) break;
      if (signs[i].kind > 0 && !Cachee(signs[i])) InjecteNoteDansNeume(staff, neume, &signs[i], i);
      const uint32_t dest = DestLiaison(staff, i);
      i++;
      if (dest == id) break;
    }
  }
  const int16_t n = neume->nb;
  int32_t motif = 0, courts = 0;
  for (int16_t k = 0; k < n; k++) {
    if (neume->elements[k].court) courts++;
    if (k > 0) motif = (motif << 1) | (neume->elements[k].hauteur < neume->elements[k - 1].hauteur ? 1 : 0);
  }
  switch (n) {
    case 1: neume->forme = neume->elements[0].variante == 1 ? 1 : 0; break;
    case 2: neume->forme = motif ? (courts ? 16 : 3) : (courts ? 17 : 2); break;
    case 3:
      if (!courts) neume->forme = 4 + motif;
      else neume->forme = neume->elements[1].court ? 22 : 18 + motif;
      break;
    case 4: neume->forme = 8 + motif; break;
    default: neume->forme = -1;
  }
  return i;
}

namespace {

// The page x of a ribbon x inside the bar drawn from page x `x`.
int32_t XEcran(Portee** staff, int16_t x, int16_t bar, int32_t rx) {
  Partition** score = (*staff)->partition;
  if (!score) return rx;
  return Sature32(int64_t(CvtPixelRubanEnPixelEcran(score, rx)) - CvtMesureEnPixelEcranDebutMesure(score, bar) + x);
}

// The page y of a ribbon y, through the staff's bottom lines.
int32_t YEcran(Portee** staff, int32_t ry) {
  const Portee& p = **staff;
  const float basRuban = float(int64_t(p.aireRuban.top) + p.decalageLigneBasRuban);
  return Sature32(int64_t(BasY(staff) - std::round((basRuban - float(ry)) * Il(staff) / IlRuban(staff))));
}

int16_t CouleurNotes(Portee** staff) {
  const Portee& p = **staff;
  if (p.modeGrise == 1) return 247;
  if (p.couleurNotes >= 1) return p.couleurNotes;
  return p.couleur >= 1 ? p.couleur : int16_t(1);
}

void Trait(int32_t x, int32_t y1, int32_t y2) {
  MoveTo(Sature16(x), Sature16(y1));
  LineTo(Sature16(x), Sature16(y2));
}

void Glyphe(int32_t x, int32_t y, uint8_t code) {
  MoveTo(Sature16(x), Sature16(y));
  DrawCharMusical(code);
}

void Polygone(const Point* pts, int n) {
  PolyHandle poly = OpenPoly();
  MoveTo(pts[0].h, pts[0].v);
  for (int k = 1; k < n; k++) LineTo(pts[k].h, pts[k].v);
  LineTo(pts[0].h, pts[0].v);
  ClosePoly();
  Pattern noir;
  GetQDGlobalsBlack(&noir);
  FillPoly(poly, &noir);
  KillPoly(poly);
}

// Short ledger lines from staff line n towards the staff until a shown line.
void LignesSup(Portee** staff, int32_t n, int32_t xc, int32_t e) {
  const float il = Il(staff), bas = BasY(staff);
  const int32_t cible = n < 4 ? 4 : 0;
  for (int pas = 0; pas < kNbLignesPortee && !IsAfficheLignePortee(staff, int16_t(n)); pas++) {
    if (n < kPremiereLignePortee || n > kDerniereLignePortee) break;
    const int32_t y = int32_t(bas - float(n) * il);
    MoveTo(Sature16(xc - e), Sature16(y));
    LineTo(Sature16(xc + e), Sature16(y));
    if (n == cible) break;
    n += n < cible ? 1 : -1;
  }
}

}  // namespace

void InjecteNoteDansNeume(Portee** staff, Neume* neume, const Signe* sign, int32_t index) {
  if (!neume || !sign || neume->nb >= kMaxNotesNeume) return;
  ElementNeume& e = neume->elements[neume->nb];
  e = ElementNeume{};
  e.index = index;
  e.hauteur = sign->kind;
  e.court = sign->duree < kDureeNeumeCourt ? 1 : 0;
  e.allonge = sign->duree > (e.court ? kDureeAllongeCourt : kDureeAllonge) ? 1 : 0;
  e.variante = sign->varianteNeume;
  e.couleur = sign->couleur;
  e.taille = sign->taille;
  const ParamEffet* effet = staff ? GetParamEffetNote(staff, sign) : nullptr;
  e.episeme = effet && IsMarkInParamEffet(effet, kMarkEpiseme, nullptr) ? 1 : 0;
  if (neume->premier < 0) neume->premier = index;
  neume->dernier = index;
  neume->nb++;
}

void CalculePosNotesNeumeRuban(Portee** staff, int32_t x, Neume* neume) {
  if (!staff || !neume || neume->premier < 0) return;
  Partition** score = (*staff)->partition;
  const int32_t t = CvtIndexNoteEnTemps(staff, neume->premier);
  const float ilR = IlRuban(staff);
  const int32_t origine = (*staff)->aireRuban.top;
  const int32_t z2 = score ? ZoomRuban(score, 2) : 2;
  const int forme = neume->forme >= 0 && neume->forme < kNbFormesNeume ? neume->forme : 0;
  for (int16_t k = 0; k < neume->nb; k++) {
    ElementNeume& e = neume->elements[k];
    const int32_t s = int32_t(float(e.taille) * ilR * 0.7f / 100.0f);
    const int32_t h = s / 2;
    int32_t n = 0;
    const Signe* signs = GetSignesPortee(staff, &n);
    uint8_t flags = kAlterationAucune;
    int32_t y = 0;
    if (signs && e.index < n && (*staff)->vecteurs.vect_Note2Ruban) {
      Signe note = signs[e.index];  // a copy: the slot may move the array
      y = int32_t((*staff)->vecteurs.vect_Note2Ruban(staff, t, e.index, &note, &flags)) - origine;
    }
    e.alteration = uint8_t(flags & 7);
    e.y = y;
    e.x = int32_t(float(s - z2) * DeltaXNotesNeumes[forme][k]) + x;
    BigRect c{e.x, e.x + s, y, y + s};
    if (e.court) {
      const int32_t q = s / 4;
      c = BigRect{c.left + 2 * q, c.right, c.top + q, c.bottom - q};
    }
    c = BigRect{c.left - h, c.right - h, c.top - h, c.bottom - h};
    e.carre = c;
    if (k > 0) {
      BigRect& p = neume->elements[k - 1].carre;
      const bool touche = c.left < p.right && p.left < c.right && c.top < p.bottom && p.top < c.bottom;
      if (std::abs(c.right - p.right) < h && touche) {
        e.carre.top -= z2;
        e.carre.bottom -= z2;
        const int32_t haut = p.bottom - p.top;
        p.top = e.carre.bottom + z2;
        p.bottom = p.top + haut;
      }
    }
  }
}

int32_t ExtraitNeumeRuban(Portee** staff, const Signe* signs, int32_t index, int32_t count, int32_t x, Neume* neume) {
  if (!neume) return index + 1;
  const int32_t suivant = ExtraitNotesNeume(staff, signs, index, count, neume);
  CalculePosNotesNeumeRuban(staff, x, neume);
  return suivant;
}

int32_t DebutNeume(Portee** staff, int32_t index) {
  int32_t n = 0;
  const Signe* s = staff ? GetSignesPortee(staff, &n) : nullptr;
  if (!s || index <= 0 || index >= n) return index;
  int32_t j = index;
  // Back to the tie source of the chain, never over a rest or past the end
  // of the chain before.
  while (j > 0 && !SourceLiaison(staff, j) && s[j - 1].kind >= 0 && !DestLiaison(staff, j - 1)) j--;
  if (j == index || !SourceLiaison(staff, j)) return index;
  // A chain longer than a neume goes on as further neumes.
  Neume nm;
  for (int32_t k = j; k <= index;) {
    const int32_t suivant = ExtraitNotesNeume(staff, s, k, n, &nm);
    if (suivant > index) return k;
    k = suivant;
    s = GetSignesPortee(staff, &n);
  }
  return index;
}

int16_t CvtAireRubanEnAireEcranNeume(Portee** staff, int16_t x, int16_t bar, const BigRect* ribbon, Rect* out,
                                     uint16_t size, uint8_t court) {
  if (!staff || !ribbon || !out) return 0;
  int32_t cote = int32_t(float(size) * Il(staff) * 0.7f / 100.0f);
  if (court) cote /= 2;
  const int32_t left = XEcran(staff, x, bar, ribbon->left);
  const int32_t top = YEcran(staff, ribbon->top);
  *out = Rect{Sature16(top), Sature16(left), Sature16(int64_t(top) + cote), Sature16(int64_t(left) + cote)};
  return 1;
}

void DrawEpiseme(Portee** staff, int16_t x, int16_t bar, int32_t left, int32_t right, int32_t top,
                 CvtAireNeume convert) {
  if (!staff || !convert) return;
  const float ilR = IlRuban(staff);
  const float basLigne = float((*staff)->decalageLigneBasRuban);
  int32_t y = int32_t(float(top) - ilR / 2.0f);
  // Kept off the staff lines.
  for (int m = kPremiereLignePortee; m <= kDerniereLignePortee; m++)
    if (std::fabs(float(y) - (basLigne - float(m) * ilR)) < ilR / 4.0f) {
      y = int32_t(float(y) - ilR / 2.0f);
      break;
    }
  const int32_t origine = (*staff)->aireRuban.top;
  const BigRect r{left, right, y + origine, y + 1 + origine};
  Rect a;
  if (!convert(staff, x, bar, &r, &a, 100, 0)) return;
  const int32_t droite = std::max<int32_t>(XEcran(staff, x, bar, right), a.right);
  PenSize(1, std::max<int16_t>(1, CvtTaillePlumeZoom(kMGEpaisseurEpiseme, 576)));
  MoveTo(a.left, a.top);
  LineTo(Sature16(droite), a.top);
  PenSize(1, 1);
}

void AfficheNeume(Portee** staff, const Neume* neume, int16_t x, int16_t bar, CvtAireNeume convert) {
  if (!staff || !neume || !convert || neume->nb <= 0 || neume->forme < 0 || neume->forme >= kNbFormesNeume) return;
  const int16_t nb = std::min<int16_t>(neume->nb, kMaxNotesNeume);
  TextFontMusicale(staff, Unite(staff));
  const int32_t origine = (*staff)->aireRuban.top;
  const float il = Il(staff), bas = BasY(staff);
  Rect ecran[kMaxNotesNeume];
  int32_t gauche = INT32_MAX;
  for (int16_t k = 0; k < nb; k++) {
    const ElementNeume& e = neume->elements[k];
    const BigRect r{e.carre.left, e.carre.right, e.carre.top + origine, e.carre.bottom + origine};
    convert(staff, x, bar, &r, &ecran[k], e.taille, e.court);
    gauche = std::min<int32_t>(gauche, ecran[k].left);
  }
  const int16_t plume = std::max<int16_t>(1, CvtTaillePlumeZoom(4, 288));
  for (int16_t k = 0; k < nb; k++) {
    const ElementNeume& e = neume->elements[k];
    if (e.taille == 0) continue;
    SetForeColor(e.couleur >= 1 && (*staff)->modeGrise != 1 ? int16_t(e.couleur) : CouleurNotes(staff));
    const uint32_t bits = FormeNotesNeumes[neume->forme][k];
    const Rect& q = ecran[k];
    if (e.alteration == 3) Glyphe(gauche - Zoom(8), q.top, 98);
    else if (e.alteration == 0) Glyphe(gauche - Zoom(8), q.top, 110);
    if (bits & kNeumeTraitGauche) {
      PenSize(plume, 1);
      Trait(q.left, q.bottom, int32_t(float(q.bottom) + 2.0f * il));
      PenSize(1, 1);
    }
    if (bits & kNeumeCarre) PaintRect(&q);
    if (bits & kNeumeLosange) {
      const int16_t mx = Sature16((int32_t(q.left) + q.right) / 2), my = Sature16((int32_t(q.top) + q.bottom) / 2);
      const Point pts[4] = {{q.top, mx}, {my, q.right}, {q.bottom, mx}, {my, q.left}};
      Polygone(pts, 4);
    }
    if (e.allonge) Glyphe(int32_t(q.right) + Zoom(10), (int32_t(q.top) + q.bottom) / 2, 46);
    int32_t xLigne = q.left;
    if ((bits & kNeumeBande) && k + 1 < nb) {
      const Rect& s = ecran[k + 1];
      const Point pts[4] = {{q.top, q.left}, {s.top, s.right}, {s.bottom, s.right}, {q.bottom, q.left}};
      Polygone(pts, 4);
    } else if (bits & kNeumeTraitDroite) {
      const int16_t j = k + 1 < nb ? int16_t(k + 1) : int16_t(0);
      const Rect& s = ecran[j];
      const bool plusHaut = s.top < q.top;
      const int32_t xs = int32_t(q.right) - Zoom(1);
      PenSize(plume, 1);
      if (j == 0 || !(FormeNotesNeumes[neume->forme][j] & kNeumeCarre)) {
        if (plusHaut) Trait(xs, q.bottom, int32_t(float(s.top) - il));
        else Trait(xs, q.top, int32_t(float(s.top) + 2.0f * il));
      } else {
        if (plusHaut) Trait(xs, q.top, s.top);
        else Trait(xs, q.bottom, s.bottom);
      }
      PenSize(1, 1);
      xLigne = xs;
    }
    if ((*staff)->extensionLigneSup != 0) {
      const int32_t ext = std::max(Zoom((*staff)->extensionLigneSup), Zoom(1));
      PenSize(1, std::max<int16_t>(1, CvtTaillePlumeZoom(Mg(kSlotEpaisseurLignePortee), 288)));
      // The line at or below the square's top above the staff; below it, the
      // line at or above the square's bottom.
      const float centre = (float(q.top) + float(q.bottom)) / 2.0f;
      const int32_t n = centre <= bas ? int32_t((bas - float(q.top)) / il) : -int32_t((float(q.bottom) - bas) / il);
      LignesSup(staff, n, xLigne, ext);
      PenSize(1, 1);
    }
  }
  // Episemas over each run of marked notes.
  for (int16_t k = 0; k < nb;) {
    if (!neume->elements[k].episeme) {
      k++;
      continue;
    }
    const int32_t left = neume->elements[k].carre.left;
    int32_t right = left, top = INT32_MAX;
    int16_t j = k;
    for (; j < nb && neume->elements[j].episeme; j++) {
      right = neume->elements[j].carre.right;
      top = std::min(top, neume->elements[j].carre.top);
    }
    SetForeColor(CouleurNotes(staff));
    DrawEpiseme(staff, x, bar, left, right, top, convert);
    k = j;
  }
  PenSize(1, 1);
}
