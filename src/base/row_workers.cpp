#include "base/row_workers.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "base/debug_line.h"
#include "base/module_pin.h"
#include "base/thread_traits.h"

namespace {

struct Workers {
    std::mutex lock;
    std::condition_variable wake; // a job was posted, or the workers are to stop
    std::condition_variable idle; // the last worker on a job finished its blocks
    std::condition_variable gone; // a worker left its loop
    std::vector<std::thread> threads;
    const RowJob* job = nullptr;         // the job being run; null between frames
    int wanted = 0;                      // workers that may take the posted job
    std::atomic<uint64_t> job_number{0}; // changed under the lock
    std::atomic<int> running{0};         // workers inside the posted job; changed under the lock
    bool stopping = false;
    size_t left = 0; // workers out of their loop, under the lock
    std::atomic<int> next_block{0};
};

// Everything but the owner's identity is read and written by the owner only, so a caller on
// another thread must not look past g_owner. The workers hold their Workers themselves.
std::atomic<std::thread::id> g_owner{}; // no owner: every job runs inline
// Made by StartRowWorkers and deleted by StopRowWorkers. Deliberately not a static object: at a
// process exit without an unload its destructor would wait for threads that wait for it.
Workers* g_workers = nullptr;
int g_started_threads = 1; // what StartRowWorkers was asked for
int g_limit_threads = kMaxRowThreads;
int g_forced_threads = 0;

constexpr int kSpinsBeforeSleep = 200;
// How long a worker stays awake for the job announced to follow: the caller posts it within
// microseconds, and a sleep and a wake-up cost more (under Wine, two calls to its server).
constexpr int kSpinsForNextJob = 500;

bool CallerOwnsPool() {
    return g_owner.load(std::memory_order_relaxed) == std::this_thread::get_id();
}

int WorkerCount() {
    return g_workers != nullptr ? int(g_workers->threads.size()) : 0;
}

void RunBlocks(Workers& w, const RowJob& job, int thread) {
    const int blocks = (job.rows + job.rows_per_block - 1) / job.rows_per_block;
    for (;;) {
        const int b = w.next_block.fetch_add(1, std::memory_order_relaxed);
        if (b >= blocks) {
            return;
        }
        const int first = b * job.rows_per_block;
        job.run(job.context, thread, first, std::min(job.rows, first + job.rows_per_block));
    }
}

void WorkerLoop(Workers& w, int thread) {
    uint64_t seen = 0;
    std::unique_lock<std::mutex> hold(w.lock);
    for (;;) {
        w.wake.wait(hold, [&] {
            return w.stopping || (w.job != nullptr && w.job_number != seen && thread <= w.wanted);
        });
        if (w.stopping) {
            return;
        }
        seen = w.job_number;
        const RowJob* job = w.job;
        const bool more_follows = job->more_follows;
        ++w.running;
        hold.unlock();
        RunBlocks(w, *job, thread);
        hold.lock();
        if (--w.running == 0) {
            w.idle.notify_one();
        }
        if (more_follows) {
            hold.unlock();
            for (int spin = 0; spin < kSpinsForNextJob && w.job_number.load() == seen; ++spin) {
                std::this_thread::yield();
            }
            hold.lock();
        }
    }
}

void WorkerMain(Workers* workers, int thread, int priority) noexcept {
    BecomeFrameWorker(thread, priority);
    try {
        WorkerLoop(*workers, thread);
    } catch (...) {
        // A lock the system could not take: this worker leaves, the others share its blocks.
    }
    try {
        const std::lock_guard<std::mutex> hold(workers->lock);
        ++workers->left;
    } catch (...) {
        return; // not counted as gone: the stop waits its bound and leaves it be
    }
    workers->gone.notify_all();
}

// Ends every worker within kStopWaitMs; false when one was left running.
bool StopWorkers() {
    if (g_workers == nullptr) {
        return true;
    }
    Workers& w = *g_workers;
    bool all_gone = false;
    {
        std::unique_lock<std::mutex> hold(w.lock);
        w.stopping = true;
        w.wake.notify_all();
        all_gone = w.gone.wait_for(hold, std::chrono::milliseconds(kStopWaitMs),
                                   [&] { return w.left == w.threads.size(); });
    }
    if (all_gone) {
        // Each is past its last touch of the pool; what remains is the return from its thread.
        for (std::thread& t : w.threads) {
            t.join();
        }
        delete g_workers;
    } else {
        // The late ones still hold the pool and will run code of this module when they wake.
        PinOwnModule();
        for (std::thread& t : w.threads) {
            t.detach();
        }
        DebugLine("Murivo: a frame thread did not stop in time; it is left to end on its own and "
                  "the extension stays loaded until REAPER exits.\n");
    }
    g_workers = nullptr;
    return all_gone;
}

// Exactly `count` workers (fewer where the system refuses one); false when a worker of the old
// set could not be stopped.
bool SetWorkerCount(int count) {
    if (WorkerCount() == count) {
        return true;
    }
    const bool stopped = StopWorkers();
    if (count == 0) {
        return stopped;
    }
    try {
        g_workers = new Workers;
        const int priority = CallingThreadPriority();
        g_workers->threads.reserve(size_t(count));
        while (WorkerCount() < count) {
            g_workers->threads.emplace_back(WorkerMain, g_workers, WorkerCount() + 1, priority);
        }
    } catch (const std::exception&) {
        // No thread or no memory for one: frames go with the workers there are.
    }
    return stopped;
}

} // namespace

void StartRowWorkers(int threads) {
    threads = std::clamp(threads, 1, kMaxRowThreads);
    g_owner.store(std::this_thread::get_id(), std::memory_order_relaxed);
    g_started_threads = threads;
    g_limit_threads = threads;
    SetWorkerCount(threads - 1);
}

void LimitRowThreads(int threads) {
    if (CallerOwnsPool()) {
        g_limit_threads = std::clamp(threads, 1, kMaxRowThreads);
    }
}

int RowThreadsFor(int64_t pixels) {
    if (!CallerOwnsPool()) {
        return 1;
    }
    if (g_forced_threads > 0) {
        return std::min(g_forced_threads, WorkerCount() + 1);
    }
    if (pixels < kLeastPixelsToSplit) {
        return 1;
    }
    return std::min({g_started_threads, g_limit_threads, WorkerCount() + 1});
}

void ForceRowThreads(int threads) {
    g_forced_threads = std::clamp(threads, 0, kMaxRowThreads);
    if (g_forced_threads == 0) {
        return;
    }
    g_owner.store(std::this_thread::get_id(), std::memory_order_relaxed);
    if (WorkerCount() < g_forced_threads - 1) {
        SetWorkerCount(g_forced_threads - 1);
    }
}

void RunRowJob(const RowJob& job, int threads) {
    // Only the owner may post: the pool holds one job at a time and its workers answer to one
    // caller. Anyone else does the work it asked for itself.
    const int helpers = CallerOwnsPool() && job.rows > job.rows_per_block
                            ? std::min(threads - 1, WorkerCount())
                            : 0;
    if (helpers <= 0) {
        job.run(job.context, 0, 0, job.rows);
        return;
    }
    Workers& w = *g_workers;
    {
        const std::lock_guard<std::mutex> hold(w.lock);
        w.next_block.store(0, std::memory_order_relaxed);
        w.job = &job;
        w.wanted = helpers;
        ++w.job_number;
    }
    w.wake.notify_all();
    RunBlocks(w, job, 0);
    // A worker that has not woken yet finds no job and goes back to sleep; one inside it is
    // waited for, as its rows are not done. Its last block is nearly always a few microseconds
    // from done, less than falling asleep and being woken costs.
    {
        const std::lock_guard<std::mutex> hold(w.lock);
        w.job = nullptr;
    }
    for (int spin = 0; spin < kSpinsBeforeSleep && w.running.load() != 0; ++spin) {
        std::this_thread::yield();
    }
    std::unique_lock<std::mutex> hold(w.lock);
    w.idle.wait(hold, [&] { return w.running.load() == 0; });
}

bool StopRowWorkers() {
    g_owner.store(std::thread::id(), std::memory_order_relaxed);
    g_started_threads = 1;
    g_limit_threads = kMaxRowThreads;
    return StopWorkers();
}
