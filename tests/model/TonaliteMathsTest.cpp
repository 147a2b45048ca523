// Key maths: standard keys, key signatures of tonics, keys moved by
// semitones and by reference distances, clef pitches, note transposition,
// the probable key and the concert-key round trip.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "BarTableFixtures.h"
#include "model/Tonalite.h"
#include "model/TonaliteMaths.h"
#include "sound/SINSTRUM.h"

namespace {

Tonalite Std(int16_t index, int32_t mode = 1) {
  Tonalite k;
  CvtTonaliteStdEnTonalite(index, mode, &k);
  return k;
}

TEST(TonaliteMaths, StandardKeysAndTheirRows) {
  Tonalite k = Std(7);
  EXPECT_EQ(CvtTonaliteEnTonaliteStd(&k), 7);
  EXPECT_EQ(k.degreTonique, 0);
  EXPECT_EQ(k.alterationTonique, 1);
  Tonalite bizarre = Std(0);
  bizarre.alterations[0] = 1;  // one sharp on C only
  EXPECT_EQ(CvtTonaliteEnTonaliteStd(&bizarre), -1);
  Tonalite c = Std(16);
  EXPECT_EQ(CvtTonaliteEnTonaliteStd(&c), 0);
  EXPECT_EQ(c.mode, 1);
  EXPECT_EQ(c.styleAnnulation, 2u);
  Tonalite defaut;
  SetTonaliteDefaut(&defaut);
  EXPECT_TRUE(CmpTonalite(&c, &defaut));
  EXPECT_EQ(CvtTonaliteEnFondamentale(&c), 0);
  Tonalite fis = Std(6, 0);  // D sharp minor
  EXPECT_EQ(CvtTonaliteEnFondamentale(&fis), 3);
}

// Every standard key's row follows from its tonic and mode.
TEST(TonaliteMaths, KeySignaturesOfEveryStandardTonic) {
  for (int32_t mode : {1, 0}) {
    for (int16_t i = 0; i < kNbTonalitesStd; i++) {
      Tonalite k = Std(i, mode);
      Tonalite calc = k;
      std::memset(calc.alterations, 9, 7);
      CalculeArmureFnFondamentaleEtMode(&calc);
      EXPECT_EQ(std::memcmp(calc.alterations, k.alterations, 7), 0) << "index " << i << " mode " << mode;
    }
  }
  Tonalite d = Std(0);
  d.degreTonique = 1;
  CalculeArmureFnFondamentaleEtMode(&d);
  const uint8_t re[7] = {1, 0, 0, 1, 0, 0, 0};
  EXPECT_EQ(std::memcmp(d.alterations, re, 7), 0);
}

TEST(TonaliteMaths, KeysMovedBySemitones) {
  struct Cas {
    int16_t de;
    int16_t demiTons;
    int16_t vers;
  } cas[] = {{0, 6, 13}, {0, 1, 12}, {0, 12, 0}, {0, -1, 5}, {0, 2, 2}, {2, -2, 0}, {8, 7, 0}, {7, 1, 2}};
  for (const Cas& c : cas) {
    Tonalite k = Std(c.de), r;
    CvtTonaliteDemiTonEnNouvelleTonalite(&k, c.demiTons, &r);
    EXPECT_EQ(CvtTonaliteEnTonaliteStd(&r), c.vers) << c.de << " + " << c.demiTons;
  }
  // Every key of both modes, up and down by every interval: the tonic moves
  // by the interval and the result is a standard key of the same mode.
  for (int32_t mode : {1, 0}) {
    for (int16_t i = 0; i < kNbTonalitesStd; i++) {
      for (int16_t n = -11; n <= 11; n++) {
        Tonalite k = Std(i, mode), r;
        k.styleAnnulation = 1;
        CvtTonaliteDemiTonEnNouvelleTonalite(&k, n, &r);
        int16_t s = CvtTonaliteEnTonaliteStd(&r);
        ASSERT_GE(s, 0);
        Tonalite attendu = Std(s, mode);
        EXPECT_TRUE(CmpTonalite(&r, &attendu)) << i << " + " << n;
        EXPECT_EQ(CvtTonaliteEnFondamentale(&r), (CvtTonaliteEnFondamentale(&k) + n + 24) % 12) << i << " + " << n;
      }
    }
  }
  // A key off the standard rows is found through its tonic.
  Tonalite bizarre = Std(2);
  bizarre.alterations[4] = 1;
  Tonalite r;
  CvtTonaliteDemiTonEnNouvelleTonalite(&bizarre, 2, &r);
  EXPECT_EQ(CvtTonaliteEnTonaliteStd(&r), 4);  // D -> E major
}

TEST(TonaliteMaths, KeysMovedByAReferenceDistance) {
  Tonalite d = Std(2), c = Std(0), f = Std(8), eb, back;
  CalculeTonaliteParDelta(&d, &c, &f, &eb);  // down a tone
  EXPECT_EQ(CvtTonaliteEnTonaliteStd(&eb), 10);
  CalculeTonaliteParDelta(&c, &d, &eb, &back);
  EXPECT_EQ(CvtTonaliteEnTonaliteStd(&back), 8);
  CalculeTonaliteParDelta(&d, &c, &d, &back);
  EXPECT_TRUE(CmpTonalite(&back, &c));
  CalculeTonaliteParDelta(&d, &d, &f, &back);
  EXPECT_TRUE(CmpTonalite(&back, &f));
  // Major to minor references give minor keys.
  Tonalite am = Std(0, 0), g = Std(1), em;
  CalculeTonaliteParDelta(&c, &am, &g, &em);
  EXPECT_EQ(em.mode, 0);
  EXPECT_EQ(CvtTonaliteEnFondamentale(&em), 4);
  EXPECT_TRUE(IsDeltaOctave(0));
  EXPECT_TRUE(IsDeltaOctave(-24));
  EXPECT_FALSE(IsDeltaOctave(7));
}

TEST(TonaliteMaths, ClefPitchesStayInTheMidiRange) {
  struct Cas {
    uint32_t type;
    int8_t ligne, octave;
    int16_t note;
  } cas[] = {{kClefSol, 0, 0, 64},     {kClefFa, 0, 0, 43},      {kClefUt, 0, 0, 53},    {kClefUt, 1, 0, 50},
             {kClefSol, 0, -1, 52},    {kClefSol, 0, 1, 76},     {kClefSol, 0, 20, 127}, {kClefFa, 0, -20, 0},
             {kClefSol, -100, 0, 127}, {kClefSol, 100, -128, 0}, {9, 0, 0, 64}};
  for (const Cas& c : cas) {
    Clef clef;
    CvtTypeClefEnClefStandard(c.type, &clef);
    clef.decalageLigne = c.ligne;
    clef.decalageOctave = c.octave;
    EXPECT_EQ(CvtClefEnNoteDeBase(&clef), c.note) << c.type << " " << int(c.ligne) << " " << int(c.octave);
  }
  Clef fa;
  CvtTypeClefEnClefStandard(kClefFa, &fa);
  EXPECT_EQ(fa.noteDeBase, 43);
}

struct TranspositionTest : BarTableTest {
  Portee** staff = nullptr;
  void SetUp() override {
    Mesures(8);
    staff = Portee0();
    (*staff)->affichee = 1;
  }
  std::vector<int8_t> Hauteurs() {
    int32_t n;
    Signe* s = GetSignesPortee(staff, &n);
    std::vector<int8_t> r;
    for (int32_t i = 0; i < n; i++) r.push_back(s[i].kind);
    return r;
  }
};

TEST_F(TranspositionTest, SameKeyMovesAnOctaveHeldInRange) {
  for (int8_t p : {40, 100, 116, 127}) AjouteSigne(staff, p, 40320);
  AjouteSigne(staff, kSigneSilence, 40320);
  Tonalite c = Std(0);
  TransposeMesures(score, staff, 0, nullptr, &c, kTranspositionHaut);
  EXPECT_EQ(Hauteurs(), (std::vector<int8_t>{52, 112, 127, 127, kSigneSilence}));
  TransposeMesures(score, staff, 0, nullptr, &c, kTranspositionBas);
  EXPECT_EQ(Hauteurs(), (std::vector<int8_t>{40, 100, 115, 115, kSigneSilence}));
  TransposeMesures(score, staff, 0, nullptr, &c, kTranspositionAucune);
  EXPECT_EQ(Hauteurs(), (std::vector<int8_t>{40, 100, 115, 115, kSigneSilence}));
}

TEST_F(TranspositionTest, KeyChangesMoveNotesByTheirDistance) {
  AjouteSigne(staff, 60, 40320);
  AjouteSigne(staff, 64, 40320);
  Tonalite bb = Std(9);  // C up to B flat: -2, or +10 upwards
  TransposeMesures(score, staff, 0, nullptr, &bb, kTranspositionHaut);
  EXPECT_EQ(Hauteurs(), (std::vector<int8_t>{70, 74}));
  TransposeMesures(score, staff, 0, nullptr, &bb, kTranspositionBas);  // C major still in force
  EXPECT_EQ(Hauteurs(), (std::vector<int8_t>{68, 72}));
  // Major to minor: the third becomes minor, the tonic stays.
  AjouteSigne(staff, 64, 40320);
  Tonalite cm = Std(0, 0);
  cm.degreTonique = 0;  // a C minor tonic on a plain row
  TransposeMesures(score, staff, 0, nullptr, &cm, 7);
  EXPECT_EQ(Hauteurs(), (std::vector<int8_t>{68, 72, 63}));
}

TEST_F(TranspositionTest, KeepingPlacesFollowsTheNewClef) {
  AjouteSigne(staff, 64, 40320);          // bottom line of the treble staff
  AjouteSigne(staff, 66, 40320, 100, 0);  // F sharp, top space + sharp written by the key
  AjouteSigne(staff, kSigneSilence, 40320);
  int32_t n;
  Signe* s = GetSignesPortee(staff, &n);
  s[1].alteration = 1;  // an explicit sharp
  Clef fa;
  CvtTypeClefEnClefStandard(kClefFa, &fa);
  FixeClefMesure(score, staff, 0, &fa, kTranspositionGardePlace);
  EXPECT_EQ(Hauteurs(), (std::vector<int8_t>{43, 46, kSigneSilence}));  // G and A sharp
  // And a key with flats spells its own notes on the same places.
  Tonalite f = Std(8);
  FixeTonaliteMesure(score, staff, 0, &f, kTranspositionGardePlace);
  EXPECT_EQ(Hauteurs(), (std::vector<int8_t>{43, 46, kSigneSilence}));
}

TEST_F(TranspositionTest, ProbableKeyVotesAcrossStaves) {
  Portee** b = NewPortee(score, kTypePorteeStandard);
  Portee** c = NewPortee(score, kTypePorteeStandard);
  int16_t normal = AjouteInstrument(score), sib = AjouteInstrument(score);
  auto Inst = [&](int16_t i) -> Instrument& { return reinterpret_cast<Instrument*>(*(*score)->instruments)[i]; };
  Inst(sib).transposition = -2;
  staff = (*score)->portees[0];
  for (Portee** p : {staff, b, c}) (*p)->affichee = 1;
  (*staff)->instrument = normal;
  (*b)->instrument = sib;
  (*c)->instrument = sib;
  Tonalite d = Std(2), f = Std(8);
  FixeTonaliteMesure(score, staff, 0, &d, 0);
  FixeTonaliteMesure(score, b, 0, &f, 0);
  FixeTonaliteMesure(score, c, 0, &f, 0);
  Tonalite k;
  CvtMesureEnTonaliteProbable(score, 3, &k);
  EXPECT_EQ(CvtTonaliteEnTonaliteStd(&k), 2);  // 4 votes for D, 2 for F moved down a tone
  EXPECT_EQ(k.mode, 1);
  (*staff)->affichee = 0;
  CvtMesureEnTonaliteProbable(score, 3, &k);
  EXPECT_EQ(CvtTonaliteEnTonaliteStd(&k), 10);
  Inst(sib).inUse = 0;
  CvtMesureEnTonaliteProbable(score, 3, &k);
  EXPECT_EQ(CvtTonaliteEnTonaliteStd(&k), 0);  // nobody votes
}

struct ConcertKeyTest : TranspositionTest {
  std::vector<Portee**> staves;
  std::vector<int16_t> instruments;
  Instrument& Inst(int16_t i) { return reinterpret_cast<Instrument*>(*(*score)->instruments)[i]; }
  void Prepare(std::initializer_list<int16_t> transpositions) {
    for (int16_t t : transpositions) {
      Portee** p = staves.empty() ? Portee0() : NewPortee(score, kTypePorteeStandard);
      (*p)->affichee = 1;
      int16_t i = AjouteInstrument(score);
      Inst(i).transposition = t;
      (*p)->instrument = i;
      Tonalite d;
      CvtTonaliteStdEnTonalite(2, 1, &d);
      FixeTonaliteMesure(score, p, 0, &d, 0);
      Tonalite f;
      CvtTonaliteStdEnTonalite(8, 1, &f);
      FixeTonaliteEtClefMesure(score, p, 4, &f, nullptr, 0, kVisibleArmure, 0, kLienTonaliteAucun);
      for (int8_t pitch : {62, 66, 69}) AjouteSigne(p, pitch, kDureeRonde);
      AjouteSigne(p, kSigneSilence, kDureeRonde);
      staves.push_back(p);
      instruments.push_back(i);
    }
  }
  std::vector<int8_t> HauteursDe(Portee** p) {
    int32_t n;
    Signe* s = GetSignesPortee(p, &n);
    std::vector<int8_t> r;
    for (int32_t i = 0; i < n; i++) r.push_back(s[i].kind);
    return r;
  }
  std::vector<EltTabTonalite> Table(Portee** p) {
    int32_t n;
    EltTabTonalite* t = GetEltsTabTonalite(p, &n);
    return std::vector<EltTabTonalite>(t, t + n);
  }
  static void ExpectMemesEntrees(const std::vector<EltTabTonalite>& a, const std::vector<EltTabTonalite>& b) {
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); i++) {
      EXPECT_EQ(a[i].mesure, b[i].mesure);
      EXPECT_TRUE(CmpTonalite(&a[i].tonalite, &b[i].tonalite)) << i;
      EXPECT_TRUE(CmpClef(&a[i].clef, &b[i].clef)) << i;
      EXPECT_EQ(a[i].visible, b[i].visible);
      EXPECT_EQ(a[i].couleurClef, b[i].couleurClef);
      EXPECT_EQ(a[i].rappel, b[i].rappel);
      EXPECT_EQ(std::memcmp(a[i].lignesKaraoke, b[i].lignesKaraoke, sizeof a[i].lignesKaraoke), 0);
      EXPECT_EQ(a[i].lien, b[i].lien);
    }
  }
};

TEST_F(ConcertKeyTest, ConcertKeyShowsSoundingPitchAndComesBack) {
  Prepare({-2, -9, 9, -12, 0});
  std::vector<std::vector<int8_t>> hauteurs;
  std::vector<std::vector<EltTabTonalite>> tables;
  for (Portee** p : staves) {
    hauteurs.push_back(HauteursDe(p));
    tables.push_back(Table(p));
  }
  EXPECT_EQ(SetModeConcertKey(score, 1), 1);
  EXPECT_EQ(GetModeConcertKey(score), 1);
  struct Cas {
    int16_t decalage, transposition, premiere;
  } cas[] = {{-2, 0, 60}, {-9, 0, 53}, {-3, 12, 59}, {0, -12, 62}, {0, 0, 62}};
  for (size_t i = 0; i < staves.size(); i++) {
    Portee** p = staves[i];
    EXPECT_EQ((*p)->decalageConcertKey, cas[i].decalage) << i;
    EXPECT_EQ(Inst((*p)->instrument).transposition, cas[i].transposition) << i;
    EXPECT_EQ(HauteursDe(p)[0], cas[i].premiere) << i;
    EXPECT_EQ(HauteursDe(p)[3], kSigneSilence) << i;
    Tonalite k0, k4;
    CvtMesureEnTonalite(p, 0, &k0);
    CvtMesureEnTonalite(p, 4, &k4);
    EXPECT_EQ(CvtTonaliteEnFondamentale(&k0), (2 + cas[i].decalage + 24) % 12) << i;
    EXPECT_EQ(CvtTonaliteEnFondamentale(&k4), (5 + cas[i].decalage + 24) % 12) << i;
  }
  EXPECT_EQ(SetModeConcertKey(score, 1), 0);  // unchanged

  EXPECT_EQ(SetModeConcertKey(score, 0), 1);
  for (size_t i = 0; i < staves.size(); i++) {
    Portee** p = staves[i];
    EXPECT_EQ(HauteursDe(p), hauteurs[i]) << i;
    ExpectMemesEntrees(Table(p), tables[i]);
    EXPECT_EQ((*p)->decalageConcertKey, 0) << i;
    const int16_t transpositions[] = {-2, -9, 9, -12, 0};
    EXPECT_EQ(Inst((*p)->instrument).transposition, transpositions[i]) << i;
  }
}

TEST_F(ConcertKeyTest, ASharedInstrumentIsCopiedForTheStaffThatMoves) {
  Prepare({-2});
  Portee** b = NewPortee(score, kTypePorteeStandard);
  (*b)->instrument = instruments[0];
  std::strcpy(Inst(instruments[0]).name, "Clarinet");
  int16_t n = AppliqueInstrumentTranspositeur(score, staves[0], 0, 2);
  EXPECT_EQ(n, 1);
  EXPECT_NE((*staves[0])->instrument, instruments[0]);
  EXPECT_STREQ(Inst((*staves[0])->instrument).name, "Clarinet [Transp]");
  EXPECT_EQ(Inst((*staves[0])->instrument).transposition, 0);
  EXPECT_EQ(Inst(instruments[0]).transposition, -2);
  EXPECT_EQ(HauteursDe(staves[0])[0], 60);
}

}  // namespace
