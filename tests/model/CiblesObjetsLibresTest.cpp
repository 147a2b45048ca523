// Targets and free objects: creation, labels, the stored lists read from
// byte fixtures, and the page element of a free object.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "ModelFixtures.h"
#include "layout/MiseEnPage.h"
#include "layout/Zoom.h"
#include "model/Cibles.h"
#include "model/CvtTemps.h"
#include "model/ObjetsLibres.h"
#include "model/Partition.h"
#include "model/QrvText.h"
#include "model/TabEltMesure.h"
#include "platform/Printing.h"
#include "plugin/LectureDocument.h"
#include "support/NativeScoreLists.h"
#include "system/QrvFiles.h"

namespace {

using tamrel_test::FreeObjectRecord;
using tamrel_test::NativeWriter;
using tamrel_test::TargetRecord;

struct CiblesTest : ::testing::Test {
  Document* doc = NouveauDocument();
  Partition** score = CreePartitionVide(doc);
  CiblesTest() {
    // Bars of 4/4; later ones are reckoned from the last.
    AddEltTabEltMesureRuban(score, 4);
    (*score)->nbMesures = 4;
    UpdateTabEltMesure(score, kTabEltTout);
  }
  ~CiblesTest() override { LibereDocument(doc); }
  Cible& C(int i) { return reinterpret_cast<Cible*>(*(*score)->cibles)[i]; }
  std::string Libelle(uint16_t kind, int16_t bar, int32_t offset = 0) {
    char out[300] = "unchanged";
    const int16_t r = CalculeLibelleCible(doc, kind, CvtMesureEnTemps(score, bar) + offset, out);
    return r ? std::string(out) : r == 0 && out[0] == 0 ? std::string("-") : std::string("?");
  }
};

TEST_F(CiblesTest, NewTargetsAreNamedByBarAndLabelledInOrder) {
  ASSERT_EQ(CreeCible(doc, 4), 0);
  EXPECT_STREQ(C(0).nom, "Target #5");
  EXPECT_EQ(C(0).mesure, 4);
  EXPECT_EQ(C(0).sansLibelle, 0);
  (*score)->libellesCiblesAuto = 0;
  ASSERT_EQ(CreeCible(doc, 6), 1);
  EXPECT_EQ(C(1).sansLibelle, 1);
  EXPECT_EQ(CvtMesureEnCible(doc, 6), 1);
  EXPECT_EQ(CvtMesureEnCible(doc, 5), -1);
  DisposeCibles(score);
  EXPECT_EQ((*score)->cibles, nullptr);

  // Targets at bars 2, 5 and 9, the one at 5 without a label.
  (*score)->libellesCiblesAuto = 1;
  for (int16_t bar : {2, 5, 9}) CreeCible(doc, bar);
  C(1).sansLibelle = 1;
  std::strcpy(C(2).nom, "Coda");
  struct Cas {
    uint16_t kind;
    int16_t bar;
    const char* label;
  } cas[] = {{'#', 9, "2"}, {'A', 9, "B"}, {'A', 2, "A"}, {'N', 9, "Coda"}, {'A', 5, "-"}, {'#', 3, "-"}};
  for (const Cas& c : cas) EXPECT_EQ(Libelle(c.kind, c.bar, 1000), c.label) << char(c.kind) << c.bar;
}

TEST_F(CiblesTest, LetterLabelsCountInBijectiveBaseTwentySix) {
  DisposeCibles(score);
  (*score)->cibles = NewHandleClear(Size(703 * sizeof(Cible)));
  for (int i = 0; i < 703; i++) C(i).mesure = uint16_t(i);
  struct Cas {
    int16_t bar;
    const char* label;
  } cas[] = {{0, "A"}, {25, "Z"}, {26, "AA"}, {27, "AB"}, {701, "ZZ"}, {702, "AAA"}};
  for (const Cas& c : cas) EXPECT_EQ(Libelle('A', c.bar), c.label) << c.bar;
  EXPECT_EQ(Libelle('#', 702), "703");
}

TEST_F(CiblesTest, AutomaticLabelTextsAreDeletedFromEveryStaff) {
  Portee** staff = NewPortee(score, kTypePorteeStandard);
  for (const char* t : {"Rehearsal $!A", "plain", "$!#", "cost $5"}) ASSERT_GE(CreeNewTexte(staff, t), 0);
  CreeLibellesCiblesAutomatiques(doc);
  int32_t n;
  const Texte* t = GetTextesPortee(staff, &n);
  ASSERT_EQ(n, 2);
  EXPECT_STREQ(reinterpret_cast<const char*>(*t[0].texte), "plain");
  EXPECT_STREQ(reinterpret_cast<const char*>(*t[1].texte), "cost $5");
  // Without automatic labels they stay.
  CreeNewTexte(staff, "$!A");
  (*score)->libellesCiblesAuto = 0;
  CreeLibellesCiblesAutomatiques(doc);
  GetTextesPortee(staff, &n);
  EXPECT_EQ(n, 3);
}

struct Lecture {
  bool fin = false;
  int16_t suivant = 0;
  template <typename F>
  void Lit(const std::vector<uint8_t>& octets, uint16_t version, F lire) {
    const uint16_t avant = VersionQuarvelLoad;
    VersionQuarvelLoad = version;
    FixeLectureSurPtr(octets.data(), uint32_t(octets.size()));
    lire();
    fin = EndOfFile() != 0;
    suivant = ReadCar();
    TermineSurPtr();
    VersionQuarvelLoad = avant;
  }
};

TEST(LectureCibles, TargetsAreReadAndOldNamesConverted) {
  TargetRecord a{"Intro", 0, 0};
  TargetRecord b{"Pont \x8E", 12, 1};  // Mac Roman e acute in documents before 9.40
  for (uint16_t version : {0x0930, 0x0940}) {
    NativeWriter w(version);
    tamrel_test::WriteTargets(w, {a, b});
    w.U8(0x5A);
    Handle h = nullptr;
    Lecture l;
    l.Lit(w.Finish(), version, [&] { h = ReadCibles(); });
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(l.suivant, 0x5A);
    ASSERT_EQ(GetHandleSize(h), Size(2 * sizeof(Cible)));
    const Cible* c = reinterpret_cast<Cible*>(*h);
    EXPECT_STREQ(c[0].nom, "Intro");
    EXPECT_EQ(c[1].mesure, 12);
    EXPECT_EQ(c[1].sansLibelle, 1);
    EXPECT_STREQ(c[1].nom, version < 0x0940 ? "Pont \xC3\xA9" : "Pont \x8E");
    DisposeHandle(h);
  }
  // No list, a count beyond the stream, a list cut at every byte.
  NativeWriter vide(0x0940);
  vide.I16(0);
  Handle h = reinterpret_cast<Handle>(1);
  Lecture l;
  l.Lit(vide.Finish(), 0x0940, [&] { h = ReadCibles(); });
  EXPECT_EQ(h, nullptr);
  EXPECT_FALSE(l.fin);
  NativeWriter w(0x0940);
  tamrel_test::WriteTargets(w, {a, b});
  const std::vector<uint8_t> entier = w.Finish();
  for (size_t n = 1; n < entier.size(); n++) {
    l.Lit(std::vector<uint8_t>(entier.begin(), entier.begin() + long(n)), 0x0940, [&] { h = ReadCibles(); });
    EXPECT_EQ(h, nullptr) << n;
    EXPECT_TRUE(l.fin) << n;
  }
}

// ---- free objects

struct ObjetsLibresTest : CiblesTest {
  ObjetLibre& O(int i) { return reinterpret_cast<ObjetLibre*>(*(*score)->objetsLibres)[i]; }
  int16_t Lit(const std::vector<uint8_t>& octets, uint16_t version, Lecture* l = nullptr) {
    Lecture local;
    int16_t r = -1;
    (l ? l : &local)->Lit(octets, version, [&] { r = ReadObjetsLibres(score); });
    return r;
  }
};

TEST_F(ObjetsLibresTest, NewObjectsTakeTheirDefaultsAndFreeingTheLastDropsTheList) {
  ASSERT_EQ(NewObjetLibre(doc, 3), 0);
  const ObjetLibre& o = O(0);
  EXPECT_EQ(o.type, 3u);
  EXPECT_EQ(o.rect.top, 0);
  EXPECT_EQ(o.rect.left, 100);
  EXPECT_EQ(o.rect.bottom, 200);
  EXPECT_EQ(o.rect.right, 300);
  EXPECT_EQ(o.page, -1);
  EXPECT_EQ(o.style.face, kFaceObjetLibreUTF8);
  ASSERT_NE(o.donnees, nullptr);
  EXPECT_EQ(GetHandleSize(o.donnees), 1);
  ASSERT_EQ(NewObjetLibre(doc, 9), 1);
  LibereObjetLibre(score, 5);  // out of range: ignored
  EXPECT_EQ(NbObjetsLibres(score), 2);
  LibereObjetLibre(score, 0);
  ASSERT_EQ(NbObjetsLibres(score), 1);
  EXPECT_EQ(O(0).type, 9u);
  LibereObjetLibre(score, 0);
  EXPECT_EQ((*score)->objetsLibres, nullptr);
}

FreeObjectRecord ObjetComplet() {
  FreeObjectRecord o;
  o.type = 0;
  o.values1[0] = -7;
  o.values1[1] = 70000;
  o.value1 = 5;
  o.strings[0] = "alpha";
  o.strings[1] = "beta";
  o.data = "Caf\x8E";
  o.value2 = 3;
  o.value3 = -2;
  o.top = 10, o.left = 20, o.bottom = 110, o.right = 220;
  o.anchor = 3;
  o.secondClass = 1;
  o.style.size = 18;
  o.byte1 = 4;
  o.values3[2] = 99;
  o.byte2 = 6;
  o.systemValue = 30;
  o.value4 = 12345;
  o.page = 2;
  o.flag2 = true;
  o.name = "Titre";
  return o;
}

TEST_F(ObjetsLibresTest, StoredObjectsAreReadFieldByFieldAtEachVersion) {
  FreeObjectRecord image = ObjetComplet();
  image.type = 1;
  image.data = "PNGDATA";
  for (uint16_t version : {0x0780, 0x0920, 0x0940, 0x0963, 0x0964}) {
    SCOPED_TRACE(version);
    NewObjetLibre(doc, 4);  // replaced by the list read
    NativeWriter w(version);
    tamrel_test::WriteFreeObjects(w, {ObjetComplet(), image}, version == 0x0940);
    w.U8(0x5A);
    Lecture l;
    ASSERT_EQ(Lit(w.Finish(), version, &l), 1);
    EXPECT_EQ(l.suivant, 0x5A);
    ASSERT_EQ(NbObjetsLibres(score), 2);
    const ObjetLibre& o = O(0);
    EXPECT_EQ(o.type, 0u);
    EXPECT_EQ(o.valeurs1[0], -7);
    EXPECT_EQ(o.valeurs1[1], 70000);
    EXPECT_EQ(o.valeur1, 5);
    EXPECT_STREQ(o.chaines[1], "beta");
    EXPECT_EQ(o.valeur2, 3u);
    EXPECT_EQ(o.valeur3, -2);
    EXPECT_EQ(o.rect.top, 10);
    EXPECT_EQ(o.rect.left, 20);
    EXPECT_EQ(o.rect.bottom, 110);
    EXPECT_EQ(o.rect.right, 220);
    EXPECT_EQ(o.ancre, 3u);
    EXPECT_EQ(o.secondeClasse, 1);
    EXPECT_EQ(o.style.size, 18);
    EXPECT_EQ(o.octet1, 4);
    EXPECT_EQ(o.valeurs3[2], 99);
    EXPECT_EQ(o.octet2, 6);
    EXPECT_EQ(o.page, 2);
    EXPECT_EQ(o.flags[0], 0);
    EXPECT_EQ(o.flags[1], 1);
    EXPECT_EQ(o.valeurSysteme, version >= 0x0920 ? 30 : 0);
    EXPECT_EQ(o.idVue, version >= 0x0940 ? 12345 : 0);
    EXPECT_STREQ(o.nom, version >= 0x0963 ? "Titre" : "");
    // Text boxes before Unicode are converted and marked UTF-8.
    const std::string texte(reinterpret_cast<const char*>(*o.donnees),
                            strnlen(reinterpret_cast<const char*>(*o.donnees), size_t(GetHandleSize(o.donnees))));
    EXPECT_EQ(texte, version < 0x0920 ? "Caf\xC3\xA9" : "Caf\x8E");
    EXPECT_EQ((o.style.face & kFaceObjetLibreUTF8) != 0, version < 0x0920);
    // Image data before 9.64 loses its second byte.
    EXPECT_EQ(O(1).octet2, version < 0x0964 ? 0 : 6);
    EXPECT_EQ(GetHandleSize(O(1).donnees), 7);
  }
  // Nothing is stored before 7.80.
  NativeWriter w(0x0770);
  w.U8(0x5A);
  Lecture l;
  EXPECT_EQ(Lit(w.Finish(), 0x0770, &l), 1);
  EXPECT_EQ(l.suivant, 0x5A);
  EXPECT_EQ(NbObjetsLibres(score), 0);
}

TEST_F(ObjetsLibresTest, DamagedCountsAndLengthsFailCleanly) {
  struct Cas {
    const char* nom;
    int32_t longueur;  // -1: keep the object's data length
    int16_t compte;
    int16_t resultat;
    bool fin;
  } cas[] = {
      {"negative count", -1, -4, 1, false},
      {"count beyond the stream", -1, 30000, 0, true},
      {"negative data length", -9, 1, 0, true},
      {"data length beyond the stream", 1 << 30, 1, 0, true},
  };
  for (const Cas& c : cas) {
    SCOPED_TRACE(c.nom);
    NativeWriter w(0x0964);
    w.I16(c.compte);
    if (c.compte > 0) {
      NativeWriter objet(0x0964);
      tamrel_test::WriteFreeObjects(objet, {ObjetComplet()});
      std::vector<uint8_t> b = objet.Finish();
      b.erase(b.begin(), b.begin() + 2);  // its count
      if (c.longueur != -1) {
        // type, two i32, i16, two strings: the data length follows.
        const size_t at = 1 + 4 + 4 + 2 + 1 + 5 + 1 + 4;
        for (int k = 0; k < 4; k++) b[at + size_t(k)] = uint8_t(uint32_t(c.longueur) >> (24 - 8 * k));
      }
      w.Bytes(b.data(), b.size());
    }
    w.U8(0x5A);
    Lecture l;
    EXPECT_EQ(Lit(w.Finish(), 0x0964, &l), c.resultat);
    EXPECT_EQ(l.fin, c.fin);
    if (!c.fin) {
      EXPECT_EQ(l.suivant, 0x5A);
    }
    EXPECT_EQ(NbObjetsLibres(score), 0);
  }
  // A list cut at every byte keeps the objects read before the cut.
  NativeWriter w(0x0964);
  tamrel_test::WriteFreeObjects(w, {ObjetComplet(), ObjetComplet()});
  const std::vector<uint8_t> entier = w.Finish();
  for (size_t n = 1; n < entier.size(); n++) {
    Lecture l;
    EXPECT_EQ(Lit(std::vector<uint8_t>(entier.begin(), entier.begin() + long(n)), 0x0964, &l), 0) << n;
    EXPECT_TRUE(l.fin);
    EXPECT_LE(NbObjetsLibres(score), 1);
  }
}

TEST_F(ObjetsLibresTest, PageElementsMeasureFromTheAnchoredEdgesAndFollowThePlacementOption) {
  SetDpiDest(72);
  PrInfo info{72, 72, Rect{0, 0, 800, 600}};
  Rect page = info.page;
  MiseEnPage* setup = &doc->misesEnPage[0];
  setup->echelle = 1.0f;
  ASSERT_EQ(AjoutePage(score, setup, &info, &page), 0);
  auto px = [&](int v) { return CvtPosDixiemeMMEnPixel(setup, v); };
  for (uint32_t ancre : {0u, 1u, 2u, 3u}) {
    const int16_t i = NewObjetLibre(doc, 0);
    O(i).ancre = ancre;
    O(i).rect = Rect{50, 100, 150, 300};
    O(i).valeurSysteme = 15;
  }
  O(1).secondeClasse = 1;
  for (int16_t i = 0; i < 4; i++) AjouteObjetLibreSysteme(doc, setup, &info, i, 0, 1);
  const Page& p = reinterpret_cast<Page*>(*(*score)->pages)[0];
  ASSERT_NE(p.systemes, nullptr);
  ASSERT_EQ(GetHandleSize(p.systemes), Size(4 * sizeof(Systeme)));
  const Systeme* s = reinterpret_cast<Systeme*>(*p.systemes);
  const Rect attendu[4] = {
      {int16_t(px(50)), int16_t(px(100)), int16_t(px(150)), int16_t(px(300))},
      {int16_t(800 - px(150)), int16_t(px(100)), int16_t(800 - px(50)), int16_t(px(300))},
      {int16_t(px(50)), int16_t(600 - px(300)), int16_t(px(150)), int16_t(600 - px(100))},
      {int16_t(800 - px(150)), int16_t(600 - px(300)), int16_t(800 - px(50)), int16_t(600 - px(100))}};
  for (int i = 0; i < 4; i++) {
    SCOPED_TRACE(i);
    EXPECT_EQ(s[i].type, kSystemeObjetLibre);
    EXPECT_EQ(s[i].indexObjetLibre, i);
    EXPECT_EQ(s[i].angleTexte, 15);
    EXPECT_EQ(s[i].rectMiseEnPage.top, attendu[i].top);
    EXPECT_EQ(s[i].rectMiseEnPage.left, attendu[i].left);
    EXPECT_EQ(s[i].rectMiseEnPage.bottom, attendu[i].bottom);
    EXPECT_EQ(s[i].rectMiseEnPage.right, attendu[i].right);
  }
  // Option 1 places only second-class objects, option 2 only the others, 3
  // none; an object behind goes first.
  struct Cas {
    uint8_t option;
    int16_t objet;
    bool place;
  } cas[] = {{1, 1, true}, {1, 0, false}, {2, 1, false}, {2, 0, true}, {3, 0, false}, {0, 1, true}};
  for (const Cas& c : cas) {
    doc->placementObjetsLibres = c.option;
    const Size avant = GetHandleSize(reinterpret_cast<Page*>(*(*score)->pages)[0].systemes);
    AjouteObjetLibreSysteme(doc, setup, &info, c.objet, 0, 0);
    const Handle h = reinterpret_cast<Page*>(*(*score)->pages)[0].systemes;
    EXPECT_EQ(GetHandleSize(h) > avant, c.place) << int(c.option) << "," << c.objet;
    if (c.place) {
      EXPECT_EQ(reinterpret_cast<Systeme*>(*h)[0].indexObjetLibre, c.objet);
    }
  }
  // A page that does not exist gets nothing.
  doc->placementObjetsLibres = 0;
  AjouteObjetLibreSysteme(doc, setup, &info, 0, 3, 1);
  SetDpiDest(144);
}

}  // namespace
