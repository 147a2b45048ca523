// tamrel-ql: the command-line host that plays the part of the preview service.
#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char* kUsage =
    "usage: tamrel-ql [--trace] [--bundle DIR] COMMAND ...\n"
    "  preview INPUT -o OUT.pdf           write the preview, one PDF page per score page\n"
    "  thumbnail INPUT -o OUT.png [-s N]  write the thumbnail of the first page (N pixels, default 256)\n"
    "  --version                          print the version and the plug-in found\n"
    "  --help                             this text\n"
    "  --trace                            send the engine's silent reporters to stderr\n"
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
  std::fprintf(stderr, "tamrel-ql: unknown command '%s'\n", args[0].c_str());
  return 2;
}
