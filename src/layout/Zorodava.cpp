#include "layout/Zorodava.h"

#include <cstring>

#include "model/Partition.h"
#include "platform/Memory.h"
#include "system/QrvFiles.h"

void SetDefaultZorodavaPartition(Partition** score, int16_t keepOn) {
  if (!score) return;
  ZorodavaSetup& z = (*score)->zorodava;
  std::memset(&z, 0, sizeof z);
  z.scaleBars = 1;
  z.perStaff = 1;
  const int16_t widths[7] = {200, 160, 120, 72, 56, 48, 40};
  for (int i = 0; i < 7; i++) z.widths[i] = widths[i];
  z.gap = 8;
  z.accidental = 40;
  z.grace = 35;
  z.shortExtra = 8;
  z.minScale = 300;
  z.maxScale = 9999;
  z.restScale = 600;
  z.lyricFactor = 35;
  if (!keepOn) z.on = 0;
}

void DisposeZorodavaTaquets(Partition** score) {
  if (!score) return;
  if ((*score)->taquetsZorodava) DisposeHandle((*score)->taquetsZorodava);
  (*score)->taquetsZorodava = nullptr;
  (*score)->nbTaquetsZorodava = 0;
}

bool IsModeZorodava(Partition** score, Portee**) { return score && (*score)->zorodava.on != 0; }

// SEAM(layout): the spacing columns are not built yet: the conversions answer "not held" and
// callers use the bar tables.
int16_t RecalculeZorodavaDocument(Document*) { return 0; }
int32_t ZorodavaCvtTempsEnPixelEcran(Partition**, int32_t) { return -1; }
int32_t ZorodavaCvtTempsEnPixelRuban(Partition**, int32_t) { return -1; }
int32_t ZorodavaCvtPixelRubanEnTemps(Partition**, int32_t) { return -1; }
int32_t ZorodavaCvtPosTempsEnPosColEcr(Partition**, int32_t) { return -1; }

static int16_t LitI16Zorodava() {
  int16_t a = ReadCar(), b = ReadCar();
  return int16_t(uint16_t((uint16_t(a < 0 ? 0 : a) << 8) | uint16_t(b < 0 ? 0 : b)));
}

void ReadZorodava(ZorodavaSetup* setup) {
  if (!setup) return;
  ZorodavaSetup& z = *setup;
  int16_t c = ReadCar();
  z.on = uint8_t(c < 0 ? 0 : c);
  c = ReadCar();
  z.scaleBars = uint8_t(c < 0 ? 0 : c);
  for (int i = 0; i < 5; i++) z.widths[i] = LitI16Zorodava();
  z.gap = LitI16Zorodava();
  z.accidental = LitI16Zorodava();
  z.grace = LitI16Zorodava();
  z.shortExtra = LitI16Zorodava();
  z.minScale = LitI16Zorodava();
  z.maxScale = LitI16Zorodava();
  z.restScale = LitI16Zorodava();
  z.lyricFactor = LitI16Zorodava();
  z.widths[5] = LitI16Zorodava();
  z.widths[6] = LitI16Zorodava();
  c = ReadCar();
  z.perStaff = uint8_t(c < 0 ? 0 : c);
  for (int i = 0; i < 9; i++) ReadCar();
}
