#pragma once
// The tablature text importer's working records, shared by the reader
// (ImportTAB.cpp) and the meter scoring and note timing (TABTemps.cpp).
#include <cstdint>
#include <string>
#include <vector>

#include "model/Ruptures.h"

// Technique flags of a note, in the order of their marks.
enum : int {
  kTabHammer = 0,   // mark 1
  kTabPullOff,      // mark 2
  kTabBend,         // mark 8
  kTabRelache,      // mark 9
  kTabGlisseHaut,   // mark 4
  kTabGlisseBas,    // mark 5
  kTabVibrato,      // mark 35
  kTabTap,          // mark 16
  kTabEtouffee,     // mark 12
  kTabSlap,         // mark 17
  kTabPop,          // mark 18
  kTabHarmonique,   // mark 19
  kNbTechniquesTab  // 12
};

// The mark code of each technique flag.
extern const uint8_t kMarquesTechniquesTab[kNbTechniquesTab];

constexpr int32_t kTicksNoire = 40320;
constexpr int32_t kScoreImpossible = -999999999;

struct NoteTab {
  int32_t position = 0;  // normalised position (0..10000), then the tick in the bar
  int32_t colonne = 0;   // text column in the bar
  int32_t largeur1 = 0;  // digits of the fret
  int32_t largeur2 = 0;  // technique letters read after it
  int16_t corde = 0;     // 0: top line
  int16_t frette = 0;
  uint8_t techniques[kNbTechniquesTab] = {};
};

struct BarreTab {
  // Repeat start and repeat end; unused while their type is none.
  Rupture debutRepetition{};
  Rupture finRepetition{};
  int32_t premiereLigne = 0;  // the system's top string line
  int32_t premiereColonne = 0;
  int32_t largeur = 0;              // text columns
  std::vector<std::string> grille;  // one row per string; consumed characters become '-'
  std::vector<NoteTab> notes;       // in column order
  bool finSysteme = false;
};

// The importer's process state, cleared at the start of every import.
struct ChargeTab {
  std::string texte;                  // line ends made CR, final NUL
  std::vector<uint32_t> debutLignes;  // one per line, plus one past the last
  uint16_t nbCordes = 0;
  uint16_t accordage[16] = {};  // top string first
  uint16_t caractereBarre = 0;
  uint16_t temps = 4;
  uint16_t unite = 4;
  std::vector<BarreTab> barres;
  // Text systems: first string line, and the bars that come from it.
  struct Systeme {
    int32_t premiereLigne;
    int32_t premiereBarre;
    int32_t finBarres;
  };
  std::vector<Systeme> systemes;
  uint8_t basse = 0;  // the file name ends in "btab"
};

extern ChargeTab loadTab;

// Meter scoring and note timing.
int32_t EvaluePosRelativeNoteMesure(BarreTab* bar, int16_t beats, int16_t offset, int16_t shift, int16_t mode);
int64_t EvalueNoteTabFnTemps(int16_t beats);
// Chooses 3 or 4 beats and leaves every note's normalised position of that meter.
int16_t ChoisitTempsTab();
// Turns the normalised positions of a bar's notes into ticks in the bar.
void CalculeTicksNotesBarre(BarreTab* bar, int16_t beats);
