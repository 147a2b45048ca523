// The standard sound base through a base held in memory by the test: sound
// ids after an import, the nearest id, templates of the three forms, sounds
// in resources and in data files, the corrections of known sounds, and the
// "not available" base that a preview always has.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "SoundFixtures.h"
#include "platform/Memory.h"
#include "sound/BaseSons.h"
#include "sound/SCvtdgit.h"
#include "sound/SINSTRUM.h"

using tamrel_test::Messages;
using tamrel_test::PartitionSon;

namespace {

using Octets = std::vector<uint8_t>;

// A base in memory: resource files by name, their resources, data files.
struct BaseMemoire {
  std::map<std::string, int16_t> fichiers;
  std::map<std::tuple<int16_t, ResType, int16_t>, Octets> ressources;
  std::map<std::string, Octets> donnees;
  std::map<int16_t, bool> ouverts;
  int lecturesDonnees = 0;
};
BaseMemoire* gBase = nullptr;

int16_t Ouvre(const char* nom) {
  auto it = gBase->fichiers.find(nom);
  if (it == gBase->fichiers.end()) return 0;
  gBase->ouverts[it->second] = true;
  return it->second;
}
void Ferme(int16_t ref) { gBase->ouverts[ref] = false; }
Handle Ressource(int16_t ref, ResType type, int16_t id) {
  auto it = gBase->ressources.find({ref, type, id});
  if (it == gBase->ressources.end()) return nullptr;
  Handle h = NewHandle(Size(it->second.size()));
  if (!it->second.empty()) std::memcpy(*h, it->second.data(), it->second.size());
  return h;
}
// Data files are numbered by their place in the map, from 1.
const Octets* Donnees(int32_t ref) {
  int32_t i = 1;
  for (auto& [nom, octets] : gBase->donnees)
    if (i++ == ref) return &octets;
  return nullptr;
}
int32_t OuvreDonnees(const char* nom) {
  int32_t i = 1;
  for (auto& [n, octets] : gBase->donnees) {
    if (n == nom) return i;
    i++;
  }
  return 0;
}
int64_t TailleDonnees(int32_t ref) { return Donnees(ref) ? int64_t(Donnees(ref)->size()) : 0; }
int32_t LitDonnees(int32_t ref, int64_t at, void* into, int32_t n) {
  const Octets* d = Donnees(ref);
  gBase->lecturesDonnees++;
  if (!d || at < 0 || at >= int64_t(d->size())) return 0;
  const int32_t k = int32_t(std::min<int64_t>(n, int64_t(d->size()) - at));
  std::memcpy(into, d->data() + at, size_t(k));
  return k;
}
void FermeDonnees(int32_t) {}

constexpr AccesBaseSons kAccesMemoire = {Ouvre,         Ferme,      Ressource,   OuvreDonnees,
                                         TailleDonnees, LitDonnees, FermeDonnees};

void Mot(Octets& o, uint32_t v) {
  o.push_back(uint8_t(v >> 8));
  o.push_back(uint8_t(v));
}
void Long(Octets& o, uint32_t v) {
  Mot(o, v >> 16);
  Mot(o, v & 0xFFFF);
}

// A "Dgig" template in stored order: the count and the slots' sample numbers
// matter here, with a few recognisable fields.
Octets Dgig(int16_t templateRef, uint16_t count, const std::vector<uint16_t>& samples) {
  Octets o;
  Mot(o, uint16_t(templateRef));
  Mot(o, 0x1234);  // templateWord
  for (int i = 0; i < 6; i++) Mot(o, uint16_t(100 + i));
  o.insert(o.end(), {7, 0, 9, 0});  // digitByte1, a byte, digitByte2, a byte
  for (int i = 0; i < 3; i++) Long(o, 1000 + i);
  for (int g = 0; g < 3; g++) {
    o.insert(o.end(), {uint8_t(g + 1), 0});
    for (int i = 0; i < 3; i++) Long(o, 0);
  }
  o.insert(o.end(), 4 + 11 + 1, 0);
  Mot(o, count);
  for (size_t i = 0; i < samples.size(); i++) {
    Mot(o, samples[i]);
    Mot(o, uint16_t(500 + i));  // soundRef
    Mot(o, 1), Mot(o, 2), Mot(o, 3);
    Long(o, 0xA0000 + uint32_t(i));
    o.insert(o.end(), {1, 2, 3, 0});
  }
  o.resize(size_t(kTailleTmplDgig), 0);
  return o;
}

// A stored sound with its header in stored order: form 0 (16-bit samples
// stored big-endian), `count` samples.
Octets Son(uint32_t count, uint8_t key, uint8_t second = 0) {
  Octets o;
  Mot(o, 0);
  Mot(o, 16);
  Long(o, 0xAC440000);
  o.push_back(key);
  o.push_back(second);
  Long(o, 0);
  Long(o, 0);
  Long(o, count);
  for (uint32_t i = 0; i < count; i++) Mot(o, i);
  Mot(o, 0);
  return o;
}

class BaseSons : public ::testing::Test {
 protected:
  void SetUp() override {
    gBase = &base_;
    FixeAccesBaseSons(&kAccesMemoire);
  }
  void TearDown() override {
    LibereBaseSons();
    FixeAccesBaseSons(nullptr);
    gBase = nullptr;
  }
  // Descriptions in ascending id order over the files "Main" and "Drums".
  void Installe(std::vector<DescriptionSon> d) {
    base_.fichiers = {{"Main", 11}, {"Drums", 12}};
    const char* noms[] = {"Main", "Drums"};
    ASSERT_TRUE(InstalleBaseSons(d.data(), int16_t(d.size()), noms, 2));
  }
  BaseMemoire base_;
};

const std::vector<DescriptionSon> kDescriptions = {
    {0, 0, 100, -1},   {0, 0, 121, -1},   {0, 1, 130, -1},   {0, 0, 374, 380},
    {1, 0, 20034, -1}, {1, 0, 20036, -1}, {1, 0, 20161, -1}, {1, 0, 20165, -1},
};

}  // namespace

TEST_F(BaseSons, NoBaseAnswersAtTheFirstTest) {
  FixeAccesBaseSons(nullptr);
  PartitionSon s;
  Instrument* r = GetInstrument(s.score(), AjouteInstrument(s.score()));
  r->soundId = 374;
  EXPECT_EQ(ChargeDigitStandard(r), 0);
  EXPECT_EQ(r->loadedSoundId, 374u);
  EXPECT_EQ(LitTmplDgigStandardDansInstrument(374, r), -1);
  ConvertitIdInstrumentsApresChargement((*s.score())->document, 0, 0);
  EXPECT_EQ(r->soundId, 374u);
  EXPECT_EQ(OuvreFichierSonSelonDigit(374), 0);
  EXPECT_EQ(RechercheIdMidiProche(374, 0), 0);
  EXPECT_EQ(ReadSonInDataFile(374, 1), nullptr);
  EXPECT_FALSE(IsIdStandardExisteDansBase(374));

  // Tables out of order are no base.
  const DescriptionSon desordre[] = {{0, 0, 200, -1}, {0, 0, 100, -1}};
  const char* noms[] = {"Main"};
  EXPECT_FALSE(InstalleBaseSons(desordre, 2, noms, 1));
  EXPECT_FALSE(BaseSonsLue);
}

TEST_F(BaseSons, NearestIdsAndIdsAfterAnImport) {
  Installe(kDescriptions);
  struct Proche {
    int32_t id;
    int16_t melodique;
    int32_t attendu;
  };
  const Proche proches[] = {
      {125, 0, 121},      // the last id below
      {135, 0, 121},      // 130 is left out of the search
      {100, 0, 0},        // nothing below
      {20161, 0, 20036},  // kit 1 note 36: kit 0's nearest note comes first
      {20040, 0, 20036},  // kit 0 note 40
      {20040, 1, 20036},  // melodic only: the last id below
      {-5, 0, 20034},     // a negative id counts as kit 0 note 0
  };
  for (const Proche& p : proches)
    EXPECT_EQ(RechercheIdMidiProche(p.id, p.melodique), p.attendu) << p.id << " " << p.melodique;

  struct Conversion {
    uint32_t id;
    int16_t exclusif, voix;
    uint32_t attendu;
  };
  const Conversion conversions[] = {
      {121, 0, 0, 121},    // found, kept
      {374, 0, 0, 380},    // found, replaced
      {375, 0, 0, 380},    // the largest id below gives its replacement
      {130, 0, 0, 130},    // found
      {130, 1, 0, 130},    // left out: 121 below keeps the id
      {50, 0, 0, 50},      // nothing below
      {5201, 0, 0, 5201},  // a singing voice keeps its id...
      {5201, 0, 1, 380},   // ...unless asked
  };
  for (const Conversion& c : conversions) {
    PartitionSon s;
    Instrument* r = GetInstrument(s.score(), AjouteInstrument(s.score()));
    r->soundId = c.id;
    Instrument* inutilise = GetInstrument(s.score(), 5);
    inutilise->soundId = c.id;
    ConvertitIdInstrumentsApresChargement((*s.score())->document, c.exclusif, c.voix);
    EXPECT_EQ(r->soundId, c.attendu) << c.id << " " << c.exclusif << " " << c.voix;
    EXPECT_EQ(inutilise->soundId, c.id);  // unused records are left alone
  }
}

TEST_F(BaseSons, TemplatesAndSoundsLoadIntoTheInstrument) {
  Installe(kDescriptions);
  base_.ressources[{11, FourCC("Dgig"), 121}] = Dgig(-1, 3, {10, 11, 0xFFFF});
  base_.ressources[{11, FourCC("son "), 10}] = Son(4, 60);
  base_.ressources[{11, FourCC("son "), 11}] = Son(0, 0);  // its data lie in "00121.rsd"
  Octets donnees;
  for (uint16_t numero : {7, 11}) {
    const Octets son = Son(3, uint8_t(numero));
    Mot(donnees, numero);
    Long(donnees, uint32_t(son.size()));
    donnees.insert(donnees.end(), son.begin(), son.end());
  }
  base_.donnees["00121.rsd"] = donnees;
  base_.ressources[{11, FourCC("Vibr"), 121}] = {0, 5, 0, 6, 0, 7, 0, 8};

  PartitionSon s;
  Instrument* r = GetInstrument(s.score(), AjouteInstrument(s.score()));
  r->soundId = 121;
  ASSERT_EQ(ChargeDigitStandard(r), 1);
  EXPECT_EQ(r->loadedSoundId, 121u);
  const ModeleSonsInstrument& m = r->digitArea.modele;
  EXPECT_EQ(m.templateRef, -1);
  EXPECT_EQ(m.templateWord, 0x1234);
  EXPECT_EQ(m.digitParam[5], 105);
  EXPECT_EQ(m.digitByte1, 7);
  EXPECT_EQ(m.digitByte2, 9);
  EXPECT_EQ(m.longs1[2], 1002u);
  EXPECT_EQ(m.group4On, 3);
  EXPECT_EQ(m.soundCount, 3);
  EXPECT_EQ(m.slots[1].soundRef, 501);
  EXPECT_EQ(m.slots[1].slotValue, 0xA0001);
  EXPECT_EQ(m.slots[1].slotBytes[2], 3);
  EXPECT_EQ(m.slots[3].soundRef, kRefSonAucun);  // past the count: cleared
  EXPECT_EQ(int16_t(m.slots[3].sampleNumber), -1);

  // Headers in host order; plain samples marked as stored big-endian.
  Handle a = r->sampleHandles[0][0];
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(GetEnteteDigit(a).form, kDigitGrandBoutien);
  EXPECT_EQ(GetEnteteDigit(a).count, 4u);
  EXPECT_EQ(GetEnteteDigit(a).byteA, 60);
  Handle b = r->sampleHandles[0][1];
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(GetEnteteDigit(b).byteA, 11);  // record 11 of the data file, not 7
  EXPECT_EQ(GetEnteteDigit(b).count, 3u);
  EXPECT_EQ(r->sampleHandles[0][2], nullptr);
  EXPECT_EQ(r->vibrato[0], 5);
  EXPECT_EQ(r->vibrato[3], 8);
  EXPECT_EQ(r->tremolo[0], 0);  // no "Trem": zeros

  // The record found is remembered: the second request reads it at once.
  base_.lecturesDonnees = 0;
  Handle c = ReadSonInDataFile(121, 11);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(base_.lecturesDonnees, 1);
  DisposeHandle(c);
  EXPECT_EQ(ReadSonInDataFile(121, 99), nullptr);
  EXPECT_EQ(ReadSonInDataFile(122, 7), nullptr);
  LibereDonneesInstrument(r);
}

TEST_F(BaseSons, OlderTemplatesBorrowedSlotsAndBadTemplates) {
  Installe(kDescriptions);
  // "Dgit": 12 slots of param3, param1, param2 and sample number; the count
  // ends at the last slot with a sound.
  Octets dgit;
  Mot(dgit, 0x55), Mot(dgit, 0x66);
  for (int a = 0; a < 3; a++)
    for (int i = 0; i < 12; i++) Mot(dgit, uint16_t(a * 100 + i));
  for (int i = 0; i < 12; i++) Mot(dgit, i == 4 || i == 7 ? uint16_t(20 + i) : uint16_t(0xFFFF));
  base_.ressources[{11, FourCC("Dgit"), 100}] = dgit;
  // "DGIT": shared params and 6 sample numbers.
  Octets vieux;
  for (uint16_t v : {1, 2, 30, 10, 20, 40, 41, 42, 43, 44, 45}) Mot(vieux, v);
  base_.ressources[{11, FourCC("DGIT"), 130}] = vieux;
  // 374's template borrows 121's count and sample numbers.
  base_.ressources[{11, FourCC("Dgig"), 374}] = Dgig(121, 1, {99});
  base_.ressources[{11, FourCC("Dgig"), 121}] = Dgig(-1, 2, {61, 62});
  // More slots than an instrument has.
  base_.ressources[{12, FourCC("Dgig"), 20034}] = Dgig(-1, 300, {1});

  PartitionSon s;
  Instrument* r = GetInstrument(s.score(), AjouteInstrument(s.score()));
  const ModeleSonsInstrument& m = r->digitArea.modele;
  EXPECT_EQ(LitTmplDgigStandardDansInstrument(100, r), 11);
  EXPECT_EQ(m.soundCount, 8);
  EXPECT_EQ(m.digitParam[0], 0x66);
  EXPECT_EQ(m.digitParam[1], 1000);
  EXPECT_EQ(m.slots[7].sampleNumber, 27);
  EXPECT_EQ(m.slots[7].param3, 7);
  EXPECT_EQ(m.slots[7].param1, 107);
  EXPECT_EQ(m.slots[11].soundRef, kRefSonAucun);

  EXPECT_EQ(LitTmplDgigStandardDansInstrument(130, r), 11);
  EXPECT_EQ(m.soundCount, 6);
  EXPECT_EQ(m.slots[5].sampleNumber, 45);
  EXPECT_EQ(m.slots[5].param2, 20);

  EXPECT_EQ(LitTmplDgigStandardDansInstrument(374, r), 11);
  EXPECT_EQ(m.templateRef, 121);
  EXPECT_EQ(m.soundCount, 2);
  EXPECT_EQ(m.slots[1].sampleNumber, 62);

  std::string dit = Messages([&] { EXPECT_EQ(LitTmplDgigStandardDansInstrument(20034, r), 12); });
  EXPECT_NE(dit.find("CvtTmplDgigInterne : nbSons out of range"), std::string::npos);
  EXPECT_EQ(m.soundCount, kNbSonsInstrument);

  // No template: 0; an id whose file cannot be opened: -1; own sounds: 0.
  EXPECT_EQ(LitTmplDgigStandardDansInstrument(20036, r), 0);
  base_.fichiers.clear();
  GarbageFichierSons();
  EXPECT_FALSE(base_.ouverts[12]);
  EXPECT_EQ(LitTmplDgigStandardDansInstrument(121, r), 11);    // the first file stays open
  EXPECT_EQ(LitTmplDgigStandardDansInstrument(20161, r), -1);  // closed, and gone
  r->digitArea.ownSounds = 1;
  EXPECT_EQ(LitTmplDgigStandardDansInstrument(121, r), 0);
}

TEST_F(BaseSons, MissingSoundsFailAndTheNearestIdIsTried) {
  Installe(kDescriptions);
  base_.ressources[{11, FourCC("Dgig"), 121}] = Dgig(-1, 1, {10});
  base_.ressources[{11, FourCC("Dgig"), 374}] = Dgig(-1, 1, {12});
  base_.ressources[{11, FourCC("son "), 10}] = Son(2, 1);
  PartitionSon s;
  Instrument* r = GetInstrument(s.score(), AjouteInstrument(s.score()));

  std::string dit = Messages([&] { EXPECT_EQ(LitDigitStandardDansInstrument(374, r), 0); });
  EXPECT_NE(dit.find("Mauvaise definition de template DGIT"), std::string::npos);

  // 125 has no template: 121, the id below it, is loaded in its place.
  r->soundId = 125;
  EXPECT_EQ(ChargeDigitStandard(r), 1);
  EXPECT_EQ(r->loadedSoundId, 121u);
  EXPECT_NE(r->sampleHandles[0][0], nullptr);
  r->soundId = 99;
  dit = Messages([&] { EXPECT_EQ(ChargeDigitStandard(r), 0); });
  EXPECT_NE(dit.find("Can't locate sound data # 0 in the sound base."), std::string::npos);
  LibereDonneesInstrument(r);

  EXPECT_TRUE(IsIdStandardExisteDansBase(121));
  EXPECT_FALSE(IsIdStandardExisteDansBase(130));
  EXPECT_FALSE(IsIdStandardExisteDansBase(555));

  std::strcpy(NomBaseSons, "Base.rsrc");
  char nom[64];
  CreeNomFichierCacheStandard(7, nom, sizeof nom);
  EXPECT_STREQ(nom, "Base-7.tmp");
  NomBaseSons[0] = 0;
}

TEST(BaseSonsCorrections, KnownSoundsAreMended) {
  struct Cas {
    int32_t id, slot;
    uint8_t a, b;
    uint32_t count, debut, fin;
    uint8_t a2, b2;
    uint32_t debut2, fin2;
  };
  const Cas cas[] = {
      {3, 8, 47, 50, 131830, 0, 0, 35, 35, 0, 0},    {3, 8, 47, 50, 131831, 0, 0, 47, 50, 0, 0},
      {3, 7, 47, 50, 131830, 0, 0, 47, 50, 0, 0},    {2483, 0, 60, 127, 5, 0, 0, 48, 127, 0, 0},
      {2483, 3, 60, 70, 5, 0, 0, 48, 58, 0, 0},      {1610, 2, 1, 1, 5, 10, 20, 1, 1, 3020, 3623},
      {1610, 11, 1, 1, 5, 10, 20, 1, 1, 1463, 2235}, {1610, 12, 1, 1, 5, 10, 20, 1, 1, 10, 20},
      {1610, 5, 1, 1, 5, 20, 20, 1, 1, 20, 20},  // no loop: unchanged
  };
  for (const Cas& c : cas) {
    Octets o;
    Mot(o, 0), Mot(o, 16), Long(o, 0);
    o.push_back(c.a), o.push_back(c.b);
    Long(o, c.debut), Long(o, c.fin), Long(o, c.count);
    Handle h = NewHandle(Size(o.size()));
    std::memcpy(*h, o.data(), o.size());
    Gold2Patch(c.id, c.slot, h);
    const uint8_t* p = reinterpret_cast<uint8_t*>(*h);
    EXPECT_EQ(p[8], c.a2) << c.id << "/" << c.slot;
    EXPECT_EQ(p[9], c.b2) << c.id << "/" << c.slot;
    EXPECT_EQ(uint32_t(p[10] << 24 | p[11] << 16 | p[12] << 8 | p[13]), c.debut2) << c.id << "/" << c.slot;
    EXPECT_EQ(uint32_t(p[14] << 24 | p[15] << 16 | p[16] << 8 | p[17]), c.fin2) << c.id << "/" << c.slot;
    DisposeHandle(h);
  }
}
