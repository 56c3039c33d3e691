#pragma once

#include "zorctl/exit_code.h"
#include "zorctl/invocation.h"

class UnitLink;

// zorctl info: everything the window tool shows after connecting, read in
// the same order (identity, firmware, serial number, bus settings,
// measurements, corrections), as aligned text or one JSON object. A read
// that fails shows as such and makes the exit code tell it; the others are
// still shown.
// `link` comes connected: the unit has answered as a ZOR unit.
ExitCode RunInfo(UnitLink& link, const Invocation& invocation);
