#include <gtest/gtest.h>

#include "keying/key_colour_cache.h"
#include "support/fake_arrange.h"

namespace {

using KeyColourCacheTest = KeyingTest;

constexpr uint32_t kGrey40 = ThemeRgb(40, 40, 40);

void ExpectAllChannels(const KeyColourEntry& e, int wallpaper, int expected) {
    EXPECT_EQ(e.blue_table[wallpaper], expected) << "wallpaper " << wallpaper;
    EXPECT_EQ(e.green_table[wallpaper], expected) << "wallpaper " << wallpaper;
    EXPECT_EQ(e.red_table[wallpaper], expected) << "wallpaper " << wallpaper;
}

TEST_F(KeyColourCacheTest, BandAndColourSelectTheSlot) {
    EXPECT_EQ(KeyColourKey(0x282828, false), 0x00282828u);
    EXPECT_EQ(KeyColourSlot(0x00282828), 6613u);
    EXPECT_EQ(KeyColourKey(0x282828, true), 0x01282828u);
    EXPECT_EQ(KeyColourSlot(0x01282828), 1557u);

    SetTheme({kGrey40}, {});
    EXPECT_EQ(&LookupKeyColour(40, 40, 40, false), &g_key_colour_cache[6613]);
    EXPECT_EQ(&LookupKeyColour(40, 40, 40, true), &g_key_colour_cache[1557]);
    EXPECT_EQ(g_key_colour_cache[6613].key, 0x00282828u);
    EXPECT_EQ(g_key_colour_cache[1557].key, 0x01282828u);
}

TEST_F(KeyColourCacheTest, EntriesLiveUntilTheGenerationMoves) {
    SetTheme({kGrey40}, {});
    g_current_settings.opacity = 0.35;
    ExpectAllChannels(LookupKeyColour(40, 40, 40, false), 255, 115);
    g_current_settings.opacity = 1.0;
    ExpectAllChannels(LookupKeyColour(40, 40, 40, false), 255, 115); // still cached
    AdvanceKeyingGeneration();
    ExpectAllChannels(LookupKeyColour(40, 40, 40, false), 255, 255);
}

TEST_F(KeyColourCacheTest, GenerationWrapZeroesTheTable) {
    SetTheme({kGrey40}, {});
    g_keying_generation = 0xFFFFFFFFu;
    LookupKeyColour(40, 40, 40, false);
    ASSERT_EQ(g_key_colour_cache[6613].generation, 0xFFFFFFFFu);
    AdvanceKeyingGeneration();
    EXPECT_EQ(g_keying_generation, 1u);
    EXPECT_EQ(g_key_colour_cache[6613].generation, 0u);
    EXPECT_EQ(g_key_colour_cache[6613].key, 0u);
    EXPECT_EQ(LookupKeyColour(40, 40, 40, false).generation, 1u);
}

} // namespace
