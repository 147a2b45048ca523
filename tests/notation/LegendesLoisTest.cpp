#include "notation/LegendesLois.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "layout/PaginationFixtures.h"
#include "model/Lois.h"
#include "model/ParamEffet.h"
#include "notation/NotationFixtures.h"

namespace {

// One staff of eight bars, a whole note per bar (pitches 60 to 67), and a law
// named "Legato" that selects every note, in the given legend mode.
struct Loi8 : PartitionPaginee {
  Loi8() : PartitionPaginee(1, 8) {}
  Loi& NouvelleLoi(int32_t mode, const char* nom = "Legato") {
    const int32_t i = NewLoi(Staff(0));
    int32_t n = 0;
    Loi& l = GetLoisPortee(Staff(0), &n)[i];
    std::strcpy(l.nom, nom);
    l.modeLegende = mode;
    return l;
  }
  // The text of each note's legend marks, "" for a note without any.
  std::vector<std::string> Legendes() {
    std::vector<std::string> out;
    int32_t n = 0;
    GetSignesPortee(Staff(0), &n);
    for (int32_t i = 0; i < n; i++) {
      std::string t;
      const ParamEffet* e = GetParamEffetIndexNote(Staff(0), i);
      const int32_t nm = e && e->marks ? GetNbMarks(e->marks) : 0;
      for (int32_t k = 0; k < nm; k++) {
        const Mark& m = reinterpret_cast<const Mark*>(*e->marks)[k];
        if (m.code == 100) t += std::string(t.empty() ? "" : "|") + m.texte;
      }
      out.push_back(t);
    }
    return out;
  }
};

const std::string L = "Legato";

}  // namespace

// Which notes show the law's name: mode 1 the first matching note only, mode
// 3 every note, other modes none; the working bit leaves no trace on notes.
TEST(LegendesLois, TheLegendModeChoosesTheNotes) {
  const struct {
    int32_t mode;
    std::vector<std::string> attendu;
  } cas[] = {
      {1, {L, "", "", "", "", "", "", ""}},
      {3, {L, L, L, L, L, L, L, L}},
      {0, {"", "", "", "", "", "", "", ""}},
      {7, {"", "", "", "", "", "", "", ""}},
  };
  for (const auto& c : cas) {
    Loi8 p;
    p.NouvelleLoi(c.mode);
    EXPECT_EQ(CalculeLegendesLoisPartition(p.score), 1);
    EXPECT_EQ(p.Legendes(), c.attendu) << c.mode;
    int32_t n = 0;
    const Signe* s = GetSignesPortee(p.Staff(0), &n);
    for (int32_t i = 0; i < n; i++) EXPECT_EQ(s[i].flags & 0x0800, 0) << i;
  }
}

// A staff without laws keeps its legend marks; a note whose law no longer
// selects it loses them at the next computation, and a legend that stays
// takes the law's new name.
TEST(LegendesLois, StaleLegendsGoAndKeptOnesAreRenamed) {
  Loi8 p;
  ASSERT_GE(AddMarkNote(p.Staff(0), 2, 100, 0, 240, 32), 0);
  CalculeLegendesLoisPartition(p.score);
  EXPECT_EQ(p.Legendes()[2], "");  // the mark is there, with no text yet
  EXPECT_EQ(GetNbMarks(GetParamEffetIndexNote(p.Staff(0), 2)->marks), 1);
  Loi& l = p.NouvelleLoi(3);
  CalculeLegendesLoisPartition(p.score);
  EXPECT_EQ(p.Legendes(), std::vector<std::string>(8, L));
  int32_t n = 0;
  GetLoisPortee(p.Staff(0), &n)[0].hauteur = 62;  // only the third note now
  std::strcpy(GetLoisPortee(p.Staff(0), &n)[0].nom, "Staccato");
  (void)l;
  CalculeLegendesLoisPartition(p.score);
  EXPECT_EQ(p.Legendes(), (std::vector<std::string>{"", "", "Staccato", "", "", "", "", ""}));
}

// Legends placed at the same x go lower line (greater y) first; those
// already placed come before any to place.
TEST(LegendesLois, PlacingOrder) {
  const struct {
    Legende a, b;
    int attendu;
  } cas[] = {
      {{10, 5, 0, 0, 0, {}, 0, 1}, {10, 9, 0, 0, 0, {}, 0, 1}, 1},
      {{10, 9, 0, 0, 0, {}, 0, 1}, {10, 5, 0, 0, 0, {}, 0, 1}, -1},
      {{20, 9, 0, 0, 0, {}, 0, 1}, {10, 9, 0, 0, 0, {}, 0, 1}, 1},
      {{20, 9, 0, 0, 0, {}, 0, 0}, {10, 9, 0, 0, 0, {}, 0, 1}, -1},
      {{10, 9, 0, 0, 0, {}, 0, 1}, {10, 9, 0, 0, 0, {}, 0, 1}, 0},
  };
  for (const auto& c : cas) EXPECT_EQ(CompareLegende(c.a, c.b), c.attendu);
}

// Notes close together each get their legend, also with a name that has no
// width or in a band too small for any place: the search always ends.
TEST(LegendesLois, EveryCloseNoteGetsItsLegendAndTheSearchEnds) {
  const struct {
    const char* nom;
    int32_t bas;  // the band's bottom
  } cas[] = {{"Legato", 120}, {"", 120}, {"Legato", 2}, {"", 0}};
  for (const auto& c : cas) {
    // Eight sixteenths in one bar: their names overlap across.
    PartitionPaginee p(1, 1, {}, 8);
    Portee** staff = p.Staff(0);
    (*staff)->aireRuban = BigRect{0, 0, c.bas, 2000};
    (*staff)->decalageLigneBasRuban = int16_t(c.bas / 6);
    (*staff)->interligneRuban = 6.0f;
    int32_t n = 0;
    const int32_t i = NewLoi(staff);
    Loi& l = GetLoisPortee(staff, &n)[i];
    std::strcpy(l.nom, c.nom);
    l.modeLegende = 3;
    CalculeLegendesLoisPartition(p.score);
    GetSignesPortee(staff, &n);
    for (int32_t k = 0; k < n; k++) {
      const ParamEffet* e = GetParamEffetIndexNote(staff, k);
      ASSERT_TRUE(e && e->marks) << k;
      const Mark& m = reinterpret_cast<const Mark*>(*e->marks)[0];
      EXPECT_EQ(m.code, 100);
      EXPECT_STREQ(m.texte, c.nom);
    }
    EXPECT_EQ(n, 8);
  }
}
