#include "model/Signe.h"

#include "model/Portee.h"

void FixeAccordsNonCalcules(Portee** staff) {
  if (staff) (*staff)->accordsCalcules = 0;
}
