#include <gtest/gtest.h>

#include "frame/frame_view.h"
#include "keying/key_colour_cache.h"
#include "keying/theme_colours.h"
#include "present/arrange_theme.h"
#include "support/fake_host.h"

namespace {

// Starts every case from the zero-filled snapshot the process begins with.
struct ThemeSnapshot : ::testing::Test {
    FakeHost host;
    void SetUp() override {
        g_theme = ThemeColourSet{};
        host.theme = {{"col_arrangebg", 0x303030},    {"col_tr1_bg", 0x383838},
                      {"col_tr2_bg", 0x343434},       {"selcol_tr1_bg", 0x505050},
                      {"selcol_tr2_bg", 0x4C4C4C},    {"col_gridlines", 0x202020},
                      {"col_gridlines1dm", 0x2A2A2A}, {"col_gridlines2", 0x262626},
                      {"col_gridlines2dm", 0x2B2B2B}, {"col_gridlines3", 0x242424},
                      {"col_gridlines3dm", 0x2C2C2C}, {"col_tl_bgsel", 0xFFFFFF}};
    }
    // True when the refresh committed and made the kept frame and the keyed colours stale.
    bool Refresh() {
        g_frame.last_frame_valid = true;
        const uint32_t generation = g_keying_generation;
        bool changed = RefreshArrangeTheme();
        EXPECT_EQ(changed, !g_frame.last_frame_valid);
        EXPECT_EQ(changed, g_keying_generation != generation);
        return changed;
    }
};

} // namespace

TEST_F(ThemeSnapshot, FirstCommitTakesEveryKeyInOrder) {
    ASSERT_TRUE(Refresh());
    EXPECT_EQ(g_theme.arrange_bg, 0x303030);
    ASSERT_EQ(g_theme.background_count, 5);
    EXPECT_EQ(g_theme.background[4], 0x4C4C4C);
    ASSERT_EQ(g_theme.grid_count, 6);
    EXPECT_EQ(g_theme.grid[0], 0x202020);
    EXPECT_EQ(g_theme.grid[5], 0x2C2C2C);
    EXPECT_TRUE(g_theme.selection_valid);
    EXPECT_EQ(g_theme.selection_bg, 0xFFFFFF);
}

TEST_F(ThemeSnapshot, UnchangedThemeIsNotACommit) {
    ASSERT_TRUE(Refresh());
    EXPECT_FALSE(Refresh());
}

TEST_F(ThemeSnapshot, DuplicatesAndBackgroundCoincidencesAreDropped) {
    host.theme["col_tr1_bg"] = 0x303030;     // same as the arrange background
    host.theme["col_gridlines2"] = 0x202020; // same as another grid colour
    host.theme["col_gridlines3"] = 0x343434; // same as a lane colour
    host.theme.erase("selcol_tr2_bg");
    ASSERT_TRUE(Refresh());
    EXPECT_EQ(g_theme.background_count, 3);
    EXPECT_EQ(g_theme.background[1], 0x343434);
    EXPECT_EQ(g_theme.grid_count, 4);
    for (int i = 0; i < g_theme.grid_count; ++i) {
        EXPECT_NE(g_theme.grid[i], 0x343434);
        EXPECT_NE(g_theme.grid[i], -1);
    }
}

TEST_F(ThemeSnapshot, BlackIsAColourNotAMissingKey) {
    host.theme["col_arrangebg"] = 0;
    host.theme["col_gridlines"] = 0;
    ASSERT_TRUE(Refresh());
    EXPECT_EQ(g_theme.arrange_bg, 0);
    EXPECT_EQ(g_theme.grid_count, 5); // black is already a background colour
}

TEST_F(ThemeSnapshot, MissingArrangeBackgroundKeepsThePreviousSnapshot) {
    host.theme.erase("col_arrangebg");
    EXPECT_FALSE(Refresh());
    EXPECT_EQ(g_theme.background_count, 0); // before any commit nothing can attach
    host.theme["col_arrangebg"] = 0x101010;
    ASSERT_TRUE(Refresh());
    host.theme.erase("col_arrangebg");
    host.theme["col_tr1_bg"] = 0x111111;
    EXPECT_FALSE(Refresh());
    EXPECT_EQ(g_theme.arrange_bg, 0x101010);
    EXPECT_EQ(g_theme.background[1], 0x383838);
}

TEST_F(ThemeSnapshot, ReorderedBackgroundsAreAChange) {
    ASSERT_TRUE(Refresh());
    std::swap(host.theme["selcol_tr1_bg"], host.theme["selcol_tr2_bg"]);
    EXPECT_TRUE(Refresh());
    EXPECT_EQ(g_theme.background[3], 0x4C4C4C);
}

TEST_F(ThemeSnapshot, SelectionColourComingAndGoingIsAChange) {
    ASSERT_TRUE(Refresh());
    host.theme.erase("col_tl_bgsel");
    EXPECT_TRUE(Refresh());
    EXPECT_FALSE(g_theme.selection_valid);
    EXPECT_FALSE(Refresh());
    host.theme["col_tl_bgsel"] = 0xFFFFFF; // the same colour as before it vanished
    EXPECT_TRUE(Refresh());
    EXPECT_TRUE(g_theme.selection_valid);
    host.theme["col_tl_bgsel"] = 0xFFFFFE;
    EXPECT_TRUE(Refresh());
}

TEST_F(ThemeSnapshot, WithoutTheHostFunctionNothingHappens) {
    g_host.GetThemeColor = nullptr;
    EXPECT_FALSE(Refresh());
    EXPECT_EQ(g_theme.background_count, 0);
}
