#include "stafftypes/PorteeTablature.h"

#include <algorithm>

#include "model/CvtTemps.h"
#include "model/PartGroups.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/Signe.h"
#include "model/TabEltMesure.h"
#include "model/Tonalite.h"
#include "notation/BarresMesure.h"
#include "notation/NotesPortee.h"
#include "platform/Memory.h"
#include "platform/QuickDraw.h"
#include "stafftypes/PorteeQuarvel.h"
#include "stafftypes/Tablature.h"

namespace {

Tablature* Record(Portee** staff) {
  Tablature** t = GetTablature(staff);
  return t ? *t : nullptr;
}

int16_t S16(int64_t v) { return int16_t(std::clamp<int64_t>(v, INT16_MIN, INT16_MAX)); }

// The y of the tablature's first line.
int16_t Haut(Portee** staff, const Tablature& t) { return S16(int32_t((*staff)->rect.top) + t.ligneBaseZoom); }

void TraceFondTablature(Portee** staff, const Rect* staffRect, int16_t headerEnd, const Rect* clip, int32_t tick,
                        uint8_t startLine) {
  Tablature* t = Record(staff);
  if (!t || !staffRect) return;
  Rect zone = *staffRect;
  if (clip && !SectRect(staffRect, clip, &zone)) return;
  if (t->vecteurs.TraceFond) t->vecteurs.TraceFond(staff, staffRect, &zone, Haut(staff, *t), startLine);
  t = Record(staff);
  if (t && (t->flagsAffichage & kTablatureAfficheNotation))
    TraceFondPorteeQuarvel(staff, staffRect, headerEnd, clip, tick, startLine);
}

void TraceArmatureTablature(Portee** staff, const Rect* rect, const Rect*, int32_t tick, uint8_t withTime) {
  const Tablature* t = Record(staff);
  if (t && t->vecteurs.TraceArmature) t->vecteurs.TraceArmature(staff, rect, tick, Haut(staff, *t), withTime);
}

int32_t TraceNotesTablature(Portee** staff, int16_t x, uint16_t xRef, Signe* signs, int32_t, int32_t first,
                            int32_t count, int16_t bar, int16_t graceIndex, uint8_t proportional) {
  Tablature** h = GetTablature(staff);
  if (!h || !signs || first < 0 || first >= count) return first + 1;
  signs[first].xRelatifMesure = 0;
  const uint8_t flags = (*h)->flagsAffichage;
  if (signs[first].kind == kSigneSilence && (flags & kTablatureAfficheSilences))
    TraceNotes(staff, x, xRef, signs, first, count, bar, 1, graceIndex, proportional, 0, nullptr);
  int32_t suivant = first + 1;
  if (flags & kTablatureAfficheNotation) {
    VecteursPortee& v = (*staff)->vecteurs;
    v.vect_Note2Ecr = &VectNoteToEcrCleSol;
    v.vect_Note2Ruban = &VectNoteToRubanCleSol;
    suivant = TraceNotes(staff, x, xRef, signs, first, count, bar, 1, graceIndex, proportional, 0, nullptr);
    if (Tablature** r = GetTablature(staff)) {
      (*staff)->vecteurs.vect_Note2Ecr = (*r)->vecteurs.CvtNoteToEcr;
      (*staff)->vecteurs.vect_Note2Ruban = (*r)->vecteurs.CvtNoteToRuban;
    }
  }
  h = GetTablature(staff);
  if (!h || !((*h)->flagsAffichage & kTablatureAfficheTablature)) return suivant;
  // Without stems the record's note slot writes every note: the walk only
  // moves on (stems of the standard kind would stand on the strings).
  if (!((*h)->flagsAffichage & kTablatureAfficheQueues)) return suivant;
  const int16_t sens = ((*h)->flagsAffichage & kTablatureQueuesEnBas) ? int16_t(-1) : int16_t(1);
  HLock(reinterpret_cast<Handle>(h));
  const int32_t r = TraceNotes(staff, x, xRef, signs, first, count, bar, 0, graceIndex, proportional, sens, *h);
  HUnlock(reinterpret_cast<Handle>(h));
  return r;
}

int16_t TraceBarreMesureTablature(Portee** staff, int16_t bar, int16_t x, int16_t clipTop, uint8_t drawLine,
                                  uint8_t option) {
  Tablature** h = GetTablature(staff);
  Partition** score = staff ? (*staff)->partition : nullptr;
  if (!h || !score) return x;
  Handle table = GetTabEltMesureEcran(score);
  const int32_t rows = table ? GetNbLignesTabElt(table) : 0;
  const TabEltMesure* lignes = table ? GetLignesTabElt(table) : nullptr;
  const bool dedans = bar >= 0 && bar < (*score)->nbMesures;
  const TabEltMesure row = lignes && bar >= 0 && bar < rows ? lignes[bar] : TabEltMesure{};
  if ((*h)->vecteurs.TraceClefChange && dedans)
    (*h)->vecteurs.TraceClefChange(staff, bar, S16(int32_t(x) + row.largeurRupture));
  int16_t propre = 0;
  const int16_t haut = Haut(staff, **h);
  const bool rupture = AfficheRuptures(score, staff, bar, x, haut, !drawLine, &propre);
  h = GetTablature(staff);
  if (!h) return x;
  // Where the standard staff draws no plain line (a system's first bar), the
  // tablature draws none either.
  if (drawLine && (!rupture || (dedans && !propre && row.continueLigneSuivante)) && (*h)->vecteurs.TraceBarre)
    (*h)->vecteurs.TraceBarre(staff, bar, x, 0, 0);
  // SEAM(stafftypes): the bar lines of the staff's lyric lines are drawn with
  // the text lines.
  h = GetTablature(staff);
  if (!h) return x;
  const uint8_t flags = (*h)->flagsAffichage;
  if ((bar == 0 || !(flags & kTablatureAfficheNotation)) && (*h)->vecteurs.TraceArmature && bar >= 0) {
    const Rect& a = (*staff)->rect;
    const Rect r{a.top, x, a.bottom, a.right};
    // From bar 1 on the time-signature change slot draws the signature.
    const uint8_t signature = bar == 0 && (CvtMesureEnVisible(staff, bar) & kVisibleSignature) ? 1 : 0;
    (*h)->vecteurs.TraceArmature(staff, &r, CvtMesureEnTemps(score, bar), Haut(staff, **h), signature);
  }
  if (flags & kTablatureAfficheNotation) {
    Portee** proprietaire = GetPorteeFromTablature(score, h);
    if (!proprietaire) proprietaire = staff;
    const Handle garde = (*proprietaire)->tablature;
    const uint32_t type = (*staff)->type;
    const int16_t haute = (*staff)->yBarreHaut, basse = (*staff)->yBarreBas;
    const int16_t y1 = CalculePosLigneEcranBarreMesure(staff, 1), y2 = CalculePosLigneEcranBarreMesure(staff, 2);
    (*proprietaire)->tablature = nullptr;
    (*staff)->type = kTypePorteeStandard;
    (*staff)->yBarreHaut = y1;
    (*staff)->yBarreBas = y2;
    TraceBarreMesureQuarvel(staff, bar, x, clipTop, drawLine, option);
    (*proprietaire)->tablature = garde;
    (*staff)->type = type;
    (*staff)->yBarreHaut = haute;
    (*staff)->yBarreBas = basse;
  } else if ((*staff)->type == kTypePorteeTablature && (*staff)->flagNumeroMesure && dedans) {
    AfficheNumeroMesure(staff, x, bar);
  }
  return x;
}

}  // namespace

void InitPorteeTablature(Portee** staff) {
  Tablature** t = GetTablature(staff);
  if (!t) return;
  Portee* p = *staff;
  p->type = kTypePorteeTablature;
  p->flagGrilleAccord = 1;
  VecteursPortee& v = p->vecteurs;
  v.vect_init_portee = &InitPorteeStd;
  v.vect_trace_fond_portee = &TraceFondTablature;
  v.vect_trace_armature = &TraceArmatureTablature;
  v.vect_Note2Ecr = (*t)->vecteurs.CvtNoteToEcr;
  v.vect_Note2Ruban = (*t)->vecteurs.CvtNoteToRuban;
  v.HauteurRuban2Note = nullptr;
  v.vect_Ruban2Note = &VectRuban2NoteCleSol;
  v.vect_trace_notes = &TraceNotesTablature;
  v.vect_trace_barre_mesure = &TraceBarreMesureTablature;
  // Menus and clicks are never called here.
  v.vect_installe_menu = nullptr;
  v.vect_click_shift = nullptr;
  v.vect_traite_option_menu = nullptr;
  v.CvtIndexNoteEnAireRuban = &VectCvtIndexNoteEnAireRubanStd;
  p->codeMiseEnPage1 = 4;
  p->codeMiseEnPage2 = 3;
  p->flagAffichage = 1;
}
