#include "import/XMLPortees.h"

#include "platform/Memory.h"

// SEAM(import): no staves yet: an empty record list, as for a document without part list.
Handle XMLCreePortees(XMLRootElt*, Document*) { return NewHandle(0); }
void XMLDisposeInstrumentReg() {}
void XMLDisposePorteeReg() {}
