#pragma once

#include "zorctl/exit_code.h"
#include "zorctl/invocation.h"

class UnitLink;

// zorctl scan: asks each address at each chosen baud rate and parity for
// the identity, and prints each ZOR unit that answers with the line it
// answered at, its stored bus settings and its serial number. Stops at the
// first unit unless --all; ExitCode::NoAnswer when none answered.
ExitCode RunScan(UnitLink& link, const Invocation& invocation);
