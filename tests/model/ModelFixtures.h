#pragma once
// Small builders shared by the score-model tests: documents, raw note and
// effect records appended without the note-editing code.
#include <cstring>

#include "model/Document.h"
#include "model/ParamEffet.h"
#include "model/QRVPOBJ.h"
#include "model/Signe.h"
#include "model/Vues.h"
#include "system/Handles.h"

inline Document* NouveauDocument() { return reinterpret_cast<Document*>(NewPtrClear(Size(sizeof(Document)))); }

// Frees a document the way the request driver does, views included.
inline void LibereDocument(Document* doc) {
  while (doc->nbPartitions > 0) SupprimePartition(doc, doc->partitions[doc->nbPartitions - 1]);
  DisposeVuesDocument(doc);
  DisposePtr(reinterpret_cast<Ptr>(doc));
}

inline void AjouteSigne(Portee** staff, int8_t kind, int32_t duree, uint16_t pourcent = 100, uint16_t flags = 0) {
  Portee* p = *staff;
  int32_t n = p->nbNotes;
  if (!p->notes) p->notes = NewHandleClear(0);
  RetailleHandle((*staff)->notes, Size(n + 1) * Size(sizeof(Signe)));
  Signe& s = reinterpret_cast<Signe*>(*(*staff)->notes)[n];
  std::memset(&s, 0, sizeof s);
  s.kind = kind;
  s.duree = duree;
  s.pourcentJoue = pourcent;
  s.flags = flags;
  s.indexParamEffet = -1;
  s.debut = -1;
  (*staff)->nbNotes = n + 1;
}

// Appends a used effect record and returns its index.
inline int32_t AjouteParamEffet(Portee** staff) {
  Portee* p = *staff;
  if (!p->paramEffets) p->paramEffets = NewHandleClear(0);
  int32_t n = GetHandleSize((*staff)->paramEffets) / int32_t(sizeof(ParamEffet));
  RetailleHandle((*staff)->paramEffets, Size(n + 1) * Size(sizeof(ParamEffet)));
  ParamEffet& e = reinterpret_cast<ParamEffet*>(*(*staff)->paramEffets)[n];
  std::memset(&e, 0, sizeof e);
  e.note = -1;
  e.liaison.porteeSource = e.liaison.porteeDest = 0xFFFF;
  e.accroche.porteeSource = e.accroche.porteeDest = 0xFFFF;
  (*staff)->nbParamEffets = uint16_t(n + 1);
  return n;
}

inline ParamEffet& Effet(Portee** staff, int32_t i) { return reinterpret_cast<ParamEffet*>(*(*staff)->paramEffets)[i]; }

// Marks staves first..last as one merged group with its master at `master`.
inline void Fusionne(Partition** score, int16_t first, int16_t last, int16_t master) {
  for (int16_t i = first; i <= last; i++) {
    Portee* p = *(*score)->portees[i];
    p->modeFusion = i == master ? kFusionMaitre : kFusionMembre;
    p->fusionneAvecSuivante = i < last ? 1 : 0;
  }
}
