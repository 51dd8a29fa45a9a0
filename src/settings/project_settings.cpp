#include "settings/project_settings.h"

ProjectSettings g_current_settings;
ReaProject* g_last_applied_project = nullptr;
