#include <gtest/gtest.h>

#include "keying/compositor.h"
#include "keying/note_theme.h"
#include "keying/theme_blend.h"
#include "support/fake_arrange.h"
#include "support/processor_paths.h"

namespace {

// Draw modes: normal blend at a strength of n/256.
constexpr int Blend(int n) {
    return (0x200 + n) << 8;
}

constexpr uint32_t kNatural = PixelRgb(60, 60, 60);
constexpr uint32_t kSharp = PixelRgb(50, 50, 50);
constexpr uint32_t kOuter = PixelRgb(40, 40, 48);
constexpr uint32_t kSelectedPitch = PixelRgb(70, 64, 50);
constexpr uint32_t kGridOverNatural = PixelRgb(90, 90, 90); // grey 120 at half strength
constexpr uint32_t kOctave = PixelRgb(30, 30, 30);
constexpr uint32_t kNote = PixelRgb(100, 180, 90);
// The selection (200, 200, 255) at a quarter over the natural row, and over the grid line.
constexpr uint32_t kSelectedNatural = PixelRgb(95, 95, 109);
constexpr uint32_t kSelectedGrid = PixelRgb(118, 118, 131);
constexpr uint32_t kWallpaper = PixelRgb(200, 100, 0);

class NoteViewKeying : public KeyingTest {
  protected:
    void SetUp() override {
        KeyingTest::SetUp();
        saved_note_theme_ = g_note_theme;
        g_scene.theme = {
            {"midi_trackbg1", int(ThemeRgb(60, 60, 60))},
            {"midi_trackbg2", int(ThemeRgb(50, 50, 50))},
            {"midi_trackbg_outer1", int(ThemeRgb(40, 40, 48))},
            {"midi_trackbg_outer2", int(ThemeRgb(34, 34, 40))},
            {"midi_selpitch1", int(ThemeRgb(70, 64, 50))},
            {"midi_selpitch2", int(ThemeRgb(62, 56, 44))},
            {"midi_grid1", int(ThemeRgb(120, 120, 120))},
            {"midi_griddm1", Blend(128)},
            {"midi_grid2", int(ThemeRgb(160, 160, 160))},
            {"midi_griddm2", Blend(192)},
            {"midioct", int(ThemeRgb(30, 30, 30))},
            {"midi_notebg", int(ThemeRgb(100, 180, 90))},
            {"midi_selbg", int(ThemeRgb(200, 200, 255))},
            {"midi_selbg_drawmode", Blend(64)},
            // The arrange view's: a grey the note view draws its grid lines in.
            {"col_arrangebg", int(ThemeRgb(90, 90, 90))},
        };
        g_note_theme = ReadNoteThemeColours(g_host.GetThemeColor);
        SetTheme({ThemeRgb(90, 90, 90)}, {});
        g_current_settings.opacity = 0.5;
        g_current_settings.tint = 0;
    }
    void TearDown() override {
        g_note_theme = saved_note_theme_;
        KeyingTest::TearDown();
    }

    // One row of every kind of pixel the note view shows, composited as a note view.
    std::vector<uint32_t> CompositeNoteRow(ProcessorPath path) {
        const std::vector<uint32_t> row = {kNatural,       kSharp,           kOuter,
                                           kSelectedPitch, kGridOverNatural, kOctave,
                                           kNote,          kSelectedNatural, kSelectedGrid};
        MakeFrame(int(row.size()), 1, 0, kWallpaper);
        working_ = row;
        g_frame.working = working_.data();
        ItemOverlay none;
        CompositeRegion(
            {int(row.size()), 1, 0, 0, false, g_frame, g_current_settings, none, {}, g_note_theme},
            path);
        return working_;
    }

    ThemeColourSet saved_note_theme_ = {};
};

TEST_F(NoteViewKeying, RowsAreKeyedAndLinesNotesAndOctavesStayAsDrawn) {
    EXPECT_EQ(BlendThemeColour(int32_t(ThemeRgb(60, 60, 60)), int32_t(ThemeRgb(120, 120, 120)),
                               Blend(128)),
              int32_t(ThemeRgb(90, 90, 90)));
    for (const ProcessorPath path : PathsUpToActive()) {
        for (const double share : {0.0, 1.0}) {
            g_current_settings.time_selection = share;
            AdvanceKeyingGeneration(); // as applying changed settings does
            const std::vector<uint32_t> out = CompositeNoteRow(path);
            // Wallpaper at half opacity over each row colour: (200 + 60) / 2 and so on.
            EXPECT_EQ(out[0], PixelRgb(130, 80, 30));
            EXPECT_EQ(out[1], PixelRgb(125, 75, 25));
            EXPECT_EQ(out[2], PixelRgb(120, 70, 24));
            EXPECT_EQ(out[3], PixelRgb(135, 82, 25));
            // A grey that the arrange view would key as a shade of its rows is a line here.
            EXPECT_EQ(out[4], kGridOverNatural);
            EXPECT_EQ(out[5], kOctave);
            EXPECT_EQ(out[6], kNote);
            EXPECT_EQ(out[8], kSelectedGrid);
            // The selection is drawn a quarter of the way to its colour. At 0 the wallpaper goes
            // over the unshaded row; at 1 that result moves a quarter toward (200, 200, 255):
            // 130 + 70 / 4, 80 + 120 / 4, 30 + 225 / 4, rounded.
            EXPECT_EQ(out[7], share == 0 ? PixelRgb(130, 80, 30) : PixelRgb(148, 110, 86))
                << "time selection share " << share;
        }
    }
}

TEST_F(NoteViewKeying, TheArrangeViewAndTheNoteViewNeverShareADecision) {
    // Grey 90 is the arrange view's background and the note view's grid line, and grey 60 a
    // shade the arrange view keys: whichever view asks first, the other must get its own answer
    // from the key colour cache and the widened tables, with rows cut into short runs as grid
    // lines cut them (the arrange view then goes chunk by chunk).
    constexpr int kWidth = 256;
    std::vector<uint32_t> row(kWidth);
    for (int x = 0; x < kWidth; ++x) {
        row[size_t(x)] = x % 4 == 3 ? kGridOverNatural : kNatural;
    }
    // Neither view with a time selection: both key out of the band.
    g_scene.theme.erase("midi_selbg");
    g_note_theme = ReadNoteThemeColours(g_host.GetThemeColor);
    ItemOverlay none;
    for (const ProcessorPath path : PathsUpToActive()) {
        for (int round = 0; round < 2; ++round) {
            MakeFrame(kWidth, 1, 0, kWallpaper);
            working_ = row;
            g_frame.working = working_.data();
            CompositeFrame(kWidth, 1, 0, 0, false, path);
            EXPECT_EQ(working_[3], PixelRgb(145, 95, 45)) << "arrange view";
            working_ = row;
            g_frame.working = working_.data();
            CompositeRegion(
                {kWidth, 1, 0, 0, false, g_frame, g_current_settings, none, {}, g_note_theme},
                path);
            for (int x = 3; x < kWidth; x += 4) {
                ASSERT_EQ(working_[size_t(x)], kGridOverNatural) << "note view, column " << x;
            }
            EXPECT_EQ(working_[0], PixelRgb(130, 80, 30));
        }
    }
}

TEST_F(NoteViewKeying, RowsCutByLinesAndNotesKeyEveryRowPixel) {
    // Outer rows give way to a natural row at column 40; lines every 20 pixels, of three colours
    // and from column 200 of two more (five, more than a run remembers); two notes, and a stretch
    // equal to the last frame, which stays as drawn when the last frame protects it. Every path,
    // with and without protection.
    constexpr int kWidth = 300;
    const uint32_t lines[5] = {kGridOverNatural, kOctave, PixelRgb(10, 200, 10),
                               PixelRgb(200, 10, 10), PixelRgb(250, 250, 0)};
    auto captured = [&](int x) {
        if (x % 20 == 19) {
            return lines[x < 200 ? (x / 20) % 3 : 3 + (x / 20) % 2];
        }
        if ((x >= 100 && x < 140) || (x >= 221 && x < 237)) {
            return kNote;
        }
        return x < 40 ? kOuter : kNatural;
    };
    ItemOverlay none;
    for (const ProcessorPath path : PathsUpToActive()) {
        for (const bool protect : {false, true}) {
            MakeFrame(kWidth, 2, 0, kWallpaper);
            for (int x = 0; x < kWidth; ++x) {
                working_[size_t(x)] = working_[size_t(kWidth + x)] = captured(x);
                last_frame_[size_t(x)] = last_frame_[size_t(kWidth + x)] =
                    x >= 60 && x < 75 ? captured(x) : 0;
            }
            g_frame.last_frame_valid = protect;
            CompositeRegion(
                {kWidth, 2, 0, 0, protect, g_frame, g_current_settings, none, {}, g_note_theme},
                path);
            for (int x = 0; x < kWidth; ++x) {
                const uint32_t in = captured(x);
                uint32_t want = in;
                if ((in == kOuter || in == kNatural) && !(protect && x >= 60 && x < 75)) {
                    want = in == kOuter ? PixelRgb(120, 70, 24) : PixelRgb(130, 80, 30);
                }
                ASSERT_EQ(working_[size_t(kWidth + x)], want)
                    << "column " << x << (protect ? ", protected" : "");
            }
        }
    }
}

TEST_F(NoteViewKeying, ThemeReadingDropsLinesThatCannotBeToldFromARow) {
    // A grid line so faint it lands within 2 of its row: the row wins, or the whole row would
    // stay as drawn.
    g_scene.theme["midi_griddm1"] = Blend(3);
    const ThemeColourSet set = ReadNoteThemeColours(g_host.GetThemeColor);
    EXPECT_TRUE(set.note_view);
    EXPECT_EQ(set.background_count, 6);
    for (int i = 0; i < set.grid_count; ++i) {
        EXPECT_NE(set.grid[i], int32_t(ThemeRgb(61, 61, 61))) << i;
    }
    g_scene.theme.erase("midi_trackbg1");
    EXPECT_EQ(ReadNoteThemeColours(g_host.GetThemeColor).background_count, 0);
}

} // namespace
