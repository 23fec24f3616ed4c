#include "core/Clock.h"

#include <chrono>
#include <cstdio>
#include <ctime>

namespace vyr {

DateTime SystemClock::Now() const {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  std::tm local{};
  localtime_r(&now.tv_sec, &local);
  return {local.tm_year + 1900,
          local.tm_mon + 1,
          local.tm_mday,
          local.tm_hour,
          local.tm_min,
          local.tm_sec,
          static_cast<int>(now.tv_nsec / 1000000)};
}

int64_t SecondsOf(const DateTime& t) {
  using namespace std::chrono;
  const sys_days day = year_month_day{year{t.year}, month{static_cast<unsigned>(t.month)},
                                      std::chrono::day{static_cast<unsigned>(t.day)}};
  return static_cast<int64_t>(day.time_since_epoch().count()) * 86400 + t.hour * 3600 +
         t.minute * 60 + t.second;
}

std::string FormatClockTime(const DateTime& t) {
  char text[32];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", t.hour % 100, t.minute % 100,
                t.second % 100, t.millisecond % 1000);
  return text;
}

std::string FormatIsoDate(const DateTime& t) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", t.year % 10000, t.month % 100, t.day % 100);
  return text;
}

std::string FormatGeneralDate(const DateTime& t) {
  const int hour12 = t.hour % 12 == 0 ? 12 : t.hour % 12;
  char text[64];
  std::snprintf(text, sizeof text, "%d/%d/%d %d:%02d:%02d %s", t.month, t.day, t.year, hour12,
                t.minute, t.second, t.hour < 12 ? "AM" : "PM");
  return text;
}

std::string FormatArchiveStamp(const DateTime& t) {
  char text[32];
  std::snprintf(text, sizeof text, "%02d%02d%02d %02d%02d", t.month % 100, t.day % 100,
                t.year % 100, t.hour % 100, t.minute % 100);
  return text;
}

}  // namespace vyr
