#pragma once
// Resource strings.
#include "platform/PlatformTypes.h"

// The loose string of a number, in UTF-8, in the shared one-string buffer
// (copy it before the next fetch); empty when the string is missing.
char* GetStrVracUTF(int16_t number);
