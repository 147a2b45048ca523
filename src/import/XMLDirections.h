#pragma once
// Directions of a MusicXML import: dynamics, wedges, pedals, octave shifts,
// words and rehearsal marks; jumps and tempo marks of direction events.
#include <cstdint>

#include "import/XMLMusicFrame.h"

struct Document;
struct Portee;

void XMLFinalizeDynamics(Document* doc);
// One "direction" event of the replay, at the tick where it stands.
void XMLApplyDirectionEvent(const XMLEvent& event, int32_t tick, Document* doc);
// A "dynamics" or "wedge" element met in a note's notations: the note's
// staff, start, index and divisions, and the element's placement.
void XMLProcessDynamic(XMLElt* element, Portee** staff, int32_t tick, int32_t index, int32_t divisions,
                       int32_t placement);
void XMLProcessWedge(XMLElt* element, Portee** staff, int32_t tick, int32_t index, int32_t divisions,
                     int32_t placement);
