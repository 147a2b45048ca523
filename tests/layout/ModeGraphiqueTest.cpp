#include "layout/ModeGraphique.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>

#include "layout/ModesEcran.h"
#include "layout/Zoom.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "platform/Memory.h"
#include "plugin/Preferences.h"
#include "stafftypes/Tablature.h"
#include "text/Fontes.h"

namespace {

TEST(ModeGraphiqueTest, BuiltInDefaults) {
  ModeGraphique m;
  std::memset(&m, 0x5A, sizeof m);  // every field must be written
  GetDefautModeGraphique(&m);
  const std::map<int, int16_t> attendus = {
      {3, 4},    {4, 35},   {5, 12},  {6, 12},  {7, 12},   {8, 24},   {10, 100}, {11, 14},  {12, 3},   {13, 9},
      {14, 8},   {15, 2},   {16, 2},  {18, 2},  {20, 3},   {21, 3},   {22, 7},   {25, 50},  {26, 3},   {28, 2},
      {29, 2},   {30, 6},   {31, 16}, {34, 16}, {35, 8},   {36, 32},  {46, 32},  {47, 100}, {54, 3},   {55, 3},
      {57, 3},   {58, 4},   {59, 4},  {60, 4},  {61, 4},   {62, 4},   {63, 1},   {64, 120}, {65, 3},   {66, 3},
      {67, 3},   {68, 2},   {69, 10}, {77, 10}, {85, 7},   {86, 10},  {87, 25},  {88, 40},  {89, 50},  {90, 2},
      {91, 3},   {92, 100}, {93, 80}, {94, 60}, {95, 100}, {96, 100}, {103, 4},  {104, 2},  {105, 30}, {106, 0},
      {107, 10}, {108, 4},  {109, 3}, {111, 3}, {112, 6},  {113, 6},  {114, 2},  {124, 12}, {125, 32},
  };
  for (int s = 0; s < 128; s++) {
    const auto it = attendus.find(s);
    EXPECT_EQ(m.slot[s], it == attendus.end() ? 0 : it->second) << "slot " << s;
  }
  for (uint8_t d : m.drapeaux) EXPECT_EQ(d, 0);
  EXPECT_EQ(m.drapeau220, 1);
  EXPECT_EQ(m.drapeau221, 1);
  EXPECT_EQ(m.valeur244, 0);
  // The chord styles share the looked-up font; sizes 0 and 12, black.
  int16_t fonte = 0;
  GetClosestIDFontFromName(kNomFonteAccords, &fonte, nullptr);
  EXPECT_NE(fonte, 0);
  EXPECT_EQ(m.styleAccords.font, fonte);
  EXPECT_EQ(m.styleTexteAccords.font, fonte);
  EXPECT_EQ(m.styleAccords.size, 0);
  EXPECT_EQ(m.styleTexteAccords.size, 12);
  EXPECT_EQ(m.styleAccords.face, 0);
  EXPECT_EQ(m.styleTexteAccords.color.red | m.styleTexteAccords.color.green | m.styleTexteAccords.color.blue, 0);
  // The two number styles stay empty: drawing then uses font 20 bold.
  EXPECT_EQ(m.styleNombrePause.font, 0);
  EXPECT_EQ(m.styleNombreRepetition.size, 0);
}

TEST(ModeGraphiqueTest, PrintModesRaiseThinLinesToTheMinimums) {
  ModeGraphique m;
  GetDefautModeGraphique(&m);
  m.slot[57] = 0;
  m.slot[85] = 9;
  InstalleModeGraphique(&m, true, 4, 5);
  EXPECT_EQ(GModeGraphique.slot[26], 4);
  EXPECT_EQ(GModeGraphique.slot[12], 4);
  for (int s : kSlotsEpaisseurMin2) EXPECT_GE(GModeGraphique.slot[s], 5) << "slot " << s;
  EXPECT_EQ(GModeGraphique.slot[57], 5);
  EXPECT_EQ(GModeGraphique.slot[85], 9);   // thicker lines are left alone
  EXPECT_EQ(GModeGraphique.slot[11], 14);  // not a thickness slot
  EXPECT_EQ(m.slot[26], 3);                // the score's own copy is untouched

  InstalleModeGraphique(&m, false, 4, 5);
  EXPECT_EQ(GModeGraphique.slot[26], 3);
  EXPECT_EQ(GModeGraphique.slot[57], 0);
}

TEST(ModeGraphiqueTest, TheScoresModeIsInstalledWithThePreferencesMinimums) {
  Handle h = NewHandleClear(sizeof(Partition));
  ASSERT_NE(h, nullptr);
  auto score = reinterpret_cast<Partition**>(h);
  GetDefautModeGraphique(&(*score)->modeGraphique);
  const Preferences saved = pref;
  pref.epaisseurMinImpression1 = 4;
  pref.epaisseurMinImpression2 = 1;

  (*score)->modeEcran = kModeEcranImpression;
  SetCurrentModeGraphique(score);
  EXPECT_EQ(GModeGraphique.slot[26], 4);
  (*score)->modeEcran = kModeEcranRuban;
  SetCurrentModeGraphique(score);
  EXPECT_EQ(GModeGraphique.slot[26], 3);

  GetDefautModeGraphique(&pref.modeGraphiqueUser);
  pref.modeGraphiqueUser.slot[12] = 7;
  ModeGraphique user{};
  GetUserModeGraphique(&user);
  EXPECT_EQ(user.slot[12], 7);
  EXPECT_EQ(user.drapeau220, 1);
  pref = saved;
  DisposeHandle(h);
}

TEST(ModeGraphiqueTest, DisplaySnapshotPutsTheLayoutBack) {
  const int16_t dpiAvant = GetDpiDest();
  Handle h = NewHandleClear(sizeof(Partition));
  ASSERT_NE(h, nullptr);
  auto score = reinterpret_cast<Partition**>(h);
  Portee** staves[2];
  for (auto& st : staves) st = reinterpret_cast<Portee**>(NewHandleClear(sizeof(Portee)));
  (*score)->portees = reinterpret_cast<Portee***>(NewPtrClear(2 * sizeof(Portee**)));
  (*score)->portees[0] = staves[0];
  (*score)->portees[1] = staves[1];
  (*score)->nbPortees = 2;
  for (int16_t i = 0; i < 2; i++) {
    (*staves[i])->partition = score;
    (*staves[i])->index = i;
  }
  (*score)->zoom = 72;
  (*score)->echelleEcran = 1.0f;
  (*score)->margeGaucheEcran = 30;
  (*staves[0])->interligne = 6.0f;
  (*staves[0])->decalageLigneBas = 40;
  (*staves[1])->hauteurRuban = 90;
  Tablature** tab = NewTablature(staves[1], 0);
  ASSERT_NE(tab, nullptr);
  (*tab)->decalageHaut = 5;
  SetDpiDest(72);

  SetParamAffichage(score, nullptr);  // nothing to put back
  EXPECT_EQ(GetDpiDest(), 72);

  HParamAffichage snapshot = GetParamAffichage(score);
  ASSERT_NE(snapshot, nullptr);
  // A layout at 576 dpi changes them all.
  SetDpiDest(576);
  (*score)->zoom = 576;
  (*score)->echelleEcran = 8.0f;
  (*score)->margeGaucheEcran = 0;
  (*staves[0])->interligne = 48.0f;
  (*staves[0])->decalageLigneBas = 320;
  (*staves[1])->hauteurRuban = 720;
  (*tab)->decalageHaut = 40;
  SetParamAffichage(score, snapshot);
  EXPECT_EQ(GetDpiDest(), 72);
  EXPECT_EQ((*score)->zoom, 72);
  EXPECT_EQ((*score)->echelleEcran, 1.0f);
  EXPECT_EQ((*score)->margeGaucheEcran, 30);
  EXPECT_EQ((*staves[0])->interligne, 6.0f);
  EXPECT_EQ((*staves[0])->decalageLigneBas, 40);
  EXPECT_EQ((*staves[1])->hauteurRuban, 90);
  EXPECT_EQ((*tab)->decalageHaut, 5);

  // A snapshot of one staff restores only that one.
  (*score)->nbPortees = 1;
  snapshot = GetParamAffichage(score);
  ASSERT_NE(snapshot, nullptr);
  (*score)->nbPortees = 2;
  (*staves[1])->hauteurRuban = 33;
  SetParamAffichage(score, snapshot);
  EXPECT_EQ((*staves[1])->hauteurRuban, 33);

  DisposeTablature(staves[1]);
  for (auto& st : staves) DisposeHandle(reinterpret_cast<Handle>(st));
  DisposePtr(reinterpret_cast<Ptr>((*score)->portees));
  DisposeHandle(h);
  SetDpiDest(dpiAvant);
}

}  // namespace
