// The optimised compositor against a literal per-pixel reading of the keying rules, on random
// themes, settings, items, selections and frames. The reference shares no code with the cache
// or the classifier; it takes only the item class map and the whole-frame item mask.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "base/processor_features.h"
#include "base/row_workers.h"
#include "keying/item_layout.h"
#include "keying/item_overlay.h"
#include "keying/key_colour_cache.h"
#include "support/fake_arrange.h"

namespace {

struct Colour {
    int r, g, b;
};

Colour FromTheme(uint32_t c) {
    return {int(c & 255), int((c >> 8) & 255), int((c >> 16) & 255)};
}

int Chebyshev(Colour a, Colour b) {
    return std::max({std::abs(a.r - b.r), std::abs(a.g - b.g), std::abs(a.b - b.b)});
}

double LumaOf(Colour c) {
    return (0.7152 * c.g + 0.2126 * c.r) + 0.0722 * c.b;
}

struct Decision {
    bool is_key = false;
    Colour reference = {};
    double gain = 1.0;
};

bool NearGrid(Colour p) {
    for (int i = 0; i < g_theme.grid_count; ++i) {
        if (Chebyshev(p, FromTheme(uint32_t(g_theme.grid[i]))) <= 2) {
            return true;
        }
    }
    return false;
}

bool IsBackground(Colour p) {
    if (NearGrid(p)) {
        return false;
    }
    for (int i = 0; i < g_theme.background_count; ++i) {
        if (Chebyshev(p, FromTheme(uint32_t(g_theme.background[i]))) <= 5) {
            return true;
        }
    }
    if (std::max({p.r, p.g, p.b}) - std::min({p.r, p.g, p.b}) > 14) {
        return false;
    }
    for (int i = 0; i < g_theme.background_count; ++i) {
        const Colour bg = FromTheme(uint32_t(g_theme.background[i]));
        if (std::fabs(LumaOf(p) - LumaOf(bg)) <= 38.0 &&
            std::abs((p.r + p.g + p.b) / 3 - (bg.r + bg.g + bg.b) / 3) <= 38) {
            return true;
        }
    }
    return false;
}

bool SelectionBlendOf(Colour p, Colour* found) {
    if (!g_theme.selection_valid || NearGrid(p)) {
        return false;
    }
    const Colour s = FromTheme(uint32_t(g_theme.selection_bg));
    int best = 256;
    for (int i = 0; i < g_theme.background_count; ++i) {
        const Colour f = FromTheme(uint32_t(g_theme.background[i]));
        const double dr = s.r - f.r, dg = s.g - f.g, db = s.b - f.b;
        const double l = dg * dg + dr * dr + db * db;
        if (l < 1.0) {
            continue;
        }
        const double t = ((p.r - f.r) * dr + (p.g - f.g) * dg + (p.b - f.b) * db) / l;
        if (t < 0 || t > 1 || std::fabs(p.r - (f.r + t * dr)) > 8.0 ||
            std::fabs(p.g - (f.g + t * dg)) > 8.0 || std::fabs(p.b - (f.b + t * db)) > 8.0) {
            continue;
        }
        if (Chebyshev(p, f) < best) {
            best = Chebyshev(p, f);
            *found = f;
        }
    }
    return best != 256;
}

Decision Decide(Colour p, bool in_band) {
    Decision d;
    Colour f;
    if (in_band && SelectionBlendOf(p, &f)) {
        return {true, f, 1.0};
    }
    if (!IsBackground(p)) {
        return d;
    }
    Colour nearest = FromTheme(uint32_t(g_theme.arrange_bg));
    int best = 256;
    for (int i = 0; i < g_theme.background_count; ++i) {
        const Colour bg = FromTheme(uint32_t(g_theme.background[i]));
        if (Chebyshev(p, bg) < best) {
            best = Chebyshev(p, bg);
            nearest = bg;
        }
    }
    const double ratio = std::max(LumaOf(p), 1.0) / std::max(LumaOf(nearest), 1.0);
    return {true, p, std::max(std::min(ratio, 1.45), 0.65)};
}

double TintFactor(int channel) {
    const double tint = g_current_settings.tint;
    return channel * tint / 255 + (1 - tint);
}

int TableValue(int i, double k, double gain, int reference) {
    const double opacity = g_current_settings.opacity;
    const double v = std::min(i * k * gain, 255.0) * opacity + reference * (1 - opacity);
    return v <= 0 ? 0 : (v >= 255 ? 255 : int(v + 0.5));
}

int Channel(uint32_t pixel, int shift) {
    return int((pixel >> shift) & 255);
}

// Literal per-pixel compositing of working (rectangle at its top left, stride W).
// mask: the item background marks of the rectangle (see ItemBackgroundMask), or empty.
void ReferenceComposite(std::vector<uint32_t>& work, const std::vector<uint8_t>& mask, int w, int h,
                        int x0, int y0, bool protect, int band_left, int band_right) {
    const FrameView& f = g_frame;
    const ItemOverlay& o = g_item_overlay;
    const ProjectSettings& s = g_current_settings;
    const Colour tint = FromTheme(s.tint_rgb);
    const double k[3] = {TintFactor(tint.b), TintFactor(tint.g), TintFactor(tint.r)};
    for (int i = 0; i < h; ++i) {
        for (int j = 0; j < w; ++j) {
            const int x = x0 + j, y = y0 + i;
            const size_t client = size_t(y * f.width + x);
            uint32_t& px = work[size_t(i * f.width + j)];
            const int kind = o.class_map.empty() ? 0 : o.class_map[client];
            const double t = (kind == 1 || kind == 4)   ? s.audio_item_transparency
                             : (kind == 2 || kind == 5) ? s.midi_item_transparency
                                                        : 0;
            if (kind != 0 && (t <= 0 || mask.empty() || mask[size_t(i * w + j)] == 0)) {
                continue;
            }
            bool inside = true;
            const PixelRect& pic = f.picture_rect;
            if (s.mode == FitMode::contain &&
                (x < pic.left || x >= pic.right || y < pic.top || y >= pic.bottom)) {
                if (kind == 0) {
                    continue;
                }
                inside = false;
            }
            const Colour p = {Channel(px, 16), Channel(px, 8), Channel(px, 0)};
            const uint32_t v = f.fitted[client];
            const bool protected_pixel =
                protect && f.last_frame_valid && ((px ^ f.last_frame[client]) & 0xFFFFFF) == 0;
            if (kind == 0) {
                const Decision d = Decide(p, x > band_left && x < band_right - 1);
                if (!d.is_key || protected_pixel) {
                    continue;
                }
                const int b = TableValue(Channel(v, 0), k[0], d.gain, d.reference.b);
                const int g = TableValue(Channel(v, 8), k[1], d.gain, d.reference.g);
                const int r = TableValue(Channel(v, 16), k[2], d.gain, d.reference.r);
                px = (px & 0xFF000000) | uint32_t(r << 16 | g << 8 | b);
                continue;
            }
            if (o.row_colours.size() != size_t(f.height) || protected_pixel) {
                continue;
            }
            const bool custom = kind == 4 || kind == 5;
            const Colour rc = FromTheme(o.row_colours[size_t(y)]);
            const Decision lane = Decide(rc, false);
            const int captured[3] = {p.b, p.g, p.r};
            const int lane_c[3] = {rc.b, rc.g, rc.r};
            const int lane_ref[3] = {lane.reference.b, lane.reference.g, lane.reference.r};
            int out[3];
            for (int c = 0; c < 3; ++c) {
                const int vc = Channel(v, 8 * c);
                double base = custom ? captured[c] : lane_c[c];
                if (inside) {
                    if (!custom && lane.is_key) {
                        base = TableValue(vc, k[c], lane.gain, lane_ref[c]);
                    } else {
                        base = int(std::min(k[c] * vc, 255.0) * s.opacity + base * (1 - s.opacity) +
                                   0.5);
                    }
                }
                out[c] = int(base * t + captured[c] * (1 - t) + 0.5);
            }
            px = (px & 0xFF000000) | uint32_t(out[2] << 16 | out[1] << 8 | out[0]);
        }
    }
}

// Colours an arrange view is made of, near the theme's on purpose: lanes, shades, grid lines,
// selection blends, waveforms and anything else.
class Painter {
  public:
    explicit Painter(std::mt19937& rng) : rng_(rng) {}

    int Uniform(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng_); }
    double Real() { return std::uniform_real_distribution<double>(0, 1)(rng_); }

    uint32_t Pick() {
        const ThemeColourSet& t = g_theme;
        const uint32_t fourth = uint32_t(Uniform(0, 255)) << 24;
        const int kind = Uniform(0, 9);
        Colour c = {Uniform(0, 255), Uniform(0, 255), Uniform(0, 255)};
        if (kind <= 3 && t.background_count > 0) {
            c = FromTheme(uint32_t(t.background[Uniform(0, t.background_count - 1)]));
            const int spread = kind == 0 ? 0 : (kind == 1 ? 6 : 40);
            c = {Jitter(c.r, spread), Jitter(c.g, spread), Jitter(c.b, spread)};
            if (kind == 3) {
                c.g = c.r;
                c.b = Jitter(c.r, 7);
            }
        } else if (kind == 4 && t.grid_count > 0) {
            c = FromTheme(uint32_t(t.grid[Uniform(0, t.grid_count - 1)]));
            c = {Jitter(c.r, 3), Jitter(c.g, 3), Jitter(c.b, 3)};
        } else if (kind == 5 && t.background_count > 0) {
            const Colour f = FromTheme(uint32_t(t.background[Uniform(0, t.background_count - 1)]));
            const Colour s = FromTheme(uint32_t(t.selection_bg));
            const double a = Real();
            c = {Jitter(int(f.r + a * (s.r - f.r)), 2), Jitter(int(f.g + a * (s.g - f.g)), 2),
                 Jitter(int(f.b + a * (s.b - f.b)), 2)};
        }
        return fourth | uint32_t(c.r << 16 | c.g << 8 | c.b);
    }

    uint32_t ThemeColour() {
        if (Uniform(0, 1) == 0) {
            const int grey = Uniform(0, 255);
            return ThemeRgb(grey, Jitter(grey, 4), Jitter(grey, 4));
        }
        return ThemeRgb(Uniform(0, 255), Uniform(0, 255), Uniform(0, 255));
    }

  private:
    int Jitter(int v, int spread) { return std::clamp(v + Uniform(-spread, spread), 0, 255); }

    std::mt19937& rng_;
};

class CompositorDifferentialTest : public KeyingTest {
  protected:
    void RandomTheme(Painter& paint) {
        std::vector<uint32_t> background, grid;
        for (int n = paint.Uniform(0, 5); n > 0; --n) {
            background.push_back(paint.ThemeColour());
        }
        for (int n = paint.Uniform(0, 6); n > 0; --n) {
            grid.push_back(paint.ThemeColour());
        }
        SetTheme(background, grid, paint.Uniform(0, 2) > 0 ? int32_t(paint.ThemeColour()) : -1);
        g_scene.theme = {{"col_tr1_bg", int(paint.ThemeColour())},
                         {"col_tr2_bg", background.empty() ? -1 : int(background[0])},
                         {"col_tr1_peaks", int(paint.ThemeColour())}};
    }

    void RandomSettings(Painter& paint) {
        const double fractions[] = {0, 1, paint.Real(), paint.Real()};
        ProjectSettings& s = g_current_settings;
        s.opacity = fractions[paint.Uniform(0, 3)];
        s.tint = paint.Uniform(0, 1) ? 0 : paint.Real();
        s.tint_rgb = paint.ThemeColour();
        s.mode = paint.Uniform(0, 2) == 0 ? FitMode::contain : FitMode::cover;
        s.audio_item_transparency = fractions[paint.Uniform(0, 3)];
        s.midi_item_transparency = fractions[paint.Uniform(0, 3)];
        AdvanceKeyingGeneration();
    }

    // Lanes of runs, then items painted over them with a body colour and a few waveform pixels.
    // stacked: the items overlap on one track, so found backgrounds overlap too.
    std::vector<uint32_t> RandomClientImage(Painter& paint, int width, int height, bool stacked) {
        std::vector<uint32_t> image(size_t(width * height));
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width;) {
                const uint32_t c = paint.Pick();
                for (int run = paint.Uniform(1, 24); run > 0 && x < width; --run, ++x) {
                    image[size_t(y * width + x)] = c;
                }
            }
        }
        g_scene.view_start = paint.Real() * 10;
        g_scene.view_end = g_scene.view_start + 1 + paint.Real() * 10;
        g_scene.zoom = paint.Uniform(0, 1) ? width / (g_scene.view_end - g_scene.view_start) : 0;
        g_scene.selection_start = g_scene.view_start + (paint.Real() - 0.2) * 8;
        g_scene.selection_end = g_scene.selection_start + (paint.Real() - 0.1) * 6;
        g_scene.tracks.clear();
        for (int t = 0; t < 4; ++t) {
            g_scene.tracks.push_back({double(t * height / 4), double(t + 1), double(t == 2)});
        }
        g_scene.items.clear();
        const FakeTake takes[] = {FakeTake::audio, FakeTake::midi, FakeTake::none};
        for (int n = paint.Uniform(0, 6); n > 0; --n) {
            FakeItem item;
            item.position = g_scene.view_start + (paint.Real() - 0.1) * 9;
            item.length = 0.3 + paint.Real() * 4;
            item.lasth = paint.Uniform(4, height / 2 + 4);
            item.lasty = paint.Uniform(0, 4);
            item.track = paint.Uniform(0, 3);
            if (stacked) {
                item.position = g_scene.view_start + paint.Real() * 2;
                item.length = 2 + paint.Real() * 4;
                item.lasth = paint.Uniform(height / 3, height / 2 + 4);
                item.track = 0;
            }
            item.take = takes[paint.Uniform(0, 2)];
            item.custom_colour = paint.Uniform(0, 3) == 0;
            g_scene.items.push_back(item);
        }
        return image;
    }

    static int Near(Painter& paint, int channel) {
        return std::clamp(channel + paint.Uniform(-44, 44), 0, 255);
    }

    // With shared_body every item gets the same body colour, as items of one track often do.
    void PaintItems(Painter& paint, std::vector<uint32_t>& image, int width, bool shared_body) {
        const uint32_t shared = paint.Pick();
        for (const ItemRect& r : g_item_overlay.items) {
            const uint32_t body = shared_body ? shared : paint.Pick();
            const uint32_t peaks = PixelRgb(int(g_scene.theme["col_tr1_peaks"] & 255),
                                            int((g_scene.theme["col_tr1_peaks"] >> 8) & 255),
                                            int((g_scene.theme["col_tr1_peaks"] >> 16) & 255));
            // A name bar in a colour near the body, drawn in runs, over the top rows.
            const uint32_t bar =
                PixelRgb(Near(paint, int(body >> 16 & 255)), Near(paint, int(body >> 8 & 255)),
                         Near(paint, int(body & 255)));
            const int bar_rows = paint.Uniform(0, 4);
            for (int y = r.top; y < r.bottom; ++y) {
                for (int x = r.left; x < r.right; ++x) {
                    const int roll = paint.Uniform(0, 19);
                    image[size_t(y * width + x)] = y < r.top + bar_rows && roll > 2 ? bar
                                                   : roll == 0                      ? paint.Pick()
                                                   : roll < 4                       ? peaks
                                                                                    : body;
                }
            }
        }
    }
};

TEST_F(CompositorDifferentialTest, MatchesThePerPixelReferenceByteForByte) {
    std::mt19937 rng(20240611);
    Painter paint(rng);
    for (int trial = 0; trial < 240; ++trial) {
        SCOPED_TRACE("trial " + std::to_string(trial));
        const bool stacked = trial % 3 == 2;
        const int width = paint.Uniform(stacked ? 60 : 1, 140);
        const int height = paint.Uniform(stacked ? 50 : 1, 90);
        RandomTheme(paint);
        RandomSettings(paint);
        std::vector<uint32_t> image = RandomClientImage(paint, width, height, stacked);
        MakeFrame(width, height, 0, 0);
        for (uint32_t& v : fitted_) {
            v = uint32_t(rng());
        }
        g_frame.picture_rect = {paint.Uniform(-5, width), paint.Uniform(-5, height),
                                paint.Uniform(0, width + 5), paint.Uniform(0, height + 5)};
        ASSERT_TRUE(UpdateItemLayout(g_item_overlay, g_theme, width, height));
        PaintItems(paint, image, width, paint.Uniform(0, 1) == 1);

        // A third of the calls take the whole client area, as a render does.
        const bool whole = paint.Uniform(0, 2) == 0;
        const int x0 = whole ? 0 : paint.Uniform(0, width - 1);
        const int y0 = whole ? 0 : paint.Uniform(0, height - 1);
        const int w = whole ? width : paint.Uniform(0, width - x0);
        const int h = whole ? height : paint.Uniform(0, height - y0);
        const bool protect = paint.Uniform(0, 1) == 1;
        std::vector<uint32_t> captured(size_t(width * height), 0x5A5A5A5A);
        for (int i = 0; i < h; ++i) {
            for (int j = 0; j < w; ++j) {
                captured[size_t(i * width + j)] = image[size_t((y0 + i) * width + x0 + j)];
            }
        }
        last_frame_ = image;
        for (uint32_t& v : last_frame_) {
            v = paint.Uniform(0, 3) == 0 ? uint32_t(rng()) : v ^ (uint32_t(rng()) & 0xFF000000);
        }
        g_frame.last_frame_valid = paint.Uniform(0, 1) == 1;

        // Cold cache then warm, on the path in use (the best this processor has, unless
        // MURIVO_CPU lowers it) and on the baseline path, each from the same capture; then cold
        // on each path with the rows split between threads, which fill the shared tables side
        // by side.
        for (int pass = 0; pass < 6; ++pass) {
            if (pass == 2 || pass >= 4) {
                AdvanceKeyingGeneration();
            }
            const ProcessorPath path =
                pass < 2 || pass == 4 ? ActiveProcessorPath() : ProcessorPath::baseline;
            ForceRowThreads(pass >= 4 ? 3 : 0);
            working_ = captured;
            g_frame.working = working_.data();
            CompositeFrame(w, h, x0, y0, protect, path);

            std::vector<uint32_t> expected = captured;
            const bool band_on =
                g_theme.selection_valid && g_scene.selection_end > g_scene.selection_start;
            const double pps =
                g_scene.zoom > 0 ? g_scene.zoom : width / (g_scene.view_end - g_scene.view_start);
            const int band_left =
                band_on ? int(std::floor(
                              std::clamp((g_scene.selection_start - g_scene.view_start) * pps, 0.0,
                                         double(width))))
                        : 0;
            const int band_right =
                band_on
                    ? int(std::ceil(std::clamp((g_scene.selection_end - g_scene.view_start) * pps,
                                               0.0, double(width))))
                    : 0;
            // The compositor marks item pixels row by row as it goes; the reference takes the
            // whole mask, built from the same capture in one piece.
            g_frame.working = expected.data();
            const std::vector<uint8_t> mask =
                ItemBackgroundMask(w, h, x0, y0, band_left, band_right);
            ReferenceComposite(expected, mask, w, h, x0, y0, protect, band_left, band_right);
            ForceRowThreads(0);
            ASSERT_EQ(working_, expected) << "pass " << pass << " (" << ProcessorPathName(path)
                                          << "), " << width << "x" << height;
        }
    }
}

// Thousands of distinct key colours in one call: more than the per-call tables hold, so slots
// are taken over while earlier colours come back. Every shade is a near-grey of the lane.
// Runs of one to three pixels leave nearly every sixteen-pixel block with several colours.
TEST_F(CompositorDifferentialTest, ManyDistinctShadesInOneCallMatchTheReference) {
    std::mt19937 rng(77);
    Painter paint(rng);
    SetTheme({ThemeRgb(100, 100, 100), ThemeRgb(60, 64, 60)}, {ThemeRgb(90, 90, 90)});
    g_current_settings.opacity = 0.6;
    g_current_settings.tint = 0.3;
    g_current_settings.tint_rgb = ThemeRgb(200, 120, 40);
    AdvanceKeyingGeneration();
    g_scene.items.clear(); // no class map: every pixel is a background candidate
    const int width = 300;
    const int height = 60;
    MakeFrame(width, height, 0, 0);
    ASSERT_TRUE(UpdateItemLayout(g_item_overlay, g_theme, width, height));
    for (uint32_t& v : fitted_) {
        v = uint32_t(rng());
    }
    std::vector<uint32_t> captured(size_t(width * height));
    for (int i = 0; i < width * height;) {
        const int grey = paint.Uniform(64, 136);
        const uint32_t c = PixelRgb(grey, std::clamp(grey + paint.Uniform(-7, 7), 0, 255),
                                    std::clamp(grey + paint.Uniform(-7, 7), 0, 255),
                                    uint32_t(paint.Uniform(0, 255)));
        for (int run = paint.Uniform(1, 3); run > 0 && i < width * height; --run, ++i) {
            captured[size_t(i)] = c;
        }
    }
    // Pass 2 keeps about half the pixels, those equal to the last frame's; pass 3 does the same
    // cold with the rows split between threads, whose fills then overflow side by side.
    for (int pass = 0; pass < 4; ++pass) {
        const bool protect = pass >= 2;
        for (size_t i = 0; pass == 2 && i < captured.size(); ++i) {
            last_frame_[i] = paint.Uniform(0, 1) == 0 ? captured[i] : ~captured[i];
        }
        if (pass == 3) {
            AdvanceKeyingGeneration();
        }
        ForceRowThreads(pass == 3 ? 2 : 0);
        g_frame.last_frame_valid = protect;
        working_ = captured;
        g_frame.working = working_.data();
        CompositeFrame(width, height, 0, 0, protect);
        ForceRowThreads(0);
        std::vector<uint32_t> expected = captured;
        ReferenceComposite(expected, {}, width, height, 0, 0, protect, 0, 0);
        ASSERT_EQ(working_, expected) << "pass " << pass;
    }
}

} // namespace
