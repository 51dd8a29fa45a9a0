// Waiting, in a test, for the picture thread's work to be finished and shown.
#pragma once

// Takes what the picture thread finished, as the timer would, until nothing is waiting or
// running (at most 30 s); false when it was still busy then.
bool SettlePictureWork();

// ApplyProjectSettings, then SettlePictureWork: the apply as it was seen once the picture thread
// is done.
void ApplyAndSettle(bool force_reload, bool redraw);
