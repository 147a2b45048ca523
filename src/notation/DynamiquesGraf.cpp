#include "notation/DynamiquesGraf.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

#include "layout/DonneesModeGraphique.h"
#include "layout/Zoom.h"
#include "model/CvtTemps.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/QrvDynamics.h"
#include "model/QrvText.h"
#include "model/TabEltMesure.h"
#include "platform/QuickDraw.h"
#include "plugin/Preferences.h"
#include "system/Couleurs.h"
#include "system/PortLayer.h"
#include "system/Rotations.h"
#include "system/Splines.h"
#include "text/ExtendedTE.h"
#include "text/Fontes.h"
#include "text/TextBox.h"
#include "text/TextData.h"
#include "text/UTFText.h"

namespace {

constexpr int16_t kCouleurGrisee = 247;
constexpr int32_t kPremierTypeGlyphe = 3;

// Music-font codes of types 3 to 33, the first glyph in the highest used
// byte; -1 for the types drawn otherwise.
constexpr int32_t kGlyphesDynamique[31] = {
    184,                             // 3 ppp
    185,                             // 4 pp
    112,                             // 5 p
    80,                              // 6 mp
    70,                              // 7 mf
    102,                             // 8 f
    196,                             // 9 ff
    236,                             // 10 fff
    83,                              // 11 sf
    (102 << 8) | 122,                // 12 fz
    (102 << 8) | 112,                // 13 fp
    (102 << 8) | 185,                // 14 fpp
    (83 << 8) | 122,                 // 15 sfz
    -1,                              // 16 sffz
    (83 << 8) | 185,                 // 17 sfpp
    195,                             // 18 octave line above
    215,                             // 19 octave line below
    -1,                              // 20 two octaves above
    -1,                              // 21 two octaves below
    -1,                              // 22 tempo mark
    161,                             // 23 pedal down
    42,                              // 24 pedal up
    (83 << 8) | 112,                 // 25 sfp
    (184 << 8) | 184,                // 26 pppppp
    (184 << 8) | 185,                // 27 ppppp
    (185 << 8) | 185,                // 28 pppp
    (236 << 8) | 236,                // 29 ffffff
    (236 << 8) | 196,                // 30 fffff
    (196 << 8) | 196,                // 31 ffff
    (243 << 8) | 102,                // 32 rf
    (243 << 16) | (102 << 8) | 122,  // 33 rfz
};

// The glyphs of a type, in drawing order; 0 of them for a type outside the
// table or one drawn otherwise.
int GlyphesType(int32_t type, uint8_t out[3]) {
  if (type < kPremierTypeGlyphe || type >= kPremierTypeGlyphe + 31) return 0;
  const int32_t v = kGlyphesDynamique[type - kPremierTypeGlyphe];
  if (v < 0) return 0;
  int n = 0;
  for (int decalage = 16; decalage >= 0; decalage -= 8) {
    const uint8_t c = uint8_t((v >> decalage) & 0xFF);
    if (c != 0 || n > 0) out[n++] = c;
  }
  return n;
}

int32_t TailleMusique(Portee** staff) {
  return staff && (*staff)->aspect.tailleUnite != 0 ? int32_t((*staff)->aspect.tailleUnite) : 72;
}

float Echelle(Portee** staff) { return staff ? float(TailleMusique(staff)) / 72.0f : 1.0f; }

int16_t TaillePourcent(const Dynamique* d) { return d->taille != 0 ? d->taille : 100; }

// The glyph font size: the size percent of the staff's music-font size.
int16_t TailleGlyphes(Portee** staff, const Dynamique* d) {
  return int16_t(float(TaillePourcent(d)) * float(TailleMusique(staff)) * 0.01f);
}

int16_t CouleurDynamique(Portee** staff, const Dynamique* d) {
  if (staff && (*staff)->modeGrise == 1) return kCouleurGrisee;
  return d->couleurPropre ? d->couleur : kCouleurGrisee;
}

const char* TexteBrut(const Dynamique* d) {
  if (d->texte[0] == 0 && d->texte[1] == 0 && d->texte[2] == 0 && d->texte[3] == 0) return "";
  return GetTexteBrutTexteStyle(d->texte);
}

bool ATexte(const Dynamique* d) { return TexteBrut(d)[0] != 0; }

// Draws the glyphs of a type at the pen, the pen moving back between them.
void TraceGlyphesType(int32_t type, float s, int16_t angle) {
  uint8_t g[3];
  const int n = GlyphesType(type, g);
  if (n == 0) return;
  for (int i = 0; i < n; i++) {
    DrawCharMusicalRotate(g[i], angle);
    if (i == n - 1) break;
    const bool large = g[i] == 102 || g[i] == 83;
    // The first of three glyphs moves back by the staff's scale, a middle one by a fixed step.
    const int32_t recul = (n == 3 && i == 0) ? Zoom(int32_t((large ? 5 : 4) * s)) : Zoom(large ? 5 : 4);
    MoveRotate(int16_t(-recul), 0, angle);
  }
}

// Pen to the rectangle's point turned by the angle about its centre.
// (A turn of 0 is no turn: the float round trip could move a point by a pixel.)
void MoveToR(int32_t h, int32_t v, const Rect* r, int16_t angle) {
  if (angle == 0) MoveTo(int16_t(h), int16_t(v));
  else MoveToRotate(int16_t(h), int16_t(v), r, angle);
}

void Ligne(Point a, Point b, float largeur) {
  if (pref.traitsAntialias) {
    AntialiasedLine(true, a.h, a.v, b.h, b.v, largeur, largeur);
  } else {
    MoveTo(a.h, a.v);
    LineTo(b.h, b.v);
  }
}

void Soufflet(const Rect* rect, int16_t opening, int16_t colour, int16_t angle, bool crescendo) {
  if (!rect) return;
  FixeEpaisseurCouleur(kMGEpaisseurSoufflet, kMGEpaisseurSoufflet, 300, colour);
  const int32_t demi = opening / 2;
  const int32_t mid = (rect->top + rect->bottom) / 2;
  const int32_t x2 = rect->right - Zoom(2);
  Point p[4];
  if (crescendo) {
    p[0] = Point{int16_t(mid - demi), rect->left};
    p[1] = Point{int16_t(rect->top + Zoom(2)), int16_t(x2)};
    p[2] = Point{int16_t(mid + demi), rect->left};
    p[3] = Point{int16_t(rect->bottom - Zoom(2)), int16_t(x2)};
  } else {
    p[0] = Point{int16_t(rect->top + Zoom(2)), rect->left};
    p[1] = Point{int16_t(mid - demi), int16_t(x2)};
    p[2] = Point{int16_t(rect->bottom - Zoom(2)), rect->left};
    p[3] = Point{int16_t(mid + demi), int16_t(x2)};
  }
  if (angle != 0)
    for (Point& q : p) RotateTransformPoint(angle, rect, &q);
  const float largeur = std::max(float(GetDpiDest()) * float(kMGEpaisseurSoufflet) / 300.0f, 1.0f);
  Ligne(p[0], p[1], largeur);
  Ligne(p[2], p[3], largeur);
  PenSize(1, 1);
}

void OctaveLine(Portee** staff, const Dynamique* d, const Rect* r) {
  const int16_t angle = d->angle;
  TextFontMusicale(staff, TailleGlyphes(staff, d));
  MoveToR(r->left, r->bottom - Zoom(4), r, angle);
  if (d->type == kDynOctavePlus1 || d->type == kDynOctaveMoins1) {
    TraceGlyphesType(d->type, Echelle(staff), angle);
  } else {
    DrawCharMusicalRotate(193, angle);
    DrawCharMusicalRotate(176, angle);
    TextFont(20);
    TextFace(italic);
    TextSize(int16_t(float(Zoom(10)) * float(TaillePourcent(d)) * 0.01f));
    MoveRotate(0, int16_t(-Zoom(2)), angle);
    DrawCharRotate('m', angle);
    DrawCharRotate(d->type == kDynOctavePlus2 ? 'a' : 'b', angle);
    MoveRotate(0, int16_t(Zoom(2)), angle);
  }
  // Dashes from the pen, taken back into the unturned frame.
  Point pen;
  if (angle != 0) GetPenRotate(&pen, r, angle);
  else GetPen(&pen);
  const int32_t pas = Zoom(4);
  const int32_t y = pen.v - pas;
  int32_t x = pen.h;
  for (; x < r->right - 2 * pas; x += 2 * pas) {
    MoveToR(x, y, r, angle);
    LineRotate(int16_t(pas), 0, angle);
  }
  MoveToR(x, y, r, angle);
  const bool dessus = d->type == kDynOctavePlus1 || d->type == kDynOctavePlus2;
  LineRotate(0, int16_t(dessus ? pas : -pas), angle);
}

// Typed text: plain runs in the object's style, '$' codes as music glyphs.
void TexteType(Portee** staff, const Dynamique* d, const Rect* r, int16_t colour) {
  const char* t = TexteBrut(d);
  TextStyle style = d->style;
  if (IsStyledString(d->texte)) ExtraitStyleChaine(d->texte, 0, &style);
  style.face &= 0x7F;
  const int16_t taille = int16_t(float(TaillePourcent(d)) * float(style.size == 0 ? 12 : style.size) * 0.01f);
  SetTextStyleHauteurZoom(&style, taille);
  SetForeColor(colour);
  FontInfo fi{};
  GetFontMetrics(&fi);
  const int32_t hauteurLigne = fi.ascent + fi.descent + fi.leading;
  int32_t base = r->bottom - fi.descent - fi.leading - Zoom(2);
  int32_t descente = 0;
  MoveTo(int16_t(r->left + Zoom(2)), int16_t(base));
  CGrafPtr port = CarboniseGetCurrentPort();
  bool ligneEnPointilles = false;
  int32_t finTexte = r->left + Zoom(2), hauteurTexte = base;
  const int32_t n = int32_t(std::strlen(t));
  int32_t debut = 0;
  auto vide = [&](int32_t fin) {
    if (fin > debut) UTFDrawText(port, t, debut, fin - debut, 0);
    Point p;
    GetPen(&p);
    finTexte = p.h;
  };
  auto glyphes = [&](char c) {
    Point p;
    GetPen(&p);
    TextFontMusicale(staff, TailleGlyphes(staff, d));
    MoveTo(p.h, int16_t(r->bottom - Zoom(6) + descente));
    switch (c) {
      case 'F': DrawCharMusical(102); break;
      case 'M': DrawCharMusical(189); break;
      case 'P': DrawCharMusical(112); break;
      case 'Z': DrawCharMusical(122); break;
      case 'X': TraceGlyphesType(d->type, 1.0f, 0); break;
      default: break;
    }
    GetPen(&p);
    finTexte = p.h;
    SetTextStyleHauteurZoom(&style, taille);
    MoveTo(p.h, int16_t(base));
  };
  for (int32_t i = 0; i < n; i++) {
    const char c = t[i];
    if (c == 13) {
      vide(i);
      base += hauteurLigne;
      descente += hauteurLigne;
      MoveTo(int16_t(r->left + Zoom(2)), int16_t(base));
      debut = i + 1;
    } else if (c == '$') {
      vide(i);
      debut = i + 1;
      if (i + 1 >= n) break;
      const char code = char(std::toupper(uint8_t(t[i + 1])));
      if (std::isalpha(uint8_t(code))) {
        i++;
        debut = i + 1;
        if (code == 'L') {
          ligneEnPointilles = true;
          hauteurTexte = base;
        } else {
          glyphes(code);
        }
      }
    }
  }
  vide(n);
  if (ligneEnPointilles) {
    // The text's height: the middle of its x-height, at the music-font dot.
    TraceLigneDotted(int16_t(finTexte + Zoom(2)), int16_t(hauteurTexte), r->right, int16_t(hauteurTexte),
                     int16_t(Zoom(4)));
  }
}

void MarqueTempo(Portee** staff, const Dynamique* d, const Rect* r, int16_t colour) {
  SetTextStyleZoom(nullptr, &d->style);
  SetForeColor(colour);
  FontInfo fi{};
  GetFontMetrics(&fi);
  MoveTo(r->left, r->top);
  const char* brut = TexteBrut(d);
  // "$T" in a plain text stands for the reference note and its number: the
  // text before it, the note, then the text after it.
  const char* code = IsStyledString(d->texte) ? nullptr : std::strstr(d->texte, "$T");
  if (code) {
    char avant[sizeof d->texte];
    const size_t n = size_t(code - d->texte);
    std::memcpy(avant, d->texte, n);
    avant[n] = 0;
    if (n > 0) DrawTextWithRhythmicPattern(&d->style, avant, int32_t(n), r, 0.75f);
    Point pen;
    GetPen(&pen);
    const int16_t x = DrawNoteReferenceDansTempo(staff, d, r, n > 0 ? pen.h : r->left);
    const char* apres = code + 2;
    if (*apres) {
      SetTextStyleZoom(nullptr, &d->style);
      SetForeColor(colour);
      MoveTo(x, int16_t(r->top + Zoom(d->style.size == 0 ? 12 : d->style.size)));
      UTFDrawText(CarboniseGetCurrentPort(), apres, 0, int32_t(std::strlen(apres)), 0);
    }
    return;
  }
  if (brut[0] != 0) {
    // SEAM(model): the pattern drawer takes no reference-note callback yet;
    // VectDrawNoteReferenceDansTempo is its form for one.
    DrawTextWithRhythmicPattern(&d->style, d->texte, int32_t(std::strlen(d->texte)), r, 0.75f);
  }
  Point pen;
  GetPen(&pen);
  if (d->tempoAffiche) {
    DrawNoteReferenceDansTempo(staff, d, r, pen.h);
  } else if (d->progressif) {
    MoveTo(pen.h, pen.v);
    LineTo(r->right, pen.v);
  }
}

}  // namespace

// ---------------------------------------------------------------- hairpins

void AfficheDynamiqueCrescendo(const Rect* rect, int16_t opening, int16_t colour, int16_t angle) {
  Soufflet(rect, opening, colour, angle, true);
}

void AfficheDynamiqueDecrescendo(const Rect* rect, int16_t opening, int16_t colour, int16_t angle) {
  Soufflet(rect, opening, colour, angle, false);
}

bool AfficheDynamiqueSplite(Portee** staff, const Dynamique* record, const Rect* rect, int32_t xOffset) {
  if (!staff || !record || !rect || ATexte(record)) return false;
  if (record->type != kDynCrescendo && record->type != kDynDecrescendo) return false;
  Partition** score = (*staff)->partition;
  if (!score) return false;
  const int16_t colour = CouleurDynamique(staff, record);
  const int32_t W = rect->right - rect->left, H = rect->bottom - rect->top;
  const int32_t mid = (rect->top + rect->bottom) / 2;
  Handle table = GetTabEltMesureEcran(score);
  const TabEltMesure* lignes = GetLignesTabElt(table);
  const int32_t nb = std::min<int32_t>(GetNbLignesTabElt(table), (*score)->nbMesures);
  const int32_t premiere = CvtTempsEnMesure(score, record->debut);
  const int32_t derniere = std::min<int32_t>(CvtTempsEnMesure(score, record->fin), nb - 1);
  // A bar that starts a line: its x, and the end of the line before, the
  // bar's header (clef, key and bar line) taken off its x.
  auto debutLigne = [&](int32_t bar) { return lignes && bar < nb && lignes[bar].debutSysteme != 0; };
  auto xMesure = [&](int32_t bar) { return xOffset + CvtMesureEnPixelEcranDebutMesure(score, bar); };
  auto finLignePrecedente = [&](int32_t bar) { return xMesure(bar) - lignes[bar].largeurEntete; };
  auto piece = [&](int32_t gauche, int32_t droite, int16_t opening, bool crescendo) {
    const int32_t largeur = droite - gauche;
    int32_t h = W != 0 ? largeur * H / W : H;
    if (h < Zoom(10)) h = Zoom(10);
    const int32_t top = int32_t(float(mid) - float(h) / 2.0f);
    const Rect r{int16_t(top), int16_t(gauche), int16_t(top + h), int16_t(droite)};
    if (largeur <= Zoom(4)) return int16_t(0);
    Soufflet(&r, opening, colour, 0, crescendo);
    return int16_t(std::max<int32_t>(Zoom(4), int32_t(float(h - Zoom(4)) * 0.75f)));
  };
  int16_t opening = 0;
  if (record->type == kDynCrescendo) {
    int32_t gauche = rect->left;
    for (int32_t bar = premiere + 1; bar <= derniere; bar++) {
      if (!debutLigne(bar)) continue;
      opening = piece(gauche, finLignePrecedente(bar), opening, true);
      gauche = xMesure(bar) + Zoom(2);
    }
    // A last piece no wider than Zoom(4) (a width of 0 among them) is skipped.
    if (rect->right - gauche > Zoom(4)) {
      const Rect r{rect->top, int16_t(gauche), rect->bottom, rect->right};
      Soufflet(&r, opening, colour, 0, true);
    }
  } else {
    int32_t droite = rect->right;
    for (int32_t bar = derniere; bar > premiere; bar--) {
      if (!debutLigne(bar)) continue;
      opening = piece(xMesure(bar) + Zoom(2), droite, opening, false);
      droite = finLignePrecedente(bar);
    }
    if (droite - rect->left > Zoom(4)) {
      const Rect r{rect->top, rect->left, rect->bottom, int16_t(droite)};
      Soufflet(&r, opening, colour, 0, false);
    }
  }
  ForeColor(blackColor);
  return true;
}

// ---------------------------------------------------------------- one object

void AfficheDynamique(Portee** staff, const Dynamique* record, const Rect* rect) {
  if (!record || !rect) return;
  const int16_t colour = CouleurDynamique(staff, record);
  const float s = Echelle(staff);
  Rect r = *rect;
  const int32_t type = record->type;
  if (type == kDynTempo) {
    MarqueTempo(staff, record, &r, colour);
  } else if (ATexte(record)) {
    TexteType(staff, record, &r, colour);
  } else if (type == kDynCrescendo || type == kDynDecrescendo) {
    Soufflet(&r, 0, colour, record->angle, type == kDynCrescendo);
  } else if (type >= kDynOctavePlus1 && type <= kDynOctaveMoins2) {
    SetForeColor(colour);
    OctaveLine(staff, record, &r);
  } else {
    // Glyphs: a turned object first moves by the turn of its centre.
    const int16_t angle = record->angle;
    if (angle != 0) {
      Point c{int16_t((r.top + r.bottom) / 2), int16_t((r.left + r.right) / 2)};
      const Point avant = c;
      RotateTransformPoint(angle, &r, &c);
      OffsetRect(&r, int16_t(c.h - avant.h), int16_t(c.v - avant.v));
    }
    MoveToR(r.left + Zoom(int32_t(2 * s)), r.bottom - Zoom(int32_t(6 * s)), &r, angle);
    SetForeColor(colour);
    TextFontMusicale(staff, TailleGlyphes(staff, record));
    if (type == 16) {
      DrawCharMusicalRotate(83, angle);
      MoveRotate(int16_t(-Zoom(int32_t(7 * s))), 0, angle);
      DrawCharMusicalRotate(102, angle);
      MoveRotate(int16_t(-Zoom(int32_t(4 * s))), 0, angle);
      DrawCharMusicalRotate(122, angle);
    } else {
      uint8_t g[3];
      if (GlyphesType(type, g) == 0) DrawCharMusicalRotate(255, angle);  // a type outside the table
      else TraceGlyphesType(type, s, angle);
    }
  }
  PenSize(1, 1);
  ForeColor(blackColor);
}

// ---------------------------------------------------------------- standard size

int16_t GetRectStdDynamique(Portee** staff, const Dynamique* record, Rect* out) {
  if (!out) return 1;
  *out = Rect{};
  if (!record) return 1;
  if (record->type == kDynCrescendo || record->type == kDynDecrescendo) {
    out->right = 50;
    out->bottom = 12;
    return 1;
  }
  if (record->type == kDynTempo) {
    uint16_t w = 0, h = 0;
    TextBoxStyleSize(record->texte, int32_t(std::strlen(record->texte)), &record->style, &w, &h, 1);
    out->right = int16_t(w);
    out->bottom = int16_t(h);
    return 1;
  }
  const float s = Echelle(staff);
  CGrafPtr ancien = SetPortTemporaire();
  TextFontMusicale(staff, int16_t(TailleMusique(staff)));
  TextFace(0);
  int32_t w = 0;
  const int32_t type = record->type;
  if (type == kDynOctavePlus2 || type == kDynOctaveMoins2) {
    w = CharWidthCaractereMusical(193) + CharWidthCaractereMusical(176) + Zoom(16);
  } else if (type == 16) {
    w = CharWidthCaractereMusical(83) + CharWidthCaractereMusical(102) + CharWidthCaractereMusical(122);
  } else {
    uint8_t g[3];
    const int n = GlyphesType(type, g);
    for (int i = 0; i < n; i++) w += CharWidthCaractereMusical(g[i]);
    if (n == 0) w = CharWidthCaractereMusical(255);
    if (type == kDynOctavePlus1 || type == kDynOctaveMoins1) w += Zoom(16);
  }
  RozoSetPortOffscreen(ancien);
  out->bottom = int16_t(20.0f * s);
  out->right = int16_t(12.0f * s + float(w));
  return 1;
}

// ---------------------------------------------------------------- tempo reference note

namespace {
constexpr int32_t kDureeNoteRefTempo[14] = {241920, 161280, 120960, 80640, 60480, 40320, 30240,
                                            20160,  15120,  10080,  7560,  5040,  3780,  2520};
constexpr uint8_t kFormeNoteRefTempo[7] = {'w', 'h', 'q', 'e', 'x', 'r', 0xC6};
}  // namespace

int16_t DrawNoteReferenceDansTempo(Portee** staff, const Dynamique* tempo, const Rect* rect, int16_t x) {
  if (!tempo || !rect) return x;
  // 1-2. Size and glyph.
  const int16_t taille = staff ? int16_t((TailleMusique(staff) * TaillePourcent(tempo) / 100) / 2) : int16_t(36);
  uint8_t glyphe = ';';
  bool pointe = false;
  for (int i = 0; i < 14; i++)
    if (kDureeNoteRefTempo[i] <= tempo->uniteTempo) {
      glyphe = kFormeNoteRefTempo[i / 2];
      pointe = i % 2 == 0;
      break;
    }
  // 3. Number.
  char nombre[16];
  const int16_t valeur = int16_t(tempo->valeur1);
  if (valeur == 0) std::snprintf(nombre, sizeof nombre, "= ?");
  else std::snprintf(nombre, sizeof nombre, " = %d", int(valeur));
  // 5. Baseline from the font current on entry.
  FontInfo fi{};
  GetFontMetrics(&fi);
  const int16_t base = int16_t(rect->top + fi.ascent);
  const int32_t ecart = pointe ? Zoom(GModeGraphique.slot[5]) / 12 : 0;
  // 4. Style and colour of the number: the style at the end of the text.
  TextStyle style = tempo->style;
  if (IsStyledString(tempo->texte)) ExtraitStyleChaine(tempo->texte, GetStrlenBrutTexteStyle(tempo->texte), &style);
  const int16_t colour =
      (tempo->couleurPropre && !(staff && (*staff)->modeGrise == 1)) ? tempo->couleur : kCouleurGrisee;
  auto styleTexte = [&] {
    SetTextStyleZoom(nullptr, &style);
    SetForeColor(colour);
  };
  styleTexte();
  CGrafPtr port = CarboniseGetCurrentPort();
  const int32_t longueur = int32_t(std::strlen(nombre));
  const int32_t largeurTexte = UTFTextWidth(port, nombre, 0, longueur);
  TextFontMusicale(staff, taille);
  const int32_t largeurGlyphe = CharWidthCaractereMusical(glyphe);
  const int32_t largeurPoint = CharWidthCaractereMusical('.');
  if (tempo->alignementTempo == 2) {
    const int32_t limite = rect->right - Zoom(1);
    styleTexte();
    MoveTo(int16_t(rect->right + ecart - largeurTexte), base);
    UTFDrawText(port, nombre, 0, longueur, 0);
    int32_t gx = limite - largeurTexte - largeurGlyphe;
    if (pointe) gx += ecart - largeurPoint;
    TextFontMusicale(staff, taille);
    MoveTo(int16_t(gx), base);
    DrawCharMusical(glyphe);
    if (pointe) {
      Move(int16_t(ecart), 0);
      DrawCharMusical('.');
    }
    if (tempo->progressif) {
      MoveTo(x, base);
      LineTo(int16_t(gx - Zoom(8)), base);
    }
    return x;
  }
  int32_t xx = x;
  MoveTo(int16_t(xx), base);
  DrawCharMusical(glyphe);
  xx += largeurGlyphe;
  if (pointe) {
    MoveTo(int16_t(xx + ecart), base);
    DrawCharMusical('.');
    xx += ecart + largeurPoint;
  }
  styleTexte();
  MoveTo(int16_t(xx), base);
  UTFDrawText(port, nombre, 0, longueur, 0);
  xx += largeurTexte + Zoom(8);
  if (tempo->progressif) {
    MoveTo(int16_t(xx), base);
    LineTo(int16_t(rect->right - Zoom(1)), base);
  }
  return int16_t(xx);
}

int16_t VectDrawNoteReferenceDansTempo(void* args) {
  if (!args) return 0;
  const intptr_t* mots = static_cast<const intptr_t*>(args);
  Portee** staff = reinterpret_cast<Portee**>(mots[0]);
  const Dynamique* tempo = reinterpret_cast<const Dynamique*>(mots[1]);
  Rect rect;
  std::memcpy(&rect, &mots[2], sizeof rect);
  Point pen;
  GetPen(&pen);
  return DrawNoteReferenceDansTempo(staff, tempo, &rect, pen.h);
}
