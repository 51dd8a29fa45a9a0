// Softness for the fitted wallpaper: a Gaussian-like blur done once when the picture is fitted,
// so frames cost nothing extra.
#pragma once

#include <cstdint>

#include "base/processor_features.h"
#include "frame/frame_view.h"

// The blur radius in pixels for a softness of blur_permille (0 to 1000): up to 3 % of the
// view's smaller side. 0 means no blur.
int SoftenRadius(int blur_permille, int view_width, int view_height);

// Blurs the pixels of rect (inside a surface of `stride` pixels a row) in place; pixels outside
// rect are neither read nor written, and the rect's edges extend outwards. False, and nothing
// changed, when the working memory cannot be had. path: the row kernels take 32 bytes a step
// with AVX2 from ProcessorPath::avx2 on (soften_avx2.h), the same bytes as baseline's.
bool SoftenPixels(uint32_t* pixels, int stride, PixelRect rect, int radius,
                  ProcessorPath path = ActiveProcessorPath());
