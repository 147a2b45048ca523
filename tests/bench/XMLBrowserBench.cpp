// Speed of the MusicXML element tree: building it and answering the requests
// an import asks, on the largest corpus score (its copy in tests/data) and on
// a generated orchestral score of about 1.2 MB (20 parts of 80 bars).
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

#include "import/XMLBrowser.h"
#include "platform/Memory.h"
#include "support/TestPaths.h"

namespace {

Handle ToHandle(const std::string& s) {
  Handle h = NewHandle(static_cast<Size>(s.size()));
  std::memcpy(*h, s.data(), s.size());
  return h;
}

// The largest score of the corpus copies: empty when the copy is missing,
// and the benchmarks that need it say so instead of measuring nothing.
std::string CorpusScore() {
  std::string text;
  tamrel_test::ReadDataFile("musicxml/22a-Noteheads.xml", &text);
  return text;
}

std::string OrchestralScore(int parts, int bars) {
  std::string s = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<score-partwise version=\"3.1\">\n  <part-list>\n";
  for (int p = 1; p <= parts; p++)
    s += "    <score-part id=\"P" + std::to_string(p) + "\"><part-name>Instrument " + std::to_string(p) +
         "</part-name></score-part>\n";
  s += "  </part-list>\n";
  const char* steps = "CDEFGAB";
  for (int p = 1; p <= parts; p++) {
    s += "  <part id=\"P" + std::to_string(p) + "\">\n";
    for (int b = 1; b <= bars; b++) {
      s += "    <measure number=\"" + std::to_string(b) + "\" width=\"220\">\n";
      if (b == 1)
        s += "      <attributes><divisions>2</divisions><key><fifths>0</fifths></key><time><beats>4</beats>"
             "<beat-type>4</beat-type></time><clef><sign>G</sign><line>2</line></clef></attributes>\n";
      for (int n = 0; n < 4; n++) {
        s += "      <note default-x=\"" + std::to_string(20 + 50 * n) + "\"><pitch><step>";
        s += steps[(b + n + p) % 7];
        s += "</step><octave>4</octave></pitch><duration>2</duration><voice>1</voice><type>quarter</type>"
             "<stem>up</stem><staff>1</staff></note>\n";
      }
      s += "    </measure>\n";
    }
    s += "  </part>\n";
  }
  s += "</score-partwise>\n";
  return s;
}

void Build(benchmark::State& state, const std::string& text) {
  Handle h = ToHandle(text);
  for (auto _ : state) {
    XMLRootElt* root = BrowseXMLFile(h, nullptr, nullptr, 1);
    benchmark::DoNotOptimize(root);
    XMLBrowserDispose(root);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
  state.counters["bytes"] = static_cast<double>(text.size());
  DisposeHandle(h);
}

// What an import asks: per part its bars, per bar its notes and their
// children, plus whole-tree requests with ancestors and descendant tests.
void Requests(benchmark::State& state, const std::string& text) {
  Handle h = ToHandle(text);
  XMLRootElt* root = BrowseXMLFile(h, nullptr, nullptr, 1);
  DisposeHandle(h);
  int64_t reads = 0;
  for (auto _ : state) {
    int32_t nParts = 0;
    XMLElt** parts = XMLGetElts(root, "part-list/@score-part", &nParts);
    for (int32_t p = 0; p < nParts; p++) {
      char request[128];
      std::snprintf(request, sizeof request, "part<id=%s>/@measure", XMLGetAttributeValue(parts[p], "id"));
      int32_t nBars = 0;
      XMLElt** bars = XMLGetElts(root, request, &nBars);
      for (int32_t b = 0; b < nBars; b++) {
        int32_t nNotes = 0;
        XMLElt** notes = XMLGetEltsInChild(bars[b], "note", &nNotes);
        for (int32_t n = 0; n < nNotes; n++) {
          XMLElt* pitch = XMLGetChild(notes[n], "pitch", 0);
          reads +=
              XMLGetTextLong(XMLGetChild(pitch, "octave", 0)) + XMLGetTextLong(XMLGetChild(notes[n], "duration", 0));
          reads += XMLGetAttributeLong(notes[n], "default-x") != kXMLAbsentLong;
        }
        XMLDisposeElts(notes);
      }
      XMLDisposeElts(bars);
      std::snprintf(request, sizeof request, "part<id=%s>/measure/@note/staff[1]",
                    XMLGetAttributeValue(parts[p], "id"));
      XMLDisposeElts(XMLGetElts(root, request, &nBars));
    }
    XMLDisposeElts(parts);
  }
  benchmark::DoNotOptimize(reads);
  XMLBrowserDispose(root);
}

const std::string& Corpus() {
  static const std::string s = CorpusScore();
  return s;
}

const std::string& Orchestral() {
  static const std::string s = OrchestralScore(20, 80);
  return s;
}

void BM_XMLTreeCorpus(benchmark::State& state) {
  if (Corpus().empty()) return state.SkipWithError("missing tests/data/musicxml/22a-Noteheads.xml");
  Build(state, Corpus());
}
void BM_XMLRequestsCorpus(benchmark::State& state) {
  if (Corpus().empty()) return state.SkipWithError("missing tests/data/musicxml/22a-Noteheads.xml");
  Requests(state, Corpus());
}
void BM_XMLTreeOrchestral(benchmark::State& state) { Build(state, Orchestral()); }
void BM_XMLRequestsOrchestral(benchmark::State& state) { Requests(state, Orchestral()); }

BENCHMARK(BM_XMLTreeCorpus)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_XMLRequestsCorpus)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_XMLTreeOrchestral)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_XMLRequestsOrchestral)->Unit(benchmark::kMillisecond);

}  // namespace

#include <expat.h>

namespace {

// The parser alone with empty handlers: the floor under the tree's build time.
void BM_ExpatOnlyOrchestral(benchmark::State& state) {
  const std::string& text = Orchestral();
  for (auto _ : state) {
    XML_Parser p = XML_ParserCreate(nullptr);
    XML_SetElementHandler(
        p, [](void*, const XML_Char*, const XML_Char**) {}, [](void*, const XML_Char*) {});
    XML_SetCharacterDataHandler(p, [](void*, const XML_Char*, int) {});
    XML_Parse(p, text.data(), static_cast<int>(text.size()), 1);
    XML_ParserFree(p);
  }
  state.counters["bytes"] = static_cast<double>(text.size());
}
BENCHMARK(BM_ExpatOnlyOrchestral)->Unit(benchmark::kMillisecond);

}  // namespace

#include <minizip/zip.h>
#include <unistd.h>

#include "import/MXLContainer.h"

namespace {

// The orchestral score as the member of an MXL container, taken out whole.
void BM_LoadMXLOrchestral(benchmark::State& state) {
  const std::string& text = Orchestral();
  char dir[] = "/tmp/tamrel-bench-XXXXXX";
  if (!mkdtemp(dir)) {
    state.SkipWithError("no temporary folder");
    return;
  }
  std::string path = std::string(dir) + "/Orchestral.mxl";
  zipFile zf = zipOpen(path.c_str(), APPEND_STATUS_CREATE);
  zipOpenNewFileInZip(zf, "Orchestral.xml", nullptr, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                      Z_DEFAULT_COMPRESSION);
  zipWriteInFileInZip(zf, text.data(), static_cast<unsigned>(text.size()));
  zipCloseFileInZip(zf);
  zipClose(zf, nullptr);
  for (auto _ : state) {
    Handle h = LoadMXL(path.c_str());
    benchmark::DoNotOptimize(h);
    DisposeZipHandle(h);
  }
  unlink(path.c_str());
  rmdir(dir);
}
BENCHMARK(BM_LoadMXLOrchestral)->Unit(benchmark::kMillisecond);

}  // namespace
