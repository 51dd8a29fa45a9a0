// Timings of the frame pipeline under Wine, in the simulated host, run by hand:
//   scripts/with-wine wine build/win/murivo_frame_bench.exe
// fitting a picture of the largest accepted size, and rendering one frame of a full-HD arrange
// view through the post-paint path (no BitBlt hook). Prints medians, for trend only: Wine's GDI
// is not Windows'.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "base/host_api.h"
#include "frame/frame_view.h"
#include "frame/wallpaper_image.h"
#include "host_functions.h"
#include "host_windows.h"
#include "keying/compositor.h"
#include "keying/item_layout.h"
#include "keying/item_overlay.h"
#include "keying/key_colour_cache.h"
#include "keying/theme_colours.h"
#include "present/arrange_theme.h"
#include "present/frame_buffers.h"
#include "present/render.h"
#include "present/settings_apply.h"
#include "settings/project_settings.h"
#include "simulator.h"

namespace {

constexpr int kRuns = 9;

// Composites the whole frame over the process-wide surfaces, settings, items and theme.
void CompositeWhole(int width, int height, bool protect) {
    CompositeRegion(
        {width, height, 0, 0, protect, g_frame, g_current_settings, g_item_overlay, {}, g_theme});
}

double Milliseconds(const std::function<void()>& work) {
    LARGE_INTEGER frequency;
    LARGE_INTEGER start;
    LARGE_INTEGER end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    work();
    GdiFlush();
    QueryPerformanceCounter(&end);
    return double(end.QuadPart - start.QuadPart) * 1000.0 / double(frequency.QuadPart);
}

// Median, minimum and maximum of kRuns timings; prepare runs untimed before each.
void Report(const char* name, const std::function<void()>& prepare,
            const std::function<void()>& work) {
    std::vector<double> times;
    for (int i = 0; i < kRuns; ++i) {
        prepare();
        times.push_back(Milliseconds(work));
    }
    std::sort(times.begin(), times.end());
    std::printf("%-52s median %8.2f ms  (min %.2f, max %.2f, %d runs)\n", name,
                times[times.size() / 2], times.front(), times.back(), kRuns);
    std::fflush(stdout);
}

// A picture in place as a successful load leaves it, filled with a smooth pattern: kept at
// stored_width x stored_height (0: its own size).
bool InstallPicture(int picture_width, int picture_height, int stored_width = 0,
                    int stored_height = 0) {
    const int width = stored_width > 0 ? stored_width : picture_width;
    const int height = stored_height > 0 ? stored_height : picture_height;
    uint32_t* pixels = nullptr;
    HBITMAP bitmap = CreateFrameDib(nullptr, width, height, &pixels);
    if (bitmap == nullptr || pixels == nullptr) {
        return false;
    }
    for (int y = 0; y < height; ++y) {
        uint32_t* row = pixels + size_t(y) * width;
        for (int x = 0; x < width; ++x) {
            row[x] = uint32_t(x >> 5) << 16 | uint32_t(y >> 5) << 8 | uint32_t((x + y) >> 6);
        }
    }
    HDC dc = CreateCompatibleDC(nullptr);
    ShowPicture(SharePicture({bitmap, dc, SelectObject(dc, bitmap), picture_width, picture_height,
                              pixels, width, height}));
    return true;
}

void BenchFit(HDC screen, int width, int height, const char* kept = "") {
    if (!EnsureFrameBuffers(screen, width, height)) {
        std::printf("no buffers at %d x %d\n", width, height);
        return;
    }
    char name[96];
    for (FitMode mode : {FitMode::cover, FitMode::contain}) {
        for (bool grey : {false, true}) {
            g_current_settings.mode = mode;
            g_current_settings.grayscale = grey;
            std::snprintf(name, sizeof name, "FitWallpaper 8192x8192%s -> %dx%d %s%s", kept, width,
                          height, mode == FitMode::cover ? "cover" : "contain", grey ? " b/w" : "");
            Report(
                name, [] {}, [&] { FitWallpaper(width, height); });
        }
    }
    g_current_settings.mode = FitMode::cover;
    g_current_settings.grayscale = false;
    ReleaseFrameBuffers();
}

// The bundled scene, time selection included, stretched to full HD.
sim::Scene FullHdScene() {
    sim::Scene scene = sim::BundledScene();
    scene.arrange_width = 1920;
    scene.arrange_height = 1080;
    return scene;
}

} // namespace

int main() {
    if (!sim::StartSimulator(FullHdScene())) {
        std::printf("the simulated host could not start\n");
        return 1;
    }
    BindHostApi(&sim::LookupHostFunction);
    RefreshArrangeTheme();
    ResetCurrentSettings();
    g_current_settings.enabled = true;
    AdvanceKeyingGeneration();

    HDC screen = GetDC(nullptr);
    if (!InstallPicture(8192, 8192)) {
        std::printf("no memory for an 8192 x 8192 picture\n");
        return 1;
    }
    BenchFit(screen, 1920, 1080);
    BenchFit(screen, 3840, 2160);
    ReleaseWallpaperImage();
    // As the loader keeps the same picture for a 4096 x 2304 virtual screen (the test display).
    if (InstallPicture(8192, 8192, 4096, 4096)) {
        BenchFit(screen, 1920, 1080, " kept 4096x4096");
        BenchFit(screen, 3840, 2160, " kept 4096x4096");
        ReleaseWallpaperImage();
    }
    ReleaseDC(nullptr, screen);

    // A frame at full HD over a picture of the same size.
    InstallPicture(1920, 1080);
    HWND window = sim::ArrangeWindow();
    RECT client = {};
    GetClientRect(window, &client);
    std::printf("arrange view %ld x %ld\n", client.right, client.bottom);
    sim::RedrawArrange();
    RenderAndPresent(window, true); // makes the buffers and fills the key colour cache
    Report(
        "RenderAndPresent 1920x1080 after a host repaint", [] { sim::RedrawArrange(); },
        [&] { RenderAndPresent(window, true); });
    Report(
        "RenderAndPresent 1920x1080, nothing repainted", [] {},
        [&] { RenderAndPresent(window, true); });
    Report(
        "host repaint alone (for comparison)", [] {}, [] { sim::RedrawArrange(); });

    // Where a frame's time goes: the capture, and keying alone over a fresh and a kept frame.
    HDC window_dc = GetDC(window);
    auto capture = [&] { BitBlt(WorkingDc(), 0, 0, 1920, 1080, window_dc, 0, 0, SRCCOPY); };
    auto composite = [] {
        UpdateItemLayout(g_item_overlay, g_theme, 1920, 1080);
        CompositeWhole(1920, 1080, true);
    };
    Report(
        "capture 1920x1080 from the window", [] {}, capture);
    RenderAndPresent(window, true);
    Report("keying 1920x1080, every pixel equal to the kept frame", capture, composite);
    Report(
        "keying 1920x1080 of a fresh host frame",
        [&] {
            sim::RedrawArrange();
            capture();
            GdiFlush();
        },
        composite);
    ReleaseDC(window, window_dc);

    ReleaseFrameBuffers();
    ReleaseWallpaperImage();
    g_host = {};
    sim::StopSimulator();
    return 0;
}
