#include "stafftypes/PorteeQuarvel.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "layout/DonneesModeGraphique.h"
#include "layout/Zoom.h"
#include "model/CvtTemps.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/Ruban.h"
#include "model/Signe.h"
#include "model/TabEltMesure.h"
#include "model/Tonalite.h"
#include "model/TonaliteMaths.h"
#include "notation/Alterations.h"
#include "notation/BarresMesure.h"
#include "notation/FormesCorps.h"
#include "notation/NotesPortee.h"
#include "notation/TaillesPortee.h"
#include "platform/QuickDraw.h"
#include "stafftypes/Tablature.h"
#include "system/Couleurs.h"
#include "system/PortLayer.h"
#include "text/Fontes.h"

namespace {

// Words of the graphic mode read here: thicknesses in 1/288 inch, spaces in
// 72-dpi units.
enum : int {
  kMGEpaisseurBarre = 12,
  kMGEspaceAvantCle = 18,
  kMGEspaceAvantArmure = 19,
  kMGEspaceApresArmure = 20,
  kMGEspaceAvantSignature = 21,
  kMGEspaceApresSignature = 22,
  kMGEspaceAlterationsArmure = 23,
  kMGEspaceApresBecarres = 24,
  kMGEpaisseurLignePortee = 54,
  kMGEpaisseurLigneDebut = 55,
};

int16_t Mg(int n) { return GModeGraphique.slot[n]; }

// The degree (C = 0 .. B = 6) of each semitone of the octave.
constexpr int8_t kDemiTon2NoteStd[12] = {0, 0, 1, 1, 2, 3, 3, 4, 4, 5, 5, 6};
// Sharps F C G D A E B and flats B E A D G C F, as degrees.
constexpr int8_t kOrdreDiese[7] = {3, 0, 4, 1, 5, 2, 6};
constexpr int8_t kOrdreBemol[7] = {6, 2, 5, 1, 4, 0, 3};

constexpr uint8_t kGlypheDiese = 35, kGlypheBemol = 98, kGlypheBecarre = 110;
constexpr uint8_t kGlypheCleSol = 38, kGlypheCleFa = 63, kGlypheCleUt = 66, kGlypheCleNeutre = 47;

int16_t S16(int64_t v) { return int16_t(std::clamp<int64_t>(v, INT16_MIN, INT16_MAX)); }
int16_t S16f(float v) {
  if (!(v == v)) return 0;
  return int16_t(std::clamp(v, -32768.0f, 32767.0f));
}

float Il(Portee** staff) { return (*staff)->interligne > 0.0f ? (*staff)->interligne : 6.0f; }
float BasY(Portee** staff) { return float(int32_t((*staff)->rect.top) + (*staff)->decalageLigneBas); }
int16_t Unite(Portee** staff) { return (*staff)->aspect.tailleUnite > 0 ? int16_t((*staff)->aspect.tailleUnite) : 72; }

// The diatonic step of a pitch: degree + 7 per octave (octaves from pitch 0).
int32_t Pas(int32_t pitch) {
  const int32_t o = pitch >= 0 ? pitch / 12 : -((11 - pitch) / 12);
  return kDemiTon2NoteStd[pitch - 12 * o] + 7 * o;
}

// The staff colour (black below 1).
int16_t CouleurPortee(Portee** staff) { return (*staff)->couleur >= 1 ? (*staff)->couleur : int16_t(1); }

void DrawGlyphe(int16_t x, int16_t y, uint8_t code) {
  MoveTo(x, y);
  DrawCharMusical(code);
}

// The steps above the bottom line of the seven flats (or sharps) in their
// order for a clef's bottom-line pitch.
void PositionsAlterations(int32_t basePitch, uint32_t clefType, bool bemols, int32_t out[7]) {
  const int32_t b = kDemiTon2NoteStd[((basePitch % 12) + 12) % 12];
  const int32_t haut = clefType == kClefSol ? 9 : clefType == kClefFa ? 7 : 8;
  const int8_t* ordre = bemols ? kOrdreBemol : kOrdreDiese;
  int32_t depart = 3;
  while (depart > -3 && ordre[0] - b + 7 * depart > 8) depart--;
  int32_t octave[2] = {depart, depart + 1};
  for (int k = 0; k < 7; k++) {
    int32_t& o = octave[k & 1];
    int32_t pas = ordre[k] - b + 7 * o;
    if (pas > haut) {
      o--;
      pas -= 7;
    } else if (pas < -1) {
      o++;
      pas += 7;
    }
    out[k] = pas;
  }
}

int16_t YPas(Portee** staff, int32_t pas) { return S16f(BasY(staff) - 0.5f * Il(staff) * float(pas)); }

// The clef record of a standard treble clef for staves drawn without their own.
Clef CleEtTonaliteNeutres(Tonalite* key) {
  Clef c;
  CvtTypeClefEnClefStandard(1, &c);
  CvtTonaliteStdEnTonalite(0, 1, key);
  return c;
}

// Staff line positions the line-shown flags cover.
constexpr int kNbPositions = kDerniereLignePortee - kPremiereLignePortee + 1;

}  // namespace

int16_t TraceTonalite(Portee** staff, const Tonalite* previous, const Tonalite* key, const Clef* clef, int16_t x,
                      int16_t extra) {
  if (!staff || !key || !clef) return x;
  const int32_t avance = Zoom(Mg(kMGEspaceAlterationsArmure)) + extra;
  int32_t cx = int32_t(x) + Zoom(Mg(kMGEspaceAvantArmure));
  int32_t posB[7], posD[7];
  const int32_t base = clef->noteDeBase;
  PositionsAlterations(base, clef->type, true, posB);
  PositionsAlterations(base, clef->type, false, posD);
  bool dessine = false;
  if (previous && key->styleAnnulation != 0) {
    bool becarre = false;
    const bool tous = key->styleAnnulation == 2;
    for (int k = 0; k < 7; k++) {
      const int d = kOrdreBemol[k];
      if (previous->alterations[d] == 3 && key->alterations[d] != 3 && (key->alterations[d] != 1 || tous)) {
        DrawGlyphe(S16(cx), YPas(staff, posB[k]), kGlypheBecarre);
        cx += avance;
        becarre = true;
      }
    }
    for (int k = 0; k < 7; k++) {
      const int d = kOrdreDiese[k];
      if (previous->alterations[d] == 1 && key->alterations[d] != 1 && (key->alterations[d] != 3 || tous)) {
        DrawGlyphe(S16(cx), YPas(staff, posD[k]), kGlypheBecarre);
        cx += avance;
        becarre = true;
      }
    }
    if (becarre) {
      cx += Zoom(Mg(kMGEspaceApresBecarres));
      dessine = true;
    }
  }
  for (int k = 0; k < 7; k++)
    if (key->alterations[kOrdreBemol[k]] == 3) {
      DrawGlyphe(S16(cx), YPas(staff, posB[k]), kGlypheBemol);
      cx += avance;
      dessine = true;
    }
  for (int k = 0; k < 7; k++)
    if (key->alterations[kOrdreDiese[k]] == 1) {
      DrawGlyphe(S16(cx), YPas(staff, posD[k]), kGlypheDiese);
      cx += avance;
      dessine = true;
    }
  return dessine ? S16(cx + Zoom(Mg(kMGEspaceApresArmure))) : x;
}

int16_t TraceTonaliteArmature(Portee** staff, const Tonalite* previous, const Tonalite* key, const Clef* clef,
                              int16_t x, int16_t extra, uint8_t drawClef, uint8_t drawKey) {
  if (!staff || !clef) return x;
  const float il = Il(staff), bas = BasY(staff);
  const int16_t unite = Unite(staff);
  if ((*staff)->type == kTypePorteeBatterieStd) {
    // Drums on a standard staff: a neutral clef as a small frame, no key.
    MoveTo(x, S16f(bas));
    if (!drawClef) return S16(int32_t(x) + Zoom(4));
    Rect r{S16f(bas - 3.0f * il), S16(int32_t(x) + Zoom(2)), S16f(bas - il + 1.0f), S16(int32_t(x) + Zoom(6) + 1)};
    PenSizeZoom(4, 1, 288);
    FrameRect(&r);
    PenNormal();
    return S16(int32_t(x) + Zoom(6));
  }
  int32_t cx = x;
  if (drawClef) {
    float y = bas - float(clef->decalageLigne) * il;
    const float f = clef->type == kClefUt ? 0.92f : 1.0f;
    const int16_t taille = S16f(float(unite) * f);
    TextFontMusicale(staff, taille);
    uint8_t glyphe = kGlypheCleNeutre;
    float hautExt = 0.0f, basExt = 0.0f;
    switch (clef->type) {
      case kClefSol:
        glyphe = kGlypheCleSol;
        hautExt = 5.0f;
        basExt = -1.5f;
        break;
      case kClefFa:
        glyphe = kGlypheCleFa;
        hautExt = 4.0f;
        basExt = 1.0f;
        break;
      case kClefUt:
        glyphe = kGlypheCleUt;
        hautExt = 4.0f;
        break;
      default: break;
    }
    int16_t yc = S16f(y);
    if (clef->type == kClefFa) yc = S16(int32_t(yc) + int32_t((float(Zoom(taille)) * 0.09f - il) * 3.0f + 0.5f));
    DrawGlyphe(S16(cx), yc, glyphe);
    const int8_t octave = clef->decalageOctave;
    if (octave != 0 && octave >= -2 && octave <= 2) {
      const float u = float(unite) * f / 72.0f;
      const float ligne = float(clef->decalageLigne) * il;
      const float markHaut = bas - std::max(ligne + hautExt * f * il, 4.0f * il);
      const float markBas = bas - std::min(ligne + basExt * f * il, 0.0f);
      const bool quinze = octave == 2 || octave == -2;
      const int16_t mx = S16(cx + Zoom(int32_t(quinze ? 4.0f * u : 6.0f * u)));
      const int16_t my = octave > 0 ? S16f(markHaut - float(Zoom(int32_t(5.0f * u))))
                                    : S16f(float(Zoom(int32_t(11.0f * u))) + markBas);
      MoveTo(mx, my);
      if (quinze) {
        DrawCharMusical(193);
        DrawCharMusical(176);
      } else {
        DrawCharMusical(165);
      }
    }
    cx = cx - Zoom(3) + CharWidthCaractereMusical(kGlypheCleSol);
  }
  if (drawKey && key) {
    if (!drawClef) cx += Zoom(2);
    TextFontMusicale(staff, unite);
    cx = TraceTonalite(staff, previous, key, clef, S16(cx), extra);
  }
  return S16(cx);
}

int16_t TraceDivisionTemps(Portee** staff, int16_t x, int16_t y, int32_t rightLimit,
                           const DivisionTemporelle* division) {
  if (!staff || !division) return x;
  char haut[32], bas[32];
  const bool symbole = CvtDivisionTemporelleEnString(division, haut, bas) == 1;
  TextFontMusicale(staff, Unite(staff));
  int32_t cx = int32_t(x) + Zoom(Mg(kMGEspaceAvantSignature));
  const int32_t lh = TextWidthCaractereMusical(haut), lb = TextWidthCaractereMusical(bas);
  const int32_t w = std::max(lh, lb);
  const int32_t apres = Zoom(Mg(kMGEspaceApresSignature));
  if (rightLimit != kSansLimiteDroite && cx < rightLimit) cx = rightLimit - (apres + w);
  if (symbole) {
    MoveTo(S16(cx), y);
    DrawTextMusical(haut);
    return S16(cx + apres);
  }
  const int32_t c = cx + w / 2;
  const int32_t il = int32_t(Il(staff));
  MoveTo(S16(c - lh / 2), S16(int32_t(y) - il));
  DrawTextMusical(haut);
  if (bas[0]) {
    MoveTo(S16(c - lb / 2), S16(int32_t(y) + il + Zoom(1)));
    DrawTextMusical(bas);
  }
  return S16(c + w / 2 + apres);
}

// ---- The slots.

void InitPorteeStd(Portee** staff) {
  CGrafPtr avant = SetPortTemporaire();
  InitTaillePortee(staff);
  TextFontMusicale(staff, Unite(staff));
  (*staff)->largeurCle = S16(Zoom(59));
  SetPort(reinterpret_cast<GrafPtr>(avant));
}

namespace {

// The screen (or ribbon) y of a note or sign.
int16_t NoteEnY(Portee** staff, int32_t tick, int32_t index, const Signe* note, uint8_t* flags, bool ruban) {
  if (!staff || !note) return 0;
  const Portee& p = **staff;
  const float il = ruban ? (p.interligneRuban > 0.0f ? p.interligneRuban : 6.0f) : Il(staff);
  const float bas = ruban ? float(int64_t(p.aireRuban.top) + p.decalageLigneBasRuban) : BasY(staff);
  const int32_t baseStep = Pas(CvtTempsEnNoteDeBase(staff, tick));
  uint8_t f = 0;
  float y;
  if (note->kind < 0) {
    f = 2;
    y = bas - (note->kind == kSigneSpecial ? il : 2.0f * il);
    const int32_t dy = note->decalageSilence;
    y -= float(ruban ? (p.partition ? ZoomRuban(p.partition, dy) : dy) : Zoom(dy));
  } else {
    int16_t ligne = 0;
    uint8_t montre = kAlterationAucune;
    CalcPosAlterationFnNote(staff, note, &ligne, &montre, index, tick);
    f = uint8_t(montre & 7);
    const bool bas4 = ligne - baseStep >= 4;
    if ((note->flags & kSigneQueueEnBas) || (*staff)->modeQueues == 1 || ((*staff)->modeQueues == 0 && bas4)) f |= 128;
    if (!ruban) f |= uint8_t(note->octet5 & 0x10);
    y = bas - il * 0.5f * float(ligne - baseStep);
  }
  if (flags) *flags = f;
  return S16f(y);
}

}  // namespace

int16_t VectNoteToEcrCleSol(Portee** staff, int32_t tick, int32_t index, const Signe* note, uint8_t* flags) {
  return NoteEnY(staff, tick, index, note, flags, false);
}
int16_t VectNoteToRubanCleSol(Portee** staff, int32_t tick, int32_t index, const Signe* note, uint8_t* flags) {
  return NoteEnY(staff, tick, index, note, flags, true);
}
int16_t VectRuban2NoteCleSol(Portee**, int32_t, int32_t, int16_t*) { return 0; }

void TraceFondPorteeQuarvel(Portee** staff, const Rect* staffRect, int16_t, const Rect* clip, int32_t,
                            uint8_t startLine) {
  if (!staff || !staffRect) return;
  Rect zone = *staffRect;
  if (clip && !SectRect(staffRect, clip, &zone)) return;
  FixeEpaisseurCouleur(Mg(kMGEpaisseurLignePortee), Mg(kMGEpaisseurLignePortee), 288, CouleurPortee(staff));
  const float il = Il(staff);
  float y = BasY(staff) + 5.0f * il + (0.5f - float(GetLastPnSizeV())) * 0.5f;
  const float epaisseur = float(GetDpiDest()) * float(Mg(kMGEpaisseurLignePortee)) / 288.0f;
  for (int k = 0; k < kNbPositions; k++, y -= il)
    if ((*staff)->aspect.afficheLigne[k])
      TraceLigneHorizontale(staff, zone.left, y, S16(int32_t(zone.right) - zone.left - 1), epaisseur,
                            float(Mg(kMGEpaisseurLignePortee)), CouleurPortee(staff));
  // A tablature under the staff draws its lines; a tablature staff draws
  // them itself before this background.
  if (Tablature** t = GetTablature(staff); t && (*staff)->type != kTypePorteeTablature && (*t)->vecteurs.TraceFond)
    (*t)->vecteurs.TraceFond(staff, staffRect, &zone, S16(int32_t((*staff)->rect.top) + (*t)->ligneBaseZoom),
                             startLine && (*staff)->debutLigne);
  if (startLine && Mg(kMGEpaisseurLigneDebut) != 0 && (*staff)->debutLigne) {
    FixeEpaisseurCouleur(Mg(kMGEpaisseurLigneDebut), 1, 288, CouleurPortee(staff));
    MoveTo(staffRect->left, (*staff)->yBarreHaut);
    LineTo(staffRect->left, (*staff)->yBarreBas);
  }
  PenNormal();
  ForeColor(blackColor);
}

static void TraceArmature(Portee** staff, const Rect* rect, int32_t tick, uint8_t withTime, bool neutre) {
  if (!staff || !rect) return;
  Partition** score = (*staff)->partition;
  const int16_t bar = score ? CvtTempsEnMesure(score, tick) : int16_t(0);
  Tonalite key;
  Clef clef;
  if (neutre) {
    clef = CleEtTonaliteNeutres(&key);
    SetForeColor(CouleurPortee(staff));
  } else {
    CvtMesureEnTonalite(staff, bar, &key);
    CvtMesureEnClef(staff, bar, &clef);
  }
  const int16_t extra = S16(Zoom(Unite(staff)) / 6);
  int16_t x = TraceTonaliteArmature(staff, nullptr, &key, &clef, S16(int32_t(rect->left) + Zoom(5)), extra, 1, 1);
  if (withTime && !neutre && score) {
    DivisionTemporelle d;
    CvtMesureEnDivisionTemporelle(score, bar, &d);
    x = TraceDivisionTemps(staff, x, S16f(BasY(staff) - 2.0f * Il(staff)), kSansLimiteDroite, &d);
  }
  if (Tablature** t = GetTablature(staff); t && (*t)->vecteurs.TraceArmature)
    (*t)->vecteurs.TraceArmature(staff, rect, tick, S16(int32_t((*staff)->rect.top) + (*t)->ligneBaseZoom), withTime);
  TextSize(0);
  TextFont(GetStdFont());
  ForeColor(blackColor);
}

void VectTraceArmatureStd(Portee** staff, const Rect* rect, const Rect*, int32_t tick, uint8_t withTime) {
  TraceArmature(staff, rect, tick, withTime, false);
}
static void VectTraceArmatureBatterieStd(Portee** staff, const Rect* rect, const Rect*, int32_t tick, uint8_t) {
  TraceArmature(staff, rect, tick, 0, true);
}

int32_t VectTraceNotesStd(Portee** staff, int16_t x, uint16_t xRef, Signe* signs, int32_t, int32_t first, int32_t count,
                          int16_t bar, int16_t graceIndex, uint8_t proportional) {
  return TraceNotes(staff, x, xRef, signs, first, count, bar, 1, graceIndex, proportional, 0, nullptr);
}

int16_t VectCvtIndexNoteEnAireRubanStd(Portee** staff, int32_t index, BigRect* out) {
  if (!staff || !out) return 0;
  int32_t n = 0;
  Signe* s = GetSignesPortee(staff, &n);
  if (!s || index < 0 || index >= n) return 0;
  const Signe note = s[index];
  Partition** score = (*staff)->partition;
  const int32_t x = CvtIndexNoteEnPixelRubanSelonSensCorps(staff, index);
  const int32_t y = CvtIndexNoteEnPosRubanLin(staff, index);
  const int32_t w = (*staff)->largeurNoteRuban;
  const float r = (*staff)->interligneRuban > 0.0f ? (*staff)->interligneRuban : 6.0f;
  if (note.kind >= 0) {
    *out = BigRect{x, x + w, int32_t(float(y) - 1.0f - r / 3.0f), int32_t(float(y) + 2.0f + r / 3.0f)};
  } else if (note.kind == kSigneRepeteDeuxMesures && score) {
    const int32_t t = CvtIndexNoteEnTemps(staff, index);
    const int32_t cx = CvtMesureEnPixelRubanDebutMesure(score, CvtTempsEnMesure(score, t) + 1);
    *out = BigRect{cx - w, cx + w, int32_t(float(y) - 2.0f * r), y};
  } else if (note.kind == kSigneSpecial) {
    *out = BigRect{x, x + 2 * w, int32_t(float(y) - 2.0f * r), y};
  } else {
    const int32_t z = score ? ZoomRuban(score, 1) : 1;
    BigRect b{x, x + w, int32_t(float(y) - r - float(z)), int32_t(float(y) + r + float(z))};
    const int32_t d = note.duree;
    const int pas = d >= 20160 ? 0 : d >= 10080 ? 1 : d >= 5040 ? 2 : d >= 2520 ? 3 : 4;
    for (int k = 0; k < pas; k++) {
      b.top = int32_t(float(b.top) - r);
      b.right += w / 3;
    }
    *out = b;
  }
  return 1;
}

int16_t TraceBarreMesureQuarvel(Portee** staff, int16_t bar, int16_t x, int16_t, uint8_t drawLine, uint8_t) {
  if (!staff) return x;
  Partition** score = (*staff)->partition;
  if (!score) return 0;
  // Only the first staff of a merged group draws.
  const int16_t i = (*staff)->index;
  if (i > 0 && i < (*score)->nbPortees && (*score)->portees && (*(*score)->portees[i - 1])->fusionneAvecSuivante)
    return x;
  Handle table = GetTabEltMesureEcran(score);
  if (!table) return 0;
  const int32_t rows = GetNbLignesTabElt(table);
  const int16_t nbMesures = (*score)->nbMesures;
  int16_t hx = x;
  if (bar >= 0 && bar < nbMesures) {
    const TabEltMesure row = bar < rows ? GetLignesTabElt(table)[bar] : TabEltMesure{};
    hx = S16(int32_t(x) + (bar < rows ? row.largeurRupture : 0));
    const int16_t couleurCle = CvtMesureEnCouleurClef(staff, bar);
    SetForeColor(couleurCle >= 1 ? couleurCle : CouleurPortee(staff));
    const uint32_t vis = CvtMesureEnVisible(staff, bar);
    // SEAM(notation): marks hooked on the key and clef entry of a bar are
    // drawn with the mark drawing.
    const int16_t extra = S16(Zoom(Unite(staff)) / 6);
    const int16_t avantCle = S16(Zoom(Mg(kMGEspaceAvantCle)));
    if (row.marquePagination && CvtMesureEnFondVisible(staff, bar)) {
      Tonalite key, previous;
      Clef clef;
      bool keyShown = false, clefShown = false;
      CalculeTonaliteCleAfficheMesure(staff, bar, &key, &previous, &keyShown, &clef, &clefShown);
      hx = TraceTonaliteArmature(staff, &previous, &key, &clef, S16(int32_t(hx) + avantCle), extra, clefShown ? 1 : 0,
                                 keyShown ? 1 : 0);
    } else if (vis & (kVisibleClef | kVisibleArmure)) {
      Tonalite key, previous;
      Clef clef;
      GetPrevTonaliteVisible(staff, int16_t(bar - 1), &previous);
      CvtMesureEnTonalite(staff, bar, &key);
      CvtMesureEnClef(staff, bar, &clef);
      hx =
          TraceTonaliteArmature(staff, &previous, &key, &clef, S16(int32_t(hx) + ((vis & kVisibleClef) ? avantCle : 0)),
                                extra, (vis & kVisibleClef) ? 1 : 0, (vis & kVisibleArmure) ? 1 : 0);
    }
    if (vis & kVisibleSignature) {
      DivisionTemporelle d;
      CvtMesureEnDivisionTemporelle(score, bar, &d);
      const int32_t limite = int32_t(x) + (bar < rows ? row.largeurRupture + row.largeurCleArmure : 0);
      hx = TraceDivisionTemps(staff, hx, S16f(BasY(staff) - 2.0f * Il(staff)), bar < rows ? limite : kSansLimiteDroite,
                              &d);
    }
    if (Tablature** t = GetTablature(staff);
        bar == 0 && t && !(*staff)->enteteTablature && (*t)->vecteurs.TraceArmature) {
      const Rect r{(*staff)->rect.top, x, (*staff)->rect.bottom, (*staff)->rect.right};
      (*t)->vecteurs.TraceArmature(staff, &r, 0, S16(int32_t((*staff)->rect.top) + (*t)->ligneBaseZoom),
                                   (vis & kVisibleSignature) ? 1 : 0);
    }
    if ((*staff)->flagNumeroMesure) AfficheNumeroMesure(staff, x, bar);
    ForeColor(blackColor);
  }
  // The bar line.
  int16_t propre = 0;
  const bool rupture = AfficheRuptures(score, staff, bar, x, S16f(BasY(staff)), false, &propre);
  const bool dedans = bar >= 0 && bar < nbMesures;
  // A bar cut from the one before continues it: no plain line between them.
  const bool coupee = bar >= 1 && bar - 1 < rows && GetLignesTabElt(table)[bar - 1].continueLigneSuivante;
  bool candidat = rupture ? (dedans && !propre && drawLine && coupee) : drawLine != 0;
  if (candidat && Mg(kMGEpaisseurBarre) != 0 && !(*staff)->cacheBarresMesure &&
      ((*staff)->lignesTraversantes || (dedans && !coupee)) &&
      (CvtMesureEnFondVisible(staff, int16_t(bar - 1)) || CvtMesureEnFondVisible(staff, bar))) {
    FixeEpaisseurCouleur(Mg(kMGEpaisseurBarre), 1, 288, CouleurPortee(staff));
    MoveTo(x, (*staff)->yBarreHaut);
    LineTo(x, (*staff)->yBarreBas);
    PenNormal();
    ForeColor(blackColor);
    if (Tablature** t = GetTablature(staff); t && (*t)->vecteurs.TraceBarre)
      (*t)->vecteurs.TraceBarre(staff, bar, x, 0, 0);
  }
  if (drawLine) TraceBarreMesureLigneTextes(staff, x);
  return bar < 0 ? x : hx;
}

void InitPorteeQuarvel(Portee** staff) {
  Portee* p = *staff;
  p->type = kTypePorteeStandard;
  VecteursPortee& v = p->vecteurs;
  v.vect_Note2Ecr = &VectNoteToEcrCleSol;
  v.vect_Note2Ruban = &VectNoteToRubanCleSol;
  v.HauteurRuban2Note = &VectRuban2NoteCleSol;
  v.vect_Ruban2Note = &VectRuban2NoteCleSol;
  v.vect_trace_fond_portee = &TraceFondPorteeQuarvel;
  v.vect_trace_armature = &VectTraceArmatureStd;
  v.vect_trace_notes = &VectTraceNotesStd;
  v.vect_init_portee = &InitPorteeStd;
  v.vect_trace_barre_mesure = &TraceBarreMesureQuarvel;
  v.CvtIndexNoteEnAireRuban = &VectCvtIndexNoteEnAireRubanStd;
  p->flagGrilleAccord = 1;
  p->codeMiseEnPage1 = 4;
  p->codeMiseEnPage2 = 4;
  p->flagAffichage = 1;
}

void InitPorteeBatterieStd(Portee** staff) {
  InitPorteeQuarvel(staff);
  Portee* p = *staff;
  p->type = kTypePorteeBatterieStd;
  p->vecteurs.HauteurRuban2Note = nullptr;
  p->vecteurs.vect_trace_armature = &VectTraceArmatureBatterieStd;
  p->flagGrilleAccord = 0;
}

bool IsAfficheLignePortee(Portee** staff, int16_t n) {
  if (!staff || n < kPremiereLignePortee || n > kDerniereLignePortee) return false;
  return (*staff)->aspect.afficheLigne[n - kPremiereLignePortee] != 0;
}

void SetAfficheLignePortee(Portee** staff, int16_t n, uint8_t shown) {
  if (!staff || n < kPremiereLignePortee || n > kDerniereLignePortee) return;
  (*staff)->aspect.afficheLigne[n - kPremiereLignePortee] = shown;
}

int16_t CvtDivisionTemporelleEnString(const DivisionTemporelle* division, char* top, char* bottom) {
  top[0] = bottom[0] = 0;
  if (!division) return 0;
  const DivisionTemporelle& d = *division;
  if (d.octet1 && d.partieAdditive2 == 0 && d.numerateur == d.denominateur &&
      (d.numerateur == 2 || d.numerateur == 4)) {
    std::snprintf(top, 16, "%s", d.numerateur == 2 ? "C" : "c");
    return 1;
  }
  if (d.denominateur >= 1) std::snprintf(bottom, 16, "%hd", d.denominateur);
  // An additive signature shows its two parts.
  if (d.partieAdditive2 >= 1 && d.partieAdditive1 >= 1)
    std::snprintf(top, 16, "%hd+%hd", d.partieAdditive1, d.partieAdditive2);
  else if (d.numerateur > 0) std::snprintf(top, 16, "%hd", d.numerateur);
  return 0;
}
