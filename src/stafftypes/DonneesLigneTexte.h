#pragma once
// SHARED(data): the two text lines a staff carries under its music (line 1
// the lyrics, line 2 the chord names) and the spacing columns a bar of such a
// line is divided into. A line is cut into cells, one Texte record of the
// staff per bar and verse (model/QrvText.h); inside a bar its syllables sit on
// the columns one by one. Their operations are in stafftypes/PorteeKaraoke.h.
#include "platform/PlatformTypes.h"
#include "text/TextStyle.h"

struct Portee;

// Called while a line is drawn, at the bar start (cell 0) and at each column.
typedef int16_t (*VectTraiteTaquet)(Portee** staff, int16_t bar, int16_t cell);

// Column modes: how a bar is divided when its notes give no column.
enum : uint32_t {
  kTaquetsPeriode = 0,   // one column every `parametre` bars
  kTaquetsNombre = 1,    // `parametre` columns per bar
  kTaquetsTemps = 2,     // one column per beat
  kTaquetsNotes = 3,     // one column per note or chord, else per beat
  kTaquetsDivision = 4,  // one column per time division
};

// Line ids, stored in the cells of each line.
enum : uint32_t { kLigneTexteLibre = 0, kLigneTexteParoles = 1, kLigneTexteAccords = 2 };

struct LigneTexte {
  uint32_t id;        // kLigneTexteParoles or kLigneTexteAccords
  char libelle[256];  // drawn at each system start; empty for none
  TextStyle styleLibelle;
  Rect rectLibelle;               // where the label went, written when it is drawn
  TextStyle styleCellule;         // default style of the cells
  uint8_t alignement;             // 0 syllable starts at its column, 1 centred on the head, 255 ends there
  uint16_t hauteurLigne;          // height of one verse row, 72 dpi; 0 until laid out
  uint16_t baseVersBas;           // a row's baseline to its bottom
  uint16_t decalageHaut;          // first row below the staff's top, in the staff's pixels
  int16_t nbLignes;               // verse rows shown
  uint8_t afficheCodes;           // markers drawn as text
  uint8_t echelleIdeale;          // bars are widened until their syllables fit
  uint8_t guides;                 // guide lines and bar lines drawn in colour 33
  uint32_t modeTaquets;           // kTaquets*
  uint16_t parametreTaquets;      // count or period of modes 0 and 1
  uint8_t utf8;                   // cell texts are UTF-8
  VectTraiteTaquet traiteTaquet;  // only the chord-name line sets it
};

// At most this many columns in a bar; callers own arrays of this size.
constexpr int kMaxTaquetsMesure = 256;

// Column kinds.
enum : uint32_t { kTaquetNote = 0, kTaquetNoteSuivieSilence = 1, kTaquetDivision = 2 };

struct TaquetKaraoke {
  int32_t temps;          // from the bar's start, ticks
  int32_t duree;          // the note's duration, ticks
  uint16_t xRuban;        // from the bar's start on the piano roll
  uint16_t largeurRuban;  // to the next column, or to the end of the useful width
  uint16_t xEcran;        // the same on screen
  uint16_t largeurEcran;
  uint16_t largeurSyllabe;  // written by the measuring of syllables
  uint32_t type;            // kTaquet*
  uint16_t largeurTete;     // the note's head width
  uint8_t depasse;          // the note lasts past the bar's end
};
