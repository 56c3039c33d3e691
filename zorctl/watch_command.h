#pragma once

#include "zorctl/exit_code.h"
#include "zorctl/invocation.h"

class UnitLink;

// zorctl watch: the measurements once per interval, a line each on standard
// output and, with --csv, a row each in the file. A failed read is a row of
// its own with empty values and its status. Ends after --count readings or at
// Ctrl-C, either way with every row written whole; a row that cannot be
// written stops it with ExitCode::OutputFailed.
ExitCode RunWatch(UnitLink& link, const Invocation& invocation);
