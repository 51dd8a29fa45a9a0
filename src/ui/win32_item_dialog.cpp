// The item background dialog: audio and MIDI item transparencies, stored as they change.
#include <windows.h>
#include <commctrl.h>

#include <cmath>

#include "base/callback_guard.h"
#include "base/debug_line.h"
#include "base/plugin_state.h"
#include "present/settings_apply.h"
#include "settings/default_wallpaper.h"
#include "settings/project_settings.h"
#include "settings/project_storage.h"
#include "ui/dialog_controls.h"
#include "ui/dialog_ids.h"
#include "ui/dialog_text.h"
#include "ui/secondary_dialogs.h"
#include "ui/settings_commit.h"

namespace {

SettingsDialogState* StateOf(HWND dialog) {
    return reinterpret_cast<SettingsDialogState*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

void UpdateItemLabels(HWND dialog) {
    SetControlText(dialog, kAudioLabel, PermillePercentText(SliderPosition(dialog, kAudioSlider)));
    SetControlText(dialog, kMidiLabel, PermillePercentText(SliderPosition(dialog, kMidiSlider)));
}

void CommitItemTransparency(HWND dialog, SettingsDialogState& state) {
    KillTimer(dialog, kCommitTimerId);
    state.item_commit_timer_pending = false;
    if (!DialogProjectIsCurrent(state)) {
        return;
    }
    ProjectSettings mine = state.item_base;
    mine.audio_item_transparency = SliderPosition(dialog, kAudioSlider) / 1000.0;
    mine.midi_item_transparency = SliderPosition(dialog, kMidiSlider) / 1000.0;
    // What an action or a script changed meanwhile is not taken back.
    const ProjectSettings theirs = ReadShownSettings(state.project).settings;
    const ProjectSettings candidate = MergeSettingChanges(state.item_base, mine, theirs);
    if (candidate == theirs) {
        state.item_base = theirs;
        return;
    }
    WriteProjectSettings(state.project, candidate);
    ApplyProjectSettings(false, true);
    state.item_base = ReadShownSettings(state.project).settings;
    // The settings dialog takes the item keys as read; any other change it shows when it looks.
    state.stored.audio_item_transparency = state.item_base.audio_item_transparency;
    state.stored.midi_item_transparency = state.item_base.midi_item_transparency;
}

void Initialise(HWND dialog, SettingsDialogState& state) {
    SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(&state));
    TranslateDialogTexts(dialog);
    state.item_initialising = true;
    state.item_base = state.stored;
    SetSliderRange(dialog, kAudioSlider, 1000, 10, 100);
    SetSliderRange(dialog, kMidiSlider, 1000, 10, 100);
    SetSliderPosition(dialog, kAudioSlider,
                      static_cast<int>(std::lround(state.stored.audio_item_transparency * 1000.0)));
    SetSliderPosition(dialog, kMidiSlider,
                      static_cast<int>(std::lround(state.stored.midi_item_transparency * 1000.0)));
    UpdateItemLabels(dialog);
    state.item_initialising = false;
}

INT_PTR OnScroll(HWND dialog, SettingsDialogState& state, HWND slider, int code) {
    if (slider != GetDlgItem(dialog, kAudioSlider) && slider != GetDlgItem(dialog, kMidiSlider)) {
        return FALSE;
    }
    if (state.item_initialising) {
        return TRUE;
    }
    UpdateItemLabels(dialog);
    if (code == TB_THUMBPOSITION || code == TB_ENDTRACK) {
        CommitItemTransparency(dialog, state);
    } else if (!state.item_commit_timer_pending) {
        state.item_commit_timer_pending =
            SetTimer(dialog, kCommitTimerId, kCommitTimerMs, nullptr) != 0;
        if (!state.item_commit_timer_pending) {
            CommitItemTransparency(dialog, state);
        }
    }
    return TRUE;
}

INT_PTR HandleMessage(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_INITDIALOG) {
        Initialise(dialog, *reinterpret_cast<SettingsDialogState*>(lparam));
        return TRUE;
    }
    SettingsDialogState* state = StateOf(dialog);
    if (state == nullptr) {
        return FALSE;
    }
    switch (message) {
    case WM_HSCROLL:
        return OnScroll(dialog, *state, reinterpret_cast<HWND>(lparam), LOWORD(wparam));
    case WM_TIMER:
        if (wparam != kCommitTimerId) {
            return FALSE;
        }
        CommitItemTransparency(dialog, *state);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wparam) == kItemsReset) {
            if (HIWORD(wparam) != BN_CLICKED) {
                return FALSE;
            }
            SetSliderPosition(dialog, kAudioSlider, 0);
            SetSliderPosition(dialog, kMidiSlider, 0);
            UpdateItemLabels(dialog);
            CommitItemTransparency(dialog, *state);
            return TRUE;
        }
        if (LOWORD(wparam) == kCloseButton) {
            CommitItemTransparency(dialog, *state);
            EndDialog(dialog, kCloseButton);
            return TRUE;
        }
        return FALSE;
    case WM_CLOSE:
        CommitItemTransparency(dialog, *state);
        EndDialog(dialog, kCloseButton);
        return TRUE;
    default:
        return FALSE;
    }
}

INT_PTR CALLBACK ItemDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    return RunGuarded<INT_PTR>(FALSE,
                               [&] { return HandleMessage(dialog, message, wparam, lparam); });
}

} // namespace

void RunItemBackgroundDialog(HWND settings_dialog, SettingsDialogState& state) {
    INT_PTR result =
        DialogBoxParamW(g_module_instance, MAKEINTRESOURCEW(kItemTemplate), settings_dialog,
                        ItemDialogProc, reinterpret_cast<LPARAM>(&state));
    if (result == -1) {
        DebugLine("Unable to open item background settings.\n");
    }
}
