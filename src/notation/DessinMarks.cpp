#include "notation/DessinMarks.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "layout/DonneesModeGraphique.h"
#include "layout/Zoom.h"
#include "model/ParamEffet.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/SGraphix.h"
#include "model/Signe.h"
#include "notation/PlacementMarks.h"
#include "platform/QuickDraw.h"
#include "platform/TextDraw.h"
#include "plugin/Preferences.h"
#include "system/BigRect.h"
#include "system/Couleurs.h"
#include "system/Splines.h"
#include "text/Fontes.h"
#include "text/TextBox.h"
#include "text/TextStyle.h"

namespace {

constexpr int16_t kCouleurInvisible = 247;
constexpr int16_t kCouleurSansPortee = 254;

int16_t S16(int32_t v) { return int16_t(std::clamp<int32_t>(v, -32767, 32767)); }
int16_t S16f(float v) { return S16(int32_t(v)); }
int16_t Longueur(const char* s) { return int16_t(strnlen(s, 255)); }

bool Antialias() { return pref.traitsAntialias != 0; }

// The pen of the marks' figures, in 1/576 inch: the stored graphic mode has
// no slot for it; the leader line of a text mark keeps its own thinner pen.
constexpr int16_t kEpaisseurTraitMarque = 5;

// The pen of the marks' lines, in pixels.
float PlumeMark() { return float(CvtTaillePlumeZoom(kEpaisseurTraitMarque, 576)); }

// A disc or a circle of a radius already in pixels.
void CerclePixels(bool filled, float cx, float cy, float r) {
  const float d = std::max(1.0f, std::trunc(r));
  const Rect rc{S16f(cy - d), S16f(cx - d), S16f(cy + d), S16f(cx + d)};
  if (filled) PaintOval(&rc);
  else FrameOval(&rc);
}

void Ligne(float x1, float y1, float x2, float y2) {
  const float w = PlumeMark();
  AntialiasedLine(Antialias(), x1, y1, x2, y2, w, w);
}

void Glyphe(uint16_t code, int32_t x, int32_t y) {
  MoveTo(S16(x), S16(y));
  DrawCharMusical(code);
}

void GlypheCentre(uint16_t code, int32_t x, int32_t y) { Glyphe(code, x - CharWidthCaractereMusical(code) / 2, y); }

// Part of the clip region's bounds.
Rect BornesClip() {
  RgnHandle r = NewRgn();
  GetClip(r);
  Rect b{-32767, -32767, 32767, 32767};
  GetRegionBounds(r, &b);
  DisposeRgn(r);
  return b;
}

// Text of the mark's font, centred on x with its baseline half a line below y.
void TexteCentre(Portee** staff, const Mark& m, int32_t x, int32_t y, const char* text) {
  const int16_t t =
      SetFontEffet(nullptr, staff, int16_t(m.tailleTexte & 0xFF), int16_t(m.police), int16_t(m.tailleTexte >> 8));
  const int16_t w = TextWidth(text, 0, Longueur(text));
  MoveTo(S16(x - w / 2), S16(y + t / 2));
  DrawText(text, 0, Longueur(text));
}

// A horizontal bar centred on x.
void Barre(float x, float y, float demi) { Ligne(x - demi, y, x + demi, y); }

// The accent wedge (94), its point to the right.
void Coin(float x, float y, int16_t size) {
  const float w = float(Zoom(800 * size)) / 72.0f * 0.01f;
  const float h = float(Zoom(200 * size)) / 72.0f * 0.01f;
  Ligne(x + w / 2, y, x - w / 2, y - h);
  Ligne(x + w / 2, y, x - w / 2, y + h);
}

float RayonStaccato(int16_t size) {
  const float r = float(GetDpiDest()) * (float(kMGTaillePointStaccato) / 576.0f) * (float(size) / 72.0f);
  return std::max(1.0f, std::trunc(r));
}

// A zigzag of `n` strokes of size `pas`, from x0.
void Zigzag(float x0, float y, int32_t n, float pas) {
  float x = x0;
  for (int32_t i = 0; i < n; i++) {
    const float y1 = (i % 2) ? y + pas : y - pas, y0 = (i % 2) ? y - pas : y + pas;
    Ligne(x, y0, x + pas, y1);
    x += pas;
  }
}

void Plus(float x, float y, float demi) {
  Ligne(x - demi, y, x + demi, y);
  Ligne(x, y - demi, x, y + demi);
}

// A short bar with a tick from its centre (down when `bas`).
void BarreTic(float x, float y, float u2, bool bas) {
  Barre(x, y, u2);
  Ligne(x, y, x, bas ? y + u2 : y - u2);
}

}  // namespace

int16_t SetFontEffet(Partition** ribbonScore, Portee** staff, int16_t textSize, int16_t font, int16_t face) {
  TextStyle style;
  FixeTextStyleStd(&style);
  if (!staff && textSize == 0) {
    SetTextStyleHauteurZoom(&style, style.size);
  } else {
    int16_t taille = textSize;
    if (staff && taille == 0) {
      const int16_t unite = int16_t((*staff)->aspect.tailleUnite ? (*staff)->aspect.tailleUnite : 72);
      taille = unite < 32 ? 4 : int16_t(unite / 8);
    }
    TextFont(font ? font : style.font);
    TextSizeZoom(ribbonScore, taille);
    TextFace(face);
  }
  FontInfo fi{};
  GetFontInfo(&fi);
  return int16_t(fi.ascent + fi.descent);
}

void FixeTextStyleEffet(Portee** staff, const Mark* mark, TextStyle* style) {
  FixeTextStyleStd(style);
  if (!mark) return;
  if (mark->police) style->font = int16_t(mark->police);
  int16_t taille = int16_t(mark->tailleTexte & 0xFF);
  if (taille == 0 && staff) {
    const int16_t unite = int16_t((*staff)->aspect.tailleUnite ? (*staff)->aspect.tailleUnite : 72);
    taille = unite < 32 ? 4 : int16_t(unite / 8);
  }
  if (taille) style->size = taille;
  style->face = uint8_t(mark->tailleTexte >> 8);
}

int16_t DrawTexteEffet(Portee** staff, int16_t x, int16_t y, const char* text, int16_t textSize, int16_t font,
                       int16_t face, bool wavy) {
  SetFontEffet(nullptr, staff, textSize, font, face);
  MoveTo(S16(x + Zoom(2)), y);
  DrawText(text, 0, Longueur(text));
  const int16_t w = TextWidth(text, 0, Longueur(text));
  if (wavy) DrawSouligneEffet(x, float(y - Zoom(2)), float(x + w + Zoom(4)), float(textSize) * 0.1f);
  return w;
}

void DrawSouligneEffet(float x1, float y, float x2, float k) {
  const auto z = [](float v) { return float(Zoom(int32_t(std::lround(v)))); };
  const SplinePoint pts[3] = {
      {x1, y + z(5 * k), z(5 * k)}, {(x1 + x2) / 2, y + z(3 * k), z(10 * k)}, {x2, y + z(5 * k), z(5 * k)}};
  cspline(Antialias(), pts, 3, 6.0f);
}

int16_t DrawTexteEffetUser(Portee** staff, int16_t x, int16_t y, const char* text, int16_t textSize, int16_t font,
                           int16_t face, int16_t justification, bool draw) {
  if (!text) return 0;
  Mark m{};
  m.police = uint16_t(font);
  m.tailleTexte = uint16_t((textSize & 0xFF) | (face << 8));
  TextStyle style;
  FixeTextStyleEffet(staff, &m, &style);
  SetFontEffet(nullptr, staff, textSize, font, face);
  FontInfo fi{};
  GetFontInfo(&fi);
  int16_t ascent = fi.ascent;
  if (vellariPrint != 0 && style.font == vellariPrint) ascent = int16_t(ascent / 4);
  uint16_t w = 0, h = 0;
  const int32_t len = int32_t(strnlen(text, 512));
  TextBoxStyleSize(text, len, &style, &w, &h, 1);
  if (draw && len > 0) {
    const Rect r{S16(y - ascent), S16(x + Zoom(2)), S16(y - ascent + Zoom(h) + 1), S16(x + Zoom(2) + Zoom(w) + 1)};
    TextBoxStyleZoom(text, len, &r, justification, &style, 0, 0, 1);
  }
  return int16_t(w);
}

void DrawNumString(Portee** staff, float cx, float cy, const char* text, int16_t textSize, int16_t font, int16_t face) {
  const int16_t hauteur = SetFontEffet(nullptr, staff, textSize, font, face);
  const float w = float(TextWidth(text, 0, Longueur(text)));
  const float m = std::max(w, float(hauteur));
  float r = 0.5f * m;
  if (!staff) r += 0.15f * float(textSize);
  RGBColor avant;
  GetForeColor(&avant);
  const RGBColor blanc{0xFFFF, 0xFFFF, 0xFFFF};
  RGBForeColor(&blanc);
  // The radius is measured on the zoomed text: already in pixels.
  CerclePixels(true, cx, cy, r);
  RGBForeColor(&avant);
  MoveTo(S16f(cx - 0.5f * w), S16f(cy + 0.35f * m));
  DrawText(text, 0, Longueur(text));
  CerclePixels(false, cx, cy, r);
}

void DrawCercle(bool filled, float cx, float cy, float r) {
  // Without Bezier drawing: the oval of the rectangle of half-size Zoom(r).
  const int32_t d = Zoom(int32_t(r));
  const Rect rc{S16f(cy - float(d)), S16f(cx - float(d)), S16f(cy + float(d)), S16f(cx + float(d))};
  if (filled) PaintOval(&rc);
  else FrameOval(&rc);
}

void DrawFrites(Portee** staff, int16_t x, int16_t y, int16_t strokes, int16_t size) {
  if (staff) {
    const float t = float((*staff)->epaisseurTremolo) * float(size) * 576.0f / 20736.0f;
    const float g = float((*staff)->ecartTremolo) * float(size) * 576.0f / 20736.0f;
    const int16_t ht = CvtTaillePlumeZoom(int32_t(t), 576), wt = CvtTaillePlumeZoom(int32_t(t / 4), 576);
    PenSize(wt, ht);
    const int16_t pas = CvtTaillePlumeZoom(int32_t(t + g), 576);
    for (int16_t k = 0; k < strokes; k++) {
      MoveTo(S16(x - Zoom(4)), S16(y + Zoom(2 * strokes) - k * pas));
      Line(S16(Zoom(8)), S16(-Zoom(4)));
    }
    return;
  }
  const float d = float(Zoom(100 * size)) / 100.0f;
  const float longueur = 0.5f * d, epaisseur = d / 12.0f;
  float yy = float(y) + float(strokes) * 0.09375f * d;
  for (int16_t k = 0; k < strokes; k++) {
    AntialiasedLine(true, float(x) - longueur / 2, yy + longueur / 4, float(x) + longueur / 2, yy - longueur / 4,
                    epaisseur, epaisseur);
    yy -= 0.1875f * d;
  }
}

void AfficheLibEffetLiaisonTablature(Portee** staff, const ParamEffet* effects, int16_t ratioY, int16_t x, int16_t y) {
  if (!effects || !effects->marks) return;
  const int32_t n = GetNbMarks(effects->marks);
  int32_t yy = y;
  const bool invisibles = staff && IsTraceEffetsInvisibles((*staff)->partition);
  for (int32_t i = 0; i < n; i++) {
    const Mark m = reinterpret_cast<const Mark*>(*effects->marks)[i];
    if (m.code < 1 || m.code > 5 || (m.invisible && !invisibles)) continue;
    const char* label = m.code == 1 ? "H" : m.code == 2 ? "PO" : "Sl";
    const int16_t t =
        SetFontEffet(nullptr, staff, int16_t(m.tailleTexte & 0xFF), int16_t(m.police), int16_t(m.tailleTexte >> 8));
    if (ratioY <= 0) yy -= t;
    yy += Zoom(3);
    int32_t ly = yy + Zoom(MarkDy(m));
    if (m.param1 & 64) ly -= 2 * Zoom(MarkDy(m));
    int16_t c = int16_t(m.couleur ? m.couleur : staff ? (*staff)->couleur : 1);
    if (staff && (*staff)->modeGrise) c = kCouleurInvisible;
    SetForeColor(c);
    const int16_t w = TextWidth(label, 0, Longueur(label));
    MoveTo(S16(x + Zoom(2) - w / 2), S16(ly));
    DrawText(label, 0, Longueur(label));
  }
}

void TraceMark(Portee** staff, int16_t noteX, int16_t noteY, int16_t x, int16_t y, const Mark* mark,
               const ParamEffet* effects, int16_t size) {
  if (!mark) return;
  const Mark& m = *mark;
  // Everything changed here is put back: drawing a mark twice draws it the same.
  RGBColor couleurAvant;
  GetForeColor(&couleurAvant);
  const int16_t indexAvant = GetLastForeColor();
  PenState plume;
  GetPenState(&plume);
  GrafPtr port;
  GetPort(&port);
  const int16_t police = GetPortTextFont(port), taille = GetPortTextSize(port);
  const uint8_t face = GetPortTextFace(port);

  int16_t couleur;
  if (m.invisible) couleur = kCouleurInvisible;
  else if (staff)
    couleur = (*staff)->modeGrise ? kCouleurInvisible : int16_t(m.couleur ? m.couleur : (*staff)->couleur);
  else couleur = int16_t(m.couleur ? m.couleur : kCouleurSansPortee);
  FixeEpaisseurCouleur(kEpaisseurTraitMarque, kEpaisseurTraitMarque, 576, couleur);

  if (size <= 0) size = 72;
  const float s = float(size) / 72.0f;
  const auto u = [size](int32_t n) { return float(Zoom(n * size) / 72); };
  const auto z = [s](int32_t n) { return float(Zoom(n)) * s; };
  const float fx = float(x), fy = float(y);
  const int16_t tt = int16_t(m.tailleTexte & 0xFF), ft = int16_t(m.tailleTexte >> 8), pt = int16_t(m.police);
  const uint8_t c = m.code;
  switch (c) {
    case 1:
    case 2:
    case 3: DrawTexteEffet(staff, x, y, c == 1 ? "H" : c == 2 ? "PO" : "Sl", tt, pt, ft, true); break;
    case 4:
    case 5:
      DrawTexteEffet(staff, x, y, "sl.", tt, pt, ft, false);
      if (c == 4) Ligne(fx, fy + u(8), fx + u(12), fy + u(4));
      else Ligne(fx, fy + u(5), fx + u(12), fy + u(9));
      break;
    case 6: {
      const float r = float(Zoom(size / 18));
      DrawCercle(false, fx, fy - r, float(size / 18));
      DrawSouligneEffet(fx - r, fy, fx + r, s);
      break;
    }
    case 7: {
      DrawTexteEffet(staff, x, y, "Ch", tt, pt, ft, false);
      const float y0 = fy + z(2), xc = fx + z(6), yc = y0 + z(8);
      Ligne(fx, y0, xc, y0);
      Ligne(xc, y0, xc, yc);
      Ligne(xc, yc, xc - z(3), yc - z(3));
      Ligne(xc, yc, xc + z(3), yc - z(3));
      break;
    }
    case 8:
    case 9:
    case 10: Glyphe(uint16_t(150 + (c - 8)), x + Zoom(2), y); break;
    case 11: {
      const int16_t p = int16_t(std::max(1, int(2 * s)));
      PenSize(p, p);
      MoveTo(S16f(fx - z(2)), S16f(fy - z(2)));
      Line(S16f(z(4)), S16f(z(4)));
      MoveTo(S16f(fx + z(2)), S16f(fy - z(2)));
      Line(S16f(-z(4)), S16f(z(4)));
      PenSize(1, 1);
      break;
    }
    case 12: {
      DrawTexteEffet(staff, x, S16(y - Zoom(int32_t(2 * s))), "P.M.", tt, pt, ft, false);
      Pattern gris;
      GetQDGlobalsLightGray(&gris);
      PenPat(&gris);
      const int16_t p = int16_t(std::max<int32_t>(1, Zoom(int32_t(s))));
      PenSize(p, p);
      MoveTo(x, y);
      Line(S16f(z(32)), 0);
      Pattern noir;
      GetQDGlobalsBlack(&noir);
      PenPat(&noir);
      break;
    }
    case 13:
      Ligne(fx - u(6), fy, fx, fy + u(6));
      Ligne(fx, fy + u(6), fx + u(6), fy);
      break;
    case 14:
    case 15: Glyphe(c == 14 ? 219 : 178, x - Zoom(3), y + Zoom(4)); break;
    case 16:
    case 17:
    case 18: TexteCentre(staff, m, x + Zoom(2), y, c == 16 ? "T" : c == 17 ? "S" : "P"); break;
    case 19: Glyphe(103, x + Zoom(2), y + Zoom(2)); break;
    case 20:
      Ligne(fx, fy - u(3), fx, fy + u(3));
      Ligne(fx - u(3), fy, fx + u(3), fy);
      Ligne(fx - u(2), fy - u(2), fx + u(2), fy + u(2));
      Ligne(fx - u(2), fy + u(2), fx + u(2), fy - u(2));
      break;
    case 21: Zigzag(fx - 2 * u(4), fy, 4, u(4)); break;
    case 22:
    case 23:
    case 24:
    case 25:
    case 26:
    case 27: {
      const char t[2] = {char('0' + (c - 22)), 0};
      TexteCentre(staff, m, x + Zoom(2), y, t);
      break;
    }
    case 28: GlypheCentre(126, x, y + Zoom(2)); break;
    case 29:
    case 30: GlypheCentre(c == 29 ? 249 : 84, x, y); break;
    case 31:
    case 32:
    case 33:
    case 34: {
      Glyphe(96, x, y);
      if (c != 31) DrawCharMusical(c == 32 ? 105 : c == 33 ? 73 : 233);
      const int32_t vagues = effects ? effects->mot1 : 1;
      const int16_t droite = BornesClip().right;
      for (int32_t k = 0; k < vagues; k++) {
        Point pen;
        GetPen(&pen);
        // A long run stops at the clip: nothing past it would show.
        if (pen.h > droite) break;
        DrawCharMusical(78);
        Move(S16(-Zoom(9)), 0);
      }
      break;
    }
    case 35: Zigzag(fx - 3 * u(3), fy, 6, u(3)); break;
    case 36:
    case 37:
    case 38:
    case 39: {
      static constexpr uint16_t g[4] = {109, 77, 181, 160};
      GlypheCentre(g[c - 36], x, y + Zoom(4));
      break;
    }
    case 40:
    case 41: {
      if (c == 41) {
        const int16_t p = int16_t(4 * PlumeMark());
        PenSize(p, p);
        const float d = float(Zoom(size / 18));
        MoveTo(S16f(fx - d), y);
        Line(S16f(2 * d), 0);
        MoveTo(x, S16f(fy - d));
        Line(0, S16f(2 * d));
      } else {
        Plus(fx, fy, float(Zoom(size / 18)));
      }
      break;
    }
    case 42: DrawCercle(false, fx, fy, float(size * 2 / 72)); break;
    case 43:
      Ligne(fx - Zoom(6), fy, fx - Zoom(1), fy);
      Ligne(fx - Zoom(1), fy, fx + Zoom(4), fy - Zoom(3));
      Ligne(fx + Zoom(6), fy, fx + Zoom(1), fy);
      Ligne(fx + Zoom(1), fy, fx - Zoom(4), fy - Zoom(3));
      break;
    case 44: Glyphe(179, x - Zoom(4), y + Zoom(2)); break;
    case 45:
    case 46:
    case 49: GlypheCentre(c == 45 ? 148 : c == 46 ? 149 : 85, x, y); break;
    case 47:
    case 48: break;
    case 50: GlypheCentre(117, x, int32_t(fy + 0.5f - float(GetCurrentSizeFonteMusicale()) / 7.0f)); break;
    case 51:
    case 52:
    case 53:
    case 54: DrawFrites(staff, x, y, int16_t(c - 50), size); break;
    case 55:
    case 56: Glyphe(c == 55 ? 94 : 118, x - Zoom(3), y + Zoom(4)); break;
    case 57:
    case 58: {
      const float d = u(6) / 2;
      const float x0 = c == 57 ? fx - d : fx + d, x1 = c == 57 ? fx + d : fx - d;
      Ligne(x0, fy, x1, fy);
      Ligne(x0, fy, x1, fy - u(3));
      break;
    }
    case 59: Ligne(fx - u(4), fy, fx + u(4), fy); break;
    case 60: CerclePixels(true, fx, fy, RayonStaccato(size)); break;
    case 61:
      Barre(fx, fy - u(3), u(4));
      CerclePixels(true, fx, fy, RayonStaccato(size));
      break;
    case 62:
      Barre(fx, fy, u(4));
      CerclePixels(true, fx, fy - u(2), RayonStaccato(size));
      break;
    case 63: BarreTic(fx, fy - u(2) / 2, u(2), false); break;
    case 64: BarreTic(fx, fy + u(2) / 2, u(2), true); break;
    case 65:
      Barre(fx, fy - u(3), u(4));
      Coin(fx, fy + u(3), size);
      break;
    case 66:
      Barre(fx, fy + u(3), u(4));
      Coin(fx, fy - u(3), size);
      break;
    case 67:
      CerclePixels(true, fx, fy - u(3), RayonStaccato(size));
      Coin(fx, fy + u(3), size);
      break;
    case 68:
      CerclePixels(true, fx, fy + u(3), RayonStaccato(size));
      Coin(fx, fy - u(3), size);
      break;
    case 69:
    case 70:
      Barre(fx, fy - u(5), u(4));
      Glyphe(c == 69 ? 118 : 94, int32_t(fx - u(3)), int32_t(fy - u(5) + u(6)));
      break;
    case 71: Glyphe(232, x - Zoom(size / 24), y + Zoom(size / 18)); break;
    case 72: Glyphe(172, x - Zoom(3), y + Zoom(4)); break;
    case 73:
      BarreTic(fx, fy - u(2) / 2, u(2), true);
      Barre(fx, fy + u(1), u(4));
      break;
    case 74:
      Barre(fx, fy - u(2), u(4));
      BarreTic(fx, fy + u(1) - u(2) / 2, u(2), false);
      break;
    case 75:
      BarreTic(fx, fy - u(2) / 2, u(2), true);
      Coin(fx, fy + u(3), size);
      break;
    case 76:
      BarreTic(fx, fy + u(2) / 2, u(2), false);
      Coin(fx, fy - u(3), size);
      break;
    case 77:
    case 78:
    case 79:
    case 80:
    case 81:
    case 82: {
      static constexpr uint16_t g[6] = {142, 145, 146, 143, 144, 147};
      Glyphe(g[c - 77], x - Zoom(2), y);
      break;
    }
    case 83:
    case 84:
    case 85:
    case 86: {
      static const char* const doigts[4] = {"p", "i", "m", "a"};
      TexteCentre(staff, m, x + Zoom(2), y, doigts[c - 83]);
      break;
    }
    case 87:
    case 88:
    case 89:
    case 90:
    case 91:
    case 92:
    case 93: {
      const char t[2] = {char('0' + (c - 87)), 0};
      DrawNumString(staff, fx, fy, t, tt, pt, ft);
      break;
    }
    case 94: Coin(fx, fy, size); break;
    case 95: Glyphe(44, x, y); break;
    case 96:
      Ligne(fx - u(1), fy + u(2), fx + u(5), fy - u(10));
      Ligne(fx + u(3), fy + u(2), fx + u(9), fy - u(10));
      break;
    case 97: {
      // Without Bezier drawing: two strokes joined by a curve.
      const int16_t p = int16_t(std::max<int32_t>(1, Zoom(1)));
      PenSize(p, p);
      MoveTo(x, S16f(fy - u(8)));
      Line(0, S16f(u(8)));
      MoveTo(S16f(fx + u(4)), S16f(fy - u(8)));
      Line(0, S16f(u(8)));
      const SplinePoint pts[3] = {
          {fx, fy - u(8), float(p)}, {fx + u(2), fy - u(10), float(p)}, {fx + u(4), fy - u(8), float(p)}};
      cspline(Antialias(), pts, 3, 6.0f);
      break;
    }
    case 98: {
      if (effects) {
        TextFontMusicale(staff, size);
        const int32_t pas = effects->mot4;
        const int16_t bas = BornesClip().bottom;
        for (int32_t k = 1; k <= pas; k++) {
          const int32_t yk = y + int32_t(std::lround(double(k) * Zoom(68) * size / 720.0));
          if (yk - Zoom(size) > bas) break;  // past the clip: nothing more shows
          Glyphe(103, int32_t(fx + u(6)), yk);
        }
        if (effects->mot2) {
          const float ax = fx + u(6), h = u(6), d = u(3);
          const bool bas2 = effects->arpegeDescendant != 0;
          const float ay = bas2 ? fy + float(pas) * float(Zoom(68)) * float(size) / 720.0f : fy;
          PolyHandle poly = OpenPoly();
          MoveTo(S16f(ax - d), S16f(ay));
          LineTo(S16f(ax + d), S16f(ay));
          LineTo(S16f(ax), S16f(bas2 ? ay + h : ay - h));
          LineTo(S16f(ax - d), S16f(ay));
          ClosePoly();
          PaintPoly(poly);
          KillPoly(poly);
        }
      } else {
        float px = fx, py = fy;
        for (int k = 0; k < 6; k++) {
          const float dx = (k % 2) ? 2 * s : -2 * s;
          Ligne(px, py, px + dx, py - 3 * s);
          px += dx;
          py -= 3 * s;
        }
      }
      break;
    }
    case 99: DrawTexteEffetUser(staff, x, y, m.texte, tt, pt, ft, int16_t(m.justification), true); break;
    case 100: {
      const int16_t tx = S16f(fx + u(9));
      const int16_t ty = S16(y - Zoom(int32_t(tt ? tt : 12) * size) / 144);
      const int16_t w = DrawTexteEffetUser(staff, tx, ty, m.texte, tt, pt, ft, int16_t(m.justification), false);
      if (staff) {
        const float il = (*staff)->interligne > 0 ? (*staff)->interligne : float(Zoom(6));
        const float ax = float(noteX) + 0.75f * il, ay = float(noteY);
        const float milieu = float(tx) + float(Zoom(w)) / 2;
        const bool aGauche = milieu < ax;
        float sx = aGauche ? float(tx) + float(Zoom(w)) : float(tx);
        const float sy = float(ty);
        const float L = std::hypot(sx - ax, sy - ay);
        if (L >= u(16)) sx += aGauche ? u(9) : -u(9);
        else sx += aGauche ? u(3) : -u(1);
        const float dx = sx - ax, dy = sy - ay, n = std::max(1.0f, std::hypot(dx, dy));
        const float ex = ax + dx / n * il, ey = ay + dy / n * il;
        const float pw = float(GetDpiDest()) * float(kMGEpaisseurTraitRenvoi) / 576.0f;
        AntialiasedLine(Antialias(), sx, sy, ex, ey, pw, pw);
        if (L >= u(16)) AntialiasedLine(Antialias(), sx, sy, aGauche ? sx - u(6) : sx + u(6), sy, pw, pw);
      }
      DrawTexteEffetUser(staff, tx, ty, m.texte, tt, pt, ft, int16_t(m.justification), true);
      break;
    }
    case 101: Glyphe(137, x, int32_t(fy + 0.5f + float(GetCurrentSizeFonteMusicale()) / 23.0f)); break;
    case 102: Glyphe(138, x, int32_t(fy + 0.5f - float(GetCurrentSizeFonteMusicale()) / 29.0f)); break;
    case 103:
    case 104: {
      const float r = staff ? 4.0f : std::max(1.0f, float(tt ? tt : 12) * 0.1f * 4.0f);
      DrawCercle(c == 104, fx, fy, r);
      break;
    }
    case 105: {
      const int16_t fin = CvtTaillePlumeZoom(8, 576), mince = CvtTaillePlumeZoom(1, 576);
      PenSize(fin, mince);
      MoveTo(S16(x - Zoom(4)), S16(y - Zoom(2)));
      Line(0, S16(Zoom(5)));
      PenSize(mince, CvtTaillePlumeZoom(32, 576));
      Line(S16(Zoom(8)), 0);
      PenSize(fin, mince);
      Line(0, S16(-Zoom(5)));
      break;
    }
    case 106: {
      Graphique* g = staff ? GetGraphiqueFromID(staff, m.idGraphique) : nullptr;
      Rect pr{};
      if (g && GetRecPictGraphique(g, &pr)) {
        const float e = float(GetDpiDest()) * (m.echelle > 0.0f ? m.echelle : 1.0f) / 72.0f;
        const Rect r{y, x, S16f(fy + float(pr.bottom - pr.top) * e), S16f(fx + float(pr.right - pr.left) * e)};
        AfficheGraphique(&r, g);
      } else {
        TextFont(3);
        TextSize(S16(Zoom(12)));
        TextFace(1);
        MoveTo(S16(x + Zoom(2) - 6), S16(y + 4));
        DrawText("G", 0, 1);
      }
      break;
    }
    case 107: {
      const int16_t r = S16(Zoom(size / 18));
      const int16_t p = int16_t(2 * PlumeMark());
      PenSize(p, p);
      const Rect rc{S16(y - 2 * r), S16(x - r), y, S16(x + r)};
      FrameRect(&rc);
      break;
    }
    case 108:
    case 109: {
      const float h = u(10);
      const float bout = c == 108 ? fy - h : fy;
      Ligne(fx, fy, fx, fy - h);
      const float sens = c == 108 ? 1.0f : -1.0f;
      Ligne(fx, bout, fx - h / 3, bout + sens * h / 4);
      Ligne(fx, bout, fx + h / 3, bout + sens * h / 4);
      break;
    }
    case 110: {
      const int16_t x2 = S16(x + Zoom(m.courbeFinDx)), y2 = S16(y + Zoom(m.courbeFinDy));
      const float tension = float(m.courbeTension) * 0.01f;
      const int16_t cx = S16((x + x2) / 2), cy = S16f(float(y + y2) / 2 - tension * float(Zoom(6)));
      TraceLiaisonCoule(0, x, y, x2, y2, cx, cy, S16(Zoom(m.courbeEpaisseur)), 0);
      break;
    }
    default: break;
  }

  if (staff && m.selectionne) {
    BigRect aire{};
    CalculeAireExacteMarkEcran(staff, mark, x, y, &aire, effects);
    PenNormal();
    const RGBColor vert{0, 0xFFFF, 0};
    RGBForeColor(&vert);
    const Rect r{S16(aire.top), S16(aire.left), S16(aire.bottom), S16(aire.right)};
    FrameRect(&r);
  }
  SetPenState(&plume);
  TextFont(police);
  TextSize(taille);
  TextFace(face);
  SetForeColor(indexAvant);
  RGBForeColor(&couleurAvant);
}

void TraceMarksNote(Portee** staff, int16_t noteX, int16_t noteY, int32_t noteIndex, const Signe* note,
                    bool onTablature, int32_t effectsIndex) {
  if (!staff || !note || effectsIndex < 0) return;
  int32_t n = 0;
  const ParamEffet* all = GetParamEffetsPortee(staff, &n);
  if (!all || effectsIndex >= n || !all[effectsIndex].marks) return;
  const bool invisibles = IsTraceEffetsInvisibles((*staff)->partition);
  const int32_t nm = GetNbMarks(all[effectsIndex].marks);
  const int16_t unite = int16_t((*staff)->aspect.tailleUnite ? (*staff)->aspect.tailleUnite : 72);
  for (int32_t k = 0; k < nm; k++) {
    // Copies: drawing may move the lists.
    all = GetParamEffetsPortee(staff, &n);
    const ParamEffet effets = all[effectsIndex];
    const Mark mark = reinterpret_cast<const Mark*>(*effets.marks)[k];
    if (mark.invisible && !invisibles) continue;
    int32_t x = 0, y = 0;
    if (!CalculePosEffet(true, staff, note, noteIndex, k, noteX, noteY, onTablature, &x, &y, effectsIndex)) continue;
    TextFontMusicale(staff, int16_t(int32_t(note->taille ? note->taille : 100) * unite / 100));
    TraceMark(staff, noteX, noteY, S16(x), S16(y), &mark, &effets, unite);
  }
}
