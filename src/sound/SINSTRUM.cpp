#include "sound/SINSTRUM.h"

#include <cstring>

#include "model/Partition.h"
#include "model/Portee.h"
#include "platform/Memory.h"
#include "system/Reporters.h"
#include "system/Strings.h"

// The table grows by this many records at a time.
static constexpr int16_t kPasInstruments = 16;

static void InstrumentDefaut(Instrument* r, int16_t index) {
  std::memset(r, 0, sizeof(Instrument));
  r->index = index;
  r->auxFlag = 1;
  r->midiWord2 = 127;
  r->volumeOn = 1;
  r->volume = 127;
  r->pan = 64;
  r->defaultRef = 9999;
  for (SlotSonInstrument& s : r->digitArea.slots) s.soundRef = 9999;
}

int16_t AjouteInstrument(Partition** score) {
  if (!score) return -1;
  Partition* p = *score;
  int16_t n = p->nbInstruments;
  Instrument* t = p->instruments ? reinterpret_cast<Instrument*>(*p->instruments) : nullptr;
  int16_t index = -1;
  for (int16_t i = 0; t && i < n; i++)
    if (!t[i].inUse) {
      index = i;
      break;
    }
  if (index < 0) {
    if (n > INT16_MAX - kPasInstruments) return -1;
    Size taille = Size(n + kPasInstruments) * Size(sizeof(Instrument));
    if (!p->instruments) {
      p->instruments = NewHandleClear(taille);
      if (!p->instruments) return -1;
    } else {
      SetHandleSize(p->instruments, taille);
      if (MemError() != noErr) return -1;
    }
    t = reinterpret_cast<Instrument*>(*p->instruments);
    for (int16_t i = n; i < n + kPasInstruments; i++) InstrumentDefaut(&t[i], i);
    p->nbInstruments = int16_t(n + kPasInstruments);
    index = n;
  }
  InstrumentDefaut(&t[index], index);
  t[index].inUse = 1;
  return index;
}

void SetNomInstrument(Partition** score, int16_t index, const char* name) {
  if (!score || !(*score)->instruments || index < 0 || index >= (*score)->nbInstruments) {
    BigBadError("SINSTRUM", 18);
    return;
  }
  Instrument& r = reinterpret_cast<Instrument*>(*(*score)->instruments)[index];
  if (!r.inUse) BigBadError("SINSTRUM", 18);
  strnzcpy(r.name, name ? name : "", sizeof r.name);
}

void DisposeInstruments(Partition** score) {
  if (!score) return;
  Partition* p = *score;
  if (p->instruments) {
    int32_t n = GetHandleSize(p->instruments) / int32_t(sizeof(Instrument));
    for (int32_t i = 0; i < n; i++)
      for (auto& tableau : reinterpret_cast<Instrument*>(*p->instruments)[i].sampleHandles)
        for (Handle& h : tableau)
          if (h) {
            DisposeHandle(h);
            h = nullptr;
          }
    DisposeHandle(p->instruments);
  }
  p->instruments = nullptr;
  p->nbInstruments = 0;
}

// SEAM(sound): counts the staves that name the instrument, as the instrument
// table will.
int16_t InstrumentUtiliseCombienDeFois(Partition** score, int16_t index) {
  if (!score || !(*score)->portees || index < 0) return 0;
  int16_t n = 0;
  for (int16_t i = 0; i < (*score)->nbPortees; i++) {
    Portee** staff = (*score)->portees[i];
    if (staff && (*staff)->instrument == index) n++;
  }
  return n;
}
