#pragma once
// SHARED(data): the instrument record of a score's instrument table (a handle
// of Instrument records and their count, held by the score). Its operations
// are in sound/SINSTRUM.h.
#include "platform/PlatformTypes.h"

struct SlotSonInstrument {
  uint16_t sampleNumber;
  uint16_t soundRef;  // 9999 = none
  uint16_t param1;
  uint16_t param2;
  uint16_t param3;
  int32_t slotValue;
  uint8_t slotBytes[3];
  uint8_t spare;
};

// The sampled-sound area; everything after ownSounds is replaced whole by a
// sound-base template.
struct AireDigitInstrument {
  uint8_t ownSounds;
  int16_t templateRef;
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
  int16_t soundCount;  // at most 256
  SlotSonInstrument slots[256];
};

struct Instrument {
  int16_t index;
  uint32_t useCount;
  uint8_t inUse;
  uint8_t auxFlag;
  uint8_t isDrum;
  uint32_t soundId;
  char organText[2047];
  uint32_t loadedSoundId;
  char name[80];  // at most 79 characters
  uint32_t organCode;
  uint32_t organPort;
  int16_t note;
  uint16_t defaultRef;
  uint16_t midiWord1;
  uint16_t midiWord2;
  uint16_t channel;
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
  uint8_t effects[156];  // the sound-effect parameter block, typed by its owner
  uint16_t hpWord;
  uint16_t bank;
  uint8_t melodic;
  uint16_t program;
  uint16_t drumNote;
  uint8_t waveTable[512];
  AireDigitInstrument digitArea;
  Handle sampleHandles[4][256];
  int16_t transposition;  // semitones added to a written pitch to give the sounding one
};
