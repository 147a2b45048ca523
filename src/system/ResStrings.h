#pragma once
// Strings of the application's string lists ("STR#", entries from 1) as C
// strings, and date and time texts for headers, footers and document information.
#include <cstdint>

#include "platform/PlatformTypes.h"

// The interface language: 0 French, 1 English, 2 to 7 other languages, 5 being
// Japanese (whose lists are Shift-JIS; the others are Mac Roman).
extern int16_t Langue;

// The buffer every fetched string lands in; each fetch overwrites it. Sized for
// a 255-byte string after conversion to UTF-8 (3 bytes per byte at most).
constexpr int kTailleOneString = 768;
extern char OneString[kTailleOneString];

char* GetOneString(int16_t list, int16_t index);     // in the list's own encoding
char* GetOneStringUTF(int16_t list, int16_t index);  // converted to UTF-8
char* GetStrVracUTF(int16_t number);                 // below 500: list 1000; from 500: list 1001 (number - 500)
// Converts a string of the system's 8-bit encoding to UTF-8 in place, in a buffer
// of `taille` bytes; the text is cut at a character boundary when it can't fit.
char* SystemEncodingToUTF(char* s, int32_t taille);
// Index (from 1) of the first entry of the list that matches, 0 when none.
// Option 1: an entry that is a prefix of the text matches; option 2: compare folded.
int16_t FindIndString(int16_t list, const char* text, int16_t options);
void LibereRessource(ResType type, int16_t id);
int16_t OuvreResFile(const char* name);  // -1: documents carry no resources here

// Date texts. A template replaces $A (day name), $a (day name cut to 3 bytes and
// "." when longer), $e (day), $B and $b (month name, whole and cut), $m (month),
// $H, $M, $S (time), $Y (year) and $y (year mod 100); numbers without leading
// zeros. Without a template the word order of the interface language is used,
// and withTime appends " h:mm:ss". The text is cut (at a character boundary) to
// `taille` bytes.
// The preferences' switch for the platform's own long date format (off by
// default): when on, date texts are that format and nothing else.
bool GetPrefFormatDateSysteme();
void SetPrefFormatDateSysteme(bool on);
void CvtSecsDateToString(uint32_t secs, const char* modele, char* out, int16_t withTime, int32_t taille = 256);
void GetStringDate(char* out, const char* modele, int32_t taille = 256);
void GetStringHeure(char* out);  // "%2d:%02d:%02d", at least 9 bytes
