#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "base/row_workers.h"

namespace {

constexpr int kRows = 96;

// One caller's job: counts the writes of each row and notes blocks that ran on a thread other
// than the caller's.
struct CountedRows {
    std::vector<std::atomic<int>> writes = std::vector<std::atomic<int>>(kRows);
    std::thread::id caller = std::this_thread::get_id();
    std::atomic<int> blocks_elsewhere{0};
};

void CountRows(const void* context, int thread, int first, int end) noexcept {
    auto& rows = *static_cast<CountedRows*>(const_cast<void*>(context));
    for (int row = first; row < end; ++row) {
        rows.writes[size_t(row)].fetch_add(1, std::memory_order_relaxed);
    }
    if (thread != 0 || std::this_thread::get_id() != rows.caller) {
        rows.blocks_elsewhere.fetch_add(1, std::memory_order_relaxed);
    }
}

// Runs `jobs` jobs split between `threads` threads; the first job whose rows were not each
// written exactly once, or -1.
int FirstBadJob(int jobs, int threads, CountedRows& rows) {
    for (int job = 0; job < jobs; ++job) {
        for (std::atomic<int>& w : rows.writes) {
            w.store(0, std::memory_order_relaxed);
        }
        RunRowJob({CountRows, &rows, kRows, 2, job % 2 == 0}, threads);
        for (const std::atomic<int>& w : rows.writes) {
            if (w.load(std::memory_order_relaxed) != 1) {
                return job;
            }
        }
    }
    return -1;
}

} // namespace

// The pool holds one job at a time: a second thread that posted into it would hand the owner's
// blocks to its own job and take the owner's workers.
TEST(RowWorkers, AJobFromAnotherThreadRunsThereAloneWhileTheOwnerSplitsItsOwn) {
    StartRowWorkers(3);
    std::atomic<bool> go{false};
    CountedRows other_rows;
    int other_bad = -2;
    std::thread other([&] {
        other_rows.caller = std::this_thread::get_id();
        while (!go.load()) {
            std::this_thread::yield();
        }
        other_bad = FirstBadJob(3000, 3, other_rows);
    });
    CountedRows owner_rows;
    go.store(true);
    const int owner_bad = FirstBadJob(3000, 3, owner_rows);
    other.join();
    EXPECT_TRUE(StopRowWorkers());
    EXPECT_EQ(owner_bad, -1);
    EXPECT_EQ(other_bad, -1);
    EXPECT_EQ(other_rows.blocks_elsewhere.load(), 0) << "the other thread's job left it";
    EXPECT_EQ(RowThreadsFor(kLeastPixelsToSplit), 1) << "no owner after the stop";
}

// The count follows the setting and the recording state; every change leaves whole frames.
TEST(RowWorkers, EveryRowIsDoneOnceAcrossStartsLimitsAndStops) {
    CountedRows rows;
    for (int threads : {2, 4, 1, 3}) {
        StartRowWorkers(threads);
        EXPECT_EQ(RowThreadsFor(kLeastPixelsToSplit), threads);
        EXPECT_EQ(RowThreadsFor(kLeastPixelsToSplit - 1), 1);
        EXPECT_EQ(FirstBadJob(200, threads, rows), -1) << threads << " threads";
        LimitRowThreads(1);
        EXPECT_EQ(RowThreadsFor(kLeastPixelsToSplit), 1);
        LimitRowThreads(kMaxRowThreads);
        EXPECT_EQ(RowThreadsFor(kLeastPixelsToSplit), threads);
    }
    EXPECT_TRUE(StopRowWorkers());
    rows.blocks_elsewhere.store(0);
    EXPECT_EQ(FirstBadJob(20, 3, rows), -1);
    EXPECT_EQ(rows.blocks_elsewhere.load(), 0) << "a stopped pool runs jobs on the caller";
}
