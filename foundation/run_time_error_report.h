#pragma once

// Shows a run-time error's text the platform's way and ends the process with
// exitCode: a box captioned "Error" on Windows, a line on standard error
// elsewhere.
[[noreturn]] void ReportRunTimeError(const char* text, int exitCode);
