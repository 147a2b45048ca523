#include "layout/HauteursPortees.h"

void SetDefaultLignesInternesPortees(Portee**) {}
