// ABC import: the text and its lines, the header fields, the key, meter and
// tempo texts, and what the music lines become in the score.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "import/ABCFixtures.h"
#include "model/CourbeTempo.h"
#include "model/CvtTemps.h"
#include "model/TonaliteMaths.h"

namespace {

std::string Lignes(const std::string& texte) {
  LecteurLignesABC src{texte.data(), texte.size(), 0};
  std::string ligne, tout;
  bool commentaire;
  while (GetLineABC(&src, &ligne, &commentaire)) tout += (commentaire ? std::string("#") : ligne) + "|";
  return tout;
}

TEST(ABCLignes, CommentsEscapesAndEnds) {
  struct {
    const char* texte;
    const char* lignes;
  } cas[] = {
      {"abc % comment\n% only\n", "abc |#|"},
      {"%%MIDI x\nT:a\tb\n", "%MIDI x|T:a b|"},
      {"a\r\nb\n\rc\rd", "a|b|c|d|"},
      {"a\n\nb", "a||b|"},
      {"T:Caf\\'e \\\"o\\\"U \\`A \\~n \\ss \\cc",
       "T:Caf\xC3\xA9 \xC3\xB6\xC3\x9C \xC3\x80 \xC3\xB1 \xC3\x9F \xC3\xA7|"},
      {"T:\\251 \\u00e9\\U0001F600 \\aa\\AE\\/o\\oe",
       "T:\xC2\xA9 \xC3\xA9\xF0\x9F\x98\x80 \xC3\xA5\xC3\x86\xC3\xB8\xC5\x93|"},
      {"T:\\~x \\'1", "T:x\xCC\x83 '1|"},
      {"abc|\\\ndef", "abc||def|"},
      {"abc \\ % end\nx", "abc |x|"},
      {"T:a \\\\ \\& \\% b", "T:a \\ & % b|"},
      {"a\x0Ez\nb\x01"
       "c",
       "a\x0E|z|b|c|"},
  };
  for (auto& c : cas) EXPECT_EQ(Lignes(c.texte), c.lignes) << c.texte;
}

TEST(ABCLignes, LongLinesAreCutNotSplit) {
  std::string texte(70000, 'a');
  texte += "\nb\n";
  LecteurLignesABC src{texte.data(), texte.size(), 0};
  std::string ligne;
  bool commentaire;
  ASSERT_TRUE(GetLineABC(&src, &ligne, &commentaire));
  EXPECT_EQ(ligne.size(), 65534u);
  ASSERT_TRUE(GetLineABC(&src, &ligne, &commentaire));
  EXPECT_EQ(ligne, "b");
  EXPECT_FALSE(GetLineABC(&src, &ligne, &commentaire));
}

TEST(ABCTexte, CharsetDirectiveAndDetection) {
  auto u = [](const char* s) { return TexteABCEnUTF8(reinterpret_cast<const uint8_t*>(s), std::strlen(s)); };
  EXPECT_EQ(u("T:Caf\xC3\xA9\n"), "T:Caf\xC3\xA9\n");                // valid UTF-8 by default
  EXPECT_EQ(u("T:Caf\xE9 \x80\n"), "T:Caf\xC3\xA9 \xE2\x82\xAC\n");  // not UTF-8: Windows-1252
  EXPECT_EQ(u("%%abc-charset iso-8859-1\nT:\xC3\xA9"), "%%abc-charset iso-8859-1\nT:\xC3\x83\xC2\xA9");
  EXPECT_EQ(u(" %abc-charset utf-8\nT:\xE9"), " %abc-charset utf-8\nT:\xEF\xBF\xBD");
  EXPECT_EQ(u("\xEF\xBB\xBFX:1"), "X:1");
}

TEST(ABCCle, TonicAccidentalAndMode) {
  struct {
    const char* texte;
    int16_t rang;
    bool majeur;
  } cas[] = {
      {"D", 2, true},         {"Bm", 2, false},  {"B min", 2, false}, {"B Minor", 2, false}, {"Em", 1, false},
      {"D dorian", 0, true},  {"Gmix", 0, true}, {"D Mix", 1, true},  {"Ador", 1, true},     {"F#", 6, true},
      {"Cb", 14, true},       {"C#m", 4, false}, {"Bb", 9, true},     {"Ebmaj", 10, true},   {"H", 0, true},
      {"none", 0, true},      {"", 0, true},     {"Dphr", 9, true},   {"Flyd", 0, true},     {"Bloc", 0, true},
      {"Aaeolian", 0, false}, {"G#", 11, true},  {"HP", 0, true},     {"Hp", 2, true},
  };
  for (auto& c : cas) {
    Tonalite cle, attendue;
    Clef clef;
    uint8_t greg = 9;
    EXPECT_EQ(CvtStrAbcEnTonalite(c.texte, &cle, &clef, &greg), 0) << c.texte;
    CvtTonaliteStdEnTonalite(c.rang, c.majeur ? 1 : 0, &attendue);
    EXPECT_EQ(std::memcmp(cle.alterations, attendue.alterations, 7), 0) << c.texte;
    EXPECT_EQ(cle.mode == 1, c.majeur) << c.texte;
    EXPECT_EQ(greg, 0) << c.texte;
  }
}

TEST(ABCCle, ClefsAndExplicitAccidentals) {
  Tonalite cle;
  Clef clef;
  uint8_t greg;
  ASSERT_EQ(CvtStrAbcEnTonalite("Dphr ^f", &cle, &clef, &greg), 0);
  EXPECT_EQ(cle.alterations[3], 1);  // F sharp over the two flats
  EXPECT_EQ(cle.alterations[6], 3);
  ASSERT_EQ(CvtStrAbcEnTonalite("G clef=bass", &cle, &clef, &greg), 1);
  EXPECT_EQ(clef.type, kClefFa);
  EXPECT_EQ(greg, 0);
  ASSERT_EQ(CvtStrAbcEnTonalite("C tenor", &cle, &clef, &greg), 1);
  EXPECT_EQ(clef.type, kClefUt);
  EXPECT_EQ(clef.decalageLigne, 1);
  ASSERT_EQ(CvtStrAbcEnTonalite("C Doh2", &cle, &clef, &greg), 1);
  EXPECT_EQ(clef.type, kClefUt);
  EXPECT_EQ(clef.decalageLigne, -1);
  EXPECT_EQ(greg, 1);

  // A field that starts with a clef names no key (a lone letter is a tonic);
  // a line number puts the clef on that line.
  struct {
    const char* texte;
    uint8_t cleDonnee;
    int16_t avecClef;
    uint8_t type;
    int8_t ligne, octave;
  } cas[] = {
      {"bass", 0, 1, kClefFa, 0, 0},
      {"clef=bass", 0, 1, kClefFa, 0, 0},
      {"alto4", 0, 1, kClefUt, 1, 0},
      {"alto1", 0, 1, kClefUt, -2, 0},
      {"bass3", 0, 1, kClefFa, -1, 0},
      {"treble1", 0, 1, kClefSol, -1, 0},
      {"treble-8", 0, 1, kClefSol, 0, -1},
      {"C# alto2", 1, 1, kClefUt, -1, 0},
      {"C", 1, 0, 0, 0, 0},
      {"B", 1, 0, 0, 0, 0},
  };
  for (auto& c : cas) {
    uint8_t donnee = 9;
    ASSERT_EQ(CvtStrAbcEnTonalite(c.texte, &cle, &clef, &greg, &donnee), c.avecClef) << c.texte;
    EXPECT_EQ(donnee, c.cleDonnee) << c.texte;
    if (!c.avecClef) continue;
    EXPECT_EQ(clef.type, c.type) << c.texte;
    EXPECT_EQ(clef.decalageLigne, c.ligne) << c.texte;
    EXPECT_EQ(clef.decalageOctave, c.octave) << c.texte;
  }
}

TEST(ABCMesure, MetersAndTheirNoteLength) {
  struct {
    const char* texte;
    int32_t longueur;  // 0: refused
    int16_t num, den;
    uint8_t symbole, visible;
  } cas[] = {
      {"6/8", 20160, 6, 8, 0, 1}, {"2/4", 10080, 2, 4, 0, 1},  {"C|", 20160, 2, 2, 1, 1},
      {"C", 20160, 4, 4, 1, 1},   {"none", 20160, 4, 4, 0, 0}, {"2+3+2/8", 20160, 7, 8, 0, 1},
      {"3/4", 20160, 3, 4, 0, 1}, {" 9/8", 20160, 9, 8, 0, 1}, {"4/0", 0, 0, 0, 0, 0},
      {"/4", 0, 0, 0, 0, 0},      {"3", 0, 0, 0, 0, 0},        {"0/4", 0, 0, 0, 0, 0},
      {"4/11", 0, 0, 0, 0, 0},    {"99999/4", 0, 0, 0, 0, 0},
  };
  for (auto& c : cas) {
    DivisionTemporelle d;
    std::memset(&d, 0x5A, sizeof d);
    uint8_t visible = 7;
    EXPECT_EQ(ExtraitDivision(c.texte, &d, &visible), c.longueur) << c.texte;
    if (!c.longueur) {
      EXPECT_EQ(d.numerateur, 0x5A5A) << c.texte;  // left alone
      continue;
    }
    EXPECT_EQ(d.numerateur, c.num) << c.texte;
    EXPECT_EQ(d.denominateur, c.den) << c.texte;
    EXPECT_EQ(d.octet1, c.symbole) << c.texte;
    EXPECT_EQ(visible, c.visible) << c.texte;
  }
}

TEST(ABCTempo, BeatsAndDefaults) {
  struct {
    const char* texte;
    int32_t longueur, tempo, attendu;
  } cas[] = {
      {"1/4=120", 20160, 100, 120},
      {"3/8=40", 20160, 100, 60},
      {"120", 20160, 100, 60},
      {"C=90", 40320, 100, 90},
      {"C2=60", 20160, 100, 60},
      {"C2=C3", 20160, 100, 150},
      {"\"Allegro\" 1/4=132", 20160, 100, 132},
      {"1/4 1/8=60", 20160, 100, 90},
      {"1/0=60", 20160, 100, 30},
      {"fast", 20160, 100, 100},
      {"C0=C3", 20160, 100, 100},
  };
  for (auto& c : cas) EXPECT_EQ(ExtraitTempo(c.texte, c.longueur, c.tempo), c.attendu) << c.texte;
}

std::string Tune(const char* entete, const char* musique) {
  return std::string("X:1\nT:t\n") + entete + "\n" + musique + "\n";
}

// A table of music lines and what the staff holds afterwards.
TEST(ABCMusique, TrickyLines) {
  struct {
    const char* entete;
    const char* musique;
    const char* notes;
  } cas[] = {
      // Pitches, accidentals in force for the bar, octave marks held to the MIDI range.
      {"L:1/4\nK:C", "C c ^F F =F|F", "60/40320 72/40320 66/40320 66/40320 65/40320 65/40320"},
      {"L:1/4\nK:C", "c'''''''' C,,,,,,,, __B ^^c", "127/40320 0/40320 69/40320 74/40320"},
      {"L:1/4\nK:D", "F _F F|F", "66/40320 64/40320 64/40320 66/40320"},
      // Lengths: multiplied, divided, never below a 64th.
      {"L:1/8\nK:C", "C2 C/ C// C3/2 C///// C/0", "60/40320 60/10080 60/5040 60/30240 60/2520 60/20160"},
      // Broken rhythm.
      {"L:1/8\nK:C", "C>D E<F G>>A", "60/30240 62/10080 64/10080 65/30240 67/35280 69/5040"},
      // Rests: plain, invisible, whole bars.
      {"M:2/4\nL:1/8\nK:C", "z x2 C|Z2|X|", "r/20160 h/40320 60/20160 r/80640 r/80640 h/80640"},
      // Tuplets: defaults, explicit ratio and count, outside 2..9.
      {"M:4/4\nL:1/8\nK:C", "(3CDE (3:2:2FG A", "60/13440 62/13440 64/13440 65/13440 67/13440 69/20160"},
      {"M:6/8\nL:1/8\nK:C", "(5CDEFG", "60/8064 62/8064 64/8064 65/8064 67/8064"},
      {"M:4/4\nL:1/16\nK:C", "(10CDEFGABcde",
       "60/3024 62/3024 64/3024 65/3024 67/3024 69/3024 71/3024 72/3024 74/3024 76/3024"},
      // Chords: the length after the chord applies to all its notes.
      {"L:1/8\nK:C", "[CEG]2 [c2e]/ +DF+", "67/40320+64/40320+60/40320 72/20160+76/10080 65/20160+62/20160"},
      // Ties join notes; grace notes and decorations add no time.
      {"L:1/4\nK:C", "C-C {ga}B !trill!c +fermata+d !nonsense!e", "60/80640 71/40320 72/40320 74/40320 76/40320"},
      // Inline fields change length and key mid-line.
      {"L:1/8\nK:C", "C [L:1/4] D [K:D] F [Q:1/4=90] c", "60/20160 62/40320 66/40320 73/40320"},
  };
  for (auto& c : cas) {
    DocumentABC d(Tune(c.entete, c.musique));
    EXPECT_EQ(d.resultat, 1) << c.musique;
    EXPECT_EQ(d.Notes(), c.notes) << c.musique;
  }
}

TEST(ABCMusique, DecorationsBecomeMarks) {
  DocumentABC d(Tune("L:1/4\nK:C", "!trill!C +fermata+D !nonsense!E .F TG LA ~B Hc !segno!d !accent!!staccato!e"));
  ASSERT_EQ(d.resultat, 1);
  const char* attendu[] = {"31", "49", "", "60", "31", "94", "30", "49", "", "94,60"};
  for (int i = 0; i < 10; i++) EXPECT_EQ(d.Marques(i), attendu[i]) << i;
  EXPECT_NE(d.Ruptures().find("S"), std::string::npos);
}

TEST(ABCMusique, GraceNotesSlursAndBeams) {
  DocumentABC d(Tune("L:1/8\nK:C", "{ga}A (Bcd) e2 ef"));
  ASSERT_EQ(d.resultat, 1);
  Portee** staff = d.Staff();
  const ParamEffet* e = GetParamEffetIndexNote(staff, d.Index(0));
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->graces[0].utilise, 1);
  EXPECT_EQ(e->graces[0].decalage, 79 - 69);
  EXPECT_EQ(e->graces[1].decalage, 81 - 69);
  EXPECT_EQ(e->graces[2].utilise, 0);
  // The slur runs from B to d.
  Portee** autre = nullptr;
  uint32_t id = GetLiaisonSourceNote(staff, d.Index(1), &autre, kLiaisonCoule);
  EXPECT_NE(id, 0u);
  EXPECT_EQ(GetLiaisonDestNote(staff, d.Index(3), &autre, kLiaisonCoule), id);
  // Beams: A and B are apart, B c d joined, the quarter e2 ends the group, e f joined.
  int32_t n;
  const Signe* s = GetSignesPortee(staff, &n);
  const bool joint[] = {false, true, true, false, false, true, false};
  for (int i = 0; i < 7; i++) EXPECT_EQ((s[d.Index(i)].flags & kSigneAccroche) != 0, joint[i]) << i;
}

TEST(ABCMusique, BarLinesRepeatsAndEndings) {
  struct {
    const char* musique;
    const char* ruptures;
  } cas[] = {
      {"|:C D E F|1 G A B c:|2 c B A G|]", "0|: 1[1 1] 1:| 2[2 2] 2|]"},
      {"C D E F|G A B c:|", "0|: 1:|"},
      {"|:C D E F::G A B c:|", "0|: 0:| 1|: 1:|"},
      {"|:C D E F:|:G A B c:|", "0|: 0:| 1|: 1:|"},
      {"C D E F||G A B c[|C D E F|]", "0|| 2[| 2|]"},
      {"|:C D E F|[1,3 G A B c:|[2 c B A G|]", "0|: 1[13 1] 1:| 2[2 2] 2|]"},
  };
  for (auto& c : cas) {
    DocumentABC d(Tune("M:4/4\nL:1/4\nK:C", c.musique));
    EXPECT_EQ(d.resultat, 1) << c.musique;
    EXPECT_EQ(d.Ruptures(), c.ruptures) << c.musique;
  }
}

TEST(ABCMusique, IrregularBarsTakeTheirOwnMeter) {
  // A pickup of three eighths, then 4/4 again; no empty bar after the music.
  DocumentABC d(Tune("M:4/4\nL:1/8\nK:C", "ABc|d2e2 f2g2|a8|"));
  ASSERT_EQ(d.resultat, 1);
  EXPECT_EQ(d.NbMesures(), 3);
  EXPECT_EQ(d.Mesure(0), "3/8");
  EXPECT_EQ(d.Mesure(1), "4/4");
  EXPECT_EQ(d.Mesure(2), "4/4");
  // A refused meter leaves 4/4, and the load goes on.
  DocumentABC z(Tune("M:4/0\nL:1/4\nK:C", "C D E F|G A B c|"));
  EXPECT_EQ(z.resultat, 1);
  EXPECT_EQ(z.Mesure(0), "4/4");
  EXPECT_EQ(z.NbMesures(), 2);
}

TEST(ABCMusique, VoicesKeepTheirOwnTime) {
  DocumentABC d(Tune("M:4/4\nL:1/4\nK:C\nV:1 clef=treble\nV:2 clef=bass name=\"Bass\"",
                     "[V:1] C D E F|\n[V:2] C, D, E, F,|\nV:1\nG A B c|\nV:2\nG, A, B, C|"));
  ASSERT_EQ(d.resultat, 1);
  ASSERT_EQ(d.NbPortees(), 2);
  EXPECT_EQ(d.Notes(0), "60/40320 62/40320 64/40320 65/40320 67/40320 69/40320 71/40320 72/40320");
  EXPECT_EQ(d.Notes(1), "48/40320 50/40320 52/40320 53/40320 55/40320 57/40320 59/40320 60/40320");
  EXPECT_EQ(d.NbMesures(), 2);
  Clef clef;
  CvtMesureEnClef(d.Staff(1), 0, &clef);
  EXPECT_EQ(clef.type, kClefFa);
  EXPECT_STREQ((*d.Staff(1))->aspect.nom, "Bass");
}

// Music longer than the tick range: whole-bar rests and empty bars in bars of
// 128 whole notes would run past 32 bits. The score stops growing at its
// last tick instead, and what follows still loads.
TEST(ABCMusique, MusicPastTheTickRangeStopsAtTheLastTick) {
  std::string barres;
  for (int i = 0; i < 300; i++) barres += " |";
  const std::string cas[] = {
      "C | X1000 X1000 X1000 | D",  // invisible whole-bar rests
      "C | Z1000 Z1000 Z1000 | D",  // visible ones
      "C" + barres + " D",          // empty bars filled with rests
  };
  for (const std::string& musique : cas) {
    DocumentABC d(Tune("M:128/1\nL:1/4\nK:C", musique.c_str()));
    EXPECT_EQ(d.resultat, 1) << musique.substr(0, 20);
    int32_t n = 0;
    GetSignesPortee(d.Staff(), &n);
    ASSERT_GT(n, 1) << musique.substr(0, 20);
    int64_t fin = 0;
    for (int32_t i = 0; i < n; i++)
      fin =
          std::max<int64_t>(fin, int64_t(CvtIndexNoteEnTemps(d.Staff(), i)) + GetSignesPortee(d.Staff(), &n)[i].duree);
    EXPECT_LE(fin, INT32_MAX / 2 + int64_t(128) * 161280) << musique.substr(0, 20);  // a bar of slack
  }
}

// Shapes of real files: a tune ending on a double bar line has no empty bar
// after it; text blocks and other programs' field lines are no music; a key
// field with a clef alone keeps the key; a lone ':' is a dashed bar line.
TEST(ABCFichier, WhatRealFilesHoldAroundTheMusic) {
  struct {
    const char* texte;
    int16_t mesures;
    const char* notes;
    const char* ruptures;
  } cas[] = {
      {"X:1\nT:t\nM:2/4\nL:1/4\nK:C\nC D||E F||\n", 2, "60/40320 62/40320 64/40320 65/40320", "0|| 1||"},
      {"X:1\nT:t\nM:2/4\nL:1/4\nK:C\nC D|E F.|\n", 2, "60/40320 62/40320 64/40320 65/40320", "1.|"},
      {"X:1\nT:t\nM:2/4\nL:1/4\nK:C\n%%begintext\nA text, not music.\n\n%%endtext\nC D|\n", 1, "60/40320 62/40320", ""},
      {"X:1\nT:t\nM:2/4\nL:1/4\nK:C\nC D|\nd: * !mf!|\nE F|\n", 2, "60/40320 62/40320 64/40320 65/40320", ""},
      {"X:1\nT:t\nM:2/4\nL:1/4\nK:D\nF C|[K:bass]F C|[K:alto4]F C|\n", 3,
       "66/40320 61/40320 66/40320 61/40320 66/40320 61/40320", ""},
      {"X:1\nT:t\nM:2/4\nL:1/4\nK:C\nC D:E F|\n", 2, "60/40320 62/40320 64/40320 65/40320", "0.|"},
  };
  for (auto& c : cas) {
    DocumentABC d(c.texte);
    EXPECT_EQ(d.resultat, 1) << c.texte;
    EXPECT_EQ(d.NbMesures(), c.mesures) << c.texte;
    EXPECT_EQ(d.Notes(), c.notes) << c.texte;
    EXPECT_EQ(d.Ruptures(), c.ruptures) << c.texte;
  }
  // The clef changes and the key stays.
  DocumentABC d(cas[4].texte);
  Clef clef;
  CvtMesureEnClef(d.Staff(), 2, &clef);
  EXPECT_EQ(clef.type, kClefUt);
  EXPECT_EQ(clef.decalageLigne, 1);
  Tonalite cle;
  CvtMesureEnTonalite(d.Staff(), 2, &cle);
  EXPECT_EQ(cle.alterations[3], 1);
}

TEST(ABCFichier, HeaderFieldsAndTitles) {
  DocumentABC d(
      "X:1\nT:Title\nT:Second\nC:Trad.\nS:Session\nN:Note\nZ:me\nR:reel\nM:C|\nL:1/8\nQ:1/4=132\nK:Em\n"
      "EFGA B2e2|\n");
  ASSERT_EQ(d.resultat, 1);
  EXPECT_STREQ(d.doc->titres[0].texte, "Title\rSecond");
  EXPECT_STREQ(d.doc->titres[1].texte, "Trad.");
  EXPECT_STREQ(d.doc->titres[2].texte, "Note\rSource : Session\rTransc. : me\rRhythm : reel");
  EXPECT_EQ((*d.Score())->tempo, 132);
  Tonalite cle;
  CvtMesureEnTonalite(d.Staff(), 0, &cle);
  EXPECT_EQ(cle.alterations[3], 1);
  EXPECT_EQ(d.Mesure(0), "2/2");
}

TEST(ABCFichier, TempoChangesBecomeTempoMarks) {
  DocumentABC d(Tune("M:4/4\nL:1/4\nQ:1/4=100\nK:C", "C D E F|[Q:1/4=60] G A B c|"));
  ASSERT_EQ(d.resultat, 1);
  EXPECT_EQ((*d.Score())->tempo, 100);
  EXPECT_FLOAT_EQ(CvtTempsEnTempo(d.Score(), 40320), 100.0f);
  EXPECT_FLOAT_EQ(CvtTempsEnTempo(d.Score(), 161280 + 40320), 60.0f);
}

TEST(ABCFichier, TunesPartsAndFailures) {
  const std::string deux = "X:1\nT:One\nK:C\nCDEF|\n\nX:2\nT:Two\nK:G\ngfed|\n";
  {
    DocumentABC d(deux, 1);
    EXPECT_EQ(d.resultat, 1);
    EXPECT_EQ(d.tune, 1);
    EXPECT_STREQ(d.doc->titres[0].texte, "Two");
    EXPECT_EQ(d.Notes(), "79/20160 78/20160 76/20160 74/20160");
  }
  {
    DocumentABC d(deux, 5);
    EXPECT_EQ(d.resultat, 0);
    DocumentABC tous(deux, -1);  // several tunes, not the application's own file
    EXPECT_EQ(tous.resultat, 0);
    DocumentABC vide("% nothing but a comment\n");
    EXPECT_EQ(vide.resultat, 0);
  }
  {
    // A file without 'X:' still holds its tune.
    DocumentABC d("T:Loose\nK:C\nCDEF|\n");
    EXPECT_EQ(d.resultat, 1);
    EXPECT_EQ(d.Notes(), "60/20160 62/20160 64/20160 65/20160");
  }
  {
    // Parts in the order of 'P:', with repeats of groups; a part defined
    // twice is not made again, so its music goes on in the current part.
    DocumentABC d("X:1\nT:t\nP:(AB)2C\nL:1/4\nK:C\nP:A\nC|\nP:B\nD|\nP:C\nE|\nP:B\nF|\n");
    EXPECT_EQ(d.resultat, 1);
    EXPECT_EQ(d.Notes(), "60/40320 62/40320 60/40320 62/40320 64/40320 65/40320");
  }
  {
    // Illegal characters are passed over; the out-pointer may be null.
    const char texte[] = "X:1\nT:t\nL:1/4\nK:C\nC w D \x7F E 0 F|\n";
    DocumentABC d(texte);
    EXPECT_EQ(d.resultat, 1);
    EXPECT_EQ(d.Notes(), "60/40320 62/40320 64/40320 65/40320");
    EXPECT_EQ(ChargeMusiqueABCOctets(d.doc, reinterpret_cast<const uint8_t*>(texte), sizeof texte - 1, 0, nullptr), 1);
  }
}

}  // namespace
