// The tint picker's colour model: hue, saturation and value kept next to the RGB colour, so a
// grey keeps the hue last picked and the markers stay where the user put them.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

struct Hsv {
    double hue = 0.0;        // degrees, 0 up to (not including) 360
    double saturation = 0.0; // 0..1
    double value = 1.0;      // 0..1
};

// Updates hsv from a 0x00BBGGRR colour; greys, black and white leave the hue as it was.
void RgbToHsv(uint32_t colour, Hsv& hsv);

// Clamps the three inputs and gives the 0x00BBGGRR colour.
uint32_t HsvToRgb(double hue, double saturation, double value);

// The hex box: one optional leading '#', then exactly six hex digits, red first.
std::optional<uint32_t> ParseHexField(std::u16string_view text);

// Hue strip of width x height pixels (0x00RRGGBB, top-down): hue 0 at the top row, 359 at the
// bottom. Sizes of 1 or less give nothing.
std::vector<uint32_t> RenderHueStrip(int width, int height);

// Saturation/value square for hue: white top left, the pure hue top right, black bottom row.
std::vector<uint32_t> RenderColourSquare(int width, int height, double hue);

// Marker positions inside an area of width x height (offsets from its top-left corner).
int HueStripMarkerY(int height, double hue);
int SquareMarkerX(int width, double saturation);
int SquareMarkerY(int height, double value);
