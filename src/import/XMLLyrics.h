#pragma once
// Lyrics, text formatting and credits of a MusicXML import.
#include <cstdint>

#include "import/XMLBrowser.h"

struct Document;
struct Portee;

void XMLFinalizeLyrics(Document* doc);
// Credits become page texts or titles.
void XMLProcessCredits(Document* doc, XMLRootElt* tree);
void XMLConvertFreeObjectsToDocumentInfo(Document* doc);
// One "lyric" element of a note of the staff starting at the tick.
void XMLProcessLyric(Portee** staff, int32_t tick, XMLElt* lyric);
