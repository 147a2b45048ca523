#pragma once
// Directions of a MusicXML import: dynamics, wedges, pedals, octave shifts,
// words and rehearsal marks; jumps and tempo marks of direction events.
#include <cstdint>

#include "import/XMLMusicFrame.h"

struct Document;
struct Portee;

// Object units per staff space of the heights the import gives staff texts:
// a direction's position is counted in eighths of a staff space.
constexpr float kXMLUniteObjet = 8.0f;

// Between-staves flags of the dynamics of brace groups, once every object is in.
void XMLFinalizeDynamics(Document* doc);
// One "direction" event of the replay, at the tick where it stands.
void XMLApplyDirectionEvent(const XMLEvent& event, int32_t tick, Document* doc);

// The readers of direction-type children, also called by the notes pass for
// the dynamics and wedges of a note's notations: the staff, the start, the
// note's index (-1 for none), the divisions and the placement (-1 absent,
// 0 below, 1 above).
void XMLProcessDynamic(XMLElt* element, Portee** staff, int32_t tick, int32_t index, int32_t divisions,
                       int32_t placement);
void XMLProcessWedge(XMLElt* element, Portee** staff, int32_t tick, int32_t index, int32_t divisions,
                     int32_t placement);
void XMLProcessPedal(XMLElt* element, Portee** staff, int32_t tick, int32_t index, int32_t divisions,
                     int32_t placement);
void XMLProcessOctaveShift(XMLElt* element, Portee** staff, int32_t tick, int32_t index, int32_t divisions,
                           int32_t placement);
void XMLProcessRehearsal(XMLElt* element, Portee** staff, int32_t tick, int32_t index, int32_t divisions,
                         int32_t placement);
void XMLProcessWord(XMLElt* element, Portee** staff, int32_t tick, int32_t index, int32_t divisions, int32_t placement);

// Where a direction stands: x its tick (moved by the direction's offset), y
// in eighths of a staff space below the bottom line (negative above), and
// when asked the file's relative-x in the staff's horizontal units.
void XMLCalculePosXY(XMLElt* element, Portee** staff, int32_t index, int32_t tick, int32_t divisions, float* x,
                     float* y, int32_t placement, float* relativeX);

// The ordinal of a value among the jump labels of its kind ("SEGN", "CODA",
// "CAPO", "FINE") in order of first appearance over the import; a new value
// takes the next one.
int32_t GetValueFromJumpDict(const char* kind, const char* value);
