#include "midi_editor.h"

#include <algorithm>

#include "host_windows.h"
#include "note_view_paint.h"
#include "presentation_modes.h"
#include "window_pixels.h"

namespace sim {

namespace {

constexpr wchar_t kEditorClass[] = L"REAPERmidieditorwnd";
constexpr wchar_t kNoteViewClass[] = L"REAPERmidiview";
// The editor's toolbar strip above the note view, so the view's client origin is not the
// editor's.
constexpr int kToolbarHeight = 28;
// Frameless, as the main window is: without a window manager Wine waits on framed windows.
constexpr DWORD kFloatingStyle = WS_POPUP | WS_CLIPCHILDREN;
constexpr DWORD kDockedStyle = WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;

struct Editor {
    HWND window;
    SceneMidiEditor content;
    bool docked;
};

std::vector<Editor> g_editors; // oldest first
HWND g_active = nullptr;
HWND g_shown_tab = nullptr; // the docked editor the docker shows
bool g_docker_visible = true;
int g_paint_count = 0;
int g_floating_opened = 0; // staggers floating editors

HINSTANCE Instance() {
    return GetModuleHandleW(nullptr);
}

Editor* Find(HWND editor) {
    for (Editor& entry : g_editors) {
        if (entry.window == editor) {
            return &entry;
        }
    }
    return nullptr;
}

void PaintNoteViewPixels(HWND view, uint32_t* pixels, int width, int height) {
    const Editor* editor = Find(GetParent(view));
    if (editor == nullptr) {
        std::fill_n(pixels, static_cast<size_t>(width) * height, 0u);
        return;
    }
    const Scene& scene = CurrentScene();
    double play = (scene.play_state & 7) != 0 ? scene.play_position : -1.0;
    PaintNoteView(scene, editor->content, play, pixels, width, height);
}

LRESULT CALLBACK NoteViewProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    return HostViewMessage(window, message, wparam, lparam, PaintNoteViewPixels, ProbedView::kNotes,
                           g_paint_count);
}

// The note view is erased with its class brush before paints that ask for it, as the arrange
// view is.
bool RegisterClasses() {
    return RegisterHostClass(kEditorClass, DefWindowProcW, COLOR_BTNFACE, 0) &&
           RegisterHostClass(kNoteViewClass, NoteViewProc, COLOR_WINDOW, CS_DBLCLKS);
}

// Right of the main window, each new one a little further, so none covers another's view.
POINT FloatingPlace() {
    RECT main = {};
    GetWindowRect(MainWindow(), &main);
    int step = 32 * (g_floating_opened++ % 3);
    return {main.right + 16 + step, main.top + step};
}

// The docker shows the shown tab (the active docked editor, else the newest docked one) at
// its size; every other docked editor is hidden, and with no docked one the docker is empty.
void LayOutDocker() {
    Editor* shown = Find(g_shown_tab);
    if (shown == nullptr || !shown->docked) {
        shown = nullptr;
        for (Editor& entry : g_editors) {
            shown = entry.docked ? &entry : shown;
        }
    }
    g_shown_tab = shown != nullptr ? shown->window : nullptr;
    for (Editor& entry : g_editors) {
        if (entry.docked && &entry != shown) {
            ShowWindow(entry.window, SW_HIDE);
        }
    }
    HWND docker = DockerWindow();
    if (shown == nullptr) {
        SetDockerSize(0, 0);
        ShowWindow(docker, SW_HIDE);
        return;
    }
    SetDockerSize(shown->content.width, shown->content.height + kToolbarHeight);
    SetWindowPos(shown->window, HWND_TOP, 0, 0, shown->content.width,
                 shown->content.height + kToolbarHeight, SWP_NOACTIVATE | SWP_SHOWWINDOW);
    ShowWindow(docker, g_docker_visible ? SW_SHOWNA : SW_HIDE);
}

// Restyles and reparents an editor; SetParent leaves WS_CHILD and WS_POPUP as they were, so
// the style changes before docking and after undocking.
void PlaceEditor(Editor& editor, bool docked) {
    const int width = editor.content.width;
    const int height = editor.content.height + kToolbarHeight;
    editor.docked = docked;
    if (docked) {
        ShowWindow(editor.window, SW_HIDE);
        SetWindowLongPtrW(editor.window, GWL_STYLE, kDockedStyle);
        SetParent(editor.window, DockerWindow());
        g_shown_tab = editor.window;
        LayOutDocker();
        return;
    }
    // A new editor is made floating, owned by the main window, already.
    if ((GetWindowLongPtrW(editor.window, GWL_STYLE) & WS_CHILD) != 0) {
        SetParent(editor.window, nullptr);
        SetWindowLongPtrW(editor.window, GWL_STYLE, kFloatingStyle);
        SetWindowLongPtrW(editor.window, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(MainWindow()));
    }
    POINT at = FloatingPlace();
    SetWindowPos(editor.window, HWND_TOP, at.x, at.y, width, height,
                 SWP_NOACTIVATE | SWP_FRAMECHANGED | SWP_SHOWWINDOW);
    LayOutDocker();
}

} // namespace

HWND OpenMidiEditor(bool docked, int width, int height) {
    SceneMidiEditor content = DefaultMidiEditor();
    content.docked = docked;
    content.width = width;
    content.height = height;
    return OpenSceneMidiEditor(content);
}

HWND OpenSceneMidiEditor(const SceneMidiEditor& content) {
    if (MainWindow() == nullptr || !RegisterClasses()) {
        return nullptr;
    }
    const int height = content.height + kToolbarHeight;
    HWND window =
        CreateWindowExW(0, kEditorClass, L"MIDI editor", kFloatingStyle, 0, 0, content.width,
                        height, MainWindow(), nullptr, Instance(), nullptr);
    if (window == nullptr) {
        return nullptr;
    }
    HWND view = CreateWindowExW(0, kNoteViewClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0,
                                kToolbarHeight, content.width, content.height, window,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(kNoteViewDialogItem)),
                                Instance(), nullptr);
    if (view == nullptr) {
        DestroyWindow(window);
        return nullptr;
    }
    g_editors.push_back({window, content, false});
    PlaceEditor(g_editors.back(), content.docked);
    ActivateMidiEditor(window);
    return window;
}

void CloseMidiEditor(HWND editor) {
    auto found = std::find_if(g_editors.begin(), g_editors.end(),
                              [&](const Editor& entry) { return entry.window == editor; });
    if (found == g_editors.end()) {
        return;
    }
    g_editors.erase(found);
    DestroyWindow(editor); // the note view's back buffer goes with it
    if (g_active == editor) {
        g_active = g_editors.empty() ? nullptr : g_editors.back().window;
        g_shown_tab = g_active;
    }
    LayOutDocker();
}

void DockMidiEditor(HWND editor, bool docked) {
    Editor* entry = Find(editor);
    if (entry != nullptr && entry->docked != docked) {
        PlaceEditor(*entry, docked);
    }
}

bool IsMidiEditorDocked(HWND editor) {
    const Editor* entry = Find(editor);
    return entry != nullptr && entry->docked;
}

void ShowDocker(bool visible) {
    g_docker_visible = visible;
    LayOutDocker();
}

void ResizeNoteView(HWND editor, int width, int height) {
    Editor* entry = Find(editor);
    if (entry == nullptr) {
        return;
    }
    entry->content.width = width;
    entry->content.height = height;
    SetWindowPos(editor, nullptr, 0, 0, width, height + kToolbarHeight,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(NoteViewOf(editor), nullptr, 0, 0, width, height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (entry->docked) {
        LayOutDocker();
    }
}

void ActivateMidiEditor(HWND editor) {
    Editor* entry = Find(editor);
    if (entry == nullptr) {
        return;
    }
    g_active = editor;
    if (entry->docked) {
        g_shown_tab = editor;
        LayOutDocker();
    } else {
        SetWindowPos(editor, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
}

HWND ActiveMidiEditor() {
    return g_active;
}

HWND NoteViewOf(HWND editor) {
    return editor != nullptr ? GetDlgItem(editor, kNoteViewDialogItem) : nullptr;
}

std::vector<HWND> MidiEditors() {
    std::vector<HWND> windows;
    for (const Editor& entry : g_editors) {
        windows.push_back(entry.window);
    }
    return windows;
}

void RedrawNoteView(HWND editor) {
    if (HWND view = NoteViewOf(editor)) {
        InvalidateRect(view, nullptr, FALSE);
        UpdateWindow(view);
    }
}

void RedrawNoteViews() {
    for (const Editor& entry : g_editors) {
        RedrawNoteView(entry.window);
    }
}

void UpdateNoteViews() {
    for (const Editor& entry : g_editors) {
        UpdateWindow(NoteViewOf(entry.window));
    }
}

bool CaptureNoteView(HWND editor, std::vector<uint32_t>& pixels, int& width, int& height) {
    return CaptureClientPixels(NoteViewOf(editor), pixels, width, height);
}

int NoteViewPaintCount() {
    return g_paint_count;
}

void CloseAllMidiEditors() {
    for (const Editor& entry : g_editors) {
        DestroyWindow(entry.window);
    }
    g_editors.clear();
    g_active = nullptr;
    g_shown_tab = nullptr;
    g_docker_visible = true;
    g_floating_opened = 0;
    if (DockerWindow() != nullptr) {
        LayOutDocker();
    }
}

void InvalidateNoteViewColumns(double time) {
    for (const Editor& entry : g_editors) {
        HWND view = NoteViewOf(entry.window);
        RECT client = {};
        GetClientRect(view, &client);
        int x = NoteViewColumn(LayoutNoteView(entry.content, client.right, client.bottom),
                               entry.content, time);
        RECT column = {x, 0, x + 1, client.bottom};
        InvalidateRect(view, &column, FALSE);
    }
}

void MoveNoteViewPlayCursors(double from, double to) {
    for (Editor& entry : g_editors) {
        HWND view = NoteViewOf(entry.window);
        RECT client = {};
        GetClientRect(view, &client);
        NoteViewLayout layout = LayoutNoteView(entry.content, client.right, client.bottom);
        if (NoteViewColumn(layout, entry.content, to) >= client.right) {
            entry.content.view_start = to; // the next page
            InvalidateRect(view, nullptr, FALSE);
        }
    }
    InvalidateNoteViewColumns(from);
    InvalidateNoteViewColumns(to);
}

} // namespace sim
