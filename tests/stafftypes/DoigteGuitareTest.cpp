// Automatic fingering of fretted tablatures: the search over entries (chords,
// melodies, capo, unreachable notes, slurs, depth, hostile records) and the
// slot over a staff's notes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/ModelFixtures.h"
#include "model/Portee.h"
#include "model/QrvDynamics.h"
#include "model/Signe.h"
#include "model/TabEltMesure.h"
#include "stafftypes/DoigteGuitare.h"
#include "stafftypes/ServicesTypesPortee.h"

namespace {

constexpr int32_t Q = 40320;

// A six-string neck, string 0 the highest (E4 B3 G3 D3 A2 E2), 24 frets, and
// the fretted kind's search settings.
Tablature Guitare() {
  Tablature t{};
  const uint16_t cordes[] = {64, 59, 55, 50, 45, 40};
  t.nbCordes = 6;
  for (int c = 0; c < 6; c++) t.cordes[c] = CordeTablature{{cordes[c], 24, 0}};
  t.envergure = 5;
  t.poidsCase = 20;
  t.poidsCordeVide = 0;
  t.poidsChangementCorde = 1;
  t.poidsEcart = 200;
  t.profondeur = 8;
  return t;
}

// Notes of one voice: each item a chord (pitches at one start), 0 a rest.
std::vector<EntreeDoigte> Entrees(const std::vector<std::vector<int>>& accords) {
  std::vector<EntreeDoigte> out;
  int32_t t = 0;
  for (const auto& accord : accords) {
    for (int h : accord) {
      EntreeDoigte e;
      e.debut = t;
      e.hauteur = int16_t(h);
      e.genre = h == 0 ? kEntreeSilence : kEntreeNote;
      out.push_back(e);
    }
    t += Q;
  }
  return out;
}

// Positions as "string/fret", "-" for none, "r" for a rest.
std::string Positions(const std::vector<EntreeDoigte>& e) {
  std::string s;
  for (const EntreeDoigte& x : e) {
    if (!s.empty()) s += ' ';
    if (x.position == kPositionSilence) s += 'r';
    else if (x.position == kPositionAucune) s += '-';
    else s += std::to_string(x.position >> 8) + "/" + std::to_string(x.position & 0xFF);
  }
  return s;
}

std::string Doigte(const Tablature& t, std::vector<EntreeDoigte> e) {
  EXPECT_TRUE(CalculeDoigteEntrees(t, e.data(), int32_t(e.size())));
  return Positions(e);
}

TEST(DoigteGuitare, ChoosesStringsAndFretsForMelodiesAndChords) {
  struct Cas {
    const char* nom;
    std::vector<std::vector<int>> notes;
    const char* attendu;
  };
  const Cas cas[] = {
      // Equal scores keep the lower string: the open E, not B string fret 5.
      {"open string on a tie", {{64}}, "0/0"},
      // Staying on a string costs nothing; moving costs both strings.
      {"a run stays on its string", {{45}, {47}, {48}}, "4/0 4/2 4/3"},
      {"the hand slides rather than cross", {{40}, {45}}, "5/0 5/5"},
      // Looking ahead: the E on the B string leaves the C under the hand.
      {"look-ahead moves the first note", {{64}, {60}}, "1/5 1/1"},
      // A chord (sorted from the top) takes one string per note.
      {"three-note chord", {{52, 47, 40}}, "3/2 4/2 5/0"},
      {"unison needs a second string", {{59, 59}}, "1/0 2/4"},
      // Below the lowest string or past the last fret: no position, and the
      // notes around are still placed.
      {"unreachable notes", {{64}, {30}, {89}, {64}}, "0/0 - - 0/0"},
      {"rests", {{45}, {0}, {47}}, "4/0 r 4/2"},
  };
  for (const Cas& c : cas) EXPECT_EQ(Doigte(Guitare(), Entrees(c.notes)), c.attendu) << c.nom;
}

TEST(DoigteGuitare, CapoAndTuningMoveTheFrets) {
  Tablature t = Guitare();
  t.capo = 2;
  // The capo's pitch is the open string; the next semitone fret 1.
  EXPECT_EQ(Doigte(t, Entrees({{66}, {67}})), "0/0 0/1");
  // Below the capo nothing sounds on that string.
  EXPECT_EQ(Doigte(t, Entrees({{64}})), "1/3");

  // Drop D: the low string starts at D2; a string whose frets begin at 5
  // (a banjo's short string) writes its frets from there.
  Tablature d = Guitare();
  d.cordes[5].valeurs[0] = 38;
  EXPECT_EQ(Doigte(d, Entrees({{38}, {40}})), "5/0 5/2");
  Tablature b = Guitare();
  b.nbCordes = 1;
  b.cordes[0] = CordeTablature{{67, 20, 5}};
  EXPECT_EQ(Doigte(b, Entrees({{67}, {69}})), "0/0 0/7");

  // A capo at or below a string's first fret leaves that string alone.
  b.capo = 5;
  EXPECT_EQ(Doigte(b, Entrees({{67}})), "0/0");

  // Dulcimer: the capo counts in diatonic frets; a fret of 1 is never used.
  Tablature m = Guitare();
  m.nbCordes = 1;
  m.modeNumeros = 2;
  m.cordes[0] = CordeTablature{{50, 24, 0}};
  EXPECT_EQ(Doigte(m, Entrees({{51}, {52}})), "- 0/2");
  m.capo = 1;  // two semitones
  EXPECT_EQ(Doigte(m, Entrees({{52}})), "0/0");

  // No strings: nothing computed.
  Tablature vide = Guitare();
  vide.nbCordes = 0;
  std::vector<EntreeDoigte> e = Entrees({{64}});
  EXPECT_FALSE(CalculeDoigteEntrees(vide, e.data(), 1));
}

TEST(DoigteGuitare, DepthIsClampedAndOneMeansGreedy) {
  Tablature t = Guitare();
  t.profondeur = 0;  // taken as 1: the first note is chosen alone
  EXPECT_EQ(Doigte(t, Entrees({{64}, {60}})), "0/0 1/1");
  t.profondeur = 2;
  EXPECT_EQ(Doigte(t, Entrees({{64}, {60}})), "1/5 1/1");
  // Past the work tables' width: taken as their width, over a long passage.
  t.profondeur = 40;
  std::vector<std::vector<int>> passage;
  for (int i = 0; i < 40; i++) passage.push_back({45 + (i * 7) % 19});
  std::vector<EntreeDoigte> e = Entrees(passage);
  ASSERT_TRUE(CalculeDoigteEntrees(t, e.data(), int32_t(e.size())));
  for (const EntreeDoigte& x : e) {
    ASSERT_NE(x.position, kPositionAucune);
    const int c = x.position >> 8, f = x.position & 0xFF;
    EXPECT_EQ(Guitare().cordes[c].valeurs[0] + f, x.hauteur);
  }
}

TEST(DoigteGuitare, UserNotesHarmonicsGraceNotesAndSlurs) {
  const Tablature t = Guitare();
  // A note the user placed keeps its position.
  std::vector<EntreeDoigte> e = Entrees({{64}, {60}});
  e[0].genre = kEntreeUtilisateur;
  e[0].position = 2 * 256 + 9;
  EXPECT_EQ(Doigte(t, e), "2/9 1/1");

  // A harmonic head: the low E's twelfth-fret harmonic sounds E3; E4 is its
  // fifth-fret harmonic or the A string's seventh, and the hand stays low.
  e = Entrees({{52}, {0}, {64}});
  e[0].harmonique = e[2].harmonique = 1;
  EXPECT_EQ(Doigte(t, e), "5/12 r 5/5");

  // A grace note two semitones below needs two frets under the note.
  e = Entrees({{64}});
  e[0].caseMin = 2;
  EXPECT_EQ(Doigte(t, e), "1/5");

  // A slur from a placed note forces its string.
  e = Entrees({{64}, {66}});
  e[0].genre = kEntreeUtilisateur;
  e[0].position = 2 * 256 + 9;
  e[0].couleApres = 1;
  e[1].couleAvant = 0;
  EXPECT_EQ(Doigte(t, e), "2/9 2/11");

  // A pull-off from E4 to D4: the E needs room for the D on its string, so it
  // leaves the open string even when chosen alone.
  Tablature glouton = t;
  glouton.profondeur = 1;
  e = Entrees({{64}, {62}});
  EXPECT_EQ(Doigte(glouton, e), "0/0 1/3");
  e[0].couleApres = 1;
  e[1].couleAvant = 0;
  EXPECT_EQ(Doigte(glouton, e), "1/5 1/3");
  // Kountigui labels play no slurs.
  glouton.modeNumeros = 4;
  EXPECT_EQ(Doigte(glouton, e), "0/0 1/3");
  // A slur looping back on itself (a damaged file) ends.
  e = Entrees({{64}, {62}});
  e[0].couleApres = 1;
  e[1].couleApres = 0;
  e[1].couleAvant = 0;
  e[0].couleAvant = 1;
  EXPECT_EQ(Doigte(t, e), "1/5 1/3");
}

// Sixteen strings of one tuning and a chord of sixteen unisons: every order
// of the strings scores the same until the chord ends, so an unbounded search
// would try them all. The search stops and keeps the first whole path.
TEST(DoigteGuitare, HostileRecordsEndWithValidPositions) {
  Tablature t{};
  t.nbCordes = 16;
  for (int c = 0; c < 16; c++) t.cordes[c] = CordeTablature{{40, 100, 0}};
  t.envergure = 5;
  t.poidsCase = 20;
  t.poidsChangementCorde = 1;
  t.profondeur = 40;
  std::vector<std::vector<int>> notes(3, std::vector<int>(16, 52));
  for (int i = 0; i < 200; i++) notes.push_back({40 + (i * 5) % 90});
  notes.push_back(std::vector<int>(17, 60));
  std::vector<EntreeDoigte> e = Entrees(notes);
  ASSERT_TRUE(CalculeDoigteEntrees(t, e.data(), int32_t(e.size())));
  for (int a = 0; a < 3; a++) {
    uint32_t cordes = 0;
    for (int i = 0; i < 16; i++) {
      const uint16_t p = e[a * 16 + i].position;
      ASSERT_NE(p, kPositionAucune);
      EXPECT_EQ(p & 0xFF, 12);
      cordes |= 1u << (p >> 8);
    }
    EXPECT_EQ(cordes, 0xFFFFu) << "chord " << a;
  }
  for (size_t i = 48; i < 248; i++) {
    ASSERT_NE(e[i].position >> 8, 255) << i;
    EXPECT_EQ(40 + (e[i].position & 0xFF), e[i].hauteur) << i;
  }
  // Seventeen notes at once: sixteen strings still take one each.
  uint32_t cordes = 0;
  for (size_t i = 248; i < 264; i++) cordes |= 1u << (e[i].position >> 8 & 15);
  EXPECT_EQ(cordes, 0xFFFFu);

  // Weights read as negative words still give every note a position.
  t.poidsCase = uint16_t(-20);
  t.poidsCordeVide = uint16_t(-3);
  t.poidsChangementCorde = uint16_t(-1);
  t.poidsEcart = uint16_t(-200);
  e = Entrees(notes);
  ASSERT_TRUE(CalculeDoigteEntrees(t, e.data(), int32_t(e.size())));
  for (size_t i = 0; i < 48 + 200; i++) EXPECT_NE(e[i].position >> 8, 255) << i;

  // Frets that do not fit beside the group bit are not offered.
  Tablature longue = Guitare();
  longue.nbCordes = 1;
  longue.cordes[0] = CordeTablature{{0, 1000, 50}};
  EXPECT_EQ(Doigte(longue, Entrees({{100}, {60}})), "- 0/110");
}

// The slot over a staff: chords, rests, user-set notes and grace notes read
// from the note records, positions written into them.
struct DoigtePorteeTest : ::testing::Test {
  Document* doc = NouveauDocument();
  Partition** score = CreePartitionVide(doc);
  DoigtePorteeTest() { AddEltTabEltMesureRuban(score, 8); }
  ~DoigtePorteeTest() override { LibereDocument(doc); }

  Portee** NouvellePortee(const std::vector<std::vector<int>>& accords) {
    Portee** staff = CreePorteeVide(score, kTypePorteeStandard, 1, 0);
    for (const auto& a : accords)
      for (size_t i = 0; i < a.size(); i++)
        AjouteSigne(staff, int8_t(a[i] ? a[i] : -1), Q, 100, i + 1 < a.size() ? kSigneAccordSuite : 0);
    return staff;
  }
  static Signe& S(Portee** staff, int32_t i) { return reinterpret_cast<Signe*>(*(*staff)->notes)[i]; }
  static std::string Octets(Portee** staff) {
    std::string s;
    for (int32_t i = 0; i < (*staff)->nbNotes; i++) {
      if (i) s += ' ';
      s += std::to_string(S(staff, i).tablatureCorde) + "/" + std::to_string(S(staff, i).tablatureCase);
    }
    return s;
  }
};

TEST_F(DoigtePorteeTest, FingersTheStaffNotes) {
  Portee** staff = NouvellePortee({{52, 47, 40}, {0}, {60}, {64}, {62}});
  Tablature** t = NewTablature(staff, 0);
  ASSERT_TRUE(t);
  **t = Guitare();
  S(staff, 4).flags |= kSignePositionUtilisateur;
  S(staff, 4).tablatureCorde = 2;
  S(staff, 4).tablatureCase = 5;
  const int32_t fx = AjouteParamEffet(staff);
  Effet(staff, fx).graces[0].utilise = 1;
  Effet(staff, fx).graces[0].decalage = -2;
  S(staff, 5).indexParamEffet = int16_t(fx);
  CalculeTablatureGuitare(staff);
  EXPECT_EQ(Octets(staff), "3/2 4/2 5/0 255/254 2/5 1/5 1/3");
  EXPECT_EQ(S(staff, 4).flags & kSignePositionUtilisateur, kSignePositionUtilisateur);
}

TEST_F(DoigtePorteeTest, SharedRecordFingersTheMergedGroupFromItsFirstStaff) {
  Portee** haut = NouvellePortee({{64}, {62}});
  Portee** bas = NouvellePortee({{64}, {0}});
  Fusionne(score, 0, 1, 0);
  Tablature** t = NewTablature(haut, 0);
  **t = Guitare();
  (**t).partageGroupe = 1;
  CalculeTablatureGuitare(haut);
  // The two E4 at one start make a chord across the staves.
  EXPECT_EQ(Octets(haut), "0/0 1/3");
  EXPECT_EQ(Octets(bas), "1/5 255/254");
  // Without the shared flag only the staff itself.
  S(bas, 0).tablatureCorde = S(bas, 0).tablatureCase = 7;
  (**t).partageGroupe = 0;
  CalculeTablatureGuitare(haut);
  EXPECT_EQ(Octets(haut), "1/5 1/3");
  EXPECT_EQ(Octets(bas), "7/7 255/254");
}

}  // namespace
