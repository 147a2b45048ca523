#pragma once
// Grace notes of a MusicXML import and the closing steps of the notes pass.
// The model keeps grace notes in their main note's effects, never in the
// staff: the notes pass only stacks them, and once every part is read each run
// of stacked grace notes is attached to its main note. The closing steps then
// apply arpeggios, settle the rests' flags, free the pending-note stacks and
// apply octave shifts.
#include <cstdint>

#include "import/XMLBrowser.h"

struct Dynamique;
struct Partition;
struct Portee;
struct Signe;

// Flag of a note record while the notes pass runs: the rest's position was
// given. Cleared by the closing steps.
constexpr uint16_t kXMLSilencePlacee = 0x0800;

// Stacks one grace note (the note element and its record), with the slurs
// that start or end on it. part and voice make the slurs' keys.
void XMLPushGrace(XMLElt* note, Portee** staff, uint32_t divisions, uint32_t tick, const Signe* record, uint32_t part,
                  int32_t voice);
// Every closing step, once the last part is read.
void XMLTermineNotes(Partition** score);
// The steps one by one.
void XMLAttacheGraces();
void XMLAppliqueArpeges(Partition** score);
void XMLDrapeauxSilences(Partition** score);
void XMLAppliqueOctaves(Partition** score);
// Moves the notes an octave-shift object covers by whole octaves (their stems
// with them), on the staff or every staff of its merge.
void AppliqueUnOctaveShift(Partition** score, Portee** staff, const Dynamique* object, int16_t octaves);
