// The commands that open a dialog or a file chooser.
#pragma once

void ChooseWallpaperCommand();
void OpenSettingsDialog();
void OpenAboutDialog();
