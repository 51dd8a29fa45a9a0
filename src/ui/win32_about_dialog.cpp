// The About box: name, version, maker and a button that opens the maker's web address.
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "base/callback_guard.h"
#include "base/debug_line.h"
#include "base/plugin_state.h"
#include "base/version.h"
#include "present/picture_source.h"
#include "ui/commands.h"
#include "ui/dialog_controls.h"
#include "ui/dialog_ids.h"
#include "ui/dialog_text.h"
#include "ui/settings_dialog_state.h"

namespace {

const wchar_t* MakerAddress() {
    return reinterpret_cast<const wchar_t*>(kMakerWebAddress);
}

void VisitWebsite(HWND dialog) {
    HINSTANCE result =
        ShellExecuteW(dialog, L"open", MakerAddress(), nullptr, nullptr, SW_SHOWNORMAL);
    if (reinterpret_cast<INT_PTR>(result) <= 32) {
        const std::u16string text =
            FormatTranslated("Unable to open %s.", MURIVO_MAKER_WEB_ADDRESS);
        MessageBoxW(dialog, WidePointer(text), L"Murivo", MB_OK | MB_ICONWARNING);
    }
}

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    return RunGuarded<INT_PTR>(FALSE, [&]() -> INT_PTR {
        switch (message) {
        case WM_INITDIALOG:
            TranslateDialogTexts(dialog);
            SetWindowTextW(dialog,
                           WidePointer(FormatTranslated("About Murivo %s", MURIVO_VERSION_TEXT)));
            SetDlgItemTextW(dialog, kAboutSourceNote,
                            reinterpret_cast<const wchar_t*>(PictureSourceNote().c_str()));
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wparam) == kVisitWebsite) {
                if (HIWORD(wparam) != BN_CLICKED) {
                    return FALSE;
                }
                VisitWebsite(dialog);
                return TRUE;
            }
            if (LOWORD(wparam) == kCloseButton) {
                EndDialog(dialog, kCloseButton);
                return TRUE;
            }
            return FALSE;
        case WM_CLOSE:
            EndDialog(dialog, kCloseButton);
            return TRUE;
        default:
            return FALSE;
        }
    });
}

} // namespace

void OpenAboutDialog() {
    if (g_module_instance == nullptr) {
        return;
    }
    INT_PTR result = DialogBoxParamW(g_module_instance, MAKEINTRESOURCEW(kAboutTemplate),
                                     g_host_main_window, AboutDialogProc, 0);
    if (result == -1) {
        DebugLine("Unable to open Murivo About dialog.\n");
    }
}
