// tamrel-ql: the command-line host that plays the part of the preview service.
#include <dlfcn.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <climits>
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

double MsDepuis(Horloge::time_point t) {
  return std::chrono::duration<double, std::milli>(Horloge::now() - t).count();
}

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

const char* kUsage =
    "usage: tamrel-ql [--trace] [--timing] [--bundle DIR] COMMAND ...\n"
    "  preview INPUT -o OUT.pdf           write the preview, one PDF page per score page\n"
    "  thumbnail INPUT -o OUT.png [-s N]  write the thumbnail of the first page (N pixels, default 256)\n"
    "  --version                          print the version and the plug-in found\n"
    "  --help                             this text\n"
    "  --trace                            send the engine's silent reporters to stderr\n"
    "  --timing                           print the wall time of each phase to stderr (milliseconds):\n"
    "                                     the host's (plug-in load, factory, request, output writing,\n"
    "                                     total since main) and the engine's (font activation, document\n"
    "                                     loading, page recording, drawing into the output)\n"
    "  --bundle DIR                       the plug-in bundle (default: TamrelQL.qlgenerator beside tamrel-ql)\n";

std::string ExecutableDir() {
  char buf[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return ".";
  buf[n] = 0;
  std::string p(buf);
  size_t slash = p.rfind('/');
  return slash == std::string::npos ? "." : p.substr(0, slash);
}

// "file://" and the absolute path, bytes outside the unreserved set escaped.
std::string FileURL(const std::string& path) {
  char abs[PATH_MAX];
  if (!realpath(path.c_str(), abs)) return {};
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
  return url;
}

// The output named from the starting folder: the plug-in moves the current
// folder to the document's while it loads.
std::string AbsolutePath(const std::string& path) {
  if (!path.empty() && path[0] == '/') return path;
  char cwd[PATH_MAX];
  if (!getcwd(cwd, sizeof cwd)) return path;
  return std::string(cwd) + "/" + path;
}

std::string ParentDir(const std::string& path) {
  char abs[PATH_MAX];
  std::string p = realpath(path.c_str(), abs) ? std::string(abs) : path;
  size_t slash = p.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : p.substr(0, slash);
}

// Plays the preview service: loads the plug-in, asks the factory for a
// generator, the generator for its callbacks, and runs one request.
int RunRequest(const std::string& lib, const std::string& bundle, bool thumbnail, const std::string& input,
               const std::string& output, int size) {
  std::string url = FileURL(input);
  if (url.empty()) {
    std::fprintf(stderr, "tamrel-ql: %s: no such file\n", input.c_str());
    return 1;
  }
  auto t = Horloge::now();
  void* handle = dlopen(lib.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    std::fprintf(stderr, "tamrel-ql: plug-in not loaded (%s)\n", dlerror());
    return 1;
  }
  NoteTemps("load plug-in", MsDepuis(t));
  t = Horloge::now();
  auto factory = reinterpret_cast<QLPluginFactoryProc>(dlsym(handle, kQLFactoryName));
  QLUUID type, callbacks;
  QLUUIDFromString(kQLGeneratorTypeID, &type);
  QLUUIDFromString(kQLGeneratorCallbacksInterfaceID, &callbacks);
  void* instance = factory ? factory(nullptr, &type) : nullptr;
  if (!instance) {
    std::fprintf(stderr, "tamrel-ql: the plug-in gave no generator\n");
    dlclose(handle);
    return 1;
  }
  QLGeneratorInterface* base = *static_cast<QLGeneratorInterface**>(instance);
  void* generator = nullptr;
  if (base->QueryInterface(instance, callbacks, &generator) != 0 || !generator) {
    std::fprintf(stderr, "tamrel-ql: the plug-in has no generator callbacks\n");
    base->Release(instance);
    dlclose(handle);
    return 1;
  }
  QLGeneratorInterface* calls = *static_cast<QLGeneratorInterface**>(generator);
  NoteTemps("factory + callbacks", MsDepuis(t));
  QLRequest request;
  QLRequestInit(&request, thumbnail ? kQLRequestThumbnail : kQLRequestPreview, bundle.c_str(), output.c_str(),
                size);
  QLRequestProcs chronometre;
  if (gTiming) {
    gProcsHote = request.procs;
    chronometre = *request.procs;
    chronometre.flushContext = VideChronometre;
    chronometre.releaseContext = LibereChronometre;
    request.procs = &chronometre;
  }
  t = Horloge::now();
  const char* type_ = nullptr;
  if (thumbnail)
    calls->GenerateThumbnailForURL(generator, &request, url.c_str(), type_, nullptr,
                                   QLSize{double(size), double(size)});
  else
    calls->GeneratePreviewForURL(generator, &request, url.c_str(), type_, nullptr);
  {
    auto e = Horloge::now();
    QLRequestEnd(&request);
    gEcritureMs += MsDepuis(e);
  }
  NoteTemps("request", MsDepuis(t));
  NoteTemps("  of which output write", gEcritureMs);
  calls->Release(generator);
  base->Release(instance);
  // The plug-in's library stays loaded: its exit handler runs at process end.

  if (request.pagesDrawn == 0) {
    std::fprintf(stderr, "tamrel-ql: %s: not previewed: %s\n", input.c_str(),
                 request.failure[0] ? request.failure : "nothing could be drawn");
    return 1;
  }
  if (request.writeError) {
    std::fprintf(stderr, "tamrel-ql: %s: cannot be written\n", output.c_str());
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string bundle = ExecutableDir() + "/TamrelQL.qlgenerator";
  std::vector<std::string> args;
  bool version = false;
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
    } else if (a == "--bundle") {
      if (++i >= argc) {
        std::fputs(kUsage, stderr);
        return 2;
      }
      bundle = argv[i];
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
  if (args.empty()) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  if (args[0] == "preview" || args[0] == "thumbnail") {
    const bool thumbnail = args[0] == "thumbnail";
    std::string input, output;
    int size = 256;
    for (size_t i = 1; i < args.size(); ++i) {
      if (args[i] == "-o" && i + 1 < args.size()) {
        output = args[++i];
      } else if (thumbnail && args[i] == "-s" && i + 1 < args.size()) {
        char* end = nullptr;
        long v = std::strtol(args[++i].c_str(), &end, 10);
        if (!end || *end || v < 1 || v > 4096) {
          std::fprintf(stderr, "tamrel-ql: bad size '%s' (1 to 4096)\n", args[i].c_str());
          return 2;
        }
        size = int(v);
      } else if (input.empty() && (args[i].empty() || args[i][0] != '-')) {
        input = args[i];
      } else {
        std::fputs(kUsage, stderr);
        return 2;
      }
    }
    if (input.empty() || output.empty()) {
      std::fputs(kUsage, stderr);
      return 2;
    }
    // The application folder (error log) is the bundle's parent.
    SetApplicationFolderPath(ParentDir(bundle).c_str());
    const int rc =
        RunRequest(AbsolutePath(lib), AbsolutePath(bundle), thumbnail, input, AbsolutePath(output), size);
    NoteTemps("total since main", MsDepuis(gDebut));
    return rc;
  }
  std::fprintf(stderr, "tamrel-ql: unknown command '%s'\n", args[0].c_str());
  return 2;
}
