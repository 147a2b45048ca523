#include "support/NativeScore.h"

#include <stdexcept>

namespace tamrel_test {

namespace {

// A neck as stored from 9.20: its id and a presence byte (0: no neck record).
void WriteNeckRef(NativeWriter& w, int32_t id) {
  w.I32(id);
  w.U8(0);
}

// The graphic mode from 9.20, every value 0 (the reader's defaults stand for
// the zeros it replaces), no optional style.
void WriteGraphicMode(NativeWriter& w) {
  w.Gap(3);                              // bytes 0, 1, 220
  w.Gap((8 + 6 + 6) * 2);                // 4..18, 22..32, 36..46
  w.Gap((4 + 5 + 5) * 2);                // 50, 52, 62, 64; 66..72, 86; 88..94, 108
  w.Gap(2);                              // slots 56 and 55
  w.Gap(12 * 2);                         // 114..136
  w.Gap(2);                              // slots 70 and 69
  w.Gap(6 * 2);                          // 142..152
  w.Gap(2);                              // slots 78 and 77
  w.Gap((8 + 7) * 2);                    // 158..172, 180..192
  WriteTextStyle(w, TextStyleRecord{});  // 194
  w.Gap(6 * 2);                          // 206..216
  w.Gap((1 + 1 + 2 + 3) * 2);            // 20, 54, 48, 56, 174..178
  w.U8(0);                               // no style at 74
  w.U8(0);                               // no style at 96
  w.Gap(2 * 2 + 1 + 2);                  // 58, 60, byte 3, 34
  if (w.From(0x0963)) w.Gap(4 * 2 + 1 + 2);
  if (w.From(0x9631)) {
    WriteTextStyle(w, TextStyleRecord{});
    w.U8(0);
  }
  if (w.From(0x9701)) w.Gap(4 * 2 + 37);
}

// The spacing setup from 7.80: switches, seven widths and the other values.
void WriteSpacing(NativeWriter& w, uint16_t whole) {
  w.U8(0);
  w.U8(0);
  const uint16_t widths[5] = {whole, 160, 120, 80, 60};
  for (uint16_t x : widths) w.U16(x);
  for (int i = 0; i < 5; i++) w.U16(10);  // gap, accidental, grace, short extra, minimum scale
  w.U16(2000);                            // maximum scale
  w.U16(1000);                            // rest scale
  w.U16(35);                              // lyric factor
  w.U16(50);                              // 32nd
  w.U16(40);                              // 64th
  w.U8(0);                                // per staff
  w.Gap(9);
}

void WriteMatrix(NativeWriter& w) {
  w.U16(0);
  w.U16(0);
  w.U8(0);
  w.Gap(128);
  w.Gap(6 * 2);
  w.U16(0);                      // rows
  if (w.From(0x0630)) w.I16(0);  // sound effects
}

}  // namespace

DivisionRecord Division(int16_t numerator, uint16_t denominator) {
  DivisionRecord d;
  d.numerator = numerator;
  d.denominator = denominator;
  d.additive1 = uint8_t(numerator);
  d.additiveDenominator = denominator;
  d.groupBy4 = numerator == 4 && denominator == 4;
  return d;
}

void WriteDivision(NativeWriter& w, const DivisionRecord& d) {
  w.I16(d.numerator);
  w.U8(d.additive2);  // value 4
  w.U8(d.additive1);  // value 3
  w.U16(d.denominator);
  w.U16(d.additiveDenominator);
  w.U8(d.symbol);
  if (!w.From(0x0790)) return;
  w.U8((d.firstSwitch ? 1 : 0) | (d.groupBy4 ? 2 : 0));
  w.U16(d.masks[0]);
  if (!w.From(0x0920)) return;
  for (int i = 1; i < 8; i++) w.U16(d.masks[i]);
  w.Gap(18);
}

void WriteBarRow(NativeWriter& w, const BarRowRecord& r) {
  w.U16(r.scale);
  w.U8(r.signatureVisible);
  WriteDivision(w, r.division);
  w.U8((r.systemBreak ? 1 : 0) | (r.fourthBreak ? 2 : 0) | (r.pageBreak ? 4 : 0) | (r.continues ? 8 : 0));
  if (w.From(0x0740)) {
    w.I16(r.leftMargin);
    w.I16(r.rightMargin);
  }
  if (w.From(0x0800)) {
    w.U8((r.notCounted ? 1 : 0) | (r.numberKept ? 2 : 0) | (r.numberHidden ? 4 : 0));
    w.U8(r.noteSplit);
    w.U16(r.restart);
  }
}

void WriteChordDef(NativeWriter& w, const ChordDefRecord& c) {
  if (w.From(0x0920)) WriteNeckRef(w, c.neck);
  else if (w.From(0x0511)) w.I16(int16_t(c.neck));
  w.U8(c.root);
  w.U8(c.rootAccidental);
  w.U8(uint8_t(c.third));
  w.U8(uint8_t(c.seventh));
  w.U8(uint8_t(c.fifth));
  w.U8(uint8_t(c.ninth));
  w.U8((c.customName ? 1 : 0) | uint8_t(c.value << 1));
  w.U8(c.octave);
  if (c.noName) w.NoString();
  else w.String(c.name);
}

void WriteDiagram(NativeWriter& w, const DiagramRecord& d) {
  WriteChordDef(w, d.chord);
  w.Bytes(d.strings.data(), d.strings.size());
  w.U8(d.baseFret);
  w.Bytes(d.kept.data(), d.kept.size());
  w.U8(d.dotCount ? *d.dotCount : uint8_t(d.dots.size()));
  for (const auto& dot : d.dots) w.Bytes(dot.data(), dot.size());
}

namespace {

void WriteMark(NativeWriter& w, const MarkRecord& m) {
  w.U8(m.code);
  w.U8(m.position);
  if (w.From(0x0512)) w.U8(m.param2);
  w.U8(m.param3);
  w.U8(m.byte4);
  w.U8(m.enabled);
  if (w.From(0x0790)) {
    w.I16(m.font);
    if (m.font) w.String(m.fontName);
    w.U8(0);
    w.U8(m.kept1);
    w.U8(0);
    w.U8(m.kept2);
    w.U16(m.word);
  }
  if (!w.From(0x9805) || m.code == 99 || m.code == 100) w.String(m.text);
  if (!w.From(0x0920)) return;
  w.U16(m.encoding);
  w.U8(m.byte920);
  if (w.From(0x0960) && m.code == 106) {
    w.U32(m.graphicId);
    w.U32(m.graphicId2);
  } else if (w.From(0x0960) && m.code == 110) {
    w.I16(int16_t(m.nWords[0]));
    w.U16(m.nWords[1]);
    w.U16(m.nWords[2]);
    w.U8(1);
    w.U8(m.nBytes[0]);
    w.U16(m.nWord);
    w.U8(0);
    w.U8(m.nBytes[1]);
    w.U8(0);
    w.U8(m.nBytes[2]);
  }
  if (w.From(0x0963)) w.String(m.string963);
}

void WriteLinkId(NativeWriter& w, uint32_t id) {
  if (w.From(0x0850)) w.U32(id);
  else w.U16(id);
}

}  // namespace

void WriteEffects(NativeWriter& w, const EffectsRecord& e) {
  // The values marks set: the first bend pair, the rest zero.
  w.U8(0);
  w.I16(e.bendHigh);
  w.U16(e.bendLow);
  w.I16(0);
  w.U16(0);
  w.U16(0);
  w.U8(0);
  w.Gap(8);
  w.U8(0);
  w.U16(0);
  w.U16(0);
  if (w.From(0x0850)) w.U16(100);
  w.U8(0);
  w.Gap(4);
  w.U8(0);
  w.U16(0);
  w.Gap(3);
  w.Gap(4);
  if (w.From(0x0610)) {
    w.U16(0);
    w.U16(100);
    w.U16(0);
  }
  w.U8(0);
  w.Gap(8);
  if (w.From(0x0750)) w.U16(e.fermata);
  w.U8(e.pedalDown);
  w.U8(e.pedalUp);

  if (w.From(0x0790)) {
    w.I16(e.markCount ? *e.markCount : int16_t(e.marks.size()));
    for (const MarkRecord& m : e.marks) WriteMark(w, m);
  } else {
    if (e.marks.size() > 10) throw std::invalid_argument("at most ten mark slots before 7.90");
    MarkRecord vide;
    vide.code = 0;
    for (size_t i = 0; i < 10; i++) WriteMark(w, i < e.marks.size() ? e.marks[i] : vide);
  }
  for (size_t i = 0; i < 10; i++) {
    GraceRecord g;
    if (i < e.graces.size()) g = e.graces[i];
    else g = GraceRecord{0, 0, 0, 0, 0, 0, 0, 0};
    w.U8(g.used);
    w.U8(g.after);
    w.U8(uint8_t(g.offset));
    w.U8(g.accidental);
    if (w.From(0x0600)) w.U8(uint8_t(g.durationOffset));
    if (w.From(0x0914)) w.U8(g.byte5);
    if (w.From(0x0940)) w.U8(g.chord);
    if (w.From(0x0963)) w.U8(g.slur);
  }
  if (w.From(0x0850)) {
    w.U8(e.gracesOff);
    w.U16(e.graceSize);
  } else {
    w.U8(e.graceSize / 4);
  }
  w.Bytes(e.layout.data(), e.layout.size());

  WriteLinkId(w, e.tieSource);
  w.Bytes(e.tieShape.data(), e.tieShape.size());
  WriteLinkId(w, e.tieDest);
  w.U8(e.tieBits);
  w.U16(e.tieWord);
  if (w.From(0x0850)) {
    w.U16(e.tieSourceStaff);
    w.U16(e.tieDestStaff);
    if (w.From(0x0960)) w.U16(e.smoothing);
    w.U32(e.beamSource);
    w.U16(e.beamSourceStaff);
    w.U32(e.beamDest);
    for (uint16_t b : e.beam) w.U16(b);
    w.U16(e.beamGap);
    w.U8(e.beamFlags1);
    w.U8(e.beamFlags2);
    if (w.From(0x0910)) w.U16(e.beamInset);
  }
  if (w.From(0x0770)) {
    w.U16(e.comma);
    w.U16(e.arpeggioStart);
    w.U16(e.arpeggioStep);
    w.U16(e.arpeggioDown);
  }
  if (w.From(0x0850)) {
    w.U8(e.keep);
    w.U16(e.word2);
    w.U16(e.word4);
    w.Gap(11);
    if (w.From(0x0920))
      for (uint16_t v : e.lastWords) w.U16(v);
    if (w.From(0x0963)) w.String(e.string963);
  }
}

void WriteSign(NativeWriter& w, const SignRecord& s) {
  w.U8(s.kind);
  w.U8(s.second);
  w.U8(s.beforeWritten);
  if (!w.From(0x0320)) {
    // One byte: flag bits 0, 1, then bit 9 and bit 2, the fourth byte above.
    w.U8((s.flags & 3) | ((s.flags >> 9) & 1) << 2 | ((s.flags >> 2) & 1) << 3 | (s.fourth & 15) << 4);
    if (s.duration % 420) throw std::invalid_argument("old durations are whole 420ths");
    w.I16(int16_t(s.duration / 420));
    w.U16(s.played);
    if (!w.From(0x0300)) w.Gap(4);
    if (w.From(0x0301)) {
      w.U8(s.string);
      w.U8(s.fret);
    }
    return;
  }
  if (w.From(0x0850)) {
    w.U8(s.flags & 0xFF);
  } else {
    for (int bit = 0; bit < 3; bit++) w.U8((s.flags >> bit) & 1);
  }
  w.U8(s.fourth);
  w.U32(s.duration);
  w.U8(s.tuplet0);
  w.U8(s.tuplet1);
  if (w.From(0x0800)) {
    w.U8(s.tupletHigh);
    w.Bytes(s.signBytes.data(), s.signBytes.size());
    if (w.From(0x9630)) w.U8(s.signByte4);
    w.U8(s.last800);
  }
  w.U16(s.played);
  w.U8(s.string);
  w.U8(s.fret);
  if (!w.From(0x0850)) w.U8(s.hidden ? 1 : 0);
  const bool rest = s.kind >= 128;
  if (rest) {
    w.U8(s.option3);
    if (w.From(0x0600)) w.U8(s.option2);
    w.U8(s.option1);
  } else {
    w.U8(s.option1);
    if (w.From(0x0600)) w.U8(s.option2);
    w.U8(s.option3);
  }
  w.U8(s.after1);
  w.U8(s.after2);
  if (!w.From(0x0500)) {
    // Each mark's code comes before it; the byte after the last is the grace count.
    const size_t n = s.inlineMarks.size();
    const uint8_t graces = uint8_t(s.inlineGraces.size());
    w.U8(uint8_t(n));
    w.U8(n ? s.inlineMarks[0].code : graces);
    for (size_t i = 0; i < n; i++) {
      w.U8(s.inlineMarks[i].params);
      w.Gap(5);
      w.U8(i + 1 < n ? s.inlineMarks[i + 1].code : graces);
    }
    for (size_t k = 0; k <= s.inlineGraces.size(); k++) w.U8(k < s.inlineGraces.size() ? s.inlineGraces[k] : 0);
    w.U32(s.written);
    w.U16(s.inlineTieSource);
    if (s.inlineTieSource) w.Bytes(s.inlineTieShape.data(), s.inlineTieShape.size());
    w.U16(s.inlineTieDest);
    return;
  }
  w.U32(s.written);
  if (w.From(0x0770)) w.U16(s.shortDuration);
  else w.U8(uint8_t(s.shortDuration));
  w.U8(s.effects);
  if (s.effects == 1) WriteEffects(w, s.effectsRecord);
  if (w.From(0x0800)) w.U8(s.byte800);
  if (w.From(0x0963)) w.Bytes(s.bytes963.data(), s.bytes963.size());
}

void WriteText(NativeWriter& w, const TextRecord& t) {
  w.I32(t.start);
  w.I32(t.firstRow);
  w.I32(t.end);
  w.I32(t.lastRow);
  if (w.From(0x0800)) {
    w.U16(t.display1);
    w.U16(t.display2);
  }
  WriteTextStyle(w, t.style);
  w.I16(t.length ? *t.length : int16_t(t.text.size()));
  w.Text(t.text);
  if (w.From(0x0512)) w.U8(t.line);
  if (w.From(0x0920)) w.U16(t.encoding);
  if (w.From(0x0940)) w.U32(t.link);
}

void WriteRupture(NativeWriter& w, const RuptureRecord& r) {
  w.I16(r.bar);
  w.I16(r.placement);
  w.I16(r.barLine);
  w.Text(r.text);
  if (!r.terminated) return;
  w.U8(0);
  WriteTextStyle(w, r.style);
  w.U16(r.verticalOffset);
  w.I16(r.horizontalOffset);
  w.I16(r.type);
  w.U16(r.target);
  w.I16(r.al);
  w.I16(r.passesMode);
  w.U16(r.passes);
  w.Bytes(r.endings.data(), r.endings.size());
  if (w.From(0x0790)) w.U8(r.colour);
}

void WriteKeyEntry(NativeWriter& w, const KeyEntryRecord& e) {
  w.U16(e.bar);
  w.I16(e.key);
  w.U8(e.mode);
  w.U8(e.tonicDegree);
  w.U8(e.tonicAlteration);
  if (w.From(0x0800)) w.U8(e.cancellation);
  if (w.From(0x0850)) w.U8(uint8_t(e.drumGrid));
  w.I16(e.visible);
  if (w.From(0x0940)) w.I16(e.reminder);
  w.U8(e.clefColour);
  w.U32(e.clefType);
  w.U8(uint8_t(e.lineShift));
  w.U8(uint8_t(e.octaveShift));
  w.U8(e.baseNote);
  w.U8(e.clefByte);
  w.U8(e.backgroundHidden);
  w.I16(e.kept1);
  w.I16(e.kept2);
  if (!w.From(0x0960)) return;
  w.U16(0);  // no effects record
  for (int i = 0; i < 256; i++) w.I16(e.lines.empty() ? int16_t(i) : e.lines[size_t(i)]);
}

void WriteStaff(NativeWriter& w, const StaffRecord& s, bool graphics) {
  w.U16(s.type);
  if (w.From(0x0940)) w.U32(s.id);
  w.String(s.name);
  if (w.From(0x0610)) {
    WriteTextStyle(w, s.nameStyle);
    w.I16(s.nameValue);
  }
  if (w.From(0x0780)) {
    w.U16(s.nameValues[0]);
    w.U16(s.nameValues[1]);
  }
  if (w.From(0x0920)) w.U16(s.nameEncoding);
  if (w.From(0x0790)) {
    w.String(s.shortName);
    w.U16(s.shortNameValues[0]);
    w.U16(s.shortNameValues[1]);
  }
  if (w.From(0x0920)) {
    w.U16(s.shortNameEncoding);
    WriteTextStyle(w, s.shortNameStyle);
  }
  w.U8(s.display);
  w.U8(s.staffByte);
  w.U16(s.marker);
  if (w.From(0x0920)) w.U16(s.indexValue);
  if (w.From(0x0850)) w.U32(0);  // an empty collection
  if (!w.From(0x0203)) {
    w.Gap(2);
  } else {
    w.U8(s.viewFlags);
    if (!w.From(0x0910)) w.U8(s.nibbles);
  }
  w.U8(s.barNumberSetting);
  w.U8(s.barNumberByte);
  w.U8(s.barNumberMinimum);
  if (w.From(0x0750)) {
    w.U8(s.chordSwitch);
    w.Bytes(s.chordSettings.data(), s.chordSettings.size());
    w.U16(s.chordValue1);
    w.U16(s.chordValue2);
    if (w.From(0x0850)) w.U8(s.chordByte);
    WriteTextStyle(w, TextStyleRecord{});
    WriteTextStyle(w, TextStyleRecord{});
    w.U8(0);
    w.U8(0);
    w.U8(s.direction);
    w.U16(s.ratio);
    w.String(s.chordString);
    WriteTextStyle(w, TextStyleRecord{});
  } else {
    w.U8(s.chordFlags);
    w.U16(s.ratio);
  }
  if (w.From(0x0511)) {
    WriteTextStyle(w, s.barNumberStyle);
    w.U16(s.barNumberInterval);
    w.U8(s.barNumberFlags);
    if (w.From(0x0920)) WriteNeckRef(w, s.neck);
    else w.I16(int16_t(s.neck));
    w.U8(s.neckByte);
  }
  w.U16(s.word13);
  w.U16(s.rollHeight);
  if (w.From(0x0301)) {
    w.U16(s.rollBase);
    w.U16(s.chordLines);
  }
  w.U16(s.size);
  if (w.From(0x0203)) w.Bytes(s.lineSettings.data(), s.lineSettings.size());

  const int32_t count = s.noteCount ? *s.noteCount : int32_t(s.notes.size());
  if (s.longCount || count > 32767) {
    w.I16(-1);
    w.I32(count);
  } else {
    w.I16(int16_t(count));
  }
  for (const SignRecord& n : s.notes) WriteSign(w, n);

  w.U8(s.byte18);
  if (w.From(0x0750)) {
    w.String(s.string19);
    WriteTextStyle(w, TextStyleRecord{});
    w.U16(s.word19);
  }
  w.U8(s.groupBytes[0]);
  if (w.From(0x0960)) {
    w.Bytes(s.groupBytes.data() + 1, 6);
    w.Gap(32);
  }
  w.I16(int16_t(s.texts.size()));
  for (const TextRecord& t : s.texts) WriteText(w, t);
  WriteTextStyle(w, s.textStyle);
  w.I16(int16_t(s.placements.size()));
  for (const PlacementRecord& p : s.placements) WritePlacement(w, p);
  if (graphics) {
    w.I16(int16_t(s.graphics.size()));
    for (const GraphicRecord& g : s.graphics) WriteGraphic(w, g);
  }
  if (s.tablature) {
    WriteTablature(w, *s.tablature);
  } else {
    TablatureRecord absente;
    absente.present = 0;
    WriteTablature(w, absente);
  }
  if (!w.From(0x0500)) return;

  w.U8(s.karaoke);
  if (w.From(0x0512)) {
    WriteTextStyle(w, TextStyleRecord{});
    if (w.From(0x0750)) WriteTextStyle(w, TextStyleRecord{});
  }
  if (w.From(0x0600)) w.U8(s.languageByte);
  w.U8(s.textLineByte);
  w.U16(s.textLineBase);
  if (w.From(0x0600)) {
    w.I16(int16_t(s.laws.size()));
    for (const LawRecord& l : s.laws) WriteLaw(w, l);
  }
  if (w.From(0x0610)) {
    w.I16(int16_t(s.dynamics.size()));
    for (const DynamicRecord& d : s.dynamics) WriteDynamic(w, d);
  }
  if (w.From(0x0630)) w.I16(0);  // sound effects
  if (w.From(0x0610)) {
    const std::vector<KeyEntryRecord> keys = s.keys ? *s.keys : std::vector<KeyEntryRecord>{KeyEntryRecord{}};
    w.U16(uint16_t(keys.size()));
    for (const KeyEntryRecord& e : keys) WriteKeyEntry(w, e);
  }
  w.U16(s.mergeWord1);
  w.U16(s.mergeWord2);
  w.U8(s.mergeByte1);
  w.U8(s.mergeByte2);
  w.I16(s.mergeValue);
  w.U8(s.merged);
  w.U8(s.mergeMode);
  if (w.From(0x0700) && s.type == 10 && s.track) {
    WriteTrack(w, *s.track);
  } else if (w.From(0x0700) && s.type == 10) {
    if (w.From(0x0964)) {
      w.U32(44100);
      w.I16(16);
    }
    w.U16(s.trackVolume);
    w.U16(s.trackPan);
    w.I32(s.trackSamples);
    w.Gap(6);
    WriteTextStyle(w, TextStyleRecord{});
    w.U16(0);  // markers
    if (w.From(0x0800)) w.U8(0);
    if (w.From(0x9632)) w.I32(576);
  }
  if (w.From(0x0751)) {
    w.Gap(16);
    w.U16(0);
    w.U16(0);
  }
  if (w.From(0x0770)) {
    w.U8(0);
    w.U8(0);
    if (w.From(0x0850)) w.U8(0);
    w.U8(0);
    w.U8(0);
    w.U8(0);
  }
  if (w.From(0x0800)) {
    w.U8(0);
    w.String(s.shortName31);
    w.U32(0);  // no curve
  }
  w.U8(0);
  w.U8(0);
  w.U8(0);
  w.U8(0);
  w.U8(s.slope);
  w.U8(s.beams);
  if (w.From(0x0730)) w.U8(s.voiceMarker);
  if (w.From(0x0910)) w.I16(0);  // height events
  if (w.From(0x0940)) w.Gap(4);
  if (w.From(0x0960)) {
    w.U32(0);
    w.U8(0);
    w.U8(0);
    if (w.From(0x9631)) w.U8(0);
    if (w.From(0x9701)) w.U8(0);
    w.U8(s.customDiagrams ? 1 : 0);
    if (s.customDiagrams) WriteCustomDiagrams(w, *s.customDiagrams);
    w.U8(0);
    w.U8(0);
    w.Gap(26);
  }
}

void WritePattern(NativeWriter& w, const PatternRecord& p) {
  if (p.noName) {
    w.NoString();
    return;
  }
  w.String(p.name);
  if (w.From(0x0320)) {
    w.I32(p.time1);
    w.I32(p.time2);
  } else {
    w.I16(int16_t(p.time1 / 420));
    w.I16(int16_t(p.time2 / 420));
  }
  w.I16(p.type);
  for (int16_t v : p.values) w.I16(v);
  if (w.From(0x0850)) {
    WriteStaff(w, p.staff, true);
    return;
  }
  w.I16(p.noteCount ? *p.noteCount : int16_t(p.notes.size()));
  for (const SignRecord& n : p.notes) WriteSign(w, n);
}

void WritePasteMode(NativeWriter& w, const PasteModeRecord& m) {
  w.U16(m.mode);
  w.U16(m.pattern ? 1 : 0);
  if (m.pattern) WritePattern(w, *m.pattern);
  w.U16(m.value);
  w.U8(m.switchByte);
  w.Gap(1);
  if (!w.From(0x0300)) w.Gap(6);
}

void WriteScore(NativeWriter& w, const ScoreRecord& s, bool graphics) {
  w.U16(s.zoom);
  if (w.From(0x0701)) w.U8(s.mode);
  else w.Gap(1);
  w.Gap(1);
  w.I16(s.floatZoom);
  w.U16(s.word4);
  w.Gap(8);
  if (!w.From(0x0610)) {
    w.I16(s.oldKey);
    if (w.From(0x0320)) w.U32(s.referenceDuration);
    else w.U16(s.referenceDuration / 420);
  }
  w.U16(s.word6);
  if (!w.From(0x0610)) {
    w.U16(s.oldNumerator);
    w.U16(s.oldDenominator);
  }
  if (w.From(0x0630)) w.U32(s.value630);
  w.U16(s.widthFactor);

  w.U8(s.settingA);
  w.U16(s.settingA1);
  w.U16(s.settingA2);
  if (!w.From(0x0610)) w.U8(s.oldDivision);
  w.U8(s.settingB);
  w.U16(s.settingC);
  w.U8(s.settingCByte);
  w.U8(s.settingD);
  w.Bytes(s.settingsE.data(), s.settingsE.size());
  if (w.From(0x0940)) w.U8(s.setting940);
  w.U8(s.settingF);
  if (w.From(0x0720)) w.U8(s.setting720);
  if (w.From(0x9701)) w.U8(s.setting9701);
  if (w.From(0x0511)) {
    if (w.From(0x0920)) w.U32(s.setting511);
    else w.U16(s.setting511);
  }
  if (w.From(0x0301)) w.U16(s.setting301);
  if (w.From(0x0850) && !w.From(0x0910)) w.U8(s.switches850);

  w.U16(s.staffCount ? *s.staffCount : uint16_t(s.staves.size()));
  for (const StaffRecord& p : s.staves) WriteStaff(w, p, graphics);

  if (w.From(0x0740)) {
    w.U16(uint16_t(s.ruptures.size()));
    w.U16(s.lastBar);
    for (const RuptureRecord& r : s.ruptures) WriteRupture(w, r);
  } else {
    w.U16(uint16_t(s.oldRuptures.size()));
    w.U16(s.lastBar);
    for (const OldRuptureRecord& r : s.oldRuptures) {
      w.I16(r.kind);
      w.I16(r.bar);
      w.I16(r.passes);
      w.Gap(2);
      w.I16(r.action);
    }
  }
  if (w.From(0x0920)) {
    w.U8(s.playedBars ? 1 : 0);
    if (s.playedBars) {
      w.U16(uint16_t(s.playedBars->size()));
      for (int16_t b : *s.playedBars) w.I16(b);
    }
  }

  w.U16(uint16_t(s.accompaniments.size()));
  for (const AccompanimentRecord& a : s.accompaniments) {
    w.String(a.name);
    if (w.From(0x0300)) {
      w.U16(a.word1);
      WritePasteMode(w, a.paste);
      w.U16(a.word2);
    } else {
      w.U8(0);
      w.U16(a.word1);
      WritePasteMode(w, a.paste);
      w.Gap(2);
      w.U16(a.word2);
      w.Gap(10);
      w.U16(uint16_t(a.oldRanges.size()));
      for (const auto& r : a.oldRanges) {
        w.U16(r.first);
        w.I16(r.second);
      }
      w.Gap(6);
    }
  }
  if (w.From(0x0300)) WriteMatrix(w);
  WriteInstruments(w, s.instruments);

  w.I16(s.gridCount ? *s.gridCount : int16_t(s.grid.size()));
  for (const GridBarRecord& g : s.grid) {
    w.U8(g.count ? *g.count : uint8_t(g.chords.size()));
    for (const ChordDefRecord& c : g.chords) WriteChordDef(w, c);
  }
  if (w.From(0x0850)) WriteTextStyle(w, TextStyleRecord{});

  w.U16(uint16_t(s.rhythms.size()));
  for (const RhythmRecord& r : s.rhythms) {
    if (w.From(0x0850)) w.U8(0);
    w.String(r.name);
    w.U16(r.word);
    w.U16(r.numerator);
    w.U16(r.denominator);
    w.U16(uint16_t(r.rows.size()));
    for (const RhythmRecord::Row& row : r.rows) {
      w.String(row.name);
      w.U16(row.word);
      w.Gap(2);
      w.I16(int16_t(row.notes.size()));
      for (const SignRecord& n : row.notes) WriteSign(w, n);
    }
  }
  if (w.From(0x0300)) {
    WriteMatrix(w);
  } else {
    w.U16(0);
  }
  if (!w.From(0x0610)) {
    w.U16(uint16_t(s.oldBarChanges.size()));
    for (const OldBarChangeRecord& c : s.oldBarChanges) {
      w.U16(c.bar);
      w.I16(c.key);
      w.Gap(2);
      if (w.From(0x0203)) {
        w.Gap(2);
        w.U16(c.numerator);
        w.U16(c.denominator);
        if (w.From(0x0320)) w.U8(c.visible);
      }
    }
  }

  w.Gap(1);
  w.U8(s.documentByte);
  w.U8(s.scoreByte);
  w.Gap(3);
  if (w.From(0x0920)) w.U8(s.byte920);
  if (w.From(0x0850)) w.U32(0);  // an empty collection

  if (!w.From(0x0203)) {
    w.Gap(1);
  } else {
    w.U16(s.barCount ? *s.barCount : uint16_t(s.bars.size()));
    for (const BarRowRecord& r : s.bars) {
      if (w.From(0x0610)) {
        WriteBarRow(w, r);
      } else {
        w.U16(r.scale);
        if (w.From(0x0320)) w.U8(r.systemBreak ? 1 : 0);
      }
    }
  }
  w.U8(s.byteBeforeSpacing);
  if (w.From(0x0780)) {
    WriteSpacing(w, s.spacingWhole);
    w.I16(0);  // free objects
  }
  if (w.From(0x0910)) w.Bytes({0, 0});  // no part groups
  if (w.From(0x0920)) {
    WriteGraphicMode(w);
    w.I16(0);  // targets
  }
  if (w.From(0x0930)) {
    w.U8(0);
    w.U16(0);
    w.U8(0);
    WriteTextStyle(w, TextStyleRecord{});
    w.U16(0);
    w.U16(0);
    w.U8(s.customDiagrams ? 1 : 0);
    if (s.customDiagrams) WriteCustomDiagrams(w, *s.customDiagrams);
    w.Gap(63);
  }
}

SectionWriter ScoreSection(ScoreRecord s) {
  return [s](NativeWriter& w) { WriteScore(w, s, w.From(0x0202)); };
}

}  // namespace tamrel_test
