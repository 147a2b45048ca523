#pragma once
// Shared by the fuzz targets. Each target is one file defining
// LLVMFuzzerTestOneInput over one reader of untrusted bytes; the same file is
// linked either with libFuzzer (scripts/fuzz) or with FuzzReplay.cpp, which
// replays seeds and past findings in the ordinary test builds.
//
// A target must leave no state behind that changes the next input, free what
// the reader gave it, and write nothing outside its private folder.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/SpecialFolders.h"

namespace tamrel_fuzz {

// A private folder for the whole run (error log, files the load path reads),
// removed at exit. A plain array: it must outlive the exit handler.
inline const char* DossierPrive() {
  static char chemin[1024] = "";
  static bool fait = false;
  if (fait) return chemin;
  fait = true;
  const char* tmp = std::getenv("TMPDIR");
  std::snprintf(chemin, sizeof chemin, "%s/tamrel-fuzz-XXXXXX", tmp && *tmp == '/' ? tmp : "/tmp");
  if (!mkdtemp(chemin)) {
    chemin[0] = 0;
    return chemin;
  }
  std::atexit([] {
    char p[1200];
    for (const char* nom : {"Selvane.err", "doc", "doc.qrv", "doc.musicxml", "doc.mxl", "doc.abc", "doc.tab", "doc.pdf",
                            "doc.png", "TamrelQL.qlgenerator"}) {
      std::snprintf(p, sizeof p, "%s/%s", chemin, nom);
      std::remove(p);
    }
    rmdir(chemin);
  });
  return chemin;
}

// The reporters write their log beside the application: here, in the
// private folder.
inline void InitCommun() {
  static bool fait = false;
  if (fait) return;
  fait = true;
  if (DossierPrive()[0]) SetApplicationFolderPath(DossierPrive());
}

// The input copied into an exactly sized block, so that the sanitizer sees
// any read past its end (libFuzzer's own buffer already is; the replay's is
// not).
struct Exact {
  Exact(const uint8_t* data, size_t size) : p(new uint8_t[size ? size : 1]), n(size) {
    if (size) std::memcpy(p, data, size);
  }
  ~Exact() { delete[] p; }
  Exact(const Exact&) = delete;
  Exact& operator=(const Exact&) = delete;
  uint8_t* p;
  size_t n;
};

// Writes the bytes as `nom` in the private folder; the path, or empty.
inline std::string EcritFichier(const char* nom, const uint8_t* data, size_t size) {
  const std::string chemin = std::string(DossierPrive()) + "/" + nom;
  FILE* f = std::fopen(chemin.c_str(), "wb");
  if (!f) return std::string();
  const bool ok = size == 0 || std::fwrite(data, 1, size, f) == size;
  if (std::fclose(f) != 0 || !ok) return std::string();
  return chemin;
}

}  // namespace tamrel_fuzz
