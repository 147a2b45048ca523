// pictdump FILE [--skip512]: lists a picture's opcodes, one per line.
// A file that starts with the 512-byte header of picture files is detected
// (or forced with --skip512).
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/PictDump.h"

int main(int argc, char** argv) {
  const char* path = nullptr;
  bool skip = false;
  for (int i = 1; i < argc; i++) {
    if (!std::strcmp(argv[i], "--skip512"))
      skip = true;
    else if (!path)
      path = argv[i];
    else
      path = nullptr, i = argc;
  }
  if (!path) {
    std::fprintf(stderr, "usage: pictdump FILE [--skip512]\n");
    return 2;
  }
  FILE* f = std::fopen(path, "rb");
  if (!f) {
    std::fprintf(stderr, "pictdump: cannot open %s\n", path);
    return 1;
  }
  std::vector<uint8_t> bytes;
  uint8_t buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.insert(bytes.end(), buf, buf + n);
  std::fclose(f);
  // A picture opens with the version opcode at offset 10.
  auto looksLikePicture = [&](size_t at) {
    if (bytes.size() < at + 14) return false;
    const uint8_t* p = bytes.data() + at + 10;
    return (p[0] == 0x11 && p[1] == 0x01) ||
           (p[0] == 0 && p[1] == 0x11 && ((p[2] == 0x02 && p[3] == 0xFF) || (p[2] == 0xCA && p[3] == 0xFE)));
  };
  size_t start = 0;
  if (skip || (!looksLikePicture(0) && looksLikePicture(512))) start = bytes.size() > 512 ? 512 : bytes.size();
  std::string out;
  bool ok = PictDumpText(bytes.data() + start, bytes.size() - start, out);
  std::fputs(out.c_str(), stdout);
  return ok ? 0 : 1;
}
