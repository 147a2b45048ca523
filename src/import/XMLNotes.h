#pragma once
// Notes pass of a MusicXML import: every note element becomes a note of its
// staff, with its notations, ties, slurs, beams, lyrics and dynamics.
#include "import/XMLBrowser.h"
#include "platform/PlatformTypes.h"

struct Document;

void XMLAddNotes(XMLRootElt* tree, Document* doc, Handle barNumbers);
