#pragma once
// How an accompaniment pastes its bar pattern, and the pattern itself: a
// staff that belongs to no score, with its name and times. The pattern and
// its staff are freed with LiberePatternMesure (plugin/LectureDocument.h).
#include "platform/PlatformTypes.h"

struct Portee;

struct PatternMesure {
  char nom[64];  // UTF-8
  int32_t temps1;
  int32_t temps2;
  int32_t typePortee;
  int16_t valeurs[2];  // kept as read
  int32_t valeur3;     // kept as read
  Portee** portee;     // belongs to no score; null none
};

struct ModePaste {
  uint16_t mode;
  uint16_t valeur;
  uint8_t interrupteur;
  PatternMesure* pattern;  // a pointer block; null none
};
