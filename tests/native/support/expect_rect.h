// Compares a PixelRect side by side, so a failure names the side that is off.
#pragma once

#include <gtest/gtest.h>

#include "frame/frame_view.h"

inline void ExpectRect(PixelRect rect, int left, int top, int right, int bottom) {
    EXPECT_EQ(rect.left, left);
    EXPECT_EQ(rect.top, top);
    EXPECT_EQ(rect.right, right);
    EXPECT_EQ(rect.bottom, bottom);
}
