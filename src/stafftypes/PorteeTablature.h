#pragma once
// The tablature staff type (type 7).
struct Portee;

void InitPorteeTablature(Portee** staff);
