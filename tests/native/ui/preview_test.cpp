#include <gtest/gtest.h>

#include <vector>

#include "ui/dialog_text.h"
#include "ui/preview_geometry.h"
#include "ui/preview_tint.h"

namespace {

void ExpectRect(const PreviewRect& rect, int left, int top, int width, int height) {
    EXPECT_EQ(rect.left, left);
    EXPECT_EQ(rect.top, top);
    EXPECT_EQ(rect.width, width);
    EXPECT_EQ(rect.height, height);
}

} // namespace

TEST(PreviewGeometry, PictureCopyIsAtMost1024OnTheLongerSide) {
    auto size = [](uint32_t w, uint32_t h) {
        PreviewSize s = PreviewPictureSize(w, h);
        return std::pair{s.width, s.height};
    };
    EXPECT_EQ(size(4000, 3000), (std::pair{1024, 768}));
    EXPECT_EQ(size(1920, 1080), (std::pair{1024, 576}));
    EXPECT_EQ(size(500, 300), (std::pair{500, 300}));
    EXPECT_EQ(size(3000, 1), (std::pair{1024, 1}));
    EXPECT_EQ(size(1, 5000), (std::pair{1, 1024}));
}

TEST(PreviewGeometry, AreaKeepsTheArrangeProportionsCentred) {
    ExpectRect(PreviewArea({8, 8, 400, 300}, 16, 9), 8, 45, 400, 225);
    ExpectRect(PreviewArea({8, 8, 400, 100}, 16, 9), 119, 8, 178, 100);
    ExpectRect(PreviewArea({0, 0, 10, 1}, 1, 1000), 4, 0, 1, 1);
}

TEST(PreviewGeometry, CoverCropsToTheAreaProportions) {
    ExpectRect(CoverSource(1000, 1000, 400, 225), 0, 218, 1000, 563);
    ExpectRect(CoverSource(1600, 900, 400, 400), 350, 0, 900, 900);
}

TEST(PreviewGeometry, ContainCentresTheWholePicture) {
    ExpectRect(ContainDestination({0, 0, 384, 216}, 1024, 512), 0, 12, 384, 192);
    ExpectRect(ContainDestination({10, 20, 384, 216}, 100, 200), 148, 20, 108, 216);
}

TEST(PreviewGeometry, OpacityAlphaAndTextColour) {
    EXPECT_EQ(OpacityAlpha(350), 89);
    EXPECT_EQ(OpacityAlpha(1000), 255);
    EXPECT_EQ(OpacityAlpha(0), 0);
    EXPECT_EQ(PreviewTextColour(0x373737), 0xE6E6E6u);
    EXPECT_EQ(PreviewTextColour(0xC0C0C0), 0x191919u);
    EXPECT_EQ(PreviewTextColour(0x808080), 0xE6E6E6u); // lightness 128 is not above 128
    EXPECT_EQ(PreviewTextColour(0x818181), 0x191919u);
}

TEST(PreviewTint, AmountZeroCopiesAndPureRedKeepsOnlyRed) {
    std::vector<uint8_t> source = {10, 20, 30, 40, 200, 100, 50, 7};
    std::vector<uint8_t> out(8);
    TintPixels(source.data(), out.data(), 2, false, 0xFFA060, 0.0);
    EXPECT_EQ(out, source);
    TintPixels(source.data(), out.data(), 2, false, 0x0000FF, 1.0);
    EXPECT_EQ(out, (std::vector<uint8_t>{0, 0, 30, 40, 0, 0, 50, 7}));
}

TEST(PreviewTint, BlackAndWhiteUsesTheLumaWeights) {
    std::vector<uint8_t> source = {19, 183, 54, 9}; // blue, green, red, fourth
    std::vector<uint8_t> out(4);
    TintPixels(source.data(), out.data(), 1, true, 0xFFA060, 0.0);
    uint8_t grey = static_cast<uint8_t>((54 * 54 + 183 * 183 + 19 * 19 + 128) >> 8);
    EXPECT_EQ(out, (std::vector<uint8_t>{grey, grey, grey, 9}));
}

TEST(DialogText, ReadOutsAndCaption) {
    EXPECT_EQ(PermillePercentText(350), u"35.0%");
    EXPECT_EQ(PermillePercentText(1000), u"100.0%");
    EXPECT_EQ(FractionPercentText(0.4), u"40.0%");
    EXPECT_EQ(TintLabelText(0xFFA060, 0.0), u"#60A0FF  (off)");
    EXPECT_EQ(TintLabelText(0x0080FF, 0.4), u"#FF8000  (40.0%)");
    EXPECT_EQ(HexColourText(0x0080FF), u"#FF8000");
    EXPECT_EQ(PreviewCaptionText(16, 9, PreviewStatusWord(true, false, false)),
              u"Arrange preview (16 x 9) - no image");
    EXPECT_EQ(std::u16string(PreviewStatusWord(false, false, true)), u"image unavailable");
    EXPECT_EQ(std::u16string(PreviewStatusWord(false, true, false)), u"wallpaper disabled");
    EXPECT_EQ(std::u16string(PreviewStatusWord(false, true, true)), u"live");
}
