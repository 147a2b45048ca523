#pragma once
// Test-only writers of the objects a staff of a native document carries
// besides its notes and texts: chord-diagram placements, graphics, the
// tablature record (with its harmonica and accordion blocks), laws, dynamics
// (blocks of custom chord diagrams are in NativeScore.h). Written from the format's field lists
// in file order, with the version gates of the writer given; nothing is
// shared with the engine's reader. Each record's defaults make a sound record.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "support/NativeRecords.h"
#include "support/NativeWriter.h"

namespace tamrel_test {

// A diagram placement: its chord, two positions each with a further value,
// the placement words (from 8.00), a word and the name switch, the colours
// and position mode (from 2.03), the unique id (from 7.50), and the
// fretboard with its dots (from 9.20).
struct PlacementRecord {
  std::string chordName = "Am";
  int32_t neck = 0;
  int32_t start = 40320, top = -10, end = 80640, bottom = 30;
  std::array<uint16_t, 2> words = {0, 0};
  uint16_t word = 0;
  uint8_t showName = 1;
  std::array<uint8_t, 3> colours = {0, 0, 0};
  uint8_t mode = 0;
  uint32_t id = 0;
  std::array<uint8_t, 6> strings = {'x', 0, 2, 2, 1, 0};
  uint8_t baseFret = 1;
  std::vector<std::array<uint8_t, 3>> dots = {{2, 3, 3}, {2, 4, 4}, {1, 5, 5}};
};
void WritePlacement(NativeWriter& w, const PlacementRecord& p);

// A graphic: a byte, the data kind and its bytes (from 2.03; a string
// before), the picture id, the area, the offsets (from 8.00), a byte and the
// position mode (from 2.03), the line settings (from 9.10), the id (from
// 9.60), the name (from 9.63) and the last word.
struct GraphicRecord {
  uint8_t byte = 0;
  uint8_t kind = 3;
  std::vector<uint8_t> data;
  std::optional<uint32_t> dataLength;  // unset: data.size()
  std::string oldString = "pict";      // up to 2.02
  uint16_t pictureId = 999;
  int32_t start = 40320, top = -20, end = 120960, bottom = 20;
  int16_t leftShift = 0, rightShift = 0;
  uint8_t positionByte = 0, mode = 0;
  std::array<int16_t, 3> lineStyle = {1, 4, 3};  // line style, start end, end end
  uint16_t pen = 2;
  std::array<uint16_t, 5> lineValues = {0, 0, 6, 0, 0};
  uint32_t id = 0;
  std::string name;
  uint16_t lastWord = 0;
};
void WriteGraphic(NativeWriter& w, const GraphicRecord& g);

struct HoleRecord {
  uint8_t blow = 0, draw = 0, slideBlow = 0, slideDraw = 0;
  std::array<uint8_t, 5> rows = {0, 0, 0, 0, 0};
};

// The harmonica block: model code (-1: the user definition follows), words,
// switches; the definition's name, flags, two counts and 20 holes.
struct HarmonicaRecord {
  int16_t model = 2;
  uint16_t word = 0;
  int16_t value = 0;
  uint8_t byte = 0, switches = 0, byte1 = 0, byte2 = 0;
  std::string name = "Custom";
  uint8_t chromatic = 0, valved = 0;  // the second from 96.30
  uint8_t usedHoles = 10, holes = 10;
  std::array<HoleRecord, 20> holeTable = {};
};

struct BassChordRecord {
  std::string pushName, pushNotes, pullName, pullNotes;
};

// The accordion block (from 7.50, behind a word of 1).
struct AccordionRecord {
  int16_t value = 0;
  uint8_t byte = 0;
  uint16_t bellows = 4;
  std::array<std::string, 6> strings = {"Club", "G/C", "", "", "", ""};
  uint16_t firstButton = 1;
  uint16_t rows = 2, bassRows = 2;
  std::array<std::string, 3> rowNames = {"G", "C", ""};
  // Pitches by button and row (push, pull); rows past `rows` are not written.
  std::vector<std::vector<std::array<uint8_t, 2>>> keyboard;  // empty: 60 + button, 62 + button
  std::vector<std::vector<BassChordRecord>> basses;           // by bank, then bass row
  uint8_t byte800 = 0;
};

// The tablature record: presence, instrument, strings (three words each from
// 6.10, one shared word and one per string before), transpose and mode,
// fingering weights, the number style's size, face and colours, display
// flags, capo and switches (from 3.01), the gap weight; from 3.22 the
// harmonica block, the accordion block (from 7.50), switches and bytes, the
// colour, and from 96.30 the number style's font and the two other styles.
struct TablatureRecord {
  uint8_t present = 1;
  int32_t instrument = 1;
  std::vector<std::array<uint16_t, 3>> strings = {{64, 0, 0}, {59, 0, 0}, {55, 0, 0},
                                                  {50, 0, 0}, {45, 0, 0}, {40, 0, 0}};  // first, second, third
  std::optional<uint16_t> stringCount;                                                  // unset: strings.size()
  uint16_t sharedSecond = 0;                                                            // before 6.10
  uint8_t transpose = 0, mode = 0;
  std::array<uint16_t, 5> weights = {4, 2, 1, 3, 5};
  int16_t numberSize = 9;
  uint8_t numberFace = 1, weightByte = 0;
  uint8_t colourIndex = 0, numberColourIndex = 0;  // from 2.03
  uint8_t display = 3;
  uint16_t word301 = 0;
  uint8_t capo = 0, bits301 = 0;
  uint16_t gapWeight = 2;
  HarmonicaRecord harmonica;
  std::optional<AccordionRecord> accordion;
  uint8_t bits = 0;
  std::array<uint8_t, 3> bytes = {0, 0, 0};
  uint8_t shared = 1;
  std::array<uint8_t, 2> lastBytes = {0, 0};
  std::array<uint16_t, 3> rgb = {0, 0, 0};  // from 96.30
  int16_t font = 20;                        // from 96.30, with its name
  std::string fontName = "Times";
  TextStyleRecord third, second;
};
void WriteTablature(NativeWriter& w, const TablatureRecord& t);

// A law: name, five words, its model note and effects, and its switches and
// ranges (from 7.70, 8.00 and 8.50).
struct LawRecord {
  std::string name = "Law";
  uint16_t selectorA = 0xFFFF;
  int16_t pitch = -1;
  uint16_t selectorB = 0xFFFF, staffValue = 0, word = 0;
  uint16_t notePlayed = 100;
  std::vector<uint8_t> noteMarks;  // mark codes of the effects record
  std::array<uint8_t, 5> bytes770 = {1, 0, 0, 2, 0};
  uint8_t bits800 = 1, byte800 = 0;
  std::array<uint16_t, 4> ranges = {0, 127, 127, 0};
  uint8_t fundamental = 0, relative = 0;
  std::array<uint8_t, 3> bytes850 = {0, 0, 0};
};
void WriteLaw(NativeWriter& w, const LawRecord& l);

// A dynamic: type, text, style, switches, its times and vertical extent,
// offsets (from 8.00), colour and values, tempo settings, the percent, pass
// mask and shape (from 8.50) and the alignment (from 96.30).
struct DynamicRecord {
  int16_t type = 5;
  std::string text;
  TextStyleRecord style;
  uint8_t enabled = 1, bits = 0;
  int32_t start = 0, top = -36, end = 40320, bottom = -12;
  int16_t leftShift = 0, rightShift = 0;
  int16_t colour = 0;
  uint16_t value1 = 60, value2 = 0;
  uint32_t tempoUnit = 40320;
  int16_t tempoFlag = 0;
  uint8_t progressive = 0, tempoShown = 0;
  uint16_t percent = 100;
  uint32_t passes = 0x3FFFFFFF;
  uint8_t relative = 0;
  uint16_t shape1 = 33, shape2 = 66;
  uint16_t alignment = 0;
};
void WriteDynamic(NativeWriter& w, const DynamicRecord& d);

}  // namespace tamrel_test
