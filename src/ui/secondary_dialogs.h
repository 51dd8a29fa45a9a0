// The two dialogs the settings dialog opens over itself; both return when they have closed.
#pragma once

#include <windows.h>

#include "ui/settings_dialog_state.h"

void RunTintPicker(HWND settings_dialog, SettingsDialogState& state);
void RunItemBackgroundDialog(HWND settings_dialog, SettingsDialogState& state);
