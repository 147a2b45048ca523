// xmlq FILE REQUEST: prints the elements of a MusicXML file (.xml, .musicxml,
// or the score member of an .mxl) that a tree request returns, one per line:
// document index, path from the top, attributes and text.
#include <cstdio>
#include <cstring>
#include <string>

#include <strings.h>

#include "import/MXLContainer.h"
#include "import/XMLBrowser.h"

namespace {

std::string PathOf(const XMLElt* e) {
  std::string p;
  for (; e && e->name; e = e->parent) p = "/" + std::string(e->name) + p;
  return p;
}

void PrintText(const char* t) {
  std::fputs(" \"", stdout);
  int n = 0;
  for (; *t && n < 60; t++, n++) std::fputs(*t == '\r' ? "\\r" : std::string(1, *t).c_str(), stdout);
  std::fputs(*t ? "...\"" : "\"", stdout);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: xmlq FILE REQUEST\n");
    return 2;
  }
  char err[kXMLErrTextSize] = {};
  XMLRootElt* root = nullptr;
  size_t len = std::strlen(argv[1]);
  if (len > 4 && strcasecmp(argv[1] + len - 4, ".mxl") == 0) {
    Handle h = LoadMXL(argv[1]);
    if (!h) {
      std::fprintf(stderr, "xmlq: no score member in %s\n", argv[1]);
      return 1;
    }
    root = BrowseXMLFile(h, nullptr, err, 1);
    DisposeZipHandle(h);
  } else {
    FILE* f = std::fopen(argv[1], "rb");
    if (!f) {
      std::fprintf(stderr, "xmlq: cannot open %s\n", argv[1]);
      return 1;
    }
    root = BrowseXMLFile(nullptr, f, err, 1);
    std::fclose(f);
  }
  if (!root) {
    std::fprintf(stderr, "xmlq: %s\n", err[0] ? err : "cannot read the file");
    return 1;
  }
  int32_t n = 0;
  XMLElt** elts = XMLGetElts(root, argv[2], &n);
  for (int32_t i = 0; i < n; i++) {
    const XMLElt* e = elts[i];
    std::printf("%u %s", e->index, PathOf(e).c_str());
    for (int32_t a = 0; a < e->nbAttributes; a++)
      std::printf(" %s=\"%s\"", e->attributes[a].name, e->attributes[a].value);
    if (e->text) PrintText(e->text);
    std::fputc('\n', stdout);
  }
  std::fflush(stdout);
  std::fprintf(stderr, "%d match%s\n", n, n == 1 ? "" : "es");
  XMLDisposeElts(elts);
  XMLBrowserDispose(root);
  return 0;
}
