// tamrel-ql: the command-line host that plays the part of the preview service.
#include <dlfcn.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/QLGenerator.h"
#include "platform/QLRequest.h"
#include "platform/SpecialFolders.h"

namespace {

// --timing: wall-clock phases, printed to stderr as "timing: PHASE MS ms".
// Process start-up before main (the loader mapping and relocating the linked
// libraries) is not seen here; `perf stat` shows the whole. For a one-page
// score (blank pages), most of what is left is fontconfig reading its XML
// configuration (~4 ms of "font activation"); the document and screen ports
// used to cost ~2.5 ms of page faults before their pixels became lazy.
bool gTiming = false;
using Horloge = std::chrono::steady_clock;
const Horloge::time_point gDebut = Horloge::now();
double gEcritureMs = 0;  // flush and release of the output, summed
double gFinsPageMs = 0;  // ends of the PDF's pages, summed

double MsDepuis(Horloge::time_point t) { return std::chrono::duration<double, std::milli>(Horloge::now() - t).count(); }

void NoteTemps(const char* phase, double ms) {
  if (gTiming) std::fprintf(stderr, "timing: %-22s %8.3f ms\n", phase, ms);
}

// The request's own calls, wrapped to time the writing of the output: the PDF
// is written as the context is released, the thumbnail's PNG as it is flushed.
const QLRequestProcs* gProcsHote = nullptr;
void VideChronometre(QLRequest* r, cairo_t* cr) {
  auto t = Horloge::now();
  gProcsHote->flushContext(r, cr);
  gEcritureMs += MsDepuis(t);
}
void LibereChronometre(QLRequest* r, cairo_t* cr) {
  auto t = Horloge::now();
  gProcsHote->releaseContext(r, cr);
  gEcritureMs += MsDepuis(t);
}
// A PDF page is turned into its bytes (the drawing replayed, then compressed)
// as it ends: a large part of a long score's time, in no engine phase.
void FinPageChronometre(QLRequest* r, cairo_t* cr) {
  auto t = Horloge::now();
  gProcsHote->endPDFPage(r, cr);
  gFinsPageMs += MsDepuis(t);
}

const char* kUsage =
    "usage: tamrel-ql [--trace] [--timing] [--frames] [--time-limit S] [--bundle DIR] COMMAND ...\n"
    "  preview INPUT -o OUT.pdf           write the preview, one PDF page per score page\n"
    "  thumbnail INPUT -o OUT.png [-s N]  write the thumbnail of the first page (N pixels, default 256)\n"
    "  --version                          print the version and the plug-in found\n"
    "  --help                             this text\n"
    "  --trace                            send the engine's silent reporters to stderr\n"
    "  --timing                           print the wall time of each phase to stderr (milliseconds):\n"
    "                                     the host's (plug-in load, factory, request, PDF page ends,\n"
    "                                     output writing, total since main) and the engine's (font\n"
    "                                     activation, document loading, page recording, drawing into\n"
    "                                     the output)\n"
    "  --frames                           draw the frames of the page elements and staff entries (layout check)\n"
    "  --time-limit S                     give up a request after S seconds (default 20; 0: no limit)\n"
    "  --bundle DIR                       the plug-in bundle (default: TamrelQL.qlgenerator beside tamrel-ql)\n"
    "OUT is replaced only by a complete preview: a request that fails leaves it as it was.\n";

// A name as it can be shown on one line: control bytes are escaped.
std::string Nom(const std::string& s) {
  std::string r;
  for (unsigned char c : s) {
    if (c == '\n') {
      r += "\\n";
    } else if (c == '\t') {
      r += "\\t";
    } else if (c < 0x20 || c == 0x7F) {
      char esc[8];
      std::snprintf(esc, sizeof esc, "\\x%02X", c);
      r += esc;
    } else {
      r += char(c);
    }
  }
  return r;
}

// Every refusal is one line on stderr.
int Refuse(int code, const std::string& texte) {
  std::fprintf(stderr, "tamrel-ql: %s\n", texte.c_str());
  return code;
}

// A bad command line: what was wrong, then where the usage is.
int MauvaisArguments(const std::string& texte) { return Refuse(2, texte + " (see tamrel-ql --help)"); }

std::string ExecutableDir() {
  char* p = realpath("/proc/self/exe", nullptr);
  if (!p) return ".";
  std::string chemin(p);
  std::free(p);
  size_t slash = chemin.rfind('/');
  return slash == std::string::npos ? "." : slash == 0 ? "/" : chemin.substr(0, slash);
}

// "file://" and the absolute path, bytes outside the unreserved set escaped.
std::string FileURL(const std::string& path) {
  char* abs = realpath(path.c_str(), nullptr);
  if (!abs) return {};
  std::string url = "file://";
  for (const char* p = abs; *p; ++p) {
    unsigned char c = static_cast<unsigned char>(*p);
    if (std::isalnum(c) || std::strchr("/-._~", c)) {
      url += char(c);
    } else {
      char esc[4];
      std::snprintf(esc, sizeof esc, "%%%02X", c);
      url += esc;
    }
  }
  std::free(abs);
  return url;
}

// The output named from the starting folder: the plug-in moves the current
// folder to the document's while it loads.
std::string AbsolutePath(const std::string& path) {
  if (!path.empty() && path[0] == '/') return path;
  char* cwd = getcwd(nullptr, 0);
  if (!cwd) return path;
  std::string abs = std::string(cwd) + "/" + path;
  std::free(cwd);
  return abs;
}

std::string ParentDir(const std::string& path) {
  char* abs = realpath(path.c_str(), nullptr);
  std::string p = abs ? std::string(abs) : path;
  std::free(abs);
  size_t slash = p.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : p.substr(0, slash);
}

// Why a file cannot be read or written, in the words of our messages.
const char* TexteErreur(int err) {
  switch (err) {
    case ENOENT: return "no such file";
    case ENOTDIR: return "a part of its path is not a folder";
    case EACCES:
    case EPERM: return "permission denied";
    case ENAMETOOLONG: return "path too long";
    case ELOOP: return "too many symbolic links";
    default: return std::strerror(err);
  }
}

// The input must be a regular file: a folder holds no score, and a pipe or a
// device would block the request or never end.
int VerifieEntree(const std::string& input, struct stat* st) {
  if (stat(input.c_str(), st) != 0) return Refuse(1, Nom(input) + ": " + TexteErreur(errno));
  if (S_ISDIR(st->st_mode)) return Refuse(1, Nom(input) + ": a folder, not a file");
  if (!S_ISREG(st->st_mode)) return Refuse(1, Nom(input) + ": not a regular file");
  if (access(input.c_str(), R_OK) != 0) return Refuse(1, Nom(input) + ": " + TexteErreur(errno));
  return 0;
}

// The output may be a new name or a regular file other than the input; its
// folder must exist and take new files. Checked before anything is loaded, so
// that a bad output costs nothing; the request checks again as it writes.
int VerifieSortie(const std::string& output, const struct stat& entree) {
  if (output.size() >= PATH_MAX) return MauvaisArguments(Nom(output.substr(0, 64)) + "...: output path too long");
  struct stat st;
  if (stat(output.c_str(), &st) == 0) {
    if (st.st_dev == entree.st_dev && st.st_ino == entree.st_ino)
      return MauvaisArguments(Nom(output) + ": the output is the input file");
    if (S_ISDIR(st.st_mode)) return MauvaisArguments(Nom(output) + ": the output is a folder");
    if (!S_ISREG(st.st_mode)) return MauvaisArguments(Nom(output) + ": the output is not a regular file");
  } else if (errno != ENOENT) {
    return Refuse(1, Nom(output) + ": cannot be written: " + TexteErreur(errno));
  }
  const std::string dossier = ParentDir(output);
  struct stat sd;
  if (stat(dossier.c_str(), &sd) != 0 || !S_ISDIR(sd.st_mode))
    return Refuse(1, Nom(output) + ": cannot be written: its folder does not exist");
  if (access(dossier.c_str(), W_OK | X_OK) != 0)
    return Refuse(1, Nom(output) + ": cannot be written: " + TexteErreur(errno));
  return 0;
}

// The time bound's last resort: whatever the engine is doing when it runs
// over, the request ends with its one line and no temporary file is left.
// The engine stops by itself in its long loops a little earlier.
char gMessageDelai[512];
size_t gTailleMessageDelai = 0;
constexpr unsigned kGraceDelai = 2;

void DelaiEcoule(int) {
  QLRequestRemovePartialOutput();
  if (write(STDERR_FILENO, gMessageDelai, gTailleMessageDelai) < 0) {
  }
  _exit(1);
}

void ArmeDelai(const std::string& input, double secondes) {
  if (secondes <= 0) return;
  std::snprintf(gMessageDelai, sizeof gMessageDelai,
                "tamrel-ql: %.400s: not previewed: the request ran out of time (%g s)\n", Nom(input).c_str(), secondes);
  gTailleMessageDelai = std::strlen(gMessageDelai);
  struct sigaction sa = {};
  sa.sa_handler = DelaiEcoule;
  sigaction(SIGALRM, &sa, nullptr);
  alarm(unsigned(std::ceil(secondes)) + kGraceDelai);
}

// Plays the preview service: loads the plug-in, asks the factory for a
// generator, the generator for its callbacks, and runs one request.
int RunRequest(const std::string& lib, const std::string& bundle, bool thumbnail, const std::string& input,
               const std::string& output, const std::string& nomSortie, int size) {
  std::string url = FileURL(input);
  if (url.empty()) return Refuse(1, Nom(input) + ": " + TexteErreur(errno));
  auto t = Horloge::now();
  void* handle = dlopen(lib.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) return Refuse(1, std::string("plug-in not loaded (") + dlerror() + ")");
  NoteTemps("load plug-in", MsDepuis(t));
  t = Horloge::now();
  auto factory = reinterpret_cast<QLPluginFactoryProc>(dlsym(handle, kQLFactoryName));
  QLUUID type, callbacks;
  QLUUIDFromString(kQLGeneratorTypeID, &type);
  QLUUIDFromString(kQLGeneratorCallbacksInterfaceID, &callbacks);
  void* instance = factory ? factory(nullptr, &type) : nullptr;
  if (!instance) {
    dlclose(handle);
    return Refuse(1, "the plug-in gave no generator");
  }
  QLGeneratorInterface* base = *static_cast<QLGeneratorInterface**>(instance);
  void* generator = nullptr;
  if (base->QueryInterface(instance, callbacks, &generator) != 0 || !generator) {
    base->Release(instance);
    dlclose(handle);
    return Refuse(1, "the plug-in has no generator callbacks");
  }
  QLGeneratorInterface* calls = *static_cast<QLGeneratorInterface**>(generator);
  NoteTemps("factory + callbacks", MsDepuis(t));
  QLRequest request;
  QLRequestInit(&request, thumbnail ? kQLRequestThumbnail : kQLRequestPreview, bundle.c_str(), output.c_str(), size);
  QLRequestProcs chronometre;
  if (gTiming) {
    gProcsHote = request.procs;
    chronometre = *request.procs;
    chronometre.flushContext = VideChronometre;
    chronometre.releaseContext = LibereChronometre;
    chronometre.endPDFPage = FinPageChronometre;
    request.procs = &chronometre;
  }
  t = Horloge::now();
  const char* type_ = nullptr;
  if (thumbnail)
    calls->GenerateThumbnailForURL(generator, &request, url.c_str(), type_, nullptr,
                                   QLSize{double(size), double(size)});
  else calls->GeneratePreviewForURL(generator, &request, url.c_str(), type_, nullptr);
  {
    auto e = Horloge::now();
    QLRequestEnd(&request);
    gEcritureMs += MsDepuis(e);
  }
  alarm(0);
  NoteTemps("request", MsDepuis(t));
  if (gFinsPageMs > 0) NoteTemps("  of which PDF page ends", gFinsPageMs);
  NoteTemps("  of which output write", gEcritureMs);
  calls->Release(generator);
  base->Release(instance);
  // The plug-in's library stays loaded: its exit handler runs at process end.

  if (request.writeError)
    return Refuse(1, Nom(nomSortie) + ": cannot be written: " +
                         (request.writeReason.empty() ? "the drawing failed" : request.writeReason));
  if (request.pagesDrawn == 0)
    return Refuse(1,
                  Nom(input) + ": not previewed: " + (request.failure[0] ? request.failure : "nothing could be drawn"));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // Past a file-size limit a write fails with its own error instead of
  // ending the process.
  signal(SIGXFSZ, SIG_IGN);
  std::string bundle = ExecutableDir() + "/TamrelQL.qlgenerator";
  std::vector<std::string> args;
  bool version = false;
  double delai = kQLRequestTimeLimit;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--help" || a == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (a == "--version") {
      version = true;
    } else if (a == "--timing") {
      gTiming = true;
      setenv("TAMREL_TIMING", "1", 1);
    } else if (a == "--trace") {
      setenv("TAMREL_TRACE", "1", 1);
    } else if (a == "--frames") {
      setenv("TAMREL_FRAMES", "1", 1);
    } else if (a == "--bundle") {
      if (++i >= argc) return MauvaisArguments("--bundle needs a folder");
      bundle = argv[i];
    } else if (a == "--time-limit") {
      char* fin = nullptr;
      const long v = ++i < argc ? std::strtol(argv[i], &fin, 10) : -1;
      if (!fin || *fin || fin == argv[i] || v < 0 || v > 86400)
        return MauvaisArguments("--time-limit needs a number of seconds (0 to 86400, 0: no limit)");
      delai = double(v);
    } else if (a.size() > 1 && a[0] == '-' && args.empty()) {
      return MauvaisArguments("unknown option '" + Nom(a) + "'");
    } else {
      args.push_back(a);
    }
  }

  std::string lib = bundle + "/TamrelQL.so";
  if (version) {
    std::printf("tamrel-ql %s\n", TAMREL_VERSION);
    void* handle = dlopen(lib.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
      std::printf("plug-in: not loaded (%s)\n", dlerror());
      return 1;
    }
    bool ok = dlsym(handle, "QuickLookGeneratorPluginFactory") != nullptr;
    std::printf("plug-in: %s%s\n", lib.c_str(), ok ? "" : " (no factory)");
    dlclose(handle);
    return ok ? 0 : 1;
  }
  if (args.empty()) return MauvaisArguments("no command given");
  if (args[0] != "preview" && args[0] != "thumbnail") return MauvaisArguments("unknown command '" + Nom(args[0]) + "'");

  const bool thumbnail = args[0] == "thumbnail";
  std::string input, output;
  bool sortieDonnee = false, tailleDonnee = false;
  int size = 256;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "-o") {
      if (sortieDonnee) return MauvaisArguments("-o given twice");
      if (i + 1 >= args.size() || args[i + 1].empty()) return MauvaisArguments("-o needs a file name");
      output = args[++i];
      sortieDonnee = true;
    } else if (a == "-s") {
      if (!thumbnail) return MauvaisArguments("-s applies to thumbnails only");
      if (tailleDonnee) return MauvaisArguments("-s given twice");
      if (i + 1 >= args.size()) return MauvaisArguments("-s needs a size in pixels (1 to 4096)");
      char* end = nullptr;
      long v = std::strtol(args[++i].c_str(), &end, 10);
      if (!end || *end || args[i].empty() || v < 1 || v > 4096)
        return MauvaisArguments("bad size '" + Nom(args[i]) + "' (1 to 4096)");
      size = int(v);
      tailleDonnee = true;
    } else if (a.size() > 1 && a[0] == '-') {
      return MauvaisArguments("unknown option '" + Nom(a) + "'");
    } else if (!input.empty()) {
      return MauvaisArguments("one input only ('" + Nom(input) + "', then '" + Nom(a) + "')");
    } else if (a.empty()) {
      return MauvaisArguments("the input file name is empty");
    } else {
      input = a;
    }
  }
  if (input.empty()) return MauvaisArguments("no input file");
  if (output.empty()) return MauvaisArguments("no output file (-o OUT)");

  struct stat entree;
  if (int rc = VerifieEntree(input, &entree)) return rc;
  if (int rc = VerifieSortie(output, entree)) return rc;
  // Without its music font a preview would draw every symbol wrong.
  const std::string police = bundle + "/Resources/SVELLARI.TTF";
  if (access(police.c_str(), R_OK) != 0)
    return Refuse(1, Nom(bundle) + ": the bundle has no music font (Resources/SVELLARI.TTF)");

  char texteDelai[32];
  std::snprintf(texteDelai, sizeof texteDelai, "%g", delai);
  setenv("TAMREL_TIME_LIMIT", texteDelai, 1);
  ArmeDelai(input, delai);
  // The application folder (error log) is the bundle's parent.
  SetApplicationFolderPath(ParentDir(bundle).c_str());
  const int rc =
      RunRequest(AbsolutePath(lib), AbsolutePath(bundle), thumbnail, input, AbsolutePath(output), output, size);
  NoteTemps("total since main", MsDepuis(gDebut));
  return rc;
}
