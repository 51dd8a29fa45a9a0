// The settings dialog: every change is stored in the project and applied while it is open.
#include <windows.h>
#include <commctrl.h>

#include <cmath>

#include "base/callback_guard.h"
#include "base/debug_line.h"
#include "base/host_api.h"
#include "base/plugin_state.h"
#include "present/frame_threads.h"
#include "present/settings_apply.h"
#include "settings/default_wallpaper.h"
#include "settings/frame_threads_setting.h"
#include "settings/network_pictures.h"
#include "ui/arrange_preview.h"
#include "ui/browse.h"
#include "ui/commands.h"
#include "ui/dialog_controls.h"
#include "ui/dialog_ids.h"
#include "ui/dialog_text.h"
#include "ui/secondary_dialogs.h"
#include "ui/settings_commit.h"

namespace {

constexpr UINT_PTR kPreviewSubclassId = 1;
constexpr const char* kFitModeTexts[] = {
    "Cover (fill area)", "Contain (show whole image)", "Stretch (fill without cropping)",
    "Tile (repeat at its own size)", "Center (at its own size)"};
constexpr const char* kAnchorTexts[] = {"Top left",    "Top",    "Top right",
                                        "Left",        "Center", "Right",
                                        "Bottom left", "Bottom", "Bottom right"};
// This computer's frame threads, in the combo's order.
constexpr int kFrameThreadsChoices[] = {kAutomaticFrameThreads, 1, 2, 4};
constexpr const char* kFrameThreadsTexts[] = {"Automatic", "1", "2", "4"};
constexpr int kSliders[] = {kOpacitySlider, kSoftnessSlider, kTimeSelectionSlider};
constexpr int kDefaultOpacityPermille = 350;

void AddComboText(HWND dialog, int id, const char* english) {
    const std::u16string text = TranslatedText(english);
    SendDlgItemMessageW(dialog, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(WidePointer(text)));
}

SettingsDialogState* StateOf(HWND dialog) {
    return reinterpret_cast<SettingsDialogState*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

void InitialiseDialog(HWND dialog, SettingsDialogState& state) {
    SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(&state));
    TranslateDialogTexts(dialog);
    HWND preview = GetDlgItem(dialog, kPreviewControl);
    state.preview_subclassed =
        preview != nullptr && SetWindowSubclass(preview, PreviewSubclassProc, kPreviewSubclassId,
                                                reinterpret_cast<DWORD_PTR>(&state));
    SetDlgItemTextW(dialog, kPathEdit, WidePointer(state.pending_path));
    for (int slider : kSliders) {
        SetSliderRange(dialog, slider, 1000, 10, 100);
    }
    SetControlText(dialog, kOpacityReset, FormatTranslated("Reset to %.0f%%", 35.0));
    for (const char* text : kFitModeTexts) {
        AddComboText(dialog, kFitCombo, text);
    }
    for (const char* text : kAnchorTexts) {
        AddComboText(dialog, kAnchorCombo, text);
    }
    const int threads = StoredFrameThreads();
    for (int i = 0; i < 4; ++i) {
        AddComboText(dialog, kFrameThreadsCombo, kFrameThreadsTexts[i]);
        if (kFrameThreadsChoices[i] == threads) {
            SendDlgItemMessageW(dialog, kFrameThreadsCombo, CB_SETCURSEL, WPARAM(i), 0);
        }
    }
    RequestPreviewPicture(state.preview.requested, state.pending_path);
    ShowStoredSettings(dialog, state);
    SetTimer(dialog, kWatchTimerId, kWatchTimerMs, nullptr);
    state.initialising = false;
}

void Browse(HWND dialog, SettingsDialogState& state) {
    std::u16string path;
    if (!BrowseForImage(dialog, SafeChooserStart(state.project, ReadPathEdit(dialog), true),
                        path)) {
        // Whatever was typed before the click counts as if the box had lost the focus.
        CommitTypedPath(dialog, state, TypedPath::focus_left);
        return;
    }
    const bool newly_allowed = RememberChosenPicture(path);
    state.pending_path = path;
    SetDlgItemTextW(dialog, kPathEdit, WidePointer(path));
    CheckDlgButton(dialog, kEnableCheck, BST_CHECKED);
    RequestPreviewPicture(state.preview.requested, state.pending_path);
    RefreshPreviewTint(dialog, state);
    // The project's own path, refused until now, chosen again: nothing differs, so the project
    // is applied afresh to show it.
    if (!CommitDialogSettings(dialog, state, true) && newly_allowed &&
        DialogProjectIsCurrent(state)) {
        ApplyProjectSettings(true, true);
    }
}

// Checked: what the dialog shows becomes the default; unchecked: the default is cleared.
void ToggleDefault(HWND dialog, SettingsDialogState& state) {
    bool wanted = IsDlgButtonChecked(dialog, kDefaultCheck) == BST_CHECKED;
    CommitDialogSettings(dialog, state, false);
    if (!DialogProjectIsCurrent(state)) {
        return;
    }
    if (wanted) {
        StoreDefaultWallpaper(state.stored);
    } else {
        ClearDefaultWallpaper();
    }
    ApplyProjectSettings(false, true);
    RefreshDefaultAndSource(dialog, state);
}

// What changed elsewhere while the dialog is open shows in it: an action, a script, a picture
// that failed to load in the background and switched the project off. A drag being stored
// first stores itself (merged with the change).
void FollowProjectChanges(HWND dialog, SettingsDialogState& state) {
    if (state.commit_timer_pending || !DialogProjectIsCurrent(state)) {
        return;
    }
    const ProjectSettings now = ReadShownSettings(state.project).settings;
    if (now == state.stored) {
        return;
    }
    state.stored = now;
    ShowStoredSettings(dialog, state);
}

void DrawSwatch(const DRAWITEMSTRUCT& item, const SettingsDialogState& state) {
    HBRUSH brush = CreateSolidBrush(state.tint_colour);
    if (brush != nullptr) {
        FillRect(item.hDC, &item.rcItem, brush);
        DeleteObject(brush);
    }
    FrameRect(item.hDC, &item.rcItem, GetSysColorBrush(COLOR_WINDOWFRAME));
}

INT_PTR OnCommand(HWND dialog, SettingsDialogState& state, int id, int code) {
    if (state.initialising) {
        return FALSE;
    }
    switch (id) {
    case kCloseButton: // also Enter (Close is the default button) and Esc
        CommitTypedPath(dialog, state, TypedPath::confirmed);
        EndDialog(dialog, kCloseButton);
        return TRUE;
    case kPathEdit:
        if (code != EN_KILLFOCUS || GetFocus() == GetDlgItem(dialog, kBrowseButton)) {
            return FALSE;
        }
        CommitTypedPath(dialog, state, TypedPath::focus_left);
        return TRUE;
    default:
        break;
    }
    if (id == kFitCombo || id == kAnchorCombo) {
        if (code != CBN_SELCHANGE) {
            return FALSE;
        }
        if (id == kFitCombo) {
            RefreshPreviewTint(dialog, state); // the softness's scale follows the fit
        }
        CommitDialogSettings(dialog, state, true);
        return TRUE;
    }
    if (id == kFrameThreadsCombo) {
        // This computer's, not the project's: kept in the host's global state, applied at once.
        const LRESULT chosen = SendDlgItemMessageW(dialog, kFrameThreadsCombo, CB_GETCURSEL, 0, 0);
        if (code != CBN_SELCHANGE || chosen < 0 || chosen >= 4) {
            return FALSE;
        }
        StoreFrameThreads(kFrameThreadsChoices[chosen]);
        ApplyFrameThreadsSetting();
        return TRUE;
    }
    if (code != BN_CLICKED) {
        return FALSE;
    }
    switch (id) {
    case kBrowseButton:
        Browse(dialog, state);
        return TRUE;
    case kEnableCheck:
        CommitDialogSettings(dialog, state, true);
        return TRUE;
    case kDefaultCheck:
        ToggleDefault(dialog, state);
        return TRUE;
    case kOpacityReset:
        SetSliderPosition(dialog, kOpacitySlider, kDefaultOpacityPermille);
        UpdateOpacityLabel(dialog);
        CommitDialogSettings(dialog, state, true);
        return TRUE;
    case kTintButton:
    case kTintSwatch:
        RunTintPicker(dialog, state);
        return TRUE;
    case kGrayscaleCheck:
        RefreshPreviewTint(dialog, state);
        CommitDialogSettings(dialog, state, false);
        return TRUE;
    case kMidiEditorCheck:
        CommitDialogSettings(dialog, state, false); // the arrange preview looks the same
        return TRUE;
    case kItemsButton:
        CommitDialogSettings(dialog, state, true);
        RunItemBackgroundDialog(dialog, state);
        return TRUE;
    default:
        return FALSE;
    }
}

// Opacity, softness and time selection: stored 60 ms after a drag pauses, at once on release.
INT_PTR OnSliderScroll(HWND dialog, SettingsDialogState& state, int code, bool softness) {
    if (state.initialising) {
        return TRUE;
    }
    UpdateSliderLabels(dialog);
    if (softness) {
        RefreshPreviewTint(dialog, state); // the preview's blur is made with its tint
    } else {
        RedrawPreview(dialog);
    }
    if (code == TB_THUMBPOSITION || code == TB_ENDTRACK) {
        CommitDialogSettings(dialog, state, false);
    } else {
        ScheduleCommit(dialog, state);
    }
    return TRUE;
}

INT_PTR OnDrawItem(HWND dialog, SettingsDialogState& state, const DRAWITEMSTRUCT& item) {
    if (item.CtlID == static_cast<UINT>(kTintSwatch)) {
        DrawSwatch(item, state);
    } else if (item.CtlID == static_cast<UINT>(kPreviewControl)) {
        if (!state.preview_subclassed) {
            PaintArrangePreview(dialog, item.hDC, item.rcItem, state);
        }
    } else {
        return FALSE;
    }
    return TRUE;
}

INT_PTR HandleMessage(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_INITDIALOG) {
        InitialiseDialog(dialog, *reinterpret_cast<SettingsDialogState*>(lparam));
        return TRUE;
    }
    SettingsDialogState* state = StateOf(dialog);
    if (state == nullptr) {
        return FALSE;
    }
    switch (message) {
    case WM_COMMAND:
        return OnCommand(dialog, *state, LOWORD(wparam), HIWORD(wparam));
    case WM_HSCROLL:
        for (int slider : kSliders) {
            if (reinterpret_cast<HWND>(lparam) == GetDlgItem(dialog, slider)) {
                return OnSliderScroll(dialog, *state, LOWORD(wparam), slider == kSoftnessSlider);
            }
        }
        return FALSE;
    case WM_TIMER:
        if (wparam == kWatchTimerId) {
            FollowProjectChanges(dialog, *state);
            if (TakeRequestedPreview(state->preview.picture, state->preview.requested)) {
                UpdatePreviewCaption(dialog, *state);
                RefreshPreviewTint(dialog, *state);
            }
            return TRUE;
        }
        if (wparam != kCommitTimerId) {
            return FALSE;
        }
        CommitDialogSettings(dialog, *state, false);
        return TRUE;
    case WM_DRAWITEM:
        return OnDrawItem(dialog, *state, *reinterpret_cast<const DRAWITEMSTRUCT*>(lparam));
    case WM_CLOSE:
        CommitTypedPath(dialog, *state, TypedPath::confirmed);
        EndDialog(dialog, kCloseButton);
        return TRUE;
    default:
        return FALSE;
    }
}

INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    return RunGuarded<INT_PTR>(FALSE,
                               [&] { return HandleMessage(dialog, message, wparam, lparam); });
}

} // namespace

void OpenSettingsDialog() {
    ReaProject* project = CurrentProject();
    if (project == nullptr || g_module_instance == nullptr) {
        return;
    }
    INITCOMMONCONTROLSEX controls = {8, ICC_BAR_CLASSES};
    if (!InitCommonControlsEx(&controls)) {
        DebugLine("Unable to initialize Murivo settings controls.\n");
        return;
    }
    SettingsDialogState state;
    state.project = project;
    state.stored = ReadShownSettings(project).settings;
    state.pending_path = state.stored.path;
    state.opened_path = state.stored.path;
    INT_PTR result =
        DialogBoxParamW(g_module_instance, MAKEINTRESOURCEW(kSettingsTemplate), g_host_main_window,
                        SettingsDialogProc, reinterpret_cast<LPARAM>(&state));
    if (result == -1) {
        DebugLine("Unable to open Murivo settings dialog.\n");
    }
    ReleaseArrangePreview(state.preview);
}
