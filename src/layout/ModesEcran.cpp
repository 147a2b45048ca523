#include "layout/ModesEcran.h"

#include "model/Partition.h"

int32_t GetModeEcran(Partition** score) { return score ? (*score)->modeEcran : 0; }

bool IsModePagePartition(Partition** score) { return score && (*score)->modeEcran == kModeEcranPage; }

bool IsModeImpressionPartition(Partition** score) {
  return score && ((*score)->modeEcran == kModeEcranImpression || (*score)->modeEcran == kModeEcranImpression2);
}
