// The keying formula, through the key colour cache as the compositor reaches it: which colours
// are background and what the wallpaper becomes over them.
#include <gtest/gtest.h>

#include "keying/key_colour_cache.h"
#include "support/fake_arrange.h"

namespace {

using KeyColourTablesTest = KeyingTest;

constexpr uint32_t kGrey40 = ThemeRgb(40, 40, 40);

void ExpectAllChannels(const KeyColourEntry& e, int wallpaper, int expected) {
    EXPECT_EQ(e.blue_table[wallpaper], expected) << "wallpaper " << wallpaper;
    EXPECT_EQ(e.green_table[wallpaper], expected) << "wallpaper " << wallpaper;
    EXPECT_EQ(e.red_table[wallpaper], expected) << "wallpaper " << wallpaper;
}

TEST_F(KeyColourTablesTest, BackgroundColourBlendsWallpaperOverItself) {
    SetTheme({kGrey40}, {});
    g_current_settings.opacity = 0.35;
    const KeyColourEntry& e = LookupKeyColour(40, 40, 40, false);
    ASSERT_EQ(e.is_key, 1);
    ExpectAllChannels(e, 0, 26);
    ExpectAllChannels(e, 1, 26);
    ExpectAllChannels(e, 100, 61);
    ExpectAllChannels(e, 255, 115);

    // At opacity 1 a lane equal to its own theme colour shows the wallpaper as it is, however
    // dark: black and near-black lanes have no brightness to scale by.
    g_current_settings.opacity = 1.0;
    for (uint32_t lane :
         {ThemeRgb(0, 0, 0), ThemeRgb(0, 0, 1), ThemeRgb(1, 1, 0), ThemeRgb(1, 1, 1), kGrey40}) {
        SetTheme({lane}, {});
        const KeyColourEntry& own =
            LookupKeyColour(uint8_t(lane), uint8_t(lane >> 8), uint8_t(lane >> 16), false);
        ASSERT_EQ(own.is_key, 1) << std::hex << lane;
        ExpectAllChannels(own, 255, 255);
        ExpectAllChannels(own, 100, 100);
    }
}

TEST_F(KeyColourTablesTest, GreyShadesScaleTheWallpaperWithinLimits) {
    SetTheme({kGrey40}, {});
    g_current_settings.opacity = 0.35;
    EXPECT_EQ(LookupKeyColour(100, 100, 100, false).is_key, 0); // luma 60 away
    const KeyColourEntry& e = LookupKeyColour(60, 60, 60, false);
    ASSERT_EQ(e.is_key, 1);
    // Ratio 1.5 limited to 1.45; the scaled wallpaper caps at 255 before the blend.
    ExpectAllChannels(e, 0, 39);
    ExpectAllChannels(e, 100, 90);
    ExpectAllChannels(e, 200, 128);
    ExpectAllChannels(e, 255, 128);
}

TEST_F(KeyColourTablesTest, TintScalesEachChannel) {
    // A selection-shaded black lane gives reference 0 at gain 1.
    SetTheme({ThemeRgb(0, 0, 0)}, {}, int32_t(ThemeRgb(100, 100, 100)));
    g_current_settings.opacity = 1.0;
    g_current_settings.tint_rgb = 0x00FFA060;
    g_current_settings.tint = 0.5;
    const KeyColourEntry& e = LookupKeyColour(50, 50, 50, true);
    ASSERT_EQ(e.is_key, 1);
    EXPECT_EQ(e.blue_table[255], 255);
    EXPECT_EQ(e.green_table[255], 208);
    EXPECT_EQ(e.red_table[255], 176);
}

TEST_F(KeyColourTablesTest, GridLinesAndStrongColoursStayUnkeyed) {
    SetTheme({kGrey40}, {ThemeRgb(42, 42, 42)});
    EXPECT_EQ(LookupKeyColour(41, 41, 41, false).is_key, 0); // within 5 of bg, but 1 of grid
    EXPECT_EQ(LookupKeyColour(44, 44, 44, false).is_key, 0);
    EXPECT_EQ(LookupKeyColour(45, 45, 45, false).is_key, 1);
    // Near-grey (spread 14) shades pass by luma; spread 15 needs to be within 5 of a colour.
    EXPECT_EQ(LookupKeyColour(47, 33, 33, false).is_key, 1);
    EXPECT_EQ(LookupKeyColour(50, 35, 35, false).is_key, 0);
    SetTheme({ThemeRgb(120, 60, 60)}, {});
    EXPECT_EQ(LookupKeyColour(124, 57, 63, false).is_key, 1);
    EXPECT_EQ(LookupKeyColour(126, 60, 60, false).is_key, 0);
}

TEST_F(KeyColourTablesTest, SelectionShadingIsUnshadedOnlyInsideTheBand) {
    // Blue-ish selection over a grey lane: halfway blend (40,40,90).
    SetTheme({kGrey40}, {}, int32_t(ThemeRgb(40, 40, 140)));
    g_current_settings.opacity = 0.0;
    const KeyColourEntry& in_band = LookupKeyColour(40, 40, 90, true);
    ASSERT_EQ(in_band.is_key, 1);
    ExpectAllChannels(in_band, 200, 40);                     // opacity 0: the unshaded lane colour
    EXPECT_EQ(LookupKeyColour(40, 40, 90, false).is_key, 0); // strongly coloured outside

    // Shown again in front: the pixel's own fraction (0.5) toward the selection colour, scaled.
    g_current_settings.time_selection = 1.0;
    AdvanceKeyingGeneration();
    const KeyColourEntry& shown = LookupKeyColour(40, 40, 90, true);
    EXPECT_EQ(shown.red_table[200], 40); // opacity 0: exactly what the host drew
    EXPECT_EQ(shown.blue_table[200], 90);
    g_current_settings.opacity = 0.5; // blend 120: toward 40 and 140 by half
    AdvanceKeyingGeneration();
    EXPECT_EQ(LookupKeyColour(40, 40, 90, true).red_table[200], 80);
    EXPECT_EQ(LookupKeyColour(40, 40, 90, true).blue_table[200], 130);
    g_current_settings.time_selection = 0.5;
    AdvanceKeyingGeneration();
    EXPECT_EQ(LookupKeyColour(40, 40, 90, true).red_table[200], 100);
    EXPECT_EQ(LookupKeyColour(40, 40, 90, true).blue_table[200], 125);
    EXPECT_EQ(LookupKeyColour(40, 40, 40, true).blue_table[200], 120); // unshaded lane: fraction 0
    g_current_settings.time_selection = 0.0;
    g_current_settings.opacity = 0.0;
    AdvanceKeyingGeneration();

    // A grey shading outside the band keys as a shade and keeps its own colour.
    SetTheme({kGrey40}, {}, int32_t(ThemeRgb(200, 200, 200)));
    ExpectAllChannels(LookupKeyColour(60, 60, 60, false), 17, 60);
    ExpectAllChannels(LookupKeyColour(60, 60, 60, true), 17, 40);
    // Without a selection colour the band changes nothing.
    SetTheme({kGrey40}, {});
    EXPECT_EQ(LookupKeyColour(40, 40, 90, true).is_key, 0);
    ExpectAllChannels(LookupKeyColour(60, 60, 60, true), 17, 60);
}

TEST_F(KeyColourTablesTest, EmptyThemeKeysNothing) {
    EXPECT_EQ(LookupKeyColour(0, 0, 0, false).is_key, 0);
    EXPECT_EQ(LookupKeyColour(40, 40, 40, true).is_key, 0);
}

} // namespace
