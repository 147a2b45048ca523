#pragma once
// Lyrics, text formatting and credits of a MusicXML import.
#include "import/XMLBrowser.h"

struct Document;

void XMLFinalizeLyrics(Document* doc);
// Credits become page texts or titles.
void XMLProcessCredits(Document* doc, XMLRootElt* tree);
void XMLConvertFreeObjectsToDocumentInfo(Document* doc);
