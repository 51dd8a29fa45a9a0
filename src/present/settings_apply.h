#pragma once

#include <cstdint>

// Brings the running extension in line with the current project's stored settings.
void ApplyProjectSettings(bool force_reload, bool redraw);

// On the timer: shows what the picture thread finished (a loaded, refitted or reloaded picture;
// a picture that could not be loaded switches the project off as a load always did).
void TakeFinishedPictureWork();

// On the settings tick: asks the picture thread to look whether the shown file was rewritten, to
// try an unreachable picture again when due, or to read the picture with more detail.
void ReloadPictureIfChanged();

// The picture just chosen by the user is the one loading: when it fails to load (and the project
// is switched off), TakeChosenPictureFailure answers true, once.
void WatchChosenPicture();
bool TakeChosenPictureFailure();

// Stops the picture thread (at the detach and the unload); what it was doing is dropped.
void StopPictureWork();

// Forgets what was applied (settings, project, the shown picture's source): at unload and in tests.
void ResetCurrentSettings();
