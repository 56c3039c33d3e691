#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The values of zorctl's options, read from their command-line texts. Each
// reader gives the value or, for a text that is none, one line that says why
// (without the option's name, which the caller puts in front).
template <typename T> struct Parsed {
    std::optional<T> value;
    std::string problem;

    static Parsed Ok(T v) { return Parsed{std::move(v), {}}; }
    static Parsed Fail(std::string why) { return Parsed{std::nullopt, std::move(why)}; }
};

// A unit address, 1..247.
Parsed<std::uint8_t> ParseAddress(const std::string& text);
// A rate of the baud-rate table, given in bits per second; the result is its index.
Parsed<std::uint8_t> ParseBaud(const std::string& text);
// none, odd, even or mark; the result is the parity index.
Parsed<std::uint8_t> ParseParity(const std::string& text);

// Addresses as a comma-separated list of numbers and ranges ("1-10,17,200-247"),
// in the order given, each address once.
Parsed<std::vector<std::uint8_t>> ParseAddressSet(const std::string& text);
// "all" (the whole table) or a comma-separated list of rates; baud-rate indices.
Parsed<std::vector<std::uint8_t>> ParseBaudList(const std::string& text);
// "all" or a comma-separated list of parity words; parity indices.
Parsed<std::vector<std::uint8_t>> ParseParityList(const std::string& text);

// Seconds between readings: a decimal number above 0 ("0.5", "2", "1,5").
Parsed<double> ParseInterval(const std::string& text);
// How many readings: a whole number of at least 1.
Parsed<long> ParseCount(const std::string& text);
// A correction in degC or %: a decimal number within -327.68..327.67, read by
// the rules of the window tool's correction fields ("1,5" is 1.5).
Parsed<float> ParseCorrection(const std::string& text);
