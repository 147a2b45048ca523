#include "import/MXLContainer.h"

#include <minizip/unzip.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "import/XMLBrowser.h"
#include "platform/Memory.h"
#include "system/BudgetRequete.h"
#include "system/Dossiers.h"
#include "system/Reporters.h"
#include "system/Strings.h"

namespace {

// Ceiling of one member, and how much larger than its container a member may
// grow: real scores shrink ten to forty times in a zip, a bomb a thousand.
Size gTailleMaxMembreZip = Size(128) << 20;
constexpr Size kRapportMembreZip = 100;
constexpr Size kPlancherMembreZip = Size(8) << 20;

constexpr int kBlocExtraction = 8192;
// The handle starts at most this large, whatever the member says it holds.
constexpr Size kTailleInitialeMembre = Size(1) << 20;

char gRaison[160];

void NoteRaison(const char* texte) {
  if (gRaison[0] == 0) std::snprintf(gRaison, sizeof gRaison, "%s", texte);
}

// The largest member this container may give: a multiple of its real size on
// disk (the member's own sizes are only what its header claims).
Size LimiteMembre(const char* zipPath) {
  struct stat st;
  Size limite = kPlancherMembreZip;
  if (stat(zipPath, &st) == 0 && st.st_size > 0)
    limite = st.st_size >= gTailleMaxMembreZip / kRapportMembreZip
                 ? gTailleMaxMembreZip
                 : std::max(limite, Size(st.st_size) * kRapportMembreZip);
  return std::min(limite, gTailleMaxMembreZip);
}

// Extracts the current member of an open zip into `h`, inflating block by
// block and counting what really comes out. 0 on success.
int do_extract_currentfile(unzFile uf, Handle h, Size limite) {
  char name[256];
  unz_file_info info;
  int err = unzGetCurrentFileInfo(uf, &info, name, sizeof name, nullptr, 0, nullptr, 0);
  if (err != UNZ_OK) {
    Printf("error %d with zipfile in unzGetCurrentFileInfo\n", err);
    NoteRaison("damaged zip archive");
    return err;
  }
  name[sizeof name - 1] = 0;
  size_t len = std::strlen(name);
  if (len > 0 && (name[len - 1] == '/' || name[len - 1] == '\\')) return UNZ_OK;  // a folder
  if (info.flag & 1) {
    // Encrypted: no password is ever given, and reading it as plain data
    // would only yield garbage.
    Printf("error %d with zipfile in unzOpenCurrentFilePassword\n", UNZ_BADZIPFILE);
    NoteRaison("the score is encrypted");
    return UNZ_BADZIPFILE;
  }
  // A member that says it is larger than allowed is refused at once; one that
  // says less is still counted as it inflates.
  if (info.uncompressed_size > static_cast<uLong>(limite)) {
    Printf("error %d with zipfile in unzGetCurrentFileInfo\n", UNZ_BADZIPFILE);
    NoteRaison("the score inside the zip is larger than its memory budget");
    return UNZ_BADZIPFILE;
  }
  Size capacite = std::min(Size(info.uncompressed_size), kTailleInitialeMembre);
  SetHandleSize(h, capacite);
  if (MemError() != noErr) {
    Printf("Error allocating memory\n");
    NoteRaison("out of memory extracting the score");
    return -104;
  }
  err = unzOpenCurrentFilePassword(uf, nullptr);
  if (err != UNZ_OK) {
    Printf("error %d with zipfile in unzOpenCurrentFilePassword\n", err);
    NoteRaison("damaged zip archive");
    return err;
  }
  Printf(" extracting: %s\n", name);
  char buf[kBlocExtraction];
  Size total = 0;
  for (uint32_t blocs = 1;; blocs++) {
    int n = unzReadCurrentFile(uf, buf, sizeof buf);
    if (n < 0) {
      err = n;
      Printf("error %d with zipfile in unzReadCurrentFile\n", err);
      NoteRaison("damaged zip archive");
      break;
    }
    if (n == 0) break;
    if (n > limite - total) {
      err = UNZ_BADZIPFILE;
      NoteRaison("the score inside the zip is larger than its memory budget");
      break;
    }
    if (total + n > capacite) {
      // Doubling keeps the copies few; the budget caps the last step.
      capacite = std::min(limite, std::max(capacite * 2, total + n));
      SetHandleSize(h, capacite);
      if (MemError() != noErr) {
        err = -104;
        Printf("Error allocating memory\n");
        NoteRaison("out of memory extracting the score");
        break;
      }
    }
    std::memcpy(*h + total, buf, static_cast<size_t>(n));
    total += n;
    if (blocs % 512 == 0 && DelaiRequeteDepasse()) {
      err = UNZ_BADZIPFILE;
      NoteRaison("the request ran out of time");
      break;
    }
  }
  int closeErr = unzCloseCurrentFile(uf);
  if (closeErr != UNZ_OK) {
    Printf("error %d with zipfile in unzCloseCurrentFile\n", closeErr);
    if (err == UNZ_OK) NoteRaison("damaged zip archive (checksum mismatch)");
  }
  if (err == UNZ_OK) err = closeErr;
  if (err == UNZ_OK) SetHandleSize(h, total);  // only ever shrinks
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

const char* GetRaisonEchecMXL() { return gRaison; }

Size SetTailleMaxMembreZip(Size bytes) {
  Size previous = gTailleMaxMembreZip;
  gTailleMaxMembreZip = bytes > 0 && bytes <= kMaxBlockSize ? bytes : kMaxBlockSize;
  return previous;
}

Handle UnzipFile(const char* zipPath, const char* memberName) {
  if (!zipPath || !memberName) return nullptr;
  Handle h = NewHandle(0);
  if (!h) {
    NoteRaison("out of memory extracting the score");
    return nullptr;
  }
  bool ok = false;
  unzFile uf = unzOpen(zipPath);
  if (uf) {
    if (unzLocateFile(uf, memberName, 0) != UNZ_OK) {
      Printf("file %s not found in the zipfile\n", memberName);
      NoteRaison("the zip archive holds no score");
    } else {
      ok = do_extract_currentfile(uf, h, LimiteMembre(zipPath)) == UNZ_OK;
    }
    unzClose(uf);
  } else {
    NoteRaison("not a zip archive");
  }
  if (ok) return h;
  DisposeHandle(h);
  return nullptr;
}

void DisposeZipHandle(Handle h) {
  if (h) DisposeHandle(h);
}

Handle LoadMXL(const char* zipPath) {
  gRaison[0] = 0;
  if (!zipPath) return nullptr;
  char name[kMXLNameSize];
  bool named = NomMembreParDefaut(zipPath, name);
  Handle container = UnzipFile(zipPath, "META-INF/container.xml");
  if (container) {
    char err[kXMLErrTextSize];
    XMLRootElt* root = BrowseXMLFile(container, nullptr, err, 1);
    DisposeZipHandle(container);
    if (!root) {
      // A container that does not parse names nothing.
      std::snprintf(gRaison, sizeof gRaison, "its container file is damaged: %.120s", err);
      return nullptr;
    }
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
  // The container is optional: only the score member's own failure counts.
  if (!named) {
    NoteRaison("the score's name in the zip is too long");
    return nullptr;
  }
  gRaison[0] = 0;
  return UnzipFile(zipPath, name);
}
