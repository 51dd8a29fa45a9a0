// Not yet built: the file chooser and the dialogs.
#include "ui/commands.h"

#include "host/debug_line.h"

void ChooseWallpaperCommand() {
    DebugLine("Murivo: the wallpaper chooser is not available in this build.\n");
}

void OpenSettingsDialog() {
    DebugLine("Murivo: the settings dialog is not available in this build.\n");
}

void OpenAboutDialog() {
    DebugLine("Murivo: the About box is not available in this build.\n");
}
