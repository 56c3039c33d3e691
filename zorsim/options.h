#pragma once

#include "unit_settings.h"

#include <string>
#include <string_view>
#include <vector>

namespace zorsim {

struct Options {
    UnitSettings unit;
    std::string link;    // symlink made to the pty's slave
    std::string device;  // an existing device instead of a pty of our own
    std::string control; // control FIFO
    std::string state;   // state file
    std::string log;     // traffic log
    bool strictLine = false;
    bool pace = false;
    bool help = false;
};

struct ParsedOptions {
    Options options;
    std::string error; // empty when the command line was good
};

// The arguments after the program name.
ParsedOptions ParseOptions(const std::vector<std::string_view>& arguments);

extern const char* const UsageText;

} // namespace zorsim
