#pragma once
// Hand-built pictures for tests: version 1 (byte opcodes), version 2
// big-endian, and version 2 host-order (0xCAFE, scalar operands
// little-endian). Header-only.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/Memory.h"
#include "platform/PlatformTypes.h"

struct PictBuilder {
  std::vector<uint8_t> b;
  bool host = false;
  bool v1 = false;

  static PictBuilder V2(Rect frame, bool hostOrder = false) {
    PictBuilder p;
    p.host = hostOrder;
    p.W(0);
    p.RectW(frame);
    p.BE(0x0011);
    p.BE(hostOrder ? 0xCAFE : 0x02FF);
    p.BE(0x0C00);
    p.W(0xFFFE);
    p.W(0);
    p.W32(72 << 16);
    p.W32(72 << 16);
    p.RectW(frame);
    p.W32(0);
    return p;
  }
  static PictBuilder V1(Rect frame) {
    PictBuilder p;
    p.v1 = true;
    p.BE(0);
    p.RectBE(frame);
    p.U8(0x11);
    p.U8(0x01);
    return p;
  }

  void U8(uint8_t v) { b.push_back(v); }
  void BE(uint16_t v) {
    U8(uint8_t(v >> 8));
    U8(uint8_t(v));
  }
  void BE32(uint32_t v) {
    BE(uint16_t(v >> 16));
    BE(uint16_t(v));
  }
  void W(uint16_t v) {
    if (host) {
      U8(uint8_t(v));
      U8(uint8_t(v >> 8));
    } else {
      BE(v);
    }
  }
  void W32(uint32_t v) {
    if (host) {
      W(uint16_t(v));
      W(uint16_t(v >> 16));
    } else {
      BE32(v);
    }
  }
  void RectBE(Rect r) {
    BE(uint16_t(r.top));
    BE(uint16_t(r.left));
    BE(uint16_t(r.bottom));
    BE(uint16_t(r.right));
  }
  void RectW(Rect r) {
    W(uint16_t(r.top));
    W(uint16_t(r.left));
    W(uint16_t(r.bottom));
    W(uint16_t(r.right));
  }
  void PtBE(int16_t v, int16_t h) {
    BE(uint16_t(v));
    BE(uint16_t(h));
  }
  void Bytes(const void* p, size_t n) {
    const uint8_t* q = static_cast<const uint8_t*>(p);
    b.insert(b.end(), q, q + n);
  }
  void Op(uint16_t op) {
    if (v1) {
      U8(uint8_t(op));
      return;
    }
    if (b.size() & 1) U8(0);
    BE(op);
  }
  void End() {
    Op(0x00FF);
    uint16_t n = uint16_t(b.size());
    if (host) {
      b[0] = uint8_t(n);
      b[1] = uint8_t(n >> 8);
    } else {
      b[0] = uint8_t(n >> 8);
      b[1] = uint8_t(n);
    }
  }
  // Common operations.
  void RGBFg(uint16_t r, uint16_t g, uint16_t bl) {
    Op(0x001A);
    BE(r);
    BE(g);
    BE(bl);
  }
  void Line(int16_t v0, int16_t h0, int16_t v1_, int16_t h1) {
    Op(0x0020);
    PtBE(v0, h0);
    PtBE(v1_, h1);
  }
  void RectOp(uint16_t op, Rect r) {
    Op(op);
    RectBE(r);
  }
  void LongText(int16_t v, int16_t h, const char* s) {
    Op(0x0028);
    PtBE(v, h);
    U8(uint8_t(std::strlen(s)));
    Bytes(s, std::strlen(s));
  }
  void LongComment(uint16_t kind, const void* data, uint16_t n) {
    Op(0x00A1);
    W(kind);
    W(n);
    Bytes(data, n);
  }
  Handle ToHandle() const {
    Handle h = NewHandle(Size(b.size()));
    if (h && !b.empty()) std::memcpy(*h, b.data(), b.size());
    return h;
  }
};

inline std::vector<uint8_t> HandleBytes(Handle h) {
  if (!h) return {};
  const uint8_t* p = reinterpret_cast<const uint8_t*>(*h);
  return std::vector<uint8_t>(p, p + GetHandleSize(h));
}
