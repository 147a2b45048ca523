#pragma once
// Sample pictures shared by the picture tests and the fuzz seeds.
#include <cstdint>
#include <string>
#include <vector>

#include "support/PictBuilder.h"

namespace tamrel_test {

// A picture with one of everything the readers treat specially.
inline std::vector<uint8_t> PictureWithEverything(bool host) {
  PictBuilder p = PictBuilder::V2({0, 0, 60, 80}, host);
  p.Op(0x0001);
  p.W(10);
  p.RectBE({0, 0, 60, 80});
  p.Op(0x0003);
  p.W(20);
  p.Op(0x002C);
  p.W(8);
  p.W(20);
  p.U8(5);
  p.Bytes("Times", 5);
  p.LongComment(100, "Qrvl\x01\x00\x00\x00Hi", 10);
  p.LongText(20, 5, "Hi");
  p.Op(0x0029);
  p.U8(10);
  p.U8(1);
  p.U8('x');
  p.Line(1, 1, 50, 70);
  p.Op(0x0022);
  p.PtBE(5, 5);
  p.U8(10);
  p.U8(0xF6);
  std::string path = "START 256 0 1 2 1 1.0000 3 10 10 10 10 10 10 40 10 40 10 40 10 40 40 40 40 40 40 ";
  p.LongComment(5479, path.data(), uint16_t(path.size()));
  p.Line(30, 10, 30, 40);
  p.LongComment(5479, "STOP", 4);
  p.Op(0x0071);
  p.W(22);
  p.RectBE({0, 0, 30, 30});
  p.PtBE(0, 0);
  p.PtBE(30, 0);
  p.PtBE(30, 30);
  p.Op(0x0081);
  p.W(28);
  p.RectBE({0, 0, 10, 10});
  for (uint16_t v : {0, 0, 10, 0x7FFF, 10, 0, 10, 0x7FFF, 0x7FFF}) p.BE(v);
  // 24-bit direct pixels, packed by planes.
  p.Op(0x009A);
  p.W32(0xFF);
  p.W(0x8000 | 30);
  p.RectW({0, 0, 2, 10});
  p.W(0);
  p.W(4);
  p.W32(0);
  p.W32(72 << 16);
  p.W32(72 << 16);
  p.W(0);
  p.W(24);
  p.W(3);
  p.W(8);
  p.W32(0);
  p.W32(0);
  p.W32(0);
  p.RectBE({0, 0, 2, 10});
  p.RectBE({40, 40, 42, 50});
  p.W(0);
  for (int y = 0; y < 2; y++) {
    p.U8(2);
    p.U8(0xE3);  // 30 bytes of one value
    p.U8(uint8_t(y * 90));
  }
  // An 8-bit indexed map with a colour table.
  p.Op(0x0098);
  p.W(0x8000 | 8);
  p.RectW({0, 0, 2, 8});
  p.W(0);
  p.W(0);
  p.W32(0);
  p.W32(72 << 16);
  p.W32(72 << 16);
  p.W(0);
  p.W(8);
  p.W(1);
  p.W(8);
  p.W32(0);
  p.W32(0);
  p.W32(0);
  p.W32(0);
  p.W(0);
  p.W(1);
  for (uint16_t v : {0, 0xFFFF, 0, 0, 1, 0, 0, 0xFFFF}) p.W(v);
  p.RectBE({0, 0, 2, 8});
  p.RectBE({0, 50, 2, 58});
  p.W(0);
  for (int y = 0; y < 2; y++) {
    p.U8(2);
    p.U8(0xF9);
    p.U8(uint8_t(y));
  }
  p.Op(0x00A0);
  p.W(5476);
  p.LongText(30, 5, "\x21\x22");
  p.End();
  return p.b;
}

}  // namespace tamrel_test
