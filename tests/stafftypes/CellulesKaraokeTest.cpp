// Lyric cells: the whole text of a line cut into cells and built back, each
// cell fitted to the columns of its bar, the verse rows, switching the line
// off and on, the row height and the measuring of syllables.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "layout/Zoom.h"
#include "model/BarTableFixtures.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/QrvText.h"
#include "model/TempsJoue.h"
#include "model/Tonalite.h"
#include "platform/Memory.h"
#include "stafftypes/CellulesKaraoke.h"
#include "stafftypes/PorteeKaraoke.h"
#include "system/PortLayer.h"
#include "text/Fontes.h"
#include "text/TextBox.h"
#include "text/TextData.h"
#include "text/UTFText.h"

namespace {

// Four bars of 4/4 on a staff without notes: its lyrics line divides every
// bar into two columns.
struct CellulesKaraokeTest : BarTableTest {
  Portee** staff = nullptr;
  CellulesKaraokeTest() {
    Mesures(4);
    staff = Portee0();
    (*staff)->ligneParolesAffichee = 1;
    (*staff)->karaoke = 1;
    LigneTexte& l = (*staff)->lignesTexte[0];
    l.modeTaquets = kTaquetsNombre;
    l.parametreTaquets = 2;
    l.echelleIdeale = 0;
    l.styleCellule = TextStyle{GetStdFont(), 0, 12, {0, 0, 0}};
  }
  std::string Cellule(int16_t bar, int16_t verse = 0) {
    char out[kTailleTexteCellule];
    return GetTexteKaraokeCellule(staff, kLigneTexteParoles, bar, verse, out, nullptr);
  }
  void Injecte(const std::string& s) {
    ASSERT_EQ(InjecteTexteCompletDansPorteeKaraoke(staff, 1, s.c_str(), int32_t(s.size()), nullptr, 0), 1);
  }
  std::string Entier(int8_t slashes, int8_t caret, uint16_t pass = 0, int32_t first = 0, int32_t last = 0) {
    ExtendedTE te = CreeTexteKaraoke(staff, 1, slashes, caret, nullptr, pass, first, last);
    if (!te) return "<null>";
    std::string s(*ExtendedTEGetText(te), size_t((*te)->teLength));
    ExtendedTEDispose(te);
    return s;
  }
  // Bars played in this order.
  void Joue(const std::vector<int32_t>& barres) {
    Handle rows = NewHandleClear(Size(barres.size()) * Size(sizeof(LigneCvtMesure)));
    for (size_t i = 0; i < barres.size(); i++) reinterpret_cast<LigneCvtMesure*>(*rows)[i].mesure = barres[i];
    (*score)->tabCvtMesure = rows;
    (*score)->nbCvtMesures = int16_t(barres.size());
    (*score)->tabCvtMesureUtilisateur = 1;
    TabCvtMesureHasChanged(score, rows);
  }
};

TEST_F(CellulesKaraokeTest, WholeTextGoesIntoOneCellPerBarFittedToItsColumns) {
  Injecte("la la/li-/a b c/x-y-z-/");
  // A missing final separator is added; a short cell gets the separators it
  // lacks ('-' when it ends inside a word); syllables beyond the last column
  // join it with their in-column forms.
  EXPECT_EQ(Cellule(0), "la la ");
  EXPECT_EQ(Cellule(1), "li--");
  EXPECT_EQ(Cellule(2), "a b^c ");
  EXPECT_EQ(Cellule(3), "x-y=z-");
  EXPECT_EQ(Cellule(0, 1), "");
  // Built back with slashes the text holds every cell as stored.
  EXPECT_EQ(Entier(1, 1), "la la /li--/a b^c /x-y=z-/");
  // Injecting that again changes nothing.
  const std::string s = Entier(1, 1);
  Injecte(s);
  EXPECT_EQ(Entier(1, 1), s);
}

TEST_F(CellulesKaraokeTest, ReadableTextJoinsWordsAndDropsMarkers) {
  Injecte("[%ff0000]do$(q) re/mi-/fa_sol/");
  // Markers and rhythm patterns go, held syllables end with a space, the
  // syllables of a word join; caret mode keeps the hyphens.
  EXPECT_EQ(Entier(0, 0), "do re mifa sol ");
  EXPECT_EQ(Entier(0, 1), "do re mi--fa sol ");
  // Entries 1 and 2 only.
  EXPECT_EQ(Entier(1, 1, 0, 1, 3), "mi--/fa_sol /");
  // A line that is not shown has no text.
  (*staff)->ligneParolesAffichee = 0;
  EXPECT_EQ(Entier(0, 0), "<null>");
}

TEST_F(CellulesKaraokeTest, RepeatedBarsTakeOneChunkPerPass) {
  Joue({0, 1, 1, 2});
  Injecte("a/b//d/");
  EXPECT_EQ(Cellule(1, 0), "b  ");
  EXPECT_EQ(Cellule(1, 1), "");
  EXPECT_EQ(Cellule(2, 0), "d  ");
  EXPECT_EQ(Entier(1, 1), "a  /b  //d  /");
  // The readable text repeats the words of an empty pass from its earlier one.
  EXPECT_EQ(Entier(0, 0), "a  b  b  d  ");
  // Pass 2 only.
  EXPECT_EQ(Entier(1, 1, 2), "/");
  Injecte("a/b/c/d/");
  EXPECT_EQ(Cellule(1, 1), "c  ");
}

TEST(ModifieLutKaraoke, EditsTheDisplayRowsOfTheVerses) {
  struct Cas {
    int16_t action, row;
    std::vector<int16_t> avant, apres;
  } cas[] = {
      {kActionCellulesSupprimeLigne, 1, {0, 1, 2, 3}, {0, -2, 1, 2}},
      {kActionCellulesCompacte, 0, {0, -2, 1, 2}, {0, -2, 1, 2}},
      {kActionCellulesCompacte, 0, {0, -2, 3, 5}, {0, -2, 1, 2}},
      {kActionCellulesToutAffiche, 0, {0, -2, 1, 2}, {0, 1, 2, 3}},
      {kActionCellulesInsereLigne, 1, {0, 1, 2, 3}, {0, 2, 3, 4}},
      {kActionCellulesSupprimeLigne, 5, {0, 1, 2, 3}, {0, 1, 2, 3}},
      {9, 1, {0, 1, 2, 3}, {0, 1, 2, 3}},
  };
  for (const Cas& c : cas) {
    std::vector<int16_t> lut(kNbPassagesKaraoke, 0);
    for (int v = 0; v < kNbPassagesKaraoke; v++) lut[size_t(v)] = int16_t(v < 4 ? c.avant[size_t(v)] : 1000 + v);
    ModifieLutKaraoke(lut.data(), c.action, c.row);
    EXPECT_EQ(std::vector<int16_t>(lut.begin(), lut.begin() + 4), c.apres) << c.action << " " << c.row;
  }
}

TEST_F(CellulesKaraokeTest, HidingARowKeepsTheOtherVersesAndTheirWords) {
  Joue({0, 1, 2, 0, 1, 2});
  Injecte("a/b/c/d/e/f/");
  DoActionCellulesParoles(score, staff, kActionCellulesSupprimeLigne, 1, 1, 0);
  // Bar 1 hides its first verse; bars 0 and 2 are untouched.
  EXPECT_FALSE(IsCelluleKaraokeVisible(staff, 1, 0));
  EXPECT_EQ(CvtPassageKaraokeEnLigneAffichage(staff, 1, 1), 0);
  EXPECT_EQ(CvtPassageKaraokeEnLigneAffichage(staff, 0, 1), 1);
  EXPECT_EQ(CvtPassageKaraokeEnLigneAffichage(staff, 2, 1), 1);
  EXPECT_EQ(Cellule(1, 1), "e  ");
  EXPECT_EQ(Cellule(1, 0), "b  ");
  EXPECT_EQ(Entier(1, 1), "a  /b  /c  /d  /e  /f  /");
  // Showing every verse again.
  DoActionCellulesParoles(score, staff, kActionCellulesToutAffiche, 0, 3, 0);
  EXPECT_TRUE(IsCelluleKaraokeVisible(staff, 1, 0));
  EXPECT_EQ(Entier(1, 1), "a  /b  /c  /d  /e  /f  /");
}

TEST_F(CellulesKaraokeTest, SwitchingTheLineOffAndOnTurnsCellsIntoTextsAndBack) {
  Injecte("a/b/c/d/");
  InverseEtatPorteeKaraoke(staff, 0);
  EXPECT_EQ((*staff)->ligneParolesAffichee, 0);
  int32_t n = 0;
  const Texte* t = GetTextesPortee(staff, &n);
  ASSERT_EQ(n, 4);
  for (int32_t i = 0; i < n; i++) EXPECT_EQ(t[i].ligne, kLigneTexteLibre);
  InverseEtatPorteeKaraoke(staff, 0);
  EXPECT_EQ((*staff)->ligneParolesAffichee, 1);
  EXPECT_EQ((*staff)->lignesTexte[0].echelleIdeale, 1);
  t = GetTextesPortee(staff, &n);
  ASSERT_EQ(n, 4);
  for (int32_t i = 0; i < n; i++) EXPECT_EQ(t[i].ligne, kLigneTexteParoles);
  EXPECT_EQ(Entier(1, 1), "a  /b  /c  /d  /");
}

TEST_F(CellulesKaraokeTest, RowHeightFollowsTheTallestStyleAndPutsCellsBackOnTheirRows) {
  LigneTexte& l = (*staff)->lignesTexte[0];
  const int16_t h12 = CalculeHauteurCelluleLigneTexte(staff, 1);
  ASSERT_GT(h12, 0);
  CGrafPtr ancien = SetPortTemporaire();
  TextLook(GetStdFont(), 12, 0);
  FontInfo fi{};
  GetFontMetrics(&fi);
  SetPort(ancien);
  EXPECT_EQ(l.baseVersBas, h12 - fi.ascent);
  // A cell in a larger size raises the row; rows stored as bands of 20
  // (verse 0 and verse 2 of a document) go back on their rows.
  Texte c{};
  c.debut = CvtMesureEnTemps(score, 1);
  c.fin = CvtMesureEnTemps(score, 2) - 1;
  c.ligne = kLigneTexteParoles;
  c.style = TextStyle{GetStdFont(), 0, 24, {0, 0, 0}};
  c.haut = 2;
  c.bas = 22;
  SetEnregTexte(staff, -1, &c, "grand ");
  c.haut = 42;
  c.bas = 62;
  SetEnregTexte(staff, -1, &c, "loin ");
  SetStyleCellulesKaraoke(staff, 1, 1);
  const int16_t h = int16_t(l.hauteurLigne);
  EXPECT_GT(h, h12);
  EXPECT_EQ(Cellule(1, 0), "grand ");
  EXPECT_EQ(Cellule(1, 2), "loin ");
  int32_t n = 0;
  const Texte* t = GetTextesPortee(staff, &n);
  for (int32_t i = 0; i < n; i++) {
    EXPECT_EQ(t[i].bas - t[i].haut, h);
    EXPECT_EQ(t[i].style.size, 24);  // kept
    EXPECT_TRUE(t[i].style.face & kFaceTexteTransparent);
  }
  // Without keeping styles every cell takes the line's, and the row shrinks back.
  SetStyleCellulesKaraoke(staff, 1, 0);
  t = GetTextesPortee(staff, &n);
  EXPECT_EQ(t[0].style.size, 12);
  EXPECT_EQ(l.hauteurLigne, uint16_t(h12));
  EXPECT_EQ(Cellule(1, 2), "loin ");
  // Only lines 1 and 2 exist.
  EXPECT_EQ(CalculeHauteurCelluleLigneTexte(staff, 3), 0);
}

TEST(GetNextCarBufferKaraoke, StepsWholeCharacters) {
  char out[8];
  EXPECT_EQ(GetNextCarBufferKaraoke("\xC3\xA9t\xC3\xA9", out, 1), 2);
  EXPECT_STREQ(out, "\xC3\xA9");
  EXPECT_EQ(GetNextCarBufferKaraoke("\xC3\xA9t", out, 0), 1);
  EXPECT_EQ(GetNextCarBufferKaraoke("\xE2\x82", nullptr, 1), 2);  // cut short at the end
  EXPECT_EQ(GetNextCarBufferKaraoke("", out, 1), 0);
  EXPECT_STREQ(out, "");
}

TEST_F(CellulesKaraokeTest, SyllablesAreMeasuredWithoutTheirMarkers) {
  CGrafPtr ancien = SetPortTemporaire();
  SetStyleCalculeTaillesTexteKaraoke(staff, nullptr);
  auto largeur = [](const char* s) { return int(UTFTextWidth(nullptr, s, 0, int32_t(std::strlen(s)))); };
  TaquetKaraoke c[4];
  auto mesure = [&](const char* texte, int16_t count) {
    CalculeTaillesTexteKaraoke(staff, c, 3, count, texte, nullptr);
    std::vector<int> w;
    for (int16_t k = 0; k < count; k++) w.push_back(c[k].largeurSyllabe);
    return w;
  };
  EXPECT_EQ(mesure("do[x] re ", 2), (std::vector<int>{largeur("do") + 3, largeur("re") + 3}));
  EXPECT_EQ(mesure("$(q) la_", 2), (std::vector<int>{3, largeur("la") + 3}));
  // More syllables than columns: only as many are measured; fewer: the rest 0.
  EXPECT_EQ(mesure("a-b-c-", 2), (std::vector<int>{largeur("a") + 3, largeur("b") + 3}));
  EXPECT_EQ(mesure("mi ", 4), (std::vector<int>{largeur("mi") + 3, 3, 0, 0}));
  EXPECT_EQ(CalculeTailleTexteSyllabeKaraoke("do[x]re-mi", 1), largeur("dore"));
  SetPort(ancien);
}

TEST_F(CellulesKaraokeTest, IdealScaleWidensOnlyBarsWhoseSyllablesDoNotFit) {
  (*staff)->lignesTexte[0].alignement = 0;
  Injecte("a b/Anticonstitutionnellement_x/");
  const uint16_t avant0 = GetEchelleMesureOrig(score, 0);
  const uint16_t avant1 = GetEchelleMesureOrig(score, 1);
  EXPECT_EQ(CalculeEchelleIdealePorteeKaraoke(0, staff, 1), 1);
  EXPECT_EQ(GetEchelleMesureOrig(score, 0), avant0);
  EXPECT_GT(GetEchelleMesureOrig(score, 1), avant1);
  // Once widened the bar fits.
  UpdateTabEltMesure(score, kTabEltTout);
  EXPECT_EQ(CalculeEchelleIdealePorteeKaraoke(0, staff, 1), 0);
}

}  // namespace

// A cell's styles read back in points whatever resolution the drawing works
// at: the drawing scales them once (read at the page's 576 dpi they came out
// eight times too large).
TEST(GetRunsTexteKaraoke, StylesComeBackInPointsAtAnyResolution) {
  const TextStyle style{int16_t(3), 1, 13, RGBColor{0, 0, 0}};
  char* chaine = CreeChaineStyle("la", &style);
  ASSERT_NE(chaine, nullptr);
  const int16_t dpi = GetDpiDest();
  std::vector<RunKaraoke> runs;
  for (int16_t resolution : {int16_t(72), int16_t(576)}) {
    SetDpiDest(resolution);
    GetRunsTexteKaraoke(chaine, TextStyle{}, runs);
    ASSERT_FALSE(runs.empty());
    EXPECT_EQ(runs[0].style.size, 13) << resolution;
    EXPECT_EQ(GetDpiDest(), resolution);
  }
  SetDpiDest(dpi);
  DisposeTextData(chaine);
}
