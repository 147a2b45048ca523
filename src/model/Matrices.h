#pragma once
// Accompaniment and rhythm banks and the chord grid of a score.
#include "platform/PlatformTypes.h"

struct Partition;

Handle NewMatriceAccompagnement();
Handle NewMatriceRythme();
void DeleteToutAccompagnements(Partition** score);
void DisposeBarreAccompagnements(Partition** score);
void DisposeGrilleAccord(Partition** score);
void DisposeBanqueRythmesPartition(Partition** score);
void DisposeBarreRythmes(Partition** score);
// Detaches accompaniments from volatile staves and removes the volatile drum staves.
void SupprimePorteesVolatilesAccompagnements(Partition** score);

// Last bar of the chord grid that holds a chord; 0 when none.
int16_t MesureMaxGrilleAccord(Partition** score);
