#include "platform/PictDump.h"

#include <cstdarg>
#include <cstdio>

#include "platform/Memory.h"
#include "platform/PictFormat.h"

namespace {

void Add(std::string& s, const char* fmt, ...) __attribute__((format(printf, 2, 3)));
void Add(std::string& s, const char* fmt, ...) {
  char buf[256];
  va_list ap;
  va_start(ap, fmt);
  vsnprintf(buf, sizeof buf, fmt, ap);
  va_end(ap);
  s += buf;
}

void AddRect(std::string& s, const Rect& r) { Add(s, " (%d,%d,%d,%d)", r.top, r.left, r.bottom, r.right); }
void AddPoint(std::string& s, Point p) { Add(s, " (%d,%d)", p.v, p.h); }

// Text and comment data: printable ASCII as is, the rest escaped.
void AddQuoted(std::string& s, const uint8_t* p, size_t n) {
  s += " \"";
  for (size_t i = 0; i < n; i++) {
    uint8_t c = p[i];
    if (c >= 32 && c < 127 && c != '"' && c != '\\') s += char(c);
    else Add(s, "\\x%02X", c);
  }
  s += '"';
}

void DumpOperand(std::string& s, PictReader rd, const PictOp& op, bool v1) {
  uint16_t o = op.opcode;
  switch (o) {
    case kOpClip: {
      uint16_t n = rd.W16();
      Add(s, " %u", n);
      AddRect(s, rd.ReadRect());
      return;
    }
    case kOpTxFont:
    case kOpTxMode:
    case kOpPnMode:
    case kOpTxSize:
    case kOpPnLocHFrac:
    case kOpChExtra: Add(s, " %d", int16_t(rd.W16())); return;
    case kOpTxFace: Add(s, " %u", rd.U8()); return;
    case kOpSpExtra: Add(s, " 0x%08X", rd.W32()); return;
    case kOpPnSize:
    case kOpOvSize:
    case kOpOrigin:
    case kOpLineFrom: AddPoint(s, rd.ReadPoint()); return;
    case kOpBkPat:
    case kOpPnPat:
    case kOpFillPat:
      s += ' ';
      for (int i = 0; i < 8; i++) Add(s, "%02X", rd.U8());
      return;
    case kOpFgColor:
    case kOpBkColor: Add(s, " %u", rd.BE32()); return;
    case kOpTxRatio:
      AddPoint(s, rd.ReadPoint());
      AddPoint(s, rd.ReadPoint());
      return;
    case kOpVersion: Add(s, " %u", v1 ? rd.U8() : rd.BE16()); return;
    case kOpRGBFgCol:
    case kOpRGBBkCol:
    case kOpHiliteColor:
    case kOpOpColor: {
      uint16_t r = rd.BE16(), g = rd.BE16(), b = rd.BE16();
      Add(s, " %04X %04X %04X", r, g, b);
      return;
    }
    case kOpLine:
      AddPoint(s, rd.ReadPoint());
      AddPoint(s, rd.ReadPoint());
      return;
    case kOpShortLine: {
      AddPoint(s, rd.ReadPoint());
      int8_t dh = int8_t(rd.U8()), dv = int8_t(rd.U8());
      Add(s, " %d %d", dh, dv);
      return;
    }
    case kOpShortLineFrom: {
      int8_t dh = int8_t(rd.U8()), dv = int8_t(rd.U8());
      Add(s, " %d %d", dh, dv);
      return;
    }
    case kOpLongText: {
      AddPoint(s, rd.ReadPoint());
      uint8_t n = rd.U8();
      AddQuoted(s, rd.Here(), n);
      return;
    }
    case kOpDHText:
    case kOpDVText: {
      uint8_t d = rd.U8(), n = rd.U8();
      Add(s, " %u", d);
      AddQuoted(s, rd.Here(), n);
      return;
    }
    case kOpDHDVText: {
      uint8_t dh = rd.U8(), dv = rd.U8(), n = rd.U8();
      Add(s, " %u %u", dh, dv);
      AddQuoted(s, rd.Here(), n);
      return;
    }
    case kOpFontName: {
      rd.W16();
      int16_t id = int16_t(rd.W16());
      uint8_t n = rd.U8();
      if (size_t(n) + 5 > op.length) n = 0;
      Add(s, " %d", id);
      AddQuoted(s, rd.Here(), n);
      return;
    }
    case kOpShortComment: Add(s, " %u", rd.W16()); return;
    case kOpLongComment: {
      uint16_t kind = rd.W16(), n = rd.W16();
      Add(s, " %u %u", kind, n);
      AddQuoted(s, rd.Here(), n > 64 ? 64 : n);
      if (n > 64) s += "...";
      return;
    }
    default: break;
  }
  if (o >= 0x30 && o < 0x70) {
    bool same = (o >> 3) & 1;
    if ((o & 0xF0) == 0x60) {
      if (!same) AddRect(s, rd.ReadRect());
      int16_t a = int16_t(rd.BE16()), b = int16_t(rd.BE16());
      Add(s, " %d %d", a, b);
    } else if (!same && (o & 7) <= 4) {
      AddRect(s, rd.ReadRect());
    }
    return;
  }
  if (o >= 0x70 && o < 0x90 && !((o >> 3) & 1) && (o & 7) <= 4) {
    uint16_t n = rd.W16();
    Rect bb = rd.ReadRect();
    Add(s, " %u", n);
    AddRect(s, bb);
    if (o < 0x80 && n <= 10 + 4 * 8) {
      for (size_t i = 10; i + 4 <= n; i += 4) AddPoint(s, rd.ReadPoint());
    }
    return;
  }
  if (o == 0x90 || o == 0x91 || o == 0x98 || o == 0x99 || o == 0x9A || o == 0x9B) {
    PictBits b;
    if (!PictParseBits(rd, o, b)) return;
    Add(s, " %dx%d rb %u", b.width(), b.height(), b.rowBytes);
    if (b.pixmap) Add(s, " px %u cmp %u pack %u", b.pixelSize, b.cmpCount, b.packType);
    if (b.ctabAt) Add(s, " ctab %u", b.ctabSize + 1);
    s += " src";
    AddRect(s, b.srcRect);
    s += " dst";
    AddRect(s, b.dstRect);
    Add(s, " mode %u", b.mode);
    if (b.hasMaskRgn) Add(s, " mask %zu", b.maskLen);
    Add(s, " data %zu", b.dataLen);
    return;
  }
  if (op.length) Add(s, " len %zu", op.length);
}

}  // namespace

bool PictDumpText(const uint8_t* data, size_t size, std::string& out) {
  PictWalker w;
  PictHeader hdr;
  if (!PictWalkBegin(w, data, size, &hdr)) {
    out += "Not a picture\n";
    return false;
  }
  static const char* const kVer[] = {"?", "1", "2", "2 host-order"};
  Add(out, "Picture %s frame", kVer[hdr.version]);
  AddRect(out, hdr.frame);
  out += '\n';
  if (hdr.hasExtHeader) {
    Add(out, "HeaderOp -2 %d %d", hdr.hRes >> 16, hdr.vRes >> 16);
    AddRect(out, hdr.srcRect);
    out += '\n';
  } else if (hdr.version != kPictV1 && hdr.firstOp == 40) {
    out += "HeaderOp -1\n";
  }
  PictOp op;
  bool v1 = hdr.version == kPictV1;
  while (PictWalkNext(w, op)) {
    const char* name = PictOpName(op.opcode);
    if (name[0] == 'R' && name[2] == 's')  // "Reserved": keep the number
      Add(out, "Reserved 0x%04X", op.opcode);
    else out += name;
    PictReader rd = w.rd;
    rd.pos = op.operand;
    rd.size = op.operand + op.length;  // no operand dump reads past its own operand
    DumpOperand(out, rd, op, v1);
    out += '\n';
  }
  if (w.status == kWalkEnd) {
    out += "OpEndPic\n";
    return true;
  }
  Add(out, "Stopped at 0x%04X: %s\n", w.status == kWalkUnknown ? w.badOpcode : op.opcode,
      w.status == kWalkUnknown ? "unknown opcode" : "truncated");
  return false;
}

bool PictDumpHandle(Handle pic, std::string& out) {
  if (!pic || !*pic) {
    out += "Not a picture\n";
    return false;
  }
  return PictDumpText(reinterpret_cast<const uint8_t*>(*pic), size_t(GetHandleSize(pic)), out);
}
