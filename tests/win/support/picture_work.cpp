#include "support/picture_work.h"

#include <windows.h>

#include "present/picture_worker.h"
#include "present/settings_apply.h"

bool SettlePictureWork() {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < 30000) {
        TakeFinishedPictureWork();
        if (PictureWorkIdle()) {
            return true;
        }
        Sleep(1);
    }
    return false;
}

void ApplyAndSettle(bool force_reload, bool redraw) {
    ApplyProjectSettings(force_reload, redraw);
    SettlePictureWork();
}
