#include "base/debug_line.h"

#include <windows.h>

#include <new>

namespace {

thread_local std::vector<std::string>* t_captured = nullptr;

} // namespace

void DebugLine(const char* text) {
    if (text == nullptr) {
        return;
    }
    if (t_captured != nullptr) {
        try {
            t_captured->emplace_back(text);
            return;
        } catch (const std::bad_alloc&) {
            // said now rather than lost
        }
    }
    OutputDebugStringA(text);
}

void CaptureThreadLines(std::vector<std::string>* lines) {
    t_captured = lines;
}
