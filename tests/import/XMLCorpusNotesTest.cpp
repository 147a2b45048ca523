// The notes of suite files, as each file's own description says: pitches
// with their accidentals (01a), rest durations (02a), a chord (21a), tuplets
// (23a), grace notes (24a), slurs and notations (33a), a piano staff (43a);
// and every MusicXML fixture imported whole (the sanitizer build runs it).
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "import/MXLContainer.h"
#include "import/MusicXML.h"
#include "import/XMLImportFixture.h"
#include "import/XMLNotesReleve.h"
#include "model/CvtTemps.h"
#include "model/Document.h"
#include "model/QRVPOBJ.h"
#include "model/Vues.h"
#include "platform/Memory.h"
#include "support/DataFiles.h"

namespace {

using tamrel_test::Accords;
using tamrel_test::Graces;
using tamrel_test::ImportXML;
using tamrel_test::Lien;
using tamrel_test::Liens;
using tamrel_test::Marks;
using tamrel_test::NomNote;
using tamrel_test::Signes;

// The suite file imported up to its notes; null (and a failure) when the
// fixture is missing.
std::unique_ptr<ImportXML> Importe(const char* file) {
  std::string bytes;
  EXPECT_TRUE(tamrel_test::ReadData(std::string("musicxml/") + file, &bytes));
  if (bytes.empty()) return nullptr;
  auto x = std::make_unique<ImportXML>(bytes);
  EXPECT_EQ(x->Notes(), 1);
  return x;
}

// The white keys from G2 to C7.
std::vector<int> Blanches() {
  std::vector<int> v;
  static const int kPas[7] = {0, 2, 4, 5, 7, 9, 11};
  for (int p = 43; p <= 96; p++)
    for (int k : kPas)
      if (p % 12 == k) v.push_back(p);
  return v;
}

TEST(XMLCorpusNotes, PitchesAndAccidentals01a) {
  auto x = Importe("01a-Pitches-Pitches.xml");
  ASSERT_TRUE(x);
  ASSERT_EQ(x->NbPortees(), 1);
  // White keys, then each raised by a sharp, lowered by a flat, the naturals
  // of E4..E5 written out, a double sharp, a double flat and four C#5, the
  // last editorial.
  std::vector<int> pitches, codes;
  const std::vector<int> w = Blanches();
  ASSERT_EQ(w.size(), 32u);
  for (int p : w) pitches.push_back(p), codes.push_back(kAlterationAucune);
  for (int p : w) pitches.push_back(p + 1), codes.push_back(1);
  for (int p : w) pitches.push_back(p - 1), codes.push_back(3);
  for (int p : {64, 65, 67, 69, 71, 72, 74, 76}) pitches.push_back(p), codes.push_back(0);
  pitches.insert(pitches.end(), {74, 70, 73, 73, 73, 73});
  codes.insert(codes.end(), {4, 5, 1, 1, 1, 1 | kAlterationParentheses});
  const std::vector<Signe> s = Signes(x->Staff(0));
  ASSERT_EQ(s.size(), pitches.size());
  int32_t tick = 0;
  for (size_t i = 0; i < s.size(); i++) {
    EXPECT_EQ(s[i].kind, pitches[i]) << i;
    EXPECT_EQ(s[i].duree, 40320) << i;
    EXPECT_EQ(s[i].flags & kSigneAccordSuite, 0) << i;
    EXPECT_EQ(s[i].alteration & (kAlterationMasque | kAlterationParentheses), codes[i]) << i;
    EXPECT_EQ(CvtIndexNoteEnTemps(x->Staff(0), int32_t(i)), tick) << i;
    tick += 40320;
  }
}

TEST(XMLCorpusNotes, RestDurations02a) {
  auto x = Importe("02a-Rests-Durations.xml");
  ASSERT_TRUE(x);
  // Whole rests, then halving down to a 1024th (157.5 ticks, cut to 157 as
  // its sounding duration is). Then the dotted ones.
  const std::vector<std::string> expected = {
      "r 161280", "r 161280", "r 161280", "r 80640", "r 40320", "r 20160",  "r 10080", "r 5040",  "r 2520",
      "r 1260",   "r 630",    "r 315",    "r 157",   "r 157",   "r 120960", "r 40320", "r 40320", "r 60480",
      "r 30240",  "r 15120",  "r 7560",   "r 3780",  "r 1890",  "r 945",    "r 472",   "r 236",   "r 236"};
  EXPECT_EQ(Accords(x->Staff(0)), expected);
  // Every bar is a whole long: the shortest values do not push a bar past
  // its signature.
  Partition** score = x->Score();
  ASSERT_EQ((*score)->nbMesures, 6);
  for (int32_t b = 0; b <= 6; b++) EXPECT_EQ(CvtMesureEnTemps(score, b), b * 161280) << b;
  // One after the other, with no gap and nothing hidden among them.
  Portee** staff = x->Staff(0);
  const std::vector<Signe> s = Signes(staff);
  for (size_t i = 1; i < s.size(); i++)
    if (s[i].kind == kSigneSilence) {
      EXPECT_EQ(s[i].flags & kSigneCache, 0) << i;
      EXPECT_EQ(CvtIndexNoteEnTemps(staff, int32_t(i)), CvtIndexNoteEnTemps(staff, int32_t(i - 1)) + s[i - 1].duree)
          << i;
    }
}

TEST(XMLCorpusNotes, OneChordOfTwoNotes21a) {
  auto x = Importe("21a-Chord-Basic.xml");
  ASSERT_TRUE(x);
  EXPECT_EQ(Accords(x->Staff(0)), (std::vector<std::string>{"A4+F4 40320", "r 40320"}));
}

TEST(XMLCorpusNotes, Tuplets23a) {
  auto x = Importe("23a-Tuplets.xml");
  ASSERT_TRUE(x);
  // 3:2 three times, 4:2, 4:1, 7:3 and 6:2, then a plain half note.
  struct {
    int count, actual, normal, duree;
  } groups[] = {{3, 3, 2, 26880}, {3, 3, 2, 26880}, {3, 3, 2, 26880}, {4, 4, 2, 20160},
                {4, 4, 1, 10080}, {7, 7, 3, 17280}, {6, 6, 2, 13440}};
  const std::vector<Signe> s = Signes(x->Staff(0));
  ASSERT_EQ(s.size(), 31u);
  size_t i = 0;
  for (auto& g : groups)
    for (int k = 0; k < g.count; k++, i++) {
      const bool bout = k == 0 || k == g.count - 1;
      EXPECT_EQ(s[i].motTuplet & 0xFF, g.actual | (g.normal << 4)) << i;
      EXPECT_EQ(s[i].duree, g.duree) << i;
      // The bracket is shown at its two ends; all but the last note are
      // joined to the next.
      EXPECT_EQ((s[i].motTuplet & 0x200) != 0, bout) << i;
      EXPECT_EQ((s[i].flags & kSigneAccroche) != 0, k < g.count - 1) << i;
    }
  EXPECT_EQ(s[i].motTuplet, 0);
  EXPECT_EQ(s[i].duree, 80640);
}

TEST(XMLCorpusNotes, GraceNotes24a) {
  auto x = Importe("24a-GraceNotes.xml");
  ASSERT_TRUE(x);
  Portee** staff = x->Staff(0);
  const std::vector<std::string> expected = {"C5 40320", "C5 40320", "C5 40320",    "C5 40320", "C5 40320", "C5 80640",
                                             "C5 20160", "C5 20160", "C5+F4 40320", "C5 40320", "C5 40320", "C5 40320"};
  EXPECT_EQ(Accords(staff), expected);
  // Sixteenths (type 1) and eighths (0), before their notes; a chord's grace
  // notes go to its first member; accidentals stay with the grace notes.
  using V = std::vector<std::string>;
  struct {
    int32_t note;
    V graces;
    bool slash;
  } cases[] = {{0, V{"+2/1"}, false},  {1, V{"+4/1", "+2/1"}, false},  {2, V{"+2/1"}, false},
               {3, V{"+2/0"}, false},  {4, V{"+2/1"}, true},           {5, V{"+4/1", "+2/1"}, false},
               {6, V{"+2/1"}, true},   {7, V{"+2/1"}, true},           {8, V{"+4/1", "+4/1"}, false},
               {10, V{"+3/0"}, false}, {11, V{"+1/0", "-4/0"}, false}, {12, V{}, false}};
  const ParamEffet* e = nullptr;
  for (auto& c : cases) {
    EXPECT_EQ(Graces(staff, c.note), c.graces) << c.note;
    e = GetParamEffetIndexNote(staff, c.note);
    if (e) {
      EXPECT_EQ(e->quatreOctets[2], c.slash) << c.note;
    }
  }
  e = GetParamEffetIndexNote(staff, 10);
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->graces[0].alteration, 1);
  e = GetParamEffetIndexNote(staff, 11);
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->graces[0].alteration, 3);
  EXPECT_EQ(e->graces[1].alteration, 3);
  // No grace note is left in the staff itself.
  for (const Signe& s : Signes(staff)) EXPECT_NE(s.duree, 0);
}

TEST(XMLCorpusNotes, SlursTupletsAndMarks33a) {
  auto x = Importe("33a-Spanners.xml");
  ASSERT_TRUE(x);
  Portee** staff = x->Staff(0);
  const std::vector<Signe> s = Signes(staff);
  ASSERT_EQ(s.size(), 69u);
  // A 3:2 tuplet of three B4, two slurs (solid, dashed) over three notes each.
  for (int i = 0; i < 3; i++) EXPECT_EQ(s[size_t(i)].motTuplet & 0xFF, 0x23) << i;
  EXPECT_EQ(Liens(x->Score(), kLiaisonCoule), (std::vector<Lien>{{0, 4, 0, 6}, {0, 7, 0, 9}}));
  // Trill mark, bends, a two-note tremolo, hammer-on and pull-off pairs.
  struct {
    int32_t note;
    std::vector<int> marks;
  } cases[] = {{16, {31}}, {48, {8}}, {49, {8}}, {57, {52}}, {58, {52}}, {60, {1}}, {61, {1}}, {63, {2}}, {64, {2}}};
  for (auto& c : cases) EXPECT_EQ(Marks(staff, c.note), c.marks) << c.note;
  EXPECT_EQ(NomNote(s[58].kind), "D#5");
}

TEST(XMLCorpusNotes, PianoStaff43a) {
  auto x = Importe("43a-PianoStaff.xml");
  ASSERT_TRUE(x);
  ASSERT_EQ(x->NbPortees(), 3);
  EXPECT_EQ(Accords(x->Staff(0)), std::vector<std::string>{"F4 161280"});
  EXPECT_TRUE(Signes(x->Staff(1)).empty());
  EXPECT_EQ(Accords(x->Staff(2)), std::vector<std::string>{"B2 161280"});
}

// Every MusicXML fixture goes through the whole import and keeps its notes
// and rests.
TEST(XMLCorpusNotes, EveryFixtureImportsWhole) {
  namespace fs = std::filesystem;
  int files = 0;
  for (const auto& entry : fs::directory_iterator(tamrel_test::DataPath("musicxml"))) {
    const std::string path = entry.path().string();
    const std::string ext = entry.path().extension().string();
    Handle h = nullptr;
    if (ext == ".mxl") {
      h = LoadMXL(path.c_str());
    } else if (ext == ".xml") {
      std::string bytes;
      ASSERT_TRUE(tamrel_test::ReadData("musicxml/" + entry.path().filename().string(), &bytes));
      h = NewHandle(Size(bytes.size()));
      std::memcpy(*h, bytes.data(), bytes.size());
    } else {
      continue;
    }
    ASSERT_NE(h, nullptr) << path;
    files++;
    Document* doc = reinterpret_cast<Document*>(NewPtrClear(sizeof(Document)));
    doc->indexPartitionCourante = -1;
    doc->indexVueCourante = -1;
    EXPECT_EQ(ChargeMusiqueXML(doc, h, 1, 0), 1) << path;
    DisposeHandle(h);
    int32_t notes = 0;
    if (Partition** score = doc->partitionCourante)
      for (int16_t p = 0; p < (*score)->nbPortees; p++)
        for (const Signe& s : Signes((*score)->portees[p])) notes += s.kind >= kSigneSilence;
    EXPECT_GT(notes, 0) << path;
    while (doc->nbPartitions > 0) SupprimePartition(doc, doc->partitions[0]);
    DisposeVuesDocument(doc);
    DisposePtr(reinterpret_cast<Ptr>(doc));
  }
  EXPECT_GE(files, 25);
}

}  // namespace
