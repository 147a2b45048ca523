// Curves: values at a tick for step and interpolating curves, points added
// and cut out, the stored list read field by field (and refused when damaged),
// and the value playback applies for a controller kind.
#include <cstring>
#include <vector>

#include "BarTableFixtures.h"
#include "model/Courbes.h"
#include "plugin/LectureDocument.h"
#include "system/QrvFiles.h"

namespace {

struct Pt {
  int32_t t;
  int16_t v;
  uint8_t fin = 0;
};

struct CourbesTest : BarTableTest {
  Portee** staff = Portee0();

  // Appends a curve of the given kind and points; its index.
  int32_t Ajoute(const std::vector<Pt>& pts, bool escalier, int16_t mini = -1000, int16_t maxi = 1000) {
    int32_t n;
    GetCourbes((*staff)->courbes, &n);
    if (!(*staff)->courbes) (*staff)->courbes = NewHandle(0);
    RetailleHandle((*staff)->courbes, Size(n + 1) * Size(sizeof(Courbe)));
    Courbe c{};
    c.type = kCourbeVolu;
    c.minimum = mini;
    c.maximum = maxi;
    c.escalier = escalier ? 1 : 0;
    c.valeurConstante = kCourbeSansConstante;
    GetCourbes((*staff)->courbes, &n)[n - 1] = c;
    for (const Pt& p : pts) AddValeurCourbe(staff, n - 1, p.t, p.v, p.fin);
    return n - 1;
  }
  std::vector<Pt> Points(int32_t index) {
    std::vector<Pt> out;
    const Courbe* c = GetCourbePortee(staff, index);
    const PointCourbe* p = c->points ? reinterpret_cast<const PointCourbe*>(*c->points) : nullptr;
    for (int32_t i = 0; i < c->nbPoints; i++) out.push_back({p[i].temps, p[i].valeur, p[i].finSegment});
    return out;
  }
  // The value at a tick, or -9999 for none.
  int32_t Valeur(int32_t index, int32_t tick) {
    int16_t v;
    return ExtraitValeurCourbe(staff, index, tick, &v) ? v : -9999;
  }
};

bool operator==(const Pt& a, const Pt& b) { return a.t == b.t && a.v == b.v && a.fin == b.fin; }

TEST_F(CourbesTest, ValuesOfStepAndInterpolatingCurves) {
  const int32_t marche = Ajoute({{0, 10}, {1000, 20}}, true);
  const int32_t rampe = Ajoute({{0, 10}, {1000, 20}}, false);
  const int32_t cassee = Ajoute({{0, 0}, {1000, 100, 1}, {2000, 0}, {3000, 30}}, false);
  const struct {
    int32_t courbe, tick, attendu;
  } cas[] = {
      {marche, 0, -9999},
      {marche, 500, 10},
      {marche, 1000, 10},
      {marche, 1500, 20},
      {rampe, -1, -9999},
      {rampe, 0, -9999},
      {rampe, 500, 15},
      {rampe, 1000, 20},
      {rampe, 1001, -9999},
      // A segment's end breaks the line: no value until the next point.
      {cassee, 250, 25},
      {cassee, 1500, -9999},
      {cassee, 2500, 15},
      {cassee, 2999, 29},
  };
  for (const auto& c : cas) EXPECT_EQ(Valeur(c.courbe, c.tick), c.attendu) << c.courbe << " at " << c.tick;

  // Halfway down a falling ramp, 9.5 truncates to 9.
  const int32_t descente = Ajoute({{0, 10}, {2, 9}}, false);
  EXPECT_EQ(Valeur(descente, 1), 9);

  // A constant wins over the points; a disabled or empty curve has no value.
  GetCourbePortee(staff, rampe)->valeurConstante = 7;
  EXPECT_EQ(Valeur(rampe, -50), 7);
  GetCourbePortee(staff, rampe)->valeurConstante = kCourbeSansConstante;
  GetCourbePortee(staff, marche)->desactivee = 1;
  EXPECT_EQ(Valeur(marche, 500), -9999);
  EXPECT_EQ(Valeur(Ajoute({}, true), 0), -9999);
  EXPECT_EQ(Valeur(99, 0), -9999);
}

TEST_F(CourbesTest, AddingPointsKeepsTicksInOrderAndValuesInLimits) {
  const int32_t c = Ajoute({{1000, 5, 1}, {0, 1}, {2000, 9}}, false, 0, 100);
  EXPECT_EQ(Points(c), (std::vector<Pt>{{0, 1}, {1000, 5, 1}, {2000, 9}}));
  // Same tick: the value changes, the end flag stays.
  EXPECT_EQ(AddValeurCourbe(staff, c, 1000, 6, 0), 1);
  EXPECT_EQ(AddValeurCourbe(staff, c, 500, 300, 0), 1);
  EXPECT_EQ(AddValeurCourbe(staff, c, 3000, -4, 0), 4);
  EXPECT_EQ(Points(c), (std::vector<Pt>{{0, 1}, {500, 100}, {1000, 6, 1}, {2000, 9}, {3000, 0}}));
  EXPECT_EQ(AddValeurCourbe(staff, 5, 0, 0, 0), -1);
}

TEST_F(CourbesTest, CuttingATimeRangeResumesWithTheValueAfterTheCut) {
  const int32_t rampe = Ajoute({{0, 0}, {3000, 30}}, false);
  const int32_t garde = Ajoute({{0, 0}, {1500, 15}, {1800, 50}, {3000, 30}}, true);
  const int32_t stable = Ajoute({{0, 4}, {500, 8}, {4000, 1}}, true);
  DeleteTimeRangeCourbes(staff, 1000, 2000, 0);
  EXPECT_EQ(Points(rampe), (std::vector<Pt>{{0, 0}, {1000, 20}, {2000, 30}}));
  // The value at 1000 was 0 before the cut and 50 at 2000: a point restores it.
  EXPECT_EQ(Points(garde), (std::vector<Pt>{{0, 0}, {1000, 50}, {2000, 30}}));
  // Nothing inside and the same value on both sides: the points only move.
  EXPECT_EQ(Points(stable), (std::vector<Pt>{{0, 4}, {500, 8}, {3000, 1}}));

  // With keep the points of the range gather at t0; what follows t0 is the
  // value that followed the range.
  const int32_t k = Ajoute({{0, 0}, {1500, 15}, {1800, 50}, {3000, 30}}, true);
  DeleteTimeRangeCourbes(staff, 1000, 2000, 1);
  EXPECT_EQ(Points(k), (std::vector<Pt>{{0, 0}, {1000, 50}, {1000, 50}, {2000, 30}}));
  EXPECT_EQ(Valeur(k, 1500), 50);
}

TEST_F(CourbesTest, BarsAndDisposal) {
  Mesures(4);
  const int32_t c = Ajoute({{0, 1}, {161280, 2}, {2 * 161280, 3}, {3 * 161280, 4}}, true);
  Ajoute({{0, 5}}, true);
  // The step held 3 up to bar 3's start and 4 after it; the point of bar 3
  // moves to bar 1 and keeps its 4.
  DeleteMesureCourbes(staff, 1, 2);
  EXPECT_EQ(Points(c), (std::vector<Pt>{{0, 1}, {161280, 4}}));
  EXPECT_EQ(Valeur(c, 161281), 4);
  DisposeCourbeIndex(staff, 0);
  int32_t n;
  GetCourbes((*staff)->courbes, &n);
  ASSERT_EQ(n, 1);
  EXPECT_EQ(Points(0), (std::vector<Pt>{{0, 5}}));
  DisposeCourbeIndex(staff, 0);
  EXPECT_EQ((*staff)->courbes, nullptr);
}

// ---- The stored list.

struct Octets {
  std::vector<uint8_t> b;
  Octets& U8(int32_t v) {
    b.push_back(uint8_t(v));
    return *this;
  }
  Octets& I16(int32_t v) { return U8(v >> 8).U8(v); }
  Octets& I32(int32_t v) { return I16(int32_t(uint32_t(v) >> 16)).I16(v & 0xFFFF); }
  Octets& Texte(const char* s) {
    U8(int32_t(std::strlen(s)));
    for (const char* p = s; *p; p++) U8(*p);
    return *this;
  }
  Octets& Zeros(int n) {
    b.insert(b.end(), size_t(n), 0);
    return *this;
  }
  // A curve up to its point count.
  Octets& Tete(uint32_t kind, int32_t mini, int32_t maxi, int32_t flags, const char* nom) {
    return I32(int32_t(kind)).I16(mini).I16(maxi).I16(77).U8(flags).U8(0).Texte(nom);
  }
};

struct Lecture {
  Handle h = nullptr;
  bool fin = false;
  explicit Lecture(const std::vector<uint8_t>& b) {
    const uint16_t version = VersionQuarvelLoad;
    VersionQuarvelLoad = 0x0960;
    FixeLectureSurPtr(b.data(), uint32_t(b.size()));
    h = ReadCourbes();
    fin = EndOfFile() != 0;
    TermineSurPtr();
    VersionQuarvelLoad = version;
  }
  ~Lecture() { DisposeListeCourbes(&h); }
};

TEST(CourbesLecture, ListsReadFieldByFieldAndDamagedOnesFailCleanly) {
  Octets o;
  o.Tete(kCourbeSter, -64, 63, 0x81, "Pan").I32(2).I32(0).I16(-5).U8(0).I32(40320).I16(12).U8(1).Zeros(16);
  o.Tete(kCourbeVolu, 0, 127, 0x00, "").I32(0).Zeros(16);
  o.I32(0).U8(0xEE);  // the end, then what follows the list
  {
    Lecture l(o.b);
    ASSERT_NE(l.h, nullptr);
    EXPECT_FALSE(l.fin);
    int32_t n;
    const Courbe* c = GetCourbes(l.h, &n);
    ASSERT_EQ(n, 2);
    EXPECT_EQ(c[0].type, kCourbeSter);
    EXPECT_EQ(c[0].minimum, -64);
    EXPECT_EQ(c[0].maximum, 63);
    EXPECT_EQ(c[0].valeur3, 77);
    EXPECT_EQ(c[0].escalier, 1);
    EXPECT_EQ(c[0].flag, 1);
    EXPECT_STREQ(c[0].nom, "Pan");
    EXPECT_EQ(c[0].valeurConstante, kCourbeSansConstante);
    ASSERT_EQ(c[0].nbPoints, 2);
    const PointCourbe* p = reinterpret_cast<const PointCourbe*>(*c[0].points);
    EXPECT_EQ(p[0].valeur, -5);
    EXPECT_EQ(p[1].temps, 40320);
    EXPECT_EQ(p[1].valeur, 12);
    EXPECT_EQ(p[1].finSegment, 1);
    EXPECT_EQ(c[1].escalier, 0);
    EXPECT_EQ(c[1].nbPoints, 0);
    EXPECT_EQ(c[1].points, nullptr);
  }
  Lecture vide(Octets().I32(0).I32(1234).b);
  EXPECT_EQ(vide.h, nullptr);
  EXPECT_FALSE(vide.fin);

  struct Cas {
    const char* nom;
    std::vector<uint8_t> octets;
  };
  const Cas abimes[] = {
      {"negative count", Octets().Tete(kCourbeVolu, 0, 9, 0, "a").I32(-1).Zeros(40).b},
      {"count past the bytes", Octets().Tete(kCourbeVolu, 0, 9, 0, "a").I32(100).Zeros(60).b},
      {"huge count", Octets().Tete(kCourbeVolu, 0, 9, 0, "a").I32(0x7FFFFFFF).Zeros(60).b},
      {"cut in a point", Octets().Tete(kCourbeVolu, 0, 9, 0, "a").I32(1).I32(0).b},
      {"cut in the reserved bytes", Octets().Tete(kCourbeVolu, 0, 9, 0, "a").I32(1).I32(0).I16(1).U8(0).Zeros(10).b},
      {"no end of list", Octets().Tete(kCourbeVolu, 0, 9, 0, "a").I32(0).Zeros(16).b},
      {"nothing at all", Octets().b},
  };
  for (const Cas& c : abimes) {
    Lecture l(c.octets);
    EXPECT_EQ(l.h, nullptr) << c.nom;
    EXPECT_TRUE(l.fin) << c.nom;
  }
}

// ---- What playback applies.

TEST(CourbesInterpretation, SlotsOfTheKinds) {
  InterpreteCourbe r{};
  for (int i = 0; i < kNbSlotsInterpreteCourbe; i++) r.slots[i] = int16_t(1000 + i);
  const struct {
    const char* kind;
    int32_t attendu;
  } cas[] = {
      {"Resr", 1002},   {"Freq", 1012},   {"Volu", 1011},   {"Ster", 1009},   {"VI01", 1141},
      {"VI03", 1143},   {"VI04", 1145},   {"VI05", 1144},   {"VI06", 1146},   {"VI09", 1149},
      {"VI0A", 1150},   {"VI0F", 1155},   {"VI10", 1156},   {"VI17", 1163},   {"VI0:", -32768},
      {"VI0@", -32768}, {"VI00", -32768}, {"VI18", -32768}, {"VI0a", -32768}, {"Tone", -32768},
  };
  for (const auto& c : cas) {
    const uint32_t kind = (uint32_t(uint8_t(c.kind[0])) << 24) | (uint32_t(uint8_t(c.kind[1])) << 16) |
                          (uint32_t(uint8_t(c.kind[2])) << 8) | uint8_t(c.kind[3]);
    EXPECT_EQ(SaisieValeurInterpreteCourbe(&r, kind), c.attendu) << c.kind;
  }
}

TEST_F(CourbesTest, ValueToApplyByKind) {
  Portee** p = staff;
  auto fixe = [](InterpreteCourbe& r, bool actif, uint32_t kind, int16_t v) {
    r.slots[0] = actif ? 1 : 0;
    r.slots[kind == kCourbeSter ? 9 : kind == kCourbeVolu ? 11 : 12] = v;
  };
  const struct {
    uint32_t kind;
    int16_t v;
    int32_t base, attendu;
  } cas[] = {
      {kCourbeSter, 50, 100, 127}, {kCourbeSter, -200, 64, 0}, {kCourbeSter, 50, 32768, 50},
      {kCourbeSter, 10, 20, 26},   {kCourbeFreq, 50, 0, 128},  {kCourbeFreq, -3, 0, -7},
      {kCourbeVolu, 50, 120, 60},  {kCourbeVolu, -50, 120, 0}, {kCourbeVolu, 80, 32768, 80},
  };
  for (const auto& c : cas) {
    (*score)->interpreteCourbe = InterpreteCourbe{};
    fixe((*p)->interpreteCourbe, true, c.kind, c.v);
    EXPECT_EQ(CalculeValeurCourbeAAppliquer(score, p, c.kind, c.base), c.attendu) << c.v << " on " << c.base;
  }
  // The staff's record is inactive: the score's applies; inactive too, the base.
  fixe((*p)->interpreteCourbe, false, kCourbeVolu, 10);
  fixe((*score)->interpreteCourbe, true, kCourbeVolu, 50);
  EXPECT_EQ(CalculeValeurCourbeAAppliquer(score, p, kCourbeVolu, 100), 50);
  (*score)->interpreteCourbe.slots[0] = 0;
  EXPECT_EQ(CalculeValeurCourbeAAppliquer(score, p, kCourbeVolu, 100), 100);
  // A kind the active staff does not publish falls to the score; one that
  // neither publishes gives the base.
  (*p)->interpreteCourbe = InterpreteCourbe{};
  fixe((*p)->interpreteCourbe, true, kCourbeFreq, kCourbeSansValeur);
  fixe((*score)->interpreteCourbe, true, kCourbeFreq, 100);
  EXPECT_EQ(CalculeValeurCourbeAAppliquer(score, p, kCourbeFreq, 0), 256);
  EXPECT_EQ(CalculeValeurCourbeAAppliquer(score, p, FourCC("Tone"), 33), 33);
  EXPECT_EQ(CalculeValeurCourbeAAppliquer(nullptr, nullptr, kCourbeVolu, 33), 33);
}

}  // namespace
