// Compositing a whole arrange frame, against one streaming pass over the same surfaces (the
// memory-bandwidth bound). Each iteration starts from a fresh capture, as every frame does.
// Every case but CompositePlain takes the processor path in use, which MURIVO_CPU can lower
// (base/processor_features.h); the context printed first names it.
#include <benchmark/benchmark.h>

#include <cstring>

#include "base/processor_features.h"
#include "base/row_workers.h"
#include "base/thread_traits.h"
#include "frame/frame_view.h"
#include "keying/compositor.h"
#include "keying/item_layout.h"
#include "keying/item_overlay.h"
#include "keying/key_colour_cache.h"
#include "keying/theme_colours.h"
#include "settings/frame_threads_setting.h"
#include "settings/project_settings.h"
#include "synthetic_arrange.h"

namespace {

struct Size {
    int width;
    int height;
};

constexpr Size k1080p = {1920, 1080};
constexpr Size k4k = {3840, 2160};

// Composites the whole frame over the process-wide surfaces, settings, items and theme.
void CompositeWhole(int width, int height, bool protect,
                    ProcessorPath path = ActiveProcessorPath()) {
    CompositeRegion(
        {width, height, 0, 0, protect, g_frame, g_current_settings, g_item_overlay, {}, g_theme},
        path);
}

void Recapture(benchmark::State& state, SyntheticArrange& a) {
    state.PauseTiming();
    std::memcpy(a.working.data(), a.captured.data(), a.captured.size() * sizeof(uint32_t));
    state.ResumeTiming();
}

void SetSettings(double item_transparency) {
    g_current_settings = ProjectSettings{};
    g_current_settings.opacity = 0.35;
    g_current_settings.tint = 0.25;
    g_current_settings.audio_item_transparency = item_transparency;
    g_current_settings.midi_item_transparency = item_transparency;
    AdvanceKeyingGeneration();
}

void CountPixels(benchmark::State& state, const SyntheticArrange& a) {
    state.SetItemsProcessed(int64_t(state.iterations()) * a.width * a.height);
}

// Reads working, fitted and lastFrame and writes working, with a trivial operation per pixel.
void StreamingBound(benchmark::State& state, Size size) {
    SyntheticArrange& a = PrepareSyntheticArrange(size.width, size.height);
    const size_t n = a.captured.size();
    for (auto _ : state) {
        Recapture(state, a);
        uint32_t* work = a.working.data();
        const uint32_t* fitted = a.fitted.data();
        const uint32_t* last = a.last_frame.data();
        for (size_t i = 0; i < n; ++i) {
            work[i] = (work[i] & 0xFF000000u) | ((fitted[i] ^ last[i]) & 0x00FFFFFFu);
        }
        benchmark::ClobberMemory();
    }
    CountPixels(state, a);
}

void Composite(benchmark::State& state, Size size, GridDensity grid = GridDensity::sparse,
               ProcessorPath path = ActiveProcessorPath()) {
    SyntheticArrange& a = PrepareSyntheticArrange(size.width, size.height, grid);
    SetSettings(0.0);
    UpdateItemLayout(g_item_overlay, g_theme, a.width, a.height);
    a.working = a.captured;
    CompositeWhole(a.width, a.height, false, path); // warm the cache
    for (auto _ : state) {
        Recapture(state, a);
        CompositeWhole(a.width, a.height, false, path);
        benchmark::ClobberMemory();
    }
    CountPixels(state, a);
}

void CompositeItems(benchmark::State& state, Size size,
                    ProcessorPath path = ActiveProcessorPath()) {
    SyntheticArrange& a = PrepareSyntheticArrange(size.width, size.height);
    SetSettings(0.5);
    UpdateItemLayout(g_item_overlay, g_theme, a.width, a.height);
    a.working = a.captured;
    CompositeWhole(a.width, a.height, false, path);
    for (auto _ : state) {
        Recapture(state, a);
        if (UpdateItemLayout(g_item_overlay, g_theme, a.width, a.height)) {
            CompositeWhole(a.width, a.height, false, path);
        }
        benchmark::ClobberMemory();
    }
    CountPixels(state, a);
}

// Grid lines every few pixels in background shades: most 16-pixel blocks hold several colours.
void CompositeDense(benchmark::State& state, Size size) {
    Composite(state, size, GridDensity::dense);
}

// The first frame after a theme or settings change: every colour misses once.
void CompositeCold(benchmark::State& state, Size size) {
    SyntheticArrange& a = PrepareSyntheticArrange(size.width, size.height);
    SetSettings(0.0);
    UpdateItemLayout(g_item_overlay, g_theme, a.width, a.height);
    for (auto _ : state) {
        state.PauseTiming();
        std::memcpy(a.working.data(), a.captured.data(), a.captured.size() * sizeof(uint32_t));
        AdvanceKeyingGeneration();
        state.ResumeTiming();
        CompositeWhole(a.width, a.height, false);
        benchmark::ClobberMemory();
    }
    CountPixels(state, a);
}

// The same frames on the baseline path, for the gain of the path in use.
void CompositePlain(benchmark::State& state, Size size, bool items) {
    if (items) {
        CompositeItems(state, size, ProcessorPath::baseline);
    } else {
        Composite(state, size, GridDensity::sparse, ProcessorPath::baseline);
    }
}

BENCHMARK_CAPTURE(StreamingBound, 1080p, k1080p)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(StreamingBound, 4k, k4k)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(Composite, 1080p, k1080p)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(Composite, 4k, k4k)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(CompositeDense, 1080p, k1080p)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(CompositeDense, 4k, k4k)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(CompositeItems, 1080p, k1080p)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(CompositeItems, 4k, k4k)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(CompositePlain, 4k, k4k, false)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(CompositePlain, items_4k, k4k, true)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(CompositeCold, 1080p, k1080p)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::AddCustomContext("murivo", ProcessorPathSummary());
    // As an attached view would: this computer's cores, or MURIVO_THREADS.
    StartRowWorkers(FrameThreadsInUse(FrameThreadsSetting(), ProcessorCoreCount(), false));
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
