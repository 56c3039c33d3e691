#pragma once

#include "foundation/base_object.h"

#include <cstdint>

class SerialPort;

// Master side of Modbus RTU (functions 3, 4 and 6) on one owned serial port.
// Every operation is one request and one reply on the calling thread; the
// frame buffer is part of the object, so an exchange allocates nothing.
class ModbusMaster : public BaseObject {
public:
    // A read reply (2 x count + 5 bytes) must fit the frame buffer.
    static constexpr std::uint16_t MaxReadCount = 125;

    ModbusMaster();
    ~ModbusMaster() override;

    bool Open(const char* devicePath);
    void Close();
    // Line parameters and read time-outs for baudRate (not 0) and parity (0..3).
    void SetLine(std::uint32_t baudRate, std::uint8_t parity);

    // True when a valid normal reply arrived; only then is destination written.
    bool ReadHoldingRegisters(std::uint8_t unit, std::uint16_t first, std::uint16_t count,
                              std::uint16_t* destination);
    bool ReadInputRegisters(std::uint8_t unit, std::uint16_t first, std::uint16_t count,
                            std::uint16_t* destination);
    bool WriteSingleRegister(std::uint8_t unit, std::uint16_t reg, std::uint16_t value);

    // The unit's exception code after a refused exchange; 0 after every other
    // failure. A successful exchange leaves it as it was.
    std::int32_t LastException() const { return lastException; }

private:
    static constexpr int FrameSize = 256;

    bool ReadRegisters(std::uint8_t function, std::uint8_t unit, std::uint16_t first,
                       std::uint16_t count, std::uint16_t* destination);
    void PutRequest(std::uint8_t unit, std::uint8_t function, std::uint16_t address,
                    std::uint16_t operand);
    void ComputeCrc(int length);
    void SendRequest(int length);
    bool ReceiveReply(int expected);
    bool Answers(const std::uint8_t* request, bool exception, int expected) const;
    int ReadInto(int received, int wanted);
    bool Fail();
    void DecodeRegisters(const std::uint8_t* source, std::uint16_t* destination,
                         std::uint16_t count) const;

    std::uint8_t FrameBuffer[FrameSize];
    SerialPort* port;
    std::int32_t lastException;
    std::uint16_t crc;
};
