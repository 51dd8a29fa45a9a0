#include "ui/dialog_controls.h"

#include <commctrl.h>

#include "ui/settings_dialog_state.h"

int SliderPosition(HWND dialog, int id) {
    return static_cast<int>(SendDlgItemMessageW(dialog, id, TBM_GETPOS, 0, 0));
}

void SetSliderPosition(HWND dialog, int id, int position) {
    SendDlgItemMessageW(dialog, id, TBM_SETPOS, TRUE, position);
}

void SetSliderRange(HWND dialog, int id, int maximum, int line, int page) {
    SendDlgItemMessageW(dialog, id, TBM_SETRANGE, TRUE, MAKELPARAM(0, maximum));
    SendDlgItemMessageW(dialog, id, TBM_SETLINESIZE, 0, line);
    SendDlgItemMessageW(dialog, id, TBM_SETPAGESIZE, 0, page);
}

void SetControlText(HWND dialog, int id, const std::u16string& text) {
    SetDlgItemTextW(dialog, id, WidePointer(text));
}
