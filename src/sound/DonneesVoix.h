#pragma once
// SHARED(data): the singing voice of a staff: its parameter block
// (`VoixParam`, one per sung staff, held by the staff as a handle) and the
// voice fragments it owns, sampled spectra or parameter tables that model
// sounds of the voice. Read from documents and voice files, never sung here.
#include <cstdint>

#include "platform/PlatformTypes.h"

// A fragment's spectrum form (any other form value is the parameter table).
constexpr uint8_t kFormeSpectre = 0;
// The parameter table: 22 rows ("PRM_F1" ... "PRM_AF") of nine values.
constexpr int kNbLignesPrm = 22;
constexpr int kNbValeursPrm = 9;
// Step length of a fragment that gives none.
constexpr uint16_t kStepLengthDefaut = 256;
constexpr int kTailleIdFragment = 10;
constexpr int kTailleNomFragment = 64;
// The phoneme sung without lyrics: at most 198 characters.
constexpr int kTaillePhoneme = 199;

struct Fragment {
  char id[kTailleIdFragment];    // "ID"
  char nom[kTailleNomFragment];  // "Nom"
  int32_t poids;                 // "Poids"
  float duree;                   // "Duree"
  int32_t typeFrag;              // "TypeFrag"
  uint8_t document;              // 1: read from a document
  uint8_t libre[2];
  uint8_t forme;  // kFormeSpectre, else the parameter table
  // Spectrum form. `spectre` holds nbSpectre x tailleSpectre values, row by
  // row, whenever it is not null; only a spectrum-form fragment has one.
  int16_t beginTrans;     // "BeginTrans"
  int16_t endTrans;       // "EndTrans"
  uint16_t noiseRatio;    // "NoiseRatio"
  float powerStart;       // "PowerStart"
  float powerMax;         // "PowerMax"
  float closeLips;        // "CloseLips"
  int16_t nbSpectre;      // "NbSpectre": rows
  uint16_t stepLength;    // "StepLength"
  int16_t tailleSpectre;  // "TailleSpectre": values per row
  float* spectre;
  // Parameter-table form.
  float prm[kNbLignesPrm][kNbValeursPrm];
};

// The voice's icon as voice files store it whole (3076 bytes).
struct IconeVoix {
  int16_t entete;
  uint8_t petite[1024];
  uint8_t grande[2048];
  uint8_t libre[2];
};
constexpr int kTailleIconeVoix = 2 + 1024 + 2048 + 2;

struct VoixParam {
  float timeShiftMax;
  float pitchAttaque;
  float rangeVelociteNotes;
  float f0JitterMax;
  float f0JitterVitesse;
  float libre1;
  float f1JitterMax;
  float f1JitterVitesse;
  float libre2;
  float f2JitterMax;
  float f2JitterVitesse;
  float libre3;
  float volumeJitterMax;
  float volumeJitterVitesse;
  float libre4[2];
  float f0DriftPourcentNoteStableMontee;
  float f0DriftPourcentNoteStableDescente;
  float f0DriftMaxDuree;
  float f0DriftMinDuree;
  float libre5[3];
  float enveloppeCoeffMax;
  float enveloppeCoeffConsonne;
  float enveloppeCoeffSustain;
  float enveloppeCoeffWeak;
  float enveloppeAttaqueConsonne;
  float enveloppeAttaqueVoyelle;
  float enveloppeChute;
  float enveloppeRelache;
  float f0VibratoFreqMinVibrato;
  float f0VibratoRatioVibratoFrequence;
  float f0VibratoDelaiAvantVibrato;
  float f0VibratoDureeMonteeVibrato;
  float f0VibratoPuissanceVibrato;
  float f0VibratoRatioPuissanceFrequenceVibrato;
  int16_t singingFormantDureeMontee;
  int16_t singingFormantSharpness;
  int16_t singingFormantPower;
  float amplificationVoix;
  float coeffF1;
  float coeffF2;
  float coeffF3;
  float coeffF4;
  float coeffF5;
  float coeffF6;
  float graveAigu;
  float openRatio;
  float clipping;
  Handle fragments;  // Fragment records; null when none
  int16_t dureeMinSilence;
  uint8_t tailleChoeur;  // choir size; 0: the staff has no voice
  uint8_t dephasageChoeur;
  uint8_t libre6[2];
  int16_t decalageOctave;
  int16_t decalageDemiTon;
  IconeVoix icone;
  char phonemeSansParole[kTaillePhoneme];
  uint32_t valeurDocument;     // kept as read
  int32_t valeursDocument[4];  // kept as read (from version 0x850)
};

// Size of a staff's voice parameter block.
constexpr Size kTailleVoixParam = Size(sizeof(VoixParam));
