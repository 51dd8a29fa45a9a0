// The host's functions that Murivo calls, bound by name at load. Portable: host handles are
// opaque pointers and every entry has the host's own signature, so the same table is filled by
// the real host, by the simulator and by native test fakes.
#pragma once

struct ReaProject;
struct MediaItem;
struct MediaItem_Take;
struct MediaTrack;

// The window handle type (HWND) without the system headers, which portable code lacks.
struct HWND__;

struct HostApi {
    // Optional, reported at load: without it the actions stay in the Action List only.
    bool (*AddExtensionsMainMenu)();
    // Optional, silent: the item overlay needs these and skips its work without them.
    int (*CountMediaItems)(ReaProject* project);
    ReaProject* (*EnumProjects)(int index, char* name_buffer, int buffer_size);
    MediaItem_Take* (*GetActiveTake)(MediaItem* item);
    int (*GetDisplayedMediaItemColor2)(MediaItem* item, MediaItem_Take* take);
    double (*GetHZoomLevel)();
    MediaItem* (*GetMediaItem)(ReaProject* project, int index);
    MediaTrack* (*GetMediaItem_Track)(MediaItem* item);
    double (*GetMediaItemInfo_Value)(MediaItem* item, const char* parameter);
    double (*GetMediaTrackInfo_Value)(MediaTrack* track, const char* parameter);
    // Optional, reported: without it the stop correction has no play state to follow.
    int (*GetPlayState)();
    int (*GetProjExtState)(ReaProject* project, const char* section, const char* key, char* buffer,
                           int buffer_size);
    void (*GetSet_ArrangeView2)(ReaProject* project, bool set, int screen_x_start, int screen_x_end,
                                double* start_time, double* end_time);
    void (*GetSet_LoopTimeRange2)(ReaProject* project, bool set, bool loop, double* start,
                                  double* end, bool allow_autoseek);
    int (*GetThemeColor)(const char* key, int flags);
    // Optional, reported: without it edits are stored but the project is not marked changed.
    void (*MarkProjectDirty)(ReaProject* project);
    int (*plugin_register)(const char* name, void* info);
    // Optional, reported: without it the toggle's toolbar button updates on the host's schedule.
    void (*RefreshToolbar2)(int section_id, int command_id);
    int (*SetProjExtState)(ReaProject* project, const char* section, const char* key,
                           const char* value);
    bool (*TakeIsMIDI)(MediaItem_Take* take);
    // Optional, silent: the host's global state holds what belongs to no project (the default
    // wallpaper, the network pictures the user chose); without them there is neither.
    const char* (*GetExtState)(const char* section, const char* key);
    bool (*HasExtState)(const char* section, const char* key);
    void (*SetExtState)(const char* section, const char* key, const char* value, bool persist);
    // Optional, silent: tells whether a pointer from a script is a project the host knows;
    // without it the project list is walked instead.
    bool (*ValidatePtr2)(ReaProject* project, void* pointer, const char* type_name);
    // Optional, silent: the user's language pack; without it every text is English.
    const char* (*LocalizeString)(const char* text, const char* section, int flags);
    // Optional, silent: the active MIDI editor's window; without it the wallpaper stays in the
    // arrange view only.
    HWND__* (*MIDIEditor_GetActive)();
};

// The one table every part of the extension calls through.
extern HostApi g_host;

// The project of the host's current tab; null while the host cannot say.
inline ReaProject* CurrentProject(const HostApi& host = g_host) {
    return host.EnumProjects != nullptr ? host.EnumProjects(-1, nullptr, 0) : nullptr;
}

// The lookup the host hands over in its plug-in information record.
using HostLookupFunction = void* (*)(const char* name);

// The names in binding order; index i names the i-th entry of HostApi.
inline constexpr int kHostFunctionCount = 26;
extern const char* const kHostFunctionNames[kHostFunctionCount];

// Fills every entry of g_host from lookup (null included), in table order.
void BindHostApi(HostLookupFunction lookup);

// Prints one line per missing required function (all five checked); true when none is missing.
bool CheckRequiredHostFunctions();

// Prints one line per missing optional function that users should hear about.
void ReportMissingOptionalHostFunctions();
