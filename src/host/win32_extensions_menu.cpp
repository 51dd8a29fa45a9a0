// The "Murivo" submenu of the host's Extensions menu, found again by its text at every call.
#include <windows.h>

#include <cstring>
#include <cwchar>
#include <string>

#include "base/callback_guard.h"
#include "base/host_api.h"
#include "base/version.h"
#include "host/actions.h"
#include "settings/default_wallpaper.h"
#include "settings/translated_text.h"

namespace {

HMENU FindMurivoSubmenu(HMENU menu, bool& found_item) {
    found_item = false;
    int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        wchar_t text[128] = {};
        GetMenuStringW(menu, static_cast<UINT>(i), text, 128, MF_BYPOSITION);
        if (std::wcscmp(text, L"Murivo") == 0) {
            found_item = true;
            return GetSubMenu(menu, i);
        }
    }
    return nullptr;
}

HMENU CreateMurivoSubmenu(HMENU menu) {
    HMENU submenu = CreatePopupMenu();
    if (submenu == nullptr) {
        return nullptr;
    }
    auto append = [submenu](CommandIndex index, const std::u16string& text) {
        AppendMenuW(submenu, MF_STRING, static_cast<UINT_PTR>(g_command_ids[index]),
                    reinterpret_cast<const wchar_t*>(text.c_str()));
    };
    append(kSettings, TranslatedText("Settings..."));
    AppendMenuW(submenu, MF_SEPARATOR, 0, nullptr);
    append(kChoose, TranslatedText("Choose wallpaper..."));
    append(kRemove, TranslatedText("Remove wallpaper"));
    append(kToggle, TranslatedText("Enable / Disable"));
    append(kMidiEditor, TranslatedText("Show wallpaper in the MIDI editor"));
    append(kUseAsDefault, TranslatedText("Use current wallpaper for projects without their own"));
    AppendMenuW(submenu, MF_SEPARATOR, 0, nullptr);
    append(kAbout, FormatTranslated("About Murivo %s", MURIVO_VERSION_TEXT));
    // The submenu keeps the product's name in every language: it is found again by it.
    if (!AppendMenuW(menu, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(submenu), L"Murivo")) {
        DestroyMenu(submenu);
        return nullptr;
    }
    return submenu;
}

void UpdateMurivoSubmenu(HMENU submenu) {
    for (CommandIndex index : {kToggle, kMidiEditor, kUseAsDefault}) {
        UINT check = QueryToggleState(g_command_ids[index]) == 1 ? MF_CHECKED : MF_UNCHECKED;
        CheckMenuItem(submenu, static_cast<UINT>(g_command_ids[index]), MF_BYCOMMAND | check);
    }
    ReaProject* project = CurrentProject();
    UINT state = ReadShownSettings(project).settings.path.empty() ? MF_GRAYED : MF_ENABLED;
    for (CommandIndex index : {kRemove, kToggle, kMidiEditor, kUseAsDefault}) {
        EnableMenuItem(submenu, static_cast<UINT>(g_command_ids[index]), MF_BYCOMMAND | state);
    }
}

} // namespace

void OnCustomMenu(const char* menu_name, void* menu_handle, int flag) {
    RunGuarded([&] {
        HMENU menu = static_cast<HMENU>(menu_handle);
        if (menu_name == nullptr || std::strcmp(menu_name, "Main extensions") != 0 ||
            menu == nullptr) {
            return;
        }
        bool found_item = false;
        HMENU submenu = FindMurivoSubmenu(menu, found_item);
        if (submenu == nullptr) {
            if (flag != 0 && flag != 1) {
                return;
            }
            submenu = CreateMurivoSubmenu(menu);
            if (submenu == nullptr) {
                return;
            }
        }
        if (flag == 1) {
            UpdateMurivoSubmenu(submenu);
        }
    });
}
