// The "Murivo" submenu of the host's Extensions menu, found again by its text at every call.
#include <windows.h>

#include <cstring>
#include <cwchar>

#include "base/callback_guard.h"
#include "base/host_api.h"
#include "base/version.h"
#include "host/actions.h"
#include "settings/default_wallpaper.h"

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
    auto id = [](CommandIndex index) { return static_cast<UINT_PTR>(g_command_ids[index]); };
    AppendMenuW(submenu, MF_STRING, id(kSettings), L"Settings...");
    AppendMenuW(submenu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(submenu, MF_STRING, id(kChoose), L"Choose wallpaper...");
    AppendMenuW(submenu, MF_STRING, id(kRemove), L"Remove wallpaper");
    AppendMenuW(submenu, MF_STRING, id(kToggle), L"Enable / Disable");
    AppendMenuW(submenu, MF_STRING, id(kUseAsDefault),
                L"Use current wallpaper for projects without their own");
    AppendMenuW(submenu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(submenu, MF_STRING, id(kAbout), L"About Murivo " MURIVO_VERSION_TEXT);
    if (!AppendMenuW(menu, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(submenu), L"Murivo")) {
        DestroyMenu(submenu);
        return nullptr;
    }
    return submenu;
}

void UpdateMurivoSubmenu(HMENU submenu) {
    for (CommandIndex index : {kToggle, kUseAsDefault}) {
        UINT check = QueryToggleState(g_command_ids[index]) == 1 ? MF_CHECKED : MF_UNCHECKED;
        CheckMenuItem(submenu, static_cast<UINT>(g_command_ids[index]), MF_BYCOMMAND | check);
    }
    ReaProject* project = CurrentProject();
    UINT state = ReadShownSettings(project).settings.path.empty() ? MF_GRAYED : MF_ENABLED;
    for (CommandIndex index : {kRemove, kToggle, kUseAsDefault}) {
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
