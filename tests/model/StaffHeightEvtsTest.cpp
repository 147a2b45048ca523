// Staff-height events: the stored list, lookups, ranges over merged staves,
// and how events follow bar insertion and deletion.
#include <vector>

#include "BarTableFixtures.h"
#include "model/StaffHeightEvts.h"
#include "system/QrvFiles.h"

namespace {

// Big-endian bytes of a stored list.
struct Octets {
  std::vector<uint8_t> b;
  Octets& I16(int32_t v) {
    b.push_back(uint8_t(v >> 8));
    b.push_back(uint8_t(v));
    return *this;
  }
  Octets& I32(int32_t v) {
    I16(int32_t(uint32_t(v) >> 16));
    return I16(v & 0xFFFF);
  }
};

struct Lecture {
  Handle h = nullptr;
  bool fin = false;
  explicit Lecture(const std::vector<uint8_t>& b) {
    FixeLectureSurPtr(b.data(), uint32_t(b.size()));
    h = ReadStaffHeightEvts();
    fin = EndOfFile() != 0;
    TermineSurPtr();
  }
  ~Lecture() {
    if (h) DisposeHandle(h);
  }
};

TEST(StaffHeightEvtsLecture, ListsReadFieldByFieldAndDamagedCountsFailCleanly) {
  {
    Lecture l(Octets().I16(2).I16('G').I16(3).I32(-7).I16('P').I16(0).I32(70000).b);
    ASSERT_NE(l.h, nullptr);
    EXPECT_FALSE(l.fin);
    ASSERT_EQ(GetNbStaffHeightEvts(l.h), 2);
    const StaffHeightEvt* e = GetStaffHeightEvts(l.h);
    EXPECT_EQ(e[0].kind, uint32_t('G'));
    EXPECT_EQ(e[0].index, 3);
    EXPECT_EQ(e[0].value, -7);
    EXPECT_EQ(e[1].kind, uint32_t('P'));
    EXPECT_EQ(e[1].value, 70000);
  }
  struct Cas {
    const char* nom;
    std::vector<uint8_t> octets;
  };
  const Cas damaged[] = {
      {"count past the bytes", Octets().I16(3).I16('G').I16(0).I32(1).b},
      {"huge count", Octets().I16(32767).b},
      {"negative count", Octets().I16(-1).I16('G').I16(0).I32(1).b},
      {"cut in a record", Octets().I16(1).I16('G').I16(0).I16(1).b},
      {"no count at all", Octets().b},
  };
  for (const Cas& c : damaged) {
    Lecture l(c.octets);
    EXPECT_EQ(l.h, nullptr) << c.nom;
    EXPECT_TRUE(l.fin) << c.nom;
  }
  Lecture vide(Octets().I16(0).I16(99).b);
  EXPECT_EQ(vide.h, nullptr);
  EXPECT_FALSE(vide.fin);
}

struct StaffHeightTest : BarTableTest {
  Portee** a;
  Portee** b;
  Portee** c;
  StaffHeightTest() {
    Mesures(10);
    a = NewPortee(score, kTypePorteeStandard);
    b = NewPortee(score, kTypePorteeStandard);
    c = NewPortee(score, kTypePorteeStandard);
    Fusionne(score, 0, 1, 0);  // b is merged after a; c stands alone
  }
  int32_t G(Portee** p, int16_t bar) { return ExtractStaffHeightEvt(p, 'G', bar, bar); }
};

TEST_F(StaffHeightTest, SettingAndRanges) {
  EXPECT_EQ(ExtractStaffHeightEvt(a, 'G', 0, 100), 0);
  SearchEventAndCreate(a, 'G', 2, 5);
  SearchEventAndCreate(a, 'G', 2, 6);
  EXPECT_EQ(GetNbStaffHeightEvts((*a)->staffHeightEvts), 1);
  EXPECT_EQ(G(a, 2), 6);
  EXPECT_EQ(ExtractStaffHeightEvt(a, 'G', 0, 1), 0);
  EXPECT_EQ(ExtractStaffHeightEvt(a, 'H', 2, 2), 0);

  AddEventStaffHeighRange(a, 'P', 1, 3, 9);
  EXPECT_EQ(ExtractStaffHeightEvt(a, 'P', 3, 3), 9);
  EXPECT_EQ(ExtractStaffHeightEvt(b, 'P', 1, 3), 0);
  AddEventStaffHeighRange(a, 'G', 4, 5, 8);
  EXPECT_EQ(G(b, 4), 8);
  EXPECT_EQ(G(b, 5), 8);
  EXPECT_EQ(G(c, 4), 0);
  DisposeStaffHeightEvts(a);
  EXPECT_EQ((*a)->staffHeightEvts, nullptr);
}

// A range sets the bars that have an event and adds the others once, in bar
// order; over every bar of a score, and again, it stays one event per bar.
TEST_F(StaffHeightTest, ARangeSetsEachBarOnce) {
  SearchEventAndCreate(c, 'G', 2, 6);
  SearchEventAndCreate(c, 'H', 3, 1);
  AddEventStaffHeighRange(c, 'G', 0, 4, 7);
  ASSERT_EQ(GetNbStaffHeightEvts((*c)->staffHeightEvts), 6);
  const StaffHeightEvt* e = GetStaffHeightEvts((*c)->staffHeightEvts);
  const int16_t ordre[] = {2, 3, 0, 1, 3, 4};
  for (int i = 0; i < 6; i++) EXPECT_EQ(e[i].index, ordre[i]) << i;
  for (int16_t bar = 0; bar <= 4; bar++) EXPECT_EQ(G(c, bar), 7) << bar;
  EXPECT_EQ(ExtractStaffHeightEvt(c, 'H', 3, 3), 1);
  AddEventStaffHeighRange(c, 'G', 4, 2, 9);  // an empty range
  EXPECT_EQ(G(c, 3), 7);

  DisposeStaffHeightEvts(c);
  AddEventStaffHeighRange(c, 'G', 0, kMaxMesures - 1, 3);
  AddEventStaffHeighRange(c, 'G', 0, kMaxMesures - 1, 4);
  EXPECT_EQ(GetNbStaffHeightEvts((*c)->staffHeightEvts), kMaxMesures);
  EXPECT_EQ(G(c, 0), 4);
  EXPECT_EQ(G(c, kMaxMesures - 1), 4);
}

// Values by bar: only the bars marked are set, each to its own value, an
// event already there takes it; the staff merged after is left alone.
TEST_F(StaffHeightTest, ValuesByBarSetTheMarkedBarsOfOneStaff) {
  SearchEventAndCreate(a, 'D', 3, 1);
  const int32_t valeurs[] = {10, 11, 12, 13, 14};
  const uint8_t pris[] = {1, 0, 1, 1, 0};
  AddEventsStaffHeightParMesure(a, 'D', 1, 5, valeurs, pris);
  const struct {
    int16_t bar;
    int32_t value;
  } attendus[] = {{0, 0}, {1, 10}, {2, 0}, {3, 12}, {4, 13}, {5, 0}};
  for (auto& c : attendus) EXPECT_EQ(ExtractStaffHeightEvt(a, 'D', c.bar, c.bar), c.value) << c.bar;
  EXPECT_EQ(GetNbStaffHeightEvts((*a)->staffHeightEvts), 3);
  EXPECT_EQ(ExtractStaffHeightEvt(b, 'D', 0, 9), 0);
  AddEventsStaffHeightParMesure(a, 'D', 1, 5, valeurs, pris);
  EXPECT_EQ(GetNbStaffHeightEvts((*a)->staffHeightEvts), 3);
  AddEventsStaffHeightParMesure(a, 'D', -1, 5, valeurs, pris);  // no bar before the first
  AddEventsStaffHeightParMesure(a, 'D', 1, 0, valeurs, pris);
  EXPECT_EQ(GetNbStaffHeightEvts((*a)->staffHeightEvts), 3);
}

TEST_F(StaffHeightTest, EventsFollowInsertedAndDeletedBars) {
  for (int16_t bar = 0; bar < 10; bar++) SearchEventAndCreate(c, 'G', bar, 100 + bar);
  SearchEventAndCreate(c, 'H', 9, 1);
  (*score)->nbMesures = 12;
  AjusteStaffHeightEvtQuandInsereMesures(score, 3, 2);
  EXPECT_EQ(G(c, 2), 102);
  EXPECT_EQ(G(c, 3), 103);  // the value of bar 5, the old bar 3
  EXPECT_EQ(G(c, 4), 103);
  EXPECT_EQ(G(c, 5), 103);
  EXPECT_EQ(G(c, 11), 109);
  EXPECT_EQ(ExtractStaffHeightEvt(c, 'H', 11, 11), 1);
  // New bars of a staff without events get 0 on it and its merged staff,
  // and the merged staff's new events do not move with its own turn.
  EXPECT_EQ(GetNbStaffHeightEvts((*b)->staffHeightEvts), 2);
  EXPECT_EQ(ExtractStaffHeightEvt(b, 'G', 3, 4), 0);
  EXPECT_EQ(ExtractStaffHeightEvt(b, 'G', 5, 100), 0);

  AjusteStaffHeightEvtQuandDeleteMesures(score, 0, 2);
  EXPECT_EQ(G(c, 0), 100);  // bar 0 keeps its value
  EXPECT_EQ(G(c, 1), 103);
  EXPECT_EQ(G(c, 9), 109);
  EXPECT_EQ(ExtractStaffHeightEvt(c, 'H', 9, 9), 1);
  EXPECT_EQ(GetNbStaffHeightEvts((*c)->staffHeightEvts), 11);

  // The merged staff keeps its own value at bar 0, not its head's.
  SearchEventAndCreate(a, 'G', 0, 7);
  SearchEventAndCreate(b, 'G', 0, 8);
  AjusteStaffHeightEvtQuandDeleteMesures(score, 0, 1);
  EXPECT_EQ(G(a, 0), 7);
  EXPECT_EQ(G(b, 0), 8);
  EXPECT_EQ(G(c, 0), 100);
  EXPECT_EQ(G(c, 8), 109);

  AjusteStaffHeightEvtQuandDeleteMesures(score, 1, 20);
  EXPECT_EQ(GetNbStaffHeightEvts((*c)->staffHeightEvts), 1);
}

TEST_F(StaffHeightTest, TheLoadCheckDropsEventsOutsideTheBarsAndLyricEvents) {
  SearchEventAndCreate(a, 'G', -1, 1);
  SearchEventAndCreate(a, 'G', 10, 2);
  SearchEventAndCreate(a, 'L', 3, 1);
  SearchEventAndCreate(a, 'G', 9, 3);
  SearchEventAndCreate(c, 'L', 0, 1);
  CheckStaffHeightEventsPartition(score);
  ASSERT_EQ(GetNbStaffHeightEvts((*a)->staffHeightEvts), 1);
  EXPECT_EQ(G(a, 9), 3);
  EXPECT_EQ((*c)->staffHeightEvts, nullptr);
}

}  // namespace
