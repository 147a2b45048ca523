#pragma once
// Scores for the pagination tests and benchmark: standard staves of 4/4 bars,
// each bar of each staff a whole note unless the test asks for a rest, with no
// clef, key or time signature shown, so that at 72 dpi a bar is 176 pixels
// wide (a 16-pixel margin and 160 for the whole note). Laid out straight by
// the pagination on a 600 x 800 paper at 72 dpi, without margins, titles or
// line headers, at scale 1.
#include <functional>
#include <vector>

#include "layout/DonneesMiseEnPage.h"
#include "layout/MiseEnPage.h"
#include "layout/Pagination.h"
#include "layout/Zoom.h"
#include "model/Document.h"
#include "model/ModelFixtures.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/QRVPOBJ.h"
#include "model/TabEltMesure.h"
#include "model/Tonalite.h"
#include "platform/Memory.h"

constexpr int32_t kLargeurMesure = 176;

struct PartitionPaginee {
  Document* doc = nullptr;
  Partition** score = nullptr;
  int16_t dpi = 0;

  // rest(staff, bar): that bar of that staff holds a whole rest. With
  // notesPerBar > 1 a bar holds that many equal notes instead of a whole one.
  PartitionPaginee(int staves, int bars, const std::function<bool(int, int)>& rest = {}, int notesPerBar = 1) {
    dpi = GetDpiDest();
    SetDpiDest(72);
    doc = NouveauDocument();
    doc->indexPartitionCourante = -1;
    doc->indexVueCourante = -1;
    score = NewPartition(doc);
    FixeMiseEnPageStandardDocument(doc);
    MiseEnPage& m = Setup();
    m.echelle = 1.0f;
    m.margeGauche = m.margeHaut = m.margeDroite = m.margeBas = 0;
    m.titres = 0;
    m.entetesLignes = 0;
    for (int s = 0; s < staves; s++) {
      Portee** staff = NewPortee(score, kTypePorteeStandard);
      (*staff)->affichee = 1;
      (*staff)->hauteurBaseRuban = 60;
      FixeVisibleMesure(score, staff, 0, 0, kVisibleClef | kVisibleArmure | kVisibleSignature);
      for (int b = 0; b < bars; b++) {
        if (rest && rest(s, b)) AjouteSigne(staff, -1, kDureeRonde);
        else
          for (int k = 0; k < notesPerBar; k++)
            AjouteSigne(staff, int8_t(60 + (b + k) % 12), kDureeRonde / notesPerBar);
      }
    }
    AddEltTabEltMesureRuban(score, bars);
    (*score)->nbMesures = int16_t(bars);
    UpdateTabEltMesure(score, kTabEltTout);
  }
  ~PartitionPaginee() {
    LibereDocument(doc);
    SetDpiDest(dpi);
  }
  PartitionPaginee(const PartitionPaginee&) = delete;
  PartitionPaginee& operator=(const PartitionPaginee&) = delete;

  MiseEnPage& Setup() { return doc->misesEnPage[0]; }
  Portee** Staff(int i) { return (*score)->portees[i]; }
  TabEltMesure& Ruban(int bar) { return GetLignesTabElt((*score)->tabEltMesure[0])[bar]; }
  TabEltMesure& Ligne(int bar) { return GetLignesTabElt((*score)->tabEltMesure[3])[bar]; }

  // Lays the score out on the paper (top, left, bottom, right) at 72 dpi.
  void Pagine(Rect papier = Rect{0, 0, 800, 600}) {
    PrInfo info{72, 72, papier};
    MetsEnPageDocument(doc, &Setup(), &info);
  }

  int NbPages() const { return (*score)->pages ? int(GetHandleSize((*score)->pages) / sizeof(Page)) : 0; }
  Page& PageN(int p) { return reinterpret_cast<Page*>(*(*score)->pages)[p]; }
  std::vector<Systeme> Elements(int p, int kind = -1) {
    std::vector<Systeme> v;
    Page& page = PageN(p);
    const int n = page.systemes ? int(GetHandleSize(page.systemes) / sizeof(Systeme)) : 0;
    for (int i = 0; i < n; i++) {
      const Systeme& s = reinterpret_cast<Systeme*>(*page.systemes)[i];
      if (kind < 0 || s.type == uint32_t(kind)) v.push_back(s);
    }
    return v;
  }
  std::vector<Systeme> Systemes(int p) { return Elements(p, kSystemeMusique); }
  // Every music system of the score, page after page.
  std::vector<Systeme> TousSystemes() {
    std::vector<Systeme> v;
    for (int p = 0; p < NbPages(); p++)
      for (const Systeme& s : Systemes(p)) v.push_back(s);
    return v;
  }
  static std::vector<PorteeSysteme> Entrees(const Systeme& s) {
    std::vector<PorteeSysteme> v;
    const int n = s.portees ? int(GetHandleSize(s.portees) / sizeof(PorteeSysteme)) : 0;
    for (int i = 0; i < n; i++) v.push_back(reinterpret_cast<const PorteeSysteme*>(*s.portees)[i]);
    return v;
  }
};
