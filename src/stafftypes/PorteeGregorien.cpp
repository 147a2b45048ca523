#include "stafftypes/PorteeGregorien.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "layout/DonneesModeGraphique.h"
#include "layout/Zoom.h"
#include "model/CvtTemps.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/QRVPOBJ.h"
#include "model/QrvLiaison.h"
#include "model/Ruban.h"
#include "model/Signe.h"
#include "model/TabEltMesure.h"
#include "model/Tonalite.h"
#include "model/TonaliteMaths.h"
#include "notation/BarresMesure.h"
#include "notation/FormesCorps.h"
#include "notation/ServicesNotation.h"
#include "notation/TaillesPortee.h"
#include "platform/QuickDraw.h"
#include "sound/ServicesSon.h"
#include "stafftypes/CellulesKaraoke.h"
#include "stafftypes/Neumes.h"
#include "stafftypes/PorteeQuarvel.h"
#include "system/Couleurs.h"
#include "system/PortLayer.h"
#include "system/Strings.h"
#include "text/Fontes.h"

namespace {

int16_t Mg(int n) { return GModeGraphique.slot[n]; }

// The degree (C = 0 .. B = 6) of each semitone of the octave.
constexpr int8_t kDemiTon2NoteStd[12] = {0, 0, 1, 1, 2, 3, 3, 4, 4, 5, 5, 6};

// The diatonic step of a pitch: degree + 7 per octave.
int32_t Pas(int32_t pitch) {
  const int32_t o = pitch >= 0 ? pitch / 12 : -((11 - pitch) / 12);
  return kDemiTon2NoteStd[pitch - 12 * o] + 7 * o;
}

float Il(Portee** staff) { return (*staff)->interligne > 0.0f ? (*staff)->interligne : 6.0f; }
float IlRuban(Portee** staff) { return (*staff)->interligneRuban > 0.0f ? (*staff)->interligneRuban : 6.0f; }
float BasY(Portee** staff) { return float(int32_t((*staff)->rect.top) + (*staff)->decalageLigneBas); }
int16_t Unite(Portee** staff) { return (*staff)->aspect.tailleUnite > 0 ? int16_t((*staff)->aspect.tailleUnite) : 72; }
int16_t CouleurPortee(Portee** staff) { return (*staff)->couleur >= 1 ? (*staff)->couleur : int16_t(1); }
int16_t CouleurNotes(Portee** staff) {
  const Portee& p = **staff;
  if (p.modeGrise == 1) return 247;
  if (p.couleurNotes >= 1) return p.couleurNotes;
  return CouleurPortee(staff);
}
int16_t CouleurSigne(Portee** staff, const Signe& s) {
  return s.couleur >= 1 && (*staff)->modeGrise != 1 ? int16_t(s.couleur) : CouleurNotes(staff);
}

uint32_t SourceLiaison(Portee** staff, int32_t i) {
  Portee** other = nullptr;
  return GetLiaisonSourceNote(staff, i, &other, 0);
}
uint32_t DestLiaison(Portee** staff, int32_t i) {
  Portee** other = nullptr;
  return GetLiaisonDestNote(staff, i, &other, 0);
}

void Trait(int32_t x, int32_t y1, int32_t y2) {
  MoveTo(Sature16(x), Sature16(y1));
  LineTo(Sature16(x), Sature16(y2));
}

void Carre(float left, float top, float side) {
  const Rect r{Sature16(std::lround(top)), Sature16(std::lround(left)), Sature16(std::lround(top + side)),
               Sature16(std::lround(left + side))};
  PaintRect(&r);
}

// ---- Slots.

void InitPorteeGregorienSlot(Portee** staff) {
  CGrafPtr avant = SetPortTemporaire();
  InitTaillePortee(staff);
  TextFontMusicale(staff, Unite(staff));
  (*staff)->largeurCle = Sature16(Zoom(59));
  SetPort(reinterpret_cast<GrafPtr>(avant));
}

// The screen (or ribbon) y of a sign: no stem direction on this staff.
int16_t NoteEnY(Portee** staff, int32_t tick, int32_t index, const Signe* note, uint8_t* flags, bool ruban) {
  if (!staff || !note) return 0;
  const Portee& p = **staff;
  const float il = ruban ? IlRuban(staff) : Il(staff);
  const float bas = ruban ? float(int64_t(p.aireRuban.top) + p.decalageLigneBasRuban) : BasY(staff);
  uint8_t f;
  float y;
  if (note->kind < 0) {
    f = 2;
    const int32_t dy = note->decalageSilence;
    y = bas - 2.0f * il - float(ruban ? (p.partition ? ZoomRuban(p.partition, dy) : dy) : Zoom(dy));
  } else {
    int16_t ligne = 0;
    uint8_t montre = kAlterationAucune;
    CalcPosAlterationFnNote(staff, note, &ligne, &montre, index, tick);
    f = uint8_t(montre & 7);
    const int32_t base = Pas(CvtTempsEnNoteDeBase(staff, tick));
    y = bas + il * 0.5f * float(base - ligne);
  }
  if (flags) *flags = f;
  if (!(y == y)) return 0;
  return int16_t(std::clamp(y, -32768.0f, 32767.0f));
}

int16_t VectNote2EcrGregorien(Portee** staff, int32_t tick, int32_t index, const Signe* note, uint8_t* flags) {
  return NoteEnY(staff, tick, index, note, flags, false);
}
int16_t VectNote2RubanGregorien(Portee** staff, int32_t tick, int32_t index, const Signe* note, uint8_t* flags) {
  return NoteEnY(staff, tick, index, note, flags, true);
}

// The pitch at a ribbon y, in C major.
int16_t VectRuban2NoteGregorien(Portee** staff, int32_t tick, int32_t y, int16_t* note) {
  if (!staff || !note) return 0;
  const Portee& p = **staff;
  const int32_t base = Pas(CvtTempsEnNoteDeBase(staff, tick));
  const float dy = float(int64_t(y) - p.aireRuban.top - p.decalageLigneBasRuban);
  int32_t pas = int32_t(dy / (-0.5f * IlRuban(staff)) + float(base));
  if (pas < 0) pas = 0;
  Tonalite doMajeur;
  CvtTonaliteStdEnTonalite(0, 1, &doMajeur);
  int16_t pitch = 0;
  CalcNoteFnPosAlteration(staff, int16_t(std::min<int32_t>(pas, INT16_MAX)), tick, kAlterationAucune, &doMajeur,
                          &pitch);
  *note = int16_t(int8_t(pitch));
  return 1;
}

void TraceFondPorteeGregorien(Portee** staff, const Rect* staffRect, int16_t, const Rect* clip, int32_t, uint8_t) {
  if (!staff || !staffRect) return;
  Rect zone = *staffRect;
  if (clip && !SectRect(staffRect, clip, &zone)) return;
  const int16_t brut = Mg(kSlotEpaisseurLignePortee);
  const float il = Il(staff);
  const float epaisseur = float(GetDpiDest()) * float(brut) / 288.0f;
  float y = BasY(staff) + 5.0f * il;
  for (int16_t n = kPremiereLignePortee; n <= kDerniereLignePortee; n++, y -= il)
    if (IsAfficheLignePortee(staff, n))
      TraceLigneHorizontale(staff, zone.left, y, Sature16(int32_t(zone.right) - zone.left), epaisseur, float(brut),
                            CouleurPortee(staff));
  PenNormal();
  ForeColor(blackColor);
}

void VectTraceArmatureGregorien(Portee** staff, const Rect* rect, const Rect*, int32_t tick, uint8_t) {
  if (!staff || !rect) return;
  Partition** score = (*staff)->partition;
  const int16_t bar = score ? CvtTempsEnMesure(score, tick) : int16_t(0);
  Tonalite previous, key;
  Clef clef;
  CvtMesureEnTonalite(staff, int16_t(bar - 1), &previous);
  CvtMesureEnTonalite(staff, bar, &key);
  CvtMesureEnClef(staff, bar, &clef);
  TraceTonaliteArmatureGregorien(staff, &previous, &key, &clef, Sature16(int32_t(rect->left) + Zoom(5)),
                                 Sature16(Zoom(Unite(staff)) / 6), 1, 1);
  TextSize(0);
  TextFont(GetStdFont());
  ForeColor(blackColor);
}

// A division made of `n` rests at x.
void TraceDivision(Portee** staff, int32_t x, int32_t n) {
  const int32_t il = int32_t(Il(staff));
  const int32_t y0 = int32_t(BasY(staff)) - 3 * il;
  PenSize(1, 1);
  switch (n) {
    case 1: Trait(x, y0 - il / 2, y0 - il / 2 + il); break;
    case 2: Trait(x, y0 + il / 2, y0 + il / 2 + 2 * il); break;
    case 3: Trait(x, y0, y0 + 3 * il); break;
    default: Trait(x, y0, y0 + 3 * il); Trait(x + Zoom(4), y0, y0 + 3 * il);
  }
}

int32_t VectTraceNotesGregorien(Portee** staff, int16_t x, uint16_t xRef, Signe* signs, int32_t, int32_t index,
                                int32_t count, int16_t bar, int16_t, uint8_t) {
  if (!staff || !signs) return index + 1;
  Partition** score = (*staff)->partition;
  if (!score || !(*score)->document || index < 0 || index >= count) return index + 1;
  if (signs[index].kind > 0) {
    if (CvtTempsEnMesure(score, CvtIndexNoteEnTemps(staff, index)) != bar) return index + 1;
    Neume neume;
    const int32_t suivant =
        ExtraitNeumeRuban(staff, signs, index, count, CvtIndexNoteEnPixelRuban(staff, index), &neume);
    AfficheNeume(staff, &neume, int16_t(xRef), bar, &CvtAireRubanEnAireEcranNeume);
    PenNormal();
    ForeColor(blackColor);
    return suivant;
  }
  // A run of rests: its shown rests make one division.
  int32_t j = index, n = 0;
  for (; j < count && signs[j].kind <= 0; j++)
    if (signs[j].kind == kSigneSilence && !(signs[j].flags & kSigneCache)) n++;
  if (n == 0) return j;
  const Signe dernier = signs[j - 1];
  int32_t xs = x;
  if (index > 0) xs -= (CvtIndexNoteEnPixelEcran(staff, index) - CvtIndexNoteEnPixelEcran(staff, index - 1)) / 2;
  SetForeColor(CouleurSigne(staff, dernier));
  TraceDivision(staff, xs, n);
  PenNormal();
  ForeColor(blackColor);
  return j;
}

// A guide mark before x at the height of the note the bar starts with (past
// a tie chain running into it).
void TraceGuide(Portee** staff, Partition** score, int16_t bar, int16_t x) {
  int32_t n = 0;
  const Signe* s = GetSignesPortee(staff, &n);
  if (!s || n <= 0) return;
  const int32_t t0 = CvtMesureEnTemps(score, bar);
  const int32_t duree = s[n - 1].duree;
  const int64_t fin = int64_t(CvtIndexNoteEnTemps(staff, n - 1)) + duree;
  if (t0 > fin) return;
  const int32_t cible = CvtTempsEnIndexNote(staff, t0);
  s = GetSignesPortee(staff, &n);
  if (cible < 0 || cible >= n) return;
  int32_t j = cible;
  while (j > 0 && !SourceLiaison(staff, j) && s[j - 1].kind >= 0 && !DestLiaison(staff, j - 1)) j--;
  int32_t i = cible;
  if (j < cible && SourceLiaison(staff, j)) {
    const uint32_t id = SourceLiaison(staff, j);
    for (i = j; i < n && s[i].kind >= 0;) {
      const uint32_t dest = DestLiaison(staff, i);
      i++;
      if (dest == id) break;
    }
  }
  if (i >= n || s[i].kind <= 0) return;
  const Portee& p = **staff;
  const float basRuban = float(int64_t(p.aireRuban.top) + p.decalageLigneBasRuban);
  const float yr = float(CvtIndexNoteEnPosRubanLin(staff, i));
  const int32_t y = int32_t(BasY(staff) - std::round((basRuban - yr) * Il(staff) / IlRuban(staff)));
  SetForeColor(CouleurSigne(staff, GetSignesPortee(staff, &n)[i]));
  const Rect r{Sature16(y - Zoom(2)), Sature16(int32_t(x) - Zoom(4)), Sature16(y + Zoom(2)), x};
  PaintRect(&r);
  PenSize(std::max<int16_t>(1, CvtTaillePlumeZoom(2, 72)), 1);
  Trait(int32_t(x) - Zoom(2), r.bottom, int32_t(float(r.bottom) - Il(staff)));
  PenSize(1, 1);
}

int16_t TraceBarreMesureGregorien(Portee** staff, int16_t bar, int16_t x, int16_t, uint8_t, uint8_t) {
  if (!staff) return x;
  Partition** score = (*staff)->partition;
  if (!score || bar < 0 || bar >= (*score)->nbMesures) return x;
  Handle table = GetTabEltMesureEcran(score);
  const int32_t rows = table ? GetNbLignesTabElt(table) : 0;
  const TabEltMesure row = bar < rows ? GetLignesTabElt(table)[bar] : TabEltMesure{};
  const uint32_t vis = CvtMesureEnVisible(staff, bar);
  const bool fond = CvtMesureEnFondVisible(staff, bar);
  const bool change = row.marquePagination && fond;
  if (vis || change) {
    const int16_t couleurCle = CvtMesureEnCouleurClef(staff, bar);
    SetForeColor(couleurCle >= 1 ? couleurCle : CouleurPortee(staff));
    const int16_t extra = Sature16(Zoom(Unite(staff)) / 6);
    Tonalite key, previous;
    Clef clef;
    if (change) {
      bool keyShown = false, clefShown = false;
      CalculeTonaliteCleAfficheMesure(staff, bar, &key, &previous, &keyShown, &clef, &clefShown);
      TraceTonaliteArmatureGregorien(staff, &previous, &key, &clef, Sature16(int32_t(x) + Zoom(2)), extra,
                                     clefShown ? 1 : 0, keyShown ? 1 : 0);
    } else if (vis & (kVisibleClef | kVisibleArmure)) {
      CvtMesureEnTonalite(staff, int16_t(bar - 1), &previous);
      CvtMesureEnTonalite(staff, bar, &key);
      CvtMesureEnClef(staff, bar, &clef);
      TraceTonaliteArmatureGregorien(staff, &previous, &key, &clef, Sature16(int32_t(x) + Zoom(2)), extra,
                                     (vis & kVisibleClef) ? 1 : 0, (vis & kVisibleArmure) ? 1 : 0);
    }
    SetForeColor(CouleurPortee(staff));
  }
  // The fourth break flag of a bar asks for a guide mark.
  if (bar > 0 && row.sautQuatrieme) TraceGuide(staff, score, bar, x);
  if ((*staff)->flagNumeroMesure) AfficheNumeroMesure(staff, x, bar);
  PenNormal();
  ForeColor(blackColor);
  return x;
}

void MenuVide() {}

int16_t VectCvtIndexNoteEnAireRubanGregorien(Portee** staff, int32_t index, BigRect* out) {
  if (!staff || !out) return 0;
  int32_t n = 0;
  const Signe* s = GetSignesPortee(staff, &n);
  if (!s || index < 0 || index >= n || s[index].kind < 0) return 0;
  for (int32_t k = DebutNeume(staff, index); k <= index;) {
    Neume neume;
    s = GetSignesPortee(staff, &n);
    const int32_t suivant = ExtraitNeumeRuban(staff, s, k, n, CvtIndexNoteEnPixelRuban(staff, k), &neume);
    for (int16_t e = 0; e < neume.nb; e++)
      if (neume.elements[e].index == index) {
        const int32_t o = (*staff)->aireRuban.top;
        const BigRect& c = neume.elements[e].carre;
        *out = BigRect{c.left, c.right, c.top + o, c.bottom + o};
        return 1;
      }
    if (suivant > index) break;
    k = suivant;
  }
  return 0;
}

}  // namespace

int16_t TraceTonaliteArmatureGregorien(Portee** staff, const Tonalite* previous, const Tonalite* key, const Clef* clef,
                                       int16_t x, int16_t extra, uint8_t drawClef, uint8_t drawKey) {
  if (!staff || !clef) return x;
  int16_t apres = x;
  if (drawClef) {
    const float il = Il(staff);
    const float s = std::round(0.7f * il * 100.0f) / 100.0f;
    TextFontMusicale(staff, Unite(staff));
    const float x0 = float(int32_t(float(x) + s));
    float y = BasY(staff) - float(clef->decalageLigne) * il;
    if (clef->type == kClefFa) {
      y -= 3.0f * il;
      Carre(x0 + s / 2.0f, y - il, s);
      Carre(x0 - s / 2.0f, y - s / 2.0f, s);
      Carre(x0 + s / 2.0f, y + il - s, s);
    } else if (clef->type == kClefUt) {
      y -= 2.0f * il;
      const float xl = x0 - s / 2.0f;
      Carre(xl, y - il, s);
      Carre(xl, y + il - s, s);
      PenSize(std::max<int16_t>(1, CvtTaillePlumeZoom(4, 288)), 1);
      Trait(int32_t(xl), int32_t(y - il), int32_t(y + il));
      PenSize(1, 1);
    }
    apres = Sature16(int32_t(x0 + 2.0f * s));
  }
  if (drawKey && key) return TraceTonalite(staff, previous, key, clef, apres, extra);
  return apres;
}

int16_t GregorienCalculeTableauTaquetKaraokeMesure(TaquetKaraoke* columns, Portee** staff, int16_t bar,
                                                   uint8_t withPixels, uint8_t withTimes) {
  if (!columns || !staff || bar < 0) return 0;
  Partition** score = (*staff)->partition;
  int32_t count = 0;
  const Signe* s = GetSignesPortee(staff, &count);
  if (!score || !s || count <= 0) return 0;
  const int32_t t0 = CvtMesureEnTemps(score, bar);
  const int32_t t1 = CvtMesureEnTemps(score, bar + 1);
  int32_t originR = 0, originE = 0;
  if (withPixels) {
    originR = CvtTempsEnPixelRuban(score, t0);
    originE = CvtTempsEnPixelEcran(score, t0);
  }
  int16_t n = 0;
  int32_t j = CvtTempsEnIndexNote(staff, t0);
  if (j < 0) return 0;
  j = DebutNeume(staff, j);
  while (j < count && n < kMaxTaquetsMesure) {
    if (CvtIndexNoteEnTemps(staff, j) >= t1) break;
    s = GetSignesPortee(staff, &count);
    if (s[j].kind <= 0) {
      j++;
      continue;
    }
    Neume neume;
    const int32_t suivant = ExtraitNotesNeume(staff, s, j, count, &neume);
    if (neume.premier >= 0) {
      const int32_t t = CvtIndexNoteEnTemps(staff, neume.premier);
      if (t >= t0 && t < t1) {
        TaquetKaraoke& c = columns[n++];
        std::memset(&c, 0, sizeof c);
        if (withPixels) {
          c.xRuban = uint16_t(CvtIndexNoteEnPixelRuban(staff, neume.premier) - originR);
          c.xEcran = uint16_t(CvtIndexNoteEnPixelEcran(staff, neume.premier) - originE);
        }
        if (withTimes) c.temps = t - t0;
        c.type = kTaquetNote;
      }
    }
    j = suivant;
  }
  if (n > 0 && withPixels) {
    const int32_t utileR = CvtMesureEnTailleUtileMesureRuban(score, bar);
    const int32_t utileE = CvtMesureEnTailleUtileMesureEcran(score, bar);
    for (int16_t k = 0; k < n; k++) {
      columns[k].largeurRuban = uint16_t((k + 1 < n ? columns[k + 1].xRuban : utileR) - columns[k].xRuban);
      columns[k].largeurEcran = uint16_t((k + 1 < n ? columns[k + 1].xEcran : utileE) - columns[k].xEcran);
    }
  }
  return n;
}

void InitPorteeGregorien(Portee** staff) {
  Portee* p = *staff;
  p->type = kTypePorteeGregorien;
  VecteursPortee& v = p->vecteurs;
  v = VecteursPortee{};
  v.vect_init_portee = &InitPorteeGregorienSlot;
  v.vect_trace_fond_portee = &TraceFondPorteeGregorien;
  v.vect_trace_armature = &VectTraceArmatureGregorien;
  v.vect_Note2Ecr = &VectNote2EcrGregorien;
  v.vect_Note2Ruban = &VectNote2RubanGregorien;
  v.vect_Ruban2Note = &VectRuban2NoteGregorien;
  v.vect_trace_notes = &VectTraceNotesGregorien;
  v.vect_trace_barre_mesure = &TraceBarreMesureGregorien;
  v.vect_installe_menu = &MenuVide;
  v.vect_traite_option_menu = &MenuVide;
  v.CvtIndexNoteEnAireRuban = &VectCvtIndexNoteEnAireRubanGregorien;
  p->flagAffichage = 1;
  p->codeMiseEnPage1 = 3;
  p->codeMiseEnPage2 = 3;
  // Notes are never cut at bar lines on this staff.
  p->sansDecoupeMesure = 1;
  std::memset(p->aspect.octets1, 1, sizeof p->aspect.octets1);
  std::memset(p->aspect.flagsLignes, 1, sizeof p->aspect.flagsLignes);
  // The singing voice is set up only where the singing engine is present
  // (never in a preview), as the document reader does for a staff without
  // voice data.
  if (IsLyrastel()) InitChantConfigPortee(staff);
  SetStyleCellulesKaraoke(staff, 1, 1);
  CalculeHauteurCelluleLigneTexte(staff, 1);
}
