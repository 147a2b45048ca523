#include "model/DeleteMesures.h"

#include "layout/DonneesMiseEnPage.h"
#include "model/Cibles.h"
#include "model/Courbes.h"
#include "model/CvtTemps.h"
#include "model/Document.h"
#include "model/Lois.h"
#include "model/Matrices.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/PreservePositions.h"
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
#include "model/TempsJoue.h"
#include "model/Tonalite.h"
#include "model/Vues.h"
#include "notation/ServicesNotation.h"
#include "plugin/ServicesInertes.h"
#include "sound/ServicesSon.h"

namespace {

// A page setup's 1-based bar range after bars atBar .. atBar + k - 1 (0-based)
// went from a score of nbMesures bars, of which nbApres are left. A bound
// inside the range goes to the nearest bar kept on its side of the range.
void AjustePlageMiseEnPage(MiseEnPage& m, int32_t atBar, int32_t k, int32_t nbMesures, int32_t nbApres) {
  int32_t de = m.premiereMesure;
  if (de > atBar) {
    de = de > atBar + k ? de - k : atBar + 1;
    if (de > nbApres) de = nbApres;
    if (de < 1) de = 1;
    m.premiereMesure = int16_t(de);
  }
  int32_t a = m.derniereMesure;
  if (a >= nbMesures) {
    m.derniereMesure = kDerniereMesureFin;
    return;
  }
  if (a > atBar) a = a > atBar + k ? a - k : atBar;
  if (a < m.premiereMesure) a = m.premiereMesure;
  m.derniereMesure = int16_t(a);
}

// The kind of the record that starts a bar; 0 (a note) when no record starts
// inside it.
int8_t PremierSigneMesure(Partition** score, Portee** staff, int32_t bar) {
  const int32_t debut = CvtMesureEnTemps(score, bar);
  const int32_t fin = CvtMesureEnTemps(score, bar + 1);
  const int32_t i = CvtTempsEnIndexNote(staff, debut);
  int32_t n;
  const Signe* s = GetSignesPortee(staff, &n);
  if (!s || i >= n) return 0;
  const int32_t t = CvtIndexNoteEnTemps(staff, i);
  if (t < debut || t >= fin) return 0;
  return GetSignesPortee(staff, &n)[i].kind;
}

bool PorteeChoisie(Partition** score, int16_t index, bool inSelection, bool inOthers) {
  const bool selectionnee = index >= (*score)->premierePortee && index <= (*score)->dernierePortee;
  return selectionnee ? inSelection : inOthers;
}

}  // namespace

void DoDeleteMesures(Partition** score, int16_t atBar, int16_t count, bool inSelection, bool inOthers, uint32_t what,
                     bool withBars) {
  if (!score || count < 1 || atBar < 0 || atBar >= (*score)->nbMesures) return;
  const int32_t nbMesures = (*score)->nbMesures;
  const int16_t k = int16_t(int32_t(atBar) + count > nbMesures ? nbMesures - atBar : count);
  PreserveObjetsPartitionAvantChangement(score);
  DeleteLiaisonsACheval(score, atBar);
  DeleteLiaisonsACheval(score, int16_t(atBar + k));

  for (int16_t p = 0; p < (*score)->nbPortees; p++) {
    if (!PorteeChoisie(score, p, inSelection, inOthers)) continue;
    Portee** staff = (*score)->portees[p];
    // Lyric and chord syllables are held by the bracket: those of the range
    // go here, before the notes under them move.
    if (what & kDeleteTextes)
      OublieTextesPreserves(staff, CvtMesureEnTemps(score, atBar), CvtMesureEnTemps(score, atBar + k));
    if (what & kDeleteNotes) {
      const uint32_t type = (*staff)->type;
      if (type == kTypePorteePisteNumerique) {
        DeleteMesuresPisteNumerique(staff, atBar, k);
      } else if (type != kTypePorteeParole) {
        const int32_t de = CvtTempsEnIndexNote(staff, CvtMesureEnTemps(score, atBar));
        const int32_t a = CvtMesureEnIndexNote(score, staff, atBar + k);
        SupprimeSignes(staff, de, a);
      }
    }
    if (what & kDeleteTextes) DeleteMesuresTextesPortee(staff, atBar, k);
    if (what & kDeleteDiagrammes) DeleteMesuresDiagrammesPortee(staff, atBar, k);
    if (what & kDeleteGraphiques) DeleteMesureGraphiques(staff, atBar, k);
    if (what & kDeleteDynamiques) DeleteMesureDynamiques(staff, atBar, k);
    if (what & kDeleteFXs) DeleteMesureFXs(staff, atBar, k);
    if (what & kDeleteNotes) DeleteMesureCourbes(staff, atBar, k);
    if (what & kDeleteTonalites) DeleteMesureChangeTonalitePortee(staff, atBar, k);
  }
  DeleteMesuresSelectionPisteNumerique(score);
  if (what & kDeleteRuptures) DeleteMesuresRuptures(score, atBar, k);

  // Lists of the score placed by bar. The accompaniment and rhythm bar
  // ranges follow their bars as the chord grid does.
  DeleteMesureGrilleAccord(score, atBar, k);
  DeleteMesuresMatrice(score, (*score)->matriceAccompagnement, atBar, k);
  DeleteMesuresMatrice(score, (*score)->matriceRythme, atBar, k);
  Document* doc = (*score)->document;
  const int32_t nbApres = withBars ? nbMesures - k : nbMesures;
  if (doc) {
    for (MiseEnPage& m : doc->misesEnPage) AjustePlageMiseEnPage(m, atBar, k, nbMesures, nbApres);
    // Views keep copies of the page setup they own.
    if (doc->partitionCourante == score)
      for (int16_t v = -1; v < GetNbVuesDocument(doc); v++)
        if (Vue* vue = GetVueDocument(doc, v)) AjustePlageMiseEnPage(vue->miseEnPage, atBar, k, nbMesures, nbApres);
  }
  AjusteStaffHeightEvtQuandDeleteMesures(score, atBar, k);
  AjusteCiblesQuandDeleteMesures(score, atBar, k);
  AjusteTabMesuresJoueesQuandDeleteMesures(doc, atBar, k);
  if (withBars) DeleteMesureChangeEchelleMesure(score, atBar, k);

  RestaureObjetsPartitionApresChangement(score);
  SetTabEltMesureModifie(score, kTabEltTemps);
  UpdateTabEltMesure(score, kTabEltTemps);
  if (withBars) {
    // The played bars were walked over the old rows: walk them again over the
    // rows left (a typed list takes the start ticks of its bars' new places).
    if ((*score)->tabCvtMesureUtilisateur && (*score)->tabCvtMesure)
      TabCvtMesureHasChanged(score, (*score)->tabCvtMesure);
    RemetRupturesEnForme(score);
  }
  LibereTableauCvtSec(score);
  ClearPendingAccrochesAuto();
  GarbageLiaisonsPartition(score);
  LyrastelPartitionACalculer(score);
  JeTePreviensDureeMusiqueChange();

  int16_t& courante = (*score)->mesureCourante;
  if (courante >= atBar + k) courante = int16_t(courante - k);
  else if (courante >= atBar) courante = 0;
}

int16_t AjusteNumeroMesureSelonRepeteDerniereMesure(Portee** staff, int16_t bar) {
  if (!staff || !(*staff)->partition || bar < 1) return bar;
  Partition** score = (*staff)->partition;
  int32_t b = bar;
  // Every turn steps back, so the walk ends; a sign with nothing before it
  // repeats bar 0.
  while (b >= 1) {
    if (PremierSigneMesure(score, staff, b - 1) == kSigneRepeteDeuxMesures) b -= 2;
    if (b < 1) break;
    const int8_t kind = PremierSigneMesure(score, staff, b);
    if (kind == kSigneSpecial) b -= 1;
    else if (kind == kSigneRepeteDeuxMesures) b -= 2;
    else break;
  }
  return int16_t(b < 0 ? 0 : b);
}

void SupprimePorteesVolatilesRepeteDerniereMesure(Partition** score) {
  SupprimePorteesVolatilesType(score, kVolatileRepeteDerniereMesure);
}
