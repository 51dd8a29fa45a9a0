#include "soak.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>

#include "base/version.h"
#include "extension_module.h"
#include "foreign_hook.h"
#include "gdi_accounting.h"
#include "host_windows.h"
#include "midi_editor.h"
#include "midi_editor_exercise.h"
#include "presentation_probe.h"
#include "projects.h"
#include "registrations.h"
#include "scene.h"
#include "text_file.h"
#include "theme.h"

namespace sim {

namespace {

// Fixed, so a soak that finds something can be run again to the same frame.
constexpr unsigned kSeed = 20240611;
constexpr char kSection[] = "Murivo";
// The sources as the program sees them on Wine's Z: drive (set by the build).
constexpr char kSourceDirectory[] = MURIVO_SIM_SOURCE_DIR;

// Diagnostics a soak provokes on purpose: pictures loading or missing, buffers rebuilt at new
// sizes, attaching to replacement windows; in fallback mode each attach retries the hook.
const char* const kExpectedLines[] = {
    "V4 persistent buffers created.\n",
    "Wallpaper file not found.\n",
    "Wallpaper image unavailable; disabled for this project.\n",
};
const char* const kExpectedPrefixes[] = {
    "Wallpaper loaded: ",
    "Arrange background: ",
    "\n========================================\nMurivo V" MURIVO_VERSION_TEXT " ACTIVE\n",
};
const char* const kExpectedInFallback[] = {
    "BitBlt import unavailable or already hooked.\n",
    "Using post-paint fallback for this REAPER build.\n",
};
const char* const kThemeKeys[] = {"col_arrangebg", "col_tr1_bg",    "col_tr2_bg",
                                  "col_gridlines", "selcol_tr1_bg", "midi_trackbg1",
                                  "midi_trackbg2", "midi_grid2"};
const int kSizes[][2] = {{960, 540}, {800, 450}, {1024, 600}, {640, 360}, {1200, 500}};

PVOID g_filter = nullptr;
bool g_fallback = false;
int g_unexpected = 0;

bool Expected(const std::string& line) {
    for (const char* text : kExpectedLines) {
        if (line == text) {
            return true;
        }
    }
    for (const char* prefix : kExpectedPrefixes) {
        if (line.starts_with(prefix)) {
            return true;
        }
    }
    for (const char* text : kExpectedInFallback) {
        if (g_fallback && line == text) {
            return true;
        }
    }
    return false;
}

// In front of the sandbox's echo: expected lines are swallowed, the others printed and counted.
LONG CALLBACK FilterDebugPrint(EXCEPTION_POINTERS* pointers) {
    const EXCEPTION_RECORD* record = pointers->ExceptionRecord;
    if (record->ExceptionCode != DBG_PRINTEXCEPTION_C || record->NumberParameters < 2) {
        return EXCEPTION_CONTINUE_SEARCH;
    }
    const char* text = reinterpret_cast<const char*>(record->ExceptionInformation[1]);
    std::string line = text != nullptr ? text : "";
    if (!Expected(line)) {
        ++g_unexpected;
        if (!line.empty() && line.back() == '\n') {
            line.pop_back();
        }
        std::printf("sandbox: soak unexpected: %s\n", line.c_str());
        std::fflush(stdout);
    }
    return EXCEPTION_CONTINUE_EXECUTION;
}

std::string WinePath(const std::string& relative) {
    std::string path = std::string("Z:") + kSourceDirectory + "/" + relative;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

std::vector<std::string> PicturePaths() {
    return {WinePath("pictures/wallpaper.png"), WinePath("testdata/gradient_wallpaper.png"),
            WinePath("testdata/no_such_wallpaper.png")};
}

using Dice = std::mt19937;

int Below(Dice& dice, int n) {
    return static_cast<int>(dice() % static_cast<unsigned>(n));
}

void Post(UINT message, WPARAM wparam, LPARAM lparam) {
    PostMessageW(ArrangeWindow(), message, wparam, lparam);
}

void Scroll(Dice& dice, Scene& scene) {
    double step = (1 + Below(dice, 8)) * 0.25;
    bool right = Below(dice, 2) == 0;
    scene.view_start = std::max(scene.view_start + (right ? step : -step), 0.0);
    Post(WM_HSCROLL, right ? SB_LINERIGHT : SB_LINELEFT, 0);
}

void Zoom(Dice& dice, Scene& scene) {
    bool in = Below(dice, 2) == 0;
    scene.zoom = std::clamp(in ? scene.zoom * 1.25 : scene.zoom / 1.25, 2.0, 800.0);
    Post(WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, in ? WHEEL_DELTA : -WHEEL_DELTA), 0);
}

void Click(Dice& dice, Scene& scene) {
    int x = Below(dice, std::max(ArrangeClientWidth(), 1));
    int y = Below(dice, std::max(scene.arrange_height, 1));
    LPARAM at = MAKELPARAM(x, y);
    switch (Below(dice, 3)) {
    case 0:
        scene.cursor = scene.view_start + x / scene.zoom;
        Post(WM_LBUTTONDOWN, MK_LBUTTON, at);
        Post(WM_LBUTTONUP, 0, at);
        break;
    case 1:
        for (size_t i = 0; i < scene.tracks.size(); ++i) {
            scene.tracks[i].selected = Below(dice, 3) == 0;
        }
        Post(WM_RBUTTONDOWN, MK_RBUTTON, at);
        Post(WM_RBUTTONUP, 0, at);
        break;
    default:
        Post(WM_MBUTTONDOWN, MK_MBUTTON, at);
        Post(WM_MBUTTONUP, 0, at);
        break;
    }
}

void ChangeTheme(Dice& dice) {
    if (Below(dice, 4) == 0) {
        ResetTheme();
    } else {
        int colour = Below(dice, 0x1000000);
        SetThemeValue(kThemeKeys[Below(dice, std::size(kThemeKeys))], colour);
    }
    Post(WM_THEMECHANGED, 0, 0);
}

std::string Permille(Dice& dice) {
    return std::to_string(Below(dice, 1001));
}

// One stored setting of the current project changed, as a dialog or another tool would.
void ChangeSetting(Dice& dice, const std::vector<std::string>& pictures) {
    ReaProject* project = CurrentProject();
    auto put = [&](const char* key, const std::string& value) {
        PutExtStateValue(project, kSection, key, value);
    };
    switch (Below(dice, 9)) {
    case 0:
    case 1: // a new picture, mostly switched on with it
        put("path", pictures[static_cast<size_t>(Below(dice, static_cast<int>(pictures.size())))]);
        put("enabled", Below(dice, 4) == 0 ? "0" : "1");
        break;
    case 2:
        put("enabled", Below(dice, 3) == 0 ? "0" : "1");
        break;
    case 3:
        put("opacity_permille", Permille(dice));
        break;
    case 4: {
        const char* const modes[] = {"cover", "contain", "stretch"};
        put("mode", modes[Below(dice, 3)]);
        break;
    }
    case 5:
        put("grayscale", Below(dice, 2) == 0 ? "0" : "1");
        break;
    case 6: {
        char colour[8] = {};
        std::snprintf(colour, sizeof colour, "%06X", static_cast<unsigned>(Below(dice, 0x1000000)));
        put("tint_rgb", colour);
        put("tint_permille", Permille(dice));
        break;
    }
    case 7:
        put("audio_item_transparency_permille", Permille(dice));
        break;
    default:
        put("midi_item_transparency_permille", Permille(dice));
        break;
    }
}

void Resize(Dice& dice) {
    const int* size = kSizes[Below(dice, std::size(kSizes))];
    ResizeArrange(size[0], size[1]);
}

// What happens before one host frame; the weights are per mille.
void RandomEvent(Dice& dice, const std::vector<std::string>& pictures) {
    Scene& scene = CurrentScene();
    int roll = Below(dice, 1000);
    if (roll < 280) {
        Scroll(dice, scene);
    } else if (roll < 340) {
        Post(WM_VSCROLL, Below(dice, 2) == 0 ? SB_LINEDOWN : SB_LINEUP, 0);
    } else if (roll < 440) {
        Zoom(dice, scene);
    } else if (roll < 600) {
        Click(dice, scene);
    } else if (roll < 625) {
        const int states[] = {0, 1, 5, 2};
        scene.play_state = states[Below(dice, 4)];
    } else if (roll < 645) {
        SetCurrentProject(Below(dice, ProjectCount()));
    } else if (roll < 665) {
        ChangeTheme(dice);
    } else if (roll < 735) {
        ChangeSetting(dice, pictures);
    } else if (roll < 738) {
        ReplaceArrangeWindow();
    } else if (roll < 741) {
        Resize(dice);
    } else if (roll < 771) {
        ChangeMidiEditors(dice());
    }
}

} // namespace

void PrepareSoak() {
    ResetGdiCounts();
    StartGdiAccounting(ExtensionModule());
}

SoakResult RunSoak(int frames) {
    SoakResult result = {};
    std::vector<std::string> pictures = PicturePaths();
    for (size_t i = 0; i + 1 < pictures.size(); ++i) {
        if (GetFileAttributesW(Utf8ToWide(pictures[i]).c_str()) == INVALID_FILE_ATTRIBUTES) {
            std::printf("sandbox: soak: picture %s not found\n", pictures[i].c_str());
        }
    }
    g_fallback = ForeignBitBltHookInstalled();
    g_unexpected = 0;
    g_filter = AddVectoredExceptionHandler(1, FilterDebugPrint);
    Dice dice(kSeed);
    long long renders_before = CurrentGdiCounts().window_dcs_of_windows;
    StartPresentationTally();
    for (int frame = 0; frame < frames; ++frame) {
        RandomEvent(dice, pictures);
        PumpMessages();
        RedrawArrange();
        RedrawNoteViews();
        TickTimers();
        PumpMessages();
        ++result.frames;
    }
    PresentationTally tally = CurrentPresentationTally();
    StopPresentationTally();
    result.hooked = tally.presentations - tally.uncorrected;
    result.renders = CurrentGdiCounts().window_dcs_of_windows - renders_before;

    CallEntryUnload();
    // The host goes on painting after the unload; nothing of the extension may be in the way.
    PumpMessages();
    RedrawArrange();
    RedrawNoteViews();
    PumpMessages();
    GdiCounts left = CurrentGdiCounts();
    StopGdiAccounting();
    RemoveVectoredExceptionHandler(g_filter);
    g_filter = nullptr;
    if (left.Live() != 0 || left.strays != 0) {
        std::printf("sandbox: soak gdi %s\n", DescribeGdiCounts(left).c_str());
    }
    result.live_gdi = left.Live();
    result.unexpected = g_unexpected;
    return result;
}

std::string SoakSummary(const SoakResult& result) {
    return "soak frames=" + std::to_string(result.frames) +
           " renders=" + std::to_string(result.renders) +
           " hooked=" + std::to_string(result.hooked) +
           " live-gdi=" + std::to_string(result.live_gdi) +
           " unexpected=" + std::to_string(result.unexpected);
}

} // namespace sim
