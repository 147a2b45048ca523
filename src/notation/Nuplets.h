#pragma once
// Tuplets: numbers, brackets and curves drawn after the stems of a staff
// stretch, from the records the stem drawers collect (one per stem), sorted by
// time and joined when a tuplet is split between stem directions.
#include "notation/ServicesNotation.h"
#include "notation/ValeursNotes.h"
#include "platform/PlatformTypes.h"

struct Portee;

struct TupletEntry {
  uint8_t joint;       // moved into another tuplet
  uint8_t debut;       // begins a tuplet
  uint8_t nombreSeul;  // number only (1 for every record the stem drawer makes)
  int16_t largeurTete;
  uint8_t retourne;  // placed on the head side
  int16_t crochet;   // hook length: 5 for a curve
  int16_t epaisseur;
  QueueEntry queue;
};
// The records collected since the last tuplet stage; null when none.
extern Handle tupletList;

// Appends the records of TabQueue entries first..last (the first begins the
// tuplet); false when the list could not grow (nothing is added then).
bool AjouteTuplets(Portee** staff, int16_t first, int16_t last, uint8_t numberOnly);
// The sort order of two records: by the start tick of their notes.
int ClasseTupletsPosTemps(const void* a, const void* b);
// The tuplet of stems first..last of TabQueue.
void TraceNupletMultiple(uint8_t numberOnly, int16_t headWidth, int16_t first, int16_t last, uint8_t flipped,
                         int16_t hook);
// Number and bracket or curve between two ends; `entry` gives the tuplet word
// and its settings.
void TraceMultipleTuplet(uint8_t numberOnly, int16_t x1, int16_t y1, int16_t x2, int16_t y2, uint8_t below,
                         int16_t headWidth, const QueueEntry* entry);
// The tuplet stage: sorts, joins and draws the collected records, then
// releases the list (also when empty).
void TraceTupletsCollectes();
