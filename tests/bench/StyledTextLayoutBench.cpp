// Loading a stored styled string into a text record, which breaks it into
// lines: one long paragraph of 1 KB and 16 KB, as plain words (text 0), as
// words mixed with bytes that are not UTF-8 (0x96) and stray control bytes
// (0x01, 0x03), the damage found in real and fuzzed documents (1), as one
// word with no break (2), as nothing but such bytes (3) and as symbols only
// fallback fonts have (4). The time must grow with the length of the text,
// not faster, whatever its bytes.
#include <benchmark/benchmark.h>

#include <string>

#include "layout/Zoom.h"
#include "platform/QuickDraw.h"
#include "text/ExtendedTE.h"
#include "text/TextData.h"
#include "text/UTFText.h"

namespace {

// One style (Helvetica 12) over the whole text, in the stored form.
std::string StylePart() {
  auto f = [](const char* s) { return std::string(s) + "\x03"; };
  return std::string(
             "\x01"
             "A") +
         f("1") + f("1") + "\x85" + f("12.000") + f("14.000") + f("11.000") + f("Helvetica") + f("0") + f("0") +
         f("1") + f("-1") + "\x02";
}

std::string Text(size_t bytes, int kind) {
  if (kind >= 2) {
    // Whole units only: never a character cut at the end.
    static const char* const kUnits[] = {"Unbrokenwordwithoutanyspace", "\x96\x96\x01\x96\x03",
                                         "\xE2\x99\xAB\xF0\x9D\x84\x9E"};
    const std::string unit = kUnits[kind - 2];
    std::string s;
    while (s.size() + unit.size() <= bytes) s += unit;
    return s;
  }
  const bool damaged = kind == 1;
  static const char* const kWords[] = {
      "Lyrics ", "of ", "a ", "verse ", "with ", "longer ", "words, ", "\xC3\xA9t\xC3\xA9 ", "sung ", "slowly. "};
  static const char* const kDamage[] = {"\x96", "\x01", "\x03", "x\x96y", "\x01\x03"};
  std::string s;
  for (size_t i = 0; s.size() < bytes; i++) {
    s += kWords[i % 10];
    if (damaged && i % 3 == 1) s += kDamage[i % 5];
  }
  s.resize(bytes);
  // Never end inside a multi-byte character.
  while (!s.empty() && (static_cast<unsigned char>(s.back()) & 0xC0) == 0xC0) s.pop_back();
  return s;
}

void BM_StyledStringLayout(benchmark::State& state) {
  const size_t bytes = static_cast<size_t>(state.range(0));
  const int kind = static_cast<int>(state.range(1));
  CGrafPtr saved;
  GetPort(&saved);
  Rect r{0, 0, 100, 100};
  GWorldPtr world = nullptr;
  NewGWorld(&world, 32, &r, nullptr, nullptr, 0);
  SetPort(world);
  int16_t dpi = GetDpiDest();
  SetDpiDest(72);
  SetUnicodeApplication(1);
  // A text box of a page's width.
  Rect dest{0, 0, 32000, 480};
  ExtendedTE te = ExtendedTEStylNew(&dest, &dest);
  // Two texts one letter apart, taken in turn: nothing laid out for one
  // serves the next. The sentinel of the run table is fixed up by the reader.
  std::string data[2] = {StylePart() + Text(bytes, kind), StylePart() + Text(bytes, kind)};
  data[1][StylePart().size()] = 'l';
  int turn = 0;
  for (auto _ : state) {
    const std::string& d = data[turn ^= 1];
    CvtTextDataToTEHandle(te, d.c_str(), static_cast<int32_t>(d.size()), nullptr);
    benchmark::DoNotOptimize((*te)->nLines);
  }
  state.counters["lines"] = (*te)->nLines;
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
  ExtendedTEDispose(te);
  SetUnicodeApplication(0);
  SetDpiDest(dpi);
  SetPort(saved);
  DisposeGWorld(world);
}
BENCHMARK(BM_StyledStringLayout)
    ->ArgNames({"bytes", "text"})
    ->ArgsProduct({{1024, 16384}, {0, 1, 2, 3, 4}})
    ->Unit(benchmark::kMillisecond);

}  // namespace
