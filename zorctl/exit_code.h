#pragma once

// What zorctl's exit status tells a script. 1 is left out on purpose: it is
// what a crash or a shell error usually gives, so it never passes for ours.
enum class ExitCode : int {
    Done = 0,
    Usage = 2,         // the command line is wrong; nothing was sent to the line
    PortNotOpened = 3, // the port exists but could not be opened
    NoAnswer = 4,      // the unit did not answer (or gave a damaged reply); no unit found
    Incompatible = 5,  // the unit answered with another identity; nothing written
    Refused = 6,       // the unit refused a request with a Modbus exception
    OutputFailed = 7,  // the output file could not be written (disk full, no access)
};

// The table for --help and README.
inline constexpr const char* ExitCodeHelp =
    "Exit codes: 0 done, 2 usage error (nothing sent), 3 port not opened, 4 no answer\n"
    "(or no unit found), 5 incompatible unit (nothing written), 6 refused by the unit,\n"
    "7 output file not written.";

inline int AsStatus(ExitCode code) {
    return static_cast<int>(code);
}
