#pragma once
// The effects runtime of the digital output: one effects channel per staff
// and a master channel, each with a time-ordered list of commands that the
// audio processing applies as playback goes. Set up only with the digital
// output, which a preview never starts.
#include "sound/DonneesInstrument.h"

struct FX;
struct Partition;
struct ParamDigit;

// The instrument whose effect settings a staff without its own takes.
extern Instrument instrumentDefaut;
void SetInstrumentDefautPourFx(const Instrument* instrument);

// ---- A channel's effect state --------------------------------------------------------

// A value that glides: from valeur at debut, by delta over duree ticks.
struct GlisseFX {
  int32_t valeur;
  int32_t delta;
  int32_t debut;
  int32_t duree;  // 0: no glide
};

// The eleven band levels and the multi-band gain, and their changes over a
// glide; written as one 96-byte block.
constexpr int kNbValeursMultiBande = kNbBandesEqualizer + 1;
struct BlocMultiBande {
  int32_t niveau[kNbValeursMultiBande];
  int32_t delta[kNbValeursMultiBande];
};
static_assert(sizeof(BlocMultiBande) == 96);

// What commands write. Frequencies are in the filter's own scale, gains of
// the mix at the internal width, pans and fadings 0..32767, delays in 16.16
// samples.
struct EtatFX {
  int32_t frequence;  // of the channel's samples, Hz
  int16_t bits;
  // Resonator: the three mode switches (1,0,0 fixed, 1,1,0 oscillating, 1,0,1 wah).
  uint8_t resonateur;
  uint8_t resonateurLfo;
  uint8_t resonateurWah;
  GlisseFX frequenceResonateur;
  GlisseFX resonance;
  int32_t gainResonateur;
  int32_t frequenceMin;  // oscillating and wah sweeps
  int32_t frequenceMax;
  int32_t pasFrequence;  // sweep advance per tick
  int32_t sensLfo;
  int32_t volumeMinWah;
  int32_t volumeMaxWah;
  // Distortion: 0 off, 1 distortion, 2 overdrive.
  uint8_t distorsion;
  int32_t puissanceDistorsion;
  int32_t gainDistorsion;
  int32_t toneDistorsion;
  // Flanger.
  uint8_t flanger;
  int32_t delaiMinFlanger;
  int32_t delaiMaxFlanger;
  int32_t pasFlanger;
  int32_t puissanceFlanger;
  // Equaliser: 0 off, 1 bass, treble and gain, 2 the eleven bands.
  uint8_t equaliseur;
  GlisseFX grave;
  GlisseFX aigu;
  GlisseFX gainEqualiseur;
  int32_t limiteur;
  BlocMultiBande multiBande;
  int32_t debutMultiBande;
  int32_t dureeMultiBande;
  // Panning: 0 off, 1 fixed, 2 oscillating.
  uint8_t panning;
  GlisseFX stereo;
  GlisseFX fading;
  int32_t stereoMin;
  int32_t stereoMax;
  int32_t fadingMin;
  int32_t fadingMax;
  int32_t pasPanning;
  int32_t sensPanning;
  // Delay-line set (-1 none) and its input gain.
  int32_t reverb;
  int32_t gainEntreeReverb;
};

// The effect group a command belongs to (its flag), so that the processing
// knows what to prepare again after a write.
enum GroupeFX : uint8_t {
  kGroupeResonateur = 1,
  kGroupeDistorsion,
  kGroupeFlanger,
  kGroupeEqualiseur,
  kGroupePanning,
  kGroupeReverb
};

// One write into a channel's state at a time. A block write (width 96) takes
// its bytes from the channel's block list, at the index the value holds.
constexpr uint16_t kLargeurBloc = 96;
struct Commande {
  uint32_t temps;  // ticks
  int16_t champ;   // offset in EtatFX
  uint8_t flag;
  uint32_t valeur;
  uint16_t largeur;  // 1, 2, 4 or kLargeurBloc
};

constexpr int kNbCoeffsBande = 31;
// Per band: centre frequency, K, the boost biquad (b0 b1 b2 a1 a2), the cut
// biquad, its form (0 peaking, 1 shelving), then four output channels'
// histories (x1 x2 y1 y2) and two spare words.
enum : int {
  kCoeffFrequence = 0,
  kCoeffK = 1,
  kCoeffBoost = 2,
  kCoeffCut = 7,
  kCoeffForme = 12,
  kCoeffHistorique = 13
};

struct FXDigitPortee {
  int16_t porteeLiee;  // channel whose commands this one follows
  uint8_t lie;
  EtatFX etat;
  Handle commandes;  // Commande records; the handle may hold more than the count
  int32_t nbCommandes;
  int32_t commandeCourante;  // the next command to apply
  Handle blocs;              // BlocMultiBande records of block writes
  int32_t nbBlocs;
  int32_t* tampon;        // frames x 4 bytes (x 8 with oversampling)
  int32_t* tamponCanaux;  // frames x output channels x 4 bytes, with several output channels
  float coeffsEQ[kNbBandesEqualizer][kNbCoeffsBande];
};

// 10^(k / 2000) at 10000 + k, for k = -9999..9999 (gains in hundredths of a
// decibel); built with the first equaliser.
constexpr int kTailleDbToMult = 20000;
extern float dbToMult[kTailleDbToMult];

// ---- Channels ------------------------------------------------------------------------

// Rebuilds every channel for the score and the output parameters; false
// (nothing kept) on failure, or when the audio callback does not leave its
// block in time.
bool InitFX(Partition** score, const ParamDigit* parameters);
void DisposeFX();
// The channel array of GlobalFXMaster (channel 0 the master, k staff k - 1).
FXDigitPortee* GetCanauxFX();
bool InitFXDigitPortee(Partition** score, int16_t staff, int16_t number, FXDigitPortee* channel, int32_t frames);
void DisposeFXDigitPortee(FXDigitPortee* channel);

// Appends a write (time shifted by the score's negative delay); with no
// channel, to every channel that is not linked. A linked channel's write goes
// to the channel it follows. False without memory.
bool WriteCommand(Partition** score, int32_t time, FXDigitPortee* channel, int16_t field, uint32_t value,
                  uint16_t width, uint8_t flag);
// Appends a block write; false without memory.
bool WriteCommandBloc(Partition** score, int32_t time, FXDigitPortee* channel, int16_t field,
                      const BlocMultiBande& block, uint8_t flag);

// Applies the commands up to a time, in order; back to the start state and
// the first command.
void AppliqueCommandesFX(FXDigitPortee* channel, uint32_t time);
void RembobineCommandesFX(FXDigitPortee* channel);
void InitEtatFX(EtatFX* state);
// A glide's value at a time.
int32_t ValeurGlisseFX(const GlisseFX& glide, int32_t time);

// ---- Scanning the effect settings ------------------------------------------------------

// An analysis function: true when the object sets the value (out: up to
// kNbValeursMultiBande values, the panning's kind first).
using FXProcAnalyse = bool (*)(Partition** score, int16_t staff, int32_t time, const FX* object, int32_t* out);

// The played time of the first effect setting at or after the time that the
// function accepts (0 for the instrument's block with time -1); -1 when none.
int32_t BalayeTableauFX(Partition** score, int16_t staff, int32_t time, FXProcAnalyse analyse, int32_t* out);

bool FXProcAnalyseConstructionCommandes(Partition** score, int16_t staff, int32_t time, const FX* object, int32_t* out);
bool FXProcAnalyseFrequence(Partition** score, int16_t staff, int32_t time, const FX* object, int32_t* out);
bool FXProcAnalyseResonnance(Partition** score, int16_t staff, int32_t time, const FX* object, int32_t* out);
bool FXProcAnalyseGrave(Partition** score, int16_t staff, int32_t time, const FX* object, int32_t* out);
bool FXProcAnalyseAigu(Partition** score, int16_t staff, int32_t time, const FX* object, int32_t* out);
bool FXProcAnalyseGain(Partition** score, int16_t staff, int32_t time, const FX* object, int32_t* out);
bool FXProcAnalyseMultiBandEQ(Partition** score, int16_t staff, int32_t time, const FX* object, int32_t* out);
bool FXProcAnalysePanning(Partition** score, int16_t staff, int32_t time, const FX* object, int32_t* out);

// ---- Conversions -----------------------------------------------------------------------

int32_t CvtFrequenceFX(int32_t hz, uint32_t outputRate);
int32_t CvtResonanceFX(int32_t resonance, uint32_t outputRate);
int32_t CvtPanningFX(int32_t value);
int32_t CvtDelaiFlangerFX(int32_t delay, uint32_t outputRate);
int32_t CvtPasBalayageFX(int32_t minimum, int32_t maximum, int32_t period);
int32_t CvtGainInterneFX(int32_t percent);

// The equaliser's coefficients for an output frequency (all zero below 64 Hz).
void InitMultiBandEQ(float coefficients[kNbBandesEqualizer][kNbCoeffsBande], uint32_t outputRate);
