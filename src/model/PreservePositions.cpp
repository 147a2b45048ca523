#include "model/PreservePositions.h"

#include "model/QrvDynamics.h"
#include "model/QrvFXs.h"
#include "model/QrvText.h"
#include "model/SGraphix.h"
#include "notation/ServicesNotation.h"
#include "system/Handles.h"
#include "system/Reporters.h"

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

void PreservePositionsPartition(Partition** score) {
  PreservePositionDiagrammes(score, kPreserveLargeurs);
  PreservePositionGraphiques(score, kPreserveLargeurs);
}

void RestaurePositionsPartition(Partition** score) {
  RestaurePositionDiagrammes(score, kPreserveLargeurs);
  RestaurePositionGraphiques(score, kPreserveLargeurs);
}
