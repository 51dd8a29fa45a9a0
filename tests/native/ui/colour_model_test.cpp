#include <gtest/gtest.h>

#include "ui/colour_model.h"

namespace {

uint32_t Rgb(uint32_t r, uint32_t g, uint32_t b) {
    return r | (g << 8) | (b << 16);
}

} // namespace

TEST(ColourModel, RoundTripsThroughHsv) {
    for (uint32_t colour :
         {Rgb(0x60, 0xA0, 0xFF), Rgb(255, 128, 0), Rgb(1, 2, 3), Rgb(0xB3, 0x88, 0xFF),
          Rgb(255, 0, 0), Rgb(0, 255, 0), Rgb(0, 0, 255), Rgb(255, 255, 255)}) {
        Hsv hsv;
        RgbToHsv(colour, hsv);
        EXPECT_EQ(HsvToRgb(hsv.hue, hsv.saturation, hsv.value), colour) << std::hex << colour;
    }
}

TEST(ColourModel, GreysKeepTheHueLastPicked) {
    Hsv hsv;
    RgbToHsv(Rgb(0x60, 0xA0, 0xFF), hsv);
    double hue = hsv.hue;
    RgbToHsv(Rgb(0x60, 0x60, 0x60), hsv);
    EXPECT_EQ(hsv.hue, hue);
    EXPECT_EQ(hsv.saturation, 0.0);
    EXPECT_DOUBLE_EQ(hsv.value, 96.0 / 255.0);
    RgbToHsv(0, hsv);
    EXPECT_EQ(hsv.hue, hue);
    EXPECT_EQ(hsv.value, 0.0);
}

TEST(ColourModel, ClampsOutOfRangeInputs) {
    EXPECT_EQ(HsvToRgb(-20.0, 2.0, 1.5), Rgb(255, 0, 0));
    EXPECT_EQ(HsvToRgb(400.0, 1.0, 1.0), HsvToRgb(359.999, 1.0, 1.0));
    EXPECT_EQ(HsvToRgb(120.0, -1.0, 0.5), Rgb(128, 128, 128)); // 127.5 rounds away from zero
}

TEST(ColourModel, HexFieldTakesSixDigitsWithOrWithoutTheSign) {
    EXPECT_EQ(ParseHexField(u"#ff8000"), Rgb(255, 128, 0));
    EXPECT_EQ(ParseHexField(u"FF8000"), Rgb(255, 128, 0));
    EXPECT_FALSE(ParseHexField(u"#ff80"));
    EXPECT_FALSE(ParseHexField(u"##ff8000"));
    EXPECT_FALSE(ParseHexField(u"#gg8000"));
    EXPECT_FALSE(ParseHexField(u""));
    EXPECT_FALSE(ParseHexField(u"ff800\u00e9"));
}

TEST(ColourModel, HueStripRunsFromRedAtTheTopToHue359AtTheBottom) {
    std::vector<uint32_t> strip = RenderHueStrip(3, 120);
    ASSERT_EQ(strip.size(), 360u);
    EXPECT_EQ(strip[0], 0xFF0000u); // 0x00RRGGBB
    EXPECT_EQ(strip[2], 0xFF0000u);
    uint32_t bottom = HsvToRgb(359.0, 1.0, 1.0);
    uint32_t expected = ((bottom & 0xFF) << 16) | (bottom & 0xFF00) | ((bottom >> 16) & 0xFF);
    EXPECT_EQ(strip[359], expected);
    EXPECT_TRUE(RenderHueStrip(1, 120).empty());
    EXPECT_TRUE(RenderHueStrip(3, 1).empty());
}

TEST(ColourModel, SquareCornersAreWhiteHueAndBlack) {
    std::vector<uint32_t> square = RenderColourSquare(2, 2, 120.0);
    ASSERT_EQ(square.size(), 4u);
    EXPECT_EQ(square[0], 0xFFFFFFu);
    EXPECT_EQ(square[1], 0x00FF00u);
    EXPECT_EQ(square[2], 0u);
    EXPECT_EQ(square[3], 0u);
    std::vector<uint32_t> big = RenderColourSquare(200, 100, 0.0);
    EXPECT_EQ(big[0], 0xFFFFFFu);
    EXPECT_EQ(big[199], 0xFF0000u);
    EXPECT_EQ(big[99 * 200 + 50], 0u);
}

TEST(ColourModel, MarkersFollowTheModel) {
    EXPECT_EQ(HueStripMarkerY(120, 0.0), 0);
    EXPECT_EQ(HueStripMarkerY(120, 359.0), 119);
    EXPECT_EQ(HueStripMarkerY(120, 359.9), 119);
    EXPECT_EQ(SquareMarkerX(101, 0.5), 50);
    EXPECT_EQ(SquareMarkerY(101, 96.0 / 255.0), 62);
}
