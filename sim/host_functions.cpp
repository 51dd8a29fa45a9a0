#include "host_functions.h"

#include <cmath>
#include <cstring>
#include <map>
#include <set>
#include <utility>
#include <vector>

#include "base/host_api.h"
#include "global_ext_state.h"
#include "host_windows.h"
#include "language_pack.h"
#include "midi_editor.h"
#include "projects.h"
#include "registrations.h"
#include "scene.h"
#include "theme.h"

namespace sim {

namespace {

std::set<std::string> g_withheld;
std::map<std::string, int> g_calls;
int g_lookups = 0;
bool g_menu_requested = false;

void Count(const char* name) {
    ++g_calls[name];
}

SceneItem* FindItem(MediaItem* handle) {
    for (SceneItem& item : CurrentScene().items) {
        if (reinterpret_cast<MediaItem*>(&item) == handle) {
            return &item;
        }
    }
    return nullptr;
}

int FindTrack(MediaTrack* handle) {
    std::vector<SceneTrack>& tracks = CurrentScene().tracks;
    for (size_t i = 0; i < tracks.size(); ++i) {
        if (reinterpret_cast<MediaTrack*>(&tracks[i]) == handle) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

SceneTake* FindTake(MediaItem_Take* handle) {
    for (SceneItem& item : CurrentScene().items) {
        if (item.kind != ItemKind::kEmpty &&
            reinterpret_cast<MediaItem_Take*>(&item.take) == handle) {
            return &item.take;
        }
    }
    return nullptr;
}

bool KnownProject(ReaProject* project) {
    if (project == nullptr) {
        return true;
    }
    for (int i = 0; i < ProjectCount(); ++i) {
        if (ProjectAt(i) == project) {
            return true;
        }
    }
    return false;
}

double ArrangeWidthPixels() {
    int width = ArrangeClientWidth();
    return width > 0 ? width : CurrentScene().arrange_width;
}

// --- the host functions, in binding order ---

bool AddExtensionsMainMenu() {
    Count("AddExtensionsMainMenu");
    g_menu_requested = true;
    return true;
}

int CountMediaItems(ReaProject* project) {
    Count("CountMediaItems");
    return KnownProject(project) ? static_cast<int>(CurrentScene().items.size()) : 0;
}

ReaProject* EnumProjects(int index, char* name_buffer, int buffer_size) {
    Count("EnumProjects");
    return HostEnumProjects(index, name_buffer, buffer_size);
}

MediaItem_Take* GetActiveTake(MediaItem* item) {
    Count("GetActiveTake");
    SceneItem* found = FindItem(item);
    if (found == nullptr || found->kind == ItemKind::kEmpty) {
        return nullptr;
    }
    return reinterpret_cast<MediaItem_Take*>(&found->take);
}

int GetDisplayedMediaItemColor2(MediaItem* item, MediaItem_Take*) {
    Count("GetDisplayedMediaItemColor2");
    SceneItem* found = FindItem(item);
    // The host flags a custom colour with bit 24, so black still reads as non-zero.
    return found != nullptr && found->colour >= 0 ? (found->colour | 0x1000000) : 0;
}

double GetHZoomLevel() {
    Count("GetHZoomLevel");
    return CurrentScene().zoom;
}

MediaItem* GetMediaItem(ReaProject* project, int index) {
    Count("GetMediaItem");
    std::vector<SceneItem>& items = CurrentScene().items;
    if (!KnownProject(project) || index < 0 || index >= static_cast<int>(items.size())) {
        return nullptr;
    }
    return reinterpret_cast<MediaItem*>(&items[static_cast<size_t>(index)]);
}

MediaTrack* GetMediaItem_Track(MediaItem* item) {
    Count("GetMediaItem_Track");
    SceneItem* found = FindItem(item);
    std::vector<SceneTrack>& tracks = CurrentScene().tracks;
    if (found == nullptr || found->track < 0 || found->track >= static_cast<int>(tracks.size())) {
        return nullptr;
    }
    return reinterpret_cast<MediaTrack*>(&tracks[static_cast<size_t>(found->track)]);
}

double GetMediaItemInfo_Value(MediaItem* item, const char* parameter) {
    Count("GetMediaItemInfo_Value");
    SceneItem* found = FindItem(item);
    if (found == nullptr || parameter == nullptr) {
        return 0.0;
    }
    const Scene& scene = CurrentScene();
    std::string name = parameter;
    if (name == "D_POSITION") {
        return found->position;
    }
    if (name == "D_LENGTH") {
        return found->length;
    }
    if (name == "B_UISEL") {
        return found->selected ? 1.0 : 0.0;
    }
    if (name == "D_FADEINLEN") {
        return found->fade_in;
    }
    if (name == "D_FADEOUTLEN") {
        return found->fade_out;
    }
    if (name == "I_LASTY") {
        return kItemInset;
    }
    if (name == "I_LASTH") {
        bool has_track = found->track >= 0 && found->track < static_cast<int>(scene.tracks.size());
        return has_track ? scene.tracks[static_cast<size_t>(found->track)].height - 2 * kItemInset
                         : 0.0;
    }
    if (name == "I_CUSTOMCOLOR") {
        return found->colour >= 0 ? (found->colour | 0x1000000) : 0;
    }
    return 0.0;
}

double GetMediaTrackInfo_Value(MediaTrack* track, const char* parameter) {
    Count("GetMediaTrackInfo_Value");
    int index = FindTrack(track);
    if (index < 0 || parameter == nullptr) {
        return 0.0;
    }
    const Scene& scene = CurrentScene();
    const SceneTrack& found = scene.tracks[static_cast<size_t>(index)];
    std::string name = parameter;
    if (name == "I_TCPY") {
        return TrackTop(scene, index);
    }
    if (name == "I_TCPH" || name == "I_WNDH") {
        return found.height;
    }
    if (name == "IP_TRACKNUMBER") {
        return index + 1;
    }
    if (name == "I_SELECTED") {
        return found.selected ? 1.0 : 0.0;
    }
    if (name == "I_CUSTOMCOLOR") {
        return found.colour >= 0 ? (found.colour | 0x1000000) : 0;
    }
    return 0.0;
}

int GetPlayState() {
    Count("GetPlayState");
    return CurrentScene().play_state;
}

int GetProjExtState(ReaProject* project, const char* section, const char* key, char* buffer,
                    int buffer_size) {
    Count("GetProjExtState");
    return HostGetProjExtState(project, section, key, buffer, buffer_size);
}

void GetSet_ArrangeView2(ReaProject* project, bool set, int screen_x_start, int screen_x_end,
                         double* start_time, double* end_time) {
    Count("GetSet_ArrangeView2");
    if (!KnownProject(project)) {
        return;
    }
    Scene& scene = CurrentScene();
    double width = ArrangeWidthPixels();
    if (set) {
        if (start_time != nullptr && end_time != nullptr && *end_time > *start_time) {
            scene.view_start = *start_time;
            scene.zoom = width / (*end_time - *start_time);
            RedrawArrange();
        }
        return;
    }
    // Both zero asks for the whole view; otherwise the times at those pixel columns.
    double left = screen_x_start;
    double right = screen_x_end;
    if (screen_x_start == 0 && screen_x_end == 0) {
        right = width;
    }
    if (start_time != nullptr) {
        *start_time = scene.view_start + left / scene.zoom;
    }
    if (end_time != nullptr) {
        *end_time = scene.view_start + right / scene.zoom;
    }
}

void GetSet_LoopTimeRange2(ReaProject* project, bool set, bool loop, double* start, double* end,
                           bool) {
    Count("GetSet_LoopTimeRange2");
    if (!KnownProject(project) || start == nullptr || end == nullptr) {
        return;
    }
    Scene& scene = CurrentScene();
    double& range_start = loop ? scene.loop_start : scene.selection_start;
    double& range_end = loop ? scene.loop_end : scene.selection_end;
    if (set) {
        range_start = *start;
        range_end = *end;
        RedrawArrange();
    } else {
        *start = range_start;
        *end = range_end;
    }
}

int GetThemeColor(const char* key, int) {
    Count("GetThemeColor");
    return key != nullptr ? ThemeColour(key) : -1;
}

void MarkProjectDirty(ReaProject* project) {
    Count("MarkProjectDirty");
    HostMarkProjectDirty(project);
}

int plugin_register(const char* name, void* info) {
    Count("plugin_register");
    return HostPluginRegister(name, info);
}

std::vector<std::pair<int, int>> g_toolbar_refreshes;

void RefreshToolbar2(int section_id, int command_id) {
    Count("RefreshToolbar2");
    g_toolbar_refreshes.emplace_back(section_id, command_id);
}

int SetProjExtState(ReaProject* project, const char* section, const char* key, const char* value) {
    Count("SetProjExtState");
    return HostSetProjExtState(project, section, key, value);
}

bool TakeIsMIDI(MediaItem_Take* take) {
    Count("TakeIsMIDI");
    SceneTake* found = FindTake(take);
    return found != nullptr && found->midi;
}

const char* GetExtState(const char* section, const char* key) {
    Count("GetExtState");
    return HostGetExtState(section, key);
}

bool HasExtState(const char* section, const char* key) {
    Count("HasExtState");
    return HostHasExtState(section, key);
}

void SetExtState(const char* section, const char* key, const char* value, bool persist) {
    Count("SetExtState");
    HostSetExtState(section, key, value, persist);
}

bool ValidatePtr2(ReaProject*, void* pointer, const char* type_name) {
    Count("ValidatePtr2");
    // Only projects are asked about; any other type is unknown here, as a stale pointer is.
    return pointer != nullptr && type_name != nullptr &&
           std::strcmp(type_name, "ReaProject*") == 0 &&
           KnownProject(static_cast<ReaProject*>(pointer));
}

HWND MIDIEditor_GetActive() {
    Count("MIDIEditor_GetActive");
    return ActiveMidiEditor();
}

// Filling the extension's own table type checks every signature against what it calls.
constexpr HostApi kHostTable = {
    &AddExtensionsMainMenu,
    &CountMediaItems,
    &EnumProjects,
    &GetActiveTake,
    &GetDisplayedMediaItemColor2,
    &GetHZoomLevel,
    &GetMediaItem,
    &GetMediaItem_Track,
    &GetMediaItemInfo_Value,
    &GetMediaTrackInfo_Value,
    &GetPlayState,
    &GetProjExtState,
    &GetSet_ArrangeView2,
    &GetSet_LoopTimeRange2,
    &GetThemeColor,
    &MarkProjectDirty,
    &plugin_register,
    &RefreshToolbar2,
    &SetProjExtState,
    &TakeIsMIDI,
    &GetExtState,
    &HasExtState,
    &SetExtState,
    &ValidatePtr2,
    &LocalizeString,
    &MIDIEditor_GetActive,
};

void* AsPointer(auto function) {
    return reinterpret_cast<void*>(function);
}

struct NamedFunction {
    const char* name;
    void* function;
};

const NamedFunction kNamedFunctions[] = {
    {"AddExtensionsMainMenu", AsPointer(kHostTable.AddExtensionsMainMenu)},
    {"CountMediaItems", AsPointer(kHostTable.CountMediaItems)},
    {"EnumProjects", AsPointer(kHostTable.EnumProjects)},
    {"GetActiveTake", AsPointer(kHostTable.GetActiveTake)},
    {"GetDisplayedMediaItemColor2", AsPointer(kHostTable.GetDisplayedMediaItemColor2)},
    {"GetHZoomLevel", AsPointer(kHostTable.GetHZoomLevel)},
    {"GetMediaItem", AsPointer(kHostTable.GetMediaItem)},
    {"GetMediaItem_Track", AsPointer(kHostTable.GetMediaItem_Track)},
    {"GetMediaItemInfo_Value", AsPointer(kHostTable.GetMediaItemInfo_Value)},
    {"GetMediaTrackInfo_Value", AsPointer(kHostTable.GetMediaTrackInfo_Value)},
    {"GetPlayState", AsPointer(kHostTable.GetPlayState)},
    {"GetProjExtState", AsPointer(kHostTable.GetProjExtState)},
    {"GetSet_ArrangeView2", AsPointer(kHostTable.GetSet_ArrangeView2)},
    {"GetSet_LoopTimeRange2", AsPointer(kHostTable.GetSet_LoopTimeRange2)},
    {"GetThemeColor", AsPointer(kHostTable.GetThemeColor)},
    {"MarkProjectDirty", AsPointer(kHostTable.MarkProjectDirty)},
    {"plugin_register", AsPointer(kHostTable.plugin_register)},
    {"RefreshToolbar2", AsPointer(kHostTable.RefreshToolbar2)},
    {"SetProjExtState", AsPointer(kHostTable.SetProjExtState)},
    {"TakeIsMIDI", AsPointer(kHostTable.TakeIsMIDI)},
    {"GetExtState", AsPointer(kHostTable.GetExtState)},
    {"HasExtState", AsPointer(kHostTable.HasExtState)},
    {"SetExtState", AsPointer(kHostTable.SetExtState)},
    {"ValidatePtr2", AsPointer(kHostTable.ValidatePtr2)},
    {"LocalizeString", AsPointer(kHostTable.LocalizeString)},
    // Not in the extension's table (yet): the host answers it all the same.
    {"MIDIEditor_GetActive", AsPointer(&MIDIEditor_GetActive)},
};

} // namespace

void ResetHostFunctions() {
    g_withheld.clear();
    g_calls.clear();
    g_lookups = 0;
    g_menu_requested = false;
    g_toolbar_refreshes.clear();
    ResetGlobalExtState();
    ResetLanguagePack();
}

void WithholdHostFunction(const std::string& name) {
    g_withheld.insert(name);
}

bool IsHostFunctionName(const std::string& name) {
    for (const NamedFunction& entry : kNamedFunctions) {
        if (name == entry.name) {
            return true;
        }
    }
    return false;
}

void* LookupHostFunction(const char* name) {
    ++g_lookups;
    if (name == nullptr || g_withheld.count(name) != 0) {
        return nullptr;
    }
    for (const NamedFunction& entry : kNamedFunctions) {
        if (std::strcmp(name, entry.name) == 0) {
            return entry.function;
        }
    }
    return nullptr;
}

int LookupCallCount() {
    return g_lookups;
}

int HostCallCount(const std::string& name) {
    auto found = g_calls.find(name);
    return found != g_calls.end() ? found->second : 0;
}

bool ExtensionsMenuRequested() {
    return g_menu_requested;
}

const std::vector<std::pair<int, int>>& ToolbarRefreshes() {
    return g_toolbar_refreshes;
}

} // namespace sim
