#include "import/MXLContainer.h"

#include <minizip/unzip.h>

#include <cstring>

#include "import/XMLBrowser.h"
#include "platform/Memory.h"
#include "system/Dossiers.h"
#include "system/QrvFiles.h"
#include "system/Reporters.h"
#include "system/Strings.h"

namespace {

Size gTailleMaxMembreZip = 256 * 1024 * 1024;

constexpr int kBlocExtraction = 8192;

// One block through the document stream's writer, which appends to the
// member's handle; false when the handle could not grow or the member went
// past the cap.
bool EcritBloc(const char* data, int32_t n, Size* total) {
  if (n > gTailleMaxMembreZip - *total || !PrepareEcritureHandle(n)) return false;
  for (int32_t i = 0; i < n; i++)
    if (!WriteCar(static_cast<uint8_t>(data[i]))) return false;
  *total += n;
  return true;
}

// Extracts the current member of an open zip through the stream's writer.
// 0 on success.
int do_extract_currentfile(unzFile uf) {
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
  // Room for the whole member at once: one allocation in the common case.
  if (!PrepareEcritureHandle(static_cast<int32_t>(info.uncompressed_size))) {
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
  Size total = 0;
  for (;;) {
    int n = unzReadCurrentFile(uf, buf, sizeof buf);
    if (n < 0) {
      err = n;
      Printf("error %d with zipfile in unzReadCurrentFile\n", err);
      break;
    }
    if (n == 0) break;
    if (!EcritBloc(buf, n, &total)) {
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
  if (stem + 4 >= static_cast<size_t>(kMXLNameSize)) return false;  // would not fit whole
  strnzcpy(name, base, kMXLNameSize);
  ajoute_extension(name, "xml", kMXLNameSize);
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
  Handle h = NewHandle(0);
  if (!h) return nullptr;
  FixeEcritureSurHandle(h);
  bool ok = false;
  unzFile uf = unzOpen(zipPath);
  if (uf) {
    if (unzLocateFile(uf, memberName, 0) != UNZ_OK)
      Printf("file %s not found in the zipfile\n", memberName);
    else
      ok = do_extract_currentfile(uf) == UNZ_OK;
    unzClose(uf);
  }
  // The writer lets go of the handle on every path, before it can be freed.
  TermineEcritureSurHandle();
  if (ok) return h;
  DisposeHandle(h);
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
