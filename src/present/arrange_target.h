// The attachment to the host's arrange view, shared by the timer, the subclass, the BitBlt
// hook and the frame render. Everything here runs on the host's user-interface thread.
#pragma once

#include <windows.h>

#include <cstdint>

using BitBltFunction = BOOL(WINAPI*)(HDC, int, int, int, int, HDC, int, int, DWORD);

struct ArrangeTarget {
    HWND window;
    DWORD thread_id;
    bool attached;
    bool subclass_installed;
    WNDPROC previous_proc;
    void** import_slot; // the host's BitBlt import slot while our hook sits in it
    BitBltFunction real_bitblt;
    uint32_t present_count; // corrected frames presented through the hook; compared for equality
    uint32_t deferred_due_tick; // 0: no deferred correction pending
    uint32_t deferred_present_count;
    int last_play_state;
    uint32_t last_timer_render_tick;
    uint32_t last_settings_tick;
};

extern ArrangeTarget g_target;

// Hooked mode: corrected frames reach the screen through the BitBlt hook.
inline bool HookedMode() {
    return g_target.import_slot != nullptr;
}

// Schedules one timer render 100 ms from now unless a hooked presentation comes first.
void ScheduleDeferredCorrection();
