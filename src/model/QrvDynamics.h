#pragma once
#include "platform/PlatformTypes.h"
// Dynamics objects of a staff.
struct Partition;
struct Portee;

void DisposeDynamiques(Portee** staff);
void LibereEvtDynamiquesPortee(Portee** staff);
void LibereEvtDynamiquesPartition(Partition** score);
// Dynamics made relative to their notes around edits (mode 0 width
// changes, 1 structural edits) and put back.
void PreservePositionDynamiques(Partition** score, int16_t mode);
void RestaurePositionDynamiques(Partition** score, int16_t mode);

// After loading a native document: old pedal bytes of notes become pedal
// dynamics, old documents get explicit levels at repeat targets, and every
// staff's dynamics events are rebuilt.
void CvtOldParamEffetPedaleEnDynamique(Partition** score);
void ConvertitNuancesAncienFormat(Partition** score);
void PrepareDynamiquesPartition(Partition** score);
