// libFuzzer target: the simulator's scene reader over arbitrary text. A scene it accepts is one
// the simulator can show: items on existing tracks, a current project that exists, finite
// geometry; a refusal always says which line.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "scene_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    sim::Scene scene;
    std::string error;
    if (!sim::ParseSceneText(text, "fuzz.scene", scene, error)) {
        if (error.rfind("fuzz.scene:", 0) != 0) {
            std::abort();
        }
        return 0;
    }
    if (scene.current_project < 0 || size_t(scene.current_project) >= scene.projects.size() ||
        scene.arrange_width <= 0 || scene.arrange_height <= 0 || !std::isfinite(scene.zoom) ||
        !std::isfinite(scene.view_start)) {
        std::abort();
    }
    for (const sim::SceneItem& item : scene.items) {
        if (item.track < 0 || size_t(item.track) >= scene.tracks.size() ||
            !std::isfinite(item.position) || !std::isfinite(item.length)) {
            std::abort();
        }
    }
    return 0;
}
