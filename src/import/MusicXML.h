#pragma once
// MusicXML import driver, and the file-name probes that format detection asks.
//
// ChargeMusiqueXML builds the element tree, then runs the reading stages in a
// fixed order: titles and scaling, staves, bar skeleton and events, notes,
// then the finishing passes (lyrics, dynamics, appearance, pagination).
#include <cstdint>

#include "platform/Collections.h"
#include "platform/PlatformTypes.h"

struct Document;

// Turns one MusicXML document into the current score of doc: the handle's
// text, or with a null handle the document stream's open file. 1 when a score
// was built; 0 on a parse error or a stopped stage.
// With refitPages, a file that asks for two pages or more (its reserved
// pages + 1 + its new-page marks) and lays out on another count gets the page
// scale that fits it to that count, as far as the scale search can.
uint8_t ChargeMusiqueXML(Document* doc, Handle text, uint8_t refitPages, uint8_t skeletonOnly);
// Why the last ChargeMusiqueXML gave 0 when the text itself was refused: the
// parser's message and line, or the budget or memory that stopped it; empty
// otherwise.
const char* GetRaisonEchecXML();

// The importers' reporter of problems in a file that do not stop the import:
// it reports nothing.
void XMLErr(const char* format, ...) __attribute__((format(printf, 1, 2)));

// By the text after the path's last '.', compared without case: "xml" or
// "musicxml"; "mxl"; "xmz".
bool IsFichierXML(const char* path);
bool IsFichierMXL(const char* path);
bool IsFichierXMLCompresse(const char* path);

// Moves whole octaves of each sung staff's instrument transposition into its
// voice's octave offset and the rest into its semitone offset.
void XMLPropagateSemitoneShift(Document* doc);
// The split itself: octaves while the shift is 12 or more (or below -11), the
// remainder in -11..11.
void XMLSepareTransposition(int16_t shift, int16_t* octaves, int16_t* semitones);

// Stores the bar-numbering records (50 bytes each) as the 'bnum' items of a
// score's collection, item id = record index.
constexpr int32_t kTailleNumeroMesure = 50;
void XMLStockeNumerosMesure(Collection coll, Handle barNumbers);

// Settings of other subsystems that an import forces for its length. The
// drawing port (the scratch port) and object preservation (off) are the
// driver's own; the import preference and the default slur record are
// installed as slots by their owners. The driver saves every setting and
// forces it before it starts, and puts each back on every exit, failures
// included, in reverse order.
struct XMLReglageImport {
  intptr_t (*sauve)();         // the current state, as a token
  void (*force)();             // the state the import needs
  void (*restaure)(intptr_t);  // back to a saved state
};
// False when the table is full (8 slots) or the slot is incomplete; installing
// the same slot twice keeps one.
bool XMLInstalleReglageImport(const XMLReglageImport& slot);
void XMLRetireReglagesImport();
