#include "simulator.h"

#include <windows.h>

#include <cstdio>
#include <string>

#include "bundled_files.h"
#include "file_chooser_rules.h"
#include "host_functions.h"
#include "host_windows.h"
#include "import_slot.h"
#include "midi_editor.h"
#include "projects.h"
#include "registrations.h"
#include "scene_file.h"
#include "theme.h"
#include "ui_stall.h"

namespace sim {

bool StartSimulator(const Scene& scene, bool window_timer) {
    ProtectExecutableImportTable();
    RefuseInvalidChooserNames();
    SetScene(scene);
    ResetProjects(scene.projects, scene.current_project, scene.project_paths);
    ResetTheme();
    ResetRegistrations();
    ResetHostFunctions();
    ResetUiStall();
    CloseAllMidiEditors();
    if (!CreateHostWindows(window_timer)) {
        // Rare under a display that is still starting: say why, so a failed run tells.
        std::fprintf(stderr, "sandbox: the host windows could not be made (error %lu)\n",
                     GetLastError());
        return false;
    }
    for (const SceneMidiEditor& editor : scene.midi_editors) {
        OpenSceneMidiEditor(editor);
    }
    return true;
}

void StopSimulator() {
    CloseAllMidiEditors();
    DestroyHostWindows();
}

Scene BundledScene() {
    Scene scene;
    std::string error;
    // Checked by a test; a failure here would be a mistake in the bundled file.
    ParseSceneText(kBundledSceneText, "default.scene", scene, error);
    return scene;
}

} // namespace sim
