// The simulated host itself: theme and scene files, the host functions' answers, registration
// bookkeeping, and how the arrange view and the MIDI editors' note views paint and present.
#include <gtest/gtest.h>
#include <windows.h>
#include <commdlg.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "arrange_paint.h"
#include "base/host_api.h"
#include "bundled_files.h"
#include "file_chooser_rules.h"
#include "host_functions.h"
#include "host_windows.h"
#include "import_slot.h"
#include "midi_editor.h"
#include "note_view_paint.h"
#include "playback.h"
#include "presentation_modes.h"
#include "projects.h"
#include "registrations.h"
#include "scene_file.h"
#include "seam_check.h"
#include "simulator.h"
#include "support/sim_fixture.h"
#include "theme.h"
#include "theme_file.h"
#include "ui_stall.h"

namespace {

template <typename Function> Function Host(const char* name) {
    return reinterpret_cast<Function>(sim::LookupHostFunction(name));
}

std::string ThemeError(const std::string& text) {
    std::vector<sim::ThemeEntry> entries;
    std::string error;
    EXPECT_FALSE(sim::ParseThemeText(text, "my.ReaperTheme", entries, error)) << text;
    return error;
}

std::string SceneError(const std::string& text) {
    sim::Scene scene;
    std::string error;
    EXPECT_FALSE(sim::ParseSceneText(text, "Z:\\tmp\\s.scene", scene, error)) << text;
    return error;
}

TEST(ThemeFile, ReadsIntegerLinesAndSkipsWhatIsNotAColour) {
    std::vector<sim::ThemeEntry> entries;
    std::string error;
    ASSERT_TRUE(sim::ParseThemeText("[color theme]\r\n; comment\n\ncol_arrangebg=-1\n"
                                    "ui_img=images\\x.png\ncol_tr1_bg = 4209722\n",
                                    "t.ReaperTheme", entries, error))
        << error;
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].key, "col_arrangebg");
    EXPECT_EQ(entries[0].value, -1);
    EXPECT_EQ(entries[1].value, 4209722);
}

TEST(ThemeFile, MalformedColourLinesNameFileAndLine) {
    EXPECT_EQ(ThemeError("[color theme]\ncol_tr1_bg=1\ncol_tr2_bg=abc\n"),
              "my.ReaperTheme:3: colour key 'col_tr2_bg' needs an integer value, got 'abc'");
    EXPECT_EQ(ThemeError("col_tr1_bg=99999999999\n"),
              "my.ReaperTheme:1: colour key 'col_tr1_bg' needs an integer value, got "
              "'99999999999'");
    EXPECT_EQ(ThemeError("midi_trackbg1=dark\n"),
              "my.ReaperTheme:1: colour key 'midi_trackbg1' needs an integer value, got 'dark'");
    EXPECT_EQ(ThemeError("\n\njust words\n"),
              "my.ReaperTheme:3: expected key=value, got 'just words'");
}

TEST(SceneFile, BundledSceneAndThemeAreValid) {
    sim::Scene scene;
    std::string error;
    EXPECT_TRUE(sim::ParseSceneText(sim::kBundledSceneText, "default.scene", scene, error))
        << error;
    EXPECT_GE(scene.tracks.size(), 4u);
    EXPECT_EQ(scene.projects.size(), 2u);
    std::vector<sim::ThemeEntry> entries;
    EXPECT_TRUE(sim::ParseThemeText(sim::kBundledThemeText, "default.ReaperTheme", entries, error))
        << error;
}

TEST(SceneFile, ErrorsNameFileAndLine) {
    EXPECT_EQ(SceneError("# c\ntrakc height=3\n"), "/tmp/s.scene:2: unknown directive 'trakc'");
    EXPECT_EQ(SceneError("view start=x\n"), "/tmp/s.scene:1: start needs a number, got 'x'");
    EXPECT_EQ(SceneError("track\nitem track=1 pos=0 len=-1\n"),
              "/tmp/s.scene:2: len must be greater than 0");
    EXPECT_EQ(SceneError("track colour=#112233\n"),
              "/tmp/s.scene:1: unknown key 'colour' for 'track'");
    EXPECT_EQ(SceneError("track color=red\n"),
              "/tmp/s.scene:1: color needs a colour #RRGGBB, got 'red'");
    EXPECT_EQ(SceneError("track\nitem track=1 pos=0 len=1 fadein=-1\n"),
              "/tmp/s.scene:2: fades must not be negative");
    EXPECT_EQ(SceneError("item track=1 pos=0 len=1\n"),
              "/tmp/s.scene:1: item refers to track 1, but only 0 tracks are defined above it");
    EXPECT_EQ(SceneError("note pitch=60 pos=1 len=1\n"),
              "/tmp/s.scene:1: note needs a midieditor line above it");
    EXPECT_EQ(SceneError("midieditor start=4 end=2\n"), "/tmp/s.scene:1: end must be after start");
}

TEST(ThemeColours, GetThemeColorMasksFlagsAndKnowsOnlyThemeKeys) {
    sim::ResetTheme();
    auto get = Host<decltype(HostApi::GetThemeColor)>("GetThemeColor");
    sim::SetThemeValue("col_test", 0x01FF8040);
    sim::SetThemeValue("col_negative", -1);
    EXPECT_EQ(get("col_test", 0), 0xFF8040);
    EXPECT_EQ(get("col_negative", 0), 0xFFFFFF);
    EXPECT_EQ(get("col_no_such_key", 0), -1);
    sim::RemoveThemeValue("col_test");
    EXPECT_EQ(get("col_test", 0), -1);
    EXPECT_EQ(get("col_arrangebg", 0), (46 << 16) | (42 << 8) | 42);
}

TEST(ThemeColours, BlendKeysDecodeModeAndAlpha) {
    sim::SetThemeValue("mode_a", 0x30000);
    sim::SetThemeValue("mode_b", 0x28003);
    sim::SetThemeValue("mode_c", 0x1FF00); // below the bias: nothing blends
    EXPECT_EQ(sim::ThemeBlendMode("mode_a").alpha, 1.0);
    EXPECT_EQ(sim::ThemeBlendMode("mode_b").mode, 3);
    EXPECT_EQ(sim::ThemeBlendMode("mode_b").alpha, 0.5);
    EXPECT_EQ(sim::ThemeBlendMode("mode_c").alpha, 0.0);
    EXPECT_EQ(sim::ThemeBlendMode("missing").alpha, 1.0);
    EXPECT_EQ(sim::BlendChannel(100, 200, 0, 0.5), 150);
    EXPECT_EQ(sim::BlendChannel(100, 200, 1, 1.0), 255);
    EXPECT_EQ(sim::BlendChannel(100, 51, 3, 1.0), 20);
    sim::ResetTheme();
}

TEST(ArrangePaint, GridAndTimeSelectionBlendOverTheLane) {
    sim::ResetTheme();
    sim::SetThemeValue("col_tr1_bg", 0x00402010); // r 16, g 32, b 64
    sim::SetThemeValue("col_tl_bgsel", 0x00FFFFFF);
    sim::SetThemeValue("timesel_drawmode", 0x28000); // normal, alpha 0.5
    sim::SetThemeValue("col_gridlines", 0x00000000);
    sim::SetThemeValue("col_gridlines1dm", 0x24000); // normal, alpha 0.25
    sim::Scene scene;
    scene.tracks = {sim::SceneTrack{}};
    scene.zoom = 10.0;
    scene.selection_start = 4.0;
    scene.selection_end = 6.0;
    scene.cursor = -10.0; // off screen
    int width = 100;
    int height = 120;
    std::vector<uint32_t> pixels(static_cast<size_t>(width * height));
    sim::PaintArrange(scene, pixels.data(), width, height);
    auto at = [&](int x, int y) { return pixels[static_cast<size_t>(y * width + x)]; };
    EXPECT_EQ(at(5, 10), 0x102040u);  // plain lane, as 0x00RRGGBB
    EXPECT_EQ(at(50, 10), 0x8890A0u); // half way to white
    EXPECT_EQ(at(80, 10), 0x0C1830u); // measure line at 8 s: a quarter to black
    EXPECT_EQ(at(5, 100), static_cast<uint32_t>((42 << 16) | (42 << 8) | 46)); // below tracks
    sim::ResetTheme();
}

// The extension keys the note view's rows by colour: the six must differ, and no grid line
// blended over one may pass for another.
TEST(NoteViewPaint, BundledRowColoursStayApartUnderTheGrid) {
    sim::ResetTheme();
    const char* const rows[] = {"midi_trackbg1",       "midi_trackbg2",  "midi_trackbg_outer1",
                                "midi_trackbg_outer2", "midi_selpitch1", "midi_selpitch2"};
    auto distance = [](uint32_t a, uint32_t b) {
        int most = 0;
        for (int shift : {16, 8, 0}) {
            most = std::max(most, std::abs(static_cast<int>((a >> shift) & 0xFF) -
                                           static_cast<int>((b >> shift) & 0xFF)));
        }
        return most;
    };
    for (const char* row : rows) {
        ASSERT_GE(sim::ThemeColour(row), 0) << row;
        for (const char* other : rows) {
            EXPECT_TRUE(row == other || sim::ThemeColour(row) != sim::ThemeColour(other)) << row;
        }
        for (int line = 1; line <= 3; ++line) {
            std::string suffix = std::to_string(line);
            EXPECT_LT(sim::ThemeBlendMode("midi_griddm" + suffix).alpha, 1.0);
            uint32_t blended = sim::BlendPixel(sim::ThemePixel(row, 0),
                                               sim::ThemePixel(("midi_grid" + suffix).c_str(), 0),
                                               sim::ThemeBlendMode("midi_griddm" + suffix));
            for (const char* other : rows) {
                EXPECT_GE(distance(blended, sim::ThemePixel(other, 0)), 3) << row << " " << line;
            }
        }
    }
}

TEST(NoteViewPaint, RowsGridAndOctaveLinesShowTheirThemeColours) {
    sim::ResetTheme();
    sim::SetThemeValue("midi_trackbg1", 0x00402010); // r 16, g 32, b 64
    sim::SetThemeValue("midi_grid2", 0x00000000);
    sim::SetThemeValue("midi_griddm2", 0x28000); // normal, alpha 0.5
    sim::Scene scene;
    scene.cursor = -10.0;
    sim::SceneMidiEditor editor;
    editor.low_pitch = 48;
    editor.high_pitch = 60;
    editor.selected_pitch = 55;
    editor.item_start = 1.0;
    editor.item_end = 5.0;
    editor.zoom = 50.0;
    const int width = 400;
    const int height = 300;
    std::vector<uint32_t> pixels(static_cast<size_t>(width * height));
    sim::PaintNoteView(scene, editor, -1.0, pixels.data(), width, height);
    sim::NoteViewLayout layout = sim::LayoutNoteView(editor, width, height);
    // Half beats are 0.25 s apart: 1.1 s and 0.6 s lie between grid lines.
    auto at = [&](double time, int pitch, int row_y) {
        int x = sim::NoteViewColumn(layout, editor, time);
        int y = sim::PitchRowTop(layout, editor, pitch) + row_y;
        return pixels[static_cast<size_t>(y * width + x)];
    };
    const int middle = layout.row_height / 2;
    EXPECT_EQ(at(1.1, 50, middle), 0x102040u); // D, inside the item
    EXPECT_EQ(at(1.1, 49, middle), sim::ThemePixel("midi_trackbg2", 0));
    EXPECT_EQ(at(0.6, 50, middle), sim::ThemePixel("midi_trackbg_outer1", 0));
    EXPECT_EQ(at(0.6, 51, middle), sim::ThemePixel("midi_trackbg_outer2", 0));
    EXPECT_EQ(at(1.1, 55, middle), sim::ThemePixel("midi_selpitch1", 0));
    EXPECT_EQ(at(2.0, 50, middle), 0x081020u); // the measure at 2 s: half way to black
    EXPECT_EQ(at(1.1, 60, layout.row_height - 1), sim::ThemePixel("midioct", 0));
    EXPECT_EQ(at(5.0, 50, middle), sim::ThemePixel("midi_endpt", 0));
    sim::ResetTheme();
}

// Editors as the host keeps them: the note view is item 1001 of the active one, which
// MIDIEditor_GetActive answers; docking moves the same windows; closing passes activity on.
TEST(MidiEditorWindows, ActiveEditorDockingAndClosing) {
    ASSERT_TRUE(sim::StartSimulator(SmallTestScene()));
    auto get_active = Host<HWND (*)()>("MIDIEditor_GetActive");
    ASSERT_NE(get_active, nullptr);
    EXPECT_EQ(get_active(), nullptr);
    HWND floating = sim::OpenMidiEditor(false, 400, 240);
    ASSERT_NE(floating, nullptr);
    HWND view = GetDlgItem(floating, sim::kNoteViewDialogItem);
    EXPECT_EQ(view, sim::NoteViewOf(floating));
    RECT client = {};
    GetClientRect(view, &client);
    EXPECT_EQ(client.right, 400);
    EXPECT_EQ(client.bottom, 240);
    EXPECT_EQ(GetWindow(floating, GW_OWNER), sim::MainWindow());
    EXPECT_EQ(get_active(), floating);

    HWND docked = sim::OpenMidiEditor(true, 300, 200);
    ASSERT_NE(docked, nullptr);
    EXPECT_EQ(get_active(), docked);
    EXPECT_EQ(GetParent(docked), sim::DockerWindow());
    EXPECT_TRUE(IsWindowVisible(sim::NoteViewOf(docked)));
    sim::ShowDocker(false);
    EXPECT_FALSE(IsWindowVisible(sim::NoteViewOf(docked)));
    sim::ShowDocker(true);

    sim::DockMidiEditor(floating, true);
    EXPECT_EQ(GetParent(floating), sim::DockerWindow());
    EXPECT_EQ(sim::NoteViewOf(floating), view);
    EXPECT_NE(GetWindowLongPtrW(floating, GWL_STYLE) & WS_CHILD, 0);
    sim::ActivateMidiEditor(floating); // the docker shows one tab at a time
    EXPECT_TRUE(IsWindowVisible(view));
    EXPECT_FALSE(IsWindowVisible(sim::NoteViewOf(docked)));
    sim::DockMidiEditor(floating, false);
    EXPECT_EQ(GetAncestor(floating, GA_PARENT), GetDesktopWindow());
    EXPECT_EQ(GetWindow(floating, GW_OWNER), sim::MainWindow());
    EXPECT_TRUE(IsWindowVisible(view));

    sim::CloseMidiEditor(docked);
    EXPECT_EQ(get_active(), floating);
    sim::CloseMidiEditor(floating);
    EXPECT_EQ(get_active(), nullptr);
    EXPECT_FALSE(IsWindow(floating));
    sim::WithholdHostFunction("MIDIEditor_GetActive");
    EXPECT_EQ(sim::LookupHostFunction("MIDIEditor_GetActive"), nullptr);
    sim::StopSimulator();
}

// What the screen shows of a note view is what the painting drew, whole or from partial copies
// out of the view's own back buffer, also while the play cursor moves.
TEST(MidiEditorWindows, EveryPresentationModeShowsWhatAWholePaintShows) {
    sim::Scene scene = SmallTestScene();
    scene.cursor = 1.0; // playback starts here
    ASSERT_TRUE(sim::StartSimulator(scene));
    for (sim::PresentMode mode :
         {sim::PresentMode::kWhole, sim::PresentMode::kDirty, sim::PresentMode::kStrips}) {
        sim::SetPresentMode(mode);
        HWND editor = sim::OpenMidiEditor(mode == sim::PresentMode::kDirty, 360, 220);
        ASSERT_NE(editor, nullptr);
        sim::PumpMessages();
        sim::RedrawNoteView(editor);
        std::vector<uint32_t> shown;
        int width = 0;
        int height = 0;
        ASSERT_TRUE(sim::CaptureNoteView(editor, shown, width, height));
        sim::SceneMidiEditor content = sim::DefaultMidiEditor();
        std::vector<uint32_t> painted(shown.size());
        sim::PaintNoteView(sim::CurrentScene(), content, -1.0, painted.data(), width, height);
        EXPECT_EQ(shown, painted);

        sim::StartPlayback();
        int paints = sim::NoteViewPaintCount();
        for (int frame = 0; frame < 20; ++frame) {
            sim::AdvancePlayback();
            sim::UpdateNoteViews();
        }
        EXPECT_GT(sim::NoteViewPaintCount(), paints);
        EXPECT_EQ(sim::CountSeams(sim::NoteViewOf(editor)), 0);
        sim::StopPlayback();
        sim::CloseMidiEditor(editor);
    }
    sim::SetPresentMode(sim::PresentMode::kDirty);
    sim::StopSimulator();
}

TEST(ProjectState, ExtStateFollowsTheHostsRules) {
    sim::ResetProjects({"A", "B"}, 0);
    auto get = Host<decltype(HostApi::GetProjExtState)>("GetProjExtState");
    auto set = Host<decltype(HostApi::SetProjExtState)>("SetProjExtState");
    auto dirty = Host<decltype(HostApi::MarkProjectDirty)>("MarkProjectDirty");
    ReaProject* a = sim::ProjectAt(0);
    ReaProject* b = sim::ProjectAt(1);

    EXPECT_NE(set(a, "Murivo", "path", "C:\\pic.png"), 0);
    char buffer[5] = "xxxx";
    EXPECT_EQ(get(a, "Murivo", "path", buffer, sizeof buffer), 10);
    EXPECT_STREQ(buffer, "C:\\p"); // cut to the buffer, always terminated
    EXPECT_EQ(get(b, "Murivo", "path", buffer, sizeof buffer), 0);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(get(nullptr, "Murivo", "path", buffer, sizeof buffer), 10); // null: current
    EXPECT_EQ(sim::ExtStateReadCount(a), 2);
    EXPECT_EQ(sim::ExtStateReadCount(b), 1);

    set(a, "Murivo", "mode", "cover");
    set(a, "Murivo", "mode", "");
    EXPECT_FALSE(sim::ExtStateValue(a, "Murivo", "mode").has_value());
    set(a, "Other", "k", "v");
    set(a, "Murivo", nullptr, nullptr);
    EXPECT_TRUE(sim::ExtStateSection(a, "Murivo").empty());
    EXPECT_EQ(sim::ExtStateValue(a, "Other", "k"), "v");

    EXPECT_FALSE(sim::IsProjectDirty(a));
    dirty(a);
    EXPECT_TRUE(sim::IsProjectDirty(a));
    EXPECT_FALSE(sim::IsProjectDirty(b));
}

TEST(ProjectState, EnumProjectsAnswersCurrentAndIndexedTabs) {
    sim::ResetProjects({"A.RPP", "B.RPP"}, 1, {"", "D:\\B.RPP"});
    auto enumerate = Host<decltype(HostApi::EnumProjects)>("EnumProjects");
    // The buffer receives the project's file, cut and terminated; nothing for an unsaved one.
    char name[3] = {'x', 'x', 'x'};
    EXPECT_EQ(enumerate(-1, name, sizeof name), sim::ProjectAt(1));
    EXPECT_STREQ(name, "D:");
    EXPECT_EQ(enumerate(0, name, sizeof name), sim::ProjectAt(0));
    EXPECT_STREQ(name, "");
    EXPECT_EQ(enumerate(2, nullptr, 0), nullptr);
}

TEST(Registrations, CommandIdsRefusalsAndUndoing) {
    sim::ResetRegistrations();
    struct {
        int section;
        const char* id;
        const char* name;
        void* reserved;
    } first = {0, "A", "a", nullptr}, second = {0, "B", "b", nullptr};
    sim::RefuseRegistration("timer", 2);
    int id_a = sim::HostPluginRegister("custom_action", &first);
    EXPECT_EQ(id_a, sim::kFirstCommandId);
    EXPECT_EQ(sim::HostPluginRegister("custom_action", &second), sim::kFirstCommandId + 1);
    EXPECT_EQ(sim::HostPluginRegister("-custom_action", &first), 1);
    EXPECT_EQ(sim::HostPluginRegister("-custom_action", &first), 0);   // already gone
    EXPECT_EQ(sim::HostPluginRegister("custom_action", &first), id_a); // same id string, same id
    EXPECT_EQ(sim::CommandIdFor("B"), sim::kFirstCommandId + 1);

    int ticks = 0;
    static int* counter = nullptr;
    counter = &ticks;
    void (*timer)() = [] { ++*counter; };
    EXPECT_EQ(sim::HostPluginRegister("timer", reinterpret_cast<void*>(timer)), 1);
    EXPECT_EQ(sim::HostPluginRegister("timer", reinterpret_cast<void*>(timer)), 0); // 2nd refused
    sim::TickTimers();
    EXPECT_EQ(ticks, 1);
    EXPECT_EQ(sim::ActiveRegistrationCount(), 3);
    EXPECT_EQ(sim::RegistrationLog().size(), 7u);
    sim::ResetRegistrations();
}

double NowMs() {
    LARGE_INTEGER counter;
    LARGE_INTEGER frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

// A callback that holds the interface thread is seen, a command that ticks the timers inside it
// counts once and as itself, and the host's own painting nested in a callback is left out.
TEST(UiStall, HeldTimeIsSeenOnceLessTheHostsNestedPainting) {
    ASSERT_TRUE(sim::StartSimulator(SmallTestScene()));
    static bool paint = false;
    static double painting_ms = 0;
    void (*timer)() = [] {
        Sleep(35);
        for (int i = 0; paint && i < 30; ++i) {
            double start = NowMs();
            sim::RedrawArrange();
            painting_ms += NowMs() - start;
        }
    };
    bool (*hook)(int, int) = [](int command, int) {
        sim::TickTimers();
        return command == 7;
    };
    ASSERT_EQ(sim::HostPluginRegister("timer", reinterpret_cast<void*>(timer)), 1);
    ASSERT_EQ(sim::HostPluginRegister("hookcommand", reinterpret_cast<void*>(hook)), 1);
    sim::TickTimers();
    EXPECT_GE(sim::CurrentUiStall().max_ms, 30.0);
    EXPECT_EQ(sim::CurrentUiStall().where, "timer");

    sim::ResetUiStall();
    EXPECT_TRUE(sim::DispatchCommand(7));
    EXPECT_GE(sim::CurrentUiStall().max_ms, 30.0);
    EXPECT_EQ(sim::CurrentUiStall().where, "command 7");
    EXPECT_EQ(sim::CurrentUiStall().calls, 1);

    sim::ResetUiStall();
    paint = true;
    int paints = sim::ArrangePaintCount();
    double start = NowMs();
    sim::TickTimers();
    double total_ms = NowMs() - start;
    paint = false;
    ASSERT_EQ(sim::ArrangePaintCount(), paints + 30);
    EXPECT_GE(sim::CurrentUiStall().max_ms, 30.0);
    EXPECT_LT(sim::CurrentUiStall().max_ms, total_ms - painting_ms / 2);
    sim::StopSimulator();
}

TEST(Scene, ItemsAndTracksAnswerTheHostsGeometryQueries) {
    sim::Scene scene;
    scene.tracks = {sim::SceneTrack{}, sim::SceneTrack{}};
    scene.tracks[0].height = 70;
    scene.tracks[1].selected = true;
    sim::SceneItem midi;
    midi.track = 1;
    midi.kind = sim::ItemKind::kMidi;
    midi.take.midi = true;
    midi.colour = 0;
    sim::SceneItem empty;
    empty.kind = sim::ItemKind::kEmpty;
    scene.items = {midi, empty};
    sim::SetScene(scene);
    sim::ResetProjects({"A"}, 0);

    auto item_at = Host<decltype(HostApi::GetMediaItem)>("GetMediaItem");
    auto item_value = Host<decltype(HostApi::GetMediaItemInfo_Value)>("GetMediaItemInfo_Value");
    auto track_of = Host<decltype(HostApi::GetMediaItem_Track)>("GetMediaItem_Track");
    auto track_value = Host<decltype(HostApi::GetMediaTrackInfo_Value)>("GetMediaTrackInfo_Value");
    auto take_of = Host<decltype(HostApi::GetActiveTake)>("GetActiveTake");
    auto is_midi = Host<decltype(HostApi::TakeIsMIDI)>("TakeIsMIDI");
    auto colour =
        Host<decltype(HostApi::GetDisplayedMediaItemColor2)>("GetDisplayedMediaItemColor2");

    MediaItem* first = item_at(nullptr, 0);
    MediaTrack* track = track_of(first);
    EXPECT_EQ(track_value(track, "I_TCPY"), 70.0);
    EXPECT_EQ(track_value(track, "IP_TRACKNUMBER"), 2.0);
    EXPECT_EQ(track_value(track, "I_SELECTED"), 1.0);
    EXPECT_EQ(item_value(first, "I_LASTY") + item_value(first, "I_LASTH"), 79.0);
    EXPECT_TRUE(is_midi(take_of(first)));
    EXPECT_NE(colour(first, take_of(first)), 0); // custom black still counts
    MediaItem* second = item_at(nullptr, 1);
    EXPECT_EQ(take_of(second), nullptr);
    EXPECT_EQ(colour(second, nullptr), 0);
    EXPECT_EQ(item_at(nullptr, 2), nullptr);
}

// Counts the executable's own BitBlt calls and which window they land on.
int g_bitblt_calls = 0;
HWND g_bitblt_target = nullptr;
BOOL(WINAPI* g_real_bitblt)(HDC, int, int, int, int, HDC, int, int, DWORD) = nullptr;

BOOL WINAPI CountingBitBlt(HDC destination, int x, int y, int cx, int cy, HDC source, int sx,
                           int sy, DWORD rop) {
    ++g_bitblt_calls;
    g_bitblt_target = WindowFromDC(destination);
    return g_real_bitblt(destination, x, y, cx, cy, source, sx, sy, rop);
}

TEST(ArrangeWindow, EachPaintPresentsWithOneBitBltThroughTheImport) {
    ASSERT_TRUE(sim::StartSimulator(SmallTestScene()));
    EXPECT_EQ(sim::BitBltImportState(), "system");
    HWND arrange = GetDlgItem(sim::MainWindow(), sim::kArrangeDialogItem);
    ASSERT_EQ(arrange, sim::ArrangeWindow());
    sim::PumpMessages();
    g_real_bitblt = reinterpret_cast<decltype(g_real_bitblt)>(
        sim::SwapExecutableImport("gdi32.dll", "BitBlt", reinterpret_cast<void*>(&CountingBitBlt)));
    ASSERT_NE(g_real_bitblt, nullptr);
    EXPECT_EQ(sim::BitBltImportState(), "replaced");
    int paints = sim::ArrangePaintCount();
    g_bitblt_calls = 0;
    sim::RedrawArrange();
    sim::SwapExecutableImport("gdi32.dll", "BitBlt", reinterpret_cast<void*>(g_real_bitblt));
    EXPECT_EQ(sim::ArrangePaintCount(), paints + 1);
    EXPECT_EQ(g_bitblt_calls, 1);
    EXPECT_EQ(g_bitblt_target, arrange);
    EXPECT_EQ(sim::BitBltImportState(), "system");

    std::vector<uint32_t> pixels;
    int width = 0;
    int height = 0;
    ASSERT_TRUE(sim::CaptureArrange(pixels, width, height));
    EXPECT_EQ(width, 640);
    EXPECT_EQ(pixels.back(), static_cast<uint32_t>((42 << 16) | (42 << 8) | 46));
    sim::StopSimulator();
}

} // namespace

// Every spelling Windows takes for another computer's (or a device's) folder counts as a contact
// when the chooser would list it, in its initial name or its initial folder; folders here do not.
// Every name holds what no file name can, so the chooser refuses it before it shows.
TEST(FileChooser, ListingAnotherComputersFolderCountsAsContactingIt) {
    ASSERT_TRUE(sim::RefuseInvalidChooserNames());
    HMODULE library = LoadLibraryW(L"comdlg32.dll");
    ASSERT_NE(library, nullptr);
    auto open = reinterpret_cast<BOOL(WINAPI*)(OPENFILENAMEW*)>(
        reinterpret_cast<void*>(GetProcAddress(library, "GetOpenFileNameW")));
    ASSERT_NE(open, nullptr);
    struct Case {
        std::wstring folder, name, contact;
    };
    const Case cases[] = {
        {L"", L"\\\\server\\share\\", L"\\\\server\\share"},
        {L"", L"//server/share/x|", L"//server/share"},
        {L"", L"\\\\?\\UNC\\server\\share\\", L"\\\\?\\UNC\\server\\share"},
        {L"", L"\\??\\unc\\server\\", L"\\??\\unc\\server"},
        {L"", L"\\\\.\\COM1\\", L"\\\\.\\COM1"},
        {L"\\\\server\\share", L"x\\", L"\\\\server\\share"},
        {L"C:\\pictures", L"\\\\?\\C:\\pictures\\", L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sim::ResetChooserAccounting();
        std::vector<wchar_t> buffer(c.name.begin(), c.name.end());
        buffer.resize(MAX_PATH, L'\0');
        OPENFILENAMEW dialog = {};
        dialog.lStructSize = sizeof dialog;
        dialog.lpstrFile = buffer.data();
        dialog.nMaxFile = MAX_PATH;
        dialog.lpstrInitialDir = c.folder.empty() ? nullptr : c.folder.c_str();
        EXPECT_FALSE(open(&dialog));
        ASSERT_EQ(sim::ChooserRequests().size(), 1u);
        EXPECT_EQ(sim::ChooserRequests()[0].initial_name, c.name);
        EXPECT_EQ(sim::ChooserRequests()[0].initial_folder, c.folder);
        EXPECT_EQ(sim::ChooserContacts(),
                  c.contact.empty() ? std::vector<std::wstring>() : std::vector{c.contact});
        EXPECT_EQ(dialog.lpstrInitialDir, c.folder.empty() ? nullptr : c.folder.c_str());
    }
    FreeLibrary(library);
}
