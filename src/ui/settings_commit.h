// The settings dialog's commit step and the helpers the tint picker and item dialog share.
#pragma once

#include <windows.h>

#include <string>

#include "ui/settings_dialog_state.h"

// False when the host has switched to another project since the dialog opened.
bool DialogProjectIsCurrent(const SettingsDialogState& state);

// Stores what the settings dialog shows into its project, applies it and reads it back. True
// when anything was stored.
bool CommitDialogSettings(HWND dialog, SettingsDialogState& state, bool redraw_preview);

// Sets every control from the settings the dialog last read (state.stored), as after a change
// made elsewhere while it is open; a path being typed in the box is left there.
void ShowStoredSettings(HWND dialog, SettingsDialogState& state);

// Starts the 60 ms commit timer of dialog unless it runs; commits at once when it cannot start.
void ScheduleCommit(HWND dialog, SettingsDialogState& state);

// The default check box and the line saying where the shown picture came from, as they stand.
void RefreshDefaultAndSource(HWND dialog, const SettingsDialogState& state);

// How the path box's text is taken. Enter and closing the dialog confirm it: a path on another
// computer typed there then counts as chosen here, as one chosen with Browse does. Leaving the
// box (a click elsewhere, switching windows, a cancelled Browse) confirms nothing.
enum class TypedPath { focus_left, confirmed };

// Takes the path box's text as the pending path, then commits.
void CommitTypedPath(HWND dialog, SettingsDialogState& state, TypedPath how);

std::u16string ReadPathEdit(HWND dialog);
void UpdateOpacityLabel(HWND dialog);
// The percentage beside each slider of the settings dialog (opacity, softness, time selection).
void UpdateSliderLabels(HWND dialog);
void UpdateTintLabel(HWND dialog, SettingsDialogState& state);
void RefreshPreviewTint(HWND dialog, SettingsDialogState& state);
void RedrawPreview(HWND dialog);
