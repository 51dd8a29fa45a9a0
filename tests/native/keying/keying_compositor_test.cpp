#include <gtest/gtest.h>

#include <limits>

#include "keying/item_layout.h"
#include "keying/item_overlay.h"
#include "keying/selection_band.h"
#include "support/fake_arrange.h"
#include "support/processor_paths.h"

namespace {

constexpr uint32_t kLane = ThemeRgb(40, 40, 40);

class CompositorTest : public KeyingTest {
  protected:
    void SetUp() override {
        KeyingTest::SetUp();
        SetTheme({kLane}, {ThemeRgb(90, 90, 90)}, int32_t(ThemeRgb(0, 0, 0)));
        g_scene.view_start = 0;
        g_scene.view_end = 300;
        g_scene.zoom = 1;
    }

    uint32_t At(int x, int y) const { return working_[size_t(y * g_frame.width + x)]; }

    // Paints columns left..right - 1 of rows 9..40, where an item on a track at 10 lies.
    void PaintItemBody(int left, int right, uint32_t colour) {
        for (int y = 9; y < 41; ++y) {
            for (int x = left; x < right; ++x) {
                working_[size_t(y * g_frame.width + x)] = colour;
            }
        }
    }
};

TEST_F(CompositorTest, BandCoversTheColumnsStrictlyInsideTheSelection) {
    g_scene.selection_start = 100.4;
    g_scene.selection_end = 200.2;
    const SelectionBand band = ComputeSelectionBand(300, g_theme);
    EXPECT_EQ(band.left, 100);
    EXPECT_EQ(band.right, 201);

    // A black lane under a blue selection: shaded pixels key only inside the band.
    SetTheme({ThemeRgb(0, 0, 0)}, {}, int32_t(ThemeRgb(0, 0, 100)));
    g_current_settings.opacity = 1;
    MakeFrame(300, 2, PixelRgb(0, 0, 50), PixelRgb(7, 8, 9));
    ASSERT_TRUE(UpdateItemLayout(g_item_overlay, g_theme, 300, 2));
    CompositeFrame(300, 2, 0, 0, false);
    for (int x = 0; x < 300; ++x) {
        const bool in_band = x >= 101 && x <= 199;
        EXPECT_EQ(At(x, 1), in_band ? PixelRgb(7, 8, 9) : PixelRgb(0, 0, 50)) << "column " << x;
    }
}

TEST_F(CompositorTest, BandIsEmptyWithoutAUsableSelection) {
    g_scene.selection_start = -50;
    g_scene.selection_end = -10; // left of the view
    EXPECT_EQ(ComputeSelectionBand(300, g_theme).right, 0);
    g_scene.selection_start = 20;
    g_scene.selection_end = 20;
    EXPECT_EQ(ComputeSelectionBand(300, g_theme).right, 0);
    g_scene.selection_end = std::numeric_limits<double>::infinity();
    g_scene.zoom = 0; // pixels per second from the view span instead
    EXPECT_EQ(ComputeSelectionBand(300, g_theme).right, 0);
    g_scene.selection_end = 40;
    EXPECT_EQ(ComputeSelectionBand(300, g_theme).right, 40);
    g_scene.zoom = std::numeric_limits<double>::infinity(); // the view span again
    EXPECT_EQ(ComputeSelectionBand(300, g_theme).right, 40);
    const auto time_range = g_host.GetSet_LoopTimeRange2;
    g_host.GetSet_LoopTimeRange2 = nullptr;
    EXPECT_EQ(ComputeSelectionBand(300, g_theme).right, 0);
    g_host.GetSet_LoopTimeRange2 = time_range;
    SetTheme({kLane}, {}); // no selection colour
    EXPECT_EQ(ComputeSelectionBand(300, g_theme).right, 0);
}

TEST_F(CompositorTest, RowsCutByLinesKeyEveryBackgroundColourBetweenAndAfterThem) {
    // A lane cut by grid lines every 20 pixels, then a stretch of a second background colour
    // (white, which a filler of unused remembered colours must not stand for), then more lane
    // and a line: every background pixel takes the wallpaper, every line stays, on every path.
    constexpr uint32_t kWhite = ThemeRgb(255, 255, 255);
    constexpr uint32_t kLine = ThemeRgb(90, 90, 90);
    SetTheme({kLane, kWhite}, {kLine});
    g_current_settings.opacity = 1;
    constexpr int kWidth = 256;
    auto captured = [](int x) {
        if ((x < 120 && x % 20 == 19) || x == 200) {
            return PixelRgb(90, 90, 90);
        }
        return x >= 160 && x < 180 ? PixelRgb(255, 255, 255) : PixelRgb(40, 40, 40);
    };
    for (const ProcessorPath path : PathsUpToActive()) {
        MakeFrame(kWidth, 2, 0, PixelRgb(7, 8, 9));
        for (int y = 0; y < 2; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                working_[size_t(y * kWidth + x)] = captured(x);
            }
        }
        ASSERT_TRUE(UpdateItemLayout(g_item_overlay, g_theme, kWidth, 2));
        CompositeFrame(kWidth, 2, 0, 0, false, path);
        for (int x = 0; x < kWidth; ++x) {
            const bool line = captured(x) == PixelRgb(90, 90, 90);
            ASSERT_EQ(At(x, 1), line ? captured(x) : PixelRgb(7, 8, 9)) << "column " << x;
        }
    }
}

TEST_F(CompositorTest, ItemBackgroundMixesTheKeyedLaneByTransparency) {
    // A 100-column audio item over rows 9..40; its body is grey 80, the lane grey 40.
    g_scene.tracks = {FakeTrack{10, 1, 0}};
    g_scene.items = {FakeItem{50, 100, 0, 30, 0, FakeTake::audio, false}};
    g_scene.theme = {{"col_tr1_bg", int(kLane)}};
    g_current_settings.opacity = 0.35;
    g_current_settings.audio_item_transparency = 0.5;
    MakeFrame(300, 60, PixelRgb(40, 40, 40, 0xAB), PixelRgb(200, 200, 200, 0x11));
    PaintItemBody(49, 151, PixelRgb(80, 80, 80, 0xCD));
    ASSERT_TRUE(UpdateItemLayout(g_item_overlay, g_theme, 300, 60));
    CompositeFrame(300, 60, 0, 0, false);
    EXPECT_EQ(At(100, 25), PixelRgb(88, 88, 88, 0xCD));
    EXPECT_EQ(At(49, 25), PixelRgb(80, 80, 80, 0xCD)); // margin column: not sampled, not marked
    EXPECT_EQ(At(10, 50), PixelRgb(96, 96, 96, 0xAB)); // the bare lane
}

TEST_F(CompositorTest, EachItemKindMixesByItsOwnRule) {
    // Three items on a grey 40 lane, bodies grey 80, wallpaper 200, opacity 0.35, audio
    // transparency 0.5, MIDI 0.25: a custom-coloured audio item, a plain MIDI item and one
    // without a take.
    g_scene.tracks = {FakeTrack{10, 1, 0}};
    g_scene.items = {FakeItem{20, 60, 0, 30, 0, FakeTake::audio, true},
                     FakeItem{120, 60, 0, 30, 0, FakeTake::midi, false},
                     FakeItem{220, 60, 0, 30, 0, FakeTake::none, false}};
    g_scene.theme = {{"col_tr1_bg", int(kLane)}};
    g_current_settings.opacity = 0.35;
    g_current_settings.audio_item_transparency = 0.5;
    g_current_settings.midi_item_transparency = 0.25;
    MakeFrame(300, 60, PixelRgb(40, 40, 40), PixelRgb(200, 200, 200));
    for (int left : {19, 119, 219}) {
        PaintItemBody(left, left + 62, PixelRgb(80, 80, 80));
    }
    const std::vector<uint32_t> captured = working_;
    ASSERT_TRUE(UpdateItemLayout(g_item_overlay, g_theme, 300, 60));
    CompositeFrame(300, 60, 0, 0, false);
    // Custom colour: the wallpaper over the item's own colour, no lane keying:
    // int(200 x 0.35 + 80 x 0.65 + 0.5) = 122, then int(122 x 0.5 + 80 x 0.5 + 0.5) = 101.
    EXPECT_EQ(At(50, 25), PixelRgb(101, 101, 101));
    // Plain: the keyed lane, int(200 x 0.35 + 40 x 0.65 + 0.5) = 96, mixed over the body by
    // the MIDI share: int(96 x 0.25 + 80 x 0.75 + 0.5) = 84.
    EXPECT_EQ(At(150, 25), PixelRgb(84, 84, 84));
    EXPECT_EQ(At(250, 25), PixelRgb(80, 80, 80)); // no take: never mixed
    EXPECT_EQ(At(10, 50), PixelRgb(96, 96, 96));

    // Contain with every item outside the picture: the plain item mixes its bare lane colour,
    // int(40 x 0.25 + 80 x 0.75 + 0.5) = 70; the custom-coloured one and the lane stay as drawn.
    g_current_settings.mode = FitMode::contain;
    g_frame.picture_rect = {0, 0, 1, 1};
    working_ = captured;
    g_frame.working = working_.data();
    CompositeFrame(300, 60, 0, 0, false);
    EXPECT_EQ(At(50, 25), PixelRgb(80, 80, 80));
    EXPECT_EQ(At(150, 25), PixelRgb(70, 70, 70));
    EXPECT_EQ(At(250, 25), PixelRgb(80, 80, 80));
    EXPECT_EQ(At(10, 50), PixelRgb(40, 40, 40));
}

TEST_F(CompositorTest, BlackLanesShowTheWallpaperAtFullStrength) {
    // Dark themes paint lanes black. At opacity 1 a lane pixel becomes the wallpaper exactly, on
    // the bare lane, on a near-black shade of it and under an item that shows its lane (rows
    // wide enough for the vector runs of each processor path).
    SetTheme({ThemeRgb(0, 0, 0)}, {});
    g_scene.tracks = {FakeTrack{10, 1, 0}};
    g_scene.items = {FakeItem{50, 100, 0, 30, 0, FakeTake::audio, false}};
    g_scene.theme = {{"col_tr1_bg", 0}};
    g_current_settings.opacity = 1;
    g_current_settings.audio_item_transparency = 1;
    MakeFrame(300, 60, PixelRgb(0, 0, 0, 0xAB), PixelRgb(200, 200, 200));
    for (int x = 0; x < 300; ++x) {
        working_[size_t(55 * 300 + x)] = PixelRgb(0, 0, 1, 0xAB);
    }
    PaintItemBody(49, 151, PixelRgb(80, 80, 80, 0xCD));
    ASSERT_TRUE(UpdateItemLayout(g_item_overlay, g_theme, 300, 60));
    CompositeFrame(300, 60, 0, 0, false);
    EXPECT_EQ(At(10, 50), PixelRgb(200, 200, 200, 0xAB));
    EXPECT_EQ(At(299, 55), PixelRgb(200, 200, 200, 0xAB));
    EXPECT_EQ(At(100, 25), PixelRgb(200, 200, 200, 0xCD));
}

TEST_F(CompositorTest, ItemsStayAsCapturedWithoutTransparency) {
    g_scene.items = {FakeItem{50, 100, 0, 30, 0, FakeTake::audio, false}};
    MakeFrame(300, 60, PixelRgb(40, 40, 40), PixelRgb(200, 200, 200));
    ASSERT_TRUE(UpdateItemLayout(g_item_overlay, g_theme, 300, 60));
    CompositeFrame(300, 60, 0, 0, false);
    EXPECT_EQ(At(100, 20), PixelRgb(40, 40, 40)); // lane colour, but inside the item
    EXPECT_EQ(At(49, 20), PixelRgb(40, 40, 40));
    EXPECT_NE(At(48, 20), PixelRgb(40, 40, 40));
    EXPECT_NE(At(100, 50), PixelRgb(40, 40, 40));
}

TEST_F(CompositorTest, ContainModeKeysOnlyInsideThePicture) {
    g_current_settings.mode = FitMode::contain;
    MakeFrame(40, 30, PixelRgb(40, 40, 40), PixelRgb(255, 255, 255));
    g_frame.picture_rect = {10, 5, 30, 25};
    ASSERT_TRUE(UpdateItemLayout(g_item_overlay, g_theme, 40, 30));
    CompositeFrame(40, 30, 0, 0, false);
    EXPECT_EQ(At(10, 5), PixelRgb(115, 115, 115));
    EXPECT_EQ(At(29, 24), PixelRgb(115, 115, 115));
    EXPECT_EQ(At(9, 10), PixelRgb(40, 40, 40));
    EXPECT_EQ(At(30, 10), PixelRgb(40, 40, 40));
    EXPECT_EQ(At(15, 4), PixelRgb(40, 40, 40));
    EXPECT_EQ(At(15, 25), PixelRgb(40, 40, 40));
}

TEST_F(CompositorTest, ScreenCapturesAreNotBlendedTwice) {
    // Wallpaper 60 over lane 40 gives 47, itself a grey shade that would key again.
    MakeFrame(16, 8, PixelRgb(40, 40, 40), PixelRgb(60, 60, 60));
    ASSERT_TRUE(UpdateItemLayout(g_item_overlay, g_theme, 16, 8));
    CompositeFrame(16, 8, 0, 0, true);
    ASSERT_EQ(At(3, 3), PixelRgb(47, 47, 47));
    last_frame_ = working_;
    g_frame.last_frame_valid = true;
    const std::vector<uint32_t> first = working_;
    CompositeFrame(16, 8, 0, 0, true);
    EXPECT_EQ(working_, first);
    // A capture from the back buffer is keyed even where it equals the kept frame (47 keys
    // as a lighter shade of the lane, gain 1.175).
    CompositeFrame(16, 8, 0, 0, false);
    EXPECT_EQ(At(3, 3), PixelRgb(55, 55, 55));
}

TEST_F(CompositorTest, SubRectangleUsesClientCoordinatesForWallpaper) {
    MakeFrame(20, 10, PixelRgb(40, 40, 40), PixelRgb(0, 0, 0));
    fitted_[size_t(6 * 20 + 8)] = PixelRgb(255, 255, 255);
    ASSERT_TRUE(UpdateItemLayout(g_item_overlay, g_theme, 20, 10));
    // The 4 x 3 rectangle at (5, 4) lies at the top left of working.
    CompositeFrame(4, 3, 5, 4, false);
    EXPECT_EQ(At(3, 2), PixelRgb(115, 115, 115));
    EXPECT_EQ(At(0, 0), PixelRgb(26, 26, 26));
    EXPECT_EQ(At(4, 0), PixelRgb(40, 40, 40)); // beyond the rectangle's width
    EXPECT_EQ(At(0, 3), PixelRgb(40, 40, 40));
}

TEST_F(CompositorTest, RectanglesOutsideTheContractChangeNothing) {
    MakeFrame(20, 10, PixelRgb(40, 40, 40), PixelRgb(0, 0, 0));
    const std::vector<uint32_t> captured = working_;
    CompositeFrame(20, 10, 1, 0, false);
    CompositeFrame(20, 11, 0, 0, false);
    CompositeFrame(-1, 10, 0, 0, false);
    CompositeFrame(5, 5, -2, 0, false);
    CompositeFrame(0, 0, 0, 0, false);
    CompositeFrame(2147483647, 1, 2147483647, 0, false);
    EXPECT_EQ(working_, captured);
    g_frame.fitted = nullptr;
    CompositeFrame(20, 10, 0, 0, false);
    EXPECT_EQ(working_, captured);
    g_frame = FrameView{};
    CompositeFrame(20, 10, 0, 0, false);
}

} // namespace
