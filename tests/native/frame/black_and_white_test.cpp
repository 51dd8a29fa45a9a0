#include <gtest/gtest.h>

#include <vector>

#include "frame/black_and_white.h"

TEST(BlackAndWhite, WeightsFollowTheEyeAndKeepTheExtremes) {
    EXPECT_EQ(GreyOf(255, 0, 0), 54);
    EXPECT_EQ(GreyOf(0, 255, 0), 182);
    EXPECT_EQ(GreyOf(0, 0, 255), 19);
    EXPECT_EQ(GreyOf(255, 255, 255), 255);
    EXPECT_EQ(GreyOf(0, 0, 0), 0);
    EXPECT_EQ(GreyOf(1, 1, 1), 1); // (256 + 128) >> 8: rounded, not truncated to 0
}

TEST(BlackAndWhite, OnlyThePlacedRectangleOnTheSurfaceTurnsGrey) {
    const int width = 4;
    const int height = 3;
    const uint32_t red = 0x7F'FF'00'00; // fourth byte 0x7F, red 255
    std::vector<uint32_t> pixels(width * height, red);

    // Sticks out past the left and bottom edges: the clipped part is columns 0-1, rows 1-2.
    ConvertToGrey(pixels.data(), width, height, {-3, 1, 2, 9});

    const uint32_t grey = 0x7F'36'36'36; // 54 in blue, green and red; fourth byte kept
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            bool inside = y >= 1 && x < 2;
            EXPECT_EQ(pixels[y * width + x], inside ? grey : red) << x << "," << y;
        }
    }
}

TEST(BlackAndWhite, ARectangleOffTheSurfaceChangesNothing) {
    std::vector<uint32_t> pixels(4, 0x00112233);
    ConvertToGrey(pixels.data(), 2, 2, {2, 0, 5, 2});
    ConvertToGrey(pixels.data(), 2, 2, {0, -4, 2, 0});
    EXPECT_EQ(pixels, std::vector<uint32_t>(4, 0x00112233));
}
