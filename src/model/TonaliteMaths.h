#pragma once
// Key maths: standard keys and clefs, probable keys.
#include "model/Tonalite.h"

void CvtTypeClefEnClefStandard(uint32_t clefType, Clef* clef);
// The key of a standard index (0 none, 1..7 sharps, 8..14 flats) and mode.
void CvtTonaliteStdEnTonalite(int16_t index, int32_t mode, Tonalite* key);
// The most probable written key of a bar across the score's staves.
void CvtMesureEnTonaliteProbable(Partition** score, int16_t bar, Tonalite* key);

struct Partition;
// The score's concert-key switch, and switching it; 1 when a staff changed.
uint8_t GetModeConcertKey(Partition** score);
int16_t SetModeConcertKey(Partition** score, uint8_t mode);
