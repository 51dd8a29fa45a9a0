// What the host shows in its arrange view: tracks, media items, view range, zoom, time
// selection, play state, the project tabs, and the MIDI editors it opens. Item, take and track
// handles given to the extension point into the current scene and stay valid until the scene is
// replaced.
#pragma once

#include <string>
#include <vector>

namespace sim {

enum class ItemKind { kAudio, kMidi, kEmpty };

struct SceneTrack {
    int height = 80;
    bool selected = false;
    int colour = -1; // 0x00BBGGRR, -1 for none
    std::string name;
};

// The active take of a non-empty item; its address is the take handle.
struct SceneTake {
    bool midi = false;
};

struct SceneItem {
    int track = 0; // index into tracks
    double position = 0.0;
    double length = 1.0;
    ItemKind kind = ItemKind::kAudio;
    int colour = -1; // custom colour 0x00BBGGRR, -1 for none
    unsigned int peaks_seed = 1;
    bool selected = false;
    double fade_in = 0.0; // seconds
    double fade_out = 0.0;
    SceneTake take;
};

// A note of a MIDI editor's item; times are project seconds.
struct SceneNote {
    int pitch = 60;
    double position = 0.0;
    double length = 0.5;
    int velocity = 100; // 1..127
    bool muted = false;
};

// A MIDI editor the host opens, and what its note view shows.
struct SceneMidiEditor {
    int width = 800; // the note view's client area
    int height = 400;
    bool docked = false;
    int low_pitch = 48; // the lowest row sits at the bottom of the note area
    int high_pitch = 84;
    int selected_pitch = 60; // -1 for none
    double item_start = 1.0; // the item's bounds; the rows outside are drawn as outside
    double item_end = 9.0;
    double zoom = 80.0; // pixels per second
    double view_start = 0.0;
    std::vector<SceneNote> notes;
};

struct Scene {
    int arrange_width = 960;
    int arrange_height = 540;
    double view_start = 0.0; // seconds at the left edge
    double zoom = 50.0;      // pixels per second
    double bpm = 120.0;
    int beats_per_measure = 4;
    double selection_start = 0.0;
    double selection_end = 0.0;
    double loop_start = 0.0;
    double loop_end = 0.0;
    double cursor = 0.0;
    int play_state = 0;         // bit 0 playing, bit 1 paused, bit 2 recording
    double play_position = 0.0; // the play cursor while playing, paused or recording
    std::vector<std::string> projects = {"Untitled"};
    int current_project = 0;
    // The project files, by tab; a tab without one (or with an empty one) is unsaved.
    std::vector<std::string> project_paths;
    std::vector<SceneTrack> tracks;
    std::vector<SceneItem> items;
    std::vector<SceneMidiEditor> midi_editors; // opened in this order, after the main window
};

// What an editor the host opens without a scene line shows: the default item and view with a
// spread of notes of several pitches, lengths and velocities, one of them muted.
SceneMidiEditor DefaultMidiEditor();

// The scene the host shows; tests may edit it and then redraw the arrange view.
Scene& CurrentScene();
void SetScene(const Scene& scene);

// Top of a track in arrange view pixels (tracks are stacked from the top, no scrolling).
int TrackTop(const Scene& scene, int track_index);

// The item geometry the host reports: an item sits one pixel inside its track lane.
inline constexpr int kItemInset = 1;

} // namespace sim
