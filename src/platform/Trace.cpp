#include "platform/Trace.h"

#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
int gTrace = -1;  // -1: not yet read from the environment
int gTiming = -1;
int gCadres = -1;

double MaintenantMs() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return double(t.tv_sec) * 1e3 + double(t.tv_nsec) * 1e-6;
}
}  // namespace

bool TraceEnabled() {
  if (gTrace < 0) {
    const char* v = std::getenv("TAMREL_TRACE");
    gTrace = (v && *v && std::strcmp(v, "0") != 0) ? 1 : 0;
  }
  return gTrace == 1;
}

void SetTraceEnabled(bool on) { gTrace = on ? 1 : 0; }

bool TimingEnabled() {
  if (gTiming < 0) {
    const char* v = std::getenv("TAMREL_TIMING");
    gTiming = (v && *v && std::strcmp(v, "0") != 0) ? 1 : 0;
  }
  return gTiming == 1;
}

bool CadresPageEnabled() {
  if (gCadres < 0) {
    const char* v = std::getenv("TAMREL_FRAMES");
    gCadres = (v && *v && std::strcmp(v, "0") != 0) ? 1 : 0;
  }
  return gCadres == 1;
}

void SetCadresPageEnabled(bool on) { gCadres = on ? 1 : 0; }

double TimingStart() { return TimingEnabled() ? MaintenantMs() : 0; }

void TimingReport(const char* phase, double start) {
  if (TimingEnabled()) std::fprintf(stderr, "timing:   engine %-15s %8.3f ms\n", phase, MaintenantMs() - start);
}
