// Drives the host the way a user working in the arrange view does: scrolling, clicks and wheel
// turns, each followed by the host repainting the view and what it invalidated of the MIDI
// editors' note views; now and then a MIDI editor opens, closes, docks, undocks or resizes.
#pragma once

namespace sim {

// One interaction (which one follows from step) sent to the arrange view through the message
// queue, the scene changed as the host would change it, the view repainted once, and a few
// milliseconds of the message loop so the host's timer keeps running.
void ExerciseStep(int step);

} // namespace sim
