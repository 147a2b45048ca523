#include "system/Reporters.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/DateTime.h"
#include "platform/SpecialFolders.h"
#include "platform/Trace.h"

namespace {

const char* gNomDocument = nullptr;

// One line on stderr, newline added when the text has none.
void TraceLine(const char* format, va_list args) {
  char line[8192];
  std::vsnprintf(line, sizeof line, format, args);
  size_t n = std::strlen(line);
  std::fputs(line, stderr);
  if (n == 0 || line[n - 1] != '\n') std::fputc('\n', stderr);
  std::fflush(stderr);
}

}  // namespace

void Printf(const char* format, ...) {
  if (!TraceEnabled()) return;
  va_list args;
  va_start(args, format);
  TraceLine(format, args);
  va_end(args);
}

void PlugTrace(const char* format, ...) {
  if (!TraceEnabled()) return;
  va_list args;
  va_start(args, format);
  TraceLine(format, args);
  va_end(args);
}

void Collapse(const char* format, ...) {
  if (!TraceEnabled()) return;  // the sink drops it: spare the formatting
  char message[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(message, sizeof message, format, args);
  va_end(args);
  Printf("Tamrel QL : Collapse : %s", message);
}

void BigBadError(const char* sourceName, int16_t code) {
  char message[255];
  std::snprintf(message, sizeof message, "BIG_BAD_ERROR %s %d", sourceName ? sourceName : "", code);
  Collapse("%s", message);
}

void Avertissement(int16_t, int16_t, const char* format, ...) {
  if (!TraceEnabled()) return;
  char message[8192];
  va_list args;
  va_start(args, format);
  std::vsnprintf(message, sizeof message, format, args);
  va_end(args);
  PlugTrace("-- AVERTISSEMENT -- %s", message);
}

void RozoErreur(const char* message) {
  char text[255];
  std::snprintf(text, sizeof text, "ACAMERR: %s", message ? message : "");
  CommandeErreur(text);
}

int CommandeErreur(const char* message) {
  // An absolute path: the log must not depend on, nor change, the current folder.
  std::string path = GetApplicationFolderPath();
  if (path.empty()) return 0;
  if (path.back() != '/') path += '/';
  path += "Selvane.err";
  FILE* f = std::fopen(path.c_str(), "a");
  if (!f) return 0;
  uint32_t secs = 0;
  GetDateTime(&secs);
  DateTimeRec d{};
  SecondsToDate(secs, &d);
  std::fprintf(f, "%d/%d/%d %02d:%02d:%02d:[%s]:%s\n", d.day, d.month, d.year, d.hour, d.minute, d.second,
               gNomDocument ? gNomDocument : "", message ? message : "");
  return std::fclose(f);
}

void SetNomDocumentErreur(const char* fileNameField) { gNomDocument = fileNameField; }
