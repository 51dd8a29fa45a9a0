// The working record the settings dialog shares with the tint picker and the item dialog.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "settings/project_settings.h"

// The preview's own copy of the picture; dc is present exactly while one is loaded.
struct PreviewPicture {
    HBITMAP bitmap = nullptr;
    HDC dc = nullptr;
    HGDIOBJ previous_object = nullptr;
    uint8_t* pixels = nullptr;          // the shown (tinted) pixels, inside bitmap
    std::vector<uint8_t> source_pixels; // as decoded: the source of every re-tint
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t own_width = 0; // the picture's size before the preview scaled it down
    uint32_t own_height = 0;
};

// Kept across paints so the preview control paints without flicker.
struct PreviewPaintBuffer {
    HBITMAP bitmap = nullptr;
    HDC dc = nullptr;
    HGDIOBJ previous_object = nullptr;
    int width = 0;
    int height = 0;
};

struct ArrangePreview {
    PreviewPicture picture;
    PreviewPaintBuffer paint_buffer;
    uint64_t requested = 0; // the ticket of the picture asked for last
};

struct SettingsDialogState {
    ReaProject* project = nullptr; // commits go to this project only
    ProjectSettings stored;        // as last read from the project
    ProjectSettings item_base;     // as the item dialog last read them
    std::u16string pending_path;   // the path box's text as last taken
    std::u16string opened_path;    // the path the dialog opened with: the project's, not typed
    ArrangePreview preview;
    uint32_t tint_colour = kDefaultTintRgb;
    double tint_amount = 0.0;
    bool initialising = true;
    bool item_initialising = false;
    bool commit_timer_pending = false;
    bool item_commit_timer_pending = false;
    bool preview_subclassed = false;
};

inline const wchar_t* WidePointer(const std::u16string& text) {
    return reinterpret_cast<const wchar_t*>(text.c_str());
}
