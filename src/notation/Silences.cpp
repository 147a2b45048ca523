#include "notation/Silences.h"

#include <algorithm>
#include <vector>

#include "layout/DonneesModeGraphique.h"
#include "layout/Zoom.h"
#include "model/CvtTemps.h"
#include "model/Document.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/Signe.h"
#include "model/TabEltMesure.h"
#include "notation/AffichePortee.h"
#include "notation/FormesCorps.h"
#include "notation/ValeursNotes.h"
#include "platform/Memory.h"
#include "platform/QuickDraw.h"
#include "text/Fontes.h"

namespace {

int16_t S16(int32_t v) { return int16_t(std::clamp<int32_t>(v, -32767, 32767)); }

// Digits of a rest's tuplet, 2 to 9; any other count draws a tilde.
uint8_t ChiffreSilence(int n) {
  static const uint8_t chiffres[8] = {170, 163, 162, 176, 164, 166, 165, 187};
  return n >= 2 && n <= 9 ? chiffres[n - 2] : 126;
}

// The smallest rest value that a beat split goes down to; what is left below
// it is one rest of its own, so that a duration of odd ticks ends.
constexpr int32_t kPlusPetitSilence = 315;

int32_t FinGroupe(Partition** score, int32_t tick) {
  const int32_t g = CvtTempsEnNumGroupeAccroche(score, tick);
  return CvtNumGroupeAccrocheEnTemps(score, g + 1);
}

bool EstPuissanceDeQuatreRondes(int32_t d) {
  for (int32_t v = 645120; v > 0; v /= 2) {
    if (v == d) return true;
    if (v % 2) break;
  }
  return false;
}

// The smallest piece of the split of d into halvings of a whole.
int32_t PlusPetitePuissance(int32_t d) {
  int32_t v = 161280, dernier = d;
  while (d > 0) {
    while (v > d && v > kPlusPetitSilence) v /= 2;
    if (v > d) {
      dernier = d;
      break;
    }
    dernier = v;
    d -= v;
  }
  return dernier;
}

}  // namespace

void TraceSilenceComposite(int32_t duration) {
  const int n = duration < 1260 ? 6 : 5;
  for (int i = 0; i < n; i++) {
    DrawCharMusical(228);
    Move(S16(Zoom(-5)), S16(Zoom(-6)));
  }
}

void TraceSilence(int16_t x, int16_t y, int32_t duration, float interline) {
  if (interline <= 0.0f) interline = float(Zoom(72)) / 12.0f;
  MoveTo(x, S16(y + Zoom(1)));
  int32_t reste = duration;
  while (reste > 630) {
    NotePossible p;
    CalculeNotePossible(reste, reste, nullptr, kDivisionSimple, &p, kSigneSilence);
    if (p.dureeEcrite <= 0) break;
    const int n = p.octetDivision & 0xF;
    if (n >= 2) {
      Point pen;
      GetPen(&pen);
      Move(0, S16(-Zoom(20)));
      DrawCharMusical(ChiffreSilence(n));
      MoveTo(pen.h, pen.v);
    }
    const int32_t v = p.base;
    if (v >= 322560) {
      const int16_t demi = int16_t(0.5f * interline);
      Move(0, int16_t(-demi));
      DrawCharMusical(208);
      Move(0, demi);
    } else if (v >= 161280) {
      DrawCharMusical(183);
    } else if (v >= 80640) {
      DrawCharMusical(238);
    } else if (v >= 40320) {
      DrawCharMusical(206);
    } else if (v >= 20160) {
      DrawCharMusical(228);
    } else if (v >= 10080) {
      DrawCharMusical(197);
    } else if (v >= 5040) {
      DrawCharMusical(168);
    } else if (v >= 2520) {
      DrawCharMusical(244);
    } else {
      TraceSilenceComposite(v);
    }
    for (int i = 0; i < p.points; i++) {
      DrawCharMusical(46);
      Move(S16(Zoom(GModeGraphique.slot[7]) / 6), 0);
    }
    reste -= p.dureeEcrite;
  }
  TextSize(0);
  TextFont(GetStdFont());
}

Handle CvtDureeNoteEnListeSilences(Portee** staff, int32_t startTick, int32_t duration) {
  if (!staff) return nullptr;
  Partition** score = (*staff)->partition;
  std::vector<int32_t> silences;
  int64_t t = startTick;
  int32_t reste = std::max(duration, 0);
  while (reste > 0 && score) {
    const int32_t debut = CvtNumGroupeAccrocheEnTemps(score, CvtTempsEnNumGroupeAccroche(score, int32_t(t)));
    const int32_t fin = FinGroupe(score, int32_t(t));
    const int32_t longueur = fin - debut;
    int32_t silence;
    if (longueur <= 0 || fin <= t) {
      // No beat group to follow: halvings of what is left.
      silence = PlusPetitePuissance(reste);
    } else {
      const int32_t d = int32_t(std::min<int64_t>(reste, fin - t));
      if (d < longueur) {
        silence = PlusPetitePuissance(d);
      } else {
        int64_t etendue = longueur;
        DivisionTemporelle div;
        CvtMesureEnDivisionTemporelle(score, CvtTempsEnMesure(score, int32_t(t)), &div);
        const int16_t num = div.numerateur;
        if (num % 3 != 0 && num % 5 != 0 && num % 7 != 0) {
          while (etendue < reste) {
            const int32_t suivante = FinGroupe(score, int32_t(t + etendue));
            if (suivante <= t + etendue) break;
            etendue = suivante - t;
          }
        }
        silence = reste == etendue && EstPuissanceDeQuatreRondes(reste) ? reste : longueur;
      }
    }
    silence = std::clamp(silence, 1, reste);
    silences.push_back(silence);
    t += silence;
    reste -= silence;
  }
  Handle h = NewHandle(Size(silences.size() * sizeof(int32_t)));
  if (!h) return nullptr;
  std::copy(silences.begin(), silences.end(), reinterpret_cast<int32_t*>(*h));
  return h;
}

void TraceSilenceFantomeCommeSilence(Portee** staff, int32_t startTick, int16_t x, int16_t y, int32_t duration) {
  if (!staff || !(*staff)->partition || !(*(*staff)->partition)->document) return;
  Document* doc = (*(*staff)->partition)->document;
  CGrafPtr port = nullptr;
  GetPort(&port);
  if (!port) return;
  const int16_t police = port->txFont, taille = port->txSize;
  const uint8_t face = port->txFace;
  RGBColor couleur;
  GetForeColor(&couleur);
  const int32_t decalage = x - CvtTempsEnPosEcr(doc, startTick);
  Handle liste = CvtDureeNoteEnListeSilences(staff, startTick, duration);
  if (!liste) return;
  const int32_t n = GetHandleSize(liste) / int32_t(sizeof(int32_t));
  int64_t t = startTick;
  for (int32_t i = 0; i < n; i++) {
    const int32_t d = reinterpret_cast<int32_t*>(*liste)[i];
    TextFont(police);
    TextSize(taille);
    TextFace(face);
    RGBForeColor(&couleur);
    TraceSilence(S16(CvtTempsEnPosEcr(doc, int32_t(t)) + decalage), y, d, (*staff)->interligne);
    t += d;
  }
  DisposeHandle(liste);
}
