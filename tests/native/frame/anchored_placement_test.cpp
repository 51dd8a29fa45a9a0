// Where the picture lies for each fit mode and anchor.
#include <gtest/gtest.h>

#include <climits>
#include <utility>

#include "frame/anchored_placement.h"
#include "support/expect_rect.h"

namespace {

Placement Place(FitMode mode, Anchor anchor, int sw, int sh, int iw, int ih) {
    return PlaceAnchored(mode, anchor, sw, sh, iw, ih);
}

} // namespace

TEST(AnchoredPlacement, CoverKeepsTheAnchoredEdgeInViewAndCentreIsTodays) {
    // 1000 x 1000 after scaling: 300 rows to crop.
    ExpectRect(Place(FitMode::cover, Anchor::top, 1000, 700, 500, 500).placed, 0, 0, 1000, 1000);
    ExpectRect(Place(FitMode::cover, Anchor::bottom, 1000, 700, 500, 500).placed, 0, -300, 1000,
               700);
    ExpectRect(Place(FitMode::cover, Anchor::center, 1000, 700, 500, 500).placed, 0, -150, 1000,
               850);
    // Too wide: the anchor's horizontal part decides; its vertical part has nothing to move.
    ExpectRect(Place(FitMode::cover, Anchor::bottom_right, 1000, 700, 2000, 1000).placed, -400, 0,
               1000, 700);
    ExpectRect(Place(FitMode::cover, Anchor::top_left, 1000, 700, 2000, 1000).placed, 0, 0, 1400,
               700);
    ExpectRect(Place(FitMode::cover, static_cast<Anchor>(42), 1000, 700, 2000, 1000).placed, -200,
               0, 1200, 700);
    ExpectRect(Place(FitMode::cover, Anchor::top, 1000, 700, 500, 500).shown, 0, 0, 1000, 700);
}

TEST(AnchoredPlacement, ContainSitsAgainstTheAnchorAndStretchIgnoresIt) {
    Placement left = Place(FitMode::contain, Anchor::left, 1000, 700, 500, 500);
    ExpectRect(left.placed, 0, 0, 700, 700);
    ExpectRect(left.shown, 0, 0, 700, 700);
    ExpectRect(Place(FitMode::contain, Anchor::bottom_right, 1000, 700, 2000, 1000).placed, 0, 200,
               1000, 700);
    ExpectRect(Place(FitMode::stretch, Anchor::top_left, 1000, 700, 3, 4000).placed, 0, 0, 1000,
               700);
}

TEST(AnchoredPlacement, CenterKeepsTheOwnSizeAndCropsWhatIsLarger) {
    Placement small = Place(FitMode::center, Anchor::center, 1000, 700, 101, 51);
    ExpectRect(small.placed, 449, 324, 550, 375);
    ExpectRect(small.shown, 449, 324, 550, 375);
    ExpectRect(Place(FitMode::center, Anchor::bottom_right, 1000, 700, 100, 50).placed, 900, 650,
               1000, 700);
    ExpectRect(Place(FitMode::center, Anchor::bottom_left, 1000, 700, 100, 50).placed, 0, 650, 100,
               700);
    ExpectRect(Place(FitMode::center, Anchor::right, 1000, 700, 100, 50).placed, 900, 325, 1000,
               375);
    // Larger than the view on one axis and smaller on the other.
    Placement wide = Place(FitMode::center, Anchor::top_right, 1000, 700, 3000, 200);
    ExpectRect(wide.placed, -2000, 0, 1000, 200);
    ExpectRect(wide.shown, 0, 0, 1000, 200);
    // One pixel either way.
    ExpectRect(Place(FitMode::center, Anchor::center, 1, 1, 1, 1).placed, 0, 0, 1, 1);
    ExpectRect(Place(FitMode::center, Anchor::bottom, 1000, 700, 1, 1).shown, 499, 699, 500, 700);
    ExpectRect(Place(FitMode::center, Anchor::center, 1, 1, 4000, 3).shown, 0, 0, 1, 1);
}

TEST(AnchoredPlacement, TileCoversTheViewFromTheAnchoredTile) {
    Placement tile = Place(FitMode::tile, Anchor::center, 1000, 700, 100, 300);
    ExpectRect(tile.placed, 450, 200, 550, 500);
    ExpectRect(tile.shown, 0, 0, 1000, 700);
    // Tiles start at 450, 350, ... 50 and -50: column 0 of the view shows picture column 50.
    EXPECT_EQ(TilePhase(tile.placed.left, 100), 50);
    EXPECT_EQ(TilePhase(tile.placed.top, 300), 100);
    EXPECT_EQ(TilePhase(0, 100), 0);
    EXPECT_EQ(TilePhase(-30, 100), 30);
    EXPECT_EQ(TilePhase(-230, 100), 30);
    EXPECT_EQ(TilePhase(7, 1), 0);
    EXPECT_EQ(TilePhase(5, 0), 0);
    ExpectRect(Place(FitMode::tile, Anchor::bottom_right, 1000, 700, 100, 300).placed, 900, 400,
               1000, 700);
}

TEST(AnchoredPlacement, HugeAndEmptySizesStayDefined) {
    Placement huge = Place(FitMode::center, Anchor::bottom_right, 1000, 700, INT_MAX, INT_MAX);
    EXPECT_EQ(huge.placed.right, 1000);
    EXPECT_EQ(huge.placed.bottom, 700);
    ExpectRect(huge.shown, 0, 0, 1000, 700);
    // A sliver covering a wide view is clamped in height; anchored at the bottom it still ends
    // there.
    Placement sliver = Place(FitMode::cover, Anchor::bottom, 40000, 700, 1, 65536);
    EXPECT_EQ(sliver.placed.bottom, 700);
    EXPECT_LT(sliver.placed.top, 0);
    ExpectRect(Place(FitMode::tile, Anchor::center, 0, 700, 10, 10).shown, 0, 0, 0, 0);
    ExpectRect(Place(FitMode::cover, Anchor::center, 1000, 700, 0, 10).placed, 0, 0, 0, 0);
    // A picture without rows or columns places nothing in any mode: a tile of height 0 would
    // never advance down the view.
    for (FitMode mode :
         {FitMode::cover, FitMode::contain, FitMode::stretch, FitMode::tile, FitMode::center}) {
        for (auto [width, height] : {std::pair{10, 0}, {0, 10}, {0, 0}}) {
            const Placement none = Place(mode, Anchor::top_left, 1000, 700, width, height);
            ExpectRect(none.placed, 0, 0, 0, 0);
            ExpectRect(none.shown, 0, 0, 0, 0);
        }
    }
}
