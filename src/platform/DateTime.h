#pragma once
// The platform clock: local time counted in seconds since midnight, 1 January
// 1904, as an unsigned 32-bit value, and its broken-down form. Tests pin the
// clock to a fixed value so that dated output does not depend on today.
#include <cstdint>

struct DateTimeRec {
  int16_t year;
  int16_t month;      // 1..12
  int16_t day;        // 1..31
  int16_t hour;       // 0..23
  int16_t minute;     // 0..59
  int16_t second;     // 0..59
  int16_t dayOfWeek;  // 1 Sunday .. 7 Saturday
};

void GetDateTime(uint32_t* secs);
void SecondsToDate(uint32_t secs, DateTimeRec* d);
// Fields out of range carry over (month 13 is January of the next year, day 0
// the last day of the previous month); dayOfWeek is ignored.
void DateToSeconds(const DateTimeRec* d, uint32_t* secs);

// Pins GetDateTime to a fixed value until UseRealDateTime is called.
void SetFixedDateTime(uint32_t secs);
void UseRealDateTime();

// The local 1904-based seconds of a POSIX time (clamped to the 32-bit range).
uint32_t PlatformSecondsFromUnixTime(int64_t t);

// The platform's date text as a length-prefixed string: the long form
// "Monday, March 5, 2018", the short form "3/5/18". English, as the interface.
enum : int16_t { shortDate = 0, longDate = 1, abbrevDate = 2 };
void DateString(uint32_t secs, int16_t form, unsigned char* result /* Str255 */);
