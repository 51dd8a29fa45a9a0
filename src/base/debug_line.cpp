#include "base/debug_line.h"

#include <cstdarg>
#include <cstdio>

void DebugLinef(const char* format, ...) {
    char buffer[512] = {};
    va_list args;
    va_start(args, format);
    int length = std::vsnprintf(buffer, sizeof buffer - 1, format, args);
    va_end(args);
    if (length < 0) {
        return;
    }
    // Keep room for the newline even when the text was cut.
    size_t end = static_cast<size_t>(length) < sizeof buffer - 2 ? static_cast<size_t>(length)
                                                                 : sizeof buffer - 2;
    buffer[end] = '\n';
    buffer[end + 1] = '\0';
    DebugLine(buffer);
}
