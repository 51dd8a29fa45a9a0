// murivo-sandbox: runs the extension inside the simulated host for people and smoke tests.
#include <windows.h>
#include <psapi.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "bitblt_threads.h"
#include "diagnostics_echo.h"
#include "dialog_capture.h"
#include "extension_module.h"
#include "file_open_accounting.h"
#include "foreign_hook.h"
#include "global_ext_state.h"
#include "host_exercise.h"
#include "host_functions.h"
#include "host_windows.h"
#include "import_slot.h"
#include "language_pack.h"
#include "midi_editor.h"
#include "picture_rewriter.h"
#include "playback.h"
#include "png_writer.h"
#include "presentation_probe.h"
#include "projects.h"
#include "registrations.h"
#include "sandbox_options.h"
#include "scene_file.h"
#include "script_bridge.h"
#include "seam_check.h"
#include "simulator.h"
#include "soak.h"
#include "test_picture.h"
#include "text_file.h"
#include "theme.h"
#include "ui_stall.h"
#include "window_pixels.h"

namespace {

constexpr int kBadInputExitCode = 1;
constexpr int kBadArgumentsExitCode = 2;
constexpr char kExtStateSection[] = "Murivo";
// The extension attaches on its first timer tick; actions wait until it had a few.
constexpr int kTicksBeforeActions = 3;
// What is queued at the end of a run is dispatched for at most this long: timer callbacks slower
// than the timer would keep the queue full for ever.
constexpr ULONGLONG kLastPumpMs = 200;

void Say(const std::string& line) {
    std::printf("sandbox: %s\n", line.c_str());
    std::fflush(stdout);
}

std::vector<std::string> Arguments() {
    std::vector<std::string> arguments;
    int count = 0;
    LPWSTR* words = CommandLineToArgvW(GetCommandLineW(), &count);
    if (words == nullptr) {
        return arguments;
    }
    for (int i = 1; i < count; ++i) {
        arguments.push_back(sim::WideToUtf8(words[i]));
    }
    LocalFree(words);
    return arguments;
}

void RunAction(const std::string& action_id) {
    int command = sim::CommandIdFor(action_id);
    if (command == 0) {
        Say("action " + action_id + ": not registered");
        return;
    }
    bool handled = sim::DispatchCommand(command);
    std::string line = "action " + action_id + " (command " + std::to_string(command) +
                       "): " + (handled ? "handled" : "not handled");
    int toggle = sim::QueryToggleState(command);
    if (toggle != -1) {
        line += ", toggle state " + std::to_string(toggle);
    }
    Say(line);
}

// Parsed once already with the options, so a call here only fails on what the extension offers.
void RunScriptCall(const std::string& call) {
    std::string name;
    std::vector<sim::ScriptArgument> arguments;
    std::string error;
    sim::ParseScriptCall(call, name, arguments, error);
    sim::ScriptCallResult result = sim::CallScriptFunction(name, arguments);
    Say("script " + name + " -> " + sim::DescribeScriptResult(result));
    for (const auto& [output, text] : result.outputs) {
        Say("script " + name + " " + output + " = \"" + text + "\"");
    }
    for (const std::string& fault : result.faults) {
        Say("script " + name + " fault: " + fault);
    }
}

void RunActionsAndScripts(const sim::SandboxOptions& events) {
    for (const std::string& action : events.actions) {
        RunAction(action);
    }
    for (const std::string& call : events.script_calls) {
        RunScriptCall(call);
    }
}

// The extension's subclass on the arrange view marks its attach (the picture is loaded before
// the subclass goes in); the sandbox sees it after a turn of the message loop.
bool ExtensionAttached() {
    HWND arrange = sim::ArrangeWindow();
    return arrange != nullptr &&
           reinterpret_cast<WNDPROC>(GetWindowLongPtrW(arrange, GWLP_WNDPROC)) !=
               sim::HostArrangeProcedure();
}

// Presentations are counted from the first one after the extension attached.
void StartTallyOnceAttached() {
    if (!sim::PresentationTallyRunning() && ExtensionAttached()) {
        sim::StartPresentationTally();
    }
}

using DialogScreenshots = std::vector<std::pair<std::string, std::string>>;

// Each dialog opened by its action and captured in turn; false when any capture failed.
bool CaptureDialogs(const DialogScreenshots& screenshots) {
    bool all_ok = true;
    for (const auto& [name, path] : screenshots) {
        std::string message;
        bool ok = sim::CaptureDialog(name, path, RunAction, message);
        Say("dialog " + name + ": " + message);
        all_ok = all_ok && ok;
    }
    return all_ok;
}

// The picture file the current project names, or else the default wallpaper's.
std::optional<std::string> ShownPictureFile() {
    std::optional<std::string> file =
        sim::ExtStateValue(sim::CurrentProject(), kExtStateSection, "path");
    return file ? file : sim::GlobalExtStateValue(kExtStateSection, "default_path");
}

// Copies file over the picture the current project shows, as an image editor saving it would.
void SwapPicture(const std::string& file) {
    std::optional<std::string> target = ShownPictureFile();
    if (!target ||
        !CopyFileW(sim::Utf8ToWide(file).c_str(), sim::Utf8ToWide(*target).c_str(), FALSE)) {
        Say("cannot swap the picture: no picture named or not writable");
        return;
    }
    Say("picture swapped: " + *target);
}

void StartRewrites(const sim::SandboxOptions& options) {
    std::optional<std::string> target = ShownPictureFile();
    std::string error = "no picture named";
    if (!target ||
        !sim::StartPictureRewrites(*target, options.rewrite_picture, options.rewrite_every_ms,
                                   options.rewrite_for_ms, error)) {
        Say("cannot rewrite the picture: " + error);
        return;
    }
    Say("picture rewrites begin: " + *target);
}

void StopRewrites() {
    if (!sim::PictureRewritesRunning()) {
        return;
    }
    sim::RewriteCounts counts = sim::StopPictureRewrites();
    Say("picture rewrites=" + std::to_string(counts.rewrites) + " blocked=" +
        std::to_string(counts.blocked) + (counts.restored ? " restored" : " not restored"));
}

// Runs the host's message loop for ms milliseconds; the window timer drives the extension.
// Actions, dialog screenshots and picture rewrites begin once the extension attached; project
// tabs switch on their schedule. False when a screenshot failed.
bool RunHost(int ms, const sim::SandboxOptions& events) {
    bool actions_done =
        events.actions.empty() && events.script_calls.empty() && events.dialog_screenshots.empty();
    bool swapped = events.swap_picture.empty();
    bool reachable = events.reachable_at_ms < 0;
    bool rewrites_started = events.rewrite_picture.empty();
    bool dialogs_ok = true;
    DWORD next_switch = events.switch_tabs_ms > 0 ? static_cast<DWORD>(events.switch_tabs_ms)
                                                  : static_cast<DWORD>(ms);
    int switches = 0;
    DWORD start = GetTickCount();
    while (true) {
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= static_cast<DWORD>(ms)) {
            break;
        }
        DWORD wait = std::min(static_cast<DWORD>(ms), next_switch) - std::min(elapsed, next_switch);
        if (!reachable && static_cast<DWORD>(events.reachable_at_ms) > elapsed) {
            wait = std::min(wait, static_cast<DWORD>(events.reachable_at_ms) - elapsed);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, wait, QS_ALLINPUT);
        sim::PumpMessagesUntil(GetTickCount64() + wait);
        StartTallyOnceAttached();
        elapsed = GetTickCount() - start;
        if (!swapped && elapsed >= static_cast<DWORD>(ms) / 2) {
            swapped = true;
            SwapPicture(events.swap_picture);
        }
        if (!reachable && elapsed >= static_cast<DWORD>(events.reachable_at_ms)) {
            reachable = true;
            sim::ClearFileOpenFaults();
            Say("reachable again");
        }
        if (!rewrites_started && ExtensionAttached()) {
            rewrites_started = true;
            StartRewrites(events);
        }
        if (events.switch_tabs_ms > 0 && elapsed >= next_switch &&
            elapsed < static_cast<DWORD>(ms)) {
            next_switch += static_cast<DWORD>(events.switch_tabs_ms);
            sim::SwitchProjectTab((sim::CurrentProjectIndex() + 1) % sim::ProjectCount());
            ++switches;
        }
        if (!actions_done && sim::WindowTimerTickCount() >= kTicksBeforeActions) {
            actions_done = true;
            RunActionsAndScripts(events);
            dialogs_ok = CaptureDialogs(events.dialog_screenshots);
        }
    }
    if (!actions_done) {
        RunActionsAndScripts(events);
        dialogs_ok = CaptureDialogs(events.dialog_screenshots);
    }
    sim::PumpMessagesUntil(GetTickCount64() + kLastPumpMs);
    if (events.switch_tabs_ms > 0) {
        Say("tab switches=" + std::to_string(switches));
    }
    return dialogs_ok;
}

void Exercise(int repaints) {
    for (int step = 0; step < repaints; ++step) {
        sim::ExerciseStep(step);
        StartTallyOnceAttached();
    }
}

void Report(const char* moment, bool with_tally) {
    HWND arrange = sim::ArrangeWindow();
    auto procedure = arrange != nullptr
                         ? reinterpret_cast<WNDPROC>(GetWindowLongPtrW(arrange, GWLP_WNDPROC))
                         : nullptr;
    std::string tally;
    if (with_tally) {
        sim::PresentationTally counted = sim::CurrentPresentationTally();
        tally = " presentations=" + std::to_string(counted.presentations) +
                " uncorrected=" + std::to_string(counted.uncorrected);
    }
    std::printf("sandbox: %s bitblt-import=%s import-page=%s wndproc=%s registrations=%d%s\n",
                moment, sim::BitBltImportState().c_str(), sim::BitBltImportPageState().c_str(),
                procedure == sim::HostArrangeProcedure() ? "host" : "replaced",
                sim::ActiveRegistrationCount(), tally.c_str());
    std::fflush(stdout);
}

// "sandbox: ui-stall max=X ms at=WHERE calls=N": the longest the extension held the host's
// interface thread in one call, outside the host's own painting (ui_stall.h).
void UiStallReport() {
    sim::UiStall stall = sim::CurrentUiStall();
    char line[160] = {};
    std::snprintf(line, sizeof line, "ui-stall max=%.1f ms at=%s calls=%d", stall.max_ms,
                  stall.where.empty() ? "none" : stall.where.c_str(), stall.calls);
    Say(line);
}

// Pictures the run needs, written before anything else; false when one cannot be.
bool MakePictures(const std::vector<sim::PictureToMake>& pictures) {
    for (const sim::PictureToMake& picture : pictures) {
        std::string error;
        if (!sim::MakeTestPicture(picture.path, picture.width, picture.height, error)) {
            std::fprintf(stderr, "sandbox: %s\n", error.c_str());
            return false;
        }
        Say("picture " + sim::DisplayPath(picture.path) + " (" + std::to_string(picture.width) +
            "x" + std::to_string(picture.height) + ")");
    }
    return true;
}

// window's client area as the screen shows it; what names the shot ("screenshot", "notes
// screenshot") and view the window ("arrange view") in the lines printed.
bool TakeScreenshot(const std::string& path, HWND window, const std::string& what,
                    const std::string& view) {
    std::vector<uint32_t> pixels;
    int width = 0;
    int height = 0;
    std::string error;
    if (!sim::CaptureClientPixels(window, pixels, width, height)) {
        Say("cannot read the " + view + " for the " + what);
        return false;
    }
    if (!sim::WritePng(path, pixels.data(), width, height, error)) {
        Say(error);
        return false;
    }
    Say(what + " " + sim::DisplayPath(path) + " (" + std::to_string(width) + "x" +
        std::to_string(height) + ")");
    return true;
}

// "seams=N" for the arrange view, then one line for every note view the screen shows, with the
// note views' presentation tally.
void SeamCheck() {
    Say("seams=" + std::to_string(sim::CountSeams()));
    for (HWND editor : sim::MidiEditors()) {
        HWND view = sim::NoteViewOf(editor);
        if (!IsWindowVisible(view)) {
            continue;
        }
        int seams = sim::CountSeams(view);
        sim::PresentationTally tally = sim::CurrentPresentationTally(sim::ProbedView::kNotes);
        Say("seams=" + std::to_string(seams) +
            " presentations=" + std::to_string(tally.presentations) +
            " uncorrected=" + std::to_string(tally.uncorrected) + " view=notes");
    }
}

void DumpExtState() {
    ReaProject* project = sim::CurrentProject();
    auto section = sim::ExtStateSection(project, kExtStateSection);
    if (section.empty()) {
        Say("ext-state Murivo: empty");
    }
    for (const auto& [key, value] : section) {
        Say("ext-state Murivo " + key + "=" + value);
    }
    Say(std::string("project dirty=") + (sim::IsProjectDirty(project) ? "yes" : "no"));
}

// "sandbox: memory peak=P MiB now=N MiB", the working set from the system's own counters.
void MemoryReport() {
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    if (!K32GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) {
        Say("memory counters unavailable");
        return;
    }
    constexpr double kMiB = 1024.0 * 1024.0;
    char line[96] = {};
    std::snprintf(line, sizeof line, "memory peak=%.0f MiB now=%.0f MiB",
                  double(counters.PeakWorkingSetSize) / kMiB,
                  double(counters.WorkingSetSize) / kMiB);
    Say(line);
}

int Run(const sim::SandboxOptions& options) {
    if (!MakePictures(options.make_pictures)) {
        return kBadInputExitCode;
    }
    sim::Scene scene = sim::BundledScene();
    std::string error;
    if (!options.scene_path.empty() && !sim::LoadSceneFile(options.scene_path, scene, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return kBadInputExitCode;
    }
    sim::SetPresentMode(options.present);
    sim::SetArrangeErases(options.erase);
    if (!sim::StartSimulator(scene, true)) {
        std::fprintf(stderr, "sandbox: cannot create the host windows\n");
        return kBadInputExitCode;
    }
    if (!options.theme_path.empty() && !sim::LoadThemeFile(options.theme_path, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        sim::StopSimulator();
        return kBadInputExitCode;
    }
    if (!options.language_pack.empty() && !sim::LoadLanguagePack(options.language_pack, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        sim::StopSimulator();
        return kBadInputExitCode;
    }
    for (bool docked : options.midi_editors) {
        sim::OpenMidiEditor(docked);
    }
    // The theme may have changed after the first paint.
    sim::RedrawArrange();
    sim::RedrawNoteViews();
    for (const std::string& name : options.withheld) {
        sim::WithholdHostFunction(name);
    }
    for (const std::string& name : options.refused) {
        sim::RefuseRegistration(name);
    }
    for (const auto& [key, value] : options.ext_state) {
        sim::PutExtStateValue(sim::CurrentProject(), kExtStateSection, key, value);
    }
    for (const sim::ProjectExtStateValue& stored : options.project_ext_state) {
        if (stored.tab >= sim::ProjectCount()) {
            std::fprintf(stderr,
                         "murivo-sandbox: --project-ext-state: the scene has %d project tabs, "
                         "no tab %d\n",
                         sim::ProjectCount(), stored.tab);
            sim::StopSimulator();
            return kBadArgumentsExitCode;
        }
        sim::PutExtStateValue(sim::ProjectAt(stored.tab), kExtStateSection, stored.key,
                              stored.value);
    }
    if (!options.project_path.empty()) {
        sim::SetProjectPath(sim::CurrentProject(), options.project_path);
    }
    const std::string& global_state = options.global_state_path;
    if (!global_state.empty() &&
        GetFileAttributesW(sim::Utf8ToWide(global_state).c_str()) != INVALID_FILE_ATTRIBUTES &&
        !sim::LoadGlobalExtStateFile(global_state, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        sim::StopSimulator();
        return kBadInputExitCode;
    }

    // From before the load to after the unload, as in a host whose other threads draw too; a
    // millisecond's rest per round leaves the two cores to the host's own thread as well.
    sim::StartBitBltThreads(options.bitblt_threads, 1);
    if (options.foreign_bitblt_hook && !sim::InstallForeignBitBltHook()) {
        Say("cannot put a foreign hook into the BitBlt import");
    }
    bool loaded = false;
    if (options.load_extension) {
        std::string path =
            options.extension_path.empty() ? sim::DefaultExtensionPath() : options.extension_path;
        if (!sim::LoadExtensionModule(path, error)) {
            std::fprintf(stderr, "sandbox: %s\n", error.c_str());
            sim::StopBitBltThreads();
            sim::StopSimulator();
            return kBadInputExitCode;
        }
        if (options.soak_frames > 0) {
            sim::PrepareSoak();
        }
        if (options.file_opens || !options.unreachable.empty() || !options.slow_opens.empty()) {
            sim::StartFileOpenAccounting(sim::ExtensionModule());
            for (const std::string& prefix : options.unreachable) {
                sim::FailOpensBelow(sim::Utf8ToWide(prefix), options.unreachable_error);
            }
            for (const auto& [prefix, ms] : options.slow_opens) {
                sim::DelayOpensBelow(sim::Utf8ToWide(prefix), static_cast<DWORD>(ms));
            }
        }
        int result = sim::CallEntryLoad();
        Say("ReaperPluginEntry returned " + std::to_string(result));
        loaded = true;
        if (result != 0 && sim::ExtensionsMenuRequested()) {
            // The host builds its menus after loading extensions.
            sim::CallMenuHooks("Main extensions", sim::ExtensionsMenu(), 0);
        }
    }

    if ((sim::CurrentScene().play_state & 1) != 0) {
        sim::StartPlayback();
    }
    bool dialogs_ok = RunHost(options.run_ms, options);
    StopRewrites();
    Exercise(options.exercise_repaints);
    if (options.play_ms > 0) {
        sim::StartPlayback();
        RunHost(options.play_ms, sim::SandboxOptions{});
    }
    if (options.seam_check) {
        SeamCheck();
    }
    // The unload repaints without the extension: not a presentation it could have corrected.
    sim::StopPresentationTally();
    bool screenshot_ok =
        (options.screenshot_path.empty() ||
         TakeScreenshot(options.screenshot_path, sim::ArrangeWindow(), "screenshot",
                        "arrange view")) &&
        (options.notes_screenshot_path.empty() ||
         TakeScreenshot(options.notes_screenshot_path, sim::NoteViewOf(sim::ActiveMidiEditor()),
                        "notes screenshot", "active note view"));
    if (options.memory_report) {
        MemoryReport();
    }

    if (options.report) {
        Report("loaded", true);
        UiStallReport();
    }
    std::string soak_summary;
    if (options.soak_frames > 0 && loaded) {
        soak_summary = sim::SoakSummary(sim::RunSoak(options.soak_frames));
        loaded = false; // the soak ended with the unload
    }
    if (loaded) {
        sim::CallEntryUnload();
    }
    if (options.report) {
        Report("unloaded", false);
    }
    if (options.file_opens) {
        const std::vector<std::wstring> opens = sim::FileOpens();
        Say("file opens=" + std::to_string(opens.size()));
        for (const std::wstring& name : opens) {
            Say("file open " + sim::WideToUtf8(name));
        }
    }
    sim::StopFileOpenAccounting();
    sim::RemoveForeignBitBltHook();
    if (!global_state.empty() && !sim::SaveGlobalExtStateFile(global_state)) {
        Say("cannot write the global state file " + global_state);
    }
    if (options.dump_ext_state) {
        DumpExtState();
    }
    sim::FreezePlayback();
    sim::StopBitBltThreads();
    if (options.bitblt_threads > 0) {
        Say("threads=" + std::to_string(options.bitblt_threads) +
            " bitblt-calls=" + std::to_string(sim::BitBltThreadCalls()));
    }
    sim::StopSimulator();
    if (!soak_summary.empty()) {
        Say(soak_summary);
    }
    return screenshot_ok && dialogs_ok ? 0 : kBadInputExitCode;
}

} // namespace

int main() {
    sim::InstallCrashReport();
    sim::SandboxOptions options;
    std::string error;
    if (!sim::ParseSandboxOptions(Arguments(), options, error)) {
        std::fprintf(stderr, "murivo-sandbox: %s\n%s", error.c_str(), sim::kSandboxUsage);
        return kBadArgumentsExitCode;
    }
    if (options.help) {
        std::fputs(sim::kSandboxUsage, stdout);
        return 0;
    }
    sim::StartDiagnosticsEcho();
    int code = Run(options);
    sim::StopDiagnosticsEcho();
    return code;
}
