// The commands that open a dialog or a file chooser.
#pragma once

void ChooseWallpaperCommand();
// The warning for a chosen picture that failed to load (the project was switched off).
void WarnChosenPictureUnloadable();
void OpenSettingsDialog();
void OpenAboutDialog();
