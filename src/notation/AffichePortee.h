#pragma once
// The staff drawing driver. What the model calls is declared in
// notation/ServicesNotation.h.
#include "notation/ServicesNotation.h"

struct Partition;
struct Portee;
struct Rect;
// Beam groups of a bar: the group of a tick, numbered bar x 128 + group (a
// group starts at each beat whose boundary bit is set in the bar's grouping
// mask), and the first tick of a group (a group past the bar's last is the
// bar's end).
int32_t CvtTempsEnNumGroupeAccroche(Partition** score, int32_t tick);
int32_t CvtNumGroupeAccrocheEnTemps(Partition** score, int32_t number);

// Draws one staff of a system between two ticks into the current port, layer
// after layer (background and header through the staff type's slots, then
// objects, bar passes and notes, then texts). area null: the staff's own
// rectangle. plainBar gets no bar line of its own (the system's first bar);
// armatureFlag goes to the line-start slot, firstBarFlag is the first bar
// pass's draw-line flag; withHeader: the line starts with the score's header
// width; notesOnly draws no background, header or bar passes; barOption goes
// to every bar pass. Returns the staff's height on screen.
int16_t AffichePorteeBrut(Portee** staff, const Rect* area, int32_t startTick, int32_t endTick, uint16_t plainBar,
                          uint8_t armatureFlag, uint8_t firstBarFlag, uint8_t withHeader, uint8_t notesOnly,
                          uint8_t barOption);
// Only the notes (merged staves' second pass).
int16_t AfficheNotesPortee(Portee** staff, const Rect* area, int32_t startTick, int32_t endTick, uint16_t plainBar,
                           uint8_t armatureFlag, uint8_t firstBarFlag, uint8_t withHeader);
// Everything but the notes: the note slot is stubbed for the call.
int16_t AffichePorteeSansNotes(Portee** staff, const Rect* area, int32_t startTick, int32_t endTick, uint16_t plainBar,
                               uint8_t armatureFlag, uint8_t firstBarFlag, uint8_t withHeader, uint8_t barOption);
