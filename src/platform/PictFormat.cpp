#include "platform/PictFormat.h"

#include <algorithm>
#include <cstring>

#include "platform/Memory.h"

// ---------------------------------------------------------------- reader

bool PictReader::Skip(size_t n) {
  if (!Has(n)) {
    failed = true;
    return false;
  }
  pos += n;
  return true;
}

uint8_t PictReader::U8() {
  if (!Has(1)) {
    failed = true;
    return 0;
  }
  return data[pos++];
}

uint16_t PictReader::BE16() {
  if (!Has(2)) {
    failed = true;
    return 0;
  }
  uint16_t v = uint16_t((data[pos] << 8) | data[pos + 1]);
  pos += 2;
  return v;
}

uint32_t PictReader::BE32() {
  if (!Has(4)) {
    failed = true;
    return 0;
  }
  uint32_t v = (uint32_t(data[pos]) << 24) | (uint32_t(data[pos + 1]) << 16) | (uint32_t(data[pos + 2]) << 8) |
               uint32_t(data[pos + 3]);
  pos += 4;
  return v;
}

uint16_t PictReader::LE16() {
  if (!Has(2)) {
    failed = true;
    return 0;
  }
  uint16_t v = uint16_t(data[pos] | (data[pos + 1] << 8));
  pos += 2;
  return v;
}

uint32_t PictReader::LE32() {
  if (!Has(4)) {
    failed = true;
    return 0;
  }
  uint32_t v = uint32_t(data[pos]) | (uint32_t(data[pos + 1]) << 8) | (uint32_t(data[pos + 2]) << 16) |
               (uint32_t(data[pos + 3]) << 24);
  pos += 4;
  return v;
}

Rect PictReader::ReadRect() {
  Rect r;
  r.top = int16_t(BE16());
  r.left = int16_t(BE16());
  r.bottom = int16_t(BE16());
  r.right = int16_t(BE16());
  return r;
}

Rect PictReader::ReadRectW() {
  Rect r;
  r.top = int16_t(W16());
  r.left = int16_t(W16());
  r.bottom = int16_t(W16());
  r.right = int16_t(W16());
  return r;
}

Point PictReader::ReadPoint() {
  Point p;
  p.v = int16_t(BE16());
  p.h = int16_t(BE16());
  return p;
}

// ---------------------------------------------------------------- writer

bool PictWriter::Reserve(size_t more) {
  if (failed) return false;
  if (more > size_t(kMaxBlockSize) || len > size_t(kMaxBlockSize) - more) {
    failed = true;
    return false;
  }
  size_t need = len + more;
  if (need <= cap && h) return true;
  size_t ncap = std::max<size_t>(need, cap < 256 ? 256 : cap + cap / 2);
  if (ncap > size_t(kMaxBlockSize)) ncap = need;
  if (!h) {
    h = NewHandle(Size(ncap));
    if (!h) {
      failed = true;
      return false;
    }
  } else {
    SetHandleSize(h, Size(ncap));
    if (MemError() != noErr) {
      failed = true;
      return false;
    }
  }
  cap = ncap;
  return true;
}

void PictWriter::Bytes(const void* p, size_t n) {
  if (!n || !Reserve(n)) return;
  std::memcpy(*h + len, p, n);
  len += n;
}

void PictWriter::U8(uint8_t v) { Bytes(&v, 1); }

void PictWriter::BE16(uint16_t v) {
  uint8_t b[2] = {uint8_t(v >> 8), uint8_t(v)};
  Bytes(b, 2);
}

void PictWriter::BE32(uint32_t v) {
  uint8_t b[4] = {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
  Bytes(b, 4);
}

void PictWriter::LE16(uint16_t v) {
  uint8_t b[2] = {uint8_t(v), uint8_t(v >> 8)};
  Bytes(b, 2);
}

void PictWriter::LE32(uint32_t v) {
  uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
  Bytes(b, 4);
}

void PictWriter::RectBE(const Rect& r) {
  BE16(uint16_t(r.top));
  BE16(uint16_t(r.left));
  BE16(uint16_t(r.bottom));
  BE16(uint16_t(r.right));
}

void PictWriter::PointBE(Point p) {
  BE16(uint16_t(p.v));
  BE16(uint16_t(p.h));
}

void PictWriter::PadEven() {
  if (len & 1) U8(0);
}

void PictWriter::Patch16BE(size_t at, uint16_t v) {
  if (failed || !h || at + 2 > len) return;
  (*h)[at] = char(v >> 8);
  (*h)[at + 1] = char(v);
}

Handle PictWriter::Finish() {
  if (failed) {
    Abandon();
    return nullptr;
  }
  if (!h) {
    h = NewHandle(0);
    if (!h) return nullptr;
  }
  SetHandleSize(h, Size(len));
  Handle out = h;
  h = nullptr;
  len = cap = 0;
  return out;
}

void PictWriter::Abandon() {
  if (h) DisposeHandle(h);
  h = nullptr;
  len = cap = 0;
}

// ---------------------------------------------------------------- header

bool PictReadHeader(const uint8_t* data, size_t size, PictHeader& hdr) {
  hdr = PictHeader{};
  if (!data || size < 12) return false;
  PictReader rd{data, size, 2, false, false};
  bool host = size >= 14 && data[12] == 0xCA && data[13] == 0xFE;
  rd.hostOrder = host;
  hdr.frame = rd.ReadRectW();
  hdr.hRes = hdr.vRes = 72 << 16;
  uint16_t w10 = uint16_t((data[10] << 8) | data[11]);
  if (w10 != kOpVersion) {
    // Version 1: byte opcodes, normally opening with the version opcode 0x11 0x01.
    hdr.version = kPictV1;
    hdr.firstOp = (w10 == 0x1101) ? 12 : 10;
    return true;
  }
  if (size < 14) return false;
  uint16_t w12 = uint16_t((data[12] << 8) | data[13]);
  if (w12 != kOpVersion2 && w12 != 0xCAFE) return false;
  hdr.version = host ? kPictV2Host : kPictV2;
  hdr.firstOp = 14;
  rd.pos = 14;
  if (rd.Has(2 + 24) && rd.BE16() == kOpHeader) {
    uint16_t ver = rd.W16();
    rd.W16();
    if (ver == 0xFFFE) {
      hdr.hasExtHeader = true;
      hdr.hRes = Fixed(rd.W32());
      hdr.vRes = Fixed(rd.W32());
      hdr.srcRect = rd.ReadRectW();
    }
    hdr.firstOp = 40;
  }
  return true;
}

bool PictGetFrame(const uint8_t* data, size_t size, Rect& frame) {
  PictHeader h;
  if (!PictReadHeader(data, size, h)) return false;
  frame = h.frame;
  return true;
}

// ---------------------------------------------------------------- operands

bool PictBits::RowsPacked() const {
  if (rowBytes < 8) return false;
  if (pixmap && (packType == 1 || (direct && packType == 2))) return false;
  return true;
}

size_t PictBits::RawRowBytes() const {
  if (pixmap && direct && packType == 2 && rowBytes >= 8) return size_t(std::max(0, width())) * 3;
  return rowBytes;
}

namespace {

// Reads a region or polygon size word (it counts itself).
long SizedOperand(PictReader rd, size_t minimum) {
  uint16_t n = rd.W16();
  if (rd.failed || n < minimum) return -1;
  return n;
}

// Walks packed rows (a count before each) and returns the bytes they take.
long PackedRowsLength(PictReader rd, int height, uint16_t rowBytes) {
  size_t start = rd.pos;
  for (int y = 0; y < height; y++) {
    size_t count = rowBytes > 250 ? rd.BE16() : rd.U8();
    if (rd.failed || !rd.Skip(count)) return -1;
  }
  return long(rd.pos - start);
}

// PixMap fields after rowBytes (44 bytes).
void ReadPixMapRest(PictReader& rd, PictBits& b) {
  b.bounds = rd.ReadRectW();
  b.pmVersion = rd.W16();
  b.packType = rd.W16();
  b.packSize = rd.W32();
  b.hRes = Fixed(rd.W32());
  b.vRes = Fixed(rd.W32());
  b.pixelType = rd.W16();
  b.pixelSize = rd.W16();
  b.cmpCount = rd.W16();
  b.cmpSize = rd.W16();
  b.planeBytes = rd.W32();
  b.pmTable = rd.W32();
  b.pmReserved = rd.W32();
}

bool ReadColorTable(PictReader& rd, PictBits& b) {
  b.ctabAt = rd.pos;
  rd.W32();
  rd.W16();
  b.ctabSize = rd.W16();
  if (rd.failed || b.ctabSize > 255) return false;
  b.ctabLen = 8 + size_t(b.ctabSize + 1) * 8;
  return rd.Skip(size_t(b.ctabSize + 1) * 8);
}

bool PixelDataLength(PictReader& rd, PictBits& b) {
  int h = b.height(), w = b.width();
  if (h < 0 || w < 0 || h > kPictMaxBitsDimension || w > kPictMaxBitsDimension) return false;
  b.dataAt = rd.pos;
  if (b.RowsPacked()) {
    long n = PackedRowsLength(rd, h, b.rowBytes);
    if (n < 0) return false;
    b.dataLen = size_t(n);
  } else {
    b.dataLen = size_t(h) * b.RawRowBytes();
  }
  return rd.Skip(b.dataLen);
}

// Pixel pattern (0x12..0x14): type word, 8-byte classic pattern, then an RGB
// colour (type 2) or a pixel map with its colour table and data (type 1).
long PixPatLength(PictReader rd) {
  size_t start = rd.pos;
  uint16_t type = rd.W16();
  rd.Skip(8);
  if (rd.failed) return -1;
  if (type == 2) {
    if (!rd.Skip(6)) return -1;
    return long(rd.pos - start);
  }
  if (type != 1) return -1;
  PictBits b;
  uint16_t rb = rd.W16();
  b.pixmap = true;
  b.rowBytes = rb & 0x3FFF;
  ReadPixMapRest(rd, b);
  if (rd.failed || !ReadColorTable(rd, b) || !PixelDataLength(rd, b)) return -1;
  return long(rd.pos - start);
}

bool KnownInVersion1(uint16_t op) {
  if (op <= 0x11) return true;
  if (op >= 0x20 && op <= 0x23) return true;
  if (op >= 0x28 && op <= 0x2B) return true;
  if (op >= 0x30 && op <= 0x8F) return (op & 7) <= 4;
  return op == 0x90 || op == 0x91 || op == 0x98 || op == 0x99 || op == 0xA0 || op == 0xA1 || op == 0xFF;
}

}  // namespace

bool PictParseBits(PictReader& rd, uint16_t opcode, PictBits& b) {
  b = PictBits{};
  b.direct = opcode == kOpDirectBitsRect || opcode == kOpDirectBitsRgn;
  b.hasMaskRgn = opcode == kOpBitsRgn || opcode == kOpPackBitsRgn || opcode == kOpDirectBitsRgn;
  b.recordAt = rd.pos;
  if (b.direct) rd.W32();  // base address, meaningless on disk
  uint16_t rb = rd.W16();
  if (rd.failed) return false;
  b.pixmap = (rb & 0x8000) != 0;
  b.rowBytes = b.pixmap ? uint16_t(rb & 0x3FFF) : uint16_t(rb & 0x7FFF);
  if (b.direct && !b.pixmap) return false;
  if (b.pixmap) {
    ReadPixMapRest(rd, b);
    if (rd.failed) return false;
    if (!b.direct && !ReadColorTable(rd, b)) return false;
  } else {
    b.bounds = rd.ReadRectW();
    b.pixelSize = 1;
    b.cmpCount = 1;
    b.cmpSize = 1;
  }
  b.rectsAt = rd.pos;
  b.srcRect = rd.ReadRect();
  b.dstRect = rd.ReadRect();
  b.mode = rd.W16();
  if (rd.failed) return false;
  if (b.hasMaskRgn) {
    long n = SizedOperand(rd, 10);
    if (n < 0) return false;
    b.maskAt = rd.pos;
    b.maskLen = size_t(n);
    if (!rd.Skip(b.maskLen)) return false;
  }
  // BitsRect and BitsRgn carry their rows unpacked whatever their width.
  if (opcode == kOpBitsRect || opcode == kOpBitsRgn) {
    int h = b.height();
    if (h < 0 || h > kPictMaxBitsDimension || b.width() < 0 || b.width() > kPictMaxBitsDimension) return false;
    b.dataAt = rd.pos;
    b.dataLen = size_t(h) * b.rowBytes;
    return rd.Skip(b.dataLen);
  }
  return PixelDataLength(rd, b);
}

long PictOperandLength(const PictReader& rd0, uint16_t op, bool v1) {
  PictReader rd = rd0;
  if (v1 && !KnownInVersion1(op)) return -1;
  long n = -1;
  switch (op) {
    case 0x00: n = 0; break;
    case 0x01: n = SizedOperand(rd, 10); break;
    case 0x02:
    case 0x09:
    case 0x0A:
    case 0x10: n = 8; break;
    case 0x03:
    case 0x05:
    case 0x08:
    case 0x0D:
    case 0x15:
    case 0x16: n = 2; break;
    case 0x04: n = 1; break;
    case 0x06:
    case 0x07:
    case 0x0B:
    case 0x0C:
    case 0x0E:
    case 0x0F: n = 4; break;
    case 0x11: n = v1 ? 1 : 2; break;
    case 0x12:
    case 0x13:
    case 0x14: n = PixPatLength(rd); break;
    case 0x17:
    case 0x18:
    case 0x19:
    case 0x1C:
    case 0x1E: n = 0; break;
    case 0x1A:
    case 0x1B:
    case 0x1D:
    case 0x1F: n = 6; break;
    case 0x20: n = 8; break;
    case 0x21: n = 4; break;
    case 0x22: n = 6; break;
    case 0x23: n = 2; break;
    case 0x28:
      rd.Skip(4);
      n = rd.Has(1) ? 5 + long(rd.U8()) : -1;
      break;
    case 0x29:
    case 0x2A:
      rd.Skip(1);
      n = rd.Has(1) ? 2 + long(rd.U8()) : -1;
      break;
    case 0x2B:
      rd.Skip(2);
      n = rd.Has(1) ? 3 + long(rd.U8()) : -1;
      break;
    case 0x90:
    case 0x91:
    case 0x98:
    case 0x99:
    case 0x9A:
    case 0x9B: {
      PictBits b;
      size_t start = rd.pos;
      if (PictParseBits(rd, op, b)) n = long(rd.pos - start);
      break;
    }
    case 0xA0: n = 2; break;
    case 0xA1: {
      rd.W16();
      uint16_t len = rd.W16();
      n = rd.failed ? -1 : 4 + long(len);
      break;
    }
    case 0xFF: n = 0; break;
    case 0x02FF: n = 2; break;
    default:
      if (op >= 0x30 && op <= 0x8F) {
        int group = (op >> 3) & 1;  // the "same" half of each group has no operand
        switch (op & 0xF0) {
          case 0x30:
          case 0x40:
          case 0x50: n = group ? 0 : 8; break;
          case 0x60: n = group ? 4 : 12; break;
          case 0x70:
          case 0x80: n = group ? 0 : SizedOperand(rd, 10); break;
        }
      } else if ((op >= 0x24 && op <= 0x27) || (op >= 0x2C && op <= 0x2F) || (op >= 0x92 && op <= 0x97) ||
                 (op >= 0x9C && op <= 0x9F) || (op >= 0xA2 && op <= 0xAF)) {
        uint16_t len = rd.W16();
        n = rd.failed ? -1 : 2 + long(len);
      } else if (op >= 0xB0 && op <= 0xCF) {
        n = 0;
      } else if ((op >= 0xD0 && op <= 0xFE) || op >= 0x8100) {
        uint32_t len = rd.W32();
        n = (rd.failed || len > 0x7FFFFFF0u) ? -1 : 4 + long(len);
      } else if (op >= 0x0100 && op <= 0x7FFF) {
        n = long(op >> 8) * 2;
      } else if (op >= 0x8000 && op <= 0x80FF) {
        n = 0;
      }
  }
  if (n < 0) return -1;
  if (!rd0.Has(size_t(n))) return -1;
  return n;
}

// ---------------------------------------------------------------- walker

bool PictWalkBegin(PictWalker& w, const uint8_t* data, size_t size, PictHeader* hdrOut) {
  PictHeader hdr;
  w = PictWalker{};
  if (!PictReadHeader(data, size, hdr)) {
    w.status = kWalkTruncated;
    return false;
  }
  w.rd = PictReader{data, size, hdr.firstOp, false, hdr.version == kPictV2Host};
  w.version = hdr.version;
  if (hdrOut) *hdrOut = hdr;
  return true;
}

bool PictWalkNext(PictWalker& w, PictOp& op) {
  if (w.status != kWalkOk) return false;
  bool v1 = w.version == kPictV1;
  if (!v1 && (w.rd.pos & 1)) w.rd.pos++;  // version-2 opcodes sit at even offsets
  op = PictOp{};
  op.at = w.rd.pos;
  op.opcode = v1 ? w.rd.U8() : w.rd.BE16();
  if (w.rd.failed) {
    w.status = kWalkTruncated;
    return false;
  }
  op.operand = w.rd.pos;
  if (op.opcode == kOpEndPic) {
    w.status = kWalkEnd;
    return false;
  }
  long n = PictOperandLength(w.rd, op.opcode, v1);
  if (n < 0) {
    // An opcode of no known size and one whose operand runs out look alike
    // from here; either way reading on would be out of step.
    w.status = (v1 && !KnownInVersion1(op.opcode)) ? kWalkUnknown : kWalkTruncated;
    w.badOpcode = op.opcode;
    return false;
  }
  op.length = size_t(n);
  w.rd.pos += op.length;
  return true;
}

// ---------------------------------------------------------------- names

const char* PictOpName(uint16_t op) {
  static const char* const kLow[0x30] = {
      "NOP",      "Clip",     "BkPat",     "TxFont",        "TxFace",     "TxMode",      "SpExtra",    "PnSize",
      "PnMode",   "PnPat",    "FillPat",   "OvSize",        "Origin",     "TxSize",      "FgColor",    "BkColor",
      "TxRatio",  "Version",  "BkPixPat",  "PnPixPat",      "FillPixPat", "PnLocHFrac",  "ChExtra",    "Reserved",
      "Reserved", "Reserved", "RGBFgCol",  "RGBBkCol",      "HiliteMode", "HiliteColor", "DefHilite",  "OpColor",
      "Line",     "LineFrom", "ShortLine", "ShortLineFrom", "Reserved",   "Reserved",    "Reserved",   "Reserved",
      "LongText", "DHText",   "DVText",    "DHDVText",      "FontName",   "LineJustify", "GlyphState", "Reserved"};
  static const char* const kShapes[8][8] = {
      {"FrameRect", "PaintRect", "EraseRect", "InvertRect", "FillRect", "Reserved", "Reserved", "Reserved"},
      {"FrameSameRect", "PaintSameRect", "EraseSameRect", "InvertSameRect", "FillSameRect", "Reserved", "Reserved",
       "Reserved"},
      {"FrameRRect", "PaintRRect", "EraseRRect", "InvertRRect", "FillRRect", "Reserved", "Reserved", "Reserved"},
      {"FrameSameRRect", "PaintSameRRect", "EraseSameRRect", "InvertSameRRect", "FillSameRRect", "Reserved", "Reserved",
       "Reserved"},
      {"FrameOval", "PaintOval", "EraseOval", "InvertOval", "FillOval", "Reserved", "Reserved", "Reserved"},
      {"FrameSameOval", "PaintSameOval", "EraseSameOval", "InvertSameOval", "FillSameOval", "Reserved", "Reserved",
       "Reserved"},
      {"FrameArc", "PaintArc", "EraseArc", "InvertArc", "FillArc", "Reserved", "Reserved", "Reserved"},
      {"FrameSameArc", "PaintSameArc", "EraseSameArc", "InvertSameArc", "FillSameArc", "Reserved", "Reserved",
       "Reserved"}};
  static const char* const kPolyRgn[4][5] = {
      {"FramePoly", "PaintPoly", "ErasePoly", "InvertPoly", "FillPoly"},
      {"FrameSamePoly", "PaintSamePoly", "EraseSamePoly", "InvertSamePoly", "FillSamePoly"},
      {"FrameRgn", "PaintRgn", "EraseRgn", "InvertRgn", "FillRgn"},
      {"FrameSameRgn", "PaintSameRgn", "EraseSameRgn", "InvertSameRgn", "FillSameRgn"}};
  if (op < 0x30) return kLow[op];
  if (op < 0x70) return kShapes[(op - 0x30) >> 3][op & 7];
  if (op < 0x90) return (op & 7) <= 4 ? kPolyRgn[(op - 0x70) >> 3][op & 7] : "Reserved";
  switch (op) {
    case 0x90: return "BitsRect";
    case 0x91: return "BitsRgn";
    case 0x98: return "PackBitsRect";
    case 0x99: return "PackBitsRgn";
    case 0x9A: return "DirectBitsRect";
    case 0x9B: return "DirectBitsRgn";
    case 0xA0: return "ShortComment";
    case 0xA1: return "LongComment";
    case 0xFF: return "OpEndPic";
    case 0x02FF: return "Version2";
    case 0x0C00: return "HeaderOp";
    default: return "Reserved";
  }
}

// ---------------------------------------------------------------- PackBits

size_t PictPackRow(const uint8_t* src, size_t n, uint8_t* dst) {
  size_t i = 0, o = 0;
  while (i < n) {
    // A run of three or more equal bytes is worth a repeat code.
    size_t run = 1;
    while (i + run < n && run < 128 && src[i + run] == src[i]) run++;
    if (run >= 3 || (run == 2 && i + run == n)) {
      dst[o++] = uint8_t(int8_t(1 - int(run)));
      dst[o++] = src[i];
      i += run;
      continue;
    }
    size_t start = i, lit = 0;
    while (i < n && lit < 128) {
      if (i + 2 < n && src[i] == src[i + 1] && src[i] == src[i + 2]) break;
      i++;
      lit++;
    }
    dst[o++] = uint8_t(lit - 1);
    std::memcpy(dst + o, src + start, lit);
    o += lit;
  }
  return o;
}

bool PictUnpackRow(const uint8_t* src, size_t srcLen, uint8_t* dst, size_t outLen, int unit) {
  size_t i = 0, o = 0;
  size_t u = unit == 2 ? 2 : 1;
  while (o < outLen) {
    if (i >= srcLen) return false;
    int8_t f = int8_t(src[i++]);
    if (f == -128) continue;  // no-op code
    if (f < 0) {
      size_t count = size_t(1 - f);
      if (srcLen - i < u) return false;
      for (size_t k = 0; k < count; k++) {
        for (size_t b = 0; b < u; b++) {
          if (o >= outLen) return false;
          dst[o++] = src[i + b];
        }
      }
      i += u;
    } else {
      size_t bytes = (size_t(f) + 1) * u;
      if (srcLen - i < bytes || outLen - o < bytes) return false;
      std::memcpy(dst + o, src + i, bytes);
      i += bytes;
      o += bytes;
    }
  }
  return true;
}

// ---------------------------------------------------------------- regions

namespace {
// A hostile region could describe millions of rectangles in 64 KiB.
constexpr size_t kMaxRegionSpans = 1 << 20;
}  // namespace

bool PictDecodeRegion(const uint8_t* rgn, size_t len, Rect& bbox, std::vector<PictSpan>& spans) {
  spans.clear();
  PictReader rd{rgn, len, 0, false, false};
  uint16_t size = rd.BE16();
  bbox = rd.ReadRect();
  if (rd.failed || size < 10 || size > len) return false;
  if (size == 10) {
    if (bbox.bottom > bbox.top && bbox.right > bbox.left)
      spans.push_back({bbox.top, bbox.left, bbox.bottom, bbox.right});
    return true;
  }
  rd.size = size;
  // Each scan line lists the x positions where membership flips compared with
  // the line above; a row's extent is the running exclusive-or of those lists.
  std::vector<int16_t> cur, next, flips;
  int16_t prevV = 0;
  bool first = true;
  for (;;) {
    uint16_t v = rd.BE16();
    if (rd.failed) return false;
    if (v == 0x7FFF) break;
    flips.clear();
    for (;;) {
      uint16_t h = rd.BE16();
      if (rd.failed) return false;
      if (h == 0x7FFF) break;
      flips.push_back(int16_t(h));
    }
    if (!first && int16_t(v) > prevV) {
      if (spans.size() + cur.size() / 2 > kMaxRegionSpans) return false;
      for (size_t k = 0; k + 1 < cur.size(); k += 2) spans.push_back({prevV, cur[k], int16_t(v), cur[k + 1]});
    }
    std::sort(flips.begin(), flips.end());
    next.clear();
    size_t a = 0, b = 0;
    while (a < cur.size() || b < flips.size()) {
      if (b >= flips.size() || (a < cur.size() && cur[a] < flips[b])) {
        next.push_back(cur[a++]);
      } else if (a >= cur.size() || flips[b] < cur[a]) {
        next.push_back(flips[b++]);
      } else {
        a++;
        b++;  // the same flip twice cancels
      }
    }
    cur.swap(next);
    prevV = int16_t(v);
    first = false;
  }
  return true;
}

void PictWriteRectRegion(PictWriter& w, const Rect& r) {
  w.BE16(10);
  w.RectBE(r);
}

// ---------------------------------------------------------------- pixels

bool PictDecodeBitsARGB(const uint8_t* pic, size_t size, const PictBits& b, bool hostOrder, RGBColor fg, RGBColor bk,
                        std::vector<uint8_t>& argb) {
  int w = b.width(), h = b.height();
  if (w <= 0 || h <= 0 || size_t(w) * size_t(h) > kPictMaxPixels) return false;
  if (b.dataAt > size || b.dataLen > size - b.dataAt) return false;
  argb.assign(size_t(w) * size_t(h) * 4, 0);

  // Colour table of an indexed map: entry value -> colour (position when the
  // values do not fit).
  uint8_t ctab[256][3];
  bool indexed = !b.direct && b.pixmap;
  if (indexed) {
    for (int i = 0; i < 256; i++) ctab[i][0] = ctab[i][1] = ctab[i][2] = 0;
    if (b.ctabAt) {
      PictReader rd{pic, size, b.ctabAt + 8, false, hostOrder};
      for (unsigned i = 0; i <= b.ctabSize; i++) {
        uint16_t value = rd.W16();
        uint16_t r = rd.W16(), g = rd.W16(), bl = rd.W16();
        unsigned slot = value <= 255 ? value : i;
        ctab[slot][0] = uint8_t(r >> 8);
        ctab[slot][1] = uint8_t(g >> 8);
        ctab[slot][2] = uint8_t(bl >> 8);
      }
      if (rd.failed) return false;
    }
  }
  int depth = b.pixmap ? b.pixelSize : 1;
  if (indexed && depth != 1 && depth != 2 && depth != 4 && depth != 8) return false;
  if (b.direct && depth != 16 && depth != 24 && depth != 32) return false;

  // Bytes one decoded row holds, and the unit of its run-length coding.
  bool planar = b.direct && depth >= 24 && (b.packType == 0 || b.packType == 4) && b.RowsPacked();
  int comps = b.cmpCount == 4 ? 4 : 3;
  size_t rowLen;
  int unit = 1;
  if (planar) {
    rowLen = size_t(w) * size_t(comps);
  } else if (b.direct && depth == 16) {
    rowLen = size_t(w) * 2;
    unit = b.packType == 3 || b.packType == 0 ? 2 : 1;
  } else if (b.direct && depth >= 24 && b.packType == 2) {
    rowLen = size_t(w) * 3;
  } else if (b.direct) {
    rowLen = size_t(w) * (depth == 24 && b.rowBytes < size_t(w) * 4 ? 3 : 4);
  } else {
    rowLen = (size_t(w) * size_t(depth) + 7) / 8;
  }
  if (!b.RowsPacked() && b.RawRowBytes() < rowLen) return false;
  if (b.RowsPacked() && !planar && b.rowBytes < rowLen) return false;

  std::vector<uint8_t> row(std::max(rowLen, size_t(b.rowBytes)));
  PictReader rd{pic, b.dataAt + b.dataLen, b.dataAt, false, false};
  size_t packedRowLen = planar ? rowLen : size_t(b.rowBytes);
  for (int y = 0; y < h; y++) {
    if (b.RowsPacked()) {
      size_t count = b.rowBytes > 250 ? rd.BE16() : rd.U8();
      if (rd.failed || !rd.Has(count)) return false;
      if (!PictUnpackRow(rd.Here(), count, row.data(), packedRowLen, unit)) return false;
      rd.Skip(count);
    } else {
      size_t rb = b.RawRowBytes();
      if (!rd.Has(rb)) return false;
      std::memcpy(row.data(), rd.Here(), rowLen);
      rd.Skip(rb);
    }
    uint8_t* out = &argb[size_t(y) * size_t(w) * 4];
    for (int x = 0; x < w; x++, out += 4) {
      size_t xs = size_t(x);
      if (planar) {
        out[0] = comps == 4 ? row[xs] : 0xFF;
        for (int c = 0; c < 3; c++) out[1 + c] = row[size_t(comps - 3 + c) * size_t(w) + xs];
      } else if (b.direct && depth == 16) {
        uint16_t v = uint16_t((row[xs * 2] << 8) | row[xs * 2 + 1]);
        uint8_t r5 = (v >> 10) & 31, g5 = (v >> 5) & 31, b5 = v & 31;
        out[0] = 0xFF;
        out[1] = uint8_t((r5 << 3) | (r5 >> 2));
        out[2] = uint8_t((g5 << 3) | (g5 >> 2));
        out[3] = uint8_t((b5 << 3) | (b5 >> 2));
      } else if (b.direct && rowLen == size_t(w) * 3) {
        out[0] = 0xFF;
        std::memcpy(out + 1, &row[xs * 3], 3);
      } else if (b.direct) {
        // Stored alpha is meaningful only with four components.
        out[0] = comps == 4 ? row[xs * 4] : 0xFF;
        std::memcpy(out + 1, &row[xs * 4 + 1], 3);
      } else {
        unsigned bitpos = unsigned(x) * unsigned(depth);
        unsigned v = (row[bitpos / 8] >> (8 - depth - (bitpos % 8))) & ((1u << depth) - 1);
        out[0] = 0xFF;
        if (!b.pixmap) {
          const RGBColor& c = v ? fg : bk;
          out[1] = uint8_t(c.red >> 8);
          out[2] = uint8_t(c.green >> 8);
          out[3] = uint8_t(c.blue >> 8);
        } else {
          std::memcpy(out + 1, ctab[v], 3);
        }
      }
    }
  }
  return true;
}
