#pragma once
// Dynamics objects of a staff.
struct Partition;
struct Portee;

void DisposeDynamiques(Portee** staff);
void LibereEvtDynamiquesPortee(Portee** staff);
void LibereEvtDynamiquesPartition(Partition** score);
