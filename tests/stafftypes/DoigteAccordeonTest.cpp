// Automatic accordion fingering: the button search, the bellows rule with its
// delay, ties and chords over a staff, the bass chord in force, and the bass
// chords named from sounding notes.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "model/Accords.h"
#include "model/BarTableFixtures.h"
#include "model/Portee.h"
#include "model/QRVPOBJ.h"
#include "model/QrvLiaison.h"
#include "model/Signe.h"
#include "stafftypes/DoigteAccordeon.h"
#include "stafftypes/Tablature.h"

namespace {

constexpr int32_t Q = 40320;

void Basse(Accordeon& k, int banque, int rangee, const char* pousse, const char* notesPousse, const char* tire,
           const char* notesTire) {
  AccordAccordeon& a = k.basses[banque][rangee];
  std::snprintf(a.nomPousse, sizeof a.nomPousse, "%s", pousse);
  std::snprintf(a.notesPousse, sizeof a.notesPousse, "%s", notesPousse);
  std::snprintf(a.nomTire, sizeof a.nomTire, "%s", tire);
  std::snprintf(a.notesTire, sizeof a.notesTire, "%s", notesTire);
}

TEST(DoigteAccordeon, ButtonSearchPrefersDirectionThenRowThenButton) {
  Accordeon k{};
  k.nbRangees = 3;
  k.clavier[0][0] = {60, 62};
  k.clavier[0][1] = {62, 64};
  k.clavier[0][2] = {64, 60};
  k.clavier[1][0] = {64, 65};
  struct Cas {
    int16_t hauteur, masque, prefere;
    int16_t bouton, rangee, sens;
  };
  const Cas cas[] = {
      {60, 0, 0, 0, 0, kSoufflePousse},  // free: the lowest row, push first
      {60, 0, 2, 0, 2, kSouffleTire},    // the preferred pull wins over two rows
      {60, 0, 3, 0, 0, kSoufflePousse},  // both preferred: as free
      {64, 0, 0, 1, 0, kSoufflePousse},  // a lower row beats a lower button
      {62, 0, 0, 0, 0, kSouffleTire},    // the pull of row 0 before the push of row 1
      {62, 1, 0, 0, 1, kSoufflePousse},  // push only
      {60, 2, 1, 0, 2, kSouffleTire},    // pull only, whatever is preferred
      {65, 1, 0, -1, -1, 0},             // on no push
      {0, 0, 0, -1, -1, 0},              // empty places hold no pitch
      {300, 0, 0, -1, -1, 0},
  };
  for (const Cas& c : cas) {
    SCOPED_TRACE(testing::Message() << c.hauteur << " mask " << c.masque << " pref " << c.prefere);
    int16_t b = 9, r = 9, d = 9;
    EXPECT_EQ(TrouveLigneRangeeSouffleAccordeon(k, c.hauteur, c.masque, c.prefere, &b, &r, &d), c.bouton >= 0);
    EXPECT_EQ(b, c.bouton);
    EXPECT_EQ(r, c.rangee);
    EXPECT_EQ(d, c.sens);
  }
  // Rows past the keyboard's count are not played.
  k.nbRangees = 2;
  EXPECT_FALSE(TrouveLigneRangeeSouffleAccordeon(k, 60, 2, 0, nullptr, nullptr, nullptr));
}

struct DoigteAccordeonPorteeTest : BarTableTest {
  Portee** staff = nullptr;
  DoigteAccordeonPorteeTest() {
    Mesures(8);
    staff = CreePorteeVide(score, kTypePorteeStandard, 1, 0);
    NewTablature(staff, kTablatureAccordeon);
    Accordeon& k = K();
    k.premierBouton = 1;
    k.nbRangees = 1;
    k.clavier[0][0] = {60, 60};
    k.clavier[1][0] = {62, 62};
    k.clavier[2][0] = {0, 63};  // pull only
    k.clavier[3][0] = {64, 64};
    k.clavier[4][0] = {65, 0};  // push only
  }
  Accordeon& K() { return (*GetTablature(staff))->accordeon; }
  Signe& S(int32_t i) { return reinterpret_cast<Signe*>(*(*staff)->notes)[i]; }
  // Each note as button/row byte.
  std::string Octets() {
    CalculeTablatureAccordeon(staff);
    std::string s;
    for (int32_t i = 0; i < (*staff)->nbNotes; i++) {
      if (i) s += ' ';
      s += std::to_string(S(i).tablatureCase) + "/" + std::to_string(S(i).tablatureCorde);
    }
    return s;
  }
  // The chord list the chord line would give: names at ticks.
  void Accords(const std::vector<std::pair<int32_t, const char*>>& accords) {
    if ((*staff)->listeAccords) DisposeHandle((*staff)->listeAccords);
    Handle h = NewHandleClear(Size(accords.size() * sizeof(AccordTaquet)));
    for (size_t i = 0; i < accords.size(); i++) {
      AccordTaquet& a = reinterpret_cast<AccordTaquet*>(*h)[i];
      a.taquet.temps = accords[i].first;
      std::snprintf(a.accord.nom, sizeof a.accord.nom, "%s", accords[i].second);
    }
    (*staff)->listeAccords = h;
  }
};

TEST_F(DoigteAccordeonPorteeTest, BellowsTurnAfterTheDelay) {
  // A half note pushed (nothing preferred); four quarters pulled: the first is
  // at most half the half note and a quarter has passed, the next keep the
  // preference; the fifth pushed once a whole note has passed since the turn.
  AjouteSigne(staff, 60, 2 * Q);
  for (int i = 0; i < 5; i++) AjouteSigne(staff, 60, Q);
  EXPECT_EQ(Octets(), "1/0 1/16 1/16 1/16 1/16 1/0");
  EXPECT_EQ((*GetTablature(staff))->calculee, 1);
  // With two quarters of delay the pull lasts two whole notes.
  K().intervalleSoufflet = 2;
  EXPECT_EQ(Octets(), "1/0 1/16 1/16 1/16 1/16 1/16");

  // A user-set note keeps its bytes; after it, as after a rest, the previous
  // duration counts as a whole note, so the next quarter turns the bellows.
  K().intervalleSoufflet = 1;
  S(1).kind = kSigneSilence;
  S(3).flags |= kSignePositionUtilisateur;
  S(3).tablatureCase = 9;
  S(3).tablatureCorde = 7;
  EXPECT_EQ(Octets(), "1/0 255/255 1/16 9/7 1/0 1/0");
}

TEST_F(DoigteAccordeonPorteeTest, ATieKeepsTheBellows) {
  AjouteSigne(staff, 60, 2 * Q);
  AjouteSigne(staff, 60, Q);
  AjouteSigne(staff, 62, Q);
  const uint32_t id = NewIdLiaison(score);
  SetLiaisonSourceNote(staff, 0, id, staff, 0);
  SetLiaisonDestNote(staff, 1, id, staff, 0);
  EXPECT_EQ(Octets(), "1/0 1/0 2/0");
  // Tied to another pitch, the note turns as any other.
  S(1).kind = 62;
  EXPECT_EQ(Octets(), "1/0 2/16 2/16");
}

TEST_F(DoigteAccordeonPorteeTest, ChordsTakeTheDirectionOfTheirFirstFoundNote) {
  // The first note is on no button: the members search freely and the first
  // direction found (63 pulls only) holds for the rest.
  AjouteSigne(staff, 99, Q, 100, kSigneAccordSuite);
  AjouteSigne(staff, 63, Q, 100, kSigneAccordSuite);
  AjouteSigne(staff, 64, Q);
  // A pulled chord whose member only pushes leaves that member without a button.
  AjouteSigne(staff, 63, Q, 100, kSigneAccordSuite);
  AjouteSigne(staff, 60, Q, 100, kSigneAccordSuite);
  AjouteSigne(staff, 65, Q);
  EXPECT_EQ(Octets(), "255/0 3/16 4/16 3/16 1/16 255/255");
}

TEST_F(DoigteAccordeonPorteeTest, TheBassChordInForceBindsTheBellows) {
  K().nbRangeesBasses = 1;
  Basse(K(), 0, 0, "C", "C E G", "G", "G B D");
  Basse(K(), 1, 0, "F", "F A C", "C", "C E G");
  Accords({{0, "G"}, {Q, "C"}, {2 * Q, "F"}, {3 * Q, "Dm"}});
  struct Cas {
    int32_t tick;
    int16_t masque;
  };
  // Pull only; push in one bank and pull in another is free; a chord in force
  // since before; a name in no row.
  for (const Cas& c : {Cas{0, 2}, Cas{Q, 0}, Cas{2 * Q + 100, 1}, Cas{3 * Q, 0}})
    EXPECT_EQ(CalculeMasqueBasseAccordeon(staff, K(), c.tick), c.masque) << c.tick;
  // Unbound, a half note and two quarters go push, pull, pull; an F bass from
  // the second keeps the push; a G bass pulls from the first.
  AjouteSigne(staff, 60, 2 * Q);
  AjouteSigne(staff, 60, Q);
  AjouteSigne(staff, 60, Q);
  Accords({{0, "Dm"}, {2 * Q, "F"}});
  EXPECT_EQ(Octets(), "1/0 1/0 1/0");
  Accords({{0, "G"}});
  EXPECT_EQ(Octets(), "1/16 1/16 1/16");
  // Without bass rows no chord binds.
  K().nbRangeesBasses = 0;
  EXPECT_EQ(CalculeMasqueBasseAccordeon(staff, K(), 0), 0);
  EXPECT_EQ(Octets(), "1/0 1/16 1/16");
}

TEST(DoigteAccordeon, NotesTextsInLettersOrSyllables) {
  struct Cas {
    const char* texte;
    std::vector<uint16_t> hauteurs;
  };
  const Cas cas[] = {
      {"C E G", {60, 64, 67}},
      {"do mi sol", {60, 64, 67}},
      {"Bb,D#-f", {70, 63, 65}},
      {"G B D F A C E", {67, 71, 62, 65, 69, 60}},  // six at most
      {"", {}},
      {"?? x", {}},
  };
  for (const Cas& c : cas) {
    uint16_t out[7];
    const int16_t n = CvtTexteEnListeNotesAccordeon(c.texte, out);
    EXPECT_EQ(std::vector<uint16_t>(out, out + n), c.hauteurs) << c.texte;
    EXPECT_EQ(out[n], 0xFFFF) << c.texte;
  }
}

struct ReconnaissanceAccordeonTest : DoigteAccordeonPorteeTest {
  ReconnaissanceAccordeonTest() {
    K().nbRangeesBasses = 2;
    Basse(K(), 0, 0, "C", "C", "G", "G");
    Basse(K(), 0, 1, "CM", "C E G", "G7", "G B D F");
    FixeSignature(1, 3, 4);
  }
  std::string Nom(int32_t tick, std::vector<int16_t> notes, int16_t pull = 1, int16_t push = 1) {
    std::vector<NoteAnalyse> l;
    for (int16_t h : notes) l.push_back(NoteAnalyse{h, 0, 0});
    l.push_back(NoteAnalyse{-1, 0, 0});
    char texte[64] = "x";
    CalculeAccordAccordeonSelonNotes(score, staff, tick, l.data(), pull, push, texte);
    return texte;
  }
};

TEST_F(ReconnaissanceAccordeonTest, SingleBassesOnStrongBeatsChordsOnWeakOnes) {
  const int32_t mesure1 = CvtMesureEnTemps(score, 1);
  // 4/4: beats 0 and 2 are strong; 3/4: beat 0 only.
  EXPECT_EQ(Nom(0, {48}), "C");
  EXPECT_EQ(Nom(Q, {48}), "CM");
  EXPECT_EQ(Nom(2 * Q, {48}), "C");
  EXPECT_EQ(Nom(3 * Q, {48}), "CM");
  EXPECT_EQ(Nom(mesure1, {43}), "G");
  EXPECT_EQ(Nom(mesure1 + 2 * Q, {43}), "G7");
  // The bass and more of the chord's notes win; only the rows asked count.
  EXPECT_EQ(Nom(Q, {55, 59, 62}), "G7");
  EXPECT_EQ(Nom(Q, {55, 59, 62}, 0, 1), "CM");
  EXPECT_EQ(Nom(Q, {55, 59, 62}, 0, 0), "");
  EXPECT_EQ(Nom(Q, {}), "");
  EXPECT_EQ(CalculeCorellationAccordAccordeon(nullptr, "C E G", false), 0);
  // A name's notes; a name in no row has none.
  uint16_t h[8];
  EXPECT_EQ(CvtAccordAccordeonEnListeNotes(staff, "G7", h), 4);
  EXPECT_EQ(std::vector<uint16_t>(h, h + 5), (std::vector<uint16_t>{67, 71, 62, 65, 0xFFFF}));
  EXPECT_EQ(CvtAccordAccordeonEnListeNotes(staff, "Am", h), 0);
  EXPECT_EQ(h[0], 0xFFFF);
  K().nbRangeesBasses = 0;
  EXPECT_EQ(CvtAccordAccordeonEnListeNotes(staff, "G7", h), 0);
  EXPECT_EQ(Nom(0, {48}), "");
}

}  // namespace
