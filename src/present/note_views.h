// The MIDI editors' note views the wallpaper is shown behind, besides the arrange view: each has
// its own frame state (surfaces, fitted picture, last frame), found through the host's active
// editor on the timer and given back when its editor closes or the project no longer wants it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>

#include "present/frame_buffers.h"
#include "present/picture_fit.h"
#include "present/picture_worker.h"

// The note view is this dialog item of the editor window.
inline constexpr int kNoteViewDialogItem = 1001;
// Editors open at once that each keep their own surfaces; more are left as the host draws them.
inline constexpr int kMaxNoteViews = 8;

struct NoteView {
    HWND editor;
    HWND window; // null: the slot is free
    FrameView frame;
    FrameBuffers buffers;
    ItemOverlay items; // stays empty: the piano roll shows no media items
    uint32_t present_count;
    uint32_t serial; // tells a fit asked for an earlier view in the same slot from this one's
    uint32_t last_timer_render_tick;
    // The fit asked of the picture thread and not yet taken, and what fitted holds: for which
    // picture (weak, so a picture freed since never compares equal to a new one) and inputs.
    std::weak_ptr<const WallpaperImage> asked_picture;
    FitInputs asked_fit;
    std::weak_ptr<const WallpaperImage> fitted_picture;
    FitInputs fitted_fit;
};

extern NoteView g_note_views[kMaxNoteViews];

ViewFrame NoteFrame(NoteView& view);

// The attached note view whose window this is; null for any other window.
NoteView* AttachedNoteView(HWND window);

// On the timer of an attached arrange view. wanted: the project shows its wallpaper in the MIDI
// editor too. Attaches the active editor's note view (and, now and then, the other editors'),
// gives back views whose window is gone (or all of them when not wanted), and asks the picture
// thread for fits the views lack.
void FollowNoteViews(bool wanted);

// Without the hook, on a tick the arrange view renders nothing: the one note view whose timer
// render is most overdue, so that one tick never renders two views.
void RenderDueNoteView();

// Gives every note view back (detach, unload).
void DetachNoteViews();

// The picture thread's fit for a note view: adopted when it still fits it. False when the result
// was not a view fit.
bool TakeNoteViewFit(PictureResult& result);

// Reads the note view's theme colours again; when they changed, what was keyed against the old
// ones is stale. True when they changed.
bool RefreshNoteTheme();

// Repaints every visible note view (after the picture or settings changed).
void RedrawNoteViews();
