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

int TrackTop(const Scene& scene, int track_index) {
    int top = 0;
    for (int i = 0; i < track_index && i < static_cast<int>(scene.tracks.size()); ++i) {
        top += scene.tracks[static_cast<size_t>(i)].height;
    }
    return top;
}

} // namespace sim
