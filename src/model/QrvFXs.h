#pragma once
// Sound-effect objects of a staff.
#include "platform/PlatformTypes.h"
#include "sound/DonneesFX.h"
#include "text/TextStyle.h"

struct Partition;
struct Portee;

// One sound-effect object: an effect definition (its name, icon and
// settings) placed over a span of the staff. A staff holds its objects back
// to back in a handle, with their count beside it.
struct FX {
  char nom[200];
  char commentaire[200];
  TextStyle style;
  // The object's area: its span in ticks and its vertical extent relative to
  // the staff band's reference line (stored as one rectangle: start, top,
  // end, bottom).
  int32_t debut;
  int32_t fin;
  int32_t haut;
  int32_t bas;
  int16_t decalageGauche;  // piano-roll units at zoom 72
  int16_t decalageDroite;
  uint8_t affiche;      // 0: drawn only with the guide marks
  uint8_t icone[1024];  // the 32 by 32 icon and its colour block
  uint8_t couleur[1024];
  ParamFX param;
  uint32_t cache;          // non-zero: never drawn
  uint32_t ancrePreserve;  // note-relative position kept across structural edits
  uint32_t decalagePreserve;
};

void DisposeFXs(Portee** staff);
// Sound-effect objects made relative to their notes around edits (mode 0 width
// changes, 1 structural edits) and put back.
void PreservePositionFXs(Partition** score, int16_t mode);
void RestaurePositionFXs(Partition** score, int16_t mode);
