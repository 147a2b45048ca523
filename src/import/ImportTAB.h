#pragma once
// Guitar-tablature text import.
#include <cstdint>

struct Document;

// Imports the open tablature text into the document's current score. 1 or 0.
int16_t ChargeMusiqueTAB(Document* doc);
