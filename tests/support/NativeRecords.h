#pragma once
// Record writers of the native format: text styles, titles, page setups and
// a staff's appearance in a view. Each record is described by a plain struct
// in file order whose defaults are those of a new document, and written with
// the version gates of the writer it is given.
#include <array>
#include <cstdint>
#include <string>

#include "support/NativeWriter.h"

namespace tamrel_test {

// Text style: font number; from 5.12 the font's name; a byte the reader
// drops; face; size; red, green, blue.
struct TextStyleRecord {
  int16_t font = 20;
  std::string fontName = "Times";  // from 0x0512
  uint8_t dropped = 0;
  uint8_t face = 0;
  uint16_t size = 12;
  std::array<uint16_t, 3> rgb = {0, 0, 0};
};
void WriteTextStyle(NativeWriter& w, const TextStyleRecord& style);

// Title: text, style, a byte, four positions in tenths of a millimetre and a
// fifth from 9.20.
struct TitleRecord {
  std::string text;
  TextStyleRecord style;
  uint8_t flag = 0;
  std::array<uint16_t, 5> positions = {0, 0, 0, 0, 0};
};
void WriteTitle(NativeWriter& w, const TitleRecord& title);

// Header or footer block of a page setup.
struct HeaderFooterRecord {
  std::array<std::string, 3> templates;  // left, centre, right
  std::array<TextStyleRecord, 3> styles;
  uint8_t mirrorEvenPages = 0;
  uint8_t ruleAbove = 0;
  bool ruleBelow = false;
  bool notOnPage1 = false;
  uint16_t leftInset = 0;
  uint16_t rightInset = 0;
  uint16_t distance = 0;  // from the page edge (the header's is stored less 92 before 7.50)
};

struct PageSetupRecord {
  float scale = 0.7f;  // an i16 percentage before 8.00
  uint16_t marginLeft = 100, marginTop = 0, marginRight = 0, marginBottom = 0;
  uint16_t firstBar = 1;
  uint16_t lastBar = 9999;
  uint8_t titles = 1;
  bool lyricPages = false;
  bool spare1 = false, spare2 = false;  // bits 1 and 2 of the same byte
  // A byte, the system top band, three bytes, keep systems whole, justify.
  std::array<uint8_t, 7> seven = {0, 0, 0, 0, 0, 1, 1};
  uint8_t grouping = 0;  // from 7.10
  // From 7.40.
  uint8_t scoreCopyByte = 0;
  bool lineHeaders = true, courtesyClefKey = false;
  bool hideEmptyStaves = false, showStavesOnceFirst = false;
  bool spreadSystems = true, notOnLastPage = false;
  bool emptySystemsNeedBarLine = false, justifyLastSystem = false, mirrorMargins = false;
  uint8_t firstMusicPage = 0;
  uint8_t minimumRun = 2;
  uint16_t systemGap = 0;
  HeaderFooterRecord footer;
  HeaderFooterRecord header;
  uint16_t reserved = 100;        // from 5.13
  int16_t firstSystemIndent = 0;  // from 9.41, followed by 16 spare bytes
};
void WritePageSetup(NativeWriter& w, const PageSetupRecord& setup);

// A staff's appearance inside a view, in file order. The names say what the
// field is for where that is known; the others are numbered.
struct StaffAspectRecord {
  uint16_t word1 = 0, word2 = 0;
  int16_t value3 = 3;    // widened to 32 bits by the reader
  std::string viewName;  // at most 254 bytes
  std::array<TextStyleRecord, 3> viewStyles;
  uint8_t byte8 = 1;
  uint16_t word9 = 0;
  uint8_t byte10 = 0, byte11 = 0, byte12 = 0;
  uint16_t word13 = 0;
  std::string text14;  // at most 31 bytes; two spare bytes follow
  std::string name;
  uint16_t nameValue1 = 0, nameValue2 = 0;
  TextStyleRecord nameStyle;
  uint16_t nameEncoding = 0;
  std::string shortName;
  uint16_t shortNameValue1 = 0, shortNameValue2 = 0;
  TextStyleRecord shortNameStyle;
  uint16_t shortNameEncoding = 0;
  uint8_t byte17 = 0, byte18 = 0;
  int16_t displayMode = 2;  // widened to 32 bits
  uint16_t unitSize = 72;
  std::array<uint8_t, 5> five = {1, 1, 1, 1, 1};
  uint16_t chordBody = 3;
  std::array<uint8_t, 3> three23 = {0, 0, 0};
  bool switch0 = false, switch2 = false, switch4 = false;  // one byte; a spare byte follows
  std::array<uint8_t, 3> three25 = {0, 0, 0};
  // Seven line flags: the first alone before 9.60 (the reader copies it into
  // the other six); from 9.60 the six follow with a byte and 31 spare bytes.
  std::array<uint8_t, 7> lineFlags = {1, 1, 1, 1, 1, 1, 1};
  uint8_t byte26 = 0;
  uint16_t word27 = 6;
  std::array<uint8_t, 2> pair28 = {0, 0};  // in memory order; stored reversed
  std::array<uint8_t, 16> shownLines = {0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0};
  uint16_t barLineFirst = 0, barLineLast = 4;
  uint8_t barLineWord = 3;
  uint8_t byte33 = 0;
  bool switch34a = false, switch34b = true;  // bit 0, and bit 1 stored inverted
  std::array<uint8_t, 5> stems = {12, 12, 6, 20, 0};
  uint8_t byte36 = 0;
  TextStyleRecord standardStyle;
  uint16_t barNumber1 = 1, barNumber2 = 0;
  uint8_t barNumber3 = 0, byte41 = 0;
  uint16_t barNumber4 = 1;
  uint8_t barNumber5 = 1, byte44 = 0, byte45 = 0;
  uint16_t word46 = 0;
};
void WriteStaffAspect(NativeWriter& w, const StaffAspectRecord& aspect);

}  // namespace tamrel_test
