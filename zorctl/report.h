#pragma once

#include "zorctl/exit_code.h"

#include <string>

// Where zorctl's lines go: results to standard output, problems and progress
// to standard error. Every line is flushed as it is written, so a pipe, a log
// or a person sees it when it happens, and an interrupted run loses none.
namespace report {

void Result(const std::string& line);
// "zorctl: " + line on standard error.
void Problem(const std::string& line);
// Prints the problem and hands back `code`, for one-line failure returns.
ExitCode Fail(ExitCode code, const std::string& line);

} // namespace report
