#include "layout/Titres.h"

#include <gtest/gtest.h>

#include <cstring>

#include "layout/PaginationFixtures.h"
#include "model/Portee.h"
#include "platform/QuickDraw.h"
#include "system/Strings.h"
#include "text/TextBox.h"

namespace {

struct AvecNom : PartitionPaginee {
  AvecNom(const char* nom, const char* abrege) : PartitionPaginee(1, 2) {
    AspectGraphiquePortee& a = (*Staff(0))->aspect;
    strnzcpy(a.nom, nom, sizeof a.nom);
    strnzcpy(a.nomAbrege, abrege, sizeof a.nomAbrege);
  }
  uint16_t Largeur(const char* t) {
    uint16_t w = 0, h = 0;
    TextBoxStyleSize(t, int32_t(std::strlen(t)), &(*Staff(0))->aspect.styleNom, &w, &h, 1);
    return w;
  }
};

}  // namespace

// The name's box stands left of x, right of it or centred on it by its
// justification; the first system shows the full name, the others the
// abbreviation (the full name when there is none); no name, or names a part
// group shows instead, no box.
TEST(NomsPortees, TheNameBoxOfAStaff) {
  struct Cas {
    const char *nom, *abrege;
    bool premier;
    int16_t justification;
    const char* montre;   // null: empty box
    bool caches = false;  // another staff or a part group shows them
  };
  const Cas cas[] = {
      {"Violin", "Vl.", true, -1, "Violin"},     {"Violin", "Vl.", true, 0, "Violin"},
      {"Violin", "Vl.", true, 1, "Violin"},      {"Violin", "Vl.", false, 0, "Vl."},
      {"Violin", "", false, 0, "Violin"},        {"", "Vl.", false, 0, nullptr},
      {"Violin", "Vl.", true, 0, nullptr, true}, {"Violin", "Vl.", false, 0, nullptr, true},
  };
  for (const Cas& c : cas) {
    AvecNom p(c.nom, c.abrege);
    (*p.Staff(0))->aspect.nomsCaches = c.caches ? 1 : 0;
    Systeme s;
    SetSystemeDefaut(&s);
    s.premierSystemePartition = c.premier ? 1 : 0;
    Rect r{1, 1, 1, 1};
    CalculeAireNomPorteeModePage(p.Staff(0), &s, 300, c.justification, &r);
    if (!c.montre) {
      EXPECT_TRUE(EmptyRect(&r)) << c.nom;
      continue;
    }
    const int16_t w = int16_t(p.Largeur(c.montre));
    ASSERT_GT(w, 0);
    EXPECT_EQ(r.right - r.left, w) << c.montre;
    const int16_t gauche = c.justification == -1 ? 300 : c.justification == 0 ? int16_t(300 - w) : int16_t(300 - w / 2);
    EXPECT_EQ(r.left, gauche) << c.montre << " " << c.justification;
    EXPECT_GT(r.bottom, r.top);
  }
}

// The name's offsets move its box (zoomed to the destination).
TEST(NomsPortees, OffsetsMoveTheBox) {
  AvecNom p("Violin", "");
  Rect a, b;
  CalculeAireNomPorteeModePage(p.Staff(0), nullptr, 300, 0, &a);
  (*p.Staff(0))->aspect.valeursNom[0] = 10;
  (*p.Staff(0))->aspect.valeursNom[1] = -5;
  CalculeAireNomPorteeModePage(p.Staff(0), nullptr, 300, 0, &b);
  EXPECT_EQ(b.left - a.left, 10);
  EXPECT_EQ(b.top - a.top, -5);
}

// Old documents' positions take the measured sizes of the two names.
TEST(NomsPortees, OldPositionsTakeTheNamesSizes) {
  AvecNom p("Violin", "Vl.");
  AspectGraphiquePortee& a = (*p.Staff(0))->aspect;
  a.valeursNom[0] = 5;
  a.valeursNomAbrege[0] = 7;
  a.valeursNomAbrege[1] = 20;
  uint16_t w = 0, h = 0;
  TextBoxStyleSize("Vl.", 3, &a.styleNomAbrege, &w, &h, 1);
  const uint16_t largeur = p.Largeur("Violin");
  AjustePositionNomPorteeModePage(p.Staff(0));
  const AspectGraphiquePortee& b = (*p.Staff(0))->aspect;
  EXPECT_EQ(b.valeursNom[0], 5 + largeur);
  EXPECT_EQ(b.valeursNomAbrege[0], 7 + w);
  EXPECT_EQ(b.valeursNomAbrege[1], 20 + h - 4);
}
