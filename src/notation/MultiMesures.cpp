#include "notation/MultiMesures.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "layout/ServicesMiseEnPage.h"
#include "model/CvtTemps.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/TabEltMesure.h"
#include "model/Tonalite.h"
#include "platform/QuickDraw.h"
#include "platform/TextDraw.h"
#include "system/Couleurs.h"
#include "text/Fontes.h"

namespace {

constexpr uint8_t kGlypheMesureRepetee = 212;
// The numbers' font when the graphic mode names none: font 20, bold.
constexpr int16_t kFonteNombreDefaut = 20;
constexpr uint8_t kStyleNombreDefaut = 1;
constexpr int16_t kCouleurGrisee = 247;

int16_t S16(int64_t v) { return int16_t(std::clamp<int64_t>(v, INT16_MIN, INT16_MAX)); }
int16_t Mg(int n) { return GModeGraphique.slot[n]; }
// A size the mode leaves at 0 or below (a mode stored without these entries)
// takes the built-in mode's value, so that a block never vanishes.
int16_t MgTaille(int n) {
  if (GModeGraphique.slot[n] > 0) return GModeGraphique.slot[n];
  switch (n) {
    case 34: return 16;   // bar thickness, sixteenths of an interline
    case 35: return 8;    // stroke overhang
    case 36: return 32;   // rest count size
    case 46: return 32;   // repeat count size
    case 47: return 100;  // repeat glyph size, percent
    default: return 1;
  }
}

float Il(Portee** staff) { return (*staff)->interligne > 0.0f ? (*staff)->interligne : 6.0f; }
float BasY(Portee** staff) { return float(int32_t((*staff)->rect.top) + (*staff)->decalageLigneBas); }

// The highest line the staff shows, as a position above its bottom line.
int32_t LigneHaute(Portee** staff) {
  const Portee& p = **staff;
  for (int32_t n = kDerniereLignePortee; n >= kPremiereLignePortee; n--)
    if (p.aspect.afficheLigne[n - kPremiereLignePortee]) return n;
  return 4;
}

// The number above a block: count + 1, centred on the span at the baseline.
void TraceNombre(Portee** staff, int32_t count, int32_t left, int32_t right, float baseline, float size,
                 const TextStyle& style) {
  char texte[16];
  std::snprintf(texte, sizeof texte, "%d", int(std::clamp<int64_t>(int64_t(count) + 1, INT32_MIN, INT32_MAX)));
  // The style's font and face, or font 20 bold when it names none.
  TextFont(style.font ? style.font : kFonteNombreDefaut);
  TextFace(style.font ? style.face : kStyleNombreDefaut);
  TextSize(S16(int64_t(size)));
  const int16_t n = int16_t(std::strlen(texte));
  const int32_t w = TextWidth(texte, 0, n);
  MoveTo(S16((int64_t(left) + right - w) / 2), S16(int64_t(baseline)));
  DrawText(texte, 0, n);
  (void)staff;
}

int16_t Couleur(Portee** staff) { return (*staff)->modeGrise == 1 ? kCouleurGrisee : (*staff)->couleur; }

// The pen and text of the port, put back after a block.
struct EtatPort {
  PenState pen;
  int16_t font = 0, size = 0;
  uint8_t face = 0;
  EtatPort() {
    GetPenState(&pen);
    CGrafPtr port = nullptr;
    GetPort(&port);
    if (port) {
      font = port->txFont;
      size = port->txSize;
      face = uint8_t(port->txFace);
    }
  }
  ~EtatPort() {
    SetPenState(&pen);
    TextFont(font);
    TextSize(size);
    TextFace(face);
  }
};

}  // namespace

int16_t CalculeCouleurPorteeFusionnee(int32_t staffNumber) {
  return tabColorPorteeFusionnees[((staffNumber % 8) + 8) % 8];
}

void TraceMultiRest(Portee** staff, int32_t count, int16_t x1, int16_t x2) {
  if (!staff || !*staff) return;
  EtatPort etat;
  const float il = Il(staff), bas = BasY(staff);
  const int32_t ili = int32_t(il);
  SetForeColor(Couleur(staff));
  const float y = bas - 2.5f * il + float(Zoom(Mg(32)));
  const int32_t marge = Zoom(Mg(31));
  const int32_t gauche = int32_t(x1) + marge, droite = int32_t(x2) - marge;
  const int32_t epaisseur = MgTaille(34) * ili / 16, depasse = MgTaille(35) * ili / 16;
  const int16_t haut = S16(int64_t(y)), basBarre = S16(int64_t(y) + epaisseur);
  const Rect barre{haut, S16(gauche), basBarre, S16(droite)};
  PaintRect(&barre);
  PenSize(1, 1);
  for (int32_t x : {gauche, droite - 1}) {
    MoveTo(S16(x), S16(int32_t(haut) - depasse));
    LineTo(S16(x), S16(int32_t(basBarre) + depasse));
  }
  const float baseline = bas - float(LigneHaute(staff)) * il - float(Zoom(4)) + float(Zoom(Mg(33)));
  TraceNombre(staff, count, gauche, droite, baseline, float(MgTaille(36)) * float(ili) / 16.0f,
              GModeGraphique.styleNombrePause);
}

void TraceMultiBar(Portee** staff, int32_t count, int16_t x1, int16_t x2) {
  if (!staff || !*staff) return;
  EtatPort etat;
  const float il = Il(staff), bas = BasY(staff);
  SetForeColor(Couleur(staff));
  const int32_t unite = (*staff)->aspect.tailleUnite > 0 ? (*staff)->aspect.tailleUnite : 72;
  TextFontMusicale(staff, S16(int64_t(unite) * MgTaille(47) / 100));
  const int32_t w = CharWidthCaractereMusical(kGlypheMesureRepetee);
  MoveTo(S16(int64_t(Zoom(Mg(43))) + (int64_t(x1) + x2 - w) / 2), S16(int64_t(bas - il) + Zoom(Mg(44))));
  DrawCharMusical(kGlypheMesureRepetee);
  const float baseline = bas - float(LigneHaute(staff)) * il - float(Zoom(4)) + float(Zoom(Mg(45)));
  // The number is centred as the sign is, moved by the same x offset.
  const int32_t dx = Zoom(Mg(43));
  TraceNombre(staff, count, int32_t(x1) + dx, int32_t(x2) + dx, baseline, il * float(MgTaille(46)) / 16.0f,
              GModeGraphique.styleNombreRepetition);
}

void TraceMultiMesuresPortee(Portee** staff, int32_t startTick, int32_t endTick, int16_t left) {
  if (!staff || !*staff || !(*staff)->partition) return;
  Partition** score = (*staff)->partition;
  Handle table = GetTabEltMesureEcran(score);
  const int32_t n = table ? GetNbLignesTabElt(table) : 0;
  if (n <= 0) return;
  const int32_t premiere = std::max<int32_t>(0, CvtTempsEnMesure(score, startTick));
  const int32_t fin = std::min<int32_t>(n, CvtTempsEnMesure(score, endTick));
  const int64_t dx = int64_t(left) - CalculeDebutVis(score, startTick);
  for (int32_t b = premiere; b < fin; b++) {
    const TabEltMesure* rows = GetLignesTabElt(table);
    const uint32_t etat = rows[b].motPagination;
    const int64_t entete = int64_t(rows[b].largeurRupture) + rows[b].largeurCleArmure;
    int32_t e = b + 1;
    while (e < n && rows[e].motPagination == 1) e++;
    if ((etat != 2 && etat != 3) || !CvtMesureEnFondVisible(staff, int16_t(b))) continue;
    const int64_t debut = dx + CvtMesureEnPixelEcranDebutMesure(score, b) + entete;
    const int64_t finX = dx + CvtMesureEnPixelEcranDebutMesure(score, e);
    if (etat == 2) TraceMultiRest(staff, e - b - 1, S16(debut), S16(finX));
    else TraceMultiBar(staff, e - b - 1, S16(debut), S16(finX));
    b = e - 1;
  }
}
