#include "notation/SilencesFantomes.h"

#include <algorithm>

#include "layout/ServicesMiseEnPage.h"
#include "layout/Zoom.h"
#include "model/CvtTemps.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/Signe.h"
#include "model/TabEltMesure.h"
#include "model/Tonalite.h"
#include "notation/Alterations.h"
#include "notation/Silences.h"
#include "platform/QuickDraw.h"
#include "stafftypes/DonneesTablature.h"
#include "stafftypes/ServicesTypesPortee.h"
#include "system/Couleurs.h"
#include "text/Fontes.h"

int32_t positionNoteGraced = 0;

namespace {

int16_t S16(int32_t v) { return int16_t(std::clamp<int32_t>(v, -32767, 32767)); }

constexpr int16_t kCouleurGrise = 247;

float Interligne(Portee** staff) { return (*staff)->interligne > 0.0f ? (*staff)->interligne : 6.0f; }

void CouleurPortee(Portee** staff) { SetForeColor((*staff)->modeGrise == 1 ? kCouleurGrise : (*staff)->couleur); }

// A wedge of `n` columns from (x, y), each one pixel further (dx) and one
// higher, 1 + 2i pixels high.
void Coin(int32_t x, int32_t y, int32_t n, int32_t dx) {
  for (int32_t i = 0; i < n; i++) {
    PenSize(1, S16(1 + 2 * i));
    MoveTo(S16(x + dx * i), S16(y - i));
    LineTo(S16(x + dx * i), S16(y - i));
  }
}

int32_t DebutSigne(Portee** staff, const Signe* signs, int32_t index) {
  return signs[index].debut >= 0 ? signs[index].debut : CvtIndexNoteEnTemps(staff, index);
}

}  // namespace

void TraceSilenceFantomeAtPos(Portee** staff, int16_t x, int16_t y, const Signe* signs, int32_t index, int16_t bar,
                              const RGBColor* colour) {
  if (!staff || !signs || !(*staff)->partition) return;
  Partition** score = (*staff)->partition;
  int32_t n = 0;
  GetSignesPortee(staff, &n);
  if (index < 0 || index >= n) return;
  const int32_t t = DebutSigne(staff, signs, index);
  if ((*score)->impressionEnCours) {
    CouleurPortee(staff);
    return;
  }
  const uint8_t mode = (*staff)->modeSilencesFantomes;
  if (mode == kSilencesFantomesAucun) return;
  const float il = Interligne(staff);
  if (mode == kSilencesFantomesLigne) {
    int32_t fin;
    if (IsModeZorodava(score, staff)) {
      const Handle table = GetTabEltMesureEcran(score);
      const TabEltMesure* rows = GetLignesTabElt(table);
      const int32_t u = rows && bar >= 0 && bar < GetNbLignesTabElt(table) ? int32_t(rows[bar].echelleZorodava) : 0;
      const int32_t w = CvtMesureEnTailleUtileMesureEcran(score, bar);
      fin = u ? x + int32_t(int64_t(w) * (u - signs[index].posZorodava) / u) : x;
    } else {
      fin = x + CvtDureeEnPixelEcranDansMesure(score, signs[index].duree, bar);
    }
    const int32_t z5 = Zoom(5);
    fin = std::max(fin, x + Zoom(10));
    const int32_t yy = int32_t(float(y) + il / 2.0f);
    if (colour) RGBForeColor(colour);
    Coin(x, yy, z5, 1);
    FixeEpaisseurCouleur(-1, 2, 72, -1);
    Pattern gris;
    GetQDGlobalsGray(&gris);
    PenPat(&gris);
    MoveTo(S16(x + z5), S16(yy));
    LineTo(S16(fin - z5), S16(yy));
    Pattern noir;
    GetQDGlobalsBlack(&noir);
    PenPat(&noir);
    Coin(fin, yy, z5, -1);
    PenSize(1, 1);
    CouleurPortee(staff);
    return;
  }
  if ((*staff)->modeGrise == 1 || !CvtMesureEnFondVisible(staff, bar) ||
      ((*staff)->type != kTypePorteeStandard && (*staff)->type != kTypePorteeTablature))
    return;
  // The length drawn: a ghost rest over bars cut across systems is drawn once,
  // with the ghost rests that go on in the cut bars after it.
  const bool precedenteCoupee = bar > 0 && IsMesureDecoupee(score, bar - 1);
  int32_t d = signs[index].duree;
  if (precedenteCoupee && index > 0 && signs[index - 1].kind == kSigneSilenceFantome) {
    d = 0;
  } else if (IsMesureDecoupee(score, bar)) {
    int64_t somme = d;
    int16_t b = bar;
    for (int32_t j = index + 1; j < n && signs[j].kind == kSigneSilenceFantome && IsMesureDecoupee(score, b); j++) {
      somme += signs[j].duree;
      b = CvtTempsEnMesure(score, DebutSigne(staff, signs, j));
    }
    d = int32_t(std::min<int64_t>(somme, INT32_MAX));
  }
  const int32_t b = !precedenteCoupee && t == CvtMesureEnTemps(score, bar) ? DureeMesuresDecoupees(score, bar) : 0;
  if (d <= 0) return;
  const int16_t unite = (*staff)->aspect.tailleUnite > 0 ? (*staff)->aspect.tailleUnite : int16_t(72);
  TextFontMusicale(staff, S16(int32_t(unite) * signs[index].taille / 100));
  if (colour) RGBForeColor(colour);
  if (d != b) {
    if (mode == kSilencesFantomesPartiels) TraceSilenceFantomeCommeSilence(staff, t, x, y, d);
    return;
  }
  if ((*staff)->pauseCentree)
    x = S16(CvtMesureEnPixelEcran(score, bar) - CvtMesureEnMargeGaucheMesureEcran(score, bar) +
            CvtMesureEnTailleEcranClePixel(score, bar) / 2 + CvtMesureDecoupeeEnPixelEcran(score, bar) / 2);
  DivisionTemporelle div;
  CvtMesureEnDivisionTemporelle(score, bar, &div);
  const int32_t theorique = div.denominateur > 0 ? int32_t(int64_t(div.numerateur) * 161280 / div.denominateur) : 0;
  if ((*staff)->pauseMesureEntiere && d == theorique) {
    MoveTo(x, S16(y + 1));
    DrawCharMusical(183);
  } else {
    TraceSilenceFantomeCommeSilence(staff, t, x, y, d);
  }
}

int16_t Note2EcrGraceNotes(Portee** staff, int32_t time, int32_t, const Signe* sign, uint8_t* accidental) {
  int16_t step = 0;
  uint8_t shown = kAlterationAucune;
  CalcPosAlterationGraceNote(staff, sign, positionNoteGraced, &step, &shown);
  if (accidental) *accidental = shown;
  if (!staff) return 0;
  static const int8_t kDemiTon2NoteStd[12] = {0, 0, 1, 1, 2, 3, 3, 4, 4, 5, 5, 6};
  const int16_t B = CvtTempsEnNoteDeBase(staff, time);
  const int32_t D = kDemiTon2NoteStd[((B % 12) + 12) % 12] + 7 * (B >= 0 ? B / 12 : -((-B + 11) / 12));
  const float bas = float((*staff)->rect.top + (*staff)->decalageLigneBas);
  return S16(int32_t(bas + Interligne(staff) / 2.0f * float(D - step)));
}

int16_t Note2EcrTablatureAssociee(Portee** staff, int32_t, int32_t, const Signe* sign, uint8_t* accidental) {
  if (accidental) *accidental = kAlterationAucune;
  if (!staff || !sign) return 0;
  Tablature** tab = GetTablature(staff);
  // An accordion writes rows and directions, not strings: the stem stands
  // half a line spacing off the middle of the note's line space.
  if (tab && (*tab)->kind == kTablatureAccordeon && (*tab)->vecteurs.CvtNoteToEcr) {
    const float il = (*tab)->interligne;
    uint8_t flags = 0;
    const float y = float((*tab)->vecteurs.CvtNoteToEcr(staff, 0, -1, sign, &flags));
    return S16(int32_t(y + ((sign->flags & kSigneQueueEnBas) ? 0.5f : -0.5f) * il));
  }
  const float origine = float((*staff)->rect.top + (tab ? (*tab)->ligneBaseZoom : 0));
  // The strings are the record's line spacing apart (an interline before
  // the record has measured them).
  const float ecart = tab && (*tab)->interligne > 0.0f ? (*tab)->interligne : Interligne(staff);
  const float corde = float(sign->tablatureCorde) + ((sign->flags & kSigneQueueEnBas) ? 0.5f : -0.5f);
  return S16(int32_t(origine + corde * ecart));
}
