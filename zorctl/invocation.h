#pragma once

#include "device/line_settings.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// What the command line asked for, every value already checked: a command
// never has to refuse its input once it has begun to use the line.
enum class Command { Ports, Info, Watch, Correct, Bus, Scan };

struct WatchOptions {
    double intervalSeconds = 1.0;
    long count = 0; // 0: until Ctrl-C
    std::string csvPath;
};

struct CorrectOptions {
    std::optional<float> temperature;
    std::optional<float> humidity;
};

struct BusOptions {
    std::optional<std::uint8_t> address;
    std::optional<std::uint8_t> baudIndex;
    std::optional<std::uint8_t> parityIndex;
    bool restart = false;
    bool verify = false;
};

struct ScanOptions {
    std::vector<std::uint8_t> addresses;
    std::vector<std::uint8_t> baudIndices;
    std::vector<std::uint8_t> parityIndices;
    bool all = false;
};

struct Invocation {
    Command command = Command::Ports;
    std::string port;
    LineSettings line = DefaultLineSettings;
    bool json = false;
    WatchOptions watch;
    CorrectOptions correct;
    BusOptions bus;
    ScanOptions scan;
};
