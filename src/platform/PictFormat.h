#pragma once
// The PICT byte format: bounds-checked readers and a growable writer, the
// opcode table with the standard operand sizes, and a walker that steps over
// version-1, version-2 and version-2 host-order pictures one opcode at a time.
// Every recorder, player, dumper and rewriter of pictures stands on this file,
// so none of them ever reads past the end of a picture.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/PlatformTypes.h"

#include "platform/PlatformTypes.h"

// Opcodes the engine writes or treats specially.
enum : uint16_t {
  kOpNOP = 0x0000,
  kOpClip = 0x0001,
  kOpBkPat = 0x0002,
  kOpTxFont = 0x0003,
  kOpTxFace = 0x0004,
  kOpTxMode = 0x0005,
  kOpSpExtra = 0x0006,
  kOpPnSize = 0x0007,
  kOpPnMode = 0x0008,
  kOpPnPat = 0x0009,
  kOpFillPat = 0x000A,
  kOpOvSize = 0x000B,
  kOpOrigin = 0x000C,
  kOpTxSize = 0x000D,
  kOpFgColor = 0x000E,
  kOpBkColor = 0x000F,
  kOpTxRatio = 0x0010,
  kOpVersion = 0x0011,
  kOpPnLocHFrac = 0x0015,
  kOpChExtra = 0x0016,
  kOpRGBFgCol = 0x001A,
  kOpRGBBkCol = 0x001B,
  kOpHiliteMode = 0x001C,
  kOpHiliteColor = 0x001D,
  kOpDefHilite = 0x001E,
  kOpOpColor = 0x001F,
  kOpLine = 0x0020,
  kOpLineFrom = 0x0021,
  kOpShortLine = 0x0022,
  kOpShortLineFrom = 0x0023,
  kOpLongText = 0x0028,
  kOpDHText = 0x0029,
  kOpDVText = 0x002A,
  kOpDHDVText = 0x002B,
  kOpFontName = 0x002C,
  kOpLineJustify = 0x002D,
  kOpGlyphState = 0x002E,
  kOpFrameRect = 0x0030,
  kOpFrameSameRect = 0x0038,
  kOpFrameRRect = 0x0040,
  kOpFrameSameRRect = 0x0048,
  kOpFrameOval = 0x0050,
  kOpFrameSameOval = 0x0058,
  kOpFrameArc = 0x0060,
  kOpFrameSameArc = 0x0068,
  kOpFramePoly = 0x0070,
  kOpFrameSamePoly = 0x0078,
  kOpFrameRgn = 0x0080,
  kOpFrameSameRgn = 0x0088,
  kOpBitsRect = 0x0090,
  kOpBitsRgn = 0x0091,
  kOpPackBitsRect = 0x0098,
  kOpPackBitsRgn = 0x0099,
  kOpDirectBitsRect = 0x009A,
  kOpDirectBitsRgn = 0x009B,
  kOpShortComment = 0x00A0,
  kOpLongComment = 0x00A1,
  kOpEndPic = 0x00FF,
  kOpVersion2 = 0x02FF,
  kOpHeader = 0x0C00,
};

// Verbs of the shape opcodes: the low three bits of 0x30..0x8C.
enum PictVerb : uint8_t { kVerbFrame = 0, kVerbPaint = 1, kVerbErase = 2, kVerbInvert = 3, kVerbFill = 4 };

// What a picture's header says.
enum PictVersion : uint8_t { kPictBad = 0, kPictV1 = 1, kPictV2 = 2, kPictV2Host = 3 };

struct PictHeader {
  PictVersion version = kPictBad;
  Rect frame{};               // host integers
  size_t firstOp = 0;         // offset of the first opcode after the header
  bool hasExtHeader = false;  // version-2 header opcode 0x0C00 with version -2
  Fixed hRes = 0, vRes = 0;   // from the extended header, else 72.0
  Rect srcRect{};             // the extended header's optimal source rectangle
};

// Bounds-checked reader over picture bytes. A read past the end sets `failed`
// and yields 0; callers check the flag at opcode boundaries.
struct PictReader {
  const uint8_t* data = nullptr;
  size_t size = 0;
  size_t pos = 0;
  bool failed = false;
  bool hostOrder = false;  // scalar operands of a 0xCAFE picture are little-endian

  bool Has(size_t n) const { return !failed && pos <= size && size - pos >= n; }
  bool Skip(size_t n);
  uint8_t U8();
  uint16_t BE16();
  uint32_t BE32();
  uint16_t LE16();
  uint32_t LE32();
  // Scalar word or long in the picture's own order (host order for 0xCAFE).
  uint16_t W16() { return hostOrder ? LE16() : BE16(); }
  uint32_t W32() { return hostOrder ? LE32() : BE32(); }
  int16_t S16() { return int16_t(BE16()); }
  Rect ReadRect();    // four big-endian words
  Rect ReadRectW();   // four words in the picture's order
  Point ReadPoint();  // v, h big-endian
  const uint8_t* Here() const { return data + pos; }
  size_t Remaining() const { return pos <= size ? size - pos : 0; }
};

// Growable output for recorders and rewriters. Grows geometrically; a failed
// allocation sets `failed` and later writes do nothing.
struct PictWriter {
  Handle h = nullptr;
  size_t len = 0;
  size_t cap = 0;
  bool failed = false;

  bool Reserve(size_t more);
  void Bytes(const void* p, size_t n);
  void U8(uint8_t v);
  void BE16(uint16_t v);
  void BE32(uint32_t v);
  void LE16(uint16_t v);
  void LE32(uint32_t v);
  void W16(uint16_t v, bool host) { host ? LE16(v) : BE16(v); }
  void W32(uint32_t v, bool host) { host ? LE32(v) : BE32(v); }
  void RectBE(const Rect& r);
  void PointBE(Point p);
  void PadEven();  // a zero byte when the length is odd
  void Opcode(uint16_t op) {
    PadEven();
    BE16(op);
  }
  void Patch16BE(size_t at, uint16_t v);
  // Trims the handle to its exact length and hands it over (null on failure;
  // the writer then owns nothing).
  Handle Finish();
  void Abandon();  // frees what was written
  uint8_t* Data() { return h ? reinterpret_cast<uint8_t*>(*h) : nullptr; }
};

// Reads a picture's size word, frame and version header. False for anything
// that is not a picture (too short, empty header, bad version-2 word).
bool PictReadHeader(const uint8_t* data, size_t size, PictHeader& hdr);

// The frame of a picture in host integers (0xCAFE form read unchanged).
bool PictGetFrame(const uint8_t* data, size_t size, Rect& frame);

// One step of a walk.
struct PictOp {
  uint16_t opcode = 0;
  size_t at = 0;       // offset of the opcode
  size_t operand = 0;  // offset of the operand
  size_t length = 0;   // operand length in bytes
};

enum PictWalkStatus : uint8_t { kWalkOk, kWalkEnd, kWalkUnknown, kWalkTruncated };

struct PictWalker {
  PictReader rd;
  PictVersion version = kPictBad;
  PictWalkStatus status = kWalkOk;
  uint16_t badOpcode = 0;
};

// Starts a walk at the first opcode. False when the header is not a picture.
bool PictWalkBegin(PictWalker& w, const uint8_t* data, size_t size, PictHeader* hdr = nullptr);
// Reads the next opcode and sizes its operand; the reader is left after the
// operand. False at the end opcode (status kWalkEnd), at an unknown opcode or
// at a truncated operand; the walk then stops for good.
bool PictWalkNext(PictWalker& w, PictOp& op);

// Operand length of an opcode at the reader's position, which is left
// unchanged. -1 when the opcode is unknown or the operand runs past the end.
long PictOperandLength(const PictReader& rd, uint16_t opcode, bool v1);

// Name of an opcode for dumps ("Reserved" for reserved ranges).
const char* PictOpName(uint16_t opcode);

// Decoded bits operand (0x90, 0x91, 0x98, 0x99, 0x9A, 0x9B). Offsets are from
// the start of the picture.
struct PictBits {
  bool direct = false;  // 0x9A/0x9B
  bool pixmap = false;  // rowBytes top bit
  bool hasMaskRgn = false;
  uint16_t rowBytes = 0;  // top bits cleared
  Rect bounds{};
  uint16_t pmVersion = 0, packType = 0;
  uint32_t packSize = 0;
  Fixed hRes = 0, vRes = 0;
  uint16_t pixelType = 0, pixelSize = 1, cmpCount = 1, cmpSize = 1;
  uint32_t planeBytes = 0, pmTable = 0, pmReserved = 0;
  size_t recordAt = 0;    // offset of rowBytes (for direct bits, of the base address)
  size_t ctabAt = 0;      // colour table (0 when none)
  uint16_t ctabSize = 0;  // entries - 1
  size_t ctabLen = 0;
  Rect srcRect{}, dstRect{};
  uint16_t mode = 0;
  size_t rectsAt = 0;  // offset of srcRect
  size_t maskAt = 0, maskLen = 0;
  size_t dataAt = 0, dataLen = 0;  // pixel data as stored
  int height() const { return int(bounds.bottom) - int(bounds.top); }
  int width() const { return int(bounds.right) - int(bounds.left); }
  // Rows are stored packed with a count before each (else raw).
  bool RowsPacked() const;
  // Bytes of one stored raw row when not packed.
  size_t RawRowBytes() const;
};

// Parses a bits operand at the reader's position (after the opcode) and
// leaves the reader after the pixel data. False on damaged or truncated data.
bool PictParseBits(PictReader& rd, uint16_t opcode, PictBits& bits);

// Sane ceilings for pictures read from files.
constexpr int kPictMaxBitsDimension = 16384;
constexpr size_t kPictMaxPixels = size_t(16) * 1024 * 1024;

// Decodes the pixels of a bits operand into width x height 32-bit pixels,
// bytes A, R, G, B, not premultiplied. One-bit pixels take the foreground
// colour where set and the background colour elsewhere; indexed pixels their
// colour-table entry; direct pixels without an alpha component are opaque.
// False when a row is damaged or the image is too large.
bool PictDecodeBitsARGB(const uint8_t* pic, size_t size, const PictBits& bits, bool hostOrder, RGBColor fg, RGBColor bk,
                        std::vector<uint8_t>& argb);

// PackBits coding of one row. PictUnpackRow decodes into exactly `outLen`
// bytes of `unit`-byte units (1 or 2) and returns false if the source ends
// first or runs over; bytes it could not fill stay as they were.
size_t PictPackRow(const uint8_t* src, size_t n, uint8_t* dst);  // dst >= n + n/128 + 1
bool PictUnpackRow(const uint8_t* src, size_t srcLen, uint8_t* dst, size_t outLen, int unit);
constexpr size_t PictPackBound(size_t n) { return n + (n + 127) / 128 + 1; }

// Region and polygon operands: size word, bounding box, then their data.
struct PictSpan {
  int16_t top, left, bottom, right;
};
// Decodes a serialised region (its size word first) into disjoint
// rectangles whose union is the region. False when damaged.
bool PictDecodeRegion(const uint8_t* rgn, size_t len, Rect& bbox, std::vector<PictSpan>& spans);
// A rectangular region in serialised form (10 bytes).
void PictWriteRectRegion(PictWriter& w, const Rect& r);
