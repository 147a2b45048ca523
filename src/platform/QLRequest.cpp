#include "platform/QLRequest.h"

#include <cairo-pdf.h>
#include <cairo.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// Errors of our own beside errno's, for the reasons below.
constexpr int kPasFichierOrdinaire = -1;
constexpr int kErreurCairo = -2;
constexpr int kLienPendant = -3;

// The temporary file being written, for QLRequestRemovePartialOutput: one
// request writes at a time, and a signal handler can only read plain bytes.
char gPartiel[PATH_MAX + 1];

}  // namespace

struct QLOutput {
  std::string destination;  // the output, or the file a symbolic link there names
  std::string temporary;    // beside the destination, once created
  int fd = -1;
  std::string held;       // bytes not yet written: all of them before the first page is complete
  bool replaces = false;  // a file is already at the destination
  mode_t mode = 0;        // the new file's permissions
  int error = 0;          // the first failure: errno or one of ours
  cairo_status_t cairoStatus = CAIRO_STATUS_SUCCESS;
};

namespace {

const char* TexteErreur(int err, cairo_status_t statut) {
  switch (err) {
    case kPasFichierOrdinaire: return "not a regular file";
    case kErreurCairo: return cairo_status_to_string(statut);
    case kLienPendant: return "a symbolic link to a missing file";
    case ENOENT: return "its folder does not exist";
    case ENOTDIR: return "a part of its path is not a folder";
    case EACCES:
    case EPERM: return "permission denied";
    case EROFS: return "read-only file system";
    case ENOSPC: return "no space left on the device";
    case EDQUOT: return "disk quota exceeded";
    case EFBIG: return "file size limit exceeded";
    case ENAMETOOLONG: return "path too long";
    case EISDIR: return "is a folder";
    case ENOMEM: return "out of memory";
    case EIO: return "input/output error";
    default: return std::strerror(err);
  }
}

void Echoue(QLOutput* o, int err) {
  if (o->error == 0) o->error = err;
}

// Where the output goes: a symbolic link is followed, so that the file it
// names gets the preview and the link stays; anything but a regular file or a
// new name is refused. A link to a missing file is refused too, as copying
// tools do: writing through it would create a file wherever it points.
bool ResoutDestination(const std::string& sortie, QLOutput* o) {
  struct stat st;
  o->destination = sortie;
  if (lstat(sortie.c_str(), &st) != 0) {
    if (errno != ENOENT) return Echoue(o, errno), false;
  } else {
    if (S_ISLNK(st.st_mode)) {
      char* cible = realpath(sortie.c_str(), nullptr);
      if (!cible) return Echoue(o, errno == ENOENT ? kLienPendant : errno), false;
      o->destination = cible;
      std::free(cible);
      if (stat(o->destination.c_str(), &st) != 0) return Echoue(o, errno), false;
    }
    if (!S_ISREG(st.st_mode)) return Echoue(o, kPasFichierOrdinaire), false;
    o->replaces = true;
    o->mode = st.st_mode & 07777;
  }
  if (!o->replaces) {
    const mode_t masque = umask(0);
    umask(masque);
    o->mode = 0666 & ~masque;
  }
  return true;
}

bool EcritTout(QLOutput* o, const char* data, size_t n) {
  while (n > 0) {
    const ssize_t k = write(o->fd, data, n);
    if (k < 0) {
      if (errno == EINTR) continue;
      Echoue(o, errno);
      return false;
    }
    data += k;
    n -= size_t(k);
  }
  return true;
}

bool EcritTenus(QLOutput* o) {
  const bool ok = EcritTout(o, o->held.data(), o->held.size());
  o->held.clear();
  return ok;
}

// The temporary file, in the destination's folder so that the final rename
// stays on one file system; the bytes held so far go to it first.
bool OuvreTemporaire(QLRequest* r, QLOutput* o) {
  if (!ResoutDestination(r->output, o)) return false;
  const size_t barre = o->destination.rfind('/');
  const std::string dossier = barre == std::string::npos ? "." : barre == 0 ? "/" : o->destination.substr(0, barre);
  std::string modele = dossier + "/.tamrel-ql-XXXXXX";
  if (modele.size() > PATH_MAX) return Echoue(o, ENAMETOOLONG), false;
  std::vector<char> nom(modele.begin(), modele.end());
  nom.push_back(0);
  o->fd = mkostemp(nom.data(), O_CLOEXEC);
  if (o->fd < 0) return Echoue(o, errno), false;
  o->temporary = nom.data();
  std::memcpy(gPartiel, nom.data(), nom.size());
  return EcritTenus(o);
}

// Cairo hands over a PDF a few bytes at a time (hundreds of pieces for one
// page): they are gathered and written in large blocks, one system call each.
constexpr size_t kBlocEcriture = 64 * 1024;

// Cairo's writer: nothing touches the file system before a page exists.
cairo_status_t EcritSortie(void* closure, const unsigned char* data, unsigned int n) {
  auto* r = static_cast<QLRequest*>(closure);
  QLOutput* o = r->pending;
  if (!o || o->error) return CAIRO_STATUS_WRITE_ERROR;
  o->held.append(reinterpret_cast<const char*>(data), n);
  if (r->pagesDrawn == 0 || o->held.size() < kBlocEcriture) return CAIRO_STATUS_SUCCESS;
  if (o->fd < 0) return OuvreTemporaire(r, o) ? CAIRO_STATUS_SUCCESS : CAIRO_STATUS_WRITE_ERROR;
  return EcritTenus(o) ? CAIRO_STATUS_SUCCESS : CAIRO_STATUS_WRITE_ERROR;
}

void OublieTemporaire(QLOutput* o) {
  if (o->fd >= 0) close(o->fd);
  o->fd = -1;
  if (!o->temporary.empty()) unlink(o->temporary.c_str());
  o->temporary.clear();
  gPartiel[0] = 0;
}

// The output is put in place only complete: every byte written, on the disk
// before it replaces a file, closed without error; then one rename.
void PlaceSortie(QLRequest* r, QLOutput* o) {
  if (o->error == 0 && o->fd < 0) OuvreTemporaire(r, o);
  else if (o->error == 0 && !o->held.empty()) EcritTenus(o);
  if (o->error == 0 && fchmod(o->fd, o->mode) != 0) Echoue(o, errno);
  if (o->error == 0 && o->replaces && fdatasync(o->fd) != 0) Echoue(o, errno);
  if (o->fd >= 0) {
    if (close(o->fd) != 0) Echoue(o, errno);
    o->fd = -1;
  }
  if (o->error == 0 && rename(o->temporary.c_str(), o->destination.c_str()) != 0) Echoue(o, errno);
  if (o->error == 0) {
    o->temporary.clear();
    gPartiel[0] = 0;
  }
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

const char* Bundle(QLRequest* r) { return r->bundle.c_str(); }

cairo_t* CreeContexte(QLRequest* r, QLSize size, double scale) {
  if (r->context || !DimensionsValides(size.width, size.height, scale)) return nullptr;
  r->scale = scale;
  r->width = size.width * scale;
  r->height = size.height * scale;
  if (!r->pending) r->pending = new QLOutput;
  cairo_surface_t* s;
  if (r->kind == kQLRequestPreview) s = cairo_pdf_surface_create_for_stream(EcritSortie, r, r->width, r->height);
  else {
    cairo_rectangle_t etendue = {0, 0, r->width, r->height};
    s = cairo_recording_surface_create(CAIRO_CONTENT_COLOR_ALPHA, &etendue);
  }
  if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
    r->pending->cairoStatus = cairo_surface_status(s);
    Echoue(r->pending, kErreurCairo);
    cairo_surface_destroy(s);
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
  if (!r->pending) r->pending = new QLOutput;
  cairo_surface_t* s = cairo_pdf_surface_create_for_stream(EcritSortie, r, r->width, r->height);
  if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
    r->pending->cairoStatus = cairo_surface_status(s);
    Echoue(r->pending, kErreurCairo);
    cairo_surface_destroy(s);
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
  const cairo_status_t statut = cairo_surface_write_to_png_stream(image, EcritSortie, r);
  if (statut != CAIRO_STATUS_SUCCESS && r->pending->error == 0) {
    r->pending->cairoStatus = statut;
    Echoue(r->pending, kErreurCairo);
  }
  cairo_surface_destroy(image);
}

void Vide(QLRequest* r, cairo_t* cr) {
  if (!cr || cr != r->context || r->surface == nullptr) return;
  auto* s = static_cast<cairo_surface_t*>(r->surface);
  if (cairo_surface_get_type(s) == CAIRO_SURFACE_TYPE_RECORDING) {
    if (r->pagesDrawn == 0) {
      cairo_surface_flush(s);
      r->pagesDrawn = 1;
      EcritVignette(r);
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
  if (r->failure[0] == 0) std::snprintf(r->failure, sizeof r->failure, "%s", reason ? reason : "");
}

const QLRequestProcs kProcs = {Bundle,     CreeContexte, CreeContextePDF, DebutPagePDF,
                               FinPagePDF, Vide,         Libere,          NoteEchec};

}  // namespace

void QLRequestInit(QLRequest* r, QLRequestKind kind, const char* bundle, const char* output, int32_t thumbnailPixels) {
  *r = QLRequest{};
  r->procs = &kProcs;
  r->kind = kind;
  r->bundle = bundle ? bundle : "";
  r->output = output ? output : "";
  r->thumbnailPixels = thumbnailPixels;
}

void QLRequestEnd(QLRequest* r) {
  if (!r) return;
  if (r->context) {
    auto* s = static_cast<cairo_surface_t*>(r->surface);
    cairo_destroy(r->context);
    r->context = nullptr;
    cairo_surface_finish(s);
    const cairo_status_t statut = cairo_surface_status(s);
    if (statut != CAIRO_STATUS_SUCCESS && r->pending && r->pending->error == 0) {
      r->pending->cairoStatus = statut;
      Echoue(r->pending, kErreurCairo);
    }
    cairo_surface_destroy(s);
    r->surface = nullptr;
  }
  QLOutput* o = r->pending;
  if (!o) return;
  r->pending = nullptr;
  // Nothing drawn: nothing was written, and whatever is at the output stays.
  if (r->pagesDrawn > 0) PlaceSortie(r, o);
  // A context that could not be made is a failure to write as well.
  if (o->error != 0) {
    r->writeError = true;
    r->writeReason = TexteErreur(o->error, o->cairoStatus);
  }
  OublieTemporaire(o);
  delete o;
}

void QLRequestRemovePartialOutput() {
  if (gPartiel[0]) unlink(gPartiel);
}
