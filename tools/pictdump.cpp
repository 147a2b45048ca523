// pictdump FILE [--skip512]: lists a picture's opcodes, one per line.
// A file that starts with the 512-byte header of picture files is detected
// (or forced with --skip512).
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "PictFile.h"
#include "platform/PictDump.h"

int main(int argc, char** argv) {
  const char* path = nullptr;
  bool skip = false;
  for (int i = 1; i < argc; i++) {
    if (!std::strcmp(argv[i], "--skip512")) skip = true;
    else if (argv[i][0] == '-') path = nullptr, i = argc;  // --help and unknown options: the usage
    else if (!path) path = argv[i];
    else path = nullptr, i = argc;
  }
  if (!path) {
    std::fprintf(stderr, "usage: pictdump FILE [--skip512]\n");
    return 2;
  }
  std::vector<uint8_t> bytes;
  if (!LitFichierPicture(path, &bytes)) {
    std::fprintf(stderr, "pictdump: cannot open %s\n", path);
    return 1;
  }
  size_t start = 0;
  if (!TrouvePicture(bytes, skip, &start)) {
    std::fprintf(stderr, "pictdump: %s is not a picture\n", path);
    return 1;
  }
  std::string out;
  bool ok = PictDumpText(bytes.data() + start, bytes.size() - start, out);
  std::fputs(out.c_str(), stdout);
  return ok ? 0 : 1;
}
