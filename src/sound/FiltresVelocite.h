#pragma once
// Velocity filters: a sampled instrument sounds darker played softly and
// brighter played hard through two filtered copies of each sample (one per
// velocity variant, two biquads each), made once when the sampled-sound
// device prepares the instrument and kept in a cache file of the temporary
// folder for the next playback. Only files this process wrote are reused or
// removed.
#include <cstdint>

#include "platform/PlatformTypes.h"
#include "sound/DonneesInstrument.h"

struct FiltreBiquad {
  double a1, a2, b1, b2;
  double x1, x2;  // the last two inputs
  double y1, y2;  // and outputs
};
extern FiltreBiquad filtre1, filtre2;
extern double multFiltre1, multFiltre2;

// The process's seed in cache names (the tick count at first use).
extern uint32_t semenceFichierModifieUser;

// Both filters: kinds (non-zero high-pass), resonances 0..100, mixes in per
// cent, cutoffs in Hz scaled by `scale`, at `rate` Hz. Clears the histories.
void InitFiltresVelocite(int16_t kind1, int16_t kind2, int32_t resonance1, int32_t mix1, int32_t cutoff2,
                         int32_t resonance2, int32_t mix2, double scale, double rate, int32_t cutoff1);
// Biquad coefficients of one filter.
void CalculeParamsFiltre(int16_t kind, double* a1, double* a2, double* b1, double* b2, double cutoff, double damping,
                         double rate);
// Runs both filters over 16-bit samples into destination, keeping the
// source's peak-to-peak range; false when its work buffer cannot be had.
bool FiltreVelocite(const int16_t* samples, int32_t count, int16_t* destination);

// The filtered copies of every converted sound of the instrument, from its
// cache file when this process wrote one, else computed and written. False
// when memory runs out (the copies made so far are freed).
bool CalculeVelociteSampleCacheInstrument(Instrument* instrument, int16_t flag);
// Removes the instrument's cache file, when this process wrote it, and
// forgets the cache.
void EffaceFichierCacheVelocite(Instrument* instrument);
// "Play-%08lx-%08lx.tmp" in the temporary folder: the full path.
void NomFichierCacheVelocite(const Instrument* instrument, char* path, size_t size);
