#include "diagnostics_echo.h"

#include <windows.h>

#include <cstdio>

namespace sim {

namespace {

PVOID g_handler = nullptr;

// Every OutputDebugStringA raises DBG_PRINTEXCEPTION_C with the text as second parameter.
LONG CALLBACK EchoDebugPrint(EXCEPTION_POINTERS* pointers) {
    const EXCEPTION_RECORD* record = pointers->ExceptionRecord;
    if (record->ExceptionCode != DBG_PRINTEXCEPTION_C || record->NumberParameters < 2) {
        return EXCEPTION_CONTINUE_SEARCH;
    }
    const char* text = reinterpret_cast<const char*>(record->ExceptionInformation[1]);
    if (text != nullptr) {
        std::fputs(text, stdout);
        std::fflush(stdout);
    }
    return EXCEPTION_CONTINUE_EXECUTION;
}

LONG WINAPI ReportCrash(EXCEPTION_POINTERS* pointers) {
    const EXCEPTION_RECORD* record = pointers->ExceptionRecord;
    wchar_t module_path[MAX_PATH] = L"?";
    HMODULE module = nullptr;
    if (GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                               GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           static_cast<LPCWSTR>(record->ExceptionAddress), &module)) {
        GetModuleFileNameW(module, module_path, MAX_PATH);
    }
    const wchar_t* name = module_path;
    for (const wchar_t* c = module_path; *c != L'\0'; ++c) {
        if (*c == L'\\' || *c == L'/') {
            name = c + 1;
        }
    }
    unsigned long long offset =
        module != nullptr
            ? static_cast<unsigned long long>(static_cast<const BYTE*>(record->ExceptionAddress) -
                                              reinterpret_cast<const BYTE*>(module))
            : 0;
    std::printf("sandbox: crash: exception 0x%08lX in %ls+0x%llx\n",
                static_cast<unsigned long>(record->ExceptionCode), name, offset);
    std::fflush(stdout);
    ExitProcess(kCrashExitCode);
}

} // namespace

void StartDiagnosticsEcho() {
    if (g_handler == nullptr) {
        g_handler = AddVectoredExceptionHandler(1, EchoDebugPrint);
    }
}

void StopDiagnosticsEcho() {
    if (g_handler != nullptr) {
        RemoveVectoredExceptionHandler(g_handler);
        g_handler = nullptr;
    }
}

void InstallCrashReport() {
    SetUnhandledExceptionFilter(ReportCrash);
}

} // namespace sim
