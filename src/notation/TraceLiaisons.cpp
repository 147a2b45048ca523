#include "notation/TraceLiaisons.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "layout/Zoom.h"
#include "model/CvtTemps.h"
#include "model/ParamEffet.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/QRVPOBJ.h"
#include "model/QrvLiaison.h"
#include "model/Ruban.h"
#include "model/Signe.h"
#include "model/TabEltMesure.h"
#include "notation/DecalagesAccord.h"
#include "notation/DessinMarks.h"
#include "notation/LiaisonsAccroche.h"
#include "notation/QrvLiaisonCoule.h"
#include "notation/SCleGraf.h"
#include "platform/Memory.h"
#include "platform/QuickDraw.h"
#include "stafftypes/DonneesTablature.h"
#include "stafftypes/ServicesTypesPortee.h"
#include "system/Strings.h"

namespace {

// A link waiting for the post-pass.
struct EntreeLiaison {
  uint16_t portee;
  uint32_t note;
  int32_t xOrigine;
  uint8_t tablature;
  uint8_t kind;  // kLiaisonCoule or kLiaisonAccroche
};

std::vector<EntreeLiaison> tabLiaison;

int32_t LitForme32(const DataLiaison& d, int offset) {
  int32_t v;
  std::memcpy(&v, d.forme + offset, 4);
  return v;
}
int16_t LitForme16(const DataLiaison& d, int offset) {
  int16_t v;
  std::memcpy(&v, d.forme + offset, 2);
  return v;
}
int8_t LitForme8(const DataLiaison& d, int offset) { return int8_t(d.forme[offset]); }

// The slur block that gives a note's link: its own record, or the record at
// an effect index.
bool LitLiaison(Portee** staff, int32_t note, uint16_t effect, DataLiaison* out) {
  if (effect == kEffetDeLaNote) return GetDataLiaisonNote(staff, note, out) != 0;
  int32_t n;
  ParamEffet* e = GetParamEffetsPortee(staff, &n);
  if (!e || effect >= n || e[effect].libre || int32_t(e[effect].liaison.idSource) <= 0) return false;
  *out = e[effect].liaison;
  return true;
}

// The width of the clef and key drawn at the start of a bar.
int32_t LargeurCleArmure(Partition** score, int32_t bar) { return CvtMesureEnTailleEcranClePixel(score, bar); }

// Whether a bar begins a line in the screen bar table.
bool DebutLigne(Partition** score, int32_t bar) {
  Handle h = GetTabEltMesureEcran(score);
  const TabEltMesure* r = GetLignesTabElt(h);
  return r && bar >= 0 && bar < GetNbLignesTabElt(h) && r[bar].debutSysteme != 0;
}

// Draws one piece of a slur.
void TracePiece(int16_t style, const BigPt& a, const BigPt& c, const BigPt& b, int16_t epaisseur, float lissage) {
  TraceLiaisonCoule(style, Sature16(a.x), Sature16(a.y), Sature16(b.x), Sature16(b.y), Sature16(c.x), Sature16(c.y),
                    epaisseur, lissage);
}

}  // namespace

// ---------------------------------------------------------------- geometry

bool GetCoordonneesTeteNoteAccroche(Portee** staff, int32_t note, bool tablature, bool ecran, bool finChaine,
                                    BigPt* out) {
  if (!staff || !out) return false;
  Partition** score = (*staff)->partition;
  int32_t n;
  const Signe* s = GetSignesPortee(staff, &n);
  if (!score || !s || note < 0 || note >= n) return false;
  if (tablature && !(*staff)->tablature) return false;
  if (tablature)
    out->y = ecran ? CvtIndexNoteEnPosEcranLinTablature(staff, note) : CvtIndexNoteEnPosRubanLinTablature(staff, note);
  else out->y = ecran ? CvtIndexNoteEnPosEcranLin(staff, note) : CvtIndexNoteEnPosRubanLin(staff, note);
  int64_t t = CvtIndexNoteEnTemps(staff, note);
  if (finChaine) {
    Handle pieces = CvtNoteEnListeNotesLiees(staff, note);
    const int32_t k = pieces ? int32_t(GetHandleSize(pieces) / Size(sizeof(Signe))) : 0;
    const Signe* p = pieces ? reinterpret_cast<const Signe*>(*pieces) : nullptr;
    for (int32_t i = 0; i + 1 < k; i++) t += p[i].duree;
    if (pieces) DisposeHandle(pieces);
  }
  const int32_t tick = Sature32(t);
  const int32_t x = ecran ? CvtTempsEnPixelEcran(score, tick) : CvtTempsEnPixelRuban(score, tick);
  out->x = Sature32(int64_t(x) + CalculeDecalageCorpsAccord(ecran ? nullptr : score, staff, note));
  return true;
}

int16_t CalculeCoordonneesLiaison(bool ecran, Portee** staff, int32_t note, bool tablature, uint16_t effect,
                                  BigPt* start, BigPt* control, BigPt* end, int16_t* style, bool accroche,
                                  Portee*** farStaff, int32_t* farNote) {
  if (!staff || !(*staff)->partition) return 0;
  if (accroche) {
    Portee** autre = nullptr;
    int32_t j = -1;
    if (!CalculeCoordonneesAccroche(staff, note, tablature, ecran, start, control, end, &autre, &j)) return 0;
    if (style) *style = 0;
    if (farStaff) *farStaff = autre;
    if (farNote) *farNote = j;
    return 1;
  }
  Partition** score = (*staff)->partition;
  DataLiaison d;
  if (!LitLiaison(staff, note, effect, &d)) return 0;
  Portee** autre = GetPorteeIndex(score, int16_t(d.porteeSource));
  if (!autre) return 0;
  const int32_t j = LocIdLiaisonDest(autre, d.idSource, staff, kLiaisonCoule);
  if (j < 0) return 0;
  // A plain slur ends on the far note's last printed piece; a slur that reads
  // as a tie starts from the start note's last piece.
  const bool lie = IsCoulePourLie(staff, note);
  BigPt a, b;
  if (!GetCoordonneesTeteNoteAccroche(staff, note, false, ecran, lie, &a)) return 0;
  if (!GetCoordonneesTeteNoteAccroche(autre, j, false, ecran, !lie, &b)) return 0;
  auto z = [&](int32_t v) { return ecran ? Zoom(v) : ZoomRuban(score, v); };
  const int8_t dy0 = LitForme8(d, kFormeLiaisonDebutDy), dy1 = LitForme8(d, kFormeLiaisonFinDy);
  a.x += z(LitForme8(d, kFormeLiaisonDebutDx));
  b.x += z(LitForme8(d, kFormeLiaisonFinDx));
  if (tablature && (*staff)->type != kTypePorteeTablature) {
    // Against a tablature the offsets come from its line spacing.
    if (!GetCoordonneesTeteNoteAccroche(autre, j, false, ecran, false, &b)) return 0;
    b.x += z(LitForme8(d, kFormeLiaisonFinDx));
    const bool deux = (*staff)->tablature && (*autre)->tablature;
    if (deux) {
      a.y += z(dy0);
      b.y += z(dy1);
    }
  } else {
    a.y += z(dy0);
    b.y += z(dy1);
  }
  const uint16_t cxr = uint16_t(LitForme16(d, kFormeLiaisonControleX));
  const int16_t cyr = LitForme16(d, kFormeLiaisonControleY);
  const float il = ecran ? ((*staff)->interligne > 0.0f ? (*staff)->interligne : 6.0f)
                         : ((*staff)->interligneRuban > 0.0f ? (*staff)->interligneRuban : 6.0f);
  const int64_t interligne = int64_t(il);
  control->x = Sature32(int64_t(a.x) + (int64_t(b.x) - a.x) * cxr / 1000);
  control->y = Sature32((int64_t(a.y) + b.y) / 2 + int64_t(cyr) * interligne / 1000);
  *start = a;
  *end = b;
  if (style) *style = int16_t(LitForme32(d, kFormeLiaisonStyle));
  if (farStaff) *farStaff = autre;
  if (farNote) *farNote = j;
  return 1;
}

// ---------------------------------------------------------------- drawing

void TraceLiaisonBrut(Portee** staff, int32_t xOrigin, int32_t note, const Signe* sign, bool tablature, uint16_t effect,
                      bool accroche) {
  if (!staff || !(*staff)->partition) return;
  Partition** score = (*staff)->partition;
  RgnHandle avant = NewRgn();
  GetClip(avant);
  Rect clip;
  GetRegionBounds(avant, &clip);
  // Narrowed to the staff's width when the staff has been placed.
  const Rect& r = (*staff)->rect;
  if (r.right > r.left) {
    clip.left = std::max(clip.left, r.left);
    clip.right = std::min(clip.right, r.right);
  }
  if (clip.left >= clip.right) {
    DisposeRgn(avant);
    return;
  }
  ClipRect(&clip);
  RGBColor couleurAvant;
  GetForeColor(&couleurAvant);
  auto fin = [&] {
    RGBForeColor(&couleurAvant);
    SetClip(avant);
    DisposeRgn(avant);
  };

  BigPt a{}, c{}, b{};
  int16_t style = 0;
  Portee** autre = nullptr;
  int32_t j = -1;
  if (!CalculeCoordonneesLiaison(true, staff, note, tablature, effect, &a, &c, &b, &style, accroche, &autre, &j)) {
    fin();
    return;
  }
  int32_t dx = 0;
  if (xOrigin != kXOrigineAucune) {
    const int32_t debut = CvtIndexNoteEnTemps(staff, note);
    // The origin is where the driver begins the bar (its header included), as
    // the page x of the bar's beginning.
    dx = Sature32(int64_t(xOrigin) - CvtMesureEnPixelEcranDebutMesure(score, CvtTempsEnMesure(score, debut)));
    a.x += dx;
    b.x += dx;
    c.x += dx;
  }
  if (accroche) {
    TraceAccrocheBrut(staff, note, tablature, dx, a, c, b);
    fin();
    return;
  }

  DataLiaison d;
  LitLiaison(staff, note, effect, &d);
  const uint8_t epaisseur = d.forme[kFormeLiaisonEpaisseur];
  const float lissage = float(uint16_t(LitForme16(d, kFormeLiaisonLissage))) * 0.01f;
  const uint16_t couleur = uint16_t(LitForme16(d, kFormeLiaisonCouleur));
  SetForeColorSigne(staff, int16_t(couleur ? couleur : (sign ? sign->couleur : 0)));
  const int16_t ez = Sature16(Zoom(epaisseur));

  // One piece per line: the slur is cut where a later bar begins a line.
  if (xOrigin != kXOrigineAucune && a.x != b.x) {
    const int32_t debut = CvtIndexNoteEnTemps(staff, note);
    int32_t n;
    const Signe* s = GetSignesPortee(autre, &n);
    const int64_t finTemps = int64_t(CvtIndexNoteEnTemps(autre, j)) + (s && j < n ? s[j].duree : 0) - 3;
    const int32_t b0 = CvtTempsEnMesure(score, debut);
    const int32_t b1 = CvtTempsEnMesure(score, Sature32(finTemps));
    const int32_t derniere = (*score)->nbMesures - 1;
    if (b1 > b0 && b0 < derniere) {
      const float pente = float(b.y - a.y) / float(b.x - a.x);
      const float ratio = b.y != a.y ? float(c.y - a.y) / float(b.y - a.y) : 1.0f;
      const float fraction = float(c.x - a.x) / float(b.x - a.x);
      auto controle = [&](const BigPt& p, const BigPt& q) {
        BigPt k;
        k.x = Sature32(int64_t(float(p.x) + float(q.x - p.x) * fraction));
        k.y = q.y != p.y ? Sature32(int64_t(float(p.y) + float(q.y - p.y) * ratio)) : c.y;
        return k;
      };
      BigPt p = a;
      int64_t x = int64_t(xOrigin) - Zoom(1);
      for (int32_t m = b0; m < b1; m++) {
        x += CvtMesureEnTaillePixelEcran(score, m);
        if (!DebutLigne(score, m + 1) || x <= p.x) continue;
        BigPt q{Sature32(x), Sature32(int64_t(float(p.y) + float(x - p.x) * pente))};
        if (epaisseur >= 1) TracePiece(style, p, controle(p, q), q, ez, lissage);
        p = BigPt{Sature32(x + LargeurCleArmure(score, m + 1) + Zoom(2)), q.y};
      }
      a = p;
      if (b.x != a.x) c = controle(a, b);
    }
  }
  if (epaisseur >= 1) TracePiece(style, a, c, b, ez, lissage);
  // The technique labels of the start note (hammer-on, pull-off, slides) at
  // the control point.
  int32_t ne;
  const ParamEffet* effets = effect == kEffetDeLaNote ? GetParamEffetIndexNote(staff, note) : nullptr;
  if (effect != kEffetDeLaNote) {
    const ParamEffet* tous = GetParamEffetsPortee(staff, &ne);
    if (tous && effect < ne) effets = tous + effect;
  }
  AfficheLibEffetLiaisonTablature(staff, effets, LitForme16(d, kFormeLiaisonControleY), Sature16(c.x), Sature16(c.y));
  fin();
}

void TraceLiaisonEntreDeuxNotes(Portee** staff, int32_t xOrigin, int32_t note, const Signe* sign, bool tablature,
                                uint16_t effect) {
  if (!staff) return;
  DataLiaison d;
  if (LitLiaison(staff, note, effect, &d)) {
    if (int16_t(d.porteeSource) > (*staff)->index)
      tabLiaison.push_back(EntreeLiaison{uint16_t((*staff)->index), uint32_t(note), xOrigin, uint8_t(tablature ? 1 : 0),
                                         uint8_t(kLiaisonCoule)});
    else TraceLiaisonBrut(staff, xOrigin, note, sign, tablature, effect, false);
  }
  DataAccroche a;
  if (GetDataAccrocheNote(staff, note, &a))
    tabLiaison.push_back(EntreeLiaison{uint16_t((*staff)->index), uint32_t(note), xOrigin, uint8_t(tablature ? 1 : 0),
                                       uint8_t(kLiaisonAccroche)});
}

void TraceLiaisonPostTraitement(Partition** score) {
  if (tabLiaison.empty()) return;
  if (!score) {
    VideLiaisonsEnAttente();
    return;
  }
  RgnHandle avant = NewRgn();
  GetClip(avant);
  int32_t gauche = INT32_MIN;
  for (const EntreeLiaison& e : tabLiaison)
    if (Portee** p = GetPorteeIndex(score, int16_t(e.portee)))
      if ((*p)->rect.right > (*p)->rect.left) gauche = std::max<int32_t>(gauche, (*p)->rect.left);
  if (gauche != INT32_MIN) {
    Rect clip;
    GetRegionBounds(avant, &clip);
    clip.left = std::max(clip.left, Sature16(gauche));
    clip.right = 32767;
    ClipRect(&clip);
  }
  // The queue is taken out first: nothing drawn from it can add to it.
  std::vector<EntreeLiaison> file;
  file.swap(tabLiaison);
  for (const EntreeLiaison& e : file) {
    Portee** staff = GetPorteeIndex(score, int16_t(e.portee));
    if (!staff) continue;
    int32_t n;
    const Signe* s = GetSignesPortee(staff, &n);
    if (!s || int64_t(e.note) >= n) continue;
    const bool tab = e.tablature != 0;
    if ((*staff)->type == kTypePorteeTablature && !tab && !(*staff)->tablature) continue;
    const Signe sign = s[e.note];
    TraceLiaisonBrut(staff, e.xOrigine, int32_t(e.note), &sign, tab, kEffetDeLaNote, e.kind == kLiaisonAccroche);
  }
  file.clear();
  if (tabLiaison.capacity() < file.capacity()) tabLiaison.swap(file);
  tabLiaison.clear();
  SetClip(avant);
  DisposeRgn(avant);
}

int32_t GetNbLiaisonsEnAttente() { return int32_t(tabLiaison.size()); }

void VideLiaisonsEnAttente() { tabLiaison.clear(); }
