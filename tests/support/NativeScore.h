#pragma once
// Test-only writers of a native document's score blocks: the block itself,
// its staves, bar rows with their time divisions, key and clef entries, sign
// records with their effects, texts, ruptures, chord definitions, custom diagrams and the paste modes of
// accompaniments with their patterns. Written from the format's field lists,
// in file order with the version gates of the writer given; nothing is shared
// with the engine's reader. Each record's defaults make a sound record.
//
// Records whose readers come later are written in their empty form only
// (voice data, free objects, targets).
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "support/NativeDocument.h"
#include "support/NativeInstruments.h"
#include "support/NativeRecords.h"
#include "support/NativeStaffObjects.h"
#include "support/NativeTrack.h"
#include "support/NativeWriter.h"

namespace tamrel_test {

// A time division: the code (numerator), then values 2 to 5 (denominator,
// the two additive parts, the additive denominator), the symbol byte, and
// from 7.90 the switches and the beam masks.
struct DivisionRecord {
  int16_t numerator = 4;
  uint16_t denominator = 4;
  uint8_t additive1 = 4, additive2 = 0;
  uint16_t additiveDenominator = 4;
  uint8_t symbol = 0;
  bool firstSwitch = true, groupBy4 = true;                  // from 7.90
  std::array<uint16_t, 8> masks = {7, 0, 0, 0, 0, 0, 0, 0};  // from 7.90; 9.20 stores all eight
};
void WriteDivision(NativeWriter& w, const DivisionRecord& d);
DivisionRecord Division(int16_t numerator, uint16_t denominator);

struct BarRowRecord {
  uint16_t scale = 1000;
  uint8_t signatureVisible = 0;
  DivisionRecord division;
  bool systemBreak = false, pageBreak = false, continues = false, fourthBreak = false;
  int16_t leftMargin = 16, rightMargin = 0;                           // from 7.40
  bool notCounted = false, numberKept = false, numberHidden = false;  // from 8.00
  uint8_t noteSplit = 0;
  uint16_t restart = 0;
};
void WriteBarRow(NativeWriter& w, const BarRowRecord& row);

// A chord definition: the neck (none before 5.11, an i16 before 9.20, then a
// neck id and a presence byte), root and its accidental, the four interval
// choices (third, seventh, fifth, ninth), the custom-name bit with a value in
// the other seven, the octave and the name.
struct ChordDefRecord {
  int32_t neck = 0;
  uint8_t root = 0, rootAccidental = 2;
  int8_t third = 0, seventh = 2, fifth = 0, ninth = 2;
  bool customName = false;
  uint8_t value = 0;
  uint8_t octave = 4;
  std::string name = "C";
  bool noName = false;  // the length that marks no string
};
void WriteChordDef(NativeWriter& w, const ChordDefRecord& c);

struct DiagramRecord {
  ChordDefRecord chord;
  std::array<uint8_t, 6> strings = {0, 0, 0, 0, 0, 0};
  uint8_t baseFret = 1;
  std::array<uint8_t, 2> kept = {0, 0};
  std::vector<std::array<uint8_t, 3>> dots;
  std::optional<uint8_t> dotCount;  // unset: dots.size()
};
void WriteDiagram(NativeWriter& w, const DiagramRecord& d);

// A block of custom chord diagrams: format word, count, two bytes, the
// diagrams in the format's version, and the end marker.
struct CustomDiagramsRecord {
  uint16_t format = 512;
  std::optional<int16_t> count;  // unset: diagrams.size()
  uint8_t language = 1;
  std::vector<DiagramRecord> diagrams;
  uint16_t end = 256;
};
void WriteCustomDiagrams(NativeWriter& w, const CustomDiagramsRecord& b);

// A mark slot of an effects record.
struct MarkRecord {
  uint8_t code = 60, position = 0;
  uint8_t param2 = 0;  // from 5.12
  uint8_t param3 = 0, byte4 = 1, enabled = 1;
  int16_t font = 0;  // from 7.90, with its name when non-zero
  std::string fontName;
  uint8_t kept1 = 0, kept2 = 0;
  uint16_t word = 0;
  std::string text;       // from 98.05 only for codes 99 and 100
  uint16_t encoding = 0;  // from 9.20, with a byte
  uint8_t byte920 = 0;
  uint32_t graphicId = 0, graphicId2 = 0;           // code 106 from 9.60
  std::array<uint16_t, 3> nWords = {0, 600, 1800};  // code 110 from 9.60: i16, u16, u16
  std::array<uint8_t, 3> nBytes = {0, 248, 0};      // code 110: the three kept bytes
  uint16_t nWord = 0;
  std::string string963;  // from 9.63
};

struct GraceRecord {
  uint8_t used = 1, after = 0;
  int8_t offset = 0;
  uint8_t accidental = 2;
  int8_t durationOffset = 0;  // from 6.00
  uint8_t byte5 = 255;        // from 9.14
  uint8_t chord = 0;          // from 9.40
  uint8_t slur = 0;           // from 9.63
};

// An effects record: the values its marks set (written as zeros but for the
// first bend pair, the fermata and the pedal bytes), marks, grace notes, the
// tie or slur, the beam link (from 8.50), comma and arpeggio (from 7.70) and
// the last values (from 8.50).
struct EffectsRecord {
  int16_t bendHigh = 0;  // the first bend pair's high word (x4 before 9.00)
  uint16_t bendLow = 0;
  uint16_t fermata = 200;  // from 7.50
  uint8_t pedalDown = 0, pedalUp = 0;
  std::vector<MarkRecord> marks;  // before 7.90 ten slots, the unused empty
  std::optional<int16_t> markCount;
  std::vector<GraceRecord> graces;  // ten slots, the unused empty
  uint8_t gracesOff = 0;            // from 8.50
  uint16_t graceSize = 32;          // a byte of quarters before 8.50
  std::array<uint8_t, 4> layout = {' ', 0, 1, 1};
  uint32_t tieSource = 0, tieDest = 0;  // 16 bits before 8.50
  // start dx, start dy, control x (u16), control y (u16), thickness, colour, end dx, end dy
  std::array<uint8_t, 10> tieShape = {6, 8, 0x01, 0xF4, 0x03, 0xE8, 10, 0, 0, 8};
  uint8_t tieBits = 0;
  uint16_t tieWord = 0;
  uint16_t tieSourceStaff = 0xFFFF, tieDestStaff = 0xFFFF;  // from 8.50
  uint16_t smoothing = 0;                                   // from 9.60
  uint32_t beamSource = 0, beamDest = 0;
  uint16_t beamSourceStaff = 0xFFFF;
  std::array<uint16_t, 5> beam = {0, 50, 1, 1, 12};
  uint16_t beamGap = 6;
  uint8_t beamFlags1 = 0, beamFlags2 = 0;
  uint16_t beamInset = 0;  // from 9.10
  uint16_t comma = 0, arpeggioStart = 0, arpeggioStep = 20, arpeggioDown = 0;
  uint8_t keep = 0;
  uint16_t word2 = 0, word4 = 4;
  std::array<uint16_t, 3> lastWords = {0, 4, 1};  // from 9.20
  std::string string963;                          // from 9.63
};
void WriteEffects(NativeWriter& w, const EffectsRecord& e);

// A mark carried inline by a sign record before 5.00: its code and the byte
// of its parameters.
struct InlineMarkRecord {
  uint8_t code = 60, params = 0;
};

// A sign record of any version: before 5.00 with its inline marks, grace
// notes and tie ids, from 5.00 with its effects code (1 writes the effects
// record).
struct SignRecord {
  uint8_t kind = 60;
  uint8_t second = 64;
  uint8_t beforeWritten = 0;
  uint16_t flags = 0;  // bits 0 to 2 before 8.50, the low byte from 8.50
  uint8_t fourth = 2;
  uint32_t duration = 40320;
  uint8_t tuplet0 = 0, tuplet1 = 0, tupletHigh = 0;  // the last from 8.00
  std::array<uint8_t, 3> signBytes = {0, 0, 0};      // from 8.00
  uint8_t signByte4 = 0;                             // from 96.30
  uint8_t last800 = 3;                               // from 8.00
  uint16_t played = 100;
  uint8_t string = 0, fret = 0;  // from 3.01
  bool hidden = false;           // its own byte before 8.50
  uint8_t option1 = 0, option2 = 0, option3 = 0;
  uint8_t after1 = 0, after2 = 0;
  uint32_t written = 40320;
  uint16_t shortDuration = 0;  // a byte before 7.70
  uint8_t effects = 0;         // 1 writes effectsRecord
  EffectsRecord effectsRecord;
  uint8_t byte800 = 0;
  std::array<uint8_t, 3> bytes963 = {0, 0, 0};
  // Before 5.00 (from 3.20).
  std::vector<InlineMarkRecord> inlineMarks;
  std::vector<uint8_t> inlineGraces;  // bit 7 after, bit 6 below, bits 0..5 the offset
  uint16_t inlineTieSource = 0, inlineTieDest = 0;
  std::array<uint8_t, 10> inlineTieShape = {1, 2, 0, 3, 0, 4, 5, 6, 7, 8};
};
void WriteSign(NativeWriter& w, const SignRecord& s);

struct KeyEntryRecord {
  uint16_t bar = 0;
  int16_t key = 0;  // standard key index
  uint8_t mode = 1, tonicDegree = 0, tonicAlteration = 2;
  uint8_t cancellation = 2;  // from 8.00
  int8_t drumGrid = 0;       // from 8.50
  int16_t visible = 7;
  int16_t reminder = 0;  // from 9.40
  uint8_t clefColour = 0;
  uint32_t clefType = 1;
  int8_t lineShift = 0, octaveShift = 0;
  uint8_t baseNote = 64, clefByte = 0, backgroundHidden = 0;
  int16_t kept1 = 0, kept2 = 0;
  std::vector<int16_t> lines;  // from 9.60: 256 values; empty writes the identity
};
void WriteKeyEntry(NativeWriter& w, const KeyEntryRecord& e);

// A staff text or lyric cell.
struct TextRecord {
  int32_t start = 0, firstRow = 0, end = 40320, lastRow = 1;
  uint16_t display1 = 0, display2 = 0;  // from 8.00
  TextStyleRecord style;
  std::string text = "la";
  std::optional<int16_t> length;  // unset: the text's
  uint8_t line = 0;               // from 5.12
  uint16_t encoding = 0;          // from 9.20
  uint32_t link = 0;              // from 9.40
};
void WriteText(NativeWriter& w, const TextRecord& t);

// A bar line, repeat, ending or jump, from 7.40.
struct RuptureRecord {
  int16_t bar = 0, placement = 0, barLine = 0;
  std::string text;
  bool terminated = true;
  TextStyleRecord style;
  uint16_t verticalOffset = 0;
  int16_t horizontalOffset = 0, type = 0;
  uint16_t target = 0;
  int16_t al = 0, passesMode = 0;
  uint16_t passes = 0;
  std::array<uint8_t, 16> endings = {};
  uint8_t colour = 0;  // from 7.90
};
void WriteRupture(NativeWriter& w, const RuptureRecord& r);

struct StaffRecord {
  uint16_t type = 0;
  uint32_t id = 0;  // from 9.40
  std::string name = "Piano";
  TextStyleRecord nameStyle;  // from 6.10, with nameValue
  int16_t nameValue = 0;
  std::array<uint16_t, 2> nameValues = {0, 0};  // from 7.80
  uint16_t nameEncoding = 0;                    // from 9.20
  std::string shortName = "Pno.";               // from 7.90
  std::array<uint16_t, 2> shortNameValues = {0, 0};
  uint16_t shortNameEncoding = 0;  // from 9.20, with its style
  TextStyleRecord shortNameStyle;
  uint8_t display = 1, staffByte = 1;
  uint16_t marker = 0xFFFF;
  uint16_t indexValue = 0;  // from 9.20
  uint8_t viewFlags = 0, nibbles = 0;
  uint8_t barNumberSetting = 0, barNumberByte = 0, barNumberMinimum = 3;
  // Chord line: from 7.50 the block, before a flag byte and the ratio.
  uint8_t chordSwitch = 0;
  std::array<uint8_t, 6> chordSettings = {0, 0, 0, 0, 0, 0};
  uint16_t chordValue1 = 0, chordValue2 = 0;
  uint8_t chordByte = 0;   // from 8.50
  uint8_t chordFlags = 0;  // before 7.50
  uint8_t direction = 0;
  uint16_t ratio = 0;
  std::string chordString;
  TextStyleRecord barNumberStyle;  // from 5.11
  uint16_t barNumberInterval = 5;
  uint8_t barNumberFlags = 0;
  int32_t neck = 0;
  uint8_t neckByte = 0;
  uint16_t word13 = 0, rollHeight = 100, rollBase = 50, chordLines = 0;
  uint16_t size = 12;
  std::array<uint8_t, 5> lineSettings = {0, 0, 0, 0, 0};  // from 2.03
  std::vector<SignRecord> notes;
  std::optional<int32_t> noteCount;  // unset: notes.size(); -1 and above 32767 take the long form
  bool longCount = false;
  uint8_t byte18 = 0;
  std::string string19;  // from 7.50, with a style and a word
  uint16_t word19 = 0;
  std::array<uint8_t, 7> groupBytes = {0, 0, 0, 0, 0, 0, 0};  // the first alone before 9.60
  std::vector<TextRecord> texts;
  TextStyleRecord textStyle;
  std::vector<PlacementRecord> placements;
  std::vector<GraphicRecord> graphics;  // with the document's graphics lists
  // Unset: the record that says "no tablature" (documents from 3.01 to 7.4F
  // always store the whole record: a default one with a presence of 0).
  std::optional<TablatureRecord> tablature;
  std::vector<LawRecord> laws;                         // from 6.00
  std::vector<DynamicRecord> dynamics;                 // from 6.10
  std::optional<CustomDiagramsRecord> customDiagrams;  // from 9.60
  uint8_t karaoke = 0;
  uint8_t languageByte = 0, textLineByte = 0;  // the first from 6.00
  uint16_t textLineBase = 40;
  std::optional<std::vector<KeyEntryRecord>> keys;  // from 6.10; unset: one entry at bar 0
  uint16_t mergeWord1 = 1, mergeWord2 = 0;
  uint8_t mergeByte1 = 0, mergeByte2 = 0;
  int16_t mergeValue = 0;
  uint8_t merged = 0, mergeMode = 0;
  uint16_t trackVolume = 127, trackPan = 64;  // type 10 from 7.00: a track without samples
  int32_t trackSamples = 0;
  std::optional<TrackRecord> track;  // written in full instead, samples and all
  uint8_t voiceMarker = 2;           // from 7.30: 2 is no voice data
  uint8_t slope = 26, beams = 0;
  std::string shortName31;  // from 8.00
};
void WriteStaff(NativeWriter& w, const StaffRecord& s, bool graphics);

struct PatternRecord {
  std::string name = "Pattern";
  bool noName = false;
  int32_t time1 = 0, time2 = 161280;
  int16_t type = 2;
  std::array<int16_t, 3> values = {0, 0, 0};
  StaffRecord staff;              // from 8.50
  std::vector<SignRecord> notes;  // before 8.50
  std::optional<int16_t> noteCount;
};
void WritePattern(NativeWriter& w, const PatternRecord& p);

struct PasteModeRecord {
  uint16_t mode = 0;
  std::optional<PatternRecord> pattern;
  uint16_t value = 0;
  uint8_t switchByte = 0;
};
void WritePasteMode(NativeWriter& w, const PasteModeRecord& m);

struct AccompanimentRecord {
  std::string name = "Accompaniment";
  uint16_t word1 = 0, word2 = 0;
  PasteModeRecord paste;
  std::vector<std::pair<uint16_t, int16_t>> oldRanges;  // before 3.00
};

// One chord-grid bar: its stored count (unset: the chords' number) and chords.
struct GridBarRecord {
  std::optional<uint8_t> count;
  std::vector<ChordDefRecord> chords;
};

struct RhythmRecord {
  std::string name = "Rock";
  uint16_t word = 0, numerator = 4, denominator = 4;
  struct Row {
    std::string name = "Kick";
    uint16_t word = 0;
    std::vector<SignRecord> notes;
  };
  std::vector<Row> rows;
};

// Old ruptures (before 7.40): kind, bar, passes, 2 spare bytes, action.
struct OldRuptureRecord {
  int16_t kind = 1, bar = 0, passes = 0, action = 0;
};

struct OldBarChangeRecord {
  uint16_t bar = 0;
  int16_t key = 0;
  uint16_t numerator = 0, denominator = 0;  // from 2.03
  uint8_t visible = 7;                      // from 3.20
};

struct ScoreRecord {
  uint16_t zoom = 72;
  uint8_t mode = 1;  // from 7.01
  int16_t floatZoom = 72;
  uint16_t word4 = 0;
  int16_t oldKey = 0;                   // before 6.10, with the reference duration
  uint32_t referenceDuration = 161280;  // a u16 of 420ths before 3.20
  uint16_t word6 = 0;
  uint16_t oldNumerator = 4, oldDenominator = 4;  // before 6.10
  uint32_t value630 = 0;
  uint16_t widthFactor = 10;
  // The settings before the staff count, in file order.
  uint8_t settingA = 0;
  uint16_t settingA1 = 0, settingA2 = 0;
  uint8_t oldDivision = 0;  // before 6.10
  uint8_t settingB = 0;
  uint16_t settingC = 0;
  uint8_t settingCByte = 0, settingD = 0;
  std::array<uint8_t, 4> settingsE = {0, 0, 0, 0};
  uint8_t setting940 = 0, settingF = 0, setting720 = 0, setting9701 = 0;
  uint32_t setting511 = 0;  // a u16 before 9.20
  uint16_t setting301 = 0;
  uint8_t switches850 = 0;  // 8.50 to 9.0F
  std::vector<StaffRecord> staves;
  std::optional<uint16_t> staffCount;
  uint16_t lastBar = 0;
  std::vector<OldRuptureRecord> oldRuptures;       // before 7.40
  std::vector<RuptureRecord> ruptures;             // from 7.40
  std::optional<std::vector<int16_t>> playedBars;  // from 9.20
  std::vector<AccompanimentRecord> accompaniments;
  std::vector<InstrumentRecord> instruments = {InstrumentRecord{}};
  std::optional<int16_t> gridCount;
  std::vector<GridBarRecord> grid;
  std::vector<RhythmRecord> rhythms;
  std::vector<OldBarChangeRecord> oldBarChanges;  // before 6.10
  uint8_t documentByte = 0, scoreByte = 0, byte920 = 0;
  std::vector<BarRowRecord> bars = {BarRowRecord{}};
  std::optional<uint16_t> barCount;
  uint8_t byteBeforeSpacing = 0;
  uint16_t spacingWhole = 240;                         // from 7.80, the first of the spacing widths
  std::optional<CustomDiagramsRecord> customDiagrams;  // from 9.30
};
void WriteScore(NativeWriter& w, const ScoreRecord& s, bool graphics);
// The block as a section of NativeDocument; the graphics lists follow the
// document's version (from 2.02).
SectionWriter ScoreSection(ScoreRecord s);

}  // namespace tamrel_test
