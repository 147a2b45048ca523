#pragma once
// Pending notes of a MusicXML import. Ties, slurs and beams are written as
// start, continue and stop elements on different notes, matched by a number:
// each note waits on a stack until the stop of its chain arrives, and the
// chain then becomes the model's links (ties and slurs as kind-0 links,
// irregular beams as beam links, regular beams as the joined-to-the-next-note
// flag on consecutive notes). Hairpins, grace runs and octave shifts wait on
// stacks of their own. The stacks live for one import.
#include <cstdint>

#include "import/XMLBrowser.h"
#include "model/QrvLiaison.h"
#include "model/Signe.h"

struct Portee;

enum : int {
  kXMLPileLiaisons = 0,
  kXMLPileCoules = 1,
  kXMLPilePoutres = 2,
  kXMLPileSoufflets = 3,
  kXMLPileGraces = 4,
  kXMLPileOctaves = 5,
  kXMLNbPiles = 6,
};

// Kinds of entries: a chain's start, continuation and stop; on the grace stack
// a grace note, a slur that starts on a grace note and one that ends on one.
enum : uint16_t {
  kXMLEntreeDebut = 0,
  kXMLEntreeSuite = 1,
  kXMLEntreeFin = 2,
  kXMLEntreeGrace = 3,
  kXMLEntreeCouleDepuisGrace = 4,
  kXMLEntreeCouleVersGrace = 5,
};

constexpr int32_t kXMLTailleCle = 256;
// A stack holds at most this many pending entries: a file of endless unclosed
// starts may take neither the memory nor the time (each stop searches its
// stack). Entries past it are dropped. The grace stack keeps every grace note
// of the import until the end and is only walked then: it holds more.
constexpr int32_t kXMLMaxEntreesPile = 1024;
constexpr int32_t kXMLMaxEntreesPileGraces = 65536;

struct XMLNoteStackEntry {
  char cle[kXMLTailleCle];  // matching text (slur or beam key, tie kind)
  Signe note;               // the note as it was when pushed
  uint32_t divisions;
  uint32_t temps;  // the note's start
  Portee** staff;
  uint16_t kind;
  XMLElt* element;  // the "tied", "slur", "beam" or "note" element
};

// Appends an entry (a null key is empty, a null note cleared); false when the
// stack is full or memory runs out.
bool XMLPushNote(int stack, uint16_t kind, XMLElt* element, Portee** staff, uint32_t divisions, uint32_t tick,
                 const Signe* note, const char* key);
// Searches from the top for the first entry of the staff (null: any), the
// pitch (below -1: any) and the key (null: any); copies it out, removes it
// and gives 1; 0 when none matches.
int XMLPopNote(int stack, Portee** staff, int32_t pitch, const char* key, XMLNoteStackEntry* out);
int XMLIsStackMatch(int stack, int32_t index, Portee** staff, int32_t pitch, const char* key);
XMLNoteStackEntry* XMLGetNoteInStack(int stack, int32_t index);  // null outside
int32_t XMLGetNbNoteInStack(int stack);
void XMLSupprimeNoteInStack(int stack, int32_t index);
void XMLDisposeNoteStacks();

// The note at a tick (the one sounding there when none starts there), moved
// within its chord to the member of the pitch when pitch is -1 or more.
int32_t RechercheSigne(Portee** staff, int32_t tick, int32_t pitch);
// Inserts a copy of a note into its chord, without effects, and gives it the
// note's index (the note moves after it); turnStem turns the copy's stem,
// otherwise the copy is not drawn. The copy's index, or a negative result.
int32_t DupliqueNote(Portee** staff, int32_t index, bool turnStem);
// Adds a note at a tick as AjouteNote does, except that a member of the same
// pitch in the chord there stays a note (the model would turn it into a
// rest). The index of the note, or a negative result.
int32_t XMLAjouteNoteUnisson(Portee** staff, const Signe* note, int32_t tick);
// The note's staff step from the top line (bottom line -8 on five lines);
// the accidental the model shows goes to the out byte.
int16_t XMLGetInterligneNote(Portee** staff, int32_t index, uint8_t* accidental);
// The default shape of a tie (or of a slur that reads as one), over or under
// its notes.
void XMLFormeLie(DataLiaison* data, bool over, bool sourceDown, bool destDown, bool sourceInChord, int16_t step);

// Pushing, for each note the notes pass inserted: its ties ("tied" children
// of one notations element), one slur, one beam. Keys of slurs and beams are
// XMLCleCoule/XMLCleBeam of the part, the voice and the element's number.
void XMLPushTies(XMLElt* notations, Portee** staff, uint32_t divisions, uint32_t tick, const Signe* note);
void XMLPushSlur(XMLElt* slur, const char* key, Portee** staff, uint32_t divisions, uint32_t tick, const Signe* note);
void XMLPushBeam(XMLElt* beam, const char* key, Portee** staff, uint32_t divisions, uint32_t tick, const Signe* note);
// "part-voice-number"; a slur without number counts as number 1.
void XMLCleCoule(char out[kXMLTailleCle], uint32_t part, int32_t voice, const XMLElt* slur);
void XMLCleBeam(char out[kXMLTailleCle], uint32_t part, int32_t voice, const XMLElt* beam);

// Closing a chain whose stop was just pushed.
void XMLProcessTie(Portee** staff, int32_t pitch);
void XMLProcessSlur(const char* key);
void XMLProcessBeam(const char* key);
// Ties still pending at the end of a part: each start is tied to the note of
// its pitch that starts where it ends.
void XMLSOSTies();
