#pragma once
// The preview service's request object, shared by the host and the plug-in.
// The plug-in sees only this table of calls; the host fills it. A request
// hands out the generator bundle, a drawing context of a given size, or a PDF
// context over a media box, and flushes what was drawn.
//
// Contexts are cairo contexts with the platform's convention: origin at the
// bottom left, y upwards. Sizes and offsets are given in the engine's device
// units; `scale` (points per unit, 72/576 x the print zoom) maps them to PDF
// points, so pages come out at the paper's physical size.
#include <cstdint>
#include <string>

typedef struct _cairo cairo_t;

struct QLSize {
  double width;
  double height;
};
struct QLRect {
  double x;
  double y;
  double width;
  double height;
};

struct QLRequest;
struct QLOutput;
struct QLRequestProcs {
  // POSIX path of the generator bundle (never null; empty when unknown).
  const char* (*generatorBundle)(QLRequest* request);
  // A single drawing of `size` units: the preview's single picture or the
  // thumbnail. Null when no context can be made.
  cairo_t* (*createContext)(QLRequest* request, QLSize size, double scale);
  // A PDF document whose pages are `mediaBox` units large.
  cairo_t* (*createPDFContext)(QLRequest* request, QLRect mediaBox, double scale);
  void (*beginPDFPage)(QLRequest* request, cairo_t* context, QLRect mediaBox);
  void (*endPDFPage)(QLRequest* request, cairo_t* context);
  void (*flushContext)(QLRequest* request, cairo_t* context);
  void (*releaseContext)(QLRequest* request, cairo_t* context);
  // Why nothing could be drawn, in one line, for the service's own report.
  void (*noteFailure)(QLRequest* request, const char* reason);
};

// How long one request may take by default, in seconds: the engine stops its
// readers past it, and the host ends a request stuck elsewhere.
constexpr double kQLRequestTimeLimit = 20.0;

// Kinds of request.
enum QLRequestKind : uint8_t { kQLRequestPreview = 0, kQLRequestThumbnail = 1 };

// The host's request: output to a file (PDF for a preview, PNG for a
// thumbnail scaled to fit `thumbnailPixels`).
//
// Nothing is written at `output` until the request is complete: the bytes go
// to a temporary file beside it (created once the first page exists), which is
// flushed to disk and renamed over the output only when every write succeeded.
// A failed or empty request leaves whatever was at `output` as it was.
struct QLRequest {
  const QLRequestProcs* procs = nullptr;
  QLRequestKind kind = kQLRequestPreview;
  std::string bundle;
  std::string output;
  int32_t thumbnailPixels = 0;
  // What happened.
  int32_t pagesDrawn = 0;
  char failure[512] = {};
  bool writeError = false;
  std::string writeReason;  // why the output could not be written, one line
  // The context in use.
  void* surface = nullptr;
  cairo_t* context = nullptr;
  bool single = false;  // the context is one drawing, not a PDF of pages
  double scale = 0;
  double width = 0;  // points
  double height = 0;
  // The output being written (bytes held until the first page, then the
  // temporary file); owned by the request until QLRequestEnd.
  QLOutput* pending = nullptr;
};

// A request writing to `output`; bundle and output are copied whole.
void QLRequestInit(QLRequest* request, QLRequestKind kind, const char* bundle, const char* output,
                   int32_t thumbnailPixels);
// Releases a context the plug-in left open, and puts the output in place
// when a page was drawn and every byte reached the disk.
void QLRequestEnd(QLRequest* request);

// For a handler of a fatal signal (the host's time bound): removes the
// temporary file of the request being written, if any. Async-signal-safe.
void QLRequestRemovePartialOutput();

// The plug-in's side: calls through the table.
inline const char* QLRequestGetGeneratorBundle(QLRequest* r) { return r ? r->procs->generatorBundle(r) : nullptr; }
inline cairo_t* QLRequestCreateContext(QLRequest* r, QLSize size, double scale) {
  return r ? r->procs->createContext(r, size, scale) : nullptr;
}
inline cairo_t* QLRequestCreatePDFContext(QLRequest* r, QLRect mediaBox, double scale) {
  return r ? r->procs->createPDFContext(r, mediaBox, scale) : nullptr;
}
inline void QLBeginPDFPage(QLRequest* r, cairo_t* c, QLRect box) { r->procs->beginPDFPage(r, c, box); }
inline void QLEndPDFPage(QLRequest* r, cairo_t* c) { r->procs->endPDFPage(r, c); }
inline void QLFlushContext(QLRequest* r, cairo_t* c) { r->procs->flushContext(r, c); }
inline void QLReleaseContext(QLRequest* r, cairo_t* c) { r->procs->releaseContext(r, c); }
inline void QLNoteFailure(QLRequest* r, const char* reason) {
  if (r) r->procs->noteFailure(r, reason);
}
