#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <vector>

#include "layout/ModeGraphique.h"
#include "system/QrvFiles.h"

namespace {

// Text styles in these streams: i16 font, u8 face, i16 size (the document's
// own style record is the text layer's business; the mode only places them).
int16_t LitStyleTest(TextStyle* style) {
  auto octet = [] { return uint8_t(ReadCar()); };
  style->font = int16_t((octet() << 8) | octet());
  style->face = octet();
  style->size = int16_t((octet() << 8) | octet());
  return 1;
}

class Ecrivain {
 public:
  void Octet(uint8_t v) { o.push_back(v); }
  void Mot(int16_t v) {
    o.push_back(uint8_t(uint16_t(v) >> 8));
    o.push_back(uint8_t(v));
  }
  void Slots(const ModeGraphique& m, int premier, int n) {
    for (int i = 0; i < n; i++) Mot(m.slot[premier + i]);
  }
  void Style(const TextStyle& s) {
    Mot(s.font);
    Octet(s.face);
    Mot(s.size);
  }
  std::vector<uint8_t> o;
};

// The stored layout of a mode, field by field in file order (positions are
// bytes of the 256-byte record).
std::vector<uint8_t> Ecrit(const ModeGraphique& m, uint16_t version, bool style74, bool style96) {
  Ecrivain e;
  e.Octet(m.drapeaux[0]);
  e.Octet(m.drapeaux[1]);
  e.Octet(m.drapeau220);
  e.Slots(m, 2, 8);   // 4..18
  e.Slots(m, 11, 6);  // 22..32
  e.Slots(m, 18, 6);  // 36..46
  for (int s : {25, 26, 31, 32, 33, 34, 35, 36, 43, 44, 45, 46, 47, 54}) e.Mot(m.slot[s]);
  e.Octet(uint8_t(m.slot[56]));
  e.Octet(uint8_t(m.slot[55]));
  e.Slots(m, 57, 12);  // 114..136
  e.Octet(uint8_t(m.slot[70]));
  e.Octet(uint8_t(m.slot[69]));
  e.Slots(m, 71, 6);  // 142..152
  e.Octet(uint8_t(m.slot[78]));
  e.Octet(uint8_t(m.slot[77]));
  e.Slots(m, 79, 8);  // 158..172
  e.Slots(m, 90, 7);  // 180..192
  e.Style(m.styleAccords);
  e.Slots(m, 103, 6);  // 206..216
  for (int s : {10, 27, 24, 28, 87, 88, 89}) e.Mot(m.slot[s]);
  e.Octet(style74 ? 1 : 0);
  if (style74) e.Style(m.styleNombrePause);
  e.Octet(style96 ? 1 : 0);
  if (style96) e.Style(m.styleNombreRepetition);
  e.Mot(m.slot[29]);
  e.Mot(m.slot[30]);
  e.Octet(m.drapeaux[3]);
  e.Mot(m.slot[17]);
  if (version >= 0x0963) {
    e.Slots(m, 111, 4);
    e.Octet(m.drapeaux[2]);
    e.Mot(m.slot[109]);
  }
  if (version >= 0x9631) {
    e.Style(m.styleTexteAccords);
    e.Octet(m.drapeau221);
  }
  if (version >= 0x9701) {
    e.Mot(int16_t(m.valeur244));
    e.Mot(m.slot[125]);
    e.Mot(m.slot[126]);
    e.Mot(m.slot[124]);
    for (int i = 0; i < 37; i++) e.Octet(0xEE);
  }
  return e.o;
}

// Every stored slot gets a value of its own (bytes for the byte slots).
ModeGraphique Source() {
  ModeGraphique m{};
  for (int s = 0; s < 128; s++) m.slot[s] = int16_t(1000 + s);
  for (int s : {55, 56, 69, 70, 77, 78}) m.slot[s] = int16_t(s + 100);
  m.slot[109] = 42;
  m.drapeaux[0] = 7;
  m.drapeaux[1] = 8;
  m.drapeaux[2] = 9;
  m.drapeaux[3] = 10;
  m.drapeau220 = 11;
  m.drapeau221 = 12;
  m.valeur244 = -5;
  m.styleNombrePause = TextStyle{21, 1, 14, {}};
  m.styleNombreRepetition = TextStyle{22, 2, 15, {}};
  m.styleAccords = TextStyle{23, 3, 16, {}};
  m.styleTexteAccords = TextStyle{24, 4, 17, {}};
  return m;
}

// Slots the stored form carries at every version, and from 0x0963 and 0x9701.
std::set<int> SlotsLus(uint16_t version) {
  std::set<int> s;
  auto plage = [&s](int a, int b) {
    for (int i = a; i <= b; i++) s.insert(i);
  };
  plage(2, 36);
  plage(43, 47);
  plage(54, 96);
  plage(103, 108);
  if (version >= 0x0963) {
    plage(109, 109);
    plage(111, 114);
  }
  if (version >= 0x9701) plage(124, 126);
  return s;
}

int16_t Lit(const std::vector<uint8_t>& octets, ModeGraphique* m, uint16_t version, uint32_t* consommes) {
  FixeLectureSurPtr(octets.data(), uint32_t(octets.size()));
  const int16_t r = LitConfigGraphique(m, version, LitStyleTest);
  *consommes = TermineSurPtr();
  return r;
}

bool MemeStyle(const TextStyle& a, const TextStyle& b) {
  return a.font == b.font && a.face == b.face && a.size == b.size;
}

TEST(LectureModeGraphiqueTest, EverySlotAndStyleLandsInItsPlaceAtEachVersion) {
  const ModeGraphique source = Source();
  for (uint16_t version : {uint16_t(0x0920), uint16_t(0x0963), uint16_t(0x9631), uint16_t(0x9701), uint16_t(0x9805)}) {
    SCOPED_TRACE(testing::Message() << std::hex << version);
    const std::vector<uint8_t> octets = Ecrit(source, version, true, true);
    ModeGraphique m;
    GetDefautModeGraphique(&m);
    const ModeGraphique avant = m;
    uint32_t lus = 0;
    ASSERT_EQ(Lit(octets, &m, version, &lus), 1);
    EXPECT_EQ(lus, octets.size());  // the reserved tail is skipped too
    const std::set<int> slots = SlotsLus(version);
    for (int s = 0; s < 128; s++) {
      if (slots.count(s) != 0) EXPECT_EQ(m.slot[s], source.slot[s]) << "slot " << s;
      else EXPECT_EQ(m.slot[s], avant.slot[s]) << "slot " << s << " is not stored at this version";
    }
    EXPECT_EQ(m.drapeaux[0], 7);
    EXPECT_EQ(m.drapeaux[1], 8);
    EXPECT_EQ(m.drapeaux[3], 10);
    EXPECT_EQ(m.drapeau220, 11);
    EXPECT_EQ(m.drapeaux[2], version >= 0x0963 ? 9 : 0);
    EXPECT_EQ(m.drapeau221, version >= 0x9631 ? 12 : 1);
    EXPECT_EQ(m.valeur244, version >= 0x9701 ? -5 : 0);
    // Four styles, none over another's slots.
    EXPECT_TRUE(MemeStyle(m.styleAccords, source.styleAccords));
    EXPECT_TRUE(MemeStyle(m.styleNombrePause, source.styleNombrePause));
    EXPECT_TRUE(MemeStyle(m.styleNombreRepetition, source.styleNombreRepetition));
    EXPECT_TRUE(MemeStyle(m.styleTexteAccords, version >= 0x9631 ? source.styleTexteAccords : avant.styleTexteAccords));
  }
}

TEST(LectureModeGraphiqueTest, ZerosReadAsTheirFallbacks) {
  ModeGraphique source = Source();
  source.slot[10] = 0;
  source.slot[29] = 0;
  source.slot[30] = 0;
  source.slot[87] = 0;
  source.slot[88] = 0;
  source.slot[89] = 0;
  source.slot[109] = 0;  // not positive: the record keeps its own
  ModeGraphique m;
  GetDefautModeGraphique(&m);
  m.slot[109] = 77;
  uint32_t lus = 0;
  ASSERT_EQ(Lit(Ecrit(source, 0x9805, false, false), &m, 0x9805, &lus), 1);
  EXPECT_EQ(m.slot[10], 100);
  EXPECT_EQ(m.slot[29], 2);
  EXPECT_EQ(m.slot[30], 6);
  EXPECT_EQ(m.slot[87], 25);
  EXPECT_EQ(m.slot[88], 40);
  EXPECT_EQ(m.slot[89], 50);
  EXPECT_EQ(m.slot[109], 77);
  // Styles whose switch is off keep the record's own.
  EXPECT_EQ(m.styleNombrePause.font, 0);
  EXPECT_EQ(m.styleNombreRepetition.size, 0);

  // Only both slur words at 0 bring the three defaults back.
  source.slot[87] = 0;
  source.slot[88] = 3;
  source.slot[89] = 0;
  ASSERT_EQ(Lit(Ecrit(source, 0x9805, false, false), &m, 0x9805, &lus), 1);
  EXPECT_EQ(m.slot[87], 0);
  EXPECT_EQ(m.slot[88], 3);
  EXPECT_EQ(m.slot[89], 0);
}

TEST(LectureModeGraphiqueTest, AModeReadFromBytesIsInstalledForPrinting) {
  ModeGraphique source;
  GetDefautModeGraphique(&source);
  source.slot[26] = 3;  // start-line thickness below the first minimum
  source.slot[54] = 1;  // staff lines below the second
  source.slot[12] = 9;
  ModeGraphique m{};
  uint32_t lus = 0;
  ASSERT_EQ(Lit(Ecrit(source, 0x9805, false, false), &m, 0x9805, &lus), 1);
  InstalleModeGraphique(&m, true, 4, 2);
  EXPECT_EQ(GModeGraphique.slot[26], 4);
  EXPECT_EQ(GModeGraphique.slot[54], 2);
  EXPECT_EQ(GModeGraphique.slot[12], 9);
  InstalleModeGraphique(&m, false, 4, 2);
  EXPECT_EQ(GModeGraphique.slot[26], 3);
  EXPECT_EQ(GModeGraphique.slot[54], 1);
}

TEST(LectureModeGraphiqueTest, AStreamEndingInsideTheRecordFails) {
  const std::vector<uint8_t> entier = Ecrit(Source(), 0x9805, true, true);
  for (size_t n : {size_t(0), size_t(1), size_t(100), entier.size() - 1}) {
    std::vector<uint8_t> coupe(entier.begin(), entier.begin() + long(n));
    ModeGraphique m;
    GetDefautModeGraphique(&m);
    uint32_t lus = 0;
    EXPECT_EQ(Lit(coupe, &m, 0x9805, &lus), 0) << n;
    EXPECT_EQ(lus, n);
  }
  ModeGraphique m;
  uint32_t lus = 0;
  EXPECT_EQ(Lit(entier, nullptr, 0x9805, &lus), 0);
  FixeLectureSurPtr(entier.data(), uint32_t(entier.size()));
  EXPECT_EQ(LitConfigGraphique(&m, 0x9805, nullptr), 0);
  TermineSurPtr();
}

}  // namespace
