#include "ui_stall.h"

#include <windows.h>

namespace sim {

namespace {

// All on the interface thread: the host calls the extension and paints the arrange view there.
int g_call_depth = 0;
int g_paint_depth = 0;
long long g_nested_paint = 0; // counter ticks of host painting inside the outermost call
UiStall g_stall;

long long Now() {
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return counter.QuadPart;
}

double TicksToMs(long long ticks) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(ticks) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

} // namespace

void ResetUiStall() {
    g_call_depth = 0;
    g_paint_depth = 0;
    g_nested_paint = 0;
    g_stall = UiStall{};
}

UiStall CurrentUiStall() {
    return g_stall;
}

ExtensionCallTiming::ExtensionCallTiming(const char* kind, int id, const char* name)
    : outermost_(g_call_depth++ == 0), start_(0) {
    if (!outermost_) {
        return;
    }
    where_ = kind;
    if (id >= 0) {
        where_.append(1, ' ').append(std::to_string(id));
    }
    if (name != nullptr) {
        where_.append(1, ' ').append(name);
    }
    g_nested_paint = 0;
    start_ = Now();
}

ExtensionCallTiming::~ExtensionCallTiming() {
    --g_call_depth;
    if (!outermost_) {
        return;
    }
    double held = TicksToMs(Now() - start_ - g_nested_paint);
    ++g_stall.calls;
    if (held > g_stall.max_ms || g_stall.where.empty()) {
        g_stall.max_ms = held;
        g_stall.where = where_;
    }
}

HostPaintTiming::HostPaintTiming()
    : inside_call_(g_call_depth > 0), counted_(inside_call_ && g_paint_depth++ == 0), start_(0) {
    if (counted_) {
        start_ = Now();
    }
}

HostPaintTiming::~HostPaintTiming() {
    if (counted_) {
        g_nested_paint += Now() - start_;
    }
    if (inside_call_) {
        --g_paint_depth;
    }
}

} // namespace sim
