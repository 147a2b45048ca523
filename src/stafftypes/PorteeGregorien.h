#pragma once
// The Gregorian staff type (type 9).
struct Portee;

void InitPorteeGregorien(Portee** staff);
