#include "platform/DateTime.h"

#include <cstdio>
#include <cstring>
#include <ctime>

namespace {

bool gFixed = false;
uint32_t gFixedSecs = 0;

// Days from 1 January 1970 to the given civil date (proleptic Gregorian).
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int64_t* y, int64_t* m, int64_t* d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  *d = doy - (153 * mp + 2) / 5 + 1;
  *m = mp < 10 ? mp + 3 : mp - 9;
  *y = yoe + era * 400 + (*m <= 2);
}

const int64_t kDays1904 = DaysFromCivil(1904, 1, 1);

int64_t SecondsSince1904(int64_t y, int64_t mo, int64_t d, int64_t h, int64_t mi, int64_t s) {
  // Carry the month into the year first; everything else is linear.
  int64_t m0 = mo - 1;
  y += m0 >= 0 ? m0 / 12 : -((11 - m0) / 12);
  m0 -= 12 * (m0 >= 0 ? m0 / 12 : -((11 - m0) / 12));
  const int64_t days = DaysFromCivil(y, m0 + 1, 1) + (d - 1) - kDays1904;
  return days * 86400 + h * 3600 + mi * 60 + s;
}

}  // namespace

void GetDateTime(uint32_t* secs) {
  if (!secs) return;
  if (gFixed) {
    *secs = gFixedSecs;
    return;
  }
  // The platform's clock counts local time, not UTC.
  std::time_t now = std::time(nullptr);
  std::tm lt{};
  localtime_r(&now, &lt);
  *secs = uint32_t(SecondsSince1904(lt.tm_year + 1900, lt.tm_mon + 1, lt.tm_mday, lt.tm_hour, lt.tm_min, lt.tm_sec));
}

void SecondsToDate(uint32_t secs, DateTimeRec* d) {
  if (!d) return;
  const int64_t days = secs / 86400;
  int64_t rest = secs % 86400;
  int64_t y, m, dd;
  CivilFromDays(days + kDays1904, &y, &m, &dd);
  d->year = int16_t(y);
  d->month = int16_t(m);
  d->day = int16_t(dd);
  d->hour = int16_t(rest / 3600);
  rest %= 3600;
  d->minute = int16_t(rest / 60);
  d->second = int16_t(rest % 60);
  d->dayOfWeek = int16_t((days + 5) % 7 + 1);  // 1 January 1904 was a Friday
}

void DateToSeconds(const DateTimeRec* d, uint32_t* secs) {
  if (!d || !secs) return;
  *secs = uint32_t(SecondsSince1904(d->year, d->month, d->day, d->hour, d->minute, d->second));
}

void SetFixedDateTime(uint32_t secs) {
  gFixed = true;
  gFixedSecs = secs;
}

void UseRealDateTime() { gFixed = false; }

uint32_t PlatformSecondsFromUnixTime(int64_t t) {
  time_t tt = time_t(t);
  struct tm local;
  if (!localtime_r(&tt, &local)) return 0;
  int64_t s = t + local.tm_gmtoff + (DaysFromCivil(1970, 1, 1) - kDays1904) * 86400;
  if (s < 0) return 0;
  return s > int64_t(UINT32_MAX) ? UINT32_MAX : uint32_t(s);
}

void DateString(uint32_t secs, int16_t form, unsigned char* result) {
  static const char* const kJours[7] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
  static const char* const kMois[12] = {"January", "February", "March",     "April",   "May",      "June",
                                        "July",    "August",   "September", "October", "November", "December"};
  if (!result) return;
  DateTimeRec d{};
  SecondsToDate(secs, &d);
  char texte[64];
  const char* jour = kJours[(d.dayOfWeek + 6) % 7];
  const char* mois = kMois[(d.month + 11) % 12];
  if (form == shortDate) std::snprintf(texte, sizeof texte, "%d/%d/%02d", d.month, d.day, d.year % 100);
  else if (form == abbrevDate) std::snprintf(texte, sizeof texte, "%.3s, %.3s %d, %d", jour, mois, d.day, d.year);
  else std::snprintf(texte, sizeof texte, "%s, %s %d, %d", jour, mois, d.day, d.year);
  size_t n = std::strlen(texte);
  result[0] = uint8_t(n);
  std::memcpy(result + 1, texte, n);
}
