#pragma once
// Voice envelopes of the sampled-sound device: small programs of levels and
// segments (volume, pitch slide, vibrato depth) that the mixer steps through,
// one step per quarter millisecond of output. Words alternate a level and a
// segment word whose top byte is its kind. Playback only: nothing runs them
// in a preview.
#include <cstdint>

#include "sound/DonneesInstrument.h"

constexpr int kMotsEnveloppe = 128;
constexpr int32_t kNiveauMax = 32767;
constexpr int32_t kPasMax = 16383;  // longest hold, fastest rate
// Steps per second: attacks in milliseconds take four steps a millisecond.
constexpr int32_t kPasEnveloppeParSeconde = 4000;

// Segment kinds (the word's top byte).
enum : uint32_t {
  kSegmentTenue = 0x00000000,    // hold the level for the low 24 bits' steps
  kSegmentRampe = 0x01000000,    // ramp to the next level at that rate
  kSegmentRelache = 0x03000000,  // the release ramp, entered at note-off
  kSegmentSoutien = 0x04FFFFFF,  // wait here for note-off
};

struct Enveloppe {
  uint8_t nbMots;
  uint8_t motCourant;  // the segment word being run
  uint32_t mots[kMotsEnveloppe];
  // Running state.
  int32_t niveau;
  int32_t pas;           // level change per step of the current ramp
  int32_t cible;         // the ramp's target
  int32_t reste;         // steps left in the segment
  int32_t nbPas;         // steps run since the start
  int32_t nbPasRelache;  // steps run since the release
  uint16_t parametre;
  // [0] waiting on a sustain word, [1] running, [2] released, [3] spare.
  uint8_t etats[4];
};

// Levels of volume envelopes are 0..32767; slide levels are signed 1/256
// semitones (stored as their 32-bit pattern).

// The volume envelope of a note: attack in milliseconds (negative: start at
// full level), duration and release in steps (a duration below 1 holds as
// long as the envelope has room). With an instrument envelope its levels and
// times shape the same frame, a hold filling the note's length between
// attack and decay. Gives the rate of the last ramp before the release and
// the release rate; returns the start level.
int32_t ConstruitEnveloppeVolume(Enveloppe* env, int32_t attack, int32_t duration, int32_t release, uint16_t parameter,
                                 bool sustain, const EnveloppeInstrument* instrument, int32_t noteLength,
                                 int32_t* attackRate, int32_t* releaseRate);
// The pitch slide of a note over its duration (steps); the slide's delay is
// scaled by scale / 256. Empty without settings.
void ConstruitEnveloppeGlissade(Enveloppe* env, const GlissadeInstrument* slide, int32_t duration, int32_t scale);
// Vibrato depth: none before the delay, then rising to full over the rise
// time (steps). A delay of 32000 or more means no vibrato.
void ConstruitEnveloppeVibrato(Enveloppe* env, int32_t delay, int32_t rise);

// A new release rate (the pedal moved): a running release ramp goes on from
// its level at the new rate.
void ForceNouvelleRelache(Enveloppe* env, int32_t rate);

// Running: start at the first level; one step; note-off (the release
// segment, or the end when there is none). A finished envelope keeps its
// last level and is no longer running.
void DemarreEnveloppe(Enveloppe* env);
int32_t AvanceEnveloppe(Enveloppe* env);
void RelacheEnveloppe(Enveloppe* env);
inline bool IsEnveloppeActive(const Enveloppe* env) { return env->etats[1] != 0; }

// min(32767 / (ms x 4), 16383), 0 for no time: the attack rate.
int32_t TauxAttaque(int32_t ms);
// min(32767 / steps, 16383), 16383 for no time: decays and releases.
int32_t TauxChute(int32_t steps);
