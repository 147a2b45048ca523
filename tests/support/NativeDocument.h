#pragma once
// The top level of a native document: header, document sections, the score
// blocks and the trailer, in file order, each field written only from the
// version that stores it. NativeDocument's defaults make a sound document
// without scores at the newest version; tests change what they look at.
//
// Score blocks and the views are written by callbacks, so the writers of
// those records plug in here without this file knowing them.
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "support/NativeRecords.h"
#include "support/NativeWriter.h"

namespace tamrel_test {

// The ten check bytes that follow the version from 3.23.
constexpr std::array<uint8_t, 10> kNativeCheckBytes = {0x0A, 0x51, 0x0D, 0x52, 0x0A, 0x0D, 0x56, 0xFF, 0x4C, 0x82};

struct RectRecord {
  int16_t left = 0, top = 0, right = 0, bottom = 0;
};

// The document's output effects, in file order (from 6.30; older files store
// the first word after 9 spare bytes, then 8 spare bytes, the rest, and 16
// spare bytes). 32 spare bytes follow either layout.
struct OutputEffectsRecord {
  uint16_t first = 0;
  uint8_t reverbOn = 0;
  uint16_t reverbTime = 0, reverbLevel = 0;
  uint8_t surroundOn = 0;
  uint16_t surroundDelay = 0, surroundLevel = 0;
  uint8_t noiseReductionOn = 0;
  uint16_t noiseReduction = 0;
  uint8_t bassBoostOn = 0;
  uint16_t bassBoostFrequency = 0, bassBoostLevel = 0;
  uint8_t gainControlOn = 0;
  uint16_t gainControlRise = 0;
};

using SectionWriter = std::function<void(NativeWriter&)>;

struct NativeDocument {
  std::string magic = "QRVL";
  uint16_t version = 0x9805;                               // stored as is: 0 and 0x9400 are legal values to test
  std::array<uint8_t, 10> checkBytes = kNativeCheckBytes;  // from 3.23
  uint8_t lzw = 0;                                         // from 3.21
  uint8_t h1 = 0, w = 0;                                   // from 7.90
  uint16_t headerValue = 0;                                // from 8.11

  // From 7.40 three title records; before, each title's text and style.
  std::array<TitleRecord, 3> titles;

  // From 9.40. Unset: an empty view list.
  SectionWriter views;
  uint32_t viewIdCounter = 0;
  int16_t viewIndex = -1;
  uint32_t baseViewId = 0;

  // Display block: D0; from 5.11 two bytes, four bytes, 4 spare; a 32-bit
  // value from 5.11 or when D0 is not 0.
  uint8_t displayD0 = 0;
  uint8_t displayByte1 = 0, displayByte2 = 1;
  std::array<uint8_t, 4> displayBytes = {0, 0, 0, 0};
  uint32_t displayValue = 0;

  // Before 7.40: a mark, and with the mark 0x1562 two spare bytes and the
  // flag bytes of titles 1, 3 and 2; before 3.00, 6 spare bytes.
  uint16_t oldTitleMark = 0x1562;
  std::array<uint8_t, 3> oldTitleFlags = {1, 255, 0};  // titles 1, 2, 3

  // From 8.00.
  std::array<uint32_t, 3> values800 = {0, 0, 0};
  std::string text128, text64;

  std::array<uint8_t, 4> fourBytes = {0, 0, 0, 0};

  // Page fields before 5.11: two bytes and a flag byte; from 2.03 8 spare
  // bytes; from 5.01 the print zoom in percent and 16 spare bytes.
  uint8_t oldPageByte0 = 0, oldPageByte1 = 0, oldPageFlags = 0;
  int16_t oldPrintZoom = 100;
  // From 5.11 five page setups; from 7.50 a byte, the layout-guides byte, the
  // byte that says the rectangles are the document's own, two rectangles and
  // two bytes.
  std::array<PageSetupRecord, 5> pageSetups;
  uint8_t pageByte = 0, layoutGuides = 0, ownRects = 1;
  std::array<RectRecord, 2> rects = {RectRecord{0, 0, 4760, 6736}, RectRecord{-100, -100, 4860, 6836}};
  std::array<uint8_t, 2> pageBytes = {0, 0};

  // From 7.80 (11 spare bytes follow).
  uint8_t splitByte0 = 0;
  int8_t splitByte1 = 0;
  uint8_t splitB = 3;
  uint16_t splitValue = 0xFFFF;
  uint16_t splitN = 0;

  // Scores: from 2.01 a count (scores.size() unless set) and the current
  // index; before 3.00, 32 spare bytes. Each score block is a callback.
  std::optional<int16_t> scoreCount;
  int16_t currentScore = 0;
  std::vector<SectionWriter> scores;

  // Trailer.
  uint8_t trailerByte = 0;
  std::array<uint16_t, 2> oldBarRange = {1, 9999};  // before 5.11
  uint16_t datesFlag = 1;
  std::array<uint32_t, 3> dates = {0, 0, 0};
  uint16_t revisions = 0;  // stored; the reader keeps it plus 1
  int16_t dataValue = 0;   // from 7.01, with the extra data block
  std::vector<uint8_t> extraData;
  std::optional<uint32_t> extraDataLength;  // unset: extraData.size()
  std::vector<uint8_t> uninterpreted;       // its u32 length first
  std::optional<uint32_t> uninterpretedLength;
  OutputEffectsRecord effects;        // from 3.21
  std::vector<int16_t> effectLevels;  // from 9.64, after their count
  std::optional<int16_t> effectLevelCount;
  std::string closingMagic = "QRVL";
};

// The views section with no view.
void WriteEmptyViews(NativeWriter& w, const NativeDocument& doc);

// The whole file.
std::vector<uint8_t> WriteNativeDocument(const NativeDocument& doc);

}  // namespace tamrel_test
