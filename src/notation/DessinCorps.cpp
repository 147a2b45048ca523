#include "notation/DessinCorps.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "layout/DonneesModeGraphique.h"
#include "layout/Zoom.h"
#include "model/CvtTemps.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/Signe.h"
#include "notation/FormesCorps.h"
#include "notation/Silences.h"
#include "notation/ValeursNotes.h"
#include "platform/QuickDraw.h"
#include "stafftypes/ServicesTypesPortee.h"
#include "system/Couleurs.h"
#include "text/Fontes.h"

int32_t XMinTraceGrace = INT32_MAX, XMaxTraceGrace = INT32_MIN;
int32_t YMinTraceGrace = INT32_MAX, YMaxTraceGrace = INT32_MIN;

void RazExtremitesGrace() {
  XMinTraceGrace = YMinTraceGrace = INT32_MAX;
  XMaxTraceGrace = YMaxTraceGrace = INT32_MIN;
}

namespace {

int16_t S16(int32_t v) { return int16_t(std::clamp<int32_t>(v, -32767, 32767)); }
int16_t T16(float v) { return int16_t(std::clamp(v, -32767.0f, 32767.0f)); }

// The ledger-line pen, 1/288 inch at the destination resolution.
float EpaisseurLigneSup() { return float(GModeGraphique.slot[57]) * float(GetDpiDest()) / 288.0f; }

// Rests are drawn on the largest of these values not above their own.
int32_t ValeurSilence(int32_t base) {
  static const int32_t valeurs[] = {322560, 161280, 80640, 40320, 20160, 10080, 5040, 2520, 1260, 630, 315};
  for (int32_t v : valeurs)
    if (base >= v) return v;
  return 315;
}

void Points(Portee** staff, int16_t taille, int16_t dots, float leve, int16_t dotDx, int16_t dotDy) {
  const int16_t unite = (*staff)->aspect.tailleUnite > 0 ? (*staff)->aspect.tailleUnite : int16_t(72);
  if (GModeGraphique.slot[10] != 100 && GModeGraphique.slot[10] > 0)
    TextFontMusicale(staff, S16(int32_t(unite) * taille / 100 * GModeGraphique.slot[10] / 100));
  Move(S16(Zoom(GModeGraphique.slot[6]) / 6), S16(Zoom(GModeGraphique.slot[9]) / 6));
  Move(0, T16(-leve));
  Move(S16(Zoom(dotDx)), S16(Zoom(dotDy)));
  for (int i = 0; i < dots; i++) {
    DrawCharMusical(46);
    Move(S16(Zoom(GModeGraphique.slot[7]) / 6), 0);
  }
}

}  // namespace

int16_t TraceCorps(Portee** staff, int16_t bar, int16_t x, int16_t y, NotePossible* piece, uint8_t accidental,
                   uint8_t shifted, uint8_t drawFlag, int16_t pitch, int16_t sizePercent, int16_t shape,
                   uint8_t direction, uint8_t dotsBelow, uint8_t barRest, int16_t* accidentalX, int16_t dotDx,
                   int16_t dotDy, uint8_t parentheses) {
  if (!staff || !piece) return x;
  const int16_t unite = (*staff)->aspect.tailleUnite > 0 ? (*staff)->aspect.tailleUnite : int16_t(72);
  TextFontMusicale(staff, S16(int32_t(unite) * sizePercent / 100));
  const int16_t largeur = piece->largeurTete ? piece->largeurTete : (*staff)->largeurTete;
  const int32_t droite = shifted && accidental != kAlterationAucune ? x + largeur : x;
  XMinTraceGrace = std::min<int32_t>(XMinTraceGrace, x);
  XMaxTraceGrace = std::max<int32_t>(XMaxTraceGrace, droite);
  YMinTraceGrace = std::min<int32_t>(YMinTraceGrace, y);
  YMaxTraceGrace = std::max<int32_t>(YMaxTraceGrace, y);
  if (!drawFlag) return x;
  // A staff never prepared still draws at the standard spacing.
  const float il = (*staff)->interligne > 0.0f ? (*staff)->interligne : 6.0f;
  const float ref = float((*staff)->rect.top + (*staff)->decalageLigneBas);
  const int32_t k = int32_t(std::lround((float(y) - ref) / (il / 2.0f)));
  const bool surLigne = k % 2 == 0;

  if (pitch < 0) {
    if (piece->base == -1) {
      if (pitch == kSigneSpecial) {
        Partition** score = (*staff)->partition;
        if (score) {
          const int32_t bx = CvtMesureEnPixelEcran(score, bar) - CvtMesureEnMargeGaucheMesureEcran(score, bar) -
                             Zoom(7) + CvtMesureEnTaillePixelEcran(score, bar) / 2;
          MoveTo(S16(bx), S16(y + 1));
          DrawCharMusical(212);
        }
      }
      return x;
    }
    if ((*staff)->cacheSilences) return x;
    float leve = surLigne ? il / 2.0f : 0.0f;
    const int32_t valeur = ValeurSilence(piece->base);
    int32_t v = 0;
    uint8_t glyphe = 0;
    bool composite = false, ronde = barRest != 0;
    if (!barRest) {
      switch (valeur) {
        case 322560:
          glyphe = 208;
          v = int32_t(-il / 2.0f);
          break;
        case 161280: ronde = true; break;
        case 80640: glyphe = 238; break;
        case 40320: glyphe = GModeGraphique.drapeaux[2] ? 213 : 206; break;
        case 20160:
          glyphe = 228;
          v = int32_t(-il / 2.0f);
          leve -= il / 2.0f;
          break;
        case 10080: glyphe = 197; break;
        case 5040: glyphe = 168; break;
        case 2520: glyphe = 244; break;
        default: composite = true; break;
      }
    }
    if (ronde) {
      glyphe = 183;
      v = int32_t(0.09f * float(GetCurrentSizeFonteMusicale()) - il);
    }
    // Half and whole rests off the staff lines get a ledger line of their own.
    if (ronde || valeur == 80640) {
      bool surPortee = false;
      for (int j = 0; j <= 4; j++)
        if (std::fabs(float(y) - (ref - float(j) * il)) <= 1.0f) surPortee = true;
      if (!surPortee)
        TraceLigneHorizontale(staff, S16(x - Zoom(2)), float(y), S16(Zoom(12)), EpaisseurLigneSup(),
                              float(GModeGraphique.slot[57]), -1);
    }
    const float yParenthese = float(y) + il * 0.01f * float(sizePercent);
    if (parentheses) {
      MoveTo(S16(x - CharWidthCaractereMusical(40)), T16(yParenthese));
      DrawCharMusical(40);
    }
    if (composite) {
      MoveTo(x, S16(y + 1));
      TraceSilenceComposite(valeur);
    } else {
      MoveTo(x, S16(y + v + 1));
      DrawCharMusical(glyphe);
    }
    Point fin;
    GetPen(&fin);
    if (parentheses) {
      MoveTo(fin.h, T16(yParenthese));
      DrawCharMusical(41);
      MoveTo(fin.h, fin.v);
    }
    if (!ronde || !barRest) {
      if (piece->points > 0 && !barRest) Points(staff, sizePercent, piece->points, leve, dotDx, dotDy);
    }
    return x;
  }

  // A head: its ledger lines first.
  float leve;
  if (surLigne) leve = dotsBelow ? -il / 2.0f : il / 2.0f;
  else leve = dotsBelow ? -il : 0.0f;
  const int16_t e = (*staff)->extensionLigneSup;
  if (e != 0) {
    const int32_t ep = std::max(Zoom(e), Zoom(1));
    const int32_t debut = shape == 14 ? x + Zoom(3) : x - ep;
    int32_t longueur = largeur + 2 * ep;
    if (piece->base == 322560) longueur += largeur * 5 / 6;
    else if (piece->base == 161280) longueur += largeur / 3;
    const float lignes = (ref - float(y)) / il;
    int32_t p = lignes >= 0.0f ? int32_t(std::floor(lignes + 0.2f)) : -int32_t(std::floor(-lignes + 0.2f));
    // No note is more than a few dozen lines off its staff.
    p = std::clamp(p, -64, 64);
    const int32_t pas = p > 2 ? -1 : 1;
    for (int n = 0; n < 70 && !IsAfficheLignePortee(staff, int16_t(p)); n++) {
      TraceLigneHorizontale(staff, S16(debut), ref - float(p) * il, S16(longueur), EpaisseurLigneSup(),
                            float(GModeGraphique.slot[57]), -1);
      if (p == 2) break;
      p += pas;
    }
  }
  int16_t xAlteration = accidental == kAlterationAucune ? int16_t(0) : x;
  ResetForeColor();
  if (parentheses) {
    const int16_t w = CharWidthCaractereMusical(40);
    if (xAlteration) xAlteration = S16(xAlteration - w);
    MoveTo(S16(x - w), S16(y + 1));
    DrawCharMusical(40);
  }
  TraceFormeCorps(staff, shape, piece->base, direction, sizePercent, x, S16(y + 1));
  if (parentheses) DrawCharMusical(41);
  if (accidentalX) *accidentalX = xAlteration;
  if (piece->points > 0) {
    Move(S16(Zoom(GModeGraphique.slot[5]) / 6), T16(-leve));
    Point pen;
    GetPen(&pen);
    piece->xPoints = S16(pen.h + Zoom(dotDx));
    piece->yPoints = S16(pen.v + Zoom(dotDy));
  }
  return x;
}
