#include "notation/PlacementMarks.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "layout/ServicesMiseEnPage.h"
#include "layout/Zoom.h"
#include "model/CvtTemps.h"
#include "model/Document.h"
#include "model/ParamEffet.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/Ruban.h"
#include "model/SGraphix.h"
#include "model/Signe.h"
#include "notation/DessinMarks.h"
#include "notation/TaillesPortee.h"
#include "platform/QuickDraw.h"
#include "platform/TextDraw.h"
#include "stafftypes/DonneesTablature.h"
#include "stafftypes/ServicesTypesPortee.h"
#include "system/BigRect.h"
#include "text/Fontes.h"
#include "text/TextBox.h"
#include "text/TextStyle.h"

uint8_t GMuteOrnements = 1;

namespace {

// Pairs of ornaments (stem up, stem down).
constexpr uint8_t kInverseOrnement[][2] = {{56, 55},   {65, 66}, {67, 68}, {69, 70}, {71, 72}, {73, 74}, {75, 76},
                                           {102, 101}, {61, 62}, {63, 64}, {49, 50}, {45, 46}, {44, 105}};

bool QueueEnBas(const Signe* note) { return note && (note->flags & kSigneQueueEnBas); }

// Screen or ribbon lengths of a staff.
struct Metrique {
  bool ecran;
  Portee** staff;
  Partition** score;
  explicit Metrique(bool onScreen, Portee** s) : ecran(onScreen), staff(s), score(s ? (*s)->partition : nullptr) {}
  int32_t Z(int32_t v) const { return ecran ? Zoom(v) : score ? ZoomRuban(score, v) : v; }
  int32_t DeZ(int32_t v) const { return ecran ? DeZoom(v) : score ? DeZoomRuban(score, v) : v; }
  float Interligne() const {
    const Portee& p = **staff;
    const float il = ecran ? p.interligne : p.interligneRuban;
    return il > 0.0f ? il : float(Z(72)) / 12.0f;
  }
  int32_t LargeurTete() const { return ecran ? (*staff)->largeurTete : (*staff)->largeurNoteRuban; }
  int32_t Tige(const Signe* note, int32_t index) const {
    if (!note) return 0;
    return ecran ? GetTailleEcranTigeNote(staff, note, index, 0) : GetTailleRubanTigeNote(staff, note, index);
  }
  // The y of the bottom staff line.
  int32_t LigneBas() const {
    const Portee& p = **staff;
    return ecran ? int32_t(p.rect.top) + p.decalageLigneBas : p.aireRuban.top + p.decalageLigneBasRuban;
  }
};

int32_t YRubanNote(Portee** staff, const Signe* note, int32_t index) {
  VectNote2Y slot = (*staff)->vecteurs.vect_Note2Ruban;
  if (!slot || !note) return 0;
  const int32_t t = note->debut >= 0 ? note->debut : (index >= 0 ? CvtIndexNoteEnTemps(staff, index) : 0);
  uint8_t flags = 0;
  return slot(staff, t, index, note, &flags);
}

bool EstTablature(Portee** staff) { return staff && (*staff)->type == kTypePorteeTablature; }

// The mark's point on either form.
void PointMark(const Metrique& m, const Signe* note, int32_t index, const Mark* mark, bool onTablature, int32_t* x,
               int32_t* y) {
  // On a tablature the record's kind places the mark; a kind without a
  // placement slot only adds the mark's offsets.
  if (onTablature || EstTablature(m.staff)) {
    Tablature** t = GetTablature(m.staff);
    if (t && (*t)->vecteurs.CalculePosEffet) {
      (*t)->vecteurs.CalculePosEffet(m.ecran ? 1 : 0, m.staff, note, mark, x, y);
      return;
    }
    *x += m.Z(MarkDx(*mark));
    *y -= m.Z(MarkDy(*mark));
    return;
  }
  CalculePosEffetPorteeStandard(m.ecran, m.staff, note, index, mark, x, y);
}

void Aire(const Metrique& m, Portee** staff, const Mark* mark, int32_t x, int32_t y, BigRect* area,
          const ParamEffet* effects) {
  const Mark& k = *mark;
  GrafPtr port;
  GetPort(&port);
  const int16_t font = GetPortTextFont(port), size = GetPortTextSize(port);
  const uint8_t face = GetPortTextFace(port);
  const int32_t t = SetFontEffet(m.ecran ? nullptr : m.score, staff, int16_t(k.tailleTexte & 0xFF), int16_t(k.police),
                                 int16_t(k.tailleTexte >> 8));
  auto largeur = [](const char* s) { return int32_t(TextWidth(s, 0, int16_t(std::strlen(s)))); };
  auto zr = [&m](int32_t v) { return m.Z(v); };
  const int32_t W = m.LargeurTete();
  int32_t l = x, h = y - zr(4), r = x + zr(12), b = y + zr(4);
  auto pose = [&](int32_t a, int32_t bb, int32_t c, int32_t d) { l = a, h = bb, r = c, b = d; };
  const uint8_t c = k.code;
  if (c == 1) pose(x, y - t + zr(2), x + largeur("H") + zr(2), y + zr(2));
  else if (c >= 2 && c <= 5) pose(x, y - zr(2), x + largeur("88") + zr(2), y + zr(2));
  else if (c == 6 || c == 13) pose(x - zr(6), y, x + zr(6), y + zr(8));
  else if (c == 8 || c == 10) pose(x + zr(2), y - zr(12), x + zr(12), y + zr(4));
  else if (c == 9) pose(x + zr(2), y - zr(4), x + zr(12), y + zr(12));
  else if (c == 12) pose(x, y - zr(4), x + zr(30), y + zr(4));
  else if (c == 14 || c == 15 || c == 55 || c == 56 || (c >= 65 && c <= 72) || c == 75 || c == 76 || c == 94)
    pose(x - zr(6), y - zr(6), x + zr(6), y + zr(6));
  else if ((c >= 16 && c <= 18) || (c >= 22 && c <= 27) || (c >= 83 && c <= 93))
    pose(x, y - t / 2 + zr(2), x + largeur("8"), y + t / 2 + zr(2));
  else if (c == 19) pose(x, y - zr(12), x + zr(6), y + zr(4));
  else if (c == 20 || c == 40 || c == 41) pose(x - zr(6), y - zr(4), x + zr(6), y + zr(4));
  else if (c == 21 || c == 35) pose(x - zr(6), y - zr(4), x - zr(4) + 2 * W, y + zr(6));
  else if (c == 28) pose(x - zr(4), y - zr(4), x + zr(12), y + zr(2));
  else if (c == 29 || c == 30) pose(x - zr(8), y - zr(4), x - zr(8) + 2 * W, y + zr(6));
  else if (c >= 31 && c <= 34) {
    pose(x, y - zr(12), x + zr(14), y + zr(4));
    if (effects) r += zr(int32_t(float(effects->trille + 1) * 6.5f));
  } else if (c >= 36 && c <= 39) pose(x - zr(8), y - zr(4), x + zr(8), y + zr(4));
  else if (c == 42) pose(x - zr(3), y - zr(3), x + zr(3), y + zr(3));
  else if (c == 43 || c == 57 || c == 58) pose(x - zr(6), y - zr(4), x + zr(6), y + zr(2));
  else if (c == 44) pose(x - zr(6), y - zr(6), x + zr(6), y + zr(4));
  else if (c == 45 || c == 49) pose(x - W, y - zr(10), x + W, y + zr(2));
  else if (c == 46 || c == 50) pose(x - W, y - zr(4), x + W, y + zr(4));
  else if (c >= 51 && c <= 54) pose(x - zr(4), y - zr(4), x + zr(8), y + zr(4));
  else if (c == 59 || c == 61 || c == 62 || c == 73 || c == 74) pose(x - zr(6), y - zr(2), x + zr(6), y + zr(2));
  else if (c == 60 || c == 63 || c == 64) pose(x - zr(2), y - zr(2), x + zr(2), y + zr(2));
  else if (c >= 77 && c <= 82) pose(x - zr(2), y - zr(10), x + zr(6), y + zr(10));
  else if (c == 98) {
    pose(x + zr(6), y, x + zr(10), y + zr(4));
    if (effects) b += zr(7 * int32_t(effects->arpegePas));
  } else if (c == 99 || c == 100) {
    BigRect u;
    GetTailleTexteEffetUser(staff, mark, x, y, &u);
    if (m.ecran) {
      // The text box was measured on the ribbon: the same box at screen size.
      u = BigRect{x, x + m.Z(DeZoomRuban(m.score, u.right - x)), y - m.Z(DeZoomRuban(m.score, y - u.top)),
                  y + m.Z(DeZoomRuban(m.score, u.bottom - y))};
    }
    pose(u.left, u.top, u.right, u.bottom);
    if (c == 100) l += Zoom(9), r += Zoom(9);
  } else if (c == 101) pose(x, y - zr(6), x + zr(4), y);
  else if (c == 102) pose(x, y, x + zr(4), y + zr(6));
  else if (c == 103 || c == 104) pose(x - zr(4), y - zr(4), x + zr(4), y + zr(4));
  else if (c == 105) pose(x - zr(6), y - zr(3), x + zr(6), y + zr(7));
  else if (c == 106) {
    Rect pr{};
    Graphique* g = GetGraphiqueFromID(staff, k.idGraphique);
    if (g && GetRecPictGraphique(g, &pr)) {
      const float e = k.echelle > 0.0f ? k.echelle : 1.0f;
      pose(x, y, x + zr(int32_t(float(pr.right - pr.left) * e)), y + zr(int32_t(float(pr.bottom - pr.top) * e)));
    }
  } else if (c == 107) pose(x - zr(6), y - zr(8), x + zr(6), y);
  else if (c == 108 || c == 109) pose(x - zr(4), y - zr(12), x + zr(4), y);
  else if (c == 110) {
    const int32_t x2 = x + Zoom(k.courbeFinDx), y2 = y + Zoom(k.courbeFinDy);
    pose(std::min(x, x2), std::min(y, y2), std::max(x, x2), std::max(y, y2));
  }
  area->left = l, area->top = h, area->right = r, area->bottom = b;
  TextFont(font);
  TextSize(size);
  TextFace(face);
}

// The stored dy that moves the point by `up` points upward: a stem-relative
// mark on a stem-down note reads its dy the other way.
int32_t SensDy(const Signe* note, const Mark& mark, int32_t up) {
  return IsMarkRelativeTige(mark) && QueueEnBas(note) ? -up : up;
}

bool EstCodeEvitantLignes(uint8_t c) {
  return c == 28 || (c >= 59 && c <= 64) || (c >= 77 && c <= 82) || c == 94 || c == 101 || c == 102;
}

}  // namespace

int16_t GetPosMarkStd(uint8_t code) {
  if (code >= 1 && code <= 10) return kPosMarkDroite;
  if ((code >= 29 && code <= 39) || code == 49 || code == 98) return kPosMarkDessus;
  if (code == 50) return kPosMarkDessous;
  if (code == 102) return kPosMarkAutreCote;
  if ((code >= 57 && code <= 60) || code == 101 || code == 103 || code == 104) return kPosMarkTige;
  if (code >= 77 && code <= 82) return kPosMarkGauche;
  return -1;
}

int8_t MarkDx(const Mark& mark) { return int8_t(mark.param2); }
int8_t MarkDy(const Mark& mark) { return int8_t(mark.param3); }
void SetMarkDy(Mark* mark, int32_t dy) { mark->param3 = uint8_t(int8_t(std::clamp<int32_t>(dy, -127, 127))); }
bool IsMarkRelativeTige(const Mark& mark) { return mark.octet4 != 0; }

void CalculePosEffetPorteeStandard(bool onScreen, Portee** staff, const Signe* note, int32_t noteIndex,
                                   const Mark* mark, int32_t* x, int32_t* y) {
  if (!staff || !mark || !x || !y) return;
  const Metrique m(onScreen, staff);
  const bool bas = QueueEnBas(note);
  const bool droite = note && (note->flags & kSigneCache);
  const int32_t W = m.LargeurTete(), S = m.Tige(note, noteIndex), L = int32_t(m.Interligne());
  uint8_t p = mark->param1;
  int32_t ox = 10 * MarkDx(*mark);
  int32_t oy = bas ? 10 * MarkDy(*mark) - 5 : 10 * MarkDy(*mark) + 1;
  const bool relatif = IsMarkRelativeTige(*mark) && bas;
  if (relatif) {
    p ^= 64;
    oy = -oy;
    ox = -ox;
  }
  int32_t off = 0;
  switch (p) {
    case kPosMarkTige:
      *x += W / 2;
      off = -60 - oy;
      if (!bas) *y -= S;
      break;
    case kPosMarkGauche:
      off = -oy;
      ox -= 80;
      if (droite) *x += W;
      break;
    case kPosMarkAutreCote:
      *x += W / 2;
      if (bas) {
        *y += S;
        off = (relatif ? 60 : 40) - oy;
      } else {
        *y += L;
        off = -oy;
      }
      break;
    case kPosMarkDroite:
      off = -oy;
      ox += 60;
      if (!droite) *x += W;
      break;
    case kPosMarkDessus:
    case kPosMarkDessous:
      *x += W / 2;
      *y = m.LigneBas() + (p == kPosMarkDessus ? -5 * L : L) - (m.Z(oy) + 5) / 10;
      off = 0;
      break;
    default: off = -oy; break;
  }
  *x += (m.Z(ox) + 5) / 10;
  *y += (m.Z(off) + 5) / 10;
}

bool IsMarkTracee(const Mark& mark, const ParamEffet* effects, bool onTablature) {
  const uint8_t c = mark.code;
  if (c == 11) return false;
  if (c == 6 && onTablature) return false;
  // Their label goes on the slur the note starts.
  if (((c >= 1 && c <= 5) || (c >= 7 && c <= 10)) && effects && effects->liaison.idSource != 0) return false;
  return true;
}

bool CalculePosEffet(bool onScreen, Portee** staff, const Signe* note, int32_t noteIndex, int32_t markIndex, int32_t x,
                     int32_t y, bool onTablature, int32_t* outX, int32_t* outY, int32_t effectsIndex) {
  if (effectsIndex == -1) return true;
  int32_t n = 0;
  ParamEffet* all = staff ? GetParamEffetsPortee(staff, &n) : nullptr;
  if (!all || effectsIndex < 0 || effectsIndex >= n) return false;
  const ParamEffet* e = all + effectsIndex;
  if (!e->marks || markIndex < 0 || markIndex >= GetNbMarks(e->marks)) return false;
  const Mark* mark = reinterpret_cast<const Mark*>(*e->marks) + markIndex;
  if (!IsMarkTracee(*mark, e, onTablature)) return false;
  PointMark(Metrique(onScreen, staff), note, noteIndex, mark, onTablature, &x, &y);
  if (outX) *outX = x;
  if (outY) *outY = y;
  return true;
}

void CalculeAireExacteMarkRuban(Portee** staff, const Mark* mark, int32_t x, int32_t y, BigRect* area,
                                const ParamEffet* effects) {
  if (!staff || !mark || !area) return;
  Aire(Metrique(false, staff), staff, mark, x, y, area, effects);
}

void CalculeAireExacteMarkEcran(Portee** staff, const Mark* mark, int32_t x, int32_t y, BigRect* area,
                                const ParamEffet* effects) {
  if (!staff || !mark || !area) return;
  Aire(Metrique(true, staff), staff, mark, x, y, area, effects);
}

void GetTailleTexteEffetUser(Portee** staff, const Mark* mark, int32_t x, int32_t y, BigRect* area) {
  if (!mark || !area) return;
  Partition** score = staff ? (*staff)->partition : nullptr;
  TextStyle style;
  FixeTextStyleEffet(staff, mark, &style);
  SetFontEffet(score, staff, int16_t(mark->tailleTexte & 0xFF), int16_t(mark->police), int16_t(mark->tailleTexte >> 8));
  FontInfo fi{};
  GetFontInfo(&fi);
  int32_t ascent = fi.ascent;
  if (vellariPrint != 0 && style.font == vellariPrint) ascent /= 4;
  uint16_t w = 0, h = 0;
  const size_t len = strnlen(mark->texte, sizeof mark->texte);
  TextBoxStyleSize(mark->texte, int32_t(len), &style, &w, &h, 1);
  const int32_t zw = score ? ZoomRuban(score, w) : w, zh = score ? ZoomRuban(score, h) : h;
  *area = BigRect{x, x + zw, y - ascent, y - ascent + zh};
}

int16_t IsEffectOnLigne(Portee** staff, const Signe* note, int32_t noteIndex, const Mark* mark, int32_t trialDy) {
  if (!staff || !note || !mark) return 0;
  const Metrique m(false, staff);
  Mark essai = *mark;
  SetMarkDy(&essai, trialDy);
  const int32_t yNote = YRubanNote(staff, note, noteIndex);
  int32_t x = 0, y = yNote;
  PointMark(m, note, noteIndex, &essai, false, &x, &y);
  const float il = m.Interligne();
  const float base = float(m.LigneBas());
  int32_t bas = 99, haut = -99;
  for (int16_t i = -5; i <= 10; i++) {
    if (!IsAfficheLignePortee(staff, i)) continue;
    bas = std::min<int32_t>(bas, i);
    haut = std::max<int32_t>(haut, i);
    if (std::fabs(float(y) - (base - float(i) * il)) < 0.25f * il) return 1;
  }
  if (bas > haut || y == yNote) return 0;
  // Ledger lines: those the note has, from the outermost drawn line out to the
  // note, whichever side of the note the mark lies.
  const float yBas = base - float(bas) * il, yHaut = base - float(haut) * il;
  if (float(yNote) > yBas) {
    for (float l = yBas + il; l <= float(yNote) + 0.25f * il; l += il)
      if (std::fabs(float(y) - l) < 0.25f * il) return 1;
  } else if (float(yNote) < yHaut) {
    for (float l = yHaut - il; l >= float(yNote) - 0.25f * il; l -= il)
      if (std::fabs(float(y) - l) < 0.25f * il) return 1;
  }
  return 0;
}

void AjustePositionEffetPourEviterLesLignes(Portee** staff, const Signe* note, int32_t noteIndex, Mark* mark) {
  if (!staff || !note || !mark) return;
  const Metrique m(false, staff);
  const uint8_t p = mark->param1;
  if (p < kPosMarkDessus) {
    if (!EstCodeEvitantLignes(mark->code)) return;
    const int32_t h = std::max<int32_t>(1, m.DeZ(int32_t(m.Interligne())) / 2);
    const int32_t yNote = YRubanNote(staff, note, noteIndex);
    int32_t x = 0, y = yNote;
    PointMark(m, note, noteIndex, mark, false, &x, &y);
    const int32_t cote = y > yNote ? -1 : y < yNote ? 1 : 0;  // upward away from the note
    int32_t a = 0;
    if (mark->code == 94) {
      a = SensDy(note, *mark, cote * h);
      if (std::abs(MarkDy(*mark)) < std::abs(a)) SetMarkDy(mark, a);
    }
    if (IsEffectOnLigne(staff, note, noteIndex, mark, MarkDy(*mark))) {
      SetMarkDy(mark, MarkDy(*mark) + SensDy(note, *mark, (cote ? cote : 1) * h));
      return;
    }
    if (!IsEffectOnLigne(staff, note, noteIndex, mark, a)) SetMarkDy(mark, a);
    return;
  }
  if ((p != kPosMarkDessus && p != kPosMarkDessous) || EstTablature(staff)) return;
  SetMarkDy(mark, 0);
  const bool bas = QueueEnBas(note);
  MuteOrnementsSelonSensTige(bas, mark);
  const int32_t yNote = YRubanNote(staff, note, noteIndex);
  int32_t x = 0, y = yNote;
  PointMark(m, note, noteIndex, mark, false, &x, &y);
  BigRect aire{};
  CalculeAireExacteMarkRuban(staff, mark, x, y, &aire, GetParamEffetIndexNote(staff, noteIndex));
  const int32_t il = int32_t(m.Interligne());
  const int32_t S = m.Tige(note, noteIndex);
  const int32_t milieu = m.LigneBas() - 2 * il;
  int32_t descente = 0;  // how far the point must move down
  if (aire.top >= milieu) {
    const int32_t limite = bas ? yNote + il + S : yNote + il;
    if (aire.top > limite) return;
    descente = limite - aire.top;
  } else {
    const int32_t limite = bas ? yNote - il : yNote - il - S;
    if (aire.bottom < limite) return;
    descente = limite - aire.bottom;
  }
  SetMarkDy(mark, SensDy(note, *mark, -m.DeZ(descente)));
}

void MuteOrnementsSelonSensTige(bool stemDown, Mark* mark) {
  if (!mark || !IsMarkRelativeTige(*mark)) return;
  for (const auto& paire : kInverseOrnement)
    if (mark->code == paire[0] || mark->code == paire[1]) {
      mark->code = paire[stemDown ? 1 : 0];
      return;
    }
}

void MuteOrnementsSelonSensTigeRange(Portee** staff, int32_t first, int32_t last) {
  if (!GMuteOrnements || !staff) return;
  int32_t n = 0;
  Signe* notes = GetSignesPortee(staff, &n);
  if (!notes) return;
  last = std::min(last, n);
  for (int32_t i = std::max(first, 0); i < last; i++) {
    ParamEffet* e = GetParamEffetIndexNote(staff, i);
    if (!e || !e->marks) continue;
    const int32_t nm = GetNbMarks(e->marks);
    for (int32_t k = 0; k < nm; k++) {
      // The list may move while a mark's area is measured: found again each time.
      e = GetParamEffetIndexNote(staff, i);
      Mark* mk = reinterpret_cast<Mark*>(*e->marks) + k;
      Mark copie = *mk;
      MuteOrnementsSelonSensTige(QueueEnBas(&notes[i]), &copie);
      AjustePositionEffetPourEviterLesLignes(staff, &notes[i], i, &copie);
      e = GetParamEffetIndexNote(staff, i);
      if (e && e->marks && k < GetNbMarks(e->marks)) reinterpret_cast<Mark*>(*e->marks)[k] = copie;
      notes = GetSignesPortee(staff, &n);
    }
  }
}

void CalculeDeltaYMarks(Portee** staff, int32_t noteIndex, int16_t* top, int16_t* bottom) {
  int32_t haut = 999, bas = 0;
  int32_t n = 0;
  const Signe* notes = staff ? GetSignesPortee(staff, &n) : nullptr;
  const ParamEffet* e = notes && noteIndex >= 0 && noteIndex < n ? GetParamEffetIndexNote(staff, noteIndex) : nullptr;
  if (e && e->marks) {
    const Signe note = notes[noteIndex];
    const Metrique m(false, staff);
    const bool invisibles = IsTraceEffetsInvisibles((*staff)->partition);
    const int32_t yNote = YRubanNote(staff, &note, noteIndex);
    const int32_t nm = GetNbMarks(e->marks);
    for (int32_t k = 0; k < nm; k++) {
      e = GetParamEffetIndexNote(staff, noteIndex);
      const Mark mk = reinterpret_cast<const Mark*>(*e->marks)[k];
      if ((mk.invisible && !invisibles) || !IsMarkTracee(mk, e, false)) continue;
      int32_t x = 0, y = yNote;
      PointMark(m, &note, noteIndex, &mk, false, &x, &y);
      BigRect aire{};
      const ParamEffet copie = *e;
      CalculeAireExacteMarkRuban(staff, &mk, x, y, &aire, &copie);
      haut = std::min(haut, aire.top - yNote);
      bas = std::max(bas, aire.bottom - yNote);
    }
  }
  // The sentinel is tested before the conversion: a converted 999 is no longer 999.
  Partition** score = staff ? (*staff)->partition : nullptr;
  const int32_t h = haut == 999 ? 0 : score ? DeZoomRuban(score, haut) : haut;
  const int32_t b = score ? DeZoomRuban(score, bas) : bas;
  if (top) *top = int16_t(std::clamp<int32_t>(h, INT16_MIN, INT16_MAX));
  if (bottom) *bottom = int16_t(std::clamp<int32_t>(b, INT16_MIN, INT16_MAX));
}

bool IsTraceEffetsInvisibles(Partition** score) {
  if (!score) return false;
  const int32_t mode = GetModeEcran(score);
  if (mode == 0) return true;
  if (mode != 1) return false;
  const Document* doc = (*score)->document;
  return doc && doc->marques != 0;
}
