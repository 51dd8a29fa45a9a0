// The fitted wallpaper's softness: close to a true Gaussian at small and large radii, flat areas
// unchanged, nothing outside the rectangle touched.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "frame/soften.h"
#include "support/processor_paths.h"

namespace {

// A direct Gaussian of one byte channel over the rect, edges extended: the reference.
std::vector<double> ReferenceBlur(const std::vector<uint32_t>& pixels, int stride, PixelRect r,
                                  double sigma, int shift) {
    const int w = r.right - r.left;
    const int h = r.bottom - r.top;
    const int reach = int(std::ceil(sigma * 4));
    std::vector<double> kernel(size_t(2 * reach + 1));
    double total = 0;
    for (int i = -reach; i <= reach; ++i) {
        total += kernel[i + reach] = std::exp(-i * i / (2 * sigma * sigma));
    }
    auto at = [&](int x, int y) {
        x = std::min(std::max(x, 0), w - 1);
        y = std::min(std::max(y, 0), h - 1);
        return double((pixels[size_t(r.top + y) * stride + r.left + x] >> shift) & 0xFF);
    };
    std::vector<double> rows(size_t(w) * h);
    std::vector<double> out(size_t(w) * h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            double sum = 0;
            for (int i = -reach; i <= reach; ++i) {
                sum += kernel[i + reach] * at(x + i, y);
            }
            rows[size_t(y) * w + x] = sum / total;
        }
    }
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            double sum = 0;
            for (int i = -reach; i <= reach; ++i) {
                sum +=
                    kernel[i + reach] * rows[size_t(std::min(std::max(y + i, 0), h - 1)) * w + x];
            }
            out[size_t(y) * w + x] = sum / total;
        }
    }
    return out;
}

// Bright disc and bars on a dark ground, different per channel, so a shifted or mirrored result
// shows.
std::vector<uint32_t> TestPicture(int stride, int height) {
    std::vector<uint32_t> pixels(size_t(stride) * height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < stride; ++x) {
            const int dx = x - stride / 3;
            const int dy = y - height / 2;
            const uint32_t red = dx * dx + dy * dy < (height / 4) * (height / 4) ? 240 : 20;
            const uint32_t green = (x / 17) % 2 != 0 ? 200 : 30;
            const uint32_t blue = (y * 255) / height;
            pixels[size_t(y) * stride + x] = red << 16 | green << 8 | blue;
        }
    }
    return pixels;
}

} // namespace

TEST(Soften, RadiusIsAShareOfTheSmallerSideAndOffOutsideTheRange) {
    EXPECT_EQ(SoftenRadius(1000, 3840, 2160), 65);
    EXPECT_EQ(SoftenRadius(500, 1920, 1080), 16);
    EXPECT_EQ(SoftenRadius(4000, 1920, 1080), 32); // clamped to 1000
    EXPECT_EQ(SoftenRadius(0, 1920, 1080), 0);
    EXPECT_EQ(SoftenRadius(-5, 1920, 1080), 0);
    EXPECT_EQ(SoftenRadius(1000, 0, 1080), 0);
}

TEST(Soften, FollowsAGaussianAtSmallAndLargeRadiiAndTouchesOnlyTheRect) {
    const int stride = 300;
    const int height = 200;
    const PixelRect rect = {10, 7, 290, 195};
    for (int radius : {3, 5, 8, 40}) {
        SCOPED_TRACE(radius);
        const std::vector<uint32_t> original = TestPicture(stride, height);
        std::vector<uint32_t> pixels = original;
        ASSERT_TRUE(SoftenPixels(pixels.data(), stride, rect, radius));
        const int w = rect.right - rect.left;
        for (int shift : {0, 8, 16}) {
            const std::vector<double> expected =
                ReferenceBlur(original, stride, rect, radius / 2.0, shift);
            double worst = 0;
            // Near the rect's edges a wide blur extends the mean of the edge's shrink block
            // rather than the edge pixel itself: compared inside one radius.
            const int margin = radius;
            for (int y = rect.top + margin; y < rect.bottom - margin; ++y) {
                for (int x = rect.left + margin; x < rect.right - margin; ++x) {
                    const double got = (pixels[size_t(y) * stride + x] >> shift) & 0xFF;
                    const double want = expected[size_t(y - rect.top) * w + (x - rect.left)];
                    worst = std::max(worst, std::abs(got - want));
                }
            }
            EXPECT_LE(worst, 8.0) << "channel shift " << shift;
        }
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < stride; ++x) {
                if (y < rect.top || y >= rect.bottom || x < rect.left || x >= rect.right) {
                    ASSERT_EQ(pixels[size_t(y) * stride + x], original[size_t(y) * stride + x]);
                }
            }
        }
    }
}

TEST(Soften, FlatColourStaysExactlyTheSameAndTinyRectsAreSafe) {
    for (int radius : {1, 5, 40}) {
        std::vector<uint32_t> flat(size_t(97) * 61, 0x00C08040);
        ASSERT_TRUE(SoftenPixels(flat.data(), 97, {0, 0, 97, 61}, radius));
        for (uint32_t p : flat) {
            ASSERT_EQ(p, 0x00C08040u) << radius;
        }
    }
    std::vector<uint32_t> one = {0x00FF0000, 0x0000FF00};
    EXPECT_TRUE(SoftenPixels(one.data(), 2, {1, 0, 2, 1}, 40));
    EXPECT_EQ(one[0], 0x00FF0000u);
    EXPECT_EQ(one[1], 0x0000FF00u);
    EXPECT_TRUE(SoftenPixels(one.data(), 2, {1, 0, 1, 1}, 40)); // empty rect
}

// The AVX2 row kernels give the baseline's bytes: random sizes, rects and radii (narrow blurs
// at full size and wide ones on a shrunk copy), on every path this processor runs.
TEST(Soften, EveryProcessorPathGivesTheSameBytes) {
    std::mt19937 rng(5);
    auto uniform = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    for (int trial = 0; trial < 40; ++trial) {
        SCOPED_TRACE(trial);
        const int stride = uniform(1, 160);
        const int height = uniform(1, 90);
        const int left = uniform(0, stride - 1);
        const int top = uniform(0, height - 1);
        const PixelRect rect = {left, top, uniform(left + 1, stride), uniform(top + 1, height)};
        const int radius = trial % 4 == 3 ? uniform(13, 40) : uniform(1, 12);
        std::vector<uint32_t> original(size_t(stride) * size_t(height));
        for (uint32_t& v : original) {
            v = uint32_t(rng());
        }
        std::vector<uint32_t> baseline = original;
        ASSERT_TRUE(SoftenPixels(baseline.data(), stride, rect, radius, ProcessorPath::baseline));
        for (ProcessorPath path : PathsUpToActive()) {
            std::vector<uint32_t> out = original;
            ASSERT_TRUE(SoftenPixels(out.data(), stride, rect, radius, path));
            ASSERT_EQ(out, baseline) << ProcessorPathName(path) << ", radius " << radius;
        }
    }
}
