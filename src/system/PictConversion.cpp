#include "system/PictConversion.h"

#include <cstring>
#include <vector>

#include "platform/Memory.h"
#include "platform/Pictures.h"
#include "system/Couleurs.h"
#include "system/Reporters.h"

#include "text/Fontes.h"
#include "text/UTFText.h"

namespace {

bool EmptyFrame(const Rect& r) { return r.bottom <= r.top || r.right <= r.left; }

// The version word of a version-2 picture must be one of the two forms.
bool VersionWordOk(const uint8_t* p, size_t n) {
  if (n < 12) return false;
  if (p[10] != 0x00 || p[11] != 0x11) return true;  // version 1
  return n >= 14 && ((p[12] == 0x02 && p[13] == 0xFF) || (p[12] == 0xCA && p[13] == 0xFE));
}

// Writes a pixel-map record (base address for direct bits first) in the
// picture's own order.
void WritePixMapRecord(PictWriter& w, const PictBits& b, bool host) {
  if (b.direct) w.W32(0, host);
  w.W16(uint16_t(b.rowBytes | 0x8000), host);
  w.W16(uint16_t(b.bounds.top), host);
  w.W16(uint16_t(b.bounds.left), host);
  w.W16(uint16_t(b.bounds.bottom), host);
  w.W16(uint16_t(b.bounds.right), host);
  w.W16(b.pmVersion, host);
  w.W16(b.packType, host);
  w.W32(b.packSize, host);
  w.W32(uint32_t(b.hRes), host);
  w.W32(uint32_t(b.vRes), host);
  w.W16(b.pixelType, host);
  w.W16(b.pixelSize, host);
  w.W16(b.cmpCount, host);
  w.W16(b.cmpSize, host);
  w.W32(b.planeBytes, host);
  w.W32(0, host);  // pmTable: a handle in memory, meaningless on disk
  w.W32(0, host);  // pmReserved
}

// One converted row: `pixels` ARGB chunky -> stored form.
void EmitRow(PictWriter& w, const uint8_t* argb, int width, std::vector<uint8_t>& planes,
             std::vector<uint8_t>& packed) {
  size_t rb = size_t(width) * 4;
  if (rb < 8) {
    w.Bytes(argb, rb);  // narrow rows are stored unpacked, pixel by pixel
    return;
  }
  planes.resize(rb);
  for (int x = 0; x < width; x++)
    for (int c = 0; c < 4; c++) planes[size_t(c) * size_t(width) + size_t(x)] = argb[size_t(x) * 4 + size_t(c)];
  packed.resize(PictPackBound(rb));
  size_t n = PictPackRow(planes.data(), rb, packed.data());
  if (rb > 250) w.BE16(uint16_t(n));
  else w.U8(uint8_t(n));
  w.Bytes(packed.data(), n);
}

}  // namespace

Handle Cvt24bPixmapTo32b(const uint8_t* src, size_t srcSize, PictBits& b) {
  int width = b.width(), height = b.height();
  if (width <= 0 || height < 0 || size_t(width) * size_t(height) > kPictMaxPixels) return nullptr;
  if (b.dataAt > srcSize || b.dataLen > srcSize - b.dataAt) return nullptr;
  // Only planar run-length rows (packType 4) and unpacked rows can be read
  // as 24-bit pixels; other packings are left as they are.
  bool packed = b.RowsPacked();
  if (packed && b.packType != 4) return nullptr;
  if (!packed && b.packType != 0 && b.packType != 1 && b.packType != 4) return nullptr;
  int comps = b.cmpCount == 4 ? 4 : 3;
  size_t inRow = size_t(width) * size_t(comps);
  if (size_t(width) * 4 > 0x3FFF) return nullptr;  // rowBytes of the result must fit its field

  PictWriter w;
  std::vector<uint8_t> row(inRow), argb(size_t(width) * 4), planes, packedRow;
  PictReader rd{src, b.dataAt + b.dataLen, b.dataAt, false, false};
  for (int y = 0; y < height; y++) {
    if (packed) {
      size_t count = b.rowBytes > 250 ? rd.BE16() : rd.U8();
      if (rd.failed || !rd.Has(count)) return w.Abandon(), nullptr;
      // Each row is decoded to exactly its pixels, never beyond.
      if (!PictUnpackRow(rd.Here(), count, row.data(), inRow, 1)) return w.Abandon(), nullptr;
      rd.Skip(count);
      for (int x = 0; x < width; x++) {
        uint8_t* px = &argb[size_t(x) * 4];
        px[0] = comps == 4 ? row[size_t(x)] : 0xFF;
        for (int c = 0; c < 3; c++) px[1 + c] = row[size_t(comps - 3 + c) * size_t(width) + size_t(x)];
      }
    } else {
      // Unpacked rows are rowBytes apart: four bytes a pixel when they fit,
      // else three.
      size_t rb = b.RawRowBytes();
      if (!rd.Has(rb)) return w.Abandon(), nullptr;
      const uint8_t* p = rd.Here();
      if (rb >= size_t(width) * 4) {
        std::memcpy(argb.data(), p, size_t(width) * 4);
        if (comps == 3)
          for (int x = 0; x < width; x++) argb[size_t(x) * 4] = 0xFF;
      } else if (rb >= size_t(width) * 3) {
        for (int x = 0; x < width; x++) {
          argb[size_t(x) * 4] = 0xFF;
          std::memcpy(&argb[size_t(x) * 4 + 1], p + size_t(x) * 3, 3);
        }
      } else {
        return w.Abandon(), nullptr;
      }
      rd.Skip(rb);
    }
    EmitRow(w, argb.data(), width, planes, packedRow);
    if (w.failed) return w.Abandon(), nullptr;
  }
  Handle out = w.Finish();
  if (!out) return nullptr;
  b.rowBytes = uint16_t(width * 4);
  b.packType = 4;
  b.packSize = 0;
  b.hRes = b.vRes = 72 << 16;
  b.pixelType = 16;
  b.pixelSize = 32;
  b.cmpCount = 4;
  b.cmpSize = 8;
  return out;
}

bool ConvertPictureFromOldFormat(Handle picture) {
  if (!picture || !*picture) return false;
  size_t size = size_t(GetHandleSize(picture));
  const uint8_t* src = reinterpret_cast<const uint8_t*>(*picture);
  if (!VersionWordOk(src, size)) {
    if (size >= 12) Collapse("PICT 2: Bad version");
    return false;
  }
  PictWalker wk;
  PictHeader hdr;
  if (!PictWalkBegin(wk, src, size, &hdr) || EmptyFrame(hdr.frame)) return false;
  bool host = hdr.version == kPictV2Host;

  PictWriter out;
  size_t copyFrom = 0;
  bool converted = false;
  PictOp op;
  while (PictWalkNext(wk, op)) {
    if (op.opcode != kOpDirectBitsRect && op.opcode != kOpDirectBitsRgn) continue;
    PictReader rd{src, size, op.operand, false, host};
    PictBits b;
    if (!PictParseBits(rd, op.opcode, b)) continue;  // the walk already sized it; cannot happen
    if (b.pixelType == 16 || b.pixelSize < 24) continue;
    Handle data = nullptr;
    size_t dataLen = 0;
    PictBits nb = b;
    if (b.pixelSize == 24) {
      data = Cvt24bPixmapTo32b(src, size, nb);
      if (!data) continue;  // rows it cannot read stay as they are
      dataLen = size_t(GetHandleSize(data));
    } else {
      nb.pixelType = 16;
      nb.cmpSize = 8;
    }
    out.Bytes(src + copyFrom, b.recordAt - copyFrom);
    WritePixMapRecord(out, nb, host);
    out.Bytes(src + b.rectsAt, b.dataAt - b.rectsAt);  // rectangles, mode, mask region
    if (data) {
      out.Bytes(*data, dataLen);
      DisposeHandle(data);
    } else {
      out.Bytes(src + b.dataAt, b.dataLen);
    }
    out.PadEven();
    copyFrom = b.dataAt + b.dataLen;
    if (copyFrom & 1) copyFrom++;  // the source's own pad byte
    converted = true;
    if (out.failed) break;
  }
  // A walk that did not reach the end leaves the picture as it was.
  if (wk.status != kWalkEnd || !converted || out.failed) {
    if (wk.status == kWalkUnknown) Collapse("ConvertPictureFromOldFormat: Opcode $%04x inconnu", wk.badOpcode);
    out.Abandon();
    return false;
  }
  if (copyFrom < size) out.Bytes(src + copyFrom, size - copyFrom);
  if (out.failed) {
    out.Abandon();
    return false;
  }
  // The size word keeps the low 16 bits of the size, in the picture's order.
  uint16_t low = uint16_t(out.len);
  if (host) {
    out.Data()[0] = uint8_t(low);
    out.Data()[1] = uint8_t(low >> 8);
  } else {
    out.Patch16BE(0, low);
  }
  size_t n = out.len;
  SetHandleSize(picture, Size(n));
  if (MemError() != noErr) {
    out.Abandon();
    return false;
  }
  std::memcpy(*picture, out.Data(), n);
  out.Abandon();
  return true;
}

bool ReadAndAddCommande(uint16_t opcode, PictWriter& out, PictReader& rd, size_t length) {
  if (!rd.Has(length)) return false;
  out.Opcode(opcode);
  out.Bytes(rd.Here(), length);
  rd.Skip(length);
  return !out.failed;
}

bool ReadAndAddImage(PictWriter& out, PictReader& rd, uint16_t opcode, int16_t imageMode) {
  PictBits b;
  if (!PictParseBits(rd, opcode, b)) return false;
  PictReader in = rd;
  out.Opcode(opcode);
  if (b.pixmap) {
    WritePixMapRecord(out, b, false);
    if (b.ctabAt) {
      in.pos = b.ctabAt;
      out.BE32(in.W32());
      out.BE16(in.W16());
      out.BE16(in.W16());
      for (unsigned i = 0; i <= b.ctabSize; i++)
        for (int k = 0; k < 4; k++) out.BE16(in.W16());
    }
  } else {
    out.BE16(b.rowBytes);
    out.RectBE(b.bounds);
  }
  out.RectBE(b.srcRect);
  out.RectBE(b.dstRect);
  out.BE16(uint16_t(imageMode));
  if (b.hasMaskRgn) {
    out.BE16(uint16_t(b.maskLen));
    out.Bytes(rd.data + b.maskAt + 2, b.maskLen - 2);
  }
  out.Bytes(rd.data + b.dataAt, b.dataLen);
  return !out.failed && !in.failed;
}

namespace {

// Operands whose words are scalars: read in the source's order, written
// big-endian.
enum class Kind { Copy, Drop, Word, Long, SizedWord, LenWord, LenLong, Comment, Font, Colour, Bits, Version };

Kind KindOf(uint16_t op) {
  switch (op) {
    case 0x0E:
    case 0x0F:
    case 0x1F: return Kind::Drop;
    case 0x1A:
    case 0x1B: return Kind::Colour;
    case 0x03: return Kind::Font;
    case 0x05:
    case 0x08:
    case 0x0D:
    case 0x15:
    case 0x16:
    case 0xA0: return Kind::Word;
    case 0x06: return Kind::Long;
    case 0x01: return Kind::SizedWord;
    case 0x11: return Kind::Version;
    case 0xA1: return Kind::Comment;
    case 0x90:
    case 0x91:
    case 0x98:
    case 0x99:
    case 0x9A:
    case 0x9B: return Kind::Bits;
    default: break;
  }
  if (op >= 0x70 && op <= 0x8F && !((op >> 3) & 1)) return Kind::SizedWord;
  if ((op >= 0x24 && op <= 0x27) || (op >= 0x2C && op <= 0x2F) || (op >= 0x92 && op <= 0x97) ||
      (op >= 0x9C && op <= 0x9F) || (op >= 0xA2 && op <= 0xAF))
    return Kind::LenWord;
  if ((op >= 0xD0 && op <= 0xFE) || op >= 0x8100) return Kind::LenLong;
  return Kind::Copy;
}

}  // namespace

Handle AdaptePictureRGB(Handle picture, int16_t imageMode, const RGBColor* colour, int16_t (*fontMap)(int16_t)) {
  if (!picture || !*picture) return nullptr;
  size_t size = size_t(GetHandleSize(picture));
  const uint8_t* src = reinterpret_cast<const uint8_t*>(*picture);
  if (!VersionWordOk(src, size)) {
    if (size >= 12) Collapse("PICT 2: Bad version");
    return nullptr;
  }
  PictWalker wk;
  PictHeader hdr;
  if (!PictWalkBegin(wk, src, size, &hdr)) return nullptr;
  bool host = hdr.version == kPictV2Host;
  bool v1 = hdr.version == kPictV1;

  PictWriter out;
  out.BE16(0);  // size word, set at the end
  out.RectBE(hdr.frame);
  out.BE16(kOpVersion);
  out.BE16(kOpVersion2);
  out.BE16(kOpHeader);
  if (!v1 && hdr.firstOp == 40) {
    // The source's own header, every field written big-endian.
    PictReader rd{src, size, 16, false, host};
    out.BE16(rd.W16());
    out.BE16(rd.W16());
    out.BE32(rd.W32());
    out.BE32(rd.W32());
    out.RectBE(rd.ReadRectW());
    out.BE32(rd.W32());
  } else {
    // A 72-dpi extended header built from the frame.
    out.BE16(0xFFFE);
    out.BE16(0);
    out.BE32(72 << 16);
    out.BE32(72 << 16);
    out.RectBE(hdr.frame);
    out.BE32(0);
  }
  if (colour) {
    out.Opcode(kOpRGBFgCol);
    out.BE16(colour->red);
    out.BE16(colour->green);
    out.BE16(colour->blue);
  }

  PictOp op;
  while (!out.failed && PictWalkNext(wk, op)) {
    PictReader rd{src, op.operand + op.length, op.operand, false, host};
    switch (KindOf(op.opcode)) {
      case Kind::Drop: break;
      case Kind::Version: break;  // the new header says it
      case Kind::Colour:
        if (!colour) ReadAndAddCommande(op.opcode, out, rd, op.length);
        break;
      case Kind::Font: {
        int16_t id = int16_t(rd.W16());
        if (fontMap) id = fontMap(id);
        out.Opcode(op.opcode);
        out.BE16(uint16_t(id));
        break;
      }
      case Kind::Word:
        out.Opcode(op.opcode);
        out.BE16(rd.W16());
        break;
      case Kind::Long:
        out.Opcode(op.opcode);
        out.BE32(rd.W32());
        break;
      case Kind::SizedWord:
        out.Opcode(op.opcode);
        out.BE16(rd.W16());
        out.Bytes(rd.Here(), op.length - 2);
        break;
      case Kind::LenWord:
        out.Opcode(op.opcode);
        out.BE16(rd.W16());
        out.Bytes(rd.Here(), op.length - 2);
        break;
      case Kind::LenLong:
        out.Opcode(op.opcode);
        out.BE32(rd.W32());
        out.Bytes(rd.Here(), op.length - 4);
        break;
      case Kind::Comment:
        out.Opcode(op.opcode);
        out.BE16(rd.W16());
        out.BE16(rd.W16());
        out.Bytes(rd.Here(), op.length - 4);
        break;
      case Kind::Bits:
        rd.size = size;
        if (!ReadAndAddImage(out, rd, op.opcode, imageMode)) out.failed = true;
        break;
      case Kind::Copy: ReadAndAddCommande(op.opcode, out, rd, op.length); break;
    }
  }
  if (wk.status != kWalkEnd || out.failed) {
    if (wk.status == kWalkUnknown) Collapse("AdaptePicture: Opcode $%04x inconnu", wk.badOpcode);
    out.Abandon();
    return nullptr;
  }
  out.Opcode(kOpEndPic);
  out.Patch16BE(0, uint16_t(out.len));
  return out.Finish();
}

namespace {

int16_t MusicFontForPrint(int16_t font) { return IsFonteVellariScreen(font) ? vellariPrint : font; }

}  // namespace

Handle AdaptePicture(Handle picture, int16_t imageMode, int16_t colourIndex) {
  RGBColor colour;
  if (colourIndex != 0) CvtIndexEnRGB(uint16_t(colourIndex), &colour);
  return AdaptePictureRGB(picture, imageMode, colourIndex != 0 ? &colour : nullptr, MusicFontForPrint);
}

void DrawColorPicture(Handle picture, const Rect* rect, int16_t colourIndex) {
  if (!picture || !rect) return;
  // Image mode 1 (OR): white image pixels leave what lies below visible.
  Handle adapted = colourIndex != 0 ? AdaptePicture(picture, 1, colourIndex) : nullptr;
  // A port that records keeps the picture's text comments for the final
  // replay; any other port gets the Unicode text drawn now.
  DrawUTFPicture(adapted ? adapted : picture, rect, 0);
  if (adapted) DisposeHandle(adapted);
}
