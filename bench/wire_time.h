#pragma once

// How long an exchange takes on a real line: the request's and the reply's
// characters plus the unit's silence of 3.5 characters before it answers.
// Every figure of a paced line is measured against this.
namespace wire {

constexpr double MsPerSecond = 1000.0;
// Start bit, 8 data bits, parity bit, stop bit.
constexpr double BitsPerCharacter = 11.0;
constexpr double SilenceCharacters = 3.5;

inline double CharacterMs(double baudRate) { return BitsPerCharacter * MsPerSecond / baudRate; }

inline double ExchangeMs(double baudRate, int requestBytes, int replyBytes) {
    return (requestBytes + replyBytes + SilenceCharacters) * CharacterMs(baudRate);
}

} // namespace wire
