// The file chooser and the "Choose wallpaper" command. comdlg32 is loaded per call so the
// module does not pull it in at load.
#include <windows.h>
#include <commdlg.h>

#include <memory>

#include "host/host_api.h"
#include "host/plugin_state.h"
#include "settings/project_settings.h"
#include "settings/default_wallpaper.h"
#include "settings/network_pictures.h"
#include "settings/project_storage.h"
#include "settings/settings_apply.h"
#include "ui/browse.h"
#include "ui/commands.h"

namespace {

constexpr DWORD kFileBufferChars = 32768;
constexpr wchar_t kImageFilter[] =
    L"Image files (*.jpg;*.jpeg;*.png;*.bmp)\0*.jpg;*.jpeg;*.png;*.bmp\0";
constexpr DWORD kOpenFlags =
    OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_HIDEREADONLY;

using GetOpenFileNameFunction = BOOL(WINAPI*)(OPENFILENAMEW*);

} // namespace

bool BrowseForImage(HWND owner, std::u16string& path) {
    HMODULE library = LoadLibraryW(L"comdlg32.dll");
    if (library == nullptr) {
        return false;
    }
    // Through void* so the cast from the generic FARPROC is not flagged.
    auto get_open_file_name = reinterpret_cast<GetOpenFileNameFunction>(
        reinterpret_cast<void*>(GetProcAddress(library, "GetOpenFileNameW")));
    bool chosen = false;
    std::unique_ptr<wchar_t[]> buffer(new (std::nothrow) wchar_t[kFileBufferChars]());
    if (get_open_file_name != nullptr && buffer != nullptr) {
        // A path too long for the buffer is not offered rather than offered cut.
        if (path.size() < kFileBufferChars) {
            path.copy(reinterpret_cast<char16_t*>(buffer.get()), path.size());
        }
        OPENFILENAMEW dialog = {};
        dialog.lStructSize = sizeof dialog;
        dialog.hwndOwner = owner;
        dialog.lpstrFilter = kImageFilter;
        dialog.lpstrFile = buffer.get();
        dialog.nMaxFile = kFileBufferChars;
        dialog.Flags = kOpenFlags;
        if (get_open_file_name(&dialog) != 0) {
            path.assign(reinterpret_cast<const char16_t*>(buffer.get()));
            chosen = true;
        }
    }
    buffer.reset();
    FreeLibrary(library);
    return chosen;
}

void ChooseWallpaperCommand() {
    // Never pre-select the current picture: the command is for choosing a new one.
    std::u16string path;
    if (!BrowseForImage(g_host_main_window, path)) {
        return;
    }
    ReaProject* project =
        g_host.EnumProjects != nullptr ? g_host.EnumProjects(-1, nullptr, 0) : nullptr;
    if (project == nullptr) {
        return;
    }
    RememberChosenPicture(path);
    // A project showing the default keeps its look with the new picture.
    ProjectSettings settings = ReadShownSettings(project).settings;
    settings.path = path;
    settings.enabled = true;
    WriteProjectSettings(project, settings);
    ApplyProjectSettings(true, true);
    if (!g_current_settings.enabled) {
        MessageBoxW(g_host_main_window,
                    L"This image could not be loaded. Wallpaper was disabled for this project.",
                    L"Murivo", MB_OK | MB_ICONWARNING);
    }
}
