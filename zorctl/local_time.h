#pragma once

#include <chrono>
#include <string>

// ISO 8601 local time with milliseconds and the offset from UTC, as a log
// row needs it to be read anywhere: "2026-12-11T17:30:00.123+01:00".
std::string IsoLocalTime(std::chrono::system_clock::time_point when);
