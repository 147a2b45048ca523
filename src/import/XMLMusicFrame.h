#pragma once
// Bar skeleton of a MusicXML import: note timing, bars, and the measure-level
// events applied to the score.
#include <cstdint>

#include "import/XMLBrowser.h"
#include "platform/PlatformTypes.h"

struct Document;
struct Partition;
struct DivisionTemporelle;

// A measure-level element replayed once the bars exist.
enum : uint32_t {
  kXMLEventDirection = 0,
  kXMLEventAttributs = 1,
  kXMLEventHarmonie = 2,
  kXMLEventBasseChiffree = 3,
  kXMLEventPrint = 4,
  kXMLEventSon = 5,
  kXMLEventBarre = 6,
  kXMLEventGroupement = 7,
};

struct XMLEvent {
  uint32_t kind;
  uint32_t part;       // the part's number, as the staff registry counts them
  uint32_t bar;        // index of the measure's bar-numbering record
  uint32_t position;   // ticks from the start of the measure
  uint32_t divisions;  // in force before the element
  XMLElt* element;
};

// Lengths past these are held there: a note or a measure's content, in ticks.
constexpr int32_t kXMLDureeMax = 16 * 161280;

// 1 on success, 0 when the import was stopped.
uint8_t XMLCreateMusicFrame(XMLRootElt* tree, Document* doc, Handle barNumbers);
// Fills a time division from a "time" element.
void GetDivisionFromXMLTime(const XMLElt* time, DivisionTemporelle* out);
// Ticks of a note type name, cut to whole ticks (a 1024th is 157 of its
// 157.5); 1260 for a name no note has.
uint32_t XMLNoteNameToDuration(const char* type);
// Bar, then position, then part, then document order.
int ClasseEvents(const void* a, const void* b);
// The time division of a bar of a length: the beat type hint when it divides
// the length, else the first of 2, 4 ... 64 that does, else 128ths.
void XMLDivisionDeLongueur(int32_t length, int16_t hint, DivisionTemporelle* out);
// The score bar that starts at the tick, splitting the bar that holds it;
// negative when the tick lies before every bar.
int16_t GetOrCreateBar(Partition** score, Handle barNumbers, int32_t tick);
// Frees the jump dictionary of the import and clears it.
void XMLDisposeJumpDict();
