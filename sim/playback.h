// Playback as the host shows it: the play cursor advances at 30 Hz from a thread timer (so it
// also moves inside modal loops), the host invalidates only the cursor's old and new columns,
// and the view pages on when the cursor passes its right edge; every MIDI editor's note view
// follows the same way.
#pragma once

namespace sim {

// Sets the play state to playing from the edit cursor and starts the cursor.
void StartPlayback();
// Stops the cursor where it is; the play state stays (the host frozen mid-playback).
void FreezePlayback();
// Stops the cursor and sets the play state to stopped, repainting the view.
void StopPlayback();
bool PlaybackRunning();

// One 30 Hz step of the cursor (the timer calls it; tests may too).
void AdvancePlayback();

} // namespace sim
