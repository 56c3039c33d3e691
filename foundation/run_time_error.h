#pragma once

#include <cstdint>
#include <string>

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

// The report's text, kept apart so that it can be checked without a box.
std::string RunTimeErrorText(int number, std::uintptr_t address);
