#include "base/debug_line.h"

#include <windows.h>

void DebugLine(const char* text) {
    if (text != nullptr) {
        OutputDebugStringA(text);
    }
}
