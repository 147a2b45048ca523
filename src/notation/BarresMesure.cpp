#include "notation/BarresMesure.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "layout/DonneesModeGraphique.h"
#include "layout/Zoom.h"
#include "model/CvtTemps.h"
#include "model/Document.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/Ruban.h"
#include "model/Ruptures.h"
#include "model/TabEltMesure.h"
#include "model/Tonalite.h"
#include "platform/QuickDraw.h"
#include "stafftypes/DonneesTablature.h"
#include "stafftypes/ServicesTypesPortee.h"
#include "system/BigRect.h"
#include "system/Couleurs.h"
#include "system/PortLayer.h"
#include "system/ResStrings.h"
#include "system/Strings.h"
#include "text/ExtendedTE.h"
#include "text/Fontes.h"
#include "text/TextBox.h"
#include "text/UTFText.h"

namespace {

// Graphic-mode slots of bar lines.
constexpr int kSlotEpaisse = 11;
constexpr int kSlotMince = 12;
constexpr int kSlotEcartDouble = 13;
constexpr int kSlotEcartFinEpais = 14;
constexpr int kSlotTiret = 15;
constexpr int kSlotEspaceTiret = 16;
constexpr int kSlotCrochet = 17;

constexpr uint8_t kGlypheCoda = 222;
constexpr uint8_t kGlypheSegno = 37;

int16_t Slot(int n) { return GModeGraphique.slot[n]; }

// A thickness or gap of 1/288 inch at the destination resolution, never
// below a pixel.
int16_t Pixels288(int32_t w) {
  const int32_t v = LMulDiv(w, GetDpiDest(), 288);
  return int16_t(v < 1 ? 1 : v);
}

// A vertical line w pixels wide from top to bottom - 1, the pen put back.
void Trait(int32_t x, int16_t top, int16_t bottom, int16_t w) {
  PenSize(w, 1);
  MoveTo(int16_t(x), top);
  LineTo(int16_t(x), int16_t(bottom - 1));
  PenSize(1, 1);
}

int16_t TailleMusique(Portee** staff) {
  if (!staff || (*staff)->aspect.tailleUnite == 0) return 72;
  return int16_t((*staff)->aspect.tailleUnite);
}

int32_t Borne(int32_t v) { return v < -32000 ? -32000 : (v > 32000 ? 32000 : v); }

int32_t Arrondi(double v) { return int32_t(std::lround(v)); }

// SEAM(notation): the begin and end bars take no bracket until part-group
// brackets are drawn; the thick line stands in for it.
void DrawBracketBarre(const Rect* rect, int16_t top, int16_t bottom, bool inverse) {
  const int16_t e = Pixels288(Slot(kSlotEpaisse));
  Trait(inverse ? rect->right - e : rect->left, top, bottom, e);
}

Tablature* TablatureDe(Portee** staff) {
  Tablature** t = staff ? GetTablature(staff) : nullptr;
  return t ? *t : nullptr;
}

int16_t HauteurTablature(Portee** staff, Tablature* t) { return t ? GetHauteurUtileTablature(GetTablature(staff)) : 0; }

bool TablatureSansNotation(Portee** staff, Tablature* t) {
  return staff && (*staff)->type == 7 && t && !(t->flagsAffichage & kTablatureAfficheNotation);
}

bool MesureVisible(Portee** staff, int16_t bar) {
  int32_t n = 0;
  if (!staff || !GetEltsTabTonalite(staff, &n) || n == 0) return true;
  return CvtMesureEnFondVisible(staff, bar);
}

// ---- the text of a rupture

// The pending run of plain text: drawn or measured when flushed. A run that
// would outgrow its buffer is flushed first, between whole characters, so a
// long expansion is drawn in several runs and nothing is cut.
struct RunTexte {
  char buf[512];
  int32_t n = 0;
  bool dessine = false;
  int32_t total = 0;

  void Vide() {
    if (n > 0) {
      CGrafPtr port = CarboniseGetCurrentPort();
      if (dessine) UTFDrawText(port, buf, 0, n, 0);
      else total += UTFTextWidth(port, buf, 0, n);
    }
    n = 0;
  }
  void Octet(char c) {
    // Room for a whole character is kept before any byte that starts one.
    if ((uint8_t(c) & 0xC0) != 0x80 && n + 4 > int32_t(sizeof buf) - 1) Vide();
    if (n >= int32_t(sizeof buf) - 1) Vide();
    buf[n++] = c;
  }
  void Texte(const char* s) {
    for (; *s; s++) Octet(*s);
  }
};

// The ordinal suffix of pass number `n` in the interface language, UTF-8.
const char* SuffixeOrdinal(int32_t n) {
  switch (uint16_t(Langue)) {
    case 0: return n == 1 ? "ere fois" : "eme fois";
    case 2: return "\xC2\xB0 volte";
    case 3: return ".te";
    case 4: return "o veces";
    case 5: return "";
    case 6: return "\xC2\xAA vez";
    case 7: return "e keer";
    default: break;
  }
  int32_t m = n % 100;
  if (m >= 21) m %= 10;
  switch (m) {
    case 1: return "st time";
    case 2: return "nd time";
    case 3: return "rd time";
    default: return "th time";
  }
}

// The ending numbers of the set flags, joined by `sep`, into dst (room 128).
void NumerosVolta(const Rupture* r, const char* sep, bool pointFinal, char* dst) {
  dst[0] = 0;
  size_t n = 0;
  bool premier = true;
  for (int i = 0; i < kNbPassagesVolta; i++) {
    if (!r->passagesVolta[i]) continue;
    n += size_t(std::snprintf(dst + n, 128 - n, "%s%d", premier ? "" : sep, i + 1));
    premier = false;
  }
  if (pointFinal) std::snprintf(dst + n, 128 - n, ".");
}

// A decimal number of digits and dots, read the same whatever the locale.
double LitNombre(const char* s, int32_t* lus) {
  double v = 0.0, echelle = 0.0;
  int32_t i = 0;
  for (; i < 255 && (std::isdigit(uint8_t(s[i])) || s[i] == '.'); i++) {
    if (s[i] == '.') {
      if (echelle == 0.0) echelle = 0.1;
      continue;
    }
    const int d = s[i] - '0';
    if (echelle == 0.0) {
      v = v * 10.0 + d;
    } else {
      v += d * echelle;
      echelle /= 10.0;
    }
  }
  *lus = i;
  return v;
}

// ---- areas

struct ValeursMesure {
  int32_t A = 0, M = 0, U = 0, Rp = 0, Up = 0;
};

}  // namespace

// ---------------------------------------------------------------- widths

int16_t GetBarLineWidth(bool screen, Partition** score, int32_t kind) {
  const int32_t mince = Slot(kSlotMince), epaisse = Slot(kSlotEpaisse);
  int32_t w = 0;
  switch (kind) {
    case 1:
    case 3: w = 2 * mince + Slot(kSlotEcartDouble); break;
    case 2:
    case 9: w = mince; break;
    case 4: w = epaisse + mince; break;
    case 5:
    case 7: w = Slot(kSlotEcartFinEpais) + epaisse + mince; break;
    case 6:
    case 8: w = epaisse + Slot(kSlotEcartFinEpais) + mince + 20; break;
    default: return 0;
  }
  if (w == 0) return 0;
  return int16_t((screen ? Zoom(w) : ZoomRuban(score, w)) / 4);
}

int32_t CalculeTailleEcranRuptureMesure(Partition** score, int16_t bar) {
  if (!score) return 0;
  int32_t best = 0;
  for (int16_t i = RechercheRupture(score, 0, bar); i >= 0; i = RechercheRupture(score, int16_t(i + 1), bar)) {
    const Rupture* r = GetRupture(score, i);
    if (!r || r->placement != kRupturePlacementDebut) continue;
    const int32_t w = GetBarLineWidth(true, score, int32_t(r->barre));
    if (w > best) best = w;
  }
  return best;
}

// ---------------------------------------------------------------- bar lines

int16_t AfficheBarlineDebutMusique(const Rect* rect, int16_t top, int16_t bottom, bool draw) {
  if (!rect) return 0;
  const int16_t dx = Pixels288(Slot(kSlotEpaisse) + Slot(kSlotEcartFinEpais));
  if (draw) {
    if (Slot(kSlotCrochet) != 0) DrawBracketBarre(rect, top, bottom, false);
    else Trait(rect->left, top, bottom, Pixels288(Slot(kSlotEpaisse)));
    Trait(rect->left + dx, top, bottom, Pixels288(Slot(kSlotMince)));
  }
  return int16_t(dx + Pixels288(Slot(kSlotMince)));
}

int16_t AfficheBarlineFinMusique(const Rect* rect, int16_t top, int16_t bottom, bool draw) {
  if (!rect) return 0;
  const int16_t epaisse = Pixels288(Slot(kSlotEpaisse));
  const int16_t dx = Pixels288(Slot(kSlotEcartFinEpais) + Slot(kSlotMince));
  if (draw) {
    const int32_t x = rect->right - epaisse;
    Trait(x, top, bottom, epaisse);
    Trait(x - dx, top, bottom, Pixels288(Slot(kSlotMince)));
    if (Slot(kSlotCrochet) != 0) DrawBracketBarre(rect, top, bottom, true);
  }
  return int16_t(dx + epaisse);
}

void AffichePointsBarline(const Rect* rect, int16_t dx, int16_t size, int16_t gap, bool four) {
  if (!rect) return;
  const int16_t x = int16_t(rect->left + dx);
  auto point = [&](int32_t y0) {
    const Rect r{int16_t(y0), x, int16_t(y0 + size), int16_t(x + size)};
    PaintOval(&r);
  };
  const int32_t centre = (rect->top + rect->bottom) / 2;
  point(centre - gap - size);
  point(centre + gap);
  if (four) {
    const int32_t h = rect->bottom - rect->top;
    point(rect->top + h / 4 - gap - size);
    point(rect->top + 3 * h / 4 + gap);
  }
}

void AfficheBarLine(Portee** staff, const Rupture* rupture, int16_t top, int16_t bottom, bool first, const Rect* rect,
                    bool draw) {
  if (!rupture || !rect) return;
  if (top == bottom) {
    top = rect->top;
    bottom = rect->bottom;
  }
  const int16_t mince = Pixels288(Slot(kSlotMince));
  auto points = [&](int32_t dx) {
    if (!staff) return;
    const int16_t s = TailleMusique(staff);
    AffichePointsBarline(rect, int16_t(dx), int16_t(Zoom(3 * s) / 72), int16_t(Zoom(2 * s) / 72),
                         (*staff)->quatrePointsRepetition != 0);
  };
  switch (rupture->barre) {
    case kBarreAucune:
      if (!first) Trait(rect->left, top, bottom, mince);
      break;
    case kBarreGrise:
      if (first) break;
      PenSizeZoom(1, 1, 288);
      SetRGBForeColor(0xC000, 0xC000, 0xC000);
      MoveTo(rect->left, top);
      LineTo(rect->left, int16_t(bottom - 1));
      PenSize(1, 1);
      ForeColor(blackColor);
      break;
    case kBarrePointillee: {
      if (!draw) break;
      int32_t tiret = Zoom(Slot(kSlotTiret)), espace = Zoom(Slot(kSlotEspaceTiret));
      if (tiret == 0 && espace == 0) tiret = espace = 1;
      const int32_t periode = tiret + espace;
      PenSize(mince, 1);
      int32_t y = top;
      if (periode > 0)
        for (; y + periode <= bottom; y += periode) {
          MoveTo(rect->left, int16_t(y));
          LineTo(rect->left, int16_t(y + tiret - 1));
        }
      if (y < bottom) {
        MoveTo(rect->left, int16_t(y));
        LineTo(rect->left, int16_t(bottom - 1));
      }
      PenSize(1, 1);
      break;
    }
    case kBarreDouble:
      if (!draw) break;
      Trait(rect->left, top, bottom, mince);
      Trait(rect->left + Pixels288(Slot(kSlotMince) + Slot(kSlotEcartDouble)), top, bottom, mince);
      break;
    case kBarreEpaisse:
      if (!draw) break;
      Trait(rect->right - Pixels288(Slot(kSlotEpaisse)), top, bottom, Pixels288(Slot(kSlotEpaisse)));
      break;
    case kBarreDebutMusique: AfficheBarlineDebutMusique(rect, top, bottom, draw); break;
    case kBarreDebutRepetition: {
      const int16_t w = AfficheBarlineDebutMusique(rect, top, bottom, draw);
      points(w + Zoom(2));
      break;
    }
    case kBarreFinMusique: AfficheBarlineFinMusique(rect, top, bottom, draw); break;
    case kBarreFinRepetition: {
      AfficheBarlineFinMusique(rect, top, bottom, draw);
      if (!staff) break;
      const int16_t taille = int16_t(Zoom(3 * TailleMusique(staff)) / 72);
      const int32_t recul =
          Pixels288(Slot(kSlotEcartFinEpais) + Slot(kSlotMince)) + Pixels288(Slot(kSlotEpaisse)) + taille + Zoom(2);
      points(rect->right - rect->left - recul);
      break;
    }
    case kBarreFine:
      if (draw) Trait(rect->left, top, bottom, mince);
      break;
    default: break;
  }
  PenSize(1, 1);
}

// ---------------------------------------------------------------- texts

int16_t AfficheTexteRupture(Partition** score, Portee** staff, Rupture* rupture, int16_t size, bool draw,
                            bool bracketLines) {
  if (!rupture) return 0;
  const int16_t dpi = GetDpiDest();
  if (score) SetDpiDest((*score)->zoom);
  CGrafPtr ancien = nullptr;
  if (!draw) ancien = SetPortTemporaire();
  auto fin = [&](int32_t w) {
    if (!draw) RozoSetPortOffscreen(ancien);
    SetDpiDest(dpi);
    return int16_t(draw ? 0 : w);
  };
  char texte[kTailleTexteRupture + 1];
  std::memcpy(texte, rupture->texte, kTailleTexteRupture);
  texte[kTailleTexteRupture] = 0;
  if (texte[0] == 0) return fin(0);

  SetTextStyleZoom(score, &rupture->style);
  const bool crochetsAilleurs = bracketLines && GModeGraphique.drapeau220;
  int32_t g = size;
  int32_t passage = 0;
  RunTexte run;
  run.dessine = draw;
  auto glyphe = [&](uint8_t code) {
    run.Vide();
    TextFontMusicale(staff, int16_t(g));
    if (draw) DrawCharMusical(code);
    else run.total += CharWidthCaractereMusical(code);
    SetTextStyleZoom(score, &rupture->style);
  };
  auto crochet = [&](bool debut) {
    run.Vide();
    const int32_t avance = debut ? Zoom(g * 7 / 72) : Zoom(12);
    if (!draw) {
      if (debut) rupture->largeurAvantVolta = int16_t(DeZoom(run.total));
      run.total += avance;
      return;
    }
    if (crochetsAilleurs) {
      Move(int16_t(avance), 0);
      return;
    }
    Point p;
    GetPen(&p);
    PenSizeZoom(g / 9, g / 9, 288);
    Move(int16_t(debut ? Zoom(2) : Zoom(10)), int16_t(Zoom(g) / 30));
    Line(0, int16_t(-(Zoom(g) / 4)));
    Line(int16_t(debut ? Zoom(g) / 4 : -(Zoom(g) / 4)), 0);
    MoveTo(int16_t(p.h + avance), p.v);
    PenSizeZoom(1, 1, 72);
  };

  for (int32_t i = 0; texte[i]; i++) {
    if (texte[i] != '$') {
      run.Octet(texte[i]);
      continue;
    }
    const char c = texte[i + 1];
    if (c == 0) break;
    i++;
    if (std::isdigit(uint8_t(c))) {
      int32_t lus = 0;
      const double v = LitNombre(texte + i, &lus);
      g = int32_t(v * size);
      i += lus - 1;
      continue;
    }
    switch (std::isalpha(uint8_t(c)) ? char(c & ~0x20) : c) {
      case '$': run.Octet('$'); break;
      case 'C': glyphe(kGlypheCoda); break;
      case 'S': glyphe(kGlypheSegno); break;
      case '#': {
        run.Vide();
        char numeros[128];
        NumerosVolta(rupture, ".", true, numeros);
        TextFontMusicale(staff, int16_t(g));
        if (draw) {
          Move(0, int16_t(-(Zoom(g) / 14)));
          DrawTextMusical(numeros);
          Move(0, int16_t(Zoom(g) / 14));
        } else {
          run.total += TextWidthCaractereMusical(numeros);
        }
        SetTextStyleZoom(score, &rupture->style);
        break;
      }
      case 'P': {
        char s[128];
        s[0] = 0;
        passage = 0;
        if (rupture->modePassage == 1 || rupture->modePassage == 2) {
          passage = int32_t(rupture->nbPassages) + 1;
          std::snprintf(s, sizeof s, "%d", int(int16_t(passage)));
        } else if (rupture->modePassage == 3) {
          NumerosVolta(rupture, ", ", false, s);
        }
        run.Texte(s);
        break;
      }
      case 'T':
        if (passage != 0) run.Texte(SuffixeOrdinal(passage));
        break;
      case 'N': {
        char s[16];
        std::snprintf(s, sizeof s, "%d", int(rupture->parametre) + 1);
        run.Texte(s);
        break;
      }
      case '[': crochet(true); break;
      case ']': crochet(false); break;
      default: break;
    }
  }
  run.Vide();
  return fin(run.total);
}

bool IsPrintRupture(Partition** score, Portee** staff) {
  if (!score) return false;
  const uint16_t option = (*score)->optionRuptures;
  if (option == 0 || option > 255) return true;
  return staff && (*staff)->afficheRuptures != 0;
}

// ---------------------------------------------------------------- areas

void CalculeAiresRelativesRupture(bool screen, bool subtract, Partition** score, Portee** staff, Rupture* rupture,
                                  BigRect* barArea, BigRect* textArea) {
  BigRect barre{}, texte{};
  if (!score || !rupture) {
    if (barArea) *barArea = barre;
    if (textArea) *textArea = texte;
    return;
  }
  auto z = [&](int32_t v) { return screen ? Zoom(v) : ZoomRuban(score, v); };
  // 1. Staff values.
  int32_t s = Zoom(72);
  uint32_t type = 0;
  Tablature* tab = nullptr;
  float inter = 0.0f;
  if (staff) {
    s = TailleMusique(staff);
    type = (*staff)->type;
    tab = TablatureDe(staff);
    inter = screen ? (*staff)->interligne : (*staff)->interligneRuban;
  }
  const int16_t bar = rupture->mesure;
  // 2. x by placement.
  int32_t x = 0;
  if (rupture->placement == kRupturePlacementSigne || rupture->placement == kRupturePlacementDebut1) {
    x = screen ? CalculeMargeDebutMesureEcran(score, bar) : CalculeMargeDebutMesureRuban(score, bar);
    if (rupture->placement == kRupturePlacementDebut1)
      x -= screen ? CalculeMargeEcranApresCle(score, bar) : CalculeMargeRubanApresCle(score, bar);
  }
  // 3-4. Bar-line area.
  const int32_t w = GetBarLineWidth(screen, score, int32_t(rupture->barre));
  if (type == 7) {
    const int32_t h = HauteurTablature(staff, tab);
    SetBigRect(&barre, x, 0, x + w, h);
  } else {
    SetBigRect(&barre, x, -z(s / 3), x + w, 0);
  }
  if (rupture->placement == kRupturePlacementFin) OffsetBigRect(&barre, -w, 0);
  // 5. Base y.
  int32_t y0;
  if (type == 7 && TablatureSansNotation(staff, tab)) y0 = -2 * z(4);
  else y0 = int32_t(float(z(4)) - 5.0f * inter) - z(4);
  // 6. Text width.
  const int32_t tw = AfficheTexteRupture(screen ? nullptr : score, staff, rupture, int16_t(s), false, false);
  CGrafPtr ancien = SetPortTemporaire();
  int32_t X, Y;
  if (!screen) {
    // 7. Strip.
    X = x;
    if (subtract && rupture->placement == kRupturePlacementFin) X -= tw;
    X += ZoomRuban(score, rupture->decalageXTexte);
    Y = y0 + ZoomRuban(score, rupture->decalageYTexte);
    SetTextStyleZoom(score, &rupture->style);
  } else {
    // 8. Screen: the strip position mapped zone by zone onto the screen bars.
    BigRect stripBarre, stripTexte;
    CalculeAiresRelativesRupture(false, false, score, staff, rupture, &stripBarre, &stripTexte);
    const int32_t T = stripTexte.left;
    const int32_t nb = (*score)->nbMesures;
    int32_t b = bar + (rupture->placement == kRupturePlacementFin ? 1 : 0);
    if (nb > 0 && b > nb - 1) b = nb - 1;
    if (b < 0) b = 0;
    Handle ecran = GetTabEltMesureEcran(score);
    const TabEltMesure* lignesE = GetLignesTabElt(ecran);
    const int32_t nbE = GetNbLignesTabElt(ecran);
    const TabEltMesure* lignesR = GetLignesTabElt(GetTabEltMesureRuban(score));
    const int32_t nbR = GetNbMesuresTabEltRuban(score);
    int32_t p = b - 1;
    while (p > 0 && p < nbE && lignesE[p].sansLargeur == 1) p--;
    ValeursMesure r, e;
    r.M = CalculeMargeDebutMesureRuban(score, b);
    r.A = r.M - CalculeMargeRubanApresCle(score, b);
    r.U = CvtMesureEnTailleUtileMesureRuban(score, b);
    e.M = CalculeMargeDebutMesureEcran(score, b);
    e.A = e.M - CalculeMargeEcranApresCle(score, b);
    e.U = CvtMesureEnTailleUtileMesureEcran(score, b);
    if (b > 0 && p >= 0) {
      r.Rp = p < nbR && lignesR ? lignesR[p].largeurMargeDroite : 0;
      r.Up = CvtMesureEnTailleUtileMesureRuban(score, p);
      e.Rp = CvtMesureEnMargeDroiteMesureEcran(score, p);
      e.Up = CvtMesureEnTailleUtileMesureEcran(score, p);
    }
    const bool fin = rupture->placement == kRupturePlacementFin;
    if (T < -r.Rp) {
      const float f = r.Up != 0 ? float(T + r.Rp + r.Up) / float(r.Up) : 1.0f;
      X = b == 0 ? 0 : int32_t(float(e.Up) * f - float(e.Up + e.Rp));
    } else if (T < 0) {
      const double d = double(r.Rp != 0 ? float(T + r.Rp) / float(r.Rp) - 1.0f : -1.0f);
      X = b == 0 ? 0 : Arrondi(double(e.Rp) * d);
    } else if (T < r.A || (fin && T == r.A)) {
      X = r.A != 0 ? int32_t(float(e.A) * float(T) / float(r.A)) : 0;
    } else if (T < r.M) {
      const float q = r.M != r.A ? float(T - r.A) / float(r.M - r.A) : 0.0f;
      X = int32_t(float(e.M - e.A) * q + float(e.A));
    } else {
      const float q = r.U != 0 ? float(T - r.M) / float(r.U) : 0.0f;
      X = int32_t(float(e.U) * q + float(e.M));
    }
    if (subtract && fin) X -= tw;
    Y = y0 + Zoom(rupture->decalageYTexte);
    SetTextStyleZoom(nullptr, &rupture->style);
  }
  // 9. Text area.
  FontInfo fi{};
  GetFontMetrics(&fi);
  SetBigRect(&texte, X, Y - fi.ascent, X + tw, Y);
  TextFont(0);
  TextSize(0);
  TextFace(0);
  RozoSetPortOffscreen(ancien);
  if (barArea) *barArea = barre;
  if (textArea) *textArea = texte;
}

void CalculeAiresEcranRelativesRupture(Partition** score, Portee** staff, Rupture* rupture, Rect* barRect,
                                       Rect* textRect) {
  BigRect barre, texte;
  CalculeAiresRelativesRupture(true, true, score, staff, rupture, &barre, &texte);
  if (barRect) CvtBigRectToRect(&barre, barRect);
  if (textRect) CvtBigRectToRect(&texte, textRect);
}

void CalculeAireEcranRupture(Partition** score, Portee** staff, int32_t visX, Rupture* rupture, int16_t bar,
                             Rect* rect) {
  if (!rect || !score || !staff || !rupture) return;
  BigRect texte;
  CalculeAiresRelativesRupture(true, true, score, staff, rupture, nullptr, &texte);
  const int32_t dx = CvtMesureEnPixelEcranDebutMesure(score, bar) - visX + (*staff)->rect.left;
  int32_t dy = (*staff)->yHaut + (*staff)->decalageLigneBas;
  if (TablatureSansNotation(staff, TablatureDe(staff))) dy = (*staff)->yBarreOrigine;
  auto bouge = [&](int32_t ddx, int32_t ddy) {
    texte.left = Borne(texte.left + ddx);
    texte.right = Borne(texte.right + ddx);
    texte.top = Borne(texte.top + ddy);
    texte.bottom = Borne(texte.bottom + ddy);
  };
  bouge(dx, dy);
  if (rupture->placement == kRupturePlacementFin) bouge(CvtMesureEnTaillePixelEcran(score, bar), 0);
  CvtBigRectToRect(&texte, rect);
}

// ---------------------------------------------------------------- drawing

void AfficheUneRupture(Partition** score, Portee** staff, Rupture* rupture, int16_t x, int16_t y, int16_t top,
                       int16_t bottom, bool normal) {
  if (!score || !staff || !rupture) return;
  PenSize(1, 1);
  Rect rb, rt;
  CalculeAiresEcranRelativesRupture(score, staff, rupture, &rb, &rt);
  if (normal) {
    int32_t dx = x;
    const uint32_t k = rupture->barre;
    if (k == kBarreEpaisse || k == kBarreFinMusique || k == kBarreFinRepetition)
      dx += Arrondi(double(Zoom(Slot(kSlotMince))) * 0.25);
    else if (rupture->placement == kRupturePlacementFin) dx += Arrondi(double(Zoom(Slot(kSlotMince))) * 0.125);
    OffsetRect(&rt, x, y);
    OffsetRect(&rb, int16_t(dx), y);
  } else {
    const int16_t dx = int16_t(x - rb.left), dy = int16_t(y - rb.bottom);
    OffsetRect(&rt, dx, dy);
    OffsetRect(&rb, dx, dy);
  }
  int16_t couleur = int16_t(rupture->couleur);
  if (couleur == 0) couleur = (*staff)->couleurRupture;
  if (couleur == 0) couleur = (*staff)->couleur;
  if (couleur == 0) couleur = 1;
  SetForeColor(couleur);
  AfficheBarLine(staff, rupture, top, bottom, normal, &rb, true);
  Tablature* tab = TablatureDe(staff);
  const bool sansTexte = (*staff)->type == 7 && tab && (tab->flagsAffichage & kTablatureAfficheNotation);
  if (!sansTexte) {
    MoveTo(rt.left, rt.bottom);
    AfficheTexteRupture(nullptr, staff, rupture, TailleMusique(staff), true, normal);
  }
  TextFont(0);
  TextSize(0);
  TextFace(0);
  ForeColor(blackColor);
}

bool AfficheRuptures(Partition** score, Portee** staff, int16_t bar, int16_t x, int16_t y, bool strict, int16_t* out) {
  if (out) *out = 0;
  if (!score || !staff) return false;
  auto cherche = [&](int16_t from) {
    return strict ? RechercheRuptureStrict(score, from, bar, 0) : RechercheRupture(score, from, bar);
  };
  const bool imprimable = IsPrintRupture(score, staff);
  Tablature* tab = (*staff)->type != 7 ? TablatureDe(staff) : nullptr;
  bool uneBarre = false;
  // Every rupture of the bar is drawn; the result says whether any had a bar line.
  for (int16_t i = cherche(0); i >= 0; i = cherche(int16_t(i + 1))) {
    Rupture* r = GetRupture(score, i);
    if (!r) break;
    if (r->barre != kBarreAucune) uneBarre = true;
    if (out && r->barre != kBarreAucune &&
        (r->placement == kRupturePlacementFin || (r->barre != kBarreDebutMusique && r->barre != kBarreDebutRepetition)))
      *out = 1;
    if (!imprimable && r->barre == kBarreAucune) continue;
    const int16_t mesure = int16_t(r->placement == kRupturePlacementFin ? r->mesure - 1 : r->mesure);
    if (!MesureVisible(staff, mesure)) continue;
    AfficheUneRupture(score, staff, r, x, y, (*staff)->yBarreHaut, (*staff)->yBarreBas, true);
    if (tab && r->barre != kBarreAucune) {
      BigRect barre;
      CalculeAiresRelativesRupture(true, true, score, staff, r, &barre, nullptr);
      Rect rb;
      CvtBigRectToRect(&barre, &rb);
      rb.top = int16_t(tab->decalageHaut + (*staff)->yHaut);
      rb.bottom = int16_t(rb.top + HauteurTablature(staff, tab));
      const bool droite = r->barre == kBarreFinMusique || r->barre == kBarreFinRepetition;
      OffsetRect(&rb, int16_t(droite ? int32_t(float(x) + float(Zoom(Slot(kSlotMince))) * 0.25f) : x), 0);
      AfficheBarLine(staff, r, rb.top, rb.bottom, true, &rb, false);
    }
  }
  return uneBarre;
}

void AutoPositionRupture(Partition** score, int16_t index) {
  const Rupture* ref = GetRupture(score, index);
  if (!ref) return;
  const int16_t bar = ref->mesure;
  const bool fin = ref->placement == kRupturePlacementFin;
  const int16_t n = GetNbRuptures(score);
  auto memeGroupe = [&](const Rupture* r) { return r->mesure == bar && (r->placement == kRupturePlacementFin) == fin; };
  auto aire = [&](Rupture* r) {
    BigRect t;
    CalculeAiresRelativesRupture(false, true, score, nullptr, r, nullptr, &t);
    return t;
  };
  auto vide = [](const BigRect& t) { return t.right <= t.left || t.bottom <= t.top; };
  int32_t base = 0;
  for (int16_t i = 0; i < n; i++) {
    Rupture* r = GetRupture(score, i);
    const int16_t c = GetTypeRupture(r);
    if (!memeGroupe(r) || (c != 1 && c != 4)) continue;
    const BigRect t = aire(r);
    if (!vide(t)) base = t.top;
  }
  int32_t monte = 0;
  for (int16_t i = 0; i < n; i++) {
    Rupture* r = GetRupture(score, i);
    const int16_t c = GetTypeRupture(r);
    if (!memeGroupe(r) || c == 1 || c == 4) continue;
    r->decalageYTexte = int16_t(base);
    if (c == 0 || c == 5) {
      const BigRect t = aire(r);
      if (!vide(t)) monte = t.bottom - t.top;
    }
  }
  if (monte == 0) return;
  for (int16_t i = 0; i < n; i++) {
    Rupture* r = GetRupture(score, i);
    const int16_t c = GetTypeRupture(r);
    if (memeGroupe(r) && (c == 2 || c == 3)) r->decalageYTexte = int16_t(r->decalageYTexte - monte);
  }
}

// ---------------------------------------------------------------- ending brackets

void TraceLignesPartRuptures(Partition** score, Portee** staff, int32_t visX, int32_t offset, int16_t startIndex,
                             int16_t endIndex) {
  Rupture* debut = startIndex >= 0 ? GetRupture(score, startIndex) : nullptr;
  Rupture* fin = endIndex >= 0 ? GetRupture(score, endIndex) : nullptr;
  if (!staff || (!debut && !fin)) return;
  const float s = float(TailleMusique(staff)) * (1.0f / 72.0f);
  PenSizeZoom(int32_t(6 * s), int32_t(6 * s), 288);
  const int32_t L = Zoom(int32_t(10 * s)), H = Zoom(int32_t(7 * s));
  auto aire = [&](Rupture* r) {
    Rect a{};
    CalculeAireEcranRupture(score, staff, visX, r, r->mesure, &a);
    a.left = int16_t(Borne(a.left + offset));
    a.right = int16_t(Borne(a.right + offset));
    return a;
  };
  if (debut) {
    Rect a = aire(debut);
    int32_t droite;
    if (fin) {
      droite = Borne(aire(fin).right);
      RGBForeColor(&fin->style.color);
    } else {
      RGBForeColor(&debut->style.color);
      if (GModeGraphique.drapeau221)
        droite = a.left + CvtMesureEnTailleUtileMesureEcran(score, debut->mesure) +
                 CvtMesureEnMargeDroiteMesure(score, debut->mesure) - Zoom(3);
      else droite = a.left + Zoom(int32_t(17 * s));
    }
    MoveTo(a.left, int16_t(a.top + L));
    LineTo(a.left, int16_t(a.top - H));
    LineTo(int16_t(droite), int16_t(a.top - H));
    if (fin && std::strstr(fin->texte, "$]")) LineTo(int16_t(droite), int16_t(a.top + L));
  } else {
    const Rect a = aire(fin);
    RGBColor c = fin->style.color;
    auto eclaircit = [](uint16_t v) { return uint16_t(0.25f * float(v) + 49151.25f); };
    c = RGBColor{eclaircit(c.red), eclaircit(c.green), eclaircit(c.blue)};
    RGBForeColor(&c);
    MoveTo(a.right, int16_t(a.top + L));
    LineTo(a.right, int16_t(a.top - H));
    LineTo(int16_t(a.right - Zoom(int32_t(17 * s))), int16_t(a.top - H));
  }
  PenNormal();
}

void AfficheLignesPartRuptures(Portee** staff, const Rect*, int32_t visX, int32_t offset, int32_t from, int32_t to) {
  if (!staff) return;
  Partition** owner = (*staff)->partition;
  if (!owner || GetNbRuptures(owner) == 0 || !IsPrintRupture(owner, staff) || !GModeGraphique.drapeau220) return;
  // The brackets belong to the document's current score.
  Partition** score = owner;
  if ((*owner)->document && (*owner)->document->partitionCourante) score = (*owner)->document->partitionCourante;
  const int16_t n = GetNbRuptures(score);
  int16_t enCours = -1;
  int32_t debutEnCours = 0;
  for (int16_t i = 0; i < n; i++) {
    const Rupture* r = GetRupture(score, i);
    if (r->type == kRuptureDebutVolta) {
      if (enCours >= 0 && debutEnCours >= from && debutEnCours <= to)
        TraceLignesPartRuptures(score, staff, visX, offset, enCours, -1);
      enCours = i;
      debutEnCours = CvtMesureEnTemps(score, r->mesure);
      RGBForeColor(&r->style.color);
    } else if (r->type == kRuptureFinVolta) {
      const int32_t t = CvtMesureEnTemps(score, r->mesure + 1);
      if (enCours >= 0) {
        if (debutEnCours >= from && debutEnCours <= to) {
          TraceLignesPartRuptures(score, staff, visX, offset, enCours, i);
          enCours = -1;
        } else if (t < from || (debutEnCours > from && t > to)) {
          // Still pending: neither end is shown yet.
        } else {
          TraceLignesPartRuptures(score, staff, visX, offset, enCours, i);
          enCours = -1;
        }
      } else if (from < t && t <= to + 2) {
        TraceLignesPartRuptures(score, staff, visX, offset, -1, i);
      }
    }
  }
  if (enCours >= 0 && debutEnCours >= from && debutEnCours <= to)
    TraceLignesPartRuptures(score, staff, visX, offset, enCours, -1);
}

// ---------------------------------------------------------------- bar numbers

void SetLigneNumMesure(Portee** staff, int16_t y) {
  if (!staff) return;
  const int32_t v = DeZoom(y);
  (*staff)->ligneNumeroMesure = int16_t(v < 0 ? 0 : v);
}

void TexteNumeroMesure(int32_t v, bool digits, uint8_t prefix, char* dst) {
  char corps[16];
  if (digits) {
    std::snprintf(corps, sizeof corps, "%d", int(v));
  } else {
    char inverse[16];
    int n = 0;
    for (int32_t r = v; r > 0 && n < 14; r = (r - 1) / 26) inverse[n++] = char('A' + (r - 1) % 26);
    for (int i = 0; i < n; i++) corps[i] = inverse[n - 1 - i];
    corps[n] = 0;
  }
  size_t k = 0;
  if (prefix) dst[k++] = char(prefix);
  std::memcpy(dst + k, corps, std::strlen(corps) + 1);
}

void AfficheNumeroMesure(Portee** staff, int16_t x, int32_t bar) {
  if (!staff || !(*staff)->partition) return;
  Partition** score = (*staff)->partition;
  const TabEltMesure* lignes = GetLignesTabElt(GetTabEltMesureRuban(score));
  const int32_t nb = GetNbMesuresTabEltRuban(score);
  if (!lignes || bar < 0 || bar >= nb || bar >= (*score)->nbMesures) return;
  const TabEltMesure& ligne = lignes[bar];
  const int32_t n = ligne.numeroMesure;
  if (n == 0) return;  // a bar that carries no number
  Portee& p = **staff;
  if (p.intervalleNumeroMesure < 1) p.intervalleNumeroMesure = 1;
  bool du = ligne.numeroForce != 0;
  if (!du && n >= p.premiereMesureNumerotee) {
    if (p.switchesNumeroMesure[2] == 0) {
      du = (n - p.premiereMesureNumerotee) % p.intervalleNumeroMesure == 0;
    } else {
      Handle ecran = GetTabEltMesureEcran(score);
      du = bar < GetNbLignesTabElt(ecran) && GetLignesTabElt(ecran)[bar].debutSysteme != 0;
    }
  }
  if (!du) return;
  const int32_t v = n + p.decalageNumeroMesure;
  if (v <= 0) return;
  char texte[16];
  TexteNumeroMesure(v, p.reglageNumeroMesure == 1, p.prefixeNumeroMesure, texte);
  const int32_t longueur = int32_t(std::strlen(texte));
  ForeColor(blackColor);
  SetTextStyleZoom(nullptr, &p.styleNumeroMesure);
  FontInfo fi{};
  GetFontMetrics(&fi);
  int32_t xx = x;
  if (p.switchesNumeroMesure[1]) xx += CvtMesureEnTailleEcranClePixel(score, bar);
  xx += Zoom(1);
  const int32_t top = p.yHaut + Zoom(p.ligneNumeroMesure);
  CGrafPtr port = CarboniseGetCurrentPort();
  const int32_t w = UTFTextWidth(port, texte, 0, longueur);
  const Rect cadre{int16_t(top), int16_t(xx + Zoom(1)), int16_t(top + fi.ascent + fi.descent),
                   int16_t(xx + w + Zoom(4))};
  if (!p.switchesNumeroMesure[0]) {
    MoveTo(int16_t(xx + Zoom(2)), int16_t(cadre.top + fi.ascent + Zoom(1)));
    UTFDrawText(port, texte, 0, longueur, 0);
  } else {
    ForeColor(whiteColor);
    PaintRect(&cadre);
    ForeColor(blackColor);
    TextBoxSansFond(texte, longueur, &cadre, 1, 0);
    FrameRect(&cadre);
  }
}
