#include "settings/project_settings.h"

ProjectSettings g_current_settings;
ReaProject* g_last_applied_project = nullptr;

namespace {

// Each of the settings named takes mine's value where mine changed it from base.
template <typename... T>
void TakeChanged(const ProjectSettings& base, const ProjectSettings& mine, ProjectSettings& merged,
                 T ProjectSettings::*... settings) {
    ((mine.*settings == base.*settings ? void() : void(merged.*settings = mine.*settings)), ...);
}

} // namespace

ProjectSettings MergeSettingChanges(const ProjectSettings& base, const ProjectSettings& mine,
                                    const ProjectSettings& theirs) {
    ProjectSettings merged = theirs;
    using S = ProjectSettings;
    TakeChanged(base, mine, merged, &S::path, &S::enabled, &S::opacity, &S::mode, &S::tint_rgb,
                &S::tint, &S::grayscale, &S::audio_item_transparency, &S::midi_item_transparency,
                &S::anchor, &S::blur, &S::time_selection, &S::midi_editor);
    return merged;
}
