#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "base/row_workers.h"
#include "frame/area_scale.h"
#include "frame/fit_geometry.h"
#include "support/processor_paths.h"

namespace {

void ExpectRect(PixelRect rect, int left, int top, int right, int bottom) {
    EXPECT_EQ(rect.left, left);
    EXPECT_EQ(rect.top, top);
    EXPECT_EQ(rect.right, right);
    EXPECT_EQ(rect.bottom, bottom);
}

} // namespace

TEST(FitPlacement, CoverFillsTheViewAndOverhangsEvenlyOnBothSides) {
    ExpectRect(PlacePicture(FitMode::cover, 1000, 700, 2000, 1000), -200, 0, 1200, 700);
    // 1920 x 0.648.. is 1244.4, rounded up; -245 / 2 truncates to -122.
    ExpectRect(PlacePicture(FitMode::cover, 1000, 700, 1920, 1080), -122, 0, 1123, 700);
    ExpectRect(PlacePicture(static_cast<FitMode>(7), 1000, 700, 2000, 1000), -200, 0, 1200, 700);
}

TEST(FitPlacement, ContainCentresThePictureBetweenBands) {
    ExpectRect(PlacePicture(FitMode::contain, 1000, 700, 2000, 1000), 0, 100, 1000, 600);
    // 1920 x (1000 / 1920) is a hair above 1000: one extra column, still at left 0.
    ExpectRect(PlacePicture(FitMode::contain, 1000, 700, 1920, 1080), 0, 68, 1001, 631);
}

TEST(FitPlacement, StretchTakesTheWholeSurfaceWhateverTheProportions) {
    ExpectRect(PlacePicture(FitMode::stretch, 1000, 700, 2000, 1000), 0, 0, 1000, 700);
    ExpectRect(PlacePicture(FitMode::stretch, 1000, 700, 3, 4000), 0, 0, 1000, 700);
}

TEST(FitPlacement, SmallPicturesAreScaledUpInEveryMode) {
    ExpectRect(PlacePicture(FitMode::contain, 1001, 700, 100, 100), 150, 0, 850, 700);
    ExpectRect(PlacePicture(FitMode::cover, 1001, 700, 100, 100), 0, -150, 1001, 851);
    ExpectRect(PlacePicture(FitMode::stretch, 1001, 700, 100, 100), 0, 0, 1001, 700);
}

TEST(FitPlacement, PictureWithoutRowsOrColumnsPlacesNothing) {
    for (FitMode mode : {FitMode::cover, FitMode::contain, FitMode::stretch}) {
        ExpectRect(PlacePicture(mode, 1000, 700, 0, 500), 0, 0, 0, 0);
        ExpectRect(PlacePicture(mode, 1000, 700, 500, 0), 0, 0, 0, 0);
    }
}

TEST(FitPlacement, ExtremeProportionsStayWithinIntegerRange) {
    // 1 x 65536 covering a wide view would need more than 2^31 rows; it is clamped instead.
    PixelRect rect = PlacePicture(FitMode::cover, 40000, 700, 1, 65536);
    EXPECT_EQ(rect.left, 0);
    EXPECT_EQ(rect.right, 40000);
    EXPECT_LT(rect.top, 0);
    EXPECT_GT(rect.bottom, 700);
}

TEST(FitPlacement, ClippingKeepsOnlyWhatLiesOnTheSurface) {
    ExpectRect(ClipToSurface({-122, 0, 1123, 700}, 1000, 700), 0, 0, 1000, 700);
    ExpectRect(ClipToSurface({0, 68, 1001, 631}, 1000, 700), 0, 68, 1000, 631);
    ExpectRect(ClipToSurface({1200, 0, 1300, 700}, 1000, 700), 0, 0, 0, 0);
    // Sharing only an edge with the surface is not lying on it.
    ExpectRect(ClipToSurface({1000, 0, 1100, 700}, 1000, 700), 0, 0, 0, 0);
    ExpectRect(ClipToSurface({-100, 0, 0, 700}, 1000, 700), 0, 0, 0, 0);
    ExpectRect(ClipToSurface({0, 700, 1000, 800}, 1000, 700), 0, 0, 0, 0);
    ExpectRect(ClipToSurface({0, -100, 1000, 0}, 1000, 700), 0, 0, 0, 0);
}

// A one-pixel black-and-white checkerboard reduced by 4 or more comes out an even grey in every
// channel (point sampling gives black, white or moire bands); a cropped cover fit equals the
// same part of the whole reduced picture, whichever threads make which rows.
TEST(AreaScale, FinePatternsAverageToGreyAndCropsMatchTheWhole) {
    const int side = 1000;
    std::vector<uint32_t> board(size_t(side) * side);
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            board[size_t(y) * side + size_t(x)] = ((x + y) & 1) != 0 ? 0xFFFFFFFFu : 0xFF000000u;
        }
    }
    for (int out : {250, 234, 181, 137, 61}) {
        std::vector<uint32_t> grey(size_t(out) * out);
        AreaScaleInto({board.data(), side, side, 0}, grey.data(), out, out, {0, 0, out, out});
        for (uint32_t v : grey) {
            for (int c = 0; c < 3; ++c) {
                ASSERT_NEAR(int((v >> (8 * c)) & 0xFF), 128, 8) << out;
            }
        }
    }
    std::vector<uint32_t> picture(size_t(side) * side);
    for (size_t i = 0; i < picture.size(); ++i) {
        picture[i] = uint32_t(i * 2654435761u);
    }
    std::vector<uint32_t> whole(300 * 300);
    AreaScaleInto({picture.data(), side, side, 0}, whole.data(), 300, 300, {0, 0, 300, 300});
    // The crop's rows are shared between threads; the whole is made on one.
    std::vector<uint32_t> crop(200 * 100);
    ForceRowThreads(3);
    AreaScaleInto({picture.data(), side, side, 0}, crop.data(), 200, 100, {-40, -170, 260, 130});
    ForceRowThreads(0);
    for (int y = 0; y < 100; ++y) {
        for (int x = 0; x < 200; ++x) {
            ASSERT_EQ(crop[size_t(y) * 200 + size_t(x)],
                      whole[size_t(y + 170) * 300 + size_t(x + 40)]);
        }
    }
}

// The AVX2 passes give the baseline's bytes: reductions of random pictures by random factors,
// whole and cropped, on every path this processor runs.
TEST(AreaScale, EveryProcessorPathGivesTheSameBytes) {
    std::mt19937 rng(11);
    auto uniform = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    for (int trial = 0; trial < 40; ++trial) {
        SCOPED_TRACE(trial);
        const int sw = uniform(1, 300);
        const int sh = uniform(1, 200);
        std::vector<uint32_t> picture(size_t(sw) * size_t(sh));
        for (uint32_t& v : picture) {
            v = uint32_t(rng());
        }
        const int dw = uniform(1, sw);
        const int dh = uniform(1, sh);
        // Placed anywhere around a surface up to the picture's size, so some are cropped.
        const int width = uniform(1, dw);
        const int height = uniform(1, dh);
        const int left = uniform(width - dw, 0);
        const int top = uniform(height - dh, 0);
        const PixelRect placed = {left, top, left + dw, top + dh};
        std::vector<uint32_t> baseline(size_t(width) * size_t(height), 0x12345678u);
        AreaScaleInto({picture.data(), sw, sh, 0}, baseline.data(), width, height, placed,
                      ProcessorPath::baseline);
        for (ProcessorPath path : PathsUpToActive()) {
            std::vector<uint32_t> out(baseline.size(), 0x12345678u);
            AreaScaleInto({picture.data(), sw, sh, 0}, out.data(), width, height, placed, path);
            ASSERT_EQ(out, baseline)
                << ProcessorPathName(path) << ", " << sw << "x" << sh << " -> " << dw << "x" << dh;
        }
    }
}
