#include "settings/project_settings.h"

#include "settings/picture_source.h"

ProjectSettings g_current_settings;
ReaProject* g_last_applied_project = nullptr;

void ResetCurrentSettings() {
    g_current_settings = ProjectSettings{};
    g_last_applied_project = nullptr;
    g_picture_source = {};
}
