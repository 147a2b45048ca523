#pragma once
// Effects at the end of the digital output: the delay-line sets that the
// effects channels' delay, multi-delay and reverb share, and the document's
// output-wide effects (reverb, surround, noise reduction, bass boost, gain
// control, equaliser). Only the conversion of old documents' effects runs in
// the plug-in; the rest starts with the digital output, which never does.
#include "model/Document.h"
#include "platform/PlatformTypes.h"
#include "sound/ServicesSon.h"

// What the effects channels' set-up records of the output; the delay lines
// read its rate and channel code.
struct MaitreFX {
  uint32_t frequence;  // output rate, Hz
  uint8_t codeCanaux;  // output channels - 1
  int16_t bits;
  int16_t nbCanaux;  // effects channels
  int16_t nbTrames;  // frames per block
  Ptr canaux;
  Ptr tamponMixage;  // (codeCanaux + 1) x frames x 4 bytes
  int32_t CptStopFX;
};
extern MaitreFX GlobalFXMaster;

// ---- Delay-line sets ----------------------------------------------------------

constexpr int32_t kReverbDelai = 1;
constexpr int32_t kReverbMultiDelai = 2;
constexpr int32_t kReverbReverbe = 3;
constexpr int kMaxLignesReverb = 5;

// The reverb's five line lengths at 44100 Hz.
extern const int32_t DelayReverbStd[kMaxLignesReverb];

struct LigneReverb {
  int32_t longueur;    // samples
  int32_t* tampon;     // longueur samples, zeroed
  int32_t gainRetour;  // feedback x 256
  int32_t decalageBase;
};

struct ReverbDelayElt {
  int32_t type;       // kReverbDelai, kReverbMultiDelai, kReverbReverbe
  int32_t temps;      // ms (a reverb's rounded)
  int32_t parametre;  // multi-delay feedback percent
  uint8_t pingPong;
  int32_t gain;     // input gain, or the multi-delay's feedback gain
  int32_t densite;  // reverb density factor
  int16_t nbLignes;
  LigneReverb lignes[kMaxLignesReverb];
  int32_t gainEntree;  // copy of the input gain
};

// NbReverbDelayElt sets in the handle.
extern Handle tabReverb;
extern int32_t NbReverbDelayElt;

// Frees any old sets and starts an empty table.
void ReverbInit();
// Frees every line and the table; the count becomes 0.
void ReverbDispose();
// The index of the set of that kind and settings, created when none matches;
// -1 when its lines cannot be allocated.
int32_t ReverbGetID(int32_t kind, int32_t time, int32_t parameter, uint8_t flag);
// The input gain of a delay (kinds 1 and 2) or reverb (kind 3) at a level.
int32_t ReverbCalculeGainEntree(int32_t kind, int32_t time, int32_t level);

// ---- The document's output-wide effects -------------------------------------------

extern int32_t ReverbDelta, ReverbMult;
extern int32_t SurroundDelta, SurroundMult;
extern int32_t NoiseRedMult;
extern int32_t BassBoostEvol, BassBoostMult, BassBoostLastVal;
extern int32_t AGCVolume, AGCNbSampleRemontee, AGCNbSampleDescente;
extern float* TamponHistorique;  // TailleHistorique floats
extern int32_t TailleHistorique, PosHistorique;
extern Ptr TamponAGC[2];
extern int32_t volumeTamponAGC[2];

// Allocates the history and gain-control buffers for the output and applies
// the playing document's parameters; false (nothing kept) without memory.
bool InitEffetsNumeriques(uint32_t rate, int16_t channels);
// The playing document's parameters, when a document plays.
void ChangeParamsEffetsNumeriques(uint32_t rate, int16_t channels);
// The run-time values of one effects record for the output.
void AppliqueParamsEffetsNumeriques(const EffetsSortieDocument* effects, uint32_t rate, int16_t channels);
void DisposeEffetsNumeriques();

// Documents older than the equaliser get bands from their bass boost and
// noise reduction.
void ConvertOldDocumentDigitalEffectsToHQ(EffetsSortieDocument* effects);

// Width in bits of the internal mix.
int16_t GetDigitalSoundInternalBits();
