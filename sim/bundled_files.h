// The bundled scene and theme (scenes/default.*), compiled in so the sandbox runs anywhere.
#pragma once

namespace sim {

extern const char* const kBundledSceneText;
extern const char* const kBundledThemeText;

} // namespace sim
