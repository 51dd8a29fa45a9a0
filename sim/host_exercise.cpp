#include "host_exercise.h"

#include <windows.h>

#include <algorithm>

#include "arrange_paint.h"
#include "host_windows.h"
#include "midi_editor.h"
#include "midi_editor_exercise.h"
#include "presentation_modes.h"
#include "scene.h"

namespace sim {

namespace {

constexpr double kScrollSeconds = 0.25;
constexpr DWORD kLoopMs = 4;
// Every this many steps the MIDI editors change (one opens, closes, docks, ...).
constexpr int kEditorChangeSteps = 7;

void Click(HWND arrange, UINT down, UINT up, WPARAM button, int x, int y) {
    PostMessageW(arrange, down, button, MAKELPARAM(x, y));
    PostMessageW(arrange, up, 0, MAKELPARAM(x, y));
}

void InvalidateColumn(HWND arrange, int x) {
    RECT column = {x, 0, x + 1, CurrentScene().arrange_height};
    InvalidateRect(arrange, &column, FALSE);
}

void InvalidateTrack(HWND arrange, const Scene& scene, size_t track) {
    int top = TrackTop(scene, static_cast<int>(track));
    RECT lane = {0, top, ArrangeClientWidth(), top + scene.tracks[track].height};
    InvalidateRect(arrange, &lane, FALSE);
}

} // namespace

void ExerciseStep(int step) {
    HWND arrange = ArrangeWindow();
    if (arrange == nullptr) {
        return;
    }
    Scene& scene = CurrentScene();
    int width = std::max(ArrangeClientWidth(), 1);
    int x = (step * 37) % width;
    int y = (step * 23) % std::max(scene.arrange_height, 1);
    switch (step % 4) {
    case 0:
        scene.view_start += kScrollSeconds;
        PostMessageW(arrange, WM_HSCROLL, SB_LINERIGHT, 0);
        break;
    case 1: // a left click moves the edit cursor, which the note views show too
        InvalidateColumn(arrange, TimeToX(scene, scene.cursor));
        InvalidateNoteViewColumns(scene.cursor);
        scene.cursor = scene.view_start + x / scene.zoom;
        InvalidateColumn(arrange, TimeToX(scene, scene.cursor));
        InvalidateNoteViewColumns(scene.cursor);
        Click(arrange, WM_LBUTTONDOWN, WM_LBUTTONUP, MK_LBUTTON, x, y);
        break;
    case 2:
        scene.view_start = std::max(scene.view_start - kScrollSeconds / 2, 0.0);
        PostMessageW(arrange, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(x, y));
        break;
    default: // a right click selects the track under it
        for (size_t i = 0; i < scene.tracks.size(); ++i) {
            bool selected = static_cast<int>(i) == step % 5;
            if (scene.tracks[i].selected != selected) {
                InvalidateTrack(arrange, scene, i);
            }
            scene.tracks[i].selected = selected;
        }
        Click(arrange, WM_RBUTTONDOWN, WM_RBUTTONUP, MK_RBUTTON, x, y);
        break;
    }
    if (step % kEditorChangeSteps == kEditorChangeSteps - 1) {
        // Multiplied so that consecutive changes differ in more than their lowest bits.
        ChangeMidiEditors(static_cast<unsigned>(step) * 2654435761u >> 7);
    }
    PumpMessages();
    // A host that repaints what it invalidated repaints only what changed; scrolls change all.
    if (CurrentPresentMode() == PresentMode::kWhole || step % 4 == 0 || step % 4 == 2) {
        RedrawArrange();
    } else {
        UpdateWindow(arrange);
    }
    if (CurrentPresentMode() == PresentMode::kWhole) {
        RedrawNoteViews();
    } else {
        UpdateNoteViews();
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, kLoopMs, QS_ALLINPUT);
    PumpMessages();
}

} // namespace sim
