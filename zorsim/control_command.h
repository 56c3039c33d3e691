#pragma once

#include "fault.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zorsim {

// One line of the control FIFO, parsed.
struct ControlCommand {
    enum class Kind {
        Reset,
        Set,
        Identity,
        SetFault,
        OnceFault,
        Still,
        Limit,
        RestartSilence,
        Unplug,
        Plug,
    };
    enum class Field {
        Temperature,
        Humidity,
        Formaldehyde,
        TemperatureCorrection,
        HumidityCorrection,
        Address,
        Baud,
        Parity,
        Serial,
        Firmware,
    };

    Kind kind = Kind::Reset;
    Field field = Field::Temperature;
    std::int64_t value = 0; // set, still (0/1), limit, restart-silence
    std::string text;       // identity
    Fault fault;            // fault, once
};

// Nothing for an unknown or malformed line: the caller counts it as bad.
std::optional<ControlCommand> ParseControlCommand(std::string_view line);

} // namespace zorsim
