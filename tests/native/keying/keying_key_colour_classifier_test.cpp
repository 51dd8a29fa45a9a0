// The keying rules one at a time, at and just past each boundary. Every expected value is worked
// out by hand in the comment beside it (luma = 0.7152 G + 0.2126 R + 0.0722 B), so a changed
// rule or limit fails here even where the differential test's reference would change with it.
#include <gtest/gtest.h>

#include "keying/key_colour_classifier.h"
#include "support/fake_arrange.h"

namespace {

using KeyColourRulesTest = KeyingTest;

bool Background(int r, int g, int b) {
    return MatchesBackgroundColour(g_theme, r, g, b);
}

// The background colour MatchSelectionBlend finds, or 0xFFFFFFFF for none.
uint32_t Unshaded(int r, int g, int b, double* fraction = nullptr) {
    uint32_t found = 0;
    double t = -1;
    const bool match = MatchSelectionBlend(g_theme, r, g, b, &found, &t);
    if (fraction != nullptr) {
        *fraction = t;
    }
    return match ? found : 0xFFFFFFFFu;
}

TEST_F(KeyColourRulesTest, GridAndBackgroundTolerancesAndGreyShades) {
    // Grid lines: within 2 in every channel (Chebyshev distance). A pixel that near a grid line
    // is no background, even within 5 of a lane colour.
    SetTheme({ThemeRgb(40, 40, 40)}, {ThemeRgb(90, 90, 90), ThemeRgb(43, 43, 43)});
    EXPECT_TRUE(MatchesGridColour(g_theme, 92, 88, 90));  // distance 2
    EXPECT_FALSE(MatchesGridColour(g_theme, 93, 90, 90)); // distance 3
    EXPECT_FALSE(MatchesGridColour(g_theme, 90, 90, 87)); // distance 3
    EXPECT_FALSE(Background(41, 41, 41));                 // 1 from the lane, 2 from a grid line
    EXPECT_TRUE(Background(40, 40, 40));                  // 3 from the grid line

    // Any colour within 5 of a lane colour is background, however strongly coloured.
    SetTheme({ThemeRgb(120, 60, 60)}, {});
    EXPECT_TRUE(Background(125, 55, 65));  // distance 5, spread 70
    EXPECT_FALSE(Background(126, 60, 60)); // distance 6
    EXPECT_FALSE(Background(120, 60, 54)); // distance 6

    // Near-greys (spread at most 14) whose luma and truncated channel mean are both within 38
    // of a lane's. Lane 40,40,40: luma 40, mean 40.
    SetTheme({ThemeRgb(40, 40, 40)}, {});
    EXPECT_TRUE(Background(47, 33, 33));  // spread 14, luma 35.98, mean 37
    EXPECT_FALSE(Background(48, 33, 33)); // spread 15
    EXPECT_TRUE(Background(72, 80, 72));  // luma 77.72 (37.72 away), mean 74
    EXPECT_FALSE(Background(72, 81, 72)); // luma 78.44 (38.44 away), mean 75
    EXPECT_TRUE(Background(82, 71, 83));  // luma 74.21, mean 236 / 3 = 78 (38 away)
    EXPECT_FALSE(Background(83, 71, 83)); // luma 74.42, mean 237 / 3 = 79 (39 away)
    EXPECT_TRUE(Background(5, 5, 5));     // darker: luma 5, 35 away
    EXPECT_FALSE(Background(1, 1, 1));    // luma 1, 39 away
}

TEST_F(KeyColourRulesTest, SelectionBlendLiesOnTheLineFromLaneToSelectionWithinEight) {
    // Lane 40,40,40 toward selection 40,40,140: direction 0,0,100, squared length 10000.
    SetTheme({ThemeRgb(40, 40, 40)}, {ThemeRgb(40, 40, 100)}, int32_t(ThemeRgb(40, 40, 140)));
    const uint32_t lane = ThemeRgb(40, 40, 40);
    double t = 0;
    EXPECT_EQ(Unshaded(40, 40, 90, &t), lane); // t = 50 * 100 / 10000
    EXPECT_EQ(t, 0.5);
    EXPECT_EQ(Unshaded(48, 40, 90), lane);        // 8 off the line in red
    EXPECT_EQ(Unshaded(49, 40, 90), 0xFFFFFFFFu); // 9 off
    EXPECT_EQ(Unshaded(40, 40, 140, &t), lane);   // t = 1, the selection colour itself
    EXPECT_EQ(t, 1.0);
    EXPECT_EQ(Unshaded(40, 40, 40, &t), lane); // t = 0, the lane itself
    EXPECT_EQ(t, 0.0);
    EXPECT_EQ(Unshaded(40, 40, 145), 0xFFFFFFFFu); // t = 1.05, beyond the selection colour
    EXPECT_EQ(Unshaded(40, 40, 35), 0xFFFFFFFFu);  // t = -0.05, away from it
    EXPECT_EQ(Unshaded(40, 40, 101), 0xFFFFFFFFu); // t = 0.61, but 1 from a grid line

    // A selection colour equal to a lane colour gives that lane no direction: it is passed over,
    // and the other lane (60,60,60; direction -20,-20,-20, squared length 1200) is found.
    SetTheme({ThemeRgb(40, 40, 40), ThemeRgb(60, 60, 60)}, {}, int32_t(ThemeRgb(40, 40, 40)));
    EXPECT_EQ(Unshaded(50, 50, 50, &t), ThemeRgb(60, 60, 60)); // t = 600 / 1200
    EXPECT_EQ(t, 0.5);
    EXPECT_EQ(Unshaded(40, 40, 40, &t), ThemeRgb(60, 60, 60)); // t = 1
    EXPECT_EQ(t, 1.0);
    // With only that lane nothing is a blend: inside the band a lighter shade keys as itself
    // (opacity 0: its own colour, not the lane's).
    SetTheme({ThemeRgb(40, 40, 40)}, {}, int32_t(ThemeRgb(40, 40, 40)));
    EXPECT_EQ(Unshaded(40, 40, 40), 0xFFFFFFFFu);
    g_current_settings.opacity = 0;
    const KeyColourEntry& shade = LookupKeyColour(42, 42, 42, true);
    ASSERT_EQ(shade.is_key, 1);
    EXPECT_EQ(shade.red_table[200], 42);
}

TEST_F(KeyColourRulesTest, ShadeGainIsTheLumaRatioToTheNearestLaneWithinLimits) {
    // Opacity 1, no tint: table[v] = min(v * gain, 255), rounded.
    g_current_settings.opacity = 1;
    SetTheme({ThemeRgb(100, 100, 100), ThemeRgb(60, 60, 60)}, {});
    // 80 is 20 from both lanes: the first listed is the nearest, 80 / 100 = 0.8.
    EXPECT_EQ(LookupKeyColour(80, 80, 80, false).green_table[200], 160);
    // 70 is 30 from 100 and 10 from 60: 70 / 60 = 1.1667.
    EXPECT_EQ(LookupKeyColour(70, 70, 70, false).green_table[120], 140);
    SetTheme({ThemeRgb(100, 100, 100)}, {});
    EXPECT_EQ(LookupKeyColour(64, 64, 64, false).green_table[200], 130);    // 0.64, limited to 0.65
    EXPECT_EQ(LookupKeyColour(130, 130, 130, false).green_table[100], 130); // 1.3
    SetTheme({ThemeRgb(60, 60, 60)}, {});
    EXPECT_EQ(LookupKeyColour(90, 90, 90, false).green_table[100], 145); // 1.5, limited to 1.45
    EXPECT_EQ(LookupKeyColour(90, 90, 90, false).green_table[200], 255); // 290 capped at 255
}

} // namespace
