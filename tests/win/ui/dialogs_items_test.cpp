// The item background dialog opened from the settings dialog.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include "host_functions.h"
#include "projects.h"
#include "registrations.h"
#include "support/modal_driver.h"
#include "support/sim_fixture.h"

namespace {

class ItemDialog : public SimulatedHost {
  protected:
    void SetUp() override {
        SimulatedHost::SetUp();
        ASSERT_EQ(Load(), 1);
        sim::TickTimers();
    }
    // Opens settings, then the item dialog, runs script on it and closes the settings dialog.
    void Open(std::function<void(HWND)> script) {
        DialogWatchdog watchdog(15000);
        WhenDialogAppears(L"Murivo settings", [&](HWND settings) {
            WhenDialogAppears(L"Item background transparency", script);
            Click(settings, 1036);
            SendMessageW(settings, WM_CLOSE, 0, 0);
        });
        EXPECT_TRUE(sim::DispatchCommand(sim::CommandIdFor("MURIVOSETTINGS")));
        EXPECT_EQ(TakeUnseenDialogs(), 0);
        EXPECT_FALSE(watchdog.Fired());
    }
    int Writes() { return sim::HostCallCount("SetProjExtState"); }
};

} // namespace

TEST_F(ItemDialog, OpenAndCloseStoresNothing) {
    sim::PutExtStateValue(sim::CurrentProject(), "Murivo", "audio_item_transparency_permille",
                          "333");
    int writes = Writes();
    Open([&](HWND dialog) {
        EXPECT_EQ(SendDlgItemMessageW(dialog, 1037, TBM_GETPOS, 0, 0), 333);
        EXPECT_EQ(ControlText(dialog, 1038), L"33.3%");
        EXPECT_EQ(ControlText(dialog, 1040), L"0.0%");
        SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_EQ(Writes(), writes);
}

TEST_F(ItemDialog, DragCommitsByTheTimerKeepsChangesMadeElsewhereAndResetStoresZeros) {
    ReaProject* project = sim::CurrentProject();
    Open([&](HWND dialog) {
        int writes = Writes();
        Scroll(dialog, 1039, 250, TB_THUMBTRACK);
        Scroll(dialog, 1039, 260, TB_THUMBTRACK);
        EXPECT_EQ(ControlText(dialog, 1040), L"26.0%");
        EXPECT_EQ(Writes(), writes);
        PumpFor(200);
        EXPECT_EQ(Writes(), writes + 9);
        EXPECT_EQ(sim::ExtStateValue(project, "Murivo", "midi_item_transparency_permille"), "260");
        Scroll(dialog, 1037, 500, TB_THUMBPOSITION);
        EXPECT_EQ(sim::ExtStateValue(project, "Murivo", "audio_item_transparency_permille"), "500");
        // A script stores the other slider's key and one of the settings dialog's meanwhile:
        // neither this dialog nor, when it closes, the settings dialog takes them back.
        sim::PutExtStateValue(project, "Murivo", "midi_item_transparency_permille", "700");
        sim::PutExtStateValue(project, "Murivo", "opacity_permille", "600");
        Scroll(dialog, 1037, 550, TB_THUMBPOSITION);
        EXPECT_EQ(sim::ExtStateValue(project, "Murivo", "audio_item_transparency_permille"), "550");
        EXPECT_EQ(sim::ExtStateValue(project, "Murivo", "midi_item_transparency_permille"), "700");
        Click(dialog, 1041);
        EXPECT_EQ(sim::ExtStateValue(project, "Murivo", "audio_item_transparency_permille"), "0");
        EXPECT_EQ(sim::ExtStateValue(project, "Murivo", "midi_item_transparency_permille"), "0");
        int after_reset = Writes();
        Click(dialog, 1041);
        EXPECT_EQ(Writes(), after_reset);
        SendMessageW(dialog, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(sim::ExtStateValue(project, "Murivo", "opacity_permille"), "600");
}
