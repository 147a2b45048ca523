#pragma once
// Parts, staves and instruments of a MusicXML import: one staff per part,
// staff number, voice and instrument, with the import's instrument and staff
// registries and the bar-numbering records.
#include "import/XMLBrowser.h"
#include "platform/PlatformTypes.h"

struct Document;

// The bar-numbering records (50 bytes each), empty without a part list; null
// when the import was cancelled.
Handle XMLCreePortees(XMLRootElt* tree, Document* doc);
void XMLDisposeInstrumentReg();
void XMLDisposePorteeReg();
