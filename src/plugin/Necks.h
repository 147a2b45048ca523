#pragma once
// SHARED(services): the neck table, where tablatures, chord diagrams and the
// importers look up the fretted instruments they write for (an id, names in
// two languages, up to 16 strings with their open pitch, fret count and first
// fret). It is filled from the neck files of the application's and the user's
// necks folders, and from the necks documents carry.
#include "platform/PlatformTypes.h"

constexpr int kMaxCordesNeck = 16;
// The id a tuning search answers when no neck fits: the tablature keeps its
// own tuning.
constexpr int32_t kNeckPersonnalise = 1001;
// Chord definitions with this neck are drawn as a piano keyboard.
constexpr int32_t kNeckPiano = 4000;

// Where a neck comes from; user and document necks sort first.
enum : uint8_t { kNeckApplication = 0, kNeckUtilisateur = 1 };

// Notation modes of a neck (how frets are written on the tablature).
enum : uint8_t { kNeckChiffres = 0, kNeckLuth = 1, kNeckDulcimer = 2, kNeckShamisen = 3, kNeckKountigui = 4 };

struct CordeNeck {
  int16_t hauteur;       // open pitch, MIDI number ("Pch")
  int16_t nbCases;       // fret count ("Nb")
  int16_t premiereCase;  // fret the string starts at ("Fst")
};

// One table entry. Strings run from the first tablature line (the highest
// string) down.
struct Neck {
  uint8_t present;  // a chord diagram or tablature of the document uses it
  uint8_t source;   // kNeckApplication or kNeckUtilisateur
  int32_t id;
  char nomFR[64];
  char commentaireFR[255];
  char nom[64];
  char commentaire[255];
  uint8_t transpose;
  uint8_t mode;
  int16_t nbCordes;  // 0 to kMaxCordesNeck
  CordeNeck cordes[kMaxCordesNeck];
};

// The records back to back, in table order; null when empty.
extern Handle GlobalTabNeck;

// Rebuilds the table from the application's and the user's necks folders
// (the folders that cannot be made current add nothing); the current folder
// is kept.
void InitTabNeck();
// Empties the table.
void LibereTabNeck();
// Adds one neck per "*.nck" file of the current folder, marked with the source.
void AddFichiersNecks(uint8_t source);
// Reads a neck stored in a document and adds it unless its id is known; the
// id, or 0 for the piano keyboard.
int32_t ReadNeck();

int32_t GetNbNecks();
// Copies entry `index`; false when there is none.
bool GetNeck(int32_t index, Neck* neck);
// The first entry with the id in table order, or -1.
int32_t RechercheIndexNeck(int32_t id);
// The string count of the neck, or -1 when it is unknown.
int16_t GetNbCordesNeck(int32_t id);
void FixeNeckPresent(int32_t id, uint8_t flag);
// A neck whose strings have the pitch classes asked for (octaves ignored):
// application necks first, then the user's; kNeckPersonnalise when none fits.
int32_t RechercheNeckSelonAccordage(int16_t count, const int16_t* pitches);
int32_t RechercheNeckSelonAccordageSelonMode(int16_t count, const int16_t* pitches, uint8_t source);
// Table order: user and document necks first, then by id.
int VectClasseNeck(const Neck* a, const Neck* b);

// Key handlers of the neck files.
bool LoadTraiteNeck(char* word, void* neck);
bool LoadTraiteCordeNeck(char* word, void* string);
