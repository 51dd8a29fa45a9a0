// Softening a fitted 4K wallpaper at fit time (the whole surface, as cover leaves it).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "frame/soften.h"

namespace {

void SoftenFitted(benchmark::State& state) {
    const int width = 3840;
    const int height = 2160;
    const int radius = SoftenRadius(int(state.range(0)), width, height);
    std::vector<uint32_t> picture(size_t(width) * height);
    for (size_t i = 0; i < picture.size(); ++i) {
        picture[i] = uint32_t(i * 2654435761u) & 0x00FFFFFF;
    }
    std::vector<uint32_t> pixels = picture;
    for (auto _ : state) {
        state.PauseTiming();
        pixels = picture;
        state.ResumeTiming();
        benchmark::DoNotOptimize(SoftenPixels(pixels.data(), width, {0, 0, width, height}, radius));
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * width * height);
}

} // namespace

BENCHMARK(SoftenFitted)
    ->Name("Soften/4k/permille")
    ->Arg(20)
    ->Arg(60)
    ->Arg(100)
    ->Arg(150)
    ->Arg(500)
    ->Arg(1000)
    ->Unit(benchmark::kMillisecond);
