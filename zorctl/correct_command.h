#pragma once

#include "zorctl/exit_code.h"
#include "zorctl/invocation.h"

class UnitLink;

// zorctl correct: writes the temperature correction, then the humidity
// correction, as the window tool's "Zápis" buttons do: the value times 100,
// rounded to the nearest with halves to even. The values were checked
// against the register's range before the port was opened.
// `link` comes connected: the unit has answered as a ZOR unit.
ExitCode RunCorrect(UnitLink& link, const Invocation& invocation);
