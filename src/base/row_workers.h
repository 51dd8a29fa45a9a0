// Threads that help the calling thread through the rows of one frame. Between frames they wait,
// blocked; StopRowWorkers joins them (the extension's unload does, before it returns).
#pragma once

#include <cstdint>

// At most this many threads share a frame, the caller included: beyond it the memory bus, not
// the processor, sets the pace.
inline constexpr int kMaxRowThreads = 4;

// Frames smaller than this many pixels are not split: waking a thread costs more than they do.
inline constexpr int64_t kLeastPixelsToSplit = int64_t(1) << 17;

// Rows [first, end) of a job, on the thread numbered `thread` (0 is the caller). Must not throw.
using RowBlockFunction = void (*)(const void* context, int thread, int first, int end) noexcept;

struct RowJob {
    RowBlockFunction run;
    const void* context;
    int rows;
    int rows_per_block; // blocks are handed out in order to whichever thread is free
    // Another job of the same frame follows at once: the workers wait for it awake, briefly.
    bool more_follows;
};

// How many threads a w x h frame is split between: 1 for small frames, else the processor count
// up to kMaxRowThreads (or what ForceRowThreads set).
int RowThreadsFor(int64_t pixels);

// Tests: split every frame between `threads` threads whatever its size; 0 restores the rules.
void ForceRowThreads(int threads);

// Runs every block of the job on the caller and up to threads - 1 workers, and returns when all
// are done. Workers are started on first use; where they cannot be, the caller does all.
void RunRowJob(const RowJob& job, int threads);

// Joins the workers. Called on the thread that runs jobs, never during one.
void StopRowWorkers();
