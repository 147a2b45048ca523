// The tablature record of a staff: creation by kind, the record that serves
// the staves of a merged group, the calculation flags and useful heights; the
// fretted kind's labels, pitches, positions and drawing; the tablature staff
// type's note and bar passes.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "model/BarTableFixtures.h"
#include "model/ParamEffet.h"
#include "model/Portee.h"
#include "model/QRVPOBJ.h"
#include "model/Signe.h"
#include "notation/NotationFixtures.h"
#include "platform/TextDraw.h"
#include "stafftypes/PorteeQuarvel.h"
#include "stafftypes/Tablature.h"
#include "stafftypes/TablatureGuitare.h"

namespace {

struct TablatureTest : BarTableTest {
  EnvNotation env;
  static void SetUpTestSuite() { ActiveFonteMusicale(); }
  TablatureTest() { Mesures(4); }

  // A staff of the type with the record's strings: open pitches from the
  // first line down, 20 frets each.
  Portee** Staff(uint32_t type, std::vector<int> pitches = {64, 59, 55, 50, 45, 40}, int32_t mode = kModeChiffres) {
    Portee** s = NewPortee(score, type);
    Portee& p = **s;
    p.rect = Rect{100, 0, 300, 600};
    p.aspect.tailleUnite = 72;
    p.interligne = 6.0f;
    p.decalageLigneBas = 40;
    Tablature** t = NewTablature(s, 0);
    if (!t) return s;
    (*t)->nbCordes = uint16_t(pitches.size());
    for (size_t i = 0; i < pitches.size(); i++) (*t)->cordes[i] = CordeTablature{{uint16_t(pitches[i]), 20, 0}};
    (*t)->modeNumeros = mode;
    (*t)->ligneBase = 20;
    (*t)->styles[kStyleTablatureNote].size = 11;  // 12-pixel line spacing at 72 dpi
    ReCalculeInterneGraphTablatureGuitare(s);
    return s;
  }
  static Tablature* T(Portee** s) { return *GetTablature(s); }
  static Signe Note(int pitch, int string, int fret) {
    Signe n;
    RazNote(&n, int8_t(pitch), 960);
    n.tablatureCorde = uint8_t(string);
    n.tablatureCase = uint8_t(fret);
    return n;
  }
  // The texts drawn, in order.
  static std::vector<std::string> Textes(const std::vector<std::string>& ops) {
    std::vector<std::string> out;
    for (const std::string& op : ops) {
      const size_t q = op.find('"');
      if (q == std::string::npos || op.rfind("LongText", 0) != 0) continue;
      out.push_back(op.substr(q + 1, op.rfind('"') - q - 1));
    }
    return out;
  }
  static int Compte(const std::vector<std::string>& ops, const char* prefix) {
    return int(Filtre(ops, {prefix}).size());
  }
};

TEST_F(TablatureTest, NewRecordsByKind) {
  Portee** s = NewPortee(score, kTypePorteeStandard);
  (*s)->decalageLigneBasBaseRuban = 30;
  Tablature** t = NewTablature(s, 0);
  ASSERT_NE(t, nullptr);
  const Tablature& r = **t;
  // The fretted kind: its fingering weights and every slot but the palette
  // and the settings dialog.
  EXPECT_EQ(r.envergure, 5);
  EXPECT_EQ(r.poidsCase, 20);
  EXPECT_EQ(r.poidsCordeVide, 0);
  EXPECT_EQ(r.poidsChangementCorde, 1);
  EXPECT_EQ(r.poidsEcart, 200);
  EXPECT_EQ(r.profondeur, 8);
  EXPECT_EQ(r.vecteurs.TraceNote, &TraceNoteTablatureGuitare);
  EXPECT_EQ(r.vecteurs.CvtNoteToEcr, &CvtNoteToEcrTablatureGuitare);
  EXPECT_EQ(r.vecteurs.PopUpSelectCase, nullptr);
  EXPECT_EQ(r.vecteurs.SelectParam, nullptr);
  EXPECT_EQ(r.ligneBase, 46);
  EXPECT_EQ(r.flagsAffichage, kTablatureAfficheNotation);
  for (uint8_t f : {r.afficheCapo, r.marquesDessinees, r.liaisonsDessinees, r.effaceDerriere, r.suitOctaves,
                    r.teteHarmoniques, r.partageGroupe})
    EXPECT_EQ(f, 1);
  EXPECT_EQ(r.afficheTAB, 0);
  // A record of no known kind gets no slot; a second call keeps the record.
  Portee** autre = NewPortee(score, kTypePorteeStandard);
  Tablature** u = NewTablature(autre, 1);
  ASSERT_NE(u, nullptr);
  VecteursTablature vide{};
  EXPECT_EQ(std::memcmp(&(*u)->vecteurs, &vide, sizeof vide), 0);
  EXPECT_EQ(NewTablature(autre, 0), u);
  // Without a record a staff takes no tablature type.
  Portee** sans = NewPortee(score, kTypePorteeStandard);
  InitPorteeTablature(sans);
  EXPECT_EQ((*sans)->type, kTypePorteeStandard);
}

TEST_F(TablatureTest, MergedStavesShareTheFirstStaffsRecord) {
  Portee** a = Staff(kTypePorteeStandard);
  Portee** b = NewPortee(score, kTypePorteeStandard);
  (*a)->fusionneAvecSuivante = 1;
  (*a)->modeFusion = kFusionMaitre;
  (*b)->modeFusion = kFusionMembre;
  ASSERT_EQ((*b)->tablature, nullptr);
  EXPECT_EQ(GetTablature(b), GetTablature(a));
  EXPECT_TRUE(IsTablatureVisible(b));
  EXPECT_EQ(GetPorteeFromTablature(score, GetTablature(b)), a);
  T(a)->partageGroupe = 0;
  EXPECT_EQ(GetTablature(b), nullptr);
  EXPECT_NE(GetTablature(a), nullptr);  // its own record serves it still
  // A staff out of its score's list keeps its own record; a bad index has none.
  Tablature** sien = GetTablature(a);
  (*a)->index = 1;
  EXPECT_EQ(GetTablature(a), sien);
  (*a)->index = 9;
  EXPECT_EQ(GetTablature(a), nullptr);
  (*a)->index = 0;
  EXPECT_EQ(GetTablature(nullptr), nullptr);

  // A window on the group's record forwards to the first staff's slots.
  T(a)->partageGroupe = 1;
  Tablature** propre = NewTablature(b, 0);
  ASSERT_NE(propre, nullptr);
  (*propre)->partageGroupe = 0;
  ClearVecteursTablature(b);
  EXPECT_EQ((*propre)->vecteurs.TraceFond, nullptr);
  EXPECT_EQ((*propre)->vecteurs.CvtNoteToEcr, &CvtNoteToEcrTablatureFusion);
  EXPECT_EQ((*propre)->vecteurs.CvtNoteToRuban, &CvtNoteToRubanTablatureGuitare);  // kept
  // The forwarder reaches the slot of the first staff's record, with staff b.
  T(a)->vecteurs.CvtNoteToEcr = [](Portee** staff, int32_t, int32_t, const Signe*, uint8_t*) -> int16_t {
    return int16_t((*staff)->index + 700);
  };
  const Signe n = Note(55, 2, 0);
  EXPECT_EQ(CvtNoteToEcrTablatureFusion(b, 0, -1, &n, nullptr), 701);
  T(a)->vecteurs.CvtNoteToEcr = nullptr;
  EXPECT_EQ(CvtNoteToEcrTablatureFusion(b, 0, -1, &n, nullptr), 0);
}

TEST_F(TablatureTest, FingeringIsAskedForOnStavesOfOtherTypesOnly) {
  Portee** tab = Staff(kTypePorteeTablature);
  Portee** std = Staff(kTypePorteeStandard);
  EXPECT_FALSE(IsNecessaireCalculTablature(tab));
  EXPECT_TRUE(IsNecessaireCalculTablature(std));
  T(std)->calculee = 1;
  EXPECT_FALSE(IsNecessaireCalculTablature(std));
  T(std)->suitOctaves = 0;
  FixeTablatureNonCalculeePourOttava(std);
  EXPECT_FALSE(IsNecessaireCalculTablature(std));
  FixeTablatureNonCalculee(std);
  EXPECT_TRUE(IsNecessaireCalculTablature(std));
  // Notes added mark it too.
  T(std)->calculee = 1;
  const Signe n = Note(60, 1, 1);
  AjouteNote(std, &n, 0, 1);
  EXPECT_TRUE(IsNecessaireCalculTablature(std));
}

TEST_F(TablatureTest, UsefulHeightAndLines) {
  const struct {
    int strings;
    int32_t mode;
    uint32_t kind;
    int spacings;  // useful height in line spacings
    int lines;     // lines drawn
  } cas[] = {
      {6, kModeChiffres, 0, 5, 6},   {6, kModeLuth, 0, 5, 6},
      {10, kModeLuth, 0, 5, 6},      {4, kModeKountigui, 0, 1, 1},
      {10, kModeChiffres, 0, 9, 10}, {4, kModeLuth, kTablatureHarmonica, 3, 4},  // other kinds: the stored height
  };
  for (const auto& c : cas) {
    std::vector<int> pitches(size_t(c.strings), 60);
    Portee** s = Staff(kTypePorteeTablature, pitches, c.mode);
    Tablature** t = GetTablature(s);
    (*t)->kind = c.kind;
    if (c.kind == kTablatureHarmonica) (*t)->hauteur = 36;
    EXPECT_EQ(GetHauteurUtileTablature(t), c.spacings * 12) << c.strings << " " << c.mode;
    (*t)->kind = 0;
    const Rect r = (*s)->rect;
    const auto ops = Enregistre([&] { TraceFondTablatureGuitare(s, &r, &r, 120, 0); });
    EXPECT_EQ(Compte(ops, "PaintRect") + Compte(ops, "Line "), c.lines) << c.strings << " " << c.mode;
  }
}

TEST_F(TablatureTest, FretLabelsByMode) {
  const struct {
    int32_t mode;
    int16_t capo, fret, string;
    const char* label;
  } cas[] = {
      {kModeChiffres, 0, 12, 0, "12"}, {kModeLuth, 0, 2, 8, "//c"},     {kModeLuth, 0, 0, 11, "5"},
      {kModeLuth, 0, 1, 11, "5b"},     {kModeLuth, 0, 3, 6, "d"},       {kModeLuth, 0, 9, 7, "/k"},
      {kModeLuth, 0, 30, 0, "30"},     {kModeDulcimer, 0, 6, 0, "3+"},  {kModeDulcimer, 0, 7, 0, "4"},
      {kModeDulcimer, 0, 12, 0, "7"},  {kModeDulcimer, 2, 0, 0, "0"},  // the capo's fret reads 0 again
      {kModeShamisen, 0, 4, 0, "#"},   {kModeShamisen, 0, 20, 0, "17"}, {kModeKountigui, 0, 0, 5, "4+"},
      {kModeKountigui, 0, 0, 7, "?"},
  };
  Portee** s = Staff(kTypePorteeTablature);
  for (const auto& c : cas) {
    T(s)->modeNumeros = c.mode;
    T(s)->capo = c.capo;
    char text[16];
    CvtShortToStringTablature(s, text, c.fret, c.string);
    EXPECT_STREQ(text, c.label) << c.mode << " " << c.fret << " " << c.string;
  }
  // A harmonic head writes its label between angle brackets, when the record
  // writes harmonics; a fret past 100 is unknown.
  T(s)->modeNumeros = kModeChiffres;
  T(s)->capo = 0;
  Signe h = Note(76, 0, 12);
  h.formeTete = 2;
  char text[32];
  CalculeTexteNoteTablature(s, &h, text);
  EXPECT_STREQ(text, "<12>");
  T(s)->teteHarmoniques = 0;
  CalculeTexteNoteTablature(s, &h, text);
  EXPECT_STREQ(text, "12");
  h.tablatureCase = 101;
  CalculeTexteNoteTablature(s, &h, text);
  EXPECT_STREQ(text, "?");
}

TEST_F(TablatureTest, PitchesAndPositions) {
  Portee** s = Staff(kTypePorteeTablature);
  T(s)->cordes[1].valeurs[2] = 5;  // the second string starts at fret 5
  EXPECT_EQ(CalculeHauteurNoteTablatureGuitare(s, 0, 3), 67);
  EXPECT_EQ(CalculeHauteurNoteTablatureGuitare(s, 1, 7), 61);
  EXPECT_EQ(CalculeHauteurNoteTablatureGuitare(s, 1, 0), 59);
  T(s)->capo = 2;
  EXPECT_EQ(CalculeHauteurNoteTablatureGuitare(s, 0, 0), 66);
  T(s)->modeNumeros = kModeDulcimer;
  EXPECT_EQ(CalculeHauteurNoteTablatureGuitare(s, 0, 0), 68);  // the dulcimer's fret 2 is 4 semitones
  T(s)->modeNumeros = kModeChiffres;
  uint8_t corde = 0, fret = 0;
  CalculeCordeCaseNoteTablatureGuitare(s, 66, &corde, &fret);
  EXPECT_EQ(corde, 0);
  EXPECT_EQ(fret, 0);
  CalculeCordeCaseNoteTablatureGuitare(s, 30, &corde, &fret);
  EXPECT_EQ(corde, 255);
  EXPECT_EQ(fret, 255);
  const int16_t dulcimer[][2] = {{0, 0}, {1, 2}, {3, 5}, {6, 10}, {7, 12}, {9, 16}};
  for (const auto& d : dulcimer) EXPECT_EQ(CvtCaseDulcimerEnDemiTon(d[0]), d[1]) << d[0];
  EXPECT_EQ(CalculePosCaseHarmoniqueGuitare(40, 52), 12);
  EXPECT_EQ(CalculePosCaseHarmoniqueGuitare(40, 59), 7);
  EXPECT_EQ(CalculePosCaseHarmoniqueGuitare(40, 53), -1);

  // Notes on their lines (first line at 100 + 20, 12 apart); rests two
  // staff interlines under the first line; the vertical offset zoomed.
  const struct {
    int32_t mode;
    int string;
    int y;
  } lignes[] = {{kModeChiffres, 3, 156}, {kModeLuth, 4, 168}, {kModeLuth, 9, 192}, {kModeKountigui, 4, 120}};
  for (const auto& l : lignes) {
    T(s)->modeNumeros = l.mode;
    const Signe n = Note(60, l.string, 1);
    uint8_t flags = 0;
    EXPECT_EQ(CvtNoteToEcrTablatureGuitare(s, 0, -1, &n, &flags), l.y) << l.mode << " " << l.string;
    EXPECT_EQ(flags, 2);
  }
  T(s)->modeNumeros = kModeChiffres;
  Signe pause;
  RazNote(&pause, kSigneSilence, 960);
  EXPECT_EQ(CvtNoteToEcrTablatureGuitare(s, 0, -1, &pause, nullptr), 132);
  T(s)->decalageVertical = 3;
  EXPECT_EQ(CvtNoteToEcrTablatureGuitare(s, 0, -1, &pause, nullptr), 135);
}

TEST_F(TablatureTest, NotesAreWrittenOnTheirStrings) {
  Portee** s = Staff(kTypePorteeTablature);
  const Signe n = Note(62, 1, 3);
  const int32_t i = AjouteNote(s, &n, 0, 1);
  ASSERT_GE(i, 0);
  auto ops = Enregistre([&] { TraceNoteTablatureGuitare(s, 50, 40, i, &n, -1); });
  EXPECT_EQ(Textes(ops), std::vector<std::string>{"3"});
  EXPECT_EQ(Compte(ops, "EraseRect"), 1);
  EXPECT_EQ(Compte(ops, "FrameOval"), 0);
  // A circled note is framed; without erasing nothing is erased.
  T(s)->effaceDerriere = 0;
  AddMarkNote(s, i, 6, 0, 0, 0);
  int32_t count = 0;
  Signe circled = GetSignesPortee(s, &count)[i];
  ops = Enregistre([&] { TraceNoteTablatureGuitare(s, 50, 40, i, &circled, -1); });
  EXPECT_EQ(Compte(ops, "FrameOval"), 1);
  EXPECT_EQ(Compte(ops, "EraseRect"), 0);
  // A cross head draws the cross glyph instead of its fret; a note without a
  // fret writes a question mark.
  Signe croix = circled;
  croix.formeTete = 3;
  ops = Enregistre([&] { TraceNoteTablatureGuitare(s, 50, 40, i, &croix, -1); });
  EXPECT_EQ(Glyphes(Filtre(ops, {"LongText"})).front(), 192);
  Signe sans = Note(62, 255, 255);
  ops = Enregistre([&] { TraceNoteTablatureGuitare(s, 50, 40, -1, &sans, -1); });
  EXPECT_EQ(Textes(ops), std::vector<std::string>{"?"});
  // A rest is drawn only when rests are shown.
  Signe pause;
  RazNote(&pause, kSigneSilence, 960);
  EXPECT_TRUE(Enregistre([&] { TraceNoteTablatureGuitare(s, 50, 40, -1, &pause, -1); }).empty());
  T(s)->flagsAffichage |= kTablatureAfficheSilences;
  EXPECT_FALSE(Glyphes(Enregistre([&] { TraceNoteTablatureGuitare(s, 50, 40, -1, &pause, -1); })).empty());
}

TEST_F(TablatureTest, StandardNotationAndTablatureOnOneStaff) {
  Portee** s = Staff(kTypePorteeTablature);
  InitPorteeTablature(s);
  ASSERT_EQ((*s)->type, kTypePorteeTablature);
  EXPECT_EQ((*s)->vecteurs.vect_Note2Ecr, &CvtNoteToEcrTablatureGuitare);
  const Signe n = Note(62, 1, 3);
  const int32_t i = AjouteNote(s, &n, 0, 1);
  int32_t count = 0;
  Signe* signs = GetSignesPortee(s, &count);
  T(s)->flagsAffichage = kTablatureAfficheNotation | kTablatureAfficheTablature;
  const auto ops = Enregistre([&] { (*s)->vecteurs.vect_trace_notes(s, 50, 40, signs, 0, i, count, 0, -1, 0); });
  // The head in standard notation; the staff's note slots are the record's again.
  EXPECT_FALSE(Glyphes(ops).empty());
  EXPECT_EQ((*s)->vecteurs.vect_Note2Ecr, &CvtNoteToEcrTablatureGuitare);
  EXPECT_EQ((*s)->vecteurs.vect_Note2Ruban, &CvtNoteToRubanTablatureGuitare);
  // After reading, the slots of the kind come back with the staff's.
  (*s)->vecteurs.vect_Note2Ecr = nullptr;
  T(s)->vecteurs = VecteursTablature{};
  InitVecteursTablature(s, 7);
  EXPECT_EQ((*s)->vecteurs.vect_Note2Ecr, &CvtNoteToEcrTablatureGuitare);
  EXPECT_EQ(T(s)->vecteurs.TraceNote, &TraceNoteTablatureGuitare);
  Portee** std = Staff(kTypePorteeStandard);
  InitVecteursTablature(std, 0);
  EXPECT_EQ((*std)->vecteurs.vect_Note2Ecr, &VectNoteToEcrCleSol);
  // A staff of another type keeps its own note positions.
  Portee** autre = Staff(kTypePorteeGregorien);
  (*autre)->vecteurs.vect_Note2Ecr = &CvtNoteToRubanTablatureGuitare;
  InitVecteursTablature(autre, 0);
  EXPECT_EQ((*autre)->vecteurs.vect_Note2Ecr, &CvtNoteToRubanTablatureGuitare);
}

TEST_F(TablatureTest, MarksAroundATablatureNote) {
  Portee** s = Staff(kTypePorteeTablature);
  const Signe n = Note(62, 1, 3);
  SetStyleTablature(s, &n);
  const int32_t w = TextWidth("3", 0, 1);
  // From the note's point (100, 144): placement, dx, dy.
  const struct {
    uint8_t place;
    int8_t dx, dy;
    int32_t x, y;
  } cas[] = {
      {0, 0, 0, 100 + w / 2, 144 - 6 - 6},
      {32, 0, 2, 100 - 8, 144 - 2},
      {64, 1, 0, 100 + w / 2 + 1, 156},
      {96, 0, 0, 100 + w + 7, 144},
      {128, 0, 2, 100 + w / 2, 120 - 6 - 2},
      {192, 0, 0, 100 + w / 2, 120 + 6 + 60},
      {7, 3, 5, 103, 144},
  };
  for (const auto& c : cas) {
    Mark m{};
    m.param1 = c.place;
    m.param2 = uint8_t(c.dx);
    m.param3 = uint8_t(c.dy);
    int32_t x = 100, y = 144;
    CalculePosEffetTablatureGuitare(1, s, &n, &m, &x, &y);
    EXPECT_EQ(x, c.x) << int(c.place);
    EXPECT_EQ(y, c.y) << int(c.place);
  }
}

}  // namespace
