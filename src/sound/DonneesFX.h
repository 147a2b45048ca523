#pragma once
// SHARED(data): the settings of a chain of sound effects (resonators, wah,
// distortion, overdrive, flanger, equaliser, panning, delays and reverb), as
// instruments and the sound-effect objects of staves carry them. Their
// defaults, presets and reading are in sound/ParamFX.h and plugin/LectureFX.h.
// Times are in milliseconds, levels in per cent.
#include "platform/PlatformTypes.h"

constexpr int kNbBandesEqualizer = 11;

struct ParamFX {
  // Resonators. A glide switch makes its value glide to the one the next
  // effect object sets.
  int32_t activiteResonateur;
  uint16_t frequenceFixe;
  uint8_t glisseFrequenceFixe;
  uint16_t resonanceFixe;
  uint8_t glisseResonanceFixe;
  uint16_t gainFixe;
  uint16_t frequenceLfo;  // the oscillating resonator
  uint16_t frequenceMinLfo;
  uint16_t frequenceMaxLfo;
  uint16_t resonanceLfo;
  uint8_t glisseResonanceLfo;
  uint16_t gainLfo;
  uint16_t periodeLfo;
  uint8_t sensLfo;
  uint16_t frequenceMinWah;
  uint16_t frequenceMaxWah;
  uint16_t volumeMinWah;
  uint16_t volumeMaxWah;
  uint16_t resonanceWah;
  uint8_t glisseResonanceWah;
  uint16_t gainWah;

  int32_t activiteDistorsion;
  uint16_t puissanceDistorsion;
  uint16_t gainDistorsion;
  uint16_t toneDistorsion;
  uint16_t puissanceOverdrive;
  uint16_t gainOverdrive;
  uint16_t toneOverdrive;

  int32_t activiteFlanger;
  uint16_t delaiMinFlanger;
  uint16_t delaiMaxFlanger;
  uint16_t periodeFlanger;
  uint16_t puissanceFlanger;

  int32_t activiteEqualizer;
  uint8_t graveAiguSmooth;
  uint8_t gainSmooth;
  uint16_t gainEqualizer;
  uint16_t grave;
  uint16_t aigu;
  uint16_t limiter;
  uint16_t multiBandGain;
  uint16_t multiBandLevel[kNbBandesEqualizer];

  // Panning: positions and fadings run below zero, so they are signed (the
  // stored words are the same bits).
  int32_t activitePanning;
  int16_t stereoFixe;
  int16_t fadingFixe;
  uint16_t stereoSmooth;
  int16_t stereoLfo;  // the oscillating panning
  int16_t stereoMinLfo;
  int16_t stereoMaxLfo;
  int16_t fadingMinLfo;
  int16_t fadingMaxLfo;
  uint16_t periodePanning;
  uint8_t sensPanning;

  int32_t activiteReverb;
  uint16_t tempsDelai;
  uint16_t puissanceDelai;
  uint8_t pingPongDelai;
  uint16_t tempsDelaiMult;
  uint16_t puissanceDelaiMult;
  uint16_t pingPongDelaiMult;
  uint16_t tempsReverb;
  uint16_t puissanceReverb;
  uint16_t pingPongReverb;
};
