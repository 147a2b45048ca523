#pragma once
// Bar skeleton of a MusicXML import: note timing, bars, and the measure-level
// events applied to the score.
#include "import/XMLBrowser.h"
#include "platform/PlatformTypes.h"

struct Document;

// 1 on success, 0 when the import was stopped.
uint8_t XMLCreateMusicFrame(XMLRootElt* tree, Document* doc, Handle barNumbers);
// Frees the jump dictionary of the import and clears it.
void XMLDisposeJumpDict();
