#pragma once
// Reading a picture file for the picture tools: the whole file, and where the
// picture starts (after the 512-byte header of a picture document, if any).
#include <cstdint>
#include <cstdio>
#include <vector>

inline bool LitFichierPicture(const char* path, std::vector<uint8_t>* bytes) {
  FILE* f = std::fopen(path, "rb");
  if (!f) return false;
  uint8_t buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes->insert(bytes->end(), buf, buf + n);
  std::fclose(f);
  return true;
}

// A picture opens with the version opcode at offset 10.
inline bool RessembleAPicture(const std::vector<uint8_t>& bytes, size_t at) {
  if (bytes.size() < at + 14) return false;
  const uint8_t* p = bytes.data() + at + 10;
  return (p[0] == 0x11 && p[1] == 0x01) ||
         (p[0] == 0 && p[1] == 0x11 && ((p[2] == 0x02 && p[3] == 0xFF) || (p[2] == 0xCA && p[3] == 0xFE)));
}

inline size_t DebutPicture(const std::vector<uint8_t>& bytes, bool sauteEntete) {
  if (sauteEntete || (!RessembleAPicture(bytes, 0) && RessembleAPicture(bytes, 512)))
    return bytes.size() > 512 ? 512 : bytes.size();
  return 0;
}

// Where the picture starts, false when the file looks like no picture at all
// (an image or any other file would otherwise read as a version-1 picture,
// whose opening is the loosest). Forcing the header skips the check.
inline bool TrouvePicture(const std::vector<uint8_t>& bytes, bool sauteEntete, size_t* debut) {
  *debut = DebutPicture(bytes, sauteEntete);
  return sauteEntete || RessembleAPicture(bytes, *debut);
}
