#pragma once
// Chord symbols of a MusicXML import: a "harmony" element read into a chord
// description, its chord components, its chord name in the application's own
// chord vocabulary, and its place on the staff: a cell of the chord-name line
// (or a free text), or a chord diagram when it carries a frame.
#include <cstdint>

#include "import/XMLMusicFrame.h"

struct Document;
struct Portee;

constexpr int kXMLNbDegres = 8;
constexpr int kXMLNbComposantes = 14;
// A component of a degree the chord does not hold.
constexpr int16_t kXMLDegreAbsent = -9;

enum : uint32_t { kXMLDegreAjoute = 0, kXMLDegreAltere = 1, kXMLDegreRetire = 2 };

struct XMLDegreHarmonie {
  int16_t valeur;  // 1..13; 0 for an unused entry
  uint32_t type;   // kXMLDegre*
  int16_t alteration;
};

struct XMLHarmonie {
  uint32_t typeAccord;  // a row of tabAccordsPredefXML; 0 is read as 1 (major)
  XMLDegreHarmonie degres[kXMLNbDegres];
};

// A row of the predefined chord table: the alterations of degrees 3, 5, 6, 7,
// 9, 11 and 13 (kXMLPasDansAccord for a degree the chord lacks) and the chord's
// '|'-separated spellings.
constexpr int32_t kXMLPasDansAccord = -9997;
struct XMLAccordPredef {
  int32_t type;
  int32_t degres[7];
  const char* noms;
};
// 26 rows, then a row of type 0.
extern const XMLAccordPredef tabAccordsPredefXML[27];

// The chord type of a "kind" text (compared without case); 0 for a kind the
// table does not hold.
uint32_t XMLTypeAccordHarmonie(const char* kind);
// The 14 components of a chord description (index = degree, 0 unused): the
// alteration of each degree from its natural form, kXMLDegreAbsent when the
// chord lacks it. A chord type of 0 becomes 1 in the description.
void CvtXMLHarmonyToComposants(XMLHarmonie* harmony, int16_t components[kXMLNbComposantes]);
// The chord name of a "harmony" element (root, spelled suffix, bass) into
// name (size bytes). False when it names no root.
bool XMLNomHarmonie(XMLElt* harmony, char* name, size_t size);

// One "harmony" event of the replay, at the tick where it stands.
void XMLApplyHarmonyEvent(const XMLEvent& event, int32_t tick, Document* doc);

// A diagram placed by the import waits for the final ribbon to get its
// horizontal extent: its width (72-dpi pixels) and horizontal offset (the
// staff's horizontal units). False when the placement is not one of them.
bool XMLGetDiagrammeEnAttente(Portee** staff, int32_t index, float* width, float* offset);
// Forgets the diagrams waiting (at the start and the end of every import).
void XMLDisposeHarmonies();
