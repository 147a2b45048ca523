#pragma once
// Colour icons. The plug-in carries no colour-icon resources, so GetCIcon
// finds none and callers take their not-found path; icons registered through
// QDRegisterColorIcon (tools and tests) are found like resources.
#include <cstdint>

#include "platform/PlatformTypes.h"
#include "platform/QuickDraw.h"

// An icon: its pixel map (32-bit A, R, G, B; pixels with alpha 0 are masked
// out) followed by the pixels.
struct CIcon {
  PixMap iconPMap;  // baseAddr is filled when the icon is plotted
};
typedef CIcon* CIconPtr;
typedef CIcon** CIconHandle;

CIconHandle GetCIcon(int16_t id);
// Draws the icon's unmasked pixels scaled into the Rect of the current port.
void PlotCIcon(const Rect* r, CIconHandle icon);
void DisposeCIcon(CIconHandle icon);

// Registers (or replaces) an icon of that id; pixels are 0xAARRGGBB, row by
// row. False when the size is not 1..256 on each side.
bool QDRegisterColorIcon(int16_t id, int16_t width, int16_t height, const uint32_t* argb);
void QDForgetColorIcons();
// Number of successful GetCIcon calls since start.
uint32_t QDColorIconReadCount();
