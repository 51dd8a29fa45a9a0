// The sandbox's scene files: one directive per line, followed by key=value words.
#pragma once

#include <string>
#include <string_view>

#include "scene.h"

namespace sim {

// Fills scene from text; "file:line: message" in error on the first bad line.
bool ParseSceneText(std::string_view text, const std::string& file_name, Scene& scene,
                    std::string& error);

bool LoadSceneFile(const std::string& path, Scene& scene, std::string& error);

} // namespace sim
