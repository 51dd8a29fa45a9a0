#include "midi_editor_exercise.h"

#include <vector>

#include "midi_editor.h"

namespace sim {

namespace {

constexpr size_t kMostOpen = 3;
constexpr int kSizes[][2] = {{800, 400}, {640, 300}, {960, 480}, {520, 260}};

} // namespace

void ChangeMidiEditors(unsigned roll) {
    const std::vector<HWND> editors = MidiEditors();
    const unsigned pick = roll / 8;
    HWND some = editors.empty() ? nullptr : editors[pick % editors.size()];
    const int* size = kSizes[pick % 4];
    switch (roll % 8) {
    case 0:
    case 1:
        if (editors.size() < kMostOpen) {
            OpenMidiEditor(pick % 2 == 0, size[0], size[1]);
        }
        break;
    case 2:
        CloseMidiEditor(some);
        break;
    case 3:
    case 4:
        DockMidiEditor(some, !IsMidiEditorDocked(some));
        break;
    case 5:
        ActivateMidiEditor(some);
        break;
    case 6:
        ResizeNoteView(some, size[0], size[1]);
        break;
    default:
        ShowDocker(pick % 3 != 0);
        break;
    }
}

} // namespace sim
