#include "model/TonaliteMaths.h"

#include <cstring>

void CvtTypeClefEnClefStandard(uint32_t clefType, Clef* clef) {
  std::memset(clef, 0, sizeof(Clef));
  clef->type = clefType;
  clef->noteDeBase = clefType == 2 ? 43 : clefType == 3 ? 53 : 64;
}

void CvtTonaliteStdEnTonalite(int16_t, int32_t mode, Tonalite* key) {
  std::memset(key, 0, sizeof(Tonalite));
  key->alterationTonique = 2;
  key->degreTonique = mode == 1 ? 0 : 5;
  key->mode = mode;
  key->styleAnnulation = 2;
}

void CvtMesureEnTonaliteProbable(Partition**, int16_t, Tonalite* key) { CvtTonaliteStdEnTonalite(0, 1, key); }

// Concert key is never switched on until transposition is built.
uint8_t GetModeConcertKey(Partition**) { return 0; }
int16_t SetModeConcertKey(Partition**, uint8_t) { return 0; }
