#pragma once
// A title of a document (three per document, and three per view).
#include "platform/PlatformTypes.h"
#include "text/TextStyle.h"

struct StrTitre {
  char texte[1024];  // UTF-8
  TextStyle style;
  uint8_t flag;          // justification
  int16_t positions[5];  // tenths of a millimetre
};
