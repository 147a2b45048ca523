#pragma once
// Defaults, page setup and pagination of a MusicXML import: scaling, titles,
// appearance, and the late width and appearance passes.
#include "import/XMLBrowser.h"

struct Document;

void XMLClearAppearance();
// Null keeps the defaults and frees only the collected page commands.
void XMLClearPagination(Document* doc);
void XMLGetInfos(XMLRootElt* tree, Document* doc);
void XMLGetScaling(XMLRootElt* tree);
void XMLFinalizeAppearance(Document* doc);
void XMLPaginationRecalculeLargeurObjetsTexte(Document* doc);
void XMLPaginationRecalculeLargeurDiagrammes(Document* doc);
