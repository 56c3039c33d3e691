#pragma once

#include <cstddef>
#include <cstdint>

// Conditions that end the program at once; the value is the exit code.
enum class RunTimeError : int {
    HeapExhausted = 203,
    AbstractCall = 211,
    IndexOutOfRange = 213,
    CollectionOverflow = 214,
};

// Reports "Runtime error N at $ADDRESS" in a box captioned "Error" and ends the
// process with N as its exit code. ADDRESS is where the caller stopped.
[[noreturn]] void RunError(RunTimeError error);
[[noreturn]] void RunError(int number);

// Ends the program with run-time error 211: for operations a type declares
// but does not supply.
[[noreturn]] void AbstractCall();

// The report's text, kept apart so that it can be checked without a box. It
// is held in place rather than on the heap, since an exhausted heap is one of
// the conditions it reports.
struct RunTimeErrorText {
    static constexpr std::size_t AddressDigits = sizeof(void*) * 2;
    // Room for any number and a 64-bit address.
    static constexpr std::size_t Capacity = 64;
    char text[Capacity];
};

RunTimeErrorText FormatRunTimeError(int number, std::uintptr_t address);
