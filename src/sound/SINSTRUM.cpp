#include "sound/SINSTRUM.h"

#include <strings.h>

#include <algorithm>
#include <cstring>

#include "model/Matrices.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "platform/Memory.h"
#include "plugin/ServicesInertes.h"
#include "sound/Lecture.h"
#include "sound/OrganeDigit.h"
#include "sound/ParamFX.h"
#include "system/Handles.h"
#include "system/Reporters.h"
#include "system/Strings.h"

int32_t gOrganeChoisi = -1;
int16_t NbMesuresMetronome = 0;

namespace {

// The table grows by this many records at a time.
constexpr int16_t kPasInstruments = 16;

Instrument* Table(Partition** score) {
  return score && (*score)->instruments ? reinterpret_cast<Instrument*>(*(*score)->instruments) : nullptr;
}

// Records the table's block really holds: the count never claims more.
int16_t NbInstruments(Partition** score) {
  if (!Table(score)) return 0;
  const Size tenus = GetHandleSize((*score)->instruments) / Size(sizeof(Instrument));
  return int16_t(std::min<Size>((*score)->nbInstruments, tenus));
}

}  // namespace

void InstrumentParDefaut(Instrument* r, int16_t index) {
  std::memset(r, 0, sizeof(Instrument));
  r->index = index;
  r->auxFlag = 1;
  r->midiWord2 = 127;
  if (gOrganeChoisi < 0) {
    MeilleurOrganeSortie();
  } else {
    r->organCode = uint32_t(gOrganeChoisi);
  }
  r->volumeOn = 1;
  r->volume = 127;
  r->pan = 64;
  r->defaultRef = kRefSonAucun;
  for (SlotSonInstrument& s : r->digitArea.modele.slots) s.soundRef = kRefSonAucun;
  SetDefaultParamFX(&r->effects);
}

int16_t CreeTableauInstrument(Partition** score, int16_t n) {
  if (!score) return 0;
  DisposeInstruments(score);
  if (n < 0) n = 0;
  Handle h = NewHandleClear(Size(n) * Size(sizeof(Instrument)));
  if (!h) return 0;
  (*score)->instruments = h;
  (*score)->nbInstruments = n;
  Instrument* t = Table(score);
  for (int16_t i = 0; i < n; i++) InstrumentParDefaut(&t[i], i);
  return 1;
}

Instrument* GetInstrument(Partition** score, int16_t index) {
  if (index < 0 || index >= NbInstruments(score)) return nullptr;
  return &Table(score)[index];
}

int16_t AjouteInstrument(Partition** score) {
  if (!score) return -1;
  PauseMusique();
  int16_t index = -1;
  if (!(*score)->instruments) {
    if (CreeTableauInstrument(score, kPasInstruments)) index = 0;
  } else {
    const int16_t n = NbInstruments(score);
    for (int16_t i = 0; i < n && index < 0; i++)
      if (!Table(score)[i].inUse) index = i;
    // All in use: the table grows, or stays as it was when it cannot.
    if (index < 0 && n <= INT16_MAX - kPasInstruments &&
        RetailleHandle((*score)->instruments, Size(n + kPasInstruments) * Size(sizeof(Instrument)))) {
      Instrument* t = Table(score);
      for (int16_t i = n; i < n + kPasInstruments; i++) InstrumentParDefaut(&t[i], i);
      (*score)->nbInstruments = int16_t(n + kPasInstruments);
      index = n;
    }
  }
  if (index >= 0) {
    Instrument* r = &Table(score)[index];
    InstrumentParDefaut(r, index);
    r->inUse = 1;
    // Staves are rebound only while the score plays, which never happens here.
    if (IsPartitionMusiqueEnCours(score))
      for (int16_t s = 0; s < (*score)->nbPortees; s++)
        if ((*(*score)->portees[s])->instrument >= 0) InitInstrumentPortee(score, (*score)->portees[s]);
  }
  DePauseMusique();
  return index;
}

void SetNomInstrument(Partition** score, int16_t index, const char* name) {
  Instrument* r = GetInstrument(score, index);
  if (!r || !r->inUse) BigBadError("SINSTRUM", 18);
  if (r) strnzcpy(r->name, name ? name : "", sizeof r->name);
}

int16_t RechercheInstrumentParNom(Partition** score, const char* text, int16_t skipIndex) {
  if (!text) return -1;
  const int16_t n = NbInstruments(score);
  for (int16_t i = 0; i < n; i++) {
    const Instrument& r = Table(score)[i];
    if (r.inUse && i != skipIndex && strcasecmp(r.name, text) == 0) return i;
  }
  return -1;
}

bool IsInstrumentMetronome(Partition** score, int16_t index) {
  // A score without its metronome instruments holds zeroes in their indexes:
  // instrument 0 is no metronome then.
  if (!score || !(*score)->metronome || index < 0) return false;
  return index == (*score)->instrumentClic || index == (*score)->instrumentCloche;
}

int16_t InstrumentUtiliseCombienDeFois(Partition** score, int16_t index) {
  if (!score || index < 0) return 0;
  int32_t n = IsInstrumentMetronome(score, index) ? 1 : 0;
  for (int16_t i = 0; (*score)->portees && i < (*score)->nbPortees; i++) {
    const Portee* p = *(*score)->portees[i];
    if (p->instrument == index && p->typeVolatile == 0 && p->affichee) n++;
  }
  // SEAM(model): which field of a law names its instrument is not settled;
  // laws add no use until it is.
  const Partition* p = *score;
  const int32_t nbAcc =
      p->accompagnements ? int32_t(GetHandleSize(p->accompagnements) / Size(sizeof(Accompagnement))) : 0;
  for (int16_t a = 0; a < std::min<int32_t>(nbAcc, p->nbAccompagnements); a++) {
    const Accompagnement& acc = reinterpret_cast<const Accompagnement*>(*(*score)->accompagnements)[a];
    if (acc.instrument == uint16_t(index) && IsAccompagnementUtilise(score, a)) n++;
  }
  const int32_t nbRyt = p->banqueRythmes ? int32_t(GetHandleSize(p->banqueRythmes) / Size(sizeof(Rythme))) : 0;
  for (int16_t r = 0; r < std::min<int32_t>(nbRyt, p->nbRythmes); r++) {
    if (!IsRythmeUtilise(score, r)) continue;
    const Rythme& ry = reinterpret_cast<const Rythme*>(*(*score)->banqueRythmes)[r];
    if (!ry.portees) continue;
    const int32_t place = int32_t(GetHandleSize(ry.portees) / Size(sizeof(PorteeRythme)));
    for (int16_t s = 0; s < std::min<int32_t>(place, ry.nbPortees); s++)
      if (reinterpret_cast<const PorteeRythme*>(*ry.portees)[s].instrument == uint16_t(index)) n++;
  }
  return int16_t(std::min<int32_t>(n, INT16_MAX));
}

namespace {

// A metronome instrument: a drum note on channel 10 of the sampled device.
int16_t AjouteMetronome(Partition** score, const char* name, int16_t note, uint16_t pan, int32_t id) {
  const int16_t i = AjouteInstrument(score);
  if (i < 0) return -1;
  SetNomInstrument(score, i, name);
  Instrument* r = GetInstrument(score, i);
  r->channel = 9;
  r->organCode = kOrganeObsn;
  r->organPort = 0;
  r->note = note;
  r->drumNote = uint16_t(note);
  r->midiWord2 = 127;
  r->volume = 127;
  r->pan = pan;
  r->panOn = 1;
  r->soundId = uint32_t(id);
  r->auxFlag = 1;
  r->isDrum = 1;
  return i;
}

}  // namespace

void CreeInstrumentsMetronome(Partition** score) {
  if (!score) return;
  (*score)->metronome = 1;
  const int16_t cloche = AjouteMetronome(score, "Metronome Bell", 34, 32, kIdMetronomeCloche);
  if (cloche < 0) return;
  (*score)->instrumentCloche = cloche;
  const int16_t clic = AjouteMetronome(score, "Metronome Click", 33, 96, kIdMetronomeClic);
  if (clic < 0) return;
  (*score)->instrumentClic = clic;
}

void SetRealTimeMetronome(int16_t bars) { NbMesuresMetronome = bars; }

int16_t LibereDonneesInstrument(Instrument* r) {
  LibereDonneesInstrumentDigit(r);
  return 1;
}

void DisposeInstruments(Partition** score) {
  if (!score) return;
  Partition* p = *score;
  if (p->instruments) {
    // Every record the block holds, in use or not: a record given up keeps no sound.
    const Size n = GetHandleSize(p->instruments) / Size(sizeof(Instrument));
    for (Size i = 0; i < n; i++) LibereDonneesInstrument(&reinterpret_cast<Instrument*>(*p->instruments)[i]);
    DisposeHandle(p->instruments);
  }
  p->instruments = nullptr;
  p->nbInstruments = 0;
}

int16_t InitInstrumentPortee(Partition** score, Portee** staff) {
  if (!score || !staff) return 0;
  (*staff)->aireOrgane.instrument = nullptr;
  if ((*staff)->type == kTypePorteeTempo) return FixeOrganeTempo(staff);
  const int16_t index = (*staff)->instrument;
  if (index < 0 || index >= NbInstruments(score)) {
    BigBadError("SINSTRUM", 16);
    return 0;
  }
  Instrument* r = GetInstrument(score, index);
  if (!r->inUse) {
    BigBadError("SINSTRUM", 17);
    return 0;
  }
  (*staff)->aireOrgane.instrument = r;
  r->useCount++;
  if (r->organCode == kOrganeExmo || r->organCode == kOrganeObsn || r->organCode == kOrganeKivs)
    return FixeOrganeDigit(staff);
  r->useCount--;
  return 0;
}

void TermineInstrumentPortee(Partition**, Portee** staff) {
  if (!staff) return;
  Instrument* r = (*staff)->aireOrgane.instrument;
  if (!(*staff)->organe.deleteOrgane || !r || r->useCount == 0) return;
  if (--r->useCount == 0) {
    reinterpret_cast<OrganeDeleteProc>((*staff)->organe.deleteOrgane)(staff, &(*staff)->aireOrgane);
    (*staff)->aireOrgane.instrument = nullptr;
  }
}

int16_t RsrcDgitInstrument(int16_t family, uint16_t program) {
  const int16_t q = int16_t(program >> 7);
  return int16_t(family * 100 + (q % 10) * 10 + (q / 10) % 10);
}

int16_t RsrcDgitBatterie(int16_t kit, int16_t note) {
  const int32_t base = kIdSonBatterie + (kit >= 0 && kit < 64 ? kit * 125 : 0);
  return int16_t(base + std::min<int16_t>(note, 124));
}

void CvtIDBatterieEnParamMidi(int16_t, int32_t id, int16_t* kit, uint8_t* melodic, uint16_t* program, int16_t* note) {
  int16_t k = 0, n = 0;
  uint8_t m = 1;
  if (id >= kIdSonBatterie) {
    const int32_t x = id - kIdSonBatterie;
    k = int16_t(x / 125);
    n = int16_t(x - k * 125);
    m = 0;
  }
  if (kit) *kit = k;
  if (melodic) *melodic = m;
  if (program) *program = 0xFFFF;
  if (note) *note = n;
}

int16_t CvtIdStandardEnParamMIDIInstrument(Instrument* r) {
  if (!r) return 0;
  const int32_t id = int16_t(uint16_t(r->soundId));
  if (id < kIdSonBatterie) {
    const int32_t bank = id / 100, reste = id - bank * 100;
    r->bank = uint16_t(bank);
    r->program = uint16_t(((reste / 10) + (reste % 10) * 10) << 7);
    r->melodic = 1;
    r->drumNote = 0;
    return int16_t(r->program);
  }
  const int32_t x = id - kIdSonBatterie;
  r->bank = uint16_t(x / 125);
  r->program = 0xFFFF;
  r->drumNote = uint16_t(x - r->bank * 125);
  r->melodic = 0;
  return int16_t(r->bank);
}
