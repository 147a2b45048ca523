#include "support/NativeStaffObjects.h"

#include "support/NativeScore.h"

namespace tamrel_test {

void WritePlacement(NativeWriter& w, const PlacementRecord& p) {
  ChordDefRecord c;
  c.neck = p.neck;
  c.name = p.chordName;
  c.customName = true;
  WriteChordDef(w, c);
  w.I32(p.start);
  w.I32(p.top);
  w.I32(p.end);
  w.I32(p.bottom);
  if (w.From(0x0800)) {
    w.U16(p.words[0]);
    w.U16(p.words[1]);
  }
  w.U16(p.word);
  w.U8(p.showName);
  if (w.From(0x0203)) {
    w.Bytes(p.colours.data(), p.colours.size());
    w.U8(p.mode);
  }
  if (!w.From(0x0511)) return;
  if (w.From(0x0750)) w.U32(p.id);
  if (!w.From(0x0920)) return;
  w.Bytes(p.strings.data(), p.strings.size());
  w.U8(p.baseFret);
  w.U8(uint32_t(p.dots.size()));
  for (const auto& d : p.dots) w.Bytes(d.data(), d.size());
}

void WriteGraphic(NativeWriter& w, const GraphicRecord& g) {
  if (w.From(0x0203)) {
    w.U8(g.byte);
    w.U8(g.kind);
    w.U32(g.dataLength ? *g.dataLength : uint32_t(g.data.size()));
    w.Bytes(g.data.data(), g.data.size());
  } else {
    w.String(g.oldString);
  }
  w.U16(g.pictureId);
  w.I32(g.start);
  w.I32(g.top);
  w.I32(g.end);
  w.I32(g.bottom);
  if (w.From(0x0800)) {
    w.I16(g.leftShift);
    w.I16(g.rightShift);
  }
  if (!w.From(0x0203)) return;
  w.U8(g.positionByte);
  w.U8(g.mode);
  if (!w.From(0x0511)) return;
  if (w.From(0x0910)) {
    for (int16_t v : g.lineStyle) w.I16(v);
    w.U16(g.pen);
    for (uint16_t v : g.lineValues) w.U16(v);
  }
  if (w.From(0x0960)) {
    w.U32(g.id);
    if (w.From(0x0963)) w.String(g.name);
    w.U16(g.lastWord);
    w.Gap(14);
  }
}

namespace {

void WriteHarmonica(NativeWriter& w, const HarmonicaRecord& h) {
  w.I16(h.model);
  w.U16(h.word);
  w.I16(h.value);
  w.U8(h.byte);
  w.U8(h.switches);
  w.U8(h.byte1);
  w.U8(h.byte2);
  if (h.model != -1) return;
  w.String(h.name);
  w.U8(h.chromatic);
  if (w.From(0x9630)) w.U8(h.valved);
  w.U8(h.usedHoles);
  w.U8(h.holes);
  for (const HoleRecord& t : h.holeTable) {
    w.U8(t.blow);
    w.U8(t.draw);
    w.Gap(2);
    if (w.From(0x0750)) {
      w.U8(t.slideBlow);
      w.U8(t.slideDraw);
      w.Gap(2);
    }
    if (w.From(0x9630)) w.Bytes(t.rows.data(), t.rows.size());
  }
}

void WriteAccordion(NativeWriter& w, const AccordionRecord& a) {
  w.I16(a.value);
  w.U8(0);
  w.U8(a.byte);
  w.U16(a.bellows);
  for (const std::string& s : a.strings) w.String(s);
  w.U16(a.firstButton);
  w.U16(a.rows);
  w.U16(a.bassRows);
  for (const std::string& s : a.rowNames) w.String(s);
  for (uint16_t b = 0; b < 16; b++) {
    for (uint16_t r = 0; r < a.rows; r++) {
      const bool donne = b < a.keyboard.size() && r < a.keyboard[b].size();
      w.U8(0);
      w.U8(donne ? a.keyboard[b][r][0] : uint8_t(60 + b));
      w.U8(0);
      w.U8(donne ? a.keyboard[b][r][1] : uint8_t(62 + b));
    }
  }
  for (size_t bank = 0; bank < 8; bank++) {
    for (uint16_t r = 0; r < a.bassRows; r++) {
      const bool donne = bank < a.basses.size() && r < a.basses[bank].size();
      const BassChordRecord c = donne ? a.basses[bank][r] : BassChordRecord{};
      w.String(c.pushName);
      w.String(c.pushNotes);
      w.String(c.pullName);
      w.String(c.pullNotes);
    }
  }
  if (w.From(0x0800)) w.U8(a.byte800);
}

}  // namespace

void WriteTablature(NativeWriter& w, const TablatureRecord& t) {
  w.U8(t.present);
  if (t.present == 0 && (!w.From(0x0301) || w.From(0x0750))) return;
  if (w.From(0x0920)) w.I32(t.instrument);
  else w.I16(int16_t(t.instrument));
  w.U16(t.stringCount ? *t.stringCount : uint16_t(t.strings.size()));
  if (w.From(0x0610)) {
    for (const auto& s : t.strings) {
      w.U16(s[1]);
      w.U16(s[0]);
      w.U16(s[2]);
    }
    w.U8(t.transpose);
    w.U8(t.mode);
  } else {
    w.U16(t.sharedSecond);
    for (const auto& s : t.strings) w.U16(s[0]);
  }
  for (uint16_t v : t.weights) w.U16(v);
  w.I16(t.numberSize);
  w.U8(0);
  w.U8(t.numberFace);
  w.U8(t.weightByte);
  if (w.From(0x0203)) {
    w.U8(t.colourIndex);
    w.U8(t.numberColourIndex);
  }
  w.U8(t.display);
  if (w.From(0x0301)) {
    w.U16(t.word301);
    w.U8(t.capo);
    w.U8(t.bits301);
  } else {
    w.Gap(4);
  }
  w.U16(t.gapWeight);
  if (!w.From(0x0322)) return;
  WriteHarmonica(w, t.harmonica);
  if (w.From(0x0750)) {
    w.U16(t.accordion ? 1 : 0);
    if (t.accordion) WriteAccordion(w, *t.accordion);
  }
  w.U8(t.bits);
  w.Bytes(t.bytes.data(), t.bytes.size());
  w.U8(t.shared);
  w.Gap(6);
  w.Bytes(t.lastBytes.data(), t.lastBytes.size());
  if (w.From(0x9630)) {
    for (uint16_t c : t.rgb) w.U16(c);
  } else {
    w.Gap(6);
  }
  w.Gap(13);
  if (!w.From(0x9630)) return;
  w.I16(t.font);
  w.String(t.fontName);
  WriteTextStyle(w, t.third);
  WriteTextStyle(w, t.second);
}

void WriteLaw(NativeWriter& w, const LawRecord& l) {
  w.String(l.name);
  w.U16(l.selectorA);
  w.I16(l.pitch);
  w.U16(l.selectorB);
  w.U16(l.staffValue);
  w.U16(l.word);
  SignRecord note;
  note.played = l.notePlayed;
  WriteSign(w, note);
  EffectsRecord e;
  for (uint8_t code : l.noteMarks) {
    MarkRecord m;
    m.code = code;
    e.marks.push_back(m);
  }
  WriteEffects(w, e);
  if (w.From(0x0770)) w.Bytes(l.bytes770.data(), l.bytes770.size());
  if (w.From(0x0800)) {
    w.U8(l.bits800);
    w.U8(l.byte800);
    for (uint16_t v : l.ranges) w.U16(v);
    w.U8(l.fundamental);
    w.U8(l.relative);
  }
  if (w.From(0x0850)) {
    w.U8(l.bytes850[0]);
    w.U8(0);
    w.U8(l.bytes850[1]);
    w.U8(l.bytes850[2]);
  }
}

void WriteDynamic(NativeWriter& w, const DynamicRecord& d) {
  w.I16(d.type);
  w.String(d.text);
  WriteTextStyle(w, d.style);
  w.U8(d.enabled);
  w.U8(d.bits);
  w.I32(d.start);
  w.I32(d.top);
  w.I32(d.end);
  w.I32(d.bottom);
  if (w.From(0x0800)) {
    w.I16(d.leftShift);
    w.I16(d.rightShift);
  }
  w.I16(d.colour);
  w.U16(d.value1);
  w.U16(d.value2);
  w.U32(d.tempoUnit);
  w.I16(d.tempoFlag);
  w.U8(d.progressive);
  w.U8(d.tempoShown);
  if (w.From(0x0850)) {
    w.U16(d.percent);
    w.U32(d.passes);
    w.U8(d.relative);
    w.U16(d.shape1);
    w.U16(d.shape2);
  }
  if (w.From(0x9630)) w.U16(d.alignment);
}

void WriteCustomDiagrams(NativeWriter& w, const CustomDiagramsRecord& b) {
  w.U16(b.format);
  if (b.format != 512 && b.format != 257 && b.format != 256) return;
  w.I16(b.count ? *b.count : int16_t(b.diagrams.size()));
  w.U8(0);
  w.U8(b.language);
  // The diagrams follow the format's version, not the document's.
  const uint16_t version = w.Version();
  w.SetVersion(b.format == 512 ? 0x0920 : (b.format == 257 ? 0x0511 : 0x0100));
  for (const DiagramRecord& d : b.diagrams) WriteDiagram(w, d);
  w.SetVersion(version);
  w.U16(b.end);
}

}  // namespace tamrel_test
