#pragma once
// ABC tune import: the file is read line by line into tunes and parts, then
// one tune (or every tune of a file the application wrote itself) becomes the
// document's current score.
#include <cstddef>
#include <cstdint>
#include <string>

struct Document;
struct Tonalite;
struct Clef;
struct DivisionTemporelle;

// Imports tune `tune` (0 = the first 'X:'; below 0 every tune) of the open
// document stream into the document's current score, which has one staff;
// the tune found is given back when outTune is not null. 1 or 0.
int16_t ChargeMusiqueABC(Document* doc, int16_t tune, int16_t* outTune);
// The same over the bytes of a whole file.
int16_t ChargeMusiqueABCOctets(Document* doc, const uint8_t* data, size_t length, int16_t tune, int16_t* outTune);

// ---- The reader's pieces.
// The file as UTF-8: the "abc-charset" directive decides; without one, a
// file that is valid UTF-8 is read as such, any other as Windows-1252.
std::string TexteABCEnUTF8(const uint8_t* data, size_t length);

// Reads one line of UTF-8 text: comments cut, escapes turned into their
// characters. False at the end of the text. `comment` is true for a line
// that held only a comment.
struct LecteurLignesABC {
  const char* texte;
  size_t taille;
  size_t pos;
};
bool GetLineABC(LecteurLignesABC* source, std::string* line, bool* comment);

// The key of a 'K:' text; 1 when the text also named a clef (then in *clef),
// with *gregorian set for the Gregorian clefs. *keyGiven is 0 for a text that
// starts with a clef and so names no key (the key in force stays).
int16_t CvtStrAbcEnTonalite(const char* text, Tonalite* key, Clef* clef, uint8_t* gregorian,
                            uint8_t* keyGiven = nullptr);
// The meter of an 'M:' text into *meter, its signature shown or not into
// *visible; the default note length it implies, 0 when the text is refused
// (then *meter is left alone).
int32_t ExtraitDivision(const char* text, DivisionTemporelle* meter, uint8_t* visible);
// Quarter notes per minute of a 'Q:' text, with the tune's default note
// length and its tempo so far.
int32_t ExtraitTempo(const char* text, int32_t defaultLength, int32_t tempo);
