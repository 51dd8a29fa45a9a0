// Storing the settings dialog's controls into the project and the labels that follow them.
#include "ui/settings_commit.h"

#include <commctrl.h>

#include <cmath>

#include "base/command_ids.h"
#include "base/host_api.h"
#include "present/picture_source.h"
#include "present/settings_apply.h"
#include "settings/default_wallpaper.h"
#include "settings/network_pictures.h"
#include "settings/project_settings.h"
#include "settings/project_storage.h"
#include "ui/arrange_preview.h"
#include "ui/dialog_controls.h"
#include "ui/dialog_ids.h"
#include "ui/dialog_text.h"

bool DialogProjectIsCurrent(const SettingsDialogState& state) {
    // Without the host function there is nothing to compare against.
    return g_host.EnumProjects == nullptr || CurrentProject() == state.project;
}

std::u16string ReadPathEdit(HWND dialog) {
    HWND edit = GetDlgItem(dialog, kPathEdit);
    int length = GetWindowTextLengthW(edit);
    std::u16string text(static_cast<size_t>(length < 0 ? 0 : length) + 1, u'\0');
    int copied = GetWindowTextW(edit, reinterpret_cast<wchar_t*>(text.data()),
                                static_cast<int>(text.size()));
    text.resize(static_cast<size_t>(copied < 0 ? 0 : copied));
    return text;
}

void UpdateOpacityLabel(HWND dialog) {
    SetControlText(dialog, kOpacityLabel,
                   PermillePercentText(SliderPosition(dialog, kOpacitySlider)));
}

void UpdateSliderLabels(HWND dialog) {
    UpdateOpacityLabel(dialog);
    SetControlText(dialog, kSoftnessLabel,
                   PermillePercentText(SliderPosition(dialog, kSoftnessSlider)));
    SetControlText(dialog, kTimeSelectionLabel,
                   PermillePercentText(SliderPosition(dialog, kTimeSelectionSlider)));
}

void UpdateTintLabel(HWND dialog, SettingsDialogState& state) {
    SetControlText(dialog, kTintLabel, TintLabelText(state.tint_colour, state.tint_amount));
    HWND swatch = GetDlgItem(dialog, kTintSwatch);
    if (swatch != nullptr) {
        InvalidateRect(swatch, nullptr, FALSE);
    }
}

void RedrawPreview(HWND dialog) {
    HWND preview = GetDlgItem(dialog, kPreviewControl);
    if (preview != nullptr) {
        RedrawWindow(preview, nullptr, nullptr, RDW_INVALIDATE | RDW_NOERASE | RDW_UPDATENOW);
    }
}

void RefreshPreviewTint(HWND dialog, SettingsDialogState& state) {
    bool grayscale = IsDlgButtonChecked(dialog, kGrayscaleCheck) == BST_CHECKED;
    LRESULT mode = SendDlgItemMessageW(dialog, kFitCombo, CB_GETCURSEL, 0, 0);
    TintPreviewPicture(state.preview.picture, grayscale, state.tint_colour, state.tint_amount,
                       SliderPosition(dialog, kSoftnessSlider),
                       mode >= 0 ? static_cast<FitMode>(mode) : state.stored.mode);
    RedrawPreview(dialog);
}

bool CommitDialogSettings(HWND dialog, SettingsDialogState& state, bool redraw_preview) {
    if (state.commit_timer_pending) {
        KillTimer(dialog, kCommitTimerId);
        state.commit_timer_pending = false;
    }
    if (!DialogProjectIsCurrent(state)) {
        return false;
    }
    ProjectSettings mine = state.stored;
    mine.path = state.pending_path;
    mine.enabled = IsDlgButtonChecked(dialog, kEnableCheck) == BST_CHECKED;
    mine.opacity = SliderPosition(dialog, kOpacitySlider) / 1000.0;
    mine.tint_rgb = state.tint_colour;
    mine.tint = state.tint_amount;
    mine.grayscale = IsDlgButtonChecked(dialog, kGrayscaleCheck) == BST_CHECKED;
    mine.midi_editor = IsDlgButtonChecked(dialog, kMidiEditorCheck) == BST_CHECKED;
    LRESULT selection = SendDlgItemMessageW(dialog, kFitCombo, CB_GETCURSEL, 0, 0);
    if (selection >= 0 && selection <= static_cast<LRESULT>(FitMode::center)) {
        mine.mode = static_cast<FitMode>(selection);
    }
    selection = SendDlgItemMessageW(dialog, kAnchorCombo, CB_GETCURSEL, 0, 0);
    if (selection >= 0 && selection <= static_cast<LRESULT>(Anchor::bottom_right)) {
        mine.anchor = static_cast<Anchor>(selection);
    }
    mine.blur = SliderPosition(dialog, kSoftnessSlider) / 1000.0;
    mine.time_selection = SliderPosition(dialog, kTimeSelectionSlider) / 1000.0;
    // An action or a script may have changed the project since the dialog last read it: only
    // what was changed here is stored over it.
    const ProjectSettings theirs = ReadShownSettings(state.project).settings;
    const bool changed_elsewhere = !(theirs == state.stored);
    ProjectSettings candidate = MergeSettingChanges(state.stored, mine, theirs);
    if (candidate.enabled && candidate.path.empty()) {
        // Nothing to show: the wallpaper cannot be on without a picture.
        candidate.enabled = false;
        CheckDlgButton(dialog, kEnableCheck, BST_UNCHECKED);
    }
    const std::u16string previous_path = state.stored.path;
    const bool previous_enabled = state.stored.enabled;
    const bool store = !(candidate == theirs);
    if (store) {
        WriteProjectSettings(state.project, candidate);
        ApplyProjectSettings(false, true);
        RefreshToolbarButton(kMidiEditor);
        // The apply may have switched the wallpaper off when the picture failed to load.
        state.stored = ReadShownSettings(state.project).settings;
        CheckDlgButton(dialog, kEnableCheck, state.stored.enabled ? BST_CHECKED : BST_UNCHECKED);
    } else {
        state.stored = theirs;
    }
    if (changed_elsewhere) {
        ShowStoredSettings(dialog, state);
    } else if (state.stored.path != previous_path || state.stored.enabled != previous_enabled) {
        UpdatePreviewCaption(dialog, state);
    }
    RefreshDefaultAndSource(dialog, state);
    if (redraw_preview) {
        RedrawPreview(dialog);
    }
    return store;
}

void ShowStoredSettings(HWND dialog, SettingsDialogState& state) {
    const ProjectSettings& stored = state.stored;
    const bool initialising = state.initialising;
    state.initialising = true; // what is set here is no change of the user's
    // A path being typed stays in the box until it is confirmed or left.
    if (stored.path != state.pending_path && ReadPathEdit(dialog) == state.pending_path) {
        state.pending_path = stored.path;
        state.opened_path = stored.path; // not chosen in this dialog either
        SetDlgItemTextW(dialog, kPathEdit, WidePointer(state.pending_path));
        RequestPreviewPicture(state.preview.requested, state.pending_path);
    }
    CheckDlgButton(dialog, kEnableCheck, stored.enabled ? BST_CHECKED : BST_UNCHECKED);
    SetSliderPosition(dialog, kOpacitySlider, static_cast<int>(std::lround(stored.opacity * 1000)));
    SetSliderPosition(dialog, kSoftnessSlider, static_cast<int>(std::lround(stored.blur * 1000)));
    SetSliderPosition(dialog, kTimeSelectionSlider,
                      static_cast<int>(std::lround(stored.time_selection * 1000)));
    state.tint_colour = stored.tint_rgb;
    state.tint_amount = stored.tint;
    CheckDlgButton(dialog, kGrayscaleCheck, stored.grayscale ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, kMidiEditorCheck, stored.midi_editor ? BST_CHECKED : BST_UNCHECKED);
    SendDlgItemMessageW(dialog, kFitCombo, CB_SETCURSEL, static_cast<WPARAM>(stored.mode), 0);
    SendDlgItemMessageW(dialog, kAnchorCombo, CB_SETCURSEL, static_cast<WPARAM>(stored.anchor), 0);
    UpdateSliderLabels(dialog);
    UpdateTintLabel(dialog, state);
    UpdatePreviewCaption(dialog, state);
    RefreshDefaultAndSource(dialog, state);
    RefreshPreviewTint(dialog, state);
    state.initialising = initialising;
}

void RefreshDefaultAndSource(HWND dialog, const SettingsDialogState& state) {
    CheckDlgButton(dialog, kDefaultCheck,
                   IsDefaultWallpaper(state.stored) ? BST_CHECKED : BST_UNCHECKED);
    EnableWindow(GetDlgItem(dialog, kDefaultCheck), !state.stored.path.empty());
    SetControlText(dialog, kSourceNote,
                   DialogProjectIsCurrent(state) ? PictureSourceNote() : std::u16string());
}

void ScheduleCommit(HWND dialog, SettingsDialogState& state) {
    if (state.commit_timer_pending) {
        return;
    }
    state.commit_timer_pending = SetTimer(dialog, kCommitTimerId, kCommitTimerMs, nullptr) != 0;
    if (!state.commit_timer_pending) {
        CommitDialogSettings(dialog, state, false);
    }
}

void CommitTypedPath(HWND dialog, SettingsDialogState& state, TypedPath how) {
    std::u16string text = ReadPathEdit(dialog);
    // The project's own path, still in the box, was never chosen here; nor is anything whose
    // commit reaches no project.
    const bool newly_allowed = how == TypedPath::confirmed && text != state.opened_path &&
                               DialogProjectIsCurrent(state) && RememberChosenPicture(text);
    if (text != state.pending_path) {
        state.pending_path = text;
        RequestPreviewPicture(state.preview.requested, state.pending_path);
        RefreshPreviewTint(dialog, state);
    }
    // Stored at an earlier focus change and refused then: nothing differs now, so the
    // project is applied afresh to show it.
    if (!CommitDialogSettings(dialog, state, true) && newly_allowed) {
        ApplyProjectSettings(true, true);
    }
}
