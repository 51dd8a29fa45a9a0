#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "keying/item_layout.h"
#include "keying/item_overlay.h"
#include "support/fake_arrange.h"

namespace {

constexpr int kWidth = 1000;
constexpr int kHeight = 200;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

class ItemLayoutTest : public KeyingTest {
  protected:
    void SetUp() override {
        KeyingTest::SetUp();
        SetTheme({ThemeRgb(10, 10, 10)}, {});
        g_scene.view_start = 9.0;
        g_scene.view_end = 19.0;
        g_scene.zoom = 100;
        g_scene.tracks = {FakeTrack{20, 1, 0}};
    }

    // One 2 s item on track 0, 30 rows high at item y 5.
    FakeItem& AddItem(double position) {
        g_scene.items.push_back(FakeItem{position, 2.0, 5, 30, 0, FakeTake::audio, false});
        return g_scene.items.back();
    }
};

TEST_F(ItemLayoutTest, ItemRectangleCoversItsSpanWithAOnePixelMargin) {
    AddItem(10.0);
    ASSERT_TRUE(UpdateItemLayout(g_item_overlay, g_theme, kWidth, kHeight));
    const ItemOverlay& o = g_item_overlay;
    ASSERT_EQ(o.items.size(), 1u);
    const ItemRect& r = o.items[0];
    EXPECT_EQ(r.left, 99);
    EXPECT_EQ(r.right, 301);
    EXPECT_EQ(r.top, 24); // track y 20 + item y 5, minus the margin
    EXPECT_EQ(r.bottom, 56);
    ASSERT_EQ(o.class_map.size(), size_t(kWidth * kHeight));
    EXPECT_EQ(o.class_map[24 * kWidth + 99], kAudioItem);
    EXPECT_EQ(o.class_map[55 * kWidth + 300], kAudioItem);
    EXPECT_EQ(o.class_map[24 * kWidth + 98], kNoItem);
    EXPECT_EQ(o.class_map[56 * kWidth + 150], kNoItem);
    EXPECT_EQ(o.class_map[23 * kWidth + 150], kNoItem);
}

TEST_F(ItemLayoutTest, ItemEndingAtTheViewEdgeKeepsItsMarginColumn) {
    g_scene.view_start = 100;
    g_scene.view_end = 1100;
    g_scene.zoom = 1;
    AddItem(98.0); // ends at the left edge of the view
    AddItem(97.0); // ends one pixel left of it
    ASSERT_TRUE(UpdateItemLayout(g_item_overlay, g_theme, kWidth, kHeight));
    ASSERT_EQ(g_item_overlay.items.size(), 1u);
    EXPECT_EQ(g_item_overlay.items[0].left, 0);
    EXPECT_EQ(g_item_overlay.items[0].right, 1);
}

TEST_F(ItemLayoutTest, LaneColourFollowsTrackParityAndSelection) {
    g_scene.theme = {{"col_tr1_bg", int(ThemeRgb(1, 1, 1))},
                     {"col_tr2_bg", int(ThemeRgb(2, 2, 2))},
                     {"selcol_tr2_bg", int(ThemeRgb(4, 4, 4))}};
    g_scene.tracks = {{0, 1, 0}, {40, 2, 0}, {80, 3, 0}, {120, 4, 1}, {160, 3, 1}, {0, kNaN, 0}};
    for (int t = 0; t < 6; ++t) {
        AddItem(10.0 + 1.5 * t).track = t;
    }
    ASSERT_TRUE(UpdateItemLayout(g_item_overlay, g_theme, kWidth, kHeight));
    const ItemOverlay& o = g_item_overlay;
    ASSERT_EQ(o.items.size(), 6u);
    EXPECT_EQ(o.items[0].row_colour, ThemeRgb(1, 1, 1));
    EXPECT_EQ(o.items[1].row_colour, ThemeRgb(2, 2, 2));
    EXPECT_EQ(o.items[2].row_colour, ThemeRgb(1, 1, 1));
    EXPECT_EQ(o.items[3].row_colour, ThemeRgb(4, 4, 4));
    EXPECT_EQ(o.items[4].row_colour, ThemeRgb(10, 10, 10)); // selcol_tr1_bg missing: arrange_bg
    EXPECT_EQ(o.items[5].row_colour, ThemeRgb(1, 1, 1));    // NaN track number counts as 0
    ASSERT_EQ(o.row_colours.size(), size_t(kHeight));
    EXPECT_EQ(o.row_colours[30], ThemeRgb(1, 1, 1));
    EXPECT_EQ(o.row_colours[70], ThemeRgb(2, 2, 2));
    EXPECT_EQ(o.row_colours[199], ThemeRgb(10, 10, 10)); // below every item
}

TEST_F(ItemLayoutTest, KindComesFromTheActiveTakeAndItsColour) {
    AddItem(10.0).take = FakeTake::none;
    AddItem(12.5).take = FakeTake::midi;
    FakeItem& custom_midi = AddItem(15.0);
    custom_midi.take = FakeTake::midi;
    custom_midi.custom_colour = true;
    AddItem(17.5).custom_colour = true;
    ASSERT_TRUE(UpdateItemLayout(g_item_overlay, g_theme, kWidth, kHeight));
    const ItemOverlay& o = g_item_overlay;
    ASSERT_EQ(o.items.size(), 4u);
    EXPECT_EQ(o.items[0].kind, kEmptyItem);
    EXPECT_EQ(o.items[1].kind, kMidiItem);
    EXPECT_EQ(o.items[2].kind, kCustomMidiItem);
    EXPECT_EQ(o.items[3].kind, kCustomAudioItem);

    g_host.TakeIsMIDI = nullptr; // cannot tell audio from MIDI
    ASSERT_TRUE(UpdateItemLayout(g_item_overlay, g_theme, kWidth, kHeight));
    for (const ItemRect& r : g_item_overlay.items) {
        EXPECT_EQ(r.kind, kEmptyItem);
    }
}

TEST_F(ItemLayoutTest, UnchangedLayoutLeavesTheClassMapAlone) {
    AddItem(10.0);
    ASSERT_TRUE(UpdateItemLayout(g_item_overlay, g_theme, kWidth, kHeight));
    g_item_overlay.class_map[0] = 7; // a marker a rebuild would wipe
    ASSERT_TRUE(UpdateItemLayout(g_item_overlay, g_theme, kWidth, kHeight));
    EXPECT_EQ(g_item_overlay.class_map[0], 7);

    g_scene.items[0].lasth = 31;
    ASSERT_TRUE(UpdateItemLayout(g_item_overlay, g_theme, kWidth, kHeight));
    EXPECT_EQ(g_item_overlay.class_map[0], kNoItem);
    EXPECT_EQ(g_item_overlay.items[0].bottom, 57);

    g_item_overlay.class_map[0] = 7;
    ASSERT_TRUE(UpdateItemLayout(g_item_overlay, g_theme, kWidth,
                                 kHeight - 1)); // a new client size rebuilds too
    EXPECT_EQ(g_item_overlay.class_map.size(), size_t(kWidth * (kHeight - 1)));
    EXPECT_EQ(g_item_overlay.class_map[0], kNoItem);
}

TEST_F(ItemLayoutTest, ProjectWithoutVisibleItemsHasNoClassMap) {
    AddItem(10.0);
    ASSERT_TRUE(UpdateItemLayout(g_item_overlay, g_theme, kWidth, kHeight));
    g_scene.items.clear();
    ASSERT_TRUE(UpdateItemLayout(g_item_overlay, g_theme, kWidth, kHeight));
    EXPECT_TRUE(g_item_overlay.class_map.empty());
    EXPECT_TRUE(g_item_overlay.row_colours.empty());
    EXPECT_EQ(g_item_overlay.layout_width, kWidth);

    g_scene.item_count = -5;
    EXPECT_TRUE(UpdateItemLayout(g_item_overlay, g_theme, kWidth, kHeight));
    g_scene.item_count = 3; // the host claims items it then cannot return
    EXPECT_TRUE(UpdateItemLayout(g_item_overlay, g_theme, kWidth, kHeight));
    EXPECT_TRUE(g_item_overlay.items.empty());
}

TEST_F(ItemLayoutTest, NonFiniteOrEmptyItemsAreLeftOut) {
    AddItem(kNaN);
    AddItem(10.0).length = 0;
    AddItem(10.0).length = kInf;
    AddItem(10.0).lasth = 0.4; // rounds to 0 rows
    AddItem(10.0).lasth = kNaN;
    AddItem(10.0).lasty = kInf;
    AddItem(10.0).track = -1;  // no track
    AddItem(1e308);            // far right: x overflows
    AddItem(10.0).lasty = 500; // below the client area
    ASSERT_TRUE(UpdateItemLayout(g_item_overlay, g_theme, kWidth, kHeight));
    EXPECT_TRUE(g_item_overlay.items.empty());
}

TEST_F(ItemLayoutTest, UnusableViewOrHostFailsTheLayout) {
    AddItem(10.0);
    EXPECT_FALSE(UpdateItemLayout(g_item_overlay, g_theme, 0, kHeight));
    EXPECT_FALSE(UpdateItemLayout(g_item_overlay, g_theme, kWidth, -1));

    g_scene.view_end = g_scene.view_start;
    EXPECT_FALSE(UpdateItemLayout(g_item_overlay, g_theme, kWidth, kHeight));
    g_scene.view_end = kNaN;
    EXPECT_FALSE(UpdateItemLayout(g_item_overlay, g_theme, kWidth, kHeight));
    g_scene.view_end = kInf;
    EXPECT_FALSE(UpdateItemLayout(g_item_overlay, g_theme, kWidth, kHeight));
    g_scene.view_end = 19.0;

    g_scene.has_project = false;
    EXPECT_FALSE(UpdateItemLayout(g_item_overlay, g_theme, kWidth, kHeight));
    g_scene.has_project = true;

    HostApi full = g_host;
    g_host.GetMediaItem_Track = nullptr;
    EXPECT_FALSE(UpdateItemLayout(g_item_overlay, g_theme, kWidth, kHeight));
    g_host = full;
    g_host.GetSet_ArrangeView2 = nullptr;
    EXPECT_FALSE(UpdateItemLayout(g_item_overlay, g_theme, kWidth, kHeight));
    g_host = full;

    // A zoom level that is not usable falls back to the client width over the view span.
    g_scene.zoom = kNaN;
    ASSERT_TRUE(UpdateItemLayout(g_item_overlay, g_theme, kWidth, kHeight));
    EXPECT_EQ(g_item_overlay.items[0].left, 99);
    g_host.GetHZoomLevel = nullptr;
    g_host.GetThemeColor = nullptr; // lanes fall back to arrange_bg; no peaks colours
    ASSERT_TRUE(UpdateItemLayout(g_item_overlay, g_theme, kWidth, kHeight));
    EXPECT_EQ(g_item_overlay.items[0].right, 301);
    EXPECT_EQ(g_item_overlay.items[0].row_colour, ThemeRgb(10, 10, 10));
    EXPECT_EQ(g_item_overlay.peaks_count, 0);
}

TEST_F(ItemLayoutTest, ResetEmptiesEverything) {
    g_scene.theme = {{"col_tr1_peaks", 5}, {"col_tr2_ps2", 6}};
    AddItem(10.0);
    ASSERT_TRUE(UpdateItemLayout(g_item_overlay, g_theme, kWidth, kHeight));
    EXPECT_EQ(g_item_overlay.peaks_count, 2);
    ResetItemOverlay();
    const ItemOverlay& o = g_item_overlay;
    EXPECT_TRUE(o.items.empty() && o.class_map.empty() && o.row_colours.empty() &&
                o.backgrounds.empty());
    EXPECT_EQ(o.layout_width, 0);
    EXPECT_EQ(o.layout_height, 0);
}

} // namespace
