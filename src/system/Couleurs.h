#pragma once
// The constant 256-colour table the score model's colour indexes refer to,
// the conversions between indexes and RGB colours, and the setters of the
// current port's colours. A colour the port already has is not set again,
// which keeps recorded pictures free of needless colour changes.
#include <array>
#include <cstdint>

#include "platform/PlatformTypes.h"

// The system's 256-colour palette: the 6 x 6 x 6 cube without its last
// (black) corner, then ramps of red, green, blue and grey; entry 1 is black
// instead of the cube's pale yellow and entry 255 white instead of black.
constexpr std::array<RGBColor, 256> BuildTabRgbColor() {
  std::array<RGBColor, 256> t{};
  constexpr uint16_t levels[6] = {0xFFFF, 0xCCCC, 0x9999, 0x6666, 0x3333, 0x0000};
  constexpr uint16_t ramp[10] = {0xEEEE, 0xDDDD, 0xBBBB, 0xAAAA, 0x8888, 0x7777, 0x5555, 0x4444, 0x2222, 0x1111};
  for (int i = 0; i < 215; ++i) t[size_t(i)] = RGBColor{levels[i / 36], levels[(i / 6) % 6], levels[i % 6]};
  for (int k = 0; k < 10; ++k) {
    t[size_t(215 + k)] = RGBColor{ramp[k], 0, 0};
    t[size_t(225 + k)] = RGBColor{0, ramp[k], 0};
    t[size_t(235 + k)] = RGBColor{0, 0, ramp[k]};
    t[size_t(245 + k)] = RGBColor{ramp[k], ramp[k], ramp[k]};
  }
  t[1] = RGBColor{0, 0, 0};
  t[255] = RGBColor{0xFFFF, 0xFFFF, 0xFFFF};
  return t;
}
inline constexpr std::array<RGBColor, 256> TabRgbColor = BuildTabRgbColor();

// Index to colour: 1..255 give their entry, 0 and 256 on give black.
void CvtIndexEnRGB(uint16_t index, RGBColor* color);
// Unchecked: the caller guarantees 0..255.
void CvtIndexEnRGBBrut(int16_t index, RGBColor* color);
// Nearest entry by the sum of component differences; the lowest index wins ties.
int16_t CvtRGBEnIndexProche(const RGBColor* color);

void SetForeColor(int16_t index);  // remembers the index, even when nothing changed
int16_t GetLastForeColor();
void ResetForeColor();
void SetBackColor(int16_t index);
void SetRGBForeColor(uint16_t red, uint16_t green, uint16_t blue);
void SetRGBBackColor(uint16_t red, uint16_t green, uint16_t blue);
// 0xRRGGBB: each byte becomes the high byte of its 16-bit component.
void SetRGBForeColorNumber(uint32_t number);
void SetRGBBackColorNumber(uint32_t number);
