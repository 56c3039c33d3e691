#pragma once

#include "zorctl/exit_code.h"
#include "zorctl/invocation.h"

#include <optional>

// zorctl's command line: sub-commands, their options and help, read with
// CLI11 and every value checked here, before any port is touched.
struct ParseOutcome {
    std::optional<Invocation> invocation; // none when help was printed or the line is wrong
    ExitCode code = ExitCode::Done;
};

// Prints the help (--help) or one line naming the problem (a wrong command
// line, with ExitCode::Usage) itself.
ParseOutcome ParseCommandLine(int argc, const char* const* argv);
