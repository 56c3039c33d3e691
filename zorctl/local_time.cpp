#include "zorctl/local_time.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

constexpr int TmYearBase = 1900;
constexpr int MillisecondsPerSecond = 1000;
constexpr int SecondsPerMinute = 60;
constexpr int SecondsPerHour = 3600;
// Room for every field at its widest int, though real times need 29.
constexpr std::size_t TextSize = 128;

// Seconds since the epoch of a broken-down time read as if it were UTC; the
// difference of the local and the UTC reading of one instant is the offset.
// Computed here because the C library's own %z differs between platforms.
long long CivilSeconds(const std::tm& time) {
    using namespace std::chrono;
    const year_month_day date{year{time.tm_year + TmYearBase},
                              month{static_cast<unsigned>(time.tm_mon + 1)},
                              day{static_cast<unsigned>(time.tm_mday)}};
    const seconds sinceEpoch = sys_days{date}.time_since_epoch() + hours{time.tm_hour} +
                               minutes{time.tm_min} + seconds{time.tm_sec};
    return sinceEpoch.count();
}

} // namespace

std::string IsoLocalTime(std::chrono::system_clock::time_point when) {
    using namespace std::chrono;
    const time_point<system_clock, seconds> whole = floor<seconds>(when);
    const long long milliseconds = duration_cast<std::chrono::milliseconds>(when - whole).count();
    const std::time_t instant = system_clock::to_time_t(whole);
    // Both calls share one static buffer: copy each result at once.
    const std::tm local = *std::localtime(&instant);
    const std::tm utc = *std::gmtime(&instant);
    const long long offset = CivilSeconds(local) - CivilSeconds(utc);
    const long long offsetMagnitude = std::llabs(offset);
    char text[TextSize];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d%c%02d:%02d",
                  local.tm_year + TmYearBase, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                  local.tm_min, local.tm_sec,
                  static_cast<int>(milliseconds % MillisecondsPerSecond), offset < 0 ? '-' : '+',
                  static_cast<int>(offsetMagnitude / SecondsPerHour),
                  static_cast<int>(offsetMagnitude % SecondsPerHour / SecondsPerMinute));
    return text;
}
