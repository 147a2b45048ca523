#pragma once
// Writers of the score lists of native documents: part groups, free objects,
// targets and the bank matrices. Each record is a plain struct in file order
// with the values of a new record, written with the version gates of the
// writer it is given.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "support/NativeRecords.h"
#include "support/NativeWriter.h"

namespace tamrel_test {

struct PartGroupRecord {
  int16_t kind = 0;
  int16_t barLines = 0;
  int16_t first = 0, last = 1;
  int16_t indent = 2;
  int16_t topExtension = 0, bottomExtension = 0;
  std::string name;
  int16_t nameValues[2] = {0, 0};
  std::string abbreviation;
  int16_t abbreviationValues[2] = {0, 0};
  TextStyleRecord nameStyle;
  TextStyleRecord abbreviationStyle;  // from 9.20, with the next two values
  int16_t nameValue = 0, abbreviationValue = 0;
  uint8_t singleStaff = 0;  // then 15 reserved bytes
};
void WritePartGroups(NativeWriter& w, const std::vector<PartGroupRecord>& groups);

struct FreeObjectRecord {
  uint8_t type = 0;
  int32_t values1[2] = {0, 0};
  int16_t value1 = 0;
  std::string strings[2];
  std::string data = std::string(1, '\0');  // its length first, on 32 bits
  uint8_t value2 = 0;
  int16_t value3 = 0;
  int16_t top = 0, left = 100, bottom = 200, right = 300;  // stored as left, top, right, bottom
  uint8_t anchor = 0;
  uint8_t secondClass = 0;
  TextStyleRecord style;
  uint8_t byte1 = 0;
  uint8_t oldFormat = 0;
  int16_t values3[3] = {0, 0, 0};
  uint8_t byte2 = 0;
  int16_t systemValue = 0;  // from 9.20
  int32_t value4 = 0;       // from 9.40
  int16_t page = -1;        // stored as page + 1
  bool flag1 = false, flag2 = false;
  std::string name;  // from 9.63; then 12 reserved bytes
};
// Nothing before 7.80. A long count (32767 then 32 bits) when asked.
void WriteFreeObjects(NativeWriter& w, const std::vector<FreeObjectRecord>& objects, bool longCount = false);

struct TargetRecord {
  std::string name;
  int16_t bar = 0;
  uint8_t unlabelled = 0;  // then 15 reserved bytes
};
void WriteTargets(NativeWriter& w, const std::vector<TargetRecord>& targets);

// A bank matrix: two values, a byte and a 128-byte block, the highest end bar
// and five display values, then its rows (value, start, end, a spare word,
// the bank index, two spare words) and, from 6.30, its effect count (the
// effects themselves are not written here).
struct MatrixRowRecord {
  uint16_t value = 0;
  int16_t start = 0, end = 0;
  uint16_t spare1 = 0;
  uint16_t index = 0;
  uint16_t spare2 = 0, spare3 = 0;
};
struct MatrixRecord {
  uint16_t values[2] = {42, 14};
  uint8_t byte = 0;
  std::array<uint8_t, 128> block{};
  int16_t highestEnd = 0;
  uint16_t display[5] = {246, 248, 254, 240, 2};
  std::vector<MatrixRowRecord> rows;
  int16_t effectCount = 0;
};
void WriteMatrix(NativeWriter& w, const MatrixRecord& matrix);

}  // namespace tamrel_test
