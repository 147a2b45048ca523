// Laws: the defaults and copies of new laws, which notes a law selects (by
// pitch, pitch class, key, accidental, selectors, level and mark), the first
// law that selects a note, the fundamental of the sounding chord and laws
// relative to it, and the removal of playback's volatile staves.
#include "BarTableFixtures.h"
#include "model/Lois.h"
#include "model/TonaliteMaths.h"

namespace {

struct LoisTest : BarTableTest {
  Portee** staff;
  LoisTest() {
    Mesures(4);
    staff = Portee0();
  }
  Loi& L(int32_t i) {
    int32_t n;
    return GetLoisPortee(staff, &n)[i];
  }
  int32_t Nouvelle(int16_t hauteur) {
    int32_t i = NewLoi(staff);
    Loi& l = L(i);
    l.hauteur = hauteur;
    l.horsOctave = 0;
    l.modeTonalite = 0;
    l.fournitFondamentale = l.relatifFondamentale = 0;
    return i;
  }
  void Tonalite(int16_t std) {
    ::Tonalite key;
    CvtTonaliteStdEnTonalite(std, 1, &key);
    InsereEltTabTonalite(staff, 0, &key, nullptr, 0, 0, -1);
  }
};

Signe Note(int8_t kind, uint8_t velocity = 64) {
  Signe s;
  RazNote(&s, kind, 40320);
  s.velocity = velocity;
  s.octetOption1 = 0xFF;           // selector A: none
  s.motAvantDureeEcrite = 0xFFFF;  // selector B: none
  return s;
}

TEST_F(LoisTest, FirstLawDefaultsAndCopiesWithMarksOfTheirOwn) {
  (*staff)->instrument = 3;
  ASSERT_EQ(NewLoi(staff), 0);
  const Loi& a = L(0);
  EXPECT_EQ(a.selecteurA, -1);
  EXPECT_EQ(a.hauteur, -1);
  EXPECT_EQ(a.selecteurB, 65535);
  EXPECT_EQ(a.valeurPortee, 3);
  EXPECT_EQ(a.modeLegende, 1);
  EXPECT_EQ(a.ajustAlteration, 2);
  EXPECT_EQ(a.plageBas, 0);
  EXPECT_EQ(a.plageHaut, 127);
  EXPECT_EQ(a.plageHaut2, 127);
  EXPECT_EQ(a.dureeJeu, 80640);
  EXPECT_EQ(a.note.kind, 60);
  EXPECT_EQ(a.effets.note, -1);

  L(0).selectionnee = 1;
  L(0).hauteur = 62;
  L(0).effets.marks = NewHandleClear(Size(sizeof(Mark)));
  ASSERT_EQ(NewLoi(staff), 1);
  EXPECT_EQ(L(1).selectionnee, 0);
  EXPECT_EQ(L(1).hauteur, 62);
  ASSERT_NE(L(1).effets.marks, nullptr);
  EXPECT_NE(L(1).effets.marks, L(0).effets.marks);
  EXPECT_EQ(GetNbMarks(L(1).effets.marks), 1);
  // Both mark lists go with the laws (a shared handle would be freed twice).
  DisposeLoisPortee(staff);
  EXPECT_EQ((*staff)->nbLois, 0);
  EXPECT_EQ((*staff)->lois, nullptr);
}

TEST_F(LoisTest, WhichNotesALawSelects) {
  const int32_t exacte = Nouvelle(60);
  const int32_t classe = Nouvelle(60);
  L(classe).horsOctave = 1;
  const int32_t toute = Nouvelle(-1);
  const int32_t selA = Nouvelle(-1);
  L(selA).selecteurA = 3;
  const int32_t selB = Nouvelle(-1);
  L(selB).selecteurB = 7;
  const int32_t plage = Nouvelle(-1);
  L(plage).testPlage = 1;
  L(plage).plageBas = 10;
  L(plage).plageHaut = 20;

  Signe selA3 = Note(50), selA4 = Note(50), selB7 = Note(50), selB8 = Note(50);
  selA3.octetOption1 = 3;
  selA4.octetOption1 = 4;
  selB7.motAvantDureeEcrite = 7;
  selB8.motAvantDureeEcrite = 8;
  const struct {
    const char* nom;
    int32_t loi;
    Signe note;
    bool attendu;
  } cas[] = {
      {"exact pitch", exacte, Note(60), true},
      {"another octave", exacte, Note(72), false},
      {"every C", classe, Note(36), true},
      {"every C", classe, Note(120), true},
      {"not C sharp", classe, Note(61), false},
      {"a rest never matches a pitch", classe, Note(kSigneSilence), false},
      {"no pitch: anything", toute, Note(kSigneSilence), true},
      {"selector A equal", selA, selA3, true},
      {"selector A differs", selA, selA4, false},
      {"note without selector A", selA, Note(50), true},
      {"selector B equal", selB, selB7, true},
      {"selector B differs", selB, selB8, false},
      {"note without selector B", selB, Note(50), true},
      {"level inside", plage, Note(50, 15), true},
      {"level at the edges", plage, Note(50, 20), true},
      {"level outside", plage, Note(50, 21), false},
      {"a rest's level is not tested", plage, Note(kSigneSilence, 90), true},
  };
  for (const auto& c : cas)
    EXPECT_EQ(IsNoteMatchLoi(staff, &c.note, &L(c.loi), 0), c.attendu) << c.nom << " " << int(c.note.kind);
}

TEST_F(LoisTest, MarksAreLookedUpInTheNotesEffects) {
  const int32_t l = Nouvelle(-1);
  L(l).testMark = uint16_t(kMarkStaccato << 8 | 1);
  AjouteSigne(staff, 60, 40320);
  AjouteSigne(staff, 62, 40320);
  AddMarkNote(staff, 0, kMarkStaccato, 0, 0, 0);
  int32_t n;
  const Signe* s = GetSignesPortee(staff, &n);
  const Loi law = L(l);
  EXPECT_TRUE(IsNoteMatchLoi(staff, &s[0], &law, 0));
  EXPECT_FALSE(IsNoteMatchLoi(staff, &s[1], &law, 40320));
  EXPECT_FALSE(IsNoteMatchLoi(nullptr, &s[0], &law, 0));
  L(l).testMark = uint16_t(kMarkStaccato << 8);  // low byte 0: no test
  EXPECT_TRUE(IsNoteMatchLoi(staff, &s[1], &L(l), 40320));
}

TEST_F(LoisTest, LawsMovedToTheKeyAndAccidentalsAgainstIt) {
  const int32_t c = Nouvelle(60);
  L(c).modeTonalite = 1;  // C is read as the key's tonic
  const int32_t classe = Nouvelle(60);
  L(classe).modeTonalite = 1;
  L(classe).horsOctave = 1;
  const struct {
    int16_t tonalite;  // standard key index: 1..7 sharps, 8..14 flats
    int32_t loi;
    int8_t note;
    bool attendu;
  } transposees[] = {
      {0, c, 60, true},
      {2, c, 62, true},
      {2, c, 60, false},
      {2, classe, 74, true},
      {9, c, 58, true},
      {9, classe, 46, true},
      {9, classe, 70, true},
      {9, c, 70, false},
      // F sharp and G flat major: the tonic is 6 semitones up, kept at +6;
      // C flat major: one down.
      {6, c, 66, true},
      {13, c, 66, true},
      {14, c, 59, true},
      {14, classe, 71, true},
  };
  for (const auto& t : transposees) {
    Tonalite(t.tonalite);
    Signe n = Note(t.note);
    EXPECT_EQ(IsNoteMatchLoi(staff, &n, &L(t.loi), 0), t.attendu)
        << "key " << t.tonalite << " law " << t.loi << " note " << int(t.note);
  }

  // In G major: F sharp is the key's own, F natural lowers it by a semitone.
  Tonalite(1);
  const int32_t fa = Nouvelle(65);
  L(fa).horsOctave = 1;
  L(fa).modeTonalite = 0x0100;
  const struct {
    uint8_t ajust;
    int8_t note;
    bool attendu;
  } alterations[] = {
      {3, 65, true},   // natural on a sharp degree: -1 asked
      {2, 65, false},  // no adjustment: the key's F sharp is wanted
      {2, 77, false},
  };
  for (const auto& a : alterations) {
    L(fa).ajustAlteration = a.ajust;
    Signe n = Note(a.note);
    EXPECT_EQ(IsNoteMatchLoi(staff, &n, &L(fa), 0), a.attendu) << int(a.ajust) << " " << int(a.note);
  }
  const int32_t faDiese = Nouvelle(66);
  L(faDiese).horsOctave = 1;
  L(faDiese).modeTonalite = 0x0100;
  for (uint8_t ajust : {uint8_t(0), uint8_t(2)}) {
    L(faDiese).ajustAlteration = ajust;
    Signe n = Note(78);
    EXPECT_TRUE(IsNoteMatchLoi(staff, &n, &L(faDiese), 0)) << int(ajust);
  }
  L(faDiese).ajustAlteration = 1;
  Signe n = Note(66);
  EXPECT_FALSE(IsNoteMatchLoi(staff, &n, &L(faDiese), 0));
}

TEST_F(LoisTest, TheFirstLawThatSelectsANote) {
  const int32_t re = Nouvelle(62);
  const int32_t ut = Nouvelle(60);
  L(ut).horsOctave = 1;
  Nouvelle(-1);
  const struct {
    int32_t premiere;
    int8_t note;
    int32_t attendu;
  } cas[] = {{0, 72, ut}, {0, 62, re}, {1, 62, 2}, {0, 61, 2}, {3, 60, -1}, {-5, 62, re}};
  for (const auto& c : cas) {
    Signe n = Note(c.note);
    EXPECT_EQ(RechercheLoiSelonNote(staff, c.premiere, &n, 0), c.attendu) << c.premiere << " " << int(c.note);
  }
  DisposeLoisPortee(staff);
  Signe n = Note(60);
  EXPECT_EQ(RechercheLoiSelonNote(staff, 0, &n, 0), -1);
}

// A C major chord (held a half note), then a D minor one, on the first staff;
// a second staff holds the laws that listen to the fundamental.
struct FondamentaleTest : LoisTest {
  Portee** autre;
  FondamentaleTest() {
    autre = NewPortee(score, kTypePorteeStandard);
    for (int8_t p : {67, 64, 60}) AjouteSigne(staff, p, 80640, 100, p == 60 ? 0 : kSigneAccordSuite);
    for (int8_t p : {69, 65, 62}) AjouteSigne(staff, p, 80640, 100, p == 62 ? 0 : kSigneAccordSuite);
    // The lowest note of a chord gives its fundamental: a pitch class below E.
    const int32_t f = NewLoi(staff);
    L(f).fournitFondamentale = 1;
    L(f).testPlage = 1;
    L(f).plageHaut = 63;
    // Level = pitch, so that the range picks the low notes.
    int32_t n;
    Signe* s = GetSignesPortee(staff, &n);
    for (int32_t i = 0; i < n; i++) s[i].velocity = uint8_t(s[i].kind);
  }
  bool Relative(int16_t interval, int8_t note, int32_t tick) {
    int32_t i = NewLoi(autre);
    int32_t n;
    Loi& l = GetLoisPortee(autre, &n)[i];
    l.relatifFondamentale = 1;
    l.hauteur = int16_t(kLoiHauteurFondamentale + interval);
    Signe s = Note(note);
    bool r = IsNoteMatchLoi(autre, &s, &l, tick);
    DisposeLoisPortee(autre);
    return r;
  }
};

TEST_F(FondamentaleTest, TheSoundingChordGivesTheFundamental) {
  const struct {
    int32_t tick;
    int16_t attendu;
  } cas[] = {{0, 60}, {40320, 60}, {80639, 60}, {80640, 62}, {100000, 62}, {161280 * 3, -1}};
  for (const auto& c : cas) EXPECT_EQ(RechercheHauteurFondamentale(score, c.tick), c.attendu) << c.tick;

  // A third above C is E in any octave; a fifth above D is A.
  EXPECT_TRUE(Relative(4, 76, 40320));
  EXPECT_FALSE(Relative(4, 77, 40320));
  EXPECT_TRUE(Relative(7, 57, 90000));
  EXPECT_FALSE(Relative(7, 55, 90000));
  EXPECT_FALSE(Relative(0, 60, -1));
  EXPECT_FALSE(Relative(0, 60, 161280 * 3));
}

// A law that provides the fundamental relative to the fundamental would start
// the search again inside itself: it provides nothing.
TEST_F(FondamentaleTest, ALawRelativeToTheFundamentalNeverProvidesIt) {
  L(0).relatifFondamentale = 1;
  L(0).hauteur = 60;
  EXPECT_EQ(RechercheHauteurFondamentale(score, 0), -1);
  Signe s = Note(60);
  EXPECT_FALSE(IsNoteMatchLoi(staff, &s, &L(0), 0));
  // Put before a plain provider, it is passed over.
  const int32_t plain = NewLoi(staff);
  L(plain).relatifFondamentale = 0;
  L(plain).hauteur = 62;
  EXPECT_EQ(RechercheHauteurFondamentale(score, 90000), 62);
  EXPECT_EQ(RechercheHauteurFondamentale(score, 0), -1);
}

TEST_F(LoisTest, VolatileStavesOfPlaybackGo) {
  const uint32_t kinds[] = {kVolatileLoi, 0, kVolatileRepeteDerniereMesure, kVolatileAccompagnement, kVolatileLoi};
  for (uint32_t k : kinds) (*NewPortee(score, kTypePorteeStandard))->typeVolatile = k;
  SupprimePorteesVolatilesLois(score);
  ASSERT_EQ((*score)->nbPortees, 3);
  EXPECT_EQ((*(*score)->portees[0])->typeVolatile, 0u);
  EXPECT_EQ((*(*score)->portees[1])->typeVolatile, 0u);
  EXPECT_EQ((*(*score)->portees[2])->typeVolatile, kVolatileAccompagnement);
}

}  // namespace
