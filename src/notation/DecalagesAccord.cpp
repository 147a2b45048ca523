#include "notation/DecalagesAccord.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "layout/ServicesMiseEnPage.h"
#include "layout/Zoom.h"
#include "model/CvtTemps.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/QrvLiaison.h"
#include "model/Ruban.h"
#include "model/Signe.h"
#include "model/TabEltMesure.h"
#include "notation/TaillesPortee.h"
#include "platform/Memory.h"
#include "platform/QuickDraw.h"
#include "system/Couleurs.h"

namespace {

int16_t S16(int64_t v) { return int16_t(std::clamp<int64_t>(v, -32767, 32767)); }

constexpr int16_t kCouleurGrise = 247;
// Accidental columns: the least gap between two accidentals of one column
// and the step from one column to the next, in sixteenths of an interline
// beyond one interline; the graphic mode gives them no slot.
constexpr int16_t kMGEcartMinAlterations = 40;
constexpr int16_t kMGPasColonneAlterations = 4;
// The beam pen's width in 1/288 inch (no slot; the stem side of a head).
constexpr int16_t kMGLargeurPlumeBarre = 1;

// The first and last records of the chord holding index.
void BornesAccord(const Signe* s, int32_t n, int32_t index, int32_t* premier, int32_t* dernier) {
  int32_t a = index, b = index;
  while (a > 0 && (s[a - 1].flags & kSigneAccordSuite)) a--;
  while (b < n - 1 && (s[b].flags & kSigneAccordSuite)) b++;
  *premier = a;
  *dernier = b;
}

int16_t DecalageAccord(Partition** ruban, Portee** staff, int32_t index) {
  int32_t n = 0;
  const Signe* s = staff ? GetSignesPortee(staff, &n) : nullptr;
  if (!s || index < 0 || index >= n || (*staff)->type == kTypePorteeBatterie) return 0;
  Partition** score = (*staff)->partition;
  if (!score) return 0;
  const int32_t p = s[index].decalageTetePourcent;
  if (p == 0) return 0;
  int32_t premier, dernier;
  BornesAccord(s, n, index, &premier, &dernier);
  const int32_t t = CvtIndexNoteEnTemps(staff, premier);
  s = GetSignesPortee(staff, &n);
  const int16_t b = CvtTempsEnMesure(score, t);
  const int64_t finMesure = int64_t(CvtMesureEnTemps(score, b)) + CvtMesureEnDureeMesure(score, b);
  const int64_t r = finMesure - t;
  auto X = [&](int64_t tick) -> int64_t {
    const int32_t tk = int32_t(std::clamp<int64_t>(tick, INT32_MIN, INT32_MAX));
    return ruban ? CvtTempsEnPixelRuban(score, tk) : CvtTempsEnPixelEcran(score, tk);
  };
  const int64_t tete = ruban ? (*staff)->largeurNoteRuban : (*staff)->largeurTete;
  // The score's display option that narrows the room by a quarter head only: no score sets it.
  constexpr bool kQuartTete = false;
  int64_t moitie;
  if (p < 0) {
    int64_t gauche;
    const bool precedent = premier > 0;
    const int64_t debutPrecedent = precedent ? int64_t(t) - s[premier - 1].duree : 0;
    if (precedent && debutPrecedent >= CvtMesureEnTemps(score, b)) {
      gauche = X(debutPrecedent);
    } else {
      gauche = ruban ? int64_t(CvtMesureEnPixelRuban(score, b)) - CalculeMargeRubanApresCle(score, b)
                     : int64_t(CvtMesureEnPixelEcran(score, b)) - CalculeMargeEcranApresCle(score, b);
    }
    moitie = (X(t) - gauche) / 2;
    if (kQuartTete) moitie -= tete / 4;
  } else {
    const int64_t d = s[dernier].duree;
    const int64_t droite = d > r ? X(finMesure) : X(int64_t(t) + d - 2);
    moitie = std::max<int64_t>(0, (droite - X(t)) / 2 - (kQuartTete ? tete / 4 : tete));
  }
  return S16(moitie * p / 100);
}

}  // namespace

int64_t LimitePiece(Portee** staff, int32_t tick) {
  Partition** score = staff ? (*staff)->partition : nullptr;
  if (!score || (*staff)->sansDecoupeMesure) return 9999999;
  int32_t b = CvtTempsEnMesure(score, tick);
  const Handle table = GetTabEltMesureRuban(score);
  const TabEltMesure* rows = GetLignesTabElt(table);
  const int32_t nb = GetNbLignesTabElt(table);
  while (rows && b >= 0 && b + 1 < nb && rows[b + 1].etatDecoupeNote) b++;
  return std::max<int64_t>(int64_t(CvtMesureEnTemps(score, b)) + CvtMesureEnDureeMesure(score, b) - tick, 1);
}

int16_t CalculeDecalageCorpsAccordRuban(Partition** score, Portee** staff, int32_t index) {
  return DecalageAccord(score ? score : (staff ? (*staff)->partition : nullptr), staff, index);
}
int16_t CalculeDecalageCorpsAccordEcran(Portee** staff, int32_t index) { return DecalageAccord(nullptr, staff, index); }
int16_t CalculeDecalageCorpsAccord(Partition** ruban, Portee** staff, int32_t index) {
  return ruban ? CalculeDecalageCorpsAccordRuban(ruban, staff, index) : CalculeDecalageCorpsAccordEcran(staff, index);
}

int16_t GetOffsetYEcranTigeFnCorps(int16_t shape, uint8_t stemDown, uint8_t inverted) {
  const int16_t z1 = S16(Zoom(1)), z3 = S16(Zoom(3)), z4 = S16(Zoom(4));
  switch (shape) {
    case 0: return stemDown ? (inverted ? int16_t(-z1) : z1) : (inverted ? z1 : int16_t(-z1));
    case 1: return z3;
    case 3:
    case 8:
    case 11:
    case 20:
    case 23: return stemDown ? z3 : int16_t(-z3);
    case 6: return stemDown ? z1 : int16_t(-z1);
    case 10: return int16_t(-z1);
    case 14: return int16_t(-z3);
    case 22: return stemDown ? z4 : int16_t(-z4);
    default: return 0;
  }
}

void EviteChevauchementTableauPosAlteration(PosAlteration* table, int32_t count, float interline) {
  if (!table || count <= 0) return;
  const float g = interline / 16.0f, ecart = g * float(kMGEcartMinAlterations);
  int32_t places = 0;
  float colonne = table[0].x;
  for (int32_t i = 0; i < count; i++) {
    if (table[i].y == kAlterationPlacee) places++;
    colonne = std::min(colonne, table[i].x);
  }
  while (places < count) {
    float dernier = -32767.0f;
    bool premier = true;
    for (;;) {
      int32_t choix = -1;
      float meilleur = 0.0f;
      for (int32_t i = 0; i < count; i++) {
        if (table[i].y == kAlterationPlacee || !(table[i].x >= colonne)) continue;
        const float d = table[i].y - dernier;
        // The first of a column is always placed: the topmost that fits.
        if ((premier || d > ecart) && (choix < 0 || d < meilleur)) {
          choix = i;
          meilleur = d;
        }
      }
      if (choix < 0) break;
      table[choix].x = colonne;
      dernier = table[choix].y;
      table[choix].y = kAlterationPlacee;
      premier = false;
      places++;
    }
    colonne -= interline + g * float(kMGPasColonneAlterations);
    // A column that no accidental reaches only moves further left: every
    // accidental is reached once the column passes its own x.
    if (!(colonne > -1.0e9f)) break;
  }
}

void SetForeColorSigne(Portee** staff, int16_t colour) {
  SetForeColor(staff && (*staff)->modeGrise == 1 ? kCouleurGrise : colour);
}

void SetRGBForeColorSigne(Portee** staff, const RGBColor* colour) {
  if (staff && (*staff)->modeGrise == 1) {
    SetRGBForeColor(0x8000, 0x8000, 0x8000);
    return;
  }
  if (colour) RGBForeColor(colour);
}

int16_t HasAccrocheSpeciale(Portee** staff, const Signe* signs, int32_t index) {
  int32_t n = 0;
  const Signe* s = staff ? GetSignesPortee(staff, &n) : nullptr;
  if (!s || signs != s || index < 0 || index >= n) return 0;
  auto meme = [s](int32_t a, int32_t b) {
    return s[a].duree == s[b].duree && (s[a].flags & kSigneQueueEnBas) == (s[b].flags & kSigneQueueEnBas);
  };
  int32_t a = index, b = index;
  while (a > 0 && (s[a - 1].flags & kSigneAccordSuite) && meme(a - 1, a)) a--;
  while (b < n - 1 && (s[b].flags & kSigneAccordSuite) && meme(b + 1, b)) b++;
  for (int32_t i = a; i <= b; i++)
    if (GetLiaisonSourceNote(staff, i, nullptr, kLiaisonAccroche) ||
        GetLiaisonDestNote(staff, i, nullptr, kLiaisonAccroche))
      return 1;
  return 0;
}

Handle CvtNoteEnAffCorps(Portee** staff, int32_t index, int32_t start, int16_t bar, uint8_t stemFlag,
                         uint8_t withPositions, int32_t x) {
  int32_t n = 0;
  const Signe* s = staff ? GetSignesPortee(staff, &n) : nullptr;
  if (!s || index < 0 || index >= n || !(*staff)->partition) return nullptr;
  Partition** score = (*staff)->partition;
  int32_t premier, dernier;
  BornesAccord(s, n, index, &premier, &dernier);
  const Signe note = s[index];
  int64_t premiereLimite = 0;
  for (int32_t i = premier; i <= dernier; i++) {
    if ((s[i].flags & kSigneQueueEnBas) != (note.flags & kSigneQueueEnBas) || s[i].premierePartieLiee == 0) continue;
    if (premiereLimite == 0 || s[i].premierePartieLiee < premiereLimite) premiereLimite = s[i].premierePartieLiee;
  }
  std::vector<AffCorps> pieces;
  int64_t t = start, reste = note.duree;
  const int16_t decalage = withPositions ? CalculeDecalageCorpsAccordEcran(staff, index) : int16_t(0);
  while (reste > 0 && pieces.size() < 4096) {
    int64_t l = bar < 0 ? 9999999 : LimitePiece(staff, int32_t(t));
    if (pieces.empty() && premiereLimite > 0) l = std::min(l, premiereLimite);
    AffCorps a{};
    CalculeNotePossible(int32_t(std::min<int64_t>(reste, INT32_MAX)), int32_t(std::min<int64_t>(l, INT32_MAX)), nullptr,
                        pieces.empty() ? note.motTuplet : kDivisionSimple, &a.note, note.kind);
    if (a.note.dureeEcrite <= 0) break;
    if (withPositions) {
      a.decalage = decalage;
      int32_t px = -1;
      if (IsModeZorodava(score, staff)) px = ZorodavaCvtTempsEnPixelEcran(score, int32_t(t));
      if (px < 0) px = CvtTempsEnPixelEcran(score, int32_t(t));
      a.x = px + decalage + x;
      a.xTete = a.x;
      if (!(note.flags & kSigneQueueEnBas))
        a.xTete = a.x + (*staff)->largeurTete - std::max<int32_t>(1, CvtTaillePlumeZoom(kMGLargeurPlumeBarre, 288) / 4);
      // On a tablature staff the staff's note slot is the record's: the
      // note sits on its string.
      a.y = CvtIndexNoteEnPosEcranLin(staff, index);
      if ((*staff)->type == kTypePorteeTablature) {
        a.queue = 18;
      } else {
        s = GetSignesPortee(staff, &n);
        const Signe courante = s[index];
        const int32_t u = courante.longueurQueue ? int8_t(courante.longueurQueue)
                                                 : GetTailleStdTigeNote(staff, &courante, index, stemFlag);
        const float il = (*staff)->interligne > 0.0f ? (*staff)->interligne : 6.0f;
        a.queue = S16(int64_t(float(u) * il / 6.0f));
      }
    }
    pieces.push_back(a);
    t += a.note.dureeEcrite;
    reste -= a.note.dureeEcrite;
  }
  Handle h = NewHandle(Size(pieces.size() * sizeof(AffCorps)));
  if (!h) return nullptr;
  std::copy(pieces.begin(), pieces.end(), reinterpret_cast<AffCorps*>(*h));
  return h;
}
