#include "zorctl/option_values.h"

#include "console/number_text.h"
#include "zorctl/line_names.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <sstream>

namespace {

constexpr char ListSeparator = ',';
constexpr char RangeSeparator = '-';
constexpr const char* AllWord = "all";

// A whole decimal number that is the entire text: no sign, no blanks.
std::optional<std::int64_t> WholeNumber(const std::string& text) {
    std::int64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc{} || stop != end) {
        return std::nullopt;
    }
    return value;
}

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::istringstream stream(text);
    std::string part;
    while (std::getline(stream, part, separator)) {
        parts.push_back(part);
    }
    if (!text.empty() && text.back() == separator) {
        parts.emplace_back();
    }
    return parts;
}

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

void AddOnce(std::vector<std::uint8_t>& values, std::uint8_t value) {
    for (const std::uint8_t held : values) {
        if (held == value) {
            return;
        }
    }
    values.push_back(value);
}

// One element of an address list: "17" or "10-20".
std::string AddAddressRange(const std::string& part, std::vector<std::uint8_t>& addresses) {
    const std::size_t dash = part.find(RangeSeparator);
    const std::string firstText = part.substr(0, dash);
    const std::string lastText = dash == std::string::npos ? firstText : part.substr(dash + 1);
    const Parsed<std::uint8_t> first = ParseAddress(firstText);
    const Parsed<std::uint8_t> last = ParseAddress(lastText);
    if (!first.value || !last.value) {
        return Quoted(part) + ": " + (first.value ? last.problem : first.problem);
    }
    if (*first.value > *last.value) {
        return Quoted(part) + ": a range goes from the lower address to the higher";
    }
    for (int address = *first.value; address <= *last.value; ++address) {
        AddOnce(addresses, static_cast<std::uint8_t>(address));
    }
    return {};
}

// A list of "all" or of single values, each read by `parseOne`.
template <typename ParseOne>
Parsed<std::vector<std::uint8_t>> ParseChoiceList(const std::string& text, int tableSize,
                                                  ParseOne parseOne) {
    std::vector<std::uint8_t> values;
    if (text == AllWord) {
        for (int i = 0; i < tableSize; ++i) {
            values.push_back(static_cast<std::uint8_t>(i));
        }
        return Parsed<std::vector<std::uint8_t>>::Ok(values);
    }
    for (const std::string& part : Split(text, ListSeparator)) {
        const Parsed<std::uint8_t> one = parseOne(part);
        if (!one.value) {
            return Parsed<std::vector<std::uint8_t>>::Fail(one.problem);
        }
        AddOnce(values, *one.value);
    }
    if (values.empty()) {
        return Parsed<std::vector<std::uint8_t>>::Fail("the list is empty");
    }
    return Parsed<std::vector<std::uint8_t>>::Ok(values);
}

// The typed number by the window tool's rules; none for a text it would read
// as 0 because it is no number, or for one it would cut.
std::optional<float> DecimalNumber(const std::string& text) {
    float value = 0.0f;
    if (text.size() > static_cast<std::size_t>(ReadNumberMostCharacters) ||
        !TryReadNumber(text.c_str(), value)) {
        return std::nullopt;
    }
    return value;
}

} // namespace

Parsed<std::uint8_t> ParseAddress(const std::string& text) {
    const std::optional<std::int64_t> number = WholeNumber(text);
    if (!number || *number < line_names::LowestAddress || *number > line_names::HighestAddress) {
        return Parsed<std::uint8_t>::Fail(Quoted(text) + " is not a unit address (1..247)");
    }
    return Parsed<std::uint8_t>::Ok(static_cast<std::uint8_t>(*number));
}

Parsed<std::uint8_t> ParseBaud(const std::string& text) {
    const std::optional<std::int64_t> number = WholeNumber(text);
    const std::optional<std::uint8_t> index =
        number && *number > 0 && *number <= std::numeric_limits<std::uint32_t>::max()
            ? line_names::BaudIndex(static_cast<std::uint32_t>(*number))
            : std::nullopt;
    if (!index) {
        return Parsed<std::uint8_t>::Fail(
            Quoted(text) + " is not a baud rate (1200 2400 4800 9600 19200 38400 57600 115200)");
    }
    return Parsed<std::uint8_t>::Ok(*index);
}

Parsed<std::uint8_t> ParseParity(const std::string& text) {
    const std::optional<std::uint8_t> index = line_names::ParityIndex(text);
    if (!index) {
        return Parsed<std::uint8_t>::Fail(Quoted(text) +
                                          " is not a parity (none, odd, even, mark)");
    }
    return Parsed<std::uint8_t>::Ok(*index);
}

Parsed<std::vector<std::uint8_t>> ParseAddressSet(const std::string& text) {
    std::vector<std::uint8_t> addresses;
    for (const std::string& part : Split(text, ListSeparator)) {
        const std::string problem = AddAddressRange(part, addresses);
        if (!problem.empty()) {
            return Parsed<std::vector<std::uint8_t>>::Fail(problem);
        }
    }
    if (addresses.empty()) {
        return Parsed<std::vector<std::uint8_t>>::Fail("the list is empty");
    }
    return Parsed<std::vector<std::uint8_t>>::Ok(addresses);
}

Parsed<std::vector<std::uint8_t>> ParseBaudList(const std::string& text) {
    return ParseChoiceList(text, BaudRateCount, ParseBaud);
}

Parsed<std::vector<std::uint8_t>> ParseParityList(const std::string& text) {
    return ParseChoiceList(text, line_names::ParityCount, ParseParity);
}

Parsed<double> ParseInterval(const std::string& text) {
    const std::optional<float> seconds = DecimalNumber(text);
    if (!seconds || !std::isfinite(*seconds) || *seconds <= 0.0f) {
        return Parsed<double>::Fail(Quoted(text) + " is not a number of seconds above 0");
    }
    return Parsed<double>::Ok(*seconds);
}

Parsed<long> ParseCount(const std::string& text) {
    const std::optional<std::int64_t> count = WholeNumber(text);
    if (!count || *count < 1 || *count > std::numeric_limits<long>::max()) {
        return Parsed<long>::Fail(Quoted(text) + " is not a count of 1 or more");
    }
    return Parsed<long>::Ok(static_cast<long>(*count));
}

Parsed<float> ParseCorrection(const std::string& text) {
    const std::optional<float> value = DecimalNumber(text);
    if (!value) {
        return Parsed<float>::Fail(Quoted(text) + " is not a number");
    }
    // The window tool clamps what lies beyond the register's range; a command
    // line refuses it instead, so a script never writes what it did not ask for.
    if (std::isnan(*value) || LimitCorrection(*value) != *value) {
        return Parsed<float>::Fail(Quoted(text) + " is outside -327.68..327.67");
    }
    return Parsed<float>::Ok(*value);
}
