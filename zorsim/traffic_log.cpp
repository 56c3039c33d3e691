#include "traffic_log.h"

#include "bytes.h"

#include <cerrno>
#include <cstring>

namespace zorsim {

namespace {

constexpr long long MicrosPerMilli = 1000;
constexpr long long MillisPerSecond = 1000;

} // namespace

std::string LogLine(std::string_view direction, Micros sinceStart,
                    std::span<const std::uint8_t> bytes, std::string_view meaning) {
    long long millis = sinceStart.count() / MicrosPerMilli;
    char time[32];
    std::snprintf(time, sizeof time, "%lld.%03lld", millis / MillisPerSecond,
                  millis % MillisPerSecond);
    std::string line(direction);
    line += ' ';
    line += time;
    line += ' ';
    line += HexText(bytes);
    line += " | ";
    line += meaning;
    return line;
}

std::unique_ptr<TrafficLog> TrafficLog::Open(const std::string& path, std::string& error) {
    if (path.empty()) {
        return std::unique_ptr<TrafficLog>(new TrafficLog(nullptr));
    }
    std::FILE* file = std::fopen(path.c_str(), "w");
    if (file == nullptr) {
        error = path + ": " + std::strerror(errno);
        return nullptr;
    }
    return std::unique_ptr<TrafficLog>(new TrafficLog(file));
}

TrafficLog::~TrafficLog() {
    if (file_ != nullptr) {
        std::fclose(file_);
    }
}

void TrafficLog::Write(std::string_view direction, Micros sinceStart,
                       std::span<const std::uint8_t> bytes, std::string_view meaning) {
    if (file_ == nullptr) {
        return;
    }
    std::string line = LogLine(direction, sinceStart, bytes, meaning);
    std::fprintf(file_, "%s\n", line.c_str());
    std::fflush(file_); // read while the unit runs, so no line may wait in a buffer
}

} // namespace zorsim
