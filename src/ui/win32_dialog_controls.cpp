#include "ui/dialog_controls.h"

#include <commctrl.h>

#include <algorithm>
#include <cwctype>

#include "settings/settings_codec.h"
#include "ui/dialog_text.h"
#include "ui/settings_dialog_state.h"

namespace {

// The product's and its maker's names and the maker's address read the same in every language.
bool Translatable(const std::u16string& text) {
    const bool has_letter =
        std::any_of(text.begin(), text.end(), [](char16_t c) { return std::iswalpha(c) != 0; });
    return has_letter && text != u"Murivo" && text != u"Orvane" && text != kMakerWebAddress;
}

void TranslateWindowText(HWND window) {
    wchar_t buffer[512] = {};
    GetWindowTextW(window, buffer, 512);
    const std::u16string english(reinterpret_cast<const char16_t*>(buffer));
    if (!Translatable(english)) {
        return;
    }
    const std::u16string translated = TranslatedText(Utf16ToUtf8(english).c_str());
    if (translated != english) {
        SetWindowTextW(window, WidePointer(translated));
    }
}

} // namespace

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

void TranslateDialogTexts(HWND dialog) {
    TranslateWindowText(dialog);
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        TranslateWindowText(child);
    }
}
