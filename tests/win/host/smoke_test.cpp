#include <gtest/gtest.h>
#include <windows.h>

TEST(Smoke, ExtensionDllLoadsAndExportsItsEntry) {
    HMODULE module = LoadLibraryW(L"reaper_murivo.dll");
    ASSERT_NE(module, nullptr);
    EXPECT_NE(GetProcAddress(module, "ReaperPluginEntry"), nullptr);
    FreeLibrary(module);
}
