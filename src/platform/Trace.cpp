#include "platform/Trace.h"

#include <cstdlib>
#include <cstring>

namespace {
int gTrace = -1;  // -1: not yet read from the environment
}

bool TraceEnabled() {
  if (gTrace < 0) {
    const char* v = std::getenv("TAMREL_TRACE");
    gTrace = (v && *v && std::strcmp(v, "0") != 0) ? 1 : 0;
  }
  return gTrace == 1;
}

void SetTraceEnabled(bool on) { gTrace = on ? 1 : 0; }
