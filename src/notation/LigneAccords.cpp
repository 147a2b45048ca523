#include "notation/LigneAccords.h"

#include "layout/Zoom.h"
#include "model/Accords.h"
#include "model/Portee.h"
#include "notation/DiagrammesPortee.h"
#include "notation/NomsAccords.h"
#include "platform/QuickDraw.h"
#include "system/PortLayer.h"
#include "system/Strings.h"

LigneTexte* GetLigneTextePortee(Portee** staff, uint32_t line) {
  if (!staff || !*staff) return nullptr;
  Portee* p = *staff;
  if (line == kLigneTexteParoles && p->ligneParolesAffichee) return &p->lignesTexte[0];
  if (line == kLigneTexteAccords && p->ligneAccordsAffichee) return &p->lignesTexte[1];
  return nullptr;
}

int16_t VectTraiteTaquetLigneTexteAccord(Portee** staff, int16_t bar, int16_t cell) {
  if (!staff || !*staff || !(*staff)->diagrammesLigneAccords) return 1;
  AccordTaquet accord;
  if (!GetAccordTaquetMesure(staff, bar, cell, &accord) || accord.notes[0] == kFinListeNotes) return 1;
  Point pen;
  GetPen(&pen);
  int16_t distance = 0;
  const int32_t index =
      CvtDefAccordEnIndexDiagrammePortee(staff, &accord.accord, &distance, (*staff)->diagrammesLigneDoigtes != 0);
  if (index < 0) return 1;
  const Portee& p = **staff;
  const bool avecNom = p.diagrammesLigneAvecNom != 0;
  const int32_t base = int32_t(p.yHaut) + p.lignesTexte[1].decalageHaut;
  const int32_t hauteur = Zoom(48) + (avecNom ? Zoom(12) : 0);
  const int32_t haut = p.diagrammesDessusLigne ? base - hauteur : base + Zoom(p.decalageDiagrammesLigne);
  const Rect r{Sature16(haut), Sature16(int32_t(pen.h) - Zoom(24)), Sature16(int64_t(haut) + hauteur),
               Sature16(int32_t(pen.h) + Zoom(22))};
  const int16_t couleur = p.couleur;
  RgnHandle clip = AddRectAuClip(&r);
  AfficheDiagrammeAccordPortee(staff, index, distance, &r, avecNom, couleur, couleur, couleur, 8);
  RestaureClip(clip);
  MoveTo(pen.h, pen.v);
  return 1;
}
