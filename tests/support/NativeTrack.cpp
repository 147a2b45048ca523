#include "support/NativeTrack.h"

namespace tamrel_test {

void WriteTrack(NativeWriter& w, const TrackRecord& t) {
  if (w.From(0x0964)) {
    w.U32(t.rate);
    w.I16(t.bits);
  }
  w.U16(t.volume);
  w.U16(t.pan);
  w.I32(t.samples);
  for (uint8_t s : t.settings) w.U8(s);
  WriteTextStyle(w, t.style);
  w.U16(uint32_t(t.markerCount < 0 ? int32_t(t.markers.size()) : t.markerCount));
  for (int32_t m : t.markers) w.I32(m);
  if (w.From(0x0800)) w.U8(t.codec);
  if (w.From(0x9632)) w.I32(t.mp3Delay);
  const bool coded = w.Coding();
  if (coded) w.StopLZW();
  const bool raw = !w.From(0x0800) || t.codec == 0;
  for (const TrackChunk& c : t.chunks) {
    w.U8(c.type != 0xFF ? c.type : c.data ? 1 : 0);
    w.I32(c.count);
    if (!c.data) continue;
    if (!raw) w.I32(c.statedBytes >= 0 ? c.statedBytes : int32_t(c.bytes.size()));
    w.Bytes(c.bytes.data(), c.bytes.size());
  }
  if (coded) w.StartLZW();
}

std::vector<uint8_t> RawSamples16(const std::vector<int16_t>& samples, uint16_t version) {
  std::vector<uint8_t> out;
  for (int16_t s : samples) {
    const uint8_t hi = uint8_t(uint16_t(s) >> 8), lo = uint8_t(s);
    if (version >= 0x0964) out.insert(out.end(), {lo, hi});
    else out.insert(out.end(), {hi, lo});
  }
  return out;
}

}  // namespace tamrel_test
