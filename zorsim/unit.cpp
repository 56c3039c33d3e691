#include "unit.h"

#include "crc16.h"

#include <algorithm>
#include <limits>

namespace zorsim {

namespace {

constexpr std::size_t ShortestFrame = 4; // address, function, CRC
constexpr std::size_t RequestSize = 8;   // address, function, register, count/value, CRC
constexpr std::uint16_t LargestReadCount = 125;
constexpr int BitsPerByte = 8;
constexpr int WordBits = 16;
constexpr std::uint32_t WordMask = 0xFFFF;

std::string Described(std::string_view what, std::uint16_t reg, std::string_view label,
                      std::uint16_t value) {
    return std::string(what) + ' ' + std::to_string(reg) + ' ' + std::string(label) + ' ' +
           std::to_string(value);
}

std::int16_t Clamped(long value) {
    long low = std::numeric_limits<std::int16_t>::min();
    long high = std::numeric_limits<std::int16_t>::max();
    return static_cast<std::int16_t>(std::clamp(value, low, high));
}

std::string Signed(std::int16_t value) {
    return std::to_string(value);
}

std::string TextUpToZero(const std::string& identity) {
    return identity.substr(0, identity.find('\0'));
}

} // namespace

Unit::Unit(UnitSettings start) : start_(std::move(start)) {
    Restore();
}

void Unit::Restore() {
    current_ = start_;
    activeAddress_ = storedAddress_ = start_.address;
    activeLine_ = storedLine_ = start_.line;
    silentUntil_ = Micros(0);
    onceFault_.reset();
}

Outcome Unit::RejectFrame(std::span<const std::uint8_t> bytes, std::string reason) {
    ++counters_.badFrames;
    lastRequest_ = HexText(bytes);
    return Outcome{Disposition::BadFrame, "ignored: " + reason, std::nullopt, {}};
}

Outcome Unit::HandleFrame(std::span<const std::uint8_t> frame, Micros now) {
    if (frame.size() < ShortestFrame) {
        return RejectFrame(frame, "too short");
    }
    if (!HasValidCrc(frame)) {
        return RejectFrame(frame, "bad crc");
    }
    lastRequest_ = HexText(frame);
    std::uint8_t address = frame[0];
    if (address != activeAddress_ && address != BroadcastAddress) {
        ++counters_.ignored;
        return Outcome{
            Disposition::Ignored, "ignored: address " + std::to_string(address), std::nullopt, {}};
    }
    if (IsRestarting(now)) {
        ++counters_.ignored;
        return Outcome{Disposition::Ignored, "ignored: restarting", std::nullopt, {}};
    }
    std::uint8_t function = frame[1];
    bool known =
        function == fn::ReadHolding || function == fn::ReadInput || function == fn::WriteSingle;
    if (known && frame.size() != RequestSize) {
        return RejectFrame(frame, "wrong length for function " + std::to_string(function));
    }
    ++counters_.requests;
    Request request{address, function, 0, 0};
    if (known) {
        request.reg = Word(frame[2], frame[3]);
        request.value = Word(frame[4], frame[5]);
    }
    Outcome outcome = HandleRequest(request, now);
    lastReply_ = outcome.transmission ? HexText(outcome.transmission->bytes) : std::string();
    return outcome;
}

Outcome Unit::HandleRequest(const Request& request, Micros now) {
    switch (request.function) {
    case fn::ReadHolding:
    case fn::ReadInput:
        return HandleRead(request, now);
    case fn::WriteSingle:
        return HandleWrite(request, now);
    default:
        return Exception(request, exception::IllegalFunction,
                         "function " + std::to_string(request.function));
    }
}

Outcome Unit::HandleRead(const Request& request, Micros now) {
    bool input = request.function == fn::ReadInput;
    std::string meaning =
        Described(input ? "read input" : "read holding", request.reg, "count", request.value);
    if (request.value == 0 || request.value > LargestReadCount) {
        return Exception(request, exception::IllegalAddress, meaning);
    }
    Bytes reply{request.address, request.function, static_cast<std::uint8_t>(request.value * 2)};
    for (long reg = request.reg; reg < long(request.reg) + request.value; ++reg) {
        auto address = static_cast<std::uint16_t>(reg);
        auto value = input ? InputRegister(address, now) : HoldingRegister(address);
        if (!value || reg > std::numeric_limits<std::uint16_t>::max()) {
            return Exception(request, exception::IllegalAddress, meaning);
        }
        AppendWord(reply, *value);
    }
    return Reply(request, std::move(reply), meaning, std::to_string(request.value) + " registers");
}

Outcome Unit::HandleWrite(const Request& request, Micros now) {
    std::string meaning = Described("write", request.reg, "value", request.value);
    auto failure = Write(request.reg, request.value);
    if (failure) {
        return Exception(request, *failure, meaning);
    }
    ++counters_.writes;
    lastWrite_ = std::to_string(request.reg) + ' ' + std::to_string(request.value);
    Bytes echo{request.address, request.function};
    AppendWord(echo, request.reg);
    AppendWord(echo, request.value);
    Outcome outcome = Reply(request, std::move(echo), meaning, "echo");
    if (request.reg == reg::Restart) {
        Restart(now);
    }
    return outcome;
}

Outcome Unit::Reply(const Request& request, Bytes reply, std::string meaning,
                    std::string replyMeaning) {
    if (request.address == BroadcastAddress) {
        return Outcome{Disposition::Executed, "broadcast " + meaning, std::nullopt, {}};
    }
    AppendCrc(reply);
    Fault fault = onceFault_.value_or(current_.fault);
    onceFault_.reset();
    auto transmission = Shape(reply, fault);
    if (fault.kind != FaultKind::None) {
        replyMeaning += " [fault " + fault.Text() + "]";
    }
    return Outcome{Disposition::Answered, std::move(meaning), std::move(transmission),
                   std::move(replyMeaning)};
}

Outcome Unit::Exception(const Request& request, std::uint8_t code, std::string meaning) {
    Bytes reply{request.address, static_cast<std::uint8_t>(request.function | fn::ExceptionFlag),
                code};
    return Reply(request, std::move(reply), std::move(meaning),
                 "exception " + std::to_string(code));
}

std::optional<std::uint16_t> Unit::InputRegister(std::uint16_t address, Micros now) const {
    if (address < reg::Identity + reg::IdentityCount) {
        std::string padded = current_.identity;
        padded.resize(IdentityLength, '\0');
        std::size_t first = 2U * (address - reg::Identity);
        return Word(static_cast<std::uint8_t>(padded[first]),
                    static_cast<std::uint8_t>(padded[first + 1]));
    }
    switch (address) {
    case reg::Firmware:
        return current_.firmware;
    case reg::SerialHigh:
        return static_cast<std::uint16_t>(current_.serial >> WordBits);
    case reg::SerialLow:
        return static_cast<std::uint16_t>(current_.serial & WordMask);
    case reg::Temperature:
        return static_cast<std::uint16_t>(Reading(Channel::Temperature, now));
    case reg::Humidity:
        return static_cast<std::uint16_t>(Reading(Channel::Humidity, now));
    case reg::Formaldehyde:
        return static_cast<std::uint16_t>(Reading(Channel::Formaldehyde, now));
    default:
        return std::nullopt;
    }
}

std::optional<std::uint16_t> Unit::HoldingRegister(std::uint16_t address) const {
    switch (address) {
    case reg::TemperatureCorrection:
        return static_cast<std::uint16_t>(current_.temperatureCorrection);
    case reg::HumidityCorrection:
        return static_cast<std::uint16_t>(current_.humidityCorrection);
    case reg::Address:
        return static_cast<std::uint16_t>(storedAddress_);
    case reg::Baud:
        return static_cast<std::uint16_t>(storedLine_.baudIndex);
    case reg::Parity:
        return static_cast<std::uint16_t>(storedLine_.parityIndex);
    default:
        return std::nullopt; // the restart register is write-only
    }
}

std::optional<std::uint8_t> Unit::Write(std::uint16_t address, std::uint16_t value) {
    auto correction = static_cast<std::int16_t>(value);
    bool correctionFits = std::abs(int(correction)) <= current_.correctionLimit;
    switch (address) {
    case reg::TemperatureCorrection:
    case reg::HumidityCorrection:
        if (!correctionFits) {
            return exception::IllegalValue;
        }
        (address == reg::TemperatureCorrection ? current_.temperatureCorrection
                                               : current_.humidityCorrection) = correction;
        return std::nullopt;
    case reg::Address:
        if (value < LowestUnitAddress || value > HighestUnitAddress) {
            return exception::IllegalValue;
        }
        storedAddress_ = value;
        return std::nullopt;
    case reg::Baud:
        if (!IsBaudIndex(value)) {
            return exception::IllegalValue;
        }
        storedLine_.baudIndex = value;
        return std::nullopt;
    case reg::Parity:
        if (!IsParityIndex(value)) {
            return exception::IllegalValue;
        }
        storedLine_.parityIndex = value;
        return std::nullopt;
    case reg::Restart:
        return value == reg::RestartValue ? std::nullopt
                                          : std::optional<std::uint8_t>(exception::IllegalValue);
    default:
        return exception::IllegalAddress;
    }
}

void Unit::Restart(Micros now) {
    ++counters_.restarts;
    activeAddress_ = storedAddress_;
    activeLine_ = storedLine_;
    silentUntil_ = now + std::chrono::milliseconds(current_.restartSilenceMs);
}

std::int16_t Unit::Reading(Channel channel, Micros now) const {
    long base = 0;
    long correction = 0;
    switch (channel) {
    case Channel::Temperature:
        base = current_.temperature;
        correction = current_.temperatureCorrection;
        break;
    case Channel::Humidity:
        base = current_.humidity;
        correction = current_.humidityCorrection;
        break;
    case Channel::Formaldehyde:
        base = current_.formaldehyde;
        break;
    }
    long drift = current_.still ? 0 : Drift(channel, now);
    return Clamped(base + drift + correction);
}

std::optional<ControlCommand::Kind> Unit::Command(std::string_view line) {
    ++counters_.commands;
    auto command = ParseControlCommand(line);
    if (!command) {
        ++counters_.badCommands;
        return std::nullopt;
    }
    Apply(*command);
    return command->kind;
}

void Unit::Apply(const ControlCommand& command) {
    using Kind = ControlCommand::Kind;
    switch (command.kind) {
    case Kind::Reset:
        Restore();
        break;
    case Kind::Set:
        ApplySet(command.field, command.value);
        break;
    case Kind::Identity:
        current_.identity = command.text;
        break;
    case Kind::SetFault:
        current_.fault = command.fault;
        break;
    case Kind::OnceFault:
        onceFault_ = command.fault;
        break;
    case Kind::Unplug:
    case Kind::Plug:
        break; // the line is the simulator's
    case Kind::Still:
        current_.still = command.value != 0;
        break;
    case Kind::Limit:
        current_.correctionLimit = static_cast<int>(command.value);
        break;
    case Kind::RestartSilence:
        current_.restartSilenceMs = static_cast<int>(command.value);
        break;
    }
}

void Unit::ApplySet(ControlCommand::Field field, std::int64_t value) {
    using Field = ControlCommand::Field;
    auto raw = static_cast<std::int16_t>(value);
    switch (field) {
    case Field::Temperature:
        current_.temperature = raw;
        break;
    case Field::Humidity:
        current_.humidity = raw;
        break;
    case Field::Formaldehyde:
        current_.formaldehyde = raw;
        break;
    case Field::TemperatureCorrection:
        current_.temperatureCorrection = raw;
        break;
    case Field::HumidityCorrection:
        current_.humidityCorrection = raw;
        break;
    case Field::Address:
        activeAddress_ = storedAddress_ = static_cast<int>(value);
        break;
    case Field::Baud:
        activeLine_.baudIndex = storedLine_.baudIndex = static_cast<int>(value);
        break;
    case Field::Parity:
        activeLine_.parityIndex = storedLine_.parityIndex = static_cast<int>(value);
        break;
    case Field::Serial:
        current_.serial = static_cast<std::uint32_t>(value);
        break;
    case Field::Firmware:
        current_.firmware = static_cast<std::uint16_t>(value);
        break;
    }
}

std::vector<std::pair<std::string, std::string>> Unit::StateEntries(Micros now) const {
    auto number = [](auto value) { return std::to_string(value); };
    return {
        {"commands", number(counters_.commands)},
        {"bad_commands", number(counters_.badCommands)},
        {"requests", number(counters_.requests)},
        {"ignored", number(counters_.ignored)},
        {"bad_frames", number(counters_.badFrames)},
        {"last_request", lastRequest_},
        {"last_reply", lastReply_},
        {"writes", number(counters_.writes)},
        {"last_write", lastWrite_},
        {"address", number(activeAddress_)},
        {"baud", number(activeLine_.baudIndex)},
        {"parity", number(activeLine_.parityIndex)},
        {"line", activeLine_.Text()},
        {"stored_address", number(storedAddress_)},
        {"stored_baud", number(storedLine_.baudIndex)},
        {"stored_parity", number(storedLine_.parityIndex)},
        {"temperature", Signed(Reading(Channel::Temperature, now))},
        {"humidity", Signed(Reading(Channel::Humidity, now))},
        {"formaldehyde", Signed(Reading(Channel::Formaldehyde, now))},
        {"tcorr", Signed(current_.temperatureCorrection)},
        {"hcorr", Signed(current_.humidityCorrection)},
        {"serial", number(current_.serial)},
        {"firmware", number(current_.firmware)},
        {"identity", TextUpToZero(current_.identity)},
        {"restarts", number(counters_.restarts)},
        {"restarting", IsRestarting(now) ? "1" : "0"},
        {"still", current_.still ? "on" : "off"},
        {"limit", number(current_.correctionLimit)},
        {"restart_silence", number(current_.restartSilenceMs)},
        {"fault", current_.fault.Text()},
        {"once", onceFault_ ? onceFault_->Text() : "none"},
    };
}

} // namespace zorsim
