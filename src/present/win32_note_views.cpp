#include "present/note_views.h"

#include <cwchar>

#include "base/host_api.h"
#include "base/ticks.h"
#include "frame/wallpaper_image.h"
#include "keying/key_colour_cache.h"
#include "keying/note_theme.h"
#include "present/arrange_target.h"
#include "present/render.h"
#include "settings/project_settings.h"

NoteView g_note_views[kMaxNoteViews];

namespace {

constexpr uint32_t kFallbackRenderIntervalMs = 100;
// Editors that are open but not active are looked for this often: a walk over the windows.
constexpr uint32_t kSearchIntervalMs = 250;

uint32_t g_next_serial = 0;
int g_attached_count = 0;
uint32_t g_last_search_tick = 0;
// The note view's window class, learnt from the active editor's: how the others are told apart
// from any other dialog item 1001.
wchar_t g_note_view_class[64] = {};

// Which view a fit was asked for: its slot and the serial of the view in it.
uint64_t FitKey(const NoteView& view) {
    return (uint64_t(view.serial) << 8) | uint64_t(&view - g_note_views);
}

bool SamePicture(const std::weak_ptr<const WallpaperImage>& held, const PictureRef& picture) {
    return picture != nullptr && !held.owner_before(picture) && !picture.owner_before(held);
}

// The size the view is fitted at: its surfaces', else its client area's.
bool ViewSize(const NoteView& view, int& width, int& height) {
    width = view.frame.width;
    height = view.frame.height;
    RECT client = {};
    if ((width <= 0 || height <= 0) && GetClientRect(view.window, &client)) {
        width = client.right - client.left;
        height = client.bottom - client.top;
    }
    return width > 0 && height > 0;
}

void Detach(NoteView& view) {
    const HWND window = view.window;
    ReleaseFrameBuffers(NoteFrame(view));
    view = NoteView{};
    --g_attached_count;
    // The host draws it again without the wallpaper.
    if (window != nullptr && IsWindow(window)) {
        InvalidateRect(window, nullptr, FALSE);
    }
}

void Attach(HWND editor, HWND window) {
    if (AttachedNoteView(window) != nullptr) {
        return;
    }
    for (NoteView& view : g_note_views) {
        if (view.window == nullptr) {
            view = NoteView{};
            view.editor = editor;
            view.window = window;
            view.serial = ++g_next_serial;
            ++g_attached_count;
            return;
        }
    }
}

// Asks the picture thread for the fit the view lacks, unless it was asked already.
void AskFit(NoteView& view) {
    int width = 0;
    int height = 0;
    if (!ViewSize(view, width, height)) {
        return;
    }
    const FitInputs wanted = FitInputsFor(g_current_settings, width, height);
    const PictureRef& shown = ShownPictureRef();
    const bool fitted = view.buffers.fitted.dc != nullptr && !view.buffers.unfitted &&
                        !view.buffers.refit_wanted && SamePicture(view.fitted_picture, shown) &&
                        view.fitted_fit == wanted;
    if (fitted || (SamePicture(view.asked_picture, shown) && view.asked_fit == wanted)) {
        return;
    }
    PictureJob job;
    job.kind = PictureJobKind::view_fit;
    job.picture = shown;
    job.fit = wanted;
    job.view = FitKey(view);
    view.asked_picture = shown;
    view.asked_fit = wanted;
    PostPictureJob(std::move(job));
}

void Redraw(NoteView& view, bool hooked) {
    if (!IsWindowVisible(view.window)) {
        return;
    }
    const uint32_t before = view.present_count;
    InvalidateRect(view.window, nullptr, FALSE);
    UpdateWindow(view.window);
    // A repaint the hook presented is corrected already; a render now would blend it twice.
    if (!hooked || view.present_count == before) {
        RenderAndPresent(NoteFrame(view), view.window, true);
    }
}

bool IsNoteView(HWND window) {
    wchar_t name[64] = {};
    return GetDlgCtrlID(window) == kNoteViewDialogItem && g_note_view_class[0] != 0 &&
           GetClassNameW(window, name, 64) > 0 && wcscmp(name, g_note_view_class) == 0;
}

BOOL CALLBACK AttachIfNoteView(HWND window, LPARAM) {
    if (IsNoteView(window)) {
        Attach(GetParent(window), window);
    }
    return TRUE;
}

BOOL CALLBACK SearchTopLevel(HWND window, LPARAM) {
    EnumChildWindows(window, AttachIfNoteView, 0);
    return TRUE;
}

// The host tells only which editor is active; the others, floating or docked, are found among
// the windows of this thread by their note view's class.
void AttachOtherEditors() {
    EnumThreadWindows(GetCurrentThreadId(), SearchTopLevel, 0);
}

void AttachActiveEditor() {
    HWND editor = g_host.MIDIEditor_GetActive();
    if (editor == nullptr || !IsWindow(editor)) {
        return;
    }
    HWND window = GetDlgItem(editor, kNoteViewDialogItem);
    if (window == nullptr) {
        return;
    }
    if (g_note_view_class[0] == 0) {
        GetClassNameW(window, g_note_view_class, 64);
    }
    Attach(editor, window);
}

} // namespace

ViewFrame NoteFrame(NoteView& view) {
    return {&view.frame, &view.buffers, &view.items, &g_note_theme, &view.present_count, true};
}

NoteView* AttachedNoteView(HWND window) {
    if (g_attached_count == 0 || window == nullptr) {
        return nullptr;
    }
    for (NoteView& view : g_note_views) {
        if (view.window == window) {
            return &view;
        }
    }
    return nullptr;
}

bool RefreshNoteTheme() {
    if (!RefreshNoteThemeColours()) {
        return false;
    }
    AdvanceKeyingGeneration();
    for (NoteView& view : g_note_views) {
        view.frame.last_frame_valid = false;
    }
    return true;
}

void FollowNoteViews(bool wanted) {
    wanted = wanted && g_host.MIDIEditor_GetActive != nullptr;
    for (NoteView& view : g_note_views) {
        if (view.window != nullptr && (!wanted || !IsWindow(view.window))) {
            Detach(view);
        }
    }
    if (!wanted) {
        return;
    }
    if (RefreshNoteTheme()) {
        RedrawNoteViews();
    }
    // Without its row colours there is nothing to key a note view against.
    if (g_note_theme.background_count == 0) {
        return;
    }
    AttachActiveEditor();
    const uint32_t now = GetTickCount();
    if (TicksSince(now, g_last_search_tick) >= kSearchIntervalMs) {
        g_last_search_tick = now;
        AttachOtherEditors();
    }
    if (!IsWallpaperLoaded()) {
        return;
    }
    for (NoteView& view : g_note_views) {
        if (view.window != nullptr) {
            AskFit(view);
        }
    }
}

void RenderDueNoteView() {
    if (!IsWallpaperLoaded()) {
        return;
    }
    const uint32_t now = GetTickCount();
    NoteView* due = nullptr;
    for (NoteView& view : g_note_views) {
        if (view.window != nullptr && !view.buffers.unfitted && IsWindowVisible(view.window) &&
            TicksSince(now, view.last_timer_render_tick) >= kFallbackRenderIntervalMs &&
            (due == nullptr || TicksSince(now, view.last_timer_render_tick) >
                                   TicksSince(now, due->last_timer_render_tick))) {
            due = &view;
        }
    }
    if (due != nullptr) {
        due->last_timer_render_tick = now;
        RenderAndPresent(NoteFrame(*due), due->window, true);
    }
}

void DetachNoteViews() {
    for (NoteView& view : g_note_views) {
        if (view.window != nullptr) {
            Detach(view);
        }
    }
}

bool TakeNoteViewFit(PictureResult& result) {
    if (result.kind != PictureJobKind::view_fit) {
        return false;
    }
    const uint64_t slot = result.view & 0xFF;
    if (slot >= uint64_t(kMaxNoteViews)) {
        return true;
    }
    NoteView& view = g_note_views[slot];
    if (view.window == nullptr || view.serial != uint32_t(result.view >> 8)) {
        return true; // that view is gone
    }
    view.asked_picture.reset();
    int width = 0;
    int height = 0;
    // A fit for another picture or size is asked again on the next tick.
    if (result.picture != ShownPictureRef() || !ViewSize(view, width, height) ||
        !(result.fit == FitInputsFor(g_current_settings, width, height))) {
        return true;
    }
    if (!AdoptFittedSurface(NoteFrame(view), result.fitted, result.fit.width, result.fit.height,
                            result.picture_rect)) {
        return true;
    }
    DiscardOnPictureThread(nullptr, result.fitted); // the surface it replaced
    result.fitted = {};
    view.fitted_picture = result.picture;
    view.fitted_fit = result.fit;
    view.frame.last_frame_valid = false;
    Redraw(view, HookedMode());
    return true;
}

void RedrawNoteViews() {
    for (NoteView& view : g_note_views) {
        // A view still waiting for its first fit would only show the host's frame again; its
        // fit's arrival redraws it.
        if (view.window != nullptr && IsWindow(view.window) && view.buffers.fitted.dc != nullptr &&
            !view.buffers.unfitted) {
            view.frame.last_frame_valid = false;
            Redraw(view, HookedMode());
        }
    }
}
