#include "PartitionPeuplee.h"

#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "model/Cibles.h"
#include "model/Courbes.h"
#include "model/CvtTemps.h"
#include "model/Document.h"
#include "model/Lois.h"
#include "model/Matrices.h"
#include "model/ObjetsLibres.h"
#include "model/ParamEffet.h"
#include "model/PartGroups.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/QRVPOBJ.h"
#include "model/QrvDynamics.h"
#include "model/QrvFXs.h"
#include "model/QrvLiaison.h"
#include "model/QrvText.h"
#include "model/Ruptures.h"
#include "model/SGraphix.h"
#include "model/Signe.h"
#include "model/StaffHeightEvts.h"
#include "model/TabEltMesure.h"
#include "model/Tonalite.h"
#include "model/TonaliteMaths.h"
#include "model/Vues.h"
#include "platform/Memory.h"
#include "system/Handles.h"

namespace {

constexpr int32_t kNoire = 40320;

// Appends a record to a staff's notes.
void Ajoute(Portee** staff, int8_t kind, int32_t duree, uint8_t velocite, uint16_t flags = 0) {
  const int32_t n = (*staff)->nbNotes;
  if (!(*staff)->notes) (*staff)->notes = NewHandleClear(0);
  RetailleHandle((*staff)->notes, Size(n + 1) * Size(sizeof(Signe)));
  Signe* s = reinterpret_cast<Signe*>(*(*staff)->notes) + n;
  RazNote(s, kind, duree);
  s->velocity = velocite;
  s->flags = flags;
  (*staff)->nbNotes = n + 1;
}

// Index of the first record starting in a bar.
int32_t PremiereNote(Partition** score, Portee** staff, int16_t bar) { return CvtMesureEnIndexNote(score, staff, bar); }

void AjouteTexte(Portee** staff, int32_t debut, const char* texte) {
  Texte t{};
  t.debut = debut;
  t.fin = debut + 1000;
  t.haut = 10;
  t.bas = 30;
  SetEnregTexte(staff, -1, &t, texte);
}

}  // namespace

Document* CreeDocumentPeuple() {
  Document* doc = reinterpret_cast<Document*>(NewPtrClear(Size(sizeof(Document))));
  if (!doc) return nullptr;
  Partition** score = NewPartition(doc);
  if (!score) {
    LibereDocumentPeuple(doc);
    return nullptr;
  }
  AddEltTabEltMesureRuban(score, kMesuresPeuplees);
  (*score)->nbMesures = kMesuresPeuplees;
  GetLignesTabElt((*score)->tabEltMesure[0])[1].division.numerateur = 3;
  SetTabEltMesureModifie(score, kTabEltTout);
  UpdateTabEltMesure(score, kTabEltTout);

  Portee** p0 = NewPortee(score, kTypePorteeStandard);
  Portee** p1 = NewPortee(score, kTypePorteeStandard);
  Portee** p2 = NewPortee(score, kTypePorteeParole);
  RetablitCoherenceIDPortees(doc);
  (*score)->premierePortee = 0;
  (*score)->dernierePortee = 2;

  // Notes.
  for (int16_t b = 0; b < kMesuresPeuplees; b++) {
    const int beats = b == 1 ? 3 : 4;
    const uint8_t v = uint8_t(10 + b);
    for (int k = 0; k < beats; k++) {
      if (b == 2 && k == 1) Ajoute(p0, 64, kNoire, v, kSigneAccordSuite);
      Ajoute(p0, int8_t(60 + k), kNoire, v);
    }
    if (b == 3) {
      Ajoute(p1, kSigneSilence, 3 * kNoire, v);
      Ajoute(p1, 55, 2 * kNoire, kVelociteACheval);
    } else if (b == 4) {
      Ajoute(p1, kSigneSilence, 3 * kNoire, v);
    } else {
      Ajoute(p1, kSigneSilence, beats * kNoire, v);
    }
  }
  ClrTurboCvtTempsEnIndexNote(p0, 0);
  ClrTurboCvtTempsEnIndexNote(p1, 0);

  // Links: a slur over the bar line 1-2, a slur across staves, a beam link.
  SetLiaison(p0, PremiereNote(score, p0, 2) - 1, p0, PremiereNote(score, p0, 2), kLiaisonCoule);
  SetLiaison(p0, PremiereNote(score, p0, 6), p1, PremiereNote(score, p1, 7), kLiaisonCoule);
  SetLiaison(p0, PremiereNote(score, p0, 9), p0, PremiereNote(score, p0, 9) + 1, kLiaisonAccroche);

  // Marks; the picture mark's graphic carries its id.
  AddMarkNote(p0, PremiereNote(score, p0, 3), kMarkStaccato, 0, 0, 0);
  const int32_t noteImage = PremiereNote(score, p0, 5);
  AddMarkNote(p0, noteImage, kMarkLienGraphique, 0, 0, 0);
  {
    ParamEffet* e = GetParamEffetIndexNote(p0, noteImage);
    Mark* m = reinterpret_cast<Mark*>(*e->marks);
    m[GetNbMarks(e->marks) - 1].idGraphique = 4242;
    const int32_t g = NewGraphique(p0);
    int32_t n;
    Graphique& gr = GetGraphiquesPortee(p0, &n)[g];
    gr.id = 4242;
    gr.debut = CvtMesureEnTemps(score, 5);
    gr.fin = gr.debut + kNoire;
    gr.haut = 5;
  }

  // Keys and clefs.
  Tonalite sol;
  CvtTonaliteStdEnTonalite(1, 1, &sol);
  FixeTonaliteMesure(score, p0, 4, &sol, 0);
  Clef fa;
  CvtTypeClefEnClefStandard(kClefFa, &fa);
  FixeClefMesure(score, p0, 8, &fa, 0);

  // Texts and lyrics.
  (*p0)->ligneParolesAffichee = 1;
  (*p0)->lignesTexte[0].hauteurLigne = 14;
  char texte[16];
  for (int16_t b = 0; b < kMesuresPeuplees; b++) {
    std::snprintf(texte, sizeof texte, "L%d ", b);
    SetTexteKaraokeCellule(p0, b, 0, 1, texte, nullptr);
  }
  for (int16_t b : {2, 6, 10}) {
    std::snprintf(texte, sizeof texte, "T%d", b);
    AjouteTexte(p0, CvtMesureEnTemps(score, b) + 100, texte);
  }
  for (int16_t b : {1, 7}) {
    std::snprintf(texte, sizeof texte, "T%d", b);
    AjouteTexte(p2, CvtMesureEnTemps(score, b) + 100, texte);
  }

  // Objects placed by time, each tagged with its bar.
  int32_t n;
  for (int16_t b : {1, 5, 9}) {
    const int32_t i = NewGraphique(p0);
    Graphique& g = GetGraphiquesPortee(p0, &n)[i];
    g.debut = CvtMesureEnTemps(score, b) + kNoire;
    g.fin = g.debut + kNoire;
    g.haut = b;
  }
  for (int16_t b : {0, 6, 11}) {
    const int32_t i = NewDynamique(p0);
    Dynamique& d = GetDynamiquesPortee(p0, &n)[i];
    d.debut = CvtMesureEnTemps(score, b) + kNoire;
    d.fin = d.debut + kNoire;
    d.haut = b;
  }
  for (int16_t b : {3, 7}) {
    const int32_t i = NewFX(p0);
    FX& f = GetFXsPortee(p0, &n)[i];
    f.debut = CvtMesureEnTemps(score, b) + 2 * kNoire;
    f.fin = f.debut + kNoire;
    f.haut = b;
  }
  (*p0)->courbes = NewHandleClear(Size(sizeof(Courbe)));
  {
    Courbe& c = *reinterpret_cast<Courbe*>(*(*p0)->courbes);
    c.type = kCourbeVolu;
    c.minimum = -100;
    c.maximum = 100;
    c.escalier = 1;
    c.valeurConstante = kCourbeSansConstante;
  }
  for (int16_t b : {0, 4, 8, 11}) AddValeurCourbe(p0, 0, CvtMesureEnTemps(score, b), b, 0);
  for (int16_t b = 0; b < kMesuresPeuplees; b++) SearchEventAndCreate(p0, 'G', b, 10 * b);
  SearchEventAndCreate(p0, 'P', 6, 1);

  // Ruptures.
  AjouteRuptureEnMesure(score, 3, 2, true, false);
  AjouteRuptureEnMesure(score, 4, 5, false, false);
  AjouteRuptureEnMesure(score, 9, 9, true, false);
  const int16_t saut = AjouteRuptureEnMesure(score, 15, 11, false, false);
  if (Rupture* r = GetRupture(score, saut)) {
    r->type = kRuptureAllerMesure;
    SetActionParamRupture(r, 8);
  }
  AjouteRuptureEnMesure(score, 2, 11, false, false);
  RemetRupturesEnForme(score);

  // Lists placed by bar.
  for (int16_t b : {3, 7, 10}) {
    const int16_t c = CreeCible(doc, b);
    std::snprintf(reinterpret_cast<Cible*>(*(*score)->cibles)[c].nom, 256, "C%d", b);
  }
  FixeNbMesuresGrilleAccord(score, kMesuresPeuplees);
  for (int16_t b = 0; b < kMesuresPeuplees; b++)
    reinterpret_cast<MesureGrilleAccord*>(*(*score)->grilleAccord)[b].nbCellules = uint8_t(b + 1);
  AjouteRangeMatrice((*score)->matriceAccompagnement, -1, 0, 0, 3, 0);
  AjouteRangeMatrice((*score)->matriceAccompagnement, -1, 0, 4, 7, 1);
  AjouteRangeMatrice((*score)->matriceAccompagnement, -1, 0, 8, 11, 2);
  GarbageMatrice((*score)->matriceAccompagnement);
  AjouteRangeMatrice((*score)->matriceRythme, -1, 0, 2, 9, 0);
  GarbageMatrice((*score)->matriceRythme);
  NewPartGroup(score, 0, 0, 0, 1, 2, "Piano", "Pno.");
  NewObjetLibre(doc, kObjetLibreTexte);
  (*score)->mesureCourante = 9;

  // Page setups and a view.
  doc->misesEnPage[0].premiereMesure = 3;
  doc->misesEnPage[0].derniereMesure = 10;
  doc->misesEnPage[1].premiereMesure = 5;
  doc->misesEnPage[1].derniereMesure = 12;
  doc->vues = NewHandleClear(Size(sizeof(Vue)));
  Vue* vue = GetVueDocument(doc, 0);
  vue->id = uint32_t(NewIdUnique(doc));
  std::strcpy(vue->nom, "Parts");
  vue->miseEnPage.premiereMesure = 2;
  vue->miseEnPage.derniereMesure = 11;
  vue->portees = NewHandleClear(2 * Size(sizeof(VuePortee)));
  for (int i = 0; i < 2; i++) {
    Portee** staff = (*score)->portees[i];
    VuePortee& e = reinterpret_cast<VuePortee*>(*GetVueDocument(doc, 0)->portees)[i];
    e.idPortee = (*staff)->idUnique;
    e.aspect = (*staff)->aspect;
    e.staffHeightEvts = NewHandleClear(kMesuresPeuplees * Size(sizeof(StaffHeightEvt)));
    for (int16_t b = 0; b < kMesuresPeuplees; b++)
      GetStaffHeightEvts(e.staffHeightEvts)[b] = StaffHeightEvt{'G', b, 10 * b + 1};
  }
  PreserveVueMesures(doc, 0);
  PreserveVueMesures(doc, -1);
  GarbageLiaisonsPartition(score);
  return doc;
}

void LibereDocumentPeuple(Document* document) {
  if (!document) return;
  while (document->nbPartitions > 0) SupprimePartition(document, document->partitions[document->nbPartitions - 1]);
  DisposeVuesDocument(document);
  DisposePtr(reinterpret_cast<Ptr>(document));
}
