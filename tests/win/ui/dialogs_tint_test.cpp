// The tint picker opened from the settings dialog.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include "host_functions.h"
#include "projects.h"
#include "registrations.h"
#include "support/modal_driver.h"
#include "support/sim_fixture.h"

namespace {

class TintPicker : public SimulatedHost {
  protected:
    void SetUp() override {
        SimulatedHost::SetUp();
        ASSERT_EQ(Load(), 1);
        sim::TickTimers();
    }
    // script gets the picker and the settings dialog.
    void Open(std::function<void(HWND, HWND)> script) {
        DialogWatchdog watchdog(15000);
        WhenDialogAppears(L"Murivo settings", [&](HWND settings) {
            WhenDialogAppears(L"Image tint color",
                              [&, settings](HWND picker) { script(picker, settings); });
            Click(settings, 1010);
            SendMessageW(settings, WM_CLOSE, 0, 0);
        });
        EXPECT_TRUE(sim::DispatchCommand(sim::CommandIdFor("MURIVOSETTINGS")));
        EXPECT_EQ(TakeUnseenDialogs(), 0);
        EXPECT_FALSE(watchdog.Fired());
    }
    std::string Stored(const char* key) {
        return sim::ExtStateValue(sim::CurrentProject(), "Murivo", key).value_or("");
    }
    int Writes() { return sim::HostCallCount("SetProjExtState"); }
};

void TypeHex(HWND picker, const wchar_t* text) {
    SetDlgItemTextW(picker, 1018, text); // the box reports EN_CHANGE itself
}

} // namespace

TEST_F(TintPicker, PickingWithTintOffSwitchesItOnAt40Percent) {
    Open([&](HWND picker, HWND settings) {
        EXPECT_EQ(ControlText(picker, 1018), L"#60A0FF");
        Click(picker, 1026); // Coral
        EXPECT_EQ(ControlText(picker, 1014), L"40.0%");
        EXPECT_EQ(ControlText(settings, 1012), L"#FF8060  (40.0%)");
        EXPECT_EQ(ControlText(picker, 1022), L"255");
        PumpFor(200);
        EXPECT_EQ(Stored("tint_rgb"), "FF8060");
        EXPECT_EQ(Stored("tint_permille"), "400");
        int writes = Writes();
        Click(picker, 1026); // the same colour again: no timer, nothing stored
        PumpFor(150);
        EXPECT_EQ(Writes(), writes);
        SendMessageW(picker, WM_COMMAND, IDCANCEL, 0);
    });
}

TEST_F(TintPicker, HexTypingWithAndWithoutSignAndRestoreOnLeaving) {
    Open([&](HWND picker, HWND) {
        TypeHex(picker, L"#ff8000");
        EXPECT_EQ(ControlText(picker, 1018), L"#ff8000");
        EXPECT_EQ(ControlText(picker, 1023), L"128");
        SendKillFocus(picker, 1018);
        EXPECT_EQ(ControlText(picker, 1018), L"#FF8000");
        TypeHex(picker, L"00ff00");
        EXPECT_EQ(ControlText(picker, 1022), L"0");
        TypeHex(picker, L"#ff80");
        EXPECT_EQ(ControlText(picker, 1023), L"255");
        SendKillFocus(picker, 1018);
        EXPECT_EQ(ControlText(picker, 1018), L"#00FF00");
        SendMessageW(picker, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(Stored("tint_rgb"), "00FF00");
}

TEST_F(TintPicker, ResetTintStoresTheDefaultAtOnce) {
    sim::PutExtStateValue(sim::CurrentProject(), "Murivo", "tint_rgb", "FF0000");
    sim::PutExtStateValue(sim::CurrentProject(), "Murivo", "tint_permille", "700");
    Open([&](HWND picker, HWND settings) {
        EXPECT_EQ(ControlText(picker, 1014), L"70.0%");
        Click(picker, 1015);
        EXPECT_EQ(Stored("tint_rgb"), "60A0FF");
        EXPECT_EQ(Stored("tint_permille"), "0");
        EXPECT_EQ(ControlText(settings, 1012), L"#60A0FF  (off)");
        EXPECT_EQ(ControlText(picker, 1014), L"0.0%");
        SendMessageW(picker, WM_CLOSE, 0, 0);
    });
}

TEST_F(TintPicker, RedSliderDragCommitsByTimerAndReleaseAtOnce) {
    Open([&](HWND picker, HWND) {
        int writes = Writes();
        Scroll(picker, 1019, 200, TB_THUMBTRACK);
        Scroll(picker, 1019, 210, TB_THUMBTRACK);
        EXPECT_EQ(Writes(), writes);
        EXPECT_EQ(ControlText(picker, 1018), L"#D2A0FF");
        PumpFor(200);
        EXPECT_EQ(Stored("tint_rgb"), "D2A0FF");
        Scroll(picker, 1019, 220, TB_THUMBPOSITION);
        EXPECT_EQ(Stored("tint_rgb"), "DCA0FF");
        SendMessageW(picker, WM_CLOSE, 0, 0);
    });
}

TEST_F(TintPicker, SecondPressOfADoubleClickPicksAndTracksItsDrag) {
    Open([&](HWND picker, HWND) {
        HWND square = GetDlgItem(picker, 1033);
        RECT client = {};
        ASSERT_TRUE(GetClientRect(square, &client));
        const LPARAM top_left = MAKELPARAM(0, 0);
        const LPARAM bottom_left = MAKELPARAM(0, client.bottom - 1);
        SendMessageW(square, WM_LBUTTONDOWN, MK_LBUTTON, top_left);
        SendMessageW(square, WM_LBUTTONUP, 0, top_left);
        EXPECT_EQ(ControlText(picker, 1018), L"#FFFFFF");
        // The static class turns a quick second press into a double-click message.
        SendMessageW(square, WM_LBUTTONDBLCLK, MK_LBUTTON, bottom_left);
        EXPECT_EQ(ControlText(picker, 1018), L"#000000");
        SendMessageW(square, WM_MOUSEMOVE, MK_LBUTTON, top_left);
        EXPECT_EQ(ControlText(picker, 1018), L"#FFFFFF");
        SendMessageW(square, WM_LBUTTONUP, 0, top_left);
        SendMessageW(picker, WM_CLOSE, 0, 0);
    });
}
