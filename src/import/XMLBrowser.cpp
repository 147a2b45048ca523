// MusicXML element tree: builder over expat, request matching and accessors.
//
// Speed: a large orchestral file has tens of thousands of elements and the
// importer asks hundreds of requests of it. Everything the tree owns lives in
// one arena freed at once; tag and attribute names are interned, so each
// element carries a shared name and every interned name keeps the list of its
// elements in document order: a request whose returned element has a plain
// name only visits elements of that name. Open elements collect their text and
// children in per-depth buffers that are reused, and the finished arrays are
// copied once, exactly sized, into the arena.
#include "import/XMLBrowser.h"

#include <expat.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string_view>
#include <vector>

#include "platform/Memory.h"
#include "system/BudgetRequete.h"
#include "system/Reporters.h"
#include "text/TextEncodings.h"

namespace {

// ---------------------------------------------------------------------------
// The tree's memory

struct NameEntry {
  char* name;
  std::vector<XMLElt*> elts;  // elements of this name, document order
};

class Arena {
 public:
  Arena() = default;
  Arena(const Arena&) = delete;
  Arena& operator=(const Arena&) = delete;
  ~Arena() {
    for (char* b : blocks_) std::free(b);
  }

  // Bytes taken from the system so far, for the tree's budget.
  size_t Total() const { return total_; }

  void* Alloc(size_t n) {
    n = (n + 7) & ~size_t(7);
    if (n > left_) {
      if (n > kBlock / 4) {
        // Large pieces (long texts) get a block of their own, so the current
        // block's free space is not wasted.
        char* b = static_cast<char*>(std::malloc(n));
        if (!b) return nullptr;
        blocks_.push_back(b);
        total_ += n;
        return b;
      }
      char* b = static_cast<char*>(std::malloc(kBlock));
      if (!b) return nullptr;
      blocks_.push_back(b);
      total_ += kBlock;
      cur_ = b;
      left_ = kBlock;
    }
    void* p = cur_;
    cur_ += n;
    left_ -= n;
    return p;
  }

  char* Copy(const char* s, size_t n) {
    char* d = static_cast<char*>(Alloc(n + 1));
    if (!d) return nullptr;
    std::memcpy(d, s, n);
    d[n] = 0;
    return d;
  }

 private:
  static constexpr size_t kBlock = 64 * 1024;
  std::vector<char*> blocks_;
  char* cur_ = nullptr;
  size_t left_ = 0;
  size_t total_ = 0;
};

}  // namespace

struct XMLTreeStore {
  Arena arena;
  std::vector<NameEntry*> entries;
  std::vector<XMLElt*> flat;  // grows while parsing; root->elts points into it

  ~XMLTreeStore() {
    for (NameEntry* e : entries) delete e;
  }

  // Names are few (a score uses a few hundred) and looked up once per tag and
  // attribute: a small open-addressing table, hashed and compared in one pass
  // over the name.
  struct Slot {
    uint32_t hash;
    uint32_t len;
    NameEntry* entry;
  };
  std::vector<Slot> table = std::vector<Slot>(512);

  static uint32_t Hash(const char* s, size_t n) {
    uint32_t h = 2166136261u;
    for (size_t i = 0; i < n; i++) h = (h ^ static_cast<uint8_t>(s[i])) * 16777619u;
    return h;
  }

  Slot* Probe(const char* s, size_t n, uint32_t h) {
    size_t mask = table.size() - 1;
    for (size_t i = h & mask;; i = (i + 1) & mask) {
      Slot& slot = table[i];
      if (!slot.entry) return &slot;
      if (slot.hash == h && slot.len == n && std::memcmp(slot.entry->name, s, n) == 0) return &slot;
    }
  }

  NameEntry* Find(std::string_view key) { return Probe(key.data(), key.size(), Hash(key.data(), key.size()))->entry; }

  NameEntry* Intern(const char* s) {
    size_t n = std::strlen(s);
    uint32_t h = Hash(s, n);
    Slot* slot = Probe(s, n, h);
    if (slot->entry) return slot->entry;
    char* copy = arena.Copy(s, n);
    if (!copy || n > UINT32_MAX) return nullptr;
    NameEntry* e = new NameEntry{copy, {}};
    entries.push_back(e);
    *slot = {h, static_cast<uint32_t>(n), e};
    if (entries.size() * 2 > table.size()) Grow();
    return e;
  }

  void Grow() {
    std::vector<Slot> old(table.size() * 2);
    old.swap(table);
    size_t mask = table.size() - 1;
    for (const Slot& slot : old) {
      if (!slot.entry) continue;
      size_t i = slot.hash & mask;
      while (table[i].entry) i = (i + 1) & mask;
      table[i] = slot;
    }
  }
};

// ---------------------------------------------------------------------------
// Builder state: one tree under construction at a time.

namespace {

struct BuildFrame {
  XMLElt* elt = nullptr;
  std::vector<XMLElt*> children;
  std::vector<char> text;
  bool hasText = false;
};

struct Builder {
  XMLRootElt* root = nullptr;
  XML_Parser parser = nullptr;     // the parser running now (main or private)
  std::vector<BuildFrame> frames;  // frames[0] is the root record
  bool failed = false;             // out of memory or over budget while building
  const char* reason = nullptr;    // why, when the parser itself did not fail
  size_t memoryLimit = 0;          // tree bytes allowed for this text
  size_t openText = 0;             // bytes held by the open elements' texts
};

Builder xmlStack;
size_t xmlStackSize = 0;
uint8_t gNoTextWhenChild = 0;

XMLBudget gBudget = kXMLBudgetDefaut;

// Per element beyond the arena: its place in the flat list and in its name's
// list (the children arrays are in the arena).
constexpr size_t kSurcoutElement = 2 * sizeof(XMLElt*);
// The clock is read once per this many elements or text pieces.
constexpr uint32_t kPasHorloge = 4096;
uint32_t gPasHorloge = 0;

// Character references left in a text after the parser's own decoding (a
// double-escaped "&amp;#233;") are decoded as HTML text, as the exporters that
// write them expect. Texts without '&' are already final. The HTML reading of
// bytes above 126 is UTF-8 for the call and goes back to what it was.
void XMLDecodeTextReferences(std::vector<char>& text) {
  if (!std::memchr(text.data(), '&', text.size()) || text.size() > 0x7fffffff) return;
  int32_t previous = GetHTMLDefault8BitEncoding();
  SetHTMLDefault8BitEncoding(kEncodingUTF8);
  int32_t len = 0;
  EncodedStr e =
      ChangeTextEncoding(text.data(), 0, static_cast<int32_t>(text.size()), kEncodingHTML, kEncodingUTF8, &len);
  SetHTMLDefault8BitEncoding(previous);
  if (!e) return;  // out of memory: the text stays as the parser gave it
  text.assign(e, e + (len > 0 ? len : 0));
  DisposeEncodedStr(e);
}

// Out of memory while building: the parse stops and the tree is dropped.
void BuildFailed() {
  if (!xmlStack.failed) Printf("GrowPtr error: no memory for the element tree\n");
  if (!xmlStack.reason) xmlStack.reason = "out of memory building the element tree";
  xmlStack.failed = true;
  if (xmlStack.parser) XML_StopParser(xmlStack.parser, XML_FALSE);
}

// A budget of the request is used up: the parse stops with that reason.
void BudgetFailed(const char* reason) {
  if (!xmlStack.reason) xmlStack.reason = reason;
  BuildFailed();
}

size_t TreeBytes() {
  const XMLTreeStore* store = xmlStack.root->store;
  return store->arena.Total() + store->flat.size() * kSurcoutElement + xmlStack.openText;
}

// The tree's memory, and now and then the request's clock.
bool WithinBudget() {
  if (TreeBytes() > xmlStack.memoryLimit) {
    BudgetFailed("the element tree is over its memory budget");
    return false;
  }
  if (++gPasHorloge % kPasHorloge == 0 && DelaiRequeteDepasse()) {
    BudgetFailed("the request ran out of time");
    return false;
  }
  return true;
}

// Parser callbacks run inside the C parser: nothing may unwind through it.
template <typename F>
void Guarded(F&& body) {
  try {
    body();
  } catch (const std::bad_alloc&) {
    BuildFailed();
  }
}

bool IsBlankByte(char c) {
  // Blank means a control character or space; bytes of multi-byte UTF-8
  // characters are text.
  return static_cast<unsigned char>(c) <= 32;
}

bool IsBlankRun(const char* s, size_t n) {
  for (size_t i = 0; i < n; i++)
    if (!IsBlankByte(s[i])) return false;
  return true;
}

void PushElt(XMLElt* elt) {
  if (xmlStackSize == xmlStack.frames.size()) xmlStack.frames.emplace_back();
  BuildFrame& f = xmlStack.frames[xmlStackSize++];
  f.elt = elt;
  f.children.clear();
  f.text.clear();
  f.hasText = false;
}

// Line ends become a single CR each: CR LF, LF CR, lone CR and lone LF.
size_t FoldLineEnds(char* s, size_t n) {
  size_t w = 0;
  char prev = 0;
  for (size_t i = 0; i < n; i++) {
    char c = s[i];
    if ((c == '\n' && prev == '\r') || (c == '\r' && prev == '\n')) {
      // second byte of a pair: dropped
    } else if (c == '\n' || c == '\r') {
      s[w++] = '\r';
    } else {
      s[w++] = c;
    }
    prev = c;
  }
  return w;
}

// Closes the frame on top of the stack: the element's text and children are
// committed to the tree, exactly sized.
void FinishTopFrame() {
  BuildFrame& f = xmlStack.frames[xmlStackSize - 1];
  XMLElt* elt = f.elt;
  Arena& arena = xmlStack.root->store->arena;
  xmlStack.openText -= std::min(xmlStack.openText, f.text.size());
  if (f.hasText) {
    std::vector<char>& t = f.text;
    if (!t.empty()) XMLDecodeTextReferences(t);
    size_t n = t.empty() ? 0 : FoldLineEnds(t.data(), t.size());
    elt->text = arena.Copy(t.data(), n);
    if (!elt->text) BuildFailed();
  }
  if (!f.children.empty()) {
    size_t n = f.children.size();
    auto** c = static_cast<XMLElt**>(arena.Alloc(n * sizeof(XMLElt*)));
    if (c) {
      std::memcpy(c, f.children.data(), n * sizeof(XMLElt*));
      elt->children = c;
      elt->nbChildren = static_cast<int32_t>(n);
    } else {
      BuildFailed();
    }
  }
  xmlStackSize--;
}

// ---------------------------------------------------------------------------
// Parser callbacks

void XMLStartBody(void*, const XML_Char* name, const XML_Char** atts) {
  XMLRootElt* root = xmlStack.root;
  XMLTreeStore* store = root->store;
  if (xmlStack.failed || !WithinBudget()) return;
  if (store->flat.size() >= static_cast<size_t>(gBudget.eltsMax)) {
    BudgetFailed("the document has more elements than a score may have");
    return;
  }
  // The root record's frame is on the stack too: depth counts the elements.
  if (xmlStackSize > static_cast<size_t>(gBudget.profondeurMax)) {
    BudgetFailed("the document's elements are nested deeper than a score may be");
    return;
  }
  auto* elt = static_cast<XMLElt*>(store->arena.Alloc(sizeof(XMLElt)));
  NameEntry* entry = store->Intern(name);
  if (!elt || !entry) {
    BuildFailed();
    return;
  }
  std::memset(elt, 0, sizeof(XMLElt));
  elt->index = static_cast<uint32_t>(store->flat.size());
  elt->name = entry->name;
  store->flat.push_back(elt);
  entry->elts.push_back(elt);

  int n = 0;
  while (atts[2 * n]) n++;
  if (n > 0) {
    auto* a = static_cast<XMLAttr*>(store->arena.Alloc(n * sizeof(XMLAttr)));
    if (!a) {
      BuildFailed();
      return;
    }
    for (int i = 0; i < n; i++) {
      NameEntry* an = store->Intern(atts[2 * i]);
      a[i].name = an ? an->name : nullptr;
      a[i].value = store->arena.Copy(atts[2 * i + 1], std::strlen(atts[2 * i + 1]));
      if (!a[i].name || !a[i].value) {
        BuildFailed();
        return;
      }
    }
    elt->attributes = a;
    elt->nbAttributes = n;
  }

  BuildFrame& parent = xmlStack.frames[xmlStackSize - 1];
  elt->parent = parent.elt;
  parent.children.push_back(elt);
  if (gNoTextWhenChild && parent.hasText && IsBlankRun(parent.text.data(), parent.text.size())) {
    xmlStack.openText -= std::min(xmlStack.openText, parent.text.size());
    parent.text.clear();
    parent.hasText = false;
  }
  PushElt(elt);
}

void XMLEndBody(void*, const XML_Char* name) {
  if (xmlStack.failed || xmlStackSize <= 1) return;
  XMLElt* elt = xmlStack.frames[xmlStackSize - 1].elt;
  if (std::strcmp(elt->name, name) != 0) {
    // An element left open by broken private content: renamed so that no
    // request finds it. Its name is shared with others, so it gets a copy.
    char* copy = xmlStack.root->store->arena.Copy(elt->name, std::strlen(elt->name));
    if (copy) {
      if (copy[0]) copy[0] = '*';
      elt->name = copy;
    }
  }
  FinishTopFrame();
}

void XMLTextBody(void*, const XML_Char* s, int len) {
  if (xmlStack.failed || len <= 0 || xmlStackSize == 0) return;
  BuildFrame& f = xmlStack.frames[xmlStackSize - 1];
  if (gNoTextWhenChild && !f.children.empty() && IsBlankRun(s, static_cast<size_t>(len))) return;
  xmlStack.openText += static_cast<size_t>(len);
  if (!WithinBudget()) return;
  f.text.insert(f.text.end(), s, s + len);
  f.hasText = true;
}

void XMLStart(void* u, const XML_Char* name, const XML_Char** atts) {
  Guarded([&] { XMLStartBody(u, name, atts); });
}
void XMLEnd(void* u, const XML_Char* name) {
  Guarded([&] { XMLEndBody(u, name); });
}
void XMLText(void* u, const XML_Char* s, int len) {
  Guarded([&] { XMLTextBody(u, s, len); });
}

void XMLProcessInstruction(void* userData, const XML_Char* target, const XML_Char* data) {
  if (xmlStack.failed || std::strcmp(target, "Tamrel") != 0) return;
  XML_Parser p = XML_ParserCreate(nullptr);
  if (!p) return;
  XML_SetUserData(p, userData);
  XML_SetStartElementHandler(p, XMLStart);
  XML_SetEndElementHandler(p, XMLEnd);
  XML_SetCharacterDataHandler(p, XMLText);
  size_t depth = xmlStackSize;
  size_t len = std::strlen(data);
  XML_Parser outer = xmlStack.parser;
  xmlStack.parser = p;
  if (len > 0x7fffffff || XML_Parse(p, data, static_cast<int>(len), 1) == XML_STATUS_ERROR) {
    if (!xmlStack.failed)
      Collapse("%s at line %d in private tag", XML_ErrorString(XML_GetErrorCode(p)),
               static_cast<int>(XML_GetCurrentLineNumber(p)));
  }
  xmlStack.parser = outer;
  XML_ParserFree(p);
  // Broken content may leave elements open; they are closed here so that the
  // main document's end tags close its own elements.
  Guarded([&] {
    while (xmlStackSize > depth) FinishTopFrame();
  });
  if (xmlStack.failed) BuildFailed();
}

void ResetBuilder() {
  xmlStack.root = nullptr;
  xmlStack.parser = nullptr;
  xmlStack.failed = false;
  xmlStack.reason = nullptr;
  xmlStack.openText = 0;
  xmlStackSize = 0;
  // Open-element buffers may have grown large on a long text: give them back.
  xmlStack.frames.clear();
  xmlStack.frames.shrink_to_fit();
}

}  // namespace

// ---------------------------------------------------------------------------
// Building and disposing

namespace {

// The text to parse: a handle's bytes, or an open file read piece by piece
// (a file is never held whole beside its tree).
struct SourceXML {
  const char* bytes = nullptr;
  FILE* file = nullptr;
  size_t size = 0;
};

constexpr int kMorceauFichier = 1 << 20;

void CopieErreur(char* errText, const char* reason) {
  if (errText) std::snprintf(errText, kXMLErrTextSize, "%s", reason);
}

// Feeds the whole text to the parser; false on a parse error, a read error
// or a stop.
bool Alimente(XML_Parser p, const SourceXML& src) {
  if (!src.file) return XML_Parse(p, src.bytes, static_cast<int>(src.size), 1) != XML_STATUS_ERROR;
  if (std::fseek(src.file, 0, SEEK_SET) != 0) {
    if (!xmlStack.reason) xmlStack.reason = "the file could not be read";
    return false;
  }
  for (;;) {
    void* buf = XML_GetBuffer(p, kMorceauFichier);
    if (!buf) {
      BuildFailed();
      return false;
    }
    const size_t n = std::fread(buf, 1, kMorceauFichier, src.file);
    if (n < static_cast<size_t>(kMorceauFichier) && std::ferror(src.file)) {
      if (!xmlStack.reason) xmlStack.reason = "the file could not be read";
      return false;
    }
    const bool fin = n < static_cast<size_t>(kMorceauFichier);
    if (XML_ParseBuffer(p, static_cast<int>(n), fin) == XML_STATUS_ERROR) return false;
    if (fin) return true;
    if (DelaiRequeteDepasse()) {
      BudgetFailed("the request ran out of time");
      return false;
    }
  }
}

// One parse of the whole text into a new tree. `encoding` overrides the
// document's own declaration when given. On failure *code is the parser's
// error (none when a budget or the memory stopped it).
XMLRootElt* Parse(const SourceXML& src, const char* encoding, char* errText, XML_Error* code) {
  *code = XML_ERROR_NONE;
  ResetBuilder();
  const size_t multiple =
      src.size > gBudget.arbreMax / gBudget.multiple ? gBudget.arbreMax : src.size * gBudget.multiple;
  xmlStack.memoryLimit = std::min(gBudget.arbreMax, std::max(gBudget.arbrePlancher, multiple));
  auto* root = static_cast<XMLRootElt*>(std::calloc(1, sizeof(XMLRootElt)));
  if (!root) {
    CopieErreur(errText, "out of memory building the element tree");
    return nullptr;
  }
  try {
    root->store = new XMLTreeStore;
  } catch (const std::bad_alloc&) {
    root->store = nullptr;
  }
  xmlStack.root = root;
  if (root->store) {
    Guarded([&] {
      root->store->flat.reserve(src.size / 64 + 16);
      PushElt(&root->head);
    });
  }

  bool ok = false;
  XML_Parser p = root->store && !xmlStack.failed ? XML_ParserCreate(encoding) : nullptr;
  if (p) {
    xmlStack.parser = p;
    XML_SetUserData(p, root);
    XML_SetStartElementHandler(p, XMLStart);
    XML_SetEndElementHandler(p, XMLEnd);
    XML_SetCharacterDataHandler(p, XMLText);
    XML_SetProcessingInstructionHandler(p, XMLProcessInstruction);
    ok = Alimente(p, src);
    if (!ok && xmlStack.reason) {
      CopieErreur(errText, xmlStack.reason);
    } else if (!ok && errText) {
      *code = XML_GetErrorCode(p);
      std::snprintf(errText, kXMLErrTextSize, "%s at line %d", XML_ErrorString(*code),
                    static_cast<int>(XML_GetCurrentLineNumber(p)));
    }
    XML_ParserFree(p);
  } else {
    CopieErreur(errText, "out of memory building the element tree");
  }
  if (ok && !xmlStack.failed) {
    Guarded([&] {
      while (xmlStackSize > 0) FinishTopFrame();
    });
    ok = !xmlStack.failed;
    if (!ok) CopieErreur(errText, xmlStack.reason ? xmlStack.reason : "out of memory building the element tree");
  } else {
    ok = false;
  }
  ResetBuilder();
  if (!ok) {
    XMLBrowserDispose(root);
    return nullptr;
  }
  XMLTreeStore* store = root->store;
  store->flat.shrink_to_fit();
  root->nbElts = static_cast<int32_t>(store->flat.size());
  root->elts = store->flat.empty() ? nullptr : store->flat.data();
  for (NameEntry* e : store->entries) e->elts.shrink_to_fit();
  return root;
}

}  // namespace

XMLBudget XMLGetBudget() { return gBudget; }

void XMLSetBudget(const XMLBudget& budget) {
  gBudget = budget;
  if (gBudget.multiple < 1) gBudget.multiple = 1;
}

XMLRootElt* BrowseXMLFile(Handle text, FILE* file, char* errText, uint8_t noTextWhenChild) {
  if (errText) errText[0] = 0;
  SourceXML src;
  if (text) {
    src.bytes = *text;
    src.size = static_cast<size_t>(GetHandleSize(text));
  } else if (file) {
    long end = -1;
    if (std::fseek(file, 0, SEEK_END) == 0) end = std::ftell(file);
    if (end < 0) {
      CopieErreur(errText, "the file could not be read");
      return nullptr;
    }
    src.file = file;
    src.size = static_cast<size_t>(end);
  } else {
    return nullptr;
  }
  // Refused before a byte is parsed: its tree could only be larger.
  if (src.size > gBudget.texteMax) {
    CopieErreur(errText, "the MusicXML text is larger than a score may be");
    return nullptr;
  }

  gNoTextWhenChild = noTextWhenChild;
  XML_Error code;
  XMLRootElt* root = Parse(src, nullptr, errText, &code);
  if (!root && code == XML_ERROR_INCORRECT_ENCODING) {
    // Some exporters declare UTF-16 and write 8-bit text: read such a file as
    // UTF-8, else as Latin-1, rather than refuse it; the first error stays
    // the one reported when neither reading works.
    for (const char* encoding : {"UTF-8", "ISO-8859-1"}) {
      char autre[kXMLErrTextSize];
      root = Parse(src, encoding, autre, &code);
      if (root) {
        if (errText) errText[0] = 0;
        break;
      }
    }
  }
  return root;
}

void XMLBrowserDispose(XMLRootElt* root) {
  if (!root) return;
  delete root->store;
  std::free(root);
}

// ---------------------------------------------------------------------------
// Request matching

namespace {

bool NameEquals(const char* name, const char* s, int32_t n) {
  return std::strncmp(name, s, static_cast<size_t>(n)) == 0 && name[n] == 0;
}

bool ValueEquals(const char* value, const char* s, int32_t n) { return NameEquals(value, s, n); }

bool HasAttr(const XMLAttr* attrs, int32_t count, const char* r, int32_t a, int32_t aEnd, bool withValue, int32_t v,
             int32_t vEnd) {
  for (int32_t i = 0; i < count; i++) {
    if (!NameEquals(attrs[i].name, r + a, aEnd - a)) continue;
    if (!withValue || ValueEquals(attrs[i].value, r + v, vEnd - v)) return true;
  }
  return false;
}

bool TextTest(const char* text, const char* t, int32_t n) {
  if (!text) return false;
  bool leading = n > 0 && t[0] == '*';
  bool trailing = n > 1 && t[n - 1] == '*';
  if (leading) t++, n--;
  if (trailing) n--;
  size_t len = std::strlen(text);
  size_t un = static_cast<size_t>(n);
  if (leading && trailing) return std::string_view(text, len).find(std::string_view(t, un)) != std::string_view::npos;
  if (leading) return len >= un && std::memcmp(text + len - un, t, un) == 0;
  if (trailing) return len >= un && std::memcmp(text, t, un) == 0;
  return len == un && std::memcmp(text, t, un) == 0;
}

int32_t SegmentEnd(const char* r, int32_t s, int32_t end) {
  while (s < end && r[s] != '/') s++;
  return s;
}

// Name and tests of one segment [s, segEnd).
bool MatchSegment(const XMLElt* e, const char* r, int32_t s, int32_t segEnd) {
  if (!e->name) return false;  // the root record is no element
  if (s < segEnd && r[s] == '@') s++;
  bool neg = false;
  if (s < segEnd && r[s] == '!') neg = true, s++;
  int32_t p = s;
  while (p < segEnd && r[p] != '<' && r[p] != '[') p++;
  bool same = NameEquals(e->name, r + s, p - s);
  if (same == neg) return false;
  while (p < segEnd) {
    char open = r[p++];
    bool tneg = false;
    if (p < segEnd && r[p] == '!') tneg = true, p++;
    if (open == '<') {
      int32_t a = p;
      while (p < segEnd && r[p] != '=' && r[p] != '>') p++;
      if (p >= segEnd) return false;
      int32_t aEnd = p, v = 0, vEnd = 0;
      bool withValue = r[p] == '=';
      if (withValue) {
        v = ++p;
        while (p < segEnd && r[p] != '>') p++;
        if (p >= segEnd) return false;
        vEnd = p;
      }
      p++;
      bool has = HasAttr(e->attributes, e->nbAttributes, r, a, aEnd, withValue, v, vEnd) ||
                 HasAttr(e->userAttributes, e->nbUserAttributes, r, a, aEnd, withValue, v, vEnd);
      if (has == tneg) return false;
    } else if (open == '[') {
      int32_t t = p;
      while (p < segEnd && r[p] != ']') p++;
      if (p >= segEnd) return false;
      bool ok = TextTest(e->text, r + t, p - t);
      p++;
      if (ok == tneg) return false;
    } else {
      return false;
    }
  }
  return true;
}

bool IsFirstSegment(const char* r, int32_t reqStart, int32_t s) {
  return s == reqStart || (s == reqStart + 1 && r[reqStart] == '@');
}

// The segments before s, matched against the parent, grandparent and so on.
bool MatchAncestors(const XMLElt* e, const char* r, int32_t reqStart, int32_t s) {
  while (!IsFirstSegment(r, reqStart, s)) {
    int32_t prevEnd = s - 1;
    if (r[prevEnd] == '@') prevEnd--;
    int32_t prevStart = prevEnd;
    while (prevStart > reqStart && r[prevStart - 1] != '/') prevStart--;
    e = e->parent;
    if (!e || !e->name) return false;
    if (!MatchSegment(e, r, prevStart, prevEnd)) return false;
    s = prevStart;
  }
  return true;
}

bool MatchFrom(const XMLElt* e, const char* r, int32_t reqStart, int32_t s, int32_t end);

// The rest of the request after a segment, matched against the children.
bool MatchDescendants(const XMLElt* e, const char* r, int32_t segEnd, int32_t end) {
  if (segEnd >= end) return true;
  int32_t rest = segEnd + 1;
  int32_t q = rest;
  if (q < end && r[q] == '@') q++;
  bool all = q < end && r[q] == '!';
  for (int32_t i = 0; i < e->nbChildren; i++) {
    bool m = MatchFrom(e->children[i], r, rest, rest, end);
    if (all && !m) return false;
    if (!all && m) return true;
  }
  return all;
}

bool MatchFrom(const XMLElt* e, const char* r, int32_t reqStart, int32_t s, int32_t end) {
  int32_t segEnd = SegmentEnd(r, s, end);
  return MatchSegment(e, r, s, segEnd) && MatchAncestors(e, r, reqStart, s) && MatchDescendants(e, r, segEnd, end);
}

// Where the marked segment begins: just after the first '@' that starts a
// segment, else 0.
int32_t MarkedStart(const char* r, int32_t end) {
  for (int32_t i = 0; i < end; i++)
    if (r[i] == '@' && (i == 0 || r[i - 1] == '/')) return i + 1;
  return 0;
}

// The marked segment's plain name, when the request asks for one (no '!').
bool MarkedName(const char* r, int32_t s, int32_t end, std::string_view* name) {
  if (s < end && r[s] == '!') return false;
  int32_t p = s;
  while (p < end && r[p] != '<' && r[p] != '[' && r[p] != '/') p++;
  *name = std::string_view(r + s, static_cast<size_t>(p - s));
  return true;
}

XMLRootElt* RootOf(const XMLElt* e) {
  while (e->parent) e = e->parent;
  // The head is the root record's first member.
  return reinterpret_cast<XMLRootElt*>(const_cast<XMLElt*>(e));
}

XMLTreeStore* StoreOf(XMLElt* e) { return RootOf(e)->store; }

std::vector<XMLElt*> gResults;
std::vector<const XMLElt*> gWalk;

XMLElt** TakeResults(int32_t* count) {
  int32_t n = static_cast<int32_t>(gResults.size());
  if (count) *count = 0;
  if (n == 0) return nullptr;
  auto** a = static_cast<XMLElt**>(std::malloc(gResults.size() * sizeof(XMLElt*)));
  if (!a) {
    gResults.clear();
    return nullptr;
  }
  std::memcpy(a, gResults.data(), gResults.size() * sizeof(XMLElt*));
  gResults.clear();
  if (count) *count = n;
  return a;
}

// Depth-first collector: a matching element is taken and its subtree is not
// searched further. Iterative, so deep documents cannot exhaust the C stack.
void RecurseGetElts(const XMLElt* start, const char* r, int32_t marked, int32_t end, const char* wanted) {
  gWalk.clear();
  gWalk.push_back(start);
  while (!gWalk.empty()) {
    const XMLElt* e = gWalk.back();
    gWalk.pop_back();
    if ((!wanted || e->name == wanted) && EltMatchComplexRequest(e, r, marked, end)) {
      gResults.push_back(const_cast<XMLElt*>(e));
      continue;
    }
    for (int32_t i = e->nbChildren - 1; i >= 0; i--) gWalk.push_back(e->children[i]);
  }
}

// The interned name a plain marked segment asks for: null when any name may
// match; *none is set when no element of the tree can match.
const char* WantedName(const XMLRootElt* root, const char* r, int32_t marked, int32_t end, bool* none) {
  *none = false;
  std::string_view name;
  if (!MarkedName(r, marked, end, &name)) return nullptr;
  NameEntry* entry = root->store ? root->store->Find(name) : nullptr;
  if (!entry) *none = true;
  return entry ? entry->name : nullptr;
}

}  // namespace

bool EltMatchComplexRequest(const XMLElt* elt, const char* request, int32_t segStart, int32_t end) {
  if (!elt || !request) return false;
  return MatchFrom(elt, request, 0, segStart, end);
}

namespace {

// Top-down walk for requests with ancestor segments: from the elements that
// match the segment at s, down through the children that match each next
// segment, to the marked one. Each result has a single chain of ancestors, so
// nothing is found twice.
void CollectDown(const XMLElt* e, const char* r, int32_t s, int32_t marked, int32_t end) {
  int32_t next = SegmentEnd(r, s, end) + 1;
  if (next > end) return;
  if (next + 1 == marked && r[next] == '@') next = marked;
  bool last = next == marked;
  int32_t nextEnd = SegmentEnd(r, next, end);
  for (int32_t i = 0; i < e->nbChildren; i++) {
    const XMLElt* c = e->children[i];
    if (!MatchSegment(c, r, next, nextEnd)) continue;
    if (!last) CollectDown(c, r, next, marked, end);
    else if (MatchDescendants(c, r, nextEnd, end)) gResults.push_back(const_cast<XMLElt*>(c));
  }
}

void GetEltsFromTree(XMLRootElt* root, const char* request);

// Result lists grow on the heap: out of memory gives no result, as for a
// request that matches nothing.
template <typename F>
XMLElt** Collected(int32_t* count, F&& collect) {
  if (count) *count = 0;
  gResults.clear();
  try {
    collect();
  } catch (const std::bad_alloc&) {
    gResults.clear();
    gWalk.clear();
    return nullptr;
  }
  return TakeResults(count);
}

}  // namespace

XMLElt** XMLGetElts(XMLRootElt* root, const char* request, int32_t* count) {
  if (count) *count = 0;
  if (!root || !request || !root->store) return nullptr;
  return Collected(count, [&] { GetEltsFromTree(root, request); });
}

namespace {

void GetEltsFromTree(XMLRootElt* root, const char* request) {
  int32_t end = static_cast<int32_t>(std::strlen(request));
  int32_t marked = MarkedStart(request, end);
  std::string_view name, first;
  bool plainMarked = MarkedName(request, marked, end, &name);
  NameEntry* entry = plainMarked ? root->store->Find(name) : nullptr;
  if (plainMarked && !entry) return;
  NameEntry* top = nullptr;
  if (marked > 1 && MarkedName(request, 0, end, &first)) {
    top = root->store->Find(first);
    if (!top) return;
  }
  if (top && (!entry || top->elts.size() < entry->elts.size())) {
    // Fewer candidates at the top of the path ("part<id=P3>/measure/@note"
    // visits one part's notes, not every note of the score).
    int32_t firstEnd = SegmentEnd(request, 0, end);
    for (XMLElt* e : top->elts)
      if (e->name == top->name && MatchSegment(e, request, 0, firstEnd)) CollectDown(e, request, 0, marked, end);
    // Nested elements of the same name can reach their results out of order.
    for (size_t i = 1; i < gResults.size(); i++) {
      if (gResults[i - 1]->index > gResults[i]->index) {
        std::sort(gResults.begin(), gResults.end(), [](XMLElt* a, XMLElt* b) { return a->index < b->index; });
        break;
      }
    }
  } else if (entry) {
    for (XMLElt* e : entry->elts)
      if (e->name == entry->name && MatchFrom(e, request, 0, marked, end)) gResults.push_back(e);
  } else {
    for (int32_t i = 0; i < root->nbElts; i++)
      if (MatchFrom(root->elts[i], request, 0, marked, end)) gResults.push_back(root->elts[i]);
  }
}

// Appends the depth-first matches below each element in turn.
void GetEltsBelow(XMLElt* const* elts, int32_t n, const char* request) {
  int32_t end = static_cast<int32_t>(std::strlen(request));
  int32_t marked = MarkedStart(request, end);
  const XMLRootElt* root = nullptr;
  const char* wanted = nullptr;
  bool none = false;
  for (int32_t i = 0; i < n; i++) {
    if (!elts[i]) continue;
    const XMLRootElt* r = RootOf(elts[i]);
    if (r != root) {
      root = r;
      wanted = WantedName(root, request, marked, end, &none);
    }
    if (!none) RecurseGetElts(elts[i], request, marked, end, wanted);
  }
}

}  // namespace

XMLElt** XMLGetEltsInChild(XMLElt* elt, const char* request, int32_t* count) {
  if (count) *count = 0;
  if (!elt || !request) return nullptr;
  return Collected(count, [&] { GetEltsBelow(&elt, 1, request); });
}

XMLElt** XMLGetEltsInList(XMLElt** elts, int32_t n, const char* request, int32_t* count) {
  if (count) *count = 0;
  if (!elts || n <= 0 || !request) return nullptr;
  return Collected(count, [&] { GetEltsBelow(elts, n, request); });
}

XMLElt* XMLGetChild(XMLElt* elt, const char* request, int32_t n) {
  if (!elt || !request || n < 0) return nullptr;
  int32_t end = static_cast<int32_t>(std::strlen(request));
  // Most requests are one plain name, asked of every note: the children's
  // names are interned, so one lookup and pointer comparisons answer it. A
  // name the tree never interned matches nothing but the renamed copies of
  // broken elements, whose names start with '*'.
  if (end > 0 && std::strcspn(request, "/@!<[") == static_cast<size_t>(end)) {
    XMLTreeStore* store = StoreOf(elt);
    NameEntry* entry = store ? store->Find(std::string_view(request, static_cast<size_t>(end))) : nullptr;
    if (entry) {
      for (int32_t i = 0; i < elt->nbChildren; i++)
        if (elt->children[i]->name == entry->name && n-- == 0) return elt->children[i];
      return nullptr;
    }
    if (request[0] != '*') return nullptr;
  }
  int32_t marked = MarkedStart(request, end);
  for (int32_t i = 0; i < elt->nbChildren; i++) {
    if (EltMatchComplexRequest(elt->children[i], request, marked, end) && n-- == 0) return elt->children[i];
  }
  return nullptr;
}

void XMLDisposeElts(XMLElt** elts) { std::free(elts); }

// ---------------------------------------------------------------------------
// Accessors

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

// Decimal integer at the start of s: optional sign then digits; clamped to
// the 32-bit range.
int32_t ReadLong(const char* s) {
  bool neg = false;
  if (*s == '+' || *s == '-') neg = *s++ == '-';
  if (*s < '0' || *s > '9') return kXMLAbsentLong;
  int64_t v = 0;
  for (; *s >= '0' && *s <= '9'; s++) {
    if (v <= 0x80000000LL) v = v * 10 + (*s - '0');
  }
  if (neg) v = -v;
  if (v > INT32_MAX) v = INT32_MAX;
  if (v < INT32_MIN) v = INT32_MIN;
  return static_cast<int32_t>(v);
}

// Decimal floating-point number at the start of s, independent of the locale.
float ReadFloat(const char* s) {
  while (IsSpace(*s)) s++;
  bool neg = false;
  if (*s == '+' || *s == '-') neg = *s++ == '-';
  if (*s == '+' || *s == '-') return kXMLAbsentFloat;
  float v = 0;
  auto res = std::from_chars(s, s + std::strlen(s), v, std::chars_format::general);
  if (res.ec != std::errc() || res.ptr == s) return kXMLAbsentFloat;
  return neg ? -v : v;
}

}  // namespace

const char* XMLGetAttributeValue(const XMLElt* elt, const char* name) {
  if (!elt || !name) return nullptr;
  for (int32_t i = 0; i < elt->nbAttributes; i++)
    if (std::strcmp(elt->attributes[i].name, name) == 0) return elt->attributes[i].value;
  for (int32_t i = 0; i < elt->nbUserAttributes; i++)
    if (std::strcmp(elt->userAttributes[i].name, name) == 0) return elt->userAttributes[i].value;
  return nullptr;
}

int32_t XMLGetAttributeLong(const XMLElt* elt, const char* name) {
  const char* v = XMLGetAttributeValue(elt, name);
  return v ? ReadLong(v) : kXMLAbsentLong;
}

float XMLGetAttributeFloat(const XMLElt* elt, const char* name) {
  const char* v = XMLGetAttributeValue(elt, name);
  return v ? ReadFloat(v) : kXMLAbsentFloat;
}

const char* XMLGetText(const XMLElt* elt) { return elt ? elt->text : nullptr; }

int32_t XMLGetTextLong(const XMLElt* elt) {
  const char* t = XMLGetText(elt);
  if (!t) return kXMLAbsentLong;
  while (IsSpace(*t)) t++;
  return ReadLong(t);
}

float XMLGetTextFloat(const XMLElt* elt) {
  const char* t = XMLGetText(elt);
  return t ? ReadFloat(t) : kXMLAbsentFloat;
}

const char* XMLAddUserAttr(XMLElt* elt, const char* name, const char* value) {
  if (!elt || !name || !value) return nullptr;
  XMLTreeStore* store = StoreOf(elt);
  if (!store) return nullptr;
  char* copy = store->arena.Copy(value, std::strlen(value));
  if (!copy) return nullptr;
  for (int32_t i = 0; i < elt->nbAttributes; i++) {
    if (std::strcmp(elt->attributes[i].name, name) == 0) {
      elt->attributes[i].value = copy;
      return copy;
    }
  }
  NameEntry* n = nullptr;
  try {
    n = store->Intern(name);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  int32_t count = elt->nbUserAttributes;
  auto* a = static_cast<XMLAttr*>(store->arena.Alloc((count + 1) * sizeof(XMLAttr)));
  if (!n || !a) return nullptr;
  if (count > 0) std::memcpy(a, elt->userAttributes, count * sizeof(XMLAttr));
  a[count].name = n->name;
  a[count].value = copy;
  elt->userAttributes = a;
  elt->nbUserAttributes = count + 1;
  return copy;
}

const char* XMLAddUserAttrLong(XMLElt* elt, const char* name, int32_t value) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%ld", static_cast<long>(value));
  return XMLAddUserAttr(elt, name, buf);
}
