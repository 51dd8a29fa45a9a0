// The About dialog.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "base/version.h"
#include "registrations.h"
#include "support/import_swap.h"
#include "support/modal_driver.h"
#include "support/sim_fixture.h"
#include "ui/dialog_text.h"

namespace {

constexpr int kVisitWebsite = 1035;

class AboutDialog : public SimulatedHost {};

int g_shell_calls = 0;
std::wstring g_shell_file;

// What ShellExecuteW returns when there is no browser to start: an error code of 32 or less.
HINSTANCE WINAPI RefusingShellExecute(HWND, LPCWSTR, LPCWSTR file, LPCWSTR, LPCWSTR, INT) {
    ++g_shell_calls;
    g_shell_file = file != nullptr ? file : L"";
    return reinterpret_cast<HINSTANCE>(2);
}

bool HasChildWithText(HWND window, const std::wstring& text) {
    for (HWND child = GetWindow(window, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t buffer[256] = {};
        GetWindowTextW(child, buffer, 256);
        if (text == buffer) {
            return true;
        }
    }
    return false;
}

} // namespace

TEST_F(AboutDialog, TitleCarriesTheVersionAndCloseEndsIt) {
    ASSERT_EQ(Load(), 1);
    DialogWatchdog watchdog(15000);
    bool seen = false;
    WhenDialogAppears(L"About Murivo " MURIVO_VERSION_TEXT, [&](HWND dialog) {
        seen = true;
        wchar_t address[128] = {};
        HWND child = GetWindow(dialog, GW_CHILD);
        for (; child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
            GetWindowTextW(child, address, 128);
            if (std::wstring(address).starts_with(L"https://")) {
                break;
            }
        }
        EXPECT_NE(child, nullptr);
        SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_TRUE(sim::DispatchCommand(sim::CommandIdFor("MURIVOABOUT")));
    EXPECT_TRUE(seen);
    EXPECT_FALSE(watchdog.Fired());
}

TEST_F(AboutDialog, FailedBrowserStartWarnsAndTheDialogStaysOpen) {
    ASSERT_EQ(Load(), 1);
    ImportSwap swap("shell32.dll", "ShellExecuteW", reinterpret_cast<void*>(&RefusingShellExecute));
    ASSERT_TRUE(swap.Swapped());
    g_shell_calls = 0;
    const std::wstring address = reinterpret_cast<const wchar_t*>(kMakerWebAddress);
    DialogWatchdog watchdog(15000);
    bool warned = false;
    WhenDialogAppears(L"About Murivo " MURIVO_VERSION_TEXT, [&](HWND dialog) {
        WhenDialogAppears(L"Murivo", [&](HWND box) {
            warned = true;
            EXPECT_EQ(GetWindow(box, GW_OWNER), dialog);
            EXPECT_TRUE(HasChildWithText(box, L"Unable to open " + address + L"."));
            PostMessageW(box, WM_COMMAND, IDOK, 0);
        });
        Click(dialog, kVisitWebsite);
        EXPECT_TRUE(warned);
        EXPECT_TRUE(IsWindow(dialog));
        EXPECT_TRUE(IsWindowVisible(dialog));
        SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_TRUE(sim::DispatchCommand(sim::CommandIdFor("MURIVOABOUT")));
    EXPECT_EQ(TakeUnseenDialogs(), 0);
    EXPECT_EQ(g_shell_calls, 1);
    EXPECT_EQ(g_shell_file, address);
    EXPECT_FALSE(watchdog.Fired());
}
