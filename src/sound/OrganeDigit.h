#pragma once
// Output devices: the sampled-sound device, which plays an instrument's
// samples through a pool of software voices mixed into the digital output,
// and the tempo device, whose operations do nothing. A staff's nine device
// slots (sound/Organe.h) are filled when playback binds its instrument and
// called with the staff and its device area. Playback never starts in a
// preview: this is reached only from playback start.
#include <cstdint>

#include "sound/DonneesInstrument.h"
#include "sound/Enveloppes.h"
#include "sound/Organe.h"

struct Partition;
struct Portee;

// A note handed to a device. Pitch and velocity are MIDI values; the duration
// is in milliseconds (0: until note-off).
struct NoteJouee {
  int16_t hauteur;
  int16_t velocite;
  int8_t suite;  // negative: the note goes on (tied), no note-off
  int32_t duree;
  int32_t valeur;  // the caller's id of the note
};

// The slots' types, as the device code calls them.
typedef int16_t (*OrganeNewProc)(Portee** staff, AireOrgane* area);
typedef void (*OrganeEnvoieProc)(Portee** staff, AireOrgane* area, const NoteJouee* notes, int16_t count);
typedef void (*OrganeArreteProc)(Portee** staff, AireOrgane* area, const NoteJouee* note, int32_t id, int16_t all);
typedef int16_t (*OrganeAcquitProc)(Portee** staff, AireOrgane* area);
typedef int16_t (*OrganeDeleteProc)(Portee** staff, AireOrgane* area);
typedef void (*OrganePedaleProc)(Portee** staff, AireOrgane* area, int16_t level);
typedef void (*OrganeMenuProc)(Portee** staff, AireOrgane* area);

// Voice states.
enum : int16_t { kVoixLibre = 0, kVoixJoue = 1, kVoixPedale = 2, kVoixRelache = 3 };

struct VoixDigit {
  Instrument* instrument;
  int16_t indexInstrument;
  int16_t groupe;  // the instrument's voice group
  int16_t etat;
  double debut;  // ticks
  double debutRelache;
  int32_t increment;         // 16.16 source samples per output frame
  int32_t incrementCourant;  // with the slide and the vibrato
  int32_t niveau;            // 0..32767
  int32_t niveauRelache;
  int32_t facteurNiveau;   // the sample's level factor; 8192 is unity
  int32_t gauche, droite;  // pan gains, 0..32767
  int32_t relaches[2];     // release rates without and with the pedal
  Enveloppe volume, glissade, vibrato;
  int32_t vitesseVibrato;     // 1/100 Hz
  int32_t profondeurVibrato;  // 1/100 semitone
  double phaseVibrato;
  uint32_t accumulePas;             // envelope steps owed, in output frames x steps per second
  Handle sample;                    // a 16-bit sound in host order (one of the instrument's)
  uint64_t position;                // 16.16 samples
  uint32_t fin;                     // samples
  uint32_t boucleDebut, boucleFin;  // a loop, both ends played, when the end lies past the start
  AireOrgane* aire;
  int16_t note;
  int32_t id;
};

extern VoixDigit* TabVoixDigit;
extern int16_t NbVoixDigitAllouees;
extern bool OverlowDigitalVoices;

// Playback ratios, 16.16, per semitone from 128 below to 128 above a
// sample's own pitch, for the master tuning (4400 = A at 440 Hz); rebuilt
// only when the tuning changes.
constexpr int kNbIncrements = 257;
extern int32_t* TabIncrementDigit;
extern float TabComma[kNbIncrements];  // fractions of a semitone in 1/256
extern int32_t lastMasterTune;
bool CalculeTabIncrementDigit(int32_t masterTune);
void DisposeTabIncrementDigit();

// Hz of a sample's rate code and the voice's increment at the output rate:
// semitone offset from the sample's pitch, fine tuning in 8.8 semitones.
int32_t CalculeIncrementVoix(uint32_t sampleHz, int32_t semitones, int16_t fineTuning);
bool IsPhysicalOversampling(uint16_t factor);

// A voice for the instrument: one of its group, a free one, or one stolen.
VoixDigit* RechercheVoixLibre(Instrument* instrument);
// Fills a voice for a note: sample by pitch and velocity, level, pan,
// envelopes and increment. False when the instrument has no sound for it.
bool InitVoixFnNoteEtInstrument(VoixDigit* voice, const NoteJouee* note, Instrument* instrument, AireOrgane* area);
// Mixes every voice into frames x channels working samples (added), and
// frees the voices that end.
void MixeVoixDigit(int32_t* mix, int32_t frames, int16_t channels, uint32_t outputHz);

// The devices: installers, and the sampled-sound device's operations.
int16_t FixeOrganeDigit(Portee** staff);
int16_t FixeOrganeTempo(Portee** staff);
int16_t newODgit(Portee** staff, AireOrgane* area);
void envoieNotes(Portee** staff, AireOrgane* area, const NoteJouee* notes, int16_t count);
void arreteNotes(Portee** staff, AireOrgane* area, const NoteJouee* note, int32_t id, int16_t all);
int16_t acquitement(Portee** staff, AireOrgane* area);
int16_t deleteODgit(Portee** staff, AireOrgane* area);
void pedale(Portee** staff, AireOrgane* area, int16_t level);

// The sampled-sound area of an instrument: defaults, release (with its
// velocity cache file) and copy (the copy's sounds are its own).
void InitParamDefautDigit(Instrument* instrument);
void LibereDonneesInstrumentDigit(Instrument* instrument);
bool DupliqueInstrumentDigit(const Instrument* source, Instrument* destination, int16_t flag);
