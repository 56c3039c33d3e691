#include "foundation/run_time_error.h"

#include <windows.h>

#include <cctype>
#include <charconv>
#include <cstdlib>

namespace {

constexpr const char* ReportCaption = "Error";

[[noreturn]] void Stop(int number, void* address) {
    std::string text = RunTimeErrorText(number, reinterpret_cast<std::uintptr_t>(address));
    MessageBoxA(nullptr, text.c_str(), ReportCaption, MB_OK | MB_ICONHAND | MB_TASKMODAL);
    ExitProcess(static_cast<UINT>(number));
}

} // namespace

// Formatted by hand: a printf family function would pull a whole formatting
// engine into the program for this one line.
std::string RunTimeErrorText(int number, std::uintptr_t address) {
    constexpr int AddressDigits = sizeof(void*) * 2;
    constexpr int Hexadecimal = 16;
    char digits[AddressDigits + 1] = {};
    auto end = std::to_chars(digits, digits + AddressDigits, address, Hexadecimal).ptr;
    std::string hex(digits, end);
    for (char& c : hex) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    hex.insert(0, AddressDigits - hex.size(), '0');
    return "Runtime error " + std::to_string(number) + " at $" + hex;
}

__attribute__((noinline)) void RunError(int number) { Stop(number, __builtin_return_address(0)); }

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
void __verbose_terminate_handler() { std::abort(); }
} // namespace __gnu_cxx
