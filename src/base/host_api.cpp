#include "base/host_api.h"

#include "base/debug_line.h"

HostApi g_host = {};

const char* const kHostFunctionNames[kHostFunctionCount] = {
    "AddExtensionsMainMenu",
    "CountMediaItems",
    "EnumProjects",
    "GetActiveTake",
    "GetDisplayedMediaItemColor2",
    "GetHZoomLevel",
    "GetMediaItem",
    "GetMediaItem_Track",
    "GetMediaItemInfo_Value",
    "GetMediaTrackInfo_Value",
    "GetPlayState",
    "GetProjExtState",
    "GetSet_ArrangeView2",
    "GetSet_LoopTimeRange2",
    "GetThemeColor",
    "MarkProjectDirty",
    "plugin_register",
    "RefreshToolbar2",
    "SetProjExtState",
    "TakeIsMIDI",
    "GetExtState",
    "HasExtState",
    "SetExtState",
    "ValidatePtr2",
    "LocalizeString",
    "MIDIEditor_GetActive",
};

namespace {

template <typename Function> void Bind(Function& entry, HostLookupFunction lookup, int index) {
    entry = reinterpret_cast<Function>(lookup(kHostFunctionNames[index]));
}

} // namespace

void BindHostApi(HostLookupFunction lookup) {
    HostApi& h = g_host;
    int i = 0;
    Bind(h.AddExtensionsMainMenu, lookup, i++);
    Bind(h.CountMediaItems, lookup, i++);
    Bind(h.EnumProjects, lookup, i++);
    Bind(h.GetActiveTake, lookup, i++);
    Bind(h.GetDisplayedMediaItemColor2, lookup, i++);
    Bind(h.GetHZoomLevel, lookup, i++);
    Bind(h.GetMediaItem, lookup, i++);
    Bind(h.GetMediaItem_Track, lookup, i++);
    Bind(h.GetMediaItemInfo_Value, lookup, i++);
    Bind(h.GetMediaTrackInfo_Value, lookup, i++);
    Bind(h.GetPlayState, lookup, i++);
    Bind(h.GetProjExtState, lookup, i++);
    Bind(h.GetSet_ArrangeView2, lookup, i++);
    Bind(h.GetSet_LoopTimeRange2, lookup, i++);
    Bind(h.GetThemeColor, lookup, i++);
    Bind(h.MarkProjectDirty, lookup, i++);
    Bind(h.plugin_register, lookup, i++);
    Bind(h.RefreshToolbar2, lookup, i++);
    Bind(h.SetProjExtState, lookup, i++);
    Bind(h.TakeIsMIDI, lookup, i++);
    Bind(h.GetExtState, lookup, i++);
    Bind(h.HasExtState, lookup, i++);
    Bind(h.SetExtState, lookup, i++);
    Bind(h.ValidatePtr2, lookup, i++);
    Bind(h.LocalizeString, lookup, i++);
    Bind(h.MIDIEditor_GetActive, lookup, i++);
}

bool CheckRequiredHostFunctions() {
    const HostApi& h = g_host;
    const struct {
        bool missing;
        const char* line;
    } required[] = {
        {h.plugin_register == nullptr, "Required REAPER API unavailable: plugin_register.\n"},
        {h.EnumProjects == nullptr, "Required REAPER API unavailable: EnumProjects.\n"},
        {h.GetProjExtState == nullptr, "Required REAPER API unavailable: GetProjExtState.\n"},
        {h.SetProjExtState == nullptr, "Required REAPER API unavailable: SetProjExtState.\n"},
        {h.GetThemeColor == nullptr, "Required REAPER API unavailable: GetThemeColor.\n"},
    };
    bool complete = true;
    for (const auto& entry : required) {
        if (entry.missing) {
            DebugLine(entry.line);
            complete = false;
        }
    }
    return complete;
}

void ReportMissingOptionalHostFunctions() {
    const HostApi& h = g_host;
    if (h.MarkProjectDirty == nullptr) {
        DebugLine("MarkProjectDirty unavailable; project edits may need a manual save.\n");
    }
    if (h.RefreshToolbar2 == nullptr) {
        DebugLine("RefreshToolbar2 unavailable; toolbar state may update later.\n");
    }
    if (h.GetPlayState == nullptr) {
        DebugLine("GetPlayState unavailable; Stop correction uses paint/timer only.\n");
    }
    if (h.AddExtensionsMainMenu == nullptr) {
        DebugLine("AddExtensionsMainMenu unavailable; actions remain in the Action List.\n");
    }
}
