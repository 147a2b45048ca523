#pragma once
// Piano-roll coordinates.
struct Portee;

// Gives a merged staff the piano-roll band of its leader.
void AppliquePorteeFusionneRuban(Portee** leader, Portee** staff);
