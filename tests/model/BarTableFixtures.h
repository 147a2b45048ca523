#pragma once
// A document with one score whose ribbon bar table the tests fill, at 72 dpi.
#include <gtest/gtest.h>

#include "ModelFixtures.h"
#include "layout/Zoom.h"
#include "model/CvtTemps.h"
#include "model/Ruban.h"
#include "model/TabEltMesure.h"

struct BarTableTest : ::testing::Test {
  Document* doc = NouveauDocument();
  Partition** score = NewPartition(doc);
  int16_t dpi = GetDpiDest();

  BarTableTest() { SetDpiDest(72); }
  ~BarTableTest() override {
    SetDpiDest(dpi);
    LibereDocument(doc);
  }

  // n bars of 4/4, counted and laid out.
  void Mesures(int32_t n) {
    AddEltTabEltMesureRuban(score, n);
    (*score)->nbMesures = int16_t(n);
    UpdateTabEltMesure(score, kTabEltTout);
  }
  TabEltMesure& Ligne(int32_t bar) { return GetLignesTabElt((*score)->tabEltMesure[0])[bar]; }
  int32_t NbLignes() { return GetNbMesuresTabEltRuban(score); }
  void FixeSignature(int32_t bar, int16_t num, int16_t den) {
    Ligne(bar).division.numerateur = num;
    Ligne(bar).division.denominateur = den;
    SetTabEltMesureModifie(score, kTabEltTout);
  }
  Portee** Portee0() {
    if ((*score)->nbPortees == 0) NewPortee(score, kTypePorteeStandard);
    return (*score)->portees[0];
  }
};
