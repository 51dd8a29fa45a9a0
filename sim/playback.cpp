#include "playback.h"

#include <windows.h>

#include "arrange_paint.h"
#include "host_windows.h"
#include "midi_editor.h"
#include "scene.h"

namespace sim {

namespace {

constexpr UINT kFrameMs = 33;
constexpr double kFrameSeconds = 1.0 / 30.0;

UINT_PTR g_timer = 0;

void CALLBACK OnPlaybackTimer(HWND, UINT, UINT_PTR, DWORD) {
    AdvancePlayback();
}

void InvalidateColumn(HWND arrange, int x) {
    RECT column = {x, 0, x + 1, CurrentScene().arrange_height};
    InvalidateRect(arrange, &column, FALSE);
}

} // namespace

void StartPlayback() {
    Scene& scene = CurrentScene();
    scene.play_state = 1;
    scene.play_position = scene.cursor;
    if (g_timer == 0) {
        g_timer = SetTimer(nullptr, 0, kFrameMs, OnPlaybackTimer);
    }
    if (HWND arrange = ArrangeWindow()) {
        InvalidateColumn(arrange, TimeToX(scene, scene.play_position));
    }
    MoveNoteViewPlayCursors(scene.play_position, scene.play_position);
}

void FreezePlayback() {
    if (g_timer != 0) {
        KillTimer(nullptr, g_timer);
        g_timer = 0;
    }
}

void StopPlayback() {
    FreezePlayback();
    CurrentScene().play_state = 0;
    RedrawArrange();
    RedrawNoteViews();
}

bool PlaybackRunning() {
    return g_timer != 0;
}

void AdvancePlayback() {
    Scene& scene = CurrentScene();
    HWND arrange = ArrangeWindow();
    if ((scene.play_state & 5) == 0 || arrange == nullptr) {
        return;
    }
    const int old_x = TimeToX(scene, scene.play_position);
    scene.play_position += kFrameSeconds;
    const int new_x = TimeToX(scene, scene.play_position);
    MoveNoteViewPlayCursors(scene.play_position - kFrameSeconds, scene.play_position);
    if (new_x >= ArrangeClientWidth()) {
        scene.view_start = scene.play_position; // the next page
        InvalidateRect(arrange, nullptr, FALSE);
        return;
    }
    if (new_x != old_x) {
        InvalidateColumn(arrange, old_x);
        InvalidateColumn(arrange, new_x);
    }
}

} // namespace sim
