#pragma once
// SHARED(data): the instrument record of a score's instrument table (a handle
// of Instrument records and their count, held by the score). Its operations
// are in sound/SINSTRUM.h.
#include "platform/PlatformTypes.h"
#include "sound/DonneesFX.h"

// Sound slots of an instrument: there is room for this many, and documents
// that claim more are refused.
constexpr int kNbSonsInstrument = 256;
// A sound slot's reference and an instrument's default reference when unset.
constexpr uint16_t kRefSonAucun = 9999;

struct SlotSonInstrument {
  uint16_t sampleNumber;
  uint16_t soundRef;  // kRefSonAucun = none
  uint16_t param1;
  uint16_t param2;
  uint16_t param3;
  int32_t slotValue;
  uint8_t slotBytes[3];
  uint8_t spare;
};

// The part of the sampled-sound area that a sound-base template replaces
// whole. A template is a record of this same type, so the copy is one
// assignment whatever the record's layout in memory.
struct ModeleSonsInstrument {
  int16_t templateRef;  // template whose slot sample numbers are borrowed
  uint16_t templateWord;
  uint16_t digitParam[6];
  uint8_t digitByte1;
  uint8_t digitByte2;
  uint32_t longs1[3];
  uint8_t group2On;
  uint32_t longs2[3];
  uint8_t group3On;
  uint32_t longs3[3];
  uint8_t group4On;
  uint32_t longs4[3];
  uint8_t extBytes[4];
  uint8_t optionBytes[11];
  int16_t soundCount;  // 0 .. kNbSonsInstrument
  SlotSonInstrument slots[kNbSonsInstrument];
};

// The sampled-sound area: whether the instrument carries its own sounds (then
// no template is loaded), and the template part.
struct AireDigitInstrument {
  uint8_t ownSounds;
  ModeleSonsInstrument modele;
};

// Sample handle arrays: the instrument's stored sounds, then the derived
// copies the playback side makes: the 16-bit conversions and the two
// velocity-filtered copies (soft, hard).
constexpr int kNbTableauxSons = 4;
enum : int { kSonsStockes = 0, kSonsConvertis = 1, kSonsVelociteDouce = 2, kSonsVelociteForte = 3 };

// The sampled-sound device's playback settings of an instrument. No stored
// form carries them: they keep their defaults (all off) unless the playback
// side sets them.
struct FiltreVelociteInstrument {
  uint8_t passeHaut;   // 1 high-pass, 0 low-pass
  uint16_t mix;        // per cent
  uint16_t coupure;    // Hz
  uint16_t resonance;  // 0 .. 100
};

// Levels in per cent, times in milliseconds.
struct EnveloppeInstrument {
  uint8_t active;
  uint8_t demiDuree;    // a note's positive duration counts half
  uint8_t relacheFixe;  // the release lasts 2500 steps unless the note's is negative
  uint16_t niveauDepart;
  uint16_t niveauPic;
  uint16_t niveauSoutien;
  uint16_t niveauFin;
  uint16_t attaque;
  uint16_t chute;
  uint16_t relache;
};

// A pitch slide at the start of each note: from base (hundredths of a
// semitone) after a delay, to demiTons + fraction / 100, then an optional
// swing of `balancement` hundredths and back, each way over `periode` steps.
struct GlissadeInstrument {
  int16_t type;  // 2 slides; any other kind only offsets by base
  int16_t base;
  int16_t glissement;  // delay before the slide, in 1/256 of the scale
  int16_t demiTons;
  int16_t fraction;
  int16_t balancement;
  int16_t periode;
};

// Run-time state of the playback side: cleared with the record (a load) and
// in a copy (the cache file and the loaded sounds stay the source's); never
// stored.
struct EtatJeuInstrument {
  uint8_t cacheVelocite;        // the filtered copies are in their two arrays
  uint32_t idCacheVelocite;     // names the cache file
  uint8_t fichierCacheCree;     // this process wrote that file
  uint8_t echantillonsCharges;  // the standard sounds are loaded
};

struct JeuInstrument {
  uint8_t filtrageVelocite;
  FiltreVelociteInstrument filtres[2][2];  // [soft, hard][first, second]
  EnveloppeInstrument enveloppe;
  GlissadeInstrument glissade;
  int16_t groupeVoix;  // non-zero: a new note takes over the group's sounding voice
  int16_t accordFin;   // 8.8 semitones
  EtatJeuInstrument etat;
};

struct Instrument {
  int16_t index;  // its own index in the table
  uint32_t useCount;
  uint8_t inUse;
  uint8_t auxFlag;
  uint8_t isDrum;
  uint32_t soundId;
  char organText[2047];
  uint32_t loadedSoundId;
  char name[80];       // at most 79 characters
  uint32_t organCode;  // four-character code of the output device: 'midi', 'quic', 'obsn', 'exmo', 'kivs'
  uint32_t organPort;
  int16_t note;
  uint16_t defaultRef;
  uint16_t midiWord1;
  uint16_t midiWord2;
  uint16_t channel;  // MIDI channel, 0-based
  uint8_t volumeOn;
  uint16_t volume;
  uint8_t panOn;
  uint16_t pan;
  uint8_t ctrl3On;
  uint16_t ctrl3;
  uint8_t ctrl4On;
  uint16_t ctrl4;
  uint8_t vibratoOn;
  uint16_t vibrato[4];
  uint8_t tremoloOn;
  uint16_t tremolo[4];
  uint8_t effectsOn;
  ParamFX effects;
  uint16_t hpWord;
  uint16_t bank;  // sound family (melodic) or drum kit
  uint8_t melodic;
  uint16_t program;  // MIDI program shifted left by 7; 0xFFFF for drums
  uint16_t drumNote;
  uint8_t waveTable[512];
  AireDigitInstrument digitArea;
  // [0]: the stored sounds (BuffDigit blocks) of the slots.
  Handle sampleHandles[kNbTableauxSons][kNbSonsInstrument];
  int16_t transposition;  // semitones added to a written pitch to give the sounding one
  JeuInstrument jeu;
};
