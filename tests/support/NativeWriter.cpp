#include "support/NativeWriter.h"

#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "system/LZW.h"

namespace tamrel_test {

void NativeWriter::U8(uint32_t v) { Out().push_back(uint8_t(v)); }

void NativeWriter::U16(uint32_t v) {
  U8(v >> 8);
  U8(v);
}

void NativeWriter::U32(uint32_t v) {
  U16(v >> 16);
  U16(v);
}

void NativeWriter::F32(float v) {
  uint32_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  U32(bits);
}

void NativeWriter::Bytes(const void* p, size_t n) {
  const auto* b = static_cast<const uint8_t*>(p);
  Out().insert(Out().end(), b, b + n);
}

void NativeWriter::Bytes(std::initializer_list<uint8_t> bytes) { Out().insert(Out().end(), bytes); }

void NativeWriter::Gap(size_t n, uint8_t fill) { Out().insert(Out().end(), n, fill); }

void NativeWriter::String(std::string_view s) {
  if (s.size() > 0x7FFF) throw std::length_error("stored strings hold at most 32767 bytes");
  if (s.size() < 255) {
    U8(uint32_t(s.size()));
  } else {
    U8(255);
    U16(uint32_t(s.size()));
  }
  Text(s);
}

void NativeWriter::NoString() { Bytes({0xFF, 0x80, 0x00}); }

void NativeWriter::Rect(int16_t left, int16_t top, int16_t right, int16_t bottom) {
  I16(left);
  I16(top);
  I16(right);
  I16(bottom);
}

void NativeWriter::Switch(bool coded) {
  if (coding_ == coded) return;
  coding_ = coded;
  stretches_.push_back(Stretch{coded, {}});
}

void NativeWriter::StartLZW() { Switch(true); }

void NativeWriter::StopLZW() { Switch(false); }

size_t NativeWriter::Size() const {
  size_t n = 0;
  for (const Stretch& s : stretches_) n += s.bytes.size();
  return n;
}

std::vector<uint8_t> NativeWriter::Finish() const {
  std::vector<uint8_t> file;
  for (const Stretch& s : stretches_) {
    if (!s.coded) {
      file.insert(file.end(), s.bytes.begin(), s.bytes.end());
      continue;
    }
    std::FILE* f = std::tmpfile();
    if (!f) throw std::runtime_error("no temporary file for the LZW coder");
    if (!InitCodeLZW()) {
      std::fclose(f);
      throw std::runtime_error("LZW coder tables");
    }
    for (uint8_t c : s.bytes) PutcLZW(c, f);
    EndCodeLZW(f);
    std::rewind(f);
    int c;
    while ((c = std::fgetc(f)) != EOF) file.push_back(uint8_t(c));
    std::fclose(f);
  }
  return file;
}

std::vector<uint8_t> Hex(std::string_view text) {
  std::vector<uint8_t> out;
  int half = -1;
  for (char ch : text) {
    int v;
    if (ch >= '0' && ch <= '9') v = ch - '0';
    else if (ch >= 'A' && ch <= 'F') v = ch - 'A' + 10;
    else if (ch >= 'a' && ch <= 'f') v = ch - 'a' + 10;
    else if (ch == ' ' || ch == '\n' || ch == '\t') continue;
    else throw std::invalid_argument("not a hex digit");
    if (half < 0) {
      half = v;
    } else {
      out.push_back(uint8_t(half * 16 + v));
      half = -1;
    }
  }
  if (half >= 0) throw std::invalid_argument("odd number of hex digits");
  return out;
}

}  // namespace tamrel_test
