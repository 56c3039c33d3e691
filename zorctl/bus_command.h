#pragma once

#include "zorctl/exit_code.h"
#include "zorctl/invocation.h"

class UnitLink;

// zorctl bus: shows the unit's stored bus settings, stores new ones
// (address, then baud rate, then parity), restarts the unit so that it takes
// them up, and with --verify reaches it again with what it stored, waiting
// out the restart, to check that it answers there as a ZOR unit.
// `link` comes connected: the unit has answered as a ZOR unit.
ExitCode RunBus(UnitLink& link, const Invocation& invocation);
