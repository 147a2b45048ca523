#pragma once
// Numbers kept as text (picture comments, stored fields) always use a point
// as the decimal mark: a host that sets a locale with a decimal comma must
// neither write "1,5" nor stop reading at the point of "1.5".
#include <cstddef>

// Reads a decimal number at *p, after any spaces, and moves *p past it.
// False, with *p unchanged, when no number starts there or when it lies
// beyond a double. Values beyond a float read as +-infinity, values too small
// for one as 0, as strtof gives them.
bool ReadDecimalFloat(const char** p, const char* end, float* value);

// Writes value with `decimals` digits after the point, as "%.*f" does in the
// C locale. Returns the end of the text, or null when it does not fit.
char* WriteDecimalFixed(char* first, char* last, double value, int decimals);
