// Text formatting of MusicXML texts, credits as page texts and titles, and
// lyrics into the lyric cells of their staves.
#include "import/XMLLyrics.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "import/MusicXML.h"
#include "layout/MiseEnPage.h"
#include "layout/Titres.h"
#include "model/Document.h"
#include "model/ObjetsLibres.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/QRVPOBJ.h"
#include "model/QrvText.h"
#include "model/StrTitre.h"
#include "model/Vues.h"
#include "platform/Fonts.h"
#include "platform/Memory.h"
#include "support/DataFiles.h"
#include "text/TextData.h"

namespace {

using DocPtr = std::unique_ptr<Document, void (*)(Document*)>;

// What document disposal frees of a document an import filled.
void Libere(Document* doc) {
  while (doc->nbPartitions > 0) SupprimePartition(doc, doc->partitions[0]);
  DisposeVuesDocument(doc);
  DisposePtr(reinterpret_cast<Ptr>(doc));
}

// A whole import of a text, as document loading runs it.
DocPtr Importe(const std::string& xml) {
  DocPtr doc(reinterpret_cast<Document*>(NewPtrClear(sizeof(Document))), Libere);
  FixeMiseEnPageStandardDocument(doc.get());
  Handle h = NewHandle(Size(xml.size()));
  std::memcpy(*h, xml.data(), xml.size());
  EXPECT_EQ(ChargeMusiqueXML(doc.get(), h, 1, 0), 1);
  DisposeHandle(h);
  return doc;
}

// One element parsed on its own, for the attribute readers.
struct Element {
  explicit Element(const std::string& xml) {
    Handle h = NewHandle(Size(xml.size()));
    std::memcpy(*h, xml.data(), xml.size());
    char err[kXMLErrTextSize] = {};
    tree = BrowseXMLFile(h, nullptr, err, 1);
    DisposeHandle(h);
    EXPECT_NE(tree, nullptr) << err;
  }
  ~Element() { XMLBrowserDispose(tree); }
  XMLElt* get() const { return tree ? tree->head.children[0] : nullptr; }
  XMLRootElt* tree = nullptr;
};

const ObjetLibre& Objet(Partition** score, int i) { return reinterpret_cast<ObjetLibre*>(*(*score)->objetsLibres)[i]; }
std::string TexteObjet(const ObjetLibre& o) { return GetTexteBrutTexteStyle(*o.donnees); }

TEST(XMLTextFormat, ColoursReadOrLeftAlone) {
  struct {
    const char* text;
    int16_t read;
    uint16_t r, g, b;
  } cases[] = {
      {"#FF0080", 1, 65535, 0, 32896},
      {"#80ff0080", 1, 65535, 0, 32896},  // alpha first, skipped
      {"#0a0B0c", 1, 10 * 257, 11 * 257, 12 * 257},
      {"#GG0010", 1, 0, 0, 16 * 257},  // a character that is no hex digit counts 0
      {"#12345", 0, 1, 2, 3},          // other lengths: untouched
      {"#1234567", 0, 1, 2, 3},
      {"FF0080", 0, 1, 2, 3},
      {"", 0, 1, 2, 3},
  };
  for (const auto& c : cases) {
    RGBColor rgb{1, 2, 3};
    EXPECT_EQ(XMLGetColor(c.text, &rgb), c.read) << c.text;
    EXPECT_EQ(rgb.red, c.r) << c.text;
    EXPECT_EQ(rgb.green, c.g) << c.text;
    EXPECT_EQ(rgb.blue, c.b) << c.text;
  }
  RGBColor rgb{1, 2, 3};
  EXPECT_EQ(XMLGetColor(nullptr, &rgb), 0);
}

TEST(XMLTextFormat, AttributesAndTheirDefaults) {
  struct {
    const char* attributes;
    int16_t justification, halign, valign;
    uint16_t font;
    int16_t size;
    uint8_t face;
    float rotation;
  } cases[] = {
      {"", 0, 0, 0, kXMLFontSerif, 8, 128, 0},
      {"justify=\"center\"", 1, 1, 0, kXMLFontSerif, 8, 128, 0},
      {"justify=\"right\" halign=\"left\"", -1, 0, 0, kXMLFontSerif, 8, 128, 0},
      {"justify=\"right\" halign=\"middle\" valign=\"middle\"", -1, -1, 1, kXMLFontSerif, 8, 128, 0},
      {"valign=\"bottom\"", 0, 0, 2, kXMLFontSerif, 8, 128, 0},
      {"valign=\"baseline\"", 0, 0, 3, kXMLFontSerif, 8, 128, 0},
      {"valign=\"low\"", 0, 0, 2, kXMLFontSerif, 8, 128, 0},
      {"font-size=\"12.8\"", 0, 0, 0, kXMLFontSerif, 12, 128, 0},
      {"font-size=\"large\"", 0, 0, 0, kXMLFontSerif, 9, 128, 0},
      {"font-size=\".5\"", 0, 0, 0, kXMLFontSerif, 9, 128, 0},
      {"font-weight=\"bold\" font-style=\"italic\"", 0, 0, 0, kXMLFontSerif, 8, 128 | 3, 0},
      {"font-style=\"normal\" font-weight=\"normal\"", 0, 0, 0, kXMLFontSerif, 8, 128, 0},
      {"font-family=\"Sans-Serif\"", 0, 0, 0, kXMLFontSansSerif, 8, 128, 0},
      {"font-family=\"No Such Font, sans-serif\"", 0, 0, 0, kXMLFontSansSerif, 8, 128, 0},
      {"font-family=\"No Such Font\"", 0, 0, 0, kXMLFontSerif, 8, 128, 0},
      {"font-family=\"No Such Font,,sans-serif\"", 0, 0, 0, kXMLFontSerif, 8, 128, 0},  // empty entry: serif
      {"font-family=\" 'Helvetica' \"", 0, 0, 0, kFontHelvetica, 8, 128, 0},
      {"rotation=\"-90\"", 0, 0, 0, kXMLFontSerif, 8, 128, 270},
      {"rotation=\"45.5\"", 0, 0, 0, kXMLFontSerif, 8, 128, 45.5f},
  };
  for (const auto& c : cases) {
    Element e(std::string("<words ") + c.attributes + ">x</words>");
    int16_t j = 99, h = 99, v = 99, size = 99;
    uint16_t font = 99;
    uint8_t face[2] = {99, 99};
    float rotation = 99;
    XMLGetTextStyle(e.get(), &j, &h, &v, &font, &size, face, nullptr, &rotation);
    SCOPED_TRACE(c.attributes);
    EXPECT_EQ(j, c.justification);
    EXPECT_EQ(h, c.halign);
    EXPECT_EQ(v, c.valign);
    EXPECT_EQ(font, c.font);
    EXPECT_EQ(size, c.size);
    EXPECT_EQ(face[0], c.face);
    EXPECT_EQ(face[1], 0);
    EXPECT_FLOAT_EQ(rotation, c.rotation);
  }
  // The colour is written only when one is given and valid.
  Element e("<words color=\"#00FF00\">x</words>");
  RGBColor rgb{1, 2, 3};
  XMLGetTextStyle(e.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &rgb, nullptr);
  EXPECT_EQ(rgb.green, 65535);
  Element f("<words color=\"green\">x</words>");
  rgb = RGBColor{1, 2, 3};
  XMLGetTextStyle(f.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &rgb, nullptr);
  EXPECT_EQ(rgb.red, 1);
}

// A one-bar score with its header and credits (a tenth is 0.1 mm, the page
// 210 x 297 mm with 10 mm margins).
std::string AvecCredits(const std::string& head, const std::string& credits) {
  return "<score-partwise>" + head +
         "<defaults><scaling><millimeters>4</millimeters><tenths>40</tenths></scaling>"
         "<page-layout><page-height>2970</page-height><page-width>2100</page-width><page-margins>"
         "<left-margin>100</left-margin><right-margin>100</right-margin><top-margin>100</top-margin>"
         "<bottom-margin>100</bottom-margin></page-margins></page-layout></defaults>" +
         credits +
         "<part-list><score-part id=\"P\"><part-name>P</part-name></score-part></part-list>"
         "<part id=\"P\"><measure number=\"1\"><attributes><divisions>1</divisions></attributes>"
         "<note><pitch><step>C</step><octave>5</octave></pitch><duration>4</duration></note>"
         "</measure></part></score-partwise>";
}

// A credit that repeats a title becomes that title, placed where the credit
// stood; one that repeats none stays a text of its page, boxed around its
// anchor by its justification and vertical alignment.
TEST(XMLCredits, TitlesAndPageTexts) {
  DocPtr doc = Importe(AvecCredits(
      "<work><work-title>Song</work-title></work><identification><creator type=\"composer\">Anon</creator>"
      "</identification>",
      "<credit page=\"1\"><credit-words default-x=\"1050\" default-y=\"2770\" justify=\"center\" valign=\"top\" "
      "font-size=\"24\" font-weight=\"bold\">Song</credit-words></credit>"
      "<credit page=\"1\"><credit-words default-x=\"2000\" default-y=\"2700\" justify=\"right\" "
      "valign=\"bottom\">Anon</credit-words></credit>"
      "<credit page=\"2\"><credit-words default-x=\"100\" default-y=\"1000\" valign=\"top\" "
      "color=\"#FF0000\" rotation=\"-90\">Page two</credit-words></credit>"
      "<credit><credit-words default-x=\"1000\" default-y=\"1000\" justify=\"center\" "
      "valign=\"middle\">Mid</credit-words><credit-words font-style=\"italic\"> dle</credit-words></credit>"
      "<credit><credit-words/></credit>"));
  Partition** score = doc->partitionCourante;
  ASSERT_EQ(NbObjetsLibres(score), 2);

  // The title: centred, bold, its top 2 cm below the page top (1 cm below
  // the top margin, held to 5 mm).
  const StrTitre& titre = doc->titres[0];
  EXPECT_STREQ(GetTexteBrutTexteStyle(titre.texte), "Song");
  EXPECT_EQ(titre.flag, 1);
  EXPECT_EQ(titre.style.face & 0x7F, 1);
  EXPECT_EQ(titre.positions[1], 50);
  EXPECT_NEAR(titre.positions[0], 0, 2);  // the credit's centre is the frame's
  // The composer: right-aligned, its right edge at 200 mm, its bottom 27 mm
  // below the page top.
  const StrTitre& auteur = doc->titres[1];
  EXPECT_EQ(auteur.flag, 255);
  EXPECT_NEAR(auteur.positions[0], 0, 2);  // the right margin starts at 200 mm

  const ObjetLibre& deux = Objet(score, 0);
  EXPECT_EQ(TexteObjet(deux), "Page two");
  EXPECT_EQ(deux.page, 1);
  EXPECT_EQ(deux.type, kObjetLibreTexte);
  EXPECT_EQ(deux.octet1, 0);
  EXPECT_EQ(deux.rect.left, 100);
  EXPECT_EQ(deux.rect.top, 1970);  // valign top: the anchor is the top
  EXPECT_GT(deux.rect.bottom, deux.rect.top);
  EXPECT_EQ(deux.valeurSysteme, 270);
  EXPECT_EQ(deux.style.color.red, 65535);
  EXPECT_EQ(deux.style.color.green, 0);
  EXPECT_EQ(deux.style.face & 128, 128);

  // Middle: the anchor is the box's centre, both ways; the second words keep
  // their own style in a styled text.
  const ObjetLibre& mid = Objet(score, 1);
  EXPECT_EQ(TexteObjet(mid), "Mid dle");
  EXPECT_TRUE(IsStyledString(*mid.donnees));
  EXPECT_EQ(mid.page, 0);
  EXPECT_EQ(mid.octet1, 1);
  EXPECT_NEAR((mid.rect.left + mid.rect.right) / 2.0, 1000, 1);
  EXPECT_NEAR((mid.rect.top + mid.rect.bottom) / 2.0, 1970, 1);
}

// A credit's sizes are points of the printed page: over the page's final
// scale they give back the sizes written, for a page text as for a title.
TEST(XMLCredits, SizesAreThoseOfThePrintedPage) {
  DocPtr doc = Importe(
      AvecCredits("<work><work-title>Song</work-title></work>",
                  "<credit page=\"1\"><credit-words default-x=\"1050\" default-y=\"2770\" justify=\"center\" "
                  "font-size=\"24\">Song</credit-words></credit>"
                  "<credit page=\"2\"><credit-words default-x=\"100\" default-y=\"1000\" font-size=\"12\">Page two"
                  "</credit-words></credit>"));
  Partition** score = doc->partitionCourante;
  ASSERT_EQ(NbObjetsLibres(score), 1);
  const float echelle = doc->misesEnPage[0].echelle;
  EXPECT_EQ(doc->titres[0].style.size, int16_t(24 / echelle));
  const ObjetLibre& o = Objet(score, 0);
  EXPECT_EQ(o.style.size, int16_t(12 / echelle));
}

TEST(XMLCredits, BoxMovedByItsAlignment) {
  TextStyle style{kFontTimes, 0, 20, {0, 0, 0}};
  struct {
    int16_t justification, valign;
    float dx, dy;  // in boxes' widths and heights
  } cases[] = {{0, 0, 0, 0}, {1, 1, -0.5f, -0.5f}, {-1, 2, -1, -1}};
  float w0 = 0, h0 = 0;
  for (const auto& c : cases) {
    float x = 50, y = 60, w = 0, h = 0;
    XMLAdjustPosXYText("Credit", &style, c.justification, c.valign, &x, &y, &w, &h);
    if (w0 == 0) w0 = w, h0 = h;
    EXPECT_FLOAT_EQ(w, w0);
    EXPECT_FLOAT_EQ(x, 50 + c.dx * w);
    EXPECT_FLOAT_EQ(y, 60 + c.dy * h);
  }
  // A 20-point line is some 7 to 10 mm high; baseline alignment moves it up
  // by its ascent, less than its height.
  EXPECT_GT(h0, 6.0f);
  EXPECT_LT(h0, 11.0f);
  float x = 50, y = 60;
  XMLAdjustPosXYText("Credit", &style, 0, 3, &x, &y, nullptr, nullptr);
  EXPECT_LT(y, 60.0f);
  EXPECT_GT(y, 60.0f - h0);
}

// Without credits the header's title, composer and poet stand apart: the
// title centred, the composer right and the poet left, both under it.
TEST(XMLCredits, HeaderTitlesDoNotOverlap) {
  DocPtr doc =
      Importe(AvecCredits("<work><work-title>Lantern Song</work-title></work><identification>"
                          "<creator type=\"composer\">Tamrel QL examples</creator><creator type=\"poet\">Anon</creator>"
                          "</identification>",
                          ""));
  const StrTitre* t = doc->titres;
  EXPECT_STREQ(t[0].texte, "Lantern Song");
  EXPECT_STREQ(t[1].texte, "Tamrel QL examples");
  EXPECT_EQ(t[0].flag, 1);
  EXPECT_EQ(t[1].flag, 255);
  EXPECT_EQ(t[2].flag, 0);
  EXPECT_GT(t[0].style.size, t[1].style.size);
  const int32_t basTitre = GetPosBasTitre(&doc->misesEnPage[0], &t[0]);
  EXPECT_GT(basTitre, 0);
  EXPECT_GE(t[1].positions[1], basTitre);
  EXPECT_GE(t[2].positions[1], basTitre);
}

}  // namespace

namespace {

// The plain texts of a staff's lyric cells, bar by bar ("|" between bars)
// for one verse.
std::string Cellules(Portee** staff, int16_t verse) {
  Partition** score = (*staff)->partition;
  std::string r;
  char texte[kTailleTexteCellule];
  for (int16_t b = 0; b < (*score)->nbMesures; b++) {
    if (b) r += "|";
    r += GetTexteKaraokeCellule(staff, kLigneTexteParoles, b, verse, texte, nullptr);
  }
  return r;
}

// A 4/4 score of quarter notes (a rest where the text is "R"), bar after
// bar, each note's lyric elements given whole.
std::string AvecParoles(const std::vector<std::vector<std::string>>& bars) {
  std::string m;
  for (size_t b = 0; b < bars.size(); b++) {
    m += "<measure number=\"" + std::to_string(b + 1) + "\">";
    if (b == 0)
      m += "<attributes><divisions>1</divisions><time><beats>4</beats><beat-type>4</beat-type></time>"
           "<clef><sign>G</sign><line>2</line></clef></attributes>";
    for (const std::string& n : bars[b]) {
      if (n == "R") m += "<note><rest/><duration>1</duration><type>quarter</type></note>";
      else
        m += "<note" + std::string(n.find("HIDE") != std::string::npos ? " print-lyric=\"no\"" : "") +
             "><pitch><step>C</step><octave>5</octave></pitch><duration>1</duration><type>quarter</type>" +
             (n.find("HIDE") != std::string::npos ? "" : n) + "</note>";
    }
    m += "</measure>";
  }
  return "<score-partwise><part-list><score-part id=\"P\"><part-name>P</part-name></score-part></part-list>"
         "<part id=\"P\">" +
         m + "</part></score-partwise>";
}

std::string L(const std::string& syllabic, const std::string& text, const std::string& attributes = "",
              const std::string& more = "") {
  return "<lyric" + attributes + ">" + (syllabic.empty() ? "" : "<syllabic>" + syllabic + "</syllabic>") + "<text>" +
         text + "</text>" + more + "</lyric>";
}

// Syllables on their note columns: hyphens inside words, spaces after them,
// empty columns filled, in-column forms for the spaces and hyphens of a text,
// verses by number or by the first free one, lyrics without text dropped and
// without syllabic taken as words; after the notes, every note of a worded
// passage carries one.
TEST(XMLLyrics, SyllablesIntoTheCellsOfTheirVerses) {
  const std::string n1 = " number=\"1\"";
  struct {
    const char* what;
    std::vector<std::vector<std::string>> bars;
    std::string verse0, verse1;
  } cases[] = {
      {"a word over three notes, then one of one",
       {{L("begin", "Tra", n1), L("middle", "la", n1), L("end", "li", n1), L("single", "Ja!", n1)}},
       "Tra-la-li Ja! ",
       ""},
      {"an end after notes without syllable fills them with hyphens",
       {{L("begin", "a"), "", "", L("end", "b")}},
       "a---b ",
       ""},
      {"notes after a word's end get spaces, across the bar line too",
       {{L("single", "x"), "", L("begin", "lan"), ""}, {L("end", "tern"), "", "R", ""}},
       "x  lan--|tern   ",
       ""},
      {"a rest makes no column", {{"R", L("single", "a"), "R", L("single", "b")}}, "a b ", ""},
      {"an elided space and a written hyphen stay in their column",
       {{L("single", "a b"), L("single", "x-y"), L("single", "z_w"), ""}},
       "a^b x=y z^w  ",
       ""},
      {"a middle syllable of nothing but hyphens and spaces is a hyphen",
       {{L("begin", "a"), L("middle", " - "), L("end", "b"), ""}},
       "a--b  ",
       ""},
      {"verses by number, and without number the first free verse of the note",
       {{L("single", "one") + L("single", "two"), L("single", "deux", " number=\"2\""), "", ""}},
       "one    ",
       "two deux "},
      {"lyrics without text or of a verse out of range are dropped; one without syllabic is a word",
       {{L("", "word"), "<lyric><syllabic>single</syllabic></lyric>", L("single", "far", " number=\"300\""),
         L("single", "kept")}},
       "word   kept ",
       ""},
      {"line and paragraph ends follow the syllable",
       {{L("single", "a", "", "<end-line/>"), L("single", "b", "", "<end-paragraph/>"), "", ""}},
       "a\r b\r\r   ",
       ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    DocPtr doc = Importe(AvecParoles(c.bars));
    Portee** staff = GetPorteeIndex(doc->partitionCourante, 0);
    ASSERT_NE(staff, nullptr);
    EXPECT_EQ((*staff)->ligneParolesAffichee, 1);
    EXPECT_EQ(Cellules(staff, 0), c.verse0);
    EXPECT_EQ(Cellules(staff, 1).find_first_not_of('|') == std::string::npos ? "" : Cellules(staff, 1), c.verse1);
  }
}

// A staff's first lyric switches its lyrics line on: the line gets its base
// line under the staff, and the staff a voice to sing it.
TEST(XMLLyrics, FirstLyricSwitchesTheLineOn) {
  DocPtr doc = Importe(AvecParoles({{L("single", "a"), "", "", ""}}));
  Portee** staff = GetPorteeIndex(doc->partitionCourante, 0);
  ASSERT_NE(staff, nullptr);
  const Portee& p = **staff;
  EXPECT_EQ(p.karaoke, 1);
  EXPECT_EQ(p.lignesTexte[0].echelleIdeale, 0);
  EXPECT_EQ(p.lignesTexte[0].guides, 0);
  EXPECT_EQ(p.lignesTexte[0].alignement, 1);
  EXPECT_NE(p.voixParam, nullptr);
  EXPECT_GT(p.hauteurBaseLigneTexte, p.decalageLigneBasBaseRuban);
}

// A lyric's formatting becomes the line's cell style, its size on the
// printed page; a lyric the note does not print is white.
TEST(XMLLyrics, FormattingAndHiddenLyrics) {
  DocPtr doc = Importe(AvecParoles({{L("single", "a", " color=\"#00FF00\"", "") + "", "", "", ""},
                                    {"<lyric><syllabic>single</syllabic><text "
                                     "font-size=\"12\" font-weight=\"bold\" "
                                     "font-family=\"sans-serif\">b</text></lyric>",
                                     "", "", ""}}));
  Portee** staff = GetPorteeIndex(doc->partitionCourante, 0);
  const TextStyle& style = (*staff)->lignesTexte[0].styleCellule;
  EXPECT_EQ(style.font, kXMLFontSansSerif);
  EXPECT_EQ(style.face & 0x7F, 1);
  EXPECT_EQ(style.size, int16_t(12 / doc->misesEnPage[0].echelle));
  TextStyle premier{};
  ASSERT_TRUE(ExtraitStyleChaine(GetTexteStyleKaraokeCellule(staff, kLigneTexteParoles, 0, 0, nullptr), 0, &premier));
  EXPECT_EQ(premier.color.green, 65535);
  EXPECT_EQ(premier.color.red, 0);
  EXPECT_EQ(premier.size, int16_t(8 / doc->misesEnPage[0].echelle));

  std::string xml = AvecParoles({{"HIDE", "", "", ""}});
  xml.insert(xml.find("</note>"), L("single", "shh"));
  DocPtr hidden = Importe(xml);
  Portee** s2 = GetPorteeIndex(hidden->partitionCourante, 0);
  EXPECT_EQ(Cellules(s2, 0), "shh    ");
  const TextStyle& blanc = (*s2)->lignesTexte[0].styleCellule;
  EXPECT_EQ(blanc.color.red, 65535);
  EXPECT_EQ(blanc.color.green, 65535);
  EXPECT_EQ(blanc.color.blue, 65535);
}

// A repeated bar: its second verse is its second pass, filled as the first
// wherever that pass has words; a bar played once gets no second verse.
TEST(XMLLyrics, SecondPassOfARepeatFilled) {
  std::string xml = AvecParoles({{L("begin", "a") + L("single", "x", " number=\"2\""), "", "", ""},
                                 {L("single", "b") + L("begin", "y", " number=\"2\""), "", "", ""}});
  // The first bar repeated.
  xml.insert(xml.find("</measure>"), "<barline location=\"right\"><repeat direction=\"backward\"/></barline>");
  DocPtr doc = Importe(xml);
  Portee** staff = GetPorteeIndex(doc->partitionCourante, 0);
  EXPECT_EQ(Cellules(staff, 0), "a----|b    ");
  EXPECT_EQ(Cellules(staff, 1), "x    |y-");
}

// Many lyrics on one note: verses stop at the last a bar holds, and a cell
// stops growing at what its readers read back.
TEST(XMLLyrics, CrowdedNoteStaysBounded) {
  std::string joints, vers;
  for (int i = 0; i < 300; i++) {
    joints += L("single", "w" + std::to_string(i), " number=\"1\"");
    vers += L("single", "v");
  }
  DocPtr doc = Importe(AvecParoles({{joints, "", "", ""}, {vers, "", "", ""}}));
  Portee** staff = GetPorteeIndex(doc->partitionCourante, 0);
  const std::string cellule = Cellules(staff, 0).substr(0, Cellules(staff, 0).find('|'));
  EXPECT_EQ(cellule.rfind("w0^w1^w2^", 0), 0u) << cellule;
  EXPECT_LE(cellule.size(), size_t(kTailleTexteCellule - 1));
  // Verses past the first are not passes of these bars: not filled after.
  EXPECT_EQ(Cellules(staff, 1), "|v ");
  EXPECT_EQ(Cellules(staff, 255), "|v ");
}

// The corpus: simple lyrics with notes left without syllable, and two
// voices of a staff singing the same verse (one word shown once, two words
// kept apart in their column).
TEST(XMLLyrics, Corpus) {
  struct {
    const char* file;
    const char* verse0;
  } cases[] = {
      {"musicxml/61a-Lyrics.xml", "Tra-la-li Ja! | Tra--ra! | Bah!  "},
      {"musicxml/42a-MultiVoice-TwoVoicesOnStaff-Lyrics.xml", "This is the |lyrics of Voice1^Voice2 |"},
  };
  for (const auto& c : cases) {
    std::string xml;
    ASSERT_TRUE(tamrel_test::ReadData(c.file, &xml));
    DocPtr doc = Importe(xml);
    Partition** score = doc->partitionCourante;
    EXPECT_EQ(Cellules(GetPorteeIndex(score, 0), 0), c.verse0) << c.file;
    EXPECT_EQ(Cellules(GetPorteeIndex(score, 0), 1), "||") << c.file;
  }
}

}  // namespace
