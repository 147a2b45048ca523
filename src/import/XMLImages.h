#pragma once
// Images and extra graphics of a MusicXML import: inline pictures, container
// images, page lines and frames.
#include "import/XMLBrowser.h"

struct Document;

void XMLProcessImages(Document* doc, XMLRootElt* tree);
void XMLProcessExtraGraphics(Document* doc, XMLRootElt* tree);
