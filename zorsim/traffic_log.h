#pragma once

#include "line_settings.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>
#include <string>

namespace zorsim {

// One line per frame: "rx 12.345 01 04 00 00 00 04 F1 C9 | read input 0 count 4".
std::string LogLine(std::string_view direction, Micros sinceStart,
                    std::span<const std::uint8_t> bytes, std::string_view meaning);

class TrafficLog {
public:
    // An empty path gives a log that writes nothing.
    static std::unique_ptr<TrafficLog> Open(const std::string& path, std::string& error);
    ~TrafficLog();
    TrafficLog(const TrafficLog&) = delete;
    TrafficLog& operator=(const TrafficLog&) = delete;

    void Write(std::string_view direction, Micros sinceStart, std::span<const std::uint8_t> bytes,
               std::string_view meaning);

private:
    explicit TrafficLog(std::FILE* file) : file_(file) {}

    std::FILE* file_ = nullptr;
};

} // namespace zorsim
