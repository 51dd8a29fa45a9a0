// For the sandbox program: the extension's debugger output echoed to standard output as it is
// written, and a crash of the extension turned into a message and an exit code.
#pragma once

namespace sim {

inline constexpr int kCrashExitCode = 3;

void StartDiagnosticsEcho();
void StopDiagnosticsEcho();

// An unhandled exception prints "sandbox: crash: ..." and ends the process with kCrashExitCode.
void InstallCrashReport();

} // namespace sim
