#pragma once
// Staff texts and lyric cells.
struct Portee;

void DisposeTextes(Portee** staff);
