#pragma once
// Test-only writer of a staff's voice section (the singing-voice parameters
// of a staff record), in file order with the version gates of the writer
// given, and a coder of Rice-packed spectra. Written from the format's field
// lists; nothing is shared with the engine's reader.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "support/NativeWriter.h"

namespace tamrel_test {

struct VoiceFragmentRecord {
  std::string id = "a";
  std::string name = "fragment";
  int32_t weight = 1;
  float duration = 0.5f;
  int16_t type = 2;
  uint8_t form = 1;  // from 7.70; older documents store the table form only
  // Table form: 22 rows of nine values.
  std::array<std::array<float, 9>, 22> table = {};
  // Spectrum form.
  int16_t beginTrans = 0, endTrans = 0;
  uint16_t noiseRatio = 0;
  float powerStart = 0, powerMax = 0;
  // The extension: its length k, then by k: below 2 k bytes; 2 a step
  // length; 3 a step length and a signed close-lips byte; 4 and 5 a step
  // length and k - 2 bytes; from 6 a step length and a close-lips float, from
  // 7 a packing mode and k - 7 bytes.
  int16_t extension = 7;
  uint16_t stepLength = 256;
  float closeLips = 0;
  int8_t closeLipsByte = 0;
  uint8_t packing = 0;
  uint8_t extensionFill = 0xEE;  // the bytes the extension carries beyond its fields
  int16_t rows = 0, columns = 0;
  std::vector<float> values;           // packing 0: rows x columns values, row by row
  std::vector<uint8_t> packed;         // another packing: the block
  std::optional<int32_t> packedCount;  // the byte count stored; by default the block's size
  std::vector<uint8_t> tail;           // the counted bytes that close the fragment
};

struct VoiceSectionRecord {
  uint8_t marker = 1;  // 2: no voice data
  bool sung = true;    // false: the staff is not sung and stores the marker alone
  int16_t volume = 90;
  int16_t pan = 64;
  int16_t language = 0;
  uint8_t semitone = 0;
  int8_t octave = 0;
  float timeShiftMax = 0;
  std::array<float, 2> oldAfterTimeShift = {};  // before 7.70
  // "PitchAttaque", "RangeVelociteNotes", the jitters (maximum and speed of
  // F0, F1, F2, volume) and the four F0 drift values.
  std::array<float, 14> jitters = {};
  std::array<float, 8> envelope = {};     // from 7.70
  std::array<float, 4> oldEnvelope = {};  // before 7.70
  // The six vibrato values, "amplificationVoix", "coeffF1" to "coeffF6",
  // "graveAigu".
  std::array<float, 14> vibrato = {};
  float openRatio = 0, clipping = 0;  // from 7.70
  int16_t iconHeader = 0;
  std::vector<uint8_t> iconLarge = std::vector<uint8_t>(2048, 0);  // stored first
  std::vector<uint8_t> iconSmall = std::vector<uint8_t>(1024, 0);
  int16_t minSilence = 0;
  uint8_t choirSize = 1, choirPhase = 0;
  std::string phoneme;  // from 96.30
  uint32_t documentValue = 0;
  uint8_t formantLength = 6;  // a 23-byte area follows
  std::array<int16_t, 3> formants = {};
  std::optional<int16_t> fragmentCount;  // the count stored; by default the fragments' number
  int16_t sharedStaff = -1;              // from 8.50
  std::vector<VoiceFragmentRecord> fragments;
  std::array<int16_t, 4> documentValues = {};  // from 8.50, after the fragments
};

void WriteVoiceSection(NativeWriter& w, const VoiceSectionRecord& r);

// A Rice-packed spectrum of rows x columns integer values: the length of the
// first run, the run of row 0 (differences along the row), a word, then the
// run of the other rows (differences from the prediction up + left -
// up-left); each run codes its residuals with the parameter k, sign in the
// low bit.
std::vector<uint8_t> RiceSpectrumBlock(const std::vector<int32_t>& values, int rows, int columns, uint8_t k);

}  // namespace tamrel_test
