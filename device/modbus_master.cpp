#include "device/modbus_master.h"

#include "device/modbus_line.h"
#include "device/serial_port.h"

#include <cstring>

namespace {

constexpr std::uint8_t ReadHoldingFunction = 3;
constexpr std::uint8_t ReadInputFunction = 4;
constexpr std::uint8_t WriteSingleFunction = 6;

constexpr int RequestLengthWithoutCrc = 6;
constexpr int CrcLength = 2;
// An exception reply, and the first phase of every reply.
constexpr int ShortestReply = 5;
// Read reply: address, function, byte count, values, CRC.
constexpr int ReadReplyOverhead = 5;
constexpr int WriteReplyLength = 8;
constexpr int BytesPerRegister = 2;

constexpr int UnitOffset = 0;
constexpr int FunctionOffset = 1;
constexpr int ExceptionCodeOffset = 2;
constexpr int ByteCountOffset = 2;
constexpr int ValuesOffset = 3;
// A write's echo repeats the register and the value: request bytes 2 to 5.
constexpr int EchoOffset = 2;
constexpr int EchoLength = 4;
constexpr std::uint8_t ExceptionFlag = 0x80;

constexpr std::uint16_t CrcStart = 0xFFFF;
constexpr std::uint16_t CrcPolynomial = 0xA001;
constexpr int BitsPerByte = 8;
constexpr std::uint16_t ByteMask = 0xFF;

constexpr std::uint32_t PurgeBothQueues = SerialPort::PurgeTransmit | SerialPort::PurgeReceive;

constexpr std::uint8_t HighByte(std::uint16_t value) {
    return value >> BitsPerByte;
}
constexpr std::uint8_t LowByte(std::uint16_t value) {
    return value & ByteMask;
}

} // namespace

ModbusMaster::ModbusMaster() : FrameBuffer{}, port(new SerialPort), lastException(0), crc(0) {}

ModbusMaster::~ModbusMaster() {
    port->Dispose();
}

bool ModbusMaster::Open(const char* devicePath) {
    return port->Open(devicePath);
}

void ModbusMaster::Close() {
    port->Close();
}

void ModbusMaster::SetLine(std::uint32_t baudRate, std::uint8_t parity) {
    ModbusLine::Apply(*port, baudRate, parity);
}

bool ModbusMaster::ReadHoldingRegisters(std::uint8_t unit, std::uint16_t first, std::uint16_t count,
                                        std::uint16_t* destination) {
    return ReadRegisters(ReadHoldingFunction, unit, first, count, destination);
}

bool ModbusMaster::ReadInputRegisters(std::uint8_t unit, std::uint16_t first, std::uint16_t count,
                                      std::uint16_t* destination) {
    return ReadRegisters(ReadInputFunction, unit, first, count, destination);
}

bool ModbusMaster::WriteSingleRegister(std::uint8_t unit, std::uint16_t reg, std::uint16_t value) {
    PutRequest(unit, WriteSingleFunction, reg, value);
    SendRequest(RequestLengthWithoutCrc);
    return ReceiveReply(WriteReplyLength);
}

bool ModbusMaster::ReadRegisters(std::uint8_t function, std::uint8_t unit, std::uint16_t first,
                                 std::uint16_t count, std::uint16_t* destination) {
    // A larger reply would not fit the frame buffer: refuse before sending.
    if (count > MaxReadCount) {
        lastException = 0;
        return false;
    }
    PutRequest(unit, function, first, count);
    SendRequest(RequestLengthWithoutCrc);
    if (!ReceiveReply(BytesPerRegister * count + ReadReplyOverhead)) {
        return false;
    }
    DecodeRegisters(FrameBuffer + ValuesOffset, destination, count);
    return true;
}

void ModbusMaster::PutRequest(std::uint8_t unit, std::uint8_t function, std::uint16_t address,
                              std::uint16_t operand) {
    FrameBuffer[0] = unit;
    FrameBuffer[1] = function;
    FrameBuffer[2] = HighByte(address);
    FrameBuffer[3] = LowByte(address);
    FrameBuffer[4] = HighByte(operand);
    FrameBuffer[5] = LowByte(operand);
}

void ModbusMaster::ComputeCrc(int length) {
    crc = CrcStart;
    for (int i = 0; i < length; ++i) {
        crc ^= FrameBuffer[i];
        for (int bit = 0; bit < BitsPerByte; ++bit) {
            const bool carry = (crc & 1) != 0;
            crc >>= 1;
            if (carry) {
                crc ^= CrcPolynomial;
            }
        }
    }
}

void ModbusMaster::SendRequest(int length) {
    ComputeCrc(length);
    FrameBuffer[length] = LowByte(crc);
    FrameBuffer[length + 1] = HighByte(crc);
    // Whatever waits in the receive queue now came after an earlier exchange
    // gave up (a unit answering late, the rest of a reply cut short, surplus).
    // Left there it would lead this reply: refused, it costs this exchange,
    // and this exchange's own reply, coming after the purge of the refusal,
    // leads the next one in turn, so the master stays out of step; or, behind
    // a request of the same kind, it passes every check and old values (or an
    // old write's echo) are taken for this reply. Emptied first, the queue
    // holds only what answers this request.
    port->Purge(SerialPort::PurgeReceive);
    port->Write(FrameBuffer, length + CrcLength);
}

bool ModbusMaster::ReceiveReply(int expected) {
    // The reply overwrites the request, which the checks still need.
    std::uint8_t request[RequestLengthWithoutCrc];
    std::memcpy(request, FrameBuffer, sizeof request);
    int received = ReadInto(0, ShortestReply);
    if (received < ShortestReply) {
        return Fail();
    }
    const bool exception = (FrameBuffer[FunctionOffset] & ExceptionFlag) != 0;
    if (!exception) {
        received = ReadInto(received, expected - received);
        // Cut short: what comes late is cleared before the next request.
        if (received < expected) {
            return Fail();
        }
    }
    // Over the whole frame, CRC included, the check comes out 0 when it matches.
    ComputeCrc(received);
    // A sound frame that answers another request (late bytes of an earlier
    // exchange, another unit) is as unusable as a damaged one.
    if (crc != 0 || !Answers(request, exception, expected)) {
        port->Purge(PurgeBothQueues);
        return Fail();
    }
    if (exception) {
        lastException = FrameBuffer[ExceptionCodeOffset];
        return false;
    }
    return true;
}

// Whether the frame in the buffer is the reply to request: the same unit and
// function (flagged for an exception), a read's byte count for the registers
// asked, a write's echo of the register and value sent.
bool ModbusMaster::Answers(const std::uint8_t* request, bool exception, int expected) const {
    const std::uint8_t function = request[FunctionOffset];
    if (FrameBuffer[UnitOffset] != request[UnitOffset]) {
        return false;
    }
    if (exception) {
        return FrameBuffer[FunctionOffset] == (function | ExceptionFlag);
    }
    if (FrameBuffer[FunctionOffset] != function) {
        return false;
    }
    if (function == WriteSingleFunction) {
        return std::memcmp(FrameBuffer + EchoOffset, request + EchoOffset, EchoLength) == 0;
    }
    return FrameBuffer[ByteCountOffset] == expected - ReadReplyOverhead;
}

// Reads until wanted bytes have arrived after offset received, or a read
// returns nothing; returns the new total.
int ModbusMaster::ReadInto(int received, int wanted) {
    while (wanted > 0) {
        const int n = static_cast<int>(port->Read(FrameBuffer + received, wanted));
        if (n == 0) {
            break;
        }
        received += n;
        wanted -= n;
    }
    return received;
}

bool ModbusMaster::Fail() {
    lastException = 0;
    return false;
}

void ModbusMaster::DecodeRegisters(const std::uint8_t* source, std::uint16_t* destination,
                                   std::uint16_t count) const {
    for (int i = 0; i < count; ++i) {
        destination[i] = static_cast<std::uint16_t>(source[BytesPerRegister * i] << BitsPerByte |
                                                    source[BytesPerRegister * i + 1]);
    }
}
