#include "base/row_workers.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace {

struct Workers {
    std::mutex lock;
    std::condition_variable wake; // a job was posted, or the workers are to stop
    std::condition_variable idle; // the last worker on a job finished its blocks
    std::vector<std::thread> threads;
    const RowJob* job = nullptr;         // the job being run; null between frames
    int wanted = 0;                      // workers that may take the posted job
    std::atomic<uint64_t> job_number{0}; // changed under the lock
    std::atomic<int> running{0};         // workers inside the posted job; changed under the lock
    bool stopping = false;
    std::atomic<int> next_block{0};
};

// Made on first use and deleted by StopRowWorkers. Deliberately not a static object: at a
// process exit without an unload its destructor would wait for threads that wait for it.
Workers* g_workers = nullptr;
int g_forced_threads = 0;

constexpr int kSpinsBeforeSleep = 200;
// How long a worker stays awake for the job announced to follow: the caller posts it within
// microseconds, and a sleep and a wake-up cost more (under Wine, two calls to its server).
constexpr int kSpinsForNextJob = 500;

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

void WorkerLoop(Workers* workers, int thread) {
    Workers& w = *workers;
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

// Starts workers up to `count`; returns how many there are.
int EnsureWorkers(int count) {
    try {
        if (g_workers == nullptr) {
            g_workers = new Workers;
        }
        Workers& w = *g_workers;
        w.threads.reserve(size_t(count));
        while (int(w.threads.size()) < count) {
            w.threads.emplace_back(WorkerLoop, g_workers, int(w.threads.size()) + 1);
        }
        return int(w.threads.size());
    } catch (const std::exception&) {
        // No thread or no memory for one: the frame goes with the workers there are.
        return g_workers != nullptr ? int(g_workers->threads.size()) : 0;
    }
}

} // namespace

int RowThreadsFor(int64_t pixels) {
    if (g_forced_threads > 0) {
        return g_forced_threads;
    }
    if (pixels < kLeastPixelsToSplit) {
        return 1;
    }
    static const int processors = int(std::thread::hardware_concurrency());
    return std::clamp(processors, 1, kMaxRowThreads);
}

void ForceRowThreads(int threads) {
    g_forced_threads = std::clamp(threads, 0, kMaxRowThreads);
}

void RunRowJob(const RowJob& job, int threads) {
    const int helpers =
        threads > 1 && job.rows > job.rows_per_block ? EnsureWorkers(threads - 1) : 0;
    if (helpers == 0) {
        job.run(job.context, 0, 0, job.rows);
        return;
    }
    Workers& w = *g_workers;
    {
        const std::lock_guard<std::mutex> hold(w.lock);
        w.next_block.store(0, std::memory_order_relaxed);
        w.job = &job;
        w.wanted = std::min(helpers, threads - 1);
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

void StopRowWorkers() {
    if (g_workers == nullptr) {
        return;
    }
    Workers& w = *g_workers;
    {
        const std::lock_guard<std::mutex> hold(w.lock);
        w.stopping = true;
    }
    w.wake.notify_all();
    for (std::thread& t : w.threads) {
        t.join();
    }
    delete g_workers;
    g_workers = nullptr;
}
