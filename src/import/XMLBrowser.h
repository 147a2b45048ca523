#pragma once
// MusicXML element tree. Every MusicXML reader works on this tree, never on
// parser events: BrowseXMLFile parses the whole text once, then readers pick
// elements with short path requests and read attributes and texts through the
// typed accessors below. The tree lives for one import.
//
// Requests: segments separated by '/'; the segment marked with a leading '@'
// (or the first one) is the element returned, segments before it describe its
// ancestors and segments after it a chain of descendants. A segment is an
// optional '!' (name must differ), a name, and tests:
//   <a>  <a=v>  <!a>  <!a=v>          attribute present / with that value
//   [t]  [t*]  [*t]  [*t*]  [!...]    text equal / prefix / suffix / contains
// When the descendant part begins with '!', every child must match it.
//   "part<id=P1>/measure/@note/staff[2]"  "container/rootfiles/@rootfile"
#include <cstdint>
#include <cstdio>

#include "platform/PlatformTypes.h"

// Values the accessors return for an absent attribute, text or number.
constexpr int32_t kXMLAbsentLong = 2147483647;
constexpr float kXMLAbsentFloat = 1e30f;

// Callers' error buffers for BrowseXMLFile hold at least this many bytes.
constexpr int kXMLErrTextSize = 256;

struct XMLAttr {
  char* name;
  char* value;
};

// One element. Everything it points to is owned by the tree.
struct XMLElt {
  uint32_t index;  // document order over the whole tree, private elements included
  char* name;      // as the parser reports it (no namespace processing)
  char* text;      // UTF-8, line ends folded to CR; null when the element has no text
  XMLElt* parent;  // the root record's head for the document element
  int32_t nbAttributes;
  XMLAttr* attributes;  // in the order of the tag
  int32_t nbUserAttributes;
  XMLAttr* userAttributes;  // added in memory by XMLAddUserAttr
  int32_t nbChildren;
  XMLElt** children;  // document order
};

struct XMLTreeStore;  // the tree's own memory and name index

// The root record: a head with no name, text or attributes whose children are
// the top-level elements, then the flat list of every element in document order.
struct XMLRootElt {
  XMLElt head;
  int32_t nbElts;
  XMLElt** elts;
  XMLTreeStore* store;
};

// What one tree may cost. A text longer than `texteMax` is refused before it
// is parsed; the tree's memory may reach `multiple` times the text's size (at
// least `arbrePlancher`, never more than `arbreMax`): real scores need a few
// times their size, while a text of nothing but tiny elements needs some 30
// times. Element count and nesting depth have their own ceilings. A parse that
// goes over any of them, or past the request's time, stops and gives no tree,
// with the reason in errText.
struct XMLBudget {
  size_t texteMax;
  size_t multiple;
  size_t arbrePlancher;
  size_t arbreMax;
  int32_t eltsMax;
  int32_t profondeurMax;
};
constexpr XMLBudget kXMLBudgetDefaut = {size_t(128) << 20, 12, size_t(32) << 20, size_t(1) << 30, 8 << 20, 10000};
XMLBudget XMLGetBudget();
void XMLSetBudget(const XMLBudget& budget);  // tests lower it

// Parses a whole text: the handle's bytes when given, else the whole of the open
// file. On a parse error errText (kXMLErrTextSize bytes, may be null) receives
// "<reason> at line <n>" and the result is null; on any other failure (a
// budget, memory, a read error) it receives the reason. noTextWhenChild drops blank
// text of elements that have children.
XMLRootElt* BrowseXMLFile(Handle text, FILE* file, char* errText, uint8_t noTextWhenChild);
void XMLBrowserDispose(XMLRootElt* root);

// Query results: new arrays owned by the caller (XMLDisposeElts); the elements
// stay owned by the tree. Null and count 0 when nothing matches.
XMLElt** XMLGetElts(XMLRootElt* root, const char* request, int32_t* count);
XMLElt** XMLGetEltsInChild(XMLElt* elt, const char* request, int32_t* count);
XMLElt** XMLGetEltsInList(XMLElt** elts, int32_t n, const char* request, int32_t* count);
XMLElt* XMLGetChild(XMLElt* elt, const char* request, int32_t n);
void XMLDisposeElts(XMLElt** elts);

// Whether one element matches a request whose marked segment starts at
// segStart (just after the '@', or 0); end is the request's length.
bool EltMatchComplexRequest(const XMLElt* elt, const char* request, int32_t segStart, int32_t end);

const char* XMLGetAttributeValue(const XMLElt* elt, const char* name);
int32_t XMLGetAttributeLong(const XMLElt* elt, const char* name);
float XMLGetAttributeFloat(const XMLElt* elt, const char* name);
const char* XMLGetText(const XMLElt* elt);
int32_t XMLGetTextLong(const XMLElt* elt);
float XMLGetTextFloat(const XMLElt* elt);

// Replaces the value of a parsed attribute of that name, or appends a private
// attribute; returns the stored copy of value.
const char* XMLAddUserAttr(XMLElt* elt, const char* name, const char* value);
const char* XMLAddUserAttrLong(XMLElt* elt, const char* name, int32_t value);
