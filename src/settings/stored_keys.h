// The keys of the "Murivo" extension-state section, in the order they are written: the nine
// every version writes, then the later keys (anchor, softness, time selection, MIDI editor)
// that older versions ignore and that are written only once a project uses them. The host's
// global state keeps the default wallpaper under the same keys with "default_" in front.
#pragma once

// What a key's text holds (the rules are in settings_codec.h).
enum class StoredValue { path, flag, permille, fit_mode, hex_colour, anchor };

struct StoredKey {
    const char* name;
    StoredValue value;
    bool always_written;
};

// Indices into kStoredKeys, in its order.
enum StoredKeyIndex : int {
    kPathKey,
    kEnabledKey,
    kOpacityKey,
    kModeKey,
    kTintRgbKey,
    kTintKey,
    kGrayscaleKey,
    kAudioItemsKey,
    kMidiItemsKey,
    kAnchorKey,
    kBlurKey,
    kTimeSelectionKey,
    kMidiEditorKey,
    kStoredKeyCount
};

inline constexpr StoredKey kStoredKeys[kStoredKeyCount] = {
    {"path", StoredValue::path, true},
    {"enabled", StoredValue::flag, true},
    {"opacity_permille", StoredValue::permille, true},
    {"mode", StoredValue::fit_mode, true},
    {"tint_rgb", StoredValue::hex_colour, true},
    {"tint_permille", StoredValue::permille, true},
    {"grayscale", StoredValue::flag, true},
    {"audio_item_transparency_permille", StoredValue::permille, true},
    {"midi_item_transparency_permille", StoredValue::permille, true},
    {"anchor", StoredValue::anchor, false},
    {"blur_permille", StoredValue::permille, false},
    {"time_selection_permille", StoredValue::permille, false},
    {"midi_editor", StoredValue::flag, false},
};

inline constexpr const char* StoredKeyName(StoredKeyIndex key) {
    return kStoredKeys[key].name;
}

inline constexpr int kAlwaysWrittenKeyCount = [] {
    int count = 0;
    for (const StoredKey& key : kStoredKeys) {
        count += key.always_written ? 1 : 0;
    }
    return count;
}();

// The picture's path relative to the project's folder: derived from "path" when that is
// written, and stored only in a project.
inline constexpr const char* kRelativePathKey = "relative_path";
