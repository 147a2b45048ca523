#include "notation/FXsGraf.h"

#include <cstring>

#include "layout/ServicesMiseEnPage.h"
#include "layout/Zoom.h"
#include "model/Portee.h"
#include "model/QrvFXs.h"
#include "system/Icones.h"
#include "system/PortLayer.h"
#include "system/Strings.h"
#include "text/TextBox.h"

void AfficheFX(Portee** staff, const FX* record, const Rect* area) {
  if (!staff || !record || !area) return;
  if (!record->affiche && !IsTraceReperes((*staff)->partition)) return;
  // The name and style are copied: drawing text may move memory.
  const FX* f = record;
  char nom[sizeof f->nom];
  std::memcpy(nom, f->nom, sizeof nom);
  nom[sizeof nom - 1] = 0;
  const TextStyle style = f->style;
  RgnHandle clip = AddRectAuClip(area);
  SetTextStyleHauteurZoom(&style, style.size);
  Rect texte = *area;
  texte.left = Sature16(int32_t(texte.left) + Zoom(36));
  TextBoxSansFond(nom, int32_t(std::strlen(nom)), &texte, 0, 0);
  // The icon: 32 x 32 palette indexes, the palette's 256 entries of 4 bytes.
  const Rect icone{area->top, area->left, Sature16(int32_t(area->top) + Zoom(32)),
                   Sature16(int32_t(area->left) + Zoom(32))};
  DrawIconCustom(32, 32, f->couleur, 256, f->icone, &icone);
  RestaureClip(clip);
}
