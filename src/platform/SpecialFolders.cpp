#include "platform/SpecialFolders.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <string>

namespace {

struct Folder {
  bool known = false;
  std::string path;
};

Folder gApplication;
Folder gPreferences;
Folder gTemporary;
std::string gTemporaryMade;  // the folder we created, removed at exit

std::string Trimmed(const char* path) {
  std::string p = path ? path : "";
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  return p;
}

std::string CurrentFolder() {
  char buf[PATH_MAX];
  return getcwd(buf, sizeof buf) ? std::string(buf) : std::string();
}

// The starting folder is taken before main, before anything can make a
// document's folder current.
const std::string gStartFolder = CurrentFolder();

void RemoveTemporaryFolder() {
  if (!gTemporaryMade.empty()) rmdir(gTemporaryMade.c_str());  // only when empty
}

void Set(Folder& f, const char* path) {
  f.path = Trimmed(path);
  f.known = true;
}

}  // namespace

const char* GetApplicationFolderPath() {
  if (!gApplication.known) Set(gApplication, gStartFolder.c_str());
  return gApplication.path.c_str();
}

void SetApplicationFolderPath(const char* path) {
  if (path) Set(gApplication, path);
  else gApplication.known = false;
}

const char* GetPreferencesFolderPath() {
  if (!gPreferences.known) {
    std::string base;
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && *xdg == '/') {
      base = xdg;
    } else {
      const char* home = std::getenv("HOME");
      if (!home || !*home) {
        const passwd* pw = getpwuid(getuid());
        home = pw ? pw->pw_dir : nullptr;
      }
      if (home && *home) base = std::string(home) + "/.config";
    }
    Set(gPreferences, base.empty() ? "" : (Trimmed(base.c_str()) + "/tamrel").c_str());
  }
  return gPreferences.path.c_str();
}

void SetPreferencesFolderPath(const char* path) {
  if (path) Set(gPreferences, path);
  else gPreferences.known = false;
}

const char* GetTemporaryFolderPath() {
  if (!gTemporary.known) {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = Trimmed(tmp && *tmp == '/' ? tmp : "/tmp") + "/tamrel-XXXXXX";
    // mkdtemp makes the folder with mode 0700 under a name nobody else holds.
    if (mkdtemp(pattern.data())) {
      gTemporaryMade = pattern;
      std::atexit(RemoveTemporaryFolder);
      Set(gTemporary, pattern.c_str());
    } else {
      Set(gTemporary, "");
    }
  }
  return gTemporary.path.c_str();
}

void SetTemporaryFolderPath(const char* path) {
  if (path) Set(gTemporary, path);
  else if (!gTemporaryMade.empty()) Set(gTemporary, gTemporaryMade.c_str());
  else gTemporary.known = false;
}
