#pragma once
// The drum staff type (type 2).
struct Portee;

void InitPorteeBatterie(Portee** staff);
