#include "extension_module.h"

#include <windows.h>

#include "host_functions.h"
#include "host_windows.h"
#include "module_copy.h"
#include "registrations.h"
#include "text_file.h"

namespace sim {

namespace {

HMODULE g_module = nullptr;
PluginEntryFunction g_entry = nullptr;
// The host keeps its record alive for the whole session.
PluginInfo g_info = {};

} // namespace

std::string DefaultExtensionPath() {
    wchar_t path[MAX_PATH] = {};
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring text(path, length);
    size_t slash = text.find_last_of(L"\\/");
    text = (slash == std::wstring::npos ? std::wstring() : text.substr(0, slash + 1)) +
           L"reaper_murivo.dll";
    return WideToUtf8(text);
}

bool LoadExtensionModule(const std::string& path, std::string& error) {
    FreeExtensionModule();
    std::wstring copy = FreshModuleCopy(Utf8ToWide(path), error);
    if (copy.empty()) {
        return false;
    }
    g_module = LoadLibraryW(copy.c_str());
    if (g_module == nullptr) {
        error = DisplayPath(path) + ": cannot load the extension (error " +
                std::to_string(GetLastError()) + ")";
        return false;
    }
    g_entry = reinterpret_cast<PluginEntryFunction>(
        reinterpret_cast<void*>(GetProcAddress(g_module, "ReaperPluginEntry")));
    if (g_entry == nullptr) {
        error = DisplayPath(path) + ": no ReaperPluginEntry export";
        FreeExtensionModule();
        return false;
    }
    return true;
}

HMODULE ExtensionModule() {
    return g_module;
}

bool ExtensionModuleLoaded() {
    return g_entry != nullptr;
}

int CallEntryLoad(int version, bool with_lookup) {
    if (g_entry == nullptr) {
        return 0;
    }
    g_info.caller_version = version;
    g_info.hwnd_main = MainWindow();
    g_info.Register = HostPluginRegister;
    g_info.GetFunc = with_lookup ? LookupHostFunction : nullptr;
    return g_entry(reinterpret_cast<HINSTANCE>(g_module), &g_info);
}

int CallEntryUnload() {
    return g_entry != nullptr ? g_entry(reinterpret_cast<HINSTANCE>(g_module), nullptr) : 0;
}

void FreeExtensionModule() {
    if (g_module != nullptr) {
        FreeLibrary(g_module);
    }
    g_module = nullptr;
    g_entry = nullptr;
}

} // namespace sim
