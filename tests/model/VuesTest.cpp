// Views: ids, the base view, showing and leaving views with the aspects they
// own, staff entries across staff removal, and which objects a view shows.
#include <cstring>
#include <vector>

#include "BarTableFixtures.h"
#include "model/PartGroups.h"
#include "model/StaffHeightEvts.h"
#include "system/QrvFiles.h"

namespace {

struct VuesTest : BarTableTest {
  Portee** p[4];

  VuesTest() {
    Mesures(4);
    doc->partitionCourante = score;
    for (auto& s : p) s = NewPortee(score, kTypePorteeStandard);
    RetablitCoherenceIDPortees(doc);
    std::strcpy(doc->titres[0].texte, "Document");
  }

  // Appends views owning the given aspects.
  Vue* NouvellesVues(int16_t n) {
    doc->vues = NewHandleClear(Size(n) * Size(sizeof(Vue)));
    for (int16_t i = 0; i < n; i++) {
      Vue* v = GetVueDocument(doc, i);
      v->id = uint32_t(NewIdUnique(doc));
      std::snprintf(v->nom, sizeof v->nom, "vue %d", i);
    }
    return GetVueDocument(doc, 0);
  }
  // A view entry for each listed staff, with a 'G' event of the given value.
  void Entrees(int16_t vue, std::initializer_list<int16_t> staves, int32_t g) {
    Vue* v = GetVueDocument(doc, vue);
    v->portees = NewHandleClear(Size(staves.size()) * Size(sizeof(VuePortee)));
    int k = 0;
    for (int16_t s : staves) {
      VuePortee& e = reinterpret_cast<VuePortee*>(*v->portees)[k++];
      e.idPortee = (*p[s])->idUnique;
      e.aspect = (*p[s])->aspect;
      std::snprintf(e.aspect.nom, sizeof e.aspect.nom, "vue %d portee %d", vue, s);
      e.staffHeightEvts = NewHandleClear(Size(sizeof(StaffHeightEvt)));
      *reinterpret_cast<StaffHeightEvt*>(*e.staffHeightEvts) = StaffHeightEvt{'G', 0, g};
    }
  }
  bool Cachee(int16_t s) { return (*p[s])->cacheeModePage != 0; }
  int16_t NbEntrees(int16_t vue) {
    Vue* v = GetVueDocument(doc, vue);
    return v->portees ? int16_t(GetHandleSize(v->portees) / Size(sizeof(VuePortee))) : 0;
  }
};

TEST_F(VuesTest, IdsAreMadeUniqueAboveEveryIdKept) {
  NouvellesVues(3);
  doc->vueBase.id = 50;
  GetVueDocument(doc, 0)->id = 7;
  GetVueDocument(doc, 1)->id = 7;
  GetVueDocument(doc, 2)->id = 50;  // the base view's id
  EXPECT_EQ(CheckCoherenceIDVues(doc), 52);
  EXPECT_EQ(GetVueDocument(doc, 0)->id, 7u);
  EXPECT_EQ(GetVueDocument(doc, 1)->id, 51u);
  EXPECT_EQ(GetVueDocument(doc, 2)->id, 52u);
  EXPECT_EQ(GetNbVuesDocument(nullptr), 0);
}

TEST_F(VuesTest, PreparingGivesTheBaseViewTheDocumentsState) {
  (*p[3])->cacheeModePage = 1;
  SearchEventAndCreate(p[0], 'G', 1, 11);
  doc->indexVueCourante = 5;  // no view list: nothing to show
  InitVueCourante(doc);
  EXPECT_EQ(GetIndexVueCourante(doc), -1);
  EXPECT_EQ(doc->indexVueModeEcran, -1);
  EXPECT_NE(doc->vueBase.id, 0u);
  for (int a = kVueAspectMiseEnPage; a < kNbFlagsVue; a++) EXPECT_EQ(doc->vueBase.flags[a], 1);
  EXPECT_FALSE(IsVuesEnModeRuban());
  // Entries for the staves shown in the page view, with copies of their events.
  ASSERT_EQ(NbEntrees(-1), 3);
  const VuePortee& e0 = reinterpret_cast<VuePortee*>(*doc->vueBase.portees)[0];
  EXPECT_EQ(e0.idPortee, (*p[0])->idUnique);
  ASSERT_NE(e0.staffHeightEvts, nullptr);
  EXPECT_NE(e0.staffHeightEvts, (*p[0])->staffHeightEvts);
  EXPECT_EQ(GetStaffHeightEvts(e0.staffHeightEvts)[0].value, 11);
  EXPECT_STREQ(doc->vueBase.titres[0].texte, "Document");
  EXPECT_NE(doc->vueBase.tabEltMesure, nullptr);
  EXPECT_EQ(doc->vueBase.nbMesures, 4);
  EXPECT_EQ(RecherchePorteeDansVue(doc, -1, p[2]), 2);
  EXPECT_EQ(RecherchePorteeDansVue(doc, -1, p[3]), -1);
}

TEST_F(VuesTest, ShowingAViewAndComingBack) {
  SearchEventAndCreate(p[0], 'G', 0, 1);
  InitVueCourante(doc);
  Vue* v = NouvellesVues(2);
  v->flags[kVueAspectHauteurs] = 1;
  v->flags[kVueAspectApparence] = 1;
  v->flags[kVueAspectTitres] = 1;
  std::strcpy(v->titres[0].texte, "Vue");
  Entrees(0, {0, 2}, 99);

  FixeVue(doc, 0);
  EXPECT_EQ(GetIndexVueCourante(doc), 0);
  EXPECT_FALSE(Cachee(0));
  EXPECT_TRUE(Cachee(1));
  EXPECT_FALSE(Cachee(2));
  EXPECT_TRUE(Cachee(3));
  EXPECT_EQ(ExtractStaffHeightEvt(p[0], 'G', 0, 0), 99);
  EXPECT_STREQ((*p[2])->aspect.nom, "vue 0 portee 2");
  EXPECT_STREQ(doc->titres[0].texte, "Vue");
  EXPECT_EQ(RecherchePorteeDansVue(doc, 0, p[2]), 1);
  EXPECT_EQ(RecherchePorteeDansVue(doc, 0, p[1]), -1);

  // Leaving it saves its state into it and gives the document its own back.
  SearchEventAndCreate(p[2], 'G', 3, 42);
  FixeVue(doc, -1);
  EXPECT_EQ(GetIndexVueCourante(doc), -1);
  for (int16_t s = 0; s < 4; s++) EXPECT_FALSE(Cachee(s)) << s;
  EXPECT_EQ(ExtractStaffHeightEvt(p[0], 'G', 0, 0), 1);
  EXPECT_EQ(ExtractStaffHeightEvt(p[2], 'G', 3, 3), 0);
  EXPECT_STREQ((*p[2])->aspect.nom, "");
  EXPECT_STREQ(doc->titres[0].texte, "Document");
  FixeVue(doc, 0);
  EXPECT_EQ(ExtractStaffHeightEvt(p[2], 'G', 3, 3), 42);

  // An index past the list shows no view.
  FixeVue(doc, 5);
  EXPECT_EQ(GetIndexVueCourante(doc), -1);
}

TEST_F(VuesTest, ABarLayoutOwnedByAViewIsTheViewsOwn) {
  InitVueCourante(doc);
  Vue* v = NouvellesVues(1);
  v->flags[kVueAspectMiseEnPage] = 1;
  Entrees(0, {0, 1, 2, 3}, 0);
  FixeVue(doc, 0);
  Ligne(1).margeDroite = 33;
  FixeVue(doc, -1);
  EXPECT_NE(Ligne(1).margeDroite, 33);
  FixeVue(doc, 0);
  EXPECT_EQ(Ligne(1).margeDroite, 33);
  EXPECT_EQ(NbLignes(), 4);
}

TEST_F(VuesTest, RemovingAStaffRemovesItFromEveryViewAndKeepsTheOthersFound) {
  InitVueCourante(doc);
  NouvellesVues(3);
  for (int16_t v = 0; v < 3; v++) {
    Entrees(v, {0, 1, 3}, v);
    GetVueDocument(doc, v)->partGroups = NewHandleClear(Size(sizeof(PartGroup)));
    reinterpret_cast<PartGroup*>(*GetVueDocument(doc, v)->partGroups)->premierePortee = 2;
    reinterpret_cast<PartGroup*>(*GetVueDocument(doc, v)->partGroups)->dernierePortee = 3;
  }
  Portee** garde = p[3];
  // Callers that remove a staff take it out of the views first.
  EXPECT_EQ(AjusteVuesQdSupprimePortee(score, 1), 1);
  DisposePorteeIndex(score, 1, 0);
  ASSERT_EQ((*score)->nbPortees, 3);
  EXPECT_EQ(NbEntrees(-1), 3);
  for (int16_t v = 0; v < 3; v++) {
    EXPECT_EQ(NbEntrees(v), 2) << v;
    EXPECT_EQ(RecherchePorteeDansVue(doc, v, garde), 1) << v;
    EXPECT_EQ(RecherchePorteeDansVue(doc, v, p[0]), 0) << v;
    const PartGroup& g = *reinterpret_cast<PartGroup*>(*GetVueDocument(doc, v)->partGroups);
    EXPECT_EQ(g.premierePortee, 1);
    EXPECT_EQ(g.dernierePortee, 2);
  }
  FixeVue(doc, 1);
  EXPECT_FALSE(Cachee(0));
  EXPECT_TRUE((*(*score)->portees[1])->cacheeModePage);
  EXPECT_FALSE((*garde)->cacheeModePage);
}

TEST_F(VuesTest, CleaningDropsEntriesOfMissingStaves) {
  NouvellesVues(1);
  Entrees(0, {0, 1, 2}, 0);
  reinterpret_cast<VuePortee*>(*GetVueDocument(doc, 0)->portees)[1].idPortee = 9999;
  CleanVues(doc);
  ASSERT_EQ(NbEntrees(0), 2);
  EXPECT_EQ(RecherchePorteeDansVue(doc, 0, p[2]), 1);
}

TEST_F(VuesTest, TextsAndFreeObjectsByViewIdentifier) {
  InitVueCourante(doc);
  // Without views: -1 and 0 show, -3 and unknown ids do not.
  EXPECT_TRUE(IsTexteDansVueCourante(doc, p[0], 0));
  EXPECT_TRUE(IsTexteDansVueCourante(doc, p[0], -1));
  EXPECT_FALSE(IsTexteDansVueCourante(doc, p[0], -3));
  EXPECT_FALSE(IsObjetLibreDansVueCourante(doc, 1234));

  NouvellesVues(2);
  Entrees(0, {0}, 0);
  Entrees(1, {1}, 0);
  uint32_t id1 = GetVueDocument(doc, 1)->id;
  FixeVue(doc, 1);
  struct Cas {
    int32_t id;
    int16_t staff;
    bool texte;
    bool attendu;
  };
  const Cas cas[] = {
      {0, 0, true, true},
      {-1, 0, true, false},
      {-3, 0, true, true},
      {-2, 1, true, true},
      {-2, 0, true, false},
      {int32_t(id1), 0, true, true},
      {int32_t(GetVueDocument(doc, 0)->id), 0, true, false},
      {int32_t(doc->vueBase.id), 0, true, false},
      {777, 0, true, false},
      {int32_t(id1), 0, false, true},
      {-1, 0, false, false},
  };
  for (const Cas& c : cas) {
    bool r = c.texte ? IsTexteDansVueCourante(doc, p[c.staff], c.id) : IsObjetLibreDansVueCourante(doc, c.id);
    EXPECT_EQ(r, c.attendu) << c.id << " " << c.staff;
  }
  FixeVue(doc, -1);
  EXPECT_TRUE(IsObjetLibreDansVueCourante(doc, int32_t(doc->vueBase.id)));
  EXPECT_TRUE(IsTexteDansVueCourante(doc, p[2], -1));
  EXPECT_FALSE(IsTexteDansVueCourante(doc, p[2], int32_t(id1)));
}

}  // namespace

// ------------------------------------------------------------ reading

namespace {

struct Flux {
  std::vector<uint8_t> b;
  Flux& U8(int v) {
    b.push_back(uint8_t(v));
    return *this;
  }
  Flux& I16(int32_t v) { return U8(v >> 8).U8(v); }
  Flux& I32(int32_t v) { return I16(int32_t(uint32_t(v) >> 16)).I16(v & 0xFFFF); }
  Flux& Zeros(int n) {
    b.insert(b.end(), size_t(n), 0);
    return *this;
  }
  Flux& Chaine(const char* s) {
    U8(int(std::strlen(s)));
    b.insert(b.end(), s, s + std::strlen(s));
    return *this;
  }
  // Everything of the views block before the view list.
  Flux& Entete(int32_t counter, int16_t index, int32_t baseId) { return I32(counter).I16(index).I32(baseId).Zeros(16); }
};

struct LectureVues : ::testing::Test {
  Document* doc = NouveauDocument();
  bool resultat = false;
  bool fin = false;
  int16_t suivant = -2;
  ~LectureVues() override { LibereDocument(doc); }
  void Lit(const Flux& f, uint16_t version = 2368) {
    doc->version = version;
    FixeLectureSurPtr(f.b.data(), uint32_t(f.b.size()));
    resultat = ReadVues(doc);
    fin = EndOfFile() != 0;
    suivant = ReadCar();
    TermineSurPtr();
  }
};

TEST_F(LectureVues, OlderDocumentsHaveNoViews) {
  doc->indexVueCourante = 3;
  Lit(Flux().U8(0x5A), 2367);
  EXPECT_TRUE(resultat);
  EXPECT_EQ(doc->indexVueCourante, -1);
  EXPECT_EQ(doc->indexVueModeEcran, -1);
  EXPECT_EQ(suivant, 0x5A);  // nothing was read
}

TEST_F(LectureVues, AnEmptyListKeepsTheCounterAndTheScreenModeIndex) {
  Lit(Flux().Entete(41, 2, 40).I16(0).U8(0x5A));
  EXPECT_TRUE(resultat);
  EXPECT_EQ(doc->compteurIdUnique, 41u);
  EXPECT_EQ(doc->vueBase.id, 40u);
  EXPECT_EQ(doc->indexVueCourante, -1);  // screen mode: the index is kept aside
  EXPECT_EQ(doc->indexVueModeEcran, 2);
  EXPECT_EQ(doc->vues, nullptr);
  EXPECT_EQ(suivant, 0x5A);
}

TEST_F(LectureVues, DamagedCountsFailCleanly) {
  struct Cas {
    const char* nom;
    Flux flux;
  };
  Flux vue = Flux().Entete(1, 0, 1).I16(1).I32(7).Chaine("Cordes").Zeros(kNbFlagsVue + 16);
  const Cas cas[] = {
      {"negative view count", Flux().Entete(1, 0, 1).I16(-4).Zeros(400)},
      {"view count past the bytes", Flux().Entete(1, 0, 1).I16(3).Zeros(400)},
      {"cut in the header", Flux().I32(1).I16(0)},
      {"entry count past the bytes", Flux(vue).I16(3000).Zeros(400)},
      {"negative entry count", Flux(vue).I16(-1).Zeros(400)},
      {"height events past the bytes", Flux(vue).I16(1).I32(1).I16(500).Zeros(400)},
      {"an entry whose record cannot be read", Flux(vue).I16(1).I32(1).I16(1).I16('G').I16(0).I32(5).Zeros(400)},
  };
  for (const Cas& c : cas) {
    SCOPED_TRACE(c.nom);
    Lit(c.flux);
    EXPECT_FALSE(resultat);
    EXPECT_TRUE(fin);
  }
  // What was read belongs to the document, which frees it (no leak under ASan).
  ASSERT_EQ(GetNbVuesDocument(doc), 1);
  EXPECT_EQ(GetVueDocument(doc, 0)->id, 7u);
  EXPECT_STREQ(GetVueDocument(doc, 0)->nom, "Cordes");
  ASSERT_NE(GetVueDocument(doc, 0)->portees, nullptr);
  EXPECT_NE(reinterpret_cast<VuePortee*>(*GetVueDocument(doc, 0)->portees)[0].staffHeightEvts, nullptr);
}

}  // namespace
