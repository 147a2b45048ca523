#pragma once
// Staff heights and inner lines.
struct Portee;

// Sets a new staff's inner line positions.
void SetDefaultLignesInternesPortees(Portee** staff);
