// Diagnostics reach the debugger output only. The Windows build writes with OutputDebugStringA;
// native tests link their own DebugLine that records the lines.
#pragma once

// Writes text as it stands (callers end it with a newline); a null text writes nothing.
void DebugLine(const char* text);

// Formats into a zero-filled 512-byte buffer, appends the newline, and writes it.
void DebugLinef(const char* format, ...) __attribute__((format(printf, 1, 2)));
