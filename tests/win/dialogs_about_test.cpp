// The About dialog.
#include <gtest/gtest.h>
#include <windows.h>

#include "registrations.h"
#include "support/modal_driver.h"
#include "support/sim_fixture.h"

namespace {
class AboutDialog : public SimulatedHost {};
} // namespace

TEST_F(AboutDialog, TitleCarriesTheVersionAndCloseEndsIt) {
    ASSERT_EQ(Load(), 1);
    DialogWatchdog watchdog(15000);
    bool seen = false;
    WhenDialogAppears(L"About Murivo 1.0.1", [&](HWND dialog) {
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
