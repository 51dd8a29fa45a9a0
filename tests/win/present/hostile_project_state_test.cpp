// Project state and project tabs changing under the extension: garbage in every stored key
// while the host runs, and the project closed or switched while the settings dialog is open.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "host_windows.h"
#include "projects.h"
#include "registrations.h"
#include "settings/stored_keys.h"
#include "support/modal_driver.h"
#include "support/sim_fixture.h"

namespace {

constexpr int kEnable = 1003, kOpacity = 1004, kGrayscale = 1016;

class HostileProjectState : public SimulatedHost {
  protected:
    void OpenSettings(std::function<void(HWND)> script) {
        DialogWatchdog watchdog(15000);
        WhenDialogAppears(L"Murivo settings", std::move(script));
        EXPECT_TRUE(sim::DispatchCommand(sim::CommandIdFor("MURIVOSETTINGS")));
        EXPECT_EQ(TakeUnseenDialogs(), 0);
        EXPECT_FALSE(watchdog.Fired());
    }

    // Every control that commits, moved and clicked, then the dialog closed.
    static void ChangeEverythingAndClose(HWND dialog) {
        Scroll(dialog, kOpacity, 600, TB_THUMBTRACK);
        PumpFor(150); // the commit timer fires while dragging
        Scroll(dialog, kOpacity, 650, TB_ENDTRACK);
        Click(dialog, kGrayscale);
        Click(dialog, kEnable);
        SendMessageW(dialog, WM_CLOSE, 0, 0);
    }

    // The host goes on painting and ticking afterwards.
    void ExpectHostRuns() {
        for (int i = 0; i < 3; ++i) {
            sim::TickTimers();
            sim::RedrawArrange();
        }
        EXPECT_TRUE(IsWindow(sim::ArrangeWindow()));
        EXPECT_GT(sim::ArrangePaintCount(), 0);
    }
};

} // namespace

TEST_F(HostileProjectState, GarbageInEveryKeyLoadsAsDefaultsAndTheHostRuns) {
    const std::string garbage[] = {std::string(200000, 'a'), "\xC0\xAF\xED\xA0\x80\xFF",
                                   "\x01\x02\x7F\x80 \t=;#", std::string(140000, '9')};
    for (const std::string& value : garbage) {
        SCOPED_TRACE(value.substr(0, 12));
        ReaProject* project = sim::CurrentProject();
        for (const StoredKey& key : kStoredKeys) {
            sim::PutExtStateValue(project, "Murivo", key.name, value);
        }
        sim::PutExtStateValue(project, "Murivo", kRelativePathKey, value);
        const bool overlong = value.size() > 131072;
        if (overlong) {
            // Longer than any Windows path, enabled: the load is tried and finds nothing. (A
            // path of the whole 128 KiB makes Wine's edit control take seconds to show it.)
            sim::PutExtStateValue(project, "Murivo", "path", "C:\\" + std::string(40000, 'a'));
            sim::PutExtStateValue(project, "Murivo", "enabled", "1");
        }
        ASSERT_EQ(Load(), 1);
        ExpectHostRuns();
        OpenSettings([](HWND dialog) {
            EXPECT_EQ(SendDlgItemMessageW(dialog, kOpacity, TBM_GETPOS, 0, 0), 350);
            EXPECT_EQ(IsDlgButtonChecked(dialog, kEnable), BST_UNCHECKED);
            SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        });
        const std::vector<std::string> lines = Output();
        if (overlong) {
            EXPECT_TRUE(ContainsEntry(lines, "Wallpaper file not found.\n"));
            EXPECT_EQ(sim::ExtStateValue(project, "Murivo", "enabled"), "0");
        }
        EXPECT_EQ(CountStartingWith(lines, "Wallpaper loaded"), 0);
        EXPECT_EQ(Unload(), 0);
    }
}

TEST_F(HostileProjectState, ProjectClosedWhileTheDialogIsOpenReceivesNothing) {
    ASSERT_EQ(Load(), 1);
    sim::TickTimers();
    OpenSettings([](HWND dialog) {
        // Every tab closed and new ones opened while the dialog still holds the old project.
        sim::ResetProjects({"New1.RPP", "New2.RPP", "New3.RPP"}, 2);
        ChangeEverythingAndClose(dialog);
    });
    for (int i = 0; i < sim::ProjectCount(); ++i) {
        EXPECT_TRUE(sim::ExtStateSection(sim::ProjectAt(i), "Murivo").empty()) << i;
        EXPECT_FALSE(sim::IsProjectDirty(sim::ProjectAt(i))) << i;
    }
    ExpectHostRuns();
}

TEST_F(HostileProjectState, ProjectSwitchedWhileTheDialogIsOpenKeepsBothUntouched) {
    ASSERT_EQ(Load(), 1);
    sim::TickTimers();
    OpenSettings([](HWND dialog) {
        sim::SetCurrentProject(1);
        sim::TickTimers(); // the extension follows the switch while the dialog is open
        ChangeEverythingAndClose(dialog);
    });
    EXPECT_TRUE(sim::ExtStateSection(sim::ProjectAt(0), "Murivo").empty());
    EXPECT_TRUE(sim::ExtStateSection(sim::ProjectAt(1), "Murivo").empty());
    ExpectHostRuns();
    // Opened again, the dialog works on the project now current.
    OpenSettings([](HWND dialog) { ChangeEverythingAndClose(dialog); });
    EXPECT_EQ(sim::ExtStateValue(sim::ProjectAt(1), "Murivo", "opacity_permille"), "650");
    EXPECT_TRUE(sim::ExtStateSection(sim::ProjectAt(0), "Murivo").empty());
}
