#pragma once
// Sound-effect objects of a staff.
struct Portee;

void DisposeFXs(Portee** staff);
