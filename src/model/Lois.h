#pragma once
// Laws and curves of a staff.
struct Partition;
struct Portee;

void DisposeLoisPortee(Portee** staff);
void DisposeCourbes(Portee** staff);
// Removes the volatile staves that laws made.
void SupprimePorteesVolatilesLois(Partition** score);
