#include "bitblt_threads.h"

#include <windows.h>

#include <atomic>
#include <thread>
#include <vector>

#include "frame/memory_bitmap.h"

namespace sim {

namespace {

constexpr int kSize = 256; // large enough that a thread spends its time inside the copies

std::atomic<bool> g_stop{false};
std::atomic<int64_t> g_calls{0};
std::vector<std::thread> g_threads;

// All null when it cannot be made: the copies then fail and the thread goes on.
MemoryBitmap MakeMemorySurface() {
    MemoryBitmap surface;
    CreateMemoryBitmap(nullptr, kSize, kSize, surface);
    return surface;
}

// A small hidden window owned by the calling thread, which pumps its messages itself.
HWND MakeThreadWindow() {
    return CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 64, 64, nullptr, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}

void PumpThreadMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        DispatchMessageW(&message);
    }
}

// Copies between two memory DCs of the thread's own and onto a window of its own, through the
// import.
void CopyUntilStopped(unsigned pause_ms) {
    MemoryBitmap a = MakeMemorySurface();
    MemoryBitmap b = MakeMemorySurface();
    HWND window = MakeThreadWindow();
    int64_t calls = 0;
    while (!g_stop.load()) {
        BitBlt(b.dc, 1, 1, kSize - 2, kSize - 2, a.dc, 0, 0, SRCCOPY);
        BitBlt(a.dc, 0, 0, kSize, kSize, b.dc, 0, 0, SRCCOPY);
        calls += 2;
        if (window != nullptr) {
            HDC dc = GetDC(window);
            if (dc != nullptr) {
                BitBlt(dc, 0, 0, 64, 64, a.dc, 0, 0, SRCCOPY);
                ReleaseDC(window, dc);
                ++calls;
            }
            PumpThreadMessages();
        }
        if (pause_ms > 0) {
            Sleep(pause_ms);
        }
    }
    g_calls.fetch_add(calls);
    if (window != nullptr) {
        DestroyWindow(window);
    }
    ReleaseMemoryBitmap(a);
    ReleaseMemoryBitmap(b);
}

} // namespace

void StartBitBltThreads(int count, unsigned pause_ms) {
    StopBitBltThreads();
    g_stop.store(false);
    for (int i = 0; i < count; ++i) {
        g_threads.emplace_back(CopyUntilStopped, pause_ms);
    }
}

void StopBitBltThreads() {
    g_stop.store(true);
    for (std::thread& thread : g_threads) {
        thread.join();
    }
    g_threads.clear();
}

int64_t BitBltThreadCalls() {
    return g_calls.load();
}

} // namespace sim
