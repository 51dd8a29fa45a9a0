// A host that answers badly: NaN and infinite positions and zoom, negative and inflated item
// counts, null item and track handles, items of zero or astronomic size, thousands of items.
// The layout leaves out what it cannot place, the compositor keeps to its rectangle, and
// nothing reads or writes outside the frame (the sanitizers watch).
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "keying/item_layout.h"
#include "keying/item_overlay.h"
#include "support/fake_arrange.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

constexpr uint32_t kLane = ThemeRgb(40, 40, 40);
constexpr uint32_t kLanePixel = PixelRgb(40, 40, 40);

class HostileHostResults : public KeyingTest {
  protected:
    void SetUp() override {
        KeyingTest::SetUp();
        SetTheme({kLane}, {});
        g_scene.theme["col_tr1_bg"] = int(kLane);
        g_scene.theme["col_tr2_bg"] = int(kLane);
        g_current_settings.audio_item_transparency = 0.5;
        g_current_settings.midi_item_transparency = 0.5;
        MakeFrame(kWidth, kHeight, kLanePixel, PixelRgb(200, 200, 200));
    }

    // Layout, then the whole frame composited when the layout allows it, as a render does.
    bool Render() {
        const bool layout = UpdateItemLayout(g_item_overlay, g_theme, kWidth, kHeight);
        if (layout) {
            CompositeFrame(kWidth, kHeight, 0, 0, false);
        }
        return layout;
    }

    static constexpr int kWidth = 320;
    static constexpr int kHeight = 120;
};

FakeItem Item(double position, double length, double lasty = 10, double lasth = 40) {
    FakeItem item;
    item.position = position;
    item.length = length;
    item.lasty = lasty;
    item.lasth = lasth;
    return item;
}

} // namespace

TEST_F(HostileHostResults, UnusableViewRangeLeavesTheFrameUnkeyed) {
    for (auto [start, end] :
         {std::pair{kNaN, 10.0}, {0.0, kNaN}, {0.0, kInf}, {-kInf, 0.0}, {5.0, 5.0}, {5.0, -5.0}}) {
        g_scene.view_start = start;
        g_scene.view_end = end;
        EXPECT_FALSE(Render()) << start << " " << end;
    }
    EXPECT_EQ(working_[0], kLanePixel);
}

TEST_F(HostileHostResults, UnusableZoomFallsBackToTheViewSpan) {
    g_scene.items = {Item(1.0, 2.0)};
    for (double zoom : {kNaN, kInf, -kInf, 0.0, -100.0}) {
        g_scene.zoom = zoom;
        ResetItemOverlay();
        ASSERT_TRUE(Render()) << zoom;
        // 320 pixels over 10 seconds: the item spans 32..96 plus its margin.
        ASSERT_EQ(g_item_overlay.items.size(), 1u) << zoom;
        EXPECT_EQ(g_item_overlay.items[0].left, 31) << zoom;
        EXPECT_EQ(g_item_overlay.items[0].right, 97) << zoom;
    }
}

TEST_F(HostileHostResults, NegativeAndInflatedCountsAndNullHandlesAreSkipped) {
    g_scene.items = {Item(1.0, 1.0)};
    g_scene.item_count = -5;
    ASSERT_TRUE(Render());
    EXPECT_TRUE(g_item_overlay.class_map.empty());

    // The host claims many more items than it hands out, and one item has no track.
    g_scene.items.push_back(Item(4.0, 1.0));
    g_scene.items.back().track = -1;
    g_scene.item_count = 100000;
    ASSERT_TRUE(Render());
    ASSERT_EQ(g_item_overlay.items.size(), 1u);
    EXPECT_EQ(g_item_overlay.items[0].left, 99);
}

TEST_F(HostileHostResults, NonFiniteItemAndTrackValuesLeaveOnlyThatItemOut) {
    g_scene.items = {Item(kNaN, 1.0),          Item(1.0, kInf),         Item(1.0, 1.0, kNaN),
                     Item(1.0, 1.0, 10, kInf), Item(1.0, 1.0, 10, -40), Item(1.0, 0.0),
                     Item(-kInf, 1e300),       Item(2.0, 1.0)};
    g_scene.tracks[0].number = kNaN; // numbered 0: the first lane colour
    g_scene.tracks[0].selected = kNaN;
    ASSERT_TRUE(Render());
    ASSERT_EQ(g_item_overlay.items.size(), 1u);
    EXPECT_EQ(g_item_overlay.items[0].left, 199); // 2 s at 100 pixels a second, less the margin
}

TEST_F(HostileHostResults, AstronomicItemsAreClippedToTheClientArea) {
    g_scene.items = {Item(-1e300, 2e300), Item(1.0, 1e300, -1e9, 2e9), Item(0.0, 1e307)};
    ASSERT_TRUE(Render());
    for (const ItemRect& r : g_item_overlay.items) {
        EXPECT_GE(r.left, 0);
        EXPECT_LE(r.right, kWidth);
        EXPECT_GE(r.top, 0);
        EXPECT_LE(r.bottom, kHeight);
    }
    EXPECT_FALSE(g_item_overlay.items.empty());
}

TEST_F(HostileHostResults, HugeTrackPositionsDoNotOverflowTheRows) {
    g_scene.items = {Item(1.0, 1.0, 2147483647.0, 2147483647.0), Item(1.0, 1.0, -2147483648.0, 50),
                     Item(2.0, 1.0, 1e15, 1e15)};
    g_scene.tracks[0].tcpy = 2147483647.0;
    ASSERT_TRUE(Render());
    for (const ItemRect& r : g_item_overlay.items) {
        EXPECT_GE(r.top, 0);
        EXPECT_LE(r.bottom, kHeight);
    }
}

TEST_F(HostileHostResults, ThousandsOfItemsLayOutAndComposite) {
    g_scene.view_end = 100;
    g_scene.zoom = 3.2;
    g_scene.tracks = {FakeTrack{0, 1, 0}, FakeTrack{60, 2, 1}};
    for (int i = 0; i < 6000; ++i) {
        FakeItem item = Item(i * 0.016, 0.5, (i % 3) * 7, 20 + i % 30);
        item.track = i % 2;
        item.take = i % 5 == 0 ? FakeTake::midi : i % 7 == 0 ? FakeTake::none : FakeTake::audio;
        item.custom_colour = i % 11 == 0;
        g_scene.items.push_back(item);
    }
    ASSERT_TRUE(Render());
    EXPECT_GT(g_item_overlay.items.size(), 5000u);
    ASSERT_EQ(g_item_overlay.class_map.size(), size_t(kWidth) * kHeight);
    // A sub-rectangle in the hook's way: the rectangle sits at row 0, column 0 of working.
    CompositeFrame(100, 50, 150, 40, false);
    // The same answers again keep the layout.
    const std::vector<uint8_t> classes = g_item_overlay.class_map;
    ASSERT_TRUE(UpdateItemLayout(g_item_overlay, g_theme, kWidth, kHeight));
    EXPECT_EQ(g_item_overlay.class_map, classes);
}

TEST_F(HostileHostResults, NonFiniteTimeSelectionLeavesNoBand) {
    SetTheme({kLane}, {}, int32_t(ThemeRgb(60, 60, 60)));
    for (auto [start, end] : {std::pair{kNaN, 5.0}, {1.0, kInf}, {-kInf, kInf}, {1e300, 2e300}}) {
        g_scene.selection_start = start;
        g_scene.selection_end = end;
        MakeFrame(kWidth, kHeight, kLanePixel, PixelRgb(200, 200, 200));
        ASSERT_TRUE(Render());
        // Keyed the same in every column: no column was taken for the band.
        for (int x = 1; x < kWidth; ++x) {
            ASSERT_EQ(working_[size_t(x)], working_[0]) << start << " " << end << " x=" << x;
        }
    }
}
