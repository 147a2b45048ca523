#include "model/PreservePositions.h"

#include <unordered_set>

#include "model/QrvDynamics.h"
#include "model/QrvFXs.h"
#include "model/QrvText.h"
#include "model/SGraphix.h"
#include "model/Signe.h"
#include "notation/ServicesNotation.h"
#include "system/Handles.h"
#include "system/Reporters.h"
#include "text/TextData.h"

// Objects anchored to notes are preserved around structural edits while set.
static uint8_t preserveObjectsEnabled = 1;
static int32_t preserveObjectCptr = 0;
// What the outer bracket saved. A save is held even when no staff had lyrics
// or chord texts (both handles null): the other objects were still made
// relative and must be put back.
static bool sauvegardeTenue = false;
static Handle hsavekar = nullptr;
static Handle hsavechords = nullptr;

enum : int16_t { kPreserveLargeurs = 0, kPreserveStructure = 1 };
enum : int16_t { kLigneParoles = 1, kLigneAccords = 2 };

void SetIsPreserveObjects(uint8_t flag) { preserveObjectsEnabled = flag; }
uint8_t GetIsPreserveObjects() { return preserveObjectsEnabled; }

void PreserveObjetsPartitionAvantChangement(Partition** score) {
  if (!preserveObjectsEnabled) return;
  if (preserveObjectCptr++ != 0) return;
  if (sauvegardeTenue) {
    Collapse("PreserveObjetsPartitionAvantChangement: reentrance");
    return;
  }
  sauvegardeTenue = true;
  PreparePreserveObjetsPartition(score);
  hsavekar = PreserveTextesPartition(score, kLigneParoles);
  hsavechords = PreserveTextesPartition(score, kLigneAccords);
  PreservePositionDiagrammes(score, kPreserveStructure);
  PreservePositionGraphiques(score, kPreserveStructure);
  PreservePositionTextesDivers(score, kPreserveStructure);
  PreservePositionDynamiques(score, kPreserveStructure);
  PreservePositionFXs(score, kPreserveStructure);
}

void RestaureObjetsPartitionApresChangement(Partition** score) {
  if (!preserveObjectsEnabled) return;
  if (preserveObjectCptr <= 0) {
    // A closing without an opening: nothing to put back.
    Collapse("RestaureObjetsPartitionApresChangement: no save");
    return;
  }
  if (--preserveObjectCptr != 0) return;
  if (!sauvegardeTenue) {
    Collapse("RestaureObjetsPartitionApresChangement: no save");
    return;
  }
  RestaurePositionDiagrammes(score, kPreserveStructure);
  RestaurePositionGraphiques(score, kPreserveStructure);
  RestaurePositionDynamiques(score, kPreserveStructure);
  RestaurePositionTextesDivers(score, kPreserveStructure);
  RestaurePositionFXs(score, kPreserveStructure);
  Handle kar = hsavekar;
  Handle chords = hsavechords;
  hsavekar = hsavechords = nullptr;
  sauvegardeTenue = false;
  RestaureTextesPartition(score, kLigneParoles, kar);
  RestaureTextesPartition(score, kLigneAccords, chords);
}

// Keeps the entries of other staves, and of this staff those whose syllable
// lies outside debut..fin: by its anchor note's start, or by its own tick
// when it has none.
static void FiltreTextesPreserves(Handle entries, Portee** staff, const std::unordered_set<int32_t>& ids, int32_t debut,
                                  int32_t fin) {
  if (!entries) return;
  const int32_t n = int32_t(GetHandleSize(entries) / Size(sizeof(TextePreserve)));
  TextePreserve* e = reinterpret_cast<TextePreserve*>(*entries);
  int32_t k = 0;
  for (int32_t i = 0; i < n; i++) {
    const bool dedans =
        e[i].portee == staff && (e[i].note >= 0 ? ids.count(e[i].note) > 0 : e[i].temps >= debut && e[i].temps < fin);
    if (dedans) {
      DisposeTextData(e[i].texte);
      continue;
    }
    e[k++] = e[i];
  }
  if (k < n) RetailleHandle(entries, Size(k) * Size(sizeof(TextePreserve)));
}

void OublieTextesPreserves(Portee** staff, int32_t debut, int32_t fin) {
  if (!staff || !sauvegardeTenue || (!hsavekar && !hsavechords) || fin <= debut) return;
  // The preserve ids of the notes that start in the range, in one walk.
  std::unordered_set<int32_t> ids;
  int32_t n;
  const Signe* s = GetSignesPortee(staff, &n);
  int64_t t = 0;
  for (int32_t i = 0; s && i < n && t < fin; i++) {
    if (t >= debut) ids.insert(s[i].id);
    if (!(s[i].flags & kSigneAccordSuite)) t += s[i].duree;
  }
  FiltreTextesPreserves(hsavekar, staff, ids, debut, fin);
  FiltreTextesPreserves(hsavechords, staff, ids, debut, fin);
}

void PreservePositionsPartition(Partition** score) {
  PreservePositionDiagrammes(score, kPreserveLargeurs);
  PreservePositionGraphiques(score, kPreserveLargeurs);
}

void RestaurePositionsPartition(Partition** score) {
  RestaurePositionDiagrammes(score, kPreserveLargeurs);
  RestaurePositionGraphiques(score, kPreserveLargeurs);
}
