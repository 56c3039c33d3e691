#include "zorctl/report.h"

#include <cstdio>

namespace {

constexpr const char* ProgramPrefix = "zorctl: ";

void WriteLine(std::FILE* stream, const std::string& line) {
    std::fputs(line.c_str(), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}

} // namespace

namespace report {

void Result(const std::string& line) {
    WriteLine(stdout, line);
}

void Problem(const std::string& line) {
    WriteLine(stderr, ProgramPrefix + line);
}

ExitCode Fail(ExitCode code, const std::string& line) {
    Problem(line);
    return code;
}

} // namespace report
