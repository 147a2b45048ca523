#pragma once
// Directions of a MusicXML import: dynamics, wedges, pedals, octave shifts,
// words and rehearsal marks; jumps and tempo marks of direction events.
#include "import/XMLMusicFrame.h"

struct Document;

void XMLFinalizeDynamics(Document* doc);
// One "direction" event of the replay, at the tick where it stands.
void XMLApplyDirectionEvent(const XMLEvent& event, int32_t tick, Document* doc);
