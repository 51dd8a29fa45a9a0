// Starting and stopping the whole simulated host: scene, projects, theme, registrations,
// host functions and windows, all back to a known state.
#pragma once

#include "scene.h"

namespace sim {

// Resets every part of the host to the given scene (its projects become the tabs, none with
// extension state), the bundled theme, no registrations, no withheld functions, and creates
// the windows. False when the windows cannot be created.
bool StartSimulator(const Scene& scene, bool window_timer = false);

// Unloads nothing: the caller unloads the extension first. Destroys the windows.
void StopSimulator();

// The bundled scene (scenes/default.scene).
Scene BundledScene();

} // namespace sim
