#include "notation/NomsNotes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "model/DonneesAccords.h"
#include "notation/NomsAccords.h"
#include "plugin/Preferences.h"

namespace {

// Each test names notes in the language it asks for; the preference and the
// run-time table are put back afterwards.
class NomsNotes : public ::testing::Test {
 protected:
  void SetUp() override {
    prefs_ = pref;
    std::memcpy(table_, TabNomNote, sizeof table_);
  }
  void TearDown() override {
    pref = prefs_;
    std::memcpy(TabNomNote, table_, sizeof table_);
  }
  static void Langue(bool lettres) {
    pref.nomsNotesLettres = lettres ? 1 : 0;
    InitTabNomNote();
  }
  static std::string Nom(int16_t pitch, uint8_t accidental, int16_t octaveToOmit = -2) {
    char s[16];
    return CvtHauteurNoteToStr(pitch, accidental, octaveToOmit, s);
  }
  Preferences prefs_;
  char table_[7][4];
};

}  // namespace

// Texts are read in either naming system, whatever names are shown.
TEST_F(NomsNotes, TextsReadAsPitches) {
  Langue(false);
  const struct {
    const char* texte;
    int16_t hauteur;
    uint8_t alteration;
  } cas[] = {
      {"FA#3", 54, 1}, {"F#3", 54, 1},  {"Bb", 70, 3},   {"DO", 60, 2},    {"do 5", 72, 2},
      {"sol#", 68, 1}, {"SIbb", 69, 5}, {"C##4", 62, 4}, {"E 4 b", 63, 3}, {"B#-1", 12, 1},
      {"G9", 127, 2},  {"A9", -1, 2},   {"-3", -1, 2},   {"60", 60, 2},    {"max", 127, 2},
      {"MaX", 127, 2}, {"H4", -1, 2},   {"6x", -1, 2},   {"", -1, 2},      {"C-2", -1, 2},
  };
  for (const auto& c : cas) {
    uint8_t a = 99;
    EXPECT_EQ(CvtStrToHauteurNote(c.texte, &a), c.hauteur) << c.texte;
    EXPECT_EQ(a, c.alteration) << c.texte;
  }
  EXPECT_EQ(CvtStrToHauteurNote(nullptr, nullptr), -1);
  // The letter names in force for one call only.
  EXPECT_EQ(CvtStrToHauteurNoteUS("Eb5"), 75);
  EXPECT_STREQ(TabNomNote[0], "DO");
}

// Names follow the accidental asked for, fall back to the standard spelling
// where it would land on a black key, and drop the octave asked to be left out.
TEST_F(NomsNotes, PitchesNamedInEachLanguage) {
  const struct {
    bool lettres;
    int16_t hauteur;
    uint8_t alteration;
    int16_t sansOctave;
    const char* nom;
  } cas[] = {
      {true, 61, 3, -2, "Db4"},  {true, 61, 1, -2, "C#4"},  {true, 60, 3, -2, "C4"},    {true, 60, 2, 4, "C"},
      {true, 60, 2, 3, "C4"},    {true, 60, 1, -2, "B#3"},  {true, 59, 3, -2, "Cb4"},   {true, 70, 2, -2, "Bb4"},
      {true, 62, 5, -2, "Ebb4"}, {true, 62, 4, -2, "C##4"}, {true, 63, 4, -2, "Eb4"},   {true, 64, 0, -2, "E4"},
      {true, 127, 1, -2, "Max"}, {true, 5, 2, -2, "5"},     {false, 67, 2, -2, "SOL4"}, {false, 61, 3, 4, "REb"},
      {false, 71, 2, -2, "SI4"}, {true, 61, 1, -3, "C#"},
  };
  for (const auto& c : cas) {
    Langue(c.lettres);
    EXPECT_EQ(Nom(c.hauteur, c.alteration, c.sansOctave), c.nom) << c.hauteur << " " << int(c.alteration);
  }
  char s[4] = "x";
  EXPECT_STREQ(GetNomNote(s, 7), "");
  EXPECT_STREQ(GetNomNote(s, -1), "");
}

// Every pitch named with every accidental reads back as itself, in both
// languages.
TEST_F(NomsNotes, NamesReadBackAsTheirPitch) {
  for (bool lettres : {true, false}) {
    Langue(lettres);
    for (int16_t p = 0; p <= 127; p++)
      for (uint8_t a = 0; a <= 5; a++) {
        const std::string nom = Nom(p, a);
        EXPECT_EQ(CvtStrToHauteurNote(nom.c_str(), nullptr), p) << nom << " " << int(a);
      }
  }
}

// Chord roots are named and read in the note names in force.
TEST_F(NomsNotes, ChordRootsTakeTheNoteNames) {
  auto accord = [](int8_t racine, uint8_t alteration, int16_t tierce, int16_t quinte, int16_t septieme) {
    DefAccord d{};
    d.fondamentale = racine;
    d.alterationFondamentale = alteration;
    d.tierce = tierce;
    d.quinte = quinte;
    d.septieme = septieme;
    d.neuvieme = 2;
    return d;
  };
  const struct {
    bool lettres;
    DefAccord accord;
    const char* nom;
  } cas[] = {
      {false, accord(1, 3, -1, 0, -1), "REbm7"}, {false, accord(4, 2, 0, 0, 0), "SOLM7"},
      {true, accord(0, 2, -1, -1, 2), "CDim"},   {true, accord(6, 3, 2, 0, 2), "BbSus"},
      {true, accord(4, 2, 0, 0, 0), "GM7"},      {true, accord(5, 2, -1, 0, -1), "Am7"},
  };
  for (const auto& c : cas) {
    Langue(c.lettres);
    char nom[64];
    CreeNomAccord(&c.accord, nom);
    EXPECT_STREQ(nom, c.nom);
  }
  const struct {
    const char* texte;
    int8_t racine;
    uint8_t alteration;
    int16_t tierce;
  } textes[] = {{"SOLm7", 4, 2, -1}, {"Dom", 0, 2, -1}, {"Dm", 1, 2, -1}, {"REb", 1, 3, 0}, {"F#", 3, 1, 0}};
  for (const auto& t : textes) {
    DefAccord d;
    ASSERT_EQ(CvtChaineEnAccord(t.texte, &d), 1) << t.texte;
    EXPECT_EQ(d.fondamentale, t.racine) << t.texte;
    EXPECT_EQ(d.alterationFondamentale, t.alteration) << t.texte;
    EXPECT_EQ(d.tierce, t.tierce) << t.texte;
  }
  // A letter F before "add" or "aug" is no syllable FA.
  DefAccord d;
  ASSERT_EQ(CvtChaineEnAccord("Fadd9", &d), 1);
  EXPECT_EQ(d.fondamentale, 3);
  EXPECT_EQ(d.neuvieme, 0);
  EXPECT_EQ(d.septieme, 2);
  ASSERT_EQ(CvtChaineEnAccord("Faug", &d), 1);
  EXPECT_EQ(d.quinte, 1);
  ASSERT_EQ(CvtChaineEnAccord("FAadd9", &d), 1);
  EXPECT_EQ(d.fondamentale, 3);
  EXPECT_EQ(d.neuvieme, 0);
  EXPECT_EQ(CvtChaineEnAccord("H7", &d), 0);
  EXPECT_EQ(d.fondamentale, -1);
}
