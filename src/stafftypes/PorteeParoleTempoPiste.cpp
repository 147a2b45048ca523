#include "stafftypes/PorteeParoleTempoPiste.h"

#include <cmath>

#include "model/Partition.h"
#include "model/Portee.h"
#include "model/Signe.h"
#include "sound/PisteNumerique.h"
#include "sound/SCvtdgit.h"

// SEAM(stafftypes): the installers set the type and its per-type fields; the
// operation slots come with each type's drawing.
void InitPorteeParole(Portee** staff) {
  Portee* p = *staff;
  p->type = kTypePorteeParole;
  p->instrument = kInstrumentAucun;
  p->codeMiseEnPage1 = 1;
  p->codeMiseEnPage2 = 1;
  p->flagAffichage = 1;
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
