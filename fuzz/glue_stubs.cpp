// The Win32 glue that the portable core calls, reduced to nothing: the fuzz targets exercise
// the core alone.
#include "base/module_pin.h"
#include "base/thread_traits.h"
#include "host/actions.h"
#include "present/settings_apply.h"
#include "ui/commands.h"

void DebugLine(const char*) {}
void ApplyProjectSettings(bool, bool) {}
void ChooseWallpaperCommand() {}
void OpenSettingsDialog() {}
void OpenAboutDialog() {}
void OnCustomMenu(const char*, void*, int) {}
int ProcessorCoreCount() {
    return 1;
}
int CallingThreadPriority() {
    return 0;
}
void BecomeFrameWorker(int, int) {}
void PinOwnModule() {}
