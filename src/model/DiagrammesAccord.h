#pragma once
// Chord diagrams: fretboard grids kept in a staff's own list (a handle of
// DiagrammeAccord records, also the custom diagrams of a document), sealed by
// their defining fields so that equal diagrams carry equal ids, and found by
// id or built from a fingering.
#include "model/Accords.h"
#include "platform/PlatformTypes.h"

struct Portee;

// A dot of a diagram, or a barre when its two strings differ.
struct PointDiagramme {
  int8_t frette;  // relative to the base fret
  int8_t premiereCorde;
  int8_t derniereCorde;
};

constexpr int kMaxPointsDiagramme = 5;
// A diagram of the diagram library holds more dots than a staff's.
constexpr int kMaxPointsDefDiagramme = 8;

struct DiagrammeAccord {
  uint32_t idUnique;  // the seal (ScelleDiagrammeEditeAccord)
  DefAccord def;
  // Two bytes the diagram lookup reads: the diagram comes from a fingering,
  // and it is preferred among equal ones. Not sealed.
  uint8_t doigte;
  uint8_t prefere;
  char marques[6];   // one per string; 'X' or 'x' mutes it
  uint8_t caseBase;  // fret of the grid's top line
  int8_t nbPoints;
  PointDiagramme points[kMaxPointsDiagramme];
  uint8_t reserve;
};

// A diagram of the library: the same sealed values, its string marks as a C
// string.
struct DefDiagrammeAccord {
  DefAccord def;
  char marques[8];
  uint8_t caseBase;
  int8_t nbPoints;
  PointDiagramme points[kMaxPointsDefDiagramme];
};

int32_t GetNbDiagrammesAccords(Handle diagrams);
// Appends a new diagram (creating the list) and returns its index, -1 when it
// cannot be added.
int32_t CreeAccord(Handle* diagrams);
void DisposeAccords(Handle* diagrams);
// Strings of the diagram's neck; 6 without one.
int16_t GetNbCordesDiagrammeAccord(const DiagrammeAccord* diagram);
uint32_t ScelleDiagrammeEditeAccord(const DiagrammeAccord* diagram);
uint32_t ScelleDiagrammeAccord(const DefDiagrammeAccord* definition);
// Index of the first diagram with that id; -1 when none.
int32_t RechercheDiagrammeAccordParIdUnique(Handle diagrams, uint32_t id);
// Appends a copy of a diagram to the staff's list, its name made unique with
// "(1)", "(2)", ...; its index, or -1.
int32_t AjouteDiagrammeAccordPortee(Portee** staff, const DiagrammeAccord* diagram);
// Builds a diagram from a note list and appends it to the staff's list; the
// address of the new record (valid until the list next changes), or null.
DiagrammeAccord* AjouteDiagrammeParDoigte(Portee** staff, const NoteAnalyse* notes, int16_t option);
DiagrammeAccord* RechercheDiagrammeParDoigte(Portee** staff, const NoteAnalyse* notes, bool enabled, int16_t option);
// The fret pressed on a string: -1 muted, 0 open or no dot holds it.
int16_t RecherchePremiereCaseDiagrammeAccord(const DiagrammeAccord* diagram, int16_t string);
