#pragma once
// Directions of a MusicXML import: dynamics, wedges, pedals, octave shifts,
// words and rehearsal marks.
struct Document;

void XMLFinalizeDynamics(Document* doc);
