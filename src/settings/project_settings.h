// The per-project settings record and the process-wide state of what was last applied.
#pragma once

#include <cstdint>
#include <string>

struct ReaProject;

// tile and center show the picture at its own size; older versions read them as cover.
enum class FitMode : int { cover = 0, contain = 1, stretch = 2, tile = 3, center = 4 };

// Which edge or corner of the view the picture keeps to (cover, contain, tile, center).
enum class Anchor : int {
    top_left = 0,
    top = 1,
    top_right = 2,
    left = 3,
    center = 4,
    right = 5,
    bottom_left = 6,
    bottom = 7,
    bottom_right = 8,
};

inline constexpr uint32_t kDefaultTintRgb = 0xFFA060; // shown as #60A0FF
inline constexpr double kDefaultOpacity = 0.35;

struct ProjectSettings {
    std::u16string path; // UTF-16, as the file dialogs and the imaging codecs take it
    bool enabled = false;
    double opacity = kDefaultOpacity;
    FitMode mode = FitMode::cover;
    uint32_t tint_rgb = kDefaultTintRgb; // 0x00BBGGRR
    double tint = 0.0;
    bool grayscale = false;
    double audio_item_transparency = 0.0;
    double midi_item_transparency = 0.0;
    Anchor anchor = Anchor::center;
    double blur = 0.0;           // softness, 0..1
    double time_selection = 0.0; // how strongly the host's time selection shows over it, 0..1
    bool midi_editor = false;    // also shown behind the MIDI editor's note view

    bool operator==(const ProjectSettings&) const = default;
};

// A three-way merge for an editor of the settings that others may change while it is open:
// each setting the editor changed from `base` (what it last read) takes `mine`, every other
// one `theirs` (what the project holds now), so neither side's change is taken back.
ProjectSettings MergeSettingChanges(const ProjectSettings& base, const ProjectSettings& mine,
                                    const ProjectSettings& theirs);

// What ApplyProjectSettings last committed; defaults at load and after unload.
extern ProjectSettings g_current_settings;
// The project the current settings were read from; null when none.
extern ReaProject* g_last_applied_project;
