#include "import/MXLContainer.h"

#include <minizip/unzip.h>

#include <cstring>

#include "import/XMLBrowser.h"
#include "platform/Memory.h"
#include "system/Reporters.h"
#include "system/Strings.h"

namespace {

Size gTailleMaxMembreZip = 256 * 1024 * 1024;

constexpr int kBlocExtraction = 8192;

// Appends to a handle sized ahead from the member's declared size, so the
// common case is a single allocation.
struct EcritureMembre {
  Handle h;
  Size used;
};

bool EcritBloc(EcritureMembre* w, const char* data, Size n) {
  if (n > gTailleMaxMembreZip - w->used) return false;
  Size need = w->used + n;
  if (need > GetHandleSize(w->h)) {
    Size grow = GetHandleSize(w->h) + 32768;
    if (grow < need) grow = need;
    if (grow > gTailleMaxMembreZip) grow = gTailleMaxMembreZip;
    SetHandleSize(w->h, grow);
    if (MemError() != noErr) return false;
  }
  std::memcpy(*w->h + w->used, data, static_cast<size_t>(n));
  w->used = need;
  return true;
}

// Extracts the current member of an open zip into w. 0 on success.
int do_extract_currentfile(unzFile uf, EcritureMembre* w) {
  char name[256];
  unz_file_info info;
  int err = unzGetCurrentFileInfo(uf, &info, name, sizeof name, nullptr, 0, nullptr, 0);
  if (err != UNZ_OK) {
    Printf("error %d with zipfile in unzGetCurrentFileInfo\n", err);
    return err;
  }
  name[sizeof name - 1] = 0;
  size_t len = std::strlen(name);
  if (len > 0 && (name[len - 1] == '/' || name[len - 1] == '\\')) return UNZ_OK;  // a folder
  if (info.flag & 1) {
    // Encrypted: no password is ever given, and reading it as plain data
    // would only yield garbage.
    Printf("error %d with zipfile in unzOpenCurrentFilePassword\n", UNZ_BADZIPFILE);
    return UNZ_BADZIPFILE;
  }
  if (info.uncompressed_size > static_cast<uLong>(gTailleMaxMembreZip)) {
    Printf("error %d with zipfile in unzGetCurrentFileInfo\n", UNZ_BADZIPFILE);
    return UNZ_BADZIPFILE;
  }
  SetHandleSize(w->h, static_cast<Size>(info.uncompressed_size));
  if (MemError() != noErr) {
    Printf("Error allocating memory\n");
    return -104;
  }
  err = unzOpenCurrentFilePassword(uf, nullptr);
  if (err != UNZ_OK) {
    Printf("error %d with zipfile in unzOpenCurrentFilePassword\n", err);
    return err;
  }
  Printf(" extracting: %s\n", name);
  char buf[kBlocExtraction];
  for (;;) {
    int n = unzReadCurrentFile(uf, buf, sizeof buf);
    if (n < 0) {
      err = n;
      Printf("error %d with zipfile in unzReadCurrentFile\n", err);
      break;
    }
    if (n == 0) break;
    if (!EcritBloc(w, buf, n)) {
      err = UNZ_BADZIPFILE;  // larger than it said, or no memory
      break;
    }
  }
  int closeErr = unzCloseCurrentFile(uf);
  if (closeErr != UNZ_OK) Printf("error %d with zipfile in unzCloseCurrentFile\n", closeErr);
  if (err == UNZ_OK) err = closeErr;
  return err;
}

// The container's own file name with its extension replaced by "xml".
bool NomMembreParDefaut(const char* zipPath, char* name) {
  const char* slash = std::strrchr(zipPath, '/');
  const char* base = slash ? slash + 1 : zipPath;
  const char* dot = std::strrchr(base, '.');
  size_t stem = dot ? static_cast<size_t>(dot - base) : std::strlen(base);
  if (stem + 4 >= static_cast<size_t>(kMXLNameSize)) return false;
  std::memcpy(name, base, stem);
  std::memcpy(name + stem, ".xml", 5);
  return true;
}

}  // namespace

Size SetTailleMaxMembreZip(Size bytes) {
  Size previous = gTailleMaxMembreZip;
  gTailleMaxMembreZip = bytes > 0 && bytes <= kMaxBlockSize ? bytes : kMaxBlockSize;
  return previous;
}

Handle UnzipFile(const char* zipPath, const char* memberName) {
  if (!zipPath || !memberName) return nullptr;
  EcritureMembre w{NewHandle(0), 0};
  if (!w.h) return nullptr;
  bool ok = false;
  unzFile uf = unzOpen(zipPath);
  if (uf) {
    if (unzLocateFile(uf, memberName, 0) != UNZ_OK)
      Printf("file %s not found in the zipfile\n", memberName);
    else
      ok = do_extract_currentfile(uf, &w) == UNZ_OK;
    unzClose(uf);
  }
  if (ok) {
    SetHandleSize(w.h, w.used);  // shrinking cannot fail
    return w.h;
  }
  DisposeHandle(w.h);
  return nullptr;
}

void DisposeZipHandle(Handle h) {
  if (h) DisposeHandle(h);
}

Handle LoadMXL(const char* zipPath) {
  if (!zipPath) return nullptr;
  char name[kMXLNameSize];
  bool named = NomMembreParDefaut(zipPath, name);
  Handle container = UnzipFile(zipPath, "META-INF/container.xml");
  if (container) {
    char err[kXMLErrTextSize];
    XMLRootElt* root = BrowseXMLFile(container, nullptr, err, 1);
    DisposeZipHandle(container);
    if (!root) return nullptr;  // a container that does not parse names nothing
    int32_t n = 0;
    XMLElt** rootfiles = XMLGetElts(root, "container/rootfiles/@rootfile", &n);
    const char* path = n > 0 ? XMLGetAttributeValue(rootfiles[0], "full-path") : nullptr;
    if (path) {
      named = std::strlen(path) < static_cast<size_t>(kMXLNameSize);
      if (named) strnzcpy(name, path, kMXLNameSize);
    }
    XMLDisposeElts(rootfiles);
    XMLBrowserDispose(root);
  }
  return named ? UnzipFile(zipPath, name) : nullptr;
}
