// The commands that change what a project or the default wallpaper stores, then apply it.
#pragma once

// Removes the current project's settings when it holds any, then applies. While a default
// wallpaper exists an explicit off is stored instead, so the default stays away.
void ClearProjectSettings();

// The current project's wallpaper becomes the default, or, when it already is, the default is
// cleared. Applies afterwards.
void ToggleDefaultWallpaper();

// Switches the current project's wallpaper off or on and applies it; nothing without a picture.
void ToggleProjectEnabled();

// Switches whether the current project's wallpaper shows behind the MIDI editor too, applies it
// and refreshes the action's toolbar button; nothing without a picture.
void ToggleMidiEditor();
