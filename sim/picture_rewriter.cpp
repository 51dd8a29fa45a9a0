#include "picture_rewriter.h"

#include <windows.h>

#include <algorithm>
#include <thread>
#include <vector>

#include "text_file.h"

namespace sim {

namespace {

// An editor's save arrives in pieces: a reader opening the file in between sees it short.
constexpr int kChunks = 4;
constexpr DWORD kChunkPauseMs = 3;
// The last save puts the original back even when a reader holds the file for a while.
constexpr int kRestoreAttempts = 100;
constexpr DWORD kRestoreRetryMs = 10;

struct Rewrites {
    std::wstring target;
    std::string original;
    std::string other;
    int every_ms = 0;
    int for_ms = 0;
    HANDLE stop = nullptr;
    std::thread thread;
    RewriteCounts counts;
};

Rewrites g_rewrites;

bool ReadWhole(const std::string& path, std::string& bytes, std::string& error) {
    if (!ReadTextFile(path, bytes)) {
        error = "cannot read " + DisplayPath(path);
        return false;
    }
    return true;
}

// False when the file could not be opened for writing (held without sharing write).
bool Save(const std::wstring& target, const std::string& bytes, DWORD pause_ms) {
    HANDLE file = CreateFileW(target.c_str(), GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    size_t chunk = (bytes.size() + kChunks - 1) / kChunks;
    for (size_t offset = 0; offset < bytes.size(); offset += chunk) {
        if (offset > 0 && pause_ms > 0) {
            Sleep(pause_ms);
        }
        DWORD size = static_cast<DWORD>(std::min(chunk, bytes.size() - offset));
        DWORD written = 0;
        if (!WriteFile(file, bytes.data() + offset, size, &written, nullptr) || written != size) {
            break;
        }
    }
    CloseHandle(file);
    return true;
}

void RewriteLoop() {
    ULONGLONG start = GetTickCount64();
    for (int save = 0;; ++save) {
        ULONGLONG due = start + static_cast<ULONGLONG>(save) * g_rewrites.every_ms;
        if (due >= start + static_cast<ULONGLONG>(g_rewrites.for_ms)) {
            return;
        }
        ULONGLONG now = GetTickCount64();
        DWORD wait = due > now ? static_cast<DWORD>(due - now) : 0;
        if (WaitForSingleObject(g_rewrites.stop, wait) == WAIT_OBJECT_0) {
            return;
        }
        const std::string& bytes = save % 2 == 0 ? g_rewrites.other : g_rewrites.original;
        ++g_rewrites.counts.rewrites;
        if (!Save(g_rewrites.target, bytes, kChunkPauseMs)) {
            ++g_rewrites.counts.blocked;
        }
    }
}

} // namespace

bool StartPictureRewrites(const std::string& target, const std::string& other, int every_ms,
                          int for_ms, std::string& error) {
    if (PictureRewritesRunning()) {
        error = "picture rewrites already run";
        return false;
    }
    Rewrites& r = g_rewrites;
    if (!ReadWhole(target, r.original, error) || !ReadWhole(other, r.other, error)) {
        return false;
    }
    r.stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (r.stop == nullptr) {
        error = "cannot create an event for the picture rewrites";
        return false;
    }
    r.target = Utf8ToWide(target);
    r.every_ms = every_ms;
    r.for_ms = for_ms;
    r.counts = RewriteCounts{};
    r.thread = std::thread(RewriteLoop);
    return true;
}

RewriteCounts StopPictureRewrites() {
    Rewrites& r = g_rewrites;
    if (!PictureRewritesRunning()) {
        return {};
    }
    SetEvent(r.stop);
    r.thread.join();
    CloseHandle(r.stop);
    r.stop = nullptr;
    for (int attempt = 0; attempt < kRestoreAttempts && !r.counts.restored; ++attempt) {
        r.counts.restored = Save(r.target, r.original, 0);
        if (!r.counts.restored) {
            Sleep(kRestoreRetryMs);
        }
    }
    r.original.clear();
    r.other.clear();
    return r.counts;
}

bool PictureRewritesRunning() {
    return g_rewrites.thread.joinable();
}

} // namespace sim
