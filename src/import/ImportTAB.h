#pragma once
// Guitar-tablature text import.
#include <cstddef>
#include <cstdint>

struct Document;
struct NoteTab;
struct Portee;

// Imports the open tablature text into the document's current score. 1 or 0.
int16_t ChargeMusiqueTAB(Document* doc);
// The same over the text's bytes; the file name (for "btab") is the document's.
int16_t ChargeMusiqueTABOctets(Document* doc, const uint8_t* bytes, size_t size);
// The value of the text's first "#name: value" line (name without case, the
// value trimmed, at most 250 characters; `value` holds 251 bytes); 1 when found.
// Reads the text of the import under way.
uint8_t LocaliseCommandeSpecifiqueOrvanta(const char* name, char* value);
// Adds one note of a tablature entry (string, fret, technique marks) to the
// staff; its index, negative on failure.
int32_t TransfereNoteTabSurPortee(Portee** staff, const NoteTab* entry, int32_t pitch, int32_t tick, int32_t duration);
