#include "support/NativeVoix.h"

#include <cstdlib>

namespace tamrel_test {

namespace {

void WriteFragment(NativeWriter& w, const VoiceFragmentRecord& f) {
  w.String(f.id);
  w.String(f.name);
  w.I32(f.weight);
  w.F32(f.duration);
  w.I16(f.type);
  const bool v770 = w.From(0x0770);
  if (v770) w.U8(f.form);
  if (!v770 || f.form != 0) {
    for (const auto& row : f.table)
      for (float v : row) w.F32(v);
    return;
  }
  w.I16(f.beginTrans);
  w.I16(f.endTrans);
  w.U16(f.noiseRatio);
  w.F32(f.powerStart);
  w.F32(f.powerMax);
  const int k = f.extension;
  w.I16(int16_t(k));
  uint8_t packing = 0;
  if (k < 2) {
    if (k > 0) w.Gap(size_t(k), f.extensionFill);
  } else if (k == 2) {
    w.U16(f.stepLength);
  } else if (k == 3) {
    w.U16(f.stepLength);
    w.U8(uint8_t(f.closeLipsByte));
  } else if (k < 6) {
    w.U16(f.stepLength);
    w.Gap(size_t(k - 2), f.extensionFill);
  } else {
    w.U16(f.stepLength);
    w.F32(f.closeLips);
    if (k >= 7) {
      packing = f.packing;
      w.U8(packing);
      w.Gap(size_t(k - 7), f.extensionFill);
    }
  }
  w.I16(f.rows);
  w.I16(f.columns);
  if (packing == 0) {
    for (float v : f.values) w.F32(v);
  } else {
    // The packed block is written outside any coded stretch.
    const bool coding = w.Coding();
    if (coding) w.StopLZW();
    w.I32(f.packedCount.value_or(int32_t(f.packed.size())));
    w.Bytes(f.packed.data(), f.packed.size());
    if (coding) w.StartLZW();
  }
  w.I16(int16_t(f.tail.size()));
  w.Bytes(f.tail.data(), f.tail.size());
}

// Rice codes of signed values: magnitude and sign bit, as q one bits, a zero
// and (q + 1) x k value bits.
class RiceRun {
 public:
  explicit RiceRun(uint8_t k) : k_(k) { bytes_.push_back(k); }
  void Add(int32_t v) {
    const uint64_t magnitude = uint64_t(std::llabs(int64_t(v)));
    const uint32_t u = uint32_t((magnitude << 1) | (v < 0 ? 1u : 0u));
    int needed = 0;
    while (needed < 32 && (u >> needed) != 0) needed++;
    int q = 0;
    while ((q + 1) * k_ < needed && (q + 1) * k_ < 32) q++;
    const int width = (q + 1) * k_ > 32 ? 32 : (q + 1) * k_;
    for (int i = 0; i < q; i++) Bit(1);
    Bit(0);
    for (int b = width - 1; b >= 0; b--) Bit((u >> b) & 1);
  }
  const std::vector<uint8_t>& Bytes() const { return bytes_; }

 private:
  void Bit(uint32_t b) {
    if (used_ % 8 == 0) bytes_.push_back(0);
    if (b) bytes_.back() |= uint8_t(0x80 >> (used_ % 8));
    used_++;
  }
  int k_;
  int used_ = 0;
  std::vector<uint8_t> bytes_;
};

void Word(std::vector<uint8_t>& out, uint32_t v) {
  for (int s = 24; s >= 0; s -= 8) out.push_back(uint8_t(v >> s));
}

}  // namespace

void WriteVoiceSection(NativeWriter& w, const VoiceSectionRecord& r) {
  w.U8(r.marker);
  if (r.marker == 2 || !r.sung) return;
  const bool v770 = w.From(0x0770);
  w.I16(r.volume);
  w.I16(r.pan);
  w.I16(r.language);
  w.U8(r.semitone);
  w.U8(uint8_t(r.octave));
  w.F32(r.timeShiftMax);
  if (!v770)
    for (float v : r.oldAfterTimeShift) w.F32(v);
  for (float v : r.jitters) w.F32(v);
  if (v770) {
    for (float v : r.envelope) w.F32(v);
  } else {
    for (float v : r.oldEnvelope) w.F32(v);
  }
  for (float v : r.vibrato) w.F32(v);
  if (v770) {
    w.F32(r.openRatio);
    w.F32(r.clipping);
  }
  w.I16(r.iconHeader);
  w.Bytes(r.iconLarge.data(), r.iconLarge.size());
  w.Bytes(r.iconSmall.data(), r.iconSmall.size());
  w.I16(r.minSilence);
  w.U8(r.choirSize);
  w.U8(r.choirPhase);
  if (w.From(0x9630)) w.String(r.phoneme);
  w.U32(r.documentValue);
  w.U8(r.formantLength);
  for (int16_t v : r.formants) w.I16(v);
  w.Gap(23 - 6, 0x77);
  const int16_t count = r.fragmentCount.value_or(int16_t(r.fragments.size()));
  w.I16(count);
  if (count == 0) return;
  const bool v850 = w.From(0x0850);
  if (v850) w.I16(r.sharedStaff);
  if (!v850 || r.sharedStaff < 0)
    for (const VoiceFragmentRecord& f : r.fragments) WriteFragment(w, f);
  if (v850)
    for (int16_t v : r.documentValues) w.I16(v);
}

std::vector<uint8_t> RiceSpectrumBlock(const std::vector<int32_t>& values, int rows, int columns, uint8_t k) {
  const auto at = [&](int i, int j) { return values[size_t(i) * size_t(columns) + size_t(j)]; };
  RiceRun first(k);
  for (int j = 0; j < columns; j++) first.Add(j == 0 ? at(0, 0) : at(0, j) - at(0, j - 1));
  std::vector<uint8_t> block;
  Word(block, uint32_t(first.Bytes().size()));
  block.insert(block.end(), first.Bytes().begin(), first.Bytes().end());
  if (rows < 2) return block;
  RiceRun others(k);
  for (int i = 1; i < rows; i++) {
    others.Add(at(i, 0) - at(i - 1, 0));
    for (int j = 1; j < columns; j++) others.Add(at(i, j) - (at(i - 1, j) + at(i, j - 1) - at(i - 1, j - 1)));
  }
  Word(block, uint32_t(others.Bytes().size()));
  block.insert(block.end(), others.Bytes().begin(), others.Bytes().end());
  return block;
}

}  // namespace tamrel_test
