#pragma once
// Loading ABC text into a document prepared as the request driver prepares
// it, and a compact text of what the score then holds.
#include <cstdio>
#include <string>

#include "import/ImportABC.h"
#include "layout/MiseEnPage.h"
#include "layout/ModesEcran.h"
#include "layout/ServicesMiseEnPage.h"
#include "model/CvtTemps.h"
#include "model/Document.h"
#include "model/ParamEffet.h"
#include "model/Partition.h"
#include "model/QRVPOBJ.h"
#include "model/QrvLiaison.h"
#include "model/Ruptures.h"
#include "model/Signe.h"
#include "model/TabEltMesure.h"
#include "model/Tonalite.h"
#include "model/Vues.h"
#include "system/Handles.h"

struct DocumentABC {
  Document* doc = nullptr;
  int16_t resultat = 0;
  int16_t tune = -2;

  explicit DocumentABC(const std::string& texte, int16_t voulue = 0) {
    doc = reinterpret_cast<Document*>(NewPtrClear(Size(sizeof(Document))));
    doc->indexPartitionCourante = -1;
    doc->indexVueCourante = -1;
    Partition** score = CreePartitionVide(doc);
    CreePorteeVide(score, 0, 1, 1);
    FixeMiseEnPageStandardDocument(doc);
    SetModeEcran(score, kModeEcranRuban);
    resultat = ChargeMusiqueABCOctets(doc, reinterpret_cast<const uint8_t*>(texte.data()), texte.size(), voulue, &tune);
  }
  ~DocumentABC() {
    while (doc->nbPartitions > 0) SupprimePartition(doc, doc->partitions[doc->nbPartitions - 1]);
    DisposeVuesDocument(doc);
    DisposePtr(reinterpret_cast<Ptr>(doc));
  }
  DocumentABC(const DocumentABC&) = delete;
  DocumentABC& operator=(const DocumentABC&) = delete;

  Partition** Score() const { return doc->partitionCourante; }
  int16_t NbPortees() const { return Score() ? (*Score())->nbPortees : 0; }
  Portee** Staff(int i = 0) const { return i < NbPortees() ? (*Score())->portees[i] : nullptr; }

  int16_t NbMesures() const {
    UpdateTabEltMesure(Score(), kTabEltTemps);
    return int16_t(GetNbMesuresTabEltRuban(Score()));
  }

  // Signs of a staff: "pitch/length" for notes ("+" joins a chord's notes),
  // "r/length" for rests ("h" hidden), ghost rests left out; then "~" for a
  // note joined to the next, "*" for a note with marks.
  std::string Notes(int staffIndex = 0, bool avecFantomes = false) const {
    std::string s;
    Portee** staff = Staff(staffIndex);
    if (!staff) return "(no staff)";
    int32_t n;
    const Signe* sg = GetSignesPortee(staff, &n);
    for (int32_t i = 0; i < n; i++) {
      if (sg[i].kind == kSigneSilenceFantome && !avecFantomes) continue;
      char b[48];
      if (sg[i].kind < 0)
        std::snprintf(b, sizeof b, "%s/%d",
                      sg[i].kind == kSigneSilenceFantome ? "g"
                      : (sg[i].flags & kSigneCache)      ? "h"
                                                         : "r",
                      int(sg[i].duree));
      else std::snprintf(b, sizeof b, "%d/%d", int(sg[i].kind), int(sg[i].duree));
      if (!s.empty()) s += (i > 0 && (sg[i - 1].flags & kSigneAccordSuite)) ? "+" : " ";
      s += b;
    }
    return s;
  }

  // Ruptures as "bar:preset-like name".
  std::string Ruptures() const {
    std::string s;
    for (int16_t i = 0; i < GetNbRuptures(Score()); i++) {
      const Rupture* r = GetRupture(Score(), i);
      const char* nom = "?";
      if (r->type == kRuptureDebutRepetition) nom = "|:";
      else if (r->type == kRuptureFinRepetition) nom = ":|";
      else if (r->type == kRuptureDebutVolta) nom = "[";
      else if (r->type == kRuptureFinVolta) nom = "]";
      else if (r->type == kRuptureFinMusique) nom = "|]";
      else if (r->type == kRuptureDebutMusique) nom = "[|";
      else if (r->barre == kBarreDouble) nom = "||";
      else if (r->barre == kBarrePointillee) nom = ".|";
      else if (r->type == kRuptureSegno) nom = "S";
      else if (r->type == kRuptureCoda) nom = "O";
      char b[48];
      std::snprintf(b, sizeof b, "%s%d%s", s.empty() ? "" : " ", int(r->mesure), nom);
      s += b;
      if (r->type == kRuptureDebutVolta)
        for (int k = 0; k < kNbPassagesVolta; k++)
          if (r->passagesVolta[k]) s += char('0' + (k + 1) % 10);
    }
    return s;
  }

  // Index of the n-th record that is not a ghost rest.
  int32_t Index(int32_t rang, int staffIndex = 0) const {
    int32_t n;
    const Signe* sg = GetSignesPortee(Staff(staffIndex), &n);
    for (int32_t i = 0; i < n; i++)
      if (sg[i].kind != kSigneSilenceFantome && rang-- == 0) return i;
    return -1;
  }

  // Mark codes of a record, in order ("31,94").
  std::string Marques(int32_t rang, int staffIndex = 0) const {
    std::string s;
    const ParamEffet* e = GetParamEffetIndexNote(Staff(staffIndex), Index(rang, staffIndex));
    if (!e || !e->marks) return s;
    for (int16_t k = 0; k < GetNbMarks(e->marks); k++) {
      if (!s.empty()) s += ",";
      s += std::to_string(reinterpret_cast<const Mark*>(*e->marks)[k].code);
    }
    return s;
  }

  std::string Mesure(int16_t bar) const {
    DivisionTemporelle d;
    CvtMesureEnDivisionTemporelle(Score(), bar, &d);
    return std::to_string(d.numerateur) + "/" + std::to_string(d.denominateur);
  }
};
