#include "layout/MiseEnPage.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "layout/Imprimante.h"
#include "layout/Zoom.h"
#include "model/Document.h"
#include "model/Partition.h"
#include "model/TabEltMesure.h"
#include "platform/Memory.h"

namespace {

::testing::AssertionResult MemeRect(const Rect& a, const Rect& b) {
  if (a.top == b.top && a.left == b.left && a.bottom == b.bottom && a.right == b.right)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "{" << a.top << ", " << a.left << ", " << a.bottom << ", " << a.right
                                       << "} != {" << b.top << ", " << b.left << ", " << b.bottom << ", " << b.right
                                       << "}";
}

// A document with one empty score, its setups at their defaults.
class MiseEnPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    doc_ = std::make_unique<Document>();
    score_ = reinterpret_cast<Partition**>(NewHandleClear(sizeof(Partition)));
    ASSERT_NE(score_, nullptr);
    doc_->partitionCourante = score_;
    FixeMiseEnPageStandardDocument(doc_.get());
  }
  void TearDown() override {
    DisposeMiseEnPagePartition(score_);
    DisposeHandle(reinterpret_cast<Handle>(score_));
  }
  const Page& PageN(int i) const { return reinterpret_cast<const Page*>(*(*score_)->pages)[i]; }
  const Systeme& Element(int page, int i) const { return reinterpret_cast<const Systeme*>(*PageN(page).systemes)[i]; }
  int NombreElements(int page) const { return GetHandleSize(PageN(page).systemes) / int(sizeof(Systeme)); }
  int16_t AjouteElement(int16_t page, uint32_t type, int16_t bas = 0, bool first = false) {
    Systeme s;
    SetSystemeDefaut(&s);
    s.type = type;
    s.rectMiseEnPage = Rect{0, 0, bas, 100};
    return AjouteSysteme(score_, page, &s, 0, first);
  }

  std::unique_ptr<Document> doc_;
  Partition** score_ = nullptr;
};

TEST_F(MiseEnPageTest, DocumentDefaults) {
  const uint32_t kinds[] = {0, 1, 2, 3, 5};
  for (int i = 0; i < kNbMisesEnPage; i++) {
    const MiseEnPage& m = doc_->misesEnPage[i];
    SCOPED_TRACE(i);
    EXPECT_EQ(m.type, kinds[i]);
    EXPECT_EQ(m.echelle, i == 2 ? 1.0f : 0.7f);
    EXPECT_EQ(m.margeGauche, 100);
    EXPECT_EQ(m.margeHaut | m.margeDroite | m.margeBas | m.ecartSystemes, 0);
    EXPECT_EQ(m.valeurReservee, 100);
    EXPECT_EQ(m.retraitPremierSysteme, 0);
    EXPECT_EQ(m.premiereMesure, 1);
    EXPECT_EQ(m.derniereMesure, 9999);
    EXPECT_EQ(m.titres, 1);
    EXPECT_EQ(m.pagesParoles, 0);
    EXPECT_EQ(m.garderSystemesEntiers, 1);
    EXPECT_EQ(m.justifier, 1);
    EXPECT_EQ(m.regroupement, 0);
    EXPECT_EQ(m.regroupementMin, 2);
    EXPECT_EQ(m.entetesLignes, 1);
    EXPECT_EQ(m.repartirSystemes, 1);
    EXPECT_EQ(m.margesMiroir, 0);
    EXPECT_EQ(m.premierePageMusique, 0);

    const BlocEnteteMiseEnPage& bas = m.basDePage;
    EXPECT_EQ(bas.flag, 1);
    EXPECT_STREQ(bas.modele[0], "");
    EXPECT_STREQ(bas.modele[1], "\xC2\xA9 $Y <name>");
    EXPECT_STREQ(bas.modele[2], "$Q");
    EXPECT_EQ(bas.style[0].font, 20);  // Times
    EXPECT_EQ(bas.style[0].size, 10);
    EXPECT_EQ(bas.style[0].face, 2);
    EXPECT_EQ(bas.style[1].size, 12);
    EXPECT_EQ(bas.style[1].face, 1);
    EXPECT_EQ(bas.style[2].face, 2);
    EXPECT_EQ(bas.miroirPagesPaires, 1);
    EXPECT_EQ(bas.pasSurPage1, 0);
    const BlocEnteteMiseEnPage& haut = m.enTete;
    EXPECT_EQ(haut.flag, 0);
    EXPECT_STREQ(haut.modele[1], "");
    EXPECT_EQ(haut.style[0].face, 3);
    EXPECT_EQ(haut.style[1].face, 0);
    EXPECT_EQ(haut.style[1].size, 12);
    EXPECT_EQ(haut.style[1].font, bas.style[1].font);
    EXPECT_EQ(haut.miroirPagesPaires, 0);
    EXPECT_EQ(haut.pasSurPage1, 1);
    for (const BlocEnteteMiseEnPage* b : {&bas, &haut}) {
      EXPECT_EQ(b->retraitGauche, 60);
      EXPECT_EQ(b->retraitDroit, 60);
      EXPECT_EQ(b->distanceBord, 60);
    }
  }
}

TEST_F(MiseEnPageTest, A4PagesAt576DpiWithTheDefaultMargins) {
  LibereImprimante();
  ResetVirtualPrinter();
  ASSERT_EQ(FixeResolutionStdImprimante(), 1);
  const PrInfo info = (*GlobalHPrint)->info;
  EXPECT_TRUE(MemeRect(info.page, Rect{0, 0, 6736, 4760}));

  // 10 mm of left margin at a scale of 0.7: 142 tenths, 322 pixels at 576 dpi.
  PrInfo page;
  AppliqueMargePrintInfo(&doc_->misesEnPage[0], 0, &info, &page);
  EXPECT_EQ(page.resH, 576);
  EXPECT_TRUE(MemeRect(page.page, Rect{0, 322, 6736, 4760}));
  // At the scale 1.0 of the third setup: 226 pixels.
  AppliqueMargePrintInfo(&doc_->misesEnPage[2], 0, &info, &page);
  EXPECT_TRUE(MemeRect(page.page, Rect{0, 226, 6736, 4760}));

  // Mirrored margins: odd page indexes swap left and right.
  MiseEnPage& m = doc_->misesEnPage[0];
  m.margesMiroir = 1;
  m.margeHaut = 50;
  m.margeBas = 25;  // 71 and 35 tenths at the scale 0.7: 161 and 79 pixels
  const Rect attendus[] = {{161, 322, 6657, 4760}, {161, 0, 6657, 4438}, {161, 322, 6657, 4760}, {161, 0, 6657, 4438}};
  for (int i = 0; i < 4; i++) {
    Rect r = info.page;
    EXPECT_EQ(AjoutePage(score_, &m, &info, &r), i);
    EXPECT_TRUE(MemeRect(r, attendus[i])) << "page " << i;
    const Page& p = PageN(i);
    EXPECT_EQ(p.miseEnPage, &m);
    EXPECT_EQ(p.rectPage.left, attendus[i].left);
    EXPECT_EQ(p.rectPage.right, attendus[i].right);
    EXPECT_EQ(p.rectPage.bottom, attendus[i].bottom);
    EXPECT_EQ(p.yCourant, attendus[i].top);
    EXPECT_EQ(p.premierSystemeMusique, -1);
    EXPECT_EQ(p.systemes, nullptr);
  }
  EXPECT_EQ(CombienDePages(score_), 4);
  LibereImprimante();
}

TEST_F(MiseEnPageTest, MarginsNeverCrossAndAZeroScaleNeverDivides) {
  const PrInfo info{72, 72, Rect{0, 0, 800, 560}};
  MiseEnPage m = doc_->misesEnPage[0];
  m.margeGauche = 3000;  // 30000 tenths at the floor scale of 0.1: far past the page
  m.margeHaut = 3000;
  for (float echelle : {0.0f, -2.0f, 0.1f}) {
    m.echelle = echelle;
    PrInfo out;
    AppliqueMargePrintInfo(&m, 0, &info, &out);
    EXPECT_EQ(out.page.right, out.page.left + 1) << echelle;
    EXPECT_EQ(out.page.bottom, out.page.top + 1) << echelle;
  }
  Rect r = info.page;
  m.margesMiroir = 0;
  EXPECT_EQ(AjoutePage(score_, &m, &info, &r), 0);
  EXPECT_TRUE(MemeRect(r, info.page));  // without mirror margins the caller's rectangle is kept
}

TEST_F(MiseEnPageTest, PagesAndElements) {
  EXPECT_EQ(CombienDePages(nullptr), 0);
  EXPECT_EQ(CombienDePages(score_), 0);
  EXPECT_EQ(AjouteElement(0, kSystemeMusique), -1);  // no such page
  Rect r{0, 0, 800, 560};
  ASSERT_EQ(AjoutePage(score_, &doc_->misesEnPage[0], nullptr, &r), 0);

  // Elements copy the caller's staff entries.
  Systeme s;
  SetSystemeDefaut(&s);
  s.rectMiseEnPage = Rect{10, 0, 120, 500};
  s.portees = NewHandleClear(2 * sizeof(PorteeSysteme));
  reinterpret_cast<PorteeSysteme*>(*s.portees)[1].indexPortee = 7;
  EXPECT_EQ(AjouteSysteme(score_, 0, &s, 15, false), 0);
  EXPECT_NE(Element(0, 0).portees, s.portees);
  EXPECT_EQ(reinterpret_cast<const PorteeSysteme*>(*Element(0, 0).portees)[1].indexPortee, 7);
  DisposeHandle(s.portees);
  EXPECT_EQ(PageN(0).yCourant, 135);

  EXPECT_EQ(AjouteElement(0, kSystemeBasDePage, 790), 1);
  EXPECT_EQ(PageN(0).yCourant, 790);
  // Inserted first: index 0, the others shift.
  EXPECT_EQ(AjouteElement(0, kSystemeTitre, 40, true), 0);
  ASSERT_EQ(NombreElements(0), 3);
  EXPECT_EQ(Element(0, 0).type, kSystemeTitre);
  EXPECT_EQ(Element(0, 1).type, kSystemeMusique);
  EXPECT_EQ(Element(0, 2).type, kSystemeBasDePage);
  EXPECT_EQ(CombienDePages(score_), 1);
}

TEST_F(MiseEnPageTest, TheFirstMusicSystemOfAPageStartsThePage) {
  Handle table = NewHandleClear(10 * sizeof(TabEltMesure));
  ASSERT_NE(table, nullptr);
  (*score_)->tabEltMesure[3] = table;
  Rect r{0, 0, 800, 560};
  ASSERT_EQ(AjoutePage(score_, &doc_->misesEnPage[0], nullptr, &r), 0);
  AjouteElement(0, kSystemeEnTete);
  Systeme s;
  SetSystemeDefaut(&s);
  for (int16_t bar : {4, 6}) {
    s.premiereMesure = bar;
    ASSERT_GE(AjouteSysteme(score_, 0, &s, 0, false), 0);
  }
  s.premiereMesure = 40;  // past the table: nothing to mark
  ASSERT_EQ(AjoutePage(score_, &doc_->misesEnPage[0], nullptr, &r), 1);
  EXPECT_EQ(AjouteSysteme(score_, 1, &s, 0, false), 0);
  const TabEltMesure* rows = GetLignesTabElt((*score_)->tabEltMesure[3]);
  for (int i = 0; i < 10; i++) EXPECT_EQ(rows[i].debutPage, i == 4 ? 1 : 0) << "bar " << i;
}

TEST_F(MiseEnPageTest, TheSetupOfAPageFollowsItsElements) {
  MiseEnPage* setups = doc_->misesEnPage;
  EXPECT_EQ(GetMiseEnPage(nullptr, 1), nullptr);
  EXPECT_EQ(GetMiseEnPage(doc_.get(), 1), &setups[0]);  // no pages
  Rect r{0, 0, 800, 560};
  for (int i = 0; i < 5; i++) ASSERT_EQ(AjoutePage(score_, &setups[0], nullptr, &r), i);
  // Page 1: header, footer and a lyric page: the fifth setup.
  AjouteElement(0, kSystemeEnTete);
  AjouteElement(0, kSystemeBasDePage);
  AjouteElement(0, kSystemePageParoles);
  // Page 2: kind 5 before kind 9: the fourth.
  AjouteElement(1, kSystemeMusique);
  AjouteElement(1, 5);
  AjouteElement(1, 9);
  // Page 3: kind 10 first: the fifth. Page 4: music only. Page 5: none.
  AjouteElement(2, 10);
  AjouteElement(2, 5);
  AjouteElement(3, kSystemeMusique);
  EXPECT_EQ(GetMiseEnPage(doc_.get(), 1), &setups[4]);
  EXPECT_EQ(GetMiseEnPage(doc_.get(), 2), &setups[3]);
  EXPECT_EQ(GetMiseEnPage(doc_.get(), 3), &setups[4]);
  EXPECT_EQ(GetMiseEnPage(doc_.get(), 4), &setups[0]);
  EXPECT_EQ(GetMiseEnPage(doc_.get(), 5), &setups[0]);
  EXPECT_EQ(GetMiseEnPage(doc_.get(), 0), &setups[0]);
  EXPECT_EQ(GetMiseEnPage(doc_.get(), 6), &setups[0]);
}

TEST_F(MiseEnPageTest, RescalingFrom576To72) {
  Rect r{0, 322, 6736, 4760};
  ASSERT_EQ(AjoutePage(score_, &doc_->misesEnPage[0], nullptr, &r), 0);
  Systeme s;
  SetSystemeDefaut(&s);
  s.rectMiseEnPage = Rect{100, 322, 1004, 4760};
  s.rectDessin = Rect{-4, -4, 4, 4};
  s.portees = NewHandleClear(sizeof(PorteeSysteme));
  reinterpret_cast<PorteeSysteme*>(*s.portees)[0].rectMiseEnPage = Rect{100, 322, 292, 4760};
  ASSERT_EQ(AjouteSysteme(score_, 0, &s, 0, false), 0);
  DisposeHandle(s.portees);

  Handle table = NewHandleClear(2 * sizeof(TabEltMesure));
  ASSERT_NE(table, nullptr);
  (*score_)->tabEltMesure[3] = table;
  GetLignesTabElt(table)[0].largeurTotale = 5760;
  GetLignesTabElt(table)[1].largeurTotale = 576;

  ZoomeMiseEnPage(doc_.get(), 576, 72);
  EXPECT_EQ(GetLignesTabElt(table)[0].largeurTotale, 720);  // the layout table follows
  EXPECT_EQ(GetLignesTabElt(table)[1].debutX, 720);
  const Page& p = PageN(0);
  EXPECT_EQ(p.rectPage.left, 40);  // 40.25 truncated
  EXPECT_EQ(p.rectPage.right, 595);
  EXPECT_EQ(p.rectPage.bottom, 842);
  const Systeme& e = Element(0, 0);
  EXPECT_TRUE(MemeRect(e.rectMiseEnPage, Rect{13, 40, 126, 595}));  // rounded: 12.5, 40.25, 125.5
  EXPECT_TRUE(MemeRect(e.rectDessin, Rect{0, 0, 1, 1}));            // -0.5 rounds up to 0
  EXPECT_TRUE(MemeRect(reinterpret_cast<const PorteeSysteme*>(*e.portees)[0].rectMiseEnPage, Rect{13, 40, 37, 595}));
  ZoomeMiseEnPage(doc_.get(), 0, 72);  // no resolution to scale from: nothing happens
  EXPECT_EQ(PageN(0).rectPage.right, 595);
}

}  // namespace
