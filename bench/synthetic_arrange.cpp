#include "synthetic_arrange.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <string>

#include "base/host_api.h"
#include "frame/frame_view.h"
#include "keying/key_colour_cache.h"
#include "keying/theme_colours.h"
#include "present/arrange_theme.h"

namespace {

constexpr int kTracks = 12;
constexpr int kItems = 40;
constexpr double kPixelsPerSecond = 100.0;

struct Track {
    double tcpy;
    double number;
    double selected;
};

struct Item {
    double position;
    double length;
    double lasty;
    double lasth;
    int track;
    int take; // 0 audio, 1 MIDI
    bool custom;
};

struct Scene {
    double view_end = 0;
    double selection_start = 0;
    double selection_end = 0;
    Track tracks[kTracks] = {};
    Item items[kItems] = {};
    std::map<std::string, int> theme;
};

Scene g_scene;
std::map<int, std::unique_ptr<SyntheticArrange>> g_arranges;

constexpr uint32_t Theme(int r, int g, int b) {
    return uint32_t(r) | uint32_t(g) << 8 | uint32_t(b) << 16;
}

uint32_t Pixel(uint32_t theme_colour) {
    return 0xFF000000u | (theme_colour & 0xFF) << 16 | (theme_colour & 0xFF00) |
           (theme_colour >> 16 & 0xFF);
}

// The host's alpha blend of a colour toward another, as it shades the time selection.
uint32_t Blend(uint32_t pixel, uint32_t toward, int alpha) {
    uint32_t out = 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8) {
        const int a = int(pixel >> shift & 0xFF);
        const int b = int(toward >> shift & 0xFF);
        out |= uint32_t(a + (b - a) * alpha / 256) << shift;
    }
    return out;
}

ReaProject* SceneEnumProjects(int, char*, int) {
    return reinterpret_cast<ReaProject*>(&g_scene);
}
void SceneArrangeView(ReaProject*, bool, int, int, double* start, double* end) {
    *start = 0;
    *end = g_scene.view_end;
}
void SceneLoopTimeRange(ReaProject*, bool, bool, double* start, double* end, bool) {
    *start = g_scene.selection_start;
    *end = g_scene.selection_end;
}
double SceneZoom() {
    return kPixelsPerSecond;
}
int SceneCountItems(ReaProject*) {
    return kItems;
}
MediaItem* SceneGetItem(ReaProject*, int index) {
    return reinterpret_cast<MediaItem*>(&g_scene.items[index]);
}
MediaTrack* SceneItemTrack(MediaItem* item) {
    return reinterpret_cast<MediaTrack*>(&g_scene.tracks[reinterpret_cast<Item*>(item)->track]);
}
double SceneItemInfo(MediaItem* item, const char* name) {
    const Item& i = *reinterpret_cast<Item*>(item);
    if (std::strcmp(name, "D_POSITION") == 0) {
        return i.position;
    }
    if (std::strcmp(name, "D_LENGTH") == 0) {
        return i.length;
    }
    return std::strcmp(name, "I_LASTY") == 0 ? i.lasty : i.lasth;
}
double SceneTrackInfo(MediaTrack* track, const char* name) {
    const Track& t = *reinterpret_cast<Track*>(track);
    if (std::strcmp(name, "I_TCPY") == 0) {
        return t.tcpy;
    }
    return std::strcmp(name, "IP_TRACKNUMBER") == 0 ? t.number : t.selected;
}
MediaItem_Take* SceneActiveTake(MediaItem* item) {
    return reinterpret_cast<MediaItem_Take*>(&reinterpret_cast<Item*>(item)->take);
}
bool SceneTakeIsMidi(MediaItem_Take* take) {
    return *reinterpret_cast<int*>(take) == 1;
}
int SceneItemColour(MediaItem* item, MediaItem_Take*) {
    return reinterpret_cast<Item*>(item)->custom ? 0x1000000 | 0x4080C0 : 0;
}
int SceneThemeColour(const char* key, int) {
    auto it = g_scene.theme.find(key);
    return it == g_scene.theme.end() ? -1 : it->second;
}

void BindSceneHost() {
    g_host = HostApi{};
    g_host.EnumProjects = SceneEnumProjects;
    g_host.GetSet_ArrangeView2 = SceneArrangeView;
    g_host.GetSet_LoopTimeRange2 = SceneLoopTimeRange;
    g_host.GetHZoomLevel = SceneZoom;
    g_host.CountMediaItems = SceneCountItems;
    g_host.GetMediaItem = SceneGetItem;
    g_host.GetMediaItem_Track = SceneItemTrack;
    g_host.GetMediaItemInfo_Value = SceneItemInfo;
    g_host.GetMediaTrackInfo_Value = SceneTrackInfo;
    g_host.GetActiveTake = SceneActiveTake;
    g_host.TakeIsMIDI = SceneTakeIsMidi;
    g_host.GetDisplayedMediaItemColor2 = SceneItemColour;
    g_host.GetThemeColor = SceneThemeColour;
}

// A dark default-like theme: grey lanes, lighter grid, a blue-grey time selection.
void DefineTheme() {
    g_scene.theme = {
        {"col_arrangebg", int(Theme(38, 38, 38))},    {"col_tr1_bg", int(Theme(50, 50, 50))},
        {"col_tr2_bg", int(Theme(45, 45, 45))},       {"selcol_tr1_bg", int(Theme(60, 62, 68))},
        {"selcol_tr2_bg", int(Theme(56, 58, 64))},    {"col_gridlines", int(Theme(90, 90, 90))},
        {"col_gridlines2", int(Theme(72, 72, 72))},   {"col_gridlines3", int(Theme(64, 64, 64))},
        {"col_tl_bgsel", int(Theme(140, 160, 200))},  {"col_tr1_peaks", int(Theme(120, 220, 160))},
        {"col_tr2_peaks", int(Theme(110, 200, 150))}, {"col_tr1_ps2", int(Theme(160, 240, 190))},
    };
}

void DefineTracksAndItems(int width, int height, std::mt19937& rng) {
    const int lane = height / kTracks;
    for (int t = 0; t < kTracks; ++t) {
        g_scene.tracks[t] = {double(t * lane), double(t + 1), t == 3 || t == 4 ? 1.0 : 0.0};
    }
    g_scene.view_end = width / kPixelsPerSecond;
    g_scene.selection_start = g_scene.view_end * 0.42;
    g_scene.selection_end = g_scene.view_end * 0.58;
    std::uniform_real_distribution<double> unit(0, 1);
    for (int i = 0; i < kItems; ++i) {
        // Four slots per track on the first ten tracks, item lengths varying within a slot.
        const int track = i / 4;
        const double slot = g_scene.view_end / 4;
        const double start = (i % 4) * slot + slot * 0.1 * unit(rng);
        g_scene.items[i] = {start,     slot * (0.5 + 0.35 * unit(rng)),
                            1,         double(lane - 2),
                            track,     i % 3 == 2 ? 1 : 0,
                            i % 7 == 5};
    }
}

uint32_t LanePixel(int y, int lane) {
    const int t = y / lane;
    const char* key = t >= kTracks                 ? "col_arrangebg"
                      : g_scene.tracks[t].selected ? (t % 2 ? "selcol_tr2_bg" : "selcol_tr1_bg")
                                                   : (t % 2 ? "col_tr2_bg" : "col_tr1_bg");
    return Pixel(uint32_t(g_scene.theme[key]));
}

// Measure, beat and half-beat lines 6 to 10 pixels apart, darkening the lane by 16, 10 or 5
// levels: shades far from the grid colours, near enough to the lanes to be background.
void PaintLanesAndDenseGrid(SyntheticArrange& a) {
    const int lane = a.height / kTracks;
    std::vector<int> shade_of_column(size_t(a.width), -1);
    for (int x = 0, n = 0; x < a.width; x += 6 + n % 5, ++n) {
        shade_of_column[size_t(x)] = n % 8 == 0 ? 16 : (n % 2 == 0 ? 10 : 5);
    }
    const uint32_t divider = Pixel(uint32_t(g_scene.theme["col_gridlines3"]));
    for (int y = 0; y < a.height; ++y) {
        const uint32_t bg = LanePixel(y, lane);
        uint32_t* row = a.captured.data() + size_t(y) * size_t(a.width);
        for (int x = 0; x < a.width; ++x) {
            const uint32_t shade = uint32_t(std::max(shade_of_column[size_t(x)], 0));
            row[x] = y % lane == lane - 1 ? divider : bg - shade * 0x010101u;
        }
    }
}

void PaintLanesAndGrid(SyntheticArrange& a) {
    const int lane = a.height / kTracks;
    const int grid_step = a.width / 40;
    for (int y = 0; y < a.height; ++y) {
        const uint32_t bg = LanePixel(y, lane);
        for (int x = 0; x < a.width; ++x) {
            uint32_t c = bg;
            if (x % grid_step == 0) {
                c = Pixel(uint32_t(
                    g_scene.theme[x % (grid_step * 4) == 0 ? "col_gridlines" : "col_gridlines2"]));
            } else if (y % lane == lane - 1) {
                c = Pixel(uint32_t(g_scene.theme["col_gridlines3"])); // track divider
            }
            a.captured[size_t(y) * size_t(a.width) + size_t(x)] = c;
        }
    }
}

void PaintItems(SyntheticArrange& a, std::mt19937& rng) {
    std::uniform_int_distribution<int> coin(0, 99);
    for (const Item& item : g_scene.items) {
        const Track& track = g_scene.tracks[item.track];
        const int left = int(item.position * kPixelsPerSecond);
        const int right = std::min(a.width, int((item.position + item.length) * kPixelsPerSecond));
        const int top = int(track.tcpy + item.lasty);
        const int bottom = std::min(a.height, top + int(item.lasth));
        const bool midi = item.take == 1;
        const uint32_t body = item.custom ? Pixel(Theme(192, 128, 64))
                              : midi      ? Pixel(Theme(70, 90, 120))
                                          : Pixel(Theme(90, 110, 100));
        const uint32_t peaks = Pixel(uint32_t(g_scene.theme["col_tr1_peaks"]));
        const int middle = (top + bottom) / 2;
        for (int x = left; x < right; ++x) {
            // Waveform amplitude wanders slowly, as audio does; MIDI notes sit on a few rows.
            const int amplitude = int((bottom - top) * 0.3 * (0.5 + 0.5 * std::sin(x * 0.05)));
            for (int y = top; y < bottom; ++y) {
                uint32_t c = body;
                if (y < top + 12) {
                    c = coin(rng) < 15 ? 0xFFE0E0E0u : Pixel(Theme(60, 70, 80)); // name bar
                } else if (!midi && std::abs(y - middle) <= amplitude) {
                    c = peaks;
                } else if (midi && (y - top) % 9 < 3 && (x / 25) % 3 != 1) {
                    c = Pixel(Theme(200, 210, 230)); // notes
                }
                if (x == left || x == right - 1 || y == top || y == bottom - 1) {
                    c = 0xFF101010u; // item frame
                }
                a.captured[size_t(y) * size_t(a.width) + size_t(x)] = c;
            }
        }
    }
}

void ShadeTimeSelection(SyntheticArrange& a) {
    const uint32_t selection = Pixel(uint32_t(g_scene.theme["col_tl_bgsel"]));
    const int left = int(std::ceil(g_scene.selection_start * kPixelsPerSecond));
    const int right = int(g_scene.selection_end * kPixelsPerSecond);
    for (int y = 0; y < a.height; ++y) {
        for (int x = left; x < right; ++x) {
            uint32_t& c = a.captured[size_t(y) * size_t(a.width) + size_t(x)];
            c = Blend(c, selection, 48);
        }
    }
}

// A smooth landscape-like gradient with fine noise, so that wallpaper values vary per pixel.
void PaintWallpaper(SyntheticArrange& a, std::mt19937& rng) {
    std::uniform_int_distribution<int> noise(-6, 6);
    for (int y = 0; y < a.height; ++y) {
        for (int x = 0; x < a.width; ++x) {
            const int r = std::clamp(40 + 160 * x / a.width + noise(rng), 0, 255);
            const int g = std::clamp(80 + 120 * y / a.height + noise(rng), 0, 255);
            const int b =
                std::clamp(200 - 100 * (x + y) / (a.width + a.height) + noise(rng), 0, 255);
            a.fitted[size_t(y) * size_t(a.width) + size_t(x)] =
                0xFF000000u | uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b);
        }
    }
}

} // namespace

SyntheticArrange& PrepareSyntheticArrange(int width, int height, GridDensity grid) {
    std::unique_ptr<SyntheticArrange>& slot =
        g_arranges[(width * 100000 + height) * 2 + (grid == GridDensity::dense ? 1 : 0)];
    std::mt19937 rng(7);
    DefineTheme();
    DefineTracksAndItems(width, height, rng);
    BindSceneHost();
    if (!slot) {
        slot = std::make_unique<SyntheticArrange>();
        SyntheticArrange& a = *slot;
        a.width = width;
        a.height = height;
        const size_t n = size_t(width) * size_t(height);
        a.captured.resize(n);
        a.working.resize(n);
        a.fitted.resize(n);
        a.last_frame.resize(n);
        if (grid == GridDensity::dense) {
            PaintLanesAndDenseGrid(a);
        } else {
            PaintLanesAndGrid(a);
        }
        PaintItems(a, rng);
        ShadeTimeSelection(a);
        PaintWallpaper(a, rng);
        a.working = a.captured;
        a.last_frame = a.captured;
    }
    SyntheticArrange& a = *slot;
    RefreshArrangeTheme();
    g_frame = FrameView{a.working.data(),
                        a.fitted.data(),
                        a.last_frame.data(),
                        width,
                        height,
                        PixelRect{0, 0, width, height},
                        false};
    return a;
}
