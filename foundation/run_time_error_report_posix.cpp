#include "foundation/run_time_error_report.h"

#include <cstdio>
#include <cstdlib>

// Ends at once, as ExitProcess does on Windows: a program that ran out of heap
// must not run its destructors first.
void ReportRunTimeError(const char* text, int exitCode) {
    std::fprintf(stderr, "%s\n", text);
    std::_Exit(exitCode);
}
