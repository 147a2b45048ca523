// Staff texts: the sorted list, lyric cells found again by (line, bar,
// verse) whatever the row height and the verses' display rows, their readers,
// cutting bars, and the cells' areas.
#include <cstring>
#include <string>
#include <vector>

#include "BarTableFixtures.h"
#include "model/QrvText.h"
#include "model/QrvTextInterne.h"
#include "model/Signe.h"
#include "model/TempsJoue.h"
#include "model/Tonalite.h"
#include "platform/Trace.h"
#include "text/TextData.h"
#include "text/TextEncodings.h"

namespace {

struct TextesTest : BarTableTest {
  Portee** staff = nullptr;
  TextesTest() {
    Mesures(6);
    staff = Portee0();
    (*staff)->ligneParolesAffichee = 1;
    (*staff)->ligneAccordsAffichee = 1;
  }
  int32_t Nb() {
    int32_t n;
    GetTextesPortee(staff, &n);
    return n;
  }
  const Texte& T(int32_t i) { return GetTextesPortee(staff, nullptr)[i]; }
  std::string Chaine(int32_t i) { return *T(i).texte; }
  std::string Cellule(int16_t bar, int16_t verse, uint32_t line = 1) {
    char out[kTailleTexteCellule];
    return GetTexteKaraokeCellule(staff, line, bar, verse, out, nullptr);
  }
  int32_t Libre(int32_t debut, int32_t fin, int32_t haut, int32_t bas, const char* s, uint32_t line = 0) {
    Texte t{};
    t.debut = debut;
    t.fin = fin;
    t.haut = haut;
    t.bas = bas;
    t.ligne = line;
    return SetEnregTexte(staff, -1, &t, s);
  }
  // What the reporters said while f ran.
  template <typename F>
  std::string Messages(F f) {
    bool trace = TraceEnabled();
    SetTraceEnabled(true);
    testing::internal::CaptureStderr();
    f();
    std::string out = testing::internal::GetCapturedStderr();
    SetTraceEnabled(trace);
    return out;
  }
  // Verse v of every bar shown on row map[v] (negative: hidden).
  void LignesKaraoke(const std::vector<int16_t>& map) {
    EltTabTonalite* e = reinterpret_cast<EltTabTonalite*>(*(*staff)->tabTonalite);
    for (int v = 0; v < kNbPassagesKaraoke; v++)
      e[0].lignesKaraoke[v] = v < int(map.size()) ? map[size_t(v)] : int16_t(v - 1);
    (*staff)->cacheMesureTonalite = -1;
  }
};

TEST_F(TextesTest, ListSortsStablyAndKeepsItsStrings) {
  const int32_t a = CreeNewTexte(staff, "first");
  ASSERT_EQ(a, 0);
  EXPECT_EQ(T(0).idVue, -2);
  EXPECT_EQ(Chaine(0), "first");
  // Storing a record keeps the text's own handle and copies the string.
  const Handle h = T(0).texte;
  Texte r{};
  r.debut = 500;
  r.texte = reinterpret_cast<Handle>(0x1);  // never taken
  ASSERT_EQ(SetEnregTexte(staff, 0, &r, "replaced"), 0);
  EXPECT_EQ(T(0).texte, h);
  EXPECT_EQ(Chaine(0), "replaced");
  EXPECT_EQ(T(0).debut, 500);

  // (start, top, bottom) in list order, then the order sorting gives.
  struct Cas {
    int32_t debut, haut, bas;
    const char* nom;
  };
  const Cas cas[] = {{300, 5, 9, "c"}, {100, 7, 8, "b2"}, {100, 7, 8, "b3"}, {100, 2, 20, "a"}, {100, 7, 4, "b1"}};
  for (const Cas& c : cas) Libre(c.debut, c.debut + 10, c.haut, c.bas, c.nom);
  PrepareTextesPortee(staff);
  std::vector<std::string> ordre;
  for (int32_t i = 0; i < Nb(); i++) ordre.push_back(Chaine(i));
  EXPECT_EQ(ordre, (std::vector<std::string>{"a", "b1", "b2", "b3", "c", "replaced"}));

  // A bad index is reported and changes nothing.
  for (int32_t bad : {-1, 6})
    EXPECT_NE(Messages([&] { DeleteTexte(staff, bad); }).find("BIG_BAD_ERROR QrvText 1"), std::string::npos);
  EXPECT_EQ(Nb(), 6);
  DeleteTexte(staff, 1);
  EXPECT_EQ(Nb(), 5);
  EXPECT_EQ(Chaine(1), "b2");

  // Whole lines and empty texts (plain or styled) go in one call.
  Libre(0, 10, 0, 1, "cell", 1);
  Libre(0, 10, 0, 1, "", 2);
  TextStyle style{};
  char* vide = CreeChaineStyle("", &style);
  Libre(0, 10, 0, 1, vide, 0);
  DisposeTextData(vide);
  DisposeTextesKaraoke(staff, 1);
  EXPECT_EQ(Nb(), 7);
  PurgeTextesVides(staff);
  EXPECT_EQ(Nb(), 5);
}

TEST_F(TextesTest, SectionTest) {
  Libre(1000, 2000, 0, 1, "t");
  struct Cas {
    int32_t from, to;
    bool sect;
  } cas[] = {{0, 999, false},     {0, 1000, true},   {1500, 1600, true}, {1999, 3000, true},
             {2001, 3000, false}, {500, 2500, true}, {2000, 2000, true}};
  for (const Cas& c : cas) EXPECT_EQ(IsSectTexte(staff, 0, c.from, c.to), c.sect) << c.from << ".." << c.to;
  EXPECT_FALSE(IsSectTexte(staff, 1, 0, 5000));
}

TEST_F(TextesTest, CellsAreFoundAgainAtEveryRowHeight) {
  // Verse 1 has no display row; verses 2 and 3 show on rows 1 and 2.
  for (bool cache : {false, true}) {
    if (cache) LignesKaraoke({0, -2, 1, 2});
    for (uint16_t h = 0; h <= 20; h++) {
      SCOPED_TRACE(testing::Message() << "row height " << h << (cache ? ", verse 1 hidden" : ""));
      DisposeTextes(staff);
      (*staff)->lignesTexte[0].hauteurLigne = h;
      for (int16_t bar = 0; bar < 4; bar++)
        for (int16_t verse = 0; verse < 4; verse++) {
          const std::string s = "b" + std::to_string(bar) + "v" + std::to_string(verse) + " ";
          ASSERT_GE(SetTexteKaraokeCellule(staff, bar, verse, 1, s.c_str(), nullptr), 0);
        }
      ASSERT_EQ(Nb(), 16);
      // Writing again replaces: no second record.
      for (int16_t bar = 0; bar < 4; bar++)
        for (int16_t verse = 0; verse < 4; verse++)
          SetTexteKaraokeCellule(staff, bar, verse, 1, ("x" + std::to_string(bar * 4 + verse)).c_str(), nullptr);
      ASSERT_EQ(Nb(), 16);
      CalculePassageTextesPortee(staff);
      for (int16_t bar = 0; bar < 4; bar++)
        for (int16_t verse = 0; verse < 4; verse++) {
          EXPECT_EQ(Cellule(bar, verse), "x" + std::to_string(bar * 4 + verse));
          const Texte& t = T(CvtCelluleKaraokeEnIndexTexte(staff, 1, bar, verse));
          EXPECT_EQ(t.debut, bar * 161280);
          EXPECT_EQ(t.fin, (bar + 1) * 161280 - 1);
          EXPECT_TRUE(t.style.face & kFaceTexteTransparent);
          if (cache && verse == 1) {
            EXPECT_EQ(t.haut, -2);
            EXPECT_EQ(t.bas, -1);
            EXPECT_EQ(t.cache, 1u);
          } else {
            const int32_t row = cache && verse > 1 ? verse - 1 : verse;
            EXPECT_EQ(t.cache, 0u);
            EXPECT_EQ(t.haut, h == 0 ? row : row * h + 2);
          }
          EXPECT_EQ(t.passage, verse);
        }
      // An empty text deletes the cell.
      SetTexteKaraokeCellule(staff, 2, 3, 1, "", nullptr);
      EXPECT_EQ(Nb(), 15);
      EXPECT_EQ(Cellule(2, 3), "");
      EXPECT_EQ(CvtCelluleKaraokeEnIndexTexte(staff, 1, 2, 3), -1);
    }
  }
}

TEST_F(TextesTest, CellReaders) {
  (*staff)->lignesTexte[0].hauteurLigne = 14;
  const TextStyle style{3, 1, 18, {1, 2, 3}};
  SetTexteKaraokeCellule(staff, 0, 0, 1, "Hel[1]lo wor[2]ld", &style);
  char out[kTailleTexteCellule];
  TextStyle lu{};
  EXPECT_STREQ(GetTexteKaraokeCelluleStrippe(staff, 1, 0, 0, out, &lu), "Hello world");
  EXPECT_EQ(lu.size, 18);
  EXPECT_EQ(lu.face, 1 | kFaceTexteTransparent);
  SetTexteKaraokeCellule(staff, 1, 0, 1, "ab[never closed", nullptr);
  EXPECT_STREQ(GetTexteKaraokeCelluleStrippe(staff, 1, 1, 0, out, nullptr), "ab");
  // A new cell without a style takes the line's.
  EXPECT_EQ(T(1).style.size, (*staff)->lignesTexte[0].styleCellule.size);

  // Converted to Mac Roman.
  SetTexteKaraokeCellule(staff, 2, 0, 1, "\xC3\xA9t\xC3\xA9", nullptr);
  EXPECT_STREQ(GetTexteCharSetKaraokeCellule(staff, 1, 2, 0, out, nullptr, kEncodingMacRoman), "\x8Et\x8E");

  // A long cell comes back cut at a character boundary.
  std::string longue;
  for (int i = 0; i < 300; i++) longue += "\xC3\xA9";
  SetTexteKaraokeCellule(staff, 3, 0, 1, longue.c_str(), nullptr);
  EXPECT_EQ(std::string(GetTexteKaraokeCellule(staff, 1, 3, 0, out, nullptr)), longue.substr(0, 510));

  // Styled cells: the string itself and its runs.
  char* s = CreeChaineStyle("la", &style);
  SetTexteKaraokeCellule(staff, 4, 0, 1, s, nullptr);
  EXPECT_STREQ(GetTexteStyleKaraokeCellule(staff, 1, 4, 0, nullptr), s);
  DisposeTextData(s);
  ExtendedStylHandle runs = GetStyleHandleKaraokeCellule(staff, 1, 4, 0);
  EXPECT_NE(runs, nullptr);
  ExtendedDisposeStylHandle(runs);
  EXPECT_EQ(GetStyleHandleKaraokeCellule(staff, 1, 0, 0), nullptr);  // plain

  // A line the staff does not show has no cell.
  (*staff)->ligneAccordsAffichee = 0;
  EXPECT_EQ(SetTexteKaraokeCellule(staff, 0, 0, 2, "C7", nullptr), -1);
  EXPECT_EQ(CvtCelluleKaraokeEnIndexTexte(staff, 2, 0, 0), -1);
  EXPECT_EQ(Cellule(0, 0, 2), "");
  EXPECT_STREQ(GetTexteStyleKaraokeCellule(staff, 2, 0, 0, nullptr), "");
  // Nor do bars and verses out of range.
  EXPECT_EQ(SetTexteKaraokeCellule(staff, -1, 0, 1, "x", nullptr), -1);
  EXPECT_EQ(SetTexteKaraokeCellule(staff, 0, -1, 1, "x", nullptr), -1);
}

TEST_F(TextesTest, DeletingBarsRemovesTheirTextsAndMovesLaterOnes) {
  // One text starting in each bar 0..5, lasting 100 ticks.
  for (int32_t b = 0; b < 6; b++) Libre(b * 161280 + 50, b * 161280 + 150, 0, 1, std::to_string(b).c_str());
  DeleteMesuresTextesPortee(staff, 3, 2);
  ASSERT_EQ(Nb(), 4);
  const int32_t attendu[][2] = {{0, 50}, {1, 161280 + 50}, {2, 2 * 161280 + 50}, {5, 3 * 161280 + 50}};
  for (int32_t i = 0; i < 4; i++) {
    EXPECT_EQ(Chaine(i), std::to_string(attendu[i][0]));
    EXPECT_EQ(T(i).debut, attendu[i][1]);
    EXPECT_EQ(T(i).fin, attendu[i][1] + 100);
  }
}

TEST_F(TextesTest, CellAreasFollowTheirRows) {
  LigneTexte& ligne = (*staff)->lignesTexte[0];
  ligne.hauteurLigne = 14;
  ligne.decalageHaut = 20;
  (*staff)->yHaut = 100;
  LignesKaraoke({0, -2, 1});
  SetTexteKaraokeCellule(staff, 1, 2, 1, "on row one", nullptr);
  SetTexteKaraokeCellule(staff, 1, 1, 1, "hidden", nullptr);
  Rect r{};
  ASSERT_TRUE(CalculeAireTexteEcran(doc, staff, 0, 0, &r));
  EXPECT_EQ(r.top, 100 + 20 + 16);
  EXPECT_EQ(r.bottom, 100 + 20 + 30);
  EXPECT_EQ(r.left, CvtTempsEnPixelRuban(score, 161280));
  EXPECT_EQ(r.right, CvtTempsEnPixelRuban(score, 2 * 161280 - 2));
  EXPECT_GT(r.right, r.left + 100);
  ASSERT_TRUE(CalculeAireTexteEcran(doc, staff, 1, 0, &r));
  EXPECT_LT(r.bottom - r.top, 2);
  BigRect ruban{};
  CalculeAireTexteRuban(doc, staff, 0, &ruban);
  EXPECT_EQ(ruban.left, CvtTempsEnPixelRuban(score, 161280));
  EXPECT_EQ(ruban.bottom - ruban.top, 14);
}

TEST_F(TextesTest, DisplayRowsCountedFromThePlayedPasses) {
  Portee** sans = (NewPortee(score, kTypePorteeStandard), (*score)->portees[1]);
  (*sans)->lignesTexte[0].nbLignes = 7;
  RemetsPorteesEnFormeQuandRuptureChange(score);
  EXPECT_EQ((*staff)->lignesTexte[0].nbLignes, 1);  // no played table: pass 0 only
  // Bar 1 is played three times.
  const int32_t barres[] = {0, 1, 1, 1, 2, 3, 4, 5};
  Handle rows = NewHandleClear(Size(sizeof barres / sizeof barres[0]) * Size(sizeof(LigneCvtMesure)));
  for (size_t i = 0; i < sizeof barres / sizeof barres[0]; i++)
    reinterpret_cast<LigneCvtMesure*>(*rows)[i].mesure = barres[i];
  (*score)->tabCvtMesure = rows;
  (*score)->nbCvtMesures = int16_t(sizeof barres / sizeof barres[0]);
  struct Cas {
    std::vector<int16_t> lignes;
    int16_t attendu;
  } cas[] = {{{0, 1, 2, 3}, 3}, {{0, 1, -3, 2}, 2}, {{0, 4, 1, 2}, 2}, {{-1, -2, -3, -4}, 0}};
  // A bar shows the row of its last pass that has one, not its highest.
  for (const Cas& c : cas) {
    LignesKaraoke(c.lignes);
    RemetsPorteesEnFormeQuandRuptureChange(score);
    EXPECT_EQ((*staff)->lignesTexte[0].nbLignes, c.attendu);
  }
  EXPECT_EQ((*sans)->lignesTexte[0].nbLignes, 7);  // its lyrics line is not shown
}

TEST(RythmeTexte, PatternsBecomeNotes) {
  struct Cas {
    const char* texte;
    std::vector<int32_t> durees;
    uint8_t second;
  } cas[] = {
      {"4 8 8", {40320, 20160, 20160}, 0},
      {"2. 4..", {120960, 70560}, 0},
      {"0 1 3 128", {322560, 161280, 40320, 1260}, 0},
      {"3:2 8 8 8", {13440, 13440, 13440}, 0},
      {"#4+4/4", {40320, 40320, 40320}, 1},
      {"B4x 16", {40320, 10080}, 0},
      {"", {}, 0},
  };
  for (const Cas& c : cas) {
    Signe notes[8];
    uint8_t second = 9;
    const int32_t n = LitRythmeTexte(c.texte, int32_t(std::strlen(c.texte)), notes, 8, &second);
    std::vector<int32_t> durees;
    for (int32_t i = 0; i < n; i++) {
      durees.push_back(notes[i].duree);
      EXPECT_EQ(notes[i].kind, 60);
    }
    EXPECT_EQ(durees, c.durees) << c.texte;
    EXPECT_EQ(second, c.second) << c.texte;
  }
  Signe notes[2];
  EXPECT_EQ(LitRythmeTexte("4 4 4 4", 7, notes, 2, nullptr), 2);
  LitRythmeTexte("3:2 8", 5, notes, 2, nullptr);
  EXPECT_EQ(notes[0].motTuplet, 3 | (2 << 4));
}

}  // namespace
