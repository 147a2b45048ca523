#include "notation/FormesCorps.h"

#include <algorithm>
#include <cmath>

#include "layout/DonneesModeGraphique.h"
#include "layout/Zoom.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/QRVPOBJ.h"
#include "model/Signe.h"
#include "notation/DessinCorps.h"
#include "notation/QrvLiaisonCoule.h"
#include "notation/ValeursNotes.h"
#include "platform/Memory.h"
#include "platform/Pictures.h"
#include "platform/QuickDraw.h"
#include "platform/Resources.h"
#include "platform/TextDraw.h"
#include "plugin/Preferences.h"
#include "system/Couleurs.h"
#include "system/PortLayer.h"
#include "text/Fontes.h"

const uint8_t ChiffreTuplet[10] = {188, 193, 170, 163, 162, 176, 164, 166, 165, 187};

namespace {

constexpr ResType kTypePICT = FourCC("PICT");

int16_t T16(float v) { return int16_t(std::clamp(v, -32767.0f, 32767.0f)); }
int16_t S16(int32_t v) { return int16_t(std::clamp<int32_t>(v, -32767, 32767)); }

// ---------------------------------------------------------------- head pictures

// The artwork of the head pictures, in a 100 x 100 square: the filled form
// and the outlined one (for half and whole notes) of each shape.
struct Forme {
  int n;
  Point p[12];  // (v, h)
};

Forme Polygone(std::initializer_list<std::pair<int16_t, int16_t>> hv) {
  Forme f{};
  for (auto [h, v] : hv) f.p[f.n++] = Point{v, h};
  return f;
}

Forme DemiLune(bool platEnBas) {
  Forme f{};
  for (int i = 0; i <= 10; i++) {
    const double a = M_PI * i / 10.0;
    const int16_t h = int16_t(std::lround(50.0 - 50.0 * std::cos(a)));
    const int16_t v = int16_t(std::lround(platEnBas ? 100.0 - 90.0 * std::sin(a) : 90.0 * std::sin(a)));
    f.p[f.n++] = Point{v, h};
  }
  return f;
}

Forme FormeImage(int k) {
  switch (k) {
    case 0:  // shape 15: a triangle pointing up, and down
      return Polygone({{50, 0}, {100, 100}, {0, 100}});
    case 7: return Polygone({{0, 0}, {100, 0}, {50, 100}});
    case 1:  // shape 17: a half moon, flat at the bottom, and at the top
      return DemiLune(true);
    case 4: return DemiLune(false);
    case 2:  // shape 18: a diamond leaning right, and left
      return Polygone({{40, 0}, {100, 40}, {60, 100}, {0, 60}});
    case 5: return Polygone({{60, 0}, {100, 60}, {40, 100}, {0, 40}});
    case 3:  // shape 19: a keystone wide at the top, and at the bottom
      return Polygone({{0, 0}, {100, 0}, {75, 100}, {25, 100}});
    case 6: return Polygone({{25, 0}, {75, 0}, {100, 100}, {0, 100}});
    case 10: return Polygone({{0, 0}, {100, 0}, {100, 100}, {0, 100}});  // shape 24: a square
    case 11: return Polygone({{35, 0}, {100, 0}, {65, 100}, {0, 100}});  // shape 25: a slash
    default: return Forme{};
  }
}

void DessineForme(const Forme& f, bool creuse) {
  PolyHandle poly = OpenPoly();
  MoveTo(f.p[0].h, f.p[0].v);
  for (int i = 1; i < f.n; i++) LineTo(f.p[i].h, f.p[i].v);
  LineTo(f.p[0].h, f.p[0].v);
  ClosePoly();
  if (!poly) return;
  if (creuse) {
    PenSize(10, 10);
    FramePoly(poly);
    PenSize(1, 1);
  } else {
    PaintPoly(poly);
  }
  KillPoly(poly);
}

// Ids 20000..20013 in pairs (filled, outlined) of the shapes 15, 17, 18, 19
// (flag set) then their other forms (flag clear) up to 20015; 20016..20019
// single pictures of the shapes 22 to 25.
void DessineImage(int16_t id) {
  const int k = id - kIdImageFormeCorps;
  if (k < 16) {
    // 0..7 filled/outlined pairs of forms 0..3 (flag set) and, from 8, of the
    // stem-down forms, with shape 15's at 14 and 15.
    static const int8_t formes[16] = {0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7};
    DessineForme(FormeImage(formes[k]), k % 2 == 1);
    return;
  }
  const Rect r{0, 0, 100, 100};
  switch (k) {
    case 16:  // shape 22: a circled cross
      PenSize(10, 10);
      FrameOval(&r);
      MoveTo(15, 15);
      LineTo(75, 75);
      MoveTo(75, 15);
      LineTo(15, 75);
      PenSize(1, 1);
      break;
    case 17:  // shape 23: a cross
      PenSize(18, 18);
      MoveTo(0, 0);
      LineTo(82, 82);
      MoveTo(82, 0);
      LineTo(0, 82);
      PenSize(1, 1);
      break;
    case 18: DessineForme(FormeImage(10), false); break;
    default: DessineForme(FormeImage(11), false); break;
  }
}

void ConstruitImagesFormesCorps() {
  static bool faites = false;
  if (faites) return;
  faites = true;
  CGrafPtr ancien = SetPortTemporaire();
  RGBColor couleur;
  GetForeColor(&couleur);
  const RGBColor noir{0, 0, 0};
  RGBForeColor(&noir);
  PenNormal();
  const Rect cadre{0, 0, 100, 100};
  for (int k = 0; k < kNbImagesFormeCorps; k++) {
    PicHandle pic = OpenPicture(&cadre);
    if (!pic) continue;
    DessineImage(int16_t(kIdImageFormeCorps + k));
    ClosePicture();
    PlatformAddResource(kTypePICT, int16_t(kIdImageFormeCorps + k), *pic, GetHandleSize(pic));
    KillPicture(pic);
  }
  RGBForeColor(&couleur);
  SetPort(ancien);
}

// Pictures take the foreground colour in force: every shape they hold is
// drawn in it, through the port's own procedures.
RGBColor couleurImage;
CQDProcs procsSous;
void LigneEnCouleur(Point p) {
  RGBForeColor(&couleurImage);
  procsSous.lineProc(p);
}
void RectEnCouleur(GrafVerb v, const Rect* r) {
  RGBForeColor(&couleurImage);
  procsSous.rectProc(v, r);
}
void OvaleEnCouleur(GrafVerb v, const Rect* r) {
  RGBForeColor(&couleurImage);
  procsSous.ovalProc(v, r);
}
void PolyEnCouleur(GrafVerb v, PolyHandle p) {
  RGBForeColor(&couleurImage);
  procsSous.polyProc(v, p);
}
void RgnEnCouleur(GrafVerb v, RgnHandle r) {
  RGBForeColor(&couleurImage);
  procsSous.rgnProc(v, r);
}

void DessineImageEnCouleur(Handle pic, const Rect& r) {
  CGrafPtr port = nullptr;
  GetPort(&port);
  if (!port || !pic) return;
  GetForeColor(&couleurImage);
  CQDProcsPtr ancien = GetPortGrafProcs(port);
  procsSous = *QDGetProcs(port);
  CQDProcs procs = procsSous;
  procs.lineProc = LigneEnCouleur;
  procs.rectProc = RectEnCouleur;
  procs.ovalProc = OvaleEnCouleur;
  procs.polyProc = PolyEnCouleur;
  procs.rgnProc = RgnEnCouleur;
  SetPortGrafProcs(port, &procs);
  DrawPicture(pic, &r);
  SetPortGrafProcs(port, ancien);
}

// ---------------------------------------------------------------- glyph heads

struct GlypheForme {
  uint8_t plein, blanche, ronde;
  uint8_t pleinClear, blancheClear, rondeClear;  // the other form, when flag is clear
};

bool GlyphesForme(int16_t shape, GlypheForme* g) {
  switch (shape) {
    case 0: *g = {207, 250, 119, 207, 250, 119}; return true;
    case 1: *g = {209, 177, 177, 209, 177, 177}; return true;
    case 2: *g = {226, 225, 225, 226, 225, 225}; return true;
    case 3: *g = {192, 182, 182, 192, 182, 182}; return true;
    case 4: *g = {43, 171, 171, 43, 171, 171}; return true;
    case 6: *g = {159, 158, 158, 159, 158, 158}; return true;
    case 8: *g = {204, 205, 247, 202, 203, 245}; return true;
    case 9: *g = {133, 134, 135, 133, 134, 135}; return true;
    case 10: *g = {253, 252, 254, 253, 252, 254}; return true;
    case 11: *g = {153, 154, 154, 153, 154, 154}; return true;
    case 12: *g = {156, 155, 155, 136, 157, 157}; return true;
    case 13: *g = {225, 225, 225, 225, 225, 225}; return true;
    case 26: *g = {250, 119, 87, 250, 119, 87}; return true;
    case 27: *g = {207, 207, 207, 207, 207, 207}; return true;
    default: return false;
  }
}

int16_t IdImage(int16_t shape, bool flag, bool creuse) {
  int16_t base;
  switch (shape) {
    case 15: base = flag ? 20000 : 20014; break;
    case 17: base = flag ? 20002 : 20008; break;
    case 18: base = flag ? 20004 : 20010; break;
    case 19: base = flag ? 20006 : 20012; break;
    case 22: return 20016;
    case 23: return 20017;
    case 24: return 20018;
    case 25: return 20019;
    default: return 0;
  }
  return int16_t(base + (creuse ? 1 : 0));
}

void Polygone(std::initializer_list<Point> pts, bool creuse) {
  PolyHandle poly = OpenPoly();
  const Point* p = pts.begin();
  MoveTo(p[0].h, p[0].v);
  for (size_t i = 1; i < pts.size(); i++) LineTo(p[i].h, p[i].v);
  LineTo(p[0].h, p[0].v);
  ClosePoly();
  if (!poly) return;
  if (creuse) {
    PenSize(1, 1);
    FramePoly(poly);
  } else {
    PaintPoly(poly);
  }
  KillPoly(poly);
}

Point P(int32_t h, int32_t v) { return Point{S16(v), S16(h)}; }

// ---------------------------------------------------------------- blended lines

float gammaLine[256];
bool gammaLineFaite = false;

}  // namespace

Handle GetImageFormeCorps(int16_t id) {
  ConstruitImagesFormesCorps();
  return GetResource(kTypePICT, id);
}

void TraceFormeCorps(Portee** staff, int16_t shape, int32_t duration, uint8_t flag, int16_t sizePercent, int16_t x,
                     int16_t y) {
  if (shape == kFormeCorpsSansTete) {
    MoveTo(x, y);
    return;
  }
  if (shape < 1 || shape > kFormeCorpsMax) shape = 0;
  if (duration == kDureeBreve || duration == kDureeLongue) {
    MoveTo(x, y);
    DrawCharMusical(duration == kDureeBreve ? 87 : 221);
    return;
  }
  const bool creuse = duration == kDureeBlanche || duration == kDureeRondeTete;
  GlypheForme g;
  if (GlyphesForme(shape, &g)) {
    uint8_t code;
    if (duration == kDureeBlanche) code = flag ? g.blanche : g.blancheClear;
    else if (duration == kDureeRondeTete) code = flag ? g.ronde : g.rondeClear;
    else code = flag ? g.plein : g.pleinClear;
    MoveTo(x, y);
    DrawCharMusical(code);
    return;
  }
  int32_t w;
  if (staff) w = int32_t((*staff)->largeurTete) * sizePercent / 100 - Zoom(1);
  else w = (int32_t(CharWidthCaractereMusical(207)) * 613 + 356) / 713 - Zoom(1);
  if (w < 1) w = 1;
  const int32_t z1 = Zoom(1), haut = y - w / 2;
  switch (shape) {
    case 5: {
      const int32_t h = creuse ? w - z1 : w, l = creuse ? w : w + z1;
      const int32_t top = y - h / 2;
      const Rect r{S16(top), x, S16(top + h), S16(x + l)};
      if (creuse) {
        PenSize(1, 1);
        FrameRect(&r);
      } else {
        PaintRect(&r);
      }
      MoveTo(S16(x + Zoom(flag ? 9 : 10)), y);
      return;
    }
    case 14:
      if (flag)
        Polygone({P(x - w / 3, haut), P(x + w / 3, haut), P(x + 2 * w / 3, haut + w), P(x - 2 * w / 3, haut + w)},
                 creuse);
      else
        Polygone({P(x + w / 3, haut), P(x + 5 * w / 3, haut), P(x + 4 * w / 3, haut + w), P(x + 2 * w / 3, haut + w)},
                 creuse);
      MoveTo(S16(x + Zoom(flag ? 8 : 10)), y);
      return;
    case 16: {
      const int32_t h = w + Zoom(2);
      const int32_t pointe = flag ? x : x + w + z1, base = flag ? x + w : pointe - w;
      Polygone({P(pointe, y), P(base, y - h / 2), P(base, y - h / 2 + h)}, creuse);
      MoveTo(S16(flag ? x + Zoom(8) : pointe), y);
      return;
    }
    case 20: {
      const int32_t x0 = flag ? x : x + z1;
      Polygone({P(x0, haut), P(x0 + w, haut), P(x0, haut + w)}, creuse);
      MoveTo(S16(x0 + w), y);
      return;
    }
    case 21: {
      const int32_t x0 = flag ? x : x + z1;
      Polygone({P(x0, haut), P(x0 + w / 2, haut + w / 2), P(x0 + w, haut), P(x0 + w, haut + w), P(x0, haut + w)},
               creuse);
      MoveTo(S16(x0 + w), y);
      return;
    }
    default: break;
  }
  // Picture shapes, in the head rectangle.
  Rect r{S16(haut), x, S16(haut + w), S16(x + w)};
  if (shape == 15 || shape == 17 || shape == 18 || shape == 19) {
    if (!flag) OffsetRect(&r, S16(z1), 0);
  } else if (shape == 25) {
    InsetRect(&r, S16(-Zoom(2)), S16(-z1));
  } else {
    InsetRect(&r, S16(-z1), S16(-z1));
  }
  if (Handle pic = GetImageFormeCorps(IdImage(shape, flag != 0, creuse))) DessineImageEnCouleur(pic, r);
  MoveTo(r.right, y);
}

float GammaLine(int32_t index) {
  if (!gammaLineFaite) {
    for (int i = 0; i < 256; i++) {
      const float v = std::pow(float(i) / 255.0f, 0.9f);
      gammaLine[i] = v < 0.1f ? 0.0f : v;
    }
    gammaLineFaite = true;
  }
  return gammaLine[std::clamp<int32_t>(index, 0, 255)];
}

void TraceLigneHorizontale(Portee**, int16_t x, float y, int16_t length, float thickness, float, int16_t colour) {
  RGBColor avant;
  GetForeColor(&avant);
  PenState pen;
  GetPenState(&pen);
  RGBColor plume = avant;
  if (colour >= 0) CvtIndexEnRGB(uint16_t(colour), &plume);
  // Below a pixel the line is one pixel high and as light as it is thin.
  float alpha = 1.0f;
  if (thickness < 1.0f) {
    alpha = std::max(thickness, 0.2f);
    thickness = 1.0f;
  }
  if (pref.traitsAntialias) {
    if (thickness >= 6.5f || std::fabs(thickness - std::round(thickness)) <= 0.2f) y = std::round(y);
    // The preview's pages are white.
    const RGBColor fond{0xFFFF, 0xFFFF, 0xFFFF};
    auto rangee = [&](int32_t v, float couverture) {
      if (couverture <= 0.0f) return;
      auto mel = [couverture](uint16_t c, uint16_t f) {
        return uint16_t(std::lround(float(f) + (float(c) - float(f)) * std::min(couverture, 1.0f)));
      };
      const RGBColor c{mel(plume.red, fond.red), mel(plume.green, fond.green), mel(plume.blue, fond.blue)};
      RGBForeColor(&c);
      PenSize(1, 1);
      MoveTo(x, S16(v));
      LineTo(S16(x + length - 1), S16(v));
    };
    const int32_t haut = int32_t(std::floor(y)), bas = int32_t(std::floor(y + thickness));
    if (haut != bas) {
      rangee(haut, GammaLine(int32_t((float(haut) + 1.0f - y) * 255.0f)) * alpha);
      if (bas - haut - 1 > 0) {
        RGBForeColor(&plume);
        PenSize(1, S16(bas - haut - 1));
        MoveTo(x, S16(haut + 1));
        LineTo(S16(x + length - 1), S16(haut + 1));
      }
      rangee(bas, GammaLine(int32_t((y + thickness - float(bas)) * 255.0f)) * alpha);
    } else {
      rangee(haut, GammaLine(int32_t(thickness * 255.0f)));
    }
  } else {
    const int16_t p = int16_t(std::max<long>(1, std::lround(thickness)));
    PenSize(p, p);
    if (colour >= 0) SetForeColor(colour);
    const int16_t yy = T16(std::round(y));
    MoveTo(x, yy);
    LineTo(S16(x + length - p), yy);
  }
  SetPenState(&pen);
  RGBForeColor(&avant);
}

namespace {

// The digit glyphs of a number (one, or two from 10), their width.
int Chiffres(int n, uint8_t out[2]) {
  if (n >= 10) {
    out[0] = ChiffreTuplet[(n / 10) % 10];
    out[1] = ChiffreTuplet[n % 10];
    return 2;
  }
  out[0] = ChiffreTuplet[n % 10];
  return 1;
}
int16_t Largeur(const uint8_t* c, int n) {
  int16_t w = 0;
  for (int i = 0; i < n; i++) w = int16_t(w + CharWidthCaractereMusical(c[i]));
  return w;
}
void Dessine(const uint8_t* c, int n) {
  for (int i = 0; i < n; i++) DrawCharMusical(c[i]);
}

}  // namespace

int16_t TraceNuplet(int16_t x, int16_t y, uint16_t tupletWord, Rect* rect) {
  const int n = tupletWord & 0xF, m = (tupletWord >> 4) & 0xF;
  if ((tupletWord & kTupletCache) || n == 0) return 0;
  uint8_t cn[2], cm[2];
  const int nn = Chiffres(n, cn);
  const int16_t wn = Largeur(cn, nn);
  const int16_t z1 = S16(Zoom(1)), z8 = S16(Zoom(8));
  int16_t largeur, gauche;
  if (tupletWord & kTupletRatio) {
    const int nm = Chiffres(m, cm);
    const int16_t wm = Largeur(cm, nm);
    MoveTo(S16(x - z1 - wn), y);
    Dessine(cn, nn);
    MoveTo(S16(x + Zoom(3)), y);
    Dessine(cm, nm);
    MoveTo(S16(x - z1), S16(y - z1));
    DrawCharMusical(46);
    MoveTo(S16(x - 2 * z1), S16(y - z1 - Zoom(4)));
    DrawCharMusical(46);
    largeur = S16(wn + wm + Zoom(4));
    gauche = S16(x - largeur / 2);
  } else {
    largeur = wn;
    gauche = S16(int32_t(float(x) - 0.4f * float(wn)));
    MoveTo(gauche, y);
    Dessine(cn, nn);
  }
  if (rect) *rect = Rect{S16(y - z8), gauche, y, S16(gauche + largeur)};
  return largeur;
}

void TraceSymboleRepeteDeuxDernieresMesures(Portee** staff, int16_t x, int16_t y) {
  static PicHandle symbole = nullptr;
  if (!symbole) {
    CGrafPtr ancien = SetPortTemporaire();
    const Rect cadre{0, 0, 1000, 1000};
    PicHandle pic = OpenPicture(&cadre);
    if (pic) {
      for (int16_t d : {0, 200}) {
        PolyHandle poly = OpenPoly();
        MoveTo(S16(150 + d), 632);
        LineTo(S16(278 + d), 632);
        LineTo(S16(680 + d), 214);
        LineTo(S16(552 + d), 214);
        LineTo(S16(150 + d), 632);
        ClosePoly();
        if (poly) {
          PaintPoly(poly);
          KillPoly(poly);
        }
      }
      const Rect a{246, 242, 366, 362}, b{496, 700, 616, 820};
      PaintOval(&a);
      PaintOval(&b);
      ClosePicture();
      symbole = pic;
    }
    SetPort(ancien);
  }
  const int32_t cote = Zoom(30) * kMGEchelleSymboleRepetition / 100;
  const int32_t dy = Zoom(kMGDecalageSymboleRepetition);
  const Rect r{S16(y - cote / 2 + dy), S16(x - cote / 2), S16(y - cote / 2 + dy + cote), S16(x - cote / 2 + cote)};
  if (symbole) DessineImageEnCouleur(symbole, r);
  if (!staff) return;
  // The figure 2 centred above the staff.
  CGrafPtr port = nullptr;
  GetPort(&port);
  if (!port) return;
  const int16_t police = port->txFont, taille = port->txSize;
  const uint8_t face = port->txFace;
  const Portee& p = **staff;
  const float il = p.interligne > 0.0f ? p.interligne : float(Zoom(72)) / 12.0f;
  const float haut = float(p.rect.top + p.decalageLigneBas) - 4.0f * il;
  TextFont(kMGFonteChiffreRepetition);
  TextFace(kMGStyleChiffreRepetition);
  TextSize(T16(il * 0.0625f * float(kMGTailleChiffreRepetition)));
  const int16_t w = CharWidth('2');
  MoveTo(S16(x - w / 2), T16(haut - float(Zoom(4) + Zoom(kMGDecalageChiffreRepetition))));
  DrawChar('2');
  TextFont(police);
  TextFace(face);
  TextSize(taille);
}

int16_t TraceNoteAmbitus(Portee** staff, int16_t x, int16_t pitch) {
  if (!staff || !(*staff)->vecteurs.vect_Note2Ecr) return 0;
  Signe note;
  RazNote(&note, int8_t(std::clamp<int16_t>(pitch, 0, 127)), 40320);
  note.alteration = kAlterationAucune;
  note.taille = 100;
  uint8_t flags = 0;
  const int16_t y = (*staff)->vecteurs.vect_Note2Ecr(staff, 0, -1, &note, &flags);
  NotePossible piece;
  CalculeNotePossible(note.duree, note.duree, nullptr, kDivisionSimple, &piece, note.kind);
  piece.largeurTete = (*staff)->largeurTete;
  int16_t xAlteration = 0;
  TraceCorps(staff, 0, x, y, &piece, kAlterationAucune, 0, 1, note.kind, 100, 0, 0, 0, 0, &xAlteration, 0, 0, 0);
  static const int16_t glyphes[6] = {110, 35, -1, 98, 220, 186};
  const uint8_t code = flags & kAlterationMasque;
  if (code <= 5 && glyphes[code] >= 0) {
    // On the head's own baseline, at its right edge.
    MoveTo(S16(x + (*staff)->largeurTete), S16(y + 1));
    DrawCharMusical(uint16_t(glyphes[code]));
  }
  return y;
}

void TraceAmbitus(Partition** score, Portee** staff, int16_t x) {
  if (!staff) return;
  if (!(*staff)->ambitus) {
    int32_t bas = 9999, haut = -1;
    int16_t premiere = (*staff)->index, derniere = (*staff)->index;
    if (score && (*staff)->modeFusion != kFusionAucune) {
      premiere = CvtIndexPorteeEnIndexPorteeDebutFusion(score, (*staff)->index);
      derniere = CvtIndexPorteeEnIndexPorteeFinFusion(score, premiere);
    }
    for (int16_t k = premiere; k <= derniere; k++) {
      Portee** autre = score ? GetPorteeIndex(score, k) : staff;
      if (!autre) continue;
      int32_t n = 0;
      const Signe* s = GetSignesPortee(autre, &n);
      for (int32_t i = 0; s && i < n; i++) {
        if (s[i].kind < 0) continue;
        bas = std::min<int32_t>(bas, s[i].kind);
        haut = std::max<int32_t>(haut, s[i].kind);
      }
      if (!score) break;
    }
    // An empty range is kept as one that draws nothing.
    (*staff)->ambitusBas = uint8_t(std::clamp(bas, 0, 127));
    (*staff)->ambitusHaut = uint8_t(std::clamp(haut, 0, 127));
    (*staff)->ambitus = 1;
  }
  const int16_t bas = (*staff)->ambitusBas, haut = (*staff)->ambitusHaut;
  if (bas >= haut) return;
  const int16_t decalage = S16(Zoom(kAmbitusDecalage));
  const int16_t xBas = S16(x - decalage), xHaut = S16(x + decalage);
  const int16_t yBas = TraceNoteAmbitus(staff, xBas, bas);
  const int16_t yHaut = TraceNoteAmbitus(staff, xHaut, haut);
  const int16_t type = kAmbitusTypeCourbe ? kAmbitusTypeCourbe : 5;
  const float T = float(kAmbitusEpaisseurCourbe), t = type == 5 ? T / 2.0f : T;
  const float il = (*staff)->interligne > 0.0f ? (*staff)->interligne : float(Zoom(72)) / 12.0f;
  const float h = 0.5f * il - t / 12.0f;
  const int16_t x0 = T16(float(xBas) + h), y0 = T16(float(yBas) - il - float(Zoom(int32_t(T / 6.0f))));
  const int16_t x1 = T16(float(xHaut) + h), y1 = T16(float(yHaut) + il);
  TraceLiaisonCoule(type, x0, y0, x1, y1, S16((x0 + x1) / 2), S16((y0 + y1) / 2), S16(Zoom(int32_t(t))), 0);
}
