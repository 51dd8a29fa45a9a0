// Starting and stopping the whole simulated host: scene, projects, theme, registrations,
// host functions and windows, all back to a known state.
#pragma once

#include "scene.h"

namespace sim {

// Resets every part of the host to the given scene (its projects become the tabs, none with
// extension state), the bundled theme, no registrations, no withheld functions, and creates
// the windows, the scene's MIDI editors among them. False when the main windows cannot be
// created.
bool StartSimulator(const Scene& scene, bool window_timer = false);

// Unloads nothing: the caller unloads the extension first. Closes the MIDI editors and destroys
// the windows.
void StopSimulator();

// The bundled scene (scenes/default.scene).
Scene BundledScene();

} // namespace sim
