// The frame workers of the attached arrange view, as this computer's setting and the host's
// recording ask. Called on the thread that runs frames (the host's interface thread).
#pragma once

// At attach: starts the workers the setting asks for, owned by the calling thread.
void StartFrameThreads();

// After the user changed the setting: the workers follow it at once while a view is attached.
void ApplyFrameThreadsSetting();

// Each tick, with the host's play state: automatic keeps frames on the calling thread while the
// host records.
void FollowPlayStateWithFrameThreads(int play_state);

// At detach and unload: no workers are left; false when one could not be stopped in time (the
// module is then pinned).
bool StopFrameThreads();
