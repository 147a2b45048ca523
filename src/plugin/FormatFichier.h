#pragma once
// Which reader gets a file: from a native magic in its first four bytes, from
// content probes, and last from its name's extension.
#include <cstdint>

enum : int32_t {
  kFormatInconnu = -1,
  kFormatQuarvel = 1,      // "QRVL"
  kFormatQuarvelDiza = 2,  // "DIZA"
  kFormatMidi = 5,
  kFormatKaraokeMidi = 6,
  kFormatCMF = 8,
  kFormatABC = 9,
  kFormatTab = 10,
  kFormatMsf = 11,
  kFormatBak = 12,  // a backup whose remaining name recognises nothing
  kFormatAiff = 14,
  kFormatWave = 15,
  kFormatBB = 16,
  kFormatBrt = 18,
  kFormatMod = 19,
  kFormatS3M = 20,
  kFormatMp3 = 21,
  kFormatSta = 25,
  kFormatXML = 26,
  kFormatXMLCompresse = 27,
  kFormatMXL = 28,
  kFormatPDF = 1000,
};

// The format of the file open as the document byte stream, whose name (UTF-8)
// is given. Reads the first bytes and leaves the stream at its start.
int32_t DetermineFormatFichier(const char* name);

// By the name's extension, ignoring case: "abc"; "tab", "txt" or "btab".
bool IsFichierABC(const char* name);
bool IsFichierTab(const char* name);

// A short name of a format for reports ("MusicXML", "ABC tune", ...).
const char* NomFormatFichier(int32_t format);
