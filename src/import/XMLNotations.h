#pragma once
// Notations of a MusicXML note: ornaments, technical indications,
// articulations, fermatas, arpeggios and free accidentals become marks of the
// note (a few technical elements set note fields instead), and the first
// tuplet sets the note's bracket and opens or closes a tuplet span.
#include <cstdint>

#include "import/XMLBrowser.h"

struct Mark;
struct Portee;

// Mark codes the import makes, beside those the model names.
enum : uint8_t {
  kXMLMarkTrille = 31,  // 32 flat, 33 sharp, 34 natural
  kXMLMarkAccident = 99,
};

// How a tuplet element of a note opens or closes the span of its notes.
enum : int { kXMLTupletAucun = 0, kXMLTupletDebut = 1, kXMLTupletFin = 2 };

// "sharp" 1, "natural" 0, "flat" 3, "double-sharp" and "sharp-sharp" 4,
// "flat-flat" 5, anything else 2 (none). Exact case.
int32_t XMLCvtAccidentalEnAlteration(const char* text);
// Flip and offsets of a mark from the element's placement and relative
// position (tenths), for the note at index.
void SetMarkPosition(const XMLElt* element, Portee** staff, int32_t index, Mark* mark);
void ProcessFermata(XMLElt* fermata, Portee** staff, int32_t index);
// Every notations element family of a note, in order: ornaments, technical,
// articulations, fermatas, arpeggios, accidental marks, other notations, then
// the first tuplet. Returns what the tuplet does to the span.
int XMLProcessNotations(XMLElt* notations, Portee** staff, int32_t index);
// A rest only takes its fermatas and its tuplet.
int XMLProcessNotationsSilence(XMLElt* notations, Portee** staff, int32_t index);
