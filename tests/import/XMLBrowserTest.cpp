// The element tree and its request language, on small documents written here
// and on a corpus file.
#include "import/XMLBrowser.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/Memory.h"
#include "support/DataFiles.h"
#include "support/Locales.h"
#include "system/BudgetRequete.h"
#include "text/TextEncodings.h"

namespace {

Handle TextHandle(const std::string& s) {
  Handle h = NewHandle(static_cast<Size>(s.size()));
  std::memcpy(*h, s.data(), s.size());
  return h;
}

struct Tree {
  XMLRootElt* root = nullptr;
  char err[kXMLErrTextSize] = {};
  Tree(const std::string& xml, uint8_t dropBlank = 1) {
    Handle h = TextHandle(xml);
    root = BrowseXMLFile(h, nullptr, err, dropBlank);
    DisposeHandle(h);
  }
  ~Tree() { XMLBrowserDispose(root); }
};

// Results written as their "k" attributes (or names), space separated.
std::string Labels(XMLElt** elts, int32_t n) {
  std::string s;
  for (int32_t i = 0; i < n; i++) {
    const char* k = XMLGetAttributeValue(elts[i], "k");
    if (!s.empty()) s += ' ';
    s += k ? k : elts[i]->name;
  }
  XMLDisposeElts(elts);
  return s;
}

std::string Get(XMLRootElt* root, const char* request) {
  int32_t n = -1;
  XMLElt** r = XMLGetElts(root, request, &n);
  EXPECT_EQ(n == 0, r == nullptr) << request;
  return Labels(r, n);
}

const char* kScore = R"(<?xml version="1.0" encoding="UTF-8"?>
<score-partwise>
  <container><rootfiles><rootfile k="r1" full-path="a.xml"/><rootfile k="r2"/></rootfiles></container>
  <rootfiles><rootfile k="stray"/></rootfiles>
  <part id="P1">
    <measure k="m1">
      <note k="n1"><staff>2</staff></note>
      <note k="n2" print-object="no"><staff> 2</staff>x</note>
      <note k="n3" print-object="no">y<staff>1</staff></note>
    </measure>
    <measure k="m2"><note k="n4"><staff>2</staff><staff>1</staff></note></measure>
  </part>
  <part id="P2"><measure k="m3"><note k="n5"><staff>2</staff></note></measure></part>
  <a k="a1"/><a k="a2"><c/></a><a k="a3"><b/></a><a k="a4"><c/><b/></a>
</score-partwise>)";

TEST(XMLRequest, SelectsByAncestorsTestsAndDescendants) {
  Tree t(kScore);
  ASSERT_NE(t.root, nullptr) << t.err;
  struct Case {
    const char* request;
    const char* expected;
  } cases[] = {
      {"container/rootfiles/@rootfile", "r1 r2"},
      {"rootfile", "r1 r2 stray"},
      {"part<id=P1>/measure/@note/staff[2]", "n1 n4"},
      {"part<id=P1>/@measure", "m1 m2"},
      {"part<id=P3>/@measure", ""},
      {"part<!id=P1>/@measure", "m3"},
      {"note<print-object=no>[x]", "n2"},
      {"note<print-object>", "n2 n3"},
      {"note<!print-object>", "n1 n4 n5"},
      {"note<print-object=>", ""},
      {"a/!b", "a1 a2"},
      {"a/b", "a3 a4"},
      {"score-partwise/@a/!b", "a1 a2"},
      {"a/!b/c", "a1"},
      {"@measure/note/staff[1]", "m1 m2"},
      {"part/@measure/note/staff[1]", "m1 m2"},
      {"staff[!2]", "staff staff staff"},
      {"nothing-here", ""},
      {"@!", ""},  // never mind what; must not crash
  };
  for (const Case& c : cases) {
    if (std::strcmp(c.request, "@!") == 0) {
      int32_t n = 0;
      XMLDisposeElts(XMLGetElts(t.root, c.request, &n));
      continue;
    }
    EXPECT_EQ(Get(t.root, c.request), c.expected) << c.request;
  }
}

TEST(XMLRequest, TextTests) {
  Tree t(
      "<r><t k='ab'>ab</t><t k='xab'>xab</t><t k='abx'>abx</t><t k='xaby'>xaby</t>"
      "<t k='a'>a</t><t k='none'/></r>");
  ASSERT_NE(t.root, nullptr) << t.err;
  struct Case {
    const char* request;
    const char* expected;
  } cases[] = {
      {"t[ab]", "ab"},      {"t[*ab*]", "ab xab abx xaby"},    {"t[ab*]", "ab abx"},
      {"t[*ab]", "ab xab"}, {"t[!ab]", "xab abx xaby a none"}, {"t[!*ab*]", "a none"},
      {"t[]", ""},          {"t[*]", "ab xab abx xaby a"},
  };
  for (const Case& c : cases) EXPECT_EQ(Get(t.root, c.request), c.expected) << c.request;
}

TEST(XMLRequest, MalformedRequestsFailQuietly) {
  Tree t("<r><t k='1' a='v'>x</t></r>");
  ASSERT_NE(t.root, nullptr);
  const char* requests[] = {"t<a", "t<a=v", "t[x", "t]",    "t>",  "r/",   "/",      "//",
                            "@",   "r/@",   "t<>", "t[*]x", "@@t", "r//t", "t<a=v><"};
  for (const char* r : requests) {
    int32_t n = 0;
    XMLDisposeElts(XMLGetElts(t.root, r, &n));
    XMLDisposeElts(XMLGetEltsInChild(t.root->elts[0], r, &n));
    XMLGetChild(t.root->elts[0], r, 0);
  }
  // A well-formed test after a malformed one still works.
  EXPECT_EQ(Get(t.root, "t<a=v>"), "1");
}

TEST(XMLRequest, SubtreeListAndChildQueries) {
  Tree t("<r><g k='g1'><x k='x1'><x k='x2'/></x><y><x k='x3'/></y></g><g k='g2'><x k='x4'/></g></r>");
  ASSERT_NE(t.root, nullptr);
  int32_t n = 0;
  XMLElt* g1 = t.root->elts[1];
  auto inChild = [&](const char* request) {
    XMLElt** r = XMLGetEltsInChild(g1, request, &n);
    return Labels(r, n);
  };
  // A match hides its own subtree; the start element itself may match.
  EXPECT_EQ(inChild("x"), "x1 x3");
  EXPECT_EQ(inChild("g"), "g1");
  EXPECT_EQ(inChild("y/@x"), "x3");
  EXPECT_EQ(XMLGetEltsInChild(g1, "z", &n), nullptr);
  EXPECT_EQ(n, 0);
  XMLElt** gs = XMLGetElts(t.root, "g", &n);
  ASSERT_EQ(n, 2);
  int32_t m = 0;
  XMLElt** xs = XMLGetEltsInList(gs, n, "x", &m);
  EXPECT_EQ(Labels(xs, m), "x1 x3 x4");
  XMLDisposeElts(gs);
  EXPECT_STREQ(XMLGetAttributeValue(XMLGetChild(g1, "x", 0), "k"), "x1");
  EXPECT_EQ(XMLGetChild(g1, "x", 1), nullptr);
  EXPECT_STREQ(XMLGetChild(g1, "!x", 0)->name, "y");
  EXPECT_EQ(XMLGetChild(nullptr, "x", 0), nullptr);
  // From the root record: its elements, never the record itself.
  XMLElt** top = XMLGetEltsInChild(&t.root->head, "!x", &n);
  EXPECT_EQ(Labels(top, n), "r");
  EXPECT_EQ(XMLGetElts(nullptr, "x", &n), nullptr);
}

// A plain name is answered from the interned names: the nth child of that
// name, never a grandchild, whatever else the name is used for (an attribute),
// and nothing for a name the document does not use; the general matcher gives
// the same answers.
TEST(XMLRequest, PlainChildNames) {
  Tree t("<r><a k='1'><a k='g'/></a><b/><a k='2'/><k k='3'/></r>");
  ASSERT_NE(t.root, nullptr) << t.err;
  XMLElt* r = t.root->elts[0];
  struct Case {
    const char* request;
    int32_t n;
    const char* k;  // the child's attribute k; null for no child
  } cases[] = {
      {"a", 0, "1"}, {"a", 1, "2"},     {"a", 2, nullptr}, {"k", 0, "3"},
      {"b", 0, ""},  {"z", 0, nullptr}, {"r", 0, nullptr},
  };
  for (const Case& c : cases) {
    XMLElt* e = XMLGetChild(r, c.request, c.n);
    const std::string general = std::string(c.request) + "<!zz>";
    EXPECT_EQ(XMLGetChild(r, general.c_str(), c.n), e) << c.request;
    if (!c.k) {
      EXPECT_EQ(e, nullptr) << c.request << " " << c.n;
      continue;
    }
    ASSERT_NE(e, nullptr) << c.request << " " << c.n;
    const char* k = XMLGetAttributeValue(e, "k");
    EXPECT_STREQ(k ? k : "", c.k) << c.request << " " << c.n;
  }
}

TEST(XMLTree, StructureIndexesAndParents) {
  Tree t("<?xml version='1.0'?><a><b x='1' y='2'/><c>t</c></a>");
  ASSERT_NE(t.root, nullptr);
  ASSERT_EQ(t.root->nbElts, 3);
  EXPECT_EQ(t.root->head.nbChildren, 1);
  EXPECT_EQ(t.root->head.children[0], t.root->elts[0]);
  EXPECT_EQ(t.root->elts[0]->parent, &t.root->head);
  XMLElt* b = t.root->elts[1];
  EXPECT_EQ(b->index, 1u);
  EXPECT_EQ(b->parent, t.root->elts[0]);
  ASSERT_EQ(b->nbAttributes, 2);
  EXPECT_STREQ(b->attributes[1].name, "y");
  EXPECT_EQ(b->text, nullptr);
  EXPECT_STREQ(t.root->elts[2]->text, "t");
}

TEST(XMLTree, BlankTextAndLineEnds) {
  const std::string doc = "<a>\n  <b>x\r\ny\nz&#13;&#10;w&#10;&#13;v&#13;u</b>\n</a>";
  {
    Tree t(doc, 1);
    ASSERT_NE(t.root, nullptr);
    EXPECT_EQ(t.root->elts[0]->text, nullptr);
    // CR LF and LF (normalised by the parser), LF CR, lone CR: one CR each.
    EXPECT_STREQ(t.root->elts[1]->text, "x\ry\rz\rw\rv\ru");
  }
  {
    Tree t(doc, 0);
    ASSERT_NE(t.root, nullptr);
    EXPECT_STREQ(t.root->elts[0]->text, "\r  \r");
  }
  {
    // Text of an element with children is kept when it is not blank, and
    // non-ASCII letters are not blank.
    Tree t("<a>x <b/> y</a><!-- --><c>\xC3\xA9<d/></c>", 1);
    EXPECT_EQ(t.root, nullptr);  // two top-level elements: not a document
    Tree u("<r><a>x <b/> y</a><c>\xC3\xA9<d/></c></r>", 1);
    ASSERT_NE(u.root, nullptr);
    EXPECT_STREQ(u.root->elts[1]->text, "x  y");
    EXPECT_STREQ(u.root->elts[3]->text, "\xC3\xA9");
  }
}

TEST(XMLTree, Accessors) {
  Tree t(
      "<a l1='12abc' l2=' 12' l3='-7' l4='+3' l5='x' l6='-' l7='99999999999' f1=' 2.5e1' f2='x' f3='-.5'>"
      "<t1> 12</t1><t2>12.75 mm</t2><t3/><t4>abc</t4></a>");
  ASSERT_NE(t.root, nullptr);
  XMLElt* a = t.root->elts[0];
  struct {
    const char* name;
    int32_t expected;
  } longs[] = {{"l1", 12},         {"l2", kXMLAbsentLong},     {"l3", -7},
               {"l4", 3},          {"l5", kXMLAbsentLong},     {"l6", kXMLAbsentLong},
               {"l7", 2147483647}, {"missing", kXMLAbsentLong}};
  for (auto& c : longs) EXPECT_EQ(XMLGetAttributeLong(a, c.name), c.expected) << c.name;
  EXPECT_EQ(XMLGetAttributeFloat(a, "f1"), 25.0f);
  EXPECT_EQ(XMLGetAttributeFloat(a, "f2"), kXMLAbsentFloat);
  EXPECT_EQ(XMLGetAttributeFloat(a, "f3"), -0.5f);
  EXPECT_EQ(XMLGetAttributeFloat(a, "missing"), kXMLAbsentFloat);
  EXPECT_EQ(XMLGetTextLong(XMLGetChild(a, "t1", 0)), 12);
  EXPECT_EQ(XMLGetTextFloat(XMLGetChild(a, "t2", 0)), 12.75f);
  EXPECT_EQ(XMLGetTextLong(XMLGetChild(a, "t3", 0)), kXMLAbsentLong);
  EXPECT_EQ(XMLGetTextFloat(XMLGetChild(a, "t3", 0)), kXMLAbsentFloat);
  EXPECT_EQ(XMLGetTextLong(XMLGetChild(a, "t4", 0)), kXMLAbsentLong);
  EXPECT_EQ(XMLGetText(XMLGetChild(a, "t3", 0)), nullptr);
  EXPECT_EQ(XMLGetAttributeValue(nullptr, "l1"), nullptr);
  EXPECT_EQ(XMLGetAttributeLong(nullptr, "l1"), kXMLAbsentLong);
  EXPECT_EQ(XMLGetAttributeFloat(nullptr, "l1"), kXMLAbsentFloat);
  EXPECT_EQ(XMLGetTextLong(nullptr), kXMLAbsentLong);
  EXPECT_EQ(XMLGetTextFloat(nullptr), kXMLAbsentFloat);
  // A host's decimal-comma locale changes no number read.
  tamrel_test::DecimalCommaLocale comma;
  ASSERT_TRUE(comma.active()) << comma.Missing();
  EXPECT_EQ(XMLGetTextFloat(XMLGetChild(a, "t2", 0)), 12.75f);
  EXPECT_EQ(XMLGetAttributeFloat(a, "f1"), 25.0f);
  EXPECT_EQ(XMLGetAttributeFloat(a, "f3"), -0.5f);
}

TEST(XMLTree, UserAttributes) {
  Tree t("<r><a k='1' id='x'/><a k='2'/></r>");
  ASSERT_NE(t.root, nullptr);
  XMLElt* a1 = t.root->elts[1];
  XMLElt* a2 = t.root->elts[2];
  XMLAddUserAttr(a1, "id", "y");  // replaces the parsed value
  EXPECT_STREQ(XMLGetAttributeValue(a1, "id"), "y");
  EXPECT_EQ(a1->nbUserAttributes, 0);
  XMLAddUserAttrLong(a2, "staf", -3);
  XMLAddUserAttr(a2, "staf", "9");  // kept beside the first; lookups find the first
  EXPECT_EQ(a2->nbUserAttributes, 2);
  EXPECT_EQ(XMLGetAttributeLong(a2, "staf"), -3);
  EXPECT_EQ(Get(t.root, "a<staf=-3>"), "2");
  EXPECT_EQ(Get(t.root, "a<staf=9>"), "2");
  EXPECT_EQ(Get(t.root, "a<id=y>"), "1");
  EXPECT_EQ(Get(t.root, "a<id=x>"), "");
  EXPECT_EQ(Get(t.root, "a<!staf>"), "1");
}

TEST(XMLTree, PrivateInstruction) {
  const char* doc =
      "<score><part><measure k='m1'><?Tamrel <picture k='p'>data</picture>?><note k='n'/></measure>"
      "<measure k='m2'><?Other <picture k='q'/>?></measure></part></score>";
  Tree t(doc);
  ASSERT_NE(t.root, nullptr) << t.err;
  EXPECT_EQ(Get(t.root, "measure/@picture"), "p");
  XMLElt** m = XMLGetElts(t.root, "picture", nullptr);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m[0]->index, 3u);  // after score, part, measure
  EXPECT_STREQ(XMLGetAttributeValue(m[0]->parent, "k"), "m1");
  EXPECT_STREQ(m[0]->text, "data");
  XMLDisposeElts(m);
  EXPECT_EQ(Get(t.root, "measure/@note"), "n");
  EXPECT_EQ(t.root->nbElts, 6);
}

TEST(XMLTree, BrokenPrivateContentLeavesTheTreeWhole) {
  // The private content opens two elements and breaks off; the main document
  // goes on, and its end tags still close its own elements.
  const char* doc =
      "<score><part><measure k='m1'><?Tamrel <graphic-line><x>unclosed ?><note k='n1'/></measure>"
      "<measure k='m2'><note k='n2'/></measure></part></score>";
  Tree t(doc);
  ASSERT_NE(t.root, nullptr) << t.err;
  EXPECT_EQ(Get(t.root, "part/@measure"), "m1 m2");
  EXPECT_EQ(Get(t.root, "measure/@note"), "n1 n2");
  XMLElt* m1 = t.root->elts[2];
  ASSERT_EQ(m1->nbChildren, 2);
  EXPECT_STREQ(m1->children[0]->name, "graphic-line");
  EXPECT_EQ(m1->children[1], XMLGetChild(m1, "note", 0));
  EXPECT_EQ(XMLGetChild(m1->children[0], "x", 0)->nbChildren, 0);
  XMLElt* part = t.root->elts[1];
  EXPECT_EQ(part->nbChildren, 2);
}

TEST(XMLTree, ParseErrorsAndSources) {
  struct {
    const char* doc;
    const char* error;
  } cases[] = {
      {"<a><b></a>", "mismatched tag at line 1"},
      {"<a>\n\n<b x='1' x='2'/></a>", "duplicate attribute at line 3"},
      {"", "no element found at line 1"},
      {"<a>&undefined;</a>", "undefined entity at line 1"},
  };
  for (auto& c : cases) {
    Tree t(c.doc);
    EXPECT_EQ(t.root, nullptr) << c.doc;
    EXPECT_STREQ(t.err, c.error) << c.doc;
  }
  EXPECT_EQ(BrowseXMLFile(nullptr, nullptr, nullptr, 1), nullptr);

  FILE* f = std::tmpfile();
  ASSERT_NE(f, nullptr);
  std::fputs("<a><b>from a file</b></a>", f);
  char err[kXMLErrTextSize];
  XMLRootElt* root = BrowseXMLFile(nullptr, f, err, 1);
  ASSERT_NE(root, nullptr);
  EXPECT_STREQ(root->elts[1]->text, "from a file");
  XMLBrowserDispose(root);
  std::fclose(f);
}

TEST(XMLTree, CorpusScore) {
  std::string text;
  ASSERT_TRUE(tamrel_test::ReadData("musicxml/01a-Pitches-Pitches.xml", &text));
  size_t notes = 0;
  for (size_t p = text.find("<note"); p != std::string::npos; p = text.find("<note", p + 1))
    if (text[p + 5] == '>' || text[p + 5] == ' ') notes++;
  Tree t(text);
  ASSERT_NE(t.root, nullptr) << t.err;
  int32_t n = 0;
  XMLDisposeElts(XMLGetElts(t.root, "part<id=P1>/measure/@note", &n));
  EXPECT_EQ(static_cast<size_t>(n), notes);
  XMLDisposeElts(XMLGetElts(t.root, "note/pitch/@step[C]", &n));
  EXPECT_GT(n, 0);
  XMLElt** field = XMLGetElts(t.root, "identification/miscellaneous/@miscellaneous-field<name=description>", &n);
  ASSERT_EQ(n, 1);
  // The file's LF line ends read as CR.
  EXPECT_EQ(std::strncmp(field[0]->text, "All pitches from G to c'''' in \r          ascending", 51), 0);
  XMLDisposeElts(field);
  // Document order of the flat list matches the indexes.
  for (int32_t i = 0; i < t.root->nbElts; i++) ASSERT_EQ(t.root->elts[i]->index, static_cast<uint32_t>(i));
}

}  // namespace

namespace {

// Whatever path a request takes through the tree, its result is the flat
// list filtered by the element matcher.
TEST(XMLRequest, ResultsEqualTheMatcherOverTheFlatList) {
  const char* files[] = {"musicxml/41a-MultiParts-Partorder.xml", "musicxml/33a-Spanners.xml",
                         "musicxml/43a-PianoStaff.xml"};
  const char* requests[] = {"part<id=P1>/@measure",
                            "part<id=P2>/measure/@note",
                            "part/measure/@note/staff[2]",
                            "score-partwise/part/@measure/note/!chord",
                            "measure/note/@pitch",
                            "part<!id=P1>/measure/note/@!rest",
                            "@note/notations",
                            "part/measure/@!note",
                            "measure/@note<default-x>/type[quarter]",
                            "part/@x/y",
                            "score-partwise/part-list/@score-part<id=P1>",
                            "!measure/@note"};
  for (const char* file : files) {
    std::string text;
    ASSERT_TRUE(tamrel_test::ReadData(file, &text));
    Tree t(text);
    ASSERT_NE(t.root, nullptr) << file;
    for (const char* r : requests) {
      int32_t len = static_cast<int32_t>(std::strlen(r));
      const char* at = std::strchr(r, '@');
      int32_t marked = at ? static_cast<int32_t>(at - r) + 1 : 0;
      std::vector<XMLElt*> expected;
      for (int32_t i = 0; i < t.root->nbElts; i++)
        if (EltMatchComplexRequest(t.root->elts[i], r, marked, len)) expected.push_back(t.root->elts[i]);
      int32_t n = 0;
      XMLElt** got = XMLGetElts(t.root, r, &n);
      EXPECT_EQ(std::vector<XMLElt*>(got, got + n), expected) << file << " " << r;
      XMLDisposeElts(got);
    }
  }
  // Nested elements of one name: results stay in document order.
  Tree t("<r><x k='x1'><x k='x2'><y k='y1'/></x><y k='y2'/></x></r>");
  EXPECT_EQ(Get(t.root, "r/x/@x/y"), "x2");
  EXPECT_EQ(Get(t.root, "xx/@y"), "");
  EXPECT_EQ(Get(t.root, "x/@y"), "y1 y2");
  EXPECT_EQ(Get(t.root, "r/x/@y"), "y2");
}

}  // namespace

namespace {

// Hostile shapes: very deep nesting must not exhaust the C stack in building,
// querying or freeing; damaged files either parse or fail, never crash.
TEST(XMLTree, DeepNestingAndDamagedFiles) {
  const int depth = 100000;
  std::string deep;
  for (int i = 0; i < depth; i++) deep += "<d>";
  deep += "<leaf/>";
  for (int i = 0; i < depth; i++) deep += "</d>";
  {
    // Far past the default ceiling, to show that nothing in the tree recurses.
    const XMLBudget defaut = XMLGetBudget();
    XMLBudget profond = defaut;
    profond.profondeurMax = depth + 10;
    XMLSetBudget(profond);
    Tree t(deep);
    XMLSetBudget(defaut);
    ASSERT_NE(t.root, nullptr) << t.err;
    int32_t n = 0;
    XMLDisposeElts(XMLGetEltsInChild(t.root->elts[0], "leaf", &n));
    EXPECT_EQ(n, 1);
    EXPECT_EQ(Get(t.root, "d/@leaf"), "leaf");
    EXPECT_EQ(Get(t.root, "d/d/d/@d/d/d/leaf"), "d");
  }

  std::string original;
  ASSERT_TRUE(tamrel_test::ReadData("musicxml/46a-Barlines.xml", &original));
  uint32_t seed = 1;
  auto next = [&] {
    seed = seed * 1664525u + 1013904223u;
    return seed >> 8;
  };
  int parsed = 0;
  for (int round = 0; round < 300; round++) {
    std::string doc = original;
    int flips = 1 + static_cast<int>(next() % 8);
    for (int f = 0; f < flips; f++) doc[next() % doc.size()] = static_cast<char>(next() & 0xff);
    if (round % 5 == 0) doc.resize(next() % doc.size());
    Tree t(doc);
    if (!t.root) {
      EXPECT_NE(std::strstr(t.err, " at line "), nullptr);
      continue;
    }
    parsed++;
    int32_t n = 0;
    XMLDisposeElts(XMLGetElts(t.root, "part<id=P1>/measure/@barline/bar-style[light-heavy]", &n));
    XMLDisposeElts(XMLGetEltsInChild(t.root->elts[0], "note", &n));
  }
  EXPECT_GT(parsed, 0);
}

}  // namespace

namespace {

TEST(XMLTree, DocumentEncodingsReadAsUTF8) {
  // UTF-16 with a byte-order mark, and Latin-1 by declaration.
  std::string utf16 = "\xFF\xFE";
  for (char c : std::string("<a>\xE9t\xE9</a>")) {
    utf16 += c;
    utf16 += '\0';
  }
  Tree t16(utf16);
  ASSERT_NE(t16.root, nullptr) << t16.err;
  EXPECT_STREQ(t16.root->elts[0]->text, "\xC3\xA9t\xC3\xA9");
  Tree latin("<?xml version='1.0' encoding='ISO-8859-1'?><a k='\xE9'>\xE9</a>");
  ASSERT_NE(latin.root, nullptr) << latin.err;
  EXPECT_STREQ(latin.root->elts[0]->text, "\xC3\xA9");
  EXPECT_STREQ(XMLGetAttributeValue(latin.root->elts[0], "k"), "\xC3\xA9");
}

}  // namespace

namespace {

// References the parser leaves in a text (written double-escaped) are read as
// HTML text; the HTML reading setting is left as it was.
TEST(XMLTree, TextReferencesReadAsHTML) {
  int32_t before = GetHTMLDefault8BitEncoding();
  SetHTMLDefault8BitEncoding(2);
  Tree t(
      "<r><a>Tom &amp; Jerry</a><b>caf&amp;#233; &amp;lt;x&amp;gt;\n&amp;unknown;</b><c k='&amp;amp;'>&#233;</c></r>");
  ASSERT_NE(t.root, nullptr) << t.err;
  EXPECT_STREQ(t.root->elts[1]->text, "Tom & Jerry");
  EXPECT_STREQ(t.root->elts[2]->text, "caf\xC3\xA9 <x>\r&unknown;");
  EXPECT_STREQ(t.root->elts[3]->text, "\xC3\xA9");
  EXPECT_STREQ(XMLGetAttributeValue(t.root->elts[3], "k"), "&amp;");  // attributes are as parsed
  EXPECT_EQ(GetHTMLDefault8BitEncoding(), 2);
  SetHTMLDefault8BitEncoding(before);
}

}  // namespace

namespace {

std::string Repeated(const std::string& unit, int times) {
  std::string s;
  for (int i = 0; i < times; i++) s += unit;
  return s;
}

// Each budget stops the parse at its edge, with its own reason and no tree;
// a text just inside every budget still parses.
TEST(XMLTree, BudgetsStopTheParseWithTheirReason) {
  const XMLBudget defaut = XMLGetBudget();
  XMLBudget petit = defaut;
  petit.texteMax = 1 << 20;
  petit.multiple = 8;
  petit.arbrePlancher = 256 << 10;
  petit.arbreMax = 4 << 20;
  petit.eltsMax = 20000;
  petit.profondeurMax = 50;
  // A score-like text: its tree is a few times its size.
  std::string score = "<score-partwise>";
  for (int i = 0; i < 2000; i++)
    score +=
        "\n  <note default-x=\"12\">\n    <pitch>\n      <step>C</step>\n      <octave>4</octave>\n    </pitch>\n"
        "    <duration>1</duration>\n  </note>";
  score += "</score-partwise>";
  struct Case {
    const char* label;
    std::string text;
    const char* reason;  // null: parses
    int32_t eltsMax = 20000;
  } cases[] = {
      {"score-like text", score, nullptr},
      {"tiny elements", "<r>" + Repeated("<a/>", 19000) + "</r>", "the element tree is over its memory budget"},
      {"element count at the ceiling", "<r>" + Repeated("<a/>", 1999) + "</r>", nullptr, 2000},
      {"one element more", "<r>" + Repeated("<a/>", 2000) + "</r>", "more elements than a score may have", 2000},
      {"depth at the ceiling", Repeated("<d>", 50) + Repeated("</d>", 50), nullptr},
      {"one level deeper", Repeated("<d>", 51) + Repeated("</d>", 51), "nested deeper than a score may be"},
      {"text over the ceiling", "<a>" + std::string(1 << 20, 'x') + "</a>", "larger than a score may be"},
  };
  for (const Case& c : cases) {
    petit.eltsMax = c.eltsMax;
    XMLSetBudget(petit);
    Tree t(c.text);
    if (!c.reason) {
      EXPECT_NE(t.root, nullptr) << c.label << ": " << t.err;
    } else {
      EXPECT_EQ(t.root, nullptr) << c.label;
      EXPECT_NE(std::strstr(t.err, c.reason), nullptr) << c.label << ": " << t.err;
    }
  }
  // A file is checked against the ceiling by its size, before it is read.
  FILE* f = std::tmpfile();
  ASSERT_NE(f, nullptr);
  std::fputs(("<a>" + std::string(1 << 20, 'x') + "</a>").c_str(), f);
  char err[kXMLErrTextSize];
  EXPECT_EQ(BrowseXMLFile(nullptr, f, err, 1), nullptr);
  EXPECT_NE(std::strstr(err, "larger than a score may be"), nullptr) << err;
  std::fclose(f);
  XMLSetBudget(defaut);
}

// The request's clock stops a long parse; the next request starts afresh.
TEST(XMLTree, RequestTimeStopsTheParse) {
  const double avant = DelaiRequete();
  const std::string text = "<r>" + Repeated("<a/>", 20000) + "</r>";
  FixeDelaiRequete(1e-9);
  DebutBudgetRequete();
  {
    Tree t(text);
    EXPECT_EQ(t.root, nullptr);
    EXPECT_STREQ(t.err, "the request ran out of time");
  }
  FixeDelaiRequete(avant);
  DebutBudgetRequete();
  Tree t(text);
  EXPECT_NE(t.root, nullptr) << t.err;
}

// A document that declares UTF-16 but is written in 8-bit text is read as
// UTF-8, or failing that as Latin-1; damage elsewhere is still reported.
TEST(XMLTree, UTF16DeclarationOverEightBitTextIsReadLeniently) {
  Tree utf8("<?xml version=\"1.0\" encoding=\"UTF-16\"?><a>\xC3\xA9t\xC3\xA9</a>");
  ASSERT_NE(utf8.root, nullptr) << utf8.err;
  EXPECT_STREQ(utf8.root->elts[0]->text, "\xC3\xA9t\xC3\xA9");
  EXPECT_STREQ(utf8.err, "");
  Tree latin("<?xml version=\"1.0\" encoding=\"UTF-16\"?><a>\xE9t\xE9</a>");
  ASSERT_NE(latin.root, nullptr) << latin.err;
  EXPECT_STREQ(latin.root->elts[0]->text, "\xC3\xA9t\xC3\xA9");
  Tree broken("<?xml version=\"1.0\" encoding=\"UTF-16\"?><a></b>");
  EXPECT_EQ(broken.root, nullptr);
  EXPECT_NE(std::strstr(broken.err, " at line 1"), nullptr) << broken.err;
}

}  // namespace
