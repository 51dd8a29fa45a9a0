#include "fuzz_arrange.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "base/host_api.h"
#include "frame/frame_view.h"
#include "keying/item_overlay.h"
#include "keying/key_colour_cache.h"
#include "keying/theme_colours.h"
#include "settings/project_settings.h"

namespace {

struct FakeTrack {
    double values[3]; // I_TCPY, IP_TRACKNUMBER, I_SELECTED
};

struct FakeItem {
    double values[4]; // D_POSITION, D_LENGTH, I_LASTY, I_LASTH
    int track;        // -1: no track
    int take;         // 0 none, 1 audio, 2 MIDI
    int colour;
};

// Module state: the scene the fake host answers from, rebuilt for every input.
struct FakeScene {
    bool has_project;
    double view[2];
    double selection[2];
    double zoom;
    int count;
    int theme[8];
    std::vector<FakeTrack> tracks;
    std::vector<FakeItem> items;
};

FakeScene g_fake;
ReaProject* const kProject = reinterpret_cast<ReaProject*>(&g_fake);

// Values a host could plausibly or implausibly report.
double HostileDouble(FuzzInput& in) {
    static const double kValues[] = {0.0,
                                     -0.0,
                                     1.0,
                                     -1.0,
                                     0.5,
                                     2.5,
                                     10.0,
                                     100.0,
                                     1e-300,
                                     1e300,
                                     -1e300,
                                     2147483647.0,
                                     -2147483648.0,
                                     std::numeric_limits<double>::infinity(),
                                     -std::numeric_limits<double>::infinity(),
                                     std::numeric_limits<double>::quiet_NaN()};
    const uint8_t pick = in.U8();
    if (pick < 16) {
        return kValues[pick];
    }
    if (pick < 128) {
        return double(pick) - 64.0 + in.U8() / 256.0; // ordinary on-screen magnitudes
    }
    return in.Double();
}

int AnswerCount(ReaProject*) {
    return g_fake.count;
}

// One tab, current: -1 and 0 name it, every other index nothing, as the host answers; the file
// name (when asked for) is an unsaved project's, empty.
ReaProject* AnswerEnumProjects(int index, char* file, int file_size) {
    if (file != nullptr && file_size > 0) {
        file[0] = '\0';
    }
    return g_fake.has_project && (index == -1 || index == 0) ? kProject : nullptr;
}

void AnswerArrangeView(ReaProject*, bool, int, int, double* start, double* end) {
    *start = g_fake.view[0];
    *end = g_fake.view[1];
}

void AnswerLoopTimeRange(ReaProject*, bool, bool, double* start, double* end, bool) {
    *start = g_fake.selection[0];
    *end = g_fake.selection[1];
}

double AnswerZoom() {
    return g_fake.zoom;
}

MediaItem* AnswerGetItem(ReaProject*, int index) {
    if (index < 0 || size_t(index) >= g_fake.items.size()) {
        return nullptr; // counts larger than the item list: null handles
    }
    return reinterpret_cast<MediaItem*>(&g_fake.items[size_t(index)]);
}

MediaTrack* AnswerItemTrack(MediaItem* item) {
    const int t = reinterpret_cast<FakeItem*>(item)->track;
    if (t < 0 || size_t(t) >= g_fake.tracks.size()) {
        return nullptr;
    }
    return reinterpret_cast<MediaTrack*>(&g_fake.tracks[size_t(t)]);
}

int ParameterIndex(const char* name, const char* const* names, int count) {
    for (int i = 0; i < count; ++i) {
        if (std::strcmp(name, names[i]) == 0) {
            return i;
        }
    }
    std::abort(); // the overlay asked for something no host answers
}

double AnswerItemInfo(MediaItem* item, const char* name) {
    static const char* const kNames[] = {"D_POSITION", "D_LENGTH", "I_LASTY", "I_LASTH"};
    return reinterpret_cast<FakeItem*>(item)->values[ParameterIndex(name, kNames, 4)];
}

double AnswerTrackInfo(MediaTrack* track, const char* name) {
    static const char* const kNames[] = {"I_TCPY", "IP_TRACKNUMBER", "I_SELECTED"};
    return reinterpret_cast<FakeTrack*>(track)->values[ParameterIndex(name, kNames, 3)];
}

MediaItem_Take* AnswerActiveTake(MediaItem* item) {
    FakeItem* i = reinterpret_cast<FakeItem*>(item);
    return i->take == 0 ? nullptr : reinterpret_cast<MediaItem_Take*>(&i->take);
}

bool AnswerTakeIsMidi(MediaItem_Take* take) {
    return *reinterpret_cast<int*>(take) == 2;
}

int AnswerItemColour(MediaItem* item, MediaItem_Take*) {
    return reinterpret_cast<FakeItem*>(item)->colour;
}

int AnswerThemeColour(const char* key, int) {
    uint32_t hash = 2166136261u;
    for (const char* c = key; *c != '\0'; ++c) {
        hash = (hash ^ uint8_t(*c)) * 16777619u;
    }
    return g_fake.theme[hash % 8];
}

int ThemeValue(FuzzInput& in) {
    const uint8_t pick = in.U8();
    if (pick < 64) {
        return -1; // the theme has no such key
    }
    if (pick < 192) {
        return int(in.U32() & 0xFFFFFF);
    }
    return int(in.U32()); // flag bits and garbage
}

void BindFakeHost(FuzzInput& in) {
    const uint8_t withheld = in.U8(); // each set bit leaves one optional function unbound
    g_host = HostApi{};
    g_host.EnumProjects = AnswerEnumProjects;
    g_host.GetSet_ArrangeView2 = AnswerArrangeView;
    g_host.GetSet_LoopTimeRange2 = (withheld & 1) ? nullptr : AnswerLoopTimeRange;
    g_host.GetHZoomLevel = (withheld & 2) ? nullptr : AnswerZoom;
    g_host.CountMediaItems = AnswerCount;
    g_host.GetMediaItem = AnswerGetItem;
    g_host.GetMediaItem_Track = AnswerItemTrack;
    g_host.GetMediaItemInfo_Value = AnswerItemInfo;
    g_host.GetMediaTrackInfo_Value = AnswerTrackInfo;
    g_host.GetActiveTake = (withheld & 4) ? nullptr : AnswerActiveTake;
    g_host.TakeIsMIDI = (withheld & 8) ? nullptr : AnswerTakeIsMidi;
    g_host.GetDisplayedMediaItemColor2 = (withheld & 16) ? nullptr : AnswerItemColour;
    g_host.GetThemeColor = (withheld & 32) ? nullptr : AnswerThemeColour;
}

void BuildScene(FuzzInput& in, int width) {
    g_fake = FakeScene{};
    g_fake.has_project = in.U8() != 0;
    g_fake.view[0] = HostileDouble(in);
    g_fake.view[1] = in.U8() < 200 ? g_fake.view[0] + 0.5 + in.U8() : HostileDouble(in);
    g_fake.selection[0] = HostileDouble(in);
    g_fake.selection[1] = HostileDouble(in);
    g_fake.zoom =
        in.U8() < 128 ? double(width) / (g_fake.view[1] - g_fake.view[0]) : HostileDouble(in);
    for (int& colour : g_fake.theme) {
        colour = ThemeValue(in);
    }
    const int tracks = in.Range(0, 4);
    for (int t = 0; t < tracks; ++t) {
        g_fake.tracks.push_back({{HostileDouble(in), HostileDouble(in), HostileDouble(in)}});
    }
    const int items = in.Range(0, 24);
    for (int i = 0; i < items; ++i) {
        FakeItem item = {};
        for (double& v : item.values) {
            v = HostileDouble(in);
        }
        item.track = int(in.U8() % 6) - 1;
        item.take = in.U8() % 3;
        item.colour = in.U8() < 200 ? 0 : int(in.U32());
        g_fake.items.push_back(item);
    }
    const uint8_t count = in.U8();
    // Usually the real count; sometimes negative or beyond the list.
    g_fake.count = count < 192 ? items : count < 224 ? -int(count) : items + count;
}

double Fraction(FuzzInput& in) {
    return double((in.U8() | in.U8() << 8) % 1001) / 1000.0;
}

void SetSettings(FuzzInput& in) {
    ProjectSettings s;
    s.enabled = true;
    s.opacity = Fraction(in);
    s.mode = FitMode(in.U8() % 3);
    s.tint_rgb = in.U32() & 0xFFFFFF;
    s.tint = Fraction(in);
    s.grayscale = (in.U8() & 1) != 0;
    s.audio_item_transparency = in.U8() < 64 ? 0.0 : Fraction(in);
    s.midi_item_transparency = in.U8() < 64 ? 0.0 : Fraction(in);
    g_current_settings = s;
}

// Captured pixels built from a few colours in a pattern taken from the input, so that item
// backgrounds, keyed colours and runs actually occur; the fourth byte carries garbage.
void FillSurfaces(FuzzInput& in, FuzzArrange& a) {
    uint32_t palette[4];
    for (uint32_t& c : palette) {
        c = in.U8() < 128 ? uint32_t(g_theme.background[in.U8() % 5]) : in.U32();
    }
    // Theme colours are 0x00BBGGRR; pixels are red << 16 | green << 8 | blue.
    for (uint32_t& c : palette) {
        c = (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF) | (c & 0xFF000000);
    }
    const std::string pattern = in.Text(4096);
    const size_t n = size_t(a.width) * size_t(a.height);
    a.working.resize(n);
    a.fitted.resize(n);
    a.last_frame.resize(n);
    for (size_t i = 0; i < n; ++i) {
        const uint8_t p = pattern.empty() ? 0 : uint8_t(pattern[i % pattern.size()]);
        a.working[i] = palette[p & 3] ^ (uint32_t(p >> 2) << 24);
        a.fitted[i] = uint32_t(i * 2654435761u);
        a.last_frame[i] = (p & 0x80) ? a.working[i] : ~a.working[i];
    }
}

} // namespace

void BuildFuzzArrange(FuzzInput& in, FuzzArrange& a, int max_side) {
    a.width = in.Range(1, max_side);
    a.height = in.Range(1, max_side);
    BindFakeHost(in);
    BuildScene(in, a.width);
    RefreshThemeColours();
    AdvanceKeyingGeneration();
    SetSettings(in);
    FillSurfaces(in, a);

    g_frame = FrameView{};
    g_frame.working = a.working.data();
    g_frame.fitted = a.fitted.data();
    g_frame.last_frame = a.last_frame.data();
    g_frame.width = a.width;
    g_frame.height = a.height;
    g_frame.picture_rect = {in.Range(-4, a.width), in.Range(-4, a.height),
                            in.Range(-4, a.width + 4), in.Range(-4, a.height + 4)};
    g_frame.last_frame_valid = (in.U8() & 1) != 0;
}

void ResetFuzzArrange() {
    ResetItemOverlay();
    g_frame = FrameView{};
    g_host = HostApi{};
    g_current_settings = ProjectSettings{};
    g_theme = ThemeColourSet{};
    AdvanceKeyingGeneration();
}
