#include "platform/DecimalText.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

bool ReadDecimalFloat(const char** p, const char* end, float* value) {
  if (!p || !*p || !end || !value) return false;
  const char* s = *p;
  while (s < end && (*s == ' ' || *s == '\t' || *s == '\n' || *s == '\v' || *s == '\f' || *s == '\r')) ++s;
  // One sign at most; from_chars takes a minus itself but no plus.
  if (s < end && *s == '+') {
    ++s;
    if (s < end && *s == '-') return false;
  }
  float v = 0.0f;
  auto r = std::from_chars(s, end, v, std::chars_format::general);
  if (r.ec == std::errc::result_out_of_range) {
    // Past a float: tell overflow from underflow through a double.
    double d = 0.0;
    auto rd = std::from_chars(s, end, d, std::chars_format::general);
    if (rd.ec != std::errc()) return false;
    const float magnitude =
        std::fabs(d) > double(std::numeric_limits<float>::max()) ? std::numeric_limits<float>::infinity() : 0.0f;
    v = std::signbit(d) ? -magnitude : magnitude;
    r.ptr = rd.ptr;
  } else if (r.ec != std::errc()) {
    return false;
  }
  *value = v;
  *p = r.ptr;
  return true;
}

char* WriteDecimalFixed(char* first, char* last, double value, int decimals) {
  if (!first || !last || first >= last) return nullptr;
  auto r = std::to_chars(first, last, value, std::chars_format::fixed, decimals);
  return r.ec == std::errc() ? r.ptr : nullptr;
}
