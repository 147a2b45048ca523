#pragma once
// The standard sound base: sampled-instrument templates, sounds and effect
// presets keyed by standard sound id, in resource files and in data files
// "%05d.rsd" for large sounds. An instrument without sounds of its own takes
// them from here. No base ships with the plug-in: its tables stay empty, its
// files are reached only through an access interface that answers "not
// available" unless one is installed, and every operation returns at its
// first test.
#include <cstdint>

#include "platform/PlatformTypes.h"
#include "sound/DonneesInstrument.h"
#include "system/Dossiers.h"

struct Document;

// One sound of the base, in ascending id order.
struct DescriptionSon {
  int16_t fichier;       // index in the file table; negative: none
  uint32_t exclusion;    // non-zero: left out of the searches that ask for it
  uint16_t id;           // standard sound id
  int16_t remplacement;  // id to use instead; negative: keep
};

struct FichierSon {
  int16_t ref;  // 0 never opened, -1 closed, else the open file
  char nom[64];
};

extern Handle TabDescriptionsSons;  // DescriptionSon records
extern int16_t NbDescriptionsSons;
extern Handle TabFichiersSons;  // FichierSon records; entry 0 stays open
extern int16_t NbFichiersSons;
extern bool BaseSonsLue;         // the base has been read
extern bool MoteurSonPret;       // the sound engine is ready
extern char NomBaseSons[64];     // the base's file name
extern CheminVol PathSoundBase;  // unset (dir 0) without a base
extern CheminVol PathSoundBaseCache;

// How the base's files are reached: resource files by name, and the data
// files. Every call answers a failure in the default, which stands for a
// machine without a base.
struct AccesBaseSons {
  // A reference > 0, 0 when the file cannot be opened.
  int16_t (*ouvreFichier)(const char* name);
  void (*fermeFichier)(int16_t ref);
  // A new handle with a copy of the resource, null when absent.
  Handle (*litRessource)(int16_t ref, ResType type, int16_t id);
  // A data file: a reference > 0, 0 when absent; its size; bytes read at an
  // offset (fewer at its end).
  int32_t (*ouvreDonnees)(const char* name);
  int64_t (*tailleDonnees)(int32_t ref);
  int32_t (*litDonnees)(int32_t ref, int64_t offset, void* into, int32_t count);
  void (*fermeDonnees)(int32_t ref);
};
// Null puts back the "not available" access.
void FixeAccesBaseSons(const AccesBaseSons* access);

// Fills the tables from descriptions in ascending id order whose file indexes
// name one of the files, and marks the base read and the engine ready; false
// (the base left empty) otherwise. What reads a real base installs it here.
bool InstalleBaseSons(const DescriptionSon* descriptions, int16_t count, const char* const* files, int16_t nbFiles);
// Closes the files, empties the tables and the data-file cache, clears both flags.
void LibereBaseSons();

// Maps each used instrument's sound id to its standard id after an import.
// Only once a base was read.
void ConvertitIdInstrumentsApresChargement(Document* document, int16_t exclusive, int16_t keepVoices);
// Opens (or makes current) the file holding an id; 1, or 0.
int16_t OuvreFichierSonSelonDigit(int32_t id);
// The file that OuvreFichierSonSelonDigit made current; 0 when none.
int16_t GetFichierSonCourant();
bool IsIdStandardExisteDansBase(int32_t id);
// The nearest id the base holds: for drums the lowest kit x 10000 + note
// distance x 10; otherwise the last id below. 0 when none.
int32_t RechercheIdMidiProche(int32_t id, int16_t melodicOnly);

// The instrument's standard sounds, or those of the nearest id. 1 or 0.
int16_t ChargeDigitStandard(Instrument* instrument);
int16_t LitDigitStandardDansInstrument(int32_t id, Instrument* instrument);
// The file that held the template, 0 when none was found, -1 when the
// engine is not ready or the id's file cannot be opened.
int16_t LitTmplDgigStandardDansInstrument(int32_t id, Instrument* instrument);
void LitVibratoStandardDansInstrument(int32_t id, Instrument* instrument);
void LitTremoloStandardDansInstrument(int32_t id, Instrument* instrument);
void LitFXParamStandardDansInstrument(int32_t id, Instrument* instrument);

// A sound of a data file "%05d.rsd"; null when the file or the record is
// missing. Records found are remembered, so a second request goes straight
// to it.
Handle ReadSonInDataFile(int32_t fileNumber, int32_t sampleNumber);
// Corrections of a few known sounds, on a header still in stored order.
void Gold2Patch(int32_t id, int32_t slot, Handle sound);

// Templates in stored order ("Dgig", 4700 bytes) into the area's template
// part: `count` slots, at most 256 (more is reported and not converted).
void CvtTmplDgigInterne(const uint8_t* bytes, int32_t size, int32_t count, ModeleSonsInstrument* out);
// The same with the template's own count.
void CvtTmplDgigMoto2Intel(const uint8_t* bytes, int32_t size, ModeleSonsInstrument* out);
constexpr int32_t kTailleTmplDgig = 4700;

// Closes every open sound file but the first.
void GarbageFichierSons();
// Makes the cache folder current; false when it is not set.
bool FixePathSoundBaseCache();
// "%s-%ld.tmp": the base's file name without its extension, and n.
void CreeNomFichierCacheStandard(int32_t n, char* name, size_t size);
