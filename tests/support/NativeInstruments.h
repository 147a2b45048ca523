#pragma once
// Test-only writers of the instrument records of native documents: the
// score's table, a record's header and its tagged chunks, in file order with
// the version gates of the writer given. Written from the format's field
// lists; nothing is shared with the engine's reader.
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "support/NativeWriter.h"

namespace tamrel_test {

// A stored sound: size, then its header and the data bytes as given.
struct SoundBlockRecord {
  uint16_t form = 0;
  uint16_t bits = 16;
  uint32_t rate = 0xAC440000;  // 44100 Hz as 16.16
  uint8_t keyA = 60, keyB = 62;
  uint32_t loopStart = 0, loopEnd = 0, count = 0;
  std::vector<uint8_t> data;  // an empty sound is stored as size 0
};

struct DigitSlotRecord {
  uint16_t soundRef = 9999, param1 = 0, param2 = 0, param3 = 0;
  int16_t value = 0;
  std::array<uint8_t, 3> bytes = {0, 0, 0};  // layout 0x0400
  std::vector<uint8_t> extra;                // layout 0x0400: a counted block the reader skips
};

// The body of a "DGIT" chunk.
struct DigitRecord {
  uint16_t layout = 0x0400;
  uint8_t ownSounds = 1;
  std::array<uint16_t, 6> params = {1, 2, 3, 4, 5, 6};  // 0x0101 and 0x0200 store the first only
  std::array<uint16_t, 3> oldSlot = {7, 8, 9};          // 0x0101: param3, param1, param2 of every slot
  uint8_t byte1 = 10, byte2 = 11;
  std::array<std::array<uint32_t, 3>, 4> longs = {};
  std::array<uint8_t, 3> groupsOn = {1, 0, 1};
  std::array<uint8_t, 4> ext = {1, 2, 3, 4};
  std::array<uint8_t, 11> options = {};
  std::vector<DigitSlotRecord> slots;  // 0x0200 stores 12
  int16_t storedCount = -1;            // the count written (0x0300, 0x0400); -1: the slots' number
  std::vector<SoundBlockRecord> sounds;
};

struct InstrumentRecord {
  uint16_t present = 1;  // from 2.00
  std::string name = "Piano";
  uint8_t auxFlag = 1, isDrum = 0;
  uint32_t soundId = 1;
  uint32_t organCode = 0x6F62736E;  // "obsn", from 96.30
  uint16_t oldOrgan = 6;            // before 96.30
  uint32_t organPort = 0;
  uint16_t organBlock = 0;             // 1: the block follows
  std::vector<uint8_t> organBytes;     // counted bytes the reader drops
  std::string organText = "organ";     // after the counted bytes, except for "exmo"
  std::string exmoText = "exmo text";  // "exmo": read and dropped
  int8_t note = 60;
  uint16_t midiWord1 = 0, midiWord2 = 127, channel = 0;
  std::array<std::array<uint16_t, 2>, 4> controllers = {{{1, 100}, {0, 64}, {0, 0}, {1, 5}}};
  uint8_t vibratoOn = 0, tremoloOn = 0;  // from 5.00
  std::array<uint16_t, 4> vibrato = {1, 2, 3, 4}, tremolo = {5, 6, 7, 8};
  uint8_t effectsOn = 0;  // from 7.10; the block is not written here
  // The chunk list; the closing 0 tag is added after it.
  std::function<void(NativeWriter&)> chunks;
};

void WriteInstrument(NativeWriter& w, const InstrumentRecord& r);
void WriteInstruments(NativeWriter& w, const std::vector<InstrumentRecord>& table);

// Chunks, each with its tag.
void WriteDigitChunk(NativeWriter& w, const DigitRecord& d);
void WriteMidiChunk0102(NativeWriter& w, uint16_t bank, uint8_t b1, uint8_t b2, uint8_t drumNote);
void WriteSubVersionChunk(NativeWriter& w, const char tag[5], uint16_t subVersion,
                          const std::vector<uint8_t>& body = {});

}  // namespace tamrel_test
