#include "foundation/run_time_error_report.h"

#include <windows.h>

namespace {
constexpr const char* ReportCaption = "Error";
}

void ReportRunTimeError(const char* text, int exitCode) {
    MessageBoxA(nullptr, text, ReportCaption, MB_OK | MB_ICONHAND | MB_TASKMODAL);
    ExitProcess(static_cast<UINT>(exitCode));
}
