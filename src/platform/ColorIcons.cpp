#include "platform/ColorIcons.h"

#include <cstring>
#include <map>
#include <vector>

#include "platform/Memory.h"

namespace {

struct Registered {
  int16_t width, height;
  std::vector<uint8_t> argb;  // A, R, G, B bytes
};

std::map<int16_t, Registered>& Table() {
  static std::map<int16_t, Registered> table;
  return table;
}
uint32_t gReads = 0;

uint8_t* PixelsOf(CIconHandle icon) { return reinterpret_cast<uint8_t*>(*icon) + sizeof(CIcon); }

}  // namespace

bool QDRegisterColorIcon(int16_t id, int16_t width, int16_t height, const uint32_t* argb) {
  if (!argb || width < 1 || height < 1 || width > 256 || height > 256) return false;
  Registered r{width, height, std::vector<uint8_t>(size_t(width) * size_t(height) * 4)};
  for (size_t i = 0; i < size_t(width) * size_t(height); ++i) {
    r.argb[4 * i] = uint8_t(argb[i] >> 24);
    r.argb[4 * i + 1] = uint8_t(argb[i] >> 16);
    r.argb[4 * i + 2] = uint8_t(argb[i] >> 8);
    r.argb[4 * i + 3] = uint8_t(argb[i]);
  }
  Table()[id] = std::move(r);
  return true;
}

void QDForgetColorIcons() { Table().clear(); }

uint32_t QDColorIconReadCount() { return gReads; }

CIconHandle GetCIcon(int16_t id) {
  auto it = Table().find(id);
  if (it == Table().end()) return nullptr;
  const Registered& r = it->second;
  Handle h = NewHandleClear(Size(sizeof(CIcon) + r.argb.size()));
  if (!h) return nullptr;
  CIconHandle icon = reinterpret_cast<CIconHandle>(h);
  PixMap& pm = (*icon)->iconPMap;
  pm.rowBytes = int32_t(r.width) * 4;
  pm.bounds = Rect{0, 0, r.height, r.width};
  pm.pixelSize = 32;
  pm.cmpCount = 4;
  pm.cmpSize = 8;
  pm.hRes = pm.vRes = 72 << 16;
  std::memcpy(PixelsOf(icon), r.argb.data(), r.argb.size());
  ++gReads;
  return icon;
}

void PlotCIcon(const Rect* r, CIconHandle icon) {
  if (!r || !icon || !*icon) return;
  PixMap pm = (*icon)->iconPMap;
  pm.baseAddr = reinterpret_cast<Ptr>(PixelsOf(icon));
  const int32_t w = pm.bounds.right, h = pm.bounds.bottom;
  const int32_t dw = int32_t(r->right) - r->left, dh = int32_t(r->bottom) - r->top;
  if (w <= 0 || h <= 0 || dw <= 0 || dh <= 0) return;
  // The mask: runs of unmasked pixels, scaled onto the Rect.
  RgnHandle mask = NewRgn(), run = NewRgn();
  if (!mask || !run) {
    if (mask) DisposeRgn(mask);
    if (run) DisposeRgn(run);
    return;
  }
  const uint8_t* px = reinterpret_cast<const uint8_t*>(pm.baseAddr);
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < w;) {
      if (px[(size_t(y) * size_t(w) + size_t(x)) * 4] == 0) {
        ++x;
        continue;
      }
      int32_t x0 = x;
      while (x < w && px[(size_t(y) * size_t(w) + size_t(x)) * 4] != 0) ++x;
      SetRectRgn(run, int16_t(r->left + x0 * dw / w), int16_t(r->top + y * dh / h), int16_t(r->left + x * dw / w),
                 int16_t(r->top + (y + 1) * dh / h));
      UnionRgn(mask, run, mask);
    }
  }
  CGrafPtr port = nullptr;
  GetPort(&port);
  if (port) CopyBits(&pm, GetPortBitMapForCopyBits(port), &pm.bounds, r, srcCopy, mask);
  DisposeRgn(run);
  DisposeRgn(mask);
}

void DisposeCIcon(CIconHandle icon) {
  if (icon) DisposeHandle(reinterpret_cast<Handle>(icon));
}
