#include "scene.h"

namespace sim {

namespace {

Scene g_scene;

} // namespace

Scene& CurrentScene() {
    return g_scene;
}

void SetScene(const Scene& scene) {
    g_scene = scene;
}

SceneMidiEditor DefaultMidiEditor() {
    SceneMidiEditor editor;
    const double lengths[] = {0.25, 0.5, 1.0, 0.125};
    for (int i = 0; i < 24; ++i) {
        SceneNote note;
        note.pitch = 50 + (i * 7) % 30;
        note.position = 1.0 + i * 0.33;
        note.length = lengths[i % 4];
        note.velocity = 30 + (i * 37) % 97;
        note.muted = i % 9 == 4;
        editor.notes.push_back(note);
    }
    return editor;
}

int TrackTop(const Scene& scene, int track_index) {
    int top = 0;
    for (int i = 0; i < track_index && i < static_cast<int>(scene.tracks.size()); ++i) {
        top += scene.tracks[static_cast<size_t>(i)].height;
    }
    return top;
}

} // namespace sim
