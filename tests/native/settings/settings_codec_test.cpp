#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <utility>

#include "settings/settings_codec.h"

TEST(PermilleText, AcceptsWholeIntegersFromZeroToAThousand) {
    EXPECT_EQ(ParsePermille("1000"), 1.0);
    EXPECT_EQ(ParsePermille("0"), 0.0);
    EXPECT_EQ(ParsePermille(" 500"), 0.5);
    EXPECT_EQ(ParsePermille("+350"), 0.35);
    EXPECT_EQ(ParsePermille("-0"), 0.0);
}

TEST(PermilleText, RefusesEverythingElse) {
    for (const char* text : {"1001", "-1", "35%", "0x10", "", " ", "500 ", "5e2", "1.5", "--5",
                             "99999999999999999999", "-4294966296"}) {
        EXPECT_FALSE(ParsePermille(text).has_value()) << '"' << text << '"';
    }
}

TEST(PermilleText, WritesRoundedHalvesAwayFromZero) {
    EXPECT_EQ(FormatPermille(0.3505), "351");
    EXPECT_EQ(FormatPermille(0.35), "350");
    EXPECT_EQ(FormatPermille(1.0), "1000");
    EXPECT_EQ(FormatPermille(0.0), "0");
    EXPECT_EQ(FractionToPermille(-0.0005), -1);
}

TEST(PermilleText, OutOfRangeFractionsDoNotOverflow) {
    EXPECT_EQ(FractionToPermille(1e300), 2147483647);
    EXPECT_EQ(FractionToPermille(-1e300), -2147483647 - 1);
    EXPECT_EQ(FractionToPermille(std::numeric_limits<double>::quiet_NaN()), 0);
}

TEST(HexColourText, ReadsRedFirstInEitherCase) {
    EXPECT_EQ(ParseHexColour("ff8000"), 0x0080FFu); // red 255, green 128, blue 0
    EXPECT_EQ(ParseHexColour("60A0FF"), 0xFFA060u);
    EXPECT_EQ(ParseHexColour("000000"), 0u);
}

TEST(HexColourText, RefusesWrongLengthsAndNonHexDigits) {
    for (const char* text : {"FF800", "#FF8000", "GG0000", "", "FF80000", " FF800", "FF 800"}) {
        EXPECT_FALSE(ParseHexColour(text).has_value()) << '"' << text << '"';
    }
}

TEST(HexColourText, WritesUpperCaseRedFirst) {
    EXPECT_EQ(FormatHexColour(0xFFA060), "60A0FF");
    EXPECT_EQ(FormatHexColour(0x0080FF), "FF8000");
    EXPECT_EQ(FormatHexColour(0xABCDEF), "EFCDAB");
}

TEST(FitModeText, OnlyExactLowerCaseNamesSelectContainOrStretch) {
    EXPECT_EQ(ParseFitMode("contain"), FitMode::contain);
    EXPECT_EQ(ParseFitMode("stretch"), FitMode::stretch);
    EXPECT_EQ(ParseFitMode("Contain"), FitMode::cover);
    EXPECT_EQ(ParseFitMode(""), FitMode::cover);
    EXPECT_EQ(ParseFitMode("cover"), FitMode::cover);
    EXPECT_EQ(ParseFitMode("tile"), FitMode::tile);
    EXPECT_EQ(ParseFitMode("center"), FitMode::center);
    EXPECT_EQ(ParseFitMode("centre"), FitMode::cover);
    EXPECT_EQ(ParseFitMode("tile "), FitMode::cover);
    EXPECT_STREQ(FitModeName(static_cast<FitMode>(9)), "cover");
    EXPECT_STREQ(FitModeName(static_cast<FitMode>(5)), "cover"); // one past the last name
    for (FitMode mode :
         {FitMode::cover, FitMode::contain, FitMode::stretch, FitMode::tile, FitMode::center}) {
        EXPECT_EQ(ParseFitMode(FitModeName(mode)), mode);
    }
}

TEST(AnchorText, NineExactNamesAndCentreForAnythingElse) {
    EXPECT_EQ(ParseAnchor("top-left"), Anchor::top_left);
    EXPECT_EQ(ParseAnchor("bottom"), Anchor::bottom);
    for (const char* other : {"", "Top", "top left", "middle", "centre", "bottom-right\n"}) {
        EXPECT_EQ(ParseAnchor(other), Anchor::center) << other;
    }
    EXPECT_STREQ(AnchorName(static_cast<Anchor>(-1)), "center");
    EXPECT_STREQ(AnchorName(static_cast<Anchor>(9)), "center");
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(ParseAnchor(AnchorName(Anchor(i))), Anchor(i));
    }
}

TEST(UnicodeConversion, RoundTripsTextOutsideTheBasicPlane) {
    const std::u16string path = u"C:\\Bilder\\\u6771\u4EAC \u00E9t\u00E9 \U0001F3B5.png";
    std::string utf8 = Utf16ToUtf8(path);
    EXPECT_EQ(utf8, "C:\\Bilder\\\xE6\x9D\xB1\xE4\xBA\xAC \xC3\xA9t\xC3\xA9 \xF0\x9F\x8E\xB5.png");
    EXPECT_EQ(Utf8ToUtf16(utf8), path);
}

TEST(UnicodeConversion, LastCodePointOfEachLengthConvertsBothWays) {
    const std::pair<std::u16string, std::string> pairs[] = {
        {u"\u007F", "\x7F"},
        {u"\u0080", "\xC2\x80"},
        {u"\u07FF", "\xDF\xBF"},
        {u"\u0800", "\xE0\xA0\x80"},
        {u"\uFFFF", "\xEF\xBF\xBF"},
        {u"\U00010000", "\xF0\x90\x80\x80"},
        {u"\U0010FFFF", "\xF4\x8F\xBF\xBF"},
    };
    for (const auto& [utf16, utf8] : pairs) {
        EXPECT_EQ(Utf16ToUtf8(utf16), utf8) << utf8.size() << " bytes";
        EXPECT_EQ(Utf8ToUtf16(utf8), utf16) << utf8.size() << " bytes";
    }
}

TEST(UnicodeConversion, InvalidInputGivesAnEmptyString) {
    for (const char* bad : {"\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80",
                            "abc\xFF", "\xE6\x9D", "\x80"}) {
        EXPECT_TRUE(Utf8ToUtf16(bad).empty()) << bad;
    }
    EXPECT_TRUE(Utf16ToUtf8(std::u16string(1, u'\xD800')).empty());
    EXPECT_TRUE(Utf16ToUtf8(u"a\xDC00z").empty());
    // Lone low surrogates up to the last one, in either form.
    EXPECT_TRUE(Utf16ToUtf8(u"a\xDFFFz").empty());
    EXPECT_TRUE(Utf8ToUtf16("a\xED\xBF\xBFz").empty());
    // Text cut inside a pair or a sequence: what follows in memory is not part of the text.
    const std::u16string pair = u"a\U0001F3B5";
    EXPECT_TRUE(Utf16ToUtf8(std::u16string_view(pair).substr(0, 2)).empty());
    const std::string sequence = "a\xE6\x9D\xB1";
    EXPECT_TRUE(Utf8ToUtf16(std::string_view(sequence).substr(0, 3)).empty());
}
