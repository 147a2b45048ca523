#include "support/NativeInstruments.h"

namespace tamrel_test {

namespace {

void Tag(NativeWriter& w, const char tag[5]) { w.Bytes(tag, 4); }

void WriteSound(NativeWriter& w, const SoundBlockRecord& s) {
  w.U32(uint32_t(s.data.size()));
  if (s.data.empty()) return;
  w.U16(s.form);
  w.U16(s.bits);
  w.U32(s.rate);
  w.U8(0);
  w.U8(s.keyA);
  w.U8(0);
  w.U8(s.keyB);
  w.U32(s.loopStart);
  w.U32(s.loopEnd);
  w.U32(s.count);
  w.Gap(16);
  w.Bytes(s.data.data(), s.data.size());
}

}  // namespace

void WriteDigitChunk(NativeWriter& w, const DigitRecord& d) {
  Tag(w, "DGIT");
  w.U16(d.layout);
  switch (d.layout) {
    case 0x0101:
      w.Gap(1);
      w.U8(d.ownSounds);
      w.U16(d.params[0]);
      for (uint16_t v : d.oldSlot) w.U16(v);
      w.Gap(32);
      break;
    case 0x0200:
      w.Gap(1);
      w.U8(d.ownSounds);
      w.U16(d.params[0]);
      for (size_t i = 0; i < 12; i++) {
        const DigitSlotRecord s = i < d.slots.size() ? d.slots[i] : DigitSlotRecord{};
        w.U16(s.param3);
        w.U16(s.param1);
        w.U16(s.param2);
      }
      break;
    default:
      w.Gap(1);
      w.U8(d.ownSounds);
      for (uint16_t v : d.params) w.U16(v);
      w.U8(d.byte1);
      w.U8(d.byte2);
      for (int g = 0; g < 4; g++) {
        if (g > 0) w.U8(d.groupsOn[size_t(g - 1)]);
        for (uint32_t v : d.longs[size_t(g)]) w.U32(v);
      }
      if (d.layout == 0x0400) {
        w.Bytes(d.ext.data(), d.ext.size());
        w.Bytes(d.options.data(), d.options.size());
      }
      w.I16(d.storedCount >= 0 ? d.storedCount : int16_t(d.slots.size()));
      for (const DigitSlotRecord& s : d.slots) {
        w.U16(s.soundRef);
        w.U16(s.param1);
        w.U16(s.param2);
        w.U16(s.param3);
        w.I16(s.value);
        if (d.layout == 0x0400) {
          w.Bytes(s.bytes.data(), s.bytes.size());
          w.U16(uint32_t(s.extra.size()));
          w.Bytes(s.extra.data(), s.extra.size());
        }
      }
      break;
  }
  for (const SoundBlockRecord& s : d.sounds) WriteSound(w, s);
}

void WriteMidiChunk0102(NativeWriter& w, uint16_t bank, uint8_t b1, uint8_t b2, uint8_t drumNote) {
  Tag(w, "MIDI");
  w.U16(0x0102);
  w.U16(bank);
  w.U8(b1);
  w.U8(b2);
  w.U8(drumNote);
}

void WriteSubVersionChunk(NativeWriter& w, const char tag[5], uint16_t subVersion, const std::vector<uint8_t>& body) {
  Tag(w, tag);
  w.U16(subVersion);
  w.Bytes(body.data(), body.size());
}

void WriteInstrument(NativeWriter& w, const InstrumentRecord& r) {
  if (!w.From(0x0200)) {
    w.String(r.name);
  } else {
    w.U16(r.present);
    if (!r.present) return;
    w.String(r.name);
    w.U8(r.auxFlag);
    w.U8(r.isDrum);
    w.U32(r.soundId);
    if (w.From(0x9630)) {
      w.U32(r.organCode);
      w.U32(r.organPort);
    } else {
      w.U16(r.oldOrgan);
    }
    w.U16(r.organBlock);
    const bool exmo = w.From(0x9630) && r.organCode == 0x65786D6F;
    if (r.organBlock == 1) {
      if (!exmo) {
        w.U32(uint32_t(r.organBytes.size()));
        w.Bytes(r.organBytes.data(), r.organBytes.size());
        w.String(r.organText);
      } else {
        w.Gap(4);
        w.String(r.exmoText);
        w.Gap(8);
        w.U32(uint32_t(r.organBytes.size()));
        w.Bytes(r.organBytes.data(), r.organBytes.size());
      }
    }
    w.U8(uint8_t(r.note));
    w.U16(r.midiWord1);
    w.U16(r.midiWord2);
    w.U16(r.channel);
    for (const auto& c : r.controllers) {
      w.U16(c[0]);
      w.U16(c[1]);
    }
    if (w.From(0x0500)) {
      w.U8(r.vibratoOn);
      if (r.vibratoOn)
        for (uint16_t v : r.vibrato) w.U16(v);
      w.U8(r.tremoloOn);
      if (r.tremoloOn)
        for (uint16_t v : r.tremolo) w.U16(v);
    }
    if (w.From(0x0710)) w.U8(r.effectsOn);
  }
  if (r.chunks) r.chunks(w);
  w.U32(0);
}

void WriteInstruments(NativeWriter& w, const std::vector<InstrumentRecord>& table) {
  w.I16(int16_t(table.size()));
  for (const InstrumentRecord& r : table) WriteInstrument(w, r);
}

}  // namespace tamrel_test
