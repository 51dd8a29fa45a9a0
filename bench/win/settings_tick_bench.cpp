// What the settings tick costs every 250 ms under Wine, in the simulated host, run by hand:
//   scripts/with-wine wine build/win/murivo_settings_tick_bench.exe
// applying unchanged settings (a project with its own, and one showing the default wallpaper)
// and checking the shown picture's file for a rewrite. Prints medians per call, for trend only.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "base/host_api.h"
#include "frame/wallpaper_image.h"
#include "global_ext_state.h"
#include "host_functions.h"
#include "png_writer.h"
#include "present/picture_source.h"
#include "present/settings_apply.h"
#include "projects.h"
#include "settings/project_settings.h"
#include "simulator.h"

namespace {

constexpr int kRuns = 9;
constexpr int kCallsPerRun = 2000;

double MicrosecondsPerCall(const std::function<void()>& work) {
    LARGE_INTEGER frequency;
    LARGE_INTEGER start;
    LARGE_INTEGER end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    for (int i = 0; i < kCallsPerRun; ++i) {
        work();
    }
    QueryPerformanceCounter(&end);
    return double(end.QuadPart - start.QuadPart) * 1e6 / double(frequency.QuadPart) / kCallsPerRun;
}

void Report(const char* name, const std::function<void()>& work) {
    std::vector<double> times;
    for (int i = 0; i < kRuns; ++i) {
        times.push_back(MicrosecondsPerCall(work));
    }
    std::sort(times.begin(), times.end());
    std::printf("%-56s median %8.2f us  (min %.2f, max %.2f)\n", name, times[times.size() / 2],
                times.front(), times.back());
    std::fflush(stdout);
}

} // namespace

int main() {
    sim::Scene scene = sim::BundledScene();
    scene.projects = {"Own.RPP", "Default.RPP"};
    scene.current_project = 0;
    if (!sim::StartSimulator(scene)) {
        std::printf("the simulated host could not start\n");
        return 1;
    }
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string picture = std::string(temp) + "murivo_tick_bench.png";
    std::vector<uint32_t> pixels(64 * 64, 0x00336699);
    std::string error;
    if (!sim::WritePng(picture, pixels.data(), 64, 64, error)) {
        std::printf("cannot write %s: %s\n", picture.c_str(), error.c_str());
        return 1;
    }
    BindHostApi(&sim::LookupHostFunction);
    ResetCurrentSettings();
    sim::PutExtStateValue(sim::ProjectAt(0), "Murivo", "path", picture);
    sim::PutExtStateValue(sim::ProjectAt(0), "Murivo", "enabled", "1");
    sim::PutGlobalExtStateValue("Murivo", "default_path", picture);
    sim::PutGlobalExtStateValue("Murivo", "default_enabled", "1");

    ApplyProjectSettings(true, false);
    Report("ApplyProjectSettings, own settings unchanged",
           [] { ApplyProjectSettings(false, false); });
    Report("ReloadPictureIfChanged, file unchanged", [] { ReloadPictureIfChanged(); });
    sim::SetCurrentProject(1);
    ApplyProjectSettings(false, false);
    Report("ApplyProjectSettings, default wallpaper unchanged",
           [] { ApplyProjectSettings(false, false); });

    ReleaseWallpaperImage();
    ResetCurrentSettings();
    DeleteFileA(picture.c_str());
    g_host = {};
    sim::StopSimulator();
    return 0;
}
