#pragma once
// Chord definitions and chord diagrams as the model holds them: the chord of
// a chord-grid cell, of a diagram placement and of a custom diagram.
#include "platform/PlatformTypes.h"

constexpr int kTailleNomAccord = 32;

// A chord: a root, four interval choices, an octave and an inversion.
struct DefAccord {
  char nom[kTailleNomAccord];      // the chord's own text (UTF-8), used with nomPropre
  int32_t neck;                    // neck id of the instrument, -1 any
  int8_t fondamentale;             // step 0..6 (C..B); negative: no root
  uint8_t alterationFondamentale;  // 1 sharp, 3 flat, 2 none
  int16_t tierce;                  // 0 major, -1 minor, 1 fourth, 2 absent
  int16_t septieme;                // 0 major seventh, -1 minor seventh, -2 sixth, 2 absent
  int16_t quinte;                  // 0 perfect, -1 diminished, 1 augmented, 2 absent
  int16_t neuvieme;                // 0 ninth, -1 flat, 1 sharp, 2 absent
  uint8_t nomPropre;               // 1: nom is the chord's text
  uint16_t octave;                 // of the root, 4 by default
  int16_t renversement;            // 0 root position, 1 third .. 4 ninth in the bass
};

constexpr int kNbCordesDiagramme = 6;
constexpr int kNbPointsDiagramme = 5;

// A barre or a dot of a fretboard diagram: a fret over a run of strings.
struct PointDiagramme {
  uint8_t caseManche;
  uint8_t premiereCorde;
  uint8_t derniereCorde;
};

// A custom chord diagram.
struct DiagrammeAccord {
  DefAccord accord;
  uint8_t cordes[kNbCordesDiagramme];  // per string: open, muted or fretted mark
  uint8_t caseBase;                    // the fret the drawing starts at
  uint8_t octetsLus[2];                // two bytes documents store, kept as read
  uint8_t nbPoints;
  PointDiagramme points[kNbPointsDiagramme];
  uint32_t idUnique;  // the diagram's seal
};
