#pragma once
// Sound-effect objects of a staff.
#include "platform/PlatformTypes.h"
#include "sound/DonneesFX.h"
#include "system/BigRect.h"
#include "text/TextStyle.h"

struct Document;
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

// A new object at the end of the staff's list (made if absent), with the
// effect defaults; its index, or -1 when the list cannot grow.
int32_t NewFX(Portee** staff);
// The same on any list and its count (the effect lists of banks).
int32_t NewFXGenerique(int16_t* count, Handle* list);
// The staff's objects and their count (bounded by the handle); null when none.
FX* GetFXsPortee(Portee** staff, int32_t* count);
void DisposeFXs(Portee** staff);

// The object's piano-roll area: its span and its extent in the staff's band,
// widened by its shifts. Always 1.
int16_t CalculeAireFXRuban(Document* document, Portee** staff, int32_t index, BigRect* out);
// True when the object is drawn for the range [t0, t1]: it is not hidden
// and starts inside the range or starts before it and lasts into it.
bool IsFXAAfficher(const FX* record, int32_t t0, int32_t t1);
// Draws the objects that are not hidden and whose span meets [t0, t1], on
// the page (x offset 0 or more: within the staff at that offset). Always 1.
int16_t AfficheFXsPortee(Portee** staff, const Rect* clip, int32_t xOffset, int32_t t0, int32_t t1);

// Cuts [t0, t1) out of the staff's objects. With keep an object that starts
// inside moves to t0 with its length; without, starts and ends inside move to
// t0, later ones move back, and objects left empty go.
void DeleteTimeRangeFXs(Portee** staff, int32_t t0, int32_t t1, uint8_t keep);
// The same over `count` bars from `bar`, without keep.
void DeleteMesureFXs(Portee** staff, int32_t bar, int32_t count);
// Moves the spans of any list of objects over deleted bars (none goes);
// returns the tick after the deleted bars.
int32_t DeleteMesureTabFXs(Partition** score, int16_t count, Handle list, int32_t bar, int32_t nbBars);

// Sound-effect objects made relative to their notes around edits (mode 0 width
// changes, 1 structural edits) and put back.
void PreservePositionFXs(Partition** score, int16_t mode);
void RestaurePositionFXs(Partition** score, int16_t mode);
