#pragma once
// Parts, staves and instruments of a MusicXML import: one staff per part,
// staff number, voice and instrument, with the import's instrument and staff
// registries and the bar-numbering records.
#include <cstdint>

#include "import/MusicXML.h"
#include "import/XMLBrowser.h"
#include "platform/PlatformTypes.h"

struct Document;
struct Portee;

// MusicXML staff and voice numbers are taken from 1 to this; other values
// (non-numeric, zero, negative or larger) are ignored, so that a hostile
// number cannot ask for millions of staves.
constexpr int32_t kXMLMaxPorteesOuVoix = 32;
// Ceilings of one import: staves of the score and instruments made.
constexpr int32_t kXMLMaxPortees = 512;
constexpr int32_t kXMLMaxInstruments = 512;
// Bar-numbering records beyond the score's bar ceiling are not made (one
// below it: the bars are inserted before the one a fresh score keeps).
constexpr int32_t kXMLMaxMesures = 7998;

// One created instrument. The key is the score-instrument's id (owned by the
// element tree) or an owned "default %d".
struct XMLInstrumentReg {
  const char* cle;
  uint32_t instrument;  // index in the score's instrument table
  uint8_t cleAllouee;
  uint8_t nonAccorde;  // midi-unpitched: a drum sound, never transposed
  XMLInstrumentReg* suivant;
};

// One created staff: part number in creation order, staff and voice numbers
// minus 1, instrument index.
struct XMLPorteeReg {
  uint32_t partie;
  uint32_t portee;
  uint32_t voix;
  uint32_t instrument;
  Portee** staff;
  uint8_t paroles;  // 1 when notes of this staff and voice carry lyrics
  XMLPorteeReg* suivant;
};

// Fields of a bar-numbering record (kTailleNumeroMesure bytes, native order).
enum : int32_t {
  kNumMesureTexte = 0,               // char[20], the measure's "number"
  kNumMesureImplicite = 20,          // u8
  kNumMesureIndex = 22,              // u32: the measure's index, then the score bar where it begins
  kNumMesureDebut = 26,              // u32 start tick
  kNumMesureLongueur = 30,           // u32 content length, then bar length
  kNumMesureLongueurSignature = 34,  // u32 length of the measure's time signature
  kNumMesureTypeTemps = 38,          // u16 beat type
  kNumMesureSilences = 48,           // u16 multiple-rest count
};
constexpr int32_t kTailleTexteNumeroMesure = 20;
int32_t XMLNbNumerosMesure(Handle records);
uint32_t XMLGetChampNumeroMesure(Handle records, int32_t index, int32_t offset);
void XMLSetChampNumeroMesure(Handle records, int32_t index, int32_t offset, uint32_t value);
uint16_t XMLGetChampCourtNumeroMesure(Handle records, int32_t index, int32_t offset);
void XMLSetChampCourtNumeroMesure(Handle records, int32_t index, int32_t offset, uint16_t value);

// The bar-numbering records (50 bytes each), empty without a part list; null
// when the import was cancelled.
Handle XMLCreePortees(XMLRootElt* tree, Document* doc);
// Adds one instrument to the current score and its registry entry; the
// instrument's index, -1 when none could be made.
int16_t XMLCreeInstrument(Document* doc, XMLElt* scoreInstrument, int16_t transposition, int16_t partIndex);
// Instrument index of the first entry keyed by the text; 0 when none.
uint32_t XMLGetInstrumentIdFromStr(const char* id);
// Whether the instrument at an index was made for an unpitched sound.
bool XMLIsInstrumentNonAccorde(uint32_t instrument);
void XMLDisposeInstrumentReg();
void XMLDisposePorteeReg();
// The first staff entry, for the passes that walk them all.
XMLPorteeReg* XMLGetFirstPorteeReg();
// The staff of the first entry of that part, staff and voice (and instrument
// when it is 0 or more); null when none.
Portee** XMLGetPorteeFromId(uint32_t part, uint32_t staff, uint32_t voice, int32_t instrument);
// Whether the file gives lyrics to a registered staff: known from the
// start, before the notes pass switches its lyrics line on.
bool XMLPorteeAvecParoles(Portee** staff);
// 1 + the highest staff number minus 1 of the part; 1 when the part has none.
uint32_t XMLGetNbStavesInPart(uint32_t part);
// index when record index carries that number; else the first record that
// does; -1 when none.
int32_t XMLGetBarNumberingIndexFromIndexAndName(Handle records, int32_t index, const char* number);
// "below" 0, "above" 1, anything else or absent -1.
int32_t XMLGetPlacement(const XMLElt* elt);
// A staff or voice number of a text: 1..kXMLMaxPorteesOuVoix, or 0 when the
// text is absent, non-numeric or out of range.
int32_t XMLLitNumeroPorteeOuVoix(const char* text);
