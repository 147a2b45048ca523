#include "system/Icones.h"

#include <algorithm>
#include <cstdio>

#include "platform/ColorIcons.h"
#include "platform/Memory.h"
#include "plugin/ServicesInertes.h"
#include "system/Offscreens.h"

Handle extraIcones = nullptr;

namespace {

IconeCache* Cherche(int16_t id) {
  if (!extraIcones) return nullptr;
  const size_t n = size_t(GetHandleSize(extraIcones)) / sizeof(IconeCache);
  IconeCache* e = reinterpret_cast<IconeCache*>(*extraIcones);
  for (size_t i = 0; i < n; ++i)
    if (e[i].id == id) return &e[i];
  return nullptr;
}

// The cached entry of the icon, made from the resource on first use; false
// when the platform has no such icon.
bool Entree(int16_t id, IconeCache* out) {
  if (!extraIcones) extraIcones = NewHandle(0);
  if (!extraIcones) return false;
  if (IconeCache* e = Cherche(id)) {
    *out = *e;
    return true;
  }
  CIconHandle icon = GetCIcon(id);
  if (!icon) return false;
  Rect all = (*icon)->iconPMap.bounds;
  Offscreen off = OffscreenCreate(&all);
  if (!off) {
    DisposeCIcon(icon);
    return false;
  }
  OffscreenPaintRect(off, &all, kIconeCleRouge, kIconeCleVert, kIconeCleBleu, 100, 2);
  CGrafPtr saved;
  GDHandle savedDevice;
  GetGWorld(&saved, &savedDevice);
  SetGWorld(off, nullptr);
  PlotCIcon(&all, icon);
  SetGWorld(saved, savedDevice);
  DisposeCIcon(icon);
  OffscreenCreateOpacityFromColor(off, "030405");
  IconeCache entry{id, all, 0, off};
  if (PtrAndHand(&entry, extraIcones, Size(sizeof entry)) != noErr) {
    RozoClosePortOffscreen(off);
    return false;
  }
  *out = entry;
  return true;
}

}  // namespace

void OrvantaDrawIconAltered(const Rect* r, int16_t id, bool fit, int16_t opacity, int16_t saturation) {
  if (!r) return;
  IconeCache e;
  if (!Entree(id, &e)) {
    char message[64];
    std::snprintf(message, sizeof message, "Icon #%d not found", int(id));
    ScriptTraceLog(message);
    PaintRect(r);
    return;
  }
  Rect dest = e.rect;
  if (fit) dest = *r;
  else OffsetRect(&dest, r->left, r->top);
  ForeColor(blackColor);
  BackColor(whiteColor);
  Offscreen off = e.offscreen, dup = nullptr;
  if (opacity != 100 || saturation != 100) {
    // The cached icon stays as it was made.
    dup = OffscreenDuplicate(e.offscreen);
    if (!dup) return;
    if (opacity != 100) OffscreenFadeOpacity(dup, float(opacity));
    if (saturation != 100) OffscreenBCS(dup, 0.0f, 0.0f, float(saturation - 100));
    off = dup;
  }
  OffscreenCopyBits(off, &e.rect, &dest, true);
  if (dup) RozoClosePortOffscreen(dup);
}

void OrvantaDrawIcon(const Rect* r, int16_t id, bool fit) { OrvantaDrawIconAltered(r, id, fit, 100, 100); }

void DrawIconXY(int16_t id, int16_t x, int16_t y) {
  Rect r;
  SetRect(&r, x, y, int16_t(x + 32), int16_t(y + 32));
  OrvantaDrawIcon(&r, id, false);
}

void DrawIconButtonXY(int16_t id, int16_t x, int16_t y) {
  if (id <= 0) return;
  Rect size;
  if (const IconeCache* e = Cherche(id)) {
    size = e->rect;  // already read once: the cache knows its size
  } else {
    CIconHandle icon = GetCIcon(id);
    if (!icon) return;
    size = (*icon)->iconPMap.bounds;
    DisposeCIcon(icon);
  }
  Rect r;
  SetRect(&r, x, y, int16_t(x + size.right), int16_t(y + size.bottom));
  OrvantaDrawIcon(&r, id, true);
}

void DrawIconButton(const Rect* r, int16_t id, int16_t, bool selected) {
  if (!r) return;
  if (id > 0) OrvantaDrawIcon(r, id, true);
  if (selected) return;
  Rect all{0, 0, int16_t(r->bottom - r->top), int16_t(r->right - r->left)};
  Offscreen veil = OffscreenCreate(&all);
  if (!veil) return;
  OffscreenPaintRect(veil, &all, 240, 240, 240, 70, 2);
  OffscreenCopyBits(veil, &all, r, true);
  RozoClosePortOffscreen(veil);
}

void DrawIconCustom(int16_t width, int16_t height, const uint8_t* palette, int32_t paletteCount, const uint8_t* indexes,
                    const Rect* dest) {
  DrawIconCustomOpacity(width, height, palette, paletteCount, indexes, dest, 100);
}

void DrawIconCustomOpacity(int16_t width, int16_t height, const uint8_t* palette, int32_t paletteCount,
                           const uint8_t* indexes, const Rect* dest, int16_t opacity) {
  if (!palette || !indexes || !dest || width <= 0 || height <= 0) return;
  Offscreen off = CreeOffscreen(width, height, 32);
  if (!off) return;
  const uint8_t a = uint8_t(std::clamp(int32_t(opacity) * 255 / 100, 0, 255));
  for (int16_t y = 0; y < height; ++y) {
    for (int16_t x = 0; x < width; ++x) {
      const uint8_t idx = indexes[size_t(y) * size_t(width) + size_t(x)];
      if (idx >= paletteCount) {
        OffscreenSetPixel(off, x, y, 255, 255, 255, 0);
        continue;
      }
      const uint8_t* c = palette + size_t(idx) * 4;
      if (c[0] >= 254 && c[1] >= 254 && c[2] >= 254) {
        OffscreenSetPixel(off, x, y, 255, 255, 255, 0);
        continue;
      }
      auto snap = [](uint8_t v) -> int16_t { return v < 2 ? 0 : v > 253 ? 255 : v; };
      OffscreenSetPixel(off, x, y, snap(c[0]), snap(c[1]), snap(c[2]), a);
    }
  }
  ForeColor(blackColor);
  BackColor(whiteColor);
  Rect all{0, 0, height, width};
  OffscreenCopyBits(off, &all, dest, false);
  RozoClosePortOffscreen(off);
}
