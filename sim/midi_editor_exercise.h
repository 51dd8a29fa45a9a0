// What --exercise and --soak do to the host's MIDI editors now and then: open (floating or
// docked, at most three at once), close, dock or undock, activate, resize, hide or show the
// docker.
#pragma once

namespace sim {

// One change, picked from roll: the same roll on the same editors makes the same change.
void ChangeMidiEditors(unsigned roll);

} // namespace sim
