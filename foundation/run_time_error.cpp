#include "foundation/run_time_error.h"

#include "foundation/run_time_error_report.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdlib>
#include <limits>
#include <string_view>

namespace {

constexpr std::string_view ReportStart = "Runtime error ";
constexpr std::string_view AddressMark = " at $";
constexpr int Hexadecimal = 16;
// The digits of the widest int and its sign.
constexpr std::size_t NumberChars = std::numeric_limits<int>::digits10 + 2;
static_assert(ReportStart.size() + NumberChars + AddressMark.size() +
                  RunTimeErrorText::AddressDigits <
              RunTimeErrorText::Capacity);

[[noreturn]] void Stop(int number, void* address) {
    const RunTimeErrorText report =
        FormatRunTimeError(number, reinterpret_cast<std::uintptr_t>(address));
    ReportRunTimeError(report.text, number);
}

char* Append(char* out, std::string_view text) {
    return std::copy(text.begin(), text.end(), out);
}

// The address in capital hexadecimal digits, padded with zeros to the width
// of a pointer.
char* AppendAddress(char* out, std::uintptr_t address) {
    char digits[RunTimeErrorText::AddressDigits] = {};
    char* end = std::to_chars(std::begin(digits), std::end(digits), address, Hexadecimal).ptr;
    const auto used = static_cast<std::size_t>(end - digits);
    out = std::fill_n(out, RunTimeErrorText::AddressDigits - used, '0');
    return std::transform(digits, end, out, [](char c) {
        return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    });
}

} // namespace

// Formatted by hand: a printf family function would pull a whole formatting
// engine into the program for this one line.
RunTimeErrorText FormatRunTimeError(int number, std::uintptr_t address) {
    RunTimeErrorText report = {};
    char* out = Append(report.text, ReportStart);
    out = std::to_chars(out, std::end(report.text), number).ptr;
    out = Append(out, AddressMark);
    AppendAddress(out, address);
    return report;
}

__attribute__((noinline)) void RunError(int number) {
    Stop(number, __builtin_return_address(0));
}

__attribute__((noinline)) void RunError(RunTimeError error) {
    Stop(static_cast<int>(error), __builtin_return_address(0));
}

__attribute__((noinline)) void AbstractCall() {
    Stop(static_cast<int>(RunTimeError::AbstractCall), __builtin_return_address(0));
}

// The system raises no exceptions of its own. Should one escape from the
// standard library all the same, the program ends at once; the library's own
// verbose report would bring a demangler and a printf engine into the
// program for a message nobody sees in a GUI program.
namespace __gnu_cxx {
void __verbose_terminate_handler() {
    std::abort();
}
} // namespace __gnu_cxx
