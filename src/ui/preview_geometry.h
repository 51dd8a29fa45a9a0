// Sizes and rectangles of the settings dialog's arrange preview, and the colour its text takes.
#pragma once

#include <cstdint>

struct PreviewSize {
    int width;
    int height;
};

struct PreviewRect {
    int left;
    int top;
    int width;
    int height;
};

inline constexpr int kPreviewMaxSide = 1024;

// The preview's own copy of a w x h picture: at most 1024 on the longer side, never enlarged.
PreviewSize PreviewPictureSize(uint32_t width, uint32_t height);

// The arrange view's proportions aw : ah, as large as fits, centred in inner.
PreviewRect PreviewArea(const PreviewRect& inner, int arrange_width, int arrange_height);

// Cover: the part of an iw x ih picture shown over the whole area (cropped to its proportions).
PreviewRect CoverSource(int picture_width, int picture_height, int area_width, int area_height);

// Contain: where the whole picture goes inside the area, centred.
PreviewRect ContainDestination(const PreviewRect& area, int picture_width, int picture_height);

// Constant alpha for the opacity trackbar position 0..1000.
uint8_t OpacityAlpha(int position);

// 0x191919 on a light background (lightness above 128), else 0xE6E6E6; colours 0x00BBGGRR.
uint32_t PreviewTextColour(uint32_t background);
