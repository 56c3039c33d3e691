#pragma once

#include "bytes.h"
#include "control_command.h"
#include "fault.h"
#include "line_settings.h"
#include "measurement.h"
#include "unit_settings.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zorsim {

// Register addresses, counted from 0 as they go on the line.
namespace reg {
inline constexpr std::uint16_t Identity = 0;
inline constexpr std::uint16_t IdentityCount = 4;
inline constexpr std::uint16_t Firmware = 4;
inline constexpr std::uint16_t SerialHigh = 5;
inline constexpr std::uint16_t SerialLow = 6;
inline constexpr std::uint16_t Temperature = 16;
inline constexpr std::uint16_t Humidity = 17;
inline constexpr std::uint16_t Formaldehyde = 18;
inline constexpr std::uint16_t TemperatureCorrection = 256;
inline constexpr std::uint16_t HumidityCorrection = 257;
inline constexpr std::uint16_t Address = 512;
inline constexpr std::uint16_t Baud = 513;
inline constexpr std::uint16_t Parity = 514;
inline constexpr std::uint16_t Restart = 1040;
inline constexpr std::uint16_t RestartValue = 0x55AA;
} // namespace reg

namespace fn {
inline constexpr std::uint8_t ReadHolding = 3;
inline constexpr std::uint8_t ReadInput = 4;
inline constexpr std::uint8_t WriteSingle = 6;
inline constexpr std::uint8_t ExceptionFlag = 0x80;
} // namespace fn

namespace exception {
inline constexpr std::uint8_t IllegalFunction = 1;
inline constexpr std::uint8_t IllegalAddress = 2;
inline constexpr std::uint8_t IllegalValue = 3;
} // namespace exception

inline constexpr std::uint8_t BroadcastAddress = 0;

// What became of a frame the unit received.
enum class Disposition {
    Answered, // a reply was made (the fault may still keep it off the line)
    Executed, // a broadcast: carried out, no reply
    Ignored,  // valid, but for another unit or while restarting
    BadFrame, // bad CRC, too short, wrong length, garbage, or a line mismatch
};

struct Outcome {
    Disposition disposition = Disposition::BadFrame;
    std::string meaning;                      // what the request asked, for the log
    std::optional<Transmission> transmission; // the reply as it goes on the line
    std::string replyMeaning;
};

struct Counters {
    long commands = 0;
    long badCommands = 0;
    long requests = 0;
    long ignored = 0;
    long badFrames = 0;
    long writes = 0;
    long restarts = 0;
};

// The simulated transducer: registers, bus settings, faults and counters.
// It turns received frames into replies and control lines into changes;
// the line and the clock belong to the caller, which passes the time in.
class Unit {
public:
    explicit Unit(UnitSettings start);

    Outcome HandleFrame(std::span<const std::uint8_t> frame, Micros now);
    Outcome RejectFrame(std::span<const std::uint8_t> bytes, std::string reason);

    // A control line; the kind of command carried out, or nothing (counted
    // as bad) when the line is unknown or malformed.
    std::optional<ControlCommand::Kind> Command(std::string_view line);

    const LineSettings& ActiveLine() const { return activeLine_; }
    int ActiveAddress() const { return activeAddress_; }
    const Counters& Count() const { return counters_; }
    bool IsRestarting(Micros now) const { return now < silentUntil_; }

    std::int16_t Reading(Channel channel, Micros now) const;

    // key=value pairs for the state file, in a fixed order.
    std::vector<std::pair<std::string, std::string>> StateEntries(Micros now) const;

private:
    struct Request {
        std::uint8_t address;
        std::uint8_t function;
        std::uint16_t reg;
        std::uint16_t value; // count for reads
    };

    Outcome HandleRequest(const Request& request, Micros now);
    Outcome HandleRead(const Request& request, Micros now);
    Outcome HandleWrite(const Request& request, Micros now);
    Outcome Reply(const Request& request, Bytes reply, std::string meaning,
                  std::string replyMeaning);
    Outcome Exception(const Request& request, std::uint8_t code, std::string meaning);
    std::optional<std::uint16_t> InputRegister(std::uint16_t address, Micros now) const;
    std::optional<std::uint16_t> HoldingRegister(std::uint16_t address) const;
    std::optional<std::uint8_t> Write(std::uint16_t address, std::uint16_t value);
    void Restart(Micros now);
    void Apply(const ControlCommand& command);
    void ApplySet(ControlCommand::Field field, std::int64_t value);
    void Restore();

    UnitSettings start_;
    UnitSettings current_;
    int activeAddress_ = 1;
    LineSettings activeLine_;
    int storedAddress_ = 1;
    LineSettings storedLine_;
    Micros silentUntil_{0};
    std::optional<Fault> onceFault_; // for the next reply only, before the lasting one
    Counters counters_;
    std::string lastRequest_;
    std::string lastReply_;
    std::string lastWrite_;
};

} // namespace zorsim
