#include "notation/FXsGraf.h"

// SEAM(notation): sound-effect objects show nothing until their labels are drawn.
void AfficheFX(Portee**, const FX*, const Rect*) {}
