#pragma once

// Brings the running extension in line with the current project's stored settings.
void ApplyProjectSettings(bool force_reload, bool redraw);

// Forgets what was applied (settings, project, the shown picture's source): at unload and in tests.
void ResetCurrentSettings();
