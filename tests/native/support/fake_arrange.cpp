#include "support/fake_arrange.h"

#include <algorithm>
#include <cstring>

#include "keying/compositor.h"
#include "keying/item_backgrounds.h"
#include "keying/item_overlay.h"

FakeScene g_scene;

namespace {

// The other tab: a project of its own, answered like the current one.
FakeScene g_other_tab;

constexpr int kCurrentTab = 1;
constexpr int kTabCount = 2;

ReaProject* Handle(FakeScene& scene) {
    return reinterpret_cast<ReaProject*>(&scene);
}

// The scene a project handle stands for (null: the current project, as in the host); a handle
// the host never gave out is a test failure.
FakeScene* SceneOf(ReaProject* project) {
    if (project == nullptr) {
        return g_scene.has_project ? &g_scene : nullptr;
    }
    if (project == Handle(g_scene) || project == Handle(g_other_tab)) {
        return reinterpret_cast<FakeScene*>(project);
    }
    ADD_FAILURE() << "a project handle the host did not give out";
    return nullptr;
}

FakeItem* AsItem(MediaItem* item) {
    return reinterpret_cast<FakeItem*>(item);
}

// -1 is the current project, 0 and up the tabs in order; the file name goes to the buffer
// when one is given, cut to its size, and is empty for an unknown tab.
ReaProject* FakeEnumProjects(int index, char* file, int file_size) {
    FakeScene* scene = nullptr;
    if (index == -1) {
        scene = g_scene.has_project ? &g_scene : nullptr;
    } else if (index == kCurrentTab) {
        scene = &g_scene;
    } else if (index >= 0 && index < kTabCount) {
        scene = &g_other_tab;
    }
    if (file != nullptr && file_size > 0) {
        const std::string name = scene != nullptr ? scene->file : std::string();
        const size_t n = std::min(name.size(), size_t(file_size - 1));
        std::memcpy(file, name.data(), n);
        file[n] = '\0';
    }
    return scene != nullptr ? Handle(*scene) : nullptr;
}

// Screen columns 0, 0 ask for the whole view; others for the times at those columns.
void FakeArrangeView(ReaProject* project, bool set, int screen_start, int screen_end, double* start,
                     double* end) {
    FakeScene* scene = SceneOf(project);
    if (scene == nullptr) {
        return;
    }
    if (set) {
        scene->view_start = *start;
        scene->view_end = *end;
        return;
    }
    *start = scene->view_start;
    *end = scene->view_end;
    if (screen_start != 0 || screen_end != 0) {
        *start = scene->view_start + screen_start / scene->zoom;
        *end = scene->view_start + screen_end / scene->zoom;
    }
}

void FakeLoopTimeRange(ReaProject* project, bool set, bool loop, double* start, double* end, bool) {
    FakeScene* scene = SceneOf(project);
    if (scene == nullptr) {
        return;
    }
    double& first = loop ? scene->loop_start : scene->selection_start;
    double& last = loop ? scene->loop_end : scene->selection_end;
    if (set) {
        first = *start;
        last = *end;
    } else {
        *start = first;
        *end = last;
    }
}

double FakeZoom() {
    return g_scene.zoom;
}

int FakeCountItems(ReaProject* project) {
    const FakeScene* scene = SceneOf(project);
    return scene == nullptr ? 0 : scene->item_count.value_or(int(scene->items.size()));
}

MediaItem* FakeGetItem(ReaProject* project, int index) {
    FakeScene* scene = SceneOf(project);
    if (scene == nullptr || index < 0 || size_t(index) >= scene->items.size()) {
        return nullptr;
    }
    return reinterpret_cast<MediaItem*>(&scene->items[size_t(index)]);
}

MediaTrack* FakeItemTrack(MediaItem* item) {
    const int t = AsItem(item)->track;
    if (t < 0 || size_t(t) >= g_scene.tracks.size()) {
        return nullptr;
    }
    return reinterpret_cast<MediaTrack*>(&g_scene.tracks[size_t(t)]);
}

double FakeItemInfo(MediaItem* item, const char* name) {
    const FakeItem& i = *AsItem(item);
    if (std::strcmp(name, "D_POSITION") == 0) {
        return i.position;
    }
    if (std::strcmp(name, "D_LENGTH") == 0) {
        return i.length;
    }
    if (std::strcmp(name, "I_LASTY") == 0) {
        return i.lasty;
    }
    if (std::strcmp(name, "I_LASTH") == 0) {
        return i.lasth;
    }
    ADD_FAILURE() << "unexpected item parameter " << name;
    return 0;
}

double FakeTrackInfo(MediaTrack* track, const char* name) {
    const FakeTrack& t = *reinterpret_cast<FakeTrack*>(track);
    if (std::strcmp(name, "I_TCPY") == 0) {
        return t.tcpy;
    }
    if (std::strcmp(name, "IP_TRACKNUMBER") == 0) {
        return t.number;
    }
    if (std::strcmp(name, "I_SELECTED") == 0) {
        return t.selected;
    }
    ADD_FAILURE() << "unexpected track parameter " << name;
    return 0;
}

MediaItem_Take* FakeActiveTake(MediaItem* item) {
    FakeItem* i = AsItem(item);
    return i->take == FakeTake::none ? nullptr : reinterpret_cast<MediaItem_Take*>(&i->take);
}

bool FakeTakeIsMidi(MediaItem_Take* take) {
    return *reinterpret_cast<FakeTake*>(take) == FakeTake::midi;
}

int FakeItemColour(MediaItem* item, MediaItem_Take*) {
    return AsItem(item)->custom_colour ? 0x1000000 | 0x3366CC : 0;
}

int FakeThemeColour(const char* key, int) {
    auto it = g_scene.theme.find(key);
    return it == g_scene.theme.end() ? -1 : it->second;
}

} // namespace

CompositeCall CallOnGlobals(int w, int h, int x0, int y0, bool protect, const HostFrame& host) {
    return {w, h, x0, y0, protect, g_frame, g_current_settings, g_item_overlay, host, g_theme};
}

void CompositeFrame(int w, int h, int x0, int y0, bool protect, ProcessorPath path) {
    CompositeRegion(CallOnGlobals(w, h, x0, y0, protect), path);
}

std::vector<uint8_t> ItemBackgroundMask(int w, int h, int x0, int y0, int band_left, int band_right,
                                        const HostFrame& host) {
    const CompositeCall call = CallOnGlobals(w, h, x0, y0, false, host);
    if (!FindItemBackgrounds(call, band_left, band_right)) {
        return {};
    }
    std::vector<uint8_t> mask(size_t(w) * size_t(h), 0);
    for (int i = 0; i < h; ++i) {
        uint8_t* row = mask.data() + size_t(i) * size_t(w);
        const size_t client = size_t(y0 + i) * size_t(g_frame.width) + size_t(x0);
        const uint32_t* pixels = g_frame.working + size_t(i) * size_t(g_frame.width);
        if (MarkItemBackgroundRow(g_item_overlay.backgrounds, y0 + i, w, x0,
                                  g_item_overlay.class_map.data() + client, pixels, row)) {
            for (int j = 0; j < w; ++j) {
                row[j] = row[j] != 0 ? 1 : 0;
            }
        }
    }
    return mask;
}

const KeyColourEntry& LookupKeyColour(uint8_t red, uint8_t green, uint8_t blue, bool in_band) {
    static KeyColourEntry spare;
    const uint32_t rgb = uint32_t(red) << 16 | uint32_t(green) << 8 | blue;
    return LookupKeyColourShared(KeyColourKey(rgb, in_band), spare,
                                 KeyingInputsOf(g_current_settings, g_theme));
}

void KeyingTest::SetUp() {
    saved_host_ = g_host;
    saved_theme_ = g_theme;
    saved_settings_ = g_current_settings;
    saved_frame_ = g_frame;

    g_scene = FakeScene{};
    g_scene.tracks.push_back(FakeTrack{});
    g_other_tab = FakeScene{};
    g_other_tab.file = "C:\\Music\\Other.RPP";
    g_host = HostApi{};
    g_host.EnumProjects = FakeEnumProjects;
    g_host.GetSet_ArrangeView2 = FakeArrangeView;
    g_host.GetSet_LoopTimeRange2 = FakeLoopTimeRange;
    g_host.GetHZoomLevel = FakeZoom;
    g_host.CountMediaItems = FakeCountItems;
    g_host.GetMediaItem = FakeGetItem;
    g_host.GetMediaItem_Track = FakeItemTrack;
    g_host.GetMediaItemInfo_Value = FakeItemInfo;
    g_host.GetMediaTrackInfo_Value = FakeTrackInfo;
    g_host.GetActiveTake = FakeActiveTake;
    g_host.TakeIsMIDI = FakeTakeIsMidi;
    g_host.GetDisplayedMediaItemColor2 = FakeItemColour;
    g_host.GetThemeColor = FakeThemeColour;

    g_theme = ThemeColourSet{};
    g_current_settings = ProjectSettings{};
    g_frame = FrameView{};
    ResetItemOverlay();
    AdvanceKeyingGeneration();
}

void KeyingTest::TearDown() {
    g_host = saved_host_;
    g_theme = saved_theme_;
    g_current_settings = saved_settings_;
    g_frame = saved_frame_;
    g_scene = FakeScene{};
    g_other_tab = FakeScene{};
    ResetItemOverlay();
    AdvanceKeyingGeneration();
}

void KeyingTest::SetTheme(const std::vector<uint32_t>& background,
                          const std::vector<uint32_t>& grid, int32_t selection) {
    ThemeColourSet t = {};
    for (uint32_t c : background) {
        t.background[t.background_count++] = int32_t(c);
    }
    for (uint32_t c : grid) {
        t.grid[t.grid_count++] = int32_t(c);
    }
    t.arrange_bg = t.background_count > 0 ? t.background[0] : 0;
    t.selection_valid = selection != -1;
    t.selection_bg = selection;
    g_theme = t;
    AdvanceKeyingGeneration();
}

void KeyingTest::MakeFrame(int width, int height, uint32_t captured, uint32_t wallpaper) {
    const size_t n = size_t(width) * size_t(height);
    working_.assign(n, captured);
    fitted_.assign(n, wallpaper);
    last_frame_.assign(n, 0);
    g_frame = FrameView{};
    g_frame.working = working_.data();
    g_frame.fitted = fitted_.data();
    g_frame.last_frame = last_frame_.data();
    g_frame.width = width;
    g_frame.height = height;
    g_frame.picture_rect = {0, 0, width, height};
}
