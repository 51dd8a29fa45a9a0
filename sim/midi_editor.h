// The host's MIDI editors: windows that float (top-level, owned by the main window) or dock in
// the docker below the arrange view, one of them active. Each has a note view, dialog item
// 1001 of class "REAPERmidiview", painted into a back buffer of its own and presented through
// the executable's BitBlt import as the arrange view is. Docked editors share the docker as
// tabs: only one of them shows at a time.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "scene.h"

namespace sim {

inline constexpr int kNoteViewDialogItem = 1001;

// Opens an editor, floating (a top-level window owned by the main window) or docked (a child in
// the main window's docker area, below the arrange view); its note view's client area is
// width x height. It becomes the active editor. Null when it cannot be created.
HWND OpenMidiEditor(bool docked, int width = 800, int height = 400);
// The same for an editor of the scene: its notes, pitch range, item and view.
HWND OpenSceneMidiEditor(const SceneMidiEditor& content);
// Destroys it; the newest other open one (if any) becomes active.
void CloseMidiEditor(HWND editor);
// The same windows (same handles) move: SetParent, restyle, resize.
void DockMidiEditor(HWND editor, bool docked);
bool IsMidiEditorDocked(HWND editor);
// Hides or shows the docker area (docked editors become invisible with it).
void ShowDocker(bool visible);
void ResizeNoteView(HWND editor, int width, int height);
// The editor becomes active; a docked one becomes the docker's shown tab.
void ActivateMidiEditor(HWND editor);
HWND ActiveMidiEditor(); // what MIDIEditor_GetActive answers
HWND NoteViewOf(HWND editor);
std::vector<HWND> MidiEditors();  // open ones, oldest first
void RedrawNoteView(HWND editor); // invalidate and paint now
void RedrawNoteViews();           // every open one
void UpdateNoteViews();           // paints what is invalid in every open one now
// As the screen shows it, 0x00RRGGBB top-down, like CaptureArrange.
bool CaptureNoteView(HWND editor, std::vector<uint32_t>& pixels, int& width, int& height);
int NoteViewPaintCount();
void CloseAllMidiEditors(); // StopSimulator calls it

// Invalidates the column of time in every note view, as a cursor moving there needs.
void InvalidateNoteViewColumns(double time);
// Playback moved the play cursor from one time to another (the same one when it starts): every
// note view invalidates the columns it left and entered, or pages on (all of it) when it passed
// the right edge.
void MoveNoteViewPlayCursors(double from, double to);

} // namespace sim
