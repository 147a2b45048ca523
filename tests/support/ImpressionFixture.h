#pragma once
// Pages drawn in the print mode of the request driver: the default virtual
// printer (A4 at 576 dpi) and a preferences folder of the test's own, both
// put back afterwards; a laid-out score is switched to that mode.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "layout/Imprimante.h"
#include "layout/ModesEcran.h"
#include "layout/Zoom.h"
#include "model/Document.h"
#include "model/Partition.h"
#include "model/QRVPOBJ.h"
#include "model/TabEltMesure.h"
#include "model/Vues.h"
#include "platform/SpecialFolders.h"

namespace tamrel_test {

class FixtureImpression : public ::testing::Test {
 protected:
  void SetUp() override {
    LibereImprimante();
    ResetVirtualPrinter();
    prefs_ = GetPreferencesFolderPath();
    char modele[] = "/tmp/tamrel-impression-XXXXXX";
    ASSERT_NE(mkdtemp(modele), nullptr);
    dossier_ = modele;
    SetPreferencesFolderPath(dossier_.c_str());
  }
  void TearDown() override {
    LibereImprimante();
    ResetVirtualPrinter();
    rmdir(dossier_.c_str());
    SetPreferencesFolderPath(prefs_.c_str());
  }
  // A score (anything with its document and score) put in the print mode at
  // the printer's resolution, its bar table brought up to date.
  template <class P>
  static void ModeImpression(P& p) {
    p.doc->orientation = 1;
    FixeResolutionStdImprimante();
    PrInfo info;
    GetPrInfoDocument(p.doc, &info);
    InitVueCourante(p.doc);
    (*p.score)->resolutionImpression = info.resH;
    InjecteZoomPartition(p.score, 72.0f);
    SetModeEcran(p.score, kModeEcranImpression);
    SetDpiDest(info.resH);
    InitPortees(p.score);
    SetTabEltMesureModifie(p.score, kTabEltMarges);
    UpdateTabEltMesure(p.score, kTabEltTout);
  }
  std::string prefs_, dossier_;
};

}  // namespace tamrel_test
