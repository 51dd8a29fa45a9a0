#include <gtest/gtest.h>

#include <functional>

#include "keying/item_backgrounds.h"
#include "keying/item_overlay.h"
#include "support/fake_arrange.h"

namespace {

constexpr uint32_t kBody = PixelRgb(100, 120, 140);
constexpr uint32_t kOther = PixelRgb(30, 60, 90);
constexpr uint32_t kThird = PixelRgb(200, 10, 10);

// One item filling a frame of its own size, with the class map and lanes set by hand, so that
// each test controls exactly which pixels the sampling sees.
class ItemBackgroundTest : public KeyingTest {
  protected:
    void SetUp() override {
        KeyingTest::SetUp();
        g_current_settings.audio_item_transparency = 0.5;
        g_current_settings.midi_item_transparency = 0.5;
    }

    void PlaceItem(uint8_t kind, int width, int height,
                   const std::function<uint32_t(int x, int y)>& paint) {
        MakeFrame(width, height, 0, 0);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                working_[size_t(y * width + x)] = paint(x, y);
            }
        }
        ItemOverlay& o = g_item_overlay;
        o.items = {ItemRect{0, 0, width, height, kind, ThemeRgb(40, 40, 40)}};
        o.layout_width = width;
        o.layout_height = height;
        o.class_map.assign(size_t(width * height), kind);
        o.row_colours.assign(size_t(height), ThemeRgb(40, 40, 40));
        width_ = width;
    }

    void BuildMask(int band_left = 0, int band_right = 0) {
        mask_ = ItemBackgroundMask(width_, g_frame.height, 0, 0, band_left, band_right);
    }

    int Marked(int x, int y) const { return mask_[size_t(y * width_ + x)]; }

    int MarkedCount() const {
        int n = 0;
        for (uint8_t m : mask_) {
            n += m;
        }
        return n;
    }

    int width_ = 0;
    std::vector<uint8_t> mask_;
};

// Columns 2, 6, 10... carry kOther, the rest kBody: kBody holds three quarters of all pixels.
uint32_t EveryFourthColumn(int x, int) {
    return (x - 2) % 4 == 0 ? kOther : kBody;
}

TEST_F(ItemBackgroundTest, SmallSegmentSamplesEveryPixel) {
    // Audio inset 2: columns 2..41 (40) and, after the top rows, rows 7..26 (20): step 1.
    PlaceItem(kAudioItem, 44, 29, EveryFourthColumn);
    BuildMask();
    EXPECT_EQ(Marked(3, 20), 1);
    EXPECT_EQ(Marked(2, 20), 0);
    EXPECT_EQ(Marked(1, 20), 0); // the inset border is not part of the segment
}

TEST_F(ItemBackgroundTest, LargeSegmentSamplesOnAGrid) {
    // Columns 2..401 (400) and rows 12..71 (60): step 4 sees only the kOther columns.
    PlaceItem(kAudioItem, 404, 74, EveryFourthColumn);
    BuildMask();
    EXPECT_EQ(Marked(6, 40), 1);
    EXPECT_EQ(Marked(7, 40), 0);
}

// Rows 5..18 and columns 2..41 are sampled one by one (560 samples); `pattern` picks the colour.
uint32_t Sampled560(int x, int y, const std::function<uint32_t(int)>& pattern) {
    const int n = (y - 5) * 40 + (x - 2);
    return pattern(((n % 56) + 56) % 56);
}

TEST_F(ItemBackgroundTest, WinnerNeedsAFifthMoreThanTheRunnerUp) {
    // 300 against 260 samples: no winner.
    PlaceItem(kAudioItem, 44, 21, [](int x, int y) {
        return Sampled560(x, y, [](int k) { return k % 28 < 15 ? kBody : kOther; });
    });
    BuildMask();
    EXPECT_EQ(MarkedCount(), 0);

    // 300 against 250 (and 10 of a third colour): kBody wins.
    PlaceItem(kAudioItem, 44, 21, [](int x, int y) {
        return Sampled560(x, y, [](int k) { return k < 30 ? kBody : (k < 55 ? kOther : kThird); });
    });
    BuildMask();
    EXPECT_EQ(Marked(2, 5), 1);
    EXPECT_EQ(Marked(32, 5), 0);
}

TEST_F(ItemBackgroundTest, MidiEdgesAcceptNearColoursAudioDoesNot) {
    const uint32_t near = PixelRgb(140, 80, 100); // each channel 40 away from kBody
    const uint32_t far = PixelRgb(141, 120, 140);
    auto paint = [&](int x, int y) {
        const bool column = x == 30 && (y == 5 || y == 30 || y == 55 || (y >= 17 && y <= 18) ||
                                        (y >= 51 && y <= 52));
        const bool row =
            y == 30 && (x == 2 || x == 57 || (x >= 5 && x <= 6) || (x >= 53 && x <= 54));
        if (column || row) {
            return near;
        }
        return x == 31 && y == 5 ? far : kBody;
    };
    // 60 x 60: top band 18 rows, bottom band 8 rows, side margins 6 columns.
    PlaceItem(kMidiItem, 60, 60, paint);
    BuildMask();
    EXPECT_EQ(Marked(30, 5), 1);
    EXPECT_EQ(Marked(30, 55), 1);
    EXPECT_EQ(Marked(2, 30), 1);
    EXPECT_EQ(Marked(57, 30), 1);
    EXPECT_EQ(Marked(30, 30), 0); // inner area: exact colour only
    EXPECT_EQ(Marked(31, 5), 0);
    EXPECT_EQ(Marked(20, 20), 1);
    // The inner area's edges by hand: columns 6..53, rows 18..51.
    EXPECT_EQ(Marked(5, 30), 1);
    EXPECT_EQ(Marked(6, 30), 0);
    EXPECT_EQ(Marked(53, 30), 0);
    EXPECT_EQ(Marked(54, 30), 1);
    EXPECT_EQ(Marked(30, 17), 1);
    EXPECT_EQ(Marked(30, 18), 0);
    EXPECT_EQ(Marked(30, 51), 0);
    EXPECT_EQ(Marked(30, 52), 1);

    PlaceItem(kAudioItem, 60, 60, paint);
    BuildMask();
    EXPECT_EQ(Marked(30, 5), 0);
    EXPECT_EQ(Marked(30, 55), 0);
    EXPECT_EQ(Marked(20, 20), 1);
}

// A 40 x 40 item judged on rows 10..29 and all columns, one sample per pixel (800): the winner
// needs a quarter of all samples, of the top rows 10..14 and of the bottom rows 25..29, and must
// reach columns 0..9 and 30..39 and rows 10..14 and 25..29.
TEST_F(ItemBackgroundTest, SegmentSizeAndQuarterRules) {
    const ItemRect item{0, 0, 40, 40, kAudioItem, ThemeRgb(40, 40, 40)};
    auto judge = [&](const std::function<uint32_t(int x, int y)>& paint, int xl, int xr, int yt,
                     int yb) {
        PlaceItem(kAudioItem, 40, 40, paint);
        uint32_t colour = 0;
        return FindItemBackground(CallOnGlobals(40, 40, 0, 0, false), {}, 0, item, xl, xr, yt, yb,
                                  &colour) &&
               colour == kBody;
    };
    auto plain = [](int, int) { return kBody; };
    EXPECT_FALSE(judge(plain, 0, 7, 10, 30)) << "7 columns";
    EXPECT_TRUE(judge(plain, 0, 8, 10, 30));
    EXPECT_FALSE(judge(plain, 0, 40, 23, 30)) << "7 rows";
    EXPECT_TRUE(judge(plain, 0, 40, 22, 30));
    EXPECT_FALSE(judge(plain, 0, 40, 0, 15)) << "5 rows below the 10 top rows";
    EXPECT_TRUE(judge(plain, 0, 40, 0, 16));

    EXPECT_TRUE(judge([](int x, int) { return x < 30 ? kBody : kOther; }, 0, 40, 10, 30));
    EXPECT_FALSE(judge([](int x, int) { return x < 29 ? kBody : kOther; }, 0, 40, 10, 30))
        << "misses the right quarter; kOther misses the left one";
    EXPECT_TRUE(judge([](int, int y) { return y < 13 ? kOther : kBody; }, 0, 40, 10, 30));
    EXPECT_FALSE(judge([](int, int y) { return y < 14 ? kOther : kBody; }, 0, 40, 10, 30))
        << "under a quarter of the top rows; kOther under a quarter of all";
}

// A strip four columns wide is too narrow to judge; with the host's whole frame readable it is
// judged on the whole item, and marks what the whole item's judgement marks.
TEST_F(ItemBackgroundTest, AStripIsJudgedOnTheWholeItemWhenTheHostFrameIsReadable) {
    PlaceItem(kAudioItem, 44, 29, EveryFourthColumn);
    mask_ = ItemBackgroundMask(4, 29, 20, 0, 0, 0);
    EXPECT_EQ(MarkedCount(), 0);

    HostFrame host;
    host.bits = reinterpret_cast<const uint8_t*>(working_.data());
    host.row_bytes = 44 * 4;
    host.origin = 0;
    host.right = 44;
    host.bottom = 29;
    // The strip's captured pixels are columns 20..23 of the frame, at the surface's left edge.
    for (int y = 0; y < 29; ++y) {
        for (int x = 0; x < 4; ++x) {
            working_[size_t(y * 44 + x)] = EveryFourthColumn(x + 20, y);
        }
    }
    mask_ = ItemBackgroundMask(4, 29, 20, 0, 0, 0, host);
    // Rows 2..26 inside the inset; columns 20, 21, 23 (kBody) marked, 22 (kOther) not.
    auto strip = [&](int x, int y) { return mask_[size_t(y * 4 + x)]; };
    EXPECT_EQ(MarkedCount(), 25 * 3);
    EXPECT_EQ(strip(0, 10), 1);
    EXPECT_EQ(strip(2, 10), 0);
    EXPECT_EQ(strip(0, 1), 0);
}

TEST_F(ItemBackgroundTest, PeaksColourNeverWins) {
    const uint32_t peaks = PixelRgb(0, 200, 0);
    auto paint = [&](int x, int) { return x % 5 < 3 ? peaks : kBody; }; // peaks hold 60 %
    PlaceItem(kAudioItem, 60, 60, paint);
    BuildMask();
    EXPECT_EQ(Marked(10, 30), 1); // without peaks colours the waveform wins

    PlaceItem(kAudioItem, 60, 60, paint);
    g_item_overlay.peaks[0] = ThemeRgb(0, 200, 0);
    g_item_overlay.peaks_count = 1;
    BuildMask();
    EXPECT_EQ(Marked(10, 30), 0);
    EXPECT_EQ(Marked(13, 30), 1);
}

TEST_F(ItemBackgroundTest, NothingIsMarkedWithoutTransparencyOrForEmptyItems) {
    PlaceItem(kEmptyItem, 60, 60, [](int, int) { return kBody; });
    BuildMask();
    EXPECT_EQ(MarkedCount(), 0);

    PlaceItem(kAudioItem, 60, 60, [](int, int) { return kBody; });
    g_current_settings.audio_item_transparency = 0;
    BuildMask();
    EXPECT_EQ(MarkedCount(), 0); // only MIDI could be marked
    g_current_settings.midi_item_transparency = 0;
    BuildMask();
    EXPECT_TRUE(mask_.empty());
}

TEST_F(ItemBackgroundTest, BandSplitsAnItemIntoSeparatelyJudgedSegments) {
    // Left of column 30 the item is kBody, right of it shaded kOther; each side wins its own.
    PlaceItem(kMidiItem, 60, 60, [](int x, int) { return x < 30 ? kBody : kOther; });
    BuildMask(30, 90);
    EXPECT_EQ(Marked(10, 30), 1);
    EXPECT_EQ(Marked(50, 30), 1);
    // Judged as one segment, kBody and kOther tie and nothing is marked.
    BuildMask();
    EXPECT_EQ(MarkedCount(), 0);
}

TEST_F(ItemBackgroundTest, RectangleOutsideTheFrameMarksNothing) {
    PlaceItem(kAudioItem, 60, 60, [](int, int) { return kBody; });
    EXPECT_TRUE(ItemBackgroundMask(60, 60, 1, 0, 0, 0).empty());
    EXPECT_TRUE(ItemBackgroundMask(-4, 60, 0, 0, 0, 0).empty());
    g_item_overlay.layout_width = 59; // class map built for another size
    EXPECT_TRUE(ItemBackgroundMask(60, 60, 0, 0, 0, 0).empty());
}

} // namespace
