#include "foundation/run_time_error.h"

#include <windows.h>

#include <cstdio>

namespace {

constexpr const char* ReportCaption = "Error";

[[noreturn]] void Stop(int number, void* address) {
    std::string text = RunTimeErrorText(number, reinterpret_cast<std::uintptr_t>(address));
    MessageBoxA(nullptr, text.c_str(), ReportCaption, MB_OK | MB_ICONHAND | MB_TASKMODAL);
    ExitProcess(static_cast<UINT>(number));
}

} // namespace

std::string RunTimeErrorText(int number, std::uintptr_t address) {
    constexpr int AddressDigits = sizeof(void*) * 2;
    char text[64];
    std::snprintf(text, sizeof text, "Runtime error %d at $%0*llX", number, AddressDigits,
                  static_cast<unsigned long long>(address));
    return text;
}

__attribute__((noinline)) void RunError(int number) { Stop(number, __builtin_return_address(0)); }

__attribute__((noinline)) void RunError(RunTimeError error) {
    Stop(static_cast<int>(error), __builtin_return_address(0));
}

__attribute__((noinline)) void AbstractCall() {
    Stop(static_cast<int>(RunTimeError::AbstractCall), __builtin_return_address(0));
}
