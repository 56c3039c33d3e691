#pragma once

#include "zorctl/exit_code.h"

// zorctl ports: the machine's serial ports, one per line.
ExitCode RunPorts();
