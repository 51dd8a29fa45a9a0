// Cost of the BitBlt import hook, run by hand under Wine:
//   scripts/with-wine wine build/win/murivo_hook_bench.exe [calls]
// 1. What HookedBitBlt adds to a copy that is not the arrange view's presentation, against
//    gdi32's BitBlt called directly (nanoseconds per call).
// 2. Hooked presentations of a whole 1920x1080 and 3840x2160 view with items blended, and of an
//    8-pixel strip of the larger one (what playback redraws), each against the bound of the same
//    run: the capture, present and last-frame copies plus one streaming pass over the surfaces.
//    Then the same for a MIDI editor's 1920x1080 note view ("present notes ...").
//    One machine-readable line per figure ("present WxH: X ms", "bound WxH: Y ms", "strip ..."),
//    and the processor time per frame of the calling thread and of the whole process (the frame
//    workers included). MURIVO_THREADS=auto|1|2|4 sets the threads, as for the extension.
// The extension's code is linked in and loaded into the simulated host, so its hook sits in this
// program's import slot exactly as it sits in the host's.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "arrange_paint.h"
#include "base/host_records.h"
#include "base/row_workers.h"
#include "base/thread_traits.h"
#include "extension_module.h"
#include "frame/frame_view.h"
#include "frame/memory_bitmap.h"
#include "frame/wallpaper_image.h"
#include "host_functions.h"
#include "host_windows.h"
#include "intercept/bitblt_hook.h"
#include "midi_editor.h"
#include "note_view_paint.h"
#include "keying/compositor.h"
#include "keying/item_layout.h"
#include "keying/item_overlay.h"
#include "keying/theme_colours.h"
#include "png_writer.h"
#include "present/arrange_target.h"
#include "present/frame_buffers.h"
#include "present/note_views.h"
#include "projects.h"
#include "registrations.h"
#include "settings/project_settings.h"
#include "simulator.h"

namespace {

constexpr int kFrameWidth = 1920;
constexpr int kFrameHeight = 1080;
constexpr int kRounds = 15; // the median of these is reported

using BitBltFunction = BOOL(WINAPI*)(HDC, int, int, int, int, HDC, int, int, DWORD);

double Now() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

using Surface = MemoryBitmap;

Surface MakeSurface(int width, int height) {
    Surface s;
    CreateMemoryBitmap(nullptr, width, height, s);
    return s;
}

void ReleaseSurface(Surface& s) {
    ReleaseMemoryBitmap(s);
}

sim::Scene BenchScene() {
    sim::Scene scene = sim::BundledScene();
    scene.arrange_width = kFrameWidth;
    scene.arrange_height = kFrameHeight;
    return scene;
}

std::string WritePicture() {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    std::string path = std::string(temp) + "murivo_hook_bench.png";
    std::vector<uint32_t> pixels(320 * 180);
    for (int y = 0; y < 180; ++y) {
        for (int x = 0; x < 320; ++x) {
            pixels[static_cast<size_t>(y) * 320 + x] = static_cast<uint32_t>((x * 7) & 0xFF) << 16 |
                                                       static_cast<uint32_t>((y * 5) & 0xFF) << 8 |
                                                       0x40;
        }
    }
    std::string error;
    if (!sim::WritePng(path, pixels.data(), 320, 180, error)) {
        std::fprintf(stderr, "hook_bench: %s\n", error.c_str());
        return {};
    }
    return path;
}

PluginInfo g_info = {};

bool LoadAndAttach(const std::string& picture) {
    if (!sim::StartSimulator(BenchScene())) {
        return false;
    }
    ReaProject* project = sim::CurrentProject();
    sim::PutExtStateValue(project, "Murivo", "path", picture);
    sim::PutExtStateValue(project, "Murivo", "enabled", "1");
    sim::PutExtStateValue(project, "Murivo", "audio_item_transparency_permille", "500");
    sim::PutExtStateValue(project, "Murivo", "midi_item_transparency_permille", "500");
    sim::PutExtStateValue(project, "Murivo", "midi_editor", "1");
    g_info = {kHostInterfaceVersion, sim::MainWindow(), sim::HostPluginRegister,
              sim::LookupHostFunction};
    if (ReaperPluginEntry(GetModuleHandleW(nullptr), &g_info) != 1) {
        return false;
    }
    // The picture is loaded on the picture thread and shown on a later tick.
    for (int i = 0; i < 2000 && !IsWallpaperLoaded(); ++i) {
        sim::TickTimers();
        Sleep(5);
    }
    return g_target.attached && g_target.import_slot != nullptr && IsWallpaperLoaded();
}

// Nanoseconds per call of direct and of hooked, calls calls each; rounds of the two alternate so
// that load from elsewhere on the machine hits both alike, and the medians are reported.
template <typename Direct, typename Hooked>
std::pair<double, double> NanosecondsPerCall(int calls, Direct direct, Hooked hooked) {
    std::vector<double> direct_rounds;
    std::vector<double> hooked_rounds;
    auto time = [calls](auto& copy) {
        double start = Now();
        for (int i = 0; i < calls; ++i) {
            copy();
        }
        return (Now() - start) * 1e9 / calls;
    };
    for (int r = 0; r < kRounds; ++r) {
        direct_rounds.push_back(time(direct));
        hooked_rounds.push_back(time(hooked));
    }
    return {Median(direct_rounds), Median(hooked_rounds)};
}

void PassThroughCost(int calls) {
    BitBltFunction system = g_target.real_bitblt;
    Surface from = MakeSurface(8, 8);
    Surface to = MakeSurface(8, 8);
    // Reaches the window test, the first system call among the pass-through tests.
    auto [direct_copy, hooked_copy] = NanosecondsPerCall(
        calls, [&] { system(to.dc, 0, 0, 8, 8, from.dc, 0, 0, SRCCOPY); },
        [&] { HookedBitBlt(to.dc, 0, 0, 8, 8, from.dc, 0, 0, SRCCOPY); });
    // Leaves at the raster operation test, before any system call.
    auto [direct_paint, hooked_paint] = NanosecondsPerCall(
        calls, [&] { system(to.dc, 0, 0, 8, 8, from.dc, 0, 0, SRCPAINT); },
        [&] { HookedBitBlt(to.dc, 0, 0, 8, 8, from.dc, 0, 0, SRCPAINT); });
    std::printf("pass-through 8x8 SRCCOPY to a memory DC: direct %.0f ns, hooked %.0f ns, "
                "added %.0f ns per call\n",
                direct_copy, hooked_copy, hooked_copy - direct_copy);
    std::printf("pass-through 8x8 SRCPAINT:               direct %.0f ns, hooked %.0f ns, "
                "added %.0f ns per call\n",
                direct_paint, hooked_paint, hooked_paint - direct_paint);
    ReleaseSurface(from);
    ReleaseSurface(to);
}

double Milliseconds(double start) {
    return (Now() - start) * 1e3;
}

// The thread's processor time in milliseconds. Wine counts it in 10 ms steps, so only sums over
// many frames mean something; unlike the clock, it does not run while other programs have the
// processor.
double ThreadMilliseconds() {
    FILETIME created;
    FILETIME exited;
    FILETIME kernel;
    FILETIME user;
    if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user)) {
        return 0.0;
    }
    auto ticks = [](FILETIME t) { return uint64_t(t.dwHighDateTime) << 32 | t.dwLowDateTime; };
    return double(ticks(kernel) + ticks(user)) / 1e4;
}

// The same for the whole process: the frame workers' time included.
double ProcessMilliseconds() {
    FILETIME created;
    FILETIME exited;
    FILETIME kernel;
    FILETIME user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) {
        return 0.0;
    }
    auto ticks = [](FILETIME t) { return uint64_t(t.dwHighDateTime) << 32 | t.dwLowDateTime; };
    return double(ticks(kernel) + ticks(user)) / 1e4;
}

// What no correction can avoid at one size: the copies into the working surface, to the window
// and into the last frame, and one pass that reads the three surfaces and writes one.
struct Bound {
    Surface working;
    Surface fitted;
    Surface last;
};

Bound MakeBound(const FrameView& frame, const Surface& back_buffer, int width, int height) {
    Bound b = {MakeSurface(width, height), MakeSurface(width, height), MakeSurface(width, height)};
    // Surfaces with content, as the extension's are: untouched pages would all read as one.
    const size_t n = static_cast<size_t>(width) * height;
    std::copy_n(frame.fitted, n, b.fitted.pixels);
    std::copy_n(back_buffer.pixels, n, b.last.pixels);
    return b;
}

void RunBound(Bound& b, HDC window_dc, const Surface& back_buffer, int width, int height) {
    BitBltFunction real = g_target.real_bitblt;
    real(b.working.dc, 0, 0, width, height, back_buffer.dc, 0, 0, SRCCOPY);
    GdiFlush();
    uint32_t* work = b.working.pixels;
    const size_t n = static_cast<size_t>(width) * height;
    for (size_t i = 0; i < n; ++i) {
        work[i] = (work[i] & 0xFF000000u) | ((b.fitted.pixels[i] ^ b.last.pixels[i]) & 0xFFFFFFu);
    }
    real(window_dc, 0, 0, width, height, b.working.dc, 0, 0, SRCCOPY);
    real(b.last.dc, 0, 0, width, height, b.working.dc, 0, 0, SRCCOPY);
    GdiFlush();
}

// A view the host presents: the arrange view, or a note view with its own frame state.
struct PresentedView {
    const char* label; // "" or "notes "
    HWND window;
    ViewFrame frame;
    void (*paint)(uint32_t* pixels, int width, int height);
};

void PaintArrangeNow(uint32_t* pixels, int width, int height) {
    sim::PaintArrange(sim::CurrentScene(), pixels, width, height);
}

sim::SceneMidiEditor g_note_content;

void PaintNotesNow(uint32_t* pixels, int width, int height) {
    sim::PaintNoteView(sim::CurrentScene(), g_note_content, -1, pixels, width, height);
}

// Presentations and bound frames alternate, so that load from elsewhere on the machine hits both
// alike; medians are reported.
void Presentations(const PresentedView& view, int width, int height, int frames, bool strip) {
    RECT client = {};
    GetClientRect(view.window, &client);
    if (client.right != width || client.bottom != height) {
        std::printf("%sview %ldx%ld instead of %dx%d: screen too small\n", view.label, client.right,
                    client.bottom, width, height);
        return;
    }
    FrameView& frame = *view.frame.frame;
    Surface back_buffer = MakeSurface(width, height);
    view.paint(back_buffer.pixels, width, height);
    HDC window_dc = GetDC(view.window);
    HookedBitBlt(window_dc, 0, 0, width, height, back_buffer.dc, 0, 0, SRCCOPY); // buffers, tables
    if (frame.fitted == nullptr) {
        std::printf("%sview not attached\n", view.label);
        ReleaseDC(view.window, window_dc);
        ReleaseSurface(back_buffer);
        return;
    }
    Bound bound = MakeBound(frame, back_buffer, width, height);
    const uint32_t presented = *view.frame.present_count;
    std::vector<double> whole;
    std::vector<double> bounds;
    double whole_cpu = 0.0;
    double bound_cpu = 0.0;
    double whole_process = 0.0;
    double bound_process = 0.0;
    for (int i = 0; i < frames; ++i) {
        double cpu = ThreadMilliseconds();
        double process = ProcessMilliseconds();
        double start = Now();
        HookedBitBlt(window_dc, 0, 0, width, height, back_buffer.dc, 0, 0, SRCCOPY);
        whole.push_back(Milliseconds(start));
        whole_cpu += ThreadMilliseconds() - cpu;
        whole_process += ProcessMilliseconds() - process;
        cpu = ThreadMilliseconds();
        process = ProcessMilliseconds();
        start = Now();
        RunBound(bound, window_dc, back_buffer, width, height);
        bounds.push_back(Milliseconds(start));
        bound_cpu += ThreadMilliseconds() - cpu;
        bound_process += ProcessMilliseconds() - process;
    }
    const bool corrected = *view.frame.present_count - presented == static_cast<uint32_t>(frames);
    // The compositor alone on the same captured frame, the copy into the working surface untimed.
    std::vector<double> compositor;
    for (int i = 0; i < frames; ++i) {
        std::copy_n(back_buffer.pixels, static_cast<size_t>(width) * height, frame.working);
        const double start = Now();
        if (view.frame.note_view ||
            UpdateItemLayout(*view.frame.items, *view.frame.theme, width, height)) {
            CompositeRegion({width,
                             height,
                             0,
                             0,
                             false,
                             frame,
                             g_current_settings,
                             *view.frame.items,
                             {},
                             *view.frame.theme});
        }
        compositor.push_back(Milliseconds(start));
    }
    // How much of the view the keying changes: a view of more background costs more per frame.
    const size_t pixels = static_cast<size_t>(width) * height;
    size_t keyed = 0;
    for (size_t i = 0; i < pixels; ++i) {
        keyed += ((frame.working[i] ^ back_buffer.pixels[i]) & 0xFFFFFFu) != 0 ? 1 : 0;
    }
    std::printf("present %s%dx%d: %.2f ms%s\n", view.label, width, height, Median(whole),
                corrected ? "" : " (NOT corrected)");
    std::printf("bound %s%dx%d: %.2f ms\n", view.label, width, height, Median(bounds));
    std::printf("  present / bound: %.2f; pixels changed: %.0f%%\n", Median(whole) / Median(bounds),
                100.0 * double(keyed) / double(pixels));
    std::printf("  processor time per frame, calling thread: present %.2f ms, bound %.2f ms\n",
                whole_cpu / frames, bound_cpu / frames);
    std::printf("  processor time per frame, whole process: present %.2f ms, bound %.2f ms\n",
                whole_process / frames, bound_process / frames);
    std::printf("  compositor%s %.2f ms = %.0f%% of the presentation\n",
                view.frame.note_view ? "" : " and item layout", Median(compositor),
                100.0 * Median(compositor) / Median(whole));
    if (strip) {
        // The playback cursor's strip, at a place with items and background.
        const int x = width / 3;
        std::vector<double> strips;
        for (int i = 0; i < frames * 10; ++i) {
            const double start = Now();
            HookedBitBlt(window_dc, x, 0, 8, height, back_buffer.dc, x, 0, SRCCOPY);
            strips.push_back(Milliseconds(start));
        }
        std::printf("strip %s8x%d at %dx%d: %.3f ms\n", view.label, height, width, height,
                    Median(strips));
    }
    ReleaseSurface(bound.working);
    ReleaseSurface(bound.fitted);
    ReleaseSurface(bound.last);
    ReleaseDC(view.window, window_dc);
    ReleaseSurface(back_buffer);
}

void ArrangePresentations(int width, int height, int frames, bool strip) {
    sim::ResizeArrange(width, height);
    sim::PumpMessages();
    Presentations({"", sim::ArrangeWindow(), ArrangeFrame(), PaintArrangeNow}, width, height,
                  frames, strip);
}

// A floating editor's note view at the size, attached and fitted on the picture thread first.
void NotePresentations(int width, int height, int frames) {
    g_note_content = sim::DefaultMidiEditor();
    g_note_content.width = width;
    g_note_content.height = height;
    HWND editor = sim::OpenSceneMidiEditor(g_note_content);
    HWND window = editor != nullptr ? sim::NoteViewOf(editor) : nullptr;
    NoteView* view = nullptr;
    for (int i = 0; i < 2000 && window != nullptr; ++i) {
        sim::TickTimers();
        sim::PumpMessages();
        view = AttachedNoteView(window);
        if (view != nullptr && view->buffers.fitted.dc != nullptr && !view->buffers.unfitted) {
            break;
        }
        Sleep(5);
    }
    if (view == nullptr || view->buffers.fitted.dc == nullptr) {
        std::printf("note view not attached\n");
        return;
    }
    Presentations({"notes ", window, NoteFrame(*view), PaintNotesNow}, width, height, frames,
                  false);
    sim::CloseMidiEditor(editor);
}

} // namespace

int main(int argc, char** argv) {
    int calls = argc > 1 ? std::max(std::atoi(argv[1]), 1000) : 200000;
    std::string picture = WritePicture();
    if (picture.empty() || !LoadAndAttach(picture)) {
        std::fprintf(stderr, "hook_bench: the extension did not attach in hooked mode\n");
        return 1;
    }
    std::printf("frame threads: %d of this computer's %d cores\n",
                RowThreadsFor(kLeastPixelsToSplit), ProcessorCoreCount());
    PassThroughCost(calls);
    ArrangePresentations(1920, 1080, 200, false);
    ArrangePresentations(3840, 2160, 60, true);
    ArrangePresentations(1920, 1080, 20, false); // back to the size the note view is compared at
    NotePresentations(1920, 1080, 200);
    ReaperPluginEntry(GetModuleHandleW(nullptr), nullptr);
    sim::StopSimulator();
    DeleteFileA(picture.c_str());
    return 0;
}
