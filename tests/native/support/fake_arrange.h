// A scripted arrange view for the keying tests: the host functions the item overlay and the
// compositor call, answered from a plain scene, and a fixture that restores all keying state.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "base/host_api.h"
#include "base/processor_features.h"
#include "frame/frame_view.h"
#include "keying/composite_call.h"
#include "keying/key_colour_cache.h"
#include "keying/theme_colours.h"
#include "settings/project_settings.h"

struct FakeTrack {
    double tcpy = 0;
    double number = 1;
    double selected = 0;
};

enum class FakeTake { none, audio, midi };

struct FakeItem {
    double position = 0;
    double length = 1;
    double lasty = 0;
    double lasth = 20;
    int track = 0; // index into FakeScene::tracks; -1 for no track
    FakeTake take = FakeTake::audio;
    bool custom_colour = false;
};

// The current project. The host has two tabs: this project in tab 1 and, in tab 0, another
// one without items or time selection, so that code asking for a tab by number where it means
// the current project (-1) gets an empty arrangement.
struct FakeScene {
    bool has_project = true;                         // false: EnumProjects(-1) answers null
    std::string file = "C:\\Music\\Arrangement.RPP"; // as EnumProjects writes it
    double view_start = 0;
    double view_end = 10;
    double zoom = 100; // pixels per second; GetHZoomLevel returns it
    double selection_start = 0;
    double selection_end = 0;
    double loop_start = 0; // the loop points, which the host keeps apart from the selection
    double loop_end = 0;
    std::optional<int> item_count; // CountMediaItems result when set, else items.size()
    std::vector<FakeTrack> tracks;
    std::vector<FakeItem> items;
    std::map<std::string, int> theme; // keys not listed answer -1
};

extern FakeScene g_scene;

// Colour helpers: a theme colour 0x00BBGGRR and a pixel with the fourth byte given.
constexpr uint32_t ThemeRgb(int r, int g, int b) {
    return uint32_t(r) | uint32_t(g) << 8 | uint32_t(b) << 16;
}
constexpr uint32_t PixelRgb(int r, int g, int b, uint32_t fourth = 0) {
    return fourth << 24 | uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b);
}

// A composite of the rectangle over the process-wide frame, settings, item overlay and theme,
// as the present layer makes one.
CompositeCall CallOnGlobals(int w, int h, int x0, int y0, bool protect, const HostFrame& host = {});
void CompositeFrame(int w, int h, int x0, int y0, bool protect,
                    ProcessorPath path = ActiveProcessorPath());

// The marks of the whole rectangle (1 for a pixel that shows a found item background, w x h,
// row-major) as the compositor finds and marks them row by row; empty when nothing is found.
std::vector<uint8_t> ItemBackgroundMask(int w, int h, int x0, int y0, int band_left, int band_right,
                                        const HostFrame& host = {});

// The key colour cache's entry of a colour, filled from the current settings and theme; valid
// until the next lookup.
const KeyColourEntry& LookupKeyColour(uint8_t red, uint8_t green, uint8_t blue, bool in_band);

// Snapshot and restore of every piece of process-wide state the keying code reads or writes;
// each test starts from defaults with the fake host bound and an empty theme.
class KeyingTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Commits a theme snapshot by hand (as RefreshThemeColours would) and makes entries stale.
    void SetTheme(const std::vector<uint32_t>& background, const std::vector<uint32_t>& grid,
                  int32_t selection = -1);
    // Allocates W x H surfaces (working, fitted filled with `wallpaper`) and points g_frame at
    // them.
    void MakeFrame(int width, int height, uint32_t captured, uint32_t wallpaper);

    std::vector<uint32_t> working_;
    std::vector<uint32_t> fitted_;
    std::vector<uint32_t> last_frame_;

  private:
    HostApi saved_host_ = {};
    ThemeColourSet saved_theme_ = {};
    ProjectSettings saved_settings_;
    FrameView saved_frame_ = {};
};
