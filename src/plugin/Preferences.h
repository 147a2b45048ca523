#pragma once
// The preferences record `pref`: the user's settings, which every load
// starts from. Only the fields layout reads so far; each gets its default
// (with the reason where it changes output) in Preferences.cpp.
#include "layout/ModeGraphique.h"
#include "platform/PlatformTypes.h"

struct Preferences {
  ModeGraphique modeGraphiqueUser;  // the user's graphic mode; new scores take it
  int16_t epaisseurMinImpression1;  // minimum printed bar-line thickness, 1/288 inch
  int16_t epaisseurMinImpression2;  // minimum printed staff, ledger and stem thickness
  uint8_t traitsFins;               // fine rendering: lines below a pixel drawn lighter
};

extern Preferences pref;
