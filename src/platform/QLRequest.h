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

// Kinds of request.
enum QLRequestKind : uint8_t { kQLRequestPreview = 0, kQLRequestThumbnail = 1 };

// The host's request: output to a file (PDF for a preview, PNG for a
// thumbnail scaled to fit `thumbnailPixels`).
struct QLRequest {
  const QLRequestProcs* procs;
  QLRequestKind kind;
  char bundle[1024];
  char output[1024];
  int32_t thumbnailPixels;
  // What happened.
  int32_t pagesDrawn;
  char failure[256];
  bool writeError;
  // The context in use.
  void* surface;
  cairo_t* context;
  bool single;  // the context is one drawing, not a PDF of pages
  double scale;
  double width;   // points
  double height;
};

// A request writing to `output`; bundle and output are copied (cut to fit).
void QLRequestInit(QLRequest* request, QLRequestKind kind, const char* bundle, const char* output,
                   int32_t thumbnailPixels);
// Releases a context the plug-in left open.
void QLRequestEnd(QLRequest* request);

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
