#include "system/Couleurs.h"

#include <cstdlib>

#include "platform/QuickDraw.h"

namespace {

int16_t lastIdxForeColor = 0;

bool Same(const RGBColor& a, const RGBColor& b) { return a.red == b.red && a.green == b.green && a.blue == b.blue; }

}  // namespace

void CvtIndexEnRGB(uint16_t index, RGBColor* color) {
  if (!color) return;
  *color = TabRgbColor[(index >= 1 && index <= 255) ? index : 1];
}

void CvtIndexEnRGBBrut(int16_t index, RGBColor* color) {
  if (color) *color = TabRgbColor[uint8_t(index)];
}

int16_t CvtRGBEnIndexProche(const RGBColor* color) {
  if (!color) return 1;
  int32_t best = 0x2FFFD;
  int16_t bestIndex = 0;
  for (int i = 0; i < 256; ++i) {
    const RGBColor& e = TabRgbColor[i];
    int32_t d = std::abs(int32_t(e.red) - color->red) + std::abs(int32_t(e.green) - color->green) +
                std::abs(int32_t(e.blue) - color->blue);
    if (d < best) {
      best = d;
      bestIndex = int16_t(i);
    }
  }
  return bestIndex;
}

void SetForeColor(int16_t index) {
  RGBColor current, wanted;
  GetForeColor(&current);
  CvtIndexEnRGB(uint16_t(index), &wanted);
  if (!Same(current, wanted)) RGBForeColor(&wanted);
  lastIdxForeColor = index;
}

int16_t GetLastForeColor() { return lastIdxForeColor; }

void ResetForeColor() { SetForeColor(lastIdxForeColor); }

void SetBackColor(int16_t index) {
  RGBColor current, wanted;
  GetBackColor(&current);
  CvtIndexEnRGB(uint16_t(index), &wanted);
  if (!Same(current, wanted)) RGBBackColor(&wanted);
}

void SetRGBForeColor(uint16_t red, uint16_t green, uint16_t blue) {
  RGBColor c = {red, green, blue};
  RGBForeColor(&c);
}

void SetRGBBackColor(uint16_t red, uint16_t green, uint16_t blue) {
  RGBColor c = {red, green, blue};
  RGBBackColor(&c);
}

void SetRGBForeColorNumber(uint32_t n) {
  SetRGBForeColor(uint16_t((n >> 8) & 0xFF00), uint16_t(n & 0xFF00), uint16_t((n << 8) & 0xFF00));
}

void SetRGBBackColorNumber(uint32_t n) {
  SetRGBBackColor(uint16_t((n >> 8) & 0xFF00), uint16_t(n & 0xFF00), uint16_t((n << 8) & 0xFF00));
}
