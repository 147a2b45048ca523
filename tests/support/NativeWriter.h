#pragma once
// Test-only writer of native documents. The engine only reads the format, so
// every native document a test needs is synthesised here, at any version.
//
// This writer is written from the format's field lists, not from the reader:
// it shares no table or helper with the engine's reader, so that a field the
// reader misplaces shows up as a failed test instead of being repeated here.
// The one engine piece it uses is the LZW coder, which has tests of its own.
//
// NativeWriter is the byte sink: big-endian numbers, stored strings and
// rectangles, and the switch to LZW coding for everything that follows. The
// record writers (NativeRecords.h) and the top level (NativeDocument.h) sit on
// it; later records add their own writer files beside them.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace tamrel_test {

class NativeWriter {
 public:
  explicit NativeWriter(uint16_t version) : version_(version) {}

  // The version whose gates the record writers follow.
  uint16_t Version() const { return version_; }
  void SetVersion(uint16_t version) { version_ = version; }
  bool From(uint16_t gate) const { return version_ >= gate; }

  void U8(uint32_t v);
  void U16(uint32_t v);
  void I16(int32_t v) { U16(uint32_t(v) & 0xFFFF); }
  void U32(uint32_t v);
  void I32(int32_t v) { U32(uint32_t(v)); }
  void F32(float v);
  void Bytes(const void* p, size_t n);
  void Bytes(std::initializer_list<uint8_t> bytes);
  void Text(std::string_view s) { Bytes(s.data(), s.size()); }
  // n bytes that the reader skips; written as `fill`.
  void Gap(size_t n, uint8_t fill = 0);
  // A stored string: one length byte, 255 escaping to a 16-bit length.
  void String(std::string_view s);
  // The length that marks "no string" (0x8000 behind the escape).
  void NoString();
  // Stored as left, top, right, bottom.
  void Rect(int16_t left, int16_t top, int16_t right, int16_t bottom);

  // Every byte written after this call is LZW-coded in the file.
  void StartLZW();
  // Ends the coded stretch: the bytes written after this call are plain until
  // the next StartLZW, which begins a stretch of its own.
  void StopLZW();
  bool Coding() const { return coding_; }

  // Bytes written so far (plain and, once coded, not yet coded), for tests
  // that look at a record's extent.
  size_t Size() const;

  // The file's bytes: each plain part as it stands, each coded part through
  // the coder.
  std::vector<uint8_t> Finish() const;

 private:
  struct Stretch {
    bool coded;
    std::vector<uint8_t> bytes;
  };
  std::vector<uint8_t>& Out() { return stretches_.back().bytes; }
  void Switch(bool coded);
  uint16_t version_;
  bool coding_ = false;
  std::vector<Stretch> stretches_{Stretch{false, {}}};
};

// "0A 51 0D..." to bytes; blanks and line ends are ignored. For fixtures
// written by hand from the format's byte-level examples.
std::vector<uint8_t> Hex(std::string_view text);

}  // namespace tamrel_test
