#include "support/diagnostics_capture.h"

#include <windows.h>

#include <mutex>

namespace {

std::mutex g_mutex;
std::vector<std::string> g_lines;
PVOID g_handler = nullptr;

// Every OutputDebugStringA raises DBG_PRINTEXCEPTION_C; the text is the second parameter.
LONG CALLBACK OnDebugPrint(EXCEPTION_POINTERS* info) {
    const EXCEPTION_RECORD* record = info->ExceptionRecord;
    if (record->ExceptionCode == DBG_PRINTEXCEPTION_C && record->NumberParameters >= 2) {
        const char* text = reinterpret_cast<const char*>(record->ExceptionInformation[1]);
        if (text != nullptr) {
            std::lock_guard lock(g_mutex);
            g_lines.emplace_back(text);
        }
        return EXCEPTION_CONTINUE_EXECUTION;
    }
    return EXCEPTION_CONTINUE_SEARCH;
}

} // namespace

void StartDiagnosticsCapture() {
    if (g_handler == nullptr) {
        g_handler = AddVectoredExceptionHandler(1, OnDebugPrint);
    }
}

std::vector<std::string> TakeDiagnostics() {
    std::lock_guard lock(g_mutex);
    std::vector<std::string> lines;
    lines.swap(g_lines);
    return lines;
}
