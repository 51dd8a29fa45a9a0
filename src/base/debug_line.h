// Diagnostics reach the debugger output only. The Windows build writes with OutputDebugStringA;
// native tests link their own DebugLine that records the lines.
#pragma once

#include <string>
#include <vector>

// Writes text as it stands (callers end it with a newline); a null text writes nothing.
void DebugLine(const char* text);

// Formats into a zero-filled 512-byte buffer, appends the newline, and writes it.
void DebugLinef(const char* format, ...) __attribute__((format(printf, 1, 2)));

// While lines is set, what this thread writes is appended there instead (the picture thread's
// lines, said in order by the interface thread when it takes the work's result). Null ends it.
void CaptureThreadLines(std::vector<std::string>* lines);
