// Lyrics kept on their notes across structural edits: every syllable is cut
// from its cell before the edit, anchored to the note under it, and the
// cells are rebuilt at the notes' new times afterwards.
#include <functional>
#include <map>
#include <string>
#include <utility>

#include "BarTableFixtures.h"
#include "model/PreservePositions.h"
#include "model/QrvText.h"
#include "stafftypes/ServicesTypesPortee.h"
#include "text/TextData.h"

namespace {

using Cellules = std::map<std::pair<int16_t, int16_t>, std::string>;  // (bar, verse) -> text

// A 4-bar score of 4/4 at 72 dpi with one staff showing its lyrics line.
struct PartitionParoles {
  Document* doc = NouveauDocument();
  Partition** score = NewPartition(doc);
  int16_t dpi = GetDpiDest();
  Portee** staff = nullptr;
  PartitionParoles() {
    SetDpiDest(72);
    AddEltTabEltMesureRuban(score, 4);
    (*score)->nbMesures = 4;
    UpdateTabEltMesure(score, kTabEltTout);
    NewPortee(score, kTypePorteeStandard);
    staff = (*score)->portees[0];
    (*staff)->ligneParolesAffichee = 1;
    (*staff)->lignesTexte[0].hauteurLigne = 14;
  }
  ~PartitionParoles() {
    SetDpiDest(dpi);
    LibereDocument(doc);
  }
  // Four quarters a bar.
  void Noires() {
    for (int i = 0; i < 16; i++) AjouteSigne(staff, int8_t(60 + i), 40320);
  }
  void Ecrit(const Cellules& c) {
    for (const auto& [cle, texte] : c) SetTexteKaraokeCellule(staff, cle.first, cle.second, 1, texte.c_str(), nullptr);
  }
  Cellules Lit() {
    Cellules c;
    int32_t n;
    GetTextesPortee(staff, &n);
    char out[kTailleTexteCellule];
    for (int16_t bar = 0; bar < (*score)->nbMesures; bar++)
      for (int16_t verse = 0; verse < 4; verse++)
        if (*GetTexteKaraokeCellule(staff, 1, bar, verse, out, nullptr)) c[{bar, verse}] = out;
    int32_t cellules = 0;
    for (int32_t i = 0; i < n; i++) cellules += GetTextesPortee(staff, nullptr)[i].ligne == 1 ? 1 : 0;
    EXPECT_EQ(cellules, int32_t(c.size())) << "cells no (bar, verse) finds";
    return c;
  }
  // A rest of `duree` ticks before note `index`.
  void InsereSilence(int32_t index, int32_t duree) {
    ASSERT_TRUE(InsereSigne(staff, index));
    int32_t n;
    Signe& s = GetSignesPortee(staff, &n)[index];
    RazNote(&s, kSigneSilence, duree);
    ClrTurboCvtTempsEnIndexNote(staff, index);
  }
  void Edite(const std::function<void()>& edit) {
    PreserveObjetsPartitionAvantChangement(score);
    edit();
    RestaureObjetsPartitionApresChangement(score);
  }
};

const Cellules kParoles = {
    {{0, 0}, "A1 A2-a3 A4 "}, {{1, 0}, "B1 B2 B3 B4 "}, {{1, 1}, "v1 v2 v3 v4 "},
    {{2, 0}, "C1 C2 C3 C4_"}, {{3, 0}, "D1 D2 D3 D4 "},
};

struct PreserveParolesTest : ::testing::Test, PartitionParoles {};

TEST(PreserveParoles, EveryLyricStaysOnItsNote) {
  struct Cas {
    const char* nom;
    std::function<void(PartitionParoles&)> edit;
    Cellules attendu;
    int32_t texteLibre;  // start of the free text hung on note 5, -1 when it went
  };
  const Cas cas[] = {
      {"a bar inserted before bar 1",
       [](PartitionParoles& t) {
         InsereMesureChangeEchelleMesure(t.score, 1, 1, false, nullptr);
         t.InsereSilence(4, 161280);
       },
       {{{0, 0}, "A1 A2-a3 A4 "},
        {{2, 0}, "B1 B2 B3 B4 "},
        {{2, 1}, "v1 v2 v3 v4 "},
        {{3, 0}, "C1 C2 C3 C4_"},
        {{4, 0}, "D1 D2 D3 D4 "}},
       2 * 161280 + 40320 + 10},
      {"bar 1 deleted with its notes and texts",
       [](PartitionParoles& t) {
         for (int i = 0; i < 4; i++) SupprimeSigne(t.staff, 4);
         DeleteMesuresTextesPortee(t.staff, 1, 1);
         DeleteMesureChangeEchelleMesure(t.score, 1, 1);
       },
       {{{0, 0}, "A1 A2-a3 A4 "}, {{1, 0}, "C1 C2 C3 C4_"}, {{2, 0}, "D1 D2 D3 D4 "}},
       -1},
      {"notes moved by half a bar: syllables change cells and join",
       [](PartitionParoles& t) {
         AddEltTabEltMesureRuban(t.score, 1);
         (*t.score)->nbMesures = 5;
         t.InsereSilence(0, 80640);
       },
       {{{0, 0}, "A1 A2-"},
        {{1, 0}, "a3 A4 B1 B2 "},
        {{1, 1}, "v1 v2 "},
        {{2, 0}, "B3 B4 C1 C2 "},
        {{2, 1}, "v3 v4 "},
        {{3, 0}, "C3 C4_D1 D2 "},
        {{4, 0}, "D3 D4 "}},
       161280 + 40320 + 10 + 80640},
  };
  for (const Cas& c : cas) {
    SCOPED_TRACE(c.nom);
    PartitionParoles t;
    t.Noires();
    t.Ecrit(kParoles);
    ASSERT_EQ(t.Lit(), kParoles);
    Texte libre{};
    libre.debut = 161280 + 40320 + 10;
    libre.fin = libre.debut + 1000;
    SetEnregTexte(t.staff, -1, &libre, "free");
    t.Edite([&] { c.edit(t); });
    EXPECT_EQ(t.Lit(), c.attendu);
    int32_t n;
    const Texte* textes = GetTextesPortee(t.staff, &n);
    int32_t debut = -1, fin = -1;
    for (int32_t i = 0; i < n; i++)
      if (textes[i].ligne == 0) {
        debut = textes[i].debut;
        fin = textes[i].fin;
      }
    EXPECT_EQ(debut, c.texteLibre);
    if (debut >= 0) {
      EXPECT_EQ(fin - debut, 1000);
    }
  }
}

TEST_F(PreserveParolesTest, SyllablesCutAtTheColumnsOfTheirBar) {
  // Bar 0: a chord and a rest make one column less; the rest of the text
  // stays with the last column. Bar 1 has no note: its beats are the columns.
  AjouteSigne(staff, 60, 80640, 100, kSigneAccordSuite);
  AjouteSigne(staff, 64, 80640);
  AjouteSigne(staff, kSigneSilence, 40320);
  AjouteSigne(staff, 67, 40320);
  (*staff)->lignesTexte[0].hauteurLigne = 0;  // rows by number
  Ecrit({{{0, 0}, "la li-lo lu "}, {{1, 2}, "un deux trois"}});
  PreparePreserveObjetsPartition(score);
  Handle h = PreserveTextesPartition(score, 1);
  ASSERT_NE(h, nullptr);
  const TextePreserve* e = reinterpret_cast<const TextePreserve*>(*h);
  const int32_t n = GetHandleSize(h) / int32_t(sizeof(TextePreserve));
  struct Attendu {
    const char* texte;
    int16_t mesure, passage, colonne;
    int32_t temps, note, decalage;
  } attendu[] = {
      {"la ", 0, 0, 0, 0, 1, 0},
      {"li-lo lu ", 0, 0, 1, 120960, 4, 0},
      {"un ", 1, 2, 0, 161280, 4, 40320},
      {"deux ", 1, 2, 1, 201600, 4, 80640},
      {"trois", 1, 2, 2, 241920, 4, 120960},
  };
  ASSERT_EQ(n, 5);
  for (int32_t i = 0; i < n; i++) {
    SCOPED_TRACE(i);
    EXPECT_STREQ(e[i].texte, attendu[i].texte);
    EXPECT_EQ(e[i].mesure, attendu[i].mesure);
    EXPECT_EQ(e[i].passage, attendu[i].passage);
    EXPECT_EQ(e[i].colonne, attendu[i].colonne);
    EXPECT_EQ(e[i].temps, attendu[i].temps);
    EXPECT_EQ(e[i].note, attendu[i].note);
    EXPECT_EQ(e[i].decalageNote, attendu[i].decalage);
  }
  // Back unchanged; the syllables and the handle are freed (ASan watches).
  RestaureTextesPartition(score, 1, h);
  EXPECT_EQ(Lit(), (Cellules{{{0, 0}, "la li-lo lu "}, {{1, 2}, "un deux trois"}}));
}

TEST_F(PreserveParolesTest, StyledSyllablesKeepTheirStyles) {
  Noires();
  const TextStyle gras{3, 1, 14, {0, 0, 0}}, rouge{3, 0, 14, {0xFFFF, 0, 0}};
  char* s = CreeChaineStyle("do ", &gras);
  s = ConcateneChaineAvecStyle("re mi fa", &rouge, s);
  SetTexteKaraokeCellule(staff, 0, 0, 1, s, nullptr);
  Edite([&] {
    InsereMesureChangeEchelleMesure(score, 0, 1, false, nullptr);
    InsereSilence(0, 161280);
  });
  const char* apres = GetTexteStyleKaraokeCellule(staff, 1, 1, 0, nullptr);
  EXPECT_STREQ(GetTexteBrutTexteStyle(apres), "do re mi fa");
  TextStyle lu{};
  ASSERT_TRUE(ExtraitStyleChaine(apres, 0, &lu));
  EXPECT_EQ(lu.face, 1);
  ASSERT_TRUE(ExtraitStyleChaine(apres, 4, &lu));
  EXPECT_EQ(lu.color.red, 0xFFFF);
  DisposeTextData(s);
}

TEST(ColonnesParoles, BoundsOfSyllables) {
  struct Cas {
    const char* texte;
    int16_t n;
    int32_t debut, fin, manque;
  } cas[] = {
      {"la li-lo_ lu", 0, 0, 3, 0},   {"la li-lo_ lu", 1, 3, 6, 0},   {"la li-lo_ lu", 2, 6, 9, 0},
      {"la li-lo_ lu", 3, 9, 10, 0},  // the separator after "lo_" starts an empty syllable
      {"la li-lo_ lu", 4, 10, 12, 0}, {"la li-lo_ lu", 6, 12, 12, 2}, {"", 2, 0, 0, 2},
  };
  for (const Cas& c : cas) {
    int32_t debut = -1, fin = -1, manque = -1;
    GetBoundsStringTaquet(c.texte, c.n, &debut, &fin, &manque);
    EXPECT_EQ(debut, c.debut) << c.texte << " " << c.n;
    EXPECT_EQ(fin, c.fin) << c.texte << " " << c.n;
    EXPECT_EQ(manque, c.manque) << c.texte << " " << c.n;
  }
}

}  // namespace
