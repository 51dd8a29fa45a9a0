// The wallpaper behind MIDI editors' note views with the real DLL in the simulated host: only
// while the project asks for it and the host offers its active editor; rows keyed, everything
// else as the host drew it; the view followed through docking and resizing.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "foreign_hook.h"
#include "host_functions.h"
#include "host_windows.h"
#include "midi_editor.h"
#include "note_view_paint.h"
#include "projects.h"
#include "registrations.h"
#include "scene.h"
#include "support/picture_files.h"
#include "support/sim_fixture.h"
#include "theme.h"

namespace {

constexpr char kPicture[] = "note_views.png";
constexpr DWORD kPastSettingsInterval = 260;
// A colour no row, line or note of the bundled theme comes near.
constexpr uint32_t kWallpaper = 0xF014C8;

using Pixels = std::vector<uint32_t>;

uint32_t ThemePixel(const char* key) {
    const auto c = uint32_t(sim::ThemeColour(key));
    return (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF);
}

class NoteViews : public SimulatedHost {
  protected:
    static void SetUpTestSuite() {
        WriteTestPicture(kPicture, 32, 32, [](int, int) { return kWallpaper; });
    }
    static void TearDownTestSuite() { RemoveTestPictures(); }

    void SetUp() override {
        SimulatedHost::SetUp();
        // No time selection: every pixel of the note view is then a row colour or stays.
        sim::CurrentScene().selection_end = 0;
        Setting("path", NarrowPath(TestPicturePath(kPicture)));
        Setting("enabled", "1");
        content_ = sim::DefaultMidiEditor();
        content_.width = 420;
        content_.height = 260;
        content_.notes = {{60, 1.0, 0.5, 100, false}, {64, 2.0, 1.5, 40, false}};
    }
    static void Setting(const std::string& key, const std::string& value) {
        sim::PutExtStateValue(sim::CurrentProject(), "Murivo", key, value);
    }
    void Attach() {
        ASSERT_EQ(Load(), 1);
        ASSERT_EQ(CountStartingWith(TickUntilSaid(kShownStart), kActiveBannerStart), 1);
    }
    // The note view as the host draws it at its present size.
    Pixels Host(HWND editor) const {
        RECT client = {};
        GetClientRect(sim::NoteViewOf(editor), &client);
        Pixels pixels(size_t(client.right) * size_t(client.bottom));
        sim::PaintNoteView(sim::CurrentScene(), content_, -1, pixels.data(), client.right,
                           client.bottom);
        return pixels;
    }
    static Pixels Screen(HWND editor) {
        Pixels pixels;
        int width = 0;
        int height = 0;
        sim::CaptureNoteView(editor, pixels, width, height);
        return pixels;
    }
    static bool IsRow(uint32_t pixel) {
        static const std::array<uint32_t, 6> rows = {
            ThemePixel("midi_trackbg1"),       ThemePixel("midi_trackbg2"),
            ThemePixel("midi_trackbg_outer1"), ThemePixel("midi_trackbg_outer2"),
            ThemePixel("midi_selpitch1"),      ThemePixel("midi_selpitch2")};
        return std::find(rows.begin(), rows.end(), pixel & 0xFFFFFF) != rows.end();
    }
    // Repaints the view and waits for its fit: every row pixel keyed, everything else as drawn.
    ::testing::AssertionResult KeyedAfterRepaint(HWND editor) const {
        Pixels host;
        Pixels screen;
        const bool keyed = TickUntil([&] {
            sim::RedrawNoteView(editor);
            host = Host(editor);
            screen = Screen(editor);
            return screen.size() == host.size() && screen != host;
        });
        if (!keyed) {
            return ::testing::AssertionFailure() << "the note view never showed the wallpaper";
        }
        size_t rows = 0;
        for (size_t i = 0; i < host.size(); ++i) {
            const bool row = IsRow(host[i]);
            rows += row ? 1 : 0;
            if (row == ((screen[i] & 0xFFFFFF) == (host[i] & 0xFFFFFF))) {
                return ::testing::AssertionFailure()
                       << (row ? "row pixel not keyed" : "pixel changed") << " at " << i
                       << ": host " << std::hex << host[i] << ", screen " << screen[i];
            }
        }
        return rows > host.size() / 3 ? ::testing::AssertionSuccess()
                                      : ::testing::AssertionFailure() << "too few rows: " << rows;
    }

    sim::SceneMidiEditor content_;
};

TEST_F(NoteViews, NothingChangesUnlessTheProjectAsksAndTheHostOffersTheEditor) {
    Attach();
    HWND editor = sim::OpenSceneMidiEditor(content_);
    ASSERT_NE(editor, nullptr);
    Pixels arrange;
    int width = 0;
    int height = 0;
    sim::RedrawArrange();
    ASSERT_TRUE(sim::CaptureArrange(arrange, width, height));
    auto unchanged = [&] {
        Sleep(kPastSettingsInterval);
        for (int i = 0; i < 20; ++i) {
            sim::TickTimers();
            Sleep(5);
        }
        sim::RedrawNoteView(editor);
        sim::RedrawArrange();
        Pixels now;
        sim::CaptureArrange(now, width, height);
        return Screen(editor) == Host(editor) && now == arrange;
    };
    EXPECT_TRUE(unchanged()) << "midi_editor unset";
    Setting("midi_editor", "0");
    EXPECT_TRUE(unchanged()) << "midi_editor 0";

    // The arrange view is the same with the note view keyed.
    Setting("midi_editor", "1");
    Sleep(kPastSettingsInterval);
    EXPECT_TRUE(KeyedAfterRepaint(editor));
    sim::RedrawArrange();
    Pixels now;
    sim::CaptureArrange(now, width, height);
    EXPECT_EQ(now, arrange);

    // Turned off again: the host's own frame at once.
    Setting("midi_editor", "0");
    EXPECT_TRUE(unchanged()) << "midi_editor back to 0";
}

TEST_F(NoteViews, WithoutTheHostsActiveEditorNoNoteViewIsLookedFor) {
    sim::WithholdHostFunction("MIDIEditor_GetActive");
    Setting("midi_editor", "1");
    Attach();
    HWND editor = sim::OpenSceneMidiEditor(content_);
    ASSERT_NE(editor, nullptr);
    Sleep(kPastSettingsInterval);
    EXPECT_FALSE(TickUntil(
        [&] {
            sim::RedrawNoteView(editor);
            return Screen(editor) != Host(editor);
        },
        800));
}

TEST_F(NoteViews, WithAnotherPartysHookTheTimerPutsTheWallpaperBehindTheNoteView) {
    ASSERT_TRUE(sim::InstallForeignBitBltHook());
    Setting("midi_editor", "1");
    Attach();
    HWND editor = sim::OpenSceneMidiEditor(content_);
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(TickUntil([&] {
        const Pixels screen = Screen(editor);
        return screen.size() == Host(editor).size() && screen != Host(editor);
    }));
    Unload();
    EXPECT_TRUE(sim::RemoveForeignBitBltHook());
}

TEST_F(NoteViews, RowsAreKeyedThroughDockingResizingAndASecondEditor) {
    Setting("midi_editor", "1");
    Attach();
    HWND editor = sim::OpenSceneMidiEditor(content_);
    ASSERT_NE(editor, nullptr);
    const HWND view = sim::NoteViewOf(editor);
    EXPECT_TRUE(KeyedAfterRepaint(editor));

    sim::DockMidiEditor(editor, true);
    ASSERT_EQ(sim::NoteViewOf(editor), view);
    EXPECT_TRUE(KeyedAfterRepaint(editor)) << "docked";

    sim::ResizeNoteView(editor, 500, 300);
    EXPECT_TRUE(KeyedAfterRepaint(editor)) << "resized";

    // A second editor becomes the active one; the first, no longer active, stays keyed.
    HWND second = sim::OpenSceneMidiEditor(content_);
    ASSERT_NE(second, nullptr);
    EXPECT_TRUE(KeyedAfterRepaint(second)) << "second editor";
    sim::DockMidiEditor(editor, false);
    EXPECT_TRUE(KeyedAfterRepaint(editor)) << "undocked while another editor is active";

    // The host names only the active editor; one that was never active at a tick is found too.
    HWND third = sim::OpenSceneMidiEditor(content_);
    HWND fourth = sim::OpenSceneMidiEditor(content_);
    ASSERT_NE(third, nullptr);
    ASSERT_NE(fourth, nullptr);
    EXPECT_TRUE(KeyedAfterRepaint(third)) << "never active";

    sim::CloseMidiEditor(fourth);
    sim::CloseMidiEditor(third);
    sim::CloseMidiEditor(second);
    sim::CloseMidiEditor(editor);
    sim::TickTimers();
    sim::RedrawArrange();
}

} // namespace
