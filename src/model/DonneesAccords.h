#pragma once
// Chord definitions and chord diagrams as the model holds them: the chord of
// a chord-grid cell, of a chord-list record, of a diagram placement and of a
// custom diagram. Their operations are in model/Accords.h (chord analysis
// and chord lists) and model/DiagrammesAccord.h (the diagram library).
#include "platform/PlatformTypes.h"

constexpr int kTailleNomAccord = 32;

// A chord: a root, four interval choices, an octave and an inversion.
struct DefAccord {
  char nom[kTailleNomAccord];      // the chord's own text (UTF-8), used with nomPropre; a grid cell's text
  int32_t neck;                    // neck id of the instrument, -1 any
  int8_t fondamentale;             // step 0..6 (C..B); negative: no root
  uint8_t alterationFondamentale;  // 1 sharp, 3 flat, 2 none
  int16_t tierce;                  // 0 major, -1 minor, 1 fourth, 2 absent
  int16_t septieme;                // 0 major seventh, -1 minor seventh, -2 sixth, 2 absent
  int16_t quinte;                  // 0 perfect, -1 diminished, 1 augmented, 2 absent
  int16_t neuvieme;                // 0 ninth, -1 flat, 1 sharp, 2 absent
  uint8_t nomPropre;               // 1: nom is the chord's text
  // The value stored beside the name switch; in a chord-grid cell it marks a
  // cell that holds a chord.
  uint8_t valeur;
  uint16_t octave;       // of the root, 4 by default
  int16_t renversement;  // 0 root position, 1 third .. 4 ninth in the bass
};

constexpr int kNbCordesDiagramme = 6;
constexpr int kNbPointsDiagramme = 5;
// A diagram of the diagram library holds more dots than a staff's.
constexpr int kNbPointsDefDiagramme = 8;

// A dot of a fretboard diagram, or a barre when its two strings differ.
struct PointDiagramme {
  int8_t caseManche;  // relative to the base fret
  int8_t premiereCorde;
  int8_t derniereCorde;
};

// A chord diagram of a staff's (or a document's) own list.
struct DiagrammeAccord {
  uint32_t idUnique;  // the seal of its defining fields (ScelleDiagrammeEditeAccord)
  DefAccord accord;
  uint8_t octetsLus[2];             // two bytes documents store, kept as read; not sealed
  char cordes[kNbCordesDiagramme];  // per string: a mark, 'X' or 'x' for a muted string
  uint8_t caseBase;                 // the fret of the grid's top line
  int8_t nbPoints;
  PointDiagramme points[kNbPointsDiagramme];
};

// A diagram of the diagram library: the same sealed values, its string marks
// as a C string.
struct DefDiagrammeAccord {
  DefAccord accord;
  char cordes[kNbCordesDiagramme + 2];
  uint8_t caseBase;
  int8_t nbPoints;
  PointDiagramme points[kNbPointsDefDiagramme];
};

// A placement holds more dots than a custom diagram.
constexpr int kNbPointsPlacement = 8;

// A chord diagram placed on a staff between two positions: its chord and, in
// newer documents, its own fretboard drawing.
struct PlacementDiagramme {
  uint32_t idUnique;  // the placed diagram's seal
  DefAccord accord;
  // Start and end (ticks, or piano-roll pixels x 32 with modePosition), top
  // and bottom in object units.
  int32_t debut;
  int32_t fin;
  int32_t haut;
  int32_t bas;
  uint16_t valeursPlacement[2];
  int16_t indexDiagramme;  // in the diagram list; -1 none
  uint16_t decalage;       // shift in semitones
  uint16_t mot;
  uint8_t afficheNom;
  uint16_t couleurGrille;  // colour indexes; 0 takes the staff's, the grid's, the dots'
  uint16_t couleurPoints;
  uint16_t couleurNom;
  uint8_t modePosition;  // 0 ticks; else piano-roll pixels x 32
  uint32_t cache;        // non-zero: not drawn
  char cordes[kNbCordesDiagramme];
  uint8_t caseBase;
  int8_t nbPoints;
  PointDiagramme points[kNbPointsPlacement];
  // The start made relative to the notes around an edit (anchor and offset).
  int32_t ancrePreserve;
  int32_t decalagePreserve;
};
