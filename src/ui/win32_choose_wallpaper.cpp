// The file chooser and the "Choose wallpaper" command. comdlg32 is loaded per call so the
// module does not pull it in at load.
#include <windows.h>
#include <commdlg.h>
#include <knownfolders.h>
#include <shlobj.h>

#include <algorithm>
#include <memory>
#include <string>

#include "base/host_api.h"
#include "base/plugin_state.h"
#include "present/settings_apply.h"
#include "settings/default_wallpaper.h"
#include "settings/network_pictures.h"
#include "settings/picture_path.h"
#include "settings/project_settings.h"
#include "settings/project_storage.h"
#include "settings/translated_text.h"
#include "ui/browse.h"
#include "ui/commands.h"

namespace {

constexpr DWORD kFileBufferChars = 32768;
constexpr DWORD kOpenFlags =
    OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_HIDEREADONLY;

using GetOpenFileNameFunction = BOOL(WINAPI*)(OPENFILENAMEW*);
using CommDlgExtendedErrorFunction = DWORD(WINAPI*)();

// Through void* so the cast from the generic FARPROC is not flagged.
template <typename Function> Function LibraryFunction(HMODULE library, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

// One chooser run over buffer (the initial name in, the chosen path out) starting in folder
// (null: where Windows likes). True when chosen; a cancel leaves *failed false, a chooser that
// could not run sets it.
bool RunChooser(HMODULE library, HWND owner, wchar_t* buffer, const wchar_t* folder, bool* failed) {
    auto get_open_file_name = LibraryFunction<GetOpenFileNameFunction>(library, "GetOpenFileNameW");
    auto extended_error =
        LibraryFunction<CommDlgExtendedErrorFunction>(library, "CommDlgExtendedError");
    *failed = false;
    if (get_open_file_name == nullptr) {
        return false;
    }
    // The name shown, then the patterns; the string's own end is the list's second null.
    std::u16string filter = TranslatedText("Image files (*.jpg;*.jpeg;*.png;*.bmp)");
    filter += u'\0';
    filter += u"*.jpg;*.jpeg;*.png;*.bmp";
    OPENFILENAMEW dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = reinterpret_cast<const wchar_t*>(filter.c_str());
    dialog.lpstrFile = buffer;
    dialog.nMaxFile = kFileBufferChars;
    dialog.lpstrInitialDir = folder;
    dialog.Flags = kOpenFlags;
    if (get_open_file_name(&dialog) != 0) {
        return true;
    }
    *failed = extended_error != nullptr && extended_error() != 0;
    return false;
}

std::u16string PicturesFolder() {
    PWSTR folder = nullptr;
    std::u16string result;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Pictures, 0, nullptr, &folder))) {
        result.assign(reinterpret_cast<const char16_t*>(folder));
    }
    CoTaskMemFree(folder); // owed whether the call succeeded or not
    return result;
}

} // namespace

ChooserStart SafeChooserStart(ReaProject* project, std::u16string_view offered, bool offer_name) {
    if (!offered.empty() && PictureMayBeOpened(offered)) {
        if (offer_name) {
            return {std::u16string(offered), {}};
        }
        std::u16string folder = FolderOf(offered);
        if (!folder.empty()) {
            if (folder.back() == u':') {
                folder += u'\\'; // "C:" alone means the current folder on that drive
            }
            return {{}, folder};
        }
    }
    // A project's path is not the user's choice: nothing of it is offered, and its folder only
    // when the project lies on this computer.
    std::u16string project_folder = ProjectFolder(project);
    if (!project_folder.empty() && ClassifyPicturePath(project_folder) == PathKind::local) {
        return {{}, project_folder};
    }
    return {{}, PicturesFolder()};
}

bool BrowseForImage(HWND owner, const ChooserStart& start, std::u16string& path) {
    HMODULE library = LoadLibraryW(L"comdlg32.dll");
    if (library == nullptr) {
        return false;
    }
    bool chosen = false;
    std::unique_ptr<wchar_t[]> buffer(new (std::nothrow) wchar_t[kFileBufferChars]());
    if (buffer != nullptr) {
        // A path too long for the buffer is not offered rather than offered cut.
        const std::u16string& name = start.name;
        const bool initial_name = !name.empty() && name.size() < kFileBufferChars;
        if (initial_name) {
            name.copy(reinterpret_cast<char16_t*>(buffer.get()), name.size());
        }
        const wchar_t* folder =
            start.folder.empty() ? nullptr : reinterpret_cast<const wchar_t*>(start.folder.c_str());
        bool failed = false;
        chosen = RunChooser(library, owner, buffer.get(), folder, &failed);
        // Windows refuses to open at all for an initial name it finds invalid (quotes, <>|,
        // a trailing backslash): that is no cancel, so ask again without the name.
        if (!chosen && failed && initial_name) {
            std::fill_n(buffer.get(), kFileBufferChars, L'\0');
            chosen = RunChooser(library, owner, buffer.get(), folder, &failed);
        }
        if (chosen) {
            path.assign(reinterpret_cast<const char16_t*>(buffer.get()));
        }
    }
    buffer.reset();
    FreeLibrary(library);
    return chosen;
}

void ChooseWallpaperCommand() {
    // Never pre-select the current picture (the command is for choosing a new one), but look
    // beside it first.
    ReaProject* shown_project = CurrentProject();
    ChooserStart start =
        SafeChooserStart(shown_project, ReadShownSettings(shown_project).settings.path, false);
    std::u16string path;
    if (!BrowseForImage(g_host_main_window, start, path)) {
        return;
    }
    ReaProject* project = CurrentProject();
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
    // Loaded in the background: a failure is told when the load has finished.
    WatchChosenPicture();
}

void WarnChosenPictureUnloadable() {
    const std::u16string text =
        TranslatedText("This image could not be loaded. Wallpaper was disabled for this project.");
    MessageBoxW(g_host_main_window, reinterpret_cast<const wchar_t*>(text.c_str()), L"Murivo",
                MB_OK | MB_ICONWARNING);
}
