#pragma once
// Chord analysis of a staff.
struct Portee;

void DisposeListeAccords(Portee** staff);
