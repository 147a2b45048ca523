#pragma once
// Chord diagrams: fretboard grids kept in a staff's own list (a handle of
// DiagrammeAccord records, model/DonneesAccords.h), sealed by
// their defining fields so that equal diagrams carry equal ids, and found by
// id or built from a fingering.
#include "model/Accords.h"
#include "model/DonneesAccords.h"
#include "platform/PlatformTypes.h"

struct Portee;

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
