#include "sound/DoubleBuffer.h"

#include <algorithm>
#include <cstring>

#include "platform/Memory.h"
#include "plugin/ServicesInertes.h"
#include "sound/CommandesFX.h"
#include "sound/EffetsNumeriques.h"
#include "sound/Flux.h"
#include "sound/OrganeDigit.h"
#include "sound/SCvtdgit.h"
#include "system/Reporters.h"

// 44100 Hz, 16 bits, stereo, 32 voices, a 100 ms ring of 5 ms blocks.
ParamDigit GlobalDigitParam = {0xAC440000, 16, 1, 32, 1, 100, 1, 1, 4400, 0, 0, 0, 0, 0, 0, {}, {}};

bool dblBufferInited = false;
bool dblBufferStarted = false;
int32_t isTraiteDblBuffer = 0;
int32_t nb200ecoules = 0;
int32_t nb200overflow = 0;
int32_t inOverflow = 0;

namespace {

constexpr SortieMaterielle kSortieInerte = {InitDblBufferHD, EndDblBufferHD};
SortieMaterielle gSortie = kSortieInerte;

// The ring the hardware reads, the working mix of one block, and the block
// the next call fills.
uint8_t* gAnneau = nullptr;
int32_t* gMixage = nullptr;
int32_t gBloc = 0;
// The parameters the output was set up with.
ParamDigit gParams = {};

void RemetCompteurs() { nb200ecoules = nb200overflow = inOverflow = 0; }

void LibereVoixTable() {
  if (TabVoixDigit) DisposePtr(reinterpret_cast<Ptr>(TabVoixDigit));
  TabVoixDigit = nullptr;
  NbVoixDigitAllouees = 0;
}

void LibereTampons() {
  if (gAnneau) DisposePtr(reinterpret_cast<Ptr>(gAnneau));
  if (gMixage) DisposePtr(reinterpret_cast<Ptr>(gMixage));
  gAnneau = nullptr;
  gMixage = nullptr;
  gBloc = 0;
}

const ParamDigit& Params(const ParamDigit* p) { return p ? *p : GlobalDigitParam; }

int16_t TramesParBloc(uint32_t rate) {
  switch (rate) {
    case 0x2B7745D1: return 55;   // 11127 Hz
    case 0x56EE8BA3: return 110;  // 22254 Hz
    case 0xBB800000: return 240;  // 48000 Hz
    case 0xF0017700: return 480;  // 96000 Hz
    default: return 220;
  }
}

}  // namespace

void FixeSortieMaterielle(const SortieMaterielle* hook) { gSortie = hook ? *hook : kSortieInerte; }

uint32_t MasqueHautParleurs(int32_t channels) {
  static const uint32_t kMasques[9] = {0x1, 0x3, 0xB, 0x33, 0x3B, 0x3F, 0x13F, 0x63F, 0x73F};
  return channels >= 1 && channels <= 9 ? kMasques[channels - 1] : 0;
}

int16_t GetCurrentRestitutionNbChannels(const ParamDigit* p) {
  return int16_t(std::min<int32_t>(Params(p).codeCanaux + 1, 2));
}

uint32_t GetCurrentRestitutionSpeakerMask(const ParamDigit* p) {
  return MasqueHautParleurs(GetCurrentRestitutionNbChannels(p));
}

int16_t GetCurrentRestitutionNbBits(const ParamDigit* p) { return std::min<int16_t>(Params(p).bits, 16); }

bool IsInTraiteDblBuffer() { return (isTraiteDblBuffer & 1) != 0; }

bool InitDblBuffer(Partition** score, ParamDigit* p) {
  if (!p) return false;
  if (dblBufferInited) {
    RemetCompteurs();
    return true;
  }
  if (p->nbVoix != NbVoixDigitAllouees) {
    LibereVoixTable();
    if (p->nbVoix > 0) {
      TabVoixDigit = reinterpret_cast<VoixDigit*>(NewPtrClear(Size(p->nbVoix) * Size(sizeof(VoixDigit))));
      if (TabVoixDigit) NbVoixDigitAllouees = p->nbVoix;
    }
  }
  OverlowDigitalVoices = false;
  if (!TabVoixDigit) {
    Avertissement(0, 0,
                  "Not any memory to allocate voices: please reduce the voice number in the Digital "
                  "Configuration setup.");
    RemetCompteurs();
    return true;
  }

  const int16_t canaux = GetCurrentRestitutionNbChannels(p);
  p->tramesParBloc = TramesParBloc(p->frequence);
  p->octetsParBloc = p->tramesParBloc;
  p->silence = 128;
  if (p->bits >= 9) {
    p->octetsParBloc = int16_t(p->octetsParBloc * (p->bits / 8));
    p->silence = 0;
  }
  p->octetsParBloc = int16_t(p->octetsParBloc * canaux);
  // A block factor below 1 counts as 1.
  p->longueurAnneau = std::max<int32_t>(p->dureeTampon / (5 * std::max<int16_t>(p->facteurBloc, 1)), 2);
  p->tramesAnneau = p->tramesParBloc * p->longueurAnneau;
  p->octetsAnneau = p->octetsParBloc * p->longueurAnneau;

  // Every position starts unfed; the set bits of the mask take the channels in order.
  std::memset(p->canalHautParleur, kHautParleurAucun, sizeof p->canalHautParleur);
  std::memset(p->hautParleurCanal, kHautParleurAucun, sizeof p->hautParleurCanal);
  const uint32_t masque = MasqueHautParleurs(canaux);
  uint8_t canal = 0;
  for (int pos = 0; pos < kNbPositionsHautParleur; pos++)
    if (masque & (1u << pos)) {
      p->canalHautParleur[pos] = canal;
      p->hautParleurCanal[canal] = uint8_t(pos);
      canal++;
    }

  InitFX(score, p);
  LibereTampons();
  gAnneau = reinterpret_cast<uint8_t*>(NewPtr(Size(p->octetsAnneau)));
  gMixage = reinterpret_cast<int32_t*>(NewPtrClear(Size(p->tramesParBloc) * canaux * Size(sizeof(int32_t))));
  if (gAnneau) std::memset(gAnneau, p->silence, size_t(p->octetsAnneau));
  dblBufferInited = gAnneau && gMixage;
  dblBufferStarted = false;

  if (!dblBufferInited || (!IsInExportNumerique() && !gSortie.demarre())) {
    Avertissement(0, 0, "Can't initialise digital output please check your hardware setup.");
    gSortie.arrete();
    dblBufferInited = false;
    DisposeFX();
    LibereTampons();
    return false;
  }
  gParams = *p;
  RemetCompteurs();
  return true;
}

void EndDblBuffer(int16_t) {
  if (!dblBufferInited) return;
  if (!IsInExportNumerique()) gSortie.arrete();
  DisposeFX();
  DisposeEffetsNumeriques();
  DisposeTabIncrementDigit();
  dblBufferInited = false;
  dblBufferStarted = false;
  LibereVoixTable();
  LibereTampons();
}

const uint8_t* TraiteBlocDblBuffer() {
  if (!dblBufferInited || !gAnneau || !gMixage) return nullptr;
  const ParamDigit& p = gParams;
  StartDblBuffCriticalSection();
  isTraiteDblBuffer |= 1;
  dblBufferStarted = true;
  const int16_t canaux = GetCurrentRestitutionNbChannels(&p);
  const int32_t trames = p.tramesParBloc;
  std::memset(gMixage, 0, size_t(trames) * size_t(canaux) * sizeof(int32_t));
  MixeVoixDigit(gMixage, trames, canaux, SampleRateToFrequency(p.frequence));
  uint8_t* bloc = gAnneau + size_t(gBloc) * size_t(p.octetsParBloc);
  const int32_t octets = p.bits >= 9 ? p.bits / 8 : 1;
  for (int32_t i = 0; i < trames * canaux; i++) {
    const int32_t v = std::clamp<int32_t>(gMixage[i], -32768, 32767);
    uint8_t* e = bloc + size_t(i) * size_t(octets);
    if (octets == 1) {
      e[0] = uint8_t((v >> 8) + 128);
    } else {
      // 16-bit host order in the sample's top two bytes.
      std::memset(e, 0, size_t(octets));
      const int16_t m = int16_t(v);
      std::memcpy(e + octets - 2, &m, 2);
    }
  }
  gBloc = (gBloc + 1) % std::max<int32_t>(p.longueurAnneau, 1);
  nb200ecoules++;
  isTraiteDblBuffer &= ~1;
  EndDblBuffCriticalSection();
  return bloc;
}

const uint8_t* GetAnneauDblBuffer() { return gAnneau; }

int32_t GetBlocCourantDblBuffer() { return gBloc; }
