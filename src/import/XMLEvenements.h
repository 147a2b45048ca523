#pragma once
// The replay of a MusicXML import's measure-level events on the score whose
// bars exist: keys, clefs, time signatures and transpositions; page and
// system breaks and layouts; the initial tempo; bar lines, repeats, endings,
// segno and coda signs. Directions and harmonies go to their own readers.
#include <cstdint>

#include "import/XMLMusicFrame.h"

// 1 when every event was applied, 0 when the import was stopped.
uint8_t XMLApplyEvents(XMLEvent* events, int32_t count, Handle barNumbers, Document* doc);
