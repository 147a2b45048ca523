#include "platform/QLRequest.h"

#include <cairo-pdf.h>
#include <cairo.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

void Copie(char* dst, size_t size, const char* src) {
  std::snprintf(dst, size, "%s", src ? src : "");
}

// Engine units, y upwards, onto the surface's points, y downwards.
void FixeRepere(QLRequest* r, cairo_t* cr) {
  cairo_identity_matrix(cr);
  cairo_translate(cr, 0, r->height);
  cairo_scale(cr, r->scale, -r->scale);
}

bool DimensionsValides(double w, double h, double scale) {
  return std::isfinite(w) && std::isfinite(h) && std::isfinite(scale) && scale > 0 && w > 0 && h > 0 &&
         w * scale < 1e6 && h * scale < 1e6;
}

const char* Bundle(QLRequest* r) { return r->bundle; }

cairo_t* CreeContexte(QLRequest* r, QLSize size, double scale) {
  if (r->context || !DimensionsValides(size.width, size.height, scale)) return nullptr;
  r->scale = scale;
  r->width = size.width * scale;
  r->height = size.height * scale;
  cairo_surface_t* s;
  if (r->kind == kQLRequestPreview)
    s = cairo_pdf_surface_create(r->output, r->width, r->height);
  else {
    cairo_rectangle_t etendue = {0, 0, r->width, r->height};
    s = cairo_recording_surface_create(CAIRO_CONTENT_COLOR_ALPHA, &etendue);
  }
  if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(s);
    r->writeError = true;
    return nullptr;
  }
  r->surface = s;
  r->single = true;
  r->context = cairo_create(s);
  FixeRepere(r, r->context);
  return r->context;
}

cairo_t* CreeContextePDF(QLRequest* r, QLRect box, double scale) {
  if (r->context || r->kind != kQLRequestPreview || !std::isfinite(scale) || scale <= 0) return nullptr;
  r->scale = scale;
  // A surface needs some size even for a document without pages.
  r->width = box.width > 0 ? box.width * scale : 1;
  r->height = box.height > 0 ? box.height * scale : 1;
  cairo_surface_t* s = cairo_pdf_surface_create(r->output, r->width, r->height);
  if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(s);
    r->writeError = true;
    return nullptr;
  }
  r->surface = s;
  r->single = false;
  r->context = cairo_create(s);
  return r->context;
}

void DebutPagePDF(QLRequest* r, cairo_t* cr, QLRect box) {
  if (!cr || cr != r->context) return;
  if (box.width > 0 && box.height > 0) {
    r->width = box.width * r->scale;
    r->height = box.height * r->scale;
    cairo_pdf_surface_set_size(static_cast<cairo_surface_t*>(r->surface), r->width, r->height);
  }
  cairo_save(cr);
  FixeRepere(r, cr);
}

void FinPagePDF(QLRequest* r, cairo_t* cr) {
  if (!cr || cr != r->context) return;
  cairo_restore(cr);
  cairo_show_page(cr);
  r->pagesDrawn++;
}

// The thumbnail scaled to fit the requested pixels, aspect kept, on a
// transparent background.
void EcritVignette(QLRequest* r) {
  const double cote = r->thumbnailPixels > 0 ? r->thumbnailPixels : 256;
  const double f = cote / std::max(r->width, r->height);
  const int w = std::max(1, int(std::lround(r->width * f)));
  const int h = std::max(1, int(std::lround(r->height * f)));
  cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
  cairo_t* cr = cairo_create(image);
  cairo_scale(cr, double(w) / r->width, double(h) / r->height);
  cairo_set_source_surface(cr, static_cast<cairo_surface_t*>(r->surface), 0, 0);
  cairo_paint(cr);
  cairo_destroy(cr);
  if (cairo_surface_write_to_png(image, r->output) != CAIRO_STATUS_SUCCESS) r->writeError = true;
  cairo_surface_destroy(image);
}

void Vide(QLRequest* r, cairo_t* cr) {
  if (!cr || cr != r->context || r->surface == nullptr) return;
  auto* s = static_cast<cairo_surface_t*>(r->surface);
  if (cairo_surface_get_type(s) == CAIRO_SURFACE_TYPE_RECORDING) {
    if (r->pagesDrawn == 0) {
      cairo_surface_flush(s);
      EcritVignette(r);
      r->pagesDrawn = 1;
    }
  } else if (r->single && r->pagesDrawn == 0) {
    cairo_show_page(cr);
    r->pagesDrawn = 1;
  }
  cairo_surface_flush(s);
}

void Libere(QLRequest* r, cairo_t* cr) {
  if (!cr || cr != r->context) return;
  QLRequestEnd(r);
}

void NoteEchec(QLRequest* r, const char* reason) {
  if (r->failure[0] == 0) Copie(r->failure, sizeof r->failure, reason);
}

const QLRequestProcs kProcs = {Bundle, CreeContexte, CreeContextePDF, DebutPagePDF, FinPagePDF, Vide, Libere, NoteEchec};

}  // namespace

void QLRequestInit(QLRequest* r, QLRequestKind kind, const char* bundle, const char* output,
                   int32_t thumbnailPixels) {
  std::memset(r, 0, sizeof *r);
  r->procs = &kProcs;
  r->kind = kind;
  Copie(r->bundle, sizeof r->bundle, bundle);
  Copie(r->output, sizeof r->output, output);
  r->thumbnailPixels = thumbnailPixels;
}

void QLRequestEnd(QLRequest* r) {
  if (!r || !r->context) return;
  auto* s = static_cast<cairo_surface_t*>(r->surface);
  cairo_destroy(r->context);
  r->context = nullptr;
  cairo_surface_finish(s);
  if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) r->writeError = true;
  const bool fichier = cairo_surface_get_type(s) == CAIRO_SURFACE_TYPE_PDF;
  cairo_surface_destroy(s);
  r->surface = nullptr;
  // Nothing drawn: no half-made output is left behind.
  if (fichier && r->pagesDrawn == 0) unlink(r->output);
}
