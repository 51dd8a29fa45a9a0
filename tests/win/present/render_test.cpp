// Rendering a corrected frame onto the simulated arrange view, pixel by pixel: the extension's
// own code linked statically, without the BitBlt hook (the post-paint fallback path).
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/host_api.h"
#include "frame/frame_view.h"
#include "frame/wallpaper_image.h"
#include "host_functions.h"
#include "host_windows.h"
#include "keying/key_colour_cache.h"
#include "keying/theme_colours.h"
#include "present/arrange_theme.h"
#include "present/frame_buffers.h"
#include "present/render.h"
#include "present/settings_apply.h"
#include "scene.h"
#include "settings/project_settings.h"
#include "simulator.h"
#include "support/diagnostics_capture.h"
#include "support/picture_files.h"
#include "theme.h"

namespace {

using Pixels = std::vector<uint32_t>;

constexpr int kWidth = 640;
constexpr int kHeight = 360;
constexpr uint32_t kRgb = 0x00FFFFFF;
constexpr COLORREF kTextColour = RGB(250, 250, 250);
constexpr int kOpaque = 0x30000; // a grid draw mode: normal, alpha 1

// Three lanes (the middle one selected), an audio and a MIDI item, the edit cursor, grid lines
// every 12.5 pixels and background below the last lane.
sim::Scene RenderScene() {
    sim::Scene scene;
    scene.arrange_width = kWidth;
    scene.arrange_height = kHeight;
    scene.cursor = 0.3;
    scene.tracks = {sim::SceneTrack{}, sim::SceneTrack{}, sim::SceneTrack{}};
    scene.tracks[1].selected = true;
    sim::SceneItem audio;
    audio.position = 1.0;
    audio.length = 3.0;
    sim::SceneItem midi;
    midi.track = 2;
    midi.position = 6.0;
    midi.length = 3.0;
    midi.kind = sim::ItemKind::kMidi;
    scene.items = {audio, midi};
    return scene;
}

struct Box {
    int left;
    int top;
    int right;
    int bottom;

    bool Holds(int x, int y, int margin) const {
        return x >= left - margin && x < right + margin && y >= top - margin && y < bottom + margin;
    }
};

// Where the host draws each item, worked out from the scene independently of the extension.
std::vector<Box> ItemBoxes(const sim::Scene& scene) {
    std::vector<Box> boxes;
    for (const sim::SceneItem& item : scene.items) {
        auto x = [&](double t) {
            return static_cast<int>(std::floor((t - scene.view_start) * scene.zoom));
        };
        int top = sim::TrackTop(scene, item.track) + sim::kItemInset;
        int height = scene.tracks[static_cast<size_t>(item.track)].height - 2 * sim::kItemInset;
        boxes.push_back({x(item.position), top, x(item.position + item.length), top + height});
    }
    return boxes;
}

Pixels Screen() {
    Pixels pixels;
    int width = 0;
    int height = 0;
    EXPECT_TRUE(sim::CaptureArrange(pixels, width, height));
    for (uint32_t& pixel : pixels) {
        pixel &= kRgb;
    }
    return pixels;
}

Pixels Surface(const uint32_t* pixels) {
    GdiFlush();
    Pixels copy(pixels, pixels + static_cast<size_t>(g_frame.width) * g_frame.height);
    for (uint32_t& pixel : copy) {
        pixel &= kRgb;
    }
    return copy;
}

// What keying makes of one captured pixel over the fitted wallpaper pixel, through the
// keying stage's own tables: the blend where the colour is background, else the pixel itself.
uint32_t Keyed(uint32_t host, uint32_t wallpaper) {
    static KeyColourEntry spare;
    const KeyColourEntry& e = LookupKeyColourShared(KeyColourKey(host, false), spare,
                                                    KeyingInputsOf(g_current_settings, g_theme));
    if (e.is_key == 0) {
        return host;
    }
    return uint32_t(e.red_table[(wallpaper >> 16) & 0xFF]) << 16 |
           uint32_t(e.green_table[(wallpaper >> 8) & 0xFF]) << 8 | e.blue_table[wallpaper & 0xFF];
}

// Checks every pixel of a presented frame: items exactly as the host drew them (their
// one-pixel outline may go either way), everything else keyed inside the picture rectangle
// and as drawn outside it. Returns how many pixels the wallpaper changed.
int ExpectKeyedFrame(const Pixels& host, const Pixels& shown, const Pixels& fitted,
                     const std::vector<Box>& items, const PixelRect& picture) {
    int changed = 0;
    int wrong = 0;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            size_t i = static_cast<size_t>(y) * kWidth + x;
            bool in_item = false;
            bool near_item = false;
            for (const Box& box : items) {
                in_item = in_item || box.Holds(x, y, -1);
                near_item = near_item || box.Holds(x, y, 2);
            }
            bool in_picture =
                x >= picture.left && x < picture.right && y >= picture.top && y < picture.bottom;
            uint32_t keyed = in_picture ? Keyed(host[i], fitted[i]) : host[i];
            uint32_t expected = in_item ? host[i] : keyed;
            bool ok = shown[i] == expected || (near_item && shown[i] == host[i]);
            changed += shown[i] != host[i] ? 1 : 0;
            if (!ok && ++wrong <= 5) {
                ADD_FAILURE() << "pixel (" << x << ", " << y << "): host " << std::hex << host[i]
                              << ", fitted " << fitted[i] << ", shown " << shown[i] << ", expected "
                              << expected;
            }
        }
    }
    EXPECT_EQ(wrong, 0) << "pixels that differ from the keyed frame";
    return changed;
}

class RenderTest : public testing::Test {
  protected:
    void SetUp() override {
        StartDiagnosticsCapture();
        ASSERT_TRUE(sim::StartSimulator(RenderScene()));
        BindHostApi(&sim::LookupHostFunction);
        RefreshArrangeTheme();
        ASSERT_GT(g_theme.background_count, 0);
        ResetCurrentSettings();
        ProjectSettings& s = g_current_settings;
        s.enabled = true;
        s.opacity = 0.5;
        s.tint = 0.25;
        s.tint_rgb = 0x3080F0;
        AdvanceKeyingGeneration(); // the tables depend on opacity and tint
        window_ = sim::ArrangeWindow();
        TakeDiagnostics();
    }

    void TearDown() override {
        ReleaseFrameBuffers();
        ReleaseWallpaperImage();
        ResetCurrentSettings();
        g_render_busy = false;
        g_host = {};
        sim::StopSimulator();
        RemoveTestPictures();
        TakeDiagnostics();
    }

    // Loads a gradient picture through the real loader.
    static void LoadPicture(int width, int height) {
        std::u16string path = WriteTestPicture("gradient.png", width, height, &GradientPixel);
        ASSERT_TRUE(LoadWallpaperImage(path));
    }

    // The host paints, then writes a label over a lane as it does for track and item names.
    Pixels HostPaints() {
        sim::RedrawArrange();
        HDC dc = GetDC(window_);
        SetTextColor(dc, kTextColour);
        SetBkMode(dc, TRANSPARENT);
        TextOutW(dc, 470, 100, L"Lane label", 10);
        ReleaseDC(window_, dc);
        return Screen();
    }

    HWND window_ = nullptr;
};

TEST_F(RenderTest, BackgroundTakesTheKeyedWallpaperWhileGridItemsAndTextStayAsDrawn) {
    // Measure and beat lines opaque, in their theme colours; half-beat lines stay blended over
    // the lanes, lighter shades of them that keying brightens the wallpaper under.
    sim::SetThemeValue("col_gridlines1dm", kOpaque);
    sim::SetThemeValue("col_gridlines2dm", kOpaque);
    LoadPicture(320, 240); // cover: scaled to 640 x 480, the top and bottom 60 rows cut off
    Pixels host = HostPaints();
    RenderAndPresent(window_, true);
    Pixels shown = Screen();
    ASSERT_EQ(g_frame.width, kWidth);
    const PixelRect& rect = g_frame.picture_rect;
    EXPECT_EQ(rect.top, -60);
    EXPECT_EQ(rect.bottom, 420);

    int changed =
        ExpectKeyedFrame(host, shown, Surface(g_frame.fitted), ItemBoxes(RenderScene()), rect);
    EXPECT_GT(changed, kWidth * kHeight / 2) << "most of the view is lane or background";

    // The named kinds of foreground, checked directly against the host's drawing.
    int text_pixels = 0;
    const uint32_t text = 0xFAFAFA;
    for (size_t i = 0; i < host.size(); ++i) {
        if (host[i] == text) {
            ++text_pixels;
            EXPECT_EQ(shown[i], text);
        }
    }
    EXPECT_GT(text_pixels, 20);
    for (int x : {100, 200, 250, 325}) { // measure and beat lines, clear of items
        for (int y : {5, 120, 300}) {
            size_t i = static_cast<size_t>(y) * kWidth + x;
            EXPECT_EQ(shown[i], host[i]) << "grid line at (" << x << ", " << y << ")";
        }
    }
    for (const Box& box : ItemBoxes(RenderScene())) {
        int x = (box.left + box.right) / 2;
        int y = box.top + 3;
        size_t i = static_cast<size_t>(y) * kWidth + x;
        EXPECT_EQ(shown[i], host[i]) << "item body at (" << x << ", " << y << ")";
    }
    EXPECT_TRUE(g_frame.last_frame_valid);
    EXPECT_EQ(Surface(g_frame.last_frame), shown) << "the presented frame is kept";
}

// Items drawn as the host draws them (name bar, selection colour, fades, peaks with an edge,
// notes): with item transparency each body takes the wallpaper, everything drawn on it stays.
TEST_F(RenderTest, ItemBodiesTakeTheWallpaperUnderNameBarFadesPeaksAndNotes) {
    sim::Scene& scene = sim::CurrentScene();
    scene.items[0].selected = true;
    scene.items[0].fade_in = 0.6;
    scene.items[0].fade_out = 1.0;
    scene.items[1].fade_in = 0.5;
    g_current_settings.audio_item_transparency = 0.5;
    g_current_settings.midi_item_transparency = 0.5;
    LoadPicture(320, 240);
    Pixels host = HostPaints();
    RenderAndPresent(window_, true);
    Pixels shown = Screen();
    auto pixel = [](const char* key) {
        uint32_t c = static_cast<uint32_t>(sim::ThemeColour(key));
        return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
    };
    const uint32_t bodies[] = {pixel("col_tr1_itembgsel"), pixel("col_mi_bg")};
    const int tolerances[] = {0, 40}; // MIDI: near-body drawing in the bands may blend too
    const std::vector<Box> boxes = ItemBoxes(scene);
    for (size_t n = 0; n < boxes.size(); ++n) {
        const Box& box = boxes[n];
        int body = 0;
        int blended = 0;
        int drawn = 0;
        for (int y = box.top + 3; y < box.bottom - 3; ++y) {
            for (int x = box.left + 3; x < box.right - 3; ++x) {
                size_t i = static_cast<size_t>(y) * kWidth + x;
                int distance = 0;
                for (int shift : {0, 8, 16}) {
                    distance = std::max(distance, std::abs(int((host[i] >> shift) & 0xFF) -
                                                           int((bodies[n] >> shift) & 0xFF)));
                }
                if (host[i] == bodies[n]) {
                    ++body;
                    blended += shown[i] != host[i] ? 1 : 0;
                } else if (distance > tolerances[n]) {
                    ++drawn;
                    EXPECT_EQ(shown[i], host[i]) << "item drawing at (" << x << ", " << y << ")";
                }
            }
        }
        EXPECT_GT(drawn, 200) << "item " << n;
        EXPECT_EQ(blended, body) << "item " << n;
        EXPECT_GT(body, (box.right - box.left) * (box.bottom - box.top) / 5) << "item " << n;
    }
}

TEST_F(RenderTest, RenderingAgainWithoutARepaintChangesNothing) {
    LoadPicture(320, 240);
    HostPaints();
    RenderAndPresent(window_, true);
    Pixels first = Screen();
    RenderAndPresent(window_, true);
    EXPECT_EQ(Screen(), first);
    RenderAndPresent(window_, true);
    EXPECT_EQ(Screen(), first);
}

// At opacity 0 the wallpaper adds nothing, so the frame shows exactly what keying does to the
// host's time selection: unshaded at setting 0, the host's own shading again at 1000.
TEST_F(RenderTest, TimeSelectionInFrontShowsTheHostsShadingAgainAtFullStrength) {
    sim::CurrentScene().selection_start = 2.0; // columns 100 to 250
    sim::CurrentScene().selection_end = 5.0;
    g_current_settings.opacity = 0.0;
    g_current_settings.tint = 0.0;
    LoadPicture(320, 240);
    auto differing = [&](double strength, int tolerance) {
        g_current_settings.time_selection = strength;
        AdvanceKeyingGeneration();
        InvalidateLastFrame();
        Pixels host = HostPaints();
        RenderAndPresent(window_, true);
        Pixels shown = Screen();
        int count = 0;
        for (size_t i = 0; i < host.size(); ++i) {
            for (int shift : {0, 8, 16}) {
                if (std::abs(int(host[i] >> shift & 0xFF) - int(shown[i] >> shift & 0xFF)) >
                    tolerance) {
                    ++count;
                    break;
                }
            }
        }
        return count;
    };
    // The selection match takes pixels within 8 steps of the line from lane to selection colour;
    // the shading is put back along that line.
    EXPECT_GT(differing(0.0, 8), 100 * 20) << "the band's lanes lose their shading";
    EXPECT_EQ(differing(1.0, 8), 0) << "the shading is put back as strongly as the host drew it";
}

TEST_F(RenderTest, ContainLeavesTheBandsOutsideThePictureAsDrawn) {
    g_current_settings.mode = FitMode::contain;
    LoadPicture(640, 120); // exactly the view's width: placed at rows 120 to 239
    Pixels host = HostPaints();
    RenderAndPresent(window_, true);
    Pixels shown = Screen();
    const PixelRect& rect = g_frame.picture_rect;
    ASSERT_EQ(rect.top, 120);
    ASSERT_EQ(rect.bottom, 240);

    int changed =
        ExpectKeyedFrame(host, shown, Surface(g_frame.fitted), ItemBoxes(RenderScene()), rect);
    EXPECT_GT(changed, kWidth * 60);
    for (int y : {0, 119, 240, 359}) {
        for (int x = 0; x < kWidth; ++x) {
            size_t i = static_cast<size_t>(y) * kWidth + x;
            ASSERT_EQ(shown[i], host[i]) << "band pixel (" << x << ", " << y << ")";
        }
    }
}

TEST_F(RenderTest, NothingIsRenderedWithoutAPictureInsideAnotherRenderOrOnAnEmptyView) {
    Pixels host = HostPaints();
    RenderAndPresent(window_, true);
    EXPECT_EQ(Screen(), host);
    EXPECT_EQ(g_frame.width, 0) << "no buffers without a picture";

    LoadPicture(320, 240);
    TakeDiagnostics();
    g_render_busy = true;
    RenderAndPresent(window_, true);
    EXPECT_EQ(Screen(), host);
    EXPECT_EQ(g_frame.width, 0);
    EXPECT_TRUE(g_render_busy) << "the outer render clears its own flag";
    g_render_busy = false;

    sim::ResizeArrange(kWidth, 0);
    RenderAndPresent(window_, true);
    EXPECT_EQ(g_frame.width, 0);
    EXPECT_FALSE(g_render_busy);
    EXPECT_TRUE(TakeDiagnostics().empty()) << "abandoned frames are silent";
}

TEST_F(RenderTest, WithoutAnItemLayoutTheCaptureIsPresentedUnchangedAndKept) {
    LoadPicture(320, 240);
    sim::WithholdHostFunction("GetSet_ArrangeView2"); // no view span: no layout
    BindHostApi(&sim::LookupHostFunction);
    Pixels host = HostPaints();
    RenderAndPresent(window_, true);
    EXPECT_EQ(Screen(), host);
    ASSERT_EQ(g_frame.width, kWidth) << "the buffers were made";
    EXPECT_TRUE(g_frame.last_frame_valid);
    EXPECT_EQ(Surface(g_frame.last_frame), host);
}

TEST_F(RenderTest, TheKeptFrameIsPutBackOnlyWhileValid) {
    LoadPicture(320, 240);
    Pixels host = HostPaints();
    RepresentLastFrame(window_);
    EXPECT_EQ(Screen(), host) << "nothing kept yet";

    RenderAndPresent(window_, true);
    Pixels corrected = Screen();
    ASSERT_NE(corrected, host);
    ASSERT_EQ(HostPaints(), host);
    RepresentLastFrame(window_);
    EXPECT_EQ(Screen(), corrected);

    InvalidateLastFrame();
    Pixels repainted = HostPaints();
    RepresentLastFrame(window_);
    EXPECT_EQ(Screen(), repainted);
}

} // namespace
