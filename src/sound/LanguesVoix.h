#pragma once
// Voice languages: 16-bit ids made from the singing engine's five-character
// language names ("fre-0"), the two-letter codes of lyrics turned into such
// ids, and the table of installed languages, which decides which ids are
// valid. The plug-in installs none, so every check answers 0 (no language).
// LYGetLanguageIDByIndex, which the lyrics language detection calls, is
// declared in sound/ServicesSon.h.
#include <cstdint>

#include "platform/PlatformTypes.h"
#include "sound/ServicesSon.h"

// One installed language (the engine's record; only its id matters here).
struct LangueVoix {
  uint16_t id;
};
// The installed languages: a handle of LangueVoix records, or null.
extern Handle LYLang;

// The fixed ids of the engine's own names; any other name of five characters
// gives ((c0 x 676 + c1 x 26 + c2) x 3 + c4 - 8013) modulo 65536 (c3 is the
// hyphen); any other length 0.
uint16_t LYLangNameToID(const char* name);
// The id of a two-letter lyrics code ("fr" gives "fre-0"); 0 for a code
// that is not in the table.
uint16_t LYLang2CharToID(const char* code);
// The id when an installed language holds it, else 0.
uint16_t CheckLangageVoix(uint16_t id);
