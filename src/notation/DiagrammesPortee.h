#pragma once
// The chord-diagram list of a staff.
struct Portee;

void DisposeDiagrammes(Portee** staff);
void DisposeDiagrammesAccordsCustomsPortee(Portee** staff);
