#include "stafftypes/PorteeParoleTempoPiste.h"

#include <algorithm>
#include <cmath>

#include "layout/ServicesMiseEnPage.h"
#include "model/QRVPOBJ.h"
#include "model/Ruptures.h"
#include "notation/BarresMesure.h"
#include "notation/TaillesPortee.h"
#include "stafftypes/PorteeKaraoke.h"
#include "system/Couleurs.h"
#include "system/PortLayer.h"
#include "text/Fontes.h"

#include "model/Partition.h"
#include "model/Portee.h"
#include "model/Signe.h"
#include "sound/PisteNumerique.h"
#include "sound/SCvtdgit.h"

namespace {

int16_t S16(int64_t v) { return int16_t(std::clamp<int64_t>(v, -32767, 32767)); }

// Slot 0: the metrics, with a header of 59 points whatever the zoom.
void InitPorteeParoleMetriques(Portee** staff) {
  CGrafPtr avant = SetPortTemporaire();
  InitTaillePortee(staff);
  TextFontMusicale(staff, (*staff)->aspect.tailleUnite);
  (*staff)->largeurCle = 59;
  SetPort(avant);
}

void TraceFondParole(Portee** staff, const Rect* staffRect, int16_t, const Rect*, int32_t, uint8_t) {
  TraceFondLigneTextes(staff, staffRect);
}

int16_t NoteEnYParole(Portee**, int32_t, int32_t, const Signe*, uint8_t* flags) {
  if (flags) *flags = 0;
  return 0;
}

int16_t RubanEnNoteParole(Portee**, int32_t, int32_t, int16_t*) { return -2; }

// A lyrics staff draws no note: the walk goes on after the first one.
int32_t TraceNotesParole(Portee**, int16_t, uint16_t, Signe*, int32_t, int32_t first, int32_t, int16_t, int16_t,
                         uint8_t) {
  return first + 1;
}

void RienParole() {}

// Slot 8: a guide line at the bar line, the bar number, the text lines' bar
// lines, and the texts of the bar's plain bar lines.
int16_t TraceBarreMesureParole(Portee** staff, int16_t bar, int16_t x, int16_t, uint8_t drawLine, uint8_t) {
  if (!staff || !(*staff)->partition) return x;
  Partition** score = (*staff)->partition;
  if (!(*staff)->cacheBarresMesure) {
    bool trace = true;
    if ((*staff)->lignesTexte[0].guides) SetForeColor(33);
    else if (IsTraceReperes(score)) SetRGBForeColor(53248, 53248, 53248);
    else trace = false;
    if (trace) {
      MoveTo(x, (*staff)->rect.top);
      LineTo(x, (*staff)->rect.bottom);
      SetForeColor(1);
    }
  }
  if ((*staff)->flagNumeroMesure) AfficheNumeroMesure(staff, x, bar);
  if (drawLine) TraceBarreMesureLigneTextes(staff, x);
  if (IsPrintRupture(score, staff)) {
    for (int16_t i = RechercheRupture(score, 0, bar); i >= 0; i = RechercheRupture(score, int16_t(i + 1), bar)) {
      Rupture* r = GetRupture(score, i);
      if (!r || r->barre != 0) continue;
      Rect barre, texte;
      CalculeAiresEcranRelativesRupture(score, staff, r, &barre, &texte);
      MoveTo(S16(int32_t(texte.left) + x), S16(int32_t(texte.bottom) + (*staff)->yBas));
      AfficheTexteRupture(score, staff, r, (*staff)->aspect.tailleUnite, true, false);
    }
  }
  return x;
}

}  // namespace

void InitPorteeParole(Portee** staff) {
  Portee* p = *staff;
  p->type = kTypePorteeParole;
  p->instrument = kInstrumentAucun;
  p->codeMiseEnPage1 = 1;
  p->codeMiseEnPage2 = 1;
  p->flagAffichage = 1;
  VecteursPortee& v = p->vecteurs;
  v = VecteursPortee{};
  v.vect_init_portee = &InitPorteeParoleMetriques;
  v.vect_trace_fond_portee = &TraceFondParole;
  v.vect_Note2Ecr = &NoteEnYParole;
  v.vect_Note2Ruban = &NoteEnYParole;
  v.vect_Ruban2Note = &RubanEnNoteParole;
  v.vect_trace_notes = &TraceNotesParole;
  v.vect_trace_barre_mesure = &TraceBarreMesureParole;
  v.vect_installe_menu = &RienParole;
  v.vect_traite_option_menu = &RienParole;
  // The lyrics line shows one row with its guides, and widens the bars to
  // its syllables.
  // Its line is shown; the texts' karaoke switch (and with it the singing
  // and the room under a staff) stays the document's.
  p->ligneParolesAffichee = 1;
  LigneTexte& l = p->lignesTexte[0];
  l.nbLignes = 1;
  l.guides = 1;
  l.echelleIdeale = 1;
  InitChantConfigPortee(staff);
  SetStyleCellulesKaraoke(staff, kLigneTexteParoles, 1);
  DisposeNotes(staff);
}

void InitPorteeTempo(Portee** staff) {
  Portee* p = *staff;
  p->type = kTypePorteeTempo;
  p->flagGrilleAccord = 0;
  p->instrument = kInstrumentAucun;
}

void InitPorteePisteNumerique(Portee** staff, uint32_t rateCode, int16_t bits) {
  Portee* p = *staff;
  p->type = kTypePorteePisteNumerique;
  p->instrument = kInstrumentPisteNumerique;
  p->codeMiseEnPage1 = 2;
  p->codeMiseEnPage2 = 1;
  p->flagAffichage = 1;
  // No output is ever set up here, so the defaults are 44100 Hz and 16 bits.
  SetFormatPisteNumerique(staff, rateCode ? SampleRateToFrequency(rateCode) : 44100, bits ? bits : 16);
}

float GetTempoFinPartition(Partition** score) {
  if (!score) return 0.0f;
  return float((*score)->tempo) + float((*score)->fractionTempo) / 65535.0f;
}

float CvtNoteEnTempo(const Signe* note) {
  if (!note) return 0.0f;
  return float(note->pourcentJoue) + float(note->decalageArpege) / 32000.0f;
}

void InjecteTempoDansNote(Signe* note, float tempo) {
  if (!note) return;
  // Held to what the two 16-bit fields can carry.
  if (!(tempo >= 0.0f)) tempo = 0.0f;
  if (tempo > 65535.0f) tempo = 65535.0f;
  note->pourcentJoue = uint16_t(tempo);
  note->decalageArpege = int16_t((tempo - float(note->pourcentJoue)) * 32000.0f);
}

float CvtOldHauteurTempoToNewTempo(const Signe* note) {
  if (!note || note->kind <= 0) return 25.0f;
  // Old tempo staves spread 25 quarters a minute and up over the pitches, by
  // a constant ratio per step.
  return 25.0f * std::pow(1.022248561f, float(note->kind - 1));
}

// SEAM(stafftypes): a digital track's cells come with its drawing; until then
// no bar has a cell.
bool CalculeAireCelluleEcranPisteNumerique(Partition**, Portee**, int32_t, int32_t, Rect* out, int32_t) {
  if (out) *out = Rect{};
  return false;
}

// SEAM(stafftypes): the tempo staff's events are not built yet.
void SupprimeNotesPorteeTempoSousEvenements(Partition**) {}
