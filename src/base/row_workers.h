// Threads that help one thread, the pool's owner, through the rows of a frame. The owner is the
// thread that runs frames (the host's interface thread): it starts the workers when the view is
// attached and stops them at the detach or the unload. Between frames they wait, blocked. A job
// from any other thread runs on that thread alone and touches nothing of the pool.
#pragma once

#include <cstdint>

// At most this many threads share a frame, the caller included: beyond it the memory bus, not
// the processor, sets the pace.
inline constexpr int kMaxRowThreads = 4;

// Frames smaller than this many pixels are not split: waking a thread costs more than they do.
inline constexpr int64_t kLeastPixelsToSplit = int64_t(1) << 17;

// How long StopRowWorkers waits for all the workers together.
inline constexpr int kStopWaitMs = 2000;

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

// Makes the calling thread the owner and readies frames to be split between `threads` threads,
// the caller included (clamped to 1..kMaxRowThreads): threads - 1 workers, named and given the
// caller's priority, after stopping those started for another count. The owner calls it again
// when the count changes; never during a job. Workers that cannot be started leave fewer.
void StartRowWorkers(int threads);

// From now on frames use at most `threads` threads of those started (1 while the host records).
// Called by the owner.
void LimitRowThreads(int threads);

// How many threads a frame of `pixels` is split between: 1 for small frames and on any thread
// but the owner, else what StartRowWorkers and LimitRowThreads allow (or what ForceRowThreads
// set).
int RowThreadsFor(int64_t pixels);

// Tests: the calling thread becomes the owner and every frame is split between `threads`
// threads whatever its size (workers are started as needed); 0 restores the rules.
void ForceRowThreads(int threads);

// Runs every block of the job and returns when all are done: on the owner with up to
// threads - 1 workers, on any other thread alone.
void RunRowJob(const RowJob& job, int threads);

// Stops the workers and leaves the pool without an owner. Called by the owner, never during a
// job. Waits at most kStopWaitMs in all: a worker that has not stopped by then (suspended, or
// starved) is left behind, the module is pinned so that it never runs unmapped code, and its
// thread and the pool's few hundred bytes stay allocated for the rest of the process. False then.
bool StopRowWorkers();
