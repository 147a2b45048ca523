#pragma once
// The digital output: a ring of short blocks (about 5 ms each) that the
// audio callback of the hardware output fills with the mixed voices, set up
// once per playback and torn down after it, and the output format queries.
// The hardware start is a replaceable hook; the default is the inert service,
// which cannot start, and nothing in a preview reaches the set-up anyway.
#include <cstdint>

#include "platform/PlatformTypes.h"

struct Partition;

constexpr int kNbPositionsHautParleur = 32;
constexpr uint8_t kHautParleurAucun = 255;

struct ParamDigit {
  uint32_t frequence;  // rate code: 16.16 Hz, or Hz in the low 28 bits above 0xF0000000
  int16_t bits;
  uint8_t codeCanaux;  // channels - 1
  int16_t nbVoix;
  int16_t facteurBloc;
  int16_t dureeTampon;  // milliseconds
  uint16_t surechantillonnage;
  uint8_t effetsNumeriques;  // the effects channels run
  int32_t accordMaitre;      // 4400: A at 440 Hz
  // Derived by the set-up.
  int16_t tramesParBloc;
  int16_t octetsParBloc;
  int16_t silence;         // byte value of silence
  int32_t longueurAnneau;  // blocks
  int32_t tramesAnneau;
  int32_t octetsAnneau;
  uint8_t canalHautParleur[kNbPositionsHautParleur];  // channel feeding each position
  uint8_t hautParleurCanal[kNbPositionsHautParleur];  // position of each channel
};

extern ParamDigit GlobalDigitParam;

extern bool dblBufferInited;
extern bool dblBufferStarted;
extern int32_t isTraiteDblBuffer;  // bit 0 while a block is being filled
extern int32_t nb200ecoules;
extern int32_t nb200overflow;
extern int32_t inOverflow;

// The hardware output. Non-zero from demarre when the output runs; the
// default pair is the inert service's.
struct SortieMaterielle {
  int16_t (*demarre)();
  int16_t (*arrete)();
};
// Null puts back the inert pair.
void FixeSortieMaterielle(const SortieMaterielle* hook);

bool InitDblBuffer(Partition** score, ParamDigit* parameters);
void EndDblBuffer(int16_t flag);
bool IsInTraiteDblBuffer();

// Fills the next block of the ring with the voices mixed to the output
// format, as the audio callback does; a pointer to it, null when the output
// is not set up.
const uint8_t* TraiteBlocDblBuffer();
// The ring and the block the next call fills.
const uint8_t* GetAnneauDblBuffer();
int32_t GetBlocCourantDblBuffer();

// Output format, of the given parameters or (null) of GlobalDigitParam.
int16_t GetCurrentRestitutionNbChannels(const ParamDigit* parameters);
uint32_t GetCurrentRestitutionSpeakerMask(const ParamDigit* parameters);
int16_t GetCurrentRestitutionNbBits(const ParamDigit* parameters);
// The standard speaker mask of a channel count; 0 beyond nine.
uint32_t MasqueHautParleurs(int32_t channels);
