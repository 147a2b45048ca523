#include "notation/DiagrammesGraf.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "layout/DonneesModeGraphique.h"
#include "layout/Zoom.h"
#include "model/DiagrammesAccord.h"
#include "model/TonaliteMaths.h"
#include "notation/NomsAccords.h"
#include "platform/QuickDraw.h"
#include "plugin/Necks.h"
#include "plugin/Preferences.h"
#include "system/Couleurs.h"
#include "system/PortLayer.h"
#include "system/Strings.h"
#include "text/ExtendedTE.h"
#include "text/UTFText.h"

namespace {

// Graphic-mode slots of the diagrams: pen (1/288 inch), nut height (72-dpi
// units), then the mark, dot, barre, fret-number and name sizes in per cent
// of the diagram's unit.
constexpr int kSlotPlume = 90;
constexpr int kSlotSillet = 91;
constexpr int kSlotMarque = 92;
constexpr int kSlotPoint = 93;
constexpr int kSlotBarre = 94;
constexpr int kSlotNumeroCase = 95;
constexpr int kSlotNom = 96;

// The font of the degree signs inside coloured dots.
constexpr int16_t kFonteSigne = 20;
constexpr uint8_t kGras = 1;

constexpr RGBColor kNoir{0, 0, 0};
constexpr RGBColor kBlanc{0xFFFF, 0xFFFF, 0xFFFF};
constexpr RGBColor kGrisBarre{0x5000, 0x5000, 0x5000};

// The built-in values of those slots.
constexpr int16_t kDefautsSlots[] = {kMGEpaisseurDiagramme,   kMGHauteurSillet,        kMGTailleMarqueDiagramme,
                                     kMGTaillePointDiagramme, kMGTailleBarreDiagramme, kMGTailleNumeroCaseDiagramme,
                                     kMGTailleNomDiagramme};

// A slot read as a size. A document that leaves it at 0 would draw dots,
// nut and texts of no size: it takes the built-in value; a hostile one
// cannot make it negative or huge.
int32_t Slot(int s) {
  const int16_t v = GModeGraphique.slot[s];
  return v <= 0 ? kDefautsSlots[s - kSlotPlume] : std::min<int32_t>(v, 1000);
}

int16_t S16(int64_t v) { return int16_t(std::clamp<int64_t>(v, INT16_MIN, INT16_MAX)); }

// What a diagram changes in the port, put back when it is done.
struct EtatPort {
  int16_t fonte = CarboniseGetTextFontPortCourant();
  int16_t taille = CarboniseGetTextSizePortCourant();
  uint8_t face = CarboniseGetTextFacePortCourant();
  PenState plume{};
  RGBColor avant{};
  EtatPort() {
    GetPenState(&plume);
    GetForeColor(&avant);
  }
  ~EtatPort() {
    TextFont(fonte);
    TextSize(taille);
    TextFace(face);
    SetPenState(&plume);
    RGBForeColor(&avant);
  }
};

void TexteCentre(const char* text, int32_t centreX, int32_t baseline) {
  CGrafPtr port = CarboniseGetCurrentPort();
  const int32_t n = int32_t(std::strlen(text));
  const int32_t w = UTFTextWidth(port, text, 0, n);
  MoveTo(S16(centreX - w / 2), S16(baseline));
  UTFDrawText(port, text, 0, n, 0);
}

void PoliceDiagramme(int16_t size) {
  TextFont(GModeGraphique.styleAccords.font);
  TextFace(0);
  TextSize(CvtTaillePlumeZoom(std::max<int16_t>(size, 1), 72));
}

const int16_t kBlancheDeDemiTon[12] = {0, 0, 1, 1, 2, 3, 3, 4, 4, 5, 5, 6};
bool EstNoire(int16_t s) {
  const int16_t k = int16_t(s % 12);
  return k == 1 || k == 3 || k == 6 || k == 8 || k == 10;
}

// The strings of the grid: the neck's; without a known neck (an imported
// frame names none), as many as the last string a mark or a dot uses, so
// that a five-string frame, whose sixth mark is left empty, shows five.
int32_t NbCordes(int32_t neck, const BlocDiagramme& bloc) {
  const int16_t n = GetNbCordesNeck(neck);
  if (n > 0) return std::min<int32_t>(n, kMaxCordesNeck);
  int32_t utilisees = 0;
  for (int c = 0; c < kNbCordesDiagramme; c++)
    if (bloc.cordes[c]) utilisees = c + 1;
  for (int i = 0; i < bloc.nbPoints; i++) utilisees = std::max<int32_t>(utilisees, bloc.points[i].derniereCorde + 1);
  return utilisees > 0 ? std::min<int32_t>(utilisees, kMaxCordesNeck) : kNbCordesDiagramme;
}

}  // namespace

BlocDiagramme BlocDiagrammeAccord(const DiagrammeAccord& d) {
  BlocDiagramme b{};
  std::memcpy(b.cordes, d.cordes, sizeof b.cordes);
  b.caseBase = d.caseBase;
  b.nbPoints = int8_t(std::clamp<int>(d.nbPoints, 0, kNbPointsDiagramme));
  for (int i = 0; i < b.nbPoints; i++) b.points[i] = d.points[i];
  return b;
}

BlocDiagramme BlocPlacementDiagramme(const PlacementDiagramme& p) {
  BlocDiagramme b{};
  std::memcpy(b.cordes, p.cordes, sizeof b.cordes);
  b.caseBase = p.caseBase;
  b.nbPoints = int8_t(std::clamp<int>(p.nbPoints, 0, kNbPointsPlacement));
  for (int i = 0; i < b.nbPoints; i++) b.points[i] = p.points[i];
  return b;
}

RGBColor CvtComposanteEnCouleurRelative(int16_t interval, char* sign, bool* dark) {
  static const RGBColor kFondamentale{0, 0, 0}, kSeconde{0x0000, 0xFFFF, 0x0000}, kTierce{0xAF00, 0x0700, 0x5200},
      kQuarte{0x0000, 0x0000, 0xFFFF}, kQuinte{0xFFFF, 0x9200, 0x1600}, kSixte{0x8A00, 0xA100, 0xCC00},
      kSeptieme{0xFF00, 0xFF00, 0x0000};
  struct Entree {
    const RGBColor* couleur;
    char signe;
    bool sombre;
  };
  static const Entree kTable[12] = {
      {&kFondamentale, 0, false}, {&kSeconde, '-', false}, {&kSeconde, 0, false},  {&kTierce, '-', true},
      {&kTierce, 0, false},       {&kQuarte, 0, false},    {&kQuinte, '-', false}, {&kQuinte, 0, false},
      {&kQuinte, '+', false},     {&kSixte, 0, false},     {&kSeptieme, 0, false}, {&kSeptieme, '+', false},
  };
  const int k = interval % 12 < 0 ? 0 : interval % 12;
  if (sign) *sign = kTable[k].signe;
  if (dark) *dark = kTable[k].sombre;
  return *kTable[k].couleur;
}

RGBColor CvtNoteEnCouleurAbsolue(int16_t pitchClass, char* sign, bool* dark) {
  static const RGBColor kDo{0xFF00, 0x0000, 0x0000}, kRe{0xB500, 0x7000, 0x1700}, kMi{0xFF00, 0xBC00, 0x6600},
      kFa{0xAF00, 0xE500, 0x2600}, kSol{0x0000, 0xB800, 0xFF00}, kLa{0x5F00, 0x0F00, 0x9100},
      kSi{0xFF00, 0x0000, 0xFF00};
  struct Entree {
    const RGBColor* couleur;
    char signe;
    bool sombre;
  };
  static const Entree kTable[12] = {
      {&kDo, 0, false},    {&kDo, '+', true}, {&kRe, 0, false},   {&kRe, '+', true},
      {&kMi, 0, false},    {&kFa, 0, false},  {&kFa, '+', false}, {&kSol, 0, false},
      {&kSol, '+', false}, {&kLa, 0, false},  {&kLa, '+', true},  {&kSi, 0, false},
  };
  const int k = pitchClass % 12 < 0 ? 0 : pitchClass % 12;
  if (sign) *sign = kTable[k].signe;
  if (dark) *dark = kTable[k].sombre;
  return *kTable[k].couleur;
}

void TraceDoigteCouleur(const DiagrammeAccord* diagram, int16_t fret, int16_t string, bool outline, const Rect* rect) {
  if (!diagram || !rect) return;
  Neck neck;
  if (!GetNeck(RechercheIndexNeck(diagram->accord.neck), &neck)) return;
  // Diagram strings count from the lowest-pitched, the neck's from the highest.
  const int indexCorde = neck.nbCordes - 1 - string;
  if (indexCorde < 0 || indexCorde >= std::min<int>(neck.nbCordes, kMaxCordesNeck)) return;
  const int32_t p = int32_t(neck.cordes[indexCorde].hauteur) + fret + 1;
  char signe = 0;
  bool sombre = false;
  RGBColor c;
  if (pref.couleurDoigteDiagrammes == 1) {
    c = CvtNoteEnCouleurAbsolue(int16_t(p % 12), &signe, &sombre);
  } else {
    const DefAccord& a = diagram->accord;
    int32_t racine = a.fondamentale >= 0 && a.fondamentale <= 6 ? Note2DemiTonStd[a.fondamentale] : 0;
    if (a.alterationFondamentale == 1) racine++;
    if (a.alterationFondamentale == 3) racine--;
    c = CvtComposanteEnCouleurRelative(int16_t((p - racine) % 12), &signe, &sombre);
  }
  RGBForeColor(&c);
  PaintOval(rect);
  if (outline && c.red == 0 && c.green == 0 && c.blue == 0) {
    Rect anneau = *rect;
    InsetRect(&anneau, -1, -1);
    RGBForeColor(&kBlanc);
    FrameOval(&anneau);
  }
  if (!signe) return;
  const int16_t largeur = int16_t(rect->right - rect->left);
  TextFont(kFonteSigne);
  TextFace(kGras);
  TextSize(std::max<int16_t>(largeur, 1));
  FontInfo fi{};
  GetFontMetrics(&fi);
  RGBForeColor(sombre ? &kBlanc : &kNoir);
  const char texte[2] = {signe, 0};
  TexteCentre(texte, (int32_t(rect->left) + rect->right) / 2,
              (int32_t(rect->top) + rect->bottom) / 2 + (fi.ascent - fi.descent) / 2);
}

void AfficheDiagrammeAccordBrut(const DiagrammeAccord* diagram, const BlocDiagramme* block, int16_t shift,
                                const Rect* rect, bool showName, int16_t gridColour, int16_t dotColour,
                                int16_t nameColour, int16_t minTextSize) {
  if (!rect) return;
  EtatPort etat;
  RgnHandle clip = AddRectAuClip(rect);
  const int32_t largeur = int32_t(rect->right) - rect->left;
  const int32_t unite = DeZoom(largeur / (showName ? 7 : 6));
  auto taille = [&](int slot, bool plancher) {
    int32_t t = Slot(slot) * unite / 100;
    if (plancher) t = std::max<int32_t>(t, minTextSize);
    return int16_t(std::clamp<int32_t>(t, 0, 1000));
  };
  const int16_t tailleMarque = taille(kSlotMarque, true);
  const int16_t tailleNom = taille(kSlotNom, true);
  const int16_t tailleNumero = taille(kSlotNumeroCase, false);

  if (!diagram) {
    Rect r = *rect;
    InsetRect(&r, 1, 1);
    SetForeColor(gridColour);
    PenNormal();
    FrameRect(&r);
    MoveTo(r.left, r.top);
    LineTo(S16(r.right - 1), S16(r.bottom - 1));
    MoveTo(S16(r.right - 1), r.top);
    LineTo(r.left, S16(r.bottom - 1));
    PoliceDiagramme(std::max(tailleNom, minTextSize));
    FontInfo fi{};
    GetFontMetrics(&fi);
    TexteCentre("?", (int32_t(r.left) + r.right) / 2, (int32_t(r.top) + r.bottom) / 2 + (fi.ascent - fi.descent) / 2);
    RestaureClip(clip);
    return;
  }

  const BlocDiagramme bloc = block ? *block : BlocDiagrammeAccord(*diagram);
  const int32_t cordes = NbCordes(diagram->accord.neck, bloc);
  const bool gaucher = pref.diagrammesGaucher != 0;
  const bool couleurs = pref.couleurDoigteDiagrammes != 0;
  const int32_t b = bloc.caseBase;
  // Near the nut the grid starts at the nut; higher up its first fret is numbered.
  int32_t decalage = 0;
  int32_t numero = 0;
  int32_t sillet = 0;
  const bool avecSillet = b == 1 || shift + b < 2;
  if (avecSillet) {
    decalage = b == 1 ? shift : shift + b - 1;
    sillet = Zoom(Slot(kSlotSillet));
  } else {
    numero = shift + b;
  }
  char texteNumero[16];
  std::snprintf(texteNumero, sizeof texteNumero, "%d", int(numero ? numero : 9));
  PoliceDiagramme(tailleNumero);
  CGrafPtr port = CarboniseGetCurrentPort();
  FontInfo fiNumero{};
  GetFontMetrics(&fiNumero);
  const int32_t reserve = UTFTextWidth(port, texteNumero, 0, int32_t(std::strlen(texteNumero)));

  // Marks (and open-string dots) above the grid, the name under it.
  PoliceDiagramme(tailleMarque);
  FontInfo fiMarque{};
  GetFontMetrics(&fiMarque);
  const int32_t hauteurMarques = fiMarque.ascent + fiMarque.descent;
  PoliceDiagramme(tailleNom);
  FontInfo fiNom{};
  GetFontMetrics(&fiNom);
  const int32_t hauteurNom = showName ? fiNom.ascent + fiNom.descent : 0;

  const int32_t espaceCordes = (int32_t(rect->right) - reserve - rect->left) / cordes;
  const int32_t x0 = int32_t(rect->left) + reserve + espaceCordes / 2;
  const int32_t yHaut = int32_t(rect->top) + hauteurMarques + sillet;
  const int32_t yBas = int32_t(rect->bottom) - hauteurNom - (showName ? 0 : Zoom(2));
  const int32_t espaceCases = std::max<int32_t>(0, yBas - yHaut) / 5;
  auto xCorde = [&](int32_t corde) { return x0 + (gaucher ? cordes - 1 - corde : corde) * espaceCordes; };

  // The grid.
  const int16_t plume = CvtTaillePlumeZoom(Slot(kSlotPlume), 288);
  PenNormal();
  FixeEpaisseurCouleur(Slot(kSlotPlume), Slot(kSlotPlume), 288, gridColour);
  const int32_t longueur = (cordes - 1) * espaceCordes;
  for (int32_t k = 0; k <= 5; k++) {
    MoveTo(S16(x0), S16(yHaut + k * espaceCases));
    LineTo(S16(x0 + longueur), S16(yHaut + k * espaceCases));
  }
  for (int32_t c = 0; c < cordes; c++) {
    MoveTo(S16(x0 + c * espaceCordes), S16(yHaut));
    LineTo(S16(x0 + c * espaceCordes), S16(yHaut + 5 * espaceCases));
  }

  // Dots and barres, sized in the port's pixels: a unit of a few points
  // would lose its fraction at a printer's resolution.
  const int32_t uniteEcran = largeur / (showName ? 7 : 6);
  // A flat grid keeps them within their fret.
  const int32_t point = std::max<int32_t>(1, std::min(Slot(kSlotPoint) * uniteEcran / 100, espaceCases));
  const int32_t barre = std::max<int32_t>(1, std::min(Slot(kSlotBarre) * uniteEcran / 100, espaceCases * 3 / 4));
  PenNormal();
  // The fret pressed on each string, as its highest dot.
  auto premiereCase = [&](int32_t corde) -> int32_t {
    if (corde < kNbCordesDiagramme && (bloc.cordes[corde] == 'X' || bloc.cordes[corde] == 'x')) return -1;
    bool trouve = false;
    int32_t haute = 0;
    for (int i = 0; i < bloc.nbPoints; i++) {
      const PointDiagramme& p = bloc.points[i];
      if (corde < p.premiereCorde || corde > p.derniereCorde) continue;
      if (!trouve || p.caseManche > haute) haute = p.caseManche;
      trouve = true;
    }
    return trouve ? haute + b : 0;
  };
  auto ovale = [&](int32_t corde, int32_t rangee) {
    const int32_t cx = xCorde(corde), cy = yHaut + rangee * espaceCases + espaceCases / 2;
    return Rect{S16(cy - point / 2), S16(cx - point / 2), S16(cy - point / 2 + point), S16(cx - point / 2 + point)};
  };
  for (int i = 0; i < bloc.nbPoints; i++) {
    const PointDiagramme& p = bloc.points[i];
    const int32_t rangee = p.caseManche + decalage;
    if (rangee < 0) continue;
    const int32_t premiere = std::max<int32_t>(p.premiereCorde, 0);
    const int32_t derniere = std::min<int32_t>(p.derniereCorde, cordes - 1);
    if (premiere > derniere) continue;
    // The fret the colours read (0 the first fret). Degrees are read against
    // the diagram's own root, which the shift does not move: the frets are
    // read unshifted too.
    const int16_t caseJouee = S16(int32_t(p.caseManche) + b - 1 + (pref.couleurDoigteDiagrammes == 1 ? shift : 0));
    if (premiere < derniere) {
      const int32_t xa = std::min(xCorde(premiere), xCorde(derniere));
      const int32_t xb = std::max(xCorde(premiere), xCorde(derniere));
      const int32_t cy = yHaut + rangee * espaceCases + espaceCases / 2;
      const Rect r{S16(cy - barre / 2), S16(xa - barre / 2), S16(cy - barre / 2 + barre), S16(xb + barre / 2)};
      if (couleurs) RGBForeColor(&kGrisBarre);
      else SetForeColor(dotColour);
      PaintRect(&r);
      if (couleurs)
        for (int32_t c = premiere; c <= derniere; c++)
          if (premiereCase(c) == p.caseManche + b) {
            const Rect o = ovale(c, rangee);
            TraceDoigteCouleur(diagram, caseJouee, int16_t(c), false, &o);
          }
    } else {
      const Rect o = ovale(premiere, rangee);
      if (couleurs) {
        TraceDoigteCouleur(diagram, caseJouee, int16_t(premiere), false, &o);
      } else {
        SetForeColor(dotColour);
        PaintOval(&o);
      }
    }
  }

  // The nut, or the number of the first fret.
  if (avecSillet) {
    SetForeColor(dotColour);
    const Rect r{S16(yHaut - sillet), S16(x0), S16(yHaut + plume / 4 + 1), S16(x0 + longueur + plume)};
    PaintRect(&r);
  } else {
    std::snprintf(texteNumero, sizeof texteNumero, "%d", int(numero));
    PoliceDiagramme(tailleNumero);
    SetForeColor(nameColour);
    MoveTo(rect->left, S16(yHaut + (fiNumero.ascent - fiNumero.descent) / 2));
    UTFDrawText(port, texteNumero, 0, int32_t(std::strlen(texteNumero)), 0);
  }

  // Above the grid: the open strings' coloured dots, then the marks.
  const int32_t yMarques = yHaut - sillet - Zoom(1);
  if (couleurs)
    for (int32_t c = 0; c < cordes; c++)
      if (premiereCase(c) == 0) {
        const int32_t cx = xCorde(c), cy = yMarques - hauteurMarques / 2;
        const Rect o{S16(cy - point / 2), S16(cx - point / 2), S16(cy - point / 2 + point),
                     S16(cx - point / 2 + point)};
        TraceDoigteCouleur(diagram, -1, int16_t(c), true, &o);
      }
  PoliceDiagramme(tailleMarque);
  SetForeColor(nameColour);
  for (int32_t c = 0; c < std::min<int32_t>(cordes, kNbCordesDiagramme); c++) {
    if (!bloc.cordes[c]) continue;
    const char marque[2] = {bloc.cordes[c], 0};
    TexteCentre(marque, xCorde(c), yMarques - fiMarque.descent);
  }

  // The name, shrunk until it fits right of the reserved width.
  if (showName) {
    char nom[64];
    if (shift != 0) {
      CvtDefAccordToStrDemiTon(&diagram->accord, nom, nullptr, shift);
    } else {
      strnzcpy(nom, diagram->accord.nom, sizeof diagram->accord.nom);
    }
    const int32_t n = int32_t(std::strlen(nom));
    const int32_t place = int32_t(rect->right) - (int32_t(rect->left) + reserve);
    const TextStyle style = GModeGraphique.styleAccords;
    int16_t t = std::max<int16_t>(tailleNom, 1);
    SetTextStyleHauteurZoom(&style, t);
    // A name far too wide starts just above the size its width says, so that
    // a huge size is not stepped down point by point.
    if (const int32_t w = UTFTextWidth(port, nom, 0, n); w > place && t >= 2 && w > 0) {
      t = int16_t(std::clamp<int32_t>(int32_t(t) * std::max<int32_t>(place, 0) / w + 1, 1, t));
      SetTextStyleHauteurZoom(&style, t);
    }
    while (UTFTextWidth(port, nom, 0, n) > place && t >= 2) {
      t--;
      SetTextStyleHauteurZoom(&style, t);
    }
    FontInfo fi{};
    GetFontMetrics(&fi);
    SetForeColor(nameColour);
    TexteCentre(nom, int32_t(rect->left) + reserve + place / 2, int32_t(rect->bottom) - fi.descent);
  }
  RestaureClip(clip);
}

int16_t CvtDemiTonEnAireTouche(const Rect* keyboard, int16_t semitone, Rect* key) {
  if (!keyboard || !key) return 0;
  const float k = float(int32_t(keyboard->right) - keyboard->left) * 0.071428575f;
  const int16_t s = std::clamp<int16_t>(semitone, 0, 23);
  const int32_t w = kBlancheDeDemiTon[s % 12] + 7 * (s / 12);
  const float gauche = float(keyboard->left) + float(w) * k;
  if (!EstNoire(s)) {
    *key = Rect{keyboard->top, S16(int64_t(gauche)), keyboard->bottom, S16(int64_t(gauche + k))};
    return 0;
  }
  const float hauteur = float(int32_t(keyboard->bottom) - keyboard->top);
  *key = Rect{keyboard->top, S16(int64_t(gauche + 0.6f * k)), S16(int64_t(float(keyboard->top) + 0.66f * hauteur)),
              S16(int64_t(gauche + 1.4f * k))};
  return 1;
}

void AfficheDiagrammePiano(const Rect* frame, const char* name, const int16_t* pitches, bool showName, bool nameAbove,
                           int16_t lineColour, int16_t keyColour, int16_t textColour) {
  if (!frame || !pitches || pitches[0] < 0) return;
  EtatPort etat;
  Rect cadre = *frame;
  if (showName && name) {
    const TextStyle style = GModeGraphique.styleAccords;
    const int16_t taille = int16_t(Slot(kSlotNom) * 12 / 100);
    SetTextStyleHauteurZoom(&style, std::max<int16_t>(taille, 1));
    FontInfo fi{};
    GetFontMetrics(&fi);
    SetForeColor(textColour);
    const int32_t centre = (int32_t(cadre.left) + cadre.right) / 2;
    if (nameAbove) {
      TexteCentre(name, centre, int32_t(cadre.top) + fi.ascent);
      cadre.top = S16(int32_t(cadre.top) + fi.ascent + fi.descent);
    } else {
      TexteCentre(name, centre, int32_t(cadre.bottom) - fi.descent + Zoom(4));
      cadre.bottom = S16(int32_t(cadre.bottom) - fi.ascent - fi.descent);
    }
  }
  const int32_t largeur = int32_t(cadre.right) - cadre.left;
  const int32_t hauteur = int32_t(float(largeur) * 0.2857143f);
  const int32_t haut = int32_t(cadre.top) + (int32_t(cadre.bottom) - cadre.top - hauteur) / 2;
  const Rect clavier{S16(haut), cadre.left, S16(haut + hauteur), cadre.right};

  const int32_t plume = Slot(kSlotPlume);
  PenNormal();
  PenSizeZoom(plume, plume, 288);
  // The separators are drawn inside their key, one pen width in.
  const int32_t e = CvtTaillePlumeZoom(plume, 288);
  const int32_t base = pitches[0] / 12 * 12;
  auto marquee = [&](int32_t s) {
    for (const int16_t* p = pitches; *p >= 0; p++)
      if (*p == base + s) return true;
    return false;
  };
  const bool gris = keyColour == 0 || keyColour == 1;
  RGBColor couleurTouche{};
  if (!gris) CvtIndexEnRGB(uint16_t(keyColour), &couleurTouche);
  for (int16_t s = 0; s < 24; s++) {
    if (EstNoire(s)) continue;
    Rect r;
    CvtDemiTonEnAireTouche(&clavier, s, &r);
    const RGBColor fond = !marquee(s) ? kBlanc : gris ? RGBColor{0x8080, 0x8080, 0x8080} : couleurTouche;
    CarboniseEraseColorRect(&r, &fond);
    SetForeColor(lineColour);
    MoveTo(S16(r.right - e), r.top);
    LineTo(S16(r.right - e), S16(r.bottom - e));
  }
  for (int16_t s = 0; s < 24; s++) {
    if (!EstNoire(s)) continue;
    Rect r;
    CvtDemiTonEnAireTouche(&clavier, s, &r);
    if (marquee(s)) {
      const RGBColor fond = gris ? RGBColor{0xF0F0, 0xF0F0, 0xF0F0} : couleurTouche;
      CarboniseEraseColorRect(&r, &fond);
      SetForeColor(lineColour);
      FrameRect(&r);
    } else {
      CarboniseEraseColorRect(&r, &kNoir);
    }
  }
  SetForeColor(lineColour);
  FrameRect(&clavier);
}

void AfficheDiagrammeDefAccordPiano(const DefAccord* chord, const Rect* frame, bool showName, bool nameAbove,
                                    int16_t lineColour, int16_t keyColour, int16_t textColour) {
  if (!chord) return;
  uint16_t liste[8];
  CvtDefAccordEnListeNotes(chord, liste);
  int16_t hauteurs[8];
  for (int i = 0; i < 8; i++) {
    hauteurs[i] = liste[i] == 65535 ? int16_t(-1) : int16_t(liste[i]);
    if (hauteurs[i] < 0) break;
  }
  char nom[64];
  CreeNomAccord(chord, nom);
  AfficheDiagrammePiano(frame, nom, hauteurs, showName, nameAbove, lineColour, keyColour, textColour);
}
