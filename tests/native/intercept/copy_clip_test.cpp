#include <gtest/gtest.h>

#include <climits>

#include "intercept/copy_clip.h"

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 360;

bool Clip(int x, int y, int cx, int cy, int sx, int sy, ClippedCopy& out) {
    return ClipCopyToClient(x, y, cx, cy, sx, sy, kWidth, kHeight, out);
}

} // namespace

TEST(CopyClip, ACopyStartingLeftOfTheClientAreaSkipsItsHiddenColumns) {
    ClippedCopy c = {};
    ASSERT_TRUE(Clip(-10, 0, kWidth + 10, kHeight, 0, 0, c));
    EXPECT_EQ(c.sx, 10);
    EXPECT_EQ(c.sy, 0);
    EXPECT_EQ(c.dx, 0);
    EXPECT_EQ(c.dy, 0);
    EXPECT_EQ(c.w, kWidth);
    EXPECT_EQ(c.h, kHeight);

    ASSERT_TRUE(Clip(5, -7, 100, 50, 3, 4, c));
    EXPECT_EQ(c.sx, 3);
    EXPECT_EQ(c.sy, 11);
    EXPECT_EQ(c.dx, 5);
    EXPECT_EQ(c.dy, 0);
    EXPECT_EQ(c.w, 100);
    EXPECT_EQ(c.h, 43);
}

TEST(CopyClip, TheVisiblePartEndsAtTheRightAndBottomEdges) {
    ClippedCopy c = {};
    ASSERT_TRUE(Clip(600, 300, 200, 200, 0, 0, c));
    EXPECT_EQ(c.w, 40);
    EXPECT_EQ(c.h, 60);
    ASSERT_TRUE(Clip(kWidth - 1, kHeight - 1, 5, 5, 0, 0, c));
    EXPECT_EQ(c.w, 1);
    EXPECT_EQ(c.h, 1);
}

TEST(CopyClip, CopiesWithNothingInsideTheClientAreaAreNotClipped) {
    ClippedCopy c = {};
    EXPECT_FALSE(Clip(kWidth, 0, 10, 10, 0, 0, c));
    EXPECT_FALSE(Clip(0, kHeight, 10, 10, 0, 0, c));
    EXPECT_FALSE(Clip(-10, 0, 10, 10, 0, 0, c)); // ends exactly at the left edge
    EXPECT_FALSE(Clip(0, -20, 10, 20, 0, 0, c));
}

TEST(CopyClip, ExtremeArgumentsNeitherOverflowNorReachOutsideTheClientArea) {
    const int values[] = {INT_MIN, INT_MIN + 1, -kWidth, -1, 0, 1, kWidth, INT_MAX - 1, INT_MAX};
    for (int x : values) {
        for (int cx : values) {
            for (int sx : values) {
                ClippedCopy c = {};
                if (!ClipCopyToClient(x, x, cx, cx, sx, sx, kWidth, kHeight, c)) {
                    continue;
                }
                EXPECT_GT(c.w, 0);
                EXPECT_GT(c.h, 0);
                EXPECT_GE(c.dx, 0);
                EXPECT_LE(static_cast<long long>(c.dx) + c.w, kWidth);
                EXPECT_LE(static_cast<long long>(c.dy) + c.h, kHeight);
                EXPECT_EQ(static_cast<long long>(c.sx) - c.dx, static_cast<long long>(sx) - x);
            }
        }
    }
}

TEST(CopyClip, ASourcePointBeyondTheRangeOfIntLeavesTheCopyToTheHost) {
    ClippedCopy c = {};
    EXPECT_FALSE(Clip(-10, 0, kWidth + 10, kHeight, INT_MAX - 5, 0, c));
    EXPECT_FALSE(Clip(0, -10, kWidth, kHeight + 10, 0, INT_MAX, c));
    ASSERT_TRUE(Clip(-10, 0, kWidth + 10, kHeight, INT_MAX - 10, 0, c));
    EXPECT_EQ(c.sx, INT_MAX);
}
