#pragma once
// SHARED(data): the tablature record of a staff. Its operations are declared
// in stafftypes/ServicesTypesPortee.h.
#include "platform/PlatformTypes.h"
#include "text/TextStyle.h"

// Display flags of a tablature record.
enum : uint8_t { kTablatureAfficheNotation = 2 };

struct Portee;

// The record's operation slots, filled by its kind; a null slot does nothing
// (a tablature without a height slot is 0 high).
struct VecteursTablature {
  // Recomputes the line spacing and heights at the destination resolution.
  void (*ReCalculeInterneGraph)(Portee** staff);
  // The tablature's height in pixels at the destination resolution (asked with 1).
  int16_t (*GetHauteurEcran)(Portee** staff, int16_t mode);
};

// Fixed room of the record: what a document stores beyond it is read and dropped.
constexpr int kNbCordesTablature = 16;
constexpr int kNbTrousHarmonica = 20;
constexpr int kNbRangeesSupHarmonica = 5;
constexpr int kNbBoutonsAccordeon = 16;
constexpr int kNbRangeesAccordeon = 3;  // keyboard rows
constexpr int kNbBanquesBassesAccordeon = 8;
constexpr int kNbRangeesBassesAccordeon = 3;

// Tablature instruments other than necks.
enum : uint32_t { kTablatureHarmonica = 2000, kTablatureAccordeon = 3000 };

// One string: three values, the first its open pitch.
struct CordeTablature {
  uint16_t valeurs[3];
};

struct TrouHarmonica {
  uint8_t souffle;  // blow and draw pitches, then with the slide pushed
  uint8_t aspire;
  uint8_t souffleCoulisse;
  uint8_t aspireCoulisse;
  uint8_t rangees[kNbRangeesSupHarmonica];  // one pitch per extra row
};

// A harmonica the user defined.
struct DefinitionHarmonica {
  char nom[32];  // UTF-8
  uint8_t chromatique;
  uint8_t valves;
  uint8_t nbTrousUtilises;
  uint8_t nbTrous;
  TrouHarmonica trous[kNbTrousHarmonica];
};

struct Harmonica {
  int32_t modele;  // -1: the user definition below
  uint16_t mot;
  int32_t valeur;
  int16_t octet;
  uint8_t switches[5];
  uint8_t octets[2];
  DefinitionHarmonica definition;
};

// A button of the accordion keyboard: its pitch on the push and on the pull.
struct BoutonAccordeon {
  uint8_t pousse;
  uint8_t tire;
};

// One bass button: its chord on the push and on the pull (names and notes).
struct AccordAccordeon {
  char nomPousse[12];
  char notesPousse[36];
  char nomTire[12];
  char notesTire[36];
};

struct Accordeon {
  uint16_t present;  // 1: the block below was stored
  int32_t valeur;
  uint8_t octet;
  uint16_t intervalleSoufflet;  // bellows reversal, in quarter notes
  char chaines[6][256];         // kept at 63, 63, 254, 31, 31 and 254 characters
  uint16_t premierBouton;
  uint16_t nbRangees;        // at most kNbRangeesAccordeon
  uint16_t nbRangeesBasses;  // at most kNbRangeesBassesAccordeon
  char nomsRangees[kNbRangeesAccordeon][32];
  BoutonAccordeon clavier[kNbBoutonsAccordeon][kNbRangeesAccordeon];
  AccordAccordeon basses[kNbBanquesBassesAccordeon][kNbRangeesBassesAccordeon];
  uint8_t octet800;
};

// The head of the record: the tablature code completes it with its geometry,
// text styles and the rest of its operation slots.
struct Tablature {
  uint32_t kind;           // kTablatureAccordeon, kTablatureHarmonica, else a neck id (0 fretted)
  uint8_t flagsAffichage;  // kTablatureAfficheNotation: standard notation shown too
  int16_t decalageHaut;    // y of the first tablature line relative to the staff's base line
  // Offset of the first line below the staff area's top: at 72 dpi, zoomed,
  // and zoomed for the piano roll (layout/HauteursPortees.h sets them).
  int16_t ligneBase;
  int16_t ligneBaseZoom;
  int16_t ligneBaseRuban;
  float decalage;  // under a staff of another type: added to the staff's height
  VecteursTablature vecteurs;

  // As documents store it.
  uint16_t nbCordes;  // as stored; at most kNbCordesTablature are kept
  CordeTablature cordes[kNbCordesTablature];
  uint8_t transposition;
  int32_t modeNumeros;  // 0 numbers, 1 lute letters, 2 dulcimer, 3 shamisen, 4 kountigui
  // Weights of the automatic fingering.
  uint16_t envergure;  // hand span in frets
  uint16_t poidsCase;
  uint16_t poidsCordeVide;
  uint16_t poidsChangementCorde;
  uint16_t profondeur;  // search depth
  uint16_t poidsEcart;
  uint8_t octetPoids;
  uint8_t couleur;  // colour index
  // Number style, text style, and the style of the other numbers.
  TextStyle styles[3];
  uint16_t mot;
  int16_t capo;
  uint8_t switches[6];
  uint8_t octets[5];
  uint8_t partageGroupe;  // shared by the staff's group (1)
  Harmonica harmonica;
  Accordeon accordeon;
};
