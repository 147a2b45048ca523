#include "layout/ModesEcran.h"

#include "model/Partition.h"

int32_t GetModeEcran(Partition** score) { return score ? (*score)->modeEcran : 0; }

bool IsModePagePartition(Partition** score) { return score && (*score)->modeEcran == kModeEcranPage; }

bool IsModeImpressionPartition(Partition** score) {
  return score && ((*score)->modeEcran == kModeEcranImpression || (*score)->modeEcran == kModeEcranImpression2);
}

// Pagination and screen areas belong to the page layout, which fills these.
void RecalculeMiseEnPage(Document*) {}
float CalculeEchelleVisualisationModePage(Document*) { return 1.0f; }
void InitAiresEcranModeRuban(Document*) {}
void InitAiresEcranModePage(Document*) {}
void InitAiresEcranImpression(Document*) {}
