// Reads the extension's debugger output inside the test process.
#pragma once

#include <string>
#include <vector>

void StartDiagnosticsCapture();

// The texts written since the last call, one entry per OutputDebugStringA.
std::vector<std::string> TakeDiagnostics();
