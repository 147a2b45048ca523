#include "system/ChainesRessources.h"

// Receives every fetched string.
static char OneString[256];

char* GetStrVracUTF(int16_t) {
  OneString[0] = 0;
  return OneString;
}
